#include "app/DisplayProblem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

// The variables that choose Qt's window system, set as a case wants and put back afterwards.
class DisplayProblemTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    // A display number no server listens on.
    static std::string Unused() {
        for (int n = 4000;; ++n) {
            struct stat st;
            if (::stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) != 0) {
                return ":" + std::to_string(n);
            }
        }
    }

    static constexpr const char* kNames[] = {"DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"};
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(DisplayProblemTest, WithoutADisplayTheX11PlatformCannotStart) {
    EXPECT_EQ(DisplayProblem({}), "no display to show the window on: DISPLAY is not set");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(DisplayProblem({}), "no display to show the window on: DISPLAY is not set")
        << "asked for by name, X11 is judged even in a Wayland session";
}

TEST_F(DisplayProblemTest, ADisplayNoServerListensOnIsNamed) {
    const std::string unused = Unused();
    ::setenv("DISPLAY", unused.c_str(), 1);
    EXPECT_EQ(DisplayProblem({}), "cannot connect to the display \"" + unused + "\"");
    // Qt's -display option wins over the variable.
    ::setenv("DISPLAY", ":0", 1);
    EXPECT_EQ(DisplayProblem({"-display", unused}),
              "cannot connect to the display \"" + unused + "\"");
}

TEST_F(DisplayProblemTest, OtherPlatformsAreLeftToQt) {
    EXPECT_EQ(DisplayProblem({"-platform", "offscreen"}), "");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_EQ(DisplayProblem({}), "");
    ::unsetenv("QT_QPA_PLATFORM");
    // Without a choice Qt takes Wayland where a Wayland display is named.
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(DisplayProblem({}), "");
}

}  // namespace
