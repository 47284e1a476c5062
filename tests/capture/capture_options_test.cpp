// The capture tool's command line, progress bar and WAV writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "capture_options.h"
#include "frame_composer.h"
#include "progress_bar.h"
#include "wav_writer.h"

namespace {

std::optional<CaptureOptions> parse(std::vector<std::string> arguments, std::string* errorOut = nullptr) {
    std::string error;
    auto options = parseCaptureOptions(arguments, error);
    if (errorOut != nullptr) {
        *errorOut = error;
    }
    return options;
}

}  // namespace

TEST(MusicPositionTest, OrderRowAndSeconds) {
    auto position = parseMusicPosition("25:48");
    ASSERT_TRUE(position);
    EXPECT_TRUE(position->isOrderRow);
    EXPECT_EQ(position->order, 25);
    EXPECT_EQ(position->row, 48);

    position = parseMusicPosition("12.5s");
    ASSERT_TRUE(position);
    EXPECT_FALSE(position->isOrderRow);
    EXPECT_DOUBLE_EQ(position->seconds, 12.5);
    EXPECT_TRUE(parseMusicPosition("0"));

    for (const char* bad : {"", ":", "3:", ":4", "-1:0", "3:256", "3:4:5", "x", "1e999", "-2", "nan", "s", "3.5m"}) {
        EXPECT_FALSE(parseMusicPosition(bad)) << bad;
    }
}

TEST(CaptureOptionsTest, DefaultsAndValues) {
    auto options = parse({"--video", "show.mp4"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->fps, 60);
    EXPECT_EQ(options->width, 640);
    EXPECT_EQ(options->height, 480);
    EXPECT_EQ(options->samplesPerPixel, 1);
    EXPECT_FALSE(options->from);
    EXPECT_EQ(options->videoPath, "show.mp4");

    options = parse({"--fps", "30", "--size", "1280x960", "--from", "4:0", "--to", "20.5", "--frames", "out",
                     "--wav", "a.wav", "--quiet"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->fps, 30);
    EXPECT_EQ(options->width, 1280);
    EXPECT_EQ(options->height, 960);
    EXPECT_EQ(options->from->order, 4);
    EXPECT_DOUBLE_EQ(options->to->seconds, 20.5);
    EXPECT_EQ(options->framesDir, "out");
    EXPECT_EQ(options->wavPath, "a.wav");
    EXPECT_TRUE(options->quiet);

    options = parse({"--size", "1920x1080", "--aa", "8", "--video", "hd.mp4"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->width, 1920);
    EXPECT_EQ(options->samplesPerPixel, 8);
}

TEST(CaptureOptionsTest, StillsRepeatInOrderGiven) {
    auto options = parse({"--still", "8:0", "a.png", "--still", "1.5", "b.png"});
    ASSERT_TRUE(options);
    ASSERT_EQ(options->stills.size(), 2u);
    EXPECT_EQ(options->stills[0].position.order, 8);
    EXPECT_EQ(options->stills[0].path, "a.png");
    EXPECT_DOUBLE_EQ(options->stills[1].position.seconds, 1.5);
}

// Every rejection names what was wrong, so the user can mend the command.
TEST(CaptureOptionsTest, BadOptionsAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> arguments;
        const char* mentions;
    };
    const std::vector<Case> cases = {
        {{}, "nothing to write"},
        {{"--bogus"}, "--bogus"},
        {{"--fps"}, "--fps needs a value"},
        {{"--fps", "0", "--wav", "a"}, "--fps"},
        {{"--fps", "sixty", "--wav", "a"}, "sixty"},
        {{"--size", "640", "--wav", "a"}, "--size"},
        {{"--size", "641x480", "--wav", "a"}, "even"},
        {{"--size", "8x8", "--wav", "a"}, "--size"},
        {{"--size", "0x0", "--wav", "a"}, "--size"},
        {{"--size", "100000x100000", "--wav", "a"}, "--size"},
        {{"--aa", "3", "--wav", "a"}, "--aa"},
        {{"--aa", "0", "--wav", "a"}, "--aa"},
        {{"--gpu", "-1", "--wav", "a"}, "--gpu"},
        {{"--gpu", "first", "--wav", "a"}, "--gpu"},
        {{"--aa", "16", "--wav", "a"}, "--aa"},
        {{"--aa"}, "--aa needs a value"},
        {{"--from", "later", "--wav", "a"}, "ORDER:ROW"},
        {{"--still", "8:0"}, "file"},
        {{"--still", "8:0", "a.png", "--video", "v.mp4"}, "--still"},
        {{"--still", "8:0", "a.png", "--to", "9:0"}, "--still"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.arguments, &error)) << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << "'" << error << "' lacks '" << c.mentions << "'";
    }
    EXPECT_TRUE(parse({"--help"}));
}

TEST(ProgressBarTest, FillsAndEstimatesTimeLeft) {
    EXPECT_EQ(ProgressBar::format(0, 10, 0.0, 10), "[..........]   0%");
    EXPECT_EQ(ProgressBar::format(5, 10, 4.0, 10), "[#####.....]  50%  4.0 s left");
    EXPECT_EQ(ProgressBar::format(10, 10, 8.0, 10), "[##########] 100%  0.0 s left");
    // Overshoot and an empty total never draw past the bar.
    EXPECT_EQ(ProgressBar::format(12, 10, 8.0, 10), "[##########] 100%  0.0 s left");
    EXPECT_EQ(ProgressBar::format(0, 0, 0.0, 4), "[....]   0%");
}

TEST(WavWriterTest, HeaderDescribesTheSamples) {
    const std::string path = testing::TempDir() + "capture_test.wav";
    const std::vector<int16_t> samples = {1, -1, 32767, -32768, 256, 0};
    ASSERT_TRUE(writeWav(path, samples, 44100, 2));
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 44u + samples.size() * 2);
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8); };
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), bytes.size() - 8);
    EXPECT_EQ(u16(20), 1u);                  // PCM
    EXPECT_EQ(u16(22), 2u);                  // channels
    EXPECT_EQ(u32(24), 44100u);              // frames per second
    EXPECT_EQ(u32(28), 44100u * 4);          // bytes per second
    EXPECT_EQ(u16(32), 4u);                  // bytes per frame
    EXPECT_EQ(u16(34), 16u);                 // bits per sample
    EXPECT_EQ(u32(40), samples.size() * 2);  // data size
    EXPECT_EQ(static_cast<int16_t>(u16(44 + 6)), -32768);
    std::remove(path.c_str());
    EXPECT_FALSE(writeWav("/nonexistent-dir/x.wav", samples, 44100, 2));
}

