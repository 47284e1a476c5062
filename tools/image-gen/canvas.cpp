#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

Mask::Mask(int32_t width, int32_t height)
    : width(width), height(height), value(static_cast<size_t>(width) * height, 0.0f) {}

Canvas::Canvas(int32_t width, int32_t height)
    : width_(width), height_(height), rgba_(static_cast<size_t>(width) * height * 4, 0.0f) {}

void Canvas::blend(int32_t x, int32_t y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || colour.a <= 0.0f) {
        return;
    }
    const float a = std::min(colour.a, 1.0f);
    float* p = &rgba_[(static_cast<size_t>(y) * width_ + x) * 4];
    const float keep = 1.0f - a;
    p[0] = colour.r * a + p[0] * keep;
    p[1] = colour.g * a + p[1] * keep;
    p[2] = colour.b * a + p[2] * keep;
    p[3] = a + p[3] * keep;
}

void Canvas::paint(const Mask& mask, Colour colour, float opacity) {
    const int32_t w = std::min(width_, mask.width);
    const int32_t h = std::min(height_, mask.height);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const float coverage = std::clamp(mask.at(x, y), 0.0f, 1.0f);
            if (coverage > 0.0f) {
                blend(x, y, Colour{colour.r, colour.g, colour.b, colour.a * coverage * opacity});
            }
        }
    }
}

namespace {

uint8_t toByte(float v, float offset) {
    const float scaled = std::floor(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f + offset);
    return static_cast<uint8_t>(std::clamp(scaled, 0.0f, 255.0f));
}

}  // namespace

Rgba8Image Canvas::toRgba8(Colour bleedColour, bool dither) const {
    Rgba8Image out;
    out.width = width_;
    out.height = height_;
    out.pixels.resize(static_cast<size_t>(width_) * height_ * 4);
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < width_; ++x) {
            const float* p = pixel(x, y);
            uint8_t* q = &out.pixels[(static_cast<size_t>(y) * width_ + x) * 4];
            const uint8_t alpha = toByte(p[3], 0.0f);
            q[3] = alpha;
            if (alpha == 0) {
                q[0] = toByte(bleedColour.r, 0.0f);
                q[1] = toByte(bleedColour.g, 0.0f);
                q[2] = toByte(bleedColour.b, 0.0f);
                continue;
            }
            const float offset = dither ? hashNoise(x, y, 0x5eedu) - 0.5f : 0.0f;
            for (int c = 0; c < 3; ++c) {
                q[c] = toByte(p[c] / p[3], offset);
            }
        }
    }
    return out;
}

namespace {

// Box radii of three successive box blurs whose result approximates a
// Gaussian of the given sigma (the boxes' variances add up to sigma^2).
std::vector<int32_t> boxRadii(float sigma) {
    constexpr int32_t passes = 3;
    const float ideal = std::sqrt(12.0f * sigma * sigma / passes + 1.0f);
    int32_t lower = static_cast<int32_t>(std::floor(ideal));
    if (lower % 2 == 0) {
        --lower;
    }
    const float lowerF = static_cast<float>(lower);
    const int32_t lowerCount = static_cast<int32_t>(std::lround(
        (12.0f * sigma * sigma - passes * lowerF * lowerF - 4.0f * passes * lowerF - 3.0f * passes) /
        (-4.0f * lowerF - 4.0f)));
    std::vector<int32_t> radii;
    for (int32_t i = 0; i < passes; ++i) {
        const int32_t width = i < lowerCount ? lower : lower + 2;
        radii.push_back((width - 1) / 2);
    }
    return radii;
}

// One box pass of the given radius over count values spaced stride apart;
// values beyond either end count as 0. A running sum keeps it O(count).
void boxLine(const float* in, float* out, int32_t count, int32_t stride, int32_t radius) {
    const double scale = 1.0 / (2.0 * radius + 1.0);
    double sum = 0.0;
    for (int32_t i = 0; i < radius && i < count; ++i) {
        sum += in[static_cast<ptrdiff_t>(i) * stride];
    }
    for (int32_t i = 0; i < count; ++i) {
        const int32_t enter = i + radius;
        const int32_t leave = i - radius - 1;
        if (enter < count) {
            sum += in[static_cast<ptrdiff_t>(enter) * stride];
        }
        if (leave >= 0) {
            sum -= in[static_cast<ptrdiff_t>(leave) * stride];
        }
        out[static_cast<ptrdiff_t>(i) * stride] = static_cast<float>(std::max(sum, 0.0) * scale);
    }
}

// Blurs along x (alongX) or y.
void blurAxis(Mask& mask, float sigma, bool alongX) {
    if (sigma <= 0.0f) {
        return;
    }
    std::vector<float> scratch(mask.value.size());
    const int32_t lines = alongX ? mask.height : mask.width;
    const int32_t count = alongX ? mask.width : mask.height;
    const int32_t stride = alongX ? 1 : mask.width;
    for (int32_t radius : boxRadii(sigma)) {
        for (int32_t line = 0; line < lines; ++line) {
            const size_t start = alongX ? static_cast<size_t>(line) * mask.width : static_cast<size_t>(line);
            boxLine(&mask.value[start], &scratch[start], count, stride, radius);
        }
        mask.value.swap(scratch);
    }
}

}  // namespace

Mask gaussianBlur(const Mask& mask, float sigmaX, float sigmaY) {
    Mask out = mask;
    blurAxis(out, sigmaX, true);
    blurAxis(out, sigmaY, false);
    return out;
}

int32_t blurReach(float sigma) {
    if (sigma <= 0.0f) {
        return 0;
    }
    int32_t reach = 0;
    for (int32_t radius : boxRadii(sigma)) {
        reach += radius;
    }
    return reach;
}

float hashNoise(int32_t x, int32_t y, uint32_t seed) {
    // A small integer mixer (xorshift-multiply rounds); plenty for dithering
    // and scattering, and free of any library's random engine.
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float smoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
