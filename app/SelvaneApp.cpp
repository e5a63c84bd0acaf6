#include "app/SelvaneApp.h"

#include <unistd.h>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIcon>
#include <QLocale>
#include <QSettings>
#include <QStatusBar>
#include <QSurfaceFormat>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>

#include "app/DisplayProblem.h"
#include "audio/MessageBox.h"
#include "audio/Platform.h"
#include "audio/Xaudio2DllUnloadWorkaround_LoadLibraryVersion.h"
#include "audio/al/LibrarySetup.h"
#include "audio/al/Platform.h"
#include "base/DebugSink.h"
#include "base/ModuleDirectory.h"
#include "i18n/Language.h"
#include "render/ShaderFile.h"
#include "render/platform/RealPlatform.h"
#include "saver/ScreenSaver.h"
#include "scene/Scene.h"
#include "scene/SelvaneDoc.h"
#include "session/DocumentManager.h"
#include "session/FlightOptions.h"
#include "shell/AboutDlg.h"
#include "shell/ColorName.h"
#include "shell/EndSignals.h"
#include "shell/MainFrame.h"
#include "shell/Messages.h"
#include "shell/SelvaneView.h"
#include "shell/Strings.h"
#include "shell/VideoExport.h"
#include "video/Recorder.h"

namespace {

QString FromLocal(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string ToLocal(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 96, 128, 256}) {
        icon.addFile(QStringLiteral(":/selvane/icons/%1/selvane.png").arg(size), QSize(size, size));
    }
    return icon;
}

// OpenGL 3.3 core for every window, presented without waiting for the vertical blank.
void SetDefaultSurfaceFormat() {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(format);
}

// The name, version and icon that the desktop and Qt's dialogs show.
void IdentifyApplication() {
    QApplication::setApplicationName(QString::fromUtf8(strings::kAppName));
    QApplication::setApplicationVersion(QStringLiteral("0.4.0.1"));
    QApplication::setWindowIcon(ProgramIcon());
}

}  // namespace

CSelvaneApp::CSelvaneApp() : workaround(nullptr), recent_(RecentFileList::DefaultIniPath()) {
    // The identifier under which the desktop groups the program's windows: the name of its
    // desktop entry.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
    // Reading places and the resume setting live in the same file as the recent-file list, and
    // a place goes with its file when the file leaves the list.
    recent_.SetFurtherSections([this](std::string_view text) { resume_.Parse(text); },
                               [this](const std::vector<std::string>& entries) {
                                   resume_.KeepOnly(entries);
                                   return resume_.Format();
                               });
}

CSelvaneApp::~CSelvaneApp() = default;

int CSelvaneApp::Run(int argc, char** argv) {
    arguments_ = argv;
    commandLine_ = ParseCommandLine(std::vector<std::string>(argv, argv + argc),
                                    std::getenv("XSCREENSAVER_WINDOW"), ReadColorName);
    if (const std::optional<int> status = AnswerCommandLine()) {
        return *status;
    }
    // A recording needs no display: it starts nothing of the window system's.
    if (!commandLine_.recording.path.empty()) {
        return RecordVideo(commandLine_, argv[0]);
    }

    // While the process has one thread: OpenAL Soft takes its configuration only through the
    // environment, which Qt's threads read.
    audio::al::LibrarySetup::Configure(audio::al::Options{}.shortPeriods);
    if (commandLine_.ScreenSaver() && !ChooseScreenSaverPlatform()) {
        return 2;
    }
    // Held until Qt has made its own connection to the display.
    std::shared_ptr<void> displayCheck;
    if (const std::string problem = DisplayProblem(commandLine_.qtArguments, &displayCheck);
        !problem.empty()) {
        std::fprintf(stderr, "selvane: %s\n", problem.c_str());
        return 1;
    }
    // The user's locale for the C library; text files are decoded by our own readers.
    std::setlocale(LC_ALL, "");
    SetDefaultSurfaceFormat();

    // Qt keeps the arguments it is given for as long as the application object lives.
    std::vector<char*> qtArgv = QtArguments(argv[0]);
    int qtArgc = static_cast<int>(qtArgv.size()) - 1;
    QApplication application(qtArgc, qtArgv.data());
    displayCheck.reset();
    IdentifyApplication();
    InstallTranslations();
    InstallPlatforms();
    const int status = commandLine_.ScreenSaver() ? RunScreenSaver() : RunWindow();
    RemovePlatforms();
    return status;
}

