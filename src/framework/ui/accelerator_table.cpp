#include "framework/ui/accelerator_table.h"

#include <charconv>
#include <strings.h>

#include "framework/ui/resource_lines.h"
#include "platform/platform.h"
#include "platform/resources.h"

namespace vael {

namespace {

bool same(std::string_view a, const char* b) {
    return a.size() == std::char_traits<char>::length(b) && ::strncasecmp(a.data(), b, a.size()) == 0;
}

std::int32_t keyNamed(std::string_view name) {
    using namespace platform;
    if (name.size() == 1) {
        const char c = name[0];
        if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
        return KeyNone;
    }
    if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
        int n = 0;
        const auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
        if (error == std::errc() && end == name.data() + name.size() && n >= 1 && n <= 12)
            return KeyF1 + n - 1;
        return KeyNone;
    }
    static const struct {
        const char* name;
        std::int32_t key;
    } named[] = {{"Left", KeyLeft},     {"Right", KeyRight},       {"Up", KeyUp},
                 {"Down", KeyDown},     {"Home", KeyHome},         {"End", KeyEnd},
                 {"PageUp", KeyPageUp}, {"PageDown", KeyPageDown}, {"Insert", KeyInsert},
                 {"Delete", KeyDelete}, {"Return", KeyReturn},     {"Escape", KeyEscape},
                 {"Tab", KeyTab},       {"Space", KeySpace},       {"Backspace", KeyBackspace}};
    for (const auto& n : named)
        if (same(name, n.name)) return n.key;
    return KeyNone;
}

} // namespace

AcceleratorTable::AcceleratorTable(std::string_view text) {
    forEachResourceLine(text, [this](int lineNumber, std::string_view line) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line[0] == '#') return;

        const auto fail = [&](const std::string& why) {
            errors_.push_back("line " + std::to_string(lineNumber) + ": " + why);
        };
        const auto blank = line.find_first_of(" \t");
        if (blank == std::string_view::npos) {
            fail("no command id");
            return;
        }
        std::string_view keys = line.substr(0, blank), number = line.substr(blank);
        while (!number.empty() && (number.front() == ' ' || number.front() == '\t'))
            number.remove_prefix(1);
        unsigned command = 0;
        const auto [numberEnd, error] =
            std::from_chars(number.data(), number.data() + number.size(), command);
        if (error != std::errc() || numberEnd != number.data() + number.size() || command > 0xFFFF) {
            fail("bad command id \"" + std::string(number) + "\"");
            return;
        }
        std::uint16_t modifiers = 0;
        for (auto plus = keys.find('+'); plus != std::string_view::npos && plus > 0; plus = keys.find('+')) {
            const std::string_view modifier = keys.substr(0, plus);
            if (same(modifier, "Ctrl"))
                modifiers |= platform::ModControl;
            else if (same(modifier, "Shift"))
                modifiers |= platform::ModShift;
            else if (same(modifier, "Alt"))
                modifiers |= platform::ModAlt;
            else
                break;
            keys.remove_prefix(plus + 1);
        }
        const std::int32_t key = keyNamed(keys);
        if (key == platform::KeyNone) {
            fail("unknown key \"" + std::string(keys) + "\"");
            return;
        }
        entries_.push_back({key, modifiers, static_cast<std::uint16_t>(command)});
    });
}

std::unique_ptr<AcceleratorTable> AcceleratorTable::load(std::string_view name) {
    const platform::Resource* resource = platform::findResource("accelerators", name);
    return resource ? std::make_unique<AcceleratorTable>(resource->text) : nullptr;
}

std::optional<std::uint16_t> AcceleratorTable::find(std::int32_t key, std::uint16_t modifiers) const {
    for (const Entry& e : entries_)
        if (e.key == key && e.modifiers == modifiers) return e.command;
    return std::nullopt;
}

} // namespace vael
