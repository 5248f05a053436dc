#include "tests/gfx2d/fixtures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <zlib.h>

namespace fixtures {

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/" + name;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

Reference DecodeWithImageMagick(const std::string& path, bool highByte) {
    Reference ref;
    const std::string raw = path + ".rgba", size = path + ".size";
    const std::string depth = highByte ? "-depth 16 -endian MSB" : "-depth 8";
    if (!Run("convert '" + path + "' " + depth + " rgba:'" + raw + "' && identify -format '%w %h' '" + path +
             "' > '" + size + "'")) {
        return ref;
    }
    std::ifstream(size) >> ref.width >> ref.height;
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
    Run("convert -size " + size + " gradient:'#ff2000'-'#0030ff' -swirl 120 -fill '#ff0080'"
        " -draw 'rectangle 1,1 3,2' -fill white -draw 'point 0,0' '" + path + "'");
    return path;
}

std::string Convert(const std::string& source, const std::string& options, const std::string& name) {
    const std::string path = TempPath(name);
    return Run("convert '" + source + "' " + options + "'" + path + "'") ? path : "";
}

namespace {

// Checks signature and chunk CRCs, requires 8-bit RGBA without interlacing, undoes every row filter.
constexpr const char* kPythonPngReader = R"PY(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n'
pos, idat, ihdr = 8, b'', None
while pos < len(data):
    n, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    assert struct.unpack('>I', data[pos + 8 + n:pos + 12 + n])[0] == zlib.crc32(kind + body)
    if kind == b'IHDR': ihdr = struct.unpack('>IIBBBBB', body)
    if kind == b'IDAT': idat += body
    pos += 12 + n
w, h, depth, ctype, comp, filt, inter = ihdr
assert (depth, ctype, inter) == (8, 6, 0)
raw, stride, out, prev = zlib.decompress(idat), w * 4, bytearray(), bytearray(w * 4)
for y in range(h):
    f, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = row[i - 4] if i >= 4 else 0
        b = prev[i]
        c = prev[i - 4] if i >= 4 else 0
        if f == 1: row[i] = (row[i] + a) & 255
        elif f == 2: row[i] = (row[i] + b) & 255
        elif f == 3: row[i] = (row[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        else: assert f == 0
    out += row
    prev = row
open(sys.argv[2], 'wb').write(struct.pack('<II', w, h) + bytes(out))
)PY";

// Appends v in the given number of bytes, lowest first, or highest first for big.
void Put(Bytes& b, std::uint32_t v, int n, bool big = false) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> 8 * (big ? n - 1 - i : i)));
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Put(png, static_cast<std::uint32_t>(data.size()), 4, true);
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    Put(png, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))), 4, true);
}

}  // namespace

Reference DecodePngWithPython(const std::string& path) {
    const std::string script = TempPath("png_reader.py"), raw = path + ".py.rgba";
    std::ofstream(script) << kPythonPngReader;
    Reference ref;
    if (!Run("python3 '" + script + "' '" + path + "' '" + raw + "'")) return ref;
    const Bytes bytes = ReadFile(raw);
    if (bytes.size() < 8) return ref;
    ref.width = bytes[0] | bytes[1] << 8 | bytes[2] << 16;
    ref.height = bytes[4] | bytes[5] << 8 | bytes[6] << 16;
    ref.rgba.assign(bytes.begin() + 8, bytes.end());
    return ref;
}

Bytes PngBytes(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t type, const Bytes& raw,
               const Bytes& palette, const Bytes& trns) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ihdr;
    Put(ihdr, w, 4, true);
    Put(ihdr, h, 4, true);
    ihdr.insert(ihdr.end(), {depth, type, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    if (!palette.empty()) Chunk(png, "PLTE", palette);
    if (!trns.empty()) Chunk(png, "tRNS", trns);
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(size);
    compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    packed.resize(size);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

Bytes BmpBytes(std::int32_t w, std::int32_t h, std::uint16_t bits, const Bytes& palette, const Bytes& rows) {
    Bytes b = {'B', 'M'};
    const auto offset = static_cast<std::uint32_t>(54 + palette.size());
    for (const std::uint32_t v : {offset + static_cast<std::uint32_t>(rows.size()), 0u, offset, 40u,
                                  static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)}) {
        Put(b, v, 4);
    }
    Put(b, 1, 2);
    Put(b, bits, 2);
    b.resize(54, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

}  // namespace fixtures
