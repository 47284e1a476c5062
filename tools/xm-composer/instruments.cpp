#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "synth.h"

namespace tessaline {
namespace {

using synth::Biquad;
using synth::Noise;
using synth::Partial;
using synth::Pi;
using synth::Signal;
constexpr double Rate = synth::SampleRateHz;
constexpr double PeakFraction = 0.98;  // a little headroom left in every sample (the mix sets the level)

int framesFor(double seconds) { return static_cast<int>(std::lround(seconds * Rate)); }

xm::Envelope envelope(std::vector<xm::EnvelopePoint> points, int sustainPoint) {
    xm::Envelope e;
    e.points = std::move(points);
    e.sustainPoint = sustainPoint;
    return e;
}

// A one-shot percussive sample, triggered at C-4 to play at its own rate.
xm::Instrument oneShot(const std::string& name, const Signal& s, uint8_t volume, uint8_t panning) {
    xm::Instrument ins;
    ins.name = name;
    ins.sample.name = name;
    ins.sample.frames = synth::toPcm16(s, PeakFraction);
    ins.sample.volume = volume;
    ins.sample.panning = panning;
    synth::tune(ins.sample, synth::MiddleCHz);
    return ins;
}

// A pitched sample looping over [loopStart, end), tuned from its pitch at Rate.
xm::Instrument looped(const std::string& name, const Signal& s, int loopStart, double rootHz, uint8_t volume,
                      uint8_t panning) {
    xm::Instrument ins;
    ins.name = name;
    ins.sample.name = name;
    ins.sample.frames = synth::toPcm16(s, PeakFraction);
    ins.sample.loop = xm::LoopType::Forward;
    ins.sample.loopStartFrame = static_cast<uint32_t>(loopStart);
    ins.sample.loopFrameCount = static_cast<uint32_t>(s.size()) - static_cast<uint32_t>(loopStart);
    ins.sample.volume = volume;
    ins.sample.panning = panning;
    synth::tune(ins.sample, rootHz);
    return ins;
}

xm::Instrument kick() {
    const int n = framesFor(0.45);
    Signal s(static_cast<size_t>(n));
    Noise noise(0x4B1C);
    Biquad clickTone = Biquad::lowpass(5000, 0.7);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / Rate;
        // Pitch falls from about 280 Hz to 45 Hz: the sweep is the punch.
        const double hz = 45 + 140 * std::exp(-t / 0.035) + 95 * std::exp(-t / 0.005);
        phase += hz / Rate;
        const double body = std::sin(2 * Pi * phase) * std::min(1.0, t / 0.0015) * std::exp(-t / 0.25);
        const double click = clickTone.process(noise.white()) * std::exp(-t / 0.003) * 0.5;
        // Driven hard: a dense, loud beat for its peak, as the mix wants it on top.
        s[static_cast<size_t>(i)] = synth::softClip(1.3 * body + click, 6.0);
    }
    synth::fadeTail(s, 0.04);
    return oneShot("heartbeat kick", s, 64, 128);
}

xm::Instrument snare() {
    const int n = framesFor(0.38);
    Signal s(static_cast<size_t>(n));
    Noise noise(0x5A4E);
    Biquad high = Biquad::highpass(1400, 0.7);
    Biquad low = Biquad::lowpass(9000, 0.7);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / Rate;
        phase += (185 + 70 * std::exp(-t / 0.015)) / Rate;
        const double body = 0.6 * std::sin(2 * Pi * phase) * std::exp(-t / 0.045) +
                            0.25 * std::sin(2 * Pi * 330 * t) * std::exp(-t / 0.03);
        const double hiss = low.process(high.process(noise.white())) * std::exp(-t / 0.1);
        s[static_cast<size_t>(i)] = synth::softClip((body + 0.9 * hiss) * std::min(1.0, t / 0.0007), 1.3);
    }
    synth::fadeTail(s, 0.05);
    return oneShot("snare", s, 56, 140);
}

// Hats and crash share a recipe: two high-pass stages on noise plus a few
// inharmonic sine partials for the metallic ring.
Signal metal(double seconds, double cutoffHz, double noiseTau, double ringTau, uint32_t seed, double ringGain) {
    static const double ringHz[] = {3150, 4720, 5960, 7380, 8550, 10240};
    const int n = framesFor(seconds);
    Signal s(static_cast<size_t>(n));
    Noise noise(seed);
    Biquad a = Biquad::highpass(cutoffHz, 0.7);
    Biquad b = Biquad::highpass(cutoffHz, 0.7);
    for (int i = 0; i < n; ++i) {
        const double t = i / Rate;
        double ring = 0;
        for (double hz : ringHz) ring += std::sin(2 * Pi * hz * t + hz);
        const double v = b.process(a.process(noise.white())) * std::exp(-t / noiseTau) +
                         ringGain * ring / 6 * std::exp(-t / ringTau);
        s[static_cast<size_t>(i)] = v * std::min(1.0, t / 0.0005);
    }
    synth::fadeTail(s, seconds * 0.2);
    return s;
}

