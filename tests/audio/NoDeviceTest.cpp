// The program on a machine where no output device opens. Run with a driver list that names no
// driver, so that the default device fails to open on any machine.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "audio/DrumPlayer.h"
#include "audio/MessageBox.h"
#include "audio/al/Platform.h"
#include "base/ModuleDirectory.h"

namespace {

TEST(NoDeviceTest, EngineFailureIsShownOnceAndTheDrumsStaySilent) {
    audio::al::Platform platform;
    audio::SetPlatform(&platform);
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    std::vector<std::string> boxes;
    audio::SetMessageBoxHandler([&](std::string_view text) { boxes.emplace_back(text); });
    testing::internal::CaptureStdout();
    {
        DrumPlayer player;
        EXPECT_FALSE(player.HasEngine());
        for (std::int32_t i = -1; i <= 5; ++i) {
            EXPECT_EQ(player.Stop(i), E_FAIL);
            EXPECT_EQ(player.Play(i), E_FAIL);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_THAT(boxes, testing::ElementsAre("Failed to init XAudio2 engine"));
    audio::SetMessageBoxHandler({});
    SetModuleDirectoryForTesting("");
    audio::SetPlatform(nullptr);
}

}  // namespace
