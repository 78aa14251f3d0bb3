#include "framework/ui/string_table.h"

#include <charconv>

#include "framework/ui/resource_lines.h"
#include "platform/resources.h"

namespace vael {

void StringTable::add(std::string_view text, std::string_view origin) {
    forEachResourceLine(text, [this, origin](int lineNumber, std::string_view line) {
        const auto fail = [&](const std::string& why) {
            errors_.push_back(std::string(origin) + " line " + std::to_string(lineNumber) + ": " + why);
        };
        unsigned id = 0;
        const auto [idEnd, error] = std::from_chars(line.data(), line.data() + line.size(), id);
        const std::size_t digits = static_cast<std::size_t>(idEnd - line.data());
        if (error != std::errc() || id > 0xFFFF || (digits < line.size() && line[digits] != ' ')) {
            fail("no string id");
            return;
        }
        std::string value;
        const std::string_view escaped = digits < line.size() ? line.substr(digits + 1) : std::string_view();
        for (std::size_t i = 0; i < escaped.size(); ++i) {
            char c = escaped[i];
            if (c == '\\' && i + 1 < escaped.size()) {
                const char next = escaped[++i];
                c = next == 'n' ? '\n' : next == 't' ? '\t' : next;
            }
            value += c;
        }
        if (!strings_.try_emplace(static_cast<std::uint16_t>(id), std::move(value)).second)
            fail("string " + std::to_string(id) + " given twice");
    });
}

StringTable StringTable::builtIn() {
    StringTable table;
    for (const platform::Resource* resource : platform::resourcesOfKind("strings"))
        table.add(resource->text, resource->name);
    return table;
}

std::optional<std::string> StringTable::find(std::uint16_t id) const {
    const auto it = strings_.find(id);
    if (it == strings_.end()) return std::nullopt;
    return it->second;
}

} // namespace vael
