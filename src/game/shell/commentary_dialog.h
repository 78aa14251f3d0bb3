#pragma once
// The running commentary of a battle. Each line arrives with "AddCommentary"; inside it "\B" switches
// bold on and "\b" switches it off (a line starts plain), and "\\" is a backslash (commentaryText writes
// a text from outside so). The window keeps the lines as runs of plain and bold text for whoever shows
// them; the battle tool prints them.
#include <cstddef>
#include <cstdint>
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

// The runs of a line: empty runs are left out; "\\" is one backslash; any other mark that is not "\B" or
// "\b" is text.
CommentaryLine commentaryRuns(const std::string& text);
// The line with its marks removed.
std::string plainCommentary(const std::string& text);
// The line with its bold runs in the terminal's bold (a line always ends plain).
std::string terminalCommentary(const std::string& text);
// The line broken into rows no wider than width as measure gives the width of a run's text: between words
// where it can (the spaces at a break are dropped), inside a word only where the word alone is wider. Every
// row holds something; an empty line is one empty row.
using CommentaryMeasure = std::function<std::int32_t(const std::string& text, bool bold)>;
std::vector<CommentaryLine> wrapCommentary(const CommentaryLine& line, std::int32_t width,
                                           const CommentaryMeasure& measure);

struct EndOfGameResults;
// What the commentary says when a battle is over: the side whose losses reached its rout limit, or only the
// winner when the battle ended otherwise.
std::string endOfBattleCommentary(const EndOfGameResults& results);

class CommentaryDlg : public Component {
public:
    // The lines a battle keeps for the player to read back; older ones are dropped first.
    static constexpr std::size_t MaxLines = 5000;

    CommentaryDlg() : Component("Commentary") {}
    // Lines arrive with "AddCommentary"; the end of the battle is told as well.
    void connectHandlers() override;

    void addLine(const std::string& text);
    void clear() {
        lines_.clear();
        dropped_ = 0;
        ++clears_;
    }
    const std::deque<CommentaryLine>& lines() const { return lines_; }
    // How many of the oldest lines were let go since the lines were last cleared, and how often they were
    // cleared: a window that keeps the lines broken into rows follows the changes from them.
    std::size_t dropped() const { return dropped_; }
    std::size_t clears() const { return clears_; }
    // Told of each line as it is added (the window that shows them).
    std::function<void(const CommentaryLine&)> onLine;

private:
    static ContainerBase* onAddCommentary(Component* target, BusMessage event, ContainerBase* data);
    static ContainerBase* onEndOfGame(Component* target, BusMessage event, ContainerBase* data);
    std::deque<CommentaryLine> lines_;
    std::size_t dropped_ = 0;
    std::size_t clears_ = 0;
};

} // namespace vael
