#pragma once
// The entry point's work and the shell state other subsystems read.
#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "core/asset_paths.h"

class StartupWorker;
class LwObject;

extern bool windowActive;     // false while minimised (WM_ACTIVATE); frames only while true
extern bool keys[256];        // by virtual-key code; WM_KEYDOWN sets, WM_KEYUP clears
// By virtual-key code: WM_KEYDOWN sets, and only the main loop clears once it
// has looked, so a press released before the loop looked is still seen.
extern bool keyPresses[256];
// Every key press, in order, while collectKeyPresses is set (developer mode):
// presses faster than frames all count; a held key's auto-repeats do not, so
// eight presses are eight jumps. The main loop drains it.
extern bool collectKeyPresses;
extern std::vector<uintptr_t> pressedKeys;
extern LwObject* heartObject; // loaded at start-up, lives until the process ends

// The loader's clip sink: each clip's image through the texture manager, so
// the object's clips take the lowest texture indices, in file order.
void loadClipTexture(const char* texturePath);
// The heart object into heartObject; false when the loader delivered none.
bool loadObjects();
// The start-up images through the texture manager, in list order: decoded
// here, or taken from decoded (a worker given startupImagePaths()), uploaded
// here either way. Always true.
bool loadImages(StartupWorker* decoded = nullptr);
std::vector<std::string> startupImagePaths();  // startupImages, for a StartupWorker
// Music as demoConfig says: the module or the stream, or none (then the
// player's playing flag is set directly so that frames are drawn).
void startMusic();
void stopMusic();  // the counterpart of startMusic
// Handles one pending message per pass; with none pending and the window not
// minimised, Escape (held, or pressed since the last look) ends the loop or
// one frame is drawn, at once after the last swap, or with --vsync paced
// (frame_pacer.h). Minimised, it waits for the
// next message instead, at most idleWaitMs at a time. Returns the exit code:
// WM_QUIT's code, or 0 after Escape.
constexpr uint32_t idleWaitMs = 100;
// What developer mode adds around each drawn frame (app/dev_session.h).
class FrameHooks {
public:
    virtual ~FrameHooks() = default;
    virtual void beforeFrame() = 0;  // after the frame clock's tick, before drawFrame
    virtual void afterFrame() = 0;   // after drawFrame, before the swap
};
// hooks: null for the show as it is.
int runMainLoop(FrameHooks* hooks = nullptr);
// Prepares the music library for the module at modulePath on any thread,
// touching nothing the main thread uses (sound::warmModuleLibrary).
using MusicWarmup = void (*)(const char* modulePath);
// The whole run: window (as the options say), loading, music, first part,
// main loop, shutdown. While the window opens, a worker decodes the start-up
// images and then runs warmMusicLibrary (when given and the module plays).
// Returns the process exit code: the main loop's (0 after Escape or a closed
// window), or 1 when the window could not be opened. An object that fails to
// load ends the process with 1 (endShow), after the loader's message.
int runShow(const ShowOptions& options = {}, MusicWarmup warmMusicLibrary = nullptr);
