// SDL scancodes to the engine's key numbers: the set-1 scan codes of the PC keyboard, extended keys with
// 128 added (Esc 1, Enter 28, A 30, Space 57, Up 200, Left 203, Right 205, Down 208).
#pragma once

namespace platform {

// The set-1 code of an SDL scancode, or 0 when the key has none.
int SetOneCodeFromScancode(int sdlScancode);
// The SDL scancode of a set-1 code (the first one that maps to it), or 0 when none does.
int ScancodeFromSetOneCode(int code);

}  // namespace platform
