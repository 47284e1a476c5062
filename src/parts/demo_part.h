#pragma once
// The base of every scene: the music position of the frame, the running flag,
// and the backdrop, overlay and fade-veil services.
#include <cstdint>

class DemoPart {
public:
    DemoPart() = default;

    // Virtual operations, in this slot order.
    // Texture `index` on a quad at z = -5 that fills the view; no depth write.
    virtual void drawBackdrop(int index);
    // Texture `index` over the whole viewport, blended by alpha; in opaque
    // white, or with keepColour in the colour (and alpha) the caller set last.
    virtual void drawOverlay(int index, bool keepColour);
    // One frame; elapsedMs since the previous frame. The base draws nothing.
    virtual void render(int32_t elapsedMs);
    virtual void stop();   // clears active
    virtual void start();  // sets active
    virtual ~DemoPart() = default;
    // The frame of render without drawing: the same music queries, cues and
    // animation steps, no GL call. Replaying a stretch of the show with it
    // leaves the part as rendering it would. The base does nothing.
    virtual void advance(int32_t elapsedMs);

    // Steps the veil by elapsedMs and draws it while its alpha is above 0.
    void drawFade(float elapsedMs);
    // The two halves of drawFade: the step (no GL) and the drawing.
    void stepFade(float elapsedMs);
    void drawVeil();
    // The scene emerges from (r, g, b): opaque veil thinning by rate per ms.
    void fadeIn(float rate, float r, float g, float b);
    // The scene sinks into (r, g, b): clear veil thickening by rate per ms.
    void fadeOut(float rate, float r, float g, float b);

    int32_t row = -1;     // getRow of this frame
    int32_t order = 0;    // getOrder of this frame
    bool active = false;  // true while the part runs
    // No veil before the first fade.
    float fadeAlpha = 0.0f;  // veil opacity; drawn only while > 0
    float fadeRate = 0.0f;   // per millisecond; < 0 thins, > 0 thickens
    float fadeColour[3] = {0.0f, 0.0f, 0.0f};
};
