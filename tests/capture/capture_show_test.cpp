// The capture tool against the music: the same frame twice, the sound, and
// the beat jumps against the order/row timeline.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture_test_support.h"
#include "sound/offline_render.h"
#include "test_paths.h"

using namespace capture_test;

TEST(CaptureTest, SameFrameTwiceGivesTheSamePixels) {
    const std::string first = ownTempDir() + "determinism-a.png";
    const std::string second = ownTempDir() + "determinism-b.png";
    ASSERT_EQ(runCapture("--still 2:16 " + first), 0);
    ASSERT_EQ(runCapture("--still 2:16 " + second), 0);
    const std::string a = readFile(first);
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, readFile(second));
}

// A still is reached by stepping the show's state without drawing; the
// picture is the one a capture that drew every frame from the start shows
// (frame 359 at 30 fps: the heart spinning and rippling as the fade-in thins).
TEST(CaptureTest, AStillAfterASeekIsTheFrameReachedByPlayingThrough) {
    const std::string dir = ownTempDir() + "through";
    const std::string still = ownTempDir() + "seeked.png";
    std::filesystem::remove_all(dir);
    const std::string common = "--fps 30 --size 160x120 ";
    ASSERT_EQ(runCapture(common + "--frames " + dir + " --from 0 --to 12"), 0);
    ASSERT_EQ(runCapture(common + "--still 11.96 " + still), 0);
    const Picture through = readPng(dir + "/frame-000359.png");
    const Picture seeked = readPng(still);
    ASSERT_EQ(through.width, 160);
    EXPECT_GT(meanLuminance(through), 1.0) << "past the black opening";
    EXPECT_EQ(through.rgb, seeked.rgb);
}

// An output of another shape holds the same 4:3 picture, as large as fits and
// centred, between pure black bars: pillars for a wide frame, bars above and
// below for a tall one. The anti-aliasing grid (2x1 here) is the same in all
// three, so the pictures match to the byte.
TEST(CaptureTest, OtherShapesCentreTheUnstretchedPictureBetweenBlackBars) {
    const auto capture = [](const std::string& size, const std::string& aa = "2") {
        const std::string path = ownTempDir() + "shape-" + size + "-" + aa + ".png";
        EXPECT_EQ(runCapture("--aa " + aa + " --size " + size + " --still 3:0 " + path), 0) << size;
        return readPng(path);
    };
    const Picture picture = capture("160x120");
    ASSERT_EQ(picture.width, 160);
    // Supersampled, the picture keeps its geometry: it differs from the
    // plain one by the smoothing of its edges alone.
    const Picture plain = capture("160x120", "1");
    ASSERT_EQ(plain.rgb.size(), picture.rgb.size());
    double difference = 0;
    for (size_t i = 0; i < plain.rgb.size(); ++i) difference += std::abs(plain.rgb[i] - picture.rgb[i]);
    EXPECT_LT(difference / plain.rgb.size(), 1.5) << "mean difference per channel, plain against --aa 2";
    bool edgeLit = false;  // the scene reaches the picture's left edge: the bars are not the picture's own black
    for (int32_t y = 0; y < 120; ++y) edgeLit = edgeLit || picture.at(0, y)[0] + picture.at(0, y)[2] > 8;
    ASSERT_TRUE(edgeLit);
    struct Shape {
        std::string size;
        int32_t width, height, left, top;  // where the picture lands (top-left origin)
    };
    for (const Shape& s : {Shape{"320x120", 320, 120, 80, 0}, Shape{"160x300", 160, 300, 0, 90}}) {
        const Picture framed = capture(s.size);
        ASSERT_EQ(framed.width, s.width);
        ASSERT_EQ(framed.height, s.height);
        int32_t wrong = 0;
        for (int32_t y = 0; y < s.height; ++y)
            for (int32_t x = 0; x < s.width; ++x) {
                const bool inside = x >= s.left && x < s.left + 160 && y >= s.top && y < s.top + 120;
                const uint8_t black[3] = {0, 0, 0};
                const uint8_t* want = inside ? picture.at(x - s.left, y - s.top) : black;
                wrong += !std::equal(want, want + 3, framed.at(x, y));
            }
        EXPECT_EQ(wrong, 0) << s.size << ": pixels off the centred picture or its black bars";
    }
}

