#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/rules/combat/clash_chart.h"
#include "support/rules/combat_rules_fixture.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_maps.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;
using Shock = CombatRules;

struct Enemy {
    std::int16_t hex;
    int type;
    std::uint16_t hits = 0;
    std::int16_t routing = 0;
    std::uint32_t nation = 2;
};

TEST_F(Shock, TheTargetComesFromTheFirstListThatHoldsOne) {
    struct Row {
        const char* what;
        std::vector<Enemy> enemies;
        std::int16_t chosen;
    } rows[] = {
        {"within 2 hits of routing before column 5", {{605, 2}, {606, 2, 3}}, 606},
        {"routing before within 2 hits", {{605, 2, 3}, {606, 2, 0, 1}}, 606},
        {"attack-superior before column 5", {{605, 2, 2}, {606, 6}}, 606},
        {"3 hits short of routing is column 5 only", {{605, 2, 2}}, 605},
        {"a column of 4 is not enough", {{605, 14}}, -1},
        {"nor a column of 3", {{605, 13}}, -1},
        {"friends are no targets", {{605, 2, 3, 0, 1}}, -1},
        {"nobody there", {}, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& attacker = fighter({1, 505, 1, East});
        int number = 2;
        for (const Enemy& e : row.enemies) {
            auto& enemy = fighter({number++, e.hex, e.nation, East}, e.type);
            enemy.cohesionHits_ = e.hits;
            enemy.routing_ = e.routing;
        }
        EXPECT_EQ(attacker.chooseShockTarget(), row.chosen) << text(attacker.getAttackHexes());
    }
}

TEST_F(Shock, TheNearerOfTwoTargetsInTheSameListWins) {
    auto& attacker = fighter({1, 505, 1, East});
    fighter({2, 805, 2, East});
    fighter({3, 606, 2, East});
    EXPECT_EQ(attacker.chooseShockTarget(), 606);
    // Both are candidates of the column list; the one a hex away wins over the one three away.
    EXPECT_EQ(text(attacker.getAttackHexes()), "[606 805]");
}

TEST_F(Shock, ADeclarationNamesTheEnemiesAndLeadersInTheZoneAndTheCombatsHex) {
    // The attacker faces east from 505 and declares against 605; the expected declaration follows its
    // attacker number.
    struct Row {
        const char* what;
        std::vector<Enemy> enemies;
        std::int16_t doubleAt;
        bool leaderAt605;
        std::uint16_t movementLeft;
        const char* declared;
    } rows[] = {
        {"one enemy on the target", {{605, 2}}, -1, false, 6, "[2] 65535 [] 0 605"},
        {"moved first", {{605, 2}}, -1, false, 4, "[2] 65535 [] 1 605"},
        {"a two-hex enemy met first, then the target", {{605, 2}}, 606, false, 6, "[2 3] 65535 [] 0 605"},
        {"a two-hex enemy and no unit on the target", {}, 606, false, 6, "[2] 65535 [] 0 606"},
        {"a leader with the enemy", {}, 606, true, 6, "[2] 65535 [3] 0 606"},
        {"a friend is left out", {{605, 2, 0, 0, 1}}, 606, false, 6, "[2] 65535 [] 0 606"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& attacker = fighter({1, 505, 1, East});
        ASSERT_EQ(text(attacker.getZOCHexes()), "[606 605]");
        attacker.movementLeft_ = row.movementLeft;
        attacker.validMoves_ = listOf<short>({505, 404});
        int number = 2;
        if (row.doubleAt >= 0) fighter({number++, row.doubleAt, 2, East, 5, 4, 1});
        for (const Enemy& e : row.enemies)
            fighter({number++, e.hex, e.nation, East}, e.type);
        if (row.leaderAt605) leader(number++, 605, 2);
        attacker.potentialToBeOrdered_ = 1;
        layer.clearLog();
        attacker.AddCombatants(605);
        EXPECT_EQ(joined(layer.lines({"AddCombatants", "46", "56", "menu"})),
                  "menu- 220|menu- 221|menu- 214|AddCombatants 1 " + std::string(row.declared) +
                      "|46 [505 404]|56 0");
        EXPECT_EQ(values(attacker.getPotentialToBeOrdered(), attacker.isDoneThisTurn(),
                         text(attacker.getValidMoves()), text(attacker.getAttackHexes())),
                  "0 1 [] []");
    }
}

TEST_F(Shock, WithNobodyOnTheTargetTheFirstTwoHexEnemyMetGivesTheHex) {
    auto& attacker = fighter({1, 505, 1, East});
    fighter({2, 606, 2, East, 5, 4, 1});
    auto& second = fighter({3, 605, 2, West, 5, 4, 1});
    ASSERT_EQ(second.getSecondHex(), 604);
    layer.clearLog();
    attacker.AddCombatants(704);
    EXPECT_EQ(layer.lines({"AddCombatants"}), Lines{"AddCombatants 1 [2 3] 65535 [] 0 606"});
}

TEST_F(Shock, NoEnemyUnitInTheZoneDeclaresNothingButStillClearsTheMoves) {
    for (bool withLeader : {false, true}) {
        SCOPED_TRACE(withLeader);
        clearUnits();
        auto& attacker = fighter({1, 505, 1, East, 5, 4, 1});
        if (withLeader) leader(2, 605, 2);
        attacker.validMoves_ = listOf<short>({505});
        attacker.potentialToBeOrdered_ = 1;
        layer.clearLog();
        attacker.AddCombatants(605);
        EXPECT_EQ(layer.lines({"AddCombatants", "46", "56", "menu"}),
                  (Lines{"menu- 220", "menu- 221", "menu- 235", "menu- 214", "46 [505]", "56 0"}));
        EXPECT_EQ(values(attacker.getPotentialToBeOrdered(), attacker.isDoneThisTurn()), "1 0");
    }
}

TEST_F(Shock, ASingleHexUnitAdvancesAlongAnOpenLineOnly) {
    struct Row {
        const char* what;
        std::int16_t target, blocker, enemyZoc, inCharge;
        std::int16_t advanced;
        std::int16_t endsOn;
    } rows[] = {
        {"next hex", 605, -1, -1, 0, 1, 605},
        {"two hexes on, open", 503, -1, -1, 0, 1, 503},
        {"two hexes on, blocked", 503, 504, -1, 0, 0, 505},
        {"charging out of an enemy's zone", 605, -1, 405, 1, 0, 505},
        {"not charging, the zone does not matter", 605, -1, 405, 0, 1, 605},
        {"off the map", 2000, -1, -1, 0, 0, 505},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& attacker = fighter({1, 505, 1, East});
        if (row.blocker >= 0) fighter({2, row.blocker, 1, East});
        // An enemy to the west facing east holds 505 in its zone.
        if (row.enemyZoc >= 0) fighter({3, row.enemyZoc, 2, East});
        layer.clearLog();
        EXPECT_EQ(attacker.AdvanceAfterCombat(row.target, row.inCharge), row.advanced);
        EXPECT_EQ(attacker.getHex(), row.endsOn);
        EXPECT_EQ(layer.lines({"UnitMovement "}).size(), row.advanced ? 1u : 0u);
        EXPECT_EQ(values(attacker.advancing_, attacker.getHasMoved()), "0 0");
    }
}

TEST_F(Shock, AnAdvanceIntoWoodsStopsOneHitShortOfRouting) {
    for (std::uint16_t hits : {3, 4}) {
        SCOPED_TRACE(hits);
        clearUnits();
        useMap(MapFileBuilder(12, 12).addTerrain(605, 1));
        map->attach(layer);
        auto& attacker = fighter({1, 505, 1, East, 5});
        attacker.cohesionHits_ = hits;
        layer.clearLog();
        ASSERT_EQ(attacker.AdvanceAfterCombat(605, 0), 1);
        EXPECT_EQ(layer.lines({"TQHit"}), hits == 3 ? Lines{"TQHit 1 1 0"} : Lines{});
        EXPECT_EQ(values(attacker.getCohesionHits(), attacker.isRouting()), values(4, 0));
    }
}

TEST_F(Shock, ATwoHexUnitAdvancesWhereBothHalvesFindRoom) {
    struct Row {
        const char* what;
        std::int16_t target;
        std::vector<std::int16_t> blockers;
        std::int16_t advanced, hex, second;
    } rows[] = {
        {"beside both, right free", 606, {}, 1, 606, 607},
        {"beside both, right taken, left free", 606, {607}, 1, 605, 606},
        {"beside both, both taken", 606, {607, 605}, 0, 505, 506},
        {"beside the left only, right free", 605, {}, 1, 605, 606},
        {"beside the left only, right taken", 605, {606}, 0, 505, 506},
        {"beside the right only, left free", 607, {}, 1, 606, 607},
        {"beside the right only, left taken", 607, {606}, 0, 505, 506},
        {"beside neither", 805, {}, 0, 505, 506},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& attacker = fighter<Phalanx>({1, 505, 1, East});
        ASSERT_EQ(attacker.getSecondHex(), 506);
        int number = 2;
        for (std::int16_t hex : row.blockers)
            fighter({number++, hex, 1, East});
        EXPECT_EQ(attacker.AdvanceAfterCombat(row.target, 0), row.advanced);
        EXPECT_EQ(values(attacker.getHex(), attacker.getSecondHex()), values(row.hex, row.second));
    }
}

TEST_F(Shock, AnAdvanceMakesEnemyLeadersBesideTheNewHexWithdraw) {
    auto& attacker = fighter({1, 505, 1, East});
    auto& enemy = leader(2, 705, 2);
    auto& friendLeader = leader(3, 604, 1);
    auto& far = leader(4, 805, 2);
    ASSERT_EQ(attacker.AdvanceAfterCombat(605, 0), 1);
    EXPECT_EQ(enemy.notes, Lines{"ForceOW 605 -1"});
    EXPECT_EQ(friendLeader.notes, Lines{});
    EXPECT_EQ(far.notes, Lines{});
}

TEST_F(Shock, AChargerTurnsOneStepTowardItsTargetAnticlockwiseFirst) {
    struct Row {
        std::int16_t target;
        const char* turn;
    } rows[] = {{504, "ChangeFacing 1 1 1"},
                {605, "ChangeFacing 1 1 1"},
                {506, "ChangeFacing 2 1 1"},
                {606, "ChangeFacing 2 1 1"},
                {406, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target);
        clearUnits();
        auto& charger = fighter({1, 505, 1, East});
        charger.RefaceFromCharge(row.target);
        const Lines turns = layer.lines({"ChangeFacing"});
        EXPECT_EQ(turns, row.turn[0] ? Lines{row.turn} : Lines{});
    }
}

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

using OrderlyWithdrawal = CombatRules;

Lines segmentLines(const BattleLayer& layer) {
    return layer.lines({"Center On Region", "ResolveOW", "UnitOW", "OWResolved", "EndOWSegment"});
}

std::string owRecord(const VaelUnit& unit, const char* approacher = "505 65535") {
    return values(unit.getId(), 40, approacher, 2);
}

// A friend on 705 facing west holds the enemy on 605 in his zone; facing east, he does not.
TEST_F(OrderlyWithdrawal, OnlyLightTroopsAndHorseNotHeldInAnotherZoneMayStepBackFromTheRightApproachers) {
    struct Row {
        int approacher, enemy;
        std::int16_t routing;
        bool chance;
        DIRECTION friendAt705 = NoDirection;
    } rows[] = {{2, 12, 0, true},       {2, 8, 0, true},    {2, 11, 0, true},  {8, 11, 0, false},
                {11, 11, 0, false},     {12, 11, 0, false}, {6, 11, 0, true},  {2, 7, 0, true},
                {0, 7, 0, true},        {6, 7, 0, false},   {3, 7, 0, false},  {2, 6, 0, false},
                {2, 13, 0, false},      {2, 14, 0, false},  {2, 12, 1, false}, {-1, 12, 0, false, West},
                {-1, 12, 0, true, East}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.approacher, row.enemy, row.routing, row.friendAt705));
        clearUnits();
        flow.relays = false;
        auto& approacher = fighter({1, 505, 1, East}, row.approacher);
        auto& enemy = fighter({2, 605, 2, West}, row.enemy);
        enemy.routing_ = row.routing;
        if (row.friendAt705 != NoDirection) fighter({3, 705, 1, row.friendAt705});
        layer.clearLog();
        approacher.BeginOWSegment();
        EXPECT_EQ(segmentLines(layer), row.chance
                                           ? (Lines{"Center On Region 505", "ResolveOW " + owRecord(enemy)})
                                           : (Lines{"EndOWSegment 1 1"}));
    }
}

