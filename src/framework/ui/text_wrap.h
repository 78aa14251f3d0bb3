#pragma once
// A text laid out in rows no wider than a width, for the boxes that must show every word of what they are
// given however long it is: rows break at blanks, and a word wider than a whole row (a long path) is broken
// after the last '/' that fits, else after the last whole UTF-8 character that fits. Each line break of the
// text begins a row; an empty line is an empty row.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vael {

// The width a row takes on the screen (pixels of a font, or characters).
using TextMeasure = std::function<std::int32_t(const std::string& row)>;

// The characters of a UTF-8 text: a measure of rows in characters.
std::int32_t characterCount(const std::string& text);
// A name past a limit in bytes, which the player cannot see, told in letters: "N letters[, which count as
// B]: WHAT can have at most MOST, " and what an accented letter costs.
std::string lettersPastLimit(const std::string& name, const std::string& what, std::size_t most);

std::vector<std::string> wrapText(const std::string& text, std::int32_t width, const TextMeasure& measure);

} // namespace vael
