#pragma once
// The state the layer keeps for OpenGL 1.1 beside the real OpenGL ES 2
// context, shared by the files of the layer (one job each).
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/gles/gl_api.h"

namespace gles {

using Matrix = std::array<GLfloat, 16>;  // column-major, as glGetFloatv gives it

Matrix identityMatrix();
Matrix multiply(const Matrix& a, const Matrix& b);  // a * b

// A stack as GL 1.1 keeps it: the top is the current matrix.
struct MatrixStack {
    static constexpr int kDepth = 32;
    std::array<Matrix, kDepth> entries{};
    int depth = 1;
    Matrix& top() { return entries[static_cast<size_t>(depth - 1)]; }
    const Matrix& top() const { return entries[static_cast<size_t>(depth - 1)]; }
};

// One client array as gl*Pointer set it.
struct ClientArray {
    bool enabled = false;
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;  // as given; 0 means tightly packed
    const void* pointer = nullptr;
};

// What the layer knows of one texture object.
struct TextureInfo {
    GLsizei width = 0;
    GLsizei height = 0;
    GLint internalFormat = GL_RGBA;
    bool defined = false;  // level 0 has an image
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
};

// What glPushAttrib keeps.
struct SavedAttributes {
    GLbitfield mask = 0;
    bool texture2d, textureGenS, textureGenT, blend, depthTest, cullFace;
    GLenum blendSource, blendDestination, depthFunc, matrixMode, textureEnvMode, textureGenModeS, textureGenModeT;
    GLboolean depthMask;
    GLuint boundTexture;
    GLfloat colour[4], normal[3], texCoord[2];
};

struct LayerState {
    // Matrices.
    GLenum matrixMode = GL_MODELVIEW;
    MatrixStack modelView;
    MatrixStack projection;
    uint32_t matrixSerial = 1;  // changes with every matrix change

    // Fixed state the shaders carry out, and the state that is queried.
    bool texture2d = false;
    bool textureGenS = false;
    bool textureGenT = false;
    GLenum textureGenModeS = GL_EYE_LINEAR;
    GLenum textureGenModeT = GL_EYE_LINEAR;
    GLenum textureEnvMode = GL_MODULATE;
    bool blend = false;
    bool depthTest = false;
    bool cullFace = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLenum depthFunc = GL_LESS;
    GLboolean depthMask = GL_TRUE;
    GLenum shadeModel = GL_SMOOTH;
    std::vector<SavedAttributes> attributeStack;

    // Client arrays.
    ClientArray vertexArray;
    ClientArray normalArray;
    ClientArray colourArray;
    ClientArray texCoordArray;

    // Immediate mode.
    bool inBegin = false;
    GLenum beginMode = GL_TRIANGLES;
    GLenum batchPrimitive = GL_TRIANGLES;  // what the gathered vertices make
    uint32_t primitiveStart = 0;           // first vertex of the current glBegin in the batch
    std::array<VxVertex, 4> quad{};        // a quad's corners until the fourth comes
    int quadCorners = 0;
    std::vector<VxVertex> batch;

    // Textures.
    GLuint boundTexture = 0;
    std::unordered_map<GLuint, TextureInfo> textures;

    // The first error the layer itself raised since glGetError.
    GLenum error = GL_NO_ERROR;

    // Real GL objects.
    bool started = false;
    GLuint vertexBuffer = 0;
};

extern LayerState state;

// Raises `error` (kept until glGetError, as GL keeps its first error).
void raise(GLenum error);
// Raises `error` for a call or a value the layer does not carry out, with
// one line to standard error the first time this call and value come.
void notCarriedOut(const char* call, GLenum value, GLenum error);
// True, with GL_INVALID_OPERATION raised, between glBegin and glEnd.
bool refusedInsideBegin();

// Adds one vertex with its attributes to the primitive being made (nothing
// outside glBegin/glEnd).
void emitVertex(const VxVertex& vertex);
// Draws the gathered vertices with the current state (no-op when empty).
void flushBatch();
// Draws what is gathered when a state that affects drawing is about to
// change.
inline void beforeStateChange() {
    if (vxImmediate.count != 0) {
        flushBatch();
    }
}
// The direct paths of the inline calls, from the current state.
void updateDirectPaths();

// The shaders (shader_programs.cpp).
bool buildPrograms(std::string& error);
void forgetPrograms();
// Makes the program for the current state current, its uniforms up to date.
void useProgramForState();

// The current texture's record (state.boundTexture), or null for 0.
TextureInfo* boundTextureInfo();

}  // namespace gles
