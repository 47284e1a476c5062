// MusicPlayer against the scripted sound layer: what it asks of the layer, in
// which order, and what it makes of the answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/demo_config.h"
#include "app/shell.h"
#include "music/music_player.h"
#include "platform/null/platform_double.h"
#include "sound/double/sound_double.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kInit = "init(44100,32,0x2)";
const std::string kLoad = "loadModule(data/tessaline/music/tessaline.xm)";
const std::string kOpenStream = "openStream(data/duskmire/music/music.dat,0x52,0)";

// Written to standard error when a death test's child exits, so the parent can
// see which calls and message boxes came before the exit.
void reportAtExit() {
    std::string text = "CALLS[";
    for (size_t i = 0; i < sound_double::calls().size(); ++i) {
        text += (i ? "," : "") + sound_double::calls()[i];
    }
    text += "]";
    for (const platform::scripted::Box& box : platform::scripted::boxes()) {
        text += " BOX[" + box.caption + "|" + box.text + "|" +
                (box.buttons == platform::BoxButtons::Ok ? "ok" : "yesno") + "]";
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        sound_double::reset();
        platform::scripted::reset();
        saved_ = demoConfig;
    }
    void TearDown() override { demoConfig = saved_; }

    static void startModuleAndReport(MusicPlayer& player) {
        std::atexit(reportAtExit);
        player.startModule();
    }
    static void startStreamAndReport(MusicPlayer& player) {
        std::atexit(reportAtExit);
        player.startStream();
    }

    MusicPlayer player;
    DemoConfig saved_{};
};

TEST_F(MusicPlayerTest, ConstructedIdle) {
    EXPECT_EQ(player.song, nullptr);
    EXPECT_EQ(player.stream, nullptr);
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(player.lastRow, -1);
    EXPECT_TRUE(sound_double::calls().empty());
}

// ---- version check -----------------------------------------------------------

TEST_F(MusicPlayerTest, VersionEqualToTheMinimumStartsTheModule) {
    sound_double::script().version = 3.33f;
    player.startModule();
    EXPECT_EQ(sound_double::calls(), (Calls{"getVersion()", kInit, kLoad, "playModule(module1)"}));
    EXPECT_NE(player.song, nullptr);
    EXPECT_TRUE(player.playing);
    EXPECT_TRUE(platform::scripted::boxes().empty());
}

TEST_F(MusicPlayerTest, NewerVersionPasses) {
    sound_double::script().version = 3.75f;
    player.startStream();
    EXPECT_TRUE(player.playing);
    EXPECT_TRUE(platform::scripted::boxes().empty());
}

TEST_F(MusicPlayerTest, OlderVersionShowsTheBoxAndExitsWithOne) {
    sound_double::script().version = 3.32f;
    EXPECT_EXIT(startModuleAndReport(player), ::testing::ExitedWithCode(1),
                "^CALLS\\[getVersion\\(\\)\\] "
                "BOX\\[Version Error!\\|Error: You are using the wrong DLL version!\\|ok\\]\n$");
}

TEST_F(MusicPlayerTest, VersionJustBelowTheMinimumFailsForTheStreamToo) {
    sound_double::script().version = std::nextafter(3.33f, 0.0f);
    EXPECT_EXIT(startStreamAndReport(player), ::testing::ExitedWithCode(1),
                "^CALLS\\[getVersion\\(\\)\\] BOX\\[Version Error!\\|");
}

// ---- start failures: exit 1 without a message ----------------------------------

TEST_F(MusicPlayerTest, FailedInitExitsWithOneSilently) {
    sound_double::script().initSucceeds = false;
    EXPECT_EXIT(startModuleAndReport(player), ::testing::ExitedWithCode(1),
                "^CALLS\\[getVersion\\(\\),init\\(44100,32,0x2\\)\\]\n$");
}

