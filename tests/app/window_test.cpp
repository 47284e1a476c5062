// Opening and closing the window against the platform double: the order of
// acquisition and release, every failure's message, and the window procedure.
#include <gmock/gmock.h>

#include "app/window.h"
#include "shell_fixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr const char* fullscreenQuestion =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

using WindowTest = ShellTest;

TEST_F(WindowTest, FullScreenOpensInOrderWithTheRequestedFormat) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true));
    EXPECT_THAT(scripted::calls(),
                ElementsAre("registerWindowClass", "changeDisplayMode(640,480,32)", "showCursor(0)",
                            "adjustWindowRect(popup)", "choosePixelFormat(32,1,32,16,1,1)",
                            "createWindow(we luv you!,0,0,640,480,popup)", "getDeviceContext",
                            "setPixelFormat(1)", "createRenderingContext", "makeCurrent(1)", "showWindow", "setForegroundWindow", "setFocus",
                            "showCursor(0)", "swapBuffers"));
    EXPECT_TRUE(scripted::boxes().empty());
    EXPECT_TRUE(demoConfig.fullscreen);
    EXPECT_TRUE(scripted::contextCurrent());
    EXPECT_LT(scripted::cursorCounter(), 0) << "full screen hides the cursor";
    EXPECT_FALSE(scripted::screenSaverAllowed());
    EXPECT_FALSE(letterboxed);
}

TEST_F(WindowTest, ADisplayWithoutAccumulationOrStencilStillGetsAWindow) {
    platform::PixelFormat best;
    best.accumBits = 0;
    best.stencilBits = 0;
    scripted::offerFormatsUpTo(best);
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true));
    EXPECT_EQ(scripted::count("setPixelFormat(3)"), 1) << "third candidate: no accumulation, no stencil";
    const platform::PixelFormat chosen = scripted::chosenFormat();
    EXPECT_EQ(chosen.accumBits, 0);
    EXPECT_EQ(chosen.stencilBits, 0);
    EXPECT_EQ(chosen.alphaBits, 1) << "alpha is dropped only after stencil";
    EXPECT_EQ(chosen.depthBits, 16);
    EXPECT_TRUE(scripted::boxes().empty());
}

TEST_F(WindowTest, ADisplayWithNoUsableFormatSaysSo) {
    platform::PixelFormat best;
    best.depthBits = 8;
    scripted::offerFormatsUpTo(best);
    EXPECT_FALSE(openWindow("we luv you!", 640, 480, 32, true));
    EXPECT_EQ(scripted::count("createWindow"), 0);
    ASSERT_EQ(scripted::boxes().size(), 1u);
    EXPECT_EQ(scripted::boxes()[0].text, "Can't Find A Suitable PixelFormat.");
    EXPECT_EQ(scripted::boxes()[0].caption, "ERROR");
    EXPECT_FALSE(scripted::displayModeChanged());
}

// --aa: the samples asked for are kept while a format without the buffers the
// show does not draw with offers them; only then do they halve, down to none.
// One line says what was granted; without --aa nothing is said. The displays
// here offer multisampling only without an accumulation buffer (as Mesa's
// visuals do), plain formats with everything: the other order would give
// up the anti-aliasing to keep a buffer nothing reads.
TEST_F(WindowTest, AntiAliasingKeepsTheSamplesBeforeTheBuffersAndSaysWhatItGot) {
    struct Case {
        int32_t wanted;
        int32_t offered;  // the most samples a pixel, offered without accumulation
        int32_t chosen;
        const char* line;
    };
    for (const Case& c : {Case{8, 8, 8, "tessaline: anti-aliasing: 8 samples a pixel (asked for 8)\n"},
                          Case{8, 4, 4, "tessaline: anti-aliasing: 4 samples a pixel (asked for 8)\n"},
                          Case{4, 0, 0, "tessaline: anti-aliasing: 1 sample a pixel (asked for 4)\n"},
                          Case{1, 8, 0, "tessaline: anti-aliasing: 1 sample a pixel (asked for 1)\n"},
                          Case{0, 8, 0, ""}}) {
        scripted::reset();
        platform::PixelFormat multisampled;
        multisampled.accumBits = 0;
        multisampled.samples = c.offered;
        scripted::offerFormatsUpTo(multisampled);
        scripted::alsoOfferFormatsUpTo(platform::PixelFormat{});
        wantedSamples = c.wanted;
        ::testing::internal::CaptureStderr();
        const bool opened = openWindow("we luv you!", 640, 480, 32, true);
        const std::string said = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(opened) << c.wanted;
        EXPECT_EQ(scripted::chosenFormat().samples, c.chosen) << c.wanted;
        EXPECT_EQ(scripted::chosenFormat().accumBits, c.chosen >= 2 ? 0 : 32) << c.wanted;
        EXPECT_EQ(scripted::chosenFormat().stencilBits, 1) << "stencil goes only after accumulation";
        EXPECT_EQ(said, c.line);
        closeWindow();
    }
    EXPECT_EQ(scripted::count("choosePixelFormat(32,1,32,16,1,1)"), 1) << "no --aa: the format as ever";
}

