#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rules/unit_rules_fixture.h"

namespace vael {
namespace {

using namespace test;
using Heard = std::vector<std::string>;

constexpr std::uint32_t home = 1, visitor = 2;

TEST(UnitFacing, StepsPassOverNorthAndSouth) {
    EXPECT_EQ(answers({NorthEast, East, SouthEast, SouthWest, West, NorthWest},
                      [](DIRECTION d) { return VaelUnit::stepFacing(d, 2); }),
              "3 4 6 7 8 2");
    EXPECT_EQ(answers({NorthEast, East, SouthEast, SouthWest, West, NorthWest},
                      [](DIRECTION d) { return VaelUnit::stepFacing(d, 1); }),
              "8 2 3 4 6 7");
}

class Turning : public UnitRules {};

TEST_F(Turning, ASingleHexUnitTurnsInOneGoAndSendsOneFacingCommand) {
    CombatMover& unit = place(7, 505);
    EXPECT_EQ(unit.Rotate(2, 3), 2);
    EXPECT_EQ(values(unit.getFacing(), unit.isDoneThisTurn(), occupants()), "6 1 505:7");
    EXPECT_EQ(heard(),
              (Heard{"27 {7 0 31 ChangeFacingDone d6 0}", "ChangeFacingDone 0", "ChangeFacing turn 2 3 7"}));
    // A leader turning keeps his orders.
    LeaderMover& leader = place<LeaderMover>(3, 303);
    leader.Rotate(1, 1);
    EXPECT_EQ(values(leader.getFacing(), leader.isDoneThisTurn()), "8 0");
}

TEST_F(Turning, ADoubleSizedUnitPivotsOnOneHexAStepAtATime) {
    CombatMover& big = place(8, 505, home, 1);
    ASSERT_EQ(big.getSecondHex(), 606);
    // Clockwise it swings its own hex around the second: north-east, east (605), south-east (705).
    EXPECT_EQ(big.Rotate(2, 2), 2);
    EXPECT_EQ(values(big.getFacing(), big.getHex(), big.getSecondHex(), occupants()),
              "4 705 606 705:8 606:8");
    EXPECT_EQ(heard(),
              (Heard{"27 {8 0 31 ChangeFacingDone d3 0}", "ChangeFacingDone 0",
                     "27 {8 0 31 ChangeFacingDone d4 0}", "ChangeFacingDone 0", "ChangeFacing turn 2 2 8"}));
    // Anticlockwise the second hex swings around the first: back to east, the second hex on 706.
    EXPECT_EQ(big.Rotate(1, 1), 2);
    EXPECT_EQ(values(big.getFacing(), big.getHex(), big.getSecondHex(), occupants()),
              "3 705 706 705:8 706:8");
    // Either way the pair stays a unit's two hexes: the second is the right flank of the first.
    EXPECT_EQ(big.rightFlankHex(big.getHex()), big.getSecondHex());
}

TEST_F(Turning, ATurnThatWouldSwingOffTheMapStopsShort) {
    CombatMover& big = place(8, 500, home, 1);
    big.setFacing(NorthWest);
    map->removeFromRegion(&big, big.getSecondHex());
    big.updateSecondHex();
    map->addToRegion(&big, big.getSecondHex());
    heard();
    // Anticlockwise the second hex would swing from 600 to above row 0.
    EXPECT_EQ(big.Rotate(1, 1), 2);
    EXPECT_EQ(values(big.getFacing(), big.getHex(), big.getSecondHex(), occupants()),
              "8 500 600 500:8 600:8");
    EXPECT_EQ(heard(), (Heard{"ChangeFacing turn 1 1 8"}));
}

TEST_F(Turning, ADoubleSizedAboutFaceSwapsItsHexesWithOneCommand) {
    CombatMover& big = place(8, 505, home, 1);
    heard();
    EXPECT_EQ(big.Rotate(2, 3), 2);
    EXPECT_EQ(values(big.getFacing(), big.getHex(), big.getSecondHex(), occupants()),
              "6 606 505 505:8 606:8");
    EXPECT_EQ(heard(),
              (Heard{"27 {8 0 AboutFace AboutFaceDone c0 0}", "AboutFaceDone 0", "ChangeFacing turn 2 3 8"}));
}

TEST_F(Turning, AnEnemyThatMayWithdrawStopsThePivotAndOpensASegment) {
    CombatMover& big = place(8, 505, home, 1);
    place(20, 604, visitor, 0, 8); // enemy cavalry next to 605, where the first step swings to
    EXPECT_EQ(big.Rotate(2, 2), 1);
    EXPECT_EQ(values(big.getFacing(), big.getHex(), big.getSecondHex()), "3 605 606");
    EXPECT_EQ(big.notes, (std::vector<std::string>{"BeginOWSegment"}));
    EXPECT_EQ(heard().back(), "BeginOWSegment 0");
}

TEST_F(Turning, AUnitThatRoutsWhileTurningClockwiseStopsAtOnce) {
    CombatMover& big = place(8, 505, home, 1);
    big.routing = 1;
    heard();
    EXPECT_EQ(big.ChangeFacing(2, 2), 0);
    EXPECT_EQ(values(big.getFacing(), big.getHex()), "3 605");
    EXPECT_EQ(heard(),
              (Heard{"27 {8 0 31 ChangeFacingDone d3 0}", "ChangeFacingDone 0", "ChangeFacingDone 0"}));
}

TEST_F(Turning, ASelectedUnitRelightsItsMovesUnlessItHasMoved) {
    CombatMover& unit = place(7, 505);
    unit.selected_ = 1;
    unit.setValidMoves({505, 504});
    unit.movementLeft_ = 0;
    unit.ChangeFacing(2, 1);
    // With no movement left the moves are an empty reach of the own hex.
    EXPECT_EQ(heard(), (Heard{"46 [505 504]", "27 {7 0 31 ChangeFacingDone d3 0}", "ChangeFacingDone 0",
                              "62 221", "62 220", "45 [505]", "56 0"}));
    unit.hasMoved_ = 1;
    unit.movementLeft_ = 1;
    unit.ChangeFacing(2, 1);
    EXPECT_EQ(heard(), (Heard{"46 [505]", "27 {7 0 31 ChangeFacingDone d4 0}", "ChangeFacingDone 0"}));
    unit.noHighlight_ = 1;
    unit.ChangeFacing(2, 1);
    EXPECT_EQ(heard(), (Heard{"27 {7 0 31 ChangeFacingDone d6 0}", "ChangeFacingDone 0"}));
}

TEST_F(Turning, RotateToTurnsTheShorterWayAndAnticlockwiseOnATie) {
    CombatMover& unit = place(7, 505);
    struct Row {
        DIRECTION from, to;
        const char* order;
        DIRECTION after;
    } rows[] = {
        {NorthEast, SouthWest, "turn 1 3 7", SouthWest}, {NorthEast, NorthWest, "turn 1 1 7", NorthWest},
        {NorthEast, SouthEast, "turn 2 2 7", SouthEast}, {NorthEast, South, "turn 1 3 7", SouthWest},
        {East, North, "turn 1 1 7", NorthEast},          {NorthEast, NorthEast, "", NorthEast},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.from, row.to));
        unit.setFacing(row.from);
        heard();
        unit.RotateTo(row.to);
        std::string order;
        for (const std::string& h : heard())
            if (h.rfind("ChangeFacing turn", 0) == 0) order = h.substr(13);
        EXPECT_EQ(values(order, unit.getFacing()), values(row.order, row.after));
    }
    EXPECT_EQ(unit.Rotate(1, 0), 0);
    EXPECT_TRUE(heard().empty());
}

