#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "game/rules/leader.h"
#include "game/rules/rout_records.h"
#include "support/rules/fighting_units.h"
#include "support/rules/test_units.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

// Neighbours by region direction 1, 2, 4, 5, 6, 8: of an odd column's 505 504 605 606 506 406 405; of an
// even column's 604 603 703 704 605 505 504.
class Rout : public FightingUnits {
protected:
    Lines routLog() const {
        return layer.lines({"TQHit", "AddCommentary", "UnitRouted", "ChangeFacing", "DoRout", "RoutingDone",
                            "EliminateUnit", "UnitEliminated"});
    }
    void friends(const std::vector<std::int16_t>& hexes, std::uint32_t nation = 1) {
        int number = 10;
        for (std::int16_t h : hexes)
            add({number++, h, nation});
    }
};

TEST_F(Rout, ABrokenUnitTurnsRunsThroughAFriendToAFreeHexAndHitsHim) {
    auto& unit = add({1, 303, 1, SouthEast, 5});
    add({2, 301});
    add({3, 202});
    add({4, 402});
    unit.cohesionHits_ = 4;
    unit.setRoutDirection(North);
    layer.clearLog();
    EXPECT_EQ(unit.tqHit(1, 0), 1);
    EXPECT_EQ(routLog(),
              (Lines{"TQHit 1 1 0", "ChangeFacing 1 2 1", "AddCommentary \\BUnit 1\\b is routing!",
                     "UnitRouted 1 5 2", "DoRout 1 [303 302 301 300] 0",
                     "AddCommentary \\BUnit 2\\b taking a cohesion hit for having Unit 1 rout through him",
                     "TQHit 1 2 0"}));
    EXPECT_EQ(values(unit.getHex(), unit.getFacing(), unit.isRouting()), "300 2 1");
    EXPECT_EQ(map->firstOccupant(300), &unit);
    EXPECT_EQ(map->firstOccupant(303), nullptr);
    EXPECT_EQ(layer.lines({"cmd 1 28"}), Lines{"cmd 1 28 300"});
    EXPECT_EQ(values(static_cast<Combat*>(layer.unitNumbered(2))->getCohesionHits(),
                     static_cast<Combat*>(layer.unitNumbered(3))->getCohesionHits(),
                     static_cast<Combat*>(layer.unitNumbered(4))->getCohesionHits()),
              "1 0 0");
}

TEST_F(Rout, TheUnitTurnsItsBackTheShorterWayAndAnticlockwiseOnATie) {
    struct Row {
        DIRECTION facing, routDirection;
        const char* turn; // "" for none
        DIRECTION after;
    } rows[] = {
        {SouthEast, North, "ChangeFacing 1 2 1", NorthEast},
        {NorthEast, North, "", NorthEast},
        {NorthWest, North, "ChangeFacing 2 1 1", NorthEast},
        {SouthWest, North, "ChangeFacing 1 3 1", NorthEast},
        {East, South, "ChangeFacing 2 2 1", SouthWest},
        {NorthEast, South, "ChangeFacing 1 3 1", SouthWest},
        {West, East, "ChangeFacing 1 3 1", East},
        {SouthEast, West, "ChangeFacing 2 2 1", West},
        {West, NoDirection, "", West},
        {East, NorthEast, "ChangeFacing 1 1 1", NorthEast},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.facing, row.routDirection));
        clearUnits();
        auto& unit = add({1, 505, 1, row.facing});
        unit.setRoutDirection(row.routDirection);
        layer.clearLog();
        unit.prepareToRout();
        EXPECT_EQ(layer.lines({"ChangeFacing"}), row.turn[0] ? Lines{row.turn} : Lines{});
        EXPECT_EQ(unit.getFacing(), row.after);
        EXPECT_EQ(layer.log.front(), "RemoveFromCombat 1");
    }
}

