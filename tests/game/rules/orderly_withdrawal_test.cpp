#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rules/combat_rules_fixture.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;
using OrderlyWithdrawal = CombatRules;

Lines segmentLines(const BattleLayer& layer) {
    return layer.lines({"Center On Region", "ResolveOW", "UnitOW", "OWResolved", "EndOWSegment"});
}

std::string owRecord(const VaelUnit& unit, const char* approacher = "505 65535") {
    return values(unit.getId(), 40, approacher, 2);
}

TEST_F(OrderlyWithdrawal, OnlyLightTroopsAndHorseMayStepBackFromTheRightApproachers) {
    struct Row {
        int approacher, enemy;
        std::int16_t routing;
        bool chance;
    } rows[] = {{2, 12, 0, true},   {2, 8, 0, true},    {2, 11, 0, true}, {8, 11, 0, false},
                {11, 11, 0, false}, {12, 11, 0, false}, {6, 11, 0, true}, {2, 7, 0, true},
                {0, 7, 0, true},    {6, 7, 0, false},   {3, 7, 0, false}, {2, 6, 0, false},
                {2, 13, 0, false},  {2, 14, 0, false},  {2, 12, 1, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.approacher, row.enemy, row.routing));
        clearUnits();
        flow.relays = false;
        auto& approacher = fighter({1, 505, 1, East}, row.approacher);
        auto& enemy = fighter({2, 605, 2, West}, row.enemy);
        enemy.routing_ = row.routing;
        layer.clearLog();
        approacher.BeginOWSegment();
        EXPECT_EQ(segmentLines(layer), row.chance
                                           ? (Lines{"Center On Region 505", "ResolveOW " + owRecord(enemy)})
                                           : (Lines{"EndOWSegment 1 1"}));
    }
}

TEST_F(OrderlyWithdrawal, AnEnemyHeldInTheZoneOfAnotherUnitLosesItsChance) {
    for (DIRECTION friendFacing : {West, East}) {
        SCOPED_TRACE(friendFacing);
        clearUnits();
        flow.relays = false;
        auto& approacher = fighter({1, 505, 1, East});
        auto& enemy = fighter({2, 605, 2, West}, 12);
        fighter({3, 705, 1, friendFacing});
        layer.clearLog();
        approacher.BeginOWSegment();
        EXPECT_EQ(segmentLines(layer), friendFacing == West
                                           ? (Lines{"EndOWSegment 1 1"})
                                           : (Lines{"Center On Region 505", "ResolveOW " + owRecord(enemy)}));
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

} // namespace
} // namespace vael
