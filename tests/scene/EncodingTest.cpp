// The automatic choice of an encoding and the encodings beside code page 932 and UTF-8, through
// the line reader on real files. The Japanese texts are written in each encoding by glibc's
// iconv, as the tools of a Linux user would write them.

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "scene/IconvDecoder.h"
#include "scene/LineReader.h"
#include "tests/support/TempDir.h"

namespace {

using Lines = std::vector<std::u16string>;

constexpr std::string_view kNovel =
    "吾輩は猫である。名前はまだ無い。\n"
    "どこで生れたかとんと見当がつかぬ。\r\n"
    "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。\n";
const Lines kNovelLines = {
    u"吾輩は猫である。名前はまだ無い。",
    u"どこで生れたかとんと見当がつかぬ。",
    u"何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。",
};

std::string Encode(std::string_view utf8, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to;
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<std::size_t>(-1)) << to;
    EXPECT_NE(iconv(cd, nullptr, nullptr, &o, &outLeft), static_cast<std::size_t>(-1)) << to;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

class EncodingTest : public ::testing::Test {
  protected:
    // The lines of bytes read in `encoding`; decided is set to the encoding the reader used.
    Lines Read(std::string_view bytes, const EncodingChoice& encoding,
               std::size_t bufferSize = LineReader::kDefaultBufferSize,
               EncodingChoice* decided = nullptr) {
        LineReader reader(bufferSize);
        EXPECT_TRUE(reader.Open(dir_.Write("file.txt", bytes), encoding));
        Lines lines;
        std::u16string line;
        while (reader.ReadString(line)) {
            lines.push_back(line);
        }
        EXPECT_FALSE(reader.ReadString(line));
        if (decided != nullptr) {
            *decided = reader.Encoding();
        }
        return lines;
    }
    Lines ReadAuto(std::string_view bytes, EncodingChoice* decided) {
        return Read(bytes, TextEncoding::Auto, LineReader::kDefaultBufferSize, decided);
    }

