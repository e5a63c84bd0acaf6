#pragma once

#include <cstddef>
#include <string>

// A Japanese text of the given length in UTF-16 code units, the same on every call: kanji and
// kana with punctuation, some half-width letters, digits and katakana, and a tab now and then.
std::u16string JapaneseSample(std::size_t length);
