// Hot reload through the file watcher's double: scripted changes against
// real files in a scratch data tree (the test runs with that tree's parent
// as its working directory, as the show does with its own).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/hot_reload.h"
#include "core/asset_paths.h"
#include "core/demo_config.h"
#include "loader/lwob_loader.h"
#include "lwo_test_writer.h"
#include "platform/null/file_watch_double.h"
#include "scene_test_support.h"

// Where GoogleTest's comparisons look for it (Rgb is a global type).
static bool operator==(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
static void PrintTo(const Rgb& c, std::ostream* out) { *out << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }

namespace {

namespace fs = std::filesystem;
using platform::scripted::queueFileChanges;

constexpr const char* heartEnvPath = "data/tessaline/gfx/heart-env.png";

// An object of the given points fanned into one polygon, showing clip 1
// (heart-env.png), as the show's heart does.
std::vector<uint8_t> objectBytes(const std::vector<P3>& points) {
    std::vector<uint32_t> polygon;
    for (uint32_t i = 0; i < points.size(); ++i) {
        polygon.push_back(i);
    }
    return form({pnts(points), pols({polygon}), clip(1, "C:tessaline/data/tessaline/gfx/heart-env.png")});
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void writePicture(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t rgba[4] = {r, g, b, 255};
    ASSERT_TRUE(writeSolidPng(path, 2, 2, rgba));
}

// The first texel of texture index, read back from GL.
Rgb texel(uint32_t index) {
    std::vector<uint8_t> pixels(64 * 64 * 4);
    textureManager.bind(index);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return {pixels[0], pixels[1], pixels[2]};
}

class HotReloadTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        platform::scripted::resetFileWatch();
        // A tree of this process's own: CTest runs each case in a process
        // of its own, side by side.
        root = scratchDirectory("hot-reload-" + std::to_string(getpid()));
        fs::remove_all(root + "/data");
        for (const char* dir : {"gfx", "objects", "music"}) {
            fs::create_directories(root + "/data/tessaline/" + dir);
        }
        previousDir = fs::current_path();
        fs::current_path(root);

        // Loaded as the show loads them: the clip, then the six images.
        writePicture(heartEnvPath, 0, 0, 255);
        for (const char* path : startupImages) {
            writePicture(path, 255, 0, 0);
        }
        writeFile(heartObjectPath, objectBytes(squarePoints()));
        textureManager.texturePaths.clear();
        LwobLoader loader;
        loader.clipSink = [](const char* path) { textureManager.load(path); };
        ASSERT_TRUE(loader.openFile(heartObjectPath) && loader.parse());
        loader.closeFile();
        heart.reset(loader.object);
        for (const char* path : startupImages) {
            textureManager.load(path);
        }
        ASSERT_EQ(textureManager.textureNames.size(), 7u);
        reload = std::make_unique<HotReload>(heart.get(), [this] { ++moduleChanges; });
        ASSERT_TRUE(reload->start()) << reload->error();
    }
    void TearDown() override {
        if (!previousDir.empty()) {
            fs::current_path(previousDir);
        }
        textureManager.texturePaths.clear();
        if (!root.empty()) {
            fs::remove_all(root);
        }
        ShowViewTest::TearDown();
    }

    std::string root;
    fs::path previousDir;
    std::unique_ptr<LwObject> heart;
    std::unique_ptr<HotReload> reload;
    int32_t moduleChanges = 0;
};

TEST_F(HotReloadTest, WatchesTheDirectoriesOfTheObjectTheImagesAndTheModule) {
    std::vector<std::string> watched = platform::scripted::watchedDirectories();
    std::sort(watched.begin(), watched.end());
    EXPECT_EQ(watched, (std::vector<std::string>{"data/tessaline/gfx", "data/tessaline/music",
                                                 "data/tessaline/objects"}));
    EXPECT_EQ(fs::path(demoConfig.modulePath).parent_path(), "data/tessaline/music");
}

TEST_F(HotReloadTest, AChangedImageShowsAtItsOwnIndexAndTheOthersStay) {
    const std::vector<uint32_t> namesBefore = textureManager.textureNames;
    writePicture(startupImages[0], 0, 255, 0);
    queueFileChanges({"data/tessaline/gfx/bg.png", "data/tessaline/gfx/.bg.png.swp"});
    EXPECT_TRUE(reload->poll(1000).empty());
    EXPECT_EQ(texel(1), (Rgb{0, 255, 0}));
    EXPECT_EQ(texel(2), (Rgb{255, 0, 0}));
    EXPECT_EQ(textureManager.textureNames, namesBefore);
    EXPECT_EQ(reload->overlayError(1000), "");
    EXPECT_EQ(moduleChanges, 0);
}

TEST_F(HotReloadTest, AnImageThatCannotBeLoadedKeepsTheLastGoodOneAndItsErrorShowsForFiveSeconds) {
    writeFile(startupImages[1], {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    fs::remove(startupImages[2]);
    queueFileChanges({startupImages[1], startupImages[2]});
    const std::vector<std::string> failures = reload->poll(1000);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].rfind(startupImages[1], 0), 0u) << failures[0];
    EXPECT_EQ(failures[1], std::string(startupImages[2]) + ": No such file or directory");
    EXPECT_EQ(texel(2), (Rgb{255, 0, 0}));
    EXPECT_EQ(texel(3), (Rgb{255, 0, 0}));
    EXPECT_EQ(reload->overlayError(1000 + HotReload::errorShownMs - 1), failures[1]);
    EXPECT_EQ(reload->overlayError(1000 + HotReload::errorShownMs), "");

    // Written again: the picture is in and no new error is raised.
    writePicture(startupImages[2], 255, 255, 0);
    queueFileChanges({startupImages[2]});
    EXPECT_TRUE(reload->poll(2000).empty());
    EXPECT_EQ(texel(3), (Rgb{255, 255, 0}));
}

TEST_F(HotReloadTest, TheObjectIsReplacedWhereTheScenesHoldItAndItsClipReloads) {
    LwObject* const held = heart.get();
    writeFile(heartObjectPath, objectBytes({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    writePicture(heartEnvPath, 255, 0, 255);
    queueFileChanges({heartObjectPath});
    EXPECT_TRUE(reload->poll(1000).empty());
    EXPECT_EQ(heart.get(), held);
    EXPECT_EQ(held->pointCount(), 3);
    EXPECT_EQ(held->triangleCount(), 1);
    EXPECT_TRUE(held->consistent());
    EXPECT_EQ(texel(0), (Rgb{255, 0, 255}));
}

TEST_F(HotReloadTest, AnObjectThatCannotBeLoadedLeavesTheOldOne) {
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{'F', 'O', 'R', 'M', 0, 0, 0, 4, 'X', 'X', 'X', 'X'},
                                              std::vector<uint8_t>{}, form({})}) {
        writeFile(heartObjectPath, bytes);
        queueFileChanges({heartObjectPath});
        const std::vector<std::string> failures = reload->poll(1000);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].rfind(heartObjectPath, 0), 0u) << failures[0];
        EXPECT_EQ(heart->pointCount(), 4);
        EXPECT_EQ(heart->triangleCount(), 2);
    }
}

