// The input object's life: initialisation, the per-frame poll, the pointer mode and release.
#include <string>

#include "input/input.h"
#include "platform/mouse.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"

InputHooks g_inputHooks;

namespace {

constexpr std::uint32_t kStatusOk = 1;
constexpr std::uint32_t kStatusNoMouse = 0x8000000Cu;
// Each half of a name, so that both and the ", " between them fit the record.
constexpr std::size_t kDeviceNameBytes = (InputSystem::kNameBytes - 1 - 2) / 2;

// "instance name, product name": SDL reports one name, which serves as both.
std::string JoystickRecordName(const std::string& deviceName) {
    const std::string half = deviceName.substr(0, kDeviceNameBytes);
    return half + ", " + half;
}

void ReleaseJoysticks(InputSystem& input) {
    for (platform::Joystick*& joystick : input.joysticks) {
        platform::CloseJoystick(joystick);
        joystick = nullptr;
    }
    input.joystickCount = 0;
    if (input.joysticksStarted) platform::StopJoysticks();
    input.joysticksStarted = false;
}

}  // namespace

InputSystem::~InputSystem() { ReleaseJoysticks(*this); }

std::uint32_t InitInput(InputSystem& input, platform::Window* window, bool mouseHidden) {
    std::uint32_t status = kStatusOk;
    input.window = window;
    const platform::MouseSample pointer = platform::ReadMouseDevice(false);
    if (window) {
        input.mouseX = pointer.x;
        input.mouseY = pointer.y;
    }

    input.absoluteMode = 0;
    if (!ApplyMouseMode(input, !mouseHidden)) {
        AppendErrorLog("No DX_Mouse");
        status = kStatusNoMouse;
    }

    const int attached = platform::StartJoysticks();
    input.joysticksStarted = true;
    for (int index = 0; index < attached && input.joystickCount < InputSystem::kMaxJoysticks; ++index) {
        platform::Joystick* joystick = platform::OpenJoystick(index);
        if (!joystick) continue;
        const auto slot = static_cast<std::size_t>(input.joystickCount++);
        input.joysticks[slot] = joystick;
        input.joystickNames[slot] = JoystickRecordName(platform::JoystickName(joystick));
    }
    return status;
}

void ShutdownInput(InputSystem& input) {
    ApplyMouseMode(input, true);
    ReleaseJoysticks(input);
}

std::uint32_t StartInput(platform::Window* window, bool mouseHidden) {
    delete g_engine.input;
    g_engine.input = new InputSystem();
    return InitInput(*g_engine.input, window, mouseHidden);
}

void StopInput() {
    if (!g_engine.input) return;
    ShutdownInput(*g_engine.input);
    delete g_engine.input;
    g_engine.input = nullptr;
}

void PollInputFrame() {
    if (!g_engine.input) return;
    PollKeyboard(*g_engine.input);
    g_engine.input->mouseSampleDue = 1;
}

void ReapplyMouseMode() {
    if (g_engine.input) ApplyMouseMode(*g_engine.input, g_engine.input->absoluteMode != 0);
}
