#include "tests/video/DecodedVideo.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <set>

namespace {

struct Decoder {
    AVCodecContext* codec = nullptr;
    int index = -1;
    const AVStream* stream = nullptr;
    ~Decoder() { avcodec_free_context(&codec); }
    bool Open(AVFormatContext* format, AVMediaType type) {
        const AVCodec* decoder = nullptr;
        index = av_find_best_stream(format, type, -1, -1, &decoder, 0);
        if (index < 0 || decoder == nullptr) {
            index = -1;
            return false;
        }
        stream = format->streams[index];
        codec = avcodec_alloc_context3(decoder);
        // One thread: frames come out in order and the hashes do not depend on the machine.
        codec->thread_count = 1;
        // So that the frames' times follow what a decoder drops (Opus's priming samples).
        codec->pkt_timebase = stream->time_base;
        return avcodec_parameters_to_context(codec, stream->codecpar) >= 0 &&
               avcodec_open2(codec, decoder, nullptr) >= 0;
    }
};

struct Input {
    AVFormatContext* format = nullptr;
    Decoder video;
    Decoder audio;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Input() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avformat_close_input(&format);
    }
};

bool IsRgb(const AVFrame& frame) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    return desc != nullptr && (desc->flags & AV_PIX_FMT_FLAG_RGB) != 0 &&
           desc->nb_components >= 3 && av_get_bits_per_pixel(desc) == 32;
}

std::uint64_t HashFrame(const AVFrame& frame) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    std::uint64_t hash = 1469598103934665603ull;
    for (int plane = 0; plane < 4 && frame.data[plane] != nullptr; ++plane) {
        const int bytes =
            av_image_get_linesize(static_cast<AVPixelFormat>(frame.format), frame.width, plane);
        if (bytes <= 0) {
            break;
        }
        const int shift = plane == 1 || plane == 2 ? desc->log2_chroma_h : 0;
        const int height = (frame.height + (1 << shift) - 1) >> shift;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row =
                frame.data[plane] + static_cast<std::ptrdiff_t>(y) * frame.linesize[plane];
            for (int x = 0; x < bytes; ++x) {
                hash = (hash ^ row[x]) * 1099511628211ull;
            }
        }
    }
    return hash;
}

void DarkShares(const AVFrame& frame, DecodedVideo::Frame& video) {
    // Luma, or the green of an RGB pixel (the second byte of BGRA and RGBA alike).
    const bool rgb = IsRgb(frame);
    const int step = rgb ? 4 : 1;
    const int offset = rgb ? 1 : 0;
    std::size_t dark = 0;
    std::size_t darkTop = 0;
    std::size_t darkCentre = 0;
    std::size_t centre = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* row =
            frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0] + offset;
        const bool middleRow = y >= frame.height / 4 && y < frame.height * 3 / 4;
        for (int x = 0; x < frame.width; ++x) {
            const bool isDark = row[x * step] < 128;
            dark += isDark ? 1 : 0;
            darkTop += isDark && y < frame.height / 2 ? 1 : 0;
            if (middleRow && x >= frame.width / 4 && x < frame.width * 3 / 4) {
                ++centre;
                darkCentre += isDark ? 1 : 0;
            }
        }
    }
    video.darkAll = static_cast<double>(dark) / (frame.width * frame.height);
    video.darkTop = static_cast<double>(darkTop) / (frame.width * (frame.height / 2));
    video.darkCentre = centre > 0 ? static_cast<double>(darkCentre) / centre : 0.0;
}

// The distinct colours of an RGB frame, at most a few hundred.
void Colours(const AVFrame& frame, DecodedVideo::Frame& video) {
    if (!IsRgb(frame)) {
        return;
    }
    const bool bgr = frame.format == AV_PIX_FMT_BGRA || frame.format == AV_PIX_FMT_BGR0;
    std::set<std::uint32_t> seen;
    for (int y = 0; y < frame.height && seen.size() < 300; ++y) {
        const std::uint8_t* p = frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0];
        for (int x = 0; x < frame.width; ++x, p += 4) {
            const std::uint32_t r = bgr ? p[2] : p[0];
            const std::uint32_t b = bgr ? p[0] : p[2];
            seen.insert(r << 16 | std::uint32_t{p[1]} << 8 | b);
        }
    }
    video.colours.assign(seen.begin(), seen.end());
}

