// The EWMH full-screen state through SDL's X11 window (SDL_GetWindowWMInfo).
// Only this file and SDL's own headers include Xlib.
#include "platform/sdl/wm_state_x11.h"

#include <SDL_syswm.h>

#include <cstdio>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(VEXEL_HAVE_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
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

}  // namespace

WmFullscreenReport readWmFullscreen(SDL_Window* window) {
    WmFullscreenReport report;
    const X11Window x = x11Window(window);
    if (x.display == nullptr) {
        return report;
    }
    const Window root = DefaultRootWindow(x.display);
    const Atom supportingCheck = XInternAtom(x.display, "_NET_SUPPORTING_WM_CHECK", False);
    readProperty(x.display, root, supportingCheck, XA_WINDOW,
                 [&](const long*, unsigned long count) { report.managed = count > 0; });
    const Atom state = XInternAtom(x.display, "_NET_WM_STATE", False);
    const Atom fullscreen = XInternAtom(x.display, "_NET_WM_STATE_FULLSCREEN", False);
    readProperty(x.display, x.window, state, XA_ATOM, [&](const long* atoms, unsigned long count) {
        for (unsigned long i = 0; i < count; ++i) {
            report.fullscreen = report.fullscreen || static_cast<Atom>(atoms[i]) == fullscreen;
        }
    });
    // True: the atom exists only where an XWayland has emulated a mode.
    const Atom emulated = XInternAtom(x.display, "_XWAYLAND_RANDR_EMU_MONITOR_RECTS", True);
    if (emulated != None) {
        readProperty(x.display, x.window, emulated, XA_CARDINAL,
                     [&](const long*, unsigned long count) { report.emulatedMode = count >= 4; });
    }
    return report;
}

void askWmFullscreen(SDL_Window* window) {
    const X11Window x = x11Window(window);
    if (x.display == nullptr) {
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = x.window;
    event.xclient.message_type = XInternAtom(x.display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(x.display, "_NET_WM_STATE_FULLSCREEN", False));
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

WmFullscreenReport awaitWmFullscreen(SDL_Window* window) {
    FullscreenAwait await(SDL_GetTicks());
    for (;;) {
        const WmFullscreenReport report = readWmFullscreen(window);
        if (report.emulatedMode) {
            return report;
        }
        switch (await.next(SDL_GetTicks(), report.managed, report.fullscreen)) {
            case FullscreenAwait::Step::Held:
            case FullscreenAwait::Step::GaveUp:
                return report;
            case FullscreenAwait::Step::Ask:
                askWmFullscreen(window);
                break;
            case FullscreenAwait::Step::Wait:
                break;
        }
        SDL_PumpEvents();
        SDL_Delay(5);
    }
}

bool continueFullscreenAwait(SDL_Window* window, FullscreenAwait& await) {
    const WmFullscreenReport report = readWmFullscreen(window);
    switch (await.next(SDL_GetTicks(), report.managed, report.fullscreen)) {
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

}  // namespace platform
