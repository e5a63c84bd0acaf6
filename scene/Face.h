#pragma once

#include <cstdint>
#include <vector>

#include "scene/InlineVector.h"

// A texture coordinate pair of a face corner.
struct CUV {
    float u = 0.0f;
    float v = 0.0f;
    friend bool operator==(const CUV&, const CUV&) = default;
};

// Carried by segments and faces, never filled: kept so that the mesh records stay complete.
struct IndexGroup {
    std::uint32_t values[3] = {};
    std::vector<std::int32_t> indices;
};

// One polygon of a ribbon segment. Ribbon faces are quads, so four corners live inline.
struct Face {
    std::int32_t materialId = 0;
    InlineVector<std::int32_t, 4> indices;
    std::vector<IndexGroup> groups;
    InlineVector<CUV, 4> texCoords;
};
