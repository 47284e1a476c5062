#pragma once
// Float pictures for the image generator. A Canvas holds premultiplied RGBA
// in 0..1, a Mask one coverage value per pixel; both are row-major with the
// top row first (the order a PNG stores). Everything is composited in float
// and rounded to 8 bits once, at the end.
#include <cstddef>
#include <cstdint>
#include <vector>

struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;  // straight (not premultiplied)
};

struct Mask {
    Mask(int32_t width, int32_t height);
    float& at(int32_t x, int32_t y) { return value[static_cast<size_t>(y) * width + x]; }
    float at(int32_t x, int32_t y) const { return value[static_cast<size_t>(y) * width + x]; }

    int32_t width;
    int32_t height;
    std::vector<float> value;  // coverage 0..1
};

// An 8-bit picture as it goes into a PNG: RGBA, straight alpha, top row first.
struct Rgba8Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4 bytes
};

class Canvas {
public:
    Canvas(int32_t width, int32_t height);  // fully transparent

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    // Composites colour (straight alpha) at one pixel, "over" what is there.
    void blend(int32_t x, int32_t y, Colour colour);
    // Composites colour through a mask: the colour's alpha times the mask
    // times opacity is the coverage at each pixel.
    void paint(const Mask& mask, Colour colour, float opacity = 1.0f);
    // Premultiplied RGBA of one pixel.
    const float* pixel(int32_t x, int32_t y) const { return &rgba_[(static_cast<size_t>(y) * width_ + x) * 4]; }

    // Rounds to 8 bits with straight alpha. Fully transparent pixels take
    // bleedColour's RGB, so that bilinear filtering at the edge of a shape
    // fades towards that colour rather than towards black. With dither set,
    // colour channels get a fixed per-pixel offset of under half a step
    // (no banding in slow gradients; alpha is never dithered).
    Rgba8Image toRgba8(Colour bleedColour, bool dither) const;

private:
    int32_t width_;
    int32_t height_;
    std::vector<float> rgba_;
};

// Gaussian blur, sigma in pixels per axis (0 leaves that axis), made of
// three box blurs per axis (within a few per cent of the true curve, and
// linear in the picture's size whatever the sigma). Pixels beyond the edge
// count as 0.
Mask gaussianBlur(const Mask& mask, float sigmaX, float sigmaY);
// How far (in pixels) gaussianBlur spreads a value along an axis of that sigma.
int32_t blurReach(float sigma);

// Fixed pseudo-random value in [0, 1) for integer coordinates and a seed:
// the same inputs give the same value on every run and machine.
float hashNoise(int32_t x, int32_t y, uint32_t seed);

// Hermite step from 0 at edge0 to 1 at edge1.
float smoothStep(float edge0, float edge1, float x);
