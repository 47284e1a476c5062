#pragma once
// The overlay's glyph atlas: printable ASCII in a fixed monospace grid, so
// the picture alone is the font and no metrics file is needed. tools/image-gen
// draws the atlas from these numbers and render/overlay_text.cpp reads it with
// them; change them together (the build redraws the atlas).
//
// Cell of character c (firstChar..lastChar): index i = c - firstChar, column
// i % columns, row i / columns, its top-left texel at (column * cellWidthPx,
// row * cellHeightPx) counted from the picture's top-left. Each glyph is
// white with its coverage as alpha and stays inside its cell.
#include <cstdint>

namespace overlayfont {

constexpr int32_t firstChar = 32;   // ' '
constexpr int32_t lastChar = 126;   // '~'
constexpr int32_t glyphCount = lastChar - firstChar + 1;
constexpr int32_t columns = 16;
constexpr int32_t rows = (glyphCount + columns - 1) / columns;

// One cell, in texels; text is drawn one texel per show pixel (640x480).
constexpr int32_t cellWidthPx = 10;   // also the advance: the font is monospaced
constexpr int32_t cellHeightPx = 18;  // also the line height
constexpr float emPx = 15.0f;         // the font's em height
constexpr float baselinePx = 14.0f;   // from the top of the cell

// Powers of two, as OpenGL 1.1 needs for a texture.
constexpr int32_t atlasWidthPx = 256;
constexpr int32_t atlasHeightPx = 128;
static_assert(columns * cellWidthPx <= atlasWidthPx && rows * cellHeightPx <= atlasHeightPx,
              "the grid must fit the atlas");

// The DejaVu face the atlas is drawn with.
constexpr const char* fontFile = "DejaVuSansMono-Bold.ttf";

}  // namespace overlayfont
