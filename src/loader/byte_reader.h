#pragma once
// A whole file in memory with a cursor and big-endian (or native) reads.
//
// Every access to the bytes goes through one bounds check (byteAt): a read
// whose bytes lie outside the buffer yields zero bytes for them, and every
// move of the cursor is clamped to [0, size]. Nothing read from a file can
// make a read leave the buffer or the cursor overflow.
#include <cstddef>
#include <cstdint>
#include <vector>

class ByteReader {
public:
    ByteReader() = default;
    virtual ~ByteReader() = default;

    // Reads the whole file at path. False when it cannot be opened, is not a
    // regular seekable file, or is 2 GiB or longer; the reader is then
    // unchanged. A buffer already held is replaced. A short read keeps the
    // bytes that arrived: size is what was read.
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