// The first channel of a decoded sound frame, as floats.
void AppendFirstChannel(const AVFrame& frame, std::vector<float>& samples) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int stride = av_sample_fmt_is_planar(format) != 0 ? 1 : frame.ch_layout.nb_channels;
    for (int i = 0; i < frame.nb_samples; ++i) {
        switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_FLT:
                samples.push_back(reinterpret_cast<const float*>(frame.data[0])[i * stride]);
                break;
            case AV_SAMPLE_FMT_S16:
                samples.push_back(reinterpret_cast<const std::int16_t*>(frame.data[0])[i * stride] /
                                  32768.0f);
                break;
            default:
                return;
        }
    }
}

double Seconds(std::int64_t pts, AVRational timeBase) {
    return pts == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(pts) * av_q2d(timeBase);
}

}  // namespace

long DecodedVideo::Sound::Onset(float threshold) const {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) > threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

DecodedVideo DecodeVideo(const std::string& path) {
    DecodedVideo video;
    Input input;
    if (avformat_open_input(&input.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(input.format, nullptr) < 0) {
        video.error = "cannot open " + path;
        return video;
    }
    if (!input.video.Open(input.format, AVMEDIA_TYPE_VIDEO)) {
        video.error =
            input.video.index < 0 ? "no video stream in " + path : "cannot decode " + path;
        return video;
    }
    const AVStream* stream = input.video.stream;
    video.container = input.format->iformat->name;
    video.codec = avcodec_get_name(stream->codecpar->codec_id);
    video.width = stream->codecpar->width;
    video.height = stream->codecpar->height;
    const char* pixelFormat =
        av_get_pix_fmt_name(static_cast<AVPixelFormat>(stream->codecpar->format));
    video.pixelFormat = pixelFormat != nullptr ? pixelFormat : "";
    video.duration = input.format->duration > 0
                         ? static_cast<double>(input.format->duration) / AV_TIME_BASE
                         : 0.0;
    video.frameRate = av_q2d(stream->avg_frame_rate);
    if (input.audio.Open(input.format, AVMEDIA_TYPE_AUDIO)) {
        video.sound.codec = avcodec_get_name(input.audio.stream->codecpar->codec_id);
        video.sound.sampleRate = input.audio.codec->sample_rate;
        video.sound.channels = input.audio.codec->ch_layout.nb_channels;
    } else if (input.audio.index >= 0) {
        video.error = "cannot decode the sound of " + path;
        return video;
    }
    std::vector<double> durations;
    double firstFrame = 0.0;
    double firstSample = 0.0;
    const auto receive = [&](Decoder& decoder) {
        while (avcodec_receive_frame(decoder.codec, input.frame) == 0) {
            const double at =
                Seconds(input.frame->best_effort_timestamp, decoder.stream->time_base);
            if (&decoder == &input.audio) {
                if (video.sound.samples.empty()) {
                    firstSample = at;
                }
                AppendFirstChannel(*input.frame, video.sound.samples);
                continue;
            }
            if (video.frames.empty()) {
                firstFrame = at;
            }
            DecodedVideo::Frame frame;
            frame.hash = HashFrame(*input.frame);
            DarkShares(*input.frame, frame);
            Colours(*input.frame, frame);
            video.frames.push_back(frame);
        }
    };
    while (av_read_frame(input.format, input.packet) >= 0) {
        Decoder* decoder = input.packet->stream_index == input.video.index   ? &input.video
                           : input.packet->stream_index == input.audio.index ? &input.audio
                                                                             : nullptr;
        if (decoder != nullptr) {
            if (decoder == &input.video) {
                durations.push_back(Seconds(input.packet->duration, stream->time_base));
            }
            avcodec_send_packet(decoder->codec, input.packet);
            receive(*decoder);
        }
        av_packet_unref(input.packet);
    }
    for (Decoder* decoder : {&input.video, &input.audio}) {
        if (decoder->codec != nullptr) {
            avcodec_send_packet(decoder->codec, nullptr);
            receive(*decoder);
        }
    }
    // Packets and frames are one to one where every frame is a picture of its own (no B-frames).
    for (std::size_t i = 0; i < video.frames.size() && i < durations.size(); ++i) {
        video.frames[i].duration = durations[i];
    }
    video.sound.start = firstSample - firstFrame;
    return video;
}