TEST_F(OrderlyWithdrawal, EnemyLeadersBesideTheApproacherAreForcedBack) {
    flow.relays = false;
    auto& approacher = fighter<Phalanx>({1, 505, 1, East});
    auto& enemy = leader(2, 605, 2);
    auto& own = leader(3, 405, 1);
    approacher.BeginOWSegment();
    EXPECT_EQ(enemy.notes, Lines{"ForceOW 505 506"});
    EXPECT_EQ(own.notes, Lines{});
}

TEST_F(OrderlyWithdrawal, TheSegmentResolvesEachCandidateInTurnAndAlwaysEnds) {
    auto& approacher = fighter({1, 505, 1, East});
    auto& light = fighter({2, 605, 2, West, 5}, 12);
    auto& heavy = fighter({3, 606, 2, West, 5}, 8);
    ScriptedRolls rolls{7, 9};
    layer.clearLog();
    approacher.BeginOWSegment();
    EXPECT_EQ(segmentLines(layer),
              (Lines{"Center On Region 505", "ResolveOW " + owRecord(light), "UnitOW " + owRecord(light),
                     "OWResolved 0 605", "Center On Region 505", "ResolveOW " + owRecord(heavy),
                     "UnitOW " + owRecord(heavy), "OWResolved 0 606", "EndOWSegment 0 1"}));
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(text(approacher.getVacatedHexes()), "[]");
}

