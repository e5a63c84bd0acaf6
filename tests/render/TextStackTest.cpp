#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "render/FullWidth.h"
#include "render/text/GlyphCache.h"
#include "render/text/PagePool.h"
#include "render/text/TextFactory.h"
#include "render/text/TextFormat.h"
#include "render/text/TextStack.h"
#include "render/text/TextTarget.h"
#include "render/text/WriteFactory.h"
#include "tests/support/Allocations.h"

extern HRESULT g_textFactoryWithoutApplication;

namespace {

// A texture surface in memory: what the last upload wrote, and how many uploads there were.
struct Texels {
    gpu::Texture2DDesc desc;
    std::vector<std::uint32_t> pixels;
    int writes = 0;
    HRESULT fail = S_OK;
    // The key of each write that came with one.
    std::vector<std::uint64_t> keys;
};

class MemorySurface final : public gpu::Surface {
  public:
    explicit MemorySurface(std::shared_ptr<Texels> texels) : texels_(std::move(texels)) {}
    gpu::Texture2DDesc GetDesc() const override { return texels_->desc; }
    HRESULT WritePixels(const void* pixels, std::uint32_t pitch) override {
        if (FAILED(texels_->fail)) {
            return texels_->fail;
        }
        const gpu::Texture2DDesc& d = texels_->desc;
        texels_->pixels.resize(std::size_t{d.width} * d.height);
        for (std::uint32_t y = 0; y < d.height; ++y) {
            std::memcpy(texels_->pixels.data() + std::size_t{y} * d.width,
                        static_cast<const std::uint8_t*>(pixels) + std::size_t{y} * pitch,
                        std::size_t{4} * d.width);
        }
        ++texels_->writes;
        return S_OK;
    }
    HRESULT WriteKeyedPixels(const void* pixels, std::uint32_t pitch, std::uint64_t key) override {
        texels_->keys.push_back(key);
        return WritePixels(pixels, pitch);
    }
    HRESULT AddReference(gpu::Ref<gpu::Surface>* surface) override {
        *surface = std::make_unique<MemorySurface>(texels_);
        return S_OK;
    }

  private:
    std::shared_ptr<Texels> texels_;
};

class ForeignFormat final : public gpu::TextFormat {
  public:
    HRESULT SetParagraphAlignment(gpu::ParagraphAlignment) override { return S_OK; }
    HRESULT SetTextAlignment(gpu::TextAlignment) override { return S_OK; }
};

constexpr std::uint32_t kWidth = 8192;
constexpr std::uint32_t kHeight = 128;

std::uint32_t AlphaOf(std::uint32_t texel) {
    return texel >> 24;
}

// 64 kanji, every one full-width and inked across most of its em.
std::u16string Kanji(std::size_t count) {
    const std::u16string set =
        u"永東京都大阪府山川田中木森林水火土金日月星空海雲雨雪花草鳥魚犬猫"
        u"馬牛羊竹石門口目耳手足心力刀文字書本学校先生年時分半今何春夏秋冬";
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += set[i % set.size()];
    }
    return text;
}

class TextStack : public testing::Test {
  protected:
    TextStack() : texels(std::make_shared<Texels>()) {
        texels->desc.width = kWidth;
        texels->desc.height = kHeight;
        texels->desc.mipLevels = 1;
        texels->desc.arraySize = 1;
        texels->desc.format = gpu::Format::B8G8R8A8_UNorm;
        texels->desc.bindFlags = gpu::kBindRenderTarget | gpu::kBindShaderResource;
        EXPECT_EQ(qtext::CreateTextFactory(gpu::FactoryType::SingleThreaded, &factory), S_OK);
        EXPECT_EQ(qtext::CreateWriteFactory(gpu::WriteFactoryType::Shared, &writer), S_OK);
        EXPECT_EQ(
            writer->CreateTextFormat(u"ＭＳ 明朝", gpu::kFontWeightNormal, gpu::FontStyle::Normal,
                                     gpu::kFontStretchNormal, 128.0f, u"", &format),
            S_OK);
        EXPECT_EQ(format->SetParagraphAlignment(gpu::ParagraphAlignment::Center), S_OK);
        target = MakeTarget();
        EXPECT_EQ(target->CreateSolidColorBrush({0.0f, 0.0f, 0.0f, 1.0f}, &black), S_OK);
    }
    ~TextStack() override { qtext::SetPageCacheCapacity(8); }

