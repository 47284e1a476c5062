#pragma once
// Opening and closing audio devices away from the main thread.
//
// Closing a device waits for its thread, and opening one can wait for a sound
// server that does not answer: seconds in which the main thread must go on
// drawing frames, or end the show. So a worker makes those calls. After a
// loss it closes the lost device (once), opens the default one with the
// layer's callback, which gives silence until the main thread takes the
// device, starts it and waits for it to call back. Only a device that has
// called back is handed over: a server that accepts a device and never plays
// it costs a failed attempt, not a second stand-still of the music. At the end
// it closes the device the layer played on.
//
// The main thread paces the attempts (it owns the layer's clock) and picks up
// a device with take(), which never waits. The worker starts with the first
// device handed over, so a run that never loses its device starts it only to
// close that device at the end.
//
// A worker still inside a device call when the layer stops is left behind: it
// keeps its own state, closes whatever it opened or was given once the call
// returns, and ends. Until it has, no other device call may be made (the
// platform has one device, and its backend must not end under the call).
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/audio_device.h"

namespace sound {

// How the next device is opened: as the lost one was. user is passed to the
// callback and must stay valid while any device opened with it may call back.
struct DeviceRequest {
    int32_t sampleRate = 0;
    int32_t bufferFrames = 0;
    platform::AudioCallback callback = nullptr;
    void* user = nullptr;
};

class DeviceReopener {
public:
    DeviceReopener() = default;
    ~DeviceReopener() { stop(); }
    DeviceReopener(const DeviceReopener&) = delete;
    DeviceReopener& operator=(const DeviceReopener&) = delete;

    // Main thread: the open device is lost and no longer the caller's. The
    // worker closes it and makes the first attempt at once.
    void handOver(const DeviceRequest& request);
    // Main thread: the open device is no longer the caller's and is not
    // replaced; the worker closes it (at the end of the layer).
    void handOverToClose();
    // Main thread: one more attempt; none while one is under way or an opened
    // device waits to be taken.
    void attempt();
    // Main thread, never waits: true when an attempt has opened a device that
    // has called back. It is then the caller's: open and running.
    bool take();
    // Main thread: ends the worker. It closes what it was handed and a device
    // opened and not taken, and is waited for a moment (100 ms); one still
    // inside a device call then is left behind (see above).
    // handOver starts a new worker.
    void stop();
    // Main thread: a worker left behind by stop is still inside a device call.
    // While it is, neither a device nor the backend may be touched.
    bool leftBehindBusy();

    // Tests: waits (up to timeoutMs) until no close or attempt is under way
    // or asked for; false on timeout.
    bool waitIdle(int32_t timeoutMs);
    // Tests: waits (up to timeoutMs) until a worker left behind has ended.
    bool waitLeftBehind(int32_t timeoutMs);

private:
    // The worker's state, shared with it: a worker left behind keeps it alive.
    struct Shared;
    void startWorker();

    std::shared_ptr<Shared> shared_;      // the running worker's; null when none runs
    std::shared_ptr<Shared> leftBehind_;  // the last worker left behind, until it has ended
    std::thread worker_;
};

}  // namespace sound
