#include "app/show_replay.h"

#include "app/sequencer.h"

void replayShowTo(int64_t frame, const EnterFrame& enterFrame) {
    restartShow();
    stepShowFrames(0, frame, enterFrame);
}

void stepShowFrames(int64_t first, int64_t end, const EnterFrame& enterFrame) {
    for (int64_t k = first; k < end; ++k) {
        enterFrame(k);
        advanceFrame();
    }
}
