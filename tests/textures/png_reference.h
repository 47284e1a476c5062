#pragma once
// Reference decoding for the texture tests: libpng's simplified API, which
// the texture path (DevIL) must agree with.
#include <cstdint>
#include <string>
#include <vector>

struct RgbaPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // RGBA8, top row first
};

// The whole file, empty when it cannot be read.
std::vector<uint8_t> readFileBytes(const std::string& path);

// The IHDR fields a test cares about; false when the bytes do not start with
// a PNG signature and an IHDR chunk.
struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
    bool interlaced = false;
};
bool readPngHeader(const std::vector<uint8_t>& bytes, PngHeader* header);

// Decodes with png_image / PNG_FORMAT_RGBA. With storedSamples set the
// colour-space chunks (gAMA, cHRM, sRGB, iCCP) are dropped first and 16-bit
// samples are taken as sRGB-encoded, so the result is the file's samples
// as stored, only reduced to 8 bits (the simplified API otherwise converts
// them from the file's gamma, which DevIL does not). False on a decode error.
bool decodeReference(const std::vector<uint8_t>& bytes, bool storedSamples, RgbaPicture* picture);

// The picture with its rows in reverse order.
RgbaPicture flipRows(const RgbaPicture& picture);
