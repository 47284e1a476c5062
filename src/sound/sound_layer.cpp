// The sound layer: the calls of sound.h over libopenmpt (modules), libsndfile
// (streams) and the platform audio device.
//
// Threads: every call here is made on the main thread. The audio device's
// thread runs only Mixer::render; the decoder thread only fills stream rings;
// a module's jump worker only prepares renderers (jump_preparer.h); the
// device worker only closes a lost device and opens the next one, and closes
// the device at the end (device_reopener.h). The audio backend starts and
// ends on the main thread, and never ends while a worker is inside a call.
// Where no audio device opens, a silent output takes its place: nothing is
// heard, but the mixer is run on the main thread up to the frame that real
// time has reached whenever a position is asked, so modules advance (and cues
// fall) exactly as they would with sound.
//
// A device whose callback stops (a suspend, a debugger, a starved thread,
// the audio server moving the stream) keeps the mixer for a while: what it
// holds plays out, the position heard stands still, and when the callbacks
// come back within kCallbackGapBoundMicroseconds the music goes on from
// there, heard and answered alike. A longer gap, or a device the backend
// reports removed, loses the device: the silent output takes over from the
// frame last heard (for a removal, at the moment it was last heard to move),
// so the music neither jumps back nor stands still for good and cues keep
// their time. From then on the device worker tries the default device, at
// once and then about once a second; one that opens and calls back takes the
// mixer where the silent output has brought it. The main thread never waits
// for a device: it only picks up one that is ready.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <sndfile.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_device.h"
#include "sound/device_reopener.h"
#include "sound/mixer.h"
#include "sound/module_voice.h"
#include "sound/sound.h"
#include "sound/sound_test_hooks.h"
#include "sound/stream_voice.h"

namespace sound {

namespace {

constexpr float kLayerVersion = 3.40f;
constexpr int32_t kDeviceBufferFrames = 1024;  // 23 ms at 44.1 kHz
constexpr int32_t kDefaultSampleRate = 44100;
constexpr int32_t kSilentPumpFrames = 4096;
// A removed device whose sound last moved longer ago than this was in a
// callback gap when it went: the silent output starts from the moment of
// the removal, not from that of the last sound, so the gap stays a pause.
constexpr int64_t kGapBeforeRemovalMicroseconds = 250000;
// The longest callback gap that is a pause: a device that has not called
// back for longer is lost, and the music goes on without it from where it
// stood. Well above what a loaded machine or a moved stream costs.
constexpr int64_t kCallbackGapBoundMicroseconds = 3000000;
// How often the default device is tried again after a loss.
constexpr int64_t kReopenIntervalMicroseconds = 1000000;
// The silent output catches up at most this much real time per query
// (about 8 ms of rendering for the show's module); a longer wait between
// queries (a long minimise, a stopped process) counts beyond it as a gap.
constexpr int64_t kSilentCatchUpMicroseconds = 2000000;

// Who renders the mixer: the device's callback, or (once detached) nobody on
// the audio thread. The callback claims it for the length of one call.
enum MixerOwner : int { DeviceIdle = 0, DeviceRendering = 1, Detached = 2 };

// What the device's callback reads. Trivially destructible, so it outlives
// the engine at process exit: a device a worker left behind is still closing
// may call back then, and finds the mixer detached.
struct DeviceGate {
    std::atomic<int> owner{Detached};
    Mixer* mixer = nullptr;
};
DeviceGate deviceGate;

// The device's callback: the mixer while it is not detached, else silence.
void deviceCallback(void* user, int16_t* samples, int32_t frameCount) {
    auto& gate = *static_cast<DeviceGate*>(user);
    int expected = DeviceIdle;
    if (!gate.owner.compare_exchange_strong(expected, DeviceRendering, std::memory_order_acquire)) {
        std::memset(samples, 0, static_cast<size_t>(frameCount) * 2 * sizeof(int16_t));
        return;
    }
    gate.mixer->render(samples, frameCount);
    gate.owner.store(DeviceIdle, std::memory_order_release);
}

struct Engine {
    ~Engine() { shutdown(); }

