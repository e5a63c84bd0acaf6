#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "scene/Scene.h"
#include "tests/fakes/FakeGpu.h"
#include "tests/support/ScopedRandom.h"

namespace {

// The straight path (200 k, 0, 0): every character's card spans y from -100 to 100, and what
// lies over it from 100 to 200.
class RubyCards : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                               gpu::FeatureLevel::Level_10_1, 0, &scene.device)));
    }

    void Build(std::size_t length, std::vector<Ruby> ruby) {
        scene.text = std::u16string(length, u'漢');
        scene.ruby = std::move(ruby);
        scene.Build();
    }

    // The ruby cards of a segment as (first x, last x) along the path, in the order made, each
    // checked to lie in the band over the characters with its texture across the full band.
    static std::vector<std::pair<float, float>> Cards(const RibbonSegment& segment) {
        std::vector<std::pair<float, float>> cards;
        for (const VertexBatch& batch : segment.batches) {
            if (batch.materialId != kRubyMaterial) {
                continue;
            }
            EXPECT_EQ(batch.vertices.size() % 6, 0u);
            for (std::size_t i = 0; i + 5 < batch.vertices.size(); i += 6) {
                const Vertex* v = &batch.vertices[i];
                // Corners 0, 1, 2 and 2, 3, 0: top left, top right, bottom right, bottom left.
                EXPECT_EQ(v[0].position.y, 200.0f);
                EXPECT_EQ(v[1].position.y, 200.0f);
                EXPECT_EQ(v[2].position.y, 100.0f);
                EXPECT_EQ(v[4].position.y, 100.0f);
                EXPECT_EQ(v[0].v, 0.0f);
                EXPECT_EQ(v[2].v, 1.0f);
                EXPECT_EQ(v[0].position.x, v[4].position.x);
                EXPECT_EQ(v[1].position.x, v[2].position.x);
                cards.emplace_back(v[0].position.x, v[1].position.x);
            }
        }
        return cards;
    }

    static Ruby Reading(std::uint32_t first, std::uint32_t count, std::u16string reading) {
        return {first, count, std::move(reading), Ruby::Kind::Reading};
    }

    ScopedRandom random{{7}};
    fake::FakeGpu gpu;
    Scene scene;
};

constexpr float kMargin = 200.0f / 32.0f;

TEST_F(RubyCards, CharactersKeepTheirCardsAndTheRubyGoesInABatchOfItsOwnAfterThem) {
    Build(130, {});
    std::vector<std::vector<Vertex>> plain;
    for (const RibbonSegment& segment : scene.segments) {
        ASSERT_EQ(segment.batches.size(), 1u);
        EXPECT_EQ(segment.rubyBegin, segment.rubyEnd);
        plain.push_back(segment.batches[0].vertices);
    }

    Build(130, {Reading(10, 2, u"かんじ"), Reading(70, 1, u"か")});
    ASSERT_EQ(scene.segments.size(), 3u);
    for (std::size_t s = 0; s < 3; ++s) {
        const RibbonSegment& segment = scene.segments[s];
        ASSERT_EQ(segment.batches.size(), s < 2 ? 2u : 1u) << s;
        EXPECT_EQ(segment.batches[0].materialId, kTextMaterial);
        const std::vector<Vertex>& vertices = segment.batches[0].vertices;
        ASSERT_EQ(vertices.size(), plain[s].size());
        EXPECT_EQ(std::memcmp(vertices.data(), plain[s].data(), vertices.size() * sizeof(Vertex)),
                  0);
    }
    EXPECT_EQ(scene.segments[0].batches[1].materialId, kRubyMaterial);
    EXPECT_NE(scene.segments[0].batches[1].buffer, nullptr);
    EXPECT_EQ(gpu.Live("Buffer"), 5);
}