xm::Instrument closedHat() { return oneShot("closed hat", metal(0.12, 7500, 0.022, 0.012, 0x4A7C, 0.25), 32, 168); }
xm::Instrument openHat() { return oneShot("open hat", metal(0.6, 7000, 0.15, 0.09, 0x09E7, 0.2), 28, 168); }

xm::Instrument crash() {
    Signal s = metal(2.0, 3200, 0.55, 0.35, 0xC4A5, 0.3);
    for (size_t i = 0; i < s.size(); ++i) s[i] *= 0.6 + 0.4 * std::exp(-static_cast<double>(i) / Rate / 0.06);
    return oneShot("crash", s, 34, 100);
}

// One bar (16 rows of 120 ms) of noise whose band climbs from 300 Hz to 9 kHz.
xm::Instrument riser() {
    const int n = framesFor(1.92);
    Signal s(static_cast<size_t>(n));
    Noise noise(0x215E);
    Biquad band = Biquad::bandpass(300, 1.4);
    for (int i = 0; i < n; ++i) {
        const double p = static_cast<double>(i) / n;
        if (i % 32 == 0) band.retune(Biquad::bandpass(300 * std::pow(30.0, p), 1.4));
        s[static_cast<size_t>(i)] = band.process(noise.white()) * std::pow(p, 2.2);
    }
    synth::fadeTail(s, 0.008);
    return oneShot("riser", s, 36, 128);
}


// Period of the single-cycle bass tones: 400 frames, so 110.25 Hz at Rate.
constexpr int BassPeriod = 400;
constexpr double BassRootHz = Rate / BassPeriod;

// Saw bass: the harmonic roll-off opens wide at the attack and settles before
// the loop, like a filter envelope; the loop holds whole periods only.
xm::Instrument bass() {
    constexpr int maxHarmonic = 48;  // stays under 17 kHz up to its octave notes (~330 Hz)
    const int loopStart = 34 * BassPeriod;
    const int n = loopStart + 4 * BassPeriod;
    Signal s(static_cast<size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) {
        const double t = i / Rate;
        const double rolloff = 7 + 30 * synth::settle(t, 0.05, 0.28);
        const int k = i % BassPeriod;
        double v = 0;
        for (int h = 1; h <= maxHarmonic; ++h) {
            const double r = h / rolloff;
            double a = 1.0 / h / std::sqrt(1 + r * r * r * r);
            if (h == 1) a += 0.35;  // sub weight under the saw
            v += a * std::sin(2 * Pi * h * k / BassPeriod);
        }
        s[static_cast<size_t>(i)] = v;
    }
    synth::fadeHead(s, 0.002);
    xm::Instrument ins = looped("saw bass", s, loopStart, BassRootHz, 34, 128);
    ins.volumeEnvelope = envelope({{0, 64}, {6, 54}, {20, 48}, {24, 0}}, 2);
    ins.fadeout = 0x400;
    return ins;
}

xm::Instrument roundBass() {
    const std::vector<Partial> partials = {{1, 1.0, 0}, {2, 0.3, 0}, {3, 0.12, 0}, {4, 0.04, 0}};
    Signal s = synth::additive(partials, BassPeriod, 4 * BassPeriod);
    xm::Instrument ins = looped("round bass", s, 0, BassRootHz, 36, 128);
    ins.volumeEnvelope = envelope({{0, 0}, {3, 64}, {30, 56}, {50, 0}}, 2);
    ins.fadeout = 0x200;
    return ins;
}

// Long loops for the detuned voices: every voice has a whole number of cycles
// in the loop, so the chorus beating loops too. 389 cycles in 65536 frames is
// 261.76 Hz, about C-4.
constexpr int PadLoopFrames = 65536;
constexpr int PadCycles = 389;

