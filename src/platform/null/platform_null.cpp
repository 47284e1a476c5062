// The platform test double: no window system, every call recorded, messages,
// ticks, box answers and failures scripted (platform_double.h).
#include <cstdio>
#include <deque>
#include <utility>
#include <string>
#include <vector>

#include "platform/null/platform_double.h"
#include "platform/platform.h"

namespace platform {
namespace {

struct ScriptEntry {
    enum class Kind { Message, Idle, DrawableChange } kind = Kind::Message;
    Message message;  // DrawableChange: lParam holds the new size as WM_SIZE does
};

struct DoubleState {
    std::vector<std::string> calls;
    std::vector<scripted::Box> boxes;
    std::vector<std::string> titles;
    std::vector<scripted::Step> failing;

    std::deque<ScriptEntry> script;
    int32_t runawayPasses = 0;
    bool quitPosted = false;
    int32_t quitCode = 0;

    std::deque<uint32_t> ticks;
    uint32_t clockNow = 0;
    uint32_t clockStepMs = 0;
    bool clockStarted = false;  // clockNow was already handed out once

    std::deque<BoxAnswer> answers;
    LocalTime time{2024, 2, 14, 20, 15, 30};

    WindowProc proc = nullptr;
    bool classRegistered = false;
    bool displayModeChanged = false;
    bool window = false;
    bool deviceContext = false;
    bool context = false;
    bool current = false;
    bool screenSaverAllowed = true;
    int32_t cursorCounter = 0;
    Rect created;
    bool createdFullscreen = false;
    int32_t pixelFormat = 0;
    int32_t pixelScale = 1;
    intptr_t drawableSize = 0;  // as WM_SIZE's lParam
    intptr_t reportedSize = 0;  // the drawable size of the last WM_SIZE

    // A format is offered when no field is above those of one of these.
    std::vector<PixelFormat> offeredUpTo{PixelFormat{1 << 16, 1 << 16, 1 << 16, 1 << 16, 1 << 16, true, 1 << 16}};
    PixelFormat chosen;
    ModeSwitch modeSwitch = ModeSwitch::Switched;
    int32_t desktopWidth = 640;
    int32_t desktopHeight = 480;
    std::vector<int32_t> swapIntervals{-1, 1};
    int32_t swapInterval = 0;

    std::vector<DisplayInfo> displays{DisplayInfo{"double", Rect{0, 0, 640, 480}, 60}};
    int32_t selectedDisplay = -1;
    uint64_t counterUs = 0;  // the fine timer, microseconds
    uint32_t oversleepUs = 0;
    uint32_t yieldUs = 10;
};

// Built on first use, so usable from any static initialiser, and never
// destroyed, so usable from any static destructor.
DoubleState& state() {
    static DoubleState& s = *new DoubleState;
    return s;
}

void record(std::string call) { state().calls.push_back(std::move(call)); }

bool failing(scripted::Step step) {
    for (scripted::Step s : state().failing) {
        if (s == step) {
            return true;
        }
    }
    return false;
}

std::string join(std::initializer_list<long long> values) {
    std::string text;
    for (long long v : values) {
        if (!text.empty()) {
            text += ",";
        }
        text += std::to_string(v);
    }
    return text;
}

intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    WindowProc proc = state().proc;
    return proc != nullptr ? proc(message, wParam, lParam) : 0;
}

}  // namespace

