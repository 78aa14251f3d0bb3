#pragma once
// The commentary's lines mark bold with "\B" and "\b" and write a backslash of their own text as "\\". A text
// that is not the battle's own words (a player's name, what the other machine said) goes into a line
// through here: its control characters shown escaped, as printable shows them, and each backslash kept a
// backslash, so that a name such as "Red\bLi\Bne" shows as it was written rather than half in bold.
#include <string>

namespace vael {

std::string commentaryText(const std::string& text);

} // namespace vael
