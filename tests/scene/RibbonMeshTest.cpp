#include <gtest/gtest.h>

#include <cstring>

#include "scene/Scene.h"
#include "tests/fakes/FakeGpu.h"
#include "tests/support/MatrixMatchers.h"
#include "tests/support/ScopedRandom.h"

namespace {

class RibbonMesh : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                               gpu::FeatureLevel::Level_10_1, 0, &scene.device)));
    }
    void BuildText(std::size_t length) {
        scene.text = std::u16string(length, u'm');
        scene.Build();
    }

    ScopedRandom random{{7}};  // constant draws: the straight path (200 k, 0, 0)
    fake::FakeGpu gpu;
    Scene scene;
};

TEST_F(RibbonMesh, SixtyFourCharactersMakeOnePageAndTheSixtyFifthASecond) {
    BuildText(64);
    ASSERT_EQ(scene.segments.size(), 1u);
    const RibbonSegment& page = scene.segments[0];
    EXPECT_EQ(page.positions.size(), 256u);
    EXPECT_EQ(page.faces.size(), 64u);
    ASSERT_EQ(page.batches.size(), 1u);
    EXPECT_EQ(page.batches[0].vertices.size(), 384u);
    EXPECT_NE(page.batches[0].buffer, nullptr);
    ASSERT_EQ(gpu.bufferDescs.size(), 1u);
    EXPECT_EQ(gpu.bufferDescs[0].byteWidth, 7680u);
    EXPECT_EQ(gpu.bufferDescs[0].usage, gpu::Usage::Default);
    EXPECT_EQ(gpu.bufferDescs[0].bindFlags, gpu::kBindVertexBuffer);
    EXPECT_EQ(gpu.bufferDescs[0].cpuAccessFlags, 0u);
    EXPECT_EQ(gpu.bufferDescs[0].miscFlags, 0u);

    gpu.bufferDescs.clear();
    BuildText(65);
    ASSERT_EQ(scene.segments.size(), 2u);
    EXPECT_EQ(scene.segments[1].faces.size(), 1u);
    EXPECT_EQ(scene.segments[1].batches[0].vertices.size(), 6u);
    ASSERT_EQ(gpu.bufferDescs.size(), 2u);
    EXPECT_EQ(gpu.bufferDescs[1].byteWidth, 120u);
    EXPECT_TRUE(scene.segments[1].name.empty());
}

TEST_F(RibbonMesh, EveryPageNumbersItsFacesAndBandsFromZero) {
    BuildText(200);
    ASSERT_EQ(scene.segments.size(), 4u);
    for (const RibbonSegment& page : scene.segments) {
        for (std::size_t j = 0; j < page.faces.size(); ++j) {
            const Face& face = page.faces[j];
            const auto base = static_cast<std::int32_t>(4 * j);
            EXPECT_EQ(face.materialId, 0);
            EXPECT_EQ(face.indices,
                      (InlineVector<std::int32_t, 4>{base, base + 1, base + 2, base + 3}));
            ASSERT_EQ(face.texCoords.size(), 4u);
            const float u0 = static_cast<float>(j) / 64.0f;
            const float u1 = static_cast<float>(j + 1) / 64.0f;
            EXPECT_EQ(face.texCoords[0], (CUV{u0, 0.0f}));
            EXPECT_EQ(face.texCoords[1], (CUV{u1, 0.0f}));
            EXPECT_EQ(face.texCoords[2], (CUV{u1, 1.0f}));
            EXPECT_EQ(face.texCoords[3], (CUV{u0, 1.0f}));
            EXPECT_TRUE(face.groups.empty());
        }
        EXPECT_TRUE(page.groups.empty());
    }
    EXPECT_EQ(scene.segments[3].faces.size(), 200u - 3 * 64);
}

