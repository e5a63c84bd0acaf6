#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "base/ModuleDirectory.h"
#include "render/gl/Graphics.h"
#include "render/gl/LiveObjects.h"
#include "render/gl/TextureStorage.h"
#include "render/platform/RealPlatform.h"
#include "scene/Scene.h"
#include "tests/render/support/OffscreenSurface.h"
#include "tests/render/support/SampleText.h"
#include "tests/support/ScopedRandom.h"

namespace {

using gl::LiveObjects;
using gl::ObjectKind;

constexpr std::array kAllKinds = {
    ObjectKind::Buffer,  ObjectKind::Texture,     ObjectKind::Sampler,     ObjectKind::Shader,
    ObjectKind::Program, ObjectKind::VertexArray, ObjectKind::Framebuffer,
};

// The live count of every kind, so that a test can compare against where it started: other
// tests of the same process may have left objects of their own.
struct Counts {
    std::array<std::int64_t, LiveObjects::kKinds> of = {};

    static Counts Now() {
        Counts counts;
        for (const ObjectKind kind : kAllKinds) {
            counts.of[static_cast<std::size_t>(kind)] = LiveObjects::Count(kind);
        }
        return counts;
    }
    std::int64_t operator[](ObjectKind kind) const { return of[static_cast<std::size_t>(kind)]; }
    bool operator==(const Counts&) const = default;
};

void PrintTo(const Counts& counts, std::ostream* out) {
    for (const ObjectKind kind : kAllKinds) {
        *out << LiveObjects::NameOf(kind) << "=" << counts[kind] << " ";
    }
}

// What changed between two counts, as (kind, difference) for every kind.
std::array<std::int64_t, LiveObjects::kKinds> Change(const Counts& before, const Counts& after) {
    std::array<std::int64_t, LiveObjects::kKinds> change = {};
    for (std::size_t i = 0; i < change.size(); ++i) {
        change[i] = after.of[i] - before.of[i];
    }
    return change;
}

const std::string kShader = std::string(SELVANE_PROGRAM_DIR) + "/SelvaneShader.glsl";

class GlLiveObjects : public testing::Test {
  protected:
    gpu::Ref<gpu::Device> MakeDevice(gl::Surface& surface) {
        gpu::Ref<gpu::Device> device;
        EXPECT_EQ(graphics.CreateDevice(&surface, gpu::DriverType::Software, 0,
                                        gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &device),
                  S_OK);
        return device;
    }

    gl::Graphics graphics;
};

TEST(GlLiveObjectsCount, NameZeroCountsForNothingAndTheTotalSumsTheKinds) {
    const Counts before = Counts::Now();
    const std::int64_t total = LiveObjects::Total();
    LiveObjects::Held(ObjectKind::Sampler, 0);
    LiveObjects::Released(ObjectKind::Buffer, 0);
    EXPECT_EQ(Counts::Now(), before);
    LiveObjects::Held(ObjectKind::Sampler, 7);
    LiveObjects::Held(ObjectKind::Shader, 8);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Sampler), before[ObjectKind::Sampler] + 1);
    EXPECT_EQ(LiveObjects::Total(), total + 2);
    LiveObjects::Released(ObjectKind::Sampler, 7);
    LiveObjects::Released(ObjectKind::Shader, 8);
    EXPECT_EQ(Counts::Now(), before);
    EXPECT_STREQ(LiveObjects::NameOf(ObjectKind::VertexArray), "vertex arrays");
}

