#include "audio/al/LibrarySetup.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace audio::al {

std::optional<std::string> LibrarySetup::DriverList(const char* userChoice) {
    if (userChoice != nullptr) {
        return std::nullopt;
    }
    // The trailing comma keeps every other driver, in the library's own order, behind these.
    return std::string("pulse,alsa,");
}

std::string LibrarySetup::ShortPeriodConfig() {
    return "[general]\nperiod_size = " + std::to_string(kPeriodFrames) +
           "\nperiods = " + std::to_string(kPeriods) + "\n";
}

LibrarySetup::LibrarySetup(bool shortPeriods) {
    if (const auto drivers = DriverList(std::getenv("ALSOFT_DRIVERS"))) {
        setDrivers_ = ::setenv("ALSOFT_DRIVERS", drivers->c_str(), 0) == 0;
    }
    if (!shortPeriods || std::getenv("ALSOFT_CONF") != nullptr) {
        return;
    }
    configFd_ = ::memfd_create("selvane-alsoft.conf", MFD_CLOEXEC);
    if (configFd_ < 0) {
        return;
    }
    const std::string text = ShortPeriodConfig();
    if (::write(configFd_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return;
    }
    // The library opens the file by name; /proc/self/fd names the memory file for this process.
    const std::string path = "/proc/self/fd/" + std::to_string(configFd_);
    setConfig_ = ::setenv("ALSOFT_CONF", path.c_str(), 0) == 0;
}

LibrarySetup::~LibrarySetup() {
    if (setConfig_) {
        ::unsetenv("ALSOFT_CONF");
    }
    if (configFd_ >= 0) {
        ::close(configFd_);
    }
    if (setDrivers_) {
        ::unsetenv("ALSOFT_DRIVERS");
    }
}

}  // namespace audio::al