TEST_F(RibbonMesh, FirstQuadSpansTheFirstStepAndIsDrawnAsTwoTriangles) {
    gpu.recordBufferContents = true;
    BuildText(3);
    const RibbonSegment& page = scene.segments[0];
    EXPECT_EQ(page.positions[0], (Vec3{0.0f, 100.0f, 0.0f}));
    EXPECT_EQ(page.positions[1], (Vec3{200.0f, 100.0f, 0.0f}));
    EXPECT_EQ(page.positions[2], (Vec3{200.0f, -100.0f, 0.0f}));
    EXPECT_EQ(page.positions[3], (Vec3{0.0f, -100.0f, 0.0f}));

    const std::vector<Vertex>& vertices = page.batches[0].vertices;
    const int corners[] = {0, 1, 2, 2, 3, 0};
    const CUV uv[] = {{0, 0}, {1.0f / 64, 0}, {1.0f / 64, 1}, {0, 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(vertices[i].position, page.positions[corners[i]]) << "vertex " << i;
        EXPECT_EQ(vertices[i].u, uv[corners[i]].u) << "vertex " << i;
        EXPECT_EQ(vertices[i].v, uv[corners[i]].v) << "vertex " << i;
    }
    // The buffer was made from exactly these vertices.
    ASSERT_EQ(gpu.bufferContents.size(), 1u);
    ASSERT_EQ(gpu.bufferContents[0].size(), vertices.size() * sizeof(Vertex));
    EXPECT_EQ(
        std::memcmp(gpu.bufferContents[0].data(), vertices.data(), gpu.bufferContents[0].size()),
        0);
}

TEST_F(RibbonMesh, ClimbingStepGivesAParallelogramWithOffsetOfLength100) {
    // A climb rate of 2 degrees: the second step climbs, and its offset leans along z.
    ScopedRandom climbing({0, 0, 20, 0});
    BuildText(2);
    const RibbonSegment& page = scene.segments[0];
    const Vec3 p = scene.pathPoints[1];
    const Vec3 q = scene.pathPoints[2];
    ASSERT_NE(q.z, p.z);
    const Vec3 o = page.positions[4] - p;
    EXPECT_NEAR(Length(o), 100.0f, 1e-3f);
    EXPECT_GT(o.z, 0.0f) << "the offset follows the step's climb";
    EXPECT_TRUE(VecNear(page.positions[6], q - o, 1e-3f));
}

TEST_F(RibbonMesh, FailedBufferLeavesThatPageWithVerticesAndTheBuildGoesOn) {
    gpu.Fail("CreateBuffer", 2);
    BuildText(3 * 64);
    ASSERT_EQ(scene.segments.size(), 3u);
    EXPECT_NE(scene.segments[0].batches[0].buffer, nullptr);
    EXPECT_EQ(scene.segments[1].batches[0].buffer, nullptr);
    EXPECT_EQ(scene.segments[1].batches[0].vertices.size(), 384u);
    EXPECT_NE(scene.segments[2].batches[0].buffer, nullptr);
    EXPECT_EQ(gpu.Live("Buffer"), 2);
    // The camera was still set up after the failure.
    EXPECT_NE(scene.view, ResetView());
}

TEST_F(RibbonMesh, WithoutADeviceBatchesKeepTheirVerticesAndNoBuffer) {
    scene.device.reset();
    BuildText(70);
    ASSERT_EQ(scene.segments.size(), 2u);
    for (const RibbonSegment& page : scene.segments) {
        ASSERT_EQ(page.batches.size(), 1u);
        EXPECT_EQ(page.batches[0].buffer, nullptr);
        EXPECT_FALSE(page.batches[0].vertices.empty());
    }
}

TEST_F(RibbonMesh, FacesOtherThanQuadsAndTrianglesAddNothing) {
    RibbonSegment page;
    page.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 2}};
    Face pentagon;
    pentagon.materialId = 3;
    pentagon.indices = {0, 1, 2, 3, 4};
    page.faces.push_back(pentagon);
    Face triangle;
    triangle.materialId = 1;
    triangle.indices = {4, 0, 1};
    triangle.texCoords = {{0.5f, 0.25f}};  // only the first corner has one
    page.faces.push_back(triangle);

    ASSERT_EQ(page.CreateBuffers(scene.device.get()), S_OK);
    ASSERT_EQ(page.batches.size(), 1u) << "the pentagon's empty batch is removed";
    EXPECT_EQ(page.batches[0].materialId, 1);
    ASSERT_EQ(page.batches[0].vertices.size(), 3u);
    EXPECT_EQ(page.batches[0].vertices[0].position, (Vec3{2, 2, 2}));
    EXPECT_EQ(page.batches[0].vertices[0].u, 0.5f);
    EXPECT_EQ(page.batches[0].vertices[1].u, 0.0f);
    EXPECT_EQ(page.batches[0].vertices[2].v, 0.0f);
    EXPECT_EQ(gpu.Created("Buffer"), 1);
    EXPECT_EQ(gpu.bufferDescs.back().byteWidth, 60u);
}

