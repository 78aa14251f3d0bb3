// A battle run through the logical layer: game control's turn sequence, the layer's side of each
// activation and of the end of each combat step, and the end of the game, with the leaders, the phases,
// the battle map and the other machines played by recorders.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/super_string.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/phase_handlers.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/landscape/map_file_builder.h"
#include "support/failed_checks.h"
#include "support/flow/game_flow_recorder.h"
#include "support/flow/scenario_bytes.h"
#include "support/flow/test_shell.h"
#include "support/rules/scripted_rolls.h"
#include "support/rules/test_maps.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

using Lines = std::vector<std::string>;

// The leader's ratings: shock precedence, command range, initiative, duel rating.
void leader(test::Bytes& s, const std::string& name, int code, int group, int hex, int initiative) {
    test::unit(s, 0, name, code, 9, group, hex, 3).u16(2).u16(4).u16(initiative).u16(3);
}

void cavalry(test::Bytes& s, const std::string& name, int code, int group, int hex) {
    test::unit(s, 2, name, code, 12, group, hex, 3).u16(5).u16(7).u8(0).u8(0);
}

// Macedonians at home (limit 30) against Persians and their Indian allies (limit 20). Leaders 0 Vaelmoric
// (initiative 5, group 1), 2 Aristhon (2, group 2) and 4 Tezhar (4, group 3, alone); units 1 and 3 at home.
std::vector<std::uint8_t> smallBattle() {
    test::Bytes s;
    s.u16(3).u16(1).u16(3).u8('V').u8('a').u8('n').u16(2).u16(4).u8('R').u8('e').u8('a').u8('r');
    s.u16(3).u16(3).u8('F').u8('o').u8('e');
    s.u16(0).text("Small Fight").text("small.map").text("ignored");
    s.u8(2).u8(7).u8(30).u8(1).u8(3).u8(20);
    s.u8(1).u8(3).u8(1); // Indians fight as Persians
    s.u8(0).u8(0);
    leader(s, "Vaelmoric", 2, 1, 1101, 5), cavalry(s, "Companions", 2, 1, 1102);
    leader(s, "Aristhon", 2, 2, 1201, 2), cavalry(s, "Thessalians", 2, 2, 1202);
    leader(s, "Tezhar", 3, 3, 1504, 4);
    return s.b;
}

// The lines and lists of lines given, one after the other.
template <class... Parts> Lines lines(const Parts&... parts) {
    Lines out;
    const auto add = [&out](const auto& part) {
        if constexpr (std::is_convertible_v<decltype(part), std::string>)
            out.push_back(part);
        else
            out.insert(out.end(), part.begin(), part.end());
    };
    (add(parts), ...);
    return out;
}

// What the leaders, the phase handlers, the battle map, the commentary and the application do around the
// turn sequence.
const Lines heard = lines(
    "BeginLeaderOrdersPhase", "ActivateLeader", "NoMoreOrders", "RaiseFlags", "InitLeader", "InitAILeader",
    "AddBattleScars", "ZoomOutAfterCombat", "FinishLeader", "SynchronizeGame", "GameSynchronized",
    "RoutPhase", "EndOfTurn", "BeginTurn", "EliteInitiative", "EndOfGame", "EndGameMusic", "GameEnded",
    "AddCommentary", "ChangeMainCaption", "DoneViewingCombatResults", "LeaderFinishLeader");