// Without --vsync the driver's own swap interval stands; with it the swaps
// wait for the refresh, adaptive where offered, else every refresh.
TEST_F(WindowTest, OnlyVsyncSetsASwapIntervalAdaptiveWhereOffered) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    EXPECT_EQ(scripted::count("setSwapInterval"), 0);
    closeWindow();

    SetUp();
    vsyncPacing = true;
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    EXPECT_EQ(scripted::swapInterval(), -1);
    closeWindow();

    SetUp();
    vsyncPacing = true;
    scripted::offerSwapIntervals({1});
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    EXPECT_EQ(scripted::swapInterval(), 1);
    EXPECT_LT(scripted::indexOf("setSwapInterval"), scripted::indexOf("showWindow"));
}

// A panel that only scales 640x480 (Wayland) and the --scaled choice both get
// a desktop-sized full-screen window, letterboxed, with no question asked.
TEST_F(WindowTest, ScaledFullScreenCoversTheDesktopWithoutAQuestion) {
    scripted::setDesktopSize(1280, 720);
    for (FullscreenWay way : {FullscreenWay::SwitchMode, FullscreenWay::DesktopMode}) {
        scripted::reset();
        scripted::setDesktopSize(1280, 720);
        scripted::setModeSwitch(platform::ModeSwitch::Scaled);
        fullscreenWay = way;
        ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true));
        EXPECT_EQ(scripted::count("changeDisplayMode"), way == FullscreenWay::SwitchMode ? 1 : 0);
        EXPECT_EQ(scripted::count("createWindow(we luv you!,0,0,1280,720,popup)"), 1);
        EXPECT_TRUE(scripted::boxes().empty());
        EXPECT_TRUE(demoConfig.fullscreen);
        EXPECT_TRUE(letterboxed);
        EXPECT_FALSE(scripted::displayModeChanged());
        closeWindow();
    }
    fullscreenWay = FullscreenWay::SwitchMode;
}

