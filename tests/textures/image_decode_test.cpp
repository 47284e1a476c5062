// The decoder's guards in front of DevIL, each with the input that found the
// fault it mends (by the image fuzzer), and the reasons it gives.
#include <gtest/gtest.h>

// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <jpeglib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "render/image_decode.h"
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
    // A corrupt PNG (bad zlib checksum): libpng's message, and DevIL, which
    // leaked its buffers on it, never sees it.
    const DecodedImage corrupt = decodeImage(corpusPath("pngsuite/xcsn0g01.png").c_str());
    EXPECT_FALSE(corrupt.ok());
    EXPECT_EQ(corrupt.failure.rfind("libpng: ", 0), 0u) << corrupt.failure;
    // Formats the show never ships are not guessed at.
    const DecodedImage psd = decode({'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8});
    EXPECT_EQ(psd.failure, "not a PNG, JPEG, GIF, BMP or TGA image");
    EXPECT_FALSE(decode({}).ok());
}

// Inputs the image fuzzer found, each refused before DevIL reads a pixel.
TEST(ImageDecode, HostileHeadersAreRefusedBeforeDevIL) {
    // Asked DevIL for 3.6 GB.
    const DecodedImage gif = decode({'G', 'I', 'F', '8', '7', 'a', 0xff, 0xd8, 0xff, 0xfe});
    EXPECT_EQ(gif.failure, "picture of 55551x65279 pixels: too large");
    // Pixel offset 4 GB past the start: DevIL's memory reader read wild memory.
    std::vector<uint8_t> bmp = {'B', 'M', 0x36, 3, 0, 0, 0, 0, 0x3b, 0, 0x36, 0, 0xff, 0xfb, 0x28, 0, 0, 0,
                                0x10, 0, 0, 0, 0x0c, 0, 0, 0, 1, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bmp.resize(50, 0x46);
    EXPECT_FALSE(decode(bmp).ok());
    // 32 bytes claiming a 2125x2056 run-length TGA: seconds of DevIL time.
    const std::vector<uint8_t> tga = {0, 0, 0x0a, 8, 8, 8, 8, 8, 8, 8, 8, 0x42, 0x4d, 8, 8, 8,
                                      0x0f, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0x0a, 8, 8, 8, 8};
    const auto start = std::chrono::steady_clock::now();
    const DecodedImage slow = decode(tga);
    EXPECT_EQ(slow.failure, "picture of 2125x2056 pixels in 32 bytes: truncated or corrupt");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    // Colour-mapped without a map: DevIL asked for 4 GB.
    const DecodedImage mapless = decode({0, 0, 1, 0, 0, 0x3b, 0xe0, 0x10, 0, 0x0c, 0, 0x20, 0x10, 0, 0x0c, 0,
                                         0x20, 0x4e});
    EXPECT_EQ(mapless.failure, "colour map missing or beyond the end of the file");
    // A 16-bit TGA of 64x12 pixels with none in it: DevIL corrupted its heap.
    EXPECT_EQ(decode({0, 0, 2, 0, 0, 0x40, 0, 0, 0x0c, 0, 0, 0, 0x40, 0, 0x0c, 0, 0x10, 0}).failure,
              "picture of 64x12 pixels in 18 bytes: truncated or corrupt");
    // A JPEG ending inside a marker: DevIL's reader spun for ever on it.
    const DecodedImage jpeg = decode({0xff, 0xd8, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x0c, 0x00, 0x10, 0x03, 0x01, 0xda,
                                      0x03, 0x70, 0x48, 0x59, 0x73, 0x00, 0xd8, 0xff, 0xfe, 0x10, 0x21, 0x11, 0xff, 0xd8,
                                      0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0x00, 0x00, 0x36, 0xff, 0xc0, 0x00, 0xc8, 0x2f, 0xd2, 0x45, 0xcb, 0x2d, 0xd2, 0x46,
                                      0xd3, 0x10, 0x03, 0x01, 0xda, 0x03, 0x70, 0x48, 0x59, 0x73, 0x00, 0xd8, 0xff, 0xfe,
                                      0x10, 0xb3});
    EXPECT_EQ(jpeg.failure.rfind("libjpeg: ", 0), 0u) << jpeg.failure;
    // A whole JPEG decodes; without its end marker DevIL spun for ever.
    std::vector<uint8_t> whole = encodeJpeg(16, 8);
    const DecodedImage good = decode(whole);
    ASSERT_TRUE(good.ok()) << good.failure;
    EXPECT_EQ(good.width, 16);
    EXPECT_NEAR(good.rgba.at(0), 128, 2);
    whole.resize(whole.size() - 2);
    EXPECT_EQ(decode(whole).failure, "libjpeg: the file ends before the picture does");
}

}  // namespace