class TurnSequence : public ::testing::Test {
protected:
    void SetUp() override {
        MapFileBuilder map(6, 6);
        map.setHexOffset(1000);
        test::writeFile(dir / "small.map", map.bytes());
        test::writeFile(dir / "small.scn", smallBattle());
        shell.adopt(layer);
        ASSERT_TRUE(layer.LoadScenario(ScenarioInfoStruct{3, "Small", "small.scn", 0}))
            << (checks.texts.empty() ? "" : checks.texts.front());
        world.attach(layer);
        // The world plays the rout phase and the turn overview; the layer's own would answer them too.
        for (const char* phase : {"RoutPhase", "EndOfTurn"})
            disconnectPhaseHandler(layer, phase);
        shell.strings[88] = "Now starting game...";
    }
    void TearDown() override { EXPECT_EQ(checks.texts, Lines{}) << "no check fails"; }
    Leader* leader(const char* name) { return layer.findLeaderByName(name); }
    void allLocal() {
        for (const char* name : {"Vaelmoric", "Aristhon", "Tezhar"})
            layer.addLocalLeader(leader(name));
    }
    // Runs the queued messages and the timers until nothing is left to do.
    void settle(int limit = 200) {
        for (int i = 0; i < limit; ++i) {
            shell.drainQueue();
            if (!shell.timerPeriod) return;
            shell.tickSystemTimer();
        }
        ADD_FAILURE() << "the game did not settle";
    }
    // A new game, played until nothing is left to do.
    void beginGame(int limit = 200) {
        Container<short> newGame(0);
        world.send(BEGIN_GAME, &newGame);
        settle(limit);
    }
    // The leaders' part: each activated leader announces himself and, his orders given, ends his combat.
    void playLeaders() {
        world.on("ActivateLeader",
                 [this](test::GameFlowRecorder& w, const ContainerBase* data) -> ContainerBase* {
                     unsigned short number = 0;
                     Container<unsigned short>::fromMessage(data, number);
                     Leader* l = layer.findLeader(number);
                     w.say("LeaderActivated", l ? l->getName() : std::string("?"));
                     if (l && l->getName() == "Vaelmoric") w.say("CanAttemptMomentum", short{1});
                     w.say("CombatDone");
                     return nullptr;
                 });
    }

    test::TempDir dir{"flow-turn-sequence"};
    test::TestShell shell{dir.path().string()};
    VaelLogicalLayer layer;
    test::GameFlowRecorder world{heard, "World"};
    test::FailedChecks checks;
};

// Then the Companions, used this turn, have charged: done for the turn, they still raise a grey flag when
// Vaelmoric is activated, but not when he resumes his orders. Resumed before he began them (a game saved at
// his activation), he raises what his activation raised.
TEST_F(TurnSequence, ActivatedLeaderRaisesTheFlagsOfHisUnitsGrayForUsedOnesAndResumedOnlyThoseNotDone) {
    allLocal();
    layer.sendNamed("LeaderActivated", std::make_unique<Container<std::string>>("Vaelmoric").get());
    settle();
    EXPECT_EQ(world.log, (Lines{"RaiseFlags [1,0] gray [] nation 1", "InitLeader"}));
    EXPECT_EQ(layer.getActiveGroup(), layer.findGroup(1));
    Combat* companions = layer.findCombatUnitByName("Companions");
    companions->setUsedThisTurn(1);
    companions->declareShock(201);
    world.log.clear();
    world.say("LeaderActivated", std::string("Vaelmoric"));
    world.say("LeaderResumed", std::string("Vaelmoric"));
    leader("Vaelmoric")->initLeader();
    world.say("LeaderResumed", std::string("Vaelmoric"));
    settle();
    EXPECT_EQ(world.only({"RaiseFlags"}),
              (Lines{"RaiseFlags [1,0] gray [1] nation 1", "RaiseFlags [1,0] gray [1] nation 1",
                     "RaiseFlags [0] gray [] nation 1"}));
}

// The Companions were selected when the game was saved: read back, they bear the flag and nothing their
// selection answers. Vaelmoric resumed here, played by the player, they are selected again, the clicks on the
// map theirs; resumed by the computer, or another leader resumed, they are left as they are.
class SavedSelection : public TurnSequence {
protected:
    void loadSelected() {
        companions->registerSelectedMessages();
        SuperString saved;
        companions->write(saved);
        companions->unregisterSelectedMessages();
        ASSERT_TRUE(companions->read(saved));
        ASSERT_EQ(companions->isSelected(), 1);
        ASSERT_FALSE(answersClicks());
    }
    bool answersClicks() { return companions->isConnected(REGION_SELECTED, VaelUnit::onRegionSelected); }
    void SetUp() override {
        TurnSequence::SetUp();
        companions = layer.findCombatUnitByName("Companions");
        ASSERT_NE(companions, nullptr);
    }
    Combat* companions = nullptr;
};

