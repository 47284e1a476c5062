#pragma once
// The capture tool's platform: the window is an offscreen framebuffer of the
// capture size, messages never arrive, message boxes go to standard error,
// and the tick count is the capture clock, which the tool sets to the music
// time of each frame.
#include <cstdint>
#include <vector>

namespace capture {

// The size of the framebuffer the next window gets.
void setFrameSize(int32_t width, int32_t height);
// What tickCount answers from now on (milliseconds of music time).
void setClockMs(uint32_t clockMs);
// The last rendered frame as RGBA8, bottom row first. Empty before the
// rendering context exists.
std::vector<uint8_t> readFrame();
// The largest framebuffer side (width or height) this renderer takes, from a
// throwaway context; 0 when no context can be made.
int32_t largestFramebufferSide();
// Whether the rendering context could be created, and why not.
const char* contextError();

}  // namespace capture
