#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "session/CommandLine.h"
#include "session/FlightOptions.h"

class CSelvaneDoc;
class CSelvaneView;
class QSocketNotifier;
class EndSignals;
class QWindow;
class Xaudio2DllUnloadWorkaround_LoadLibraryVersion;
struct _XDisplay;

// The flight as an XScreenSaver hack: drawn into a window of another program (the one
// --window-id or XSCREENSAVER_WINDOW names, else the virtual root XScreenSaver marks, else the
// root window), filling it and following its size, cruising through the text and round again.
// No main frame, menu or message box (failures go to standard error), no settings read or
// written, no audio device unless drums are asked for; SIGTERM or SIGINT ends the event loop,
// and with it the process, with status 0.
//
// The flight is drawn in a child window of the given one: Qt makes that window with the
// OpenGL visual it needs, whatever visual the other program chose for its own.
class ScreenSaver : public QObject {
    Q_OBJECT

  public:
    explicit ScreenSaver(const CommandLine& line);
    ~ScreenSaver() override;
    ScreenSaver(const ScreenSaver&) = delete;
    ScreenSaver& operator=(const ScreenSaver&) = delete;

    // Why this mode cannot run on the window system Qt would use, or nothing: it draws into X11
    // windows, so only Qt's xcb platform will do. Judged before Qt starts, from Qt's own
    // options and the environment as DisplayProblem reads them.
    static std::string PlatformProblem(const std::vector<std::string>& qtArguments);

    // Finds the window, makes the graphics in it, opens the text and starts the flight. Where
    // any of it fails, the start ends with status 1: the reason is on standard error already,
    // except for the graphics, which the application reports as in its window.
    enum class Outcome { Running, NoGraphics, Failed };
    Outcome Start();
    CSelvaneView* view() const { return view_.get(); }

  private:
    bool FindTarget();
    // Without FILE the flight is the bundled sample text's.
    bool ReadsSample() const { return line_.file.empty() && !line_.standardInput; }
    bool OpenText();
    void WatchSignals();
    void OnXEvents();
    void FollowTargetSize(int width, int height);
    void DrumAtPunctuation();

    struct CloseDisplay {
        void operator()(_XDisplay* display) const;
    };

    CommandLine line_;
    FlightOptions flight_;
    // Destroyed last-first, in the order shutdown needs: the view (graphics, drums) before the
    // window it is a child of, then the document with its scene, then the extra reference on
    // the audio library, then the watch on the display with our connection to it, and last the
    // signals, caught until then so that a second SIGTERM does not cut the release short.
    std::unique_ptr<EndSignals> signals_;
    // A connection of our own that watches the target window.
    std::unique_ptr<_XDisplay, CloseDisplay> display_;
    unsigned long target_ = 0;
    bool realRoot_ = false;
    std::unique_ptr<QSocketNotifier> xEvents_;
    std::unique_ptr<Xaudio2DllUnloadWorkaround_LoadLibraryVersion> workaround_;
    std::unique_ptr<CSelvaneDoc> document_;
    std::unique_ptr<QWindow> foreign_;
    std::unique_ptr<CSelvaneView> view_;
    std::int32_t lastIndex_ = 0;
};
