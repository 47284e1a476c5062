#pragma once
// What a shown full-screen window of the wanted size tells about a display
// mode switch. SDL reports no error when the display keeps its mode, so the
// switch is judged by what the window system hands out: the display's bounds
// (the mode SDL believes in force), the window's drawable in pixels once the
// window manager holds the window full screen, and XWayland's mark of an
// emulated mode. Kept apart from the SDL calls so that each answer can be
// tested.
#include <cstdint>

#include "platform/platform.h"

namespace platform {

struct ModeProbe {
    int32_t wantedWidth = 0, wantedHeight = 0;      // the mode asked for
    int32_t drawableWidth = 0, drawableHeight = 0;  // the full-screen window's drawable, pixels
    int32_t boundsWidth = 0, boundsHeight = 0;      // the display's bounds after the switch
    bool emulated = false;  // the X server emulates the mode for this window (XWayland)
};

// Switched: a drawable of the wanted size on a display in that mode.
// Scaled: the window system offers the size only by scaling it, the panel
// keeping its own mode; either the drawable has the wanted size over a display
// of another size, or the switch reads as made (XWayland's emulated modes) but
// the drawable has another size, or the X server says that it emulates the
// mode (XWayland: the compositor scales whatever size the window manager
// gives the window). Refused: nothing of the wanted size at all.
constexpr ModeSwitch judgeModeProbe(const ModeProbe& probe) {
    const bool drawn = probe.drawableWidth > 0 && probe.drawableHeight > 0;
    if (probe.emulated && drawn) {
        return ModeSwitch::Scaled;
    }
    const bool rightDrawable =
        probe.drawableWidth == probe.wantedWidth && probe.drawableHeight == probe.wantedHeight;
    const bool switchReported =
        probe.boundsWidth == probe.wantedWidth && probe.boundsHeight == probe.wantedHeight;
    if (rightDrawable && switchReported) {
        return ModeSwitch::Switched;
    }
    if (rightDrawable || (switchReported && drawn)) {
        return ModeSwitch::Scaled;
    }
    return ModeSwitch::Refused;
}

// What the X11 window manager and the X server report about a window's full
// screen (wm_state_x11.h reads it from the window's properties).
struct WmFullscreenReport {
    bool managed = false;       // an EWMH window manager runs on the window's screen
    bool fullscreen = false;    // its _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN
    bool emulatedMode = false;  // XWayland emulates the display mode for this
                                // window (_XWAYLAND_RANDR_EMU_MONITOR_RECTS):
                                // the compositor scales, the panel keeps its mode
};

// Waiting for the window manager to hold a shown window full screen. SDL asks
// once, as the window maps; a window manager still setting the window up may
// lose that request (weston's, when it comes before the window's surface,
// which a loaded machine makes likely), and maps an ordinary window. So the
// window manager's own state is read back, and the request repeated (it is
// idempotent) until the state holds or the bound has passed. Where no window
// manager runs there is nothing to wait for; an emulated mode is scaled
// whatever the window manager does, so it ends the wait too.
//
// The state costs round trips to the X server, and the show's message loop
// polls the wait every frame: it is read at most every readEveryMs.
//   if (await.readDue(nowMs)) switch (await.next(nowMs, readTheState())) ...
class FullscreenAwait {
public:
    static constexpr uint32_t readEveryMs = 100;  // between reads of the state
    static constexpr uint32_t askEveryMs = 100;   // between requests
    static constexpr uint32_t limitMs = 4000;     // the window manager's time to answer
    enum class Step {
        Wait,    // not held yet; asked a moment ago
        Ask,     // not held yet: ask again
        Held,    // the window manager holds it full screen (or none runs, or the mode is emulated)
        GaveUp,  // not held within the bound
    };

    // askedMs: when the first request went out (the window was shown).
    explicit FullscreenAwait(uint32_t askedMs) : firstMs_(askedMs), askedMs_(askedMs) {}

    // Whether the state is due to be read at nowMs: at once, then readEveryMs
    // after the last read.
    bool readDue(uint32_t nowMs) const { return !readYet_ || nowMs - readMs_ >= readEveryMs; }

    // What to do after a read of the state at nowMs.
    Step next(uint32_t nowMs, const WmFullscreenReport& state) {
        readYet_ = true;
        readMs_ = nowMs;
        if (!state.managed || state.fullscreen || state.emulatedMode) {
            return Step::Held;
        }
        if (nowMs - firstMs_ >= limitMs) {
            return Step::GaveUp;
        }
        if (nowMs - askedMs_ < askEveryMs) {
            return Step::Wait;
        }
        askedMs_ = nowMs;
        return Step::Ask;
    }

private:
    uint32_t firstMs_;
    uint32_t askedMs_;
    bool readYet_ = false;
    uint32_t readMs_ = 0;
};

}  // namespace platform
