#pragma once
// What the display list (display_sdl.cpp) and the window code
// (platform_sdl.cpp) share.
#include <SDL.h>

#include <cstdint>

namespace platform::sdl {

// The display selectDisplay chose; -1 for the window system's own placement.
int32_t selectedDisplay();
// The display a full-screen window and the mode switch go on: the chosen one, else 0.
int fullscreenDisplay();
// Where a window is created: on the chosen display, centred (SDL places a
// full-screen window on the display its position falls on); without a
// choice the top-left corner given.
int windowPosition(int32_t given);
// The show's window; null while there is none.
SDL_Window* showWindowHandle();

}  // namespace platform::sdl
