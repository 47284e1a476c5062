#include "sound/offline_render.h"

#include <algorithm>

namespace sound {

OfflineRender::OfflineRender(const std::string& path, int32_t repeatCount, int32_t chunkFrames)
    : chunkFrames_(std::clamp(chunkFrames, 1, kModuleChunkFrames)) {
    std::vector<std::byte> bytes;
    if (!readWholeFile(path.c_str(), bytes)) return;
    renderer_ = ModuleRenderer::open(bytes, kSampleRate, repeatCount);
    if (renderer_) startPosition_ = renderer_->position();
}

int64_t OfflineRender::render(int64_t maxFrames, std::vector<int16_t>& samples,
                              std::vector<ModulePosition>& positions) {
    if (!renderer_) return 0;
    int64_t added = 0;
    while (added < maxFrames) {
        if (carryFrames_ == 0) {
            // Whole chunks on the player's grid, whatever maxFrames is, so the
            // positions do not depend on how the caller slices the render.
            carryFrames_ = renderer_->render(carry_, chunkFrames_);
            carryOffset_ = 0;
            carryPosition_ = renderer_->position();
            if (carryFrames_ == 0) break;
        }
        const int32_t take = static_cast<int32_t>(std::min<int64_t>(carryFrames_, maxFrames - added));
        const int16_t* from = carry_ + carryOffset_ * 2;
        samples.insert(samples.end(), from, from + take * 2);
        positions.insert(positions.end(), static_cast<size_t>(take), carryPosition_);
        carryOffset_ += take;
        carryFrames_ -= take;
        framesRendered_ += take;
        added += take;
    }
    return added;
}

double OfflineRender::durationSeconds() const {
    return renderer_ ? renderer_->durationSeconds() : 0.0;
}

}  // namespace sound
