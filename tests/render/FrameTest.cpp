#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "render/FullWidth.h"
#include "tests/render/FakeSceneTest.h"
#include "tests/support/MatrixMatchers.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

constexpr char kFrameError[] = "レンダリング時のエラー\n";
constexpr char kPageError[] = "RenderD2DContentIntoSurface";

class Frame : public FakeSceneTest {
  protected:
    // Graphics up and a text of `pages` pages built; the log starts empty.
    void Load(int pages) {
        Init();
        scene.text = PagedText(pages);
        scene.Build();
        gpu.ClearLog();
        gpu.drawnTexts.clear();
        gpu.released.clear();
    }

    // The segments drawn in the last frames, told apart by their pages' letters.
    std::vector<int> DrawnSegments() const {
        std::vector<int> segments;
        for (const std::u16string& page : gpu.drawnTexts) {
            EXPECT_FALSE(page.empty());
            if (!page.empty()) {
                segments.push_back(static_cast<int>(page[0] - u'\uFF21'));
            }
        }
        return segments;
    }

    std::vector<float> Constants() const {
        EXPECT_EQ(gpu.lastUnmapped.size(), 80u);
        std::vector<float> values(20);
        std::memcpy(values.data(), gpu.lastUnmapped.data(),
                    std::min<std::size_t>(80, gpu.lastUnmapped.size()));
        return values;
    }
};

TEST_F(Frame, OneSegmentFrameMakesItsCallsInOrder) {
    Load(1);
    scene.backgroundColor = MakeColorRef(255, 0, 51);
    scene.Render();
    const std::string cb = fake::NameOf(scene.constantBuffer.get());
    const std::string vb = fake::NameOf(scene.segments[0].batches[0].buffer.get());
    EXPECT_THAT(
        gpu.calls,
        ElementsAre(
            "ClearRenderTargetView(" + fake::NameOf(scene.renderTargetView.get()) + ",1,0,0.2,1)",
            "ClearDepthStencilView(" + fake::NameOf(scene.depthStencilView.get()) + ",1,1,0)",
            "VSSetShader(" + fake::NameOf(scene.vertexShader.get()) + ")",
            "IASetPrimitiveTopology(4)", "Map(" + cb + ",3,0)", "Unmap(" + cb + ")",
            "VSSetConstantBuffers(0,[" + cb + "])", "PSSetConstantBuffers(0,[" + cb + "])",
            "IASetInputLayout(" + fake::NameOf(scene.inputLayout.get()) + ")",
            "IASetVertexBuffers(0,[" + vb + "],20,0)",
            "PSSetShader(" + fake::NameOf(scene.textPixelShader.get()) + ")",
            "PSSetSamplers(0,[" + fake::NameOf(scene.samplerState.get()) + "])", "BeginDraw",
            "SetTransform(1,0,0,1,0,0)", "Clear(1,0,0.2,0)",
            "DrawText(64," + fake::NameOf(scene.textFormat.get()) + ",0,0,8192,128," +
                fake::NameOf(scene.textBrush.get()) + ",0,0)",
            "EndDraw",
            "PSSetShaderResources(0,[" + fake::NameOf(scene.textTextureView.get()) + "])",
            "Draw(384,0)", "Present(0,0)"));
    EXPECT_TRUE(debug.empty());
    EXPECT_EQ(scene.world, Matrix::Identity());
}