TEST_F(RibbonMesh, FacesOfTwoMaterialsFillTwoBatchesMadeLastFirst) {
    RibbonSegment page;
    page.AddQuad(0, {}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 64.0f);
    page.AddQuad(1, {}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 64.0f);
    page.faces[1].materialId = 5;
    gpu.Fail("CreateBuffer", 1);
    EXPECT_EQ(page.CreateBuffers(scene.device.get()), E_FAIL);
    ASSERT_EQ(page.batches.size(), 2u);
    EXPECT_EQ(page.batches[0].materialId, 0);
    EXPECT_EQ(page.batches[1].materialId, 5);
    // The last batch is made first, so its failure leaves both without a buffer.
    EXPECT_EQ(page.batches[0].buffer, nullptr);
    EXPECT_EQ(page.batches[1].buffer, nullptr);
    EXPECT_EQ(gpu.CountOf("CreateBuffer"), 1);
}

TEST_F(RibbonMesh, CornerIndexOutsideThePositionsReadsNothingOutside) {
    RibbonSegment page;
    page.positions = {{1, 2, 3}};
    Face face;
    face.indices = {0, 7, -1};
    page.faces.push_back(face);
    ASSERT_EQ(page.CreateBuffers(scene.device.get()), S_OK);
    ASSERT_EQ(page.batches[0].vertices.size(), 3u);
    EXPECT_EQ(page.batches[0].vertices[0].position, (Vec3{1, 2, 3}));
    EXPECT_EQ(page.batches[0].vertices[1].position, (Vec3{}));
    EXPECT_EQ(page.batches[0].vertices[2].position, (Vec3{}));
}

TEST_F(RibbonMesh, ClearReleasesEachBufferOnceAndEmptiesEveryList) {
    BuildText(130);
    ASSERT_EQ(gpu.Live("Buffer"), 3);
    RibbonSegment page = std::move(scene.segments[1]);
    page.groups.emplace_back().indices = {1, 2, 3};
    page.Clear();
    EXPECT_EQ(gpu.Live("Buffer"), 2);
    EXPECT_TRUE(page.positions.empty());
    EXPECT_TRUE(page.faces.empty());
    EXPECT_TRUE(page.batches.empty());
    EXPECT_TRUE(page.groups.empty());
    page.Clear();
    EXPECT_EQ(gpu.Live("Buffer"), 2);
    EXPECT_EQ(gpu.Created("Buffer"), 3);
}

TEST(InlineVectorTest, GrowsBeyondItsInlineCapacityAndCopiesAndMoves) {
    InlineVector<int, 2> values;
    for (int i = 0; i < 10; ++i) {
        values.push_back(i * i);
    }
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values[9], 81);
    InlineVector<int, 2> copy = values;
    EXPECT_EQ(copy, values);
    InlineVector<int, 2> moved = std::move(copy);
    EXPECT_EQ(moved, values);
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty
    InlineVector<int, 2> small = {4, 5};
    small = values;
    EXPECT_EQ(small[3], 9);
    values.clear();
    EXPECT_TRUE(values.empty());
    values.push_back(1);
    EXPECT_EQ(values[0], 1);
}

TEST(InlineVectorTest, AnElementOfItsOwnCanBeAppendedWhileItGrows) {
    InlineVector<int, 2> values = {7, 8};
    values.push_back(values[0]);  // leaves the inline storage
    values.push_back(values[1]);
    values.push_back(values[2]);  // moves to a larger heap block
    EXPECT_EQ(values, (InlineVector<int, 2>{7, 8, 7, 8, 7}));
}

}  // namespace
