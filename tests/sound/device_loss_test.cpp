// Gaps and removals on the simulated device: a callback gap pauses the music
// heard and it goes on when the callbacks come back, a gap past the bound or
// a removed device hands over to real time and a new device takes the music
// on, opened where the show's thread never waits for it, and the silent
// output's catch-up after a long wait is bounded. Every answer is the
// module's position at the frame at the speaker (cues on the heard beat).
#include <chrono>
#include <cstdlib>
#include <thread>

#include "sound_fixture.h"
#include "test_paths.h"

namespace {

using sound::ModulePosition;

constexpr int64_t kStepMicroseconds = 10000;  // a query every 10 ms, as a show at 100 fps
constexpr int64_t kStepFrames = 441;          // 10 ms at 44.1 kHz
constexpr int32_t kBufferFrames = 1024;

class DeviceLossTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        sound::testing::useManualClock(true);
        openOnDevice(kBufferFrames);
        module = sound::loadModule(path.c_str());
        ASSERT_NE(module, nullptr);
        ASSERT_TRUE(sound::playModule(module));
        startFrame = sound::testing::framesRendered();
    }

    // Real time and the device move on together by one step; then the show's
    // query. Checks the answer against the module at the frame at the speaker
    // and that the frame never goes back. Returns that frame.
    int64_t step() {
        sound::testing::advanceManualClock(kStepMicroseconds);
        platform::audio_double::advance(kStepFrames);
        const int64_t frame = sound::testing::speakerFrame();
        const ModulePosition answered{sound::getOrder(module), sound::getRow(module)};
        EXPECT_GE(frame, lastFrame) << "the position went back";
        EXPECT_EQ(answered, reference.at(frame - startFrame)) << "at frame " << frame;
        lastFrame = frame;
        return frame;
    }
    void steps(int count) {
        for (int i = 0; i < count && !HasFailure(); ++i) step();
    }
    // A step, then whatever the device worker was asked for is done.
    int64_t stepAndSettle() {
        const int64_t frame = step();
        EXPECT_TRUE(sound::testing::waitDeviceAttempt(10000));
        return frame;
    }
    // What the device played from capturedFrom on is the module from module
    // frame moduleFrom on, for frameCount frames.
    void expectHeard(size_t capturedFrom, int64_t moduleFrom, int64_t frameCount) {
        const std::vector<int16_t>& heard = platform::audio_double::captured();
        ASSERT_GE(heard.size(), capturedFrom + static_cast<size_t>(frameCount) * 2);
        const auto first = reference.samples.begin() + moduleFrom * 2;
        EXPECT_TRUE(std::equal(first, first + frameCount * 2, heard.begin() + static_cast<ptrdiff_t>(capturedFrom)))
            << "the sound heard is not the module from frame " << moduleFrom;
    }

    // Just after a device was taken: it plays out the silence it holds, then
    // the music from the mixer's next frame on; the position heard waits for
    // the silence and never goes back.
    void expectMusicGoesOnAfterTheSilenceHeld() {
        const int64_t held = platform::audioDevicePosition().framesBuffered;
        const size_t capturedFrom = platform::audio_double::captured().size() + static_cast<size_t>(held) * 2;
        const int64_t takenAt = sound::testing::framesRendered();
        steps(100);
        EXPECT_EQ(lastFrame, takenAt + 100 * kStepFrames - held);
        expectHeard(capturedFrom, takenAt - startFrame, 100 * kStepFrames - held);
    }

    const std::string path = corpusPath("xm/pattern_jump_ft2_break.xm");  // a row every 50 ms
    const ModuleReference reference = ModuleReference::render(path, 12 * 44100);
    sound::Module* module = nullptr;
    int64_t startFrame = 0;
    int64_t lastFrame = 0;
};

TEST_F(DeviceLossTest, ACallbackGapPausesTheMusicAndItGoesOnWhenTheCallbacksComeBack) {
    steps(100);
    const int64_t atStall = lastFrame;
    platform::audio_double::setStalled(true);
    steps(100);  // one second without a callback
    // What the device held played out; from then on the position stands.
    EXPECT_LE(lastFrame, atStall + 2 * kBufferFrames);
    const int64_t stood = lastFrame;
    EXPECT_EQ(step(), stood) << "the heard position stands through the gap";
    EXPECT_FALSE(sound::testing::deviceLost());
    EXPECT_FALSE(sound::testing::usingSilentOutput()) << "a gap keeps the device";

    platform::audio_double::setStalled(false);
    for (int i = 1; i <= 200 && !HasFailure(); ++i) {
        ASSERT_EQ(step(), stood + i * kStepFrames) << "on again with the sound, from where it stood";
    }
    // Nothing skipped and nothing silent: the device played the module
    // straight through, the gap aside.
    ASSERT_EQ(lastFrame, platform::audio_double::framesPlayed());
    expectHeard(static_cast<size_t>(startFrame) * 2, 0, lastFrame - startFrame);
}

