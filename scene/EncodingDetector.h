#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "scene/TextEncoding.h"

// The automatic choice of an encoding, from the bytes. Code page 932, UTF-8, EUC-JP and
// ISO-2022-JP all read ASCII alike, so the choice waits for the first byte where they part: a
// byte of 0x80 or above, or an escape that starts an ISO-2022-JP designation. It is made once,
// on the window of bytes from there, and holds for the rest of the text.
class EncodingDetector {
  public:
    // The bytes the choice looks at: enough for a sure answer, small enough to cost nothing
    // beside reading a large file.
    static constexpr std::size_t kWindow = 32 * 1024;
    static constexpr std::uint8_t kEscape = 0x1B;

    struct ByteOrderMark {
        TextEncoding encoding;  // Utf8, Utf16Le or Utf16Be
        std::size_t length;
    };
    // The byte-order mark at the start of [begin, end): EF BB BF, FF FE or FE FF.
    static std::optional<ByteOrderMark> FindByteOrderMark(const std::uint8_t* begin,
                                                          const std::uint8_t* end);

    // The first byte of [begin, end) that is 0x80 or above or an escape; end if none is.
    static const std::uint8_t* FindNonAscii(const std::uint8_t* begin, const std::uint8_t* end);
    // Whether the escape at p starts a designation that leaves ASCII in ISO-2022-JP (ESC $ @,
    // ESC $ B, ESC $ A, ESC $ ( F, ESC ( I); it needs the three bytes from p.
    static bool StartsDesignation(const std::uint8_t* p, const std::uint8_t* end);

    // The choice for the window [begin, end), which starts at the byte where the encodings
    // part; atEnd tells that the text ends with it. Valid UTF-8 holding a character beyond
    // ASCII is UTF-8; else EUC-JP or ISO-2022-JP where uchardet names them; else code page 932.
    // uchardet's other answers (it may call Shift_JIS text a Cyrillic or Western code page)
    // change nothing.
    static TextEncoding Decide(const std::uint8_t* begin, const std::uint8_t* end, bool atEnd);
};
