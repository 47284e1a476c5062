// The mesh renderer against an object built here: what each mode draws and
// the GL state it leaves behind.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include "gl_fixture.h"
#include "loader/lw_object.h"
#include "render/texture_manager.h"
#include "scene_test_support.h"

namespace {

// Four quads side by side, one surface each, in the plane z = 0:
//   0: clip 1 (texture 0), white     1: no image (-1), red
//   2: clip 0 (names no texture), blue   3: clip 3 (texture 2), yellow
constexpr float quadLeft[4] = {-0.9f, -0.4f, 0.1f, 0.6f};
constexpr float quadWidth = 0.3f;
constexpr int32_t clipOf[4] = {1, -1, 0, 3};
constexpr float colourOf[4][4] = {{1, 1, 1, 1}, {1, 0, 0, 1}, {0, 0, 1, 1}, {1, 1, 0, 1}};

LwObject makeQuads() {
    LwObject object;
    object.surfaces.resize(4);
    object.surfaceTriangles.resize(4);
    for (int s = 0; s < 4; ++s) {
        const float x0 = quadLeft[s];
        const float x1 = x0 + quadWidth;
        const auto base = static_cast<uint32_t>(object.points.size());
        object.points.push_back({x0, -0.5f, 0.0f});
        object.points.push_back({x1, -0.5f, 0.0f});
        object.points.push_back({x1, 0.5f, 0.0f});
        object.points.push_back({x0, 0.5f, 0.0f});
        // Distinct unit normals per point, so the normal a triangle is drawn
        // with tells which point it came from.
        for (uint32_t k = 0; k < 4; ++k) {
            const float t = 0.1f * static_cast<float>(base + k);
            object.normals.push_back({t * 0.6f, t * 0.8f, 1.0f});
        }
        // Counter-clockwise as the viewer sees them: front faces.
        const Triangle first{{base, base + 1, base + 2}};
        const Triangle second{{base, base + 2, base + 3}};
        object.triangles.push_back(first);
        object.triangles.push_back(second);
        object.surfaceTriangles[s].triangles = {first, second};
        object.surfaces[s].clipIndex = clipOf[s];
        for (int c = 0; c < 4; ++c) {
            object.surfaces[s].colour[c] = colourOf[s][c];
        }
    }
    object.basePoints = object.points;
    object.uvs.assign(object.points.size(), TexCoord{0.5f, 0.5f});
    return object;
}

class MeshRendererTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // A flat view of the plane z = 0: x and y from -1 to 1 fill the window.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        addSolidTexture(255, 0, 255, 255);  // 0: magenta
        addSolidTexture(255, 0, 0, 255);    // 1: red
        addSolidTexture(0, 255, 255, 255);  // 2: cyan
        glBindTexture(GL_TEXTURE_2D, 0);
        glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
        object = makeQuads();
    }

    // Colour at the middle of quad s.
    Rgb quadColour(int s) const {
        const float x = quadLeft[s] + quadWidth / 2.0f;
        uint8_t rgba[4];
        gl->readPixel(static_cast<int32_t>((x + 1.0f) * 320.0f), 240, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
    GLint textureName(uint32_t index) const { return static_cast<GLint>(textureManager.textureNames[index]); }

    LwObject object;
};

void expectColour(const Rgb& actual, const Rgb& wanted, const char* what) {
    EXPECT_NEAR(actual.r, wanted.r, 2) << what;
    EXPECT_NEAR(actual.g, wanted.g, 2) << what;
    EXPECT_NEAR(actual.b, wanted.b, 2) << what;
}

void expectColourState(const GlState& state, const float (&wanted)[4]) {
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(state.colour[c], wanted[c]) << "colour component " << c;
    }
}

constexpr Rgb background{0, 0, 0};

TEST_F(MeshRendererTest, SphereMappedImmediateDrawsTexturedSurfacesOnly) {
    EXPECT_TRUE(object.draw(SphereMappedImmediate));
    glFinish();
    expectColour(quadColour(0), {255, 0, 255}, "clip 1: texture 0 times white");
    expectColour(quadColour(1), background, "no image: not drawn");
    expectColour(quadColour(2), background, "clip 0 names no texture: not drawn");
    expectColour(quadColour(3), {0, 255, 0}, "clip 3: texture 2 (cyan) times yellow");

    const GlState state = captureGlState();
    EXPECT_FALSE(state.vertexArray);
    EXPECT_FALSE(state.normalArray);
    EXPECT_FALSE(state.textureGenS);
    EXPECT_FALSE(state.textureGenT);
    EXPECT_FALSE(state.texture2d);
    expectColourState(state, colourOf[3]);
    EXPECT_EQ(state.boundTexture, textureName(2));
    EXPECT_EQ(state.texEnvMode, GL_MODULATE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshRendererTest, SphereMappedImmediateLeavesTheNormalArrayAsItWas) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, object.normals.data());
    object.draw(SphereMappedImmediate);
    EXPECT_TRUE(captureGlState().normalArray);
}

