// BMP reader: any bytes decode to a whole picture or fail.
#include "fuzz/fuzz.h"
#include "gfx2d/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvok::ImageBuffer image;
    if (tarvok::ReadBmp({data, size}, image, 0x8000FF, kMaxFuzzPixels))
        Require(image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 4);
    return 0;
}
