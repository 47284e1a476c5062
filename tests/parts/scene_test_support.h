#pragma once
// Helpers shared by the scene and renderer tests: a snapshot of the GL state
// the parts and the renderer touch, the show's view set-up, small textures,
// PNG files in and out.
#include <cstdint>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "gl_fixture.h"
#include "render/texture_manager.h"

struct Rgb {
    int r, g, b;
};

// The GL state the parts and the renderer set or promise to leave alone.
struct GlState {
    bool texture2d, textureGenS, textureGenT, blend, depthTest, lighting, cullFace;
    bool vertexArray, normalArray, colourArray, texCoordArray;
    GLboolean depthMask;
    GLint blendSrc, blendDst, boundTexture, matrixMode, texEnvMode;
    float colour[4];
    float normal[3];
    float modelView[16];
    float projection[16];
};
GlState captureGlState();
// The fields that differ between two snapshots, by name; empty when equal.
std::string describeDifferences(const GlState& before, const GlState& after);

// The window's view and fixed render state as the show sets them: the
// 45-degree perspective for a width x height client area, depth test with
// LEQUAL, back faces culled, sphere-map texture generation configured (off),
// lighting off, black clear colour.
void applyShowView(int32_t width, int32_t height);

// A 1x1 texture of one RGBA colour (0-255), appended to the texture manager;
// returns its texture index.
uint32_t addSolidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

// Writes an RGBA8 image given bottom row first (as glReadPixels gives it) as
// a PNG with the top row first. False on any I/O or encoder failure.
bool writePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgbaBottomFirst);
// A width x height PNG of one RGBA colour.
bool writeSolidPng(const std::string& path, int32_t width, int32_t height, const uint8_t rgba[4]);

// A directory of its own under the build tree for this test run's files.
std::string scratchDirectory(const std::string& name);

// GL tests of what the show draws: the offscreen context with the show's
// view and render state at 640x480, and a texture manager that starts and
// ends empty.
class ShowViewTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        applyShowView(640, 480);
        textureManager.textureNames.clear();
    }
    void TearDown() override {
        textureManager.textureNames.clear();
        GlTest::TearDown();
    }
};
