// The sequencer with parts of the test's own: switching, the row memory reset,
// the music gate, the end of the playlist.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/demo_system.h"
#include "app/sequencer.h"
#include "app/window.h"
#include "music/music_player.h"
#include "parts/demo_part.h"
#include "parts/pulsing_heart_part.h"
#include "parts/rising_hearts_part.h"
#include "platform/null/platform_double.h"
#include "sound/double/sound_double.h"

// drawFrame's GL calls, counted here instead of reaching a context: the
// executable's definitions take the place of the library's.
namespace {
int finishCalls = 0;
int loadIdentityCalls = 0;
}  // namespace
extern "C" {
void GLAPIENTRY glFinish(void) { ++finishCalls; }
void GLAPIENTRY glLoadIdentity(void) { ++loadIdentityCalls; }
}

namespace {

// What the parts did, in order: "create 0", "start 0", "render 0 16 row=5",
// "stop 0", "delete 0".
std::vector<std::string> events;
// Each kind's part clears active on its n-th render (0: never).
int finishOnRender[2] = {0, 0};

class ScriptedPart : public DemoPart {
public:
    explicit ScriptedPart(uint32_t kind) : kind_(kind) { log("create"); }
    ~ScriptedPart() override { log("delete"); }
    void start() override {
        DemoPart::start();
        log("start");
    }
    void stop() override {
        DemoPart::stop();
        log("stop");
    }
    void render(int32_t elapsedMs) override {
        row = musicPlayer.getRow();
        order = musicPlayer.getOrder();
        ++renders_;
        events.push_back("render " + std::to_string(kind_) + " " + std::to_string(elapsedMs) +
                         " row=" + std::to_string(row));
        if (renders_ == finishOnRender[kind_]) {
            active = false;
        }
    }

private:
    void log(const char* what) { events.push_back(std::string(what) + " " + std::to_string(kind_)); }
    uint32_t kind_;
    int renders_ = 0;
};

DemoPart* scriptedFactory(uint32_t kind) { return new ScriptedPart(kind); }

class SequencerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSequencer();
        partFactory = scriptedFactory;
        sound_double::reset();
        platform::scripted::reset();
        musicPlayer.playing = true;
        musicPlayer.forgetRow();
        demoSystem.frameTime = 16;
        events.clear();
        finishOnRender[0] = 0;
        finishOnRender[1] = 0;
        finishCalls = 0;
        loadIdentityCalls = 0;
    }
    void TearDown() override {
        resetSequencer();
        partFactory = createPart;
    }
    static void resetSequencer() {
        restartShow();
    }
    static void atMusicRow(int32_t row) {
        sound_double::script().rows = {row};
        sound_double::script().orders = {0};
    }
};

TEST_F(SequencerTest, AdvancePartRunsThePlaylistInOrderThenReportsItExhausted) {
    EXPECT_TRUE(advancePart());
    EXPECT_EQ(nextPartIndex, 1u);
    EXPECT_TRUE(currentPart->active);
    EXPECT_TRUE(advancePart());
    EXPECT_EQ(nextPartIndex, 2u);
    EXPECT_FALSE(advancePart());
    EXPECT_EQ(nextPartIndex, 2u);
    EXPECT_EQ(currentPart, nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"create 0", "start 0", "stop 0", "delete 0", "create 1",
                                                "start 1", "stop 1", "delete 1"}));
}

TEST_F(SequencerTest, AFinishedPartIsShownInItsLastFrameAndReplacedInTheNext) {
    finishOnRender[0] = 2;
    advancePart();
    events.clear();
    drawFrame();
    drawFrame();  // part 0 clears active while rendering this frame
    EXPECT_EQ(events, (std::vector<std::string>{"render 0 16 row=0", "render 0 16 row=-1"}));
    events.clear();
    demoSystem.frameTime = 40;
    drawFrame();
    // Switched before anything of the frame is drawn; the new part renders
    // in that same frame with that frame's time.
    EXPECT_EQ(events, (std::vector<std::string>{"stop 0", "delete 0", "create 1", "start 1",
                                                "render 1 40 row=0"}));
    EXPECT_EQ(finishCalls, 3);
}

