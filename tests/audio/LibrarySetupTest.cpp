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

// Restores a variable of the test process as it was.
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

TEST(LibrarySetupTest, PulseAudioThenAlsaThenTheRestUnlessTheUserChose) {
    EXPECT_EQ(LibrarySetup::DriverList(nullptr), "pulse,alsa,");
    EXPECT_EQ(LibrarySetup::DriverList("jack"), std::nullopt);
    EXPECT_EQ(LibrarySetup::DriverList(""), std::nullopt);
}

TEST(LibrarySetupTest, ShortPeriodsKeepTheMixAheadWithin30Milliseconds) {
    const double aheadMs = 1000.0 * LibrarySetup::kPeriods * LibrarySetup::kPeriodFrames / 44100.0;
    EXPECT_LE(aheadMs, 30.0);
    EXPECT_GE(LibrarySetup::kPeriods, 2);
    EXPECT_GE(LibrarySetup::kPeriodFrames, 64);
    EXPECT_EQ(LibrarySetup::ShortPeriodConfig(), "[general]\nperiod_size = 256\nperiods = 4\n");
}

TEST(LibrarySetupTest, EnvironmentCarriesTheChoicesOnlyWhileTheSetupLives) {
    const ScopedEnv drivers("ALSOFT_DRIVERS", nullptr);
    const ScopedEnv conf("ALSOFT_CONF", nullptr);
    {
        const LibrarySetup setup(true);
        EXPECT_EQ(Env("ALSOFT_DRIVERS"), "pulse,alsa,");
        const std::optional<std::string> path = Env("ALSOFT_CONF");
        ASSERT_TRUE(path);
        EXPECT_EQ(path->rfind("/proc/self/fd/", 0), 0u);
        std::ifstream file(*path);
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_EQ(text.str(), LibrarySetup::ShortPeriodConfig());
    }
    EXPECT_EQ(Env("ALSOFT_DRIVERS"), std::nullopt);
    EXPECT_EQ(Env("ALSOFT_CONF"), std::nullopt);
}

TEST(LibrarySetupTest, UsersOwnChoicesAreLeftAlone) {
    const ScopedEnv drivers("ALSOFT_DRIVERS", "oss");
    const ScopedEnv conf("ALSOFT_CONF", "/home/someone/alsoft.conf");
    {
        const LibrarySetup setup(true);
        EXPECT_EQ(Env("ALSOFT_DRIVERS"), "oss");
        EXPECT_EQ(Env("ALSOFT_CONF"), "/home/someone/alsoft.conf");
    }
    EXPECT_EQ(Env("ALSOFT_DRIVERS"), "oss");
    EXPECT_EQ(Env("ALSOFT_CONF"), "/home/someone/alsoft.conf");
}

TEST(LibrarySetupTest, LibraryDefaultsSetNoConfiguration) {
    const ScopedEnv conf("ALSOFT_CONF", nullptr);
    const LibrarySetup setup(false);
    EXPECT_EQ(Env("ALSOFT_CONF"), std::nullopt);
}

}  // namespace
