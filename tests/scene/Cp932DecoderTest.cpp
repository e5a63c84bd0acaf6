#include "scene/Cp932Decoder.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// Decodes the whole of bytes as the end of a file.
std::u16string Decode(const std::vector<std::uint8_t>& bytes) {
    std::u16string out(bytes.size(), u'\0');
    char16_t* o = out.data();
    const std::uint8_t* next =
        Cp932Decoder::Decode(bytes.data(), bytes.data() + bytes.size(), true, o);
    EXPECT_EQ(next, bytes.data() + bytes.size());
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

// The reference: glibc's own CP932 converter, asked at test time about one pair.
class IconvCp932 {
  public:
    IconvCp932() : cd_(iconv_open("UTF-16LE", "CP932")) {}
    ~IconvCp932() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The one unit the pair decodes to, or nothing when iconv refuses it.
    std::optional<char16_t> Pair(unsigned lead, unsigned trail) {
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        char* inPtr = in;
        std::size_t inLeft = 2;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0 || sizeof out - outLeft != 2) {
            return std::nullopt;
        }
        return static_cast<char16_t>(out[0] | (out[1] << 8));
    }

  private:
    iconv_t cd_;
};

TEST(Cp932Decoder, EveryDoubleBytePairAgreesWithIconv) {
    IconvCp932 reference;
    ASSERT_TRUE(reference.ok()) << "glibc has no CP932 converter";
    int valid = 0;
    int userDefined = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Cp932Decoder::IsLead(static_cast<std::uint8_t>(lead))) {
            continue;
        }
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(lead),
                                                     static_cast<std::uint8_t>(trail)};
            const std::u16string got = Decode(bytes);
            if (const std::optional<char16_t> unit = reference.Pair(lead, trail)) {
                ++valid;
                userDefined += lead >= 0xF0 && lead <= 0xF9;
                ASSERT_EQ(got, std::u16string(1, *unit))
                    << std::hex << "pair " << lead << ' ' << trail;
            } else {
                // A pair iconv refuses: U+FFFD for the lead alone, then the second byte as if
                // it came first.
                const std::u16string expected =
                    u'\uFFFD' + Decode({static_cast<std::uint8_t>(trail)});
                ASSERT_EQ(got, expected) << std::hex << "pair " << lead << ' ' << trail;
            }
        }
    }
    // JIS X 0208, NEC row 13, the NEC-selected and IBM extensions, and the user-defined area.
    EXPECT_GT(valid, 9000);
    EXPECT_EQ(userDefined, 1880);
}

// Where Microsoft's table differs from plain Shift_JIS, and the extensions it adds; these
// values stand on their own, not on iconv.
TEST(Cp932Decoder, IsMicrosoftsVariant) {
    struct Case {
        std::uint8_t lead, trail;
        char16_t unit;
    };
    const Case cases[] = {
        {0x82, 0xA0, u'\u3042'},  // hiragana a
        {0x81, 0x5F, u'\uFF3C'},  // full-width reverse solidus, not U+005C
        {0x81, 0x60, u'\uFF5E'},  // full-width tilde, not the wave dash U+301C
        {0x81, 0x61, u'\u2225'},  // parallel to, not U+2016
        {0x81, 0x7C, u'\uFF0D'},  // full-width hyphen-minus, not U+2212
        {0x81, 0x91, u'\uFFE0'},  // full-width cent sign
        {0x81, 0xCA, u'\uFFE2'},  // full-width not sign
        {0x87, 0x40, u'\u2460'},  // NEC row 13: circled digit one
        {0x87, 0x90, u'\u2252'},  // NEC row 13's duplicate of approximately equal
        {0xED, 0x40, u'\u7E8A'},  // NEC-selected IBM extension
        {0xFA, 0x40, u'\u2170'},  // IBM extension: small roman numeral one
        {0xFA, 0x54, u'\uFFE2'},  // IBM extension's not sign
        {0xF0, 0x40, u'\uE000'},  // first user-defined character
        {0xF9, 0xFC, u'\uE757'},  // last user-defined character
        {0x88, 0x9F, u'\u4E9C'},  // first level 1 kanji
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode({c.lead, c.trail}), std::u16string(1, c.unit))
            << std::hex << unsigned(c.lead) << ' ' << unsigned(c.trail);
    }
}

