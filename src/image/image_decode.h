#pragma once
// Image decoding: file or memory bytes to 8-bit RGBA, no GL call. Our own
// decoders (libpng, libjpeg, giflib, and ours for BMP and TGA) read the file
// and prove it; DevIL holds and converts their pixels, and none of its
// decoders ever reads a byte of a file. The face of src/image: what lies
// beside it (the decoders, rgba_picture.h) is the room's own, included by
// nothing outside it.
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
    uint32_t imageError = 0;     // a DevIL error code when decoding failed (IL_LIB_PNG_ERROR, ...)
    std::string failure;         // why decoding failed, in one line (the OS's, a library's or our words); empty when ok
    bool ok() const { return width > 0 && height > 0; }
};

// Initialises DevIL and ILU and sets the row order every decoder delivers.
// Idempotent; the texture manager's constructor calls it.
void initImageDecoder();

// The formats decoded, told apart by their leading bytes: PNG, JPEG, GIF,
// BMP, and TGA (no signature: a plausible 18-byte header). Anything else is
// refused. 0 when none matches; else DevIL's constant for the type.
uint32_t imageTypeOf(const uint8_t* bytes, size_t size);

// Decodes the image file at path (read whole, up to 128 MiB, then as
// decodeImageBytes). A picture is refused before anything is allocated for
// its pixels when larger than 16384 a side or 16 M pixels.
// Not thread-safe against other DevIL calls: one thread decodes at a time.
DecodedImage decodeImage(const char* path);
// Decodes an image held in memory. Same threading rule as decodeImage.
DecodedImage decodeImageBytes(const uint8_t* bytes, size_t size);
