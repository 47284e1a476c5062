// The part base class offscreen, with the real texture manager: the veil, the
// backdrop, the overlay, and the GL state each leaves behind.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include "core/demo_config.h"
#include "gl_fixture.h"
#include "parts/demo_part.h"
#include "render/texture_manager.h"
#include "scene_test_support.h"

namespace {

class DemoPartTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        const std::string dir = scratchDirectory("demo_part");
        const uint8_t white[4] = {255, 255, 255, 255};
        const uint8_t halfWhite[4] = {255, 255, 255, 200};
        ASSERT_TRUE(writeSolidPng(dir + "/white.png", 8, 8, white));
        ASSERT_TRUE(writeSolidPng(dir + "/translucent.png", 8, 8, halfWhite));
        textureManager.load((dir + "/white.png").c_str());        // 0
        textureManager.load((dir + "/translucent.png").c_str());  // 1
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    uint8_t redAt(int32_t x, int32_t y) const {
        uint8_t rgba[4];
        gl->readPixel(x, y, rgba);
        return rgba[0];
    }

    // A flat square of one colour facing the viewer at eye-space z, centred
    // on (x, 0), `half` units wide each way.
    static void drawQuadAt(float z, float half, float r, float g, float b, float x = 0.0f) {
        glLoadIdentity();
        glColor3f(r, g, b);
        glBegin(GL_QUADS);
        glVertex3f(x - half, -half, z);
        glVertex3f(x + half, -half, z);
        glVertex3f(x + half, half, z);
        glVertex3f(x - half, half, z);
        glEnd();
    }

    DemoPart part;
};

TEST_F(DemoPartTest, NoVeilBeforeTheFirstFade) {
    part.drawBackdrop(0);
    const GlState before = captureGlState();
    part.drawFade(16.0f);
    glFinish();
    EXPECT_EQ(describeDifferences(before, captureGlState()), "");
    EXPECT_EQ(redAt(320, 240), 255);
}

TEST_F(DemoPartTest, FadeInQuarterSecondLeavesThreeQuarterBlackVeil) {
    part.drawBackdrop(0);
    part.fadeIn(0.001f, 0.0f, 0.0f, 0.0f);
    part.drawFade(250.0f);
    glFinish();
    EXPECT_FLOAT_EQ(part.fadeAlpha, 0.75f);
    // White under a black veil of alpha 0.75: a quarter of 255.
    for (auto [x, y] : {std::pair{320, 240}, {2, 2}, {637, 477}}) {
        EXPECT_NEAR(redAt(x, y), 64, 2) << x << "," << y;
    }
}

TEST_F(DemoPartTest, AVeilEndingAtZeroDrawsNothingAndChangesNoState) {
    part.fadeIn(0.5f, 0.0f, 0.0f, 0.0f);
    part.drawBackdrop(0);
    glEnable(GL_BLEND);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glTranslatef(1.0f, 2.0f, 3.0f);
    const GlState before = captureGlState();
    part.drawFade(2.0f);  // 1 - 2 x 0.5: exactly 0
    glFinish();
    EXPECT_EQ(part.fadeAlpha, 0.0f);
    EXPECT_EQ(describeDifferences(before, captureGlState()), "");
    EXPECT_EQ(redAt(320, 240), 255);
}

TEST_F(DemoPartTest, FadeInEndsAfterOneSecondAndKeepsFalling) {
    part.fadeIn(0.001f, 0.0f, 0.0f, 0.0f);
    part.drawFade(600.0f);
    part.drawBackdrop(0);
    const GlState before = captureGlState();
    part.drawFade(400.0f);
    glFinish();
    EXPECT_LE(part.fadeAlpha, 0.0f);
    EXPECT_EQ(describeDifferences(before, captureGlState()), "");
    EXPECT_EQ(redAt(320, 240), 255);
    part.drawFade(100.0f);
    EXPECT_LT(part.fadeAlpha, -0.05f);
}

