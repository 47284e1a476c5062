// The EWMH full-screen state through SDL's X11 window (SDL_GetWindowWMInfo).
// Only this file and SDL's own headers include Xlib.
#include "platform/sdl/wm_state_x11.h"

#include <SDL_syswm.h>

#include <cstdio>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(VEXEL_HAVE_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>  // XESetCloseDisplay
#endif

namespace platform {

#if defined(SDL_VIDEO_DRIVER_X11) && defined(VEXEL_HAVE_X11)
namespace {

struct X11Window {
    Display* display = nullptr;
    Window window = 0;
};

X11Window x11Window(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11) {
        return {};
    }
    return X11Window{info.info.x11.display, info.info.x11.window};
}

// The property's 32-bit items (longs, as Xlib hands them out); empty where unset.
template <typename Visit>
void readProperty(Display* display, Window window, Atom property, Atom type, Visit visit) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long itemCount = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 64, False, type, &actualType, &actualFormat,
                           &itemCount, &bytesAfter, &data) == Success &&
        data != nullptr) {
        if (actualFormat == 32) {
            visit(reinterpret_cast<const long*>(data), itemCount);
        }
        XFree(data);
    }
}

// The atoms the state is read and asked for with, interned once per
// connection (each XInternAtom is a round trip). The emulated mode's atom
// exists only once an XWayland has emulated a mode, which may come later:
// it is interned all the same, and the property is simply absent elsewhere.
struct Atoms {
    Atom supportingCheck = None;  // _NET_SUPPORTING_WM_CHECK
    Atom state = None;            // _NET_WM_STATE
    Atom fullscreen = None;       // _NET_WM_STATE_FULLSCREEN
    Atom emulated = None;         // _XWAYLAND_RANDR_EMU_MONITOR_RECTS
};

// SDL's one connection; only its thread gets here. Forgotten as the
// connection closes: a new one may come at the same address, to a server
// that has reset its atoms since.
Display* internedFor = nullptr;
Atoms interned;

int forgetAtoms(Display* display, XExtCodes*) {
    if (display == internedFor) {
        internedFor = nullptr;
    }
    return 0;
}

const Atoms& atomsOf(Display* display) {
    if (display != internedFor) {
        char* names[] = {const_cast<char*>("_NET_SUPPORTING_WM_CHECK"), const_cast<char*>("_NET_WM_STATE"),
                         const_cast<char*>("_NET_WM_STATE_FULLSCREEN"),
                         const_cast<char*>("_XWAYLAND_RANDR_EMU_MONITOR_RECTS")};
        Atom atoms[4] = {None, None, None, None};
        XInternAtoms(display, names, 4, False, atoms);  // one round trip for all four
        interned = Atoms{atoms[0], atoms[1], atoms[2], atoms[3]};
        if (XExtCodes* codes = XAddExtension(display)) {  // a local slot for the close hook, no request
            XESetCloseDisplay(display, codes->extension, forgetAtoms);
        }
        internedFor = display;
    }
    return interned;
}

}  // namespace

WmFullscreenReport readWmFullscreen(SDL_Window* window) {
    WmFullscreenReport report;
    const X11Window x = x11Window(window);
    if (x.display == nullptr) {
        return report;
    }
    const Atoms& atoms = atomsOf(x.display);
    readProperty(x.display, DefaultRootWindow(x.display), atoms.supportingCheck, XA_WINDOW,
                 [&](const long*, unsigned long count) { report.managed = count > 0; });
    readProperty(x.display, x.window, atoms.state, XA_ATOM, [&](const long* items, unsigned long count) {
        for (unsigned long i = 0; i < count; ++i) {
            report.fullscreen = report.fullscreen || static_cast<Atom>(items[i]) == atoms.fullscreen;
        }
    });
    readProperty(x.display, x.window, atoms.emulated, XA_CARDINAL,
                 [&](const long*, unsigned long count) { report.emulatedMode = count >= 4; });
    return report;
}

void askWmFullscreen(SDL_Window* window) {
    const X11Window x = x11Window(window);
    if (x.display == nullptr) {
        return;
    }
    const Atoms& atoms = atomsOf(x.display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = x.window;
    event.xclient.message_type = atoms.state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(atoms.fullscreen);
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = 1;  // source: an application
    XSendEvent(x.display, DefaultRootWindow(x.display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(x.display);
}

#else  // no X11 in this SDL (or no Xlib to read it with): nothing manages windows in the EWMH sense

WmFullscreenReport readWmFullscreen(SDL_Window*) { return {}; }
void askWmFullscreen(SDL_Window*) {}

#endif

namespace {

// One step of either wait at the current time: reads the state where due,
// asks again where due. False once the wait is over; `state` keeps the last read.
bool stepFullscreenAwait(SDL_Window* window, FullscreenAwait& await, WmFullscreenReport& state) {
    const uint32_t nowMs = SDL_GetTicks();
    if (!await.readDue(nowMs)) {
        return true;
    }
    state = readWmFullscreen(window);
    switch (await.next(nowMs, state)) {
        case FullscreenAwait::Step::Held:
            return false;
        case FullscreenAwait::Step::GaveUp:
            std::fprintf(stderr, "platform: the window manager did not make the window full screen\n");
            return false;
        case FullscreenAwait::Step::Ask:
            askWmFullscreen(window);
            return true;
        case FullscreenAwait::Step::Wait:
            return true;
    }
    return true;
}

}  // namespace

WmFullscreenReport awaitWmFullscreen(SDL_Window* window) {
    FullscreenAwait await(SDL_GetTicks());
    WmFullscreenReport state;
    while (stepFullscreenAwait(window, await, state)) {
        SDL_PumpEvents();  // the window manager's answers reach SDL's window meanwhile
        SDL_Delay(5);
    }
    return state;
}

bool continueFullscreenAwait(SDL_Window* window, FullscreenAwait& await) {
    WmFullscreenReport state;
    return stepFullscreenAwait(window, await, state);
}

}  // namespace platform
