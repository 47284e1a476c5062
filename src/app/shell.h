#pragma once
// The entry point's work and the shell state other subsystems read.
#include <cstdint>

class LwObject;

extern bool windowActive;     // false while minimised (WM_ACTIVATE); frames only while true
extern bool keys[256];        // by virtual-key code; WM_KEYDOWN sets, WM_KEYUP clears
extern LwObject* heartObject; // loaded at start-up, lives until the process ends

constexpr const char* heartObjectPath = "data/tessaline/objects/heart.lwo";
// The start-up images, in load order: texture indices 1 to 6 after the
// object's one clip.
constexpr const char* startupImages[6] = {
    "data/tessaline/gfx/bg.png",     "data/tessaline/gfx/text-1.png",
    "data/tessaline/gfx/text-2.png", "data/tessaline/gfx/text-3.png",
    "data/tessaline/gfx/text-4.png", "data/tessaline/gfx/zurak.png",
};

// The heart object into heartObject; false when the loader delivered none.
bool loadObjects();
// The start-up images through the texture manager, in list order. Always true.
bool loadImages();
// Music as demoConfig says: the module or the stream, or none (then the
// player's playing flag is set directly so that frames are drawn).
void startMusic();
void stopMusic();  // the counterpart of startMusic
// Handles one pending message per pass; with none pending and the window not
// minimised, Escape ends the loop or one frame is drawn. Returns the exit
// code: WM_QUIT's code, or 0 after Escape.
int runMainLoop();
// The whole run: window, loading, music, first part, main loop, shutdown.
// Returns the process exit code.
int runShow();