TEST_F(DemoPartTest, FadeOutIsOpaqueFromOneSecondAndKeepsGrowing) {
    part.fadeOut(0.001f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(part.fadeAlpha, 0.0f);
    part.drawBackdrop(0);
    part.drawFade(500.0f);
    glFinish();
    EXPECT_NEAR(redAt(320, 240), 128, 2);
    part.drawBackdrop(0);
    part.drawFade(700.0f);
    glFinish();
    EXPECT_EQ(redAt(320, 240), 0);
    EXPECT_FLOAT_EQ(part.fadeAlpha, 1.2f);
    // A frame of 0 ms keeps the alpha and still draws.
    part.drawBackdrop(0);
    part.drawFade(0.0f);
    glFinish();
    EXPECT_FLOAT_EQ(part.fadeAlpha, 1.2f);
    EXPECT_EQ(redAt(320, 240), 0);
}

TEST_F(DemoPartTest, VeilTakesItsColour) {
    glClear(GL_COLOR_BUFFER_BIT);
    part.fadeIn(0.001f, 1.0f, 0.0f, 0.0f);
    part.drawFade(0.0f);
    glFinish();
    uint8_t rgba[4];
    gl->readPixel(320, 240, rgba);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);
}

TEST_F(DemoPartTest, StateAfterADrawnVeil) {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    part.fadeIn(0.001f, 0.0f, 0.0f, 0.0f);
    part.drawFade(10.0f);
    const GlState state = captureGlState();
    EXPECT_FALSE(state.blend);
    EXPECT_FALSE(state.texture2d);
    EXPECT_FALSE(state.lighting);
    EXPECT_TRUE(state.depthTest);
    EXPECT_EQ(state.depthMask, GL_TRUE);
    for (float c : state.colour) {
        EXPECT_EQ(c, 1.0f);
    }
    EXPECT_EQ(state.blendSrc, GL_SRC_ALPHA);
    EXPECT_EQ(state.blendDst, GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(DemoPartTest, VeilCoversEverythingWhateverTheDepthBuffer) {
    drawQuadAt(-1.0f, 0.3f, 1.0f, 1.0f, 1.0f);  // near geometry, depth written
    part.fadeIn(0.001f, 0.0f, 0.0f, 0.0f);
    part.drawFade(0.0f);
    glFinish();
    EXPECT_EQ(redAt(320, 240), 0);
}

TEST_F(DemoPartTest, OverlayWithKeptColourShowsThatShareOfTheTextureAlpha) {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 0.3f);
    part.drawOverlay(1, true);  // texture alpha 200
    glFinish();
    // 255 x 0.3 x 200/255 over black.
    EXPECT_NEAR(redAt(320, 240), 60, 2);
}

TEST_F(DemoPartTest, OverlayWithoutKeptColourIsOpaqueWhite) {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(0.0f, 0.0f, 0.0f, 0.1f);
    part.drawOverlay(0, false);
    glFinish();
    EXPECT_EQ(redAt(320, 240), 255);
    for (float c : captureGlState().colour) {
        EXPECT_EQ(c, 1.0f);
    }
}

TEST_F(DemoPartTest, OverlayFillsTheViewportWhateverItsSize) {
    for (auto [width, height] : {std::pair{320, 240}, {640, 480}, {200, 400}}) {
        glViewport(0, 0, 640, 480);
        glClear(GL_COLOR_BUFFER_BIT);
        glViewport(0, 0, width, height);
        part.drawOverlay(0, false);
        glFinish();
        EXPECT_EQ(redAt(0, 0), 255) << width << "x" << height;
        EXPECT_EQ(redAt(width - 1, height - 1), 255) << width << "x" << height;
        EXPECT_EQ(redAt(width / 2, height / 2), 255) << width << "x" << height;
        if (width < 640) {
            EXPECT_EQ(redAt(width + 1, 0), 0) << "outside the viewport";
        }
    }
}

TEST_F(DemoPartTest, OverlayReadsTheConfiguredSizeOnEveryCall) {
    // The orthographic box is the configured size: with a box twice as wide
    // as the viewport's quad the overlay still ends at the viewport's edges.
    const DemoConfig saved = demoConfig;
    demoConfig.width = 1280;
    demoConfig.height = 960;
    glClear(GL_COLOR_BUFFER_BIT);
    part.drawOverlay(0, false);
    glFinish();
    demoConfig = saved;
    EXPECT_EQ(redAt(0, 0), 255);
    EXPECT_EQ(redAt(639, 479), 255);
}

TEST_F(DemoPartTest, StateAfterOverlay) {
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    const GlState before = captureGlState();
    part.drawOverlay(0, true);
    const GlState after = captureGlState();
    EXPECT_FALSE(after.blend);
    EXPECT_FALSE(after.texture2d);
    EXPECT_FALSE(after.lighting);
    EXPECT_EQ(after.depthTest, before.depthTest);
    EXPECT_EQ(after.depthMask, before.depthMask);
    EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(after.projection[i], before.projection[i]) << "projection restored";
    }
    EXPECT_EQ(after.boundTexture, static_cast<GLint>(textureManager.textureNames[0]));
    EXPECT_EQ(after.texEnvMode, GL_MODULATE);
}

