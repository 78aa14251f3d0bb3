#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/super_string.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/leaders/leader_unit_data.h"
#include "support/failed_checks.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_maps.h"

namespace vael {
namespace {

using namespace test;

// Neighbours by region direction 1, 2, 4, 5, 6, 8: of 505 (odd column) 504 605 606 506 406 405; of 404
// (even column) 403 503 504 405 304 303.
using CombatUnit = FightingUnits;

TEST_F(CombatUnit, KindsSetTheirTypeCodesAndValues) {
    auto& phalanx = add<Phalanx>({1, 505, 1, East, 7});
    auto& hypaspist = add<Hypaspist>({2, 808, 1, East, 7});
    auto& hoplite = add<Hoplite>({3, 202, 1, East, 7, 4, 1});
    auto& cavalry = add<HeavyCav>({4, 1010, 1, East, 6, 4, 0, 8, 0, 1});
    auto& lancer = add<Lancer>({5, 1002, 1, East, 6});
    EXPECT_EQ(
        values(phalanx.Query(9), hypaspist.Query(9), hoplite.Query(9), cavalry.Query(9), lancer.Query(9)),
        "0 2 2 8 11");
    EXPECT_EQ(values(phalanx.pointValue(), hypaspist.pointValue(), cavalry.pointValue()), "14 7 6");
    EXPECT_EQ(values(phalanx.kindFlag(), cavalry.kindFlag(), lancer.kindFlag()), "1 1 1");
    EXPECT_EQ(values(cavalry.isCataphract(), hoplite.isDoubleSized(), hoplite.getSecondHex()), "1 1 203");
    EXPECT_EQ(values(hypaspist.isDoubleSized(), hypaspist.getSecondHex()), "0 -1");
    EXPECT_EQ(
        values(phalanx.Query(1), phalanx.Query(2), phalanx.Query(3), phalanx.Query(21), phalanx.Query(6)),
        "7 0 4 0 -1");
}

TEST_F(CombatUnit, APhalanxRecordedSingleStillTakesItsSecondHexAndItsSurroundings) {
    auto& phalanx = add<Phalanx>({1, 505, 1, East});
    EXPECT_EQ(values(phalanx.isDoubleSized(), phalanx.getSecondHex()), "1 506");
    // Controlled from both hexes: 505's direction-4 and 506's direction-4 neighbours, then direction 2.
    EXPECT_EQ(text(phalanx.getZOCHexes()), "[606 607 605]");
}

TEST_F(CombatUnit, FactoriesRefuseARecordOfAnotherClass) {
    const HeavyCavUnitData own = record({9, 505});
    CombatUnitData plain;
    static_cast<VaelUnitData&>(plain) = own;
    plain.TQ = 5;
    plain.size = 4;
    LeaderUnitData leader;
    auto& prototypeCav = add<HeavyCav>({1, 101});
    auto& prototypePhalanx = add<Phalanx>({2, 909});
    EXPECT_EQ(prototypeCav.create(plain, "Plain"), nullptr);
    EXPECT_EQ(prototypePhalanx.create(leader, "Leader"), nullptr);
    std::unique_ptr<VaelUnit> made(prototypePhalanx.create(plain, "Made"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Query(9), 0);
    std::unique_ptr<VaelUnit> cav(prototypeCav.create(own, "Cav"));
    ASSERT_NE(cav, nullptr);
    EXPECT_EQ(cav->Query(9), 8);
}

TEST_F(CombatUnit,
       SurroundingsOfASingleHexUnitFacingEastAndZonesOfControlAtTheEdgeAcrossABarredSideAndOfTwoHexes) {
    auto& unit = add({1, 505, 1, East});
    EXPECT_EQ(values(unit.getZOCHexes(), unit.getFrontHexes(), unit.getRearHexes(), unit.getFlankHexes()),
              "[606 605] [605 606] [406 405] [504 506]");
    EXPECT_EQ(values(unit.isInFrontHexes(605), unit.isInRearHexes(405), unit.isInFlankHexes(506),
                     unit.isInFlankHexes(605)),
              "1 1 1 0");
    clearUnits();
    useMap(MapFileBuilder(12, 12).addSide(505, 4, 20));
    auto& edge = add({1, 500, 1, NorthEast});
    auto& barred = add({2, 505, 1, East});
    auto& big = add({3, 303, 1, NorthEast, 5, 4, 1}); // as on 505: second hex 606, zone [605 705 504]
    EXPECT_EQ(values(edge.getZOCHexes(), barred.getZOCHexes(), big.getSecondHex(), big.getZOCHexes(),
                     big.isHexInZOC(503), big.isHexInZOC(404)),
              "[600] [605] 404 [403 503 302] 1 0");
}

TEST_F(CombatUnit, RoutingOrOutOfPlayControlsNothing) {
    auto& routing = add({1, 505, 1, East});
    auto& gone = add({2, 808, 1, East});
    routing.routing_ = 1;
    routing.rebuildZOC();
    EXPECT_EQ(values(routing.getZOCHexes(), routing.zocFromHex(303)), "[] []");
    ASSERT_TRUE(gone.isHexInZOC(908));
    gone.outOfPlay_ = 1;
    EXPECT_FALSE(gone.isHexInZOC(908));
}

TEST_F(CombatUnit, ScansFindTheNearestEnemyOfTheirRegionAndAlongTheFlanks) {
    auto& unit = add({1, 505, 1, East});
    EXPECT_EQ(values(unit.scanFrontHexes(), unit.scanRearHexes(), unit.scanFlankHexes()), "-1 -1 -1");
    add({2, 502, 2}); // up the left flank: reached from 504 north-east and north-west by turns
    EXPECT_EQ(values(unit.scanFrontHexes(), unit.scanFlankHexes()), "-1 502");
    add({3, 805, 2}); // three hexes ahead
    add({4, 706, 2}); // two hexes ahead
    add({5, 705, 1}); // a friend nearer still
    add({6, 305, 2}); // behind
    EXPECT_EQ(values(unit.scanFrontHexes(), unit.scanRearHexes()), "706 305");
}

TEST_F(CombatUnit, EliminationReportsItsValueAndLeavesTheMap) {
    auto& phalanx = add<Phalanx>({7, 505, 2, East, 6});
    layer.clearLog();
    phalanx.disconnectHandlers();
    EXPECT_EQ(layer.log, (std::vector<std::string>{"RemoveFromCombat 7", "UnitEliminated 2 12 0 7",
                                                   "cmd 7 UnitEliminated 505"}));
    EXPECT_EQ(values(map->isHexOccupied(505), map->isHexOccupied(506), phalanx.isOutOfPlay()), "0 0 1");
}

std::string decimals(const SuperString& s) {
    std::string out;
    for (unsigned char c : s.str())
        out += std::to_string(c) + ' ';
    return out;
}

TEST_F(CombatUnit, SavesFourValuesAfterTheUnitAndTheOrderWhileSelected) {
    auto& unit = add({7, 505, 1, East});
    unit.cohesionHits_ = 2;
    unit.orderedThisActivation_ = 1;
    SuperString idle;
    unit.write(idle);
    EXPECT_EQ(decimals(idle), "6 0 0 0 0 0 0 0 0 0 0 0 249 1 255 255 3 0 0 0 0 0 "
                              "2 0 0 0 0 0 1 0 ");
    unit.selected_ = 1;
    unit.attackHexes_ = listOf<short>({705, 606});
    SuperString selected;
    unit.write(selected);
    EXPECT_EQ(decimals(selected), "6 0 0 0 0 0 0 0 0 0 1 0 249 1 255 255 3 0 0 0 0 0 0 0 "
                                  "2 0 0 0 0 0 1 0 255 255 2 0 193 2 94 2 ");
}

TEST_F(CombatUnit, ReadsItsSavedStateAndRebuildsItsSurroundings) {
    auto& unit = add({7, 505, 1, East});
    // Saved selected, turned to the south-east, with 3 hits, routing, an order toward 701 and one attack hex.
    const std::uint8_t saved[] = {6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 249, 1,   255, 255, 4, 0,   0,
                                  0, 0, 0, 0, 0, 3, 0, 1, 0, 1, 0, 0, 0,   189, 2,   1,   0, 193, 2};
    SuperString s;
    s.write(saved, sizeof saved);
    ASSERT_TRUE(unit.read(s));
    EXPECT_EQ(values(unit.getCohesionHits(), unit.isRouting(), unit.getRallyTried(), unit.getOrderHex()),
              "3 1 1 701");
    EXPECT_EQ(text(unit.getAttackHexes()), "[705]");
    // Routing: no zone of control; the other lists follow the new facing (front 4, 5; rear 8, 1).
    EXPECT_EQ(text(unit.getZOCHexes()), "[]");
    EXPECT_EQ(text(unit.getFrontHexes()), "[606 506]");
    EXPECT_EQ(text(unit.getRearHexes()), "[405 504]");
}

TEST_F(CombatUnit, RefusesASavedStateNoUnitCanHave) {
    const std::vector<std::uint8_t> head = {6,   0, 0,   0,   0, 0, 0, 0, 0, 0, 1, 0,
                                            249, 1, 255, 255, 3, 0, 0, 0, 0, 0, 0, 0};
    struct Row {
        const char* what;
        std::vector<std::uint8_t> own;
    } rows[] = {
        {"more hits than TQ", {6, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0}},
        {"negative hits", {255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0}},
        {"negative count", {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255}},
        {"a count past the map", {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0x91, 0}},
        {"a hex off the map", {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 1, 0, 0x0F, 0x27}},
        {"cut short", {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 2, 0, 193, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto& unit = add({static_cast<int>(owned.size() + 1), 505, 1, East});
        SuperString s;
        s.write(head.data(), static_cast<std::int32_t>(head.size()));
        s.write(row.own.data(), static_cast<std::int32_t>(row.own.size()));
        EXPECT_FALSE(unit.read(s));
        EXPECT_TRUE(s.failed());
        EXPECT_EQ(unit.getCohesionHits(), 0);
    }
    // The boundary from the other side: exactly TQ hits and a count of 0 are a unit's state.
    auto& unit = add({99, 808, 1, East});
    SuperString s;
    s.write(head.data(), static_cast<std::int32_t>(head.size()));
    const std::uint8_t own[] = {5, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0};
    s.write(own, sizeof own);
    EXPECT_TRUE(unit.read(s));
    EXPECT_EQ(unit.getCohesionHits(), 5);
}

// A value read whole that no unit can have is refused with its reason, naming the unit, which the saved
// game passes on; a record cut short has none (the file's own reason says it).
TEST_F(CombatUnit, SaysWhichValueOfItsSavedStateNoUnitCanHave) {
    const std::vector<std::uint8_t> head = {6,   0, 0,   0,   0, 0, 0, 0, 0, 0, 1, 0,
                                            249, 1, 255, 255, 3, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> facing = head;
    facing[16] = 9;
    const struct {
        const char* what;
        std::vector<std::uint8_t> head, own;
        std::string reason;
    } rows[] = {
        {"more hits than TQ", head, {6, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0},
         "with 6 cohesion hits, where its troop quality 5 allows 0 to 5"},
        {"negative hits", head, {255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0},
         "with -1 cohesion hits, where its troop quality 5 allows 0 to 5"},
        {"negative count", head, {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255},
         "with -1 hexes to attack, where the map has 144"},
        {"a count past the map", head, {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0x91, 0},
         "with 145 hexes to attack, where the map has 144"},
        {"a hex off the map", head, {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 1, 0, 0x0F, 0x27},
         "attacking hex 9999, which this map does not have"},
        {"a facing past the directions", facing, {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0},
         "facing 9, which is no direction"},
        {"cut short", head, {1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 2, 0, 193, 2}, ""},
    };
    int number = 40;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto& unit = add({++number, 505, 1, East});
        SuperString s;
        s.write(row.head.data(), static_cast<std::int32_t>(row.head.size()));
        s.write(row.own.data(), static_cast<std::int32_t>(row.own.size()));
        EXPECT_FALSE(unit.read(s));
        const std::string who = "the saved game has Unit " + std::to_string(number) + " (unit " +
                                std::to_string(number) + ") ";
        EXPECT_EQ(unit.readProblem(), row.reason.empty() ? "" : who + row.reason);
    }
}

// The running state: the unit's nine words (flags, then the hexes it was sent to, picked on and marked,
// 0xFFFF for none) and three lists, then the fighting unit's four (advancing, turned, will rout, hits to
// come), five lists and, not selected, its attack hexes. Each value no saved battle holds is refused with
// its reason and leaves the running state as it was.
TEST_F(CombatUnit, SaysWhichValueOfItsSavedRunningStateNoUnitCanHave) {
    const std::vector<std::uint8_t> unitPart = {0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 255, 255,
                                                0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> fighting = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto with = [&](std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> changes) {
        std::vector<std::uint8_t> bytes = unitPart;
        bytes.insert(bytes.end(), fighting.begin(), fighting.end());
        for (auto& [at, values] : changes)
            std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string reason; // empty: taken
    } rows[] = {
        {"as a saved battle holds it", with({}), ""},
        {"turned, about to rout, 999 hits to come", with({{26, {1, 0, 1, 0, 0xE7, 0x03}}}), ""},
        {"whether it may be ordered 2", with({{2, {2, 0}}}),
         "marked 2 for whether it may be ordered, where only 0 or 1 can be"},
        {"sent to a hex off the map", with({{6, {0x0F, 0x27}}}), "sent to hex 9999, which this map does not have"},
        {"a hex in reach off the map", with({{18, {1, 0, 0x0F, 0x27}}}),
         "with hex 9999 among its hexes in reach, which this map does not have"},
        {"advancing", with({{24, {1, 0}}}),
         "marked 1 for advancing after combat, which a unit does only within a step no save is taken in"},
        {"turned 2", with({{26, {2, 0}}}), "marked 2 for whether it turned, where only 0 or 1 can be"},
        {"1000 hits to come", with({{30, {0xE8, 0x03}}}), "with 1000 cohesion hits to come, where 0 to 999 can be"},
        {"more front hexes than the map has", with({{34, {0x91, 0}}}), "with 145 front hexes, more than the map's 144"},
    };
    int number = 60;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto& unit = add({++number, 505, 1, East});
        SuperString before;
        unit.writeRunningState(before);
        SuperString s;
        s.write(row.bytes.data(), static_cast<std::int32_t>(row.bytes.size()));
        EXPECT_EQ(unit.readRunningState(s), row.reason.empty());
        const std::string who = "the saved game has Unit " + std::to_string(number) + " (unit " +
                                std::to_string(number) + ") ";
        EXPECT_EQ(unit.readProblem(), row.reason.empty() ? "" : who + row.reason);
        if (!row.reason.empty()) {
            SuperString after;
            unit.writeRunningState(after);
            EXPECT_EQ(after.str(), before.str());
        }
    }
    // Cut short: no reason of its own.
    auto& unit = add({99, 808, 1, East});
    const std::vector<std::uint8_t> cut = with({});
    SuperString s;
    s.write(cut.data(), static_cast<std::int32_t>(cut.size() - 1));
    EXPECT_FALSE(unit.readRunningState(s));
    EXPECT_EQ(unit.readProblem(), "");
}

TEST_F(CombatUnit, AUnitSavedOffTheMapKeepsItsListsUnbuilt) {
    auto& unit = add({7, 505, 1, East});
    const std::uint8_t saved[] = {6,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255,
                                  255, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   0,   0};
    SuperString s;
    s.write(saved, sizeof saved);
    ASSERT_TRUE(unit.read(s));
    EXPECT_EQ(unit.getHex(), 0xFFFF);
    EXPECT_FALSE(map->isHexOccupied(505));
    EXPECT_EQ(text(unit.getZOCHexes()), "[606 605]");
}

using Bytes = std::vector<std::uint8_t>;

// The shared part of a unit record: name "Ajax", nation code 2 (side 1), movement 6, leader 3, hex 1205,
// facing 3.
const Bytes unitPart = {4, 'A', 'j', 'a', 'x', 2, 6, 0, 3, 0, 0xB5, 0x04, 3};

TEST(CombatUnitRecord, ReadsSizeBeforeTroopQualityAndTheTwoHexFlagFromOneByte) {
    SuperString s = streamOf({unitPart, {8, 0, 6, 0, 1}, {0xEE}});
    CombatUnitData r;
    ASSERT_TRUE(r.Load(s));
    // The next record's byte is left alone.
    EXPECT_EQ(values(r.name, r.hex, r.size, r.TQ, r.doubleSized, s.readPosition(), s.failed()),
              "Ajax 1205 8 6 1 18 0");
}

TEST(CombatUnitRecord, RefusesATroopQualityOrSizeBelowOne) {
    struct Row {
        const char* what;
        Bytes own;
        bool loads;
    } rows[] = {
        {"TQ 1, size 1", {1, 0, 1, 0, 0}, true},   {"TQ 0", {8, 0, 0, 0, 0}, false},
        {"size 0", {0, 0, 6, 0, 0}, false},        {"TQ -1", {8, 0, 0xFF, 0xFF, 0}, false},
        {"size -3", {0xFD, 0xFF, 6, 0, 0}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::FailedChecks checks;
        SuperString s = streamOf({unitPart, row.own});
        CombatUnitData r;
        r.TQ = 9;
        r.size = 9;
        const bool loaded = r.Load(s);
        EXPECT_EQ(values(loaded, s.failed(), checks.count(), r.TQ, r.size),
                  row.loads ? "1 0 0 1 1" : "0 1 1 9 9");
        if (!row.loads) {
            EXPECT_NE(checks.texts.at(0).find("must be above 0 in CombatUnitData::Load"), std::string::npos);
        }
    }
}

TEST(CombatUnitRecord, ARecordCutShortKeepsItsFieldsAndFailsTheStream) {
    test::FailedChecks checks;
    SuperString s = streamOf({unitPart, {8, 0, 6, 0}});
    CombatUnitData r;
    const bool loaded = r.Load(s);
    EXPECT_EQ(values(loaded, s.failed(), r.TQ, r.size, checks.count()), "0 1 0 0 1");
}

TEST(MissileRecord, MapsTheStoredMissileCodes) {
    struct Row {
        std::uint8_t code;
        std::uint32_t type; // 0: refused
    } rows[] = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {4, 8}, {5, 0}, {255, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.code));
        test::FailedChecks checks;
        SuperString s = streamOf({unitPart, {8, 0, 6, 0, 0}, {row.code, 0x34, 0x12, 0xFE, 0xFF}, {0xEE}});
        MissileCapableUnitData r;
        r.missileType = 77;
        const bool loaded = r.Load(s);
        // The two values after the code come from their own places even after a bad code.
        EXPECT_EQ(
            values(loaded, r.missileType, r.value1, r.value2, s.readPosition(), s.failed(), checks.count()),
            values(row.type != 0, row.type ? row.type : 77u, 0x1234, -2, 23, row.type == 0,
                   row.type ? 0 : 1));
        if (!row.type) {
            EXPECT_EQ(
                checks.texts.at(0).find("Undefined missile type int16 MissileCapableUnitData::Load(...)"),
                0u);
        }
    }
}

TEST(MissileRecord, ElephantAndHeavyCavalryReadTheirByteLast) {
    SuperString elephantBytes = streamOf({unitPart, {8, 0, 6, 0, 0}, {3, 1, 0, 2, 0}, {9}});
    ElephantUnitData elephant;
    ASSERT_TRUE(elephant.Load(elephantBytes));
    EXPECT_EQ(values(elephant.missileType, elephant.elephantValue), "4 9");

    SuperString cavalryBytes = streamOf({unitPart, {8, 0, 6, 0, 0}, {1}});
    HeavyCavUnitData cavalry;
    ASSERT_TRUE(cavalry.Load(cavalryBytes));
    EXPECT_EQ(cavalry.cataphract, 1);

    test::FailedChecks checks;
    SuperString shortBytes = streamOf({unitPart, {8, 0, 6, 0, 0}});
    HeavyCavUnitData cut;
    cut.cataphract = 5;
    const bool loaded = cut.Load(shortBytes);
    EXPECT_EQ(values(loaded, cut.cataphract), "0 5");
}

TEST(CombatPayloads, StreamFieldByFieldLittleEndian) {
    SuperString s;
    s << TQHitInfo{3, 0x0102, 0x0A0B0C0D} << RestoreCohesionInfo{1, 7} << UnitRoutData{2, 14, 0}
      << EliminateUnitData{1, 5, 8, 0x0304};
    EXPECT_EQ(decimals(s), "3 0 2 1 13 12 11 10 "
                           "1 0 7 0 "
                           "2 0 0 0 14 0 0 0 0 0 "
                           "1 0 0 0 5 0 8 0 0 0 4 3 ");
    TQHitInfo hit;
    RestoreCohesionInfo restored;
    UnitRoutData routed;
    EliminateUnitData gone;
    s >> hit >> restored >> routed >> gone;
    EXPECT_EQ(hit, (TQHitInfo{3, 0x0102, 0x0A0B0C0D}));
    EXPECT_EQ(restored, (RestoreCohesionInfo{1, 7}));
    EXPECT_EQ(routed, (UnitRoutData{2, 14, 0}));
    EXPECT_EQ(gone, (EliminateUnitData{1, 5, 8, 0x0304}));
}

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
        {15, "AddCommentary \\BUnit 1\\b is eliminated!" + gone + "15 1"},
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
        // None removed is said in words: "had 0 cohesion hits removed" reads as a fault of the count.
        const std::string hits = row.removed == 0   ? "no cohesion hits removed."
                                 : row.removed == 1 ? "1 cohesion hit removed."
                                                    : std::to_string(row.removed) + " cohesion hits removed.";
        EXPECT_EQ(layer.lines(
                      {"AddCommentary", "DoRestoreCohesion", "CohesionRestored", "UnitDeselected", "InZOC"}),
                  (Lines{"InZOC 505", "AddCommentary \\BUnit 1\\b had " + hits,
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
