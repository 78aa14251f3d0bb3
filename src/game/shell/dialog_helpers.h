#pragma once
// What the shell's dialogs share in laying out and filling their pictures and controls: template units
// to pixels, a line of text written by its top, a text cut short to a width, a check box's state, the
// buttons that close a dialog with its answer, a list's values, and a message box for a word to the player.
// One copy here, used by every dialog file.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/list.h"

namespace vael {

class Dialog;
class DialogFont;
class Display;

namespace dialog_helpers {

// Template units to the dialog's pixels, as the templates are laid out.
std::int16_t pixelsX(std::int32_t units);
std::int16_t pixelsY(std::int32_t units);

// Writes a line of text with its top at y (pixels); the font's baseline lies at its ascent.
void write(Display& target, DialogFont& font, std::int16_t x, std::int16_t y, const std::string& text);

// The text, cut short with "..." where it would run past the width (pixels).
std::string fitted(DialogFont& font, const std::string& text, std::int32_t width);

// True when the dialog's control of that id is a button that is checked.
bool checked(const Dialog& dialog, std::int16_t id);

// Closes the dialog with value when the command is that of its button; false for any other command, which
// the dialog handles itself.
bool closedByButton(Dialog& dialog, std::uint16_t id, std::int16_t button, std::int16_t value);

// The values of a list, in order.
std::vector<short> valuesOf(const List<short>& list);

// A message box with OK alone, when there is an application to show it.
void tell(const std::string& text, const std::string& title);

} // namespace dialog_helpers
} // namespace vael
