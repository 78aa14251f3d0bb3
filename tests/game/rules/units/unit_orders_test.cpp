#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rules/unit_rules_fixture.h"

namespace vael {
namespace {

using namespace test;
using Heard = std::vector<std::string>;

constexpr std::uint32_t home = 1, visitor = 2;

class Selection : public UnitRules {
protected:
    void legal(std::uint32_t nation, std::initializer_list<short> hexes) {
        PossibleMoveData data;
        data.nation = nation;
        data.hexes = std::make_shared<const List<short>>(listOf(hexes));
        Container<PossibleMoveData> box(data);
        display.sendNamed("LegalUnits", &box);
    }
    void click(std::int32_t event, short hex) {
        Container<short> box(hex);
        display.send(event, &box);
    }
};

TEST_F(Selection, TheActiveSidesUnitsWithFullMovementOnTheLeadersHexesMayBeOrdered) {
    struct Row {
        const char* what;
        std::uint32_t nation;
        std::uint16_t left, rallied, done;
        std::int16_t doubleSized;
        short listed;
        int expected;
    } rows[] = {
        {"own hex listed", home, 6, 0, 0, 0, 505, 1},
        {"other side", visitor, 6, 0, 0, 0, 505, 0},
        {"movement spent", home, 5, 0, 0, 0, 505, 0},
        {"rallied this turn", home, 6, 1, 0, 0, 505, 0},
        {"done for the turn", home, 6, 0, 1, 0, 505, 0},
        {"hex not listed", home, 6, 0, 0, 0, 504, 0},
        {"second hex of a double unit", home, 6, 0, 0, 1, 606, 1},
        {"flank hex of a single unit", home, 6, 0, 0, 0, 606, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CombatMover& unit = place(7, 505, home, row.doubleSized);
        unit.potentialToBeOrdered_ = 1;
        unit.movementLeft_ = row.left, unit.rallied_ = row.rallied, unit.doneForTurn_ = row.done;
        legal(row.nation, {303, row.listed});
        EXPECT_EQ(unit.getPotentialToBeOrdered(), row.expected);
        unit.detach();
        map->removeFromRegion(&unit, 505);
        map->removeFromRegion(&unit, 606);
    }
}

TEST_F(Selection, ASelectedUnitLightsItsMovesAndAClickMovesIt) {
    CombatMover& unit = place(7, 505);
    unit.setMovement(1);
    legal(home, {505});
    click(REGION_SELECTED, 505);
    EXPECT_EQ(values(unit.isSelected(), unit.getSelectedHex()), "1 505");
    EXPECT_EQ(heard(), (Heard{"32 {7 505 0 0 - -}", "61 222", "61 225", "45 [505 504 605 606 506 406 405]",
                              "56 0", "ShowHexToMoveTo 505"}));
    // The display's echo of the selection, or one for another unit, registers nothing twice.
    for (std::uint16_t number : {7, 8}) {
        Container<LogicalCommandInfo> echo(LogicalCommandInfo(number, nullptr, 505));
        display.send(LOGICAL_OBJECT_SELECTED, &echo);
    }
    EXPECT_EQ(heard(), (Heard{"32 {7 505 0 0 - -}", "32 {8 505 0 0 - -}"}));
    // The pointer over a valid hex moves the marker; over an invalid one it goes back to the unit, which
    // stays selected.
    click(REGION_FLYBY, 504);
    click(REGION_FLYBY, 707);
    EXPECT_EQ(heard(), (Heard{"HideHexToMoveTo 505", "ShowHexToMoveTo 504", "HideHexToMoveTo 504",
                              "ShowHexToMoveTo 505"}));
    click(REGION_SELECTED, 504);
    EXPECT_EQ(values(unit.getHex(), unit.getMovementLeft(), unit.isSelected()), "504 0 1");
    const Heard moved = heard();
    EXPECT_EQ(moved.back(), "56 0");
    EXPECT_EQ(moved.end()[-2], "45 [504]");
    // A click on the unit itself lets it go; having spent movement, it has none left and is reported used.
    click(REGION_SELECTED, 504);
    EXPECT_EQ(values(unit.isSelected(), unit.getMovementLeft(), unit.getUsedThisTurn()), "0 0 1");
    EXPECT_EQ(heard(), (Heard{"HideHexToMoveTo 504", "62 235", "46 [504]", "56 0", "33 7", "62 222", "62 225",
                              "UsedThisTurn 7"}));
    // Let go, it hears clicks no more.
    click(REGION_SELECTED, 505);
    EXPECT_EQ(unit.getHex(), 504);
}

TEST_F(Selection, ABlockedHexIsNoDestinationAndTheUnitStaysSelected) {
    CombatMover& unit = place(7, 505);
    unit.select(505);
    unit.setValidMoves({505, 504, 503}, {504});
    heard();
    click(REGION_SELECTED, 504);
    EXPECT_EQ(values(unit.getHex(), unit.isSelected()), "505 1");
    EXPECT_TRUE(heard().empty());
    click(REGION_SELECTED, 503);
    EXPECT_EQ(unit.getHex(), 503);
}

TEST_F(Selection, DeselectingWithoutSpendingKeepsTheMovement) {
    CombatMover& unit = place(7, 505);
    unit.select(505);
    heard();
    display.sendNamedEmpty("UnitDeselected");
    EXPECT_EQ(values(unit.isSelected(), unit.getMovementLeft(), unit.getUsedThisTurn()), "0 6 0");
    // Spent under an order mode, the last order is reported too.
    unit.contact = 1;
    VaelUnit::setGlobalOrderMode(1);
    unit.select(505);
    unit.movementLeft_ = 4;
    display.sendNamedEmpty("UnitDeselected");
    const Heard log = heard();
    EXPECT_EQ(Heard(log.end() - 2, log.end()), (Heard{"UsedThisTurn 7", "LastOrderDeselected 0"}));
    EXPECT_EQ(unit.getMovementLeft(), 0);
}

TEST_F(Selection, UnderAnOrderModeOnlyAUnitInContactTakesTheSelectionAndMayOnlyStay) {
    CombatMover& unit = place(7, 505);
    VaelUnit::setGlobalOrderMode(2);
    unit.select(505);
    EXPECT_EQ(unit.isSelected(), 0);
    unit.contact = 1;
    CombatMover& big = place(8, 202, home, 1);
    big.contact = 1;
    unit.select(505);
    const std::string first = values(unit.isSelected(), unit.getOrderMode(), unit.getValidMoves());
    big.select(302);
    EXPECT_EQ(values(first, big.isSelected(), big.getOrderMode(), big.getValidMoves()),
              "1 2 [505] 1 2 [202 302]");
    // Selecting the second let go of the first.
    EXPECT_EQ(unit.isSelected(), 0);
}

TEST_F(Selection, SelectedUnitsAnswerTheirOrdersAndRefigureWhenAnotherUnitRoutsOrGoes) {
    CombatMover& unit = place(7, 505);
    unit.setMovement(1);
    unit.select(505);
    heard();
    display.sendNamedEmpty("UnitCenterOnUnit");
    unit.setValidMoves({505});
    display.sendNamedEmpty("RoutingDone");
    EXPECT_EQ(heard(),
              (Heard{"Center On Region 505", "46 [505]", "45 [505 504 605 606 506 406 405]", "56 0"}));
    display.sendNamedEmpty("RotateRight");
    EXPECT_EQ(unit.getFacing(), East);
    display.sendNamedEmpty("RotateLeft");
    EXPECT_EQ(unit.getFacing(), NorthEast);
    // A unit that is not selected ignores them.
    display.sendNamedEmpty("UnitDeselected");
    heard();
    display.sendNamedEmpty("RotateRight");
    display.sendNamedEmpty("UnitEliminated");
    EXPECT_EQ(values(unit.getFacing(), heard().size()), "2 0");
}

TEST_F(Selection, BadPayloadsAreReportedAndChangeNothing) {
    CombatMover& unit = place(7, 505);
    FailedChecks checks;
    Container<long> wrong(5);
    display.sendNamed("UnitSelected", &wrong);
    display.sendNamed("NoMoreOrders", &wrong);
    display.sendNamed("LegalUnits", &wrong);
    display.sendNamed("UnitOW", &wrong);
    EXPECT_EQ(checks.count(), 4u);
    EXPECT_EQ(values(unit.isSelected(), VaelUnit::getGlobalOrderMode()), "0 0");
}

class Withdrawal : public UnitRules {
protected:
    void resolved(std::uint16_t withdrew, std::uint16_t hex) {
        Container<ResolveOWStruct> box(ResolveOWStruct{withdrew, hex});
        display.sendNamed("OWResolved", &box);
    }
    void endSegment(CombatMover& unit, std::uint16_t happened) {
        unit.connectNamed("EndOWSegment", VaelUnit::onEndOWSegment);
        Container<EndOWStruct> box(EndOWStruct{happened, &unit});
        display.sendNamed("EndOWSegment", &box);
    }
    void askToWithdraw(CombatMover& unit, std::uint16_t enemyHex, std::uint16_t id) {
        OWStruct ow{id, 3, enemyHex, 0xFFFF, 2};
        inHandler([&] { unit.UnitOW(ow); });
    }
};

TEST_F(Withdrawal, TheSegmentEndsWhenTheLastAwaitedEnemyIsResolved) {
    CombatMover& unit = place(7, 505);
    unit.owHexes_ = listOf<short>({404, 405});
    unit.connectNamed("OWResolved", VaelUnit::onOWResolved);
    resolved(1, 303); // not awaited
    EXPECT_EQ(values(unit.owHexes_, unit.owPending_), "[404 405] 0");
    resolved(1, 404);
    resolved(0, 405);
    EXPECT_EQ(values(unit.owHexes_, unit.owPending_), "[] 1");
    EXPECT_EQ(heard(), (Heard{"OWResolved resolved 1 303", "OWResolved resolved 1 404",
                              "OWResolved resolved 0 405", "EndOWSegment end 1 1"}));
    unit.owPending_ = 0;
    unit.owHexes_ = listOf<short>({404});
    resolved(1, 404); // the registration went with the last one
    EXPECT_EQ(unit.owPending_, 0);
}

TEST_F(Withdrawal, WithNobodyWithdrawnAnUnselectedUnitGoesOnToItsDestination) {
    CombatMover& unit = place(7, 505);
    unit.setValidMoves({505, 504, 503, 502});
    unit.moveDestination_ = 502;
    endSegment(unit, 0);
    EXPECT_EQ(values(unit.getHex(), unit.getMovePath()), "502 [505 504 503 502]");
    // Arrived, with a withdrawal: the move is over.
    heard();
    endSegment(unit, 1);
    EXPECT_EQ(heard(), (Heard{"EndOWSegment end 1 1", "InZOC zoc 502 1", "MovementDone move 2 7"}));
}

TEST_F(Withdrawal, ASelectedUnitStopsWhenAnEnemyWithdrewAndRelightsItsMoves) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1;
    unit.selected_ = 1;
    unit.setValidMoves({505, 504});
    unit.moveDestination_ = 502;
    endSegment(unit, 1);
    EXPECT_EQ(heard(), (Heard{"EndOWSegment end 1 1", "InZOC zoc 505 1", "61 220", "61 221",
                              "45 [505 504 605 606 506 406 405]", "56 0"}));
    // Nothing withdrew and the unit stands where it was going: lit again, no menu commands.
    unit.moveDestination_ = 505;
    endSegment(unit, 0);
    EXPECT_EQ(heard(),
              (Heard{"EndOWSegment end 0 1", "InZOC zoc 505 1", "45 [505 504 605 606 506 406 405]", "56 0"}));
    // With no valid moves there is nothing to light.
    unit.setValidMoves({});
    endSegment(unit, 1);
    EXPECT_EQ(heard(), (Heard{"EndOWSegment end 1 1", "InZOC zoc 505 1"}));
}

TEST_F(Withdrawal, AUnitAskedToWithdrawStepsBackAwayFromTheEnemy) {
    CombatMover& unit = place(7, 505);
    place(20, 504, visitor);
    askToWithdraw(unit, 504, static_cast<std::uint16_t>(unit.getId()));
    // Back to the south-west, south-east and south; every two-step end is three from 504 but those by 506,
    // and the last found of the farthest wins.
    EXPECT_EQ(values(unit.getHex(), unit.getMovementLeft(), unit.getHasMoved(), unit.isDoneThisTurn()),
              "507 4 0 1");
    EXPECT_EQ(heard(), (Heard{"RemoveFromCombat 7", "UnitMovement {7 507 28 OWMovementDone [505 506 507] 7}",
                              "27 {7 507 28 OWMovementDone [505 506 507] 7}", "OWResolved resolved 1 505",
                              "OWMovementDone 7"}));
    EXPECT_EQ(unit.notes.back(), "owHits 504");
}

TEST_F(Withdrawal, NoWayBackARiverOrAnotherUnitsRecordMeansNoWithdrawal) {
    useMap(MapFileBuilder(10, 10).addTerrain(303, 4));
    CombatMover& unit = place(7, 505);
    place(20, 504, visitor);
    for (short h : {406, 606, 506})
        place(static_cast<std::uint16_t>(30 + h / 100), h, home);
    heard();
    askToWithdraw(unit, 504, static_cast<std::uint16_t>(unit.getId()));
    EXPECT_EQ(heard(), (Heard{"OWResolved resolved 0 505"}));
    // Approached across a river.
    CombatMover& bank = place(8, 304);
    askToWithdraw(bank, 303, static_cast<std::uint16_t>(bank.getId()));
    EXPECT_EQ(bank.getHex(), 304);
    EXPECT_EQ(heard(), (Heard{"OWResolved resolved 0 304"}));
    askToWithdraw(bank, 303, static_cast<std::uint16_t>(unit.getId()));
    EXPECT_TRUE(heard().empty());
}

TEST_F(Withdrawal, AMovementDoneForAnotherUnitIsIgnored) {
    CombatMover& unit = place(7, 505);
    unit.hasMoved_ = 1;
    unit.connectNamed("MovementDone", VaelUnit::onMovementDone);
    Container<MoveReturnStruct> other(MoveReturnStruct{2, 8});
    display.sendNamed("MovementDone", &other);
    EXPECT_EQ(values(unit.getHasMoved(), heard().size()), "1 1");
    // One that has left play only lets go of the message.
    unit.disconnectHandlers();
    Container<MoveReturnStruct> own(MoveReturnStruct{2, 7});
    display.sendNamed("MovementDone", &own);
    display.sendNamed("MovementDone", &own);
    EXPECT_EQ(unit.getHasMoved(), 0);
    EXPECT_EQ(heard(), (Heard{"MovementDone move 2 7", "MovementDone move 2 7"}));
}

// A game loaded while the display still plays the unit's move: the unit waits for the move's end again, once
// however often it is told to, and lets go of it when it comes.
TEST_F(Withdrawal, AUnitLoadedWhileItsMoveIsShownWaitsForItsEndAgainOnce) {
    CombatMover& unit = place(7, 505);
    unit.hasMoved_ = 1;
    Container<MoveReturnStruct> own(MoveReturnStruct{2, 7});
    display.sendNamed("MovementDone", &own);
    EXPECT_EQ(unit.getHasMoved(), 1) << "not waiting, the unit hears nothing";
    unit.awaitMovementDone();
    unit.awaitMovementDone();
    EXPECT_TRUE(unit.isConnected(RegisteredMessage::getId("MovementDone"), VaelUnit::onMovementDone));
    display.sendNamed("MovementDone", &own);
    EXPECT_EQ(unit.getHasMoved(), 0);
    EXPECT_FALSE(unit.isConnected(RegisteredMessage::getId("MovementDone"), VaelUnit::onMovementDone))
        << "connected once, the end lets go of it";
}

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
    // The outline on the hex the unit starts from goes with it as it moves, to where the reaction fire finds
    // it.
    unit.markedHex_ = 505;
    std::int16_t result = -1;
    inHandler([&] { result = unit.BeginMove(502, 1); });
    const Heard log = heard();
    EXPECT_EQ(values(result, unit.getHex(), unit.getMovementLeft()), "2 502 0");
    EXPECT_EQ(Heard(log.begin() + 3, log.end()),
              (Heard{"HideHexToMoveTo 505", "ShowHexToMoveTo 502", "UnitMovementDone u7",
                     "MovementDone move 2 7", "AttemptRefaceFromCharge reface 502 6 65535", "InZOC zoc 502 1",
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
