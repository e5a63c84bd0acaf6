#include <gtest/gtest.h>

#include "session/CommandLine.h"
#include "shell/ColorName.h"
#include "video/Recorder.h"

#include <utility>

namespace {

CommandLine Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "selvane");
    return ParseCommandLine(args, nullptr, ReadColorName);
}

TEST(CommandLineTest, NoArgumentsRunsUntitledWithTheAutomaticEncoding) {
    const CommandLine line = Parse({});
    EXPECT_EQ(line.action, CommandLine::Action::Run);
    EXPECT_TRUE(line.file.empty());
    EXPECT_FALSE(line.standardInput);
    EXPECT_EQ(line.encoding, TextEncoding::Auto);
    EXPECT_FALSE(line.encodingGiven);
    EXPECT_TRUE(line.screenshot.empty());
}

TEST(CommandLineTest, FileAndOptionsInAnyOrder) {
    const CommandLine line = Parse({"--encoding=utf-8", "notes.txt", "--screenshot", "out.png",
                                    "--ticks=12", "--speed", "-0.25"});
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.file, "notes.txt");
    EXPECT_EQ(line.encoding, TextEncoding::Utf8);
    EXPECT_TRUE(line.encodingGiven);
    EXPECT_EQ(line.screenshot, "out.png");
    EXPECT_EQ(line.ticks, 12);
    EXPECT_FLOAT_EQ(line.speed, -0.25f);
    const std::pair<const char*, TextEncoding> names[] = {
        {"CP932", TextEncoding::Cp932},      {"Shift_JIS", TextEncoding::Cp932},
        {"sjis", TextEncoding::Cp932},       {"UTF8", TextEncoding::Utf8},
        {"auto", TextEncoding::Auto},        {"utf-16", TextEncoding::Utf16},
        {"UTF-16LE", TextEncoding::Utf16Le}, {"utf16be", TextEncoding::Utf16Be},
        {"EUC-JP", TextEncoding::EucJp},     {"iso-2022-jp", TextEncoding::Iso2022Jp},
        {"latin1", TextEncoding::Iconv},     {"GB18030", TextEncoding::Iconv},
    };
    for (const auto& [name, encoding] : names) {
        EXPECT_EQ(Parse({"-e", name, "a"}).encoding.encoding, encoding) << name;
    }
    EXPECT_EQ(Parse({"--encoding=KOI8-R"}).encoding.iconvName, "KOI8-R");
}