TEST(Cp932Decoder, SingleBytes) {
    for (unsigned b = 0; b < 0x80; ++b) {
        // 0x5C and 0x7E included: backslash and tilde, not yen sign and overline.
        EXPECT_EQ(Decode({static_cast<std::uint8_t>(b)}), std::u16string(1, char16_t(b))) << b;
    }
    for (unsigned b = 0xA1; b <= 0xDF; ++b) {
        EXPECT_EQ(Decode({static_cast<std::uint8_t>(b)}),
                  std::u16string(1, char16_t(0xFF61 + b - 0xA1)))
            << b;
    }
    // The five bytes iconv refuses and Microsoft's table maps.
    EXPECT_EQ(Decode({0x80}), u"\u0080");
    EXPECT_EQ(Decode({0xA0}), u"\uF8F0");
    EXPECT_EQ(Decode({0xFD}), u"\uF8F1");
    EXPECT_EQ(Decode({0xFE}), u"\uF8F2");
    EXPECT_EQ(Decode({0xFF}), u"\uF8F3");
}

TEST(Cp932Decoder, InvalidSequencesBecomeOneReplacementPerLeadAndLoseNothingAround) {
    // A lead byte as the last byte of the file.
    EXPECT_EQ(Decode({'a', 0x82}), u"a\uFFFD");
    // A lead before a byte that cannot trail it: the byte after survives.
    EXPECT_EQ(Decode({0x82, '\t', 'b'}), u"\uFFFD\tb");
    EXPECT_EQ(Decode({0x82, 0x20}), u"\uFFFD ");
    EXPECT_EQ(Decode({0x81, 0x7F, 'z'}), u"\uFFFD\u007Fz");
    // A trail of 0x00.
    EXPECT_EQ(Decode({0x82, 0x00, 'x'}), std::u16string(u"\uFFFD\0x", 3));
    // A lead whose row is unassigned before another lead: the second starts a valid pair.
    EXPECT_EQ(Decode({0x85, 0x82, 0xA0}), u"\uFFFD\u3042");
    // 0x82 can trail 0x82 (a full-width b), so this one is a pair.
    EXPECT_EQ(Decode({0x82, 0x82, 0xA0}), u"\uFF42\uF8F0");
    // A pair in the trail range that the table leaves unassigned: '@' is kept.
    EXPECT_EQ(Decode({0x85, 0x40, 0xB1}), u"\uFFFD@\uFF71");
    EXPECT_EQ(Decode({0xEF, 0xFC}), u"\uFFFD\uFFFD");
}

TEST(Cp932Decoder, LeadAtTheEndOfAChunkWaitsForItsTrail) {
    const std::vector<std::uint8_t> bytes = {'a', 0xB1, 0x82};
    std::u16string out(bytes.size(), u'\0');
    char16_t* o = out.data();
    const std::uint8_t* next =
        Cp932Decoder::Decode(bytes.data(), bytes.data() + bytes.size(), false, o);
    EXPECT_EQ(next, bytes.data() + 2);
    out.resize(static_cast<std::size_t>(o - out.data()));
    EXPECT_EQ(out, u"a\uFF71");
}

TEST(Cp932Decoder, LongAsciiRunsAndMixedText) {
    std::vector<std::uint8_t> bytes;
    std::u16string expected;
    for (int i = 0; i < 37; ++i) {
        bytes.push_back(static_cast<std::uint8_t>('A' + i % 26));
        expected += static_cast<char16_t>('A' + i % 26);
        if (i % 9 == 0) {
            bytes.insert(bytes.end(), {0x88, 0x9F});
            expected += u'\u4E9C';
        }
    }
    EXPECT_EQ(Decode(bytes), expected);
}

}  // namespace
