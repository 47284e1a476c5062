#pragma once
// The program's icon for desktop menus: the show's glossy red heart on a
// transparent square, drawn at any size from the same curve as the hearts
// of the lettering, so each hicolor size is sharp rather than scaled.
#include <cstdint>

#include "canvas.h"

// sizePx by sizePx, RGBA with straight alpha; sizePx from 16 to 1024.
Rgba8Image appIcon(int32_t sizePx);