TEST_F(OrderlyWithdrawal, AShockTargetThatWithdrawsIsLostWhenTheSegmentEnds) {
    auto& approacher = fighter({1, 505, 1, East});
    auto& light = fighter({2, 605, 2, West, 5}, 12);
    approacher.selected_ = 1;
    approacher.orderHex_ = 605;
    // The test passes on 0, then the withdrawal's own check fails on 9 for one hit.
    ScriptedRolls rolls{0, 9};
    layer.clearLog();
    approacher.BeginOWSegment();
    EXPECT_NE(light.getHex(), 605);
    EXPECT_EQ(text(approacher.getVacatedHexes()), "[605]");
    EXPECT_EQ(approacher.getOrderHex(), 0xFFFF);
    EXPECT_EQ(layer.lines({"OWResolved", "EndOWSegment", "TQHit", "AddCommentary"}),
              (Lines{"TQHit 1 2 0",
                     "AddCommentary \\BUnit 2\\b takes one cohesion hit for doing orderly withdrawal.",
                     "OWResolved 1 605", "EndOWSegment 1 1"}));
    EXPECT_EQ(rolls.left(), 0u);
}

TEST_F(OrderlyWithdrawal, TheTestIsTriedOnlyWellShortOfRoutingAndPassesBelowTheTQ) {
    struct Row {
        std::uint16_t hits;
        std::int16_t pending;
        bool rolled;
    } rows[] = {{2, 0, true}, {3, 0, false}, {1, 1, true}, {1, 2, false}, {0, 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.hits, row.pending));
        clearUnits();
        fighter({1, 505, 1, East});
        auto& light = fighter({2, 605, 2, West, 5}, 12);
        light.cohesionHits_ = row.hits;
        light.numPointsLeftToAdd_ = row.pending;
        ScriptedRolls rolls{5}; // equal to the TQ: a failure
        layer.clearLog();
        light.UnitOW(OWStruct{static_cast<std::uint16_t>(light.getId()), 40, 505, 0xFFFF, 2});
        EXPECT_EQ(rolls.left(), row.rolled ? 0u : 1u);
        EXPECT_EQ(layer.lines({"OWResolved"}), Lines{"OWResolved 0 605"});
    }
}

