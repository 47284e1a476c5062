#include "overlay_font.h"

#include "render/overlay_font_layout.h"
#include "typeset.h"

Rgba8Image overlayFontAtlas(const std::string& fontDir, std::string* error) {
    namespace of = overlayfont;
    Typeface face(fontDir + "/" + of::fontFile);
    if (!face.ok()) {
        *error = face.error();
        return {};
    }
    const TextStyle style{of::emPx, 1.0f, 0.0f, 0.0f};
    Mask atlas(of::atlasWidthPx, of::atlasHeightPx);
    for (int32_t i = 0; i < of::glyphCount; ++i) {
        const std::string glyph(1, static_cast<char>(of::firstChar + i));
        // Drawn into a cell of its own, which clips it: no glyph reaches
        // into its neighbour's cell, whatever its overhang.
        Mask cell(of::cellWidthPx, of::cellHeightPx);
        const float penX = (static_cast<float>(of::cellWidthPx) - face.measure(glyph, style)) * 0.5f;
        face.draw(cell, glyph, style, penX, of::baselinePx);
        const int32_t left = (i % of::columns) * of::cellWidthPx;
        const int32_t top = (i / of::columns) * of::cellHeightPx;
        for (int32_t y = 0; y < of::cellHeightPx; ++y) {
            for (int32_t x = 0; x < of::cellWidthPx; ++x) {
                atlas.at(left + x, top + y) = cell.at(x, y);
            }
        }
    }
    Canvas canvas(of::atlasWidthPx, of::atlasHeightPx);
    canvas.paint(atlas, Colour{1.0f, 1.0f, 1.0f, 1.0f});
    return canvas.toRgba8(Colour{1.0f, 1.0f, 1.0f, 1.0f}, false);
}
