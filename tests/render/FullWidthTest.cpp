#include <gtest/gtest.h>

#include <map>

#include "render/FullWidth.h"

namespace {

TEST(FullWidth, AsciiAndSpaceTakeTheirFullWidthForms) {
    EXPECT_EQ(FullWidthOf(u' '), u'\u3000');
    EXPECT_EQ(FullWidthOf(u'!'), u'\uFF01');
    EXPECT_EQ(FullWidthOf(u'A'), u'\uFF21');
    EXPECT_EQ(FullWidthOf(u'z'), u'\uFF5A');
    EXPECT_EQ(FullWidthOf(u'0'), u'\uFF10');
    EXPECT_EQ(FullWidthOf(u'\\'), u'\uFF3C');
    EXPECT_EQ(FullWidthOf(u'~'), u'\uFF5E');
    // Control characters have no full-width form.
    EXPECT_EQ(FullWidthOf(u'\x1F'), u'\x1F');
    EXPECT_EQ(FullWidthOf(u'\x7F'), u'\x7F');
    EXPECT_EQ(FullWidthOf(u'\t'), u'\t');
    EXPECT_EQ(FullWidth(u"Hello, 2024!"), u"Ｈｅｌｌｏ，\u3000２０２４！");
}

TEST(FullWidth, HalfWidthKatakanaBecomesKatakanaOneForOne) {
    EXPECT_EQ(FullWidth(u"ｱｲｳｴｵ"), u"アイウエオ");
    EXPECT_EQ(FullWidth(u"｡｢｣､･ｦｧｯｰ"), u"。「」、・ヲァッー");
    EXPECT_EQ(FullWidth(u"ﾜﾝ"), u"ワン");
    // The voiced marks are not folded into the letter before them: the length stays.
    EXPECT_EQ(FullWidth(u"ｶﾞﾊﾟ"), u"カ゛ハ゜");
}

TEST(FullWidth, HalfWidthHangulAndSymbolsBecomeTheirWideForms) {
    EXPECT_EQ(FullWidthOf(u'\uFFA0'), u'\u3164');
    EXPECT_EQ(FullWidthOf(u'\uFFA1'), u'\u3131');
    EXPECT_EQ(FullWidthOf(u'\uFFBE'), u'\u314E');
    EXPECT_EQ(FullWidthOf(u'\uFFC2'), u'\u314F');
    EXPECT_EQ(FullWidthOf(u'\uFFCF'), u'\u315A');
    EXPECT_EQ(FullWidthOf(u'\uFFD2'), u'\u315B');
    EXPECT_EQ(FullWidthOf(u'\uFFDC'), u'\u3163');
    // Unassigned codes between the runs stay.
    EXPECT_EQ(FullWidthOf(u'\uFFBF'), u'\uFFBF');
    EXPECT_EQ(FullWidthOf(u'\uFFD0'), u'\uFFD0');
    EXPECT_EQ(FullWidthOf(u'\uFFE8'), u'\u2502');
    EXPECT_EQ(FullWidthOf(u'\uFFEC'), u'\u2193');
    EXPECT_EQ(FullWidthOf(u'\uFFEE'), u'\u25CB');
    EXPECT_EQ(FullWidthOf(u'\u00A2'), u'\uFFE0');
    EXPECT_EQ(FullWidthOf(u'\u00A5'), u'\uFFE5');
    EXPECT_EQ(FullWidthOf(u'\u20A9'), u'\uFFE6');
    EXPECT_EQ(FullWidthOf(u'\u2985'), u'\uFF5F');
}

TEST(FullWidth, WideTextSurrogatesAndOtherLettersAreKept) {
    const std::u16string kept = u"漢字ひらがなカタカナ\u3000Ｘ１é\U0001F600";
    EXPECT_EQ(FullWidth(kept), kept);
    EXPECT_EQ(FullWidth(u""), u"");
}

TEST(FullWidth, ConversionStopsAtTheFirstNull) {
    EXPECT_EQ(FullWidth(std::u16string_view(u"ab\0cd", 5)), u"ａｂ");
    EXPECT_EQ(FullWidth(std::u16string_view(u"\0ab", 3)), u"");
}

// Over the whole 16-bit range: a mapped character is never mapped again, no result is itself a
// half-width form, and no two characters share a result.
TEST(FullWidth, MappingIsSettledAndOneToOne) {
    std::map<char16_t, char16_t> seen;
    int mapped = 0;
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        const auto c = static_cast<char16_t>(code);
        const char16_t wide = FullWidthOf(c);
        EXPECT_EQ(FullWidthOf(wide), wide) << std::hex << code;
        if (wide == c) {
            continue;
        }
        ++mapped;
        EXPECT_FALSE(wide >= u'\uFF61' && wide <= u'\uFFDC') << std::hex << code;
        const auto [it, inserted] = seen.emplace(wide, c);
        EXPECT_TRUE(inserted) << std::hex << code << " and " << static_cast<int>(it->second);
    }
    // 95 ASCII with the space, 63 katakana, 52 Hangul, 7 symbols and 9 signs.
    EXPECT_EQ(mapped, 95 + 63 + 52 + 7 + 9);
}

}  // namespace