TEST_F(Turning, ADoubleSizedUnitCannotSwingIntoAnOccupiedHexOrAcrossAnImpassableSide) {
    useMap(MapFileBuilder(10, 10).addSide(505, 2, 20)); // impassable between 505 and 605
    CombatMover& big = place(8, 505, home, 1);
    CombatMover& single = place(9, 202);
    // East swings 505 to 605 across the impassable side; north-west swings 606 to 605 (no side between).
    EXPECT_EQ(values(big.canRotateTo(East), big.canRotateTo(NorthWest), big.canRotateTo(SouthWest),
                     single.canRotateTo(East)),
              "0 1 1 1");
    place(10, 605, visitor);
    EXPECT_EQ(values(big.canRotateTo(NorthWest), big.canRotateTo(SouthWest), big.canRotateTo(West)), "0 1 0");
}

TEST_F(Turning, AnAboutFaceCostsThreePointsButNeverMoreThanAreLeft) {
    for (std::uint16_t left : {5, 3, 2, 0}) {
        SCOPED_TRACE(left);
        CombatMover& unit = place(7, 303);
        unit.movementLeft_ = left;
        heard();
        unit.UnitAboutFace();
        EXPECT_EQ(values(unit.getMovementLeft(), unit.getFacing()), values(left > 3 ? left - 3 : 0, 6));
        EXPECT_EQ(heard().back(), "UnitMovementDone u7");
        layer.units.clear();
    }
}

