#pragma once
// --vsync: frames at most one a display refresh, also where the buffer swap
// does not wait for one (a software renderer, a virtual machine without 3D, a
// driver with vsync forced off): after each swap the show waits out the rest
// of the refresh period itself. Only the drawing waits; the music runs on its
// own clock and the scenes follow it, so nothing is timed by the frames.
#include <cstdint>

// Set from --vsync before the window opens. true: openWindow asks for swaps
// on the refresh (adaptive where the driver offers it, else every refresh)
// and the main loop paces each frame with a FramePacer. false, the default:
// no swap interval is set, so the driver's own stands, and nothing waits:
// frames follow each other as fast as the buffer swap allows.
extern bool vsyncPacing;

// The refresh rate paced to where the platform reports none.
constexpr int32_t assumedRefreshHz = 60;

// The shortest time between two frames, in ticks of a timer running at
// ticksPerSecond, for a display reported at refreshHz (0: not reported). The
// reported rate is a whole number, rounded or cut off (Windows reports a
// 59.94 Hz mode as 59), so frames are paced to one refresh a second more:
// where the swap does wait for the refresh, pacing never holds a frame past
// the next one.
uint64_t framePeriodTicks(int32_t refreshHz, uint64_t ticksPerSecond);

class FramePacer {
public:
    // After each swap: returns once a frame period has passed since the last
    // frame began, sleeping most of the rest and yielding through the last
    // millisecond on the fine timer. A frame that took longer is not held,
    // and its lateness is not made up by shorter frames after it.
    void endFrame(int32_t refreshHz);

private:
    bool started = false;
    uint64_t frameStartTick = 0;  // when the last frame began, on the platform's fine timer
};
