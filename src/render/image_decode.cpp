#include "render/image_decode.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <jerror.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

#include "loader/byte_reader.h"

namespace {

// Empties DevIL's error stack (it keeps a short queue of its own) and returns
// the oldest code on it, IL_NO_ERROR when it was empty.
ILenum drainImageErrors() {
    const ILenum first = ilGetError();
    for (ILenum code = first; code != IL_NO_ERROR; code = ilGetError()) {
    }
    return first;
}

bool startsWith(const uint8_t* bytes, size_t size, const char* magic, size_t magicSize) {
    return size >= magicSize && std::memcmp(bytes, magic, magicSize) == 0;
}

DecodedImage failed(ILenum code, std::string why) {
    DecodedImage image;
    image.imageError = code;
    image.failure = std::move(why);
    return image;
}

std::string devilMessage(ILenum code) {
    const char* text = iluErrorString(code);
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%s (DevIL error 0x%04X)", text != nullptr ? text : "unknown error",
                  static_cast<unsigned>(code));
    return buffer;
}

// The largest picture accepted: 16384 a side (GL's texture size limit on
// every driver the show meets) and 16 M pixels (64 MiB as RGBA8), far beyond
// any picture the show ships. DevIL allocates what a header claims before it
// reads a pixel: a 10-byte GIF can ask it for 3.6 GB.
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = uint64_t{4096} * 4096;

bool sizeAccepted(uint64_t width, uint64_t height) {
    return width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels;
}

uint32_t le16(const ByteReader& r, int64_t offset) { return r.byteAt(offset) | (r.byteAt(offset + 1) << 8); }
uint32_t le32(const ByteReader& r, int64_t offset) { return le16(r, offset) | (le16(r, offset + 2) << 16); }

// Width and height as the header of a GIF, BMP or TGA file states them.
// False when the header does not say.
bool headerSize(uint32_t type, const ByteReader& r, uint64_t& width, uint64_t& height) {
    switch (type) {
        case IL_GIF:  // logical screen
            width = le16(r, 6);
            height = le16(r, 8);
            return true;
        case IL_TGA:
            width = le16(r, 12);
            height = le16(r, 14);
            return true;
        case IL_BMP: {
            if (le32(r, 14) == 12) {  // OS/2 core header: 16-bit sizes
                width = le16(r, 18);
                height = le16(r, 20);
            } else {  // signed 32-bit; a negative height stores rows top down
                const auto w = static_cast<int32_t>(le32(r, 18));
                const auto h = static_cast<int32_t>(le32(r, 22));
                width = static_cast<uint64_t>(w < 0 ? -int64_t{w} : w);
                height = static_cast<uint64_t>(h < 0 ? -int64_t{h} : h);
            }
            return true;
        }
        default:
            return false;
    }
}

// A PNG is read through once by libpng (checksums, zlib stream, sizes)
// before DevIL sees it: DevIL 1.7.8 leaks its buffers on every PNG that
// libpng refuses half-way. Empty when the file is sound, else libpng's message.
std::string checkPng(const uint8_t* bytes, size_t size) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) {
        return std::string("libpng: ") + image.message;
    }
    if (!sizeAccepted(image.width, image.height)) {
        png_image_free(&image);
        return "picture of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
               " pixels: too large";
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> scratch(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, scratch.data(), 0, nullptr) == 0) {
        return std::string("libpng: ") + image.message;
    }
    return {};
}

// A JPEG is read through once by libjpeg from memory before DevIL sees it:
// DevIL's own reader spins for ever on some files that end inside a marker
// (found by the fuzzer: a frame header or the end marker cut off). libjpeg's
// memory source ends every file with an end marker, and a file that needs it
// (cut short anywhere up to its end marker) is refused. Empty when sound.
struct JpegCheck {
    jpeg_error_mgr manager{};
    std::jmp_buf escape{};
    bool endedEarly = false;
    char message[JMSG_LENGTH_MAX] = {};
};