std::optional<int> CSelvaneApp::AnswerCommandLine() const {
    switch (commandLine_.action) {
        case CommandLine::Action::Help:
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Error:
            std::fprintf(stderr, "selvane: %s\nTry 'selvane --help' for more information.\n",
                         commandLine_.error.c_str());
            return 2;
        case CommandLine::Action::Run:
            break;
    }
    return std::nullopt;
}

bool CSelvaneApp::ChooseScreenSaverPlatform() {
    if (const std::string problem = ScreenSaver::PlatformProblem(commandLine_.qtArguments);
        !problem.empty()) {
        std::fprintf(stderr, "selvane: %s\n", problem.c_str());
        return false;
    }
    // The window ids are X11's: Qt must not choose another window system by itself.
    std::vector<std::string>& qt = commandLine_.qtArguments;
    if (std::find(qt.begin(), qt.end(), "-platform") == qt.end()) {
        qt.insert(qt.begin(), {"-platform", "xcb"});
    }
    return true;
}

std::vector<char*> CSelvaneApp::QtArguments(char* program) {
    // Qt sees its own options only: ours have been read already.
    std::vector<char*> argv = {program};
    for (std::string& argument : commandLine_.qtArguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return argv;
}

void CSelvaneApp::InstallPlatforms() {
    if (!commandLine_.screenshot.empty() || commandLine_.ScreenSaver()) {
        SetMessagesToStandardError(true);
    }
    InstallRealPlatform();
    audioPlatform_ = std::make_unique<audio::al::Platform>();
    audio::SetPlatform(audioPlatform_.get());
    audio::SetMessageBoxHandler([](std::string_view text) {
        ShowMessage(nullptr, strings::Tr(std::string(text).c_str()));
    });
}

void CSelvaneApp::RemovePlatforms() {
    audio::SetMessageBoxHandler({});
    audio::SetPlatform(nullptr);
    audioPlatform_.reset();
}

int CSelvaneApp::RunWindow() {
    int status = 1;
    if (InitInstance()) {
        status = QApplication::exec();
    } else {
        status = exitCode_ != 0 ? exitCode_ : 1;
    }
    ExitInstance();
    return status;
}

bool CSelvaneApp::InstallTranslations() {
    // The environment chooses the language, as for other programs (LANGUAGE, LC_ALL,
    // LC_MESSAGES, LANG): there is no option of our own.
    if (!translations_) {
        translations_ = std::make_unique<InterfaceTranslations>(
            ChooseUiLanguage(QLocale::system().uiLanguages()));
    }
    return translations_->complete();
}

bool CSelvaneApp::InitInstance() {
    // Each step runs only once the ones before it have succeeded; the window is shown last, with
    // its graphics made and its text open.
    LoadSettings();
    if (!CreateDocument()) {
        exitCode_ = 1;
        return false;
    }
    CreateFrameAndView();
    CreateDocumentManager();
    if (!CreateViewGraphics() || !OpenCommandLineText()) {
        exitCode_ = 1;
        return false;
    }
    StartCommandLineFlight();
    workaround = std::make_unique<Xaudio2DllUnloadWorkaround_LoadLibraryVersion>();
    workaround->Apply();
    view_->SetNoFrameHandler([this](const std::string& platform) { ReportNoFrame(platform); });
    frame_->show();
    WatchTheEndOfTheSession();
    if (!commandLine_.screenshot.empty()) {
        StartScreenshot();
    }
    return true;
}

void CSelvaneApp::LoadSettings() {
    recent_.Read();
    // Qt keeps the state of its dialogs, the colour dialog's custom colours among it, in a
    // QtProject.conf that every Qt program of the user shares: ours, white at every start,
    // would replace theirs. Selvane's goes into its own folder, beside its INI, before any
    // dialog has read it.
    const QString folder =
        QFileInfo(QString::fromStdString(RecentFileList::DefaultIniPath())).absolutePath();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    // Sixteen custom colours, white at every start, shared by both colour commands.
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        QColorDialog::setCustomColor(i, Qt::white);
    }
}

