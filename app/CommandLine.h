#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Color.h"

// What the user asked for on the command line. Parsed before any window or display exists, so
// that --help and --version answer on a machine without X.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    enum class Encoding { Cp932, Utf8 };

    Action action = Action::Run;
    std::string file;  // empty: start with an untitled document
    Encoding encoding = Encoding::Cp932;
    std::string screenshot;  // save the presented frame here and exit
    int ticks = 0;           // timer ticks to run before the screenshot
    float speed = 0.0f;      // starting speed of the flight, as after wheel turns
    bool speedGiven = false;
    float cruise = 0.0f;           // cruise from the start at this many characters a second
    std::optional<unsigned> seed;  // lay every path from this seed instead of the time
    std::optional<ColorRef> background;
    std::optional<ColorRef> foreground;
    std::string error;  // for Action::Error: what was wrong, one line
    // The arguments Qt itself understands (-platform xcb, -display :1, ...), handed on to it.
    std::vector<std::string> qtArguments;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The texts of --help and --version, as printed on standard output.
std::string HelpText();
std::string VersionText();
