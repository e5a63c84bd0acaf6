#pragma once

#include <string>
#include <vector>

#include "base/Result.h"
#include "scene/Face.h"
#include "scene/IndexGroup.h"
#include "scene/VertexBatch.h"

// The mesh of one page of 64 characters: four corners and one face per character, and the
// batch that draws them. Buffers are owned uniquely, so segments move rather than copy.
struct RibbonSegment {
    std::u16string name;
    std::vector<Vec3> positions;
    std::vector<IndexGroup> groups;
    std::vector<Face> faces;
    std::vector<VertexBatch> batches;

    RibbonSegment() = default;
    RibbonSegment(RibbonSegment&&) noexcept = default;
    RibbonSegment& operator=(RibbonSegment&&) noexcept = default;

    // Quad j of the page with corners c0..c3; its u runs from j / pageLength to
    // (j + 1) / pageLength, its v from 0 at the c0-c1 edge to 1 at the c3-c2 edge.
    void AddQuad(int j, Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3, float pageLength);
    // Fills the batches from the faces and makes their vertex buffers on device. Without a
    // device the batches keep their vertices and no buffer, and E_FAIL is returned.
    HRESULT CreateBuffers(gpu::Device* device);
    // Releases every buffer and empties every list.
    void Clear();
};
