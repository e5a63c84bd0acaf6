// The encoder on its own, fed with frames made here: what reaches the file, and that a file
// appears only complete.

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
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
