#pragma once
// Transport jumps of a playing module, prepared away from the audio thread.
//
// libopenmpt moves a module by simulating the song from its start up to the
// target: milliseconds, more the later the target, which the audio callback
// cannot spend. So a second renderer of the same module is moved on a worker
// thread and handed to the mixer through one slot, which the mixer takes at
// the start of a call, between two buffers, without a lock and without
// allocating or freeing: it swaps its renderer for the prepared one, and the
// one it gave up goes back to the worker to be moved for the next jump.
//
// The worker starts with the first request, so a module that is never moved
// costs no thread. Only the latest request counts: a newer one replaces one
// still waiting, and one that was taken in between is followed by the newer.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "sound/module_render.h"

namespace sound {

class JumpPreparer {
public:
    // The module's file bytes (kept for a second renderer) and its mix rate.
    JumpPreparer(std::shared_ptr<const std::vector<std::byte>> bytes, int32_t sampleRate);
    ~JumpPreparer();  // waits for a preparation in progress
    JumpPreparer(const JumpPreparer&) = delete;
    JumpPreparer& operator=(const JumpPreparer&) = delete;

    // Main thread: a jump to position, module time moduleFrame there; serial
    // tells this request from earlier ones (the caller's count).
    void request(ModulePosition position, int64_t moduleFrame, uint64_t serial);

    struct Taken {
        ModulePosition position;
        int64_t moduleFrame = 0;
        uint64_t serial = 0;
    };
    // Mixer: when a prepared renderer is waiting, swaps it into current and
    // says which jump it is. Lock-free; no allocation, nothing freed.
    std::optional<Taken> take(std::unique_ptr<ModuleRenderer>& current);

    // Main thread: the latest request that could not be prepared (libopenmpt
    // refused the module or the position); 0 for none.
    uint64_t givenUpSerial() const { return givenUpSerial_.load(std::memory_order_acquire); }

    // Tests: waits (up to timeoutMs) until the latest request is waiting
    // for the mixer or was taken; false on timeout.
    bool waitPrepared(int32_t timeoutMs);

private:
    // The slot between the worker and the mixer.
    enum SlotState : int { Empty = 0, Ready = 1, Taking = 2, Returned = 3 };
    struct Request {
        ModulePosition position;
        int64_t moduleFrame = 0;
        uint64_t serial = 0;
    };

    void run();
    // Worker: takes back what is in the slot (a prepared renderer not taken,
    // or the one the mixer gave up) as the spare to move next.
    void reclaimSlot();

    const std::shared_ptr<const std::vector<std::byte>> bytes_;
    const int32_t sampleRate_;

    std::atomic<int> slot_{Empty};
    std::unique_ptr<ModuleRenderer> slotRenderer_;  // Ready: the prepared one; Returned: the mixer's old one
    Request slotRequest_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Request> pending_;  // the latest request not yet prepared
    uint64_t requestedSerial_ = 0;
    uint64_t preparedSerial_ = 0;     // the latest request put in the slot (or given up)
    bool stopping_ = false;
    std::atomic<uint64_t> givenUpSerial_{0};
    std::unique_ptr<ModuleRenderer> spare_;  // worker's
    std::thread worker_;
};

}  // namespace sound
