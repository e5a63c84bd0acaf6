// selvane --record as a user runs it, on a machine with no display: the program is started with
// DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM unset, and its videos are read back with FFmpeg.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "tests/robustness/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/video/DecodedVideo.h"

namespace {

using namespace std::chrono_literals;
using robustness::ChildOptions;
using robustness::ChildProcess;

const std::string kProgramDir = SELVANE_PROGRAM_DIR;
const std::string kSample = kProgramDir + "/sample.txt";

class RecordTest : public ::testing::Test {
  protected:
    ChildOptions Options(std::vector<std::string> arguments) const {
        ChildOptions options;
        options.program = kProgramDir + "/Selvane";
        options.arguments = std::move(arguments);
        options.environment = {{"DISPLAY", std::nullopt},
                               {"WAYLAND_DISPLAY", std::nullopt},
                               {"QT_QPA_PLATFORM", std::nullopt},
                               {"XDG_CONFIG_HOME", folder_.PathOf("config")}};
        return options;
    }

    // Runs the program to its end and returns it.
    std::unique_ptr<ChildProcess> Record(std::vector<std::string> arguments) const {
        auto child = std::make_unique<ChildProcess>(Options(std::move(arguments)));
        EXPECT_TRUE(child->started()) << child->error();
        EXPECT_TRUE(child->WaitForExit(120s)) << "still recording";
        return child;
    }

    std::string WriteText(const std::string& name, const std::string& text) const {
        const std::string path = folder_.PathOf(name);
        std::ofstream(path) << text;
        return path;
    }

    TempDir folder_;
};

TEST_F(RecordTest, AVideoOfTheSampleReadsBackFrameForFrame) {
    const std::string out = folder_.PathOf("flight.mp4");
    const auto child =
        Record({"--record=" + out, "--size=640x360", "--seconds=2", "--from=100", kSample});
    ASSERT_EQ(child->exitCode(), 0) << child->Describe() << child->err();
    // Standard error is no terminal here: the summary alone, no progress.
    EXPECT_EQ(
        child->err().rfind("selvane: wrote \"" + out + "\": 60 frames of 640x360 at 30 fps", 0), 0u)
        << child->err();
    EXPECT_EQ(std::count(child->err().begin(), child->err().end(), '\n'), 1);
    EXPECT_EQ(child->out(), "");
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"flight.mp4"});

    const DecodedVideo video = DecodeVideo(out);
    ASSERT_EQ(video.error, "");
    EXPECT_NE(video.container.find("mp4"), std::string::npos);
    EXPECT_EQ(video.codec, "h264");
    EXPECT_EQ(video.pixelFormat, "yuv420p");
    EXPECT_EQ(video.width, 640);
    EXPECT_EQ(video.height, 360);
    EXPECT_DOUBLE_EQ(video.frameRate, 30.0);
    EXPECT_NEAR(video.duration, 2.0, 0.04);
    EXPECT_EQ(video.sound.codec, "") << "no sound without --drums";
    ASSERT_EQ(video.frames.size(), 60u);
    for (std::size_t i = 0; i < video.frames.size(); ++i) {
        // Black text on white, in the middle of the picture, in every frame; and no frame
        // repeats the one before it, since the camera never stands still.
        EXPECT_GT(video.frames[i].darkCentre, 0.005) << i;
        EXPECT_LT(video.frames[i].darkAll, 0.3) << i;
        if (i > 0) {
            EXPECT_NE(video.frames[i].hash, video.frames[i - 1].hash) << i;
        }
    }
}

