#include "typeset.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <vector>

struct Typeface::FreeTypeState {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeState() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

Typeface::Typeface(const std::string& fontPath) {
    auto state = std::make_unique<FreeTypeState>();
    if (FT_Init_FreeType(&state->library) != 0) {
        error_ = "FreeType did not initialise";
        return;
    }
    if (FT_New_Face(state->library, fontPath.c_str(), 0, &state->face) != 0) {
        error_ = "cannot open font '" + fontPath + "'";
        return;
    }
    ft_ = std::move(state);
}

Typeface::~Typeface() = default;

void Typeface::setSize(const TextStyle& style) {
    // Character height in 26.6 points at 72 dpi: one point is one pixel.
    FT_Set_Char_Size(ft_->face, 0, static_cast<FT_F26Dot6>(std::lround(style.pixelHeight * 64.0f)), 72, 72);
}

namespace {

struct PlacedGlyph {
    FT_UInt index;
    float penX;  // pixels from the start of the line
};

// Pen positions of the line's letters: unhinted advances (16.16 pixels),
// unfitted kerning where the font has a kerning table, then tracking.
std::vector<PlacedGlyph> placeGlyphs(FT_Face face, const std::string& text, const TextStyle& style, float* width) {
    std::vector<PlacedGlyph> glyphs;
    const float trackingPx = style.trackingEm * style.pixelHeight * style.stretchX;
    float pen = 0.0f;
    FT_UInt previous = 0;
    for (unsigned char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning{0, 0};
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kerning) == 0) {
                pen += static_cast<float>(kerning.x) / 64.0f * style.stretchX;
            }
        }
        glyphs.push_back(PlacedGlyph{index, pen});
        FT_Fixed advance = 0;
        if (FT_Get_Advance(face, index, FT_LOAD_NO_HINTING, &advance) == 0) {
            pen += static_cast<float>(advance) / 65536.0f * style.stretchX;
        }
        pen += trackingPx;
        previous = index;
    }
    if (!glyphs.empty()) {
        pen -= trackingPx;
    }
    *width = pen;
    return glyphs;
}

}  // namespace

float Typeface::measure(const std::string& text, const TextStyle& style) {
    if (!ok()) {
        return 0.0f;
    }
    setSize(style);
    float width = 0.0f;
    placeGlyphs(ft_->face, text, style, &width);
    return width;
}

void Typeface::draw(Mask& mask, const std::string& text, const TextStyle& style, float penX, float baselineY) {
    if (!ok()) {
        return;
    }
    FT_Face face = ft_->face;
    setSize(style);
    float width = 0.0f;
    const std::vector<PlacedGlyph> glyphs = placeGlyphs(face, text, style, &width);

    // x' = stretch * x + stretch * slant * y, y' = y (FreeType's y points up).
    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(style.stretchX * 65536.0f));
    matrix.xy = static_cast<FT_Fixed>(std::lround(style.stretchX * style.slant * 65536.0f));
    matrix.yx = 0;
    matrix.yy = 0x10000;

    for (const PlacedGlyph& glyph : glyphs) {
        const float x = penX + glyph.penX;
        const float originX = std::floor(x);
        const float originY = std::floor(baselineY);
        // The fraction of a pixel goes into the outline's offset (26.6), so
        // letters sit at their exact positions; y grows downwards here.
        FT_Vector delta;
        delta.x = static_cast<FT_Pos>(std::lround((x - originX) * 64.0f));
        delta.y = -static_cast<FT_Pos>(std::lround((baselineY - originY) * 64.0f));
        FT_Set_Transform(face, &matrix, &delta);
        if (FT_Load_Glyph(face, glyph.index, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.pitch <= 0) {
            continue;
        }
        const int32_t left = static_cast<int32_t>(originX) + face->glyph->bitmap_left;
        const int32_t top = static_cast<int32_t>(originY) - face->glyph->bitmap_top;
        for (uint32_t row = 0; row < bitmap.rows; ++row) {
            const int32_t y = top + static_cast<int32_t>(row);
            if (y < 0 || y >= mask.height) {
                continue;
            }
            const unsigned char* source = bitmap.buffer + static_cast<size_t>(row) * bitmap.pitch;
            for (uint32_t column = 0; column < bitmap.width; ++column) {
                const int32_t mx = left + static_cast<int32_t>(column);
                if (mx < 0 || mx >= mask.width) {
                    continue;
                }
                const float coverage = static_cast<float>(source[column]) / 255.0f;
                mask.at(mx, y) = std::max(mask.at(mx, y), coverage);
            }
        }
    }
    FT_Set_Transform(face, nullptr, nullptr);
}

void Typeface::drawCentred(Mask& mask, const std::string& text, const TextStyle& style, float centreX,
                           float baselineY) {
    const float width = measure(text, style);
    draw(mask, text, style, centreX - width * 0.5f, baselineY);
}
