// Background tiling arithmetic.
#include "gfx2d/layer_tiling.h"

#include <algorithm>

namespace tarvok {

bool TileLayer(std::int32_t width, std::int32_t height, std::int32_t maxTextureSize, LayerTiling& tiling) {
    const std::int32_t tile = std::min(maxTextureSize, kLargestLayerTile);
    if (width <= 0 || height <= 0 || tile <= 0) return false;
    const std::int64_t columns = (std::int64_t{width} + tile - 1) / tile;
    const std::int64_t rows = (std::int64_t{height} + tile - 1) / tile;
    if (columns > kLayerTileLimit || rows > kLayerTileLimit) return false;
    tiling = {tile, static_cast<std::int32_t>(columns), static_cast<std::int32_t>(rows)};
    return true;
}

}  // namespace tarvok