TEST_F(MusicPlayerTest, FailedInitEndsTheStreamStartToo) {
    sound_double::script().initSucceeds = false;
    EXPECT_EXIT(startStreamAndReport(player), ::testing::ExitedWithCode(1),
                "^CALLS\\[getVersion\\(\\),init\\(44100,32,0x2\\)\\]\n$");
}

TEST_F(MusicPlayerTest, MissingModuleExitsWithOneNamingTheFile) {
    sound_double::script().loadSucceeds = false;
    EXPECT_EXIT(startModuleAndReport(player), ::testing::ExitedWithCode(1),
                "^tessaline: module 'data/tessaline/music/tessaline\\.xm' not loaded: \nCALLS\\[getVersion\\(\\),init\\(44100,32,0x2\\),loadModule\\(data/tessaline/music/"
                "tessaline\\.xm\\)\\]\n$");
}

TEST_F(MusicPlayerTest, ModulePathIsReadWhenStarting) {
    demoConfig.modulePath = "elsewhere/song.xm";
    player.startModule();
    EXPECT_EQ(sound_double::calls().at(2), "loadModule(elsewhere/song.xm)");
}

TEST_F(MusicPlayerTest, PlayResultIsNotExamined) {
    sound_double::script().playModuleResult = false;
    player.startModule();
    EXPECT_TRUE(player.playing);
}

// ---- stream ----------------------------------------------------------------------

TEST_F(MusicPlayerTest, StreamStartsLoopingOnAFreeChannelWithTheCallback) {
    player.startStream();
    EXPECT_EQ(sound_double::calls(),
              (Calls{"getVersion()", kInit, "setOutput(2)", kOpenStream,
                     "setStreamSyncCallback(stream1,callback,0)", "playStream(-1,stream1)"}));
    EXPECT_NE(player.stream, nullptr);
    EXPECT_EQ(player.song, nullptr);
    EXPECT_TRUE(player.playing);
    EXPECT_EQ(sound_double::lastSyncCallback(), &onStreamSync);
    EXPECT_EQ(sound_double::lastSyncUser(), nullptr);
}

TEST_F(MusicPlayerTest, MissingStreamIsNotDetected) {
    sound_double::script().openStreamSucceeds = false;
    player.startStream();
    EXPECT_EQ(sound_double::callsNamed({"setStreamSyncCallback", "playStream"}),
              (Calls{"setStreamSyncCallback(null,callback,0)", "playStream(-1,null)"}));
    EXPECT_EQ(player.stream, nullptr);
    EXPECT_TRUE(player.playing);
}

TEST_F(MusicPlayerTest, StreamQueriesSeeNoModule) {
    player.startStream();
    sound_double::script().rows = {4};
    sound_double::script().orders = {1};
    EXPECT_EQ(player.getRow(), 4);
    EXPECT_EQ(player.getOrder(), 1);
    EXPECT_EQ(sound_double::callsNamed({"getRow", "getOrder"}),
              (Calls{"getRow(null)", "getRow(null)", "getOrder(null)"}));
}

TEST_F(MusicPlayerTest, SyncCallbackTouchesNothingAndSaysTrue) {
    int untouched = 7;
    EXPECT_EQ(onStreamSync(nullptr, &untouched, 4, &untouched), 1);
    EXPECT_EQ(untouched, 7);
}

// ---- stop --------------------------------------------------------------------------

TEST_F(MusicPlayerTest, StopModuleFreesThenCloses) {
    player.startModule();
    sound::Module* song = player.song;
    player.stopModule();
    EXPECT_EQ(sound_double::callsNamed({"freeModule", "close", "playModule"}),
              (Calls{"playModule(module1)", "freeModule(module1)", "close()"}));
    EXPECT_EQ(player.song, song);  // keeps its old value
    EXPECT_TRUE(player.playing);   // never cleared
}

TEST_F(MusicPlayerTest, StopStreamClosesStreamThenLayer) {
    player.startStream();
    player.stopStream();
    EXPECT_EQ(sound_double::callsNamed({"closeStream", "close"}), (Calls{"closeStream(stream1)", "close()"}));
    EXPECT_NE(player.stream, nullptr);
    EXPECT_TRUE(player.playing);
}

