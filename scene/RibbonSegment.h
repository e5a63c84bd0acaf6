#pragma once

#include <string>
#include <vector>

#include "base/Result.h"
#include "scene/Face.h"
#include "scene/IndexGroup.h"
#include "scene/VertexBatch.h"

// Half the height of the card over a path step d: it has the direction of the camera's up
// vector for the step and length 100, so the card of a climbing step is a parallelogram.
Vec3 CardOffset(Vec3 d);

// The faces of a page's characters, and those of the cards above them that carry what is drawn
// small over the characters (Scene::ruby): each gathers into a batch of its own, drawn with a
// picture of its own.
inline constexpr std::int32_t kTextMaterial = 0;
inline constexpr std::int32_t kRubyMaterial = 1;

// The mesh of one page of 64 characters: four corners and one face per character, and the
// batch that draws them; where ruby lies over the page, the cards that carry it after them.
// Buffers are owned uniquely, so segments move rather than copy.
struct RibbonSegment {
    std::u16string name;
    std::vector<Vec3> positions;
    std::vector<IndexGroup> groups;
    std::vector<Face> faces;
    std::vector<VertexBatch> batches;
    // The entries of Scene::ruby from rubyBegin up to rubyEnd include all whose reading reaches
    // over this page; none when equal.
    std::uint32_t rubyBegin = 0;
    std::uint32_t rubyEnd = 0;

    RibbonSegment() = default;
    RibbonSegment(RibbonSegment&&) noexcept = default;
    RibbonSegment& operator=(RibbonSegment&&) noexcept = default;

    // Quad j of the page with corners c0..c3; its u runs from j / pageLength to
    // (j + 1) / pageLength, its v from 0 at the c0-c1 edge to 1 at the c3-c2 edge.
    void AddQuad(int j, Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3, float pageLength);
    // A card of the ruby material with corners c0..c3 after every face so far; its u runs from
    // u0 to u1, its v from 0 at the c0-c1 edge to 1 at the c3-c2 edge.
    void AddRubyQuad(Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3, float u0, float u1);
    // Fills the batches from the faces and makes their vertex buffers on device. Without a
    // device the batches keep their vertices and no buffer, and E_FAIL is returned.
    HRESULT CreateBuffers(gpu::Device* device);
    // Releases every buffer and empties every list.
    void Clear();
};
