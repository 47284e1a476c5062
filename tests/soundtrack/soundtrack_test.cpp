// The module the build writes: it is what the composer makes, it reads back
// as written, its arrangement follows the show, and libopenmpt's render of it
// is never silent, never clips, and has a kick on every beat of the heart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include <libopenmpt/libopenmpt.hpp>

#include "analysis.h"
#include "instruments.h"
#include "render.h"
#include "tessaline_song.h"
#include "test_paths.h"
#include "xm_reader.h"
#include "xm_writer.h"

namespace {

using tessaline::ChannelCount;
using tessaline::OrderCount;
using soundtrack::FramesPerOrder;
using soundtrack::FramesPerRow;

// Each case runs in its own process under ctest, so the expensive inputs are
// made on first use only.
class Soundtrack : public ::testing::Test {
protected:
    static const std::vector<uint8_t>& onDisk() {
        static const std::vector<uint8_t> bytes = soundtrack::readFile(buildPath("data/tessaline/music/tessaline.xm"));
        return bytes;
    }
    static const xm::Module& composed() {
        static const xm::Module module = [] {
            score::Diagnostics diagnostics;
            xm::Module m = tessaline::composeSoundtrack(diagnostics);
            EXPECT_TRUE(diagnostics.ok()) << diagnostics.messages().front();
            return m;
        }();
        return module;
    }
    // libopenmpt's render of the first pass from order 0 (and one row more).
    static const std::vector<float>& mix() {
        static const std::vector<float> frames = [] {
            std::vector<float> out;
            std::string error;
            EXPECT_TRUE(render::renderFrames(onDisk(), FramesPerOrder * OrderCount + FramesPerRow, {}, out, error))
                << error;
            return out;
        }();
        return frames;
    }
    void SetUp() override {
        ASSERT_FALSE(onDisk().empty()) << "the build did not write data/tessaline/music/tessaline.xm";
    }
    static const xm::Pattern& patternOf(int order) { return composed().patterns[composed().orders[order]]; }
    static size_t rowFrame(int order, int row) { return order * FramesPerOrder + row * FramesPerRow; }
};

TEST_F(Soundtrack, TheFileIsWhatTheComposerWritesEveryTime) {
    std::vector<uint8_t> bytes, again;
    std::string error;
    ASSERT_TRUE(xm::writeModule(composed(), bytes, error)) << error;
    score::Diagnostics d;
    ASSERT_TRUE(xm::writeModule(tessaline::composeSoundtrack(d), again, error)) << error;
    EXPECT_EQ(bytes, again);
    EXPECT_TRUE(bytes == onDisk()) << "data/tessaline/music/tessaline.xm is stale or differs";
}

TEST_F(Soundtrack, ItReadsBackAsComposed) {
    std::string error;
    const auto back = xmread::readModule(onDisk(), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->name, "tessaline");
    EXPECT_EQ(back->orders, composed().orders);
    EXPECT_EQ(back->patterns, composed().patterns);
    EXPECT_EQ(back->instruments, composed().instruments);
    EXPECT_EQ(*back, composed());
}

TEST_F(Soundtrack, TimingAndShapeMatchTheShowsClock) {
    const xm::Module& m = composed();
    EXPECT_EQ(m.speed, 6);
    EXPECT_EQ(m.bpm, 125);
    EXPECT_TRUE(m.linearFrequencies);
    EXPECT_GE(m.channels, 6);
    EXPECT_LE(m.channels, 8);
    EXPECT_GE(m.orders.size(), 30u);
    EXPECT_EQ(m.restartOrder, 26);
    for (const xm::Pattern& p : m.patterns) EXPECT_EQ(p.rows, 64);
    // Nothing changes the tempo, jumps or breaks: the clock stays 120 ms a row.
    for (const xm::Pattern& p : m.patterns)
        for (const xm::Cell& c : p.cells)
            ASSERT_TRUE(c.effect != xm::EffectSpeed && c.effect != 0x0B && c.effect != 0x0D && c.effect != 0x0E)
                << "effect " << int(c.effect);
    // Equal orders share one pattern.
    std::set<size_t> used(m.orders.begin(), m.orders.end());
    EXPECT_EQ(used.size(), m.patterns.size());
}

TEST_F(Soundtrack, AKickOnEveryBeatRowOfEveryPatternFromOrderFour) {
    for (int order = tessaline::FirstDrumOrder; order < static_cast<int>(composed().orders.size()); ++order) {
        const xm::Pattern& p = patternOf(order);
        for (int row = 0; row < 64; ++row) {
            const xm::Cell& c = p.at(row, tessaline::KickChannel);
            const bool beat = std::find(tessaline::BeatRows.begin(), tessaline::BeatRows.end(), row) !=
                              tessaline::BeatRows.end();
            if (beat) {
                EXPECT_EQ(c.instrument, tessaline::Kick) << "order " << order << " row " << row;
                EXPECT_NE(c.note, 0) << "order " << order << " row " << row;
            } else {
                EXPECT_EQ(c.instrument, 0) << "a kick off the heart's beat: order " << order << " row " << row;
            }
        }
    }
    // Before order 4 the heart does not jump: no kick at full strength.
    for (int order = 0; order < tessaline::FirstDrumOrder; ++order)
        for (int row = 0; row < 64; ++row) {
            const xm::Cell& c = patternOf(order).at(row, tessaline::KickChannel);
            if (c.instrument == tessaline::Kick) {
                EXPECT_TRUE(c.volume != 0 && c.volume < xm::volumeSet(32)) << "order " << order << " row " << row;
            }
        }
}

// The lead's notes of an order, as a sequence.
std::vector<uint8_t> melodyOf(const xm::Pattern& p) {
    std::vector<uint8_t> notes;
    for (int row = 0; row < 64; ++row)
        if (p.at(row, tessaline::LeadChannel).note) notes.push_back(p.at(row, tessaline::LeadChannel).note);
    return notes;
}

TEST_F(Soundtrack, TheThemeChangesWithEachTextImageAndTheEndFades) {
    const int blocks[4] = {6, 11, 16, 21};
    for (int b = 0; b < 4; ++b)
        for (int order = blocks[b]; order < blocks[b] + 5; ++order)
            EXPECT_GE(melodyOf(patternOf(order)).size(), 4u) << "order " << order << " has no theme";
    for (int b = 1; b < 3; ++b)
        for (int i = 0; i < 4; ++i)
            EXPECT_NE(melodyOf(patternOf(blocks[b] + i)), melodyOf(patternOf(blocks[b - 1] + i)))
                << "orders " << blocks[b - 1] + i << " and " << blocks[b] + i;
    // Order 25: a last chord on row 48, then every tonal voice slides down.
    const xm::Pattern& close = patternOf(tessaline::FadeOrder);
    for (int ch : {tessaline::BassChannel, tessaline::PadLowChannel, tessaline::LeadChannel}) {
        EXPECT_NE(close.at(tessaline::FadeRow, ch).note, 0) << ch;
        for (int row = tessaline::FadeRow + 1; row < 64; ++row) {
            EXPECT_EQ(close.at(row, ch).effect, xm::EffectVolumeSlide) << ch << " row " << row;
            EXPECT_EQ(close.at(row, ch).note, 0) << ch << " row " << row;
        }
    }
    // The closing theme is a different piece from everything before it.
    for (int order = tessaline::RestartOrder; order < OrderCount; ++order)
        for (int before = 0; before < tessaline::RestartOrder; ++before)
            EXPECT_NE(composed().orders[order], composed().orders[before]);
}

TEST_F(Soundtrack, LibopenmptPlaysTheFirstPassInTimeAndRestartsAtTheClosingTheme) {
    openmpt::module mod(onDisk());
    EXPECT_NEAR(mod.get_duration_seconds(), OrderCount * tessaline::SecondsPerOrder, 0.01);
    EXPECT_NEAR(OrderCount * tessaline::SecondsPerOrder, 245.76, 1e-9);
    EXPECT_EQ(mod.get_num_orders(), OrderCount);
    EXPECT_EQ(mod.get_num_channels(), ChannelCount);
    // The first scene ends when order 26 begins: 26 orders of 7.68 s.
    mod.set_repeat_count(-1);
    std::vector<float> chunk(2 * 882);
    double closingStarts = -1;
    int afterEnd = -1;
    for (int tick = 0; tick < (OrderCount + 1) * 64 * 6; ++tick) {
        const double at = mod.get_position_seconds();
        mod.read_interleaved_stereo(render::RateHz, 882, chunk.data());
        if (closingStarts < 0 && mod.get_current_order() == tessaline::RestartOrder) closingStarts = at;
        if (tick >= OrderCount * 64 * 6 + 6) afterEnd = mod.get_current_order();
    }
    EXPECT_NEAR(closingStarts, 26 * 7.68, 0.021);
    EXPECT_EQ(afterEnd, tessaline::RestartOrder) << "after the last order the song goes on at order 26";
}

TEST_F(Soundtrack, NoOrderIsSilentAndNothingClips) {
    ASSERT_GE(mix().size(), 2 * FramesPerOrder * OrderCount);
    const auto levels = soundtrack::levelsPerOrder(mix(), OrderCount);
    ASSERT_EQ(levels.size(), static_cast<size_t>(OrderCount));
    double themeRms = 0;
    for (int order = 0; order < OrderCount; ++order) {
        EXPECT_GT(levels[order].rmsDbfs, -40.0) << "order " << order << " is (nearly) silent";
        EXPECT_LT(levels[order].peakDbfs, -1.0) << "order " << order << " comes near full scale";
        if (order >= 6 && order < 25) themeRms = std::max(themeRms, levels[order].rmsDbfs);
    }
    EXPECT_LT(levels[0].rmsDbfs, themeRms - 3.0) << "the intro is not quieter than the theme";
    // The last rows of order 25 fall away with the picture.
    const auto body = render::measure(std::span(mix()).subspan(2 * rowFrame(25, 0), 2 * 48 * FramesPerRow));
    const auto tail = render::measure(std::span(mix()).subspan(2 * rowFrame(25, 58), 2 * 6 * FramesPerRow));
    EXPECT_LT(tail.rmsDbfs, body.rmsDbfs - 12.0);
}

// Mastered for video sites: EBU R128 integrated loudness of the first pass
// at -14 LUFS (within 1 LU) with the true peak (inter-sample) below -1 dBTP.
TEST_F(Soundtrack, TheFirstPassIsMasteredToMinus14LufsWithATruePeakBelowMinus1Dbtp) {
    const auto pass = std::span(mix()).first(2 * FramesPerOrder * OrderCount);
    const soundtrack::Loudness whole = soundtrack::loudnessOf(pass);
    EXPECT_NEAR(whole.integratedLufs, -14.0, 1.0);
    EXPECT_LE(whole.truePeakDbtp, -1.0);
    EXPECT_GT(whole.rangeLu, 1.0) << "a flattened pass: the intro no longer rises into the theme";
    // Neither scene is left behind: each within 2 LU of the target.
    const size_t closing = 2 * FramesPerOrder * tessaline::RestartOrder;
    EXPECT_NEAR(soundtrack::loudnessOf(pass.first(closing)).integratedLufs, -14.0, 2.0);
    EXPECT_NEAR(soundtrack::loudnessOf(pass.subspan(closing)).integratedLufs, -14.0, 2.0);
}

TEST_F(Soundtrack, EveryBeatOfTheHeartIsAKickYouCanHear) {
    std::vector<double> rises;
    for (int order = tessaline::FirstDrumOrder; order <= tessaline::FadeOrder; ++order)
        for (int row : tessaline::BeatRows) {
            const double rise = soundtrack::lowBandRiseDb(mix(), rowFrame(order, row));
            EXPECT_GT(rise, 3.0) << "order " << order << " row " << row;
            rises.push_back(rise);
        }
    std::sort(rises.begin(), rises.end());
    EXPECT_GT(rises[rises.size() / 2], 6.0) << "median low-band rise on the beat rows";
    // Where nothing low starts (the bass rests on the fourth beat) the
    // measure stays flat: it hears kicks, not just any row. (The fourth bar
    // is left out: the snare rolls there before a new section.)
    for (int order = tessaline::FirstDrumOrder; order < tessaline::FadeOrder; ++order)
        for (int row : {12, 28, 44})
            EXPECT_LT(soundtrack::lowBandRiseDb(mix(), rowFrame(order, row)), 3.0) << "order " << order << " row " << row;
}

}  // namespace
