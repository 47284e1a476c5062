#pragma once
// Serialises an xm::Module into the bytes of an XM file (version 0x0104).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "xm_module.h"

namespace xm {

// Checks what the format cannot hold (counts, ranges, loops past the end).
// Returns an empty string when the module can be written, else the first fault.
std::string validate(const Module& module);

// The whole file. Returns false and says why in `error` when validate fails.
bool writeModule(const Module& module, std::vector<uint8_t>& out, std::string& error);

// Packed pattern data: per row, per channel, either the five raw bytes (all
// fields present) or a flag byte 0x80|mask followed by the present fields.
std::vector<uint8_t> packPattern(const Pattern& pattern);

// XM stores 16-bit samples as little-endian differences to the previous frame.
std::vector<uint8_t> deltaEncode(std::span<const int16_t> frames);

}  // namespace xm
