// The show in a web page. The page (tessaline.js) calls these on the click
// that allows sound and full screen:
//   tessalineOpen()  the window (the canvas) with its WebGL context, the
//                    object and the images, once per page; 0 when ready, 1
//                    when the user has been told why not
//   tessalinePlay()  the music from its start and the first part, then one
//                    pass of the shell's loop each animation frame
// Escape ends the show as on the desktop: the loop stops, the music stops
// (its audio context closes), and the page is told (onShowEnded); a later
// tessalinePlay plays it again from the start on the same window.
//
// A page has no threads: the images are decoded and the music library set up
// on the main thread, and the loop is the browser's, one frame a call.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>

#include "app/sequencer.h"
#include "app/shell.h"
#include "app/window.h"
#include "core/demo_config.h"
#include "core/demo_system.h"
#include "platform/platform.h"
#include "render/gl_check.h"
#include "render/texture_manager.h"
#include "sound/sound.h"

namespace {

bool windowOpen = false;
bool playing = false;
bool frameDrawn = false;  // since the last play

EM_JS(void, tellPageShowEnded, (), {
    const ended = Module["onShowEnded"];
    if (ended) ended();
});

EM_JS(void, tellPageFirstFrame, (), {
    const first = Module["onFirstFrame"];
    if (first) first();
});

bool readable(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

void endPlay() {
    emscripten_cancel_main_loop();
    playing = false;
    stopMusic();
    tellPageShowEnded();
}

// One pass of the desktop's loop: the pending messages, then Escape or one
// frame. The browser paces the frames; its own swap presents them.
void framePass() {
    platform::Message msg;
    while (platform::peekMessage(msg)) {
        if (msg.message == platform::WM_QUIT) {
            endPlay();
            return;
        }
        platform::translateMessage(msg);
        platform::dispatchMessage(msg);
    }
    const bool escape = keys[platform::VK_ESCAPE] || keyPresses[platform::VK_ESCAPE];
    keyPresses[platform::VK_ESCAPE] = false;
    if (escape) {
        endPlay();
        return;
    }
    demoSystem.tick();
    drawFrame();
    checkFrameGlErrors();
    platform::swapBuffers();
    if (!frameDrawn) {
        frameDrawn = true;
        tellPageFirstFrame();
    }
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE int tessalineOpen() {
    if (windowOpen) return 0;
    // Full screen is the page's: the browser's own, in the desktop's mode, the
    // picture letterboxed into whatever size the page lays the canvas out at.
    fullscreenWay = FullscreenWay::DesktopMode;
    if (!openWindow(demoConfig.title, demoConfig.width, demoConfig.height, demoConfig.bitsPerPixel, true)) {
        return 1;
    }
    if (!loadObjects()) {
        closeWindow();
        return 1;  // the loader has told the user why
    }
    loadImages();
    // A picture missing on the server has been named by the texture manager,
    // in the desktop's words; the page then plays nothing.
    for (const std::string& path : textureManager.texturePaths) {
        if (!readable(path.c_str())) {
            closeWindow();
            return 1;
        }
    }
    // The music is read now too, so that a page without it plays nothing at
    // all (and the library's one-time set-up is done before the click).
    sound::Module* music = sound::loadModule(demoConfig.modulePath);
    if (music == nullptr) {
        std::fprintf(stderr, "tessaline: module '%s' not loaded: %s\n", demoConfig.modulePath, sound::lastLoadError());
        closeWindow();
        return 1;
    }
    sound::freeModule(music);
    windowOpen = true;
    return 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE void tessalinePlay() {
    if (!windowOpen || playing) return;
    restartShow();
    for (bool& key : keys) key = false;
    for (bool& key : keyPresses) key = false;
    startMusic();
    advancePart();
    demoSystem.tick();  // the first frame's time counts from here, not from the last play
    playing = true;
    frameDrawn = false;
    emscripten_set_main_loop(framePass, 0, 0);
}

// The page ends the show itself (its own Escape, a closed tab).
extern "C" EMSCRIPTEN_KEEPALIVE void tessalineStop() {
    if (playing) endPlay();
}

int main() {
    // Nothing until the page's click: sound may only start with it.
    return 0;
}
