#pragma once
// The window's pixels as the X server holds them (kept apart from the tests: the X headers' macros clash
// with the test framework's names).
#include <cstdint>
#include <vector>

struct SDL_Window;

namespace vael::test {

struct Grab {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb; // 0xRRGGBB, rows top first
};

// An empty grab when the window is not on an X display.
Grab grabWindow(SDL_Window* window);
// Any window of the X server, read through the given connection (a ::Display*).
Grab grabXWindow(void* display, unsigned long window);
// The window given another size by the X server, as a window manager gives it when the player drags the
// window's border; false when the window is not on an X display.
bool resizeWindow(SDL_Window* window, int width, int height);

} // namespace vael::test
