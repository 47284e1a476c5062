// The lock-free timeline of module positions by output frame.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "sound/position_timeline.h"

namespace {

using sound::ModulePosition;
using sound::PositionTimeline;

// Entry i starts at frame 32 * i and says (order i / 64, row i % 64).
ModulePosition positionOfEntry(uint64_t i) {
    return {static_cast<int32_t>(i / 64), static_cast<int32_t>(i % 64)};
}

TEST(PositionTimeline, NothingBeforeTheFirstEntry) {
    auto timeline = std::make_unique<PositionTimeline>();
    ModulePosition position{9, 9};
    EXPECT_FALSE(timeline->lookup(1000, position));
    timeline->record(100, {0, 1});
    EXPECT_FALSE(timeline->lookup(99, position));
    EXPECT_EQ(position, (ModulePosition{9, 9}));  // untouched
}

TEST(PositionTimeline, EntryHoldsFromItsFrameUntilTheNext) {
    auto timeline = std::make_unique<PositionTimeline>();
    timeline->record(100, {0, 1});
    timeline->record(132, {0, 2});
    timeline->record(164, {1, 0});
    ModulePosition position;
    ASSERT_TRUE(timeline->lookup(100, position));
    EXPECT_EQ(position, (ModulePosition{0, 1}));
    ASSERT_TRUE(timeline->lookup(131, position));
    EXPECT_EQ(position, (ModulePosition{0, 1}));
    ASSERT_TRUE(timeline->lookup(132, position));
    EXPECT_EQ(position, (ModulePosition{0, 2}));
    ASSERT_TRUE(timeline->lookup(1'000'000, position));  // past the newest: the newest
    EXPECT_EQ(position, (ModulePosition{1, 0}));
}

TEST(PositionTimeline, LargeOrdersAndRowsSurvive) {
    auto timeline = std::make_unique<PositionTimeline>();
    timeline->record(0, {255, 1023});
    ModulePosition position;
    ASSERT_TRUE(timeline->lookup(0, position));
    EXPECT_EQ(position, (ModulePosition{255, 1023}));
}

TEST(PositionTimeline, AfterWrappingRecentFramesStayExact) {
    auto timeline = std::make_unique<PositionTimeline>();
    const uint64_t count = PositionTimeline::kCapacity * 3 + 17;
    for (uint64_t i = 0; i < count; ++i) timeline->record(static_cast<int64_t>(i * 32), positionOfEntry(i));
    ModulePosition position;
    for (uint64_t i = count - PositionTimeline::kCapacity / 2; i < count; i += 7) {
        ASSERT_TRUE(timeline->lookup(static_cast<int64_t>(i * 32 + 5), position));
        EXPECT_EQ(position, positionOfEntry(i)) << "entry " << i;
    }
    // Older than anything kept: the oldest entry searched stands in.
    ASSERT_TRUE(timeline->lookup(0, position));
    EXPECT_EQ(position, positionOfEntry(count - PositionTimeline::kCapacity / 2));
}

// One writer records as fast as it can while a reader looks up frames just
// behind it, as the main thread does behind the audio thread. The writer stays
// within 1500 entries of the reader, as the device buffer keeps the audio
// thread within a few hundred. Every answer must be the entry for the frame
// asked, never a torn or stale one.
TEST(PositionTimeline, ReaderBehindAConcurrentWriterSeesConsistentEntries) {
    auto timeline = std::make_unique<PositionTimeline>();
    std::atomic<uint64_t> published{0};
    std::atomic<uint64_t> readerAt{0};
    constexpr uint64_t kEntries = 300'000;
    std::thread writer([&] {
        for (uint64_t i = 0; i < kEntries; ++i) {
            while (i > readerAt.load(std::memory_order_acquire) + 1500) std::this_thread::yield();
            timeline->record(static_cast<int64_t>(i * 32), positionOfEntry(i));
            published.store(i + 1, std::memory_order_release);
        }
    });
    uint64_t checked = 0;
    uint64_t mismatches = 0;
    for (;;) {
        const uint64_t newest = published.load(std::memory_order_acquire);
        if (newest == kEntries) break;
        if (newest < 100) continue;
        const uint64_t asked = newest - 1 - (checked % 90);  // up to 90 entries behind
        readerAt.store(asked, std::memory_order_release);
        ModulePosition position;
        if (!timeline->lookup(static_cast<int64_t>(asked * 32 + 31), position) ||
            !(position == positionOfEntry(asked))) {
            ++mismatches;
        }
        ++checked;
    }
    readerAt.store(kEntries, std::memory_order_release);
    writer.join();
    EXPECT_GT(checked, 0u);
    EXPECT_EQ(mismatches, 0u) << "of " << checked << " lookups";
}

}  // namespace
