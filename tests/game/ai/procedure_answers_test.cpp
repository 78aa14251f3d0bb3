// Answers of the plan scripts' procedures on a staged battle: the demonstration battle with a few units
// moved where the answer can be worked out by hand. The Companion Ile 1 stands on 1012 (an even column):
// its neighbours are 1011 north, 1111 north-east, 1112 south-east, 1013 south, 912 south-west and 911
// north-west. Facing east, its front hexes are 1111 and 1112, its flanks 1011 and 1013, its rear 912 and 911.
#include "game/rules/roll.h"
#include "opponent_fixture.h"

namespace vael::test {
namespace {

class ProcedureAnswers : public ProcedureRows {
protected:
    void SetUp() override {
        OpponentFixture::SetUp();
        ile1 = number("Companion Ile 1");
        companion = layer.findCombatUnitByName("Companion Ile 1");
        ASSERT_TRUE(companion);
        ASSERT_EQ(companion->getHex(), 1012);
        ASSERT_EQ(companion->getFacing(), East);
    }
    // The first two values of the list the setup fills into a, as first * 10000 + second.
    static std::string firstTwo(const std::string& fill) {
        return "a = GetList(); x = " + fill + "; b = GetNextInList(a); c = GetNextInList(a);";
    }

    std::string ile1;
    Combat* companion = nullptr;
};

TEST_F(ProcedureAnswers, AHorsemanWithAnEnemyInFront) {
    place("Riders of the Fords 1", 1112, West);
    companion->GetValidMovement();
    expectRows({
        {"", "CanMove(" + ile1 + ")", 1},
        {"", "GetValidMovement(" + ile1 + ")", 1},
        {"x = GetValidMovement(" + ile1 + ");", "CanAttack(" + ile1 + ", 1112)", 1},
        {"x = GetValidMovement(" + ile1 + ");", "CanAttack(" + ile1 + ", 1111)", 0},
        {"", "AnyoneToCombat(" + ile1 + ")", 1112},
        {"", "FindClosestEnemyToAttack(" + ile1 + ")", 1112},
        {"", "EnemyWithinRange(" + ile1 + ", 1)", 1},
        {"", "IsInGeneralDir(" + ile1 + ", 1512)", 1},
        {"", "IsInGeneralDir(" + ile1 + ", 512)", 0},
        {"", "Direction(1012, 1112)", 4},
        // The zone of control, the flanks and the rear, each in the unit's own order.
        {firstTwo("AssignList(a, 0, " + ile1 + ")"), "b * 10000 + c", 11121111},
        {firstTwo("AssignList(a, 1, " + ile1 + ")"), "b * 10000 + c", 10111013},
        {firstTwo("AssignList(a, 2, " + ile1 + ")"), "b * 10000 + c", 9120911},
        {firstTwo("AssignList(a, 2, " + ile1 + ")"), "SizeOfList(a)", 2},
    });
    // With both front hexes taken it cannot move.
    place("Riders of the Fords 2", 1111, West);
    EXPECT_EQ(value("", "CanMove(" + ile1 + ")"), 0);
}

TEST_F(ProcedureAnswers, AnEnemyTwoHexesAwayIsFoundAtTheSecondRadius) {
    place("Riders of the Fords 1", 1212, West);
    expectRows({
        {"", "Distance(1012, 1212)", 2},
        {"", "FindClosestEnemyToAttack(" + ile1 + ")", 1212},
        {"", "EnemyWithinRange(" + ile1 + ", 1)", 0},
        {"", "EnemyWithinRange(" + ile1 + ", 2)", 1},
        // A charge reaches it: the unit would choose it as its target.
        {"", "AnyoneToCombat(" + ile1 + ")", 1212},
    });
}

TEST_F(ProcedureAnswers, TurnToAttackTurnsTheFewestSidesTowardAnEnemy) {
    // Facing south-east, the front hexes are 1112 and 1013. One side clockwise is south-west (south is
    // no facing), one side anticlockwise east.
    const struct {
        std::int16_t enemy;
        std::int32_t answer;
        DIRECTION facing;
    } rows[] = {
        {1111, 2, East}, {1011, 2, NorthEast}, {912, 2, SouthWest},
        {911, 2, West},  {1112, 0, SouthEast}, {1013, 0, SouthEast},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.enemy);
        place("Riders of the Fords 1", row.enemy, West);
        companion->setFacing(SouthEast);
        companion->rebuildZOC();
        EXPECT_EQ(value("", "TurnToAttack(" + ile1 + ")"), row.answer);
        EXPECT_EQ(companion->getFacing(), row.facing);
    }
}

TEST_F(ProcedureAnswers, APhalanxCannotSwingItsSecondHexThroughAnotherUnit) {
    // The Taxis of Havrel holds 602 and 603 facing east.
    const std::string havrel = number("Taxis of Havrel");
    EXPECT_EQ(value("", "CanRotate(" + havrel + ", 2)"), 1);
    place("Riders of the Fords 1", 702, West);
    expectRows({
        {"", "CanRotate(" + havrel + ", 2)", 0},
        {"", "CanRotate(" + havrel + ", 4)", 0},
        // About face is always possible.
        {"", "CanRotate(" + havrel + ", 7)", 1},
        // A single hex unit turns anywhere.
        {"", "CanRotate(" + ile1 + ", 8)", 1},
    });
}

TEST_F(ProcedureAnswers, OfTwoTargetsEquallyNearTheFirstIsFired) {
    // The Ridge Bowmen 1 on 810; 1009 and 1011 are both two hexes away.
    const std::string bowmen = number("Ridge Bowmen 1");
    place("Riders of the Fords 1", 1009, West);
    place("Riders of the Fords 2", 1011, West);
    expectRows({
        {"", "Distance(810, 1009) * 10 + Distance(810, 1011)", 22},
        {"", "FindClosestEnemyToFire(" + bowmen + ")", 1009},
    });
    place("Riders of the Fords 1", 1011, West);
    place("Riders of the Fords 2", 1009, West);
    EXPECT_EQ(value("", "FindClosestEnemyToFire(" + bowmen + ")"), 1009);
}

TEST_F(ProcedureAnswers, AHorsemanWithOnePointHasTwoPathsOfOneStep) {
    // Facing east the paths go north-east and south-east: 1111 and 1112, each after the unit's own hex.
    companion->setMovement(1);
    const std::string paths = "a = GetList(); x = GetUnitPaths(" + ile1 + ", a);";
    expectRows({
        {"a = GetList();", "GetUnitPaths(" + ile1 + ", a)", 2},
        {paths + " b = GetNextInList(a); c = GetNextInList(b); d = GetNextInList(b);", "c * 10000 + d",
         10121111},
        {paths + " b = GetNextInList(a); b = GetNextInList(a); c = GetNextInList(b); d = GetNextInList(b);",
         "c * 10000 + d", 10121112},
    });
}

TEST_F(ProcedureAnswers, OrdersOutsideAnActivationStillMoveAndAttack) {
    place("Riders of the Fords 1", 1112, West);
    EXPECT_EQ(value("", "Attack(" + ile1 + ", 1112)"), 1);
    EXPECT_EQ(layer.combats().count(), 1);
    EXPECT_EQ(companion->getPotentialToBeOrdered(), 0);
    // The Companion Ile 6 on 1017 may go to its south-east neighbour 1117, not to the riders' hex.
    Combat* sixth = layer.findCombatUnitByName("Companion Ile 6");
    const std::string ile6 = number("Companion Ile 6");
    EXPECT_EQ(value("x = GetValidMovement(" + ile6 + ");", "MoveTo(1112, " + ile6 + ")"), 0);
    EXPECT_EQ(sixth->getHex(), 1017);
    EXPECT_EQ(value("x = GetValidMovement(" + ile6 + ");", "MoveTo(1117, " + ile6 + ")"), 2);
    EXPECT_EQ(sixth->getHex(), 1117);
}

// Answers "GetTurnNum" as the game control does.
class TurnNumber : public Component {
public:
    TurnNumber() : Component("Turn Number") {}
    void connectHandlers() override { connectNamed("GetTurnNum", onTurn); }

private:
    static ContainerBase* onTurn(Component*, BusMessage, ContainerBase*) { return new Container<short>(4); }
};

TEST_F(ProcedureAnswers, TheTurnAndTheDice) {
    TurnNumber turn;
    turn.attach(layer);
    EXPECT_EQ(value("", "GetTurnNum()"), 4);
    Roll::script({17, 17});
    EXPECT_EQ(value("", "Random(6)"), 5);
    EXPECT_EQ(value("", "Random(17)"), 0);
    Roll::endScript();
}

} // namespace
} // namespace vael::test
