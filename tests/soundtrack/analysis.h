#pragma once
// Measurements of a rendered soundtrack shared by the tests and the level
// report: per-order levels and how clearly the kick stands out on a row.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render.h"

namespace soundtrack {

// 6 ticks of 2.5/125 s at 44100 Hz: exactly 5292 frames a row.
constexpr size_t FramesPerRow = 5292;
constexpr size_t FramesPerOrder = FramesPerRow * 64;

std::vector<uint8_t> readFile(const std::string& path);  // empty when missing

// Levels of each whole order of a render that starts at order 0, row 0.
std::vector<render::Level> levelsPerOrder(std::span<const float> interleaved, int orderCount);

// Energy below about 150 Hz in the 40 ms after `frame` against the 40 ms
// before it, in dB: a kick landing at `frame` gives a large positive figure.
double lowBandRiseDb(std::span<const float> interleaved, size_t frame);

// EBU R128 figures of a stereo render at render::RateHz (libebur128).
struct Loudness {
    double integratedLufs = -200;  // gated integrated loudness
    double truePeakDbtp = -200;    // largest inter-sample peak over both channels
    double rangeLu = 0;            // loudness range
};
Loudness loudnessOf(std::span<const float> interleaved);

// Peak magnitude of the frames [first, first + count) of a stereo render.
double peakOf(std::span<const float> interleaved, size_t firstFrame, size_t frameCount);

}  // namespace soundtrack
