#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/ModuleDirectory.h"
#include "render/GraphicsDevice.h"
#include "tests/render/FakeSceneTest.h"
#include "tests/render/SceneFields.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

using DeviceLife = FakeSceneTest;

const std::vector<std::string> kInitNames = {
    "CreateTextFactory",
    "CreateWriteFactory",
    "CreateTextFormat",
    "SetParagraphAlignment",
    "CreateTextFormat",
    "SetParagraphAlignment",
    "SetTextAlignment",
    "CreateDevice",
    "GetAdapter",
    "GetParent",
    "CreateSwapChain",
    "ResizeBuffers",
    "CreateTexture2D",
    "GetBuffer",
    "CreateRenderTargetView",
    "CreateDepthStencilView",
    "OMSetRenderTargets",
    "RSSetViewports",
    "CreateBlendState",
    "OMSetBlendState",
    "CreateRasterizerState",
    "CreateSamplerState",
    "RSSetState",
    "CreateTexture2D",
    "CreateShaderResourceView",
    "CreateTexture2D",
    "CreateShaderResourceView",
    "GetSurface",
    "CreateDxgiSurfaceRenderTarget",
    "SetTextAntialiasMode",
    "CreateSolidColorBrush",
    "GetSurface",
    "CreateDxgiSurfaceRenderTarget",
    "SetTextAntialiasMode",
    "CreateSolidColorBrush",
    "CompileFromFile",
    "CreateVertexShader",
    "CreateInputLayout",
    "CompileFromFile",
    "CreatePixelShader",
    "CompileFromFile",
    "CreatePixelShader",
    "CreateBuffer",
};

void ExpectAllGraphics(const Scene& scene) {
    EXPECT_TRUE(AllGraphicsSet(scene));
}

// Objects that only live inside one step: the adapter, the factory, compiled code, the back
// buffer reference and the surfaces of the text and ruby textures.
void ExpectNoTemporaries(const fake::FakeGpu& gpu) {
    EXPECT_EQ(gpu.Live("Adapter"), 0);
    EXPECT_EQ(gpu.Live("Factory"), 0);
    EXPECT_EQ(gpu.Live("Blob"), 0);
    EXPECT_EQ(gpu.Live("Surface"), 0);
}

TEST_F(DeviceLife, InitialisationRunsItsStepsInOrderAndFillsEveryField) {
    ASSERT_EQ(scene.InitGraphics(&window), S_OK);
    EXPECT_THAT(gpu.Names(), ElementsAreArray(kInitNames));
    EXPECT_EQ(scene.window, &window);
    ExpectAllGraphics(scene);
    ExpectNoTemporaries(gpu);
    // The depth texture and the text and ruby textures; the back buffer reference is gone again.
    EXPECT_EQ(gpu.Live("Texture2D"), 3);
    EXPECT_THAT(
        gpu.CallsOf("CreateDevice"),
        ElementsAre(testing::StartsWith("CreateDevice(hardware,0x20,0xa100,0x20) -> Device#")));
    EXPECT_THAT(
        gpu.CallsOf("CompileFromFile"),
        ElementsAre(testing::StartsWith("CompileFromFile(SelvaneShader.glsl,VS,vs_4_1,0,0)"),
                    testing::StartsWith("CompileFromFile(SelvaneShader.glsl,PS,ps_4_1,0,0)"),
                    testing::StartsWith("CompileFromFile(SelvaneShader.glsl,PS_TEX,ps_4_1,0,0)")));
}

