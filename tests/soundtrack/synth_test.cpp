// The synthesis kit and the instrument set: tuning, quantising, exact loops,
// click-free sample ends, and the reproducible Ogg serial.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "instruments.h"
#include "ogg_stream.h"
#include "synth.h"

namespace {

double cents(double hz, double reference) { return 1200.0 * std::log2(hz / reference); }

TEST(Synth, TuningPutsEveryNoteWithinHalfACent) {
    for (double rootHz : {110.25, 261.76, 523.5, synth::MiddleCHz, 1000.0}) {
        xm::Sample s;
        synth::tune(s, rootHz);
        for (int note = 1; note <= 96; ++note)
            ASSERT_LT(std::fabs(cents(synth::soundingHz(s, note, rootHz), synth::noteHz(note))), 0.5)
                << "root " << rootHz << " note " << note;
    }
    // Unpitched samples: C-4 plays them at their own rate.
    xm::Sample drum;
    synth::tune(drum, synth::MiddleCHz);
    EXPECT_NEAR(synth::soundingHz(drum, 49, synth::SampleRateHz), synth::SampleRateHz, synth::SampleRateHz * 3e-4);
    EXPECT_DOUBLE_EQ(synth::noteHz(58), 440.0);
}

TEST(Synth, QuantisingScalesToThePeakAndKeepsSilence) {
    const std::vector<int16_t> pcm = synth::toPcm16({0.0, 0.5, -2.0, 1.0}, 0.5);
    EXPECT_EQ(pcm, (std::vector<int16_t>{0, 4096, -16384, 8192}));
    EXPECT_EQ(synth::toPcm16({0.0, 0.0}, 0.9), (std::vector<int16_t>{0, 0}));
    EXPECT_EQ(synth::toPcm16({-1.0, 1.0}, 1.0), (std::vector<int16_t>{-32767, 32767}));
}

TEST(Synth, SettleReachesZeroForGood) {
    EXPECT_DOUBLE_EQ(synth::settle(0, 0.05, 0.3), 1.0);
    EXPECT_EQ(synth::settle(0.3, 0.05, 0.3), 0.0);
    EXPECT_EQ(synth::settle(1.0, 0.05, 0.3), 0.0);
    double previous = 2;
    for (double t = 0; t < 0.3; t += 0.01) {
        const double v = synth::settle(t, 0.05, 0.3);
        EXPECT_LT(v, previous);
        previous = v;
    }
}

TEST(Synth, AdditiveTonesRepeatExactlyAfterTheirPeriod) {
    std::vector<synth::Partial> partials;
    synth::addSawVoice(partials, 7, 12, 1.0, 0.3, 6);
    synth::addSquareVoice(partials, 9, 11, 0.5, 1.1, 6);
    const synth::Signal s = synth::additive(partials, 1000, 3000);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(s[static_cast<size_t>(i)], s[static_cast<size_t>(i + 1000)]) << i;
    std::vector<synth::Partial> square;
    synth::addSquareVoice(square, 9, 11, 0.5, 1.1, 6);
    ASSERT_EQ(square.size(), 6u);  // harmonics 1, 3, 5, 7, 9, 11
    for (const synth::Partial& p : square) EXPECT_EQ(p.cycles / 9 % 2, 1);
}

// Largest step between neighbouring frames inside [from, to).
int largestStep(const std::vector<int16_t>& f, size_t from, size_t to) {
    int step = 0;
    for (size_t i = from + 1; i < to; ++i) step = std::max(step, std::abs(f[i] - f[i - 1]));
    return step;
}

TEST(Instruments, LoopsJoinSmoothlyAndOneShotsEndInSilence) {
    const std::vector<xm::Instrument> set = tessaline::buildInstruments();
    ASSERT_EQ(set.size(), static_cast<size_t>(tessaline::InstrumentCount));
    EXPECT_EQ(set[tessaline::Kick - 1].name, "heartbeat kick");
    EXPECT_EQ(set[tessaline::RoundBass - 1].name, "round bass");
    for (const xm::Instrument& ins : set) {
        const auto& f = ins.sample.frames;
        ASSERT_GT(f.size(), 1000u) << ins.name;
        int peak = 0;
        for (int16_t v : f) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_NEAR(peak, 0.98 * 32767, 2) << ins.name << ": every sample keeps the same headroom, short of full scale";
        if (ins.sample.loop == xm::LoopType::None) {
            EXPECT_LE(std::abs(f.back()), 100) << ins.name << " ends with a click";
            continue;
        }
        const size_t start = ins.sample.loopStartFrame, end = start + ins.sample.loopFrameCount;
        ASSERT_EQ(end, f.size()) << ins.name;
        // Wrapping from the last frame to the loop start is no bigger a step
        // than the loop's own steps: no click at the seam.
        const int seam = std::abs(f[start] - f[end - 1]);
        EXPECT_LE(seam, largestStep(f, start, end)) << ins.name;
        // Sustained instruments release through an envelope, not a cut.
        EXPECT_GE(ins.volumeEnvelope.sustainPoint, 0) << ins.name;
        EXPECT_EQ(ins.volumeEnvelope.points.back().value, 0) << ins.name;
    }
}

TEST(Instruments, TheSameCodeGivesTheSameSamples) {
    EXPECT_EQ(tessaline::buildInstruments(), tessaline::buildInstruments());
}

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(OggStream, EncodingsOfTheSameAudioAreByteIdenticalAndDecode) {
    std::vector<float> audio(2 * 30000);
    for (size_t i = 0; i < audio.size(); ++i) audio[i] = 0.3f * std::sin(0.01f * static_cast<float>(i / 2));
    const std::string a = ::testing::TempDir() + "soundtrack_a.dat", b = ::testing::TempDir() + "soundtrack_b.dat";
    std::string error;
    ASSERT_TRUE(ogg::writeVorbis(a, audio, 2, 44100, 0.4, error)) << error;
    ASSERT_TRUE(ogg::writeVorbis(b, audio, 2, 44100, 0.4, error)) << error;
    const std::vector<uint8_t> first = bytesOf(a);
    EXPECT_EQ(first, bytesOf(b));
    ASSERT_GT(first.size(), 28u);
    EXPECT_EQ(first[14] | first[15] << 8 | first[16] << 16 | static_cast<uint32_t>(first[17]) << 24, 0x7E55A11Eu);
    // The rewritten checksums are right: libsndfile decodes every frame.
    SF_INFO info{};
    SNDFILE* file = sf_open(a.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> decoded(audio.size());
    EXPECT_EQ(sf_readf_float(file, decoded.data(), 30000), 30000);
    sf_close(file);
    EXPECT_EQ(info.frames, 30000);
}

TEST(OggStream, SerialRewriteRefusesWhatIsNotOggPages) {
    std::vector<uint8_t> empty;
    EXPECT_FALSE(ogg::setStreamSerial(empty, 1));
    std::vector<uint8_t> text(100, 'x');
    EXPECT_FALSE(ogg::setStreamSerial(text, 1));
    // A page whose lacing values promise more body than there is.
    std::vector<uint8_t> page = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 200, 1, 2, 3};
    EXPECT_FALSE(ogg::setStreamSerial(page, 1));
    page.resize(27 + 1 + 200);
    EXPECT_TRUE(ogg::setStreamSerial(page, 0x01020304));
    EXPECT_EQ(page[14], 4);
    EXPECT_EQ(page[17], 1);
}

}  // namespace
