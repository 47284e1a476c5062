// Texture objects, the texture environment and texture-coordinate
// generation. Images are RGBA or RGB of unsigned bytes at level 0, filtered
// as asked; GL_CLAMP becomes GL_CLAMP_TO_EDGE. A texture whose sides are not
// powers of two is clamped to its edge in the real context whatever its wrap
// mode (WebGL 1 samples such a texture as black otherwise). The layer keeps
// each texture's size and parameters for the queries of GL 1.1.
#include <cmath>

#include "platform/gles/layer_state.h"

namespace gles {

TextureInfo* boundTextureInfo() {
    if (state.boundTexture == 0) {
        return nullptr;
    }
    return &state.textures[state.boundTexture];
}

}  // namespace gles

using namespace gles;

namespace {

bool powerOfTwo(GLsizei side) { return side > 0 && (side & (side - 1)) == 0; }

// The wrap mode the real context gets for `info`'s wrap mode `wrap`.
GLint realWrap(const TextureInfo& info, GLint wrap) {
    if (wrap == GL_CLAMP || wrap == GL_CLAMP_TO_EDGE) {
        return GL_CLAMP_TO_EDGE;
    }
    if (info.defined && (!powerOfTwo(info.width) || !powerOfTwo(info.height))) {
        return GL_CLAMP_TO_EDGE;
    }
    return wrap;
}

void applyWrap(const TextureInfo& info) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, realWrap(info, info.wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, realWrap(info, info.wrapT));
}

bool textureTarget(GLenum target) {
    if (target != GL_TEXTURE_2D) {
        notCarriedOut("a texture target", target, GL_INVALID_ENUM);
        return false;
    }
    return true;
}

bool environmentTarget(GLenum target, GLenum name) {
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE) {
        notCarriedOut("glTexEnv", name, GL_INVALID_ENUM);
        return false;
    }
    return true;
}

}  // namespace

void vxglGenTextures(GLsizei count, GLuint* names) {
    if (!refusedInsideBegin()) {
        glGenTextures(count, names);
    }
}

void vxglDeleteTextures(GLsizei count, const GLuint* names) {
    if (refusedInsideBegin()) {
        return;
    }
    beforeStateChange();
    for (GLsizei i = 0; i < count; ++i) {
        state.textures.erase(names[i]);
        if (names[i] == state.boundTexture) {
            state.boundTexture = 0;
        }
    }
    glDeleteTextures(count, names);
}

void vxglBindTexture(GLenum target, GLuint name) {
    if (refusedInsideBegin() || !textureTarget(target) || name == state.boundTexture) {
        return;
    }
    beforeStateChange();
    state.boundTexture = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

GLboolean vxglIsTexture(GLuint name) { return glIsTexture(name); }

void vxglTexParameteri(GLenum target, GLenum name, GLint value) {
    if (refusedInsideBegin() || !textureTarget(target)) {
        return;
    }
    TextureInfo* info = boundTextureInfo();
    if (info == nullptr) {
        notCarriedOut("glTexParameteri on texture 0", name, GL_INVALID_OPERATION);
        return;
    }
    beforeStateChange();
    switch (name) {
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T:
        if (value != GL_CLAMP && value != GL_CLAMP_TO_EDGE && value != GL_REPEAT) {
            notCarriedOut("glTexParameteri", static_cast<GLenum>(value), GL_INVALID_ENUM);
            return;
        }
        (name == GL_TEXTURE_WRAP_S ? info->wrapS : info->wrapT) = value;
        applyWrap(*info);
        return;
    case GL_TEXTURE_MIN_FILTER: info->minFilter = value; break;
    case GL_TEXTURE_MAG_FILTER: info->magFilter = value; break;
    default: notCarriedOut("glTexParameteri", name, GL_INVALID_ENUM); return;
    }
    glTexParameteri(GL_TEXTURE_2D, name, value);
}

void vxglTexParameterf(GLenum target, GLenum name, GLfloat value) {
    vxglTexParameteri(target, name, static_cast<GLint>(value));
}

void vxglTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels) {
    if (refusedInsideBegin() || !textureTarget(target)) {
        return;
    }
    if (border != 0) {
        notCarriedOut("glTexImage2D with a border", static_cast<GLenum>(border), GL_INVALID_OPERATION);
        return;
    }
    const bool rgba = internalFormat == GL_RGBA || internalFormat == GL_RGBA8 || internalFormat == 4;
    const bool rgb = internalFormat == GL_RGB || internalFormat == GL_RGB8 || internalFormat == 3;
    if ((!rgba && !rgb) || (format != GL_RGBA && format != GL_RGB) || type != GL_UNSIGNED_BYTE) {
        notCarriedOut("glTexImage2D", static_cast<GLenum>(internalFormat), GL_INVALID_ENUM);
        return;
    }
    TextureInfo* info = boundTextureInfo();
    if (info == nullptr) {
        notCarriedOut("glTexImage2D on texture 0", static_cast<GLenum>(level), GL_INVALID_OPERATION);
        return;
    }
    beforeStateChange();
    if (level != 0) {
        notCarriedOut("glTexImage2D above level 0", static_cast<GLenum>(level), GL_INVALID_OPERATION);
        return;
    }
    // OpenGL ES 2 converts nothing: the pixels come in the stored format.
    const GLenum stored = rgba ? GL_RGBA : GL_RGB;
    if (format != stored) {
        notCarriedOut("glTexImage2D converting", format, GL_INVALID_OPERATION);
        return;
    }
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(stored), width, height, 0, format, type, pixels);
    info->width = width;
    info->height = height;
    info->internalFormat = internalFormat;
    info->defined = width > 0 && height > 0;
    applyWrap(*info);
}

