// Frame pacing on the double's scripted fine timer (microseconds).
#include <gmock/gmock.h>

#include "app/frame_pacer.h"
#include "platform/null/platform_double.h"

namespace scripted = platform::scripted;

namespace {

constexpr uint64_t periodUs60Hz = 1000000 / 61;  // paced one refresh a second above the reported rate

class FramePacerTest : public ::testing::Test {
protected:
    void SetUp() override {
        scripted::reset();
        pacer.endFrame(60);  // the first frame is never held
    }
    // One frame that draws for drawUs, then paced.
    void frame(uint64_t drawUs, int32_t refreshHz = 60) {
        scripted::advanceCounter(drawUs);
        pacer.endFrame(refreshHz);
    }
    FramePacer pacer;
};

TEST_F(FramePacerTest, ThePeriodFollowsTheReportedRateOrSixtyHertz) {
    EXPECT_EQ(framePeriodTicks(60, 1000000), periodUs60Hz);
    EXPECT_EQ(framePeriodTicks(0, 1000000), periodUs60Hz) << "none reported";
    EXPECT_EQ(framePeriodTicks(144, 1000000), 1000000u / 145);
    EXPECT_EQ(framePeriodTicks(59, 10000000), 10000000u / 60) << "Windows' 59 Hz for 59.94";
}

TEST_F(FramePacerTest, FastFramesSleepMostOfThePeriodAndKeepItsCadence) {
    EXPECT_EQ(scripted::count("sleepMs"), 0);
    for (int i = 0; i < 10; ++i) {
        frame(2000);
    }
    // 16.39 ms less 2 ms drawn: 14 whole ms, all but the last slept.
    EXPECT_EQ(scripted::count("sleepMs(13)"), 10);
    EXPECT_GE(scripted::counterUs(), 10 * periodUs60Hz);
    EXPECT_LT(scripted::counterUs(), 10 * periodUs60Hz + 2000 + 10);

    // Sleeps that overrun by most of a millisecond are not added up.
    scripted::setTimerCosts(900, 10);
    const uint64_t before = scripted::counterUs();
    for (int i = 0; i < 10; ++i) {
        frame(2000);
    }
    EXPECT_LT(scripted::counterUs() - before, 10 * periodUs60Hz + 2000 + 10);
}

TEST_F(FramePacerTest, ASlowFrameIsNotHeldNorMadeUpAfter) {
    frame(20000, 60);  // longer than the period, as where the swap waits for the refresh
    EXPECT_EQ(scripted::count("sleepMs"), 0);
    const uint64_t lateEnd = scripted::counterUs();
    frame(1000, 100);
    EXPECT_EQ(scripted::count("sleepMs(7)"), 1) << "9.9 ms at 100 Hz, 1 ms drawn";
    EXPECT_GE(scripted::counterUs() - lateEnd, 1000000u / 101);
    EXPECT_LT(scripted::counterUs() - lateEnd, 1000000u / 101 + 20);
}

}  // namespace
