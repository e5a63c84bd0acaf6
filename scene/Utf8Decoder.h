#pragma once

#include <cstdint>

// UTF-8 to UTF-16. Ill-formed input never stops decoding: each maximal part of an ill-formed
// sequence (the longest start of a well-formed one, or else a single byte) becomes one U+FFFD,
// and decoding goes on at the byte after it.
class Utf8Decoder {
  public:
    static constexpr char16_t kReplacement = u'\uFFFD';

    // Same contract as Cp932Decoder::Decode: out needs room for end - begin units (a four-byte
    // sequence gives two); with final false, an incomplete sequence at the end is left unread
    // and its first byte returned.
    static const std::uint8_t* Decode(const std::uint8_t* begin, const std::uint8_t* end,
                                      bool final, char16_t*& out);

    // Whether [begin, end) is well-formed UTF-8. With cutEnd, the bytes stop part way through
    // the text: the start of a well-formed sequence at the end counts as well-formed.
    static bool IsWellFormed(const std::uint8_t* begin, const std::uint8_t* end, bool cutEnd);

    // Where the processor has SSSE3, runs of ASCII, two- and three-byte sequences are decoded
    // sixteen bytes at a time. Tests turn that off to compare it with the plain loop.
    static void UseVectorsForTesting(bool use);
};