void vxglGetTexParameteriv(GLenum target, GLenum name, GLint* values) {
    if (refusedInsideBegin() || !textureTarget(target)) {
        return;
    }
    const TextureInfo info = state.boundTexture != 0 ? *boundTextureInfo() : TextureInfo{};
    switch (name) {
    case GL_TEXTURE_WRAP_S: values[0] = info.wrapS; return;
    case GL_TEXTURE_WRAP_T: values[0] = info.wrapT; return;
    case GL_TEXTURE_MIN_FILTER: values[0] = info.minFilter; return;
    case GL_TEXTURE_MAG_FILTER: values[0] = info.magFilter; return;
    default: notCarriedOut("glGetTexParameteriv", name, GL_INVALID_ENUM);
    }
}

void vxglGetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* values) {
    if (refusedInsideBegin() || !textureTarget(target)) {
        return;
    }
    const TextureInfo info = state.boundTexture != 0 ? *boundTextureInfo() : TextureInfo{};
    const bool defined = level == 0 && info.defined;
    switch (name) {
    case GL_TEXTURE_WIDTH: values[0] = defined ? info.width : 0; return;
    case GL_TEXTURE_HEIGHT: values[0] = defined ? info.height : 0; return;
    case GL_TEXTURE_INTERNAL_FORMAT: values[0] = defined ? info.internalFormat : 1; return;
    default: notCarriedOut("glGetTexLevelParameteriv", name, GL_INVALID_ENUM);
    }
}

// OpenGL ES 2 cannot read a texture back: it is read through a framebuffer
// object it is attached to.
void vxglGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, void* pixels) {
    if (refusedInsideBegin() || !textureTarget(target)) {
        return;
    }
    const TextureInfo* info = boundTextureInfo();
    if (level != 0 || format != GL_RGBA || type != GL_UNSIGNED_BYTE || info == nullptr || !info->defined) {
        notCarriedOut("glGetTexImage", format, GL_INVALID_OPERATION);
        return;
    }
    flushBatch();
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, state.boundTexture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        glReadPixels(0, 0, info->width, info->height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else {
        notCarriedOut("glGetTexImage of an unreadable texture", format, GL_INVALID_OPERATION);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    glDeleteFramebuffers(1, &framebuffer);
}

void vxglTexEnvi(GLenum target, GLenum name, GLint value) {
    if (refusedInsideBegin() || !environmentTarget(target, name)) {
        return;
    }
    if (value != GL_MODULATE && value != GL_REPLACE) {
        notCarriedOut("glTexEnv", static_cast<GLenum>(value), GL_INVALID_ENUM);
        return;
    }
    if (state.textureEnvMode != static_cast<GLenum>(value)) {
        beforeStateChange();
        state.textureEnvMode = static_cast<GLenum>(value);
    }
}

void vxglTexEnvf(GLenum target, GLenum name, GLfloat value) {
    vxglTexEnvi(target, name, static_cast<GLint>(std::lround(value)));
}

void vxglGetTexEnviv(GLenum target, GLenum name, GLint* values) {
    if (!refusedInsideBegin() && environmentTarget(target, name)) {
        values[0] = static_cast<GLint>(state.textureEnvMode);
    }
}

void vxglTexGeni(GLenum coord, GLenum name, GLint value) {
    if (refusedInsideBegin()) {
        return;
    }
    if ((coord != GL_S && coord != GL_T) || name != GL_TEXTURE_GEN_MODE) {
        notCarriedOut("glTexGeni", coord, GL_INVALID_ENUM);
        return;
    }
    if (value != GL_SPHERE_MAP) {
        notCarriedOut("glTexGeni", static_cast<GLenum>(value), GL_INVALID_ENUM);
        return;
    }
    beforeStateChange();
    (coord == GL_S ? state.textureGenModeS : state.textureGenModeT) = GL_SPHERE_MAP;
}

void vxglGetTexGeniv(GLenum coord, GLenum name, GLint* values) {
    if (refusedInsideBegin()) {
        return;
    }
    if ((coord != GL_S && coord != GL_T) || name != GL_TEXTURE_GEN_MODE) {
        notCarriedOut("glGetTexGeniv", coord, GL_INVALID_ENUM);
        return;
    }
    values[0] = static_cast<GLint>(coord == GL_S ? state.textureGenModeS : state.textureGenModeT);
}
