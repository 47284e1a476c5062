#include "parts/pulsing_heart_part.h"

#include <GL/gl.h>

#include <cmath>

#include "loader/lw_object.h"
#include "music/music_player.h"

namespace pulsingHeart {

void wobblePoint(Vec3& point, float angle, float strength) {
    const double a = angle;
    const double lift = wobbleAmplitude * strength;
    const double x = point.x;
    const double y = point.y;
    const double z = point.z;
    const double newX =
        x + lift * (std::cos(wobbleFrequency * (a - wobbleScale * y)) +
                    0.5 * std::sin(0.5 * wobbleFrequency * (a + wobbleScale * x)));
    point.x = static_cast<float>(newX);
    point.y = static_cast<float>(
        y + lift * (0.5 * std::sin(wobbleFrequency * (a - wobbleScale * z)) +
                    0.25 * std::cos(0.5 * wobbleFrequency * (a + wobbleScale * y))));
    // z follows the x just stored (as a float), not the old one.
    const double storedX = point.x;
    point.z = static_cast<float>(
        z + lift * (2.0 * std::sin(wobbleFrequency * (a - wobbleScale * storedX)) +
                    (1.0 / 3.0) * std::cos(0.5 * wobbleFrequency * (a + wobbleScale * z))));
}

bool isBeatRow(int32_t row) {
    switch (row) {
    case 0: case 4: case 16: case 20: case 32: case 36: case 48: case 52:
        return true;
    default:
        return false;
    }
}

}  // namespace pulsingHeart

namespace {

using namespace pulsingHeart;

constexpr int32_t endOrder = 26;
constexpr int32_t beatOrder = 4;        // beat jumps and the dying wobble from here on
constexpr float restingDepth = -3.0f;   // the heart sinks back no further than this
constexpr float beatDepth = -2.2f;      // where a beat row puts the heart
constexpr double sinkPerMs = 0.0005;    // units per millisecond
constexpr double wobbleDecayPerMs = 0.0005;
constexpr double spinPerMs = 0.05;      // degrees per millisecond
constexpr float textRatePerMs = 0.0001f;
constexpr float textAlphaMax = 0.9f;

// Texture indices: 1 the backdrop, 2 to 5 the four text images.
constexpr int backdropTexture = 1;

// Each text image fades in over three orders and out over the next two.
struct TextCue {
    int32_t firstOrder;
    int32_t lastOrder;
    bool rising;
    int texture;
};
constexpr TextCue textCues[] = {
    {6, 8, true, 2},    {9, 10, false, 2},  {11, 13, true, 3},  {14, 15, false, 3},
    {16, 18, true, 4},  {19, 20, false, 4}, {21, 23, true, 5},  {24, 25, false, 5},
};

const TextCue* textCueFor(int32_t order) {
    for (const TextCue& cue : textCues) {
        if (order >= cue.firstOrder && order <= cue.lastOrder) {
            return &cue;
        }
    }
    return nullptr;
}

}  // namespace

void PulsingHeartPart::stepTextAlpha(float rate, int32_t elapsedMs) {
    const float step = static_cast<float>(elapsedMs) * rate;
    if (textRising) {
        textAlpha += step;
        if (textAlpha > textAlphaMax) {
            textAlpha = textAlphaMax;
        }
    } else {
        textAlpha -= step;
        if (textAlpha < 0.0f) {
            textAlpha = 0.0f;
        }
    }
}

void PulsingHeartPart::render(int32_t elapsedMs) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw(step(elapsedMs));
}

void PulsingHeartPart::advance(int32_t elapsedMs) { step(elapsedMs); }

PulsingHeartPart::Frame PulsingHeartPart::step(int32_t elapsedMs) {
    Frame frame;
    row = musicPlayer.getRow();
    order = musicPlayer.getOrder();

    if (order == endOrder) {
        // This frame shows only the clear; the sequencer switches next frame.
        active = false;
        return frame;
    }
    if (order == 25 && row == 48) {
        fadeOut(0.001f, 0.0f, 0.0f, 0.0f);
    }
    if (order <= 0) {
        return frame;
    }
    frame.blank = false;

    // The wobble of this frame runs at the spin and strength it starts with.
    frame.wobbleAngle = state_.spinAngle;
    frame.wobbleStrength = state_.wobbleStrength;
    if (order >= beatOrder) {
        if (state_.heartDepth > restingDepth) {
            state_.heartDepth = static_cast<float>(state_.heartDepth - elapsedMs * sinkPerMs);
        }
        // No lower bound: once at or below 0 the heart keeps its loaded shape.
        state_.wobbleStrength = static_cast<float>(state_.wobbleStrength - elapsedMs * wobbleDecayPerMs);
        // -1 (no new row) is never a beat row, so each jump happens once.
        if (isBeatRow(row)) {
            state_.heartDepth = beatDepth;
        }
    }
    frame.heartDepth = state_.heartDepth;
    frame.spinAngle = state_.spinAngle;

    // The image shows the alpha from before this frame's step.
    frame.textAlpha = textAlpha;
    if (const TextCue* cue = textCueFor(order)) {
        textRising = cue->rising;
        stepTextAlpha(textRatePerMs, elapsedMs);
        frame.textTexture = cue->texture;
    }

    state_.spinAngle = static_cast<float>(state_.spinAngle + elapsedMs * spinPerMs);
    if (order == 1 && row == 0) {
        fadeIn(0.0001f, 0.0f, 0.0f, 0.0f);
    }
    stepFade(static_cast<float>(elapsedMs));
    return frame;
}

void PulsingHeartPart::draw(const Frame& frame) {
    if (frame.blank) {
        return;
    }
    if (heart_ != nullptr && frame.wobbleStrength > 0.0f) {
        for (Vec3& point : heart_->points) {
            wobblePoint(point, frame.wobbleAngle, frame.wobbleStrength);
        }
    }
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, frame.heartDepth);
    glRotatef(frame.spinAngle, 0.0f, 1.0f, 0.0f);
    if (heart_ != nullptr) {
        heart_->draw(SphereMappedImmediate);
    }
    drawBackdrop(backdropTexture);

    glColor4f(1.0f, 1.0f, 1.0f, frame.textAlpha);
    if (frame.textTexture >= 0) {
        drawOverlay(frame.textTexture, true);
    }
    drawVeil();
    if (heart_ != nullptr) {
        heart_->restorePoints();
    }
}
