// Pure rules of the input object.
#include "input/input_logic.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/number_args.h"

namespace tarvok {

namespace {

constexpr int kLeftShift = 42, kRightShift = 54;
constexpr int kNoCharacterKeys[] = {54, 56, 69, 29, 58, 221, 42};  // Shift, Alt, Num Lock, Ctrl, Caps, Apps
constexpr int kEnter = 28, kKeypadEnter = 156, kBackspace = 14;
constexpr int kHatUp = 0, kHatRight = 9000, kHatDown = 18000, kHatLeft = 27000;
constexpr std::int64_t kLongestForceMs = 4294967;  // microseconds of the effect must fit 32 bits

bool Down(const std::array<std::uint8_t, 256>& keys, int code) {
    return (keys[static_cast<std::size_t>(code)] & 0x80) != 0;
}

int CharacterOf(const std::array<std::uint8_t, 256>& keys, int code, int (*layout)(int)) {
    if (std::find(std::begin(kNoCharacterKeys), std::end(kNoCharacterKeys), code) != std::end(kNoCharacterKeys))
        return 0;
    if (code == kEnter || code == kKeypadEnter) return 10;
    if (code == kBackspace) return 8;
    int c = layout ? layout(code) : 0;
    if (c < 0 || c > 255 || (c < 32 && c != 8 && c != 10)) return 0;
    if (c >= 'a' && c <= 'z' && (Down(keys, kLeftShift) || Down(keys, kRightShift))) c -= 'a' - 'A';
    return c;
}

std::int16_t ToInt16(std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int16_t>::min(),
                                                              std::numeric_limits<std::int16_t>::max()));
}

std::int32_t ToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

double ClampUnit(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, -1.0, 1.0); }

}  // namespace

int KeyIndex(double code) {
    const std::int64_t index = ToInt64(code) % 256;
    return static_cast<int>(index < 0 ? index + 256 : index);
}

int FirstTypedCharacter(const std::array<std::uint8_t, 256>& keyState, int (*layout)(int code)) {
    for (int code = 0; code < 255; ++code) {
        if (!Down(keyState, code)) continue;
        if (const int c = CharacterOf(keyState, code, layout)) return c;
    }
    return 0;
}

int NextTypedCharacter(std::uint8_t& last, int current) {
    if (current == last) return 0;
    last = static_cast<std::uint8_t>(current);
    return current;
}

void TakeMouseSample(InputSystem& input, const platform::MouseSample& sample) {
    std::int64_t dx = sample.motionX, dy = sample.motionY;
    if (input.absoluteMode) {
        dx = std::int64_t{sample.x} - input.mouseX;
        dy = std::int64_t{sample.y} - input.mouseY;
        input.mouseX = sample.x;
        input.mouseY = sample.y;
    } else {
        input.mouseX = ToInt32(input.mouseX + dx);
        input.mouseY = ToInt32(input.mouseY + dy);
    }
    input.lastDx = ToInt16(dx);
    input.lastDy = ToInt16(dy);
    input.lastWheel = static_cast<std::int16_t>((sample.wheel > 0) - (sample.wheel < 0));
}

std::int32_t ClampToScreen(std::int32_t value, std::int32_t size) {
    return std::clamp(value, 0, std::max(size - 1, 0));
}

double AxisValue(std::int32_t value) { return std::clamp(value / 32767.0, -1.0, 1.0); }

double CoarseAxisValue(std::int32_t value) { return std::trunc(value / 30000.0); }

int PovX(std::uint32_t hat) { return hat == kHatRight ? 1 : hat == kHatLeft ? -1 : 0; }

int PovY(std::uint32_t hat) { return hat == kHatUp ? -1 : hat == kHatDown ? 1 : 0; }

bool JoystickActive(const platform::JoystickReading& reading) {
    for (std::uint8_t button : reading.buttons)
        if (button) return true;
    for (std::int32_t axis : {reading.x, reading.y, reading.z})
        if (std::fabs(AxisValue(axis)) > 0.1) return true;
    const std::uint32_t hat = reading.hats[0];
    return hat == kHatLeft || hat == kHatRight || hat == kHatUp || hat == kHatDown;
}

platform::ConstantForce MakeConstantForce(double durationMs, double x, double y) {
    x = ClampUnit(x);
    y = ClampUnit(y);
    platform::ConstantForce force;
    force.directionX = ToInt(x * 32767);
    force.directionY = ToInt(y * 32767);
    force.magnitude = ToInt(std::round((x * x + y * y) * 10000 * 0.5));
    force.durationMs = static_cast<std::uint32_t>(std::clamp<std::int64_t>(ToInt64(durationMs), 0, kLongestForceMs));
    return force;
}

}  // namespace tarvok
