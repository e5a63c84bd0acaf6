#include "tests/robustness/ProgramTest.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

namespace robustness {

namespace {

// The escaping of paths in the program's diagnostics: as in its INI file.
std::string Escaped(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\') {
            out += "\\\\";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string Tail(const std::string& text) {
    return text.size() > 3000 ? "..." + text.substr(text.size() - 3000) : text;
}

}  // namespace

const fs::path& ProgramTest::ProgramDir() {
    static const fs::path dir(SELVANE_PROGRAM_DIR);
    return dir;
}

void ProgramTest::StartXServer() {
    std::string xvfb;
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && ::access((dir + "/Xvfb").c_str(), X_OK) == 0) {
            xvfb = dir + "/Xvfb";
            break;
        }
    }
    ASSERT_FALSE(xvfb.empty()) << "Xvfb is not installed (Debian package xvfb)";
    ChildOptions options;
    options.program = xvfb;
    // -displayfd: the server picks a free display and says which on standard output.
    options.arguments = {"-displayfd",   "1",         "-screen", "0",
                         "1280x1024x24", "-nolisten", "tcp",     "-noreset"};
    xserver_ = std::make_unique<ChildProcess>(options);
    ASSERT_TRUE(xserver_->started()) << xserver_->error();
    ASSERT_TRUE(xserver_->WaitForOutput("\n", 30s)) << "Xvfb did not start: " << xserver_->err();
    display_ = ":" + xserver_->out().substr(0, xserver_->out().find('\n'));
    x_ = std::make_unique<XSession>(display_);
    ASSERT_TRUE(x_->connected()) << "cannot connect to " << display_;
}

