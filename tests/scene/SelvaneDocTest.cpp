#include "scene/SelvaneDoc.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "scene/FileException.h"
#include "scene/LineReader.h"
#include "scene/MemoryBudget.h"
#include "tests/support/ScopedRandom.h"
#include "tests/support/ScopedMemory.h"
#include "tests/support/TempDir.h"

namespace {

class ScopedRead {
  public:
    explicit ScopedRead(ReadFunction read)
        : previous_(SetReadFunctionForTesting(std::move(read))) {}
    ~ScopedRead() { SetReadFunctionForTesting(std::move(previous_)); }

  private:
    ReadFunction previous_;
};

// Standard input replaced by a descriptor for one test; -1 closes it.
class ScopedStandardInput {
  public:
    explicit ScopedStandardInput(int fd) : saved_(::dup(STDIN_FILENO)) {
        if (fd >= 0) {
            ::dup2(fd, STDIN_FILENO);
        } else {
            ::close(STDIN_FILENO);
        }
    }
    ~ScopedStandardInput() {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }

  private:
    int saved_;
};

// What the flight on screen is made of: a change to any of it is a change the user sees.
struct Snapshot {
    std::u16string text;
    std::vector<Vec3> pathPoints;
    std::size_t segments;
    std::size_t materials;
    std::int32_t cameraIndex;
    float cameraT;
    float cameraSpeed;
    Vec3 eyeA, eyeB;

    explicit Snapshot(const Scene& s)
        : text(s.text),
          pathPoints(s.pathPoints),
          segments(s.segments.size()),
          materials(s.materials.size()),
          cameraIndex(s.cameraIndex),
          cameraT(s.cameraT),
          cameraSpeed(s.cameraSpeed),
          eyeA(s.eyeA),
          eyeB(s.eyeB) {}
    bool operator==(const Snapshot&) const = default;
};

class SelvaneDocTest : public ::testing::Test {
  protected:
    SelvaneDocTest() {
        doc_.SetUpdateAllViews([this] {
            ++updates_;
            // The views are asked only once the scene is built from the new text.
            segmentsAtUpdate_ = g_scene->segments.size();
            pointsAtUpdate_ = g_scene->pathPoints.size();
        });
    }

    Scene& scene() { return doc_.GetScene(); }
    std::string Write(std::string_view bytes, std::string_view name = "file.txt") {
        return dir_.Write(name, bytes);
    }
    // Opens bytes as a file and returns the resulting text.
    std::u16string Open(std::string_view bytes) {
        EXPECT_TRUE(doc_.OnOpenDocument(Write(bytes)));
        return scene().text;
    }

