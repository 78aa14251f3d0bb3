// The relay between machines: which messages go which way, row by row, how a step's messages travel
// together, what comes back on the bus, and how a machine that sends what it may not is refused.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/comm/net_frame.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_payloads.h"
#include "game/net/relay_table.h"
#include "game/net/vael_net_component.h"
#include "game/rules/combat/combat_records.h"
#include "platform/headless/headless_platform.h"
#include "support/rules/leader_fixture.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael {
namespace {

using Lines = std::vector<std::string>;

std::string describe(BusMessage event, const ContainerBase* data) {
    std::string name = RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
    if (name.empty()) name = std::to_string(event.id());
    std::string text;
    short number = 0;
    unsigned short unit = 0;
    if (Container<std::string>::fromMessage(data, text)) return name + " " + text;
    if (Container<short>::fromMessage(data, number)) return name + " " + std::to_string(number);
    if (Container<unsigned short>::fromMessage(data, unit)) return name + " #" + std::to_string(unit);
    std::uint32_t index = 0;
    if (Container<std::uint32_t>::fromMessage(data, index)) return name + " u" + std::to_string(index);
    return name;
}

// Hears the named messages on the bus and writes down each with its payload.
class Ear : public Component {
public:
    Ear(Lines names) : Component("Ear"), names_(std::move(names)) {}
    void connectHandlers() override {
        for (const std::string& n : names_)
            if (n == "25" || n == "26")
                connect(BusMessage(std::stoi(n)), onHeard);
            else
                connectNamed(n, onHeard);
    }
    Lines heard;

private:
    static ContainerBase* onHeard(Component* target, BusMessage event, ContainerBase* data) {
        static_cast<Ear*>(target)->heard.push_back(describe(event, data));
        return nullptr;
    }
    Lines names_;
};

class Relay : public ::testing::Test {
protected:
    void SetUp() override {
        net.attach(app);
        ear.attach(app);
        net.toPeer = [this](const std::vector<std::string>& payloads, std::string&) {
            Lines batch;
            for (const std::string& p : payloads) {
                comm::ReceivedMessage m;
                std::string error;
                EXPECT_TRUE(comm::decodeMessage(p, m, error)) << error;
                batch.push_back(describe(m.event, m.data.get()));
            }
            sent.push_back(batch);
            return true;
        };
        net.onLost = [this](const std::string& why, bool gameOver) {
            lost.push_back(why);
            lostAfterTheEnd.push_back(gameOver);
        };
    }
    void TearDown() override {
        ear.detach();
        net.detach();
    }
    // A message from the other machine, as its frame would bring it.
    comm::ReceivedMessage from(const char* name, ContainerBase* data = nullptr,
                               std::uint8_t mode = BusMessage::Send) {
        comm::ReceivedMessage m;
        m.event = BusMessage(RegisteredMessage::getId(name), mode);
        m.data.reset(data);
        return m;
    }
    void receive(std::vector<comm::ReceivedMessage> batch) { net.receiveBatch(batch); }
    // The host's word that the battle begins (not a resumed one): what the end of a battle comes after.
    comm::ReceivedMessage begun() {
        comm::ReceivedMessage m;
        m.event = BusMessage(BEGIN_GAME, BusMessage::Send);
        m.data = std::make_unique<Container<short>>(0);
        return m;
    }
    // A new game on this machine, nothing heard or lost yet.
    void playAfresh(bool host) {
        ear.heard.clear();
        lost.clear();
        lostAfterTheEnd.clear();
        net.setPlaying(true, host);
    }

    test::TestApplication app;
    VaelNetComponent net;
    Ear ear{{"ActivateLeader", "AddCommentary", "SynchronizeGame", "PlayerDeleted", "GameEnded", "BeginTurn",
             "CreateGameControl", "NumberOfPlayers", "LeaderActivated"}};
    std::vector<Lines> sent;
    Lines lost;
    std::vector<bool> lostAfterTheEnd;
};

// Which way each message goes, written out by hand: sent by the host, sent by the others, and whether the
// other machine's answer comes back to the one that asked.
TEST(RelayTable, EachMessageGoesItsWay) {
    struct Row {
        const char* name;
        bool hostSends, clientSends;
        bool answered = false;
    };
    const std::vector<Row> rows = {
        {"25", true, false},
        {"EliteInitiative", true, false, true},
        {"ActivateLeader", true, false},
        {"BeginLeaderOrdersPhase", true, false},
        {"BeginTurn", true, false},
        {"EndOfTurn", true, false},
        {"EndOfGame", true, false},
        {"GameEnded", true, false},
        {"GameSynchronized", true, false},
        {"ZoomOutForRout", true, false},
        {"ZoomInAfterRout", true, false},
        {"ChangeMainCaption", true, false},
        {"GetGameResults", true, false},
        {"NetStartBattle", true, false},
        {"NetBattleTitle", true, false},
        {"SynchronizeGame", false, true},
        {"CanAttemptMomentum", false, true},
        {"26", false, true},
        {"UnitMovementDone", false, true},
        {"SetPlayerInfo", false, true},
        {"PlayerDeleted", false, true},
        {"LeaderActivated", true, true},
        {"UnitRouted", true, true},
        {"UnitRallied", true, true},
        {"UnitEliminated", true, true},
        {"UnitLossSealed", true, true},
        {"CombatDone", true, true},
        {"AddCommentary", true, true},
        {"RemoveAllBattleArrows", true, true},
        {"ChatMessage", true, true},
        {"UnitCombat", true, true},
        {"DoRout", false, false},
        {"DoMissileFire", false, false},
        {"DoRestoreCohesion", false, false},
        {"DoRampagingActions", false, false},
        {"WoundedLeader", false, false},
        {"FinishedLeader", false, false},
        {"EliminateUnit", false, false},
        {"UsedThisTurn", false, false},
        {"CombatResults", false, false},
        {"UnitRemoved", false, false},
        {"RoutPhase", false, false},
        {"CreateGameControl", false, false},
        {"EndOfTurnRoutingDone", false, false},
    };
    // And the built-in LOGICAL_COMMAND, which has no name to go by here.
    EXPECT_EQ(relayTable().size(), rows.size() - 3 + 1)
        << "the table holds the rows above but the last three";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const BusMessage event = row.name == std::string("25") ? BusMessage(BEGIN_GAME)
                                 : row.name == std::string("26")
                                     ? BusMessage(END_GAME)
                                     : BusMessage(RegisteredMessage::getId(row.name));
        const RelayRow* r = relayRowOf(event);
        const bool known = row.hostSends || row.clientSends;
        EXPECT_EQ(r != nullptr && r->way != RelayWay::ByState, known);
        if (!r) continue;
        EXPECT_EQ(relaysOut(*r, true), row.hostSends);
        EXPECT_EQ(relaysOut(*r, false), row.clientSends);
        // What one side sends the other takes.
        EXPECT_EQ(takesIn(*r, false), row.hostSends);
        EXPECT_EQ(takesIn(*r, true), row.clientSends);
        EXPECT_EQ(r->answered, row.answered);
    }
}

TEST(RelayTable, HandoversCarryTheUnitsState) {
    Lines handovers;
    for (const RelayRow& row : relayTable())
        if (row.handover) handovers.push_back(row.name ? row.name : std::to_string(row.number));
    EXPECT_EQ(handovers,
              (Lines{"ActivateLeader", "EndOfTurn", "EndOfGame", "SynchronizeGame", "26", "CombatDone"}));
}

TEST_F(Relay, HostWritesItsTurnMessagesAndKeepsTheClientsOnes) {
    net.setPlaying(true, true);
    struct Row {
        const char* name;
        bool out;
    };
    for (const Row& row : std::vector<Row>{{"ActivateLeader", true},
                                           {"AddCommentary", true},
                                           {"SynchronizeGame", false},
                                           {"CanAttemptMomentum", false},
                                           {"DoRout", false},
                                           {"RoutPhase", false}}) {
        SCOPED_TRACE(row.name);
        sent.clear();
        Container<short> payload(3);
        app.sendNamed(row.name, &payload);
        EXPECT_EQ(sent.size(), row.out ? 1u : 0u);
    }
}

