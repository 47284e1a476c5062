#include "app/frame_pacer.h"

#include "platform/platform.h"

namespace {

// What is left to the yielding loop after the sleep: the system timer may
// wake a sleeper up to about a millisecond late.
constexpr uint64_t spinMs = 1;

}  // namespace

bool vsyncPacing = false;

uint64_t framePeriodTicks(int32_t refreshHz, uint64_t ticksPerSecond) {
    const uint64_t hz = static_cast<uint64_t>(refreshHz > 0 ? refreshHz : assumedRefreshHz) + 1;
    return ticksPerSecond / hz;
}

void FramePacer::endFrame(int32_t refreshHz) {
    const uint64_t ticksPerSecond = platform::performanceFrequency();
    // The period at the display's rate now: a window moved to another
    // display is paced to it from its next frame.
    const uint64_t nextFrameTick = frameStartTick + framePeriodTicks(refreshHz, ticksPerSecond);
    const uint64_t now = platform::performanceCounter();
    if (!started || now >= nextFrameTick) {
        // Late, or the swap itself waited for the refresh: the next frame
        // counts from now.
        started = true;
        frameStartTick = now;
        return;
    }
    const uint64_t ticksPerMs = ticksPerSecond / 1000 > 0 ? ticksPerSecond / 1000 : 1;
    const uint64_t restMs = (nextFrameTick - now) / ticksPerMs;
    if (restMs > spinMs) {
        platform::sleepMs(static_cast<uint32_t>(restMs - spinMs));
    }
    while (platform::performanceCounter() < nextFrameTick) {
        platform::yieldThread();
    }
    // The frame begins on the period's boundary, so wake-up lateness does
    // not add up over frames.
    frameStartTick = nextFrameTick;
}