TEST_F(MeshRendererTest, SphereMappedImmediateUsesTheFirstPointsNormalForTheTriangle) {
    // The last triangle drawn is quad 3's second one, (12, 14, 15).
    object.draw(SphereMappedImmediate);
    const GlState state = captureGlState();
    const Vec3& first = object.normals[12];
    EXPECT_FLOAT_EQ(state.normal[0], first.x);
    EXPECT_FLOAT_EQ(state.normal[1], first.y);
    EXPECT_FLOAT_EQ(state.normal[2], first.z);
}

TEST_F(MeshRendererTest, SphereMappedImmediateTakesArrayNormalsAfterAnArrayMode) {
    // Mode 0 leaves the normal array on; mode 6 then reads a normal per corner,
    // the last one being that of the last triangle's third point.
    object.draw(SphereMappedArrays);
    object.draw(SphereMappedImmediate);
    const GlState state = captureGlState();
    const Vec3& third = object.normals[15];
    EXPECT_FLOAT_EQ(state.normal[0], third.x);
    EXPECT_FLOAT_EQ(state.normal[1], third.y);
    EXPECT_FLOAT_EQ(state.normal[2], third.z);
}

TEST_F(MeshRendererTest, SphereMappedArraysDrawsTexturedSurfacesAndKeepsArraysOn) {
    EXPECT_TRUE(object.draw(SphereMappedArrays));
    glFinish();
    expectColour(quadColour(0), {255, 0, 255}, "clip 1");
    expectColour(quadColour(1), background, "no image");
    expectColour(quadColour(2), background, "clip 0");
    expectColour(quadColour(3), {0, 255, 0}, "clip 3");

    const GlState state = captureGlState();
    EXPECT_TRUE(state.vertexArray);
    EXPECT_TRUE(state.normalArray);
    EXPECT_FALSE(state.textureGenS);
    EXPECT_FALSE(state.textureGenT);
    EXPECT_FALSE(state.texture2d);
    expectColourState(state, colourOf[3]);
    EXPECT_EQ(state.boundTexture, textureName(2));
}

TEST_F(MeshRendererTest, FlatImmediateDrawsEverySurfaceInItsColour) {
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_COLOR_ARRAY);
    EXPECT_TRUE(object.draw(FlatImmediate));
    glFinish();
    expectColour(quadColour(0), {255, 255, 255}, "white surface, untextured");
    expectColour(quadColour(1), {255, 0, 0}, "no image: drawn in its colour");
    expectColour(quadColour(2), {0, 0, 255}, "clip 0: drawn in its colour");
    expectColour(quadColour(3), {255, 255, 0}, "yellow");

    const GlState state = captureGlState();
    EXPECT_TRUE(state.vertexArray);
    EXPECT_FALSE(state.colourArray);
    EXPECT_FALSE(state.texture2d);
    expectColourState(state, colourOf[3]);
}

TEST_F(MeshRendererTest, ColouredArraysDrawsEverySurfaceInItsColour) {
    glEnable(GL_TEXTURE_2D);
    EXPECT_TRUE(object.draw(ColouredArrays));
    glFinish();
    expectColour(quadColour(0), {255, 255, 255}, "white");
    expectColour(quadColour(1), {255, 0, 0}, "red");
    expectColour(quadColour(2), {0, 0, 255}, "blue");
    expectColour(quadColour(3), {255, 255, 0}, "yellow");

    const GlState state = captureGlState();
    EXPECT_TRUE(state.vertexArray);
    EXPECT_TRUE(state.normalArray);
    EXPECT_FALSE(state.texture2d);
    expectColourState(state, colourOf[3]);
}

TEST_F(MeshRendererTest, UvTexturedDrawsTheWholeObjectWithTheBoundTextureAndColour) {
    textureManager.bind(1);  // red
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(object.draw(UvTextured));
    glFinish();
    for (int s = 0; s < 4; ++s) {
        expectColour(quadColour(s), {255, 0, 0}, "every quad, bound texture, current colour");
    }
    const GlState state = captureGlState();
    EXPECT_TRUE(state.texCoordArray);
    EXPECT_TRUE(state.vertexArray);
    EXPECT_TRUE(state.normalArray);
    EXPECT_FALSE(state.texture2d);
    EXPECT_EQ(state.boundTexture, textureName(1));
    const float white[4] = {1, 1, 1, 1};
    expectColourState(state, white);
}

