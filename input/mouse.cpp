// Mouse commands: position, movement, wheel, buttons and the pointer mode.
#include "input/input.h"
#include "input/input_logic.h"
#include "platform/mouse.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

bool ReadMouse(InputSystem& input, MouseReading& reading) {
    const bool takeSample = input.mouseSampleDue != 0;
    const platform::MouseSample sample = platform::ReadMouseDevice(takeSample);
    if (takeSample) {
        input.mouseSampleDue = 0;
        tarvok::TakeMouseSample(input, sample);
    }
    reading.dx = input.lastDx;
    reading.dy = input.lastDy;
    reading.wheel = input.lastWheel;
    reading.left = sample.buttons & 1u;
    reading.right = (sample.buttons >> 1) & 1u;
    reading.middle = (sample.buttons >> 2) & 1u;
    return true;
}

bool AnyMouseButton(InputSystem& input) {
    input.mouseSampleDue = 1;
    MouseReading reading;
    ReadMouse(input, reading);
    return reading.left || reading.right || reading.middle;
}

void MouseState(double& x, double& y, double& left, double& right) {
    x = y = left = right = 0;
    if (!g_engine.input) return;
    InputSystem& input = *g_engine.input;
    MouseReading reading;
    ReadMouse(input, reading);
    // The clamped position is kept: moving back in from beyond an edge starts at the edge.
    input.mouseX = tarvok::ClampToScreen(input.mouseX, g_engine.screenWidth);
    input.mouseY = tarvok::ClampToScreen(input.mouseY, g_engine.screenHeight);
    x = input.mouseX;
    y = input.mouseY;
    left = reading.left ? 1 : 0;
    right = reading.right ? 1 : 0;
}

double MouseAxis(double axis) {
    if (!g_engine.input) return 0;
    MouseReading reading;
    if (!ReadMouse(*g_engine.input, reading)) return 0;
    switch (tarvok::ToInt(axis)) {
        case 0: return reading.dx;
        case 1: return reading.dy;
        case 2: return reading.wheel;
        case 3: return reading.left ? 1 : 0;
        case 4: return reading.right ? 1 : 0;
        case 5: return reading.middle ? 1 : 0;
        default: return 0;
    }
}

void MouseWait() {
    if (!g_engine.input) return;
    InputSystem& input = *g_engine.input;
    // A button already down when the wait starts does not end it: first it must be let go.
    while (AnyMouseButton(input)) {
        if (g_inputHooks.idleStep) g_inputHooks.idleStep();
    }
    while (!AnyMouseButton(input)) {
        if (g_inputHooks.idleStep) g_inputHooks.idleStep();
    }
}

bool ApplyMouseMode(InputSystem& input, bool shown) {
    input.mouseLevel = shown ? 6 : 5;
    if (shown) {
        platform::SetMouseCaptured(false);
        // Coming from relative mode the pointer appears where the game's position was.
        if (!input.absoluteMode) platform::WarpMouse(input.mouseX, input.mouseY);
        input.absoluteMode = 1;
        return true;
    }
    input.absoluteMode = 0;
    return platform::SetMouseCaptured(true);
}

void SystemPointer(double on) {
    if (g_engine.input) ApplyMouseMode(*g_engine.input, tarvok::ToBool(on));
}
