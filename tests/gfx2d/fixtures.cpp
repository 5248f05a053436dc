#include "tests/gfx2d/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fixtures {

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/" + name;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Reference DecodeWithImageMagick(const std::string& path, bool highByte) {
    Reference ref;
    const std::string raw = path + ".rgba";
    const std::string size = path + ".size";
    const std::string depth = highByte ? "-depth 16 -endian MSB" : "-depth 8";
    if (!Run("convert '" + path + "' " + depth + " rgba:'" + raw + "' && identify -format '%w %h' '" + path +
             "' > '" + size + "'")) {
        return ref;
    }
    if (FILE* f = std::fopen(size.c_str(), "r")) {
        if (std::fscanf(f, "%d %d", &ref.width, &ref.height) != 2) ref.width = ref.height = 0;
        std::fclose(f);
    }
    ref.rgba = ReadFile(raw);
    if (highByte) {
        for (std::size_t i = 0; i < ref.rgba.size() / 2; ++i) ref.rgba[i] = ref.rgba[2 * i];
        ref.rgba.resize(ref.rgba.size() / 2);
    }
    return ref;
}

std::string MakeSourcePicture(const std::string& name, int w, int h) {
    const std::string path = TempPath(name);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    Run("convert -size " + size + " gradient:'#ff2000'-'#0030ff' -swirl 120 -fill '#ff0080' -draw 'rectangle 1,1 3,2'"
        " -fill white -draw 'point 0,0' '" + path + "'");
    return path;
}

}  // namespace fixtures