    bool initialised = false;
    bool silent = false;
    bool deviceOpen = false;
    bool deviceLost = false;     // a device was lost and none has been taken since
    bool backendStarted = false;  // platform::startAudio; ended once no worker is inside a device call
    DeviceGate& gate = deviceGate;
    int32_t sampleRate = kDefaultSampleRate;
    Mixer mixer;
    StreamDecoder decoder;
    std::vector<std::unique_ptr<Module>> modules;
    std::vector<std::unique_ptr<Stream>> streams;
    DeviceReopener reopener;
    std::vector<int16_t> pumpBuffer;
    std::string lastLoadError;
    int64_t deviceBaseFrame = 0;         // mixer frame at which the open device's own count starts
    int64_t nextReopenMicroseconds = 0;  // after a loss: when to try the default device again
    int64_t silentStartMicroseconds = 0;
    int64_t silentStartFrame = 0;        // output frame at the speaker at silentStartMicroseconds
    int64_t lastSpeakerFrame = 0;
    int64_t lastProgressMicroseconds = 0;  // when lastSpeakerFrame last moved on a device
    // The score clock: its time in microseconds is now - origin, or the held
    // value while paused. The origin is set by the first query.
    std::optional<int64_t> scoreOriginMicroseconds;
    std::optional<int64_t> scoreHeldMicroseconds;

    // Test switches.
    std::optional<float> reportedVersion;
    bool deviceAllowed = true;
    bool manualClock = false;
    int64_t manualMicroseconds = 0;

