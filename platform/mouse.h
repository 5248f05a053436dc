// The mouse as the input object reads it: pointer position, buttons, relative motion, wheel, and the
// pointer modes (shown and free, or hidden and captured for relative motion).
#pragma once

#include <cstdint>

namespace platform {

struct MouseSample {
    int x = 0, y = 0;             // pointer position in client pixels of the window under it
    int motionX = 0, motionY = 0; // relative motion since the last sample
    int wheel = 0;                // wheel notches since the last sample (forward > 0)
    std::uint32_t buttons = 0;    // bit 0 left, bit 1 right, bit 2 middle
};

// The pointer now; with takeMotion the motion and wheel gathered since the last such call, which start
// again from 0 (without it they stay 0 in the sample). Position and buttons only, all 0, before the
// video system runs.
MouseSample ReadMouseDevice(bool takeMotion);

// Hidden and captured (relative motion) or shown and free. False when the captured mode cannot be had
// (the pointer is then hidden and motion comes from its moves).
bool SetMouseCaptured(bool captured);
// Moves the pointer to a client position of the main window.
void WarpMouse(int x, int y);

}  // namespace platform
