#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/registered_message.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

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

TEST_F(Orders, TheNearestEnemyFighterPassesOverLeadersAndFriends) {
    auto& unit = add({1, 505, 1, East});
    EXPECT_EQ(unit.nearestEnemyCombatHex(), -1);
    add({8, 506, 1});
    add({9, 808, 2});
    EXPECT_EQ(unit.nearestEnemyCombatHex(), 808);
}

} // namespace
} // namespace vael
