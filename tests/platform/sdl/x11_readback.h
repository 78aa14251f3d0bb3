#pragma once
// Reads a pixel of an SDL window back from the X display that shows it (kept apart from the tests: the X
// headers' macros clash with the test framework's names).
#include <cstdint>

struct SDL_Window;

namespace vael::test {

// The colour as 0xRRGGBB; 0xDEAD when the window is not on an X display or cannot be read.
std::uint32_t displayedColour(SDL_Window* window, int x, int y);

} // namespace vael::test
