// Video decoding over FFmpeg (libavformat, libavcodec, libswscale, libswresample).
#include "engine/video_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace tarvok {
namespace {

// Packets read without a picture before the video counts as unreadable (a file of endless non-video
// packets must not hold the game forever).
constexpr int kMaxPacketsPerPicture = 1 << 16;
// Sound kept while no picture comes, in seconds; older samples are dropped.
constexpr int kMaxSoundSeconds = 10;
// Frame interval when the file gives no frame rate.
constexpr double kDefaultIntervalMs = 40.0;

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFreer {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResamplerFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

// Opens the decoder of a stream; null when there is none or it cannot start.
std::unique_ptr<AVCodecContext, CodecFreer> OpenCodec(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    std::unique_ptr<AVCodecContext, CodecFreer> context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0) return nullptr;
    context->pkt_timebase = stream->time_base;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
    return context;
}

double FrameIntervalMs(const AVStream* stream) {
    for (const AVRational rate : {stream->avg_frame_rate, stream->r_frame_rate}) {
        if (rate.num > 0 && rate.den > 0) {
            const double ms = 1000.0 * rate.den / rate.num;
            if (ms > 0 && ms <= kMaxPictureGapMs) return ms;
        }
    }
    return kDefaultIntervalMs;
}

}  // namespace

struct VideoDecoder::State {
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecFreer> video;
    std::unique_ptr<AVCodecContext, CodecFreer> audio;
    std::unique_ptr<AVFrame, FrameFreer> frame{av_frame_alloc()};
    std::unique_ptr<AVPacket, PacketFreer> packet{av_packet_alloc()};
    std::unique_ptr<SwsContext, ScalerFreer> scaler;
    std::unique_ptr<SwrContext, ResamplerFreer> resampler;
    int videoIndex = -1, audioIndex = -1;
    int width = 0, height = 0;             // source picture size
    int outWidth = 0, outHeight = 0;       // output picture size
    int soundRate = 0, soundChannels = 0;  // output sound format
    // The input format the resampler was set up for.
    int resampledFormat = -1, resampledRate = 0;
    AVChannelLayout resampledLayout{};
    double startTs = 0;     // stream time of the video's start, in time-base units
    double timeBaseMs = 0;  // milliseconds per time-base unit
    double intervalMs = kDefaultIntervalMs;
    double lastMs = 0;  // time of the last picture given
    bool anyPicture = false;
    bool draining = false;  // the file is read to its end; the decoders are flushed

    ~State() { av_channel_layout_uninit(&resampledLayout); }

    bool ConfigureResampler(const AVFrame& f);
    void TakeSound(const AVFrame& f, std::vector<std::int16_t>& sound);
    void DrainAudio(std::vector<std::int16_t>& sound);
    void FlushResampler(std::vector<std::int16_t>& sound);
    bool ScalePicture(const AVFrame& f, std::vector<std::uint8_t>& pixels);
    double PictureTime(const AVFrame& f);
};

bool VideoDecoder::State::ConfigureResampler(const AVFrame& f) {
    if (resampler && f.format == resampledFormat && f.sample_rate == resampledRate &&
        av_channel_layout_compare(&f.ch_layout, &resampledLayout) == 0)
        return true;
    resampler.reset();
    av_channel_layout_uninit(&resampledLayout);
    if (f.sample_rate <= 0 || f.ch_layout.nb_channels <= 0) return false;
    AVChannelLayout in{};
    if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, f.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&in, &f.ch_layout) < 0)
        return false;
    AVChannelLayout out{};
    av_channel_layout_default(&out, soundChannels);
    SwrContext* s = nullptr;
    const int made = swr_alloc_set_opts2(&s, &out, AV_SAMPLE_FMT_S16, soundRate, &in,
                                         static_cast<AVSampleFormat>(f.format), f.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&out);
    av_channel_layout_uninit(&in);
    std::unique_ptr<SwrContext, ResamplerFreer> owner(s);
    if (made < 0) return false;
    // A single channel goes to both sides at full level, as a mono sound effect does (the resampler
    // would mix it in 3 dB lower on each side).
    static constexpr double kMonoToBothSides[2] = {1.0, 1.0};
    if (f.ch_layout.nb_channels == 1 && soundChannels == 2 && swr_set_matrix(s, kMonoToBothSides, 1) < 0)
        return false;
    // The frame's own layout is kept for the comparison above (an unspecified one included).
    if (swr_init(s) < 0 || av_channel_layout_copy(&resampledLayout, &f.ch_layout) < 0) return false;
    resampler = std::move(owner);
    resampledFormat = f.format;
    resampledRate = f.sample_rate;
    return true;
}

