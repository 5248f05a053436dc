// Scene description lists.
#include "gfx3d/scene_description.h"

#include <algorithm>

#include "runtime/number_args.h"
#include "runtime/runtime.h"

namespace tarvok {
namespace {

// The value of a key; empty when the key is missing.
std::string Value(const IniStore& ini, const char* section, const std::string& key) {
    const std::string value = ini.Get(section, key.c_str()).CText();
    return value == "NO_DATA" ? std::string() : value;
}

std::int32_t Count(const IniStore& ini, const char* section) {
    return std::clamp(ToInt(TextToNumber(ini.Get(section, "count"))), 0, kMaxSceneEntries);
}

// A mesh's texture index from its "ta" or "tb" key: counted from 1 in the file, none when missing.
std::int32_t SceneTexture(const IniStore& ini, const std::string& key) {
    const std::string value = Value(ini, "objects", key);
    if (value.empty()) return -1;
    const std::int32_t n = ToInt(TextToNumber(value.c_str()));
    return n > 0 ? n - 1 : n;
}

}  // namespace

SceneDescription ReadSceneDescription(const IniStore& ini) {
    SceneDescription scene;
    const std::int32_t textureCount = Count(ini, "textures");
    for (std::int32_t i = 1; i <= textureCount; ++i)
        scene.textures.push_back(Value(ini, "textures", std::to_string(i)));
    const std::int32_t meshCount = Count(ini, "objects");
    for (std::int32_t i = 1; i <= meshCount; ++i) {
        const std::string n = std::to_string(i);
        scene.meshes.push_back(
            {Value(ini, "objects", n), SceneTexture(ini, n + "ta"), SceneTexture(ini, n + "tb")});
    }
    return scene;
}

}  // namespace tarvok