// Each answer the window system can give to the 640x480 full screen, on a
// panel at 100 % and at 200 %: the window asked for, whether the picture is
// letterboxed, whether the question comes, and the viewport in the drawable's
// pixels from the first frame on.
TEST_F(WindowTest, EachAnswerToTheFullScreenGetsItsWindowAndItsPixels) {
    struct Case {
        const char* name;
        platform::ModeSwitch answer;
        int32_t pixelScale;
        const char* window;
        bool letterbox;
        PictureRect viewport;
    };
    using platform::ModeSwitch;
    for (const Case& c : {
             Case{"switched", ModeSwitch::Switched, 1, "createWindow(we luv you!,0,0,640,480,popup)", false,
                  {0, 0, 640, 480}},
             Case{"switched at 200 %", ModeSwitch::Switched, 2, "createWindow(we luv you!,0,0,640,480,popup)",
                  false, {0, 0, 1280, 960}},
             Case{"scaled", ModeSwitch::Scaled, 1, "createWindow(we luv you!,0,0,1280,720,popup)", true,
                  {160, 0, 960, 720}},
             Case{"scaled at 200 %", ModeSwitch::Scaled, 2, "createWindow(we luv you!,0,0,1280,720,popup)", true,
                  {320, 0, 1920, 1440}},
             Case{"refused, Yes", ModeSwitch::Refused, 2, "createWindow(we luv you!,0,0,648,507,overlapped)",
                  false, {0, 0, 1280, 960}},
         }) {
        scripted::reset();
        scripted::setDesktopSize(1280, 720);  // logical size of the panel
        scripted::setModeSwitch(c.answer);
        scripted::setPixelScale(c.pixelScale);
        scripted::queueAnswer(platform::BoxAnswer::Yes);
        ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true)) << c.name;
        EXPECT_EQ(scripted::count(c.window), 1) << c.name;
        EXPECT_EQ(letterboxed, c.letterbox) << c.name;
        EXPECT_EQ(scripted::boxes().size(), c.answer == ModeSwitch::Refused ? 1u : 0u) << c.name;
        EXPECT_EQ(demoConfig.fullscreen, c.answer != ModeSwitch::Refused) << c.name;
        const PictureRect& v = currentViewport;
        EXPECT_EQ((std::vector<int32_t>{v.x, v.y, v.width, v.height}),
                  (std::vector<int32_t>{c.viewport.x, c.viewport.y, c.viewport.width, c.viewport.height}))
            << c.name;
        closeWindow();
    }
}

// The drawable may change after the first frame without the window system
// saying so (a compositor settling the size, the window moved to a panel of
// another scale): the next frame draws with the new size.
TEST_F(WindowTest, EveryFrameDrawsWithTheDrawablesSizeOfTheMoment) {
    struct ViewRecorder : FrameHooks {
        std::vector<std::vector<int32_t>> views;
        void beforeFrame() override {
            const PictureRect& v = currentViewport;
            views.push_back({v.x, v.y, v.width, v.height});
        }
        void afterFrame() override {}
    } recorder;
    scripted::setDesktopSize(1280, 720);
    scripted::setModeSwitch(platform::ModeSwitch::Scaled);
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true));
    scripted::queueDrawableChange(2560, 1440);  // settled at 200 % before the first frame
    scripted::queueIdle();
    scripted::queueIdle();
    scripted::queueDrawableChange(1280, 720);  // moved to a panel at 100 %
    scripted::queueIdle();
    scripted::queueDrawableChange(2560, 2048);  // a 5:4 panel at 200 %: bars above and below
    scripted::queueIdle();
    scripted::queueMessage({platform::WM_CLOSE, 0, 0});
    EXPECT_EQ(runMainLoop(&recorder), 0);
    EXPECT_THAT(recorder.views, ElementsAre(ElementsAre(320, 0, 1920, 1440), ElementsAre(320, 0, 1920, 1440),
                                            ElementsAre(160, 0, 960, 720), ElementsAre(0, 64, 2560, 1920)));
    EXPECT_EQ(scripted::count("dispatchMessage(5)"), 3) << "one WM_SIZE a change";
}

TEST_F(WindowTest, WindowedGrowsTheClientAreaByTheFrameAndKeepsTheCursor) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    EXPECT_EQ(scripted::count("changeDisplayMode"), 0);
    const platform::Rect frame = scripted::windowedFrame;
    const platform::Rect created = scripted::createdWindow();
    EXPECT_EQ(created.left, 0);
    EXPECT_EQ(created.top, 0);
    EXPECT_EQ(created.right - created.left, 640 + frame.left + frame.right);
    EXPECT_EQ(created.bottom - created.top, 480 + frame.top + frame.bottom);
    EXPECT_FALSE(scripted::createdFullscreenStyle());
    EXPECT_EQ(scripted::cursorCounter(), 0) << "one show, one hide: visible";
    EXPECT_FALSE(demoConfig.fullscreen);
    EXPECT_FALSE(letterboxed);
}

