#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/registered_message.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_units.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

// Neighbours by region direction 1, 2, 4, 5, 6, 8: of 505 504 605 606 506 406 405; of 303 302 403 404
// 304 204 203; of 406 405 506 507 407 306 305.
MapFileBuilder steps() {
    MapFileBuilder b(12, 12);
    b.setHeight(504, 3).setHeight(605, 4).setHeight(606, 5).setHeight(506, 2).setHeight(406, 0).setHeight(407,
                                                                                                          2);
    b.addTerrain(302, 1).addTerrain(403, 3).addTerrain(404, 5).addTerrain(204, 1);
    b.addSide(303, 6, 6).addSide(303, 8, 20);
    return b;
}

using Movement = FightingUnits;

TEST_F(Movement, StepCostsAndBarsByKind) {
    struct Row {
        const char* kind;
        int type;
        std::int16_t from;
        std::vector<std::int16_t> to;
        std::string costs;
    } rows[] = {
        // Up 2, 3 and 4 levels, up 1, level 0 counted as 1, level ground.
        {"infantry", 2, 505, {504, 605, 606, 506, 406, 405}, "3 -1 -1 2 2 1"},
        {"skirmisher", 7, 505, {504, 605, 606, 506, 406, 405}, "3 4 -1 2 2 1"},
        {"cavalry", 8, 505, {504, 605, 606, 506, 406, 405}, "-1 -1 -1 2 2 1"},
        {"elephant", 13, 505, {504, 605, 606, 506, 406, 405}, "-1 -1 -1 2 2 1"},
        // From level 0 (counted 1) to level 2: one level up for the rule, two for the cost.
        {"cavalry from level 0", 8, 406, {407}, "3"},
        // Woods, marsh, deep river, open, a minor river side into woods, an impassable side.
        {"infantry in terrain", 2, 303, {302, 403, 404, 304, 204, 203}, "2 2 2 1 3 -1"},
        {"elephant in terrain", 13, 303, {302, 403, 404, 304, 204, 203}, "2 -1 2 1 3 -1"},
        {"chariot in terrain", 14, 303, {302, 403, 404, 304, 204, 203}, "-1 -1 -1 1 -1 -1"},
    };
    useMap(steps());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        clearUnits();
        auto& unit = add({1, row.from}, row.type);
        EXPECT_EQ(answers(row.to, [&](std::int16_t to) { return unit.stepCost(row.from, to); }), row.costs);
    }
}

TEST_F(Movement, CavalryKeepsOutOfAnEnemyElephantsZone) {
    add({9, 705, 2, West}, 13); // controls 605 and 606
    auto& cavalry = add<HeavyCav>({1, 505, 1});
    auto& infantry = add({2, 303, 1});
    EXPECT_EQ(values(cavalry.stepCost(505, 605), infantry.stepCost(505, 605)), "-1 1");
    clearUnits();
    add({9, 705, 1, West}, 13); // a friendly elephant's zone is no enemy zone
    auto& friendCavalry = add<HeavyCav>({1, 505, 1});
    EXPECT_EQ(friendCavalry.stepCost(505, 605), 1);
}

TEST_F(Movement, AUnitMovesOnlyThroughItsFrontSidesAndNeverOntoAFriend) {
    auto& unit = add({1, 505, 1, East, 5, 4, 0, 2});
    EXPECT_EQ(text(unit.GetValidMovement()), "[505 605 606 704 705 706]");
    // A friend on 605 is no destination.
    clearUnits();
    add({2, 605, 1});
    EXPECT_EQ(text(add({1, 505, 1, East, 5, 4, 0, 2}).GetValidMovement()), "[505 606 705 706]");
}