void ProgramTest::SetUp() {
    StartXServer();
    if (HasFatalFailure()) {
        return;
    }
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = fs::temp_directory_path() /
               ("selvane-robust-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    // Open to the unprivileged user of the cases that need one.
    fs::permissions(scratch_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(ConfigDir());
    fs::permissions(ConfigDir(), fs::perms::all);
    fs::create_directories(scratch_ / "runtime");
    fs::permissions(scratch_ / "runtime", fs::perms::owner_all);
}

void ProgramTest::KillXServer() {
    x_.reset();
    if (xserver_) {
        xserver_->Kill();
    }
}

void ProgramTest::TearDown() {
    x_.reset();
    if (xserver_) {
        xserver_->Kill();
    }
    std::error_code ec;
    fs::remove_all(scratch_, ec);
}

std::string ProgramTest::Write(const std::string& name, std::string_view bytes) const {
    const fs::path path = scratch_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

std::string ProgramTest::WriteText(const std::string& name, std::uint64_t size) const {
    static constexpr std::string_view kLine =
        "A line of a long text, and the flight through it goes on and on and on ........\n";
    static_assert(kLine.size() == 80);
    std::string piece;
    while (piece.size() < (1u << 20)) {
        piece += kLine;
    }
    const fs::path path = scratch_ / name;
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
        out.write(piece.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    return path.string();
}

std::string ProgramTest::RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

fs::path ProgramTest::CopyProgram() const {
    const fs::path copy = scratch_ / "program";
    fs::create_directories(copy);
    // Only the program itself is linked, which no case changes: a case that writes into one
    // of the other files must not write through a link into the build's own.
    std::error_code ec;
    fs::create_hard_link(ProgramDir() / "Selvane", copy / "Selvane", ec);
    if (ec) {
        fs::copy_file(ProgramDir() / "Selvane", copy / "Selvane");
    }
    fs::copy_file(ProgramDir() / "SelvaneShader.glsl", copy / "SelvaneShader.glsl");
    fs::copy_file(ProgramDir() / "Selvane.html", copy / "Selvane.html");
    fs::copy(ProgramDir() / "Sounds", copy / "Sounds", fs::copy_options::recursive);
    return copy;
}

ChildOptions ProgramTest::Options(std::vector<std::string> arguments,
                                  const fs::path& programDir) const {
    ChildOptions options;
    options.program = (programDir / "Selvane").string();
    options.arguments = std::move(arguments);
    options.environment = {
        {"SELVANE_MESSAGE_BOXES", "stderr"},
        {"SELVANE_DEBUG", "1"},
        {"ALSOFT_DRIVERS", "null"},
        {"QT_QPA_PLATFORM", "xcb"},
        {"DISPLAY", display_},
        // The test's server asks no cookie.
        {"XAUTHORITY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"XDG_CONFIG_HOME", ConfigDir().string()},
        {"XDG_RUNTIME_DIR", (scratch_ / "runtime").string()},
        // Whatever the caller's shell forces on Mesa is not part of a case.
        {"MESA_GL_VERSION_OVERRIDE", std::nullopt},
        // Whether a file fits the memory is judged against this figure, not against what the
        // machine happens to have free while the case runs.
        {"SELVANE_AVAILABLE_MEMORY", std::to_string(kChildMemory)},
    };
    return options;
}

void ProgramTest::AsNobody(ChildOptions& options) const {
    // A user other than root is unprivileged already: a file it may not read stays unread.
    if (::geteuid() != 0) {
        return;
    }
    options.user = kNobody;
    options.group = kNogroup;
    const fs::path home = scratch_ / "home";
    fs::create_directories(home);
    fs::permissions(home, fs::perms::all);
    const fs::path runtime = scratch_ / "runtime-nobody";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    [[maybe_unused]] const int chowned = ::chown(runtime.c_str(), kNobody, kNogroup);
    options.environment["HOME"] = home.string();
    options.environment["XDG_RUNTIME_DIR"] = runtime.string();
}

std::unique_ptr<ChildProcess> ProgramTest::Start(const ChildOptions& options) {
    auto program = std::make_unique<ChildProcess>(options);
    EXPECT_TRUE(program->started()) << program->error();
    return program;
}

bool ProgramTest::WaitForExit(ChildProcess& program, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (program.Running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        if (x_) {
            x_->Pump();
        }
        program.Pump(10ms);
    }
    program.Pump();
    if (x_) {
        x_->Pump();
    }
    return true;
}

XSession::Window ProgramTest::WaitForWindow(ChildProcess& program,
                                            std::chrono::milliseconds timeout) {
    return x_->WaitForWindowOf(
        program.pid(), timeout, [&program] { return !program.Running(); },
        [&program] { program.Pump(); });
}

void ProgramTest::CloseAndExpectCleanExit(ChildProcess& program, XSession::Window window) {
    x_->Close(window);
    ASSERT_TRUE(WaitForExit(program, 30s)) << "the program does not end when its window closes";
    EXPECT_EQ(program.exitCode(), 0) << program.Describe() << "\n" << Tail(program.err());
}

std::vector<std::string> ProgramTest::LinesAfter(const std::string& text, std::string_view prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            lines.push_back(line.substr(prefix.size()));
        }
    }
    return lines;
}

std::vector<std::string> ProgramTest::OwnErrors(const ChildProcess& program) {
    return LinesAfter(program.err(), "selvane: ");
}

std::vector<std::string> ProgramTest::Messages(const ChildProcess& program) {
    return LinesAfter(program.err(), "Selvane: ");
}

std::size_t ProgramTest::Count(const std::string& text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

std::uint64_t ProgramTest::AvailableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib >> unit) {
        if (key == "MemAvailable:") {
            return kib * 1024;
        }
    }
    return 0;
}

void FlightTest::TearDown() {
    // The program goes before its X server.
    program_.reset();
    ProgramTest::TearDown();
}

void FlightTest::StartFlight(const std::function<void(ChildOptions&)>& adjust) {
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += kFlightText;
    }
    flightPath_ = Write("flight.txt", text);
    ChildOptions options = Options({flightPath_});
    if (adjust) {
        adjust(options);
    }
    program_ = Start(options);
    ASSERT_TRUE(program_->started());
    window_ = WaitForWindow(*program_);
    ASSERT_NE(window_, 0u) << "no window: " << program_->Describe() << "\n" << program_->err();
    ASSERT_TRUE(program_->WaitForError("first frame presented", 30s)) << program_->err();
    flightTitle_ = Title();
    ASSERT_EQ(flightTitle_, "flight.txt - Tamor Selvane 0.4");
    flightPicture_ = GrabSettled();
    ASSERT_GT(flightPicture_.pixels.size(), 10000u) << "the view could not be grabbed";
    ASSERT_GT(flightPicture_.ShareUnlike(0xFFFFFF), 0.0005) << "no text is shown";
}

XSession::DropResult FlightTest::Drop(const std::vector<std::string>& paths,
                                      const std::function<void()>& idle) {
    const auto pump = [this, &idle] {
        program_->Pump();
        if (idle) {
            idle();
        }
    };
    // Each open ends with its outcome line; the same file may come more than once.
    std::map<std::string, std::size_t> expected;
    for (const std::string& path : paths) {
        const std::string prefix = "open (drop) \"" + Escaped(path) + "\": ";
        if (expected.count(prefix) == 0) {
            expected[prefix] = Count(program_->err(), prefix);
        }
        ++expected[prefix];
    }
    const XSession::DropResult result =
        x_->DropFiles(window_, paths, 60s, pump, [this] { return !program_->Running(); });
    // The program answers the drop first and opens the files after.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    const auto allOpened = [&] {
        return std::all_of(expected.begin(), expected.end(), [&](const auto& entry) {
            return Count(program_->err(), entry.first) >= entry.second;
        });
    };
    while (result.finished && program_->Running() && !allOpened() &&
           std::chrono::steady_clock::now() < deadline) {
        pump();
        std::this_thread::sleep_for(5ms);
    }
    program_->Pump(20ms);
    return result;
}

