#pragma once

#include <cstdint>
#include <vector>

// Carried by segments and faces, never filled: kept so that the mesh records stay complete.
struct IndexGroup {
    std::uint32_t values[3] = {};
    std::vector<std::int32_t> indices;
};
