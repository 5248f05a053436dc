// Built-in font and glyph grid.
#include "gfx2d/font_layout.h"

#include <array>

namespace tarvok {
namespace {

// Glyphs of characters 32..127: 5 x 6 pixels, bit (y - 1) x 5 + (x - 1) lights pixel (x, y) of the cell.
constexpr std::array<std::uint32_t, 96> kGlyphs = {
    0x00000000, 0x08021080, 0x00002940, 0x15F57D40, 0x08E619C4, 0x14222140, 0x0ED114E0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00E5294E, 0x004210C4, 0x00E1390E, 0x00E4390E, 0x0084394A, 0x00E4384E, 0x00E5384E, 0x0042210E,
    0x00E5394E, 0x00E4394E, 0x00020080, 0x00220080, 0x00820888, 0x000701C0, 0x00222082, 0x0040310E,
    0x00E0B526, 0x00A5394E, 0x00E5194E, 0x00E5094E, 0x00E52946, 0x00E1384E, 0x0021384E, 0x00E5284E,
    0x00A5394A, 0x00E2108E, 0x00E5210C, 0x00A5194A, 0x00E10842, 0x015AD6BF, 0x00A5294E, 0x00E5294E,
    0x0021394E, 0x00F294A7, 0x00A5194E, 0x00E4384E, 0x0042108E, 0x00E5294A, 0x0045294A, 0x01FAD6B5,
    0x00A5114A, 0x0042394A, 0x00E1110E, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00E00000,
    0x00000082, 0x00E53000, 0x00E53842, 0x00E13800, 0x00E53908, 0x08273800, 0x00423888, 0x08873800,
    0x00A51842, 0x00421004, 0x04421004, 0x00A32842, 0x00421084, 0x015ABC00, 0x00A51800, 0x00E53800,
    0x04E51800, 0x10E53000, 0x00253800, 0x00E409C0, 0x00C23884, 0x00C52800, 0x00452800, 0x00EAD400,
    0x00A22800, 0x1C872800, 0x00E121C0, 0x00821888, 0x00421084, 0x00223082, 0x0002A800, 0x3F18C63F,
};

constexpr std::int32_t kCell = 8;

bool Lit(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= kBuiltinFontWidth || y >= kBuiltinFontHeight) return false;
    const std::int32_t character = (y / kCell) * 16 + x / kCell;
    const std::int32_t gx = x % kCell;
    const std::int32_t gy = y % kCell;
    if (character < 32 || gx < 1 || gx > 5 || gy < 1 || gy > 6) return false;
    return (kGlyphs[static_cast<std::size_t>(character - 32)] >> ((gy - 1) * 5 + (gx - 1))) & 1;
}

}  // namespace

void BuildBuiltinFont(ImageBuffer& image) {
    image.Resize(kBuiltinFontWidth, kBuiltinFontHeight);
    for (std::int32_t y = 0; y < kBuiltinFontHeight; ++y) {
        std::uint8_t* p = image.Row(y);
        for (std::int32_t x = 0; x < kBuiltinFontWidth; ++x, p += 4) {
            const bool outline = Lit(x - 1, y) || Lit(x + 1, y) || Lit(x, y - 1) || Lit(x, y + 1);
            if (Lit(x, y)) {
                p[0] = p[1] = p[2] = p[3] = 255;
            } else if (outline) {
                p[0] = p[1] = p[2] = 8;
                p[3] = 255;
            } else {
                p[0] = p[1] = p[2] = p[3] = 0;
            }
        }
    }
}

FontGrid FontGridOf(std::int32_t width, std::int32_t height, std::int32_t textureWidth,
                    std::int32_t textureHeight) {
    FontGrid grid;
    grid.rows = width >= height ? 8 : 16;
    grid.cellWidth = width / 16;
    grid.cellHeight = height / grid.rows;
    if (textureWidth > 0 && textureHeight > 0) {
        grid.sStep = static_cast<float>(width) / static_cast<float>(textureWidth) / 16.0f;
        grid.tStep = static_cast<float>(height) / static_cast<float>(textureHeight) / static_cast<float>(grid.rows);
    }
    return grid;
}

void LayOutText(const FontGrid& grid, std::string_view text, float x, float y, float z,
                std::vector<TextVertex>& vertices) {
    vertices.clear();
    const auto cw = static_cast<float>(grid.cellWidth);
    const auto ch = static_cast<float>(grid.cellHeight);
    for (const char byte : text) {
        const std::int32_t cell = static_cast<std::uint8_t>(byte) % (16 * grid.rows);
        const float s0 = static_cast<float>(cell % 16) * grid.sStep;
        const float t0 = static_cast<float>(grid.rows - 1 - cell / 16) * grid.tStep;
        vertices.push_back({x, y + ch, z, s0, t0});
        vertices.push_back({x + cw, y + ch, z, s0 + grid.sStep, t0});
        vertices.push_back({x + cw, y, z, s0 + grid.sStep, t0 + grid.tStep});
        vertices.push_back({x, y, z, s0, t0 + grid.tStep});
        x += cw;
    }
}

}  // namespace tarvok
