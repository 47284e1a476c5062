#include "platform/egl/egl_displays.h"

#include <cstring>

#include "platform/offscreen_gl.h"

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

EglCandidate deviceCandidate(const DeviceCalls& calls, EGLDeviceEXT device, const OffscreenDevice& described) {
    return {calls.getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr),
            "EGL device " + std::to_string(described.index) + " (" + described.name + ")"};
}

}  // namespace

std::vector<EglCandidate> eglCandidates(int32_t deviceIndex, std::string& error) {
    const DeviceCalls calls = deviceCalls();
    const std::vector<EGLDeviceEXT> devices = queryDevices(calls);
    std::vector<EglCandidate> list;
    if (deviceIndex != kAnyEglDevice) {
        if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= devices.size()) {
            error = "EGL: no device " + std::to_string(deviceIndex) + " (" + std::to_string(devices.size()) +
                    " listed)";
            return list;
        }
        const auto device = devices[static_cast<size_t>(deviceIndex)];
        list.push_back(deviceCandidate(calls, device, describeDevice(calls, device, deviceIndex)));
        return list;
    }
    std::vector<EglCandidate> software;
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

EGLContext makeEglContext(EGLDisplay display, EglApi api, std::string& error) {
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = "EGL: no display";
        return EGL_NO_CONTEXT;
    }
    const bool es2 = api == EglApi::OpenGlEs2;
    if (!eglBindAPI(es2 ? EGL_OPENGL_ES_API : EGL_OPENGL_API)) {
        error = es2 ? "EGL: OpenGL ES not available" : "EGL: desktop OpenGL not available";
        return EGL_NO_CONTEXT;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, es2 ? EGL_OPENGL_ES2_BIT : EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    eglChooseConfig(display, configAttributes, &config, 1, &configCount);
    // Surfaceless Mesa may offer no config; EGL_KHR_no_config_context covers that.
    const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                    EGL_NONE};
    const EGLint es2Attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(display, configCount > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT,
                                          es2 ? es2Attributes : compatibility);
    if (context == EGL_NO_CONTEXT) {
        error = es2 ? "EGL: cannot create an OpenGL ES 2 context" : "EGL: cannot create a compatibility context";
        return EGL_NO_CONTEXT;
    }
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        eglDestroyContext(display, context);
        error = "EGL: cannot make the context current";
        return EGL_NO_CONTEXT;
    }
    return context;
}


std::vector<OffscreenDevice> offscreenDevices() {
    const DeviceCalls calls = deviceCalls();
    const std::vector<EGLDeviceEXT> devices = queryDevices(calls);
    std::vector<OffscreenDevice> described;
    for (size_t i = 0; i < devices.size(); ++i) {
        described.push_back(describeDevice(calls, devices[i], static_cast<int32_t>(i)));
    }
    return described;
}

