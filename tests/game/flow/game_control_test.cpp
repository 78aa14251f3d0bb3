#include "game/flow/game_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/asynchronous_bus.h"
#include "framework/core/bus_event.h"
#include "framework/core/super_string.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/leaders/leader.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/flow/game_flow_recorder.h"
#include "support/rules/leader_fixture.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_maps.h"
#include "support/test_application.h"

namespace vael {
namespace {

using Lines = std::vector<std::string>;

// Lays a state down through the saved block, as a restored game holds it: the gone flags, then reserved,
// the active leader, the turn, the momentum tries and the rest of the sixteen values (0 unless given).
bool restore(GameControl& control, std::initializer_list<short> gone, std::initializer_list<short> values) {
    SuperString block;
    for (short g : gone)
        block << g;
    std::vector<short> rest(values);
    rest.resize(16, 0);
    for (short v : rest)
        block << v;
    return control.read(block);
}

class GameControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        control.attach(bus);
        world.attach(bus);
        control.setHomeNation(1);
        control.setVisitorNation(2);
        control.setCaptionSource([] { return std::string("Battle"); });
        app.strings[88] = "Now starting game...";
        app.strings[89] = "Now resuming game...";
        app.strings[90] = "(R)";
        app.strings[91] = "Elite Initiative is being decided...";
    }
    // A leader numbered 10 + his index, of the home side unless told.
    Leader* addLeader(const std::string& name, std::uint16_t initiative, std::uint32_t nation = 1) {
        const auto number = static_cast<std::uint16_t>(10 + units.size());
        units.push_back(std::make_unique<Leader>(
            test::leaderRecord(number, 0, nullptr, nation, name, test::Ratings{initiative}), name.c_str()));
        control.addLeader(LeaderUnitInfo{name, initiative, nation, units.back().get()});
        return units.back().get();
    }
    void settle() { app.drainQueue(); }
    // A game control of a row's own on the bus, with the leaders given.
    GameControl& fresh(std::initializer_list<LeaderUnitInfo> leaders) {
        rowControl = std::make_unique<GameControl>();
        rowControl->attach(bus);
        for (const LeaderUnitInfo& leader : leaders)
            rowControl->addLeader(leader);
        return *rowControl;
    }

    test::TestApplication app;
    AsynchronousBus bus{"Layer"};
    GameControl control;
    test::GameFlowRecorder world{{"ActivateLeader", "ResumeActiveLeader", "BeginLeaderOrdersPhase",
                                  "BeginTurn", "EliteInitiative", "RoutPhase", "EndOfTurn", "EndOfGame",
                                  "GameEnded", "GameSynchronized", "AddCommentary", "ChangeMainCaption",
                                  "RemoveAllBattleArrows", "AutoSaveGame"}};
    std::vector<std::unique_ptr<Leader>> units;
    std::unique_ptr<GameControl> rowControl;
    test::FailedChecks checks;
};

// Initiatives 3, 0, 5 and 2 with the third gone: the eligible weights are 3 and 2, total 5.
TEST_F(GameControlTest, WeightedChoiceTakesTheLeaderWhoseRangeHoldsTheRoll) {
    struct Row {
        int raw;
        std::int16_t chosen;
    } rows[] = {{0, 0}, {2, 0}, {3, 3}, {4, 3}, {5, 0}, {32767, 0}, {32764, 3}};
    addLeader("A", 3), addLeader("Zero", 0), addLeader("Gone", 5), addLeader("D", 2);
    for (const Row& row : rows) {
        SCOPED_TRACE("raw roll " + std::to_string(row.raw));
        test::ScriptedRolls rolls{row.raw};
        GameControl& probe =
            fresh({control.leaderAt(0), control.leaderAt(1), control.leaderAt(2), control.leaderAt(3)});
        ASSERT_TRUE(restore(probe, {0, 0, 1, 0}, {0, -1, 0, -1}));
        EXPECT_EQ(probe.ChooseNextLeader(), 1);
        EXPECT_EQ(probe.getActiveLeader(), row.chosen);
        EXPECT_EQ(probe.goneThisTurn(row.chosen), 1);
        EXPECT_EQ(rolls.left(), 0u);
    }
}

TEST_F(GameControlTest, AFinishedLeaderAndALeaderWhosePlayerLeftAreNotChosen) {
    addLeader("Done", 4)->setFinished();
    addLeader("Left", 4);
    addLeader("Here", 4);
    control.leaderAt(1).currentInitiative = 0;
    test::ScriptedRolls rolls{3};
    EXPECT_EQ(control.ChooseNextLeader(), 1);
    EXPECT_EQ(control.getActiveLeader(), 2);
}

