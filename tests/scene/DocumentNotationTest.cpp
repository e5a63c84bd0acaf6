// The document opening Aozora Bunko texts: the notation switch.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scene/SelvaneDoc.h"
#include "tests/support/TempDir.h"

namespace {

std::string DataFile(const char* name) {
    std::ifstream in(std::string(SELVANE_AOZORA_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DocumentNotationTest : public ::testing::Test {
  protected:
    Scene& scene() { return doc_.GetScene(); }

    TempDir dir_;
    CSelvaneDoc doc_;
};

TEST_F(DocumentNotationTest, AnAozoraTextIsReadSoAndEveryOtherFileAsItIs) {
    const std::string rashomon = dir_.Write("rashomon.txt", DataFile("rashomon.txt"));
    EXPECT_EQ(doc_.GetNotation(), Notation::Auto);
    ASSERT_TRUE(doc_.OnOpenDocument(rashomon));
    EXPECT_EQ(doc_.DecodedNotation(), Notation::Aozora);
    EXPECT_EQ(doc_.DecodedEncoding(), EncodingChoice(TextEncoding::Cp932));
    ASSERT_FALSE(scene().ruby.empty());
    EXPECT_EQ(scene().ruby.front(), (Ruby{24, 2, u"げにん", Ruby::Kind::Reading}));
    EXPECT_EQ(scene().text.substr(24, 2), u"下人");
    // The path and its pages follow the text as it flies.
    EXPECT_EQ(scene().pathPoints.size(), scene().text.size() + 1);

    // A plain text with a stray 《》 replaces text and ruby alike.
    const std::string plain = dir_.Write("plain.txt",
                                         "a\xE3\x80\x8A\xE3\x80\x8B"
                                         "b\n|c|\n");
    ASSERT_TRUE(doc_.OnOpenDocument(plain));
    EXPECT_EQ(doc_.DecodedNotation(), Notation::None);
    EXPECT_EQ(scene().text, u"a《》b|c|");
    EXPECT_TRUE(scene().ruby.empty());

    // none: the Aozora text as it is, character for character.
    doc_.SetNotation(Notation::None);
    ASSERT_TRUE(doc_.OnOpenDocument(rashomon));
    EXPECT_EQ(doc_.DecodedNotation(), Notation::None);
    EXPECT_TRUE(scene().ruby.empty());
    EXPECT_TRUE(scene().text.starts_with(u"羅生門芥川龍之介" + std::u16string(55, u'-') +
                                         u"【テキスト中に現れる記号について】《》：ルビ"));

    // aozora: the notation of any file.
    doc_.SetNotation(Notation::Aozora);
    const std::string note =
        dir_.Write("note.txt", "\n\xE6\xBC\xA2\xE3\x80\x8A\xE3\x81\x8B\xE3\x80\x8B\n");
    ASSERT_TRUE(doc_.OnOpenDocument(note));
    EXPECT_EQ(doc_.DecodedNotation(), Notation::Aozora);
    EXPECT_EQ(scene().text, u"漢");
    EXPECT_EQ(scene().ruby, (std::vector<Ruby>{{0, 1, u"か", Ruby::Kind::Reading}}));
}

}  // namespace
