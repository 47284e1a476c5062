#pragma once
// Runs the parts of the show one after another and draws each frame.
#include <cstdint>

class DemoPart;

extern const uint32_t playlist[2];  // part kinds: 0 PulsingHeartPart, 1 RisingHeartsPart
extern uint32_t nextPartIndex;      // playlist position of the next part; only grows
extern DemoPart* currentPart;       // the running part, owned here

bool advancePart();
bool drawFrame();
[[noreturn]] void endShow();
