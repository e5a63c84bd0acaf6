// The shell on a real window, real OpenGL (llvmpipe under a virtual X server) and the real Qt
// widgets, with the drums on the fake audio layer so that every strike can be seen.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <fstream>
#include <memory>

#include "app/SelvaneApp.h"
#include "audio/Platform.h"
#include "base/ModuleDirectory.h"
#include "render/platform/RealPlatform.h"
#include "scene/Scene.h"
#include "session/DocumentManager.h"
#include "shell/AboutDlg.h"
#include "shell/ExportDialog.h"
#include "shell/MainFrame.h"
#include "shell/Messages.h"
#include "shell/SelvaneView.h"
#include "shell/Strings.h"
#include "shell/VideoExport.h"
#include "tests/fakes/FakeAudio.h"
#include "tests/support/Allocations.h"

// Qt before X11: Xlib's macros would break Qt's headers.
#include <X11/XKBlib.h>

namespace {

const QString kProgramDir = QStringLiteral(SELVANE_PROGRAM_DIR);

// How much of the last presented picture is near the colour c (0x00BBGGRR), from 0 to 1, in
// the whole picture or in the central quarter.
double ShareNear(ColorRef c, bool centreOnly) {
    gpu::Picture picture;
    if (g_scene == nullptr || !g_scene->swapChain ||
        FAILED(g_scene->swapChain->ReadPresented(&picture)) || picture.width == 0) {
        return -1.0;
    }
    std::size_t near = 0;
    std::size_t all = 0;
    const std::uint32_t x0 = centreOnly ? picture.width / 4 : 0;
    const std::uint32_t x1 = centreOnly ? picture.width * 3 / 4 : picture.width;
    const std::uint32_t y0 = centreOnly ? picture.height / 4 : 0;
    const std::uint32_t y1 = centreOnly ? picture.height * 3 / 4 : picture.height;
    for (std::uint32_t y = y0; y < y1; ++y) {
        for (std::uint32_t x = x0; x < x1; ++x) {
            const std::uint8_t* p = &picture.pixels[(std::size_t{y} * picture.width + x) * 4];
            const bool close = std::abs(p[2] - RedOf(c)) < 40 && std::abs(p[1] - GreenOf(c)) < 40 &&
                               std::abs(p[0] - BlueOf(c)) < 40;
            near += close ? 1 : 0;
            ++all;
        }
    }
    return static_cast<double>(near) / static_cast<double>(all);
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startWithoutArgumentsShowsAnUntitledEmptyFlight();
    void startWithAFileShowsItsFlight();
    void startWithAFileThatCannotBeOpenedEndsWithoutAWindow();
    void openingThroughTheDocumentManagerNamesTheWindowAndSkipsTheOpenFile();
    void newKeepsTheFlightAndRenamesToUntitled();
    void aFailedRecentEntryIsRemovedFromTheMenu();
    void recentMenuShowsNewestFirstAndGreysThePlaceholderWhileEmpty();
    void reopenInAnEncodingReadsAgainAndTheListKeepsTheChoice();
    void wheelChangesSpeedAlwaysAndStrikesADrumOnlyWithText();
    void resizeBelowOneHundredIsIgnored();
    void colourCommandsStartFromTheCurrentColourAndCancelChangesNothing();
    void editAndPaneKeysChangeNothingAndSaveWritesNothing();
    void openDialogListsEveryFileUnderAllFilesAndOpensTheChoice();
    void statusBarShowsReadyThePromptAndTheLockKeys();
    void aboutBoxShowsItsTextsAndOnlyCloses();
    void droppedFilesOpenInTurn();
    void rightClickShowsNoMenu();
    void helpAndVersionNeedNoDisplay();
    void screenshotOptionSavesTheFlight();
    void graphicsThatCannotBeCreatedEndStartupWithItsMessage();
    void aDocumentWithoutMemoryEndsStartupWithItsMessage();
    void qtsOwnDialogsSpeakJapanese();
    void drumsStrikeOncePerNotchOfTravelAndNotWhileCoasting();
    void keysSteerCruiseAndJumpInAWindowAndInFullScreen();
    void resumeReturnsToThePlaceUntilTheFileChangesOrItIsSwitchedOff();
    void screenshotsFollowSeedCruiseAndColours();
    void aFlightAtRestDrawsNothingAndEachChangeDrawsOnce();
    void aCruisingFlightMovesThePictureOnScreenInAWindowAndInFullScreen();
    void aViewThatIsNeverExposedSaysSoInTheStatusBarAndWaits();
    void videoExportRecordsTheFlightOnScreenWhileItGoesOn();
    void videoExportOfAnUntitledTextCanBeCancelled();
    void videoExportThatFailsSaysWhy();
    void videoExportOffersAFolderThatCanBeWritten();

  private:
    void Start(CommandLine line = {});
    void WaitForFrames(int frames);
    std::string WriteFile(const QString& name, const std::string& bytes);
    QProcess* Program(const QStringList& arguments, bool withDisplay);
    // Chooses ファイル → 動画として書き出し, lets `fill` set up the dialog and accepts it.
    void ExportVideo(const std::function<void(CExportDialog&)>& fill);

    QTemporaryDir temp_;
    std::unique_ptr<QTemporaryDir> files_;
    fake::FakeAudio audio_;
    std::unique_ptr<CSelvaneApp> app_;
    QStringList messages_;
    int frames_ = 0;
};

void ShellTest::initTestCase() {
    QVERIFY(temp_.isValid());
    // The window records by running the program: here that is the real one, not this test.
    VideoExport::SetProgramForTesting(kProgramDir + QStringLiteral("/Selvane"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp_.filePath(QStringLiteral("config"))));
    SetModuleDirectoryForTesting(kProgramDir.toStdString());
    InstallRealPlatform();
    audio::SetPlatform(&audio_);
    SetMessageSinkForTesting([this](const QString& text) { messages_ << text; });
}

void ShellTest::init() {
    QDir(temp_.filePath(QStringLiteral("config"))).removeRecursively();
    messages_.clear();
    audio_.ClearLog();
    frames_ = 0;
    files_ = std::make_unique<QTemporaryDir>();
    app_ = std::make_unique<CSelvaneApp>();
}

void ShellTest::cleanup() {
    if (app_) {
        app_->ExitInstance();
        app_.reset();
    }
    QCOMPARE(g_scene, nullptr);
}

void ShellTest::Start(CommandLine line) {
    app_->SetCommandLine(std::move(line));
    QVERIFY(app_->InitInstance());
    app_->view()->SetAfterFrame([this] { ++frames_; });
    QVERIFY(QTest::qWaitForWindowExposed(app_->frame()));
    app_->frame()->activateWindow();
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        // Weston's headless backend has no keyboard, so its compositor gives no window the
        // focus, and Qt's Wayland platform cannot ask for it: the keys of these tests go to
        // the window Qt counts as active.
        QApplication::setActiveWindow(app_->frame());
        QVERIFY(app_->frame()->isActiveWindow());
    } else {
        QVERIFY(QTest::qWaitForWindowActive(app_->frame()));
    }
    WaitForFrames(1);
}

void ShellTest::WaitForFrames(int frames) {
    const int target = frames_ + frames;
    QTRY_VERIFY_WITH_TIMEOUT(frames_ >= target, 10000);
}

