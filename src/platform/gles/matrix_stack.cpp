// The model-view and projection stacks of GL 1.1 (32 deep each), kept on the
// CPU; the shaders get their products when a batch is drawn. Every change of
// a matrix draws what was gathered under the old one first.
#include <cmath>

#include "platform/gles/layer_state.h"

namespace gles {

Matrix identityMatrix() {
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[static_cast<size_t>(k * 4 + row)] * b[static_cast<size_t>(column * 4 + k)];
            }
            r[static_cast<size_t>(column * 4 + row)] = sum;
        }
    }
    return r;
}

}  // namespace gles

using namespace gles;

namespace {

MatrixStack& currentStack() { return state.matrixMode == GL_PROJECTION ? state.projection : state.modelView; }

// The current matrix, about to change: what was gathered is drawn first.
Matrix* changingMatrix() {
    if (refusedInsideBegin()) {
        return nullptr;
    }
    beforeStateChange();
    ++state.matrixSerial;
    return &currentStack().top();
}

void multiplyCurrent(const Matrix& by) {
    if (Matrix* m = changingMatrix()) {
        *m = multiply(*m, by);
    }
}

}  // namespace

void vxglMatrixMode(GLenum mode) {
    if (refusedInsideBegin()) {
        return;
    }
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION) {
        notCarriedOut("glMatrixMode", mode, GL_INVALID_ENUM);
        return;
    }
    state.matrixMode = mode;
}

void vxglLoadIdentity() {
    if (Matrix* m = changingMatrix()) {
        *m = identityMatrix();
    }
}

void vxglLoadMatrixf(const GLfloat* values) {
    if (Matrix* m = changingMatrix()) {
        for (size_t i = 0; i < 16; ++i) {
            (*m)[i] = values[i];
        }
    }
}

void vxglMultMatrixf(const GLfloat* values) {
    Matrix by{};
    for (size_t i = 0; i < 16; ++i) {
        by[i] = values[i];
    }
    multiplyCurrent(by);
}

void vxglPushMatrix() {
    if (refusedInsideBegin()) {
        return;
    }
    MatrixStack& stack = currentStack();
    if (stack.depth == MatrixStack::kDepth) {
        raise(GL_STACK_OVERFLOW);
        return;
    }
    stack.entries[static_cast<size_t>(stack.depth)] = stack.top();
    ++stack.depth;
}

void vxglPopMatrix() {
    if (refusedInsideBegin()) {
        return;
    }
    if (currentStack().depth == 1) {
        raise(GL_STACK_UNDERFLOW);
        return;
    }
    changingMatrix();
    --currentStack().depth;
}

void vxglTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix by = identityMatrix();
    by[12] = x;
    by[13] = y;
    by[14] = z;
    multiplyCurrent(by);
}

void vxglScalef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix by = identityMatrix();
    by[0] = x;
    by[5] = y;
    by[10] = z;
    multiplyCurrent(by);
}

// The rotation of the GL 1.1 manual about the axis (x, y, z) made unit
// length; a zero axis leaves the matrix as it is.
void vxglRotatef(GLfloat angleDegrees, GLfloat x, GLfloat y, GLfloat z) {
    const GLfloat length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) {
        changingMatrix();
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const GLfloat radians = angleDegrees * static_cast<GLfloat>(M_PI / 180.0);
    const GLfloat c = std::cos(radians);
    const GLfloat s = std::sin(radians);
    const GLfloat t = 1.0f - c;
    Matrix by = identityMatrix();
    by[0] = x * x * t + c;
    by[1] = y * x * t + z * s;
    by[2] = x * z * t - y * s;
    by[4] = x * y * t - z * s;
    by[5] = y * y * t + c;
    by[6] = y * z * t + x * s;
    by[8] = x * z * t + y * s;
    by[9] = y * z * t - x * s;
    by[10] = z * z * t + c;
    multiplyCurrent(by);
}

void vxglOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    if (left == right || bottom == top || zNear == zFar) {
        raise(GL_INVALID_VALUE);
        return;
    }
    Matrix by = identityMatrix();
    by[0] = static_cast<GLfloat>(2.0 / (right - left));
    by[5] = static_cast<GLfloat>(2.0 / (top - bottom));
    by[10] = static_cast<GLfloat>(-2.0 / (zFar - zNear));
    by[12] = static_cast<GLfloat>(-(right + left) / (right - left));
    by[13] = static_cast<GLfloat>(-(top + bottom) / (top - bottom));
    by[14] = static_cast<GLfloat>(-(zFar + zNear) / (zFar - zNear));
    multiplyCurrent(by);
}

void vxglFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    if (zNear <= 0.0 || zFar <= 0.0 || left == right || bottom == top || zNear == zFar) {
        raise(GL_INVALID_VALUE);
        return;
    }
    Matrix by{};
    by[0] = static_cast<GLfloat>(2.0 * zNear / (right - left));
    by[5] = static_cast<GLfloat>(2.0 * zNear / (top - bottom));
    by[8] = static_cast<GLfloat>((right + left) / (right - left));
    by[9] = static_cast<GLfloat>((top + bottom) / (top - bottom));
    by[10] = static_cast<GLfloat>(-(zFar + zNear) / (zFar - zNear));
    by[11] = -1.0f;
    by[14] = static_cast<GLfloat>(-2.0 * zFar * zNear / (zFar - zNear));
    multiplyCurrent(by);
}

// As GLU: the frustum of a vertical field of view, in double precision.
void vxgluPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const GLdouble radians = fovyDegrees / 2.0 * M_PI / 180.0;
    const GLdouble deltaZ = zFar - zNear;
    const GLdouble sine = std::sin(radians);
    if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0) {
        return;  // GLU does nothing here
    }
    const GLdouble cotangent = std::cos(radians) / sine;
    Matrix by = identityMatrix();
    by[0] = static_cast<GLfloat>(cotangent / aspect);
    by[5] = static_cast<GLfloat>(cotangent);
    by[10] = static_cast<GLfloat>(-(zFar + zNear) / deltaZ);
    by[11] = -1.0f;
    by[14] = static_cast<GLfloat>(-2.0 * zNear * zFar / deltaZ);
    by[15] = 0.0f;
    multiplyCurrent(by);
}
