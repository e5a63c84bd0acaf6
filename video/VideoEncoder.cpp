#include "video/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/DebugSink.h"
#include "video/BlendPalette.h"

namespace {

// H.264: on two cores without a GPU, drawing, reading back and converting a 1280 x 720 frame
// already take about 19 ms of CPU of the 33 ms two cores have per frame at twice real time (38
// of 66 at 1080p and real time). x264's "ultrafast" adds about 4 ms (superfast 10, veryfast 20),
// so it is the one preset that leaves both goals room; its files are about a third larger than
// superfast's. Threads work on slices of one frame rather than on frames of their own: the same
// size, and 60 MB less memory at 1080p. CRF 20 keeps the edges of the glyphs clean at 720p,
// where a character is about 50 pixels wide; at 23 ringing shows around the strokes.
constexpr char kX264Preset[] = "ultrafast";
constexpr char kX264Crf[] = "20";
constexpr char kX264Params[] = "sliced-threads=1";
// VP9: constant quality with no bitrate cap; libvpx's real-time mode at its fastest setting that
// still keeps the text sharp, one row of tiles per thread.
constexpr char kVp9Crf[] = "28";
constexpr char kVp9Speed[] = "8";
// The sound track: drums, whose attacks FFmpeg's own AAC encoder keeps clean at 128 kb/s for
// stereo; Opus is as clean with less.
constexpr int kSoundRate = 48000;
constexpr int kSoundChannels = 2;
constexpr int kAacBitRate = 128000;
constexpr int kOpusBitRate = 96000;

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// FFmpeg's own messages are for developers: they go to the debug sink, not the user's terminal.
void LogToDebugSink(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_INFO) {
        return;
    }
    char line[1024];
    int prefix = 1;
    av_log_format_line2(object, level, format, arguments, line, sizeof line, &prefix);
    OutputDebugString(std::string("FFmpeg: ") + line);
}

// The pending file as FFmpeg's output. A file protocol of FFmpeg's own would open the file by
// name with O_CREAT, which an unnamed file refuses.
int WriteToFile(void* opaque, std::uint8_t* data, int size) {
    const int fd = *static_cast<const int*>(opaque);
    int written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, static_cast<std::size_t>(size - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return AVERROR(n < 0 ? errno : EIO);
        }
        written += static_cast<int>(n);
    }
    return written;
}

std::int64_t SeekInFile(void* opaque, std::int64_t offset, int whence) {
    const int fd = *static_cast<const int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : static_cast<std::int64_t>(position);
}

const char* MuxerOf(VideoFormat format) {
    switch (format) {
        case VideoFormat::Mp4:
            return "mp4";
        case VideoFormat::Matroska:
            return "matroska";
        case VideoFormat::WebM:
            return "webm";
        case VideoFormat::Gif:
            return "gif";
    }
    return nullptr;
}

const char* DefaultEncoderOf(VideoFormat format) {
    switch (format) {
        case VideoFormat::WebM:
            return "libvpx-vp9";
        case VideoFormat::Gif:
            return "gif";
        case VideoFormat::Mp4:
        case VideoFormat::Matroska:
            break;
    }
    return "libx264";
}

const char* SoundEncoderOf(VideoFormat format) {
    return format == VideoFormat::WebM ? "libopus" : "aac";
}

}  // namespace

int GifFrameDelay(std::uint32_t fps) {
    return fps == 0 ? 0 : static_cast<int>(std::lround(100.0 / fps));
}

struct VideoEncoder::Codec {
    AVFormatContext* format = nullptr;
    AVCodecContext* context = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    gpu::Picture::Layout scalerLayout = gpu::Picture::Layout::Bgra;
    // A GIF's: its frames are mapped to it instead of converted to YUV.
    std::unique_ptr<BlendPalette> palette;
    bool headerWritten = false;

