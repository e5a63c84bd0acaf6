#include "audio/BufferedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {
// Large enough for every header of a WAV file in one refill; the sample data, read in one
// request, goes straight into the caller's memory.
constexpr std::size_t kBufferSize = 8192;
}  // namespace

BufferedFile::~BufferedFile() {
    Close();
}

bool BufferedFile::Open(const char* path) {
    Close();
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is refused below.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    buffer_.reset(new (std::nothrow) std::uint8_t[kBufferSize]);
    if (!buffer_) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    length_ = static_cast<std::uint64_t>(st.st_size);
    position_ = 0;
    bufferStart_ = 0;
    bufferFill_ = 0;
    return true;
}

void BufferedFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    buffer_.reset();
    length_ = 0;
    position_ = 0;
    bufferFill_ = 0;
}

std::size_t BufferedFile::ReadAt(std::uint64_t offset, std::uint8_t* destination,
                                 std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(fd_, destination + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t BufferedFile::Read(void* destination, std::size_t count) {
    if (fd_ < 0 || position_ >= length_) {
        return 0;
    }
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, length_ - position_));
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < count) {
        if (position_ >= bufferStart_ && position_ < bufferStart_ + bufferFill_) {
            const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
            const std::size_t n = std::min(count - done, bufferFill_ - at);
            std::memcpy(out + done, buffer_.get() + at, n);
            done += n;
            position_ += n;
            continue;
        }
        const std::size_t left = count - done;
        if (left >= kBufferSize) {
            const std::size_t n = ReadAt(position_, out + done, left);
            done += n;
            position_ += n;
            break;
        }
        bufferStart_ = position_;
        bufferFill_ = ReadAt(position_, buffer_.get(), kBufferSize);
        if (bufferFill_ == 0) {
            break;
        }
    }
    return done;
}
