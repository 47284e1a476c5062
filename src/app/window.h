#pragma once
// The show's one window with its rendering context and fixed render state.
#include <cstdint>

bool openWindow(const char* title, int32_t width, int32_t height, int32_t bits, bool fullscreen);
void closeWindow();
void resizeView(int32_t width, int32_t height);
bool initRenderState();
intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
