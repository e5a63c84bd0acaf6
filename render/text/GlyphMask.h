#pragma once

#include <cstdint>
#include <vector>

namespace qtext {

// One glyph rasterised: coverage 0 to 255, `width` x `height`, its top-left corner at
// (left, top) from the whole pixel the glyph's pen position falls in.
struct GlyphMask {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;

    std::size_t Bytes() const { return coverage.size() + sizeof(GlyphMask); }
};

}  // namespace qtext
