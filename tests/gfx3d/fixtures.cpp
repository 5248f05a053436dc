#include "tests/gfx3d/fixtures.h"

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

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

tarvok::IniLookup ParseIni(const std::string& path) {
    auto values = std::make_shared<std::map<std::pair<std::string, std::string>, std::string>>();
    std::istringstream in(ReadText(path));
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) values->emplace(std::pair{section, line.substr(0, eq)}, line.substr(eq + 1));
    }
    return [values](const std::string& section, const std::string& key) {
        const auto found = values->find({section, key});
        return found == values->end() ? std::string("NO_DATA") : found->second;
    };
}

}  // namespace gfx3d_test
