#pragma once
// The decoders behind decodeImageBytes, one per accepted format. Each reads a
// whole file held in memory, proves every size, offset, index and run it uses
// against the file and the picture, and delivers 8-bit RGBA, top row first,
// or one reason why not. None calls DevIL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RgbaPicture {
    uint32_t width = 0;          // pixels
    uint32_t height = 0;         // pixels
    std::vector<uint8_t> rgba;   // width * height * 4 bytes, top row first
};

// The largest picture accepted: 16384 a side (GL's texture size limit on
// every driver the show meets) and 16 M pixels (64 MiB as RGBA8), far beyond
// any picture the show ships. Every decoder checks it before it allocates a
// pixel, so no header can make one ask for more.
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = uint64_t{4096} * 4096;

inline bool sizeAccepted(uint64_t width, uint64_t height) {
    return width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels;
}

// "picture of WxH pixels: too large"
std::string tooLargeReason(uint64_t width, uint64_t height);
// "picture of WxH pixels in N bytes: truncated or corrupt"
std::string truncatedReason(uint64_t width, uint64_t height, size_t fileBytes);

// Allocates width x height RGBA pixels, all zero (transparent black), after
// the size rule; false with the reason when the size is refused.
bool allocatePicture(uint64_t width, uint64_t height, RgbaPicture& picture, std::string& why);

// Each: true with the picture filled, or false with why set (the picture is
// then empty). bytes holds the whole file; the caller has checked the format's
// signature.
bool decodePng(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeJpeg(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeGif(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeBmp(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeTga(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
