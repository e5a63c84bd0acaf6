#pragma once

#include <cstdint>
#include <vector>

#include "gpu/Device.h"
#include "scene/Vertex.h"

// The drawable part of a segment: a triangle list and the vertex buffer made from it.
struct VertexBatch {
    std::vector<Vertex> vertices;
    gpu::Ref<gpu::Buffer> buffer;
    std::int32_t materialId = 0;
};
