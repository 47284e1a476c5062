#pragma once
// Bringing the show to a music position without showing the way there.
//
// The scenes build their state from every frame before (spin, depth, wobble,
// text alpha, veils, the rising hearts), so a position is reached by
// replaying the show from its start, frame by frame on a fixed frame clock,
// stepping each part's state without drawing (advanceFrame). Replaying at the
// frame clock of a capture gives exactly the state a capture from the start
// has at that frame; the capture tool and the developer transport share it.
#include <cstdint>
#include <functional>

// Frame k of a show paced at fps frames a second shows the music at
// k * 1000 / fps milliseconds, that is sample frame k * sampleRate / fps.
class FrameClock {
public:
    static constexpr int64_t kSampleRate = 44100;  // sample frames a second of the music

    explicit FrameClock(int32_t fps) : fps_(fps) {}
    int32_t fps() const { return static_cast<int32_t>(fps_); }
    int64_t sampleFrameOf(int64_t frame) const { return frame * kSampleRate / fps_; }
    uint32_t musicMsOf(int64_t frame) const { return static_cast<uint32_t>(frame * 1000 / fps_); }
    // Milliseconds between frame - 1 and frame: the elapsedMs the parts get.
    int32_t elapsedMsOf(int64_t frame) const {
        return frame <= 0 ? 0 : static_cast<int32_t>(musicMsOf(frame) - musicMsOf(frame - 1));
    }
    // The first frame showing sampleFrame or later.
    int64_t firstFrameAt(int64_t sampleFrame) const { return (sampleFrame * fps_ + kSampleRate - 1) / kSampleRate; }

private:
    int64_t fps_;
};

// Puts frame k in place before it is stepped or drawn: the music position the
// parts will read and demoSystem.frameTime (the capture's clock, or a
// replay's own).
using EnterFrame = std::function<void(int64_t frame)>;

// Restarts the show (restartShow) and steps frames 0 to frame - 1 without
// drawing, so that the next frame drawn, `frame`, looks as it does when the
// show has played through. Frames are at most 1000 / fps ms apart.
void replayShowTo(int64_t frame, const EnterFrame& enterFrame);
// Steps frames first to end - 1 without drawing, from where the show stands.
void stepShowFrames(int64_t first, int64_t end, const EnterFrame& enterFrame);
