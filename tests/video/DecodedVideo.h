#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A video file read back with FFmpeg's libraries, as a player would: the stream's description
// and every decoded frame, as a hash of its pixels and how much of it is dark; and its sound
// track, where it has one.
struct DecodedVideo {
    std::string error;  // empty when the file could be read
    std::string container;
    std::string codec;
    std::string pixelFormat;
    int width = 0;
    int height = 0;
    double duration = 0.0;  // seconds, as the container states it
    double frameRate = 0.0;
    struct Frame {
        std::uint64_t hash = 0;
        // The share of its pixels darker than mid grey: in the central quarter, in the top half,
        // in all (luma of YUV frames, green of RGB ones).
        double darkCentre = 0.0;
        double darkTop = 0.0;
        double darkAll = 0.0;
        // How long the container shows it, in seconds.
        double duration = 0.0;
        // The colours it holds, as 0xRRGGBB, for pictures with few of them (a GIF's).
        std::vector<std::uint32_t> colours;
    };
    std::vector<Frame> frames;
    struct Sound {
        std::string codec;  // empty: the file has no sound
        int sampleRate = 0;
        int channels = 0;
        // When the first decoded sample plays, in seconds after the first frame shows.
        double start = 0.0;
        // The first channel, decoded.
        std::vector<float> samples;
        // Its index of the first sample whose magnitude exceeds `threshold`, or -1.
        long Onset(float threshold) const;
        // Its length in seconds.
        double Seconds() const {
            return sampleRate > 0 ? static_cast<double>(samples.size()) / sampleRate : 0.0;
        }
    } sound;
};

DecodedVideo DecodeVideo(const std::string& path);
