// Start-up images decoded on the worker while the window opens: the uploads
// give the same texture indices and the same pixels as loading in turn.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/shell.h"
#include "app/startup_loader.h"
#include "gl_fixture.h"
#include "loader/lw_object.h"
#include "loader/lwob_loader.h"
#include "render/texture_manager.h"
#include "test_paths.h"

namespace {

class StartupLoad : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        for (const std::string& path : startupImagePaths()) {
            if (!std::filesystem::exists(buildPath(path))) GTEST_SKIP() << "asset not built yet: " << path;
        }
        if (!std::filesystem::exists(buildPath(heartObjectPath))) {
            GTEST_SKIP() << "asset not built yet: " << heartObjectPath;
        }
        std::filesystem::current_path(VEXEL_BUILD_DIR);
    }
    void TearDown() override {
        delete heartObject;
        heartObject = nullptr;
        lwobLoader.clipSink = nullptr;
        GlTest::TearDown();
    }

    static std::vector<uint8_t> texels(uint32_t textureName, const DecodedImage& like) {
        std::vector<uint8_t> rgba(like.rgba.size());
        glBindTexture(GL_TEXTURE_2D, textureName);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
};

TEST_F(StartupLoad, TheObjectsClipsComeFirstThenTheImagesInListOrder) {
    const size_t before = textureManager.textureNames.size();
    StartupWorker worker(startupImagePaths());
    ASSERT_TRUE(loadObjects());  // its clip is decoded here while the worker decodes
    ASSERT_TRUE(loadImages(&worker));

    std::vector<std::string> expected = lwobLoader.report.clipPaths;
    ASSERT_EQ(expected.size(), 1u) << "the heart has one clip";
    for (const std::string& path : startupImagePaths()) expected.push_back(path);
    ASSERT_EQ(textureManager.textureNames.size(), before + expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const DecodedImage image = decodeImage(expected[i].c_str());
        ASSERT_TRUE(image.ok()) << expected[i];
        EXPECT_TRUE(texels(textureManager.textureNames[before + i], image) == image.rgba)
            << "texture " << before + i << " is not " << expected[i];
    }
}

TEST_F(StartupLoad, AWorkerStoppedBeforeItsImagesStillHandsEveryOneOver) {
    StartupWorker worker(startupImagePaths());
    worker.stop();
    for (size_t i = 0; i < startupImagePaths().size(); ++i) {
        EXPECT_TRUE(worker.takeImage(i).ok()) << startupImagePaths()[i];
    }
}

}  // namespace
