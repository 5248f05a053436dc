// The one window with its OpenGL context, its events, and message boxes.
//
// The window lives for the whole program: full screen switches it, it is never re-created, so the GL
// context and every texture survive. Keyboard and mouse events update DeviceInput (input_state.h);
// the window's own events are handed to the caller one at a time.
#pragma once

#include <string>

namespace platform {

struct Window;

struct WindowRequest {
    const char* title = "";
    int width = 640;   // client size
    int height = 480;
    int samples = 0;   // multisample count asked for; halved until a format exists
};

enum class WindowEventKind {
    None,         // an event the platform handled itself (keys, mouse, ...)
    Activated,    // the window got the keyboard focus
    Deactivated,  // the window lost it
    Close,        // the user asked to close the window
};

// Opens the window, windowed and centred, with a current GL context (double buffer, depth 24,
// stencil 8). samples is set to the count obtained (0 when no multisample format exists).
// Null with a message in error when the window or the context cannot be made.
Window* CreateGlWindow(WindowRequest& request, std::string& error);
void DestroyGlWindow(Window* window);

void SetWindowTitle(Window* window, const char* title);
void ShowWindow(Window* window);
void HideWindow(Window* window);
void RaiseWindow(Window* window);
// Switches to full screen at the given size (false when no such mode could be set) or back to the
// desktop mode and a centred window of that client size.
bool SetFullScreen(Window* window, bool on, int width, int height);
void GetClientSize(Window* window, int& width, int& height);
// The size of the desktop's display mode (0 x 0 when unknown).
void GetDesktopSize(Window* window, int& width, int& height);
void SwapGlWindow(Window* window);

// Takes one waiting event; false when none is waiting.
bool PollWindowEvent(WindowEventKind& kind);

// The GL renderer string, read once (empty before the first window).
const std::string& GlRenderer();
// Whether the renderer is a software one (llvmpipe, softpipe, swrast).
bool SoftwareRenderer();
// An extension entry point by name, or null.
void* GlProc(const char* name);

// A warning box; skipped when the run is not interactive.
void WarningBox(const char* caption, const char* text);
// An audible warning.
void Beep();

}  // namespace platform
