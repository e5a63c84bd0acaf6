#pragma once

// OpenAL Soft reads its driver list and its configuration once, when the first device of the
// process opens. While a LibrarySetup lives, the environment carries our choices for that
// moment; the destructor takes them back out, so that child processes (the help viewer) and
// later readers of the environment see the user's own.
//
// - Drivers: version 1.19 tries JACK before PulseAudio and then plays nothing on many desktops
//   where both exist. Unless the user has chosen with ALSOFT_DRIVERS, PulseAudio comes first,
//   then ALSA, then the rest in the library's order.
// - Latency: the library mixes 3 periods of 1024 frames ahead by default (70 ms at 44.1 kHz),
//   and 1.19 ignores ALC_REFRESH for playback devices. A configuration with short periods is
//   handed over through ALSOFT_CONF as an anonymous in-memory file, so nothing is written to
//   disk. A user who set ALSOFT_CONF keeps that file and its settings.

#include <optional>
#include <string>

namespace audio::al {

class LibrarySetup {
  public:
    static constexpr int kPeriodFrames = 256;
    static constexpr int kPeriods = 4;

    // The driver list to set, or nothing when the user has set one (even an empty one).
    static std::optional<std::string> DriverList(const char* userChoice);
    static std::string ShortPeriodConfig();

    explicit LibrarySetup(bool shortPeriods);
    ~LibrarySetup();
    LibrarySetup(const LibrarySetup&) = delete;
    LibrarySetup& operator=(const LibrarySetup&) = delete;

  private:
    bool setDrivers_ = false;
    bool setConfig_ = false;
    int configFd_ = -1;
};

}  // namespace audio::al
