#pragma once

#include <cstddef>

#include "base/Math.h"

// The element of every GPU vertex buffer: the input layout reads the position at byte 0 and the
// texture coordinate at byte 12, with a stride of 20.
struct Vertex {
    Vec3 position;
    float u = 0.0f;
    float v = 0.0f;
};

static_assert(sizeof(Vec3) == 12);
static_assert(sizeof(Vertex) == 20);
static_assert(offsetof(Vertex, position) == 0);
static_assert(offsetof(Vertex, u) == 12);
static_assert(offsetof(Vertex, v) == 16);
