#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/super_string.h"
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

SuperString bytes(std::initializer_list<int> values) {
    SuperString s;
    for (int v : values) {
        const auto b = static_cast<unsigned char>(v);
        s.write(&b, 1);
    }
    return s;
}

std::string hexBytes(const SuperString& s) {
    std::string out;
    static const char digits[] = "0123456789ABCDEF";
    for (unsigned char c : s.str()) {
        out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? out : out.substr(1);
}

TEST(UnitRecord, ReadsTheScenarioLayoutAndMapsEveryNationCode) {
    const std::uint32_t nations[6] = {4, 2, 1, 3, 5, 6};
    for (int code = 0; code < 6; ++code) {
        SCOPED_TRACE(code);
        // "Ab", nation code, movement 6, leader 3, hex 1505 (0x05E1), facing east.
        SuperString file = bytes({2, 'A', 'b', code, 6, 0, 3, 0, 0xE1, 0x05, 3});
        VaelUnitData record;
        ASSERT_TRUE(record.Load(file));
        EXPECT_EQ(values(record.name, record.nation, record.movementAllowance, record.leaderId, record.hex,
                         record.facing, file.remaining()),
                  values("Ab", nations[code], 6, 3, 1505, 3, 0));
    }
    // An empty name: the nation code follows at once.
    SuperString file = bytes({0, 1, 4, 0, 0xFF, 0xFF, 1, 0, 8});
    VaelUnitData record;
    ASSERT_TRUE(record.Load(file));
    EXPECT_EQ(values(record.name.size(), record.nation, record.movementAllowance, record.leaderId, record.hex,
                     record.facing),
              "0 2 4 65535 1 8");
}

TEST(UnitRecord, RefusesABadNationAFacingThatIsNoCornerAndARecordCutShort) {
    struct Row {
        const char* what;
        SuperString file;
        const char* message;
    } rows[] = {
        {"nation code 6", bytes({1, 'X', 6, 6, 0, 3, 0, 1, 2, 3}),
         "Invalid nation in VaelUnitData::Load(...)"},
        {"nation code 255", bytes({1, 'X', 255, 6, 0, 3, 0, 1, 2, 3}),
         "Invalid nation in VaelUnitData::Load(...)"},
        {"facing south", bytes({1, 'X', 0, 6, 0, 3, 0, 1, 2, 5}),
         "Invalid facing in VaelUnitData::Load(...)"},
        {"facing none", bytes({1, 'X', 0, 6, 0, 3, 0, 1, 2, 0}), "Invalid facing in VaelUnitData::Load(...)"},
        {"facing 9", bytes({1, 'X', 0, 6, 0, 3, 0, 1, 2, 9}), "Invalid facing in VaelUnitData::Load(...)"},
        {"no facing byte", bytes({1, 'X', 0, 6, 0, 3, 0, 1, 2}),
         "Unit record cut short in VaelUnitData::Load(...)"},
        {"name longer than the file", bytes({9, 'X'}), "Unit record cut short in VaelUnitData::Load(...)"},
        {"nothing", bytes({}), "Unit record cut short in VaelUnitData::Load(...)"},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        FailedChecks checks;
        VaelUnitData record;
        record.name = "kept";
        record.nation = 1;
        record.facing = West;
        EXPECT_FALSE(record.Load(row.file));
        EXPECT_TRUE(row.file.failed());
        EXPECT_EQ(values(record.name, record.nation, record.facing, record.movementAllowance), "kept 1 7 0");
        ASSERT_EQ(checks.count(), 1u);
        EXPECT_NE(checks.texts[0].find(row.message), std::string::npos) << checks.texts[0];
    }
}

class UnitState : public UnitRules {};

TEST_F(UnitState, WritesTenFieldsAndTheOrderModeOnlyWhileSelected) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 4;
    unit.auxWord_ = 7;
    unit.doneForTurn_ = 1;
    unit.rallied_ = 1;
    unit.orderMode_ = 0x0102;
    SuperString plain;
    writeVaelUnit(plain, unit);
    EXPECT_EQ(hexBytes(plain), "04 00 07 00 01 00 00 00 01 00 00 00 F9 01 FF FF 02 00 00 00 00 00");
    unit.selected_ = 1;
    SuperString selected;
    writeVaelUnit(selected, unit);
    EXPECT_EQ(hexBytes(selected), "04 00 07 00 01 00 00 00 01 00 01 00 F9 01 FF FF 02 00 00 00 00 00 02 01");
    CombatMover& big = place(8, 202, 1, 1);
    SuperString two;
    writeVaelUnit(two, big);
    // 202 = 0x00CA and its second hex 302 = 0x012E, facing north-east.
    EXPECT_EQ(hexBytes(two), "06 00 00 00 00 00 00 00 00 00 00 00 CA 00 2E 01 02 00 00 00 00 00");
}

