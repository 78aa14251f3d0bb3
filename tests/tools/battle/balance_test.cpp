// The balance table: how battles are counted, where a side wins too often, and the table as printed.
#include "balance.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vael::battle {
namespace {

BattleOutcome outcome(const std::string& winner, std::int32_t turns, std::int16_t homeLost,
                      std::int16_t visitorLost, BattleStatus status = BattleStatus::Ended) {
    BattleOutcome o;
    o.status = status;
    o.winner = winner;
    o.turns = turns;
    o.home.name = "Macedonian", o.visitor.name = "Persian";
    o.home.lostTQ = homeLost, o.visitor.lostTQ = visitorLost;
    o.message = status == BattleStatus::Ended ? "" : "the battle did not end within 40 turns";
    return o;
}

TEST(Balance, CountsWinsPerSideBattlesNobodyWonAndThoseThatDidNotEnd) {
    BalanceRow row;
    tally(row, outcome("Macedonian", 10, 30, 50), 1);
    tally(row, outcome("Persian", 13, 48, 20), 2);
    tally(row, outcome("", 7, 5, 6), 3);
    tally(row, outcome("Macedonian", 40, 99, 99, BattleStatus::TurnCap), 4);
    EXPECT_EQ(row.battles, 4);
    EXPECT_EQ(row.homeWins, 1);
    EXPECT_EQ(row.visitorWins, 1);
    EXPECT_EQ(row.undecided, 1);
    EXPECT_EQ(row.unfinished, 1);
    EXPECT_EQ(row.homeName, "Macedonian");
    EXPECT_EQ(row.visitorName, "Persian");
    // The battle that did not end adds nothing to the turns and losses.
    EXPECT_EQ(row.turns, 30);
    EXPECT_EQ(row.homeLostTQ, 83);
    EXPECT_EQ(row.visitorLostTQ, 76);
    EXPECT_EQ(row.unfinishedWhy, std::vector<std::string>{"seed 4: the battle did not end within 40 turns"});
}

TEST(Balance, TheGreaterShareOfWinsIsRoundedDown) {
    const struct {
        std::int32_t battles, home, visitor, share;
    } rows[] = {
        {0, 0, 0, 0},       {100, 80, 20, 80},  {100, 81, 19, 81}, {100, 19, 81, 81},
        {200, 161, 39, 80}, {200, 162, 38, 81}, {3, 2, 1, 66},     {5, 0, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.home) + "/" + std::to_string(r.visitor) + " of " +
                     std::to_string(r.battles));
        BalanceRow row;
        row.battles = r.battles, row.homeWins = r.home, row.visitorWins = r.visitor;
        EXPECT_EQ(topWinShare(row), r.share);
    }
}

TEST(Balance, PrintsAMarkdownTableWithOneDecimal) {
    BalanceRow plain;
    plain.title = "The Pass of Korvath", plain.homeName = "Macedonian", plain.visitorName = "Persian";
    plain.battles = 3, plain.homeWins = 2, plain.visitorWins = 1, plain.turns = 40, plain.homeLostTQ = 100,
    plain.visitorLostTQ = 149;
    BalanceRow unfinished;
    unfinished.title = "The Woods of Ardhun", unfinished.homeName = "Greek",
    unfinished.visitorName = "Indian";
    unfinished.battles = 4, unfinished.homeWins = 1, unfinished.visitorWins = 1, unfinished.undecided = 0,
    unfinished.unfinished = 2, unfinished.turns = 21, unfinished.homeLostTQ = 7, unfinished.visitorLostTQ = 0;
    BalanceRow none;
    none.title = "Nothing";
    std::ostringstream out;
    printBalance({plain, unfinished, none}, out);
    EXPECT_EQ(
        out.str(),
        "| battle | seeds | home wins | visitor wins | nobody | average turns | home lost TQ | visitor lost "
        "TQ |\n"
        "|---|---|---|---|---|---|---|---|\n"
        "| The Pass of Korvath | 3 | Macedonian 2 (66%) | Persian 1 (33%) | 0 | 13.3 | 33.3 | 49.7 |\n"
        "| The Woods of Ardhun | 4 | Greek 1 (25%) | Indian 1 (25%) | 0 (2 unfinished) | 10.5 | 3.5 | 0.0 |\n"
        "| Nothing | 0 |  0 |  0 | 0 | - | - | - |\n");
}

} // namespace
} // namespace vael::battle