TEST_F(RecordTest, WithDrumsEachMarkTheFlightPassesSoundsWithItsFrame) {
    // 20 characters, then a comma: at 5 characters a second the camera reaches it after 4 s.
    const std::string text =
        WriteText("marks.txt", "あいうえおかきくけこさしすせそたちつてと、なにぬねのはひふへほ");
    const auto record = [&](const std::string& name) {
        auto options = Options({"--record=" + folder_.PathOf(name), "--drums", "--size=320x180",
                                "--seconds=6", "--cruise=5", "--seed=7", "-e", "utf-8", text});
        options.environment["SELVANE_DEBUG"] = "1";
        ChildProcess child(options);
        EXPECT_TRUE(child.WaitForExit(120s));
        EXPECT_EQ(child.exitCode(), 0) << child.err();
        return child.err();
    };
    const std::string log = record("drums.mp4");
    // The frame the recording struck the drum at, as its debug line says.
    const std::size_t strike = log.find("recording: drum ");
    ASSERT_NE(strike, std::string::npos) << log;
    EXPECT_EQ(log.find("recording: drum ", strike + 1), std::string::npos) << "one mark, one drum";
    const long frame = std::stol(log.substr(log.find(" at frame ", strike) + 10));
    EXPECT_NEAR(frame, 4 * 30, 2) << "the flight reaches the comma after 4 s";
    EXPECT_NE(log.find("; drums in AAC (aac, 48 kHz stereo, 128 kb/s)"), std::string::npos) << log;

    const DecodedVideo video = DecodeVideo(folder_.PathOf("drums.mp4"));
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.frames.size(), 180u);
    EXPECT_EQ(video.sound.codec, "aac");
    EXPECT_EQ(video.sound.sampleRate, 48000);
    EXPECT_EQ(video.sound.channels, 2);
    EXPECT_NEAR(video.sound.start + video.sound.Seconds(), 6.0, 1.0 / 30);
    // Silent up to the strike, which starts as its frame shows.
    const long onset = video.sound.Onset(0.01f);
    ASSERT_GE(onset, 0);
    EXPECT_NEAR(video.sound.start + static_cast<double>(onset) / 48000,
                static_cast<double>(frame) / 30, 1.0 / 30);

    // The same arguments make the same sound track; WebM carries it in Opus.
    record("again.mp4");
    EXPECT_EQ(DecodeVideo(folder_.PathOf("again.mp4")).sound.samples, video.sound.samples);
    record("drums.webm");
    const DecodedVideo webm = DecodeVideo(folder_.PathOf("drums.webm"));
    EXPECT_EQ(webm.sound.codec, "opus");
    EXPECT_EQ(webm.sound.sampleRate, 48000);
    const long opusOnset = webm.sound.Onset(0.01f);
    ASSERT_GE(opusOnset, 0);
    EXPECT_NEAR(webm.sound.start + static_cast<double>(opusOnset) / 48000,
                static_cast<double>(frame) / 30, 1.0 / 30);
}

TEST_F(RecordTest, WithADrumMissingARecordingWithDrumsIsRefused) {
    // The program beside a Sounds folder that lacks the tom.
    const std::filesystem::path copy = folder_.PathOf("program");
    std::filesystem::create_directories(copy / "Sounds");
    std::filesystem::copy_file(kProgramDir + "/Selvane", copy / "Selvane");
    std::filesystem::copy_file(kProgramDir + "/SelvaneShader.glsl", copy / "SelvaneShader.glsl");
    for (const char* name : {"DrumBass.wav", "DrumCymbal.wav", "DrumHat.wav", "DrumSnare.wav"}) {
        std::filesystem::copy_file(kProgramDir + "/Sounds/" + name, copy / "Sounds" / name);
    }
    const std::string text = WriteText("t.txt", "abc, def.");
    auto options = Options({"--record=" + folder_.PathOf("x.mp4"), "--drums", text});
    options.program = (copy / "Selvane").string();
    ChildProcess child(options);
    ASSERT_TRUE(child.WaitForExit(60s));
    EXPECT_EQ(child.exitCode(), 1) << child.err();
    EXPECT_NE(child.err().find("the drums cannot be mixed: DrumTom.wav could not be loaded"),
              std::string::npos)
        << child.err();
    EXPECT_FALSE(std::filesystem::exists(folder_.PathOf("x.mp4")));
}

