// The input rules over plain values where the commands cannot reach them: the typed-character rule
// with a hand-written layout, mouse samples, clamping, joystick activity and force-feedback effects.
#include "input/input_logic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace {

// A US layout for a few keys, written out by hand from the key positions; 40 gives a Latin-1 letter.
int UsLayout(int code) {
    static const std::map<int, int> keys = {{2, '1'},  {15, '\t'}, {16, 'q'}, {30, 'a'},
                                            {44, 'z'}, {57, ' '},  {1, 27},   {40, 0xE4}};
    const auto key = keys.find(code);
    return key == keys.end() ? 0 : key->second;
}

int Typed(std::initializer_list<int> codes, int (*layout)(int) = UsLayout, std::uint8_t down = 0x80) {
    std::array<std::uint8_t, 256> keys{};
    for (int c : codes) keys[static_cast<std::size_t>(c)] = down;
    return tarvok::FirstTypedCharacter(keys, layout);
}

}  // namespace

TEST(InputLogic, TypedCharacterFollowsTheRule) {
    EXPECT_EQ(Typed({44, 54}), 'Z');
    EXPECT_EQ(Typed({44, 42}), 'Z');
    EXPECT_EQ(Typed({2, 42}), '1');  // Shift changes letters only
    EXPECT_EQ(Typed({40}), 0xE4);
    EXPECT_EQ(Typed({30}, UsLayout, 0x01), 0);  // only bit 7 means down
    // Modifiers alone, control characters and keys without a character yield nothing.
    EXPECT_EQ(Typed({54, 56, 69, 29, 58, 221, 42}), 0);
    EXPECT_EQ(Typed({1, 15, 211}), 0);
    // The lowest key that yields a character wins; keys before it that yield none are passed over.
    EXPECT_EQ(Typed({1, 16, 30}), 'q');
    EXPECT_EQ(Typed({29, 57, 156}), ' ');
    EXPECT_EQ(Typed({29, 156}), 10);
    // Code 255 is outside the rule's range; layout answers outside a byte yield nothing.
    EXPECT_EQ(Typed({255}, [](int) { return int{'x'}; }), 0);
    EXPECT_EQ(Typed({254}, [](int) { return int{'x'}; }), 'x');
    EXPECT_EQ(Typed({30}, [](int) { return 0x20AC; }), 0);
    EXPECT_EQ(Typed({30}, [](int) { return -5; }), 0);
}

TEST(InputLogic, MouseSamplesInBothModesAndClamping) {
    InputSystem input;
    input.mouseX = input.mouseY = 100;
    input.absoluteMode = 0;
    const auto moved = [&] {
        return std::make_tuple(input.mouseX, input.mouseY, input.lastDx, input.lastDy, input.lastWheel);
    };
    // Relative: the pointer is ignored, the position moves by the motion, the wheel gives its sign.
    tarvok::TakeMouseSample(input, {.x = 500, .motionX = -30, .motionY = 12, .wheel = 3});
    EXPECT_EQ(moved(), std::make_tuple(70, 112, -30, 12, 1));
    // Absolute: the device's motion does not count, the motion is the change of the position.
    input.absoluteMode = 1;
    tarvok::TakeMouseSample(input, {.x = 75, .y = 100, .motionX = 999, .wheel = -120});
    EXPECT_EQ(moved(), std::make_tuple(75, 100, 5, -12, -1));
    // Huge motions saturate instead of wrapping.
    input.absoluteMode = 0;
    input.mouseX = std::numeric_limits<std::int32_t>::max() - 5;
    tarvok::TakeMouseSample(input, {.motionX = 100000});
    EXPECT_EQ(moved(), std::make_tuple(std::numeric_limits<std::int32_t>::max(), 100, 32767, 0, 0));

    const std::tuple<std::int32_t, std::int32_t, std::int32_t> clamps[] = {
        {std::numeric_limits<std::int32_t>::min(), 480, 0}, {640, 640, 639}, {5, 0, 0}, {5, -3, 0}};
    for (const auto& [value, size, expected] : clamps)
        EXPECT_EQ(tarvok::ClampToScreen(value, size), expected);
}

TEST(InputLogic, JoystickActivityAndConstantForce) {
    using R = platform::JoystickReading;
    R r;
    EXPECT_FALSE(tarvok::JoystickActive(r));  // no device: zeros with the hats centred
    r.x = 3276;                               // 0.09998...
    r.y = -3276;
    r.rx = r.ry = r.rz = 32767;  // rotations and sliders do not count
    r.sliders = {32767, 32767};
    r.hats = {4500, 0, 0, 0};  // nor diagonals, nor other hats
    EXPECT_FALSE(tarvok::JoystickActive(r));
    for (std::int32_t R::*axis : {&R::x, &R::y, &R::z}) {
        R a;
        a.*axis = -3300;
        EXPECT_TRUE(tarvok::JoystickActive(a));
    }

    const double nan = std::nan("");
    // Duration, x, y; then direction x and y, magnitude, whole milliseconds. Directions are clamped to
    // -1 .. 1 and truncated; the magnitude is (x² + y²) * 5000 rounded (0.3125 * 5000 = 1562.5).
    const std::tuple<double, double, double, int, int, int, std::uint32_t> cases[] = {
        {250, 1, 0, 32767, 0, 5000, 250},
        {1000.9, -3, 5, -32767, 32767, 10000, 1000},
        {10, 0.5, -0.25, 16383, -8191, 1563, 10},
        {nan, nan, nan, 0, 0, 0, 0},
        {-50, 0, 0, 0, 0, 0, 0},
        {1e30, 0, 0, 0, 0, 0, 4294967}};
    for (const auto& [ms, x, y, dx, dy, magnitude, duration] : cases) {
        const platform::ConstantForce f = tarvok::MakeConstantForce(ms, x, y);
        EXPECT_EQ(std::make_tuple(f.directionX, f.directionY, f.magnitude, f.durationMs),
                  std::make_tuple(dx, dy, magnitude, duration))
            << ms << " " << x << " " << y;
    }
}