std::string ShellTest::WriteFile(const QString& name, const std::string& bytes) {
    const QString path = files_->filePath(name);
    std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary) << bytes;
    return QFile::encodeName(path).toStdString();
}

QProcess* ShellTest::Program(const QStringList& arguments, bool withDisplay) {
    auto* process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ALSOFT_DRIVERS"), QStringLiteral("null"));
    environment.insert(QStringLiteral("SELVANE_MESSAGE_BOXES"), QStringLiteral("stderr"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), temp_.filePath(QStringLiteral("config")));
    if (!withDisplay) {
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }
    process->setProcessEnvironment(environment);
    process->start(kProgramDir + QStringLiteral("/Selvane"), arguments);
    return process;
}

void ShellTest::startWithoutArgumentsShowsAnUntitledEmptyFlight() {
    Start();
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("無題 - Tamor Selvane 0.4"));
    QVERIFY(g_scene->text.empty());
    QVERIFY(g_scene->segments.empty());
    QVERIFY(app_->GetWorkaround() != nullptr);
    WaitForFrames(2);
    QCOMPARE(ShareNear(0xFFFFFF, false), 1.0);
}

void ShellTest::startWithAFileShowsItsFlight() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    Start(line);
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("sample.txt - Tamor Selvane 0.4"));
    QVERIFY(g_scene->text.size() > 2000);
    QVERIFY(!g_scene->segments.empty());
    WaitForFrames(2);
    // Text is drawn in the middle of the picture, in black with anti-aliased edges.
    const double text = 1.0 - ShareNear(0xFFFFFF, true);
    QVERIFY2(text > 0.005, qPrintable(QString::number(text)));
    QVERIFY(ShareNear(0x000000, true) > 0.001);
    QVERIFY(ShareNear(0xFFFFFF, false) > 0.5);
    QCOMPARE(app_->recentFiles().entries().size(), std::size_t{1});
}

void ShellTest::startWithAFileThatCannotBeOpenedEndsWithoutAWindow() {
    CommandLine line;
    line.file = temp_.filePath(QStringLiteral("does-not-exist.txt")).toStdString();
    app_->SetCommandLine(line);
    QVERIFY(!app_->InitInstance());
    QCOMPARE(app_->exitCode(), 1);
    QVERIFY(!app_->frame()->isVisible());
    QVERIFY(messages_.isEmpty());
    QVERIFY(app_->recentFiles().entries().empty());

    QProcess* process = Program({QString::fromStdString(line.file)}, true);
    QVERIFY(process->waitForFinished(30000));
    QCOMPARE(process->exitCode(), 1);
    QVERIFY(process->readAllStandardError().contains("cannot open"));
}

void ShellTest::openingThroughTheDocumentManagerNamesTheWindowAndSkipsTheOpenFile() {
    Start();
    const std::string first = WriteFile(QStringLiteral("first.txt"), "abc\r\ndef\r\n");
    QVERIFY(app_->OpenFile(first, DocumentManager::Source::Dialog));
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("first.txt - Tamor Selvane 0.4"));
    QCOMPARE(g_scene->text, std::u16string(u"abcdef"));
    QCOMPARE(g_scene->segments.size(), std::size_t{1});

    // Choosing the file that is open reads nothing.
    g_scene->text += u"!";
    QVERIFY(app_->OpenFile(first, DocumentManager::Source::Dialog));
    QCOMPARE(g_scene->text, std::u16string(u"abcdef!"));

    const std::string second = WriteFile(QStringLiteral("second.txt"), "xyz");
    QVERIFY(app_->OpenFile(second, DocumentManager::Source::Dialog));
    QCOMPARE(g_scene->text, std::u16string(u"xyz"));
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("second.txt - Tamor Selvane 0.4"));
    WaitForFrames(2);
}

void ShellTest::newKeepsTheFlightAndRenamesToUntitled() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    Start(line);
    const std::u16string text = g_scene->text;
    const std::size_t segments = g_scene->segments.size();
    QTest::keyClick(app_->frame(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("無題 - Tamor Selvane 0.4"));
    QVERIFY(g_scene->text == text);
    QCOMPARE(g_scene->segments.size(), segments);
    QVERIFY(app_->documents()->path().empty());
}

void ShellTest::aFailedRecentEntryIsRemovedFromTheMenu() {
    const std::string kept = WriteFile(QStringLiteral("kept.txt"), "kept");
    const std::string gone = WriteFile(QStringLiteral("gone.txt"), "gone");
    Start();
    QVERIFY(app_->OpenFile(gone, DocumentManager::Source::Dialog));
    QVERIFY(app_->OpenFile(kept, DocumentManager::Source::Dialog));
    QFile::remove(QFile::decodeName(QByteArray::fromStdString(gone)));
    QAction* older = app_->frame()->RecentAction(1);
    QVERIFY(older != nullptr);
    QVERIFY(older->text().contains(QStringLiteral("gone.txt")));
    older->trigger();
    QCOMPARE(app_->recentFiles().entries(), std::vector<std::string>{kept});
    QVERIFY(app_->frame()->RecentAction(1) == nullptr);
    QVERIFY(app_->frame()->RecentAction(0)->text().contains(QStringLiteral("kept.txt")));
    QVERIFY2(messages_.isEmpty(), "a file that cannot be opened shows no message");
    QVERIFY2(g_scene->text == u"kept", "the flight on screen stays");
}

void ShellTest::recentMenuShowsNewestFirstAndGreysThePlaceholderWhileEmpty() {
    Start();
    QAction* placeholder = nullptr;
    for (QAction* action : app_->frame()->menuBar()->actions()[0]->menu()->actions()) {
        if (action->data().toInt() == command::kRecentFirst &&
            action->text() == QStringLiteral("最近使ったファイル")) {
            placeholder = action;
        }
    }
    QVERIFY(placeholder != nullptr);
    QVERIFY(placeholder->isVisible());
    QVERIFY(!placeholder->isEnabled());
    for (const char* name : {"A.txt", "B.txt", "C.txt", "D.txt", "E.txt"}) {
        QVERIFY(app_->OpenFile(WriteFile(QString::fromLatin1(name), name),
                               DocumentManager::Source::Dialog));
    }
    QVERIFY(!placeholder->isVisible());
    const char* expected[] = {"E.txt", "D.txt", "C.txt", "B.txt"};
    for (int i = 0; i < 4; ++i) {
        QAction* entry = app_->frame()->RecentAction(i);
        QVERIFY(entry != nullptr);
        QVERIFY2(entry->text().startsWith(QStringLiteral("&%1 ").arg(i + 1)),
                 qPrintable(entry->text()));
        QVERIFY(entry->text().endsWith(QString::fromLatin1(expected[i])));
        QCOMPARE(entry->statusTip(), QStringLiteral("指定のファイルを開く"));
    }
    QVERIFY(app_->frame()->RecentAction(4) == nullptr);

    // The list survives a restart.
    app_->ExitInstance();
    app_ = std::make_unique<CSelvaneApp>();
    Start();
    QVERIFY(app_->frame()->RecentAction(0)->text().endsWith(QStringLiteral("E.txt")));
    QVERIFY(app_->frame()->RecentAction(3)->text().endsWith(QStringLiteral("B.txt")));
}

