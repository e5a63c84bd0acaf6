// Fuzzes the line reader: the input's first byte picks the encoding and a seed for the sizes of
// the reads, the second the size of the reader's buffer, and the rest is the file. The lines
// must be the same whether the file is read in one large buffer or in a small one with short
// and interrupted reads, and must equal the contract applied to the whole file at once. For
// code page 932 and UTF-8: cut at 0x1A, split at LF, one CR before each LF dropped, every piece
// decoded on its own. For UTF-16 and the iconv encodings: the byte-order mark handled, the
// whole file decoded in one piece, cut at U+001A and split the same way as UTF-16. For the
// automatic choice: the mark, else the choice made on the window from the first byte where the
// encodings part, everything before it read as ASCII. Read once more with the same reads up to
// one that fails, the reader must deliver a part of those lines from the start, then report the
// failure, and keep reporting it.

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
#include "scene/EncodingDetector.h"
#include "scene/FileException.h"
#include "scene/IconvDecoder.h"
#include "scene/LineReader.h"
#include "scene/Utf16Decoder.h"
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
    if (encoding == TextEncoding::Utf8) {
        // The vectors the reader decodes long runs with against the plain loop.
        std::u16string plain(static_cast<std::size_t>(end - begin), u'\0');
        char16_t* p = plain.data();
        Utf8Decoder::UseVectorsForTesting(false);
        Utf8Decoder::Decode(begin, end, true, p);
        Utf8Decoder::UseVectorsForTesting(true);
        plain.resize(static_cast<std::size_t>(p - plain.data()));
        Check(plain == out);
    }
    return out;
}