    int64_t nowMicroseconds() const {
        if (manualClock) return manualMicroseconds;
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    DeviceRequest deviceRequest() { return {sampleRate, kDeviceBufferFrames, deviceCallback, &gate}; }

    // At init. Not while a worker left behind by the last close is still
    // inside a device call: this run then plays on the silent output.
    bool openDevice() {
        if (!deviceAllowed || reopener.leftBehindBusy()) return false;
        if (!backendStarted) backendStarted = platform::startAudio();
        platform::AudioDeviceInfo obtained;
        if (!backendStarted ||
            !platform::openAudioDevice(sampleRate, 2, kDeviceBufferFrames, deviceCallback, &gate, obtained)) {
            return false;
        }
        deviceOpen = true;
        deviceBaseFrame = mixer.framesRendered();
        lastProgressMicroseconds = nowMicroseconds();
        silent = false;
        gate.mixer = &mixer;
        gate.owner.store(DeviceIdle, std::memory_order_release);
        platform::pauseAudioDevice(false);
        return true;
    }

    void startSilentOutput(int64_t startMicroseconds, int64_t startFrame) {
        silent = true;
        silentStartMicroseconds = startMicroseconds;
        silentStartFrame = startFrame;
        pumpBuffer.assign(static_cast<size_t>(kSilentPumpFrames) * 2, 0);
    }

    // The device is gone: the mixer is taken from its callback, the device
    // goes to the worker to be closed (its thread may be slow to stop), and
    // the silent output goes on from the frame last heard, as from
    // silentFromMicroseconds. False, and nothing changed, while the callback
    // is mixing: the next query tries again.
    bool loseDevice(int64_t silentFromMicroseconds) {
        int expected = DeviceIdle;
        if (!gate.owner.compare_exchange_strong(expected, Detached, std::memory_order_acquire)) return false;
        deviceOpen = false;
        deviceLost = true;
        reopener.handOver(deviceRequest());
        nextReopenMicroseconds = nowMicroseconds() + kReopenIntervalMicroseconds;
        startSilentOutput(silentFromMicroseconds, lastSpeakerFrame);
        return true;
    }

    // A device the worker opened, calling back into silence, takes the mixer.
    // Paused for a moment, so that its count of frames stands still: the next
    // frame it asks for is the mixer's next. What it holds is silence, played
    // out before the music, so the position heard waits for it.
    void takeDevice() {
        platform::pauseAudioDevice(true);
        deviceBaseFrame = mixer.framesRendered() - platform::audioDevicePosition().framesRendered;
        deviceOpen = true;
        deviceLost = false;
        silent = false;
        lastProgressMicroseconds = nowMicroseconds();
        gate.mixer = &mixer;
        gate.owner.store(DeviceIdle, std::memory_order_release);
        platform::pauseAudioDevice(false);
    }

    // After a loss: a device the worker has ready is taken; else another
    // attempt about once a second.
    void retryDevice() {
        if (reopener.take()) {
            takeDevice();
            return;
        }
        const int64_t now = nowMicroseconds();
        if (now < nextReopenMicroseconds) return;
        nextReopenMicroseconds = now + kReopenIntervalMicroseconds;
        reopener.attempt();
    }

    // Never waits for a device: the worker closes the one played on, and one
    // that does not answer is left to it. The mixer is detached first (a wait
    // for at most one callback's mixing), so whatever the device does later
    // renders silence.
    void shutdown() {
        if (deviceOpen) {
            for (int expected = DeviceIdle;
                 !gate.owner.compare_exchange_weak(expected, Detached, std::memory_order_acquire);
                 expected = DeviceIdle) {
                std::this_thread::yield();
            }
            reopener.handOverToClose();
        }
        reopener.stop();  // no attempt outlives the layer; a device opened and not taken is closed
        // The backend ends only with no device call under way: not under a
        // worker left behind (the next close tries again).
        if (backendStarted && !reopener.leftBehindBusy()) {
            platform::stopAudio();
            backendStarted = false;
        }
        deviceOpen = false;
        deviceLost = false;
        decoder.stop();
        mixer.reset(0);
        modules.clear();
        streams.clear();
        initialised = false;
        silent = false;
        lastSpeakerFrame = 0;
        deviceBaseFrame = 0;
        scoreOriginMicroseconds.reset();
        scoreHeldMicroseconds.reset();
    }

    // Silent output: renders (and discards) up to the frame real time has
    // reached, and one frame beyond: that one is "at the speaker", so like a
    // device it is always rendered before its position is asked for. Returns
    // the frame at the speaker. After a lost device the mixer may be ahead
    // (frames the device took but never played); they count as not heard.
    // At most kSilentCatchUpMicroseconds are caught up per call: beyond that
    // the clock is moved on, and the rest of the wait is a gap.
    int64_t pump() {
        const int64_t now = nowMicroseconds();
        const int64_t elapsed = std::max<int64_t>(0, now - silentStartMicroseconds);
        int64_t target = silentStartFrame + elapsed * sampleRate / 1000000 + 1;
        const int64_t limitFrames = kSilentCatchUpMicroseconds * sampleRate / 1000000;
        const int64_t from = std::max(mixer.framesRendered(), lastSpeakerFrame + 1);
        if (target - from > limitFrames) {
            target = from + limitFrames;
            silentStartMicroseconds = now;
            silentStartFrame = target - 1;
        }
        for (int64_t rendered = mixer.framesRendered(); rendered < target; rendered = mixer.framesRendered()) {
            const int32_t frames = static_cast<int32_t>(std::min<int64_t>(kSilentPumpFrames, target - rendered));
            mixer.render(pumpBuffer.data(), frames);
        }
        return target - 1;
    }

    // The output frame at the speaker: frames rendered minus frames the
    // device still holds. Never goes back, whatever the device's estimate does.
    int64_t speakerFrame() {
        if (!initialised) return 0;
        if (silent) {
            lastSpeakerFrame = std::max(lastSpeakerFrame, pump());
            if (deviceLost) retryDevice();
            if (silent) return lastSpeakerFrame;
        }
        const platform::AudioDevicePosition device = platform::audioDevicePosition();
        const int64_t now = nowMicroseconds();
        const bool lost = device.lost ? loseDevice(std::max(lastProgressMicroseconds, now - kGapBeforeRemovalMicroseconds))
                          : device.sinceCallbackMicroseconds > kCallbackGapBoundMicroseconds && loseDevice(now);
        if (lost) {
            lastSpeakerFrame = std::max(lastSpeakerFrame, pump());
            return lastSpeakerFrame;
        }
        const int64_t frame = deviceBaseFrame + device.framesRendered - device.framesBuffered;
        if (frame > lastSpeakerFrame) {
            lastSpeakerFrame = frame;
            lastProgressMicroseconds = now;
        }
        return lastSpeakerFrame;
    }

    int64_t scoreMicroseconds() {
        const int64_t now = nowMicroseconds();
        if (!scoreOriginMicroseconds) scoreOriginMicroseconds = now;
        if (scoreHeldMicroseconds) return *scoreHeldMicroseconds;
        return std::max<int64_t>(0, now - *scoreOriginMicroseconds);
    }
    void pauseScore(bool paused) {
        const int64_t at = scoreMicroseconds();
        if (paused) {
            scoreHeldMicroseconds = at;
        } else if (scoreHeldMicroseconds) {
            scoreOriginMicroseconds = nowMicroseconds() - at;
            scoreHeldMicroseconds.reset();
        }
    }
    // The first microsecond of frame, so that the time read back is that frame.
    void moveScore(int64_t frame) {
        const int64_t at = (std::max<int64_t>(frame, 0) * 1000000 + sampleRate - 1) / sampleRate;
        scoreMicroseconds();
        if (scoreHeldMicroseconds) {
            scoreHeldMicroseconds = at;
        } else {
            scoreOriginMicroseconds = nowMicroseconds() - at;
        }
    }

    ModulePosition scorePosition() {
        const int64_t rows = scoreMicroseconds() / ScoreRowMicroseconds;
        return {static_cast<int32_t>(rows / ScoreRowsPerOrder), static_cast<int32_t>(rows % ScoreRowsPerOrder)};
    }

    bool owns(const Module* module) const {
        return std::any_of(modules.begin(), modules.end(), [&](const auto& m) { return m.get() == module; });
    }
    bool owns(const Stream* stream) const {
        return std::any_of(streams.begin(), streams.end(), [&](const auto& s) { return s.get() == stream; });
    }

    // The position heard for a module; -1 for a handle the layer does not know.
    std::optional<ModulePosition> positionOf(Module* module) {
        if (initialised) speakerFrame();  // streams play on in real time too; a lost device is noticed
        if (module == nullptr) return scorePosition();
        if (!owns(module)) return std::nullopt;
        if (!module->inMixer) return module->startPosition;
        return module->positionAt(speakerFrame());
    }
};

Engine& engine() {
    static Engine instance;
    return instance;
}

}  // namespace

float getVersion() { return engine().reportedVersion.value_or(kLayerVersion); }

bool init(int32_t mixRate, int32_t maxSoftwareChannels, uint32_t /*flags*/) {
    // The flags (InitGlobalFocus) change nothing: the output never depends on
    // which window has the focus.
    Engine& e = engine();
    if (e.initialised) return true;
    if (mixRate < 8000 || mixRate > 192000 || maxSoftwareChannels < 0) return false;
    e.sampleRate = mixRate;
    e.mixer.reset(maxSoftwareChannels);
    e.lastSpeakerFrame = 0;
    e.initialised = true;
    // No device at all: the silent output for the whole run (a machine
    // without sound is not asked again each second).
    if (!e.openDevice()) e.startSilentOutput(e.nowMicroseconds(), 0);
    return true;
}

bool setOutput(int32_t /*outputType*/) { return true; }

void close() { engine().shutdown(); }

Module* loadModule(const char* path) {
    Engine& e = engine();
    auto bytes = std::make_shared<std::vector<std::byte>>();
    errno = 0;
    if (!readWholeFile(path, *bytes)) {
        e.lastLoadError = errno != 0 ? std::strerror(errno) : "cannot be read";
        return nullptr;
    }
    // Modules loop for ever, as the show expects its music to.
    std::unique_ptr<ModuleRenderer> renderer = ModuleRenderer::open(*bytes, e.sampleRate, -1);
    if (!renderer) {
        e.lastLoadError = "libopenmpt: not a module it plays";
        return nullptr;
    }
    e.lastLoadError.clear();
    e.modules.push_back(std::make_unique<Module>(std::move(bytes), std::move(renderer)));
    return e.modules.back().get();
}

bool playModule(Module* module) {
    Engine& e = engine();
    if (!e.initialised || !e.owns(module)) return false;
    if (module->inMixer) return true;
    e.speakerFrame();  // the module starts now, not at the last position query
    if (!e.mixer.addModule(module)) return false;
    module->inMixer = true;
    return true;
}

bool freeModule(Module* module) {
    Engine& e = engine();
    if (!e.owns(module)) return false;
    e.mixer.removeModule(module);
    std::erase_if(e.modules, [&](const auto& m) { return m.get() == module; });
    return true;
}

int32_t getOrder(Module* module) {
    const std::optional<ModulePosition> position = engine().positionOf(module);
    return position ? position->order : -1;
}

int32_t getRow(Module* module) {
    const std::optional<ModulePosition> position = engine().positionOf(module);
    return position ? position->row : -1;
}

bool setModulePaused(Module* module, bool paused) {
    Engine& e = engine();
    if (module == nullptr) {
        e.pauseScore(paused);
        return true;
    }
    if (!e.owns(module)) return false;
    module->setPaused(paused);
    return true;
}

bool setModulePosition(Module* module, int32_t order, int32_t row, int64_t moduleFrame) {
    Engine& e = engine();
    if (module == nullptr) {
        e.moveScore(moduleFrame);
        return true;
    }
    if (!e.owns(module)) return false;
    module->jumpTo({order, row}, moduleFrame);
    return true;
}

int64_t moduleFrameAtSpeaker(Module* module) {
    Engine& e = engine();
    if (e.initialised) e.speakerFrame();  // as for the order and row: a removal is noticed
    if (module == nullptr) return e.scoreMicroseconds() * e.sampleRate / 1000000;
    if (!e.owns(module)) return -1;
    return module->moduleFrameAt(e.speakerFrame());  // not yet heard: where it starts
}

Stream* openStream(const char* path, uint32_t mode, int32_t size) {
    Engine& e = engine();
    // 16-bit and stereo describe what the stream is played as, which is always
    // so; only the loop bit changes anything.
    errno = 0;
    std::unique_ptr<Stream> stream = Stream::open(path, (mode & StreamLoopNormal) != 0, size, e.sampleRate);
    if (!stream) {
        // libsndfile leaves errno set on its own failures: the file is asked again.
        const std::string libraryError = std::string("libsndfile: ") + sf_strerror(nullptr);
        std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
        e.lastLoadError = file == nullptr ? std::strerror(errno) : libraryError;
        if (file != nullptr) std::fclose(file);
        return nullptr;
    }
    e.lastLoadError.clear();
    e.streams.push_back(std::move(stream));
    return e.streams.back().get();
}

bool setStreamSyncCallback(Stream* stream, StreamSyncCallback callback, void* user) {
    Engine& e = engine();
    if (!e.owns(stream)) return false;
    e.mixer.setSyncCallback(stream, callback, user);
    return true;
}

int32_t playStream(int32_t channel, Stream* stream) {
    Engine& e = engine();
    if (!e.initialised || !e.owns(stream)) return -1;
    e.speakerFrame();
    e.decoder.add(stream);  // the ring is full before the mixer sees the stream
    const int32_t used = e.mixer.playStream(channel, stream);
    if (used < 0) e.decoder.remove(stream);
    return used;
}

bool closeStream(Stream* stream) {
    Engine& e = engine();
    if (!e.owns(stream)) return false;
    e.mixer.removeStream(stream);
    e.decoder.remove(stream);
    std::erase_if(e.streams, [&](const auto& s) { return s.get() == stream; });
    return true;
}

const char* lastLoadError() { return engine().lastLoadError.c_str(); }

namespace testing {

void setReportedVersion(float version) { engine().reportedVersion = version; }
void setDeviceAllowed(bool allowed) { engine().deviceAllowed = allowed; }
void useManualClock(bool manual) { engine().manualClock = manual; }
void advanceManualClock(int64_t microseconds) { engine().manualMicroseconds += microseconds; }
void fillStreamBuffers() { engine().decoder.fillNow(); }

void resetHooks() {
    Engine& e = engine();
    e.shutdown();
    // A worker left behind ends once its device call returns; the next test
    // starts without it (and with the backend ended).
    if (e.reopener.waitLeftBehind(20000)) e.shutdown();
    e.reportedVersion.reset();
    e.deviceAllowed = true;
    e.manualClock = false;
    e.manualMicroseconds = 0;
}

bool usingSilentOutput() { return engine().initialised && engine().silent; }
bool waitJumpPrepared(Module* module, int32_t timeoutMs) {
    return engine().owns(module) && module->waitJumpPrepared(timeoutMs);
}
bool deviceLost() { return engine().deviceLost; }
bool waitDeviceAttempt(int32_t timeoutMs) { return engine().reopener.waitIdle(timeoutMs); }
bool deviceWorkerLeftBehind() { return engine().reopener.leftBehindBusy(); }
bool waitDeviceWorkerEnded(int32_t timeoutMs) { return engine().reopener.waitLeftBehind(timeoutMs); }
int64_t framesRendered() { return engine().mixer.framesRendered(); }
int64_t speakerFrame() { return engine().speakerFrame(); }

int32_t streamChannel(const Stream* stream) {
    Engine& e = engine();
    if (!e.owns(stream)) return -1;
    return stream->channel;
}

}  // namespace testing
}  // namespace sound
