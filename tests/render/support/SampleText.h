#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Ruby.h"

// A Japanese text of the given length in UTF-16 code units, the same on every call: kanji and
// kana with punctuation, some half-width letters, digits and katakana, and a tab now and then.
std::u16string JapaneseSample(std::size_t length);

// Ruby as heavy as a text with readings over all its kanji has: a reading of `kanaPerKanji` kana
// for each kanji over every run of them (with more than two, the reading is wider than its base
// and overhangs it).
std::vector<Ruby> RubyOverKanji(std::u16string_view text, std::size_t kanaPerKanji = 2);