    // The sound track, where there is one: one frame of the encoder's size, filled again and
    // again, and the samples encoded so far.
    AVCodecContext* sound = nullptr;
    AVStream* soundStream = nullptr;
    AVFrame* soundFrame = nullptr;
    int soundFrameSize = 0;
    bool soundPlanar = false;
    std::int64_t soundPts = 0;
    // Added to the samples' timestamps: see OpenSound.
    std::int64_t soundDelay = 0;

    AVIOContext* output = nullptr;
    int fd = -1;

    // The sound track's encoder and stream; an FFmpeg error code with what failed otherwise.
    int OpenSound(VideoFormat container, std::string* what);

    // Writes what the output still buffers; the result of the last write.
    int Flush() {
        if (output == nullptr) {
            return 0;
        }
        avio_flush(output);
        return output->error;
    }

    ~Codec() {
        av_frame_free(&soundFrame);
        avcodec_free_context(&sound);
        av_packet_free(&packet);
        sws_freeContext(scaler);
        avcodec_free_context(&context);
        avformat_free_context(format);
        if (output != nullptr) {
            av_freep(&output->buffer);
            avio_context_free(&output);
        }
    }
};

int VideoEncoder::Codec::OpenSound(VideoFormat container, std::string* what) {
    const char* name = SoundEncoderOf(container);
    const AVCodec* encoder = avcodec_find_encoder_by_name(name);
    if (encoder == nullptr) {
        *what = std::string("the sound encoder ") + name + " is not part of this FFmpeg";
        return AVERROR_ENCODER_NOT_FOUND;
    }
    sound = avcodec_alloc_context3(encoder);
    soundStream = avformat_new_stream(format, nullptr);
    soundFrame = av_frame_alloc();
    if (sound == nullptr || soundStream == nullptr || soundFrame == nullptr) {
        *what = "the sound encoder cannot be set up";
        return AVERROR(ENOMEM);
    }
    // Planar floats where the encoder takes them (FFmpeg's AAC), else interleaved (libopus).
    sound->sample_fmt = AV_SAMPLE_FMT_FLT;
    for (const AVSampleFormat* f = encoder->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE;
         ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP) {
            sound->sample_fmt = AV_SAMPLE_FMT_FLTP;
        }
    }
    soundPlanar = sound->sample_fmt == AV_SAMPLE_FMT_FLTP;
    sound->sample_rate = kSoundRate;
    av_channel_layout_default(&sound->ch_layout, kSoundChannels);
    sound->bit_rate = container == VideoFormat::WebM ? kOpusBitRate : kAacBitRate;
    sound->time_base = AVRational{1, kSoundRate};
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        sound->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int result = avcodec_open2(sound, encoder, nullptr);
    if (result < 0) {
        *what = std::string("the sound encoder ") + name + " cannot be opened";
        return result;
    }
    result = avcodec_parameters_from_context(soundStream->codecpar, sound);
    if (result < 0) {
        *what = "the sound encoder's parameters cannot be passed on";
        return result;
    }
    soundStream->time_base = sound->time_base;
    // The encoders put their priming samples before the first one given, at negative times.
    // MP4 cuts them with an edit list, and Matroska moves every stream up past them, pictures
    // too. Opus in WebM is written with a codec delay that shifts the stream itself: starting at
    // zero, the delay once shifted is the priming, and the first sample plays with the first
    // picture; starting below zero it would be shifted a second time.
    if (container == VideoFormat::WebM) {
        soundDelay = sound->initial_padding;
    }
    soundFrameSize = sound->frame_size > 0 ? sound->frame_size : 1024;
    soundFrame->format = sound->sample_fmt;
    soundFrame->sample_rate = kSoundRate;
    soundFrame->nb_samples = soundFrameSize;
    result = av_channel_layout_copy(&soundFrame->ch_layout, &sound->ch_layout);
    if (result >= 0) {
        result = av_frame_get_buffer(soundFrame, 0);
    }
    if (result < 0) {
        *what = "no memory for the sound";
    }
    return result;
}

VideoEncoder::VideoEncoder() = default;

VideoEncoder::~VideoEncoder() {
    Abort();
}

void VideoEncoder::Fail(std::string message) {
    std::lock_guard lock(mutex_);
    if (!failed_) {
        error_ = std::move(message);
        failed_ = true;
    }
    changed_.notify_all();
}

