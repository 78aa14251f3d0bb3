#pragma once
// Reads a menu resource: the readable text of a menu bar with its pull-downs, one line each.
//
//     # The frame's menu bar.
//     popup "&Game"
//         item 110 "&New Battle\tCtrl+N"
//         separator
//         item 101 "&Close" grayed
//     end
//
// An item gives its command id (101 to 4000, the ids that message names never take by themselves) and
// its label in double quotes, where \t, \" and \\ stand for a tab, a quote and a backslash; then any of
// the words checked, grayed, disabled, break (a new column) and barbreak (a new column after a bar). A
// pop-up takes the same words after its label and holds the lines up to its "end". Blank lines and lines
// starting with "#" say nothing. A line that cannot be read is left out and noted.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ui/system_menu.h"

namespace vael {

class MenuResource {
public:
    static constexpr std::uint16_t FirstId = 101;
    static constexpr std::uint16_t LastId = 4000;
    static constexpr int MaxDepth = 8;

    explicit MenuResource(std::string_view text);

    // The menu bar read, its pop-ups kept by it; taken by the first call.
    std::unique_ptr<SystemMenu> take() { return std::move(menu_); }
    // One text for each line that could not be read ("line 3: ...").
    const std::vector<std::string>& errors() const { return errors_; }

private:
    std::unique_ptr<SystemMenu> menu_;
    std::vector<std::string> errors_;
};

} // namespace vael
