// Fuzzes the line reader: the input's first byte picks the encoding and a seed for the sizes of
// the reads, the second the size of the reader's buffer, and the rest is the file. The lines
// must be the same whether the file is read in one large buffer or in a small one with short
// and interrupted reads, and must equal the contract applied to the whole file at once: cut at
// 0x1A, split at LF, one CR before each LF dropped, every piece decoded on its own. Read once
// more with the same reads up to one that fails, the reader must deliver a part of those lines
// from the start, then report the failure, and keep reporting it.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scene/Cp932Decoder.h"
#include "scene/FileException.h"
#include "scene/LineReader.h"
#include "scene/Utf8Decoder.h"

namespace {

using Lines = std::vector<std::u16string>;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::u16string DecodePiece(const std::uint8_t* begin, const std::uint8_t* end,
                           TextEncoding encoding) {
    std::u16string out(static_cast<std::size_t>(end - begin), u'\0');
    char16_t* o = out.data();
    const std::uint8_t* next = encoding == TextEncoding::Utf8
                                   ? Utf8Decoder::Decode(begin, end, true, o)
                                   : Cp932Decoder::Decode(begin, end, true, o);
    Check(next == end);
    Check(o >= out.data() && o <= out.data() + out.size());
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

Lines Reference(const std::uint8_t* data, std::size_t size, TextEncoding encoding) {
    const std::uint8_t* begin = data;
    const auto* sub = static_cast<const std::uint8_t*>(std::memchr(data, 0x1A, size));
    const std::uint8_t* end = sub != nullptr ? sub : data + size;
    if (encoding == TextEncoding::Utf8 && end - begin >= 3 && begin[0] == 0xEF &&
        begin[1] == 0xBB && begin[2] == 0xBF) {
        begin += 3;
    }
    Lines lines;
    while (begin < end) {
        const auto* newline =
            static_cast<const std::uint8_t*>(std::memchr(begin, '\n', end - begin));
        if (newline == nullptr) {
            lines.push_back(DecodePiece(begin, end, encoding));
            break;
        }
        const std::uint8_t* last = newline;
        if (last > begin && last[-1] == '\r') {
            --last;
        }
        lines.push_back(DecodePiece(begin, last, encoding));
        begin = newline + 1;
    }
    return lines;
}

// Read sizes, and which reads a signal interrupts, drawn from a small generator seeded by the
// input, so that a crash reproduces. With g_failAt set, that call and every later one fail.
std::uint32_t g_state = 0;
bool g_shortReads = false;
long g_calls = 0;
long g_failAt = -1;

ssize_t FuzzRead(int fd, void* buffer, std::size_t size) {
    if (!g_shortReads) {
        return ::read(fd, buffer, size);
    }
    if (g_failAt >= 0 && g_calls >= g_failAt) {
        errno = EIO;
        return -1;
    }
    ++g_calls;
    g_state = g_state * 1103515245u + 12345u;
    if ((g_state >> 28) == 0) {
        errno = EINTR;
        return -1;
    }
    const std::size_t want = 1 + (g_state >> 16) % 19;
    return ::read(fd, buffer, want < size ? want : size);
}

Lines ReadLines(const std::string& path, TextEncoding encoding, std::size_t bufferSize) {
    LineReader reader(bufferSize);
    Check(reader.Open(path, encoding));
    Lines lines;
    std::u16string line;
    while (reader.ReadString(line)) {
        Check(line.find(u'\n') == std::u16string::npos);
        lines.push_back(line);
    }
    Check(!reader.ReadString(line));
    return lines;
}

// Reads until the failure; returns the lines delivered before it.
Lines ReadLinesUntilFailure(const std::string& path, TextEncoding encoding,
                            std::size_t bufferSize) {
    LineReader reader(bufferSize);
    Check(reader.Open(path, encoding));
    Lines lines;
    std::u16string line;
    try {
        while (reader.ReadString(line)) {
            lines.push_back(line);
        }
        Check(false);  // the failure was taken for the end
    } catch (const FileException& e) {
        Check(e.cause() == FileException::Cause::Generic && e.osError() == EIO);
        Check(e.fileName() == path);
    }
    // Sticky: the bytes still buffered are never passed off as a last line.
    bool threw = false;
    try {
        reader.ReadString(line);
    } catch (const FileException&) {
        threw = true;
    }
    Check(threw);
    return lines;
}

const std::string& FilePath() {
    static const std::string path = [] {
        const int fd = ::memfd_create("fuzz_line_reader", MFD_CLOEXEC);
        Check(fd >= 0);
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

int FileDescriptor() {
    return std::atoi(FilePath().c_str() + std::strlen("/proc/self/fd/"));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetReadFunctionForTesting(FuzzRead);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const TextEncoding encoding = (data[0] & 1) != 0 ? TextEncoding::Utf8 : TextEncoding::Cp932;
    const std::uint32_t seed = data[0] >> 1;
    const std::size_t bufferSize = LineReader::kMinimumBufferSize + data[1] % 57;
    const std::uint8_t* file = data + 2;
    const std::size_t fileSize = size - 2;

    const int fd = FileDescriptor();
    Check(::ftruncate(fd, 0) == 0);
    Check(::pwrite(fd, file, fileSize, 0) == static_cast<ssize_t>(fileSize));

    const Lines expected = Reference(file, fileSize, encoding);
    std::size_t units = 0;
    for (const std::u16string& line : expected) {
        units += line.size();
    }
    Check(units <= fileSize);

    g_shortReads = false;
    Check(ReadLines(FilePath(), encoding, LineReader::kDefaultBufferSize) == expected);
    g_shortReads = true;
    g_state = seed;
    g_calls = 0;
    g_failAt = -1;
    Check(ReadLines(FilePath(), encoding, bufferSize) == expected);

    // The same reads again, the same generator, up to one of them that fails instead.
    const long calls = g_calls;
    g_state = seed;
    g_calls = 0;
    g_failAt = static_cast<long>((seed * 131u + data[1]) % static_cast<std::uint32_t>(calls));
    const Lines before = ReadLinesUntilFailure(FilePath(), encoding, bufferSize);
    g_failAt = -1;
    Check(before.size() <= expected.size());
    Check(std::equal(before.begin(), before.end(), expected.begin()));
    return 0;
}