TEST_F(OrderlyWithdrawal, ARecordForAnotherUnitIsIgnored) {
    fighter({1, 505, 1, East});
    auto& light = fighter({2, 605, 2, West, 5}, 12);
    ScriptedRolls rolls{5};
    light.UnitOW(OWStruct{static_cast<std::uint16_t>(light.getId() + 1), 40, 505, 0xFFFF, 2});
    EXPECT_EQ(rolls.left(), 1u);
    EXPECT_EQ(layer.lines({"OWResolved"}), Lines{});
}

TEST_F(OrderlyWithdrawal, HorseApproachedByAnElephantTakesAtLeastOneHitFirst) {
    struct Row {
        int type;
        int roll;
        int hits;
    } rows[] = {{12, 2, 1}, {12, 3, 1}, {12, 7, 1}, {12, 8, 2}, {11, 9, 3}, {2, 9, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.type, row.roll));
        clearUnits();
        fighter({1, 505, 1, East}, 13);
        auto& horse = fighter({2, 605, 2, West, 3}, row.type);
        ScriptedRolls rolls{row.roll};
        layer.clearLog();
        horse.UnitOW(OWStruct{static_cast<std::uint16_t>(horse.getId()), 40, 505, 0xFFFF, 2});
        Lines expected;
        if (row.hits > 0) {
            expected.push_back("AddCommentary \\BUnit 2\\b takes " + std::to_string(row.hits) +
                               (row.hits > 1 ? " hits" : " hit") +
                               " for being approached by an elephant unit.");
            expected.push_back("TQHit " + std::to_string(row.hits) + " 2 0");
        }
        expected.push_back("OWResolved 0 605");
        EXPECT_EQ(layer.lines({"TQHit", "AddCommentary \\BUnit 2\\b takes", "OWResolved"}), expected);
        // Hit or not, TQ 3 leaves no room for the test itself: one roll in all.
        EXPECT_EQ(rolls.left(), 0u);
    }
}

