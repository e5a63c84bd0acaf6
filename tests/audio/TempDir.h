#pragma once

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes.

#include <filesystem>
#include <string>
#include <vector>

#include <cstdint>

namespace testing_audio {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to `name` (creating directories on the way) and returns the full path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

  private:
    std::filesystem::path path_;
};

}  // namespace testing_audio
