#pragma once
// What a shown full-screen window of the wanted size tells about a display
// mode switch. SDL reports no error when the display keeps its mode, so the
// switch is judged by what the window system hands out: the display's bounds
// (the mode SDL believes in force) and the window's drawable in pixels.
// Kept apart from the SDL calls so that each answer can be tested.
#include <cstdint>

#include "platform/platform.h"

namespace platform {

struct ModeProbe {
    int32_t wantedWidth = 0, wantedHeight = 0;      // the mode asked for
    int32_t drawableWidth = 0, drawableHeight = 0;  // the full-screen window's drawable, pixels
    int32_t boundsWidth = 0, boundsHeight = 0;      // the display's bounds after the switch
};

// Switched: a drawable of the wanted size on a display in that mode.
// Scaled: the window system offers the size only by scaling it, the panel
// keeping its own mode; either the drawable has the wanted size over a display
// of another size, or the switch reads as made (XWayland's emulated modes) but
// the drawable has another size. Refused: nothing of the wanted size at all.
constexpr ModeSwitch judgeModeProbe(const ModeProbe& probe) {
    const bool rightDrawable =
        probe.drawableWidth == probe.wantedWidth && probe.drawableHeight == probe.wantedHeight;
    const bool switchReported =
        probe.boundsWidth == probe.wantedWidth && probe.boundsHeight == probe.wantedHeight;
    if (rightDrawable && switchReported) {
        return ModeSwitch::Switched;
    }
    if (rightDrawable || (switchReported && probe.drawableWidth > 0 && probe.drawableHeight > 0)) {
        return ModeSwitch::Scaled;
    }
    return ModeSwitch::Refused;
}

}  // namespace platform