void ShellTest::reopenInAnEncodingReadsAgainAndTheListKeepsTheChoice() {
    Start();
    CMainFrame* frame = app_->frame();
    QVERIFY(!frame->ReopenMenu()->isEnabled());
    QStringList labels;
    for (QAction* action : frame->ReopenMenu()->actions()) {
        labels << action->text();
    }
    QCOMPARE(labels, (QStringList{QStringLiteral("自動判別"), QStringLiteral("Shift_JIS (CP932)"),
                                  QStringLiteral("UTF-8"), QStringLiteral("UTF-16"),
                                  QStringLiteral("EUC-JP"), QStringLiteral("ISO-2022-JP")}));
    QCOMPARE(frame->ReopenMenu()->title(), QStringLiteral("文字コードを指定して開き直す"));

    const std::string file = WriteFile(QStringLiteral("utf8.txt"), "\xE3\x81\x82\r\n\xE6\xBC\xA2");
    const std::u16string mojibake = u"\u7E3A\uFFFD\u8C8D\uFF62";
    QVERIFY(app_->OpenFile(file, DocumentManager::Source::Dialog));
    QVERIFY(g_scene->text == u"あ漢");
    QCOMPARE(frame->EncodingPane()->text(), QStringLiteral("UTF-8"));
    QVERIFY(frame->ReopenMenu()->isEnabled());
    const std::size_t builds = g_scene->segments.size();
    frame->Action(command::kReopenAuto + 1)->trigger();
    QVERIFY(g_scene->text == mojibake);
    QCOMPARE(g_scene->segments.size(), builds);
    QCOMPARE(frame->EncodingPane()->text(), QStringLiteral("Shift_JIS"));
    QCOMPARE(frame->windowTitle(), QStringLiteral("utf8.txt - Tamor Selvane 0.4"));
    WaitForFrames(2);

    // The list keeps the choice across a restart, and the entry opens with it.
    app_->ExitInstance();
    app_ = std::make_unique<CSelvaneApp>();
    Start();
    QVERIFY(g_scene->text.empty());
    app_->frame()->RecentAction(0)->trigger();
    QVERIFY(g_scene->text == mojibake);
    app_->frame()->Action(command::kReopenAuto)->trigger();
    QVERIFY(g_scene->text == u"あ漢");
    std::ifstream in(app_->recentFiles().iniPath());
    const std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(QString::fromStdString(ini),
             QStringLiteral("[Recent File List]\nFile1=") + QString::fromStdString(file) + "\n");

    // After New no file is open: nothing to read again, no encoding to show.
    QTest::keyClick(app_->frame(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!app_->frame()->ReopenMenu()->isEnabled());
    QCOMPARE(app_->frame()->EncodingPane()->text(), QString());
}

void ShellTest::wheelChangesSpeedAlwaysAndStrikesADrumOnlyWithText() {
    Start();
    CSelvaneView* view = app_->view();
    audio_.ClearLog();
    QWheelEvent away(QPointF(10, 10), view->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &away);
    QCOMPARE(g_scene->cameraSpeed, -0.012f);
    QCOMPARE(audio_.CountOf("Start"), 0);  // no drum without text

    QVERIFY(app_->OpenFile(WriteFile(QStringLiteral("drums.txt"), "drum"),
                           DocumentManager::Source::Dialog));
    g_scene->cameraSpeed = 0.0f;
    audio_.ClearLog();
    QWheelEvent towards(QPointF(10, 10), view->mapToGlobal(QPointF(10, 10)), QPoint(),
                        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &towards);
    QCOMPARE(g_scene->cameraSpeed, 0.012f);
    // The first strike stops drum 0, which never played, before starting the one drawn.
    QCOMPARE(audio_.CountOf("Start"), 1);
    QVERIFY(audio_.CountOf("Stop") >= 1);
    const int drum = view->currentDrum();
    QVERIFY(drum >= 0 && drum < 5);
    view->Wheel(120);
    QCOMPARE(audio_.CountOf("Start"), 2);
}

void ShellTest::resizeBelowOneHundredIsIgnored() {
    Start();
    CSelvaneView* view = app_->view();
    const std::uint32_t width = g_scene->clientWidth;
    const std::uint32_t height = g_scene->clientHeight;
    view->ResizeGraphics(99, 600);
    view->ResizeGraphics(600, 99);
    QCOMPARE(g_scene->clientWidth, width);
    QCOMPARE(g_scene->clientHeight, height);
    view->ResizeGraphics(100, 100);
    QCOMPARE(g_scene->clientWidth, 100u);
    QCOMPARE(g_scene->clientHeight, 100u);
    QCOMPARE(g_scene->viewport.width, 100u);

    // A real resize of the main window reaches the back buffer through the view.
    app_->frame()->resize(900, 700);
    QTRY_COMPARE(g_scene->clientWidth,
                 static_cast<std::uint32_t>(view->width() * view->devicePixelRatio()));
    QCOMPARE(g_scene->clientHeight,
             static_cast<std::uint32_t>(view->height() * view->devicePixelRatio()));
    WaitForFrames(2);
    QCOMPARE(ShareNear(0xFFFFFF, false), 1.0);
}

void ShellTest::colourCommandsStartFromTheCurrentColourAndCancelChangesNothing() {
    Start();
    QColor seenInitial;
    QColor seenCustom;
    const auto answer = [&](QColor pick, bool accept) {
        QTimer::singleShot(0, [&seenInitial, &seenCustom, pick, accept] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            seenInitial = dialog->currentColor();
            seenCustom = QColorDialog::customColor(15);
            if (accept) {
                dialog->setCurrentColor(pick);
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
    };
    answer(QColor(0, 0, 255), true);
    app_->frame()->OnBackgroundColor();
    QCOMPARE(seenInitial, QColor(Qt::white));
    QCOMPARE(seenCustom, QColor(Qt::white));
    QCOMPARE(g_scene->backgroundColor, 0xFF0000u);  // blue is 0x00FF0000
    WaitForFrames(2);
    QCOMPARE(ShareNear(0xFF0000, false), 1.0);

    answer(QColor(Qt::green), false);
    app_->frame()->OnBackgroundColor();
    QCOMPARE(seenInitial, QColor(0, 0, 255));
    QCOMPARE(g_scene->backgroundColor, 0xFF0000u);

    const gpu::Brush* brush = g_scene->textBrush.get();
    answer(QColor(Qt::red), false);
    app_->frame()->OnFontColor();
    QCOMPARE(g_scene->fontColor, 0u);
    QCOMPARE(g_scene->textBrush.get(), brush);

    QVERIFY(app_->OpenFile((kProgramDir + QStringLiteral("/sample.txt")).toStdString(),
                           DocumentManager::Source::Dialog));
    answer(QColor(255, 0, 0), true);
    app_->frame()->OnFontColor();
    QCOMPARE(g_scene->fontColor, 0x0000FFu);
    QVERIFY(g_scene->textTarget != nullptr);
    WaitForFrames(2);
    const double red = ShareNear(0x0000FF, true);
    QVERIFY2(red > 0.005, qPrintable(QString::number(red)));

    // Qt keeps the dialog's custom colours in a file every Qt program of the user shares: ours,
    // white at every start, must not replace theirs.
    QVERIFY(!QFile::exists(temp_.filePath(QStringLiteral("config/QtProject.conf"))));
    QVERIFY(QFile::exists(temp_.filePath(QStringLiteral("config/Selvane/QtProject.conf"))));
}

void ShellTest::openDialogListsEveryFileUnderAllFilesAndOpensTheChoice() {
    Start();
    WriteFile(QStringLiteral("README"), "\x82\xa0\x82\xa2\r\n");
    WriteFile(QStringLiteral("notes.txt"), "abc\r\n");
    const QString folder = files_->path();
    QStringList listedFirst;
    QStringList listedAll;
    QString title;
    const auto listed = [folder](QFileDialog* dialog) {
        QStringList names;
        auto* model = dialog->findChild<QFileSystemModel*>();
        if (model == nullptr) {
            return names;
        }
        const QModelIndex root = model->index(folder);
        for (int i = 0; i < model->rowCount(root); ++i) {
            names << model->fileName(model->index(i, 0, root));
        }
        names.sort();
        return names;
    };
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        // A check that fails leaves the lambda early: the dialog must still close.
        const std::unique_ptr<QDialog, void (*)(QDialog*)> closer(dialog, [](QDialog* d) {
            if (d->isVisible()) {
                d->reject();
            }
        });
        title = dialog->windowTitle();
        dialog->setDirectory(folder);
        // The list fills from a thread of the model's: wait for the folder's files.
        QTRY_VERIFY2(listed(dialog).contains(QStringLiteral("notes.txt")),
                     qPrintable(listed(dialog).join(QStringLiteral(","))));
        listedFirst = listed(dialog);
        // As the user's choice in the list of filters arrives.
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types != nullptr);
        types->setCurrentIndex(1);
        emit types->activated(1);
        emit types->textActivated(types->itemText(1));
        QTRY_VERIFY(listed(dialog).contains(QStringLiteral("README")));
        listedAll = listed(dialog);
        // Typed, as selectFile leaves the name field alone while it has the focus.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setText(QStringLiteral("README"));
        // The dialog's own accept, as its open button calls it.
        static_cast<QDialog*>(dialog)->accept();
    });
    app_->OnCommand(command::kOpen);
    QCOMPARE(title, QStringLiteral("開く"));
    QCOMPARE(listedFirst, QStringList{QStringLiteral("notes.txt")});
    QCOMPARE(listedAll, (QStringList{QStringLiteral("README"), QStringLiteral("notes.txt")}));
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("README - Tamor Selvane 0.4"));
    QCOMPARE(g_scene->text, std::u16string(u"あい"));
}

