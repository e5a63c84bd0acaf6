#pragma once

// Buffered reading of a regular file with free positioning. The file's length is taken when it
// is opened and bounds every read, so that sizes claimed by the content can be checked against
// what is really there.

#include <cstddef>
#include <cstdint>
#include <memory>

class BufferedFile {
  public:
    BufferedFile() = default;
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    // Fails for anything but a regular file: a pipe or a device could block or never end.
    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    std::uint64_t Length() const { return length_; }
    std::uint64_t Position() const { return position_; }
    // Any position is accepted, also one past the end; reads from there yield nothing.
    void Seek(std::uint64_t position) { position_ = position; }

    // Reads up to `count` bytes at the position and moves past them. Returns how many arrived:
    // fewer than asked only at the end of the file or on an I/O error.
    std::size_t Read(void* destination, std::size_t count);

  private:
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* destination, std::size_t count);

    int fd_ = -1;
    std::uint64_t length_ = 0;
    std::uint64_t position_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t bufferStart_ = 0;
    std::size_t bufferFill_ = 0;
};
