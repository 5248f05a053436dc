// Input: the keyboard by scan code, typed characters, the mouse and up to ten joysticks with force
// feedback.
//
// Key numbers are the set-1 scan codes of the PC keyboard, extended keys with 128 added: 1 Esc,
// 28 Enter, 57 Space, 200 Up, 203 Left, 205 Right, 208 Down, 42/54 left/right Shift, 29 left Ctrl,
// 56 left Alt, 62 F4, 156 keypad Enter. No command fails visibly: before InitEngine, for a joystick
// number outside 0..9 or a joystick that is absent or unplugged, the results are zeros and empty texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/joystick.h"
#include "runtime/rt_string.h"

namespace platform { struct Window; }

// The input object: one exists, made and initialised by InitEngine, released by ShutdownEngine.
class InputSystem {
public:
    static constexpr int kMaxJoysticks = 10;
    static constexpr int kNameBytes = 522;  // the longest joystick name is kNameBytes - 1 bytes

    InputSystem() = default;
    ~InputSystem();
    InputSystem(const InputSystem&) = delete;
    InputSystem& operator=(const InputSystem&) = delete;

    std::int32_t mouseX = 100, mouseY = 100;  // client pixels, or the accumulated relative position
    std::array<platform::Joystick*, kMaxJoysticks> joysticks{};  // in enumeration order; null = none
    std::array<std::string, kMaxJoysticks> joystickNames;       // "instance name, product name"
    std::array<std::uint8_t, 256> keyState{};  // by scan code, bit 7 = down
    platform::Window* window = nullptr;        // the main window
    std::uint8_t absoluteMode = 0;             // 1: pointer shown, position follows it; 0: hidden, relative
    std::int32_t mouseLevel = 5;               // 5 exclusive (pointer hidden), 6 shared (pointer shown)
    std::int32_t joystickCount = 0;            // joysticks found at initialisation
    std::uint8_t mouseSampleDue = 1;           // the next mouse read takes a new movement sample
    std::int16_t lastDx = 0, lastDy = 0, lastWheel = 0;  // the movement sample of the current frame
    std::uint8_t lastTyped = 0;                // the last typed character (0 none), shared by InKey and KeyWait
    bool joysticksStarted = false;             // the joystick subsystem was started by InitInput
};

// Mouse reading record.
struct MouseReading {
    std::uint16_t left = 0, right = 0, middle = 0;  // non-zero while down
    std::int16_t dx = 0, dy = 0, wheel = 0;         // movement sample of this frame; wheel -1, 0, 1
};

// What the waiting commands call but the engine above input owns (null entries are skipped).
struct InputHooks {
    void (*musicLoopCheck)() = nullptr;  // restarts music that has run out
    void (*idleStep)() = nullptr;        // the idle step between checks of a waiting command
};
extern InputHooks g_inputHooks;

// --- Engine life cycle (InitEngine, ShowScreen, SetScreen, IdleStep, ShutdownEngine) ---------------
// Makes the input object g_engine.input (replacing an earlier one) and initialises it; InitInput's status.
std::uint32_t StartInput(platform::Window* window, bool mouseHidden);
// Initialises the devices: the pointer position, the mouse mode, up to ten joysticks. 1, or with a line
// in the error log 0x8000000C ("No DX_Mouse") when the hidden pointer cannot capture the mouse.
std::uint32_t InitInput(InputSystem& input, platform::Window* window, bool mouseHidden);
// Shows the pointer at the stored position and releases every device.
void ShutdownInput(InputSystem& input);
// ShutdownInput and delete g_engine.input.
void StopInput();
// The per-frame poll of ShowScreen: key states brought up to date and a new mouse sample due.
void PollInputFrame();
// Applies the pointer mode again (after a change of display mode) with the state the object holds.
void ReapplyMouseMode();
// Whether a joystick, from the last to the first, has a button down, an x, y or z axis beyond 0.1 or
// its first hat pointing straight left, right, up or down.
bool AnyJoystickActive();

// --- Engine internals ------------------------------------------------------------------------------
void PollKeyboard(InputSystem& input);          // key states up to the moment
bool ReadMouse(InputSystem& input, MouseReading& reading);  // movement sample (when due) and buttons
bool AnyMouseButton(InputSystem& input);       // a new sample: whether any of three buttons is down
bool ApplyMouseMode(InputSystem& input, bool shown);  // pointer shown and free, or hidden and captured; false
                                                      // when the mouse cannot be captured
platform::JoystickReading ReadJoystick(InputSystem& input, int joystick);  // zeros, hats centred, when absent
int TypedChar(InputSystem& input);             // a newly typed character, else 0
bool TypedCharNew(InputSystem& input);         // whether TypedChar gave a character

// --- Game commands: keyboard -----------------------------------------------------------------------
double KeyState(double code);  // 1 while the key (code truncated, modulo 256) is down, else 0
RtString InKey();              // a newly typed character as a one-character text, else ""
void KeyWait();                // waits for a typed character and consumes it

// --- Game commands: mouse --------------------------------------------------------------------------
void MouseState(double& x, double& y, double& left, double& right);  // position clamped to the screen; buttons 1/0
double MouseAxis(double axis);  // 0 dx, 1 dy, 2 wheel (-1/0/1), 3 left, 4 right, 5 middle (1/0); else 0
void MouseWait();               // waits until a mouse button is pressed
void SystemPointer(double on);  // non-zero: pointer shown, position follows it; 0: hidden, relative motion

// --- Game commands: joysticks (joystick numbers 0..9, truncated) -----------------------------------
double JoyX(double joystick);    // x axis, -1.0 .. 1.0
double JoyY(double joystick);    // y axis, -1.0 .. 1.0
double JoyZ(double joystick);    // z axis, -1.0 .. 1.0
double JoyRX(double joystick);   // x rotation, -1.0 .. 1.0
double JoyRY(double joystick);   // y rotation, -1.0 .. 1.0
double JoyRZ(double joystick);   // z rotation, -1.0 .. 1.0
double JoyPovX(double joystick); // first hat: 1 right, -1 left, else 0
double JoyPovY(double joystick); // first hat: -1 up, 1 down, else 0
void JoyState(double& x, double& y, double& button1, double& button2);  // joystick 0: axes -1/0/1, raw buttons (128)
void JoyForceFeedback(double joystick, double durationMs, double x, double y);  // constant force once; no-op without
double GetJoystickCount();       // joysticks found at start
RtString GetJoystickName(double joystick);  // "instance, product", or "" out of range
