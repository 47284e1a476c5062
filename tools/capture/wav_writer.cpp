#include "wav_writer.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cerrno>
#include <vector>

#include "stop_signals.h"

namespace {

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void putId(std::vector<uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

}  // namespace

bool writeWav(const std::string& path, std::span<const int16_t> samples, int32_t sampleRate,
              int32_t channels) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
    const uint32_t bytesPerFrame = static_cast<uint32_t>(channels) * 2;
    std::vector<uint8_t> header;
    putId(header, "RIFF");
    put32(header, 36 + dataBytes);                    // size of everything after this field
    putId(header, "WAVE");
    putId(header, "fmt ");
    put32(header, 16);                                // fmt chunk size (plain PCM)
    put16(header, 1);                                 // format tag: PCM
    put16(header, static_cast<uint32_t>(channels));   // channel count
    put32(header, static_cast<uint32_t>(sampleRate)); // sample frames per second
    put32(header, static_cast<uint32_t>(sampleRate) * bytesPerFrame);  // bytes per second
    put16(header, bytesPerFrame);                     // block align: bytes per sample frame
    put16(header, 16);                                // bits per sample
    putId(header, "data");
    put32(header, dataBytes);                         // sample data size in bytes

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    // Samples are little-endian on disk, as on this machine.
    static_assert(std::endian::native == std::endian::little);
    errno = 0;
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    // A second of sound at a time, so that a stop signal is heard.
    const size_t chunk = static_cast<size_t>(sampleRate) * static_cast<size_t>(channels);
    for (size_t at = 0; written && at < samples.size(); at += chunk) {
        if (capture::stopRequested("wav")) {
            errno = EINTR;
            written = false;
            break;
        }
        const size_t count = std::min(chunk, samples.size() - at);
        written = std::fwrite(samples.data() + at, sizeof(int16_t), count, file) == count;
    }
    written = written && std::fflush(file) == 0;
    const int savedErrno = errno;
    // A full disk may show only here, when the last buffer goes out.
    const bool closed = std::fclose(file) == 0;
    if (!written) {
        errno = savedErrno != 0 ? savedErrno : EIO;
    }
    return written && closed;
}