TEST_F(Movement, AnEnemyZoneEndsTheMoveAndItsUnitsBecomeTargets) {
    add({9, 705, 2, West}); // controls 605 and 606
    auto& unit = add({1, 505, 1, East});
    unit.selectedHex_ = 505;
    EXPECT_EQ(text(unit.GetValidMovement()), "[505 605 606]");
    EXPECT_EQ(text(unit.getAttackHexes()), "[705]");
    clearUnits();
    add({9, 705, 2, West});
    auto& inside = add({1, 605, 1, East, 5, 4, 0, 2});
    inside.selectedHex_ = 605;
    // Selected inside the zone, it may leave; selected elsewhere, it is stuck there.
    EXPECT_EQ(text(inside.GetValidMovement()), "[605 704 804 805]");
    inside.selectedHex_ = 505;
    EXPECT_EQ(text(inside.GetValidMovement()), "[605]");
}

TEST_F(Movement, ADoubleSizedUnitLosesTheHexesBesideAnOccupiedOneThatWouldPutItsOtherHalfThere) {
    TestLeader leader(UnitSetup(9, 605, map.get(), 1));
    map->addToRegion(&leader, 605);
    auto& phalanx = add<Phalanx>({1, 505, 1, East, 5, 4, 0, 1});
    // Reached: 605 past the leader, with 606 as its second half, and 606 with 607 beside it. 605 goes;
    // 606 stays because the hex beyond it, 607, is reached and empty.
    EXPECT_EQ(text(phalanx.GetValidMovement()), "[505 506 606 607]");
    EXPECT_EQ(text(phalanx.getBlockedMoves()), "[607]");
    map->removeFromRegion(&leader, 605);
}

TEST_F(Movement, TheFacingMenuFollowsTheMovementLeft) {
    auto& unit = add({1, 505, 1, East});
    auto& skirmisher = add({2, 808, 1, East}, 7);
    layer.clearLog();
    unit.GetValidMovement();
    unit.movementLeft_ = 0;
    unit.GetValidMovement();
    skirmisher.movementLeft_ = 0;
    skirmisher.turned_ = 1;
    skirmisher.GetValidMovement();
    EXPECT_EQ(layer.lines({"menu"}), (Lines{"menu- 235", "menu+ 220", "menu+ 221", "menu- 235", "menu- 220",
                                            "menu- 221", "menu- 235", "menu+ 220", "menu+ 221"}));
}

TEST_F(Movement, TerrainHitsOfAFinishedStep) {
    struct Row {
        const char* what;
        int type;
        std::int16_t from, to;
        const char* expected;
    } rows[] = {
        {"woods", 2, 303, 302, "AddCommentary \\BUnit 1\\b moved in woods for 1 hit.|TQHit 1 1 0"},
        {"woods across a minor river", 2, 303, 204,
         "AddCommentary \\BUnit 1\\b moved in woods for 1 hit and across a minor river for 1 hit.|"
         "TQHit 2 1 0"},
        {"skirmisher in woods", 7, 303, 302, ""},
        {"cavalry in woods", 8, 303, 302, "AddCommentary \\BUnit 1\\b moved in woods for 1 hit.|TQHit 1 1 0"},
        {"open ground", 2, 303, 304, ""},
        {"elephant into a deep river", 13, 303, 404,
         "AddCommentary \\BUnit 1\\b moved into a major river, losing all cohesion.|TQHit 99 1 0|"
         "AddCommentary \\BUnit 1\\b is rampaging!"},
        {"cavalry up two levels", 8, 505, 504,
         "AddCommentary \\BUnit 1\\b loses all cohesion for moving up 2 levels.|TQHit 99 1 0|"
         "AddCommentary \\BUnit 1\\b is routing!"},
        {"infantry up two levels", 2, 505, 504,
         "AddCommentary \\BUnit 1\\b takes 2 cohesion hits for moving up 2 levels.|TQHit 2 1 0"},
        {"infantry down one level", 2, 506, 505,
         "AddCommentary \\BUnit 1\\b takes 1 cohesion hit for moving down 1 level.|TQHit 1 1 0"},
        {"cavalry down one level", 8, 506, 505, ""},
        {"skirmisher up three levels", 7, 505, 605,
         "AddCommentary \\BUnit 1\\b takes 3 cohesion hits for moving up 3 levels.|TQHit 3 1 0"},
        // Level 0 is a river bed: it counts as level 1 for the climb, and carries the river.
        {"down to a river bed", 2, 505, 406,
         "AddCommentary \\BUnit 1\\b moved into a major river for 1 hit.|TQHit 1 1 0"},
    };
    useMap(steps());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& unit = add({1, row.from, 1, East, 9}, row.type);
        layer.clearLog();
        unit.stepCohesionHits(row.from, row.to, 0);
        EXPECT_EQ(
            joined(layer.lines({"AddCommentary \\BUnit 1\\b m", "AddCommentary \\BUnit 1\\b t",
                                "AddCommentary \\BUnit 1\\b l", "AddCommentary \\BUnit 1\\b is r", "TQHit"})),
            row.expected);
    }
}

