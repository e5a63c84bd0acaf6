#include "audio/al/LibrarySetup.h"

#include <AL/alc.h>
#include <AL/alext.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace audio::al {

std::string LibrarySetup::Config(const char* userDrivers, bool shortPeriods) {
    std::string text;
    if (userDrivers == nullptr) {
        // The trailing comma keeps every other driver, in the library's own order, behind these.
        text += "drivers = pulse,alsa,\n";
    }
    if (shortPeriods) {
        text += "period_size = " + std::to_string(kPeriodFrames) + "\n";
        text += "periods = " + std::to_string(kPeriods) + "\n";
    }
    return text.empty() ? text : "[general]\n" + text;
}

void LibrarySetup::Configure(bool shortPeriods) {
    static bool configured = false;
    if (configured) {
        return;
    }
    configured = true;
    const LibrarySetup setup(shortPeriods);
    // Any device makes the library read its configuration, once; the loopback device touches
    // no driver.
    const auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (ALCdevice* device = open != nullptr ? open(nullptr) : nullptr) {
        alcCloseDevice(device);
    } else {
        // Without the loopback extension the configuration is read with the capture devices.
        alcGetString(nullptr, ALC_CAPTURE_DEFAULT_DEVICE_SPECIFIER);
    }
}

LibrarySetup::LibrarySetup(bool shortPeriods) {
    if (std::getenv("ALSOFT_CONF") != nullptr) {
        return;
    }
    const std::string text = Config(std::getenv("ALSOFT_DRIVERS"), shortPeriods);
    if (text.empty()) {
        return;
    }
    configFd_ = ::memfd_create("selvane-alsoft.conf", MFD_CLOEXEC);
    if (configFd_ < 0 ||
        ::write(configFd_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
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
}

}  // namespace audio::al