// ---- rows and orders -----------------------------------------------------------------

TEST_F(MusicPlayerTest, EachRowIsReportedOnce) {
    player.startModule();
    sound_double::script().rows = {0, 0, 0, 0, 1, 1, 1, 2, 2};
    EXPECT_EQ(player.getRow(), 0);   // first query: lastRow is -1, two reads
    EXPECT_EQ(player.getRow(), -1);  // still row 0: one read
    EXPECT_EQ(player.getRow(), -1);
    EXPECT_EQ(player.getRow(), 1);   // two reads
    EXPECT_EQ(player.getRow(), -1);
    EXPECT_EQ(player.getRow(), 2);
    EXPECT_EQ(player.lastRow, 2);
    EXPECT_EQ(sound_double::callsNamed({"getRow"}).size(), 9u);
}

TEST_F(MusicPlayerTest, RowReportedIsTheSecondRead) {
    player.startModule();
    sound_double::script().rows = {5, 6, 6};
    EXPECT_EQ(player.getRow(), 6);
    EXPECT_EQ(player.lastRow, 6);
    EXPECT_EQ(player.getRow(), -1);
}

TEST_F(MusicPlayerTest, ResettingLastRowReportsTheCurrentRowAgain) {
    player.startModule();
    sound_double::script().rows = {9};  // the module stays on row 9
    EXPECT_EQ(player.getRow(), 9);
    EXPECT_EQ(player.getRow(), -1);
    player.lastRow = -1;  // as advancePart does between parts
    EXPECT_EQ(player.getRow(), 9);
    EXPECT_EQ(player.getRow(), -1);
}

TEST_F(MusicPlayerTest, SameRowInTheNextOrderIsNotReported) {
    player.startModule();
    sound_double::script().rows = {12, 12, 12};
    sound_double::script().orders = {3, 4};
    EXPECT_EQ(player.getRow(), 12);
    EXPECT_EQ(player.getOrder(), 3);
    EXPECT_EQ(player.getRow(), -1);  // row 12 of the next order: same number
    EXPECT_EQ(player.getOrder(), 4);
}

TEST_F(MusicPlayerTest, LayerAnswerOfMinusOneIsNeverAReport) {
    player.startModule();
    sound_double::script().rows = {-1};
    EXPECT_EQ(player.getRow(), -1);
    EXPECT_EQ(sound_double::callsNamed({"getRow"}).size(), 1u);  // equals lastRow: one read
}

TEST_F(MusicPlayerTest, OrderIsPassedThroughWithoutMemory) {
    player.startModule();
    sound_double::script().orders = {2, 2, 7};
    EXPECT_EQ(player.getOrder(), 2);
    EXPECT_EQ(player.getOrder(), 2);
    EXPECT_EQ(player.getOrder(), 7);
    EXPECT_EQ(sound_double::callsNamed({"getOrder"}),
              (Calls{"getOrder(module1)", "getOrder(module1)", "getOrder(module1)"}));
}

// ---- the shell's use of the player ------------------------------------------------------

TEST_F(MusicPlayerTest, MusicDisabledStartsAndStopsNothing) {
    demoConfig.musicEnabled = false;
    musicPlayer.playing = false;
    startMusic();
    EXPECT_TRUE(musicPlayer.playing);
    stopMusic();
    EXPECT_TRUE(sound_double::calls().empty());
}

TEST_F(MusicPlayerTest, ConfigurationPicksModuleOrStream) {
    demoConfig.musicEnabled = true;
    demoConfig.useModule = false;
    startMusic();
    stopMusic();
    EXPECT_EQ(sound_double::callsNamed({"loadModule", "openStream", "closeStream", "freeModule"}),
              (Calls{kOpenStream, "closeStream(stream1)"}));
}

}  // namespace
