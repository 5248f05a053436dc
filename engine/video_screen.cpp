#include "engine/video_screen.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "engine/engine.h"
#include "platform/headless.h"

namespace tarvok {
namespace {

std::int32_t PowerOfTwoAtLeast(std::int32_t n) {
    std::int32_t side = 1;
    while (side < n) side *= 2;
    return side;
}

}  // namespace

VideoScreen::VideoScreen(const VideoPlacement& place) : place_(place) {
    FlushQueuedDrawing();
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    textureWidth_ = PowerOfTwoAtLeast(place.width);
    textureHeight_ = PowerOfTwoAtLeast(place.height);
    if (place.width < 1 || place.height < 1 || textureWidth_ > largest || textureHeight_ > largest) return;
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureWidth_, textureHeight_, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
}

VideoScreen::~VideoScreen() {
    if (texture_) glDeleteTextures(1, &texture_);
}

void VideoScreen::Present(const std::vector<std::uint8_t>& pixels) {
    OpenGLZazuzive& display = *g_engine.display;
    platform::BeginScriptedFrame();
    Reset2DState(display, 0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const std::size_t size =
        static_cast<std::size_t>(place_.width) * static_cast<std::size_t>(place_.height) * 4;
    if (texture_ && pixels.size() == size) Draw(pixels);
    if (g_displayHooks.beforeSwap) g_displayHooks.beforeSwap();
    platform::SaveShotIfDue(display.clientWidth, display.clientHeight);
    platform::SwapGlWindow(display.window);
    if (platform::FrameLimitReached()) EndProgram();
}

void VideoScreen::Draw(const std::vector<std::uint8_t>& pixels) {
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    UseTextureUnitZeroOnly();
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, place_.width, place_.height, GL_RGBA, GL_UNSIGNED_BYTE,
                    pixels.data());
    const float s = static_cast<float>(place_.width) / static_cast<float>(textureWidth_);
    const float t = static_cast<float>(place_.height) / static_cast<float>(textureHeight_);
    const auto x = static_cast<float>(place_.x), y = static_cast<float>(place_.y);
    const auto w = static_cast<float>(place_.width), h = static_cast<float>(place_.height);
    glColor4f(1, 1, 1, 1);
    // Texture row 0 is the picture's top row.
    glBegin(GL_QUADS);
    glTexCoord2f(0, t);
    glVertex2f(x, y + h);
    glTexCoord2f(s, t);
    glVertex2f(x + w, y + h);
    glTexCoord2f(s, 0);
    glVertex2f(x + w, y);
    glTexCoord2f(0, 0);
    glVertex2f(x, y);
    glEnd();
}

}  // namespace tarvok
