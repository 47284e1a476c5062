// TextureManager against a real (offscreen) GL context: what each load
// uploads, what bind touches, and how failed decodes keep their index.
#include <GL/gl.h>
#include <IL/il.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "gl_fixture.h"
#include "png_reference.h"
#include "render/texture_manager.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

GLuint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

GLint textureEnvMode() {
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return mode;
}

// Level 0 of a texture as GL holds it: RGBA8, bottom row (t = 0) first.
RgbaPicture readTexture(GLuint name) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    RgbaPicture picture;
    picture.width = static_cast<uint32_t>(width);
    picture.height = static_cast<uint32_t>(height);
    picture.pixels.assign(static_cast<size_t>(width) * height * 4, 0xcd);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels.data());
    return picture;
}

// Empty when equal within tolerance per channel, else where they first differ.
std::string comparePictures(const RgbaPicture& expected, const RgbaPicture& actual, int tolerance) {
    std::ostringstream out;
    if (expected.width != actual.width || expected.height != actual.height) {
        out << "size " << actual.width << "x" << actual.height << ", expected " << expected.width << "x"
            << expected.height;
        return out.str();
    }
    for (size_t i = 0; i < expected.pixels.size(); ++i) {
        if (std::abs(int{expected.pixels[i]} - int{actual.pixels[i]}) > tolerance) {
            const size_t texel = i / 4;
            out << "texel (" << texel % expected.width << ", " << texel / expected.width << ") channel " << i % 4
                << ": " << int{actual.pixels[i]} << ", expected " << int{expected.pixels[i]};
            return out.str();
        }
    }
    return "";
}

// A scratch directory for files a test writes, removed afterwards.
class ScratchDir {
public:
    ScratchDir() : path_(fs::temp_directory_path() / ("vexel-textures-" + std::to_string(::getpid()))) {
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// Writes an RGBA8 picture (top row first) with libpng's own writer.
bool writeTestPng(const std::string& path, const RgbaPicture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.pixels.data(), 0, nullptr) != 0;
}

// width x height with the first row red, the last blue, green between.
RgbaPicture bandedPicture(uint32_t width, uint32_t height) {
    RgbaPicture picture;
    picture.width = width;
    picture.height = height;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t r = y == 0 ? 255 : 0;
            const uint8_t b = y == height - 1 ? 255 : 0;
            const uint8_t g = (r == 0 && b == 0) ? 255 : 0;
            picture.pixels.insert(picture.pixels.end(), {r, g, b, 255});
        }
    }
    return picture;
}

const RgbaPicture transparentTexel{1, 1, {0, 0, 0, 0}};

using TextureManagerTest = GlTest;

}  // namespace

// ---------------------------------------------------------------------------
// Binding

TEST_F(TextureManagerTest, BindWithNothingLoadedTouchesNoGlState) {
    TextureManager manager;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    EXPECT_TRUE(manager.bind(0));
    EXPECT_EQ(boundTexture(), 0u);
    EXPECT_EQ(textureEnvMode(), GL_REPLACE);
}

TEST_F(TextureManagerTest, LoadLeavesTheNewTextureBound) {
    TextureManager manager;
    const std::string path = corpusPath("pngsuite/basn2c08.png");
    manager.load(path.c_str());
    ASSERT_EQ(manager.textureNames.size(), 1u);
    EXPECT_EQ(boundTexture(), manager.textureNames[0]);
    manager.load(path.c_str());
    ASSERT_EQ(manager.textureNames.size(), 2u);
    EXPECT_EQ(boundTexture(), manager.textureNames[1]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureManagerTest, BindSelectsByIndexWithModulateAndIgnoresIndicesItDoesNotHold) {
    TextureManager manager;
    for (const char* name : {"basn2c08.png", "basn6a08.png", "basn0g08.png"}) {
        manager.load(corpusPath(std::string("pngsuite/") + name).c_str());
    }
    const uint32_t count = static_cast<uint32_t>(manager.textureNames.size());
    ASSERT_EQ(count, 3u);

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    EXPECT_TRUE(manager.bind(count - 1));
    EXPECT_EQ(boundTexture(), manager.textureNames[count - 1]);
    EXPECT_EQ(textureEnvMode(), GL_MODULATE);

    EXPECT_TRUE(manager.bind(0));
    EXPECT_EQ(boundTexture(), manager.textureNames[0]);

    // Out of range: neither the binding nor the environment changes.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    EXPECT_TRUE(manager.bind(count));
    EXPECT_TRUE(manager.bind(static_cast<uint32_t>(-1)));
    EXPECT_EQ(boundTexture(), manager.textureNames[0]);
    EXPECT_EQ(textureEnvMode(), GL_REPLACE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureManagerTest, TwoLoadsOfOnePathGiveTwoTextures) {
    TextureManager manager;
    const std::string path = corpusPath("pngsuite/basn6a08.png");
    manager.load(path.c_str());
    manager.load(path.c_str());
    ASSERT_EQ(manager.textureNames.size(), 2u);
    EXPECT_NE(manager.textureNames[0], manager.textureNames[1]);
    EXPECT_TRUE(glIsTexture(manager.textureNames[0]));
    EXPECT_TRUE(glIsTexture(manager.textureNames[1]));
    EXPECT_EQ(comparePictures(readTexture(manager.textureNames[0]), readTexture(manager.textureNames[1]), 0), "");
}

// ---------------------------------------------------------------------------
// What an upload holds

TEST_F(TextureManagerTest, UploadsOneLinearFilteredRgbaLevel) {
    TextureManager manager;
    manager.load(corpusPath("pngsuite/cdfn2c08.png").c_str());  // 8x32
    glBindTexture(GL_TEXTURE_2D, manager.textureNames.at(0));
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 8);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, 32);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_TRUE(value == GL_RGBA || value == GL_RGBA8) << value;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 0) << "no mipmap levels are built";
}

