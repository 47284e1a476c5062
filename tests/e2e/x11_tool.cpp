// Small X requests the end-to-end tests need and the stock X utilities lack.
//
//   x11-tool close <window id>   ask the window to close the way a window
//                                manager's close button does: a WM_PROTOCOLS
//                                client message carrying WM_DELETE_WINDOW
//                                (xdotool's windowclose destroys the window
//                                outright, which kills the client)
//   x11-tool pose-wm             make clients believe an EWMH window manager
//                                runs (it does nothing): SDL then states
//                                whether it wants a frame (_MOTIF_WM_HINTS),
//                                which a bare X server never shows
// Window ids are decimal or 0x-hex. Exit status 0 on success, 1 otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int closeWindow(Display* display, const char* idText) {
    char* end = nullptr;
    const unsigned long window = std::strtoul(idText, &end, 0);
    if (end == idText || *end != '\0' || window == 0) {
        std::fprintf(stderr, "x11-tool: '%s' is not a window id\n", idText);
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return sent != 0 ? 0 : 1;
}

// The EWMH check: the root's _NET_SUPPORTING_WM_CHECK names a window whose
// own _NET_SUPPORTING_WM_CHECK names itself. The window outlives this process.
int poseAsWindowManager(Display* display) {
    const Window root = DefaultRootWindow(display);
    XSetCloseDownMode(display, RetainPermanent);
    Window check = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
    const Atom supportingCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    auto* checkBytes = reinterpret_cast<unsigned char*>(&check);
    XChangeProperty(display, root, supportingCheck, XA_WINDOW, 32, PropModeReplace, checkBytes, 1);
    XChangeProperty(display, check, supportingCheck, XA_WINDOW, 32, PropModeReplace, checkBytes, 1);
    const char name[] = "e2e";
    XChangeProperty(display, check, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name), sizeof name - 1);
    XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XSync(display, False);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    const bool poseWm = argc == 2 && std::strcmp(argv[1], "pose-wm") == 0;
    if (!close && !poseWm) {
        std::fprintf(stderr, "usage: x11-tool close <window id> | x11-tool pose-wm\n");
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x11-tool: cannot open display\n");
        return 1;
    }
    const int status = close ? closeWindow(display, argv[2]) : poseAsWindowManager(display);
    XCloseDisplay(display);
    return status;
}
