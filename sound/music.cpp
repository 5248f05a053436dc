// Music: one file at a time, restarted by the frame loop whenever its length has passed.
#include <algorithm>
#include <string>

#include "platform/audio.h"
#include "platform/clock.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"
#include "sound/sound.h"
#include "sound/sound_files.h"
#include "storage/storage.h"

namespace {

// Music is restarted at most this often, whatever length the decoder reports.
constexpr double kMinMusicLengthMs = 500;
constexpr double kFullMusicVolume = 1000;

struct MusicState {
    platform::Music* music = nullptr;  // the music playing; null when none
    RtString fileName;                 // the file asked for last, kept for the life of the process
};

MusicState& music() {
    static MusicState s;
    return s;
}

// Milliseconds since the end of InitEngine, on the frame clock.
double elapsedMs() { return platform::ClockMs() - g_engine.startTime; }

// The music's length for the loop, at least kMinMusicLengthMs; 0 when the decoder cannot tell it.
double loopLengthMs(platform::Music* m) {
    const double length = platform::MusicLengthMs(m);
    return length > 0 ? std::max(length, kMinMusicLengthMs) : 0;
}

// Starts the music over and sets the time of its next restart.
void restartMusic(platform::Music* m) {
    const double length = loopLengthMs(m);
    g_engine.musicEndTime = elapsedMs() + (length > 0 ? length : kMinMusicLengthMs);
    platform::PlayMusicFromStart(m);
}

}  // namespace

void PlayMusic(const RtString& file) {
    StopMusic();
    MusicState& s = music();
    s.fileName = file;
    const std::string path = tarvok::LookupSoundFile(kMediaArchive, s.fileName);
    if (path.empty()) return;
    s.music = platform::OpenMusic(path);
    if (!s.music) return;
    restartMusic(s.music);
    SetMusicVolume(1.0);
    g_engine.paused = 0;
}

void StopMusic() {
    MusicState& s = music();
    g_engine.musicVolume = -1;
    g_engine.musicEndTime = 0;
    platform::CloseMusic(s.music);
    s.music = nullptr;
}

void SetMusicVolume(double volume) {
    if (volume == g_engine.musicVolume) return;
    g_engine.musicVolume = volume;
    if (music().music) platform::SetMusicVolume(tarvok::ToInt(volume * kFullMusicVolume));
}

void MusicLoopCheck() {
    platform::Music* m = music().music;
    if (!m || !(g_engine.musicEndTime > 0) || elapsedMs() < g_engine.musicEndTime) return;
    // Without a length the restart waits for the decoder to report the end.
    if (loopLengthMs(m) == 0 && platform::MusicPlaying()) return;
    restartMusic(m);
}
