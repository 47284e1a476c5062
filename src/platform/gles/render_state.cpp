// The fixed state of GL 1.1 that the show sets: what the real context
// carries (blending, depth, culling, clears, the viewport) is passed on,
// what the shaders carry (texturing, texture generation) is kept here. Also
// the layer's errors, glPushAttrib/glPopAttrib and the layer's start.
#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <utility>

#include "platform/gles/layer_state.h"

namespace gles {

namespace {

// Vertices a batch holds before it is drawn: a heart of the show (17,340)
// fits several times.
constexpr uint32_t kBatchVertices = 3 * 21845;

}  // namespace

void raise(GLenum error) {
    if (state.error == GL_NO_ERROR) {
        state.error = error;
    }
}

void notCarriedOut(const char* call, GLenum value, GLenum error) {
    static std::set<std::pair<std::string, GLenum>> reported;
    if (reported.insert({call, value}).second) {
        std::fprintf(stderr, "GL: %s(0x%04X) is not carried out on OpenGL ES 2; %s\n", call, value,
                     error == GL_INVALID_ENUM ? "GL_INVALID_ENUM" : "GL_INVALID_OPERATION");
    }
    raise(error);
}

bool refusedInsideBegin() {
    if (state.inBegin) {
        raise(GL_INVALID_OPERATION);
        return true;
    }
    return false;
}

}  // namespace gles

using namespace gles;

namespace {

// The capabilities the real context carries, and their shadows here (read
// by glPushAttrib and glIsEnabled).
bool* realCapability(GLenum cap) {
    switch (cap) {
    case GL_BLEND: return &state.blend;
    case GL_DEPTH_TEST: return &state.depthTest;
    case GL_CULL_FACE: return &state.cullFace;
    default: return nullptr;
    }
}

// The capabilities the shaders carry.
bool* shaderCapability(GLenum cap) {
    switch (cap) {
    case GL_TEXTURE_2D: return &state.texture2d;
    case GL_TEXTURE_GEN_S: return &state.textureGenS;
    case GL_TEXTURE_GEN_T: return &state.textureGenT;
    default: return nullptr;
    }
}

void setCapability(const char* call, GLenum cap, bool on) {
    if (refusedInsideBegin()) {
        return;
    }
    if (bool* shadow = realCapability(cap)) {
        if (*shadow != on) {
            beforeStateChange();
            *shadow = on;
            (on ? glEnable : glDisable)(cap);
        }
        return;
    }
    if (bool* shadow = shaderCapability(cap)) {
        if (*shadow != on) {
            beforeStateChange();
            *shadow = on;
        }
        return;
    }
    // Off is what the layer draws anyway; on is not carried out.
    const bool offAlready = cap == GL_LIGHTING || cap == GL_NORMALIZE || cap == GL_ALPHA_TEST || cap == GL_FOG ||
                            cap == GL_COLOR_MATERIAL || cap == GL_TEXTURE_GEN_R || cap == GL_TEXTURE_GEN_Q ||
                            (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + 8);
    if (!on && offAlready) {
        return;
    }
    if (cap == GL_SCISSOR_TEST || cap == GL_STENCIL_TEST || cap == GL_POLYGON_OFFSET_FILL || cap == GL_DITHER) {
        beforeStateChange();
        (on ? glEnable : glDisable)(cap);
        return;
    }
    notCarriedOut(call, cap, GL_INVALID_ENUM);
}

}  // namespace

bool vxLayerStart(std::string& error) {
    state = LayerState{};
    state.modelView.top() = identityMatrix();
    state.projection.top() = identityMatrix();
    state.batch.resize(kBatchVertices);
    vxImmediate = VxImmediate{};
    vxImmediate.vertices = state.batch.data();
    vxImmediate.capacity = kBatchVertices;
    if (!buildPrograms(error)) {
        vxImmediate.capacity = 0;
        return false;
    }
    glGenBuffers(1, &state.vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, state.vertexBuffer);
    // Fixed attribute locations for every program (shader_programs.cpp).
    const auto pointer = [](GLuint location, GLint size, size_t offset) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, sizeof(VxVertex),
                              reinterpret_cast<const void*>(offset));
    };
    pointer(0, 3, offsetof(VxVertex, position));
    pointer(1, 3, offsetof(VxVertex, normal));
    pointer(2, 4, offsetof(VxVertex, colour));
    pointer(3, 2, offsetof(VxVertex, texCoord));
    // GL 1.1's defaults where OpenGL ES 2 differs: none of the state the
    // layer passes on does.
    state.started = true;
    return true;
}

