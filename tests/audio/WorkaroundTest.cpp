#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "audio/Xaudio2DllUnloadWorkaround_LoadLibraryVersion.h"
#include "audio/al/Platform.h"
#include "base/DebugSink.h"
#include "tests/fakes/FakeAudio.h"

namespace {

using testing::ElementsAre;

const char kFindFailed[] = "XAudio2 DLL: find by CLSID: FAILED: GetLastError()\n";
const char kPathFailed[] = "XAudio2 DLL: path retrieval: FAILED: GetLastError()\n";
const char kWarning[] =
    "Could not apply the workaround. \nApplication may crash if CD-RW features are used!\n";

int FunctionOfThisProgram() {
    return 42;
}

class WorkaroundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDebugCaptureForTesting([this](std::string_view text) { lines_.emplace_back(text); });
        audio::SetPlatform(&audio_);
    }
    void TearDown() override {
        SetDebugCaptureForTesting({});
        audio::SetPlatform(nullptr);
    }

    fake::FakeAudio audio_;
    std::vector<std::string> lines_;
};

TEST_F(WorkaroundTest, UnregisteredEngineWarnsAndDestructionFreesNothing) {
    {
        Xaudio2DllUnloadWorkaround_LoadLibraryVersion workaround;
        workaround.Apply();
        EXPECT_FALSE(workaround.IsLoaded());
        EXPECT_TRUE(workaround.LibraryPath().empty());
    }
    EXPECT_THAT(lines_, ElementsAre("<<Created>>\n", kFindFailed, kWarning, "<<Destroyed>>\n"));
}

TEST_F(WorkaroundTest, NoInstalledPlatformIsAnUnregisteredEngine) {
    audio::SetPlatform(nullptr);
    Xaudio2DllUnloadWorkaround_LoadLibraryVersion workaround;
    workaround.Apply();
    EXPECT_THAT(lines_, ElementsAre("<<Created>>\n", kFindFailed, kWarning));
}

TEST_F(WorkaroundTest, OtherClassesAreNotFound) {
    audio_.serverAddress = reinterpret_cast<const void*>(&FunctionOfThisProgram);
    Xaudio2DllUnloadWorkaround_LoadLibraryVersion workaround;
    EXPECT_FALSE(workaround.FindLibraryPath(audio::ClassId{1, 2, 3, {4}}));
    EXPECT_THAT(lines_, ElementsAre("<<Created>>\n", kFindFailed));
}

TEST_F(WorkaroundTest, AddressOutsideEveryLibraryHasNoPath) {
    const auto heap = std::make_unique<int>(0);
    audio_.serverAddress = heap.get();
    {
        Xaudio2DllUnloadWorkaround_LoadLibraryVersion workaround;
        workaround.Apply();
    }
    EXPECT_THAT(lines_, ElementsAre("<<Created>>\n", kPathFailed, kWarning, "<<Destroyed>>\n"));
}

TEST_F(WorkaroundTest, LoadFailureHoldsNoHandleAndDestructionWritesOnlyItsLastLine) {
    // The file found is this test program, which cannot be loaded as a library.
    audio_.serverAddress = reinterpret_cast<const void*>(&FunctionOfThisProgram);
    auto workaround = std::make_unique<Xaudio2DllUnloadWorkaround_LoadLibraryVersion>();
    workaround->Apply();
    EXPECT_FALSE(workaround->IsLoaded());
    EXPECT_FALSE(workaround->LibraryPath().empty());
    lines_.clear();
    workaround.reset();
    EXPECT_THAT(lines_, ElementsAre("<<Destroyed>>\n"));
}

// The file the process has mapped for the OpenAL library, from /proc/self/maps.
std::string MappedOpenAlFile() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.find('/');
        if (slash != std::string::npos && line.find("libopenal", slash) != std::string::npos) {
            return line.substr(slash);
        }
    }
    return {};
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

TEST_F(WorkaroundTest, OnOpenAlItLoadsTheLibraryThisProgramUsesAndFreesItAtTheEnd) {
    audio::al::Platform openal;
    audio::SetPlatform(&openal);
    std::string path;
    {
        Xaudio2DllUnloadWorkaround_LoadLibraryVersion workaround;
        workaround.Apply();
        EXPECT_TRUE(workaround.IsLoaded());
        path = workaround.LibraryPath();
    }
    const std::string mapped = MappedOpenAlFile();
    ASSERT_FALSE(mapped.empty());
    EXPECT_TRUE(SameFile(path, mapped)) << path << " vs " << mapped;
    EXPECT_THAT(lines_, ElementsAre("<<Created>>\n", "XAudio2 DLL: path found\n", path, "\n",
                                    "Load SUCCEEDED\n", "Free SUCCEEDED\n", "<<Destroyed>>\n"));
}

TEST_F(WorkaroundTest, ApplyingTwiceStillHoldsOneReference) {
    audio::al::Platform openal;
    audio::SetPlatform(&openal);
    {
        Xaudio2DllUnloadWorkaround_LoadLibraryVersion workaround;
        workaround.Apply();
        workaround.Apply();
        lines_.clear();
    }
    EXPECT_THAT(lines_, ElementsAre("Free SUCCEEDED\n", "<<Destroyed>>\n"));
}

}  // namespace
