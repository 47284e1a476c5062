#include "app/dev_transport.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/show_replay.h"
#include "core/demo_system.h"
#include "music/music_player.h"
#include "platform/platform.h"
#include "sound/sound.h"

namespace {

constexpr int32_t kOffsetStepMs = 5;
constexpr int32_t kRowsPerJump = 16;
constexpr int32_t kOffsetLimitMs = 500;

const FrameClock& replayClock() {
    static const FrameClock clock(DevTransport::kReplayFps);
    return clock;
}

}  // namespace

DevTransport::DevTransport(PositionMap& map, int32_t avOffsetMs)
    : map_(&map), avOffsetMs_(std::clamp(avOffsetMs, -kOffsetLimitMs, kOffsetLimitMs)) {}

void DevTransport::setMap(PositionMap& map) {
    map_ = &map;
    if (looping_) dropLoop("a new module");
}

std::string DevTransport::takeNote() { return std::exchange(note_, std::string()); }

void DevTransport::dropLoop(const char* why) {
    looping_ = false;
    char text[96];
    std::snprintf(text, sizeof text, "loop of order %d dropped: %s", static_cast<int>(loopOrder_), why);
    note_ = text;
}

int64_t DevTransport::offsetFrames() const { return int64_t{avOffsetMs_} * PositionMap::kSampleRate / 1000; }

int64_t DevTransport::heardFrame() const {
    return paused_ ? pausedFrame_ : std::max<int64_t>(sound::moduleFrameAtSpeaker(musicPlayer.song), 0);
}

void DevTransport::press(uintptr_t key) {
    // Jumps and the loop go by the music heard; the cues lag or lead it by the offset.
    const int64_t heard = cueFrame_ + offsetFrames();
    const sound::ModulePosition music = map_->at(heard);
    switch (key) {
        case platform::VK_SPACE:
            if (!paused_) {
                pausedFrame_ = heardFrame();
                paused_ = true;
                stepped_ = false;
                sound::setModulePaused(musicPlayer.song, true);
            } else {
                paused_ = false;
                if (stepped_) {
                    // The music resumes at the start of the row the steps reached.
                    const int64_t rowStart = map_->frameRowsAway(pausedFrame_, 0);
                    const sound::ModulePosition at = map_->at(rowStart);
                    sound::setModulePosition(musicPlayer.song, at.order, at.row, rowStart);
                }
                sound::setModulePaused(musicPlayer.song, false);
            }
            break;
        case platform::VK_RIGHT: seekTo(music.order + 1, 0); break;
        case platform::VK_LEFT: seekTo(music.order - 1, 0); break;
        case platform::VK_DOWN: seekToFrame(map_->frameRowsAway(heard, kRowsPerJump)); break;
        case platform::VK_UP: seekToFrame(map_->frameRowsAway(heard, -kRowsPerJump)); break;
        case platform::VK_HOME: seekToFrame(0); break;
        case 'L':
            // Only an order the first pass plays can be looped: the loop
            // jumps to its row 0.
            looping_ = !looping_ && map_->firstFrameOf({music.order, 0}) >= 0;
            loopOrder_ = music.order;
            break;
        case platform::VK_OEM_PERIOD:
        case platform::VK_DECIMAL:
            if (paused_) stepPending_ = true;
            break;
        case platform::VK_OEM_PLUS:
        case platform::VK_ADD: avOffsetMs_ = std::min(avOffsetMs_ + kOffsetStepMs, kOffsetLimitMs); break;
        case platform::VK_OEM_MINUS:
        case platform::VK_SUBTRACT: avOffsetMs_ = std::max(avOffsetMs_ - kOffsetStepMs, -kOffsetLimitMs); break;
        default: break;
    }
}

void DevTransport::beginFrame() {
    placeFrame();
    // The loop follows what is heard: with an offset the cues may still be
    // in the order before for a moment after the jump. One jump back per
    // frame at most: a loop that cannot land in its order again (one the
    // map no longer reaches, one shorter than a frame of the replay clock)
    // is dropped rather than replayed for ever.
    const auto heardOrder = [this] { return map_->at(cueFrame_ + offsetFrames()).order; };
    if (!looping_ || paused_ || heardOrder() == loopOrder_) return;
    if (map_->firstFrameOf({loopOrder_, 0}) < 0) {
        dropLoop("the module does not reach it");
        return;
    }
    seekTo(loopOrder_, 0);
    placeFrame();
    if (heardOrder() != loopOrder_) dropLoop("shorter than a frame");
}

void DevTransport::placeFrame() {
    if (seekFrame_ >= 0) {
        // The first frame after a jump is the replay clock's next frame, as a
        // capture from the start shows it.
        const FrameClock& clock = replayClock();
        demoSystem.frameTime = static_cast<uint32_t>(clock.elapsedMsOf(seekFrame_));
        cueFrame_ = clock.sampleFrameOf(seekFrame_) - offsetFrames();
        if (paused_) pausedFrame_ = clock.sampleFrameOf(seekFrame_);
        seekFrame_ = -1;
    } else {
        if (paused_) {
            demoSystem.frameTime = 0;
            if (stepPending_) {
                // One frame of 1/60 s: 16 or 17 ms, as the replay clock counts them.
                const FrameClock& clock = replayClock();
                ++stepCount_;
                demoSystem.frameTime = static_cast<uint32_t>(clock.elapsedMsOf(stepCount_));
                pausedFrame_ += clock.sampleFrameOf(stepCount_) - clock.sampleFrameOf(stepCount_ - 1);
                stepPending_ = false;
                stepped_ = true;
            }
        }
        cueFrame_ = heardFrame() - offsetFrames();
    }
    musicPlayer.cuePosition = map_->at(cueFrame_);
}

void DevTransport::seekTo(int32_t order, int32_t row) {
    if (order < 0 || (order == 0 && row < 0)) {
        seekToFrame(0);
        return;
    }
    int64_t frame = map_->firstFrameOf({order, row});
    if (frame < 0) {
        frame = map_->firstFrameOf({order, 0});
    }
    if (frame < 0) {
        frame = map_->passFrames();  // past the song's end: where the module loops to
    }
    seekToFrame(frame);
}

void DevTransport::seekToFrame(int64_t moduleFrame) {
    moduleFrame = std::max<int64_t>(moduleFrame, 0);
    const FrameClock& clock = replayClock();
    const int64_t landing = clock.firstFrameAt(moduleFrame);
    const int64_t offset = offsetFrames();
    replayShowTo(landing, [&](int64_t k) {
        musicPlayer.cuePosition = map_->at(clock.sampleFrameOf(k) - offset);
        demoSystem.frameTime = static_cast<uint32_t>(clock.elapsedMsOf(k));
    });
    // The music goes to the row the landing frame lies in.
    const int64_t heard = clock.sampleFrameOf(landing);
    const int64_t rowStart = map_->frameRowsAway(heard, 0);
    const sound::ModulePosition at = map_->at(rowStart);
    sound::setModulePosition(musicPlayer.song, at.order, at.row, rowStart);
    seekFrame_ = landing;
    stepped_ = false;
    // Keys that follow before the next frame move on from here.
    cueFrame_ = clock.sampleFrameOf(landing) - offset;
}