TEST_F(DeviceLife, InitialisationDescribesEveryObjectAsDesigned) {
    ASSERT_EQ(scene.InitGraphics(&window), S_OK);

    ASSERT_EQ(gpu.swapChainDescs.size(), 1u);
    const gpu::SwapChainDesc& chain = gpu.swapChainDescs[0];
    EXPECT_EQ(chain.bufferDesc.width, 640u);
    EXPECT_EQ(chain.bufferDesc.height, 480u);
    EXPECT_EQ(chain.bufferDesc.refreshRate, (gpu::Rational{60, 1}));
    EXPECT_EQ(chain.bufferDesc.format, gpu::Format::B8G8R8A8_UNorm);
    EXPECT_EQ(chain.sampleDesc, (gpu::SampleDesc{1, 0}));
    EXPECT_EQ(chain.bufferUsage, gpu::kUsageRenderTargetOutput);
    EXPECT_EQ(chain.bufferCount, 1u);
    EXPECT_EQ(chain.outputWindow, &window);
    EXPECT_TRUE(chain.windowed);
    EXPECT_EQ(chain.swapEffect, gpu::SwapEffect::Discard);
    EXPECT_EQ(chain.flags, 0u);
    EXPECT_THAT(gpu.CallsOf("ResizeBuffers"), ElementsAre("ResizeBuffers(1,640,480,1,0)"));

    ASSERT_EQ(gpu.textureDescs.size(), 3u);
    const gpu::Texture2DDesc& depth = gpu.textureDescs[0];
    EXPECT_EQ(depth.width, 640u);
    EXPECT_EQ(depth.height, 480u);
    EXPECT_EQ(depth.mipLevels, 1u);
    EXPECT_EQ(depth.arraySize, 1u);
    EXPECT_EQ(depth.format, gpu::Format::D32_Float);
    EXPECT_EQ(depth.sampleDesc, (gpu::SampleDesc{1, 0}));
    EXPECT_EQ(depth.usage, gpu::Usage::Default);
    EXPECT_EQ(depth.bindFlags, gpu::kBindDepthStencil);
    const gpu::Texture2DDesc& text = gpu.textureDescs[1];
    EXPECT_EQ(text.width, 8192u);
    EXPECT_EQ(text.height, 128u);
    EXPECT_EQ(text.mipLevels, 1u);
    EXPECT_EQ(text.arraySize, 1u);
    EXPECT_EQ(text.format, gpu::Format::B8G8R8A8_UNorm);
    EXPECT_EQ(text.usage, gpu::Usage::Default);
    EXPECT_EQ(text.bindFlags, gpu::kBindRenderTarget | gpu::kBindShaderResource);
    EXPECT_EQ(text.cpuAccessFlags, 0u);
    EXPECT_EQ(text.miscFlags, 0u);
    // The ruby's: half as high, and two characters wider on either side of the page.
    gpu::Texture2DDesc ruby = text;
    ruby.width = 8704;
    ruby.height = 64;
    EXPECT_EQ(gpu.textureDescs[2], ruby);

    EXPECT_THAT(gpu.renderTargetViewDescs,
                ElementsAre(gpu::RenderTargetViewDesc{gpu::Format::B8G8R8A8_UNorm,
                                                      gpu::ViewDimension::Texture2D, 0}));
    EXPECT_THAT(gpu.depthStencilViewDescs,
                ElementsAre(gpu::DepthStencilViewDesc{gpu::Format::D32_Float,
                                                      gpu::ViewDimension::Texture2D, 0}));
    EXPECT_THAT(gpu.CallsOf("OMSetRenderTargets"),
                ElementsAre("OMSetRenderTargets([" + fake::NameOf(scene.renderTargetView.get()) +
                            "]," + fake::NameOf(scene.depthStencilView.get()) + ")"));
    EXPECT_THAT(gpu.viewports, ElementsAre(gpu::Viewport{0, 0, 640, 480, 0.0f, 1.0f}));
    EXPECT_EQ(scene.viewport, (gpu::Viewport{0, 0, 640, 480, 0.0f, 1.0f}));

    ASSERT_EQ(gpu.rasterizerDescs.size(), 1u);
    gpu::RasterizerDesc rasterizer;
    rasterizer.fillMode = gpu::FillMode::Solid;
    rasterizer.cullMode = gpu::CullMode::None;
    rasterizer.frontCounterClockwise = true;
    rasterizer.depthClipEnable = true;
    EXPECT_EQ(gpu.rasterizerDescs[0], rasterizer);
    EXPECT_THAT(gpu.CallsOf("RSSetState"),
                ElementsAre("RSSetState(" + fake::NameOf(scene.rasterizerState.get()) + ")"));

    ASSERT_EQ(gpu.samplerDescs.size(), 1u);
    gpu::SamplerDesc sampler;
    sampler.filter = gpu::Filter::MinMagMipLinear;
    EXPECT_EQ(gpu.samplerDescs[0], sampler);

    ASSERT_EQ(gpu.blendDescs.size(), 1u);
    const gpu::BlendDesc& blend = gpu.blendDescs[0];
    EXPECT_FALSE(blend.alphaToCoverageEnable);
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(blend.blendEnable[i]) << i;
        EXPECT_EQ(blend.renderTargetWriteMask[i], gpu::kColorWriteEnableAll) << i;
    }
    EXPECT_EQ(blend.srcBlend, gpu::Blend::SrcAlpha);
    EXPECT_EQ(blend.destBlend, gpu::Blend::InvSrcAlpha);
    EXPECT_EQ(blend.blendOp, gpu::BlendOp::Add);
    EXPECT_EQ(blend.srcBlendAlpha, gpu::Blend::One);
    EXPECT_EQ(blend.destBlendAlpha, gpu::Blend::Zero);
    EXPECT_EQ(blend.blendOpAlpha, gpu::BlendOp::Add);
    EXPECT_THAT(gpu.CallsOf("OMSetBlendState"),
                ElementsAre("OMSetBlendState(" + fake::NameOf(scene.blendState.get()) +
                            ",1,1,1,1,0xffffffff)"));

    EXPECT_THAT(gpu.CallsOf("CreateShaderResourceView"),
                ElementsAre(testing::StartsWith("CreateShaderResourceView(" +
                                                fake::NameOf(scene.textTexture.get()) + ")"),
                            testing::StartsWith("CreateShaderResourceView(" +
                                                fake::NameOf(scene.rubyTexture.get()) + ")")));

    // The ruby in the same font at half the size, each reading centred in its box.
    EXPECT_THAT(gpu.textFormatFamilies, ElementsAre(u"ＭＳ 明朝", u"ＭＳ 明朝"));
    EXPECT_THAT(gpu.CallsOf("CreateTextFormat"),
                ElementsAre(testing::StartsWith("CreateTextFormat(?? ??,400,0,5,128,0)"),
                            testing::StartsWith("CreateTextFormat(?? ??,400,0,5,64,0)")));
    EXPECT_THAT(gpu.CallsOf("SetParagraphAlignment"),
                ElementsAre("SetParagraphAlignment(2)", "SetParagraphAlignment(2)"));
    EXPECT_THAT(gpu.CallsOf("SetTextAlignment"), ElementsAre("SetTextAlignment(2)"));
    EXPECT_THAT(gpu.CallsOf("CreateTextFactory"),
                ElementsAre(testing::StartsWith("CreateTextFactory(0)")));
    EXPECT_THAT(gpu.CallsOf("CreateWriteFactory"),
                ElementsAre(testing::StartsWith("CreateWriteFactory(0)")));

    // One text target over the text texture, one over the ruby texture, made alike.
    ASSERT_EQ(gpu.textTargetProperties.size(), 2u);
    const gpu::RenderTargetProperties& target = gpu.textTargetProperties[0];
    EXPECT_EQ(target.type, gpu::RenderTargetType::Default);
    EXPECT_EQ(target.pixelFormat,
              (gpu::PixelFormat{gpu::Format::B8G8R8A8_UNorm, gpu::AlphaMode::Ignore}));
    EXPECT_EQ(target.dpiX, 96.0f);
    EXPECT_EQ(target.dpiY, 96.0f);
    EXPECT_EQ(target.usage, 0u);
    EXPECT_EQ(gpu.textTargetProperties[1], target);
    EXPECT_EQ(scene.textTarget->GetSize(), (gpu::SizeF{8192.0f, 128.0f}));
    EXPECT_EQ(scene.rubyTarget->GetSize(), (gpu::SizeF{8704.0f, 64.0f}));
    EXPECT_THAT(gpu.CallsOf("SetTextAntialiasMode"),
                ElementsAre("SetTextAntialiasMode(1)", "SetTextAntialiasMode(1)"));
    EXPECT_THAT(gpu.CallsOf("CreateSolidColorBrush"),
                ElementsAre(testing::StartsWith("CreateSolidColorBrush(0,0,0,1)"),
                            testing::StartsWith("CreateSolidColorBrush(0,0,0,1)")));

    ASSERT_EQ(gpu.inputLayouts.size(), 1u);
    const std::vector<gpu::InputElementDesc>& layout = gpu.inputLayouts[0];
    ASSERT_EQ(layout.size(), 2u);
    EXPECT_STREQ(layout[0].semanticName, "POSITION");
    EXPECT_EQ(layout[0].semanticIndex, 0u);
    EXPECT_EQ(layout[0].format, gpu::Format::R32G32B32_Float);
    EXPECT_EQ(layout[0].inputSlot, 0u);
    EXPECT_EQ(layout[0].alignedByteOffset, 0u);
    EXPECT_EQ(layout[0].inputSlotClass, gpu::InputClassification::PerVertexData);
    EXPECT_STREQ(layout[1].semanticName, "TEXCOORD");
    EXPECT_EQ(layout[1].semanticIndex, 0u);
    EXPECT_EQ(layout[1].format, gpu::Format::R32G32_Float);
    EXPECT_EQ(layout[1].alignedByteOffset, 12u);
    // The layout is checked against the vertex shader's own code.
    const std::vector<std::string> vertexShader = gpu.CallsOf("CreateVertexShader");
    ASSERT_EQ(vertexShader.size(), 1u);
    const std::string vsCode = vertexShader[0].substr(19, vertexShader[0].find(')') - 19);
    EXPECT_THAT(gpu.CallsOf("CreateInputLayout"),
                ElementsAre(testing::StartsWith("CreateInputLayout(POSITION@0,TEXCOORD@12;" +
                                                vsCode + ")")));

    ASSERT_EQ(gpu.bufferDescs.size(), 1u);
    EXPECT_EQ(gpu.bufferDescs[0],
              (gpu::BufferDesc{80, gpu::Usage::Dynamic, gpu::kBindConstantBuffer,
                               gpu::kCpuAccessWrite, 0}));
}

