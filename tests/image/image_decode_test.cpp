// The decoders in front of DevIL: the pictures they give, each input that
// found a fault (by the image fuzzer) and the reasons they give.
#include <gtest/gtest.h>

// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "image/image_decode.h"
#include "test_paths.h"

namespace {

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

DecodedImage decode(const std::vector<uint8_t>& bytes) { return decodeImageBytes(bytes.data(), bytes.size()); }

// A grey JPEG of width x height, mid grey, made by libjpeg.
std::vector<uint8_t> encodeJpeg(int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width), 128);
    JSAMPROW rows[1] = {row.data()};
    while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

TEST(ImageDecode, MemoryAndFileGiveTheSamePicture) {
    const std::string path = corpusPath("pngsuite/basn6a08.png");
    const DecodedImage fromFile = decodeImage(path.c_str());
    const DecodedImage fromBytes = decode(fileBytes(path));
    ASSERT_TRUE(fromFile.ok()) << fromFile.failure;
    EXPECT_EQ(fromFile.width, 32);
    EXPECT_EQ(fromFile.rgba, fromBytes.rgba);
    EXPECT_TRUE(fromFile.failure.empty());
}

TEST(ImageDecode, TheFourOtherFormatsStillDecode) {
    // 2x1 pixels each: red, then green.
    const std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20,
                                      0, 0, 255, 0, 255, 0};
    const std::vector<uint8_t> bmp = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0,
                                      1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    // GIF87a, 2x1, a two-colour table, LZW (minimum code size 2): clear, 0, 1, end.
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '7', 'a', 2, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 255, 0,
                                      ',', 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 0x0A, 0, ';'};
    for (const auto& [name, bytes] : {std::pair{"tga", tga}, {"bmp", bmp}, {"gif", gif}}) {
        SCOPED_TRACE(name);
        const DecodedImage image = decode(bytes);
        ASSERT_TRUE(image.ok()) << image.failure;
        ASSERT_EQ(image.width, 2);
        ASSERT_EQ(image.height, 1);
        EXPECT_EQ(image.rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255}));
    }
}