// Out of any enemy zone, from 505 with friends on the given hexes and perhaps an enemy leader.
TEST_F(Rout, EachSideLooksAtItsCandidatesInOrderEastZigZagsAndTheLastStepRunsOnPastOccupiedHexesAndLeaders) {
    layer.zocAnswer = 0;
    struct Row {
        DIRECTION routDirection;
        std::vector<std::int16_t> friends;
        std::int16_t hexes = 1, enemyLeader = -1;
        const char* path;
    } rows[] = {
        {North, {}, 1, -1, "[505 504] 0"},
        {North, {504}, 1, -1, "[505 405] 0"},
        {North, {504, 405}, 1, -1, "[505 605] 0"},
        // Every way blocked by friends: the first friend's hex, and one more step off it.
        {North, {504, 405, 605}, 1, -1, "[505 504 503] 0"},
        {South, {}, 1, -1, "[505 506] 0"},
        {South, {506}, 1, -1, "[505 406] 0"},
        {South, {506, 406}, 1, -1, "[505 606] 0"},
        {East, {}, 1, -1, "[505 605] 0"},
        {East, {605}, 1, -1, "[505 606] 0"},
        {East, {605, 606}, 1, -1, "[505 504] 0"},
        {East, {605, 606, 504}, 1, -1, "[505 506] 0"},
        {West, {}, 1, -1, "[505 405] 0"},
        {West, {405}, 1, -1, "[505 406] 0"},
        {West, {405, 406}, 1, -1, "[505 504] 0"},
        {West, {405, 406, 504}, 1, -1, "[505 506] 0"},
        {NorthEast, {}, 1, -1, "[505] 1"},
        {SouthWest, {}, 1, -1, "[505] 1"},
        {NoDirection, {}, 1, -1, "[505] 1"},
        // Eastward, the odd steps zig-zag when the other diagonal is free.
        {East, {}, 2, -1, "[505 605 705] 0"},
        {East, {705}, 2, -1, "[505 605 704] 0"},
        {East, {}, 3, -1, "[505 605 705 805] 0"},
        {East, {}, 4, -1, "[505 605 705 805 905] 0"},
        // An enemy leader at 404 is beside 504 and 503: each becomes a last step that earns another.
        {North, {}, 1, 403, "[505 504] 0"},
        {North, {}, 1, 404, "[505 504 503 502] 0"},
        {North, {504, 405, 605}, 1, 404, "[505 504 503 502] 0"},
        {North, {504, 405, 605}, 1, 303, "[505 504 503] 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.routDirection, row.path));
        clearUnits();
        auto& unit = add({1, 505});
        friends(row.friends);
        if (row.enemyLeader >= 0) commander(9, row.enemyLeader, 2);
        unit.setRoutDirection(row.routDirection);
        layer.clearLog();
        unit.RoutMove(row.hexes);
        EXPECT_EQ(layer.lines({"DoRout"}), Lines{"DoRout 1 " + std::string(row.path)});
    }
}

TEST_F(Rout, AFriendInAnEnemyZoneIsTheLastResortAndAnEmptyHexThereIsNone) {
    layer.zocAnswer = 1;
    auto& unit = add({1, 505});
    unit.setRoutDirection(North);
    unit.RoutMove(2);
    EXPECT_EQ(layer.lines({"DoRout", "AddCommentary"}),
              (Lines{"AddCommentary \\BUnit 1\\b is doing a terminal rout!", "DoRout 1 [505] 1"}));
    clearUnits();
    auto& second = add({1, 505});
    add({2, 504});
    second.setRoutDirection(North);
    second.RoutMove(2);
    // 504 through the enemy's zone for the friend there; 503 is empty and in the zone too.
    EXPECT_EQ(layer.lines({"DoRout"}), Lines{"DoRout 1 [505 504] 1"});
    EXPECT_EQ(layer.lines({"TQHit"}), Lines{});
}

TEST_F(Rout, AnOffMapNeighbourGivesUpTheWholeSearch) {
    // 400 lies north-west of 500, but the first candidate leaves the map.
    auto& unit = add({1, 500});
    unit.setRoutDirection(North);
    unit.RoutMove(2);
    EXPECT_EQ(layer.lines({"DoRout"}), Lines{"DoRout 1 [500] 1"});
    EXPECT_EQ(layer.lines({"cmd 1 TerminalRout", "UnitEliminated"}),
              (Lines{"cmd 1 TerminalRout 500", "UnitEliminated 1 5 2 1"}));
    EXPECT_EQ(values(unit.isOutOfPlay(), map->isHexOccupied(500)), "1 0");
}

TEST_F(Rout, ARouteBackToItsStartIsATerminalRout) {
    layer.zocAnswer = 0;
    auto& unit = add({1, 505});
    friends({605, 606, 604, 503}, 2);
    unit.setRoutDirection(East);
    layer.clearLog();
    unit.RoutMove(2);
    // 504 by the third candidate, then every way but south back to 505 is held by the enemy.
    EXPECT_EQ(layer.lines({"DoRout", "AddCommentary"}),
              (Lines{"AddCommentary \\BUnit 1\\b is doing a terminal rout!", "DoRout 1 [505 504] 1"}));
    EXPECT_EQ(unit.isOutOfPlay(), 1);
}

TEST_F(Rout, UnitsRunThroughAreHitOrDestroyedAndALeaderIsLeftAlone) {
    // One column: the only way north is through the friends.
    useMap(MapFileBuilder(1, 12));
    layer.zocAnswer = 0;
    auto& unit = add({1, 9});
    auto& steady = add({2, 8});
    auto& broken = add({3, 7});
    broken.routing_ = 1;
    Leader& general = commander(4, 6, 1);
    unit.setRoutDirection(North);
    layer.clearLog();
    unit.RoutMove(2);
    EXPECT_EQ(
        layer.lines({"DoRout", "AddCommentary", "EliminateUnit", "TQHit"}),
        (Lines{"DoRout 1 [9 8 7 6 5] 0",
               "AddCommentary \\BUnit 2\\b taking a cohesion hit for having Unit 1 rout through him",
               "TQHit 1 2 0", "AddCommentary \\BUnit 3\\b is eliminated for having Unit 1 rout through him",
               "EliminateUnit 3"}));
    EXPECT_EQ(values(steady.getCohesionHits(), broken.isOutOfPlay(), general.isOutOfPlay(), general.getHex()),
              "1 1 0 6");
}

TEST_F(Rout, ALongUnitBlockedFromTurningFacesAboutAndIsEliminatedWhenStillBlocked) {
    layer.zocAnswer = 0;
    struct Row {
        std::vector<std::int16_t> enemies;
        Lines expected;
    } rows[] = {
        {{}, {"ChangeFacing 1 1 1", "DoRout 1 [505 504 503] 0"}},
        // Facing west on 506 and 505 after the about face, it swings north-east about 505.
        {{606}, {"ChangeFacing 2 3 1", "ChangeFacing 2 2 1", "DoRout 1 [405 404 403] 0"}},
        {{606, 406}, {"ChangeFacing 2 3 1", "EliminateUnit 1", "RoutingDone 1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.enemies.size()));
        clearUnits();
        auto& unit = add({1, 505, 1, East, 5, 4, 1});
        ASSERT_EQ(unit.getSecondHex(), 506);
        friends(row.enemies, 2);
        unit.setRoutDirection(North);
        layer.clearLog();
        unit.prepareToRout();
        EXPECT_EQ(layer.lines({"ChangeFacing", "DoRout", "EliminateUnit", "RoutingDone"}), row.expected);
    }
}

TEST_F(Rout, AnEliminatedUnitAnswersEveryRoutRequestWithRoutingDone) {
    auto& unit = add({1, 505});
    unit.setRoutDirection(North);
    unit.outOfPlay_ = 1;
    layer.clearLog();
    unit.RoutMove(2);
    unit.DoRout(listOf<short>({505, 504}), 0);
    EXPECT_EQ(layer.log, (Lines{"RoutingDone 1", "RoutingDone 1"}));
}

TEST_F(Rout, TheGamesPathPutsTheUnitAtItsEnd) {
    auto& unit = add({1, 505, 1, East, 5, 4, 1});
    layer.clearLog();
    unit.DoRout(listOf<short>({505, 504, 503}), 0);
    EXPECT_EQ(layer.log, Lines{"cmd 1 28 503"});
    EXPECT_EQ(values(unit.getHex(), unit.getSecondHex()), "503 504");
    EXPECT_EQ(occupantsOf(*map), "503:1 504:1");
    // A path from another machine that ends off the map, or holds nothing, moves no one.
    for (const List<short>& bad : {listOf<short>({503, 9999}), List<short>()}) {
        unit.DoRout(bad, 0);
        EXPECT_EQ(occupantsOf(*map), "503:1 504:1");
    }
}

} // namespace
} // namespace vael

namespace vael {
namespace {

std::vector<std::uint8_t> bytesOf(const SuperString& s) {
    const std::string raw = s.str();
    return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

TEST(RoutPayloads, ARoutAndARampageHaveFixedBytes) {
    TypeInfo<short> shorts;
    TypeInfo<RampageStruct> events;
    SuperString s;
    s << RoutInfo{3, test::listOf<short>({503, 502, 501}), 1} << RampageStruct{5, 20, 907, 1, 0}
      << DoRampageStruct{test::listOf<short>({909, 908}), 6};
    EXPECT_EQ(bytesOf(s),
              (std::vector<std::uint8_t>{3, 0,    3, 0, 0xF7, 1, 0xF6, 1, 0xF5, 1,    1, 0,    5, 0, 20,
                                         0, 0x8B, 3, 1, 0,    0, 0,    2, 0,    0x8D, 3, 0x8C, 3, 6, 0}));
    RoutInfo rout;
    RampageStruct event;
    DoRampageStruct run;
    s >> rout >> event >> run;
    ASSERT_FALSE(s.failed());
    EXPECT_EQ(test::values(rout.unitNumber, rout.path, rout.terminal), "3 [503 502 501] 1");
    EXPECT_EQ(event, (RampageStruct{5, 20, 907, 1, 0}));
    EXPECT_EQ(test::values(run.path, run.unitNumber), "[909 908] 6");
}

} // namespace
} // namespace vael
