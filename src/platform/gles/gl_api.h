#pragma once
// The OpenGL 1.1 and GLU that the show draws with, carried out on OpenGL ES 2
// (WebGL 1): the layer's own entry points, vxglXxx for glXxx. The show never
// names them: include/GL/gl.h maps the GL names onto them, so that the
// show's code reads as plain OpenGL 1.1 while this layer calls the real
// OpenGL ES 2 functions under their own names.
//
// What is carried out: immediate mode (GL_TRIANGLES, GL_QUADS, GL_LINES),
// client arrays read by glArrayElement and glDrawElements, the matrix
// stacks, texturing modulated by (or replacing) the colour, sphere-map
// texture coordinates on s and t, blending, depth, culling. A call or a state
// that it does not carry out sets GL_INVALID_ENUM or GL_INVALID_OPERATION and
// writes one line to standard error the first time.
//
// Vertices are gathered in one CPU array and drawn in batches: a batch is
// drawn when a state that affects drawing changes, at glFinish, glFlush,
// glReadPixels and when the array is full. The attribute calls and
// glVertex/glArrayElement inside glBegin(GL_TRIANGLES) are inline.
#include <GLES2/gl2.h>

#include <cstdint>
#include <string>

typedef double GLdouble;
typedef double GLclampd;

// OpenGL 1.1 names that OpenGL ES 2 lacks.
#define GL_QUADS 0x0007
#define GL_CURRENT_BIT 0x00000001
#define GL_ENABLE_BIT 0x00002000
#define GL_TEXTURE_BIT 0x00040000
#define GL_TRANSFORM_BIT 0x00001000
#define GL_ACCUM_BUFFER_BIT 0x00000200
#define GL_ALL_ATTRIB_BITS 0x000fffff
#define GL_STACK_OVERFLOW 0x0503
#define GL_STACK_UNDERFLOW 0x0504
#define GL_CURRENT_COLOR 0x0B00
#define GL_CURRENT_NORMAL 0x0B02
#define GL_CURRENT_TEXTURE_COORDS 0x0B03
#define GL_POLYGON_MODE 0x0B40
#define GL_LIGHTING 0x0B50
#define GL_COLOR_MATERIAL 0x0B57
#define GL_SHADE_MODEL 0x0B54
#define GL_FOG 0x0B60
#define GL_NORMALIZE 0x0BA1
#define GL_MATRIX_MODE 0x0BA0
#define GL_MODELVIEW_STACK_DEPTH 0x0BA3
#define GL_PROJECTION_STACK_DEPTH 0x0BA4
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_PROJECTION_MATRIX 0x0BA7
#define GL_ATTRIB_STACK_DEPTH 0x0BB0
#define GL_ALPHA_TEST 0x0BC0
#define GL_BLEND_DST 0x0BE0
#define GL_BLEND_SRC 0x0BE1
#define GL_PERSPECTIVE_CORRECTION_HINT 0x0C50
#define GL_POINT_SMOOTH_HINT 0x0C51
#define GL_LINE_SMOOTH_HINT 0x0C52
#define GL_POLYGON_SMOOTH_HINT 0x0C53
#define GL_TEXTURE_GEN_S 0x0C60
#define GL_TEXTURE_GEN_T 0x0C61
#define GL_TEXTURE_GEN_R 0x0C62
#define GL_TEXTURE_GEN_Q 0x0C63
#define GL_TEXTURE_WIDTH 0x1000
#define GL_TEXTURE_HEIGHT 0x1001
#define GL_TEXTURE_INTERNAL_FORMAT 0x1003
#define GL_DOUBLE 0x140A
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_POINT 0x1B00
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01
#define GL_S 0x2000
#define GL_T 0x2001
#define GL_R 0x2002
#define GL_Q 0x2003
#define GL_MODULATE 0x2100
#define GL_DECAL 0x2101
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_TEXTURE_ENV 0x2300
#define GL_EYE_LINEAR 0x2400
#define GL_OBJECT_LINEAR 0x2401
#define GL_SPHERE_MAP 0x2402
#define GL_TEXTURE_GEN_MODE 0x2500
#define GL_CLAMP 0x2900
#define GL_LIGHT0 0x4000
#define GL_RGB8 0x8051
#define GL_RGBA8 0x8058
#define GL_VERTEX_ARRAY 0x8074
#define GL_NORMAL_ARRAY 0x8075
#define GL_COLOR_ARRAY 0x8076
#define GL_INDEX_ARRAY 0x8077
#define GL_TEXTURE_COORD_ARRAY 0x8078
#define GL_EDGE_FLAG_ARRAY 0x8079

// One vertex of a batch, as the shaders read it.
struct VxVertex {
    GLfloat position[3];
    GLfloat normal[3];
    GLfloat colour[4];
    GLfloat texCoord[2];
};

// What the inline calls touch: the current attributes and the batch.
struct VxImmediate {
    VxVertex current{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f}};
    VxVertex* vertices = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;
    // Inside glBegin of a primitive that takes its vertices one for one
    // (GL_TRIANGLES, GL_LINES): a vertex goes straight into the batch.
    bool directVertices = false;
    // directVertices, and the vertex array (3 floats) is the only client
    // array enabled: glArrayElement copies its point with the current
    // attributes.
    bool directArrayElements = false;
    const unsigned char* vertexArray = nullptr;
    size_t vertexStride = 0;
};
extern VxImmediate vxImmediate;