    gpu::Ref<gpu::TextTarget> MakeTarget(float dpi = 96.0f) {
        MemorySurface surface(texels);
        gpu::RenderTargetProperties properties;
        properties.pixelFormat = {gpu::Format::B8G8R8A8_UNorm, gpu::AlphaMode::Ignore};
        properties.dpiX = dpi;
        properties.dpiY = dpi;
        gpu::Ref<gpu::TextTarget> made;
        EXPECT_EQ(factory->CreateDxgiSurfaceRenderTarget(&surface, properties, &made), S_OK);
        return made;
    }

    // One page as the renderer draws it: the clear, then the text over the whole target.
    HRESULT Draw(gpu::TextTarget& on, std::u16string_view text, gpu::ColorF background,
                 gpu::Brush* brush, gpu::Matrix3x2F transform = {}) {
        const gpu::SizeF size = on.GetSize();
        on.BeginDraw();
        on.SetTransform(transform);
        on.Clear(background);
        on.DrawText(text, format.get(), {0.0f, 0.0f, size.width, size.height}, brush,
                    gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
        return on.EndDraw();
    }

    std::vector<std::uint32_t> DrawPage(std::u16string_view text, gpu::ColorF background = {}) {
        EXPECT_EQ(Draw(*target, text, background, black.get()), S_OK);
        return texels->pixels;
    }

    // The columns and rows holding ink, as [first, last] (first > last when there is none).
    struct Box {
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    };
    static Box InkBox(const std::vector<std::uint32_t>& pixels, int fromX, int toX) {
        Box box;
        for (int y = 0; y < static_cast<int>(kHeight); ++y) {
            for (int x = fromX; x < toX; ++x) {
                if (AlphaOf(pixels[static_cast<std::size_t>(y) * kWidth + x]) != 0) {
                    box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x),
                           std::max(box.y1, y)};
                }
            }
        }
        return box;
    }

    std::shared_ptr<Texels> texels;
    gpu::Ref<gpu::TextFactory> factory;
    gpu::Ref<gpu::WriteFactory> writer;
    gpu::Ref<gpu::TextFormat> format;
    gpu::Ref<gpu::TextTarget> target;
    gpu::Ref<gpu::Brush> black;
};

TEST(TextStackApplication, FactoriesNeedTheApplicationObject) {
    EXPECT_EQ(g_textFactoryWithoutApplication, CO_E_NOTINITIALIZED);
}

TEST_F(TextStack, MinchoIsAskedForFirstAndIPAexMinchoStandsIn) {
    EXPECT_THAT(qtext::FamiliesFor(u"ＭＳ 明朝"),
                testing::ElementsAre(QString::fromUtf8("ＭＳ 明朝"), "IPAexMincho"));
    EXPECT_THAT(qtext::FamiliesFor(u"Serif"), testing::ElementsAre("Serif"));
    const auto* own = dynamic_cast<const qtext::TextFormat*>(format.get());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(QFontInfo(own->font()).family(), "IPAexMincho");
    EXPECT_EQ(QFontInfo(own->font()).pixelSize(), 128);
}

TEST_F(TextStack, FormatArgumentsOutsideTheirRangesAreRefused) {
    gpu::Ref<gpu::TextFormat> bad;
    EXPECT_EQ(writer->CreateTextFormat(u"", 400, gpu::FontStyle::Normal, 5, 128.0f, u"", &bad),
              E_INVALIDARG);
    EXPECT_EQ(writer->CreateTextFormat(u"A", 0, gpu::FontStyle::Normal, 5, 128.0f, u"", &bad),
              E_INVALIDARG);
    EXPECT_EQ(writer->CreateTextFormat(u"A", 400, gpu::FontStyle::Normal, 10, 128.0f, u"", &bad),
              E_INVALIDARG);
    EXPECT_EQ(writer->CreateTextFormat(u"A", 400, gpu::FontStyle::Normal, 5, NAN, u"", &bad),
              E_INVALIDARG);
    EXPECT_EQ(format->SetParagraphAlignment(static_cast<gpu::ParagraphAlignment>(7)), E_INVALIDARG);
}

TEST_F(TextStack, EachCharacterOfAFullPageStaysInItsOwnBand) {
    const std::vector<std::uint32_t> pixels = DrawPage(Kanji(64));
    ASSERT_EQ(texels->writes, 1);
    for (int j = 0; j < 64; ++j) {
        const Box box = InkBox(pixels, 128 * j, 128 * (j + 1));
        ASSERT_GE(box.x1, 0) << "band " << j << " has no ink";
        EXPECT_GT(box.x0, 128 * j) << j;
        EXPECT_LT(box.x1, 128 * (j + 1) - 1) << j;
        EXPECT_GT(box.x1 - box.x0, 64) << j;
        // The em box fills the row: nothing is cut off at the top or the bottom.
        EXPECT_GT(box.y0, 0) << j;
        EXPECT_LT(box.y1, 127) << j;
    }
}

