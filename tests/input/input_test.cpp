// Input rules over plain values; keyboard and mouse commands over scripted key states (SDL's dummy video,
// whose layout is the US one); joysticks through SDL's virtual joysticks, which have no force feedback.
#include "input/input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "input/input_logic.h"
#include "platform/input_state.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"

namespace {

// A US layout for a few keys, written out by hand from the key positions; 40 gives a Latin-1 letter.
int UsLayout(int code) {
    static const std::map<int, int> keys = {{2, '1'},  {15, '\t'}, {16, 'q'}, {30, 'a'},
                                            {44, 'z'}, {57, ' '},  {1, 27},   {40, 0xE4}};
    const auto key = keys.find(code);
    return key == keys.end() ? 0 : key->second;
}

int AllX(int) { return 'x'; }  // a layout that gives a character for every key

int Typed(std::initializer_list<int> codes, int (*layout)(int) = UsLayout, std::uint8_t down = 0x80) {
    std::array<std::uint8_t, 256> keys{};
    for (int c : codes) keys[static_cast<std::size_t>(c)] = down;
    return tarvok::FirstTypedCharacter(keys, layout);
}

constexpr int kEsc = 1, kA = 30, kB = 48, kQ = 16, kLeftShift = 42, kRightShift = 54, kUp = 200;

void Hold(int code, bool down) {
    platform::Devices().scriptKeys[static_cast<std::size_t>(code)] = down ? 1 : 0;
}

class Commands : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        platform::Devices() = {};
        g_inputHooks = {};
        StartInput(nullptr, false);
    }
    void TearDown() override {
        StopInput();
        g_inputHooks = {};
        platform::Devices() = {};
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

int g_idleCalls = 0;  // idle steps of the waits

class Joysticks : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "real joysticks are attached";
    }
    void TearDown() override {
        StopInput();
        for (SDL_Joystick* j : pads_) SDL_JoystickClose(j);
        while (SDL_NumJoysticks() > 0) SDL_JoystickDetachVirtual(0);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    // Attaches pads named "Pad N" with eight axes, 32 buttons and one hat, and starts the input.
    void Attach(int count) {
        for (int n = 0; n < count; ++n) {
            const std::string name = "Pad " + std::to_string(n);
            SDL_VirtualJoystickDesc desc{};
            desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
            desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
            desc.naxes = 8;
            desc.nbuttons = 32;
            desc.nhats = 1;
            desc.name = name.c_str();
            pads_.push_back(SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc)));
            ASSERT_NE(pads_.back(), nullptr) << SDL_GetError();
        }
        StartInput(nullptr, false);
    }

    std::vector<SDL_Joystick*> pads_;
};

}  // namespace

TEST(InputLogic, TypedCharacterFollowsTheRule) {
    EXPECT_EQ(Typed({44, 54}), 'Z');
    EXPECT_EQ(Typed({2, 42}), '1');  // Shift changes letters only
    EXPECT_EQ(Typed({40}), 0xE4);
    EXPECT_EQ(Typed({30}, UsLayout, 0x01), 0);  // only bit 7 means down
    // Modifiers yield nothing whatever the layout says; so do control characters and keys without one.
    EXPECT_EQ(Typed({54, 56, 69, 29, 58, 221, 42}, AllX), 0);
    EXPECT_EQ(Typed({1, 15, 211}), 0);
    // The lowest key that yields a character wins; keys before it that yield none are passed over.
    EXPECT_EQ(Typed({1, 16, 30}), 'q');
    EXPECT_EQ(Typed({29, 57, 156}), ' ');
    // Code 255 is outside the rule's range; layout answers outside a byte yield nothing.
    EXPECT_EQ(Typed({255}, AllX), 0);
    EXPECT_EQ(Typed({254}, AllX), 'x');
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

    EXPECT_EQ(tarvok::ClampToScreen(std::numeric_limits<std::int32_t>::min(), 480), 0);
    EXPECT_EQ(tarvok::ClampToScreen(640, 640), 639);
    EXPECT_EQ(tarvok::ClampToScreen(5, 0), 0);
    EXPECT_EQ(tarvok::ClampToScreen(5, -3), 0);
}

