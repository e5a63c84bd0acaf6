#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/ModuleDirectory.h"
#include "render/gl/Graphics.h"
#include "render/gl/LiveObjects.h"
#include "render/platform/RealPlatform.h"
#include "scene/Scene.h"
#include "tests/render/support/OffscreenSurface.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;
constexpr std::uint32_t kGrey = 0xFF808080u;

// A page texture's worth of texels (0xAARRGGBB words, B8G8R8A8 in memory), from a function of
// the texel's position.
template <class Texel>
std::vector<std::uint32_t> Page(Texel&& texel) {
    std::vector<std::uint32_t> pixels(8192 * 128);
    for (std::uint32_t y = 0; y < 128; ++y) {
        for (std::uint32_t x = 0; x < 8192; ++x) {
            pixels[y * 8192 + x] = texel(x, y);
        }
    }
    return pixels;
}

// Draws with the scene's own pipeline (its shaders, states and text texture) but geometry and
// constants of the test's choosing: positions are clip coordinates (the matrix is the identity).
class GlPipeline : public testing::Test {
  protected:
    GlPipeline() {
        InstallRealPlatform();
        SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
        EXPECT_EQ(scene.InitGraphics(&surface), S_OK);
        EXPECT_EQ(scene.textTexture->GetSurface(&page), S_OK);
    }
    ~GlPipeline() override {
        page.reset();
        buffers.clear();
        scene.ReleaseGraphics();
        SetModuleDirectoryForTesting("");
        gpu::SetPlatform(nullptr);
    }

    void Clear(std::uint32_t rgb) {
        const float rgba[4] = {static_cast<float>(rgb >> 16 & 0xFF) / 255.0f,
                               static_cast<float>(rgb >> 8 & 0xFF) / 255.0f,
                               static_cast<float>(rgb & 0xFF) / 255.0f, 1.0f};
        scene.device->ClearRenderTargetView(scene.renderTargetView.get(), rgba);
        scene.device->ClearDepthStencilView(scene.depthStencilView.get(), gpu::kClearDepth, 1.0f,
                                            0);
    }

    // A rectangle from (x0, y0) to (x1, y1) in clip coordinates at depth z, its texture
    // coordinates running from (0, 0) at the top left to (1, 1) at the bottom right, drawn with
    // the page texture holding `texels`.
    // With a key, the texels go in as the image that key names.
    void DrawQuad(float x0, float y0, float x1, float y1, float z,
                  const std::vector<std::uint32_t>& texels, std::uint64_t key = 0) {
        const Vertex v[6] = {
            {{x0, y1, z}, 0.0f, 0.0f}, {{x1, y1, z}, 1.0f, 0.0f}, {{x1, y0, z}, 1.0f, 1.0f},
            {{x1, y0, z}, 1.0f, 1.0f}, {{x0, y0, z}, 0.0f, 1.0f}, {{x0, y1, z}, 0.0f, 0.0f},
        };
        gpu::BufferDesc desc{sizeof v, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0};
        gpu::SubresourceData data{v, 0, 0};
        gpu::Ref<gpu::Buffer>& buffer = buffers.emplace_back();
        ASSERT_EQ(scene.device->CreateBuffer(desc, &data, &buffer), S_OK);

        void* constants = nullptr;
        ASSERT_EQ(scene.constantBuffer->Map(gpu::MapType::WriteDiscard, 0, &constants), S_OK);
        const Matrix identity = Matrix::Identity();
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        std::memcpy(constants, identity.m, 64);
        std::memcpy(static_cast<char*>(constants) + 64, white, 16);
        scene.constantBuffer->Unmap();

        gpu::Device& d = *scene.device;
        d.VSSetShader(scene.vertexShader.get());
        d.IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
        gpu::Buffer* const cbs[] = {scene.constantBuffer.get()};
        d.VSSetConstantBuffers(0, 1, cbs);
        d.PSSetConstantBuffers(0, 1, cbs);
        d.IASetInputLayout(scene.inputLayout.get());
        gpu::Buffer* const vbs[] = {buffer.get()};
        const std::uint32_t stride = sizeof(Vertex);
        const std::uint32_t offset = 0;
        d.IASetVertexBuffers(0, 1, vbs, &stride, &offset);
        d.PSSetShader(scene.textPixelShader.get());
        gpu::SamplerState* const samplers[] = {scene.samplerState.get()};
        d.PSSetSamplers(0, 1, samplers);
        ASSERT_EQ(key != 0 ? page->WriteKeyedPixels(texels.data(), 8192 * 4, key)
                           : page->WritePixels(texels.data(), 8192 * 4),
                  S_OK);
        gpu::ShaderResourceView* const views[] = {scene.textTextureView.get()};
        d.PSSetShaderResources(0, 1, views);
        d.Draw(6, 0);
    }

