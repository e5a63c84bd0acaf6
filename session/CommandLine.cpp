#include "session/CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>

#include "scene/Scene.h"
#include "session/ParseNumber.h"
#include "session/VideoFormat.h"

namespace {

// Takes the value of an option: after its "=", else the next argument; false when it has none.
using TakeValue = std::function<bool(std::string& value)>;

// --seconds beyond a day is taken for a mistake.
constexpr double kMaxRecordingSeconds = 86400.0;

// Qt's own options, with whether each takes a value. They are passed through to QApplication,
// which removes them from the arguments it sees.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowtitle", true},
    {"qwindowicon", true},
    {"reverse", false},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"widgetcount", false},
    {"display", true},
    {"geometry", true},
    {"name", true},
    {"title", true},
    {"visual", true},
    {"ncols", true},
    {"cmap", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
};

const QtOption* FindQtOption(const std::string& argument) {
    if (argument.size() < 2 || argument[0] != '-' || argument[1] == '-') {
        return nullptr;
    }
    for (const QtOption& option : kQtOptions) {
        if (argument.compare(1, std::string::npos, option.name) == 0) {
            return &option;
        }
    }
    return nullptr;
}

bool ParseFloat(const std::string& text, float& value) {
    return ParseNumber(text, value) && std::isfinite(value);
}

bool ParseSeed(const std::string& text, std::optional<unsigned>& seed) {
    unsigned value = 0;
    if (!ParseNumber(text, value)) {
        return false;
    }
    seed = value;
    return true;
}

bool ParseDouble(const std::string& text, double& value) {
    return ParseNumber(text, value) && std::isfinite(value);
}

// The options of a recording. Returns false when `name` is none of them; otherwise an empty
// `problem` means the option was taken.
bool ParseRecordingOption(const std::string& name, const TakeValue& take,
                          CommandLine::Recording& recording, std::string& problem) {
    std::string value;
    if (name == "--record") {
        VideoFormat format;
        if (!take(value) || value.empty()) {
            problem = "option --record needs a file name";
        } else if (!VideoFormatOf(value, &format)) {
            problem = "cannot tell the video format from \"" + value +
                      "\": the name must end in .mp4, .mkv, .webm or .gif";
        } else {
            recording.path = value;
        }
    } else if (name == "--seconds") {
        if (!take(value) || !ParseDouble(value, recording.seconds) || recording.seconds <= 0.0 ||
            recording.seconds > kMaxRecordingSeconds) {
            problem = "option --seconds needs a number of seconds above 0, at most 86400";
        }
    } else if (name == "--size") {
        const std::size_t x = take(value) ? value.find('x') : std::string::npos;
        int width = 0;
        int height = 0;
        if (x == std::string::npos || !ParseNumber(value.substr(0, x), width) ||
            !ParseNumber(value.substr(x + 1), height) || width < 160 || width > 3840 ||
            height < 90 || height > 3840 || width % 2 != 0 || height % 2 != 0) {
            problem =
                "option --size needs WIDTHxHEIGHT in even numbers of pixels, 160 to 3840 "
                "wide and 90 to 3840 high";
        } else {
            recording.width = static_cast<std::uint32_t>(width);
            recording.height = static_cast<std::uint32_t>(height);
            recording.sizeGiven = true;
        }
    } else if (name == "--fps") {
        int fps = 0;
        if (!take(value) || !ParseNumber(value, fps) ||
            (fps != 24 && fps != 25 && fps != 30 && fps != 50 && fps != 60)) {
            problem = "option --fps needs 24, 25, 30, 50 or 60";
        } else {
            recording.fps = static_cast<std::uint32_t>(fps);
        }
    } else if (name == "--from") {
        if (!take(value) || !ParseNumber(value, recording.from) || recording.from < 0) {
            problem = "option --from needs a character number of 0 or more";
        }
    } else if (name == "--quiet") {
        recording.quiet = true;
    } else if (name == "--progress-lines") {
        recording.progressLines = true;
    } else {
        return false;
    }
    return true;
}

