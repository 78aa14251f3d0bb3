// One computer-played activation from "InitAILeader" to "EndOrdersPhase", over the demonstration battle:
// what the orders cost, how the order loop ends, and which opponent acts.
#include "opponent_fixture.h"

#include "game/rules/roll.h"
#include "game/rules/units/unit_payloads.h"
#include "support/rules/scripted_rolls.h"

#include <algorithm>
#include <functional>
#include <utility>

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

// Runs an action the first time a message is heard, before the units that connect later hear it.
class FirstHearing : public Component {
public:
    FirstHearing(const char* message, std::function<void()> action)
        : Component("First Hearing"), message_(message), action_(std::move(action)) {}
    void connectHandlers() override { connectNamed(message_, onHeard); }

private:
    static ContainerBase* onHeard(Component* target, BusMessage, ContainerBase*) {
        auto* self = static_cast<FirstHearing*>(target);
        if (auto action = std::exchange(self->action_, nullptr)) action();
        return nullptr;
    }
    const char* message_;
    std::function<void()> action_;
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
    EXPECT_EQ(layer.findCombatUnitByName("Companion Ile 1")->getHex(), 1012);
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

// A unit whose elimination is decided (a rout ran through it) is past steadying: Recover answers 0, spends
// no order and rolls no die.
TEST_F(Activation, RecoveringAUnitWhoseEliminationIsDecidedIsNoOrder) {
    Combat* gone = layer.findCombatUnitByName("Companion Ile 3");
    ASSERT_NE(gone, nullptr);
    gone->setCohesionHits(3);
    gone->condemn();
    ASSERT_EQ(compile(plan("r0 = Recover(" + ile[3] + "); FinishLeader();")), 1);
    ScriptedRolls rolls{50};
    activate();
    EXPECT_EQ(global(0), 0);
    EXPECT_EQ(ai->ordersLeft(), initiative);
    EXPECT_EQ(gone->getCohesionHits(), 3);
    EXPECT_EQ(rolls.left(), 1u);
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
    EXPECT_NE(moved->getHex(), 1012);
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

TEST_F(Activation, OrdersThatOnlyRepeatTheLastUnitsOrderEndTheActivation) {
    // r0 counts the passes; a loop that never ended would be stopped by the plan itself at 50.
    const struct {
        const char* name;
        std::string body;
    } rows[] = {
        {"the same turn again", "Rotate(" + ile[1] + ", 5);"},
        {"a turn back and forth", "Rotate(" + ile[1] + ", 4); Rotate(" + ile[1] + ", 3);"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        watcher.heard.clear();
        ai = makeOpponent();
        ASSERT_EQ(compile(plan("r0 = r0 + 1; if r0 > 49 { FinishLeader(); }; " + row.body)), 1);
        activate();
        // The first pass spends an order; the second spends none and ends the activation.
        EXPECT_EQ(global(0), 2);
        EXPECT_EQ(endings(), 1);
        EXPECT_EQ(ai->ordersLeft(), initiative - 1);
    }
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

// A unit's move can end while a built-in of the plan's Orders run waits for its answer, and the layer
// then asks every opponent for a Conditions run: the run in progress goes on undisturbed, no box is shown,
// and the conditions are computed afresh before the next Orders run. A Conditions run that is not nested
// still fails with its box.
TEST_F(Activation, AConditionsRunAskedForWhileTheOrdersRunWaitsIsLeftToTheNextPassWithoutABox) {
    // AskConditions() stands for the layer's request from inside a built-in: 1 when the opponent took it
    // for a success.
    ai->compiler().addProcedure("AskConditions", "");
    ai->interpreter().addProcedure(
        Procedure0([](void* owner) -> std::int32_t { return static_cast<VaelAI*>(owner)->runConditions(); }));
    // r0 counts the Conditions runs (the compile's reset runs the table once), r1 the Orders passes; r2
    // and r3 keep what the two asks answered.
    ASSERT_EQ(compile("S { var r0, r1, r2, r3; Conditions { var go; r0 = r0 + 1; go = TRUE; }; "
                      "procedure Plan() { r1 = r1 + 1; r2 = AskConditions(); r3 = AskConditions(); "
                      "FinishLeader(); }; Orders for Companions { go Plan(); }; }"),
              1);
    ASSERT_EQ(global(0), 1);
    activate();
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_EQ(global(1), 1);
    EXPECT_EQ(global(0), 2) << "the run ahead of the pass, none nested in it";
    EXPECT_EQ((std::pair{global(2), global(3)}), std::pair(1, 1));
    EXPECT_EQ(endings(), 1);
    EXPECT_FALSE(ai->interpreter().running());
    // Asked once no run is in progress, the table runs.
    EXPECT_TRUE(ai->runConditions());
    EXPECT_EQ(global(0), 3);
    EXPECT_TRUE(shell.boxes.empty());

    ai = makeOpponent();
    compile("S { Conditions { var go; go = ; }; }");
    EXPECT_FALSE(ai->runConditions());
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, "Execution of Conditions block failed.");
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

TEST_F(Activation, TheCursorStartsAgainAfterTheEndAndOnAReset) {
    ASSERT_EQ(compile(plan("while GroupListGetNext() > -1 { r0 = r0 + 1; }; r1 = GroupListGetNext(); "
                           "r2 = GroupListGetNext(); r2 = GroupListReset(); r3 = GroupListGetNext(); "
                           "FinishLeader();")),
              1);
    activate();
    // Six Companions, then -1 ended the walk; the next step is the first again.
    EXPECT_EQ(global(0), 6);
    EXPECT_EQ(global(1), unitNumber("Companion Ile 1"));
    EXPECT_EQ(global(2), 1);
    EXPECT_EQ(global(3), unitNumber("Companion Ile 1"));
}

TEST_F(Activation, TheLeaderAndWhoHeMayOrder) {
    const std::string havrel = number("Taxis of Havrel");
    ASSERT_EQ(compile(plan("r0 = GetLeader(); r1 = InCommandRange(" + ile[1] + ") * 10 + CanBeOrdered(" +
                           ile[6] + "); r2 = InCommandRange(" + havrel + ") * 10 + CanBeOrdered(" + havrel +
                           "); var a, x; a = GetList(); x = AssignList(a, 6, 0); r3 = SizeOfList(a); "
                           "FinishLeader();")),
              1);
    // The leader's legal-units step marks the units on the hexes of his command: here two of them.
    Container<PossibleMoveData> legal(PossibleMoveData{
        vaelmoric->getNation(), std::make_shared<const List<short>>(List<short>() << 1012 << 1017)});
    watcher.sendNamed("LegalUnits", &legal);
    activate();
    EXPECT_EQ(global(0), unitNumber("Vaelmoric the Bold"));
    EXPECT_EQ(global(1), 11);
    EXPECT_EQ(global(2), 0);
    EXPECT_EQ(global(3), 2);
}

TEST_F(Activation, ARoutingUnitRalliesOnLowDice) {
    Combat* routing = layer.findCombatUnitByName("Companion Ile 1");
    routing->CohesionHit(routing->getTroopQuality(), 0);
    ASSERT_TRUE(routing->isRouting());
    ASSERT_EQ(compile(plan("r0 = AttemptToRally(" + ile[1] + "); FinishLeader();")), 1);
    Roll::script({0, 0});
    activate();
    Roll::endScript();
    EXPECT_EQ(global(0), 1);
    EXPECT_FALSE(routing->isRouting());
    EXPECT_EQ(ai->ordersLeft(), initiative - 1);
}

// The battle is decided while the plan runs (a question its order asked found the other machine gone):
// from then on its orders move, turn and rally nobody and say so, and they cost no order. A unit rallied
// by the order under way stands rallied but is not turned toward the enemy; undecided, it is.
class StandingDown : public Activation {
protected:
    void rallyThenOrders(bool decided) {
        Combat* routing = layer.findCombatUnitByName("Companion Ile 1");
        Combat* mover = layer.findCombatUnitByName("Companion Ile 2");
        Combat* turner = layer.findCombatUnitByName("Companion Ile 3");
        routing->CohesionHit(routing->getTroopQuality(), 0);
        ASSERT_TRUE(routing->isRouting());
        routing->setFacing(West); // its back to the enemy
        const std::uint32_t moverHex = mover->getHex();
        const DIRECTION turnerFacing = turner->getFacing();
        // The layer stands its units down, and its opponents as this one is stood down.
        FirstHearing ending("DoRestoreCohesion", [&] {
            if (decided) layer.standDown(), ai->standDown();
        });
        ending.attach(layer);
        const int turnTo = turnerFacing == 4 ? 6 : 4;
        ASSERT_EQ(compile(plan("r0 = AttemptToRally(" + ile[1] + "); r1 = MoveToward(1112, " + ile[2] +
                               "); r2 = Rotate(" + ile[3] + ", " + std::to_string(turnTo) + "); FinishLeader();")),
                  1);
        Roll::script({0, 0});
        activate();
        Roll::endScript();
        EXPECT_EQ(global(0), 1);
        EXPECT_FALSE(routing->isRouting());
        EXPECT_EQ(routing->getFacing() == West, decided);
        EXPECT_EQ(global(1), decided ? 0 : 2);
        EXPECT_EQ(mover->getHex() == moverHex, decided);
        EXPECT_EQ(turner->getFacing() == turnerFacing, decided);
        EXPECT_EQ(ai->ordersLeft(), initiative - (decided ? 1 : 3));
    }
};

TEST_F(StandingDown, UndecidedThePlanRalliesTurnsAndMoves) {
    rallyThenOrders(false);
}

TEST_F(StandingDown, DecidedDuringTheRallyThePlanGivesNoFurtherOrder) {
    rallyThenOrders(true);
}

// The player's own rally, by the order "Rally", meets the same end during its question: the unit stands
// rallied, not turned; undecided, it turns to face the enemy.
void playersRally(VaelLogicalLayer& layer, bool decided) {
    Combat* routing = layer.findCombatUnitByName("Companion Ile 1");
    routing->CohesionHit(routing->getTroopQuality(), 0);
    ASSERT_TRUE(routing->isRouting());
    routing->setFacing(West); // its back to the enemy
    routing->registerSelectedMessages();
    FirstHearing ending("DoRestoreCohesion", [&] {
        if (decided) layer.standDown();
    });
    ending.attach(layer);
    Roll::script({0, 0});
    Container<short> initiative(3);
    layer.sendNamed("Rally", &initiative);
    Roll::endScript();
    EXPECT_FALSE(routing->isRouting());
    EXPECT_EQ(layer.hasStoodDown(), decided);
    EXPECT_EQ(routing->getFacing() == West, decided) << "facing " << routing->getFacing();
}

TEST_F(StandingDown, ThePlayersRallyUndecidedTurnsTheUnit) {
    playersRally(layer, false);
}

TEST_F(StandingDown, ThePlayersRallyDecidedDuringItsQuestionTurnsNobody) {
    playersRally(layer, true);
}

// An order whose question stood the opponent down may still answer a withdrawal: none is started, and
// nothing waits for its segment.
TEST_F(StandingDown, AStoodDownOpponentStartsNoWithdrawal) {
    ai->standDown();
    ai->startWithdrawal(900, 1112);
    EXPECT_EQ(ai->owPending(), 0);
    EXPECT_EQ(ai->owUnit(), -1);
}

// The leader most needed: Melagor (initiative 3) goes to the nearest unit with cohesion hits even when
// one of his units is routing; Aristhon (initiative 4) goes to the routing one.
TEST_F(Activation, TheHurtingUnitOfALeaderOfInitiativeThreeIsNeverARoutingOne) {
    Combat* nevandir = layer.findCombatUnitByName("Taxis of Nevandir");
    Combat* bowmen = layer.findCombatUnitByName("Ridge Bowmen 3");
    ASSERT_TRUE(nevandir && bowmen);
    nevandir->CohesionHit(nevandir->getTroopQuality(), 0);
    ASSERT_TRUE(nevandir->isRouting());
    bowmen->setCohesionHits(2);
    const struct {
        const char* leader;
        const char* group;
        std::int16_t initiative;
        std::int32_t hex;
    } rows[] = {{"Melagor", "LeftWing", 3, 812}, {"Aristhon", "RightPhalanx", 4, 610}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.leader);
        ASSERT_EQ(layer.findLeaderByName(row.leader)->getInitiative(), row.initiative);
        watcher.heard.clear();
        ai = makeOpponent();
        ASSERT_EQ(compile("S { var r0; Conditions { var go; go = TRUE; }; procedure Plan() { "
                          "r0 = FindHurtingUnit(); FinishLeader(); }; Orders for " +
                          std::string(row.group) + " { go Plan(); }; }"),
                  1);
        activate(row.group);
        EXPECT_EQ(global(0), row.hex);
        EXPECT_EQ(endings(), 1);
    }
}

// The left wing's bowmen go out against the Riders of the Fords, horsemen who may withdraw before men on
// foot. A plan of two passes: the first moves the first bowmen beside the riders and then tries every
// kind of order on the second; the second pass turns the second bowmen and finishes the leader.
class Withdrawal : public Activation {
protected:
    void SetUp() override {
        Activation::SetUp();
        riders = place("Riders of the Fords 1", 1011, West);
        bowmen2 = layer.findCombatUnitByName("Ridge Bowmen 2");
        Leader* melagor = layer.findLeaderByName("Melagor");
        ASSERT_TRUE(riders && bowmen2 && melagor);
        ASSERT_EQ(bowmen2->getFacing(), East);
        orders = melagor->ordersLeft();
        const std::string b1 = number("Ridge Bowmen 1"), b2 = number("Ridge Bowmen 2");
        ASSERT_EQ(compile("S { var pass, moved, r0, r1, r2, r3, r4, r5; Conditions { var go; go = TRUE; }; "
                          "procedure Plan() { "
                          "pass = pass + 1; if pass = = 1 { moved = MoveToward(1011, " +
                          b1 +
                          "); "
                          "r0 = Rotate(" +
                          b2 + ", 4); r1 = MoveToward(612, " + b2 + "); r2 = MoveTo(612, " + b2 +
                          "); r3 = Recover(" + b2 + "); r4 = Attack(" + b2 + ", 1011); r5 = Fire(" + b2 +
                          ", 1011); }; if pass = = 2 { Rotate(" + b2 +
                          ", 4); FinishLeader(); }; }; "
                          "Orders for LeftWing { go Plan(); }; }"),
                  1);
        order.attach(layer);
    }
    // Where the first of each message was heard, or -1.
    long heardAt(const std::string& name) const {
        const auto at = std::find_if(order.heard.begin(), order.heard.end(),
                                     [&](const std::string& h) { return h.starts_with(name + " "); });
        return at == order.heard.end() ? -1 : at - order.heard.begin();
    }
    // Every order the first pass gave the second bowmen while the withdrawal was pending was refused, and
    // the activation ended once, with the bowmen's one move and the second pass's turn paid for.
    void expectOrdersRefusedWhilePending() {
        EXPECT_EQ(global(1), 2);
        const char* tried[] = {"Rotate", "MoveToward", "MoveTo", "Recover", "Attack", "Fire"};
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(tried[i]);
            EXPECT_EQ(global(2 + i), 0);
        }
        EXPECT_EQ(bowmen2->getHex(), 811);
        EXPECT_EQ(bowmen2->getFacing(), SouthEast);
        EXPECT_EQ(ai->ordersLeft(), orders - 2);
        EXPECT_EQ(ai->owPending(), 0);
        EXPECT_EQ(endings(), 1);
    }

    Combat *riders = nullptr, *bowmen2 = nullptr;
    std::int16_t orders = 0;
    TestDisplay order{{}, {"BeginOWSegment", "EndOWSegment", "EndOrdersPhase"}};
};

// The move ends beside the riders and they may withdraw: the second pass waits for the end of the segment.
TEST_F(Withdrawal, OrdersWaitUntilTheWithdrawalTheMoveStartedIsOver) {
    activate("LeftWing");
    expectOrdersRefusedWhilePending();
    ASSERT_NE(heardAt("BeginOWSegment"), -1);
    EXPECT_LT(heardAt("BeginOWSegment"), heardAt("EndOWSegment"));
    EXPECT_LT(heardAt("EndOWSegment"), heardAt("EndOrdersPhase"));
}

// Whether the enemy may withdraw is the moving unit's to decide at the end of its move. Pinned by other
// bowmen once the move is over, the riders stay, no segment begins, and the orders go on rather than wait
// for an end that never comes.
TEST_F(Withdrawal, AWithdrawalThatNeverBeginsDoesNotHoldTheOrders) {
    FirstHearing pin("MovementDone", [this] { place("Ridge Bowmen 3", 1111, West); });
    pin.attach(layer);
    activate("LeftWing");
    expectOrdersRefusedWhilePending();
    EXPECT_EQ(heardAt("BeginOWSegment"), -1);
    EXPECT_EQ(riders->getHex(), 1011);
}

// A unit can leave the group during an order (it falls). The cursor then goes on from where that unit
// stood: its follower comes next. Here a move by the bowmen is under way when a unit of the left wing is
// eliminated; the cursor had last given the second phalanx, Orvael.
struct Fall {
    const char* falls;
    const char* step;  // the cursor's procedure called after the order
    const char* gives; // nullptr: none
};

class GroupCursor : public Activation, public testing::WithParamInterface<Fall> {};

TEST_P(GroupCursor, GoesOnPastAUnitThatFellDuringAnOrder) {
    const Fall& row = GetParam();
    Combat* falls = layer.findCombatUnitByName(row.falls);
    ASSERT_TRUE(falls);
    FirstHearing fall("UnitMovement", [&] {
        layer.UnitEliminated(EliminateUnitData{falls->getNation(), 1, falls->getUnitType(),
                                               static_cast<std::uint16_t>(falls->getUnitNum())});
    });
    fall.attach(layer);
    ASSERT_EQ(compile("S { var r0, r1, r2, r3; Conditions { var go; go = TRUE; }; procedure Plan() { "
                      "r0 = GroupListGetNext(); r0 = GroupListGetNext(); MoveToward(1010, " +
                      number("Ridge Bowmen 1") + "); r1 = GroupListGetSize(); r2 = " + row.step +
                      "(); FinishLeader(); }; "
                      "Orders for LeftWing { go Plan(); }; }"),
              1);
    activate("LeftWing");
    EXPECT_EQ(global(0), unitNumber("Taxis of Orvael"));
    EXPECT_EQ(global(1), 10);
    EXPECT_EQ(global(2), row.gives ? unitNumber(row.gives) : -1);
}

INSTANTIATE_TEST_SUITE_P(Falls, GroupCursor,
                         testing::Values(Fall{"Taxis of Orvael", "GroupListGetNext", "Taxis of Pellan"},
                                         Fall{"Taxis of Orvael", "GroupListGetPrevious", "Taxis of Nevandir"},
                                         Fall{"Taxis of Nevandir", "GroupListGetNext", "Taxis of Pellan"},
                                         Fall{"Taxis of Nevandir", "GroupListGetPrevious", nullptr},
                                         Fall{"Taxis of Pellan", "GroupListGetNext", "Taxis of Soldrak"},
                                         Fall{"Taxis of Pellan", "GroupListGetPrevious",
                                              "Taxis of Nevandir"}),
                         [](const testing::TestParamInfo<Fall>& info) {
                             const std::string name = info.param.falls;
                             return name.substr(name.rfind(' ') + 1) + "FallsThen" + (info.param.step + 12);
                         });

// A second order in a turn costs a cohesion hit; one that routs the bowmen looses no volley, and nothing
// is waited for.
TEST_F(Activation, AVolleyThatRoutsItsUnitBeforeItIsLoosedIsNotAwaited) {
    place("Riders of the Fords 1", 1010, West);
    Combat* bowmen = layer.findCombatUnitByName("Ridge Bowmen 1");
    bowmen->setUsedThisTurn(1);
    bowmen->setCohesionHits(static_cast<std::uint16_t>(bowmen->getTroopQuality() - 1));
    const std::string b1 = number("Ridge Bowmen 1");
    ASSERT_EQ(compile("S { var r0, r1; Conditions { var go; go = TRUE; }; procedure Plan() { "
                      "r0 = FindClosestEnemyToFire(" +
                      b1 + "); r1 = Fire(" + b1 +
                      ", r0); FinishLeader(); }; "
                      "Orders for LeftWing { go Plan(); }; }"),
              1);
    activate("LeftWing");
    EXPECT_EQ(global(0), 1010);
    EXPECT_EQ(global(1), 1);
    EXPECT_TRUE(bowmen->isRouting());
    EXPECT_TRUE(ai->movingUnits().isEmpty());
    EXPECT_EQ(endings(), 1);
}

// Orders under way, as a saved game holds them, are taken up only by the opponent whose side the group is
// on, and give back what they were loaded with: whether the pass's box was shown (so that a failing plan
// shows none again) and the opponent's own next step still queued, never another component's task.
TEST_F(Activation, ResumedOrdersAreTakenForAnOwnGroupAloneAndGiveBackTheirBoxAndOwnQueue) {
    ai->setSide(false, layer.getVisitorNation());
    ComputerOrders loaded;
    loaded.leader = static_cast<std::uint16_t>(vaelmoric->getUnitNum());
    loaded.ordersLeft = 2;
    loaded.boxShown = 1;
    ComputerOrders given;
    {
        SCOPED_TRACE("the visitors' group");
        EXPECT_FALSE(ai->resumeOrders(group("Elephants"), loaded));
        EXPECT_FALSE(ai->ordersUnderWay(given));
        EXPECT_EQ(ai->group(), nullptr);
    }
    for (const std::uint16_t box : {1, 0}) {
        SCOPED_TRACE(::testing::Message() << "the box shown " << box);
        ai = makeOpponent();
        ai->setSide(false, layer.getVisitorNation());
        loaded.boxShown = box;
        ASSERT_TRUE(ai->resumeOrders(group("Companions"), loaded));
        ASSERT_TRUE(ai->ordersUnderWay(given));
        EXPECT_EQ(given.boxShown, box);
        EXPECT_EQ(given.ordersLeft, 2);
        EXPECT_TRUE(given.queued.empty());
        EXPECT_EQ(ai->ordersUncarried(), "");
    }
    // A task of another component waiting in the queue (sent from within a handler, where the queue is not
    // drained) is an order still being carried out, not his own: the other side's opponent's next step
    // among them.
    std::int32_t queued = 0;
    bool underWay = false;
    std::string uncarried;
    auto other = makeOpponent();
    other->setSide(true, layer.getVisitorNation());
    FirstHearing probe("Saved Orders Probe", [&] {
        watcher.sendNamedEmpty("EndOrdersPhase");
        watcher.sendToNamedEmpty(static_cast<std::uint16_t>(other->getId()), "GiveAIOrder");
        queued = shell.queuedTasks();
        underWay = ai->ordersUnderWay(given);
        uncarried = ai->ordersUncarried();
    });
    probe.attach(layer);
    watcher.sendNamedEmpty("Saved Orders Probe");
    EXPECT_EQ(queued, 2);
    EXPECT_TRUE(underWay);
    EXPECT_TRUE(given.queued.empty());
    EXPECT_EQ(uncarried, "Vaelmoric the Bold's last order is still being carried out");
    probe.detach();
}

} // namespace
} // namespace vael::test
