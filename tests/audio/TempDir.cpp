#include "tests/audio/TempDir.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace testing_audio {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "selvane-audio-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return file.string();
}

}  // namespace testing_audio
