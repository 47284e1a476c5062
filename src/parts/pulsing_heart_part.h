#pragma once
// The opening scene: the heart large in the middle, spinning in front of the
// backdrop, rippling while a wobble dies away, jumping towards the viewer on
// the beat rows, with four text images fading in and out over it; it fades to
// black and ends itself at order 26.
#include <cstdint>

#include "parts/demo_part.h"

class LwObject;
struct Vec3;

// The scene's animation state. It outlives the parts: one is held for the
// whole show (by the sequencer) and handed to every part of this kind, so a
// new part carries on where the last one left off.
struct PulsingHeartState {
    float spinAngle = 90.0f;       // degrees about the vertical axis; also the wobble's phase
    float heartDepth = -2.5f;      // eye-space z of the heart
    float wobbleStrength = 1.0f;   // overall wobble factor; the wobble runs only while > 0
};

namespace pulsingHeart {

constexpr double wobbleAmplitude = 0.2;
constexpr double wobbleScale = 100.0;
constexpr double wobbleFrequency = 0.05;

// Moves one point by the wobble at phase `angle` (a plain number, also the
// spin in degrees) and `strength`: x first, then y, then z from the new x.
// Computed in double precision, each coordinate stored back as a float.
void wobblePoint(Vec3& point, float angle, float strength);

// The row numbers of every pattern on which the heart jumps to -2.2.
bool isBeatRow(int32_t row);

}  // namespace pulsingHeart

class PulsingHeartPart : public DemoPart {
public:
    // state: the show's one state of this scene; heart: the object drawn (and
    // deformed in place for the frame), or null for none. Both outlive the part.
    PulsingHeartPart(PulsingHeartState& state, LwObject* heart) : state_(state), heart_(heart) {}
    ~PulsingHeartPart() override = default;

    void render(int32_t elapsedMs) override;
    void advance(int32_t elapsedMs) override;

    // textAlpha moves by rate x elapsedMs, up while textRising (to at most
    // 0.9), else down (to at least 0).
    void stepTextAlpha(float rate, int32_t elapsedMs);

    float textAlpha = 0.0f;  // opacity of the current text image, 0 to 0.9
    bool textRising = true;  // the text image fades in (true) or out

private:
    // What one frame shows, taken from the state at the moments the frame
    // reads it; stepping and drawing a frame are apart so that a replay can
    // step without drawing.
    struct Frame {
        bool blank = true;            // only the clear is shown
        float wobbleAngle = 0.0f;     // phase of this frame's wobble
        float wobbleStrength = 0.0f;  // strength of this frame's wobble; none at or below 0
        float heartDepth = 0.0f;
        float spinAngle = 0.0f;
        float textAlpha = 0.0f;       // the text image's colour alpha (from before the step)
        int textTexture = -1;         // the text image shown; -1: none
    };
    Frame step(int32_t elapsedMs);
    void draw(const Frame& frame);

    PulsingHeartState& state_;
    LwObject* heart_;
};