XSession::Picture ProgramTest::GrabSettled(ChildProcess& program, XSession::Window window) {
    XSession::Picture last;
    for (int i = 0; i < 40; ++i) {
        program.Pump(100ms);
        XSession::Picture now = x_->GrabCentre(window);
        if (!now.pixels.empty() && now == last) {
            return now;
        }
        last = std::move(now);
    }
    return last;
}

void FlightTest::ExpectFlightUnchanged() {
    EXPECT_EQ(Title(), flightTitle_);
    EXPECT_EQ(Count(program_->err(), "scene built:"), 1u) << "the scene was built again";
    const XSession::Picture now = GrabSettled();
    EXPECT_TRUE(now == flightPicture_)
        << "the picture changed: " << now.ShareUnlike(0xFFFFFF) << " of it is not white, was "
        << flightPicture_.ShareUnlike(0xFFFFFF);
    EXPECT_TRUE(program_->Running()) << program_->Describe();
}

void FlightTest::ExpectAnotherFileStillOpens() {
    std::string text;
    for (int i = 0; i < 12; ++i) {
        text += "Another text flies now. ";
    }
    const std::string other = Write("another.txt", text);
    const std::size_t builds = Count(program_->err(), "scene built:");
    const XSession::DropResult result = Drop({other});
    ASSERT_TRUE(result.finished) << result.Describe() << ": " << program_->Describe();
    EXPECT_EQ(LastDropOutcome(other), "opened");
    EXPECT_EQ(Count(program_->err(), "scene built:"), builds + 1);
    EXPECT_EQ(TitleAwaiting("another.txt - Tamor Selvane 0.4"), "another.txt - Tamor Selvane 0.4");
    EXPECT_FALSE(GrabSettled() == flightPicture_) << "the new text is not shown";
}

void FlightTest::ExpectFlightOf(const std::string& path, std::size_t characters) {
    const std::string title = fs::path(path).filename().string() + " - Tamor Selvane 0.4";
    EXPECT_EQ(TitleAwaiting(title), title);
    const std::vector<std::string> builds = LinesAfter(program_->err(), "scene built: ");
    ASSERT_FALSE(builds.empty());
    EXPECT_EQ(builds.back().substr(0, builds.back().find(' ')), std::to_string(characters));
}

std::string FlightTest::TitleAwaiting(const std::string& expected) {
    std::string title = Title();
    for (int i = 0; i < 100 && title != expected && program_->Running(); ++i) {
        program_->Pump(50ms);
        title = Title();
    }
    return title;
}

std::string FlightTest::LastDropOutcome(const std::string& path) const {
    const std::vector<std::string> outcomes =
        LinesAfter(program_->err(), "open (drop) \"" + Escaped(path) + "\": ");
    return outcomes.empty() ? "(no line for this drop)" : outcomes.back();
}

}  // namespace robustness
