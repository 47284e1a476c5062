#pragma once
// What the X11 window manager and the X server report about a window's full
// screen, read from the window's properties. SDL keeps its own belief in its
// window flags, set when it asked; the window manager may not have acted on
// the request. On other video drivers no window manager reports anything.
#include <SDL.h>

namespace platform {

struct WmFullscreenReport {
    bool managed = false;       // an EWMH window manager runs on the window's screen
    bool fullscreen = false;    // its _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN
    bool emulatedMode = false;  // XWayland emulates the display mode for this
                                // window (_XWAYLAND_RANDR_EMU_MONITOR_RECTS):
                                // the compositor scales, the panel keeps its mode
};
WmFullscreenReport readWmFullscreen(SDL_Window* window);

// Asks the window manager (again) to take the window full screen: the EWMH
// _NET_WM_STATE add request, which changes nothing where the state is held.
void askWmFullscreen(SDL_Window* window);

}  // namespace platform
