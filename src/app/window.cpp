#include "app/window.h"

// STUB: replaced by the shell work.
bool openWindow(const char*, int32_t, int32_t, int32_t, bool) { return false; }
void closeWindow() {}
void resizeView(int32_t, int32_t) {}
bool initRenderState() { return true; }
intptr_t windowProc(uint32_t, uintptr_t, intptr_t) { return 0; }
