// Sound effects: the device record, the slot table, loading wave files into slots and playing copies.
#include <algorithm>

#include "platform/audio.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"
#include "sound/sound.h"
#include "sound/sound_files.h"
#include "storage/storage.h"
#include "sound/sound_levels.h"
#include "sound/wave_file.h"

namespace {

// Bytes read of a wave file at most: the largest data chunk a slot takes, plus room for its headers.
constexpr std::size_t kMaxWaveFileBytes = tarvok::kMaxWaveDataBytes + std::size_t{1} * 1024 * 1024;

// The mixer channel of a copy of a slot.
int mixerChannel(int slot, int copy) { return slot * kMaxSoundCopies + copy; }

// The slot a command's sound number names: min(number, 127); -1 for a negative number or no table.
int slotNumber(double sound) {
    const int n = tarvok::ToInt(sound);
    if (n < 0 || !g_engine.soundSlots) return -1;
    return std::min(n, kMaxSoundNumber);
}

// Stops every copy of the slot and frees its samples; the slot is then empty.
void emptySlot(SoundSlot& slot, int index) {
    for (int copy = 0; copy < slot.bufferCount; ++copy) platform::StopChannel(mixerChannel(index, copy));
    platform::DestroyAudioClip(slot.clip);
    slot.clip = nullptr;
    slot.bufferCount = 0;
}

// Reads and parses the wave file and turns its samples into the slot's clip. False when the file is
// missing or bad; a clip that cannot be made (no memory) also marks the slot unusable.
bool loadWave(SoundSlot& slot, const std::string& path) {
    const auto file = tarvok::ReadFileHead(path, kMaxWaveFileBytes);
    if (!file) return false;
    const auto wave = tarvok::ParseWave(*file);
    if (!wave) return false;
    const platform::PcmFormat format{wave->format.channels, static_cast<int>(wave->format.sampleRate),
                                     wave->format.bitsPerSample};
    slot.clip = platform::CreateAudioClip(format, wave->data);
    if (!slot.clip) {
        slot.device = nullptr;
        return false;
    }
    return true;
}

bool deviceOpen(const SoundDevice* device) { return device && device->open; }

}  // namespace

int InitSoundDevice(SoundDevice* device, platform::Window* window) {
    if (!device) return 0;
    if (!platform::OpenAudio(kSoundSlotCount * kMaxSoundCopies)) return 0;
    device->open = true;
    device->window = window;
    device->caps = platform::AudioSpec();
    return 1;
}

void SetSoundWindow(SoundDevice* device, platform::Window* window) {
    if (deviceOpen(device)) device->window = window;
}

void CreateSoundDevice() { g_engine.sound = new SoundDevice{}; }

void CreateSoundSlots() { g_engine.soundSlots = new SoundSlot[kSoundSlotCount]{}; }

void DestroySoundSlots() {
    if (!g_engine.soundSlots) return;
    for (int i = kSoundSlotCount - 1; i >= 0; --i) emptySlot(g_engine.soundSlots[i], i);
    delete[] g_engine.soundSlots;
    g_engine.soundSlots = nullptr;
}

void ReleaseSoundDevice() {
    if (!g_engine.sound) return;
    StopMusic();  // its decoder must go before the device it plays on
    if (g_engine.sound->open) platform::CloseAudio();
    delete g_engine.sound;
    g_engine.sound = nullptr;
}

void LoadSound(const RtString& file, double sound, double count) {
    std::string path = tarvok::LookupSoundFile(kDataArchive, file);
    if (path.empty()) path = file.CText();  // fails when it is opened, as a missing file
    const int n = slotNumber(sound);
    if (n < 0) return;
    SoundSlot& slot = g_engine.soundSlots[n];
    emptySlot(slot, n);
    slot.lastBuffer = 0;
    slot.device = g_engine.sound;
    const int copies = std::clamp(tarvok::ToInt(count), 1, kMaxSoundCopies);
    if (!deviceOpen(slot.device) || !loadWave(slot, path)) return;
    // The other copies need nothing of their own: they play the same clip on their own channels.
    slot.bufferCount = copies;
}

double PlaySound(double sound, double pan, double volume) {
    const int n = slotNumber(sound);
    if (n < 0) return -1;
    SoundSlot& slot = g_engine.soundSlots[n];
    if (!deviceOpen(slot.device) || slot.bufferCount == 0) return -1;
    const tarvok::SoundLevels levels = tarvok::LevelsFromArguments(pan, volume);

    int copy = slot.lastBuffer;
    if (platform::ChannelPlaying(mixerChannel(n, copy))) {
        if (slot.bufferCount == 1) return -1;  // the one copy keeps playing
        copy = (copy + 1) % slot.bufferCount;
        // Playing a busy copy again starts it over (PlayClip stops it first).
    }
    slot.lastBuffer = copy;
    const tarvok::SideGains gains = tarvok::GainsFromLevels(levels);
    if (!platform::PlayClip(mixerChannel(n, copy), slot.clip, gains.left, gains.right)) return -1;
    return copy + kChannelsPerSound * n;
}

double SoundPlaying(double channel) {
    const std::int64_t c = tarvok::ToInt64(channel);
    if (c < 0 || !g_engine.soundSlots) return 0;
    const std::int64_t n = c / kChannelsPerSound;
    const int copy = static_cast<int>(c % kChannelsPerSound);
    if (n >= kSoundSlotCount) return 0;
    const SoundSlot& slot = g_engine.soundSlots[n];
    if (copy >= slot.bufferCount) return 0;
    return platform::ChannelPlaying(mixerChannel(static_cast<int>(n), copy)) ? 1 : 0;
}

void StopAllSounds() {
    if (!g_engine.soundSlots) return;
    for (int n = 0; n <= kMaxSoundNumber; ++n) {
        const SoundSlot& slot = g_engine.soundSlots[n];
        if (!slot.device) continue;
        for (int copy = 0; copy < slot.bufferCount; ++copy) platform::StopChannel(mixerChannel(n, copy));
    }
}
