#pragma once

#include <cstdint>

// Code page 932 as Microsoft defines it (Shift_JIS with the NEC and IBM extensions and the
// user-defined area) to UTF-16, by table lookup.
class Cp932Decoder {
  public:
    static constexpr char16_t kReplacement = u'\uFFFD';

    // Decodes [begin, end) and writes the units at out, advancing it; out needs room for
    // end - begin units, since no byte yields more than one. Returns the first byte not
    // consumed: end, or, when final is false and the last byte is a lead byte, that byte, whose
    // trail has not been read yet.
    static const std::uint8_t* Decode(const std::uint8_t* begin, const std::uint8_t* end,
                                      bool final, char16_t*& out);

    static constexpr bool IsLead(std::uint8_t b) {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    }
};
