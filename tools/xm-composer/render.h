#pragma once
// Renders a module with libopenmpt (dither off, default interpolation) to
// interleaved stereo float frames, and measures levels.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace render {

constexpr int RateHz = 44100;
constexpr int Channels = 2;

struct Options {
    int order = 0;         // start position
    int row = 0;
    bool loop = false;     // go on at the restart position; else stop at the song's end
    int soloChannel = -1;  // >= 0: every other channel muted
};

// Renders up to `frameCount` frames (fewer only when the song ends without
// `loop`). False with `error` set when libopenmpt refuses the module.
bool renderFrames(const std::vector<uint8_t>& module, size_t frameCount, const Options& options,
                  std::vector<float>& out, std::string& error);

// The closing theme as a seamless loop: orders [firstOrder, end of song) once,
// rendered after one full pass so the tails of the loop's end ring into its
// start exactly as they do when the module loops.
bool renderLoop(const std::vector<uint8_t>& module, int firstOrder, size_t loopFrames, std::vector<float>& out,
                std::string& error);

struct Level {
    double rmsDbfs = -200;   // over both channels
    double peakDbfs = -200;  // largest sample magnitude
};
Level measure(std::span<const float> interleaved);

double toDbfs(double linear);  // 20 log10, floored at -200

}  // namespace render
