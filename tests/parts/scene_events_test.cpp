// The two scenes driven by a scripted music position, with a small cube
// standing in for the heart: the order and row events, the animation state,
// and what the frames show.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cmath>

#include "core/demo_system.h"
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

namespace {

// A cube of half-size `half` around the origin, faces counter-clockwise seen
// from outside, one surface textured with clip 1.
LwObject makeCube(float half) {
    LwObject cube;
    for (int i = 0; i < 8; ++i) {
        cube.points.push_back({(i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? half : -half});
    }
    const uint32_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& f : faces) {
        cube.triangles.push_back({{f[0], f[1], f[2]}});
        cube.triangles.push_back({{f[0], f[2], f[3]}});
    }
    cube.basePoints = cube.points;
    cube.uvs.assign(8, TexCoord{0.0f, 0.0f});
    for (const Vec3& p : cube.points) {
        const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        cube.normals.push_back({p.x / length, p.y / length, p.z / length});
    }
    cube.surfaces.resize(1);
    cube.surfaces[0].clipIndex = 1;
    cube.surfaceTriangles.resize(1);
    cube.surfaceTriangles[0].triangles = cube.triangles;
    return cube;
}

class SceneEventsTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        addSolidTexture(0, 255, 0, 255);      // 0: the heart's clip, green
        addSolidTexture(0, 0, 255, 255);      // 1: backdrop, blue
        for (int i = 0; i < 4; ++i) {
            addSolidTexture(255, 255, 255, 255);  // 2-5: the text images, white
        }
        addSolidTexture(0, 0, 0, 0);          // 6: the closing overlay, clear
        cube = makeCube(0.4f);
        heartObject = &cube;
        restartShow();
        sound_double::reset();
        musicPlayer.playing = true;
        demoSystem.frameTime = 16;
    }
    void TearDown() override {
        restartShow();
        heartObject = nullptr;
        ShowViewTest::TearDown();
    }

    // The music stands at this order and row until told otherwise.
    Rgb pixel(int32_t x, int32_t y) const {
        uint8_t rgba[4];
        glFinish();
        gl->readPixel(x, y, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
    Rgb centre() const { return pixel(320, 240); }
    Rgb corner() const { return pixel(10, 10); }
    // The largest colour channel value anywhere in the frame.
    int brightest() const {
        glFinish();
        const std::vector<uint8_t> pixels = gl->readPixels();
        int most = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            most = std::max({most, int{pixels[i]}, int{pixels[i + 1]}, int{pixels[i + 2]}});
        }
        return most;
    }
    static void fillRed() {
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    GLint boundTexture() const {
        GLint name = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return name;
    }

    LwObject cube;
};

void expectNear(const Rgb& actual, const Rgb& wanted, int tolerance, const char* what) {
    EXPECT_NEAR(actual.r, wanted.r, tolerance) << what;
    EXPECT_NEAR(actual.g, wanted.g, tolerance) << what;
    EXPECT_NEAR(actual.b, wanted.b, tolerance) << what;
}

// ---- the opening scene ------------------------------------------------------

TEST_F(SceneEventsTest, OrderZeroShowsNothingButTheClear) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    part.start();
    musicAt(0, 0);
    for (int frame = 0; frame < 3; ++frame) {
        fillRed();
        part.render(16);
        EXPECT_EQ(brightest(), 0) << "frame " << frame;
    }
    EXPECT_EQ(sceneStates.pulsingHeart.spinAngle, 90.0f);
    EXPECT_EQ(part.fadeAlpha, 0.0f);
    EXPECT_EQ(part.textAlpha, 0.0f);
    EXPECT_TRUE(part.active);
}

TEST_F(SceneEventsTest, FromOrderOneTheHeartSpinsInFrontOfTheBackdrop) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(1, 5);
    part.render(16);
    expectNear(centre(), {0, 255, 0}, 2, "the heart (green clip) in the middle");
    expectNear(corner(), {0, 0, 255}, 2, "the backdrop");
    EXPECT_FLOAT_EQ(sceneStates.pulsingHeart.spinAngle, 90.8f);
    for (int32_t i = 0; i < cube.pointCount(); ++i) {
        EXPECT_EQ(cube.points[i].x, cube.basePoints[i].x) << "points restored after the frame";
        EXPECT_EQ(cube.points[i].z, cube.basePoints[i].z);
    }
}

TEST_F(SceneEventsTest, TheWobbleDeformsTheDrawnShape) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(1, 5);
    sceneStates.pulsingHeart.wobbleStrength = 0.0f;
    part.render(0);
    const std::vector<uint8_t> still = gl->readPixels();
    sceneStates.pulsingHeart.wobbleStrength = 1.0f;
    part.render(0);
    glFinish();
    const std::vector<uint8_t> wobbled = gl->readPixels();
    size_t differing = 0;
    for (size_t i = 0; i < still.size(); i += 4) {
        differing += still[i + 1] != wobbled[i + 1];
    }
    EXPECT_GT(differing, 500u);
}

