// A PNG decoder independent of libpng: a short Python program over zlib, for checking written files.
#pragma once

#include <string>

#include "tests/gfx2d/fixtures.h"

namespace fixtures {

// Decodes an 8-bit RGBA, non-interlaced PNG (chunk CRCs checked, every row filter undone). Width and
// height 0 when Python rejects the file.
Reference DecodePngWithPython(const std::string& path);

}  // namespace fixtures
