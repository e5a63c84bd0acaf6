#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

class QTranslator;

// The languages the interface speaks: Japanese, its own, and English.
enum class UiLanguage { Japanese, English };

// The interface's language for the user's languages, most wanted first, as
// QLocale::uiLanguages() lists them ("de-DE", "ja", "en-Latn-US", or "C"): the first that is
// Japanese or English decides, and "C" or "POSIX" (no language chosen) counts as Japanese. Where
// neither comes up, English: it is what a reader of any other language most likely reads.
UiLanguage ChooseUiLanguage(const QStringList& uiLanguages);

// "ja" or "en", as the translation files are named.
QString LanguageCode(UiLanguage language);

// The help page beside the program in that language: "Selvane.html" or "Selvane.en.html".
std::string HelpPageName(UiLanguage language);

// The program's own translation and Qt's for one language, installed in the application while
// this lives, so that Qt's dialogs and buttons speak the language the menus speak.
class InterfaceTranslations {
  public:
    explicit InterfaceTranslations(UiLanguage language);
    ~InterfaceTranslations();
    InterfaceTranslations(const InterfaceTranslations&) = delete;
    InterfaceTranslations& operator=(const InterfaceTranslations&) = delete;

    UiLanguage language() const { return language_; }
    // False when a translation the language needs is missing: the program's own, or Qt's
    // Japanese (Qt speaks English without one).
    bool complete() const { return complete_; }

  private:
    UiLanguage language_;
    bool complete_ = true;
    std::unique_ptr<QTranslator> qt_;
    std::unique_ptr<QTranslator> program_;
};
