// A game program for the input tests under a display. Each mode drives the real keyboard and mouse with
// xdotool (run from here, so that each step waits for its effect) or reads keys of a key script, and
// prints what the test checks.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "input/input.h"

namespace {

std::string g_mode;
std::string g_title;

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::printf("failed: %s\n", command.c_str());
}

// Frames shown until the condition holds, at most 90; -1 when it never does.
template <typename Condition>
int FramesUntil(Condition condition) {
    for (int frames = 0; frames < 90; ++frames) {
        if (condition()) return frames;
        ShowScreen();
    }
    return -1;
}

std::string Escaped(const RtString& text) {
    std::string out;
    for (std::uint32_t i = 0; i < text.Length(); ++i) {
        const int c = text.CharAt(static_cast<std::int32_t>(i));
        char buf[8];
        std::snprintf(buf, sizeof buf, c < 32 ? "\\%d" : "%c", c);
        out += buf;
    }
    return out;
}

// Per frame: the states of some keys and what InKey gives.
void Script() {
    for (int frame = 1;; ++frame) {
        ShowScreen();
        std::printf("%d:", frame);
        for (int code : {28, 30, 42, 48, 156, 200}) std::printf(" %g", KeyState(code));
        const RtString typed = InKey();
        std::printf(" [%s]\n", Escaped(typed).c_str());
        std::fflush(stdout);
    }
}

// Each key pressed and released for real: whether KeyState follows, and the twin code (the extended
// code of a plain key, the plain code of an extended one) while it is down.
void RealKeys() {
    AllowEscape(0);
    const std::pair<const char*, int> keys[] = {
        {"Escape", 1}, {"1", 2}, {"BackSpace", 14}, {"Tab", 15}, {"a", 30}, {"Return", 28},
        {"Control_L", 29}, {"Shift_L", 42}, {"backslash", 43}, {"Shift_R", 54}, {"KP_Multiply", 55},
        {"Alt_L", 56}, {"space", 57}, {"F1", 59}, {"F4", 62}, {"KP_Subtract", 74}, {"KP_Add", 78},
        {"F11", 87}, {"F12", 88}, {"KP_Enter", 156}, {"KP_Divide", 181},
        {"Home", 199}, {"Up", 200}, {"Prior", 201}, {"Left", 203}, {"Right", 205}, {"End", 207},
        {"Down", 208}, {"Next", 209}, {"Insert", 210}, {"Delete", 211}, {"Super_L", 219}, {"Menu", 221},
        // By X key code: xdotool presses the left key too for these key names, or Num Lock for KP_7.
        {"105", 157}, {"108", 184}, {"127", 197}, {"79", 71}};
    for (const auto& [name, code] : keys) {
        const std::string key = name;
        Shell("xdotool keydown " + key);
        const int down = FramesUntil([&] { return KeyState(code) == 1; });
        const double twin = KeyState(code ^ 128);
        Shell("xdotool keyup " + key);
        const int up = FramesUntil([&] { return KeyState(code) == 0; });
        std::printf("%s %d %d %g\n", name, down >= 0, up >= 0, twin);
    }
    std::fflush(stdout);
}

// Characters typed for real, in order.
void RealTyping() {
    AllowEscape(0);
    // Shift is let go after H: between the two, a held h would type again as the lower-case letter.
    Shell("xdotool keydown shift keydown h sleep 0.15 keyup h keyup shift sleep 0.1 keydown i sleep 0.15 keyup i sleep 0.1"
          " keydown space sleep 0.15 keyup space sleep 0.1 keydown 5 sleep 0.15 keyup 5 sleep 0.1"
          " keydown BackSpace sleep 0.15 keyup BackSpace sleep 0.1 keydown Return sleep 0.15 keyup Return &");
    std::string typed;
    for (int frame = 0; frame < 300 && typed.find("\\10") == std::string::npos; ++frame) {
        ShowScreen();
        typed += Escaped(InKey());
    }
    std::printf("typed [%s]\n", typed.c_str());
}