TEST_F(SavedSelection, AUnitSavedSelectedIsSelectedAgainWhenItsPlayersLeaderResumes) {
    allLocal();
    loadSelected();
    world.say("LeaderResumed", std::string("Aristhon"));
    settle();
    EXPECT_FALSE(answersClicks()) << "another leader resumed";
    world.say("LeaderResumed", std::string("Vaelmoric"));
    settle();
    EXPECT_TRUE(answersClicks());
}

TEST_F(SavedSelection, AUnitOfTheComputersLeaderIsLeftAsItWasRead) {
    layer.addComputerLeader(leader("Vaelmoric"));
    loadSelected();
    world.say("LeaderResumed", std::string("Vaelmoric"));
    settle();
    EXPECT_FALSE(answersClicks());
}

// Then played here as well, without a group, he gets neither his orders nor the humans' start.
TEST_F(TurnSequence, ARemoteLeaderHasNoOrdersHereAComputerLeaderGetsHisGroupAndWithoutOneNothing) {
    layer.addComputerLeader(leader("Tezhar"));
    world.say("LeaderActivated", std::string("Tezhar"));
    settle();
    EXPECT_EQ(world.log, (Lines{"NoMoreOrders 1", "RaiseFlags [4] gray [] nation 2",
                                "AddCommentary \\BTezhar is now giving orders.  Please wait...\\b",
                                "InitAILeader group 3"}));
    world.log.clear();
    world.say("LeaderActivated", std::string("Nobody"));
    layer.addLocalLeader(leader("Tezhar"));
    layer.findGroup(3)->number = 9; // the leader's group number now names no group
    world.say("LeaderActivated", std::string("Tezhar"));
    settle();
    EXPECT_EQ(world.log, Lines{});
    EXPECT_EQ(layer.getActiveGroup(), nullptr);
}

TEST_F(TurnSequence, ACombatStepWithoutResultsPausesHalfASecondThenSynchronises) {
    world.say("CombatDone");
    shell.drainQueue();
    EXPECT_EQ(world.log, Lines{"DoneViewingCombatResults"});
    EXPECT_EQ(shell.timerPeriod, 500);
    shell.advance(499);
    shell.drainQueue();
    EXPECT_EQ(world.log.size(), 1u);
    shell.tickSystemTimer();
    shell.drainQueue();
    EXPECT_EQ(world.log,
              (Lines{"DoneViewingCombatResults", "ZoomOutAfterCombat", "FinishLeader", "SynchronizeGame "}));
    EXPECT_EQ(shell.timerPeriod, 0) << "the timer fires once";
    world.log.clear();
    world.say("CombatDone");
    shell.drainQueue();
    layer.CloseGame(); // the battle closes during the pause
    shell.advance(1000), shell.tickSystemTimer(), shell.drainQueue();
    EXPECT_EQ(world.log, Lines{"DoneViewingCombatResults"});
}

TEST_F(TurnSequence, CombatResultsLeaveScarsOnEachHexOnceAndAreShownWhenAsked) {
    SingleCombatResult first, second;
    first.attackerHexes = test::listOf<short>({101, 102});
    first.defenderHexes = test::listOf<short>({201, 101});
    second.attackerHexes = test::listOf<short>({202});
    second.defenderHexes = test::listOf<short>({102});
    int shown = 0;
    layer.setDialogs(GameFlowDialogs{
        [&](VaelLogicalLayer&, const List<SingleCombatResult>& r) { shown = r.count(); }, nullptr});
    const Lines pause = {"DoneViewingCombatResults", "ZoomOutAfterCombat", "FinishLeader",
                         "SynchronizeGame viewing combat results"};
    for (std::uint16_t flag : {0, 1}) {
        SCOPED_TRACE("results flag " + std::to_string(flag));
        layer.setShowOCR(flag);
        layer.getCombatResults().append(first), layer.getCombatResults().append(second);
        world.log.clear();
        world.say("CombatDone");
        settle();
        Lines expected = {"AddBattleScars [101,102,201,202]"};
        if (flag) {
            EXPECT_EQ(world.log, expected);
            EXPECT_EQ(shown, 2);
            world.say("DoneViewingCombatResults"); // the dialog closed
            settle();
        }
        expected.insert(expected.end(), pause.begin(), pause.end());
        EXPECT_EQ(world.log, expected);
        EXPECT_EQ(shown, flag ? 2 : 0);
        EXPECT_EQ(layer.getCombatResults().count(), 0);
    }
}