TEST_F(Relay, ClientWritesItsReportsAndKeepsTheTurnMessages) {
    net.setPlaying(true, false);
    struct Row {
        const char* name;
        bool out;
    };
    for (const Row& row : std::vector<Row>{{"ActivateLeader", false},
                                           {"BeginTurn", false},
                                           {"AddCommentary", true},
                                           {"SynchronizeGame", true},
                                           {"CanAttemptMomentum", true},
                                           {"UnitEliminated", true},
                                           {"EliminateUnit", false}}) {
        SCOPED_TRACE(row.name);
        sent.clear();
        Container<short> payload(3);
        app.sendNamed(row.name, &payload);
        EXPECT_EQ(sent.size(), row.out ? 1u : 0u);
    }
}

// What one step of the bus sends goes as one batch, in the order it was sent.
class Stepper : public Component {
public:
    Stepper() : Component("Stepper") {}
    void connectHandlers() override { connectNamed("StepNow", onStep); }
    static ContainerBase* onStep(Component* target, BusMessage, ContainerBase*) {
        Container<unsigned short> leader(7);
        target->sendNamed("ActivateLeader", &leader);
        Container<std::string> line("\\BAnn\\b is now active.");
        target->sendNamed("AddCommentary", &line);
        return nullptr;
    }
};

TEST_F(Relay, OneStepsMessagesTravelAsOneBatchInOrder) {
    net.setPlaying(true, true);
    Stepper stepper;
    stepper.attach(app);
    app.sendNamedEmpty("StepNow");
    stepper.detach();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Lines{"ActivateLeader #7", "AddCommentary \\BAnn\\b is now active."}));
    EXPECT_EQ(net.batchesSent(), 1);
}

TEST_F(Relay, WhatComesFromTheOtherMachineIsSentHereAndNotBack) {
    net.setPlaying(true, false);
    std::vector<comm::ReceivedMessage> batch;
    batch.push_back(from("ActivateLeader", new Container<unsigned short>(4)));
    batch.push_back(from("AddCommentary", new Container<std::string>("line")));
    receive(std::move(batch));
    EXPECT_EQ(ear.heard, (Lines{"ActivateLeader #4", "AddCommentary line"}));
    EXPECT_TRUE(sent.empty()) << "nothing echoed";
    // The relay is back on afterwards: this machine's own commentary goes out.
    Container<std::string> own("mine");
    app.sendNamed("AddCommentary", &own);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Lines{"AddCommentary mine"}));
}

// Hears the battle's results and writes down the armies' names.
class ResultsEar : public Component {
public:
    ResultsEar() : Component("Results Ear") {}
    void connectHandlers() override { connectNamed("EndOfGame", onResults); }
    Lines names;

private:
    static ContainerBase* onResults(Component* target, BusMessage, ContainerBase* data) {
        EndOfGameResults results;
        if (Container<EndOfGameResults>::fromMessage(data, results))
            static_cast<ResultsEar*>(target)->names = {results.homeName, results.visitorName};
        return nullptr;
    }
};

// What the other machine gives to be shown as text is its bytes: a control character in a line of the
// commentary, the battle's title, the window's caption or an army's name in the results is shown escaped
// (the commentary's marks and a name's backslashes are kept), whatever the other program is.
TEST_F(Relay, TextsFromTheOtherMachineShowTheirControlCharactersEscaped) {
    Ear texts{{"ChangeMainCaption", "NetBattleTitle"}};
    texts.attach(app);
    ResultsEar results;
    results.attach(app);
    EndOfGameResults told;
    told.homeName = "Macedonian\x1B[2J", told.visitorName = "Indian\n\\B";
    net.setPlaying(true, false);
    std::vector<comm::ReceivedMessage> batch;
    batch.push_back(begun());
    batch.push_back(from("AddCommentary", new Container<std::string>("\\BEvil\x1B[2J\\b\nHost: ha\x9B\\\\")));
    batch.push_back(
        from("ChangeMainCaption", new Container<std::string>("Ghatmar\x1B]0;owned\x07 - Turn 2")));
    batch.push_back(from("NetBattleTitle", new Container<std::string>("The Fords\r\xC2\x9Bm")));
    batch.push_back(from("EndOfGame", new Container<EndOfGameResults>(told)));
    receive(std::move(batch));
    EXPECT_EQ(ear.heard, (Lines{"AddCommentary \\BEvil\\x1B[2J\\b\\x0AHost: ha\\x9B\\\\"}));
    EXPECT_EQ(texts.heard, (Lines{"ChangeMainCaption Ghatmar\\x1B]0;owned\\x07 - Turn 2",
                                  "NetBattleTitle The Fords\\x0D\\xC2\\x9Bm"}));
    EXPECT_EQ(results.names, (Lines{"Macedonian\\x1B[2J", "Indian\\x0A\\B"}));
    results.detach();
    texts.detach();
}

TEST_F(Relay, QueriesFromTheHostAreAskedHere) {
    net.setPlaying(true, false);
    std::vector<comm::ReceivedMessage> batch;
    batch.push_back(from("BeginTurn", nullptr, BusMessage::Query));
    receive(std::move(batch));
    EXPECT_EQ(ear.heard, (Lines{"BeginTurn"}));
}

TEST_F(Relay, TheWrongWayIsRefusedAndTheGameEnds) {
    struct Row {
        const char* what;
        bool host;
        const char* name;
        const char* why;
    };
    const std::vector<Row> rows = {
        {"a client drives the turn", true, "ActivateLeader",
         "refused a frame: \"ActivateLeader\" comes only from the host"},
        {"the host reports in", false, "SynchronizeGame",
         "refused a frame: \"SynchronizeGame\" goes only to the host"},
        {"a step the state carries", false, "DoRout",
         "refused a frame: \"DoRout\" is not passed between machines"},
        {"not a relayed message", true, "RoutPhase",
         "refused a frame: \"RoutPhase\" is not passed between machines"},
        {"an answer the host did not wait for", true, "NetAnswer",
         "refused a frame: \"NetAnswer\" answers a question that was not asked"},
        {"an answer to the guest, who asks nothing", false, "NetAnswer",
         "refused a frame: \"NetAnswer\" answers a question that was not asked"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        net.setPlaying(true, row.host);
        net.setOtherPlayer("Bob");
        ear.heard.clear(), lost.clear();
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from("AddCommentary", new Container<std::string>("first")));
        batch.push_back(from(row.name, new Container<short>(1)));
        receive(std::move(batch));
        // Nothing of the refused batch reaches the bus; the game ends instead, won here.
        EXPECT_EQ(ear.heard, (Lines{"PlayerDeleted Bob",
                                    std::string("AddCommentary \\BThe connection to Bob was lost: ") +
                                        row.why + ". The battle ends, won by default.\\b",
                                    row.host ? "GameEnded 1" : "GameEnded 0"}));
        EXPECT_EQ(lost, (Lines{row.why}));
        // Later batches are not taken.
        std::vector<comm::ReceivedMessage> later;
        later.push_back(from("AddCommentary", new Container<std::string>("late")));
        receive(std::move(later));
        EXPECT_EQ(ear.heard.size(), 3u);
    }
}

// Every message the other machine may send, without a payload and with one of a type none of them carries:
// those whose handlers read a payload are refused with the reason before anything of them is handled; the
// rest go on to the bus.
TEST_F(Relay, AMessageWithoutThePayloadItsHandlersNeedIsRefused) {
    struct Row {
        bool host; // the machine that takes it
        const char* name;
        bool needs;
    };
    const std::vector<Row> rows = {
        {false, "25", true}, // the battle's beginning, with whether it resumes
        {false, "EliteInitiative", true},
        {false, "ActivateLeader", true},
        {false, "BeginLeaderOrdersPhase", false},
        {false, "BeginTurn", false},
        {false, "EndOfTurn", true},
        {false, "EndOfGame", true},
        {false, "GameEnded", true},
        {false, "GameSynchronized", false},
        {false, "ZoomOutForRout", false},
        {false, "ZoomInAfterRout", false},
        {false, "ChangeMainCaption", true},
        {false, "GetGameResults", false},
        {false, "NetStartBattle", false},
        {false, "NetBattleTitle", false},
        {true, "SynchronizeGame", true},
        {true, "CanAttemptMomentum", true},
        {true, "26", false}, // the end a machine's rules made
        {true, "UnitMovementDone", true},
        {true, "SetPlayerInfo", true},
        {true, "PlayerDeleted", true},
        {true, "LeaderActivated", true},
        {true, "UnitRouted", true},
        {false, "UnitRallied", true},
        {true, "UnitEliminated", true},
        {false, "UnitLossSealed", true},
        {true, "CombatDone", false},
        {false, "AddCommentary", true},
        {true, "RemoveAllBattleArrows", false},
        {false, "ChatMessage", false},
    };
    for (const Row& row : rows)
        for (bool typed : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (typed ? " with a number" : " without a payload"));
            playAfresh(row.host);
            comm::ReceivedMessage m;
            m.event = row.name[0] == '2' ? BusMessage(std::stoi(row.name), BusMessage::Send)
                                         : BusMessage(RegisteredMessage::getId(row.name), BusMessage::Send);
            if (typed) m.data = std::make_unique<Container<std::uint32_t>>(7);
            std::vector<comm::ReceivedMessage> batch;
            batch.push_back(std::move(m));
            receive(std::move(batch));
            // The numbered events have no registered name: they go by the bus's own names for them.
            const std::string name = row.name == std::string("25")   ? std::string("BEGIN_GAME")
                                     : row.name == std::string("26") ? std::string("END_GAME")
                                                                     : "\"" + std::string(row.name) + "\"";
            if (row.needs)
                EXPECT_EQ(lost, (Lines{"refused a frame: " + name + " does not carry what it needs"}));
            else
                EXPECT_EQ(lost, Lines{});
        }
}