TEST_F(RecordTest, AGifLoopsForEverInThePaletteOfItsTwoColours) {
    const std::string out = folder_.PathOf("flight.gif");
    const auto child = Record({"--record=" + out, "--seconds=2", "--fps=25", "--from=100",
                               "--background=navy", "--foreground=#ffff00", kSample});
    ASSERT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_NE(child->err().find("50 frames of 640x360 at 25 fps"), std::string::npos)
        << child->err();
    std::ifstream in(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 13u + 768u);
    EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
    // A global table of 256 colours: navy first, the text's yellow last.
    EXPECT_EQ(static_cast<unsigned char>(bytes[10]) & 0x87, 0x87);
    EXPECT_EQ(bytes.substr(13, 3), std::string("\x00\x00\x80", 3));
    EXPECT_EQ(bytes.substr(13 + 255 * 3, 3), std::string("\xFF\xFF\x00", 3));
    // The application extension that loops the animation, zero times meaning for ever.
    EXPECT_NE(bytes.find(std::string("NETSCAPE2.0\x03\x01\x00\x00", 16)), std::string::npos);

    const DecodedVideo gif = DecodeVideo(out);
    ASSERT_EQ(gif.error, "");
    EXPECT_EQ(gif.codec, "gif");
    EXPECT_EQ(gif.width, 640);
    EXPECT_EQ(gif.height, 360);
    ASSERT_EQ(gif.frames.size(), 50u);
    std::set<std::uint32_t> seen;
    for (const DecodedVideo::Frame& frame : gif.frames) {
        EXPECT_DOUBLE_EQ(frame.duration, 0.04);
        seen.insert(frame.colours.begin(), frame.colours.end());
    }
    // Navy, yellow and blends between them; no other colour.
    EXPECT_TRUE(seen.count(0x000080) && seen.count(0xFFFF00));
    for (const std::uint32_t colour : seen) {
        EXPECT_EQ(colour >> 16, (colour >> 8) & 0xFF) << std::hex << colour;
        EXPECT_EQ(colour & 0xFF, std::lround(128 - 128.0 * (colour >> 16) / 255))
            << std::hex << colour;
    }
    // At 30 frames a second each frame shows for 3 hundredths, the nearest whole number.
    const std::string thirty = folder_.PathOf("thirty.gif");
    ASSERT_EQ(Record({"--record=" + thirty, "--size=160x90", "--seconds=1", kSample})->exitCode(),
              0);
    const DecodedVideo rounded = DecodeVideo(thirty);
    ASSERT_EQ(rounded.frames.size(), 30u);
    EXPECT_DOUBLE_EQ(rounded.frames.back().duration, 0.03);
}

TEST_F(RecordTest, WebmIsVp9AndMatroskaIsH264EvenUnderAnUnreachableDisplay) {
    const std::string webm = folder_.PathOf("a.webm");
    const std::string mkv = folder_.PathOf("b.MKV");
    const std::string text = WriteText("t.txt", std::string(200, 'a'));
    auto options =
        Options({"--record=" + webm, "--size=320x180", "--fps=24", "--seconds=1", "--quiet", text});
    // A display that is named but cannot be reached: no window is ever made, so it is never
    // asked for.
    options.environment["DISPLAY"] = ":97";
    ChildProcess child(options);
    ASSERT_TRUE(child.WaitForExit(120s));
    ASSERT_EQ(child.exitCode(), 0) << child.err();
    EXPECT_EQ(child.err(), "");
    const auto matroska =
        Record({"--record=" + mkv, "--size=320x180", "--fps=25", "--seconds=1", "-e", "utf-8",
                "--background=navy", "--foreground=#ffff00", text});
    ASSERT_EQ(matroska->exitCode(), 0) << matroska->err();

    const DecodedVideo vp9 = DecodeVideo(webm);
    EXPECT_EQ(vp9.codec, "vp9");
    EXPECT_NE(vp9.container.find("webm"), std::string::npos);
    EXPECT_EQ(vp9.frames.size(), 24u);
    const DecodedVideo h264 = DecodeVideo(mkv);
    EXPECT_EQ(h264.codec, "h264");
    EXPECT_NE(h264.container.find("matroska"), std::string::npos);
    EXPECT_EQ(h264.frames.size(), 25u);
    EXPECT_EQ(h264.pixelFormat, "yuv420p");
    // Yellow text on navy: dark almost everywhere.
    ASSERT_FALSE(h264.frames.empty());
    EXPECT_GT(h264.frames.front().darkAll, 0.8);
}

