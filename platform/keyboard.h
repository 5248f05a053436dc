// The keyboard as the input object reads it: current key states and the layout's characters.
#pragma once

namespace platform {

// Brings the key states of DeviceInput (input_state.h) up to the moment: takes the system's pending
// events into SDL's key state, copies it into realKeys by set-1 code and drops the queued keyboard
// events, whose effect is then already in the states. Does nothing before the video system runs.
void PollKeyboardState();

// The character that the current keyboard layout gives for a set-1 code without modifiers (Latin-1),
// or 0 when the key yields none or no layout is known.
int LayoutCharacter(int code);

}  // namespace platform
