#pragma once
// An OpenGL compatibility context with no window, drawing into a framebuffer
// object of the requested size. Used by the GL tests and the capture tool.
// The context is current on the creating thread while the object lives.
//
// Where it runs: an EGL device (EGL_EXT_device_enumeration with
// EGL_EXT_platform_device) that is real hardware comes first, so a GPU's own
// driver answers even where libglvnd would hand Mesa's surfaceless platform
// to the software renderer; then Mesa's surfaceless platform, the default
// display, and last a software device. A device index picks one device and
// nothing else.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One EGL device as eglQueryDevicesEXT lists it.
struct OffscreenDevice {
    int32_t index = 0;     // position in the list: what a device index names
    std::string name;      // the DRM device file, or "software"
    bool software = false; // EGL_MESA_device_software: a CPU renderer
};

// The EGL devices of this machine, in EGL's order; empty where EGL cannot
// enumerate devices.
std::vector<OffscreenDevice> offscreenDevices();

class OffscreenGl {
public:
    static constexpr int32_t kAnyDevice = -1;

    // width x height RGBA8 colour with a 24-bit depth and 8-bit stencil
    // buffer, on the preferred display, or on device `deviceIndex` alone.
    OffscreenGl(int32_t width, int32_t height, int32_t deviceIndex = kAnyDevice);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    std::string renderer() const;  // GL_RENDERER
    std::string vendor() const;    // GL_VENDOR
    // Where the context runs: "EGL device 0 (/dev/dri/renderD128)",
    // "surfaceless Mesa", ...
    const std::string& display() const { return display_; }
    // The framebuffer object the context draws into (bound after creation).
    uint32_t framebuffer() const;

    // The framebuffer as RGBA8, bottom row first (as glReadPixels gives it).
    std::vector<uint8_t> readPixels() const;
    // One pixel, (x, y) from the bottom-left corner.
    void readPixel(int32_t x, int32_t y, uint8_t rgba[4]) const;

private:
    struct Impl;
    bool createFramebuffer(int32_t width, int32_t height);
    std::unique_ptr<Impl> impl_;
    bool ok_ = false;
    std::string error_;
    std::string display_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};
