// Reading a picture file, telling its format from its leading bytes, and
// the decoder for each; the decoded pixels are handed over by handOverPicture.
// The decoders call nothing here: this file calls them, never the reverse.
#include "image/image_decode.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "image/decoders.h"

namespace {

// The longest file read: far beyond any picture of the largest accepted
// size (16 M pixels of 32-bit BMP or 16-bit PNG), so that the file, a copy
// and the picture twice stay a small multiple of the picture.
constexpr size_t kMaxImageFileBytes = size_t{128} << 20;

bool startsWith(const uint8_t* bytes, size_t size, const char* magic, size_t magicSize) {
    return size >= magicSize && std::memcmp(bytes, magic, magicSize) == 0;
}

DecodedImage failed(uint32_t code, std::string why) {
    DecodedImage image;
    image.imageError = code;
    image.failure = std::move(why);
    return image;
}

}  // namespace

uint32_t imageTypeOf(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr) return 0;
    if (startsWith(bytes, size, "\x89PNG\r\n\x1a\n", 8)) return imageCode::png;
    if (startsWith(bytes, size, "\xff\xd8\xff", 3)) return imageCode::jpeg;
    if (startsWith(bytes, size, "GIF87a", 6) || startsWith(bytes, size, "GIF89a", 6)) return imageCode::gif;
    if (startsWith(bytes, size, "BM", 2)) return imageCode::bmp;
    // TGA has no signature: an 18-byte header with a known colour map type,
    // image type (colour mapped, true colour, grey; raw or RLE) and depth.
    if (size >= 18) {
        const uint8_t mapType = bytes[1];
        const uint8_t imageType = bytes[2] & 0xF7;  // RLE variants are the raw ones + 8
        const uint8_t depth = bytes[16];
        if (mapType <= 1 && imageType >= 1 && imageType <= 3 &&
            (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32)) {
            return imageCode::tga;
        }
    }
    return 0;
}

DecodedImage decodeImage(const char* path) {
    if (path == nullptr) return failed(imageCode::invalidParam, "no path");
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) return failed(imageCode::couldNotOpenFile, std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        if (bytes.size() + got > kMaxImageFileBytes) return failed(imageCode::outOfMemory, "larger than 128 MiB");
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) return failed(imageCode::couldNotOpenFile, std::strerror(errno));
    return decodeImageBytes(bytes.data(), bytes.size());
}

DecodedImage decodeImageBytes(const uint8_t* bytes, size_t size) {
    initImageDecoder();
    if (bytes == nullptr || size == 0) return failed(imageCode::invalidFileHeader, "empty file");
    if (size > kMaxImageFileBytes) return failed(imageCode::outOfMemory, "larger than 128 MiB");
    const uint32_t type = imageTypeOf(bytes, size);
    if (type == 0) return failed(imageCode::invalidFileHeader, "not a PNG, JPEG, GIF, BMP or TGA image");
    // Our decoders read the file; DevIL only ever sees their pixels.
    RgbaPicture picture;
    std::string why;
    bool decoded = false;
    uint32_t refusal = imageCode::illegalFileValue;
    switch (type) {
        case imageCode::png: decoded = decodePng(bytes, size, picture, why), refusal = imageCode::pngError; break;
        case imageCode::jpeg: decoded = decodeJpeg(bytes, size, picture, why), refusal = imageCode::jpegError; break;
        case imageCode::gif: decoded = decodeGif(bytes, size, picture, why), refusal = imageCode::gifError; break;
        case imageCode::bmp: decoded = decodeBmp(bytes, size, picture, why); break;
        default: decoded = decodeTga(bytes, size, picture, why); break;
    }
    if (!decoded) return failed(refusal, why.empty() ? "not decoded" : std::move(why));

    return handOverPicture(std::move(picture));
}
