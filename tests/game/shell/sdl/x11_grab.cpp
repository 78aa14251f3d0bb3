#include "x11_grab.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vael::test {

namespace {

bool onX(SDL_Window* window, SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}

} // namespace

bool resizeWindow(SDL_Window* window, int width, int height) {
    SDL_SysWMinfo info;
    if (!onX(window, info) || width <= 0 || height <= 0) return false;
    XResizeWindow(info.info.x11.display, info.info.x11.window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XSync(info.info.x11.display, False);
    return true;
}

Grab grabWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!onX(window, info)) return {};
    return grabXWindow(info.info.x11.display, info.info.x11.window);
}

Grab grabXWindow(void* connection, unsigned long window) {
    Grab grab;
    auto* display = static_cast<::Display*>(connection);
    if (!display) return grab;
    XSync(display, False);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return grab;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image) return grab;
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1))
            mask >>= 1, ++shift;
        return std::uint32_t((pixel >> shift) & mask) * 255 / std::uint32_t(mask ? mask : 1);
    };
    grab.width = attributes.width, grab.height = attributes.height;
    grab.rgb.reserve(std::size_t(grab.width) * std::size_t(grab.height));
    for (int y = 0; y < grab.height; ++y)
        for (int x = 0; x < grab.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            grab.rgb.push_back(channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
                               channel(p, image->blue_mask));
        }
    XDestroyImage(image);
    return grab;
}

} // namespace vael::test
