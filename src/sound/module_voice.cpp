#include "sound/module_voice.h"

#include <algorithm>

namespace sound {

Module::Module(std::unique_ptr<ModuleRenderer> moduleRenderer)
    : renderer(std::move(moduleRenderer)), startPosition(renderer->position()) {}

void Module::mixInto(int32_t* mix, int32_t frameCount, int64_t firstFrame) {
    int32_t done = 0;
    while (done < frameCount) {
        if (chunkFrames == 0) {
            if (ended) return;
            chunkFrames = renderer->render(chunk, kModuleChunkFrames);
            chunkOffset = 0;
            if (chunkFrames == 0) {
                ended = true;  // the song's end, or a render failure: silence from here on
                return;
            }
            // The position after the chunk stands for all of it, from the
            // output frame where its first frame is played.
            timeline.record(firstFrame + done, renderer->position());
        }
        const int32_t take = std::min(chunkFrames, frameCount - done);
        const int16_t* from = chunk + chunkOffset * 2;
        int32_t* to = mix + done * 2;
        for (int32_t i = 0; i < take * 2; ++i) to[i] += from[i];
        chunkOffset += take;
        chunkFrames -= take;
        done += take;
    }
}

ModulePosition Module::positionAt(int64_t outputFrame) const {
    ModulePosition position;
    if (timeline.lookup(outputFrame, position)) return position;
    return startPosition;
}

}  // namespace sound
