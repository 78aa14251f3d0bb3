// The commentary's bold marks: the runs a window shows, the plain text of a file, a terminal's bold.
#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "game/flow/commentary_text.h"
#include "game/shell/commentary_dialog.h"

namespace vael::test {
namespace {

TEST(Commentary, BoldMarksSplitALineIntoPlainAndBoldRuns) {
    using Line = CommentaryLine;
    const struct {
        const char* text;
        Line runs;
        const char* plain;
        const char* terminal;
    } rows[] = {
        {"", {}, "", ""},
        {"plain", {{"plain", false}}, "plain", "plain"},
        {"\\BTezhar\\b is now active.",
         {{"Tezhar", true}, {" is now active.", false}},
         "Tezhar is now active.",
         "\x1b[1mTezhar\x1b[0m is now active."},
        {"a \\Bb\\b c \\Bd",
         {{"a ", false}, {"b", true}, {" c ", false}, {"d", true}},
         "a b c d",
         "a \x1b[1mb\x1b[0m c \x1b[1md\x1b[0m"},
        {"\\B\\b", {}, "", ""},
        {"\\B\\Bx\\b\\by", {{"x", true}, {"y", false}}, "xy", "\x1b[1mx\x1b[0my"},
        {"a\\nb \\", {{"a\\nb \\", false}}, "a\\nb \\", "a\\nb \\"},
        {"\\", {{"\\", false}}, "\\", "\\"},
        // "\\" is a backslash of the text, whatever follows it.
        {"\\BAristhon (Red\\\\bLi\\\\Bne)\\b is now active.",
         {{"Aristhon (Red\\bLi\\Bne)", true}, {" is now active.", false}},
         "Aristhon (Red\\bLi\\Bne) is now active.",
         "\x1b[1mAristhon (Red\\bLi\\Bne)\x1b[0m is now active."},
        {"\\\\\\Bx", {{"\\", false}, {"x", true}}, "\\x", "\\\x1b[1mx\x1b[0m"},
        {"a\\\\", {{"a\\", false}}, "a\\", "a\\"},
        {"\\\\\\\\b", {{"\\\\b", false}}, "\\\\b", "\\\\b"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(commentaryRuns(row.text), row.runs);
        EXPECT_EQ(plainCommentary(row.text), row.plain);
        EXPECT_EQ(terminalCommentary(row.text), row.terminal);
    }
}

// A text from outside set into a line shows as printable shows it, every backslash a backslash, however
// its backslashes stand before the letters of the marks.
TEST(Commentary, ATextFromOutsideShowsAsItWasWrittenInsideTheMarks) {
    const struct {
        const char* what;
        std::string text, shown;
    } rows[] = {
        {"a name with what reads as marks", "Red\\bLi\\Bne", "Red\\bLi\\Bne"},
        {"a backslash alone", "\\", "\\"},
        {"two before a mark's letter", "a\\\\B", "a\\\\B"},
        {"a backslash at the end", "Ann\\", "Ann\\"},
        {"control bytes", "Evil\x1B[2J\nHost: ha\x9B", "Evil\\x1B[2J\\x0AHost: ha\\x9B"},
        {"nothing", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string line = "\\B" + commentaryText(row.text) + "\\b left.";
        EXPECT_EQ(plainCommentary(line), row.shown + " left.");
        const CommentaryLine runs = commentaryRuns(line);
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.back(), (CommentaryRun{" left.", false}));
        if (!row.shown.empty()) {
            EXPECT_EQ(runs.front(), (CommentaryRun{row.shown, true}));
        }
    }
}

TEST(Commentary, TheWindowKeepsTheLastFiveThousandLinesAndTellsEachAsItComes) {
    CommentaryDlg window;
    int told = 0;
    window.onLine = [&](const CommentaryLine&) { ++told; };
    for (int i = 0; i < 5000; ++i)
        window.addLine("line " + std::to_string(i));
    EXPECT_EQ(window.dropped(), 0u);
    window.addLine("line 5000");
    window.addLine("line 5001");
    EXPECT_EQ(told, 5002);
    ASSERT_EQ(window.lines().size(), 5000u);
    EXPECT_EQ(window.dropped(), 2u);
    EXPECT_EQ(window.lines().front(), (CommentaryLine{{"line 2", false}}));
    EXPECT_EQ(window.lines().back(), (CommentaryLine{{"line 5001", false}}));
    // Cleared for a new battle: nothing dropped of it yet, and the clearing counted.
    const std::size_t clears = window.clears();
    window.clear();
    EXPECT_EQ(window.lines().size(), 0u);
    EXPECT_EQ(window.dropped(), 0u);
    EXPECT_EQ(window.clears(), clears + 1);
}

} // namespace
} // namespace vael::test
