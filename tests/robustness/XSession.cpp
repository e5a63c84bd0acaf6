#include "tests/robustness/XSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace robustness {

namespace {

using Clock = std::chrono::steady_clock;

// Windows vanish whenever their program ends; a query that races that must not end the test
// (Xlib's default handler exits the process).
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// The protocol version this source speaks; a target may speak less.
constexpr long kXdndVersion = 5;

struct PropertyNotifyOn {
    ::Window window;
};

Bool IsPropertyNotifyOn(Display*, XEvent* event, XPointer arg) {
    const auto* wanted = reinterpret_cast<PropertyNotifyOn*>(arg);
    return event->type == PropertyNotify && event->xproperty.window == wanted->window ? True
                                                                                      : False;
}

int ChannelDistance(std::uint32_t a, std::uint32_t b, int shift) {
    return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

int LowestBit(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

XSession::XSession(const std::string& display) {
    XSetErrorHandler(IgnoreErrors);
    display_ = XOpenDisplay(display.c_str());
    if (display_ == nullptr) {
        return;
    }
    root_ = DefaultRootWindow(display_);
    // No window manager runs on the server: top-level windows are the root's children, and
    // their mapping shows on the root's substructure.
    XSelectInput(display_, root_, SubstructureNotifyMask);
    source_ = XCreateSimpleWindow(display_, root_, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(display_, source_, PropertyChangeMask);
    XSync(display_, False);
}

XSession::~XSession() {
    if (display_ != nullptr) {
        XDestroyWindow(display_, source_);
        XCloseDisplay(display_);
    }
}

unsigned long XSession::Intern(const char* name) {
    return XInternAtom(display_, name, False);
}

pid_t XSession::PidOf(Window window) {
    ::Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    pid_t pid = -1;
    if (XGetWindowProperty(display_, window, Intern("_NET_WM_PID"), 0, 1, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 32 && count == 1) {
            pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
        }
        XFree(data);
    }
    return pid;
}

void XSession::Pump() {
    if (display_ == nullptr) {
        return;
    }
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MapNotify && event.xmap.event == root_) {
            // Asked at once: the property is set before mapping, and the window lives at least
            // until its program is done with it.
            mapped_.push_back({event.xmap.window, PidOf(event.xmap.window)});
        }
    }
}

XSession::Window XSession::MappedWindowOf(pid_t pid) {
    Pump();
    for (const Mapped& m : mapped_) {
        if (m.pid == pid) {
            return m.window;
        }
    }
    return 0;
}

XSession::Window XSession::WaitForWindowOf(pid_t pid, std::chrono::milliseconds timeout,
                                           const std::function<bool()>& gone,
                                           const std::function<void()>& idle) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (const Window window = MappedWindowOf(pid)) {
            return window;
        }
        if (Clock::now() >= deadline || (gone && gone())) {
            return MappedWindowOf(pid);
        }
        if (idle) {
            idle();
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, 10);
    }
}

std::string XSession::Title(Window window) {
    ::Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, Intern("_NET_WM_NAME"), 0, 4096, False,
                           Intern("UTF8_STRING"), &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (format == 8) {
            title.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
    }
    return title;
}

void XSession::Close(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display_;
    event.xclient.window = window;
    event.xclient.message_type = Intern("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

double XSession::Picture::ShareUnlike(std::uint32_t colour) const {
    if (pixels.empty()) {
        return 0.0;
    }
    const auto unlike = std::count_if(pixels.begin(), pixels.end(), [colour](std::uint32_t p) {
        return ChannelDistance(p, colour, 16) > 40 || ChannelDistance(p, colour, 8) > 40 ||
               ChannelDistance(p, colour, 0) > 40;
    });
    return static_cast<double>(unlike) / static_cast<double>(pixels.size());
}

XSession::Picture XSession::GrabCentre(Window window) {
    Picture picture;
    XWindowAttributes attributes;
    if (display_ == nullptr || XGetWindowAttributes(display_, window, &attributes) == 0) {
        return picture;
    }
    ::Window current = window;
    int x = attributes.width / 2;
    int y = attributes.height / 2;
    for (;;) {
        int cx = 0;
        int cy = 0;
        ::Window child = 0;
        if (!XTranslateCoordinates(display_, current, current, x, y, &cx, &cy, &child) ||
            child == 0) {
            break;
        }
        ::Window ignored = 0;
        XTranslateCoordinates(display_, current, child, x, y, &x, &y, &ignored);
        current = child;
    }
    return Grab(current);
}

XSession::Picture XSession::Grab(Window window) {
    Picture picture;
    XWindowAttributes attributes;
    if (display_ == nullptr || XGetWindowAttributes(display_, window, &attributes) == 0 ||
        attributes.width <= 0 || attributes.height <= 0) {
        return picture;
    }
    XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return picture;
    }
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels.reserve(static_cast<std::size_t>(image->width) *
                           static_cast<std::size_t>(image->height));
    const int redShift = LowestBit(image->red_mask);
    const int greenShift = LowestBit(image->green_mask);
    const int blueShift = LowestBit(image->blue_mask);
    const auto channel = [](unsigned long pixel, unsigned long mask, int shift) {
        const unsigned long max = mask >> shift;
        return max == 0 ? 0u : static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / max);
    };
    for (int row = 0; row < image->height; ++row) {
        for (int column = 0; column < image->width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            picture.pixels.push_back(channel(pixel, image->red_mask, redShift) << 16 |
                                     channel(pixel, image->green_mask, greenShift) << 8 |
                                     channel(pixel, image->blue_mask, blueShift));
        }
    }
    XDestroyImage(image);
    return picture;
}

