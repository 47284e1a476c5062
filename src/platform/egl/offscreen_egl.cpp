#include "platform/offscreen_gl.h"

#define EGL_EGLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

struct OffscreenGl::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;
};

namespace {

// Both are client extensions: looked up at run time, since an EGL without
// them still serves the surfaceless or default display.
struct DeviceCalls {
    PFNEGLQUERYDEVICESEXTPROC queryDevices = nullptr;
    PFNEGLQUERYDEVICESTRINGEXTPROC queryDeviceString = nullptr;
    PFNEGLGETPLATFORMDISPLAYEXTPROC getPlatformDisplay = nullptr;
};

DeviceCalls deviceCalls() {
    DeviceCalls calls;
    calls.queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    calls.queryDeviceString =
        reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    calls.getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    return calls;
}

bool hasExtension(const char* list, const char* name) {
    if (list == nullptr) {
        return false;
    }
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool starts = at == list || at[-1] == ' ';
        if (starts && (at[length] == ' ' || at[length] == '\0')) {
            return true;
        }
    }
    return false;
}

std::vector<EGLDeviceEXT> queryDevices(const DeviceCalls& calls) {
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (calls.queryDevices == nullptr || calls.getPlatformDisplay == nullptr ||
        !hasExtension(client, "EGL_EXT_platform_device")) {
        return {};
    }
    EGLint count = 0;
    if (!calls.queryDevices(0, nullptr, &count) || count <= 0) {
        return {};
    }
    std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count));
    if (!calls.queryDevices(count, devices.data(), &count)) {
        return {};
    }
    devices.resize(static_cast<size_t>(count));
    return devices;
}

OffscreenDevice describeDevice(const DeviceCalls& calls, EGLDeviceEXT device, int32_t index) {
    OffscreenDevice described;
    described.index = index;
    const char* extensions = calls.queryDeviceString ? calls.queryDeviceString(device, EGL_EXTENSIONS) : nullptr;
    described.software = hasExtension(extensions, "EGL_MESA_device_software");
    const char* file = nullptr;
    if (hasExtension(extensions, "EGL_EXT_device_drm")) {
        file = calls.queryDeviceString(device, EGL_DRM_DEVICE_FILE_EXT);
    }
    described.name = file != nullptr ? file : (described.software ? "software" : "device");
    return described;
}

// A display to try, and how the context reports it.
struct Candidate {
    EGLDisplay display;
    std::string description;
};

Candidate deviceCandidate(const DeviceCalls& calls, EGLDeviceEXT device, const OffscreenDevice& described) {
    return {calls.getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr),
            "EGL device " + std::to_string(described.index) + " (" + described.name + ")"};
}

// The displays in order of preference, or the one device asked for.
std::vector<Candidate> candidates(int32_t deviceIndex, std::string& error) {
    const DeviceCalls calls = deviceCalls();
    const std::vector<EGLDeviceEXT> devices = queryDevices(calls);
    std::vector<Candidate> list;
    if (deviceIndex != OffscreenGl::kAnyDevice) {
        if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= devices.size()) {
            error = "EGL: no device " + std::to_string(deviceIndex) + " (" + std::to_string(devices.size()) +
                    " listed)";
            return list;
        }
        const auto device = devices[static_cast<size_t>(deviceIndex)];
        list.push_back(deviceCandidate(calls, device, describeDevice(calls, device, deviceIndex)));
        return list;
    }
    std::vector<Candidate> software;
    for (size_t i = 0; i < devices.size(); ++i) {
        const OffscreenDevice described = describeDevice(calls, devices[i], static_cast<int32_t>(i));
        (described.software ? software : list).push_back(deviceCandidate(calls, devices[i], described));
    }
    if (calls.getPlatformDisplay != nullptr) {
        list.push_back({calls.getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                        "surfaceless Mesa"});
    }
    list.push_back({eglGetDisplay(EGL_DEFAULT_DISPLAY), "default EGL display"});
    list.insert(list.end(), software.begin(), software.end());
    return list;
}

// A current compatibility context on `display`, or EGL_NO_CONTEXT with
// `error` set.
EGLContext makeContext(EGLDisplay display, std::string& error) {
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = "EGL: no display";
        return EGL_NO_CONTEXT;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = "EGL: desktop OpenGL not available";
        return EGL_NO_CONTEXT;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    eglChooseConfig(display, configAttributes, &config, 1, &configCount);
    // Surfaceless Mesa may offer no config; EGL_KHR_no_config_context covers that.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, configCount > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT,
                                          contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        error = "EGL: cannot create a compatibility context";
        return EGL_NO_CONTEXT;
    }
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        eglDestroyContext(display, context);
        error = "EGL: cannot make the context current";
        return EGL_NO_CONTEXT;
    }
    return context;
}

}  // namespace

std::vector<OffscreenDevice> offscreenDevices() {
    const DeviceCalls calls = deviceCalls();
    const std::vector<EGLDeviceEXT> devices = queryDevices(calls);
    std::vector<OffscreenDevice> described;
    for (size_t i = 0; i < devices.size(); ++i) {
        described.push_back(describeDevice(calls, devices[i], static_cast<int32_t>(i)));
    }
    return described;
}

OffscreenGl::OffscreenGl(int32_t width, int32_t height, int32_t deviceIndex)
    : impl_(std::make_unique<Impl>()), width_(width), height_(height) {
    Impl& s = *impl_;
    // The first display that gives a current context with a complete
    // framebuffer wins; the error kept is the last one's.
    for (const Candidate& candidate : candidates(deviceIndex, error_)) {
        s.context = makeContext(candidate.display, error_);
        if (s.context == EGL_NO_CONTEXT) {
            continue;
        }
        s.display = candidate.display;
        display_ = candidate.description;
        if (createFramebuffer(width, height)) {
            error_.clear();
            ok_ = true;
            return;
        }
        break;  // a context without framebuffer objects of this size: no other display does better here
    }
}

bool OffscreenGl::createFramebuffer(int32_t width, int32_t height) {
    Impl& s = *impl_;
    glGenFramebuffers(1, &s.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glGenRenderbuffers(1, &s.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, s.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
    glGenRenderbuffers(1, &s.depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, s.depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depthStencil);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, s.depthStencil);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error_ = "GL: framebuffer incomplete";
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    return true;
}

OffscreenGl::~OffscreenGl() {
    Impl& s = *impl_;
    if (s.context != EGL_NO_CONTEXT) {
        if (s.framebuffer != 0) {
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glDeleteFramebuffers(1, &s.framebuffer);
            glDeleteRenderbuffers(1, &s.colour);
            glDeleteRenderbuffers(1, &s.depthStencil);
        }
        eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(s.display, s.context);
    }
    // The display stays initialised: Mesa shares it process-wide, and a later
    // context in the same process opens it again cheaply.
}

std::string OffscreenGl::renderer() const {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return text != nullptr ? text : "";
}

std::string OffscreenGl::vendor() const {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    return text != nullptr ? text : "";
}

uint32_t OffscreenGl::framebuffer() const { return impl_->framebuffer; }

std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void OffscreenGl::readPixel(int32_t x, int32_t y, uint8_t rgba[4]) const {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
