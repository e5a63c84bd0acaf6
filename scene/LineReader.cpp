#include "scene/LineReader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "scene/Cp932Decoder.h"
#include "scene/EncodingDetector.h"
#include "scene/FileException.h"
#include "scene/IconvDecoder.h"
#include "scene/Utf16Decoder.h"
#include "scene/Utf8Decoder.h"

namespace {

constexpr std::uint8_t kSubstitute = 0x1A;
constexpr char16_t kReplacement = u'\uFFFD';

ReadFunction& CurrentRead() {
    static ReadFunction read;
    return read;
}

ssize_t ReadSome(int fd, void* buffer, std::size_t size) {
    const ReadFunction& read = CurrentRead();
    return read ? read(fd, buffer, size) : ::read(fd, buffer, size);
}

// Standard input may come non-blocking from whoever started the program; its flags belong to
// them too, so the reader waits instead of changing them.
void WaitForInput(int fd) {
    pollfd watched{fd, POLLIN, 0};
    while (::poll(&watched, 1, -1) < 0 && errno == EINTR) {
    }
}

// The name iconv decodes our own encodings by. glibc's ISO-2022-JP-3 reads what its
// ISO-2022-JP reads, JIS X 0208 alike, and also the half-width katakana (ESC ( I) that some
// mail programs write, which ISO-2022-JP passes through as escapes.
std::string IconvNameOf(const EncodingChoice& encoding) {
    switch (encoding.encoding) {
        case TextEncoding::EucJp:
            return "EUC-JP";
        case TextEncoding::Iso2022Jp:
            return "ISO-2022-JP-3";
        default:
            return encoding.iconvName;
    }
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

bool LineReader::Open(const std::string& path, const EncodingChoice& encoding) {
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
    Start(fd, static_cast<std::uint64_t>(st.st_size), true, path, encoding);
    regular_ = true;
    return true;
}

void LineReader::OpenSource(const std::string& name, std::uint64_t size, bool sizeKnown,
                            ByteSource source, const EncodingChoice& encoding) {
    Close();
    Start(-1, size, sizeKnown, name, encoding);
    source_ = std::move(source);
}

std::string LineReader::PeekStart(std::size_t n) {
    if (!regular_ || fd_ < 0 || begun_) {
        return {};
    }
    FillAtLeast(n);
    return std::string(reinterpret_cast<const char*>(pos_),
                       std::min(n, static_cast<std::size_t>(end_ - pos_)));
}

bool LineReader::OpenStandardInput(const std::string& name, const EncodingChoice& encoding) {
    Close();
    // A descriptor of our own, so that closing the reader leaves standard input open.
    const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || S_ISDIR(st.st_mode)) {
        const int error = statted ? EISDIR : errno;
        ::close(fd);
        errno = error;
        return false;
    }
    // A file given as standard input is read from where its offset stands.
    std::uint64_t size = 0;
    const bool regular = S_ISREG(st.st_mode);
    if (regular) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        size = static_cast<std::uint64_t>(st.st_size - std::clamp<off_t>(at, 0, st.st_size));
    }
    Start(fd, size, regular, name, encoding);
    return true;
}

void LineReader::Start(int fd, std::uint64_t size, bool sizeKnown, const std::string& path,
                       const EncodingChoice& encoding) {
    if (encoding.encoding == TextEncoding::Auto && bufferSize_ <= EncodingDetector::kWindow) {
        bufferSize_ = EncodingDetector::kWindow + kMinimumBufferSize;
        buffer_.reset(new std::uint8_t[bufferSize_]);
        decoded_.reset();
    }
    fd_ = fd;
    fileSize_ = size;
    sizeKnown_ = sizeKnown;
    path_ = path;
    asked_ = encoding;
    decided_ = encoding;
    pos_ = end_ = buffer_.get();
    eof_ = false;
    failedError_ = 0;
    begun_ = false;
    mode_ = Mode::Bytes;
    // Until a byte-order mark rules UTF-16 out, the bytes are taken as they come.
    cutAtSubstitute_ =
        encoding.encoding == TextEncoding::Cp932 || encoding.encoding == TextEncoding::Utf8;
}

