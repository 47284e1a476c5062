// The show as an audience sees it, through the capture tool: stills at music
// positions, determinism, the sound, and the beat jumps against the timeline.
// Pictures are judged by properties (what differs from the bare backdrop,
// where the lettering is, how tall the heart stands), not by exact bytes, so
// the checks hold across Mesa versions.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/window.h"
#include "gl_fixture.h"
#include "parts/demo_part.h"
#include "render/texture_manager.h"
#include "sound/offline_render.h"
#include "test_paths.h"

namespace {

struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // top row first
    const uint8_t* at(int32_t x, int32_t y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Picture readPng(const std::string& path, uint32_t format = PNG_FORMAT_RGB) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return picture;
    }
    image.format = format;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0) {
        picture.width = static_cast<int32_t>(image.width);
        picture.height = static_cast<int32_t>(image.height);
        picture.rgb = std::move(pixels);
    }
    return picture;
}

int runCapture(const std::string& arguments) {
    const std::string command = "cd " + buildPath("") + " && ./tessaline-capture --quiet " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double meanLuminance(const Picture& picture) {
    double sum = 0.0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        sum += 0.299 * picture.rgb[i] + 0.587 * picture.rgb[i + 1] + 0.114 * picture.rgb[i + 2];
    }
    return sum / (picture.rgb.size() / 3);
}

// Pixels that differ clearly from a reference frame of the same size.
std::vector<uint8_t> changedMask(const Picture& frame, const Picture& reference, int threshold = 28) {
    std::vector<uint8_t> mask(static_cast<size_t>(frame.width) * frame.height, 0);
    for (size_t i = 0; i < mask.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(frame.rgb[i * 3 + c] - reference.rgb[i * 3 + c]) > threshold) {
                mask[i] = 1;
            }
        }
    }
    return mask;
}

// Rows from the first to the last with at least a few changed pixels.
int32_t changedHeight(const std::vector<uint8_t>& mask, int32_t width, int32_t height) {
    int32_t first = -1;
    int32_t last = -1;
    for (int32_t y = 0; y < height; ++y) {
        int32_t count = 0;
        for (int32_t x = 0; x < width; ++x) {
            count += mask[static_cast<size_t>(y) * width + x];
        }
        if (count >= 4) {
            if (first < 0) first = y;
            last = y;
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// Side-by-side objects: runs of columns holding changed pixels, split by
// gaps of empty columns. Lettering drawn over an object may cut it into
// pieces, but not into separate columns.
int32_t countColumnGroups(const std::vector<uint8_t>& mask, int32_t width, int32_t height, int32_t minWidth) {
    int32_t groups = 0;
    int32_t runWidth = 0;
    int32_t gap = 0;
    for (int32_t x = 0; x <= width; ++x) {
        int32_t count = 0;
        for (int32_t y = 0; x < width && y < height; ++y) {
            count += mask[static_cast<size_t>(y) * width + x];
        }
        if (count >= 3) {
            runWidth += gap < 6 ? gap + 1 : 1;
            gap = 0;
            continue;
        }
        ++gap;
        if (gap == 6 || x == width) {
            groups += runWidth >= minWidth ? 1 : 0;
            runWidth = 0;
        }
    }
    return groups;
}

// The backdrop (and optionally an overlay) drawn alone by the show's own
// part services, as references for what the scenes add.
class ReferenceFrames : public GlTest {
protected:
    Picture render(const char* overlayPath) {
        resizeView(640, 480);
        initRenderState();
        const uint32_t first = static_cast<uint32_t>(textureManager.textureNames.size());
        textureManager.load("data/tessaline/gfx/bg.png");
        if (overlayPath != nullptr) {
            textureManager.load(overlayPath);
        }
        DemoPart part;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        part.drawBackdrop(static_cast<int>(first));
        if (overlayPath != nullptr) {
            part.drawOverlay(static_cast<int>(first + 1), false);
        }
        glFinish();
        const std::vector<uint8_t> rgba = gl->readPixels();
        Picture picture;
        picture.width = 640;
        picture.height = 480;
        picture.rgb.resize(640 * 480 * 3);
        for (int32_t y = 0; y < 480; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                const uint8_t* source = &rgba[(static_cast<size_t>(479 - y) * 640 + x) * 4];
                std::copy(source, source + 3, &picture.rgb[(static_cast<size_t>(y) * 640 + x) * 3]);
            }
        }
        return picture;
    }
};

// One capture run makes every still the tests below look at.
class CaptureStillsTest : public ReferenceFrames {
protected:
    static void SetUpTestSuite() {
        dir_ = testing::TempDir() + "capture-stills/";
        std::system(("mkdir -p " + dir_).c_str());
        std::string arguments;
        for (const char* position : {"0:32", "1:2", "3:0", "5:0", "8:0", "25:60", "27:0"}) {
            arguments += std::string(" --still ") + position + " " + dir_ + position + ".png";
        }
        status_ = runCapture(arguments);
    }
    void SetUp() override {
        ReferenceFrames::SetUp();
        ASSERT_EQ(status_, 0) << "tessaline-capture failed";
    }
    static Picture still(const std::string& position) { return readPng(dir_ + position + ".png"); }

    static inline std::string dir_;
    static inline int status_ = -1;
};

}  // namespace

TEST_F(CaptureStillsTest, OpensOnBlackAndEmergesFromIt) {
    const Picture order0 = still("0:32");
    ASSERT_EQ(order0.width, 640);
    ASSERT_EQ(order0.height, 480);
    EXPECT_EQ(*std::max_element(order0.rgb.begin(), order0.rgb.end()), 0) << "order 0 is pure black";

    // A little after row 0 of order 1 the veil still hides almost everything;
    // by order 3 the scene has come up.
    const double early = meanLuminance(still("1:2"));
    const double later = meanLuminance(still("3:0"));
    EXPECT_LT(early, later * 0.25) << early << " vs " << later;
    EXPECT_GT(later, 20.0);
}

TEST_F(CaptureStillsTest, HeartStandsRedAndCentredBeforeTheBackdrop) {
    const Picture frame = still("5:0");
    const Picture backdrop = render(nullptr);
    const std::vector<uint8_t> mask = changedMask(frame, backdrop);
    int64_t count = 0;
    int64_t sumX = 0;
    int64_t sumY = 0;
    double red = 0.0;
    double blue = 0.0;
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            if (mask[static_cast<size_t>(y) * 640 + x] == 0) continue;
            ++count;
            sumX += x;
            sumY += y;
            red += frame.at(x, y)[0];
            blue += frame.at(x, y)[2];
        }
    }
    ASSERT_GT(count, 640 * 480 / 10) << "the heart covers a good part of the view";
    EXPECT_NEAR(static_cast<double>(sumX) / count, 320.0, 48.0);
    EXPECT_NEAR(static_cast<double>(sumY) / count, 240.0, 60.0);
    EXPECT_GT(red, 2.0 * blue) << "the heart is red";
}

