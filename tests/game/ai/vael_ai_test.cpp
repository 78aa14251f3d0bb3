// One computer-played activation from "InitAILeader" to "EndOrdersPhase", over the demonstration battle:
// what the orders cost, how the order loop ends, and which opponent acts.
#include "opponent_fixture.h"

#include <algorithm>

namespace vael::test {
namespace {

class Activation : public OpponentFixture {
protected:
    void SetUp() override {
        OpponentFixture::SetUp();
        vaelmoric = layer.findLeaderByName("Vaelmoric the Bold");
        ASSERT_TRUE(vaelmoric);
        initiative = vaelmoric->ordersLeft();
        for (int i = 1; i <= 6; ++i)
            ile[i] = number("Companion Ile " + std::to_string(i));
    }

    // A plan for the Companions: globals r0 to r3, then the body of the procedure its Orders table calls.
    std::string plan(const std::string& body) const {
        return "S { var r0, r1, r2, r3; Conditions { var go; go = TRUE; }; procedure Plan() { " + body +
               " }; Orders for Companions { go Plan(); }; }";
    }
    void activate(const char* groupName = "Companions") {
        Container<Group*> box(group(groupName));
        watcher.sendNamed("InitAILeader", &box);
    }
    long endings() const {
        return std::count_if(watcher.heard.begin(), watcher.heard.end(),
                             [](const std::string& h) { return h.starts_with("EndOrdersPhase"); });
    }

