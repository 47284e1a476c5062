// The frame clock and the frame-rate title with scripted tick counts.
#include <gmock/gmock.h>

#include "core/demo_config.h"
#include "core/demo_system.h"
#include "platform/null/platform_double.h"

using ::testing::ElementsAre;

namespace {

namespace scripted = platform::scripted;

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedConfig = demoConfig;
        scripted::reset();
    }
    void TearDown() override { demoConfig = savedConfig; }
    DemoConfig savedConfig{};
};

// One tick with the clock standing at `now` for all of its readings.
void tickAt(DemoSystem& clock, uint32_t now) {
    scripted::setClock(now);
    clock.tick();
}

TEST_F(ClockTest, ConstructionStartsBothIntervalsFromOneReading) {
    scripted::queueTicks({5000});
    {
        DemoSystem clock;
        EXPECT_EQ(clock.lastFrameTick, 5000u);
        EXPECT_EQ(clock.lastFpsTick, 5000u);
        EXPECT_EQ(clock.frameCount, 0);
        EXPECT_FLOAT_EQ(clock.version, 0.1f);
        EXPECT_EQ(scripted::count("tickCount"), 1);
        EXPECT_EQ(scripted::count("localTime"), 1);
    }
    EXPECT_EQ(scripted::count("localTime"), 2) << "the end banner reads the time again";
}

TEST_F(ClockTest, TickTakesSeparateReadingsForEachStep) {
    scripted::queueTicks({1000});
    DemoSystem clock;
    scripted::queueTicks({1040, 1045, 1050});
    EXPECT_EQ(clock.tick(), 0);
    EXPECT_EQ(clock.frameTime, 40u);
    EXPECT_EQ(clock.lastFrameTick, 1045u) << "the second reading, not the first";
    EXPECT_EQ(clock.frameCount, 1);
    EXPECT_EQ(scripted::count("tickCount"), 4);
    EXPECT_TRUE(scripted::titles().empty());
}

TEST_F(ClockTest, FrameTimeSurvivesTheTickCountWrapping) {
    scripted::queueTicks({0xFFFFFFF0u});
    DemoSystem clock;
    scripted::queueTicks({0x10u, 0x12u, 0x14u});
    clock.tick();
    EXPECT_EQ(clock.frameTime, 0x20u);
    EXPECT_TRUE(scripted::titles().empty()) << "36 ms across the wrap is not a second";
}

TEST_F(ClockTest, FpsIntervalSurvivesTheTickCountWrapping) {
    scripted::queueTicks({0xFFFFFF00u});
    DemoSystem clock;
    tickAt(clock, 0x2E8u);  // 1000 ms later
    EXPECT_TRUE(scripted::titles().empty());
    tickAt(clock, 0x2E9u);
    EXPECT_THAT(scripted::titles(), ElementsAre("we luv you! - fps: 1"));
    EXPECT_EQ(clock.lastFpsTick, 0x2E9u);
}

TEST_F(ClockTest, TitleWaitsUntilStrictlyMoreThanASecond) {
    scripted::queueTicks({0});
    DemoSystem clock;
    tickAt(clock, 500);
    tickAt(clock, 1000);
    EXPECT_TRUE(scripted::titles().empty());
    tickAt(clock, 1001);
    EXPECT_THAT(scripted::titles(), ElementsAre("we luv you! - fps: 2"));
    EXPECT_EQ(clock.frameCount, 1) << "the updating frame starts the next count";
}

TEST_F(ClockTest, FirstTickAfterALongStartShowsZeroAndTheWholeSpan) {
    scripted::queueTicks({100});
    DemoSystem clock;
    tickAt(clock, 4100);
    EXPECT_EQ(clock.frameTime, 4000u) << "loading time is the first frame's elapsed time";
    EXPECT_THAT(scripted::titles(), ElementsAre("we luv you! - fps: 0"));
    EXPECT_FLOAT_EQ(clock.fps, 0.0f);
}

TEST_F(ClockTest, AnIntervalLongerThanASecondShowsEveryFrameDrawnInIt) {
    scripted::queueTicks({0});
    DemoSystem clock;
    for (uint32_t now : {400u, 800u, 1200u}) {
        tickAt(clock, now);
    }
    for (uint32_t now : {1500u, 2100u, 2300u}) {
        tickAt(clock, now);
    }
    // 1200 closes the first interval (2 frames before it); 2300 the second
    // (1200, 1500 and 2100), 1100 ms long: the count is not scaled.
    EXPECT_THAT(scripted::titles(), ElementsAre("we luv you! - fps: 2", "we luv you! - fps: 3"));
    EXPECT_FLOAT_EQ(clock.fps, 3.0f);
}

TEST_F(ClockTest, AfterMinimisingTheFirstFrameGetsTheWholeGap) {
    scripted::queueTicks({0});
    DemoSystem clock;
    tickAt(clock, 16);
    tickAt(clock, 90016);  // no ticks while minimised
    EXPECT_EQ(clock.frameTime, 90000u);
}

TEST_F(ClockTest, TitleStartsWithTheConfiguredTitle) {
    demoConfig.title = "tessaline";
    scripted::queueTicks({0});
    DemoSystem clock;
    tickAt(clock, 2000);
    EXPECT_THAT(scripted::titles(), ElementsAre("tessaline - fps: 0"));
}

TEST_F(ClockTest, LogWritesNothingAnywhere) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        DemoSystem clock;
        clock.log("MAIN: Objects loaded in %.2f seconds.\n\n\n", 1.5);
        clock.log("%s", "");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
