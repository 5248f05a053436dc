// A helper the examples share: KeyState tells whether a key is down now; games usually want to react
// once when it goes down, however long it is held.
#pragma once

#include "input/input.h"

// True on the pass where the key goes down, so that holding it counts once. Call it once per pass for
// each key you watch.
inline bool Pressed(int key) {
    static bool wasDown[256] = {};
    const bool down = KeyState(key) != 0;
    const bool pressed = down && !wasDown[key];
    wasDown[key] = down;
    return pressed;
}
