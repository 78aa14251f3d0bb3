#include "x11_windows.h"

#include <chrono>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vael::test {

namespace {

// One connection for the test's life: the windows found on it stay ours to read and to send keys to.
::Display* display() {
    static ::Display* opened = XOpenDisplay(nullptr);
    return opened;
}

Window findTitled(::Display* d, Window under, const std::string& prefix, std::string& title, int depth) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; !found && i < count; ++i) {
        // The title may be UTF-8 text, which XFetchName does not give: the property's bytes are taken as
        // they are.
        XTextProperty name{};
        if (XGetWMName(d, children[i], &name) && name.value) {
            const std::string text(reinterpret_cast<const char*>(name.value), name.nitems);
            if (text.rfind(prefix, 0) == 0) found = children[i], title = text;
            XFree(name.value);
        }
        if (!found && depth > 0) found = findTitled(d, children[i], prefix, title, depth - 1);
    }
    if (children) XFree(children);
    return found;
}

} // namespace

unsigned long waitForWindowTitled(const std::string& prefix, int timeoutMs, std::string& title) {
    ::Display* d = display();
    if (!d) return 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (Window w = findTitled(d, DefaultRootWindow(d), prefix, title, 2)) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable) return w;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

Grab grabXWindow(unsigned long window) {
    return grabXWindow(display(), window);
}

bool pressKey(unsigned long window, const char* keyName) {
    ::Display* d = display();
    const KeySym symbol = XStringToKeysym(keyName);
    if (!d || symbol == NoSymbol) return false;
    XEvent event{};
    event.xkey.display = d;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(d);
    event.xkey.time = CurrentTime;
    event.xkey.x = event.xkey.y = 1;
    event.xkey.same_screen = True;
    event.xkey.keycode = XKeysymToKeycode(d, symbol);
    for (const int type : {KeyPress, KeyRelease}) {
        event.type = type;
        XSendEvent(d, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
    }
    XFlush(d);
    return true;
}

} // namespace vael::test
