#include "sound/device_reopener.h"

#include <chrono>

namespace sound {

namespace {

// A device opened that has not called back within this long is given up.
constexpr auto kFirstCallbackTimeout = std::chrono::seconds(2);
constexpr auto kFirstCallbackPoll = std::chrono::milliseconds(5);

}  // namespace

void DeviceReopener::handOver(const DeviceRequest& request) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        request_ = request;
        closeWanted_ = true;
        attemptWanted_ = true;
        if (!worker_.joinable()) {
            stopping_ = false;
            worker_ = std::thread([this] { run(); });
        }
    }
    changed_.notify_all();
}

void DeviceReopener::attempt() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!worker_.joinable() || busy_ || opened_.load(std::memory_order_acquire)) return;
        attemptWanted_ = true;
    }
    changed_.notify_all();
}

bool DeviceReopener::take() { return opened_.exchange(false, std::memory_order_acq_rel); }

void DeviceReopener::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!worker_.joinable()) return;
        stopping_ = true;
        attemptWanted_ = false;
    }
    changed_.notify_all();
    worker_.join();
    if (opened_.exchange(false, std::memory_order_acq_rel)) platform::closeAudioDevice();
}

bool DeviceReopener::waitIdle(int32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return !busy_ && !closeWanted_ && !attemptWanted_; });
}

void DeviceReopener::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || closeWanted_ || attemptWanted_; });
        busy_ = true;
        if (closeWanted_) {
            // Even when stopping: the lost device is the worker's to close.
            closeWanted_ = false;
            lock.unlock();
            platform::closeAudioDevice();
            lock.lock();
        } else if (stopping_) {
            busy_ = false;
            changed_.notify_all();
            return;
        } else {
            attemptWanted_ = false;
            const DeviceRequest request = request_;
            lock.unlock();
            const bool opened = openAndWaitForCallback(request);
            lock.lock();
            if (opened) opened_.store(true, std::memory_order_release);
        }
        busy_ = false;
        changed_.notify_all();
    }
}

bool DeviceReopener::openAndWaitForCallback(const DeviceRequest& request) {
    platform::AudioDeviceInfo obtained;
    if (!platform::openAudioDevice(request.sampleRate, 2, request.bufferFrames, request.callback, request.user,
                                   obtained)) {
        return false;
    }
    platform::pauseAudioDevice(false);
    const auto giveUp = std::chrono::steady_clock::now() + kFirstCallbackTimeout;
    for (;;) {
        const platform::AudioDevicePosition position = platform::audioDevicePosition();
        if (position.lost) break;
        if (position.framesRendered > 0) return true;
        std::unique_lock<std::mutex> lock(mutex_);
        if (changed_.wait_for(lock, kFirstCallbackPoll, [this] { return stopping_; })) break;
        if (std::chrono::steady_clock::now() > giveUp) break;
    }
    platform::closeAudioDevice();
    return false;
}

}  // namespace sound
