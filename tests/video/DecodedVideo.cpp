#include "tests/video/DecodedVideo.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace {

struct Input {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Input() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

std::uint64_t HashFrame(const AVFrame& frame) {
    std::uint64_t hash = 1469598103934665603ull;
    for (int plane = 0; plane < 3; ++plane) {
        const int width = plane == 0 ? frame.width : (frame.width + 1) / 2;
        const int height = plane == 0 ? frame.height : (frame.height + 1) / 2;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row =
                frame.data[plane] + static_cast<std::ptrdiff_t>(y) * frame.linesize[plane];
            for (int x = 0; x < width; ++x) {
                hash = (hash ^ row[x]) * 1099511628211ull;
            }
        }
    }
    return hash;
}

void DarkShares(const AVFrame& frame, DecodedVideo::Frame& video) {
    std::size_t dark = 0;
    std::size_t darkTop = 0;
    std::size_t darkCentre = 0;
    std::size_t centre = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* row =
            frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0];
        const bool middleRow = y >= frame.height / 4 && y < frame.height * 3 / 4;
        for (int x = 0; x < frame.width; ++x) {
            const bool isDark = row[x] < 128;
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

}  // namespace

DecodedVideo DecodeVideo(const std::string& path) {
    DecodedVideo video;
    Input input;
    if (avformat_open_input(&input.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(input.format, nullptr) < 0) {
        video.error = "cannot open " + path;
        return video;
    }
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(input.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || decoder == nullptr) {
        video.error = "no video stream in " + path;
        return video;
    }
    const AVStream* stream = input.format->streams[index];
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
    input.codec = avcodec_alloc_context3(decoder);
    // One thread: frames come out in order and the hashes do not depend on the machine.
    input.codec->thread_count = 1;
    if (avcodec_parameters_to_context(input.codec, stream->codecpar) < 0 ||
        avcodec_open2(input.codec, decoder, nullptr) < 0) {
        video.error = "cannot decode " + path;
        return video;
    }
    const auto receive = [&] {
        while (avcodec_receive_frame(input.codec, input.frame) == 0) {
            DecodedVideo::Frame frame;
            frame.hash = HashFrame(*input.frame);
            DarkShares(*input.frame, frame);
            video.frames.push_back(frame);
        }
    };
    while (av_read_frame(input.format, input.packet) >= 0) {
        if (input.packet->stream_index == index) {
            avcodec_send_packet(input.codec, input.packet);
            receive();
        }
        av_packet_unref(input.packet);
    }
    avcodec_send_packet(input.codec, nullptr);
    receive();
    return video;
}
