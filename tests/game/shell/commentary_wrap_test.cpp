// The commentary window's lines broken to its width, and the line that tells the end of a battle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/asynchronous_bus.h"
#include "game/flow/end_of_game_results.h"
#include "game/shell/commentary_dialog.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

// One pixel a plain letter, two a bold one: the widths of the cases below are counted by hand.
std::int32_t letters(const std::string& text, bool bold) {
    return static_cast<std::int32_t>(text.size()) * (bold ? 2 : 1);
}

TEST(CommentaryWrap, ALineBreaksBetweenWordsAndInsideAWordOnlyWhenItIsWiderThanTheRow) {
    using Rows = std::vector<CommentaryLine>;
    const struct {
        const char* what;
        const char* text;
        std::int32_t width;
        Rows rows;
    } cases[] = {
        {"an empty line is one empty row", "", 10, {{}}},
        {"11 letters in 11: one row", "abcde fghij", 11, {{{"abcde fghij", false}}}},
        {"11 letters in 10: the space at the break goes", "abcde fghij", 10,
         {{{"abcde", false}}, {{"fghij", false}}}},
        {"bold 4 and plain 3 in 7: one row", "\\Bab\\b cd", 7, {{{"ab", true}, {" cd", false}}}},
        {"bold 4 and plain 3 in 6: two rows", "\\Bab\\b cd", 6, {{{"ab", true}}, {{"cd", false}}}},
        {"a word of 15 in 10 is cut where the row ends", "abcdefghijklmno", 10,
         {{{"abcdefghij", false}}, {{"klmno", false}}}},
        {"a word of 10 in 10 is whole", "abcdefghij", 10, {{{"abcdefghij", false}}}},
        {"a long word after a short one starts its own row", "ab abcdefghijklmno", 10,
         {{{"ab", false}}, {{"abcdefghij", false}}, {{"klmno", false}}}},
        {"runs of one row stay apart", "a\\Bb\\bc", 10, {{{"a", false}, {"b", true}, {"c", false}}}},
        {"a bold word at a break keeps its bold", "abcdefgh \\Bij\\b", 10,
         {{{"abcdefgh", false}}, {{"ij", true}}}},
        {"a row one letter wide", "ab", 1, {{{"a", false}}, {{"b", false}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(wrapCommentary(commentaryRuns(c.text), c.width, letters), c.rows);
    }
}

TEST(CommentaryWrap, TheEndOfABattleNamesTheSideThatRoutedAtItsLimit) {
    EndOfGameResults r;
    r.homeNation = 2, r.visitorNation = 3, r.homeName = "Macedonian", r.visitorName = "Indian";
    r.homeTQLimit = 70, r.visitorTQLimit = 60;
    const struct {
        const char* what;
        std::uint32_t winner;
        std::int16_t homeLost, visitorLost;
        std::string line;
    } cases[] = {
        {"the visitors lost their limit exactly", 2, 10, 60,
         "The \\BIndian\\b army has lost 60 TQ points, its rout limit is 60: it routs from the field. The "
         "\\BMacedonian\\b army wins the battle."},
        {"one point short of the limit: no rout is told", 2, 10, 59,
         "The battle is over. The \\BMacedonian\\b army wins the battle."},
        {"the home side past its limit", 3, 71, 5,
         "The \\BMacedonian\\b army has lost 71 TQ points, its rout limit is 70: it routs from the field. The "
         "\\BIndian\\b army wins the battle."},
        {"nobody won", 0, 0, 0, "The battle is over, and nobody has won it."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        r.winner = c.winner, r.homeLostTQ = c.homeLost, r.visitorLostTQ = c.visitorLost;
        EXPECT_EQ(endOfBattleCommentary(r), c.line);
    }
    // The names came from the other machine: a backslash of theirs is no bold mark.
    r.homeName = "Mace\\bdonian", r.visitorName = "In\\Bdian";
    r.winner = 2, r.homeLostTQ = 0, r.visitorLostTQ = 60;
    EXPECT_EQ(plainCommentary(endOfBattleCommentary(r)),
              "The In\\Bdian army has lost 60 TQ points, its rout limit is 60: it routs from the field. The "
              "Mace\\bdonian army wins the battle.");
}

TEST(CommentaryWrap, TheWindowAddsTheEndOfTheBattleWhenTheGameEnds) {
    TestApplication app;
    AsynchronousBus bus{"Battle"};
    CommentaryDlg window;
    window.attach(bus);
    EndOfGameResults r;
    r.winner = 2, r.homeNation = 2, r.visitorNation = 3, r.homeName = "Macedonian", r.visitorName = "Indian";
    r.visitorLostTQ = 61, r.visitorTQLimit = 60;
    Container<EndOfGameResults> box(r);
    bus.sendNamed("EndOfGame", &box);
    Container<long> wrong(3);
    FailedChecks checks;
    bus.sendNamed("EndOfGame", &wrong); // a payload of another kind is reported and adds nothing
    app.drainQueue();
    EXPECT_EQ(checks.count(), 1u);
    ASSERT_EQ(window.lines().size(), 1u);
    EXPECT_EQ(window.lines()[0],
              (CommentaryLine{{"The ", false},
                              {"Indian", true},
                              {" army has lost 61 TQ points, its rout limit is 60: it routs from the field. The ", false},
                              {"Macedonian", true},
                              {" army wins the battle.", false}}));
}

} // namespace
} // namespace vael::test
