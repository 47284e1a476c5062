#include "platform/offscreen_gl.h"

#include "platform/egl/egl_displays.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

struct OffscreenGl::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;
};

OffscreenGl::OffscreenGl(int32_t width, int32_t height, int32_t deviceIndex)
    : impl_(std::make_unique<Impl>()), width_(width), height_(height) {
    Impl& s = *impl_;
    // The first display that gives a current context with a complete
    // framebuffer wins; the error kept is the last one's.
    for (const EglCandidate& candidate : eglCandidates(deviceIndex, error_)) {
        s.context = makeEglContext(candidate.display, EglApi::OpenGlCompatibility, error_);
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