// Sets the line's action to Error with `message`, the one line that says what was wrong.
void Refuse(CommandLine& line, std::string message) {
    line.action = CommandLine::Action::Error;
    line.error = std::move(message);
}

// One pass over the arguments in their order, which the first mistake ends.
class ArgumentPass {
  public:
    ArgumentPass(const std::vector<std::string>& arguments, const ColorReader& readColor)
        : arguments_(arguments), readColor_(readColor) {}

    // False where the pass stopped early, at help or version or at a mistake: the line's action
    // says which.
    bool ReadAll();
    CommandLine& line() { return line_; }
    // Whether an option was given that goes with --record only.
    bool recordingOptionGiven() const { return recordingOptionGiven_; }

  private:
    bool ReadArgument(const std::string& argument);
    bool ReadFile(const std::string& argument);
    bool ReadQtOption(const QtOption& option, const std::string& argument);
    bool ReadOwnOption(const std::string& argument);
    // The options of a group: false when `name` is none of them; otherwise an empty `problem`
    // means the option was taken.
    bool ParseFlightOption(const std::string& name, const TakeValue& take, std::string& problem);
    bool ParseScreenSaverOption(const std::string& name, const TakeValue& take,
                                std::string& problem);
    bool Stop(std::string problem) {
        Refuse(line_, std::move(problem));
        return false;
    }

    const std::vector<std::string>& arguments_;
    const ColorReader& readColor_;
    std::size_t next_ = 1;  // the argument after the one being read
    CommandLine line_;
    bool optionsEnded_ = false;
    bool haveFile_ = false;
    bool recordingOptionGiven_ = false;
};

bool ArgumentPass::ReadAll() {
    while (next_ < arguments_.size()) {
        if (!ReadArgument(arguments_[next_++])) {
            return false;
        }
    }
    return true;
}

bool ArgumentPass::ReadArgument(const std::string& argument) {
    if (optionsEnded_ || argument.size() <= 1 || argument[0] != '-') {
        return ReadFile(argument);
    }
    if (argument == "--") {
        optionsEnded_ = true;
        return true;
    }
    if (const QtOption* qt = FindQtOption(argument)) {
        return ReadQtOption(*qt, argument);
    }
    return ReadOwnOption(argument);
}

bool ArgumentPass::ReadFile(const std::string& argument) {
    if (haveFile_) {
        return Stop("only one file can be opened: \"" + argument + "\"");
    }
    line_.standardInput = argument == "-";
    if (!line_.standardInput) {
        line_.file = argument;
    }
    haveFile_ = true;
    return true;
}

bool ArgumentPass::ReadQtOption(const QtOption& option, const std::string& argument) {
    line_.qtArguments.push_back(argument);
    if (option.takesValue) {
        if (next_ >= arguments_.size()) {
            return Stop("option " + argument + " needs a value");
        }
        line_.qtArguments.push_back(arguments_[next_++]);
    }
    return true;
}

bool ArgumentPass::ReadOwnOption(const std::string& argument) {
    // --name=value or --name value for the options of our own that take a value.
    std::string name = argument;
    std::optional<std::string> attached;
    if (const auto eq = argument.find('=');
        argument.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = argument.substr(0, eq);
        attached = argument.substr(eq + 1);
    }
    const TakeValue take = [&](std::string& value) {
        if (attached) {
            value = *attached;
            return true;
        }
        if (next_ >= arguments_.size()) {
            return false;
        }
        value = arguments_[next_++];
        return true;
    };
    if (name == "-h" || name == "--help") {
        line_.action = CommandLine::Action::Help;
        return false;
    }
    if (name == "-V" || name == "--version") {
        line_.action = CommandLine::Action::Version;
        return false;
    }
    std::string problem;
    if (ParseRecordingOption(name, take, line_.recording, problem)) {
        // Whether they go with --record is judged once every option has been read.
        recordingOptionGiven_ = recordingOptionGiven_ || name != "--record";
    } else if (!ParseFlightOption(name, take, problem) &&
               !ParseScreenSaverOption(name, take, problem)) {
        problem = "unknown option \"" + argument + "\"";
    }
    return problem.empty() || Stop(std::move(problem));
}