TEST_F(RecordTest, ThePrintedSeedMakesTheSameVideoAgainFrameForFrame) {
    const auto record = [&](const std::string& name, std::vector<std::string> more) {
        std::vector<std::string> arguments = {"--record=" + folder_.PathOf(name), "--size=320x180",
                                              "--seconds=1", "--cruise=8", "--from=300"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        arguments.push_back(kSample);
        const auto child = Record(arguments);
        EXPECT_EQ(child->exitCode(), 0) << child->err();
        std::vector<std::uint64_t> hashes;
        for (const DecodedVideo::Frame& frame : DecodeVideo(folder_.PathOf(name)).frames) {
            hashes.push_back(frame.hash);
        }
        return std::make_pair(child->err(), hashes);
    };
    const auto [summary, first] = record("first.mp4", {});
    // "...; seed N, 8.0 characters a second; ..."
    const std::size_t at = summary.find("; seed ");
    ASSERT_NE(at, std::string::npos) << summary;
    const unsigned seed = static_cast<unsigned>(std::stoul(summary.substr(at + 7)));
    EXPECT_NE(summary.find("8.0 characters a second"), std::string::npos);
    const auto again = record("again.mp4", {"--seed=" + std::to_string(seed)}).second;
    const auto other = record("other.mp4", {"--seed=" + std::to_string(seed + 1)}).second;
    ASSERT_EQ(first.size(), 30u);
    EXPECT_EQ(again, first);
    EXPECT_NE(other, first);
}

TEST_F(RecordTest, WithoutSecondsTheVideoEndsAtTheEndOfTheText) {
    // 21 characters: 20 steps at 4 characters a second take 5 s.
    const std::string text = WriteText("short.txt", "abcdefghijklmnopqrstu");
    const std::string out = folder_.PathOf("short.mp4");
    const auto child = Record({"--record=" + out, "--size=160x90", "--fps=24", text});
    ASSERT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_EQ(DecodeVideo(out).frames.size(), 120u);

    // The same text in UTF-16LE from standard input, its encoding found by its mark.
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("abcdefghijklmnopqrstu")) {
        utf16 += {c, '\0'};
    }
    ASSERT_EQ(::write(fds[1], utf16.data(), utf16.size()), static_cast<ssize_t>(utf16.size()));
    ::close(fds[1]);
    const std::string piped = folder_.PathOf("piped.mp4");
    ChildOptions options = Options({"--record=" + piped, "--size=160x90", "--fps=24", "-"});
    options.standardInput = fds[0];
    ChildProcess fromPipe(options);
    ::close(fds[0]);
    ASSERT_TRUE(fromPipe.WaitForExit(120s));
    ASSERT_EQ(fromPipe.exitCode(), 0) << fromPipe.err();
    EXPECT_EQ(DecodeVideo(piped).frames.size(), 120u);
}

TEST_F(RecordTest, ProgressLinesCountUpToOneHundred) {
    const std::string out = folder_.PathOf("p.mp4");
    const auto child = Record({"--record=" + out, "--size=160x90", "--seconds=2", "--quiet",
                               "--progress-lines", kSample});
    ASSERT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_EQ(child->err(), "");
    std::istringstream lines(child->out());
    int last = -1;
    int details = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# ", 0) == 0) {
            ++details;
            EXPECT_NE(line.find("/60 frames"), std::string::npos) << line;
            continue;
        }
        const int percent = std::stoi(line);
        EXPECT_GE(percent, last);
        last = percent;
    }
    EXPECT_EQ(last, 100);
    EXPECT_GT(details, 1);
}

TEST_F(RecordTest, OnATerminalOneLineIsRewrittenThenTheSummaryFollows) {
    const std::string out = folder_.PathOf("tty.mp4");
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        const std::string program = kProgramDir + "/Selvane";
        const std::string record = "--record=" + out;
        ::execl(program.c_str(), program.c_str(), record.c_str(), "--size=320x180", "--seconds=3",
                kSample.c_str(), nullptr);
        ::_exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        screen.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    EXPECT_NE(screen.find("\r100%  90/90 frames"), std::string::npos) << screen;
    EXPECT_NE(screen.find("x real time"), std::string::npos);
    EXPECT_NE(screen.find("s left"), std::string::npos);
    EXPECT_NE(screen.find("\nselvane: wrote"), std::string::npos);
}