bool VideoEncoder::Open(const VideoSettings& settings) {
    Abort();
    settings_ = settings;
    error_.clear();
    failed_ = false;
    finishing_ = false;
    stopping_ = false;
    nextPts_ = 0;
    bytes_ = 0;
    soundQueue_.clear();
    soundHeld_.clear();
    VideoFormat container;
    if (!VideoFormatOf(settings.path, &container)) {
        error_ = "cannot tell the video format from \"" + settings.path +
                 "\": the name must end in .mp4, .mkv, .webm or .gif";
        return false;
    }
    const bool gif = container == VideoFormat::Gif;
    if (gif && settings.sound) {
        error_ = "a GIF has no sound";
        return false;
    }
    static const bool logging = [] {
        av_log_set_callback(LogToDebugSink);
        return true;
    }();
    static_cast<void>(logging);

    std::string encoderName = settings.encoder;
    if (encoderName.empty()) {
        encoderName = DefaultEncoderOf(container);
    }
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName.c_str());
    if (encoder == nullptr) {
        error_ = "the encoder " + encoderName + " is not part of this FFmpeg";
        return false;
    }
    if (!file_.Create(settings.path)) {
        error_ = file_.error();
        return false;
    }
    auto codec = std::make_unique<Codec>();
    int result =
        avformat_alloc_output_context2(&codec->format, nullptr, MuxerOf(container), nullptr);
    const auto fail = [&](const std::string& what) {
        error_ = what + (result < 0 ? ": " + AvError(result) : std::string());
        codec.reset();
        file_.Discard();
        return false;
    };
    if (result < 0 || codec->format == nullptr) {
        return fail("the " + std::string(MuxerOf(container)) + " container is not available");
    }
    codec->context = avcodec_alloc_context3(encoder);
    codec->stream = avformat_new_stream(codec->format, nullptr);
    codec->packet = av_packet_alloc();
    if (codec->context == nullptr || codec->stream == nullptr || codec->packet == nullptr) {
        result = AVERROR(ENOMEM);
        return fail("the encoder cannot be set up");
    }
    AVCodecContext& context = *codec->context;
    context.width = static_cast<int>(settings.width);
    context.height = static_cast<int>(settings.height);
    context.time_base = AVRational{1, static_cast<int>(settings.fps)};
    context.framerate = AVRational{static_cast<int>(settings.fps), 1};
    context.pix_fmt = AV_PIX_FMT_YUV420P;
    context.sample_aspect_ratio = AVRational{1, 1};
    if (gif) {
        // The muxer counts in hundredths of a second: one frame is the same whole number of
        // them, so that every frame is shown equally long.
        context.time_base = AVRational{GifFrameDelay(settings.fps), 100};
        context.pix_fmt = AV_PIX_FMT_PAL8;
        codec->palette = std::make_unique<BlendPalette>(settings.background, settings.foreground);
    } else {
        // A key frame every five seconds, so that players can seek in a long flight.
        context.gop_size = static_cast<int>(settings.fps) * 5;
        // The picture is computer-drawn sRGB: converted with and labelled as BT.709, limited
        // range, which is what players assume for HD video.
        context.color_range = AVCOL_RANGE_MPEG;
        context.colorspace = AVCOL_SPC_BT709;
        context.color_primaries = AVCOL_PRI_BT709;
        context.color_trc = AVCOL_TRC_BT709;
    }
    if ((codec->format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (encoder->id == AV_CODEC_ID_H264) {
        av_opt_set(context.priv_data, "preset", kX264Preset, 0);
        av_opt_set(context.priv_data, "crf", kX264Crf, 0);
        av_opt_set(context.priv_data, "x264-params", kX264Params, 0);
    } else if (encoder->id == AV_CODEC_ID_VP9) {
        context.bit_rate = 0;
        av_opt_set(context.priv_data, "crf", kVp9Crf, 0);
        av_opt_set(context.priv_data, "deadline", "realtime", 0);
        av_opt_set(context.priv_data, "cpu-used", kVp9Speed, 0);
        av_opt_set(context.priv_data, "row-mt", "1", 0);
        context.thread_count = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
    }
    result = avcodec_open2(codec->context, encoder, nullptr);
    if (result < 0) {
        return fail("the encoder " + encoderName + " cannot be opened for " +
                    std::to_string(settings.width) + "x" + std::to_string(settings.height) +
                    " at " + std::to_string(settings.fps) + " frames a second");
    }
    result = avcodec_parameters_from_context(codec->stream->codecpar, codec->context);
    if (result < 0) {
        return fail("the encoder's parameters cannot be passed on");
    }
    codec->stream->time_base = context.time_base;
    codec->stream->avg_frame_rate = context.framerate;
    if (settings.sound) {
        std::string what;
        result = codec->OpenSound(container, &what);
        if (result < 0) {
            return fail(what);
        }
    }
    constexpr int kOutputBuffer = 1 << 16;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kOutputBuffer));
    codec->fd = file_.fd();
    codec->output = buffer != nullptr ? avio_alloc_context(buffer, kOutputBuffer, 1, &codec->fd,
                                                           nullptr, WriteToFile, SeekInFile)
                                      : nullptr;
    if (codec->output == nullptr) {
        av_free(buffer);
        result = AVERROR(ENOMEM);
        return fail("no memory for the output");
    }
    codec->format->pb = codec->output;
    codec->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Where the MP4 muxer reads the file back to move its index to the front; "file:" so that a
    // colon in the folder's name is not taken for a protocol.
    av_freep(&codec->format->url);
    codec->format->url = av_strdup(("file:" + file_.AccessPath()).c_str());
    AVDictionary* options = nullptr;
    if (container == VideoFormat::Mp4) {
        // The index goes to the front once the video is complete, so that a player can start
        // before the whole file has arrived.
        av_dict_set(&options, "movflags", "+faststart", 0);
    }
    result = avformat_write_header(codec->format, &options);
    av_dict_free(&options);
    if (result < 0) {
        return fail("cannot write \"" + settings.path + "\"");
    }
    codec->headerWritten = true;
    codec_ = std::move(codec);
    thread_ = std::thread([this] { Run(); });
    return true;
}