TEST_F(MeshRendererTest, LinesJoinIndexPairsWithoutSettingAColour) {
    glEnable(GL_TEXTURE_2D);
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_TRUE(object.draw(Lines));
    glFinish();
    const std::vector<uint8_t> pixels = gl->readPixels();
    int green = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        green += pixels[i] == 0 && pixels[i + 1] == 255 && pixels[i + 2] == 0;
    }
    // Edges only: a few hundred pixels, far from the quads' filled area.
    const int filledArea = 4 * static_cast<int>(quadWidth * 320) * 240;
    EXPECT_GT(green, 100);
    EXPECT_LT(green, filledArea / 10);

    const GlState state = captureGlState();
    EXPECT_TRUE(state.vertexArray);
    EXPECT_TRUE(state.normalArray);
    EXPECT_FALSE(state.texture2d);
    const float wanted[4] = {0, 1, 0, 1};
    expectColourState(state, wanted);
}

TEST_F(MeshRendererTest, WhiteDrawsTheWholeObjectWhiteAndLeavesTexturingAlone) {
    EXPECT_TRUE(object.draw(White));
    glFinish();
    for (int s = 0; s < 4; ++s) {
        expectColour(quadColour(s), {255, 255, 255}, "every quad white");
    }
    GlState state = captureGlState();
    EXPECT_TRUE(state.vertexArray);
    EXPECT_TRUE(state.normalArray);
    EXPECT_FALSE(state.texture2d);
    const float white[4] = {1, 1, 1, 1};
    expectColourState(state, white);

    glEnable(GL_TEXTURE_2D);
    object.draw(White);
    EXPECT_TRUE(captureGlState().texture2d);
}

TEST_F(MeshRendererTest, ModesBeyondTheTableChangeNothing) {
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_NORMAL_ARRAY);
    const GlState before = captureGlState();
    for (uint32_t mode : {7u, 8u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(object.draw(mode));
        EXPECT_EQ(describeDifferences(before, captureGlState()), "") << "mode " << mode;
    }
    glFinish();
    for (int s = 0; s < 4; ++s) {
        expectColour(quadColour(s), background, "nothing drawn");
    }
}

TEST_F(MeshRendererTest, NoSurfacesDrawsNothingAndStillLeavesTexturingOff) {
    LwObject empty;
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnableClientState(GL_VERTEX_ARRAY);
    EXPECT_TRUE(empty.draw(SphereMappedImmediate));
    glFinish();
    const GlState state = captureGlState();
    EXPECT_FALSE(state.vertexArray);
    EXPECT_FALSE(state.textureGenS);
    EXPECT_FALSE(state.textureGenT);
    EXPECT_FALSE(state.texture2d);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    expectColourState(state, grey);
    for (int s = 0; s < 4; ++s) {
        expectColour(quadColour(s), background, "nothing drawn");
    }
}

TEST_F(MeshRendererTest, ClipNumbersBindTheTextureOneBelow) {
    // Only quad 0 textured, clip 1: texture index 0.
    object.surfaces[3].clipIndex = -1;
    object.draw(SphereMappedImmediate);
    EXPECT_EQ(captureGlState().boundTexture, textureName(0));
    object.surfaces[3].clipIndex = 3;
    object.draw(SphereMappedArrays);
    EXPECT_EQ(captureGlState().boundTexture, textureName(2));
}

TEST_F(MeshRendererTest, AnEmptyTriangleListStillSetsColourAndBinds) {
    object.surfaceTriangles[3].triangles.clear();
    for (uint32_t mode : {SphereMappedImmediate, SphereMappedArrays}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        object.draw(mode);
        glFinish();
        const GlState state = captureGlState();
        expectColourState(state, colourOf[3]);
        EXPECT_EQ(state.boundTexture, textureName(2)) << "mode " << mode;
        expectColour(quadColour(3), background, "no triangles: nothing drawn");
        expectColour(quadColour(0), {255, 0, 255}, "the other surface is drawn");
    }
}

TEST_F(MeshRendererTest, MovedPointsAreDrawnWhereTheyWereMoved) {
    // Quad 1 moved up by 0.7 (to y 0.2 .. 1.2); normals stay as computed.
    const std::vector<Vec3> normals = object.normals;
    for (uint32_t k = 4; k < 8; ++k) {
        object.points[k].y += 0.7f;
    }
    object.draw(ColouredArrays);
    glFinish();
    expectColour(quadColour(1), background, "moved away");
    uint8_t rgba[4];
    gl->readPixel(static_cast<int32_t>((quadLeft[1] + quadWidth / 2.0f + 1.0f) * 320.0f), 432, rgba);
    expectColour({rgba[0], rgba[1], rgba[2]}, {255, 0, 0}, "drawn at its new place");
    for (size_t k = 0; k < normals.size(); ++k) {
        EXPECT_EQ(object.normals[k].z, normals[k].z);
    }
}

}  // namespace
