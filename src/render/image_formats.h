#pragma once
// The decoders behind decodeImageBytes, one per accepted format. Each reads a
// whole file held in memory, proves every size, offset, index and run it uses
// against the file and the picture, and delivers 8-bit RGBA, top row first,
// or one reason why not. None calls DevIL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage;

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

// Each: true with the picture filled, or false with why set (the picture is
// then empty). bytes holds the whole file; the caller has checked the format's
// signature.
bool decodePng(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeJpeg(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeGif(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeBmp(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);
bool decodeTga(const uint8_t* bytes, size_t size, RgbaPicture& picture, std::string& why);

// Takes a decoded picture to what a texture is made of: 8-bit RGBA, bottom
// row first. Through DevIL where the build has it (image_devil.cpp); else
// the rows are reversed directly (image_direct.cpp, the Windows build, whose
// Debian sources carry no DevIL that builds here).
DecodedImage handOverPicture(RgbaPicture&& picture);
