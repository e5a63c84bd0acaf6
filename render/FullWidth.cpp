#include "render/FullWidth.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// U+FF61 to U+FF9F, half-width katakana and its punctuation, in code order.
constexpr std::array<char16_t, 0xFF9F - 0xFF61 + 1> kKatakana = {
    u'\u3002', u'\u300C', u'\u300D', u'\u3001', u'\u30FB', u'\u30F2', u'\u30A1', u'\u30A3',
    u'\u30A5', u'\u30A7', u'\u30A9', u'\u30E3', u'\u30E5', u'\u30E7', u'\u30C3', u'\u30FC',
    u'\u30A2', u'\u30A4', u'\u30A6', u'\u30A8', u'\u30AA', u'\u30AB', u'\u30AD', u'\u30AF',
    u'\u30B1', u'\u30B3', u'\u30B5', u'\u30B7', u'\u30B9', u'\u30BB', u'\u30BD', u'\u30BF',
    u'\u30C1', u'\u30C4', u'\u30C6', u'\u30C8', u'\u30CA', u'\u30CB', u'\u30CC', u'\u30CD',
    u'\u30CE', u'\u30CF', u'\u30D2', u'\u30D5', u'\u30D8', u'\u30DB', u'\u30DE', u'\u30DF',
    u'\u30E0', u'\u30E1', u'\u30E2', u'\u30E4', u'\u30E6', u'\u30E8', u'\u30E9', u'\u30EA',
    u'\u30EB', u'\u30EC', u'\u30ED', u'\u30EF', u'\u30F3',
    // The voiced and semi-voiced marks: the spacing forms, since a combining mark would fold
    // into the character before it and shift the rest of the page by one band.
    u'\u309B', u'\u309C'};

// Runs of half-width Hangul letters that map onto consecutive compatibility jamo; the codes
// between the runs are unassigned and stay as they are.
struct Run {
    char16_t first;
    char16_t last;
    char16_t target;
};
constexpr std::array<Run, 6> kHangul = {{
    {u'\uFFA0', u'\uFFA0', u'\u3164'},
    {u'\uFFA1', u'\uFFBE', u'\u3131'},
    {u'\uFFC2', u'\uFFC7', u'\u314F'},
    {u'\uFFCA', u'\uFFCF', u'\u3155'},
    {u'\uFFD2', u'\uFFD7', u'\u315B'},
    {u'\uFFDA', u'\uFFDC', u'\u3161'},
}};

// U+FFE8 to U+FFEE: the half-width forms light vertical, the four arrows, square and circle.
constexpr std::array<char16_t, 7> kSymbols = {u'\u2502', u'\u2190', u'\u2191', u'\u2192',
                                              u'\u2193', u'\u25A0', u'\u25CB'};

}  // namespace

char16_t FullWidthOf(char16_t c) {
    if (c == u' ') {
        return u'\u3000';
    }
    if (c >= u'!' && c <= u'~') {
        return static_cast<char16_t>(c - u'!' + u'\uFF01');
    }
    switch (c) {
        case u'\u00A2':
            return u'\uFFE0';
        case u'\u00A3':
            return u'\uFFE1';
        case u'\u00AC':
            return u'\uFFE2';
        case u'\u00AF':
            return u'\uFFE3';
        case u'\u00A6':
            return u'\uFFE4';
        case u'\u00A5':
            return u'\uFFE5';
        case u'\u20A9':
            return u'\uFFE6';
        case u'\u2985':
            return u'\uFF5F';
        case u'\u2986':
            return u'\uFF60';
        default:
            break;
    }
    if (c >= u'\uFF61' && c <= u'\uFF9F') {
        return kKatakana[c - u'\uFF61'];
    }
    for (const Run& run : kHangul) {
        if (c >= run.first && c <= run.last) {
            return static_cast<char16_t>(run.target + (c - run.first));
        }
    }
    if (c >= u'\uFFE8' && c <= u'\uFFEE') {
        return kSymbols[c - u'\uFFE8'];
    }
    return c;
}

std::u16string FullWidth(std::u16string_view text) {
    const std::size_t end = std::min(text.find(u'\0'), text.size());
    std::u16string out(end, u'\0');
    std::transform(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), out.begin(),
                   FullWidthOf);
    return out;
}