TEST_F(UnitState, ReadsOnTopOfTheScenarioUnitAndMovesItBetweenOccupantLists) {
    CombatMover& unit = place(7, 505);
    place(9, 303);
    // Left 2, aux 5, done, used, not rallied, selected, hex 303 (0x012F), no second hex, west, in play,
    // order mode 3.
    SuperString file =
        bytes({2, 0, 5, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0x2F, 0x01, 0xFF, 0xFF, 7, 0, 0, 0, 0, 0, 3, 0});
    ASSERT_TRUE(readVaelUnit(file, unit).remaining() == 0 && !file.failed());
    EXPECT_EQ(values(unit.getMovementLeft(), unit.getAuxWord(), unit.isDoneThisTurn(), unit.getUsedThisTurn(),
                     unit.hasRallied(), unit.isSelected(), unit.getHex(), unit.getFacing(),
                     unit.getOrderMode(), occupants()),
              "2 5 1 1 0 1 303 7 3 303:9 303:7");
    // Round trip: the same bytes come back out.
    SuperString again;
    writeVaelUnit(again, unit);
    EXPECT_EQ(again.str(), file.str());
    // Saved off the map: out of every list and in none.
    SuperString off = bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 0, 0});
    ASSERT_TRUE(unit.read(off));
    EXPECT_EQ(values(unit.getHex(), occupants()), "65535 303:9");
}

TEST_F(UnitState, ADoubleSizedUnitTakesBothSavedHexes) {
    CombatMover& big = place(8, 202, 1, 1);
    // Hex 404 (0x0194), second hex 405 (0x0195), facing east.
    SuperString file = bytes({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x94, 0x01, 0x95, 0x01, 3, 0, 0, 0, 0, 0});
    ASSERT_TRUE(big.read(file));
    EXPECT_EQ(values(big.getHex(), big.getSecondHex(), big.getFacing(), occupants()),
              "404 405 3 404:8 405:8");
}

TEST_F(UnitState, AnOutOfPlayUnitIsRestoredSilently) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1;
    SuperString file = bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 1, 0});
    ASSERT_TRUE(unit.read(file));
    EXPECT_EQ(values(unit.isOutOfPlay(), unit.getHex(), occupants()), "1 65535 ");
    // No second scoring or display removal was sent, and the standing handlers are gone.
    unit.sendNamedEmpty("BeginTurn");
    EXPECT_EQ(values(unit.getMovementLeft(), heard().size()), "0 0");
}

