#include "saver/ScreenSaver.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "audio/Xaudio2DllUnloadWorkaround_LoadLibraryVersion.h"
#include "base/DebugSink.h"
#include "base/ModuleDirectory.h"
#include "camera/Punctuation.h"
#include "scene/Scene.h"
#include "scene/SelvaneDoc.h"
#include "session/DocumentManager.h"
#include "session/FlightOptions.h"
#include "session/RecentFileList.h"
#include "shell/EndSignals.h"
#include "shell/SelvaneView.h"
#include "shell/Strings.h"

// Last: Xlib defines macros (Bool, Status, None) that the headers above would trip over.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// Errors of our own connection's requests are answered by the requests' results; Xlib's
// default handler would end the process instead.
bool g_xError = false;
int NoteXError(Display*, XErrorEvent*) {
    g_xError = true;
    return 0;
}

}  // namespace

ScreenSaver::ScreenSaver(const CommandLine& line)
    : line_(line), flight_(FlightOptionsOf(line, FlightMode::ScreenSaver)) {
    if (ReadsSample()) {
        // The sample is written in code page 932; the encoding options are for the user's text.
        flight_.encoding = TextEncoding::Cp932;
    }
}

ScreenSaver::~ScreenSaver() = default;

void ScreenSaver::CloseDisplay::operator()(Display* display) const {
    XCloseDisplay(display);
}

std::string ScreenSaver::PlatformProblem(const std::vector<std::string>& qtArguments) {
    const std::string platform = QtSetting(qtArguments, "-platform", "QT_QPA_PLATFORM");
    if (!platform.empty()) {
        return platform.rfind("xcb", 0) == 0
                   ? std::string()
                   : "--root and --window-id draw into X11 windows, and the window system \"" +
                         platform + "\" is not X11 (Qt's is \"xcb\")";
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (QtSetting(qtArguments, "-display", "DISPLAY").empty() && wayland != nullptr &&
        wayland[0] != '\0') {
        return std::string(
                   "--root and --window-id draw into X11 windows, and this Wayland "
                   "session (") +
               wayland + ") has no X display: DISPLAY is not set";
    }
    return {};
}

ScreenSaver::Outcome ScreenSaver::Start() {
    WatchSignals();
    if (!FindTarget()) {
        return Outcome::Failed;
    }
    try {
        document_ = std::make_unique<CSelvaneDoc>();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "selvane: out of memory while the document was created\n");
        return Outcome::Failed;
    }
    Scene& scene = *g_scene;
    ApplyFlightSettings(flight_, *document_);

    foreign_.reset(QWindow::fromWinId(static_cast<WId>(target_)));
    view_ = std::make_unique<CSelvaneView>(document_.get(), line_.drums);
    view_->setParent(foreign_.get());
    if (realRoot_) {
        // A child of the root is a top-level window to a window manager, which would frame it.
        view_->setFlag(Qt::BypassWindowManagerHint);
    }
    CSelvaneView* view = view_.get();
    document_->SetUpdateAllViews([view] { view->OnUpdate(); });

    XWindowAttributes attributes{};
    XGetWindowAttributes(display_.get(), target_, &attributes);
    FollowTargetSize(attributes.width, attributes.height);
    if (!view_->CreateGraphics()) {
        return Outcome::NoGraphics;
    }
    // The scene's size is the window's from the first frame on, whatever Qt reports later.
    view_->ResizeGraphics(attributes.width, attributes.height);
    if (!OpenText()) {
        return Outcome::Failed;
    }
    StartFlight(flight_, scene);
    // The view holds a cruise speed of its own: the one the flight started at.
    view_->SetCruiseRate(flight_.cruise);
    if (line_.drums) {
        lastIndex_ = scene.cameraIndex;
        view_->SetAfterFrame([this] { DrumAtPunctuation(); });
        workaround_ = std::make_unique<Xaudio2DllUnloadWorkaround_LoadLibraryVersion>();
        workaround_->Apply();
    }
    // A window that never lets the hack draw (unmapped for good) is worth a line; the hack goes
    // on waiting, as XScreenSaver may map it later.
    view_->SetNoFrameHandler([](const std::string& platform) {
        std::fprintf(stderr, "selvane: %s\n", CSelvaneView::NoFrameMessage(platform).c_str());
    });
    view_->show();
    if (realRoot_) {
        // Under every other window, as a picture drawn on the root itself would be.
        view_->lower();
    }
    OutputDebugString("screensaver: drawing into window " + std::to_string(target_) + " (" +
                      std::to_string(attributes.width) + "x" + std::to_string(attributes.height) +
                      ")\n");
    // Events Xlib read while it waited for the replies above are in its queue already, where
    // the socket's notifier cannot see them; a window destroyed meanwhile needs the loop running.
    QTimer::singleShot(0, this, [this] { OnXEvents(); });
    return Outcome::Running;
}

