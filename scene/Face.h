#pragma once

#include <cstdint>
#include <vector>

#include "scene/IndexGroupList.h"
#include "scene/InlineVector.h"

// A texture coordinate pair of a face corner.
struct CUV {
    float u = 0.0f;
    float v = 0.0f;
    friend bool operator==(const CUV&, const CUV&) = default;
};

// One polygon of a ribbon segment. Ribbon faces are quads, so four corners live inline.
struct Face {
    std::int32_t materialId = 0;
    InlineVector<std::int32_t, 4> indices;
    IndexGroupList groups;
    InlineVector<CUV, 4> texCoords;
};
