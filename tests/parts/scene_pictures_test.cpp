// The show's frames rendered offscreen with the real generated assets (the
// heart object and the images the build draws). Checks hold across Mesa
// versions: where things are and which colour dominates, not exact bytes.
// The frames are also written as PNG files under test-scratch/scene_pictures.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/sequencer.h"
#include "app/shell.h"
#include "gl_fixture.h"
#include "loader/lw_object.h"
#include "music/music_player.h"
#include "parts/pulsing_heart_part.h"
#include "parts/rising_hearts_part.h"
#include "render/texture_manager.h"
#include "scene_position.h"
#include "scene_test_support.h"
#include "sound/double/sound_double.h"
#include "test_paths.h"

namespace {

using Frame = std::vector<uint8_t>;

class ScenePicturesTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // The generated assets are built by the default target.
        for (const char* path : startupImages) {
            if (!std::filesystem::exists(buildPath(path))) {
                GTEST_SKIP() << "asset not built yet: " << path;
            }
        }
        if (!std::filesystem::exists(buildPath(heartObjectPath))) {
            GTEST_SKIP() << "asset not built yet: " << heartObjectPath;
        }
        std::filesystem::current_path(VEXEL_BUILD_DIR);
        ASSERT_TRUE(loadObjects());
        ASSERT_TRUE(loadImages());
        ASSERT_EQ(textureManager.textureNames.size(), 7u) << "one clip, then the six images";
        restartShow();
        sound_double::reset();
    }
    void TearDown() override {
        delete heartObject;
        heartObject = nullptr;
        ShowViewTest::TearDown();
    }

    Frame frame(const std::string& name) const {
        glFinish();
        Frame pixels = gl->readPixels();
        writePng(scratchDirectory("scene_pictures") + "/" + name + ".png", 640, 480, pixels);
        return pixels;
    }
    static Rgb at(const Frame& f, int32_t x, int32_t y) {
        const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
        return {f[i], f[i + 1], f[i + 2]};
    }
    static bool differs(const Frame& a, const Frame& b, size_t pixel) {
        const size_t i = pixel * 4;
        return std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 24;
    }
    // Pixels that differ between two frames inside a box.
    static int differingIn(const Frame& a, const Frame& b, int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = std::max(0, y0); y < std::min(480, y1); ++y) {
            for (int x = std::max(0, x0); x < std::min(640, x1); ++x) {
                count += differs(a, b, static_cast<size_t>(y) * 640 + x);
            }
        }
        return count;
    }
    // The backdrop alone, as the scenes draw it.
    Frame backdropOnly(const std::string& name) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
        part.drawBackdrop(1);
        return frame(name);
    }
};

TEST_F(ScenePicturesTest, OrderZeroIsBlack) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(0, 12);
    part.render(16);
    const Frame f = frame("order-0");
    for (size_t i = 0; i < f.size(); i += 4) {
        ASSERT_EQ(f[i] + f[i + 1] + f[i + 2], 0) << "pixel " << i / 4;
    }
}

TEST_F(ScenePicturesTest, MidShowTheHeartIsRedCentredAndInFrontOfTheBackdrop) {
    const Frame backdrop = backdropOnly("backdrop");
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    sceneStates.pulsingHeart.wobbleStrength = 0.0f;  // died away by order 5
    sceneStates.pulsingHeart.heartDepth = -3.0f;
    musicAt(5, 1);
    part.render(16);
    const Frame f = frame("order-5");

    // The heart: every pixel the scene changed against the backdrop alone.
    int left = 640, right = -1, bottom = 480, top = -1, count = 0;
    long red = 0, green = 0, blue = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (!differs(f, backdrop, static_cast<size_t>(y) * 640 + x)) {
                continue;
            }
            left = std::min(left, x);
            right = std::max(right, x);
            bottom = std::min(bottom, y);
            top = std::max(top, y);
            const Rgb c = at(f, x, y);
            red += c.r;
            green += c.g;
            blue += c.b;
            ++count;
        }
    }
    ASSERT_GT(count, 20000) << "the heart covers a good part of the view";
    EXPECT_NEAR((left + right) / 2.0, 320.0, 25.0) << "centred across";
    EXPECT_NEAR((bottom + top) / 2.0, 240.0, 25.0) << "centred up and down";
    EXPECT_LT(right - left, 640 - 40) << "the backdrop shows around it";
    EXPECT_GT(red, 2 * green) << "red";
    EXPECT_GT(red, 2 * blue) << "red";
    // The corners are the backdrop's.
    EXPECT_EQ(differingIn(f, backdrop, 0, 0, 40, 40), 0);
    EXPECT_EQ(differingIn(f, backdrop, 600, 440, 640, 480), 0);
}

