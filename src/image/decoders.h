#pragma once
// The steps behind decodeImageBytes once the format is told: one decoder per
// accepted format, then the hand-over of its pixels. Each decoder reads a
// whole file held in memory, proves every size, offset, index and run it uses
// against the file and the picture, and delivers 8-bit RGBA, top row first,
// or one reason why not. None calls DevIL, and none calls back into the
// dispatcher: what they share is in rgba_picture.h. Private to src/image.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/rgba_picture.h"

struct DecodedImage;

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
