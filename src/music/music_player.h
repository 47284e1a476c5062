#pragma once
// Plays the show's music and tells the parts where it is (order and row).
#include <cstdint>
#include <optional>

#include "sound/module_render.h"

namespace sound {
struct Module;
struct Stream;
}

class MusicPlayer {
public:
    MusicPlayer() = default;
    virtual ~MusicPlayer() = default;  // stops nothing, releases nothing

    // Both return only on success; failures end the process with status 1.
    void startModule();
    void startStream();
    void stopModule();
    void stopStream();

    int getRow();    // the current row if it changed since the last report, else -1
    int getOrder();  // the current order
    // The next getRow reports the current row even if it was reported
    // already (a new part, a replay from the start).
    void forgetRow() { lastRow = -1; }

    // While set, getOrder and getRow answer this position instead of the
    // sound layer's: replays, the developer transport and the A/V offset put
    // the cue position here each frame. Unset, the player answers what is heard.
    std::optional<sound::ModulePosition> cuePosition;

    sound::Module* song = nullptr;
    sound::Stream* stream = nullptr;
    bool playing = false;  // opens frame drawing; never cleared
    int lastRow = -1;      // row reported last; -1 after forgetRow
};

// The stream's synchronisation callback: touches nothing, returns 1.
signed char onStreamSync(sound::Stream* stream, void* buffer, int32_t length, void* user);

extern MusicPlayer musicPlayer;
