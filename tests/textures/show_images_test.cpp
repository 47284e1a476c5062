// The pictures the build generated into data/tessaline/gfx, read back with
// libpng: sizes and formats, that they are what a fresh run draws, and that
// the lettering pictures are clear outside their ink and solid inside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "png_reference.h"
#include "png_writer.h"
#include "show_images.h"
#include "test_paths.h"

namespace {

struct ExpectedFile {
    const char* name;
    uint32_t width;
    uint32_t height;
    bool opaque;
};

constexpr ExpectedFile expectedFiles[] = {
    {"bg.png", 1024, 512, true},      {"text-1.png", 1024, 512, false}, {"text-2.png", 1024, 512, false},
    {"text-3.png", 1024, 512, false}, {"text-4.png", 1024, 512, false}, {"zurak.png", 1024, 512, false},
    {"heart-env.png", 256, 256, true},
};

std::string gfxPath(const std::string& name) { return buildPath("data/tessaline/gfx/" + name); }

bool isPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

RgbaPicture decodeFile(const std::string& name) {
    RgbaPicture picture;
    EXPECT_TRUE(decodeReference(readFileBytes(gfxPath(name)), false, &picture)) << name;
    return picture;
}

const uint8_t* texel(const RgbaPicture& picture, uint32_t x, uint32_t y) {
    return &picture.pixels[(static_cast<size_t>(y) * picture.width + x) * 4];
}

// True where some ink lies within reachX / reachY texels (a box).
std::vector<bool> nearInk(const Mask& ink, int32_t reachX, int32_t reachY) {
    const int32_t w = ink.width;
    const int32_t h = ink.height;
    std::vector<int32_t> across(static_cast<size_t>(w) * h, 0);  // inked texels within reachX on the row
    for (int32_t y = 0; y < h; ++y) {
        std::vector<int32_t> prefix(static_cast<size_t>(w) + 1, 0);
        for (int32_t x = 0; x < w; ++x) {
            prefix[static_cast<size_t>(x) + 1] = prefix[static_cast<size_t>(x)] + (ink.at(x, y) > 0.0f ? 1 : 0);
        }
        for (int32_t x = 0; x < w; ++x) {
            const int32_t lo = std::max(0, x - reachX);
            const int32_t hi = std::min(w, x + reachX + 1);
            across[static_cast<size_t>(y) * w + x] = prefix[static_cast<size_t>(hi)] - prefix[static_cast<size_t>(lo)];
        }
    }
    std::vector<bool> near(static_cast<size_t>(w) * h, false);
    for (int32_t x = 0; x < w; ++x) {
        std::vector<int32_t> prefix(static_cast<size_t>(h) + 1, 0);
        for (int32_t y = 0; y < h; ++y) {
            prefix[static_cast<size_t>(y) + 1] = prefix[static_cast<size_t>(y)] + (across[static_cast<size_t>(y) * w + x] > 0 ? 1 : 0);
        }
        for (int32_t y = 0; y < h; ++y) {
            const int32_t lo = std::max(0, y - reachY);
            const int32_t hi = std::min(h, y + reachY + 1);
            near[static_cast<size_t>(y) * w + x] = prefix[static_cast<size_t>(hi)] - prefix[static_cast<size_t>(lo)] > 0;
        }
    }
    return near;
}

}  // namespace

TEST(GeneratedImages, HavePowerOfTwoSizesAndPlainEightBitFormats) {
    for (const ExpectedFile& file : expectedFiles) {
        SCOPED_TRACE(file.name);
        const std::vector<uint8_t> bytes = readFileBytes(gfxPath(file.name));
        PngHeader header;
        ASSERT_TRUE(readPngHeader(bytes, &header));
        EXPECT_EQ(header.width, file.width);
        EXPECT_EQ(header.height, file.height);
        EXPECT_TRUE(isPowerOfTwo(header.width) && isPowerOfTwo(header.height));
        EXPECT_EQ(header.bitDepth, 8);
        EXPECT_EQ(header.colourType, file.opaque ? 2 : 6);  // RGB, or RGBA
        EXPECT_FALSE(header.interlaced);

        const RgbaPicture picture = decodeFile(file.name);
        size_t clear = 0;
        size_t solid = 0;
        for (size_t i = 3; i < picture.pixels.size(); i += 4) {
            clear += picture.pixels[i] == 0 ? 1 : 0;
            solid += picture.pixels[i] == 255 ? 1 : 0;
        }
        if (file.opaque) {
            EXPECT_EQ(solid, picture.pixels.size() / 4);
        } else {
            // Overlays are mostly clear, with some solid ink.
            EXPECT_GT(clear, picture.pixels.size() / 4 / 2);
            EXPECT_GT(solid, 1000u);
        }
    }
}

