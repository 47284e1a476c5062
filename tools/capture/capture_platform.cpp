// The platform interface for rendering the show offscreen. Only what the
// shell's window code calls is meaningful; the rest succeeds and does nothing.
#include "capture_platform.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "platform/offscreen_gl.h"
#include "platform/platform.h"

namespace {

int32_t frameWidth = 640;
int32_t frameHeight = 480;
int32_t contextWidth = 640;
int32_t contextHeight = 480;
int32_t contextDevice = OffscreenGl::kAnyDevice;
// Constant-initialised: the clock is read during static initialisation.
constinit uint32_t clockMs = 0;
std::unique_ptr<OffscreenGl> offscreen;
std::string error;

}  // namespace

namespace capture {

void setFrameSize(int32_t width, int32_t height) {
    frameWidth = width;
    frameHeight = height;
}
void setClockMs(uint32_t ms) { clockMs = ms; }
void setContextTarget(int32_t outputWidth, int32_t outputHeight, int32_t deviceIndex) {
    contextWidth = outputWidth;
    contextHeight = outputHeight;
    contextDevice = deviceIndex;
}
OffscreenGl* context() { return offscreen.get(); }
const char* contextError() { return error.c_str(); }

int32_t largestFramebufferSide(int32_t deviceIndex) {
    const OffscreenGl probe(16, 16, deviceIndex);
    if (!probe.ok()) {
        return 0;
    }
    // GL_MAX_RENDERBUFFER_SIZE bounds the framebuffer object the show draws
    // into, GL_MAX_VIEWPORT_DIMS what it can draw over.
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return std::min({renderbuffer, viewport[0], viewport[1]});
}

}  // namespace capture

namespace platform {

bool registerWindowClass(WindowProc) { return true; }
bool unregisterWindowClass() { return true; }
// The framebuffer has whatever size the capture asks for.
ModeSwitch changeDisplayMode(int32_t, int32_t, int32_t) { return ModeSwitch::Switched; }
bool desktopSize(int32_t& widthPx, int32_t& heightPx) {
    widthPx = frameWidth;
    heightPx = frameHeight;
    return true;
}
void restoreDisplayMode() {}
void showCursor(bool) {}
void adjustWindowRect(Rect&, bool) {}
bool createWindow(const char*, int32_t, int32_t, int32_t, int32_t, bool) { return true; }
bool destroyWindow() { return true; }
void showWindow() {}
void setForegroundWindow() {}
void setFocus() {}
void setWindowTitle(const char*) {}
bool getDeviceContext() { return true; }
bool releaseDeviceContext() { return true; }
int32_t choosePixelFormat(const PixelFormat&) { return 1; }
bool setPixelFormat(int32_t format) { return format == 1; }
bool createRenderingContext() {
    offscreen = std::make_unique<OffscreenGl>(contextWidth, contextHeight, contextDevice);
    if (!offscreen->ok()) {
        error = offscreen->error();
        offscreen.reset();
        return false;
    }
    return true;
}
bool deleteRenderingContext() {
    offscreen.reset();
    return true;
}
bool makeCurrent(bool) { return offscreen != nullptr; }
void swapBuffers() {}
bool setSwapInterval(int32_t) { return false; }  // frames are rendered, never shown
bool peekMessage(Message&) { return false; }
void translateMessage(const Message&) {}
intptr_t dispatchMessage(const Message&) { return 0; }
void postQuitMessage(int32_t) {}
void waitMessage(uint32_t) {}
intptr_t defWindowProc(uint32_t, uintptr_t, intptr_t) { return 0; }

BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon) {
    std::fprintf(stderr, "tessaline-capture: %s: %s\n", caption, text);
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

uint32_t tickCount() { return clockMs; }

void lowerThreadPriority(int32_t) {}

// Frames are rendered on the capture's own clock, never shown or paced.
uint64_t performanceCounter() { return uint64_t{clockMs} * 1000; }
uint64_t performanceFrequency() { return 1000000; }
void sleepMs(uint32_t) {}
void yieldThread() {}
std::vector<DisplayInfo> listDisplays() { return {}; }
void selectDisplay(int32_t) {}
int32_t windowDisplay() { return -1; }
int32_t windowRefreshHz() { return 0; }

LocalTime localTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace platform
