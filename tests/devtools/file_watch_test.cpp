// The inotify watcher on a real scratch directory: the ways an editor or a
// tool replaces a file all count, each once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/file_watch.h"

namespace platform {
void PrintTo(const FileWatch::EndedWatch& ended, std::ostream* out) { *out << ended.directory << ": " << ended.reason; }
}  // namespace platform

namespace {

namespace fs = std::filesystem;

class FileWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vexel-watch-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        write("asset.png", "first");
        ASSERT_TRUE(watch.watchDirectory(dir)) << watch.error();
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    // What the watcher reports once the burst has settled (it holds a path
    // back until it has been quiet for quietMs); the watches it ended meanwhile
    // go to `ended`.
    std::vector<std::string> settled(platform::FileWatch& from,
                                     std::vector<platform::FileWatch::EndedWatch>* ended = nullptr) {
        std::vector<std::string> all;
        for (int pass = 0; pass < 40; ++pass) {
            std::this_thread::sleep_for(std::chrono::milliseconds(platform::FileWatch::quietMs / 2));
            for (std::string& path : from.takeChanges()) {
                all.push_back(std::move(path));
            }
            for (platform::FileWatch::EndedWatch& end : from.takeEndedWatches()) {
                if (ended == nullptr) {
                    ADD_FAILURE() << "watch ended: " << end.directory << ": " << end.reason;
                } else {
                    ended->push_back(std::move(end));
                }
            }
        }
        return all;
    }
    std::vector<std::string> settled() { return settled(watch); }

    std::string dir;
    platform::FileWatch watch;
};

TEST_F(FileWatchTest, AWriteARenameOverAndADeleteAndRewriteEachReportTheFileOnce) {
    write("asset.png", "second");
    EXPECT_EQ(settled(), std::vector<std::string>{dir + "/asset.png"});

    // An editor's save: a new file beside the old one, renamed over it.
    write(".asset.png.tmp", "third");
    fs::rename(dir + "/.asset.png.tmp", dir + "/asset.png");
    EXPECT_EQ(settled(), (std::vector<std::string>{dir + "/.asset.png.tmp", dir + "/asset.png"}));

    fs::remove(dir + "/asset.png");
    write("asset.png", "fourth");
    EXPECT_EQ(settled(), std::vector<std::string>{dir + "/asset.png"});
}

TEST_F(FileWatchTest, ABareDeletionAndASubdirectoryAreNoChange) {
    fs::remove(dir + "/asset.png");
    fs::create_directory(dir + "/sub");
    EXPECT_TRUE(settled().empty());
}

// The watch would follow a renamed directory to a path no asset has.
TEST_F(FileWatchTest, ADirectoryRenamedOrDeletedEndsItsWatchOnceAndTheOthersGoOn) {
    platform::FileWatch inner;
    for (const char* name : {"a", "b", "c"}) {
        fs::create_directory(dir + "/" + name);
        ASSERT_TRUE(inner.watchDirectory(dir + "/" + name)) << inner.error();
    }
    fs::rename(dir + "/a", dir + "/renamed");
    fs::remove_all(dir + "/b");
    write("renamed/x.png", "1");
    write("c/y.png", "2");
    std::vector<platform::FileWatch::EndedWatch> ended;
    EXPECT_EQ(settled(inner, &ended), std::vector<std::string>{dir + "/c/y.png"});
    EXPECT_EQ(ended, (std::vector<platform::FileWatch::EndedWatch>{{dir + "/a", "No such file or directory"},
                                                                   {dir + "/b", "No such file or directory"}}));
}

TEST_F(FileWatchTest, AMissingDirectoryIsRefusedWithTheReason) {
    platform::FileWatch other;
    EXPECT_FALSE(other.watchDirectory(dir + "/missing"));
    EXPECT_NE(other.error().find("No such file or directory"), std::string::npos) << other.error();
}

}  // namespace
