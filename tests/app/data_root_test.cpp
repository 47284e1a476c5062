// Where the show looks for its data when it is not started in its folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/data_root.h"
#include "core/asset_paths.h"

namespace fs = std::filesystem;

namespace {

class DataRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = fs::temp_directory_path() / ("vexel-data-root-" + std::to_string(::getpid()));
        fs::remove_all(scratch_);
        fs::create_directories(scratch_ / "empty");
        started_ = fs::current_path();
        fs::current_path(scratch_ / "empty");
    }
    void TearDown() override {
        fs::current_path(started_);
        fs::remove_all(scratch_);
    }
    // A folder holding the show's data (the heart object is what is looked for).
    fs::path showFolder(const std::string& name) {
        const fs::path folder = scratch_ / name;
        fs::create_directories((folder / heartObjectPath).parent_path());
        std::ofstream(folder / heartObjectPath) << "FORM";
        return folder;
    }
    fs::path scratch_;
    fs::path started_;
};

TEST_F(DataRootTest, AWorkingDirectoryThatHoldsTheShowIsKept) {
    const fs::path here = showFolder("here");
    const fs::path beside = showFolder("with space/bin");
    fs::current_path(here);
    EXPECT_TRUE(enterDataRoot(beside.string(), ""));
    EXPECT_EQ(fs::current_path(), here);
}

TEST_F(DataRootTest, ElsewhereTheProgramsFolderThenItsParentThenTheInstalledFolder) {
    const fs::path archive = showFolder("tessaline 1.0");  // bin/ beside data/, a space in the name
    fs::create_directories(archive / "bin");
    const fs::path installed = showFolder("usr/share/games/tessaline");
    EXPECT_TRUE(enterDataRoot((archive / "bin").string(), installed.string()));
    EXPECT_EQ(fs::current_path(), archive);

    fs::current_path(scratch_ / "empty");
    EXPECT_TRUE(enterDataRoot((scratch_ / "empty").string(), installed.string()));
    EXPECT_EQ(fs::current_path(), installed);

    const std::vector<std::string> order = dataRootCandidates("/opt/a/bin", "/usr/share/games/tessaline");
    EXPECT_EQ(order, (std::vector<std::string>{"/opt/a/bin", "/opt/a", "/usr/share/games/tessaline"}));
    EXPECT_EQ(dataRootCandidates("", "").size(), 0u) << "an unknown program folder is skipped";
}

TEST_F(DataRootTest, NoShowAnywhereLeavesTheWorkingDirectoryForTheLoaderToReport) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(enterDataRoot((scratch_ / "empty").string(), (scratch_ / "nowhere").string()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("nowhere"), std::string::npos);
    EXPECT_EQ(fs::current_path(), scratch_ / "empty");
}

}  // namespace