TEST_F(ScenePicturesTest, ATextImageShowsAtOrderEight) {
    PulsingHeartPart plain(sceneStates.pulsingHeart, heartObject);
    sceneStates.pulsingHeart.wobbleStrength = 0.0f;
    musicAt(5, 1);
    plain.render(0);
    const Frame without = frame("order-5-no-text");
    PulsingHeartPart withText(sceneStates.pulsingHeart, heartObject);
    withText.textAlpha = 0.9f;
    musicAt(8, 2);
    withText.render(0);
    const Frame with = frame("order-8-text");
    const int changed = differingIn(with, without, 0, 0, 640, 480);
    EXPECT_GT(changed, 2000) << "the text image adds visible ink";
    EXPECT_LT(changed, 640 * 480 / 2) << "over the scene, not instead of it";
}

TEST_F(ScenePicturesTest, TheClosingSceneShowsSevenHeartsUnderTheOverlay) {
    // All seven hearts across the middle of the view, no veil.
    sceneStates.risingHearts.heightsSet = true;
    musicAt(26, 5);
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    part.render(0);
    const Frame f = frame("closing");

    RisingHeartsPart bare(sceneStates.risingHearts, nullptr);
    bare.render(0);
    const Frame noHearts = frame("closing-no-hearts");

    const uint32_t overlay = textureManager.textureNames[6];
    textureManager.textureNames[6] = textureManager.textureNames[0];
    const uint32_t clear = addSolidTexture(0, 0, 0, 0);
    textureManager.textureNames[6] = textureManager.textureNames[clear];
    part.render(0);
    const Frame noOverlay = frame("closing-no-overlay");
    textureManager.textureNames[6] = overlay;

    const double tanHalfFov = std::tan(22.5 * M_PI / 180.0);
    for (int i = 0; i < risingHearts::heartCount; ++i) {
        const double depth = -risingHearts::heartDepths[i];
        const int x = static_cast<int>(320.0 + risingHearts::heartX(i) / (depth * tanHalfFov * 4.0 / 3.0) * 320.0);
        EXPECT_GT(differingIn(f, noHearts, x - 15, 225, x + 15, 255), 150) << "heart " << i << " near x " << x;
    }
    // Between the hearts the scene is the backdrop (and the overlay).
    EXPECT_EQ(differingIn(f, noHearts, 0, 0, 640, 150), 0) << "nothing above the row of hearts";
    EXPECT_GT(differingIn(f, noOverlay, 0, 0, 640, 480), 5000) << "the overlay shows";
}

TEST_F(ScenePicturesTest, TheClosingSceneEmergesFromBlack) {
    musicAt(26, 0);
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    part.render(16);
    const Frame first = frame("closing-first-frame");
    int brightest = 0;
    for (size_t i = 0; i < first.size(); i += 4) {
        brightest = std::max({brightest, int{first[i]}, int{first[i + 1]}, int{first[i + 2]}});
    }
    EXPECT_LE(brightest, 6) << "under the opaque veil";
    for (int step = 0; step < 10; ++step) {
        part.render(100);
    }
    const Frame later = frame("closing-after-one-second");
    EXPECT_LE(part.fadeAlpha, 0.0f);
    EXPECT_GT(at(later, 320, 440).r + at(later, 320, 440).g + at(later, 320, 440).b, 30);
}

}  // namespace
