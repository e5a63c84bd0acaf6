#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Color.h"
#include "gpu/Device.h"
#include "session/VideoFormat.h"
#include "video/PendingFile.h"

struct AVCodecContext;
struct AVFrame;
struct AVStream;

// The hundredths of a second a GIF shows each frame for at `fps` frames a second: exact at 25
// and 50, rounded at 24, 30 and 60 (4, 3 and 2), where such a GIF plays a little faster or
// slower than the flight.
int GifFrameDelay(std::uint32_t fps);

struct VideoSettings {
    std::string path;
    std::uint32_t width = 1280;
    std::uint32_t height = 720;
    std::uint32_t fps = 30;
    // The FFmpeg encoder by name; empty: the format's own (libx264 for H.264, libvpx-vp9).
    std::string encoder;
    // A sound track too, handed over with PushSound: 48 kHz stereo, AAC in MP4 and Matroska,
    // Opus in WebM. A GIF has none.
    bool sound = false;
    // The two colours every pixel is a blend of, for a GIF's palette.
    ColorRef background = 0xFFFFFF;
    ColorRef foreground = 0;
};

// Writes frames to a video file with FFmpeg's libraries on a thread of its own: the caller hands
// over whole frames, converted to YUV 4:2:0 (for a GIF, to the palette of the two colours' blends)
// as they come, which wait in a short queue while earlier ones are encoded, so drawing the next
// frames overlaps the encoding. The file appears under its name only when Finish succeeds; a
// failure, Abort or the end of the process before Finish leave no file behind (an existing file of
// that name stays as it was).
class VideoEncoder {
  public:
    VideoEncoder();
    // Aborts an encoding not finished.
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Makes the pending file and opens the encoder; false with error() when either fails.
    bool Open(const VideoSettings& settings);
    // Converts one frame of the settings' size to YUV 4:2:0 on the calling thread and queues it
    // for the encoder; waits while the queue is full. False once the encoding has failed
    // (error() says why); the frame is dropped then.
    bool Push(const gpu::Picture& picture);
    // Queues the sound that goes with the frames: stereo 32-bit float samples, interleaved, at
    // 48 kHz, continuing from the samples before. Encoded on the encoder's thread after the
    // frames queued before it.
    bool PushSound(const std::vector<float>& samples);
    // Encodes what is queued, writes the end of the file and gives it its name.
    bool Finish();
    // Stops at once: the thread ends after the frame in hand, and the file goes.
    void Abort();

    const std::string& error() const { return error_; }
    // What the video is encoded with, for the summary: codec, encoder and its settings.
    std::string Description() const;
    std::uint64_t BytesWritten() const { return bytes_; }

    // Frames that may wait for the encoder: enough to ride out a slow frame, few enough that a
    // queue of 1080p frames (3 MB each in YUV 4:2:0) stays small.
    static constexpr std::size_t kQueueLength = 2;

  private:
    struct Codec;
    void Run();
    bool Convert(const gpu::Picture& picture, AVFrame* frame);
    // Null: the end of that stream.
    bool Encode(AVCodecContext* context, AVStream* stream, AVFrame* frame);
    // The sound queued so far, in the encoder's frames; at the end also what is left over, and
    // the end of the stream.
    bool EncodeSound(bool end);
    void DropFrames();
    void Fail(std::string message);

    VideoSettings settings_;
    std::unique_ptr<Codec> codec_;
    PendingFile file_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<AVFrame*> queue_;
    // Frames the encoder is done with, for the next ones.
    std::vector<AVFrame*> spare_;
    bool finishing_ = false;
    bool stopping_ = false;
    std::atomic<bool> failed_ = false;
    std::string error_;
    std::int64_t nextPts_ = 0;
    std::uint64_t bytes_ = 0;
    // Sound handed over and not yet taken by the encoder's thread (guarded by mutex_), and what
    // that thread holds back until it fills an encoder's frame.
    std::vector<float> soundQueue_;
    std::vector<float> soundHeld_;
};