TEST_F(TurnSequence, TheEndOfTheGameIsWonOrLostByTheNationOfThisMachinesHumanLeaders) {
    struct Row {
        const char* what;
        bool computerHome;
        std::uint32_t winner;
        short won;
        std::uint32_t nation;
    } rows[] = {
        {"home won, home played here", false, 1, 1, 1},
        {"visitor won, home played here and the visitor too", false, 2, 1, 2},
        {"visitor won, only the visitor played here", true, 2, 1, 2},
        {"home won, only the visitor played here", true, 1, 0, 2},
        {"nobody won", false, 0, 0, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const char* name : {"Vaelmoric", "Aristhon"})
            if (row.computerHome) leader(name)->setComputerControlled();
        std::vector<std::pair<std::uint32_t, short>> shown;
        layer.setDialogs(
            GameFlowDialogs{nullptr, [&](std::uint32_t n, std::int16_t w) { shown.emplace_back(n, w); }});
        world.log.clear();
        EndOfGameResults results;
        results.winner = row.winner;
        Container<EndOfGameResults> box(results);
        world.sendNamed("EndOfGame", &box);
        settle();
        EXPECT_EQ(world.only({"EndGameMusic", "SynchronizeGame"}),
                  (Lines{"EndGameMusic " + std::to_string(row.won),
                         "SynchronizeGame viewing end of game results"}));
        EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, short>>{{row.nation, row.won}}));
    }
}

// A commander falls while Vaelmoric gives orders. Between machines the end is shown once the activation
// has ended everywhere, so a person's leader played here ends his orders with the fall; the computer's,
// another machine's, one whose orders are over, and any leader of a battle of one machine are left alone.
TEST_F(TurnSequence, ADecisiveFallEndsTheOrdersOfAPersonsLeaderPlayedHere) {
    struct Row {
        const char* what;
        bool betweenMachines, playedHere, computer, ordersOver, finished;
    } rows[] = {
        {"a person's leader played here", true, true, false, false, true},
        {"the computer's leader", true, true, true, false, false},
        {"another machine's leader", true, false, false, false, false},
        {"his orders over, his shock under way", true, true, false, true, false},
        {"a battle of one machine", false, true, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Leader* vaelmoric = leader("Vaelmoric");
        layer.getLocalLeaders().clear();
        layer.getComputerLeaders().clear();
        // Between machines Aristhon is the other machine's; alone, every leader is played here.
        if (!row.betweenMachines) layer.addLocalLeader(leader("Aristhon"));
        layer.addLocalLeader(leader("Tezhar"));
        if (row.playedHere) layer.addLocalLeader(vaelmoric);
        if (row.computer) layer.addComputerLeader(vaelmoric);
        vaelmoric->activateLeader();
        settle();
        // The computer's orders come from its plan, not from the orders phase a person is given.
        ASSERT_EQ(vaelmoric->isOrdersPhaseActive(), row.computer ? 0 : 1);
        if (row.ordersOver) vaelmoric->endOrdersPhase();
        settle();
        world.log.clear();
        world.sendEmpty(END_GAME);
        settle();
        EXPECT_EQ(world.only({"LeaderFinishLeader"}).size(), row.finished ? 1u : 0u);
        if (row.finished) {
            EXPECT_EQ(vaelmoric->isOrdersPhaseActive(), 0);
        }
        if (vaelmoric->isOrdersPhaseActive()) vaelmoric->endOrdersPhase();
        vaelmoric->finishLeader();
        settle();
    }
}

// On a machine of a network game the other machine's leaders are not this machine's, though the computer
// does not play them either.
TEST_F(TurnSequence, TheEndOfTheGameCountsOnlyTheLeadersPlayedOnThisMachine) {
    struct Row {
        const char* what;
        std::vector<const char*> local;
        std::uint32_t winner;
        short won;
        std::uint32_t nation;
    } rows[] = {
        {"home won, only the visitor's Tezhar played here", {"Tezhar"}, 1, 0, 2},
        {"visitor won, only the visitor's Tezhar played here", {"Tezhar"}, 2, 1, 2},
        {"home won, only the home leaders played here", {"Vaelmoric", "Aristhon"}, 1, 1, 1},
        {"visitor won, only the home leaders played here", {"Vaelmoric", "Aristhon"}, 2, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        layer.getLocalLeaders().clear();
        for (const char* name : row.local)
            layer.addLocalLeader(leader(name));
        std::vector<std::pair<std::uint32_t, short>> shown;
        layer.setDialogs(
            GameFlowDialogs{nullptr, [&](std::uint32_t n, std::int16_t w) { shown.emplace_back(n, w); }});
        EndOfGameResults results;
        results.winner = row.winner;
        Container<EndOfGameResults> box(results);
        world.sendNamed("EndOfGame", &box);
        settle();
        EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, short>>{{row.nation, row.won}}));
    }
}

