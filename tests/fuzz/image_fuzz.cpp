// libFuzzer target: the texture manager's decode path (format check, our
// decoders, DevIL's conversion to RGBA8, flip) on bytes in memory. Besides the sanitizers'
// findings, a decoded image whose size and pixel count disagree aborts.
#include <cstdint>
#include <cstdlib>  // Required for: abort

#include "image/image_decode.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    initImageDecoder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DecodedImage image = decodeImageBytes(data, size);
    if (image.ok()) {
        const size_t expected = size_t{4} * static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
        if (image.rgba.size() != expected || image.imageError != 0) std::abort();
    } else if (!image.rgba.empty() || image.failure.empty()) {
        std::abort();
    }
    return 0;
}