// The loss is told in the commentary with the other player's name and the reason as they were written: a
// backslash of either is a backslash there, never a bold mark.
TEST_F(Relay, TheLossKeepsTheBackslashesOfTheNameAndTheReasonInTheCommentary) {
    net.setPlaying(true, true);
    net.setOtherPlayer("Red\\bLi\\Bne");
    ear.heard.clear(), lost.clear();
    net.connectionLost("refused a frame: unknown message \"\\Bold\\x1B\"");
    EXPECT_EQ(ear.heard,
              (Lines{"PlayerDeleted Red\\bLi\\Bne",
                     "AddCommentary \\BThe connection to Red\\\\bLi\\\\Bne was lost: refused a frame: "
                     "unknown message \"\\\\Bold\\\\x1B\". The battle ends, won by default.\\b",
                     "GameEnded 1"}));
}

// The player here answers the host's question (or nobody does).
class Answerer : public Component {
public:
    explicit Answerer(const char* name) : Component("Answerer"), name_(name) {}
    void connectHandlers() override {
        if (name_) connectNamed("EliteInitiative", onAsked);
    }
    std::vector<short> asked;

private:
    static ContainerBase* onAsked(Component* target, BusMessage, ContainerBase* data) {
        auto& self = *static_cast<Answerer*>(target);
        short turn = -1;
        Container<short>::fromMessage(data, turn);
        self.asked.push_back(turn);
        return new Container<std::string>(self.name_);
    }
    const char* name_;
};

// A step of game control that says something and then asks the question, as the turn's start does.
class Asker : public Component {
public:
    Asker() : Component("Asker") {}
    void connectHandlers() override { connectNamed("AskNow", onAsk); }
    std::string reply = "?";

private:
    static ContainerBase* onAsk(Component* target, BusMessage, ContainerBase*) {
        Container<std::string> said("first");
        target->sendNamed("AddCommentary", &said);
        Container<short> turn(2);
        const std::unique_ptr<ContainerBase> answer(target->queryNamed("EliteInitiative", &turn));
        std::string name;
        static_cast<Asker*>(target)->reply = !answer                                                   ? "-"
                                             : Container<std::string>::fromMessage(answer.get(), name) ? name
                                                                                                       : "?";
        return nullptr;
    }
};

// What the host's step sent before its question goes with it, at once; the step waits, and the other
// machine's answer is the question's reply, whatever it holds, or none when the answer never comes.
TEST_F(Relay, TheHostWaitsForTheOtherMachinesAnswerToItsQuestion) {
    struct Row {
        const char* what;
        std::function<void()> during; // what happens while the host waits
        std::string reply;            // "-" for none
        Lines heard;
        bool waitEnds = false; // the wait ends after the first step
    };
    const auto answerWith = [this](ContainerBase* box) {
        return [this, box] {
            std::vector<comm::ReceivedMessage> batch;
            batch.push_back(from("NetAnswer", box));
            receive(std::move(batch));
        };
    };
    const std::vector<Row> rows = {
        {"a leader's name",
         answerWith(new Container<std::string>("Vaelmoric")),
         "Vaelmoric",
         {"AddCommentary first"}},
        {"declined", answerWith(new Container<std::string>("")), "", {"AddCommentary first"}},
        {"nobody there answers", answerWith(nullptr), "-", {"AddCommentary first"}},
        // The question's reply is a leader's name: a box of another type is refused, not handed to game
        // control, whose check would fail on it.
        {"a box of another type",
         answerWith(new Container<short>(1)),
         "-",
         {"AddCommentary first", "PlayerDeleted Bob",
          "AddCommentary \\BThe connection to Bob was lost: refused a frame: \"NetAnswer\" to \"EliteInitiative\" "
          "does not carry what it needs. The battle ends, won by default.\\b",
          "GameEnded 1"}},
        {"the connection is lost",
         [this] { net.connectionLost("gone"); },
         "-",
         {"AddCommentary first", "PlayerDeleted Bob",
          "AddCommentary \\BThe connection to Bob was lost: gone. The battle ends, won by default.\\b",
          "GameEnded 1"}},
        // The wait ends and no answer came: none is taken for one, and the other machine is lost.
        {"the wait ends unanswered",
         [] {},
         "-",
         {"AddCommentary first", "PlayerDeleted Bob",
          "AddCommentary \\BThe connection to Bob was lost: no answer came to the question "
          "\"EliteInitiative\". The battle ends, won by default.\\b",
          "GameEnded 1"},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        net.setPlaying(true, true);
        net.setOtherPlayer("Bob");
        sent.clear(), ear.heard.clear();
        int waits = 0;
        net.waitStep = [&] {
            // The question has gone to the other machine at once, with what the step said before it.
            EXPECT_EQ(sent, (std::vector<Lines>{{"AddCommentary first", "EliteInitiative 2"}}));
            if (++waits == 1) row.during();
            return waits < 5 && !row.waitEnds;
        };
        Asker asker;
        asker.attach(app);
        app.sendNamedEmpty("AskNow");
        app.drainQueue();
        asker.detach();
        EXPECT_EQ(waits, 1);
        EXPECT_EQ(asker.reply, row.reply);
        EXPECT_EQ(ear.heard, row.heard);
        net.connectionLost("reset"), lost.clear();
    }
    net.waitStep = nullptr;
}

// While the host waits for the answer nothing the other machine sends is applied: what it keeps of it is
// bounded, in batches and in bytes, and the machine that sends past the bounds is refused, naming what it
// sent. Each message is counted at the bytes it came in, as the peer decodes it.
TEST_F(Relay, WhatTheHostKeepsWhileItWaitsIsBounded) {
    const auto decoded = [](const char* name, const std::string& text) {
        std::string payload, error;
        const Container<std::string> box(text);
        EXPECT_TRUE(comm::encodeMessage(BusMessage(RegisteredMessage::getId(name), BusMessage::Send), &box, payload,
                                        error));
        comm::ReceivedMessage m;
        EXPECT_TRUE(comm::decodeMessage(payload, m, error)) << error;
        return m;
    };
    // A line of 2,000 bytes travels in 2,031: the name's length and name (4 + 13), the mode (2), the box's
    // flag and type (2 + 2 + 6) and the line's length and bytes (2 + 2,000).
    ASSERT_EQ(decoded("AddCommentary", std::string(2000, 'x')).bytes, 2031u);
    struct Row {
        const char* what;
        std::size_t batches;   // sent while the host waits, one after the other
        std::size_t lines;     // in each
        const char* name;
        std::size_t lineBytes;
        std::string why;
        std::size_t mostBatches, mostBytes;
    };
    const std::vector<Row> rows = {
        // 500 lines a batch, 1,015,500 bytes: two wait (2,031,000 bytes), the third would make 3,046,500
        // (2,976 KB), past 2 MB.
        {"commentary in batches of a megabyte", 4, 500, "AddCommentary", 2000,
         "\"AddCommentary\" would leave 2976 KB of the other machine's words waiting here to be applied, more than "
         "2048 KB",
         2, 2031000},
        // Each chat line a batch of its own: the 301st is one too many for one step.
        {"chat a line at a time", 400, 1, "ChatMessage", 9,
         "\"ChatMessage\" came more than 300 times in one step of the battle", 300, 300 * 38},
        // Small lines of commentary, a batch each: the 1,025th batch is one too many to keep.
        {"commentary a line at a time", 2000, 1, "AddCommentary", 1,
         "\"AddCommentary\" would leave 1025 batches of the other machine's waiting here to be applied, more than "
         "1024",
         1024, 1024 * 32},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        playAfresh(true);
        net.setOtherPlayer("Bob");
        std::size_t mostBatches = 0, mostBytes = 0;
        net.waitStep = [&] {
            for (std::size_t i = 0; i < row.batches && lost.empty(); ++i) {
                std::vector<comm::ReceivedMessage> batch;
                for (std::size_t j = 0; j < row.lines; ++j)
                    batch.push_back(decoded(row.name, std::string(row.lineBytes, 'x')));
                receive(std::move(batch));
                mostBatches = std::max(mostBatches, net.heldBatches());
                mostBytes = std::max(mostBytes, net.heldBytes());
            }
            return false;
        };
        Asker asker;
        asker.attach(app);
        app.sendNamedEmpty("AskNow");
        app.drainQueue();
        asker.detach();
        EXPECT_EQ(lost, (Lines{"refused a frame: " + row.why}));
        EXPECT_EQ(mostBatches, row.mostBatches);
        EXPECT_EQ(mostBytes, row.mostBytes);
        // The refusal lets go of all it kept.
        EXPECT_EQ(net.heldBatches(), 0u);
        EXPECT_EQ(net.heldBytes(), 0u);
    }
    net.waitStep = nullptr;
}

// While the host waits on the other machine's answer, the wait is said after three seconds (not before)
// and unsaid when the answer comes.
TEST_F(Relay, AWaitOfThreeSecondsIsSaidAndUnsaidWhenTheAnswerComes) {
    net.setPlaying(true, true);
    net.setOtherPlayer("Bob");
    Lines told;
    net.onWaiting = [&told](const std::string& player) { told.push_back(player.empty() ? "-" : player); };
    Lines texts;
    int waits = 0;
    net.waitStep = [&] {
        ++waits;
        // Without a peer the wait began at 0 on the clock.
        net.lookAtWaiting(2999);
        texts.push_back(net.waitingText());
        net.lookAtWaiting(3000);
        texts.push_back(net.waitingText());
        net.lookAtWaiting(9000);
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from("NetAnswer", new Container<std::string>("Vaelmoric")));
        receive(std::move(batch));
        texts.push_back(net.waitingText());
        return waits < 5;
    };
    Asker asker;
    asker.attach(app);
    app.sendNamedEmpty("AskNow");
    app.drainQueue();
    asker.detach();
    EXPECT_EQ(asker.reply, "Vaelmoric");
    EXPECT_EQ(texts, (Lines{"", "Waiting for Bob...", ""}));
    EXPECT_EQ(told, (Lines{"Bob", "-"}));
    // Owed nothing, nothing is said however long it is quiet.
    net.lookAtWaiting(60000);
    EXPECT_EQ(net.waitingText(), "");
    EXPECT_EQ(told.size(), 2u);
    net.waitStep = nullptr;
    net.onWaiting = nullptr;
}