TEST(CommandLineTest, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(Parse({"file.txt", "--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"--version", "--bogus"}).action, CommandLine::Action::Version);
    EXPECT_EQ(Parse({"-V"}).action, CommandLine::Action::Version);
    EXPECT_NE(HelpText().find("--encoding"), std::string::npos);
    EXPECT_EQ(VersionText(), "Tamor Selvane 0.4.0.1\n");
}

TEST(CommandLineTest, DoubleDashOpensAFileThatLooksLikeAnOption) {
    const CommandLine line = Parse({"--", "-notes.txt"});
    ASSERT_EQ(line.action, CommandLine::Action::Run);
    EXPECT_EQ(line.file, "-notes.txt");
}

TEST(CommandLineTest, ALoneDashIsStandardInputEvenAfterTheEndOfOptions) {
    for (const auto& args : {std::vector<std::string>{"-"}, std::vector<std::string>{"--", "-"},
                             std::vector<std::string>{"-", "--screenshot=x.png"}}) {
        const CommandLine line = Parse(args);
        ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
        EXPECT_TRUE(line.standardInput);
        EXPECT_TRUE(line.file.empty());
    }
    EXPECT_EQ(Parse({"./-"}).file, "./-") << "the way to a file named -";
    EXPECT_EQ(Parse({"-", "a.txt"}).action, CommandLine::Action::Error);
    EXPECT_EQ(Parse({"a.txt", "-"}).action, CommandLine::Action::Error);
}

TEST(CommandLineTest, QtOptionsArePassedOnWithTheirValues) {
    const CommandLine line = Parse({"-platform", "xcb", "-reverse", "a.txt", "-style", "Fusion"});
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.file, "a.txt");
    EXPECT_EQ(line.qtArguments,
              (std::vector<std::string>{"-platform", "xcb", "-reverse", "-style", "Fusion"}));
}

TEST(CommandLineTest, CruiseSeedAndColoursGoWithOrWithoutAScreenshot) {
    const CommandLine line = Parse({"--cruise=2.828125", "--seed", "4294967295",
                                    "--background=navy", "--foreground", "#FF8000", "a.txt"});
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.cruise, 2.828125f);
    EXPECT_EQ(line.seed, 4294967295u);
    EXPECT_EQ(line.background, MakeColorRef(0, 0, 128));
    EXPECT_EQ(line.foreground, MakeColorRef(255, 128, 0));
    const CommandLine plain = Parse({"a.txt"});
    EXPECT_EQ(plain.cruise, 0.0f);
    EXPECT_FALSE(plain.seed || plain.background || plain.foreground || plain.speedGiven);
    const CommandLine shot = Parse({"--screenshot=x.png", "--cruise=15", "--speed=0", "--seed=0"});
    ASSERT_EQ(shot.action, CommandLine::Action::Run) << shot.error;
    EXPECT_TRUE(shot.speedGiven);
    EXPECT_EQ(shot.seed, 0u);
}

TEST(CommandLineTest, ScreenSaverWindowsAsXScreenSaverNamesThem) {
    EXPECT_FALSE(Parse({"a.txt"}).ScreenSaver());
    EXPECT_TRUE(Parse({"--root"}).root);
    EXPECT_TRUE(Parse({"-root"}).root) << "XScreenSaver wrote one dash before version 6";
    EXPECT_EQ(Parse({"--window-id=0x2A00007"}).windowId, 0x2a00007ul);
    EXPECT_EQ(Parse({"-window-id", "44040199"}).windowId, 44040199ul);
    // XScreenSaver runs "selvane --root ..." with its own window in the environment.
    const CommandLine hack = ParseCommandLine(
        {"selvane", "--root", "--drums", "--cruise=2", "-e", "utf-8", "novel.txt"}, "0x1e00001");
    ASSERT_EQ(hack.action, CommandLine::Action::Run) << hack.error;
    EXPECT_TRUE(hack.root && hack.drums);
    EXPECT_EQ(hack.windowId, 0x1e00001ul);
    EXPECT_EQ(hack.file, "novel.txt");
    EXPECT_EQ(Parse({"--root", "--file", "-novel.txt"}).file, "-novel.txt");
    EXPECT_EQ(hack.encoding, TextEncoding::Utf8);
    EXPECT_TRUE(Parse({"--root", "--", "-"}).standardInput);
    EXPECT_EQ(ParseCommandLine({"selvane", "--window-id=7"}, "0x1e00001").windowId, 7ul)
        << "the command line names the window first";
    EXPECT_EQ(ParseCommandLine({"selvane"}, "31457281").windowId, 31457281ul);
    EXPECT_FALSE(ParseCommandLine({"selvane"}, "").ScreenSaver()) << "empty is unset";
    EXPECT_EQ(ParseCommandLine({"selvane", "--root"}, "0x1e00001 ").action,
              CommandLine::Action::Error);
}

TEST(CommandLineTest, MistakesAreReportedNotGuessed) {
    const std::vector<std::vector<std::string>> wrong = {
        {"--frobnicate"},
        {"a.txt", "b.txt"},
        {"--encoding=no-such-encoding"},
        {"--encoding=UTF-8 "},
        {"--encoding"},
        {"--ticks=-1", "--screenshot=x.png"},
        {"--ticks=abc", "--screenshot=x.png"},
        {"--speed=0.75", "--screenshot=x.png"},
        {"--speed=nan", "--screenshot=x.png"},
        {"--ticks=5"},
        {"--screenshot="},
        {"-platform"},
        {"--cruise=0.4"},
        {"--cruise=15.5"},
        {"--cruise=fast"},
        {"--seed=-1"},
        {"--seed=4294967296"},
        {"--seed=12x"},
        {"--background=#12345"},
        {"--foreground=blurple"},
        {"--foreground"},
        {"--window-id=0"},
        {"--window-id=0x"},
        {"--window-id=-5"},
        {"--window-id=0x100000000"},
        {"--window-id"},
        {"--drums"},
        {"--file=a.txt", "b.txt"},
        {"--file="},
        {"--root", "--screenshot=x.png"},
    };
    for (const auto& args : wrong) {
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.action, CommandLine::Action::Error) << args[0];
        EXPECT_FALSE(line.error.empty()) << args[0];
    }
}