TEST_F(SceneEventsTest, FadeInOnRowZeroOfOrderOneOnly) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(1, 0);
    part.render(16);
    EXPECT_FLOAT_EQ(part.fadeRate, -0.0001f);
    EXPECT_FLOAT_EQ(part.fadeAlpha, 1.0f - 16 * 0.0001f);
    EXPECT_LE(brightest(), 2) << "under a nearly opaque black veil";
    // The row stays 0: reported as -1 from now on, no new fade.
    part.render(5000);
    EXPECT_NEAR(part.fadeAlpha, 0.4984f, 1e-4);
    expectNear(corner(), {0, 0, 128}, 3, "half-way out of black");
}

TEST_F(SceneEventsTest, NoFadeOnOtherRowsOrBeforeOrderOne) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(0, 0);
    part.render(16);
    musicAt(1, 1);
    part.render(16);
    musicAt(2, 0);
    part.render(16);
    EXPECT_EQ(part.fadeAlpha, 0.0f);
    EXPECT_EQ(part.fadeRate, 0.0f);
    expectNear(corner(), {0, 0, 255}, 2, "no veil");
}

TEST_F(SceneEventsTest, ARowReportedAsMinusOneTriggersNothing) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(1, -1);  // the sound layer itself answers -1
    part.render(16);
    EXPECT_EQ(part.row, -1);
    EXPECT_EQ(part.fadeRate, 0.0f);
    musicAt(4, -1);
    sceneStates.pulsingHeart.heartDepth = -2.9f;
    part.render(100);
    EXPECT_FLOAT_EQ(sceneStates.pulsingHeart.heartDepth, -2.95f) << "sinks, no jump";
}

TEST_F(SceneEventsTest, BeatRowsSetTheDepthExactlyFromOrderFour) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(3, 0);
    part.render(100);
    EXPECT_EQ(sceneStates.pulsingHeart.heartDepth, -2.5f) << "no beat and no sinking before order 4";
    // Row 0 last: the order 3 frame has already reported it.
    for (int32_t step = 1; step <= 64; ++step) {
        const int32_t row = step % 64;
        musicAt(5, row);
        sceneStates.pulsingHeart.heartDepth = -2.9f;
        part.render(100);
        if (pulsingHeart::isBeatRow(row)) {
            EXPECT_EQ(sceneStates.pulsingHeart.heartDepth, -2.2f) << "row " << row;
        } else {
            EXPECT_FLOAT_EQ(sceneStates.pulsingHeart.heartDepth, -2.95f) << "row " << row;
        }
    }
}

TEST_F(SceneEventsTest, AJumpHappensOnceAndTheHeartSinksBackToRest) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(4, 16);
    part.render(300);
    EXPECT_EQ(sceneStates.pulsingHeart.heartDepth, -2.2f);
    // Same row again: -1, so the heart sinks 0.15 a frame and stops once at
    // or below -3, slightly past it.
    const float expected[] = {-2.35f, -2.5f, -2.65f, -2.8f, -2.95f, -3.1f, -3.1f, -3.1f};
    for (float depth : expected) {
        part.render(300);
        EXPECT_NEAR(sceneStates.pulsingHeart.heartDepth, depth, 1e-5);
    }
}

TEST_F(SceneEventsTest, TheWobbleDiesAwayWithinTwoSecondsFromOrderFour) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(4, 1);
    for (int frame = 0; frame < 20; ++frame) {
        part.render(100);
    }
    EXPECT_LE(sceneStates.pulsingHeart.wobbleStrength, 1e-6f);
    part.render(100);
    EXPECT_LT(sceneStates.pulsingHeart.wobbleStrength, 0.0f) << "no lower bound";
}

TEST_F(SceneEventsTest, TextImagesFollowTheOrderTable) {
    const int texts[] = {2, 3, 4, 5};
    for (int32_t order = 1; order <= 25; ++order) {
        PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
        part.textAlpha = 0.5f;
        musicAt(order, 7);
        part.render(100);
        if (order < 6) {
            EXPECT_EQ(boundTexture(), static_cast<GLint>(textureManager.textureNames[1])) << order;
            EXPECT_EQ(part.textAlpha, 0.5f) << order;
            continue;
        }
        const int image = texts[(order - 6) / 5];
        const bool rising = (order - 6) % 5 < 3;
        EXPECT_EQ(boundTexture(), static_cast<GLint>(textureManager.textureNames[image])) << order;
        EXPECT_EQ(part.textRising, rising) << order;
        EXPECT_NEAR(part.textAlpha, rising ? 0.51f : 0.49f, 1e-6) << order;
    }
}

TEST_F(SceneEventsTest, TheTextImageShowsItsAlphaFromBeforeTheStep) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    part.textAlpha = 0.5f;
    musicAt(8, 3);
    part.render(1000);
    EXPECT_FLOAT_EQ(part.textAlpha, 0.6f);
    // White text over the blue backdrop at 0.5, not 0.6.
    expectNear(corner(), {128, 128, 255}, 2, "drawn at the old alpha");
}

