#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/DebugSink.h"
#include "gpu/Platform.h"
#include "scene/Scene.h"
#include "tests/fakes/FakeGpu.h"

// A scene on the fake graphics platform, with the debug output captured. The scene goes before
// the fake, so every object it still holds is released while the fake can count it.
class FakeSceneTest : public testing::Test {
  protected:
    FakeSceneTest() {
        gpu::SetPlatform(&gpu);
        SetDebugCaptureForTesting([this](std::string_view line) { debug.emplace_back(line); });
    }
    ~FakeSceneTest() override {
        SetDebugCaptureForTesting({});
        gpu::SetPlatform(nullptr);
    }

    // Initialises the graphics and forgets what that logged.
    void Init() {
        ASSERT_EQ(scene.InitGraphics(&window), S_OK);
        gpu.ClearLog();
        gpu.released.clear();
    }

    // A text of `pages` full pages whose page s is made of one letter, 'A' + s modulo 26, so
    // that every drawn page tells which segment it belongs to.
    static std::u16string PagedText(int pages) {
        std::u16string text;
        for (int s = 0; s < pages; ++s) {
            text.append(kPageLength, static_cast<char16_t>(u'A' + s % 26));
        }
        return text;
    }

    fake::FakeGpu gpu;
    gpu::Window window;
    std::vector<std::string> debug;
    Scene scene;
};
