#include "session/VideoFormat.h"

#include <algorithm>
#include <cctype>

bool VideoFormatOf(const std::string& path, VideoFormat* format) {
    const auto dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') {
        return false;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "mp4") {
        *format = VideoFormat::Mp4;
    } else if (extension == "mkv") {
        *format = VideoFormat::Matroska;
    } else if (extension == "webm") {
        *format = VideoFormat::WebM;
    } else if (extension == "gif") {
        *format = VideoFormat::Gif;
    } else {
        return false;
    }
    return true;
}
