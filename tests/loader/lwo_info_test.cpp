// tessaline-lwo-info, run as a user would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "lwo_test_writer.h"
#include "test_paths.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun runTool(const std::string& toolAndArguments) {
    ToolRun run;
    const std::string command = toolAndArguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ToolRun runInfo(const std::string& file) { return runTool(buildPath("tessaline-lwo-info") + " '" + file + "'"); }

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

bool says(const ToolRun& run, const std::string& text) { return run.out.find(text) != std::string::npos; }

TEST(LwoInfo, DescribesTheHeart) {
    const ToolRun run = runInfo(buildPath("data/tessaline/objects/heart.lwo"));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(says(run, "points: 17340\n")) << run.out;
    EXPECT_TRUE(says(run, "triangles: 5780 (from 5780 polygons)\n")) << run.out;
    EXPECT_TRUE(says(run, "0 'Heart': colour ")) << run.out;
    EXPECT_TRUE(says(run, "clip 1, 5780 triangles")) << run.out;
    EXPECT_TRUE(says(run, "UV map 'texture': 17340 entries for 17340 points")) << run.out;
    EXPECT_TRUE(says(run, "1: data/tessaline/gfx/heart-env.png")) << run.out;
    EXPECT_TRUE(says(run, "problems: none")) << run.out;
}

// The heart generator at another frequency writes the same object, smaller:
// that is how the loader's fuzzer gets a seed with every chunk of the show's.
TEST(HeartGen, FrequencyScalesTheSameObject) {
    const std::string path = ::testing::TempDir() + "heart-4.lwo";
    const std::string generator = buildPath("tools/heart-gen/tessaline-heart-gen");
    const ToolRun made = runTool(generator + " '" + path + "' 4");
    ASSERT_EQ(made.status, 0) << made.out;
    const ToolRun run = runInfo(path);
    EXPECT_TRUE(says(run, "points: 960\n")) << run.out;  // 20 f^2 triangles, three points each
    EXPECT_TRUE(says(run, "triangles: 320 (from 320 polygons)\n")) << run.out;
    EXPECT_TRUE(says(run, "1: data/tessaline/gfx/heart-env.png")) << run.out;
    EXPECT_TRUE(says(run, "problems: none")) << run.out;

    for (const char* bad : {"0", "65", "4x", "''"}) {
        const ToolRun refused = runTool(generator + " '" + path + "' " + bad);
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_TRUE(says(refused, "usage: tessaline-heart-gen")) << bad << ": " << refused.out;
    }
}

TEST(LwoInfo, ListsWhatWasMended) {
    const std::string path = writeTemp(
        "foreign.lwo", form({tags({"Box"}), pnts(squarePoints()), vmap("UVMap", {{0, 0, 0}}),
                             pols({{0, 1, 2, 3}, {0, 1}, {0, 1, 7}}), ptag({{0, 0}, {1, 3}}),
                             ptag({{0, 0}}, "SMGP"), clip(1, "C:images/box.png"), surf("Box", {imageBlock(1)})}));
    const ToolRun run = runInfo(path);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(says(run, "triangles: 3 (from 3 polygons)")) << run.out;
    EXPECT_TRUE(says(run, "UV map 'texture': none")) << run.out;
    EXPECT_TRUE(says(run, "UV map 'UVMap': passed over")) << run.out;
    EXPECT_TRUE(says(run, "1: (empty path: no image)")) << run.out;
    EXPECT_TRUE(says(run, "1 polygons of more than three points split")) << run.out;
    EXPECT_TRUE(says(run, "1 polygons of fewer than three points skipped")) << run.out;
    EXPECT_TRUE(says(run, "1 triangles name a point beyond the 4 points")) << run.out;
    EXPECT_TRUE(says(run, "1 PTAG entries name no polygon")) << run.out;
    EXPECT_TRUE(says(run, "PTAG at")) << run.out;  // two entries for three polygons
    EXPECT_TRUE(says(run, "of type 'SMGP' is not a surface assignment: skipped")) << run.out;
}

TEST(LwoInfo, RefusesWhatTheShowRefuses) {
    EXPECT_EQ(runInfo("no/such/file.lwo").status, 1);
    const ToolRun old = runInfo(writeTemp("old.lwo", form({pnts(squarePoints())}, "LWOB")));
    EXPECT_EQ(old.status, 1);
    EXPECT_TRUE(says(old, "Error reading LWOB")) << old.out;
}

}  // namespace
