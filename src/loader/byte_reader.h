#pragma once
// A whole file in memory with a cursor and big-endian (or native) reads.
// Reads outside the buffer yield zero bytes: nothing read from a file can make
// a read leave the buffer.
#include <cstdint>
#include <vector>

class ByteReader {
public:
    ByteReader() = default;
    virtual ~ByteReader() = default;

    bool open(const char* path);  // false: cannot be opened; reader unchanged
    bool close();                 // always true
    void setNativeByteOrder(bool native);

    char readU1();
    uint16_t readU2();
    int32_t readU4();
    float readF4();

    uint8_t* data = nullptr;       // the file; null when no file is held
    bool nativeByteOrder = false;  // false: big-endian
    int32_t cursor = 0;            // offset of the next read
    int32_t size = 0;              // file length in bytes

private:
    std::vector<uint8_t> buffer_;
};
