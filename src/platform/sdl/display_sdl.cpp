// The displays as SDL numbers them, and the one the show goes on.
#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/sdl/display_sdl.h"

namespace platform {
namespace {

int32_t chosenDisplay = -1;

// SDL's drivers that show nothing, which it falls back to without a display.
bool invisibleDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
           std::getenv("SDL_VIDEODRIVER") == nullptr;
}

}  // namespace

namespace sdl {

int32_t selectedDisplay() { return chosenDisplay; }

int fullscreenDisplay() { return chosenDisplay >= 0 ? chosenDisplay : 0; }

int windowPosition(int32_t given) {
    return chosenDisplay >= 0 ? static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(chosenDisplay)) : given;
}

}  // namespace sdl

std::vector<DisplayInfo> listDisplays() {
    std::vector<DisplayInfo> displays;
    const bool startedHere = SDL_WasInit(SDL_INIT_VIDEO) == 0;
    if (startedHere && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return displays;
    }
    const int count = invisibleDriver() ? 0 : SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        DisplayInfo display;
        const char* name = SDL_GetDisplayName(i);
        display.name = name != nullptr ? name : "";
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(i, &bounds) == 0) {
            display.bounds = Rect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
        }
        SDL_DisplayMode mode{};
        if (SDL_GetCurrentDisplayMode(i, &mode) == 0) {
            display.refreshHz = mode.refresh_rate;
        }
        displays.push_back(display);
    }
    if (startedHere) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    return displays;
}

void selectDisplay(int32_t index) { chosenDisplay = index >= 0 ? index : -1; }

int32_t windowDisplay() {
    SDL_Window* window = sdl::showWindowHandle();
    return window != nullptr ? SDL_GetWindowDisplayIndex(window) : -1;
}

int32_t windowRefreshHz() {
    const int32_t display = windowDisplay();
    SDL_DisplayMode mode{};
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) {
        return 0;
    }
    return mode.refresh_rate;
}

}  // namespace platform
