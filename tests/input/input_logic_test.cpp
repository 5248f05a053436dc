// The input rules over plain values where the commands cannot reach them: the typed-character rule
// with a hand-written layout, mouse samples, clamping, joystick activity and force-feedback effects.
#include "input/input_logic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Keys = std::array<std::uint8_t, 256>;

// A US layout for a few keys, written out by hand from the key positions.
int UsLayout(int code) {
    switch (code) {
        case 2:
            return '1';
        case 15:
            return '\t';
        case 16:
            return 'q';
        case 30:
            return 'a';
        case 44:
            return 'z';
        case 57:
            return ' ';
        case 1:
            return 27;  // Esc
        case 40:
            return 0xE4;  // a Latin-1 letter of another layout
        default:
            return 0;
    }
}

int Typed(std::initializer_list<int> codes, int (*layout)(int) = UsLayout) {
    Keys keys{};
    for (int c : codes) keys[static_cast<std::size_t>(c)] = 0x80;
    return tarvok::FirstTypedCharacter(keys, layout);
}

}  // namespace

TEST(InputLogic, TypedCharacterFollowsTheRule) {
    EXPECT_EQ(Typed({44, 54}), 'Z');
    EXPECT_EQ(Typed({2, 42}), '1');  // Shift changes letters only
    EXPECT_EQ(Typed({40}), 0xE4);
    // Keys that yield nothing: modifiers alone, control characters, keys without a character.
    EXPECT_EQ(Typed({54, 56, 69, 29, 58, 221, 42}), 0);
    EXPECT_EQ(Typed({1, 15, 211}), 0);
    // The lowest key that yields a character wins; keys before it that yield none are passed over.
    EXPECT_EQ(Typed({1, 16, 30}), 'q');
    EXPECT_EQ(Typed({29, 57, 156}), ' ');
    EXPECT_EQ(Typed({29, 156}), 10);
    // Code 255 is outside the rule's range; layout answers outside a byte yield nothing.
    EXPECT_EQ(Typed({255}, [](int) -> int { return 'x'; }), 0);
    EXPECT_EQ(Typed({254}, [](int) -> int { return 'x'; }), 'x');
    EXPECT_EQ(Typed({30}, [](int) { return 0x20AC; }), 0);
    EXPECT_EQ(Typed({30}, [](int) { return -5; }), 0);
    Keys low{};  // only bit 7 means down
    low[30] = 0x01;
    EXPECT_EQ(tarvok::FirstTypedCharacter(low, UsLayout), 0);
}

TEST(InputLogic, MouseSamplesInBothModesAndClamping) {
    InputSystem input;
    input.mouseX = input.mouseY = 100;
    input.absoluteMode = 0;
    // Relative: the pointer is ignored, the position moves by the motion, the wheel gives its sign.
    tarvok::TakeMouseSample(input, {.x = 500, .motionX = -30, .motionY = 12, .wheel = 3});
    EXPECT_EQ(std::make_pair(input.mouseX, input.mouseY), std::make_pair(70, 112));
    EXPECT_EQ(std::make_tuple(input.lastDx, input.lastDy, input.lastWheel), std::make_tuple(-30, 12, 1));
    // Absolute: the device's motion does not count, the motion is the change of the position.
    input.absoluteMode = 1;
    tarvok::TakeMouseSample(input, {.x = 75, .y = 100, .motionX = 999, .wheel = -120});
    EXPECT_EQ(std::make_pair(input.mouseX, input.mouseY), std::make_pair(75, 100));
    EXPECT_EQ(std::make_tuple(input.lastDx, input.lastDy, input.lastWheel), std::make_tuple(5, -12, -1));
    // Huge motions saturate instead of wrapping.
    input.absoluteMode = 0;
    input.mouseX = std::numeric_limits<std::int32_t>::max() - 5;
    tarvok::TakeMouseSample(input, {.motionX = 100000});
    EXPECT_EQ(input.mouseX, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(input.lastDx, 32767);
    EXPECT_EQ(input.lastWheel, 0);

    EXPECT_EQ(tarvok::ClampToScreen(std::numeric_limits<std::int32_t>::min(), 480), 0);
    EXPECT_EQ(tarvok::ClampToScreen(640, 640), 639);
    EXPECT_EQ(tarvok::ClampToScreen(5, 0), 0);
    EXPECT_EQ(tarvok::ClampToScreen(5, -3), 0);
}

TEST(InputLogic, JoystickActivity) {
    using R = platform::JoystickReading;
    R r;
    EXPECT_FALSE(tarvok::JoystickActive(r));  // no device: zeros with the hats centred
    r.x = 3276;                               // 0.09998...
    r.y = -3276;
    r.rx = r.ry = r.rz = 32767;  // rotations and sliders do not count
    r.sliders = {32767, 32767};
    r.hats[0] = 4500;  // diagonals do not count
    r.hats[1] = 0;     // nor other hats
    EXPECT_FALSE(tarvok::JoystickActive(r));
    for (std::int32_t R::*axis : {&R::x, &R::y, &R::z}) {
        R a;
        a.*axis = -3300;
        EXPECT_TRUE(tarvok::JoystickActive(a));
    }
}

TEST(InputLogic, ConstantForceEffect) {
    const double nan = std::nan("");
    // Duration, x, y; then direction x and y, magnitude, whole milliseconds. Directions are clamped to
    // -1 .. 1 and truncated; the magnitude is (x² + y²) * 5000 rounded (0.3125 * 5000 = 1562.5).
    const std::tuple<double, double, double, int, int, int, std::uint32_t> cases[] = {
        {250, 1, 0, 32767, 0, 5000, 250},
        {1000.9, -3, 5, -32767, 32767, 10000, 1000},
        {10, 0.5, -0.25, 16383, -8191, 1563, 10},
        {nan, nan, nan, 0, 0, 0, 0},
        {-50, 0, 0, 0, 0, 0, 0},
        {1e30, 0, 0, 0, 0, 0, 4294967},
    };
    for (const auto& [ms, x, y, dx, dy, magnitude, duration] : cases) {
        const platform::ConstantForce f = tarvok::MakeConstantForce(ms, x, y);
        EXPECT_EQ(std::make_tuple(f.directionX, f.directionY, f.magnitude, f.durationMs),
                  std::make_tuple(dx, dy, magnitude, duration))
            << ms << " " << x << " " << y;
    }
}
