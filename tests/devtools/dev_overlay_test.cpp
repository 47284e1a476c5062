// The developer overlay: its lines, where the panel lies, that it can be
// read over a bright and a dark picture, and that it leaves the GL state as
// the scenes expect it. The glyph atlas is the one the build draws.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/dev_overlay.h"
#include "core/asset_paths.h"
#include "overlay_font.h"
#include "render/overlay_font_layout.h"
#include "render/overlay_text.h"
#include "scene_test_support.h"
#include "show_images.h"

namespace {

struct Picture {
    std::vector<uint8_t> rgba;  // 640x480, bottom row first
    // The pixel at show coordinates (x, y down from the top).
    const uint8_t* at(int32_t x, int32_t y) const { return &rgba[(static_cast<size_t>(479 - y) * 640 + x) * 4]; }
};

Picture readPicture() {
    Picture picture;
    picture.rgba.resize(size_t{640} * 480 * 4);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
    return picture;
}

OverlayStatus sampleStatus() {
    OverlayStatus status;
    status.order = 7;
    status.row = 32;
    status.scene = "pulsing-heart";
    status.fps = 59.94f;
    status.avOffsetMs = -15;
    status.paused = true;
    status.looping = true;
    return status;
}

class DevOverlayTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        std::string why;
        if (!text.load(overlayFontPath, &why)) {
            GTEST_SKIP() << "no glyph atlas (build the vexel_overlay_font target): " << why;
        }
    }
    // Clears to one grey level and draws the overlay over it.
    Picture drawOver(uint8_t grey, const OverlayStatus& status) {
        glClearColor(grey / 255.0f, grey / 255.0f, grey / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawDevOverlay(status, text);
        return readPicture();
    }
    OverlayText text;
};

TEST(DevOverlayLines, ShowPositionFlagsSceneFpsOffsetAndAWrappedError) {
    OverlayStatus status = sampleStatus();
    status.error = "data/tessaline/gfx/bg.png: " + std::string(60, 'x');
    const std::vector<std::string> lines = devOverlayLines(status);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "07:32  PAUSED  LOOP");
    EXPECT_EQ(lines[1], "scene pulsing-heart");
    EXPECT_EQ(lines[2], "59.9 fps  A/V -15 ms");
    EXPECT_EQ(lines[3] + lines[4], status.error);

    status = OverlayStatus{};
    status.scene = nullptr;
    EXPECT_EQ(devOverlayLines(status), (std::vector<std::string>{"00:00", "scene -", "0.0 fps  A/V +0 ms"}));
}

TEST_F(DevOverlayTest, ThePanelDarkensTheTopLeftCornerAndNothingElse) {
    const OverlayStatus status = sampleStatus();
    const OverlayBox box = devOverlayBox(devOverlayLines(status));
    ASSERT_LT(box.rightPx, 320.0f);
    ASSERT_LT(box.bottomPx, 240.0f);
    const Picture picture = drawOver(255, status);
    int32_t changedOutside = 0;
    int32_t darkInside = 0;
    int32_t inside = 0;
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const uint8_t* p = picture.at(x, y);
            if (x >= box.leftPx && x < box.rightPx && y >= box.topPx && y < box.bottomPx) {
                ++inside;
                darkInside += p[0] < 128 ? 1 : 0;
            } else {
                changedOutside += p[0] != 255 || p[1] != 255 || p[2] != 255 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(changedOutside, 0);
    // Mostly panel, the rest letters: the letters stand out against it.
    EXPECT_GT(darkInside, inside / 2);
}

TEST_F(DevOverlayTest, EveryLineHasLitLettersOverABlackPictureAndTheErrorIsRed) {
    OverlayStatus status = sampleStatus();
    status.error = "data/tessaline/objects/heart.lwo: not an LWO2 object";
    const std::vector<std::string> lines = devOverlayLines(status);
    const OverlayBox box = devOverlayBox(lines);
    const Picture picture = drawOver(0, status);
    for (size_t line = 0; line < lines.size(); ++line) {
        const int32_t top = static_cast<int32_t>(box.topPx + 6.0f + line * OverlayText::lineHeightPx());
        int32_t lit = 0;
        int32_t reddish = 0;
        for (int32_t y = top; y < top + overlayfont::cellHeightPx; ++y) {
            for (int32_t x = static_cast<int32_t>(box.leftPx); x < static_cast<int32_t>(box.rightPx); ++x) {
                const uint8_t* p = picture.at(x, y);
                lit += p[0] > 160 ? 1 : 0;
                reddish += p[0] > 160 && p[1] + 40 < p[0] ? 1 : 0;
            }
        }
        // A line of letters lights far more than a stray texel or two.
        EXPECT_GT(lit, 20 * static_cast<int32_t>(lines[line].size()) / 4) << "line " << line << ": " << lines[line];
        EXPECT_EQ(reddish > lit / 2, line == 3) << "line " << line;
    }
}

TEST_F(DevOverlayTest, LeavesTheGlStateAsItFoundIt) {
    const uint32_t texture = addSolidTexture(10, 20, 30, 255);
    textureManager.bind(texture);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glTranslatef(0.0f, 0.0f, -6.0f);
    const GlState before = captureGlState();
    OverlayStatus status = sampleStatus();
    status.error = "an error";
    drawDevOverlay(status, text);
    EXPECT_EQ(describeDifferences(before, captureGlState()), "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DevOverlayTest, AnAtlasThatIsNotOneIsRefusedAndTheLoadedOneStays) {
    std::string why;
    EXPECT_FALSE(text.load("data/tessaline/gfx/bg.png", &why));  // a picture, but not the grid's size
    EXPECT_NE(why.find("bg.png"), std::string::npos) << why;
    EXPECT_TRUE(text.loaded());
}

TEST(OverlayFontAtlas, EveryPrintableCharacterButSpaceHasInkInsideItsOwnCell) {
    std::string error;
    const Rgba8Image atlas = overlayFontAtlas(defaultFontDir, &error);
    ASSERT_EQ(atlas.width, overlayfont::atlasWidthPx) << error;
    ASSERT_EQ(atlas.height, overlayfont::atlasHeightPx);
    std::vector<int32_t> inkPerCell(overlayfont::glyphCount, 0);
    int32_t inkOutsideCells = 0;
    for (int32_t y = 0; y < atlas.height; ++y) {
        for (int32_t x = 0; x < atlas.width; ++x) {
            if (atlas.pixels[(static_cast<size_t>(y) * atlas.width + x) * 4 + 3] == 0) {
                continue;
            }
            const int32_t column = x / overlayfont::cellWidthPx;
            const int32_t cell = y / overlayfont::cellHeightPx * overlayfont::columns + column;
            if (column < overlayfont::columns && cell < overlayfont::glyphCount) {
                ++inkPerCell[cell];
            } else {
                ++inkOutsideCells;
            }
        }
    }
    EXPECT_EQ(inkOutsideCells, 0);
    EXPECT_EQ(inkPerCell[0], 0);  // ' '
    for (int32_t i = 1; i < overlayfont::glyphCount; ++i) {
        EXPECT_GT(inkPerCell[i], 0) << "'" << static_cast<char>(overlayfont::firstChar + i) << "'";
    }
}

}  // namespace
