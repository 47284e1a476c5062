#pragma once
// The show's one window with its rendering context and fixed render state.
#include <cstdint>

#include "core/picture_fit.h"

// What openWindow has acquired and closeWindow still has to release. The
// platform layer keeps the handles themselves; this records which exist.
struct WindowHandles {
    bool window = false;
    bool deviceContext = false;
    bool renderingContext = false;
};
extern WindowHandles windowHandles;

// How openWindow reaches full screen.
enum class FullscreenWay {
    SwitchMode,   // a mode of the wanted size, real or scaled by the window system;
                  // the question box only where neither is possible
    DesktopMode,  // the desktop's own mode: no switch, no question
};
extern FullscreenWay fullscreenWay;
// True while the picture keeps its shape inside a client area of another
// shape (full screen in the desktop's mode): resizeView then letterboxes it.
extern bool letterboxed;
// Samples a pixel that --aa asks for (1, 2, 4 or 8); 0 when not asked: the
// pixel format as ever and nothing said. openWindow keeps the samples asked
// for while a format offers them without buffers the show does not draw with
// (accumulation, stencil, alpha, depth past 16 bits: the steps of the plain
// format's fallback), then halves them, down to none, and says on standard
// error what it got.
extern int32_t wantedSamples;
// The rectangle resizeView gave glViewport last, in the drawable's pixels
// (origin at the bottom left): where the scenes draw.
extern PictureRect currentViewport;

// Opens the window (full screen with a windowed fallback on the user's
// consent), its rendering context and the fixed render state. false after the
// user has been told why not, with what was acquired released again.
bool openWindow(const char* title, int32_t width, int32_t height, int32_t bits, bool fullscreen);
// Releases everything openWindow acquired, in reverse order, and puts back
// the desktop's display mode if it was switched. Failures are reported and
// the remaining steps still run.
void closeWindow();
// Viewport and 45-degree perspective for a client area of width x height
// drawable pixels: the whole area, or while letterboxed the largest centred
// rectangle of the show's shape, with the show's aspect, so the scenes always
// see a demoConfig.width x demoConfig.height picture. openWindow and every
// WM_SIZE call it with the drawable's size as the window system reports it.
void resizeView(int32_t width, int32_t height);
bool initRenderState();  // always true
intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
