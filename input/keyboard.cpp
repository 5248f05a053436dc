// Keyboard commands: key states by scan code and typed characters.
#include "frame/frame.h"
#include "input/input.h"
#include "input/input_logic.h"
#include "platform/input_state.h"
#include "platform/keyboard.h"
#include "runtime/engine_globals.h"

void PollKeyboard(InputSystem& input) {
    platform::PollKeyboardState();
    for (int code = 0; code < 256; ++code)
        input.keyState[static_cast<std::size_t>(code)] = platform::KeyDown(code) ? 0x80 : 0;
}

int TypedChar(InputSystem& input) {
    PollKeyboard(input);
    return tarvok::NextTypedCharacter(input.lastTyped,
                                      tarvok::FirstTypedCharacter(input.keyState, platform::LayoutCharacter));
}

bool TypedCharNew(InputSystem& input) { return TypedChar(input) != 0; }

double KeyState(double code) {
    if (!g_engine.input) return 0;
    InputSystem& input = *g_engine.input;
    // Every call polls, so the answer is current even within a frame.
    PollKeyboard(input);
    return (input.keyState[static_cast<std::size_t>(tarvok::KeyIndex(code))] & 0x80) ? 1 : 0;
}

RtString InKey() {
    if (!g_engine.input) return RtString();
    const int c = TypedChar(*g_engine.input);
    if (c == 0) return RtString();
    const char text = static_cast<char>(c);
    RtString result;
    result.AppendBytes(&text, 1);
    return result;
}

void KeyWait() {
    if (!g_engine.input) return;
    InputSystem& input = *g_engine.input;
    while (!TypedCharNew(input)) {
        if (g_inputHooks.musicLoopCheck) g_inputHooks.musicLoopCheck();
        if (g_engine.display) PumpMessages(*g_engine.display);
        if (g_inputHooks.idleStep) g_inputHooks.idleStep();
    }
    // Keys typed meanwhile are taken too; the last one stays stored, so InKey does not report it again.
    while (TypedCharNew(input)) {
    }
}