// The ruby of a page is drawn right after the page, in the same way, from a picture of its own:
// each reading centred over its base, each emphasis mark over its character, in columns of 128
// texels that start two characters before the page.
TEST_F(Frame, RubyIsDrawnAfterItsPageFromAPictureOfItsOwn) {
    Init();
    scene.text = PagedText(1);
    scene.ruby = {{3, 2, u"ab", Ruby::Kind::Reading}, {10, 2, u"\uFE45", Ruby::Kind::Emphasis}};
    scene.Build();
    ASSERT_EQ(scene.segments[0].batches.size(), 2u);
    gpu.ClearLog();
    gpu.drawnTexts.clear();
    scene.Render();
    EXPECT_TRUE(debug.empty());

    const std::string cb = fake::NameOf(scene.constantBuffer.get());
    const std::string vb = fake::NameOf(scene.segments[0].batches[1].buffer.get());
    const std::string format = fake::NameOf(scene.rubyFormat.get());
    const std::string brush = fake::NameOf(scene.rubyBrush.get());
    const auto page = std::find(gpu.calls.begin(), gpu.calls.end(), "Draw(384,0)");
    ASSERT_NE(page, gpu.calls.end());
    EXPECT_THAT(
        std::vector<std::string>(page + 1, gpu.calls.end()),
        ElementsAre("Map(" + cb + ",3,0)", "Unmap(" + cb + ")",
                    "VSSetConstantBuffers(0,[" + cb + "])", "PSSetConstantBuffers(0,[" + cb + "])",
                    "IASetInputLayout(" + fake::NameOf(scene.inputLayout.get()) + ")",
                    "IASetVertexBuffers(0,[" + vb + "],20,0)",
                    "PSSetShader(" + fake::NameOf(scene.textPixelShader.get()) + ")",
                    "PSSetSamplers(0,[" + fake::NameOf(scene.samplerState.get()) + "])",
                    "BeginDraw", "SetTransform(1,0,0,1,0,0)", "Clear(1,1,1,0)",
                    // Centred on 4, 10.5 and 11.5, in boxes as wide as the picture either side.
                    "DrawText(2," + format + ",-7936,0,9472,64," + brush + ",0,0)",
                    "DrawText(1," + format + ",-7104,0,10304,64," + brush + ",0,0)",
                    "DrawText(1," + format + ",-6976,0,10432,64," + brush + ",0,0)", "EndDraw",
                    "PSSetShaderResources(0,[" + fake::NameOf(scene.rubyTextureView.get()) + "])",
                    "Draw(24,0)", "Present(0,0)"));
    EXPECT_THAT(gpu.drawnTexts,
                ElementsAre(std::u16string(64, u'\uFF21'), u"ａｂ", u"\uFE45", u"\uFE45"));
}

TEST_F(Frame, FailingRubyPageEndsTheFrameLikeAFailingPage) {
    Init();
    scene.text = PagedText(3);
    scene.ruby = {{3, 2, u"ab", Ruby::Kind::Reading}};
    scene.Build();
    gpu.ClearLog();
    gpu.Fail("EndDraw", 2);
    scene.Render();
    EXPECT_THAT(debug, ElementsAre(kPageError, kFrameError));
    EXPECT_EQ(gpu.CountOf("Draw"), 1);
    EXPECT_EQ(gpu.CountOf("Present"), 0);
    EXPECT_EQ(gpu.CountOf("CreateDxgiSurfaceRenderTarget"), 2);

    // Without a ruby target the page cannot be drawn either.
    debug.clear();
    gpu.ClearFailures();
    scene.rubyTarget.reset();
    EXPECT_EQ(scene.RenderRubyPage(scene.segments[0], 0), E_FAIL);
}

TEST_F(Frame, NoTextClearsAndPresents) {
    Init();
    scene.Render();
    EXPECT_THAT(gpu.Names(), ElementsAre("ClearRenderTargetView", "ClearDepthStencilView",
                                         "VSSetShader", "IASetPrimitiveTopology", "Present"));
    EXPECT_TRUE(debug.empty());
}

