// The platform layer over SDL2 (X11 underneath on Linux).
//
// How the Win32 model maps onto SDL:
//  - The window class is the video subsystem: registering initialises it,
//    unregistering shuts it down.
//  - SDL switches display modes only for a shown full-screen window, and it
//    reports no error when the display keeps its mode. changeDisplayMode
//    therefore shows a blank full-screen window of the wanted size (the mode
//    holder) and accepts the mode only when the drawable comes out at exactly
//    that size. The holder keeps the mode until the real window is shown.
//    Wayland compositors never switch the panel: the modes SDL lists there
//    are emulated by scaling, which counts as Scaled, and the full-screen
//    window then covers the desktop at its own size. XWayland reports the
//    switch made but emulates it: Scaled too (mode_probe.h). Under an X11
//    window manager the holder is judged once the manager's own state says
//    full screen, and the shown window is asked for full screen again until
//    that state says so (wm_state_x11.cpp): SDL asks once, and a manager
//    still setting the window up can lose that request.
//  - Windows ask for high-DPI drawables: on a scaled panel the drawable has
//    the panel's pixels, and WM_SIZE reports those. Where the size settles
//    later without an event (after the first buffer swap, on another
//    monitor's scale), peekMessage still reports it.
//  - On X11 a window's visual is fixed when it is created: choosePixelFormat
//    probes the candidates with hidden 1x1 windows before the real one
//    exists, and createWindow uses the format chosen.
//  - There is no device context: the window stands in for it.
//  - SDL events become Win32 messages in an internal queue; peekMessage hands
//    out one at a time.
// Message boxes: message_box_sdl.cpp; key codes and GL attributes:
// mapping_sdl.cpp; the clock: clock_posix.cpp.
#include "platform/platform.h"

#include <SDL.h>
#ifdef __GLIBC__
#include <malloc.h>  // Required for: mallopt
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>

#include "platform/sdl/display_sdl.h"
#include "platform/sdl/mapping_sdl.h"
#include "platform/sdl/mode_probe.h"
#include "platform/sdl/wm_state_x11.h"

namespace platform {
namespace {

struct SdlState {
    WindowProc proc = nullptr;
    bool videoUp = false;
    SDL_Window* window = nullptr;
    SDL_Window* modeHolder = nullptr;  // keeps a switched display mode until the window shows
    bool modeChanged = false;
    bool deviceContext = false;
    SDL_GLContext context = nullptr;
    int32_t cursorCount = 0;  // shows minus hides; the cursor shows while >= 0
    bool minimised = false;
    bool hidden = false;  // unmapped by the window system: not shown, like minimised
    int reportedWidth = 0, reportedHeight = 0;  // the drawable size of the last WM_SIZE
    std::optional<FullscreenAwait> fullscreenAwait;  // shown full screen, not yet held so

    // What the window was created with, so that setPixelFormat can re-create it.
    std::string title;
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool fullscreenStyle = false;

