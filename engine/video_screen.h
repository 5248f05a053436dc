// The drawing side of video playback: one GL texture that takes each decoded picture, drawn at the
// video's placement in the window and presented as a frame of its own.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/media.h"

namespace tarvok {

class VideoScreen {
public:
    // A texture for pictures of the placement's size (nothing is drawn when the driver cannot hold it).
    explicit VideoScreen(const VideoPlacement& place);
    ~VideoScreen();
    VideoScreen(const VideoScreen&) = delete;
    VideoScreen& operator=(const VideoScreen&) = delete;

    // Presents one picture (RGBA of the placement's size, top row first) on a cleared window: a frame of
    // a scripted run (its keys, its shot; the frame limit ends the program), swapped at once.
    void Present(const std::vector<std::uint8_t>& pixels);

private:
    void Draw(const std::vector<std::uint8_t>& pixels);

    VideoPlacement place_;
    std::int32_t textureWidth_ = 0, textureHeight_ = 0;
    std::uint32_t texture_ = 0;
};

}  // namespace tarvok
