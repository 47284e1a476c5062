// The hand-over to DevIL: the show's image library holds every decoded
// picture, converts it to 8-bit RGBA and gives it back bottom row first.
#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/image_decode.h"
#include "image/decoders.h"

// The codes the decoders report are DevIL's own.
static_assert(imageCode::png == IL_PNG && imageCode::jpeg == IL_JPG && imageCode::gif == IL_GIF &&
              imageCode::bmp == IL_BMP && imageCode::tga == IL_TGA);
static_assert(imageCode::couldNotOpenFile == IL_COULD_NOT_OPEN_FILE &&
              imageCode::illegalFileValue == IL_ILLEGAL_FILE_VALUE &&
              imageCode::invalidFileHeader == IL_INVALID_FILE_HEADER && imageCode::invalidParam == IL_INVALID_PARAM &&
              imageCode::gifError == IL_LIB_GIF_ERROR && imageCode::jpegError == IL_LIB_JPEG_ERROR &&
              imageCode::pngError == IL_LIB_PNG_ERROR && imageCode::outOfMemory == IL_OUT_OF_MEMORY);

namespace {

// Empties DevIL's error stack (it keeps a short queue of its own) and returns
// the oldest code on it, IL_NO_ERROR when it was empty.
ILenum drainImageErrors() {
    const ILenum first = ilGetError();
    for (ILenum code = first; code != IL_NO_ERROR; code = ilGetError()) {
    }
    return first;
}

std::string devilMessage(ILenum code) {
    const char* text = iluErrorString(code);
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%s (DevIL error 0x%04X)", text != nullptr ? text : "unknown error",
                  static_cast<unsigned>(code));
    return buffer;
}

}  // namespace

void initImageDecoder() {
    static const bool initialised = [] {
        ilInit();
        iluInit();
        // Every picture reaches DevIL top row first, whatever the file's own
        // row order (BMP and TGA store theirs bottom up). The unconditional
        // flip after decoding then puts the picture's top at t = 1 for every format.
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        return true;
    }();
    (void)initialised;
}

DecodedImage handOverPicture(RgbaPicture&& picture) {
    ILuint handle = 0;
    ilGenImages(1, &handle);
    ilBindImage(handle);
    // DevIL copies the pixels; ours go before its copy is read back.
    const bool held = ilTexImage(picture.width, picture.height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE,
                                 picture.rgba.data()) == IL_TRUE;
    picture = RgbaPicture();
    const bool converted = held && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    DecodedImage image;
    if (converted) {
        const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
        const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* pixels = ilGetData();
        const size_t rowBytes = size_t{4} * static_cast<size_t>(std::max(width, 0));
        const size_t bytes = rowBytes * static_cast<size_t>(std::max(height, 0));
        // Only what DevIL says it holds is read: 4 bytes a pixel, one layer.
        if (width > 0 && height > 0 && pixels != nullptr && ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) == 4 &&
            ilGetInteger(IL_IMAGE_DEPTH) == 1 && static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) >= bytes) {
            // Top row first -> bottom row first, where GL puts t = 0; a copy
            // bounded by what DevIL reports it holds.
            image.width = width;
            image.height = height;
            image.rgba.resize(bytes);
            for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
                std::memcpy(image.rgba.data() + (static_cast<size_t>(height) - 1 - row) * rowBytes,
                            pixels + row * rowBytes, rowBytes);
            }
        }
    }
    ilDeleteImages(1, &handle);
    const ILenum code = drainImageErrors();
    if (!image.ok()) {
        image.imageError = code;
        if (image.imageError == IL_NO_ERROR) image.imageError = IL_ILLEGAL_FILE_VALUE;
        image.failure = devilMessage(image.imageError);
    }
    return image;
}