    PixelFormat wantedFormat;
    int32_t chosenFormat = 0;   // 1-based candidate of the last choosePixelFormat; 0 none
    int32_t windowFormat = 0;   // the candidate the window was created with
    std::deque<Message> queue;
    bool quitPosted = false;
    int32_t quitCode = 0;
};

// Never destroyed: a global's destructor may still reach the platform after
// the statics created later than it are gone.
SdlState& state() {
    static SdlState& s = *new SdlState;
    return s;
}

bool driverIs(const char* name) {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, name) == 0;
}

SDL_Window* makeWindow(const SdlState& s) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (s.fullscreenStyle) {
        // A switched mode is held by a window of exactly its size; with none
        // switched the window covers the desktop in the desktop's mode.
        flags |= SDL_WINDOW_BORDERLESS |
                 (s.modeHolder != nullptr ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    return SDL_CreateWindow(s.title.c_str(), sdl::windowPosition(s.x), sdl::windowPosition(s.y), s.width,
                            s.height, flags);
}

intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    WindowProc proc = state().proc;
    return proc != nullptr ? proc(message, wParam, lParam) : 0;
}

void drawableSize(SDL_Window* window, int& width, int& height) {
    width = 0;
    height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
}

// WM_SIZE's lParam for the window's drawable now, remembered as reported.
intptr_t reportDrawableSize(SdlState& s) {
    drawableSize(s.window, s.reportedWidth, s.reportedHeight);
    return sizeLParam(s.reportedWidth, s.reportedHeight);
}

// A drawable whose size changed with no event for it gets its WM_SIZE all the
// same (not while minimised or unmapped: those report 0 x 0 until restored).
void postUnreportedSize(SdlState& s) {
    if (s.window == nullptr || s.minimised || s.hidden) {
        return;
    }
    int width = 0;
    int height = 0;
    drawableSize(s.window, width, height);
    if (width > 0 && height > 0 && (width != s.reportedWidth || height != s.reportedHeight)) {
        s.queue.push_back(Message{WM_SIZE, 0, reportDrawableSize(s)});
    }
}

// The show's window, shown full screen, until the window manager holds it so.
void keepAskingForFullscreen(SdlState& s) {
    if (s.fullscreenAwait && (s.window == nullptr || !continueFullscreenAwait(s.window, *s.fullscreenAwait))) {
        s.fullscreenAwait.reset();
    }
}

// Queues the messages one SDL event stands for (none, one or two).
void translate(const SDL_Event& event) {
    SdlState& s = state();
    const Uint32 ourWindow = s.window != nullptr ? SDL_GetWindowID(s.window) : 0;
    auto post = [&s](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        s.queue.push_back(Message{message, wParam, lParam});
    };
    auto clientSizeLParam = [&s]() { return reportDrawableSize(s); };
    switch (event.type) {
        case SDL_QUIT:  // SIGINT or SIGTERM: ask the window to close
            if (s.window != nullptr) {
                post(WM_CLOSE, 0, 0);
            }
            break;
        case SDL_WINDOWEVENT:
            if (event.window.windowID != ourWindow || ourWindow == 0) {
                break;  // the mode holder, or a window already gone
            }
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    post(WM_CLOSE, 0, 0);
                    break;
                case SDL_WINDOWEVENT_HIDDEN:
                    if (s.hidden || s.minimised) {
                        break;
                    }
                    s.hidden = true;
                    post(WM_ACTIVATE, activateWParam(WA_INACTIVE, true), 0);
                    break;
                case SDL_WINDOWEVENT_SHOWN:
                    if (!s.hidden) {
                        break;
                    }
                    s.hidden = false;
                    post(WM_ACTIVATE, activateWParam(WA_ACTIVE, s.minimised), 0);
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                    s.minimised = true;
                    s.reportedWidth = 0;
                    s.reportedHeight = 0;
                    post(WM_SIZE, 0, sizeLParam(0, 0));
                    post(WM_ACTIVATE, activateWParam(WA_INACTIVE, true), 0);
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                    s.minimised = false;
                    post(WM_ACTIVATE, activateWParam(WA_ACTIVE, false), 0);
                    post(WM_SIZE, 0, clientSizeLParam());
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    post(WM_ACTIVATE, activateWParam(WA_ACTIVE, s.minimised || s.hidden), 0);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    post(WM_ACTIVATE, activateWParam(WA_INACTIVE, s.minimised || s.hidden), 0);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    if (!s.minimised) {
                        post(WM_SIZE, 0, clientSizeLParam());
                    }
                    break;
                default:
                    break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (event.key.windowID != 0 && event.key.windowID != ourWindow) {
                break;
            }
            const uintptr_t code = virtualKey(event.key.keysym);
            if (code == 0) {
                break;
            }
            // Keys pressed with Alt held are system keys, as Win32 reports them.
            const bool system = (event.key.keysym.mod & KMOD_ALT) != 0 || code == 0x12;
            const bool down = event.type == SDL_KEYDOWN;
            post(system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP),
                 code, down && event.key.repeat != 0 ? keyRepeatBit : 0);
            break;
        }
        default:
            break;
    }
}

}  // namespace

