// soundtrack-levels: renders the module's first pass with libopenmpt and
// prints its levels per order, per channel and at the heart's beat rows.
//   soundtrack-levels [module.xm]   (default: data/tessaline/music/tessaline.xm)
#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis.h"
#include "render.h"
#include "tessaline_song.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "data/tessaline/music/tessaline.xm";
    const std::vector<uint8_t> module = soundtrack::readFile(path);
    if (module.empty()) {
        std::fprintf(stderr, "soundtrack-levels: %s: cannot read\n", path.c_str());
        return 1;
    }
    const size_t passFrames = soundtrack::FramesPerOrder * tessaline::OrderCount;
    std::vector<float> mix;
    std::string error;
    if (!render::renderFrames(module, passFrames, {}, mix, error)) {
        std::fprintf(stderr, "soundtrack-levels: %s\n", error.c_str());
        return 1;
    }
    std::printf("first pass: %.2f s\n", static_cast<double>(mix.size() / 2) / render::RateHz);
    const render::Level whole = render::measure(mix);
    std::printf("whole pass: RMS %6.1f dBFS  peak %6.1f dBFS\n", whole.rmsDbfs, whole.peakDbfs);
    const std::span<const float> all(mix);
    const size_t closing = soundtrack::FramesPerOrder * tessaline::RestartOrder * 2;
    const struct { const char* name; std::span<const float> frames; } parts[] = {
        {"whole pass", all}, {"first scene (orders 0-25)", all.first(closing)},
        {"closing scene (orders 26-31)", all.subspan(closing)}};
    for (const auto& part : parts) {
        const soundtrack::Loudness l = soundtrack::loudnessOf(part.frames);
        std::printf("%-29s %6.1f LUFS integrated  %6.1f dBTP true peak  %4.1f LU range\n", part.name,
                    l.integratedLufs, l.truePeakDbtp, l.rangeLu);
    }
    std::printf("\n");

    std::printf("order  RMS dBFS  peak dBFS  weakest kick rise dB\n");
    const auto levels = soundtrack::levelsPerOrder(mix, tessaline::OrderCount);
    for (size_t order = 0; order < levels.size(); ++order) {
        double weakest = 1e9;
        if (static_cast<int>(order) >= tessaline::FirstDrumOrder)
            for (int row : tessaline::BeatRows)
                weakest = std::min(weakest, soundtrack::lowBandRiseDb(
                                                mix, order * soundtrack::FramesPerOrder + row * soundtrack::FramesPerRow));
        std::printf("%5zu  %8.1f  %9.1f", order, levels[order].rmsDbfs, levels[order].peakDbfs);
        if (weakest < 1e9) std::printf("  %8.1f", weakest);
        std::printf("\n");
    }

    std::printf("\nchannel  RMS dBFS  peak dBFS  LUFS (solo, whole pass)\n");
    static const char* const names[] = {"kick", "snare", "hats", "bass", "pad lo", "pad hi", "arp", "lead"};
    for (int ch = 0; ch < tessaline::ChannelCount; ++ch) {
        std::vector<float> solo;
        render::Options options;
        options.soloChannel = ch;
        if (!render::renderFrames(module, passFrames, options, solo, error)) {
            std::fprintf(stderr, "soundtrack-levels: %s\n", error.c_str());
            return 1;
        }
        const render::Level level = render::measure(solo);
        std::printf("%-7s  %8.1f  %9.1f  %5.1f\n", names[ch], level.rmsDbfs, level.peakDbfs,
                    soundtrack::loudnessOf(solo).integratedLufs);
    }
    return 0;
}
