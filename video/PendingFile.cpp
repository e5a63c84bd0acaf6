#include "video/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

// A hidden name in the same folder, so that the rename stays on one file system.
std::string TemporaryPattern(const std::string& folder, const std::string& path) {
    return folder + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
}

mode_t CreationMode() {
    // The mode a file made with 0666 gets; umask can only be read by setting it.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

PendingFile::~PendingFile() {
    Discard();
}

bool PendingFile::Fail(const std::string& what, int error) {
    error_ = what + ": " + std::strerror(error);
    Discard();
    return false;
}

bool PendingFile::Create(const std::string& path) {
    Discard();
    error_.clear();
    path_ = path;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    folder_ = parent.empty() ? std::string(".") : parent.string();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return Fail("cannot write \"" + path + "\"", EISDIR);
    }
    if (::stat(folder_.c_str(), &st) != 0) {
        return Fail("no folder \"" + folder_ + "\"", errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return Fail("\"" + folder_ + "\" is not a folder", ENOTDIR);
    }
    // The unnamed file is reached again through /proc, which must be there to name it later.
    if (::access("/proc/self/fd", X_OK) == 0) {
        fd_ = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            access_ = "/proc/self/fd/" + std::to_string(fd_);
            return true;
        }
        // Any other error would stop the named file too; these only say "not here".
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return Fail("cannot write in the folder \"" + folder_ + "\"", errno);
        }
    }
    std::string name = TemporaryPattern(folder_, path);
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) {
        return Fail("cannot write in the folder \"" + folder_ + "\"", errno);
    }
    temporary_ = name;
    access_ = name;
    ::fchmod(fd_, CreationMode());
    return true;
}

bool PendingFile::Commit() {
    if (fd_ < 0) {
        error_ = "no file to name";
        return false;
    }
    std::string staged = temporary_;
    if (staged.empty()) {
        // linkat refuses an existing name: link under a free temporary name, then rename.
        // Not the C library's rand: the flight's path is drawn from its sequence.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && staged.empty(); ++attempt) {
            std::string name = TemporaryPattern(folder_, path_);
            static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
            for (std::size_t i = name.size() - 6; i < name.size(); ++i) {
                name[i] = kLetters[random() % 36];
            }
            if (::linkat(AT_FDCWD, access_.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                staged = name;
            } else if (errno != EEXIST) {
                return Fail("cannot name \"" + path_ + "\"", errno);
            }
        }
        if (staged.empty()) {
            return Fail("cannot name \"" + path_ + "\"", EEXIST);
        }
    }
    if (::rename(staged.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(staged.c_str());
        temporary_.clear();
        return Fail("cannot name \"" + path_ + "\"", error);
    }
    temporary_.clear();
    ::close(fd_);
    fd_ = -1;
    access_.clear();
    return true;
}

void PendingFile::Discard() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    access_.clear();
}
