// The developer transport against the show's own module: jumps land on the
// row asked for with the replay's clock, keys faster than frames all count,
// the ends of the song, pause and step, loop, and the A/V offset.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
#include "xm_writer.h"

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

TEST_F(DevTransportTest, ALoopIsDroppedWithANoteWhenTheMapChanges) {
    transport->seekTo(3, 0);
    frame();
    transport->press('L');
    ASSERT_TRUE(transport->looping());
    EXPECT_EQ(transport->takeNote(), "");
    PositionMap other(PositionMap::ScoreClock{});  // another order list
    transport->setMap(other);
    EXPECT_FALSE(transport->looping());
    EXPECT_EQ(transport->takeNote(), "loop of order 3 dropped: a new module");
    EXPECT_EQ(transport->takeNote(), "") << "said once";
    EXPECT_EQ(frameAt(5 * 64 * sound::ScoreRowFrames).order, 5) << "frames go on, on the new map";
    transport->setMap(*map);
}

// Modules written for the case at hand: empty patterns at speed 1 and 255
// BPM, a row 9.8 ms long (432 sample frames).
class CraftedModuleTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound_double::reset();
        restartShow();
        musicPlayer.song = sound::loadModule("song");
        musicPlayer.playing = true;
    }
    void TearDown() override {
        restartShow();
        musicPlayer.cuePosition.reset();
        musicPlayer.song = nullptr;
    }
    static std::unique_ptr<PositionMap> mapOf(const std::vector<int>& patternRows, const std::vector<uint8_t>& orders,
                                              const std::string& name) {
        xm::Module module;
        module.channels = 2;
        module.speed = 1;
        module.bpm = 255;
        module.orders = orders;
        for (const int rows : patternRows) module.patterns.emplace_back(rows, module.channels);
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(xm::writeModule(module, bytes, error)) << error;
        const std::string path = ::testing::TempDir() + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        auto map = std::make_unique<PositionMap>(path);
        EXPECT_TRUE(map->ok());
        return map;
    }
    ModulePosition frameAt(DevTransport& transport, int64_t heardFrame) {
        sound_double::script().moduleFrame = heardFrame;
        transport.beginFrame();
        advanceFrame();
        return *musicPlayer.cuePosition;
    }
};

// Order 1 lasts one row, less than a frame of the replay clock: a jump to it
// lands in order 2, so its loop cannot hold and is dropped, not replayed
// again and again until the stack overflows.
TEST_F(CraftedModuleTransportTest, ALoopOfAnOrderShorterThanAFrameIsDropped) {
    const auto map = mapOf({12, 1}, {0, 1, 0}, "short_order.xm");
    const FrameClock clock(DevTransport::kReplayFps);
    const int64_t order1 = map->firstFrameOf({1, 0});
    ASSERT_GT(order1, 0);
    ASSERT_EQ(map->at(clock.sampleFrameOf(clock.firstFrameAt(order1))).order, 2) << "a jump to 1:0 lands past it";

    DevTransport transport(*map, 0);
    frameAt(transport, order1 + 100);
    transport.press('L');
    ASSERT_TRUE(transport.looping());
    frameAt(transport, order1 + 600);  // order 2 heard: the loop jumps back, and cannot land
    EXPECT_FALSE(transport.looping());
    EXPECT_EQ(transport.takeNote(), "loop of order 1 dropped: shorter than a frame");
    EXPECT_EQ(sound_double::callsNamed({"setModulePosition"}).size(), 1u) << "one jump back, no more";
}

TEST_F(CraftedModuleTransportTest, AModuleOfOneOrderLoopsAndWrapsWithoutEnd) {
    const auto map = mapOf({64}, {0}, "one_order.xm");
    DevTransport transport(*map, 0);
    transport.press('L');
    ASSERT_TRUE(transport.looping());
    const int64_t pass = map->passFrames();
    ASSERT_GT(pass, 0);
    for (const int64_t heard : {pass / 2, pass - 1, pass + 10, 3 * pass + 700}) {
        EXPECT_EQ(frameAt(transport, heard).order, 0);
    }
    EXPECT_TRUE(transport.looping()) << "every position is in its order";
    EXPECT_TRUE(sound_double::callsNamed({"setModulePosition"}).empty());
    transport.press(platform::VK_RIGHT);  // past the end: where it loops to
    EXPECT_EQ(frameAt(transport, 0), (ModulePosition{0, 0}));
    transport.press(platform::VK_LEFT);
    EXPECT_EQ(frameAt(transport, 0), (ModulePosition{0, 0}));
}

// Without a module the transport runs on the score clock: a jump lands on
// its row and the music clock is moved there; the pause holds it.
TEST_F(CraftedModuleTransportTest, WithoutAModuleTheTransportMovesTheScoreClock) {
    musicPlayer.song = nullptr;
    PositionMap score(PositionMap::ScoreClock{});
    DevTransport transport(score, 0);
    for (int i = 0; i < 3; ++i) transport.press(platform::VK_RIGHT);
    EXPECT_EQ(frameAt(transport, 0), (ModulePosition{3, 0}));
    const std::vector<std::string> jumps = sound_double::callsNamed({"setModulePosition"});
    ASSERT_EQ(jumps.size(), 3u);
    EXPECT_EQ(jumps.back(), "setModulePosition(null,3,0," + std::to_string(3 * 64 * sound::ScoreRowFrames) + ")");
    transport.press(platform::VK_DOWN);
    EXPECT_EQ(frameAt(transport, 3 * 64 * sound::ScoreRowFrames + 10), (ModulePosition{3, 16}));
    EXPECT_EQ(frameAt(transport, (3 * 64 + 16) * sound::ScoreRowFrames + 10), (ModulePosition{3, 16}));
    transport.press(platform::VK_SPACE);
    EXPECT_EQ(sound_double::callsNamed({"setModulePaused"}).back(), "setModulePaused(null,true)");
    EXPECT_EQ(frameAt(transport, 0), (ModulePosition{3, 16})) << "held while paused";
}

}  // namespace