TEST_F(SequencerTest, TheNewPartsFirstRowQuerySeesTheCurrentRow) {
    atMusicRow(37);
    finishOnRender[0] = 2;
    advancePart();
    drawFrame();  // part 0 sees row 37
    drawFrame();  // unchanged: -1, and part 0 finishes
    events.clear();
    drawFrame();  // still row 37: the switch made it new again
    drawFrame();
    EXPECT_EQ(events, (std::vector<std::string>{"stop 0", "delete 0", "create 1", "start 1",
                                                "render 1 16 row=37", "render 1 16 row=-1"}));
}

TEST_F(SequencerTest, NothingHappensBeforeTheMusicPlaysButGlFinish) {
    finishOnRender[0] = 1;
    advancePart();
    drawFrame();  // part 0 finishes
    events.clear();
    musicPlayer.playing = false;
    loadIdentityCalls = 0;
    finishCalls = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(drawFrame());
    }
    EXPECT_TRUE(events.empty()) << "no render, no switch";
    EXPECT_EQ(loadIdentityCalls, 0);
    EXPECT_EQ(finishCalls, 3);
    EXPECT_EQ(nextPartIndex, 1u);
    musicPlayer.playing = true;
    drawFrame();
    EXPECT_EQ(nextPartIndex, 2u);
    EXPECT_EQ(loadIdentityCalls, 1);
}

TEST_F(SequencerTest, AFrameWithNoPartYetStartsTheFirstOne) {
    drawFrame();
    EXPECT_EQ(events, (std::vector<std::string>{"create 0", "start 0", "render 0 16 row=0"}));
    EXPECT_EQ(nextPartIndex, 1u);
}

TEST_F(SequencerTest, NextPartIndexNeverDecreasesAndNoPartComesBack) {
    finishOnRender[0] = 3;
    advancePart();
    uint32_t previousIndex = nextPartIndex;
    for (int frame = 0; frame < 50; ++frame) {
        drawFrame();
        EXPECT_GE(nextPartIndex, previousIndex);
        previousIndex = nextPartIndex;
    }
    int createsOfFirst = 0;
    for (const std::string& event : events) {
        createsOfFirst += event == "create 0";
    }
    EXPECT_EQ(createsOfFirst, 1);
    EXPECT_EQ(events.back(), "render 1 16 row=-1");
}

// In the child of the death test: the platform calls after the window was
// open, and whether the music was stopped, as the process ends.
size_t callsWhileOpen = 0;

void reportAtExit() {
    std::string closing;
    const std::vector<std::string> names = platform::scripted::callNames();
    for (size_t i = callsWhileOpen; i < names.size(); ++i) {
        closing += names[i] + ",";
    }
    std::string music;
    for (const std::string& call : sound_double::callsNamed({"freeModule", "close", "closeStream"})) {
        music += call + ",";
    }
    std::fprintf(stderr, "closing: %s music stopped: [%s]\n", closing.c_str(), music.c_str());
}

// Both parts finish on their first frame; the third frame finds nothing left.
void runPlaylistToItsEnd() {
    if (!openWindow("sequencer test", 640, 480, 32, false)) {
        std::_Exit(3);
    }
    callsWhileOpen = platform::scripted::callNames().size();
    std::atexit(reportAtExit);
    advancePart();
    drawFrame();
    drawFrame();
    drawFrame();
    std::fprintf(stderr, "drawFrame returned\n");
}

TEST_F(SequencerTest, AnExhaustedPlaylistClosesTheWindowAndExitsWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    finishOnRender[0] = 1;
    finishOnRender[1] = 1;
    EXPECT_EXIT(runPlaylistToItsEnd(), ::testing::ExitedWithCode(0),
                "closing: showCursor,makeCurrent,deleteRenderingContext,releaseDeviceContext,"
                "destroyWindow,unregisterWindowClass, music stopped: \\[\\]");
}

TEST_F(SequencerTest, ThePlaylistCreatesTheTwoScenes) {
    DemoPart* first = createPart(playlist[0]);
    DemoPart* second = createPart(playlist[1]);
    EXPECT_NE(dynamic_cast<PulsingHeartPart*>(first), nullptr);
    EXPECT_NE(dynamic_cast<RisingHeartsPart*>(second), nullptr);
    EXPECT_EQ(createPart(2), nullptr);
    delete first;
    delete second;
}

}  // namespace