void VideoDecoder::State::TakeSound(const AVFrame& f, std::vector<std::int16_t>& sound) {
    if (f.nb_samples <= 0 || !ConfigureResampler(f)) return;
    // Room for everything the resampler holds plus this frame, so that nothing stays behind in it.
    const std::int64_t held = swr_get_delay(resampler.get(), f.sample_rate) + f.nb_samples;
    const std::int64_t wanted = av_rescale_rnd(held, soundRate, f.sample_rate, AV_ROUND_UP);
    if (wanted <= 0 || wanted > INT32_MAX / 2) return;
    const int room = static_cast<int>(wanted) + 1;
    const std::size_t at = sound.size();
    sound.resize(at + static_cast<std::size_t>(room) * static_cast<std::size_t>(soundChannels));
    auto* out = reinterpret_cast<std::uint8_t*>(sound.data() + at);
    const int got = swr_convert(resampler.get(), &out, room,
                                const_cast<const std::uint8_t**>(f.extended_data), f.nb_samples);
    sound.resize(at + static_cast<std::size_t>(std::max(got, 0)) * static_cast<std::size_t>(soundChannels));
    const std::size_t cap = static_cast<std::size_t>(kMaxSoundSeconds) * soundRate * soundChannels;
    if (sound.size() > cap) sound.erase(sound.begin(), sound.end() - static_cast<std::ptrdiff_t>(cap));
}

// The samples the resampler still holds at the end of the sound.
void VideoDecoder::State::FlushResampler(std::vector<std::int16_t>& sound) {
    if (!resampler) return;
    const int room = swr_get_out_samples(resampler.get(), 0);
    if (room <= 0) return;
    const std::size_t at = sound.size();
    sound.resize(at + static_cast<std::size_t>(room) * static_cast<std::size_t>(soundChannels));
    auto* out = reinterpret_cast<std::uint8_t*>(sound.data() + at);
    const int got = swr_convert(resampler.get(), &out, room, nullptr, 0);
    sound.resize(at + static_cast<std::size_t>(std::max(got, 0)) * static_cast<std::size_t>(soundChannels));
}

void VideoDecoder::State::DrainAudio(std::vector<std::int16_t>& sound) {
    while (avcodec_receive_frame(audio.get(), frame.get()) == 0) {
        TakeSound(*frame, sound);
        av_frame_unref(frame.get());
    }
}

