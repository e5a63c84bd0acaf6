// The default output device as the program opens it. Run with ALSOFT_DRIVERS=null: OpenAL
// Soft's null driver mixes in real time like a sound card but plays nowhere.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "audio/DrumPlayer.h"
#include "audio/MessageBox.h"
#include "audio/al/LibrarySetup.h"
#include "audio/al/Platform.h"
#include "base/ModuleDirectory.h"

namespace {

TEST(DefaultDeviceTest, OpensWithShortPeriodsAndPlaysTheDrums) {
    audio::al::Platform platform;
    audio::SetPlatform(&platform);
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    std::vector<std::string> boxes;
    audio::SetMessageBoxHandler([&](std::string_view text) { boxes.emplace_back(text); });
    {
        DrumPlayer player;
        EXPECT_TRUE(boxes.empty());
        ASSERT_TRUE(player.HasEngine());
        const audio::al::DeviceTiming timing = platform.Timing();
        ASSERT_TRUE(timing.open);
        // The period the device mixes with is the one asked for, not the library's 1024 frames.
        ASSERT_GT(timing.frequency, 0);
        EXPECT_NEAR(timing.PeriodMilliseconds(),
                    1000.0 * audio::al::LibrarySetup::kPeriodFrames / timing.frequency, 0.1);
        ASSERT_GE(timing.latencyNanoseconds, 0);
        EXPECT_LE(timing.latencyNanoseconds / 1e6, 30.0);
        for (std::int32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(player.Play(i), S_OK) << i;
        }
    }
    // The user's own driver choice is still in place, and nothing of ours is left behind.
    EXPECT_STREQ(std::getenv("ALSOFT_DRIVERS"), "null");
    EXPECT_EQ(std::getenv("ALSOFT_CONF"), nullptr);
    audio::SetMessageBoxHandler({});
    SetModuleDirectoryForTesting("");
    audio::SetPlatform(nullptr);
}

TEST(DefaultDeviceTest, ConfiguredAtStartTheDeviceKeepsOurPeriodsWithNothingInTheEnvironment) {
    // As the program does in main, before any other thread exists.
    audio::al::LibrarySetup::Configure(true);
    EXPECT_EQ(std::getenv("ALSOFT_CONF"), nullptr);
    audio::al::Platform platform;
    audio::SetPlatform(&platform);
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    {
        DrumPlayer player;
        ASSERT_TRUE(player.HasEngine());
        const audio::al::DeviceTiming timing = platform.Timing();
        ASSERT_TRUE(timing.open);
        ASSERT_GT(timing.frequency, 0);
        EXPECT_NEAR(timing.PeriodMilliseconds(),
                    1000.0 * audio::al::LibrarySetup::kPeriodFrames / timing.frequency, 0.1);
    }
    SetModuleDirectoryForTesting("");
    audio::SetPlatform(nullptr);
}

TEST(DefaultDeviceTest, ARestingPlayerLeavesNoMixingThreadAndPlaysAgain) {
    audio::al::Platform platform;
    audio::SetPlatform(&platform);
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    {
        DrumPlayer player;
        ASSERT_TRUE(player.HasEngine());
        const auto mixing = threads();
        player.Rest();
        EXPECT_EQ(threads(), mixing - 1) << "the device still mixes";
        EXPECT_EQ(player.Play(2), S_OK);
        EXPECT_EQ(threads(), mixing);
    }
    SetModuleDirectoryForTesting("");
    audio::SetPlatform(nullptr);
}

}  // namespace
