#include "png_reference.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        return bytes;
    }
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

namespace {

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// The file without its colour-space chunks; every other chunk (and anything
// after a truncated one) is kept byte for byte, so CRCs stay valid.
std::vector<uint8_t> withoutColourSpace(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + 8);
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const size_t end = at + 12 + bigEndian32(&bytes[at]);
        if (end > bytes.size() || end < at) {
            break;
        }
        const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
        if (type != "gAMA" && type != "cHRM" && type != "sRGB" && type != "iCCP") {
            out.insert(out.end(), bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(end));
        }
        at = end;
    }
    out.insert(out.end(), bytes.begin() + static_cast<ptrdiff_t>(at), bytes.end());
    return out;
}

}  // namespace

bool readPngHeader(const std::vector<uint8_t>& bytes, PngHeader* header) {
    if (bytes.size() < 33 || std::memcmp(bytes.data(), signature, 8) != 0 ||
        std::memcmp(&bytes[12], "IHDR", 4) != 0) {
        return false;
    }
    header->width = bigEndian32(&bytes[16]);
    header->height = bigEndian32(&bytes[20]);
    header->bitDepth = bytes[24];
    header->colourType = bytes[25];
    header->interlaced = bytes[28] != 0;
    return true;
}

bool decodeReference(const std::vector<uint8_t>& bytes, bool storedSamples, RgbaPicture* picture) {
    if (bytes.size() < 8) {
        return false;
    }
    const std::vector<uint8_t> input = storedSamples ? withoutColourSpace(bytes) : bytes;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, input.data(), input.size()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    if (storedSamples) {
        image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    }
    picture->width = image.width;
    picture->height = image.height;
    picture->pixels.assign(PNG_IMAGE_SIZE(image), 0);
    if (png_image_finish_read(&image, nullptr, picture->pixels.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    return true;
}

RgbaPicture flipRows(const RgbaPicture& picture) {
    RgbaPicture out = picture;
    const size_t rowBytes = static_cast<size_t>(picture.width) * 4;
    for (uint32_t y = 0; y < picture.height; ++y) {
        std::copy_n(&picture.pixels[y * rowBytes], rowBytes, &out.pixels[(picture.height - 1 - y) * rowBytes]);
    }
    return out;
}
