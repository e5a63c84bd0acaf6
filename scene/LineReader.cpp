#include "scene/LineReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "scene/Cp932Decoder.h"
#include "scene/FileException.h"
#include "scene/Utf8Decoder.h"

namespace {

ReadFunction& CurrentRead() {
    static ReadFunction read;
    return read;
}

ssize_t ReadSome(int fd, void* buffer, std::size_t size) {
    const ReadFunction& read = CurrentRead();
    return read ? read(fd, buffer, size) : ::read(fd, buffer, size);
}

}  // namespace

ReadFunction SetReadFunctionForTesting(ReadFunction read) {
    ReadFunction previous = std::move(CurrentRead());
    CurrentRead() = std::move(read);
    return previous;
}

LineReader::LineReader(std::size_t bufferSize)
    : bufferSize_(std::max(bufferSize, kMinimumBufferSize)),
      buffer_(new std::uint8_t[bufferSize_]) {
    pos_ = end_ = buffer_.get();
}

LineReader::~LineReader() {
    Close();
}

bool LineReader::Open(const std::string& path, TextEncoding encoding) {
    Close();
    // Refused before opening: opening a FIFO waits for a writer, and opening some devices acts
    // on them (a tape rewinds, a terminal may become the controlling one).
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // The path may have been replaced by something else since; O_NONBLOCK keeps even that open
    // from waiting, and the second check refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return false;
    }
    // Reads of a regular file wait for the disk, never for a writer: blocking mode is right.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = fd;
    fileSize_ = static_cast<std::uint64_t>(st.st_size);
    encoding_ = encoding;
    path_ = path;
    pos_ = end_ = buffer_.get();
    eof_ = false;
    failedError_ = 0;
    checkByteOrderMark_ = encoding == TextEncoding::Utf8;
    return true;
}

void LineReader::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    pos_ = end_ = buffer_.get();
    eof_ = true;
    failedError_ = 0;
    checkByteOrderMark_ = false;
}

void LineReader::Fill() {
    std::uint8_t* const start = buffer_.get();
    const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
    std::memmove(start, pos_, kept);
    pos_ = start;
    end_ = start + kept;
    const std::size_t room = bufferSize_ - kept;
    for (;;) {
        const ssize_t n = ReadSome(fd_, end_, room);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Sticky: a later call must not pass the bytes still buffered off as a last line.
            failedError_ = errno != 0 ? errno : EIO;
            throw FileException(FileException::Cause::Generic, path_, failedError_);
        }
        if (n == 0) {
            eof_ = true;
            return;
        }
        const std::size_t got = std::min(static_cast<std::size_t>(n), room);
        if (auto* sub = static_cast<std::uint8_t*>(std::memchr(end_, 0x1A, got))) {
            end_ = sub;
            eof_ = true;
            return;
        }
        end_ += got;
        return;
    }
}

void LineReader::SkipByteOrderMark() {
    checkByteOrderMark_ = false;
    while (end_ - pos_ < 3 && !eof_) {
        Fill();
    }
    static constexpr std::uint8_t kMark[3] = {0xEF, 0xBB, 0xBF};
    if (end_ - pos_ >= 3 && std::memcmp(pos_, kMark, 3) == 0) {
        pos_ += 3;
    }
}

const std::uint8_t* LineReader::DecodeAppend(const std::uint8_t* first, const std::uint8_t* last,
                                             bool final, std::u16string& line) const {
    const std::size_t old = line.size();
    // No byte gives more than one unit, so the line grows by at most the bytes given.
    line.resize(old + static_cast<std::size_t>(last - first));
    char16_t* out = line.data() + old;
    const std::uint8_t* next = encoding_ == TextEncoding::Utf8
                                   ? Utf8Decoder::Decode(first, last, final, out)
                                   : Cp932Decoder::Decode(first, last, final, out);
    line.resize(static_cast<std::size_t>(out - line.data()));
    return next;
}

bool LineReader::ReadString(std::u16string& line) {
    line.clear();
    if (fd_ < 0) {
        return false;
    }
    if (failedError_ != 0) {
        throw FileException(FileException::Cause::Generic, path_, failedError_);
    }
    if (checkByteOrderMark_) {
        SkipByteOrderMark();
    }
    bool any = false;
    for (;;) {
        if (pos_ == end_) {
            if (eof_) {
                return any;
            }
            Fill();
            continue;
        }
        any = true;
        const auto* newline =
            static_cast<const std::uint8_t*>(std::memchr(pos_, '\n', end_ - pos_));
        if (newline != nullptr) {
            const std::uint8_t* last = newline;
            if (last > pos_ && last[-1] == '\r') {
                --last;
            }
            DecodeAppend(pos_, last, true, line);
            pos_ = newline + 1;
            return true;
        }
        if (eof_) {
            DecodeAppend(pos_, end_, true, line);
            pos_ = end_;
            return true;
        }
        // The line goes on past the buffer. A CR at its end may be half of a CR LF, and a lead
        // byte (or the start of a UTF-8 sequence) may have its trail in the next fill: both
        // stay undecoded until the bytes after them are in.
        const std::uint8_t* last = end_;
        if (last[-1] == '\r') {
            --last;
        }
        pos_ = DecodeAppend(pos_, last, false, line);
        Fill();
    }
}
