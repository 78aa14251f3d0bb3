#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/super_string.h"
#include "game/rules/combat/clash_chart.h"
#include "support/failed_checks.h"
#include "support/rules/combat_rules_fixture.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;
class MissileFire : public CombatRules {
protected:
    // Archers on 505 facing north-west, with foot to shoot at two hexes away on 503.
    OpenMissile<LightInfantry>& archersAndFoot() {
        auto& archers = shooter({1, 505, 1, NorthWest}, 1);
        fighter({2, 503, 2, SouthEast});
        return archers;
    }
};

Lines volleyLines(const BattleLayer& layer) {
    return layer.lines({"MissileVolley", "DoMissileFire", "cmd", "TQHit", "AddCommentary", "EliminateUnit",
                        "UnitEliminated"});
}

TEST_F(MissileFire, ArchersThatMovedHitHeavyInfantryTwoHexesAwayOnADieOfOneOrLess) {
    const std::string volley = "MissileVolley 1|DoMissileFire 503 1|cmd 1 MissileFire 503|";
    const std::string hit =
        volley + "TQHit 1 2 2|AddCommentary \\BUnit 1\\b fires arrows at Unit 2 for 1 cohesion hit.|"
                 "cmd 2 CohesionHit 20 cause 2";
    const std::string miss =
        volley + "AddCommentary \\BUnit 1\\b fires arrows at Unit 2 for 0 cohesion hits.";
    // The raw number 10 is a die of 0.
    for (int die : {1, 2, 10}) {
        SCOPED_TRACE(die);
        clearUnits();
        battleMap.heard.clear();
        auto& archers = shooter({1, 505, 1, NorthWest}, 1);
        archers.movementLeft_ = 4;
        auto& foot = fighter({2, 503, 2, SouthEast});
        ASSERT_EQ(text(archers.rebuildTargets()), "[503]");
        layer.clearLog();
        ScriptedRolls rolls{die};
        archers.fireAt(503);
        archers.fireMissiles(503);
        EXPECT_EQ(joined(volleyLines(layer)), die == 2 ? miss : hit);
        EXPECT_EQ(battleMap.heard, Lines{"debris 503 1 1"});
        EXPECT_EQ(values(archers.getMissilesLeft(), archers.getFiredThisActivation(),
                         archers.isDoneThisTurn(), foot.getCohesionHits()),
                  values(9, 1, 1, die == 2 ? 0 : 1));
        EXPECT_EQ(rolls.left(), 0u);
    }
}