Lines SplitBytes(const std::uint8_t* begin, const std::uint8_t* end, TextEncoding encoding) {
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

Lines SplitUnits(std::u16string units) {
    units.resize(std::min(units.find(u'\x1A'), units.size()));
    Lines lines;
    std::size_t begin = 0;
    while (begin < units.size()) {
        std::size_t newline = units.find(u'\n', begin);
        const bool last = newline == std::u16string::npos;
        std::size_t end = last ? units.size() : newline;
        if (!last && end > begin && units[end - 1] == u'\r') {
            --end;
        }
        lines.push_back(units.substr(begin, end - begin));
        if (last) {
            break;
        }
        begin = newline + 1;
    }
    return lines;
}

// [begin, end) decoded in one piece.
std::u16string DecodeUnits(const std::uint8_t* begin, const std::uint8_t* end,
                           const EncodingChoice& encoding) {
    std::u16string out(static_cast<std::size_t>(end - begin) * 4 + 16, u'\0');
    char16_t* o = out.data();
    const std::uint8_t* in = begin;
    if (encoding.encoding == TextEncoding::Utf16Le || encoding.encoding == TextEncoding::Utf16Be) {
        Utf16Decoder::Decode(in, end, encoding.encoding == TextEncoding::Utf16Be, true, o,
                             o + out.size());
    } else {
        IconvDecoder decoder(encoding.encoding == TextEncoding::EucJp       ? "EUC-JP"
                             : encoding.encoding == TextEncoding::Iso2022Jp ? "ISO-2022-JP-3"
                                                                            : encoding.iconvName);
        Check(decoder.IsOpen());
        while (in < end) {
            const std::uint8_t* before = in;
            decoder.Decode(in, end, o, out.data() + out.size(), true);
            Check(in != before);
        }
    }
    Check(in == end);
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

Lines Reference(const std::uint8_t* data, std::size_t size, const EncodingChoice& encoding,
                EncodingChoice& decided) {
    const std::uint8_t* begin = data;
    const std::uint8_t* end = data + size;
    const auto mark = EncodingDetector::FindByteOrderMark(begin, end);
    const TextEncoding asked = encoding.encoding;
    decided = encoding;
    if (asked == TextEncoding::Utf16 || asked == TextEncoding::Utf16Le ||
        asked == TextEncoding::Utf16Be ||
        (asked == TextEncoding::Auto && mark && mark->encoding != TextEncoding::Utf8)) {
        TextEncoding order =
            asked == TextEncoding::Utf16Be ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        if (mark && mark->encoding != TextEncoding::Utf8 &&
            (asked == TextEncoding::Utf16 || asked == TextEncoding::Auto ||
             mark->encoding == order)) {
            order = mark->encoding;
            begin += mark->length;
        }
        decided = order;
        return SplitUnits(DecodeUnits(begin, end, order));
    }
    if (asked == TextEncoding::EucJp || asked == TextEncoding::Iso2022Jp ||
        asked == TextEncoding::Iconv) {
        std::u16string units = DecodeUnits(begin, end, encoding);
        if (!units.empty() && units.front() == u'\uFEFF') {
            units.erase(0, 1);
        }
        return SplitUnits(units);
    }
    if (const auto* sub = static_cast<const std::uint8_t*>(std::memchr(data, 0x1A, size))) {
        end = sub;
    }
    if (asked == TextEncoding::Utf8 || (asked == TextEncoding::Auto && mark)) {
        if (mark && mark->encoding == TextEncoding::Utf8 && end - begin >= 3) {
            begin += 3;
        }
        decided = TextEncoding::Utf8;
        return SplitBytes(begin, end, TextEncoding::Utf8);
    }
    if (asked == TextEncoding::Cp932) {
        return SplitBytes(begin, end, TextEncoding::Cp932);
    }
    // Automatic, no mark: the first byte beyond ASCII or escape that designates.
    const std::uint8_t* at = begin;
    while (at < end && *at < 0x80 &&
           !(*at == EncodingDetector::kEscape && EncodingDetector::StartsDesignation(at, end))) {
        ++at;
    }
    if (at == end) {
        decided = TextEncoding::Auto;
        return SplitBytes(begin, end, TextEncoding::Cp932);
    }
    const std::size_t window =
        std::min<std::size_t>(static_cast<std::size_t>(end - at), EncodingDetector::kWindow);
    decided = EncodingDetector::Decide(at, at + window, at + window == end);
    if (decided.encoding == TextEncoding::Utf8 || decided.encoding == TextEncoding::Cp932) {
        return SplitBytes(begin, end, decided.encoding);
    }
    std::u16string units(begin, at);
    units += DecodeUnits(at, end, decided);
    return SplitUnits(units);
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

Lines ReadLines(const std::string& path, const EncodingChoice& encoding, std::size_t bufferSize,
                const EncodingChoice& decided) {
    LineReader reader(bufferSize);
    Check(reader.Open(path, encoding));
    Lines lines;
    std::u16string line;
    while (reader.ReadString(line)) {
        Check(line.find(u'\n') == std::u16string::npos);
        lines.push_back(line);
    }
    Check(!reader.ReadString(line));
    Check(reader.Encoding() == decided);
    return lines;
}

// Reads until the failure; returns the lines delivered before it.
Lines ReadLinesUntilFailure(const std::string& path, const EncodingChoice& encoding,
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
    // GB18030, with its sequences of one, two and four bytes, stands for the encodings iconv
    // alone knows. Not UTF-7: for some ill-formed input glibc's decoder gives other characters
    // depending on where the bytes are cut into pieces, which no reader could make up for.
    static const EncodingChoice kEncodings[] = {
        TextEncoding::Cp932, TextEncoding::Utf8,      TextEncoding::Auto,
        TextEncoding::Utf16, TextEncoding::Utf16Le,   TextEncoding::Utf16Be,
        TextEncoding::EucJp, TextEncoding::Iso2022Jp, *ParseEncodingName("GB18030"),
    };
    constexpr std::uint8_t kCount = sizeof kEncodings / sizeof kEncodings[0];
    const EncodingChoice& encoding = kEncodings[data[0] % kCount];
    const std::uint32_t seed = data[0] / kCount;
    const std::size_t bufferSize = LineReader::kMinimumBufferSize + data[1] % 57;
    const std::uint8_t* file = data + 2;
    const std::size_t fileSize = size - 2;

    const int fd = FileDescriptor();
    Check(::ftruncate(fd, 0) == 0);
    Check(::pwrite(fd, file, fileSize, 0) == static_cast<ssize_t>(fileSize));

    EncodingChoice decided;
    const Lines expected = Reference(file, fileSize, encoding, decided);
    std::size_t units = 0;
    for (const std::u16string& line : expected) {
        units += line.size();
    }
    Check(units <= fileSize);

    g_shortReads = false;
    Check(ReadLines(FilePath(), encoding, LineReader::kDefaultBufferSize, decided) == expected);
    g_shortReads = true;
    g_state = seed;
    g_calls = 0;
    g_failAt = -1;
    Check(ReadLines(FilePath(), encoding, bufferSize, decided) == expected);

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