bool VideoDecoder::State::ScalePicture(const AVFrame& f, std::vector<std::uint8_t>& pixels) {
    if (f.width <= 0 || f.height <= 0 || f.width > kMaxVideoSide || f.height > kMaxVideoSide) return false;
    scaler.reset(sws_getCachedContext(scaler.release(), f.width, f.height,
                                      static_cast<AVPixelFormat>(f.format), outWidth, outHeight,
                                      AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler) return false;
    pixels.resize(static_cast<std::size_t>(outWidth) * static_cast<std::size_t>(outHeight) * 4);
    std::uint8_t* planes[4] = {pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {outWidth * 4, 0, 0, 0};
    return sws_scale(scaler.get(), f.data, f.linesize, 0, f.height, planes, strides) == outHeight;
}

double VideoDecoder::State::PictureTime(const AVFrame& f) {
    const double floor = anyPicture ? lastMs : 0.0;
    if (f.best_effort_timestamp == AV_NOPTS_VALUE) return anyPicture ? lastMs + intervalMs : 0.0;
    const double ms = (static_cast<double>(f.best_effort_timestamp) - startTs) * timeBaseMs;
    if (!std::isfinite(ms)) return floor;
    return std::clamp(ms, floor, floor + kMaxPictureGapMs);
}

VideoDecoder::VideoDecoder() : state_(std::make_unique<State>()) {}
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::Open(const std::string& path, int soundRate, int soundChannels) {
    state_ = std::make_unique<State>();
    State& s = *state_;
    if (!s.frame || !s.packet) return false;
    av_log_set_level(AV_LOG_QUIET);  // damaged files are reported by the result, not on the console
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* format = nullptr;
    // The "file:" prefix keeps a name with a colon from being taken for another protocol.
    const int opened = avformat_open_input(&format, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return false;
    s.format.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0) return false;

    s.videoIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s.videoIndex < 0) return false;
    const AVStream* stream = format->streams[s.videoIndex];
    s.width = stream->codecpar->width;
    s.height = stream->codecpar->height;
    if (s.width <= 0 || s.height <= 0 || s.width > kMaxVideoSide || s.height > kMaxVideoSide) return false;
    s.video = OpenCodec(stream);
    if (!s.video) return false;
    s.outWidth = s.width;
    s.outHeight = s.height;
    s.startTs = stream->start_time == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(stream->start_time);
    s.timeBaseMs = av_q2d(stream->time_base) * 1000.0;
    s.intervalMs = FrameIntervalMs(stream);

    if (soundRate > 0 && (soundChannels == 1 || soundChannels == 2)) {
        s.audioIndex = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, s.videoIndex, nullptr, 0);
        if (s.audioIndex >= 0) s.audio = OpenCodec(format->streams[s.audioIndex]);
        if (!s.audio) s.audioIndex = -1;
        s.soundRate = soundRate;
        s.soundChannels = soundChannels;
    }
    return true;
}

int VideoDecoder::Width() const { return state_->width; }
int VideoDecoder::Height() const { return state_->height; }

bool VideoDecoder::SetOutputSize(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxVideoSide || height > kMaxVideoSide) return false;
    state_->outWidth = width;
    state_->outHeight = height;
    return true;
}

bool VideoDecoder::NextPicture(std::vector<std::uint8_t>& pixels, double& timeMs,
                               std::vector<std::int16_t>& sound) {
    State& s = *state_;
    if (!s.video) return false;
    AVFrame* frame = s.frame.get();
    AVPacket* packet = s.packet.get();
    for (int packets = 0; packets < kMaxPacketsPerPicture;) {
        const int received = avcodec_receive_frame(s.video.get(), frame);
        if (received == 0) {
            const bool scaled = s.ScalePicture(*frame, pixels);
            if (scaled) {
                timeMs = s.PictureTime(*frame);
                s.lastMs = timeMs;
                s.anyPicture = true;
            }
            av_frame_unref(frame);
            if (scaled) return true;
            continue;  // a picture that cannot be converted is skipped
        }
        if (received != AVERROR(EAGAIN) || s.draining) return false;

        if (av_read_frame(s.format.get(), packet) < 0) {
            // End of the file (or it cannot be read on): flush both decoders for what they hold.
            s.draining = true;
            avcodec_send_packet(s.video.get(), nullptr);
            if (s.audio && avcodec_send_packet(s.audio.get(), nullptr) >= 0) s.DrainAudio(sound);
            s.FlushResampler(sound);
            continue;
        }
        ++packets;
        if (packet->stream_index == s.videoIndex) {
            avcodec_send_packet(s.video.get(), packet);  // a damaged packet is refused and skipped
        } else if (packet->stream_index == s.audioIndex) {
            if (avcodec_send_packet(s.audio.get(), packet) >= 0) s.DrainAudio(sound);
        }
        av_packet_unref(packet);
    }
    return false;
}

double VideoDecoder::EndMs() const {
    const State& s = *state_;
    return s.anyPicture ? s.lastMs + s.intervalMs : 0.0;
}

bool VideoDecoder::Rewind() {
    State& s = *state_;
    if (!s.video) return false;
    const auto start = static_cast<std::int64_t>(s.startTs);
    if (av_seek_frame(s.format.get(), s.videoIndex, start, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(s.format.get(), -1, INT64_MIN, 0, 0, 0) < 0)
        return false;
    avcodec_flush_buffers(s.video.get());
    if (s.audio) avcodec_flush_buffers(s.audio.get());
    s.draining = false;
    s.anyPicture = false;
    s.lastMs = 0;
    return true;
}

}  // namespace tarvok