// ---- scripting and inspection ----------------------------------------------
namespace scripted {

void reset() { state() = DoubleState{}; }
void fail(Step step) { state().failing.push_back(step); }

void queueMessage(const Message& message) {
    state().script.push_back(ScriptEntry{ScriptEntry::Kind::Message, message});
}
void queueIdle(int32_t passes) {
    for (int32_t i = 0; i < passes; ++i) {
        state().script.push_back(ScriptEntry{ScriptEntry::Kind::Idle, {}});
    }
}
void queueDrawableChange(int32_t widthPx, int32_t heightPx) {
    state().script.push_back(
        ScriptEntry{ScriptEntry::Kind::DrawableChange, Message{WM_SIZE, 0, sizeLParam(widthPx, heightPx)}});
}

void queueTicks(std::initializer_list<uint32_t> ticks) {
    for (uint32_t t : ticks) {
        state().ticks.push_back(t);
    }
}
void setClock(uint32_t now, uint32_t stepMs) {
    state().clockNow = now;
    state().clockStepMs = stepMs;
    state().clockStarted = false;
}

void offerFormatsUpTo(const PixelFormat& best) { state().offeredUpTo = {best}; }
void alsoOfferFormatsUpTo(const PixelFormat& best) { state().offeredUpTo.push_back(best); }
void setModeSwitch(ModeSwitch result) { state().modeSwitch = result; }
void setDesktopSize(int32_t widthPx, int32_t heightPx) {
    state().desktopWidth = widthPx;
    state().desktopHeight = heightPx;
}
void setPixelScale(int32_t scale) { state().pixelScale = scale; }
void offerSwapIntervals(std::initializer_list<int32_t> intervals) { state().swapIntervals = intervals; }

void setDisplays(std::vector<DisplayInfo> displays) { state().displays = std::move(displays); }
int32_t selectedDisplay() { return state().selectedDisplay; }
void advanceCounter(uint64_t us) { state().counterUs += us; }
void setTimerCosts(uint32_t oversleepUs, uint32_t yieldUs) {
    state().oversleepUs = oversleepUs;
    state().yieldUs = yieldUs;
}
uint64_t counterUs() { return state().counterUs; }

void queueAnswer(BoxAnswer answer) { state().answers.push_back(answer); }
void setLocalTime(const LocalTime& time) { state().time = time; }

const std::vector<std::string>& calls() { return state().calls; }
std::vector<std::string> callNames() {
    std::vector<std::string> names;
    for (const std::string& call : state().calls) {
        names.push_back(call.substr(0, call.find('(')));
    }
    return names;
}
int32_t count(const std::string& name) {
    const bool withArguments = name.find('(') != std::string::npos;
    const std::vector<std::string> names = withArguments ? state().calls : callNames();
    int32_t n = 0;
    for (const std::string& call : names) {
        n += call == name ? 1 : 0;
    }
    return n;
}
void forgetCalls() { state().calls.clear(); }
int32_t indexOf(const std::string& name, int32_t from) {
    const std::vector<std::string> names = callNames();
    for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < names.size(); ++i) {
        if (names[i] == name) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}
const std::vector<Box>& boxes() { return state().boxes; }
const std::vector<std::string>& titles() { return state().titles; }

bool classRegistered() { return state().classRegistered; }
bool displayModeChanged() { return state().displayModeChanged; }
bool windowExists() { return state().window; }
bool contextExists() { return state().context; }
bool contextCurrent() { return state().current; }
bool screenSaverAllowed() { return state().screenSaverAllowed; }
int32_t cursorCounter() { return state().cursorCounter; }
Rect createdWindow() { return state().created; }
bool createdFullscreenStyle() { return state().createdFullscreen; }
int32_t pendingMessages() { return static_cast<int32_t>(state().script.size()); }
PixelFormat chosenFormat() { return state().chosen; }
int32_t swapInterval() { return state().swapInterval; }
Rect drawable() {
    const uintptr_t size = static_cast<uintptr_t>(state().drawableSize);
    return Rect{0, 0, static_cast<int32_t>(loWord(size)), static_cast<int32_t>(hiWord(size))};
}

}  // namespace scripted

// ---- window class, display mode, window -----------------------------------
using scripted::Step;

bool registerWindowClass(WindowProc proc) {
    record("registerWindowClass");
    if (failing(Step::RegisterWindowClass)) {
        return false;
    }
    state().proc = proc;
    state().classRegistered = true;
    return true;
}

bool unregisterWindowClass() {
    record("unregisterWindowClass");
    if (failing(Step::UnregisterWindowClass) || !state().classRegistered) {
        return false;
    }
    state().classRegistered = false;
    state().proc = nullptr;
    return true;
}

ModeSwitch changeDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    record("changeDisplayMode(" + join({width, height, bitsPerPixel}) + ")");
    if (failing(Step::ChangeDisplayMode)) {
        return ModeSwitch::Refused;
    }
    state().displayModeChanged = state().modeSwitch == ModeSwitch::Switched;
    return state().modeSwitch;
}

bool desktopSize(int32_t& widthPx, int32_t& heightPx) {
    record("desktopSize");
    widthPx = state().desktopWidth;
    heightPx = state().desktopHeight;
    return true;
}

void restoreDisplayMode() {
    record("restoreDisplayMode");
    state().displayModeChanged = false;
}

void showCursor(bool show) {
    record(show ? "showCursor(1)" : "showCursor(0)");
    state().cursorCounter += show ? 1 : -1;
}

void adjustWindowRect(Rect& rect, bool fullscreenStyle) {
    record(std::string("adjustWindowRect(") + (fullscreenStyle ? "popup" : "overlapped") + ")");
    if (!fullscreenStyle) {
        rect.left -= scripted::windowedFrame.left;
        rect.top -= scripted::windowedFrame.top;
        rect.right += scripted::windowedFrame.right;
        rect.bottom += scripted::windowedFrame.bottom;
    }
}

