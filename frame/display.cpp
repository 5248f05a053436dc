// Window, context, full screen and the fixed 2D render state.
#include "frame/display.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "frame/frame.h"
#include "frame/gl_extensions.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"

DisplayHooks g_displayHooks;

namespace {

constexpr int kMaxWindowSize = 8192;  // beyond any desktop; keeps the framebuffer within the GL limits
bool g_softwareWarningShown = false;

// The warning text, in the engine's Latin-1 code page (0xFC is u-umlaut).
constexpr const char* kSoftwareCaption = "!!OpenGL Software Emulation!!";
constexpr const char* kSoftwareText =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE unterst\xfctzt!";

// A window size from the game: out of range it keeps the fallback, with a log line.
int SaneSize(int size, int fallback) {
    if (size >= 1 && size <= kMaxWindowSize) return size;
    char line[80];
    std::snprintf(line, sizeof line, "Screen size %d out of range, keeping %d", size, fallback);
    AppendErrorLog(line);
    return fallback;
}

void StoreClientSize(OpenGLZazuzive& display) {
    int w = 0, h = 0;
    platform::GetClientSize(display.window, w, h);
    if (w > 0 && h > 0) {
        display.clientWidth = w;
        display.clientHeight = h;
    }
}

}  // namespace

double FrameClock() { return platform::ClockMs(); }

OpenGLZazuzive::OpenGLZazuzive() {
    platform::LoadHeadlessSettings();
}

OpenGLZazuzive::~OpenGLZazuzive() {
    if (g_displayHooks.finishSurface && initialised) g_displayHooks.finishSurface();
    DestroyDisplay(*this);
}

bool CreateDisplay(OpenGLZazuzive& display, int width, int height, int colourDepth, int frameRate, int multisample) {
    SetFrameRate(display, frameRate);
    width = SaneSize(width, 640);
    height = SaneSize(height, 480);
    if (!display.window) {
        platform::WindowRequest request;
        request.title = "CTarvok";
        request.width = width;
        request.height = height;
        request.samples = std::max(multisample, 0);
        std::string error;
        display.window = platform::CreateGlWindow(request, error);
        if (!display.window) {
            AppendErrorLog(error.c_str());
            return false;
        }
        display.multisample = request.samples;
    }
    display.clientWidth = width;
    display.clientHeight = height;
    StoreClientSize(display);
    display.colourDepth = colourDepth > 0 ? colourDepth : 32;
    display.fullScreen = 0;

    if (!g_softwareWarningShown && platform::SoftwareRenderer()) {
        g_softwareWarningShown = true;
        platform::WarningBox(kSoftwareCaption, kSoftwareText);
        AppendErrorLog("OpenGL Software Emulation");
    }
    display.nextFrameTime = FrameClock();
    LoadGlExtensions();

    platform::ShowWindow(display.window);
    Reset2DState(display, 0, 0, 0, 0);
    display.initialised = 1;
    return true;
}

void DestroyDisplay(OpenGLZazuzive& display) {
    if (display.initialised && g_displayHooks.releaseTextures) g_displayHooks.releaseTextures();
    display.initialised = 0;
    if (display.window) {
        if (display.fullScreen) platform::SetFullScreen(display.window, false, display.clientWidth, display.clientHeight);
        platform::DestroyGlWindow(display.window);
    }
    display.window = nullptr;
    display.clientWidth = 0;
    display.clientHeight = 0;
    display.fullScreen = 0;
}

void ChangeDisplayMode(OpenGLZazuzive& display, int width, int height, int colourDepth, bool fullScreen) {
    // A size of 0 keeps the stored one.
    if (width != 0) display.clientWidth = SaneSize(width, display.clientWidth);
    if (height != 0) display.clientHeight = SaneSize(height, display.clientHeight);
    if (colourDepth != 0) display.colourDepth = colourDepth;
    if (fullScreen) EnterFullScreen(display);
    else PlaceWindow(display);
}

bool EnterFullScreen(OpenGLZazuzive& display) {
    if (!display.window) return false;
    // Try the mode, then once more; the second failure leaves the window as it is.
    if (!platform::SetFullScreen(display.window, true, display.clientWidth, display.clientHeight) &&
        !platform::SetFullScreen(display.window, true, display.clientWidth, display.clientHeight)) {
        platform::Beep();
        AppendErrorLog("No Fullscreen Mode available");
        PlaceWindow(display);
        return true;
    }
    StoreClientSize(display);
    platform::ShowWindow(display.window);
    platform::RaiseWindow(display.window);
    Reset2DState(display, 0, 0, 0, 0);
    display.fullScreen = 1;
    return true;
}

void PlaceWindow(OpenGLZazuzive& display) {
    if (!display.window) return;
    if (display.fullScreen) {
        platform::SetFullScreen(display.window, false, display.clientWidth, display.clientHeight);
        platform::SleepMilliseconds(500);  // let the display settle in the desktop mode
    } else {
        platform::SetFullScreen(display.window, false, display.clientWidth, display.clientHeight);
    }
    StoreClientSize(display);
    platform::ShowWindow(display.window);
    platform::RaiseWindow(display.window);
    Reset2DState(display, 0, 0, 0, 0);
    display.fullScreen = 0;
}

void HideDisplay(OpenGLZazuzive& display) {
    if (!display.window) return;
    if (display.fullScreen) platform::SetFullScreen(display.window, false, display.clientWidth, display.clientHeight);
    platform::HideWindow(display.window);
    display.fullScreen = 0;
}

void Reset2DState(OpenGLZazuzive& display, int x, int y, int width, int height) {
    FlushQueuedDrawing();
    if (width < 1 || height < 1) {
        width = display.clientWidth;
        height = display.clientHeight;
    }
    display.viewportX = x;
    display.viewportY = y;
    display.viewportWidth = width;
    display.viewportHeight = height;
    glViewport(x, display.clientHeight - height - y, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.05f);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    for (GLenum cap : {GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_POLYGON_SMOOTH, GL_STENCIL_TEST,
                       GL_POLYGON_OFFSET_POINT, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_NORMALIZE, GL_LIGHTING,
                       GL_COLOR_MATERIAL, GL_DITHER, GL_DEPTH_TEST})
        glDisable(cap);
    glShadeModel(GL_FLAT);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    display.mode2D = 1;
    if (g_displayHooks.unbindTextures) g_displayHooks.unbindTextures();
}

void MainWndProc(OpenGLZazuzive& display, platform::WindowEventKind kind) {
    using Kind = platform::WindowEventKind;
    switch (kind) {
        case Kind::Activated:
        case Kind::Deactivated: {
            // A scripted run counts as active; debug mode never pauses.
            if (g_engine.debugMode != 0 || !g_engine.engineStarted || platform::KeyScriptActive()) break;
            const bool inactive = kind == Kind::Deactivated;
            RtString title = g_engine.title;
            if (inactive) title.Append(" <pause>");
            platform::SetWindowTitle(display.window, title.CText());
            g_engine.paused = inactive ? 1 : 0;
            break;
        }
        case Kind::Close: TerminateProgram();
        case Kind::None: break;
    }
}