xm::Instrument superPad() {
    std::vector<Partial> partials;
    Noise phases(0x5A9D);
    const int detune[] = {-6, -4, -2, 0, 2, 4, 6};  // +-27 cents at the edges
    for (int d : detune) {
        const double gain = d == 0 ? 1.0 : 0.75;
        synth::addSawVoice(partials, PadCycles + d, 18, gain, Pi * (phases.white() + 1), 9);
    }
    Signal s = synth::additive(partials, PadLoopFrames, PadLoopFrames);
    xm::Instrument ins = looped("supersaw pad", s, 0, PadCycles * Rate / PadLoopFrames, 30, 128);
    ins.volumeEnvelope = envelope({{0, 0}, {10, 64}, {40, 54}, {70, 0}}, 2);
    ins.fadeout = 0x100;
    return ins;
}

xm::Instrument warmPad() {
    std::vector<Partial> partials;
    Noise phases(0x3A11);
    const int detune[] = {-3, -1, 1, 3};
    for (int d : detune) synth::addSawVoice(partials, PadCycles + d, 12, 1.0, Pi * (phases.white() + 1), 3.5);
    Signal s = synth::additive(partials, PadLoopFrames, PadLoopFrames);
    xm::Instrument ins = looped("warm pad", s, 0, PadCycles * Rate / PadLoopFrames, 36, 128);
    ins.volumeEnvelope = envelope({{0, 0}, {40, 64}, {80, 56}, {130, 0}}, 2);
    ins.fadeout = 0x80;
    return ins;
}

// Lead: 389 cycles in 32768 frames (523.5 Hz, about C-5); a second saw one
// cycle up (4.4 cents) and a square one cycle down thicken it.
xm::Instrument lead() {
    constexpr int loopFrames = 32768, cycles = 389;
    std::vector<Partial> partials;
    synth::addSawVoice(partials, cycles, 14, 0.6, 0.0, 10);
    synth::addSawVoice(partials, cycles + 1, 14, 0.6, 2.1, 10);
    synth::addSquareVoice(partials, cycles - 1, 13, 0.35, 4.0, 8);
    Signal s = synth::additive(partials, loopFrames, loopFrames);
    xm::Instrument ins = looped("lead", s, 0, cycles * Rate / loopFrames, 50, 128);
    ins.volumeEnvelope = envelope({{0, 0}, {2, 64}, {14, 50}, {22, 0}}, 2);
    ins.fadeout = 0x200;
    ins.vibratoWave = xm::VibratoWave::Sine;
    ins.vibratoSweep = 40;  // vibrato grows in over 0.8 s of a held note
    ins.vibratoDepth = 3;
    ins.vibratoRate = 22;   // about 4.3 Hz at 50 ticks a second
    return ins;
}

// FM pluck at C-5: modulator at the carrier frequency (saw-like spectrum)
// whose index falls quickly, so the attack is bright and the tail round.
xm::Instrument pluck() {
    const double hz = synth::noteHz(61);  // C-5
    const int n = framesFor(0.7);
    Signal s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i / Rate;
        const double index = 0.4 + 2.0 * std::exp(-t / 0.07);
        const double w = 2 * Pi * hz * t;
        const double y = std::sin(w + index * std::sin(w) + 0.3 * index * std::sin(3 * w));
        s[static_cast<size_t>(i)] = y * std::min(1.0, t / 0.001) * std::exp(-t / 0.2);
    }
    synth::fadeTail(s, 0.05);
    xm::Instrument ins = oneShot("fm pluck", s, 26, 176);
    synth::tune(ins.sample, hz);
    return ins;
}

// FM bell at C-5 with a 3.5 ratio modulator (inharmonic, struck-metal sound).
xm::Instrument bell() {
    const double hz = synth::noteHz(61);
    const int n = framesFor(1.8);
    Signal s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i / Rate;
        const double index = 0.3 + 1.5 * std::exp(-t / 0.25);
        const double w = 2 * Pi * hz * t;
        const double tone = std::sin(w + index * std::sin(3.5 * w)) * std::exp(-t / 0.7) +
                            0.2 * std::sin(2 * w) * std::exp(-t / 0.4) +
                            0.12 * std::sin(5.4 * w) * std::exp(-t / 0.12);
        s[static_cast<size_t>(i)] = tone * std::min(1.0, t / 0.002);
    }
    synth::fadeTail(s, 0.2);
    xm::Instrument ins = oneShot("fm bell", s, 40, 140);
    synth::tune(ins.sample, hz);
    return ins;
}

}  // namespace

std::vector<xm::Instrument> buildInstruments() {
    std::vector<xm::Instrument> set = {kick(), snare(), closedHat(), openHat(), crash(), riser(), bass(),
                                       superPad(), pluck(), lead(), bell(), warmPad(), roundBass()};
    return set;
}

}  // namespace tessaline