TEST_F(WindowTest, RefusedFullScreenAnsweredYesRunsWindowedAndLeavesTheModeAlone) {
    scripted::fail(scripted::Step::ChangeDisplayMode);
    scripted::queueAnswer(platform::BoxAnswer::Yes);
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true));
    ASSERT_EQ(scripted::boxes().size(), 1u);
    const scripted::Box& question = scripted::boxes()[0];
    EXPECT_EQ(question.text, fullscreenQuestion);
    EXPECT_EQ(question.caption, "Oryx GL");
    EXPECT_EQ(question.buttons, platform::BoxButtons::YesNo);
    EXPECT_EQ(question.icon, platform::BoxIcon::Exclamation);
    EXPECT_FALSE(demoConfig.fullscreen);
    EXPECT_FALSE(scripted::createdFullscreenStyle());
    EXPECT_EQ(scripted::cursorCounter(), 0);

    closeWindow();
    EXPECT_EQ(scripted::count("restoreDisplayMode"), 0);
    EXPECT_FALSE(scripted::windowExists());
    EXPECT_FALSE(scripted::classRegistered());
}

TEST_F(WindowTest, RefusedFullScreenAnsweredNoClosesWithoutCreatingAnything) {
    scripted::fail(scripted::Step::ChangeDisplayMode);
    scripted::queueAnswer(platform::BoxAnswer::No);
    EXPECT_FALSE(openWindow("we luv you!", 640, 480, 32, true));
    ASSERT_EQ(scripted::boxes().size(), 2u);
    const scripted::Box& closing = scripted::boxes()[1];
    EXPECT_EQ(closing.text, "Program Will Now Close.");
    EXPECT_EQ(closing.caption, "ERROR");
    EXPECT_EQ(closing.buttons, platform::BoxButtons::Ok);
    EXPECT_EQ(closing.icon, platform::BoxIcon::Stop);
    EXPECT_EQ(scripted::count("createWindow"), 0);
    EXPECT_EQ(scripted::count("restoreDisplayMode"), 0);
    EXPECT_EQ(scripted::count("unregisterWindowClass"), 0) << "the class stays until the process ends";
}

TEST_F(WindowTest, AFailedClassRegistrationIsReportedAndNothingIsReleased) {
    scripted::fail(scripted::Step::RegisterWindowClass);
    EXPECT_FALSE(openWindow("we luv you!", 640, 480, 32, true));
    EXPECT_THAT(scripted::calls(), ElementsAre("registerWindowClass", "messageBox(ERROR)"));
    ASSERT_EQ(scripted::boxes().size(), 1u);
    EXPECT_EQ(scripted::boxes()[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(scripted::boxes()[0].icon, platform::BoxIcon::Exclamation);
}

// One failing step of openWindow: its message, and what is released (in
// order) before the message is shown.
struct OpenFailure {
    scripted::Step step;
    const char* failingCall;
    const char* message;
    std::vector<std::string> released;
};

void PrintTo(const OpenFailure& failure, std::ostream* out) { *out << failure.failingCall; }

class OpenFailureTest : public ShellTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ReleasesWhatWasAcquiredThenTellsWhy) {
    const OpenFailure& failure = GetParam();
    scripted::fail(failure.step);
    EXPECT_FALSE(openWindow("we luv you!", 640, 480, 32, true));

    const int32_t failed = scripted::indexOf(failure.failingCall);
    ASSERT_GE(failed, 0);
    std::vector<std::string> expected = {"showCursor(1)", "restoreDisplayMode"};
    expected.insert(expected.end(), failure.released.begin(), failure.released.end());
    expected.push_back("unregisterWindowClass");
    expected.push_back("messageBox(ERROR)");
    EXPECT_THAT(callsFrom(failed + 1), ElementsAreArray(expected));

    ASSERT_EQ(scripted::boxes().size(), 1u) << "releasing raised no shutdown errors";
    EXPECT_EQ(scripted::boxes()[0].text, failure.message);
    EXPECT_EQ(scripted::boxes()[0].buttons, platform::BoxButtons::Ok);
    EXPECT_EQ(scripted::boxes()[0].icon, platform::BoxIcon::Exclamation);
    EXPECT_FALSE(scripted::displayModeChanged());
    EXPECT_FALSE(scripted::windowExists());
    EXPECT_FALSE(scripted::contextExists());
    EXPECT_FALSE(scripted::classRegistered());
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, OpenFailureTest,
    ::testing::Values(
        OpenFailure{scripted::Step::ChoosePixelFormat, "choosePixelFormat", "Can't Find A Suitable PixelFormat.",
                    {}},
        OpenFailure{scripted::Step::CreateWindow, "createWindow", "Window Creation Error.", {}},
        OpenFailure{scripted::Step::GetDeviceContext, "getDeviceContext",
                    "Can't Create A GL Device Context.", {"destroyWindow"}},
        OpenFailure{scripted::Step::SetPixelFormat, "setPixelFormat", "Can't Set The PixelFormat.",
                    {"releaseDeviceContext", "destroyWindow"}},
        OpenFailure{scripted::Step::CreateRenderingContext, "createRenderingContext",
                    "Can't Create A GL Rendering Context.", {"releaseDeviceContext", "destroyWindow"}},
        OpenFailure{scripted::Step::MakeCurrent, "makeCurrent",
                    "Can't Activate The GL Rendering Context.",
                    {"makeCurrent(0)", "deleteRenderingContext", "releaseDeviceContext", "destroyWindow"}}),
    [](const ::testing::TestParamInfo<OpenFailure>& info) { return std::string(info.param.failingCall); });

TEST_F(WindowTest, CloseReleasesInReverseOrderAndRestoresTheMode) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, true));
    const int32_t start = static_cast<int32_t>(scripted::calls().size());
    closeWindow();
    EXPECT_THAT(callsFrom(start),
                ElementsAre("showCursor(1)", "restoreDisplayMode", "makeCurrent(0)", "deleteRenderingContext",
                            "releaseDeviceContext", "destroyWindow", "unregisterWindowClass"));
    EXPECT_TRUE(scripted::boxes().empty());
}

