#pragma once
// A small, independent XM reader for the tests: parses the bytes the writer
// produced back into an xm::Module, through one bounds-checked cursor.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "xm_module.h"

namespace xmread {

// The module, or nullopt with `error` saying where the bytes went wrong.
// Only what the writer produces is accepted: one sample per instrument,
// 16-bit delta-coded samples, format version 0x0104.
std::optional<xm::Module> readModule(std::span<const uint8_t> bytes, std::string& error);

// Unpacks one pattern's packed data; nullopt when it does not fill rows x channels exactly.
std::optional<xm::Pattern> unpackPattern(std::span<const uint8_t> packed, int rows, int channels);

}  // namespace xmread
