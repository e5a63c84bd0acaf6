// The program as XScreenSaver runs it: drawing into a window another program made (here the
// test), or on the root window, cruising on until a signal ends it with status 0.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>

#include "tests/robustness/ProgramTest.h"

namespace robustness {
namespace {

// The colour of the test's windows: wherever it still shows, the flight does not fill them.
constexpr std::uint32_t kMagenta = 0xFF00FF;

std::string Hex(unsigned long id) {
    std::ostringstream out;
    out << "0x" << std::hex << id;
    return out.str();
}

std::size_t CountOf(const XSession::Picture& picture, std::uint32_t colour) {
    return static_cast<std::size_t>(
        std::count(picture.pixels.begin(), picture.pixels.end(), colour));
}

class ScreenSaver : public ProgramTest {
  protected:
    // Where OpenAL Soft's wave writer puts all the program plays, once it opens a device.
    fs::path SoundFile() const { return scratch() / "sound.wav"; }

    ChildOptions SaverOptions(std::vector<std::string> arguments) const {
        ChildOptions options = Options(std::move(arguments));
        const std::string conf =
            Write("alsoft.conf",
                  "[general]\ndrivers = wave\n[wave]\nfile = " + SoundFile().string() + "\n");
        options.environment["ALSOFT_CONF"] = conf;
        options.environment["ALSOFT_DRIVERS"] = std::nullopt;
        return options;
    }

    // The window once it shows the flight at its full size: the program's view fills it, with
    // text on the white background, and none of the window's own colour left.
    XSession::Picture AwaitFlightIn(ChildProcess& program, XSession::Window window, int width,
                                    int height) {
        XSession::Picture picture;
        for (int i = 0; i < 100; ++i) {
            program.Pump(100ms);
            picture = x_->Grab(window);
            if (picture.width == width && picture.height == height &&
                CountOf(picture, kMagenta) == 0 && picture.ShareUnlike(0xFFFFFF) > 0.0005) {
                break;
            }
        }
        EXPECT_EQ(picture.width, width);
        EXPECT_EQ(picture.height, height);
        EXPECT_EQ(CountOf(picture, kMagenta), 0u) << "the flight does not fill the window";
        EXPECT_GT(picture.ShareUnlike(0xFFFFFF), 0.0005) << "no text is shown";
        EXPECT_LT(picture.ShareUnlike(0xFFFFFF), 0.5) << "the background is not the flight's";
        return picture;
    }