bool createWindow(const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool fullscreenStyle) {
    record(std::string("createWindow(") + (title != nullptr ? title : "") + "," +
           join({x, y, width, height}) + (fullscreenStyle ? ",popup)" : ",overlapped)"));
    DoubleState& s = state();
    if (failing(Step::CreateWindow) || !s.classRegistered) {
        return false;
    }
    s.window = true;
    s.created = Rect{x, y, x + width, y + height};
    s.createdFullscreen = fullscreenStyle;
    // Like CreateWindowEx, the first WM_SIZE arrives before the call returns.
    int32_t clientWidth = width;
    int32_t clientHeight = height;
    if (!fullscreenStyle) {
        clientWidth -= scripted::windowedFrame.left + scripted::windowedFrame.right;
        clientHeight -= scripted::windowedFrame.top + scripted::windowedFrame.bottom;
    }
    s.drawableSize = sizeLParam(clientWidth * s.pixelScale, clientHeight * s.pixelScale);
    s.reportedSize = s.drawableSize;
    send(WM_SIZE, 0, s.drawableSize);
    return true;
}

bool destroyWindow() {
    record("destroyWindow");
    if (failing(Step::DestroyWindow) || !state().window) {
        return false;
    }
    state().window = false;
    return true;
}

void showWindow() {
    record("showWindow");
    if (!state().window) {
        return;
    }
    state().screenSaverAllowed = false;
    send(WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    send(WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

void setForegroundWindow() { record("setForegroundWindow"); }
void setFocus() { record("setFocus"); }

void setWindowTitle(const char* title) {
    const std::string text = title != nullptr ? title : "";
    record("setWindowTitle(" + text + ")");
    state().titles.push_back(text);
}

// ---- device context, pixel format, rendering context -----------------------

bool getDeviceContext() {
    record("getDeviceContext");
    if (failing(Step::GetDeviceContext) || !state().window) {
        return false;
    }
    state().deviceContext = true;
    return true;
}

bool releaseDeviceContext() {
    record("releaseDeviceContext");
    if (failing(Step::ReleaseDeviceContext) || !state().deviceContext) {
        return false;
    }
    state().deviceContext = false;
    return true;
}

int32_t choosePixelFormat(const PixelFormat& wanted) {
    // The sample count only where one is asked for, so calls read as before.
    record("choosePixelFormat(" +
           join({wanted.colourBits, wanted.alphaBits, wanted.accumBits, wanted.depthBits,
                 wanted.stencilBits, wanted.doubleBuffer ? 1 : 0}) +
           (wanted.samples != 0 ? ",samples " + std::to_string(wanted.samples) : std::string()) + ")");
    DoubleState& s = state();
    if (failing(Step::ChoosePixelFormat)) {
        return 0;
    }
    for (int32_t i = 0; i < pixelFormatCandidateCount(wanted); ++i) {
        const PixelFormat format = pixelFormatCandidate(wanted, i);
        for (const PixelFormat& best : s.offeredUpTo) {
            if (format.colourBits <= best.colourBits && format.alphaBits <= best.alphaBits &&
                format.accumBits <= best.accumBits && format.depthBits <= best.depthBits &&
                format.stencilBits <= best.stencilBits && (best.doubleBuffer || !format.doubleBuffer) &&
                format.samples <= best.samples) {
                s.chosen = format;
                return i + 1;
            }
        }
    }
    return 0;
}

bool setPixelFormat(int32_t format) {
    record("setPixelFormat(" + std::to_string(format) + ")");
    if (failing(Step::SetPixelFormat) || format < 1 || !state().deviceContext) {
        return false;
    }
    state().pixelFormat = format;
    return true;
}

bool createRenderingContext() {
    record("createRenderingContext");
    if (failing(Step::CreateRenderingContext) || state().pixelFormat == 0) {
        return false;
    }
    state().context = true;
    return true;
}

bool deleteRenderingContext() {
    record("deleteRenderingContext");
    if (failing(Step::DeleteRenderingContext) || !state().context) {
        return false;
    }
    state().context = false;
    return true;
}

bool makeCurrent(bool current) {
    record(current ? "makeCurrent(1)" : "makeCurrent(0)");
    if (failing(current ? Step::MakeCurrent : Step::ReleaseCurrent)) {
        return false;
    }
    if (current && !state().context) {
        return false;
    }
    state().current = current;
    return true;
}

void swapBuffers() { record("swapBuffers"); }

bool setSwapInterval(int32_t interval) {
    record("setSwapInterval(" + std::to_string(interval) + ")");
    for (int32_t offered : state().swapIntervals) {
        if (offered == interval) {
            state().swapInterval = interval;
            return true;
        }
    }
    return false;
}

// ---- messages --------------------------------------------------------------

bool peekMessage(Message& message) {
    record("peekMessage");
    DoubleState& s = state();
    using Kind = ScriptEntry::Kind;
    while (!s.script.empty() && s.script.front().kind == Kind::DrawableChange) {
        s.drawableSize = s.script.front().message.lParam;
        s.script.pop_front();
    }
    if (!s.script.empty() && s.script.front().kind == Kind::Message) {
        message = s.script.front().message;
        s.script.pop_front();
        if (message.message == WM_SIZE) {
            // The window system's own report: the drawable has that size now.
            s.drawableSize = message.lParam;
            s.reportedSize = message.lParam;
        }
        return true;
    }
    if (s.window && s.drawableSize != s.reportedSize) {
        s.reportedSize = s.drawableSize;
        message = Message{WM_SIZE, 0, s.drawableSize};
        return true;
    }
    if (s.quitPosted) {
        s.quitPosted = false;
        message = Message{WM_QUIT, static_cast<uintptr_t>(s.quitCode), 0};
        return true;
    }
    if (!s.script.empty()) {
        s.script.pop_front();  // an idle pass
        return false;
    }
    if (++s.runawayPasses > scripted::runawayIdlePasses) {
        message = Message{WM_QUIT, scripted::runawayQuitCode, 0};
        return true;
    }
    return false;
}

void translateMessage(const Message& message) {
    record("translateMessage(" + std::to_string(message.message) + ")");
}

intptr_t dispatchMessage(const Message& message) {
    record("dispatchMessage(" + std::to_string(message.message) + ")");
    return send(message.message, message.wParam, message.lParam);
}

void postQuitMessage(int32_t exitCode) {
    record("postQuitMessage(" + std::to_string(exitCode) + ")");
    state().quitPosted = true;
    state().quitCode = exitCode;
}

void waitMessage(uint32_t timeoutMs) { record("waitMessage(" + std::to_string(timeoutMs) + ")"); }

intptr_t defWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    record("defWindowProc(" + join({message, static_cast<long long>(wParam), lParam}) + ")");
    if (message == WM_SYSCOMMAND && (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)) {
        state().screenSaverAllowed = true;
    }
    return 0;
}

// ---- message boxes ---------------------------------------------------------

BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon icon) {
    DoubleState& s = state();
    record(std::string("messageBox(") + caption + ")");
    BoxAnswer answer = buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    if (!s.answers.empty()) {
        answer = s.answers.front();
        s.answers.pop_front();
    }
    s.boxes.push_back(scripted::Box{text, caption, buttons, icon, answer});
    return answer;
}

// ---- time ------------------------------------------------------------------

uint32_t tickCount() {
    record("tickCount");
    DoubleState& s = state();
    if (!s.ticks.empty()) {
        const uint32_t t = s.ticks.front();
        s.ticks.pop_front();
        s.clockNow = t;
        s.clockStarted = true;
        return t;
    }
    if (s.clockStarted) {
        s.clockNow += s.clockStepMs;
    }
    s.clockStarted = true;
    return s.clockNow;
}

uint64_t performanceCounter() { return state().counterUs; }
uint64_t performanceFrequency() { return 1000000; }

void sleepMs(uint32_t ms) {
    record("sleepMs(" + std::to_string(ms) + ")");
    state().counterUs += uint64_t{ms} * 1000 + state().oversleepUs;
}

void yieldThread() { state().counterUs += state().yieldUs; }

// ---- displays --------------------------------------------------------------

std::vector<DisplayInfo> listDisplays() { return state().displays; }

void selectDisplay(int32_t index) {
    record("selectDisplay(" + std::to_string(index) + ")");
    state().selectedDisplay = index;
}

int32_t windowDisplay() {
    const DoubleState& s = state();
    return !s.window ? -1 : s.selectedDisplay >= 0 ? s.selectedDisplay : 0;
}

int32_t windowRefreshHz() {
    const int32_t display = windowDisplay();
    const std::vector<DisplayInfo>& displays = state().displays;
    return display >= 0 && static_cast<size_t>(display) < displays.size() ? displays[display].refreshHz : 0;
}

void lowerThreadPriority(int32_t) {}

// The double's program lives nowhere: its data is where the test runs.
std::string executableDirectory() { return {}; }

LocalTime localTime() {
    record("localTime");
    return state().time;
}

}  // namespace platform
