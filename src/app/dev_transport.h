#pragma once
// The developer transport: pause, step, jumps by order and by 16 rows, loop
// an order, and the A/V offset. Every jump lands exactly: the show is
// replayed from its start to the target on the capture tool's 60 fps frame
// clock without drawing (replayShowTo), and the music is moved there, so the
// first frame after a jump is the picture a capture shows there.
//
// Per drawn frame, after demoSystem.tick(), beginFrame() puts the frame's cue
// position (musicPlayer.cuePosition) and elapsedMs (demoSystem.frameTime) in
// place. Without --dev only the A/V offset is in use (no keys reach it).
#include <cstdint>
#include <string>

#include "music/position_map.h"

class DevTransport {
public:
    // Frames a second of the replay clock, as the capture tool's default.
    static constexpr int32_t kReplayFps = 60;

    // map: the module's positions by module time; avOffsetMs within the
    // option's range.
    DevTransport(PositionMap& map, int32_t avOffsetMs);
    // A new module's map (hot reload): the transport reads it from now on.
    // A loop is dropped (its order may be another music in the new module).
    void setMap(PositionMap& map);

    // One key press, by virtual-key code, in the order pressed; keys that
    // are not the transport's are ignored. Space, Left/Right, Up/Down, Home,
    // L, '.', '+'/'-' (both key rows and the keypad).
    void press(uintptr_t virtualKey);
    void beginFrame();

    // Jumps to the first frame of (order, row) in the first pass; an order
    // past the song's end goes to where the module loops to, a position
    // before 0:0 to 0:0.
    void seekTo(int32_t order, int32_t row);
    // Jumps to a moment of module time (sample frames from the start).
    void seekToFrame(int64_t moduleFrame);

    bool paused() const { return paused_; }
    bool looping() const { return looping_; }
    int32_t avOffsetMs() const { return avOffsetMs_; }
    // The module time the cues of the next frame follow (the heard frame
    // moved by the offset).
    int64_t cueFrame() const { return cueFrame_; }
    // Why the transport last changed something the user asked for (a loop
    // it dropped), once; empty when nothing new. For the overlay.
    std::string takeNote();

private:
    int64_t heardFrame() const;  // module time at the speaker, or where the pause holds it
    int64_t offsetFrames() const;
    // The frame's cue position and elapsedMs, from a jump's landing or from the music heard.
    void placeFrame();
    void dropLoop(const char* why);

    PositionMap* map_;
    int32_t avOffsetMs_;
    bool paused_ = false;
    bool looping_ = false;
    int32_t loopOrder_ = 0;
    int64_t pausedFrame_ = 0;   // module time held while paused (moved by steps)
    int64_t stepCount_ = 0;     // steps taken, for the 16/17 ms cadence of 1/60 s
    bool stepPending_ = false;
    bool stepped_ = false;      // steps moved pausedFrame_ since the pause began
    int64_t seekFrame_ = -1;    // replay frame a jump landed before; -1: none pending
    int64_t cueFrame_ = 0;
    std::string note_;
};
