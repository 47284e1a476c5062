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
}

}  // namespace