TEST_F(DeviceLife, ShaderFileIsLookedForBesideTheProgram) {
    SetModuleDirectoryForTesting("/opt/elsewhere");
    const HRESULT hr = scene.InitGraphics(&window);
    SetModuleDirectoryForTesting("");
    ASSERT_EQ(hr, S_OK);
    EXPECT_THAT(gpu.compiledPaths, ElementsAre("/opt/elsewhere/SelvaneShader.glsl",
                                               "/opt/elsewhere/SelvaneShader.glsl",
                                               "/opt/elsewhere/SelvaneShader.glsl"));
}

TEST_F(DeviceLife, SecondInitialisationWhileTheDeviceExistsDoesNothing) {
    Init();
    EXPECT_EQ(scene.InitGraphics(&window), S_OK);
    EXPECT_TRUE(gpu.calls.empty());
    EXPECT_TRUE(gpu.released.empty());
}

TEST_F(DeviceLife, HardwareFailureAtEveryLevelFallsBackToSoftware) {
    for (int attempt = 1; attempt <= 5; ++attempt) {
        gpu.Fail("CreateDevice", attempt);
    }
    ASSERT_EQ(scene.InitGraphics(&window), S_OK);
    const std::vector<std::string> attempts = gpu.CallsOf("CreateDevice");
    ASSERT_EQ(attempts.size(), 6u);
    EXPECT_EQ(attempts[0], "CreateDevice(hardware,0x20,0xa100,0x20) -> failed");
    EXPECT_EQ(attempts[1], "CreateDevice(hardware,0x20,0xa000,0x20) -> failed");
    EXPECT_EQ(attempts[2], "CreateDevice(hardware,0x20,0x9300,0x20) -> failed");
    EXPECT_EQ(attempts[3], "CreateDevice(hardware,0x20,0x9200,0x20) -> failed");
    EXPECT_EQ(attempts[4], "CreateDevice(hardware,0x20,0x9100,0x20) -> failed");
    EXPECT_THAT(attempts[5], testing::StartsWith("CreateDevice(software,0x20,0xa100,0x20) -> "));
    ExpectAllGraphics(scene);
}