    gpu::Picture Present() {
        EXPECT_EQ(scene.swapChain->Present(0, 0), S_OK);
        gpu::Picture picture;
        EXPECT_EQ(scene.swapChain->ReadPresented(&picture), S_OK);
        return picture;
    }

    static std::uint32_t At(const gpu::Picture& picture, std::uint32_t x, std::uint32_t y) {
        std::uint32_t texel = 0;
        std::memcpy(&texel, picture.pixels.data() + 4 * (std::size_t{y} * picture.width + x), 4);
        return texel | 0xFF000000u;
    }

    OffscreenSurface surface;
    Scene scene;
    gpu::Ref<gpu::Surface> page;
    std::vector<gpu::Ref<gpu::Buffer>> buffers;
};

TEST_F(GlPipeline, TextureShowsUprightAndUnmirrored) {
    Clear(0x000000);
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, Page([](std::uint32_t x, std::uint32_t y) {
        return y < 64 ? (x < 4096 ? kRed : kGreen) : (x < 4096 ? kBlue : kGrey);
    }));
    const gpu::Picture picture = Present();
    // Texture row 0 is the top of the picture, column 0 its left.
    EXPECT_EQ(At(picture, 100, 100), kRed);
    EXPECT_EQ(At(picture, 540, 100), kGreen);
    EXPECT_EQ(At(picture, 100, 380), kBlue);
    EXPECT_EQ(At(picture, 540, 380), kGrey);
}

TEST_F(GlPipeline, ClearTexelsNeitherShowNorHideWhatIsBehind) {
    Clear(0xFFFFFF);
    // In front, a card whose left half carries nothing (alpha 0): it must not write depth there.
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.2f,
             Page([](std::uint32_t x, std::uint32_t) { return x < 4096 ? 0x00FFFFFFu : kGreen; }));
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f,
             Page([](std::uint32_t, std::uint32_t) { return kRed; }));
    // Behind both: hidden everywhere by the depth test.
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.8f,
             Page([](std::uint32_t, std::uint32_t) { return kBlue; }));
    const gpu::Picture picture = Present();
    EXPECT_EQ(At(picture, 100, 240), kRed);
    EXPECT_EQ(At(picture, 540, 240), kGreen);
}

TEST_F(GlPipeline, TexelAlphaBlendsOverTheBackground) {
    Clear(0xFFFFFF);
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f,
             Page([](std::uint32_t, std::uint32_t) { return 0x80000000u; }));
    const gpu::Picture picture = Present();
    const std::uint32_t texel = At(picture, 320, 240);
    // Half of black over white, within rounding.
    for (int shift : {0, 8, 16}) {
        EXPECT_NEAR(static_cast<int>(texel >> shift & 0xFF), 127, 2) << shift;
    }
}

TEST_F(GlPipeline, DepthRunsFromZeroAtTheNearPlaneToOne) {
    Clear(0x000000);
    const auto red = Page([](std::uint32_t, std::uint32_t) { return kRed; });
    const auto green = Page([](std::uint32_t, std::uint32_t) { return kGreen; });
    // Left: at depth 0, on the near plane, drawn. Right: just in front of it, clipped away.
    DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f, 0.0f, red);
    DrawQuad(0.0f, -1.0f, 1.0f, 1.0f, -0.1f, green);
    const gpu::Picture picture = Present();
    EXPECT_EQ(At(picture, 100, 240), kRed);
    EXPECT_EQ(At(picture, 540, 240), 0xFF000000u);
}

