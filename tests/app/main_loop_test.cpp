// The main loop and the start of a run against the platform double.
#include <gmock/gmock.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/demo_system.h"
#include "shell_fixture.h"

using ::testing::ElementsAre;

namespace {

class MainLoopTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        registerWindowProc();
    }
};

platform::Message message(uint32_t code, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return platform::Message{code, wParam, lParam};
}

TEST_F(MainLoopTest, HandlesOneMessagePerPassAndEndsOnTheQuitCode) {
    scripted::queueMessage(message(platform::WM_KEYDOWN, 'A'));
    scripted::queueMessage(message(platform::WM_KEYUP, 'A'));
    scripted::queueMessage(message(platform::WM_CLOSE));
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_THAT(scripted::calls(),
                ElementsAre("peekMessage", "translateMessage(256)", "dispatchMessage(256)",  //
                            "peekMessage", "translateMessage(257)", "dispatchMessage(257)",  //
                            "peekMessage", "translateMessage(16)", "dispatchMessage(16)", "postQuitMessage(0)",
                            "peekMessage"));
}

TEST_F(MainLoopTest, ReturnsTheQuitMessagesCode) {
    scripted::queueMessage(message(platform::WM_QUIT, 7));
    EXPECT_EQ(runMainLoop(), 7);
    EXPECT_EQ(scripted::count("dispatchMessage"), 0) << "the quit message is not dispatched";
}

TEST_F(MainLoopTest, DrawsOneFrameOnEachPassWithNothingPending) {
    const int32_t framesBefore = demoSystem.frameCount;
    scripted::queueIdle(3);
    scripted::queueMessage(message(platform::WM_CLOSE));
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_EQ(scripted::count("swapBuffers"), 3);
    // Each frame: clock first, buffers swapped last.
    const int32_t firstSwap = scripted::indexOf("swapBuffers");
    const int32_t firstTick = scripted::indexOf("tickCount");
    ASSERT_GE(firstTick, 0);
    EXPECT_LT(firstTick, firstSwap);
    EXPECT_EQ(demoSystem.frameCount - framesBefore, 3);
}

// The double's fine timer moves only when the show sleeps or yields.
TEST_F(MainLoopTest, WithoutVsyncFramesFollowEachOtherWithoutWaiting) {
    scripted::queueIdle(5);
    scripted::queueMessage(message(platform::WM_CLOSE));
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_EQ(scripted::count("swapBuffers"), 5);
    EXPECT_EQ(scripted::count("sleepMs"), 0);
    EXPECT_EQ(scripted::counterUs(), 0u) << "the loop yielded";
    EXPECT_EQ(scripted::count("setSwapInterval"), 0);
}

TEST_F(MainLoopTest, WithVsyncFastFramesWaitOutTheRefreshPeriod) {
    vsyncPacing = true;
    scripted::queueIdle(5);
    scripted::queueMessage(message(platform::WM_CLOSE));
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_EQ(scripted::count("sleepMs"), 4) << "all but the first frame, which is never held";
    EXPECT_GE(scripted::counterUs(), 4 * framePeriodTicks(60, 1000000));
}

TEST_F(MainLoopTest, EscapeEndsTheLoopWithZeroOnAnIdlePass) {
    scripted::queueMessage(message(platform::WM_KEYDOWN, platform::VK_ESCAPE));
    scripted::queueIdle();
    scripted::queueMessage(message(platform::WM_CLOSE));
    // The last message retrieved carries 27; a normal end is still status 0.
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_EQ(scripted::count("swapBuffers"), 0);
    EXPECT_EQ(scripted::pendingMessages(), 1) << "the loop ended before the close";
}

TEST_F(MainLoopTest, AQuickEscapeQueuedWithItsReleaseStillEndsTheShow) {
    // Down and up both pending: the key is up before an idle pass looks, and
    // the press is seen all the same.
    scripted::queueMessage(message(platform::WM_KEYDOWN, platform::VK_ESCAPE));
    scripted::queueMessage(message(platform::WM_KEYUP, platform::VK_ESCAPE));
    scripted::queueIdle();
    scripted::queueMessage(message(platform::WM_CLOSE));
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_EQ(scripted::count("swapBuffers"), 0);
    EXPECT_EQ(scripted::count("postQuitMessage"), 0) << "ended by Escape, not by the close";
    EXPECT_EQ(scripted::pendingMessages(), 1);
}

