// Shared helpers of the 3D tests: fixture files and a scene set up without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx3d/scene.h"

namespace gfx3d_test {

// Path of a fixture written by make_ddd_fixtures.py.
std::string Fixture(const std::string& name);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);

// Makes g_engine.scene for the test and removes it afterwards; the services are reset to none.
class SceneScope {
public:
    SceneScope();
    ~SceneScope();
    Zazuzive3D& scene() { return *g_engine.scene; }
};

}  // namespace gfx3d_test