// A unit whose elimination is already decided (a terminal rout under way) has no withdrawal to make: the
// mover hears at once that it stayed, nothing is rolled and nothing is said of it.
TEST_F(OrderlyWithdrawal, AUnitOnItsWayOutIsNotAskedToWithdraw) {
    for (bool condemned : {false, true}) {
        SCOPED_TRACE(condemned ? "on its way out" : "in the battle");
        clearUnits();
        fighter({1, 505, 1, East}, 13);
        auto& horse = fighter({2, 605, 2, West, 3}, 12);
        if (condemned) horse.condemn();
        ScriptedRolls rolls{2};
        layer.clearLog();
        horse.UnitOW(OWStruct{static_cast<std::uint16_t>(horse.getId()), 40, 505, 0xFFFF, 2});
        if (condemned) horse.owCohesionHits(505); // nor does it pay for a withdrawal
        EXPECT_EQ(rolls.left(), condemned ? 1u : 0u);
        const Lines asked{"AddCommentary \\BUnit 2\\b takes 1 hit for being approached by an elephant unit.",
                          "TQHit 1 2 0", "OWResolved 0 605"};
        EXPECT_EQ(layer.lines({"TQHit", "AddCommentary \\BUnit 2\\b takes", "OWResolved"}),
                  condemned ? Lines{"OWResolved 0 605"} : asked);
    }
}