TEST_F(UnitState, AStateCutShortOrImpossibleLeavesTheUnitAsItWas) {
    CombatMover& unit = place(7, 505);
    struct Row {
        const char* what;
        SuperString file;
    } rows[] = {
        {"no out-of-play word",
         bytes({2, 0, 5, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0x2F, 0x01, 0xFF, 0xFF, 7, 0, 0, 0})},
        {"selected without order mode",
         bytes({2, 0, 5, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0x2F, 0x01, 0xFF, 0xFF, 7, 0, 0, 0, 0, 0})},
        {"facing south",
         bytes({2, 0, 5, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0x2F, 0x01, 0xFF, 0xFF, 5, 0, 0, 0, 0, 0})},
        {"hex off the table",
         bytes({2, 0, 5, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0x2F, 0x11, 0xFF, 0xFF, 7, 0, 0, 0, 0, 0})},
        {"second hex of a single unit",
         bytes({2, 0, 5, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0x2F, 0x01, 0x30, 0x01, 7, 0, 0, 0, 0, 0})},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        readVaelUnit(row.file, unit);
        EXPECT_TRUE(row.file.failed());
        EXPECT_EQ(
            values(unit.getMovementLeft(), unit.getAuxWord(), unit.getHex(), unit.getFacing(), occupants()),
            "6 0 505 2 505:7");
    }
}

class UnitBasics : public UnitRules {};

TEST_F(UnitBasics, ConstructionTakesTheRecordAndOffMapDoubleUnitsHaveNoSecondHex) {
    CombatMover& unit = place(7, 505, 3);
    EXPECT_EQ(values(unit.getMovementAllowance(), unit.getMovementLeft(), unit.getNation(), unit.getFacing(),
                     unit.getSecondHex(), unit.isSelected(), unit.getPotentialToBeOrdered(),
                     unit.isOutOfPlay()),
              "6 6 3 2 -1 0 0 0");
    CombatMover& big = place(8, 202, 1, 1);
    big.setHex(Unit::offMap);
    EXPECT_EQ(big.getSecondHex(), -1);
    big.setHex(505);
    EXPECT_EQ(big.getSecondHex(), 606);
}

TEST_F(UnitBasics, ATurnRestoresMovementAndClearsTheTurnsMarks) {
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1, unit.doneForTurn_ = 1, unit.usedThisTurn_ = 1, unit.rallied_ = 1;
    unit.potentialToBeOrdered_ = 1;
    unit.sendNamedEmpty("BeginTurn");
    EXPECT_EQ(values(unit.hasSpentMovement(), unit.isDoneThisTurn(), unit.getUsedThisTurn(),
                     unit.hasRallied(), unit.getPotentialToBeOrdered()),
              "0 0 0 0 0");
    EXPECT_EQ(heard(), (std::vector<std::string>{"27 {7 505 35 0 - -}"}));
    unit.movementLeft_ = 2, unit.doneForTurn_ = 1, unit.usedThisTurn_ = 1;
    VaelUnit::setGlobalOrderMode(4);
    unit.sendNamedEmpty("BeginLeaderOrdersPhase");
    EXPECT_EQ(values(unit.getMovementLeft(), unit.isDoneThisTurn(), unit.getUsedThisTurn(),
                     VaelUnit::getGlobalOrderMode()),
              "6 0 1 0");
    Container<short> mode(5);
    unit.sendNamed("NoMoreOrders", &mode);
    EXPECT_EQ(VaelUnit::getGlobalOrderMode(), 5);
}

TEST_F(UnitBasics, TheEndOfAMoveTellsTheMapAndTheDisplayThenPaysForEachStep) {
    CombatMover& unit = place(7, 505);
    std::uint16_t left = 0;
    inHandler([&] {
        Container<short> done(9);
        left = unit.movementFinished(listOf<short>({505, 504, 503}),
                                     BusMessage(RegisteredMessage::getId("AdvancingDone")), &done, 0);
    });
    EXPECT_EQ(values(left, unit.getHex(), occupants(), unit.isDoneThisTurn(), unit.getHasMoved(),
                     unit.validMovesAsked),
              "4 503 503:7 1 0 1");
    EXPECT_EQ(unit.notes, (std::vector<std::string>{"hits 505 504 0", "hits 504 503 0"}));
    EXPECT_EQ(heard(), (std::vector<std::string>{"UnitMovement {7 503 28 AdvancingDone [505 504 503] 9}",
                                                 "27 {7 503 28 AdvancingDone [505 504 503] 9}",
                                                 "UnitMovementDone u7"}));
}

