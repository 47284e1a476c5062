#include "render/image_decode.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "render/image_formats.h"

namespace {

// The longest file read: far beyond any picture of the largest accepted
// size (16 M pixels of 32-bit BMP or 16-bit PNG), so that the file, a copy
// and the picture twice stay a small multiple of the picture.
constexpr size_t kMaxImageFileBytes = size_t{128} << 20;

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

std::string sizeText(uint64_t width, uint64_t height) {
    return "picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
}

}  // namespace

std::string tooLargeReason(uint64_t width, uint64_t height) { return sizeText(width, height) + ": too large"; }

std::string truncatedReason(uint64_t width, uint64_t height, size_t fileBytes) {
    return sizeText(width, height) + " in " + std::to_string(fileBytes) + " bytes: truncated or corrupt";
}

bool allocatePicture(uint64_t width, uint64_t height, RgbaPicture& picture, std::string& why) {
    if (width == 0 || height == 0 || !sizeAccepted(width, height)) {
        why = width == 0 || height == 0 ? sizeText(width, height) : tooLargeReason(width, height);
        return false;
    }
    picture.width = static_cast<uint32_t>(width);
    picture.height = static_cast<uint32_t>(height);
    picture.rgba.assign(size_t{4} * width * height, 0);
    return true;
}

void initImageDecoder() {
    static const bool initialised = [] {
        ilInit();
        iluInit();
        // Every picture reaches DevIL top row first, whatever the file's own
        // row order (BMP and TGA store theirs bottom up). The unconditional
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
        if (bytes.size() + got > kMaxImageFileBytes) return failed(IL_OUT_OF_MEMORY, "larger than 128 MiB");
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) return failed(IL_COULD_NOT_OPEN_FILE, std::strerror(errno));
    return decodeImageBytes(bytes.data(), bytes.size());
}

DecodedImage decodeImageBytes(const uint8_t* bytes, size_t size) {
    initImageDecoder();
    if (bytes == nullptr || size == 0) return failed(IL_INVALID_FILE_HEADER, "empty file");
    if (size > kMaxImageFileBytes) return failed(IL_OUT_OF_MEMORY, "larger than 128 MiB");
    const uint32_t type = imageTypeOf(bytes, size);
    if (type == 0) return failed(IL_INVALID_FILE_HEADER, "not a PNG, JPEG, GIF, BMP or TGA image");
    // Our decoders read the file; DevIL only ever sees their pixels.
    RgbaPicture picture;
    std::string why;
    bool decoded = false;
    ILenum refusal = IL_ILLEGAL_FILE_VALUE;
    switch (type) {
        case IL_PNG: decoded = decodePng(bytes, size, picture, why), refusal = IL_LIB_PNG_ERROR; break;
        case IL_JPG: decoded = decodeJpeg(bytes, size, picture, why), refusal = IL_LIB_JPEG_ERROR; break;
        case IL_GIF: decoded = decodeGif(bytes, size, picture, why), refusal = IL_LIB_GIF_ERROR; break;
        case IL_BMP: decoded = decodeBmp(bytes, size, picture, why); break;
        default: decoded = decodeTga(bytes, size, picture, why); break;
    }
    if (!decoded) return failed(refusal, why.empty() ? "not decoded" : std::move(why));

    ILuint handle = 0;
    ilGenImages(1, &handle);
    ilBindImage(handle);
    // DevIL copies the pixels; ours go before its copy is read back.
    const bool held = ilTexImage(picture.width, picture.height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE,
                                 picture.rgba.data()) == IL_TRUE;
    picture = RgbaPicture();
    const bool converted = held && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    DecodedImage image;
    if (converted) {
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
    const ILenum code = drainImageErrors();
    if (!image.ok()) {
        image.imageError = code;
        if (image.imageError == IL_NO_ERROR) image.imageError = IL_ILLEGAL_FILE_VALUE;
        image.failure = devilMessage(image.imageError);
    }
    return image;
}
