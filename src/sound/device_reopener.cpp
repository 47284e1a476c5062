#include "sound/device_reopener.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace sound {

namespace {

// A device opened that has not called back within this long is given up.
constexpr auto kFirstCallbackTimeout = std::chrono::seconds(2);
constexpr auto kFirstCallbackPoll = std::chrono::milliseconds(5);
// How long stop waits for the worker. A close of a device that answers takes
// a buffer or two (tens of milliseconds); a worker not done by then waits for
// a device that does not answer, and the show does not wait with it.
constexpr auto kStopDeadline = std::chrono::milliseconds(100);

}  // namespace

struct DeviceReopener::Shared {
    std::mutex mutex;  // never held across a platform call
    std::condition_variable changed;
    DeviceRequest request;
    bool closeWanted = false;
    bool attemptWanted = false;
    bool busy = false;
    bool stopping = false;
    bool ended = false;
    std::atomic<bool> opened{false};  // a device waits to be taken

    void run();
    // Opens the default device and waits for its first callback; false (and
    // nothing open) when it does not open, does not call back, or stop came.
    bool openAndWaitForCallback(const DeviceRequest& request);
};

void DeviceReopener::startWorker() {
    if (worker_.joinable()) return;
    // A worker left behind is still in a device call only where the layer
    // had no device to hand over: it opens none while one is out.
    shared_ = std::make_shared<Shared>();
    worker_ = std::thread([shared = shared_] { shared->run(); });
}

void DeviceReopener::handOver(const DeviceRequest& request) {
    startWorker();
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->request = request;
        shared_->closeWanted = true;
        shared_->attemptWanted = true;
    }
    shared_->changed.notify_all();
}

void DeviceReopener::handOverToClose() {
    startWorker();
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->closeWanted = true;
        shared_->attemptWanted = false;
    }
    shared_->changed.notify_all();
}

void DeviceReopener::attempt() {
    if (!shared_) return;
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->busy || shared_->opened.load(std::memory_order_acquire)) return;
        shared_->attemptWanted = true;
    }
    shared_->changed.notify_all();
}

bool DeviceReopener::take() { return shared_ && shared_->opened.exchange(false, std::memory_order_acq_rel); }

void DeviceReopener::stop() {
    if (!shared_) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
    shared_->attemptWanted = false;
    shared_->changed.notify_all();
    const bool ended = shared_->changed.wait_for(lock, kStopDeadline, [this] { return shared_->ended; });
    lock.unlock();
    if (ended) {
        worker_.join();
    } else {
        worker_.detach();
        leftBehind_ = shared_;
    }
    shared_.reset();
}

bool DeviceReopener::leftBehindBusy() {
    if (!leftBehind_) return false;
    {
        const std::lock_guard<std::mutex> lock(leftBehind_->mutex);
        if (!leftBehind_->ended) return true;
    }
    leftBehind_.reset();
    return false;
}

bool DeviceReopener::waitIdle(int32_t timeoutMs) {
    if (!shared_) return true;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    return shared_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return !shared_->busy && !shared_->closeWanted && !shared_->attemptWanted;
    });
}

bool DeviceReopener::waitLeftBehind(int32_t timeoutMs) {
    if (!leftBehind_) return true;
    std::unique_lock<std::mutex> lock(leftBehind_->mutex);
    return leftBehind_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                         [this] { return leftBehind_->ended; });
}

void DeviceReopener::Shared::run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || closeWanted || attemptWanted; });
        busy = true;
        if (closeWanted) {
            // Even when stopping: the device handed over is the worker's to close.
            closeWanted = false;
            lock.unlock();
            platform::closeAudioDevice();
            lock.lock();
        } else if (stopping) {
            // A device opened and not taken is closed here, not by the caller.
            if (opened.exchange(false, std::memory_order_acq_rel)) {
                lock.unlock();
                platform::closeAudioDevice();
                lock.lock();
            }
            busy = false;
            ended = true;
            changed.notify_all();
            return;
        } else {
            attemptWanted = false;
            const DeviceRequest next = request;
            lock.unlock();
            const bool ok = openAndWaitForCallback(next);
            lock.lock();
            if (ok) opened.store(true, std::memory_order_release);
        }
        busy = false;
        changed.notify_all();
    }
}

bool DeviceReopener::Shared::openAndWaitForCallback(const DeviceRequest& next) {
    platform::AudioDeviceInfo obtained;
    if (!platform::openAudioDevice(next.sampleRate, 2, next.bufferFrames, next.callback, next.user, obtained)) {
        return false;
    }
    bool stopped = false;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopped = stopping;
    }
    // Stopped while the open waited (the layer may be gone by now): the
    // device is closed without ever having called back.
    if (!stopped) platform::pauseAudioDevice(false);
    const auto giveUp = std::chrono::steady_clock::now() + kFirstCallbackTimeout;
    while (!stopped) {
        const platform::AudioDevicePosition position = platform::audioDevicePosition();
        if (position.lost) break;
        if (position.framesRendered > 0) return true;
        std::unique_lock<std::mutex> lock(mutex);
        stopped = changed.wait_for(lock, kFirstCallbackPoll, [this] { return stopping; });
        if (std::chrono::steady_clock::now() > giveUp) break;
    }
    platform::closeAudioDevice();
    return false;
}

}  // namespace sound
