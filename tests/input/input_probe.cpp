// A game program for the input test under a display: it drives the real keyboard and mouse with xdotool
// (run from here, so that each step waits for its effect) and prints what the test checks.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "input/input.h"

namespace {

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

std::string Escaped(const RtString& text) {  // control characters as \N
    std::string out;
    for (std::uint32_t i = 0; i < text.Length(); ++i) {
        const int c = text.CharAt(static_cast<std::int32_t>(i));
        if (c < 32) out += "\\";
        out += c < 32 ? std::to_string(c) : std::string(1, static_cast<char>(c));
    }
    return out;
}

// Each of 105 keys pressed and released by X key code (Linux code + 8; plain keys 1 to 88 as in set 1):
// KeyState follows, and its twin (the code with bit 7 flipped) stays up.
void RealKeys() {
    std::vector<std::pair<int, int>> keys;  // Linux input code, expected scan code
    for (int code = 1; code <= 88; ++code)
        if (code != 84 && code != 85) keys.emplace_back(code, code);
    const std::pair<int, int> extended[] = {{96, 156},  {97, 157},  {98, 181},  {99, 183},  {100, 184},
                                            {102, 199}, {103, 200}, {104, 201}, {105, 203}, {106, 205},
                                            {107, 207}, {108, 208}, {109, 209}, {110, 210}, {111, 211},
                                            {119, 197}, {125, 219}, {126, 220}, {127, 221}};
    keys.insert(keys.end(), std::begin(extended), std::end(extended));
    for (const auto& [linuxCode, code] : keys) {
        // A one-digit number would name a key symbol to xdotool; X code 9 is Esc.
        const std::string key = linuxCode == 1 ? "Escape" : std::to_string(linuxCode + 8);
        Shell("xdotool keydown " + key);
        const int down = FramesUntil([&] { return KeyState(code) == 1; });
        const double twin = KeyState(code ^ 128);
        Shell("xdotool keyup " + key);
        const int up = FramesUntil([&] { return KeyState(code) == 0; });
        if (down < 0 || up < 0 || twin != 0) std::printf("key %d failed: %d %d %g\n", code, down, up, twin);
    }
    std::printf("keys %zu\n", keys.size());
}

// Characters typed for real, in order.
void RealTyping() {
    // Shift is let go after H: between the two, a held h would type again as the lower-case letter.
    std::string keys = "xdotool keydown shift keydown h sleep 0.15 keyup h keyup shift sleep 0.1";
    for (const std::string key : {"i", "space", "5", "BackSpace", "Return"})
        keys += " keydown " + key + " sleep 0.15 keyup " + key + " sleep 0.1";
    Shell(keys + " &");
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
    const auto at = [&](double wantX, double wantY) {  // reads the mouse state: is it there?
        MouseState(x, y, left, right);
        return x == wantX && y == wantY;
    };
    SystemPointer(1);
    Shell("xdotool mousemove --window " + window + " 50 60");
    std::printf("moved %d\n", FramesUntil([&] { return at(50, 60); }) >= 0);
    // Absolute mode: the motion is the change of the position, sampled once per frame.
    double dx = 0;
    bool same = true;
    Shell("xdotool mousemove --window " + window + " 80 60");
    ShowScreen();  // the sample of the frame before is not counted
    FramesUntil([&] {
        const double first = MouseAxis(0), second = MouseAxis(0);
        same = same && first == second;
        dx += first;
        return at(80, 60);
    });
    std::printf("dx %g same %d\n", dx, same);
    const std::pair<int, int> buttons[] = {{1, 3}, {3, 4}, {2, 5}};
    for (const auto& [button, axis] : buttons) {
        Shell("xdotool mousedown " + std::to_string(button));
        const int down = FramesUntil([&] { return MouseAxis(axis) == 1; });
        at(80, 60);
        const double l = left, r = right;
        Shell("xdotool mouseup " + std::to_string(button));
        const int up = FramesUntil([&] { return MouseAxis(axis) == 0; });
        std::printf("button %d %d %d %g %g\n", button, down >= 0, up >= 0, l, r);
    }
    for (const int wheel : {1, -1}) {
        Shell(wheel > 0 ? "xdotool click 4" : "xdotool click 5");
        std::printf("wheel %d %d\n", wheel, FramesUntil([&] { return MouseAxis(2) == wheel; }) >= 0);
    }

    // Relative mode: the game's position moves by the motion (its clamping is the commands test's).
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
}

void Waits() {
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
    AllowEscape(0);
    RealKeys();
    RealTyping();
    Waits();
    RealMouse();
    std::printf("done\n");
}

}  // namespace

int main(int argc, char** argv) {
    g_title = "input probe " + std::to_string(getpid());
    ProgramMain(argc, argv, g_title.c_str(), MainBody);
}
