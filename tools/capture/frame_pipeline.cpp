#include "frame_pipeline.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/offscreen_gl.h"

namespace {

bool hasGlExtension(const char* name) {
    const auto* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (list == nullptr) {
        return false;
    }
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) {
            return true;
        }
    }
    return false;
}

// GL_VERSION as major * 10 + minor ("4.5 (Compatibility Profile) Mesa" = 45).
int glVersion() {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    int minor = 0;
    if (text == nullptr || std::sscanf(text, "%d.%d", &major, &minor) != 2) {
        return 0;
    }
    return major * 10 + minor;
}

// Drains the errors raised since the last call (boundedly); true when there
// were any.
bool takeGlErrors() {
    bool any = false;
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
        any = true;
    }
    return any;
}

size_t frameBytes(const FrameLayout& layout) {
    return static_cast<size_t>(layout.outputWidth) * static_cast<size_t>(layout.outputHeight) * 4;
}

}  // namespace

FramePipeline::FramePipeline(OffscreenGl& output, const FrameLayout& layout, AntiAliasing wanted)
    : output_(output), layout_(layout) {
    // What is checked at the end is this set-up's own errors alone.
    if (takeGlErrors()) {
        error_ = "GL: an error was pending before the capture's framebuffers were set up";
        return;
    }
    const int version = glVersion();
    blit_ = version >= 30 || hasGlExtension("GL_ARB_framebuffer_object") || hasGlExtension("GL_EXT_framebuffer_blit");
    pixelBuffers_ = version >= 21 || hasGlExtension("GL_ARB_pixel_buffer_object");
    if (!makeRenderTarget(wanted)) {
        return;
    }
    if (blit_) {
        // The bars: opaque black, cleared once; blits only ever cover the picture.
        glBindFramebuffer(GL_FRAMEBUFFER, output_.framebuffer());
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (blit_ && pixelBuffers_) {
        glGenBuffers(2, packBuffers_);
        for (GLuint buffer : packBuffers_) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
            glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(frameBytes(layout_)), nullptr, GL_STREAM_READ);
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    beginFrame();
    ok_ = glGetError() == GL_NO_ERROR;
    if (!ok_) {
        error_ = "GL: the capture's framebuffers could not be set up";
    }
}

FramePipeline::~FramePipeline() {
    glBindFramebuffer(GL_FRAMEBUFFER, output_.framebuffer());
    if (packBuffers_[0] != 0) {
        glDeleteBuffers(2, packBuffers_);
    }
    const GLuint framebuffers[] = {renderFramebuffer_, halfFramebuffer_};
    const GLuint renderbuffers[] = {renderColour_, renderDepth_, halfColour_};
    glDeleteFramebuffers(2, framebuffers);
    glDeleteRenderbuffers(3, renderbuffers);
}

bool FramePipeline::makeRenderTarget(AntiAliasing wanted) {
    const PictureRect& p = layout_.picture;
    const GLsizei samples = layout_.grid.columns * layout_.grid.rows;
    GLint maxSamples = 0;
    const bool multisample = wanted == AntiAliasing::Multisampled && samples > 1 && blit_ &&
                             (glVersion() >= 30 || hasGlExtension("GL_ARB_framebuffer_object"));
    if (multisample) {
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    }
    mode_ = multisample && maxSamples >= samples ? AntiAliasing::Multisampled : AntiAliasing::Supersampled;
    for (;;) {
        const bool ms = mode_ == AntiAliasing::Multisampled;
        const GLsizei width = ms ? p.width : layout_.renderWidth();
        const GLsizei height = ms ? p.height : layout_.renderHeight();
        glGenFramebuffers(1, &renderFramebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, renderFramebuffer_);
        glGenRenderbuffers(1, &renderColour_);
        glBindRenderbuffer(GL_RENDERBUFFER, renderColour_);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, ms ? samples : 0, GL_RGBA8, width, height);
        GLint given = 0;
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderColour_);
        glGenRenderbuffers(1, &renderDepth_);
        glBindRenderbuffer(GL_RENDERBUFFER, renderDepth_);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, ms ? samples : 0, GL_DEPTH24_STENCIL8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderDepth_);
        const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        // A refused multisample storage call (a sample count this format or
        // size cannot have, no memory for it) leaves an error: it belongs to
        // the attempt, not to the supersampled fallback that follows.
        const bool refused = ms && takeGlErrors();
        if (complete && !refused && (!ms || given == samples)) {
            break;
        }
        // Another sample count than asked for would be another picture.
        glBindFramebuffer(GL_FRAMEBUFFER, output_.framebuffer());
        glDeleteFramebuffers(1, &renderFramebuffer_);
        const GLuint renderbuffers[] = {renderColour_, renderDepth_};
        glDeleteRenderbuffers(2, renderbuffers);
        renderFramebuffer_ = renderColour_ = renderDepth_ = 0;
        if (!ms) {
            error_ = "GL: the " + std::to_string(width) + "x" + std::to_string(height) +
                     " framebuffer is incomplete";
            return false;
        }
        mode_ = AntiAliasing::Supersampled;
    }
    if (mode_ == AntiAliasing::Supersampled && layout_.grid.columns == 4 && blit_) {
        glGenFramebuffers(1, &halfFramebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, halfFramebuffer_);
        glGenRenderbuffers(1, &halfColour_);
        glBindRenderbuffer(GL_RENDERBUFFER, halfColour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, p.width * 2, p.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, halfColour_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            error_ = "GL: the averaging framebuffer is incomplete";
            return false;
        }
    }
    return true;
}

