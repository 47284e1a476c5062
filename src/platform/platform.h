#pragma once
// The platform interface: everything the show needs from the operating system
// (window, rendering context, messages, message boxes, time), with the
// semantics of the Win32/WGL calls the shell was designed around.
//
// One implementation per platform, chosen at link time:
//   platform/sdl/   the real one, over SDL2
//   platform/null/  a test double that records calls and replays scripted
//                   messages, ticks, answers and failures (platform_double.h)
// Nothing above this layer includes SDL.
#include <cstdint>

namespace platform {

// Window messages, with their Win32 codes.
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
// WM_SYSCOMMAND values the show swallows.
constexpr uintptr_t SC_SCREENSAVE = 0xF140;
constexpr uintptr_t SC_MONITORPOWER = 0xF170;
// Windows virtual-key codes.
constexpr uintptr_t VK_ESCAPE = 27;

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;  // WM_ACTIVATE: high word = minimised flag; WM_KEY*: virtual-key code
    intptr_t lParam = 0;   // WM_SIZE: low word = client width, high word = client height
};

// The window procedure; called from dispatchMessage and from the calls that
// create, show and destroy the window.
using WindowProc = intptr_t (*)(uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The pixel format the shell asks for (fields as in a PIXELFORMATDESCRIPTOR).
struct PixelFormat {
    int32_t colourBits = 32;
    int32_t alphaBits = 1;
    int32_t accumBits = 32;
    int32_t depthBits = 16;
    int32_t stencilBits = 1;
    bool doubleBuffer = true;
};

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Exclamation, Stop, Information };
enum class BoxAnswer { Ok, Yes, No };

struct LocalTime {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// ---- window class, display mode, window -----------------------------------
bool registerWindowClass(WindowProc proc);  // class "OpenGL"
bool unregisterWindowClass();
bool changeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);  // true: mode in force
void restoreDisplayMode();
void showCursor(bool show);
// Grows a client rectangle into the window rectangle for the given style.
void adjustWindowRect(Rect& rect, bool fullscreenStyle);
bool createWindow(const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool fullscreenStyle);
bool destroyWindow();
void showWindow();
void setForegroundWindow();
void setFocus();
void setWindowTitle(const char* title);

// ---- device context, pixel format, rendering context -----------------------
bool getDeviceContext();
bool releaseDeviceContext();
int32_t choosePixelFormat(const PixelFormat& wanted);  // 0: none suitable
bool setPixelFormat(int32_t format);
bool createRenderingContext();
bool deleteRenderingContext();
bool makeCurrent(bool current);  // false: release the context from the thread
void swapBuffers();

// ---- messages --------------------------------------------------------------
// Removes one pending message; false when none is pending.
bool peekMessage(Message& message);
void translateMessage(const Message& message);
intptr_t dispatchMessage(const Message& message);
void postQuitMessage(int32_t exitCode);
intptr_t defWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

// ---- message boxes ---------------------------------------------------------
// Blocks until dismissed. A Yes/No box closed without an answer is No. Where no
// box can be shown, caption and text go to standard error and the answer is
// Ok for an OK box and No for a Yes/No box.
BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon icon);

// ---- time ------------------------------------------------------------------
uint32_t tickCount();  // milliseconds, unsigned 32-bit, wraps
LocalTime localTime();

}  // namespace platform
