// A stopped capture destroys nothing: SIGINT or SIGTERM in any phase ends
// the run with 128 + the signal, its own temporaries gone and what the
// target folders held before exactly as it was; a signal once the outputs
// are in place changes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "capture_test_support.h"
#include "test_paths.h"

using namespace capture_test;
namespace fs = std::filesystem;

namespace {

// Every file under `dir` (hidden ones too) by its path there, with its bytes.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        files[fs::relative(entry.path(), dir).string()] = entry.is_regular_file() ? readFile(entry.path()) : "/";
    }
    return files;
}

// The names that differ between two snapshots ("gone: x", "changed: y",
// "new: z"); empty when none does.
std::string differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
    std::string text;
    for (const auto& [name, bytes] : before) {
        const auto now = after.find(name);
        text += now == after.end() ? "gone: " + name + "\n" : now->second != bytes ? "changed: " + name + "\n" : "";
    }
    for (const auto& [name, bytes] : after) {
        text += before.count(name) == 0 ? "new: " + name + "\n" : "";
    }
    return text;
}

// A folder holding what earlier runs made: 57 frames, a video, its sound
// and a still, none of them what this run would write.
std::string earlierWork(const std::string& name) {
    const std::string dir = freshDir(name);
    fs::create_directories(dir + "/frames");
    for (int i = 0; i < 57; ++i) {
        char frame[64];
        std::snprintf(frame, sizeof frame, "/frames/frame-%06d.png", i);
        std::ofstream(dir + frame) << "an earlier run's frame " << i;
    }
    for (const char* file : {"v.mp4", "s.wav", "still.png"}) {
        std::ofstream(dir + "/" + file) << "an earlier " << file;
    }
    return dir;
}

}  // namespace

// SIGINT from outside once the run has written its first frame into a
// folder of earlier frames.
TEST(CaptureStopTest, AStoppedFramesRunLeavesTheEarlierFramesAsTheyWere) {
    const std::string dir = earlierWork("frames-stopped") + "/frames";
    const auto before = snapshot(dir);
    const std::string log = ownTempDir() + "frames-stopped.log";
    const std::string command =
        "cd " + buildPath("") + " && state() { ls -A " + dir + "; cat " + dir + "/* | cksum; }; before=$(state); "
        "(./tessaline-capture --quiet --size 160x120 --from 3 --frames " + dir + " 2>" + log + " & pid=$!; i=0; "
        "while [ \"$(state)\" = \"$before\" ] && [ $i -lt 2400 ]; do sleep 0.05; i=$((i+1)); done; "
        "kill -INT $pid; wait $pid; echo $? >" + log + ".status)";
    std::system(command.c_str());
    EXPECT_EQ(readFile(log + ".status"), "130\n") << readFile(log);
    EXPECT_NE(readFile(log).find("stopped by SIGINT (Ctrl-C); nothing written"), std::string::npos) << readFile(log);
    EXPECT_EQ(differences(before, snapshot(dir)), "");
}

// The signal comes at the phase's first checkpoint (the tool's test seam).
// The video's ffmpeg is a script that takes every frame and writes its file.
TEST(CaptureStopTest, ASignalInAnyPhaseEndsTheRunAndLeavesWhatWasThere) {
    struct Stop {
        const char* phase;
        const char* signal;
        const char* arguments;  // D: the folder of earlier work
    };
    const Stop stops[] = {
        {"start", "INT", "--wav D/s.wav"},
        {"sound", "TERM", "--from 3 --to 5 --wav D/s.wav"},
        {"wav", "INT", "--from 3 --to 5 --wav D/s.wav"},
        {"seek", "TERM", "--still 3:0 D/still.png"},
        {"still", "INT", "--still 0:32 D/other.png --still 1:2 D/still.png"},
        {"frame", "TERM", "--size 160x120 --from 3 --to 4 --frames D/frames --video D/v.mp4"},
        {"video", "INT", "--size 160x120 --from 3 --to 4 --video D/v.mp4 --wav D/s.wav"},
    };
    const std::string dir = earlierWork("phases");
    const auto before = snapshot(dir);
    const std::string ffmpeg = fakeFfmpeg("takes-all", kEncoders, "cat >/dev/null; echo video >\"$out\"");
    const std::string log = ownTempDir() + "phases.log";
    for (const Stop& stop : stops) {
        std::string arguments = stop.arguments;
        for (size_t at = arguments.find("D/"); at != std::string::npos; at = arguments.find("D/", at)) {
            arguments.replace(at, 1, dir);
        }
        const std::string seam = std::string("TESSALINE_CAPTURE_RAISE_AT=") + stop.phase + ":" + stop.signal;
        EXPECT_EQ(runWith(seam + " " + ffmpeg, arguments, log), stop.signal == std::string("INT") ? 130 : 143)
            << stop.phase << ": " << readFile(log);
        EXPECT_EQ(differences(before, snapshot(dir)), "") << stop.phase;
    }
}

// Once every output is in place the run ends as it would have: status 0,
// the outputs kept, one line saying so.
TEST(CaptureStopTest, ASignalOnceTheOutputsAreInPlaceChangesNothing) {
    const std::string dir = freshDir("published");
    const std::string log = dir + "/log";
    ASSERT_EQ(runWith("TESSALINE_CAPTURE_RAISE_AT=published:TERM", "--size 160x120 --from 3 --to 3.5 --frames " + dir +
                      "/frames --wav " + dir + "/s.wav", log), 0) << readFile(log);
    EXPECT_NE(readFile(log).find("the SIGTERM came after the outputs were complete; they stay"), std::string::npos)
        << readFile(log);
    EXPECT_EQ(readFile(dir + "/s.wav").substr(0, 4), "RIFF");
    EXPECT_EQ(entries(dir + "/frames"), 30u);
}
