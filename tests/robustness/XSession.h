#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Xlib is kept out of this header: its macros (None, Status, Bool, ...) clash with the test
// frameworks' names.
struct _XDisplay;

namespace robustness {

// What a user sees of a program on the X server, and what a user does to it there: which of
// its top-level windows were ever mapped, their titles and pictures, closing one as a window
// manager's close button does, and dropping files on one as a file manager does (the XDND
// protocol, with this session as the drag source).
class XSession {
  public:
    using Window = unsigned long;

    // Connects to the X server of the display name (":1").
    explicit XSession(const std::string& display);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool connected() const { return display_ != nullptr; }

    // Handles the server's events: records every top-level window mapped from now on, with the
    // process that owns it.
    void Pump();
    // The first top-level window of pid that has been mapped, 0 if none has been.
    Window MappedWindowOf(pid_t pid);
    // Waits for one, calling `idle` between looks (to drain the program's pipes); 0 when
    // timeout passes or `gone` says the program has ended.
    Window WaitForWindowOf(pid_t pid, std::chrono::milliseconds timeout,
                           const std::function<bool()>& gone, const std::function<void()>& idle);

    // The window's title as the program set it (UTF-8).
    std::string Title(Window window);
    // Asks the program to close the window (WM_DELETE_WINDOW).
    void Close(Window window);

    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row by row
        bool operator==(const Picture&) const = default;
        // The share of pixels that differ from 0x00RRGGBB colour by more than 40 in a channel.
        double ShareUnlike(std::uint32_t colour) const;
    };
    // The picture of the innermost window at the centre of `window`: for the program, the view
    // its flight is drawn in.
    Picture GrabCentre(Window window);
    // What the window shows, the windows inside it included.
    Picture Grab(Window window);

    // Windows of the test's own, as another program (XScreenSaver) gives one to draw into: a
    // top-level window filled with `background` (0x00RRGGBB) and mapped.
    Window CreateWindow(int width, int height, std::uint32_t background);
    void Resize(Window window, int width, int height);
    // Marks the window as XScreenSaver marks the one it runs its hacks in.
    void MarkVirtualRoot(Window window);
    Window root() const { return root_; }

    struct DropResult {
        bool statusReceived = false;  // the target answered the drag's position
        bool accepted = false;        // ... and would take the drop
        bool finished = false;        // it took the data and said it was done
        bool targetEnded = false;     // its program ended before it said so
        std::string Describe() const;
    };
    // Drags the files over the centre of window and drops them there. The drop ends when the
    // target says it has finished (for this program: before it opens the files), when
    // `gone` says its program has ended, or when timeout passes; `idle` is called between looks
    // at the server.
    DropResult DropFiles(Window window, const std::vector<std::string>& paths,
                         std::chrono::milliseconds timeout, const std::function<void()>& idle,
                         const std::function<bool()>& gone);

    // The file URI of a path, every byte but the unreserved ones percent-encoded.
    static std::string FileUri(const std::string& path);

  private:
    struct Mapped {
        Window window;
        pid_t pid;
    };
    unsigned long Intern(const char* name);
    pid_t PidOf(Window window);
    unsigned long ServerTime();

    _XDisplay* display_ = nullptr;
    Window root_ = 0;
    Window source_ = 0;
    std::vector<Mapped> mapped_;
};

}  // namespace robustness
