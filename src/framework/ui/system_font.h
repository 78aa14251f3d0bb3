#pragma once
// The system font for what the window manager draws itself: menu labels, captions and the status bar's
// texts, written by the platform into the windows' 8-bit pictures.
#include <cstdint>
#include <string>

#include "framework/core/geometry.h"

namespace vael {

class Display;

// Has the menus and the status bar write their texts in the system font from now on.
void installSystemFont();
// Writes the text with its top-left corner at the point, inside the clip box of the target.
void writeSystemText(Display& target, const Box& clip, const Point& at, const std::string& text,
                     std::uint8_t colour, bool bold);
// How far the system font's pen moves over the text.
std::int32_t systemTextWidth(const std::string& text, bool bold);
// The place (a byte offset) between two whole characters of the UTF-8 text nearest to x pixels from its
// start: 0 before the first, the text's length in bytes after the last.
std::int32_t systemTextPlace(const std::string& text, std::int32_t x, bool bold);

} // namespace vael
