#pragma once
// A loaded module as the mixer plays it: the renderer, the chunk being played
// out, and the timeline of positions by output frame.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/jump_preparer.h"
#include "sound/module_render.h"
#include "sound/position_timeline.h"

namespace sound {

struct Module {
    // bytes: the file the renderer was opened from, kept for the renderer
    // that transport jumps prepare.
    Module(std::shared_ptr<const std::vector<std::byte>> bytes, std::unique_ptr<ModuleRenderer> moduleRenderer);

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
    // Main thread. The mixer takes these up at its next call; a jump once
    // the worker has prepared it. Before the module is in the mixer, a jump
    // moves it at once: it starts there.
    void setPaused(bool paused);
    void jumpTo(ModulePosition position, int64_t moduleFrame);
    // Tests: waits until the latest jump is ready for the mixer.
    bool waitJumpPrepared(int32_t timeoutMs) { return jumps_.waitPrepared(timeoutMs); }

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
    void takeRequests(int64_t outputFrame);  // mixer

    std::atomic<bool> pauseWanted_{false};
    // Main thread: module time of the first frame played (moved before play);
    // the latest jump and whether it is still to be heard.
    int64_t startModuleFrame_ = 0;
    uint64_t jumpSerial_ = 0;
    bool jumpOutstanding_ = false;
    int64_t outstandingModuleFrame_ = 0;
    // Mixer to main thread: the latest jump taken and the output frame its
    // first frame was played at (written before the serial).
    std::atomic<uint64_t> heardSerial_{0};
    std::atomic<int64_t> heardOutputFrame_{0};
    JumpPreparer jumps_;  // last: its worker stops before the rest goes
};

}  // namespace sound
