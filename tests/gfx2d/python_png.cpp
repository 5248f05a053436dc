#include "tests/gfx2d/python_png.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace fixtures {
namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A PNG decoder in Python using only zlib: checks signature and chunk CRCs, requires 8-bit RGBA without
// interlacing, undoes every row filter and writes width, height and the RGBA rows.
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

}  // namespace

Reference DecodePngWithPython(const std::string& path) {
    const std::string script = TempPath("png_reader.py");
    std::ofstream(script) << kPythonPngReader;
    Reference ref;
    const std::string raw = path + ".py.rgba";
    if (!Run("python3 '" + script + "' '" + path + "' '" + raw + "'")) return ref;
    std::vector<std::uint8_t> bytes = ReadFile(raw);
    if (bytes.size() < 8) return ref;
    ref.width = static_cast<int>(Le32(bytes, 0));
    ref.height = static_cast<int>(Le32(bytes, 4));
    ref.rgba.assign(bytes.begin() + 8, bytes.end());
    return ref;
}

}  // namespace fixtures