TEST_F(WindowTest, CloseReportsEachFailedReleaseAndCarriesOn) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    for (scripted::Step step : {scripted::Step::ReleaseCurrent, scripted::Step::DeleteRenderingContext,
                                scripted::Step::ReleaseDeviceContext, scripted::Step::DestroyWindow,
                                scripted::Step::UnregisterWindowClass}) {
        scripted::fail(step);
    }
    closeWindow();
    std::vector<std::string> texts;
    for (const scripted::Box& box : scripted::boxes()) {
        EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(box.buttons, platform::BoxButtons::Ok);
        EXPECT_EQ(box.icon, platform::BoxIcon::Information);
        texts.push_back(box.text);
    }
    EXPECT_THAT(texts, ElementsAre("Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                                   "Release Device Context Failed.", "Could Not Release hWnd.",
                                   "Could Not Unregister Class."));
}

TEST_F(WindowTest, ASecondCloseReleasesNothingTwice) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    closeWindow();
    const int32_t start = static_cast<int32_t>(scripted::calls().size());
    closeWindow();
    EXPECT_THAT(callsFrom(start), ElementsAre("showCursor(1)", "unregisterWindowClass", "messageBox(SHUTDOWN ERROR)"));
}

// ---- the window procedure ----------------------------------------------------

TEST_F(WindowTest, ActivateLooksOnlyAtTheMinimisedWord) {
    EXPECT_EQ(windowProc(platform::WM_ACTIVATE, platform::activateWParam(platform::WA_ACTIVE, true), 0), 0);
    EXPECT_FALSE(windowActive);
    windowProc(platform::WM_ACTIVATE, platform::activateWParam(platform::WA_INACTIVE, false), 0);
    EXPECT_TRUE(windowActive) << "an inactive but visible window keeps the show running";
    windowProc(platform::WM_ACTIVATE, platform::activateWParam(platform::WA_INACTIVE, true), 0);
    EXPECT_FALSE(windowActive);
    windowProc(platform::WM_ACTIVATE, platform::activateWParam(platform::WA_ACTIVE, false), 0);
    EXPECT_TRUE(windowActive);
    EXPECT_EQ(scripted::count("defWindowProc"), 0);
}