TEST_F(MissileFire, TargetsAreTheFirstUnitsMetWithinRangeAndSightOfTheFront) {
    struct Row {
        const char* what;
        std::uint32_t missileType;
        int typeCode;
        std::vector<std::int16_t> enemies, friends;
        DIRECTION facing;
        std::int16_t hill;
        const char* targets;
    } rows[] = {
        {"sling reaches two hexes", 3, 6, {503, 502}, {}, NorthWest, -1, "[503]"},
        {"sling does not reach three", 3, 6, {502}, {}, NorthWest, -1, "[]"},
        {"the nearer enemy hides the farther", 1, 6, {504, 503}, {}, NorthWest, -1, "[504]"},
        {"javelins reach one hex", 4, 6, {504, 503}, {}, NorthWest, -1, "[504]"},
        {"nothing behind the unit", 1, 6, {506}, {}, NorthWest, -1, "[]"},
        {"the bolt-thrower sees all round", 8, 15, {506}, {}, NorthWest, -1, "[506]"},
        {"a hill between blocks the line", 1, 6, {503}, {}, NorthWest, 504, "[]"},
        {"a friend on 504 leaves no target", 1, 6, {503}, {504}, NorthWest, -1, "[]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        MapFileBuilder builder(12, 12);
        if (row.hill >= 0) builder.setHeight(row.hill, 3);
        useMap(builder);
        auto& unit = shooter({1, 505, 1, row.facing}, row.missileType);
        unit.unitType_ = static_cast<std::uint32_t>(row.typeCode);
        int number = 2;
        for (std::int16_t hex : row.enemies)
            fighter({number++, hex, 2});
        for (std::int16_t hex : row.friends)
            fighter({number++, hex, 1});
        EXPECT_EQ(text(unit.findTargets()), row.targets);
    }
}

TEST_F(MissileFire, TheMissileChartAddsItsModifiersAndHitsAtOrBelowTheEntry) {
    struct Row {
        const char* what;
        std::uint32_t type;
        std::int16_t distance;
        std::uint32_t target;
        std::int16_t woods, frontal, moved, cataphract, autoHit;
        int die;
        std::int16_t result;
    } rows[] = {
        {"moved archers at 2 on HI: m 2, entry 3", 1, 2, 2, 0, 1, 1, 0, 0, 1, 1},
        {"one more misses", 1, 2, 2, 0, 1, 1, 0, 0, 2, 0},
        {"frontal at 1 on PH: m 4, entry 5", 1, 1, 0, 0, 1, 0, 0, 0, 1, 1},
        {"one more misses", 1, 1, 0, 0, 1, 0, 0, 0, 2, 0},
        {"not frontal: m 1", 1, 1, 0, 0, 0, 0, 0, 0, 4, 1},
        {"foot javelins lose neither +3 nor moved: m 1", 4, 1, 2, 0, 1, 1, 0, 0, 4, 1},
        {"one more misses", 4, 1, 2, 0, 1, 1, 0, 0, 5, 0},
        {"type 7 skips +3 but counts moving: m 2, entry 3", 7, 1, 2, 0, 1, 1, 0, 0, 1, 1},
        {"one more misses", 7, 1, 2, 0, 1, 1, 0, 0, 2, 0},
        {"woods: m 1, entry 9", 2, 1, 6, 1, 0, 0, 0, 0, 8, 1},
        {"one more misses", 2, 1, 6, 1, 0, 0, 0, 0, 9, 0},
        {"bows on cataphracts: m 2", 1, 1, 8, 0, 0, 0, 1, 0, 3, 1},
        {"one more misses", 1, 1, 8, 0, 0, 0, 1, 0, 4, 0},
        {"slings on cataphracts: m 1, entry 3", 3, 1, 8, 0, 0, 0, 1, 0, 2, 1},
        {"one more misses", 3, 1, 8, 0, 0, 0, 1, 0, 3, 0},
        {"bolts ignore cataphracts: entry 7", 8, 1, 8, 0, 0, 0, 1, 0, 7, 1},
        {"one more misses", 8, 1, 8, 0, 0, 0, 1, 0, 8, 0},
        {"long bow range hits only on 0", 2, 5, 6, 0, 0, 0, 0, 0, 0, 1},
        {"and misses on 1", 2, 5, 6, 0, 0, 0, 0, 0, 1, 0},
        {"auto-hit counts roll and modifiers 0", 2, 5, 2, 0, 0, 1, 0, 1, 9, 1},
        {"the bolt at 7 on an elephant counts 2", 8, 7, 13, 0, 0, 0, 0, 0, 0, 2},
        {"a chariot counts 2", 1, 1, 14, 0, 0, 0, 0, 0, 5, 2},
        {"a type off the table never hits", 9, 1, 6, 0, 0, 0, 0, 1, 0, 0},
        {"nor does distance 0", 1, 0, 6, 0, 0, 0, 0, 1, 0, 0},
        {"nor distance 8", 8, 8, 6, 0, 0, 0, 0, 1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        setMissileAutoHit(row.autoHit);
        ScriptedRolls rolls{row.die};
        const MissileChartResult r = MissileCapable::missileChart(
            row.type, row.distance, row.target, row.woods, row.frontal, row.moved, row.cataphract);
        EXPECT_EQ(values(r.result, r.rawZero), values(row.result, row.die == 0 ? 1 : 0));
    }
    setMissileAutoHit(0);
}

TEST_F(MissileFire, AHitOnARoutingUnitEliminatesItAndAMissLeavesIt) {
    for (int die : {0, 9}) {
        SCOPED_TRACE(die);
        clearUnits();
        auto& slingers = shooter<Skirmisher>({1, 505, 1, NorthWest}, 3);
        auto& foot = fighter({2, 504, 2, SouthEast}, 6);
        foot.routing_ = 1;
        slingers.rebuildTargets();
        layer.clearLog();
        ScriptedRolls rolls{die};
        slingers.fireAt(504);
        slingers.fireMissiles(504);
        const Lines hit{"EliminateUnit 2",
                        "AddCommentary \\BUnit 1\\b slings stones at Unit 2 and Unit 2 is \\Beliminated\\b.",
                        "UnitEliminated 2 5 6 2"};
        const Lines miss{"AddCommentary \\BUnit 1\\b slings stones at Unit 2 for 0 cohesion hits."};
        EXPECT_EQ(layer.lines({"AddCommentary", "EliminateUnit", "UnitEliminated", "TQHit"}),
                  die == 0 ? hit : miss);
    }
}

// A second volley of the same step at a unit whose elimination the first decided finds it gone: it falls
// on whoever else stands in the hex, and on nobody when nobody does.
TEST_F(MissileFire, AVolleyAtAUnitAlreadyOnItsWayOutFallsOnWhoeverElseStandsThere) {
    for (bool leaderThere : {false, true}) {
        SCOPED_TRACE(leaderThere ? "a leader with it" : "alone");
        clearUnits();
        auto& slingers = shooter<Skirmisher>({1, 505, 1, NorthWest}, 3);
        auto& foot = fighter({2, 504, 2, SouthEast}, 6);
        if (leaderThere) leader(3, 504, 2);
        foot.routing_ = 1;
        slingers.rebuildTargets();
        foot.condemn();
        layer.clearLog();
        ScriptedRolls rolls{leaderThere ? 50 : 0};
        slingers.fireAt(504);
        slingers.fireMissiles(504);
        const Lines onTheLeader{"AddCommentary \\BUnit 1\\b slings stones at Unit 3.",
                                "AddCommentary \\BUnit 3\\b  was not harmed by missile fire."};
        EXPECT_EQ(layer.lines({"AddCommentary", "EliminateUnit", "UnitEliminated", "TQHit"}),
                  leaderThere ? onTheLeader : Lines{});
        EXPECT_EQ(rolls.left(), leaderThere ? 0u : 1u);
    }
}

// A thrower told gone while its volley is in flight (an elephant broken and rampaging, a unit eliminated)
// throws nothing when the display answers: no roll, no hit, no word.
TEST_F(MissileFire, AVolleyInFlightWhenItsThrowerIsGoneLandsNowhere) {
    struct Row {
        const char* what;
        bool condemned, eliminated;
        Lines told;
    } rows[] = {
        {"standing",
         false,
         false,
         {"TQHit 1 2 2", "AddCommentary \\BUnit 1\\b fires arrows at Unit 2 for 1 cohesion hit."}},
        {"bound to leave play", true, false, {}},
        {"eliminated", false, true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& archers = archersAndFoot();
        archers.rebuildTargets();
        battleMap.answersVolleys = false;
        archers.fireAt(503);
        if (row.condemned) archers.condemn();
        if (row.eliminated) archers.disconnectHandlers();
        layer.clearLog();
        ScriptedRolls rolls{0};
        Container<MissileDebrisStruct> own(MissileDebrisStruct{503, 1, 1});
        layer.sendNamed("ReturnFromMissileFire", &own);
        EXPECT_EQ(layer.lines({"TQHit", "AddCommentary"}), row.told);
        EXPECT_EQ(rolls.left(), row.told.empty() ? 1u : 0u);
    }
    battleMap.answersVolleys = true;
}

TEST_F(MissileFire, AVolleyAtALeaderGoesToHisCasualtyCheckWithoutTheChart) {
    auto& archers = shooter({1, 505, 1, NorthWest}, 1);
    leader(2, 503, 2);
    ASSERT_EQ(text(archers.rebuildTargets()), "[503]");
    layer.clearLog();
    ScriptedRolls rolls{50}; // the casualty check's percentage, and nothing for the chart
    archers.fireAt(503);
    archers.fireMissiles(503);
    EXPECT_EQ(layer.lines({"AddCommentary", "TQHit"}),
              (Lines{"AddCommentary \\BUnit 1\\b fires arrows at Unit 2.",
                     "AddCommentary \\BUnit 2\\b  was not harmed by missile fire."}));
    EXPECT_EQ(rolls.left(), 0u);
}

TEST_F(MissileFire, TheCommandTogglesTheChoiceOfTargetAndTheClickFiresOnce) {
    auto& archers = shooter({1, 505, 1, NorthWest}, 2);
    fighter({2, 503, 2, SouthEast});
    archers.registerSelectedMessages();
    layer.clearLog();
    layer.sendNamedEmpty("MissleVolley");
    EXPECT_EQ(values(archers.isChoosingTarget(), text(archers.getTargetHexes())), "1 [503]");
    EXPECT_EQ(layer.lines({"menu", "45", "46", "56"}),
              (Lines{"menu- 221", "menu- 220", "46 " + text(archers.getValidMoves()), "45 [503]", "56 0"}));
    battleMap.heard.clear();
    archers.showHexToMoveTo(503);
    archers.showHexToMoveTo(504);
    EXPECT_EQ(battleMap.heard, (Lines{"ChangeCursor Arrow", "ChangeCursor ArrowCursor"}));

    // A second use takes the order back; the moves light again.
    layer.clearLog();
    layer.sendNamedEmpty("MissleVolley");
    EXPECT_EQ(archers.isChoosingTarget(), 0);
    EXPECT_EQ(
        layer.lines({"menu", "45", "46", "56"}),
        (Lines{"46 [503]", "56 0", "menu+ 221", "menu+ 220", "45 " + text(archers.getValidMoves()), "56 0"}));

    layer.sendNamedEmpty("MissleVolley");
    Container<short> miss(504), target(503);
    layer.send(REGION_SELECTED, &miss);
    EXPECT_EQ(layer.lines({"DoMissileFire"}), Lines{});
    layer.send(REGION_SELECTED, &target);
    EXPECT_EQ(layer.lines({"DoMissileFire"}), Lines{"DoMissileFire 503 1"});
    EXPECT_EQ(values(archers.isChoosingTarget(), archers.getFiredThisActivation()), "0 1");
    // One volley an activation: the command does nothing more, and the click moves again.
    layer.clearLog();
    layer.sendNamedEmpty("MissleVolley");
    EXPECT_EQ(values(archers.isChoosingTarget(), layer.log.size()), "0 0");
    archers.unregisterSelectedMessages();
    EXPECT_EQ(archers.getUsedThisTurn(), 1);
    archers.beginOrdersPhase();
    EXPECT_EQ(archers.getFiredThisActivation(), 0);
}

TEST_F(MissileFire, AWithdrawalWhileChoosingRelightsOnlyTheTargetsThatChanged) {
    auto& archers = shooter({1, 505, 1, NorthWest}, 1);
    auto& front = fighter({2, 504, 2, SouthEast});
    fighter({3, 503, 2, SouthEast});
    archers.MissileVolley(0);
    ASSERT_EQ(text(archers.getTargetHexes()), "[504]");
    map->removeFromRegion(&front, 504);
    layer.clearLog();
    Container<ResolveOWStruct> stayed(ResolveOWStruct{0, 504}), withdrew(ResolveOWStruct{1, 504});
    layer.sendNamed("OWResolved", &stayed);
    EXPECT_EQ(layer.lines({"45", "46"}), Lines{});
    layer.sendNamed("OWResolved", &withdrew);
    EXPECT_EQ(layer.lines({"45", "46"}), (Lines{"46 [504]", "45 [503]"}));
    EXPECT_EQ(text(archers.getTargetHexes()), "[503]");
    map->addToRegion(&front, 504);
}

TEST_F(MissileFire, DeselectingWhileChoosingPutsEverythingBack) {
    auto& archers = archersAndFoot();
    archers.registerSelectedMessages();
    archers.MissileVolley(0);
    layer.clearLog();
    archers.unregisterSelectedMessages();
    EXPECT_EQ(archers.isChoosingTarget(), 0);
    const Lines firstLines(layer.log.begin(), layer.log.begin() + 5);
    EXPECT_EQ(firstLines,
              (Lines{"menu- 219", "46 [503]", "45 " + text(archers.getValidMoves()), "56 0", "64 219"}));
    // Nothing is left listening for the fire click or for withdrawals.
    layer.clearLog();
    Container<short> target(503);
    layer.send(REGION_SELECTED, &target);
    Container<ResolveOWStruct> withdrew(ResolveOWStruct{1, 503});
    layer.sendNamed("OWResolved", &withdrew);
    EXPECT_EQ(layer.lines({"DoMissileFire", "45", "46"}), Lines{});
}

TEST_F(MissileFire, AWithdrawalSegmentEndingWhileChoosingLeavesTheClickToFire) {
    auto& archers = archersAndFoot();
    archers.registerSelectedMessages();
    archers.MissileVolley(0);
    archers.EndOWSegment(0, &archers);
    layer.clearLog();
    Container<short> move(506), target(503);
    layer.send(REGION_SELECTED, &move);
    EXPECT_EQ(layer.lines({"UnitMovement ", "DoMissileFire"}), Lines{});
    layer.send(REGION_SELECTED, &target);
    EXPECT_EQ(layer.lines({"UnitMovement ", "DoMissileFire"}), Lines{"DoMissileFire 503 1"});
}

TEST_F(MissileFire, TheCommandIsOfferedOnlyToAnOrderableUnitWithMissiles) {
    struct Row {
        const char* what;
        std::uint16_t left;
        std::int16_t routing, fired;
        std::uint16_t mode;
        bool offered;
    } rows[] = {{"ready", 10, 0, 0, 0, true},
                {"empty", 0, 0, 0, 0, false},
                {"routing", 10, 1, 0, 0, false},
                {"fired", 10, 0, 1, 0, false},
                {"special order mode", 10, 0, 0, 1, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& archers = shooter({1, 505, 1, NorthWest}, 1);
        archers.missilesLeft_ = row.left;
        archers.routing_ = row.routing;
        archers.firedThisActivation_ = row.fired;
        archers.orderMode_ = row.mode;
        layer.clearLog();
        archers.registerSelectedMessages();
        EXPECT_EQ(layer.lines({"menu+ 219"}).size(), row.offered ? 1u : 0u);
        archers.unregisterSelectedMessages();
    }
}

TEST_F(MissileFire, AnOrderGivenAgainCostsAHitFirstAndARoutCancelsIt) {
    for (std::int16_t hits : {0, 4}) {
        SCOPED_TRACE(hits);
        clearUnits();
        auto& archers = archersAndFoot();
        archers.usedThisTurn_ = 1;
        archers.cohesionHits_ = static_cast<std::uint16_t>(hits);
        archers.rebuildTargets();
        layer.clearLog();
        archers.fireAt(503);
        Lines expected{
            "AddCommentary \\BUnit 1\\b is taking a cohesion hit for being ordered again this turn.",
            "TQHit 1 1 0"};
        if (hits == 0) expected.push_back("DoMissileFire 503 1");
        EXPECT_EQ(layer.lines({"AddCommentary \\BUnit 1\\b is taking", "TQHit 1 1", "DoMissileFire"}),
                  expected);
        EXPECT_EQ(archers.getFiredThisActivation(), hits == 0 ? 1 : 0);
    }
}

TEST_F(MissileFire, ReplenishingDrawsAFewVolleysAndEndsTheUnitsTurn) {
    struct Row {
        std::uint32_t type;
        std::uint16_t left;
        std::int16_t routing;
        int roll;
        std::uint16_t after;
        bool replenished;
    } rows[] = {{1, 0, 0, 14, 4, true}, {1, 0, 0, 15, 0, true}, {4, 0, 0, 3, 1, true},
                {4, 0, 0, 4, 0, true},  {8, 0, 0, 9, 4, true},  {1, 1, 0, 14, 1, false},
                {1, 0, 1, 14, 0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.type, row.left, row.routing, row.roll));
        clearUnits();
        auto& unit = shooter({1, 505, 1, NorthWest}, row.type);
        unit.missilesLeft_ = row.left;
        unit.routing_ = row.routing;
        ScriptedRolls rolls{row.roll};
        unit.replenish();
        EXPECT_EQ(unit.getMissilesLeft(), row.after);
        EXPECT_EQ(values(unit.isDoneThisTurn(), unit.getUsedThisTurn()), row.replenished ? "1 1" : "0 0");
        EXPECT_EQ(layer.lines({"AddCommentary"}), row.replenished
                                                      ? Lines{"AddCommentary \\BUnit 1\\b replenished "
                                                              "missiles and cannot be moved again this turn."}
                                                      : Lines{});
    }
}

TEST_F(MissileFire, AnEmptyQuiverNeitherFiresNorWrapsRound) {
    auto& archers = archersAndFoot();
    archers.missilesLeft_ = 0;
    EXPECT_EQ(archers.fireAtHex(503), 0);
    battleMap.answersVolleys = false;
    archers.fireMissiles(503);
    EXPECT_EQ(archers.getMissilesLeft(), 0);
    archers.missilesLeft_ = 1;
    EXPECT_EQ(archers.fireAtHex(503), 1);
}

TEST_F(MissileFire, RoutingEmptiesTheQuiversOfTheFirstFourTypesOnly) {
    for (std::uint32_t type : {1u, 3u, 4u, 5u, 8u}) {
        SCOPED_TRACE(type);
        clearUnits();
        auto& unit = shooter({1, 505, 1, NorthWest}, type);
        unit.prepareToRout();
        EXPECT_EQ(unit.getMissilesLeft(), type <= 4 ? 0 : unit.getMissileSupply());
    }
}

TEST_F(MissileFire, RangeSupplyAndQueriesFollowTheMissileType) {
    struct Row {
        std::uint32_t type;
        std::uint16_t range, supply;
    } rows[] = {{1, 4, 10}, {2, 5, 10}, {3, 2, 10}, {4, 1, 3}, {5, 1, 10},
                {6, 3, 10}, {7, 1, 3},  {8, 7, 99}, {0, 0, 0}, {9, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        clearUnits();
        auto& unit = shooter({1, 505, 1, NorthWest}, row.type);
        EXPECT_EQ(values(unit.getRange(), unit.getMissileSupply(), unit.getMissilesLeft()),
                  values(row.range, row.supply, row.supply));
        EXPECT_EQ(values(unit.Query(6), unit.Query(7), unit.Query(8), unit.Query(1)),
                  values(row.type, row.range, row.supply, 5));
    }
}

TEST_F(MissileFire, TheKindsFixTheirTypeCodesAndWorth) {
    MissileCapableUnitData own = missileRecord({1, 505, 1, NorthWest, 7}, 1);
    CombatUnitData other = record({1, 505, 1, NorthWest, 7});
    struct Row {
        const char* kind;
        std::unique_ptr<VaelUnit> prototype;
        std::uint32_t type;
        std::int16_t value, flag, attacks;
    };
    Row rows[] = {
        {"chariot", std::make_unique<Chariot>(own, "c"), 14, 2, 1, 1},
        {"skirmisher", std::make_unique<Skirmisher>(own, "s"), 7, 1, 0, 0},
        {"light infantry", std::make_unique<LightInfantry>(own, "l"), 6, 7, 0, 1},
        {"peltast", std::make_unique<Peltast>(own, "p"), 5, 7, 0, 1},
        {"medium infantry", std::make_unique<MediumInfantry>(own, "m"), 3, 7, 1, 1},
        {"light cavalry", std::make_unique<LightCav>(own, "lc"), 12, 7, 0, 1},
        {"bolt-thrower", std::make_unique<Oxybele>(own, "o"), 15, 0, 0, 1},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.kind);
        std::unique_ptr<VaelUnit> made(row.prototype->create(own, "made"));
        ASSERT_NE(made, nullptr);
        auto* unit = dynamic_cast<MissileCapable*>(made.get());
        ASSERT_NE(unit, nullptr);
        const_cast<List<short>&>(unit->getAttackHexes()).append(504);
        EXPECT_EQ(values(unit->getUnitType(), unit->pointValue(), unit->kindFlag(), unit->canAttackHex(504),
                         unit->isMissileCapable()),
                  values(row.type, row.value, row.flag, row.attacks, 1));
        EXPECT_EQ(std::unique_ptr<VaelUnit>(row.prototype->create(other, "wrong record")), nullptr);
    }
}

TEST_F(MissileFire, TheSavedStateAddsVolleysAndTheTwoFlags) {
    auto& archers = archersAndFoot();
    archers.missilesLeft_ = 7;
    archers.firedThisActivation_ = 1;
    SuperString combatOnly;
    archers.Combat::write(combatOnly);
    SuperString file;
    archers.write(file);
    const auto bytes = bytesOf(file);
    const auto before = bytesOf(combatOnly);
    ASSERT_EQ(bytes.size(), before.size() + 6);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 6, bytes.end()),
              (std::vector<std::uint8_t>{7, 0, 1, 0, 0, 0}));

    struct Row {
        std::vector<std::uint8_t> tail;
        bool read;
    } rows[] = {{{3, 0, 0, 0, 0, 0}, true},   {{10, 0, 0, 0, 0, 0}, true},
                {{11, 0, 0, 0, 0, 0}, false}, {{0xFF, 0xFF, 0, 0, 0, 0}, false},
                {{3, 0, 2, 0, 0, 0}, false},  {{3, 0, 0, 0, 2, 0}, false},
                {{3, 0, 0, 0}, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(text(row.tail.size()) + " bytes, first " + text(row.tail[0]));
        auto& copy = shooter({3, 808, 1, NorthWest}, 1);
        std::vector<std::uint8_t> all = before;
        all.insert(all.end(), row.tail.begin(), row.tail.end());
        SuperString in;
        in.write(all.data(), static_cast<std::int32_t>(all.size()));
        EXPECT_EQ(copy.read(in), row.read);
        if (row.read) {
            EXPECT_EQ(copy.getMissilesLeft(), row.tail[0]);
        }
    }
}

TEST_F(MissileFire, ASavedChoiceOfTargetIsTakenUpAgainOnReading) {
    auto& archers = archersAndFoot();
    archers.MissileVolley(0);
    SuperString file;
    archers.write(file);
    auto& copy = shooter({3, 505, 1, NorthWest}, 1);
    layer.clearLog();
    ASSERT_TRUE(copy.read(file));
    EXPECT_EQ(values(copy.isChoosingTarget(), text(copy.getTargetHexes())), "1 [503]");
    EXPECT_EQ(layer.lines({"45"}), Lines{"45 [503]"});
}

TEST_F(MissileFire, ThePayloadsOfAVolleyHaveFixedBytes) {
    SuperString s;
    s << MissileFireStruct{503, 7} << MissileDebrisStruct{0x0102, 8, 0xFFFE};
    EXPECT_EQ(bytesOf(s), (std::vector<std::uint8_t>{0xF7, 0x01, 7, 0, 0x02, 0x01, 8, 0, 0, 0, 0xFE, 0xFF}));
    MissileFireStruct fire;
    MissileDebrisStruct debris;
    s >> fire >> debris;
    EXPECT_EQ(fire, (MissileFireStruct{503, 7}));
    EXPECT_EQ(debris, (MissileDebrisStruct{0x0102, 8, 0xFFFE}));
}

TEST_F(MissileFire, AVolleyAnswerOfTheWrongKindIsReportedNotActedOn) {
    auto& archers = archersAndFoot();
    archers.rebuildTargets();
    battleMap.answersVolleys = false;
    archers.fireAt(503);
    FailedChecks failed;
    Container<short> wrong(1);
    layer.sendNamed("ReturnFromMissileFire", &wrong);
    EXPECT_EQ(failed.count(), 1);
    // Another unit's volley is none of this one's business; its own is resolved once.
    layer.clearLog();
    ScriptedRolls rolls{0};
    Container<MissileDebrisStruct> other(MissileDebrisStruct{503, 1, 9}), own(MissileDebrisStruct{503, 1, 1});
    layer.sendNamed("ReturnFromMissileFire", &other);
    EXPECT_EQ(layer.lines({"TQHit"}), Lines{});
    layer.sendNamed("ReturnFromMissileFire", &own);
    layer.sendNamed("ReturnFromMissileFire", &own);
    EXPECT_EQ(layer.lines({"TQHit"}), Lines{"TQHit 1 2 2"});
}

} // namespace
} // namespace vael