TEST_F(GlLiveObjects, EveryObjectCountsFromItsCreationToItsRelease) {
    const Counts start = Counts::Now();
    OffscreenSurface surface;
    gpu::Ref<gpu::Device> device = MakeDevice(surface);
    ASSERT_NE(device, nullptr);
    // The device's own: its vertex array and its draw and read framebuffers.
    Counts expected = start;
    expected.of[static_cast<std::size_t>(ObjectKind::VertexArray)] += 1;
    expected.of[static_cast<std::size_t>(ObjectKind::Framebuffer)] += 2;
    EXPECT_EQ(Counts::Now(), expected);

    gpu::Ref<gpu::Buffer> buffer;
    const gpu::BufferDesc bufferDesc{16, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0};
    ASSERT_EQ(device->CreateBuffer(bufferDesc, nullptr, &buffer), S_OK);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Buffer), expected[ObjectKind::Buffer] + 1);
    buffer.reset();
    EXPECT_EQ(Counts::Now(), expected);

    // A view shares its texture: the texture is one object until both are gone.
    gpu::Texture2DDesc textureDesc;
    textureDesc.width = 64;
    textureDesc.height = 32;
    textureDesc.mipLevels = 1;
    textureDesc.arraySize = 1;
    textureDesc.format = gpu::Format::B8G8R8A8_UNorm;
    textureDesc.sampleDesc = {1, 0};
    textureDesc.usage = gpu::Usage::Default;
    textureDesc.bindFlags = gpu::kBindShaderResource;
    gpu::Ref<gpu::Texture2D> texture;
    ASSERT_EQ(device->CreateTexture2D(textureDesc, nullptr, &texture), S_OK);
    gpu::Ref<gpu::ShaderResourceView> view;
    ASSERT_EQ(device->CreateShaderResourceView(texture.get(), nullptr, &view), S_OK);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Texture), expected[ObjectKind::Texture] + 1);
    texture.reset();
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Texture), expected[ObjectKind::Texture] + 1);
    view.reset();
    EXPECT_EQ(Counts::Now(), expected);

    gpu::Ref<gpu::SamplerState> sampler;
    ASSERT_EQ(device->CreateSamplerState(gpu::SamplerDesc{}, &sampler), S_OK);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Sampler), expected[ObjectKind::Sampler] + 1);
    sampler.reset();
    EXPECT_EQ(Counts::Now(), expected);

    // Compiled code is a shader and the program that checks it alone.
    gpu::Ref<gpu::Blob> code;
    ASSERT_EQ(graphics.CompileFromFile(kShader, nullptr, "VS", "vs_4_1", 0, 0, &code), S_OK);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Shader), expected[ObjectKind::Shader] + 1);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Program), expected[ObjectKind::Program] + 1);
    code.reset();
    EXPECT_EQ(Counts::Now(), expected);

    device.reset();
    EXPECT_EQ(Counts::Now(), start);
}

TEST_F(GlLiveObjects, FailedCreationsLeaveNothingCounted) {
    const Counts start = Counts::Now();
    {
        OffscreenSurface surface;
        gpu::Ref<gpu::Device> device = MakeDevice(surface);
        ASSERT_NE(device, nullptr);
        const Counts withDevice = Counts::Now();
        gpu::Ref<gpu::Blob> code;
        // No section for this entry point: the shader compiles, the program alone does not link.
        EXPECT_EQ(graphics.CompileFromFile(kShader, nullptr, "GS", "ps_4_1", 0, 0, &code), E_FAIL);
        // A compile error.
        const gpu::ShaderMacro broken[] = {{"vec4", "}"}, {nullptr, nullptr}};
        EXPECT_EQ(graphics.CompileFromFile(kShader, broken, "VS", "vs_4_1", 0, 0, &code), E_FAIL);
        EXPECT_EQ(Counts::Now(), withDevice);

        gpu::Ref<gpu::Texture2D> texture;
        gpu::Texture2DDesc tooLarge;
        tooLarge.width = 1u << 30;
        tooLarge.height = 1;
        tooLarge.mipLevels = 1;
        tooLarge.arraySize = 1;
        tooLarge.format = gpu::Format::B8G8R8A8_UNorm;
        tooLarge.sampleDesc = {1, 0};
        tooLarge.bindFlags = gpu::kBindShaderResource;
        EXPECT_EQ(device->CreateTexture2D(tooLarge, nullptr, &texture), E_INVALIDARG);
        EXPECT_EQ(Counts::Now(), withDevice);
    }
    // Without a context at all nothing is made.
    OffscreenSurface refusing;
    refusing.refused = {gl::ContextKind::Hardware, gl::ContextKind::Software};
    gpu::Ref<gpu::Device> none;
    EXPECT_TRUE(
        FAILED(graphics.CreateDevice(&refusing, gpu::DriverType::Software, 0,
                                     gpu::FeatureLevel::Level_10_1, gpu::kSdkVersion, &none)));
    EXPECT_EQ(Counts::Now(), start);
}

