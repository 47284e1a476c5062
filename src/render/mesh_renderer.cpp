// The mesh renderer: LwObject::draw. The object's packed arrays go to GL as
// client-side vertex arrays, uncopied; each surface is coloured with its RGBA
// through glColor4f and, in the sphere-mapped modes, textured with its clip's
// image (modulated by that colour). Matrices, lighting, depth, blending and
// the texture-generation mode (sphere map, set once by initRenderState) are
// the caller's.
#include <GL/gl.h>

#include <vector>

#include "loader/lw_object.h"
#include "render/texture_manager.h"

namespace {

// A surface shows its clip's image when the clip number names one: clips
// count from 1, and clip k is texture k - 1. 0 names no clip and, like -1
// (no image), leaves the surface out of the sphere-mapped modes.
bool hasClipImage(const Surface& surface) { return surface.clipIndex >= 1; }

void setColour(const Surface& surface) {
    glColor4f(surface.colour[0], surface.colour[1], surface.colour[2], surface.colour[3]);
}

// Vertex and normal arrays on, pointing at the object's own arrays.
void setUpArrays(const LwObject& object) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, object.points.data());
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, object.normals.data());
}

// One glBegin/glEnd per triangle, with the normal of its first point for the
// whole triangle. The normal array is left as it is: while it is off (as in
// the show) all three corners carry that one normal.
void drawTriangleByTriangle(const LwObject& object, const TriangleList& list) {
    for (const Triangle& triangle : list.triangles) {
        glBegin(GL_TRIANGLES);
        const Vec3& normal = object.normals[triangle.vertex[0]];
        glNormal3f(normal.x, normal.y, normal.z);
        glArrayElement(static_cast<GLint>(triangle.vertex[0]));
        glArrayElement(static_cast<GLint>(triangle.vertex[1]));
        glArrayElement(static_cast<GLint>(triangle.vertex[2]));
        glEnd();
    }
}

void drawElements(GLenum primitive, const std::vector<Triangle>& triangles) {
    glDrawElements(primitive, 3 * static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

void enableSphereMapping() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void disableSphereMapping() {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
}

void bindClipImage(const Surface& surface) {
    textureManager.bind(static_cast<uint32_t>(surface.clipIndex - 1));
}

}  // namespace

bool LwObject::draw(uint32_t mode) {
    const int32_t surfacesDrawn = surfaceCount();
    switch (mode) {
    case SphereMappedArrays:
        enableSphereMapping();
        setUpArrays(*this);
        for (int32_t i = 0; i < surfacesDrawn; ++i) {
            if (!hasClipImage(surfaces[i])) {
                continue;
            }
            setColour(surfaces[i]);
            bindClipImage(surfaces[i]);
            drawElements(GL_TRIANGLES, surfaceTriangles[i].triangles);
        }
        disableSphereMapping();
        break;
    case FlatImmediate:
        glEnableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, points.data());
        glDisable(GL_TEXTURE_2D);
        for (int32_t i = 0; i < surfacesDrawn; ++i) {
            setColour(surfaces[i]);
            drawTriangleByTriangle(*this, surfaceTriangles[i]);
        }
        break;
    case ColouredArrays:
        glDisable(GL_TEXTURE_2D);
        setUpArrays(*this);
        for (int32_t i = 0; i < surfacesDrawn; ++i) {
            setColour(surfaces[i]);
            drawElements(GL_TRIANGLES, surfaceTriangles[i].triangles);
        }
        break;
    case UvTextured:
        // The current colour and the texture bound at the call apply.
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, uvs.data());
        setUpArrays(*this);
        drawElements(GL_TRIANGLES, triangles);
        glDisable(GL_TEXTURE_2D);
        break;
    case Lines:
        // The index list read as consecutive pairs, across triangle boundaries.
        glDisable(GL_TEXTURE_2D);
        setUpArrays(*this);
        drawElements(GL_LINES, triangles);
        break;
    case White:
        setUpArrays(*this);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        drawElements(GL_TRIANGLES, triangles);
        break;
    case SphereMappedImmediate:
        enableSphereMapping();
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, points.data());
        for (int32_t i = 0; i < surfacesDrawn; ++i) {
            if (!hasClipImage(surfaces[i])) {
                continue;
            }
            setColour(surfaces[i]);
            bindClipImage(surfaces[i]);
            drawTriangleByTriangle(*this, surfaceTriangles[i]);
        }
        glDisableClientState(GL_VERTEX_ARRAY);
        disableSphereMapping();
        break;
    default:
        // Any other mode draws nothing and changes no state.
        break;
    }
    return true;
}
