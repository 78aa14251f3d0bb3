#include "framework/ui/menu_resource.h"

#include <charconv>

#include "framework/ui/resource_lines.h"

namespace vael {

namespace {

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
    for (std::string_view w = resourceWord(s); !w.empty(); w = resourceWord(s)) {
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
        line = resourceTrimmed(line);
        if (line.empty() || line[0] == '#') return;

        std::string why;
        const std::string_view keyword = resourceWord(line);
        std::string shown;
        std::uint32_t state = 0;
        if (keyword == "end") {
            if (open.size() == 1)
                why = "\"end\" without a pop-up";
            else if (!resourceTrimmed(line).empty())
                why = "words after \"end\"";
            else
                open.pop_back();
        } else if (keyword == "separator") {
            if (!resourceTrimmed(line).empty())
                why = "words after \"separator\"";
            else
                open.back()->append(SystemMenu::Separator, 0, nullptr, "");
        } else if (keyword == "popup") {
            if (open.size() > MaxDepth)
                why = "pop-ups nested too deep";
            else if (resourceLabel(line, shown, why) && flags(line, state, why)) {
                auto submenu = std::make_unique<SystemMenu>(true);
                SystemMenu* handle = submenu.get();
                open.back()->append(state | SystemMenu::Popup, 0, handle, shown);
                open.back()->keep(std::move(submenu));
                open.push_back(handle);
            }
        } else if (keyword == "item") {
            const std::string_view number = resourceWord(line);
            unsigned id = 0;
            const auto [numberEnd, error] = std::from_chars(number.data(), number.data() + number.size(), id);
            if (error != std::errc() || numberEnd != number.data() + number.size() || id < FirstId ||
                id > LastId)
                why = "bad command id \"" + std::string(number) + "\" (101 to 4000)";
            else if (resourceLabel(line, shown, why) && flags(line, state, why))
                open.back()->append(state, static_cast<std::uint16_t>(id), nullptr, shown);
        } else {
            why = "unknown line \"" + std::string(keyword) + "\"";
        }
        if (!why.empty()) errors_.push_back("line " + std::to_string(lineNumber) + ": " + why);
    });
    if (open.size() > 1) errors_.push_back("line " + std::to_string(lastLine) + ": pop-up without \"end\"");
}

} // namespace vael
