#pragma once
// Writes finished frames (into ffmpeg's pipe, as PNG files) on a thread of
// its own, so that writing one frame overlaps drawing the next. One frame
// waits while another is written; a third waits for room.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class FrameWriter {
public:
    // Called on the writer's thread, frames in the order submitted; false
    // stops the writer (the callee keeps the reason).
    using Write = std::function<bool(const std::vector<uint8_t>& rgbaBottomUp)>;

    explicit FrameWriter(Write write);
    ~FrameWriter();  // cancel()
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Queues a frame, taking its bytes (`frame` is left with a spent buffer
    // to reuse). False once a write has failed.
    bool submit(std::vector<uint8_t>& frame);
    // Waits until every queued frame is written; false when a write failed.
    bool finish();
    // Drops what is queued, waits for the write in progress, and ends the thread.
    void cancel();

private:
    void run();
    void stop(bool dropQueued);

    Write write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint8_t> waiting_;
    std::vector<uint8_t> spare_;
    bool hasWaiting_ = false;
    bool closing_ = false;
    bool failed_ = false;
    std::thread thread_;
};