std::string checkJpeg(const uint8_t* bytes, size_t size) {
    jpeg_decompress_struct info{};
    JpegCheck check;
    info.err = jpeg_std_error(&check.manager);
    check.manager.error_exit = [](j_common_ptr common) {
        auto* self = reinterpret_cast<JpegCheck*>(common->err);
        common->err->format_message(common, self->message);
        std::longjmp(self->escape, 1);
    };
    check.manager.emit_message = [](j_common_ptr common, int level) {
        if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF) {
            reinterpret_cast<JpegCheck*>(common->err)->endedEarly = true;
        }
    };
    std::vector<JSAMPLE> row;
    if (setjmp(check.escape) != 0) {
        jpeg_destroy_decompress(&info);
        return std::string("libjpeg: ") + check.message;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    std::string why;
    if (!sizeAccepted(info.image_width, info.image_height)) {
        why = "picture of " + std::to_string(info.image_width) + "x" + std::to_string(info.image_height) +
              " pixels: too large";
    } else {
        jpeg_start_decompress(&info);
        row.resize(static_cast<size_t>(info.output_width) * static_cast<size_t>(info.output_components));
        JSAMPROW rows[1] = {row.data()};
        while (info.output_scanline < info.output_height && !check.endedEarly) jpeg_read_scanlines(&info, rows, 1);
        // Up to the end marker, as DevIL reads: a file must hold its own.
        if (!check.endedEarly) jpeg_finish_decompress(&info);
        if (check.endedEarly) why = "libjpeg: the file ends before the picture does";
    }
    jpeg_destroy_decompress(&info);
    return why;
}

}  // namespace

void initImageDecoder() {
    static const bool initialised = [] {
        ilInit();
        iluInit();
        // Every decoder hands its rows over top row first, whatever the file's
        // own row order (BMP and TGA store theirs bottom up). The unconditional
        // flip after decoding then puts the picture's top at t = 1 for every format.
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        return true;
    }();
    (void)initialised;
}

uint32_t imageTypeOf(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr) return 0;
    if (startsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8)) return IL_PNG;
    if (startsWith(bytes, size, "\xff\xd8\xff", 3)) return IL_JPG;
    if (startsWith(bytes, size, "GIF87a", 6) || startsWith(bytes, size, "GIF89a", 6)) return IL_GIF;
    if (startsWith(bytes, size, "BM", 2)) return IL_BMP;
    // TGA has no signature: an 18-byte header with a known colour map type,
    // image type (colour mapped, true colour, grey; raw or RLE) and depth.
    if (size >= 18) {
        const uint8_t mapType = bytes[1];
        const uint8_t imageType = bytes[2] & 0xF7;  // RLE variants are the raw ones + 8
        const uint8_t depth = bytes[16];
        if (mapType <= 1 && imageType >= 1 && imageType <= 3 &&
            (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32)) {
            return IL_TGA;
        }
    }
    return 0;
}

DecodedImage decodeImage(const char* path) {
    if (path == nullptr) return failed(IL_INVALID_PARAM, "no path");
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) return failed(IL_COULD_NOT_OPEN_FILE, std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) return failed(IL_COULD_NOT_OPEN_FILE, std::strerror(errno));
    return decodeImageBytes(bytes.data(), bytes.size());
}

