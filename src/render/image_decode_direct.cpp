// Image decoding straight through libpng and libjpeg, for builds without
// DevIL (the Windows build: DevIL cannot be built there from Debian's
// sources). Same contract as image_decode.cpp; the codes in imageError are
// DevIL's numbers for the same failures, so the texture manager's log reads
// alike on every system. GIF, BMP and TGA are recognised but not decoded:
// the show ships PNG pictures only.
#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <jerror.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "render/image_decode.h"

namespace {

// DevIL's type and error numbers.
constexpr uint32_t kTypeBmp = 0x0420, kTypeJpg = 0x0425, kTypePng = 0x042A, kTypeTga = 0x042D, kTypeGif = 0x0436;
constexpr uint32_t kOutOfMemory = 0x0502, kFormatNotSupported = 0x0503, kInvalidFileHeader = 0x0508,
                   kInvalidParam = 0x0509, kCouldNotOpenFile = 0x050A, kLibJpegError = 0x05E2,
                   kLibPngError = 0x05E3;

// The largest picture accepted: 16384 a side and 16 M pixels (64 MiB as
// RGBA8), far beyond any picture the show ships.
constexpr uint64_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = uint64_t{4096} * 4096;

bool sizeAccepted(uint64_t width, uint64_t height) {
    return width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels;
}

bool startsWith(const uint8_t* bytes, size_t size, const char* magic, size_t magicSize) {
    return size >= magicSize && std::memcmp(bytes, magic, magicSize) == 0;
}

DecodedImage failed(uint32_t code, std::string why) {
    DecodedImage image;
    image.imageError = code;
    image.failure = std::move(why);
    return image;
}

std::string tooLarge(uint64_t width, uint64_t height) {
    return "picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels: too large";
}

DecodedImage decodePng(const uint8_t* bytes, size_t size) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&png, bytes, size) == 0) {
        return failed(kLibPngError, std::string("libpng: ") + png.message);
    }
    if (!sizeAccepted(png.width, png.height)) {
        png_image_free(&png);
        return failed(kFormatNotSupported, tooLarge(png.width, png.height));
    }
    png.format = PNG_FORMAT_RGBA;
    DecodedImage image;
    image.rgba.resize(PNG_IMAGE_SIZE(png));
    // A negative row stride writes the bottom row first.
    if (png_image_finish_read(&png, nullptr, image.rgba.data(), -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(png)),
                              nullptr) == 0) {
        return failed(kLibPngError, std::string("libpng: ") + png.message);
    }
    image.width = static_cast<int32_t>(png.width);
    image.height = static_cast<int32_t>(png.height);
    return image;
}

struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf escape{};
    char message[JMSG_LENGTH_MAX] = {};
};

// Decoded to RGB, then widened to RGBA with full alpha. A file cut short
// (libjpeg's warning of a premature end) is refused, as the DevIL build does.
DecodedImage decodeJpeg(const uint8_t* bytes, size_t size) {
    jpeg_decompress_struct info{};
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = [](j_common_ptr common) {
        auto* self = reinterpret_cast<JpegErrors*>(common->err);
        common->err->format_message(common, self->message);
        std::longjmp(self->escape, 1);
    };
    errors.manager.emit_message = [](j_common_ptr common, int level) {
        if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF) common->err->error_exit(common);
    };
    std::vector<uint8_t> row;
    DecodedImage image;
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_decompress(&info);
        return failed(kLibJpegError, std::string("libjpeg: ") + errors.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!sizeAccepted(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return failed(kFormatNotSupported, tooLarge(info.image_width, info.image_height));
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const size_t width = info.output_width;
    const size_t height = info.output_height;
    row.resize(width * 3);
    image.rgba.resize(width * height * 4);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height) {
        const size_t y = info.output_scanline;  // top row first in the file
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* out = image.rgba.data() + (height - 1 - y) * width * 4;
        for (size_t x = 0; x < width; ++x) {
            out[4 * x] = row[3 * x];
            out[4 * x + 1] = row[3 * x + 1];
            out[4 * x + 2] = row[3 * x + 2];
            out[4 * x + 3] = 255;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    return image;
}

}  // namespace

void initImageDecoder() {}

uint32_t imageTypeOf(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr) return 0;
    if (startsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8)) return kTypePng;
    if (startsWith(bytes, size, "\xff\xd8\xff", 3)) return kTypeJpg;
    if (startsWith(bytes, size, "GIF87a", 6) || startsWith(bytes, size, "GIF89a", 6)) return kTypeGif;
    if (startsWith(bytes, size, "BM", 2)) return kTypeBmp;
    // TGA has no signature: an 18-byte header with a known colour map type,
    // image type (colour mapped, true colour, grey; raw or RLE) and depth.
    if (size >= 18) {
        const uint8_t mapType = bytes[1];
        const uint8_t imageType = bytes[2] & 0xF7;
        const uint8_t depth = bytes[16];
        if (mapType <= 1 && imageType >= 1 && imageType <= 3 &&
            (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32)) {
            return kTypeTga;
        }
    }
    return 0;
}

DecodedImage decodeImage(const char* path) {
    if (path == nullptr) return failed(kInvalidParam, "no path");
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) return failed(kCouldNotOpenFile, std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) return failed(kCouldNotOpenFile, std::strerror(errno));
    return decodeImageBytes(bytes.data(), bytes.size());
}

DecodedImage decodeImageBytes(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size == 0) return failed(kInvalidFileHeader, "empty file");
    if (size > UINT32_MAX) return failed(kOutOfMemory, "larger than 4 GiB");
    switch (imageTypeOf(bytes, size)) {
        case kTypePng:
            return decodePng(bytes, size);
        case kTypeJpg:
            return decodeJpeg(bytes, size);
        case 0:
            return failed(kInvalidFileHeader, "not a PNG, JPEG, GIF, BMP or TGA image");
        default:
            return failed(kFormatNotSupported, "GIF, BMP and TGA pictures are not decoded in this build");
    }
}