TEST(CommandLineTest, RecordingTakesItsOptionsAndDefaults) {
    const CommandLine plain = Parse({"--record=flight.MP4", "poem.txt"});
    ASSERT_EQ(plain.action, CommandLine::Action::Run) << plain.error;
    EXPECT_EQ(plain.recording.path, "flight.MP4");
    EXPECT_EQ(plain.recording.seconds, 0.0);
    EXPECT_EQ(plain.recording.width, 1280u);
    EXPECT_EQ(plain.recording.height, 720u);
    EXPECT_EQ(plain.recording.fps, 30u);
    EXPECT_EQ(plain.recording.from, 0);
    EXPECT_FALSE(plain.recording.quiet);

    const CommandLine line =
        Parse({"poem.txt", "--record", "out/a.webm", "--seconds=2.5", "--size=3840x2160", "--fps",
               "60", "--from=1000000", "--quiet", "--progress-lines", "--cruise=2.5", "--seed=7"});
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.recording.path, "out/a.webm");
    EXPECT_EQ(line.recording.seconds, 2.5);
    EXPECT_EQ(line.recording.width, 3840u);
    EXPECT_EQ(line.recording.height, 2160u);
    EXPECT_EQ(line.recording.fps, 60u);
    EXPECT_EQ(line.recording.from, 1000000);
    EXPECT_TRUE(line.recording.quiet);
    EXPECT_TRUE(line.recording.progressLines);
    EXPECT_EQ(line.cruise, 2.5f);
    EXPECT_EQ(line.seed, 7u);
    EXPECT_EQ(Parse({"--record=a.mkv", "--size=160x90", "a"}).recording.height, 90u);
    const CommandLine piped = Parse({"--record=a.mkv", "-"});
    EXPECT_EQ(piped.action, CommandLine::Action::Run) << piped.error;
    EXPECT_TRUE(piped.standardInput);

    // The drums go on a video's sound track; a GIF is smaller unless its size is given.
    const CommandLine drums = Parse({"--record=a.webm", "--drums", "a"});
    ASSERT_EQ(drums.action, CommandLine::Action::Run) << drums.error;
    EXPECT_TRUE(drums.drums);
    const CommandLine gif = Parse({"--record=a.GIF", "a"});
    ASSERT_EQ(gif.action, CommandLine::Action::Run) << gif.error;
    EXPECT_EQ(gif.recording.width, 640u);
    EXPECT_EQ(gif.recording.height, 360u);
    EXPECT_EQ(Parse({"--record=a.gif", "--size=1280x720", "a"}).recording.width, 1280u);
}

TEST(CommandLineTest, RecordingMistakesAreRefused) {
    const std::vector<std::vector<std::string>> wrong = {
        {"--record=flight.avi", "a"},
        {"--record=flight", "a"},
        {"--record=mp4", "a"},
        {"--record=", "a"},
        {"--record=a.mp4"},
        {"--record=a.mp4", "--screenshot=b.png", "a"},
        {"--record=a.mp4", "--root", "a"},
        {"--record=a.mp4", "--window-id=0x2c00007", "a"},
        {"--seconds=3", "a"},
        {"--size=640x360", "a"},
        {"--fps=30", "a"},
        {"--from=3", "a"},
        {"--quiet", "a"},
        {"--record=a.mp4", "--seconds=0", "a"},
        {"--record=a.mp4", "--seconds=-1", "a"},
        {"--record=a.mp4", "--seconds=inf", "a"},
        {"--record=a.mp4", "--seconds=86401", "a"},
        {"--record=a.mp4", "--size=641x360", "a"},
        {"--record=a.mp4", "--size=158x90", "a"},
        {"--record=a.mp4", "--size=3842x90", "a"},
        {"--record=a.mp4", "--size=640x88", "a"},
        {"--record=a.mp4", "--size=640", "a"},
        {"--record=a.mp4", "--size=640x360x2", "a"},
        {"--record=a.mp4", "--fps=29", "a"},
        {"--record=a.mp4", "--from=-1", "a"},
        {"--record=a.mp4", "--from=x", "a"},
        {"--record=a.gif", "--drums", "a"},
    };
    for (const auto& args : wrong) {
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.action, CommandLine::Action::Error) << args[0] << " " << args[1];
        EXPECT_FALSE(line.error.empty()) << args[0];
    }
    EXPECT_NE(Parse({"--record=x.avi", "a"}).error.find(".mp4, .mkv, .webm or .gif"),
              std::string::npos);
    EXPECT_NE(Parse({"--drums", "--record=x.gif", "a"}).error.find("a GIF has no sound"),
              std::string::npos);
}

TEST(CommandLineTest, DefaultRecordingLastsUntilTheEndOfTheText) {
    // 1000 steps from character 0 to 1000 at 4 characters a second: 250 s.
    EXPECT_EQ(DefaultRecordingFrames(1001, 0, 4.0, 30), 7500);
    EXPECT_EQ(DefaultRecordingFrames(1001, 500, 4.0, 24), 3000);
    // At most ten minutes, at least one second.
    EXPECT_EQ(DefaultRecordingFrames(1000000, 0, 4.0, 30), 18000);
    EXPECT_EQ(DefaultRecordingFrames(1001, 0, 0.0, 25), 15000);
    EXPECT_EQ(DefaultRecordingFrames(1, 0, 4.0, 60), 60);
    EXPECT_EQ(DefaultRecordingFrames(0, 0, 4.0, 30), 30);
}

}  // namespace
