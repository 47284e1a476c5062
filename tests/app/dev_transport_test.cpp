// The developer transport against the show's own module: jumps land on the
// row asked for with the replay's clock, keys faster than frames all count,
// the ends of the song, pause and step, loop, and the A/V offset.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/dev_transport.h"
#include "app/sequencer.h"
#include "app/show_replay.h"
#include "core/asset_paths.h"
#include "core/demo_config.h"
#include "core/demo_system.h"
#include "music/music_player.h"
#include "platform/platform.h"
#include "sound/double/sound_double.h"
#include "sound/sound.h"
#include "test_paths.h"

namespace {

using sound::ModulePosition;

class DevTransportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string path = buildPath(demoConfig.modulePath);
        if (std::filesystem::exists(path)) map = std::make_unique<PositionMap>(path);
    }
    static void TearDownTestSuite() { map.reset(); }

    void SetUp() override {
        if (!map || !map->ok()) GTEST_SKIP() << "the module is not built yet: " << demoConfig.modulePath;
        sound_double::reset();
        restartShow();
        musicPlayer.song = sound::loadModule("song");
        musicPlayer.playing = true;
        transport = std::make_unique<DevTransport>(*map, 0);
    }
    void TearDown() override {
        restartShow();
        musicPlayer.cuePosition.reset();
        musicPlayer.song = nullptr;
    }

    // One frame of the show at the heard module time: the transport's step, then the parts'.
    ModulePosition frameAt(int64_t heardFrame) {
        sound_double::script().moduleFrame = heardFrame;
        transport->beginFrame();
        advanceFrame();
        return *musicPlayer.cuePosition;
    }
    ModulePosition frame() { return frameAt(sound_double::script().moduleFrame); }

    static std::unique_ptr<PositionMap> map;
    std::unique_ptr<DevTransport> transport;
};
std::unique_ptr<PositionMap> DevTransportTest::map;

TEST_F(DevTransportTest, EveryKeyCountsAndAJumpLandsOnItsRowWithTheReplayClock) {
    for (int i = 0; i < 8; ++i) transport->press(platform::VK_RIGHT);  // all before one frame
    const ModulePosition landed = frame();
    EXPECT_EQ(landed, (ModulePosition{8, 0}));
    const FrameClock clock(DevTransport::kReplayFps);
    const int64_t landing = clock.firstFrameAt(map->firstFrameOf({8, 0}));
    EXPECT_EQ(demoSystem.frameTime, static_cast<uint32_t>(clock.elapsedMsOf(landing)));
    EXPECT_EQ(sound_double::callsNamed({"setModulePosition"}).size(), 8u) << "the music follows each jump";
    transport->press(platform::VK_LEFT);
    EXPECT_EQ(frame(), (ModulePosition{7, 0}));
    transport->press(platform::VK_DOWN);
    EXPECT_EQ(frame(), (ModulePosition{7, 16}));
    transport->press(platform::VK_UP);
    transport->press(platform::VK_UP);
    EXPECT_EQ(frame(), (ModulePosition{6, 48}));
    transport->press(platform::VK_HOME);
    EXPECT_EQ(frame(), (ModulePosition{0, 0}));
}

TEST_F(DevTransportTest, TheSongsEndsWrapLikeTheModuleAndNothingGoesBeforeTheStart) {
    transport->press(platform::VK_LEFT);
    transport->press(platform::VK_UP);
    EXPECT_EQ(frame(), (ModulePosition{0, 0}));
    const ModulePosition loopsTo = map->at(map->passFrames());
    const ModulePosition last = map->at(map->passFrames() - 1);
    transport->seekTo(last.order, 0);
    EXPECT_EQ(frame(), (ModulePosition{last.order, 0}));
    transport->press(platform::VK_RIGHT);
    EXPECT_EQ(frame(), loopsTo) << "past the last order: where the module loops to";
    EXPECT_EQ(currentPart->order, loopsTo.order) << "the show was replayed through the first pass";
}

TEST_F(DevTransportTest, PausedFramesGetNoTimeAndStepsOneSixtiethEach) {
    frameAt(123456);
    transport->press(platform::VK_SPACE);
    EXPECT_EQ(sound_double::callsNamed({"setModulePaused"}).size(), 1u);
    demoSystem.frameTime = 40;
    const ModulePosition held = frameAt(999999);  // the speaker runs on; the pause holds
    EXPECT_EQ(demoSystem.frameTime, 0u);
    EXPECT_EQ(held, map->at(123456));
    transport->press(platform::VK_OEM_PERIOD);
    frame();
    const uint32_t firstStep = demoSystem.frameTime;
    transport->press(platform::VK_DECIMAL);
    frame();
    EXPECT_EQ(firstStep + demoSystem.frameTime, 33u) << "16 and 17 ms: two sixtieths";
    frame();
    EXPECT_EQ(demoSystem.frameTime, 0u) << "one step per press";
    transport->press(platform::VK_SPACE);
    EXPECT_TRUE(transport->paused() == false);
    EXPECT_EQ(sound_double::callsNamed({"setModulePosition"}).size(), 1u) << "resumed where the steps reached";
}

TEST_F(DevTransportTest, ALoopJumpsBackWhenTheOrderEnds) {
    transport->seekTo(3, 60);
    frame();
    transport->press('L');
    EXPECT_TRUE(transport->looping());
    EXPECT_EQ(frameAt(map->firstFrameOf({4, 2})), (ModulePosition{3, 0}));
    transport->press('L');
    EXPECT_EQ(frameAt(map->firstFrameOf({4, 2})), (ModulePosition{4, 2}));

    // With cues later than the sound, the jump back lands before the loop's
    // first row in cue terms; it must not jump again.
    transport = std::make_unique<DevTransport>(*map, 200);
    transport->seekTo(3, 0);
    frame();
    transport->press('L');
    const ModulePosition cue = frameAt(map->firstFrameOf({4, 2}));
    EXPECT_EQ(cue.order, 2) << "200 ms before 3:0 in the cues";
    EXPECT_EQ(frame().order, 2) << "the loop holds while the sound is in order 3";
}

// Positive offsets move the cues later than the sound: the first frame whose
// cue is the first beat row comes 100 ms of module time later.
TEST_F(DevTransportTest, AnOffsetMovesTheBeatJumpLaterByItsMilliseconds) {
    const auto firstBeatFrame = [&](int32_t offsetMs) {
        transport = std::make_unique<DevTransport>(*map, offsetMs);
        const int64_t from = map->firstFrameOf({4, 0}) - 8000;
        for (int64_t heard = from; heard < from + 20000; heard += 32) {
            if (frameAt(heard) == ModulePosition{4, 0}) return heard;
        }
        return int64_t{-1};
    };
    const int64_t plain = firstBeatFrame(0);
    const int64_t later = firstBeatFrame(100);
    ASSERT_GT(plain, 0);
    EXPECT_NEAR(static_cast<double>(later - plain), 4410.0, 32.0);
    transport->press(platform::VK_OEM_PLUS);
    EXPECT_EQ(transport->avOffsetMs(), 105);
    for (int i = 0; i < 200; ++i) transport->press(platform::VK_SUBTRACT);
    EXPECT_EQ(transport->avOffsetMs(), -500) << "kept in range";
}

}  // namespace
