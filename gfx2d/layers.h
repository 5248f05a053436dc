// Background layer operations shared by the background commands and the screen cross-fade.
#pragma once

#include <string>

#include "gfx2d/texture_store.h"

namespace tarvok {

// Deletes the layer's tiles (while a context exists) and empties it.
void FreeLayer(BackgroundLayer& layer);
// Reads the picture file (no colour key) and cuts it into the layer's tiles; false when it cannot.
bool LoadLayer(BackgroundLayer& layer, const std::string& path);
// Draws the layer's tiles from the top-left corner; nothing when the layer is empty.
void DrawLayer(const BackgroundLayer& layer);

}  // namespace tarvok
