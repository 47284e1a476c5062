#pragma once
// The opening scene: the heart large in the middle, spinning in front of the
// backdrop, rippling while a wobble dies away, jumping towards the viewer on
// the beat rows, with four text images fading in and out over it; it fades to
// black and ends itself at order 26.
#include <cstdint>

#include "parts/demo_part.h"

struct Vec3;

// The scene's animation state, held once for the program: set at program
// start and kept when a new part is created.
namespace pulsingHeart {

extern float spinAngle;       // degrees about the vertical axis; also the wobble's phase
extern float heartDepth;      // eye-space z of the heart
extern float wobbleStrength;  // overall wobble factor; the wobble runs only while > 0

constexpr double wobbleAmplitude = 0.2;
constexpr double wobbleScale = 100.0;
constexpr double wobbleFrequency = 0.05;

// Moves one point by the wobble at phase `angle` (a plain number, also the
// spin in degrees) and `strength`: x first, then y, then z from the new x.
// Computed in double precision, each coordinate stored back as a float.
void wobblePoint(Vec3& point, float angle, float strength);

// The row numbers of every pattern on which the heart jumps to -2.2.
bool isBeatRow(int32_t row);

// Puts the state back to its program-start values; for tests, which run many
// shows in one process.
void resetState();

}  // namespace pulsingHeart

class PulsingHeartPart : public DemoPart {
public:
    PulsingHeartPart() = default;
    ~PulsingHeartPart() override = default;

    void render(int32_t elapsedMs) override;

    // textAlpha moves by rate x elapsedMs, up while textRising (to at most
    // 0.9), else down (to at least 0).
    void stepTextAlpha(float rate, int32_t elapsedMs);

    float textAlpha = 0.0f;  // opacity of the current text image, 0 to 0.9
    bool textRising = true;  // the text image fades in (true) or out
};
