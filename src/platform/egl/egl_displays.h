#pragma once
// The EGL displays an offscreen context may run on, in order of preference,
// and a current context on one of them: shared by the desktop OpenGL context
// and the OpenGL ES 2 one.
#define EGL_EGLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kAnyEglDevice = -1;

// A display to try, and how the context reports it.
struct EglCandidate {
    EGLDisplay display;
    std::string description;
};

// A real device first, then Mesa's surfaceless platform, the default display
// and last a software device; or device `deviceIndex` alone (none, with
// `error` set, where there is no such device).
std::vector<EglCandidate> eglCandidates(int32_t deviceIndex, std::string& error);

enum class EglApi { OpenGlCompatibility, OpenGlEs2 };

// A context of `api` made current on `display` without a surface, or
// EGL_NO_CONTEXT with `error` set.
EGLContext makeEglContext(EGLDisplay display, EglApi api, std::string& error);