TEST(InputLogic, ConstantForceEffect) {
    const double nan = std::nan("");
    // Duration, x, y -> directions (clamped, truncated), magnitude ((x² + y²) * 5000 rounded), milliseconds.
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

TEST_F(Commands, KeyStateTakesTheTruncatedCodeModulo256) {
    // The game's number, the key it reads: never before the array, NaN as 0, huge numbers saturated.
    const std::pair<double, int> codes[] = {{kEsc, kEsc}, {257, kEsc},  {1.7, kEsc},   {-255, kEsc},
                                            {kUp, kUp},   {-1, 255},    {256, 0},      {-0.5, 0},
                                            {NAN, 0},     {1e300, 255}, {-INFINITY, 0}};
    for (const auto& [code, key] : codes) {
        EXPECT_EQ(KeyState(code), 0) << code;
        Hold(key, true);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(KeyState(code), 1) << code;  // every call while held
        EXPECT_EQ(KeyState(key ^ 128), 0) << code;                         // the extended twin is another key
        Hold(key, false);
    }
}

TEST_F(Commands, TypedCharacters) {
    // Keys held in turn (negative: let go) and what InKey gives: held keys type once, the lowest first.
    const std::pair<int, const char*> steps[] = {{0, ""},   {kA, "a"}, {0, ""},  {kQ, "q"},  {-kQ, "a"},
                                                 {-kA, ""}, {kA, "a"}, {kB, ""}, {-kA, "b"}, {-kB, ""}};
    for (const auto& [key, text] : steps) {
        if (key) Hold(std::abs(key), key > 0);
        EXPECT_STREQ(InKey().CText(), text) << key;
    }
    // Each key with Shift held or not, typed through the layout (Enter of both kinds 10, Backspace 8).
    const std::tuple<int, int, const char*> keys[] = {
        {kLeftShift, 0, ""}, {kLeftShift, kA, "A"}, {kRightShift, kQ, "Q"}, {28, 0, "\n"},
        {156, 0, "\n"},      {14, 0, "\b"},         {57, 0, " "},           {2, 0, "1"},
        {71, 0, "7"},        {kEsc, 0, ""}};
    for (const auto& [first, second, text] : keys) {
        InKey();                                          // nothing held: the next character is new
        for (int key : {first, second}) Hold(key, true);  // code 0 is no key
        EXPECT_STREQ(InKey().CText(), text) << first << " " << second;
        for (int key : {first, second}) Hold(key, false);
    }
}

TEST_F(Commands, KeyWaitTakesOneCharacter) {
    // B is pressed while the wait idles and taken; held, it keeps the next wait going until A types.
    g_inputHooks.musicLoopCheck = [] {};
    g_inputHooks.idleStep = [] {
        if (++g_idleCalls % 3 == 0) Hold(g_idleCalls == 3 ? kB : kA, true);
    };
    for (int calls : {3, 6}) {
        KeyWait();
        EXPECT_EQ(g_idleCalls, calls);
        EXPECT_STREQ(InKey().CText(), "");  // still held: not reported again
    }
}

TEST_F(Commands, MousePositionIsClampedAndKept) {
    InputSystem& input = *g_engine.input;
    g_engine.screenWidth = 640;
    g_engine.screenHeight = 480;
    input.absoluteMode = 0;  // relative: the position is the game's own
    input.mouseX = -40;
    input.mouseY = 9000;
    double x = -1, y = -1, left = -1, right = -1;
    MouseState(x, y, left, right);
    EXPECT_EQ(std::make_tuple(x, y, left, right), std::make_tuple(0, 479, 0, 0));
    EXPECT_EQ(std::make_pair(input.mouseX, input.mouseY), std::make_pair(0, 479));  // kept clamped

    // One sample per frame: repeated reads give the stored motion until the next frame marks one due.
    input.mouseSampleDue = 0;
    input.lastDx = 7;
    input.lastWheel = -1;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(std::make_pair(MouseAxis(0), MouseAxis(2)), std::make_pair(7.0, -1.0));
    PollInputFrame();  // a new sample, without motion
    EXPECT_EQ(std::make_pair(MouseAxis(0), MouseAxis(2)), std::make_pair(0.0, 0.0));
    for (double axis : {3.0, 4.0, 5.0, 6.0, -1.0, 1e300}) EXPECT_EQ(MouseAxis(axis), 0) << axis;
    input.lastDy = -3;
    EXPECT_EQ(MouseAxis(1.5), -3);
}

TEST(InputStart, HiddenPointerWithoutCaptureIsLogged) {
    // Without a video system the mouse cannot be captured: the start goes on and says so.
    EXPECT_EQ(StartInput(nullptr, true), 0x8000000Cu);
    const InputSystem& in = *g_engine.input;
    EXPECT_EQ(std::make_tuple(int{in.absoluteMode}, in.mouseX, in.mouseY), std::make_tuple(0, 100, 100));
    std::ifstream log(ErrorLogPath().CText(), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(log), {});
    EXPECT_NE(text.find("No DX_Mouse\r\n"), std::string::npos) << text;
    // The system pointer on (NaN counts as on) and off: absolute mode and the mouse level follow.
    const std::tuple<double, int, int> modes[] = {{1, 1, 6}, {NAN, 1, 6}, {0, 0, 5}};
    for (const auto& [on, mode, level] : modes) {
        SystemPointer(on);
        EXPECT_EQ(std::make_pair(int{in.absoluteMode}, in.mouseLevel), std::make_pair(mode, level)) << on;
    }
    StopInput();
    EXPECT_EQ(g_engine.input, nullptr);
}

TEST_F(Joysticks, AxesHatsAndButtonsOfOnePad) {
    Attach(1);
    SDL_Joystick* pad = pads_[0];
    ASSERT_EQ(GetJoystickCount(), 1);
    EXPECT_STREQ(GetJoystickName(0).CText(), "Pad 0, Pad 0");
    EXPECT_FALSE(AnyJoystickActive());
    // Each axis reads value / 32767, -32768 clamped to -1; a joystick number is truncated.
    const Sint16 values[6] = {16384, -16384, 32767, -32768, 100, -1};
    double (*const axes[6])(double) = {JoyX, JoyY, JoyZ, JoyRX, JoyRY, JoyRZ};
    for (int axis = 0; axis < 6; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, values[axis]);
    for (int axis = 0; axis < 6; ++axis)
        EXPECT_DOUBLE_EQ(axes[axis](0.9), std::max(values[axis] / 32767.0, -1.0)) << axis;
    EXPECT_TRUE(AnyJoystickActive());

    // JoyState: the axes as -1, 0 or 1 (value / 30000 toward zero), the first two buttons as 0 or 128.
    double x, y, b1, b2;
    SDL_JoystickSetVirtualAxis(pad, 0, 30000);
    SDL_JoystickSetVirtualAxis(pad, 1, -29999);
    SDL_JoystickSetVirtualButton(pad, 1, SDL_PRESSED);
    JoyState(x, y, b1, b2);
    EXPECT_EQ(std::make_tuple(x, y, b1, b2), std::make_tuple(1, 0, 0, 128));
    SDL_JoystickSetVirtualAxis(pad, 0, -32768);
    SDL_JoystickSetVirtualAxis(pad, 1, 29999);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    JoyState(x, y, b1, b2);
    EXPECT_EQ(std::make_tuple(x, y, b1, b2), std::make_tuple(-1, 0, 128, 128));
    // Active: x, y or z beyond a tenth of the way; not rotations, sliders or diagonal hats (below).
    const Sint16 quiet[8] = {3276, -3276, 0, 32767, 32767, 32767, 32767, 32767};
    for (int axis = 0; axis < 8; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, quiet[axis]);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(pad, 1, SDL_RELEASED);
    EXPECT_FALSE(AnyJoystickActive());
    for (int axis = 0; axis < 3; ++axis) {
        SDL_JoystickSetVirtualAxis(pad, axis, -3300);
        EXPECT_TRUE(AnyJoystickActive()) << axis;
        SDL_JoystickSetVirtualAxis(pad, axis, quiet[axis]);
    }
    for (int axis = 0; axis < 8; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, 0);
    SDL_JoystickSetVirtualButton(pad, 31, SDL_PRESSED);
    EXPECT_TRUE(AnyJoystickActive());
    SDL_JoystickSetVirtualButton(pad, 31, SDL_RELEASED);

    const std::tuple<Uint8, double, double, bool> hats[] = {
        {SDL_HAT_UP, 0, -1, true},      {SDL_HAT_DOWN, 0, 1, true},     {SDL_HAT_LEFT, -1, 0, true},
        {SDL_HAT_RIGHT, 1, 0, true},    {SDL_HAT_RIGHTUP, 0, 0, false}, {SDL_HAT_LEFTDOWN, 0, 0, false},
        {SDL_HAT_CENTERED, 0, 0, false}};
    for (const auto& [hat, povX, povY, active] : hats) {
        SDL_JoystickSetVirtualHat(pad, 0, hat);
        EXPECT_EQ(std::make_tuple(JoyPovX(0), JoyPovY(0), AnyJoystickActive()),
                  std::make_tuple(povX, povY, active))
            << int(hat);
    }
    // Without force feedback the command does nothing, whatever its numbers.
    JoyForceFeedback(0, 500, 1, -1);
    JoyForceFeedback(0, NAN, NAN, INFINITY);
    EXPECT_DOUBLE_EQ(JoyX(0), 0);
}

TEST_F(Joysticks, TenAreTakenAndAnEleventhRefused) {
    Attach(11);
    EXPECT_EQ(GetJoystickCount(), 10);
    for (int n = 0; n < 10; ++n)
        EXPECT_EQ(GetJoystickName(n).CText(), "Pad " + std::to_string(n) + ", Pad " + std::to_string(n));
    for (double bad : {10.0, -1.0, 1e300}) EXPECT_STREQ(GetJoystickName(bad).CText(), "") << bad;
    EXPECT_STREQ(GetJoystickName(NAN).CText(), "Pad 0, Pad 0");  // NaN counts as 0

    // Each number reads its own pad; the eleventh pad is never read; no device reads as centred.
    for (int n = 0; n < 11; ++n) SDL_JoystickSetVirtualAxis(pads_[std::size_t(n)], 0, Sint16(1000 * (n + 1)));
    for (int n = 0; n < 10; ++n) EXPECT_DOUBLE_EQ(JoyX(n), 1000 * (n + 1) / 32767.0) << n;
    for (double bad : {-1.0, 10.0, 11.0, -1e300, 1e300}) {
        EXPECT_EQ(std::make_tuple(JoyX(bad), JoyPovX(bad), JoyPovY(bad)), std::make_tuple(0.0, 0.0, 0.0))
            << bad;
        JoyForceFeedback(bad, 100, 1, 1);
    }
    // Unplugging one while running: it reads as absent, the others go on.
    SDL_JoystickSetVirtualHat(pads_[3], 0, SDL_HAT_UP);
    EXPECT_EQ(JoyPovY(3), -1);
    SDL_JoystickSetVirtualButton(pads_[3], 0, SDL_PRESSED);
    ASSERT_EQ(SDL_JoystickDetachVirtual(3), 0) << SDL_GetError();
    EXPECT_EQ(std::make_tuple(JoyX(3), JoyPovY(3), JoyX(4), GetJoystickCount()),
              std::make_tuple(0.0, 0.0, 5000 / 32767.0, 10.0));
    JoyForceFeedback(3, 100, 1, 1);
    for (SDL_Joystick* pad : pads_) SDL_JoystickSetVirtualAxis(pad, 0, 0);
    EXPECT_FALSE(AnyJoystickActive());
}

TEST_F(Joysticks, NothingBeforeStartOrWithoutPads) {
    double v[4] = {3, 3, 3, 3};
    MouseState(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(v[0] + v[1] + v[2] + v[3] + MouseAxis(0) + KeyState(kEsc), 0);
    EXPECT_STREQ(InKey().CText(), "");
    KeyWait();
    MouseWait();
    SystemPointer(1);
    PollInputFrame();
    ReapplyMouseMode();
    for (bool started : {false, true}) {  // the joysticks also without pads
        if (started) StartInput(nullptr, false);
        std::fill(v, v + 4, 5.0);
        JoyState(v[0], v[1], v[2], v[3]);
        EXPECT_EQ(GetJoystickCount() + JoyX(0) + JoyPovX(0) + JoyPovY(0) + v[0] + v[1] + v[2] + v[3], 0);
        EXPECT_STREQ(GetJoystickName(0).CText(), "");
        EXPECT_FALSE(AnyJoystickActive());
        JoyForceFeedback(0, 100, 1, 1);
    }
}
