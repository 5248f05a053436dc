// Headless switches, key scripts and shots.
#include "platform/headless.h"

#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/input_state.h"
#include "platform/system.h"

namespace platform {

namespace {

struct Settings {
    bool nonInteractive = false;
    bool unpaced = false;
    std::vector<std::string> disabled;
    bool keyScript = false;         // TARVOK_KEYS was given (even an empty script)
    std::vector<ScriptedKey> keys;  // sorted by frame
    std::size_t nextKey = 0;
    std::vector<FrameRange> shots;
    std::string shotDir = ".";
    std::int64_t frameLimit = -1;
    std::int64_t frame = -1;
    bool loaded = false;
};

Settings g_settings;

bool ParseInt(std::string_view text, std::int64_t& value) {
    if (text.empty()) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool IsSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v && std::string_view(v) != "0";
}

[[noreturn]] void StopStart(const std::string& message) {
    std::fprintf(stderr, "tarvok: %s\n", message.c_str());
    ExitProcess(2);
}

}  // namespace

bool ParseKeyScript(std::string_view text, std::vector<ScriptedKey>& keys, std::string& error) {
    std::istringstream in{std::string(text)};
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::string frame, action, code, extra;
        fields >> frame >> action >> code >> extra;
        if (frame.empty()) continue;  // blank or comment
        ScriptedKey key;
        std::int64_t c = 0;
        if (!ParseInt(frame, key.frame) || key.frame < 0 || (action != "down" && action != "up") ||
            !ParseInt(code, c) || c < 0 || c > 255 || !extra.empty()) {
            error = "line " + std::to_string(lineNo) + " of the key script is not \"FRAME down|up CODE\": " + line;
            return false;
        }
        key.down = action == "down";
        key.code = static_cast<int>(c);
        keys.push_back(key);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.frame < b.frame; });
    return true;
}

bool ParseFrameList(std::string_view text, std::vector<FrameRange>& ranges, std::string& error) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        std::string_view item = text.substr(pos, comma - pos);
        while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
        FrameRange r;
        const std::size_t dash = item.find('-');
        const bool ok = dash == std::string_view::npos
                            ? ParseInt(item, r.first) && (r.last = r.first, true)
                            : ParseInt(item.substr(0, dash), r.first) && ParseInt(item.substr(dash + 1), r.last);
        if (!ok || r.first < 0 || r.last < r.first) {
            error = "bad frame list item \"" + std::string(item) + "\" (expected e.g. 2,10,40-45)";
            return false;
        }
        ranges.push_back(r);
        pos = comma + 1;
    }
    return true;
}

void LoadHeadlessSettings() {
    if (g_settings.loaded) return;
    g_settings.loaded = true;
    g_settings.nonInteractive = IsSet("TARVOK_NONINTERACTIVE");
    g_settings.unpaced = IsSet("TARVOK_UNPACED");
    std::string error;
    if (const char* list = std::getenv("TARVOK_GL_DISABLE")) {
        std::string item;
        for (std::istringstream in(list); std::getline(in, item, ',');) g_settings.disabled.push_back(item);
    }
    if (const char* file = std::getenv("TARVOK_KEYS"); file && *file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) StopStart(std::string("cannot read the key script ") + file);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        if (!ParseKeyScript(text, g_settings.keys, error)) StopStart(std::string(file) + ": " + error);
        g_settings.keyScript = true;
    }
    if (const char* list = std::getenv("TARVOK_SHOTS"); list && *list) {
        if (!ParseFrameList(list, g_settings.shots, error)) StopStart("TARVOK_SHOTS: " + error);
    }
    if (const char* dir = std::getenv("TARVOK_SHOTDIR"); dir && *dir) g_settings.shotDir = dir;
    // The engine makes the program's folder current at start: a relative folder means the caller's.
    if (g_settings.shotDir.front() != '/') g_settings.shotDir = CurrentDirectory() + "/" + g_settings.shotDir;
    if (const char* n = std::getenv("TARVOK_FRAMES"); n && *n) {
        if (!ParseInt(n, g_settings.frameLimit) || g_settings.frameLimit < 0)
            StopStart(std::string("TARVOK_FRAMES is not a frame number: ") + n);
    }
}

bool NonInteractive() { return g_settings.nonInteractive; }
bool Unpaced() { return g_settings.unpaced; }

bool ExtensionDisabled(std::string_view family) {
    return std::find(g_settings.disabled.begin(), g_settings.disabled.end(), family) != g_settings.disabled.end();
}

void BeginScriptedFrame() {
    ++g_settings.frame;
    auto& keys = g_settings.keys;
    auto& held = Devices().scriptKeys;
    // Events of earlier frames that were never polled (a long wait inside a command) apply now too.
    while (g_settings.nextKey < keys.size() && keys[g_settings.nextKey].frame <= g_settings.frame) {
        const ScriptedKey& k = keys[g_settings.nextKey++];
        held[static_cast<std::size_t>(k.code)] = k.down ? 1 : 0;
    }
}

std::int64_t ScriptedFrame() { return g_settings.frame; }

bool KeyScriptActive() { return g_settings.keyScript; }

void SaveShotIfDue(int width, int height) {
    const std::int64_t f = g_settings.frame;
    const bool due = std::any_of(g_settings.shots.begin(), g_settings.shots.end(),
                                 [f](const FrameRange& r) { return f >= r.first && f <= r.last; });
    if (!due || width <= 0 || height <= 0) return;

    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // reads the back buffer, the default of a double-buffered window
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;  // the screen has no transparency

    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(f));
    const std::string path = g_settings.shotDir + name;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    // GL rows run bottom-up: a negative stride writes them top-down.
    const png_int_32 stride = -static_cast<png_int_32>(width * 4);
    if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), stride, nullptr))
        std::fprintf(stderr, "tarvok: cannot save the shot %s: %s\n", path.c_str(), image.message);
}

bool FrameLimitReached() { return g_settings.frameLimit >= 0 && g_settings.frame >= g_settings.frameLimit; }

}  // namespace platform