bool ArgumentPass::ParseFlightOption(const std::string& name, const TakeValue& take,
                                     std::string& problem) {
    std::string value;
    if (name == "-e" || name == "--encoding") {
        if (!take(value)) {
            problem = std::string("option --encoding needs a value: ") + kEncodingNames +
                      " or another name iconv knows";
        } else if (const std::optional<EncodingChoice> encoding = ParseEncodingName(value)) {
            line_.encoding = *encoding;
            line_.encodingGiven = true;
        } else {
            problem = "unknown encoding \"" + value + "\": use " + kEncodingNames +
                      " or a name that 'iconv -l' lists";
        }
    } else if (name == "--screenshot") {
        if (!take(value) || value.empty()) {
            problem = "option --screenshot needs a file name";
        } else {
            line_.screenshot = value;
        }
    } else if (name == "--ticks") {
        if (!take(value) || !ParseNumber(value, line_.ticks) || line_.ticks < 0) {
            problem = "option --ticks needs a whole number of 0 or more";
        }
    } else if (name == "--speed") {
        if (!take(value) || !ParseFloat(value, line_.speed) || std::fabs(line_.speed) > 0.5f) {
            problem = "option --speed needs a number from -0.5 to 0.5";
        } else {
            line_.speedGiven = true;
        }
    } else if (name == "--cruise") {
        if (!take(value) || !ParseFloat(value, line_.cruise) || line_.cruise < kSlowestCruise ||
            line_.cruise > kFastestCruise) {
            problem = "option --cruise needs a number of characters per second from 0.5 to 15";
        }
    } else if (name == "--seed") {
        if (!take(value) || !ParseSeed(value, line_.seed)) {
            problem = "option --seed needs a whole number from 0 to 4294967295";
        }
    } else if (name == "--background" || name == "--foreground") {
        std::optional<ColorRef>& color =
            name == "--background" ? line_.background : line_.foreground;
        if (!take(value)) {
            problem = "option " + name + " needs a colour";
        } else {
            color = readColor_ ? readColor_(value) : std::nullopt;
            if (!color) {
                problem = "option " + name + ": \"" + value +
                          "\" is not a colour (a name such as navy, or #RRGGBB)";
            }
        }
    } else {
        return false;
    }
    return true;
}

bool ArgumentPass::ParseScreenSaverOption(const std::string& name, const TakeValue& take,
                                          std::string& problem) {
    std::string value;
    if (name == "--root" || name == "-root") {
        // One dash as well: XScreenSaver wrote its hacks' options so before version 6.
        line_.root = true;
    } else if (name == "--window-id" || name == "-window-id") {
        unsigned long id = 0;
        if (!take(value) || !ParseWindowId(value, id)) {
            problem = "option --window-id needs an X window id, decimal or 0x hexadecimal";
        } else {
            line_.windowId = id;
        }
    } else if (name == "--drums") {
        line_.drums = true;
    } else if (name == "--file") {
        // FILE as an option, the form XScreenSaver's settings dialog writes a file in.
        if (!take(value) || value.empty()) {
            problem = "option --file needs a file name";
        } else if (haveFile_) {
            problem = "only one file can be opened: \"" + value + "\"";
        } else {
            line_.file = value;
            haveFile_ = true;
        }
    } else {
        return false;
    }
    return true;
}

// --ticks and --speed only mean something for a picture.
std::string ScreenshotProblem(const CommandLine& line) {
    if ((line.ticks != 0 || line.speed != 0.0f) && line.screenshot.empty()) {
        return "--ticks and --speed go with --screenshot";
    }
    return {};
}

