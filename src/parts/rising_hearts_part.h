#pragma once
// The closing scene: seven small hearts side by side, each tumbling about its
// own tilted axis and rising at its own speed from below the view to above
// it, over and over, in front of the backdrop and under the full-window
// overlay. It emerges from black and never ends by itself.
#include <cstdint>

#include "parts/demo_part.h"

class LwObject;

namespace risingHearts {

constexpr int heartCount = 7;
constexpr float bottomHeight = -2.8f;  // where a heart starts its climb
constexpr float topHeight = 2.8f;      // a heart above this starts again at the bottom

// Per-heart placement and motion.
float heartX(int heart);  // eye-space x, left to right
extern const float heartDepths[heartCount];   // eye-space z
extern const float tumbleFactor[heartCount];  // share of tumbleAngle
extern const float riseSpeed[heartCount];     // units per millisecond

}  // namespace risingHearts

// The scene's animation state. It outlives the parts: one is held for the
// whole show (by the sequencer) and handed to every part of this kind.
struct RisingHeartsState {
    float riseHeight[risingHearts::heartCount] = {};  // eye-space y of each heart
    float tumbleAngle = 0.0f;  // common tumbling angle, degrees
    bool fadeStarted = false;  // the opening fade has been set up (once a show)
    bool heightsSet = false;   // the first frame of the show has set riseHeight
};

class RisingHeartsPart : public DemoPart {
public:
    // state: the show's one state of this scene; heart: the object drawn, or
    // null for none. Both outlive the part.
    RisingHeartsPart(RisingHeartsState& state, LwObject* heart) : state_(state), heart_(heart) {}
    ~RisingHeartsPart() override = default;

    void render(int32_t elapsedMs) override;
    void advance(int32_t elapsedMs) override;

private:
    // What one frame shows: the hearts where they stood before this frame's rise.
    struct Frame {
        float riseHeight[risingHearts::heartCount] = {};
        float tumbleAngle = 0.0f;
    };
    Frame step(int32_t elapsedMs);
    void draw(const Frame& frame);

    RisingHeartsState& state_;
    LwObject* heart_;
};
