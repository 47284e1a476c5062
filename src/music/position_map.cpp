#include "music/position_map.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"
#include "sound/offline_render.h"
#include "sound/sound.h"

namespace {

constexpr int32_t kWorkerNiceSteps = 10;  // added to the main thread's nice value

// The worker renders this far ahead of the last query, and two passes to
// begin with, so that the transport's seeks past the end find the loop.
constexpr int64_t kAheadFrames = 30 * PositionMap::kSampleRate;
constexpr int64_t kSliceFrames = 8192;  // rendered between looks at the queue

}  // namespace

PositionMap::PositionMap(std::string modulePath)
    : worker_([this, path = std::move(modulePath)]() mutable { renderLoop(std::move(path)); }) {}

PositionMap::PositionMap(ScoreClock) : scoreClock_(true) {}

PositionMap::~PositionMap() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void PositionMap::renderLoop(std::string modulePath) {
    platform::lowerThreadPriority(kWorkerNiceSteps);
    // -1: the module loops for ever, as the player plays it.
    sound::OfflineRender render(modulePath, -1);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        opened_ = true;
        failed_ = !render.ok();
        if (!failed_) {
            passFrames_ = static_cast<int64_t>(render.durationSeconds() * kSampleRate);
            wantedFrames_ = std::max(wantedFrames_, 2 * passFrames_ + kAheadFrames);
            runs_.push_back({0, render.startPosition()});
        }
    }
    changed_.notify_all();
    if (!render.ok()) return;

    std::vector<int16_t> samples;
    std::vector<sound::ModulePosition> positions;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || framesRendered_ < wantedFrames_; });
            if (stopping_) return;
        }
        samples.clear();
        positions.clear();
        const int64_t first = render.framesRendered();
        const int64_t added = render.render(kSliceFrames, samples, positions);
        std::lock_guard<std::mutex> lock(mutex_);
        for (int64_t i = 0; i < added; ++i) {
            if (!(positions[static_cast<size_t>(i)] == runs_.back().position)) {
                runs_.push_back({first + i, positions[static_cast<size_t>(i)]});
            }
        }
        framesRendered_ = first + added;
        if (added == 0) failed_ = true;  // a looping module does not end; stop waiting for it
        changed_.notify_all();
        if (failed_) return;
    }
}

void PositionMap::waitFor(std::unique_lock<std::mutex>& lock, int64_t frame) {
    if (frame + kAheadFrames > wantedFrames_) {
        wantedFrames_ = frame + kAheadFrames;
        changed_.notify_all();
    }
    changed_.wait(lock, [&] { return failed_ || (opened_ && framesRendered_ > frame); });
}

size_t PositionMap::runIndexAt(int64_t frame) const {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), frame,
                                        [](int64_t f, const Run& run) { return f < run.startFrame; });
    return after == runs_.begin() ? 0 : static_cast<size_t>(after - runs_.begin() - 1);
}

bool PositionMap::ok() {
    if (scoreClock_) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return opened_; });
    return !failed_ || !runs_.empty();
}

sound::ModulePosition PositionMap::at(int64_t moduleFrame) {
    if (scoreClock_) {
        const int64_t rows = std::max<int64_t>(moduleFrame, 0) / sound::ScoreRowFrames;
        return {static_cast<int32_t>(rows / sound::ScoreRowsPerOrder),
                static_cast<int32_t>(rows % sound::ScoreRowsPerOrder)};
    }
    std::unique_lock<std::mutex> lock(mutex_);
    waitFor(lock, std::max<int64_t>(moduleFrame, 0));
    if (runs_.empty()) return {};
    return runs_[runIndexAt(moduleFrame)].position;
}

int64_t PositionMap::firstFrameOf(sound::ModulePosition position) {
    if (scoreClock_) {
        if (position.order < 0 || position.row < 0 || position.row >= sound::ScoreRowsPerOrder) return -1;
        return (int64_t{position.order} * sound::ScoreRowsPerOrder + position.row) * sound::ScoreRowFrames;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    waitFor(lock, 0);
    if (passFrames_ < 0) return -1;
    // Searched as the render goes, so an early position needs no whole pass.
    size_t checked = 0;
    for (;;) {
        for (; checked < runs_.size(); ++checked) {
            if (runs_[checked].startFrame >= passFrames_) return -1;
            if (runs_[checked].position == position) return runs_[checked].startFrame;
        }
        if (failed_ || framesRendered_ >= passFrames_) return -1;
        waitFor(lock, framesRendered_);
    }
}

int64_t PositionMap::passFrames() {
    if (scoreClock_) return -1;
    std::unique_lock<std::mutex> lock(mutex_);
    waitFor(lock, 0);
    return passFrames_;
}

int64_t PositionMap::frameRowsAway(int64_t moduleFrame, int32_t rows) {
    if (scoreClock_) {
        const int64_t row = std::max<int64_t>(moduleFrame, 0) / sound::ScoreRowFrames + rows;
        return std::max<int64_t>(row, 0) * sound::ScoreRowFrames;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    // Rows are at least a few ms long: 64 rows is well inside the margin rendered ahead.
    waitFor(lock, std::max<int64_t>(moduleFrame, 0));
    if (runs_.empty()) return 0;
    const int64_t here = static_cast<int64_t>(runIndexAt(moduleFrame));
    int64_t target = here + rows;
    if (target <= 0) return 0;
    while (static_cast<size_t>(target) >= runs_.size() && !failed_) {
        waitFor(lock, framesRendered_ + kSliceFrames);
    }
    target = std::min<int64_t>(target, static_cast<int64_t>(runs_.size()) - 1);
    return runs_[static_cast<size_t>(target)].startFrame;
}
