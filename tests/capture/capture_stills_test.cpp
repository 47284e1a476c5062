// The show as an audience sees it, in stills at music positions. Pictures are
// judged by properties (what differs from the bare backdrop, where the
// lettering is), not by exact bytes, so the checks hold across Mesa versions.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <string>
#include <vector>

#include "capture_test_support.h"

using namespace capture_test;

namespace {

// The stills come from one run of the capture tool (the CTest fixture
// capture_make_stills, see CMakeLists.txt) into VEXEL_STILLS_DIR.
class CaptureStillsTest : public ReferenceFrames {
protected:
    static Picture still(const std::string& position) {
        Picture picture = readPng(std::string(VEXEL_STILLS_DIR) + "/" + position + ".png");
        EXPECT_GT(picture.width, 0) << "no still at " << position << " (run the capture_make_stills test first)";
        return picture;
    }
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

