#include <GL/gl.h>

#include "gl_fixture.h"

using OffscreenTest = GlTest;

// The context is a compatibility one: fixed-function immediate mode draws.
TEST_F(OffscreenTest, ClearsAndDrawsImmediateMode) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(320, 0);
    glVertex2f(320, 480);
    glVertex2f(0, 480);
    glEnd();
    glFinish();
    uint8_t left[4];
    uint8_t right[4];
    gl->readPixel(100, 240, left);
    gl->readPixel(500, 240, right);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[2], 0);
    EXPECT_EQ(right[0], 0);
    EXPECT_EQ(right[2], 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
