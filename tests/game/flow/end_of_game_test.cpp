#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/asynchronous_bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/super_string.h"
#include "game/flow/game_control.h"
#include "game/rules/combat/combat_records.h"
#include "support/failed_checks.h"
#include "support/flow/game_flow_recorder.h"
#include "support/rules/test_units.h"
#include "support/test_application.h"

namespace vael {
namespace {

using Lines = std::vector<std::string>;

struct State {
    std::int16_t homeLost = 0, homeLimit = 30, visitorLost = 0, visitorLimit = 30;
    std::int16_t turn = 0, river = 0;
};

// Lays the state down through the saved block, as a restored game would hold it.
void restore(GameControl& control, const State& s) {
    SuperString block;
    for (short v : std::initializer_list<short>{0, -1, s.turn, -1, s.homeLimit, s.visitorLimit, s.homeLost,
                                                s.visitorLost, 0, 0, 0, 0, 0, 0, 0, s.river})
        block << v;
    ASSERT_TRUE(control.read(block));
}

TEST(EndOfGameTest, TheTestDecidesEveryCaseRowByRow) {
    struct Row {
        const char* what;
        std::uint32_t scenario;
        State state;
        bool over, homeWon;
    } rows[] = {
        {"neither over", 3, {24, 25, 29, 30}, false, false},
        {"home lost exactly its limit", 3, {25, 25, 0, 30}, true, false},
        {"visitor lost exactly its limit", 3, {0, 25, 30, 30}, true, true},
        {"both over, the home excess smaller", 3, {30, 25, 40, 30}, true, true},
        {"both over by 4 and 5", 3, {29, 25, 35, 30}, true, true},
        {"both over by 5 and 4", 3, {30, 25, 34, 30}, true, false},
        {"both over by the same: against home", 3, {30, 25, 35, 30}, true, false},
        {"a battle of one's own: home over", 10, {25, 25, 0, 30}, true, false},
        {"a battle of one's own: visitor over", 10, {0, 25, 30, 30}, true, true},
        {"a battle of one's own: both, tie", 10, {26, 25, 31, 30}, true, false},
        {"river score past 1000 ends it first", 2, {40, 25, 0, 30, 0, 1001}, true, true},
        {"river score of 1000 is not enough", 2, {0, 25, 0, 30, 0, 1000}, false, false},
        {"a side over beats the turn counter", 2, {0, 25, 30, 30, 9}, true, true},
        {"the river score counts only at the river", 3, {0, 25, 0, 30, 0, 2000}, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl control;
        control.setScenario(row.scenario);
        restore(control, row.state);
        EXPECT_EQ(control.endOfGameTest(), (GameControl::EndTest{row.over, row.homeWon}));
    }
}

// Every scenario with nobody over its limit, on the turns at which some battle expires.
TEST(EndOfGameTest, OnlyTheRiverAndTheShortBattleExpire) {
    for (std::uint32_t scenario = 0; scenario <= 11; ++scenario)
        for (std::int16_t turn : {3, 4, 5, 8, 9, 10}) {
            SCOPED_TRACE("scenario " + std::to_string(scenario) + " turn " + std::to_string(turn));
            // A battle is over by its last turn: a block past it is refused when read (GameControlTest).
            if ((scenario == 2 && turn > 9) || (scenario == 6 && turn > 4)) continue;
            GameControl control;
            control.setScenario(scenario);
            restore(control, State{0, 25, 0, 30, turn, 0});
            const bool expires = (scenario == 2 && turn == 9) || (scenario == 6 && turn == 4);
            EXPECT_EQ(control.endOfGameTest(), (GameControl::EndTest{expires, false}));
        }
}

struct FallenLeader : test::TestLeader {
    using TestLeader::TestLeader;
    using VaelUnit::outOfPlay_;
};

class EndOfGameFlow : public ::testing::Test {
protected:
    void SetUp() override {
        world.attach(bus);
        fresh();
    }
    // A game control of its own for each row of a table, the only one on the bus.
    GameControl& fresh() {
        control = std::make_unique<GameControl>();
        control->attach(bus);
        control->setHomeNation(1), control->setVisitorNation(2);
        control->setHomeTQLimit(30), control->setVisitorTQLimit(30);
        return *control;
    }
    FallenLeader* addLeader(const std::string& name, bool fallen) {
        test::UnitSetup s(static_cast<std::uint16_t>(20 + leaders.size()), 0, nullptr, 1);
        s.name = name;
        leaders.push_back(std::make_unique<FallenLeader>(s));
        leaders.back()->outOfPlay_ = fallen;
        control->addLeader(LeaderUnitInfo{name, 3, 1, leaders.back().get()});
        return leaders.back().get();
    }

    test::TestApplication app;
    AsynchronousBus bus{"Layer"};
    std::unique_ptr<GameControl> control;
    test::GameFlowRecorder world{{"EndOfGame", "GameEnded", "GameSynchronized", "ActivateLeader", "EndOfTurn",
                                  "UnitRemoved", "UnitDeselected"}};
    std::vector<std::unique_ptr<FallenLeader>> leaders;
    test::FailedChecks checks;
};

TEST_F(EndOfGameFlow, AGameEndedFromElsewhereGoesToTheSideWhoseCommanderStillStands) {
    struct Row {
        const char* what;
        std::vector<std::pair<const char*, bool>> leaders; // name, fallen
        std::uint32_t winner;
        short homeWon;
    };
    const Row rows[] = {
        {"Vaelmoric fell: the visitors win", {{"Aristhon", true}, {"Vaelmoric", true}}, 2, 0},
        {"Tezhar fell: the home side wins", {{"Tezhar", true}, {"Vaelmoric", false}}, 1, 1},
        {"both fell: Vaelmoric's fall is asked first", {{"Tezhar", true}, {"Vaelmoric", true}}, 2, 0},
        {"nobody decisive fell: no winner", {{"Aristhon", true}, {"Vaelmoric", false}}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh();
        for (const auto& [name, fallen] : row.leaders)
            addLeader(name, fallen);
        world.log.clear();
        c.sendEmpty(END_GAME);
        app.drainQueue();
        EXPECT_EQ(c.getWinner(), row.winner);
        EXPECT_EQ(c.isGameOver(), 1);
        world.say("SynchronizeGame", std::string());
        app.drainQueue();
        EXPECT_EQ(world.only({"GameEnded"}), Lines{"GameEnded " + std::to_string(row.homeWon)});
    }
}

TEST_F(EndOfGameFlow, AutomaticWinGivesTheOtherSideTheGameAtOnce) {
    struct Row {
        short side;
        std::uint32_t winner;
        const char *homeLost, *visitorLost;
    } rows[] = {{0, 2, "1000/30", "0/30"}, {1, 1, "0/30", "1000/30"}, {7, 1, "0/30", "1000/30"}};
    for (const Row& row : rows) {
        SCOPED_TRACE("side " + std::to_string(row.side));
        GameControl& c = fresh();
        world.log.clear();
        world.say("AutomaticWin", row.side);
        app.drainQueue();
        EXPECT_EQ(c.getWinner(), row.winner);
        EXPECT_EQ(world.log,
                  Lines{"EndOfGame winner " + std::to_string(row.winner) + " Macedonian(1) " + row.homeLost +
                        " routed 0(0) out 0/0 Persian(2) " + row.visitorLost + " routed 0(0) out 0/0"});
    }
}

TEST_F(EndOfGameFlow, AfterTheEndNeitherTheNextLeaderNorTheNextTurnRuns) {
    addLeader("Aristhon", false);
    control->setHomeTQLimit(0); // the test after the rout phase finds the home side over
    control->sendNamedEmpty("EndOfTurnRoutingDone");
    app.drainQueue();
    EXPECT_EQ(world.names(), Lines{"EndOfGame"});
    control->NextLeader();
    control->BeginTurn();
    control->sendEmpty(END_GAME); // a second end shows nothing more
    app.drainQueue();
    EXPECT_EQ(world.names(), Lines{"EndOfGame"});
    EXPECT_EQ(control->getTurn(), 0);
}

// A loss still on its way to be counted as the turn's routs end (a beast whose rampage ended them leaves play
// as they end) is the turn's: its end counts it and tells it. Counted after that end was told, it is the next
// turn's.
class OneStep : public Component {
public:
    OneStep() : Component("One Step") {}
    void connectHandlers() override { connectNamed("StepNow", onStep); }
    std::function<void()> step;

private:
    static ContainerBase* onStep(Component* target, BusMessage, ContainerBase*) {
        static_cast<OneStep*>(target)->step();
        return nullptr;
    }
};

TEST_F(EndOfGameFlow, TheTurnsEndCountsALossStillOnItsWay) {
    for (const bool onItsWay : {true, false}) {
        SCOPED_TRACE(onItsWay ? "queued behind the end of the routs" : "after the turn's end");
        GameControl& c = fresh();
        world.log.clear();
        // Within one step of the bus, as the beast's end of rout and its elimination are posted.
        OneStep one;
        one.step = [&] {
            control->sendNamedEmpty("EndOfTurnRoutingDone");
            if (onItsWay) world.say("UnitEliminated", EliminateUnitData{2, 6, 2, 40});
        };
        one.attach(app);
        one.sendNamedEmpty("StepNow");
        app.drainQueue();
        one.detach();
        if (!onItsWay) world.say("UnitEliminated", EliminateUnitData{2, 6, 2, 40});
        app.drainQueue();
        const Lines ends = world.only({"EndOfTurn"});
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_NE(ends[0].find(onItsWay ? "Persian(2) 6/30" : "Persian(2) 0/30"), std::string::npos) << ends[0];
        EXPECT_EQ(c.getSideLostTQ(0), 6);
        EXPECT_EQ(c.isGameOver(), 0);
    }
}

// Between two machines the end is told once the activation's last step has been seen on both, and it counts
// what that step still reports after the decision (a volley of the same orders landing after the fall that
// decided it), as the other machine, told every report before the end, counts it. On one machine the end is
// told at once and counts nothing after it.
TEST_F(EndOfGameFlow, AnEndToldAfterTheActivationCountsWhatItsLastStepReports) {
    for (const std::int16_t players : {2, 1}) {
        SCOPED_TRACE(std::to_string(players) + " players");
        GameControl& c = fresh();
        world.log.clear();
        addLeader("Aristhon", false);
        c.setPlayers(players);
        c.NextLeader(); // Aristhon's activation under way
        app.drainQueue();
        ASSERT_EQ(world.names(), Lines{"ActivateLeader"});
        world.log.clear();
        c.sendEmpty(END_GAME);
        app.drainQueue();
        EXPECT_EQ(world.only({"EndOfGame"}).size(), players == 1 ? 1u : 0u);
        world.say("UnitEliminated", EliminateUnitData{2, 6, 2, 40});
        app.drainQueue();
        for (int p = 0; p < players; ++p)
            world.say("SynchronizeGame", std::string());
        app.drainQueue();
        const Lines ends = world.only({"EndOfGame"});
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_NE(ends[0].find(players == 2 ? "Persian(2) 6/30 routed 0(0) out 1/" : "Persian(2) 0/30 routed 0(0) out 0/"),
                  std::string::npos)
            << ends[0];
        // Once told, nothing more counts.
        world.say("UnitEliminated", EliminateUnitData{2, 5, 2, 41});
        app.drainQueue();
        EXPECT_EQ(c.results(c.getWinner()).visitorLostTQ, players == 2 ? 6 : 0);
        leaders.clear();
    }
}

// The tallies are the record the battle was decided on: a rout, a rally or an elimination heard before
// the end counts, the same heard after it counts for nothing, and the end's record shows the first.
TEST_F(EndOfGameFlow, AfterTheEndNothingMoreIsCounted) {
    struct Row {
        const char* what;
        const char* message;
        bool elimination;
        const char* before; // visitor lost, routed TQ, routing, eliminated after the report before the end
    } rows[] = {
        {"a rout", "UnitRouted", false, "0 6 1 0"},
        // Nobody routs: the rally takes nothing below nothing, and the fall counts only its loss.
        {"a rally", "UnitRallied", false, "0 0 0 0"},
        {"an elimination", "UnitEliminated", true, "6 0 0 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (bool afterTheEnd : {false, true}) {
            SCOPED_TRACE(afterTheEnd ? "after the end" : "before the end");
            GameControl& c = fresh();
            if (afterTheEnd) {
                c.sendEmpty(END_GAME);
                app.drainQueue();
            }
            world.log.clear();
            if (row.elimination)
                world.say(row.message, EliminateUnitData{2, 6, 2, 40});
            else
                world.say(row.message, UnitRoutData{2, 6, 2});
            app.drainQueue();
            EXPECT_EQ(test::values(c.getSideLostTQ(0), c.getSideRoutedTQ(0), c.getSideRouting(0),
                                   c.getSideEliminated(0)),
                      afterTheEnd ? "0 0 0 0" : row.before);
            if (afterTheEnd) {
                EXPECT_EQ(c.results(c.getWinner()).visitorLostTQ, 0);
                EXPECT_EQ(world.only({"EndOfGame"}), Lines{});
            }
        }
    }
}

struct RiverUnit : test::TestCombat {
    using Combat::routing_;
    using Combat::willRout_;
    using test::TestCombat::FightingDouble;
    using VaelUnit::secondHex_;
};

TEST_F(EndOfGameFlow, TheRiverScoreRowByRow) {
    struct Row {
        const char* what;
        std::uint32_t scenario;
        bool leader;
        std::int16_t hex, secondHex;
        std::int16_t routing, willRout;
        std::int16_t scoreBefore, scoreAfter;
    } rows[] = {
        {"a unit of TQ 6 at hex 5", 2, false, 5, -1, 0, 0, 0, 6},
        {"at hex 20", 2, false, 20, -1, 0, 0, 10, 16},
        {"at hex 4", 2, false, 4, -1, 0, 0, 0, 0},
        {"at hex 21", 2, false, 21, -1, 0, 0, 0, 0},
        {"its second hex at the river", 2, false, 30, 12, 0, 0, 0, 6},
        {"routing", 2, false, 5, -1, 1, 0, 0, 0},
        {"marked to rout", 2, false, 5, -1, 0, 1, 0, 0},
        {"another battle", 3, false, 5, -1, 0, 0, 0, 0},
        {"a leader below 50", 2, true, 5, -1, 0, 0, 49, 49},
        {"a leader at 50", 2, true, 5, -1, 0, 0, 50, 1050},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh();
        c.setScenario(row.scenario);
        restore(c, State{0, 30, 0, 30, 0, row.scoreBefore});
        test::UnitSetup s(7, row.hex);
        s.TQ = 6;
        RiverUnit unit(s);
        unit.secondHex_ = row.secondHex, unit.routing_ = row.routing, unit.willRout_ = row.willRout;
        test::TestLeader leader(s);
        VaelUnit* mover = row.leader ? static_cast<VaelUnit*>(&leader) : &unit;
        mover->attach(bus);
        test::GameFlowRecorder layer({"GetUnitByNum"}, "Layer double");
        layer.answer("GetUnitByNum", mover);
        layer.attach(bus);
        world.log.clear();
        world.say("UnitMovementDone", static_cast<unsigned short>(7));
        app.drainQueue();
        EXPECT_EQ(c.getRiverScore(), row.scoreAfter);
        const bool removed = row.scoreAfter != row.scoreBefore;
        const std::string id = std::to_string(mover->getId());
        const Lines expected = removed ? Lines{"UnitRemoved id " + id + " " + std::to_string(row.hex) + "/" +
                                                   std::to_string(row.secondHex),
                                               "UnitDeselected"}
                                       : Lines{};
        EXPECT_EQ(world.log, expected);
        EXPECT_EQ(layer.log, row.scenario == 2 ? Lines{"GetUnitByNum 7"} : Lines{});
    }
}

} // namespace
} // namespace vael
