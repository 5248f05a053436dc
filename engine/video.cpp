// Video playback: pictures decoded by VideoDecoder drawn into the game window at their times, the sound
// streamed to a mixer channel of its own, until the video ends or a key or mouse button is pressed.
#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/media.h"
#include "engine/video_decoder.h"
#include "engine/video_screen.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "platform/audio.h"
#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "runtime/number_args.h"
#include "sound/sound.h"
#include "storage/storage.h"

namespace tarvok {
namespace {

constexpr double kNotOpened = 3;
// While waiting for a picture's time, input is looked at this often (ms).
constexpr int kPollMs = 5;
// A picture shown this much later than its time moves the clock on, so that a slow machine plays the
// video slower instead of rushing through the pictures it fell behind on.
constexpr double kMaxLateMs = 250;

OpenGLZazuzive& Display() { return *g_engine.display; }

// Whether any key is down now.
bool AnyKeyDown(InputSystem& input) {
    PollKeyboard(input);
    return std::any_of(input.keyState.begin(), input.keyState.end(), [](std::uint8_t k) { return k & 0x80; });
}

// Whether any key or mouse button is down now.
bool AnyInputDown() {
    return g_engine.input && (AnyKeyDown(*g_engine.input) || AnyMouseButton(*g_engine.input));
}

// One pass of a wait: the window is kept alive and the music looping. Under a key script each pass is
// a frame, so the script goes on while a held key is waited for.
void WaitPass() {
    MusicLoopCheck();
    PumpMessages(Display());
    if (platform::KeyScriptActive()) {
        platform::BeginScriptedFrame();
        if (platform::FrameLimitReached()) EndProgram();
    }
    platform::SleepMilliseconds(kPollMs);
}

// A key held when playback is asked for must not stop it: wait for all keys, then all buttons, to be up.
void WaitForRelease() {
    if (!g_engine.input) return;
    while (AnyKeyDown(*g_engine.input)) WaitPass();
    while (AnyMouseButton(*g_engine.input)) WaitPass();
}

// Waits until the frame clock reaches due; false as soon as a key or button is down.
bool WaitUntil(double due) {
    for (;;) {
        if (AnyInputDown()) return false;
        MusicLoopCheck();
        PumpMessages(Display());
        const double left = due - FrameClock();
        if (left <= 0) return true;
        platform::SleepMilliseconds(std::clamp(ToInt(left), 1, kPollMs));
    }
}

// Plays the opened video until it ends (for good when not repeating) or a key or button is pressed.
void Play(VideoDecoder& decoder, const VideoPlacement& place, bool repeat) {
    std::vector<std::uint8_t> pixels;
    std::vector<std::int16_t> sound;
    double at = 0;
    if (!decoder.NextPicture(pixels, at, sound)) return;  // a video without pictures closes at once

    if (g_displayHooks.finishSurface) g_displayHooks.finishSurface();
    VideoScreen screen(place);
    platform::StartAudioStream();
    double start = FrameClock();
    for (;;) {
        platform::QueueAudioStream(sound);
        sound.clear();
        if (!WaitUntil(start + at)) break;
        const double late = FrameClock() - (start + at);
        if (late > kMaxLateMs) start += late;
        screen.Present(pixels);
        if (decoder.NextPicture(pixels, at, sound)) continue;

        // The end: the last picture keeps its time, then the video starts again or playback ends.
        platform::QueueAudioStream(sound);
        sound.clear();
        if (!WaitUntil(start + decoder.EndMs())) break;
        if (!repeat || !decoder.Rewind() || !decoder.NextPicture(pixels, at, sound)) break;
        start = FrameClock();
    }
    platform::StopAudioStream();
}

}  // namespace

VideoPlacement FitVideo(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t clientWidth,
                        std::int32_t clientHeight) {
    VideoPlacement place;
    if (sourceWidth < 1 || sourceHeight < 1 || clientWidth < 1 || clientHeight < 1) return place;
    const double scale = std::min(static_cast<double>(clientWidth) / sourceWidth,
                                  static_cast<double>(clientHeight) / sourceHeight);
    place.width = std::clamp(ToInt(sourceWidth * scale), 1, clientWidth);
    place.height = std::clamp(ToInt(sourceHeight * scale), 1, clientHeight);
    place.x = (clientWidth - place.width) / 2;
    place.y = (clientHeight - place.height) / 2;
    return place;
}

}  // namespace tarvok

using namespace tarvok;

double ShowVideo(const RtString& file, double repeat) {
    if (!g_engine.display) return kNotOpened;
    std::string path;
    if (ArchiveLookup(kMediaArchive, file.CText(), path) == 0) return kNotOpened;
    const platform::AudioDeviceSpec sound = platform::AudioSpec();
    VideoDecoder decoder;
    if (!decoder.Open(path, sound.sampleRate, sound.channels)) return kNotOpened;
    OpenGLZazuzive& display = Display();
    const VideoPlacement place =
        FitVideo(decoder.Width(), decoder.Height(), display.clientWidth, display.clientHeight);
    if (!decoder.SetOutputSize(place.width, place.height)) return kNotOpened;

    WaitForRelease();
    Play(decoder, place, ToBool(repeat));

    // The game's next frame starts as after a flip: cleared, 2D state, the background drawn.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    display.globalAlpha = 1.0f;
    glColor4f(1, 1, 1, 1);
    Reset2DState(display, 0, 0, 0, 0);
    if (DrawBackground()) Reset2DState(display, 0, 0, 0, 0);
    return 0;
}

void PlayVideo(const RtString& file) { ShowVideo(file, 0); }

void PlayVideoLoop(const RtString& file) { ShowVideo(file, 1); }