TEST(ImageDecode, RefusalsSayWhy) {
    const std::string missing = corpusPath("no/such/picture.png");
    EXPECT_EQ(decodeImage(missing.c_str()).failure, "No such file or directory");
    // A corrupt PNG (a bad IDAT checksum): libpng's message, and DevIL, which
    // leaked its buffers on it, never sees it.
    const DecodedImage corrupt = decodeImage(corpusPath("pngsuite/xcsn0g01.png").c_str());
    EXPECT_FALSE(corrupt.ok());
    EXPECT_EQ(corrupt.failure, "libpng: IDAT: CRC error");
    // Formats the show never ships are not guessed at.
    const DecodedImage psd = decode({'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8});
    EXPECT_EQ(psd.failure, "not a PNG, JPEG, GIF, BMP or TGA image");
    EXPECT_FALSE(decode({}).ok());
}

// The image fuzzer's corpus: every input that found a fault, the decoders'
// proofs, and the seeds.
std::string fuzzCorpus(const std::string& name) {
    return std::string(VEXEL_SOURCE_DIR) + "/tests/fuzz/corpus/image/" + name;
}

// Each input that found a fault (find-*: a heap write, a 4 GB request, a
// spin, 1.9 GB held) or breaks a proof of the decoders, refused with its
// reason and without a pixel allocated past the size rule.
TEST(ImageDecode, HostileFilesAreRefusedWithTheirReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"find-gif-frame-far-outside.gif", "frame of 16x12 at (65534, 47615) outside the screen of 16x12"},
        {"find-gif-frame-past-right.gif", "frame of 16x12 at (10, 0) outside the screen of 16x12"},
        {"find-gif-frame-past-bottom.gif", "frame of 16x12 at (0, 5) outside the screen of 16x12"},
        {"find-gif-screen-smaller-than-frame.gif", "frame of 16x12 at (0, 0) outside the screen of 8x6"},
        {"find-gif-header-3.6gb.gif", "picture of 55551x65279 pixels: too large"},
        {"find-bmp-rle8-4.2gb.bmp", "picture of 32768x32768 pixels: too large"},
        {"find-bmp-pixels-4gb-past-start.bmp", "BMP header cut short"},
        {"find-png-palette-text-1.9gb.png", "libpng: the file ends before the picture does"},
        {"find-tga-rle-2125x2056-in-32-bytes.tga", "picture of 2125x2056 pixels in 32 bytes: truncated or corrupt"},
        {"find-tga-mapless-4gb.tga", "colour map missing or beyond the end of the file"},
        {"find-tga-16bit-no-pixels.tga", "picture of 64x12 pixels in 18 bytes: truncated or corrupt"},
        {"find-jpeg-ends-inside-marker.jpg", "libjpeg: the file ends before the picture does"},
        {"find-jpeg-without-end-marker.jpg", "libjpeg: the file ends before the picture does"},
        {"gif-lzw-code-size-1.gif", "LZW code size 1 outside 2..8"},
        {"gif-lzw-code-size-9.gif", "giflib: Failed to read from given file"},  // giflib's words for it
        {"gif-no-colour-map.gif", "no colour map"},
        {"gif-index-past-colour-map.gif", "colour index 7 outside the colour map of 4"},
        {"gif-no-image.gif", "no image in the file"},
        {"gif-endless-comments.gif", "more than 4096 extension blocks before the image"},
        {"gif-endless-empty-extensions.gif", "more than 4096 extension blocks before the image"},
        {"bmp-8bit-index-past-palette.bmp", "colour index 7 outside the palette of 4"},
        {"bmp-rle8-index-past-palette.bmp", "colour index 9 outside the palette of 4"},
        {"bmp-rle8-no-end.bmp", "picture of 4x2 pixels in 74 bytes: truncated or corrupt"},
        {"bmp-rgb-rows-cut-short.bmp", "picture of 4x4 pixels in 94 bytes: truncated or corrupt"},
        {"bmp-masks-not-contiguous.bmp", "BMP channel masks not contiguous"},
        {"tga-index-outside-map.tga", "colour index 5 outside the colour map of entries 1 to 2"},
        {"tga-rle-run-past-end.tga", "TGA run past the end of the picture"},
        {"tga-rle-cut-short.tga", "picture of 4x4 pixels in 24 bytes: truncated or corrupt"},
        {"png-4097x4096-too-many-pixels.png", "picture of 4097x4096 pixels: too large"},
        {"png-16385-wide.png", "picture of 16385x1 pixels: too large"},
    };
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = fileBytes(fuzzCorpus(name));
        ASSERT_FALSE(bytes.empty());
        const DecodedImage image = decode(bytes);
        EXPECT_FALSE(image.ok());
        EXPECT_TRUE(image.rgba.empty());
        EXPECT_NE(image.imageError, 0u);
        EXPECT_EQ(image.failure, reason);
    }
    // A whole JPEG decodes; cut before its end marker it is refused.
    std::vector<uint8_t> whole = encodeJpeg(16, 8);
    const DecodedImage good = decode(whole);
    ASSERT_TRUE(good.ok()) << good.failure;
    EXPECT_EQ(good.width, 16);
    EXPECT_NEAR(good.rgba.at(0), 128, 2);
    whole.resize(whole.size() - 2);
    EXPECT_EQ(decode(whole).failure, "libjpeg: the file ends before the picture does");
}

// FNV-1a of the RGBA bytes, bottom row first.
uint64_t digestOf(const std::vector<uint8_t>& rgba) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const uint8_t byte : rgba) hash = (hash ^ byte) * 0x100000001b3ull;
    return hash;
}