TEST_F(TurnSequence, GameControlIsMadeFromTheLoadedBattleOrHearsItAnnounced) {
    const auto madeFromTheBattle = [](GameControl& control) {
        EXPECT_EQ(control.getLeaderCount(), 3);
        EXPECT_EQ(control.leaderAt(1).name, "Aristhon");
        EXPECT_EQ(control.leaderAt(2).name, "Tezhar");
        EXPECT_EQ(control.leaderAt(2).currentInitiative, 4);
        EXPECT_EQ(
            test::GameFlowRecorder::describe(
                "Results", std::make_unique<Container<EndOfGameResults>>(control.results(0)).get()),
            "Results winner 0 Macedonian(1) 0/30 routed 0(0) out 0/2 Persian(2) 0/20 routed 0(0) out 0/0");
    };
    world.say("CreateGameControl", short{3});
    settle();
    ASSERT_NE(layer.getGameControl(), nullptr);
    EXPECT_EQ(layer.getGameControl()->getBus(), &layer);
    EXPECT_EQ(layer.getGameControl()->getScenario(), 3u);
    madeFromTheBattle(*layer.getGameControl());
    layer.CloseGame();
    EXPECT_EQ(layer.getGameControl(), nullptr);
    EXPECT_EQ(layer.CreateGameControl(3), nullptr) << "no battle is loaded";
    // Made before the battle loads, game control hears the battle's announcements on the bus.
    GameControl heard;
    heard.attach(layer);
    ASSERT_TRUE(layer.LoadScenario(ScenarioInfoStruct{3, "Small", "small.scn", 0}));
    settle();
    madeFromTheBattle(heard);
}