TEST_F(MainLoopTest, MinimisedDrawsNothingTicksNothingAndIgnoresEscape) {
    scripted::queueMessage(message(platform::WM_ACTIVATE, platform::activateWParam(platform::WA_INACTIVE, true)));
    scripted::queueMessage(message(platform::WM_KEYDOWN, platform::VK_ESCAPE));
    scripted::queueIdle(5);
    scripted::queueMessage(message(platform::WM_ACTIVATE, platform::activateWParam(platform::WA_ACTIVE, false)));
    scripted::queueIdle();
    EXPECT_EQ(runMainLoop(), 0);

    const int32_t restored = scripted::indexOf("dispatchMessage", scripted::indexOf("dispatchMessage(256)") + 1);
    ASSERT_GT(restored, 0);
    for (int32_t i = 0; i < restored; ++i) {
        const std::string& call = scripted::calls()[static_cast<size_t>(i)];
        EXPECT_NE(call, "tickCount") << "the clock ticked while minimised";
        EXPECT_NE(call, "swapBuffers") << "a frame was drawn while minimised";
    }
    EXPECT_EQ(scripted::count("peekMessage"), 2 + 5 + 1 + 1);
    EXPECT_EQ(scripted::count("waitMessage(100)"), 5) << "each empty pass while minimised waits";
    EXPECT_EQ(scripted::pendingMessages(), 0);
}

// ---- exit status: 0 after a normal end, 1 when the show could not start ----

TEST_F(MainLoopTest, AWindowOrContextThatCannotBeSetUpEndsTheRunWithOneBeforeAnyLoading) {
    for (const scripted::Step step : {scripted::Step::RegisterWindowClass, scripted::Step::ChoosePixelFormat,
                                      scripted::Step::CreateWindow, scripted::Step::GetDeviceContext,
                                      scripted::Step::SetPixelFormat, scripted::Step::CreateRenderingContext,
                                      scripted::Step::MakeCurrent}) {
        SetUp();
        scripted::fail(step);
        EXPECT_EQ(runShow(), 1) << "failing step " << static_cast<int>(step);
        EXPECT_EQ(scripted::boxes().size(), 1u) << "the user is told why";
        EXPECT_EQ(scripted::count("tickCount"), 0) << "nothing was loaded";
        EXPECT_EQ(scripted::count("peekMessage"), 0);
        EXPECT_FALSE(musicPlayer.playing);
    }
}

TEST_F(MainLoopTest, RefusedFullScreenAnsweredNoExitsTheProcessWithOne) {
    demoConfig.fullscreen = true;
    scripted::fail(scripted::Step::ChangeDisplayMode);
    scripted::queueAnswer(platform::BoxAnswer::No);
    EXPECT_EXIT(std::exit(runShow()), ::testing::ExitedWithCode(1), "");
}

// Run where there is no data/: the loader's box and line, then status 1.
// The window is open by then: its swap intervals asked for are said too.
[[noreturn]] void runShowWithoutData(const ShowOptions& options = {}) {
    const std::string empty = ::testing::TempDir() + "no-data-XXXXXX";
    std::vector<char> name(empty.begin(), empty.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr || chdir(name.data()) != 0) std::_Exit(3);
    std::atexit([] {
        std::fprintf(stderr, "swap intervals asked: %d\n", scripted::count("setSwapInterval"));
        for (const scripted::Box& box : scripted::boxes()) {
            std::fprintf(stderr, "box: %s / %s\n", box.caption.c_str(), box.text.c_str());
        }
    });
    std::exit(runShow(options));
}

TEST_F(MainLoopTest, AnObjectThatFailsToLoadEndsTheProcessWithOneAfterItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runShowWithoutData(), ::testing::ExitedWithCode(1),
                "tessaline: object 'data/tessaline/objects/heart.lwo' not loaded: No such file or directory\n"
                "(.|\n)*box: ReadLWOB / LWOB not found\n$");
}

TEST_F(MainLoopTest, OnlyTheVsyncOptionAsksForASwapInterval) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ShowOptions vsync;
    vsync.vsync = true;
    EXPECT_EXIT(runShowWithoutData(vsync), ::testing::ExitedWithCode(1), "swap intervals asked: 1\n");
    EXPECT_EXIT(runShowWithoutData(), ::testing::ExitedWithCode(1), "swap intervals asked: 0\n");
}

TEST_F(MainLoopTest, WithoutMusicFramesAreOpenedAllTheSame) {
    demoConfig.musicEnabled = false;
    startMusic();
    EXPECT_TRUE(musicPlayer.playing);
    stopMusic();
    EXPECT_TRUE(musicPlayer.playing);
}

}  // namespace
