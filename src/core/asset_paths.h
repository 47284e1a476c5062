#pragma once
// Where the show finds its data, relative to the working directory.

constexpr const char* heartObjectPath = "data/tessaline/objects/heart.lwo";
// The start-up images, in load order: texture indices 1 to 6 after the
// object's one clip.
constexpr const char* startupImages[6] = {
    "data/tessaline/gfx/bg.png",     "data/tessaline/gfx/text-1.png",
    "data/tessaline/gfx/text-2.png", "data/tessaline/gfx/text-3.png",
    "data/tessaline/gfx/text-4.png", "data/tessaline/gfx/zurak.png",
};
// The developer overlay's glyph atlas (render/overlay_font_layout.h): read
// only with --dev, never by the show itself.
constexpr const char* overlayFontPath = "data/vexel/overlay-font.png";
