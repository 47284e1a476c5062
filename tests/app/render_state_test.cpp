// The fixed render state and the projection, read back from a real (offscreen)
// OpenGL context.
#include <GL/gl.h>

#include <cmath>

#include "app/window.h"
#include "gl_fixture.h"
#include "platform/platform.h"

namespace {

using RenderStateTest = GlTest;

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

TEST_F(RenderStateTest, InitialStateIsTheShowsFixedState) {
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(initRenderState());

    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_SMOOTH);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.0f);
    EXPECT_FLOAT_EQ(clear[1], 0.0f);
    EXPECT_FLOAT_EQ(clear[2], 0.0f);
    EXPECT_FLOAT_EQ(clear[3], 1.0f);
    GLfloat depthClear = 0.0f;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depthClear);
    EXPECT_FLOAT_EQ(depthClear, 1.0f) << "100 is clamped to 1";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(integer(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);
    EXPECT_EQ(integer(GL_LINE_SMOOTH_HINT), GL_NICEST);
    GLint polygonMode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(polygonMode[1], GL_FILL);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLint genMode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &genMode);
    EXPECT_EQ(genMode, GL_SPHERE_MAP);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &genMode);
    EXPECT_EQ(genMode, GL_SPHERE_MAP);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S)) << "configured, not enabled";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));

    uint8_t pixel[4] = {};
    gl->readPixel(320, 240, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// gluPerspective's matrix, column-major, for a 45-degree field of view.
void expectPerspective(double aspect) {
    const double nearPlane = static_cast<double>(0.1f);
    const double farPlane = 100.0;
    const double f = 1.0 / std::tan(45.0 * M_PI / 360.0);
    GLfloat m[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], f / aspect, 1e-5);
    EXPECT_NEAR(m[5], f, 1e-5);
    EXPECT_NEAR(m[10], (farPlane + nearPlane) / (nearPlane - farPlane), 1e-5);
    EXPECT_NEAR(m[11], -1.0, 1e-6);
    EXPECT_NEAR(m[14], 2.0 * farPlane * nearPlane / (nearPlane - farPlane), 1e-6);
    EXPECT_NEAR(m[15], 0.0, 1e-6);
}

void expectViewport(GLint width, GLint height, GLint x = 0, GLint y = 0) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], x);
    EXPECT_EQ(viewport[1], y);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
}

void expectModelViewIdentity() {
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    GLfloat m[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
    }
}

TEST_F(RenderStateTest, ResizeSetsViewportAndPerspective) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    resizeView(640, 480);
    expectViewport(640, 480);
    glMatrixMode(GL_PROJECTION);
    expectPerspective(640.0 / 480.0);
    glMatrixMode(GL_MODELVIEW);
    expectModelViewIdentity();
}

TEST_F(RenderStateTest, ZeroHeightCountsAsOne) {
    resizeView(640, 0);
    expectViewport(640, 1);
    glMatrixMode(GL_PROJECTION);
    expectPerspective(640.0);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, SizeMessageResizesWithTheClientSize) {
    windowProc(platform::WM_SIZE, 0, platform::sizeLParam(800, 600));
    expectViewport(800, 600);
    windowProc(platform::WM_SIZE, 0, platform::sizeLParam(0, 0));  // minimised
    expectViewport(0, 1);
    glMatrixMode(GL_PROJECTION);
    GLfloat m[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FALSE(std::isnan(m[5])) << "a zero-size client divides by nothing";
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(RenderStateTest, LetterboxedTheScenesSeeTheShowsShapeCentred) {
    letterboxed = true;
    windowProc(platform::WM_SIZE, 0, platform::sizeLParam(1280, 720));  // 16:9: bars left and right
    expectViewport(960, 720, 160, 0);
    glMatrixMode(GL_PROJECTION);
    expectPerspective(640.0 / 480.0);
    glMatrixMode(GL_MODELVIEW);
    resizeView(640, 1024);  // taller than 4:3: bars top and bottom
    expectViewport(640, 480, 0, 272);
    resizeView(1280, 0);  // minimised: the full-area rule, nothing divides by zero
    expectViewport(1280, 1);
    letterboxed = false;
}

}  // namespace
