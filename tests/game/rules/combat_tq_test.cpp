#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/failed_checks.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;
using TroopQuality = FightingUnits;

TEST_F(TroopQuality, ACheckPassesOnlyBelowTheThreshold) {
    auto& unit = add({1, 505, 1, East, 5});
    struct Row {
        std::int16_t roll;
        bool routing, passed;
        std::int16_t margin;
    } rows[] = {{4, false, true, 0}, {5, false, false, 0}, {6, false, false, 1}, {9, false, false, 4},
                {0, true, true, 0},  {1, true, false, 0},  {4, true, false, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.roll, row.routing));
        unit.routing_ = row.routing;
        const TQCheck check = unit.tqCheck(row.roll);
        EXPECT_EQ(check.passed, row.passed);
        EXPECT_EQ(check.margin, row.margin);
    }
}

TEST_F(TroopQuality, HitsAreAnnouncedThenAppliedAnAdvanceStopsOneShortOfRoutingAndTwoTogetherReachTheRout) {
    auto& unit = add({1, 505, 1, East, 5});
    auto& pair = add({2, 808, 1, East, 5});
    layer.applyHits = false;
    unit.cohesionHits_ = 3;
    unit.advancing_ = 1;
    EXPECT_EQ(unit.tqHit(3, 4), 0);
    EXPECT_EQ(unit.tqHit(5, 4), 0); // the hit still pending leaves nothing to take short of routing
    unit.advancing_ = 0;
    EXPECT_EQ(values(unit.tqHit(0, 4), unit.tqHit(-2, 4)), "0 0");
    EXPECT_EQ(values(joined(layer.lines({"TQHit"})), unit.getPendingHits()), "TQHit 1 1 4 1");
    pair.cohesionHits_ = 2;
    EXPECT_EQ(pair.tqHit(2, 0), 0); // 2 + 2 < 5
    EXPECT_EQ(pair.tqHit(2, 0), 1); // 2 + 4 >= 5
    EXPECT_EQ(values(pair.getPendingHits(), pair.willRout()), "4 1");
}

TEST_F(TroopQuality, ASelectedUnitThatWillRoutLetsGoOfTheSelectionAndHitsOutsideADispatchAreNotLeftPending) {
    auto& unit = add({1, 505, 1, East, 5});
    layer.applyHits = false;
    unit.selected_ = 1;
    unit.tqHit(4, 0);
    EXPECT_EQ(layer.lines({"UnitDeselected"}).size(), 0u);
    unit.tqHit(1, 0);
    EXPECT_EQ(layer.lines({"UnitDeselected"}).size(), 1u);
    layer.applyHits = true;
    auto& other = add({2, 808, 1, East, 5});
    EXPECT_EQ(other.tqHit(2, 0), 0);
    EXPECT_EQ(values(other.getCohesionHits(), other.getPendingHits()), "2 0");
}

TEST_F(TroopQuality, AppliedHitsShowAsAPercentAndRoutTheUnitAtItsTQ) {
    auto& unit = add<Hypaspist>({7, 505, 2, East, 5});
    unit.setRoutDirection(East);
    unit.tqHit(3, 2);
    EXPECT_EQ(layer.log, (Lines{"TQHit 3 7 2", "cmd 7 CohesionHit 60 cause 2"}));
    layer.clearLog();
    EXPECT_EQ(unit.tqHit(3, 0), 1);
    // Applied inside the dispatch of "TQHit": the immediate "RemoveFromCombat" and the zone questions of
    // the rout overtake the queued sends; the rout runs east, zig-zagging on its second step.
    EXPECT_EQ(layer.log,
              (Lines{"TQHit 3 7 0", "RemoveFromCombat 7", "InZOC 605", "InZOC 705",
                     "cmd 7 CohesionHit 120 cause 0", "AddCommentary \\BUnit 7\\b is routing!",
                     "UnitRouted 2 5 2", "cmd 7 35 505", "DoRout 7 [505 605 705] 0", "cmd 7 28 705"}));
    EXPECT_EQ(values(unit.getCohesionHits(), unit.isRouting(), unit.willRout(), unit.getPendingHits()),
              "5 1 0 0");
    EXPECT_EQ(text(unit.getZOCHexes()), "[]");
    layer.clearLog();
    unit.CohesionHit(2, 0); // a routing unit takes no more
    EXPECT_EQ(layer.log, Lines{});
    EXPECT_EQ(unit.getCohesionHits(), 5);
}