TEST_F(TextStack, ClearKeepsTheBackgroundWithoutAlphaAndTextCarriesItsCoverage) {
    const gpu::ColorF background = {0.2f, 0.4f, 0.6f, 0.0f};
    const std::vector<std::uint32_t> pixels = DrawPage(Kanji(64), background);
    const std::uint32_t clear = 0x00336699u;
    int cleared = 0;
    int full = 0;
    int partial = 0;
    for (const std::uint32_t texel : pixels) {
        const std::uint32_t alpha = AlphaOf(texel);
        if (alpha == 0) {
            EXPECT_EQ(texel, clear);
            cleared += texel == clear ? 1 : 0;
        } else if (alpha == 255) {
            EXPECT_EQ(texel, 0xFF000000u);
            ++full;
        } else {
            // Between the background and the brush in every channel, darker with more cover.
            for (int shift : {0, 8, 16}) {
                const std::uint32_t c = texel >> shift & 0xFF;
                const std::uint32_t b = clear >> shift & 0xFF;
                EXPECT_LE(c, b);
                EXPECT_NEAR(static_cast<double>(c), b * (255.0 - alpha) / 255.0, 1.0);
            }
            ++partial;
        }
    }
    EXPECT_GT(cleared, 8192 * 128 / 2);
    EXPECT_GT(full, 64 * 500);
    EXPECT_GT(partial, 64 * 100);
}

TEST_F(TextStack, GlyphsMatchQtsOwnDrawingAtTheSamePlace) {
    const std::u16string page =
        FullWidth(u"春はあけぼの。やうやう白くなりゆく山ぎは、Selvane 2024 ﾃｷｽﾄ");
    const std::vector<std::uint32_t> ours = DrawPage(page);

    // The same text drawn the straightforward way, on the baseline the format centres the em
    // box on: (128 - 1 em) / 2 + the typographic ascent, 1802/2048 em.
    const auto* own = dynamic_cast<const qtext::TextFormat*>(format.get());
    QImage theirs(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    theirs.fill(Qt::transparent);
    {
        QPainter painter(&theirs);
        painter.setFont(own->font());
        painter.setPen(Qt::black);
        painter.drawText(QPointF(0.0, 128.0 * 1802.0 / 2048.0),
                         QString::fromUtf16(page.data(), static_cast<qsizetype>(page.size())));
    }
    double total = 0.0;
    int large = 0;
    long inked = 0;
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(theirs.constScanLine(static_cast<int>(y)));
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            const int a = static_cast<int>(AlphaOf(ours[y * kWidth + x]));
            const int b = qAlpha(row[x]);
            total += std::abs(a - b);
            large += std::abs(a - b) > 8 ? 1 : 0;
            inked += b > 0 ? 1 : 0;
        }
    }
    // The baseline is one the glyph cache's steps reach, and every advance is whole: the same
    // coverage, give or take the rounding of a few edge texels.
    EXPECT_GT(inked, 50000);
    EXPECT_LT(total / static_cast<double>(inked), 0.05);
    EXPECT_EQ(large, 0);
}

TEST_F(TextStack, ShortPageAndEmptyPageLeaveTheRestCleared) {
    const gpu::ColorF white = {1.0f, 1.0f, 1.0f, 0.0f};
    std::vector<std::uint32_t> pixels = DrawPage(Kanji(10), white);
    const Box box = InkBox(pixels, 0, kWidth);
    EXPECT_LT(box.x1, 1280);
    EXPECT_GT(box.x1, 1152);
    EXPECT_EQ(InkBox(pixels, 1280, kWidth).x1, -1);

    pixels = DrawPage(u"", white);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(),
                            [](std::uint32_t texel) { return texel == 0x00FFFFFFu; }));
}

