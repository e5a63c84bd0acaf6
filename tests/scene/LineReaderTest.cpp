#include "scene/LineReader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "scene/FileException.h"
#include "tests/support/TempDir.h"

namespace {

using Lines = std::vector<std::u16string>;

Lines ReadAll(const std::string& path, TextEncoding encoding = TextEncoding::Cp932,
              std::size_t bufferSize = LineReader::kDefaultBufferSize) {
    LineReader reader(bufferSize);
    EXPECT_TRUE(reader.Open(path, encoding)) << path;
    Lines lines;
    std::u16string line;
    while (reader.ReadString(line)) {
        lines.push_back(line);
    }
    // The end stays the end.
    EXPECT_FALSE(reader.ReadString(line));
    EXPECT_TRUE(line.empty());
    return lines;
}

// Replaces the reader's read(2) for one test.
class ScopedRead {
  public:
    explicit ScopedRead(ReadFunction read)
        : previous_(SetReadFunctionForTesting(std::move(read))) {}
    ~ScopedRead() { SetReadFunctionForTesting(std::move(previous_)); }

  private:
    ReadFunction previous_;
};

class LineReaderTest : public ::testing::Test {
  protected:
    Lines Read(std::string_view bytes, TextEncoding encoding = TextEncoding::Cp932,
               std::size_t bufferSize = LineReader::kDefaultBufferSize) {
        return ReadAll(dir_.Write("file.txt", bytes), encoding, bufferSize);
    }
    TempDir dir_;
};

TEST_F(LineReaderTest, LineEnds) {
    EXPECT_EQ(Read("ab\r\ncd\r\n"), (Lines{u"ab", u"cd"}));
    EXPECT_EQ(Read("a\n\nb"), (Lines{u"a", u"", u"b"}));
    EXPECT_EQ(Read("x\r\ny"), (Lines{u"x", u"y"}));
    EXPECT_EQ(Read("a\rb"), (Lines{u"a\rb"}));
    EXPECT_EQ(Read("a\r"), (Lines{u"a\r"}));
    EXPECT_EQ(Read("a\r\r\nb"), (Lines{u"a\r", u"b"}));
    EXPECT_EQ(Read("\n"), (Lines{u""}));
    EXPECT_EQ(Read("\r\n\r\n"), (Lines{u"", u""}));
    EXPECT_EQ(Read("\n\rz"), (Lines{u"", u"\rz"}));
}

TEST_F(LineReaderTest, TabsAndOtherControlCharactersAreKept) {
    EXPECT_EQ(Read("a\tb\t\x01\x7F"), (Lines{u"a\tb\t\x01\x7F"}));
}

TEST_F(LineReaderTest, KanaAndKanji) {
    EXPECT_EQ(Read("\x82\xA0\xB1\r\n\x8A\xBF\x8E\x9A"), (Lines{u"\u3042\uFF71", u"\u6F22\u5B57"}));
}

TEST_F(LineReaderTest, SubstituteByteEndsTheFile) {
    EXPECT_EQ(Read("ab\x1A\r\ncd\r\n"), (Lines{u"ab"}));
    EXPECT_EQ(Read("ab\r\n\x1A"
                   "cd"),
              (Lines{u"ab"}));
    EXPECT_EQ(Read("\x1A"
                   "abc"),
              Lines{});
    // A lead byte cut off by the end of the file.
    EXPECT_EQ(Read("a\x82\x1A\xA0"), (Lines{u"a\uFFFD"}));
}

TEST_F(LineReaderTest, EmptyFileReportsTheEndAtOnce) {
    EXPECT_EQ(Read(""), Lines{});
}

TEST_F(LineReaderTest, ByteOrderMarksAreNotRecognisedInCodePage932) {
    EXPECT_EQ(Read("\xEF\xBB\xBF"
                   "a"),
              (Lines{u"\uFFFD\uFF7B\uFF7F"
                     "a"}));
    EXPECT_EQ(Read("\xFF\xFE"
                   "a"),
              (Lines{u"\uF8F3\uF8F2"
                     "a"}));
}

TEST_F(LineReaderTest, Utf8SkipsALeadingByteOrderMarkOnly) {
    EXPECT_EQ(Read("\xEF\xBB\xBF\xE3\x81\x82\r\n\xEF\xBB\xBF", TextEncoding::Utf8),
              (Lines{u"\u3042", u"\uFEFF"}));
    EXPECT_EQ(Read("\xEF\xBB", TextEncoding::Utf8), (Lines{u"\uFFFD"}));
    EXPECT_EQ(Read("\xF0\x9F\x98\x80\n\xE6\xBC\xA2", TextEncoding::Utf8),
              (Lines{u"\U0001F600", u"\u6F22"}));
}

TEST_F(LineReaderTest, LongLinesArriveWhole) {
    std::string line300;
    std::u16string expected300;
    for (int i = 0; i < 300; ++i) {
        line300 += static_cast<char>('a' + i % 26);
        expected300 += static_cast<char16_t>('a' + i % 26);
    }
    EXPECT_EQ(Read(line300 + "\r\nz"), (Lines{expected300, u"z"}));

    // Ten megabytes in one line, kanji and ASCII, across many fills of the buffer.
    std::string big;
    std::u16string expectedBig;
    while (big.size() < (10u << 20)) {
        big +=
            "\x8A\xBF"
            "abc\r";
        expectedBig += u"\u6F22abc\r";
    }
    const Lines lines = Read(big + "\r\nend");
    ASSERT_EQ(lines.size(), 2u);
    // The line's own last CR stays: only the one before the LF goes.
    EXPECT_EQ(lines[0].size(), expectedBig.size());
    EXPECT_TRUE(lines[0] == expectedBig);
    EXPECT_EQ(lines[1], u"end");
}

// Every split of a character or a line end by the buffer's edge gives what a large buffer
// gives: lead and trail, CR and LF, UTF-8 sequences.
TEST_F(LineReaderTest, CharactersSplitByTheBufferEdge) {
    const std::string cp932 =
        "abcdefg\x82\xA0"
        "bcdefg\r\nabcdef\x82\r\n\x88\x9F\x88\x9F\x88\x9F"
        "\x88\x9F\x88\r\n\x1A";
    const std::string path = dir_.Write("split.txt", cp932);
    const Lines whole = ReadAll(path);
    ASSERT_EQ(whole,
              (Lines{u"abcdefg\u3042bcdefg", u"abcdef\uFFFD", u"\u4E9C\u4E9C\u4E9C\u4E9C\uFFFD"}));
    for (std::size_t size = LineReader::kMinimumBufferSize; size <= 24; ++size) {
        EXPECT_EQ(ReadAll(path, TextEncoding::Cp932, size), whole) << "buffer of " << size;
    }

    // With an eight-byte buffer the lead byte 0x82 is the eighth byte exactly.
    EXPECT_EQ(Read("abcdefg\x82\xA0", TextEncoding::Cp932, 8), (Lines{u"abcdefg\u3042"}));
    EXPECT_EQ(Read("abcdefg\r\nz", TextEncoding::Cp932, 8), (Lines{u"abcdefg", u"z"}));
    EXPECT_EQ(Read("abcdef\x82\r\nz", TextEncoding::Cp932, 8), (Lines{u"abcdef\uFFFD", u"z"}));

    const std::string utf8 =
        "abcde\xF0\x9F\x98\x80"
        "fg\xE3\x81\x82\r\n\xE3\x81\r\n\xC3\xA9";
    const std::string utf8Path = dir_.Write("split8.txt", utf8);
    const Lines whole8 = ReadAll(utf8Path, TextEncoding::Utf8);
    ASSERT_EQ(whole8, (Lines{u"abcde\U0001F600fg\u3042", u"\uFFFD", u"\u00E9"}));
    for (std::size_t size = LineReader::kMinimumBufferSize; size <= 24; ++size) {
        EXPECT_EQ(ReadAll(utf8Path, TextEncoding::Utf8, size), whole8) << "buffer of " << size;
    }
}

TEST_F(LineReaderTest, ShortReadsAndInterruptionsChangeNothing) {
    const std::string bytes = "\x82\xA0\r\nab\x88\x9F\r\r\n\n\x82";
    const std::string path = dir_.Write("short.txt", bytes);
    const Lines whole = ReadAll(path);
    ASSERT_EQ(whole, (Lines{u"\u3042", u"ab\u4E9C\r", u"", u"\uFFFD"}));
    int calls = 0;
    ScopedRead oneByte([&](int fd, void* buffer, std::size_t) -> ssize_t {
        // Every other call is interrupted by a signal before it reads anything.
        if (++calls % 2 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::read(fd, buffer, 1);
    });
    EXPECT_EQ(ReadAll(path), whole);
    EXPECT_GT(calls, 2 * static_cast<int>(bytes.size()));
}

TEST_F(LineReaderTest, ReadsInLargeBlocks) {
    const std::string path = dir_.Write("blocks.txt", std::string(1u << 20, 'x') + "\n");
    std::vector<std::size_t> sizes;
    ScopedRead record([&](int fd, void* buffer, std::size_t size) -> ssize_t {
        sizes.push_back(size);
        return ::read(fd, buffer, size);
    });
    ASSERT_EQ(ReadAll(path).size(), 1u);
    // 1 MiB in 64 KiB reads, and the one that finds the end.
    EXPECT_LE(sizes.size(), 18u);
    for (std::size_t size : sizes) {
        EXPECT_GE(size, LineReader::kDefaultBufferSize - 4);
    }
}

TEST_F(LineReaderTest, ReadFailurePartWayIsAnErrorNotTheEnd) {
    const std::string path = dir_.Write("fails.txt", "one\r\ntwo\r\nthree and more\r\nfour\r\n");
    std::size_t delivered = 0;
    ScopedRead failing([&](int fd, void* buffer, std::size_t) -> ssize_t {
        // Twelve bytes come in, then the device fails.
        if (delivered >= 12) {
            errno = EIO;
            return -1;
        }
        const ssize_t n = ::read(fd, buffer, 4);
        delivered += static_cast<std::size_t>(n);
        return n;
    });
    LineReader reader;
    ASSERT_TRUE(reader.Open(path));
    std::u16string line;
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(line, u"one");
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(line, u"two");
    try {
        reader.ReadString(line);
        FAIL() << "the failure was taken for the end";
    } catch (const FileException& e) {
        EXPECT_EQ(e.cause(), FileException::Cause::Generic);
        EXPECT_EQ(e.fileName(), path);
        EXPECT_EQ(e.osError(), EIO);
        EXPECT_NE(e.message().find(path), std::string::npos);
    }
    // The partly read third line is not passed off as a last line later.
    EXPECT_THROW(reader.ReadString(line), FileException);
}

TEST_F(LineReaderTest, FileWhoseReadingFails) {
    // A regular file of the proc file system whose first read fails with EIO (address 0 of
    // this process's memory is never mapped).
    LineReader reader;
    ASSERT_TRUE(reader.Open("/proc/self/mem"));
    std::u16string line;
    EXPECT_THROW(reader.ReadString(line), FileException);
}

TEST_F(LineReaderTest, OpenRefusesWhatIsNotARegularReadableFile) {
    LineReader reader;
    EXPECT_FALSE(reader.Open(dir_.PathOf("missing.txt")));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(reader.Open(dir_.path()));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(reader.Open("/dev/null"));
    EXPECT_FALSE(reader.Open(""));

    const std::string socketPath = dir_.PathOf("socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(reader.Open(socketPath));
    ::close(sock);

    const std::string link = dir_.PathOf("link.txt");
    ASSERT_EQ(::symlink(dir_.Write("target.txt", "via a link").c_str(), link.c_str()), 0);
    EXPECT_EQ(ReadAll(link), (Lines{u"via a link"}));
}

TEST_F(LineReaderTest, FifoIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = dir_.PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] {
        LineReader reader;
        return reader.Open(fifo);
    });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Unblock the waiting open before failing, so the test can end.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ADD_FAILURE() << "opening a FIFO waited for a writer";
        opened.wait();
        ::close(writer);
        return;
    }
    EXPECT_FALSE(opened.get());
}

TEST_F(LineReaderTest, UnreadableFileIsRefused) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads files without read permission";
    }
    const std::string path = dir_.Write("secret.txt", "hidden");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    LineReader reader;
    EXPECT_FALSE(reader.Open(path));
    EXPECT_EQ(errno, EACCES);
}

TEST_F(LineReaderTest, CloseEndsReadingAndReopenStartsAfresh) {
    const std::string first = dir_.Write("first.txt", "1\n2\n3");
    const std::string second = dir_.Write("second.txt", "x");
    LineReader reader(8);
    ASSERT_TRUE(reader.Open(first));
    EXPECT_EQ(reader.FileSize(), 5u);
    std::u16string line;
    ASSERT_TRUE(reader.ReadString(line));
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(reader.ReadString(line));
    ASSERT_TRUE(reader.Open(second));
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(line, u"x");
    EXPECT_FALSE(reader.ReadString(line));
}

}  // namespace
