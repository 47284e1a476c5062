#include "app/dev_session.h"

#include <filesystem>

#include "app/dev_overlay.h"
#include "app/sequencer.h"
#include "core/asset_paths.h"
#include "core/demo_config.h"
#include "core/demo_system.h"
#include "music/music_player.h"
#include "parts/pulsing_heart_part.h"
#include "parts/rising_hearts_part.h"
#include "platform/platform.h"
#include "sound/sound.h"

namespace {

// The module's map, or the score clock's where no module plays: the cues
// then follow the clock the parts read anyway, and jumps and the pause move it.
std::unique_ptr<PositionMap> showMap() {
    if (demoConfig.musicEnabled && demoConfig.useModule) return std::make_unique<PositionMap>(demoConfig.modulePath);
    return std::make_unique<PositionMap>(PositionMap::ScoreClock{});
}

const char* runningSceneName() {
    if (dynamic_cast<PulsingHeartPart*>(currentPart) != nullptr) return "pulsing heart";
    if (dynamic_cast<RisingHeartsPart*>(currentPart) != nullptr) return "rising hearts";
    return "-";
}

}  // namespace

DevSession::DevSession(const ShowOptions& options)
    : devMode_(options.dev),
      map_(showMap()),
      transport_(*map_, options.avOffsetMs) {
    collectKeyPresses = devMode_;
    pressedKeys.clear();
    if (devMode_) {
        overlayText_.load(overlayFontPath);  // without it the panel shows alone
        hotReload_ = std::make_unique<HotReload>(heartObject, [this] { reloadModule(); });
        hotReload_->start();  // a directory that cannot be watched is said on stderr
    }
}

DevSession::~DevSession() {
    collectKeyPresses = false;
    pressedKeys.clear();
    musicPlayer.cuePosition.reset();
}

void DevSession::beforeFrame() {
    if (hotReload_) hotReload_->poll(platform::tickCount());
    for (const uintptr_t key : pressedKeys) {
        if (key == platform::VK_F1) {
            overlayShown_ = !overlayShown_;
        } else {
            transport_.press(key);
        }
    }
    pressedKeys.clear();
    transport_.beginFrame();
    std::string note = transport_.takeNote();
    if (!note.empty()) {
        note_ = std::move(note);
        noteMs_ = platform::tickCount();
    }
}

void DevSession::afterFrame() {
    if (!overlayShown_) return;
    OverlayStatus status;
    const sound::ModulePosition cue = musicPlayer.cuePosition.value_or(sound::ModulePosition{});
    status.order = cue.order;
    status.row = cue.row;
    status.scene = runningSceneName();
    status.fps = demoSystem.fps;
    status.avOffsetMs = transport_.avOffsetMs();
    status.paused = transport_.paused();
    status.looping = transport_.looping();
    const uint32_t nowMs = platform::tickCount();
    if (hotReload_) status.error = hotReload_->overlayError(nowMs);
    if (status.error.empty() && !note_.empty() && nowMs - noteMs_ < HotReload::errorShownMs) status.error = note_;
    drawDevOverlay(status, overlayText_);
}

void DevSession::reloadModule() {
    const uint32_t nowMs = platform::tickCount();
    if (!demoConfig.musicEnabled || !demoConfig.useModule) return;  // no module is playing
    auto map = std::make_unique<PositionMap>(demoConfig.modulePath);
    sound::Module* module = map->ok() ? sound::loadModule(demoConfig.modulePath) : nullptr;
    if (module == nullptr) {
        hotReload_->noteFailure(demoConfig.modulePath, "not a module the player can play; the old one plays on", nowMs);
        return;
    }
    // The new module goes on from the row the cues are at: moved there (and
    // paused, if the show is) before it plays, so its first chunk is that row.
    const sound::ModulePosition cue = musicPlayer.cuePosition.value_or(sound::ModulePosition{});
    int64_t frame = map->firstFrameOf(cue);
    if (frame < 0) frame = 0;
    const sound::ModulePosition at = map->at(frame);
    sound::freeModule(musicPlayer.song);
    musicPlayer.song = module;
    sound::setModulePosition(module, at.order, at.row, frame);
    if (transport_.paused()) sound::setModulePaused(module, true);
    sound::playModule(module);
    transport_.setMap(*map);
    map_ = std::move(map);
}