void ShellTest::editAndPaneKeysChangeNothingAndSaveWritesNothing() {
    const std::string file = WriteFile(QStringLiteral("keep.txt"), "keep this\n");
    CommandLine line;
    line.file = file;
    Start(line);
    const std::u16string text = g_scene->text;
    const QString title = app_->frame()->windowTitle();
    const QList<QPair<int, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_Z, Qt::ControlModifier},      {Qt::Key_X, Qt::ControlModifier},
        {Qt::Key_C, Qt::ControlModifier},      {Qt::Key_V, Qt::ControlModifier},
        {Qt::Key_Backspace, Qt::AltModifier},  {Qt::Key_Delete, Qt::ShiftModifier},
        {Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
        {Qt::Key_F6, Qt::NoModifier},          {Qt::Key_F6, Qt::ShiftModifier},
        {Qt::Key_S, Qt::ControlModifier},
    };
    for (const auto& [key, modifiers] : keys) {
        QTest::keyClick(app_->frame(), static_cast<Qt::Key>(key), modifiers);
    }
    QVERIFY(g_scene->text == text);
    QCOMPARE(app_->frame()->windowTitle(), title);
    QVERIFY(messages_.isEmpty());
    std::ifstream in(file, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(after, std::string("keep this\n"));
    QCOMPARE(QDir(files_->path()).entryList(QDir::Files).size(), 1);  // no file was created
}

void ShellTest::statusBarShowsReadyThePromptAndTheLockKeys() {
    Start();
    CMainFrame* frame = app_->frame();
    QCOMPARE(frame->PromptPane()->text(), QStringLiteral("レディ"));
    QVERIFY(frame->PromptPane()->isVisible());
    frame->Action(command::kBackgroundColor)->showStatusText(frame);
    QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("背景色"));
    QVERIFY(!frame->PromptPane()->isVisible());
    frame->Action(command::kAbout)->showStatusText(frame);
    QCOMPARE(frame->statusBar()->currentMessage(),
             QStringLiteral("プログラム情報、バージョン、著作権を表示します。"));
    frame->statusBar()->clearMessage();
    QVERIFY(frame->PromptPane()->isVisible());

    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        // Qt tells a Wayland client nothing of the lock keys: the panes stay empty there.
        frame->UpdateIndicators();
        QCOMPARE(frame->IndicatorPane(0)->text(), QString());
        return;
    }
    // Caps lock through the X keyboard extension, as a user's key press would set it.
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    QVERIFY(x11 != nullptr && x11->display() != nullptr);
    Display* display = x11->display();
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    XSync(display, False);
    frame->UpdateIndicators();
    QCOMPARE(frame->IndicatorPane(0)->text(), QStringLiteral("CAP"));
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
    XSync(display, False);
    frame->UpdateIndicators();
    QCOMPARE(frame->IndicatorPane(0)->text(), QString());
    QCOMPARE(frame->IndicatorPane(2)->text(), QString());
}

void ShellTest::aboutBoxShowsItsTextsAndOnlyCloses() {
    Start();
    QStringList labels;
    QString caption;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        QVERIFY(about != nullptr);
        caption = about->windowTitle();
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                labels << label->text();
            }
        }
        QTest::keyClick(about, Qt::Key_Return);
    });
    app_->OnCommand(command::kAbout);
    QCOMPARE(caption, QStringLiteral("バージョン情報 Selvane"));
    QVERIFY(labels.contains(QStringLiteral("Tamor Selvane, Version 0.4")));
    QCOMPARE(labels.size(), 4);
}

void ShellTest::droppedFilesOpenInTurn() {
    Start();
    const std::string one = WriteFile(QStringLiteral("one.txt"), "one");
    const std::string two = WriteFile(QStringLiteral("two.txt"), "two");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(one)),
                  QUrl::fromLocalFile(QString::fromStdString(two))});
    // A drop always follows the drag's entry, which the window must accept.
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app_->frame(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app_->frame(), &drop);
    // The drop is answered before anything is read: the program the files came from waits.
    QVERIFY(drop.isAccepted());
    QVERIFY(g_scene->text.empty());
    QTRY_COMPARE(g_scene->text, std::u16string(u"two"));
    QCOMPARE(app_->frame()->windowTitle(), QStringLiteral("two.txt - Tamor Selvane 0.4"));
    QCOMPARE(app_->recentFiles().entries().size(), std::size_t{2});

    // The view is a window of its own: drags over the flight reach it, not the frame.
    const std::string three = WriteFile(QStringLiteral("three.txt"), "three");
    QMimeData onView;
    onView.setUrls({QUrl::fromLocalFile(QString::fromStdString(three))});
    QDragEnterEvent enterView(QPoint(50, 50), Qt::CopyAction, &onView, Qt::LeftButton,
                              Qt::NoModifier);
    QApplication::sendEvent(app_->view(), &enterView);
    QVERIFY(enterView.isAccepted());
    QDropEvent dropOnView(QPointF(50, 50), Qt::CopyAction, &onView, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app_->view(), &dropOnView);
    QVERIFY(dropOnView.isAccepted());
    QTRY_COMPARE(g_scene->text, std::u16string(u"three"));

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent enterText(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton,
                              Qt::NoModifier);
    QApplication::sendEvent(app_->view(), &enterText);
    QVERIFY(!enterText.isAccepted());
}

