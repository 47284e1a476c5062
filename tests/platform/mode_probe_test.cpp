// How a probe of the 640x480 full screen is judged, for each answer a window
// system gives (the numbers as X11, XWayland and compositors hand them out).
#include <gtest/gtest.h>

#include "platform/sdl/mode_probe.h"

namespace {

using platform::judgeModeProbe;
using platform::ModeProbe;
using platform::ModeSwitch;

TEST(ModeProbeTest, EachWindowSystemsAnswerCountsAsItShows) {
    // X11 with the mode: the panel switched, a drawable of exactly that size.
    EXPECT_EQ(judgeModeProbe(ModeProbe{640, 480, 640, 480, 640, 480}), ModeSwitch::Switched);
    // XWayland: the switch reads as made, the drawable keeps the panel's size.
    EXPECT_EQ(judgeModeProbe(ModeProbe{640, 480, 1280, 720, 640, 480}), ModeSwitch::Scaled);
    // A window system that scales a drawable of the wanted size over its panel.
    EXPECT_EQ(judgeModeProbe(ModeProbe{640, 480, 640, 480, 1280, 720}), ModeSwitch::Scaled);
    // An X server that kept its mode: nothing of the wanted size.
    EXPECT_EQ(judgeModeProbe(ModeProbe{640, 480, 1280, 1024, 1280, 1024}), ModeSwitch::Refused);
    // The switch reported but no drawable to show it on.
    EXPECT_EQ(judgeModeProbe(ModeProbe{640, 480, 0, 0, 640, 480}), ModeSwitch::Refused);
    // XWayland's emulated mode before the window manager has resized the
    // window: it reads as switched, and is scaled all the same.
    EXPECT_EQ(judgeModeProbe(ModeProbe{640, 480, 640, 480, 640, 480, true}), ModeSwitch::Scaled);
}

// A window manager that lost the first request is asked again until its state
// holds, within the bound; with none running, or with a mode XWayland
// emulates, there is nothing to wait for. The state is read at once, then at
// most every readEveryMs, however often the wait is polled.
TEST(ModeProbeTest, FullScreenIsAskedForAgainUntilTheWindowManagerHoldsIt) {
    using platform::FullscreenAwait;
    using platform::WmFullscreenReport;
    using Step = FullscreenAwait::Step;
    const WmFullscreenReport notYet{true, false, false};
    FullscreenAwait await(1000);
    ASSERT_TRUE(await.readDue(1000));
    EXPECT_EQ(await.next(1000, notYet), Step::Wait);
    EXPECT_FALSE(await.readDue(1001));
    EXPECT_FALSE(await.readDue(1099));
    ASSERT_TRUE(await.readDue(1100));
    EXPECT_EQ(await.next(1100, notYet), Step::Ask);
    EXPECT_FALSE(await.readDue(1150));
    EXPECT_EQ(await.next(1250, notYet), Step::Ask);
    EXPECT_EQ(await.next(1300, notYet), Step::Wait);
    EXPECT_EQ(await.next(1350, WmFullscreenReport{true, true, false}), Step::Held);
    EXPECT_EQ(await.next(1000 + FullscreenAwait::limitMs, notYet), Step::GaveUp);

    EXPECT_EQ(FullscreenAwait(0).next(0, WmFullscreenReport{false, false, false}), Step::Held);
    EXPECT_EQ(FullscreenAwait(0).next(0, WmFullscreenReport{true, false, true}), Step::Held);
}

}  // namespace
