// Shared helpers of the 3D tests: fixture files and a scene set up without a window.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"

namespace gfx3d_test {

// Path of a fixture written by make_ddd_fixtures.py.
inline std::string Fixture(const std::string& name) { return std::string(GFX3D_FIXTURE_DIR) + "/" + name; }
inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Makes g_engine.scene for the test and removes it afterwards; the services are reset to none.
struct SceneScope {
    SceneScope() { Reset(), CreateScene3D(); }
    ~SceneScope() { DestroyScene3D(), Reset(); }
    static void Reset() { tarvok::g_gfx3dServices = tarvok::Gfx3dServices{}; }
    Zazuzive3D& scene() { return *g_engine.scene; }
};

}  // namespace gfx3d_test
