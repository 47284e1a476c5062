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
// holds, within the bound; with none running there is nothing to wait for.
TEST(ModeProbeTest, FullScreenIsAskedForAgainUntilTheWindowManagerHoldsIt) {
    using Step = platform::FullscreenAwait::Step;
    platform::FullscreenAwait await(1000);
    EXPECT_EQ(await.next(1010, true, false), Step::Wait);
    EXPECT_EQ(await.next(1100, true, false), Step::Ask);
    EXPECT_EQ(await.next(1150, true, false), Step::Wait);
    EXPECT_EQ(await.next(1200, true, false), Step::Ask);
    EXPECT_EQ(await.next(1250, true, true), Step::Held);
    EXPECT_EQ(await.next(1000 + platform::FullscreenAwait::limitMs, true, false), Step::GaveUp);
    EXPECT_EQ(platform::FullscreenAwait(0).next(0, false, false), Step::Held);
}

}  // namespace
