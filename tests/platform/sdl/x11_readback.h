#pragma once
// What the tests of the SDL backend do on the X display itself (kept apart from the tests: the X headers'
// macros clash with the test framework's names).
#include <cstdint>

struct SDL_Window;

namespace vael::test {

// The colour as 0xRRGGBB; 0xDEAD when the window is not on an X display or cannot be read.
std::uint32_t displayedColour(SDL_Window* window, int x, int y);
// Asks the window to close as a window manager does when its close button is pressed; false when the
// window is not on an X display.
bool requestClose(SDL_Window* window);

} // namespace vael::test
