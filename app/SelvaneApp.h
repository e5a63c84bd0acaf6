#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/CommandLine.h"
#include "session/DocumentManager.h"
#include "session/FlightOptions.h"
#include "session/RecentFileList.h"
#include "session/ResumeList.h"

class CMainFrame;
class CSelvaneDoc;
class CSelvaneView;
class EndSignals;
class InterfaceTranslations;
class QApplication;
class QTimer;
class VideoExport;
class Xaudio2DllUnloadWorkaround_LoadLibraryVersion;

namespace audio::al {
class Platform;
}

// The application: brings the process up in a fixed order, carries out the command line, runs
// the application's own commands, and shuts down.
class CSelvaneApp {
  public:
    CSelvaneApp();
    ~CSelvaneApp();
    CSelvaneApp(const CSelvaneApp&) = delete;
    CSelvaneApp& operator=(const CSelvaneApp&) = delete;

    // The whole life of the process; returns its exit status.
    int Run(int argc, char** argv);

    // Startup after the command line has been read and the application object exists: false
    // ends the process (ExitInstance still runs).
    bool InitInstance();
    int ExitInstance();
    // The interface's language, chosen from the environment, for the menus and messages and for
    // Qt's own dialogs and buttons alike; false when a translation it needs is missing.
    bool InstallTranslations();
    // Commands of the menus and accelerators that the main frame does not handle itself.
    void OnCommand(int id);
    bool OpenFile(const std::string& path, DocumentManager::Source source);

    CMainFrame* frame() const { return frame_.get(); }
    CSelvaneView* view() const { return view_; }
    CSelvaneDoc* document() const { return document_.get(); }
    DocumentManager* documents() const { return documents_.get(); }
    VideoExport* videoExport() const { return export_.get(); }
    RecentFileList& recentFiles() { return recent_; }
    const Xaudio2DllUnloadWorkaround_LoadLibraryVersion* GetWorkaround() const {
        return workaround.get();
    }
    void SetCommandLine(CommandLine line) { commandLine_ = std::move(line); }
    int exitCode() const { return exitCode_; }

    // The identifier the desktop knows the program by (its desktop entry's name).
    static constexpr char kDesktopFileName[] = "org.tamor.Selvane";

    // Remembers the open file's place and writes the recent files and reading places: false
    // when the INI could not be written.
    bool SaveSession();
    // The screensaver's end when the display breaks: a line and status 1, not a crash.
    static void GuardScreenSaverAgainstExit(bool on);

  private:
    // The steps of Run, in its order. Help, version and a wrong command line are answered
    // before anything starts: the exit status, or nothing where the run goes on.
    std::optional<int> AnswerCommandLine() const;
    // The screensaver draws into X11 windows: false (the reason on standard error) where Qt
    // would use another window system, otherwise Qt is told to use X11.
    bool ChooseScreenSaverPlatform();
    // The program, Qt's own options and a null, as QApplication takes them.
    std::vector<char*> QtArguments(char* program);
    // The graphics and audio platforms under both modes, and where messages go.
    void InstallPlatforms();
    void RemovePlatforms();
    // The window's whole run: InitInstance, the event loop and ExitInstance.
    int RunWindow();

    // The steps of InitInstance, in its order.
    void LoadSettings();
    bool CreateDocument();
    void CreateFrameAndView();
    void CreateDocumentManager();
    DocumentManager::Hooks DocumentHooks();
    bool CreateViewGraphics();
    // The file or standard input the command line names, if any; false (the reason on
    // standard error) when it cannot be read.
    bool OpenCommandLineText();
    void StartCommandLineFlight();

    // Signals, the session manager, the display going away, and the place kept while the
    // flight moves (app/SelvaneAppEnd.cpp).
    void WatchTheEndOfTheSession();
    void StopWatchingTheEnd();
    static void GuardAgainstExit(void (*onUnexpectedExit)());
    std::optional<std::pair<std::string, std::int64_t>> CurrentPlace() const;
    void KeepPlace();
    void OnAbout();
    void OnHelpContents();
    void OnOpen();
    void OnExportVideo();
    void StartScreenshot();
    // The view waited in vain for the platform to let it draw: a screenshot ends, the window
    // says so and goes on waiting.
    void ReportNoFrame(const std::string& platform);
    void RefreshRecentMenu();
    void RefreshEncodingPane();
    void OpenDropped(const std::string& path);
    void RestartOnSoftwareRasteriser(const CSelvaneView& view);
    // Says on standard error (and in a message box, where they are shown) why the graphics
    // could not be made on view, after a new start on the software rasteriser was tried.
    void ReportGraphicsFailure(const CSelvaneView& view);
    // The XScreenSaver hack's whole run, in place of InitInstance, the loop and ExitInstance.
    int RunScreenSaver();
    // Flight commands of the view menu and the keys, handled at once.
    void OnFlightCommand(int id);
    void ShowCruise();
    // Keeps the character under the camera for the open file, which is being closed.
    void RememberPlace();

    std::unique_ptr<Xaudio2DllUnloadWorkaround_LoadLibraryVersion> workaround;
    CommandLine commandLine_;
    FlightOptions flight_;
    RecentFileList recent_;
    ResumeList resume_;
    // The open file's size and time as it was read: its place is kept under them.
    std::optional<ResumeList::Stamp> openStamp_;
    std::unique_ptr<audio::al::Platform> audioPlatform_;
    std::unique_ptr<InterfaceTranslations> translations_;
    std::unique_ptr<CSelvaneDoc> document_;
    std::unique_ptr<DocumentManager> documents_;
    std::unique_ptr<CMainFrame> frame_;
    CSelvaneView* view_ = nullptr;  // owned by the frame
    std::unique_ptr<VideoExport> export_;
    std::unique_ptr<EndSignals> endSignals_;
    std::unique_ptr<QTimer> placeTimer_;
    // The place written last, which a tick of the timer writes again only once it has moved.
    std::optional<std::pair<std::string, std::int64_t>> keptPlace_;
    bool keepFailureReported_ = false;
    // Dropped files not opened yet, in the order they came.
    std::deque<std::string> dropped_;
    int exitCode_ = 0;
    // The process's own arguments, for a new start; null where Run did not start it.
    char** arguments_ = nullptr;
};
