#include "platform/platform.h"

#include <cstdio>

// STUB: replaced by the shell work.
namespace platform {
bool registerWindowClass(WindowProc) { return true; }
bool unregisterWindowClass() { return true; }
bool changeDisplayMode(int32_t, int32_t, int32_t) { return false; }
void restoreDisplayMode() {}
void showCursor(bool) {}
void adjustWindowRect(Rect&, bool) {}
bool createWindow(const char*, int32_t, int32_t, int32_t, int32_t, bool) { return false; }
bool destroyWindow() { return true; }
void showWindow() {}
void setForegroundWindow() {}
void setFocus() {}
void setWindowTitle(const char*) {}
bool getDeviceContext() { return false; }
bool releaseDeviceContext() { return true; }
int32_t choosePixelFormat(const PixelFormat&) { return 0; }
bool setPixelFormat(int32_t) { return false; }
bool createRenderingContext() { return false; }
bool deleteRenderingContext() { return true; }
bool makeCurrent(bool) { return false; }
void swapBuffers() {}
bool peekMessage(Message&) { return false; }
void translateMessage(const Message&) {}
intptr_t dispatchMessage(const Message&) { return 0; }
void postQuitMessage(int32_t) {}
intptr_t defWindowProc(uint32_t, uintptr_t, intptr_t) { return 0; }
BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}
uint32_t tickCount() { return 0; }
LocalTime localTime() { return {}; }
}  // namespace platform
