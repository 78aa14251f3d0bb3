#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/super_string.h"
#include "framework/core/type_info.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rout/rout_records.h"
#include "support/failed_checks.h"
#include "support/queue_hook.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"
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

// The friend destroyed is past restoring: the order to restore his cohesion rolls no die and tells nothing,
// where the standing friend hit by the same rout has his hit taken off. Before, the destroyed one was told
// he "had 1 cohesion hit removed".
TEST_F(Rout, UnitsRunThroughAreHitOrDestroyedAndALeaderIsLeftAlone) {
    // One column: the only way north is through the friends.
    useMap(MapFileBuilder(1, 12));
    layer.zocAnswer = 0;
    auto& unit = add({1, 9});
    auto& steady = add({2, 8});
    auto& broken = add({3, 7});
    broken.routing_ = 1;
    broken.cohesionHits_ = 3;
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
    const auto told = [&] {
        return layer.lines({"AddCommentary", "DoRestoreCohesion", "CohesionRestored", "UnitDeselected"});
    };
    {
        SCOPED_TRACE("destroyed");
        layer.clearLog();
        // d100 50 with initiative 4 would take two hits off a unit still in the battle.
        ScriptedRolls rolls{50};
        broken.restoreCohesion(4);
        EXPECT_EQ(told(), Lines{});
        EXPECT_EQ(values(rolls.left(), broken.getCohesionHits()), "1 3");
    }
    {
        SCOPED_TRACE("hit, standing");
        layer.clearLog();
        ScriptedRolls rolls{5};
        steady.restoreCohesion(4);
        EXPECT_EQ(told(), (Lines{"AddCommentary \\BUnit 2\\b had 1 cohesion hit removed.", "DoRestoreCohesion 0 2",
                                 "CohesionRestored 2", "UnitDeselected 0"}));
        EXPECT_EQ(rolls.left(), 0u);
    }
}

// A two-hex friend across the column stands on two hexes of the path: it is run through once, a standing
// one taking one hit and a routing one eliminated once.
TEST_F(Rout, ATwoHexUnitOnTwoHexesOfThePathIsRunThroughOnce) {
    for (bool routing : {false, true}) {
        SCOPED_TRACE(routing ? "routing" : "standing");
        clearUnits();
        useMap(MapFileBuilder(1, 12));
        layer.zocAnswer = 0;
        auto& unit = add({1, 9});
        auto& wide = add({2, 7, 1, East, 5, 4, 1});
        ASSERT_EQ(values(wide.getSecondHex(), map->firstOccupant(8) == &wide), "8 1");
        wide.routing_ = routing ? 1 : 0;
        unit.setRoutDirection(North);
        layer.clearLog();
        unit.RoutMove(2);
        const Lines hit{"AddCommentary \\BUnit 2\\b taking a cohesion hit for having Unit 1 rout through him",
                        "TQHit 1 2 0"};
        const Lines eliminated{"AddCommentary \\BUnit 2\\b is eliminated for having Unit 1 rout through him",
                               "EliminateUnit 2"};
        EXPECT_EQ(layer.lines({"AddCommentary", "EliminateUnit", "TQHit"}), routing ? eliminated : hit);
        EXPECT_EQ(values(wide.getCohesionHits(), wide.isOutOfPlay()), routing ? "0 1" : "1 0");
    }
}

