#include "core/picture_fit.h"

PictureRect fitPicture(int32_t outputWidth, int32_t outputHeight, int32_t pictureWidth, int32_t pictureHeight) {
    if (outputWidth <= 0 || outputHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        return {};
    }
    // 64-bit products: outputs of several thousand pixels times picture sizes.
    const int64_t widthAtFullHeight = int64_t{outputHeight} * pictureWidth / pictureHeight;
    PictureRect rect;
    if (widthAtFullHeight <= outputWidth) {
        rect.width = static_cast<int32_t>(widthAtFullHeight);  // bars left and right
        rect.height = outputHeight;
    } else {
        rect.width = outputWidth;  // bars above and below
        rect.height = static_cast<int32_t>(int64_t{outputWidth} * pictureHeight / pictureWidth);
    }
    rect.x = (outputWidth - rect.width) / 2;
    rect.y = (outputHeight - rect.height) / 2;
    return rect;
}
