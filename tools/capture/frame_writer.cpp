#include "frame_writer.h"

#include <utility>

FrameWriter::FrameWriter(Write write) : write_(std::move(write)), thread_([this] { run(); }) {}

FrameWriter::~FrameWriter() { cancel(); }

bool FrameWriter::submit(std::vector<uint8_t>& frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !hasWaiting_ || failed_; });
    if (failed_) {
        return false;
    }
    std::swap(waiting_, frame);
    hasWaiting_ = true;
    if (!spare_.empty()) {
        std::swap(frame, spare_);  // the buffer last written: no new allocation a frame
    }
    changed_.notify_all();
    return true;
}

bool FrameWriter::finish() {
    stop(false);
    return !failed_;
}

void FrameWriter::cancel() { stop(true); }

void FrameWriter::stop(bool dropQueued) {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        if (dropQueued) {
            hasWaiting_ = false;
        }
        changed_.notify_all();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FrameWriter::run() {
    std::vector<uint8_t> frame;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (!frame.empty()) {
                std::swap(spare_, frame);
            }
            changed_.wait(lock, [this] { return hasWaiting_ || closing_; });
            if (!hasWaiting_ || failed_) {
                return;
            }
            std::swap(frame, waiting_);
            hasWaiting_ = false;
            changed_.notify_all();
        }
        if (!write_(frame)) {
            std::lock_guard lock(mutex_);
            failed_ = true;
            hasWaiting_ = false;
            changed_.notify_all();
            return;
        }
    }
}
