// Files named on the command line when the program starts: it either shows their flight or ends
// with status 1 before any window appears, saying on standard error what was wrong.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string_view>
#include <thread>
#include <tuple>

#include "scene/LineReader.h"
#include "scene/MemoryBudget.h"
#include "tests/robustness/ProgramTest.h"
#include "tests/robustness/ReadGate.h"

namespace robustness {
namespace {

class CommandLine : public ProgramTest {
  protected:
    // The program is started on `file` and must end with status 1 before showing a window:
    // one line on standard error with `reason`, no message box, nothing on standard output, the
    // attempt on the debug sink and no entry in the recent-file list.
    void ExpectRefused(const ChildOptions& options, const std::string& file,
                       const std::string& reason, const std::string& normalPath = {}) {
        std::unique_ptr<ChildProcess> program = Start(options);
        ASSERT_TRUE(WaitForExit(*program, 60s)) << "the program neither opened nor gave up";
        EXPECT_EQ(program->exitCode(), 1) << program->Describe() << "\n" << program->err();
        EXPECT_EQ(x_->MappedWindowOf(program->pid()), 0u) << "a window appeared";
        EXPECT_EQ(OwnErrors(*program),
                  std::vector<std::string>{"cannot open \"" + file + "\": " + reason});
        EXPECT_TRUE(Messages(*program).empty()) << program->err();
        EXPECT_EQ(program->out(), "");
        EXPECT_EQ(Count(program->err(), "first frame presented"), 0u);
        EXPECT_EQ(Count(program->err(), "open (command line) \"" +
                                            (normalPath.empty() ? file : normalPath) +
                                            "\": failed: " + reason + "\n"),
                  1u)
            << program->err();
        std::ifstream ini(IniPath());
        const std::string kept((std::istreambuf_iterator<char>(ini)), {});
        EXPECT_EQ(kept.find("File1="), std::string::npos) << kept;
    }

    // The program is started on `file` and shows its flight under the file's name; the window
    // is then closed and the program ends normally. Returns the characters of the scene.
    std::size_t ExpectFlightOf(const ChildOptions& options, const std::string& file) {
        std::unique_ptr<ChildProcess> program = Start(options);
        const XSession::Window window = WaitForWindow(*program, 120s);
        EXPECT_NE(window, 0u) << program->Describe() << "\n" << program->err();
        if (window == 0) {
            return 0;
        }
        EXPECT_TRUE(program->WaitForError("first frame presented", 30s)) << program->err();
        EXPECT_EQ(x_->Title(window), fs::path(file).filename().string() + " - Tamor Selvane 0.4");
        EXPECT_TRUE(OwnErrors(*program).empty()) << program->err();
        EXPECT_TRUE(Messages(*program).empty()) << program->err();
        lastPicture_ = GrabSettled(*program, window);
        CloseAndExpectCleanExit(*program, window);
        EXPECT_EQ(program->out(), "");
        lastErrors_ = program->err();
        const std::vector<std::string> builds = LinesAfter(program->err(), "scene built: ");
        EXPECT_EQ(builds.size(), 1u);
        return builds.empty() ? 0 : std::stoul(builds.front());
    }

    // The encoding the debug line of the last flight's scene names.
    std::string LastEncoding() const {
        const std::vector<std::string> builds = LinesAfter(lastErrors_, "scene built: ");
        return builds.empty() ? "" : builds.back().substr(builds.back().rfind(", ") + 2);
    }

