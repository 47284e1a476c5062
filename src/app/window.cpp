#include "app/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>  // GL_SAMPLES: Windows' gl.h stops at OpenGL 1.1

#include <cstdio>

#include "core/demo_config.h"
#include "core/demo_system.h"
#include "core/picture_fit.h"
#include "app/frame_pacer.h"
#include "app/shell.h"
#include "platform/platform.h"

WindowHandles windowHandles;
FullscreenWay fullscreenWay = FullscreenWay::SwitchMode;
bool letterboxed = false;
int32_t wantedSamples = 0;
PictureRect currentViewport;

namespace {

// Caption of every message openWindow shows.
constexpr const char* errorCaption = "ERROR";
// Caption of every message closeWindow shows.
constexpr const char* shutdownCaption = "SHUTDOWN ERROR";

void openError(const char* text) {
    platform::messageBox(text, errorCaption, platform::BoxButtons::Ok, platform::BoxIcon::Exclamation);
}

void shutdownError(const char* text) {
    platform::messageBox(text, shutdownCaption, platform::BoxButtons::Ok,
                         platform::BoxIcon::Information);
}

// The drawable's size in pixels as the last WM_SIZE gave it; 0 x 0 before any.
int32_t reportedWidthPx = 0;
int32_t reportedHeightPx = 0;

// One line on the multisampling the context has, where --aa asked for it:
// the samples a pixel the GL reports, or those of the format chosen where it
// reports nothing; 1 without multisampling.
void reportSamples(int32_t chosenSamples) {
    GLint sampleBuffers = chosenSamples >= 2 ? 1 : 0;
    GLint samples = chosenSamples;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    glGetIntegerv(GL_SAMPLES, &samples);
    // A context without multisampling may not know the names: no error stays.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    const int granted = sampleBuffers != 0 && samples >= 2 ? samples : 1;
    std::fprintf(stderr, "tessaline: anti-aliasing: %d sample%s a pixel (asked for %d)\n", granted,
                 granted == 1 ? "" : "s", wantedSamples);
}

// Releases what was acquired so far, then tells the user why the window
// could not be opened.
bool abandonOpen(const char* text) {
    closeWindow();
    openError(text);
    return false;
}

}  // namespace

bool openWindow(const char* title, int32_t width, int32_t height, int32_t bits, bool fullscreen) {
    // From here on demoConfig.fullscreen is the authority for the mode.
    demoConfig.fullscreen = fullscreen;
    letterboxed = false;
    reportedWidthPx = 0;
    reportedHeightPx = 0;

    if (!platform::registerWindowClass(windowProc)) {
        openError("Failed To Register The Window Class.");
        return false;
    }

    platform::ModeSwitch modeSwitch = platform::ModeSwitch::Refused;
    if (demoConfig.fullscreen) {
        modeSwitch = fullscreenWay == FullscreenWay::DesktopMode
                         ? platform::ModeSwitch::Scaled
                         : platform::changeDisplayMode(width, height, bits);
    }
    if (demoConfig.fullscreen && modeSwitch == platform::ModeSwitch::Refused) {
        const platform::BoxAnswer answer = platform::messageBox(
            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
            "Oryx GL", platform::BoxButtons::YesNo, platform::BoxIcon::Exclamation);
        if (answer != platform::BoxAnswer::Yes) {
            // Nothing to release: the mode was not changed, and the class
            // stays registered until the process ends.
            platform::messageBox("Program Will Now Close.", errorCaption, platform::BoxButtons::Ok,
                                 platform::BoxIcon::Stop);
            return false;
        }
        demoConfig.fullscreen = false;
    }

    // A panel that only scales the wanted size gets a window over the whole
    // desktop instead, the picture letterboxed inside (scaling the mode
    // would stretch it).
    int32_t clientWidth = width;
    int32_t clientHeight = height;
    if (demoConfig.fullscreen && modeSwitch == platform::ModeSwitch::Scaled &&
        platform::desktopSize(clientWidth, clientHeight)) {
        letterboxed = true;
    }
    platform::Rect rect{0, 0, clientWidth, clientHeight};

    // Full screen hides the cursor here and once more in initRenderState;
    // windowed shows it here and hides it there, so it stays visible.
    platform::showCursor(!demoConfig.fullscreen);
    platform::adjustWindowRect(rect, demoConfig.fullscreen);

    // The format is settled before the window exists: the window system may
    // refuse a window whose format it cannot show.
    platform::PixelFormat descriptor;
    descriptor.colourBits = bits;
    descriptor.alphaBits = 1;
    descriptor.accumBits = demoConfig.bitsPerPixel;
    descriptor.depthBits = 16;
    descriptor.stencilBits = 1;
    descriptor.doubleBuffer = true;
    descriptor.samples = wantedSamples >= 2 ? wantedSamples : 0;
    const int32_t format = platform::choosePixelFormat(descriptor);
    if (format == 0) {
        return abandonOpen("Can't Find A Suitable PixelFormat.");
    }

    if (!platform::createWindow(title, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                                demoConfig.fullscreen)) {
        return abandonOpen("Window Creation Error.");
    }
    windowHandles.window = true;

    if (!platform::getDeviceContext()) {
        return abandonOpen("Can't Create A GL Device Context.");
    }
    windowHandles.deviceContext = true;

    if (!platform::setPixelFormat(format)) {
        return abandonOpen("Can't Set The PixelFormat.");
    }

    if (!platform::createRenderingContext()) {
        return abandonOpen("Can't Create A GL Rendering Context.");
    }
    windowHandles.renderingContext = true;
    if (!platform::makeCurrent(true)) {
        return abandonOpen("Can't Activate The GL Rendering Context.");
    }
    // Without --vsync the driver's own swap interval stands.
    if (vsyncPacing && !platform::setSwapInterval(-1)) {
        platform::setSwapInterval(1);  // no adaptive swaps: wait for every refresh
    }
    if (wantedSamples > 0) {
        reportSamples(platform::pixelFormatCandidate(descriptor, format - 1).samples);
    }

    platform::showWindow();
    platform::setForegroundWindow();
    platform::setFocus();
    // The drawable the window system handed out, which on a scaled panel has
    // more pixels than the size asked for; later changes come as WM_SIZE.
    if (reportedWidthPx > 0 && reportedHeightPx > 0) {
        resizeView(reportedWidthPx, reportedHeightPx);
    } else {
        resizeView(clientWidth, clientHeight);
    }

    if (!initRenderState()) {
        return abandonOpen("Initialization Failed.");
    }
    return true;
}

