// What the OpenGL ES 2 layer adds of its own (built against the layer, on an
// OpenGL ES 2 context): the errors GL 1.1 sets, one line for a call it does
// not carry out, batches larger than its vertex array, 32-bit indices.
#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gl_fixture.h"

namespace {

using Gles2LayerTest = GlTest;

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(Gles2LayerTest, WhatItDoesNotCarryOutRaisesAnErrorAndSaysSoOnce) {
    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        glEnable(GL_LIGHTING);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
        glShadeModel(GL_FLAT);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(said, "\n"), 4u) << said;
    EXPECT_EQ(occurrences(said, "glEnable(0x0B50)"), 1u) << said;
    // Nothing of it took: lighting stays off, the environment modulates.
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    glDisable(GL_LIGHTING);  // off is what it draws anyway: no error
}

TEST_F(Gles2LayerTest, CallsOutOfOrderSetTheErrorsOfGl11) {
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    glBegin(GL_TRIANGLES);
    glEnable(GL_BLEND);
    glBegin(GL_TRIANGLES);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_UNDERFLOW));
    glOrtho(0.0, 0.0, 0.0, 1.0, -1.0, 1.0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_VALUE));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Gles2LayerTest, MatricesAreThoseOfGl11AndGlu) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 2.0, 1.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    glRotatef(90.0f, 0.0f, 0.0f, 2.0f);  // the axis is made unit length
    glScalef(2.0f, 2.0f, 2.0f);
    GLfloat p[16];
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const GLfloat projection[16] = {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
    const GLfloat modelView[16] = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(p[i], projection[i], 1e-6f) << "projection " << i;
        EXPECT_NEAR(m[i], modelView[i], 1e-6f) << "model-view " << i;
    }
}

// One glBegin with more vertices than the layer's array holds, and a
// glDrawElements reaching past 16-bit indices: every triangle is drawn whole.
TEST_F(Gles2LayerTest, LargeBatchesAndThirtyTwoBitIndicesDrawWhole) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 30000; ++i) {  // 90,000 vertices
        glColor3f(i == 29999 ? 1.0f : 0.0f, i == 29999 ? 0.0f : 1.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glVertex2f(3.0f, -1.0f);
        glVertex2f(-1.0f, 3.0f);
    }
    glEnd();
    glFinish();
    uint8_t rgba[4];
    gl->readPixel(320, 240, rgba);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);

    std::vector<GLfloat> points(70000 * 3, 0.0f);
    const GLfloat corners[3][3] = {{1.0f, 1.0f, 0.0f}, {-1.0f, 1.0f, 0.0f}, {1.0f, -1.0f, 0.0f}};
    const GLuint indices[3] = {69997, 69998, 69999};
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 3; ++c) {
            points[(69997 + i) * 3 + c] = corners[i][c];
        }
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points.data());
    glColor3f(0.0f, 0.0f, 1.0f);
    glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_INT, indices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glFinish();
    gl->readPixel(600, 450, rgba);
    EXPECT_EQ(rgba[2], 255);
    EXPECT_EQ(rgba[0], 0);
    gl->readPixel(20, 20, rgba);  // below the diagonal: still the first picture
    EXPECT_EQ(rgba[0], 255);
}

}  // namespace