TEST_F(Movement, CavalryTakesTwoHitsNextToAnyElephantUnlessBothServeOneLeader) {
    add({9, 705, 1, West, 5, 4, 0, 6, 4}, 13);
    auto& cavalry = add<HeavyCav>({1, 505, 1, East, 9, 4, 0, 6, 4});
    auto& other = add<HeavyCav>({2, 101, 1, East, 9, 4, 0, 6, 3});
    auto& infantry = add({3, 909, 1, East, 9});
    auto hits = [&](Combat& unit, std::uint16_t flag) {
        layer.clearLog();
        unit.stepCohesionHits(505, 605, flag);
        return joined(layer.lines({"AddCommentary", "TQHit"}));
    };
    EXPECT_EQ(hits(cavalry, 0),
              "AddCommentary \\BUnit 1\\b moved next to an elephant for 2 hits.|TQHit 2 1 0");
    EXPECT_EQ(hits(cavalry, 1), "");
    EXPECT_EQ(hits(other, 1), "AddCommentary \\BUnit 2\\b moved next to an elephant for 2 hits.|TQHit 2 2 0");
    EXPECT_EQ(hits(infantry, 0), "");
}

TEST_F(Movement, AUnitUsedEarlierPaysOneHitForItsFirstOrderOnly) {
    auto& unit = add({1, 505, 1, East, 9});
    unit.usedThisTurn_ = 1;
    layer.clearLog();
    unit.rotateRight();
    unit.rotateRight();
    unit.UnitAboutFace();
    EXPECT_EQ(layer.lines({"AddCommentary", "TQHit"}),
              (Lines{"AddCommentary \\BUnit 1\\b is taking a cohesion hit for being ordered again this turn.",
                     "TQHit 1 1 0"}));
    // Two steps clockwise and an about-face: from East to North-east.
    EXPECT_EQ(values(unit.getFacing(), unit.getCohesionHits(), unit.getOrderedThisActivation()), "2 1 1");
}

TEST_F(Movement, TurningCostsAPointExceptASkirmishersLaterTurnsAndChariotsTakeHits) {
    auto& infantry = add({1, 505, 1, East, 9});
    auto& skirmisher = add({2, 808, 1, East, 9}, 7);
    auto& chariot = add({3, 202, 1, East, 9}, 14);
    infantry.rotateRight();
    infantry.rotateLeft();
    skirmisher.rotateRight();
    skirmisher.rotateRight();
    layer.clearLog();
    chariot.rotateRight();
    EXPECT_EQ(values(infantry.getMovementLeft(), skirmisher.getMovementLeft(), chariot.getMovementLeft()),
              "4 5 5");
    EXPECT_EQ(values(infantry.getFacing(), skirmisher.getFacing(), chariot.getFacing()), "3 6 4");
    EXPECT_EQ(layer.lines({"TQHit", "menu- 22"}), (Lines{"menu- 221", "menu- 220", "TQHit 2 3 0"}));
}

