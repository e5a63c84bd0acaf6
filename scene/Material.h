#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "gpu/Types.h"

// A material record. Only color is read (the renderer copies the first material's colour into
// every draw); the rest is carried along. The reference is never set by this program; it is
// shared so that copying a record cannot leave two owners of one object.
struct Material {
    std::int32_t id = 0;
    std::u16string name = u"Tamor";
    std::array<float, 4> color = {1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 5> parameters = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    std::array<std::u16string, 3> strings;
    std::shared_ptr<gpu::Object> reference;
};
