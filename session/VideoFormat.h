#pragma once

#include <string>

// The containers a video can be written in, picked by the file name's extension. Known before
// any encoder exists: the command line and the export dialog refuse other names at once.
enum class VideoFormat { Mp4, Matroska, WebM, Gif };

// .mp4, .mkv, .webm or .gif, in any case; false for any other name.
bool VideoFormatOf(const std::string& path, VideoFormat* format);
