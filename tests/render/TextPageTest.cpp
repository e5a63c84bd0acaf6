#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "render/FullWidth.h"
#include "tests/render/FakeSceneTest.h"

namespace {

using testing::ElementsAre;

using TextPage = FakeSceneTest;

TEST_F(TextPage, PageIsClearedToTheBackgroundWithoutAlphaThenDrawnFullWidth) {
    Init();
    scene.backgroundColor = MakeColorRef(0, 255, 0);
    scene.text = u"ab 1";
    ASSERT_EQ(scene.RenderTextPage(0), S_OK);
    EXPECT_THAT(gpu.calls, ElementsAre("BeginDraw", "SetTransform(1,0,0,1,0,0)", "Clear(0,1,0,0)",
                                       testing::StartsWith("DrawText(4,"), "EndDraw"));
    EXPECT_THAT(gpu.drawnTexts, ElementsAre(u"ａｂ\u3000１"));
}

TEST_F(TextPage, PageStartingAtOrPastTheEndIsOnlyCleared) {
    Init();
    scene.text = u"abc";
    ASSERT_EQ(scene.RenderTextPage(3), S_OK);
    ASSERT_EQ(scene.RenderTextPage(64), S_OK);
    ASSERT_EQ(scene.RenderTextPage(-64), S_OK);
    EXPECT_THAT(gpu.drawnTexts, ElementsAre(u"", u"", u""));
    EXPECT_EQ(gpu.CountOf("Clear"), 3);
}

TEST_F(TextPage, PagesAreCutEverySixtyFourCodeUnits) {
    Init();
    // 74 characters: a full page and a last page of ten.
    std::u16string text(63, u'x');
    // A surrogate pair straddling the boundary is split between the pages.
    text += u"\U0001F600";
    text += std::u16string(9, u'y');
    ASSERT_EQ(text.size(), 74u);
    scene.text = text;
    ASSERT_EQ(scene.RenderTextPage(0), S_OK);
    ASSERT_EQ(scene.RenderTextPage(64), S_OK);
    ASSERT_EQ(gpu.drawnTexts.size(), 2u);
    ASSERT_EQ(gpu.drawnTexts[0].size(), 64u);
    EXPECT_EQ(gpu.drawnTexts[0][62], u'\uFF58');
    EXPECT_EQ(gpu.drawnTexts[0][63], u'\xD83D');
    ASSERT_EQ(gpu.drawnTexts[1].size(), 10u);
    EXPECT_EQ(gpu.drawnTexts[1][0], u'\xDE00');
    EXPECT_EQ(gpu.drawnTexts[1].substr(1), std::u16string(9, u'\uFF59'));
}

TEST_F(TextPage, PageEndsAtANullCharacter) {
    Init();
    scene.text = std::u16string(u"ab\0cd", 5);
    ASSERT_EQ(scene.RenderTextPage(0), S_OK);
    EXPECT_THAT(gpu.drawnTexts, ElementsAre(u"ａｂ"));
}

TEST_F(TextPage, IdeographicSpacesAndFullWidthTextStayAsTheyAre) {
    Init();
    scene.text = u"a\tｶﾞ漢字";
    scene.Reset();
    ASSERT_EQ(scene.RenderTextPage(0), S_OK);
    EXPECT_THAT(gpu.drawnTexts, ElementsAre(u"ａ\u3000カ゛漢字"));
}

TEST_F(TextPage, EndDrawFailureIsThePagesResult) {
    Init();
    scene.text = u"abc";
    gpu.FailNext("EndDraw", E_OUTOFMEMORY);
    EXPECT_EQ(scene.RenderTextPage(0), E_OUTOFMEMORY);
}

TEST_F(TextPage, NoTextTargetFailsWithoutDrawing) {
    Init();
    scene.textTarget.reset();
    gpu.ClearLog();
    EXPECT_TRUE(FAILED(scene.RenderTextPage(0)));
    EXPECT_TRUE(gpu.calls.empty());
}

TEST_F(TextPage, NewFontColourGivesNewBrushesAndKeepsTheFormats) {
    Init();
    gpu::TextFormat* const format = scene.textFormat.get();
    gpu::TextFormat* const rubyFormat = scene.rubyFormat.get();
    scene.fontColor = MakeColorRef(255, 0, 0);
    ASSERT_EQ(scene.CreateTextResources(), S_OK);
    // The text's target and brush, then the ruby's, over their own textures.
    EXPECT_THAT(gpu.Names(),
                ElementsAre("GetSurface", "CreateDxgiSurfaceRenderTarget", "SetTextAntialiasMode",
                            "CreateSolidColorBrush", "GetSurface", "CreateDxgiSurfaceRenderTarget",
                            "SetTextAntialiasMode", "CreateSolidColorBrush"));
    EXPECT_THAT(
        gpu.CallsOf("GetSurface"),
        ElementsAre(
            testing::StartsWith("GetSurface(" + fake::NameOf(scene.textTexture.get()) + ")"),
            testing::StartsWith("GetSurface(" + fake::NameOf(scene.rubyTexture.get()) + ")")));
    EXPECT_THAT(gpu.CallsOf("CreateSolidColorBrush"),
                ElementsAre(testing::StartsWith("CreateSolidColorBrush(1,0,0,1)"),
                            testing::StartsWith("CreateSolidColorBrush(1,0,0,1)")));
    EXPECT_EQ(scene.textFormat.get(), format);
    EXPECT_EQ(scene.rubyFormat.get(), rubyFormat);
    EXPECT_EQ(gpu.Live("TextTarget"), 2);
    EXPECT_EQ(gpu.Live("Brush"), 2);
    EXPECT_EQ(gpu.Live("Surface"), 0);
    // The old target goes before the new one is made, the old brush before the new brush.
    ASSERT_EQ(gpu.released.size(), 6u);
    for (std::size_t i = 0; i < 6; i += 3) {
        EXPECT_THAT(gpu.released[i], testing::StartsWith("TextTarget#"));
        EXPECT_THAT(gpu.released[i + 1], testing::StartsWith("Surface#"));
        EXPECT_THAT(gpu.released[i + 2], testing::StartsWith("Brush#"));
    }
}

TEST_F(TextPage, FailedTextResourcesLeaveWhatTheyReleasedNull) {
    Init();
    gpu::TextTarget* const target = scene.textTarget.get();
    gpu::Brush* const brush = scene.textBrush.get();

    gpu.FailNext("GetSurface");
    EXPECT_EQ(scene.CreateTextResources(), E_FAIL);
    EXPECT_EQ(scene.textTarget.get(), target);
    EXPECT_EQ(scene.textBrush.get(), brush);

    gpu.FailNext("CreateDxgiSurfaceRenderTarget");
    EXPECT_EQ(scene.CreateTextResources(), E_FAIL);
    EXPECT_EQ(scene.textTarget, nullptr);
    EXPECT_EQ(scene.textBrush.get(), brush);
    EXPECT_EQ(gpu.Live("Surface"), 0);

    gpu.FailNext("CreateSolidColorBrush");
    EXPECT_EQ(scene.CreateTextResources(), E_FAIL);
    EXPECT_NE(scene.textTarget, nullptr);
    EXPECT_EQ(scene.textBrush, nullptr);
    EXPECT_EQ(gpu.Live("Surface"), 0);

    // The ruby's target fails after the text's were made: those stay, as does the ruby's old
    // brush.
    gpu::Brush* const rubyBrush = scene.rubyBrush.get();
    gpu.FailNext("CreateDxgiSurfaceRenderTarget", E_OUTOFMEMORY, 1);
    EXPECT_EQ(scene.CreateTextResources(), E_OUTOFMEMORY);
    EXPECT_NE(scene.textTarget, nullptr);
    EXPECT_NE(scene.textBrush, nullptr);
    EXPECT_EQ(scene.rubyTarget, nullptr);
    EXPECT_EQ(scene.rubyBrush.get(), rubyBrush);

    gpu.FailNext("CreateSolidColorBrush", E_FAIL, 1);
    EXPECT_EQ(scene.CreateTextResources(), E_FAIL);
    EXPECT_NE(scene.rubyTarget, nullptr);
    EXPECT_EQ(scene.rubyBrush, nullptr);
    EXPECT_EQ(gpu.Live("Surface"), 0);
}

TEST_F(TextPage, TextResourcesNeedBothTexturesAndTheFactory) {
    Init();
    gpu::Ref<gpu::Texture2D> text = std::move(scene.textTexture);
    gpu.ClearLog();
    EXPECT_EQ(scene.CreateTextResources(), E_FAIL);
    scene.textTexture = std::move(text);
    scene.rubyTexture.reset();
    EXPECT_EQ(scene.CreateTextResources(), E_FAIL);
    EXPECT_TRUE(gpu.calls.empty());
}

}  // namespace
