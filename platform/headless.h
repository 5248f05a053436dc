// Headless and scripted runs: the TARVOK_* environment switches.
//
//   TARVOK_NONINTERACTIVE=1           no message box is ever shown
//   TARVOK_KEYS=FILE                  scripted keys, lines "FRAME down CODE" / "FRAME up CODE"
//   TARVOK_SHOTS=LIST, TARVOK_SHOTDIR the picture presented at these frames saved as DIR/frame-NNNNNN.png
//   TARVOK_FRAMES=N                   end through the normal exit path after frame N
//   TARVOK_UNPACED=1                  no waiting for the frame slot
//   TARVOK_GL_DISABLE=LIST            extensions treated as absent: fbo vbo glsl multitexture multisample
//
// Frames are counted by ShowScreen: the one InitEngine makes is frame 0. Nothing else in the engine
// reads these variables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ScriptedKey {
    std::int64_t frame = 0;  // the ShowScreen whose input poll applies it
    bool down = false;
    int code = 0;  // set-1 scan code, 0..255
};

struct FrameRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// Parses a key script; false with a message naming the line on a malformed line.
bool ParseKeyScript(std::string_view text, std::vector<ScriptedKey>& keys, std::string& error);
// Parses "2,10,40-45"; false with a message on a malformed list.
bool ParseFrameList(std::string_view text, std::vector<FrameRange>& ranges, std::string& error);

// Reads the switches once. A malformed key script or frame list ends the start with a clear message
// on standard error and exit status 2.
void LoadHeadlessSettings();

bool NonInteractive();
bool Unpaced();
// Whether an extension family ("fbo", "vbo", "glsl", "multitexture", "multisample") is switched off.
bool ExtensionDisabled(std::string_view family);

// Called by ShowScreen at its input poll: counts the frame and applies the scripted keys of it.
void BeginScriptedFrame();
// The frame counted by the last BeginScriptedFrame (-1 before the first).
std::int64_t ScriptedFrame();
// Whether a key script is running (the window then counts as active).
bool KeyScriptActive();
// Just before the swap: saves the back buffer when this frame is in the shot list.
void SaveShotIfDue(int width, int height);
// After the swap: whether the run should end now (TARVOK_FRAMES reached).
bool FrameLimitReached();

}  // namespace platform