TEST_F(DeviceLife, LowerFeatureLevelIsTakenWhenTheHigherOnesFail) {
    gpu.Fail("CreateDevice", 1);
    gpu.Fail("CreateDevice", 2);
    ASSERT_EQ(scene.InitGraphics(&window), S_OK);
    const std::vector<std::string> attempts = gpu.CallsOf("CreateDevice");
    ASSERT_EQ(attempts.size(), 3u);
    EXPECT_THAT(attempts[2], testing::StartsWith("CreateDevice(hardware,0x20,0x9300,0x20) -> "));
}

TEST_F(DeviceLife, NeitherHardwareNorSoftwareFailsWithTheLastAttemptsCode) {
    gpu.Fail("CreateDevice", 10, E_OUTOFMEMORY);
    gpu.Fail("CreateDevice", 0, E_FAIL);
    EXPECT_EQ(scene.InitGraphics(&window), E_OUTOFMEMORY);
    EXPECT_EQ(gpu.CountOf("CreateDevice"), 10);
    EXPECT_EQ(gpu.CallsOf("CreateDevice").back(),
              "CreateDevice(software,0x20,0x9100,0x20) -> failed");
    EXPECT_EQ(scene.device, nullptr);
    EXPECT_EQ(gpu.CountOf("GetAdapter"), 0);
    // The text factories came first and stay until the graphics are released.
    EXPECT_NE(scene.d2dFactory, nullptr);
    EXPECT_NE(scene.textFormat, nullptr);
    ExpectNoTemporaries(gpu);

    // Without a device nothing counts as initialised: the next call tries again from the start.
    gpu.ClearFailures();
    gpu.ClearLog();
    EXPECT_EQ(scene.InitGraphics(&window), S_OK);
    EXPECT_THAT(gpu.Names(), ElementsAreArray(kInitNames));
    EXPECT_EQ(gpu.Live("TextFactory"), 1);
    EXPECT_EQ(gpu.Live("TextFormat"), 2);
}

