#pragma once

#include <cstddef>

// Aozora Bunko's accent decomposition: inside 〔…〕 a letter followed by a mark (e' for é, a`
// for à, AE& for Æ, ...) stands for one accented character. The table is generated at build
// time from data/aozora/accent-decomposition.tsv.
struct AccentSequence {
    char keys[3];  // ASCII; the third is unused where length is 2
    unsigned char length;
    char16_t character;
};

extern const AccentSequence kAccentSequences[];
extern const std::size_t kAccentSequenceCount;
