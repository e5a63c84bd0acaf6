#pragma once

#include <string>
#include <string_view>
#include <vector>

// A fresh directory under the system's temporary directory for one test, removed with all it
// holds when the test ends.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes bytes to a file of that name in the directory and returns its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string PathOf(std::string_view name) const;
    // Every entry, hidden ones too, sorted.
    std::vector<std::string> Names() const;

  private:
    std::string path_;
};