// Initiative 4: the first try succeeds below (4 + 1) x 8 = 40, the second below 5 x 5 = 25. Without a
// roll for momentum the first number goes to the choice of the other leader.
TEST_F(GameControlTest, MomentumChancesAtBothSidesOfEveryBoundary) {
    struct Row {
        const char* what;
        std::uint16_t initiative;
        std::int16_t tries, allowed;
        int roll;
        bool again;
    } rows[] = {{"39 < 40", 4, 0, 1, 39, true},
                {"40", 4, 0, 1, 40, false},
                {"24 < 25", 4, 1, 1, 24, true},
                {"25", 4, 1, 1, 25, false},
                {"12 always", 12, 0, 1, 99, true},
                {"15 < 16", 1, 0, 1, 15, true},
                {"16", 1, 0, 1, 16, false},
                {"32739 % 100", 4, 0, 1, 32767 - 28, true},
                {"not after two successes", 20, 2, 1, 0, false},
                {"not without leave", 20, 0, 0, 0, false},
                {"not while blocked", 20, -1, 1, 0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh({{"Active", row.initiative, 1, nullptr}, {"Other", 3, 1, nullptr}});
        ASSERT_TRUE(restore(c, {1, 0}, {0, 0, 0, row.tries}));
        c.CanAttemptMomentum(row.allowed);
        const bool rolled = row.tries >= 0 && row.tries < 2 && row.allowed;
        test::ScriptedRolls rolls{row.roll, 0};
        EXPECT_EQ(c.ChooseNextLeader(), 1);
        EXPECT_EQ(c.getActiveLeader(), row.again ? 0 : 1);
        EXPECT_EQ(c.getMomentumTries(), row.again ? row.tries + 1 : 0);
        EXPECT_EQ(rolls.left(), rolled && !row.again ? 0u : 1u);
    }
}

// The test dialog decides the momentum roll and the leader, but only when it was closed with OK.
TEST_F(GameControlTest, TheLeaderOrderDialogOverridesTheDice) {
    struct Row {
        const char* what;
        GameControl::LeaderOrderChoice choice;
        std::initializer_list<int> rolls;
        std::int16_t active, tries;
    } rows[] = {
        {"momentum ticked", {true, GameControl::NoLeader, true}, {}, 0, 1},
        {"momentum clear, leader 2 picked", {true, 2, false}, {0}, 2, 0},
        {"a pick past the array is ignored", {true, 7, false}, {0}, 1, 0},
        {"cancelled: the dice decide", {false, 2, true}, {99, 0}, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh({{"Active", 4, 1, nullptr}, {"B", 4, 1, nullptr}, {"C", 4, 1, nullptr}});
        ASSERT_TRUE(restore(c, {1, 0, 0}, {0, 0}));
        c.CanAttemptMomentum(1);
        int shown = 0;
        c.setLeaderOrderDialog(
            [&](const DynArray<LeaderUnitInfo>&, const DynArray<short>& gone, std::int16_t n) {
                EXPECT_EQ(n, 3);
                EXPECT_EQ(const_cast<DynArray<short>&>(gone)[0], 1);
                return ++shown, row.choice;
            });
        c.setLeaderOrderTest(1);
        test::ScriptedRolls rolls(row.rolls);
        EXPECT_EQ(c.ChooseNextLeader(), 1);
        EXPECT_EQ(c.getActiveLeader(), row.active);
        EXPECT_EQ(c.getMomentumTries(), row.tries);
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(rolls.left(), 0u);
    }
}

TEST_F(GameControlTest, EliteInitiativeByScenarioTurnCountAndReply) {
    struct Row {
        const char* what;
        std::uint32_t scenario;
        std::int16_t turn, eliteCount;
        const char* reply; // null: nobody answers
        std::initializer_list<int> rolls;
        std::int16_t active, eliteAfter;
    } rows[] = {
        {"turn 0 opens with the table's leader, no roll", 3, 0, 0, nullptr, {}, 1, 1},
        {"scenario 4 names another leader", 4, 0, 0, nullptr, {}, 2, 1},
        {"scenario 0 never", 0, 0, 0, nullptr, {0}, 0, 0},
        {"scenario 6 never", 6, 0, 0, nullptr, {0}, 0, 0},
        {"a battle of one's own has no elite leader", 10, 0, 0, nullptr, {0}, 0, 0},
        {"an index past the tables neither", 11, 3, 0, nullptr, {0}, 0, 0},
        {"later turn: 39 is within 40 percent", 3, 2, 1, nullptr, {39}, 1, 2},
        {"later turn: 40 is not", 3, 2, 1, nullptr, {40, 0}, 0, 1},
        {"later turn in scenario 2 always", 2, 2, 1, nullptr, {99}, 1, 2},
        {"after three never", 3, 2, 3, nullptr, {0}, 0, 3},
        {"a count of 2 still gets it", 3, 2, 2, nullptr, {0}, 1, 3},
        {"a reply beats the table", 3, 0, 0, "Keldrian", {}, 2, 1},
        {"a reply on a later turn takes no roll", 3, 4, 1, "Vaelmoric", {}, 1, 2},
        {"an empty reply declines", 3, 0, 0, "", {0}, 0, 0},
        {"a reply naming nobody falls back", 3, 0, 0, "Nobody", {0}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh(
            {{"Aristhon", 2, 1, nullptr}, {"Vaelmoric the Bold", 5, 1, nullptr}, {"Keldrian", 4, 2, nullptr}});
        c.setScenario(row.scenario);
        ASSERT_TRUE(
            restore(c, {0, 0, 0}, {0, -1, row.turn, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, row.eliteCount}));
        test::GameFlowRecorder answerer({"EliteInitiative"}, "Elite dialog");
        if (row.reply) answerer.answer("EliteInitiative", std::string(row.reply)), answerer.attach(bus);
        test::ScriptedRolls rolls(row.rolls);
        EXPECT_TRUE(c.EliteInitiative());
        EXPECT_EQ(c.getActiveLeader(), row.active);
        EXPECT_EQ(c.getEliteCount(), row.eliteAfter);
        EXPECT_EQ(c.getMomentumTries(), 0);
        EXPECT_EQ(rolls.left(), 0u);
        if (row.reply) {
            EXPECT_EQ(answerer.log, Lines{"EliteInitiative " + std::to_string(row.turn)});
        }
    }
}

TEST_F(GameControlTest, AResumedGameCarriesOnWithTheSavedLeaderAndRollsNothing) {
    addLeader("Aristhon", 2), addLeader("Vaelmoric", 5);
    ASSERT_TRUE(restore(control, {1, 1}, {0, 1, 3, 0}));
    EXPECT_EQ(control.isLoading(), 1);
    test::ScriptedRolls rolls{};
    control.BeginGame(1);
    settle();
    EXPECT_EQ(control.isLoading(), 0);
    EXPECT_EQ(world.log, (Lines{"ResumeActiveLeader 11", "ChangeMainCaption Battle - Turn 4"}));
    EXPECT_EQ(app.statusTexts.back().second, "Now resuming game...");
    EXPECT_TRUE(checks.texts.empty());
}

// Nobody could be chosen: the game must not activate the stale or unset index. After the rout phase and
// after the end of the game nothing waits for the next report but GameEnded, which runs once.
TEST_F(GameControlTest, AGameOrTurnWithNobodyToChooseGoesToItsRoutPhaseAndOnlyItsEndGoesOn) {
    addLeader("Zero", 0);
    control.setHomeTQLimit(30), control.setVisitorTQLimit(30);
    control.BeginGame(0);
    settle();
    EXPECT_EQ(world.names(), (Lines{"EliteInitiative", "RoutPhase", "ChangeMainCaption"}));
    EXPECT_EQ(control.getMomentumTries(), -1);
    const auto reported = [&] {
        world.log.clear();
        control.SynchronizeGame("");
        settle();
        return world.log;
    };
    EXPECT_EQ(reported(), Lines{"GameSynchronized"});
    world.log.clear();
    control.EndOfTurnRoutingDone();
    settle();
    control.SynchronizeGame("");
    settle();
    EXPECT_EQ(world.names(), (Lines{"EndOfTurn", "GameSynchronized", "ChangeMainCaption", "AddCommentary",
                                    "BeginTurn", "EliteInitiative", "RoutPhase"}));
    EXPECT_EQ(control.getTurn(), 1);
    control.AutomaticWin(0);
    settle();
    EXPECT_EQ(reported(), (Lines{"GameSynchronized", "GameEnded 0"}));
    EXPECT_EQ(reported(), Lines{"GameSynchronized"});
}

TEST_F(GameControlTest, SynchronisationCountsEveryMachineAndWordsWhoIsStillBusy) {
    addLeader("Aristhon", 2);
    control.setPlayers(3);
    control.SynchronizeGame("viewing combat results");
    EXPECT_EQ(control.getAwaitedPlayers(), 2);
    control.SynchronizeGame("viewing combat results");
    control.SynchronizeGame("");
    settle();
    EXPECT_EQ(world.log,
              (Lines{"AddCommentary \\B2 players\\b are still viewing combat results...",
                     "AddCommentary \\B1 player\\b is still viewing combat results...", "GameSynchronized"}));
    EXPECT_EQ(control.getAwaitedPlayers(), -1);
    world.log.clear();
    control.SynchronizeGame(""); // a new step counts afresh, and an empty text says nothing
    settle();
    EXPECT_EQ(world.log, Lines{});
}

// At the end of a capped battle's last turn nothing follows the check-in: the machine that checks in first
// is not told that the other is still busy (the other, gone at the same cap, would never hear it). A turn
// that goes on says it as before.
TEST_F(GameControlTest, AtTheCapsLastTurnNobodyIsToldHeIsWaitedOn) {
    for (const bool capped : {false, true}) {
        SCOPED_TRACE(capped ? "capped" : "going on");
        GameControl& c = fresh({{"Aristhon", 2, 1, nullptr}});
        c.setPlayers(2);
        c.setHomeTQLimit(30), c.setVisitorTQLimit(30);
        c.EndOfTurnRoutingDone();
        settle();
        if (capped) c.playNoFurtherTurn();
        world.log.clear();
        c.SynchronizeGame("viewing end of turn results");
        c.SynchronizeGame("viewing end of turn results");
        settle();
        if (capped)
            EXPECT_EQ(world.names(), Lines{"GameSynchronized"});
        else
            EXPECT_EQ(world.log.front(), "AddCommentary \\B1 player\\b is still viewing end of turn results...");
        EXPECT_EQ(c.getTurn(), capped ? 0 : 1);
    }
}

// The one who left was the last awaited: the others must not wait for him for ever.
TEST_F(GameControlTest, APlayerLeavingWhileTheOthersWaitForHimCompletesTheStep) {
    addLeader("Aristhon (Ann)", 2), addLeader("Surendal (Bob)", 3);
    control.setPlayers(2);
    control.SynchronizeGame("watching");
    control.PlayerDeleted("Bob");
    settle();
    EXPECT_EQ(world.log,
              (Lines{"AddCommentary \\B1 player\\b is still watching...",
                     "AddCommentary \\BBob has left the game. Leaders controlled by this player are "
                     "permanently inactive.\\b",
                     "GameSynchronized"}));
    // players, awaited; Surendal's initiative is gone for good, Aristhon's stays
    EXPECT_EQ(test::values(control.getPlayers(), control.getAwaitedPlayers(),
                           control.leaderAt(1).currentInitiative, control.leaderAt(0).currentInitiative),
              "1 -1 0 2");
}

TEST_F(GameControlTest, APlayerLeavingWhileHisLeaderIsActiveMovesTheTurnOnOnce) {
    addLeader("Aristhon (Ann)", 2), addLeader("Vaelmoric (Bob)", 3);
    control.setPlayers(3);
    test::ScriptedRolls rolls{4};
    ASSERT_TRUE(control.EliteInitiative());
    ASSERT_EQ(control.getActiveLeader(), 1);
    settle();
    world.log.clear();
    control.SynchronizeGame(""); // one of three has reported
    control.PlayerDeleted("Bob");
    settle();
    EXPECT_EQ(world.names(), (Lines{"AddCommentary", "RemoveAllBattleArrows", "GameSynchronized"}));
    EXPECT_EQ(control.getEliteCount(), 3);
    EXPECT_EQ(control.getAwaitedPlayers(), -1); // the next step waits for both who stay
    control.SynchronizeGame("");
    EXPECT_EQ(control.getAwaitedPlayers(), 1);
}

// The other machine of a network game left while its leader was active: the battle is the host's by
// default, and neither its leaving, nor a late report, nor a new turn moves anything on.
TEST_F(GameControlTest, ABattleEndedElsewhereMovesNothingOn) {
    addLeader("Aristhon (Host)", 2), addLeader("Rajavan (Guest)", 3, 3);
    control.setVisitorNation(3);
    control.setPlayers(2);
    control.setHomeTQLimit(30), control.setVisitorTQLimit(30);
    test::ScriptedRolls rolls{4}; // 4 of a total initiative of 5 falls to the second, Rajavan
    control.BeginGame(0);
    settle();
    ASSERT_EQ(control.getActiveLeader(), 1);
    world.log.clear();
    control.endedElsewhere(true);
    control.PlayerDeleted("Guest");
    control.SynchronizeGame("");
    control.EndOfTurnRoutingDone();
    control.BeginTurn();
    control.NextLeader();
    settle();
    // His leaving is told and closes the step he held, and the late report closes one of its own (the one
    // player left); nothing is activated, no turn ends or begins.
    EXPECT_EQ(world.names(),
              (Lines{"AddCommentary", "RemoveAllBattleArrows", "GameSynchronized", "GameSynchronized"}));
    EXPECT_EQ(test::values(control.isGameOver(), control.getWinner(), control.getTurn()), "1 1 0");
    // Told again, with the other side: the first end stands.
    control.endedElsewhere(false);
    EXPECT_EQ(control.getWinner(), 1u);
    // The visitor's win names the visitor's nation.
    GameControl& other = fresh({LeaderUnitInfo{"Surendal", 2, 3, nullptr}});
    other.setHomeNation(1), other.setVisitorNation(3);
    other.endedElsewhere(false);
    EXPECT_EQ(other.getWinner(), 3u);
}

// A commander falls while a leader's activation is under way. Between machines, the acting one goes on
// with the activation's steps until it hears of the end, so every machine is told of it only when the
// activation has ended on all of them; the winner is decided at the fall. Alone, or with no activation
// under way, the end is told at once.
TEST_F(GameControlTest, AnEndDuringAnotherMachinesActivationIsToldWhenTheActivationEnds) {
    struct Row {
        const char* what;
        std::int16_t players;
        std::uint16_t initiative; // 0: nobody to choose, the turn stands in its rout phase
        bool deferred;
    } rows[] = {{"two machines, an activation under way", 2, 3, true},
                {"one machine, an activation under way", 1, 3, false},
                {"two machines, the rout phase", 2, 0, false}};
    control.detach(); // each row's game control is the only one to hear the end
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh({{"Aristhon (Host)", row.initiative, 1, nullptr},
                                {"Rajavan (Guest)", row.initiative, 3, nullptr}});
        c.setHomeNation(1), c.setVisitorNation(3), c.setPlayers(row.players);
        c.setHomeTQLimit(30), c.setVisitorTQLimit(30);
        test::ScriptedRolls rolls{4}; // 4 of a total initiative of 6 falls to Rajavan
        c.BeginGame(0);
        settle();
        ASSERT_EQ(c.getActiveLeader(), row.initiative ? 1 : GameControl::NoLeader);
        world.log.clear();
        c.setHomeTQLimit(0); // the home side is over its limit: the visitors win
        c.sendEmpty(END_GAME);
        settle();
        c.sendEmpty(END_GAME); // a second end before the first is told changes nothing
        settle();
        EXPECT_EQ(test::values(c.isGameOver(), c.getWinner()), "1 3");
        const std::string told = "EndOfGame winner 3 Macedonian(1) 0/0 routed 0(0) out 0/0 Indian(3) 0/30 "
                                 "routed 0(0) out 0/0";
        if (row.deferred) {
            EXPECT_EQ(world.log, Lines{});
            c.SynchronizeGame("viewing combat results");
            settle();
            EXPECT_EQ(world.log, Lines{"AddCommentary \\B1 player\\b is still viewing combat results..."});
            world.log.clear();
            c.SynchronizeGame("viewing combat results");
            settle();
            // No next leader: the step that closed the activation tells the end.
            EXPECT_EQ(world.log, (Lines{"GameSynchronized", told}));
        } else {
            EXPECT_EQ(world.log, Lines{told});
        }
        world.log.clear();
        for (std::int16_t i = 0; i < row.players; ++i)
            c.SynchronizeGame("");
        settle();
        EXPECT_EQ(world.log, (Lines{"GameSynchronized", "GameEnded 0"}));
    }
}

// The other machine goes away while the end waits for its activation: its leaving closes the activation,
// and the end is told to the one machine left, which alone then has to see it.
TEST_F(GameControlTest, AnEndWaitingForALeaverActivationIsToldWhenHeLeaves) {
    control.detach();
    GameControl& c = fresh({{"Aristhon (Host)", 3, 1, nullptr}, {"Rajavan (Guest)", 3, 3, nullptr}});
    c.setHomeNation(1), c.setVisitorNation(3), c.setPlayers(2);
    c.setHomeTQLimit(30), c.setVisitorTQLimit(30);
    test::ScriptedRolls rolls{4}; // Rajavan, the guest's leader
    c.BeginGame(0);
    settle();
    ASSERT_EQ(c.getActiveLeader(), 1);
    c.setVisitorTQLimit(0);
    c.sendEmpty(END_GAME);
    settle();
    world.log.clear();
    c.PlayerDeleted("Guest");
    settle();
    EXPECT_EQ(world.names(), (Lines{"AddCommentary", "RemoveAllBattleArrows", "GameSynchronized", "EndOfGame"}));
    EXPECT_EQ(c.getWinner(), 1u);
    world.log.clear();
    c.SynchronizeGame("viewing end of game results");
    settle();
    EXPECT_EQ(world.log, (Lines{"GameSynchronized", "GameEnded 1"}));
}

// The battle ends while game control waits for the answer to its first question of a turn (the other
// machine went away meanwhile): the turn that was opening opens no leader and no rout phase.
TEST_F(GameControlTest, ABattleEndedWhileATurnOpensOpensNothing) {
    struct Row {
        const char* what;
        std::uint16_t initiative; // 0: nobody to choose, so the turn would go to its rout phase
    } rows[] = {{"a leader would be activated", 3}, {"the rout phase would begin", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh({{"Melagor", row.initiative, 1, nullptr}});
        c.setHomeNation(1), c.setVisitorNation(3), c.setScenario(3), c.setPlayers(2);
        static GameControl* ending;
        ending = &c;
        test::Probe asked("Other machine");
        asked.setup = [](test::Probe& p) {
            p.connectNamed("EliteInitiative", [](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
                ending->endedElsewhere(true);
                return nullptr;
            });
        };
        asked.attach(bus);
        world.log.clear();
        test::ScriptedRolls rolls{0, 0};
        c.BeginGame(0);
        settle();
        EXPECT_EQ(world.names(), (Lines{"AddCommentary", "EliteInitiative", "ChangeMainCaption"}));
        EXPECT_EQ(c.isGameOver(), 1);
    }
}

// The question that opens a leader's orders runs what the bus had queued before it, and that can be what
// finds the other machine gone: the battle has ended before the chosen leader acts, so he is neither
// announced nor activated, whether his announcement would have come before his activation (the next
// leader of a turn) or after it (the first of a turn).
TEST_F(GameControlTest, ALeaderChosenAsTheBattleEndsIsNeitherAnnouncedNorActivated) {
    struct Row {
        const char* what;
        bool newTurn;
        Lines heard;
    } rows[] = {{"the next leader of a turn", false, {"BeginLeaderOrdersPhase"}},
                {"the first leader of a turn", true,
                 {"ChangeMainCaption", "AddCommentary", "BeginTurn", "AddCommentary", "EliteInitiative",
                  "BeginLeaderOrdersPhase"}}};
    control.detach();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GameControl& c = fresh({{"Melagor", 3, 1, nullptr}, {"Rajavan (Guest)", 3, 3, nullptr}});
        c.setHomeNation(1), c.setVisitorNation(3), c.setPlayers(2);
        c.setCaptionSource([] { return std::string("Battle"); });
        static GameControl* ending;
        ending = &c;
        test::Probe asked("Other machine");
        asked.setup = [](test::Probe& p) {
            p.connectNamed("BeginLeaderOrdersPhase", [](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
                ending->endedElsewhere(true);
                return nullptr;
            });
        };
        asked.attach(bus);
        world.log.clear();
        test::ScriptedRolls rolls{0, 0, 0};
        row.newTurn ? c.BeginTurn() : c.NextLeader();
        settle();
        EXPECT_EQ(world.names(), row.heard);
        EXPECT_EQ(c.isGameOver(), 1);
    }
}

// The other machine is lost while a turn opens, during the question that begins the turn or the one that
// asks for its elite leader: no leader is chosen for it, and no die is drawn for momentum or initiative.
TEST_F(GameControlTest, NoLeaderIsChosenOnceALossHasEndedTheBattle) {
    struct Row {
        const char* endsAt;
        Lines heard;
    } rows[] = {{"BeginTurn", {"ChangeMainCaption", "AddCommentary", "BeginTurn"}},
                {"EliteInitiative",
                 {"ChangeMainCaption", "AddCommentary", "BeginTurn", "AddCommentary", "EliteInitiative"}}};
    control.detach();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.endsAt);
        GameControl& c = fresh({{"Melagor", 3, 1, nullptr}, {"Rajavan (Guest)", 3, 3, nullptr}});
        c.setHomeNation(1), c.setVisitorNation(3), c.setScenario(3), c.setPlayers(2);
        c.setCaptionSource([] { return std::string("Battle"); });
        static GameControl* ending;
        ending = &c;
        test::Probe asked("Other machine");
        static const char* endsAt;
        endsAt = row.endsAt;
        asked.setup = [](test::Probe& p) {
            p.connectNamed(endsAt, [](Component*, BusMessage, ContainerBase*) -> ContainerBase* {
                ending->endedElsewhere(true);
                return nullptr;
            });
        };
        asked.attach(bus);
        world.log.clear();
        test::ScriptedRolls rolls{0, 0, 0};
        c.BeginTurn();
        settle();
        EXPECT_EQ(world.names(), row.heard);
        EXPECT_EQ(rolls.left(), 3u);
        EXPECT_EQ(c.getActiveLeader(), GameControl::NoLeader);
        EXPECT_EQ(c.goneThisTurn(0) + c.goneThisTurn(1), 0);
        // Nor is one chosen later, momentum included.
        EXPECT_EQ(c.ChooseNextLeader(), 0);
        EXPECT_EQ(rolls.left(), 3u);
    }
}

