#pragma once
// Runs the parts of the show one after another and draws each frame.
#include <cstdint>

#include "parts/pulsing_heart_part.h"
#include "parts/rising_hearts_part.h"

class DemoPart;

// Each scene kind's animation state, held once for the whole show and handed
// to every part of that kind.
struct SceneStates {
    PulsingHeartState pulsingHeart;
    RisingHeartsState risingHearts;
};
extern SceneStates sceneStates;

// The kinds of part a playlist names.
enum PartKind : uint32_t {
    PulsingHeartKind = 0,  // PulsingHeartPart, the opening scene
    RisingHeartsKind = 1,  // RisingHeartsPart, the closing scene
};
extern const uint32_t playlist[2];  // part kinds, in show order
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
// drawFrame's state without its picture: the same part switch, then the
// running part's advance with demoSystem.frameTime. No GL call; for replays.
void advanceFrame();
// Back to the start of the show: the running part deleted (not stopped), the
// playlist from its first entry, fresh scene states, the music's row memory
// forgotten. The next frame starts the first part.
void restartShow();
// Closes the window and ends the process with exitCode (global objects are
// destroyed; the music is not stopped first): 0 when the show has run to its
// end, 1 when it could not start.
[[noreturn]] void endShow(int exitCode = 0);

// A new part of a playlist kind, on its scene state in sceneStates and
// drawing heartObject; null for a kind the show does not know.
DemoPart* createPart(uint32_t kind);
// The factory advancePart creates parts with: createPart, unless a test
// puts parts of its own in.
using PartFactory = DemoPart* (*)(uint32_t kind);
extern PartFactory partFactory;
