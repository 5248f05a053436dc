// Scene description files: an INI file listing textures and .ddd meshes, read into plain lists.
//
//   [textures]  count=N, then 1=picture ... N=picture
//   [objects]   count=M, then 1=mesh.ddd ... M=mesh.ddd, and 1ta=, 1tb= ... texture numbers from 1
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/ini_store.h"

namespace tarvok {

// Textures and meshes one scene description may list.
constexpr std::int32_t kMaxSceneEntries = 65536;

struct SceneMeshEntry {
    std::string file;            // as written; empty when missing
    std::int32_t textureA = -1;  // index into the texture list, -1 when none is given
    std::int32_t textureB = -1;
};

struct SceneDescription {
    std::vector<std::string> textures;  // picture names as written; empty when missing
    std::vector<SceneMeshEntry> meshes;
};

// The lists a description gives; counts are limited to 0..kMaxSceneEntries.
SceneDescription ReadSceneDescription(const IniStore& ini);

}  // namespace tarvok
