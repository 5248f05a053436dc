#include "tests/gfx3d/fixtures.h"

#include <fstream>
#include <iterator>

#include "gfx3d/gfx3d.h"

namespace gfx3d_test {

std::string Fixture(const std::string& name) { return std::string(GFX3D_FIXTURE_DIR) + "/" + name; }

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

SceneScope::SceneScope() {
    tarvok::g_gfx3dServices = tarvok::Gfx3dServices{};
    CreateScene3D();
}

SceneScope::~SceneScope() {
    DestroyScene3D();
    tarvok::g_gfx3dServices = tarvok::Gfx3dServices{};
}

}  // namespace gfx3d_test
