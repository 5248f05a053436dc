// Start-up, the frame flip and shutdown.
#include "engine/engine.h"
#include "engine/graphics_joins.h"

#include <GL/gl.h>

#include <cstdio>
#include <string>

#include "gfx2d/gfx2d.h"
#include "gfx3d/gfx3d.h"
#include "host/command_line.h"
#include "host/host.h"
#include "input/input.h"
#include "net/net.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/input_state.h"
#include "platform/system.h"
#include "runtime/number_args.h"
#include "runtime/runtime.h"
#include "sound/sound.h"
#include "storage/storage.h"

namespace {

constexpr int kEscape = 1, kEscapeExtended = 129, kLeftAlt = 56, kF4 = 62;
constexpr int kIdlePasses = 15;
constexpr int kIdleSleepMs = 5;

OpenGLZazuzive& Display() { return *g_engine.display; }

// The program file's directory: without the trailing separator for start-up, with it for the end.
std::string ProgramDirectory(bool keepSeparator) {
    const std::string path = platform::ProgramPath();
    const std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return keepSeparator ? std::string() : path;
    return path.substr(0, keepSeparator ? cut + 1 : cut);
}

[[noreturn]] void EndByKey() {
    g_engine.errorCode = 0;
    g_engine.endLine = g_engine.currentLine;
    TerminateProgram();
}

bool EscapeDown() { return platform::KeyDown(kEscape) || platform::KeyDown(kEscapeExtended); }

}  // namespace

void ProgramMain(int argc, char** argv, const char* title, void (*mainBody)()) {
    g_engine.commandLine = tarvok::JoinCommandLine(argc, argv).c_str();
    g_engine.screenWidth = 640;
    g_engine.screenHeight = 480;
    g_engine.fullScreen = 0;
    g_engine.multisample = 0;
    g_engine.frameRate = 60;
    g_engine.debugMode = 0;
    g_engine.mouseHidden = 1;
    InitEngine(g_engine.commandLine, 1, title);
    g_engine.errorCode = 0;
    g_engine.endLine = 0;
    g_engine.currentLine = 0;
    mainBody();
    EndProgram();  // a main body that returns ends normally
}

void InitEngine(const RtString& commandLine, int showCode, const char* title) {
    (void)commandLine;  // already stored in EngineGlobals by ProgramMain
    g_engine.engineStarted = 1;
    SetShutdownHandler(ShutdownEngine);

    // The old log goes before the display is made, so the display's warnings of this run are kept.
    platform::RemoveFile(ErrorLogPath().CText());
    g_engine.display = new OpenGLZazuzive();
    if (!CreateDisplay(Display(), g_engine.screenWidth, g_engine.screenHeight, 0, g_engine.frameRate,
                       g_engine.multisample)) {
        std::fprintf(stderr, "tarvok: cannot open the display; see %s\n", ErrorLogPath().CText());
        delete g_engine.display;
        g_engine.display = nullptr;
        platform::ExitProcess(1);
    }
    AttachTextureStore();
    g_displayHooks.beforeSwap = KeepShownPicture;
    g_gfx2dHooks.showScreen = ShowScreen;  // the cross-fade presents its frames through the frame flip
    g_engine.mainWindow = Display().window;
    platform::SetWindowTitle(g_engine.mainWindow, title);
    g_engine.title = title;

    CreateSoundDevice();
    CreateSoundSlots();
    InitNetwork();
    CreateScene3D();
    JoinGraphics();
    SeedRandomGenerator(tarvok::ToLowBits32(FrameClock()));

    if (g_engine.fullScreen) EnterFullScreen(Display());
    else PlaceWindow(Display());

    g_inputHooks.musicLoopCheck = MusicLoopCheck;
    g_inputHooks.idleStep = IdleStep;
    StartInput(g_engine.mainWindow, g_engine.mouseHidden != 0);
    InitSoundDevice(g_engine.sound, g_engine.mainWindow);
    SetSoundWindow(g_engine.sound, g_engine.mainWindow);
    SetFont(0);

    const std::string directory = ProgramDirectory(false);
    const std::string program = platform::ProgramPath();
    SetArchives(program.c_str(), program.c_str());  // finds an archive appended to the program file
    if (!directory.empty()) platform::ChangeDirectory(directory);

    BlackScreen();
    g_engine.currentFrameTime = g_engine.previousFrameTime = g_engine.startTime = FrameClock();
    SwapAndWait(Display());
    Reset2DState(Display(), 0, 0, 0, 0);
    PrintLoadingText();
    ShowScreen();
    g_engine.paused = 0;
    g_engine.currentFrameTime = g_engine.previousFrameTime = g_engine.startTime = FrameClock();
    if (showCode == 0) {
        HideDisplay(Display());
        platform::HideWindow(g_engine.mainWindow);
    }
    SystemPointer(g_engine.mouseHidden != 0 ? 0 : 1);
    std::printf("Init OK\n");
    std::fflush(stdout);
}