TEST_F(OrderlyWithdrawal, WithdrawingCostsHitsByKindSideAndCheck) {
    struct Row {
        int type;
        std::int16_t from;
        int roll;
        int hits;
    } rows[] = {
        {12, 605, 4, 0}, {12, 605, 5, 1}, {12, 405, 4, 1}, {12, 405, 5, 2}, {12, 504, 4, 1}, {8, 506, 9, 2},
        {7, 504, 4, 0},  {7, 406, 4, 1},  {2, 605, 4, 1},  {14, 605, 5, 2}, {6, 606, 4, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.type, row.from, row.roll));
        clearUnits();
        auto& unit = fighter({1, 505, 1, East, 5}, row.type);
        ScriptedRolls rolls{row.roll};
        layer.clearLog();
        unit.owCohesionHits(row.from);
        const char* text = row.hits == 1 ? "\\b takes one cohesion hit for doing orderly withdrawal."
                                         : "\\b takes two cohesion hits for doing orderly withdrawal.";
        EXPECT_EQ(layer.lines({"TQHit", "AddCommentary"}),
                  row.hits == 0 ? Lines{}
                                : (Lines{"TQHit " + std::to_string(row.hits) + " 1 0",
                                         std::string("AddCommentary \\BUnit 1") + text}));
    }
}

TEST_F(OrderlyWithdrawal, ResolutionsOfOtherHexesLeaveTheSegmentAlone) {
    flow.relays = false;
    auto& approacher = fighter({1, 505, 1, East});
    fighter({2, 605, 2, West}, 12);
    fighter({3, 606, 2, West}, 12);
    approacher.BeginOWSegment();
    layer.clearLog();
    Container<ResolveOWStruct> stranger(ResolveOWStruct{1, 707});
    layer.sendNamed("OWResolved", &stranger);
    EXPECT_EQ(values(text(approacher.getVacatedHexes()), approacher.owList_.count()), "[] 1");
    Container<ResolveOWStruct> first(ResolveOWStruct{1, 606}), second(ResolveOWStruct{0, 605});
    layer.sendNamed("OWResolved", &first);
    layer.sendNamed("OWResolved", &second);
    layer.sendNamed("OWResolved", &second);
    EXPECT_EQ(segmentLines(layer), (Lines{"OWResolved 1 707", "OWResolved 1 606", "Center On Region 505",
                                          "ResolveOW " + values(approacher.getId() + 2, 40, "505 65535 2"),
                                          "OWResolved 0 605", "EndOWSegment 1 1", "OWResolved 0 605"}));
    EXPECT_EQ(text(approacher.getVacatedHexes()), "[606]");
}

// The unit asked routs away (under fire already on its way) before it answers, and its answer names the
// hex it fled to: that answer still ends the segment, which would otherwise wait for ever.
TEST_F(OrderlyWithdrawal, AnAnswerFromAUnitThatFledStillResolvesItsHex) {
    flow.relays = false;
    auto& approacher = fighter({1, 505, 1, East});
    auto& light = fighter({2, 605, 2, West}, 12);
    approacher.BeginOWSegment();
    map->removeFromRegion(&light, 605);
    light.setHex(807);
    map->addToRegion(&light, 807);
    layer.clearLog();
    // An answer for a hex nobody of the segment stands on changes nothing.
    Container<ResolveOWStruct> stranger(ResolveOWStruct{0, 808}), fled(ResolveOWStruct{0, 807});
    layer.sendNamed("OWResolved", &stranger);
    layer.sendNamed("OWResolved", &fled);
    EXPECT_EQ(segmentLines(layer), (Lines{"OWResolved 0 808", "OWResolved 0 807", "EndOWSegment 0 1"}));
    EXPECT_EQ(text(approacher.getVacatedHexes()), "[]");
}

} // namespace
} // namespace vael