TEST_F(Relay, OnlyAQuestionAnsweredBackIsWaitedFor) {
    net.setPlaying(true, true);
    int waits = 0;
    net.waitStep = [&] { return ++waits, false; };
    // A query of the turn sequence that the other machine only hears.
    EXPECT_EQ(app.queryNamedEmpty("BeginTurn"), nullptr);
    app.drainQueue();
    EXPECT_EQ(waits, 0);
    ASSERT_EQ(sent.size(), 1u);
    // The answer waited for never comes: none is made up for it, and the other machine is lost.
    EXPECT_EQ(app.queryNamed("EliteInitiative", nullptr), nullptr);
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(lost, (Lines{"no answer came to the question \"EliteInitiative\""}));
    // An answer that comes after it is dropped, and nothing more is told.
    for (int late = 0; late < 2; ++late) {
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from("NetAnswer", new Container<std::string>("Vaelmoric")));
        receive(std::move(batch));
    }
    EXPECT_EQ(lost.size(), 1u);
}

// The other side: the host's question is asked here and the reply, or that there is none, goes back alone
// in its batch, after what this machine had to say first.
TEST_F(Relay, TheGuestSendsBackWhatItsPlayerAnswered) {
    struct Row {
        const char* name; // who answers here; null: nobody
        Lines answer;
    };
    for (const Row& row :
         std::vector<Row>{{"Vaelmoric", {"NetAnswer Vaelmoric"}}, {nullptr, {"NetAnswer"}}}) {
        SCOPED_TRACE(row.name ? row.name : "nobody");
        net.setPlaying(true, false);
        sent.clear();
        Answerer player(row.name);
        player.attach(app);
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from("AddCommentary", new Container<std::string>("asked")));
        batch.push_back(from("EliteInitiative", new Container<short>(3), BusMessage::Query));
        receive(std::move(batch));
        player.detach();
        EXPECT_EQ(player.asked, row.name ? std::vector<short>{3} : std::vector<short>{});
        EXPECT_EQ(sent, (std::vector<Lines>{row.answer}));
        EXPECT_TRUE(lost.empty());
    }
}

TEST_F(Relay, StateOutOfPlaceIsRefused) {
    net.setPlaying(true, false);
    std::vector<comm::ReceivedMessage> batch;
    batch.push_back(from("AddCommentary", new Container<std::string>("first")));
    batch.push_back(from("BattleState", new Container<BattleStateStruct>()));
    receive(std::move(batch));
    EXPECT_EQ(lost, (Lines{"refused a frame: the battle's state came out of place"}));
}

// The one left is told who left and why, once, and wins by default: the host's side is home, the
// other's is not.
TEST_F(Relay, ALostConnectionEndsTheGameOnceWonByTheOneLeft) {
    for (bool host : {true, false}) {
        SCOPED_TRACE(host ? "host" : "guest");
        playAfresh(host);
        net.setOtherPlayer("Bob");
        net.connectionLost("the connection was lost: the other machine closed it without a word");
        net.connectionLost("again");
        EXPECT_EQ(ear.heard,
                  (Lines{"PlayerDeleted Bob",
                         "AddCommentary \\BThe connection to Bob was lost: the other machine closed "
                         "it without a word. The battle ends, won by default.\\b",
                         host ? "GameEnded 1" : "GameEnded 0"}));
        EXPECT_EQ(lost, (Lines{"the connection was lost: the other machine closed it without a word"}));
        EXPECT_EQ(lostAfterTheEnd, (std::vector<bool>{false}));
    }
}

// A step of the battle here in which a send finds the connection gone: it goes on to its end over two more
// queued steps, each saying a line.
class LosingStep : public Component {
public:
    LosingStep() : Component("LosingStep") {}
    void connectHandlers() override {
        connectNamed("PlayStep", onPlay);
        connectNamed("NextStep", onNext);
        connectNamed("LastStep", onLast);
    }
    static VaelNetComponent* net;

private:
    static void say(Component* target, const char* text) {
        Container<std::string> line(text);
        target->sendNamed("AddCommentary", &line);
    }
    static ContainerBase* onPlay(Component* target, BusMessage, ContainerBase*) {
        say(target, "struck");
        net->connectionLost("the connection failed while sending");
        target->sendNamedEmpty("NextStep");
        return nullptr;
    }
    static ContainerBase* onNext(Component* target, BusMessage, ContainerBase*) {
        say(target, "advanced");
        target->sendNamedEmpty("LastStep");
        return nullptr;
    }
    static ContainerBase* onLast(Component* target, BusMessage, ContainerBase*) {
        say(target, "done");
        return nullptr;
    }
};
VaelNetComponent* LosingStep::net = nullptr;