TEST_F(GlLiveObjects, ObjectsGoneWithTheirContextAreNoLongerCounted) {
    const Counts start = Counts::Now();
    auto surface = std::make_unique<OffscreenSurface>();
    gpu::Ref<gpu::Device> device = MakeDevice(*surface);
    ASSERT_NE(device, nullptr);
    gpu::Ref<gpu::Buffer> buffer;
    const gpu::BufferDesc desc{16, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0};
    ASSERT_EQ(device->CreateBuffer(desc, nullptr, &buffer), S_OK);
    gpu::Ref<gpu::Blob> code;
    ASSERT_EQ(graphics.CompileFromFile(kShader, nullptr, "PS", "ps_4_1", 0, 0, &code), S_OK);
    EXPECT_NE(Counts::Now(), start);
    // The surface takes the context and everything in it along; releasing afterwards touches
    // no GL, and the objects are no longer there to count.
    surface.reset();
    buffer.reset();
    code.reset();
    device.reset();
    EXPECT_EQ(Counts::Now(), start);
}

// The counts but that of textures, which grows while the text and ruby textures keep images of
// more pages, up to their bound.
Counts WithoutTextures(Counts counts) {
    counts.of[static_cast<std::size_t>(ObjectKind::Texture)] = 0;
    return counts;
}

// What the program does again and again (frames, rebuilds, new text brushes) must leave the
// count where it was, the kept images of the text and ruby textures within their bound;
// everything goes with the graphics. The text carries ruby over its kanji.
TEST(GlSceneLiveObjects, FramesAndRebuildsKeepTheCountAndReleaseReturnsIt) {
    InstallRealPlatform();
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    const Counts start = Counts::Now();
    {
        OffscreenSurface surface;
        Scene scene;
        ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
        {
            ScopedClock clock(1'700'000'000);
            scene.text = JapaneseSample(64 * 12);
            scene.ruby = RubyOverKanji(scene.text);
            scene.Build();
        }
        // A buffer for the characters of every segment and one for the ruby of those with ruby.
        const auto countBuffers = [&] {
            std::int64_t n = 0;
            for (const RibbonSegment& segment : scene.segments) {
                n += static_cast<std::int64_t>(segment.batches.size());
            }
            return n;
        };
        const std::int64_t buffers = countBuffers();
        ASSERT_GT(buffers, static_cast<std::int64_t>(scene.segments.size()));
        const auto fly = [&](int frames) {
            for (int i = 0; i < frames; ++i) {
                scene.ChangeSpeed(i % 3 == 0 ? 120 : -60);
                scene.TickCamera();
                scene.Render();
            }
        };
        // The back buffer, the depth buffer, the text and ruby textures, and the page images
        // those two keep beyond their own.
        const auto texturesWithinBound = [&] {
            const std::int64_t textures =
                Counts::Now()[ObjectKind::Texture] - start[ObjectKind::Texture];
            EXPECT_GE(textures, 4);
            EXPECT_LE(textures,
                      4 + 2 * (static_cast<std::int64_t>(gl::TextureStorage::kKeptImages) - 1));
        };
        fly(20);
        const Counts flying = Counts::Now();
        // The segments' buffers on top of the scene's own objects.
        EXPECT_EQ(flying[ObjectKind::Buffer] - start[ObjectKind::Buffer], buffers + 1);
        fly(200);
        EXPECT_EQ(WithoutTextures(Counts::Now()), WithoutTextures(flying));
        texturesWithinBound();

        scene.Build();
        fly(20);
        EXPECT_EQ(WithoutTextures(Counts::Now()), WithoutTextures(flying));
        texturesWithinBound();

        // A shorter text with the ruby of the longer one left: what lies beyond the text is
        // passed over.
        scene.text = JapaneseSample(64 * 3);
        scene.Build();
        fly(20);
        EXPECT_EQ(Change(flying, Counts::Now())[static_cast<std::size_t>(ObjectKind::Buffer)],
                  countBuffers() - buffers);
        EXPECT_EQ(countBuffers(), 2 * 3);

        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(scene.CreateTextResources(), S_OK);
            fly(20);
            texturesWithinBound();
        }

        scene.ReleaseGraphics();
        EXPECT_EQ(Counts::Now(), start);
    }
    EXPECT_EQ(Counts::Now(), start);
    SetModuleDirectoryForTesting("");
    gpu::SetPlatform(nullptr);
}

}  // namespace