    TempDir dir_;
    CSelvaneDoc doc_;
    int updates_ = 0;
    std::size_t segmentsAtUpdate_ = 0;
    std::size_t pointsAtUpdate_ = 0;
};

TEST(SelvaneDocLifetime, OwnsTheOneSceneAndPublishesItWhileItLives) {
    ASSERT_EQ(g_scene, nullptr);
    {
        CSelvaneDoc doc;
        ASSERT_NE(g_scene, nullptr);
        EXPECT_EQ(g_scene, &doc.GetScene());
        EXPECT_TRUE(g_scene->text.empty());
        EXPECT_TRUE(g_scene->segments.empty());
        EXPECT_EQ(doc.Encoding(), TextEncoding::Auto);
    }
    EXPECT_EQ(g_scene, nullptr);
}

TEST_F(SelvaneDocTest, LinesAreJoinedWithNothingBetweenThem) {
    EXPECT_EQ(Open("ab\r\ncd\r\n"), u"abcd");
    EXPECT_EQ(Open("a\n\nb"), u"ab");
    EXPECT_EQ(Open("x\r\ny"), u"xy");
    EXPECT_EQ(Open("\x82\xA0\xB1"), u"\u3042\uFF71");
    EXPECT_EQ(Open("a\rb"), u"a\rb");
    EXPECT_EQ(Open("ab\r\n\x1A"
                   "cd\r\nef"),
              u"ab");
    EXPECT_EQ(updates_, 6);
}

TEST_F(SelvaneDocTest, OpenBuildsTheSceneAndThenUpdatesTheViews) {
    std::string line(300, 'q');
    ASSERT_TRUE(doc_.OnOpenDocument(Write(line + "\r\n" + line)));
    EXPECT_EQ(scene().text, std::u16string(600, u'q'));
    EXPECT_EQ(scene().pathPoints.size(), 601u);
    EXPECT_EQ(scene().segments.size(), 10u);  // 600 characters, 64 to a page
    EXPECT_EQ(scene().materials.size(), 1u);
    EXPECT_EQ(updates_, 1);
    EXPECT_EQ(segmentsAtUpdate_, 10u);
    EXPECT_EQ(pointsAtUpdate_, 601u);
}

TEST_F(SelvaneDocTest, ALineOf300CharactersArrivesWhole) {
    std::string line;
    std::u16string expected;
    for (int i = 0; i < 300; ++i) {
        line += i % 2 == 0 ? "\x8A\xBF" : "k";
        expected += i % 2 == 0 ? u'\u6F22' : u'k';
    }
    EXPECT_EQ(Open(line + "\r\n"), expected);
}

TEST_F(SelvaneDocTest, TabsBecomeIdeographicSpacesWhenTheSceneIsBuilt) {
    // The reader delivers tabs as they are (its own tests show it); the text the scene is
    // built from holds none.
    EXPECT_EQ(Open("a\tb\t"), u"a\u3000b\u3000");
}

TEST_F(SelvaneDocTest, ASecondFileReplacesTheWholeFirstText) {
    ASSERT_EQ(Open("first file, first line\r\nsecond line\r\n"),
              u"first file, first linesecond line");
    EXPECT_EQ(Open("2nd"), u"2nd");
    EXPECT_EQ(scene().pathPoints.size(), 4u);
    EXPECT_EQ(scene().segments.size(), 1u);
}

TEST_F(SelvaneDocTest, FileThatCannotBeOpenedLeavesTheSceneUntouched) {
    ASSERT_EQ(Open("the flight goes on"), u"the flight goes on");
    const Snapshot before(scene());
    const std::string fifo = dir_.PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ScopedRandom random;  // records any reseeding, which every build does first
    for (const std::string& path :
         {dir_.PathOf("missing.txt"), dir_.path().string(), fifo, std::string("/dev/null")}) {
        EXPECT_FALSE(doc_.OnOpenDocument(path)) << path;
        EXPECT_TRUE(Snapshot(scene()) == before) << path;
    }
    EXPECT_TRUE(random.seeds().empty());
    EXPECT_EQ(updates_, 1);
}

TEST_F(SelvaneDocTest, ReadFailurePartWayLeavesTheSceneAndItsTextAsTheyWere) {
    ASSERT_EQ(Open("previous text"), u"previous text");
    const Snapshot before(scene());
    const std::string path = Write("one\r\ntwo\r\nthree\r\nfour\r\n", "failing.txt");
    std::size_t delivered = 0;
    ScopedRead failing([&](int fd, void* buffer, std::size_t) -> ssize_t {
        if (delivered >= 12) {
            errno = EIO;
            return -1;
        }
        const ssize_t n = ::read(fd, buffer, 4);
        delivered += static_cast<std::size_t>(n);
        return n;
    });
    ScopedRandom random;
    try {
        doc_.OnOpenDocument(path);
        FAIL() << "the read failure did not reach the caller";
    } catch (const FileException& e) {
        EXPECT_EQ(e.cause(), FileException::Cause::Generic);
        EXPECT_EQ(e.fileName(), path);
        EXPECT_NE(e.message().find(path), std::string::npos);
    }
    EXPECT_GE(delivered, 12u) << "the failure came after some lines";
    // The pages are drawn from the text: lines of the failed file in it would show on the old
    // flight.
    EXPECT_TRUE(Snapshot(scene()) == before);
    EXPECT_TRUE(random.seeds().empty());
    EXPECT_EQ(updates_, 1);
}

TEST_F(SelvaneDocTest, ReadFailureBeforeTheFirstLineLeavesTheTextAsItWas) {
    ASSERT_EQ(Open("previous"), u"previous");
    const Snapshot before(scene());
    ScopedRead failing([](int, void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    });
    EXPECT_THROW(doc_.OnOpenDocument(Write("never read", "other.txt")), FileException);
    EXPECT_TRUE(Snapshot(scene()) == before);
}

TEST_F(SelvaneDocTest, MemoryExhaustionWhileReadingBecomesAFileError) {
    ASSERT_EQ(Open("previous"), u"previous");
    ScopedRead exhausted([](int, void*, std::size_t) -> ssize_t { throw std::bad_alloc(); });
    try {
        doc_.OnOpenDocument(Write("more", "other.txt"));
        FAIL() << "no error reached the caller";
    } catch (const FileException& e) {
        EXPECT_EQ(e.cause(), FileException::Cause::OutOfMemory);
    }
    EXPECT_EQ(scene().text, u"previous");
    EXPECT_EQ(updates_, 1);
}

TEST_F(SelvaneDocTest, FileTooLargeForTheMemoryLeftIsRefusedBeforeAnythingChanges) {
    ASSERT_EQ(Open("a flight to keep"), u"a flight to keep");
    const Snapshot before(scene());
    const std::string bytes(4000, 'x');
    const std::string path = Write(bytes, "large.txt");
    ScopedRandom random;
    {
        ScopedMemory small(1000);
        try {
            doc_.OnOpenDocument(path);
            FAIL() << "a file too large was read";
        } catch (const FileException& e) {
            EXPECT_EQ(e.cause(), FileException::Cause::TooLarge);
            EXPECT_EQ(e.fileName(), path);
            EXPECT_NE(e.message().find("ファイルが大きすぎる"), std::string::npos);
        }
    }
    EXPECT_TRUE(Snapshot(scene()) == before);
    EXPECT_TRUE(random.seeds().empty());
    EXPECT_EQ(updates_, 1);
}

TEST_F(SelvaneDocTest, RefusalIsDecidedByTheFileSizeAgainstWhatIsAvailable) {
    const std::string path = Write(std::string(5000, 'x'), "large.txt");
    const std::uint64_t needed = BytesToLoad(5000);
    {
        // The empty scene gives back next to nothing (an empty string's own capacity).
        ScopedMemory justShort(needed - 100);
        EXPECT_THROW(doc_.OnOpenDocument(path), FileException);
        EXPECT_TRUE(scene().text.empty());
    }
    {
        ScopedMemory exact(needed);
        EXPECT_TRUE(doc_.OnOpenDocument(path));
        EXPECT_EQ(scene().text.size(), 5000u);
    }
    // Opening it again needs no more than what the current scene gives back.
    {
        ScopedMemory none(needed - 5000 * kBuiltBytesPerCharacter);
        EXPECT_TRUE(doc_.OnOpenDocument(path));
    }
    // ... but the new text is read while the current scene still stands: it must fit beside it.
    {
        ScopedMemory tight(5000 * kTextBytesPerCharacter - 1);
        EXPECT_THROW(doc_.OnOpenDocument(path), FileException);
        EXPECT_EQ(scene().text.size(), 5000u);
    }
    // Where the system tells nothing, nothing is refused.
    {
        ScopedMemory unknown(std::nullopt);
        EXPECT_TRUE(doc_.OnOpenDocument(path));
    }
    EXPECT_EQ(updates_, 3);
}

TEST_F(SelvaneDocTest, EmptyFileGivesAnEmptyScene) {
    for (const std::string_view empty : {std::string_view(""), std::string_view("\x1A"
                                                                                "after")}) {
        ASSERT_EQ(Open("a previous flight"), u"a previous flight");
        const int updates = updates_;
        EXPECT_EQ(Open(empty), u"") << "file of " << empty.size() << " bytes";
        EXPECT_TRUE(scene().segments.empty());
        ASSERT_EQ(scene().pathPoints.size(), 1u);
        EXPECT_EQ(scene().pathPoints[0], (Vec3{0.0f, 0.0f, 0.0f}));
        EXPECT_EQ(scene().materials.size(), 1u);
        EXPECT_EQ(scene().cameraSpeed, 0.0f);
        EXPECT_EQ(updates_, updates + 1);
    }
}

TEST_F(SelvaneDocTest, EncodingChoosesHowBytesAreDecoded) {
    const std::string bytes = "\xE3\x81\x82\r\n\xE6\xBC\xA2";
    EXPECT_EQ(Open(bytes), u"\u3042\u6F22") << "valid UTF-8 is UTF-8 by default";
    EXPECT_EQ(doc_.DecodedEncoding(), TextEncoding::Utf8);
    doc_.SetEncoding(TextEncoding::Cp932);
    EXPECT_EQ(doc_.Encoding(), TextEncoding::Cp932);
    EXPECT_EQ(Open(bytes), u"\u7E3A\uFFFD\u8C8D\uFF62");
    EXPECT_TRUE(doc_.OnOpenDocument(Write(bytes), TextEncoding::Utf8));
    EXPECT_EQ(scene().text, u"\u3042\u6F22") << "an encoding given for one open";
    EXPECT_EQ(doc_.Encoding(), TextEncoding::Cp932);
}

TEST_F(SelvaneDocTest, StandardInputIsReadToItsEnd) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    // More than a pipe holds, so that reading waits for the writer now and then.
    std::string bytes;
    std::u16string expected;
    while (bytes.size() < 300000) {
        bytes += "\xE5\x90\xBE\xE8\xBC\xA9\xE3\x81\xAF\xE7\x8C\xAB\r\n";
        expected += u"吾輩は猫";
    }
    std::thread writer([&] {
        EXPECT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fds[1]);
    });
    {
        ScopedStandardInput in(fds[0]);
        ::close(fds[0]);
        EXPECT_TRUE(doc_.OnOpenStandardInput("stdin", TextEncoding::Auto));
    }
    writer.join();
    EXPECT_TRUE(scene().text == expected);
    EXPECT_EQ(doc_.DecodedEncoding(), TextEncoding::Utf8);

    ScopedStandardInput closed(-1);
    EXPECT_FALSE(doc_.OnOpenStandardInput("stdin", TextEncoding::Auto));
    EXPECT_EQ(errno, EBADF);
}