TEST_F(RubyCards, ReadingsLieCentredOverTheirBasesAndGoStraightOnWhereWider) {
    Build(130, {
                   // As wide as its base: a card over each base character.
                   Reading(10, 2, u"かんじ\U00020B9F"),
                   // Narrower: only the middle of the base.
                   Reading(20, 4, u"よみ"),
                   // Wider: the base's one card goes on to either side.
                   Reading(30, 1, u"ふりがな"),
                   // Over the end of the page: a card on each page, from its own picture.
                   Reading(63, 2, u"ルビ"),
               });
    // Half a step, the width of a character drawn over another.
    const float em = 100.0f;
    EXPECT_THAT(
        Cards(scene.segments[0]),
        testing::ElementsAre(
            // Four characters (one a surrogate pair) over two, from 10 to 12.
            std::make_pair(2000.0f - kMargin, 2200.0f), std::make_pair(2200.0f, 2400.0f + kMargin),
            // Two over four, around the middle of 22.
            std::make_pair(4400.0f - em - kMargin, 4400.0f),
            std::make_pair(4400.0f, 4400.0f + em + kMargin),
            // Four over one, reaching half a character beyond it on either side.
            std::make_pair(6100.0f - 2 * em - kMargin, 6100.0f + 2 * em + kMargin),
            std::make_pair(12800.0f - em - kMargin, 12800.0f)));
    EXPECT_THAT(Cards(scene.segments[1]),
                testing::ElementsAre(std::make_pair(12800.0f, 12800.0f + em + kMargin)));

    // Each card's texture is its stretch of the page's picture, 68 columns with two beyond
    // either end of the page: the wide reading's card reaches into its neighbours' columns.
    const std::vector<Vertex>& ruby = scene.segments[0].batches[1].vertices;
    ASSERT_EQ(ruby.size(), 6u * 6u);
    const auto u = [](double column) { return static_cast<float>(column / 68.0); };
    EXPECT_FLOAT_EQ(ruby[0].u, u(12 - 1.0 / 32));
    EXPECT_FLOAT_EQ(ruby[1].u, u(13));
    EXPECT_FLOAT_EQ(ruby[4 * 6].u, u(32 - 0.5 - 1.0 / 32));
    EXPECT_FLOAT_EQ(ruby[4 * 6 + 1].u, u(33 + 0.5 + 1.0 / 32));
    EXPECT_FLOAT_EQ(ruby[5 * 6 + 1].u, u(66));
    EXPECT_FLOAT_EQ(scene.segments[1].batches[1].vertices[0].u, u(2));

    // The pages list what they draw: the entry over the page end on both.
    EXPECT_EQ(scene.segments[0].rubyBegin, 0u);
    EXPECT_EQ(scene.segments[0].rubyEnd, 4u);
    EXPECT_EQ(scene.segments[1].rubyBegin, 3u);
    EXPECT_EQ(scene.segments[1].rubyEnd, 4u);
    EXPECT_EQ(scene.segments[2].rubyBegin, scene.segments[2].rubyEnd);
}

TEST_F(RubyCards, EmphasisMarksLieOverEachCharacterAndReadingsThatMeetShareTheWay) {
    Build(64, {
                  {5, 3, u"﹅", Ruby::Kind::Emphasis},
                  // Two readings that reach a quarter of a character into each other: their
                  // cards meet halfway.
                  Reading(20, 1, u"ふりが"),
                  Reading(21, 1, u"ふりが"),
              });
    const float quarter = 50.0f;
    EXPECT_THAT(Cards(scene.segments[0]),
                testing::ElementsAre(
                    std::make_pair(1000.0f + quarter - kMargin, 1200.0f - quarter + kMargin),
                    std::make_pair(1200.0f + quarter - kMargin, 1400.0f - quarter + kMargin),
                    std::make_pair(1400.0f + quarter - kMargin, 1600.0f - quarter + kMargin),
                    std::make_pair(4000.0f - quarter - kMargin, 4200.0f),
                    std::make_pair(4200.0f, 4400.0f + quarter + kMargin)));
}

TEST_F(RubyCards, EntriesOutsideTheTextOrWithNothingToDrawMakeNoCards) {
    Build(64, {
                  Reading(0, 0, u"から"),
                  Reading(3, 1, u""),
                  Reading(62, 3, u"はみだし"),
                  Reading(64, 1, u"そと"),
                  Reading(4'294'967'295u, 2, u"あふれ"),
              });
    ASSERT_EQ(scene.segments.size(), 1u);
    EXPECT_EQ(scene.segments[0].batches.size(), 1u);
    EXPECT_EQ(scene.segments[0].rubyBegin, scene.segments[0].rubyEnd);

    // A reading over the first or last character goes on beyond the ends of the path.
    Build(2, {Reading(0, 1, u"ふりがな"), Reading(1, 1, u"ふりがな")});
    EXPECT_THAT(Cards(scene.segments[0]),
                testing::ElementsAre(std::make_pair(-100.0f - kMargin, 200.0f),
                                     std::make_pair(200.0f, 500.0f + kMargin)));
}

}  // namespace
