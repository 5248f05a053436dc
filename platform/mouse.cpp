// Mouse over SDL: its state functions and relative mode.
#include "platform/mouse.h"

#include <SDL.h>

#include "platform/input_state.h"

namespace platform {

namespace {

std::uint32_t ButtonBits(Uint32 sdlButtons) {
    std::uint32_t bits = 0;
    if (sdlButtons & SDL_BUTTON(SDL_BUTTON_LEFT)) bits |= 1;
    if (sdlButtons & SDL_BUTTON(SDL_BUTTON_RIGHT)) bits |= 2;
    if (sdlButtons & SDL_BUTTON(SDL_BUTTON_MIDDLE)) bits |= 4;
    return bits;
}

}  // namespace

MouseSample ReadMouseDevice(bool takeMotion) {
    MouseSample sample;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return sample;
    SDL_PumpEvents();
    sample.buttons = ButtonBits(SDL_GetMouseState(&sample.x, &sample.y));
    if (takeMotion) {
        SDL_GetRelativeMouseState(&sample.motionX, &sample.motionY);
        // SDL keeps no wheel state: the event pump sums the wheel events.
        DeviceInput& d = Devices();
        sample.wheel = d.wheel;
        d.wheel = d.motionX = d.motionY = 0;
    }
    return sample;
}

bool SetMouseCaptured(bool captured) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    const bool ok = SDL_SetRelativeMouseMode(captured ? SDL_TRUE : SDL_FALSE) == 0;
    SDL_ShowCursor(captured ? SDL_DISABLE : SDL_ENABLE);
    if (!captured) SDL_SetCursor(SDL_GetDefaultCursor());
    // The motion gathered in the old mode does not belong to the new one.
    int ignored = 0;
    SDL_GetRelativeMouseState(&ignored, &ignored);
    return ok;
}

void WarpMouse(int x, int y) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    // The engine draws into one window, whose GL context is current.
    if (SDL_Window* window = SDL_GL_GetCurrentWindow()) SDL_WarpMouseInWindow(window, x, y);
}

}  // namespace platform
