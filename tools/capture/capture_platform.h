#pragma once
// The capture tool's platform: the window is an offscreen framebuffer of the
// capture size, messages never arrive, message boxes go to standard error,
// and the tick count is the capture clock, which the tool sets to the music
// time of each frame.
#include <cstdint>
#include <vector>

class OffscreenGl;

namespace capture {

// The size the next window gets (what the show is told it draws on), and
// the size and EGL device (OffscreenGl::kAnyDevice: the preferred one) of the
// context's own framebuffer, which holds the output frames.
void setFrameSize(int32_t width, int32_t height);
void setContextTarget(int32_t outputWidth, int32_t outputHeight, int32_t deviceIndex);
// What tickCount answers from now on (milliseconds of music time).
void setClockMs(uint32_t clockMs);
// The rendering context; null before the window opens.
OffscreenGl* context();
// The largest framebuffer side (width or height) the renderer of that device
// takes, from a throwaway context; 0 when no context can be made.
int32_t largestFramebufferSide(int32_t deviceIndex);
// Whether the rendering context could be created, and why not.
const char* contextError();

}  // namespace capture
