#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace qtext {

// One glyph rasterised: coverage 0 to 255, `width` x `height`, its top-left corner at
// (left, top) from the whole pixel the glyph's pen position falls in. For each row, the columns
// from `spans[row].first` up to `spans[row].second` hold all its ink (none when equal), so that
// drawing and clearing touch nothing of the box's empty margins.
struct GlyphMask {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> spans;

    std::size_t Bytes() const {
        return coverage.size() + spans.size() * sizeof(spans[0]) + sizeof(GlyphMask);
    }
};

}  // namespace qtext
