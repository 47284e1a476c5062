#pragma once
// An OpenGL compatibility context with no window: EGL on Mesa's surfaceless
// platform (software rendering here, the GPU's EGL where there is one),
// drawing into a framebuffer object of the requested size. Used by the GL
// tests and the capture tool. The context is current on the creating thread
// while the object lives.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OffscreenGl {
public:
    // width x height RGBA8 colour with a 24-bit depth and 8-bit stencil buffer.
    OffscreenGl(int32_t width, int32_t height);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    std::string renderer() const;  // GL_RENDERER

    // The framebuffer as RGBA8, bottom row first (as glReadPixels gives it).
    std::vector<uint8_t> readPixels() const;
    // One pixel, (x, y) from the bottom-left corner.
    void readPixel(int32_t x, int32_t y, uint8_t rgba[4]) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool ok_ = false;
    std::string error_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};
