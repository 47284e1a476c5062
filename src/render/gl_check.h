#pragma once
// The per-frame GL error check: in debug builds, and wherever VEXEL_GL_CHECK=1
// is set (the tests and the soak run), once per drawn frame.
#include <cstdint>

// Reads glGetError until it is clear; the first error of the frame goes to
// the log and to stderr as "GL: error 0x%04X in frame %llu". Counts frames
// drawn and frames with errors. A no-op when the check is off.
void checkFrameGlErrors();

// Frames that ended with at least one GL error, since the program started.
uint64_t glErrorFrameCount();
