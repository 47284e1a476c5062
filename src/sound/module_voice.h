#pragma once
// A loaded module as the mixer plays it: the renderer, the chunk being played
// out, and the timeline of positions by output frame.
#include <cstdint>
#include <memory>

#include "sound/module_render.h"
#include "sound/position_timeline.h"

namespace sound {

struct Module {
    explicit Module(std::unique_ptr<ModuleRenderer> moduleRenderer);

    // Audio thread, while the module is in the mixer. Adds frameCount frames
    // into mix (interleaved stereo); firstFrame is the output frame of mix[0].
    // Renders whole chunks and keeps the rest for the next call, so chunk
    // boundaries depend only on the module's own frame count.
    void mixInto(int32_t* mix, int32_t frameCount, int64_t firstFrame);

    // Main thread. The position heard at outputFrame; before the module's
    // first chunk is heard, its start position.
    ModulePosition positionAt(int64_t outputFrame) const;

    std::unique_ptr<ModuleRenderer> renderer;
    ModulePosition startPosition;
    PositionTimeline timeline;
    bool inMixer = false;  // main thread's view

    // Mixer side.
    int16_t chunk[kModuleChunkFrames * 2] = {};
    int32_t chunkFrames = 0;  // frames of chunk not yet played out
    int32_t chunkOffset = 0;
    bool ended = false;
};

}  // namespace sound
