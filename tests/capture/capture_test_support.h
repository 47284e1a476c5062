#pragma once
// Helpers of the capture tests: runs of the tool in folders of their own, fake
// ffmpegs, PNG reading, picture measures, and reference frames of the bare
// backdrop drawn by the show's own part services.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/window.h"
#include "gl_fixture.h"
#include "parts/demo_part.h"
#include "render/texture_manager.h"
#include "test_paths.h"

namespace capture_test {

struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // top row first
    const uint8_t* at(int32_t x, int32_t y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

inline Picture readPng(const std::string& path, uint32_t format = PNG_FORMAT_RGB) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return picture;
    }
    image.format = format;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0) {
        picture.width = static_cast<int32_t>(image.width);
        picture.height = static_cast<int32_t>(image.height);
        picture.rgb = std::move(pixels);
    }
    return picture;
}

// A folder of this test process's own under the test temp dir: several
// checkouts on one machine run these tests at once.
inline std::string ownTempDir() {
    const std::string dir = testing::TempDir() + "capture-" + std::to_string(getpid()) + "/";
    std::system(("mkdir -p '" + dir + "'").c_str());
    return dir;
}

inline int runCapture(const std::string& arguments) {
    const std::string command = "cd " + buildPath("") + " && ./tessaline-capture --quiet " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The capture's exit status, run from the build folder with `prefix` before
// it (variables, a wrapper) and stderr kept in `log`.
inline int runWith(const std::string& prefix, const std::string& arguments, const std::string& log) {
    const std::string command = "cd " + buildPath("") + " && " + prefix + " ./tessaline-capture --quiet " +
                                arguments + " 2>" + log;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder of its own, empty, for one case.
inline std::string freshDir(const std::string& name) {
    const std::string dir = ownTempDir() + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline size_t entries(const std::string& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                             std::filesystem::directory_iterator()));
}

// An ffmpeg on the PATH that is a script, as a PATH setting for runWith:
// `encoders` is what it lists, and any other call runs `body` (by default it
// reads a little of its input and exits with status 1; "$out" is the video).
inline std::string fakeFfmpeg(const std::string& name, const std::string& encoders,
                              const std::string& body = "head -c 100000 >/dev/null; exit 1") {
    const std::string dir = freshDir(name);
    const std::string script = dir + "/ffmpeg";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "case \"$*\" in *-encoders*) printf '" << encoders << "'; exit 0;; esac\n"
                          << "for out; do :; done\n" << body << "\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return "PATH=" + dir + ":$PATH";
}

inline const char* kEncoders = " V....D libx264              libx264 H.264\\n A....D aac                  AAC\\n";

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline double meanLuminance(const Picture& picture) {
    double sum = 0.0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        sum += 0.299 * picture.rgb[i] + 0.587 * picture.rgb[i + 1] + 0.114 * picture.rgb[i + 2];
    }
    return sum / (picture.rgb.size() / 3);
}

// Pixels that differ clearly from a reference frame of the same size.
inline std::vector<uint8_t> changedMask(const Picture& frame, const Picture& reference, int threshold = 28) {
    std::vector<uint8_t> mask(static_cast<size_t>(frame.width) * frame.height, 0);
    for (size_t i = 0; i < mask.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(frame.rgb[i * 3 + c] - reference.rgb[i * 3 + c]) > threshold) {
                mask[i] = 1;
            }
        }
    }
    return mask;
}

// Rows from the first to the last with at least a few changed pixels.
inline int32_t changedHeight(const std::vector<uint8_t>& mask, int32_t width, int32_t height) {
    int32_t first = -1;
    int32_t last = -1;
    for (int32_t y = 0; y < height; ++y) {
        int32_t count = 0;
        for (int32_t x = 0; x < width; ++x) {
            count += mask[static_cast<size_t>(y) * width + x];
        }
        if (count >= 4) {
            if (first < 0) first = y;
            last = y;
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// Side-by-side objects: runs of columns holding changed pixels, split by
// gaps of empty columns. Lettering drawn over an object may cut it into
// pieces, but not into separate columns.
inline int32_t countColumnGroups(const std::vector<uint8_t>& mask, int32_t width, int32_t height, int32_t minWidth) {
    int32_t groups = 0;
    int32_t runWidth = 0;
    int32_t gap = 0;
    for (int32_t x = 0; x <= width; ++x) {
        int32_t count = 0;
        for (int32_t y = 0; x < width && y < height; ++y) {
            count += mask[static_cast<size_t>(y) * width + x];
        }
        if (count >= 3) {
            runWidth += gap < 6 ? gap + 1 : 1;
            gap = 0;
            continue;
        }
        ++gap;
        if (gap == 6 || x == width) {
            groups += runWidth >= minWidth ? 1 : 0;
            runWidth = 0;
        }
    }
    return groups;
}

// The backdrop (and optionally an overlay) drawn alone by the show's own
// part services, as references for what the scenes add.
class ReferenceFrames : public GlTest {
protected:
    Picture render(const char* overlayPath) {
        resizeView(640, 480);
        initRenderState();
        const uint32_t first = static_cast<uint32_t>(textureManager.textureNames.size());
        textureManager.load("data/tessaline/gfx/bg.png");
        if (overlayPath != nullptr) {
            textureManager.load(overlayPath);
        }
        DemoPart part;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        part.drawBackdrop(static_cast<int>(first));
        if (overlayPath != nullptr) {
            part.drawOverlay(static_cast<int>(first + 1), false);
        }
        glFinish();
        const std::vector<uint8_t> rgba = gl->readPixels();
        Picture picture;
        picture.width = 640;
        picture.height = 480;
        picture.rgb.resize(640 * 480 * 3);
        for (int32_t y = 0; y < 480; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                const uint8_t* source = &rgba[(static_cast<size_t>(479 - y) * 640 + x) * 4];
                std::copy(source, source + 3, &picture.rgb[(static_cast<size_t>(y) * 640 + x) * 3]);
            }
        }
        return picture;
    }
};

}  // namespace capture_test
