#include <gtest/gtest.h>

#include "scene/Scene.h"
#include "tests/fakes/FakeGpu.h"
#include "tests/support/MatrixMatchers.h"
#include "tests/support/ScopedRandom.h"

namespace {

void ExpectNoGraphics(const Scene& scene) {
    EXPECT_EQ(scene.window, nullptr);
    EXPECT_EQ(scene.device, nullptr);
    EXPECT_EQ(scene.swapChain, nullptr);
    EXPECT_EQ(scene.renderTargetView, nullptr);
    EXPECT_EQ(scene.depthStencilView, nullptr);
    EXPECT_EQ(scene.depthTexture, nullptr);
    EXPECT_EQ(scene.rasterizerState, nullptr);
    EXPECT_EQ(scene.inputLayout, nullptr);
    EXPECT_EQ(scene.vertexShader, nullptr);
    EXPECT_EQ(scene.pixelShader, nullptr);
    EXPECT_EQ(scene.textPixelShader, nullptr);
    EXPECT_EQ(scene.constantBuffer, nullptr);
    EXPECT_EQ(scene.samplerState, nullptr);
    EXPECT_EQ(scene.blendState, nullptr);
    EXPECT_EQ(scene.d2dFactory, nullptr);
    EXPECT_EQ(scene.writeFactory, nullptr);
    EXPECT_EQ(scene.textTexture, nullptr);
    EXPECT_EQ(scene.textTextureView, nullptr);
    EXPECT_EQ(scene.textTarget, nullptr);
    EXPECT_EQ(scene.textBrush, nullptr);
    EXPECT_EQ(scene.textFormat, nullptr);
}

TEST(SceneState, ConstructorGivesEmptyWhiteSceneSeededFromTheClock) {
    ScopedRandom random({}, 1234567);
    const Scene scene;
    EXPECT_TRUE(scene.text.empty());
    EXPECT_TRUE(scene.pathPoints.empty());
    EXPECT_TRUE(scene.segments.empty());
    EXPECT_TRUE(scene.materials.empty());
    EXPECT_EQ(scene.backgroundColor, 0xFFFFFFu);
    EXPECT_EQ(scene.fontColor, 0u);
    EXPECT_EQ(scene.clientWidth, 640u);
    EXPECT_EQ(scene.clientHeight, 480u);
    EXPECT_EQ(scene.cameraIndex, 0);
    EXPECT_EQ(scene.cameraT, 0.0f);
    EXPECT_EQ(scene.cameraSpeed, 0.0f);
    EXPECT_EQ(scene.view, ResetView());
    ExpectNoGraphics(scene);
    ASSERT_EQ(random.seeds().size(), 1u);
    EXPECT_EQ(random.seeds()[0], 1234567u);
}

TEST(SceneState, AFixedSeedReplacesTheClockAndEveryBuildKeepsItsSeed) {
    ScopedRandom random({}, 1234567);
    Scene scene;
    EXPECT_EQ(scene.seed, 1234567u);
    scene.fixedSeed = 42;
    scene.cruise = true;
    scene.Reset();
    scene.Build();
    EXPECT_EQ(random.seeds(), (std::vector<unsigned>{1234567, 42, 42}));
    EXPECT_EQ(scene.seed, 42u);
    EXPECT_TRUE(scene.cruise) << "cruise is the reader's choice, not part of a build";
}

TEST(SceneState, ResetRestoresCameraAndViewAndLeavesColoursSizeAndKeyFrames) {
    ScopedRandom random({}, 42);
    Scene scene;
    scene.backgroundColor = 0x123456;
    scene.fontColor = 0x0000FF;
    scene.clientWidth = 800;
    scene.clientHeight = 600;
    scene.cameraIndex = 17;
    scene.cameraT = 0.5f;
    scene.cameraSpeed = -0.25f;
    scene.view = Matrix::Identity();
    scene.eyeA = {1.0f, 2.0f, 3.0f};
    scene.upB = {0.0f, 0.0f, 1.0f};
    scene.world = Matrix::Identity();
    scene.Reset();

    EXPECT_EQ(scene.view, ResetView());
    EXPECT_EQ(scene.cameraIndex, 0);
    EXPECT_EQ(scene.cameraT, 0.0f);
    EXPECT_EQ(scene.cameraSpeed, 0.0f);
    EXPECT_EQ(scene.backgroundColor, 0x123456u);
    EXPECT_EQ(scene.fontColor, 0x0000FFu);
    EXPECT_EQ(scene.clientWidth, 800u);
    EXPECT_EQ(scene.clientHeight, 600u);
    EXPECT_EQ(scene.eyeA, (Vec3{1.0f, 2.0f, 3.0f}));
    EXPECT_EQ(scene.upB, (Vec3{0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(scene.world, Matrix::Identity());
    EXPECT_EQ(random.seeds().size(), 2u);
}

TEST(SceneState, ResetTurnsEachTabIntoOneIdeographicSpace) {
    ScopedRandom random;
    Scene scene;
    scene.text = u"a\tb\t";
    scene.Reset();
    EXPECT_EQ(scene.text, u"a\u3000b\u3000");

    scene.text = u"no tabs \u3000 here\r";
    scene.Reset();
    EXPECT_EQ(scene.text, u"no tabs \u3000 here\r");
}

TEST(SceneState, ResetAfterBuildReleasesEveryBufferOnceAndKeepsColours) {
    ScopedRandom random({3, 7, 11, 5});
    fake::FakeGpu gpu;
    Scene scene;
    ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                           gpu::FeatureLevel::Level_10_1, 0, &scene.device)));
    scene.backgroundColor = 0x00FF00;
    scene.fontColor = 0xFF0000;
    scene.text = std::u16string(200, u'x');
    scene.Build();
    ASSERT_EQ(scene.segments.size(), 4u);
    EXPECT_EQ(gpu.Live("Buffer"), 4);

    scene.Reset();
    EXPECT_TRUE(scene.segments.empty());
    EXPECT_TRUE(scene.materials.empty());
    EXPECT_TRUE(scene.pathPoints.empty());
    EXPECT_EQ(gpu.Live("Buffer"), 0);
    EXPECT_EQ(gpu.Created("Buffer"), 4);
    EXPECT_EQ(scene.backgroundColor, 0x00FF00u);
    EXPECT_EQ(scene.fontColor, 0xFF0000u);
    EXPECT_EQ(scene.text.size(), 200u);
    EXPECT_NE(scene.device, nullptr);
}

TEST(SceneState, ResetReleasesAMaterialsReference) {
    ScopedRandom random;
    fake::FakeGpu gpu;
    Scene scene;
    scene.Build();
    gpu::Ref<gpu::Device> device;
    ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                           gpu::FeatureLevel::Level_10_1, 0, &device)));
    scene.materials[0].reference = std::move(device);
    Material copy = scene.materials[0];
    EXPECT_EQ(gpu.Live("Device"), 1);
    scene.Reset();
    EXPECT_EQ(gpu.Live("Device"), 1) << "the copy still holds its share";
    copy.reference.reset();
    EXPECT_EQ(gpu.Live("Device"), 0);
}

