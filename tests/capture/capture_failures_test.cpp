// The capture's video colours and its failures: a player's decode matches
// the capture's own still, and a run that cannot finish leaves nothing at
// its target, neither the output nor a temporary.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "capture_test_support.h"
#include "platform/offscreen_gl.h"
#include "test_paths.h"

using namespace capture_test;
namespace fs = std::filesystem;

namespace {

double meanDifference(const Picture& a, const Picture& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        sum += std::abs(a.rgb[i] - b.rgb[i]);
    }
    return sum / static_cast<double>(a.rgb.size());
}

// The samples an offscreen GL gives an RGBA8 renderbuffer asked for 4; 0
// without GL or framebuffer objects.
GLint fourSampleCount() {
    const OffscreenGl probe(16, 16);
    if (!probe.ok()) {
        return 0;
    }
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!((version != nullptr && std::atof(version) >= 3.0) ||
          (extensions != nullptr && std::strstr(extensions, "GL_ARB_framebuffer_object") != nullptr))) {
        return 0;
    }
    GLuint buffer = 0;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, 16, 16);
    GLint given = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
    glDeleteRenderbuffers(1, &buffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    return given;
}

}  // namespace

// 10.5 s is frame 30 of a video from 10 s at 60 fps. The stream is tagged
// BT.709 in limited range, and ffmpeg's decode to RGB (as a player does it)
// gives back the still's colours; BT.601 would shift the red heart.
TEST(CaptureVideoTest, ThePlayersDecodeMatchesTheStillAndIsTaggedBt709) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    const std::string dir = freshDir("colours");
    const std::string log = dir + "/log";
    ASSERT_EQ(runWith("", "--size 640x360 --from 10 --to 11 --video " + dir + "/v.mp4", log), 0);
    ASSERT_EQ(runWith("", "--size 640x360 --still 10.5 " + dir + "/still.png", log), 0);
    const std::string probe = dir + "/probe";
    std::system(("ffprobe -v error -select_streams v -show_entries stream=color_space,color_transfer,"
                 "color_primaries,color_range -of default=nw=1 " + dir + "/v.mp4 >" + probe).c_str());
    const std::string tags = readFile(probe);
    for (const char* tag : {"color_range=tv", "color_space=bt709", "color_transfer=bt709", "color_primaries=bt709"}) {
        EXPECT_NE(tags.find(tag), std::string::npos) << tag << " in " << tags;
    }
    std::system(("ffmpeg -v error -i " + dir + "/v.mp4 -vf 'select=eq(n\\,30)' -frames:v 1 " + dir +
                 "/decoded.png").c_str());
    const Picture decoded = readPng(dir + "/decoded.png");
    const Picture still = readPng(dir + "/still.png");
    ASSERT_EQ(decoded.width, 640);
    ASSERT_EQ(still.rgb.size(), decoded.rgb.size());
    EXPECT_GT(meanLuminance(still), 3.0) << "a frame with a picture on it";
    EXPECT_LT(meanDifference(decoded, still), 3.0);
}

// Multisampling stands in for supersampling only where both give the same
// picture; where the GL gives exactly 4 samples, --aa 4 multisamples.
TEST(CaptureVideoTest, MultisamplingGivesTheSupersampledPicture) {
    const GLint samples = fourSampleCount();
    if (samples != 4) {
        GTEST_SKIP() << "this GL gives " << samples << " samples where 4 are asked for: no 4x multisampling";
    }
    const std::string dir = freshDir("msaa");
    const std::string log = dir + "/log";
    ASSERT_EQ(runWith("", "--aa 4 --still 5:0 " + dir + "/ms.png", log), 0);
    EXPECT_NE(readFile(log).find("4x multisampled"), std::string::npos) << readFile(log);
    ASSERT_EQ(runWith("", "--aa 4 --supersample --still 5:0 " + dir + "/ss.png", log), 0);
    EXPECT_NE(readFile(log).find("2x2 supersampled"), std::string::npos) << readFile(log);
    const Picture ms = readPng(dir + "/ms.png");
    const Picture ss = readPng(dir + "/ss.png");
    ASSERT_EQ(ms.rgb.size(), ss.rgb.size());
    EXPECT_LT(meanDifference(ms, ss), 1.0);
}

