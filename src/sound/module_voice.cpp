#include "sound/module_voice.h"

#include <algorithm>
#include <utility>

namespace sound {

Module::Module(std::shared_ptr<const std::vector<std::byte>> bytes, std::unique_ptr<ModuleRenderer> moduleRenderer)
    : renderer(std::move(moduleRenderer)),
      startPosition(renderer->position()),
      jumps_(std::move(bytes), renderer->sampleRate()) {}

void Module::takeRequests(int64_t outputFrame) {
    if (const std::optional<JumpPreparer::Taken> jump = jumps_.take(renderer)) {
        chunkFrames = 0;  // what was rendered before the jump is not played
        ended = false;
        playedModuleFrame = jump->moduleFrame;
        chunkPosition = jump->position;
        timeline.record(outputFrame, chunkPosition, playedModuleFrame, mixerPaused);
        heardOutputFrame_.store(outputFrame, std::memory_order_relaxed);
        heardSerial_.store(jump->serial, std::memory_order_release);
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
    if (!inMixer) {
        // Nothing renders it yet: moved here, so its first chunk is the new position's.
        renderer->setPosition(position);
        chunkFrames = 0;
        ended = false;
        playedModuleFrame = moduleFrame;
        chunkPosition = position;
        startPosition = position;
        startModuleFrame_ = moduleFrame;
        return;
    }
    ++jumpSerial_;
    jumpOutstanding_ = true;
    outstandingModuleFrame_ = moduleFrame;
    jumps_.request(position, moduleFrame, jumpSerial_);
}

int64_t Module::moduleFrameAt(int64_t outputFrame) {
    if (jumpOutstanding_) {
        if (jumps_.givenUpSerial() == jumpSerial_) {
            jumpOutstanding_ = false;  // never to be heard: the module plays on where it was
        } else if (heardSerial_.load(std::memory_order_acquire) != jumpSerial_ ||
                   outputFrame < heardOutputFrame_.load(std::memory_order_relaxed)) {
            return outstandingModuleFrame_;
        } else {
            jumpOutstanding_ = false;
        }
    }
    int64_t moduleFrame = 0;
    return timeline.lookupModuleFrame(outputFrame, moduleFrame) ? moduleFrame : startModuleFrame_;
}

ModulePosition Module::positionAt(int64_t outputFrame) const {
    ModulePosition position;
    if (timeline.lookup(outputFrame, position)) return position;
    return startPosition;
}

}  // namespace sound