// XScreenSaver starts its hacks with --root and names its own window in XSCREENSAVER_WINDOW
// (screenSaverWindow, null when unset); a window named on the command line comes first.
std::string ReadScreenSaverWindow(const char* screenSaverWindow, CommandLine& line) {
    if (screenSaverWindow == nullptr || screenSaverWindow[0] == '\0' || line.windowId) {
        return {};
    }
    unsigned long id = 0;
    if (!ParseWindowId(screenSaverWindow, id)) {
        return std::string("XSCREENSAVER_WINDOW=\"") + screenSaverWindow +
               "\" is not an X window id";
    }
    line.windowId = id;
    return {};
}

// The modes exclude one another: the screensaver, the screenshot and the recording each take
// options of their own, and a recording needs its text.
std::string ModeProblem(const CommandLine& line, bool recordingOptionGiven) {
    const bool recording = !line.recording.path.empty();
    if (line.ScreenSaver() && !line.screenshot.empty()) {
        return "--screenshot does not go with --root, --window-id or XSCREENSAVER_WINDOW";
    }
    if (line.drums && !line.ScreenSaver() && !recording) {
        return "--drums goes with --root, --window-id or --record: the window always has its "
               "drums";
    }
    VideoFormat format = VideoFormat::Mp4;
    if (line.drums && VideoFormatOf(line.recording.path, &format) &&
        format == VideoFormat::Gif) {
        return "--drums cannot go with \"" + line.recording.path + "\": a GIF has no sound";
    }
    if (!recording && recordingOptionGiven) {
        return "--seconds, --size, --fps, --from, --quiet and --progress-lines go with --record";
    }
    if (recording && !line.screenshot.empty()) {
        return "--record and --screenshot cannot be used together";
    }
    if (recording && line.ScreenSaver()) {
        return "--record does not go with --root, --window-id or XSCREENSAVER_WINDOW";
    }
    if (recording && line.file.empty() && !line.standardInput) {
        return "--record needs the FILE to fly through";
    }
    return {};
}

}  // namespace

bool ParseWindowId(const std::string& text, unsigned long& id) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? std::string_view(text).substr(2) : text;
    std::uint32_t value = 0;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value == 0) {
        return false;
    }
    id = value;
    return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const char* screenSaverWindow, const ColorReader& readColor) {
    ArgumentPass pass(arguments, readColor);
    CommandLine& line = pass.line();
    if (!pass.ReadAll()) {
        // Help, version or the first mistake: the options alone settle it.
        return line;
    }
    // Then the rules across options, with the window XScreenSaver names among them.
    std::string problem = ScreenshotProblem(line);
    if (problem.empty()) {
        problem = ReadScreenSaverWindow(screenSaverWindow, line);
    }
    if (problem.empty()) {
        problem = ModeProblem(line, pass.recordingOptionGiven());
    }
    if (!problem.empty()) {
        Refuse(line, std::move(problem));
        return line;
    }
    VideoFormat format = VideoFormat::Mp4;
    if (VideoFormatOf(line.recording.path, &format) && format == VideoFormat::Gif &&
        !line.recording.sizeGiven) {
        // A GIF is for pasting into a page or a chat: half the size of a video's default.
        line.recording.width = 640;
        line.recording.height = 360;
    }
    return line;
}