// Drawn the way the overlays are (t = 0 at the bottom of the window), the
// file's last row shows at the bottom and its first row at the top.
TEST_F(TextureManagerTest, TextureCoordinateZeroShowsTheFilesLastRow) {
    ScratchDir scratch;
    const std::string path = scratch.file("banded.png");
    ASSERT_TRUE(writeTestPng(path, bandedPicture(8, 8)));
    TextureManager manager;
    manager.load(path.c_str());
    ASSERT_TRUE(manager.bind(0));

    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2d(0, 0);
    glTexCoord2f(1, 0);
    glVertex2d(640, 0);
    glTexCoord2f(1, 1);
    glVertex2d(640, 480);
    glTexCoord2f(0, 1);
    glVertex2d(0, 480);
    glEnd();
    glFinish();

    uint8_t bottom[4];
    uint8_t middle[4];
    uint8_t top[4];
    // Near the middle of the lowest and highest texel rows (linear filtering
    // and the default repeat wrap blend in a trace of the opposite edge).
    gl->readPixel(320, 30, bottom);
    gl->readPixel(320, 240, middle);
    gl->readPixel(320, 450, top);
    EXPECT_GE(bottom[2], 250);
    EXPECT_LE(bottom[0], 5);
    EXPECT_GE(middle[1], 250);
    EXPECT_GE(top[0], 250);
    EXPECT_LE(top[2], 5);
}

// BMP stores its rows bottom up; the picture still arrives upright.
TEST_F(TextureManagerTest, BottomUpFilesArriveUpright) {
    ScratchDir scratch;
    const std::string path = scratch.file("bottom-up.bmp");
    {
        // 2x2, 24 bits, positive height (bottom row stored first): the
        // bottom row is red, the top row blue; rows padded to 4 bytes.
        const uint8_t bmp[] = {
            'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                 // file header: size 70, pixels at 54
            40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,              // info header: 40 bytes, 2x2, 1 plane, 24 bpp
            0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0b, 0, 0, 0x13, 0x0b, 0, 0,  // BI_RGB, 16 bytes of pixels, 72 dpi
            0, 0, 0, 0, 0, 0, 0, 0,                                        // palette sizes
            0, 0, 255, 0, 0, 255, 0, 0,                                    // bottom row: red, red (BGR) + pad
            255, 0, 0, 255, 0, 0, 0, 0,                                    // top row: blue, blue + pad
        };
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    }
    TextureManager manager;
    manager.load(path.c_str());
    const RgbaPicture texture = readTexture(manager.textureNames.at(0));
    ASSERT_EQ(texture.width, 2u);
    ASSERT_EQ(texture.height, 2u);
    const std::vector<uint8_t> expected = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    EXPECT_EQ(texture.pixels, expected) << "GL's row 0 (t = 0) must be the picture's bottom row";
}

// ---------------------------------------------------------------------------
// Failed decodes