// The loss comes in the middle of a step here: the step plays out, and then the loss is told, so that its
// line is the last of the battle.
TEST_F(Relay, ALossInTheMiddleOfAStepIsToldOnceTheStepHasPlayedOut) {
    net.setPlaying(true, false);
    net.setOtherPlayer("Bob");
    LosingStep stepper;
    LosingStep::net = &net;
    stepper.attach(app);
    app.sendNamedEmpty("PlayStep");
    app.drainQueue();
    stepper.detach();
    EXPECT_EQ(ear.heard, (Lines{"AddCommentary struck", "AddCommentary advanced", "AddCommentary done",
                                "PlayerDeleted Bob",
                                "AddCommentary \\BThe connection to Bob was lost: the connection failed "
                                "while sending. The battle ends, won by default.\\b",
                                "GameEnded 0"}));
    // The machine's own side of it is known at once.
    EXPECT_EQ(lost, (Lines{"the connection failed while sending"}));
}

// What the other machine's batch still brings once the connection is lost moves nothing here: it is dropped,
// and the trace names each of its messages.
TEST_F(Relay, WhatComesAfterTheLossIsDroppedWithItsNames) {
    const test::TempDir dir("net-trace");
    debugStream().rdbuf()->open((dir.path() / "trace").c_str());
    net.setPlaying(true, false);
    net.connectionLost("the other machine closed the connection");
    ear.heard.clear();
    std::vector<comm::ReceivedMessage> batch;
    batch.push_back(from("AddCommentary", new Container<std::string>("late")));
    batch.push_back(from("ActivateLeader", new Container<unsigned short>(4)));
    receive(std::move(batch));
    app.drainQueue();
    debugStream().flush();
    debugStream().rdbuf()->open(nullptr);
    std::ifstream in(dir.path() / "trace", std::ios::binary);
    const std::string trace((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(ear.heard, Lines{});
    EXPECT_NE(trace.find("VaelNetComponent: dropped what came after the end: \"AddCommentary\", \"ActivateLeader\"\n"),
              std::string::npos)
        << trace;
}

TEST_F(Relay, AConnectionLostAfterTheGameEndedEndsNothingMore) {
    net.setPlaying(true, true);
    Container<short> homeWon(1);
    app.sendNamed("GameEnded", &homeWon);
    ear.heard.clear();
    net.connectionLost("the other machine closed the connection");
    EXPECT_TRUE(ear.heard.empty());
    EXPECT_EQ(lost, (Lines{"the other machine closed the connection"}));
    EXPECT_EQ(lostAfterTheEnd, (std::vector<bool>{true}));
}

// The host told the guest the end its rules decided (the home side's win), and goes before the battle's last
// word: the guest ends the battle as it was told, tells the line lost with no win by default and claims no
// end of its own. A draw told is ended as a draw.
TEST_F(Relay, AConnectionLostAfterTheHostToldTheEndEndsTheBattleAsTold) {
    for (std::uint32_t winner : {1u, 0u}) {
        SCOPED_TRACE("winner " + std::to_string(winner));
        playAfresh(false);
        net.setOtherPlayer("Bob");
        EndOfGameResults results;
        results.winner = winner;
        results.homeNation = 1;
        results.visitorNation = 2;
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(begun());
        batch.push_back(from("EndOfGame", new Container<EndOfGameResults>(results)));
        receive(std::move(batch));
        app.drainQueue();
        ear.heard.clear();
        net.connectionLost("the connection was lost: the other machine closed it without a word");
        app.drainQueue();
        EXPECT_EQ(ear.heard, (Lines{"PlayerDeleted Bob",
                                    "AddCommentary \\BThe connection to Bob was lost: the other machine closed it "
                                    "without a word.\\b",
                                    winner ? "GameEnded 1" : "GameEnded 0"}));
        EXPECT_EQ(lostAfterTheEnd, (std::vector<bool>{true}));
    }
    // A new game forgets the end told in the last.
    playAfresh(false);
    net.setOtherPlayer("Bob");
    net.connectionLost("the connection was lost: the other machine closed it without a word");
    app.drainQueue();
    EXPECT_EQ(ear.heard, (Lines{"PlayerDeleted Bob",
                                "AddCommentary \\BThe connection to Bob was lost: the other machine closed "
                                "it without a word. The battle ends, won by default.\\b",
                                "GameEnded 0"}));
}

// The other machine over a link joined to this one's peer, on a platform of its own: what it sends reaches
// the component as a real frame would, and the peer's clock is the test's.
struct OtherMachine {
    explicit OtherMachine(VaelNetComponent& net, bool host) {
        auto [mine, theirs] = comm::TcpLink::pair(platform);
        link = std::move(theirs);
        auto peer = std::make_unique<comm::NetPeer>(
            std::move(mine), comm::Greeting{comm::ProtocolVersion, "test", host ? "Host" : "Guest",
                                            static_cast<std::uint16_t>(host ? 1 : 0)});
        peer->clock = [this] { return clock; };
        net.setPeer(std::move(peer), host);
        net.setOtherPlayer("Bob");
        say(comm::FrameKind::Greeting,
            comm::encodeGreeting(comm::Greeting{comm::ProtocolVersion, "test", "Bob",
                                                static_cast<std::uint16_t>(host ? 0 : 1)}));
    }
    // Sends a frame and hands it over until the peer here has taken it.
    void say(comm::FrameKind kind, const std::string& payload) {
        link->send(comm::encodeFrame(kind, payload));
        platform::Event e;
        for (int i = 0; i < 200; ++i) {
            if (!platform.pollEvent(e)) continue;
            if (e.kind == platform::EventKind::SocketReady) platform.serviceSocket(e);
            return;
        }
    }
    platform::HeadlessPlatform platform;
    std::unique_ptr<comm::TcpLink> link;
    std::uint32_t clock = 0;
};

// The guest has checked in and waits for the host's word: "Waiting for ..." is said three seconds after the
// host last spoke. A batch from the host starts the count afresh, so that the wait is said three seconds
// after it, not after the first look that found the guest waiting. Once the host has said that every machine
// checked in, the guest has nothing of its own to do until the host begins the next step: a host stopped
// just then is waited on too.
TEST_F(Relay, ABatchFromTheOtherMachineStartsTheCountOfTheWaitAfresh) {
    struct Row {
        std::uint32_t synchronizedAt; // when the host says all have checked in; 0: it does not
        std::uint32_t batchAt;        // a later word of the host's; 0: none comes
        std::uint32_t notYet, said;
    };
    for (const Row& row : {Row{0, 0, 3999, 4000}, Row{0, 2000, 4999, 5000}, Row{0, 2500, 5499, 5500},
                           Row{2000, 0, 4999, 5000}, Row{2000, 3000, 5999, 6000}}) {
        SCOPED_TRACE("all checked in at " + std::to_string(row.synchronizedAt) + ", a batch at " +
                     std::to_string(row.batchAt));
        OtherMachine host(net, false);
        Container<std::string> doing("viewing end of turn results");
        app.sendNamed("SynchronizeGame", &doing);
        app.drainQueue();
        // The first look finds the guest owing its wait, a second after it checked in.
        net.lookAtWaiting(1000);
        const auto hear = [&](std::uint32_t at, std::vector<comm::ReceivedMessage> batch) {
            host.clock = at;
            receive(std::move(batch));
            app.drainQueue();
        };
        if (row.synchronizedAt) {
            std::vector<comm::ReceivedMessage> batch;
            batch.push_back(from("GameSynchronized"));
            hear(row.synchronizedAt, std::move(batch));
        }
        if (row.batchAt) {
            std::vector<comm::ReceivedMessage> batch;
            batch.push_back(from("AddCommentary", new Container<std::string>("still thinking")));
            hear(row.batchAt, std::move(batch));
        }
        net.lookAtWaiting(row.notYet);
        EXPECT_EQ(net.waitingText(), "");
        net.lookAtWaiting(row.said);
        EXPECT_EQ(net.waitingText(), "Waiting for Bob...");
        net.setPeer(nullptr, false);
    }
}

// A machine told by the other that it was let go for its silence (it was stopped past the limit) ends the
// battle as lost to the other side: its line says who won it by default, and its game control, or the end
// it tells, gives the battle to the other side. Any other refusal leaves the battle to the one told.
TEST_F(Relay, AMachineLetGoForItsSilenceEndsTheBattleAsTheOthersWin) {
    struct Row {
        bool host;
        std::string reason, line, ended;
    };
    const std::string silence = comm::NetPeer::silenceRefusal();
    for (const Row& row : std::vector<Row>{{true, silence,
                                            "The connection to Bob was lost: the other machine gave up "
                                            "waiting: nothing came from your machine for 30 "
                                            "seconds. The battle ends, won by default by Bob.",
                                            "GameEnded 0"},
                                           {false, silence,
                                            "The connection to Bob was lost: the other machine gave up "
                                            "waiting: nothing came from your machine for 30 "
                                            "seconds. The battle ends, won by default by Bob.",
                                            "GameEnded 1"},
                                           {false, "nothing came from your machine for 3 seconds",
                                            "The connection to Bob was lost: the other machine refused: "
                                            "nothing came from your machine for 3 "
                                            "seconds. The battle ends, won by default by Guest.",
                                            "GameEnded 0"}}) {
        SCOPED_TRACE((row.host ? "host told: " : "guest told: ") + row.reason);
        ear.heard.clear();
        lost.clear();
        OtherMachine other(net, row.host);
        other.say(comm::FrameKind::Refusal, comm::encodeRefusal(row.reason));
        app.drainQueue();
        EXPECT_EQ(net.droppedHere(), row.reason == silence);
        // Its silence limit is no refusal of anything this machine said: the other only gave up waiting.
        EXPECT_EQ(lost, (Lines{std::string(row.reason == silence ? "the other machine gave up waiting: "
                                                                 : "the other machine refused: ") +
                               row.reason}));
        EXPECT_EQ(ear.heard, (Lines{"PlayerDeleted Bob", "AddCommentary \\B" + row.line + "\\b", row.ended}));
        net.setPeer(nullptr, false);
    }
}

// A battle that ended here at a cap of turns: the other machine's going afterwards ends nothing more, and
// is no loss of the battle.
TEST_F(Relay, AConnectionLostAfterTheBattleEndedHereEndsNothingMore) {
    for (bool host : {true, false}) {
        SCOPED_TRACE(host ? "host" : "guest");
        playAfresh(host);
        net.battleEndsHere();
        net.connectionLost("the connection was lost: the other machine closed it without a word");
        app.drainQueue();
        EXPECT_TRUE(ear.heard.empty());
        EXPECT_EQ(lostAfterTheEnd, (std::vector<bool>{true}));
    }
}

// A step of the battle that reports two visitor units routing and one rallying, and finds the connection gone
// before game control has heard any of it.
class ReportingStep : public Component {
public:
    ReportingStep() : Component("ReportingStep") {}
    void connectHandlers() override { connectNamed("PlayStep", onPlay); }
    static void report(Component* target, const char* what) {
        Container<UnitRoutData> unit(UnitRoutData{2, 9, 2});
        target->sendNamed(what, &unit);
    }
    static VaelNetComponent* net;

private:
    static ContainerBase* onPlay(Component* target, BusMessage, ContainerBase*) {
        report(target, "UnitRouted"), report(target, "UnitRouted"), report(target, "UnitRallied");
        net->connectionLost("the connection failed while sending");
        return nullptr;
    }
};
VaelNetComponent* ReportingStep::net = nullptr;

// The loss ends the battle in the middle of a step, but what the step had reported before it is the battle
// as it stood: one unit still routing (worth 9) is counted when the loss is told. A rout reported after the
// loss was told counts nothing.
TEST_F(Relay, WhatTheStepReportedBeforeTheLossIsCounted) {
    VaelLogicalLayer layer("Relay layer");
    VaelLogicalLandscape* map = test::makeLandscape(4, 4).release();
    layer.stageBattle(map, 1, 2);
    auto* leader = new Leader(test::leaderRecord(10, 5, map, 1, "Arn", {}), "Arn");
    layer.enlist(leader);
    layer.addLocalLeader(leader);
    GameControl* control = layer.CreateGameControl(10);
    ASSERT_NE(control, nullptr);
    control->setHomeNation(1), control->setVisitorNation(2);
    net.setLayer(&layer);
    net.setPlaying(true, true);
    net.setOtherPlayer("Bob");
    ReportingStep step;
    ReportingStep::net = &net;
    step.attach(layer);
    step.sendNamedEmpty("PlayStep");
    app.drainQueue();
    EXPECT_EQ(control->isGameOver(), 1);
    ASSERT_FALSE(ear.heard.empty());
    EXPECT_EQ(ear.heard.back(), "GameEnded 1");
    const auto visitors = [&] { return std::to_string(control->getSideRouting(0)) + " routing (" +
                                       std::to_string(control->getSideRoutedTQ(0)) + ")"; };
    EXPECT_EQ(visitors(), "1 routing (9)");
    ReportingStep::report(&step, "UnitRouted");
    app.drainQueue();
    EXPECT_EQ(visitors(), "1 routing (9)");
    step.detach();
    net.setLayer(nullptr);
}

// The machine left is alone with the battle, decided now either way: it stands down, and every unit of it,
// as when the rules end a battle played on one machine; before the loss nothing is stood down.
TEST_F(Relay, TheMachineLeftStandsTheBattleDown) {
    VaelLogicalLayer layer("Relay layer");
    VaelLogicalLandscape* map = test::makeLandscape(4, 4).release();
    layer.stageBattle(map, 1, 2);
    auto* mine = new Leader(test::leaderRecord(10, 5, map, 1, "Arn", {}), "Arn");
    auto* theirs = new Leader(test::leaderRecord(11, 6, map, 2, "Bel", {}), "Bel");
    layer.enlist(mine), layer.enlist(theirs);
    layer.addLocalLeader(mine);
    net.setLayer(&layer);
    net.setPlaying(true, true);
    net.setOtherPlayer("Bob");
    const auto stood = [&] {
        return std::to_string(layer.hasStoodDown()) + std::to_string(mine->hasStoodDown()) +
               std::to_string(theirs->hasStoodDown());
    };
    EXPECT_EQ(stood(), "000");
    net.connectionLost("the other machine closed the connection");
    app.drainQueue();
    EXPECT_EQ(stood(), "111");
    net.setLayer(nullptr);
}

// The side played here is that of this machine's leaders, a nation of neither side's being the home side's
// as everywhere: a guest whose leader is of nation 5 (home 1, visitor 2) is told the home side has won.
// The side won by default is the side of the leaders played here. Sides shared by Choose...: a player who
// leads some of each side fights with the side most of his leaders lead, on a tie with his commander's; the
// computer's leaders here are not his.
TEST_F(Relay, TheSideWonByDefaultIsTheSideMostOfTheLeadersPlayedHereLead) {
    struct Played {
        std::uint32_t nation;
        const char* name;
        bool computer = false;
    };
    const struct Row {
        const char* what;
        std::vector<Played> leaders;
        const char* told;
    } rows[] = {
        {"a home leader", {{1, "Arn"}}, "GameEnded 1"},
        {"a leader of neither side's nation", {{5, "Arn"}}, "GameEnded 1"},
        {"a visitor leader", {{2, "Arn"}}, "GameEnded 0"},
        {"the home commander and three visitor leaders",
         {{1, "Vaelmoric the Bold"}, {2, "Tezhar III"}, {2, "Rajavan"}, {2, "Surendal"}},
         "GameEnded 0"},
        {"two home leaders and one visitor leader",
         {{2, "Rajavan"}, {1, "Aristhon"}, {1, "Melagor"}},
         "GameEnded 1"},
        {"one of each, the commander the visitor's", {{1, "Melagor"}, {2, "Tezhar III"}}, "GameEnded 0"},
        {"one of each, the commander the home side's",
         {{2, "Rajavan"}, {1, "Vaelmoric the Bold"}},
         "GameEnded 1"},
        {"one of each, no commander", {{2, "Rajavan"}, {1, "Melagor"}}, "GameEnded 1"},
        {"a home leader and two visitor leaders of the computer's",
         {{1, "Melagor"}, {2, "Rajavan", true}, {2, "Surendal", true}},
         "GameEnded 1"},
        {"only the computer's visitor leaders", {{2, "Rajavan", true}}, "GameEnded 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        VaelLogicalLayer layer("Relay layer");
        VaelLogicalLandscape* map = test::makeLandscape(4, 4).release();
        layer.stageBattle(map, 1, 2);
        for (std::size_t i = 0; i < row.leaders.size(); ++i) {
            const Played& played = row.leaders[i];
            auto* leader = new Leader(test::leaderRecord(static_cast<std::uint16_t>(10 + i),
                                                         static_cast<std::int16_t>(5 + i), map, played.nation,
                                                         played.name, {}),
                                      played.name);
            layer.enlist(leader);
            layer.addLocalLeader(leader);
            if (played.computer) layer.addComputerLeader(leader);
        }
        net.setLayer(&layer);
        net.setPlaying(true, false);
        net.setOtherPlayer("Bob");
        ear.heard.clear();
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from("SynchronizeGame", new Container<short>(1)));
        receive(std::move(batch));
        ASSERT_FALSE(ear.heard.empty());
        EXPECT_EQ(ear.heard.back(), row.told);
        net.setLayer(nullptr);
    }
}

// The guest holds what the host says from its word to begin a battle until the battle has loaded here:
// the rest of the batch the word came in, a batch queued behind it before the word was taken, and what
// comes while it holds are taken once it is released, in the order they came. Taken at once, the host's
// first question met a machine with no battle, which answered nobody and refused the activation after it.
class Stepping : public Component {
public:
    Stepping() : Component("Stepping") {}
    void connectHandlers() override { connectNamed("StepNow", onStep); }
    std::function<void()> step;

private:
    static ContainerBase* onStep(Component* target, BusMessage, ContainerBase*) {
        static_cast<Stepping*>(target)->step();
        return nullptr;
    }
};

TEST_F(Relay, WhatTheHostSaysAfterItsWordToBeginIsTakenOnceTheGuestReleasesInOrder) {
    Stepping stepper;
    stepper.attach(app);
    playAfresh(false);
    // Each line weighs what its frame did, so that what waits held is counted against the bound.
    const auto line = [this](const char* text, std::size_t bytes) {
        comm::ReceivedMessage m = from("AddCommentary", new Container<std::string>(text));
        m.bytes = bytes;
        return m;
    };
    // Two batches come within one step of the bus: the second is queued before the word is taken.
    stepper.step = [&] {
        std::vector<comm::ReceivedMessage> first;
        first.push_back(line("before the word", 1));
        first.push_back(from("NetStartBattle", new Container<std::string>("short.scn\n(Rajavan)")));
        first.push_back(line("after the word", 20));
        receive(std::move(first));
        std::vector<comm::ReceivedMessage> second;
        second.push_back(line("queued before the hold", 300));
        receive(std::move(second));
    };
    app.sendNamedEmpty("StepNow");
    std::vector<comm::ReceivedMessage> third;
    third.push_back(line("while held", 4000));
    receive(std::move(third));
    EXPECT_EQ(ear.heard, Lines{"AddCommentary before the word"});
    EXPECT_TRUE(net.deliveriesHeld());
    // The rest of the word's own batch waits too, and is counted as the batches behind it are.
    EXPECT_EQ(net.heldBytes(), 20u + 300u + 4000u);
    net.releaseDeliveries();
    app.drainQueue();
    EXPECT_FALSE(net.deliveriesHeld());
    EXPECT_EQ(ear.heard, (Lines{"AddCommentary before the word", "AddCommentary after the word",
                                "AddCommentary queued before the hold", "AddCommentary while held"}));
    // Nothing is taken twice by a release with nothing waiting.
    net.releaseDeliveries();
    app.drainQueue();
    EXPECT_EQ(ear.heard.size(), 4u);
    EXPECT_EQ(net.heldBytes(), 0u);
    EXPECT_TRUE(lost.empty());
    stepper.detach();
}

// Does what it is given with each line of commentary it hears, as the display would start playing.
class LineWatcher : public Component {
public:
    LineWatcher() : Component("Line Watcher") {}
    void connectHandlers() override { connectNamed("AddCommentary", onLine); }
    std::function<void(const std::string&)> onHeard;

private:
    static ContainerBase* onLine(Component* target, BusMessage, ContainerBase* data) {
        std::string text;
        if (Container<std::string>::fromMessage(data, text) && static_cast<LineWatcher*>(target)->onHeard)
            static_cast<LineWatcher*>(target)->onHeard(text);
        return nullptr;
    }
};

// While the display plays here, the other machine's words wait, lines of chat excepted; once it has played
// out they go on in their order, each batch looked at again after what the one before it set going has been
// handled (it may start the display again), and nothing goes twice.
TEST_F(Relay, WhileTheDisplayPlaysTheOtherMachinesWordsWaitAndOnlyChatGoesAhead) {
    Ear heard{{"AddCommentary", "ChatMessage"}};
    heard.attach(app);
    bool showing = true;
    LineWatcher display;
    display.onHeard = [&showing](const std::string& text) { showing = showing || text == "first"; };
    display.attach(app);
    playAfresh(false);
    net.setShowing([&showing] { return showing; });
    const auto batchOf = [this](const char* name, const char* text, std::size_t bytes) {
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from(name, new Container<std::string>(text)));
        batch.back().bytes = bytes;
        return batch;
    };
    receive(batchOf("AddCommentary", "first", 10));
    receive(batchOf("ChatMessage", "Bob: hold the ford", 20));
    receive(batchOf("AddCommentary", "second", 40));
    app.drainQueue();
    EXPECT_EQ(heard.heard, Lines{"ChatMessage Bob: hold the ford"});
    EXPECT_TRUE(net.wordsHeldForTheDisplay());
    EXPECT_EQ(net.heldBatches(), 2u);
    EXPECT_EQ(net.heldBytes(), 50u);
    // Looked at while the display still plays: nothing goes.
    net.lookedForWork();
    app.drainQueue();
    EXPECT_EQ(heard.heard.size(), 1u);
    EXPECT_TRUE(net.wordsHeldForTheDisplay());
    // The first line sets the display going again: the second waits for it to play out in turn.
    showing = false;
    net.lookedForWork();
    app.drainQueue();
    EXPECT_EQ(heard.heard, (Lines{"ChatMessage Bob: hold the ford", "AddCommentary first"}));
    EXPECT_TRUE(net.wordsHeldForTheDisplay());
    EXPECT_EQ(net.heldBytes(), 40u);
    showing = false;
    net.lookedForWork();
    app.drainQueue();
    EXPECT_EQ(heard.heard,
              (Lines{"ChatMessage Bob: hold the ford", "AddCommentary first", "AddCommentary second"}));
    EXPECT_FALSE(net.wordsHeldForTheDisplay());
    net.lookedForWork();
    app.drainQueue();
    EXPECT_EQ(heard.heard.size(), 3u);
    EXPECT_EQ(net.heldBatches(), 0u);
    EXPECT_EQ(net.heldBytes(), 0u);
    EXPECT_TRUE(lost.empty());
    // Nothing is held while nothing is shown.
    receive(batchOf("AddCommentary", "third", 5));
    app.drainQueue();
    EXPECT_EQ(heard.heard.back(), "AddCommentary third");
    EXPECT_FALSE(net.wordsHeldForTheDisplay());
    net.setShowing(nullptr);
    display.detach();
    heard.detach();
}

// The bound on what waits holds while the display plays: a machine that floods one that shows is refused,
// and what was held is let go.
TEST_F(Relay, WordsHeldForTheDisplayCountAgainstWhatMayWait) {
    playAfresh(false);
    net.setShowing([] { return true; });
    for (std::size_t i = 0; i <= VaelNetComponent::MaxHeldBatches && lost.empty(); ++i) {
        std::vector<comm::ReceivedMessage> batch;
        batch.push_back(from("AddCommentary", new Container<std::string>("line")));
        receive(std::move(batch));
        app.drainQueue();
    }
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_NE(lost[0].find("batches of the other machine's waiting here to be applied, more than 1024"),
              std::string::npos)
        << lost[0];
    EXPECT_EQ(net.heldBatches(), 0u);
    net.setShowing(nullptr);
}

// The other machine's answer that comes while the display plays is taken once it has played out, as its
// other words are; a second answer to the one question is refused even while the first waits.
TEST_F(Relay, AnAnswerThatComesWhileTheDisplayPlaysIsTakenOnceItHasPlayedOut) {
    for (const bool forged : {false, true}) {
        SCOPED_TRACE(forged ? "a second answer" : "one answer");
        playAfresh(true);
        bool showing = true;
        net.setShowing([&showing] { return showing; });
        int waits = 0;
        bool answeredWhileShowing = false;
        net.waitStep = [&] {
            if (++waits == 1) {
                for (int n = 0; n < (forged ? 2 : 1); ++n) {
                    std::vector<comm::ReceivedMessage> batch;
                    batch.push_back(from("NetAnswer", new Container<std::string>("Vaelmoric")));
                    receive(std::move(batch));
                }
            } else if (waits == 2) {
                net.lookedForWork();
                answeredWhileShowing = !net.wordsHeldForTheDisplay();
            } else if (waits == 3) {
                showing = false;
                net.lookedForWork();
            }
            return waits < 6;
        };
        Asker asker;
        asker.attach(app);
        app.sendNamedEmpty("AskNow");
        app.drainQueue();
        asker.detach();
        net.waitStep = nullptr;
        net.setShowing(nullptr);
        if (forged) {
            EXPECT_EQ(lost, (Lines{"refused a frame: \"NetAnswer\" answers a question that was not asked"}));
            EXPECT_EQ(asker.reply, "-");
            continue;
        }
        EXPECT_FALSE(answeredWhileShowing);
        EXPECT_EQ(waits, 3);
        EXPECT_EQ(asker.reply, "Vaelmoric");
        EXPECT_TRUE(lost.empty());
    }
}

TEST_F(Relay, OnlyTheHostAsksForGameControlAndThePlayers) {
    for (bool host : {true, false}) {
        SCOPED_TRACE(host ? "host" : "client");
        net.setPlaying(true, host);
        ear.heard.clear();
        EXPECT_EQ(net.scenarioLoaded(4, 2), host);
        EXPECT_EQ(ear.heard, host ? (Lines{"CreateGameControl u4", "NumberOfPlayers 2"}) : Lines{});
    }
}

// Hears what the display is told on the bus: the command's event and whether it asks for a reply.
class DisplayEar : public Component {
public:
    DisplayEar() : Component("Display Ear") {}
    void connectHandlers() override {
        connect(BusMessage(LOGICAL_COMMAND), onCommand);
        connectNamed("UnitCombat", onCommand);
    }
    Lines heard;

private:
    static ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
        LogicalCommandInfo c;
        if (Container<LogicalCommandInfo>::fromMessage(data, c))
            static_cast<DisplayEar*>(target)->heard.push_back(
                RegisteredMessage::nameOf(static_cast<std::uint16_t>(c.event.id())) + " #" +
                std::to_string(c.command) + (c.replyEvent.id() == NULL_EVENT ? "" : " replies"));
        return nullptr;
    }
};

