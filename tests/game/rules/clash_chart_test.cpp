#include <gtest/gtest.h>

#include <string>

#include "game/rules/clash_chart.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_maps.h"

namespace vael {
namespace {

using test::values;

struct Clash {
    const char* what;
    std::int32_t attackerSize;
    std::uint32_t attackerType;
    std::int16_t attackerCataphract;
    std::int16_t position;
    std::int32_t defenderSize;
    std::uint32_t defenderType;
    std::int16_t defenderCataphract;
    std::int16_t defenderMissile;
    std::int16_t noAttackSuperior;
    std::int32_t terrain;
    int die;
    // Expected: attacker hits, attack superior, defender hits, defense superior.
    std::int16_t attackerHits, attackSuperior, defenderHits, defenseSuperior;
};

// Every expectation is read off the printed tables by hand: the column the steps arrive at, then the row
// of the die in the two hit tables, then the doubling or tripling.
const Clash clashes[] = {
    // PH front vs HI: 6 - 1 - 3 = column 2.
    {"phalanx in front, die 9", 4, 2, 0, 0, 4, 0, 0, 0, 0, 0, 9, 2, 0, 2, 0},
    {"phalanx in front, die 0", 4, 2, 0, 0, 4, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0},
    // HI flank vs HI: column 9, attack superior by position; die 5 gives 3 (doubled) and 2.
    {"flank attack", 4, 2, 0, 1, 4, 2, 0, 0, 0, 0, 5, 2, 1, 6, 0},
    // SK vs SK flank: column 6, no superiority; die 2 gives 2 and 2.
    {"skirmisher in the flank", 4, 7, 0, 1, 4, 7, 0, 0, 0, 0, 2, 2, 0, 2, 0},
    {"skirmisher in the rear", 4, 7, 0, 2, 4, 7, 0, 0, 0, 0, 2, 2, 1, 4, 0},
    // LC vs EL rear: column 7, the elephant takes away the position; die 4 gives 2 and 2.
    {"cavalry on an elephant's rear", 4, 12, 0, 2, 4, 13, 0, 0, 0, 0, 4, 2, 0, 2, 0},
    // MI vs EL rear is still superior: column 10, die 4 gives 3 doubled and 2.
    {"infantry on an elephant's rear", 4, 3, 0, 2, 4, 13, 0, 0, 0, 0, 4, 2, 1, 6, 0},
    // Game flow forbids superiority on a rear attack of HI by HI: column 11; die 4 gives 4 and 2.
    {"no attack superiority", 4, 2, 0, 2, 4, 2, 0, 0, 1, 0, 4, 2, 0, 4, 0},
    // ... yet the weapons table still runs: HI against LP is attack superior. Column 10, die 4: 3 x 2, 2.
    {"weapons superiority after the ban", 4, 2, 0, 2, 4, 5, 0, 0, 1, 0, 4, 2, 1, 6, 0},
    // HC vs PH front: defense superior, column 5 - 1 - 3 = 1; die 3 gives 2 and 4 tripled.
    {"defense superiority", 4, 8, 0, 0, 4, 0, 0, 0, 0, 0, 3, 12, 0, 2, 1},
    // HC vs HI front, column 5: die 6 gives 2 and 2 tripled; a cataphract cancels it and shifts to 7.
    {"HC against HI", 4, 8, 0, 0, 4, 2, 0, 0, 0, 0, 6, 6, 0, 2, 1},
    {"cataphract against HI", 4, 8, 1, 0, 4, 2, 0, 0, 0, 0, 6, 2, 0, 3, 0},
    // HC vs missile-armed MI (type 3): table 1 holds 0, so nothing to cancel; column 6, die 6: 2 and 2.
    {"HC against MI", 4, 8, 0, 0, 4, 3, 0, 1, 0, 0, 6, 2, 0, 2, 0},
    // RC vs MI front: column 6; die 6 gives 2 and 2, tripled unless the MI is missile-armed.
    {"RC against MI", 4, 9, 0, 0, 4, 3, 0, 0, 0, 0, 6, 6, 0, 2, 1},
    {"RC against missile MI", 4, 9, 0, 0, 4, 3, 0, 1, 0, 0, 6, 2, 0, 2, 0},
    // BC vs LG front: column 6, die 6 gives 2 and 2; the missile rule needs types 1 or 2 and 8 or 10.
    {"BC against LG", 4, 10, 0, 0, 4, 1, 0, 0, 0, 0, 6, 6, 0, 2, 1},
    {"BC against missile LG", 4, 10, 0, 0, 4, 1, 0, 1, 0, 0, 6, 2, 0, 2, 0},
    // RC vs missile LP front: column 7; the RC rule does not reach type 5. Die 6: 3 and 2 tripled.
    {"RC against missile LP", 4, 9, 0, 0, 4, 5, 0, 1, 0, 0, 6, 6, 0, 3, 1},
    // LC vs LI front: column 5, die 6 gives 2 and 2.
    {"LC against LI", 4, 12, 0, 0, 4, 6, 0, 0, 0, 0, 6, 6, 0, 2, 1},
    {"LC against missile LI", 4, 12, 0, 0, 4, 6, 0, 1, 0, 0, 6, 2, 0, 2, 0},
    // HC vs cataphract HC front: column 6 - 2 = 4; die 9 gives 3 and 2.
    {"cataphract defending", 4, 8, 0, 0, 4, 8, 1, 0, 0, 0, 9, 2, 0, 3, 0},
    // LN vs EL front: stored 0, column -1, clamped to 0; die 0 gives 1 and 6.
    {"column below the chart", 4, 11, 0, 0, 4, 13, 0, 0, 0, 0, 0, 6, 0, 1, 0},
    // HI vs HI front is column 6; the terrain moves it to 11, 12 and 13 (clamped): die 4 reads 4, 3, 3.
    {"terrain to column 11", 4, 2, 0, 0, 4, 2, 0, 0, 0, 5, 4, 2, 0, 4, 0},
    {"terrain to column 12", 4, 2, 0, 0, 4, 2, 0, 0, 0, 6, 4, 1, 0, 3, 0},
    {"terrain past column 12", 4, 2, 0, 0, 4, 2, 0, 0, 0, 9, 4, 1, 0, 3, 0},
    {"terrain to column 0", 4, 2, 0, 0, 4, 2, 0, 0, 0, -6, 0, 6, 0, 1, 0},
    {"terrain to column 1", 4, 2, 0, 0, 4, 2, 0, 0, 0, -5, 0, 5, 0, 2, 0},
    // Sizes: 8 against 2 shifts +3, HI front from 6 to 9; die 8 gives 4 and 2.
    {"attacker four times the size", 8, 2, 0, 0, 2, 2, 0, 0, 0, 0, 8, 2, 0, 4, 0},
    // 2 against 5 shifts -2, to column 4; die 9 gives 3 and 2.
    {"defender two and a half times the size", 2, 2, 0, 0, 5, 2, 0, 0, 0, 0, 9, 2, 0, 3, 0},
    // A side of no size gets no shift rather than a division by nothing: column 6, die 8 gives 3 and 2.
    {"defender of size 0", 4, 2, 0, 0, 0, 2, 0, 0, 0, 0, 8, 2, 0, 3, 0},
    {"attacker of size 0", 0, 2, 0, 0, 4, 2, 0, 0, 0, 0, 8, 2, 0, 3, 0},
};

TEST(ClashChart, GivesTheHitsOfTheHandWorkedCases) {
    for (const Clash& c : clashes) {
        SCOPED_TRACE(c.what);
        test::ScriptedRolls rolls{c.die + 10};
        const ClashResult r = clashChart(c.attackerSize, c.attackerType, c.attackerCataphract, c.position,
                                         c.defenderSize, c.defenderType, c.defenderCataphract,
                                         c.defenderMissile, c.noAttackSuperior, c.terrain);
        EXPECT_EQ(values(r.attackerHits, r.attackSuperior, r.defenderHits, r.defenseSuperior, rolls.left()),
                  values(c.attackerHits, c.attackSuperior, c.defenderHits, c.defenseSuperior, 0));
    }
}

TEST(ClashChart, SizeRatioShiftOnBothSidesOfEachStep) {
    struct Row {
        int attacker, defender, shift;
    } rows[] = {{3, 2, 0},  {4, 2, 1},  {5, 2, 1},  {6, 2, 2}, {2, 2, 0}, {2, 3, -1}, {2, 4, -1},
                {2, 5, -2}, {2, 6, -2}, {2, 7, -3}, {1, 0, 0}, {0, 1, 0}, {-3, 2, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.attacker) + " against " + std::to_string(r.defender));
        EXPECT_EQ(sizeRatioShift(r.attacker, r.defender), r.shift);
    }
}

TEST(ClashChart, TableQueriesAnswerStoredValuesAndNothingOutsideTheTables) {
    EXPECT_EQ(values(baseColumn(2, 0, FrontAttack), baseColumn(14, 13, RearAttack),
                     baseColumn(0, 14, FlankAttack), baseColumn(8, 14, FlankAttack),
                     baseColumn(0, 15, FrontAttack), baseColumn(16, 0, FrontAttack),
                     baseColumn(0, 16, FrontAttack), baseColumn(0, 0, 3), baseColumn(0, 0, -1)),
              "6 13 13 3 0 0 0 0 0");
    // (8, 0) holds 2 there: the defender's superiority.
    EXPECT_EQ(values(isAttackSuperior(2, 5), isAttackSuperior(5, 2), isAttackSuperior(8, 0),
                     isAttackSuperior(99, 0), weaponsSuperiority(8, 0)),
              "1 0 0 0 2");
}

TEST(ClashChart, AnUnknownTypeGetsTheBottomColumnAndNoReadOutsideTheTables) {
    test::ScriptedRolls rolls{0};
    const ClashResult r = clashChart(4, 40, 0, FrontAttack, 4, 2, 0, 0, 0, 0);
    EXPECT_EQ(values(r.defenderHits, r.attackerHits), "1 6");
}

} // namespace
} // namespace vael
