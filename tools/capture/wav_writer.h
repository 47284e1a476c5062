#pragma once
// Writes interleaved 16-bit PCM as a RIFF WAVE file. False, with errno
// saying why, when the file cannot be written whole (flushing and closing
// checked).
#include <cstdint>
#include <span>
#include <string>

bool writeWav(const std::string& path, std::span<const int16_t> samples, int32_t sampleRate,
              int32_t channels);