TEST_F(TextStack, PagesDrawnAgainComeOutTheSame) {
    const std::u16string a = Kanji(64);
    const std::u16string b =
        FullWidth(u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
    const std::vector<std::uint32_t> first = DrawPage(a);
    const std::vector<std::uint32_t> other = DrawPage(b);
    const std::vector<std::uint32_t> again = DrawPage(a);
    EXPECT_EQ(again, first);
    EXPECT_NE(other, first);
    EXPECT_EQ(texels->writes, 3);
    const auto* own = dynamic_cast<const qtext::TextTarget*>(target.get());
    ASSERT_NE(own, nullptr);
    // The third was the kept picture of the first.
    EXPECT_EQ(own->pagesComposed(), 2u);

    // Another background or another brush is another picture.
    const std::vector<std::uint32_t> grey = DrawPage(a, {0.5f, 0.5f, 0.5f, 0.0f});
    EXPECT_EQ(own->pagesComposed(), 3u);
    EXPECT_EQ(grey[0], 0x00808080u);
    gpu::Ref<gpu::Brush> red;
    ASSERT_EQ(target->CreateSolidColorBrush({1.0f, 0.0f, 0.0f, 1.0f}, &red), S_OK);
    ASSERT_EQ(Draw(*target, a, {}, red.get()), S_OK);
    EXPECT_EQ(own->pagesComposed(), 4u);
    EXPECT_NE(std::find(texels->pixels.begin(), texels->pixels.end(), 0xFFFF0000u),
              texels->pixels.end());
}

// A device may keep page images by their keys: a key must name one picture only, for as long
// as the process lives, and a kept page must come with the key it had.
TEST_F(TextStack, EachPictureGoesUpUnderAKeyOfItsOwn) {
    const std::u16string a = Kanji(64);
    const std::u16string b = FullWidth(u"鍵が同じなら絵も同じ");
    DrawPage(a);
    DrawPage(b);
    DrawPage(a);
    ASSERT_EQ(texels->keys.size(), 3u);
    EXPECT_NE(texels->keys[0], 0u);
    EXPECT_NE(texels->keys[0], texels->keys[1]);
    EXPECT_EQ(texels->keys[2], texels->keys[0]) << "a kept page is the same picture";

    // Drawn over the picture on the surface without a clear: another picture, another key.
    target->BeginDraw();
    target->DrawText(Kanji(2), format.get(), {0.0f, 0.0f, 8192.0f, 128.0f}, black.get(),
                     gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
    ASSERT_EQ(target->EndDraw(), S_OK);
    ASSERT_EQ(texels->keys.size(), 4u);
    EXPECT_EQ(std::count(texels->keys.begin(), texels->keys.end(), texels->keys[3]), 1);

    // A new target draws the same page into the same surface: its key is new, since the
    // device must not show an image of the old target's for it.
    gpu::Ref<gpu::TextTarget> other = MakeTarget();
    ASSERT_EQ(Draw(*other, a, {}, black.get()), S_OK);
    ASSERT_EQ(texels->keys.size(), 5u);
    EXPECT_EQ(std::count(texels->keys.begin(), texels->keys.end(), texels->keys[4]), 1);

    // Without kept pages every drawing is a picture of its own.
    qtext::SetPageCacheCapacity(0);
    gpu::Ref<gpu::TextTarget> uncached = MakeTarget();
    texels->keys.clear();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Draw(*uncached, a, {}, black.get()), S_OK);
    }
    ASSERT_EQ(texels->keys.size(), 3u);
    EXPECT_NE(texels->keys[0], texels->keys[1]);
    EXPECT_NE(texels->keys[1], texels->keys[2]);
}

// Without kept pages every page is put together over the last one, clearing only what that one
// inked: each must still come out exactly as on a fresh target.
TEST_F(TextStack, PagesPutTogetherOverEachOtherEqualFreshOnes) {
    qtext::SetPageCacheCapacity(0);
    gpu::Ref<gpu::TextTarget> reused = MakeTarget();
    const std::u16string pages[] = {
        Kanji(64),
        FullWidth(u"ｶﾞﾊﾟ ABC 123 漢字かなカナ、。「」"),
        u"",
        Kanji(3),
        FullWidth(u"国境の長いトンネルを抜けると雪国であった。夜の底が白くなった。"),
        Kanji(64),
    };
    for (const std::u16string& page : pages) {
        ASSERT_EQ(Draw(*reused, page, {}, black.get()), S_OK);
        const std::vector<std::uint32_t> built = texels->pixels;
        gpu::Ref<gpu::TextTarget> fresh = MakeTarget();
        ASSERT_EQ(Draw(*fresh, page, {}, black.get()), S_OK);
        EXPECT_TRUE(built == texels->pixels) << "page of " << page.size();
    }
}