void vxLayerStop() {
    if (!state.started) {
        return;
    }
    flushBatch();
    glDeleteBuffers(1, &state.vertexBuffer);
    forgetPrograms();
    state.started = false;
    vxImmediate.capacity = 0;
    vxImmediate.count = 0;
}

void vxglEnable(GLenum cap) { setCapability("glEnable", cap, true); }
void vxglDisable(GLenum cap) { setCapability("glDisable", cap, false); }

GLboolean vxglIsEnabled(GLenum cap) {
    if (const bool* shadow = realCapability(cap)) {
        return *shadow;
    }
    if (const bool* shadow = shaderCapability(cap)) {
        return *shadow;
    }
    switch (cap) {
    case GL_VERTEX_ARRAY: return state.vertexArray.enabled;
    case GL_NORMAL_ARRAY: return state.normalArray.enabled;
    case GL_COLOR_ARRAY: return state.colourArray.enabled;
    case GL_TEXTURE_COORD_ARRAY: return state.texCoordArray.enabled;
    case GL_LIGHTING:
    case GL_NORMALIZE:
    case GL_ALPHA_TEST:
    case GL_FOG:
    case GL_COLOR_MATERIAL:
    case GL_TEXTURE_GEN_R:
    case GL_TEXTURE_GEN_Q: return GL_FALSE;
    default: return glIsEnabled(cap);
    }
}

void vxglBlendFunc(GLenum source, GLenum destination) {
    if (refusedInsideBegin()) {
        return;
    }
    if (source == state.blendSource && destination == state.blendDestination) {
        return;
    }
    beforeStateChange();
    state.blendSource = source;
    state.blendDestination = destination;
    glBlendFunc(source, destination);
}

void vxglDepthFunc(GLenum func) {
    if (refusedInsideBegin() || func == state.depthFunc) {
        return;
    }
    beforeStateChange();
    state.depthFunc = func;
    glDepthFunc(func);
}

void vxglDepthMask(GLboolean flag) {
    if (refusedInsideBegin() || (flag != GL_FALSE) == (state.depthMask != GL_FALSE)) {
        return;
    }
    beforeStateChange();
    state.depthMask = flag != GL_FALSE ? GL_TRUE : GL_FALSE;
    glDepthMask(state.depthMask);
}

void vxglClearDepth(GLclampd depth) {
    if (refusedInsideBegin()) {
        return;
    }
    glClearDepthf(static_cast<GLfloat>(depth < 0.0 ? 0.0 : depth > 1.0 ? 1.0 : depth));
}

void vxglClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (!refusedInsideBegin()) {
        glClearColor(r, g, b, a);
    }
}

void vxglClear(GLbitfield mask) {
    if (refusedInsideBegin()) {
        return;
    }
    if ((mask & GL_ACCUM_BUFFER_BIT) != 0) {
        notCarriedOut("glClear", GL_ACCUM_BUFFER_BIT, GL_INVALID_OPERATION);
        mask &= ~static_cast<GLbitfield>(GL_ACCUM_BUFFER_BIT);
    }
    beforeStateChange();
    glClear(mask);
}

void vxglCullFace(GLenum mode) {
    if (!refusedInsideBegin()) {
        beforeStateChange();
        glCullFace(mode);
    }
}

void vxglFrontFace(GLenum mode) {
    if (!refusedInsideBegin()) {
        beforeStateChange();
        glFrontFace(mode);
    }
}

void vxglShadeModel(GLenum mode) {
    if (refusedInsideBegin()) {
        return;
    }
    if (mode != GL_SMOOTH) {
        notCarriedOut("glShadeModel", mode, mode == GL_FLAT ? GL_INVALID_OPERATION : GL_INVALID_ENUM);
        return;
    }
    state.shadeModel = mode;
}

// Hints ask for nothing that a shader does not already do.
void vxglHint(GLenum target, GLenum mode) {
    if (refusedInsideBegin()) {
        return;
    }
    if (target == GL_GENERATE_MIPMAP_HINT) {
        glHint(target, mode);
    }
}