// What the acting machine's rules wait on (a walk, a volley, a combat) is shown on the other machine as it
// happens, without its reply; what asks for no reply (a state shown here) is not sent; and a command from
// the other machine that asks for a reply is refused.
TEST_F(Relay, TheActingMachinesAnimationsAreShownThereWithoutTheirReply) {
    net.setPlaying(true, true);
    std::vector<std::vector<comm::ReceivedMessage>> out;
    net.toPeer = [&](const std::vector<std::string>& payloads, std::string&) {
        out.emplace_back();
        for (const std::string& p : payloads) {
            comm::ReceivedMessage m;
            std::string error;
            EXPECT_TRUE(comm::decodeMessage(p, m, error)) << error;
            out.back().push_back(std::move(m));
        }
        return true;
    };
    const BusMessage fire = BusMessage(RegisteredMessage::getId("MissileFire"));
    const BusMessage back = BusMessage(RegisteredMessage::getId("ReturnFromMissileFire"));
    Container<LogicalCommandInfo> volley(LogicalCommandInfo(7, new Container<short>(2), 1204, fire, back));
    Container<LogicalCommandInfo> shown(
        LogicalCommandInfo(8, nullptr, 1205, BusMessage(RegisteredMessage::getId("UnitTeleport"))));
    Container<LogicalCommandInfo> combat(
        LogicalCommandInfo(0, nullptr, 0, BusMessage(RegisteredMessage::getId("UnitCombat")),
                           BusMessage(RegisteredMessage::getId("RoutingDone"))));
    app.send(BusMessage(LOGICAL_COMMAND), &volley);
    app.send(BusMessage(LOGICAL_COMMAND), &shown);
    app.sendNamed("UnitCombat", &combat);
    app.drainQueue();
    // Each send above was a step of its own: a batch each, but none for the teleport.
    ASSERT_EQ(out.size(), 2u);
    ASSERT_EQ(out[0].size(), 1u);
    ASSERT_EQ(out[1].size(), 1u);
    LogicalCommandInfo first, second;
    ASSERT_TRUE(Container<LogicalCommandInfo>::fromMessage(out[0][0].data.get(), first));
    ASSERT_TRUE(Container<LogicalCommandInfo>::fromMessage(out[1][0].data.get(), second));
    EXPECT_EQ(out[0][0].event.id(), LOGICAL_COMMAND);
    EXPECT_EQ(first.command, 7);
    EXPECT_EQ(first.value, 1204);
    EXPECT_EQ(first.event.id(), fire.id());
    EXPECT_EQ(first.replyEvent.id(), NULL_EVENT);
    short bearing = 0;
    EXPECT_TRUE(Container<short>::fromMessage(first.payload.get(), bearing));
    EXPECT_EQ(bearing, 2);
    EXPECT_EQ(out[1][0].event.id(), static_cast<std::int32_t>(RegisteredMessage::getId("UnitCombat")));
    EXPECT_EQ(second.replyEvent.id(), NULL_EVENT);
    EXPECT_TRUE(lost.empty());

    // Coming this way: shown on the bus here, not sent back.
    DisplayEar display;
    display.attach(app);
    out.clear();
    std::vector<comm::ReceivedMessage> batch;
    comm::ReceivedMessage m;
    m.event = BusMessage(LOGICAL_COMMAND);
    m.data = std::make_unique<Container<LogicalCommandInfo>>(LogicalCommandInfo(7, nullptr, 1204, fire));
    batch.push_back(std::move(m));
    receive(std::move(batch));
    app.drainQueue();
    EXPECT_EQ(display.heard, (Lines{"MissileFire #7"}));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(lost.empty());

    // One that asks for a reply would move the rules here: refused.
    std::vector<comm::ReceivedMessage> asking;
    comm::ReceivedMessage a;
    a.event = BusMessage(LOGICAL_COMMAND);
    a.data =
        std::make_unique<Container<LogicalCommandInfo>>(LogicalCommandInfo(7, nullptr, 1204, fire, back));
    asking.push_back(std::move(a));
    receive(std::move(asking));
    app.drainQueue();
    display.detach();
    EXPECT_EQ(display.heard, (Lines{"MissileFire #7"}));
    EXPECT_EQ(lost, (Lines{"refused a frame: LOGICAL_COMMAND may only be shown here"}));
}