void ShellTest::rightClickShowsNoMenu() {
    Start();
    const std::u16string text = g_scene->text;
    QTest::mouseClick(app_->view(), Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QTest::qWait(50);
    QVERIFY(QApplication::activePopupWidget() == nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    // The view never takes the keyboard: the frame's accelerators keep working after a click.
    QTest::mouseClick(app_->view(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QVERIFY(QGuiApplication::focusWindow() != app_->view());
}

void ShellTest::helpAndVersionNeedNoDisplay() {
    QProcess* help = Program({QStringLiteral("--help")}, false);
    QVERIFY(help->waitForFinished(10000));
    QCOMPARE(help->exitCode(), 0);
    QVERIFY(help->readAllStandardOutput().startsWith("Usage: selvane [OPTION]... [FILE]"));

    QProcess* version = Program({QStringLiteral("--version")}, false);
    QVERIFY(version->waitForFinished(10000));
    QCOMPARE(version->exitCode(), 0);
    QCOMPARE(version->readAllStandardOutput(), QByteArray("Tamor Selvane 0.4.0.1\n"));

    QProcess* wrong = Program({QStringLiteral("--no-such-option")}, false);
    QVERIFY(wrong->waitForFinished(10000));
    QCOMPARE(wrong->exitCode(), 2);
    QVERIFY(wrong->readAllStandardError().contains("unknown option"));

    QProcess* encoding =
        Program({QStringLiteral("--encoding=klingon"), QStringLiteral("a")}, false);
    QVERIFY(encoding->waitForFinished(10000));
    QCOMPARE(encoding->exitCode(), 2);
    QVERIFY(encoding->readAllStandardError().startsWith(
        "selvane: unknown encoding \"klingon\": use auto, cp932, utf-8"));
}

void ShellTest::aCruisingFlightMovesThePictureOnScreenInAWindowAndInFullScreen() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    line.cruise = 15.0f;
    Start(line);
    const auto presented = [] {
        gpu::Picture picture;
        return g_scene->swapChain && SUCCEEDED(g_scene->swapChain->ReadPresented(&picture))
                   ? picture.pixels
                   : std::vector<std::uint8_t>();
    };
    const auto expectMoving = [&] {
        const std::vector<std::uint8_t> before = presented();
        QVERIFY(!before.empty());
        WaitForFrames(5);
        QVERIFY(presented() != before);
    };
    expectMoving();
    // Full screen is the compositor's or window manager's to grant; once granted the view fills
    // the screen and the flight goes on there.
    CMainFrame* frame = app_->frame();
    const QSize windowed = app_->view()->size();
    QTest::keyClick(frame, Qt::Key_F11);
    QVERIFY(frame->isFullScreen());
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        QTRY_COMPARE(app_->view()->size(), frame->screen()->size());
    }
    WaitForFrames(2);
    QCOMPARE(g_scene->clientWidth,
             static_cast<std::uint32_t>(app_->view()->width() * app_->view()->devicePixelRatio()));
    expectMoving();
    QTest::keyClick(frame, Qt::Key_F11);
    QVERIFY(!frame->isFullScreen());
    QTRY_COMPARE(app_->view()->size(), windowed);
    expectMoving();
}

void ShellTest::aViewThatIsNeverExposedSaysSoInTheStatusBarAndWaits() {
    qputenv("SELVANE_TEST_NEVER_EXPOSED", "1");
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    app_->SetCommandLine(line);
    const bool started = app_->InitInstance();
    qunsetenv("SELVANE_TEST_NEVER_EXPOSED");
    QVERIFY(started);
    const QString expected =
        QStringLiteral("%1 で 10 秒たっても描画できません。描画できるようになるのを待っています。")
            .arg(QGuiApplication::platformName());
    QTRY_COMPARE_WITH_TIMEOUT(app_->frame()->statusBar()->currentMessage(), expected, 20000);
    QVERIFY(!app_->view()->drewFrame());
    // It waits on: the flight still moves, and nothing ended the program.
    const std::uint64_t ticks = app_->view()->ticks();
    QTRY_VERIFY(app_->view()->ticks() > ticks + 3);
    QCOMPARE(app_->exitCode(), 0);
}

void ShellTest::aFlightAtRestDrawsNothingAndEachChangeDrawsOnce() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    Start(line);
    CSelvaneView* view = app_->view();
    // The frames drawn while the real timer ticks `ticks` more times after `change`.
    const auto framesOver = [view](int ticks, const std::function<void()>& change) {
        const std::uint64_t frames = view->frames();
        const std::uint64_t start = view->ticks();
        change();
        QDeadlineTimer deadline(5000);
        while (view->ticks() < start + static_cast<std::uint64_t>(ticks) &&
               !deadline.hasExpired()) {
            QTest::qWait(5);
        }
        QCoreApplication::processEvents();
        return view->frames() - frames;
    };
    // The first tick after the build turns the view to the path; from then on it rests. (A slow
    // machine may see the window exposed once more meanwhile, as a Wayland compositor whose frame
    // callback came late does: such a frame is part of settling, not of resting.)
    for (int i = 0; i < 20 && framesOver(3, [] {}) != 0; ++i) {
    }
    QCOMPARE(framesOver(10, [] {}), 0u);

    QCOMPARE(framesOver(4, [] { g_scene->backgroundColor = 0x00FF00; }), 1u);
    QCOMPARE(framesOver(4, [] { g_scene->fontColor = 0x0000FF; }), 1u);
    QCOMPARE(framesOver(4, [view] { view->Jump(200); }), 1u);
    QCOMPARE(
        framesOver(4, [this] { app_->frame()->resize(app_->frame()->size() + QSize(40, 30)); }),
        1u);
    QCOMPARE(framesOver(4,
                        [view] {
                            QExposeEvent expose(QRegion(0, 0, view->width(), view->height()));
                            QCoreApplication::sendEvent(view, &expose);
                        }),
             1u);
    // A new text draws at once, and once more if the first tick turns the view before then.
    const std::uint64_t built = framesOver(4, [this] {
        QVERIFY(app_->OpenFile(WriteFile(QStringLiteral("other.txt"), "another text"),
                               DocumentManager::Source::Dialog));
    });
    QVERIFY2(built == 1 || built == 2, qPrintable(QString::number(built)));
    QCOMPARE(framesOver(10, [] {}), 0u);
    // A flight in motion draws at every tick.
    QVERIFY(framesOver(10, [] { g_scene->cameraSpeed = 0.3f; }) >= 9u);
}

void ShellTest::screenshotOptionSavesTheFlight() {
    // Once of a file, once of the same text through standard input.
    QFile sample(kProgramDir + QStringLiteral("/sample.txt"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray text = sample.readAll();
    for (const QString& source : {sample.fileName(), QStringLiteral("-")}) {
        const QString out = temp_.filePath(QStringLiteral("shot.png"));
        QFile::remove(out);
        QProcess* process =
            Program({QStringLiteral("--screenshot"), out, QStringLiteral("--ticks=10"),
                     QStringLiteral("--speed=0.2"), source},
                    true);
        if (source == QStringLiteral("-")) {
            QVERIFY(process->waitForStarted(10000));
            process->write(text);
            process->closeWriteChannel();
        }
        QVERIFY(process->waitForFinished(60000));
        QCOMPARE(process->exitCode(), 0);
        const QImage image(out);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 100 && image.height() >= 100);
        int dark = 0;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4) {
                dark += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
            }
        }
        QVERIFY2(dark > 20, qPrintable(source + QStringLiteral(": ") + QString::number(dark)));
    }
}

