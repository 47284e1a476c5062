#pragma once
// Lines of text from the overlay's glyph atlas (overlay_font_layout.h), drawn
// with OpenGL 1.1 textured quads.
//
// The atlas is a GL texture of its own, owned here, not a texture manager
// index: the scenes bind indices 0..6 as constants and hot reload replaces
// textures by index, so the overlay stays out of that list altogether.
//
// Use: construct and load() once the rendering context is current (only in
// developer mode); destroy it before the context goes, or after it is gone
// (the texture then died with the context and the delete does nothing).
#include <cstdint>
#include <string>
#include <string_view>

class OverlayText {
public:
    OverlayText() = default;
    ~OverlayText();
    OverlayText(const OverlayText&) = delete;
    OverlayText& operator=(const OverlayText&) = delete;

    // Decodes the atlas at path and uploads it; a loaded atlas is replaced
    // only when the new one decodes. False, with *why set, when the file
    // cannot be decoded or is not the layout's size.
    bool load(const char* path, std::string* why = nullptr);
    bool loaded() const { return textureName_ != 0; }

    // Draws text with the top-left of its first cell at (leftPx, topPx), in
    // a projection whose units are show pixels with y growing downwards.
    // One cell per byte; bytes outside printable ASCII draw as '?'. Binds the
    // atlas, enables GL_TEXTURE_2D and sets the modulate environment: the
    // caller saves and restores that state, and sets the colour (modulated
    // by the glyphs' alpha) and alpha blending. Draws nothing when no atlas
    // is loaded.
    void drawLine(float leftPx, float topPx, std::string_view text) const;

    static float lineHeightPx();  // one line's height in show pixels
    static float advancePx();     // one character's width in show pixels

private:
    uint32_t textureName_ = 0;  // the GL texture; 0 while none is loaded
};
