#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include <unistd.h>

#include "base/DebugSink.h"
#include "base/ModuleDirectory.h"
#include "render/platform/RealPlatform.h"
#include "render/text/TextStack.h"
#include "tests/render/SceneFields.h"
#include "tests/render/support/OffscreenSurface.h"
#include "tests/render/support/SampleText.h"
#include "tests/support/ScopedRandom.h"

namespace {

namespace fs = std::filesystem;

std::string ProgramShader() {
    std::ifstream in(std::string(SELVANE_PROGRAM_DIR) + "/SelvaneShader.glsl");
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The colour of picture texel (x, y) as 0xRRGGBB.
std::uint32_t RgbAt(const gpu::Picture& picture, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = picture.pixels.data() + 4 * (std::size_t{y} * picture.width + x);
    return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

// Texels in the rectangle for which `match` holds.
template <class Match>
int Count(const gpu::Picture& picture, std::uint32_t x0, std::uint32_t y0, std::uint32_t x1,
          std::uint32_t y1, Match&& match) {
    int n = 0;
    for (std::uint32_t y = y0; y < y1; ++y) {
        for (std::uint32_t x = x0; x < x1; ++x) {
            n += match(RgbAt(picture, x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool IsDark(std::uint32_t rgb) {
    return (rgb >> 16 & 0xFF) < 80 && (rgb >> 8 & 0xFF) < 80 && (rgb & 0xFF) < 80;
}

bool IsRed(std::uint32_t rgb) {
    return (rgb >> 16 & 0xFF) > 180 && (rgb >> 8 & 0xFF) < 90 && (rgb & 0xFF) < 90;
}

class GlScene : public testing::Test {
  protected:
    GlScene() {
        InstallRealPlatform();
        SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
        SetDebugCaptureForTesting([this](std::string_view line) { debug.emplace_back(line); });
    }
    ~GlScene() override {
        scene.ReleaseGraphics();
        SetDebugCaptureForTesting({});
        SetModuleDirectoryForTesting("");
        gpu::SetPlatform(nullptr);
        if (!shaderDir_.empty()) {
            fs::remove_all(shaderDir_);
        }
    }

    // A directory holding a copy of the program's shader with each `from` replaced by its
    // `to`, or no shader at all when there is nothing to replace.
    void UseShader(const std::vector<std::pair<std::string, std::string>>& edits) {
        shaderDir_ = fs::temp_directory_path() /
                     ("selvane-shader-" + std::to_string(::getpid()) + "-" +
                      testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(shaderDir_);
        if (!edits.empty()) {
            std::string source = ProgramShader();
            for (const auto& [from, to] : edits) {
                const std::size_t at = source.find(from);
                ASSERT_NE(at, std::string::npos) << from;
                source.replace(at, from.size(), to);
            }
            std::ofstream(shaderDir_ / "SelvaneShader.glsl") << source;
        }
        SetModuleDirectoryForTesting(shaderDir_.string());
    }

    gpu::Picture Frame() {
        scene.Render();
        gpu::Picture picture;
        EXPECT_EQ(scene.swapChain->ReadPresented(&picture), S_OK);
        return picture;
    }

    void Save(const gpu::Picture& picture, const std::string& name) {
        const fs::path path = fs::path(SELVANE_TEST_OUTPUT_DIR) / name;
        EXPECT_EQ(qtext::SavePicturePng(picture, path.string()), S_OK);
    }

    OffscreenSurface surface;
    Scene scene;
    std::vector<std::string> debug;

  private:
    fs::path shaderDir_;
};

TEST_F(GlScene, InitialisationSucceedsAndFillsEveryField) {
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    EXPECT_TRUE(AllGraphicsSet(scene));
    EXPECT_EQ(scene.window, &surface);
    const gpu::Texture2DDesc text = scene.textTexture->GetDesc();
    EXPECT_EQ(text.width, 8192u);
    EXPECT_EQ(text.height, 128u);
    EXPECT_EQ(scene.textTarget->GetSize(), (gpu::SizeF{8192.0f, 128.0f}));
    // Under the virtual X server there is only Mesa's software rasteriser: every hardware
    // attempt is refused and the first software one is taken.
    if (surface.Renderer().find("llvmpipe") != std::string::npos) {
        EXPECT_EQ(surface.hardwareRequests, 5);
        EXPECT_EQ(surface.softwareRequests, 1);
    }
    EXPECT_TRUE(debug.empty());
}

TEST_F(GlScene, SoftwareIsTakenWhenNoHardwareContextIsOffered) {
    surface.refused = {gl::ContextKind::Hardware};
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    EXPECT_EQ(surface.hardwareRequests, 5);
    EXPECT_EQ(surface.softwareRequests, 1);
    EXPECT_TRUE(AllGraphicsSet(scene));
}

TEST_F(GlScene, WithoutAnyContextInitialisationFails) {
    surface.refused = {gl::ContextKind::Hardware, gl::ContextKind::Software};
    EXPECT_TRUE(FAILED(scene.InitGraphics(&surface)));
    EXPECT_EQ(scene.device, nullptr);
    EXPECT_EQ(surface.softwareRequests, 5);
    scene.Render();
    EXPECT_THAT(debug, testing::ElementsAre("レンダリング時のエラー\n"));
}

TEST_F(GlScene, MissingShaderFileFailsInitialisation) {
    UseShader({});
    EXPECT_TRUE(FAILED(scene.InitGraphics(&surface)));
    EXPECT_NE(scene.device, nullptr);
    EXPECT_NE(scene.textTarget, nullptr);
    EXPECT_EQ(scene.vertexShader, nullptr);
}

TEST_F(GlScene, ShaderWithoutPsFailsInitialisation) {
    UseShader({{"#ifdef PS\n", "#ifdef PS_NOT_HERE\n"}});
    EXPECT_TRUE(FAILED(scene.InitGraphics(&surface)));
    EXPECT_NE(scene.vertexShader, nullptr);
    EXPECT_NE(scene.inputLayout, nullptr);
    EXPECT_EQ(scene.pixelShader, nullptr);
    EXPECT_EQ(scene.textPixelShader, nullptr);
}

TEST_F(GlScene, VertexInputOfTheWrongTypeFailsAtTheInputLayout) {
    UseShader({{"in vec2 TEXCOORD;", "in vec3 TEXCOORD;"},
               {"texCoord = TEXCOORD;", "texCoord = TEXCOORD.xy;"}});
    EXPECT_TRUE(FAILED(scene.InitGraphics(&surface)));
    EXPECT_NE(scene.vertexShader, nullptr);
    EXPECT_EQ(scene.inputLayout, nullptr);
}

TEST_F(GlScene, VertexInputOutsideTheLayoutFailsAtTheInputLayout) {
    UseShader({{"in vec2 TEXCOORD;", "in vec2 TEXCOORD;\nin vec3 NORMAL;"},
               {"texCoord = TEXCOORD;", "texCoord = TEXCOORD + NORMAL.xy;"}});
    EXPECT_TRUE(FAILED(scene.InitGraphics(&surface)));
    EXPECT_NE(scene.vertexShader, nullptr);
    EXPECT_EQ(scene.inputLayout, nullptr);
}

TEST_F(GlScene, CompileErrorInTheTextShaderFailsInitialisation) {
    UseShader({{"color = texel * MaterialColor;", "color = texel * MaterialColour;"}});
    EXPECT_TRUE(FAILED(scene.InitGraphics(&surface)));
    EXPECT_NE(scene.pixelShader, nullptr);
    EXPECT_EQ(scene.textPixelShader, nullptr);
    EXPECT_EQ(scene.constantBuffer, nullptr);
}

TEST_F(GlScene, ResizeTo800x600ResizesBackBufferDepthAndViewport) {
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    // The view unbinds the render targets before it resizes.
    scene.device->OMSetRenderTargets(0, nullptr, nullptr);
    scene.clientWidth = 800;
    scene.clientHeight = 600;
    surface.SetTargetSize(QSize(800, 600));
    ASSERT_EQ(scene.ResizeViews(), S_OK);

    gpu::Ref<gpu::Texture2D> backBuffer;
    ASSERT_EQ(scene.swapChain->GetBuffer(0, &backBuffer), S_OK);
    EXPECT_EQ(backBuffer->GetDesc().width, 800u);
    EXPECT_EQ(backBuffer->GetDesc().height, 600u);
    EXPECT_EQ(scene.depthTexture->GetDesc().width, 800u);
    EXPECT_EQ(scene.depthTexture->GetDesc().height, 600u);
    EXPECT_EQ(scene.depthTexture->GetDesc().format, gpu::Format::D32_Float);
    EXPECT_EQ(scene.viewport, (gpu::Viewport{0, 0, 800, 600, 0.0f, 1.0f}));
    EXPECT_EQ(scene.textTexture->GetDesc().width, 8192u);

    scene.backgroundColor = MakeColorRef(10, 200, 30);
    const gpu::Picture picture = Frame();
    EXPECT_FLOAT_EQ(scene.projection.m[1][1] / scene.projection.m[0][0], 1.3333334f);
    EXPECT_EQ(picture.width, 800u);
    EXPECT_EQ(picture.height, 600u);
    EXPECT_EQ(Count(picture, 0, 0, 800, 600, [](std::uint32_t rgb) { return rgb == 0x0AC81E; }),
              800 * 600);
    const QImage target = surface.ReadTarget();
    EXPECT_EQ(target.size(), QSize(800, 600));
    EXPECT_EQ(target.pixelColor(799, 599), QColor(10, 200, 30));
}

TEST_F(GlScene, FrameWithoutTextIsTheBackgroundEverywhere) {
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    scene.backgroundColor = MakeColorRef(0x33, 0x66, 0x99);
    const gpu::Picture picture = Frame();
    ASSERT_EQ(picture.width, 640u);
    ASSERT_EQ(picture.height, 480u);
    EXPECT_EQ(Count(picture, 0, 0, 640, 480, [](std::uint32_t rgb) { return rgb == 0x336699; }),
              640 * 480);
    // Present blitted the same picture into the surface's framebuffer, without waiting.
    const QImage target = surface.ReadTarget();
    ASSERT_EQ(target.size(), QSize(640, 480));
    EXPECT_EQ(target.pixelColor(0, 0), QColor(0x33, 0x66, 0x99));
    EXPECT_EQ(target.pixelColor(639, 479), QColor(0x33, 0x66, 0x99));
    EXPECT_EQ(surface.presents, 1);
    EXPECT_EQ(surface.lastSyncInterval, 0u);
    EXPECT_TRUE(debug.empty());
}

TEST_F(GlScene, SavedFrameIsThePresentedPictureAsAnOpaquePng) {
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    const fs::path path = fs::path(SELVANE_TEST_OUTPUT_DIR) / "GlScene-saved.png";
    fs::remove(path);
    // Nothing presented yet: nothing to save.
    EXPECT_TRUE(FAILED(SaveFrame(*scene.swapChain, path.string())));
    EXPECT_FALSE(fs::exists(path));

    scene.backgroundColor = MakeColorRef(200, 100, 50);
    scene.Render();
    ASSERT_EQ(SaveFrame(*scene.swapChain, path.string()), S_OK);
    const QImage saved(QString::fromStdString(path.string()));
    ASSERT_EQ(saved.size(), QSize(640, 480));
    EXPECT_FALSE(saved.hasAlphaChannel());
    EXPECT_EQ(saved.pixelColor(0, 0), QColor(200, 100, 50));
    EXPECT_EQ(saved.pixelColor(639, 479), QColor(200, 100, 50));
    EXPECT_TRUE(FAILED(SaveFrame(*scene.swapChain, "/nonexistent-dir/frame.png")));
}

class GlText : public GlScene {
  protected:
    // A straight path (every draw of the random generator is 0): the ribbon runs along +x
    // through the middle of the picture, the first character at its centre.
    void Load() {
        ScopedRandom random;
        ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
        scene.text = JapaneseSample(64 * 12);
        scene.Build();
        ASSERT_EQ(scene.segments.size(), 12u);
    }
};

TEST_F(GlText, FrameAtTheStartShowsTheTextInTheFontColourAtTheCentre) {
    Load();
    const gpu::Picture picture = Frame();
    Save(picture, "GlText-start.png");
    EXPECT_TRUE(debug.empty());
    // Font colour (black) in the middle of the picture, where the first characters are.
    EXPECT_GT(Count(picture, 280, 200, 360, 280, IsDark), 100);
    // Background in the corners, far from the ribbon.
    const auto white = [](std::uint32_t rgb) { return rgb == 0xFFFFFF; };
    EXPECT_EQ(Count(picture, 0, 0, 120, 120, white), 120 * 120);
    EXPECT_EQ(Count(picture, 520, 360, 640, 480, white), 120 * 120);
    // Nothing but the ribbon's band across the middle carries ink.
    EXPECT_EQ(Count(picture, 0, 0, 640, 150, IsDark), 0);
    EXPECT_EQ(Count(picture, 0, 330, 640, 480, IsDark), 0);
}

TEST_F(GlText, NewFontColourShowsInTheNextFrame) {
    Load();
    const gpu::Picture before = Frame();
    EXPECT_EQ(Count(before, 0, 0, 640, 480, IsRed), 0);

    scene.fontColor = MakeColorRef(255, 0, 0);
    ASSERT_EQ(scene.CreateTextResources(), S_OK);
    const gpu::Picture after = Frame();
    Save(after, "GlText-red.png");
    EXPECT_GT(Count(after, 280, 200, 360, 280, IsRed), 100);
    EXPECT_EQ(Count(after, 0, 0, 640, 480, IsDark), 0);
}

TEST_F(GlText, OperationsWithoutACurrentContextStillWork) {
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    scene.text = JapaneseSample(200);
    // A menu command opens a file: no context is current there.
    surface.DoneCurrent();
    {
        ScopedRandom random;
        scene.Build();
    }
    ASSERT_EQ(scene.segments.size(), 4u);
    for (const RibbonSegment& segment : scene.segments) {
        EXPECT_NE(segment.batches[0].buffer, nullptr);
    }
    surface.DoneCurrent();
    const gpu::Picture picture = Frame();
    EXPECT_GT(Count(picture, 280, 200, 360, 280, IsDark), 100);
    surface.DoneCurrent();
    scene.ReleaseGraphics();
    EXPECT_TRUE(NoGraphicsSet(scene));
}

TEST_F(GlText, ReleaseLeavesEveryFieldNullAndObjectsMayOutliveTheDevice) {
    Load();
    Frame();
    // Kept past the release, as a stray reference would be: releasing it afterwards is safe.
    gpu::Ref<gpu::Texture2D> kept = std::move(scene.textTexture);
    gpu::Ref<gpu::TextTarget> target = std::move(scene.textTarget);
    scene.ReleaseGraphics();
    EXPECT_TRUE(NoGraphicsSet(scene));
    EXPECT_TRUE(scene.segments.empty());
    surface.DoneCurrent();
    target.reset();
    kept.reset();

    // And everything can be made again on the same surface.
    ASSERT_EQ(scene.InitGraphics(&surface), S_OK);
    EXPECT_TRUE(AllGraphicsSet(scene));
    scene.backgroundColor = 0x000000;
    const gpu::Picture picture = Frame();
    EXPECT_EQ(RgbAt(picture, 320, 240), 0u);
}

// Ruby over the straight ribbon of GlText: the frames with and without it are compared pixel by
// pixel, and the ink of each reading against the ink of its base.
class GlRuby : public GlText {
  protected:
    // Where a point of the scene lands in the picture, in pixels from its top-left corner.
    std::pair<double, double> Pixel(Vec3 p) const {
        const Matrix m = Multiply(Multiply(scene.world, scene.view), scene.projection);
        double clip[4];
        for (int c = 0; c < 4; ++c) {
            clip[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
        }
        return {(clip[0] / clip[3] + 1.0) / 2.0 * scene.clientWidth,
                (1.0 - clip[1] / clip[3]) / 2.0 * scene.clientHeight};
    }
};

// Readings over あけ (narrower than the base) and over の (wider: it reaches over ぼ and 。),
// emphasis marks over やう; the rest of the picture is the picture without them.
TEST_F(GlRuby, RubyShowsOverItsBaseAndNothingElseChanges) {
    Load();
    const gpu::Picture plain = Frame();
    scene.ruby = {{2, 2, u"かんじ", Ruby::Kind::Reading},
                  {5, 1, u"ふりがな", Ruby::Kind::Reading},
                  {7, 2, u"\uFE45", Ruby::Kind::Emphasis}};
    {
        ScopedRandom random;
        scene.Build();
    }
    const gpu::Picture ruby = Frame();
    Save(ruby, "GlRuby-start.png");
    EXPECT_TRUE(debug.empty());
    ASSERT_EQ(ruby.width, plain.width);

    // The band over character k's card, from x at k + from to x at k + to (in characters), in
    // whole pixels.
    struct Rect {
        std::uint32_t x0, y0, x1, y1;
    };
    const auto band = [&](double from, double to) {
        const auto at = [&](double k, float y) {
            return Pixel(Vec3{static_cast<float>(200.0 * k), y, 0.0f});
        };
        const auto [left, top] = at(from, 200.0f);
        const auto [right, bottom] = at(to, 100.0f);
        return Rect{static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                    static_cast<std::uint32_t>(right) + 1, static_cast<std::uint32_t>(bottom) + 1};
    };
    const std::vector<Rect> bands = {band(2, 4), band(4.4, 6.6), band(7.2, 7.8), band(8.2, 8.8)};
    for (const Rect& r : bands) {
        ASSERT_LT(r.x1, ruby.width);
        EXPECT_GT(Count(ruby, r.x0, r.y0, r.x1, r.y1, IsDark), 4) << r.x0;
        EXPECT_EQ(Count(plain, r.x0, r.y0, r.x1, r.y1, IsDark), 0) << r.x0;
    }
    int changed = 0;
    for (std::uint32_t y = 0; y < ruby.height; ++y) {
        for (std::uint32_t x = 0; x < ruby.width; ++x) {
            const bool inBand = std::any_of(bands.begin(), bands.end(), [&](const Rect& r) {
                return r.x0 <= x && x < r.x1 && r.y0 <= y && y < r.y1;
            });
            changed += !inBand && RgbAt(ruby, x, y) != RgbAt(plain, x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(changed, 0);
    // Nothing between the marks, nor over the characters without ruby.
    for (const auto& [from, to] : {std::pair{6.6, 7.2}, {7.8, 8.2}, {0.0, 2.0}, {8.8, 9.5}}) {
        const Rect r = band(from, to);
        EXPECT_EQ(Count(ruby, r.x0 + 1, r.y0, r.x1 - 1, r.y1, IsDark), 0) << from;
    }

    // Each reading's ink is centred over its base's, half as tall, and above it.
    struct Ink {
        double x0 = 1e9, y0 = 1e9, x1 = -1, y1 = -1;
        double Centre() const { return (x0 + x1) / 2.0; }
    };
    const auto ink = [&](const Rect& r) {
        Ink box;
        for (std::uint32_t y = r.y0; y < r.y1; ++y) {
            for (std::uint32_t x = r.x0; x < r.x1; ++x) {
                if (IsDark(RgbAt(ruby, x, y))) {
                    box = {std::min<double>(box.x0, x), std::min<double>(box.y0, y),
                           std::max<double>(box.x1, x), std::max<double>(box.y1, y)};
                }
            }
        }
        return box;
    };
    const auto base = [&](int first, int count) {
        const auto [left, top] = Pixel(Vec3{200.0f * static_cast<float>(first), 100.0f, 0.0f});
        const auto [right, bottom] =
            Pixel(Vec3{200.0f * static_cast<float>(first + count), -100.0f, 0.0f});
        return ink(Rect{static_cast<std::uint32_t>(left) + 1, static_cast<std::uint32_t>(top),
                        static_cast<std::uint32_t>(right), static_cast<std::uint32_t>(bottom)});
    };
    for (const auto& [reading, under] :
         {std::pair{ink(bands[0]), base(2, 2)}, std::pair{ink(bands[1]), base(5, 1)}}) {
        EXPECT_NEAR(reading.Centre(), under.Centre(), 2.5);
        const double ratio = (reading.y1 - reading.y0) / (under.y1 - under.y0);
        EXPECT_GT(ratio, 0.35);
        EXPECT_LT(ratio, 0.65);
        EXPECT_LT(reading.y1, under.y0);
    }
    // ふりがな is wider than の: it reaches over the characters beside it.
    EXPECT_GT(ink(bands[1]).x1 - ink(bands[1]).x0, 1.5 * (base(5, 1).x1 - base(5, 1).x0));
}

}  // namespace