bool ScreenSaver::FindTarget() {
    const std::string name = QtSetting(line_.qtArguments, "-display", "DISPLAY");
    display_.reset(XOpenDisplay(name.c_str()));
    if (display_ == nullptr) {
        std::fprintf(stderr, "selvane: cannot connect to the display \"%s\"\n", name.c_str());
        return false;
    }
    Display* const display = display_.get();
    const auto previous = XSetErrorHandler(NoteXError);
    const Window root = DefaultRootWindow(display);
    target_ = line_.windowId.value_or(root);
    if (!line_.windowId) {
        // XScreenSaver marks the window it draws its hacks on, a child of the root, with the
        // window to use in __SWM_VROOT, as virtual-root window managers did before it.
        const Atom vroot = XInternAtom(display, "__SWM_VROOT", False);
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0) {
            for (unsigned int i = 0; i < count && target_ == root; ++i) {
                Atom type = 0;
                int format = 0;
                unsigned long items = 0;
                unsigned long after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display, children[i], vroot, 0, 1, False, XA_WINDOW, &type,
                                       &format, &items, &after, &data) == Success &&
                    data != nullptr) {
                    // Xlib hands 32-bit items over as longs.
                    if (type == XA_WINDOW && format == 32 && items == 1) {
                        target_ = *reinterpret_cast<const unsigned long*>(data);
                    }
                    XFree(data);
                }
            }
            XFree(children);
        }
    }
    realRoot_ = target_ == root;
    g_xError = false;
    XWindowAttributes attributes{};
    const bool exists = XGetWindowAttributes(display, target_, &attributes) != 0 && !g_xError;
    // Only the size is followed: ConfigureNotify, and DestroyNotify when the window goes.
    if (exists) {
        XSelectInput(display, target_, StructureNotifyMask);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!exists) {
        std::fprintf(stderr, "selvane: there is no window 0x%lx (%lu) on the display \"%s\"\n",
                     target_, target_, DisplayString(display));
        return false;
    }
    xEvents_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    connect(xEvents_.get(), &QSocketNotifier::activated, this, [this] { OnXEvents(); });
    return true;
}

bool ScreenSaver::OpenText() {
    const std::string path = ReadsSample() ? GetModuleDirectory() + "sample.txt" : line_.file;
    // The list of a screensaver's files stays in memory: nothing of it is read or written.
    RecentFileList unsaved("");
    DocumentManager::Hooks hooks;
    hooks.openDocument = [this](const std::string& file, const EncodingChoice& encoding) {
        return document_->OnOpenDocument(file, encoding);
    };
    hooks.openStandardInput = [this](const EncodingChoice& encoding) {
        return document_->OnOpenStandardInput(strings::kStandardInput, encoding);
    };
    DocumentManager documents(unsaved, std::move(hooks));
    documents.SetDefaultEncoding(document_->Encoding());
    if (line_.standardInput) {
        if (documents.OpenStandardInput()) {
            return true;
        }
        std::fprintf(stderr, "selvane: cannot read standard input: %s\n",
                     documents.lastError().c_str());
        return false;
    }
    if (documents.Open(path, DocumentManager::Source::CommandLine)) {
        return true;
    }
    std::fprintf(stderr, "selvane: cannot open \"%s\": %s\n", RecentFileList::Escape(path).c_str(),
                 documents.lastError().c_str());
    return false;
}

void ScreenSaver::WatchSignals() {
    signals_ = std::make_unique<EndSignals>(std::initializer_list<int>{SIGTERM, SIGINT},
                                            EndSignals::Second::Caught);
    connect(signals_.get(), &EndSignals::requested, this, [] {
        OutputDebugString("screensaver: ending on a signal\n");
        // The event loop ends; the graphics are released as the saver goes.
        QCoreApplication::exit(0);
    });
}

void ScreenSaver::OnXEvents() {
    // Xlib may have read several events at once: the socket tells of none of those.
    while (XPending(display_.get()) > 0) {
        XEvent event;
        XNextEvent(display_.get(), &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == target_) {
            FollowTargetSize(event.xconfigure.width, event.xconfigure.height);
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == target_) {
            // Our window went with it: nothing is left to draw into.
            OutputDebugString("screensaver: the window was destroyed\n");
            QCoreApplication::exit(0);
        }
    }
}

void ScreenSaver::FollowTargetSize(int width, int height) {
    if (!view_ || width <= 0 || height <= 0) {
        return;
    }
    // Qt places windows in its own units, the X server in pixels.
    const qreal ratio = view_->devicePixelRatio();
    view_->setGeometry(0, 0, qRound(width / ratio), qRound(height / ratio));
}

void ScreenSaver::DrumAtPunctuation() {
    if (g_scene == nullptr) {
        return;
    }
    const std::int32_t index = g_scene->cameraIndex;
    if (PassedPunctuation(g_scene->text, std::exchange(lastIndex_, index), index)) {
        view_->StrikeDrum();
    }
}
