#pragma once
// The program's string table, read from the "strings" resources: lines of an id (0 to 65535) and then,
// after one blank, its text, in which \n, \t and \\ stand for a line end, a tab and a backslash. Blank
// lines and lines starting with "#" say nothing.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vael {

class StringTable {
public:
    StringTable() = default;
    // Adds the entries of a text; an id given twice keeps its first text and the second is an error.
    void add(std::string_view text, std::string_view origin);
    // Every built-in "strings" resource.
    static StringTable builtIn();

    std::optional<std::string> find(std::uint16_t id) const;
    std::size_t size() const { return strings_.size(); }
    const std::vector<std::string>& errors() const { return errors_; }

private:
    std::map<std::uint16_t, std::string> strings_;
    std::vector<std::string> errors_;
};

} // namespace vael
