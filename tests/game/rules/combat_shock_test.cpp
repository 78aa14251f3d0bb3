#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rules/combat_rules_fixture.h"

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

} // namespace
} // namespace vael
