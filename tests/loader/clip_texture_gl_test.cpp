// The shell wires the loader's clips to the texture manager, so an object's
// clips take the next texture indices in file order.
#include <cstdio>

#include "app/shell.h"
#include "gl_fixture.h"
#include "lwo_test_writer.h"
#include "render/texture_manager.h"
#include "test_paths.h"

namespace {

class ClipTextures : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        lwobLoader.clipSink = &loadClipTexture;
    }
    void TearDown() override {
        lwobLoader.clipSink = nullptr;
        GlTest::TearDown();
    }
};

TEST_F(ClipTextures, TheHeartsClipBecomesTheNextTexture) {
    const size_t before = textureManager.textureNames.size();
    std::unique_ptr<LwObject> heart(lwobLoader.load(buildPath("data/tessaline/objects/heart.lwo").c_str()));
    ASSERT_NE(heart, nullptr);
    ASSERT_EQ(textureManager.textureNames.size(), before + 1);
    EXPECT_NE(textureManager.textureNames[before], 0u);  // a real GL texture
}

TEST_F(ClipTextures, EveryStillTakesAnIndexInFileOrderEvenWithoutAFile) {
    const std::string path = ::testing::TempDir() + "two-clips.lwo";
    const std::vector<uint8_t> bytes = form({clip(1, "C:x/data/tessaline/gfx/heart-env.png"), clip(2, "C:/nowhere.png")});
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    const size_t before = textureManager.textureNames.size();
    std::unique_ptr<LwObject> object(lwobLoader.load(path.c_str()));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(textureManager.textureNames.size(), before + 2);
}

}  // namespace