TEST_F(Movement, TurningRebuildsTheSurroundings) {
    auto& unit = add({1, 505, 1, East});
    unit.rotateRight();
    EXPECT_EQ(values(unit.getZOCHexes(), unit.getFlankHexes()), "[506 606] [605 406]");
}

// Neighbours of 705 (odd column) by region direction 1, 2, 4, 5, 6, 8: 704 805 806 706 606 605.
class Orders : public FightingUnits {
protected:
    Open<Hoplite>& selected(const Troop& t) {
        auto& unit = add(t);
        unit.potentialToBeOrdered_ = 1;
        unit.selectedHex_ = static_cast<std::uint16_t>(t.hex);
        return unit;
    }
};

TEST_F(Orders, SelectionShowsTheStatusAndOffersTheRestoreOrderToAHitUnit) {
    auto& unit = add({1, 505, 1, East});
    unit.cohesionHits_ = 2;
    layer.clearLog();
    unit.registerSelectedMessages();
    ASSERT_GE(app.statusTexts.size(), 2u);
    EXPECT_EQ(app.statusTexts[0], (std::pair<std::int16_t, std::string>(1, "Unit 1 (HI)")));
    EXPECT_EQ(app.statusTexts[1], (std::pair<std::int16_t, std::string>(2, "TQ: 5  Hits: 2  Size: 4")));
    EXPECT_EQ(layer.lines({"menu+ 214"}).size(), 1u);
    // The order arrives on the bus while selected; the unit lets go of the selection when it is done.
    ScriptedRolls rolls{50};
    Container<short> initiative(4);
    layer.clearLog();
    unit.sendNamed("UnitRestoreCohesion", &initiative);
    EXPECT_EQ(layer.lines({"DoRestoreCohesion", "UnitDeselected", "menu- 2", "menu- 213", "ChangeCursor"}),
              (Lines{"DoRestoreCohesion 0 1", "UnitDeselected 0", "menu- 235", "menu- 222", "menu- 225",
                     "menu- 220", "menu- 221", "menu- 213", "menu- 214", "ChangeCursor ArrowCursor"}));
    EXPECT_EQ(unit.isSelected(), 0);
    EXPECT_EQ(app.statusTexts.back(), (std::pair<std::int16_t, std::string>(2, "")));
    layer.clearLog();
    unit.sendNamed("UnitRestoreCohesion", &initiative);
    EXPECT_EQ(layer.lines({"DoRestoreCohesion"}), Lines{});
}

TEST_F(Orders, AnUnhurtOrSpentUnitIsNotOfferedTheRestoreOrder) {
    auto& unhurt = add({1, 505, 1, East});
    auto& spent = add({2, 808, 1, East});
    spent.cohesionHits_ = 1;
    spent.doneForTurn_ = 1;
    layer.clearLog();
    unhurt.registerSelectedMessages();
    spent.registerSelectedMessages();
    EXPECT_EQ(layer.lines({"menu+ 214"}), Lines{});
}

TEST_F(Orders, TheCursorShowsASwordOverAnEnemyAndChoosingOneNextToTheUnitStartsTheShockWithoutAMove) {
    add({9, 705, 2, West});
    auto& unit = selected({1, 605, 1, East});
    unit.validMoves_ = unit.GetValidMovement();
    layer.clearLog();
    unit.showHexToMoveTo(705);
    unit.showHexToMoveTo(704);
    EXPECT_EQ(layer.lines({"ChangeCursor"}), (Lines{"ChangeCursor Sword", "ChangeCursor ArrowCursor"}));
    EXPECT_EQ(values(unit.canAttackHex(705), unit.canAttackHex(704)), "1 0");
    EXPECT_EQ(unit.hexChosen(705), 0);
    EXPECT_EQ(values(unit.getOrderHex(), unit.getHex(), unit.getTurned()), "705 605 0");
    EXPECT_EQ(layer.lines({"UnitMovementDone"}), Lines{});
    // Another unit's finished move ends the order noted.
    unit.MovementDone(2, 7);
    EXPECT_EQ(unit.getOrderHex(), 0xFFFF);
}

