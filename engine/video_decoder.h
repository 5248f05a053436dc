// Video decoding over FFmpeg: the pictures of a file's video stream, scaled to a chosen size as RGBA,
// with their times, and the sound of its audio stream as 16-bit interleaved samples in a chosen format.
// Nothing here draws or plays; video playback (engine/video.cpp) does that.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvok {

// Videos wider or higher than this are refused (absurd headers allocate nothing).
constexpr int kMaxVideoSide = 16384;
// Largest gap between two picture times, and largest picture duration: a broken time stamp can make a
// picture wait this long at most.
constexpr double kMaxPictureGapMs = 10000.0;

class VideoDecoder {
public:
    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Opens a local file (no other protocol) and the decoder of its video stream; with soundRate and
    // soundChannels (1 or 2) above 0 also its audio stream, when it has one that can be decoded. False
    // when the file cannot be read or holds no decodable video of a size within kMaxVideoSide.
    bool Open(const std::string& path, int soundRate, int soundChannels);
    // Size of the video's pictures (0 before Open succeeded).
    int Width() const;
    int Height() const;
    // Pictures come out scaled to this size (each side 1 .. kMaxVideoSide); the source size until set.
    bool SetOutputSize(int width, int height);
    // Decodes on to the next picture: pixels := output width x height RGBA, top row first; timeMs := its
    // time since the start of the video (never below the previous picture's, at most kMaxPictureGapMs
    // after it). Sound decoded on the way is appended to sound. False at the end of the video or when it
    // cannot be read on; damaged packets are skipped.
    bool NextPicture(std::vector<std::uint8_t>& pixels, double& timeMs, std::vector<std::int16_t>& sound);
    // When the last picture given ends: its time plus one frame interval.
    double EndMs() const;
    // Back to the start of the video; false when it cannot seek.
    bool Rewind();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tarvok