bool VideoEncoder::Convert(const gpu::Picture& picture, AVFrame* frame) {
    Codec& codec = *codec_;
    if (picture.width != settings_.width || picture.height != settings_.height ||
        picture.pixels.size() < std::size_t{4} * picture.width * picture.height) {
        Fail("a frame of the wrong size reached the encoder");
        return false;
    }
    if (codec.palette) {
        const int result = av_frame_make_writable(frame);
        if (result < 0) {
            Fail("no memory for a frame: " + AvError(result));
            return false;
        }
        codec.palette->Map(picture, frame->data[0], frame->linesize[0]);
        std::memcpy(frame->data[1], codec.palette->entries().data(), AVPALETTE_SIZE);
        frame->pts = nextPts_++;
        return true;
    }
    if (codec.scaler == nullptr || codec.scalerLayout != picture.layout) {
        sws_freeContext(codec.scaler);
        const AVPixelFormat source =
            picture.layout == gpu::Picture::Layout::Rgba ? AV_PIX_FMT_RGBA : AV_PIX_FMT_BGRA;
        codec.scaler = sws_getContext(
            static_cast<int>(picture.width), static_cast<int>(picture.height), source, frame->width,
            frame->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        codec.scalerLayout = picture.layout;
        if (codec.scaler == nullptr) {
            Fail("no converter from the rendered frames to YUV 4:2:0");
            return false;
        }
        // Full-range RGB in, limited-range BT.709 out, as the stream is labelled.
        sws_setColorspaceDetails(codec.scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    }
    // The encoder may still hold a reference to a frame it was given: then this gets new memory.
    const int result = av_frame_make_writable(frame);
    if (result < 0) {
        Fail("no memory for a frame: " + AvError(result));
        return false;
    }
    const int pitch = static_cast<int>(picture.width) * 4;
    const std::uint8_t* top = picture.pixels.data();
    int stride = pitch;
    if (picture.bottomUp) {
        // Rows bottom first: start at the last row and step backwards.
        top += static_cast<std::size_t>(pitch) * (picture.height - 1);
        stride = -pitch;
    }
    const std::uint8_t* const planes[1] = {top};
    const int strides[1] = {stride};
    sws_scale(codec.scaler, planes, strides, 0, static_cast<int>(picture.height), frame->data,
              frame->linesize);
    frame->pts = nextPts_++;
    return true;
}

bool VideoEncoder::Push(const gpu::Picture& picture) {
    if (!codec_ || failed_) {
        return false;
    }
    // Converted here, on the caller's thread, so that what waits in the queue is the smaller
    // YUV frame and the encoder's thread only encodes.
    AVFrame* frame = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            frame = spare_.back();
            spare_.pop_back();
        }
    }
    if (frame == nullptr) {
        frame = av_frame_alloc();
        if (frame == nullptr) {
            Fail("no memory for a frame");
            return false;
        }
        frame->format = codec_->context->pix_fmt;
        frame->width = static_cast<int>(settings_.width);
        frame->height = static_cast<int>(settings_.height);
        const int result = av_frame_get_buffer(frame, 0);
        if (result < 0) {
            av_frame_free(&frame);
            Fail("no memory for a frame: " + AvError(result));
            return false;
        }
    }
    if (!Convert(picture, frame)) {
        av_frame_free(&frame);
        return false;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || queue_.size() < kQueueLength; });
    if (failed_) {
        av_frame_free(&frame);
        return false;
    }
    queue_.push_back(frame);
    changed_.notify_all();
    return true;
}

