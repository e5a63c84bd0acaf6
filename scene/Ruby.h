#pragma once

#include <cstdint>
#include <string>

// Text drawn small over a run of the scene's characters: a reading (ruby) centred over its
// base, or emphasis marks, one centred over each base character. The base characters are part
// of Scene::text; what is drawn over them never is.
struct Ruby {
    enum class Kind : std::uint8_t {
        // reading: the whole reading centred over the whole base, overhanging a shorter base.
        Reading,
        // reading: one mark, drawn over each of the count characters.
        Emphasis,
    };
    // Index of the first base character in Scene::text, and how many characters the base has
    // (at least one).
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    std::u16string reading;
    Kind kind = Kind::Reading;

    bool operator==(const Ruby&) const = default;
};

// How many characters beyond each end of a page the picture of the page's ruby holds: a reading
// wider than its base is carried straight on past the base's first and last cards, as far as
// this, so the cards at either end of a page still find it in their own page's picture.
inline constexpr int kRubyReach = 2;
