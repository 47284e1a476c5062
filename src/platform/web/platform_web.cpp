// The platform layer in a web page, over Emscripten's html5.h.
//
// How the Win32 model maps onto a page:
//  - The canvas (#canvas) is the window. Its size in device pixels is the
//    drawable: the page lays it out (640x480 CSS pixels, or the whole screen
//    in the browser's own full screen) and peekMessage sends WM_SIZE whenever
//    that layout times devicePixelRatio differs from the drawable's size.
//  - The display is the page: there is no mode to switch. desktopSize
//    answers the canvas's laid-out size, so the shell letterboxes the 4:3
//    picture into whatever the page gives it.
//  - The rendering context is a WebGL 1 context on the canvas, with the GL
//    layer (platform/gles) started in it once it is current: the show's GL
//    1.1 is carried out over it. The browser presents the canvas when the
//    animation frame's callback returns, so swapBuffers has nothing to do.
//  - Keyboard events of the page become WM_KEYDOWN/WM_KEYUP; the browser's
//    key codes are Windows' virtual-key codes for the keys the show reads.
//  - Message boxes are lines on standard error ("CAPTION: text"), which the
//    page shows; they do not block, and a Yes/No box is answered No.
//  - Nothing can block or sleep: the page's own loop calls the show.
// The clock: clock_posix.cpp (Emscripten's clock_gettime is the page's
// performance clock). The program's folder: executable_directory.cpp (none).
#include "platform/platform.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <string>

#include "platform/gles/gl_api.h"

namespace platform {
namespace {

constexpr const char* kCanvas = "#canvas";

struct WebState {
    WindowProc proc = nullptr;
    bool window = false;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    int32_t cursorCount = 0;  // shows minus hides; the cursor shows while >= 0
    int32_t drawableWidth = 0, drawableHeight = 0;
    std::deque<Message> queue;
    bool quitPosted = false;
    int32_t quitCode = 0;
};

WebState& state() {
    static WebState s;
    return s;
}

// The canvas's laid-out size in device pixels.
void laidOutSize(int32_t& widthPx, int32_t& heightPx) {
    double cssWidth = 0.0;
    double cssHeight = 0.0;
    emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    widthPx = static_cast<int32_t>(std::lround(cssWidth * ratio));
    heightPx = static_cast<int32_t>(std::lround(cssHeight * ratio));
}

// Gives the canvas the drawable size its layout asks for and tells the
// window procedure, where that size changed.
void followLayout() {
    WebState& s = state();
    if (!s.window) return;
    int32_t width = 0;
    int32_t height = 0;
    laidOutSize(width, height);
    if (width <= 0 || height <= 0 || (width == s.drawableWidth && height == s.drawableHeight)) return;
    s.drawableWidth = width;
    s.drawableHeight = height;
    emscripten_set_canvas_element_size(kCanvas, width, height);
    s.queue.push_back({WM_SIZE, 0, sizeLParam(width, height)});
}

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
    const uintptr_t key = event->keyCode;
    if (key == 0) return EM_FALSE;
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    state().queue.push_back({down ? WM_KEYDOWN : WM_KEYUP, key, down && event->repeat ? keyRepeatBit : 0});
    // The browser keeps its own keys (Escape leaves full screen first).
    return EM_FALSE;
}

EM_JS(void, setCanvasCursor, (int visible), {
    const canvas = document.getElementById("canvas");
    if (canvas) canvas.style.cursor = visible ? "" : "none";
});

}  // namespace

bool registerWindowClass(WindowProc proc) {
    state().proc = proc;
    return true;
}

bool unregisterWindowClass() {
    state().proc = nullptr;
    return true;
}

ModeSwitch changeDisplayMode(int32_t, int32_t, int32_t) { return ModeSwitch::Scaled; }

bool desktopSize(int32_t& widthPx, int32_t& heightPx) {
    laidOutSize(widthPx, heightPx);
    return widthPx > 0 && heightPx > 0;
}

void restoreDisplayMode() {}

void showCursor(bool show) {
    WebState& s = state();
    s.cursorCount += show ? 1 : -1;
    setCanvasCursor(s.cursorCount >= 0 ? 1 : 0);
}

void adjustWindowRect(Rect&, bool) {}

