// The offscreen context of a build that draws through the GLES 2 layer: an
// OpenGL ES 2 context (Mesa gives one surfaceless) with the layer started in
// it, on the same displays as the desktop one. Linked instead of
// platform/egl/offscreen_egl.cpp.
#include "platform/offscreen_gl.h"

#include <GLES2/gl2.h>
#include <GLES2/gl2ext.h>

#include "platform/egl/egl_displays.h"
#include "platform/gles/gl_api.h"

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
    for (const EglCandidate& candidate : eglCandidates(deviceIndex, error_)) {
        s.context = makeEglContext(candidate.display, EglApi::OpenGlEs2, error_);
        if (s.context == EGL_NO_CONTEXT) {
            continue;
        }
        s.display = candidate.display;
        display_ = candidate.description;
        if (!createFramebuffer(width, height)) {
            return;
        }
        // A layer that cannot start (a shader refused) is a context that
        // cannot be set up.
        if (!vxLayerStart(error_)) {
            return;
        }
        vxglViewport(0, 0, width, height);
        error_.clear();
        ok_ = true;
        return;
    }
}

// RGBA8 and a packed depth and stencil buffer: OpenGL ES 2 with
// OES_rgb8_rgba8 and OES_packed_depth_stencil, or ES 3.
bool OffscreenGl::createFramebuffer(int32_t width, int32_t height) {
    Impl& s = *impl_;
    glGenFramebuffers(1, &s.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glGenRenderbuffers(1, &s.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, s.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8_OES, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
    glGenRenderbuffers(1, &s.depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, s.depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8_OES, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depthStencil);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, s.depthStencil);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error_ = "GL: framebuffer incomplete";
        return false;
    }
    return true;
}

OffscreenGl::~OffscreenGl() {
    Impl& s = *impl_;
    if (s.context != EGL_NO_CONTEXT) {
        vxLayerStop();
        if (s.framebuffer != 0) {
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glDeleteFramebuffers(1, &s.framebuffer);
            glDeleteRenderbuffers(1, &s.colour);
            glDeleteRenderbuffers(1, &s.depthStencil);
        }
        eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(s.display, s.context);
    }
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

// What the layer has gathered is drawn before the pixels are read.
std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
    vxglFlush();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void OffscreenGl::readPixel(int32_t x, int32_t y, uint8_t rgba[4]) const {
    vxglFlush();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
