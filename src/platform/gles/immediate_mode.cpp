// Immediate mode: glBegin/glEnd and the vertices between them, gathered into
// one CPU array and drawn in batches with glDrawArrays. Quads become two
// triangles each (corners 0 1 2 and 0 2 3); a glEnd drops an unfinished
// primitive, as GL does.
#include <cstring>

#include "platform/gles/layer_state.h"

VxImmediate vxImmediate;

namespace gles {

LayerState state;

namespace {

// Vertices a primitive takes: 3 for triangles (quads come as triangles), 2
// for lines.
uint32_t primitiveSize(GLenum primitive) { return primitive == GL_LINES ? 2u : 3u; }

GLenum primitiveOf(GLenum beginMode) { return beginMode == GL_LINES ? GL_LINES : GL_TRIANGLES; }

// The batch is full: draws its finished primitives and keeps the vertices of
// the one being made, at the start of the emptied batch.
void makeRoom() {
    VxImmediate& b = vxImmediate;
    const uint32_t size = primitiveSize(state.batchPrimitive);
    const uint32_t unfinished = state.inBegin ? (b.count - state.primitiveStart) % size : 0;
    VxVertex kept[3];
    std::memcpy(kept, b.vertices + b.count - unfinished, unfinished * sizeof(VxVertex));
    b.count -= unfinished;
    flushBatch();
    std::memcpy(b.vertices, kept, unfinished * sizeof(VxVertex));
    b.count = unfinished;
    state.primitiveStart = 0;
}

void append(const VxVertex& vertex) {
    VxImmediate& b = vxImmediate;
    if (b.count == b.capacity) {
        makeRoom();
    }
    b.vertices[b.count++] = vertex;
}

}  // namespace

void emitVertex(const VxVertex& vertex) {
    if (!state.inBegin || vxImmediate.capacity == 0) {
        return;  // a vertex outside glBegin/glEnd has no effect
    }
    if (state.beginMode != GL_QUADS) {
        append(vertex);
        return;
    }
    state.quad[static_cast<size_t>(state.quadCorners++)] = vertex;
    if (state.quadCorners < 4) {
        return;
    }
    state.quadCorners = 0;
    if (vxImmediate.capacity - vxImmediate.count < 6) {
        flushBatch();
    }
    const auto& q = state.quad;
    for (const VxVertex* corner : {&q[0], &q[1], &q[2], &q[0], &q[2], &q[3]}) {
        vxImmediate.vertices[vxImmediate.count++] = *corner;
    }
}

void flushBatch() {
    VxImmediate& b = vxImmediate;
    if (b.count == 0 || !state.started) {
        b.count = 0;
        return;
    }
    useProgramForState();
    glBindBuffer(GL_ARRAY_BUFFER, state.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(b.count * sizeof(VxVertex)), b.vertices,
                 GL_STREAM_DRAW);
    glDrawArrays(state.batchPrimitive, 0, static_cast<GLsizei>(b.count));
    b.count = 0;
}

void updateDirectPaths() {
    VxImmediate& b = vxImmediate;
    b.directVertices = state.inBegin && state.beginMode != GL_QUADS;
    const ClientArray& v = state.vertexArray;
    b.directArrayElements = b.directVertices && v.enabled && v.type == GL_FLOAT && v.size == 3 &&
                            v.pointer != nullptr && !state.normalArray.enabled && !state.colourArray.enabled &&
                            !state.texCoordArray.enabled;
    b.vertexArray = static_cast<const unsigned char*>(v.pointer);
    b.vertexStride = v.stride != 0 ? static_cast<size_t>(v.stride) : 3 * sizeof(GLfloat);
}

}  // namespace gles

using namespace gles;

void vxglBegin(GLenum mode) {
    if (state.inBegin) {
        raise(GL_INVALID_OPERATION);
        return;
    }
    if (mode != GL_TRIANGLES && mode != GL_QUADS && mode != GL_LINES) {
        notCarriedOut("glBegin", mode, GL_INVALID_ENUM);
        return;
    }
    if (primitiveOf(mode) != state.batchPrimitive) {
        beforeStateChange();
        state.batchPrimitive = primitiveOf(mode);
    }
    state.inBegin = true;
    state.beginMode = mode;
    state.primitiveStart = vxImmediate.count;
    state.quadCorners = 0;
    updateDirectPaths();
}

void vxglEnd() {
    if (!state.inBegin) {
        raise(GL_INVALID_OPERATION);
        return;
    }
    VxImmediate& b = vxImmediate;
    if (state.beginMode != GL_QUADS) {
        b.count -= (b.count - state.primitiveStart) % primitiveSize(state.batchPrimitive);
    }
    state.inBegin = false;
    b.directVertices = false;
    b.directArrayElements = false;
}

void vxVertexOutOfLine(GLfloat x, GLfloat y, GLfloat z) {
    VxVertex vertex = vxImmediate.current;
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    emitVertex(vertex);
}
