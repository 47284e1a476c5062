// The real layer's set-up and its two clocks that need no sound card: the
// silent output (a module advancing in real time with no device) and the score
// clock (positions with no module at all).
#include "sound_fixture.h"
#include "test_paths.h"

namespace {

using sound::ModulePosition;

constexpr int64_t kMillisecond = 1000;  // microseconds

TEST_F(SoundTest, VersionIsAtLeastTheOneThePlayerNeeds) {
    EXPECT_GE(sound::getVersion(), 3.33f);
    sound::testing::setReportedVersion(3.32f);
    EXPECT_EQ(sound::getVersion(), 3.32f);
    sound::testing::resetHooks();
    EXPECT_GE(sound::getVersion(), 3.33f);
}

TEST_F(SoundTest, InitOpensTheDeviceAtCdRateInStereoAndStartsIt) {
    openOnDevice(1024);
    EXPECT_TRUE(platform::audio_double::isOpen());
    EXPECT_FALSE(platform::audio_double::isPaused());
    EXPECT_EQ(platform::audio_double::requested().sampleRate, 44100);
    EXPECT_EQ(platform::audio_double::requested().channels, 2);
    EXPECT_TRUE(sound::setOutput(2));  // accepted, changes nothing
    EXPECT_TRUE(platform::audio_double::isOpen());
    sound::close();
    // Closed by the device worker; on a busy machine maybe after close returned.
    ASSERT_TRUE(sound::testing::waitDeviceWorkerEnded(10000));
    EXPECT_FALSE(platform::audio_double::isOpen());
}

TEST_F(SoundTest, BadInitArgumentsFail) {
    EXPECT_FALSE(sound::init(0, 32, 0));
    EXPECT_FALSE(sound::init(44100, -1, 0));
    EXPECT_FALSE(sound::testing::usingSilentOutput());
}

TEST_F(SoundTest, NothingPlaysBeforeInit) {
    sound::Module* module = sound::loadModule(corpusPath("xm/libxmp_test.xm").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_FALSE(sound::playModule(module));
    EXPECT_EQ(sound::getRow(module), 0);
    EXPECT_TRUE(sound::freeModule(module));
    EXPECT_FALSE(sound::freeModule(module));  // no longer known
    EXPECT_FALSE(sound::playModule(nullptr));
}

// ---- no device --------------------------------------------------------------------------

TEST_F(SoundTest, WithoutADeviceInitSucceedsOnTheSilentOutput) {
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    EXPECT_TRUE(sound::testing::usingSilentOutput());
    EXPECT_FALSE(platform::audio_double::isOpen());
}

TEST_F(SoundTest, DeviceCanBeRefusedEvenWhereOneExists) {
    platform::audio_double::setAvailable(true);
    sound::testing::setDeviceAllowed(false);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    EXPECT_TRUE(sound::testing::usingSilentOutput());
    EXPECT_FALSE(platform::audio_double::isOpen());
}

TEST_F(SoundTest, SilentOutputAdvancesTheModuleInRealTime) {
    const std::string path = corpusPath("xm/pattern_loop_mpt.xm");
    const ModuleReference reference = ModuleReference::render(path, 13 * 44100);
    sound::testing::useManualClock(true);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_NE(module, nullptr);
    // Time passing before the module starts does not count for it.
    sound::testing::advanceManualClock(1500 * kMillisecond);
    ASSERT_TRUE(sound::playModule(module));
    // The frame at the speaker is the one real time has reached; the module
    // starts with the next one.
    EXPECT_EQ(sound::testing::speakerFrame(), 1500 * 441 / 10);
    const int64_t startFrame = sound::testing::framesRendered();
    EXPECT_EQ(startFrame, 1500 * 441 / 10 + 1);

    int64_t elapsedMicroseconds = 0;
    for (int step = 0; elapsedMicroseconds < 12'000'000; ++step) {
        const int64_t stepMicroseconds = 1000 + (step % 7) * 4321;
        sound::testing::advanceManualClock(stepMicroseconds);
        elapsedMicroseconds += stepMicroseconds;
        const int64_t speakerFrame = (1'500'000 + elapsedMicroseconds) * 44100 / 1'000'000;
        const ModulePosition answered{sound::getOrder(module), sound::getRow(module)};
        ASSERT_EQ(answered, reference.at(speakerFrame - startFrame)) << "after " << elapsedMicroseconds << " us";
    }
}

TEST_F(SoundTest, SilentOutputStandsStillWhileTheClockDoes) {
    sound::testing::useManualClock(true);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    sound::Module* module = sound::loadModule(corpusPath("xm/libxmp_test.xm").c_str());
    ASSERT_TRUE(sound::playModule(module));
    sound::testing::advanceManualClock(400 * kMillisecond);
    const int32_t row = sound::getRow(module);
    EXPECT_EQ(sound::getRow(module), row);
    EXPECT_EQ(sound::testing::speakerFrame(), 400 * 441 / 10);
}

// ---- score clock -------------------------------------------------------------------------

TEST_F(SoundTest, ScoreClockStartsAtTheFirstQuery) {
    sound::testing::useManualClock(true);
    sound::testing::advanceManualClock(5000 * kMillisecond);  // before the first query: not counted
    EXPECT_EQ(sound::getOrder(nullptr), 0);
    EXPECT_EQ(sound::getRow(nullptr), 0);
    sound::testing::advanceManualClock(119 * kMillisecond);
    EXPECT_EQ(sound::getRow(nullptr), 0);
    sound::testing::advanceManualClock(1 * kMillisecond);
    EXPECT_EQ(sound::getRow(nullptr), 1);  // 120 ms a row
}

TEST_F(SoundTest, ScoreClockHasSixtyFourRowsAnOrder) {
    sound::testing::useManualClock(true);
    EXPECT_EQ(sound::getRow(nullptr), 0);
    sound::testing::advanceManualClock(63 * 120 * kMillisecond);
    EXPECT_EQ(sound::getOrder(nullptr), 0);
    EXPECT_EQ(sound::getRow(nullptr), 63);
    sound::testing::advanceManualClock(120 * kMillisecond);
    EXPECT_EQ(sound::getOrder(nullptr), 1);
    EXPECT_EQ(sound::getRow(nullptr), 0);
    // Order 26, where the first scene hands over, comes after 26 * 64 rows.
    sound::testing::advanceManualClock((25 * 64 + 5) * 120 * kMillisecond);
    EXPECT_EQ(sound::getOrder(nullptr), 26);
    EXPECT_EQ(sound::getRow(nullptr), 5);
}

TEST_F(SoundTest, ScoreClockRunsWithAStreamAndWithoutInit) {
    sound::testing::useManualClock(true);
    EXPECT_EQ(sound::getRow(nullptr), 0);  // no init at all: music switched off
    sound::testing::advanceManualClock(1200 * kMillisecond);
    EXPECT_EQ(sound::getRow(nullptr), 10);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    EXPECT_EQ(sound::getRow(nullptr), 10);  // init does not restart it
    sound::close();
    EXPECT_EQ(sound::getRow(nullptr), 0);  // close does: a new run counts afresh
}

// The developer transport on a build without the module: pause holds the
// score clock, a jump moves it, and it runs on from there.
TEST_F(SoundTest, ScoreClockPausesAndJumpsForTheTransport) {
    sound::testing::useManualClock(true);
    sound::testing::advanceManualClock(1200 * kMillisecond);
    EXPECT_EQ(sound::moduleFrameAtSpeaker(nullptr), 0);  // the first query starts it
    sound::testing::advanceManualClock(1200 * kMillisecond);
    EXPECT_EQ(sound::getRow(nullptr), 10);
    ASSERT_TRUE(sound::setModulePaused(nullptr, true));
    sound::testing::advanceManualClock(5000 * kMillisecond);
    EXPECT_EQ(sound::getRow(nullptr), 10);
    EXPECT_EQ(sound::moduleFrameAtSpeaker(nullptr), 1200 * 441 / 10);

    const int64_t order5 = 5 * sound::ScoreRowsPerOrder * sound::ScoreRowFrames;
    ASSERT_TRUE(sound::setModulePosition(nullptr, 5, 0, order5 + 1));
    EXPECT_EQ(sound::moduleFrameAtSpeaker(nullptr), order5 + 1);
    sound::testing::advanceManualClock(1000 * kMillisecond);
    EXPECT_EQ(sound::getOrder(nullptr), 5) << "still paused";
    EXPECT_EQ(sound::getRow(nullptr), 0);
    ASSERT_TRUE(sound::setModulePaused(nullptr, false));
    sound::testing::advanceManualClock(120 * kMillisecond);
    EXPECT_EQ(sound::getOrder(nullptr), 5);
    EXPECT_EQ(sound::getRow(nullptr), 1);
    ASSERT_TRUE(sound::setModulePosition(nullptr, 2, 3, (2 * 64 + 3) * sound::ScoreRowFrames));
    EXPECT_EQ(sound::getOrder(nullptr), 2) << "playing: it runs on from the jump";
    EXPECT_EQ(sound::getRow(nullptr), 3);
    sound::testing::advanceManualClock(120 * kMillisecond);
    EXPECT_EQ(sound::getRow(nullptr), 4);
}

TEST_F(SoundTest, ScoreClockOnTheSystemClockMovesForward) {
    // The first query starts the clock at 0:0; the row may already have moved
    // by the next query on a busy machine (a row is 120 ms), the order not
    // for 7.68 s.
    const int32_t firstOrder = sound::getOrder(nullptr);
    EXPECT_EQ(firstOrder, 0);
    const int32_t first = firstOrder * 64 + sound::getRow(nullptr);
    const int32_t later = sound::getOrder(nullptr) * 64 + sound::getRow(nullptr);
    EXPECT_GE(later, first);
}

TEST_F(SoundTest, UnknownModuleHandleAnswersMinusOne) {
    ASSERT_TRUE(sound::init(44100, 32, 0));
    sound::Module* module = sound::loadModule(corpusPath("xm/libxmp_test.xm").c_str());
    ASSERT_TRUE(sound::freeModule(module));
    EXPECT_EQ(sound::getRow(module), -1);
    EXPECT_EQ(sound::getOrder(module), -1);
}

}  // namespace

TEST_F(SoundTest, LoadFailuresSayWhy) {
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    EXPECT_EQ(sound::loadModule(corpusPath("xm/no-such.xm").c_str()), nullptr);
    EXPECT_STREQ(sound::lastLoadError(), "No such file or directory");
    EXPECT_EQ(sound::loadModule(corpusPath("MANIFEST.md").c_str()), nullptr);
    EXPECT_EQ(std::string(sound::lastLoadError()).rfind("libopenmpt: ", 0), 0u) << sound::lastLoadError();
    EXPECT_EQ(sound::openStream(corpusPath("MANIFEST.md").c_str(), 0, 0), nullptr);
    EXPECT_EQ(std::string(sound::lastLoadError()).rfind("libsndfile: ", 0), 0u) << sound::lastLoadError();
    EXPECT_NE(sound::loadModule(corpusPath("xm/libxmp_test.xm").c_str()), nullptr);
    EXPECT_STREQ(sound::lastLoadError(), "");
}
