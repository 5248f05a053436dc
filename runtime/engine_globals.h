// EngineGlobals: the one process-wide record of settings, frame time stamps, the end record's fields,
// music state and the owning pointers to the engine objects. The game program sets the settings before
// InitEngine; commands read and write the record directly.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

// The engine objects, each defined by the subsystem that owns it.
class OpenGLZazuzive;
class InputSystem;
struct SoundDevice;
struct SoundSlot;
struct NetworkState;
class Zazuzive3D;
struct ArchiveSlot;
namespace platform { struct Window; }

struct EngineGlobals {
    // Settings (defaults set by ProgramMain).
    std::int32_t screenWidth = 640;    // requested client width in pixels
    std::int32_t screenHeight = 480;   // requested client height in pixels
    std::int32_t fullScreen = 0;       // non-zero: full-screen mode
    std::int32_t multisample = 0;      // samples per pixel asked of the pixel format (0 = none)
    std::int32_t frameRate = 60;       // frames per second for frame pacing
    std::int32_t debugMode = 0;        // non-zero: end record, window kept in front, no pause
    std::int32_t mouseHidden = 1;      // non-zero: mouse taken exclusively, pointer hidden
    RtString commandLine;              // what the game program reads as its command line
    RtString title;                    // window title given by the game program

    platform::Window* mainWindow = nullptr;  // the one top-level window
    std::uint8_t engineStarted = 0;          // set on entry to InitEngine; gates the pause
    std::uint8_t paused = 0;                 // set while the window is inactive
    std::uint8_t escapeEnds = 1;             // Esc ends the program (AllowEscape)

    // Frame clock milliseconds.
    double currentFrameTime = 0;
    double previousFrameTime = 0;
    double startTime = 0;

    // The end record.
    double errorCode = 0;
    double endLine = 0;
    double sourceFile = 0;
    double currentLine = 0;

    // Music (milliseconds since startTime; 0 while no music plays).
    double musicEndTime = 0;
    double musicVolume = -1;  // last window volume set; -1 = unknown

    // Engine objects: created by InitEngine, released only by ShutdownEngine.
    OpenGLZazuzive* display = nullptr;
    InputSystem* input = nullptr;
    SoundDevice* sound = nullptr;
    SoundSlot* soundSlots = nullptr;  // 2048 records
    NetworkState* network = nullptr;
    Zazuzive3D* scene = nullptr;
    ArchiveSlot* archives[2] = {nullptr, nullptr};
};

extern EngineGlobals g_engine;