// The files in the build tree are byte for byte what the generator draws
// now: the build ran it, and a run gives the same bytes every time.
TEST(GeneratedImages, FilesAreWhatAFreshRunDraws) {
    ShowImages images;
    ASSERT_TRUE(images.ok()) << images.error();
    const std::vector<NamedPicture> pictures = images.all();
    ASSERT_EQ(pictures.size(), std::size(expectedFiles));
    for (size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(pictures[i].fileName);
        EXPECT_EQ(pictures[i].fileName, expectedFiles[i].name);
        const std::vector<uint8_t> encoded = encodePng(pictures[i].image, pictures[i].title);
        ASSERT_FALSE(encoded.empty());
        EXPECT_TRUE(encoded == readFileBytes(gfxPath(pictures[i].fileName)));
    }
}

// text-1..4 (1 to 4) and zurak.png (5).
class LetteringTest : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        ASSERT_TRUE(images.ok()) << images.error();
        const int32_t number = GetParam();
        fileName = number <= 4 ? "text-" + std::to_string(number) + ".png" : "zurak.png";
        drawn = number <= 4 ? images.textImage(number) : images.groupOverlay();
        file = decodeFile(fileName);
        ASSERT_EQ(file.pixels, drawn.image.pixels) << "the file holds the picture drawn from this ink";
    }
    ShowImages images;
    std::string fileName;
    LetteredPicture drawn;
    RgbaPicture file;
};

