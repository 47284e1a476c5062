#pragma once
// Scripting and inspection of the platform test double (platform_null.cpp).
//
// The double has no window system: it records every platform call in order,
// hands out scripted messages, tick counts and message-box answers, and fails
// any step it is told to fail. Its state lives in a function-local static, so
// it already works during static initialisation (the clock reads ticks
// before main) and until the last global is destroyed.
//
// Typical use in a test:
//   platform::scripted::reset();
//   platform::scripted::queueMessage({platform::WM_KEYDOWN, platform::VK_ESCAPE, 0});
//   platform::scripted::queueIdle(2);
//   ... run the code under test ...
//   EXPECT_EQ(platform::scripted::count("swapBuffers"), 1);
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::scripted {

// Platform steps that can be made to fail.
enum class Step {
    RegisterWindowClass,
    UnregisterWindowClass,
    ChangeDisplayMode,
    CreateWindow,
    DestroyWindow,
    GetDeviceContext,
    ReleaseDeviceContext,
    ChoosePixelFormat,
    SetPixelFormat,
    CreateRenderingContext,
    DeleteRenderingContext,
    MakeCurrent,      // makeCurrent(true)
    ReleaseCurrent,   // makeCurrent(false)
};

// The frame adjustWindowRect adds around a windowed client area, in pixels.
constexpr Rect windowedFrame{4, 23, 4, 4};  // left, top, right, bottom widths

// When the message script has run out, peekMessage reports nothing pending
// this many times and then hands out WM_QUIT with runawayQuitCode, so a loop
// that never ends by itself fails its test instead of hanging it.
constexpr int32_t runawayIdlePasses = 10000;
constexpr uintptr_t runawayQuitCode = 0xDEAD;

struct Box {
    std::string text;
    std::string caption;
    BoxButtons buttons = BoxButtons::Ok;
    BoxIcon icon = BoxIcon::None;
    BoxAnswer answer = BoxAnswer::Ok;
};

// Back to the state at program start: no calls, no script, no failures,
// clock at 0 and standing still, cursor counter 0, no window.
void reset();

// The step fails every time from now until reset.
void fail(Step step);

// The message script, consumed in order by peekMessage.
void queueMessage(const Message& message);
void queueIdle(int32_t passes = 1);  // peekMessage finds nothing pending this often
// The window system gives the window a drawable of this size without a message
// (a compositor settling the size, a move to a panel of another scale); the
// next peekMessage that finds nothing else pending reports it with WM_SIZE.
void queueDrawableChange(int32_t widthPx, int32_t heightPx);

// tickCount returns these in order; once they are used up it returns the last
// one plus stepMs per further reading (see setClock).
void queueTicks(std::initializer_list<uint32_t> ticks);
// The clock after the queued ticks: `now`, then now + stepMs, now + 2 * stepMs...
void setClock(uint32_t now, uint32_t stepMs = 0);

// The display offers only formats with no field above `best` (by default it
// offers every format).
void offerFormatsUpTo(const PixelFormat& best);
// Offers the formats up to `best` besides (a display whose multisampled
// visuals lack buffers that its plain ones have, say).
void alsoOfferFormatsUpTo(const PixelFormat& best);
// changeDisplayMode's answer while ChangeDisplayMode is not failing
// (Switched by default); the desktop's size (640 x 480 by default).
void setModeSwitch(ModeSwitch result);
void setDesktopSize(int32_t widthPx, int32_t heightPx);
// Drawable pixels per client unit of the windows created from now on (1 by
// default; 2 for a panel at 200 %).
void setPixelScale(int32_t scale);
// setSwapInterval accepts only these intervals (by default -1 and 1).
void offerSwapIntervals(std::initializer_list<int32_t> intervals);

// The displays listDisplays reports, whose refresh rates windowRefreshHz
// gives (by default one of 640 x 480 at 60 Hz); the window is on the one
// selected, else display 0.
void setDisplays(std::vector<DisplayInfo> displays);
int32_t selectedDisplay();  // selectDisplay's last index; -1 before any
// The fine timer counts microseconds from 0 (performanceFrequency
// 1,000,000). It moves only by advanceCounter, by each sleepMs (its
// milliseconds plus oversleepUs) and by each yieldThread (yieldUs); by
// default sleeps are exact and a yield takes 10 us.
void advanceCounter(uint64_t us);
void setTimerCosts(uint32_t oversleepUs, uint32_t yieldUs);
uint64_t counterUs();

// Answers of the next message boxes, in order. Without one, an OK box answers
// Ok and a Yes/No box No (as a box closed unanswered).
void queueAnswer(BoxAnswer answer);
void setLocalTime(const LocalTime& time);

// Drops the calls recorded so far (the script and the state stay).
void forgetCalls();

// ---- inspection ------------------------------------------------------------
// Every call as "name" or "name(arguments)", in call order.
const std::vector<std::string>& calls();
std::vector<std::string> callNames();  // the same, arguments dropped
// Calls of that name; with "(arguments)" in `name`, calls exactly like it.
int32_t count(const std::string& name);
// Position of the first call of that name at or after `from`; -1 if none.
int32_t indexOf(const std::string& name, int32_t from = 0);
const std::vector<Box>& boxes();
const std::vector<std::string>& titles();  // every title set, in order

bool classRegistered();
bool displayModeChanged();
bool windowExists();
bool contextExists();
bool contextCurrent();
bool screenSaverAllowed();
int32_t cursorCounter();  // shows minus hides
Rect createdWindow();     // x, y, x + width, y + height of the last createWindow
bool createdFullscreenStyle();
int32_t pendingMessages();  // script entries not yet consumed
PixelFormat chosenFormat();  // the candidate of the last successful choosePixelFormat
int32_t swapInterval();      // the last interval accepted; 0 before any
Rect drawable();             // 0, 0, width, height of the window's drawable in pixels

}  // namespace platform::scripted
