#pragma once
// What the X11 window manager and the X server report about a window's full
// screen, read from the window's properties. SDL keeps its own belief in its
// window flags, set when it asked; the window manager may not have acted on
// the request. On other video drivers no window manager reports anything.
#include <SDL.h>

#include "platform/sdl/mode_probe.h"

namespace platform {

// The state as the window's properties say now (two or three round trips).
WmFullscreenReport readWmFullscreen(SDL_Window* window);

// Asks the window manager (again) to take the window full screen: the EWMH
// _NET_WM_STATE add request, which changes nothing where the state is held.
void askWmFullscreen(SDL_Window* window);

// Blocks until the window manager holds the shown window full screen, asking
// again where the request was lost, or until the bound has passed; the events
// that come meanwhile stay queued. Returns the last state read (an emulated
// mode ends the wait at once: it is scaled whatever the window manager does).
WmFullscreenReport awaitWmFullscreen(SDL_Window* window);

// The same wait, one step a call, never blocking: reads the state and asks
// again where due (FullscreenAwait). False once the wait is over (held, no
// window manager, an emulated mode, or given up, which is said on standard
// error). Between reads a call costs no round trip to the X server.
bool continueFullscreenAwait(SDL_Window* window, FullscreenAwait& await);

}  // namespace platform