TEST_F(GlPipeline, KeptImagesShowWithoutBeingWrittenAgainEachDrawItsOwn) {
    const auto solid = [](std::uint32_t colour) {
        return Page([colour](std::uint32_t, std::uint32_t) { return colour; });
    };
    const auto red = solid(kRed);
    const auto green = solid(kGreen);
    const auto blue = solid(kBlue);
    const std::int64_t textures = gl::LiveObjects::Count(gl::ObjectKind::Texture);
    // Left half red under key 1, right half green under key 2: both in one frame.
    Clear(0x000000);
    DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f, 0.5f, red, 1);
    DrawQuad(0.0f, -1.0f, 1.0f, 1.0f, 0.5f, green, 2);
    gpu::Picture picture = Present();
    EXPECT_EQ(At(picture, 100, 240), kRed);
    EXPECT_EQ(At(picture, 540, 240), kGreen);
    // The same keys with other texels: the kept images show, in the order asked for.
    Clear(0x000000);
    DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f, 0.5f, blue, 2);
    DrawQuad(0.0f, -1.0f, 1.0f, 1.0f, 0.5f, blue, 1);
    picture = Present();
    EXPECT_EQ(At(picture, 100, 240), kGreen);
    EXPECT_EQ(At(picture, 540, 240), kRed);
    // A write without a key replaces what the texture holds now (key 1's image): key 1 then
    // names nothing kept and is written anew; key 2 is still kept.
    Clear(0x000000);
    DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f, 0.5f, blue);
    DrawQuad(0.0f, -1.0f, 1.0f, 1.0f, 0.5f, solid(kGrey), 1);
    picture = Present();
    EXPECT_EQ(At(picture, 100, 240), kBlue);
    EXPECT_EQ(At(picture, 540, 240), kGrey);
    Clear(0x000000);
    DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f, 0.5f, red, 2);
    picture = Present();
    EXPECT_EQ(At(picture, 100, 240), kGreen);
    EXPECT_EQ(gl::LiveObjects::Count(gl::ObjectKind::Texture), textures + 1);
}

TEST_F(GlPipeline, OnlyTheLastEightImagesAreKeptAndTheirTexturesGoWithTheScene) {
    const std::int64_t textures = gl::LiveObjects::Count(gl::ObjectKind::Texture);
    const auto shade = [](std::uint32_t i) {
        return Page([i](std::uint32_t, std::uint32_t) { return 0xFF000000u | (i * 0x10u) << 8; });
    };
    const auto other = Page([](std::uint32_t, std::uint32_t) { return kRed; });
    // Keys 1 to 10 written in turn: 3 to 10 are the last eight, 1 and 2 are gone.
    for (std::uint32_t key = 1; key <= 10; ++key) {
        Clear(0x000000);
        DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, shade(key), key);
        EXPECT_EQ(At(Present(), 320, 240), 0xFF000000u | (key * 0x10u) << 8) << key;
    }
    EXPECT_EQ(gl::LiveObjects::Count(gl::ObjectKind::Texture), textures + 7);
    for (std::uint32_t key : {3u, 10u, 6u}) {
        Clear(0x000000);
        DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, other, key);
        EXPECT_EQ(At(Present(), 320, 240), 0xFF000000u | (key * 0x10u) << 8) << key;
    }
    // Key 1 went first: written anew, into the texture asked for least recently (key 4's).
    for (std::uint32_t key : {1u, 4u}) {
        Clear(0x000000);
        DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, other, key);
        EXPECT_EQ(At(Present(), 320, 240), kRed) << key;
    }
    EXPECT_EQ(gl::LiveObjects::Count(gl::ObjectKind::Texture), textures + 7);
    // A write that the texture refuses leaves the kept images as they were.
    const std::vector<std::uint32_t> row(64);
    EXPECT_EQ(page->WriteKeyedPixels(row.data(), 64 * 4, 11), E_INVALIDARG);
    EXPECT_EQ(page->WriteKeyedPixels(nullptr, 8192 * 4, 3), E_INVALIDARG);
    Clear(0x000000);
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, other, 3);
    EXPECT_EQ(At(Present(), 320, 240), 0xFF003000u);

    page.reset();
    buffers.clear();
    scene.ReleaseGraphics();
    EXPECT_EQ(gl::LiveObjects::Count(gl::ObjectKind::Texture), 0);
}