TEST(NetPayloads, ResultsTravelAsTheHandWrittenBytes) {
    registerNetPayloadTypes();
    EndOfGameResults r;
    r.winner = 2, r.homeNation = 1, r.visitorNation = 2, r.homeName = "Ma", r.visitorName = "Pe";
    r.homeLostTQ = 1, r.visitorLostTQ = 2, r.homeTQLimit = 3, r.visitorTQLimit = 4, r.homeRoutedTQ = 5;
    r.visitorRoutedTQ = 6, r.homeRouting = 7, r.visitorRouting = 8, r.homeEliminated = 9,
    r.visitorEliminated = 10;
    r.homeUnits = 11, r.visitorUnits = -1;
    SuperString s;
    s << r;
    const std::string hand =
        std::string("\x02\0\0\0\x01\0\0\0\x02\0\0\0\x02\0Ma\x02\0Pe", 20) +
        std::string("\x01\0\x02\0\x03\0\x04\0\x05\0\x06\0\x07\0\x08\0\x09\0\x0a\0\x0b\0\xff\xff", 24);
    EXPECT_EQ(s.str(), hand);
    EndOfGameResults back;
    s >> back;
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(back, r);
}

TEST(NetPayloads, StateLongerThanItsBytesFails) {
    SuperString s;
    s << static_cast<unsigned int>(5);
    s.write("abcd", 4);
    BattleStateStruct state;
    s >> state;
    EXPECT_TRUE(s.failed());
    EXPECT_TRUE(state.bytes.empty());
    SuperString whole;
    whole << BattleStateStruct{{1, 2, 3}};
    EXPECT_EQ(whole.str(), std::string("\x03\0\0\0\x01\x02\x03", 7));
    BattleStateStruct back;
    whole >> back;
    EXPECT_EQ(back.bytes, (std::vector<std::uint8_t>{1, 2, 3}));
}

} // namespace
} // namespace vael