void LineReader::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    regular_ = false;
    source_ = nullptr;
    sourceFailure_ = nullptr;
    pos_ = end_ = buffer_.get();
    eof_ = true;
    failedError_ = 0;
    begun_ = false;
    iconv_.reset();
    units_.reset();
    unitCapacity_ = 0;
    unitPos_ = unitEnd_ = nullptr;
    unitsDone_ = false;
    stripMark_ = false;
}

void LineReader::Fill() {
    std::uint8_t* const start = buffer_.get();
    const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
    std::memmove(start, pos_, kept);
    pos_ = start;
    end_ = start + kept;
    const std::size_t room = bufferSize_ - kept;
    for (;;) {
        ssize_t n = 0;
        if (source_) {
            try {
                n = static_cast<ssize_t>(source_(end_, room));
            } catch (...) {
                sourceFailure_ = std::current_exception();
                throw;
            }
        } else {
            n = ReadSome(fd_, end_, room);
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                WaitForInput(fd_);
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
        const std::uint8_t* fresh = end_;
        end_ += std::min(static_cast<std::size_t>(n), room);
        if (cutAtSubstitute_) {
            CutAtSubstitute(fresh);
        }
        return;
    }
}

void LineReader::FillAtLeast(std::size_t bytes) {
    while (static_cast<std::size_t>(end_ - pos_) < bytes && !eof_) {
        Fill();
    }
}

void LineReader::CutAtSubstitute(const std::uint8_t* from) {
    if (auto* sub = static_cast<std::uint8_t*>(
            std::memchr(const_cast<std::uint8_t*>(from), kSubstitute, end_ - from))) {
        end_ = sub;
        eof_ = true;
    }
}

void LineReader::Begin() {
    begun_ = true;
    switch (asked_.encoding) {
        case TextEncoding::Cp932:
            DecodeAsBytes(TextEncoding::Cp932);
            return;
        case TextEncoding::Auto:
        case TextEncoding::Utf8: {
            FillAtLeast(3);
            const auto mark = EncodingDetector::FindByteOrderMark(pos_, end_);
            if (mark &&
                (asked_.encoding == TextEncoding::Auto || mark->encoding == TextEncoding::Utf8)) {
                pos_ += mark->length;
                if (mark->encoding == TextEncoding::Utf8) {
                    DecodeAsBytes(TextEncoding::Utf8);
                } else {
                    DecodeAsUnits(mark->encoding);
                }
                return;
            }
            if (asked_.encoding == TextEncoding::Utf8) {
                DecodeAsBytes(TextEncoding::Utf8);
                return;
            }
            mode_ = Mode::Undecided;
            decided_ = TextEncoding::Auto;
            cutAtSubstitute_ = true;
            CutAtSubstitute(pos_);
            return;
        }
        case TextEncoding::Utf16:
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be: {
            FillAtLeast(2);
            const auto mark = EncodingDetector::FindByteOrderMark(pos_, end_);
            TextEncoding order =
                asked_.encoding == TextEncoding::Utf16 ? TextEncoding::Utf16Le : asked_.encoding;
            if (mark && mark->encoding != TextEncoding::Utf8 &&
                (asked_.encoding == TextEncoding::Utf16 || mark->encoding == order)) {
                order = mark->encoding;
                pos_ += mark->length;
            }
            DecodeAsUnits(order);
            return;
        }
        case TextEncoding::EucJp:
        case TextEncoding::Iso2022Jp:
        case TextEncoding::Iconv:
            // iconv reads the mark of the UTF-16 and UTF-32 it knows by itself; for the others a
            // leading U+FEFF is no character of the text.
            stripMark_ = true;
            DecodeAsUnits(asked_);
            return;
    }
}

bool LineReader::Decide() {
    if (*pos_ == EncodingDetector::kEscape) {
        FillAtLeast(3);
        if (!EncodingDetector::StartsDesignation(pos_, end_)) {
            return false;
        }
    }
    // The choice holds for the rest of the text. Where a later part contradicts it (a byte
    // that UTF-8 does not allow, a pair that code page 932 does not have), that part becomes
    // U+FFFD, one for each byte that cannot start a character, and reading goes on: nothing
    // after it is lost.
    //
    // One byte more than the window tells whether the text ends with it.
    FillAtLeast(EncodingDetector::kWindow + 1);
    const auto available = static_cast<std::size_t>(end_ - pos_);
    const std::size_t window = std::min(available, EncodingDetector::kWindow);
    const TextEncoding chosen =
        EncodingDetector::Decide(pos_, pos_ + window, available <= EncodingDetector::kWindow);
    if (chosen == TextEncoding::Utf8 || chosen == TextEncoding::Cp932) {
        DecodeAsBytes(chosen);
    } else {
        DecodeAsUnits(chosen);
    }
    return true;
}

void LineReader::DecodeAsBytes(TextEncoding encoding) {
    mode_ = Mode::Bytes;
    decided_ = encoding;
    if (!cutAtSubstitute_) {
        cutAtSubstitute_ = true;
        CutAtSubstitute(pos_);
    }
}

void LineReader::DecodeAsUnits(const EncodingChoice& encoding) {
    mode_ = Mode::Units;
    decided_ = encoding;
    bigEndian_ = encoding.encoding == TextEncoding::Utf16Be;
    if (encoding.encoding != TextEncoding::Utf16Le && encoding.encoding != TextEncoding::Utf16Be) {
        iconv_ = std::make_unique<IconvDecoder>(IconvNameOf(encoding));
        if (!iconv_->IsOpen()) {
            // Names are checked when they are given; this is iconv out of descriptors or memory.
            failedError_ = errno != 0 ? errno : EINVAL;
            throw FileException(FileException::Cause::Generic, path_, failedError_);
        }
    }
    // Room for at least two units beside a kept CR, whatever the buffer.
    unitCapacity_ = std::max<std::size_t>(bufferSize_, 16);
    units_.reset(new char16_t[unitCapacity_]);
    unitPos_ = unitEnd_ = units_.get();
    unitsDone_ = false;
}

const std::uint8_t* LineReader::DecodeAppend(const std::uint8_t* first, const std::uint8_t* last,
                                             bool final, std::u16string& line) {
    // Decoded into a buffer of our own and appended: growing the line first would fill it with
    // zeros the decoder overwrites, as many as there are bytes. No byte gives more than one
    // unit, and the bytes lie in the read buffer, so the decoded buffer is as large as that.
    if (!decoded_) {
        decoded_.reset(new char16_t[bufferSize_]);
    }
    char16_t* out = decoded_.get();
    // Before a choice is made, what is read is ASCII, which code page 932 reads as it is.
    const std::uint8_t* next = decided_.encoding == TextEncoding::Utf8
                                   ? Utf8Decoder::Decode(first, last, final, out)
                                   : Cp932Decoder::Decode(first, last, final, out);
    line.append(decoded_.get(), out);
    return next;
}

bool LineReader::ReadString(std::u16string& line) {
    line.clear();
    if (!IsOpen()) {
        return false;
    }
    if (sourceFailure_) {
        std::rethrow_exception(sourceFailure_);
    }
    if (failedError_ != 0) {
        throw FileException(FileException::Cause::Generic, path_, failedError_);
    }
    if (!begun_) {
        Begin();
    }
    bool any = false;
    for (;;) {
        const Step step = mode_ == Mode::Units ? ReadUnits(line, any) : ReadBytes(line, any);
        if (step != Step::Switched) {
            return step == Step::Line;
        }
    }
}

LineReader::Step LineReader::ReadBytes(std::u16string& line, bool& any) {
    for (;;) {
        if (pos_ == end_) {
            if (eof_) {
                return any ? Step::Line : Step::End;
            }
            Fill();
            continue;
        }
        // Undecided, the line is looked at up to the first byte that may read differently in
        // the encodings the choice is between.
        const std::uint8_t* const limit =
            mode_ == Mode::Undecided ? EncodingDetector::FindNonAscii(pos_, end_) : end_;
        // Every byte before the limit gives a character; the bytes after the choice may give
        // none (an ISO-2022-JP escape alone is no line).
        any = any || limit != pos_;
        const auto* newline =
            static_cast<const std::uint8_t*>(std::memchr(pos_, '\n', limit - pos_));
        if (newline != nullptr) {
            const std::uint8_t* last = newline;
            if (last > pos_ && last[-1] == '\r') {
                --last;
            }
            DecodeAppend(pos_, last, true, line);
            pos_ = newline + 1;
            return Step::Line;
        }
        if (limit != end_) {
            DecodeAppend(pos_, limit, true, line);
            pos_ = limit;
            if (Decide()) {
                // Escapes decode to nothing: a CR before them may yet end the line with the LF
                // after them, which the decoded units tell.
                if (mode_ == Mode::Units && !line.empty() && line.back() == u'\r') {
                    line.pop_back();
                    *unitEnd_++ = u'\r';
                }
                return Step::Switched;
            }
            // An escape that designates nothing is ASCII like the rest.
            any = true;
            DecodeAppend(pos_, pos_ + 1, true, line);
            ++pos_;
            continue;
        }
        if (eof_) {
            DecodeAppend(pos_, end_, true, line);
            pos_ = end_;
            return Step::Line;
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

LineReader::Step LineReader::ReadUnits(std::u16string& line, bool& any) {
    for (;;) {
        if (unitPos_ != unitEnd_) {
            any = true;
            char16_t* const newline = std::find(unitPos_, unitEnd_, u'\n');
            if (newline != unitEnd_) {
                char16_t* last = newline;
                if (last > unitPos_ && last[-1] == u'\r') {
                    --last;
                }
                line.append(unitPos_, last);
                unitPos_ = newline + 1;
                return Step::Line;
            }
            // A CR at the end may be half of a CR LF: it waits for the units after it.
            char16_t* const keep = unitEnd_[-1] == u'\r' ? unitEnd_ - 1 : unitEnd_;
            line.append(unitPos_, keep);
            unitPos_ = keep;
        }
        if (!MoreUnits()) {
            line.append(unitPos_, unitEnd_);
            unitPos_ = unitEnd_;
            return any ? Step::Line : Step::End;
        }
    }
}

bool LineReader::MoreUnits() {
    // What is not delivered yet (a CR at most) moves to the start.
    unitEnd_ = std::copy(unitPos_, unitEnd_, units_.get());
    unitPos_ = units_.get();
    char16_t* const limit = units_.get() + unitCapacity_;
    while (!unitsDone_) {
        if (pos_ == end_ && !eof_) {
            Fill();
            continue;
        }
        const std::uint8_t* in = pos_;
        char16_t* out = unitEnd_;
        if (iconv_) {
            iconv_->Decode(in, end_, out, limit, eof_);
        } else {
            Utf16Decoder::Decode(in, end_, bigEndian_, eof_, out, limit);
        }
        const bool progressed = in != pos_;
        pos_ = in;
        if (stripMark_ && out != unitEnd_) {
            stripMark_ = false;
            if (*unitEnd_ == u'\uFEFF') {
                out = std::copy(unitEnd_ + 1, out, unitEnd_);
            }
        }
        if (char16_t* const sub = std::find(unitEnd_, out, u'\x1A'); sub != out) {
            out = sub;
            unitsDone_ = true;
        }
        const bool produced = out != unitEnd_;
        unitEnd_ = out;
        if (eof_ && pos_ == end_) {
            unitsDone_ = true;
        }
        if (produced) {
            return true;
        }
        if (!progressed && !unitsDone_) {
            if (eof_ || static_cast<std::size_t>(end_ - pos_) == bufferSize_) {
                // A decoder that takes nothing more even at the end would hold reading up for
                // ever: the byte it stops at stands for nothing it can read.
                *unitEnd_++ = kReplacement;
                ++pos_;
                return true;
            }
            // An incomplete sequence waits for the bytes that complete it.
            Fill();
        }
    }
    return false;
}
