// However a run of the window ends (a signal, the display going away, a kill), the reading
// place of the open file survives it and the end is no crash.

#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <thread>

#include "tests/robustness/ProgramTest.h"

namespace robustness {
namespace {

class SessionEnd : public ProgramTest {
  protected:
    // A flight cruising fast through a long text, so that its place moves every tick.
    std::unique_ptr<ChildProcess> StartReading(ChildOptions options) {
        text_ = WriteText("long.txt", 200'000);
        options.arguments.push_back(text_);
        std::unique_ptr<ChildProcess> program = Start(options);
        window_ = WaitForWindow(*program);
        EXPECT_NE(window_, 0u) << program->Describe() << "\n" << program->err();
        EXPECT_TRUE(program->WaitForError("first frame presented", 30s)) << program->err();
        return program;
    }
    ChildOptions Reading(const std::string& interval = {}) const {
        ChildOptions options = Options({"--cruise=15"});
        if (!interval.empty()) {
            options.environment["SELVANE_TEST_PLACE_INTERVAL_MS"] = interval;
        }
        return options;
    }

    std::string Ini() const {
        std::ifstream in(IniPath(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    // The place the INI keeps for the text read; -1 where it keeps none.
    long long KeptPlace() const {
        const std::string ini = Ini();
        const std::size_t resume = ini.find("[Resume]");
        std::smatch match;
        const std::string section = resume == std::string::npos ? "" : ini.substr(resume);
        if (section.find("File1=" + text_) == std::string::npos ||
            !std::regex_search(section, match, std::regex("Place1=([0-9]+)"))) {
            return -1;
        }
        return std::stoll(match[1]);
    }
    // Waits until the INI keeps a place for the text, within a generous bound.
    bool PlaceKeptWithin(std::chrono::milliseconds timeout) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (KeptPlace() <= 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    std::string text_;
    XSession::Window window_ = 0;
};

TEST_F(SessionEnd, TermHupAndIntEndTheWindowAsClosingItDoesAndKeepThePlace) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        fs::remove(IniPath());
        std::unique_ptr<ChildProcess> program = StartReading(Reading());
        std::this_thread::sleep_for(1s);
        ::kill(program->pid(), signal);
        ASSERT_TRUE(WaitForExit(*program, 30s)) << program->Describe();
        EXPECT_EQ(program->exitCode(), 0) << program->Describe() << "\n" << program->err();
        EXPECT_GT(KeptPlace(), 0) << Ini();
        EXPECT_TRUE(OwnErrors(*program).empty()) << program->err();
    }
}

TEST_F(SessionEnd, TheDisplayGoingAwayEndsTheWindowWithThePlaceKept) {
    std::unique_ptr<ChildProcess> program = StartReading(Reading());
    std::this_thread::sleep_for(1s);
    KillXServer();
    ASSERT_TRUE(WaitForExit(*program, 30s)) << program->Describe();
    EXPECT_EQ(program->exitCode(), 1) << program->Describe() << "\n" << program->err();
    EXPECT_EQ(OwnErrors(*program),
              std::vector<std::string>{"the connection to the display broke; the window is "
                                       "closed, its recent files and reading places kept"})
        << program->err();
    EXPECT_GT(KeptPlace(), 0) << Ini();
}

TEST_F(SessionEnd, APlaceIsKeptWhileReadingSoThatAKillLosesLittle) {
    std::unique_ptr<ChildProcess> program = StartReading(Reading("200"));
    ASSERT_TRUE(PlaceKeptWithin(20s)) << Ini() << "\n" << program->err();
    const long long first = KeptPlace();
    // It moves on with the flight.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (KeptPlace() <= first && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_GT(KeptPlace(), first) << Ini();
    program->Kill();
    EXPECT_GT(KeptPlace(), first) << Ini();
}

TEST_F(SessionEnd, ARestingFlightWritesNothing) {
    ChildOptions options = Reading("100");
    options.arguments = {};
    std::unique_ptr<ChildProcess> program = StartReading(options);
    struct stat before {};
    ASSERT_EQ(::stat(IniPath().c_str(), &before), 0) << "the open wrote no INI";
    std::this_thread::sleep_for(1500ms);
    struct stat after {};
    ASSERT_EQ(::stat(IniPath().c_str(), &after), 0);
    // Every write renames a new file over the INI: the same inode is the same file.
    EXPECT_EQ(after.st_ino, before.st_ino);
    CloseAndExpectCleanExit(*program, window_);
}

TEST_F(SessionEnd, AWriteThatFailsIsReportedOnceAndTheFlightGoesOn) {
    // A file where the settings folder should be: no INI can be written.
    fs::create_directories(ConfigDir());
    std::ofstream(ConfigDir() / "Selvane") << "not a folder";
    std::unique_ptr<ChildProcess> program = StartReading(Reading("100"));
    ASSERT_TRUE(program->WaitForError("could not be kept", 20s)) << program->err();
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(program->Running());
    program->Pump();
    EXPECT_EQ(Count(program->err(), "could not be kept"), 1u) << program->err();
    CloseAndExpectCleanExit(*program, window_);
}

}  // namespace
}  // namespace robustness