void RealMouse() {
    const std::string window = "$(xdotool search --name '" + g_title + "' | head -1)";
    double x = 0, y = 0, left = 0, right = 0;
    auto state = [&] { MouseState(x, y, left, right); };
    SystemPointer(1);
    Shell("xdotool mousemove --window " + window + " 50 60");
    std::printf("moved %d\n", FramesUntil([&] { state(); return x == 50 && y == 60; }) >= 0);
    // Absolute mode: the motion is the change of the position, sampled once per frame.
    double dx = 0;
    bool same = true;
    Shell("xdotool mousemove --window " + window + " 80 60");
    ShowScreen();  // the sample of the frame before is not counted
    FramesUntil([&] {
        const double first = MouseAxis(0), second = MouseAxis(0);
        same = same && first == second;
        dx += first;
        state();
        return x == 80;
    });
    std::printf("dx %g same %d\n", dx, same);
    const std::pair<int, int> buttons[] = {{1, 3}, {3, 4}, {2, 5}};
    for (const auto& [button, axis] : buttons) {
        Shell("xdotool mousedown " + std::to_string(button));
        const int down = FramesUntil([&] { return MouseAxis(axis) == 1; });
        state();
        const double l = left, r = right;
        Shell("xdotool mouseup " + std::to_string(button));
        const int up = FramesUntil([&] { return MouseAxis(axis) == 0; });
        std::printf("button %d %d %d %g %g\n", button, down >= 0, up >= 0, l, r);
    }
    Shell("xdotool click 4");
    std::printf("wheel up %d\n", FramesUntil([&] { return MouseAxis(2) == 1; }) >= 0);
    Shell("xdotool click 5");
    std::printf("wheel down %d\n", FramesUntil([&] { return MouseAxis(2) == -1; }) >= 0);

    // Relative mode: the game's position moves by the motion and stays on the screen.
    SystemPointer(0);
    for (int i = 0; i < 3; ++i) ShowScreen();
    MouseState(x, y, left, right);
    const double startX = x, startY = y;
    double sumX = 0, sumY = 0;
    Shell("xdotool mousemove_relative 15 7");
    FramesUntil([&] {
        sumX += MouseAxis(0);
        sumY += MouseAxis(1);
        return sumX >= 15 && sumY >= 7;
    });
    for (int i = 0; i < 3; ++i) ShowScreen();
    MouseState(x, y, left, right);
    std::printf("relative %g %g moved %g %g\n", sumX, sumY, x - startX, y - startY);
    for (int i = 0; i < 8; ++i) {
        Shell("xdotool mousemove_relative -- -300 0");
        ShowScreen();
    }
    FramesUntil([&] { state(); return x == 0; });
    std::printf("clamped %g\n", x);
    Shell("xdotool mousemove_relative 5 0");
    FramesUntil([&] { state(); return x > 0; });
    std::printf("back in %g\n", x);
}

void Waits() {
    AllowEscape(0);
    Shell("(sleep 0.3; xdotool keydown k sleep 0.2 keyup k) &");
    double start = GetElapsedTime();
    KeyWait();
    std::printf("keywait %d [%s]\n", GetElapsedTime() - start >= 250, Escaped(InKey()).c_str());
    Shell("(sleep 0.3; xdotool mousedown 1 sleep 0.2 mouseup 1) &");
    start = GetElapsedTime();
    MouseWait();
    std::printf("mousewait %d\n", GetElapsedTime() - start >= 250);
    for (int i = 0; i < 30; ++i) ShowScreen();
}

void MainBody() {
    if (g_mode == "script") Script();
    if (g_mode == "keys") RealKeys();
    if (g_mode == "typing") RealTyping();
    if (g_mode == "mouse") RealMouse();
    if (g_mode == "waits") Waits();
    std::printf("done\n");
}

}  // namespace

int main(int argc, char** argv) {
    g_mode = argc > 1 ? argv[1] : "";
    g_title = "input probe " + std::to_string(getpid());
    ProgramMain(argc, argv, g_title.c_str(), MainBody);
}