TEST_F(SceneEventsTest, OrderTwentyFiveRowFortyEightFadesOutOnce) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(25, 47);
    part.render(16);
    musicAt(25, 48);
    part.render(16);
    EXPECT_FLOAT_EQ(part.fadeRate, 0.001f);
    EXPECT_FLOAT_EQ(part.fadeAlpha, 0.016f);
    part.render(500);  // same row: no new fade, the veil thickens on
    EXPECT_FLOAT_EQ(part.fadeAlpha, 0.516f);
    musicAt(25, 49);
    part.render(500);
    EXPECT_EQ(brightest(), 0) << "black from one second on";
}

// ---- the change of scene ----------------------------------------------------

TEST_F(SceneEventsTest, OrderTwentySixEndsTheFirstSceneAndTheSecondStartsNextFrame) {
    ASSERT_TRUE(advancePart());
    ASSERT_NE(dynamic_cast<PulsingHeartPart*>(currentPart), nullptr);
    musicAt(25, 63);
    drawFrame();
    musicAt(26, 0);
    fillRed();
    drawFrame();
    EXPECT_FALSE(currentPart->active);
    EXPECT_NE(dynamic_cast<PulsingHeartPart*>(currentPart), nullptr) << "still shown in that frame";
    EXPECT_EQ(brightest(), 0) << "that frame is only the clear";
    EXPECT_EQ(currentPart->row, 0);

    drawFrame();  // the music still at row 0 of order 26
    auto* second = dynamic_cast<RisingHeartsPart*>(currentPart);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->row, 0) << "row 0 is reported again to the new part";
    EXPECT_EQ(second->order, 26);
    EXPECT_TRUE(sceneStates.risingHearts.fadeStarted);
    EXPECT_FLOAT_EQ(second->fadeAlpha, 1.0f - 16 * 0.001f);
    EXPECT_LE(brightest(), 5) << "under the opening veil";
}

// ---- the closing scene ------------------------------------------------------

TEST_F(SceneEventsTest, ClosingSceneStartsAllHeartsAtTheBottomOnItsFirstFrame) {
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    musicAt(26, 0);
    part.render(1000);
    for (int i = 0; i < risingHearts::heartCount; ++i) {
        EXPECT_FLOAT_EQ(sceneStates.risingHearts.riseHeight[i], -2.8f + 1000 * risingHearts::riseSpeed[i]) << i;
    }
    EXPECT_FLOAT_EQ(sceneStates.risingHearts.tumbleAngle, 50.0f);
    // A second part of the same run does not start them again.
    RisingHeartsPart later(sceneStates.risingHearts, heartObject);
    later.render(0);
    EXPECT_FLOAT_EQ(sceneStates.risingHearts.riseHeight[0], -2.8f + 1000 * risingHearts::riseSpeed[0]);
}

TEST_F(SceneEventsTest, TheClosingFadeHappensOncePerRun) {
    {
        RisingHeartsPart part(sceneStates.risingHearts, heartObject);
        musicAt(26, 0);
        part.render(16);
        EXPECT_FLOAT_EQ(part.fadeRate, -0.001f);
    }
    // The music comes back to row 0 of order 26, even for a new part.
    RisingHeartsPart again(sceneStates.risingHearts, heartObject);
    musicPlayer.forgetRow();
    musicAt(26, 0);
    again.render(16);
    EXPECT_EQ(again.row, 0);
    EXPECT_EQ(again.fadeRate, 0.0f);
    EXPECT_EQ(again.fadeAlpha, 0.0f);
}

TEST_F(SceneEventsTest, WithoutRowZeroOfOrderTwentySixTheClosingSceneShowsAtOnce) {
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    musicAt(26, 1);
    part.render(16);
    EXPECT_FALSE(sceneStates.risingHearts.fadeStarted);
    expectNear(corner(), {0, 0, 255}, 2, "backdrop, no veil");
}

TEST_F(SceneEventsTest, AHeartPassingTheTopIsDrawnOnceMoreThenStartsAgainAtTheBottom) {
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    musicAt(26, 5);
    part.render(0);  // the first frame puts every heart at the bottom
    sceneStates.risingHearts.riseHeight[4] = 1.5f;
    // Heart 4: x 0.8333 at z -4.6, seen at about (425, 429) at height 1.5.
    part.render(5000);  // climbs 1.5 units: past 2.8
    expectNear(pixel(425, 429), {0, 255, 0}, 2, "drawn at its old height");
    EXPECT_EQ(sceneStates.risingHearts.riseHeight[4], -2.8f);
    part.render(0);
    expectNear(pixel(425, 429), {0, 0, 255}, 2, "gone from the top");
}

TEST_F(SceneEventsTest, TheClosingSceneNeverEndsByItself) {
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    part.start();
    for (int32_t order : {26, 27, 0, 40, 26}) {
        for (int32_t row : {0, 48, 63}) {
            musicAt(order, row);
            part.render(16);
            EXPECT_TRUE(part.active);
        }
    }
}

}  // namespace
