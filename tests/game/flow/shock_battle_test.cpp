#include <gtest/gtest.h>

#include "support/flow/shock_fixture.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

// Around 705 on the test map: 605 and 606 lie West of it, 704 and 706 North and South, 805 and 806 East.
// A unit on 705 facing West has 605 and 606 in front, 704 and 706 on its flanks and 805 and 806 behind.
class ShockBattle : public ShockFixture {
protected:
    ShockBattle() : ShockFixture({"AddCommentary", "EliminateUnit", "RoutingDone", "FinishedLeader", "WoundedLeader",
                                  "END_GAME", "CombatResults", "UnitCombat"}) {}

    // The results record of the one battle, list by list.
    std::string results() {
        SingleCombatResult r;
        layer.getCombatResults().first(r);
        return "names " + text(toVector(r.attackerNames).size()) + "/" + text(toVector(r.defenderNames).size()) +
               " hexes " + text(r.attackerHexes) + text(r.defenderHexes) + " hits " + text(r.attackerHits) +
               text(r.defenderHits) + " totals " + text(r.attackerTotals) + text(r.defenderTotals) + " margins " +
               text(r.attackerMargins) + text(r.defenderMargins) + " routed " + text(r.attackerRouted) +
               text(r.defenderRouted) + " extra " + text(r.attackerExtra) + text(r.defenderExtra);
    }
    std::string advances() {
        std::string out;
        for (const CombatAdvance& a : toVector(layer.getAdvances()))
            out += (out.empty() ? "" : " ") + std::to_string(a.unit->getUnitNum()) + ">" + std::to_string(a.hex) +
                   (a.charge ? "c" : "");
        return out;
    }
};

// Unit 1 charges from the front, unit 2 stands on the defender's flank. Charge: unit 1 rolls 8 against TQ
// 6 (2 hits), the defender 6 against TQ 5 (1 hit). Unit 2 attacks from the side on column 7 and becomes
// the main attacker over unit 1's frontal 7. The chart: sizes 8 to 4 shift one column, the flank column
// is 10 - 1 + 1 = 10; die 3 gives the defenders 3, doubled for the flank attack to 6, and the attackers 2.
// Shares: each attacker 1; the defender 6, three times the attackers' share, so 8: with its charge hit
// 9 against TQ 5 it routs, its battle hits capped at 5, and the main attacker steps into its hex.
TEST_F(ShockBattle, ChargeAndFlankAttackBreakTheDefender) {
    auto& a1 = unit({1, 605, 1, East, 6});
    auto& a2 = unit({2, 704, 1, South, 7});
    auto& d = unit({3, 705, 2, West, 5});
    display.answers = false;
    ScriptedRolls rolls{8, 6, 3};
    fight({combat({{&a1, 1}, {&a2, 0}}, {&d}, 705)});
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(text(layer.getUnitsRouting()), "[-1 3]");
    EXPECT_EQ(advances(), "2>705");
    EXPECT_EQ(a1.getCohesionHits(), 3);
    EXPECT_EQ(a2.getCohesionHits(), 1);
    EXPECT_EQ(d.getCohesionHits(), 5);
    EXPECT_EQ(d.isRouting(), 1);
    EXPECT_EQ(results(), "names 2/1 hexes [605 704][705] hits [3 1][5] totals [3 1][5] margins [3 6][0] "
                         "routed [0 0][1] extra [0 0][0]");
    const Lines expected = {"AddCommentary \\BUnit 1\\b took 2 cohesion hits during the charge.",
                            "AddCommentary \\BUnit 3\\b took 1 cohesion hits during the charge.",
                            "CombatResults", "UnitCombat [1 2] [3] deaths [1:50 2:14 3:100] reply RoutingDone -1"};
    ASSERT_GE(display.log.size(), expected.size());
    EXPECT_EQ(Lines(display.log.begin(), display.log.begin() + 4), expected);
    EXPECT_TRUE(checks.texts.empty());
}

} // namespace
} // namespace vael
