// Two independent players, libopenmpt and libxmp, load the module and agree
// on its (order, row) timeline: the same rows in the same sequence at the
// same times, through the end of the song and back to the closing theme.
#include <gtest/gtest.h>

#include <xmp.h>

#include <cmath>
#include <libopenmpt/libopenmpt.hpp>

#include "analysis.h"
#include "tessaline_song.h"
#include "test_paths.h"
#include "xm_reader.h"

namespace {

struct RowStart {
    int order;
    int row;
    double seconds;
};

// Orders followed: the first pass, then two more orders past the restart.
constexpr int OrdersFollowed = tessaline::OrderCount + 2;
constexpr int TicksFollowed = OrdersFollowed * 64 * tessaline::Speed;
constexpr size_t FirstPassRows = tessaline::OrderCount * 64;
constexpr double LoopSeconds = (tessaline::OrderCount - tessaline::RestartOrder) * tessaline::SecondsPerOrder;

std::vector<RowStart> openmptTimeline(const std::vector<uint8_t>& bytes) {
    openmpt::module mod(bytes);
    mod.set_repeat_count(-1);
    std::vector<float> tick(2 * 882);  // one tick at 44.1 kHz
    std::vector<RowStart> out;
    for (int t = 0; t < TicksFollowed; ++t) {
        const double at = mod.get_position_seconds();
        mod.read_interleaved_stereo(44100, 882, tick.data());
        const int order = mod.get_current_order(), row = mod.get_current_row();
        if (out.empty() || out.back().order != order || out.back().row != row) out.push_back({order, row, at});
    }
    return out;
}

struct XmpContext {
    xmp_context ctx = xmp_create_context();
    ~XmpContext() {
        xmp_end_player(ctx);
        xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
};

TEST(Players, LibxmpSeesTheModuleAsWritten) {
    std::vector<uint8_t> bytes = soundtrack::readFile(buildPath("data/tessaline/music/tessaline.xm"));
    ASSERT_FALSE(bytes.empty());
    XmpContext xmp;
    ASSERT_EQ(xmp_load_module_from_memory(xmp.ctx, bytes.data(), static_cast<long>(bytes.size())), 0);
    xmp_module_info info{};
    xmp_get_module_info(xmp.ctx, &info);
    ASSERT_NE(info.mod, nullptr);
    EXPECT_STREQ(info.mod->name, "tessaline");
    EXPECT_EQ(info.mod->len, tessaline::OrderCount);
    EXPECT_EQ(info.mod->rst, tessaline::RestartOrder);
    EXPECT_EQ(info.mod->chn, tessaline::ChannelCount);
    EXPECT_EQ(info.mod->spd, tessaline::Speed);
    EXPECT_EQ(info.mod->bpm, tessaline::Bpm);
    EXPECT_EQ(info.mod->ins, 13);
    for (int i = 0; i < info.mod->ins; ++i) {
        ASSERT_EQ(info.mod->xxi[i].nsm, 1) << i;
        const xmp_sample& s = info.mod->xxs[info.mod->xxi[i].sub[0].sid];
        EXPECT_TRUE(s.flg & XMP_SAMPLE_16BIT) << i;
        EXPECT_GT(s.len, 1000) << i;
    }
    for (int p = 0; p < info.mod->pat; ++p) EXPECT_EQ(info.mod->xxp[p]->rows, 64);
    std::string error;
    const auto written = xmread::readModule(bytes, error);
    ASSERT_TRUE(written) << error;
    // libxmp keeps one blank pattern of its own after the file's.
    ASSERT_GE(info.mod->pat, static_cast<int>(written->patterns.size()));
    for (int i = 0; i < info.mod->len; ++i) EXPECT_EQ(info.mod->xxo[i], written->orders[static_cast<size_t>(i)]) << i;
}

TEST(Players, LibopenmptAndLibxmpAgreeOnEveryRowAndWhenItStarts) {
    std::vector<uint8_t> bytes = soundtrack::readFile(buildPath("data/tessaline/music/tessaline.xm"));
    ASSERT_FALSE(bytes.empty());
    const std::vector<RowStart> mpt = openmptTimeline(bytes);

    XmpContext xmp;
    ASSERT_EQ(xmp_load_module_from_memory(xmp.ctx, bytes.data(), static_cast<long>(bytes.size())), 0);
    ASSERT_EQ(xmp_start_player(xmp.ctx, 44100, 0), 0);
    std::vector<RowStart> lib;
    xmp_frame_info fi{};
    for (int t = 0; t < TicksFollowed; ++t) {
        ASSERT_EQ(xmp_play_frame(xmp.ctx), 0) << "libxmp stopped at tick " << t;
        xmp_get_frame_info(xmp.ctx, &fi);
        if (lib.empty() || lib.back().order != fi.pos || lib.back().row != fi.row)
            lib.push_back({fi.pos, fi.row, fi.time / 1000.0});
    }

    ASSERT_EQ(mpt.size(), static_cast<size_t>(OrdersFollowed * 64));
    ASSERT_EQ(lib.size(), mpt.size());
    for (size_t i = 0; i < mpt.size(); ++i) {
        ASSERT_EQ(lib[i].order, mpt[i].order) << "row start " << i;
        ASSERT_EQ(lib[i].row, mpt[i].row) << "row start " << i;
        // libopenmpt counts time played; libxmp the song time, which goes back
        // to order 26's when the song loops.
        const double songSeconds = i < FirstPassRows ? mpt[i].seconds : mpt[i].seconds - LoopSeconds;
        ASSERT_NEAR(lib[i].seconds, songSeconds, 0.021) << "order " << mpt[i].order << " row " << mpt[i].row;
        // And both keep the show's clock: 120 ms a row.
        ASSERT_NEAR(mpt[i].seconds, i * tessaline::SecondsPerRow, 1e-6) << i;
    }
    // Sequence: orders 0..31 in turn, then 26 and 27 again.
    for (int i = 0; i < OrdersFollowed; ++i) {
        const int expected = i < tessaline::OrderCount ? i : tessaline::RestartOrder + i - tessaline::OrderCount;
        EXPECT_EQ(mpt[static_cast<size_t>(i) * 64].order, expected);
        EXPECT_EQ(mpt[static_cast<size_t>(i) * 64].row, 0);
    }
}

}  // namespace
