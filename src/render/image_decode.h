#pragma once
// Image decoding with DevIL: file or memory bytes to 8-bit RGBA, no GL call.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An image decoded to 8-bit RGBA, bottom row first (GL's t = 0 first): what a
// texture is made of.
struct DecodedImage {
    int32_t width = 0;           // pixels; 0 when decoding failed
    int32_t height = 0;          // pixels; 0 when decoding failed
    std::vector<uint8_t> rgba;   // width * height * 4 bytes
    uint32_t imageError = 0;     // DevIL's first error code when decoding failed
    std::string failure;         // why decoding failed (OS or DevIL message); empty when ok
    bool ok() const { return width > 0 && height > 0; }
};

// Initialises DevIL and ILU and sets the row order every decoder delivers.
// Idempotent; the texture manager's constructor calls it.
void initImageDecoder();

// The formats handed to DevIL, told apart by their leading bytes: PNG, JPEG,
// GIF, BMP, and TGA (no signature: a plausible 18-byte header).
// Anything else is refused before DevIL sees it, so none of its other
// decoders (PSD, PCX, DDS, HDR, ...) ever runs on an image someone brings.
// 0 when none matches; else the DevIL type constant.
uint32_t imageTypeOf(const uint8_t* bytes, size_t size);

// Decodes the image file at path (read whole, then as decodeImageBytes).
// Not thread-safe against other DevIL calls: one thread decodes at a time.
DecodedImage decodeImage(const char* path);
// Decodes an image held in memory. Same threading rule as decodeImage.
DecodedImage decodeImageBytes(const uint8_t* bytes, size_t size);
