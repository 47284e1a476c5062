#pragma once
// Captured frames as PNG files.
#include <cstdint>
#include <string>
#include <vector>

// Writes an RGBA8 frame, bottom row first, as an RGB PNG the right way up.
// False, with errno saying why, when the file cannot be written whole
// (flushing and closing checked).
bool writeFramePng(const std::string& path, const std::vector<uint8_t>& rgbaBottomUp, int32_t width,
                   int32_t height);