    XSession::Picture lastPicture_;
    std::string lastErrors_;
};

constexpr std::string_view kNovelLine = "吾輩は猫である。名前はまだ無い。\n";  // 16 characters

TEST_F(CommandLine, AMissingFileEndsTheStartWithItsReason) {
    const std::string missing = (scratch() / "missing.txt").string();
    ExpectRefused(Options({missing}), missing, "No such file or directory");
}

TEST_F(CommandLine, AFileWithoutReadPermissionEndsTheStart) {
    const std::string locked = Write("locked.txt", "You may not read this.\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ChildOptions options = Options({locked});
    AsNobody(options);
    ExpectRefused(options, locked, "Permission denied");
}

TEST_F(CommandLine, ADirectoryAFifoOrADeviceIsRefusedWithoutBeingRead) {
    const fs::path directory = scratch() / "folder.txt";
    fs::create_directory(directory);
    ExpectRefused(Options({directory.string()}), directory.string(), "is a directory");

    // Opening a FIFO would wait for a writer for ever: the program must end by itself.
    const fs::path fifo = scratch() / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ExpectRefused(Options({fifo.string()}), fifo.string(), "is a named pipe, not a regular file");

    // Reading /dev/zero would never end.
    ExpectRefused(Options({"/dev/zero"}), "/dev/zero", "is a device, not a regular file");
}

TEST_F(CommandLine, AnEmptyFileShowsAnEmptyFlightUnderItsName) {
    const std::string empty = Write("empty.txt", "");
    EXPECT_EQ(ExpectFlightOf(Options({empty}), empty), 0u);
    EXPECT_EQ(lastPicture_.ShareUnlike(0xFFFFFF), 0.0) << "nothing but the background";
    std::ifstream ini(IniPath());
    const std::string kept((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_EQ(kept, "[Recent File List]\nFile1=" + empty + "\n");
}

TEST_F(CommandLine, TenMegabytesOfRandomBytesEndAtTheirFirstEndOfFileByte) {
    const std::string bytes = RandomBytes(10u << 20, 20260101);
    const std::string file = Write("random.bin", bytes);
    const std::size_t end = bytes.find('\x1A');
    ASSERT_NE(end, std::string::npos);
    ASSERT_GT(end, 16u) << "the seed should give a text of some length";
    const auto breaks =
        static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + end, '\n'));
    const std::size_t characters = ExpectFlightOf(Options({file}), file);
    // Every character takes one or two bytes, every line end one or two.
    EXPECT_LE(characters, end - breaks);
    EXPECT_GE(characters, (end - 2 * breaks) / 2);
}

TEST_F(CommandLine, TenMegabytesOfRandomBytesWithoutAnEndOfFileByteAllFly) {
    std::string bytes = RandomBytes(10u << 20, 20260102);
    std::replace(bytes.begin(), bytes.end(), '\x1A', '\x1B');
    const std::uint64_t needed = bytes.size() * kLoadBytesPerCharacter;
    if (AvailableMemory() < 2 * needed) {
        GTEST_SKIP() << "this machine has too little memory free for ten million characters";
    }
    const std::string file = Write("random.bin", bytes);
    const auto breaks = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    const std::size_t characters = ExpectFlightOf(Options({file}), file);
    EXPECT_LE(characters, bytes.size() - breaks);
    EXPECT_GE(characters, (bytes.size() - 2 * breaks) / 2);
}

TEST_F(CommandLine, ATwoHundredMegabyteTextIsRefusedBeforeItIsRead) {
    const std::uint64_t size = 200u << 20;
    ASSERT_GT(size * kLoadBytesPerCharacter, kChildMemory);
    const std::string big = WriteText("big.txt", size);
    ExpectRefused(Options({big}), big, "file too large for the memory available");
}

TEST_F(CommandLine, AFileTooLargeForAnAddressSpaceLimitIsRefused) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under any ulimit -v";
    }
    // ulimit -v 3 GiB: the program starts well within it, but sixteen million characters
    // would need some seven.
    const std::uint64_t limit = 3ull << 30;
    const std::uint64_t size = 16u << 20;
    ASSERT_LT(size * kLoadBytesPerCharacter, kChildMemory) << "only the limit refuses it";
    const std::string large = WriteText("large.txt", size);
    ChildOptions limited = Options({large});
    limited.addressSpaceLimit = limit;
    ExpectRefused(limited, large, "file too large for the memory available");

    // Under the same limit a text of ordinary size still flies.
    const std::string small = WriteText("small.txt", 100000);
    ChildOptions smallLimited = Options({small});
    smallLimited.addressSpaceLimit = limit;
    EXPECT_EQ(ExpectFlightOf(smallLimited, small), 100000u / 80 * 79);
}

TEST_F(CommandLine, AReadErrorEndsTheStartWithTheSystemsReason) {
    // Reading the first bytes of a process's own memory fails with EIO: a regular file whose
    // reads fail, without any special file system.
    std::unique_ptr<ChildProcess> program = Start(Options({"/proc/self/mem"}));
    ASSERT_TRUE(WaitForExit(*program, 60s));
    EXPECT_EQ(program->exitCode(), 1) << program->Describe();
    EXPECT_EQ(x_->MappedWindowOf(program->pid()), 0u);
    EXPECT_EQ(OwnErrors(*program), std::vector<std::string>{"cannot open \"/proc/self/mem\": "
                                                            "read error: Input/output error"});
    EXPECT_TRUE(Messages(*program).empty());
}

TEST_F(CommandLine, AReadThatFailsPartWayEndsTheStart) {
    const std::string text = WriteText("failing.txt", 1u << 20);
    ReadGate gate(text, [](int read) {
        return read >= 2 ? ReadGate::Verdict::Deny : ReadGate::Verdict::Allow;
    });
    if (!gate.error().empty()) {
        GTEST_SKIP() << "reads cannot be watched here: " << gate.error();
    }
    ChildProcess program(Options({text}));
    ASSERT_TRUE(program.started()) << program.error();
    gate.Watch(program.pid());
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (program.Running() && std::chrono::steady_clock::now() < deadline) {
        gate.Pump();
        x_->Pump();
        program.Pump(5ms);
    }
    program.Pump();
    ASSERT_FALSE(program.Running());
    EXPECT_EQ(gate.reads(), 2) << "the program read on after the failed read";
    EXPECT_EQ(program.exitCode(), 1) << program.Describe();
    EXPECT_EQ(x_->MappedWindowOf(program.pid()), 0u);
    EXPECT_EQ(OwnErrors(program), std::vector<std::string>{"cannot open \"" + text +
                                                           "\": read error: Operation not "
                                                           "permitted"});
}

TEST_F(CommandLine, WithoutADisplayTheStartEndsWithAMessageRatherThanAnAbort) {
    const std::string file = Write("text.txt", "No window for this.\n");
    ChildOptions none = Options({file});
    none.environment["DISPLAY"] = std::nullopt;
    std::unique_ptr<ChildProcess> program = Start(none);
    ASSERT_TRUE(WaitForExit(*program, 30s));
    EXPECT_EQ(program->exitCode(), 1) << program->Describe() << "\n" << program->err();
    EXPECT_EQ(program->err(), "selvane: no display to show the window on: DISPLAY is not set\n");

    // A display no server listens on.
    ChildOptions gone = Options({file});
    std::string unused;
    for (int n = 4000; unused.empty(); ++n) {
        if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
            unused = ":" + std::to_string(n);
        }
    }
    gone.environment["DISPLAY"] = unused;
    program = Start(gone);
    ASSERT_TRUE(WaitForExit(*program, 30s));
    EXPECT_EQ(program->exitCode(), 1) << program->Describe() << "\n" << program->err();
    EXPECT_EQ(program->err(), "selvane: cannot connect to the display \"" + unused + "\"\n");
}

