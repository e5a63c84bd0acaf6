#pragma once

// OpenAL Soft reads its configuration once, when the first device of the process opens. While
// a LibrarySetup lives, the environment points the library at a configuration of ours; the
// destructor takes the variable back out, so that child processes (the help viewer) and later
// readers of the environment see only the user's own settings.
//
// - Drivers: version 1.19 tries JACK before PulseAudio and then plays nothing on many desktops
//   where both exist. Unless the user has chosen with ALSOFT_DRIVERS (which the library lets
//   override any configuration file), PulseAudio comes first, then ALSA, then the rest in the
//   library's order.
// - Latency: the library mixes 3 periods of 1024 frames ahead by default (70 ms at 44.1 kHz),
//   and 1.19 ignores ALC_REFRESH for playback devices; only the configuration sets the period.
//
// The configuration goes through ALSOFT_CONF as an anonymous in-memory file, so nothing is
// written to disk. It is read after the user's own configuration files and wins over them for
// these keys. A user who set ALSOFT_CONF keeps that file and gets none of ours.
//
// The environment is no place to change while other threads may read it (Qt's do), and the
// library takes no configuration any other way: the program calls Configure early in main,
// while it has one thread, and the library reads its configuration there, once for the process.

#include <string>

namespace audio::al {

class LibrarySetup {
  public:
    static constexpr int kPeriodFrames = 256;
    static constexpr int kPeriods = 4;

    // The configuration for the user's ALSOFT_DRIVERS (null when unset); empty when there is
    // nothing to set.
    static std::string Config(const char* userDrivers, bool shortPeriods);

    // Has the library read its configuration with ours, unless it did so before: the variable is
    // set, a loopback device (which opens no sound device) is opened and closed, and the
    // variable is taken out again. The engine calls it too, for processes that did not.
    static void Configure(bool shortPeriods);

    explicit LibrarySetup(bool shortPeriods);
    ~LibrarySetup();
    LibrarySetup(const LibrarySetup&) = delete;
    LibrarySetup& operator=(const LibrarySetup&) = delete;

  private:
    bool setConfig_ = false;
    int configFd_ = -1;
};

}  // namespace audio::al
