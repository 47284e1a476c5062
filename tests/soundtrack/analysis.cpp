#include "analysis.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

#include <ebur128.h>

#include "synth.h"

namespace soundtrack {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<render::Level> levelsPerOrder(std::span<const float> interleaved, int orderCount) {
    std::vector<render::Level> out;
    for (int order = 0; order < orderCount; ++order) {
        const size_t begin = static_cast<size_t>(order) * FramesPerOrder * 2;
        if (begin >= interleaved.size()) break;
        const size_t count = std::min(FramesPerOrder * 2, interleaved.size() - begin);
        out.push_back(render::measure(interleaved.subspan(begin, count)));
    }
    return out;
}

double lowBandRiseDb(std::span<const float> interleaved, size_t frame) {
    constexpr size_t window = 1764;  // 40 ms
    const size_t frames = interleaved.size() / 2;
    if (frame < 2 * window || frame + window > frames) return 0;
    // Run the filter from well before the window so it has settled.
    synth::Biquad a = synth::Biquad::lowpass(150, 0.7), b = synth::Biquad::lowpass(150, 0.7);
    double before = 0, after = 0;
    for (size_t i = frame - 2 * window; i < frame + window; ++i) {
        const double mono = 0.5 * (interleaved[2 * i] + interleaved[2 * i + 1]);
        const double low = b.process(a.process(mono));
        if (i >= frame) after += low * low;
        else if (i >= frame - window) before += low * low;
    }
    return 10.0 * std::log10((after + 1e-12) / (before + 1e-12));
}

Loudness loudnessOf(std::span<const float> interleaved) {
    const std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> state(
        ebur128_init(2, render::RateHz, EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK),
        [](ebur128_state* s) { ebur128_destroy(&s); });
    Loudness out;
    if (!state || ebur128_add_frames_float(state.get(), interleaved.data(), interleaved.size() / 2) != EBUR128_SUCCESS)
        return out;
    double peak = 0, channelPeak = 0;
    for (unsigned channel = 0; channel < 2; ++channel)
        if (ebur128_true_peak(state.get(), channel, &channelPeak) == EBUR128_SUCCESS) peak = std::max(peak, channelPeak);
    ebur128_loudness_global(state.get(), &out.integratedLufs);
    ebur128_loudness_range(state.get(), &out.rangeLu);
    out.truePeakDbtp = render::toDbfs(peak);
    return out;
}

double peakOf(std::span<const float> interleaved, size_t firstFrame, size_t frameCount) {
    double peak = 0;
    const size_t end = std::min(interleaved.size() / 2, firstFrame + frameCount);
    for (size_t i = firstFrame; i < end; ++i)
        peak = std::max({peak, static_cast<double>(std::fabs(interleaved[2 * i])),
                         static_cast<double>(std::fabs(interleaved[2 * i + 1]))});
    return peak;
}

}  // namespace soundtrack
