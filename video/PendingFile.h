#pragma once

#include <string>

// A file that takes its name only once it is complete. Until Commit it has no name at all
// (O_TMPFILE) where the file system allows that, so not even a killed process leaves a partial
// file behind; elsewhere it is a hidden temporary file in the same folder, removed by Discard.
// Commit puts it in place in one rename, so a file of the same name is replaced only by a
// complete one.
class PendingFile {
  public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // False, with the reason in error(), when the folder of path does not exist or cannot be
    // written, or path names a folder.
    bool Create(const std::string& path);
    // The file, open for reading and writing, and a name under which it can be opened again
    // for reading while it is pending (an unnamed file cannot be opened to be created again).
    int fd() const { return fd_; }
    const std::string& AccessPath() const { return access_; }
    bool Commit();
    void Discard();

    const std::string& error() const { return error_; }

  private:
    bool Fail(const std::string& what, int error);

    std::string path_;
    std::string folder_;
    std::string access_;
    std::string temporary_;  // the named fallback; empty for an unnamed file
    int fd_ = -1;
    std::string error_;
};