TEST_F(WindowTest, ScreenSaverAndMonitorPowerAreSwallowedOtherCommandsAreNot) {
    EXPECT_EQ(windowProc(platform::WM_SYSCOMMAND, platform::SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(windowProc(platform::WM_SYSCOMMAND, platform::SC_MONITORPOWER, 2), 0);
    EXPECT_EQ(scripted::count("defWindowProc"), 0);
    constexpr uintptr_t scClose = 0xF060;
    windowProc(platform::WM_SYSCOMMAND, scClose, 0);
    windowProc(platform::WM_SYSCOMMAND, platform::SC_SCREENSAVE | 1, 0);  // compared as whole values
    EXPECT_THAT(scripted::calls(), ElementsAre("defWindowProc(274,61536,0)", "defWindowProc(274,61761,0)"));
}

TEST_F(WindowTest, CloseAsksForTheQuitMessageAndLeavesTheWindow) {
    ASSERT_TRUE(openWindow("we luv you!", 640, 480, 32, false));
    EXPECT_EQ(windowProc(platform::WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(scripted::count("postQuitMessage(0)"), 1);
    EXPECT_EQ(scripted::count("destroyWindow"), 0);
    EXPECT_TRUE(scripted::windowExists());
}

TEST_F(WindowTest, KeysFollowDownAndUpAndIgnoreCodesOutsideTheTable) {
    windowProc(platform::WM_KEYDOWN, platform::VK_ESCAPE, 0);
    windowProc(platform::WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(keys[platform::VK_ESCAPE]);
    EXPECT_TRUE(keys['A']);
    windowProc(platform::WM_KEYUP, platform::VK_ESCAPE, 0);
    EXPECT_FALSE(keys[platform::VK_ESCAPE]);
    EXPECT_TRUE(keys['A']);
    EXPECT_EQ(windowProc(platform::WM_KEYDOWN, 256, 0), 0);
    EXPECT_EQ(windowProc(platform::WM_KEYDOWN, ~uintptr_t{0}, 0), 0);
    EXPECT_EQ(std::count(std::begin(keys), std::end(keys), true), 1);
}

TEST_F(WindowTest, SystemKeysAndUnknownMessagesGoToTheDefault) {
    windowProc(platform::WM_SYSKEYDOWN, platform::VK_ESCAPE, 0);
    EXPECT_FALSE(keys[platform::VK_ESCAPE]) << "Alt+Escape is not Escape";
    constexpr uint32_t wmPaint = 0x000F;
    windowProc(wmPaint, 0, 0);
    EXPECT_EQ(scripted::count("defWindowProc"), 2);
}

TEST_F(WindowTest, APressIsRememberedAfterTheKeyIsUp) {
    windowProc(platform::WM_KEYDOWN, platform::VK_ESCAPE, 0);
    windowProc(platform::WM_KEYUP, platform::VK_ESCAPE, 0);
    EXPECT_FALSE(keys[platform::VK_ESCAPE]);
    EXPECT_TRUE(keyPresses[platform::VK_ESCAPE]);
}

TEST_F(WindowTest, DeveloperModeQueuesEveryPressButNotAutoRepeats) {
    pressedKeys.clear();
    windowProc(platform::WM_KEYDOWN, platform::VK_RIGHT, 0);
    EXPECT_TRUE(pressedKeys.empty()) << "only while collecting";
    collectKeyPresses = true;
    windowProc(platform::WM_KEYDOWN, platform::VK_RIGHT, 0);
    windowProc(platform::WM_KEYDOWN, platform::VK_RIGHT, platform::keyRepeatBit);
    windowProc(platform::WM_KEYUP, platform::VK_RIGHT, 0);
    windowProc(platform::WM_KEYDOWN, platform::VK_RIGHT, 0);
    windowProc(platform::WM_KEYDOWN, platform::VK_SPACE, 0);
    collectKeyPresses = false;
    EXPECT_EQ(pressedKeys, (std::vector<uintptr_t>{platform::VK_RIGHT, platform::VK_RIGHT, platform::VK_SPACE}));
    pressedKeys.clear();
}

TEST_F(WindowTest, SizeWithZeroHeightIsHandled) {
    EXPECT_EQ(windowProc(platform::WM_SIZE, 0, platform::sizeLParam(640, 0)), 0);
    EXPECT_EQ(scripted::count("defWindowProc"), 0);
}

}  // namespace