TEST_F(Frame, SegmentWindowFollowsTheCamera) {
    Load(25);
    const struct {
        std::int32_t cameraIndex;
        std::vector<int> segments;
    } cases[] = {
        {0, {0, 1, 2, 3, 4}},
        {128, {0, 1, 2, 3, 4, 5, 6}},
        {1000, {14, 15, 16, 17, 18, 19}},
        // The bounds belong to the window: 64 s + 128 for s = 0, and 64 s - 256 for s = 6.
        {129, {1, 2, 3, 4, 5, 6}},
        {127, {0, 1, 2, 3, 4, 5}},
        {1024, {14, 15, 16, 17, 18, 19, 20}},
        {1023, {14, 15, 16, 17, 18, 19}},
        // Near the end of the text only the last segments are left, past it none.
        {64 * 24, {22, 23, 24}},
        {64 * 30, {}},
    };
    for (const auto& c : cases) {
        gpu.drawnTexts.clear();
        scene.cameraIndex = c.cameraIndex;
        scene.Render();
        EXPECT_EQ(DrawnSegments(), c.segments) << "cameraIndex " << c.cameraIndex;
    }
    EXPECT_TRUE(debug.empty());
}

TEST_F(Frame, WindowStopsAtTheLastSegmentOfAShortText) {
    Load(3);
    scene.Render();
    EXPECT_EQ(DrawnSegments(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(gpu.CountOf("Draw"), 3);
    EXPECT_EQ(gpu.CountOf("Present"), 1);
}

TEST_F(Frame, EachDrawReadsThePageOfItsSegmentFromTheOneTexture) {
    Load(2);
    scene.Render();
    const std::vector<std::string> names = gpu.Names();
    // Page, then its draw, for each segment in turn.
    std::vector<std::string> pagesAndDraws;
    for (const std::string& name : names) {
        if (name == "EndDraw" || name == "Draw") {
            pagesAndDraws.push_back(name);
        }
    }
    EXPECT_THAT(pagesAndDraws, ElementsAre("EndDraw", "Draw", "EndDraw", "Draw"));
    EXPECT_EQ(gpu.drawnTexts[0], std::u16string(64, u'\uFF21'));
    EXPECT_EQ(gpu.drawnTexts[1], std::u16string(64, u'\uFF22'));
}

TEST_F(Frame, ProjectionFollowsTheClientSize) {
    Load(1);
    scene.Render();
    EXPECT_EQ(scene.projection, PerspectiveFovRH(0.5235988f, 640.0f / 480.0f, 1.0f, 50000.0f));

    scene.clientWidth = 800;
    scene.clientHeight = 600;
    ASSERT_EQ(scene.ResizeViews(), S_OK);
    scene.Render();
    const float aspect = scene.projection.m[1][1] / scene.projection.m[0][0];
    EXPECT_FLOAT_EQ(aspect, 1.3333334f);
    EXPECT_EQ(scene.projection, PerspectiveFovRH(0.5235988f, 1.3333334f, 1.0f, 50000.0f));
    // The rows of the right-handed perspective: depth maps to [0, 1] and w = -z.
    EXPECT_FLOAT_EQ(scene.projection.m[1][1], 3.7320509f);
    EXPECT_FLOAT_EQ(scene.projection.m[2][2], 50000.0f / (1.0f - 50000.0f));
    EXPECT_EQ(scene.projection.m[2][3], -1.0f);
    EXPECT_FLOAT_EQ(scene.projection.m[3][2], 50000.0f / (1.0f - 50000.0f));
    EXPECT_EQ(scene.projection.m[3][3], 0.0f);
}

TEST_F(Frame, ConstantsHoldTheTransposedMatrixAndTheMaterialColour) {
    Load(1);
    scene.view = ResetView();
    scene.Render();
    const Matrix m = Multiply(ResetView(), scene.projection);
    const std::vector<float> values = Constants();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(values[static_cast<std::size_t>(4 * c + r)], m.m[r][c]) << r << "," << c;
        }
    }
    EXPECT_THAT(std::vector<float>(values.begin() + 16, values.end()),
                ElementsAre(1.0f, 1.0f, 1.0f, 1.0f));
}

