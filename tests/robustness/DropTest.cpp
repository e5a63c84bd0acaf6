// Files dropped on the window of a program that is already flying through a text. A file that
// cannot be opened changes nothing and shows nothing; one that fails while it is read or does
// not fit in memory shows its message and leaves the flight as it was; one that opens replaces
// the flight. Either way the program goes on and opens the next file it is given.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "scene/LineReader.h"
#include "scene/MemoryBudget.h"
#include "tests/robustness/ProgramTest.h"
#include "tests/robustness/ReadGate.h"

namespace robustness {
namespace {

class Dropped : public FlightTest {
  protected:
    // Drops one file that must be refused without a word: the flight stays as it was.
    void ExpectRefusedSilently(const std::string& file, const std::string& reason) {
        const XSession::DropResult result = Drop({file});
        ASSERT_TRUE(result.finished) << result.Describe();
        EXPECT_EQ(LastDropOutcome(file), "failed: " + reason);
        EXPECT_TRUE(Messages(program()).empty()) << program().err();
        ExpectFlightUnchanged();
    }

    // The message box's text, as SELVANE_MESSAGE_BOXES=stderr writes it.
    static std::string MessageBox(const std::string& text) { return "Selvane: " + text + "\n"; }
};

TEST_F(Dropped, AMissingFileChangesNothingAndSaysNothing) {
    StartFlight();
    ExpectRefusedSilently((scratch() / "missing.txt").string(), "No such file or directory");
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, AFileWithoutReadPermissionChangesNothingAndSaysNothing) {
    StartFlight([this](ChildOptions& options) { AsNobody(options); });
    const std::string locked = Write("locked.txt", "You may not read this.\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ExpectRefusedSilently(locked, "Permission denied");
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, ADirectoryAFifoAndADeviceChangeNothingAndNeverHang) {
    StartFlight();
    const fs::path directory = scratch() / "folder.txt";
    fs::create_directory(directory);
    ExpectRefusedSilently(directory.string(), "is a directory");
    const fs::path fifo = scratch() / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ExpectRefusedSilently(fifo.string(), "is a named pipe, not a regular file");
    ExpectRefusedSilently("/dev/zero", "is a device, not a regular file");
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, SeveralFilesOpenInTurnAndTheLastThatOpensStays) {
    StartFlight();
    const std::string good = Write("good.txt", "The good one.\n");
    const fs::path directory = scratch() / "folder";
    fs::create_directory(directory);
    const XSession::DropResult result =
        Drop({good, (scratch() / "missing.txt").string(), directory.string()});
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(LastDropOutcome(good), "opened");
    EXPECT_EQ(LastDropOutcome(directory.string()), "failed: is a directory");
    ExpectFlightOf(good, 13);
    EXPECT_TRUE(Messages(program()).empty());
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, AnEmptyFileEmptiesTheFlightAndNamesTheWindow) {
    StartFlight();
    const std::string empty = Write("empty.txt", "");
    const XSession::DropResult result = Drop({empty});
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(LastDropOutcome(empty), "opened");
    ExpectFlightOf(empty, 0);
    EXPECT_EQ(GrabSettled().ShareUnlike(0xFFFFFF), 0.0) << "nothing but the background";
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, TenMegabytesOfRandomBytesFlyUpToTheirFirstEndOfFileByte) {
    StartFlight();
    const std::string bytes = RandomBytes(10u << 20, 20260103);
    const std::string file = Write("random.bin", bytes);
    const std::size_t end = bytes.find('\x1A');
    ASSERT_NE(end, std::string::npos);
    const auto breaks =
        static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + end, '\n'));
    const XSession::DropResult result = Drop({file});
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(LastDropOutcome(file), "opened");
    EXPECT_EQ(TitleAwaiting("random.bin - Tamor Selvane 0.4"), "random.bin - Tamor Selvane 0.4");
    const std::vector<std::string> builds = LinesAfter(program().err(), "scene built: ");
    ASSERT_EQ(builds.size(), 2u);
    const std::size_t characters = std::stoul(builds.back());
    EXPECT_LE(characters, end - breaks);
    EXPECT_GE(characters, (end - 2 * breaks) / 2);
    EXPECT_TRUE(Messages(program()).empty());
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, ATwoHundredMegabyteTextIsRefusedWithItsMessage) {
    const std::uint64_t size = 200u << 20;
    ASSERT_GT(size * kLoadBytesPerCharacter, kChildMemory);
    StartFlight();
    const std::string big = WriteText("big.txt", size);
    const XSession::DropResult result = Drop({big});
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(LastDropOutcome(big), "failed: file too large for the memory available");
    EXPECT_EQ(Count(program().err(), MessageBox(big + "\nファイルが大きすぎるため開けません。")),
              1u)
        << program().err();
    EXPECT_EQ(Messages(program()).size(), 1u);
    ExpectFlightUnchanged();
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, AFileTooLargeForAnAddressSpaceLimitIsRefusedAndSmallerOnesStillOpen) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under any ulimit -v";
    }
    const std::uint64_t size = 16u << 20;
    ASSERT_LT(size * kLoadBytesPerCharacter, kChildMemory) << "only the limit refuses it";
    StartFlight([](ChildOptions& options) { options.addressSpaceLimit = 3ull << 30; });
    const std::string large = WriteText("large.txt", size);
    const XSession::DropResult result = Drop({large});
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(LastDropOutcome(large), "failed: file too large for the memory available");
    EXPECT_EQ(Count(program().err(), MessageBox(large + "\nファイルが大きすぎるため開けません。")),
              1u)
        << program().err();
    ExpectFlightUnchanged();
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, AReadThatFailsPartWayShowsItsMessageAndKeepsTheFlight) {
    StartFlight();
    const std::string failing = WriteText("failing.txt", 1u << 20);
    ReadGate gate(failing, [](int read) {
        return read >= 2 ? ReadGate::Verdict::Deny : ReadGate::Verdict::Allow;
    });
    if (!gate.error().empty()) {
        GTEST_SKIP() << "reads cannot be watched here: " << gate.error();
    }
    gate.Watch(program().pid());
    const XSession::DropResult result = Drop({failing}, [&gate] { gate.Pump(); });
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(gate.reads(), 2);
    EXPECT_EQ(LastDropOutcome(failing), "failed: read error: Operation not permitted");
    EXPECT_EQ(Count(program().err(),
                    MessageBox(failing + "\nファイルの読み込み中にエラーが発生しました。")),
              1u)
        << program().err();
    // The lines read before the failure replace the text, but the flight on screen is built
    // from the old one until the next file opens.
    ExpectFlightUnchanged();
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, AFileTruncatedWhileItIsReadFliesWithWhatWasRead) {
    StartFlight();
    const std::string shrinking = WriteText("shrinking.txt", 1u << 20);
    std::string prefix;
    {
        std::ifstream in(shrinking, std::ios::binary);
        prefix.resize(LineReader::kDefaultBufferSize);
        in.read(prefix.data(), static_cast<std::streamsize>(prefix.size()));
    }
    // After the first buffer of the file has been read, another program cuts the file short.
    ReadGate gate(shrinking, [&shrinking](int read) {
        if (read == 2) {
            [[maybe_unused]] const int cut = ::truncate(shrinking.c_str(), 1000);
        }
        return ReadGate::Verdict::Allow;
    });
    if (!gate.error().empty()) {
        GTEST_SKIP() << "reads cannot be watched here: " << gate.error();
    }
    gate.Watch(program().pid());
    const XSession::DropResult result = Drop({shrinking}, [&gate] { gate.Pump(); });
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_EQ(gate.reads(), 2) << "the read after the cut finds the end of the file";
    EXPECT_EQ(LastDropOutcome(shrinking), "opened");
    ExpectFlightOf(shrinking, prefix.size() - static_cast<std::size_t>(
                                                  std::count(prefix.begin(), prefix.end(), '\n')));
    EXPECT_TRUE(Messages(program()).empty());
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, AFileDeletedWhileItIsReadFliesWhole) {
    StartFlight();
    const std::uint64_t size = 1u << 20;
    const std::string vanishing = WriteText("vanishing.txt", size);
    ReadGate gate(vanishing, [&vanishing](int read) {
        if (read == 2) {
            ::unlink(vanishing.c_str());
        }
        return ReadGate::Verdict::Allow;
    });
    if (!gate.error().empty()) {
        GTEST_SKIP() << "reads cannot be watched here: " << gate.error();
    }
    gate.Watch(program().pid());
    const XSession::DropResult result = Drop({vanishing}, [&gate] { gate.Pump(); });
    ASSERT_TRUE(result.finished) << result.Describe();
    EXPECT_GT(gate.reads(), 2);
    EXPECT_FALSE(fs::exists(vanishing));
    EXPECT_EQ(LastDropOutcome(vanishing), "opened");
    ExpectFlightOf(vanishing, size - size / 80);
    ExpectAnotherFileStillOpens();
    CloseAndExpectCleanExit(program(), window());
}

TEST_F(Dropped, NamesWithSpacesJapaneseALineBreakOrALeadingDashOpen) {
    StartFlight();
    for (const std::string name :
         {"with  some spaces .txt", "日本語のテキスト.txt", "a line\nbreak.txt", "-dashed.txt"}) {
        SCOPED_TRACE(name);
        const std::string file = Write(name, "Awkward names fly too.\n");
        const XSession::DropResult result = Drop({file});
        ASSERT_TRUE(result.finished) << result.Describe();
        EXPECT_EQ(LastDropOutcome(file), "opened");
        ExpectFlightOf(file, 22);
    }
    EXPECT_TRUE(Messages(program()).empty());
    CloseAndExpectCleanExit(program(), window());
}

}  // namespace
}  // namespace robustness
