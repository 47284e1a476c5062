#include "music/music_player.h"

#include <cstdio>
#include <cstdlib>

#include "core/demo_config.h"
#include "core/service_order.h"
#include "platform/platform.h"
#include "sound/sound.h"

namespace {

// The oldest sound layer version the player works with. As a float constant
// it is 3.3299999237..., so a layer reporting exactly 3.33f passes.
constexpr float kRequiredVersion = 3.33f;
constexpr int32_t kMixRate = 44100;
constexpr int32_t kSoftwareChannels = 32;
// The stream's output choice; the layer accepts it and has only one output.
constexpr int32_t kOutputDirectSound = 2;
constexpr uint32_t kStreamMode = sound::StreamLoopNormal | sound::Stream16Bits | sound::StreamStereo;  // 0x52

// First step of both start operations: a layer older than the player knows
// is reported to the user and ends the process.
void checkVersion() {
    if (sound::getVersion() < kRequiredVersion) {
        platform::messageBox("Error: You are using the wrong DLL version!", "Version Error!",
                             platform::BoxButtons::Ok, platform::BoxIcon::None);
        std::exit(1);
    }
}

void initSound() {
    if (!sound::init(kMixRate, kSoftwareChannels, sound::InitGlobalFocus)) std::exit(1);
}

}  // namespace

__attribute__((VEXEL_MUSIC_PLAYER_ORDER)) MusicPlayer musicPlayer;

void MusicPlayer::startModule() {
    checkVersion();
    initSound();
    song = sound::loadModule(demoConfig.modulePath);
    if (song == nullptr) {
        std::fprintf(stderr, "tessaline: module '%s' not loaded: %s\n", demoConfig.modulePath, sound::lastLoadError());
        std::exit(1);
    }
    sound::playModule(song);
    playing = true;
}

void MusicPlayer::startStream() {
    checkVersion();
    initSound();
    sound::setOutput(kOutputDirectSound);
    // A stream that cannot be opened is not an error: the show runs silently,
    // in time with the score clock.
    stream = sound::openStream(demoConfig.streamPath, kStreamMode, 0);
    if (stream == nullptr) {
        std::fprintf(stderr, "tessaline: stream '%s' not opened, playing silently: %s\n", demoConfig.streamPath,
                     sound::lastLoadError());
    }
    sound::setStreamSyncCallback(stream, onStreamSync, nullptr);
    sound::playStream(sound::FreeChannel, stream);
    playing = true;
}

void MusicPlayer::stopModule() {
    // The song is freed while playing; freeing stops it.
    sound::freeModule(song);
    sound::close();
}

void MusicPlayer::stopStream() {
    sound::closeStream(stream);
    sound::close();
}

int MusicPlayer::getRow() {
    if (cuePosition) {
        if (cuePosition->row == lastRow) return -1;
        lastRow = cuePosition->row;
        return lastRow;
    }
    if (sound::getRow(song) == lastRow) return -1;
    // The row is read again and that second answer is the one reported, even
    // if the module moved on in between.
    lastRow = sound::getRow(song);
    return lastRow;
}

int MusicPlayer::getOrder() { return cuePosition ? cuePosition->order : sound::getOrder(song); }

signed char onStreamSync(sound::Stream* /*stream*/, void* /*buffer*/, int32_t /*length*/, void* /*user*/) {
    return 1;
}