void ShellTest::graphicsThatCannotBeCreatedEndStartupWithItsMessage() {
    // A program directory without the shader file: the view cannot be created.
    QTemporaryDir empty;
    SetModuleDirectoryForTesting(empty.path().toStdString());
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    app_->SetCommandLine(line);
    const bool started = app_->InitInstance();
    SetModuleDirectoryForTesting(kProgramDir.toStdString());
    QVERIFY(!started);
    QCOMPARE(app_->exitCode(), 1);
    QVERIFY(!app_->frame()->isVisible());
    QCOMPARE(messages_, QStringList{QStringLiteral("空のドキュメントの作成に失敗しました。")});
    QVERIFY2(g_scene->text.empty(), "the named file is not read when the window cannot exist");
}

void ShellTest::aDocumentWithoutMemoryEndsStartupWithItsMessage() {
    bool started = true;
    {
        // Only blocks of the scene's size: Qt's own allocations of the start must go through.
        const LargeAllocationFailure noMemory(sizeof(Scene), true);
        started = app_->InitInstance();
        QVERIFY(noMemory.failures() > 0);
    }
    QVERIFY(!started);
    QCOMPARE(app_->exitCode(), 1);
    QVERIFY(app_->frame() == nullptr);
    QCOMPARE(messages_, QStringList{QStringLiteral("空のドキュメントの作成に失敗しました。")});
}

void ShellTest::qtsOwnDialogsSpeakJapanese() {
    QVERIFY(app_->InstallTranslations());
    Start();
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            buttons << button->text();
        }
        dialog->reject();
    });
    app_->frame()->OnFontColor();
    QVERIFY2(buttons.contains(QStringLiteral("キャンセル")), qPrintable(buttons.join(u',')));
}

void ShellTest::drumsStrikeOncePerNotchOfTravelAndNotWhileCoasting() {
    Start();
    QVERIFY(app_->OpenFile(WriteFile(QStringLiteral("drums.txt"), "drum"),
                           DocumentManager::Source::Dialog));
    CSelvaneView* view = app_->view();
    const auto turn = [view](int delta, Qt::ScrollPhase phase) {
        QWheelEvent event(QPointF(10, 10), view->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, phase, false);
        QApplication::sendEvent(view, &event);
    };
    audio_.ClearLog();
    g_scene->cameraSpeed = 0.0f;
    // A touchpad swipe in steps of 15: the speed follows each, a drum sounds every 120 units.
    for (int i = 0; i < 7; ++i) {
        turn(-15, Qt::ScrollUpdate);
    }
    QVERIFY(std::abs(g_scene->cameraSpeed - 0.0105f) < 1e-6f);
    QCOMPARE(audio_.CountOf("Start"), 0);
    turn(-15, Qt::ScrollUpdate);
    QCOMPARE(audio_.CountOf("Start"), 1);
    for (int i = 0; i < 16; ++i) {
        turn(-15, Qt::ScrollUpdate);
    }
    QCOMPARE(audio_.CountOf("Start"), 3);
    // A turn the other way counts afresh: 100 one way, then 100 the other, strike nothing.
    turn(-100, Qt::ScrollUpdate);
    turn(100, Qt::ScrollUpdate);
    QCOMPARE(audio_.CountOf("Start"), 3);
    // Coasting after the fingers have left moves the flight and strikes nothing.
    const float before = g_scene->cameraSpeed;
    turn(-120, Qt::ScrollMomentum);
    turn(-120, Qt::ScrollMomentum);
    QVERIFY(std::abs(g_scene->cameraSpeed - (before + 0.024f)) < 1e-6f);
    QCOMPARE(audio_.CountOf("Start"), 3);
    // A notched wheel strikes at every notch, as it always did.
    turn(-120, Qt::NoScrollPhase);
    turn(-120, Qt::NoScrollPhase);
    QCOMPARE(audio_.CountOf("Start"), 5);
}

void ShellTest::keysSteerCruiseAndJumpInAWindowAndInFullScreen() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    Start(line);
    CMainFrame* frame = app_->frame();
    Scene& scene = *g_scene;
    QAction* viewMenu = frame->menuBar()->actions()[1];
    QCOMPARE(viewMenu->text(), QStringLiteral("表示(&V)"));
    QCOMPARE(frame->menuBar()->actions()[2]->text(), QStringLiteral("設定(&S)"));
    QCOMPARE(frame->Action(command::kCruise)->statusTip(),
             QStringLiteral("ホイールに触れずに、一定の速さで読み進めます"));
    QVERIFY(frame->Action(command::kResume)->isChecked());

    // No event loop runs between the key clicks below: no tick moves the flight meanwhile.
    audio_.ClearLog();
    scene.cameraSpeed = 0.0f;
    QTest::keyClick(frame, Qt::Key_Right);
    QCOMPARE(scene.cameraSpeed, 0.012f);
    QTest::keyClick(frame, Qt::Key_Down);
    QCOMPARE(scene.cameraSpeed, 0.024f);
    QTest::keyClick(frame, Qt::Key_Left);
    QTest::keyClick(frame, Qt::Key_Up);
    QVERIFY(std::abs(scene.cameraSpeed) < 1e-6f);
    QCOMPARE(audio_.CountOf("Start"), 4);

    QCOMPARE(frame->CruisePane()->text(), QString());
    QTest::keyClick(frame, Qt::Key_Space);
    QVERIFY(scene.cruise);
    QCOMPARE(scene.cameraSpeed, 4.0f / 31.25f);
    QCOMPARE(frame->CruisePane()->text(), QStringLiteral("自動 4.0 字/秒"));
    QVERIFY(frame->Action(command::kCruise)->isChecked());
    QTest::keyClick(frame, Qt::Key_Plus);
    QTest::keyClick(frame, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(frame->CruisePane()->text(), QStringLiteral("自動 5.0 字/秒"));
    QCOMPARE(scene.cruiseSpeed, 5.0f / 31.25f);
    QTest::keyClick(frame, Qt::Key_Minus, Qt::KeypadModifier);
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(frame, Qt::Key_Minus);
    }
    QCOMPARE(frame->CruisePane()->text(), QStringLiteral("自動 0.5 字/秒"));
    QTest::keyClick(frame, Qt::Key_Space);
    QVERIFY(!scene.cruise);
    QCOMPARE(frame->CruisePane()->text(), QString());
    QVERIFY(!frame->Action(command::kCruise)->isChecked());

    QTest::keyClick(frame, Qt::Key_Home);
    QCOMPARE(scene.cameraIndex, 0);
    QCOMPARE(scene.cameraT, 0.0f);
    QTest::keyClick(frame, Qt::Key_PageDown);
    QTest::keyClick(frame, Qt::Key_PageDown);
    QTest::keyClick(frame, Qt::Key_PageUp);
    QCOMPARE(scene.cameraIndex, 64);
    QCOMPARE(scene.targetA,
             scene.pathPoints[64] + (scene.pathPoints[65] - scene.pathPoints[64]) * 0.5f);
    QTest::keyClick(frame, Qt::Key_PageUp);
    QTest::keyClick(frame, Qt::Key_PageUp);
    QCOMPARE(scene.cameraIndex, 0);

    // Full screen: no bars, the same keys, and Esc back.
    QTest::keyClick(frame, Qt::Key_F11);
    QVERIFY(frame->isFullScreen());
    QVERIFY(frame->Action(command::kFullScreen)->isChecked());
    QVERIFY(!frame->menuBar()->isVisible());
    QVERIFY(!frame->statusBar()->isVisible());
    QTest::keyClick(frame, Qt::Key_Space);
    QVERIFY(scene.cruise);
    QTest::keyClick(frame, Qt::Key_PageDown);
    QCOMPARE(scene.cameraIndex, 64);
    // The pointer goes after a while without motion and comes back with it.
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::overrideCursor() != nullptr &&
                                 QGuiApplication::overrideCursor()->shape() == Qt::BlankCursor,
                             CMainFrame::kPointerHideMs + 3000);
    QTest::mouseMove(app_->view(), QPoint(30, 40));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QTest::keyClick(frame, Qt::Key_Escape);
    QVERIFY(!frame->isFullScreen());
    QVERIFY(frame->menuBar()->isVisible());
    QVERIFY(frame->statusBar()->isVisible());
    QVERIFY(!frame->Action(command::kFullScreen)->isChecked());
    frame->Action(command::kFullScreen)->trigger();
    QVERIFY(frame->isFullScreen());
    frame->Action(command::kFullScreen)->trigger();
    QVERIFY(!frame->isFullScreen());
}

