#pragma once
// The Win32 model's values in SDL's terms (mapping_sdl.cpp).
#include <SDL.h>

#include <cstdint>

#include "platform/platform.h"

namespace platform {

// Win32 virtual-key code of a key; 0 for keys the show has no code for.
uintptr_t virtualKey(const SDL_Keysym& key);
// Sets SDL's GL attributes for windows created from now on to the format
// (an OpenGL 1.1 compatibility context).
void applyGlAttributes(const PixelFormat& format);

}  // namespace platform
