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
#include <string>
#include <vector>

namespace platform {

// Window messages, with their Win32 codes.
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;  // a key pressed while Alt is held
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
// WM_SYSCOMMAND values the show swallows.
constexpr uintptr_t SC_SCREENSAVE = 0xF140;
constexpr uintptr_t SC_MONITORPOWER = 0xF170;
// WM_ACTIVATE low word.
constexpr uintptr_t WA_INACTIVE = 0;
constexpr uintptr_t WA_ACTIVE = 1;
// Windows virtual-key codes.
constexpr uintptr_t VK_ESCAPE = 27;
constexpr uintptr_t VK_SPACE = 0x20;
constexpr uintptr_t VK_HOME = 0x24;
constexpr uintptr_t VK_LEFT = 0x25;
constexpr uintptr_t VK_UP = 0x26;
constexpr uintptr_t VK_RIGHT = 0x27;
constexpr uintptr_t VK_DOWN = 0x28;
constexpr uintptr_t VK_ADD = 0x6B;       // keypad +
constexpr uintptr_t VK_SUBTRACT = 0x6D;  // keypad -
constexpr uintptr_t VK_DECIMAL = 0x6E;   // keypad .
constexpr uintptr_t VK_F1 = 0x70;
constexpr uintptr_t VK_OEM_PLUS = 0xBB;    // the = + key
constexpr uintptr_t VK_OEM_MINUS = 0xBD;   // the - _ key
constexpr uintptr_t VK_OEM_PERIOD = 0xBE;  // the . > key

// The 16-bit halves of wParam and lParam, as Win32's LOWORD/HIWORD take them.
constexpr uint32_t loWord(uintptr_t value) { return static_cast<uint32_t>(value & 0xFFFFu); }
constexpr uint32_t hiWord(uintptr_t value) { return static_cast<uint32_t>((value >> 16) & 0xFFFFu); }
// WM_SIZE's lParam: client width in the low word, height in the high word.
constexpr intptr_t sizeLParam(int32_t width, int32_t height) {
    return static_cast<intptr_t>((static_cast<uint32_t>(height) & 0xFFFFu) << 16 |
                                 (static_cast<uint32_t>(width) & 0xFFFFu));
}
// WM_ACTIVATE's wParam: WA_* in the low word, non-zero high word while minimised.
constexpr uintptr_t activateWParam(uintptr_t state, bool minimised) {
    return (minimised ? uintptr_t{1} << 16 : 0) | state;
}

// WM_KEYDOWN's lParam bit 30: the key was already down (an auto-repeat).
constexpr intptr_t keyRepeatBit = intptr_t{1} << 30;

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;  // WM_ACTIVATE: high word = minimised flag; WM_KEY*: virtual-key code
    // WM_SIZE: low word = client width, high word = client height, both in the
    // drawable's pixels (on a scaled panel twice the window's logical size, say)
    intptr_t lParam = 0;
};

// The window procedure; called from dispatchMessage and from the calls that
// create, show and destroy the window.
using WindowProc = intptr_t (*)(uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The pixel format the shell asks for (fields as in a PIXELFORMATDESCRIPTOR),
// with multisampling beside them.
struct PixelFormat {
    int32_t colourBits = 32;
    int32_t alphaBits = 1;
    int32_t accumBits = 32;
    int32_t depthBits = 16;
    int32_t stencilBits = 1;
    bool doubleBuffer = true;
    int32_t samples = 0;  // multisampled: samples a pixel (2 or more); 0 or 1: none
};

// The candidates choosePixelFormat tries, best first. For each sample count,
// from the wanted one halved step by step down to none: the wanted format,
// then without the accumulation buffer, then without stencil, then without
// alpha, then with the depth buffer down to 16 bits. Without multisampling
// that is those five alone. The samples go last because they are what the
// user asked for; the buffers dropped before them are ones the show does not
// draw with (and displays often offer multisampling only without an
// accumulation buffer). Every platform settles in this order; format n
// (1-based) is candidate n - 1.
constexpr int32_t pixelFormatSteps = 5;  // candidates for each sample count
constexpr int32_t sampleCountSteps(const PixelFormat& wanted) {
    int32_t steps = 1;  // none, always last
    for (int32_t samples = wanted.samples; samples >= 2; samples /= 2) {
        ++steps;
    }
    return steps;
}
constexpr int32_t pixelFormatCandidateCount(const PixelFormat& wanted) {
    return pixelFormatSteps * sampleCountSteps(wanted);
}
constexpr PixelFormat pixelFormatCandidate(const PixelFormat& wanted, int32_t index) {
    PixelFormat format = wanted;
    for (int32_t halvings = index / pixelFormatSteps; halvings > 0; --halvings) {
        format.samples /= 2;
    }
    if (format.samples < 2) {
        format.samples = 0;
    }
    const int32_t step = index % pixelFormatSteps;
    if (step >= 1) {
        format.accumBits = 0;
    }
    if (step >= 2) {
        format.stencilBits = 0;
    }
    if (step >= 3) {
        format.alphaBits = 0;
    }
    if (step >= 4 && format.depthBits > 16) {
        format.depthBits = 16;
    }
    return format;
}

// How a full-screen mode was reached.
enum class ModeSwitch {
    Refused,   // the display cannot show that size full screen
    Switched,  // the panel runs in that mode (or already did): a full-screen
               // drawable of exactly that size
    Scaled,    // the window system offers the size only by scaling it over the
               // panel (Wayland; XWayland, which reports the switch made but
               // hands out a drawable of the panel's size); the panel itself
               // keeps the desktop's mode
};

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Exclamation, Stop, Information };
enum class BoxAnswer { Ok, Yes, No };

