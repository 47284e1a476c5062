// A device lost mid-show, on the simulated device: the position carries on in
// real time from the frame last heard, never back, never standing still, and
// every answer is the module's position at that frame (cues on time).
#include <cstdlib>

#include "sound_fixture.h"
#include "test_paths.h"

namespace {

using sound::ModulePosition;

constexpr int64_t kStepMicroseconds = 10000;  // a query every 10 ms, as a show at 100 fps
constexpr int64_t kStepFrames = 441;          // 10 ms at 44.1 kHz

class DeviceLossTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        sound::testing::useManualClock(true);
        openOnDevice(1024);
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
        elapsedFrames += kStepFrames;
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

    const std::string path = corpusPath("xm/pattern_jump_ft2_break.xm");  // a row every 50 ms
    const ModuleReference reference = ModuleReference::render(path, 8 * 44100);
    sound::Module* module = nullptr;
    int64_t startFrame = 0;
    int64_t elapsedFrames = 0;  // real time since init, in frames
    int64_t lastFrame = 0;
};

TEST_F(DeviceLossTest, RemovedDeviceHandsOverToRealTimeFromTheFrameHeard) {
    steps(200);
    const int64_t heard = lastFrame;
    ASSERT_EQ(heard, platform::audio_double::framesPlayed());
    ASSERT_FALSE(sound::testing::deviceLost());

    platform::audio_double::remove();
    for (int i = 1; i <= 300 && !HasFailure(); ++i) {
        // Exactly real time from the frame last heard: no jump, no freeze.
        ASSERT_EQ(step(), heard + i * kStepFrames);
    }
    EXPECT_TRUE(sound::testing::deviceLost());
    EXPECT_TRUE(sound::testing::usingSilentOutput());
    EXPECT_TRUE(platform::audio_double::isOpen()) << "closed by close(), not by the loss";
    EXPECT_TRUE(sound::freeModule(module));
    sound::close();
    EXPECT_FALSE(platform::audio_double::isOpen());
}

TEST_F(DeviceLossTest, StalledCallbackIsALossAfterAQuarterSecond) {
    steps(100);
    // A stall shorter than the limit is sat out on the device.
    platform::audio_double::setStalled(true);
    steps(20);
    EXPECT_FALSE(sound::testing::deviceLost());
    platform::audio_double::setStalled(false);
    steps(100);
    ASSERT_FALSE(sound::testing::deviceLost());

    // A longer one: what the device held plays out, then the position keeps
    // real time from the moment the sound stopped (within one query).
    const int64_t atStall = lastFrame;
    const int64_t elapsedAtStall = elapsedFrames;
    platform::audio_double::setStalled(true);
    int stepsToLoss = 0;
    while (!sound::testing::deviceLost() && stepsToLoss < 100 && !HasFailure()) {
        step();
        ++stepsToLoss;
    }
    EXPECT_GE(stepsToLoss, 23);  // 250 ms less the part of a buffer played before the stall
    EXPECT_LE(stepsToLoss, 26);
    for (int i = 0; i < 200 && !HasFailure(); ++i) {
        const int64_t frame = step();
        EXPECT_LE(std::llabs(frame - (atStall + elapsedFrames - elapsedAtStall)), kStepFrames);
    }

    // The device waking up changes nothing: the show stays on the silent
    // output, and the device is handed silence.
    platform::audio_double::setStalled(false);
    const size_t capturedBefore = platform::audio_double::captured().size();
    const int64_t before = lastFrame;
    steps(50);
    EXPECT_EQ(lastFrame, before + 50 * kStepFrames);
    const std::vector<int16_t>& captured = platform::audio_double::captured();
    ASSERT_GT(captured.size(), capturedBefore + 2 * 2048);
    for (size_t i = capturedBefore + 2 * 2048; i < captured.size(); ++i) {
        ASSERT_EQ(captured[i], 0) << "the mixer is no longer the device's";
    }
}

}  // namespace