bool CSelvaneApp::CreateDocument() {
    try {
        document_ = std::make_unique<CSelvaneDoc>();
    } catch (const std::bad_alloc&) {
        // Nothing can be shown without the document: the start ends as when it cannot be made.
        std::fprintf(stderr, "selvane: out of memory while the document was created\n");
        ShowMessage(nullptr, strings::Tr(strings::kDocumentCreateFailed));
        return false;
    }
    flight_ = FlightOptionsOf(commandLine_, FlightMode::Window);
    // Before the graphics exist, so that the text brush is made in the chosen colour.
    ApplyFlightSettings(flight_, *document_);
    return true;
}

void CSelvaneApp::CreateFrameAndView() {
    // The view comes first: making it starts the drum player, whose message boxes appear while
    // the main window is being created.
    auto* view = new CSelvaneView(document_.get());
    view_ = view;
    frame_ = std::make_unique<CMainFrame>(view->CreateContainer());
    // Qt's -qwindowgeometry or -geometry, where given, decide the size when the frame is shown.
    const bool sized = std::any_of(
        commandLine_.qtArguments.begin(), commandLine_.qtArguments.end(),
        [](const std::string& a) { return a == "-qwindowgeometry" || a == "-geometry"; });
    if (!sized) {
        frame_->resize(800, 600);
    }
    frame_->SetCommandHandler([this](int id) { OnCommand(id); });
    const auto openDropped = [this](const std::string& path) { OpenDropped(path); };
    frame_->SetDropHandler(openDropped);
    view->SetDropHandler(openDropped);
    document_->SetUpdateAllViews([view] { view->OnUpdate(); });
}

void CSelvaneApp::CreateDocumentManager() {
    documents_ = std::make_unique<DocumentManager>(recent_, DocumentHooks());
    documents_->SetDefaultEncoding(flight_.encoding);
    frame_->setWindowTitle(QString::fromUtf8(documents_->Caption().c_str()));
    RefreshRecentMenu();
    frame_->Action(command::kResume)->setChecked(resume_.enabled());
}

DocumentManager::Hooks CSelvaneApp::DocumentHooks() {
    DocumentManager::Hooks hooks;
    hooks.newDocument = [this] {
        RememberPlace();
        openStamp_.reset();
        recent_.Write();
        return document_->OnNewDocument();
    };
    hooks.openDocument = [this](const std::string& path, const EncodingChoice& encoding) {
        RememberPlace();
        if (!document_->OnOpenDocument(path, encoding)) {
            return false;
        }
        openStamp_ = ResumeList::StampOf(path);
        // A picture asked for on the command line is defined by its options alone.
        if (resume_.enabled() && commandLine_.screenshot.empty()) {
            if (const std::optional<std::int64_t> place = resume_.Find(path)) {
                view_->Jump(*place);
            }
        }
        return true;
    };
    hooks.openStandardInput = [this](const EncodingChoice& encoding) {
        RememberPlace();
        if (!document_->OnOpenStandardInput(strings::Tr(strings::kStandardInput).toStdString(),
                                            encoding)) {
            return false;
        }
        // What came through standard input has no place to come back to.
        openStamp_.reset();
        return true;
    };
    hooks.setCaption = [this](const std::string& caption) {
        frame_->setWindowTitle(QString::fromUtf8(caption.c_str()));
    };
    hooks.activate = [this] {
        frame_->raise();
        frame_->activateWindow();
    };
    hooks.showMessage = [this](const std::string& message) {
        ShowMessage(frame_.get(), QString::fromUtf8(message.c_str()));
    };
    hooks.recentChanged = [this] { RefreshRecentMenu(); };
    hooks.documentChanged = [this] { RefreshEncodingPane(); };
    hooks.translate = [](const char* text) { return strings::Tr(text).toStdString(); };
    return hooks;
}

