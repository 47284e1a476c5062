// A stopped capture destroys nothing: SIGINT or SIGTERM in any phase ends
// the run with 128 + the signal, its own temporaries gone and what the
// target folders held before exactly as it was; a signal once the outputs
// are in place changes nothing. What a capture killed outright left behind
// goes with the next run into the same folders.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

// ffmpeg stuck, ignoring SIGTERM and the end of its input: one that never
// reads (the frames fill its pipe) and one that reads everything and then
// never ends (the run waits for the video's end). SIGTERM to the capture ends
// the run all the same, with 143 and nothing written, and ffmpeg with it.
TEST(CaptureStopTest, ASignalEndsTheRunWhileFfmpegIsStuck) {
    struct Stuck {
        const char* name;
        const char* reading;  // what the fake ffmpeg does before it hangs
    };
    const Stuck cases[] = {{"stuck-full-pipe", ""}, {"stuck-at-the-end", "cat >/dev/null; "}};
    for (const Stuck& stuck : cases) {
        const std::string dir = earlierWork(stuck.name);
        const auto before = snapshot(dir);
        const std::string log = ownTempDir() + stuck.name + ".log";
        const std::string pids = ownTempDir() + stuck.name + ".pids";  // "FFMPEG CAPTURE"
        std::remove(pids.c_str());
        const std::string ffmpeg = fakeFfmpeg(std::string(stuck.name) + "-ffmpeg", kEncoders,
                                              std::string("trap '' TERM INT; ") + stuck.reading + "echo $$ $PPID >" +
                                                  pids + "; while :; do sleep 1; done");
        // Once the signal has come the run ends within ffmpeg's 2 s grace;
        // the 120 s bound (and the 120 s wait for ffmpeg to start) only keeps
        // a hang from stalling the suite.
        const std::string command =
            "cd " + buildPath("") + " && (" + ffmpeg + " timeout -k 5 120 ./tessaline-capture --quiet "
            "--size 160x120 --from 3 --to 3.5 --video " + dir + "/v.mp4 2>" + log + " & run=$!; i=0; "
            "while [ ! -s " + pids + " ] && [ $i -lt 2400 ]; do sleep 0.05; i=$((i+1)); done; sleep 0.2; "
            "kill -TERM $(cut -d' ' -f2 " + pids + "); wait $run; echo $? >" + log + ".status)";
        std::system(command.c_str());
        EXPECT_EQ(readFile(log + ".status"), "143\n") << stuck.name << ": " << readFile(log);
        EXPECT_NE(readFile(log).find("stopped by SIGTERM; nothing written"), std::string::npos) << readFile(log);
        EXPECT_EQ(differences(before, snapshot(dir)), "") << stuck.name;
        const pid_t fake = static_cast<pid_t>(std::atoi(readFile(pids).c_str()));
        ASSERT_GT(fake, 0) << stuck.name << ": the fake ffmpeg never started";
        EXPECT_TRUE(kill(fake, 0) != 0 && errno == ESRCH) << stuck.name << ": the fake ffmpeg still runs";
        kill(fake, SIGKILL);  // where it does, so that it does not outlive the test
    }
}

// A capture killed by SIGKILL removes nothing. The next run removes the
// temporaries of ended captures from every folder it writes to, and nothing
// else: not a live process's, not a name that only looks like one, not a
// folder, not in a folder the run does not write to.
TEST(CaptureStopTest, ARunRemovesWhatEndedCapturesLeftAndNothingElse) {
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended);
    const std::string live = std::to_string(getpid());
    const std::string dir = freshDir("leftovers");
    const std::vector<std::string> leftovers = {
        ".partial-" + dead + "-0-v.mp4", ".partial-" + dead + "-1-v.mp4.audio.wav", ".partial-" + dead + "-probe",
        "frames/.partial-" + dead + "-7-frame-000007.png"};
    const std::vector<std::string> others = {
        ".partial-" + live + "-0-s.wav", ".partial-" + live + "-3-frame-000001.png",
        ".partial-" + dead + "-x-s.wav", ".partial-" + dead + "-0-", ".partial-0" + dead + "-0-s.wav",
        ".partial-" + dead + "-probe2", "partial-" + dead + "-0-s.wav", "notes.txt",
        "elsewhere/.partial-" + dead + "-0-s.wav"};
    fs::create_directories(dir + "/frames");
    fs::create_directories(dir + "/elsewhere");
    fs::create_directories(dir + "/.partial-" + dead + "-2-folder");
    for (const auto& names : {leftovers, others}) {
        for (const std::string& name : names) {
            std::ofstream(dir + "/" + name) << "left";
        }
    }
    const std::string log = dir + "/elsewhere/log";
    ASSERT_EQ(runWith("", "--size 160x120 --from 3 --to 3.1 --frames " + dir + "/frames --wav " + dir + "/s.wav", log),
              0) << readFile(log);
    for (const std::string& name : leftovers) {
        EXPECT_FALSE(fs::exists(dir + "/" + name)) << name;
    }
    for (const std::string& name : others) {
        EXPECT_TRUE(fs::exists(dir + "/" + name)) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir + "/.partial-" + dead + "-2-folder"));
    EXPECT_NE(readFile(log).find("removed 3 temporary files (.partial-PID-*) that ended captures left in '" + dir +
                                 "'"), std::string::npos) << readFile(log);
    EXPECT_NE(readFile(log).find("removed 1 temporary file (.partial-PID-*) that ended captures left in '" + dir +
                                 "/frames'"), std::string::npos) << readFile(log);
}