TEST_F(Frame, TranslationLandsInTheLastColumnOfTheConstants) {
    Load(1);
    scene.world = Matrix::Identity();
    scene.view = Matrix::Identity();
    scene.view.m[3][0] = 11.0f;
    scene.view.m[3][1] = -22.0f;
    scene.view.m[3][2] = 33.5f;
    scene.projection = Matrix::Identity();
    scene.materials[0].color = {0.25f, 0.5f, 0.75f, 1.0f};
    ASSERT_EQ(scene.DrawSegments(scene.segments[0], 0), S_OK);

    float at[20];
    std::memcpy(at, gpu.lastUnmapped.data(), 80);
    EXPECT_EQ(at[12 / 4], 11.0f);
    EXPECT_EQ(at[28 / 4], -22.0f);
    EXPECT_EQ(at[44 / 4], 33.5f);
    for (int byte = 48; byte < 60; byte += 4) {
        EXPECT_EQ(at[byte / 4], 0.0f) << byte;
    }
    EXPECT_EQ(at[60 / 4], 1.0f);
    EXPECT_EQ(at[0], 1.0f);
    EXPECT_EQ(at[5], 1.0f);
    EXPECT_EQ(at[10], 1.0f);
    EXPECT_THAT(std::vector<float>(at + 16, at + 20), ElementsAre(0.25f, 0.5f, 0.75f, 1.0f));
}

TEST_F(Frame, NullTextTargetDrawsNothingAtAll) {
    Load(2);
    scene.textTarget.reset();
    gpu.ClearLog();
    scene.Render();
    EXPECT_TRUE(gpu.calls.empty());
    EXPECT_TRUE(debug.empty());
}

TEST_F(Frame, FailingPageEndsTheFrameAndRemakesTheTextObjects) {
    Load(5);
    gpu.Fail("EndDraw", 2);
    const std::string oldTarget = fake::NameOf(scene.textTarget.get());
    scene.Render();

    EXPECT_THAT(debug, ElementsAre(kPageError, kFrameError));
    EXPECT_EQ(gpu.CountOf("Draw"), 1);
    EXPECT_EQ(gpu.CountOf("BeginDraw"), 2);
    EXPECT_EQ(gpu.CountOf("Present"), 0);
    // After the failed page: the text target and brush made anew, and nothing else.
    const std::vector<std::string> names = gpu.Names();
    const auto failed = std::find(names.begin(), names.end(), "EndDraw") + 1;
    const auto second = std::find(failed, names.end(), "EndDraw");
    ASSERT_NE(second, names.end());
    EXPECT_EQ(std::vector<std::string>(second + 1, names.end()),
              (std::vector<std::string>{"GetSurface", "CreateDxgiSurfaceRenderTarget",
                                        "SetTextAntialiasMode", "CreateSolidColorBrush",
                                        "GetSurface", "CreateDxgiSurfaceRenderTarget",
                                        "SetTextAntialiasMode", "CreateSolidColorBrush"}));
    EXPECT_NE(fake::NameOf(scene.textTarget.get()), oldTarget);
    EXPECT_EQ(gpu.Live("TextTarget"), 2);
    EXPECT_EQ(gpu.Live("Surface"), 0);

    // The next frame draws again with the new objects.
    debug.clear();
    gpu.ClearLog();
    scene.Render();
    EXPECT_TRUE(debug.empty());
    EXPECT_EQ(gpu.CountOf("Present"), 1);
}

TEST_F(Frame, FailingPageWhoseObjectsCannotBeRemadeStopsLaterFramesSilently) {
    Load(2);
    gpu.Fail("EndDraw", 1);
    gpu.Fail("CreateDxgiSurfaceRenderTarget", 0);
    scene.Render();
    EXPECT_THAT(debug, ElementsAre(kPageError, kFrameError));
    EXPECT_EQ(scene.textTarget, nullptr);
    debug.clear();
    gpu.ClearLog();
    scene.Render();
    EXPECT_TRUE(gpu.calls.empty());
    EXPECT_TRUE(debug.empty());
}