// The pixels DevIL's own decoders gave for these files (palette, grey,
// 16-bit, interlaced, tRNS; a GIF frame on its screen's background, a
// transparent background, interlaced rows; BMP masks, RLE4, top-down rows;
// TGA RLE, maps, 15 bits; JPEG colour and grey), recorded before DevIL was
// handed decoded pixels instead of files.
TEST(ImageDecode, PicturesAreTheOnesDevILDecoded) {
    struct Case {
        const char* name;  // pngsuite/... in the shared corpus, else a seed of the fuzz corpus
        int32_t width;
        int32_t height;
        uint64_t digest;
    };
    const Case cases[] = {
        {"pngsuite/basn3p02.png", 32, 32, 0x05bc495596ef9325ull},
        {"pngsuite/basi0g16.png", 32, 32, 0x6ddc3ccd70bd15ddull},
        {"pngsuite/tbrn2c08.png", 32, 32, 0xaa6201de5f85d4c4ull},
        {"pngsuite/basn6a16.png", 32, 32, 0x97097dd357d0d99dull},
        {"pngsuite/tp1n3p08.png", 32, 32, 0x958fffa36996cec7ull},
        {"pngsuite/basn0g01.png", 32, 32, 0xd141fdad699a45bdull},
        {"pngsuite/basi3p04.png", 32, 32, 0x21346ea4d7c792c5ull},
        {"seed-ff.gif", 16, 12, 0x164145f0385d6806ull},
        {"seed-g_offset.gif", 9, 7, 0xc33faa3753c06183ull},
        {"seed-g_offset_transp_bg.gif", 9, 7, 0x1850aca602dc0eeaull},
        {"seed-g_offset_local_and_global.gif", 9, 7, 0x4bb974bb8577ee9bull},
        {"seed-g_interlaced.gif", 5, 9, 0xf98bdf83c2309b29ull},
        {"seed-g_transp.gif", 6, 4, 0x54b0b4535f36b838ull},
        {"seed-ff.bmp", 16, 12, 0x14406b5313808ceaull},
        {"seed-v3_16_565.bmp", 7, 5, 0x89ee61069cdf7a24ull},
        {"seed-rle4.bmp", 7, 5, 0x896962e302e4b88cull},
        {"seed-ffmono.bmp", 16, 12, 0x268ba97cc2ec7784ull},
        {"seed-v3_24_topdown.bmp", 7, 5, 0xf5a8c02669ec5facull},
        {"seed-ffbgra.tga", 16, 12, 0x9e789261650b0fcaull},
        {"seed-t10_32_top.tga", 7, 5, 0x6f92e3de2f1df76aull},
        {"seed-t9_24.tga", 7, 5, 0x8454c609cb1b4b2bull},
        {"seed-t2_15.tga", 7, 5, 0x0a2b950a64a9bb98ull},
        {"seed-ff.jpg", 16, 12, 0xfe506c809bf938cbull},
        {"seed-ffgray.jpg", 33, 17, 0xba7ae8a3420e8a3aull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        const DecodedImage image = decodeImage((name.rfind("pngsuite/", 0) == 0 ? corpusPath(name) : fuzzCorpus(name)).c_str());
        ASSERT_TRUE(image.ok()) << image.failure;
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(digestOf(image.rgba), c.digest);
    }
}

// Layouts DevIL refused or misread, each the same picture as a layout it
// read right: BMP info headers v4 and v5, the OS/2 core header (DevIL turned
// it upside down), 1 bit; TGA maps starting past entry 0 or of 16 bits.
TEST(ImageDecode, OtherLayoutsOfAPictureGiveTheSamePixels) {
    const std::pair<const char*, const char*> cases[] = {
        {"seed-v5_32_alpha.bmp", "seed-t2_32.tga"},   {"seed-v4_32_alpha.bmp", "seed-t2_32.tga"},
        {"seed-v4_16_565.bmp", "seed-v3_16_565.bmp"}, {"seed-v5_24.bmp", "seed-v3_24.bmp"},
        {"seed-core24.bmp", "seed-v3_24.bmp"},        {"seed-core8.bmp", "seed-v3_8.bmp"},
        {"seed-core1.bmp", "seed-v3_1.bmp"},          {"seed-t1_24_first.tga", "seed-t1_24.tga"},
        {"seed-t2_24_top.tga", "seed-t2_24.tga"},     {"seed-v3_32_bf.bmp", "seed-v3_32.bmp"},
    };
    for (const auto& [name, same] : cases) {
        SCOPED_TRACE(name);
        const DecodedImage image = decodeImage(fuzzCorpus(name).c_str());
        const DecodedImage reference = decodeImage(fuzzCorpus(same).c_str());
        ASSERT_TRUE(image.ok()) << image.failure;
        ASSERT_TRUE(reference.ok()) << reference.failure;
        EXPECT_EQ(image.rgba, reference.rgba);
    }
}

}  // namespace
