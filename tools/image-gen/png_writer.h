#pragma once
// Encodes the generator's pictures as PNG files with libpng. The bytes depend
// only on the pixels and the title: no time stamp, no physical size, fixed
// compression settings.
#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

// 8 bits per channel, RGB (colour type 2) when every pixel is opaque, RGBA
// (colour type 6) otherwise. Empty on failure.
std::vector<uint8_t> encodePng(const Rgba8Image& image, const std::string& title);

// encodePng, written to path. False with *error set on failure.
bool writePng(const std::string& path, const Rgba8Image& image, const std::string& title, std::string* error);
