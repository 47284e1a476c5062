#pragma once
// Lays out one line of text with FreeType and renders its coverage into a
// Mask. Outlines are rendered unhinted at fractional pen positions, so the
// result depends only on the font file and FreeType's rasteriser.
#include <memory>
#include <string>

#include "canvas.h"

// How a line is set. Sizes are in the target picture's pixels.
struct TextStyle {
    float pixelHeight = 32.0f;  // the font's em height
    float stretchX = 1.0f;      // horizontal scale, for pictures shown stretched
    float slant = 0.0f;         // horizontal shear per unit of height (0.2: a synthetic italic)
    float trackingEm = 0.0f;    // extra space after each letter, in ems
};

class Typeface {
public:
    explicit Typeface(const std::string& fontPath);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    bool ok() const { return ft_ != nullptr; }
    const std::string& error() const { return error_; }

    // Advance width of the line in pixels (kerning and tracking included,
    // no tracking after the last letter).
    float measure(const std::string& text, const TextStyle& style);
    // Renders text with its pen starting at (penX, baselineY), y downwards
    // from the top row; coverage is merged into mask by maximum.
    void draw(Mask& mask, const std::string& text, const TextStyle& style, float penX, float baselineY);
    // Renders text centred horizontally on centreX.
    void drawCentred(Mask& mask, const std::string& text, const TextStyle& style, float centreX, float baselineY);

private:
    void setSize(const TextStyle& style);

    struct FreeTypeState;  // the library and face handles, kept out of this header
    std::unique_ptr<FreeTypeState> ft_;  // null when the font could not be opened
    std::string error_;
};