bool CSelvaneApp::CreateViewGraphics() {
    if (view_->CreateGraphics()) {
        return true;
    }
    ReportGraphicsFailure(*view_);
    return false;
}

bool CSelvaneApp::OpenCommandLineText() {
    if (commandLine_.standardInput) {
        if (!documents_->OpenStandardInput()) {
            std::fprintf(stderr, "selvane: cannot read standard input: %s\n",
                         documents_->lastError().c_str());
            return false;
        }
    } else if (!commandLine_.file.empty()) {
        // An encoding named on the command line holds for its file even where the user chose
        // another by hand before.
        const std::optional<EncodingChoice> encoding =
            commandLine_.encodingGiven ? std::optional(commandLine_.encoding) : std::nullopt;
        if (!documents_->Open(commandLine_.file, DocumentManager::Source::CommandLine, encoding)) {
            // Escaped: a name may hold a line break or a terminal's control sequence.
            std::fprintf(stderr, "selvane: cannot open \"%s\": %s\n",
                         RecentFileList::Escape(commandLine_.file).c_str(),
                         documents_->lastError().c_str());
            return false;
        }
    }
    return true;
}

void CSelvaneApp::StartCommandLineFlight() {
    StartFlight(flight_, document_->GetScene());
    if (flight_.cruise > 0.0f) {
        // The view holds a cruise speed of its own, which the menu steps: the one the flight
        // started at.
        view_->SetCruiseRate(flight_.cruise);
    }
    ShowCruise();
}

void CSelvaneApp::ReportNoFrame(const std::string& platform) {
    std::fprintf(stderr, "selvane: %s\n", CSelvaneView::NoFrameMessage(platform).c_str());
    if (!commandLine_.screenshot.empty()) {
        exitCode_ = 1;
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
        return;
    }
    frame_->statusBar()->showMessage(strings::Tr(strings::kNoFrame)
                                         .arg(QString::fromStdString(platform))
                                         .arg(CSelvaneView::kFrameDeadlineMs / 1000));
    // The message stands while the window still cannot draw, and goes with the first frame.
    auto* watch = new QTimer(frame_.get());
    QObject::connect(watch, &QTimer::timeout, watch, [this, watch] {
        if (view_->drewFrame()) {
            frame_->statusBar()->clearMessage();
            watch->deleteLater();
        }
    });
    watch->start(250);
}

void CSelvaneApp::ReportGraphicsFailure(const CSelvaneView& view) {
    RestartOnSoftwareRasteriser(view);
    // The one cause of a failed start that the user can mend alone: name the file.
    if (const std::string problem = ShaderFileProblem(); !problem.empty()) {
        std::fprintf(stderr, "selvane: %s\n", problem.c_str());
    }
    std::fprintf(stderr, "selvane: the graphics could not be created (error 0x%08X)\n",
                 static_cast<unsigned>(view.graphicsResult()));
    ShowMessage(nullptr, strings::Tr(strings::kDocumentCreateFailed));
}

int CSelvaneApp::RunScreenSaver() {
    // Nothing of the application's own state is used: no recent-file list, resume places or
    // settings are read or written.
    ScreenSaver saver(commandLine_);
    switch (saver.Start()) {
        case ScreenSaver::Outcome::Running: {
            GuardScreenSaverAgainstExit(true);
            const int status = QApplication::exec();
            GuardScreenSaverAgainstExit(false);
            return status;
        }
        case ScreenSaver::Outcome::NoGraphics:
            ReportGraphicsFailure(*saver.view());
            break;
        case ScreenSaver::Outcome::Failed:
            break;
    }
    return 1;
}

