#pragma once
// The developer overlay: a dark translucent panel at the top-left of the
// picture with where the show stands, drawn over everything else.
//
// Per frame, in developer mode with the overlay shown, after the scenes have
// drawn and before the buffers swap:
//   drawDevOverlay(status, overlayText);
// overlayText is an OverlayText loaded once from overlayFontPath after the
// rendering context was made current; without an atlas only the panel shows.
#include <cstdint>
#include <string>
#include <vector>

class OverlayText;

struct OverlayStatus {
    int32_t order = 0;        // the module's order (position in the order list)
    int32_t row = 0;          // the row within that order's pattern
    const char* scene = "";   // the running scene's name; null shows as "-"
    float fps = 0.0f;         // frames per second, as the caller averages them
    int32_t avOffsetMs = 0;   // positive: cues later than the heard position
    bool paused = false;
    bool looping = false;     // the current order repeats
    std::string error;        // the last reload failure to show; empty for none
};

// The panel's lines, top to bottom: position and flags, scene, fps and A/V
// offset, then the error (wrapped to the panel's width) when there is one.
std::vector<std::string> devOverlayLines(const OverlayStatus& status);

// Draws the panel in show coordinates (demoConfig's size mapped onto the
// viewport, like the scenes' full-window pictures), over whatever the frame
// holds: no depth test, no depth writes. Every piece of GL state it changes
// (enables, blending, colour, texture binding and environment, matrices and
// the matrix mode) is as before when it returns.
void drawDevOverlay(const OverlayStatus& status, const OverlayText& text);

// Where the panel lies in show pixels, y down from the top edge, for a
// status with that many lines; the same box drawDevOverlay fills.
struct OverlayBox {
    float leftPx, topPx, rightPx, bottomPx;
};
OverlayBox devOverlayBox(const std::vector<std::string>& lines);
