#include "i18n/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Where the build puts the program's translations among its resources.
const QString kProgramTranslations = QStringLiteral(":/i18n");

// The language of a list entry: "ja-JP", "ja_JP.UTF-8" and "ja@x" are all "ja".
QString LanguageOf(const QString& entry) {
    qsizetype end = 0;
    while (end < entry.size() && entry[end].isLetter()) {
        ++end;
    }
    return entry.left(end).toLower();
}

}  // namespace

UiLanguage ChooseUiLanguage(const QStringList& uiLanguages) {
    for (const QString& entry : uiLanguages) {
        const QString language = LanguageOf(entry);
        if (language == u"ja" || language == u"c" || language == u"posix") {
            return UiLanguage::Japanese;
        }
        if (language == u"en") {
            return UiLanguage::English;
        }
    }
    // An empty list says as little as the C locale does.
    return uiLanguages.isEmpty() ? UiLanguage::Japanese : UiLanguage::English;
}

QString LanguageCode(UiLanguage language) {
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("ja");
}

std::string HelpPageName(UiLanguage language) {
    return language == UiLanguage::English ? "Selvane.en.html" : "Selvane.html";
}

InterfaceTranslations::InterfaceTranslations(UiLanguage language) : language_(language) {
    const QString code = LanguageCode(language);
    // Qt's own for the language chosen, not for the locale: under de_DE the colour dialog would
    // otherwise answer in German beside English menus.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_") + code,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        qt_ = std::move(qt);
    } else if (language != UiLanguage::English) {
        complete_ = false;
    }
    auto program = std::make_unique<QTranslator>();
    if (program->load(QStringLiteral("selvane_") + code, kProgramTranslations)) {
        QCoreApplication::installTranslator(program.get());
        program_ = std::move(program);
    } else {
        complete_ = false;
    }
}

// QTranslator's destructor takes it out of the application.
InterfaceTranslations::~InterfaceTranslations() = default;
