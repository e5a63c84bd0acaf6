#include "audio/al/LibrarySetup.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

using audio::al::LibrarySetup;

std::optional<std::string> Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// Sets or clears a variable of the test process and restores it as it was.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name), old_(Env(name)) {
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string Contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(LibrarySetupTest, PulseAudioThenAlsaThenTheRestUnlessTheUserChoseDrivers) {
    EXPECT_EQ(LibrarySetup::Config(nullptr, false), "[general]\ndrivers = pulse,alsa,\n");
    EXPECT_EQ(LibrarySetup::Config("jack", false), "");
    // An empty choice is a choice too: the library then tries all drivers.
    EXPECT_EQ(LibrarySetup::Config("", false), "");
}

TEST(LibrarySetupTest, ShortPeriodsKeepTheMixAheadWithin30Milliseconds) {
    const double aheadMs = 1000.0 * LibrarySetup::kPeriods * LibrarySetup::kPeriodFrames / 44100.0;
    EXPECT_LE(aheadMs, 30.0);
    // The library takes 2 to 16 periods of 64 to 8192 frames.
    EXPECT_GE(LibrarySetup::kPeriods, 2);
    EXPECT_GE(LibrarySetup::kPeriodFrames, 64);
    EXPECT_EQ(LibrarySetup::Config("null", true), "[general]\nperiod_size = 256\nperiods = 4\n");
    EXPECT_EQ(LibrarySetup::Config(nullptr, true),
              "[general]\ndrivers = pulse,alsa,\nperiod_size = 256\nperiods = 4\n");
}

TEST(LibrarySetupTest, TheConfigurationIsInTheEnvironmentOnlyWhileTheSetupLives) {
    const ScopedEnv drivers("ALSOFT_DRIVERS", nullptr);
    const ScopedEnv conf("ALSOFT_CONF", nullptr);
    {
        const LibrarySetup setup(true);
        const std::optional<std::string> path = Env("ALSOFT_CONF");
        ASSERT_TRUE(path);
        EXPECT_EQ(path->rfind("/proc/self/fd/", 0), 0u);
        EXPECT_EQ(Contents(*path), LibrarySetup::Config(nullptr, true));
        EXPECT_EQ(Env("ALSOFT_DRIVERS"), std::nullopt);
    }
    EXPECT_EQ(Env("ALSOFT_CONF"), std::nullopt);
}

TEST(LibrarySetupTest, UsersOwnConfigurationFileIsLeftAlone) {
    const ScopedEnv conf("ALSOFT_CONF", "/home/someone/alsoft.conf");
    {
        const LibrarySetup setup(true);
        EXPECT_EQ(Env("ALSOFT_CONF"), "/home/someone/alsoft.conf");
    }
    EXPECT_EQ(Env("ALSOFT_CONF"), "/home/someone/alsoft.conf");
}

TEST(LibrarySetupTest, NothingToSetSetsNothing) {
    const ScopedEnv drivers("ALSOFT_DRIVERS", "alsa");
    const ScopedEnv conf("ALSOFT_CONF", nullptr);
    const LibrarySetup setup(false);
    EXPECT_EQ(Env("ALSOFT_CONF"), std::nullopt);
    EXPECT_EQ(Env("ALSOFT_DRIVERS"), "alsa");
}

}  // namespace