void closeWindow() {
    platform::showCursor(true);
    if (demoConfig.fullscreen) {
        platform::restoreDisplayMode();
    }
    // Each handle is cleared once it is released (or found unreleasable), so
    // the release of one never runs twice.
    if (windowHandles.renderingContext) {
        if (!platform::makeCurrent(false)) {
            shutdownError("Release Of DC And RC Failed.");
        }
        if (!platform::deleteRenderingContext()) {
            shutdownError("Release Rendering Context Failed.");
        }
        windowHandles.renderingContext = false;
    }
    if (windowHandles.deviceContext) {
        if (!platform::releaseDeviceContext()) {
            shutdownError("Release Device Context Failed.");
        }
        windowHandles.deviceContext = false;
    }
    if (windowHandles.window) {
        if (!platform::destroyWindow()) {
            shutdownError("Could Not Release hWnd.");
        }
        windowHandles.window = false;
    }
    if (!platform::unregisterWindowClass()) {
        shutdownError("Could Not Unregister Class.");
    }
}

void resizeView(int32_t width, int32_t height) {
    double aspect = 0.0;
    PictureRect view = fitPicture(width, height, demoConfig.width, demoConfig.height);
    if (letterboxed && view.width > 0 && view.height > 0) {
        // The bars are cleared with the picture (black) and never drawn on.
        aspect = static_cast<double>(demoConfig.width) / static_cast<double>(demoConfig.height);
    } else {
        if (height == 0) {
            height = 1;  // for the viewport as well as the aspect ratio
        }
        view = PictureRect{0, 0, width, height};
        aspect = static_cast<double>(width) / static_cast<double>(height);
    }
    glViewport(view.x, view.y, view.width, view.height);
    if (view.x != currentViewport.x || view.y != currentViewport.y || view.width != currentViewport.width ||
        view.height != currentViewport.height) {
        demoSystem.log("GL: drawable %dx%d pixels, picture %dx%d at %d,%d\n", width, height, view.width,
                       view.height, view.x, view.y);
    }
    currentViewport = view;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The near plane is the single-precision 0.1 widened to double.
    gluPerspective(45.0, aspect, static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool initRenderState() {
    platform::showCursor(false);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(100.0);  // clamped to 1.0 by OpenGL
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_LIGHTING);
    // Configured only: the mesh renderer enables generation around its draws.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    // Both buffers start black.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    platform::swapBuffers();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return true;
}

intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case platform::WM_ACTIVATE:
            // Only the minimised state counts: the show keeps running while
            // another window has the focus.
            windowActive = platform::hiWord(wParam) == 0;
            return 0;
        case platform::WM_SYSCOMMAND:
            if (wParam == platform::SC_SCREENSAVE || wParam == platform::SC_MONITORPOWER) {
                return 0;  // neither the screen saver nor power saving while we show
            }
            return platform::defWindowProc(message, wParam, lParam);
        case platform::WM_CLOSE:
            // The main loop ends on the quit message; closeWindow destroys the window.
            platform::postQuitMessage(0);
            return 0;
        case platform::WM_KEYDOWN:
            if (wParam < sizeof keys / sizeof keys[0]) {
                keys[wParam] = true;
                keyPresses[wParam] = true;  // kept until the main loop has seen it
            }
            if (collectKeyPresses && (lParam & platform::keyRepeatBit) == 0) {
                pressedKeys.push_back(wParam);
            }
            return 0;
        case platform::WM_KEYUP:
            if (wParam < sizeof keys / sizeof keys[0]) {
                keys[wParam] = false;
            }
            return 0;
        case platform::WM_SIZE:
            reportedWidthPx = static_cast<int32_t>(platform::loWord(static_cast<uintptr_t>(lParam)));
            reportedHeightPx = static_cast<int32_t>(platform::hiWord(static_cast<uintptr_t>(lParam)));
            resizeView(reportedWidthPx, reportedHeightPx);
            return 0;
        default:
            return platform::defWindowProc(message, wParam, lParam);
    }
}
