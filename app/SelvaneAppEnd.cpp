// The end of a window's run, whichever way it comes: a signal, the session manager, the
// display going away, or a kill, against which the reading place is kept while reading.

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "app/SelvaneApp.h"
#include "scene/Scene.h"
#include "session/DocumentManager.h"
#include "session/ParseNumber.h"
#include "shell/EndSignals.h"
#include "shell/MainFrame.h"

namespace {

constexpr int kPlaceIntervalMs = 60'000;

// What an exit() in the middle of a run does instead of destroying the program's objects.
void (*g_onUnexpectedExit)() = nullptr;
bool g_exitGuardRegistered = false;

// Qt's X11 platform ends the process with exit(1) from inside the event loop when its
// connection to the server breaks. The exit handlers would then destroy the application
// object, the window still standing and QApplication already gone, and crash. Registered after
// the application object was made, this handler runs before its destructor.
void OnExit() {
    if (void (*handler)() = std::exchange(g_onUnexpectedExit, nullptr)) {
        handler();
        std::fflush(stderr);
        ::_exit(1);
    }
}

CSelvaneApp* g_windowApp = nullptr;

void OnWindowLost() {
    const bool kept = g_windowApp != nullptr && g_windowApp->SaveSession();
    std::fprintf(stderr,
                 "selvane: the connection to the display broke; the window is closed, its recent "
                 "files and reading places %s\n",
                 kept ? "kept" : "could not be kept");
}

void OnScreenSaverLost() {
    std::fputs("selvane: the connection to the display broke\n", stderr);
}

}  // namespace

void CSelvaneApp::GuardAgainstExit(void (*onUnexpectedExit)()) {
    if (!g_exitGuardRegistered) {
        g_exitGuardRegistered = std::atexit(OnExit) == 0;
    }
    g_onUnexpectedExit = onUnexpectedExit;
}

void CSelvaneApp::GuardScreenSaverAgainstExit(bool on) {
    GuardAgainstExit(on ? OnScreenSaverLost : nullptr);
}

bool CSelvaneApp::SaveSession() {
    RememberPlace();
    return recent_.Write();
}

void CSelvaneApp::WatchTheEndOfTheSession() {
    g_windowApp = this;
    GuardAgainstExit(OnWindowLost);
    // A signal ends the window as closing it does; a second one, while it ends, at once.
    endSignals_ = std::make_unique<EndSignals>(std::initializer_list<int>{SIGTERM, SIGHUP, SIGINT},
                                               EndSignals::Second::EndsAtOnce);
    QObject::connect(endSignals_.get(), &EndSignals::requested, frame_.get(), [this] {
        frame_->close();
        // Every event loop ends, a dialog's or a message box's included.
        QCoreApplication::exit(exitCode_);
    });
    // The desktop's session manager ends the session: what a close would write is written now.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, frame_.get(),
                     [this](QSessionManager&) { SaveSession(); });
    if (!commandLine_.screenshot.empty()) {
        return;
    }
    int interval = kPlaceIntervalMs;
    // For tests: the interval in milliseconds.
    if (const char* value = std::getenv("SELVANE_TEST_PLACE_INTERVAL_MS")) {
        if (int ms = 0; ParseNumber(value, ms) && ms > 0) {
            interval = std::min(ms, kPlaceIntervalMs);
        }
    }
    keptPlace_ = CurrentPlace();
    placeTimer_ = std::make_unique<QTimer>();
    QObject::connect(placeTimer_.get(), &QTimer::timeout, frame_.get(), [this] { KeepPlace(); });
    placeTimer_->start(interval);
}

void CSelvaneApp::StopWatchingTheEnd() {
    placeTimer_.reset();
    endSignals_.reset();
    if (g_windowApp == this) {
        GuardAgainstExit(nullptr);
        g_windowApp = nullptr;
    }
}

std::optional<std::pair<std::string, std::int64_t>> CSelvaneApp::CurrentPlace() const {
    if (!documents_ || documents_->path().empty() || !openStamp_ || g_scene == nullptr) {
        return std::nullopt;
    }
    return std::pair{documents_->path(), std::int64_t{g_scene->cameraIndex}};
}

void CSelvaneApp::KeepPlace() {
    // Only a place that moved is written: a resting flight leaves the file alone.
    const auto place = CurrentPlace();
    if (!place || place == keptPlace_) {
        return;
    }
    if (!SaveSession()) {
        const int error = errno;
        if (!keepFailureReported_) {
            keepFailureReported_ = true;
            std::fprintf(stderr, "selvane: the reading place could not be kept in \"%s\": %s\n",
                         recent_.iniPath().c_str(), std::strerror(error));
        }
        return;
    }
    keptPlace_ = place;
}
