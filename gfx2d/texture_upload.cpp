// Texture upload and picture loading into slots.
#include "gfx2d/texture_upload.h"

#include <algorithm>

#include <GL/gl.h>

#include "gfx2d/picture_file.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "storage/storage.h"

namespace tarvok {
namespace {

void SetTextureParameters(GLint minFilter, GLint magFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
}

void NewTexture(std::uint32_t& name) {
    FlushSprites();
    if (name != 0) glDeleteTextures(1, &name);
    GLuint fresh = 0;
    glGenTextures(1, &fresh);
    name = fresh;
    glBindTexture(GL_TEXTURE_2D, name);
}

void UploadMipChain(TextureBlock& block, std::uint32_t& mipName) {
    NewTexture(mipName);
    SetTextureParameters(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
    std::int32_t w = block.textureWidth, h = block.textureHeight;
    SquareBlock(block.pixels, w, h);
    ForEachMipLevel(block.pixels, w, [](std::int32_t level, std::int32_t side, const std::uint8_t* pixels) {
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    });
}

}  // namespace

void MakeLinearTexture(std::uint32_t& name, std::int32_t w, std::int32_t h, const std::uint8_t* pixels) {
    NewTexture(name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    SetTextureParameters(GL_LINEAR, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

std::int32_t MaxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    // NOTE: the slot keeps texture sizes in 16 bits, so no texture is made larger than 16384.
    return std::clamp<std::int32_t>(size, 64, kLargestTextureSide);
}

std::int64_t MaxTexturePixels() {
    const std::int64_t side = MaxTextureSize();
    return std::min(side * side, kMaxPicturePixels);
}

bool UploadTexture(const ImageBuffer& image, const UploadRequest& request, std::uint32_t& drawName,
                   TextureBlock& block) {
    if (!PrepareTextureBlock(image, request.x, request.y, request.w, request.h, MaxTextureSize(), block)) {
        return false;
    }
    if (!request.reserved) BleedEdges(block);
    if (request.bump) ToNormalMap(block);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    NewTexture(drawName);
    const GLint filter = request.reserved ? GL_NEAREST : GL_LINEAR;
    SetTextureParameters(filter, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, block.textureWidth, block.textureHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, block.pixels.data());
    block.opaque = AllOpaque(block.pixels);
    if (request.mipName) UploadMipChain(block, *request.mipName);
    // The binding on unit 0 no longer belongs to the slot drawn last.
    Store().boundSlot = -1;
    return true;
}

bool ResolveDataFile(const char* name, std::string& path) {
    return ArchiveLookup(kDataArchive, name, path) != 0;
}

bool LoadIntoSlot(std::int32_t slot, const std::string& path, std::int32_t key, bool bump) {
    TextureStore& store = Store();
    if (!ContextAlive() || !ReadPictureFile(path, store.image, key, MaxTexturePixels())) return false;
    SpriteSlot& s = store.slots[static_cast<std::size_t>(slot)];
    UploadRequest request;
    request.bump = bump;
    request.reserved = slot > kLastOrdinarySlot;
    if (!request.reserved) request.mipName = &s.mipTexture;
    TextureBlock block;
    if (!UploadTexture(store.image, request, s.drawTexture, block)) {
        ClearSlot(slot);
        return false;
    }
    s.textureWidth = static_cast<std::int16_t>(block.textureWidth);
    s.textureHeight = static_cast<std::int16_t>(block.textureHeight);
    s.width = static_cast<std::int16_t>(block.usedWidth);
    s.height = static_cast<std::int16_t>(block.usedHeight);
    s.opaque = block.opaque;
    DiscardMask(slot);
    return true;
}

}  // namespace tarvok
