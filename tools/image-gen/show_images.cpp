#include "show_images.h"

#include <algorithm>
#include <cmath>
#include <utility>

// Full-window pictures are designed in window pixels (640x480, y down) and
// drawn into 1024x512 texels: one window pixel is 1.6 texels across and
// 16/15 texels down.
namespace {

constexpr float windowWidth = 640.0f;
constexpr float windowHeight = 480.0f;
constexpr float texelsPerPixelX = fullWindowWidth / windowWidth;
constexpr float texelsPerPixelY = fullWindowHeight / windowHeight;
constexpr float stretchX = texelsPerPixelX / texelsPerPixelY;  // 1.5

// Lettering colours: warm white letters, a pink inner glow and a violet haze.
constexpr Colour letterWhite{1.0f, 0.96f, 0.97f, 1.0f};
constexpr Colour accentPink{1.0f, 0.62f, 0.76f, 1.0f};
constexpr Colour glowPink{1.0f, 0.30f, 0.55f, 1.0f};
constexpr Colour hazeViolet{0.62f, 0.22f, 1.0f, 1.0f};

TextStyle windowStyle(float emPixels, float slant = 0.0f, float trackingEm = 0.0f) {
    return TextStyle{emPixels * texelsPerPixelY, stretchX, slant, trackingEm};
}

// One glow layer: the ink blurred by sigma window pixels, its coverage
// multiplied by gain (and capped at 1), in colour.
struct Glow {
    float sigmaPixels;
    float gain;
    Colour colour;
};

struct Ink {
    Mask mask;
    Colour colour;
};

Mask unionOf(const std::vector<Ink>& inks) {
    Mask all(fullWindowWidth, fullWindowHeight);
    for (const Ink& ink : inks) {
        for (size_t i = 0; i < all.value.size(); ++i) {
            all.value[i] = std::max(all.value[i], ink.mask.value[i]);
        }
    }
    return all;
}

// Glows under the ink, then the ink itself on top.
LetteredPicture composeLettering(const std::vector<Ink>& inks, const std::vector<Glow>& glows) {
    LetteredPicture picture;
    picture.ink = unionOf(inks);
    Canvas canvas(fullWindowWidth, fullWindowHeight);
    for (const Glow& glow : glows) {
        const float sigmaX = glow.sigmaPixels * texelsPerPixelX;
        const float sigmaY = glow.sigmaPixels * texelsPerPixelY;
        Mask halo = gaussianBlur(picture.ink, sigmaX, sigmaY);
        for (float& v : halo.value) {
            v = std::min(v * glow.gain, 1.0f);
        }
        canvas.paint(halo, glow.colour);
        picture.reachX = std::max(picture.reachX, blurReach(sigmaX));
        picture.reachY = std::max(picture.reachY, blurReach(sigmaY));
    }
    for (const Ink& ink : inks) {
        canvas.paint(ink.mask, ink.colour);
    }
    picture.image = canvas.toRgba8(glowPink, false);
    return picture;
}

// Coverage of a shape given by inside(x, y) in window pixels, sampled 4x4
// per texel, over the window-pixel box [x0, x1] x [y0, y1].
template <typename Inside>
void fillShape(Mask& mask, float x0, float y0, float x1, float y1, Inside inside) {
    const int32_t tx0 = std::max(0, static_cast<int32_t>(std::floor(x0 * texelsPerPixelX)));
    const int32_t tx1 = std::min(mask.width - 1, static_cast<int32_t>(std::ceil(x1 * texelsPerPixelX)));
    const int32_t ty0 = std::max(0, static_cast<int32_t>(std::floor(y0 * texelsPerPixelY)));
    const int32_t ty1 = std::min(mask.height - 1, static_cast<int32_t>(std::ceil(y1 * texelsPerPixelY)));
    for (int32_t ty = ty0; ty <= ty1; ++ty) {
        for (int32_t tx = tx0; tx <= tx1; ++tx) {
            int32_t hits = 0;
            for (int32_t sy = 0; sy < 4; ++sy) {
                for (int32_t sx = 0; sx < 4; ++sx) {
                    const float px = (static_cast<float>(tx) + (static_cast<float>(sx) + 0.5f) / 4.0f) / texelsPerPixelX;
                    const float py = (static_cast<float>(ty) + (static_cast<float>(sy) + 0.5f) / 4.0f) / texelsPerPixelY;
                    hits += inside(px, py) ? 1 : 0;
                }
            }
            mask.at(tx, ty) = std::max(mask.at(tx, ty), static_cast<float>(hits) / 16.0f);
        }
    }
}

// A heart of the given height (window pixels) centred on (cx, cy): the
// classic sextic (x^2 + y^2 - 1)^3 = x^2 y^3, which spans about 2.3 units
// across and 2.25 down.
void fillHeart(Mask& mask, float cx, float cy, float height) {
    const float scale = 2.25f / height;  // heart units per pixel
    const float halfWidth = 1.15f / scale;
    fillShape(mask, cx - halfWidth, cy - height * 0.6f, cx + halfWidth, cy + height * 0.6f,
              [&](float px, float py) {
                  const float x = (px - cx) * scale;
                  const float y = -(py - cy) * scale + 0.1f;  // y up, centred on the shape's middle
                  const float a = x * x + y * y - 1.0f;
                  return a * a * a - x * x * y * y * y <= 0.0f;
              });
}

// Signed distance to a rounded rectangle centred at the origin.
float roundedBoxDistance(float x, float y, float halfWidth, float halfHeight, float radius) {
    const float qx = std::fabs(x) - halfWidth + radius;
    const float qy = std::fabs(y) - halfHeight + radius;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

// A horizontal rule from x0 to x1 at y, thickness in pixels, thinning to
// nothing towards the far end (fadeRight: towards x1).
void fillRule(Mask& mask, float x0, float x1, float y, float thickness, bool fadeRight) {
    fillShape(mask, x0, y - thickness, x1, y + thickness, [&](float px, float py) {
        if (px < x0 || px > x1) {
            return false;
        }
        const float along = (px - x0) / (x1 - x0);
        const float taper = fadeRight ? 1.0f - along : along;
        return std::fabs(py - y) <= thickness * 0.5f * taper;
    });
}

}  // namespace

struct ShowImages::Fonts {
    explicit Fonts(const std::string& dir)
        : sansBold(dir + "/DejaVuSans-Bold.ttf"), serifBold(dir + "/DejaVuSerif-Bold.ttf"), sans(dir + "/DejaVuSans.ttf") {}
    Typeface sansBold;
    Typeface serifBold;
    Typeface sans;
};

ShowImages::ShowImages(const std::string& fontDir) : fonts_(std::make_unique<Fonts>(fontDir)) {
    for (const Typeface* face : {&fonts_->sansBold, &fonts_->serifBold, &fonts_->sans}) {
        if (!face->ok() && error_.empty()) {
            error_ = face->error();
        }
    }
}

ShowImages::~ShowImages() = default;

// ---------------------------------------------------------------------------
// bg.png: violet at the top, crimson at the bottom, a lighter rose glow where
// the heart spins, a faint mosaic of triangles, darker towards the corners.
Rgba8Image ShowImages::backdrop() {
    Canvas canvas(fullWindowWidth, fullWindowHeight);
    constexpr Colour violet{0.16f, 0.04f, 0.26f, 1.0f};
    constexpr Colour crimson{0.36f, 0.03f, 0.11f, 1.0f};
    constexpr Colour rose{0.62f, 0.16f, 0.36f, 1.0f};
    constexpr float side = 0.22f;                          // triangle side, in window heights
    constexpr float rowHeight = side * 0.8660254f;         // side * sqrt(3) / 2
    for (int32_t ty = 0; ty < fullWindowHeight; ++ty) {
        for (int32_t tx = 0; tx < fullWindowWidth; ++tx) {
            // Window coordinates in window heights, centred: x -2/3..2/3, y -1/2..1/2 (up).
            const float x = ((static_cast<float>(tx) + 0.5f) / fullWindowWidth - 0.5f) * (windowWidth / windowHeight);
            const float y = 0.5f - (static_cast<float>(ty) + 0.5f) / fullWindowHeight;

            // Diagonal gradient, violet upper right to crimson lower left.
            const float along = std::clamp(0.5f + y * 0.9f + x * 0.25f, 0.0f, 1.0f);
            const float mix = smoothStep(0.0f, 1.0f, along);
            float r = crimson.r + (violet.r - crimson.r) * mix;
            float g = crimson.g + (violet.g - crimson.g) * mix;
            float b = crimson.b + (violet.b - crimson.b) * mix;

            // Rose glow behind the heart.
            const float centre = std::hypot(x * 0.85f, y + 0.02f);
            const float glow = std::exp(-centre * centre / (2.0f * 0.2f * 0.2f)) * 0.55f;
            r += (rose.r - r) * glow;
            g += (rose.g - g) * glow;
            b += (rose.b - b) * glow;

            // Triangle mosaic: skewed lattice coordinates, one shade per cell,
            // thin lighter seams along the edges.
            const float lb = y / rowHeight + 8.0f;
            const float la = x / side - (y / rowHeight) * 0.5f + 8.0f;
            const float fa = la - std::floor(la);
            const float fb = lb - std::floor(lb);
            const bool upper = fa + fb > 1.0f;
            const float cell = hashNoise(static_cast<int32_t>(std::floor(la)) * 2 + (upper ? 1 : 0),
                                         static_cast<int32_t>(std::floor(lb)), 0x7e55u);
            const float edge = std::min({fa, fb, std::fabs(1.0f - fa - fb)}) * rowHeight;  // window heights
            const float seam = 1.0f - smoothStep(0.0f, 0.004f, edge);
            const float shade = 1.0f + (cell - 0.5f) * 0.16f + seam * 0.10f;
            r *= shade;
            g *= shade;
            b *= shade;

            // Vignette on the window's own ellipse.
            const float radius = std::hypot(x / (windowWidth / windowHeight * 0.5f), y / 0.5f);
            const float vignette = 1.0f - 0.6f * smoothStep(0.55f, 1.45f, radius);
            canvas.blend(tx, ty, Colour{r * vignette, g * vignette, b * vignette, 1.0f});
        }
    }
    return canvas.toRgba8(Colour{}, true);
}

// ---------------------------------------------------------------------------
// text-1 to text-4: one message each, in the top or the bottom third.
LetteredPicture ShowImages::textImage(int32_t number) {
    std::vector<Ink> inks;
    inks.push_back(Ink{Mask(fullWindowWidth, fullWindowHeight), letterWhite});
    inks.push_back(Ink{Mask(fullWindowWidth, fullWindowHeight), accentPink});
    Mask& main = inks[0].mask;
    Mask& accent = inks[1].mask;
    const float centreX = windowWidth * 0.5f * texelsPerPixelX;
    const std::vector<Glow> glows = {Glow{14.0f, 1.1f, hazeViolet}, Glow{4.0f, 1.6f, glowPink}};

    // A credit line: a small pink label and the credit in white, centred as one.
    auto credit = [&](const std::string& label, const std::string& value, float baselinePixels) {
        const TextStyle labelStyle = windowStyle(30.0f, 0.0f, 0.06f);
        const TextStyle valueStyle = windowStyle(44.0f, 0.0f, 0.02f);
        const float gap = 14.0f * texelsPerPixelX;
        const float labelWidth = fonts_->sans.measure(label, labelStyle);
        const float valueWidth = fonts_->sansBold.measure(value, valueStyle);
        const float left = centreX - (labelWidth + gap + valueWidth) * 0.5f;
        const float baseline = baselinePixels * texelsPerPixelY;
        fonts_->sans.draw(accent, label, labelStyle, left, baseline);
        fonts_->sansBold.draw(main, value, valueStyle, left + labelWidth + gap, baseline);
        // A short tapering rule under the line, from its middle outwards.
        const float ruleY = baselinePixels + 16.0f;
        const float half = (labelWidth + gap + valueWidth) * 0.5f / texelsPerPixelX;
        fillRule(accent, windowWidth * 0.5f, windowWidth * 0.5f + half, ruleY, 3.0f, true);
        fillRule(accent, windowWidth * 0.5f - half, windowWidth * 0.5f, ruleY, 3.0f, false);
    };

    switch (number) {
    case 1: {
        // The show's name, wide-set, with a small heart over the middle.
        const TextStyle style = windowStyle(82.0f, 0.0f, 0.10f);
        fonts_->serifBold.drawCentred(main, "tessaline", style, centreX, 112.0f * texelsPerPixelY);
        fillHeart(accent, windowWidth * 0.5f, 28.0f, 18.0f);
        break;
    }
    case 2: {
        // The title, in a slanted serif, with two hearts beside it.
        const TextStyle style = windowStyle(76.0f, 0.22f, 0.01f);
        const float width = fonts_->serifBold.measure("we luv you!", style) / texelsPerPixelX;
        fonts_->serifBold.drawCentred(main, "we luv you!", style, centreX, 418.0f * texelsPerPixelY);
        fillHeart(accent, windowWidth * 0.5f - width * 0.5f - 26.0f, 398.0f, 22.0f);
        fillHeart(accent, windowWidth * 0.5f + width * 0.5f + 26.0f, 398.0f, 22.0f);
        break;
    }
    case 3:
        credit("code:", "vexel demosystem", 96.0f);
        break;
    default:
        credit("music:", "an original xm", 416.0f);
        break;
    }
    return composeLettering(inks, glows);
}

// ---------------------------------------------------------------------------
// zurak.png: a rounded frame with hearts at its corners, the group's name at
// the top and a line of greetings at the bottom; clear everywhere else.
LetteredPicture ShowImages::groupOverlay() {
    std::vector<Ink> inks;
    inks.push_back(Ink{Mask(fullWindowWidth, fullWindowHeight), letterWhite});
    inks.push_back(Ink{Mask(fullWindowWidth, fullWindowHeight), accentPink});
    Mask& main = inks[0].mask;
    Mask& accent = inks[1].mask;
    const float centreX = windowWidth * 0.5f * texelsPerPixelX;

    // The frame: a rounded rectangle 3 pixels wide, 22 pixels in from the edges.
    constexpr float inset = 22.0f;
    constexpr float halfLine = 1.5f;
    const float halfWidth = windowWidth * 0.5f - inset;
    const float halfHeight = windowHeight * 0.5f - inset;
    fillShape(accent, 0.0f, 0.0f, windowWidth, windowHeight, [&](float px, float py) {
        const float d = roundedBoxDistance(px - windowWidth * 0.5f, py - windowHeight * 0.5f, halfWidth, halfHeight, 26.0f);
        return std::fabs(d) <= halfLine;
    });
    // A heart on each corner of the frame, where the curve turns.
    constexpr float cornerIn = inset + 26.0f * 0.29f;  // on the arc's middle
    for (const float cx : {cornerIn, windowWidth - cornerIn}) {
        for (const float cy : {cornerIn, windowHeight - cornerIn}) {
            fillHeart(accent, cx, cy, 20.0f);
        }
    }

    // The group's name.
    const TextStyle nameStyle = windowStyle(96.0f, 0.0f, 0.16f);
    fonts_->sansBold.drawCentred(main, "zurak", nameStyle, centreX, 134.0f * texelsPerPixelY);

    // Greetings, two phrases joined by a heart.
    const TextStyle lineStyle = windowStyle(19.0f, 0.0f, 0.02f);
    const std::string first = "greetings to all sceners";
    const std::string second = "keep the hearts beating";
    const float gap = 30.0f * texelsPerPixelX;
    const float firstWidth = fonts_->sans.measure(first, lineStyle);
    const float secondWidth = fonts_->sans.measure(second, lineStyle);
    const float left = centreX - (firstWidth + gap + secondWidth) * 0.5f;
    const float baseline = 424.0f * texelsPerPixelY;
    fonts_->sans.draw(main, first, lineStyle, left, baseline);
    fonts_->sans.draw(main, second, lineStyle, left + firstWidth + gap, baseline);
    fillHeart(accent, (left + firstWidth + gap * 0.5f) / texelsPerPixelX, 418.0f, 12.0f);

    // A tighter haze than the text images': the frame runs all round the
    // window, and the hearts must show through around it.
    return composeLettering(inks, {Glow{7.0f, 0.9f, hazeViolet}, Glow{3.0f, 1.5f, glowPink}});
}

// ---------------------------------------------------------------------------
// heart-env.png: a sphere map, the view of a mirror ball in a photo studio
// (OpenGL's sphere mapping: the centre reflects the viewer, the rim reflects
// what lies behind the ball; up in the picture is up). It is multiplied by
// the heart's red, so it stays light and neutral: a bright key softbox upper
// left, a strip light on the right, a small spot above, a grey room that
// darkens towards the floor and towards the rim. Every edge is soft: the
// heart looks the map up once per facet, so a hard edge in it would show
// as a staircase of facets across the heart.
namespace {

struct Direction {
    float x;
    float y;
    float z;
};

Direction normalised(Direction d) {
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return Direction{d.x / length, d.y / length, d.z / length};
}

float dot(Direction a, Direction b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Direction cross(Direction a, Direction b) {
    return Direction{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A rectangular softbox with rounded corners facing the ball: centre
// direction, half extents on its own plane (one unit away), soft edge width.
struct Softbox {
    Direction centre;
    float halfWidth;
    float halfHeight;
    float softness;
    float brightness;
};

float softboxLight(const Softbox& box, Direction r) {
    const Direction c = normalised(box.centre);
    const float facing = dot(r, c);
    if (facing <= 0.05f) {
        return 0.0f;
    }
    const Direction right = normalised(cross(Direction{0.0f, 1.0f, 0.0f}, c));
    const Direction up = cross(c, right);
    const float u = dot(r, right) / facing / box.halfWidth;
    const float v = dot(r, up) / facing / box.halfHeight;
    const float shape = std::pow(std::pow(std::fabs(u), 4.0f) + std::pow(std::fabs(v), 4.0f), 0.25f);
    return box.brightness * (1.0f - smoothStep(1.0f - box.softness, 1.0f + box.softness, shape));
}

// Light arriving from direction r (eye space: x right, y up, z towards the viewer).
float studio(Direction r) {
    // The room: light grey above, a brighter band at the horizon, a darker
    // floor; straight behind the ball it fades to one dark grey, so the
    // silhouette darkens evenly (all of the map's rim looks that way).
    float light = 0.52f + 0.12f * r.y;
    light += 0.10f * std::exp(-(r.y * r.y) / (2.0f * 0.2f * 0.2f));
    light -= 0.24f * smoothStep(-0.05f, -0.7f, r.y);
    const float behind = smoothStep(-0.35f, -0.97f, r.z);
    light = light + (0.16f - light) * behind;
    const Softbox key{Direction{-0.55f, 0.50f, 0.67f}, 0.78f, 0.52f, 0.45f, 1.0f};
    const Softbox strip{Direction{0.90f, 0.08f, 0.42f}, 0.16f, 1.30f, 0.55f, 0.88f};
    const Softbox spot{Direction{0.22f, 0.55f, 0.80f}, 0.12f, 0.12f, 0.70f, 1.0f};
    const Softbox rim{Direction{0.0f, 0.70f, -0.71f}, 1.2f, 0.16f, 0.6f, 0.75f};
    const Softbox bounce{Direction{-0.2f, -0.55f, 0.81f}, 1.4f, 0.20f, 0.6f, 0.42f};
    for (const Softbox* box : {&key, &strip, &spot, &rim, &bounce}) {
        light = std::max(light, softboxLight(*box, r));
    }
    return std::min(light, 1.0f);
}

}  // namespace

Rgba8Image ShowImages::heartEnvironment() {
    Canvas canvas(sphereMapSize, sphereMapSize);
    constexpr int32_t samples = 4;  // per axis per texel
    for (int32_t ty = 0; ty < sphereMapSize; ++ty) {
        for (int32_t tx = 0; tx < sphereMapSize; ++tx) {
            float sum = 0.0f;
            for (int32_t sy = 0; sy < samples; ++sy) {
                for (int32_t sx = 0; sx < samples; ++sx) {
                    // Disc coordinates, y up. The last texel ring before the
                    // rim and everything outside it repeat the colour found
                    // just inside: at the rim itself every direction crowds
                    // towards "straight behind", so filtering there would
                    // otherwise meet a ring of a different colour.
                    float x = ((static_cast<float>(tx) + (sx + 0.5f) / samples) / sphereMapSize) * 2.0f - 1.0f;
                    float y = 1.0f - ((static_cast<float>(ty) + (sy + 0.5f) / samples) / sphereMapSize) * 2.0f;
                    const float radius = std::hypot(x, y);
                    constexpr float edge = 1.0f - 3.0f / sphereMapSize;
                    if (radius > edge) {
                        x *= edge / radius;
                        y *= edge / radius;
                    }
                    // Ball normal under the disc point, then the view (0, 0, 1)
                    // reflected about it.
                    const float nz = std::sqrt(std::max(0.0f, 1.0f - x * x - y * y));
                    const Direction r{2.0f * nz * x, 2.0f * nz * y, 2.0f * nz * nz - 1.0f};
                    sum += studio(r);
                }
            }
            const float light = sum / (samples * samples);
            // Slightly warm, as tungsten-balanced softboxes read on film.
            canvas.blend(tx, ty, Colour{light, light * 0.97f, light * 0.95f, 1.0f});
        }
    }
    return canvas.toRgba8(Colour{}, true);
}

std::vector<NamedPicture> ShowImages::all() {
    std::vector<NamedPicture> pictures;
    pictures.push_back({"bg.png", "backdrop: violet to crimson, rose glow, triangle mosaic", backdrop()});
    pictures.push_back({"text-1.png", "lettering: tessaline", textImage(1).image});
    pictures.push_back({"text-2.png", "lettering: we luv you!", textImage(2).image});
    pictures.push_back({"text-3.png", "lettering: code: vexel demosystem", textImage(3).image});
    pictures.push_back({"text-4.png", "lettering: music: an original xm", textImage(4).image});
    pictures.push_back({"zurak.png", "closing overlay: frame, zurak, greetings", groupOverlay().image});
    pictures.push_back({"heart-env.png", "sphere map: lacquer studio lights", heartEnvironment()});
    return pictures;
}
