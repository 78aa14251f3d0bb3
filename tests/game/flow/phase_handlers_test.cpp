#include <gtest/gtest.h>

#include "framework/core/bus_event.h"
#include "game/flow/computer_opponent.h"
#include "game/flow/end_of_game_results.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/leaders/vaelmoric.h"
#include "support/flow/game_flow_recorder.h"
#include "support/flow/shock_fixture.h"
#include "support/queue_hook.h"

namespace vael {
namespace {

using namespace test;

class PhaseHandlers : public ShockFixture {
protected:
    PhaseHandlers()
        : ShockFixture({"ZoomOutForRout", "ZoomInAfterRout", "EndOfTurnRoutingDone", "RoutingDone",
                        "SynchronizeGame", "SomeCombatDone", "CombatDone"}) {}
};

TEST_F(PhaseHandlers, ARoutPhaseWithNobodyRoutingEndsAtOnceWithoutZooming) {
    unit({1, 905, 1, West});
    say("RoutPhase");
    EXPECT_EQ(display.log, (Lines{"EndOfTurnRoutingDone"}));
    // "RoutingDone" belongs to shock combat again.
    auto& a = unit({2, 605, 1, East, 9});
    auto& d = unit({3, 705, 2, West, 9});
    display.log.clear();
    ScriptedRolls rolls{5};
    fight({combat({{&a, 0}}, {&d}, 705)});
    EXPECT_EQ(display.log, (Lines{"RoutingDone -1", "SomeCombatDone", "CombatDone"}));
}

// Three routing units run their movement allowance; the phase zooms out once, waits for the third walk
// and zooms back in, and a late report counts for nothing.
TEST_F(PhaseHandlers, ThreeRoutsAreAwaitedBeforeTheTurnGoesOn) {
    for (int n : {1, 2, 3})
        unit({n, static_cast<std::int16_t>(903 + 2 * n), 1, West});
    for (Combat* c : toVector(layer.getUnits()))
        static_cast<Open<Hoplite>*>(c)->routing_ = 1;
    say("RoutPhase");
    EXPECT_EQ(display.log, (Lines{"ZoomOutForRout", "RoutingDone 1", "RoutingDone 2", "RoutingDone 3",
                                  "ZoomInAfterRout", "EndOfTurnRoutingDone"}));
    EXPECT_EQ(layer.getRoutingCount(), 0);
    for (Combat* c : toVector(layer.getUnits()))
        EXPECT_EQ(c->getHex() / 100, 3) << c->getName(); // six hexes West
    display.log.clear();
    say("RoutingDone", short(1));
    EXPECT_EQ(display.log, (Lines{"RoutingDone 1"}));
}

// The relays carry an operation out on this machine's copy of the unit.
TEST_F(PhaseHandlers, RelaysCallTheUnitsOwnOperations) {
    auto& u = unit({1, 605, 1, East, 6});
    Leader& l = leader(2, 605, 1, "Arn", 3, 2);
    Leader& m = leader(3, 606, 1, "Bel", 3, 2);
    say("UsedThisTurn", short(1)), say("DoRestoreCohesion", RestoreCohesionInfo{4, 1});
    say("FinishedLeader", static_cast<unsigned short>(2)), say("WoundedLeader", WoundedLeaderInfo{2, 3});
    // used, cohesion hits; finished, finished; wounded, shock precedence, duel rating
    EXPECT_EQ(values(u.getUsedThisTurn(), u.getCohesionHits(), l.isFinished(), m.isFinished(), m.isWounded(),
                     m.getShockPrecedence(), m.getDuelRating()),
              "1 4 1 0 1 1 0");
    say("EliminateUnit", short(1));
    EXPECT_EQ(u.isOutOfPlay(), 1);
    EXPECT_EQ(map->firstOccupant(605), &l);
    say("EliminateUnit", short(99)); // nobody
    EXPECT_TRUE(checks.texts.empty());
    say("FinishedLeader", std::string("Arn"));
    ASSERT_EQ(checks.texts.size(), 1u);
    EXPECT_NE(checks.texts[0].find("Bad data passed in bus message to function"), std::string::npos);
    checks.texts.clear();
}

class DecidedBattle : public ShockFixture {
protected:
    DecidedBattle()
        : ShockFixture({"StartCombat", "RoutingDone", "SomeCombatDone", "CombatDone", "EndOfTurnRoutingDone",
                        "UnitEliminated", "END_GAME", "EndOfGame"}) {}
    Leader& commander(std::uint16_t number, std::int16_t hex, std::uint32_t nation, const std::string& name) {
        auto* made = new Vaelmoric(leaderRecord(number, hex, map, nation, name, Ratings{5, 3, 2, 2}),
                                   name.c_str());
        layer.enlist(made);
        return *made;
    }
};

// The shock a leader declared before the battle was decided is never fought, and no rout phase runs after
// it; before the decision the same combat is fought and the same rout runs.
TEST_F(DecidedBattle, OnceDecidedTheLayerFightsNoShockAndRoutsNobody) {
    for (bool decided : {false, true}) {
        SCOPED_TRACE(decided ? "decided" : "not decided");
        restage();
        auto& a = unit({1, 605, 1, East, 9});
        auto& d = unit({2, 705, 2, West, 9});
        auto& runner = unit({3, 909, 1, West});
        runner.routing_ = 1;
        if (decided) {
            display.sendEmpty(END_GAME); // heard by the layer as by game control
            settle();
        }
        EXPECT_EQ(layer.isBattleDecided(), decided);
        display.log.clear();
        ScriptedRolls rolls{5};
        fight({combat({{&a, 0}}, {&d}, 705)});
        EXPECT_EQ(rolls.left(), decided ? 1u : 0u);
        const Lines fought{"StartCombat", "RoutingDone -1", "SomeCombatDone", "CombatDone"};
        EXPECT_EQ(display.log, decided ? Lines{"CombatDone"} : fought);
        EXPECT_EQ(values(a.getCohesionHits() + d.getCohesionHits() > 0, layer.combats().count()),
                  values(!decided, 0));
        // A hit still on its way (a volley in flight) is not taken either.
        const std::uint16_t hitsBefore = a.getCohesionHits();
        say("TQHit", TQHitInfo{1, 1, 0});
        EXPECT_EQ(a.getCohesionHits(), decided ? hitsBefore : hitsBefore + 1);
        display.log.clear();
        say("RoutPhase");
        EXPECT_EQ(runner.getHex(), decided ? 909 : 309);
        const Lines routed{"RoutingDone 3", "EndOfTurnRoutingDone"};
        EXPECT_EQ(display.log, decided ? Lines{} : routed);
    }
}

// Alone, the battle's end silences every unit: what comes for them after it (a turn's beginning here) is
// not heard, and nobody is taken off the field. Before the end the same messages act.
TEST_F(DecidedBattle, AloneOnceDecidedTheUnitsHearNothingAndNobodyFalls) {
    for (bool decided : {false, true}) {
        SCOPED_TRACE(decided ? "decided" : "not decided");
        restage();
        auto& a = unit({1, 605, 1, East, 9});
        auto& d = unit({2, 705, 2, West, 9});
        a.setUsedThisTurn(1);
        if (decided) {
            display.sendEmpty(END_GAME);
            settle();
        }
        EXPECT_EQ(layer.hasStoodDown(), decided);
        say("BeginTurn");
        EXPECT_EQ(a.getUsedThisTurn(), decided ? 1 : 0);
        say("EliminateUnit", short(2));
        EXPECT_EQ(d.isOutOfPlay(), decided ? 0 : 1);
    }
}

// A unit whose end was sealed before the battle was decided (here one cut down, whose elimination is still
// to come) is among the losses the battle ends on: worth 9, the visitors' 55 lost become 64. One whose
// elimination was already counted is not counted again, and nothing sealed afterwards is counted at all.
TEST_F(DecidedBattle, ALossSealedBeforeTheEndIsCountedOnce) {
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
    auto& sealed = unit({1, 605, 2, East, 9});
    auto& counted = unit({2, 606, 2, East, 9});
    say("UnitEliminated", EliminateUnitData{2, 55, 2, 50});
    say("EliminateUnit", short(2));
    EXPECT_EQ(values(control->getSideLostTQ(0), control->getSideEliminated(0)), "64 2");
    sealed.condemn();
    display.sendEmpty(END_GAME);
    settle();
    EXPECT_EQ(values(control->getSideLostTQ(0), control->getSideEliminated(0), control->isGameOver()), "73 3 1");
    say("EliminateUnit", short(1));
    EXPECT_EQ(values(control->getSideLostTQ(0), control->getSideEliminated(0), sealed.isOutOfPlay(),
                     counted.isOutOfPlay()),
              "73 3 0 1");
}

// The step that decides the battle may have told a rout or a rally whose report is still on its way to game
// control (the rest of the volley that fells a commander): the end counts it, once, as the commentary told
// it; a report sent after the end counts nothing. Visitors, worth 9 each.
TEST_F(DecidedBattle, ARoutOrRallyToldInTheDecidingStepIsCountedOnceAtTheEnd) {
    struct Row {
        const char* name;
        bool routedBefore; // a rout counted before the step
        const char* onItsWay;
        const char* tallies; // routed troop quality and units routing
    };
    const Row rows[] = {
        {"a rout on its way", false, "UnitRouted", "9 1"},
        {"a rally on its way", true, "UnitRallied", "0 0"},
        {"nothing on its way", true, nullptr, "9 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        restage();
        GameControl* control = layer.CreateGameControl(10);
        ASSERT_NE(control, nullptr);
        control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
        const auto tallies = [&] { return values(control->getSideRoutedTQ(0), control->getSideRouting(0)); };
        if (row.routedBefore) say("UnitRouted", UnitRoutData{2, 9, 2});
        // Within one step the end is queued before the report, as a commander's fall is queued before the
        // rest of his volley is told.
        GameFlowRecorder step({"DecidingStep"}, "Deciding step");
        step.attach(layer);
        step.then("DecidingStep", [&row](GameFlowRecorder& self) {
            self.sendEmpty(END_GAME);
            Container<UnitRoutData> report(UnitRoutData{2, 9, 2});
            if (row.onItsWay) self.sendNamed(row.onItsWay, &report);
        });
        step.sendNamedEmpty("DecidingStep");
        settle();
        ASSERT_EQ(control->isGameOver(), 1);
        EXPECT_EQ(tallies(), row.tallies);
        say("UnitRouted", UnitRoutData{2, 9, 2});
        say("UnitRallied", UnitRoutData{2, 9, 2});
        EXPECT_EQ(tallies(), row.tallies) << "after the end";
    }
}

// The other machine is lost in the middle of a step: the battle ends there, but what the step had already
// reported (a rout, a rally, an elimination, still on their way to game control) is the battle as it stood,
// and counts. Once the step has unwound the tallies close: a routing unit whose elimination was sealed but
// never carried out counts, once; nothing reported afterwards counts at all. Visitors, worth 9 each.
TEST_F(DecidedBattle, EndedElsewhereTheStepsReportsCountUntilTheTalliesClose) {
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
    auto& sealed = unit({1, 605, 2, East, 9});
    unit({2, 606, 2, East, 9});
    control->endedElsewhere(true);
    ASSERT_EQ(control->isGameOver(), 1);
    const auto tallies = [&] {
        return values(control->getSideLostTQ(0), control->getSideRoutedTQ(0), control->getSideRouting(0),
                      control->getSideEliminated(0));
    };
    say("UnitRouted", UnitRoutData{2, 9, 2});
    EXPECT_EQ(tallies(), "0 9 1 0");
    say("UnitRallied", UnitRoutData{2, 9, 2});
    EXPECT_EQ(tallies(), "0 0 0 0");
    say("UnitRouted", UnitRoutData{2, 9, 2});
    say("UnitEliminated", EliminateUnitData{2, 9, 2, 2});
    EXPECT_EQ(tallies(), "9 0 0 1");
    say("UnitRouted", UnitRoutData{2, 9, 2}); // the sealed one fled first
    EXPECT_EQ(tallies(), "9 9 1 1");
    sealed.condemn();
    control->closeTallies();
    EXPECT_EQ(tallies(), "18 0 0 2");
    control->closeTallies();
    EXPECT_EQ(tallies(), "18 0 0 2");
    say("UnitRouted", UnitRoutData{2, 9, 2});
    say("UnitEliminated", EliminateUnitData{2, 9, 2, 1});
    EXPECT_EQ(tallies(), "18 0 0 2");
    // The rules' own end closes them at once: a report after it counts nothing.
    restage();
    control = layer.CreateGameControl(10);
    control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
    display.sendEmpty(END_GAME);
    settle();
    say("UnitRouted", UnitRoutData{2, 9, 2});
    EXPECT_EQ(tallies(), "0 0 0 0");
}

// The battle's end is certain once it was decided, or once the fall of a commander is sealed though his
// elimination (which ends it) is still queued, whatever his kind; an ordinary leader's fall settles nothing.
TEST_F(DecidedBattle, TheBattleIsSettledOnceACommandersFallIsSealed) {
    struct Row {
        const char* what;
        bool commander, ofTheLeadersKind, eliminated, decided;
        bool settled;
    } rows[] = {
        {"nobody fell", false, false, false, false, false},
        {"an ordinary leader's fall sealed", false, true, false, false, false},
        {"an ordinary leader fallen and replaced", false, true, true, false, false},
        {"a commander's fall sealed", true, false, false, false, true},
        {"a commander fallen", true, false, true, false, true},
        {"a commander of the leaders' kind, his fall sealed", true, true, false, false, true},
        {"decided", false, false, false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        restage();
        Leader& fallen = row.commander && !row.ofTheLeadersKind
                             ? commander(4, 303, 2, "Vaelmoric the Bold")
                             : leader(4, 303, 2, row.commander ? "Tezhar III" : "Arn", 3, 2);
        if (std::string(row.what) != "nobody fell") fallen.condemn();
        if (row.eliminated) fallen.eliminate();
        if (row.decided) layer.battleDecided();
        EXPECT_EQ(layer.isBattleSettled(), row.settled);
    }
}

// The commander's fall is sealed when a second volley of the step breaks an elephant: the beast is told
// rampaging but runs nowhere, nothing more is rolled, and the battle ends counting it lost beside him.
TEST_F(DecidedBattle, AnElephantBrokenAfterTheCommandersFallRunsNowhereAndIsCountedLost) {
    Leader& tezhar = leader(4, 303, 2, "Tezhar III", 3, 2);
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
    ElephantUnitData record;
    static_cast<CombatUnitData&>(record) = troopRecord({1, 605, 2, East, 5}, map);
    record.missileType = 1;
    auto& beast = enlisted(new Open<Elephant>(record, record.name.c_str()), {1, 605, 2, East, 5});
    beast.cohesionHits_ = 4;
    ScriptedRolls rolls{0, 99, 0, 0};
    inOneStep(layer, [&] {
        tezhar.HitByMissile();
        beast.tqHit(1, 0);
    });
    EXPECT_EQ(rolls.left(), 2u);
    EXPECT_EQ(values(beast.isRampaging(), beast.isEliminationDue(), map->isHexOccupied(605)), "0 1 0");
    // Tezhar III worth 15, the beast 2.
    EXPECT_EQ(values(control->isGameOver(), control->getSideLostTQ(0), control->getSideEliminated(0)),
              "1 17 2");
}

// Between two machines the other acts next on the state this one hands it, while this display may still
// play a rampage: the beast leaves play as its rampage is handed to the display, the display still to
// answer. On one machine it rampages on until the display has played it.
TEST_F(DecidedBattle, BetweenTwoMachinesABrokenElephantLeavesPlayWhileItsRampageIsStillShown) {
    for (const bool two : {false, true}) {
        SCOPED_TRACE(two ? "two machines" : "one machine");
        restage();
        layer.setPlayedOnTwoMachines(two);
        display.answers = false;
        ElephantUnitData record;
        static_cast<CombatUnitData&>(record) = troopRecord({1, 605, 2, East, 5}, map);
        record.missileType = 1;
        auto& beast = enlisted(new Open<Elephant>(record, record.name.c_str()), {1, 605, 2, East, 5});
        beast.cohesionHits_ = 4;
        display.log.clear();
        // The mahout stops it at once: it runs nowhere.
        ScriptedRolls rolls{7};
        beast.tqHit(1, 0);
        EXPECT_EQ(values(beast.isRampaging(), beast.mayRally(), beast.isOutOfPlay(), map->isHexOccupied(605)),
                  two ? "0 0 1 0" : "1 0 0 0");
        EXPECT_EQ(display.log, two ? (Lines{"RoutingDone 1", "UnitEliminated ?"}) : Lines{});
    }
    layer.setPlayedOnTwoMachines(false);
}

// A leader's fall is sealed (struck, his elimination on its way) when the other machine is lost: the
// battle's losses count it once, at the close, at five times his initiative before wounds (3: 15), a
// commander's at ten (5: 50). One whose fall was carried out before the close counts by its own report,
// and nothing carried out after the close counts. Visitors.
TEST_F(DecidedBattle, ALeaderSealedBeforeALossIsCountedOnce) {
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
    Leader& struck = leader(3, 605, 2, "Orvan", 2, 1);
    Leader& fallen = leader(4, 606, 2, "Seld", 2, 1);
    Leader& chief = commander(5, 607, 2, "Vaelmoric");
    const auto tallies = [&] { return values(control->getSideLostTQ(0), control->getSideEliminated(0)); };
    control->endedElsewhere(true);
    fallen.condemn();
    say("EliminateUnit", short(4));
    EXPECT_EQ(tallies(), "15 1");
    struck.condemn();
    chief.condemn();
    control->closeTallies();
    EXPECT_EQ(tallies(), "80 3");
    control->closeTallies();
    say("EliminateUnit", short(3));
    EXPECT_EQ(values(tallies(), struck.isEliminated()), "80 3 1");
}

// The other machine sealed losses in the step its loss cut off (the lines that told them came, the
// eliminations never will): each counts once at the close, a leader's too and one told twice, beside a
// loss sealed here; one whose elimination came after its seal counts by that report alone. The rules' own
// end counts them the same way. Visitors, units worth 9, a leader 15.
TEST_F(DecidedBattle, ALossSealedOnTheOtherMachineCountsOnceAtTheClose) {
    for (bool lost : {true, false}) {
        SCOPED_TRACE(lost ? "ended by the loss" : "ended by the rules");
        restage();
        GameControl* control = layer.CreateGameControl(10);
        ASSERT_NE(control, nullptr);
        control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
        auto& here = unit({1, 605, 2, East, 9});
        const auto tallies = [&] {
            return values(control->getSideLostTQ(0), control->getSideRoutedTQ(0), control->getSideRouting(0),
                          control->getSideEliminated(0));
        };
        for (int i = 0; i < 3; ++i)
            say("UnitRouted", UnitRoutData{2, 9, 2}); // units 1, 7 and 9 flee
        if (lost) control->endedElsewhere(true);
        say("UnitLossSealed", EliminateUnitData{2, 9, 2, 7});
        say("UnitLossSealed", EliminateUnitData{2, 9, 2, 7}); // told twice, sealed once
        say("UnitLossSealed", EliminateUnitData{2, 15, 0xFFFFFFFF, 8});
        say("UnitLossSealed", EliminateUnitData{2, 9, 2, 9});
        say("UnitEliminated", EliminateUnitData{2, 9, 2, 9});
        here.condemn();
        EXPECT_EQ(tallies(), "9 18 2 1");
        if (lost)
            control->closeTallies();
        else
            display.sendEmpty(END_GAME), settle();
        EXPECT_EQ(tallies(), "42 0 0 4");
        say("UnitLossSealed", EliminateUnitData{2, 9, 2, 10});
        control->closeTallies();
        EXPECT_EQ(tallies(), "42 0 0 4");
    }
}

// A computer opponent that notes being stood down.
class StandingOpponent : public ComputerOpponent {
public:
    StandingOpponent() : ComputerOpponent("Standing opponent") {}
    void connectHandlers() override {}
    void setUnitList(const List<Combat*>*) override {}
    void setLeaderList(const List<Leader*>*) override {}
    void setSide(bool, std::uint32_t) override {}
    std::int32_t compile(const std::string&) override { return 1; }
    bool runConditions() override { return true; }
    void standDown() override { ++stoodDown; }
    int stoodDown = 0;
};

// The end stands both computer opponents down (a plan may still be running in the step that decided it),
// once however often the end is heard; undecided, neither is. The end comes as game control tells it.
TEST_F(DecidedBattle, TheEndStandsBothComputerOpponentsDownOnce) {
    auto home = std::make_unique<StandingOpponent>();
    auto visitor = std::make_unique<StandingOpponent>();
    StandingOpponent* h = home.get();
    StandingOpponent* v = visitor.get();
    h->attach(layer), v->attach(layer);
    layer.setOpponent(false, std::move(home));
    layer.setOpponent(true, std::move(visitor));
    say("BeginTurn");
    EXPECT_EQ(values(h->stoodDown, v->stoodDown), "0 0");
    display.sendEmpty(END_GAME);
    settle();
    display.sendEmpty(END_GAME);
    settle();
    EXPECT_EQ(values(h->stoodDown, v->stoodDown), "1 1");
}

// Between machines the rules' end leaves the battle standing until the end is shown on every machine (an
// activation of the other's may still be under way); the shown end stands it down here, every unit with
// it: a rally after it turns nobody.
TEST_F(DecidedBattle, BetweenMachinesTheShownEndStandsTheBattleDown) {
    Leader& mine = leader(10, 101, 1, "Arn", 2, 0);
    leader(11, 1010, 2, "Bel", 2, 0);
    layer.addLocalLeader(&mine);
    auto& a = unit({1, 505, 1, East, 9});
    unit({2, 305, 2, East, 9});
    display.sendEmpty(END_GAME);
    settle();
    EXPECT_EQ(values(layer.isBattleDecided(), layer.hasStoodDown(), a.hasStoodDown()), "1 0 0");
    EndOfGameResults results;
    results.winner = 2, results.homeNation = 1, results.visitorNation = 2;
    say("EndOfGame", results);
    EXPECT_EQ(values(layer.hasStoodDown(), a.hasStoodDown()), "1 1");
    EXPECT_EQ(a.refaceAfterRally(), 1);
    EXPECT_EQ(a.getFacing(), East);
}

// A unit condemned and carried off the field before the end (its elimination came in time) was counted as
// it fell: the end, which counts the losses still under way, counts it no second time. Visitors, worth 9.
TEST_F(DecidedBattle, ACondemnedUnitAlreadyOffTheFieldIsNotCountedAgainAtTheEnd) {
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeTQLimit(100), control->setVisitorTQLimit(100);
    auto& fallen = unit({1, 605, 2, East, 9});
    fallen.condemn();
    say("EliminateUnit", short(1));
    ASSERT_EQ(values(fallen.isOutOfPlay(), fallen.isEliminationDue()), "1 1");
    EXPECT_EQ(values(control->getSideLostTQ(0), control->getSideEliminated(0)), "9 1");
    display.sendEmpty(END_GAME);
    settle();
    EXPECT_EQ(values(control->getSideLostTQ(0), control->getSideEliminated(0), control->isGameOver()),
              "9 1 1");
}

// Two volleys of one step both kill the commander: he falls once, is counted once and ends the battle once.
TEST_F(DecidedBattle, ACommanderKilledTwiceFallsAndCountsOnce) {
    Leader& v = commander(4, 303, 1, "Vaelmoric the Bold");
    display.log.clear();
    say("EliminateUnit", short(4));
    say("EliminateUnit", short(4));
    EXPECT_EQ(display.log, (Lines{"UnitEliminated ?", "END_GAME"}));
    EXPECT_EQ(v.isEliminated(), 1);
    EXPECT_TRUE(layer.isBattleDecided());
}

// A commander of initiative 5 is worth 50. His fall is counted before the end of the game is judged: with it the home side is further
// over its limit than the visitors (6 against 0), so the visitors win; without it only the visitors were
// over and the home side would have won.
TEST_F(DecidedBattle, ACommandersFallIsCountedBeforeTheBattleIsJudged) {
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeTQLimit(54), control->setVisitorTQLimit(55);
    commander(4, 303, 1, "Vaelmoric the Bold");
    say("UnitEliminated", EliminateUnitData{2, 55, 2, 50});
    say("UnitEliminated", EliminateUnitData{1, 10, 2, 51});
    EXPECT_EQ(values(control->getSideLostTQ(1), control->getSideLostTQ(0), control->isGameOver()), "10 55 0");
    display.log.clear();
    say("EliminateUnit", short(4));
    EXPECT_EQ(values(control->getSideLostTQ(1), control->getSideLostTQ(0), control->isGameOver(),
                     control->getWinner()),
              "60 55 1 2");
    ASSERT_EQ(display.only({"EndOfGame"}).size(), 1u);
    EXPECT_EQ(display.only({"EndOfGame"})[0].rfind("EndOfGame winner 2 ", 0), 0u) << display.only({"EndOfGame"})[0];
}

class CombatsAtRest : public ShockFixture {
protected:
    CombatsAtRest()
        : ShockFixture({"StartCombat", "RoutingDone", "AdvancingDone", "SomeCombatDone", "CombatDone"}) {
        layer.setDisplayOwes([this] { return owed; });
    }
    ~CombatsAtRest() override { layer.setDisplayOwes(nullptr); }
    // A fresh battle: Arn's group gives the orders, Arn played here when local. His one combat is a
    // charge: the attacker passes TQ 6 with 0, the defender misses TQ 2 by 7 and breaks, the battle ends
    // before its blow and the attacker advances into the hex left.
    Combat& orders(bool twoMachines, bool local) {
        restage();
        display.log.clear();
        Leader& arn = leader(9, 909, 1, "Arn", 3, 2);
        group.setLeader(&arn);
        layer.setActiveGroup(&group);
        if (local) layer.addLocalLeader(&arn);
        layer.setPlayedOnTwoMachines(twoMachines);
        auto& attacker = unit({1, 605, 1, East, 6});
        fight({combat({{&attacker, 1}}, {&unit({2, 705, 2, West, 2})}, 705)});
        return attacker;
    }
    bool owed = false;
    Group group{1, "Van"};
    const Lines fought{"StartCombat",     "RoutingDone -1", "RoutingDone 2",
                       "AdvancingDone 1", "SomeCombatDone", "CombatDone"};
};

// Between two machines, where the orders were given, a leader's combats wait for the display to end what
// his orders set going, looking again by the clock (ten times a second), and are then fought from the
// queue as any others, every hit and rout carried out after the battle that dealt it; played on one
// machine, by a leader of the other machine, or with nothing owed, they are fought at once.
TEST_F(CombatsAtRest, TheCombatsWaitForTheDisplayOnlyWhereTheOrdersWereGiven) {
    struct Row {
        const char* label;
        bool twoMachines, localLeader, owed, waits;
    } rows[] = {
        {"two machines, the leader here, something owed", true, true, true, true},
        {"the leader on the other machine", true, false, true, false},
        {"one machine", false, true, true, false},
        {"nothing owed", true, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        owed = row.owed;
        ScriptedRolls rolls{0, 9};
        const Combat& attacker = orders(row.twoMachines, row.localLeader);
        EXPECT_EQ(restAwaited(layer), row.waits);
        EXPECT_EQ(display.log, row.waits ? Lines{} : fought);
        if (row.waits) {
            EXPECT_EQ(app.timerPeriod, 100);
            app.tickSystemTimer(), app.tickSystemTimer();
            settle();
            EXPECT_EQ(display.log, Lines{});
            EXPECT_EQ(rolls.left(), 2u);
            owed = false;
            app.tickSystemTimer();
            settle();
            EXPECT_EQ(display.log, fought);
            EXPECT_FALSE(restAwaited(layer));
        }
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(attacker.getHex(), 705);
    }
}

// The combat's pause ended (the game closed, say) ends the wait too: nothing is fought after it.
TEST_F(CombatsAtRest, EndingTheCombatPauseEndsTheWait) {
    owed = true;
    ScriptedRolls rolls{0, 9};
    orders(true, true);
    ASSERT_TRUE(restAwaited(layer));
    endCombatPause(layer);
    EXPECT_FALSE(restAwaited(layer));
    owed = false;
    app.tickSystemTimer(), app.tickSystemTimer();
    settle();
    EXPECT_EQ(display.log, Lines{});
    EXPECT_EQ(rolls.left(), 2u);
}

// At the end of each turn of the river battle the video plays while every hex of the valley is held.
TEST_F(PhaseHandlers, TheTurnOverviewAndTheRiverVideo) {
    layer.stageBattle(map = makeLandscape(MapFileBuilder(8, 50)).release(), 1, 2);
    Lines shown;
    std::uint32_t scenario = 5;
    PhaseDialogs dialogs;
    dialogs.gameOverview = [&](const EndOfGameResults& r) { shown.push_back("overview " + r.homeName); };
    dialogs.video = [&](const std::string& file) { shown.push_back("video " + file); };
    dialogs.scenario = [&] { return scenario; };
    layer.setPhaseDialogs(dialogs);
    auto& holder = unit({1, 43, 1, East});
    const short valley[] = {42,  143, 141, 243, 342, 442, 541, 642, 643, 543, 40,  240, 440, 640, 38,
                            238, 438, 638, 439, 36,  35,  134, 334, 534, 635, 636, 536, 336, 136, 33,
                            233, 433, 532, 632, 631, 530, 430, 230, 30,  531, 331, 27,  26,  127, 126,
                            125, 228, 428, 628, 225, 425, 625, 326, 123, 323, 322, 523, 623, 622, 23,
                            22,  20,  19,  18,  219, 419, 619, 16,  216, 416, 616, 14,  214, 414, 614,
                            415, 112, 312, 311, 512, 612, 611, 12,  11,  8,   208, 408, 507, 607, 506,
                            406, 206, 6,   4,   204, 404, 604, 2,   202, 402, 602, 1,   100, 300, 500};
    for (short hex : valley)
        map->addToRegion(&holder, hex);
    EndOfGameResults results;
    results.homeName = "Home";
    say("EndOfTurn", results); // 601 is empty
    map->addToRegion(&holder, 601);
    say("EndOfTurn", results);
    scenario = 4;
    say("EndOfTurn", results);
    EXPECT_EQ(shown, (Lines{"overview Home", "overview Home", "video 320vael.avi", "overview Home"}));
    EXPECT_EQ(display.log, Lines(3, "SynchronizeGame viewing end of turn results"));
}

TEST_F(PhaseHandlers, TheGameOverviewShowsWhatGameControlAnswers) {
    Lines shown;
    PhaseDialogs dialogs;
    dialogs.gameOverview = [&](const EndOfGameResults& r) { shown.push_back("overview " + r.visitorName); };
    layer.setPhaseDialogs(dialogs);
    say("GameOverview");
    GameFlowRecorder control({"GetGameResults"});
    control.attach(layer);
    EndOfGameResults results;
    results.visitorName = "Away";
    control.answer("GetGameResults", results);
    say("GameOverview");
    EXPECT_EQ(shown, (Lines{"overview Away"}));
}

} // namespace
} // namespace vael