// Refused before any frame, status 2, one line naming the option.
TEST(CaptureFailureTest, MissingFoldersAndDevicesAreRefusedFirst) {
    const std::string dir = freshDir("refused");
    const std::string log = dir + "/log";
    EXPECT_EQ(runWith("", "--video /nonexistent-folder/v.mp4", log), 2);
    EXPECT_NE(readFile(log).find("--video: the folder '/nonexistent-folder' does not exist"), std::string::npos);
    EXPECT_EQ(runWith("", "--still 1:0 /proc/still.png", log), 2);
    EXPECT_NE(readFile(log).find("--still: cannot write into the folder '/proc'"), std::string::npos);
    EXPECT_EQ(runWith("", "--gpu 99 --still 1:0 " + dir + "/s.png", log), 2);
    EXPECT_NE(readFile(log).find("--gpu 99: no such EGL device"), std::string::npos);
    EXPECT_EQ(entries(dir), 1u) << "the log alone";
}

// ffmpeg that lacks the encoder is found out before rendering; one that
// exits early is ffmpeg stopping (not a SIGPIPE death). Either way nothing
// is left behind.
TEST(CaptureFailureTest, AnFfmpegThatCannotOrDoesNotFinishLeavesNothing) {
    const std::string dir = freshDir("ffmpeg");
    const std::string log = ownTempDir() + "ffmpeg.log";
    EXPECT_EQ(runWith(fakeFfmpeg("no-x264", " A....D aac   AAC\\n"), "--video " + dir + "/v.mp4", log), 1);
    EXPECT_NE(readFile(log).find("has no libx264 encoder"), std::string::npos) << readFile(log);
    EXPECT_EQ(entries(dir), 0u);

    EXPECT_EQ(runWith(fakeFfmpeg("exits", kEncoders), "--from 3 --to 5 --video " + dir + "/v.mp4", log), 1);
    EXPECT_NE(readFile(log).find("ffmpeg stopped taking frames (ffmpeg exited with status 1)"), std::string::npos)
        << readFile(log);
    EXPECT_EQ(entries(dir), 0u);
}

// A full disk: a 64 KiB tmpfs in a mount namespace of its own (skipped
// where mounting is not allowed). The WAV's last buffer fails to go out. What
// the tmpfs holds afterwards is listed inside the same namespace: outside it
// the folder is always empty.
TEST(CaptureFailureTest, AFullDiskLeavesNothing) {
    if (std::system("unshare -m true 2>/dev/null") != 0) {
        GTEST_SKIP() << "no mount namespaces here";
    }
    const std::string dir = freshDir("full");
    const std::string log = ownTempDir() + "full.log";
    const std::string inside = "mount -t tmpfs -o size=64k tmpfs " + dir + " || exit 99; ./tessaline-capture --quiet "
                               "--from 3 --to 9 --wav " + dir + "/s.wav 2>" + log + "; echo $? >" + log +
                               ".status; ls -A " + dir + " >" + log + ".left";
    std::system(("cd " + buildPath("") + " && unshare -m sh -c '" + inside + "'").c_str());
    if (!fs::exists(log + ".left")) {
        GTEST_SKIP() << "tmpfs not mountable";
    }
    EXPECT_EQ(readFile(log + ".status"), "1\n") << readFile(log);
    EXPECT_NE(readFile(log).find("No space left on device"), std::string::npos) << readFile(log);
    EXPECT_EQ(readFile(log + ".left"), "") << "left on the full disk";
}

// SIGTERM mid-capture: ffmpeg is ended, its partial file and the sound's
// temporary removed, status 128 + 15.
TEST(CaptureFailureTest, ASignalStopsTheRunAndLeavesNothing) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    const std::string dir = freshDir("signal");
    const std::string log = ownTempDir() + "signal.log";
    const std::string command = "cd " + buildPath("") + " && (./tessaline-capture --quiet --video " + dir +
                                "/v.mp4 2>" + log + " & pid=$!; sleep 6; kill -TERM $pid; wait $pid; echo $? >" +
                                log + ".status)";
    std::system(command.c_str());
    EXPECT_EQ(readFile(log + ".status"), "143\n") << readFile(log);
    EXPECT_NE(readFile(log).find("stopped by SIGTERM; nothing written"), std::string::npos) << readFile(log);
    EXPECT_EQ(entries(dir), 0u);
}