TEST_F(GlPipeline, OnlyAPresentedPictureCanBeRead) {
    gpu::Picture picture;
    EXPECT_EQ(scene.swapChain->ReadPresented(&picture), E_FAIL);
    Clear(0x123456);
    EXPECT_EQ(scene.swapChain->ReadPresented(&picture), E_FAIL);
    picture = Present();
    EXPECT_EQ(At(picture, 0, 0), 0xFF123456u);
    // Drawing into the back buffer again makes it something nobody has seen yet.
    Clear(0x654321);
    EXPECT_EQ(scene.swapChain->ReadPresented(&picture), E_FAIL);
    // Present with the test flag shows nothing.
    EXPECT_EQ(scene.swapChain->Present(0, 1), S_OK);
    EXPECT_EQ(scene.swapChain->ReadPresented(&picture), E_FAIL);
    EXPECT_EQ(scene.swapChain->Present(5, 0), E_INVALIDARG);
}

TEST_F(GlPipeline, AFrameReaderHandsOverThePresentedFramesInTurn) {
    gpu::Ref<gpu::FrameReader> reader;
    ASSERT_EQ(scene.swapChain->CreateFrameReader(2, &reader), S_OK);
    EXPECT_EQ(reader->Queue(), E_FAIL) << "nothing presented yet";
    // Red over blue, then all green.
    Clear(0x0000FF);
    DrawQuad(-1.0f, 0.0f, 1.0f, 1.0f, 0.5f,
             Page([](std::uint32_t, std::uint32_t) { return kRed; }));
    const gpu::Picture first = Present();
    ASSERT_EQ(At(first, 0, 0), kRed);
    ASSERT_EQ(At(first, 0, first.height - 1), kBlue);
    EXPECT_EQ(reader->Queue(), S_OK);
    Clear(0x00FF00);
    EXPECT_EQ(reader->Queue(), E_FAIL) << "drawn into since the last Present";
    Present();
    EXPECT_EQ(reader->Queue(), S_OK);
    EXPECT_EQ(reader->Queue(), E_FAIL) << "both buffers hold a copy";
    EXPECT_EQ(reader->Queued(), 2u);

    // The rows as the back buffer holds them: bottom first, R, G, B, A.
    gpu::Picture taken;
    ASSERT_EQ(reader->Take(&taken), S_OK);
    ASSERT_EQ(taken.width, first.width);
    ASSERT_EQ(taken.height, first.height);
    EXPECT_EQ(taken.layout, gpu::Picture::Layout::Rgba);
    EXPECT_TRUE(taken.bottomUp);
    std::size_t different = 0;
    for (std::uint32_t y = 0; y < first.height; ++y) {
        for (std::uint32_t x = 0; x < first.width; ++x) {
            const std::uint8_t* bgra = &first.pixels[(std::size_t{y} * first.width + x) * 4];
            const std::uint8_t* rgba =
                &taken.pixels[(std::size_t{first.height - 1 - y} * first.width + x) * 4];
            different += bgra[0] != rgba[2] || bgra[1] != rgba[1] || bgra[2] != rgba[0] ? 1 : 0;
        }
    }
    EXPECT_EQ(different, 0u);
    ASSERT_EQ(reader->Take(&taken), S_OK);
    EXPECT_EQ(taken.pixels[1], 0xFF);
    EXPECT_EQ(taken.pixels[0], 0x00);
    EXPECT_EQ(reader->Take(&taken), E_FAIL);
    EXPECT_EQ(scene.swapChain->CreateFrameReader(0, &reader), E_INVALIDARG);
}