TEST_F(TextStack, TextDrawnTwiceOverItselfBlends) {
    const std::u16string page = Kanji(8);
    const std::vector<std::uint32_t> once = DrawPage(page);
    target->BeginDraw();
    target->SetTransform({});
    target->Clear({});
    for (int i = 0; i < 2; ++i) {
        target->DrawText(page, format.get(), {0.0f, 0.0f, 8192.0f, 128.0f}, black.get(),
                         gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
    }
    ASSERT_EQ(target->EndDraw(), S_OK);
    int darker = 0;
    for (std::size_t i = 0; i < once.size(); ++i) {
        const std::uint32_t a1 = AlphaOf(once[i]);
        const std::uint32_t a2 = AlphaOf(texels->pixels[i]);
        EXPECT_GE(a2, a1);
        if (a1 == 0 || a1 == 255) {
            EXPECT_EQ(a2, a1);
        } else {
            EXPECT_NEAR(static_cast<double>(a2), a1 + (255.0 - a1) * a1 / 255.0, 1.0);
            darker += a2 > a1 ? 1 : 0;
        }
    }
    EXPECT_GT(darker, 100);
}

TEST_F(TextStack, TransformMovesOrScalesTheText) {
    const std::u16string page = Kanji(4);
    const std::vector<std::uint32_t> plain = DrawPage(page);
    gpu::Matrix3x2F moved;
    moved.dx = 256.0f;
    ASSERT_EQ(Draw(*target, page, {}, black.get(), moved), S_OK);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x + 256 < kWidth; ++x) {
            ASSERT_EQ(texels->pixels[y * kWidth + x + 256], plain[y * kWidth + x]) << x << "," << y;
        }
    }
    gpu::Matrix3x2F half;
    half.m11 = 0.5f;
    half.m22 = 0.5f;
    ASSERT_EQ(Draw(*target, page, {}, black.get(), half), S_OK);
    const Box box = InkBox(texels->pixels, 0, kWidth);
    EXPECT_GT(box.x1, 192);
    EXPECT_LT(box.x1, 256);
    EXPECT_LT(box.y1, 64);
}

TEST_F(TextStack, HigherResolutionMakesASmallerTargetInDeviceIndependentPixels) {
    gpu::Ref<gpu::TextTarget> sharp = MakeTarget(192.0f);
    EXPECT_EQ(sharp->GetSize(), (gpu::SizeF{4096.0f, 64.0f}));
}

TEST_F(TextStack, DrawingOutOfOrderOrWithForeignObjectsFailsWithoutUploading) {
    EXPECT_EQ(target->EndDraw(), E_FAIL);
    ForeignFormat foreign;
    target->BeginDraw();
    target->Clear({});
    target->DrawText(u"ａ", &foreign, {0.0f, 0.0f, 10.0f, 10.0f}, black.get(), 0,
                     gpu::MeasuringMode::Natural);
    EXPECT_EQ(target->EndDraw(), E_INVALIDARG);
    // A clear outside a drawing spoils the next one.
    target->Clear({});
    target->BeginDraw();
    target->Clear({});
    EXPECT_EQ(target->EndDraw(), E_FAIL);
    target->BeginDraw();
    target->BeginDraw();
    EXPECT_EQ(target->EndDraw(), E_FAIL);
    EXPECT_EQ(texels->writes, 0);
    // And then a good drawing succeeds again.
    DrawPage(u"ａ");
    EXPECT_EQ(texels->writes, 1);
}

TEST_F(TextStack, FailedUploadIsTheResultOfTheDrawing) {
    texels->fail = E_OUTOFMEMORY;
    EXPECT_EQ(Draw(*target, Kanji(2), {}, black.get()), E_OUTOFMEMORY);
    texels->fail = S_OK;
    EXPECT_EQ(Draw(*target, Kanji(2), {}, black.get()), S_OK);
    EXPECT_EQ(texels->writes, 1);
}

TEST_F(TextStack, RunningOutOfMemoryFailsTheDrawingAndTheNextOneRecovers) {
    const std::u16string kept = Kanji(64);
    const std::u16string other = FullWidth(u"メモリが尽きても次の頁は描ける");
    const std::vector<std::uint32_t> first = DrawPage(kept);
    const int writes = texels->writes;
    {
        // A page's picture is 4 MiB; nothing else the drawing allocates comes near 1 MiB.
        LargeAllocationFailure failing(1 << 20);
        EXPECT_EQ(Draw(*target, other, {}, black.get()), E_OUTOFMEMORY);
        EXPECT_GT(failing.failures(), 0u);
    }
    EXPECT_EQ(texels->writes, writes) << "nothing half drawn was uploaded";
    EXPECT_EQ(DrawPage(kept), first) << "the kept page survives";
    const std::vector<std::uint32_t> drawn = DrawPage(other);
    gpu::Ref<gpu::TextTarget> fresh = MakeTarget();
    ASSERT_EQ(Draw(*fresh, other, {}, black.get()), S_OK);
    EXPECT_TRUE(texels->pixels == drawn) << "the failed page comes out whole the next time";
}

