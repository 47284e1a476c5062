#pragma once
// The capture tool's sound layer: the module is rendered offline by the same
// libopenmpt renderer the live player uses, and order and row are answered
// for the sample frame the capture is showing, not for a device.
#include <cstdint>
#include <span>
#include <string>

#include "sound/module_render.h"

namespace capture {

constexpr int32_t kSampleRate = 44100;

// The sample frame the picture shows; order and row queries answer for it.
void setSpeakerFrame(int64_t sampleFrame);
// Renders the loaded module at least up to endFrame (it loops for ever).
// False when no module is loaded or a stop signal came.
bool renderUpTo(int64_t endFrame);
// Interleaved stereo samples rendered so far, from the module's first frame.
std::span<const int16_t> samples();
// The position reported for a sample frame rendered so far.
sound::ModulePosition positionAt(int64_t sampleFrame);
// The first rendered sample frame reporting (order, row), searching up to
// limitFrame (rendering as needed); -1 when the module never gets there.
int64_t firstFrameOf(int32_t order, int32_t row, int64_t limitFrame);
// Seconds of one pass through the song.
double firstPassSeconds();

}  // namespace capture