// The layer's GL objects (shaders, vertex buffer) in the current context;
// false, with the reason (a shader's compiler log, say) in `error`, where the
// context cannot carry the layer. Called once a context is current, before
// any other call; again after a new context.
bool vxLayerStart(std::string& error);
// Draws what is gathered and forgets the layer's GL objects (the context is
// about to go).
void vxLayerStop();

void vxVertexOutOfLine(GLfloat x, GLfloat y, GLfloat z);
void vxArrayElementOutOfLine(GLint index);

inline void vxglNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    GLfloat* n = vxImmediate.current.normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}
inline void vxglColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    GLfloat* c = vxImmediate.current.colour;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}
inline void vxglColor3f(GLfloat r, GLfloat g, GLfloat b) { vxglColor4f(r, g, b, 1.0f); }
inline void vxglColor4fv(const GLfloat* rgba) { vxglColor4f(rgba[0], rgba[1], rgba[2], rgba[3]); }
inline void vxglTexCoord2f(GLfloat s, GLfloat t) {
    vxImmediate.current.texCoord[0] = s;
    vxImmediate.current.texCoord[1] = t;
}
inline void vxglVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    VxImmediate& b = vxImmediate;
    if (b.directVertices && b.count < b.capacity) {
        VxVertex& v = b.vertices[b.count++];
        v = b.current;
        v.position[0] = x;
        v.position[1] = y;
        v.position[2] = z;
        return;
    }
    vxVertexOutOfLine(x, y, z);
}
inline void vxglVertex2f(GLfloat x, GLfloat y) { vxglVertex3f(x, y, 0.0f); }
inline void vxglVertex2d(GLdouble x, GLdouble y) {
    vxglVertex3f(static_cast<GLfloat>(x), static_cast<GLfloat>(y), 0.0f);
}
inline void vxglArrayElement(GLint index) {
    VxImmediate& b = vxImmediate;
    if (b.directArrayElements && b.count < b.capacity && index >= 0) {
        const auto* point = reinterpret_cast<const GLfloat*>(b.vertexArray + static_cast<size_t>(index) * b.vertexStride);
        VxVertex& v = b.vertices[b.count++];
        v = b.current;
        v.position[0] = point[0];
        v.position[1] = point[1];
        v.position[2] = point[2];
        return;
    }
    vxArrayElementOutOfLine(index);
}

// Immediate mode and client arrays (immediate_mode.cpp, client_arrays.cpp).
void vxglBegin(GLenum mode);
void vxglEnd();
void vxglVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void vxglNormalPointer(GLenum type, GLsizei stride, const void* pointer);
void vxglColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void vxglTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void vxglEnableClientState(GLenum array);
void vxglDisableClientState(GLenum array);
void vxglDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);

// Matrices (matrix_stack.cpp, glu.cpp).
void vxglMatrixMode(GLenum mode);
void vxglLoadIdentity();
void vxglPushMatrix();
void vxglPopMatrix();
void vxglLoadMatrixf(const GLfloat* m);
void vxglMultMatrixf(const GLfloat* m);
void vxglTranslatef(GLfloat x, GLfloat y, GLfloat z);
void vxglRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void vxglScalef(GLfloat x, GLfloat y, GLfloat z);
void vxglOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void vxglFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void vxgluPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar);

// Fixed state, queries and errors (render_state.cpp, state_queries.cpp).
void vxglEnable(GLenum cap);
void vxglDisable(GLenum cap);
GLboolean vxglIsEnabled(GLenum cap);
void vxglBlendFunc(GLenum source, GLenum destination);
void vxglDepthFunc(GLenum func);
void vxglDepthMask(GLboolean flag);
void vxglClearDepth(GLclampd depth);
void vxglClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void vxglClear(GLbitfield mask);
void vxglCullFace(GLenum mode);
void vxglFrontFace(GLenum mode);
void vxglShadeModel(GLenum mode);
void vxglHint(GLenum target, GLenum mode);
void vxglPolygonMode(GLenum face, GLenum mode);
void vxglViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void vxglFinish();
void vxglFlush();
void vxglPushAttrib(GLbitfield mask);
void vxglPopAttrib();
void vxglReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels);
void vxglPixelStorei(GLenum name, GLint value);
GLenum vxglGetError();
void vxglGetIntegerv(GLenum name, GLint* values);
void vxglGetFloatv(GLenum name, GLfloat* values);
void vxglGetBooleanv(GLenum name, GLboolean* values);
const GLubyte* vxglGetString(GLenum name);

// Textures (textures.cpp).
void vxglGenTextures(GLsizei count, GLuint* names);
void vxglDeleteTextures(GLsizei count, const GLuint* names);
void vxglBindTexture(GLenum target, GLuint name);
GLboolean vxglIsTexture(GLuint name);
void vxglTexParameteri(GLenum target, GLenum name, GLint value);
void vxglTexParameterf(GLenum target, GLenum name, GLfloat value);
void vxglTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels);
void vxglGetTexParameteriv(GLenum target, GLenum name, GLint* values);
void vxglGetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* values);
void vxglGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, void* pixels);
void vxglTexEnvf(GLenum target, GLenum name, GLfloat value);
void vxglTexEnvi(GLenum target, GLenum name, GLint value);
void vxglGetTexEnviv(GLenum target, GLenum name, GLint* values);
void vxglTexGeni(GLenum coord, GLenum name, GLint value);
void vxglGetTexGeniv(GLenum coord, GLenum name, GLint* values);