TEST_F(TextStack, TargetsNeedARenderTargetSurfaceAndIgnoredAlpha) {
    MemorySurface surface(texels);
    gpu::RenderTargetProperties properties;
    properties.pixelFormat = {gpu::Format::B8G8R8A8_UNorm, gpu::AlphaMode::Premultiplied};
    gpu::Ref<gpu::TextTarget> made;
    EXPECT_EQ(factory->CreateDxgiSurfaceRenderTarget(&surface, properties, &made), E_INVALIDARG);
    properties.pixelFormat = {gpu::Format::D32_Float, gpu::AlphaMode::Ignore};
    EXPECT_EQ(factory->CreateDxgiSurfaceRenderTarget(&surface, properties, &made), E_INVALIDARG);
    properties.pixelFormat = {};
    texels->desc.bindFlags = gpu::kBindShaderResource;
    EXPECT_EQ(factory->CreateDxgiSurfaceRenderTarget(&surface, properties, &made), E_INVALIDARG);
    EXPECT_EQ(made, nullptr);
}

TEST_F(TextStack, LayoutIsKeptPerTextAndFollowsTheAlignment) {
    auto* own = dynamic_cast<qtext::TextFormat*>(format.get());
    const auto first = own->Layout(u"ＡＢ", 8192.0f, 128.0f);
    EXPECT_EQ(own->Layout(u"ＡＢ", 8192.0f, 128.0f), first);
    ASSERT_EQ(first->glyphs.size(), 2u);
    EXPECT_FLOAT_EQ(first->glyphs[0].x, 0.0f);
    EXPECT_FLOAT_EQ(first->glyphs[1].x, 128.0f);
    const float ascent = 128.0f * 1802.0f / 2048.0f;
    EXPECT_NEAR(first->glyphs[0].y, ascent, 0.01);

    const std::uint64_t version = own->version();
    ASSERT_EQ(own->SetParagraphAlignment(gpu::ParagraphAlignment::Far), S_OK);
    EXPECT_NE(own->version(), version);
    EXPECT_NEAR(own->Layout(u"ＡＢ", 8192.0f, 200.0f)->glyphs[0].y, 72.0f + ascent, 0.01);
    ASSERT_EQ(own->SetParagraphAlignment(gpu::ParagraphAlignment::Near), S_OK);
    EXPECT_NEAR(own->Layout(u"ＡＢ", 8192.0f, 200.0f)->glyphs[0].y, ascent, 0.01);
}

TEST_F(TextStack, TextAlignmentPutsEachLineAtTheStartTheEndOrTheMiddleOfItsBox) {
    auto* own = dynamic_cast<qtext::TextFormat*>(format.get());
    const std::uint64_t version = own->version();
    ASSERT_EQ(own->SetTextAlignment(gpu::TextAlignment::Center), S_OK);
    EXPECT_NE(own->version(), version);
    const auto centred = own->Layout(u"ＡＢ", 1000.0f, 128.0f);
    ASSERT_EQ(centred->glyphs.size(), 2u);
    EXPECT_FLOAT_EQ(centred->glyphs[0].x, 372.0f);
    EXPECT_FLOAT_EQ(centred->glyphs[1].x, 500.0f);
    // Wrapped lines each have their own middle.
    const auto lines = own->Layout(Kanji(12), 1000.0f, 128.0f);
    ASSERT_EQ(lines->glyphs.size(), 12u);
    EXPECT_FLOAT_EQ(lines->glyphs[0].x, 52.0f);
    EXPECT_FLOAT_EQ(lines->glyphs[7].x, 180.0f);
    ASSERT_EQ(own->SetTextAlignment(gpu::TextAlignment::Trailing), S_OK);
    EXPECT_FLOAT_EQ(own->Layout(u"ＡＢ", 1000.0f, 128.0f)->glyphs[0].x, 744.0f);
    ASSERT_EQ(own->SetTextAlignment(gpu::TextAlignment::Leading), S_OK);
    EXPECT_FLOAT_EQ(own->Layout(u"ＡＢ", 1000.0f, 128.0f)->glyphs[0].x, 0.0f);
    EXPECT_EQ(own->SetTextAlignment(static_cast<gpu::TextAlignment>(7)), E_INVALIDARG);
    EXPECT_EQ(own->SetParagraphAlignment(static_cast<gpu::ParagraphAlignment>(7)), E_INVALIDARG);
}

