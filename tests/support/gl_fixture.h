#pragma once
// A GoogleTest fixture with a current offscreen GL context of 640x480 (the
// show's window size) and a projection like the show's window.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "platform/offscreen_gl.h"

class GlTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<OffscreenGl>(640, 480);
        if (!gl->ok()) {
            GTEST_SKIP() << "no offscreen GL: " << gl->error();
        }
    }
    // Any GL error a test left behind fails it (the queue is drained, boundedly).
    void TearDown() override {
        if (gl && gl->ok()) {
            const GLenum first = glGetError();
            for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
            }
            EXPECT_EQ(first, static_cast<GLenum>(GL_NO_ERROR)) << "GL error left at the end of the test";
        }
        gl.reset();
    }
    std::unique_ptr<OffscreenGl> gl;
};