void vxglPolygonMode(GLenum face, GLenum mode) {
    if (refusedInsideBegin()) {
        return;
    }
    if (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK) {
        raise(GL_INVALID_ENUM);
        return;
    }
    if (mode != GL_FILL) {
        notCarriedOut("glPolygonMode", mode, GL_INVALID_ENUM);
    }
}

void vxglViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!refusedInsideBegin()) {
        beforeStateChange();
        glViewport(x, y, width, height);
    }
}

void vxglFinish() {
    if (!refusedInsideBegin()) {
        flushBatch();
        glFinish();
    }
}

void vxglFlush() {
    if (!refusedInsideBegin()) {
        flushBatch();
        glFlush();
    }
}

void vxglReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels) {
    if (!refusedInsideBegin()) {
        flushBatch();
        glReadPixels(x, y, width, height, format, type, pixels);
    }
}

void vxglPixelStorei(GLenum name, GLint value) {
    if (!refusedInsideBegin()) {
        glPixelStorei(name, value);
    }
}

void vxglPushAttrib(GLbitfield mask) {
    if (refusedInsideBegin()) {
        return;
    }
    if (state.attributeStack.size() >= 16) {
        raise(GL_STACK_OVERFLOW);
        return;
    }
    const VxVertex& current = vxImmediate.current;
    SavedAttributes saved{mask,
                          state.texture2d,
                          state.textureGenS,
                          state.textureGenT,
                          state.blend,
                          state.depthTest,
                          state.cullFace,
                          state.blendSource,
                          state.blendDestination,
                          state.depthFunc,
                          state.matrixMode,
                          state.textureEnvMode,
                          state.textureGenModeS,
                          state.textureGenModeT,
                          state.depthMask,
                          state.boundTexture,
                          {current.colour[0], current.colour[1], current.colour[2], current.colour[3]},
                          {current.normal[0], current.normal[1], current.normal[2]},
                          {current.texCoord[0], current.texCoord[1]}};
    state.attributeStack.push_back(saved);
}

// Restores the groups the push named: enables; colour buffer (blending);
// current values; texture (binding, environment, generation); depth buffer;
// transform (the matrix mode).
void vxglPopAttrib() {
    if (refusedInsideBegin()) {
        return;
    }
    if (state.attributeStack.empty()) {
        raise(GL_STACK_UNDERFLOW);
        return;
    }
    const SavedAttributes s = state.attributeStack.back();
    state.attributeStack.pop_back();
    const auto restore = [](GLenum cap, bool on) { setCapability("glPopAttrib", cap, on); };
    if ((s.mask & (GL_ENABLE_BIT | GL_TEXTURE_BIT)) != 0) {
        restore(GL_TEXTURE_2D, s.texture2d);
        restore(GL_TEXTURE_GEN_S, s.textureGenS);
        restore(GL_TEXTURE_GEN_T, s.textureGenT);
    }
    if ((s.mask & (GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT)) != 0) {
        restore(GL_BLEND, s.blend);
    }
    if ((s.mask & (GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT)) != 0) {
        restore(GL_DEPTH_TEST, s.depthTest);
    }
    if ((s.mask & GL_ENABLE_BIT) != 0) {
        restore(GL_CULL_FACE, s.cullFace);
    }
    if ((s.mask & GL_COLOR_BUFFER_BIT) != 0) {
        vxglBlendFunc(s.blendSource, s.blendDestination);
    }
    if ((s.mask & GL_DEPTH_BUFFER_BIT) != 0) {
        vxglDepthFunc(s.depthFunc);
        vxglDepthMask(s.depthMask);
    }
    if ((s.mask & GL_CURRENT_BIT) != 0) {
        vxglColor4fv(s.colour);
        vxglNormal3f(s.normal[0], s.normal[1], s.normal[2]);
        vxglTexCoord2f(s.texCoord[0], s.texCoord[1]);
    }
    if ((s.mask & GL_TEXTURE_BIT) != 0) {
        vxglBindTexture(GL_TEXTURE_2D, s.boundTexture);
        vxglTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(s.textureEnvMode));
        state.textureGenModeS = s.textureGenModeS;
        state.textureGenModeT = s.textureGenModeT;
    }
    if ((s.mask & GL_TRANSFORM_BIT) != 0) {
        state.matrixMode = s.matrixMode;
    }
}
