#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>

#include "platform/audio_device.h"
#include "platform/null/audio_double.h"

namespace platform {

namespace {

// Every call takes the device's lock: the layer opens and closes devices
// from a thread of its own while the test drives the device from its own.
struct SimulatedDevice {
    std::mutex mutex;
    std::condition_variable opensReleased;
    std::condition_variable heldOpenEntered;
    bool opensHeld = false;
    int32_t opensWaiting = 0;    // opens waiting on the hold now
    int32_t callsUnderWay = 0;   // opens and closes under way
    bool backendStarted = false;
    int32_t backendStopsUnderACall = 0;
    bool available = false;
    int32_t forcedBufferFrames = 0;
    bool open = false;
    bool paused = true;
    AudioDeviceInfo requested;
    AudioDeviceInfo obtained;
    AudioCallback callback = nullptr;
    void* user = nullptr;
    std::deque<int16_t> held;  // frames handed over, not yet played
    int64_t framesRendered = 0;
    int64_t framesPlayed = 0;
    int32_t callbacks = 0;
    int64_t framesSinceCallback = 0;  // frames advanced since the callback was last called
    bool stalled = false;
    bool removed = false;
    bool capture = false;
    std::vector<int16_t> captured;
    std::vector<int16_t> scratch;

    int32_t heldFrames() const { return static_cast<int32_t>(held.size() / 2); }

    void pull() {
        const int32_t frames = obtained.bufferFrames;
        scratch.assign(static_cast<size_t>(frames) * 2, 0);
        callback(user, scratch.data(), frames);
        ++callbacks;
        framesSinceCallback = 0;
        held.insert(held.end(), scratch.begin(), scratch.end());
        framesRendered += frames;
    }

    void refill() {
        if (!open || paused || stalled || removed) return;
        while (heldFrames() <= obtained.bufferFrames) pull();
    }

    void play(int64_t frames) {
        for (int64_t i = 0; i < frames * 2; ++i) {
            if (capture) captured.push_back(held.front());
            held.pop_front();
        }
        framesPlayed += frames;
    }
};

// Never destroyed: at process exit a worker the layer left behind may still
// wait in a held open, on this device's lock.
SimulatedDevice& device() {
    alignas(SimulatedDevice) static unsigned char storage[sizeof(SimulatedDevice)];
    static SimulatedDevice* const instance = ::new (storage) SimulatedDevice;
    return *instance;
}

// A held open gives up after this long, so that a layer that opens on the
// thread holding the opens fails its test instead of hanging it.
constexpr auto kHeldOpenGiveUp = std::chrono::seconds(10);
thread_local int32_t openCallsHere = 0;

void closeLocked(SimulatedDevice& d) {
    d.open = false;
    d.paused = true;
    d.callback = nullptr;
    d.user = nullptr;
    d.held.clear();
}

}  // namespace

bool startAudio() {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    d.backendStarted = true;
    return true;
}

void stopAudio() {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    if (d.callsUnderWay > 0) ++d.backendStopsUnderACall;
    closeLocked(d);
    d.backendStarted = false;
}

bool openAudioDevice(int32_t sampleRate, int32_t channels, int32_t bufferFrames,
                     AudioCallback callback, void* user, AudioDeviceInfo& obtained) {
    SimulatedDevice& d = device();
    std::unique_lock<std::mutex> lock(d.mutex);
    ++openCallsHere;
    ++d.callsUnderWay;
    const bool waited = d.opensHeld;
    if (waited) {
        ++d.opensWaiting;
        d.heldOpenEntered.notify_all();
    }
    const bool released = d.opensReleased.wait_for(lock, kHeldOpenGiveUp, [&] { return !d.opensHeld; });
    if (waited) --d.opensWaiting;
    --d.callsUnderWay;
    if (!released) return false;
    d.requested = {sampleRate, channels, bufferFrames};
    if (!d.backendStarted || !d.available || d.open || callback == nullptr || sampleRate <= 0 || channels != 2 ||
        bufferFrames <= 0) {
        return false;
    }
    d.open = true;
    d.paused = true;
    d.callback = callback;
    d.user = user;
    d.obtained = {sampleRate, channels, d.forcedBufferFrames > 0 ? d.forcedBufferFrames : bufferFrames};
    d.held.clear();
    d.framesRendered = 0;
    d.framesPlayed = 0;
    d.callbacks = 0;
    d.framesSinceCallback = 0;
    d.stalled = false;
    d.removed = false;
    obtained = d.obtained;
    return true;
}

void pauseAudioDevice(bool paused) {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.open) return;
    d.paused = paused;
    d.refill();
}