std::string HelpText() {
    return "Usage: selvane [OPTION]... [FILE]\n"
           "Fly through the text of FILE, laid out along a random path in space.\n"
           "\n"
           "  -e, --encoding=ENC     read FILE as ENC: auto (the default: a byte-order mark,\n"
           "                         else UTF-8, EUC-JP or ISO-2022-JP where the bytes are\n"
           "                         such, else Shift_JIS), cp932 (shift_jis), utf-8, utf-16,\n"
           "                         utf-16le, utf-16be, euc-jp, iso-2022-jp, or any other\n"
           "                         name 'iconv -l' lists\n"
           "      --screenshot=PNG   start, run the flight, save the picture to PNG and exit\n"
           "      --ticks=N          with --screenshot: run N timer ticks of 32 ms first (0)\n"
           "      --speed=S          with --screenshot: start the flight at speed S, from -0.5\n"
           "                         to 0.5 path steps per tick (0)\n"
           "      --cruise=CPS       fly on by itself at CPS characters a second, from 0.5\n"
           "                         to 15 (Space switches it in the window)\n"
           "      --seed=N           lay the path from seed N instead of the time: the same\n"
           "                         text and seed give the same flight\n"
           "      --background=COLOR\n"
           "                         start with this background colour: a name such as\n"
           "                         navy, or #RRGGBB (white)\n"
           "      --foreground=COLOR\n"
           "                         start with this text colour (black)\n"
           "      --root             be a screensaver on the root window, or on the window\n"
           "                         XSCREENSAVER_WINDOW names: the flight fills it and\n"
           "                         cruises (4 characters a second unless --cruise), the\n"
           "                         text loops (the sample text without FILE), there is\n"
           "                         no menu, no setting is read or written, and SIGTERM\n"
           "                         or SIGINT ends it\n"
           "      --window-id=ID     the same in the X window ID (decimal or 0x hex)\n"
           "      --drums            with --root or --window-id: a drum at each punctuation\n"
           "                         mark the flight passes (silent otherwise); with\n"
           "                         --record: the same drums on the video's sound track\n"
           "                         (AAC in .mp4 and .mkv, Opus in .webm; not in a .gif)\n"
           "      --file=FILE        the same as FILE\n"
           "      --record=VIDEO     write the flight to VIDEO and exit, with no window and no\n"
           "                         display needed: .mp4 or .mkv (H.264), .webm (VP9) or\n"
           "                         .gif (an animated GIF that loops for ever, its frames\n"
           "                         whole hundredths of a second: exact at 25 and 50 fps,\n"
           "                         rounded at 24, 30 and 60 to 4, 3 and 2)\n"
           "      --seconds=S        with --record: the video's length (default: until the\n"
           "                         camera reaches the end of the text, at most 600)\n"
           "      --size=WxH         with --record: the picture's size in pixels (1280x720;\n"
           "                         640x360 for a GIF)\n"
           "      --fps=N            with --record: 24, 25, 30, 50 or 60 frames a second (30)\n"
           "      --from=N           with --record: start the flight at character N (0)\n"
           "      --quiet            with --record: write no progress and no summary\n"
           "      --progress-lines   with --record: write the progress to standard output,\n"
           "                         as lines for a program to read\n"
           "  -h, --help             show this help and exit\n"
           "  -V, --version          show the version and exit\n"
           "      --                 end of options: a FILE may then begin with '-'\n"
           "\n"
           "With FILE -, the text is read from standard input (a file named - is ./-).\n"
           "Qt's own options (-platform, -display, -style, ...) are accepted as well.\n"
           "The recent-file list, where reading stopped in each of its files and the resume\n"
           "setting are kept in $XDG_CONFIG_HOME/Selvane/Selvane.INI\n"
           "(~/.config/Selvane/Selvane.INI by default).\n"
           "Exit status: 0 on success, 1 when FILE cannot be read, the window cannot be\n"
           "created (or, for --root and --window-id, found) or the video cannot be\n"
           "written, 2 for a wrong command line or, for --root and --window-id, a window\n"
           "system other than X11.\n";
}

std::string VersionText() {
    return "Tamor Selvane 0.4.0.1\n";
}

std::string QtSetting(const std::vector<std::string>& qtArguments, const char* option,
                      const char* variable) {
    for (std::size_t i = 0; i + 1 < qtArguments.size(); ++i) {
        if (qtArguments[i] == option) {
            return qtArguments[i + 1];
        }
    }
    const char* value = std::getenv(variable);
    return value != nullptr ? value : "";
}