// Anti-aliasing averages each sample grid into one pixel (rounded); another
// output shape places the 4:3 picture centred between opaque black bars.
TEST(FrameComposerTest, AveragesTheSampleGridIntoThePictureBetweenBlackBars) {
    EXPECT_EQ(sampleGridFor(8).columns * sampleGridFor(8).rows, 8);
    EXPECT_EQ(sampleGridFor(2).columns * sampleGridFor(2).rows, 2);
    const FrameLayout layout = layoutFrame(16, 6, 4, 3, 4);  // 16:9-ish output, 2x2 samples
    ASSERT_EQ(layout.picture.x, 4);
    ASSERT_EQ(layout.picture.width, 8);
    ASSERT_EQ(layout.renderWidth(), 16);
    ASSERT_EQ(layout.renderHeight(), 12);
    std::vector<uint8_t> rendered(16 * 12 * 4, 200);
    // The picture's bottom-left pixel: samples 0, 100, 101, 255 in red.
    rendered[0] = 0;
    rendered[4] = 100;
    rendered[16 * 4] = 101;
    rendered[16 * 4 + 4] = 255;
    const std::vector<uint8_t> out = composeFrame(rendered, layout);
    ASSERT_EQ(out.size(), 16u * 6 * 4);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* p = &out[(y * 16 + x) * 4];
            const bool bar = x < 4 || x >= 12;
            EXPECT_EQ(p[1], bar ? 0 : 200) << x << "," << y;
            EXPECT_EQ(p[3], bar ? 255 : 200) << x << "," << y;
        }
    EXPECT_EQ(out[4 * 4], 114);  // (0 + 100 + 101 + 255) / 4 = 114
    // One sample a pixel filling the output is the framebuffer as read.
    EXPECT_EQ(composeFrame(rendered, layoutFrame(16, 12, 4, 3, 1)), rendered);
}
