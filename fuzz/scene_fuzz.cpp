// Scene description files: the INI reader, then the texture and mesh lists.
#include "fuzz/fuzz.h"
#include "gfx3d/scene_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvok::MemoryLineSource lines({reinterpret_cast<const char*>(data), size});
    IniStore ini;
    ini.Read(lines);
    const tarvok::SceneDescription scene = tarvok::ReadSceneDescription(ini);
    Require(scene.textures.size() <= tarvok::kMaxSceneEntries &&
            scene.meshes.size() <= tarvok::kMaxSceneEntries);
    return 0;
}