std::string FramePipeline::describe() const {
    const SampleGrid& g = layout_.grid;
    std::string text = blit_ ? "GL blit" : "CPU averaging";
    text += blit_ && pixelBuffers_ ? ", 2 pixel-pack buffers" : ", waiting read-back";
    if (g.columns * g.rows == 1) {
        return text + ", no anti-aliasing";
    }
    if (mode_ == AntiAliasing::Multisampled) {
        return text + ", " + std::to_string(g.columns * g.rows) + "x multisampled";
    }
    return text + ", " + std::to_string(g.columns) + "x" + std::to_string(g.rows) + " supersampled";
}

int32_t FramePipeline::targetWidth() const {
    return mode_ == AntiAliasing::Multisampled ? layout_.picture.width : layout_.renderWidth();
}

int32_t FramePipeline::targetHeight() const {
    return mode_ == AntiAliasing::Multisampled ? layout_.picture.height : layout_.renderHeight();
}

void FramePipeline::beginFrame() {
    glBindFramebuffer(GL_FRAMEBUFFER, renderFramebuffer_);
}

// A linear blit that halves a side samples the middle between two source
// pixels, so each pass averages exact 2x1, 1x2 or 2x2 blocks.
void FramePipeline::resolve() {
    const PictureRect& p = layout_.picture;
    const GLint right = p.x + p.width;
    const GLint top = p.y + p.height;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, renderFramebuffer_);
    if (halfFramebuffer_ != 0) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, halfFramebuffer_);
        glBlitFramebuffer(0, 0, layout_.renderWidth(), layout_.renderHeight(), 0, 0, p.width * 2, p.height,
                          GL_COLOR_BUFFER_BIT, GL_LINEAR);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, halfFramebuffer_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, output_.framebuffer());
        glBlitFramebuffer(0, 0, p.width * 2, p.height, p.x, p.y, right, top, GL_COLOR_BUFFER_BIT, GL_LINEAR);
        return;
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, output_.framebuffer());
    const bool averaging = mode_ == AntiAliasing::Supersampled && layout_.grid.columns * layout_.grid.rows > 1;
    glBlitFramebuffer(0, 0, targetWidth(), targetHeight(), p.x, p.y, right, top, GL_COLOR_BUFFER_BIT,
                      averaging ? GL_LINEAR : GL_NEAREST);
}

void FramePipeline::startReadBack(int32_t frame) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, output_.framebuffer());
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffers_[frame % 2]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, layout_.outputWidth, layout_.outputHeight, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void FramePipeline::finishReadBack(uint32_t buffer, std::vector<uint8_t>& ready) {
    ready.resize(frameBytes(layout_));
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    const void* mapped = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped == nullptr) {
        ok_ = false;
        error_ = "GL: a frame's pixel-pack buffer could not be mapped";
        std::fill(ready.begin(), ready.end(), 0);
    } else {
        std::memcpy(ready.data(), mapped, ready.size());
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

bool FramePipeline::endFrame(std::vector<uint8_t>& ready) {
    const int32_t frame = frameCount_++;
    if (!blit_) {
        std::vector<uint8_t> rendered(static_cast<size_t>(layout_.renderWidth()) *
                                      static_cast<size_t>(layout_.renderHeight()) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, layout_.renderWidth(), layout_.renderHeight(), GL_RGBA, GL_UNSIGNED_BYTE,
                     rendered.data());
        ready = composeFrame(std::move(rendered), layout_);
        return true;
    }
    resolve();
    if (!pixelBuffers_) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, output_.framebuffer());
        ready = output_.readPixels();
        beginFrame();
        return true;
    }
    startReadBack(frame);
    ++pending_;
    beginFrame();
    if (pending_ < 2) {
        return false;
    }
    finishReadBack(packBuffers_[(frame - 1) % 2], ready);  // the older of the two in flight
    pending_ = 1;
    return true;
}

bool FramePipeline::flush(std::vector<uint8_t>& ready) {
    if (pending_ == 0) {
        return false;
    }
    finishReadBack(packBuffers_[(frameCount_ - 1) % 2], ready);
    pending_ = 0;
    return true;
}
