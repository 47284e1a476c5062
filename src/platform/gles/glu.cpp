// GLU's gluPerspective, over the layer's matrix stacks.
#include <cmath>

#include "platform/gles/layer_state.h"

using namespace gles;

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
    vxglMultMatrixf(by.data());
}
