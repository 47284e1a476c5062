#pragma once
// A whole file in memory with a cursor and big-endian (or native) reads.
//
// Every access to the bytes goes through one bounds check (byteAt): a read
// whose bytes lie outside the buffer yields zero bytes for them, and every
// move of the cursor is clamped to [0, size]. Nothing read from a file can
// make a read leave the buffer or the cursor overflow.
#include <algorithm>  // Required for: std::clamp, std::max
#include <cstddef>
#include <cstdint>
#include <cstring>    // Required for: memcpy, memcmp
#include <vector>

class ByteReader {
public:
    ByteReader() = default;
    virtual ~ByteReader() = default;

    // Reads the whole file at path. False when it cannot be opened, is not a
    // regular seekable file, or is 2 GiB or longer; the reader is then
    // unchanged. A buffer already held is replaced. A short read keeps the
    // bytes that arrived: size is what was read. On failure errno says why.
    bool open(const char* path);
    // Copies length bytes into a new buffer, as open does with a file. False
    // (reader unchanged) when length does not fit a signed 32-bit size.
    bool openBytes(const uint8_t* bytes, size_t length);
    // Releases the buffer; data becomes null. size and cursor keep their
    // values. Always true.
    bool close();
    void setNativeByteOrder(bool native);

    // Each read takes its bytes at cursor and advances cursor by its width
    // (never beyond size).
    char readU1();
    uint16_t readU2();
    int32_t readU4();   // the 32-bit pattern as a signed value
    float readF4();     // the 32-bit pattern as an IEEE-754 single

    // The byte at offset; 0 outside the buffer. The only access to the bytes.
    uint8_t byteAt(int64_t offset) const;
    // Whether the four bytes at offset spell id. False when any of them lies
    // outside the buffer.
    bool matchesAt(int64_t offset, const char id[4]) const;
    // Moves the cursor by count bytes (may be negative), clamped to [0, size].
    void skip(int64_t count);
    // Puts the cursor at offset, clamped to [0, size].
    void seek(int64_t offset);
    // Bytes from cursor to the end of the buffer.
    int32_t remaining() const;

    uint8_t* data = nullptr;       // the file; null when no file is held
    bool nativeByteOrder = false;  // false: big-endian
    int32_t cursor = 0;            // offset of the next read
    int32_t size = 0;              // file length in bytes

private:
    uint32_t read32();
    int32_t held() const { return static_cast<int32_t>(buffer_.size()); }

    std::vector<uint8_t> buffer_;
};

// The reads are inline: the loader calls them for every value of the file.
// Each takes its bytes whole when they all lie inside the buffer (one
// comparison) and byte by byte through byteAt otherwise.

inline uint8_t ByteReader::byteAt(int64_t offset) const {
    if (offset < 0 || offset >= held()) return 0;
    return buffer_[static_cast<size_t>(offset)];
}

inline bool ByteReader::matchesAt(int64_t offset, const char id[4]) const {
    if (offset < 0 || offset + 4 > held()) return false;
    return std::memcmp(buffer_.data() + offset, id, 4) == 0;
}

inline void ByteReader::seek(int64_t offset) {
    cursor = static_cast<int32_t>(std::clamp<int64_t>(offset, 0, held()));
}

inline void ByteReader::skip(int64_t count) { seek(int64_t{cursor} + count); }

inline int32_t ByteReader::remaining() const { return std::max(0, held() - cursor); }

inline char ByteReader::readU1() {
    const uint8_t b0 = byteAt(cursor);
    skip(1);
    return static_cast<char>(b0);
}

inline uint16_t ByteReader::readU2() {
    uint8_t b[2];
    if (cursor >= 0 && cursor <= held() - 2) {
        std::memcpy(b, buffer_.data() + cursor, 2);
        cursor += 2;
    } else {
        b[0] = byteAt(cursor);
        b[1] = byteAt(int64_t{cursor} + 1);
        skip(2);
    }
    if (nativeByteOrder) return static_cast<uint16_t>(b[1] << 8 | b[0]);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

inline uint32_t ByteReader::read32() {
    uint8_t b[4];
    if (cursor >= 0 && cursor <= held() - 4) {
        std::memcpy(b, buffer_.data() + cursor, 4);
        cursor += 4;
    } else {
        for (int i = 0; i < 4; ++i) b[i] = byteAt(int64_t{cursor} + i);
        skip(4);
    }
    const uint32_t b0 = b[0], b1 = b[1], b2 = b[2], b3 = b[3];
    if (nativeByteOrder) return b3 << 24 | b2 << 16 | b1 << 8 | b0;
    return b0 << 24 | b1 << 16 | b2 << 8 | b3;
}

inline int32_t ByteReader::readU4() { return static_cast<int32_t>(read32()); }

inline float ByteReader::readF4() {
    const uint32_t bits = read32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