class UnitQueries : public UnitRules {};

TEST_F(UnitQueries, NumberedQueriesAnswerTheUnitsOwnValuesAndMinusOneForAnyOther) {
    CombatMover& unit = place(7, 505, 3);
    unit.movementLeft_ = 4;
    MissileMover& archer = place<MissileMover>(8, 202, home, 1);
    EXPECT_EQ(
        answers({4, 5, 10, 11, 12, 13, 20}, [&](int c) { return unit.Query(static_cast<std::int16_t>(c)); }),
        "6 4 505 -1 2 3 0");
    EXPECT_EQ(answers({11, 20}, [&](int c) { return archer.Query(static_cast<std::int16_t>(c)); }), "302 1");
    EXPECT_EQ(answers({0, 1, 3, 6, 9, 19, 21, 25, -1, -32768},
                      [&](int c) { return unit.Query(static_cast<std::int16_t>(c)); }),
              "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1");
}

TEST_F(UnitQueries,
       TheNearestEnemyIsFoundRingByRingTheLeaderIsAskedForAndEnemiesWithinARadiusCountOnlyFirstInTheirHex) {
    CombatMover& unit = place(7, 505);
    EXPECT_EQ(unit.nearestEnemyHex(), -1);
    place(8, 503, home);
    place(9, 503, visitor); // second on its hex, two rings out: it counts for the nearest, not for the radius
    EXPECT_EQ(values(unit.nearestEnemyHex(), unit.enemyWithin(1), unit.enemyWithin(2), unit.enemyWithin(5)),
              "503 0 0 0");
    place(10, 507, visitor);
    EXPECT_EQ(values(unit.enemyWithin(1), unit.enemyWithin(2)), "0 1");
    place(11, 506, visitor);
    EXPECT_EQ(unit.nearestEnemyHex(), 506);
    place(12, 405, home);
    EXPECT_EQ(values(unit.unitAt(505), unit.unitAt(503), unit.unitAt(808), unit.distanceTo(808)), "7 8 -1 4");
    place<LeaderMover>(3, 508);
    unit.leaderId_ = 3;
    const std::int16_t found = unit.FindLeader();
    unit.leaderId_ = 4; // no leader of that number
    EXPECT_EQ(values(found, unit.FindLeader()), "3 -1");
    layer.inCommandRange = 0;
    const std::int16_t outside = unit.UnitInCommandRange();
    layer.inCommandRange = 1;
    EXPECT_EQ(values(outside, unit.UnitInCommandRange()), "0 1");
}

TEST_F(UnitQueries, ALegalDestinationIsAValidMoveThatIsNotBlocked) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1;
    place(8, 504, visitor);
    EXPECT_EQ(answers({505, 506, 504, 503, 707}, [&](short h) { return unit.canMoveTo(h); }), "1 1 0 0 0");
}

} // namespace
} // namespace vael
