// glGet* and glGetError: GL 1.1's names answered from the layer's state,
// every other name by the real context (which raises GL_INVALID_ENUM for the
// names it does not know).
#include "platform/gles/layer_state.h"

using namespace gles;

namespace {

// The values of a name the layer answers, as floats; false for the others.
bool layerValues(GLenum name, GLfloat* values) {
    const VxVertex& current = vxImmediate.current;
    const auto copy = [values](const GLfloat* from, int count) {
        for (int i = 0; i < count; ++i) {
            values[i] = from[i];
        }
    };
    switch (name) {
    case GL_CURRENT_COLOR: copy(current.colour, 4); return true;
    case GL_CURRENT_NORMAL: copy(current.normal, 3); return true;
    case GL_CURRENT_TEXTURE_COORDS:
        copy(current.texCoord, 2);
        values[2] = 0.0f;
        values[3] = 1.0f;
        return true;
    case GL_MODELVIEW_MATRIX: copy(state.modelView.top().data(), 16); return true;
    case GL_PROJECTION_MATRIX: copy(state.projection.top().data(), 16); return true;
    case GL_MATRIX_MODE: values[0] = static_cast<GLfloat>(state.matrixMode); return true;
    case GL_MODELVIEW_STACK_DEPTH: values[0] = static_cast<GLfloat>(state.modelView.depth); return true;
    case GL_PROJECTION_STACK_DEPTH: values[0] = static_cast<GLfloat>(state.projection.depth); return true;
    case GL_ATTRIB_STACK_DEPTH: values[0] = static_cast<GLfloat>(state.attributeStack.size()); return true;
    case GL_BLEND_SRC: values[0] = static_cast<GLfloat>(state.blendSource); return true;
    case GL_BLEND_DST: values[0] = static_cast<GLfloat>(state.blendDestination); return true;
    case GL_SHADE_MODEL: values[0] = static_cast<GLfloat>(state.shadeModel); return true;
    case GL_POLYGON_MODE: values[0] = values[1] = static_cast<GLfloat>(GL_FILL); return true;
    case GL_TEXTURE_BINDING_2D: values[0] = static_cast<GLfloat>(state.boundTexture); return true;
    case GL_LIGHTING:
    case GL_NORMALIZE:
    case GL_TEXTURE_2D:
    case GL_TEXTURE_GEN_S:
    case GL_TEXTURE_GEN_T:
    case GL_VERTEX_ARRAY:
    case GL_NORMAL_ARRAY:
    case GL_COLOR_ARRAY:
    case GL_TEXTURE_COORD_ARRAY: values[0] = vxglIsEnabled(name) ? 1.0f : 0.0f; return true;
    default: return false;
    }
}

// How many values a name the layer answers has.
int valueCount(GLenum name) {
    switch (name) {
    case GL_MODELVIEW_MATRIX:
    case GL_PROJECTION_MATRIX: return 16;
    case GL_CURRENT_COLOR:
    case GL_CURRENT_TEXTURE_COORDS: return 4;
    case GL_CURRENT_NORMAL: return 3;
    case GL_POLYGON_MODE: return 2;
    default: return 1;
    }
}

}  // namespace

GLenum vxglGetError() {
    if (state.error != GL_NO_ERROR) {
        const GLenum error = state.error;
        state.error = GL_NO_ERROR;
        return error;
    }
    return glGetError();
}

void vxglGetFloatv(GLenum name, GLfloat* values) {
    if (refusedInsideBegin()) {
        return;
    }
    if (!layerValues(name, values)) {
        glGetFloatv(name, values);
    }
}

void vxglGetIntegerv(GLenum name, GLint* values) {
    if (refusedInsideBegin()) {
        return;
    }
    GLfloat floats[16];
    if (!layerValues(name, floats)) {
        glGetIntegerv(name, values);
        return;
    }
    const bool colour = name == GL_CURRENT_COLOR;
    for (int i = 0; i < valueCount(name); ++i) {
        // Colours map [-1, 1] onto the whole integer range, as GL maps them.
        values[i] = colour ? static_cast<GLint>(floats[i] * 2147483647.0) : static_cast<GLint>(floats[i]);
    }
}

void vxglGetBooleanv(GLenum name, GLboolean* values) {
    if (refusedInsideBegin()) {
        return;
    }
    GLfloat floats[16];
    if (!layerValues(name, floats)) {
        glGetBooleanv(name, values);
        return;
    }
    for (int i = 0; i < valueCount(name); ++i) {
        values[i] = floats[i] != 0.0f ? GL_TRUE : GL_FALSE;
    }
}

const GLubyte* vxglGetString(GLenum name) { return glGetString(name); }
