#pragma once
// Where a playing module was, sample frame by sample frame.
//
// The mixer (audio thread, the one writer) records one entry per render chunk:
// "from output frame F on, the module is at (order, row)". The main thread (the
// one reader) asks for the entry in force at the frame now at the speaker. No
// locks and no allocation: a fixed ring of atomics, published by a release
// store of the entry count, with the reader checking afterwards that the writer
// has not lapped the entries it read.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>

#include "sound/module_render.h"

namespace sound {

class PositionTimeline {
public:
    // 4096 entries of 32 frames each hold about 3 s of sound at 44.1 kHz,
    // far more than any device keeps buffered.
    static constexpr uint64_t kCapacity = 4096;

    // Writer side (audio thread). Frames must not decrease from call to call.
    // moduleFrame: the module's own time at startFrame, which runs on with
    // the output frames unless paused.
    void record(int64_t startFrame, ModulePosition position, int64_t moduleFrame = 0, bool paused = false) {
        const uint64_t index = written_.load(std::memory_order_relaxed);
        Slot& slot = slots_[index % kCapacity];
        slot.frame.store(startFrame, std::memory_order_relaxed);
        slot.position.store(pack(position), std::memory_order_relaxed);
        slot.moduleFrame.store(paused ? -moduleFrame - 1 : moduleFrame, std::memory_order_relaxed);
        written_.store(index + 1, std::memory_order_release);
    }

    // Reader side: the module's own time at outputFrame. False as lookup.
    bool lookupModuleFrame(int64_t outputFrame, int64_t& moduleFrame) const {
        int64_t entryFrame = 0;
        int64_t stored = 0;
        if (!find(outputFrame, nullptr, &entryFrame, &stored)) return false;
        moduleFrame = stored < 0 ? -stored - 1 : stored + std::max<int64_t>(outputFrame - entryFrame, 0);
        return true;
    }

    // Reader side (any one thread). The position in force at outputFrame: that
    // of the latest entry starting at or before it. False when no entry starts
    // at or before it (the module is not audible yet).
    bool lookup(int64_t outputFrame, ModulePosition& position) const {
        return find(outputFrame, &position, nullptr, nullptr);
    }

    uint64_t entryCount() const { return written_.load(std::memory_order_acquire); }

private:
    // The entry in force at outputFrame: its position, start frame and
    // stored module frame, each where asked for.
    bool find(int64_t outputFrame, ModulePosition* position, int64_t* entryFrame, int64_t* moduleFrame) const {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const uint64_t count = written_.load(std::memory_order_acquire);
            if (count == 0) return false;
            // Search only the newer half of the ring, so the writer must add
            // kCapacity / 2 entries during the search before a read slot can be
            // overwritten; that is checked below.
            const uint64_t oldest = count > kCapacity / 2 ? count - kCapacity / 2 : 0;
            uint64_t lo = oldest, hi = count;  // answer: last index in [lo, hi) with frame <= outputFrame
            if (frameAt(lo) > outputFrame) {
                if (!stillValid(oldest)) continue;
                if (oldest > 0) {
                    // Older than anything kept: the oldest kept entry is the best answer.
                    read(oldest, position, entryFrame, moduleFrame);
                    if (!stillValid(oldest)) continue;
                    return true;
                }
                return false;
            }
            while (hi - lo > 1) {
                const uint64_t mid = lo + (hi - lo) / 2;
                if (frameAt(mid) <= outputFrame) {
                    lo = mid;
                } else {
                    hi = mid;
                }
            }
            read(lo, position, entryFrame, moduleFrame);
            if (!stillValid(oldest)) continue;
            return true;
        }
        return false;
    }

    struct Slot {
        std::atomic<int64_t> frame{0};
        std::atomic<uint32_t> position{0};
        std::atomic<int64_t> moduleFrame{0};  // negative: -(frame + 1), paused there
    };

    void read(uint64_t index, ModulePosition* position, int64_t* entryFrame, int64_t* moduleFrame) const {
        const Slot& slot = slots_[index % kCapacity];
        if (position != nullptr) *position = unpack(slot.position.load(std::memory_order_relaxed));
        if (entryFrame != nullptr) *entryFrame = slot.frame.load(std::memory_order_relaxed);
        if (moduleFrame != nullptr) *moduleFrame = slot.moduleFrame.load(std::memory_order_relaxed);
    }

    int64_t frameAt(uint64_t index) const {
        return slots_[index % kCapacity].frame.load(std::memory_order_relaxed);
    }
    // True while the writer has not come round to the slot of oldestRead again.
    bool stillValid(uint64_t oldestRead) const {
        std::atomic_thread_fence(std::memory_order_acquire);
        return written_.load(std::memory_order_relaxed) - oldestRead < kCapacity;
    }
    // Order in the high 16 bits, row in the low 16 (both fit: libopenmpt limits
    // orders and rows far below 65536).
    static uint32_t pack(ModulePosition p) {
        return (static_cast<uint32_t>(p.order & 0xFFFF) << 16) | static_cast<uint32_t>(p.row & 0xFFFF);
    }
    static ModulePosition unpack(uint32_t v) {
        return {static_cast<int32_t>(v >> 16), static_cast<int32_t>(v & 0xFFFF)};
    }

    std::array<Slot, kCapacity> slots_{};
    std::atomic<uint64_t> written_{0};
};

}  // namespace sound
