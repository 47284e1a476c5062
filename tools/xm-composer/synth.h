#pragma once
// Small sound-synthesis kit for the instruments: deterministic noise, filters,
// band-limited additive oscillators and the tuning of a sample to XM notes.
// Every signal here is a std::vector<double> at SampleRateHz, nominally -1..1.
#include <cstdint>
#include <vector>

#include "xm_module.h"

namespace synth {

constexpr double SampleRateHz = 44100.0;
constexpr double Pi = 3.14159265358979323846;

using Signal = std::vector<double>;

// xorshift32: the same seed gives the same noise on every machine.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t nextBits();
    double white();  // uniform in [-1, 1)
private:
    uint32_t state_;
};

// Biquad filter (direct form I) with the usual cookbook designs.
class Biquad {
public:
    static Biquad lowpass(double cutoffHz, double q);
    static Biquad highpass(double cutoffHz, double q);
    static Biquad bandpass(double centreHz, double q);  // 0 dB at the centre
    double process(double x);
    // Takes the other filter's coefficients and keeps this one's memory, so a
    // swept filter changes without a click.
    void retune(const Biquad& design);

private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// 1 at t = 0 falling exponentially (time constant tauSeconds) to exactly 0 at
// endSeconds and after: an envelope that settles for good, so a loop placed
// after endSeconds sees constant levels.
double settle(double tSeconds, double tauSeconds, double endSeconds);

double softClip(double x, double drive);  // tanh curve normalised so 1 maps to 1

// One partial of an additive tone: `cycles` whole cycles per `periodFrames`,
// so every partial of a tone repeats after periodFrames and loops seamlessly.
struct Partial {
    int cycles = 1;
    double amplitude = 0;
    double phase = 0;  // radians at frame 0
};

// Sum of partials over `frames` frames (periodFrames is the loop length).
Signal additive(const std::vector<Partial>& partials, int periodFrames, int frames);

// Band-limited sawtooth partials for a voice with `cycles` fundamental cycles
// per period: harmonics up to maxHarmonic, amplitude 1/h times `tilt(h)`.
void addSawVoice(std::vector<Partial>& out, int cycles, int maxHarmonic, double gain, double phase,
                 double rolloffHarmonic);
// Square: odd harmonics only.
void addSquareVoice(std::vector<Partial>& out, int cycles, int maxHarmonic, double gain, double phase,
                    double rolloffHarmonic);

void fadeTail(Signal& s, double seconds);  // linear fade to 0 over the last `seconds`
void fadeHead(Signal& s, double seconds);  // linear fade from 0 over the first `seconds`

// Scales so the largest magnitude becomes peakFraction of full scale, rounds
// to 16 bits. A silent signal stays silent.
std::vector<int16_t> toPcm16(const Signal& s, double peakFraction);

// Relative note and finetune so that an XM note plays at its equal-tempered
// pitch (A-4 = 440 Hz) for a sample whose pitch is rootHz when played at
// sampleRateHz. For unpitched sounds pass rootHz = 261.6256 (C-4): C-4 then
// plays the sample at its own rate.
void tune(xm::Sample& sample, double rootHz, double sampleRateHz = SampleRateHz);

// Pitch an XM note sounds at under the linear frequency table, given the
// sample's tuning and the pitch it has at its own rate.
double soundingHz(const xm::Sample& sample, int note, double rootHz, double sampleRateHz = SampleRateHz);

constexpr double MiddleCHz = 261.6255653005986;
double noteHz(int note);  // equal temperament, note 58 (A-4) = 440 Hz

}  // namespace synth
