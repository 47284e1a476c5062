#include "app/sequencer.h"

#include <GL/gl.h>

#include <cstdlib>
#include <iterator>

#include "core/demo_system.h"
#include "app/window.h"
#include "music/music_player.h"
#include "app/shell.h"
#include "parts/demo_part.h"

const uint32_t playlist[2] = {PulsingHeartKind, RisingHeartsKind};
uint32_t nextPartIndex = 0;
DemoPart* currentPart = nullptr;
PartFactory partFactory = createPart;
SceneStates sceneStates;

DemoPart* createPart(uint32_t kind) {
    switch (kind) {
    case PulsingHeartKind:
        return new PulsingHeartPart(sceneStates.pulsingHeart, heartObject);
    case RisingHeartsKind:
        return new RisingHeartsPart(sceneStates.risingHearts, heartObject);
    default:
        return nullptr;
    }
}

bool advancePart() {
    if (currentPart != nullptr) {
        currentPart->stop();
        delete currentPart;
        currentPart = nullptr;
        // The next part's first getRow then reports the current row, even if
        // the finished part already saw it.
        musicPlayer.forgetRow();
    }
    if (nextPartIndex >= std::size(playlist)) {
        return false;
    }
    const uint32_t kind = playlist[nextPartIndex];
    ++nextPartIndex;
    currentPart = partFactory(kind);
    if (currentPart == nullptr) {
        return false;
    }
    currentPart->start();
    return true;
}

namespace {

// A part that finished during the last frame was shown in it; the switch
// happens at the start of the next, before anything of it is drawn.
void switchIfFinished() {
    if (currentPart == nullptr || !currentPart->active) {
        if (!advancePart()) {
            endShow();
        }
    }
}

}  // namespace

bool drawFrame() {
    // Nothing is cleared, drawn or switched before the music has started.
    if (musicPlayer.playing) {
        glLoadIdentity();
        switchIfFinished();
        currentPart->render(static_cast<int32_t>(demoSystem.frameTime));
    }
    glFinish();
    return true;
}

void advanceFrame() {
    if (musicPlayer.playing) {
        switchIfFinished();
        currentPart->advance(static_cast<int32_t>(demoSystem.frameTime));
    }
}

void restartShow() {
    delete currentPart;
    currentPart = nullptr;
    nextPartIndex = 0;
    sceneStates = SceneStates{};
    musicPlayer.forgetRow();
}

void endShow(int exitCode) {
    closeWindow();
    std::exit(exitCode);
}
