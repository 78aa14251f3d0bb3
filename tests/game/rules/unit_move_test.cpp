#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rules/unit_rules_fixture.h"

namespace vael {
namespace {

using namespace test;
using Heard = std::vector<std::string>;

constexpr std::uint32_t home = 1, visitor = 2;

class BestPath : public UnitRules {
protected:
    // "result last facing [path]"
    std::string best(VaelUnit& unit, std::int16_t dest, std::int16_t flag = 1) {
        const BestPathResult r = unit.GetBestPath(dest, path, flag);
        return values(r.result, r.lastHex, r.facing, path);
    }
    List<short> path;
};

TEST_F(BestPath, TheFacingTowardTheDestinationTakesTheUnitsSideOnABorder) {
    CombatMover& unit = place(7, 505);
    struct Row {
        std::int16_t dest;
        DIRECTION facing;
        std::uint32_t toward;
    } rows[] = {
        {502, NorthEast, 2}, // bearing 0, on the border of north-east and north-west
        {502, NorthWest, 8}, {502, West, 8},
        {502, East, 2},      {507, NorthEast, 6}, // bearing 12, between south-east and south-west
        {507, SouthEast, 4}, {507, East, 4},
        {507, SouthWest, 6}, {703, NorthEast, 2}, // bearing 3: no border
        {705, NorthEast, 3},                      // bearing 6
        {305, NorthEast, 7},                      // bearing 18
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.dest, row.facing));
        unit.setFacing(row.facing);
        EXPECT_EQ(unit.GetBestPath(row.dest, path, 1).facing, row.toward);
    }
}

TEST_F(BestPath, AClearLineOfSightIsTheWayAndALeaderOnItDoesNotBlockIt) {
    CombatMover& unit = place(7, 505);
    EXPECT_EQ(best(unit, 502), "2 502 2 [505 504 503 502]");
    place<LeaderMover>(3, 504, home);
    EXPECT_EQ(best(unit, 502), "2 502 2 [505 504 503 502]");
    // With flag 0 the own hex leads the path untested.
    EXPECT_EQ(best(unit, 502, 0), "2 502 2 [505 504 503 502]");
}

TEST_F(BestPath, ABlockedLineLeavesThePathsInTheFrontArcAndTheFirstOfTheShortestWins) {
    CombatMover& unit = place(7, 505);
    unit.setFacing(NorthWest);
    unit.movementLeft_ = 3;
    place(8, 503, home); // on the line 505 504 503 403
    // North-west and north from 505 reach 403 by 405 404 and by 504 404, found in that order.
    EXPECT_EQ(best(unit, 403), "2 403 8 [505 405 404 403]");
}

TEST_F(BestPath, NoPathLeavesNoneBehind) {
    CombatMover& unit = place(7, 505);
    place(8, 503, visitor);
    path = listOf<short>({1, 2, 3});
    // North-east and north from 505 never come back to column 5 past the unit on 503.
    EXPECT_EQ(best(unit, 502), "0 65535 2 []");
}

TEST_F(BestPath, AnEnemyZoneStopsThePathAndALeaderOnTheStoppingHexIsLeftOut) {
    CombatMover& unit = place(7, 505);
    place(20, 502, visitor).setZOC({503});
    EXPECT_EQ(best(unit, 503), "3 503 2 [505 504 503]");
    place<LeaderMover>(3, 503, home);
    EXPECT_EQ(best(unit, 503), "3 504 2 [505 504]");
    // Where the unit was selected no zone stops it.
    unit.selectedHex_ = 503;
    EXPECT_EQ(best(unit, 503), "2 503 2 [505 504 503]");
}

TEST_F(BestPath, AHexOfferingTheEnemyAWithdrawalEndsThePathThere) {
    CombatMover& unit = place(7, 505);
    place(20, 603, visitor, 0, 8); // cavalry next to 503 and 502
    EXPECT_EQ(best(unit, 502), "1 503 2 [505 504 503]");
    // An enemy leader next to the line offers a withdrawal too; a friendly leader there is left out of it.
    unit.setFacing(SouthEast);
    place<LeaderMover>(3, 506, home);
    place<LeaderMover>(4, 607, visitor); // next to 506, where the friendly leader stands
    EXPECT_EQ(best(unit, 508), "1 505 4 [505]");
}

class MoveOrders : public UnitRules {};

