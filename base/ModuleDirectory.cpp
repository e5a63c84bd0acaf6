#include "base/ModuleDirectory.h"

#include <filesystem>
#include <system_error>

namespace {
std::string& Override() {
    static std::string directory;
    return directory;
}
}  // namespace

std::string GetModuleDirectory() {
    if (!Override().empty()) {
        return Override();
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "./";
    }
    std::string dir = exe.parent_path().string();
    if (dir.empty() || dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

void SetModuleDirectoryForTesting(std::string directory) {
    if (!directory.empty() && directory.back() != '/') {
        directory += '/';
    }
    Override() = std::move(directory);
}
