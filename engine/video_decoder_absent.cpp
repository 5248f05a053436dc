// The video decoder of a build without FFmpeg (the browser build): no file opens, so opening a video gives
// its "cannot be opened" result and nothing else changes.
#include "engine/video_decoder.h"

namespace tarvok {

struct VideoDecoder::State {};

VideoDecoder::VideoDecoder() = default;
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::Open(const std::string&, int, int) { return false; }
int VideoDecoder::Width() const { return 0; }
int VideoDecoder::Height() const { return 0; }
bool VideoDecoder::SetOutputSize(int, int) { return false; }
bool VideoDecoder::NextPicture(std::vector<std::uint8_t>&, double&, std::vector<std::int16_t>&) {
    return false;
}
double VideoDecoder::EndMs() const { return 0; }
bool VideoDecoder::Rewind() { return false; }

}  // namespace tarvok