bool VideoEncoder::PushSound(const std::vector<float>& samples) {
    if (!codec_ || codec_->sound == nullptr || failed_) {
        return false;
    }
    std::lock_guard lock(mutex_);
    soundQueue_.insert(soundQueue_.end(), samples.begin(), samples.end());
    return true;
}

void VideoEncoder::Run() {
    for (;;) {
        AVFrame* frame = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || finishing_ || !queue_.empty(); });
            if (stopping_ || failed_) {
                return;
            }
            if (!queue_.empty()) {
                frame = queue_.front();
                queue_.pop_front();
                changed_.notify_all();
            }
        }
        if (frame == nullptr) {
            // The end: the frames the encoders still hold, then the file's index.
            if (!Encode(codec_->context, codec_->stream, nullptr) || !EncodeSound(true)) {
                return;
            }
            const int result = av_write_trailer(codec_->format);
            if (result < 0) {
                Fail("cannot write \"" + settings_.path + "\": " + AvError(result));
            }
            return;
        }
        const bool encoded = Encode(codec_->context, codec_->stream, frame) && EncodeSound(false);
        {
            std::lock_guard lock(mutex_);
            spare_.push_back(frame);
        }
        if (!encoded) {
            return;
        }
    }
}

bool VideoEncoder::Encode(AVCodecContext* context, AVStream* stream, AVFrame* frame) {
    Codec& codec = *codec_;
    int result = avcodec_send_frame(context, frame);
    if (result < 0) {
        Fail("the encoder refused a frame: " + AvError(result));
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(context, codec.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            Fail("the encoder failed: " + AvError(result));
            return false;
        }
        av_packet_rescale_ts(codec.packet, context->time_base, stream->time_base);
        codec.packet->stream_index = stream->index;
        bytes_ += static_cast<std::uint64_t>(codec.packet->size);
        result = av_interleaved_write_frame(codec.format, codec.packet);
        if (result < 0) {
            Fail("cannot write \"" + settings_.path + "\": " + AvError(result));
            return false;
        }
    }
}

