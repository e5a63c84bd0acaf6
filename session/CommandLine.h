#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Color.h"
#include "scene/TextEncoding.h"

// What the user asked for on the command line. Parsed before any window or display exists, so
// that --help and --version answer on a machine without X.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    std::string file;  // empty: start with an untitled document
    // FILE "-": the text comes from standard input. "--" ends the options but "-" after it
    // still means standard input, as for most tools; a file named "-" is "./-".
    bool standardInput = false;
    EncodingChoice encoding;     // automatic unless --encoding names one
    bool encodingGiven = false;  // --encoding was given
    std::string screenshot;      // save the presented frame here and exit
    int ticks = 0;               // timer ticks to run before the screenshot
    float speed = 0.0f;          // starting speed of the flight, as after wheel turns
    bool speedGiven = false;
    float cruise = 0.0f;           // cruise from the start at this many characters a second
    std::optional<unsigned> seed;  // lay every path from this seed instead of the time
    std::optional<ColorRef> background;
    std::optional<ColorRef> foreground;
    // XScreenSaver's way: the flight drawn into a window of another program, without a main
    // frame. --root: the root window (or the virtual root); --window-id or XSCREENSAVER_WINDOW:
    // that window. --drums: the drums sound there too (they are silent there otherwise); with
    // --record they are on the video's sound track.
    bool root = false;
    std::optional<unsigned long> windowId;
    bool drums = false;
    bool ScreenSaver() const { return root || windowId.has_value(); }
    std::string error;  // for Action::Error: what was wrong, one line
    // Writing the flight to a video file instead of showing it (--record and what goes with it).
    struct Recording {
        std::string path;      // empty: no recording
        double seconds = 0.0;  // 0: until the camera reaches the end of the text, at most 600 s
        std::uint32_t width = 1280;  // 640 x 360 for a GIF unless --size is given
        std::uint32_t height = 720;
        bool sizeGiven = false;
        std::uint32_t fps = 30;
        std::int64_t from = 0;       // the character the flight starts at
        bool quiet = false;          // no progress and no summary
        bool progressLines = false;  // progress as lines on standard output, for a program
    } recording;
    // The arguments Qt itself understands (-platform xcb, -display :1, ...), handed on to it.
    std::vector<std::string> qtArguments;
};

// Reads a colour as the user names one (a name such as "navy", or "#RRGGBB"), nothing for text
// that names none. The names are the window system library's: the shell's ReadColorName.
using ColorReader = std::function<std::optional<ColorRef>(const std::string& text)>;

// screenSaverWindow: the value of XSCREENSAVER_WINDOW (null when unset), the window XScreenSaver
// gives its hack to draw into; --window-id names one in its place. readColor reads the values of
// --background and --foreground; without one, every colour given is refused as unreadable.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const char* screenSaverWindow = nullptr,
                             const ColorReader& readColor = {});

// An X window id as XScreenSaver and its hacks write one: decimal, or hexadecimal after "0x".
// None (0) and anything else give false.
bool ParseWindowId(const std::string& text, unsigned long& id);

// The texts of --help and --version, as printed on standard output.
std::string HelpText();
std::string VersionText();

// The value after `option` (such as "-platform") in Qt's arguments, else the environment
// variable (such as QT_QPA_PLATFORM), else nothing.
std::string QtSetting(const std::vector<std::string>& qtArguments, const char* option,
                      const char* variable);
