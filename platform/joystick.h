// Joysticks and their force feedback over SDL's joystick and haptic subsystems.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

struct Joystick;

// One reading in the layout the engine's joystick commands use.
struct JoystickReading {
    std::int32_t x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;  // -32768 .. 32767
    std::array<std::int32_t, 2> sliders{};
    std::array<std::uint32_t, 4> hats{kHatCentred, kHatCentred, kHatCentred, kHatCentred};
    std::array<std::uint8_t, 32> buttons{};  // 128 while pressed, else 0

    // A hat's direction in hundredths of a degree clockwise from up, or this value when centred.
    static constexpr std::uint32_t kHatCentred = 0xFFFFFFFFu;
};

// A constant force: its direction as a vector on the X and Y axes, its strength and how long it lasts.
struct ConstantForce {
    std::int32_t directionX = 0, directionY = 0;  // -32767 .. 32767
    std::int32_t magnitude = 0;                   // 0 .. 10000
    std::uint32_t durationMs = 0;
};

// Starts the joystick (and, where it exists, the haptic) subsystem; the number of attached joysticks,
// 0 when there is no joystick subsystem.
int StartJoysticks();
// Ends what StartJoysticks started (other users of the subsystems keep them running).
void StopJoysticks();

// Opens the joystick at an index of the attached list; null when it cannot be opened.
Joystick* OpenJoystick(int index);
void CloseJoystick(Joystick* joystick);
// Its name as the device reports it.
std::string JoystickName(const Joystick* joystick);
// The current state; false, with the reading left as constructed (zeros, hats centred), when the
// joystick is null or no longer attached.
bool ReadJoystickDevice(Joystick* joystick, JoystickReading& reading);
// Whether it can play a constant force.
bool HasForceFeedback(const Joystick* joystick);
// Stops what it plays and plays the force once; nothing for a joystick without force feedback.
void PlayConstantForce(Joystick* joystick, const ConstantForce& force);

// The hat direction of an SDL hat value (its up/right/down/left bits).
std::uint32_t HatHundredths(std::uint8_t sdlHat);

}  // namespace platform
