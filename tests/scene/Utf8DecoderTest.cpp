#include "scene/Utf8Decoder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace {

std::u16string Decode(std::string_view text, bool final = true, std::size_t* consumed = nullptr) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(text.data());
    std::u16string out(text.size(), u'\0');
    char16_t* o = out.data();
    const std::uint8_t* next = Utf8Decoder::Decode(begin, begin + text.size(), final, o);
    if (consumed != nullptr) {
        *consumed = static_cast<std::size_t>(next - begin);
    } else {
        EXPECT_EQ(next, begin + text.size());
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

TEST(Utf8Decoder, WellFormedSequencesOfEveryLength) {
    EXPECT_EQ(Decode("plain ASCII, longer than eight bytes"),
              u"plain ASCII, longer than eight bytes");
    EXPECT_EQ(Decode("\xC2\xA9 \xE3\x81\x82\xE6\xBC\xA2"), u"\u00A9 \u3042\u6F22");
    EXPECT_EQ(Decode("\xF0\x9F\x98\x80"), u"\U0001F600");  // two UTF-16 units
    EXPECT_EQ(Decode("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
    EXPECT_EQ(Decode("\xEF\xBF\xBD"), u"\uFFFD");
}

TEST(Utf8Decoder, IllFormedInputGivesOneReplacementPerMaximalPart) {
    EXPECT_EQ(Decode("a\x80z"), u"a\uFFFDz");                            // lone continuation
    EXPECT_EQ(Decode("\xC0\x80"), u"\uFFFD\uFFFD");                      // overlong NUL
    EXPECT_EQ(Decode("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");            // overlong three-byte
    EXPECT_EQ(Decode("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // encoded surrogate
    EXPECT_EQ(Decode("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
    EXPECT_EQ(Decode("\xF5x"), u"\uFFFDx");
    EXPECT_EQ(Decode("\xE3\x81x"), u"\uFFFDx");  // truncated, then ASCII kept
    EXPECT_EQ(Decode("\xE3\x81\xE3\x81\x82"), u"\uFFFD\u3042");
    EXPECT_EQ(Decode("\xF0\x9F\x98"), u"\uFFFD");  // truncated at the end of the file
}

TEST(Utf8Decoder, IncompleteSequenceAtTheEndOfAChunkWaits) {
    std::size_t consumed = 0;
    EXPECT_EQ(Decode("ab\xF0\x9F\x98", false, &consumed), u"ab");
    EXPECT_EQ(consumed, 2u);
    EXPECT_EQ(Decode("ab\xE3", false, &consumed), u"ab");
    EXPECT_EQ(consumed, 2u);
    // An ill-formed tail is not incomplete: it is replaced at once.
    EXPECT_EQ(Decode("ab\xE3x", false, &consumed), u"ab\uFFFDx");
    EXPECT_EQ(consumed, 4u);
}

// Long runs go sixteen bytes at a time where the processor allows: for every mix of well-formed
// and ill-formed pieces, that must give what the plain loop gives, up to the same last byte.
TEST(Utf8Decoder, VectorsAndThePlainLoopAgree) {
    const char* const pieces[] = {
        "a",
        "\n",
        "\xC3\xA9",
        "\xE3\x81\x82",
        "\xE0\xA0\x80",
        "\xE0\x80\x80",
        "\xED\x9F\xBF",
        "\xED\xA0\x80",
        "\xF0\x9F\x98\x80",
        "\x80",
        "\xC0\xAF",
        "\xC2",
        "\xF5",
        "\xE3\x81",
        "\xEF\xBF\xBF",
        "\xDF\xBF",
        "0123456789abcdef",
    };
    std::mt19937 random(8);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (unsigned n = random() % 40; n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
        }
        const bool final = random() % 2 == 0;
        std::size_t plainConsumed = 0;
        std::size_t vectorConsumed = 0;
        Utf8Decoder::UseVectorsForTesting(false);
        const std::u16string plain = Decode(text, final, &plainConsumed);
        Utf8Decoder::UseVectorsForTesting(true);
        const std::u16string vector = Decode(text, final, &vectorConsumed);
        ASSERT_EQ(vector, plain) << testing::PrintToString(text);
        ASSERT_EQ(vectorConsumed, plainConsumed);
    }
}

}  // namespace