TEST_F(GlPipeline, PresentStretchesOverASurfaceOfAnotherSize) {
    surface.SetTargetSize(QSize(320, 200));
    Clear(0x00FF00);
    Present();
    const QImage target = surface.ReadTarget();
    ASSERT_EQ(target.size(), QSize(320, 200));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(target.pixelColor(319, 199), QColor(0, 255, 0));
}

TEST_F(GlPipeline, CreationRefusesWhatTheDeviceCannotDo) {
    gpu::Device& d = *scene.device;
    gpu::Ref<gpu::Buffer> buffer;
    EXPECT_EQ(
        d.CreateBuffer({72, gpu::Usage::Dynamic, gpu::kBindConstantBuffer, gpu::kCpuAccessWrite, 0},
                       nullptr, &buffer),
        E_INVALIDARG);
    EXPECT_EQ(
        d.CreateBuffer({0, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0}, nullptr, &buffer),
        E_INVALIDARG);
    EXPECT_EQ(
        d.CreateBuffer({16, gpu::Usage::Immutable, gpu::kBindVertexBuffer, 0, 0}, nullptr, &buffer),
        E_INVALIDARG);
    ASSERT_EQ(
        d.CreateBuffer({64, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0}, nullptr, &buffer),
        S_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Map(gpu::MapType::WriteDiscard, 0, &data), E_INVALIDARG);
    EXPECT_EQ(scene.constantBuffer->Map(gpu::MapType::Read, 0, &data), E_INVALIDARG);
    ASSERT_EQ(scene.constantBuffer->Map(gpu::MapType::WriteDiscard, 0, &data), S_OK);
    EXPECT_EQ(scene.constantBuffer->Map(gpu::MapType::WriteDiscard, 0, &data), E_INVALIDARG);
    scene.constantBuffer->Unmap();

    gpu::Texture2DDesc desc = scene.depthTexture->GetDesc();
    gpu::Ref<gpu::RenderTargetView> view;
    EXPECT_EQ(d.CreateRenderTargetView(scene.depthTexture.get(), nullptr, &view), E_INVALIDARG);
    gpu::Ref<gpu::Surface> depthSurface;
    EXPECT_EQ(scene.depthTexture->GetSurface(&depthSurface), E_INVALIDARG);
    desc.bindFlags = gpu::kBindShaderResource;
    gpu::Ref<gpu::Texture2D> texture;
    EXPECT_EQ(d.CreateTexture2D(desc, nullptr, &texture), E_INVALIDARG);
    desc = scene.textTexture->GetDesc();
    desc.width = 1u << 20;
    EXPECT_EQ(d.CreateTexture2D(desc, nullptr, &texture), E_INVALIDARG);

    // A write must bring whole rows of the texture.
    const std::vector<std::uint8_t> row(64 * 4 * 128);
    EXPECT_EQ(page->WritePixels(row.data(), 64 * 4), E_INVALIDARG);
    EXPECT_EQ(page->WritePixels(nullptr, 8192 * 4), E_INVALIDARG);
}