    TempDir dir_;
};

TEST_F(EncodingTest, EveryJapaneseEncodingIsRecognisedWithoutBeingNamed) {
    const std::pair<const char*, TextEncoding> cases[] = {
        {"UTF-8", TextEncoding::Utf8},
        {"EUC-JP", TextEncoding::EucJp},
        {"ISO-2022-JP", TextEncoding::Iso2022Jp},
        {"CP932", TextEncoding::Cp932},
    };
    for (const auto& [name, expected] : cases) {
        EncodingChoice decided;
        EXPECT_EQ(ReadAuto(Encode(kNovel, name), &decided), kNovelLines) << name;
        EXPECT_EQ(decided, expected) << name;
    }
}

TEST_F(EncodingTest, AByteOrderMarkDecidesAndNeverReachesTheText) {
    const std::pair<std::string, TextEncoding> cases[] = {
        {"\xEF\xBB\xBF" + std::string(kNovel), TextEncoding::Utf8},
        {"\xFF\xFE" + Encode(kNovel, "UTF-16LE"), TextEncoding::Utf16Le},
        {"\xFE\xFF" + Encode(kNovel, "UTF-16BE"), TextEncoding::Utf16Be},
    };
    for (const auto& [bytes, expected] : cases) {
        EncodingChoice decided;
        EXPECT_EQ(ReadAuto(bytes, &decided), kNovelLines) << EncodingKey(expected);
        EXPECT_EQ(decided, expected);
    }
    // utf-16 takes the order from the mark, little-endian without one; a mark of the other
    // order is a character for utf-16le and utf-16be.
    EXPECT_EQ(Read("\xFE\xFF" + Encode(kNovel, "UTF-16BE"), TextEncoding::Utf16), kNovelLines);
    EXPECT_EQ(Read(Encode(kNovel, "UTF-16LE"), TextEncoding::Utf16), kNovelLines);
    EXPECT_EQ(Read(Encode("a", "UTF-16BE"), TextEncoding::Utf16Be), Lines{u"a"});
    EXPECT_EQ(Read("\xFF\xFE" + Encode("a", "UTF-16BE"), TextEncoding::Utf16Be), Lines{u"\uFFFEa"});
}

TEST_F(EncodingTest, LongKanaHeavyCodePage932IsNeverTakenForUtf8) {
    // Kana with the kanji and punctuation between them, and some lines of ASCII: bytes that a
    // careless guess could take for UTF-8 lead and trail bytes throughout.
    std::mt19937 random(932);
    std::u16string text;
    while (text.size() < 200000) {
        const unsigned kind = random() % 10;
        if (kind < 5) {
            text += static_cast<char16_t>(u'ぁ' + random() % 83);
        } else if (kind < 8) {
            text += static_cast<char16_t>(u'ァ' + random() % 86);
        } else if (kind < 9) {
            text += u"縺繧譁蟄鬘"[random() % 5];
        } else {
            text += random() % 2 ? u"。\r\n" : u"、";
        }
    }
    std::string utf8;
    for (const char16_t c : text) {
        // BMP only: three bytes for everything but the CR LF.
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    const std::string cp932 = Encode(utf8, "CP932");
    EncodingChoice decided;
    const Lines automatic = ReadAuto(cp932, &decided);
    EXPECT_EQ(decided, TextEncoding::Cp932);
    EXPECT_EQ(automatic, Read(cp932, TextEncoding::Cp932)) << "read exactly as before";
    // And from the first byte where encodings part, after the ASCII.
    const std::string late = std::string(100000, 'a') + "\n" + cp932;
    EXPECT_EQ(ReadAuto(late, &decided), Read(late, TextEncoding::Cp932));
    EXPECT_EQ(decided, TextEncoding::Cp932);
}

TEST_F(EncodingTest, TheChoiceWaitsForTheFirstByteBeyondAscii) {
    EncodingChoice decided;
    EXPECT_EQ(ReadAuto("plain\r\nASCII \x1B[1mbold\x1B[0m\n", &decided),
              (Lines{u"plain", u"ASCII \x1B[1mbold\x1B[0m"}));
    EXPECT_EQ(decided, TextEncoding::Auto);
    EXPECT_EQ(EncodingDisplayName(decided), "ASCII");

    // Far more ASCII than the window, then Japanese in the middle of a line.
    const std::string ascii(3 * 64 * 1024, 'x');
    for (const auto& [name, expected] :
         {std::pair{"UTF-8", TextEncoding::Utf8}, std::pair{"EUC-JP", TextEncoding::EucJp}}) {
        const Lines lines = ReadAuto("head\n" + ascii + Encode(kNovel, name), &decided);
        ASSERT_EQ(lines.size(), 4u) << name;
        EXPECT_EQ(lines[1], std::u16string(ascii.begin(), ascii.end()) + kNovelLines[0]);
        EXPECT_EQ(lines[3], kNovelLines[2]);
        EXPECT_EQ(decided, expected);
    }
}

TEST_F(EncodingTest, APartThatContradictsTheChoiceBecomesReplacementsAndNothingIsLost) {
    // Valid UTF-8 in the window, then a byte UTF-8 does not have.
    const std::string utf8 = std::string(kNovel) + std::string(70000, 'y') + "\xFF" + "tail\nend";
    EncodingChoice decided;
    const Lines lines = ReadAuto(utf8, &decided);
    EXPECT_EQ(decided, TextEncoding::Utf8);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], std::u16string(70000, u'y') + u"\uFFFDtail");
    EXPECT_EQ(lines[4], u"end");
}