TEST_F(CaptureStillsTest, FirstTextImageShowsAtOrderEight) {
    const Picture lettering = readPng("data/tessaline/gfx/text-1.png", PNG_FORMAT_RGBA);
    ASSERT_GT(lettering.width, 0);
    // The text image fills the window: the screen pixel (x, y) shows the
    // image pixel at the same relative place.
    auto letteringAlpha = [&](int32_t x, int32_t y) {
        const int32_t u = x * lettering.width / 640;
        const int32_t v = y * lettering.height / 480;
        return lettering.rgb[(static_cast<size_t>(v) * lettering.width + u) * 4 + 3];
    };
    const Picture withText = still("8:0");
    const Picture withoutText = still("5:0");
    double lumaWith = 0.0;
    double lumaWithout = 0.0;
    int64_t count = 0;
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            if (letteringAlpha(x, y) < 230) continue;
            ++count;
            lumaWith += withText.at(x, y)[1];
            lumaWithout += withoutText.at(x, y)[1];
        }
    }
    ASSERT_GT(count, 1000) << "text-1 has solid lettering";
    EXPECT_GT(lumaWith / count, lumaWithout / count + 60.0)
        << "lettering pixels are light at order 8 and not at order 5";
}

TEST_F(CaptureStillsTest, ClosingFadeHasGoneBlackByRowSixty) {
    const Picture frame = still("25:60");
    EXPECT_LE(*std::max_element(frame.rgb.begin(), frame.rgb.end()), 10);
}

TEST_F(CaptureStillsTest, ClosingSceneShowsSevenHeartsUnderTheOverlay) {
    const Picture frame = still("27:0");
    const Picture reference = render("data/tessaline/gfx/zurak.png");
    EXPECT_EQ(countColumnGroups(changedMask(frame, reference), 640, 480, 12), 7);
    // Where the reference is unchanged by hearts, the overlay's frame and
    // name are there: most of the picture matches it.
    const std::vector<uint8_t> changed = changedMask(frame, reference);
    const auto differing = std::count(changed.begin(), changed.end(), 1);
    EXPECT_LT(differing, 640 * 480 / 5);
}

TEST(CaptureTest, SameFrameTwiceGivesTheSamePixels) {
    const std::string first = testing::TempDir() + "determinism-a.png";
    const std::string second = testing::TempDir() + "determinism-b.png";
    ASSERT_EQ(runCapture("--still 2:16 " + first), 0);
    ASSERT_EQ(runCapture("--still 2:16 " + second), 0);
    const std::string a = readFile(first);
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, readFile(second));
}

// The captured sound is the module as libopenmpt renders it, sample for
// sample, over the captured stretch. libopenmpt's output depends slightly on
// how many frames each read asks for, so the reference reads in the player's
// chunks too.
TEST(CaptureTest, WavEqualsTheModuleRenderedByLibopenmptAlone) {
    const std::string wav = testing::TempDir() + "capture-sound.wav";
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
    const std::string dir = testing::TempDir() + "capture-sync/";
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
