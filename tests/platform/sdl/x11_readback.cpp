#include "x11_readback.h"

#include <cstdio>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vael::test {

namespace {

int xErrors = 0;
int noteXError(::Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

// What SDL makes of the window manager's close request, handed to it directly.
bool pushSdlClose(SDL_Window* window, const char* why) {
    std::fprintf(stderr, "requestClose: %s; posting SDL's close event instead\n", why);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(window);
    return SDL_PushEvent(&close) == 1;
}

} // namespace

std::uint32_t displayedColour(SDL_Window* window, int x, int y) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0xDEAD;
    ::Display* display = info.info.x11.display;
    XSync(display, False);
    xErrors = 0;
    XErrorHandler previous = XSetErrorHandler(noteXError);
    XImage* image = XGetImage(display, info.info.x11.window, x, y, 1, 1, AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image || xErrors) {
        if (image) XDestroyImage(image);
        return 0xDEAD;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    const auto channel = [pixel](unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1))
            mask >>= 1, ++shift;
        return std::uint32_t((pixel >> shift) & mask) * 255 / std::uint32_t(mask ? mask : 1);
    };
    const std::uint32_t rgb =
        channel(image->red_mask) << 16 | channel(image->green_mask) << 8 | channel(image->blue_mask);
    XDestroyImage(image);
    return rgb;
}


bool requestClose(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    // Seen on a heavily loaded machine and never reproduced alone: no window information, or an X
    // window the server no longer knew (BadWindow, which Xlib's default handler answers by ending the
    // process). Either way the rest of the close path is still tried through SDL's own event.
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return pushSdlClose(window, SDL_GetError());
    ::Display* display = info.info.x11.display;
    XSync(display, False);
    xErrors = 0;
    XErrorHandler previous = XSetErrorHandler(noteXError);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = info.info.x11.window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, info.info.x11.window, False, NoEventMask, &event);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (xErrors) return pushSdlClose(window, "the X server refused the request");
    return true;
}

} // namespace vael::test