SDL_Window* sdl::showWindowHandle() { return state().window; }

// ---- window class, display mode, window -----------------------------------

bool registerWindowClass(WindowProc proc) {
    SdlState& s = state();
    // The window's buffers (and the software renderer's) come and go with its
    // size: a fixed threshold keeps every block of 256 KiB or more mapped on
    // its own, so it goes back to the system when freed instead of staying in
    // the heap, where each change of size would leave the resident set larger
    // or smaller by a few megabytes. (glibc otherwise raises the threshold
    // after each large free.) Other C libraries keep their own policy.
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    // The window procedure decides about the screen saver (showWindow);
    // closing the window is a message like any other, not an SDL quit.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "platform: cannot start the video subsystem: %s\n", SDL_GetError());
        return false;
    }
    // With no display SDL falls back to drivers that show nothing; unless one
    // was asked for by name, that is no place for the show.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                                 std::strcmp(driver, "dummy") == 0);
    if (invisible && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        std::fprintf(stderr, "platform: no display to open a window on (is DISPLAY set?)\n");
        return false;
    }
    s.videoUp = true;
    s.proc = proc;
    return true;
}

bool unregisterWindowClass() {
    SdlState& s = state();
    if (!s.videoUp) {
        return false;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    s.videoUp = false;
    s.proc = nullptr;
    s.queue.clear();
    return true;
}

ModeSwitch changeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    SdlState& s = state();
    if (!s.videoUp || width <= 0 || height <= 0) {
        return ModeSwitch::Refused;
    }
    // The display must list the mode at all.
    const int display = sdl::fullscreenDisplay();
    bool listed = false;
    const int modeCount = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < modeCount && !listed; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) == 0 && mode.w == width && mode.h == height) {
            const int storedBits = static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8;
            listed = storedBits == bitsPerPixel ||
                     static_cast<int>(SDL_BITSPERPIXEL(mode.format)) == bitsPerPixel;
        }
    }
    if (!listed) {
        return ModeSwitch::Refused;
    }
    // A display already in that mode needs no switch, and no window to hold
    // it (showing and settling one costs a good part of the start-up).
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(display, &desktop) == 0 && desktop.w == width && desktop.h == height &&
        (static_cast<int>(SDL_BYTESPERPIXEL(desktop.format)) * 8 == bitsPerPixel ||
         static_cast<int>(SDL_BITSPERPIXEL(desktop.format)) == bitsPerPixel)) {
        return ModeSwitch::Switched;
    }
    if (driverIs("wayland")) {
        return ModeSwitch::Scaled;  // listed, but only ever scaled by the compositor
    }
    SDL_Window* holder = SDL_CreateWindow("", sdl::windowPosition(0), sdl::windowPosition(0), width, height,
                                          SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS |
                                              SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (holder == nullptr) {
        return ModeSwitch::Refused;
    }
    SDL_ShowWindow(holder);
    // The drawable is judged once the window manager holds the window full
    // screen (where one runs: SDL's own sizing is final without one).
    const WmFullscreenReport report = awaitWmFullscreen(holder);
    int drawnWidth = 0;
    int drawnHeight = 0;
    drawableSize(holder, drawnWidth, drawnHeight);
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(holder), &bounds);
    const ModeSwitch result =
        judgeModeProbe(ModeProbe{width, height, drawnWidth, drawnHeight, bounds.w, bounds.h,
                                 report.emulatedMode});
    if (result != ModeSwitch::Switched) {
        SDL_DestroyWindow(holder);  // SDL puts back whatever it switched
        return result;
    }
    if (s.modeHolder != nullptr) {
        SDL_DestroyWindow(s.modeHolder);
    }
    s.modeHolder = holder;
    s.modeChanged = true;
    return ModeSwitch::Switched;
}