TEST_F(DeviceLossTest, ASeekDuringAStallIsHeardWhenTheCallbacksComeBack) {
    steps(50);
    platform::audio_double::setStalled(true);
    const ModulePosition target = reference.at(5 * 44100);
    int64_t targetFrame = 5 * 44100;
    while (targetFrame > 0 && reference.at(targetFrame - 1) == target) --targetFrame;
    ASSERT_TRUE(sound::setModulePosition(module, target.order, target.row, targetFrame));
    ASSERT_TRUE(sound::testing::waitJumpPrepared(module, 10000));
    for (int i = 0; i < 100; ++i) {
        sound::testing::advanceManualClock(kStepMicroseconds);
        platform::audio_double::advance(kStepFrames);
        ASSERT_EQ(sound::moduleFrameAtSpeaker(module), targetFrame) << "taken as heard there already";
    }
    platform::audio_double::setStalled(false);
    const int64_t resumed = sound::testing::speakerFrame();
    for (int i = 0; i < 100; ++i) {
        sound::testing::advanceManualClock(kStepMicroseconds);
        platform::audio_double::advance(kStepFrames);
    }
    const int64_t heard = sound::testing::speakerFrame();
    const int64_t moduleFrame = sound::moduleFrameAtSpeaker(module);
    EXPECT_EQ(moduleFrame, targetFrame + heard - resumed) << "heard from the first buffer after the gap";
    // The jump starts its row on a chunk of its own: the rows that follow
    // may change up to a chunk from where the render from the start has them.
    const ModulePosition answered{sound::getOrder(module), sound::getRow(module)};
    EXPECT_TRUE(answered == reference.at(moduleFrame) || answered == reference.at(moduleFrame - 32) ||
                answered == reference.at(moduleFrame + 32))
        << answered.order << ":" << answered.row;
}

TEST_F(DeviceLossTest, ARemovedDeviceHandsOverToRealTimeAndANewOneTakesTheMusicOn) {
    steps(200);
    const int64_t heard = lastFrame;
    ASSERT_EQ(heard, platform::audio_double::framesPlayed());

    platform::audio_double::remove();
    platform::audio_double::setAvailable(false);  // nothing to go to for three seconds
    for (int i = 1; i <= 300 && !HasFailure(); ++i) {
        // Exactly real time from the frame last heard: no jump, no freeze.
        ASSERT_EQ(stepAndSettle(), heard + i * kStepFrames);
    }
    EXPECT_TRUE(sound::testing::deviceLost());
    EXPECT_TRUE(sound::testing::usingSilentOutput());
    EXPECT_FALSE(platform::audio_double::isOpen()) << "the removed device is closed";

    // Speakers take over: within a second the default device is open again
    // and plays the music from where real time has brought it.
    platform::audio_double::setAvailable(true);
    int stepsToReopen = 0;
    while (sound::testing::usingSilentOutput() && stepsToReopen < 200 && !HasFailure()) {
        stepAndSettle();
        ++stepsToReopen;
    }
    EXPECT_LE(stepsToReopen, 102);
    ASSERT_TRUE(platform::audio_double::isOpen());
    EXPECT_FALSE(sound::testing::deviceLost());
    expectMusicGoesOnAfterTheSilenceHeld();
}

// A device that stops calling back and never comes back: the position stands
// for the bound, then the music goes on in real time from where it stood.
TEST_F(DeviceLossTest, AGapPastTheBoundLosesTheDeviceAndTheMusicGoesOnFromWhereItStood) {
    steps(100);
    platform::audio_double::setStalled(true);
    platform::audio_double::setAvailable(false);  // nothing to go to
    steps(10);  // what the device held plays out
    const int64_t stood = lastFrame;
    int stoodSteps = 0;
    while (!sound::testing::deviceLost() && stoodSteps < 1000 && !HasFailure()) {
        ASSERT_EQ(stepAndSettle(), stood) << "the heard position stands through the gap";
        ++stoodSteps;
    }
    ASSERT_TRUE(sound::testing::deviceLost()) << "a device silent for " << stoodSteps * 10 << " ms is still waited for";
    EXPECT_LE(stoodSteps, 300) << "a few seconds at most";
    EXPECT_TRUE(sound::testing::usingSilentOutput());
    EXPECT_FALSE(platform::audio_double::isOpen()) << "the silent device is closed";
    for (int i = 1; i <= 200 && !HasFailure(); ++i) {
        ASSERT_EQ(stepAndSettle(), stood + i * kStepFrames) << "real time from the frame that stood";
    }
    // Another device takes the music on as after a removal.
    platform::audio_double::setAvailable(true);
    for (int i = 0; i < 102 && sound::testing::usingSilentOutput(); ++i) stepAndSettle();
    ASSERT_FALSE(sound::testing::usingSilentOutput());
    expectMusicGoesOnAfterTheSilenceHeld();
}