void CSelvaneApp::RestartOnSoftwareRasteriser(const CSelvaneView& view) {
    // No context at all could be made, the software attempt included. Mesa picks its software
    // rasteriser only when the driver is loaded, once per process: a hardware driver that
    // offers no OpenGL 3.3 is therefore left by starting again with LIBGL_ALWAYS_SOFTWARE. The
    // window has not been shown yet, and once set the variable stops a second restart.
    if (arguments_ == nullptr || !view.softwareAttempted() || g_scene == nullptr ||
        g_scene->device || std::getenv("LIBGL_ALWAYS_SOFTWARE") != nullptr) {
        return;
    }
    OutputDebugString("OpenGL: no usable context; starting again on Mesa's software rasteriser\n");
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv("/proc/self/exe", arguments_);
    // Only a failed exec comes back: the start fails as it would have without it.
    OutputDebugString("OpenGL: the new start failed\n");
}

int CSelvaneApp::ExitInstance() {
    StopWatchingTheEnd();
    // Before the view goes: releasing the graphics resets the scene, camera included.
    RememberPlace();
    // A recording still running stops (and removes its file); then the window with its view
    // (graphics, drum player), then the document with its scene, then the extra reference on
    // the audio library.
    export_.reset();
    frame_.reset();
    view_ = nullptr;
    documents_.reset();
    document_.reset();
    workaround.reset();
    recent_.Write();
    return exitCode_;
}

void CSelvaneApp::OnCommand(int id) {
    // An error raised by a command is reported and the program goes on.
    try {
        switch (id) {
            case command::kNew:
                documents_->New();
                break;
            case command::kOpen:
                OnOpen();
                break;
            case command::kSave:
                // Nothing to save, and the file that was opened must never be written.
                break;
            case command::kExit:
                frame_->close();
                break;
            case command::kAbout:
                OnAbout();
                break;
            case command::kHelpContents:
                OnHelpContents();
                break;
            case command::kCruise:
            case command::kFaster:
            case command::kSlower:
            case command::kHome:
            case command::kNotchTowards:
            case command::kNotchAway:
            case command::kPageForward:
            case command::kPageBack:
                OnFlightCommand(id);
                break;
            case command::kResume:
                resume_.SetEnabled(!resume_.enabled());
                frame_->Action(command::kResume)->setChecked(resume_.enabled());
                recent_.Write();
                break;
            case command::kExportVideo:
                OnExportVideo();
                break;
            default:
                if (id >= command::kReopenAuto &&
                    id < command::kReopenAuto + command::kReopenCount) {
                    static constexpr TextEncoding kChoices[command::kReopenCount] = {
                        TextEncoding::Auto,  TextEncoding::Cp932, TextEncoding::Utf8,
                        TextEncoding::Utf16, TextEncoding::EucJp, TextEncoding::Iso2022Jp,
                    };
                    documents_->Reopen(kChoices[id - command::kReopenAuto]);
                } else if (id >= command::kRecentFirst &&
                           id <
                               command::kRecentFirst + static_cast<int>(recent_.entries().size())) {
                    const std::string path =
                        recent_.entries()[static_cast<std::size_t>(id - command::kRecentFirst)];
                    OpenFile(path, DocumentManager::Source::RecentList);
                }
                break;
        }
    } catch (const std::exception& error) {
        ShowMessage(frame_.get(), QString::fromUtf8(error.what()));
    }
}

