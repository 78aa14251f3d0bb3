#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "support/failed_checks.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;
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
            EXPECT_EQ(layer.lines({"AddCommentary", "DoRestoreCohesion", "UnitRallied", "DoRout"}),
                      (Lines{"AddCommentary \\BUnit 1\\b has successfully rallied.", row.outcome,
                             values("UnitRallied 1", row.TQ, 2)}));
            EXPECT_EQ(values(unit.isRouting(), unit.hasRallied(), unit.isDoneThisTurn()), "0 1 1");
        } else {
            EXPECT_EQ(
                layer.lines({"AddCommentary", "DoRestoreCohesion", "UnitRallied", "DoRout"}),
                (Lines{"AddCommentary \\BUnit 1\\b unsuccessfully rallied.  He is now terminally routing!",
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

} // namespace
} // namespace vael
