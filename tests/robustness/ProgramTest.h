#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/robustness/ChildProcess.h"
#include "tests/robustness/XSession.h"

namespace robustness {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The program as a user starts it: build/<preset>/bin/Selvane, with its message boxes written
// to standard error ("Selvane: <text>"), its debug sink on standard error too, no sound device
// it could disturb, and a configuration directory of the test's own. Each test runs a virtual X
// server of its own (Xvfb), so that no window of another test lies over the program's when its
// picture is taken, and nothing of the program's reaches another test.
class ProgramTest : public testing::Test {
  protected:
    static const fs::path& ProgramDir();
    static constexpr uid_t kNobody = 65534;
    static constexpr gid_t kNogroup = 65534;

    void SetUp() override;
    void TearDown() override;

    const fs::path& scratch() const { return scratch_; }
    fs::path ConfigDir() const { return scratch_ / "config"; }
    fs::path IniPath() const { return ConfigDir() / "Selvane" / "Selvane.INI"; }
    // Writes bytes to a file in the scratch directory and returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const;
    // A text file of `size` bytes, lines of 79 characters and a line feed, written in large
    // pieces so that hundreds of megabytes take a moment.
    std::string WriteText(const std::string& name, std::uint64_t size) const;
    // Bytes from a fixed seed: the same garbage on every run.
    static std::string RandomBytes(std::size_t size, std::uint32_t seed);
    // The program directory copied into the scratch directory (the program itself linked where
    // the file system allows), for the cases that take one of its files away.
    fs::path CopyProgram() const;

    ChildOptions Options(std::vector<std::string> arguments,
                         const fs::path& programDir = ProgramDir()) const;
    // Runs as the unprivileged user "nobody" when the test runs as root, which reads every
    // file: an unreadable file needs a user it is unreadable to.
    void AsNobody(ChildOptions& options) const;
    std::unique_ptr<ChildProcess> Start(const ChildOptions& options);

    // Waits for the end of the program, watching the X server meanwhile.
    bool WaitForExit(ChildProcess& program, std::chrono::milliseconds timeout = 60s);
    // The program's main window once mapped; 0 if it ends or times out first.
    XSession::Window WaitForWindow(ChildProcess& program, std::chrono::milliseconds timeout = 30s);
    // The picture of the window's view once two grabs some frames apart agree: the flight
    // stands still (nothing turns the wheel), and every frame of it has reached the screen.
    XSession::Picture GrabSettled(ChildProcess& program, XSession::Window window);
    // Ends the test's X server at once, as a crash or a logout would.
    void KillXServer();
    // Closes the window as a user would and expects the program to end normally.
    void CloseAndExpectCleanExit(ChildProcess& program, XSession::Window window);

    // The lines of text that begin with prefix, without it.
    static std::vector<std::string> LinesAfter(const std::string& text, std::string_view prefix);
    // The program's own error lines ("selvane: ...") and message boxes ("Selvane: ...").
    static std::vector<std::string> OwnErrors(const ChildProcess& program);
    static std::vector<std::string> Messages(const ChildProcess& program);
    static std::size_t Count(const std::string& text, std::string_view what);
    // MemAvailable of /proc/meminfo in bytes; 0 if unknown.
    static std::uint64_t AvailableMemory();
    // The memory the program is told it may still take: room for the flight of ten million
    // characters, none for two hundred million.
    static constexpr std::uint64_t kChildMemory = 16ull << 30;
    // True in the sanitizer build, whose program reserves terabytes of address space for
    // AddressSanitizer's shadow memory at start: no address-space limit lets it run.
    static constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
        true;
#else
        false;
#endif

    std::unique_ptr<XSession> x_;

  private:
    void StartXServer();

    fs::path scratch_;
    std::unique_ptr<ChildProcess> xserver_;
    std::string display_;
};

// A program already flying through a text, into which the cases drop files as a file manager
// would. The picture of the flight stands still (nothing turns the wheel), so "unchanged" can be
// checked pixel for pixel.
class FlightTest : public ProgramTest {
  protected:
    static constexpr std::string_view kFlightText = "The flight goes on, whatever it is given. ";

    void TearDown() override;

    // Starts the program on a text of its own; `adjust` may change the options first.
    void StartFlight(const std::function<void(ChildOptions&)>& adjust = {});
    ChildProcess& program() { return *program_; }
    XSession::Window window() const { return window_; }
    const std::string& flightPath() const { return flightPath_; }

    // Drops the files and waits until the program has handled the drop; `idle` runs between
    // looks (a read gate's pump, for instance).
    XSession::DropResult Drop(const std::vector<std::string>& paths,
                              const std::function<void()>& idle = {});
    // The flight on screen is the one from the start: same title, no scene built since, the
    // same picture.
    void ExpectFlightUnchanged();
    // The program still opens a file dropped on it, and the flight shows it.
    void ExpectAnotherFileStillOpens();
    // The flight is that of the file, with `characters` characters.
    void ExpectFlightOf(const std::string& path, std::size_t characters);
    // The debug line of the last drop's outcome: "opened", "failed: <reason>", ...
    std::string LastDropOutcome(const std::string& path) const;
    std::string Title() { return x_->Title(window_); }
    // The title once it reads `expected`, or after a few seconds whatever it reads: the
    // program logs an open before Qt has sent the new caption to the X server.
    std::string TitleAwaiting(const std::string& expected);
    XSession::Picture GrabSettled() { return ProgramTest::GrabSettled(*program_, window_); }

    std::string flightTitle_;
    XSession::Picture flightPicture_;

  private:
    std::unique_ptr<ChildProcess> program_;
    XSession::Window window_ = 0;
    std::string flightPath_;
};

}  // namespace robustness
