#pragma once
// A loaded module as the mixer plays it: the renderer, the chunk being played
// out, and the timeline of positions by output frame.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

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
    // Main thread. The module's own time heard at outputFrame: sample
    // frames from its first frame, standing still while paused; a jump
    // asked for counts as heard from the moment it is asked.
    int64_t moduleFrameAt(int64_t outputFrame);
    // Main thread. The mixer takes these up at its next call.
    void setPaused(bool paused);
    void jumpTo(ModulePosition position, int64_t moduleFrame);

    std::unique_ptr<ModuleRenderer> renderer;
    ModulePosition startPosition;
    PositionTimeline timeline;
    bool inMixer = false;  // main thread's view

    // Mixer side.
    int16_t chunk[kModuleChunkFrames * 2] = {};
    int32_t chunkFrames = 0;  // frames of chunk not yet played out
    int32_t chunkOffset = 0;
    bool ended = false;
    ModulePosition chunkPosition;  // the position the chunk being played out stands for
    int64_t playedModuleFrame = 0;  // module time of the next frame played out
    bool mixerPaused = false;

private:
    // Transport requests, main thread to mixer. A jump's fields are guarded
    // by jumpMutex_, which the mixer only ever try-locks.
    std::atomic<bool> pauseWanted_{false};
    std::mutex jumpMutex_;
    bool jumpWanted_ = false;
    ModulePosition jumpPosition_;
    int64_t jumpModuleFrame_ = 0;
    // Main thread: a jump asked for and not yet heard; the output frame the
    // mixer played its first frame at (-1 until it has).
    bool jumpOutstanding_ = false;
    int64_t outstandingModuleFrame_ = 0;
    std::atomic<int64_t> jumpOutputFrame_{-1};
    void takeRequests(int64_t outputFrame);  // mixer
};

}  // namespace sound
