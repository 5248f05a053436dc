#include <SDL.h>

#include <set>

#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/keyboard_map.h"

using namespace platform;

TEST(Headless, KeyScriptsAndFrameLists) {
    // Comments, blank lines, spaces and CR LF are allowed; the keys come sorted by frame.
    std::vector<ScriptedKey> keys;
    std::string error, got;
    const char* script = "# walk right\n\n10 down 205\n  70   up 205  # release\n5 down 1\r\n";
    ASSERT_TRUE(ParseKeyScript(script, keys, error)) << error;
    for (const ScriptedKey& k : keys)
        got += std::to_string(k.frame) + (k.down ? " down " : " up ") + std::to_string(k.code) + ", ";
    EXPECT_EQ(got, "5 down 1, 10 down 205, 70 up 205, ");

    for (const char* bad : {"10 down\n", "x down 5\n", "10 press 5\n", "10 down 256\n", "-1 down 5\n",
                            "10 down 5 6\n", "10 down 0x1e\n"}) {
        std::vector<ScriptedKey> none;
        EXPECT_FALSE(ParseKeyScript(bad, none, error)) << bad;
        EXPECT_NE(error.find("line 1"), std::string::npos);
    }

    std::vector<FrameRange> ranges;
    ASSERT_TRUE(ParseFrameList("2,10,40-45", ranges, error)) << error;
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(ranges[2].first, 40);
    EXPECT_EQ(ranges[2].last, 45);
    for (const char* bad : {"", "2,,3", "5-3", "a", "1-", "-4", "3 4"}) {
        std::vector<FrameRange> none;
        EXPECT_FALSE(ParseFrameList(bad, none, error)) << bad;
    }
}

TEST(Headless, KeyTableCoversTheKeyboard) {
    struct Pair { SDL_Scancode sdl; int code; };
    const Pair pairs[] = {
        {SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_RETURN, 28}, {SDL_SCANCODE_A, 30}, {SDL_SCANCODE_SPACE, 57},
        {SDL_SCANCODE_UP, 200}, {SDL_SCANCODE_LEFT, 203}, {SDL_SCANCODE_RIGHT, 205}, {SDL_SCANCODE_DOWN, 208},
        {SDL_SCANCODE_LSHIFT, 42}, {SDL_SCANCODE_RSHIFT, 54}, {SDL_SCANCODE_LCTRL, 29},
        {SDL_SCANCODE_LALT, 56},
        {SDL_SCANCODE_F4, 62}, {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_Y, 21}, {SDL_SCANCODE_Z, 44},
        {SDL_SCANCODE_F12, 88}, {SDL_SCANCODE_KP_DIVIDE, 181}, {SDL_SCANCODE_RALT, 184},
        {SDL_SCANCODE_DELETE, 211}, {SDL_SCANCODE_NONUSBACKSLASH, 86}, {SDL_SCANCODE_APPLICATION, 221},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(SetOneCodeFromScancode(p.sdl), p.code) << SDL_GetScancodeName(p.sdl);
        EXPECT_EQ(ScancodeFromSetOneCode(p.code), p.sdl) << p.code;
    }
    // Every key of a 105-key keyboard has a code: letters, digits, F1-F12, keypad, the editing block.
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
        EXPECT_GT(SetOneCodeFromScancode(sc), 0) << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
    // No two keys of that block share a code.
    std::set<int> seen;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
        if (sc != SDL_SCANCODE_NONUSHASH) {
            EXPECT_TRUE(seen.insert(SetOneCodeFromScancode(sc)).second) << sc;
        }
    EXPECT_EQ(SetOneCodeFromScancode(-1), 0);
    EXPECT_EQ(SetOneCodeFromScancode(100000), 0);
    EXPECT_EQ(ScancodeFromSetOneCode(256), 0);
}

TEST(Headless, SwitchSetToZeroIsOff) {
    setenv("TARVOK_UNPACED", "0", 1);
    LoadHeadlessSettings();
    EXPECT_FALSE(Unpaced());
    EXPECT_TRUE(NonInteractive());  // set to 1 by the test program's main
}
