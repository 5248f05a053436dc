// How a background picture is cut into square tiles of at most 512 pixels, 8 x 8 tiles at most.
#pragma once

#include <cstdint>

namespace tarvok {

constexpr std::int32_t kLayerTileLimit = 8;     // tiles per row and per column
constexpr std::int32_t kLargestLayerTile = 512;

struct LayerTiling {
    std::int32_t tile = 0;     // side of every tile texture
    std::int32_t columns = 0;
    std::int32_t rows = 0;
};

// The tiling of a width x height picture with tiles of min(maxTextureSize, 512); false when a side is not
// above 0 or the picture needs more than 8 tiles in either direction.
bool TileLayer(std::int32_t width, std::int32_t height, std::int32_t maxTextureSize, LayerTiling& tiling);

}  // namespace tarvok
