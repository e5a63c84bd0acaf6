#include "shell/LockKeys.h"

// Qt before X11: Xlib defines macros (Bool, Status, None) that Qt's headers would trip over.
#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace {

bool Indicator(Display* display, const char* name, bool& on) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) {
        return false;
    }
    Bool state = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) {
        return false;
    }
    on = state == True;
    return true;
}

}  // namespace

LockKeys QueryLockKeys() {
    LockKeys keys;
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return keys;
    }
    const bool caps = Indicator(display, "Caps Lock", keys.caps);
    const bool num = Indicator(display, "Num Lock", keys.num);
    const bool scroll = Indicator(display, "Scroll Lock", keys.scroll);
    keys.known = caps || num || scroll;
    return keys;
}