bool VideoEncoder::EncodeSound(bool end) {
    Codec& codec = *codec_;
    if (codec.sound == nullptr) {
        return true;
    }
    {
        std::lock_guard lock(mutex_);
        soundHeld_.insert(soundHeld_.end(), soundQueue_.begin(), soundQueue_.end());
        soundQueue_.clear();
    }
    AVFrame* frame = codec.soundFrame;
    const std::size_t whole = static_cast<std::size_t>(codec.soundFrameSize) * kSoundChannels;
    std::size_t at = 0;
    // Whole frames of the encoder's size; at the end the rest, a shorter last frame.
    while (soundHeld_.size() - at >= whole || (end && soundHeld_.size() > at)) {
        const std::size_t count = std::min(whole, soundHeld_.size() - at) / kSoundChannels;
        const int result = av_frame_make_writable(frame);
        if (result < 0) {
            Fail("no memory for the sound: " + AvError(result));
            return false;
        }
        const float* samples = soundHeld_.data() + at;
        if (codec.soundPlanar) {
            auto* left = reinterpret_cast<float*>(frame->data[0]);
            auto* right = reinterpret_cast<float*>(frame->data[1]);
            for (std::size_t i = 0; i < count; ++i) {
                left[i] = samples[2 * i];
                right[i] = samples[2 * i + 1];
            }
        } else {
            std::memcpy(frame->data[0], samples, count * kSoundChannels * sizeof(float));
        }
        frame->nb_samples = static_cast<int>(count);
        frame->pts = codec.soundPts + codec.soundDelay;
        codec.soundPts += static_cast<std::int64_t>(count);
        if (!Encode(codec.sound, codec.soundStream, frame)) {
            return false;
        }
        at += count * kSoundChannels;
    }
    soundHeld_.erase(soundHeld_.begin(), soundHeld_.begin() + static_cast<std::ptrdiff_t>(at));
    return !end || Encode(codec.sound, codec.soundStream, nullptr);
}

void VideoEncoder::DropFrames() {
    for (AVFrame* frame : queue_) {
        av_frame_free(&frame);
    }
    queue_.clear();
    for (AVFrame* frame : spare_) {
        av_frame_free(&frame);
    }
    spare_.clear();
}

bool VideoEncoder::Finish() {
    if (!codec_) {
        if (error_.empty()) {
            error_ = "no video is being written";
        }
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
        changed_.notify_all();
    }
    thread_.join();
    bool ok = !failed_;
    if (ok) {
        const int result = codec_->Flush();
        if (result < 0) {
            error_ = "cannot write \"" + settings_.path + "\": " + AvError(result);
            ok = false;
        }
    }
    codec_.reset();
    DropFrames();
    if (ok && !file_.Commit()) {
        error_ = file_.error();
        ok = false;
    }
    file_.Discard();
    return ok;
}

void VideoEncoder::Abort() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    codec_.reset();
    file_.Discard();
    DropFrames();
}

std::string VideoEncoder::Description() const {
    VideoFormat container = VideoFormat::Mp4;
    VideoFormatOf(settings_.path, &container);
    std::string video;
    if (!settings_.encoder.empty()) {
        video = settings_.encoder + (container == VideoFormat::Gif ? "" : ", yuv420p");
    } else if (container == VideoFormat::Gif) {
        video = "GIF (gif, the 256 blends of the two colours, " +
                std::to_string(GifFrameDelay(settings_.fps)) +
                " hundredths of a second a frame, looping for ever)";
    } else if (container == VideoFormat::WebM) {
        video = std::string("VP9 (libvpx-vp9, real time, cpu-used ") + kVp9Speed + ", CRF " +
                kVp9Crf + "), yuv420p";
    } else {
        video = std::string("H.264 (libx264, preset ") + kX264Preset + ", CRF " + kX264Crf + ", " +
                kX264Params + "), yuv420p";
    }
    if (!settings_.sound) {
        return video;
    }
    const bool opus = container == VideoFormat::WebM;
    return video + "; drums in " + (opus ? "Opus (libopus" : "AAC (aac") + ", " +
           std::to_string(kSoundRate / 1000) + " kHz stereo, " +
           std::to_string((opus ? kOpusBitRate : kAacBitRate) / 1000) + " kb/s)";
}