// Vaelmoric opens (elite initiative, no roll) and goes again on momentum (30 < 48), fails the second try
// (30 is not below 30); Tezhar is chosen (5 of 2 + 4), then Aristhon; the rout phase; the overview. Turn 2:
// no elite initiative (40 is not below 40); Aristhon (6 of 5 + 2 + 4), Tezhar (8 of 5 + 4), Vaelmoric, whose
// momentum fails (99); a visiting unit routs and is eliminated in the rout phase, and the visitors, 20
// down, lose.
TEST_F(TurnSequence, ASeededBattleMessageByMessage) {
    allLocal();
    layer.addComputerLeader(leader("Tezhar"));
    GameControl* control = layer.CreateGameControl(3);
    control->setCaptionSource([] { return std::string("Small Fight"); });
    playLeaders();
    int turnsEnded = 0;
    world.then("RoutPhase", [&](test::GameFlowRecorder& w) {
        if (turnsEnded++ == 1) {
            w.say("UnitRouted", UnitRoutData{2, 20, 8});
            w.say("UnitEliminated", EliminateUnitData{2, 20, 8, 9});
        }
        w.say("EndOfTurnRoutingDone");
    });
    world.then("EndOfTurn", [](test::GameFlowRecorder& w) {
        w.say("SynchronizeGame", std::string("viewing the turn overview"));
    });
    test::ScriptedRolls rolls{30, 30, 5, 0, 40, 6, 8, 0, 99};
    beginGame();
    // One leader's activation as the world sees it, then his orders and the end of his combat.
    const auto activation = [](const std::string& number, const std::string& name, bool announcedFirst) {
        const std::string active = "AddCommentary \\B" + name + "\\b is now active.";
        return announcedFirst ? Lines{"BeginLeaderOrdersPhase", active, "ActivateLeader " + number}
                              : Lines{"BeginLeaderOrdersPhase", "ActivateLeader " + number, active};
    };
    const Lines combat = {"DoneViewingCombatResults", "ZoomOutAfterCombat", "FinishLeader",
                          "SynchronizeGame ", "GameSynchronized"};
    const Lines vaelmoric = lines("RaiseFlags [1,0] gray [] nation 1", "InitLeader", combat);
    const Lines aristhon = lines("RaiseFlags [3,2] gray [] nation 1", "InitLeader", combat);
    const Lines tezhar = lines("RaiseFlags [4] gray [] nation 2",
                               "AddCommentary \\BTezhar is now giving orders.  Please wait...\\b",
                               "InitAILeader group 3", combat);
    const Lines expected = lines(
        "EliteInitiative 0", activation("0", "Vaelmoric", false), "ChangeMainCaption Small Fight - Turn 1",
        vaelmoric,
        "AddCommentary \\BVaelmoric\\b attempted momentum (tactical initiative) and was successful!",
        activation("0", "Vaelmoric", true), vaelmoric, activation("4", "Tezhar", true), tezhar,
        activation("2", "Aristhon", true), aristhon, "RoutPhase",
        "EndOfTurn winner 0 Macedonian(1) 0/30 routed 0(0) out 0/2 Persian(2) 0/20 routed 0(0) out 0/0",
        "SynchronizeGame viewing the turn overview", "GameSynchronized",
        "ChangeMainCaption Small Fight - Turn 2", "AddCommentary \\B** Turn #2 **\\b", "BeginTurn",
        "EliteInitiative 1", activation("2", "Aristhon", false), aristhon, activation("4", "Tezhar", true),
        tezhar, activation("0", "Vaelmoric", true), vaelmoric,
        // The layer, on the bus before the recorder, plays the music at once as it takes the end of the game.
        "RoutPhase", "EndGameMusic 1",
        "EndOfGame winner 1 Macedonian(1) 0/30 routed 0(0) out 0/2 Persian(2) 20/20 routed 0(0) out 1/0",
        "SynchronizeGame viewing end of game results", "GameSynchronized", "GameEnded 1");
    EXPECT_EQ(world.log, expected);
    EXPECT_EQ(shell.statusTexts,
              (std::vector<std::pair<std::int16_t, std::string>>{{0, "Now starting game..."}}));
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(control->getTurn(), 1);
    EXPECT_EQ(control->getEliteCount(), 1);
}

// The leader-order test dialog is the shell's: the layer hands it to every game control it makes, and the
// index picked there is the leader who goes.
TEST_F(TurnSequence, TheLayersLeaderOrderDialogIsAskedByTheGameControlItMakes) {
    allLocal();
    std::vector<std::int16_t> counts;
    layer.setLeaderOrderDialog(
        [&](const DynArray<LeaderUnitInfo>&, const DynArray<short>&, std::int16_t count) {
            counts.push_back(count);
            return GameControl::LeaderOrderChoice{true, 2, false};
        });
    GameControl* control = layer.CreateGameControl(3);
    ASSERT_NE(control, nullptr);
    control->setLeaderOrderTest(1);
    test::ScriptedRolls rolls{0};
    EXPECT_EQ(control->ChooseNextLeader(), 1);
    EXPECT_EQ(counts, std::vector<std::int16_t>{3});
    EXPECT_EQ(control->getActiveLeader(), 2);
    EXPECT_EQ(rolls.left(), 0u);
}