bool createWindow(const char* title, int32_t, int32_t, int32_t, int32_t, bool) {
    WebState& s = state();
    if (s.window) return false;
    s.window = true;
    s.drawableWidth = 0;
    s.drawableHeight = 0;
    s.queue.clear();
    s.quitPosted = false;
    emscripten_set_window_title(title);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    // The first size is the one desktopSize gave the shell, which sets its
    // view with it once the context exists (WebGL has none to call before):
    // no WM_SIZE for it.
    laidOutSize(s.drawableWidth, s.drawableHeight);
    emscripten_set_canvas_element_size(kCanvas, s.drawableWidth, s.drawableHeight);
    return true;
}

bool destroyWindow() {
    WebState& s = state();
    if (!s.window) return false;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    s.window = false;
    s.queue.clear();
    return true;
}

void showWindow() {
    WebState& s = state();
    if (s.proc == nullptr) return;
    // The page keeps the screen awake on its own; the window procedure is
    // asked as on the desktop.
    s.proc(WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    s.proc(WM_SYSCOMMAND, SC_MONITORPOWER, 0);
}

void setForegroundWindow() {}
void setFocus() {}

void setWindowTitle(const char* title) { emscripten_set_window_title(title); }

std::vector<DisplayInfo> listDisplays() {
    int32_t width = 0;
    int32_t height = 0;
    laidOutSize(width, height);
    return {DisplayInfo{"page", Rect{0, 0, width, height}, 0}};
}

void selectDisplay(int32_t) {}
int32_t windowDisplay() { return state().window ? 0 : -1; }
int32_t windowRefreshHz() { return 0; }

bool getDeviceContext() { return state().window; }
bool releaseDeviceContext() { return true; }
int32_t choosePixelFormat(const PixelFormat&) { return 1; }
bool setPixelFormat(int32_t format) { return format == 1; }

bool createRenderingContext() {
    WebState& s = state();
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    s.context = emscripten_webgl_create_context(kCanvas, &attributes);
    return s.context > 0;
}

namespace {

// The GL layer's objects (shaders, vertex buffer) in the context just made
// current; a context that cannot carry them is one that cannot be activated.
bool startGlLayer() {
    std::string error;
    if (vxLayerStart(error)) return true;
    std::fprintf(stderr, "platform: %s\n", error.c_str());
    return false;
}

}  // namespace

bool deleteRenderingContext() {
    WebState& s = state();
    if (s.context <= 0) return false;
    if (emscripten_webgl_get_current_context() == s.context) vxLayerStop();
    emscripten_webgl_destroy_context(s.context);
    s.context = 0;
    return true;
}

bool makeCurrent(bool current) {
    WebState& s = state();
    if (!current) {
        if (s.context > 0 && emscripten_webgl_get_current_context() == s.context) vxLayerStop();
        return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
    }
    return s.context > 0 && emscripten_webgl_make_context_current(s.context) == EMSCRIPTEN_RESULT_SUCCESS &&
           startGlLayer();
}

void swapBuffers() {}
bool setSwapInterval(int32_t) { return false; }

bool peekMessage(Message& message) {
    WebState& s = state();
    followLayout();
    if (!s.queue.empty()) {
        message = s.queue.front();
        s.queue.pop_front();
        return true;
    }
    if (s.quitPosted) {
        s.quitPosted = false;
        message = {WM_QUIT, static_cast<uintptr_t>(s.quitCode), 0};
        return true;
    }
    return false;
}

void translateMessage(const Message&) {}

intptr_t dispatchMessage(const Message& message) {
    WebState& s = state();
    return s.proc != nullptr ? s.proc(message.message, message.wParam, message.lParam) : 0;
}

void postQuitMessage(int32_t exitCode) {
    WebState& s = state();
    s.quitPosted = true;
    s.quitCode = exitCode;
}

void waitMessage(uint32_t) {}

intptr_t defWindowProc(uint32_t, uintptr_t, intptr_t) { return 0; }

BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

uint64_t performanceCounter() { return static_cast<uint64_t>(emscripten_get_now() * 1000.0); }
uint64_t performanceFrequency() { return 1000000; }

void sleepMs(uint32_t) {}
void yieldThread() {}
void lowerThreadPriority(int32_t) {}

}  // namespace platform
