#include "app/CommandLine.h"

#include <QColor>
#include <QString>
#include <cmath>
#include <cstring>

#include "app/ParseNumber.h"
#include "scene/Scene.h"

namespace {

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

// Any colour Qt reads: a name such as "navy" or "#RRGGBB" (its other # forms too). Transparency
// has no meaning for the flight and is dropped.
bool ParseColor(const std::string& text, std::optional<ColorRef>& color) {
    const QColor c = QColor::fromString(QString::fromStdString(text));
    if (!c.isValid()) {
        return false;
    }
    color = MakeColorRef(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue()));
    return true;
}

bool ParseSeed(const std::string& text, std::optional<unsigned>& seed) {
    unsigned value = 0;
    if (!ParseNumber(text, value)) {
        return false;
    }
    seed = value;
    return true;
}

CommandLine Fail(CommandLine line, std::string message) {
    line.action = CommandLine::Action::Error;
    line.error = std::move(message);
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    bool haveFile = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            if (haveFile) {
                return Fail(line, "only one file can be opened: \"" + argument + "\"");
            }
            line.file = argument;
            haveFile = true;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (const QtOption* qt = FindQtOption(argument)) {
            line.qtArguments.push_back(argument);
            if (qt->takesValue) {
                if (i + 1 >= arguments.size()) {
                    return Fail(line, "option " + argument + " needs a value");
                }
                line.qtArguments.push_back(arguments[++i]);
            }
            continue;
        }
        // --name=value or --name value for the options of our own that take a value.
        std::string name = argument;
        std::string value;
        bool hasValue = false;
        if (const auto eq = argument.find('=');
            argument.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = argument.substr(0, eq);
            value = argument.substr(eq + 1);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue) {
                return true;
            }
            if (i + 1 >= arguments.size()) {
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (name == "-h" || name == "--help") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (name == "-V" || name == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (name == "-e" || name == "--encoding") {
            if (!takeValue()) {
                return Fail(line, "option --encoding needs a value: cp932 or utf-8");
            }
            std::string lower;
            for (char c : value) {
                lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
            if (lower == "cp932" || lower == "shift_jis" || lower == "sjis" ||
                lower == "windows-31j") {
                line.encoding = CommandLine::Encoding::Cp932;
            } else if (lower == "utf-8" || lower == "utf8") {
                line.encoding = CommandLine::Encoding::Utf8;
            } else {
                return Fail(line, "unknown encoding \"" + value + "\": use cp932 or utf-8");
            }
        } else if (name == "--screenshot") {
            if (!takeValue() || value.empty()) {
                return Fail(line, "option --screenshot needs a file name");
            }
            line.screenshot = value;
        } else if (name == "--ticks") {
            if (!takeValue() || !ParseNumber(value, line.ticks) || line.ticks < 0) {
                return Fail(line, "option --ticks needs a whole number of 0 or more");
            }
        } else if (name == "--speed") {
            if (!takeValue() || !ParseFloat(value, line.speed) || std::fabs(line.speed) > 0.5f) {
                return Fail(line, "option --speed needs a number from -0.5 to 0.5");
            }
            line.speedGiven = true;
        } else if (name == "--cruise") {
            if (!takeValue() || !ParseFloat(value, line.cruise) || line.cruise < kSlowestCruise ||
                line.cruise > kFastestCruise) {
                return Fail(line,
                            "option --cruise needs a number of characters per second from "
                            "0.5 to 15");
            }
        } else if (name == "--seed") {
            if (!takeValue() || !ParseSeed(value, line.seed)) {
                return Fail(line, "option --seed needs a whole number from 0 to 4294967295");
            }
        } else if (name == "--background" || name == "--foreground") {
            std::optional<ColorRef>& color =
                name == "--background" ? line.background : line.foreground;
            if (!takeValue()) {
                return Fail(line, "option " + name + " needs a colour");
            }
            if (!ParseColor(value, color)) {
                return Fail(line, "option " + name + ": \"" + value +
                                      "\" is not a colour (a name such as navy, or #RRGGBB)");
            }
        } else {
            return Fail(line, "unknown option \"" + argument + "\"");
        }
    }
    if ((line.ticks != 0 || line.speed != 0.0f) && line.screenshot.empty()) {
        return Fail(line, "--ticks and --speed go with --screenshot");
    }
    return line;
}

std::string HelpText() {
    return "Usage: selvane [OPTION]... [FILE]\n"
           "Fly through the text of FILE, laid out along a random path in space.\n"
           "\n"
           "  -e, --encoding=ENC     read FILE as ENC: cp932 (Shift_JIS, the default) or utf-8\n"
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
           "  -h, --help             show this help and exit\n"
           "  -V, --version          show the version and exit\n"
           "      --                 end of options: a FILE may then begin with '-'\n"
           "\n"
           "Qt's own options (-platform, -display, -style, ...) are accepted as well.\n"
           "The recent-file list, where reading stopped in each of its files and the resume\n"
           "setting are kept in $XDG_CONFIG_HOME/Selvane/Selvane.INI\n"
           "(~/.config/Selvane/Selvane.INI by default).\n"
           "Exit status: 0 on success, 1 when FILE cannot be opened or the window cannot be\n"
           "created, 2 for a wrong command line.\n";
}

std::string VersionText() {
    return "Tamor Selvane 0.4.0.1\n";
}