TEST_F(DeviceLife, CreateGraphicsDeviceWithoutAPlatformFails) {
    gpu::SetPlatform(nullptr);
    gpu::Ref<gpu::Device> device;
    EXPECT_TRUE(FAILED(CreateGraphicsDevice(&window, gpu::DriverType::Hardware, &device)));
    EXPECT_TRUE(FAILED(scene.InitGraphics(&window)));
    EXPECT_EQ(scene.device, nullptr);
}

// Each step of initialisation, made to fail in turn: the result is that failure, nothing runs
// after it, and no temporary outlives the call.
struct FailingStep {
    friend void PrintTo(const FailingStep& step, std::ostream* out) {
        *out << step.op << " #" << step.occurrence;
    }
    const char* op;
    int occurrence;
};

// Index in kInitNames of the failing call: the occurrence-th call of its operation.
std::size_t PositionOf(const FailingStep& step) {
    int seen = 0;
    for (std::size_t i = 0; i < kInitNames.size(); ++i) {
        if (kInitNames[i] == step.op && ++seen == step.occurrence) {
            return i;
        }
    }
    ADD_FAILURE() << step.op << " #" << step.occurrence << " is no step of initialisation";
    return kInitNames.size();
}

class InitialisationFailure : public FakeSceneTest,
                              public testing::WithParamInterface<FailingStep> {};

