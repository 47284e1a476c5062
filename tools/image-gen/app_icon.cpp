#include "app_icon.h"

#include <algorithm>
#include <cmath>

namespace {

// The heart curve (x^2 + y^2 - 1)^3 = x^2 y^3, y up, about 2.3 units across
// and 2.25 down; 0.1 moves its middle onto the origin.
bool insideHeart(float x, float y) {
    y += 0.1f;
    const float a = x * x + y * y - 1.0f;
    return a * a * a - x * x * y * y * y <= 0.0f;
}

constexpr int32_t kSamplesPerAxis = 4;  // 16 samples a pixel at the edge

}  // namespace

Rgba8Image appIcon(int32_t sizePx) {
    sizePx = std::clamp(sizePx, 16, 1024);
    const float unitsPerPx = 2.5f / static_cast<float>(sizePx);  // a margin of ~4 % each side
    const float half = static_cast<float>(sizePx) * 0.5f;
    const auto heartX = [&](float px) { return (px - half) * unitsPerPx; };
    const auto heartY = [&](float py) { return (half - py) * unitsPerPx; };

    Mask body(sizePx, sizePx);
    for (int32_t y = 0; y < sizePx; ++y) {
        for (int32_t x = 0; x < sizePx; ++x) {
            int32_t hits = 0;
            for (int32_t sy = 0; sy < kSamplesPerAxis; ++sy) {
                for (int32_t sx = 0; sx < kSamplesPerAxis; ++sx) {
                    const float px = static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSamplesPerAxis;
                    const float py = static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSamplesPerAxis;
                    hits += insideHeart(heartX(px), heartY(py)) ? 1 : 0;
                }
            }
            body.at(x, y) = static_cast<float>(hits) / (kSamplesPerAxis * kSamplesPerAxis);
        }
    }

    // A soft dark shadow under the heart keeps it readable on light and dark
    // menus alike.
    const float shadowSigma = static_cast<float>(sizePx) / 40.0f;
    Mask shadow = gaussianBlur(body, shadowSigma, shadowSigma);
    Mask shifted(sizePx, sizePx);
    const int32_t drop = std::max(1, sizePx / 48);
    for (int32_t y = drop; y < sizePx; ++y) {
        for (int32_t x = 0; x < sizePx; ++x) {
            shifted.at(x, y) = shadow.at(x, y - drop);
        }
    }
    Canvas canvas(sizePx, sizePx);
    canvas.paint(shifted, Colour{0.12f, 0.0f, 0.04f, 0.55f});

    // Lacquer: deep crimson at the rim, bright red towards a light that
    // comes from the upper left, and a white glint there.
    for (int32_t y = 0; y < sizePx; ++y) {
        for (int32_t x = 0; x < sizePx; ++x) {
            const float coverage = body.at(x, y);
            if (coverage <= 0.0f) {
                continue;
            }
            const float hx = heartX(static_cast<float>(x) + 0.5f);
            const float hy = heartY(static_cast<float>(y) + 0.5f);
            const float lightDistance = std::hypot(hx + 0.45f, hy - 0.45f);
            const float lit = 1.0f - smoothStep(0.0f, 1.9f, lightDistance);
            Colour colour{0.42f + 0.52f * lit, 0.02f + 0.08f * lit * lit, 0.08f + 0.10f * lit, coverage};
            const float glint = 1.0f - smoothStep(0.0f, 0.32f, std::hypot(hx + 0.52f, hy - 0.50f));
            colour.r += (1.0f - colour.r) * glint * 0.85f;
            colour.g += (1.0f - colour.g) * glint * 0.85f;
            colour.b += (1.0f - colour.b) * glint * 0.85f;
            canvas.blend(x, y, colour);
        }
    }
    return canvas.toRgba8(Colour{0.6f, 0.05f, 0.12f, 0.0f}, true);
}