XSession::Window XSession::CreateWindow(int width, int height, std::uint32_t background) {
    // The server's default visual is 24-bit TrueColor: the pixel is the colour.
    const ::Window window = XCreateSimpleWindow(display_, root_, 0, 0, static_cast<unsigned>(width),
                                                static_cast<unsigned>(height), 0, 0, background);
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
}

void XSession::Resize(Window window, int width, int height) {
    XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
}

void XSession::MarkVirtualRoot(Window window) {
    const ::Window value = window;
    XChangeProperty(display_, window, Intern("__SWM_VROOT"), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XSync(display_, False);
}

unsigned long XSession::ServerTime() {
    // A property change comes back with the server's time stamped on it.
    XChangeProperty(display_, source_, Intern("SELVANE_TEST_TIME"), XA_STRING, 8, PropModeAppend,
                    nullptr, 0);
    PropertyNotifyOn wanted{source_};
    XEvent event;
    XIfEvent(display_, &event, IsPropertyNotifyOn, reinterpret_cast<XPointer>(&wanted));
    return event.xproperty.time;
}

std::string XSession::FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri;
}

std::string XSession::DropResult::Describe() const {
    if (targetEnded) {
        return "the program ended during the drop";
    }
    if (!statusReceived) {
        return "the window never answered the drag";
    }
    if (!accepted) {
        return "the window refused the drag";
    }
    return finished ? "dropped and finished" : "dropped, but the window never finished";
}

XSession::DropResult XSession::DropFiles(Window window, const std::vector<std::string>& paths,
                                         std::chrono::milliseconds timeout,
                                         const std::function<void()>& idle,
                                         const std::function<bool()>& gone) {
    DropResult result;
    if (display_ == nullptr) {
        return result;
    }
    const ::Atom uriList = Intern("text/uri-list");
    const ::Atom targets = Intern("TARGETS");
    const ::Atom selection = Intern("XdndSelection");
    std::string data;
    for (const std::string& path : paths) {
        data += FileUri(path) + "\r\n";
    }

    // The version the target announces on its XdndAware property.
    long version = 0;
    {
        ::Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* aware = nullptr;
        if (XGetWindowProperty(display_, window, Intern("XdndAware"), 0, 1, False, XA_ATOM, &type,
                               &format, &count, &after, &aware) == Success &&
            aware != nullptr) {
            if (count == 1) {
                version = std::min(kXdndVersion, *reinterpret_cast<long*>(aware));
            }
            XFree(aware);
        }
    }
    if (version < 2) {
        return result;
    }

    const unsigned long time = ServerTime();
    XSetSelectionOwner(display_, selection, source_, time);
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, window, &attributes);
    int rootX = 0;
    int rootY = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display_, window, root_, attributes.width / 2, attributes.height / 2,
                          &rootX, &rootY, &ignored);

    const auto send = [&](const char* type, long l1, long l2, long l3, long l4) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = display_;
        event.xclient.window = window;
        event.xclient.message_type = Intern(type);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(source_);
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        event.xclient.data.l[4] = l4;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
    };
    send("XdndEnter", version << 24, static_cast<long>(uriList), 0, 0);
    send("XdndPosition", 0, (static_cast<long>(rootX) << 16) | (rootY & 0xFFFF),
         static_cast<long>(time), static_cast<long>(Intern("XdndActionCopy")));

    bool dropped = false;
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (XPending(display_) == 0) {
            if (idle) {
                idle();
            }
            if (gone && gone()) {
                result.targetEnded = true;
                return result;
            }
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&fd, 1, 10);
            continue;
        }
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MapNotify && event.xmap.event == root_) {
            mapped_.push_back({event.xmap.window, PidOf(event.xmap.window)});
        } else if (event.type == SelectionRequest &&
                   event.xselectionrequest.selection == selection) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            const ::Atom property = request.property != 0 ? request.property : request.target;
            XEvent notify{};
            notify.xselection.type = SelectionNotify;
            notify.xselection.display = display_;
            notify.xselection.requestor = request.requestor;
            notify.xselection.selection = request.selection;
            notify.xselection.target = request.target;
            notify.xselection.time = request.time;
            notify.xselection.property = 0;
            if (request.target == uriList) {
                XChangeProperty(display_, request.requestor, property, uriList, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(data.data()),
                                static_cast<int>(data.size()));
                notify.xselection.property = property;
            } else if (request.target == targets) {
                const ::Atom offered[] = {targets, uriList};
                XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(offered), 2);
                notify.xselection.property = property;
            }
            XSendEvent(display_, request.requestor, False, NoEventMask, &notify);
            XFlush(display_);
        } else if (event.type == ClientMessage && event.xclient.window == source_) {
            if (event.xclient.message_type == Intern("XdndStatus")) {
                result.statusReceived = true;
                result.accepted = (event.xclient.data.l[1] & 1) != 0;
                if (!result.accepted) {
                    send("XdndLeave", 0, 0, 0, 0);
                    return result;
                }
                if (!dropped) {
                    dropped = true;
                    send("XdndDrop", 0, static_cast<long>(time), 0, 0);
                }
            } else if (event.xclient.message_type == Intern("XdndFinished")) {
                result.finished = true;
                return result;
            }
        }
    }
    if (!dropped) {
        send("XdndLeave", 0, 0, 0, 0);
    }
    return result;
}

}  // namespace robustness
