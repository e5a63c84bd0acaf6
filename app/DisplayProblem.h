#pragma once

#include <memory>
#include <string>
#include <vector>

// Why the window system Qt is about to use cannot be reached, or nothing when it can or when
// it is not ours to judge. Qt ends the process with an abort when its platform cannot start,
// and tells the user to reinstall; the program says what is wrong instead and ends normally.
//
// Only the X11 platform is judged (Qt's "xcb", chosen by -platform, QT_QPA_PLATFORM, or by
// default when no Wayland display is named): its display is the -display option or DISPLAY.
// qtArguments are Qt's own options from the command line.
//
// Where the display is reachable, `connection` (if given) receives the connection made to find
// out: it must stay open until Qt has connected. An X server that resets when its last client
// leaves (Xvfb's default, and xvfb-run's) would otherwise refuse Qt for a moment after the check
// closed it, and Qt would end the start with an abort.
std::string DisplayProblem(const std::vector<std::string>& qtArguments,
                           std::shared_ptr<void>* connection = nullptr);
