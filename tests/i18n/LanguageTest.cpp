// The interface's language from the user's list of languages, as Qt lists them for LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG.

#include <gtest/gtest.h>

#include "i18n/Language.h"

namespace {

UiLanguage For(const char* languages) {
    return ChooseUiLanguage(QString::fromLatin1(languages).split(u',', Qt::SkipEmptyParts));
}

}  // namespace

TEST(LanguageTest, TheFirstJapaneseOrEnglishDecidesAndAnyOtherLanguageGetsEnglish) {
    EXPECT_EQ(For("ja-JP,ja-Jpan-JP,ja"), UiLanguage::Japanese);  // LANG=ja_JP.UTF-8
    EXPECT_EQ(For("en-US,en-Latn-US,en"), UiLanguage::English);   // LANG=en_US.UTF-8
    EXPECT_EQ(For("en-GB,en-Latn-GB,en"), UiLanguage::English);
    EXPECT_EQ(For("ja,ja-Jpan-JP,ja-JP,en,en-Latn-US,en-US"), UiLanguage::Japanese);  // ja:en
    EXPECT_EQ(For("en,en-Latn-US,en-US,ja,ja-Jpan-JP,ja-JP"), UiLanguage::English);   // en:ja
    // Languages without a translation are passed over on the way to Japanese or English.
    EXPECT_EQ(For("de,de-Latn-DE,de-DE,ja,ja-Jpan-JP"), UiLanguage::Japanese);  // de:ja
    EXPECT_EQ(For("de-DE,de-Latn-DE,de"), UiLanguage::English);                 // LANG=de_DE.UTF-8
    EXPECT_EQ(For("fr-FR,fr-Latn-FR,fr"), UiLanguage::English);
    // "jav" (Javanese) and "enm" (Middle English) are languages of their own.
    EXPECT_EQ(For("jv,jav"), UiLanguage::English);
    EXPECT_EQ(For("enm,ja"), UiLanguage::Japanese);
}

TEST(LanguageTest, TheCLocaleIsJapanese) {
    EXPECT_EQ(For("C"), UiLanguage::Japanese);  // LANG=C, C.UTF-8, POSIX or nothing set
    EXPECT_EQ(For("POSIX"), UiLanguage::Japanese);
    EXPECT_EQ(For(""), UiLanguage::Japanese);
    EXPECT_EQ(For("ja_JP.UTF-8"), UiLanguage::Japanese);  // a locale name as it is written
    EXPECT_EQ(For("en_US@euro"), UiLanguage::English);
}
