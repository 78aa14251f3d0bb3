#pragma once
// Test support: a display's pixels as text, one string a row: 0 is '.', the two underline greys are '_'
// (10) and '~' (150) under a colour match that answers the red component, a printable code is its own
// character, anything else '?'.
#include <string>
#include <vector>

#include "framework/ui/display.h"

namespace vael::test {

inline char pixelChar(std::uint8_t p) {
    if (p == 0) return '.';
    if (p == 10) return '_';
    if (p == 150) return '~';
    return p > 32 && p < 127 ? static_cast<char>(p) : '?';
}

inline std::vector<std::string> rowsOf(Display& display) {
    std::vector<std::string> rows;
    for (std::int16_t y = 0; y < display.height(); ++y) {
        std::string row;
        for (std::int16_t x = 0; x < display.width(); ++x)
            row += pixelChar(display.bits()[y * display.stride() + x]);
        rows.push_back(row);
    }
    return rows;
}

// The red component is the palette index, so that the underline greys show as themselves.
class RedIsIndex {
public:
    RedIsIndex()
        : previous_(Display::setColourMatcher([](std::uint8_t r, std::uint8_t, std::uint8_t) { return r; })) {
    }
    ~RedIsIndex() { Display::setColourMatcher(previous_); }

private:
    Display::ColourMatcher previous_;
};

} // namespace vael::test
