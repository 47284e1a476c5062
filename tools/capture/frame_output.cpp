#include "frame_output.h"

#include <png.h>

#include <cerrno>
#include <cstdio>

bool writeFramePng(const std::string& path, const std::vector<uint8_t>& rgbaBottomUp, int32_t width,
                   int32_t height) {
    const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (rgbaBottomUp.size() < pixelCount * 4) {
        return false;
    }
    // What the screen shows has no transparency: drop the framebuffer's alpha.
    std::vector<uint8_t> rgb(pixelCount * 3);
    for (size_t i = 0; i < pixelCount; ++i) {
        rgb[i * 3 + 0] = rgbaBottomUp[i * 4 + 0];
        rgb[i * 3 + 1] = rgbaBottomUp[i * 4 + 1];
        rgb[i * 3 + 2] = rgbaBottomUp[i * 4 + 2];
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    errno = 0;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative row stride (in components) tells libpng that the buffer holds
    // the bottom row first, as OpenGL reads it.
    const png_int_32 stride = width * 3;
    const bool encoded = png_image_write_to_stdio(&image, file, 0, rgb.data(), -stride, nullptr) != 0;
    png_image_free(&image);
    // A full disk may only show when the buffered tail is flushed or the file closed.
    const bool flushed = encoded && std::fflush(file) == 0 && std::ferror(file) == 0;
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!flushed) {
        errno = savedErrno != 0 ? savedErrno : EIO;
    }
    return flushed && closed;
}
