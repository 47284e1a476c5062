#pragma once
// Renders a module file without any device, exactly as the live player does
// (same libopenmpt settings, same chunking), to interleaved signed 16-bit
// stereo at 44.1 kHz, with the (order, row) the player reports for each sample
// frame. Used by the capture tool to put picture and sound together, and by
// tests as the reference for what is heard.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/module_render.h"

namespace sound {

class OfflineRender {
public:
    static constexpr int32_t kSampleRate = 44100;

    // repeatCount as for the player's module (-1 for ever; 0 once through).
    // chunkFrames: frames per position sample; the player's value by default,
    // 1 for the exact frame at which each row begins.
    explicit OfflineRender(const std::string& path, int32_t repeatCount = 0,
                           int32_t chunkFrames = kModuleChunkFrames);

    // False when the file is missing or not a module.
    bool ok() const { return renderer_ != nullptr; }

    // Renders up to maxFrames more frames, appending 2 samples and 1 position
    // per frame. Returns the frames added: 0 at the song's end (or when !ok()).
    int64_t render(int64_t maxFrames, std::vector<int16_t>& samples,
                   std::vector<ModulePosition>& positions);

    // Frames rendered since the start.
    int64_t framesRendered() const { return framesRendered_; }
    // The position before the first frame has been rendered.
    ModulePosition startPosition() const { return startPosition_; }
    double durationSeconds() const;

private:
    std::unique_ptr<ModuleRenderer> renderer_;
    int32_t chunkFrames_;
    int64_t framesRendered_ = 0;
    ModulePosition startPosition_;
    // The chunk being handed out.
    int16_t carry_[kModuleChunkFrames * 2] = {};
    int32_t carryFrames_ = 0;
    int32_t carryOffset_ = 0;
    ModulePosition carryPosition_;
};

}  // namespace sound
