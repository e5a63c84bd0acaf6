#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A fresh directory under the system's temporary directory for one test, removed with all it
// holds when the test ends, also where the test took its permissions away.
class TempDir {
  public:
    // Throws when no directory can be made: a test cannot go on without it.
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file of that name in the directory, making the folders of the name on
    // the way, and returns its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string Write(std::string_view name, const std::vector<std::uint8_t>& bytes) const;
    std::string PathOf(std::string_view name) const;
    // Every entry, hidden ones too, sorted.
    std::vector<std::string> Names() const;

  private:
    std::filesystem::path path_;
};
