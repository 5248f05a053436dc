// Turning pictures into GL textures, and loading picture files into sprite slots.
#pragma once

#include <cstdint>
#include <string>

#include "gfx2d/image_buffer.h"
#include "gfx2d/texture_prep.h"

namespace tarvok {

// How a rectangle of a picture becomes textures.
struct UploadRequest {
    std::int32_t x = 0, y = 0, w = 0, h = 0;  // w, h of 0: to the right and bottom edges
    std::uint32_t* mipName = nullptr;          // also make a mip-mapped copy into this name
    bool bump = false;                         // convert to a normal map first
    bool reserved = false;                     // font slot: nearest filtering, no edge bleeding
};

// The largest power of two a 16-bit slot field holds.
constexpr std::int32_t kLargestTextureSide = 16384;

// The largest texture side the driver takes, at most kLargestTextureSide.
std::int32_t MaxTextureSize();
// The most pixels a picture loaded for one texture may have: a full texture of the largest side, at most
// kMaxPicturePixels.
std::int64_t MaxTexturePixels();

// Uploads the rectangle into a new texture in drawName (the old name is deleted); block receives the
// sizes used. False when the rectangle is empty.
bool UploadTexture(const ImageBuffer& image, const UploadRequest& request, std::uint32_t& drawName,
                   TextureBlock& block);

// Replaces name by a new bound RGBA texture (8 bits a channel) of w x h with repeat wrapping and linear filters, filled
// with pixels (undefined contents when null).
void MakeLinearTexture(std::uint32_t& name, std::int32_t w, std::int32_t h, const std::uint8_t* pixels);

// Resolves a data file name through the archive; false when neither a file nor an archive entry exists.
bool ResolveDataFile(const char* name, std::string& path);

// Reads the picture file at path with the colour key and uploads it into the slot (already cleared).
bool LoadIntoSlot(std::int32_t slot, const std::string& path, std::int32_t key, bool bump);

}  // namespace tarvok