TEST_F(CommandLine, JapaneseInUtf8Utf16AndEucJpFliesWithoutAnOption) {
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c : std::u16string_view(u"吾輩は猫である。名前はまだ無い。\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const std::string eucJp =
        "\xB8\xE3\xC7\xDA\xA4\xCF\xC7\xAD\xA4\xC7\xA4\xA2\xA4\xEB\xA1\xA3\xCC\xBE\xC1\xB0\xA4\xCF"
        "\xA4\xDE\xA4\xC0\xCC\xB5\xA4\xA4\xA1\xA3\n";
    const std::tuple<const char*, std::string, const char*> files[] = {
        {"utf8.txt", std::string(kNovelLine), "UTF-8"},
        {"utf16.txt", utf16, "UTF-16LE"},
        {"eucjp.txt", eucJp, "EUC-JP"},
    };
    for (const auto& [name, bytes, encoding] : files) {
        SCOPED_TRACE(name);
        const std::string file = Write(name, bytes);
        EXPECT_EQ(ExpectFlightOf(Options({file}), file), 16u);
        EXPECT_EQ(LastEncoding(), encoding);
    }
}

TEST_F(CommandLine, StandardInputFliesUnderItsOwnTitleAndStaysOutOfTheRecentList) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ChildOptions options = Options({"-"});
    options.standardInput = fds[0];
    // More than a pipe holds: the program reads while the text is still being written.
    std::string text;
    while (text.size() < 300000) {
        text += kNovelLine;
    }
    std::thread writer([&] {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::close(fds[1]);
    });
    const std::size_t characters = ExpectFlightOf(options, "標準入力");
    writer.join();
    ::close(fds[0]);
    EXPECT_EQ(characters, text.size() / kNovelLine.size() * 16);
    EXPECT_EQ(LastEncoding(), "UTF-8");
    EXPECT_EQ(Count(lastErrors_, "open (standard input) \"-\": opened\n"), 1u) << lastErrors_;
    std::ifstream ini(IniPath());
    const std::string kept((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_EQ(kept.find("File1="), std::string::npos) << kept;
}

// Names that a shell, a menu or a command line find awkward: the program opens them all and
// shows each under its own name.
TEST_F(CommandLine, NamesWithSpacesJapaneseALineBreakOrALeadingDashOpen) {
    for (const std::string name :
         {"with  some spaces .txt", "日本語のテキスト.txt", "a line\nbreak.txt"}) {
        SCOPED_TRACE(name);
        const std::string file = Write(name, "Awkward names fly too.\n");
        EXPECT_EQ(ExpectFlightOf(Options({file}), file), 22u);
    }
    // A leading "-" reads as an option unless the options have ended...
    const std::string dashed = Write("-dashed.txt", "Dashes fly too.\n");
    EXPECT_EQ(ExpectFlightOf(Options({"--", dashed}), dashed), 15u);
    // ... which a relative name does not need.
    const std::string relative = "./-dashed.txt";
    ChildOptions fromScratch = Options({relative});
    fromScratch.workingDirectory = scratch().string();
    EXPECT_EQ(ExpectFlightOf(fromScratch, dashed), 15u);

    std::unique_ptr<ChildProcess> option = Start(Options({"-dashed.txt"}));
    ASSERT_TRUE(WaitForExit(*option, 30s));
    EXPECT_EQ(option->exitCode(), 2);
    EXPECT_EQ(x_->MappedWindowOf(option->pid()), 0u);
    EXPECT_EQ(option->err().rfind("selvane: unknown option \"-dashed.txt\"\n", 0), 0u)
        << option->err();
    EXPECT_NE(option->err().find("Try 'selvane --help'"), std::string::npos);
}

}  // namespace
}  // namespace robustness
