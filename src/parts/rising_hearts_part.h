#pragma once
// The closing scene: seven small hearts side by side, each tumbling about its
// own tilted axis and rising at its own speed from below the view to above
// it, over and over, in front of the backdrop and under the full-window
// overlay. It emerges from black and never ends by itself.
#include <cstdint>

#include "parts/demo_part.h"

// The scene's animation state, held once for the program (not per part).
namespace risingHearts {

constexpr int heartCount = 7;
constexpr float bottomHeight = -2.8f;  // where a heart starts its climb
constexpr float topHeight = 2.8f;      // a heart above this starts again at the bottom

extern float riseHeight[heartCount];  // eye-space y of each heart
extern float tumbleAngle;             // common tumbling angle, degrees
extern bool fadeStarted;              // the opening fade has been set up (once a run)
extern bool heightsSet;               // the first render of the run has set riseHeight

// Per-heart placement and motion.
float heartX(int heart);  // eye-space x, left to right
extern const float heartDepths[heartCount];   // eye-space z
extern const float tumbleFactor[heartCount];  // share of tumbleAngle
extern const float riseSpeed[heartCount];     // units per millisecond

// Puts the state back to its program-start values; for tests, which run many
// shows in one process.
void resetState();

}  // namespace risingHearts

class RisingHeartsPart : public DemoPart {
public:
    RisingHeartsPart() = default;
    ~RisingHeartsPart() override = default;

    void render(int32_t elapsedMs) override;
};
