// The picture generator's parts: compositing and rounding, the blur, the
// typesetter and the PNG writer.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "canvas.h"
#include "png_reference.h"
#include "png_writer.h"
#include "show_images.h"
#include "typeset.h"

namespace {

std::string fontPath(const char* file) { return std::string(defaultFontDir) + "/" + file; }

// Bounding box of the texels with any coverage; false when there are none.
bool inkBounds(const Mask& mask, int32_t* x0, int32_t* y0, int32_t* x1, int32_t* y1) {
    *x0 = mask.width;
    *y0 = mask.height;
    *x1 = -1;
    *y1 = -1;
    for (int32_t y = 0; y < mask.height; ++y) {
        for (int32_t x = 0; x < mask.width; ++x) {
            if (mask.at(x, y) > 0.0f) {
                *x0 = std::min(*x0, x);
                *y0 = std::min(*y0, y);
                *x1 = std::max(*x1, x);
                *y1 = std::max(*y1, y);
            }
        }
    }
    return *x1 >= 0;
}

bool hasChunk(const std::vector<uint8_t>& png, const char* type) {
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) |
                                (uint32_t{png[at + 2]} << 8) | uint32_t{png[at + 3]};
        if (std::equal(type, type + 4, png.begin() + static_cast<ptrdiff_t>(at) + 4)) {
            return true;
        }
        at += 12 + length;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Canvas

TEST(Canvas, CompositesOverAndRoundsToStraightAlpha) {
    Canvas canvas(2, 1);
    canvas.blend(0, 0, Colour{0.0f, 0.0f, 0.0f, 1.0f});
    canvas.blend(0, 0, Colour{1.0f, 1.0f, 1.0f, 0.5f});   // half white over black: mid grey, opaque
    canvas.blend(1, 0, Colour{1.0f, 0.0f, 0.0f, 0.25f});  // quarter red over nothing
    canvas.blend(1, 0, Colour{1.0f, 0.0f, 0.0f, 0.25f});  // twice: 1 - 0.75^2 = 0.4375
    const Rgba8Image out = canvas.toRgba8(Colour{}, false);
    EXPECT_EQ(out.pixels, (std::vector<uint8_t>{128, 128, 128, 255, 255, 0, 0, 112}));
}

TEST(Canvas, ClearTexelsTakeTheBleedColourSoFilteringFadesTowardsIt) {
    Canvas canvas(3, 1);
    canvas.blend(1, 0, Colour{1.0f, 1.0f, 1.0f, 1.0f});
    const Rgba8Image out = canvas.toRgba8(Colour{1.0f, 0.5f, 0.0f, 1.0f}, false);
    EXPECT_EQ(out.pixels, (std::vector<uint8_t>{255, 128, 0, 0, 255, 255, 255, 255, 255, 128, 0, 0}));
}

TEST(Canvas, DitherMovesColourByAtMostOneStepAndNeverAlpha) {
    Canvas canvas(64, 64);
    Mask everywhere(64, 64);
    std::fill(everywhere.value.begin(), everywhere.value.end(), 1.0f);
    canvas.paint(everywhere, Colour{0.5f, 0.25f, 0.75f, 0.6f});
    const Rgba8Image plain = canvas.toRgba8(Colour{}, false);
    const Rgba8Image dithered = canvas.toRgba8(Colour{}, true);
    size_t moved = 0;
    for (size_t i = 0; i < plain.pixels.size(); ++i) {
        if (i % 4 == 3) {
            ASSERT_EQ(plain.pixels[i], dithered.pixels[i]);
            continue;
        }
        ASSERT_LE(std::abs(plain.pixels[i] - dithered.pixels[i]), 1);
        moved += plain.pixels[i] != dithered.pixels[i] ? 1 : 0;
    }
    EXPECT_GT(moved, 0u);
    EXPECT_EQ(canvas.toRgba8(Colour{}, true).pixels, dithered.pixels) << "the same offsets every run";
}

TEST(Canvas, BlurKeepsTheTotalIsSymmetricAndStopsAtItsReach) {
    Mask impulse(201, 101);
    impulse.at(100, 50) = 1.0f;
    const float sigmaX = 9.0f;
    const float sigmaY = 6.0f;
    const Mask blurred = gaussianBlur(impulse, sigmaX, sigmaY);
    const double total = std::accumulate(blurred.value.begin(), blurred.value.end(), 0.0);
    EXPECT_NEAR(total, 1.0, 1e-4);
    EXPECT_NEAR(blurred.at(100, 50), 1.0 / (2.0 * M_PI * sigmaX * sigmaY), 0.1 / (2.0 * M_PI * sigmaX * sigmaY));
    EXPECT_NEAR(blurred.at(90, 50), blurred.at(110, 50), 1e-7);
    EXPECT_NEAR(blurred.at(100, 44), blurred.at(100, 56), 1e-7);
    const int32_t reachX = blurReach(sigmaX);
    const int32_t reachY = blurReach(sigmaY);
    EXPECT_GT(blurred.at(100 + reachX, 50), 0.0f);
    EXPECT_EQ(blurred.at(100 + reachX + 1, 50), 0.0f);
    EXPECT_GT(blurred.at(100, 50 - reachY), 0.0f);
    EXPECT_EQ(blurred.at(100, 50 - reachY - 1), 0.0f);
}

TEST(Canvas, HashNoiseIsFixedAndInRange) {
    float lowest = 1.0f;
    float highest = 0.0f;
    for (int32_t i = 0; i < 10000; ++i) {
        const float v = hashNoise(i % 100, i / 100, 7u);
        ASSERT_EQ(v, hashNoise(i % 100, i / 100, 7u));
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_GE(lowest, 0.0f);
    EXPECT_LT(highest, 1.0f);
    EXPECT_LT(lowest, 0.01f);
    EXPECT_GT(highest, 0.99f);
    EXPECT_NE(hashNoise(3, 4, 1u), hashNoise(3, 4, 2u));
}

// ---------------------------------------------------------------------------
// Typeface

TEST(Typeface, MissingFontIsReportedWithItsPath) {
    Typeface face("/no/such/font.ttf");
    EXPECT_FALSE(face.ok());
    EXPECT_NE(face.error().find("/no/such/font.ttf"), std::string::npos);
    Mask mask(8, 8);
    face.draw(mask, "x", TextStyle{}, 0.0f, 6.0f);
    EXPECT_EQ(face.measure("x", TextStyle{}), 0.0f);
}

TEST(Typeface, TrackingAndStretchWidenTheLineByTheirAmounts) {
    Typeface face(fontPath("DejaVuSans.ttf"));
    ASSERT_TRUE(face.ok()) << face.error();
    const TextStyle plain{40.0f, 1.0f, 0.0f, 0.0f};
    const float width = face.measure("vexel", plain);
    EXPECT_GT(width, 80.0f);
    EXPECT_EQ(face.measure("", plain), 0.0f);
    // Tracking goes between letters: four gaps of 0.1 em.
    EXPECT_NEAR(face.measure("vexel", TextStyle{40.0f, 1.0f, 0.0f, 0.1f}), width + 4 * 4.0f, 0.01f);
    EXPECT_NEAR(face.measure("vexel", TextStyle{40.0f, 1.5f, 0.0f, 0.0f}), width * 1.5f, 0.01f);
}

TEST(Typeface, CentredLineSitsOnItsBaselineAroundTheCentre) {
    Typeface face(fontPath("DejaVuSans-Bold.ttf"));
    ASSERT_TRUE(face.ok()) << face.error();
    Mask mask(400, 100);
    const TextStyle style{48.0f, 1.5f, 0.0f, 0.05f};
    face.drawCentred(mask, "xmax", style, 200.0f, 70.0f);
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;
    ASSERT_TRUE(inkBounds(mask, &x0, &y0, &x1, &y1));
    EXPECT_NEAR((x0 + x1) / 2.0, 200.0, 4.0);
    EXPECT_NEAR(y1, 69, 1) << "no descenders: the ink ends on the baseline";
    // x-height of DejaVu Sans Bold is about 0.55 em.
    EXPECT_NEAR(70 - y0, 0.55 * 48.0, 3.0);
    const float full = *std::max_element(mask.value.begin(), mask.value.end());
    EXPECT_EQ(full, 1.0f) << "bold strokes are fully covered somewhere";
}

TEST(Typeface, SlantLeansTheTopsToTheRight) {
    Typeface face(fontPath("DejaVuSans.ttf"));
    ASSERT_TRUE(face.ok()) << face.error();
    Mask upright(100, 100);
    Mask slanted(100, 100);
    face.draw(upright, "l", TextStyle{64.0f, 1.0f, 0.0f, 0.0f}, 40.0f, 80.0f);
    face.draw(slanted, "l", TextStyle{64.0f, 1.0f, 0.25f, 0.0f}, 40.0f, 80.0f);
    auto inkCentre = [](const Mask& mask, int32_t row) {
        double sum = 0.0;
        double weight = 0.0;
        for (int32_t x = 0; x < mask.width; ++x) {
            sum += x * mask.at(x, row);
            weight += mask.at(x, row);
        }
        return sum / weight;
    };
    EXPECT_NEAR(inkCentre(upright, 40), inkCentre(upright, 75), 0.5);
    // 35 rows higher up, a 0.25 slant moves the stem about 9 texels right.
    EXPECT_NEAR(inkCentre(slanted, 40) - inkCentre(slanted, 75), 35 * 0.25, 1.0);
}

// ---------------------------------------------------------------------------
// PNG writer

TEST(PngWriter, OpaquePicturesAreWrittenAsRgbAndReadBackExactly) {
    Rgba8Image image{3, 2, {}};
    for (uint8_t i = 0; i < 6; ++i) {
        image.pixels.insert(image.pixels.end(), {static_cast<uint8_t>(i * 40), 7, static_cast<uint8_t>(255 - i), 255});
    }
    const std::vector<uint8_t> png = encodePng(image, "test");
    PngHeader header;
    ASSERT_TRUE(readPngHeader(png, &header));
    EXPECT_EQ(header.colourType, 2);
    EXPECT_EQ(header.width, 3u);
    EXPECT_EQ(header.height, 2u);
    RgbaPicture back;
    ASSERT_TRUE(decodeReference(png, false, &back));
    EXPECT_EQ(back.pixels, image.pixels);
}

TEST(PngWriter, AnyTranslucentPixelKeepsTheAlphaChannel) {
    Rgba8Image image{2, 2, {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 254, 0, 0, 0, 0}};
    const std::vector<uint8_t> png = encodePng(image, "test");
    PngHeader header;
    ASSERT_TRUE(readPngHeader(png, &header));
    EXPECT_EQ(header.colourType, 6);
    RgbaPicture back;
    ASSERT_TRUE(decodeReference(png, false, &back));
    EXPECT_EQ(back.pixels, image.pixels);
}

TEST(PngWriter, BytesDependOnlyOnThePixelsAndTitle) {
    Rgba8Image image{4, 4, std::vector<uint8_t>(64, 200)};
    const std::vector<uint8_t> first = encodePng(image, "same");
    EXPECT_EQ(first, encodePng(image, "same"));
    EXPECT_NE(first, encodePng(image, "other"));
    EXPECT_TRUE(hasChunk(first, "sRGB"));
    EXPECT_TRUE(hasChunk(first, "tEXt"));
    EXPECT_FALSE(hasChunk(first, "tIME")) << "no time stamp in the bytes";
    EXPECT_FALSE(hasChunk(first, "pHYs"));
}

TEST(PngWriter, RefusesInconsistentPicturesAndUnwritablePaths) {
    EXPECT_TRUE(encodePng(Rgba8Image{4, 4, std::vector<uint8_t>(63, 0)}, "short").empty());
    EXPECT_TRUE(encodePng(Rgba8Image{0, 4, {}}, "empty").empty());
    std::string error;
    EXPECT_FALSE(writePng("/no/such/dir/x.png", Rgba8Image{1, 1, {1, 2, 3, 4}}, "x", &error));
    EXPECT_NE(error.find("/no/such/dir/x.png"), std::string::npos);
}
