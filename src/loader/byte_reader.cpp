#include "loader/byte_reader.h"

#include <algorithm>  // Required for: std::clamp
#include <climits>    // Required for: INT32_MAX
#include <cstdio>     // Required for: fopen, fseek, ftell, fread, fclose
#include <cstring>    // Required for: memcpy
#include <sys/stat.h> // Required for: fstat (regular files only)

namespace {

// Closes the stream on every path out of open().
struct FileCloser {
    std::FILE* stream;
    ~FileCloser() {
        if (stream != nullptr) std::fclose(stream);
    }
};

}  // namespace

bool ByteReader::open(const char* path) {
    if (path == nullptr) return false;
    FileCloser file{std::fopen(path, "rb")};
    if (file.stream == nullptr) return false;

    // A directory opens for reading on Linux and a pipe cannot tell its
    // length; neither is a file we can hold.
    struct stat info {};
    if (fstat(fileno(file.stream), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (std::fseek(file.stream, 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file.stream);
    if (length < 0 || length > INT32_MAX) return false;
    if (std::fseek(file.stream, 0, SEEK_SET) != 0) return false;

    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    const size_t got = length > 0 ? std::fread(bytes.data(), 1, bytes.size(), file.stream) : 0;
    bytes.resize(got);  // a file that shrank while we read it: keep what arrived

    buffer_ = std::move(bytes);
    data = buffer_.data();
    size = held();
    cursor = 0;
    return true;
}

bool ByteReader::openBytes(const uint8_t* bytes, size_t length) {
    if (length > static_cast<size_t>(INT32_MAX)) return false;
    if (length > 0 && bytes == nullptr) return false;
    buffer_.assign(bytes, bytes + length);
    data = buffer_.data();
    size = held();
    cursor = 0;
    return true;
}

bool ByteReader::close() {
    std::vector<uint8_t>().swap(buffer_);  // releases the memory, not just the bytes
    data = nullptr;
    return true;
}

void ByteReader::setNativeByteOrder(bool native) { nativeByteOrder = native; }

uint8_t ByteReader::byteAt(int64_t offset) const {
    if (offset < 0 || offset >= held()) return 0;
    return buffer_[static_cast<size_t>(offset)];
}

bool ByteReader::matchesAt(int64_t offset, const char id[4]) const {
    if (offset < 0 || offset + 4 > held()) return false;
    return std::memcmp(buffer_.data() + offset, id, 4) == 0;
}

void ByteReader::skip(int64_t count) { seek(static_cast<int64_t>(cursor) + count); }

void ByteReader::seek(int64_t offset) {
    cursor = static_cast<int32_t>(std::clamp<int64_t>(offset, 0, held()));
}

int32_t ByteReader::remaining() const { return std::max(0, held() - cursor); }

char ByteReader::readU1() {
    const uint8_t b0 = byteAt(cursor);
    skip(1);
    return static_cast<char>(b0);
}

uint16_t ByteReader::readU2() {
    const uint8_t b0 = byteAt(cursor);
    const uint8_t b1 = byteAt(static_cast<int64_t>(cursor) + 1);
    skip(2);
    if (nativeByteOrder) return static_cast<uint16_t>(b1 << 8 | b0);
    return static_cast<uint16_t>(b0 << 8 | b1);
}

uint32_t ByteReader::read32() {
    const int64_t at = cursor;
    const uint32_t b0 = byteAt(at);
    const uint32_t b1 = byteAt(at + 1);
    const uint32_t b2 = byteAt(at + 2);
    const uint32_t b3 = byteAt(at + 3);
    skip(4);
    if (nativeByteOrder) return b3 << 24 | b2 << 16 | b1 << 8 | b0;
    return b0 << 24 | b1 << 16 | b2 << 8 | b3;
}

int32_t ByteReader::readU4() { return static_cast<int32_t>(read32()); }

float ByteReader::readF4() {
    const uint32_t bits = read32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
