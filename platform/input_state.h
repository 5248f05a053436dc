// The state of the keyboard and mouse as the window's events leave it, plus scripted keys.
#pragma once

#include <array>
#include <cstdint>

namespace platform {

struct DeviceInput {
    std::array<std::uint8_t, 256> realKeys{};    // set-1 codes: 1 while the real key is down
    std::array<std::uint8_t, 256> scriptKeys{};  // set-1 codes: 1 while the key script holds the key
    int mouseX = 0, mouseY = 0;                  // pointer position in client pixels
    int motionX = 0, motionY = 0;                // relative motion summed since the last TakeMouseMotion
    int wheel = 0;                               // wheel notches summed since the last TakeMouseMotion
    std::uint32_t buttons = 0;                   // bit 0 left, bit 1 right, bit 2 middle
};

DeviceInput& Devices();

// Whether a key (set-1 code) is down, really or by script.
bool KeyDown(int code);

}  // namespace platform
