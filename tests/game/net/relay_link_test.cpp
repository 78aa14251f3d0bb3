// Every message the relay passes between machines, with each kind of payload it carries in a battle, sent by
// the network component through a real TCP link and read on the other end: it must arrive whole and equal,
// and no message box may stop the player on the way.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/comm/net_frame.h"
#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "framework/core/bus_event.h"
#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/registered_message.h"
#include "game/flow/game_control.h"
#include "game/flow/shock_records.h"
#include "game/net/net_payloads.h"
#include "game/net/relay_table.h"
#include "game/net/vael_net_component.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/units/unit_payloads.h"
#include "platform/headless/headless_platform.h"
#include "support/test_application.h"

namespace vael {
namespace {

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

// A display command as the acting machine's rules give it: what to play, and the reply they wait for with
// its payload.
ContainerBase* shown(std::uint16_t unit, ContainerBase* payload, std::uint16_t value, BusMessage event,
                     const char* reply, ContainerBase* extra) {
    return new Container<LogicalCommandInfo>(
        LogicalCommandInfo(unit, payload, value, event, named(reply), extra));
}

List<short> listOf(std::initializer_list<short> values) {
    List<short> list;
    for (short v : values)
        list.append(v);
    return list;
}

struct Sample {
    const char* what;
    std::function<ContainerBase*()> make; // null payload when it makes null
};

// What each relayed message carries in a battle, written out by hand from the places that send it.
std::map<std::string, std::vector<Sample>> samples() {
    const auto text = [](const char* t) {
        return [t] { return (ContainerBase*)new Container<std::string>(t); };
    };
    const auto number = [](short n) { return [n] { return (ContainerBase*)new Container<short>(n); }; };
    const auto unit = [](unsigned short n) {
        return [n] { return (ContainerBase*)new Container<unsigned short>(n); };
    };
    const auto none = [] { return (ContainerBase*)nullptr; };
    const auto results = [] {
        EndOfGameResults r;
        r.winner = 2, r.homeNation = 1, r.visitorNation = 2, r.homeName = "Aristhon",
        r.visitorName = "Surendal";
        r.homeLostTQ = 12, r.visitorUnits = -1;
        return (ContainerBase*)new Container<EndOfGameResults>(r);
    };
    const auto rout = [] { return (ContainerBase*)new Container<UnitRoutData>(UnitRoutData{2, 6, 3}); };
    const auto combat = [] {
        CombatInfo info;
        info.attackers = listOf({4, 5});
        info.defenders = listOf({31});
        info.deaths.append(MethodOfDeathStruct{50, 1, 31});
        return new Container<LogicalCommandInfo>(LogicalCommandInfo(0, new Container<CombatInfo>(info), 0,
                                                                    named("UnitCombat"), named("RoutingDone"),
                                                                    new Container<short>(-3)));
    };
    return {
        {"25", {{"the number of players", number(2)}}},
        {"EliteInitiative", {{"the turn", number(1)}}},
        {"ActivateLeader", {{"the leader's number", unit(44)}}},
        {"BeginLeaderOrdersPhase", {{"nothing", none}}},
        {"BeginTurn", {{"nothing", none}}},
        {"EndOfTurn", {{"the turn's results", results}}},
        {"EndOfGame", {{"the battle's results", results}}},
        {"GameEnded", {{"who won", number(1)}}},
        {"GameSynchronized", {{"nothing", none}}},
        {"ZoomOutForRout", {{"nothing", none}}},
        {"ZoomInAfterRout", {{"nothing", none}}},
        {"ChangeMainCaption", {{"the caption", text("The Fords of Ghatmar - Turn 2")}}},
        {"GetGameResults", {{"nothing", none}}},
        {"NetStartBattle", {{"the battle and the guest's leaders", text("GHATMAR.SCN\n(Surendal,Melagor)")}}},
        {"NetBattleTitle", {{"the title", text("The Fords of Ghatmar")}}},
        {"SynchronizeGame", {{"what the machine did", text("viewing end of turn results")}}},
        {"CanAttemptMomentum", {{"the momentum", number(1)}}},
        {"26", {{"nothing", none}}},
        {"UnitRouted", {{"the routed unit", rout}}},
        {"UnitRallied", {{"the rallied unit", rout}}},
        {"UnitEliminated",
         {{"the fallen unit",
           [] {
               return (ContainerBase*)new Container<EliminateUnitData>(EliminateUnitData{1, 4, 2, 17});
           }}}},
        {"UnitLossSealed",
         {{"the leader whose fall is sealed",
           [] {
               return (ContainerBase*)new Container<EliminateUnitData>(
                   EliminateUnitData{3, 15, 0xFFFFFFFF, 40});
           }}}},
        {"UnitMovementDone", {{"the unit's number", unit(17)}}},
        {"SetPlayerInfo",
         {{"the player and his leaders",
           [] {
               return (ContainerBase*)new Container<PlyrInfo>(PlyrInfo{"Ann", "(Aristhon,Vaelmoric)"});
           }}}},
        {"PlayerDeleted", {{"the player", text("Bob")}}},
        {"LeaderActivated", {{"the leader", text("Aristhon")}}},
        {"CombatDone", {{"nothing", none}}},
        {"AddCommentary", {{"a line", text("\\BSurendal\\b is now giving orders.  Please wait...")}}},
        {"RemoveAllBattleArrows", {{"nothing", none}}},
        {"ChatMessage", {{"a line", text("Ann: hold the ford")}}},
        {"27",
         {{"a walk",
           [] {
               return shown(7, new Container<List<short>>(listOf({1204, 1404})), 1404,
                            BusMessage(LOGICAL_OBJECT_MOVED), "MovementDone",
                            new Container<MoveReturnStruct>(MoveReturnStruct{2, 7}));
           }},
          {"a withdrawal's walk",
           [] {
               return shown(8, new Container<List<short>>(listOf({1205, 1005})), 1005,
                            BusMessage(LOGICAL_OBJECT_MOVED), "OWMovementDone", new Container<short>(8));
           }},
          {"a turn",
           [] {
               return shown(7, new Container<DIRECTION>(NorthEast), 0, BusMessage(CHANGE_UNIT_FACING),
                            "ChangeFacingDone", new Container<short>(0));
           }},
          {"an about face",
           [] {
               return shown(9, new Container<unsigned char>(0), 0, named("AboutFace"), "AboutFaceDone",
                            new Container<short>(0));
           }},
          {"a volley",
           [] {
               return shown(7, new Container<short>(2), 1604, named("MissileFire"), "ReturnFromMissileFire",
                            new Container<MissileDebrisStruct>(MissileDebrisStruct{1604, 1, 7}));
           }},
          {"a rout",
           [] {
               return shown(31, new Container<List<short>>(listOf({1604, 1804})), 1804, named("TerminalRout"),
                            "RoutingDone", new Container<short>(31));
           }},
          {"an elephant's rampage",
           [] {
               return shown(12, new Container<List<short>>(listOf({806, 807, 808})), 0,
                            named("ElephantRampage"), "DoneRampaging", new Container<short>(12));
           }}}},
        {"UnitCombat", {{"a shock combat", combat}}},
    };
}

std::string rowName(const RelayRow& row) {
    return row.name ? row.name : std::to_string(row.number);
}

// Socket events go to their sockets, as the program's loop hands them.
void pump(platform::HeadlessPlatform& os) {
    platform::Event e;
    while (os.pollEvent(e))
        if (e.kind == platform::EventKind::SocketReady) os.serviceSocket(e);
}

TEST(RelayLink, EveryRelayedPayloadCrossesARealLinkWhole) {
    test::TestApplication app;
    platform::HeadlessPlatform os;
    VaelNetComponent net;
    net.attach(app);
    auto [here, there] = comm::TcpLink::pair(os);
    ASSERT_TRUE(here && there);
    net.setPeer(std::make_unique<comm::NetPeer>(std::move(here),
                                                comm::Greeting{comm::ProtocolVersion, "1", "Ann", 1}),
                true);
    comm::NetPeer other(std::move(there), comm::Greeting{comm::ProtocolVersion, "1", "Bob", 0});
    std::vector<std::vector<comm::ReceivedMessage>> arrived;
    other.onBatch = [&arrived](std::vector<comm::ReceivedMessage>& batch) {
        arrived.push_back(std::move(batch));
    };
    std::string lost;
    other.onLost = [&lost](const std::string& why) { lost = why; };
    net.peer()->start();
    other.start();
    for (int i = 0; i < 500 && !(other.greeted() && net.peer()->greeted()); ++i)
        pump(os), ::usleep(1000);
    ASSERT_TRUE(other.greeted() && net.peer()->greeted());

    std::map<std::string, std::vector<Sample>> table = samples();
    int sent = 0;
    for (const RelayRow& row : relayTable()) {
        if (row.way == RelayWay::ByState) continue;
        const std::string name = rowName(row);
        SCOPED_TRACE(name);
        const auto found = table.find(name);
        if (found == table.end()) {
            ADD_FAILURE() << "the relay passes " << name << " but no payload of it is tried here";
            continue;
        }
        // The side that writes the message: the host, unless only the others do.
        net.setPlaying(true, relaysOut(row, true));
        for (const Sample& sample : found->second) {
            SCOPED_TRACE(sample.what);
            const std::unique_ptr<ContainerBase> payload(sample.make());
            const BusMessage event = row.name ? named(row.name) : BusMessage(row.number);
            arrived.clear();
            app.send(event, payload.get());
            app.drainQueue();
            for (int i = 0; i < 500 && arrived.empty() && lost.empty(); ++i)
                pump(os), ::usleep(1000);
            ASSERT_EQ(arrived.size(), 1u) << lost;
            ASSERT_EQ(arrived[0].size(), 1u);
            const comm::ReceivedMessage& got = arrived[0][0];
            EXPECT_EQ(got.event.id(), event.id());
            EXPECT_EQ(got.event.mode(), BusMessage::Send);
            // The other machine gets what was sent, but a display command without the reply that only the
            // acting machine's rules wait for; the reply's payload goes with it untouched.
            std::unique_ptr<ContainerBase> expected(payload ? payload->clone() : nullptr);
            if (auto* command = dynamic_cast<Container<LogicalCommandInfo>*>(expected.get());
                command && row.display)
                command->valuePtr()->replyEvent = BusMessage();
            std::string want, have, error;
            ASSERT_TRUE(comm::encodeMessage(got.event, expected.get(), want, error)) << error;
            ASSERT_TRUE(comm::encodeMessage(got.event, got.data.get(), have, error)) << error;
            EXPECT_EQ(have, want);
            // Written by the same writer, a box dropped on the way would match above: the boxes inside a
            // command must each arrive, of their own type.
            if (const auto* sentCommand = dynamic_cast<const Container<LogicalCommandInfo>*>(payload.get())) {
                const auto* gotCommand = dynamic_cast<const Container<LogicalCommandInfo>*>(got.data.get());
                ASSERT_NE(gotCommand, nullptr);
                const LogicalCommandInfo &a = *sentCommand->valuePtr(), &b = *gotCommand->valuePtr();
                const auto typeOf = [](const std::unique_ptr<ContainerBase>& box) {
                    return box ? box->typeName() : std::string("nothing");
                };
                EXPECT_EQ(typeOf(b.payload), typeOf(a.payload));
                EXPECT_EQ(typeOf(b.extra), typeOf(a.extra));
            }
            ++sent;
        }
        table.erase(found);
    }
    for (const auto& [name, unused] : table)
        ADD_FAILURE() << name << " is tried here but the relay does not pass it";
    EXPECT_EQ(sent, 38);
    EXPECT_TRUE(app.boxes.empty()) << app.boxes.front().text;
    EXPECT_EQ(lost, "");
    net.setPeer(nullptr, false);
    net.detach();
}

// A walk's reply arrives with the kind and the unit the rules gave it, as six bytes of its own.
TEST(RelayLink, AWalksReplyTravelsAsItsSixBytes) {
    registerNetPayloadTypes();
    SuperString s;
    s << MoveReturnStruct{1, 0x0102};
    EXPECT_EQ(s.str(), std::string("\x01\0\0\0\x02\x01", 6));
    MoveReturnStruct back;
    s >> back;
    EXPECT_FALSE(s.failed());
    EXPECT_EQ(back.kind, 1u);
    EXPECT_EQ(back.unitNumber, 0x0102);
    SuperString cut;
    cut.write("\x01\0\0\0\x02", 5);
    cut >> back;
    EXPECT_TRUE(cut.failed()) << "five bytes are one short";
}

// A box inside a message that no record can write is reported in the message box once, and the message
// fails with the reason rather than reach the other machine with a stream cut short.
TEST(RelayLink, ABoxWithoutARecordIsReportedOnceAndFailsTheMessage) {
    test::TestApplication app;
    Container<LogicalCommandInfo> command(LogicalCommandInfo(
        7, nullptr, 0, BusMessage(LOGICAL_OBJECT_MOVED), BusMessage(), new Container<OWStruct>(OWStruct{})));
    std::string payload, error;
    EXPECT_FALSE(comm::encodeMessage(BusMessage(LOGICAL_COMMAND), &command, payload, error));
    EXPECT_EQ(error, "Error: OWStruct is not a registered class and cannot be sent to a remote machine.");
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].text, "Error: OWStruct is not a registered class and cannot be sent to a remote machine.");
    EXPECT_EQ(app.boxes[0].title, "Error");
    // The same command with a box that has its record goes.
    Container<LogicalCommandInfo> fine(LogicalCommandInfo(7, nullptr, 0, BusMessage(LOGICAL_OBJECT_MOVED),
                                                          BusMessage(), new Container<short>(7)));
    EXPECT_TRUE(comm::encodeMessage(BusMessage(LOGICAL_COMMAND), &fine, payload, error)) << error;
}

} // namespace
} // namespace vael
