#pragma once
// The string-table entries the logical map shows, as the program's string table holds them; tests hand
// them to the test application.
#include <cstdint>
#include <map>
#include <string>

namespace vael::test {

inline const std::map<std::uint16_t, std::string>& ruleStrings() {
    static const std::map<std::uint16_t, std::string> strings = {
        {112, "You do not have enough orders"},
        {113, "to move a unit that does not"},
        {114, "belong to your group."},
        {115, "TQ:"},
        {116, "Hits:"},
        {117, "Size:"},
        {118, "Initiative:"},
        {119, "Command Range:"},
        {120, "Range:"},
        {121, "Hex:"},
        {122, ""},
    };
    return strings;
}

} // namespace vael::test