void ShellTest::resumeReturnsToThePlaceUntilTheFileChangesOrItIsSwitchedOff() {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes += "\x82\xa0";
    }
    const std::string novel = WriteFile(QStringLiteral("novel.txt"), bytes);
    const std::string other = WriteFile(QStringLiteral("other.txt"), "other");
    Start();
    const auto reopenAt = [this, &novel, &other](std::int64_t place) {
        QVERIFY(app_->OpenFile(novel, DocumentManager::Source::Dialog));
        app_->view()->Jump(place);
        QVERIFY(app_->OpenFile(other, DocumentManager::Source::Dialog));
        QVERIFY(app_->OpenFile(novel, DocumentManager::Source::Dialog));
    };
    reopenAt(300);
    QCOMPARE(g_scene->cameraIndex, 300);
    const Vec3 p = g_scene->pathPoints[300];
    QCOMPARE(g_scene->targetA, p + (g_scene->pathPoints[301] - p) * 0.5f);

    // A file that changed since (here its time only) opens at the start.
    QVERIFY(app_->OpenFile(other, DocumentManager::Source::Dialog));
    QFile file(QFile::decodeName(QByteArray::fromStdString(novel)));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                             QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(app_->OpenFile(novel, DocumentManager::Source::Dialog));
    QCOMPARE(g_scene->cameraIndex, 0);

    // Switched off, files open at the start; the choice outlives the run, and so does the
    // place of the file open at its end.
    app_->frame()->Action(command::kResume)->trigger();
    QVERIFY(!app_->frame()->Action(command::kResume)->isChecked());
    reopenAt(200);
    QCOMPARE(g_scene->cameraIndex, 0);
    app_->view()->Jump(700);
    app_->ExitInstance();
    app_ = std::make_unique<CSelvaneApp>();
    Start();
    QVERIFY(!app_->frame()->Action(command::kResume)->isChecked());
    app_->frame()->Action(command::kResume)->trigger();
    QVERIFY(app_->OpenFile(novel, DocumentManager::Source::Dialog));
    QCOMPARE(g_scene->cameraIndex, 700);
}

void ShellTest::screenshotsFollowSeedCruiseAndColours() {
    const QString sample = kProgramDir + QStringLiteral("/sample.txt");
    const auto shoot = [this, &sample](const QString& name, const QStringList& options) {
        const QString out = temp_.filePath(name);
        QProcess* process = Program(
            QStringList{QStringLiteral("--screenshot=") + out} + options + QStringList{sample},
            true);
        const bool finished = process->waitForFinished(60000);
        return finished && process->exitCode() == 0 ? QImage(out) : QImage();
    };
    // The same text and seed give the same flight; another seed another path.
    const QStringList flight = {QStringLiteral("--ticks=20"), QStringLiteral("--speed=0.3")};
    const QImage first = shoot(QStringLiteral("a.png"), flight + QStringList{"--seed=7"});
    const QImage again = shoot(QStringLiteral("b.png"), flight + QStringList{"--seed=7"});
    const QImage other = shoot(QStringLiteral("c.png"), flight + QStringList{"--seed=8"});
    QVERIFY(!first.isNull() && !other.isNull());
    QVERIFY(first == again);
    QVERIFY(first != other);

    // Cruise from the start, 2.828125 characters a second: 100 ticks end 9.05 characters on,
    // which the run keeps as the place it stopped at.
    QVERIFY(!shoot(QStringLiteral("d.png"),
                   {QStringLiteral("--cruise=2.828125"), QStringLiteral("--ticks=100")})
                 .isNull());
    QFile ini(temp_.filePath(QStringLiteral("config/Selvane/Selvane.INI")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray settings = ini.readAll();
    QVERIFY2(settings.contains("[Resume]\nFile1=" + QFile::encodeName(sample) + "\nPlace1=9\n"),
             settings.constData());

    // Colours from the command line, the text brush's too.
    const QImage coloured = shoot(QStringLiteral("e.png"), {QStringLiteral("--background=navy"),
                                                            QStringLiteral("--foreground=#FFFF00"),
                                                            QStringLiteral("--ticks=5")});
    QVERIFY(!coloured.isNull());
    int navy = 0;
    int yellow = 0;
    for (int y = 0; y < coloured.height(); y += 2) {
        for (int x = 0; x < coloured.width(); x += 2) {
            const QRgb c = coloured.pixel(x, y);
            navy += qRed(c) < 8 && qGreen(c) < 8 && std::abs(qBlue(c) - 128) < 8 ? 1 : 0;
            yellow += qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 60 ? 1 : 0;
        }
    }
    const int all = (coloured.width() / 2) * (coloured.height() / 2);
    QVERIFY2(navy > all / 2 && yellow > 20,
             qPrintable(QStringLiteral("%1 %2").arg(navy).arg(yellow)));

    QProcess* wrong = Program({QStringLiteral("--foreground=not-a-colour"), sample}, false);
    QVERIFY(wrong->waitForFinished(10000));
    QCOMPARE(wrong->exitCode(), 2);
    QVERIFY(wrong->readAllStandardError().contains("not-a-colour\" is not a colour"));
}

void ShellTest::ExportVideo(const std::function<void(CExportDialog&)>& fill) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CExportDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        seen = true;
        fill(*dialog);
        dialog->accept();
    });
    app_->frame()->Action(command::kExportVideo)->trigger();
    QVERIFY(seen);
}

