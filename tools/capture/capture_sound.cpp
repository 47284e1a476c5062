// The sound layer interface, answered from an offline render.
#include "capture_sound.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "sound/offline_render.h"
#include "sound/sound.h"
#include "stop_signals.h"

namespace sound {
struct Module {
    std::string path;
};
struct Stream {};
}  // namespace sound

namespace {

std::unique_ptr<sound::Module> module;
std::unique_ptr<sound::OfflineRender> render;
std::vector<int16_t> renderedSamples;
std::vector<sound::ModulePosition> renderedPositions;
int64_t speakerFrame = 0;
// The clock that answers while no module is loaded: 120 ms a row, 64 rows an
// order, like a module at speed 6 and 125 BPM.
constexpr int64_t kScoreRowFrames = capture::kSampleRate * 120 / 1000;

}  // namespace

namespace capture {

void setSpeakerFrame(int64_t sampleFrame) { speakerFrame = sampleFrame < 0 ? 0 : sampleFrame; }

bool renderUpTo(int64_t endFrame) {
    if (!render) {
        return false;
    }
    // A second at a time, so that a stop signal is heard.
    while (render->framesRendered() < endFrame) {
        if (stopRequested("sound")) {
            return false;
        }
        const int64_t wanted = std::min<int64_t>(endFrame - render->framesRendered(), kSampleRate);
        if (render->render(wanted, renderedSamples, renderedPositions) == 0) {
            break;  // a song that ends after all: the last position stands
        }
    }
    return true;
}

std::span<const int16_t> samples() { return renderedSamples; }

sound::ModulePosition positionAt(int64_t sampleFrame) {
    if (!render) {
        const int64_t rows = sampleFrame / kScoreRowFrames;
        return {static_cast<int32_t>(rows / 64), static_cast<int32_t>(rows % 64)};
    }
    renderUpTo(sampleFrame + 1);
    if (renderedPositions.empty()) {
        return render->startPosition();
    }
    const auto index = static_cast<size_t>(sampleFrame);
    return index < renderedPositions.size() ? renderedPositions[index] : renderedPositions.back();
}

int64_t firstFrameOf(int32_t order, int32_t row, int64_t limitFrame) {
    if (!render) {
        return (static_cast<int64_t>(order) * 64 + row) * kScoreRowFrames;
    }
    renderUpTo(limitFrame);
    const sound::ModulePosition wanted{order, row};
    for (size_t i = 0; i < renderedPositions.size(); ++i) {
        if (renderedPositions[i] == wanted) {
            return static_cast<int64_t>(i);
        }
    }
    return -1;
}

double firstPassSeconds() {
    if (!module) {
        return 0.0;
    }
    sound::OfflineRender once(module->path, 0);
    return once.durationSeconds();
}

}  // namespace capture

namespace sound {

float getVersion() { return 3.33f; }
bool init(int32_t, int32_t, uint32_t) { return true; }
bool setOutput(int32_t) { return true; }
void close() {}

Module* loadModule(const char* path) {
    auto offline = std::make_unique<OfflineRender>(path, -1);
    if (!offline->ok()) {
        return nullptr;
    }
    render = std::move(offline);
    module = std::make_unique<Module>(Module{path});
    return module.get();
}
bool playModule(Module* m) { return m != nullptr; }
bool freeModule(Module*) { return true; }
int32_t getOrder(Module*) { return capture::positionAt(speakerFrame).order; }
int32_t getRow(Module*) { return capture::positionAt(speakerFrame).row; }
// The capture has no transport: its frames are the module's own time.
bool setModulePaused(Module*, bool) { return false; }
bool setModulePosition(Module*, int32_t, int32_t, int64_t) { return false; }
int64_t moduleFrameAtSpeaker(Module*) { return speakerFrame; }

// The capture shows the module; a stream has no position to show.
Stream* openStream(const char*, uint32_t, int32_t) { return nullptr; }
bool setStreamSyncCallback(Stream*, StreamSyncCallback, void*) { return true; }
int32_t playStream(int32_t, Stream*) { return -1; }
bool closeStream(Stream*) { return true; }
const char* lastLoadError() { return ""; }

}  // namespace sound
