// The shell as a reader who does not read Japanese sees it: this program runs with LANGUAGE=en
// (its test's environment), installs the translations the program chooses from there, and looks
// at the real window, its menus, status bar and panes, a message box, Qt's colour dialog and
// the help page it opens.

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/SelvaneApp.h"
#include "audio/Platform.h"
#include "base/ModuleDirectory.h"
#include "i18n/Language.h"
#include "render/platform/RealPlatform.h"
#include "shell/ExportDialog.h"
#include "shell/MainFrame.h"
#include "shell/Messages.h"
#include "shell/SelvaneView.h"
#include "shell/Strings.h"
#include "tests/fakes/FakeAudio.h"

namespace {

// Japanese punctuation, kana and kanji, and full-width forms all lie at U+3000 and above.
bool HasJapanese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

// Every action of a menu and of its submenus, depth first.
void ForEachAction(QMenu* menu, const std::function<void(QAction*)>& visit) {
    for (QAction* action : menu->actions()) {
        visit(action);
        if (action->menu() != nullptr) {
            ForEachAction(action->menu(), visit);
        }
    }
}

}  // namespace

class EnglishTest : public QObject {
    Q_OBJECT

  public slots:
    // Stands in for the desktop's opening of local files.
    void OpenUrl(const QUrl& url) { opened_ << url; }

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void menusPanesMessagesAndQtsDialogsSpeakEnglish();

  private:
    QTemporaryDir temp_;
    fake::FakeAudio audio_;
    std::unique_ptr<CSelvaneApp> app_;
    QStringList messages_;
    QList<QUrl> opened_;
};

void EnglishTest::initTestCase() {
    QVERIFY(temp_.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp_.filePath(QStringLiteral("config"))));
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    InstallRealPlatform();
    audio::SetPlatform(&audio_);
    SetMessageSinkForTesting([this](const QString& text) { messages_ << text; });
    QVERIFY2(QLocale::system().uiLanguages().startsWith(QStringLiteral("en")),
             "this test needs LANGUAGE=en");
    QCOMPARE(ChooseUiLanguage(QLocale::system().uiLanguages()), UiLanguage::English);
}

void EnglishTest::cleanupTestCase() {
    if (app_) {
        app_->ExitInstance();
        app_.reset();
    }
    audio::SetPlatform(nullptr);
    SetMessageSinkForTesting({});
}

void EnglishTest::menusPanesMessagesAndQtsDialogsSpeakEnglish() {
    app_ = std::make_unique<CSelvaneApp>();
    QVERIFY(app_->InstallTranslations());
    QVERIFY(app_->InitInstance());
    CMainFrame* frame = app_->frame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    QCOMPARE(frame->windowTitle(), QStringLiteral("Untitled - Tamor Selvane 0.4"));

    QStringList titles;
    for (QAction* menu : frame->menuBar()->actions()) {
        titles << menu->text();
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&View"),
                                  QStringLiteral("&Settings"), QStringLiteral("&Help")}));
    // The mnemonic moved into the word; the key is the action's, whatever the text says.
    QCOMPARE(frame->Action(command::kOpen)->text(), QStringLiteral("&Open..."));
    QCOMPARE(frame->Action(command::kOpen)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(frame->Action(command::kResume)->text(), QStringLiteral("&Resume Where I Stopped"));
    QCOMPARE(frame->ReopenMenu()->title(), QStringLiteral("Reopen with Encoding"));
    QStringList untranslated;
    for (QAction* menu : frame->menuBar()->actions()) {
        ForEachAction(menu->menu(), [&untranslated](QAction* action) {
            if (HasJapanese(action->text()) || HasJapanese(action->statusTip())) {
                untranslated << action->text() + u'|' + action->statusTip();
            }
        });
    }
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(u',')));

    QCOMPARE(frame->PromptPane()->text(), QStringLiteral("Ready"));
    frame->Action(command::kOpen)->showStatusText(frame);
    QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("Open an existing file"));
    frame->statusBar()->clearMessage();
    app_->OnCommand(command::kCruise);
    QCOMPARE(frame->CruisePane()->text(), QStringLiteral("Cruise 4.0 chars/s"));

    VideoExportChoice choice;
    choice.path = temp_.filePath(QStringLiteral("flight.avi"));
    CExportDialog dialog(frame, QSize(640, 480), choice, {});
    dialog.accept();
    QCOMPARE(messages_, QStringList{QStringLiteral(
                            "The name of a video file must end in .mp4, .mkv, .webm or .gif.")});

    // Qt's own buttons in the language of the menus, not in the locale's.
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* colours = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(colours != nullptr);
        for (QPushButton* button : colours->findChildren<QPushButton*>()) {
            buttons << button->text();
        }
        colours->reject();
    });
    frame->OnBackgroundColor();
    QVERIFY2(buttons.contains(QStringLiteral("Cancel")) && buttons.contains(QStringLiteral("OK")),
             qPrintable(buttons.join(u',')));

    // The help page of the same language.
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "OpenUrl");
    app_->OnCommand(command::kHelpContents);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(opened_, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral(SELVANE_PROGRAM_DIR) +
                                                      QStringLiteral("/Selvane.en.html"))});
}

QTEST_MAIN(EnglishTest)
#include "EnglishTest.moc"
