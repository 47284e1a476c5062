#pragma once
// Where the show's picture goes inside an output of another shape: as large
// as fits, its shape kept, centred, the rest left to black bars. Used by the
// scaled full screen and by the capture tool's sizes.
#include <cstdint>

struct PictureRect {
    int32_t x = 0;       // left edge, pixels from the output's left
    int32_t y = 0;       // bottom edge, pixels from the output's bottom (glViewport's origin)
    int32_t width = 0;   // pixels
    int32_t height = 0;  // pixels
};

// The largest pictureWidth:pictureHeight rectangle inside outputWidth x
// outputHeight, centred; odd leftovers put the extra pixel on the right or
// top bar. Any size of 0 or less gives an empty rectangle at the origin.
PictureRect fitPicture(int32_t outputWidth, int32_t outputHeight, int32_t pictureWidth, int32_t pictureHeight);
