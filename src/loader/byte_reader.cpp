#include "loader/byte_reader.h"

#include <cerrno>

#include <climits>    // Required for: INT32_MAX
#include <cstdio>     // Required for: fopen, fseek, ftell, fread, fclose
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
    // errno tells why on failure: the OS's reason, or EISDIR, EINVAL (not a
    // regular file) or EFBIG set here.
    errno = 0;
    if (path == nullptr) {
        errno = EINVAL;
        return false;
    }
    FileCloser file{std::fopen(path, "rb")};
    if (file.stream == nullptr) return false;

    // A directory opens for reading on Linux and a pipe cannot tell its
    // length; neither is a file we can hold.
    struct stat info {};
    if (fstat(fileno(file.stream), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if (std::fseek(file.stream, 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file.stream);
    if (length < 0 || length > INT32_MAX) {
        if (length > INT32_MAX) errno = EFBIG;
        return false;
    }
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