TEST_P(InitialisationFailure, StopsAtTheFailingStepAndReleasesTemporaries) {
    const FailingStep step = GetParam();
    constexpr HRESULT kCode = static_cast<HRESULT>(0x887A0005u);
    if (std::string_view(step.op) == "CreateDevice") {
        gpu.Fail(step.op, 0, kCode);
    } else {
        gpu.Fail(step.op, step.occurrence, kCode);
    }
    EXPECT_EQ(scene.InitGraphics(&window), kCode);
    std::vector<std::string> names = gpu.Names();
    if (std::string_view(step.op) == "CreateDevice") {
        // Ten attempts, all failing, and nothing after them.
        EXPECT_EQ(gpu.CountOf("CreateDevice"), 10);
        EXPECT_EQ(names.back(), "CreateDevice");
    } else {
        ASSERT_EQ(names.size(), PositionOf(step) + 1) << gpu.calls.back();
        EXPECT_TRUE(std::equal(names.begin(), names.end(), kInitNames.begin()));
        EXPECT_NE(gpu.calls.back().find("failed"), std::string::npos) << gpu.calls.back();
    }
    ExpectNoTemporaries(gpu);
    EXPECT_EQ(gpu.Live("Texture2D"), (scene.depthTexture ? 1 : 0) + (scene.textTexture ? 1 : 0) +
                                         (scene.rubyTexture ? 1 : 0));

    // Whatever was made stays until the graphics are released, and then goes.
    scene.ReleaseGraphics();
    EXPECT_EQ(gpu.Live(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, InitialisationFailure,
    testing::Values(FailingStep{"CreateTextFactory", 1}, FailingStep{"CreateWriteFactory", 1},
                    FailingStep{"CreateTextFormat", 1}, FailingStep{"SetParagraphAlignment", 1},
                    FailingStep{"CreateTextFormat", 2}, FailingStep{"SetParagraphAlignment", 2},
                    FailingStep{"SetTextAlignment", 1}, FailingStep{"CreateDevice", 0},
                    FailingStep{"GetAdapter", 1}, FailingStep{"GetParent", 1},
                    FailingStep{"CreateSwapChain", 1}, FailingStep{"ResizeBuffers", 1},
                    FailingStep{"CreateTexture2D", 1}, FailingStep{"GetBuffer", 1},
                    FailingStep{"CreateRenderTargetView", 1},
                    FailingStep{"CreateDepthStencilView", 1}, FailingStep{"CreateBlendState", 1},
                    FailingStep{"CreateRasterizerState", 1}, FailingStep{"CreateSamplerState", 1},
                    FailingStep{"CreateTexture2D", 2}, FailingStep{"CreateShaderResourceView", 1},
                    FailingStep{"CreateTexture2D", 3}, FailingStep{"CreateShaderResourceView", 2},
                    FailingStep{"GetSurface", 1}, FailingStep{"CreateDxgiSurfaceRenderTarget", 1},
                    FailingStep{"CreateSolidColorBrush", 1}, FailingStep{"GetSurface", 2},
                    FailingStep{"CreateDxgiSurfaceRenderTarget", 2},
                    FailingStep{"CreateSolidColorBrush", 2}, FailingStep{"CompileFromFile", 1},
                    FailingStep{"CreateVertexShader", 1}, FailingStep{"CreateInputLayout", 1},
                    FailingStep{"CompileFromFile", 2}, FailingStep{"CreatePixelShader", 1},
                    FailingStep{"CompileFromFile", 3}, FailingStep{"CreatePixelShader", 2},
                    FailingStep{"CreateBuffer", 1}),
    [](const testing::TestParamInfo<FailingStep>& info) {
        return std::string(info.param.op) + std::to_string(info.param.occurrence);
    });

TEST_F(DeviceLife, FailureAfterTheDeviceExistsIsNotRetried) {
    gpu.Fail("CompileFromFile", 2);
    EXPECT_TRUE(FAILED(scene.InitGraphics(&window)));
    EXPECT_NE(scene.device, nullptr);
    EXPECT_NE(scene.vertexShader, nullptr);
    EXPECT_NE(scene.inputLayout, nullptr);
    EXPECT_EQ(scene.pixelShader, nullptr);
    EXPECT_EQ(scene.constantBuffer, nullptr);
    gpu.ClearLog();
    EXPECT_EQ(scene.InitGraphics(&window), S_OK);
    EXPECT_TRUE(gpu.calls.empty());
}

TEST_F(DeviceLife, ResizeTo800x600RemakesBuffersViewsViewportAndBlendState) {
    Init();
    gpu::Texture2D* const textTexture = scene.textTexture.get();
    gpu::BlendState* const oldBlend = scene.blendState.get();
    const std::string oldBlendName = fake::NameOf(oldBlend);
    const std::string oldDepth = fake::NameOf(scene.depthTexture.get());
    scene.clientWidth = 800;
    scene.clientHeight = 600;
    ASSERT_EQ(scene.ResizeViews(), S_OK);

    EXPECT_THAT(gpu.Names(), ElementsAre("ResizeBuffers", "CreateTexture2D", "GetBuffer",
                                         "CreateRenderTargetView", "CreateDepthStencilView",
                                         "OMSetRenderTargets", "RSSetViewports", "CreateBlendState",
                                         "OMSetBlendState"));
    EXPECT_THAT(gpu.CallsOf("ResizeBuffers"), ElementsAre("ResizeBuffers(1,800,600,1,0)"));
    ASSERT_EQ(gpu.textureDescs.size(), 4u);
    EXPECT_EQ(gpu.textureDescs[3].width, 800u);
    EXPECT_EQ(gpu.textureDescs[3].height, 600u);
    EXPECT_EQ(gpu.textureDescs[3].format, gpu::Format::D32_Float);
    EXPECT_EQ(gpu.viewports.back(), (gpu::Viewport{0, 0, 800, 600, 0.0f, 1.0f}));
    EXPECT_EQ(scene.viewport, (gpu::Viewport{0, 0, 800, 600, 0.0f, 1.0f}));
    EXPECT_NE(fake::NameOf(scene.blendState.get()), oldBlendName);
    EXPECT_EQ(gpu.Created("BlendState"), 2);
    EXPECT_EQ(gpu.Live("BlendState"), 1);
    EXPECT_EQ(gpu.textureDescs[1].width, 8192u);
    EXPECT_EQ(scene.textTexture.get(), textTexture);

    // The old views and blend state went first, then the old depth texture, and the back
    // buffer reference did not outlive the call.
    ASSERT_GE(gpu.released.size(), 4u);
    EXPECT_EQ(gpu.released[0], oldBlendName);
    EXPECT_THAT(gpu.released[1], testing::StartsWith("DepthStencilView#"));
    EXPECT_THAT(gpu.released[2], testing::StartsWith("RenderTargetView#"));
    EXPECT_EQ(gpu.released[3], oldDepth);
    EXPECT_EQ(gpu.Live("Texture2D"), 3);
    EXPECT_EQ(gpu.Live("RenderTargetView"), 1);
    EXPECT_EQ(gpu.Live("DepthStencilView"), 1);
}

TEST_F(DeviceLife, FailedResizeLeavesWhatItReleasedOrDidNotMakeNull) {
    Init();
    gpu.FailNext("ResizeBuffers", E_OUTOFMEMORY);
    EXPECT_EQ(scene.ResizeViews(), E_OUTOFMEMORY);
    EXPECT_EQ(scene.blendState, nullptr);
    EXPECT_EQ(scene.depthStencilView, nullptr);
    EXPECT_EQ(scene.renderTargetView, nullptr);
    EXPECT_NE(scene.depthTexture, nullptr);
    EXPECT_EQ(gpu.Names(), std::vector<std::string>{"ResizeBuffers"});

    gpu.ClearLog();
    gpu.FailNext("GetBuffer");
    EXPECT_EQ(scene.ResizeViews(), E_FAIL);
    EXPECT_NE(scene.depthTexture, nullptr);
    EXPECT_EQ(scene.renderTargetView, nullptr);
    EXPECT_EQ(gpu.Names().back(), "GetBuffer");

    gpu.ClearLog();
    gpu.FailNext("CreateDepthStencilView");
    EXPECT_EQ(scene.ResizeViews(), E_FAIL);
    EXPECT_NE(scene.renderTargetView, nullptr);
    EXPECT_EQ(scene.depthStencilView, nullptr);
    EXPECT_EQ(gpu.CountOf("OMSetRenderTargets"), 0);
    EXPECT_EQ(gpu.Live("Texture2D"), 3);

    gpu.ClearLog();
    gpu.FailNext("CreateBlendState", E_OUTOFMEMORY);
    EXPECT_EQ(scene.ResizeViews(), E_OUTOFMEMORY);
    EXPECT_NE(scene.renderTargetView, nullptr);
    EXPECT_NE(scene.depthStencilView, nullptr);
    EXPECT_EQ(scene.blendState, nullptr);
    EXPECT_EQ(gpu.CountOf("OMSetBlendState"), 0);
    EXPECT_EQ(gpu.CountOf("RSSetViewports"), 1);
}

TEST_F(DeviceLife, ResizeWithoutADeviceFailsWithoutTouchingAnything) {
    EXPECT_EQ(scene.ResizeViews(), E_FAIL);
    EXPECT_TRUE(gpu.calls.empty());
}

TEST_F(DeviceLife, ReleaseGoesInTheListedOrderAndLeavesEveryFieldNull) {
    Init();
    scene.text = u"release me\tnow";
    scene.backgroundColor = 0x102030;
    scene.fontColor = 0x0000FF;
    scene.Build();
    ASSERT_EQ(scene.segments.size(), 1u);
    const std::string vertexBuffer = fake::NameOf(scene.segments[0].batches[0].buffer.get());
    const std::vector<std::string> expected = {
        vertexBuffer,
        fake::NameOf(scene.depthTexture.get()),
        fake::NameOf(scene.samplerState.get()),
        fake::NameOf(scene.d2dFactory.get()),
        fake::NameOf(scene.writeFactory.get()),
        fake::NameOf(scene.textTexture.get()),
        fake::NameOf(scene.textTextureView.get()),
        fake::NameOf(scene.textTarget.get()),
        fake::NameOf(scene.textBrush.get()),
        fake::NameOf(scene.textFormat.get()),
        fake::NameOf(scene.rubyTexture.get()),
        fake::NameOf(scene.rubyTextureView.get()),
        fake::NameOf(scene.rubyTarget.get()),
        fake::NameOf(scene.rubyBrush.get()),
        fake::NameOf(scene.rubyFormat.get()),
        fake::NameOf(scene.rasterizerState.get()),
        fake::NameOf(scene.constantBuffer.get()),
        fake::NameOf(scene.vertexShader.get()),
        fake::NameOf(scene.pixelShader.get()),
        fake::NameOf(scene.textPixelShader.get()),
        fake::NameOf(scene.inputLayout.get()),
        fake::NameOf(scene.blendState.get()),
        fake::NameOf(scene.depthStencilView.get()),
        fake::NameOf(scene.renderTargetView.get()),
        fake::NameOf(scene.swapChain.get()),
        fake::NameOf(scene.device.get()),
    };
    gpu.released.clear();
    scene.ReleaseGraphics();

    EXPECT_THAT(gpu.released, ElementsAreArray(expected));
    EXPECT_EQ(gpu.Live(), 0);
    EXPECT_TRUE(NoGraphicsSet(scene));
    EXPECT_TRUE(scene.segments.empty());
    EXPECT_TRUE(scene.materials.empty());
    EXPECT_TRUE(scene.pathPoints.empty());
    // Reset has turned the tab into an ideographic space; the text and the colours stay.
    EXPECT_EQ(scene.text, u"release me\u3000now");
    EXPECT_EQ(scene.backgroundColor, 0x102030u);
    EXPECT_EQ(scene.fontColor, 0x0000FFu);
    EXPECT_EQ(scene.window, &window);
    EXPECT_EQ(scene.clientWidth, 640u);

    // A later initialisation builds everything again.
    gpu.ClearLog();
    EXPECT_EQ(scene.InitGraphics(&window), S_OK);
    EXPECT_THAT(gpu.Names(), ElementsAreArray(kInitNames));
    ExpectAllGraphics(scene);
}

}  // namespace
