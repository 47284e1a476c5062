// The show's stills drawn through the OpenGL ES 2 layer against the same
// stills drawn with the system's OpenGL 1.1: tessaline-capture with and
// without --gles2 on the same machine. In each still at least 99 % of the
// pixels lie within 8 levels (of 255, every channel) of the GL 1.1 picture.
// The figures are printed for every still.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_paths.h"

namespace {

struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

Picture readPng(const std::string& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0) {
        picture.width = static_cast<int32_t>(image.width);
        picture.height = static_cast<int32_t>(image.height);
        picture.rgb = std::move(pixels);
    }
    return picture;
}

// The capture's exit status, run from the build folder.
int capture(const std::string& arguments) {
    const std::string command = "cd " + buildPath("") + " && ./tessaline-capture --quiet " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Match {
    double withinShare = 0.0;  // pixels whose every channel lies within the tolerance
    int largestDifference = 0;
    double meanDifference = 0.0;
};

Match compare(const Picture& a, const Picture& b, int tolerance) {
    Match match;
    const size_t pixels = a.rgb.size() / 3;
    size_t within = 0;
    double sum = 0.0;
    for (size_t i = 0; i < pixels; ++i) {
        int largest = 0;
        for (size_t c = 0; c < 3; ++c) {
            const int d = std::abs(static_cast<int>(a.rgb[i * 3 + c]) - static_cast<int>(b.rgb[i * 3 + c]));
            largest = std::max(largest, d);
            sum += d;
        }
        within += largest <= tolerance ? 1 : 0;
        match.largestDifference = std::max(match.largestDifference, largest);
    }
    match.withinShare = static_cast<double>(within) / static_cast<double>(pixels);
    match.meanDifference = sum / static_cast<double>(pixels * 3);
    return match;
}

TEST(Gles2Stills, EveryStillMatchesTheOpenGl11Picture) {
    const std::vector<std::string> positions = {"3:40", "8:20", "17:32", "28:16"};
    const std::string dir = testing::TempDir() + "gles2-stills-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(dir);
    std::string desktop;
    std::string layered;
    for (const std::string& position : positions) {
        std::string name = position;
        std::replace(name.begin(), name.end(), ':', '-');
        desktop += " --still " + position + " " + dir + "gl11-" + name + ".png";
        layered += " --still " + position + " " + dir + "gles2-" + name + ".png";
    }
    ASSERT_EQ(capture(desktop), 0);
    const int layeredStatus = capture("--gles2" + layered);
    if (layeredStatus != 0) {
        std::filesystem::remove_all(dir);
        FAIL() << "tessaline-capture --gles2 ended with " << layeredStatus;
    }
    for (const std::string& position : positions) {
        std::string name = position;
        std::replace(name.begin(), name.end(), ':', '-');
        const Picture gl11 = readPng(dir + "gl11-" + name + ".png");
        const Picture gles2 = readPng(dir + "gles2-" + name + ".png");
        ASSERT_FALSE(gl11.rgb.empty()) << position;
        ASSERT_EQ(gl11.width, gles2.width) << position;
        ASSERT_EQ(gl11.height, gles2.height) << position;
        const Match match = compare(gl11, gles2, 8);
        std::printf("still %s: %.3f %% of pixels within 8 levels, largest difference %d, mean %.3f\n",
                    position.c_str(), match.withinShare * 100.0, match.largestDifference, match.meanDifference);
        EXPECT_GE(match.withinShare, 0.99) << position;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
