#include "app/DisplayProblem.h"

#include <X11/Xlib.h>

#include <cstdlib>

#include "session/CommandLine.h"

std::string DisplayProblem(const std::vector<std::string>& qtArguments,
                           std::shared_ptr<void>* connection) {
    const std::string platform = QtSetting(qtArguments, "-platform", "QT_QPA_PLATFORM");
    if (!platform.empty() && platform.rfind("xcb", 0) != 0) {
        return {};
    }
    if (platform.empty()) {
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if (wayland != nullptr && wayland[0] != '\0') {
            return {};
        }
    }
    const std::string display = QtSetting(qtArguments, "-display", "DISPLAY");
    if (display.empty()) {
        return "no display to show the window on: DISPLAY is not set";
    }
    Display* const opened = XOpenDisplay(display.c_str());
    if (opened == nullptr) {
        return "cannot connect to the display \"" + display + "\"";
    }
    if (connection != nullptr) {
        *connection = std::shared_ptr<void>(
            opened, [](void* server) { XCloseDisplay(static_cast<Display*>(server)); });
    } else {
        XCloseDisplay(opened);
    }
    return {};
}
