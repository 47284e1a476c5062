// The hand-over on a build without DevIL: the decoders' pixels are already
// 8-bit RGBA, so only the row order changes (top row first -> bottom row
// first, where GL puts t = 0).
#include <cstring>

#include "image/image_decode.h"
#include "image/decoders.h"

void initImageDecoder() {}

DecodedImage handOverPicture(RgbaPicture&& picture) {
    DecodedImage image;
    const size_t rowBytes = size_t{4} * picture.width;
    if (picture.width == 0 || picture.height == 0 || picture.rgba.size() != rowBytes * picture.height) {
        image.imageError = imageCode::illegalFileValue;
        image.failure = "not decoded";
        return image;
    }
    image.width = static_cast<int32_t>(picture.width);
    image.height = static_cast<int32_t>(picture.height);
    image.rgba.resize(picture.rgba.size());
    for (size_t row = 0; row < picture.height; ++row) {
        std::memcpy(image.rgba.data() + (picture.height - 1 - row) * rowBytes, picture.rgba.data() + row * rowBytes,
                    rowBytes);
    }
    return image;
}
