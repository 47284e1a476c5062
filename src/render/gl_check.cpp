#include "render/gl_check.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/demo_system.h"

namespace {

bool checkEnabled() {
    static const bool enabled = [] {
        const char* flag = std::getenv("VEXEL_GL_CHECK");
        if (flag != nullptr) return std::strcmp(flag, "0") != 0;
#ifdef NDEBUG
        return false;
#else
        return true;
#endif
    }();
    return enabled;
}

uint64_t framesChecked = 0;
uint64_t framesWithErrors = 0;

}  // namespace

void checkFrameGlErrors() {
    if (!checkEnabled()) return;
    ++framesChecked;
    const GLenum first = glGetError();
    if (first == GL_NO_ERROR) return;
    // GL keeps one flag per error kind; a bounded drain also ends on a
    // context that is gone (where some drivers answer an error for ever).
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    ++framesWithErrors;
    const auto frame = static_cast<unsigned long long>(framesChecked);
    demoSystem.log("GL: error 0x%04X in frame %llu\n", static_cast<unsigned>(first), frame);
    std::fprintf(stderr, "GL: error 0x%04X in frame %llu\n", static_cast<unsigned>(first), frame);
}

uint64_t glErrorFrameCount() { return framesWithErrors; }
