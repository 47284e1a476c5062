// The capture's GL side: a refused multisample storage call falls back to
// supersampling, says so, and leaves no error behind.
#define GL_GLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_pipeline.h"
#include "gl_fixture.h"

namespace {

bool refuseMultisampling = false;

using StorageMultisample = void (*)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);

class FramePipelineTest : public GlTest {};

}  // namespace

// Stands in for the GL's own, which the pipeline's calls link to here: while
// armed, a multisample request asks for more samples than the GL has, and the
// GL refuses it with an error, as a driver short of memory or of that sample
// count for the format does.
extern "C" void glRenderbufferStorageMultisample(GLenum target, GLsizei samples, GLenum format, GLsizei width,
                                                 GLsizei height) {
    static const auto real =
        reinterpret_cast<StorageMultisample>(eglGetProcAddress("glRenderbufferStorageMultisample"));
    if (refuseMultisampling && samples > 0) {
        GLint most = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &most);
        samples = most + 1;
    }
    real(target, samples, format, width, height);
}

TEST_F(FramePipelineTest, ARefusedMultisampleStorageFallsBackToSupersamplingAndSaysSo) {
    const FrameLayout layout = layoutFrame(640, 480, 640, 480, 4);
    refuseMultisampling = true;
    FramePipeline pipeline(*gl, layout, AntiAliasing::Multisampled);
    refuseMultisampling = false;
    ASSERT_TRUE(pipeline.ok()) << pipeline.error();
    EXPECT_NE(pipeline.describe().find("2x2 supersampled"), std::string::npos) << pipeline.describe();
    EXPECT_EQ(pipeline.targetWidth(), 1280);

    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<uint8_t> frame;
    if (!pipeline.endFrame(frame)) {
        ASSERT_TRUE(pipeline.flush(frame));
    }
    ASSERT_EQ(frame.size(), 640u * 480u * 4u);
    EXPECT_EQ(frame[0], 255);
    EXPECT_EQ(frame[1], 0);
}
