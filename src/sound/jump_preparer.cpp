#include "sound/jump_preparer.h"

#include <chrono>
#include <utility>

namespace sound {

JumpPreparer::JumpPreparer(std::shared_ptr<const std::vector<std::byte>> bytes, int32_t sampleRate)
    : bytes_(std::move(bytes)), sampleRate_(sampleRate) {}

JumpPreparer::~JumpPreparer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void JumpPreparer::request(ModulePosition position, int64_t moduleFrame, uint64_t serial) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = Request{position, moduleFrame, serial};
        requestedSerial_ = serial;
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

std::optional<JumpPreparer::Taken> JumpPreparer::take(std::unique_ptr<ModuleRenderer>& current) {
    int expected = Ready;
    if (!slot_.compare_exchange_strong(expected, Taking, std::memory_order_acquire)) return std::nullopt;
    current.swap(slotRenderer_);  // the old renderer stays in the slot, for the worker
    const Taken taken{slotRequest_.position, slotRequest_.moduleFrame, slotRequest_.serial};
    slot_.store(Returned, std::memory_order_release);
    return taken;
}

void JumpPreparer::reclaimSlot() {
    for (;;) {
        int state = slot_.load(std::memory_order_acquire);
        if (state == Empty) return;
        if (state == Taking) {  // the mixer is swapping: a few instructions
            std::this_thread::yield();
            continue;
        }
        // Ready (not taken yet: a newer request replaces it) or Returned.
        if (slot_.compare_exchange_strong(state, Empty, std::memory_order_acquire)) {
            if (!spare_) spare_ = std::move(slotRenderer_);
            slotRenderer_.reset();
            return;
        }
    }
}

void JumpPreparer::run() {
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_) return;
            request = *pending_;
            pending_.reset();
        }
        reclaimSlot();
        if (!spare_) spare_ = ModuleRenderer::open(*bytes_, sampleRate_, -1);
        if (spare_ && spare_->setPosition(request.position)) {
            slotRenderer_ = std::move(spare_);
            slotRequest_ = request;
            slot_.store(Ready, std::memory_order_release);
        } else {
            // A module libopenmpt cannot open again, or a position it
            // refuses: the jump is given up and the module plays on.
            givenUpSerial_.store(request.serial, std::memory_order_release);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            preparedSerial_ = request.serial;
        }
        changed_.notify_all();
    }
}

bool JumpPreparer::waitPrepared(int32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return preparedSerial_ == requestedSerial_; });
}

}  // namespace sound