TEST_F(MoveOrders, AMoveWalksItsPathAndItsEndAsksForRefacingZonesAndWithdrawals) {
    CombatMover& unit = place(7, 505);
    place(20, 603, visitor, 0, 8);
    unit.setValidMoves({505, 504, 503, 502});
    std::int16_t result = -1;
    inHandler([&] { result = unit.BeginMove(502, 1); });
    EXPECT_EQ(values(result, unit.getHex(), unit.getMovementLeft(), unit.getMoveDestination(),
                     unit.getHasMoved(), occupants()),
              "1 503 4 502 0 503:7 603:20");
    EXPECT_EQ(heard(),
              (Heard{"UnitMovement {7 503 28 MovementDone [505 504 503] move 1 7}", "46 [505 504 503 502]",
                     "27 {7 503 28 MovementDone [505 504 503] move 1 7}", "UnitMovementDone u7",
                     "MovementDone move 1 7", "AttemptRefaceFromCharge reface 503 2 65535", "InZOC zoc 503 1",
                     "BeginOWSegment 0"}));
    EXPECT_EQ(unit.notes, (Heard{"hits 505 504 0", "hits 504 503 0", "BeginOWSegment"}));
}

TEST_F(MoveOrders, AnOrdinaryMoveIntoAZoneAsksForReactionFireAndRelightsASelectedUnit) {
    CombatMover& unit = place(7, 505);
    place(20, 501, visitor).setZOC({502});
    unit.selected_ = 1;
    unit.selectedHex_ = 502;
    unit.movementLeft_ = 3;
    unit.setValidMoves({505, 504, 503, 502});
    std::int16_t result = -1;
    inHandler([&] { result = unit.BeginMove(502, 1); });
    const Heard log = heard();
    EXPECT_EQ(values(result, unit.getHex(), unit.getMovementLeft()), "2 502 0");
    EXPECT_EQ(Heard(log.begin() + 4, log.end()),
              (Heard{"MovementDone move 2 7", "AttemptRefaceFromCharge reface 502 6 65535", "InZOC zoc 502 1",
                     "EntryReactionFire 502", "45 [502]", "56 0"}));
}

TEST_F(MoveOrders, APathWithoutAStepEndsTheMoveAtOnce) {
    CombatMover& unit = place(7, 505);
    place(8, 503, visitor);
    unit.setValidMoves({505, 504, 502});
    std::int16_t result = -1;
    inHandler([&] { result = unit.BeginMove(502, 1); });
    EXPECT_EQ(values(result, unit.getHex(), unit.getMovementLeft(), unit.getMovePath()), "0 505 6 []");
    EXPECT_EQ(heard(), (Heard{"46 [505 504 502]", "MovementDone move 2 7",
                              "AttemptRefaceFromCharge reface 505 0 65535", "InZOC zoc 505 1"}));
}

TEST_F(MoveOrders, MoveToRefusesBlockedAndInvalidHexes) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1;
    place(8, 504, home);
    EXPECT_EQ(values(unit.MoveTo(504), unit.MoveTo(503), unit.getHex()), "0 0 505");
    EXPECT_TRUE(heard().empty());
    // A double-sized unit needs its right flank among the valid moves too.
    CombatMover& big = place(9, 202, home, 1);
    big.setValidMoves({202, 302, 201}, {});
    EXPECT_EQ(values(big.BeginMove(201, 1), big.getHex()), "0 202");
    big.setValidMoves({202, 302, 201, 301}, {201});
    EXPECT_EQ(values(big.BeginMove(201, 1), big.getHex()), "0 202");
    EXPECT_TRUE(heard().empty());
}

TEST_F(MoveOrders, QueryMoveToFallsBackOnTheNearestValidHexTheFirstAmongEquals) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1;
    // Valid moves in the order found: 504 605 606 506 406 405. From 302, 504 and 405 are three away.
    EXPECT_EQ(values(unit.QueryMoveTo(605), unit.QueryMoveTo(302), unit.QueryMoveTo(909)), "605 504 606");
    unit.movementLeft_ = 0;
    EXPECT_EQ(unit.QueryMoveTo(605), -1);
    unit.movementLeft_ = 1;
    EXPECT_EQ(unit.MoveToward(302), 2);
    EXPECT_EQ(unit.getHex(), 504);
}

} // namespace
} // namespace vael