TEST_F(TextureManagerTest, MissingFileTakesItsIndexWithATransparentTexel) {
    TextureManager manager;
    const std::string good = corpusPath("pngsuite/basn2c08.png");
    manager.load(good.c_str());
    manager.load("no/such/picture.png");
    manager.load(good.c_str());
    ASSERT_EQ(manager.textureNames.size(), 3u);
    EXPECT_EQ(boundTexture(), manager.textureNames[2]);
    EXPECT_EQ(comparePictures(transparentTexel, readTexture(manager.textureNames[1]), 0), "");
    EXPECT_EQ(readTexture(manager.textureNames[2]).width, 32u);
    EXPECT_EQ(ilGetError(), static_cast<ILenum>(IL_NO_ERROR)) << "DevIL's error queue is drained";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Every corrupt PngSuite file: no crash, one index taken, a transparent
// texel, and the loads before and after it untouched.
TEST_F(TextureManagerTest, CorruptFilesTakeTheirIndexAndLeaveTheOthersAlone) {
    std::vector<std::string> corrupt;
    for (const auto& entry : fs::directory_iterator(corpusPath("pngsuite"))) {
        const std::string name = entry.path().filename().string();
        if (name.front() == 'x' && entry.path().extension() == ".png") {
            corrupt.push_back(name);
        }
    }
    std::sort(corrupt.begin(), corrupt.end());
    ASSERT_EQ(corrupt.size(), 14u);

    const std::string before = corpusPath("pngsuite/basn6a08.png");
    const std::string after = corpusPath("pngsuite/basn3p08.png");
    RgbaPicture beforeReference;
    RgbaPicture afterReference;
    ASSERT_TRUE(decodeReference(readFileBytes(before), true, &beforeReference));
    ASSERT_TRUE(decodeReference(readFileBytes(after), true, &afterReference));

    TextureManager manager;
    for (const std::string& name : corrupt) {
        SCOPED_TRACE(name);
        const size_t first = manager.textureNames.size();
        manager.load(before.c_str());
        manager.load(corpusPath("pngsuite/" + name).c_str());
        manager.load(after.c_str());
        ASSERT_EQ(manager.textureNames.size(), first + 3);
        EXPECT_EQ(comparePictures(flipRows(beforeReference), readTexture(manager.textureNames[first]), 0), "");
        EXPECT_EQ(comparePictures(transparentTexel, readTexture(manager.textureNames[first + 1]), 0), "");
        EXPECT_EQ(comparePictures(flipRows(afterReference), readTexture(manager.textureNames[first + 2]), 0), "");
        EXPECT_EQ(ilGetError(), static_cast<ILenum>(IL_NO_ERROR));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---------------------------------------------------------------------------
// Every valid PngSuite file (every colour type, bit depth, palette,
// transparency chunk and interlace) reaches GL as the RGBA8 pixels libpng's
// simplified API decodes, bottom row first. Textures carry the samples as
// stored: no gamma correction (the reference drops gAMA and friends).
TEST_F(TextureManagerTest, EveryValidPngSuiteFileArrivesAsLibpngDecodesIt) {
    // libpng 1.6's simplified API mis-decodes Adam7 16-bit files when it
    // reduces them to 8 bits (pnggroup/libpng#853); those files are checked
    // against their non-interlaced twins, which hold the same picture.
    const std::map<std::string, std::string> interlaced16Twins = {
        {"basi0g16.png", "basn0g16.png"}, {"basi2c16.png", "basn2c16.png"}, {"basi4a16.png", "basn4a16.png"},
        {"basi6a16.png", "basn6a16.png"}, {"bgai4a16.png", "basn4a16.png"},
    };
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(corpusPath("pngsuite"))) {
        const std::string name = entry.path().filename().string();
        if (name.front() != 'x' && entry.path().extension() == ".png") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 162u);

    TextureManager manager;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = readFileBytes(corpusPath("pngsuite/" + name));
        PngHeader header;
        ASSERT_TRUE(readPngHeader(bytes, &header));
        std::string referenceName = name;
        if (header.bitDepth == 16 && header.interlaced) {
            const auto twin = interlaced16Twins.find(name);
            ASSERT_NE(twin, interlaced16Twins.end()) << "no non-interlaced twin listed";
            referenceName = twin->second;
        }
        RgbaPicture reference;
        ASSERT_TRUE(decodeReference(readFileBytes(corpusPath("pngsuite/" + referenceName)), true, &reference));

        manager.load(corpusPath("pngsuite/" + name).c_str());
        const RgbaPicture texture = readTexture(manager.textureNames.back());
        // 16-bit samples: DevIL keeps the high byte, libpng rounds.
        const int tolerance = header.bitDepth == 16 ? 1 : 0;
        EXPECT_EQ(comparePictures(flipRows(reference), texture, tolerance), "");
    }
    EXPECT_EQ(manager.textureNames.size(), names.size());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The show's own pictures, as the build generated them, load exactly.
TEST_F(TextureManagerTest, GeneratedShowImagesLoadExactly) {
    const char* files[] = {"bg.png",     "text-1.png", "text-2.png",   "text-3.png",
                           "text-4.png", "zurak.png",  "heart-env.png"};
    TextureManager manager;
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::string path = buildPath(std::string("data/tessaline/gfx/") + file);
        RgbaPicture reference;
        ASSERT_TRUE(decodeReference(readFileBytes(path), true, &reference));
        manager.load(path.c_str());
        EXPECT_EQ(comparePictures(flipRows(reference), readTexture(manager.textureNames.back()), 0), "");
    }
}