// Two machines: each step goes on only when both have reported, and a client that leaves while the host
// waits for it does not stall the game.
TEST_F(TurnSequence, EveryMachineReportsEachStepThroughTheRelay) {
    allLocal();
    GameControl* control = layer.CreateGameControl(0);
    control->setPlayers(2);
    playLeaders();
    test::GameFlowRecorder relay({"ActivateLeader", "EndOfTurn", "EndOfGame"}, "Relay");
    bool clientGone = false;
    for (const char* step : {"ActivateLeader", "EndOfTurn", "EndOfGame"})
        relay.then(step, [&clientGone](test::GameFlowRecorder& r) {
            if (!clientGone) r.say("SynchronizeGame", std::string("watching"));
        });
    relay.attach(layer);
    world.then("RoutPhase", [&](test::GameFlowRecorder& w) { w.say("AutomaticWin", short{1}); });
    // Vaelmoric, whose momentum fails (99); Tezhar (99 % 6 = 3 of 2 + 4); Aristhon.
    test::ScriptedRolls rolls{0, 99, 99, 0};
    beginGame();
    int reports = 0;
    std::vector<int> perStep;
    for (const std::string& line : world.log) {
        if (line.rfind("SynchronizeGame", 0) == 0) ++reports;
        if (line == "GameSynchronized") perStep.push_back(reports), reports = 0;
    }
    EXPECT_EQ(perStep, (std::vector<int>{2, 2, 2, 2})); // three activations and the end of the game
    EXPECT_EQ(world.only({"GameEnded"}), Lines{"GameEnded 1"});
    // Three activations, three waits on the host: at the end's check-in nobody is still viewing anything.
    EXPECT_EQ(world.only({"AddCommentary"}).size(), 3u + 3u);

    // A second game where the client leaves while the host waits for him.
    layer.CloseGame();
    ASSERT_TRUE(layer.LoadScenario(ScenarioInfoStruct{0, "Small", "small.scn", 0}));
    allLocal();
    control = layer.CreateGameControl(0);
    control->setPlayers(2);
    world.log.clear();
    clientGone = true;
    test::GameFlowRecorder leaving({"SynchronizeGame"}, "Leaving client");
    bool left = false;
    leaving.then("SynchronizeGame", [&left](test::GameFlowRecorder& r) {
        if (!left) r.say("PlayerDeleted", std::string("Client"));
        left = true;
    });
    leaving.attach(layer);
    rolls.add({0, 99, 99, 0});
    beginGame();
    EXPECT_EQ(world.only({"GameEnded"}), Lines{"GameEnded 1"});
    EXPECT_EQ(world.only({"ActivateLeader"}),
              (Lines{"ActivateLeader 0", "ActivateLeader 4", "ActivateLeader 2"}));
    EXPECT_EQ(control->getPlayers(), 1);
    EXPECT_EQ(rolls.left(), 0u);
}

// Whatever the dice, every turn reaches its rout phase: each activation marks a leader gone, and momentum
// keeps a leader at most twice more.
TEST_F(TurnSequence, NoRollsCanHangTheTurnEngine) {
    struct Row {
        const char* what;
        std::vector<int> pattern;
    } rows[] = {
        {"all lowest", {0}},       {"all highest", {32767}},    {"momentum's last miss", {99}},
        {"100 wraps to 0", {100}}, {"alternating", {0, 32767}}, {"just past the weights", {10, 11, 12}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        layer.CloseGame();
        ASSERT_TRUE(layer.LoadScenario(ScenarioInfoStruct{3, "Small", "small.scn", 0}));
        GameControl* control = layer.CreateGameControl(3);
        int activations = 0, routPhases = 0;
        world.log.clear();
        world.then("ActivateLeader", [&](test::GameFlowRecorder& w) {
            ++activations;
            w.say("CanAttemptMomentum", short{1});
            w.say("SynchronizeGame", std::string());
        });
        world.then("RoutPhase", [&](test::GameFlowRecorder& w) {
            if (++routPhases < 5) w.say("EndOfTurnRoutingDone");
        });
        world.then("EndOfTurn", [](test::GameFlowRecorder& w) { w.say("SynchronizeGame", std::string()); });
        test::ScriptedRolls rolls{};
        for (int i = 0; i < 200; ++i)
            for (int r : row.pattern)
                rolls.add({r});
        beginGame(2000);
        EXPECT_EQ(routPhases, 5);
        EXPECT_GE(activations, 5 * 3);
        EXPECT_LE(activations, 5 * 3 * 3);
        EXPECT_EQ(control->isGameOver(), 0);
    }
}

} // namespace
} // namespace vael