// A sound server that does not answer: the show's thread goes on answering
// in real time while the open waits elsewhere, and takes the device once it
// has opened.
TEST_F(DeviceLossTest, TheShowsThreadNeverWaitsForADeviceToOpen) {
    steps(100);
    const int32_t opensHere = platform::audio_double::openCallsOnThisThread();
    platform::audio_double::holdOpens(true);
    platform::audio_double::remove();
    const int64_t heard = lastFrame;
    for (int i = 1; i <= 300 && !HasFailure(); ++i) {
        ASSERT_EQ(step(), heard + i * kStepFrames) << "the frames go on while the device opens";
    }
    EXPECT_EQ(platform::audio_double::openCallsOnThisThread(), opensHere) << "a device was opened on the show's thread";
    platform::audio_double::holdOpens(false);
    ASSERT_TRUE(sound::testing::waitDeviceAttempt(10000));
    stepAndSettle();
    EXPECT_FALSE(sound::testing::usingSilentOutput()) << "the opened device is taken";
    expectMusicGoesOnAfterTheSilenceHeld();
}

// A sound server that never answers an open: closing the layer (the show's
// Escape) returns while the open still waits, without ending the backend
// under it, and a new init meanwhile plays on the silent output. When the
// server answers, after the show has ended, the worker closes the device it
// opened without starting it, and ends.
TEST_F(DeviceLossTest, ClosingWhileADeviceOpensWaitsForNoDeviceAndLeavesNoneOpen) {
    steps(10);
    platform::audio_double::holdOpens(true);
    platform::audio_double::remove();
    step();
    ASSERT_TRUE(platform::audio_double::waitForHeldOpen(10000)) << "no open under way";
    sound::close();
    EXPECT_TRUE(platform::audio_double::openHeld()) << "close waited for the open";
    EXPECT_TRUE(sound::testing::deviceWorkerLeftBehind());
    EXPECT_TRUE(platform::audio_double::backendStarted()) << "the backend was ended under the open";
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    EXPECT_TRUE(sound::testing::usingSilentOutput());
    sound::close();

    platform::audio_double::holdOpens(false);
    ASSERT_TRUE(sound::testing::waitDeviceWorkerEnded(10000));
    EXPECT_FALSE(platform::audio_double::isOpen());
    EXPECT_EQ(platform::audio_double::callbackCount(), 0) << "the device called back into a closed layer";
    EXPECT_EQ(platform::audio_double::backendStopsUnderACall(), 0);
}

// The same server, and the process ends after the close (the show's Escape)
// with the open still waiting: status 0, nothing torn down under the worker.
TEST_F(DeviceLossTest, EscapeEndsTheProcessWithStatusZeroWhileAnOpenNeverAnswers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            steps(10);
            platform::audio_double::holdOpens(true);
            platform::audio_double::remove();
            step();
            if (!platform::audio_double::waitForHeldOpen(10000)) std::exit(3);
            sound::close();
            std::exit(platform::audio_double::openHeld() ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SoundTest, AnHourAwayFromTheSilentOutputCostsOneBoundedCatchUp) {
    const std::string path = corpusPath("xm/pattern_jump_ft2_break.xm");
    const ModuleReference reference = ModuleReference::render(path, 8 * 44100);
    sound::testing::useManualClock(true);
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_TRUE(sound::playModule(module));
    const int64_t startFrame = sound::testing::framesRendered();
    sound::testing::advanceManualClock(1'000'000);
    ASSERT_EQ(sound::testing::speakerFrame(), startFrame - 1 + 44100);

    // Minimised for an hour: no query, then the first frame after restoring.
    sound::testing::advanceManualClock(3600LL * 1'000'000);
    const int64_t before = sound::testing::framesRendered();
    const int64_t restored = sound::testing::speakerFrame();
    EXPECT_LE(sound::testing::framesRendered() - before, 2 * 44100 + 1) << "at most 2 s rendered in one query";
    EXPECT_EQ(restored, startFrame - 1 + 3 * 44100) << "the rest of the hour is a gap";
    // Real time from there, on the module's own positions.
    for (int i = 1; i <= 100; ++i) {
        sound::testing::advanceManualClock(10'000);
        ASSERT_EQ(sound::testing::speakerFrame(), restored + i * 441);
        ASSERT_EQ((ModulePosition{sound::getOrder(module), sound::getRow(module)}),
                  reference.at(restored + i * 441 - startFrame));
    }
}

}  // namespace