struct LocalTime {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// ---- window class, display mode, window -----------------------------------
// There is one window. fullscreenStyle: borderless popup covering the switched
// display mode, or the whole desktop where no mode was switched; otherwise an
// overlapped window with a frame that the user can resize and maximise.

// Class "OpenGL" with proc as its window procedure; false when the windowing
// system cannot be reached.
bool registerWindowClass(WindowProc proc);
bool unregisterWindowClass();
// Switches the display to width x height at bitsPerPixel. Switched only when
// the mode is in force afterwards; a mode the display silently did not take
// is Refused, one the window system only emulates by scaling is Scaled (and
// leaves the panel in the desktop's mode).
ModeSwitch changeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
// The desktop's size in pixels (the panel's own mode); false without a display.
bool desktopSize(int32_t& widthPx, int32_t& heightPx);
void restoreDisplayMode();  // back to the desktop's mode
// A display counter, as Win32 keeps it: the cursor shows while the number of
// shows minus hides is not negative.
void showCursor(bool show);
// Grows a client rectangle into the window rectangle for the given style.
void adjustWindowRect(Rect& rect, bool fullscreenStyle);
// Creates the window hidden, with width x height the window (outer) size.
// Sends WM_SIZE with the client size (in drawable pixels) to the window
// procedure before it returns.
bool createWindow(const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool fullscreenStyle);
bool destroyWindow();
// Shows the window. As the window comes to the foreground the window procedure
// is sent WM_SYSCOMMAND SC_SCREENSAVE and SC_MONITORPOWER: the screen saver and
// monitor power saving stay off unless it hands them to defWindowProc.
void showWindow();
void setForegroundWindow();
void setFocus();
void setWindowTitle(const char* title);

// ---- displays --------------------------------------------------------------
struct DisplayInfo {
    std::string name;       // as the window system names it; may be empty
    Rect bounds;            // in the desktop's coordinates, pixels
    int32_t refreshHz = 0;  // of its current mode; 0 where none is reported
};
// The displays in the window system's order; index N is display N. Usable
// before registerWindowClass (the window system is reached for the call
// alone); empty where there is no display.
std::vector<DisplayInfo> listDisplays();
// The display that changeDisplayMode, desktopSize and the next createWindow
// use: an index into listDisplays, or -1 (the default) for the window
// system's own placement, where full screen takes display 0.
void selectDisplay(int32_t index);
// The display the window is on (an index into listDisplays); -1 without a window.
int32_t windowDisplay();
// The refresh rate of the display the window is on, in Hz; 0 where the
// window system reports none, or without a window.
int32_t windowRefreshHz();

// ---- device context, pixel format, rendering context -----------------------
bool getDeviceContext();
bool releaseDeviceContext();
// The closest format the display offers (1-based), found before any window
// exists: the first of the pixelFormatCandidate list the display can show; 0
// when none. createWindow creates the window with the last format chosen.
int32_t choosePixelFormat(const PixelFormat& wanted);
bool setPixelFormat(int32_t format);
// An OpenGL 1.1 compatibility context, created but not yet current.
bool createRenderingContext();
bool deleteRenderingContext();
bool makeCurrent(bool current);  // false: release the context from the thread
void swapBuffers();
// Buffer swaps wait for this many vertical blanks; -1: adaptive (late frames
// swap at once). false where the driver does not offer that interval.
bool setSwapInterval(int32_t interval);

// ---- messages --------------------------------------------------------------
// Removes one pending message; false when none is pending. Delivered:
// WM_ACTIVATE, WM_SIZE, WM_CLOSE, WM_KEYDOWN/WM_KEYUP (WM_SYSKEY* with Alt),
// and WM_QUIT once postQuitMessage was called and earlier messages are gone.
// WM_SIZE comes whenever the drawable's size in pixels has changed since the
// last one, also where the window system said nothing of it (a compositor
// settling the size after the first frame, a new scale on another monitor).
bool peekMessage(Message& message);
void translateMessage(const Message& message);
intptr_t dispatchMessage(const Message& message);  // calls the window procedure
void postQuitMessage(int32_t exitCode);
// Blocks until a message is pending or timeoutMs have passed; removes nothing.
void waitMessage(uint32_t timeoutMs);
// The default handling of a message the window procedure does not handle.
intptr_t defWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

// ---- message boxes ---------------------------------------------------------
// Blocks until dismissed. A Yes/No box closed without an answer is No. Where no
// box can be shown, caption and text go to standard error and the answer is
// Ok for an OK box and No for a Yes/No box.
BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon icon);

// ---- time ------------------------------------------------------------------
uint32_t tickCount();  // milliseconds, unsigned 32-bit, wraps
LocalTime localTime();
// The fine timer: a monotonic count of performanceFrequency() ticks a second.
uint64_t performanceCounter();
uint64_t performanceFrequency();
// Sleeps at least ms (the system's timer may add about a millisecond).
void sleepMs(uint32_t ms);
// Hands the rest of the thread's time slice to others.
void yieldThread();

// ---- threads ---------------------------------------------------------------
// Runs the calling thread niceSteps below its current priority, so that work
// started early yields to the main thread on machines with few cores; where
// the system refuses, it runs on as it was.
void lowerThreadPriority(int32_t niceSteps);

// ---- the process -----------------------------------------------------------
// The folder that holds the running program's file, symbolic links resolved,
// without a trailing '/'; empty where the system cannot tell.
std::string executableDirectory();

}  // namespace platform
