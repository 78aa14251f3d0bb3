#pragma once
// Reads the program's sources for the message names they send and handle, so that a test can find a
// name that is sent to nobody or handled but never sent. It reads C++ as text: good enough for the
// shapes the tree uses (calls naming a message, handler tables), not a parser.
#include <map>
#include <string>
#include <vector>

namespace vael::tree {

enum class NameRole { Sent, Handled, Other };

struct NameUse {
    std::string name; // the text on the bus
    NameRole role;
    int line;
    bool literal = false; // written as a string literal rather than a constant
};

// The constants of a message-name header: constant -> text.
std::map<std::string, std::string> readNameConstants(const std::string& header);

// Every use of a message name in one source text: the name constants (msg::X) wherever they stand, and
// string literals where a call takes a message name. A use is Handled in a handler registration or a
// handler table's row, Sent in any call that sends, queries or hands the name on (an animation's
// command, a done event), Other where the name is only compared, disconnected or blocked. A literal is
// marked as such, so that the tree can be held to its constants.
std::vector<NameUse> scanSource(const std::string& text, const std::map<std::string, std::string>& constants);

// The text with comments blanked out (same length, same lines), string literals kept.
std::string blankComments(const std::string& text);

} // namespace vael::tree