TEST_F(SelvaneDocTest, StandardInputTooLargeForTheMemoryIsRefusedAsItGrows) {
    ASSERT_EQ(Open("a flight to keep"), u"a flight to keep");
    const Snapshot before(scene());
    // A socket: no size, and a writer that never dies of SIGPIPE when reading stops early.
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    constexpr std::size_t kLines = 40000;
    std::thread writer([&] {
        const std::string line(99, 'x');
        for (std::size_t i = 0; i < kLines; ++i) {
            if (::send(fds[1], (line + "\n").data(), 100, MSG_NOSIGNAL) != 100) {
                break;
            }
        }
        ::close(fds[1]);
    });
    // Room for two million characters and their scene: the text is refused once it passes them,
    // long before the writer ends.
    ScopedMemory room(BytesToLoad(2u << 20));
    try {
        ScopedStandardInput in(fds[0]);
        doc_.OnOpenStandardInput("stdin", TextEncoding::Auto);
        ADD_FAILURE() << "a text too large was read";
    } catch (const FileException& e) {
        EXPECT_EQ(e.cause(), FileException::Cause::TooLarge);
        EXPECT_EQ(e.fileName(), "stdin");
    }
    ::close(fds[0]);
    writer.join();
    EXPECT_TRUE(Snapshot(scene()) == before);
    EXPECT_EQ(updates_, 1);
}

TEST_F(SelvaneDocTest, NewLeavesTheSceneAsItIs) {
    ASSERT_EQ(Open("still flying"), u"still flying");
    const Snapshot before(scene());
    EXPECT_TRUE(doc_.OnNewDocument());
    EXPECT_TRUE(Snapshot(scene()) == before);
}

TEST(SelvaneDocWithoutViews, OpensWithNoUpdateInstalled) {
    TempDir dir;
    CSelvaneDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument(dir.Write("f.txt", "abc")));
    EXPECT_EQ(doc.GetScene().text, u"abc");
}

}  // namespace
