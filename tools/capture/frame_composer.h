#pragma once
// From the framebuffer the show draws into to the frame the capture writes:
// supersampled anti-aliasing (each grid of samples averaged into one pixel)
// and the picture placed, shape kept, in an output of any shape with black
// bars around it.
#include <cstdint>
#include <vector>

#include "core/picture_fit.h"

// Samples per output pixel, --aa N: 1 = 1x1, 2 = 2x1, 4 = 2x2, 8 = 4x2
// (columns x rows). An ordered grid needs nothing beyond a larger
// framebuffer, so every renderer does it alike, software or GPU.
struct SampleGrid {
    int32_t columns = 1;
    int32_t rows = 1;
};
SampleGrid sampleGridFor(int32_t samplesPerPixel);  // 1x1 for anything unknown

// Where the show draws: the 4:3 picture fitted into the output, and the
// framebuffer that holds it at grid.columns x grid.rows samples a pixel.
struct FrameLayout {
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    PictureRect picture;  // in output pixels, bottom-left origin
    SampleGrid grid;
    int32_t renderWidth() const { return picture.width * grid.columns; }
    int32_t renderHeight() const { return picture.height * grid.rows; }
};
FrameLayout layoutFrame(int32_t outputWidth, int32_t outputHeight, int32_t pictureWidth, int32_t pictureHeight,
                        int32_t samplesPerPixel);

// The rendered framebuffer (RGBA8, bottom row first, renderWidth x
// renderHeight) as an output frame (RGBA8, bottom row first): each sample
// grid averaged, rounded to nearest, into the picture's rectangle; the bars
// opaque black.
std::vector<uint8_t> composeFrame(std::vector<uint8_t> rendered, const FrameLayout& layout);
