#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A video file read back with FFmpeg's libraries, as a player would: the stream's description
// and every decoded frame, as a hash of its pixels and how much of it is dark.
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
        // in all.
        double darkCentre = 0.0;
        double darkTop = 0.0;
        double darkAll = 0.0;
    };
    std::vector<Frame> frames;
};

DecodedVideo DecodeVideo(const std::string& path);
