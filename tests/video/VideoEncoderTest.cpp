// The encoder on its own, fed with frames made here: what reaches the file, and that a file
// appears only complete.

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "tests/support/TempDir.h"
#include "tests/video/DecodedVideo.h"
#include "video/VideoEncoder.h"

namespace {

// A frame whose top half is white and bottom half black, in either of the two layouts.
gpu::Picture HalfBlack(std::uint32_t width, std::uint32_t height, bool bottomUpRgba) {
    gpu::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.layout = bottomUpRgba ? gpu::Picture::Layout::Rgba : gpu::Picture::Layout::Bgra;
    picture.bottomUp = bottomUpRgba;
    picture.pixels.assign(std::size_t{4} * width * height, 0xFF);
    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint32_t y = bottomUpRgba ? height - 1 - row : row;
        if (y >= height / 2) {
            std::fill_n(picture.pixels.begin() + std::size_t{4} * width * row, 4 * width, 0);
        }
    }
    return picture;
}

TEST(VideoEncoderTest, FormatsFollowTheExtension) {
    VideoFormat format;
    EXPECT_TRUE(VideoFormatOf("a/b.c/flight.MKV", &format));
    EXPECT_EQ(format, VideoFormat::Matroska);
    EXPECT_TRUE(VideoFormatOf("x.webm", &format));
    EXPECT_EQ(format, VideoFormat::WebM);
    EXPECT_TRUE(VideoFormatOf("x.Gif", &format));
    EXPECT_EQ(format, VideoFormat::Gif);
    EXPECT_FALSE(VideoFormatOf("flight.mp4/", &format));
    EXPECT_FALSE(VideoFormatOf("a.mp4/flight", &format));
    EXPECT_FALSE(VideoFormatOf("flight.mov", &format));
}

TEST(VideoEncoderTest, FramesOfBothLayoutsReachTheFileTheRightWayUp) {
    TempDir folder;
    VideoSettings settings;
    settings.path = folder.PathOf("frames.mp4");
    settings.width = 320;
    settings.height = 180;
    settings.fps = 25;
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(settings)) << encoder.error();
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(encoder.Push(HalfBlack(320, 180, i % 2 == 1))) << encoder.error();
        // Only a complete video takes the name.
        const std::vector<std::string> names = folder.Names();
        ASSERT_EQ(std::count(names.begin(), names.end(), "frames.mp4"), 0);
    }
    ASSERT_TRUE(encoder.Finish()) << encoder.error();
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"frames.mp4"});
    EXPECT_NE(encoder.Description().find("libx264"), std::string::npos);

    const DecodedVideo video = DecodeVideo(settings.path);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.codec, "h264");
    EXPECT_EQ(video.pixelFormat, "yuv420p");
    EXPECT_EQ(video.width, 320);
    EXPECT_EQ(video.height, 180);
    EXPECT_DOUBLE_EQ(video.frameRate, 25.0);
    ASSERT_EQ(video.frames.size(), 12u);
    for (const DecodedVideo::Frame& frame : video.frames) {
        EXPECT_LT(frame.darkTop, 0.01);
        EXPECT_NEAR(frame.darkAll, 0.5, 0.02);
    }
}

TEST(VideoEncoderTest, TheSoundTrackKeepsTimeWithThePicturesInEveryContainer) {
    // 30 frames of silence but for a burst at frame 15: the burst must play as that frame shows,
    // however the encoder primes its stream and the container records it.
    constexpr std::size_t kPerFrame = 48000 / 30;
    for (const char* name : {"click.mp4", "click.mkv", "click.webm"}) {
        SCOPED_TRACE(name);
        TempDir folder;
        VideoSettings settings;
        settings.path = folder.PathOf(name);
        settings.width = 160;
        settings.height = 90;
        settings.sound = true;
        VideoEncoder encoder;
        ASSERT_TRUE(encoder.Open(settings)) << encoder.error();
        for (std::size_t i = 0; i < 30; ++i) {
            std::vector<float> samples(kPerFrame * 2, 0.0f);
            if (i == 15) {
                for (std::size_t k = 0; k < 400; ++k) {
                    samples[2 * k] = samples[2 * k + 1] = (k % 40 < 20) ? 0.5f : -0.5f;
                }
            }
            ASSERT_TRUE(encoder.PushSound(samples));
            ASSERT_TRUE(encoder.Push(HalfBlack(160, 90, false))) << encoder.error();
        }
        ASSERT_TRUE(encoder.Finish()) << encoder.error();
        const DecodedVideo video = DecodeVideo(settings.path);
        ASSERT_EQ(video.error, "");
        EXPECT_EQ(video.frames.size(), 30u);
        EXPECT_EQ(video.sound.codec, std::string(name).ends_with(".webm") ? "opus" : "aac");
        EXPECT_EQ(video.sound.sampleRate, 48000);
        EXPECT_EQ(video.sound.channels, 2);
        EXPECT_NEAR(video.sound.start + video.sound.Seconds(), 1.0, 0.025);
        const long onset = video.sound.Onset(0.1f);
        ASSERT_GE(onset, 0);
        // To the sample, but for Matroska's timestamps in whole milliseconds.
        EXPECT_NEAR(video.sound.start + static_cast<double>(onset) / 48000, 0.5, 0.001);
    }
}