void ShellTest::videoExportRecordsTheFlightOnScreenWhileItGoesOn() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    Start(line);
    g_scene->cameraIndex = 640;
    g_scene->cameraT = 0.0f;
    g_scene->backgroundColor = MakeColorRef(0x12, 0x34, 0x56);
    app_->view()->SetCruiseRate(6.0f);
    const QString out = files_->filePath(QStringLiteral("flight.mp4"));
    ExportVideo([&](CExportDialog& dialog) {
        // Offered: the document's name in its folder, and the view's own size first.
        QCOMPARE(dialog.pathEdit()->text(), kProgramDir + QStringLiteral("/sample.mp4"));
        const QSize own = CExportDialog::VideoSizeOf(app_->view()->size());
        QCOMPARE(dialog.sizeBox()->itemData(0).toSize(), own);
        QVERIFY(dialog.secondsBox()->value() > 100.0);
        QCOMPARE(dialog.cruiseBox()->value(), 6.0);
        // No drums unless asked for, and none for a GIF, which has no sound.
        QVERIFY(!dialog.drumsBox()->isChecked());
        dialog.drumsBox()->setChecked(true);
        dialog.pathEdit()->setText(files_->filePath(QStringLiteral("flight.gif")));
        QVERIFY(!dialog.drumsBox()->isEnabled());
        QVERIFY(!dialog.Choice().drums);
        dialog.pathEdit()->setText(out);
        QVERIFY(dialog.drumsBox()->isEnabled());
        dialog.sizeBox()->setCurrentIndex(dialog.sizeBox()->findData(QSize(640, 360)));
        dialog.secondsBox()->setValue(1.5);
        dialog.fpsBox()->setCurrentIndex(dialog.fpsBox()->findData(24));
    });
    VideoExport* exporter = app_->videoExport();
    QVERIFY(exporter != nullptr && exporter->Running());
    QVERIFY(exporter->progress()->isVisible());
    const QStringList& arguments = exporter->arguments();
    // The flight on screen: its path's seed, its colours, its speed.
    for (const QString& expected :
         {QStringLiteral("--size=640x360"), QStringLiteral("--fps=24"),
          QStringLiteral("--seconds=1.500"), QStringLiteral("--from=640"),
          QStringLiteral("--cruise=6.0"), QStringLiteral("--seed=%1").arg(g_scene->seed),
          QStringLiteral("--background=#123456"), QStringLiteral("--foreground=#000000"),
          QStringLiteral("--encoding=cp932"), QStringLiteral("--progress-lines"),
          QStringLiteral("--drums")}) {
        QVERIFY2(arguments.contains(expected), qPrintable(expected));
    }
    QCOMPARE(arguments.last(), kProgramDir + QStringLiteral("/sample.txt"));
    QSignalSpy finished(exporter, &VideoExport::Finished);
    const std::uint64_t ticks = app_->view()->ticks();
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.front().at(0).toBool(), true);
    // The window flew on meanwhile.
    QVERIFY(app_->view()->ticks() > ticks + 5);
    QVERIFY(!exporter->progress()->isVisible());
    QVERIFY(app_->frame()->statusBar()->currentMessage().contains(out));
    QFile video(out);
    QVERIFY(video.open(QIODevice::ReadOnly));
    QCOMPARE(video.read(8).mid(4), QByteArray("ftyp"));
    QVERIFY(messages_.isEmpty());
}

void ShellTest::videoExportOfAnUntitledTextCanBeCancelled() {
    CommandLine line;
    line.file = (kProgramDir + QStringLiteral("/sample.txt")).toStdString();
    Start(line);
    QTest::keyClick(app_->frame(), Qt::Key_N, Qt::ControlModifier);
    const QString out = files_->filePath(QStringLiteral("long.webm"));
    ExportVideo([&](CExportDialog& dialog) {
        dialog.pathEdit()->setText(out);
        dialog.secondsBox()->setValue(600.0);
    });
    VideoExport* exporter = app_->videoExport();
    QVERIFY(exporter->Running());
    // No file of its own: the text went to a private one, in UTF-8.
    const QString text = exporter->arguments().last();
    QVERIFY(exporter->arguments().contains(QStringLiteral("--encoding=utf-8")));
    QFile file(text);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    QVERIFY(QString::fromUtf8(file.readAll()).toStdU16String() == g_scene->text);
    // The child's progress reaches the dialog before the cancel.
    QTRY_VERIFY_WITH_TIMEOUT(
        exporter->progress()->labelText().contains(QStringLiteral(" / 18000 フレーム")), 30000);
    QSignalSpy finished(exporter, &VideoExport::Finished);
    auto* cancel = exporter->progress()->findChild<QPushButton*>();
    QVERIFY(cancel != nullptr);
    QCOMPARE(cancel->text(), QString::fromUtf8(strings::kExportCancel));
    cancel->click();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.front().at(0).toBool(), false);
    QCOMPARE(finished.front().at(1).toString(), QString());
    QVERIFY(!exporter->Running());
    QVERIFY(QDir(files_->path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());
    QVERIFY(!QFile::exists(text));
    QVERIFY(messages_.isEmpty());
}

void ShellTest::videoExportThatFailsSaysWhy() {
    Start();
    ExportVideo([&](CExportDialog& dialog) {
        dialog.pathEdit()->setText(files_->filePath(QStringLiteral("missing/flight.mkv")));
        dialog.secondsBox()->setValue(1.0);
    });
    QSignalSpy finished(app_->videoExport(), &VideoExport::Finished);
    QVERIFY(finished.wait(30000));
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_.front().startsWith(QString::fromUtf8(strings::kExportFailed)));
    QVERIFY2(messages_.front().contains(QStringLiteral("no folder")),
             qPrintable(messages_.front()));
}

void ShellTest::videoExportOffersAFolderThatCanBeWritten() {
    QCOMPARE(CExportDialog::FirstPath(files_->filePath(QStringLiteral("poem.txt"))),
             files_->filePath(QStringLiteral("poem.mp4")));
    // A folder that cannot be written, as an installed package's: read-only for root too.
    const QString locked = files_->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    const QByteArray lockedPath = QFile::encodeName(locked);
    bool mounted = false;
    if (::geteuid() == 0) {
        mounted = ::mount("tmpfs", lockedPath.constData(), "tmpfs", MS_RDONLY, "size=16k") == 0;
        if (!mounted) {
            QSKIP("no read-only file system can be mounted here");
        }
    } else {
        QCOMPARE(::chmod(lockedPath.constData(), 0555), 0);
    }
    const QByteArray home = qgetenv("HOME");
    const QString ownHome = files_->filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(ownHome));
    qputenv("HOME", QFile::encodeName(ownHome));
    const QString text = locked + QStringLiteral("/poem.txt");
    // No videos folder: the home folder.
    const QString inHome = CExportDialog::FirstPath(text);
    QVERIFY(QDir().mkpath(ownHome + QStringLiteral("/Videos")));
    const QString inVideos = CExportDialog::FirstPath(text);
    const QString untitled = CExportDialog::FirstPath(QString());
    qputenv("HOME", home);
    if (mounted) {
        ::umount(lockedPath.constData());
    }
    QCOMPARE(inHome, ownHome + QStringLiteral("/poem.mp4"));
    QCOMPARE(inVideos, ownHome + QStringLiteral("/Videos/poem.mp4"));
    QCOMPARE(untitled, ownHome + QStringLiteral("/Videos/") +
                           QString::fromUtf8(strings::kUntitled) + QStringLiteral(".mp4"));
}

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
