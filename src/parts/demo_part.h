#pragma once
// The base of every scene: the music position of the frame, the running flag,
// and the backdrop, overlay and fade-veil services.
#include <cstdint>

class DemoPart {
public:
    DemoPart() = default;

    // Virtual operations, in this slot order.
    virtual void drawBackdrop(int index);
    virtual void drawOverlay(int index, bool keepColour);
    virtual void render(int32_t elapsedMs);
    virtual void stop();
    virtual void start();
    virtual ~DemoPart() = default;

    void drawFade(float elapsedMs);
    void fadeIn(float rate, float r, float g, float b);
    void fadeOut(float rate, float r, float g, float b);

    int32_t row = -1;     // getRow of this frame
    int32_t order = 0;    // getOrder of this frame
    bool active = false;  // true while the part runs
    // No veil before the first fade.
    float fadeAlpha = 0.0f;  // veil opacity; drawn only while > 0
    float fadeRate = 0.0f;   // per millisecond; < 0 thins, > 0 thickens
    float fadeColour[3] = {0.0f, 0.0f, 0.0f};
};