// A move the map refuses (here the map no longer lists the unit where its move begins) was never walked:
// no step is paid for, in hits or in movement, and the unit stays where it was. Taken, the same move pays
// for each of its steps.
TEST_F(UnitBasics, AMoveTheMapRefusedCostsNoHitsAndNoMovement) {
    for (bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "refused" : "taken");
        FailedChecks checks;
        CombatMover& unit = place(7, 505);
        unit.movementLeft_ = 6;
        if (refused) map->removeFromRegion(&unit, 505);
        const std::uint16_t left =
            unit.movementFinished(listOf<short>({505, 504, 503}), BusMessage(), nullptr, 1);
        EXPECT_EQ(values(left, unit.getHex(), unit.notes.size()), refused ? "6 505 0" : "4 503 2");
        EXPECT_EQ(checks.count(), refused ? 1u : 0u);
        map->removeFromRegion(&unit, static_cast<std::int16_t>(unit.getHex()));
        heard();
    }
}

TEST_F(UnitBasics, WhichMovesCountAsTheUnitsOwnAndWhatAPathOfOneHexCosts) {
    for (const char* done :
         {"AdvancingDone", "OWMovementDone", "GroupMovementDone", "MovementDone", "Other"}) {
        SCOPED_TRACE(done);
        CombatMover& unit = place(7, 505);
        unit.movementLeft_ = 2;
        // A one-hex path costs nothing; noRecompute keeps the valid moves and goes to the step hits.
        const std::uint16_t left = unit.movementFinished(
            listOf<short>({505}), BusMessage(RegisteredMessage::getId(done)), nullptr, 1);
        const bool own = std::string(done) == "MovementDone" || std::string(done) == "Other";
        EXPECT_EQ(values(left, unit.getHasMoved(), unit.validMovesAsked, unit.notes.size()),
                  values(2, own, 0, 0));
        EXPECT_EQ(heard().back(), "UnitMovementDone u7");
        map->removeFromRegion(&unit, 505);
    }
}

TEST_F(UnitBasics, StepCostsNeverTakeMovementBelowNothing) {
    // Rough ground (terrain code 1) costs 2 to enter.
    useMap(MapFileBuilder(10, 10).addTerrain(504, 1));
    CombatMover& unit = place(7, 505);
    unit.movementLeft_ = 1;
    unit.movementFinished(listOf<short>({505, 504}), BusMessage(), nullptr, 1);
    EXPECT_EQ(unit.getMovementLeft(), 0);
}

TEST_F(UnitBasics, ArcHexesSpreadFromAHexAndGiveTheSideCodesTheirOwnDirection) {
    CombatMover& unit = place(7, 505);
    struct Row {
        std::int16_t hex, depth;
        std::int32_t code;
        const char* hexes;
    } rows[] = {
        {505, 1, 3, "[505]"},
        {505, 0, 3, "[505]"},
        // East: north-east 605 and south-east 606 of 505, each again east.
        {505, 2, 3, "[505 606 605]"},
        {505, 3, 3, "[505 606 706 605 705 704]"},
        // North-east: 605 then 504. Deeper, the north-east side spreads as the arc again, while the north
        // side goes on alone.
        {505, 2, 2, "[505 605 504]"},
        {505, 3, 2, "[505 605 704 604 504 503]"},
        // A side direction alone is a line.
        {505, 3, 1, "[505 504 503]"},
        {505, 3, 5, "[505 506 507]"},
        {505, 3, 9, "[505]"},
        // At the edge of the map the arc stops.
        {900, 3, 2, "[900]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.hex, row.depth, row.code));
        EXPECT_EQ(text(unit.arcHexes(row.hex, row.depth, row.code)), row.hexes);
    }
}

} // namespace
} // namespace vael
