#include "ogg_stream.h"

#include <array>
#include <fstream>
#include <iterator>

#include <sndfile.h>

namespace ogg {
namespace {

// Ogg page header layout (all little-endian):
// bytes 0..3 "OggS", 4 version, 5 flags, 6..13 granule position
constexpr size_t SerialOffset = 14;       // u32 bitstream serial number
constexpr size_t ChecksumOffset = 22;     // u32 CRC of the page with this field zeroed
constexpr size_t SegmentCountOffset = 26; // u8 number of lacing values that follow
constexpr size_t FixedHeaderSize = 27;

// CRC-32 as Ogg defines it: polynomial 0x04C11DB7, MSB first, initial 0, no final xor.
const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    return table;
}

void putU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool readFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

bool setStreamSerial(std::vector<uint8_t>& file, uint32_t serial) {
    size_t at = 0;
    if (file.empty()) return false;
    while (at < file.size()) {
        if (file.size() - at < FixedHeaderSize || file[at] != 'O' || file[at + 1] != 'g' || file[at + 2] != 'g' ||
            file[at + 3] != 'S')
            return false;
        const size_t segments = file[at + SegmentCountOffset];
        if (file.size() - at < FixedHeaderSize + segments) return false;
        size_t bodySize = 0;
        for (size_t i = 0; i < segments; ++i) bodySize += file[at + FixedHeaderSize + i];
        const size_t pageSize = FixedHeaderSize + segments + bodySize;
        if (file.size() - at < pageSize) return false;

        uint8_t* page = file.data() + at;
        putU32(page + SerialOffset, serial);
        putU32(page + ChecksumOffset, 0);
        uint32_t crc = 0;
        for (size_t i = 0; i < pageSize; ++i) crc = (crc << 8) ^ crcTable()[((crc >> 24) ^ page[i]) & 0xFF];
        putU32(page + ChecksumOffset, crc);
        at += pageSize;
    }
    return true;
}

bool writeVorbis(const std::string& path, std::span<const float> interleaved, int channels, int rateHz,
                 double quality, std::string& error) {
    SF_INFO info{};
    info.samplerate = rateHz;
    info.channels = channels;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = path + ": libsndfile cannot create it: " + sf_strerror(nullptr);
        return false;
    }
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / static_cast<size_t>(channels));
    const sf_count_t written = sf_writef_float(file, interleaved.data(), frames);
    const bool closed = sf_close(file) == 0;
    if (written != frames || !closed) {
        error = path + ": libsndfile wrote " + std::to_string(written) + " of " + std::to_string(frames) + " frames";
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes) || !setStreamSerial(bytes, 0x7E55A11Eu) || !writeFile(path, bytes)) {
        error = path + ": cannot fix the Ogg stream serial (not Ogg pages, or not rewritable)";
        return false;
    }
    return true;
}

}  // namespace ogg
