// The audio device in a web page: a WebAudio context at the device's rate
// with a ScriptProcessorNode that pulls each buffer from the callback.
//
// The node runs on the page's main thread, between animation frames, so the
// callback never runs beside the show: nothing here is shared with another
// thread. Its buffer is large (kNodeFrames, 186 ms at 44.1 kHz) so that the
// music plays on through slow frames.
//
// What is heard: each buffer the node asks for carries the context time at
// which it will play (playbackTime). The page keeps those stamps beside the
// device's frame count, and the frame at the speaker is the one whose stamp
// the context's output timestamp (the time now at the output, its latency
// included) has reached. framesBuffered is what has been rendered past it.
//
// A context is never lost: one the browser suspends (a page in the
// background on some systems) is a pause, and the music goes on from there
// when it resumes; so no gap since the last callback is reported.
#include "platform/audio_device.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace {

constexpr int32_t kNodeFrames = 8192;  // the largest power of two a node takes, but one

struct WebAudio {
    bool open = false;
    bool paused = true;
    bool held = false;
    AudioCallback callback = nullptr;
    void* user = nullptr;
    int32_t sampleRate = 0;
    int64_t framesRendered = 0;
    std::vector<int16_t> buffer;
};

WebAudio audio;

EM_JS(int, webAudioOpen, (int sampleRate, int nodeFrames), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    let context;
    try {
        context = new Context({sampleRate: sampleRate, latencyHint: "playback"});
    } catch (e) {
        return 0;
    }
    const node = context.createScriptProcessor(nodeFrames, 0, 2);
    // Stamps of the buffers handed out: [context time it plays at, device frame at its start].
    const state = {context: context, node: node, stamps: []};
    node.onaudioprocess = (event) => {
        const out = event.outputBuffer;
        const left = out.getChannelData(0);
        const right = out.getChannelData(1);
        const frames = out.length;
        const startFrame = _vexelWebAudioFramesRendered();
        const pointer = _vexelWebAudioFill(frames);
        if (pointer === 0) {
            left.fill(0);
            right.fill(0);
            return;
        }
        const samples = HEAP16.subarray(pointer >> 1, (pointer >> 1) + frames * 2);
        for (let i = 0; i < frames; ++i) {
            left[i] = samples[2 * i] / 32768;
            right[i] = samples[2 * i + 1] / 32768;
        }
        const at = event.playbackTime !== undefined ? event.playbackTime : context.currentTime + frames / context.sampleRate;
        state.stamps.push([at, startFrame]);
        if (state.stamps.length > 16) state.stamps.shift();
    };
    node.connect(context.destination);
    // Started by the click that allows sound; elsewhere the page resumes it.
    if (context.state === "suspended") context.resume().catch(() => {});
    Module["webAudio"] = state;
    return 1;
});

EM_JS(void, webAudioClose, (), {
    const state = Module["webAudio"];
    if (!state) return;
    state.node.onaudioprocess = null;
    state.node.disconnect();
    state.context.close().catch(() => {});
    Module["webAudio"] = null;
});

// The device frame at the speaker now, from the newest stamp the output has
// reached; -1 before any has.
EM_JS(double, webAudioFrameAtSpeaker, (), {
    const state = Module["webAudio"];
    if (!state || state.stamps.length === 0) return -1;
    const context = state.context;
    let heard;
    if (context.getOutputTimestamp) {
        const stamp = context.getOutputTimestamp();
        heard = stamp.contextTime + Math.max(0, performance.now() - stamp.performanceTime) / 1000;
    } else {
        heard = context.currentTime - (context.outputLatency || 0) - (context.baseLatency || 0);
    }
    for (let i = state.stamps.length - 1; i >= 0; --i) {
        const [at, frame] = state.stamps[i];
        if (heard >= at) return frame + Math.floor((heard - at) * context.sampleRate);
    }
    return -1;
});

}  // namespace

// The page's audio needs no backend set up: each device is an audio context.
bool startAudio() { return true; }
void stopAudio() { closeAudioDevice(); }

bool openAudioDevice(int32_t sampleRate, int32_t channels, int32_t bufferFrames, AudioCallback callback, void* user,
                     AudioDeviceInfo& obtained) {
    if (audio.open || callback == nullptr || sampleRate <= 0 || channels != 2 || bufferFrames <= 0) return false;
    audio.callback = callback;
    audio.user = user;
    audio.sampleRate = sampleRate;
    audio.framesRendered = 0;
    audio.paused = true;
    audio.held = false;
    audio.buffer.assign(static_cast<size_t>(kNodeFrames) * 2, 0);
    if (webAudioOpen(sampleRate, kNodeFrames) == 0) return false;
    audio.open = true;
    obtained = {sampleRate, channels, kNodeFrames};
    return true;
}

void pauseAudioDevice(bool paused) { audio.paused = paused; }

void closeAudioDevice() {
    if (!audio.open) return;
    webAudioClose();
    audio.open = false;
    audio.callback = nullptr;
    audio.user = nullptr;
}

AudioDevicePosition audioDevicePosition() {
    if (!audio.open) return {};
    const double atSpeaker = webAudioFrameAtSpeaker();
    const int64_t heard = atSpeaker < 0 ? 0 : std::min(static_cast<int64_t>(atSpeaker), audio.framesRendered);
    return {audio.framesRendered, static_cast<int32_t>(audio.framesRendered - heard), 0, false};
}

void holdAudioCallback(bool held) { audio.held = held; }

}  // namespace platform

// Called by the node for each buffer: the callback's frames, or 0 (silence,
// not counted) while the device is paused or held.
extern "C" EMSCRIPTEN_KEEPALIVE int16_t* vexelWebAudioFill(int32_t frameCount) {
    using platform::audio;
    if (!audio.open || audio.paused || audio.held || frameCount <= 0 ||
        static_cast<size_t>(frameCount) * 2 > audio.buffer.size()) {
        return nullptr;
    }
    audio.callback(audio.user, audio.buffer.data(), frameCount);
    audio.framesRendered += frameCount;
    return audio.buffer.data();
}

extern "C" EMSCRIPTEN_KEEPALIVE double vexelWebAudioFramesRendered() {
    return static_cast<double>(platform::audio.framesRendered);
}
