// Key states and layout characters from SDL's keyboard.
#include "platform/keyboard.h"

#include <SDL.h>

#include <array>

#include "platform/input_state.h"
#include "platform/keyboard_map.h"

namespace platform {

void PollKeyboardState() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_PumpEvents();
    int count = 0;
    const Uint8* sdlKeys = SDL_GetKeyboardState(&count);
    // Several SDL keys can share one code (the two backslash keys): a code is down when any of them is.
    std::array<std::uint8_t, 256> keys{};
    for (int scancode = 0; scancode < count; ++scancode) {
        if (!sdlKeys[scancode]) continue;
        const int code = SetOneCodeFromScancode(scancode);
        if (code > 0) keys[static_cast<std::size_t>(code)] = 1;
    }
    Devices().realKeys = keys;
    // Their effect is in the states now; left queued they would only pile up in a loop that never
    // dispatches events.
    SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
}

int LayoutCharacter(int code) {
    const int scancode = ScancodeFromSetOneCode(code);
    if (scancode == 0) return 0;
    const SDL_Keycode key = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode));
    switch (key) {
        // The keypad's keys are layout keys of their own; with Num Lock they type these characters.
        case SDLK_KP_0: case SDLK_KP_1: case SDLK_KP_2: case SDLK_KP_3: case SDLK_KP_4:
        case SDLK_KP_5: case SDLK_KP_6: case SDLK_KP_7: case SDLK_KP_8: case SDLK_KP_9:
            return key == SDLK_KP_0 ? '0' : '1' + static_cast<int>(key - SDLK_KP_1);
        case SDLK_KP_PERIOD: return '.';
        case SDLK_KP_DIVIDE: return '/';
        case SDLK_KP_MULTIPLY: return '*';
        case SDLK_KP_MINUS: return '-';
        case SDLK_KP_PLUS: return '+';
        case SDLK_DELETE: return 0;  // a key of its own, not a character
        default: break;
    }
    // Other keycodes of characters are their Unicode code points; the engine's texts are Latin-1.
    return key > 0 && key < 256 ? static_cast<int>(key) : 0;
}

}  // namespace platform
