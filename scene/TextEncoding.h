#pragma once

#include <optional>
#include <string>
#include <string_view>

// How the bytes of an opened text file become UTF-16.
enum class TextEncoding {
    // Decided from the bytes: a byte-order mark, else valid UTF-8, else EUC-JP or ISO-2022-JP
    // where uchardet recognises them, else code page 932. As the encoding a reader has decided
    // on, Auto means that nothing but ASCII has been met, which reads the same in all of them.
    Auto,
    Cp932,
    Utf8,
    Utf16,  // a byte-order mark decides the order; without one, little-endian
    Utf16Le,
    Utf16Be,
    EucJp,
    Iso2022Jp,
    Iconv,  // any other encoding glibc's iconv knows, by its name
};

// An encoding as a user names it: one of the program's own, or an iconv name.
struct EncodingChoice {
    TextEncoding encoding = TextEncoding::Auto;
    std::string iconvName;  // for TextEncoding::Iconv only

    EncodingChoice() = default;
    // Implicit: every encoding but Iconv is complete without a name.
    EncodingChoice(TextEncoding e) : encoding(e) {}
    bool operator==(const EncodingChoice&) const = default;
};

// The choice a name stands for, in any case: auto, cp932 (shift_jis, sjis, windows-31j),
// utf-8, utf-16, utf-16le, utf-16be, euc-jp, iso-2022-jp (dashes and underscores optional), or
// any other name glibc's iconv can decode to UTF-16. Nothing for a name nobody knows.
std::optional<EncodingChoice> ParseEncodingName(std::string_view name);

// The name ParseEncodingName gives the choice back for: "auto", "cp932", "utf-8", ... or the
// iconv name as it was given.
std::string EncodingKey(const EncodingChoice& choice);

// The name a user reads: "Shift_JIS", "UTF-8", "UTF-16LE", "EUC-JP", "ISO-2022-JP", the iconv
// name in capitals, and "ASCII" for Auto (nothing met that would tell the encodings apart).
std::string EncodingDisplayName(const EncodingChoice& decided);

// The names --encoding lists in its help and its error message.
inline constexpr char kEncodingNames[] =
    "auto, cp932, utf-8, utf-16, utf-16le, utf-16be, euc-jp, iso-2022-jp";
