#pragma once
// Runs the parts of the show one after another and draws each frame.
#include <cstdint>

class DemoPart;

extern const uint32_t playlist[2];  // part kinds: 0 PulsingHeartPart, 1 RisingHeartsPart
extern uint32_t nextPartIndex;      // playlist position of the next part; only grows
extern DemoPart* currentPart;       // the running part, owned here

// Stops and deletes the running part (and resets the music's row memory so
// the next part sees the current row), then creates and starts the next part
// of the playlist. False when the playlist is exhausted: no part runs then.
bool advancePart();
// One frame into the back buffer, once the music plays: switches parts when
// the running one has finished, renders it with demoSystem.frameTime.
// glFinish in every case. Always true.
bool drawFrame();
// Closes the window and ends the process with exit code 0 (global objects
// are destroyed; the music is not stopped first).
[[noreturn]] void endShow();

// A new part of a playlist kind; null for a kind the show does not know.
DemoPart* createPart(uint32_t kind);
// The factory advancePart creates parts with: createPart, unless a test
// puts parts of its own in.
using PartFactory = DemoPart* (*)(uint32_t kind);
extern PartFactory partFactory;
