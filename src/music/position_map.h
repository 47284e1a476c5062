#pragma once
// Where the show's module is at any moment of its own time: the (order, row)
// the player reports for each sample frame counted from the module's first
// frame, looping as the module loops. Built by rendering the module offline
// with the live player's renderer and chunking, so a position read here is
// the one the player and the capture tool report for the same frame.
//
// Rendering runs on a worker thread from construction (one pass of the show's
// module takes about a second of one core), below the main thread's priority
// so the frames keep theirs; a query beyond what is rendered waits for it.
// The transport seeks and the A/V offset read positions here.
//
// Without a module (music off, or the streamed file) the map is the sound
// layer's score clock instead: 120 ms a row, 64 rows an order, without end.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/module_render.h"

class PositionMap {
public:
    static constexpr int64_t kSampleRate = 44100;  // sample frames a second of module time

    explicit PositionMap(std::string modulePath);
    struct ScoreClock {};
    explicit PositionMap(ScoreClock);
    ~PositionMap();
    PositionMap(const PositionMap&) = delete;
    PositionMap& operator=(const PositionMap&) = delete;

    // False when the file is missing or not a module (known once the worker
    // has opened it; this waits for that).
    bool ok();
    // The position reported for moduleFrame; the start position for frames
    // before 0.
    sound::ModulePosition at(int64_t moduleFrame);
    // The first frame of (order, row) in the first pass; -1 when the first
    // pass never reports it.
    int64_t firstFrameOf(sound::ModulePosition position);
    // Frames of the first pass; the frame after it is where the module loops
    // to. -1 for the score clock, which has no end.
    int64_t passFrames();
    bool isScoreClock() const { return scoreClock_; }
    // The first frame `rows` row changes after (rows > 0) or before (rows < 0)
    // the row that moduleFrame lies in, clamped to frame 0.
    int64_t frameRowsAway(int64_t moduleFrame, int32_t rows);

private:
    // From startFrame on (to the next run) the player reports position.
    struct Run {
        int64_t startFrame;
        sound::ModulePosition position;
    };
    void renderLoop(std::string modulePath);
    // Waits until frame is rendered (or the worker gave up); the lock is held on return.
    void waitFor(std::unique_lock<std::mutex>& lock, int64_t frame);
    size_t runIndexAt(int64_t frame) const;  // the run in force at frame; runs_ not empty

    bool scoreClock_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Run> runs_;
    int64_t framesRendered_ = 0;
    int64_t passFrames_ = -1;     // known once opened
    int64_t wantedFrames_ = 0;    // the worker renders at least this far
    bool opened_ = false;         // the worker has tried to open the module
    bool failed_ = false;         // not a module, or rendering ended early
    bool stopping_ = false;
    std::thread worker_;
};
