#include "sound/module_voice.h"

#include <algorithm>

namespace sound {

Module::Module(std::unique_ptr<ModuleRenderer> moduleRenderer)
    : renderer(std::move(moduleRenderer)), startPosition(renderer->position()) {}

void Module::takeRequests(int64_t outputFrame) {
    if (jumpMutex_.try_lock()) {
        if (jumpWanted_) {
            jumpWanted_ = false;
            renderer->setPosition(jumpPosition_);
            chunkFrames = 0;  // what was rendered before the jump is not played
            ended = false;
            playedModuleFrame = jumpModuleFrame_;
            chunkPosition = jumpPosition_;
            timeline.record(outputFrame, chunkPosition, playedModuleFrame, mixerPaused);
            jumpOutputFrame_.store(outputFrame, std::memory_order_release);
        }
        jumpMutex_.unlock();
    }
    const bool paused = pauseWanted_.load(std::memory_order_acquire);
    if (paused != mixerPaused) {
        mixerPaused = paused;
        timeline.record(outputFrame, chunkPosition, playedModuleFrame, mixerPaused);
    }
}

void Module::mixInto(int32_t* mix, int32_t frameCount, int64_t firstFrame) {
    takeRequests(firstFrame);
    if (mixerPaused) return;  // silence, and the module stays where it is
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
            chunkPosition = renderer->position();
            timeline.record(firstFrame + done, chunkPosition, playedModuleFrame);
        }
        const int32_t take = std::min(chunkFrames, frameCount - done);
        const int16_t* from = chunk + chunkOffset * 2;
        int32_t* to = mix + done * 2;
        for (int32_t i = 0; i < take * 2; ++i) to[i] += from[i];
        chunkOffset += take;
        chunkFrames -= take;
        done += take;
        playedModuleFrame += take;
    }
}

void Module::setPaused(bool paused) { pauseWanted_.store(paused, std::memory_order_release); }

void Module::jumpTo(ModulePosition position, int64_t moduleFrame) {
    std::lock_guard<std::mutex> lock(jumpMutex_);
    jumpWanted_ = true;
    jumpPosition_ = position;
    jumpModuleFrame_ = moduleFrame;
    jumpOutstanding_ = true;
    outstandingModuleFrame_ = moduleFrame;
    jumpOutputFrame_.store(-1, std::memory_order_release);
}

int64_t Module::moduleFrameAt(int64_t outputFrame) {
    if (jumpOutstanding_) {
        const int64_t heardFrom = jumpOutputFrame_.load(std::memory_order_acquire);
        if (heardFrom < 0 || outputFrame < heardFrom) return outstandingModuleFrame_;
        jumpOutstanding_ = false;
    }
    int64_t moduleFrame = 0;
    return timeline.lookupModuleFrame(outputFrame, moduleFrame) ? moduleFrame : 0;
}

ModulePosition Module::positionAt(int64_t outputFrame) const {
    ModulePosition position;
    if (timeline.lookup(outputFrame, position)) return position;
    return startPosition;
}

}  // namespace sound
