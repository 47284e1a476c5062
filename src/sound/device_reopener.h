#pragma once
// Opening the audio device again after it was lost, away from the main thread.
//
// Closing a lost device waits for its thread, and opening one can wait for a
// sound server that does not answer: seconds in which the main thread must go
// on drawing frames. So a worker owns each attempt: it closes the lost device
// (once), opens the default one with the layer's callback, which gives
// silence until the main thread takes the device, starts it and waits for it
// to call back. Only a device that has called back is handed over: a server
// that accepts a device and never plays it costs a failed attempt, not a
// second stand-still of the music.
//
// The main thread paces the attempts (it owns the layer's clock) and picks up
// a device with take(), which never waits. The worker starts with the first
// loss, so a run that never loses its device costs no thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/audio_device.h"

namespace sound {

// How the next device is opened: as the lost one was.
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
    // Main thread: one more attempt; none while one is under way or an opened
    // device waits to be taken.
    void attempt();
    // Main thread, never waits: true when an attempt has opened a device that
    // has called back. It is then the caller's: open and running.
    bool take();
    // Main thread: waits for the attempt under way, closes a device opened and
    // not taken, and ends the worker. Afterwards no device of the worker's is
    // open; handOver starts a new worker.
    void stop();

    // Tests: waits (up to timeoutMs) until no close or attempt is under way
    // or asked for; false on timeout.
    bool waitIdle(int32_t timeoutMs);

private:
    void run();
    // Worker: opens the default device and waits for its first callback;
    // false (and nothing open) when it does not open or does not call back.
    bool openAndWaitForCallback(const DeviceRequest& request);

    std::mutex mutex_;  // never held across a platform call
    std::condition_variable changed_;
    DeviceRequest request_;
    bool closeWanted_ = false;
    bool attemptWanted_ = false;
    bool busy_ = false;
    bool stopping_ = false;
    std::atomic<bool> opened_{false};  // a device waits to be taken
    std::thread worker_;
};

}  // namespace sound