TEST(SceneState, BuildingTwiceKeepsOnlyTheSecondBuild) {
    ScopedRandom random({1, 2, 3});
    fake::FakeGpu gpu;
    Scene scene;
    ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                           gpu::FeatureLevel::Level_10_1, 0, &scene.device)));
    scene.text = std::u16string(300, u'a');
    scene.Build();
    scene.text = std::u16string(70, u'b');
    scene.Build();
    EXPECT_EQ(scene.materials.size(), 1u);
    EXPECT_EQ(scene.pathPoints.size(), 71u);
    ASSERT_EQ(scene.segments.size(), 2u);
    EXPECT_EQ(scene.segments[0].faces.size(), 64u);
    EXPECT_EQ(scene.segments[1].faces.size(), 6u);
    EXPECT_EQ(gpu.Live("Buffer"), 2);
    EXPECT_EQ(gpu.Created("Buffer"), 5 + 2);
}

TEST(SceneState, DefaultMaterial) {
    const Material material;
    EXPECT_EQ(material.id, 0);
    EXPECT_EQ(material.name, u"Tamor");
    EXPECT_EQ(material.color, (std::array<float, 4>{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(material.parameters, (std::array<float, 5>{1.0f, 0.0f, 0.0f, 0.0f, 1.0f}));
    for (const std::u16string& s : material.strings) {
        EXPECT_TRUE(s.empty());
    }
    EXPECT_EQ(material.reference, nullptr);
}

TEST(SceneState, DestroyingABuiltSceneReleasesEverythingItHolds) {
    ScopedRandom random;
    fake::FakeGpu gpu;
    {
        Scene scene;
        ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                               gpu::FeatureLevel::Level_10_1, 0, &scene.device)));
        scene.text = std::u16string(129, u'z');
        scene.Build();
        EXPECT_EQ(gpu.Live(), 4);
    }
    EXPECT_EQ(gpu.Live(), 0);
}

}  // namespace