TEST_P(LetteringTest, SolidAndLightInsideTheInkClearBeyondItsGlow) {
    const Mask& ink = drawn.ink;
    const std::vector<bool> near = nearInk(ink, drawn.reachX, drawn.reachY);
    size_t inside = 0;
    size_t badInside = 0;
    size_t badOutside = 0;
    for (int32_t y = 0; y < ink.height; ++y) {
        for (int32_t x = 0; x < ink.width; ++x) {
            const uint8_t* p = texel(file, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
            if (ink.at(x, y) >= 0.999f) {
                ++inside;
                const bool light = std::min({p[0], p[1], p[2]}) >= 150;
                badInside += (p[3] != 255 || !light) ? 1 : 0;
            } else if (!near[static_cast<size_t>(y) * ink.width + x]) {
                badOutside += p[3] != 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(inside, 2000u);
    EXPECT_EQ(badInside, 0u) << "ink texels that are not solid and light";
    EXPECT_EQ(badOutside, 0u) << "texels away from the ink that are not clear";
}

TEST_P(LetteringTest, LeavesTheMiddleOfTheWindowClearForTheHeart) {
    const uint32_t top = file.height * 36 / 100;
    const uint32_t bottom = file.height * 64 / 100;
    // Text images keep the whole middle band clear; the closing overlay's
    // frame runs down both sides, so there only the middle part counts.
    const bool framed = GetParam() == 5;
    const uint32_t left = framed ? file.width / 5 : 0;
    const uint32_t right = framed ? file.width * 4 / 5 : file.width;
    size_t notClear = 0;
    for (uint32_t y = top; y < bottom; ++y) {
        for (uint32_t x = left; x < right; ++x) {
            notClear += texel(file, x, y)[3] != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(notClear, 0u);

    // The ink itself lies in the top or the bottom third, never between.
    const Mask& ink = drawn.ink;
    for (int32_t y = ink.height / 3; y < ink.height * 2 / 3; ++y) {
        for (int32_t x = framed ? ink.width / 10 : 0; x < (framed ? ink.width * 9 / 10 : ink.width); ++x) {
            ASSERT_EQ(ink.at(x, y), 0.0f) << "ink at (" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ShowLettering, LetteringTest, ::testing::Values(1, 2, 3, 4, 5));

TEST(GeneratedImages, ClosingOverlayHasAFrameAlongAllFourSides) {
    ShowImages images;
    ASSERT_TRUE(images.ok()) << images.error();
    const Mask ink = images.groupOverlay().ink;
    auto inkedBetween = [&](int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) {
                if (ink.at(x, y) >= 0.999f) {
                    return true;
                }
            }
        }
        return false;
    };
    const int32_t w = ink.width;
    const int32_t h = ink.height;
    EXPECT_TRUE(inkedBetween(0, w / 16, h / 2 - 4, h / 2 + 4)) << "left side";
    EXPECT_TRUE(inkedBetween(w - w / 16, w, h / 2 - 4, h / 2 + 4)) << "right side";
    EXPECT_TRUE(inkedBetween(w / 2 - 4, w / 2 + 4, 0, h / 16)) << "top";
    EXPECT_TRUE(inkedBetween(w / 2 - 4, w / 2 + 4, h - h / 16, h)) << "bottom";
}

TEST(GeneratedImages, BackdropRunsFromVioletToCrimsonAndDarkensAtTheCorners) {
    const RgbaPicture bg = decodeFile("bg.png");
    auto meanOf = [&](uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1, int channel) {
        double sum = 0.0;
        for (uint32_t y = y0; y < y1; ++y) {
            for (uint32_t x = x0; x < x1; ++x) {
                sum += texel(bg, x, y)[channel];
            }
        }
        return sum / ((x1 - x0) * (y1 - y0));
    };
    const uint32_t w = bg.width;
    const uint32_t h = bg.height;
    // Top band bluer than red, bottom band redder than blue.
    EXPECT_GT(meanOf(w / 4, w * 3 / 4, 0, h / 8, 2), meanOf(w / 4, w * 3 / 4, 0, h / 8, 0));
    EXPECT_GT(meanOf(w / 4, w * 3 / 4, h * 7 / 8, h, 0), meanOf(w / 4, w * 3 / 4, h * 7 / 8, h, 2));
    // Corners darker than the middle (red channel, the brightest).
    const double middle = meanOf(w / 2 - 32, w / 2 + 32, h / 2 - 16, h / 2 + 16, 0);
    EXPECT_LT(meanOf(0, 32, 0, 16, 0), middle * 0.6);
    EXPECT_LT(meanOf(w - 32, w, h - 16, h, 0), middle * 0.6);
}

// The sphere map is multiplied by the heart's red: it must stay neutral (no
// tint of its own), with highlights near white, darker towards the rim, and
// no seam where the disc meets the corners.
TEST(GeneratedImages, SphereMapIsNeutralWithHighlightsAndADarkerRim) {
    const RgbaPicture env = decodeFile("heart-env.png");
    const float half = static_cast<float>(env.width) / 2.0f;
    double centreSum = 0.0;
    double rimSum = 0.0;
    size_t centreCount = 0;
    size_t rimCount = 0;
    uint8_t brightest = 0;
    int largestTint = 0;
    for (uint32_t y = 0; y < env.height; ++y) {
        for (uint32_t x = 0; x < env.width; ++x) {
            const uint8_t* p = texel(env, x, y);
            largestTint = std::max({largestTint, std::abs(p[0] - p[1]), std::abs(p[1] - p[2])});
            brightest = std::max(brightest, p[1]);
            const float radius = std::hypot(x + 0.5f - half, y + 0.5f - half) / half;
            if (radius < 0.3f) {
                centreSum += p[1];
                ++centreCount;
            } else if (radius > 0.9f && radius < 1.0f) {
                rimSum += p[1];
                ++rimCount;
            }
        }
    }
    EXPECT_LE(largestTint, 16);
    EXPECT_GE(brightest, 245);
    EXPECT_GT(centreSum / centreCount, rimSum / rimCount * 1.3);
    // Outside the disc the rim colour repeats: a corner matches the texel
    // just inside the rim on the same diagonal.
    // Along each diagonal, from the corner across the rim and a few texels
    // into the disc, no two neighbouring texels differ by more than a soft
    // gradient does.
    const uint32_t last = env.width - 1;
    const uint32_t rimStep = static_cast<uint32_t>(std::ceil(half - half / std::sqrt(2.0f)));
    for (uint32_t k = 0; k < rimStep + 3; ++k) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_NEAR(texel(env, k, k)[c], texel(env, k + 1, k + 1)[c], 10) << "top left, step " << k;
            ASSERT_NEAR(texel(env, last - k, last - k)[c], texel(env, last - k - 1, last - k - 1)[c], 10)
                << "bottom right, step " << k;
        }
    }
}
