// The shaders that stand in for GL 1.1's fixed function, in GLSL ES 1.00:
// colour alone; a texture modulated by the colour (or replacing it); and
// either with sphere-map coordinates on s and/or t. All are built when the
// layer starts, so that a driver that refuses one is known before the show
// draws.
#include <array>
#include <cmath>

#include "platform/gles/layer_state.h"

using namespace gles;

namespace {

// The sphere map follows the GL 1.1 formula: u is the unit vector from the
// eye to the vertex, n the eye-space normal (the inverse transpose of the
// model-view times the normal) left as long as it comes out, as fixed
// function leaves it without GL_NORMALIZE; r = u - 2 n (n . u),
// m = 2 sqrt(rx^2 + ry^2 + (rz + 1)^2), (s, t) = (rx, ry) / m + 1/2.
// Colours are clamped to [0, 1] before they are interpolated.
const char* const kVertexShader = R"(
attribute vec3 a_position;
attribute vec3 a_normal;
attribute vec4 a_colour;
attribute vec2 a_texCoord;
uniform mat4 u_modelViewProjection;
varying vec4 v_colour;
#ifdef TEXTURED
varying vec2 v_texCoord;
#endif
#ifdef SPHERE_MAP
uniform mat4 u_modelView;
uniform mat3 u_normalMatrix;
uniform vec2 u_generated;
#endif
void main() {
    vec4 position = vec4(a_position, 1.0);
    gl_Position = u_modelViewProjection * position;
    v_colour = clamp(a_colour, 0.0, 1.0);
#ifdef TEXTURED
    vec2 st = a_texCoord;
#ifdef SPHERE_MAP
    vec3 u = normalize((u_modelView * position).xyz);
    vec3 n = u_normalMatrix * a_normal;
    vec3 r = u - 2.0 * dot(n, u) * n;
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    st = mix(st, r.xy / m + 0.5, u_generated);
#endif
    v_texCoord = st;
#endif
}
)";

const char* const kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 v_colour;
#ifdef TEXTURED
varying vec2 v_texCoord;
uniform sampler2D u_texture;
#endif
void main() {
#ifdef TEXTURED
    vec4 texel = texture2D(u_texture, v_texCoord);
#ifdef REPLACE
    gl_FragColor = texel;
#else
    gl_FragColor = v_colour * texel;
#endif
#else
    gl_FragColor = v_colour;
#endif
}
)";

// Which program draws: bit 0 textured, bit 1 sphere map, bit 2 replace.
constexpr int kTextured = 1;
constexpr int kSphereMap = 2;
constexpr int kReplace = 4;
constexpr std::array<int, 5> kVariants = {0, kTextured, kTextured | kSphereMap, kTextured | kReplace,
                                          kTextured | kSphereMap | kReplace};

struct Program {
    GLuint name = 0;
    GLint modelViewProjection = -1;
    GLint modelView = -1;
    GLint normalMatrix = -1;
    GLint generated = -1;
    uint32_t matrixSerial = 0;  // the matrices its uniforms hold
    GLfloat generatedS = -1.0f;
    GLfloat generatedT = -1.0f;
};

std::array<Program, 8> programs;
int currentVariant = -1;

// The products of the current matrices, computed once per change.
struct Products {
    uint32_t serial = 0;
    Matrix modelViewProjection{};
    std::array<GLfloat, 9> normalMatrix{};
};
Products products;

std::string defines(int variant) {
    std::string text = "#version 100\n";
    if ((variant & kTextured) != 0) {
        text += "#define TEXTURED\n";
    }
    if ((variant & kSphereMap) != 0) {
        text += "#define SPHERE_MAP\n";
    }
    if ((variant & kReplace) != 0) {
        text += "#define REPLACE\n";
    }
    return text;
}