    Leader* vaelmoric = nullptr;
    std::int16_t initiative = 0;
    std::string ile[7];
};

TEST_F(Activation, OrdersInARowToOneUnitCostOneOrder) {
    ASSERT_GE(initiative, 3);
    ASSERT_EQ(compile(plan("Rotate(" + ile[1] + ", 4); Rotate(" + ile[1] + ", 6); Rotate(" + ile[1] +
                           ", 3); Rotate(" + ile[2] + ", 4); Rotate(" + ile[1] + ", 3); FinishLeader();")),
              1);
    activate();
    EXPECT_EQ(ai->ordersLeft(), initiative - 3);
    EXPECT_EQ(ai->lastOrderedUnit(), unitNumber("Companion Ile 1"));
    EXPECT_EQ(endings(), 1);
    EXPECT_EQ(watcher.heard.back(), "62 235");
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(Activation, ARefusedMoveToCostsAnOrderButAMoveTowardThatDidNotMoveDoesNot) {
    // Without movement points a unit has nowhere to go.
    layer.findCombatUnitByName("Companion Ile 2")->setMovement(0);
    ASSERT_EQ(compile(plan("r0 = MoveToward(1010, " + ile[2] +
                           "); r1 = Attack(9999, 600); r2 = Rotate(9999, 3); "
                           "r3 = MoveTo(2900, " +
                           ile[1] + "); FinishLeader();")),
              1);
    activate();
    EXPECT_EQ(global(0), 0);
    EXPECT_EQ(global(1), 0);
    EXPECT_EQ(global(2), 0);
    EXPECT_EQ(global(3), 0);
    EXPECT_EQ(ai->ordersLeft(), initiative - 1);
    EXPECT_EQ(layer.findCombatUnitByName("Companion Ile 1")->getHex(), 812);
    EXPECT_EQ(endings(), 1);
}

TEST_F(Activation, RallyingAUnitThatIsNotRoutingIsNoOrderButSteadyingIs) {
    ASSERT_EQ(compile(plan("r0 = AttemptToRally(" + ile[1] + "); r1 = Recover(GetLeader()); r2 = Recover(" +
                           ile[3] + "); FinishLeader();")),
              1);
    activate();
    EXPECT_EQ(global(0), 0);
    EXPECT_EQ(global(1), 0);
    EXPECT_EQ(global(2), 1);
    EXPECT_EQ(ai->ordersLeft(), initiative - 1);
    EXPECT_EQ(ai->lastOrderedUnit(), unitNumber("Companion Ile 3"));
    EXPECT_EQ(layer.findCombatUnitByName("Companion Ile 1")->isRouting(), 0);
}

TEST_F(Activation, AWithdrawalWaitsForTheEndOfItsSegment) {
    const BusMessage end(RegisteredMessage::getId("EndOWSegment"));
    ai->startWithdrawal(900, 1112);
    EXPECT_EQ(ai->owPending(), 1);
    EXPECT_EQ(ai->owUnit(), 900);
    EXPECT_EQ(ai->owDestination(), 1112);
    ai->addMovingUnit(900);
    // The animation's end posts nothing while the withdrawal is pending.
    ai->unitDoneAnimating(900);
    ai->FinishedGivingAIOrders();
    EXPECT_EQ(endings(), 0);
    Container<EndOWStruct> box(EndOWStruct{});
    watcher.send(end, &box);
    EXPECT_EQ(ai->owPending(), 0);
    EXPECT_EQ(ai->owUnit(), 900);
}

TEST_F(Activation, AMoveEndsTheActivationOnlyAfterItsAnimation) {
    ASSERT_EQ(compile(plan("r0 = MoveToward(1112, " + ile[1] + "); FinishLeader();")), 1);
    activate();
    EXPECT_EQ(global(0), 2);
    Combat* moved = layer.findCombatUnitByName("Companion Ile 1");
    EXPECT_NE(moved->getHex(), 812);
    EXPECT_EQ(ai->ordersLeft(), initiative - 1);
    EXPECT_TRUE(ai->movingUnits().isEmpty());
    EXPECT_TRUE(ai->finishedUnits().contains(static_cast<short>(moved->getUnitNum())));
    EXPECT_EQ(moved->getUsedThisTurn(), 1);
    EXPECT_EQ(ai->owDestination(), 1112);
    EXPECT_EQ(endings(), 1);
}

TEST_F(Activation, OrdersFallingBelowZeroEndTheLoop) {
    // Four units a pass: a leader of six orders is at 2 after the first pass and at -2 after the second.
    ASSERT_EQ(initiative, 6);
    ASSERT_EQ(compile(plan("var u, n; n = GroupListReset() - 1; u = GroupListGetNext(); while n < 4 { "
                           "Rotate(u, 4); Rotate(u, 3); "
                           "u = GroupListGetNext(); n = n + 1; };")),
              1);
    activate();
    EXPECT_EQ(ai->ordersLeft(), -2);
    EXPECT_EQ(endings(), 1);
}

TEST_F(Activation, APassThatGivesNoOrderFinishesTheLeaderWithOneMessageBox) {
    const struct {
        const char* name;
        std::string script;
        const char* box;
    } rows[] = {
        {"no Orders table for the group",
         "S { Conditions { var go; go = TRUE; }; Orders for Horse { go BreakPoint(); }; }",
         "Orders block not found."},
        {"a pass that only looks", plan("r0 = GroupListGetSize();"), nullptr},
        {"a script that did not compile", "S { Conditions { var go; go = ; }; }",
         "Execution of Conditions block failed."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        shell.boxes.clear();
        watcher.heard.clear();
        ai = makeOpponent();
        compile(row.script);
        activate();
        EXPECT_EQ(endings(), 1);
        EXPECT_EQ(ai->ordersLeft(), initiative);
        if (row.box) {
            ASSERT_EQ(shell.boxes.size(), 1u);
            EXPECT_EQ(shell.boxes[0].text, row.box);
            EXPECT_EQ(shell.boxes[0].title, "Interpretor Error");
            EXPECT_EQ(shell.boxes[0].style, 0x40);
        } else {
            EXPECT_TRUE(shell.boxes.empty());
        }
    }
}

TEST_F(Activation, AFailingPlanShowsOneBoxBetweenActivationsAndOneInEach) {
    compile("S { Conditions { var go; go = ; }; }");
    EXPECT_FALSE(ai->runConditions());
    EXPECT_FALSE(ai->runConditions());
    EXPECT_EQ(shell.boxes.size(), 1u);
    activate();
    EXPECT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(endings(), 1);
}

TEST_F(Activation, EachSidesOpponentActsOnlyForItsOwnGroups) {
    ai->setSide(false, layer.getVisitorNation());
    auto visitor = makeOpponent();
    visitor->setSide(true, layer.getVisitorNation());
    ASSERT_EQ(compile(plan("Rotate(" + ile[1] + ", 4); FinishLeader();")), 1);
    ASSERT_EQ(
        compile(
            "S { var r0; Conditions { var go; go = TRUE; }; Orders for Companions { go FinishLeader(); }; "
            "Orders for Elephants { go FinishLeader(); }; }",
            visitor.get()),
        1);
    activate("Companions");
    EXPECT_EQ(ai->ordersLeft(), initiative - 1);
    EXPECT_EQ(visitor->leader(), nullptr);
    EXPECT_EQ(endings(), 1);

    activate("Elephants");
    ASSERT_TRUE(visitor->leader());
    EXPECT_EQ(visitor->leader()->getName(), "Tezhar III");
    EXPECT_EQ(ai->group(), group("Companions"));
    EXPECT_EQ(endings(), 2);
}

TEST_F(Activation, AnimationEndsAreCountedOnlyForUnitsAwaited) {
    ai->unitDoneAnimating(4);
    EXPECT_TRUE(ai->finishedUnits().isEmpty());
    ai->addMovingUnit(5);
    ai->addMovingUnit(7);
    ai->unitDoneAnimating(9);
    EXPECT_EQ(ai->movingUnits().count(), 2);
    EXPECT_TRUE(ai->finishedUnits().contains(9));
    ai->FinishedGivingAIOrders();
    EXPECT_EQ(endings(), 0);
    ai->unitDoneAnimating(5);
    EXPECT_EQ(ai->movingUnits().count(), 1);
    EXPECT_TRUE(ai->movingUnits().contains(7));
}

TEST_F(Activation, ACursorWalksTheGroupBothWays) {
    ASSERT_EQ(compile(plan("r0 = GroupListGetNext(); r0 = GroupListGetNext(); r1 = GroupListGetPrevious(); "
                           "r2 = GroupListGet(); r3 = GroupListGetSize(); FinishLeader();")),
              1);
    activate();
    EXPECT_EQ(global(0), unitNumber("Companion Ile 2"));
    EXPECT_EQ(global(1), unitNumber("Companion Ile 1"));
    EXPECT_EQ(global(2), unitNumber("Companion Ile 1"));
    EXPECT_EQ(global(3), 6);
}

} // namespace
} // namespace vael::test