TEST_F(GameControlTest, PlayerInfoTagsTheNamedLeadersOnce) {
    struct Row {
        const char* text;
        std::vector<std::string> names;
    } rows[] = {
        {"(Aristhon,Surendal)", {"Aristhon (Ann)", "Surendal (Ann)", "Melagor"}},
        {"( Aristhon, Melagor )", {"Aristhon (Ann)", "Surendal", "Melagor"}}, // the last name runs to the ")"
        {"(Aristhon", {"Aristhon", "Surendal", "Melagor"}},
        {"(Melagor)", {"Aristhon", "Surendal", "Melagor (Ann)"}},
        {"Aristhon,Melagor", {"Aristhon", "Surendal", "Melagor"}},
        {"(Nobody,", {"Aristhon", "Surendal", "Melagor"}},
        {"(", {"Aristhon", "Surendal", "Melagor"}},
        {"()", {"Aristhon", "Surendal", "Melagor"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        GameControl& c =
            fresh({{"Aristhon", 2, 1, nullptr}, {"Surendal", 2, 1, nullptr}, {"Melagor", 2, 1, nullptr}});
        c.SetPlayerInfo(PlyrInfo{"Ann", row.text});
        std::vector<std::string> names;
        for (std::int16_t i = 0; i < 3; ++i)
            names.push_back(c.leaderAt(i).name);
        EXPECT_EQ(names, row.names);
    }
    // The name comes from the other machine: a line feed in it never reaches the commentary as a line.
    GameControl& c = fresh({{"Aristhon", 2, 1, nullptr}});
    c.SetPlayerInfo(PlyrInfo{"Bob\nAnn: I give up", "(Aristhon)"});
    EXPECT_EQ(c.leaderAt(0).name, "Aristhon (Bob\\x0AAnn: I give up)");
}

// What the other machine names goes into the commentary as it was written: its backslashes are the name's,
// never the commentary's bold marks ("\\" in the line), and a control character shows escaped.
TEST_F(GameControlTest, TheOtherMachinesWordsKeepTheirBackslashesInTheCommentary) {
    GameControl& c = fresh({{"Aristhon", 2, 1, nullptr}});
    c.setPlayers(3);
    c.SetPlayerInfo(PlyrInfo{"Red\\bLi\\Bne", "(Aristhon)"});
    EXPECT_EQ(c.leaderAt(0).name, "Aristhon (Red\\bLi\\Bne)");
    world.log.clear();
    test::ScriptedRolls rolls{0};
    c.NextLeader();
    settle();
    const std::string announced = "AddCommentary \\BAristhon (Red\\\\bLi\\\\Bne)\\b is now active.";
    EXPECT_EQ(std::count(world.log.begin(), world.log.end(), announced), 1)
        << ::testing::PrintToString(world.log);
    world.log.clear();
    c.SynchronizeGame("watching\x1B[2J\\B");
    c.PlayerDeleted("Red\\bLi\\Bne\x9B");
    settle();
    EXPECT_EQ(world.log,
              (Lines{"AddCommentary \\B2 players\\b are still watching\\\\x1B[2J\\\\B...",
                     "AddCommentary \\BRed\\\\bLi\\\\Bne\\\\x9B has left the game. Leaders controlled "
                     "by this player are permanently inactive.\\b"}));
}

TEST_F(GameControlTest, TalliesRowByRow) {
    Leader* chief = addLeader("Chief", 3);
    struct Row {
        const char *what, *message;
        std::uint32_t nation;
        std::uint16_t value;
        std::int32_t type;
        std::uint16_t unit;
        // home lost, routed TQ, routing, eliminated; visitor the same
        std::vector<int> after;
    } rows[] = {
        {"home routs", "UnitRouted", 1, 6, 2, 0, {0, 6, 1, 0, 0, 0, 0, 0}},
        {"elephants never count", "UnitRouted", 1, 5, 13, 0, {0, 6, 1, 0, 0, 0, 0, 0}},
        {"chariots never count", "UnitRouted", 1, 5, 14, 0, {0, 6, 1, 0, 0, 0, 0, 0}},
        {"bolt throwers never count", "UnitRouted", 1, 5, 15, 0, {0, 6, 1, 0, 0, 0, 0, 0}},
        {"cavalry does", "UnitRouted", 2, 4, 12, 0, {0, 6, 1, 0, 0, 4, 1, 0}},
        // A nation of neither side (a scenario without its substitutions) is the home side's, where the
        // layer lists its units, and never the visitor's.
        {"a nation of neither side routs for the home side", "UnitRouted", 7, 3, 0, 0, {0, 9, 2, 0, 0, 4, 1, 0}},
        // A kind whose rout was never counted takes nothing off when it rallies (an elephant rallied while
        // its rampage still plays would leave the count below nothing); the kinds either side of them do.
        {"an elephant's rally takes nothing off", "UnitRallied", 2, 3, 13, 0, {0, 9, 2, 0, 0, 4, 1, 0}},
        {"nor a chariot's", "UnitRallied", 2, 3, 14, 0, {0, 9, 2, 0, 0, 4, 1, 0}},
        {"nor a bolt thrower's", "UnitRallied", 2, 3, 15, 0, {0, 9, 2, 0, 0, 4, 1, 0}},
        {"light cavalry's rally does", "UnitRallied", 2, 4, 12, 0, {0, 9, 2, 0, 0, 0, 0, 0}},
        {"the third nation rallies for the home side", "UnitRallied", 7, 3, 0, 0, {0, 6, 1, 0, 0, 0, 0, 0}},
        {"the routed home unit is eliminated", "UnitEliminated", 1, 6, 2, 1, {6, 0, 0, 1, 0, 0, 0, 0}},
        {"an elephant is lost without routing", "UnitEliminated", 2, 5, 13, 2, {6, 0, 0, 1, 5, 0, 0, 1}},
        {"a leader is lost without routing", "UnitEliminated", 1, 15, -1, 10, {21, 0, 0, 2, 5, 0, 0, 1}},
        {"the third nation routs again", "UnitRouted", 7, 9, 2, 0, {21, 9, 1, 2, 5, 0, 0, 1}},
        {"and is lost by the home side", "UnitEliminated", 7, 9, 2, 3, {30, 0, 0, 3, 5, 0, 0, 1}},
        {"a visitor leader is the visitor's loss", "UnitEliminated", 2, 10, -1, 11, {30, 0, 0, 3, 15, 0, 0, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string message = row.message;
        const auto type = static_cast<std::uint32_t>(row.type);
        if (message == "UnitEliminated")
            control.UnitEliminated(EliminateUnitData{row.nation, row.value, type, row.unit});
        else if (message == "UnitRouted")
            control.UnitRouted(UnitRoutData{row.nation, row.value, type});
        else
            control.UnitRallied(UnitRoutData{row.nation, row.value, type});
        const EndOfGameResults r = control.results(0);
        EXPECT_EQ(
            (std::vector<int>{r.homeLostTQ, r.homeRoutedTQ, r.homeRouting, r.homeEliminated, r.visitorLostTQ,
                              r.visitorRoutedTQ, r.visitorRouting, r.visitorEliminated}),
            row.after);
    }
    EXPECT_EQ(control.leaderAt(0).name, "Chief(R)");
    control.UnitEliminated(EliminateUnitData{1, 15, 0xFFFFFFFF, chief->getUnitNum()});
    EXPECT_EQ(control.leaderAt(0).name, "Chief(R)"); // the mark is added once
}

// Both machines of a network game may tell the same fighting unit's fall, the second word a step late: it
// falls once. A leader's replacement bears his number and falls in turn. Home: routed 6 and 7, the 6 falls
// (told twice), then the leader of 15 twice.
TEST_F(GameControlTest, AFightingUnitsFallIsCountedOnceALeadersEachTime) {
    addLeader("Chief", 3);
    control.UnitRouted(UnitRoutData{1, 6, 2});
    control.UnitRouted(UnitRoutData{1, 7, 2});
    control.UnitEliminated(EliminateUnitData{1, 6, 2, 4});
    const auto home = [this] {
        return test::values(control.getSideLostTQ(1), control.getSideRoutedTQ(1), control.getSideRouting(1),
                            control.getSideEliminated(1));
    };
    EXPECT_EQ(home(), "6 7 1 1");
    control.UnitEliminated(EliminateUnitData{1, 6, 2, 4});
    EXPECT_EQ(home(), "6 7 1 1");
    // The same number on the other side is another unit's.
    control.UnitRouted(UnitRoutData{2, 5, 2});
    control.UnitEliminated(EliminateUnitData{2, 5, 2, 5});
    EXPECT_EQ(test::values(control.getSideLostTQ(0), control.getSideRouting(0), control.getSideEliminated(0)),
              "5 0 1");
    control.UnitEliminated(EliminateUnitData{1, 15, 0xFFFFFFFF, 10});
    control.UnitEliminated(EliminateUnitData{1, 15, 0xFFFFFFFF, 10});
    EXPECT_EQ(home(), "36 7 1 3");
}

// A saved game may hold counts as large as a count can be (none is refused for being large): a loss added
// to them holds them at 32767 rather than turning them below nothing, which would print a negative loss
// and keep that side from ever being beaten. Home lost 32767, visitors 32760; home eliminated 32767.
TEST_F(GameControlTest, CountsAtTheirLargestStayThere) {
    addLeader("Chief", 3);
    ASSERT_TRUE(restore(control, {0}, {0, 0, 0, -1, 30, 20, 32767, 32760, 0, 0, 0, 0, 32767, 5}));
    control.BeginGame(1);
    control.UnitEliminated(EliminateUnitData{1, 6, 14, 4}); // a chariot: no routing count to take off
    control.UnitEliminated(EliminateUnitData{2, 6, 14, 5});
    EXPECT_EQ(test::values(control.getSideLostTQ(1), control.getSideEliminated(1), control.getSideLostTQ(0),
                           control.getSideEliminated(0)),
              "32767 32767 32766 6");
    control.UnitEliminated(EliminateUnitData{2, 6, 14, 6});
    EXPECT_EQ(test::values(control.getSideLostTQ(0), control.getSideEliminated(0)), "32767 7");
}

TEST_F(GameControlTest, EliminationsWhileASavedGameIsReadLeaveTheTalliesAlone) {
    addLeader("Chief", 3);
    ASSERT_TRUE(restore(control, {0}, {}));
    control.UnitEliminated(EliminateUnitData{1, 6, 2, 4});
    EXPECT_EQ(control.getSideLostTQ(1), 0);
    control.BeginGame(1);
    control.UnitEliminated(EliminateUnitData{1, 6, 2, 4});
    EXPECT_EQ(control.getSideLostTQ(1), 6);
}

// Every value two bytes, little-endian: the gone flags of the three leaders, then the sixteen values.
TEST_F(GameControlTest, SavedBlockIsByteExactAndReadsBack) {
    for (const char* name : {"A", "B", "C"})
        control.addLeader(LeaderUnitInfo{name, 2, 1, nullptr});
    const std::vector<std::uint8_t> bytes = {
        0x01, 0x00, 0x00, 0x00, 0x01, 0x00,             // gone: 1 0 1
        0x00, 0x00, 0x02, 0x00, 0x04, 0x00, 0x01, 0x00, // reserved 0, active 2, turn 4, momentum 1
        0x1E, 0x00, 0x14, 0x00, 0x0C, 0x00, 0x2C, 0x01, // limits 30 and 20, lost 12 and 300
        0x05, 0x00, 0x03, 0x01, 0x01, 0x00, 0x00, 0x00, // routed TQ 5 and 259, routing 1 and 0
        0x02, 0x00, 0x07, 0x00, 0x02, 0x00, 0x33, 0x00, // eliminated 2 and 7, elite 2, river 51
    };
    SuperString in;
    in.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    ASSERT_TRUE(control.read(in));
    // active, turn, momentum, visitor lost and routed TQ, elite, river; the gone flags
    EXPECT_EQ((std::vector<int>{control.getActiveLeader(), control.getTurn(), control.getMomentumTries(),
                                control.getSideLostTQ(0), control.getSideRoutedTQ(0), control.getEliteCount(),
                                control.getRiverScore(), control.goneThisTurn(0), control.goneThisTurn(1),
                                control.goneThisTurn(2)}),
              (std::vector<int>{2, 4, 1, 300, 259, 2, 51, 1, 0, 1}));
    SuperString out;
    control.write(out);
    std::vector<std::uint8_t> written(static_cast<std::size_t>(out.length()));
    out.peek(written.data(), 0, out.length());
    EXPECT_EQ(written, bytes);
}

TEST_F(GameControlTest, ABlockCutShortOrNamingNoLeaderChangesNothing) {
    for (const char* name : {"A", "B"})
        control.addLeader(LeaderUnitInfo{name, 2, 1, nullptr});
    struct Row {
        const char* what;
        std::vector<short> values;
    } rows[] = {
        {"one byte short", {}},
        {"active leader past the array", {0, 0, 0, 2, 0, -1}},
        {"active leader below none", {0, 0, 0, -2, 0, -1}},
        {"negative turn", {0, 0, 0, 0, -1, -1}},
        {"momentum count past two", {0, 0, 0, 0, 0, 3}},
        // After the two gone flags: reserved, active, turn, momentum, then the limits and counts from 6 on.
        {"a gone flag of 2", {2, 0, 0, -1, 0, -1}},
        {"a gone flag of -1", {0, -1, 0, -1, 0, -1}},
        {"home TQ limit -1", {0, 0, 0, -1, 0, -1, -1}},
        {"home routed TQ -7", {0, 0, 0, -1, 0, -1, 30, 20, 0, 0, -7}},
        {"visitor routing -1", {0, 0, 0, -1, 0, -1, 30, 20, 0, 0, 0, 0, 0, -1}},
        {"visitor eliminated -1", {0, 0, 0, -1, 0, -1, 30, 20, 0, 0, 0, 0, 0, 0, 0, -1}},
        {"elite count -1", {0, 0, 0, -1, 0, -1, 30, 20, 0, 0, 0, 0, 0, 0, 0, 0, -1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SuperString in;
        std::vector<short> values = row.values;
        values.resize(18, 0);
        for (short v : values)
            in << v;
        if (row.values.empty()) {
            std::vector<std::uint8_t> cut(35, 0);
            in.clear();
            in.write(cut.data(), 35);
        }
        EXPECT_FALSE(control.read(in));
        // no active leader, turn, momentum tries, loading
        EXPECT_EQ(test::values(control.getActiveLeader(), control.getTurn(), control.getMomentumTries(),
                               control.isLoading()),
                  test::values(GameControl::NoLeader, 0, -1, 0));
    }
}

// The block's own checks say what they refused; a count of 0, and the counts after elite activations (the
// river score), may be anything a battle reaches.
TEST_F(GameControlTest, ABlockWithAValueNoBattleReachesIsRefusedWithTheReason) {
    for (const char* name : {"A", "B"})
        control.addLeader(LeaderUnitInfo{name, 2, 1, nullptr});
    const auto block = [](std::vector<short> values) {
        values.resize(18, 0);
        SuperString in;
        for (short v : values)
            in << v;
        return in;
    };
    const struct {
        const char* what;
        std::vector<short> values;
        const char* problem;
    } rows[] = {
        {"a gone flag of 2", {0, 2, 0, -1}, "the saved game holds a leader neither gone nor waiting this turn"},
        {"home routing -1", {0, 0, 0, -1, 0, -1, 30, 20, 0, 0, 0, 0, -1},
         "the saved game holds a count of -1 where none is below 0"},
        {"visitor routed TQ -7", {0, 0, 0, -1, 0, -1, 30, 20, 0, 0, 0, -7},
         "the saved game holds a count of -7 where none is below 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SuperString in = block(row.values);
        EXPECT_FALSE(control.read(in));
        EXPECT_EQ(control.readProblem(), row.problem);
    }
    // Everything at 0, a river score below 0, and both gone flags set: read, and nothing to say.
    SuperString zero = block({1, 1, 0, -1, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -5});
    EXPECT_TRUE(control.read(zero));
    EXPECT_EQ(control.readProblem(), "");
    // A block cut short is cut short, not wrong.
    SuperString cut = block({});
    cut.clear();
    EXPECT_FALSE(control.read(cut));
    EXPECT_EQ(control.readProblem(), "");
}

// A battle whose turn counter ends it is over by its last turn: a block past it was never saved by one. The
// counter counts from 0; the river battle (2) ends at 9, the short battle (6) at 4, any other battle only
// by its armies.
TEST_F(GameControlTest, ABlockPastTheBattlesLastTurnIsRefused) {
    const struct {
        std::uint32_t scenario;
        short turn;
        bool read;
    } rows[] = {{2, 9, true}, {2, 10, false}, {6, 4, true}, {6, 5, false}, {1, 32767, true}, {10, 272, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE("scenario " + std::to_string(row.scenario) + " turn " + std::to_string(row.turn));
        GameControl& own = fresh({LeaderUnitInfo{"A", 2, 1, nullptr}});
        own.setScenario(row.scenario);
        SuperString in;
        for (short v : {short(0), short(0), short(-1), row.turn, short(-1)})
            in << v;
        for (int i = 0; i < 12; ++i)
            in << short(0);
        EXPECT_EQ(own.read(in), row.read);
        EXPECT_EQ(own.readProblem(), row.read ? std::string()
                                              : "the saved game is at turn " + std::to_string(row.turn + 1) +
                                                    ", after the battle's last turn " +
                                                    std::to_string(row.scenario == 2 ? 10 : 5));
        if (row.read) {
            EXPECT_EQ(own.getTurn(), row.turn);
        }
    }
}

TEST_F(GameControlTest, TurnNumberAndResultsAnswerOnTheBus) {
    addLeader("A", 2);
    control.setHomeTQLimit(30), control.setVisitorTQLimit(20), control.setHomeUnits(8),
        control.setVisitorUnits(9);
    ContainerBase* turn = world.queryNamedEmpty("GetTurnNum");
    short value = 0;
    ASSERT_TRUE(Container<short>::fromMessage(turn, value));
    EXPECT_EQ(value, 1);
    delete turn;
    ContainerBase* results = world.queryNamedEmpty("GetGameResults");
    EXPECT_EQ(
        test::GameFlowRecorder::describe("GetGameResults", results),
        "GetGameResults winner 0 Macedonian(1) 0/30 routed 0(0) out 0/8 Persian(2) 0/20 routed 0(0) out 0/9");
    delete results;
}

TEST_F(GameControlTest, AutosaveOnlyForAHumanLeaderInSinglePlay) {
    addLeader("Aristhon", 2);
    Leader* computer = addLeader("Melagor", 3);
    computer->setComputerControlled();
    control.setAutoSave(1);
    test::ScriptedRolls rolls{0, 2};
    ASSERT_TRUE(control.EliteInitiative());
    control.LeaderActivated();
    control.setPlayers(2);
    control.LeaderActivated();
    control.setPlayers(1);
    ASSERT_EQ(control.ChooseNextLeader(), 1);
    control.LeaderActivated();
    EXPECT_EQ(world.only({"AutoSaveGame"}), Lines{"AutoSaveGame Turn #1; Aristhon"});
}

TEST_F(GameControlTest, AWrongPayloadIsReportedAndChangesNothing) {
    world.say("HomeTQPoints", std::string("x")), world.say("UnitRouted", std::string("x"));
    world.say("SynchronizeGame", short(3));
    settle();
    EXPECT_EQ(checks.texts.size(), 3u);
    EXPECT_EQ(control.getSideTQLimit(1), 0);
    EXPECT_EQ(control.getAwaitedPlayers(), -1);
}

} // namespace
} // namespace vael