void ShutdownEngine() {
    FlushStorageFiles();  // changed INI and slot files are saved while their relative names still resolve
    const std::string directory = ProgramDirectory(true);
    if (!directory.empty()) platform::ChangeDirectory(directory);
    StopMusic();
    DestroyScene3D();  // while the GL context still exists
    delete g_engine.display;  // deletes the textures and destroys the window, once
    g_engine.display = nullptr;
    ReleaseTextureStore();
    StopInput();
    DestroySoundSlots();
    ReleaseSoundDevice();
    ShutdownNetwork();
    ReleaseArchives();
    ReleaseBoundModules();
    g_engine.mainWindow = nullptr;
}

void ShowScreen() {
    OpenGLZazuzive& display = Display();
    if (g_engine.debugMode != 0) {
        platform::ShowWindow(display.window);
        platform::RaiseWindow(display.window);
    }
    g_engine.previousFrameTime = g_engine.currentFrameTime;
    g_engine.currentFrameTime = FrameClock();
    while (g_engine.paused) {
        MusicLoopCheck();
        PumpMessages(display);
        platform::SleepMilliseconds(100);
    }
    platform::BeginScriptedFrame();
    PollInputFrame();
    if (g_engine.escapeEnds && EscapeDown()) EndByKey();
    if (platform::KeyDown(kLeftAlt) && platform::KeyDown(kF4)) EndByKey();
    Leave3DMode();
    MusicLoopCheck();
    PumpMessages(display);
    SwapAndWait(display);
    if (platform::FrameLimitReached()) EndProgram();

    glDisable(GL_BLEND);
    display.globalAlpha = 1.0f;
    glColor4f(1, 1, 1, 1);
    // The game may have left any projection behind: the background is drawn in the full-window 2D state,
    // and the next frame starts from that state again with the background's texture unbound.
    Reset2DState(display, 0, 0, 0, 0);
    if (DrawBackground()) Reset2DState(display, 0, 0, 0, 0);
    // Mip textures off and no shader program in use.
}

void SetScreen(double width, double height, double fullScreen) {
    g_engine.screenWidth = tarvok::ToInt(width);
    g_engine.screenHeight = tarvok::ToInt(height);
    g_engine.fullScreen = tarvok::ToInt(fullScreen);
    ChangeDisplayMode(Display(), g_engine.screenWidth, g_engine.screenHeight, 0, g_engine.fullScreen != 0);
    ReapplyMouseMode();  // the window itself never changes
    for (int i = 0; i < 5; ++i) ShowScreen();
}

void IdleStep() {
    // A waiting command under a key script counts each idle step as a frame, so the script goes on.
    if (platform::KeyScriptActive()) {
        platform::BeginScriptedFrame();
        if (platform::FrameLimitReached()) EndProgram();
    }
    double x0, y0, left0, right0;
    MouseState(x0, y0, left0, right0);
    for (int pass = 0; pass < kIdlePasses; ++pass) {
        MusicLoopCheck();
        PumpMessages(Display());
        PollInputFrame();
        if (g_engine.escapeEnds && EscapeDown()) TerminateProgram();
        // The poll above brought the key states up to the moment; reading them needs no poll per key.
        for (int code = 0; code < 255; ++code)
            if (platform::KeyDown(code)) return;
        double x, y, left, right;
        MouseState(x, y, left, right);
        if (x != x0 || y != y0 || left != left0 || right != right0) return;
        if (AnyJoystickActive()) return;
        platform::SleepMilliseconds(kIdleSleepMs);
    }
}

void DebugBreakpoint(int number) {
    if (!platform::DebuggerAttached()) return;
    char text[16];
    std::snprintf(text, sizeof text, "BP%x", static_cast<unsigned>(number));
    platform::HideWindow(g_engine.mainWindow);
    platform::DebuggerOutput(text);
    g_engine.paused = 0;
    PollInputFrame();
}