TEST_F(EncodingTest, Utf16KeepsTheLineContract) {
    const std::u16string text =
        u"a\r\nb\n\nc\rd\r\n\U0001F600\u011A\u6F22\r\n\u001A"
        u"after the end";
    std::string le;
    for (const char16_t c : text) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
    }
    // U+011A holds the byte 0x1A: only the unit U+001A ends the file.
    const Lines expected = {u"a", u"b", u"", u"c\rd", u"\U0001F600\u011A\u6F22"};
    for (std::size_t size = LineReader::kMinimumBufferSize; size <= 24; ++size) {
        EXPECT_EQ(Read(le, TextEncoding::Utf16Le, size), expected) << "buffer of " << size;
    }
    // A surrogate that is not half of a pair, and a lone byte at the end.
    EXPECT_EQ(Read(std::string("\x3D\xD8x\0\x00\xDCy\0z", 9), TextEncoding::Utf16Le),
              Lines{u"\uFFFDx\uFFFDy\uFFFD"});
    EXPECT_EQ(Read(std::string("\0a\xD8\x3D", 4), TextEncoding::Utf16Be), Lines{u"a\uFFFD"});
}

TEST_F(EncodingTest, IconvEncodingsAreReadInPieces) {
    const std::string eucJp = Encode(kNovel, "EUC-JP");
    for (std::size_t size = LineReader::kMinimumBufferSize; size <= 24; ++size) {
        EXPECT_EQ(Read(eucJp, TextEncoding::EucJp, size), kNovelLines) << "buffer of " << size;
    }
    // ISO-2022-JP shifts in and out; the half-width katakana of ESC ( I read too.
    EXPECT_EQ(Read(Encode(kNovel, "ISO-2022-JP"), TextEncoding::Iso2022Jp, 8), kNovelLines);
    EXPECT_EQ(Read("\x1B(I123\x1B(B!", TextEncoding::Iso2022Jp), Lines{u"ｱｲｳ!"});
    // Escapes alone after the last line end give no line, whether named or found.
    EncodingChoice decided;
    EXPECT_EQ(ReadAuto("ascii\n\x1B$B\x1B(B", &decided), Lines{u"ascii"});
    EXPECT_EQ(decided, TextEncoding::Iso2022Jp);
    EXPECT_EQ(Read("ascii\n\x1B$B\x1B(B", TextEncoding::Iso2022Jp), Lines{u"ascii"});
    // ... and a CR and an LF with escapes between them end a line.
    EXPECT_EQ(ReadAuto("/\r\x1B$B\n\x1B(Bx", &decided), (Lines{u"/", u"x"}));
    EXPECT_EQ(Read("/\r\x1B$B\n\x1B(Bx", TextEncoding::Iso2022Jp), (Lines{u"/", u"x"}));
    // A pair EUC-JP does not have is one U+FFFD per byte that starts nothing, and a sequence
    // cut off by the end of the file one more.
    EXPECT_EQ(Read("\xA4\x22\xA4\xA2\r\n\xA4", TextEncoding::EucJp),
              (Lines{u"\uFFFD\"あ", u"\uFFFD"}));
    const std::optional<EncodingChoice> cyrillic = ParseEncodingName("KOI8-R");
    ASSERT_TRUE(cyrillic);
    EXPECT_EQ(Read(Encode("Привет\r\nмир\x1A!", "KOI8-R"), *cyrillic), (Lines{u"Привет", u"мир"}));
}

TEST(IconvDecoderTest, BytesThatFindTheOutputFullWaitForRoom) {
    IconvDecoder decoder("GB18030");
    ASSERT_TRUE(decoder.IsOpen());
    const std::string bytes =
        "ab\xFF"
        "c";
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = in + bytes.size();
    std::u16string out(2, u'\0');
    char16_t* o = out.data();
    decoder.Decode(in, end, o, o + 2, true);
    EXPECT_EQ(out, u"ab");
    EXPECT_EQ(in, reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2);
    o = out.data();
    decoder.Decode(in, end, o, o + 2, true);
    EXPECT_EQ(out, u"\uFFFDc");
    EXPECT_EQ(in, end);
    EXPECT_FALSE(IconvDecoder("no-such-encoding").IsOpen());
}

}  // namespace
