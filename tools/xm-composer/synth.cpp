#include "synth.h"

#include <algorithm>
#include <cmath>

namespace synth {

uint32_t Noise::nextBits() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double Noise::white() { return static_cast<double>(nextBits()) / 2147483648.0 - 1.0; }

// Cookbook formulas (R. Bristow-Johnson), normalised by a0.
Biquad Biquad::lowpass(double cutoffHz, double q) {
    const double w = 2 * Pi * cutoffHz / SampleRateHz;
    const double alpha = std::sin(w) / (2 * q), cw = std::cos(w);
    Biquad f;
    const double a0 = 1 + alpha;
    f.b0_ = (1 - cw) / 2 / a0;
    f.b1_ = (1 - cw) / a0;
    f.b2_ = (1 - cw) / 2 / a0;
    f.a1_ = -2 * cw / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::highpass(double cutoffHz, double q) {
    const double w = 2 * Pi * cutoffHz / SampleRateHz;
    const double alpha = std::sin(w) / (2 * q), cw = std::cos(w);
    Biquad f;
    const double a0 = 1 + alpha;
    f.b0_ = (1 + cw) / 2 / a0;
    f.b1_ = -(1 + cw) / a0;
    f.b2_ = (1 + cw) / 2 / a0;
    f.a1_ = -2 * cw / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::bandpass(double centreHz, double q) {
    const double w = 2 * Pi * centreHz / SampleRateHz;
    const double alpha = std::sin(w) / (2 * q), cw = std::cos(w);
    Biquad f;
    const double a0 = 1 + alpha;
    f.b0_ = alpha / a0;
    f.b1_ = 0;
    f.b2_ = -alpha / a0;
    f.a1_ = -2 * cw / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

double Biquad::process(double x) {
    const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
}

void Biquad::retune(const Biquad& design) {
    b0_ = design.b0_;
    b1_ = design.b1_;
    b2_ = design.b2_;
    a1_ = design.a1_;
    a2_ = design.a2_;
}

double settle(double t, double tau, double end) {
    if (t >= end) return 0.0;
    const double floor = std::exp(-end / tau);
    return (std::exp(-t / tau) - floor) / (1.0 - floor);
}

double softClip(double x, double drive) { return std::tanh(drive * x) / std::tanh(drive); }

Signal additive(const std::vector<Partial>& partials, int periodFrames, int frames) {
    Signal out(static_cast<size_t>(frames), 0.0);
    for (const Partial& p : partials) {
        if (p.amplitude == 0) continue;
        // Phase from the integer frame index modulo the period keeps the loop exact.
        for (int i = 0; i < frames; ++i) {
            const long long k = (static_cast<long long>(i) * p.cycles) % periodFrames;
            out[static_cast<size_t>(i)] += p.amplitude * std::sin(2 * Pi * static_cast<double>(k) / periodFrames + p.phase);
        }
    }
    return out;
}

static double tilt(int h, double rolloffHarmonic) {
    const double r = h / rolloffHarmonic;
    return 1.0 / std::sqrt(1.0 + r * r * r * r);
}

void addSawVoice(std::vector<Partial>& out, int cycles, int maxHarmonic, double gain, double phase,
                 double rolloffHarmonic) {
    for (int h = 1; h <= maxHarmonic; ++h)
        out.push_back({cycles * h, gain * tilt(h, rolloffHarmonic) / h, phase * h});
}

void addSquareVoice(std::vector<Partial>& out, int cycles, int maxHarmonic, double gain, double phase,
                    double rolloffHarmonic) {
    for (int h = 1; h <= maxHarmonic; h += 2)
        out.push_back({cycles * h, gain * tilt(h, rolloffHarmonic) / h, phase * h});
}

void fadeTail(Signal& s, double seconds) {
    const size_t n = std::min(s.size(), static_cast<size_t>(seconds * SampleRateHz));
    for (size_t i = 0; i < n; ++i) s[s.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(n);
}

void fadeHead(Signal& s, double seconds) {
    const size_t n = std::min(s.size(), static_cast<size_t>(seconds * SampleRateHz));
    for (size_t i = 0; i < n; ++i) s[i] *= static_cast<double>(i) / static_cast<double>(n);
}

std::vector<int16_t> toPcm16(const Signal& s, double peakFraction) {
    double peak = 0;
    for (double v : s) peak = std::max(peak, std::fabs(v));
    std::vector<int16_t> out(s.size(), 0);
    if (peak == 0) return out;
    const double scale = 32767.0 * std::clamp(peakFraction, 0.0, 1.0) / peak;
    for (size_t i = 0; i < s.size(); ++i) {
        const double v = std::clamp(std::round(s[i] * scale), -32768.0, 32767.0);
        out[i] = static_cast<int16_t>(v);
    }
    return out;
}

// XM linear table: a note n (C-0 = 1) with relative note r and finetune f plays
// the sample at 8363 * 2^((n - 49 + r) / 12 + f / 1536) frames a second.
static constexpr double MiddleCRateHz = 8363.0;

void tune(xm::Sample& sample, double rootHz, double sampleRateHz) {
    const double semitones = 12.0 * std::log2(440.0 * sampleRateHz / (MiddleCRateHz * rootHz)) - 9.0;
    const double whole = std::round(semitones);
    sample.relativeNote = static_cast<int8_t>(std::clamp(whole, -96.0, 95.0));
    sample.finetune = static_cast<int8_t>(std::clamp(std::round((semitones - whole) * 128.0), -128.0, 127.0));
}

double soundingHz(const xm::Sample& sample, int note, double rootHz, double sampleRateHz) {
    const double rate = MiddleCRateHz *
        std::exp2((note - 49 + sample.relativeNote) / 12.0 + sample.finetune / 1536.0);
    return rate * rootHz / sampleRateHz;
}

double noteHz(int note) { return 440.0 * std::exp2((note - 58) / 12.0); }

}  // namespace synth
