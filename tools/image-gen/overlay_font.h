#pragma once
// The developer overlay's glyph atlas (layout in render/overlay_font_layout.h).
#include <string>

#include "canvas.h"

// Printable ASCII in the overlay's monospace grid, white with coverage as
// alpha; transparent texels are white too, so filtering at a glyph's edge
// fades its alpha only. Empty (0 x 0) with *error set when the font cannot
// be opened.
Rgba8Image overlayFontAtlas(const std::string& fontDir, std::string* error);