TEST_F(TroopQuality, ChariotsAndBoltThrowersAreEliminatedAndElephantsRampage) {
    const std::string gone = "|EliminateUnit 1|RemoveFromCombat 1|UnitEliminated 1 5 ";
    struct Row {
        int type;
        std::string expected;
    } rows[] = {
        {14, "AddCommentary \\BUnit 1\\b is eliminated!" + gone + "14 1"},
        {15, "AddCommentary \\BUnit 1\\b is routing!" + gone + "15 1"},
        // A stand-in of the elephant's code routs as any unit does, here with no way to go.
        {13,
         "RemoveFromCombat 1|AddCommentary \\BUnit 1\\b is rampaging!|UnitRouted 1 5 13|"
         "AddCommentary \\BUnit 1\\b is doing a terminal rout!|RemoveFromCombat 1|UnitEliminated 1 5 13 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        clearUnits();
        auto& unit = add({1, 505, 1, East, 5}, row.type);
        layer.clearLog();
        unit.tqHit(5, 0);
        EXPECT_EQ(joined(layer.lines({"AddCommentary", "EliminateUnit", "UnitRouted", "UnitEliminated",
                                      "RemoveFromCombat"})),
                  row.expected);
    }
}

TEST_F(TroopQuality, RestoringCohesionRemovesHitsByTheLeadersInitiative) {
    struct Row {
        std::int16_t initiative;
        int roll;
        short inZoc;
        int removed;
    } rows[] = {
        {4, 4, 0, 0},  {4, 5, 0, 1},  {4, 44, 0, 1}, {4, 45, 0, 2}, {4, 94, 0, 2}, {4, 95, 0, 3},
        {6, 0, 0, 1},  {6, 36, 0, 1}, {6, 37, 0, 2}, {6, 86, 0, 2}, {6, 87, 0, 3}, {6, 199, 0, 3},
        {2, 12, 0, 0}, {2, 13, 0, 1}, {2, 99, 0, 2}, {4, 30, 1, 0}, {4, 44, 1, 0}, {4, 45, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.initiative, row.roll, row.inZoc));
        clearUnits();
        auto& unit = add({1, 505, 1, East, 6});
        unit.cohesionHits_ = 3;
        layer.zocAnswer = row.inZoc;
        layer.clearLog();
        ScriptedRolls rolls{row.roll};
        unit.restoreCohesion(row.initiative);
        const int left = 3 - row.removed;
        const std::string hits = row.removed == 1 ? " cohesion hit removed." : " cohesion hits removed.";
        EXPECT_EQ(layer.lines(
                      {"AddCommentary", "DoRestoreCohesion", "CohesionRestored", "UnitDeselected", "InZOC"}),
                  (Lines{"InZOC 505", "AddCommentary \\BUnit 1\\b had " + std::to_string(row.removed) + hits,
                         "DoRestoreCohesion " + std::to_string(left) + " 1", "CohesionRestored 1",
                         "UnitDeselected 0"}));
        EXPECT_EQ(values(unit.getCohesionHits(), unit.getMovementLeft(), unit.isDoneThisTurn()),
                  values(left, 0, 1));
    }
}

TEST_F(TroopQuality, RestoringFromRoutingIsARallyAndACountAboveTheTroopQualityStopsAtIt) {
    auto& unit = add({1, 505, 2, East, 6});
    auto& other = add({2, 808, 2, East, 6});
    unit.cohesionHits_ = 6;
    unit.routing_ = 1;
    unit.setCohesionHits(2);
    EXPECT_EQ(values(unit.isRouting(), unit.getUsedThisTurn(), unit.hasRallied(), unit.isDoneThisTurn(),
                     unit.getMovementLeft()),
              "0 1 1 1 0");
    other.setCohesionHits(9);
    EXPECT_EQ(other.getCohesionHits(), 6);
    EXPECT_EQ(layer.log,
              (Lines{"cmd 1 RestoreCohesion 33", "UnitRallied 2 6 2", "cmd 2 RestoreCohesion 100"}));
}

TEST_F(TroopQuality, TheRestoreOrderTakesTheInitiativeAsEitherKindOfShort) {
    auto& unit = add({1, 505, 1, East, 6});
    unit.cohesionHits_ = 3;
    ScriptedRolls rolls{0, 0};
    Container<short> plain(4);
    Container<unsigned short> unsignedInitiative(4);
    Combat::onUnitRestoreCohesion(&unit, BusMessage(), &plain);
    Combat::onUnitRestoreCohesion(&unit, BusMessage(), &unsignedInitiative);
    EXPECT_EQ(layer.lines({"CohesionRestored"}).size(), 2u);
    FailedChecks checks;
    Container<long> wrong(4);
    Combat::onUnitRestoreCohesion(&unit, BusMessage(), &wrong);
    ASSERT_EQ(checks.count(), 1u);
    EXPECT_NE(checks.texts[0].find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_EQ(checks.captions[0].find("Failure in TQ at line"), 0u);
    EXPECT_EQ(layer.lines({"CohesionRestored"}).size(), 2u);
}

} // namespace
} // namespace vael