// Bad sizes and grids end with status 2 before anything is drawn or written;
// the framebuffer limit is the renderer's own (65536 wide is beyond any).
TEST(CaptureTest, SizesAndGridsBeyondWhatRenderersTakeAreRefusedFirst) {
    const std::string path = ownTempDir() + "refused.png";
    std::remove(path.c_str());
    EXPECT_EQ(runCapture("--aa 3 --still 1:0 " + path), 2);
    EXPECT_EQ(runCapture("--size 0x0 --still 1:0 " + path), 2);
    EXPECT_EQ(runCapture("--size 16384x16384 --aa 8 --still 1:0 " + path), 2);
    EXPECT_FALSE(std::ifstream(path).good());
}

// The captured sound is the module as libopenmpt renders it, sample for
// sample, over the captured stretch. libopenmpt's output depends slightly on
// how many frames each read asks for, so the reference reads in the player's
// chunks too.
TEST(CaptureTest, WavEqualsTheModuleRenderedByLibopenmptAlone) {
    const std::string wav = ownTempDir() + "capture-sound.wav";
    ASSERT_EQ(runCapture("--wav " + wav + " --from 3.5 --to 9"), 0);
    const std::string bytes = readFile(wav);
    ASSERT_GT(bytes.size(), 44u);
    const size_t sampleCount = (bytes.size() - 44) / 2;
    // 3.5 s and 9 s fall on frames of 60 fps: samples 154350 to 396900.
    ASSERT_EQ(sampleCount, static_cast<size_t>((396900 - 154350) * 2));

    std::ifstream moduleFile(buildPath("data/tessaline/music/tessaline.xm"), std::ios::binary);
    openmpt::module module(moduleFile);
    module.ctl_set_integer("dither", 0);
    std::vector<int16_t> reference(396900 * 2);
    size_t done = 0;
    while (done < 396900) {
        const size_t got = module.read_interleaved_stereo(44100, std::min<size_t>(sound::kModuleChunkFrames, 396900 - done),
                                                          &reference[done * 2]);
        ASSERT_GT(got, 0u);
        done += got;
    }
    const auto* captured = reinterpret_cast<const int16_t*>(bytes.data() + 44);
    size_t mismatches = 0;
    for (size_t i = 0; i < sampleCount; ++i) {
        mismatches += captured[i] != reference[154350 * 2 + i];
    }
    EXPECT_EQ(mismatches, 0u);
}

// Frame k shows the music at k / 60 s: the heart jumps on exactly the frames
// whose music position first reaches a kick row.
TEST_F(ReferenceFrames, BeatJumpsLandOnTheFramesOfTheKickRows) {
    const std::string dir = ownTempDir() + "sync/";
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    ASSERT_EQ(runCapture("--frames " + dir + " --from 4:12 --to 4:40"), 0);

    // The music position of every captured frame, from the same renderer.
    sound::OfflineRender music(buildPath("data/tessaline/music/tessaline.xm"), 0);
    ASSERT_TRUE(music.ok());
    std::vector<int16_t> samples;
    std::vector<sound::ModulePosition> positions;
    while (music.render(44100, samples, positions) > 0 &&
           !(positions.back().order == 4 && positions.back().row >= 41)) {
    }
    int64_t firstSample = -1;
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] == sound::ModulePosition{4, 12}) {
            firstSample = static_cast<int64_t>(i);
            break;
        }
    }
    ASSERT_GE(firstSample, 0);
    const int64_t firstFrame = (firstSample * 60 + 44099) / 44100;

    const Picture backdrop = render(nullptr);
    std::vector<int32_t> heights;
    std::vector<bool> kick;
    for (int32_t k = 0;; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", k);
        const Picture frame = readPng(dir + name);
        if (frame.width == 0) break;
        heights.push_back(changedHeight(changedMask(frame, backdrop), 640, 480));
        const int64_t sample = (firstFrame + k) * 44100 / 60;
        const int64_t previous = (firstFrame + k - 1) * 44100 / 60;
        const auto& now = positions[static_cast<size_t>(sample)];
        const bool newRow = !(positions[static_cast<size_t>(previous)] == now);
        kick.push_back(newRow && (now.row == 16 || now.row == 20 || now.row == 32 || now.row == 36));
    }
    ASSERT_GT(heights.size(), 180u) << "about 28 rows at 60 frames per second";
    int32_t kicks = 0;
    for (size_t k = 1; k < heights.size(); ++k) {
        const bool jumped = heights[k] > heights[k - 1] * 105 / 100;
        EXPECT_EQ(jumped, static_cast<bool>(kick[k])) << "frame " << k << ": height " << heights[k - 1] << " -> "
                                                      << heights[k];
        kicks += kick[k] ? 1 : 0;
    }
    EXPECT_EQ(kicks, 4) << "rows 16, 20, 32 and 36";
}
