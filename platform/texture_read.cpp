#include "platform/texture_read.h"

#include <GL/gl.h>

namespace platform {

bool ReadTextureRgba(std::uint32_t texture, int width, int height, std::uint8_t* out) {
    if (width <= 0 || height <= 0) return false;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out);
    glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

}  // namespace platform
