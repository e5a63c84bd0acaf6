#pragma once

#include <string>
#include <string_view>

// The full-width form of each character that has one under the Unicode half-width and
// full-width forms: ASCII and the space, the half-width katakana with their punctuation, the
// half-width Hangul letters and symbols, and the few Latin-1 signs with full-width twins. Every
// other code unit, surrogates included, is kept. Always one character for one, so that
// character j of a page still lands in band j of the text texture: the half-width voiced marks
// become the spacing marks, not the combining ones.
char16_t FullWidthOf(char16_t c);

// The page as the text texture shows it: mapped character by character and cut at its first
// null character, like a conversion of a null-terminated string.
std::u16string FullWidth(std::u16string_view text);