TEST_F(GlPipeline, InputLayoutMatchesSemanticsWithoutCaseAndAllowsExtraElements) {
    gpu::Platform& platform = *gpu::GetPlatform();
    gpu::Ref<gpu::Blob> code;
    ASSERT_EQ(platform.CompileFromFile(std::string(SELVANE_PROGRAM_DIR) + "/SelvaneShader.glsl",
                                       nullptr, "VS", "vs_4_1", 0, 0, &code),
              S_OK);
    const gpu::InputElementDesc lower[] = {
        {"position", 0, gpu::Format::R32G32B32_Float, 0, 0, gpu::InputClassification::PerVertexData,
         0},
        {"texcoord", 0, gpu::Format::R32G32_Float, 0, 12, gpu::InputClassification::PerVertexData,
         0},
        {"NORMAL", 0, gpu::Format::R32G32B32_Float, 0, 0xFFFFFFFFu,
         gpu::InputClassification::PerVertexData, 0},
    };
    gpu::Ref<gpu::InputLayout> layout;
    EXPECT_EQ(scene.device->CreateInputLayout(lower, 3, *code, &layout), S_OK);
    // Without TEXCOORD, or with it one float too short, the shader is not fed.
    EXPECT_EQ(scene.device->CreateInputLayout(lower, 1, *code, &layout), E_INVALIDARG);
    const gpu::InputElementDesc shortCoord[] = {
        lower[0],
        {"TEXCOORD", 0, gpu::Format::R32G32B32_Float, 0, 12,
         gpu::InputClassification::PerVertexData, 0},
    };
    EXPECT_EQ(scene.device->CreateInputLayout(shortCoord, 2, *code, &layout), E_INVALIDARG);
    // The index is part of the name: TEXCOORD1 is another input.
    const gpu::InputElementDesc indexed[] = {
        lower[0],
        {"TEXCOORD", 1, gpu::Format::R32G32_Float, 0, 12, gpu::InputClassification::PerVertexData,
         0},
    };
    EXPECT_EQ(scene.device->CreateInputLayout(indexed, 2, *code, &layout), E_INVALIDARG);
    // Pixel shader code is no vertex shader.
    ASSERT_EQ(platform.CompileFromFile(std::string(SELVANE_PROGRAM_DIR) + "/SelvaneShader.glsl",
                                       nullptr, "PS", "ps_4_1", 0, 0, &code),
              S_OK);
    EXPECT_EQ(scene.device->CreateInputLayout(lower, 2, *code, &layout), E_INVALIDARG);
    gpu::Ref<gpu::VertexShader> vertexShader;
    EXPECT_EQ(scene.device->CreateVertexShader(*code, &vertexShader), E_INVALIDARG);
}

TEST(GlGraphics, CompilingNeedsALiveDeviceAndAKnownProfile) {
    gl::Graphics graphics;
    const std::string file = std::string(SELVANE_PROGRAM_DIR) + "/SelvaneShader.glsl";
    gpu::Ref<gpu::Blob> code;
    EXPECT_EQ(graphics.CompileFromFile(file, nullptr, "VS", "vs_4_1", 0, 0, &code), E_FAIL);

    OffscreenSurface surface;
    gpu::Ref<gpu::Device> device;
    ASSERT_EQ(
        graphics.CreateDevice(&surface, gpu::DriverType::Software, gpu::kCreateDeviceBgraSupport,
                              gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &device),
        S_OK);
    EXPECT_EQ(graphics.CompileFromFile(file, nullptr, "VS", "gs_4_1", 0, 0, &code), E_INVALIDARG);
    EXPECT_EQ(graphics.CompileFromFile(file, nullptr, "V S", "vs_4_1", 0, 0, &code), E_INVALIDARG);
    EXPECT_EQ(graphics.CompileFromFile(file + ".missing", nullptr, "VS", "vs_4_1", 0, 0, &code),
              E_FAIL);
    // An entry point the file has no section for compiles to nothing with a main.
    EXPECT_EQ(graphics.CompileFromFile(file, nullptr, "GS", "ps_4_1", 0, 0, &code), E_FAIL);
    ASSERT_EQ(graphics.CompileFromFile(file, nullptr, "PS_TEX", "ps_4_1", 0, 0, &code), S_OK);
    EXPECT_GT(code->GetBufferSize(), 0u);

    device.reset();
    EXPECT_EQ(graphics.CompileFromFile(file, nullptr, "VS", "vs_4_1", 0, 0, &code), E_FAIL);
}

TEST(GlGraphics, MacrosReachTheCompiler) {
    const fs::path dir =
        fs::temp_directory_path() / ("selvane-macro-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "Macro.glsl";
    std::ofstream(file) << "#version 330 core\n"
                           "out vec4 color;\n"
                           "void main() { color = vec4(SHADE); }\n";
    gl::Graphics graphics;
    OffscreenSurface surface;
    gpu::Ref<gpu::Device> device;
    ASSERT_EQ(graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_9_1, gpu::kSdkVersion, &device),
              S_OK);
    gpu::Ref<gpu::Blob> code;
    EXPECT_EQ(graphics.CompileFromFile(file.string(), nullptr, "PS", "ps_4_1", 0, 0, &code),
              E_FAIL);
    const gpu::ShaderMacro macros[] = {{"SHADE", "0.5"}, {nullptr, nullptr}};
    EXPECT_EQ(graphics.CompileFromFile(file.string(), macros, "PS", "ps_4_1", 0, 0, &code), S_OK);
    fs::remove_all(dir);
}