bool desktopSize(int32_t& widthPx, int32_t& heightPx) {
    SDL_DisplayMode desktop;
    if (!state().videoUp || SDL_GetDesktopDisplayMode(sdl::fullscreenDisplay(), &desktop) != 0) {
        return false;
    }
    widthPx = desktop.w;
    heightPx = desktop.h;
    return true;
}

void restoreDisplayMode() {
    SdlState& s = state();
    s.fullscreenAwait.reset();
    if (s.window != nullptr && s.fullscreenStyle) {
        SDL_SetWindowFullscreen(s.window, 0);
    }
    if (s.modeHolder != nullptr) {
        SDL_DestroyWindow(s.modeHolder);
        s.modeHolder = nullptr;
    }
    s.modeChanged = false;
}

void showCursor(bool show) {
    SdlState& s = state();
    s.cursorCount += show ? 1 : -1;
    if (s.videoUp) {
        SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
}

void adjustWindowRect(Rect&, bool) {
    // The window manager draws the frame outside the client area, so the
    // window size handed to SDL is the client size in either style.
}

bool createWindow(const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool fullscreenStyle) {
    SdlState& s = state();
    if (!s.videoUp || s.window != nullptr) {
        return false;
    }
    s.title = title != nullptr ? title : "";
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
    s.fullscreenStyle = fullscreenStyle;
    s.minimised = false;
    s.hidden = false;
    s.windowFormat = s.chosenFormat;
    applyGlAttributes(s.chosenFormat > 0 ? pixelFormatCandidate(s.wantedFormat, s.chosenFormat - 1)
                                         : PixelFormat{});
    s.window = makeWindow(s);
    if (s.window == nullptr) {
        std::fprintf(stderr, "platform: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    send(WM_SIZE, 0, reportDrawableSize(s));
    return true;
}

bool destroyWindow() {
    SdlState& s = state();
    if (s.window == nullptr) {
        return false;
    }
    SDL_DestroyWindow(s.window);
    s.window = nullptr;
    s.fullscreenAwait.reset();
    if (s.modeHolder != nullptr) {
        SDL_DestroyWindow(s.modeHolder);
        s.modeHolder = nullptr;
    }
    return true;
}

void showWindow() {
    SdlState& s = state();
    if (s.window == nullptr) {
        return;
    }
    SDL_ShowWindow(s.window);
    if (s.modeHolder != nullptr) {
        // The window now holds the full-screen mode itself.
        SDL_DestroyWindow(s.modeHolder);
        s.modeHolder = nullptr;
    }
    if (s.fullscreenStyle) {
        s.fullscreenAwait.emplace(SDL_GetTicks());
    }
    SDL_DisableScreenSaver();
    send(WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    send(WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

void setForegroundWindow() {
    if (state().window != nullptr) {
        SDL_RaiseWindow(state().window);
    }
}

void setFocus() {
    if (state().window != nullptr) {
        SDL_SetWindowInputFocus(state().window);
    }
}

void setWindowTitle(const char* title) {
    if (state().window != nullptr && title != nullptr) {
        SDL_SetWindowTitle(state().window, title);
    }
}

// ---- device context, pixel format, rendering context -----------------------

bool getDeviceContext() {
    SdlState& s = state();
    s.deviceContext = s.window != nullptr;
    return s.deviceContext;
}

bool releaseDeviceContext() {
    SdlState& s = state();
    const bool held = s.deviceContext;
    s.deviceContext = false;
    return held;
}

int32_t choosePixelFormat(const PixelFormat& wanted) {
    SdlState& s = state();
    if (!s.videoUp) {
        return 0;
    }
    s.wantedFormat = wanted;
    s.chosenFormat = 0;
    // A hidden 1x1 window per candidate: SDL refuses to create a GL window
    // for which no visual matches.
    for (int32_t i = 0; i < pixelFormatCandidateCount(wanted); ++i) {
        const PixelFormat format = pixelFormatCandidate(wanted, i);
        applyGlAttributes(format);
        SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (probe != nullptr) {
            SDL_DestroyWindow(probe);
            // Fewer samples are the shell's to report; buffers dropped are ours.
            if (i % pixelFormatSteps > 0) {
                std::fprintf(stderr,
                             "platform: settled for a pixel format with alpha %d, accumulation %d, "
                             "depth %d, stencil %d bits\n",
                             format.alphaBits, format.accumBits, format.depthBits, format.stencilBits);
            }
            s.chosenFormat = i + 1;
            return s.chosenFormat;
        }
    }
    std::fprintf(stderr, "platform: no OpenGL visual: %s\n", SDL_GetError());
    return 0;
}

bool setPixelFormat(int32_t format) {
    SdlState& s = state();
    if (s.window == nullptr || format < 1 || format > pixelFormatCandidateCount(s.wantedFormat)) {
        return false;
    }
    if (format == s.windowFormat) {
        return true;  // created with it
    }
    applyGlAttributes(pixelFormatCandidate(s.wantedFormat, format - 1));
    SDL_Window* replacement = makeWindow(s);
    if (replacement == nullptr) {
        return false;
    }
    SDL_DestroyWindow(s.window);
    s.window = replacement;
    s.windowFormat = format;
    return true;
}

bool createRenderingContext() {
    SdlState& s = state();
    if (s.window == nullptr) {
        return false;
    }
    s.context = SDL_GL_CreateContext(s.window);
    if (s.context == nullptr) {
        std::fprintf(stderr, "platform: cannot create the GL context: %s\n", SDL_GetError());
        return false;
    }
    // SDL makes a new context current; Win32 leaves that to wglMakeCurrent.
    SDL_GL_MakeCurrent(s.window, nullptr);
    return true;
}

bool deleteRenderingContext() {
    SdlState& s = state();
    if (s.context == nullptr) {
        return false;
    }
    SDL_GL_DeleteContext(s.context);
    s.context = nullptr;
    return true;
}

bool makeCurrent(bool current) {
    SdlState& s = state();
    if (current) {
        return s.window != nullptr && s.context != nullptr &&
               SDL_GL_MakeCurrent(s.window, s.context) == 0;
    }
    return SDL_GL_MakeCurrent(s.window, nullptr) == 0;
}

void swapBuffers() {
    if (state().window != nullptr) {
        SDL_GL_SwapWindow(state().window);
    }
}

bool setSwapInterval(int32_t interval) {
    return state().context != nullptr && SDL_GL_SetSwapInterval(interval) == 0;
}

// ---- messages --------------------------------------------------------------

bool peekMessage(Message& message) {
    SdlState& s = state();
    if (s.queue.empty() && !s.quitPosted && s.videoUp) {
        SDL_Event event;
        while (s.queue.empty() && SDL_PollEvent(&event) != 0) {
            translate(event);
        }
        if (s.queue.empty()) {
            keepAskingForFullscreen(s);
            postUnreportedSize(s);
        }
    }
    if (!s.queue.empty()) {
        message = s.queue.front();
        s.queue.pop_front();
        return true;
    }
    if (s.quitPosted) {
        s.quitPosted = false;
        message = Message{WM_QUIT, static_cast<uintptr_t>(s.quitCode), 0};
        return true;
    }
    return false;
}

void translateMessage(const Message&) {
    // No character messages: the show reads key codes only.
}

intptr_t dispatchMessage(const Message& message) {
    return send(message.message, message.wParam, message.lParam);
}

void waitMessage(uint32_t timeoutMs) {
    SdlState& s = state();
    if (!s.queue.empty() || s.quitPosted || !s.videoUp) {
        return;
    }
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(timeoutMs)) != 0) {
        translate(event);
    }
}

void postQuitMessage(int32_t exitCode) {
    state().quitPosted = true;
    state().quitCode = exitCode;
}

intptr_t defWindowProc(uint32_t message, uintptr_t wParam, intptr_t) {
    if (message == WM_SYSCOMMAND && (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)) {
        SDL_EnableScreenSaver();  // the default: let them start
    }
    return 0;
}

}  // namespace platform
