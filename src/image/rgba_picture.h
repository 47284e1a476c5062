#pragma once
// What every decoder shares, and nothing else: the picture a decoder fills,
// the size rule it applies before it allocates a pixel, the words of its
// refusals, and the codes a failure carries. Private to src/image; the
// room's face is image_decode.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// DevIL's own values (IL/il.h) for the formats told apart and the failures
// reported, so that callers read the same codes on a build without DevIL;
// the DevIL build checks each against its header.
namespace imageCode {
constexpr uint32_t bmp = 0x0420, jpeg = 0x0425, png = 0x042A, tga = 0x042D, gif = 0x0436;
constexpr uint32_t outOfMemory = 0x0502, illegalFileValue = 0x0507, invalidFileHeader = 0x0508,
                   invalidParam = 0x0509, couldNotOpenFile = 0x050A;
constexpr uint32_t gifError = 0x05E1, jpegError = 0x05E2, pngError = 0x05E3;
}  // namespace imageCode

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
