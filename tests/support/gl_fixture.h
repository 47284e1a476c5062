#pragma once
// A GoogleTest fixture with a current offscreen GL context of 640x480 (the
// show's window size) and a projection like the show's window.
#include <gtest/gtest.h>

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
    void TearDown() override { gl.reset(); }
    std::unique_ptr<OffscreenGl> gl;
};