void CSelvaneApp::OnFlightCommand(int id) {
    if (g_scene == nullptr || view_ == nullptr) {
        return;
    }
    // One notch of the wheel, in the wheel's own units.
    constexpr std::int16_t kNotch = 120;
    constexpr float kCruiseStep = 0.5f;
    switch (id) {
        case command::kCruise:
            view_->SetCruise(!g_scene->cruise);
            break;
        case command::kFaster:
            view_->SetCruiseRate(view_->cruiseRate() + kCruiseStep);
            break;
        case command::kSlower:
            view_->SetCruiseRate(view_->cruiseRate() - kCruiseStep);
            break;
        case command::kHome:
            view_->Jump(0);
            break;
        case command::kNotchTowards:
            view_->Wheel(-kNotch);
            break;
        case command::kNotchAway:
            view_->Wheel(kNotch);
            break;
        case command::kPageForward:
            view_->Jump(std::int64_t{g_scene->cameraIndex} + kPageLength);
            break;
        case command::kPageBack:
            view_->Jump(std::int64_t{g_scene->cameraIndex} - kPageLength);
            break;
        default:
            break;
    }
    ShowCruise();
}

void CSelvaneApp::ShowCruise() {
    if (frame_ && view_ != nullptr && g_scene != nullptr) {
        frame_->ShowCruise(g_scene->cruise, view_->cruiseRate());
    }
}

void CSelvaneApp::RememberPlace() {
    if (documents_ && !documents_->path().empty() && openStamp_ && g_scene != nullptr) {
        resume_.Record(documents_->path(), *openStamp_, g_scene->cameraIndex);
    }
}

bool CSelvaneApp::OpenFile(const std::string& path, DocumentManager::Source source) {
    return documents_->Open(path, source);
}

void CSelvaneApp::OpenDropped(const std::string& path) {
    // Opened once the drop has been answered: the program the files were dragged from waits
    // for that answer, and reading a large file or a message box about it would hold it up.
    dropped_.push_back(path);
    if (dropped_.size() > 1) {
        return;
    }
    QTimer::singleShot(0, frame_.get(), [this] {
        // A message box of one open runs events, and with them maybe further drops: they join
        // the queue and are opened here in turn.
        while (!dropped_.empty()) {
            struct Done {
                std::deque<std::string>& queue;
                ~Done() { queue.pop_front(); }
            } done{dropped_};
            OpenFile(dropped_.front(), DocumentManager::Source::Drop);
        }
    });
}

void CSelvaneApp::OnOpen() {
    const QString all = strings::Tr(strings::kFilterAll);
    QString start;
    if (!documents_->path().empty()) {
        start = QString::fromStdString(
            std::filesystem::path(documents_->path()).parent_path().string());
    }
    QFileDialog dialog(frame_.get(), strings::Tr(strings::kOpenDialogTitle), start);
    // Qt's own dialog, whatever the desktop offers: it speaks the interface's language with
    // Qt's translations, and its list can be told what "all files" means.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({strings::Tr(strings::kFilterText), all});
    // "*.*" stands for every file in the filter's text, but as a pattern it only matches names
    // with a dot: README or a file without an extension would not be listed. The dialog has
    // applied the pattern to its list when it reports the choice.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, all](const QString& filter) {
                         if (filter != all) {
                             return;
                         }
                         if (auto* model = dialog.findChild<QFileSystemModel*>()) {
                             model->setNameFilters({QStringLiteral("*")});
                         }
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    OpenFile(ToLocal(dialog.selectedFiles().front()), DocumentManager::Source::Dialog);
}

