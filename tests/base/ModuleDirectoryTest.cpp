#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/DebugSink.h"
#include "base/ModuleDirectory.h"

namespace {

TEST(ModuleDirectoryTest, IsTheProgramsDirectoryWithATrailingSlash) {
    const std::string dir = GetModuleDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(dir, exe.parent_path().string() + "/");
    EXPECT_TRUE(std::filesystem::exists(dir + exe.filename().string()));
}

TEST(ModuleDirectoryTest, TestsCanPointItElsewhereAndBack) {
    const std::string real = GetModuleDirectory();
    SetModuleDirectoryForTesting("/tmp/somewhere");
    EXPECT_EQ(GetModuleDirectory(), "/tmp/somewhere/");
    SetModuleDirectoryForTesting("");
    EXPECT_EQ(GetModuleDirectory(), real);
}

TEST(DebugSinkTest, CaptureReceivesTheTextExactlyAsWritten) {
    std::string captured;
    SetDebugCaptureForTesting([&](std::string_view text) { captured += text; });
    OutputDebugString("レンダリング時のエラー\n");
    OutputDebugString("RenderD2DContentIntoSurface");
    SetDebugCaptureForTesting({});
    OutputDebugString("not captured");
    EXPECT_EQ(captured, "レンダリング時のエラー\nRenderD2DContentIntoSurface");
}

}  // namespace
