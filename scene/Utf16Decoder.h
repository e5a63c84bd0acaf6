#pragma once

#include <cstdint>

// UTF-16 in either byte order to UTF-16 as the machine stores it. A surrogate that is not half
// of a pair becomes U+FFFD, and so does a lone byte at the very end.
class Utf16Decoder {
  public:
    static constexpr char16_t kReplacement = u'\uFFFD';

    // Decodes from in into [out, outEnd), advancing both. Stops at inEnd, when the output has
    // room for fewer than two units, or, with final false, at a high surrogate or a single byte
    // at the end, which the bytes of the next call may complete.
    static void Decode(const std::uint8_t*& in, const std::uint8_t* inEnd, bool bigEndian,
                       bool final, char16_t*& out, char16_t* outEnd);
};