TEST_F(Frame, MapFailureEndsTheFrameWithOneLine) {
    Load(3);
    gpu.Fail("Map", 2);
    scene.Render();
    EXPECT_THAT(debug, ElementsAre(kFrameError));
    EXPECT_EQ(gpu.CountOf("Map"), 2);
    EXPECT_EQ(gpu.CountOf("Draw"), 1);
    EXPECT_EQ(gpu.CountOf("BeginDraw"), 1);
    EXPECT_EQ(gpu.CountOf("Present"), 0);
}

TEST_F(Frame, PresentFailureWritesTheFrameLine) {
    Load(1);
    gpu.Fail("Present", 1);
    scene.Render();
    EXPECT_THAT(debug, ElementsAre(kFrameError));
    debug.clear();
    scene.Render();
    EXPECT_TRUE(debug.empty());
}

TEST_F(Frame, GraphicsThatCannotStartDrawNothingAndSaySoEveryFrame) {
    gpu.Fail("CreateDevice");
    scene.window = &window;
    scene.Render();
    scene.Render();
    EXPECT_THAT(debug, ElementsAre(kFrameError, kFrameError));
    EXPECT_EQ(gpu.CountOf("ClearRenderTargetView"), 0);
    EXPECT_EQ(gpu.CountOf("Present"), 0);
    // Each frame tries the whole initialisation again on the view's window.
    EXPECT_EQ(gpu.CountOf("CreateDevice"), 20);
    EXPECT_EQ(scene.window, &window);
}

TEST_F(Frame, FrameAfterAFailedInitialisationWithADeviceFailsInsteadOfCrashing) {
    gpu.Fail("CreateBuffer");
    ASSERT_TRUE(FAILED(scene.InitGraphics(&window)));
    scene.text = PagedText(1);
    gpu.ClearFailures();
    scene.Build();
    scene.Render();
    EXPECT_THAT(debug, ElementsAre(kFrameError));
    EXPECT_EQ(gpu.CountOf("Draw"), 0);
    EXPECT_EQ(gpu.CountOf("Present"), 0);
}

TEST_F(Frame, BatchWithoutAVertexBufferIsSkipped) {
    Load(2);
    scene.segments[0].batches[0].buffer.reset();
    scene.Render();
    EXPECT_EQ(DrawnSegments(), std::vector<int>{1});
    EXPECT_EQ(gpu.CountOf("Map"), 1);
    EXPECT_EQ(gpu.CountOf("Draw"), 1);
    EXPECT_EQ(gpu.CountOf("Present"), 1);
}

TEST_F(Frame, EveryBatchOfASegmentRedrawsItsPage) {
    Load(1);
    VertexBatch& extra = scene.segments[0].batches.emplace_back();
    extra.vertices.resize(6);
    gpu::BufferDesc desc{120, gpu::Usage::Default, gpu::kBindVertexBuffer, 0, 0};
    ASSERT_EQ(scene.device->CreateBuffer(desc, nullptr, &extra.buffer), S_OK);
    gpu.ClearLog();
    EXPECT_EQ(scene.DrawSegments(scene.segments[0], 0), S_OK);
    EXPECT_THAT(gpu.CallsOf("Draw"), ElementsAre("Draw(384,0)", "Draw(6,0)"));
    EXPECT_EQ(gpu.CountOf("EndDraw"), 2);
    EXPECT_EQ(gpu.CountOf("Map"), 2);
}

TEST_F(Frame, SegmentWithoutBatchesSucceedsWithoutDrawing) {
    Load(1);
    RibbonSegment empty;
    EXPECT_EQ(scene.DrawSegments(empty, 3), S_OK);
    EXPECT_TRUE(gpu.calls.empty());
}

TEST_F(Frame, WorldIsSetToTheIdentityInEveryFrame) {
    Load(1);
    scene.world.m[0][0] = 7.0f;
    scene.world.m[3][1] = 2.0f;
    scene.Render();
    EXPECT_EQ(scene.world, Matrix::Identity());
}

}  // namespace
