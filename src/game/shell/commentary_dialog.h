#pragma once
// The running commentary of a battle. Each line arrives with "AddCommentary"; inside it "\B" switches
// bold on and "\b" switches it off (a line starts plain). The window keeps the lines as runs of plain and
// bold text for whoever shows them; the battle tool prints them.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/component.h"

namespace vael {

struct CommentaryRun {
    std::string text;
    bool bold = false;
    bool operator==(const CommentaryRun&) const = default;
};
using CommentaryLine = std::vector<CommentaryRun>;

// The runs of a line: empty runs are left out; a mark that is not "\B" or "\b" is text.
CommentaryLine commentaryRuns(const std::string& text);
// The line with its marks removed.
std::string plainCommentary(const std::string& text);
// The line with its bold runs in the terminal's bold (a line always ends plain).
std::string terminalCommentary(const std::string& text);

class CommentaryDlg : public Component {
public:
    // The lines a battle keeps; older ones are dropped first.
    static constexpr std::size_t MaxLines = 500;

    CommentaryDlg() : Component("Commentary") {}
    void connectHandlers() override;

    void addLine(const std::string& text);
    void clear() { lines_.clear(); }
    const std::deque<CommentaryLine>& lines() const { return lines_; }
    // Told of each line as it is added (the window that shows them).
    std::function<void(const CommentaryLine&)> onLine;

private:
    static ContainerBase* onAddCommentary(Component* target, BusMessage event, ContainerBase* data);
    std::deque<CommentaryLine> lines_;
};

} // namespace vael
