#pragma once

#include <QRawFont>

#include <cstdint>
#include <vector>

namespace qtext {

// A text laid out in a box: each glyph with its font and pen position (on the baseline), in
// device-independent pixels from the box's top-left corner.
struct PageLayout {
    struct Glyph {
        std::uint32_t font = 0;
        quint32 index = 0;
        float x = 0.0f;
        float y = 0.0f;
    };
    std::vector<QRawFont> fonts;
    std::vector<Glyph> glyphs;
};

}  // namespace qtext