TEST_F(DemoPartTest, BackdropHidesNothingNearerNorDrawnAfterIt) {
    drawQuadAt(-4.0f, 0.5f, 0.0f, 1.0f, 0.0f);         // nearer: stays, centre
    drawQuadAt(-6.0f, 0.5f, 0.0f, 0.0f, 1.0f, -1.5f);  // further: covered, left
    part.drawBackdrop(0);
    drawQuadAt(-7.0f, 1.5f, 1.0f, 0.0f, 0.0f);         // further but after it: shows
    glFinish();
    uint8_t centre[4];
    gl->readPixel(320, 240, centre);
    EXPECT_EQ(centre[0], 0);
    EXPECT_EQ(centre[1], 255) << "green quad at z = -4 in front of the backdrop";
    uint8_t left[4];
    gl->readPixel(175, 240, left);
    EXPECT_EQ(left[0], 255) << "white backdrop over the blue quad at z = -6";
    EXPECT_EQ(left[1], 255);
    EXPECT_EQ(left[2], 255);
    // The red quad at z = -7 reaches about 124 pixels from the centre, the
    // green one about 72: between them the red one shows.
    uint8_t ring[4];
    gl->readPixel(320 + 100, 240, ring);
    EXPECT_EQ(ring[0], 255);
    EXPECT_EQ(ring[1], 0);
    EXPECT_EQ(ring[2], 0);
}

TEST_F(DemoPartTest, BackdropFillsTheViewAtItsDepth) {
    glClear(GL_COLOR_BUFFER_BIT);
    part.drawBackdrop(0);
    glFinish();
    for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {320, 240}}) {
        EXPECT_EQ(redAt(x, y), 255) << x << "," << y;
    }
}

TEST_F(DemoPartTest, StateAfterBackdrop) {
    for (bool blendBefore : {false, true}) {
        if (blendBefore) {
            glEnable(GL_BLEND);
        } else {
            glDisable(GL_BLEND);
        }
        glDepthMask(GL_FALSE);
        glEnable(GL_TEXTURE_2D);
        part.drawBackdrop(1);
        const GlState after = captureGlState();
        EXPECT_FALSE(after.texture2d);
        EXPECT_EQ(after.depthMask, GL_TRUE);
        EXPECT_TRUE(after.depthTest);
        EXPECT_EQ(after.blend, blendBefore);
        EXPECT_EQ(after.boundTexture, static_cast<GLint>(textureManager.textureNames[1]));
        EXPECT_EQ(after.colour[0], 1.0f);
    }
}

TEST_F(DemoPartTest, StartAndStopSetTheActiveFlagOnly) {
    part.start();
    EXPECT_TRUE(part.active);
    part.stop();
    EXPECT_FALSE(part.active);
}

TEST_F(DemoPartTest, ALaterFadeReplacesTheVeil) {
    part.fadeOut(0.001f, 1.0f, 1.0f, 1.0f);
    part.drawFade(500.0f);
    part.fadeIn(0.002f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(part.fadeAlpha, 1.0f);
    EXPECT_EQ(part.fadeRate, -0.002f);
    EXPECT_EQ(part.fadeColour[2], 1.0f);
    EXPECT_EQ(part.fadeColour[0], 0.0f);
}

}  // namespace
