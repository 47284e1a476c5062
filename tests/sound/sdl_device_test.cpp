// The real layer on SDL2's audio, with SDL's "dummy" driver: a real audio
// thread that consumes sound in real time and plays it nowhere. Checks that
// hold whatever the machine's speed: the answered position is always one the
// module has at a frame between the speaker frames read just before and just
// after the query.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/audio_device.h"
#include "sound/offline_render.h"
#include "sound/sound.h"
#include "sound/sound_test_hooks.h"
#include "test_paths.h"

namespace {

using sound::ModulePosition;

class SdlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { sound::testing::resetHooks(); }
    void TearDown() override { sound::testing::resetHooks(); }
};

// Waits (a bounded time) until the speaker has passed frame.
bool waitForSpeaker(int64_t frame) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sound::testing::speakerFrame() < frame) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST_F(SdlDeviceTest, AnswersFollowTheSpeakerOnARealAudioThread) {
    const std::string path = corpusPath("xm/pattern_jump_ft2_break.xm");  // speed 1: a row every 50 ms
    sound::OfflineRender offline(path, -1);
    ASSERT_TRUE(offline.ok());
    std::vector<int16_t> samples;
    std::vector<ModulePosition> reference;
    offline.render(3 * 44100, samples, reference);

    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    ASSERT_FALSE(sound::testing::usingSilentOutput()) << "SDL's dummy audio driver did not open";
    sound::Module* module = sound::loadModule(path.c_str());
    ASSERT_NE(module, nullptr);
    // The module starts with the first callback after it is added.
    const int64_t earliestStart = sound::testing::framesRendered();
    ASSERT_TRUE(sound::playModule(module));
    const int64_t latestStart = sound::testing::framesRendered();

    int64_t queries = 0;
    int64_t lastRowIndex = -1;
    int rowsSeen = 0;
    while (sound::testing::speakerFrame() < earliestStart + 2 * 44100) {
        const int64_t before = sound::testing::speakerFrame();
        const int32_t row = sound::getRow(module);
        const int64_t after = sound::testing::speakerFrame();
        ASSERT_LE(before, after);
        // The row must be one the module has somewhere between the two
        // speaker frames, whichever of its possible start frames it took.
        bool found = false;
        for (int64_t f = before - latestStart; f <= after - earliestStart && !found; ++f) {
            found = f < 0 ? row == 0 : reference.at(static_cast<size_t>(f)).row == row;
        }
        ASSERT_TRUE(found) << "row " << row << " between speaker frames " << before << " and " << after;
        if (row != lastRowIndex) {
            ++rowsSeen;
            lastRowIndex = row;
        }
        ++queries;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // 40 rows pass in the 2 s; a query loop woken only once a second (a
    // loaded machine) still sees the row move.
    EXPECT_GE(rowsSeen, 2);
    EXPECT_GT(queries, 0);
}

TEST_F(SdlDeviceTest, StreamAndModuleCloseWhileTheThreadRuns) {
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    sound::Module* module = sound::loadModule(corpusPath("xm/libxmp_test.xm").c_str());
    ASSERT_TRUE(sound::playModule(module));
    ASSERT_TRUE(waitForSpeaker(sound::testing::framesRendered() + 4410));
    ASSERT_TRUE(sound::freeModule(module));  // freed under the running thread
    ASSERT_TRUE(waitForSpeaker(sound::testing::speakerFrame() + 4410));
    sound::close();
    EXPECT_FALSE(sound::testing::usingSilentOutput());
}

// SDL's audio thread held off its callback for a second (as a suspend or a
// debugger does): the position stands once what was buffered has played,
// the device stays, and when the thread goes again the music goes on from
// there: a second later the position has moved by a second, not by two.
TEST_F(SdlDeviceTest, AHeldCallbackPausesThePositionAndTheMusicComesBack) {
    ASSERT_TRUE(sound::init(44100, 32, sound::InitGlobalFocus));
    ASSERT_FALSE(sound::testing::usingSilentOutput()) << "SDL's dummy audio driver did not open";
    sound::Module* module = sound::loadModule(corpusPath("xm/libxmp_test.xm").c_str());
    ASSERT_TRUE(sound::playModule(module));
    ASSERT_TRUE(waitForSpeaker(sound::testing::framesRendered() + 4410));

    const int64_t frameAtHold = sound::testing::speakerFrame();
    platform::holdAudioCallback(true);
    const auto heldAt = std::chrono::steady_clock::now();
    int64_t last = frameAtHold;
    while (std::chrono::steady_clock::now() - heldAt < std::chrono::seconds(1)) {
        const int64_t frame = sound::testing::speakerFrame();
        ASSERT_GE(frame, last);
        last = frame;
        ASSERT_GE(sound::getRow(module), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(sound::testing::usingSilentOutput()) << "a gap is not a loss";
    // What the device held (two buffers) and one more a busy machine may
    // have had in flight: far from the second that passed.
    EXPECT_LE(last - frameAtHold, 3 * 1024 + 441) << "no further than what the device held";

    platform::holdAudioCallback(false);
    const auto releasedAt = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const double sinceRelease = std::chrono::duration<double>(std::chrono::steady_clock::now() - releasedAt).count();
    const int64_t moved = sound::testing::speakerFrame() - last;
    std::printf("position after a 1 s hold: moved %.3f s in %.3f s since the release\n", moved / 44100.0,
                sinceRelease);
    // At most real time since the release and what the device held: not the
    // held second counted as well (moved would be about 2 s). More than the
    // device's buffers (0.09 s): the music goes on. It moves about 1 s here,
    // a tenfold margin for an audio thread slowed by a loaded machine.
    EXPECT_LE(moved, static_cast<int64_t>((sinceRelease + 0.25) * 44100));
    EXPECT_GT(moved, 4 * 1024);
    EXPECT_FALSE(sound::testing::usingSilentOutput());
    ASSERT_TRUE(sound::freeModule(module));
    sound::close();
}

}  // namespace