DecodedImage decodeImageBytes(const uint8_t* bytes, size_t size) {
    initImageDecoder();
    if (bytes == nullptr || size == 0) return failed(IL_INVALID_FILE_HEADER, "empty file");
    if (size > UINT32_MAX) return failed(IL_OUT_OF_MEMORY, "larger than 4 GiB");
    const uint32_t type = imageTypeOf(bytes, size);
    if (type == 0) return failed(IL_INVALID_FILE_HEADER, "not a PNG, JPEG, GIF, BMP or TGA image");
    if (type == IL_PNG) {
        std::string why = checkPng(bytes, size);
        if (!why.empty()) return failed(IL_LIB_PNG_ERROR, std::move(why));
    } else if (type == IL_JPG) {
        std::string why = checkJpeg(bytes, size);
        if (!why.empty()) return failed(IL_LIB_JPEG_ERROR, std::move(why));
    } else {
        ByteReader header;
        uint64_t width = 0;
        uint64_t height = 0;
        if (!header.openBytes(bytes, std::min<size_t>(size, 65536)) || !headerSize(type, header, width, height)) {
            return failed(IL_INVALID_FILE_HEADER, "no picture size in the header");
        }
        // What the file can describe: TGA run-length packets hold at most 128
        // pixels a byte; uncompressed BMP rows must be in the file whole.
        // DevIL decodes a 32-byte TGA claiming 2125x2056 pixels for seconds.
        uint64_t mostPixels = UINT64_MAX;
        if (type == IL_TGA) {
            mostPixels = uint64_t{128} * size;
            // A colour-mapped picture needs a map, and the map must be in the
            // file: DevIL took a length from a map-less TGA and asked for 4 GB.
            const uint32_t imageType = header.byteAt(2) & 0xF7;
            const uint32_t mapType = header.byteAt(1);
            const uint64_t mapBytes = uint64_t{le16(header, 5)} * ((header.byteAt(7) + 7) / 8);
            if ((imageType == 1 && mapType != 1) ||
                (mapType == 1 && (le16(header, 5) == 0 || 18 + header.byteAt(0) + mapBytes > size))) {
                return failed(IL_INVALID_FILE_HEADER, "colour map missing or beyond the end of the file");
            }
            // Uncompressed pixels must be in the file whole: DevIL corrupted
            // its heap on a 16-bit TGA of 64x12 pixels with none in it.
            if ((header.byteAt(2) & 8) == 0) {
                const uint64_t pixelBytes = uint64_t{width} * height * ((header.byteAt(16) + 7u) / 8u);
                if (18 + header.byteAt(0) + (mapType == 1 ? mapBytes : 0) + pixelBytes > size) {
                    return failed(IL_INVALID_FILE_HEADER, "picture of " + std::to_string(width) + "x" +
                                                              std::to_string(height) + " pixels in " +
                                                              std::to_string(size) + " bytes: truncated or corrupt");
                }
            }
        }
        const uint32_t bmpCompression = le32(header, 30);
        const uint32_t bmpBits = le16(header, 28);
        if (type == IL_BMP && le32(header, 14) != 12 && (bmpCompression == 0 || bmpCompression == 3) && bmpBits > 0) {
            mostPixels = uint64_t{size} * 8 / bmpBits;
        }
        if (width * height > mostPixels) {
            return failed(IL_INVALID_FILE_HEADER, "picture of " + std::to_string(width) + "x" +
                                                      std::to_string(height) + " pixels in " + std::to_string(size) +
                                                      " bytes: truncated or corrupt");
        }
        if (!sizeAccepted(width, height)) {
            return failed(IL_FORMAT_NOT_SUPPORTED, "picture of " + std::to_string(width) + "x" +
                                                       std::to_string(height) + " pixels: too large");
        }
    }

    ILuint handle = 0;
    ilGenImages(1, &handle);
    ilBindImage(handle);
    // Decode, then bring any layout (grey, grey+alpha, palette, RGB, BGR) and
    // channel type (16-bit, float) to 8-bit RGBA; images without alpha get
    // full alpha. ilFormatFunc alone would convert nothing once decoded.
    // DevIL reads through a stdio stream over the bytes, never the bytes
    // themselves: its in-memory reader does not bound its seeks (a BMP whose
    // pixel offset lies past the end made it read wild memory), while a
    // stream's reads and seeks stop at the end.
    std::unique_ptr<FILE, int (*)(FILE*)> stream(fmemopen(const_cast<uint8_t*>(bytes), size, "rb"), std::fclose);
    if (!stream) return failed(IL_OUT_OF_MEMORY, std::strerror(errno));
    const bool decoded = ilLoadF(type, stream.get()) == IL_TRUE &&
                         ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    DecodedImage image;
    if (decoded) {
        const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
        const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* pixels = ilGetData();
        const size_t rowBytes = size_t{4} * static_cast<size_t>(std::max(width, 0));
        const size_t bytes = rowBytes * static_cast<size_t>(std::max(height, 0));
        // Only what DevIL says it holds is read: 4 bytes a pixel, one layer.
        if (width > 0 && height > 0 && pixels != nullptr && ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) == 4 &&
            ilGetInteger(IL_IMAGE_DEPTH) == 1 && static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) >= bytes) {
            // Top row first -> bottom row first, where GL puts t = 0; a copy
            // bounded by what DevIL reports it holds.
            image.width = width;
            image.height = height;
            image.rgba.resize(bytes);
            for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
                std::memcpy(image.rgba.data() + (static_cast<size_t>(height) - 1 - row) * rowBytes,
                            pixels + row * rowBytes, rowBytes);
            }
        }
    }
    ilDeleteImages(1, &handle);
    // A decoder may queue a warning on an image it still delivers.
    const ILenum code = drainImageErrors();
    if (!image.ok()) {
        image.imageError = code;
        if (image.imageError == IL_NO_ERROR) image.imageError = IL_ILLEGAL_FILE_VALUE;
        image.failure = devilMessage(image.imageError);
    }
    return image;
}