// A friend routs through a unit whose rally has just succeeded while the game flow's restoration of its
// hits still waits in the queue: the unit stands again already, so it takes a cohesion hit and is not
// eliminated as a routing unit; its rally is reported once. One whose elimination is already decided is
// not run through at all.
TEST_F(Rout, AUnitJustRalliedIsRunThroughAsAStandingOneAndOneOnItsWayOutNotAtAll) {
    struct Row {
        const char* what;
        bool rallied, condemned;
        Lines expected;
    } rows[] = {
        {"still routing", false, false,
         {"AddCommentary \\BUnit 3\\b is eliminated for having Unit 1 rout through him", "EliminateUnit 3"}},
        {"just rallied", true, false,
         {"AddCommentary \\BUnit 3\\b has successfully rallied.", "UnitRallied 1 6 2",
          "AddCommentary \\BUnit 3\\b taking a cohesion hit for having Unit 1 rout through him", "TQHit 1 3 0"}},
        {"its elimination decided", false, true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // One column: the only way north is through the friend.
        clearUnits();
        useMap(MapFileBuilder(1, 12));
        layer.zocAnswer = 0;
        layer.applyRestore = false;
        auto& unit = add({1, 9});
        auto& broken = add({3, 7, 1, NorthEast, 6});
        broken.routing_ = 1;
        broken.cohesionHits_ = 6;
        broken.setRoutDirection(North);
        unit.setRoutDirection(North);
        layer.clearLog();
        ScriptedRolls rolls;
        if (row.rallied) {
            rolls.add({0, 9}); // the initiative test passes; TQ 6 and a 9 remove 4 hits
            EXPECT_EQ(broken.attemptRally(5), 1);
        }
        if (row.condemned) broken.condemn();
        unit.RoutMove(2);
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(layer.lines({"AddCommentary", "EliminateUnit", "TQHit", "UnitRallied"}), row.expected);
        EXPECT_EQ(values(broken.isRouting(), broken.isOutOfPlay(), broken.getCohesionHits()),
                  row.rallied ? "0 0 3" : row.condemned ? "1 0 6" : "0 1 6"); // rallied: 6 - 4 + 1
        layer.applyRestore = true;
    }
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
        // Still blocked: it is told eliminated, not left routing in the commentary.
        {{606, 406},
         {"ChangeFacing 2 3 1", "AddCommentary \\BUnit 1\\b was eliminated!", "EliminateUnit 1", "RoutingDone 1"}},
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
        EXPECT_EQ(layer.lines({"ChangeFacing", "AddCommentary", "DoRout", "EliminateUnit", "RoutingDone"}),
                  row.expected);
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

TEST(RoutPayloads, ARoutAndARampageHaveFixedBytes) {
    TypeInfo<short> shorts;
    TypeInfo<RampageStruct> events;
    SuperString s;
    s << RoutInfo{3, listOf<short>({503, 502, 501}), 1} << RampageStruct{5, 20, 907, 1, 0}
      << DoRampageStruct{listOf<short>({909, 908}), 6};
    EXPECT_EQ(bytesOf(s),
              (std::vector<std::uint8_t>{3, 0,    3, 0, 0xF7, 1, 0xF6, 1, 0xF5, 1,    1, 0,    5, 0, 20,
                                         0, 0x8B, 3, 1, 0,    0, 0,    2, 0,    0x8D, 3, 0x8C, 3, 6, 0}));
    RoutInfo rout;
    RampageStruct event;
    DoRampageStruct run;
    s >> rout >> event >> run;
    ASSERT_FALSE(s.failed());
    EXPECT_EQ(values(rout.unitNumber, rout.path, rout.terminal), "3 [503 502 501] 1");
    EXPECT_EQ(event, (RampageStruct{5, 20, 907, 1, 0}));
    EXPECT_EQ(values(run.path, run.unitNumber), "[909 908] 6");
}

using Rally = FightingUnits;

// A routing unit on 505 whose side routs north: a failed rally runs it off the map's top edge.
TEST_F(Rally, TheInitiativeTestThenTheChartByTroopQualityBand) {
    struct Row {
        std::int16_t initiative, TQ, hits;
        std::vector<int> rolls;
        std::int16_t rallied;
        const char* outcome; // "DoRestoreCohesion ..." or the terminal rout
    } rows[] = {
        {2, 5, 5, {3, 6}, 1, "DoRestoreCohesion 2 1"},
        {2, 5, 5, {4}, 0, "DoRout 1 [505 504 503 502 501 500] 1"},
        {7, 5, 5, {8, 0}, 1, "DoRestoreCohesion 4 1"},
        {7, 5, 5, {9}, 0, "DoRout 1 [505 504 503 502 501 500] 1"},
        {8, 5, 5, {9, 1}, 1, "DoRestoreCohesion 4 1"},
        {9, 3, 3, {0, 2}, 1, "DoRestoreCohesion 1 1"},
        {9, 3, 3, {0, 5}, 1, "DoRestoreCohesion 1 1"},
        {9, 3, 3, {0, 6}, 0, "DoRout 1 [505 504 503 502 501 500] 1"},
        {9, 3, 3, {0, 9}, 0, "DoRout 1 [505 504 503 502 501 500] 1"},
        {9, 4, 4, {0, 6}, 1, "DoRestoreCohesion 1 1"},
        {9, 5, 5, {0, 8}, 1, "DoRestoreCohesion 1 1"},
        {9, 6, 6, {0, 9}, 1, "DoRestoreCohesion 2 1"},
        {9, 6, 6, {0, 7}, 1, "DoRestoreCohesion 3 1"},
        // Fewer hits than the chart removes leaves none, not a negative count.
        {9, 6, 1, {0, 9}, 1, "DoRestoreCohesion 0 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.initiative, row.TQ, row.hits, row.rolls.front()));
        clearUnits();
        auto& unit = add({1, 505, 1, NorthEast, row.TQ});
        unit.setRoutDirection(North);
        unit.routing_ = 1;
        unit.cohesionHits_ = static_cast<std::uint16_t>(row.hits);
        layer.clearLog();
        ScriptedRolls rolls;
        for (int r : row.rolls)
            rolls.add({r});
        EXPECT_EQ(unit.attemptRally(row.initiative), row.rallied);
        EXPECT_EQ(rolls.left(), 0u);
        if (row.rallied) {
            // The rally holds at once: it is reported before the game flow is asked to restore the hits.
            EXPECT_EQ(layer.lines({"AddCommentary", "DoRestoreCohesion", "UnitRallied", "DoRout"}),
                      (Lines{"AddCommentary \\BUnit 1\\b has successfully rallied.",
                             values("UnitRallied 1", row.TQ, 2), row.outcome}));
            EXPECT_EQ(values(unit.isRouting(), unit.hasRallied(), unit.isDoneThisTurn()), "0 1 1");
        } else {
            EXPECT_EQ(
                layer.lines({"AddCommentary", "DoRestoreCohesion", "UnitRallied", "DoRout"}),
                (Lines{"AddCommentary \\BUnit 1\\b unsuccessfully rallied.  It is now terminally routing!",
                       "AddCommentary \\BUnit 1\\b is doing a terminal rout!", row.outcome}));
            EXPECT_EQ(unit.isOutOfPlay(), 1);
        }
    }
}

TEST_F(Rally, ASelectedRoutingUnitMayOnlyBeRalliedAndTheOrderSpendsItsTurn) {
    struct Row {
        std::int16_t doubleSized;
        const char* hexes;
    } rows[] = {{0, "[505]"}, {1, "[505 506]"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.doubleSized);
        clearUnits();
        layer.logHighlights = true;
        auto& unit = add({1, 505, 1, East, 5, 4, row.doubleSized});
        unit.routing_ = 1;
        unit.cohesionHits_ = 5;
        layer.clearLog();
        unit.registerSelectedMessages();
        EXPECT_EQ(layer.lines({"menu+ 213", "light+"}),
                  (Lines{"menu+ 213", std::string("light+ ") + row.hexes}));
        layer.clearLog();
        ScriptedRolls rolls{0, 9};
        Container<short> initiative(3);
        layer.sendNamed("Rally", &initiative);
        EXPECT_EQ(layer.lines({"UnitMovementDone", "light-", "DoRestoreCohesion", "menu- 213"}),
                  (Lines{"UnitMovementDone 1", std::string("light- ") + row.hexes, "DoRestoreCohesion 1 1",
                         "light- []", "menu- 213", "menu- 213"}));
        EXPECT_EQ(values(unit.getRallyTried(), unit.isDoneThisTurn(), unit.getPotentialToBeOrdered(),
                         unit.isSelected(), unit.isRouting()),
                  "1 1 0 0 0");
        // Neither the rally nor its deselection answers again.
        layer.clearLog();
        layer.sendNamed("Rally", &initiative);
        layer.sendNamedEmpty("UnitDeselected");
        EXPECT_EQ(layer.lines({"UnitMovementDone", "light-", "menu-", "DoRestoreCohesion"}), Lines{});
    }
}

TEST_F(Rally, DeselectingARoutingUnitDehighlightsEachOfItsHexes) {
    layer.logHighlights = true;
    auto& unit = add({1, 505, 1, East, 5, 4, 1});
    unit.routing_ = 1;
    unit.registerSelectedMessages();
    layer.clearLog();
    layer.sendNamedEmpty("UnitDeselected");
    EXPECT_EQ(layer.lines({"light-", "menu- 213"}),
              (Lines{"light- []", "menu- 213", "menu- 213", "light- 505", "light- 506"}));
    EXPECT_EQ(unit.isSelected(), 0);
    layer.clearLog();
    Container<short> initiative(3);
    layer.sendNamed("Rally", &initiative);
    EXPECT_EQ(layer.lines({"UnitMovementDone", "DoRestoreCohesion", "DoRout"}), Lines{});
}

TEST_F(Rally, ARallyWithoutTheLeadersInitiativeIsReported) {
    auto& unit = add({1, 505});
    unit.routing_ = 1;
    unit.registerSelectedMessages();
    FailedChecks checks;
    Container<int> wrong(3);
    layer.sendNamed("Rally", &wrong);
    ASSERT_EQ(checks.count(), 1u);
    EXPECT_NE(checks.texts[0].find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_NE((checks.texts[0] + checks.captions[0]).find("ROUT"), std::string::npos);
    EXPECT_EQ(unit.getRallyTried(), 0);
}

class Rampage : public FightingUnits {
protected:
    Open<Elephant>& elephant(const Troop& t) {
        ElephantUnitData r;
        static_cast<CombatUnitData&>(r) = record(t);
        r.missileType = 1;
        r.elephantValue = 9;
        return place(std::make_unique<Open<Elephant>>(r, r.name.c_str()), t.hex);
    }
    // Breaks the beast: one hit on its last point of cohesion.
    void breakIt(Open<Elephant>& beast) {
        beast.cohesionHits_ = static_cast<std::uint16_t>(beast.getTroopQuality() - 1);
        layer.clearLog();
        beast.tqHit(1, 0);
    }
    Lines rampageLog() const {
        return layer.lines({"BeginElephantRampage", "RampagingActions", "DoRampagingActions",
                            "cmd 1 ElephantRampage", "RoutingDone", "EliminateUnit", "UnitEliminated",
                            "UnitRouted", "TQHit"});
    }
};

TEST_F(Rampage, TheMahoutMayStopItAtOnceAndTheBeastStillLeavesPlayWhenTheDisplayIsDone) {
    for (int roll : {7, 8, 9}) {
        SCOPED_TRACE(roll);
        clearUnits();
        auto& beast = elephant({1, 505, 1, East, 5});
        ScriptedRolls rolls{roll};
        breakIt(beast);
        EXPECT_EQ(rampageLog(),
                  (Lines{"TQHit 1 1 0", "UnitRouted 1 2 13", "BeginElephantRampage 0", "RampagingActions",
                         "DoRampagingActions [505] 1", "cmd 1 ElephantRampage 0"}));
        EXPECT_EQ(values(map->isHexOccupied(505), beast.isOutOfPlay()), "0 0");
        layer.clearLog();
        Container<short> other(2);
        layer.sendNamed("DoneRampaging", &other);
        EXPECT_EQ(layer.log, Lines{});
        Container<short> own(1);
        layer.sendNamed("DoneRampaging", &own);
        EXPECT_EQ(layer.lines({"RoutingDone", "EliminateUnit", "UnitEliminated"}),
                  (Lines{"RoutingDone 1", "EliminateUnit 1", "UnitEliminated 1 2 13 1"}));
        EXPECT_EQ(beast.isOutOfPlay(), 1);
    }
}

// With the display the rampage may play on into the next activation or turn: till its end the beast,
// off the map's occupant lists and bound to leave play, is not ordered, rallied or moved by the rout phase.
// A routing elephant that has not begun its rampage is all of these.
TEST_F(Rampage, TheBeastIsPastOrdersRallyAndRoutMovesUntilTheDisplayHasPlayedIt) {
    for (const bool rampaging : {true, false}) {
        SCOPED_TRACE(rampaging);
        clearUnits();
        auto& beast = elephant({1, 505, 1, East, 5});
        if (rampaging) {
            ScriptedRolls rolls{7};
            breakIt(beast);
        } else {
            beast.routing_ = 1;
        }
        beast.LegalUnits(1, listOf<short>({505}));
        EXPECT_EQ(
            values(beast.isRampaging(), beast.isRouting(), beast.mayRally(), beast.getPotentialToBeOrdered()),
            rampaging ? "1 1 0 0" : "0 1 1 1");
        layer.clearLog();
        ScriptedRolls rolls{0, 0, 0, 0};
        beast.RoutMove(2);
        EXPECT_EQ(layer.lines({"DoRout"}).size(), rampaging ? 0u : 1u);
        EXPECT_EQ(map->isHexOccupied(505), 0);
        if (!rampaging) continue;
        // Its rampage's end is its rout's: it reports it and leaves play.
        layer.clearLog();
        Container<short> own(1);
        layer.sendNamed("DoneRampaging", &own);
        EXPECT_EQ(layer.lines({"RoutingDone", "EliminateUnit"}), (Lines{"RoutingDone 1", "EliminateUnit 1"}));
        EXPECT_EQ(values(beast.isRampaging(), beast.isOutOfPlay()), "0 1");
    }
}

// Loaded while the display still plays its rampage, a routing beast (the file keeps no link to the display)
// rampages on until that ends, once however often it is told to, and then falls as one broken here.
TEST_F(Rampage, ABeastLoadedWhileItsRampageIsShownRampagesOnUntilItEnds) {
    auto& beast = elephant({1, 505, 1, East, 5});
    beast.routing_ = 1;
    beast.awaitRampageEnd();
    beast.awaitRampageEnd();
    beast.LegalUnits(1, listOf<short>({505}));
    EXPECT_EQ(values(beast.isRampaging(), beast.mayRally(), beast.getPotentialToBeOrdered()), "1 0 0");
    layer.clearLog();
    Container<short> own(1);
    layer.sendNamed("DoneRampaging", &own);
    layer.sendNamed("DoneRampaging", &own);
    EXPECT_EQ(layer.lines({"RoutingDone", "EliminateUnit"}), (Lines{"RoutingDone 1", "EliminateUnit 1"}));
    EXPECT_EQ(values(beast.isRampaging(), beast.isOutOfPlay()), "0 1");
}

TEST_F(Rampage, EachRollSendsTheBeastThreeHexesOneWay) {
    struct Row {
        int roll;
        const char* run;
    } rows[] = {
        {0, "[505 504 503 502]"}, {1, "[505 504 503 502]"}, {2, "[505 605 704 804]"},
        {3, "[505 606 706 807]"}, {4, "[505 506 507 508]"}, {5, "[505 406 306 207]"},
        {6, "[505 405 304 204]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.roll);
        clearUnits();
        auto& beast = elephant({1, 505});
        ScriptedRolls rolls{row.roll, 7};
        breakIt(beast);
        EXPECT_EQ(layer.lines({"DoRampagingActions"}),
                  Lines{"DoRampagingActions " + std::string(row.run) + " 1"});
        EXPECT_EQ(rolls.left(), 0u);
    }
}

TEST_F(Rampage, FourLegsAtMostAndTheMapEdgeEndsItAtOnce) {
    useMap(MapFileBuilder(12, 16));
    auto& beast = elephant({1, 515});
    ScriptedRolls rolls{0, 0, 0, 0};
    breakIt(beast);
    EXPECT_EQ(layer.lines({"DoRampagingActions"}),
              Lines{"DoRampagingActions [515 514 513 512 511 510 509 508 507 506 505 504 503] 1"});
    clearUnits();
    auto& edge = elephant({1, 505});
    rolls.add({0, 0, 5});
    breakIt(edge);
    EXPECT_EQ(layer.lines({"DoRampagingActions"}), Lines{"DoRampagingActions [505 504 503 502 501 500] 1"});
    EXPECT_EQ(rolls.left(), 1u);
}

TEST_F(Rampage, WhatTheBeastDoesToTheUnitInItsWay) {
    // The beast runs north from 505 into 504; a unit there facing south-east has 505 among its front hexes.
    struct Row {
        const char* what;
        int type;
        DIRECTION facing;
        std::int16_t TQ;
        bool routing;
        const char* event;
        Lines hits;
    } rows[] = {
        {"infantry, from the front", 2, SouthEast, 5, false, "(2 20 504 0 0)", {"TQHit 1 2 4294967295"}},
        {"infantry, from behind", 2, NorthEast, 5, false, "(2 40 504 0 0)", {"TQHit 2 2 4294967295"}},
        {"infantry broken by it", 2, NorthEast, 2, false, "(2 100 504 1 0)", {"TQHit 2 2 4294967295"}},
        {"a routing unit", 2, NorthEast, 5, true, "(2 40 504 0 0)", {}},
        {"chariots, from the front", 14, SouthEast, 4, false, "(2 50 504 0 0)", {}},
        {"bolt throwers", 15, NorthEast, 4, false, "(2 50 504 0 0)", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& beast = elephant({1, 505});
        auto& victim = add({2, 504, 2, row.facing, row.TQ}, row.type);
        victim.routing_ = row.routing;
        ScriptedRolls rolls{0, 7};
        breakIt(beast);
        EXPECT_EQ(layer.lines({"RampagingActions"}), Lines{std::string("RampagingActions ") + row.event});
        EXPECT_EQ(layer.lines({"TQHit 1 2", "TQHit 2 2"}), row.hits);
    }
}

TEST_F(Rampage, HorsesAndLeadersGetOutOfTheWayOrPayForIt) {
    // One column, the beast running north from 5 into 4. Cavalry there faces it, yet takes two hits when it
    // cannot get away past the friends on 3 and 2 (whom the beast then tramples too); a leader with no
    // room to move cannot get away.
    useMap(MapFileBuilder(1, 12));
    struct Row {
        const char* what;
        bool leaderInWay, blocked;
        const char* events;
        Lines after;
    } rows[] = {
        {"cavalry withdraws", false, false, "(2 0 5 0 1)", {}},
        {"cavalry cannot", false, true, "(2 40 4 0 0) (3 40 3 0 0) (4 40 2 0 0)", {"TQHit 2 2 4294967295"}},
        {"a leader escapes", true, false, "(2 0 5 0 1)", {}},
        {"a leader is trampled", true, true, "(2 0 4 0 0)", {"EliminateUnit 2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& beast = elephant({1, 5});
        if (row.leaderInWay) {
            Leader& general = commander(2, 4, 2);
            if (row.blocked) general.setMovement(2);
        } else {
            add<HeavyCav>({2, 4, 2, SouthEast, 5});
            if (row.blocked) add({3, 3, 2}), add({4, 2, 2});
        }
        // 99 is no casualty for a leader who gets away and then, or else, the mahout's stake.
        ScriptedRolls rolls{0, 99, 99};
        breakIt(beast);
        EXPECT_EQ(layer.lines({"RampagingActions"}), Lines{std::string("RampagingActions ") + row.events});
        EXPECT_EQ(layer.lines({"TQHit 2 2 4294967295", "EliminateUnit 2"}), row.after);
    }
}

// Two beasts broken in one step: the first rolls its whole run before the queue runs anything, the second's
// rampage among it (its run is shown first, while the first waits for the display to hear of its own). The
// first is bound to leave play from its break, which what runs meanwhile sees.
TEST_F(Rampage, TheWholeRunIsRolledAtOnceBeforeAnythingQueuedRuns) {
    auto& first = elephant({1, 505});
    auto& second = elephant({2, 707});
    std::vector<int> firstGoing;
    QueueHook watch("DoRampagingActions", [&] { firstGoing.push_back(first.isEliminationDue()); });
    watch.attach(layer);
    ScriptedRolls rolls{0, 7, 4, 7};
    inOneStep(layer, [&] {
        for (Open<Elephant>* beast : {&first, &second}) {
            beast->cohesionHits_ = static_cast<std::uint16_t>(beast->getTroopQuality() - 1);
            beast->tqHit(1, 0);
        }
        layer.clearLog();
    });
    EXPECT_EQ(layer.lines({"DoRampagingActions"}),
              (Lines{"DoRampagingActions [707 708 709 710] 2", "DoRampagingActions [505 504 503 502] 1"}));
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(firstGoing, (std::vector<int>{1, 1}));
    EXPECT_EQ(values(first.isEliminationDue(), second.isEliminationDue()), "1 1");
    EXPECT_EQ(layer.lines({"AddCommentary"}), (Lines{"AddCommentary \\BUnit 1\\b is rampaging!",
                                                     "AddCommentary \\BUnit 2\\b is rampaging!"}));
}

// Once the battle's end is certain, or with the beast already off the field, a break rolls nothing and shows
// nothing: the beast told rampaging is bound to leave play, and so counted lost when the battle ends.
TEST_F(Rampage, ABeastBrokenOnceTheBattleIsSettledOrGoneRunsNowhere) {
    struct Row {
        const char* what;
        bool settled, gone;
        std::size_t rollsLeft;
        Lines log;
    } rows[] = {
        {"the battle open",
         false,
         false,
         0,
         {"TQHit 1 1 0", "AddCommentary \\BUnit 1\\b is rampaging!", "UnitRouted 1 2 13",
          "BeginElephantRampage 0", "RampagingActions", "DoRampagingActions [505 504 503 502] 1"}},
        {"the battle settled",
         true,
         false,
         2,
         {"TQHit 1 1 0", "AddCommentary \\BUnit 1\\b is rampaging!", "UnitRouted 1 2 13"}},
        {"the beast gone", false, true, 2, {"UnitRouted 1 2 13"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& beast = elephant({1, 505});
        layer.settled = [&row] { return row.settled; };
        ScriptedRolls rolls{0, 7};
        if (row.gone) {
            beast.disconnectHandlers();
            layer.clearLog();
            beast.rout();
        } else {
            breakIt(beast);
        }
        EXPECT_EQ(layer.lines({"TQHit", "AddCommentary", "UnitRouted", "BeginElephantRampage",
                               "RampagingActions", "DoRampagingActions"}),
                  row.log);
        EXPECT_EQ(rolls.left(), row.rollsLeft);
        EXPECT_EQ(values(beast.isEliminationDue(), map->isHexOccupied(505)), "1 0");
    }
    layer.settled = nullptr;
}

// A beast that tramples the commander whose fall decides the battle stops there; an ordinary leader's fall
// decides nothing, and the run goes on to the map's edge.
TEST_F(Rampage, TheRunStopsWhereTheBattleIsDecided) {
    useMap(MapFileBuilder(1, 12));
    for (const bool deciding : {true, false}) {
        SCOPED_TRACE(deciding);
        clearUnits();
        auto& beast = elephant({1, 5});
        Leader& general = commander(2, 4, 2);
        general.setMovement(2);
        layer.settled = [&general, deciding] { return deciding && general.isEliminationDue(); };
        ScriptedRolls rolls{0, 0, 0, 0};
        breakIt(beast);
        const Lines log = {"EliminateUnit 2", "RampagingActions (2 0 4 0 0)",
                           deciding ? "DoRampagingActions [5 4] 1" : "DoRampagingActions [5 4 3 2 1 0] 1"};
        EXPECT_EQ(layer.lines({"RampagingActions", "DoRampagingActions", "EliminateUnit 2"}), log);
        EXPECT_EQ(rolls.left(), deciding ? 3u : 2u);
    }
    layer.settled = nullptr;
}

TEST_F(Rampage, TheBeastIsWorthTwoAndMadeOnlyFromItsOwnRecord) {
    auto& beast = elephant({1, 505, 1, East, 6});
    EXPECT_EQ(
        values(beast.getUnitType(), beast.pointValue(), beast.getElephantValue(), beast.isMissileCapable()),
        "13 2 9 1");
    const HeavyCavUnitData other = record({5, 707});
    EXPECT_EQ(beast.create(other, "Other"), nullptr);
    ElephantUnitData own;
    static_cast<CombatUnitData&>(own) = other;
    own.missileType = 1;
    std::unique_ptr<VaelUnit> made(beast.create(own, "Made"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Query(9), 13);
    layer.clearLog();
    beast.rally();
    beast.disconnectHandlers();
    EXPECT_EQ(layer.lines({"UnitRallied", "UnitEliminated"}),
              (Lines{"UnitRallied 1 2 13", "UnitEliminated 1 2 13 1"}));
}

} // namespace
} // namespace vael
