// The audio device over SDL2's callback interface.
//
// SDL tells nothing about how much of what the callback delivered is still
// queued in the hardware, so that is estimated: right after a callback the
// device holds the buffer just filled plus, typically, the one it is playing
// (two buffers), and it plays them out in real time until the next callback.
//
// Which thread may call what (read in SDL 2.26's SDL.c and audio/SDL_audio.c):
// - SDL_InitSubSystem(SDL_INIT_AUDIO) and SDL_QuitSubSystem(SDL_INIT_AUDIO)
//   count references in a plain array, without a lock, for the audio and the
//   events subsystem both; the events subsystem is the video's too, which the
//   show's thread drives. SDL_AudioInit and SDL_AudioQuit lock nothing either:
//   SDL_AudioQuit closes every open device, ends the backend and destroys the
//   lock that SDL_OpenAudioDevice holds. So the subsystem starts and ends on
//   the show's thread only (startAudio, stopAudio), and never while another
//   thread is inside SDL_OpenAudioDevice or SDL_CloseAudioDevice.
// - SDL_OpenAudioDevice holds the backend's detection lock across the whole
//   open, the backend's own (which may wait for a sound server) included, and
//   starts the device's thread; SDL_CloseAudioDevice pauses the device under
//   the device's own lock, waits for its thread, and lets the backend close.
//   Neither needs the main thread (only Emscripten's backend expects it), so
//   a worker may open and close devices; before startAudio, or after
//   stopAudio, SDL_OpenAudioDevice fails by itself. Close clears SDL's table
//   of open devices without the detection lock, so opens and closes are made
//   one at a time, as the layer above makes them.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/audio_device.h"

namespace platform {

namespace {

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct SdlAudio {
    SDL_AudioDeviceID id = 0;
    AudioCallback callback = nullptr;
    void* user = nullptr;
    int32_t sampleRate = 0;
    int32_t bufferFrames = 0;
    // Written by the audio thread after each callback, read anywhere: a
    // sequence lock (odd while a write is in progress).
    std::atomic<uint64_t> sequence{0};
    std::atomic<int64_t> framesRendered{0};
    std::atomic<int64_t> stampNs{0};
};

SdlAudio audio;

void SDLCALL fill(void* /*userdata*/, Uint8* stream, int byteCount) {
    const int32_t frames = byteCount / static_cast<int32_t>(2 * sizeof(int16_t));
    audio.callback(audio.user, reinterpret_cast<int16_t*>(stream), frames);
    const uint64_t s = audio.sequence.load(std::memory_order_relaxed);
    audio.sequence.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    audio.framesRendered.store(audio.framesRendered.load(std::memory_order_relaxed) + frames,
                               std::memory_order_relaxed);
    audio.stampNs.store(nowNs(), std::memory_order_relaxed);
    audio.sequence.store(s + 2, std::memory_order_release);
}

}  // namespace

bool startAudio() { return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }

void stopAudio() {
    closeAudioDevice();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool openAudioDevice(int32_t sampleRate, int32_t channels, int32_t bufferFrames,
                     AudioCallback callback, void* user, AudioDeviceInfo& obtained) {
    if (audio.id != 0 || callback == nullptr || sampleRate <= 0 || channels != 2 || bufferFrames <= 0) {
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = static_cast<Uint16>(std::clamp(bufferFrames, 64, 8192));
    want.callback = fill;
    SDL_AudioSpec have{};
    audio.callback = callback;
    audio.user = user;
    audio.framesRendered.store(0);
    audio.stampNs.store(nowNs());
    // No changes allowed: SDL converts to whatever the hardware plays, so the
    // callback always sees sampleRate, stereo, signed 16-bit.
    audio.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (audio.id == 0) return false;
    audio.sampleRate = sampleRate;
    audio.bufferFrames = have.samples;
    obtained = {sampleRate, channels, static_cast<int32_t>(have.samples)};
    return true;
}

void pauseAudioDevice(bool paused) {
    if (audio.id != 0) SDL_PauseAudioDevice(audio.id, paused ? 1 : 0);
}

void closeAudioDevice() {
    if (audio.id == 0) return;
    SDL_CloseAudioDevice(audio.id);  // waits for a running callback to return
    audio.id = 0;
    audio.callback = nullptr;
    audio.user = nullptr;
}

AudioDevicePosition audioDevicePosition() {
    if (audio.id == 0) return {};
    int64_t rendered = 0;
    int64_t stamp = 0;
    for (;;) {
        const uint64_t before = audio.sequence.load(std::memory_order_acquire);
        rendered = audio.framesRendered.load(std::memory_order_relaxed);
        stamp = audio.stampNs.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && audio.sequence.load(std::memory_order_relaxed) == before) break;
    }
    const int64_t sinceCallbackNs = nowNs() - stamp;
    // SDL marks a device that went away (SDL_AUDIODEVICEREMOVED) as stopped;
    // its thread carries on calling back into a scratch buffer.
    const bool lost = SDL_GetAudioDeviceStatus(audio.id) == SDL_AUDIO_STOPPED;
    if (rendered == 0) return {0, 0, sinceCallbackNs / 1000, lost};
    const int64_t heldAtStamp = 2 * static_cast<int64_t>(audio.bufferFrames);
    const int64_t playedSince = (nowNs() - stamp) * audio.sampleRate / 1000000000;
    const int64_t held = std::clamp<int64_t>(heldAtStamp - playedSince, 0, std::min(heldAtStamp, rendered));
    return {rendered, static_cast<int32_t>(held), sinceCallbackNs / 1000, lost};
}

void holdAudioCallback(bool held) {
    if (audio.id == 0) return;
    // The device's lock is the one its thread takes around each callback.
    if (held) {
        SDL_LockAudioDevice(audio.id);
    } else {
        SDL_UnlockAudioDevice(audio.id);
    }
}

}  // namespace platform
