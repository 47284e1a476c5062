#include "app/shell.h"

#include <iterator>
#include <memory>

#include "app/dev_session.h"
#include "app/frame_pacer.h"
#include "app/sequencer.h"
#include "app/startup_loader.h"
#include "app/window.h"
#include "core/demo_config.h"
#include "core/demo_system.h"
#include "loader/lwob_loader.h"
#include "music/music_player.h"
#include "platform/platform.h"
#include "render/gl_check.h"
#include "render/texture_manager.h"

bool windowActive = true;
bool keys[256] = {};
bool keyPresses[256] = {};
bool collectKeyPresses = false;
std::vector<uintptr_t> pressedKeys;
LwObject* heartObject = nullptr;

namespace {

// Seconds between two tick readings, as the load messages print them.
double secondsBetween(uint32_t startTick, uint32_t endTick) {
    const int32_t elapsedMs = static_cast<int32_t>(endTick - startTick);
    return static_cast<double>(static_cast<float>(elapsedMs) * 0.001f);
}

}  // namespace

void loadClipTexture(const char* texturePath) {
    // The start-up images may be decoding on the worker meanwhile.
    textureManager.load(texturePath, decodeImageExclusive(texturePath));
}

bool loadObjects() {
    const uint32_t startTick = platform::tickCount();
    demoSystem.log("MAIN: loading objects...\n\n");
    lwobLoader.clipSink = &loadClipTexture;
    heartObject = lwobLoader.load(heartObjectPath);
    const uint32_t endTick = platform::tickCount();
    demoSystem.log("MAIN: Objects loaded in %.2f seconds.\n\n\n", secondsBetween(startTick, endTick));
    return heartObject != nullptr;
}

std::vector<std::string> startupImagePaths() { return {std::begin(startupImages), std::end(startupImages)}; }

bool loadImages(StartupWorker* decoded) {
    const uint32_t startTick = platform::tickCount();
    demoSystem.log("MAIN: loading textures...\n\n");
    for (size_t i = 0; i < std::size(startupImages); ++i) {
        const char* path = startupImages[i];
        // An image that fails still takes its index.
        textureManager.load(path, decoded != nullptr ? decoded->takeImage(i) : decodeImageExclusive(path));
    }
    const uint32_t endTick = platform::tickCount();
    demoSystem.log("\nMAIN: textures loaded in %.2f seconds.\n\n\n", secondsBetween(startTick, endTick));
    return true;
}

void startMusic() {
    if (!demoConfig.musicEnabled) {
        musicPlayer.playing = true;  // frames are drawn all the same
        return;
    }
    if (demoConfig.useModule) {
        musicPlayer.startModule();
    } else {
        musicPlayer.startStream();
    }
}

void stopMusic() {
    if (!demoConfig.musicEnabled) {
        return;
    }
    if (demoConfig.useModule) {
        musicPlayer.stopModule();
    } else {
        musicPlayer.stopStream();
    }
}

int runMainLoop(FrameHooks* hooks) {
    platform::Message msg;
    bool done = false;
    FramePacer pacer;
    while (!done) {
        if (platform::peekMessage(msg)) {
            // One message per pass.
            if (msg.message == platform::WM_QUIT) {
                done = true;
            } else {
                platform::translateMessage(msg);
                platform::dispatchMessage(msg);
            }
        } else if (windowActive) {
            const bool escape = keys[platform::VK_ESCAPE] || keyPresses[platform::VK_ESCAPE];
            keyPresses[platform::VK_ESCAPE] = false;
            if (escape) {
                done = true;
                // Ending on Escape is a normal end: exit code 0, whatever
                // message happened to be retrieved last.
                msg.wParam = 0;
            } else {
                demoSystem.tick();
                if (hooks != nullptr) hooks->beforeFrame();
                drawFrame();
                if (hooks != nullptr) hooks->afterFrame();
                checkFrameGlErrors();
                platform::swapBuffers();
                if (vsyncPacing) {
                    pacer.endFrame(platform::windowRefreshHz());
                }
            }
        } else {
            // Minimised: draw nothing, and sleep until something happens.
            platform::waitMessage(idleWaitMs);
        }
    }
    return static_cast<int>(msg.wParam);
}

int runShow(const ShowOptions& options, MusicWarmup warmMusicLibrary) {
    bool fullscreen = demoConfig.fullscreen;
    fullscreenWay = FullscreenWay::SwitchMode;
    wantedSamples = options.aaSamples;
    vsyncPacing = options.vsync;
    if (options.screenMode == ScreenMode::Windowed) {
        fullscreen = false;
    } else if (options.screenMode == ScreenMode::Scaled) {
        fullscreen = true;
        fullscreenWay = FullscreenWay::DesktopMode;
    }
    // Decoding and the music library's set-up need no window: they run while
    // the window opens, and only the uploads wait for the rendering context.
    std::function<void()> warmMusic;
    if (warmMusicLibrary != nullptr && demoConfig.musicEnabled && demoConfig.useModule) {
        warmMusic = [warmMusicLibrary] { warmMusicLibrary(demoConfig.modulePath); };
    }
    StartupWorker worker(startupImagePaths(), warmMusic);
    platform::selectDisplay(options.display);
    if (!openWindow(demoConfig.title, demoConfig.width, demoConfig.height, demoConfig.bitsPerPixel,
                    fullscreen)) {
        return 1;  // the user has been told why; the worker stops on its way out
    }
    demoSystem.log("MAIN: on display %d, refresh %d Hz (0: not reported)\n", platform::windowDisplay(),
                   platform::windowRefreshHz());
    if (!loadObjects()) {
        worker.stop();  // endShow exits the process: no worker may outlive it
        endShow(1);     // the loader has told the user why
    }
    const bool imagesLoaded = loadImages(&worker);
    // Joined before the music starts: a module that fails to load ends the
    // process there. The music's load waits for the set-up anyway.
    worker.stop();
    if (!imagesLoaded) {
        endShow(1);
    }
    startMusic();
    advancePart();

    // Only with --dev or an A/V offset: the show as it is has no session.
    std::unique_ptr<DevSession> session;
    if (options.dev || options.avOffsetMs != 0) {
        session = std::make_unique<DevSession>(options);
    }
    const int exitCode = runMainLoop(session.get());

    stopMusic();
    closeWindow();
    return exitCode;
}
