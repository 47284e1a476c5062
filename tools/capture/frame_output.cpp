#include "frame_output.h"

#include <png.h>
#include <sys/wait.h>

#include <cstdlib>

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
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative row stride (in components) tells libpng that the buffer holds
    // the bottom row first, as OpenGL reads it.
    const png_int_32 stride = width * 3;
    const int written = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), -stride, nullptr);
    png_image_free(&image);
    return written != 0;
}

bool ffmpegAvailable() {
    return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

namespace {

// Single quotes for the shell, with embedded quotes closed and escaped.
std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace

VideoEncoder::VideoEncoder(const std::string& videoPath, const std::string& wavPath, int32_t width,
                           int32_t height, int32_t fps) {
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -y"
        " -f rawvideo -pix_fmt rgba -video_size " + std::to_string(width) + "x" + std::to_string(height) +
        " -framerate " + std::to_string(fps) + " -i -" +
        " -i " + shellQuote(wavPath) +
        // Frames arrive bottom row first, as OpenGL reads them.
        " -vf vflip -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p"
        " -c:a aac -b:a 192k -movflags +faststart -shortest " + shellQuote(videoPath);
    pipe_ = popen(command.c_str(), "w");
}

VideoEncoder::~VideoEncoder() {
    if (pipe_ != nullptr) {
        pclose(pipe_);
    }
}

bool VideoEncoder::write(const std::vector<uint8_t>& rgbaBottomUp) {
    return pipe_ != nullptr && std::fwrite(rgbaBottomUp.data(), 1, rgbaBottomUp.size(), pipe_) == rgbaBottomUp.size();
}

bool VideoEncoder::finish() {
    if (pipe_ == nullptr) {
        return false;
    }
    const int status = pclose(pipe_);
    pipe_ = nullptr;
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
