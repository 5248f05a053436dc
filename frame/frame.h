// Frame and display commands: the frame clock, pacing and the timer commands.
#pragma once

#include "frame/display.h"
#include "frame/gl_extensions.h"

// --- Engine frame loop ---------------------------------------------------------------------------
// Frame period := 1000 / rate when rate > 0, else 2 ms.
void SetFrameRate(OpenGLZazuzive& display, int framesPerSecond);
// Dispatches every waiting window event; always 1.
int PumpMessages(OpenGLZazuzive& display);
// Presents the back buffer, clears it and waits for the next frame slot; waited ms + 1.
double SwapAndWait(OpenGLZazuzive& display);
// The slot after next for a clock reading of now: next + period, moved on by whole periods until past now.
double AdvanceFrameSchedule(double next, double period, double now);

// --- Game commands -------------------------------------------------------------------------------
void LimitFps(double framesPerSecond);  // frames per second, truncated; 0 or less gives 500
double GetFrameTime();                  // ms between the last two ShowScreen calls, at least 1 when equal
double GetElapsedTime();                // ms since the end of InitEngine
void SleepMs(double milliseconds);      // suspends the program that long (truncated)
void AllowEscape(double flag);          // whether Esc ends the program (non-zero, NaN too, = yes)
double IsFullScreen();                  // 1 while full screen, else 0