    // XScreenSaver ends its hacks with a signal: the program must be gone within a second,
    // having ended normally. (AddressSanitizer's leak check at exit is no part of the program's
    // time.)
    void ExpectEndOn(ChildProcess& program, int signal) {
        ASSERT_TRUE(program.Running()) << program.Describe() << "\n" << program.err();
        ASSERT_EQ(::kill(program.pid(), signal), 0);
        const auto limit = kAddressSanitizer ? 20s : 1s;
        ASSERT_TRUE(WaitForExit(program, limit))
            << "still running " << limit.count() << " s after the signal";
        EXPECT_EQ(program.exitCode(), 0) << program.Describe() << "\n" << program.err();
        EXPECT_TRUE(OwnErrors(program).empty()) << program.err();
        EXPECT_TRUE(Messages(program).empty()) << program.err();
        EXPECT_TRUE(fs::is_empty(ConfigDir())) << "settings were written";
    }
};

TEST_F(ScreenSaver, FillsTheWindowItIsGivenFollowsItsSizeAndEndsOnSigterm) {
    const XSession::Window window = x_->CreateWindow(400, 300, kMagenta);
    std::unique_ptr<ChildProcess> program = Start(SaverOptions({"--window-id=" + Hex(window)}));
    ASSERT_TRUE(program->WaitForError("first frame presented (400x300)", 30s)) << program->err();
    const XSession::Picture first = AwaitFlightIn(*program, window, 400, 300);
    EXPECT_EQ(Count(program->err(), "open (command line) \"" +
                                        (ProgramDir() / "sample.txt").string() + "\": opened"),
              1u)
        << "not the sample text:\n"
        << program->err();
    // Cruise carries the flight on by itself.
    program->Pump(500ms);
    EXPECT_FALSE(x_->Grab(window) == first) << "the flight stands still";

    x_->Resize(window, 640, 480);
    AwaitFlightIn(*program, window, 640, 480);
    EXPECT_EQ(x_->MappedWindowOf(program->pid()), 0u) << "a window of its own appeared";
    ExpectEndOn(*program, SIGTERM);
    EXPECT_FALSE(fs::exists(SoundFile())) << "an audio device was opened without --drums";
}

TEST_F(ScreenSaver, DrawsIntoTheWindowXScreenSaverNamesAndEndsOnSigint) {
    // XScreenSaver starts a hack with --root and names its own window in the environment; that
    // window wins over the root and over a virtual root.
    x_->MarkVirtualRoot(x_->CreateWindow(200, 150, kMagenta));
    const XSession::Window window = x_->CreateWindow(320, 240, kMagenta);
    ChildOptions options = SaverOptions({"--root", "--cruise=15"});
    options.environment["XSCREENSAVER_WINDOW"] = std::to_string(window);
    std::unique_ptr<ChildProcess> program = Start(options);
    ASSERT_TRUE(program->WaitForError("first frame presented (320x240)", 30s)) << program->err();
    EXPECT_EQ(Count(program->err(), "drawing into window " + std::to_string(window) + " "), 1u);
    AwaitFlightIn(*program, window, 320, 240);
    ExpectEndOn(*program, SIGINT);
}

TEST_F(ScreenSaver, TheDisplayGoingAwayEndsItWithALineNotACrash) {
    const XSession::Window window = x_->CreateWindow(320, 240, kMagenta);
    std::unique_ptr<ChildProcess> program = Start(SaverOptions({"--window-id=" + Hex(window)}));
    ASSERT_TRUE(program->WaitForError("first frame presented (320x240)", 30s)) << program->err();
    KillXServer();
    ASSERT_TRUE(WaitForExit(*program, 30s)) << program->Describe();
    EXPECT_EQ(program->exitCode(), 1) << program->Describe() << "\n" << program->err();
    EXPECT_EQ(OwnErrors(*program), std::vector<std::string>{"the connection to the display broke"})
        << program->err();
    EXPECT_TRUE(fs::is_empty(ConfigDir())) << "settings were written";
}

TEST_F(ScreenSaver, RootFlightOnAnIdleScreen) {
    const XSession::Picture before = x_->Grab(x_->root());
    std::unique_ptr<ChildProcess> program =
        Start(SaverOptions({"--root", "--background=black", "--foreground=#E0E0E0"}));
    ASSERT_TRUE(program->WaitForError("first frame presented (1280x1024)", 30s)) << program->err();
    XSession::Picture after;
    for (int i = 0; i < 50 && after.ShareUnlike(0) <= 0.0005; ++i) {
        program->Pump(100ms);
        after = x_->Grab(x_->root());
    }
    EXPECT_FALSE(after == before);
    EXPECT_GT(after.ShareUnlike(0), 0.0005) << "no text on the screen";
    EXPECT_LT(after.ShareUnlike(0), 0.5) << "the screen is not the flight's black";
    ExpectEndOn(*program, SIGTERM);
}

TEST_F(ScreenSaver, RootMeansTheVirtualRootWhereXScreenSaverMarksOne) {
    const XSession::Window window = x_->CreateWindow(500, 400, kMagenta);
    x_->MarkVirtualRoot(window);
    std::unique_ptr<ChildProcess> program = Start(SaverOptions({"--root"}));
    ASSERT_TRUE(program->WaitForError("first frame presented (500x400)", 30s)) << program->err();
    AwaitFlightIn(*program, window, 500, 400);
    ExpectEndOn(*program, SIGTERM);
}

TEST_F(ScreenSaver, DrumsBeatAtThePunctuationOnlyWhenAskedFor) {
    // The wave writer's file holds nothing but silence unless a drum was struck.
    const auto soundHeard = [this] {
        std::ifstream in(SoundFile(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        const std::size_t data = bytes.find("data");
        return data != std::string::npos &&
               bytes.find_first_not_of('\0', data + 8) != std::string::npos;
    };
    const auto run = [&](const std::string& text, std::chrono::milliseconds listen) {
        fs::remove(SoundFile());
        std::unique_ptr<ChildProcess> program =
            Start(SaverOptions({"--root", "--drums", "--cruise=15", Write("drums.txt", text)}));
        EXPECT_TRUE(program->WaitForError("first frame presented", 30s)) << program->err();
        const auto deadline = std::chrono::steady_clock::now() + listen;
        while (!soundHeard() && std::chrono::steady_clock::now() < deadline) {
            program->Pump(100ms);
        }
        const bool heard = soundHeard();
        ExpectEndOn(*program, SIGTERM);
        return heard;
    };
    EXPECT_TRUE(run("Drum, drum. Drum! Drum? Drum; drum: 、。", 10s))
        << "no drum at the punctuation";
    EXPECT_FALSE(run("no pauses in this text at all", 2s)) << "a drum without punctuation";
}

TEST_F(ScreenSaver, ReadsTheUsersTextInTheEncodingItHasOrIsGiven) {
    // 「猫」 and 「名前」: UTF-8 found by itself; the same as UTF-16LE named, from standard input.
    const std::string utf8 = Write("neko.txt", "\xE7\x8C\xAB\n\xE5\x90\x8D\xE5\x89\x8D\n");
    std::unique_ptr<ChildProcess> file = Start(SaverOptions({"--root", utf8}));
    EXPECT_TRUE(file->WaitForError("scene built: 3 characters, 1 pages, UTF-8\n", 30s))
        << file->err();
    ExpectEndOn(*file, SIGTERM);

    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const char utf16[] = "\x2B\x73\x0A\x00\x0D\x54\x4D\x52";
    ASSERT_EQ(::write(fds[1], utf16, sizeof utf16 - 1), 8);
    ::close(fds[1]);
    ChildOptions options = SaverOptions({"--root", "--encoding=utf-16le", "-"});
    options.standardInput = fds[0];
    std::unique_ptr<ChildProcess> piped = Start(options);
    ::close(fds[0]);
    // The open is logged after the scene it built.
    EXPECT_TRUE(piped->WaitForError("open (standard input) \"-\": opened", 30s)) << piped->err();
    EXPECT_EQ(Count(piped->err(), "scene built: 3 characters, 1 pages, UTF-16LE\n"), 1u)
        << piped->err();
    ExpectEndOn(*piped, SIGTERM);
}

TEST_F(ScreenSaver, AWrongWindowOrWindowSystemEndsTheStartAtOnce) {
    struct Case {
        std::vector<std::string> arguments;
        std::map<std::string, std::optional<std::string>> environment;
        int status;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"--window-id=0x1fffffff"},
         {},
         1,
         "there is no window 0x1fffffff (536870911) on the display"},
        {{"--window-id", "12ab"}, {}, 2, "option --window-id needs an X window id"},
        {{"--root"}, {{"XSCREENSAVER_WINDOW", "window"}}, 2, "XSCREENSAVER_WINDOW=\"window\""},
        {{"--root"}, {{"QT_QPA_PLATFORM", "offscreen"}}, 2, "\"offscreen\" is not X11"},
        {{"--root"},
         {{"DISPLAY", std::nullopt},
          {"QT_QPA_PLATFORM", std::nullopt},
          {"WAYLAND_DISPLAY", "wayland-0"}},
         2,
         "has no X display"},
    };
    for (const Case& c : cases) {
        ChildOptions options = Options(c.arguments);
        for (const auto& [name, value] : c.environment) {
            options.environment[name] = value;
        }
        std::unique_ptr<ChildProcess> program = Start(options);
        ASSERT_TRUE(WaitForExit(*program, 30s)) << c.arguments[0];
        EXPECT_EQ(program->exitCode(), c.status) << c.arguments[0] << "\n" << program->err();
        const std::vector<std::string> errors = OwnErrors(*program);
        ASSERT_FALSE(errors.empty()) << program->err();
        EXPECT_NE(errors.front().find(c.error), std::string::npos) << errors.front();
        EXPECT_TRUE(Messages(*program).empty()) << program->err();
        EXPECT_EQ(Count(program->err(), "first frame presented"), 0u);
    }
    EXPECT_TRUE(fs::is_empty(ConfigDir())) << "settings were written";
}

}  // namespace
}  // namespace robustness