TEST_F(HotReloadTest, TheModuleIsReportedAndADirectoryStandsForEverythingInIt) {
    queueFileChanges({"data/tessaline/music/tessaline.xm"});
    queueFileChanges({"data/tessaline/gfx"});
    writePicture(startupImages[5], 0, 255, 255);
    EXPECT_TRUE(reload->poll(1000).empty());
    EXPECT_EQ(moduleChanges, 1);
    EXPECT_EQ(texel(6), (Rgb{255, 0, 0}));
    EXPECT_TRUE(reload->poll(1001).empty());
    EXPECT_EQ(moduleChanges, 1);
    EXPECT_EQ(texel(6), (Rgb{0, 255, 255}));
}

TEST_F(HotReloadTest, ADirectoryNoLongerWatchedIsSaidOnceAndTheOthersReloadOn) {
    platform::scripted::endWatch("data/tessaline/gfx", "Access is denied");
    queueFileChanges({"data/tessaline/music/tessaline.xm"});
    const std::vector<std::string> failures = reload->poll(1000);
    EXPECT_EQ(failures, std::vector<std::string>{"data/tessaline/gfx: no longer watched: Access is denied"});
    EXPECT_EQ(reload->overlayError(1000), failures[0]);
    EXPECT_EQ(moduleChanges, 1);
    EXPECT_TRUE(reload->poll(1001).empty());
}

TEST(HotReloadStart, ADirectoryThatCannotBeWatchedIsReportedAndTheOthersAreWatched) {
    platform::scripted::resetFileWatch();
    platform::scripted::refuseDirectory("data/tessaline/music");
    textureManager.texturePaths.clear();
    HotReload reload(nullptr, nullptr);
    EXPECT_FALSE(reload.start());
    EXPECT_EQ(reload.error(), "data/tessaline/music: No such file or directory");
    EXPECT_EQ(platform::scripted::watchedDirectories(), std::vector<std::string>{"data/tessaline/objects"});
}

}  // namespace