TEST_F(RecordTest, InterruptionStopsAtOnceAndLeavesNoFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
        const std::string out = folder_.PathOf("long.mp4");
        ChildProcess child(Options(
            {"--record=" + out, "--size=320x180", "--seconds=600", "--progress-lines", kSample}));
        ASSERT_TRUE(child.WaitForOutput("# ", 60s)) << child.err();
        ::kill(child.pid(), signal);
        ASSERT_TRUE(child.WaitForExit(5s)) << "still running after signal " << signal;
        EXPECT_EQ(child.signal(), signal) << child.Describe();
        // Even a kill that leaves no chance to clean up leaves no file: it never had a name.
        EXPECT_TRUE(folder_.Names().empty()) << signal;
        if (signal != SIGKILL) {
            EXPECT_NE(child.err().find("was not written"), std::string::npos) << child.err();
        }
    }
}

TEST_F(RecordTest, FailuresSayWhyAndLeaveNoFile) {
    const std::string text = WriteText("t.txt", "abcdefghij");
    ::mkdir(folder_.PathOf("dir.mkv").c_str(), 0755);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--record=" + folder_.PathOf("none/x.mp4"), text}, 1, "no folder"},
        {{"--record=" + folder_.PathOf("t.txt/x.mp4"), text}, 1, "is not a folder"},
        {{"--record=" + folder_.PathOf("dir.mkv"), text}, 1, "Is a directory"},
        {{"--record=" + folder_.PathOf("x.mp4"), folder_.PathOf("missing.txt")}, 1, "cannot open"},
        {{"--record=" + folder_.PathOf("x.mp4"), folder_.path()}, 1, "is a directory"},
        {{"--record=" + folder_.PathOf("x.mp4"), "--from=10", text}, 1, "beyond the end"},
        {{"--record=" + folder_.PathOf("x.avi"), text}, 2, ".mp4, .mkv, .webm or .gif"},
        {{"--record=" + folder_.PathOf("x.gif"), "--drums", text}, 2, "a GIF has no sound"},
    };
    for (const Case& c : cases) {
        const auto child = Record(c.arguments);
        EXPECT_EQ(child->exitCode(), c.status) << c.arguments[0] << child->err();
        EXPECT_NE(child->err().find(c.message), std::string::npos) << child->err();
        EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"dir.mkv", "t.txt"}))
            << c.arguments[0];
    }
}

TEST_F(RecordTest, AFullDiskFailsTheRecordingAndLeavesNoFile) {
    // A small file system of its own where one can be mounted (root), else a file-size limit.
    const std::string small = folder_.PathOf("small");
    ::mkdir(small.c_str(), 0755);
    const bool mounted = ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
    auto options =
        Options({"--record=" + small + "/big.mp4", "--size=640x360", "--seconds=10", kSample});
    if (!mounted) {
        options.fileSizeLimit = 64 * 1024;
    }
    ChildProcess child(options);
    ASSERT_TRUE(child.WaitForExit(120s));
    EXPECT_EQ(child.exitCode(), 1) << child.Describe() << child.err();
    EXPECT_NE(child.err().find(mounted ? "No space left on device" : "File too large"),
              std::string::npos)
        << child.err();
    std::error_code ignored;
    EXPECT_TRUE(std::filesystem::is_empty(small, ignored));
    if (mounted) {
        ::umount(small.c_str());
    }
}

TEST_F(RecordTest, AFolderThatCannotBeWrittenIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the program as another user";
    }
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ::chmod(folder_.path().c_str(), 0755);
    const std::string locked = folder_.PathOf("locked");
    ::mkdir(locked.c_str(), 0755);
    const std::string text = WriteText("t.txt", "abcdefghij");
    ::chmod(text.c_str(), 0644);
    auto options = Options({"--record=" + locked + "/x.mp4", text});
    options.user = nobody->pw_uid;
    options.group = nobody->pw_gid;
    options.environment["HOME"] = locked;
    ChildProcess child(options);
    ASSERT_TRUE(child.WaitForExit(60s));
    EXPECT_EQ(child.exitCode(), 1) << child.err();
    EXPECT_NE(child.err().find("cannot write in the folder"), std::string::npos) << child.err();
    EXPECT_NE(child.err().find("Permission denied"), std::string::npos) << child.err();
    std::error_code ignored;
    EXPECT_TRUE(std::filesystem::is_empty(locked, ignored));
}

}  // namespace