// Horses refused a hex by an elephant are told why; refused any other hex, they cannot reach it.
TEST_F(Orders, CavalryRefusedNearAnElephantIsToldWhy) {
    add({9, 705, 2, West}, 13); // an enemy elephant: controls 605 and 606
    auto& cavalry = add<HeavyCav>({1, 505, 1, East});
    cavalry.potentialToBeOrdered_ = 1, cavalry.selectedHex_ = 505, cavalry.selected_ = 1;
    cavalry.validMoves_ = cavalry.GetValidMovement();
    const std::string why =
        "Unit 1 will not go near the elephants: horses will not enter an elephant's zone of control.";
    const struct {
        const char* what;
        std::int16_t hex;
        std::string said;
    } rows[] = {
        {"in the elephant's zone", 605, why},
        {"the elephant itself", 705, why},
        {"out of reach elsewhere", 1111, "Unit 1 cannot reach that hex."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        app.statusTexts.clear();
        cavalry.hexChosen(row.hex);
        ASSERT_FALSE(app.statusTexts.empty());
        EXPECT_EQ(app.statusTexts.back(), (std::pair<std::int16_t, std::string>(2, row.said)));
    }
}

TEST_F(Orders, AUnitUsedEarlierPaysForAMoveChosenButNotForLettingGo) {
    auto& unit = selected({1, 505, 1, East, 9});
    unit.usedThisTurn_ = 1;
    unit.validMoves_ = unit.GetValidMovement();
    layer.clearLog();
    unit.hexChosen(505);
    EXPECT_EQ(layer.lines({"AddCommentary", "TQHit"}), Lines{});
    unit.hexChosen(605);
    EXPECT_EQ(layer.lines({"AddCommentary", "TQHit"}),
              (Lines{"AddCommentary \\BUnit 1\\b takes 1 cohesion hit for being ordered again this turn.",
                     "TQHit 1 1 0"}));
    EXPECT_EQ(unit.getOrderedThisActivation(), 1);
}

TEST_F(Orders, DeclaredCombatsLimitTheEnemiesAUnitMayStillAttack) {
    auto& a = add({9, 705, 2, West});
    auto& far = add({8, 105, 2, West}); // behind the unit, out of its reach
    auto& unit = selected({1, 605, 1, East});
    auto declare = [&](std::initializer_list<const VaelUnit*> defenders, std::uint16_t hex) {
        CombatStruct c;
        for (const VaelUnit* d : defenders)
            c.defenders.append(d);
        c.hex = hex;
        layer.combats.append(c);
    };
    auto attacks = [&] {
        unit.GetValidMovement();
        return text(unit.getAttackHexes());
    };
    EXPECT_EQ(attacks(), "[705]");
    declare({&a, &far}, 705); // a fellow defender out of reach: refused (#2)
    EXPECT_EQ(attacks(), "[]");
    layer.combats.clear();
    declare({&a}, 705);
    EXPECT_EQ(attacks(), "[705]");
    // With a second enemy in reach that defends nowhere else, the first is refused (#1) ...
    auto& v = add({7, 704, 2, West});
    EXPECT_EQ(attacks(), "[704]");
    // ... but not when that one defends another combat.
    declare({&v}, 704);
    EXPECT_EQ(attacks(), "[705 704]");
}

TEST_F(Orders, EnemyContactNeedsTheLeadersOrderAndAnEnemyInTheZone) {
    auto& unit = add({1, 605, 1, East});
    EXPECT_EQ(unit.hasEnemyContact(), 0);
    unit.potentialToBeOrdered_ = 1;
    EXPECT_EQ(unit.hasEnemyContact(), 0);
    add({9, 705, 2, West});
    EXPECT_EQ(values(unit.hasEnemyContact(), unit.hasOpenHex()), "1 1");
    add({8, 704, 1, West});
    EXPECT_EQ(unit.hasOpenHex(), 0);
}

TEST_F(Orders, ADoubleSizedUnitMarkedForRoomKeepsItsOrderOnlyWithTwoFreeHexesAhead) {
    auto& phalanx = add<Phalanx>({1, 505, 1, East});
    auto& single = add({2, 909, 1, East});
    phalanx.auxWord_ = single.auxWord_ = 1;
    const List<short> hexes = listOf<short>({505, 909});
    auto legal = [&] {
        phalanx.LegalUnits(1, hexes), single.LegalUnits(1, hexes);
        return values(phalanx.getPotentialToBeOrdered(), single.getPotentialToBeOrdered());
    };
    EXPECT_EQ(legal(), "1 1");
    add({3, 606, 1, West});  // ahead of the second half
    add({4, 1009, 1, West}); // ahead of the single-hex unit, which needs no room
    EXPECT_EQ(legal(), "0 1");
    phalanx.auxWord_ = 0;
    EXPECT_EQ(legal(), "1 1");
}

TEST_F(Orders, DeclaringAShockEndsTheUnitsOrders) {
    auto& unit = selected({1, 605, 1, East});
    EXPECT_EQ(unit.declareShock(705), 1);
    EXPECT_EQ(values(unit.getOrderHex(), unit.getPotentialToBeOrdered(), unit.isDoneThisTurn()), "705 0 1");
}

TEST_F(Orders, TurningTowardAnEnemyTakesTheNearestTurnAndARallyRefacesTheShorterWayAnticlockwiseOnATie) {
    struct Row {
        bool rally;
        std::int16_t enemy, answer;
        const char* turn;
        DIRECTION after;
    } rows[] = {{false, -1, 0, "", East},
                {false, 506, 2, "ChangeFacing 2 1 1", SouthEast},
                {true, -1, 1, "", East},
                {true, 305, 1, "ChangeFacing 1 3 1", West}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.rally, row.enemy));
        clearUnits();
        auto& unit = add({1, 505, 1, East});
        if (row.enemy >= 0) add({9, row.enemy, 2, row.rally ? East : West});
        layer.clearLog();
        EXPECT_EQ(row.rally ? unit.refaceAfterRally() : unit.turnTowardEnemy(), row.answer);
        EXPECT_EQ(values(joined(layer.lines({"ChangeFacing"})), unit.getFacing()),
                  values(row.turn, row.after));
    }
}

// The rally's question can be what ended the battle (the other machine lost while it was asked): a unit
// stood down with its side stands as it rallied, turned toward nobody. Not stood down, the same rally
// turns it toward the enemy behind it.
TEST_F(Orders, AUnitStoodDownRalliesWithoutTurning) {
    for (bool stoodDown : {false, true}) {
        SCOPED_TRACE(stoodDown ? "stood down" : "in the battle");
        clearUnits();
        auto& unit = add({1, 505, 1, East});
        add({9, 305, 2, East});
        if (stoodDown) unit.standDown();
        layer.clearLog();
        EXPECT_EQ(unit.refaceAfterRally(), 1);
        EXPECT_EQ(values(joined(layer.lines({"ChangeFacing"})), unit.getFacing()),
                  stoodDown ? values("", East) : values("ChangeFacing 1 3 1", West));
    }
}

TEST_F(Orders, TheNearestEnemyFighterPassesOverLeadersAndFriends) {
    auto& unit = add({1, 505, 1, East});
    EXPECT_EQ(unit.nearestEnemyCombatHex(), -1);
    add({8, 506, 1});
    add({9, 808, 2});
    EXPECT_EQ(unit.nearestEnemyCombatHex(), 808);
}

} // namespace
} // namespace vael