// A drawing is laid out only when its page is put together, with the format as it was when the
// drawing was recorded; a page drawn again from the same drawing is not laid out anew.
TEST_F(TextStack, DrawingKeepsTheAlignmentItWasRecordedWith) {
    const gpu::SizeF size = target->GetSize();
    const auto draw = [&] {
        target->BeginDraw();
        target->Clear({});
        target->DrawText(u"永", format.get(), {0.0f, 0.0f, size.width, size.height}, black.get(),
                         gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
    };
    draw();
    ASSERT_EQ(format->SetTextAlignment(gpu::TextAlignment::Center), S_OK);
    ASSERT_EQ(target->EndDraw(), S_OK);
    EXPECT_LT(InkBox(texels->pixels, 0, kWidth).x1, 128);

    const auto* own = dynamic_cast<const qtext::TextTarget*>(target.get());
    const std::size_t composed = own->pagesComposed();
    draw();
    ASSERT_EQ(target->EndDraw(), S_OK);
    const Box centred = InkBox(texels->pixels, 0, kWidth);
    EXPECT_GT(centred.x0, 4096 - 64);
    EXPECT_LT(centred.x1, 4096 + 64);
    EXPECT_EQ(own->pagesComposed(), composed + 1);
    draw();
    ASSERT_EQ(target->EndDraw(), S_OK);
    EXPECT_EQ(own->pagesComposed(), composed + 1);
}

TEST_F(TextStack, TextWiderThanTheBoxWrapsOntoAnotherLine) {
    auto* own = dynamic_cast<qtext::TextFormat*>(format.get());
    const auto layout = own->Layout(Kanji(70), 8192.0f, 128.0f);
    ASSERT_EQ(layout->glyphs.size(), 70u);
    EXPECT_FLOAT_EQ(layout->glyphs[64].x, 0.0f);
    EXPECT_NEAR(layout->glyphs[64].y - layout->glyphs[0].y, 128.0f, 0.01);
    // Two lines centred on a row of one: the first starts half a line higher.
    EXPECT_NEAR(layout->glyphs[0].y, 128.0f * 1802.0f / 2048.0f - 64.0f, 0.01);
}

// A target made after another one of the same factory (a new font colour) takes over its page
// images, and what it draws on them is what a target of its own draws on new ones, with or
// without a clear first.
TEST_F(TextStack, ANewTargetTakesOverThePageImagesOfTheOneBefore) {
    auto* own = dynamic_cast<qtext::TextFactory*>(factory.get());
    ASSERT_NE(own, nullptr);
    const std::vector<std::u16string> pages = {Kanji(64), Kanji(5), FullWidth(u"ABC")};
    std::vector<const std::uint32_t*> images;
    for (const std::u16string& page : pages) {
        DrawPage(page);
        images.push_back(dynamic_cast<const qtext::TextTarget*>(target.get())->pixels());
    }
    EXPECT_EQ(own->pages()->size(), 0u);
    target.reset();
    EXPECT_EQ(own->pages()->size(), 3u);

    gpu::Ref<gpu::TextFactory> otherFactory;
    ASSERT_EQ(qtext::CreateTextFactory(gpu::FactoryType::SingleThreaded, &otherFactory), S_OK);
    const auto drawOn = [&](gpu::TextFactory& maker, bool clear) {
        MemorySurface surface(texels);
        gpu::RenderTargetProperties properties;
        gpu::Ref<gpu::TextTarget> made;
        EXPECT_EQ(maker.CreateDxgiSurfaceRenderTarget(&surface, properties, &made), S_OK);
        gpu::Ref<gpu::Brush> red;
        EXPECT_EQ(made->CreateSolidColorBrush({1.0f, 0.0f, 0.0f, 1.0f}, &red), S_OK);
        made->BeginDraw();
        if (clear) {
            made->Clear({0.0f, 0.0f, 1.0f, 0.0f});
        }
        made->DrawText(Kanji(2), format.get(), {0.0f, 0.0f, 8192.0f, 128.0f}, red.get(),
                       gpu::kDrawTextOptionsNone, gpu::MeasuringMode::Natural);
        EXPECT_EQ(made->EndDraw(), S_OK);
        const std::uint32_t* image = dynamic_cast<const qtext::TextTarget*>(made.get())->pixels();
        return std::make_pair(image, texels->pixels);
    };
    for (const bool clear : {true, false}) {
        const auto [image, taken] = drawOn(*factory, clear);
        EXPECT_NE(std::find(images.begin(), images.end(), image), images.end());
        EXPECT_EQ(own->pages()->size(), 3u) << "the image went back with its target";
        const auto [otherImage, fresh] = drawOn(*otherFactory, clear);
        EXPECT_TRUE(taken == fresh) << (clear ? "after a clear" : "without a clear");
    }
}

TEST(PagePool, ImagesComeBackZeroedAndOnlyAsManyAsItKeeps) {
    qtext::PagePool pool(2);
    std::vector<std::uint32_t> image = pool.Take(16);
    EXPECT_EQ(image, std::vector<std::uint32_t>(16, 0));
    std::fill(image.begin(), image.end(), 7u);
    const std::uint32_t* storage = image.data();
    pool.Give(std::move(image));
    EXPECT_EQ(pool.size(), 1u);

    // Only an image of the size asked for is taken.
    const std::vector<std::uint32_t> smaller = pool.Take(8);
    EXPECT_EQ(smaller.size(), 8u);
    EXPECT_EQ(pool.size(), 1u);
    std::vector<std::uint32_t> again = pool.Take(16);
    EXPECT_EQ(again.data(), storage);
    EXPECT_EQ(again, std::vector<std::uint32_t>(16, 0));
    EXPECT_EQ(pool.size(), 0u);

    pool.Give(std::move(again));
    pool.Give(std::vector<std::uint32_t>(16, 1));
    pool.Give(std::vector<std::uint32_t>(16, 2));
    EXPECT_EQ(pool.size(), 2u);
    qtext::PagePool none(2);
    none.Give({});
    EXPECT_EQ(none.size(), 0u);
}

TEST(GlyphCache, EachGlyphIsFilledOnceAndTheBudgetHolds) {
    QFont font;
    font.setFamilies({"IPAexMincho"});
    font.setPixelSize(128);
    const QRawFont raw = QRawFont::fromFont(font);
    ASSERT_TRUE(raw.isValid());
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUtf16(Kanji(40).data()));
    qtext::GlyphCache cache(200 * 1024);
    const auto mask = cache.Get(raw, glyphs[0], 0, 0, true);
    EXPECT_EQ(cache.Get(raw, glyphs[0], 0, 0, true), mask);
    EXPECT_EQ(cache.rasterised(), 1u);
    EXPECT_NE(cache.Get(raw, glyphs[0], 2, 0, true), mask);
    EXPECT_EQ(cache.rasterised(), 2u);
    for (quint32 glyph : glyphs) {
        cache.Get(raw, glyph, 0, 0, true);
        EXPECT_LE(cache.bytes(), 200u * 1024u);
    }
    EXPECT_LT(cache.size(), 40u);
    // Dropped from the cache, the mask is still whole for whoever holds it.
    EXPECT_EQ(mask->coverage.size(), static_cast<std::size_t>(mask->width) * mask->height);
    // Every row's span holds all of its ink.
    for (int y = 0; y < mask->height; ++y) {
        const auto [first, last] = mask->spans[static_cast<std::size_t>(y)];
        for (int x = 0; x < mask->width; ++x) {
            if (x < first || x >= last) {
                EXPECT_EQ(mask->coverage[static_cast<std::size_t>(y) * mask->width + x], 0);
            }
        }
    }
}

