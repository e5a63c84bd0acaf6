// The document opening Aozora Bunko texts: the notation switch, and zip archives.

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "scene/FileException.h"
#include "scene/MemoryBudget.h"
#include "scene/SelvaneDoc.h"
#include "tests/support/ScopedMemory.h"
#include "tests/support/TempDir.h"

namespace {

std::string DataFile(const char* name) {
    std::ifstream in(std::string(SELVANE_AOZORA_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Member {
    std::string name;
    std::string bytes;
};

// A zip archive of the members, in their order, written by libarchive; options as
// archive_write_set_options takes them.
std::string Zip(const std::vector<Member>& members, const char* options = nullptr,
                const char* passphrase = nullptr) {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    if (options != nullptr) {
        EXPECT_EQ(archive_write_set_options(a, options), ARCHIVE_OK) << archive_error_string(a);
    }
    if (passphrase != nullptr) {
        archive_write_set_passphrase(a, passphrase);
    }
    std::string zip(1 << 20, '\0');
    std::size_t used = 0;
    archive_write_open_memory(a, zip.data(), zip.size(), &used);
    for (const Member& member : members) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, member.name.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(member.bytes.size()));
        EXPECT_EQ(archive_write_header(a, entry), ARCHIVE_OK) << archive_error_string(a);
        EXPECT_EQ(archive_write_data(a, member.bytes.data(), member.bytes.size()),
                  static_cast<la_ssize_t>(member.bytes.size()));
        archive_entry_free(entry);
    }
    EXPECT_EQ(archive_write_close(a), ARCHIVE_OK);
    archive_write_free(a);
    zip.resize(used);
    return zip;
}

class DocumentNotationTest : public ::testing::Test {
  protected:
    Scene& scene() { return doc_.GetScene(); }

    // Opening that must fail with cause; the scene stays as it was.
    void ExpectRefused(const std::string& path, FileException::Cause cause) {
        const std::u16string text = scene().text;
        const std::vector<Ruby> ruby = scene().ruby;
        try {
            doc_.OnOpenDocument(path);
            ADD_FAILURE() << path << " opened";
        } catch (const FileException& e) {
            EXPECT_EQ(e.cause(), cause) << path;
            EXPECT_EQ(e.fileName(), path);
        }
        EXPECT_EQ(scene().text, text);
        EXPECT_EQ(scene().ruby, ruby);
    }

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

TEST_F(DocumentNotationTest, ZipOpensAsTheTextInsideItWhateverItsName) {
    const std::string sangetsuki = DataFile("sangetsuki.txt");
    // Aozora's archives hold figures beside the text; the first .txt in the archive's order
    // is the one read.
    const std::string path = dir_.Write("624_ruby.zip", Zip({{"fig624_01.png", "\x89PNG\r\n\x1A\n"},
                                                             {"sangetsuki.TXT", sangetsuki},
                                                             {"readme.txt", "not this one"}}));
    ASSERT_TRUE(doc_.OnOpenDocument(path));
    EXPECT_EQ(doc_.DecodedNotation(), Notation::Aozora);
    EXPECT_TRUE(scene().text.starts_with(u"山月記中島敦"));
    EXPECT_FALSE(scene().ruby.empty());
    const std::u16string fromZip = scene().text;

    const std::string renamed = dir_.Write("download.bin", Zip({{"a/sangetsuki.txt", sangetsuki}}));
    ASSERT_TRUE(doc_.OnOpenDocument(renamed));
    EXPECT_EQ(scene().text, fromZip);

    // The member as it is, with the notation switched off.
    doc_.SetNotation(Notation::None);
    ASSERT_TRUE(doc_.OnOpenDocument(dir_.Write("plain.zip", Zip({{"x.txt", "plain\r\ntext"}}))));
    EXPECT_EQ(scene().text, u"plaintext");
    EXPECT_TRUE(scene().ruby.empty());
}

TEST_F(DocumentNotationTest, ZipWithoutAReadableTextIsRefusedAndTheFlightStays) {
    ASSERT_TRUE(doc_.OnOpenDocument(dir_.Write("first.txt", DataFile("rashomon.txt"))));
    const std::string zip = Zip({{"a.txt", std::string(3000, 'x')}});

    ExpectRefused(dir_.Write("figures.zip", Zip({{"fig.png", "png"}, {"dir/", ""}})),
                  FileException::Cause::NoTextInArchive);
    ExpectRefused(dir_.Write("empty.zip", Zip({})), FileException::Cause::NoTextInArchive);
    // Cut short, so that its data and its directory are lost; and only its signature.
    ExpectRefused(dir_.Write("cut.zip", zip.substr(0, 60)), FileException::Cause::BrokenArchive);
    ExpectRefused(
        dir_.Write("signature.zip", std::string("PK\x03\x04", 4) + std::string(40, '\xFF')),
        FileException::Cause::BrokenArchive);
    // A member whose data is damaged fails its check.
    std::string damaged = Zip({{"a.txt", std::string(3000, 'x')}}, "zip:compression=store");
    damaged[damaged.find(std::string(100, 'x')) + 1000] ^= 0x55;
    ExpectRefused(dir_.Write("damaged.zip", damaged), FileException::Cause::BrokenArchive);
    ExpectRefused(
        dir_.Write("locked.zip", Zip({{"a.txt", "secret"}}, "zip:encryption=zipcrypt", "password")),
        FileException::Cause::EncryptedArchive);
    // The member's unpacked size counts against the memory, not the archive's.
    {
        ScopedMemory small(3000 * kTextBytesPerCharacter - 1);
        ExpectRefused(dir_.Write("large.zip", zip), FileException::Cause::TooLarge);
    }
    {
        ScopedMemory enough(BytesToLoad(3000));
        EXPECT_TRUE(doc_.OnOpenDocument(dir_.PathOf("large.zip")));
        EXPECT_EQ(scene().text, std::u16string(3000, u'x'));
    }
}

}  // namespace
