// The input object's rules over plain values: key numbers, typed characters, mouse samples and
// clamping, joystick axes and hats, force-feedback effects.
#pragma once

#include <array>
#include <cstdint>

#include "input/input.h"
#include "platform/joystick.h"
#include "platform/mouse.h"

namespace tarvok {

// The key-state index of a game's key number: truncated toward zero, taken modulo 256 as a
// non-negative index (257 is 1, -1 is 255); NaN is 0.
int KeyIndex(double code);

// The character the typed-character rule takes from key states (bit 7 = down): the first key, scan
// codes 0 to 254 rising, that yields one. Shift, Ctrl, Alt, Num Lock, Caps Lock and Applications yield
// nothing; Enter (28, 156) gives 10, Backspace (14) 8; every other key the character of layout(code)
// when that is 8, 10 or at least 32; a to z become capitals while a Shift key is down. 0 when none.
int FirstTypedCharacter(const std::array<std::uint8_t, 256>& keyState, int (*layout)(int code));
// A held key types once: current is returned and kept in last when it differs from last, else 0.
int NextTypedCharacter(std::uint8_t& last, int current);

// Takes a movement sample into the object: in relative mode the position moves by the motion, in
// absolute mode it becomes the pointer position and the motion is its change; the wheel is its sign.
void TakeMouseSample(InputSystem& input, const platform::MouseSample& sample);
// A coordinate clamped into 0 .. size - 1 (0 when size is below 1).
std::int32_t ClampToScreen(std::int32_t value, std::int32_t size);

// An axis reading as -1.0 .. 1.0 (value / 32767, clamped).
double AxisValue(std::int32_t value);
// An axis reading as -1, 0 or 1 (value / 30000, truncated toward zero).
double CoarseAxisValue(std::int32_t value);
// The first hat as a direction: JoyPovX gives 1 at 9000 and -1 at 27000, JoyPovY -1 at 0 and 1 at
// 18000; every other position (diagonals, centred) 0.
int PovX(std::uint32_t hat);
int PovY(std::uint32_t hat);
// Whether a reading counts as input for the idle step.
bool JoystickActive(const platform::JoystickReading& reading);

// The constant-force effect of JoyForceFeedback: x and y clamped to -1 .. 1 (NaN as 0), direction
// (x * 32767, y * 32767), strength (x² + y²) * 10000 * 0.5 rounded, the duration in whole ms (negative
// or NaN as 0, at most 4294967 ms).
platform::ConstantForce MakeConstantForce(double durationMs, double x, double y);

}  // namespace tarvok
