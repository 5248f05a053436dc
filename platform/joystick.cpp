// Joysticks and haptics over SDL.
#include "platform/joystick.h"

#include <SDL.h>

#include <algorithm>

namespace platform {

struct Joystick {
    SDL_Joystick* sdl = nullptr;
    SDL_Haptic* haptic = nullptr;  // null without force feedback
    int effect = -1;               // the effect last played, kept until the next one replaces it
};

namespace {

bool g_haptics = false;  // whether StartJoysticks started the haptic subsystem

// DirectInput-style 80-byte state layout: the first eight axes are x, y, z, rx, ry, rz and two sliders.
std::int32_t Axis(SDL_Joystick* sdl, int axis) {
    return axis < SDL_JoystickNumAxes(sdl) ? SDL_JoystickGetAxis(sdl, axis) : 0;
}

}  // namespace

int StartJoysticks() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 0;
    g_haptics = SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
    return std::max(SDL_NumJoysticks(), 0);
}

void StopJoysticks() {
    if (g_haptics) SDL_QuitSubSystem(SDL_INIT_HAPTIC);
    g_haptics = false;
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

Joystick* OpenJoystick(int index) {
    SDL_Joystick* sdl = SDL_JoystickOpen(index);
    if (!sdl) return nullptr;
    auto* joystick = new Joystick{sdl};
    if (g_haptics && SDL_JoystickIsHaptic(sdl) == SDL_TRUE) {
        joystick->haptic = SDL_HapticOpenFromJoystick(sdl);
        if (joystick->haptic && !(SDL_HapticQuery(joystick->haptic) & SDL_HAPTIC_CONSTANT)) {
            SDL_HapticClose(joystick->haptic);
            joystick->haptic = nullptr;
        }
    }
    return joystick;
}

void CloseJoystick(Joystick* joystick) {
    if (!joystick) return;
    if (joystick->haptic) SDL_HapticClose(joystick->haptic);  // frees its effects too
    SDL_JoystickClose(joystick->sdl);
    delete joystick;
}

std::string JoystickName(const Joystick* joystick) {
    const char* name = joystick ? SDL_JoystickName(joystick->sdl) : nullptr;
    return name ? name : "";
}

bool ReadJoystickDevice(Joystick* joystick, JoystickReading& reading) {
    if (!joystick) return false;
    SDL_JoystickUpdate();
    SDL_Joystick* sdl = joystick->sdl;
    if (!SDL_JoystickGetAttached(sdl)) return false;
    std::int32_t* axes[] = {&reading.x, &reading.y, &reading.z, &reading.rx, &reading.ry, &reading.rz,
                            &reading.sliders[0], &reading.sliders[1]};
    for (int i = 0; i < 8; ++i) *axes[i] = Axis(sdl, i);
    const int hats = std::min(SDL_JoystickNumHats(sdl), static_cast<int>(reading.hats.size()));
    for (int i = 0; i < hats; ++i) reading.hats[static_cast<std::size_t>(i)] = HatHundredths(SDL_JoystickGetHat(sdl, i));
    const int buttons = std::min(SDL_JoystickNumButtons(sdl), static_cast<int>(reading.buttons.size()));
    for (int i = 0; i < buttons; ++i)
        reading.buttons[static_cast<std::size_t>(i)] = SDL_JoystickGetButton(sdl, i) ? 128 : 0;
    return true;
}

bool HasForceFeedback(const Joystick* joystick) { return joystick && joystick->haptic; }

void PlayConstantForce(Joystick* joystick, const ConstantForce& force) {
    if (!HasForceFeedback(joystick)) return;
    SDL_Haptic* haptic = joystick->haptic;
    SDL_HapticStopAll(haptic);
    if (joystick->effect >= 0) SDL_HapticDestroyEffect(haptic, joystick->effect);
    SDL_HapticEffect effect{};
    effect.type = SDL_HAPTIC_CONSTANT;
    effect.constant.direction.type = SDL_HAPTIC_CARTESIAN;
    effect.constant.direction.dir[0] = force.directionX;
    effect.constant.direction.dir[1] = force.directionY;
    effect.constant.length = force.durationMs;
    // Strength 0..10000 to SDL's level 0..32767.
    effect.constant.level = static_cast<Sint16>(force.magnitude * 32767 / 10000);
    joystick->effect = SDL_HapticNewEffect(haptic, &effect);
    if (joystick->effect >= 0) SDL_HapticRunEffect(haptic, joystick->effect, 1);
}

std::uint32_t HatHundredths(std::uint8_t sdlHat) {
    switch (sdlHat) {
        case SDL_HAT_UP: return 0;
        case SDL_HAT_RIGHTUP: return 4500;
        case SDL_HAT_RIGHT: return 9000;
        case SDL_HAT_RIGHTDOWN: return 13500;
        case SDL_HAT_DOWN: return 18000;
        case SDL_HAT_LEFTDOWN: return 22500;
        case SDL_HAT_LEFT: return 27000;
        case SDL_HAT_LEFTUP: return 31500;
        default: return JoystickReading::kHatCentred;
    }
}

}  // namespace platform