TEST(GlGraphics, OnlyARegularFileIsCompiled) {
    const fs::path dir =
        fs::temp_directory_path() / ("selvane-special-" + std::to_string(::getpid()));
    fs::create_directories(dir / "Directory.glsl");
    const fs::path fifo = dir / "Fifo.glsl";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    gl::Graphics graphics;
    OffscreenSurface surface;
    gpu::Ref<gpu::Device> device;
    ASSERT_EQ(graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_9_1, gpu::kSdkVersion, &device),
              S_OK);
    gpu::Ref<gpu::Blob> code;
    // A FIFO would keep the open waiting for a writer: it is refused at once instead.
    EXPECT_EQ(graphics.CompileFromFile(fifo.string(), nullptr, "VS", "vs_4_1", 0, 0, &code),
              E_FAIL);
    EXPECT_EQ(graphics.CompileFromFile((dir / "Directory.glsl").string(), nullptr, "VS", "vs_4_1",
                                       0, 0, &code),
              E_FAIL);
    EXPECT_EQ(code, nullptr);
    fs::remove_all(dir);
}

TEST(GlGraphics, DeviceCreationChecksItsArguments) {
    gl::Graphics graphics;
    OffscreenSurface surface;
    gpu::Window notASurface;
    gpu::Ref<gpu::Device> device;
    EXPECT_EQ(graphics.CreateDevice(&notASurface, gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &device),
              E_INVALIDARG);
    EXPECT_EQ(graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_10_1, 7, &device),
              E_INVALIDARG);
    EXPECT_EQ(
        graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                              static_cast<gpu::FeatureLevel>(0xb000), gpu::kSdkVersion, &device),
        E_INVALIDARG);
    EXPECT_EQ(device, nullptr);
}

TEST(GlGraphics, ANewDeviceOnTheSurfaceLeavesTheOldOneLost) {
    gl::Graphics graphics;
    OffscreenSurface surface;
    gpu::Ref<gpu::Device> first;
    ASSERT_EQ(graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &first),
              S_OK);
    gpu::Ref<gpu::Buffer> old;
    const gpu::BufferDesc desc{16, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0};
    ASSERT_EQ(first->CreateBuffer(desc, nullptr, &old), S_OK);

    gpu::Ref<gpu::Device> second;
    ASSERT_EQ(graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &second),
              S_OK);
    gpu::Ref<gpu::Buffer> buffer;
    EXPECT_EQ(first->CreateBuffer(desc, nullptr, &buffer), E_FAIL);
    EXPECT_EQ(second->CreateBuffer(desc, nullptr, &buffer), S_OK);
    // The old device's objects go without touching the new context.
    first.reset();
    old.reset();
    EXPECT_EQ(second->CreateBuffer(desc, nullptr, &buffer), S_OK);
}

TEST(GlGraphics, ObjectsOutlivingTheirSurfaceAreReleasedWithoutTouchingIt) {
    gl::Graphics graphics;
    auto surface = std::make_unique<OffscreenSurface>();
    gpu::Ref<gpu::Device> device;
    ASSERT_EQ(graphics.CreateDevice(surface.get(), gpu::DriverType::Software, 0,
                                    gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &device),
              S_OK);
    gpu::Ref<gpu::Buffer> buffer;
    const gpu::BufferDesc desc{16, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0};
    ASSERT_EQ(device->CreateBuffer(desc, nullptr, &buffer), S_OK);
    surface.reset();
    EXPECT_EQ(device->CreateBuffer(desc, nullptr, &buffer), E_FAIL);
    device->Draw(3, 0);
    device.reset();
    buffer.reset();
}

}  // namespace