void CSelvaneApp::OnExportVideo() {
    if (g_scene == nullptr || view_ == nullptr) {
        return;
    }
    if (export_ && export_->Running()) {
        ShowMessage(frame_.get(), strings::Tr(strings::kExportBusy));
        return;
    }
    // The flight as it is when the command is chosen: the dialog does not stop it.
    const Scene& scene = *g_scene;
    FlightSnapshot flight;
    flight.file = documents_->path();
    // What the reader decided on, so that the recording reads the file the same way.
    flight.encoding = EncodingKey(document_->DecodedEncoding());
    if (flight.file.empty()) {
        flight.text = scene.text;
    }
    flight.seed = scene.seed;
    flight.background = scene.backgroundColor;
    flight.foreground = scene.fontColor;
    const auto length = static_cast<std::int64_t>(scene.text.size());
    flight.from =
        std::clamp<std::int64_t>(scene.cameraIndex, 0, std::max<std::int64_t>(0, length - 1));
    const std::int64_t from = flight.from;
    const auto secondsFor = [length, from](double cruise) {
        // In tenths of a second, as the dialog shows it.
        return static_cast<double>(DefaultRecordingFrames(length, from, cruise, 10)) / 10.0;
    };

    VideoExportChoice initial;
    // The window's own cruise speed, whether cruise is on or not.
    initial.cruise = view_->cruiseRate();
    initial.seconds = secondsFor(initial.cruise);
    initial.path = CExportDialog::FirstPath(FromLocal(documents_->path()));
    const qreal ratio = view_->devicePixelRatio();
    const QSize windowSize(static_cast<int>(view_->width() * ratio),
                           static_cast<int>(view_->height() * ratio));
    CExportDialog dialog(frame_.get(), windowSize, initial, secondsFor);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!export_) {
        export_ = std::make_unique<VideoExport>(frame_.get());
        QObject::connect(export_.get(), &VideoExport::Finished, frame_.get(),
                         [this](bool written, const QString& message) {
                             if (written) {
                                 frame_->statusBar()->showMessage(message, 10000);
                             } else if (!message.isEmpty()) {
                                 ShowMessage(frame_.get(), message);
                             }
                         });
    }
    export_->Start(dialog.Choice(), flight);
}

void CSelvaneApp::OnAbout() {
    CAboutDlg about(frame_.get());
    about.exec();
}

void CSelvaneApp::OnHelpContents() {
    const std::string path =
        GetModuleDirectory() +
        HelpPageName(translations_ ? translations_->language() : UiLanguage::Japanese);
    // A missing help file shows nothing.
    if (std::filesystem::is_regular_file(path)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(FromLocal(path)));
    }
}

void CSelvaneApp::RefreshEncodingPane() {
    if (!frame_ || !documents_) {
        return;
    }
    // After New the flight stays, but no file is open any more.
    const bool open = !documents_->path().empty() || documents_->standardInput();
    frame_->SetDocumentEncoding(open ? EncodingDisplayName(document_->DecodedEncoding()) : "",
                                !documents_->path().empty());
}

void CSelvaneApp::RefreshRecentMenu() {
    if (frame_) {
        frame_->SetRecentFiles(recent_.entries());
    }
}

void CSelvaneApp::StartScreenshot() {
    // Cruise has set its own speed already, which --speed may still replace.
    if (g_scene != nullptr && (commandLine_.cruise == 0.0f || commandLine_.speedGiven)) {
        g_scene->cameraSpeed = commandLine_.speed;
    }
    const std::uint64_t start = view_->ticks();
    view_->StopCameraAt(start + static_cast<std::uint64_t>(commandLine_.ticks));
    auto done = std::make_shared<bool>(false);
    view_->SetAfterFrame([this, start, done] {
        if (*done || view_->ticks() - start < static_cast<std::uint64_t>(commandLine_.ticks)) {
            return;
        }
        *done = true;
        const HRESULT hr = g_scene != nullptr && g_scene->swapChain
                               ? SaveFrame(*g_scene->swapChain, commandLine_.screenshot)
                               : E_FAIL;
        if (FAILED(hr)) {
            std::fprintf(stderr,
                         "selvane: the picture could not be saved to \"%s\" (error 0x%08X)\n",
                         commandLine_.screenshot.c_str(), static_cast<unsigned>(hr));
        }
        exitCode_ = SUCCEEDED(hr) ? 0 : 1;
        // Never end the program from inside a paint: leave the event loop once it returns.
        const int code = exitCode_;
        QTimer::singleShot(0, qApp, [code] { QCoreApplication::exit(code); });
    });
}
