// Client-side vertex arrays: read on the CPU at the call (glArrayElement,
// glDrawElements) and copied into the batch, so that nothing reaches the real
// context as a client-side array (WebGL has none) and any index type works
// (OpenGL ES 2 draws only 16-bit indices). Positions, normals, colours and
// texture coordinates of type GL_FLOAT; the index types of GL 1.1.
#include "platform/gles/layer_state.h"

using namespace gles;

namespace {

ClientArray* arrayOf(GLenum array) {
    switch (array) {
    case GL_VERTEX_ARRAY: return &state.vertexArray;
    case GL_NORMAL_ARRAY: return &state.normalArray;
    case GL_COLOR_ARRAY: return &state.colourArray;
    case GL_TEXTURE_COORD_ARRAY: return &state.texCoordArray;
    default: return nullptr;
    }
}

void setPointer(const char* call, ClientArray& array, GLint size, GLenum type, GLsizei stride, const void* pointer) {
    if (stride < 0) {
        raise(GL_INVALID_VALUE);
        return;
    }
    if (type != GL_FLOAT) {
        notCarriedOut(call, type, GL_INVALID_ENUM);
        return;
    }
    array.size = size;
    array.type = type;
    array.stride = stride;
    array.pointer = pointer;
    updateDirectPaths();
}

const GLfloat* element(const ClientArray& array, size_t index) {
    const size_t stride = array.stride != 0 ? static_cast<size_t>(array.stride)
                                            : static_cast<size_t>(array.size) * sizeof(GLfloat);
    return reinterpret_cast<const GLfloat*>(static_cast<const unsigned char*>(array.pointer) + index * stride);
}

// The vertex of array element `index`: the enabled arrays' values, the
// current ones for the others. The arrays' values become current, as in GL.
void emitElement(size_t index) {
    VxVertex& current = vxImmediate.current;
    if (state.normalArray.enabled && state.normalArray.pointer != nullptr) {
        const GLfloat* n = element(state.normalArray, index);
        vxglNormal3f(n[0], n[1], n[2]);
    }
    if (state.colourArray.enabled && state.colourArray.pointer != nullptr) {
        const GLfloat* c = element(state.colourArray, index);
        vxglColor4f(c[0], c[1], c[2], state.colourArray.size == 4 ? c[3] : 1.0f);
    }
    if (state.texCoordArray.enabled && state.texCoordArray.pointer != nullptr) {
        const GLfloat* t = element(state.texCoordArray, index);
        vxglTexCoord2f(t[0], state.texCoordArray.size >= 2 ? t[1] : 0.0f);
    }
    if (!state.vertexArray.enabled || state.vertexArray.pointer == nullptr) {
        return;
    }
    const GLfloat* p = element(state.vertexArray, index);
    VxVertex vertex = current;
    vertex.position[0] = p[0];
    vertex.position[1] = p[1];
    vertex.position[2] = state.vertexArray.size >= 3 ? p[2] : 0.0f;
    emitVertex(vertex);
}

size_t indexAt(GLenum type, const void* indices, GLsizei i) {
    switch (type) {
    case GL_UNSIGNED_BYTE: return static_cast<const GLubyte*>(indices)[i];
    case GL_UNSIGNED_SHORT: return static_cast<const GLushort*>(indices)[i];
    default: return static_cast<const GLuint*>(indices)[i];
    }
}

}  // namespace

void vxglVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    if (size < 2 || size > 4) {
        raise(GL_INVALID_VALUE);
        return;
    }
    setPointer("glVertexPointer", state.vertexArray, size, type, stride, pointer);
}

void vxglNormalPointer(GLenum type, GLsizei stride, const void* pointer) {
    setPointer("glNormalPointer", state.normalArray, 3, type, stride, pointer);
}

void vxglColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    if (size < 3 || size > 4) {
        raise(GL_INVALID_VALUE);
        return;
    }
    setPointer("glColorPointer", state.colourArray, size, type, stride, pointer);
}

void vxglTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    if (size < 1 || size > 4) {
        raise(GL_INVALID_VALUE);
        return;
    }
    setPointer("glTexCoordPointer", state.texCoordArray, size, type, stride, pointer);
}

void vxglEnableClientState(GLenum array) {
    ClientArray* target = arrayOf(array);
    if (target == nullptr) {
        notCarriedOut("glEnableClientState", array, GL_INVALID_ENUM);
        return;
    }
    target->enabled = true;
    updateDirectPaths();
}

void vxglDisableClientState(GLenum array) {
    ClientArray* target = arrayOf(array);
    if (target == nullptr) {
        notCarriedOut("glDisableClientState", array, GL_INVALID_ENUM);
        return;
    }
    target->enabled = false;
    updateDirectPaths();
}

void vxArrayElementOutOfLine(GLint index) {
    if (index < 0) {
        return;
    }
    emitElement(static_cast<size_t>(index));
}

void vxglDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    if (refusedInsideBegin()) {
        return;
    }
    if (count < 0) {
        raise(GL_INVALID_VALUE);
        return;
    }
    if (type != GL_UNSIGNED_BYTE && type != GL_UNSIGNED_SHORT && type != GL_UNSIGNED_INT) {
        raise(GL_INVALID_ENUM);
        return;
    }
    if (indices == nullptr) {
        notCarriedOut("glDrawElements (indices in a buffer object)", mode, GL_INVALID_OPERATION);
        return;
    }
    vxglBegin(mode);  // raises for modes not carried out
    if (!state.inBegin) {
        return;
    }
    for (GLsizei i = 0; i < count; ++i) {
        emitElement(indexAt(type, indices, i));
    }
    vxglEnd();
}