TEST(VideoEncoderTest, AGifShowsEveryBlendOfTheTwoColoursExactly) {
    // Yellow to blue: every channel spans the whole range, so each of the 256 blends is a colour
    // of its own, and red and blue run opposite ways, so a swapped layout would show.
    constexpr ColorRef kYellow = MakeColorRef(0xFF, 0xFF, 0x00);
    constexpr ColorRef kBlue = MakeColorRef(0x00, 0x00, 0xFF);
    TempDir folder;
    VideoSettings settings;
    settings.path = folder.PathOf("blends.gif");
    settings.width = 256;
    settings.height = 90;
    settings.fps = 50;
    settings.background = kYellow;
    settings.foreground = kBlue;
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(settings)) << encoder.error();
    // Column x: the blend x / 255 of the way from yellow to blue; the bottom rows are yellow.
    for (int i = 0; i < 3; ++i) {
        gpu::Picture picture = HalfBlack(256, 90, i == 1);
        const bool rgba = picture.layout == gpu::Picture::Layout::Rgba;
        for (std::uint32_t row = 0; row < 90; ++row) {
            const std::uint32_t y = picture.bottomUp ? 89 - row : row;
            for (int x = 0; x < 256; ++x) {
                std::uint8_t* p = picture.pixels.data() + (std::size_t{256} * row + x) * 4;
                const auto yellow = static_cast<std::uint8_t>(y < 80 ? 255 - x : 255);
                const auto blue = static_cast<std::uint8_t>(y < 80 ? x : 0);
                p[rgba ? 0 : 2] = yellow;
                p[1] = yellow;
                p[rgba ? 2 : 0] = blue;
            }
        }
        ASSERT_TRUE(encoder.Push(picture)) << encoder.error();
    }
    ASSERT_TRUE(encoder.Finish()) << encoder.error();
    EXPECT_NE(encoder.Description().find("2 hundredths"), std::string::npos);
    const DecodedVideo video = DecodeVideo(settings.path);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.codec, "gif");
    ASSERT_EQ(video.frames.size(), 3u);
    std::vector<std::uint32_t> blends;
    for (std::uint32_t x = 0; x < 256; ++x) {
        blends.push_back((255 - x) << 16 | (255 - x) << 8 | x);
    }
    std::sort(blends.begin(), blends.end());
    for (const DecodedVideo::Frame& frame : video.frames) {
        EXPECT_EQ(frame.colours, blends);
        EXPECT_NEAR(frame.darkTop, 0.5, 0.01);
        EXPECT_DOUBLE_EQ(frame.duration, 0.02);
    }
}

TEST(VideoEncoderTest, AnAbortedVideoLeavesAnOldFileAsItWas) {
    TempDir folder;
    const std::string path = folder.PathOf("old.webm");
    std::ofstream(path) << "the old file";
    VideoSettings settings;
    settings.path = path;
    settings.width = 160;
    settings.height = 90;
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(settings)) << encoder.error();
    ASSERT_TRUE(encoder.Push(HalfBlack(160, 90, false)));
    encoder.Abort();
    std::stringstream kept;
    kept << std::ifstream(path).rdbuf();
    EXPECT_EQ(kept.str(), "the old file");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"old.webm"});
    EXPECT_FALSE(encoder.Push(HalfBlack(160, 90, false)));
    EXPECT_FALSE(encoder.Finish());
}

TEST(VideoEncoderTest, FailuresToOpenSayWhyAndLeaveNoFile) {
    TempDir folder;
    VideoSettings settings;
    VideoEncoder encoder;
    settings.path = folder.PathOf("none/x.mp4");
    EXPECT_FALSE(encoder.Open(settings));
    EXPECT_NE(encoder.error().find("no folder"), std::string::npos) << encoder.error();

    settings.path = folder.PathOf("x.mp4");
    settings.encoder = "no-such-encoder";
    EXPECT_FALSE(encoder.Open(settings));
    EXPECT_NE(encoder.error().find("no-such-encoder"), std::string::npos);

    // An encoder FFmpeg has that cannot start here: it needs hardware this machine lacks.
    for (const char* name : {"h264_vaapi", "h264_nvenc", "h264_v4l2m2m"}) {
        if (avcodec_find_encoder_by_name(name) == nullptr) {
            continue;
        }
        settings.encoder = name;
        EXPECT_FALSE(encoder.Open(settings)) << name;
        EXPECT_NE(encoder.error().find("cannot be opened"), std::string::npos) << encoder.error();
    }
    settings.encoder.clear();
    settings.path = folder.PathOf("x.mp4") + "/";
    EXPECT_FALSE(encoder.Open(settings));
    EXPECT_TRUE(folder.Names().empty());
}

}  // namespace