void closeAudioDevice() {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    closeLocked(d);
}

AudioDevicePosition audioDevicePosition() {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.open) return {};
    const int64_t sinceCallback = d.framesSinceCallback * 1000000 / std::max(1, d.obtained.sampleRate);
    return {d.framesRendered, d.heldFrames(), sinceCallback, d.removed};
}

void holdAudioCallback(bool held) { audio_double::setStalled(held); }

namespace audio_double {

void reset() {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    closeLocked(d);
    d.opensHeld = false;
    d.opensReleased.notify_all();
    d.backendStopsUnderACall = 0;
    d.available = false;
    d.forcedBufferFrames = 0;
    d.requested = {};
    d.obtained = {};
    d.framesRendered = 0;
    d.framesPlayed = 0;
    d.callbacks = 0;
    d.framesSinceCallback = 0;
    d.stalled = false;
    d.removed = false;
    d.capture = false;
    d.captured.clear();
}

// The accessors lock too: the layer's own thread may be opening meanwhile.
template <typename F>
auto locked(F&& f) {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    return f(d);
}

void setAvailable(bool available) { locked([&](SimulatedDevice& d) { d.available = available; }); }
void setBufferFrames(int32_t frames) { locked([&](SimulatedDevice& d) { d.forcedBufferFrames = std::max(0, frames); }); }
bool isOpen() { return locked([](SimulatedDevice& d) { return d.open; }); }
bool isPaused() { return locked([](SimulatedDevice& d) { return d.paused; }); }
AudioDeviceInfo requested() { return locked([](SimulatedDevice& d) { return d.requested; }); }
AudioDeviceInfo obtained() { return locked([](SimulatedDevice& d) { return d.obtained; }); }

void holdOpens(bool held) {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    d.opensHeld = held;
    d.opensReleased.notify_all();
}
int32_t openCallsOnThisThread() { return openCallsHere; }

bool waitForHeldOpen(int32_t timeoutMs) {
    SimulatedDevice& d = device();
    std::unique_lock<std::mutex> lock(d.mutex);
    return d.heldOpenEntered.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return d.opensWaiting > 0; });
}
bool openHeld() { return locked([](SimulatedDevice& d) { return d.opensWaiting > 0; }); }
bool backendStarted() { return locked([](SimulatedDevice& d) { return d.backendStarted; }); }
int32_t backendStopsUnderACall() { return locked([](SimulatedDevice& d) { return d.backendStopsUnderACall; }); }

void advance(int64_t frameCount) {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.open || d.paused || d.removed) return;
    if (d.stalled) {
        const int64_t played = std::min<int64_t>(frameCount, d.heldFrames());
        d.play(played);
        d.framesSinceCallback += frameCount;
        return;
    }
    while (frameCount > 0) {
        d.refill();
        // Play up to the point where the device next asks for more.
        const int64_t step = std::min<int64_t>(frameCount, d.heldFrames() - d.obtained.bufferFrames);
        d.play(step);
        d.framesSinceCallback += step;
        frameCount -= step;
    }
    d.refill();
}

void setStalled(bool stalled) {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    d.stalled = stalled;
    d.refill();
}

void remove() {
    SimulatedDevice& d = device();
    const std::lock_guard<std::mutex> lock(d.mutex);
    d.removed = true;
    d.held.clear();
}

int64_t framesPlayed() { return locked([](SimulatedDevice& d) { return d.framesPlayed; }); }
int32_t callbackCount() { return locked([](SimulatedDevice& d) { return d.callbacks; }); }
void setCapture(bool capture) { locked([&](SimulatedDevice& d) { d.capture = capture; }); }
const std::vector<int16_t>& captured() { return device().captured; }

}  // namespace audio_double
}  // namespace platform