TEST(GlyphCache, AFontIsDroppedWithItsLastGlyph) {
    QFont font;
    font.setFamilies({"IPAexMincho"});
    const QList<quint32> glyphs = [&] {
        font.setPixelSize(128);
        return QRawFont::fromFont(font).glyphIndexesForString(QString::fromUtf16(Kanji(20).data()));
    }();
    // Each size is a font of its own: a long flight through many would keep them all.
    qtext::GlyphCache cache(100 * 1024);
    for (int size = 100; size < 140; ++size) {
        font.setPixelSize(size);
        const QRawFont raw = QRawFont::fromFont(font);
        ASSERT_TRUE(raw.isValid());
        for (quint32 glyph : glyphs) {
            cache.Get(raw, glyph, 0, 0, true);
        }
        EXPECT_LE(cache.fonts(), 2u) << "at size " << size;
    }
    // A font met again after it was dropped fills its glyphs anew, each at its own size.
    font.setPixelSize(100);
    const std::size_t filled = cache.rasterised();
    const auto small = cache.Get(QRawFont::fromFont(font), glyphs[0], 0, 0, true);
    EXPECT_EQ(cache.rasterised(), filled + 1);
    font.setPixelSize(139);
    const auto large = cache.Get(QRawFont::fromFont(font), glyphs[0], 0, 0, true);
    EXPECT_LT(small->height, large->height);
}

}  // namespace
