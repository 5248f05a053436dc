// OpenGLZazuzive: the display object. It owns the window and its GL context, the frame schedule and the
// 2D render state that every frame starts from. The 2D stores (textures, layers, surfaces) belong to the
// 2D graphics code, which joins through DisplayHooks.
#pragma once

#include <cstdint>

#include "platform/window.h"

class OpenGLZazuzive {
public:
    OpenGLZazuzive();
    ~OpenGLZazuzive();
    OpenGLZazuzive(const OpenGLZazuzive&) = delete;
    OpenGLZazuzive& operator=(const OpenGLZazuzive&) = delete;

    platform::Window* window = nullptr;  // the main window; null after DestroyDisplay
    std::int32_t clientWidth = 0;        // drawing area in pixels
    std::int32_t clientHeight = 0;
    std::int32_t colourDepth = 0;        // bits per pixel
    std::uint8_t fullScreen = 0;         // 1 while the window is in full-screen mode
    std::int32_t multisample = 0;        // samples obtained (0 when no multisample format exists)
    std::int32_t viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;  // last Reset2DState
    std::uint8_t mode2D = 0;             // set by Reset2DState
    float globalAlpha = 1.0f;            // alpha of the current 2D colour
    std::uint8_t initialised = 0;        // CreateDisplay succeeded; textures are deleted only when set
    double nextFrameTime = 0;            // frame clock ms: earliest moment of the next present
    double framePeriod = 1000.0 / 60.0;  // ms between frames
};

// What the 2D graphics code does when the display asks for it (null entries are skipped).
struct DisplayHooks {
    void (*unbindTextures)() = nullptr;   // end of Reset2DState: unbind both texture units
    void (*releaseTextures)() = nullptr;  // DestroyDisplay: delete every texture of the 2D stores
    void (*finishSurface)() = nullptr;    // SwapAndWait, destructor: drawing goes back to the window
    void (*beforeSwap)() = nullptr;       // SwapAndWait: keep the picture about to be shown (pixel reads)
    void (*flushDrawing)() = nullptr;     // before other GL work: draw what the 2D code holds queued
};
extern DisplayHooks g_displayHooks;

// Sprite draws are queued and sent to GL together; any other code about to use GL calls this first, so
// that the queued quads are drawn in order and with the state they were queued under.
inline void FlushQueuedDrawing() {
    if (g_displayHooks.flushDrawing) g_displayHooks.flushDrawing();
}

// The frame clock in milliseconds (monotonic, sub-millisecond).
double FrameClock();

// Opens the window and context of the requested client size (a size below 1 or above 8192 takes 640 or
// 480, with a log line) with the frame rate's period and the multisample count asked for. False, with
// a log line, when no window or context can be made.
bool CreateDisplay(OpenGLZazuzive& display, int width, int height, int colourDepth, int frameRate, int multisample);
// Deletes the textures (when initialised), the context and the window.
void DestroyDisplay(OpenGLZazuzive& display);
// Non-zero sizes replace the stored ones; then full screen or windowed.
void ChangeDisplayMode(OpenGLZazuzive& display, int width, int height, int colourDepth, bool fullScreen);
// Full screen at the display's size; on failure a beep, "No Fullscreen Mode available" and windowed.
bool EnterFullScreen(OpenGLZazuzive& display);
// Windowed, centred, of the display's client size.
void PlaceWindow(OpenGLZazuzive& display);
// Hides the window (leaving full screen first).
void HideDisplay(OpenGLZazuzive& display);
// Viewport and orthographic projection of one unit per pixel, y downward, and the fixed 2D state.
void Reset2DState(OpenGLZazuzive& display, int x, int y, int width, int height);
// The window procedure: activation, close.
void MainWndProc(OpenGLZazuzive& display, platform::WindowEventKind kind);