GLuint compile(GLenum kind, const std::string& text, std::string& error) {
    const GLuint shader = glCreateShader(kind);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_FALSE) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        error = std::string("GL: the layer's ") + (kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
                " shader did not compile: " + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool build(int variant, std::string& error) {
    const std::string head = defines(variant);
    const GLuint vertex = compile(GL_VERTEX_SHADER, head + kVertexShader, error);
    const GLuint fragment = vertex != 0 ? compile(GL_FRAGMENT_SHADER, head + kFragmentShader, error) : 0;
    if (fragment == 0) {
        glDeleteShader(vertex);
        return false;
    }
    Program& p = programs[static_cast<size_t>(variant)];
    p = Program{};
    p.name = glCreateProgram();
    glAttachShader(p.name, vertex);
    glAttachShader(p.name, fragment);
    glBindAttribLocation(p.name, 0, "a_position");
    glBindAttribLocation(p.name, 1, "a_normal");
    glBindAttribLocation(p.name, 2, "a_colour");
    glBindAttribLocation(p.name, 3, "a_texCoord");
    glLinkProgram(p.name);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(p.name, GL_LINK_STATUS, &linked);
    if (linked == GL_FALSE) {
        char log[512] = {};
        glGetProgramInfoLog(p.name, sizeof log - 1, nullptr, log);
        error = std::string("GL: the layer's shaders did not link: ") + log;
        return false;
    }
    p.modelViewProjection = glGetUniformLocation(p.name, "u_modelViewProjection");
    p.modelView = glGetUniformLocation(p.name, "u_modelView");
    p.normalMatrix = glGetUniformLocation(p.name, "u_normalMatrix");
    p.generated = glGetUniformLocation(p.name, "u_generated");
    glUseProgram(p.name);
    glUniform1i(glGetUniformLocation(p.name, "u_texture"), 0);
    return true;
}

// The inverse transpose of the model-view's upper 3x3, column-major.
std::array<GLfloat, 9> normalMatrixOf(const Matrix& m) {
    const double a = m[0], b = m[4], c = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    const double cofactorA = e * i - f * h, cofactorB = -(d * i - f * g), cofactorC = d * h - e * g;
    const double determinant = a * cofactorA + b * cofactorB + c * cofactorC;
    std::array<GLfloat, 9> n{};
    if (determinant == 0.0) {
        return n;
    }
    const double s = 1.0 / determinant;
    // (M^-1)^T is the cofactor matrix over the determinant; column-major.
    const double rows[3][3] = {{cofactorA, cofactorB, cofactorC},
                               {-(b * i - c * h), a * i - c * g, -(a * h - b * g)},
                               {b * f - c * e, -(a * f - c * d), a * e - b * d}};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            n[static_cast<size_t>(column * 3 + row)] = static_cast<GLfloat>(rows[row][column] * s);
        }
    }
    return n;
}

const Products& currentProducts() {
    if (products.serial != state.matrixSerial) {
        products.serial = state.matrixSerial;
        products.modelViewProjection = multiply(state.projection.top(), state.modelView.top());
        products.normalMatrix = normalMatrixOf(state.modelView.top());
    }
    return products;
}

}  // namespace

namespace gles {

bool buildPrograms(std::string& error) {
    forgetPrograms();
    for (int variant : kVariants) {
        if (!build(variant, error)) {
            forgetPrograms();
            return false;
        }
    }
    currentVariant = -1;
    return true;
}

void forgetPrograms() {
    for (Program& p : programs) {
        if (p.name != 0) {
            glDeleteProgram(p.name);
        }
        p = Program{};
    }
    currentVariant = -1;
    products = Products{};
}

void useProgramForState() {
    const TextureInfo* texture = boundTextureInfo();
    const bool textured = state.texture2d && texture != nullptr && texture->defined;
    const bool generatedS = state.textureGenS && state.textureGenModeS == GL_SPHERE_MAP;
    const bool generatedT = state.textureGenT && state.textureGenModeT == GL_SPHERE_MAP;
    int variant = 0;
    if (textured) {
        variant = kTextured | (generatedS || generatedT ? kSphereMap : 0) |
                  (state.textureEnvMode == GL_REPLACE ? kReplace : 0);
    }
    Program& p = programs[static_cast<size_t>(variant)];
    if (variant != currentVariant) {
        glUseProgram(p.name);
        currentVariant = variant;
    }
    if (p.matrixSerial != state.matrixSerial) {
        const Products& m = currentProducts();
        p.matrixSerial = state.matrixSerial;
        glUniformMatrix4fv(p.modelViewProjection, 1, GL_FALSE, m.modelViewProjection.data());
        if ((variant & kSphereMap) != 0) {
            glUniformMatrix4fv(p.modelView, 1, GL_FALSE, state.modelView.top().data());
            glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, m.normalMatrix.data());
        }
    }
    if ((variant & kSphereMap) != 0) {
        const GLfloat s = generatedS ? 1.0f : 0.0f;
        const GLfloat t = generatedT ? 1.0f : 0.0f;
        if (p.generatedS != s || p.generatedT != t) {
            glUniform2f(p.generated, s, t);
            p.generatedS = s;
            p.generatedT = t;
        }
    }
}

}  // namespace gles
