#include "framework/ui/menu_resource.h"

#include <charconv>

#include "framework/ui/resource_lines.h"

namespace vael {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The first word of s, which is left after it.
std::string_view word(std::string_view& s) {
    s = trimmed(s);
    const auto end = s.find_first_of(" \t");
    const std::string_view w = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view() : s.substr(end);
    return w;
}

// A quoted label at the front of s, which is left after it; false with the reason when there is none.
bool label(std::string_view& s, std::string& out, std::string& why) {
    s = trimmed(s);
    if (s.empty() || s.front() != '"') return why = "no label in double quotes", false;
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (++i == s.size()) break;
            c = s[i];
            if (c == 't')
                c = '\t';
            else if (c != '"' && c != '\\')
                return why = std::string("unknown escape \\") + c, false;
        }
        out += c;
    }
    return why = "label not closed", false;
}

bool flags(std::string_view s, std::uint32_t& out, std::string& why) {
    static const struct {
        const char* name;
        std::uint32_t flag;
    } known[] = {{"checked", SystemMenu::Checked},
                 {"grayed", SystemMenu::Grayed},
                 {"disabled", SystemMenu::Disabled},
                 {"break", SystemMenu::ColumnBreak},
                 {"barbreak", SystemMenu::BarBreak}};
    out = 0;
    for (std::string_view w = word(s); !w.empty(); w = word(s)) {
        bool found = false;
        for (const auto& k : known)
            if (w == k.name) out |= k.flag, found = true;
        if (!found) return why = "unknown word \"" + std::string(w) + "\"", false;
    }
    return true;
}

} // namespace

MenuResource::MenuResource(std::string_view text) : menu_(std::make_unique<SystemMenu>(false)) {
    std::vector<SystemMenu*> open{menu_.get()};
    int lastLine = 0;
    forEachResourceLine(text, [&](int lineNumber, std::string_view line) {
        lastLine = lineNumber;
        line = trimmed(line);
        if (line.empty() || line[0] == '#') return;

        std::string why;
        const std::string_view keyword = word(line);
        std::string shown;
        std::uint32_t state = 0;
        if (keyword == "end") {
            if (open.size() == 1)
                why = "\"end\" without a pop-up";
            else if (!trimmed(line).empty())
                why = "words after \"end\"";
            else
                open.pop_back();
        } else if (keyword == "separator") {
            if (!trimmed(line).empty())
                why = "words after \"separator\"";
            else
                open.back()->append(SystemMenu::Separator, 0, nullptr, "");
        } else if (keyword == "popup") {
            if (open.size() > MaxDepth)
                why = "pop-ups nested too deep";
            else if (label(line, shown, why) && flags(line, state, why)) {
                auto submenu = std::make_unique<SystemMenu>(true);
                SystemMenu* handle = submenu.get();
                open.back()->append(state | SystemMenu::Popup, 0, handle, shown);
                open.back()->keep(std::move(submenu));
                open.push_back(handle);
            }
        } else if (keyword == "item") {
            const std::string_view number = word(line);
            unsigned id = 0;
            const auto [numberEnd, error] = std::from_chars(number.data(), number.data() + number.size(), id);
            if (error != std::errc() || numberEnd != number.data() + number.size() || id < FirstId ||
                id > LastId)
                why = "bad command id \"" + std::string(number) + "\" (101 to 4000)";
            else if (label(line, shown, why) && flags(line, state, why))
                open.back()->append(state, static_cast<std::uint16_t>(id), nullptr, shown);
        } else {
            why = "unknown line \"" + std::string(keyword) + "\"";
        }
        if (!why.empty()) errors_.push_back("line " + std::to_string(lineNumber) + ": " + why);
    });
    if (open.size() > 1) errors_.push_back("line " + std::to_string(lastLine) + ": pop-up without \"end\"");
}

} // namespace vael
