// Joystick commands: axes, hats, buttons, names and force feedback.
#include "input/input.h"
#include "input/input_logic.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

namespace {

// The device of a game's joystick number, or null for a number out of range or without a device.
platform::Joystick* DeviceOf(InputSystem& input, int joystick) {
    if (joystick < 0 || joystick >= InputSystem::kMaxJoysticks) return nullptr;
    return input.joysticks[static_cast<std::size_t>(joystick)];
}

platform::JoystickReading Read(double joystick) {
    if (!g_engine.input) return {};
    return ReadJoystick(*g_engine.input, tarvok::ToInt(joystick));
}

}  // namespace

platform::JoystickReading ReadJoystick(InputSystem& input, int joystick) {
    // No device, or one that fails to read (unplugged), leaves zeros with the hats centred.
    platform::JoystickReading reading;
    platform::ReadJoystickDevice(DeviceOf(input, joystick), reading);
    return reading;
}

bool AnyJoystickActive() {
    if (!g_engine.input) return false;
    for (int j = InputSystem::kMaxJoysticks - 1; j >= 0; --j)
        if (tarvok::JoystickActive(ReadJoystick(*g_engine.input, j))) return true;
    return false;
}

double JoyX(double joystick) { return tarvok::AxisValue(Read(joystick).x); }
double JoyY(double joystick) { return tarvok::AxisValue(Read(joystick).y); }
double JoyZ(double joystick) { return tarvok::AxisValue(Read(joystick).z); }
double JoyRX(double joystick) { return tarvok::AxisValue(Read(joystick).rx); }
double JoyRY(double joystick) { return tarvok::AxisValue(Read(joystick).ry); }
double JoyRZ(double joystick) { return tarvok::AxisValue(Read(joystick).rz); }
double JoyPovX(double joystick) { return tarvok::PovX(Read(joystick).hats[0]); }
double JoyPovY(double joystick) { return tarvok::PovY(Read(joystick).hats[0]); }

void JoyState(double& x, double& y, double& button1, double& button2) {
    const platform::JoystickReading reading = Read(0);
    x = tarvok::CoarseAxisValue(reading.x);
    y = tarvok::CoarseAxisValue(reading.y);
    button1 = reading.buttons[0];
    button2 = reading.buttons[1];
}

void JoyForceFeedback(double joystick, double durationMs, double x, double y) {
    if (!g_engine.input) return;
    platform::Joystick* device = DeviceOf(*g_engine.input, tarvok::ToInt(joystick));
    if (!platform::HasForceFeedback(device)) return;
    platform::PlayConstantForce(device, tarvok::MakeConstantForce(durationMs, x, y));
}

double GetJoystickCount() { return g_engine.input ? g_engine.input->joystickCount : 0; }

RtString GetJoystickName(double joystick) {
    const int j = tarvok::ToInt(joystick);
    if (!g_engine.input || j < 0 || j >= InputSystem::kMaxJoysticks) return RtString();
    return RtString(g_engine.input->joystickNames[static_cast<std::size_t>(j)].c_str());
}
