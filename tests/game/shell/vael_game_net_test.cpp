// The Multiplayer road on the headless platform with the forged data (after the application's own tests,
// which want no game run before them in the program): the network dialogs' answers, and a
// machine that hosts or joins a battle with a stand-in for the other machine on a socket of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "framework/core/list_walk.h"
#include "framework/core/registered_message.h"
#include "framework/ui/menu.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_chat.h"
#include "game/net/net_dialogs.h"
#include "game/net/net_payloads.h"
#include "game/net/vael_net_component.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/forged_battle_data.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/shell_message_names.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "framework/core/version.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using Lines = std::vector<std::string>;

constexpr auto press = &clickOn;

std::string firstLine(Dialog& d) {
    TextTile* tile = d.textTile(InformationDlg::IdLine1);
    return tile ? tile->text() : std::string();
}

// The other machine, played by the test on a platform of its own.
struct Stand {
    platform::HeadlessPlatform os;
    std::unique_ptr<comm::NetPeer> peer;
    std::vector<Lines> batches;
    bool greeted = false;
    std::string lost;
    void adopt(std::unique_ptr<comm::TcpLink> link, const char* player, bool host) {
        peer = std::make_unique<comm::NetPeer>(
            std::move(link),
            comm::Greeting{comm::ProtocolVersion, VaelVersion, player, std::uint16_t(host ? 1 : 0)});
        peer->onGreeted = [this](const comm::Greeting&) { greeted = true; };
        peer->onLost = [this](const std::string& why) { lost = why; };
        peer->onBatch = [this](std::vector<comm::ReceivedMessage>& batch) {
            Lines names;
            for (auto& m : batch) {
                // Nobody here takes the elite initiative: the host waits for that answer.
                if (m.event.mode() == BusMessage::Query &&
                    RegisteredMessage::nameOf(std::uint16_t(m.event.id())) == "EliteInitiative") {
                    std::string payload, error;
                    EXPECT_TRUE(comm::encodeMessage(
                        BusMessage(RegisteredMessage::getId("NetAnswer"), BusMessage::Send), nullptr, payload,
                        error));
                    EXPECT_TRUE(peer->sendBatch({payload}, error)) << error;
                }
                std::string text;
                Container<std::string>::fromMessage(m.data.get(), text);
                names.push_back(RegisteredMessage::nameOf(std::uint16_t(m.event.id())) +
                                (text.empty() ? "" : " " + text));
            }
            batches.push_back(names);
        };
        peer->start();
    }
    void pump() {
        platform::Event e;
        while (os.pollEvent(e))
            if (e.kind == platform::EventKind::SocketReady) os.serviceSocket(e);
    }
    bool heard(const std::string& line) const {
        for (const Lines& b : batches)
            for (const std::string& l : b)
                if (l == line) return true;
        return false;
    }
    // A named word with a text to the machine under test.
    void say(const char* name, const std::string& text) {
        Container<std::string> box(text);
        std::string payload, error;
        ASSERT_TRUE(comm::encodeMessage(BusMessage(RegisteredMessage::getId(name), BusMessage::Send), &box,
                                        payload, error))
            << error;
        ASSERT_TRUE(peer->sendBatch({payload}, error)) << error;
    }
};

// The other machine as the host: it listens on a port of its own and takes the first caller as Ann.
struct HostStand : Stand {
    comm::TcpListener listener{os};
    HostStand() {
        std::string error;
        EXPECT_TRUE(listener.listen(0, error)) << error;
        listener.onAccept = [this](std::unique_ptr<comm::TcpLink> link) {
            adopt(std::move(link), "Ann", true);
        };
    }
    // Waits for the caller (and its greeting when asked), sleeping between looks.
    void awaitCaller(bool greeting) {
        for (int i = 0; i < 200 && !(greeting ? greeted : peer != nullptr); ++i)
            pump(), ::usleep(1000);
    }
};

// A port free a moment ago.
std::uint16_t freePort() {
    platform::HeadlessPlatform os;
    comm::TcpListener probe(os);
    std::string error;
    if (!probe.listen(0, error)) ADD_FAILURE() << error;
    return probe.port();
}

// While the host waits for the other machine's answer, the test's stand-in goes on too; the host waits no
// more once it has gone.
class GuestGoesOn {
public:
    GuestGoesOn(VaelGame& game, Stand& guest) : net_(game.app().net()) {
        net_.waitStep = [&game, &guest, this] {
            guest.pump();
            if (!game.app().messageWaiting()) ::usleep(500);
            game.app().pumpMessage();
            return ++waits_ < 20000;
        };
    }
    ~GuestGoesOn() { net_.waitStep = nullptr; }
    GuestGoesOn(const GuestGoesOn&) = delete;
    GuestGoesOn& operator=(const GuestGoesOn&) = delete;

private:
    VaelNetComponent& net_;
    int waits_ = 0;
};

// The machine under test: a game on the headless platform, with a home of its own, from the build's data
// or from a data set whose only battle is the one named.
class NetMachine : public ::testing::Test {
protected:
    explicit NetMachine(const char* folder, const char* battle = nullptr)
        : dir(folder), home(dir.path().string()),
          data(battle ? forgedBattleData(dir, std::string(battle) + ".txt", battle) : VAEL_BUILD_DATA_DIR),
          game(os, data) {}
    void SetUp() override { ASSERT_TRUE(game.ready()); }

    // Runs the game's messages and the stand-ins' sockets until done, at most tries rounds.
    void pumpUntil(int tries, const std::function<bool()>& done, std::initializer_list<Stand*> others) {
        for (int i = 0; i < tries && !done(); ++i) {
            for (Stand* s : others)
                s->pump();
            if (!game.app().messageWaiting()) ::usleep(500);
            game.app().pumpMessage();
        }
    }
    // The host's dialog filled in as Ann on the port, and Next taken.
    void hostAs(Dialog& d, std::uint16_t port) {
        d.setItemText(StartServerDlg::IdPort, std::to_string(port));
        d.setItemText(StartServerDlg::IdName, "Ann");
        clickOn(os, d, Dialog::IdOk);
    }
    // The stand-in calls the waiting room as Bob and is taken in with his greeting.
    void bobCalls(Stand& guest, std::uint16_t port) {
        std::string error;
        auto link = comm::TcpLink::connect(guest.os, "127.0.0.1", port, error);
        ASSERT_TRUE(link) << error;
        guest.adopt(std::move(link), "Bob", false);
        VaelNetComponent& net = game.app().net();
        pumpUntil(4000, [&] { return net.peer() && net.peer()->greeted(); }, {&guest});
    }
    // Opens a modal dialog whose appearance goes to the game's onDialog, as the game's own would.
    template <class D> std::int32_t runModal(D& dialog) {
        dialog.attach(game.app());
        return dialog.create(D::TemplateName, Dialog::Modal);
    }
    auto relay() {
        return [this](Dialog& d, const std::string& n) { game.onDialog(d, n); };
    }
    // Opens the dialog: `fill` fills it in and Next is taken; the refusal that comes is closed, `mend` puts
    // the dialog right and Next is taken again. The first lines of the refusals, whole however the box
    // wraps them.
    template <class D>
    Lines refusedOnce(D& dialog, const std::function<void(Dialog&)>& fill,
                      const std::function<void(Dialog&)>& mend) {
        Lines said;
        Dialog* open = nullptr;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (name == D::TemplateName) {
                open = &d;
                fill(d);
                press(os, d, Dialog::IdOk);
            } else if (name == InformationDlg::TemplateName) {
                const auto* box = dynamic_cast<InformationDlg*>(&d);
                said.push_back(box && !box->lines().empty() ? box->lines().front() : firstLine(d));
                press(os, d, Dialog::IdOk);
                mend(*open);
                open->onCommand(Dialog::IdOk, 0);
            }
        };
        EXPECT_EQ(runModal(dialog), Dialog::IdOk);
        return said;
    }

    TempDir dir;
    DataHome home;
    std::string data;
    platform::HeadlessPlatform os;
    VaelGame game;
};

class NetGame : public NetMachine {
protected:
    NetGame() : NetMachine("netgame") {}
    Lines leadersOf(bool visitor) {
        VaelLogicalLayer probe("probe");
        registerUnitPrototypes(probe);
        Lines names;
        if (!probe.LoadScenario(ScenarioInfoStruct{10, "GHATMAR.SCN", "GHATMAR.SCN", 0})) return names;
        for (Leader* l : each(visitor ? probe.getVisitorLeaders() : probe.getHomeLeaders()))
            names.push_back(l->getName());
        return names;
    }
};

TEST(NetDialogs, APortIsANumberFrom1To65535) {
    struct Row {
        const char* text;
        bool port;
        std::uint16_t value;
    } rows[] = {{"5000", true, 5000}, {"1", true, 1},      {"65535", true, 65535},
                {"0", false, 0},      {"65536", false, 0}, {"", false, 0},
                {"50a", false, 0},    {"-1", false, 0},    {"123456", false, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        std::uint16_t port = 0;
        EXPECT_EQ(parsePort(r.text, port), r.port);
        if (r.port) {
            EXPECT_EQ(port, r.value);
        }
    }
}

TEST(NetDialogs, LeaderListsAreWrittenAndReadInParentheses) {
    EXPECT_EQ(NetChat::leaderList({"Rajavan", "Surendal"}), "(Rajavan,Surendal)");
    EXPECT_EQ(NetChat::leaderList({}), "()");
    EXPECT_EQ(NetChat::leadersOf("(Rajavan,Surendal)"), (Lines{"Rajavan", "Surendal"}));
    EXPECT_EQ(NetChat::leadersOf("()"), Lines{});
    EXPECT_EQ(NetChat::leadersOf("no list"), Lines{});
}

TEST_F(NetGame, TheServerDialogOffersPort5000AndRefusesAPortThatIsNone) {
    StartServerDlg dialog("Someone", relay());
    const Lines said = refusedOnce(
        dialog,
        [](Dialog& d) {
            EXPECT_EQ(d.getItemText(StartServerDlg::IdPort), "5000");
            d.setItemText(StartServerDlg::IdPort, "0");
        },
        // The player types a port that is one and takes Next again.
        [](Dialog& d) {
            d.setItemText(StartServerDlg::IdPort, "6001");
            d.setItemText(StartServerDlg::IdName, "Ann");
        });
    EXPECT_EQ(said, (Lines{"The port must be a number from 1 to 65535."}));
    EXPECT_EQ(dialog.port(), 6001);
    EXPECT_EQ(dialog.name(), "Ann");
}

TEST_F(NetGame, TheClientDialogOffersTheHostsPortAndWantsAHost) {
    StartClientDlg dialog("Bob", relay());
    const Lines said = refusedOnce(
        dialog, [](Dialog& d) { EXPECT_EQ(d.getItemText(StartClientDlg::IdPort), "5000"); },
        [](Dialog& d) { d.setItemText(StartClientDlg::IdServer, "127.0.0.1"); });
    EXPECT_EQ(said, (Lines{"Type the name of the host to join."}));
    EXPECT_EQ(dialog.server(), "127.0.0.1");
    EXPECT_EQ(dialog.port(), 5000);
    EXPECT_EQ(dialog.name(), "Bob");
}

TEST_F(NetGame, TheTemporaryDialogAnswersServerOrClient) {
    for (std::int16_t choice : {TempNetDlg::IdServer, TempNetDlg::IdClient}) {
        SCOPED_TRACE(choice);
        TempNetDlg dialog([&](Dialog& d, const std::string&) { press(os, d, choice); });
        dialog.attach(game.app());
        EXPECT_EQ(dialog.create(TempNetDlg::TemplateName, Dialog::Modal), choice);
    }
}

TEST_F(NetGame, TheChoiceOfLeadersKeepsWhatIsNotChangedAndTakesWhatIs) {
    NetChooseLeadersDlg dialog({"Vaelmoric", "Aristhon", "Tezhar"}, {"Ann", "Bob"}, {0, 0, 1},
                               [&](Dialog& d, const std::string&) {
                                   EXPECT_EQ(d.textTile(NetChooseLeadersDlg::IdFirstName + 1)
                                                 ? d.textTile(NetChooseLeadersDlg::IdFirstName + 1)->text()
                                                 : d.getItemText(NetChooseLeadersDlg::IdFirstName + 1),
                                             "Aristhon");
                                   EXPECT_FALSE(d.item(NetChooseLeadersDlg::IdFirstChoice + 3)->isVisible());
                                   d.item(NetChooseLeadersDlg::IdFirstChoice + 1)->select(1);
                                   press(os, d, Dialog::IdOk);
                               });
    dialog.attach(game.app());
    EXPECT_EQ(dialog.create(NetChooseLeadersDlg::TemplateName, Dialog::Modal), Dialog::IdOk);
    EXPECT_EQ(dialog.choices(), (std::vector<std::int32_t>{0, 1, 1}));
}

// The host: the other player logs on while the waiting room is open; the battle begins with the home
// leaders here and the visitor's on the other machine, which is told the scenario and its leaders.
TEST_F(NetGame, AHostWaitsForTheOtherPlayerAndBeginsTheBattle) {
    Stand guest;
    const std::uint16_t port = freePort();
    int refusals = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) {
            hostAs(d, port);
        } else if (name == ConnectNetDlg::TemplateName) {
            // The room takes Bob's call and greeting while it is open. Its server is named as the guest's
            // room names it, by the address a caller reaches: this machine's name, not the host's player.
            bobCalls(guest, port);
            EXPECT_EQ(static_cast<ConnectNetDlg&>(d).players(), (Lines{"Ann", "Bob"}));
            EXPECT_EQ(d.getItemText(ConnectNetDlg::IdServerName), comm::TcpListener::machineName());
            EXPECT_NE(d.getItemText(ConnectNetDlg::IdServerName), "Ann");
            press(os, d, Dialog::IdOk);
        } else if (name == InformationDlg::TemplateName &&
                   firstLine(d) == "No other player has logged on yet.") {
            ++refusals;
            press(os, d, Dialog::IdOk);
        } else {
            // The battle's own dialogs as it begins (the elite initiative of the player's leader).
            press(os, d, Dialog::IdOk);
        }
    };
    // While the host waits for the guest's answer, the test's guest goes on too.
    const GuestGoesOn going(game, guest);
    ASSERT_TRUE(game.hostNetworkGame());
    GameControl* control = game.app().gameControl();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->getPlayers(), 2);
    // Game control knew whose each leader is before the battle began: every leader is named with his
    // player, and so is the first one activated, whoever's answer came first.
    const Lines home = leadersOf(false), visitor = leadersOf(true);
    for (std::int16_t i = 0; i < control->getLeaderCount(); ++i) {
        const std::string& name = control->leaderAt(i).name;
        SCOPED_TRACE(name);
        const bool homes =
            std::ranges::any_of(home, [&](const std::string& h) { return name == h + " (Ann)"; });
        const bool visitors =
            std::ranges::any_of(visitor, [&](const std::string& v) { return name == v + " (Bob)"; });
        EXPECT_TRUE(homes || visitors);
    }
    std::string firstActive;
    for (const CommentaryLine& line : game.app().commentary().lines()) {
        std::string text;
        for (const CommentaryRun& run : line)
            text += run.text;
        if (firstActive.empty() && text.ends_with(" is now active.")) firstActive = text;
    }
    EXPECT_TRUE(firstActive.ends_with(" (Ann) is now active.")) << firstActive;
    const std::string word = "NetStartBattle " + findScenarios(game.app().dataPath(9)).front().fileName +
                             "\n" + NetChat::leaderList(leadersOf(true));
    pumpUntil(200, [&] { return guest.heard(word); }, {&guest});
    EXPECT_TRUE(guest.heard(word)) << (guest.batches.empty() ? std::string("no batch")
                                                             : guest.batches.front().front());
    EXPECT_TRUE(guest.greeted);
    for (const std::string& name : leadersOf(false))
        EXPECT_TRUE(game.app().logicalLayer().isLocalLeader(game.app().logicalLayer().findLeaderByName(name)))
            << name;
    for (const std::string& name : leadersOf(true))
        EXPECT_FALSE(
            game.app().logicalLayer().isLocalLeader(game.app().logicalLayer().findLeaderByName(name)))
            << name;
    EXPECT_EQ(refusals, 0);
}

// The guest: the host greets and gives the word; the battle is the host's scenario with the leaders the
// host gave, and this machine makes no game control.
TEST_F(NetGame, AGuestJoinsAndPlaysTheLeadersTheHostGaveIt) {
    HostStand host;
    const Lines visitors = leadersOf(true);
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartClientDlg::TemplateName) {
            d.setItemText(StartClientDlg::IdName, "Bob");
            d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
            d.setItemText(StartClientDlg::IdPort, std::to_string(host.listener.port()));
            press(os, d, Dialog::IdOk);
        } else if (name == ConnectNetDlg::TemplateName) {
            host.awaitCaller(false);
            ASSERT_TRUE(host.peer);
            host.say("NetStartBattle", "GHATMAR.SCN\n" + NetChat::leaderList(visitors));
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    ASSERT_TRUE(game.joinNetworkGame());
    EXPECT_EQ(game.app().gameControl(), nullptr);
    VaelLogicalLayer& layer = game.app().logicalLayer();
    for (const std::string& name : visitors)
        EXPECT_TRUE(layer.isLocalLeader(layer.findLeaderByName(name))) << name;
    for (const std::string& name : leadersOf(false))
        EXPECT_FALSE(layer.isLocalLeader(layer.findLeaderByName(name))) << name;
    // The guest tells the host whose leaders are its.
    pumpUntil(200, [&] { return !host.batches.empty(); }, {&host});
    EXPECT_TRUE(host.greeted);
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// The chat: the lines said so far, a line typed and sent, and the line that comes back from the bus.
TEST_F(NetGame, TheChatSendsWhatIsTypedAndShowsWhatComes) {
    NetChat chat;
    chat.setPlayerName("Ann");
    chat.attach(game.app().logicalLayer());
    Lines sent;
    NetChatDlg* open = nullptr;
    NetChatDlg dialog({"Bob: hello"}, [&](Dialog& d, const std::string&) {
        open = static_cast<NetChatDlg*>(&d);
        EXPECT_EQ(d.item(NetChatDlg::IdLines)->rowCount(), 1);
        d.setItemText(NetChatDlg::IdMessage, "the river is mine");
        press(os, d, NetChatDlg::IdSend);
        postKey(os, platform::KeyEscape);
    });
    dialog.onSend = [&](const std::string& text) {
        sent.push_back(text);
        chat.say(text);
    };
    std::int32_t rows = 0;
    chat.onLine = [&](const std::string& line) {
        if (!open) return;
        open->addLine(line);
        rows = open->item(NetChatDlg::IdLines)->rowCount();
    };
    dialog.attach(game.app());
    dialog.create(NetChatDlg::TemplateName, Dialog::Modal);
    EXPECT_EQ(sent, (Lines{"the river is mine"}));
    EXPECT_EQ(chat.lines(), (Lines{"Ann: the river is mine"}));
    EXPECT_EQ(rows, 2);
    chat.detach();
}

// Whose leaders are whose reaches game control as "(name,name)", and a player who leaves is told by name.
TEST_F(NetGame, TheChatTellsGameControlWhoseLeadersAreWhoseAndWhoLeft) {
    NetChat chat;
    chat.setPlayerName("Bob");
    chat.attach(game.app().logicalLayer());
    static Lines lines;
    lines.clear();
    Probe heard("Ear");
    heard.setup = [&](Probe& p) {
        p.connectNamed("SetPlayerInfo", [](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
            PlyrInfo info;
            if (Container<PlyrInfo>::fromMessage(data, info))
                lines.push_back("SetPlayerInfo " + info.name + " " + info.leaders);
            return nullptr;
        });
        p.connectNamed("PlayerDeleted", [](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
            std::string name;
            Container<std::string>::fromMessage(data, name);
            lines.push_back("PlayerDeleted " + name);
            return nullptr;
        });
    };
    heard.attach(game.app().logicalLayer());
    chat.announceLeaders({"Rajavan", "Surendal"});
    chat.leave();
    game.app().drainQueue();
    EXPECT_EQ(lines, (Lines{"SetPlayerInfo Bob (Rajavan,Surendal)", "PlayerDeleted Bob"}));
    heard.detach();
    chat.detach();
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// A data set whose only battle is the tests' skirmish, not the demonstration battle: what the host chose
// is what both machines fight.
class NetGameChosen : public NetMachine {
protected:
    NetGameChosen() : NetMachine("netchosen", "skirmish.scn") {}
    static constexpr const char* Title = "The Skirmish at the Ridge";
};

// The host chooses the battle in the Choose Scenario dialog and plays it. A caller who never greets takes
// no place: the player who greets after it logs on, is told the battle's title, and shows in the list of
// both; a third who greets is turned away.
TEST_F(NetGameChosen, TheHostPlaysTheBattleItChoseWithThePlayerWhoGreets) {
    Stand guest, late;
    const std::uint16_t port = freePort();
    Lines shown;
    std::unique_ptr<comm::TcpLink> silent;
    std::string silentTold;
    std::int32_t rowsShown = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartServerDlg::TemplateName) {
            d.setItemText(StartServerDlg::IdPort, std::to_string(port));
            d.setItemText(StartServerDlg::IdName, "Ann");
            press(os, d, Dialog::IdOk);
        } else if (name == ConnectNetDlg::TemplateName) {
            auto& room = static_cast<ConnectNetDlg&>(d);
            EXPECT_EQ(d.getItemText(ConnectNetDlg::IdScenario), Title);
            std::string error;
            // The silent caller first: connected, it never says a word.
            silent = comm::TcpLink::connect(guest.os, "127.0.0.1", port, error);
            ASSERT_TRUE(silent) << error;
            silent->onFrame = [&silentTold](comm::Frame& f) {
                std::string why, problem;
                if (f.kind == comm::FrameKind::Refusal && comm::decodeRefusal(f.payload, why, problem))
                    silentTold = why;
            };
            pumpUntil(50, [] { return false; }, {});
            auto link = comm::TcpLink::connect(guest.os, "127.0.0.1", port, error);
            ASSERT_TRUE(link) << error;
            guest.adopt(std::move(link), "Bob", false);
            VaelNetComponent& net = game.app().net();
            pumpUntil(4000,
                      [&] {
                          return net.peer() && net.peer()->greeted() &&
                                 guest.heard(std::string("NetBattleTitle ") + Title);
                      },
                      {&guest});
            EXPECT_EQ(room.players(), (Lines{"Ann", "Bob"}));
            rowsShown = d.item(ConnectNetDlg::IdPlayers)->rowCount();
            // A third player greets once Bob has the place.
            auto third = comm::TcpLink::connect(late.os, "127.0.0.1", port, error);
            ASSERT_TRUE(third) << error;
            late.adopt(std::move(third), "Cyd", false);
            pumpUntil(4000, [&] { return !late.lost.empty(); }, {&late, &guest});
            EXPECT_EQ(late.lost, "the other machine refused: the battle has its players already");
            EXPECT_EQ(room.players(), (Lines{"Ann", "Bob"}));
            press(os, d, Dialog::IdOk);
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    const GuestGoesOn going(game, guest);
    ASSERT_TRUE(game.hostNetworkGame());
    // The silent caller is sent away with the reason as soon as the battle has its players, not left to
    // hang on the line.
    pumpUntil(4000, [&] { return !silentTold.empty(); }, {&guest});
    EXPECT_EQ(silentTold, "the battle has its players already");
    EXPECT_EQ(rowsShown, 2);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[1], ScenarioDlg::TemplateName) << "the host chooses the battle after naming itself";
    EXPECT_TRUE(guest.heard(std::string("NetBattleTitle ") + Title));
    pumpUntil(200, [&] { return guest.batches.size() >= 2; }, {&guest});
    bool told = false;
    for (const Lines& b : guest.batches)
        for (const std::string& l : b)
            told = told || l.rfind("NetStartBattle skirmish.scn\n(", 0) == 0;
    EXPECT_TRUE(told) << "the guest is told to load the chosen battle";
    EXPECT_NE(game.app().logicalLayer().findCombatUnitByName("Ridge Bowmen 1"), nullptr);
    EXPECT_EQ(game.app().logicalLayer().findCombatUnitByName("Taxis of Orvael"), nullptr)
        << "the demonstration battle's phalanx is no part of the skirmish";
}

// The chat goes on into the battle: the battle window's Window menu offers Player Chat, its keys (Ctrl+T)
// open the "Player Chat" window with what was said in the room, a line sent there reaches the other
// machine, and the other machine's line shows in it.
TEST_F(NetGameChosen, PlayerChatOpensInTheBattleByItsKeysAndCarriesLinesBothWays) {
    Stand guest;
    const std::uint16_t port = freePort();
    NetChatDlg* chat = nullptr;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) {
            hostAs(d, port);
        } else if (name == ConnectNetDlg::TemplateName) {
            bobCalls(guest, port);
            guest.say("ChatMessage", "Bob: ready when you are");
            pumpUntil(4000,
                      [&] {
                          return !static_cast<ConnectNetDlg&>(d).messages().empty() &&
                                 static_cast<ConnectNetDlg&>(d).messages().back() ==
                                     "Bob: ready when you are";
                      },
                      {&guest});
            press(os, d, Dialog::IdOk);
        } else if (name == NetChatDlg::TemplateName) {
            chat = static_cast<NetChatDlg*>(&d);
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    {
        const GuestGoesOn going(game, guest);
        ASSERT_TRUE(game.hostNetworkGame());
    }
    VaelMapWindow* map = mapWindow(game.app());
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->menu(), nullptr);
    EXPECT_TRUE(map->menu()->isNotGrayed(VaelGame::PlayerChatCommand)) << "the item is offered in the battle";
    postKey(os, 'T', platform::ModControl);
    pumpUntil(400, [&] { return chat != nullptr; }, {&guest});
    ASSERT_NE(chat, nullptr) << "Ctrl+T opened no chat window";
    DialogItemWindow* lines = chat->item(NetChatDlg::IdLines);
    ASSERT_EQ(lines->rowCount(), 1);
    EXPECT_EQ(lines->row(0)->text, "Bob: ready when you are");
    chat->setItemText(NetChatDlg::IdMessage, "hold the ford");
    press(os, *chat, NetChatDlg::IdSend);
    pumpUntil(4000, [&] { return guest.heard("ChatMessage Ann: hold the ford"); }, {&guest});
    EXPECT_TRUE(guest.heard("ChatMessage Ann: hold the ford"));
    guest.say("ChatMessage", "Bob: the ridge is ours");
    pumpUntil(4000, [&] { return lines->rowCount() == 3; }, {&guest});
    ASSERT_EQ(lines->rowCount(), 3);
    EXPECT_EQ(lines->row(1)->text, "Ann: hold the ford");
    EXPECT_EQ(lines->row(2)->text, "Bob: the ridge is ours");
    // The keys again bring the open window forward rather than opening a second.
    NetChatDlg* first = chat;
    chat = nullptr;
    postKey(os, 'T', platform::ModControl);
    pumpUntil(50, [] { return false; }, {&guest});
    EXPECT_EQ(chat, nullptr);
    EXPECT_EQ(game.chatWindow(), first);
    EXPECT_TRUE(first->isOpen());
}

// Outside a network battle there is nobody to talk to: the item stays greyed and its keys open nothing.
TEST_F(NetGameChosen, PlayerChatIsNotOfferedInABattleAgainstTheComputer) {
    Lines shown;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        press(os, d, Dialog::IdOk);
    };
    ASSERT_TRUE(game.chooseAndStartBattle());
    VaelMapWindow* map = mapWindow(game.app());
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->menu()->isGrayed(VaelGame::PlayerChatCommand));
    shown.clear();
    postKey(os, 'T', platform::ModControl);
    pumpUntil(50, [] { return false; }, {});
    EXPECT_EQ(game.chatWindow(), nullptr);
    EXPECT_TRUE(shown.empty());
}

// The guest learns the battle's title while it waits, lists both players, and loads the battle the host
// names when it begins.
TEST_F(NetGameChosen, TheGuestIsToldTheTitleAndLoadsTheBattleTheHostNames) {
    HostStand host;
    std::string titleShown;
    Lines players;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartClientDlg::TemplateName) {
            d.setItemText(StartClientDlg::IdName, "Bob");
            d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
            d.setItemText(StartClientDlg::IdPort, std::to_string(host.listener.port()));
            press(os, d, Dialog::IdOk);
        } else if (name == ConnectNetDlg::TemplateName) {
            auto& room = static_cast<ConnectNetDlg&>(d);
            host.awaitCaller(true);
            ASSERT_TRUE(host.peer);
            host.say("NetBattleTitle", Title);
            pumpUntil(4000, [&] { return room.scenarioName() == Title && room.players().size() >= 2; },
                      {&host});
            titleShown = d.getItemText(ConnectNetDlg::IdScenario);
            players = room.players();
            host.say("NetStartBattle", "skirmish.scn\n(Tezhar III)");
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    ASSERT_TRUE(game.joinNetworkGame());
    EXPECT_EQ(titleShown, Title);
    EXPECT_EQ(players, (Lines{"Bob", "Ann"}));
    EXPECT_NE(game.app().logicalLayer().findCombatUnitByName("Ridge Bowmen 1"), nullptr);
}

// A battle that cannot be loaded is told before the host listens: nobody is asked to join it.
TEST_F(NetGameChosen, AHostWhoseBattleDoesNotLoadSaysSoBeforeListening) {
    FailedChecks checks;
    namespace fs = std::filesystem;
    // The skirmish's map goes: its scenario still reads, its battle no longer loads.
    for (const fs::directory_entry& entry : fs::directory_iterator(data)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (name == "ghatmar.map") fs::remove(entry.path());
    }
    Lines shown, told;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == InformationDlg::TemplateName)
            for (std::int16_t id : {InformationDlg::IdLine1, InformationDlg::IdLine2})
                told.push_back(d.textTile(id) ? d.textTile(id)->text() : "");
        press(os, d, Dialog::IdOk);
    };
    EXPECT_FALSE(game.hostNetworkGame());
    EXPECT_EQ(shown,
              (Lines{StartServerDlg::TemplateName, ScenarioDlg::TemplateName, InformationDlg::TemplateName}));
    EXPECT_EQ(told, (Lines{"Cannot host a battle:", "the battle skirmish.scn cannot be loaded"}));
}

// The names the dialogs take are those a greeting carries: 64 bytes go, 65 are refused with the reason and
// the dialog stays open for a shorter one.
TEST_F(NetGame, TheDialogsRefuseANameLongerThanAGreetingCarries) {
    const auto tooLong = [](Dialog& d) { d.setItemText(StartServerDlg::IdName, std::string(65, 'n')); };
    const auto longest = [](Dialog& d) { d.setItemText(StartServerDlg::IdName, std::string(64, 'n')); };
    const Lines refused{"Your name has 65 letters: a name can have at most 64, an accented letter counting as "
                        "two (a letter of another script as three or four)."};
    {
        SCOPED_TRACE("host");
        StartServerDlg dialog("Someone", relay());
        EXPECT_EQ(refusedOnce(dialog, tooLong, longest), refused);
        EXPECT_EQ(dialog.name(), std::string(64, 'n'));
    }
    {
        SCOPED_TRACE("guest");
        StartClientDlg dialog("Someone", relay());
        const auto tooLongToAHost = [&](Dialog& d) {
            tooLong(d);
            d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
        };
        EXPECT_EQ(refusedOnce(dialog, tooLongToAHost, longest), refused);
        EXPECT_EQ(dialog.name(), std::string(64, 'n'));
    }
    {
        // 33 letters a player counts, 66 bytes: he is told what they count as.
        SCOPED_TRACE("host, 33 accented letters");
        std::string umlauts;
        for (int i = 0; i < 33; ++i)
            umlauts += "\xC3\xA4";
        StartServerDlg dialog("Someone", relay());
        EXPECT_EQ(refusedOnce(
                      dialog, [&](Dialog& d) { d.setItemText(StartServerDlg::IdName, umlauts); }, longest),
                  (Lines{"Your name has 33 letters, which count as 66: a name can have at most 64, an accented "
                         "letter counting as two (a letter of another script as three or four)."}));
    }
}

// Reject on the host's own row of the waiting room sends nobody away and says why, with the way out; on
// the guest's row it rejects the guest. Before, Reject on his own row did nothing and said nothing.
TEST_F(NetGame, RejectOnTheHostsOwnRowRefusesWithAWord) {
    const struct {
        const char* what;
        std::int32_t row;
        Lines said;
        Lines rejected;
    } rows[] = {
        {"the host's own row", 0, {"You cannot reject yourself: Cancel leaves the waiting room."}, {}},
        {"the guest's row", 1, {}, {"Bob"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Lines said, rejected;
        ConnectNetDlg room("Ann", "Ann", "", true, relay());
        room.addPlayer("Ann");
        room.addPlayer("Bob");
        room.onReject = [&](const std::string& player) { rejected.push_back(player); };
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (name == ConnectNetDlg::TemplateName) {
                d.item(ConnectNetDlg::IdPlayers)->select(r.row);
                d.command(ConnectNetDlg::IdReject, 0);
                return press(os, d, Dialog::IdCancel);
            }
            said.push_back(dynamic_cast<InformationDlg&>(d).lines().front());
            press(os, d, Dialog::IdOk);
        };
        runModal(room);
        EXPECT_EQ(said, r.said);
        EXPECT_EQ(rejected, r.rejected);
    }
}

// The chat keeps the last 300 lines: the 301st line lets the first go, in the chat, the waiting room and
// the chat dialog's list alike.
TEST_F(NetGame, TheChatKeepsTheLast300Lines) {
    NetChat chat;
    chat.attach(game.app().logicalLayer());
    ConnectNetDlg room("Ann", "Ann", "", true);
    for (int i = 1; i <= 300; ++i) {
        Container<std::string> line("line " + std::to_string(i));
        game.app().sendNamed("ChatMessage", &line);
        room.addMessage("line " + std::to_string(i));
    }
    game.app().drainQueue();
    ASSERT_EQ(chat.lines().size(), 300u);
    EXPECT_EQ(chat.lines().front(), "line 1");
    EXPECT_EQ(room.messages().size(), 300u);
    Container<std::string> line("line 301");
    game.app().sendNamed("ChatMessage", &line);
    game.app().drainQueue();
    room.addMessage("line 301");
    ASSERT_EQ(chat.lines().size(), 300u);
    EXPECT_EQ(chat.lines().front(), "line 2");
    EXPECT_EQ(chat.lines().back(), "line 301");
    EXPECT_EQ(room.messages().size(), 300u);
    EXPECT_EQ(room.messages().front(), "line 2");
    chat.detach();

    std::int32_t rows = 0;
    std::string first;
    NetChatDlg dialog(chat.lines(), [&](Dialog& d, const std::string&) {
        static_cast<NetChatDlg&>(d).addLine("line 302");
        rows = d.item(NetChatDlg::IdLines)->rowCount();
        first = d.item(NetChatDlg::IdLines)->row(0)->text;
        postKey(os, platform::KeyEscape);
    });
    dialog.attach(game.app());
    dialog.create(NetChatDlg::TemplateName, Dialog::Modal);
    EXPECT_EQ(rows, 300);
    EXPECT_EQ(first, "line 3");
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// What the player meets in the waiting room and as the guest of a battle, by clicks on the headless platform.
class NetPlayer : public NetGame {
protected:
    std::string status(std::int16_t pane) { return game.frame().statusBar()->text(pane); }
    // The rows the room's messages field shows, the hidden ones above included.
    static Lines shownMessages(Dialog& room) {
        Lines rows;
        DialogItemWindow* field = room.item(ConnectNetDlg::IdMessages);
        for (std::int32_t i = 0; field && i < field->rowCount(); ++i)
            rows.push_back(field->row(i)->text);
        return rows;
    }
    // The guest in the battle leaves it as `leave` does: the lines of the question he is asked, answered
    // Cancel; he must still be in the battle then.
    Lines guestAskedOnLeaving(const std::function<void()>& leave) {
        HostStand host;
        Lines asked;
        joinAsBob(host, [&](Dialog& d, const std::string&) {
            if (const auto* box = dynamic_cast<InformationDlg*>(&d)) asked = box->lines();
            press(os, d, Dialog::IdCancel);
        });
        leave();
        pumpUntil(400, [&] { return !asked.empty(); }, {&host});
        EXPECT_TRUE(game.app().inBattle());
        return asked;
    }
    // The guest's road as Bob to the test's host, whose word begins the demonstration battle with the
    // visitor's leaders here; then `next` takes the dialogs that come.
    void joinAsBob(HostStand& host, std::function<void(Dialog&, const std::string&)> next) {
        game.onDialog = [this, &host, next](Dialog& d, const std::string& name) {
            if (name == StartClientDlg::TemplateName) {
                d.setItemText(StartClientDlg::IdName, "Bob");
                d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
                d.setItemText(StartClientDlg::IdPort, std::to_string(host.listener.port()));
                press(os, d, Dialog::IdOk);
            } else if (name == ConnectNetDlg::TemplateName) {
                host.awaitCaller(true);
                ASSERT_TRUE(host.peer);
                host.say("NetStartBattle", "GHATMAR.SCN\n" + NetChat::leaderList(leadersOf(true)));
            } else if (next) {
                next(d, name);
            } else {
                press(os, d, Dialog::IdOk);
            }
        };
        ASSERT_TRUE(game.joinNetworkGame());
        ASSERT_TRUE(game.app().inBattle());
    }
    // Silent at 2999 milliseconds of waiting from now, the guest names the host's player at 3000.
    void saysItWaitsOnAnnAfterThreeSeconds(VaelNetComponent& net) {
        const std::uint32_t at = os.tickCount();
        net.lookAtWaiting(at);
        net.lookAtWaiting(at + 2999);
        EXPECT_EQ(net.waitingText(), "");
        net.lookAtWaiting(at + 3000);
        EXPECT_EQ(net.waitingText(), "Waiting for Ann...");
    }
    // The other machine's player leaves while a question stands here: "answered for him" when the loss
    // closes it, else "still asked" and the player answers it himself.
    void otherLeavesWhileAsked(Stand& other, Dialog& question, Lines& met, std::int16_t ownAnswer) {
        met.push_back("asked");
        other.peer->leave();
        pumpUntil(4000, [&] { return !question.isOpen(); }, {&other});
        met.push_back(question.isOpen() ? "still asked" : "answered for him");
        if (question.isOpen()) press(os, question, ownAnswer);
    }
    // A click in the middle of the tool bar's button, counted from the left.
    void clickToolbarButton(int which) {
        const auto* bar = dynamic_cast<VaelToolbar*>(game.frame().toolbar());
        ASSERT_NE(bar, nullptr);
        std::int32_t x = 0;
        Item<Button*>* b = nullptr;
        int index = 0;
        for (bar->buttons().firstItem(b); b && index < which; b = b->next, ++index)
            x += b->value->imageSize().w;
        ASSERT_NE(b, nullptr);
        const platform::Rect client = WindowManager::instance().clientOnScreen(bar->hwnd());
        clickAt(os, Point(static_cast<std::int16_t>(client.x + x + b->value->imageSize().w / 2),
                          static_cast<std::int16_t>(client.y + bar->barHeight() / 2)));
    }
    // The frame's menu bar: a click on a title, the pull-down awaited, then a click on its entry.
    void chooseFromMenu(std::size_t title, std::size_t entry, std::initializer_list<Stand*> others) {
        const MenuTracker* tracker = game.frame().menuTracker();
        ASSERT_NE(tracker, nullptr);
        const platform::Rect outer = WindowManager::instance().outerOnScreen(game.frame().hwnd());
        const Box t = tracker->titleBox(title);
        clickAt(os, Point(static_cast<std::int16_t>(outer.x + t.x + t.w / 2),
                          static_cast<std::int16_t>(outer.y + t.y + t.h / 2)));
        pumpUntil(
            400, [&] { return tracker->openTitle() == static_cast<int>(title); }, others);
        ASSERT_EQ(tracker->openTitle(), static_cast<int>(title));
        const Box e = tracker->entryBox(0, entry);
        clickAt(os, Point(static_cast<std::int16_t>(outer.x + e.x + e.w / 2),
                          static_cast<std::int16_t>(outer.y + e.y + e.h / 2)));
    }
};

// The waiting room shows the whole conversation, each line below the one before, as both players said
// them: Bob's greeting, his two lines and the host's reply between them. Before, each line replaced the
// one before it.
TEST_F(NetPlayer, TheWaitingRoomShowsEveryLineSaidThere) {
    Stand guest;
    const std::uint16_t port = freePort();
    Lines messages, rows;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) {
            hostAs(d, port);
        } else if (name == ConnectNetDlg::TemplateName) {
            auto& room = static_cast<ConnectNetDlg&>(d);
            bobCalls(guest, port);
            const auto come = [&](std::size_t n) {
                pumpUntil(4000, [&] { return room.messages().size() >= n; }, {&guest});
            };
            guest.say("ChatMessage", "Bob: hello");
            come(2);
            d.setItemText(ConnectNetDlg::IdMessage, "hello Bob");
            press(os, d, ConnectNetDlg::IdSend);
            come(3);
            guest.say("ChatMessage", "Bob: ready when you are");
            come(4);
            messages = room.messages();
            rows = shownMessages(d);
            press(os, d, Dialog::IdCancel);
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    EXPECT_FALSE(game.hostNetworkGame());
    const Lines said{"Bob has logged on.", "Bob: hello", "Ann: hello Bob", "Bob: ready when you are"};
    EXPECT_EQ(messages, said);
    EXPECT_EQ(rows, said);
}

// Callers the room cannot show as one line (a name with a line feed, a name of nothing), or that bear the
// host's own name, are turned away with the reason and take no place; Bob, who greets after them, logs on.
// A chat line with a line feed shows escaped on its one row. Before, the first caller took the place and
// its name wrote "Ann: I give up has logged on." as a line of its own.
TEST_F(NetPlayer, TheWaitingRoomTurnsAwayNamesItCannotShowAndKeepsEachMessageToOneRow) {
    Stand forger, nameless, namesake, guest;
    const std::uint16_t port = freePort();
    Lines messages, rows, players;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) {
            hostAs(d, port);
        } else if (name == ConnectNetDlg::TemplateName) {
            auto& room = static_cast<ConnectNetDlg&>(d);
            const std::pair<Stand*, const char*> callers[] = {
                {&forger, "Bob\nAnn: I give up"}, {&nameless, ""}, {&namesake, "Ann"}};
            // Named, not bound: a lambda below takes the stand, and clang refuses to capture a binding.
            for (const auto& caller : callers) {
                Stand* stand = caller.first;
                const char* player = caller.second;
                std::string error;
                auto link = comm::TcpLink::connect(stand->os, "127.0.0.1", port, error);
                ASSERT_TRUE(link) << error;
                stand->adopt(std::move(link), player, false);
                pumpUntil(4000, [&] { return !stand->lost.empty(); }, {stand});
            }
            bobCalls(guest, port);
            guest.say("ChatMessage", "Bob: hello\nAnn: I give up");
            pumpUntil(4000, [&] { return room.messages().size() >= 2; }, {&guest});
            messages = room.messages();
            rows = shownMessages(d);
            players = room.players();
            press(os, d, Dialog::IdCancel);
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    EXPECT_FALSE(game.hostNetworkGame());
    EXPECT_EQ(forger.lost,
              R"(the other machine refused: refused the connection: the player's name "Bob\x0AAnn: I )"
              R"(give up" holds a control character)");
    EXPECT_EQ(nameless.lost, "the other machine refused: refused the connection: the player has no name");
    // The namesake may find it in the host's greeting before the host finds it in his.
    EXPECT_TRUE(namesake.lost.ends_with("refused the connection: both players are named Ann"))
        << namesake.lost;
    EXPECT_EQ(players, (Lines{"Ann", "Bob"}));
    const Lines said{"Bob has logged on.", R"(Bob: hello\x0AAnn: I give up)"};
    EXPECT_EQ(messages, said);
    EXPECT_EQ(rows, said);
}

// Cancel in the waiting room is a leave, told by name: the host's Cancel reaches the guest as its player's
// word of leaving, the guest's Cancel reaches the host so and shows in its room as "Bob left the waiting
// room.", and the host's room takes the next caller. Before, each side read "the other machine closed it
// without a word", as of a machine killed.
TEST_F(NetPlayer, ACancelInTheWaitingRoomIsToldToTheOtherPlayerAsALeaveByName) {
    {
        SCOPED_TRACE("the host's Cancel");
        Stand guest;
        const std::uint16_t port = freePort();
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (name == StartServerDlg::TemplateName) return hostAs(d, port);
            if (name == ConnectNetDlg::TemplateName) {
                bobCalls(guest, port);
                return press(os, d, Dialog::IdCancel);
            }
            press(os, d, Dialog::IdOk);
        };
        EXPECT_FALSE(game.hostNetworkGame());
        for (int i = 0; i < 2000 && guest.lost.empty(); ++i)
            guest.pump(), ::usleep(500);
        EXPECT_TRUE(guest.peer->left());
        EXPECT_EQ(guest.lost, "Ann left the battle.");
        EXPECT_EQ(game.app().net().peer(), nullptr);
    }
    {
        SCOPED_TRACE("the guest's Cancel");
        HostStand host;
        Lines shown;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartClientDlg::TemplateName) {
                d.setItemText(StartClientDlg::IdName, "Bob");
                d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
                d.setItemText(StartClientDlg::IdPort, std::to_string(host.listener.port()));
                return press(os, d, Dialog::IdOk);
            }
            if (name == ConnectNetDlg::TemplateName) {
                auto& room = static_cast<ConnectNetDlg&>(d);
                host.awaitCaller(true);
                pumpUntil(4000, [&] { return room.players().size() == 2; }, {&host});
                ASSERT_EQ(room.players(), (Lines{"Bob", "Ann"}));
                return press(os, d, Dialog::IdCancel);
            }
            press(os, d, Dialog::IdOk);
        };
        EXPECT_FALSE(game.joinNetworkGame());
        for (int i = 0; i < 2000 && host.lost.empty(); ++i)
            host.pump(), ::usleep(500);
        EXPECT_TRUE(host.peer->left());
        EXPECT_EQ(host.lost, "Bob left the battle.");
        // He left by his own hand: no box tells him anything.
        EXPECT_EQ(shown, (Lines{StartClientDlg::TemplateName, ConnectNetDlg::TemplateName}));
    }
    {
        SCOPED_TRACE("the guest leaves the host's room");
        Stand bob, cyd;
        const std::uint16_t port = freePort();
        Lines messages, players;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (name == StartServerDlg::TemplateName) return hostAs(d, port);
            if (name == ConnectNetDlg::TemplateName) {
                auto& room = static_cast<ConnectNetDlg&>(d);
                bobCalls(bob, port);
                bob.peer->leave(0);
                pumpUntil(4000, [&] { return room.players().size() == 1; }, {&bob});
                // The place is free again.
                std::string error;
                auto link = comm::TcpLink::connect(cyd.os, "127.0.0.1", port, error);
                ASSERT_TRUE(link) << error;
                cyd.adopt(std::move(link), "Cyd", false);
                pumpUntil(4000, [&] { return room.players().size() == 2; }, {&cyd});
                messages = room.messages();
                players = room.players();
                return press(os, d, Dialog::IdCancel);
            }
            press(os, d, Dialog::IdOk);
        };
        EXPECT_FALSE(game.hostNetworkGame());
        EXPECT_EQ(messages,
                  (Lines{"Bob has logged on.", "Bob left the waiting room.", "Cyd has logged on."}));
        EXPECT_EQ(players, (Lines{"Ann", "Cyd"}));
    }
}

// A guest whose connection goes from the host's room without his word of leaving is told there by name, in a
// player's words with the system's after them: Bob's machine closes the line, Cyd's sends him away for its
// silence; Dan, whom the host rejects, is told as the host's refusal. Before, the room showed the system's
// reason alone ("the connection was lost: the other machine closed it without a word"), which named nobody,
// and Dan as "The connection to Dan was lost: the host rejected Dan".
TEST_F(NetPlayer, TheHostsRoomNamesTheGuestWhoseConnectionWasLost) {
    Stand bob, cyd, dan;
    const std::uint16_t port = freePort();
    Lines messages, players;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) return hostAs(d, port);
        if (name == ConnectNetDlg::TemplateName) {
            auto& room = static_cast<ConnectNetDlg&>(d);
            bobCalls(bob, port);
            // What the host sent on his logging on is read first: the line then closes, not resets.
            pumpUntil(400, [] { return false; }, {&bob});
            bob.peer->close();
            pumpUntil(4000, [&] { return room.players().size() == 1; }, {&bob});
            std::string error;
            auto link = comm::TcpLink::connect(cyd.os, "127.0.0.1", port, error);
            ASSERT_TRUE(link) << error;
            cyd.adopt(std::move(link), "Cyd", false);
            pumpUntil(4000, [&] { return room.players().size() == 2; }, {&cyd});
            cyd.peer->refuse(comm::NetPeer::silenceRefusal());
            pumpUntil(4000, [&] { return room.messages().size() >= 4; }, {&cyd});
            // The host's own Reject is his refusal, not a line that failed.
            link = comm::TcpLink::connect(dan.os, "127.0.0.1", port, error);
            ASSERT_TRUE(link) << error;
            dan.adopt(std::move(link), "Dan", false);
            pumpUntil(4000, [&] { return room.players().size() == 2; }, {&dan});
            d.item(ConnectNetDlg::IdPlayers)->select(1);
            press(os, d, ConnectNetDlg::IdReject);
            pumpUntil(4000, [&] { return room.messages().size() >= 6; }, {&dan});
            messages = room.messages();
            players = room.players();
            return press(os, d, Dialog::IdCancel);
        }
        press(os, d, Dialog::IdOk);
    };
    EXPECT_FALSE(game.hostNetworkGame());
    EXPECT_EQ(messages, (Lines{"Bob has logged on.",
                               "The connection to Bob was lost: the other machine closed it without a word.",
                               "Cyd has logged on.",
                               "The connection to Cyd was lost: the other machine gave up waiting: nothing "
                               "came from your machine for 30 seconds.",
                               "Dan has logged on.", "You rejected Dan."}));
    EXPECT_EQ(players, Lines{"Ann"});
}

// Choose Leaders offers the players the room shows: Bob while he waits there, nobody once he has left it, Cyd
// when he takes the place. Before, Bob's name stayed on offer after he had gone.
TEST_F(NetPlayer, ChooseLeadersOffersOnlyThePlayersTheWaitingRoomShows) {
    Stand bob, cyd;
    const std::uint16_t port = freePort();
    std::vector<Lines> offered;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) return hostAs(d, port);
        if (name == NetChooseLeadersDlg::TemplateName) {
            Lines rows;
            DialogItemWindow* field = d.item(NetChooseLeadersDlg::IdFirstChoice);
            for (std::int32_t i = 0; field && i < field->rowCount(); ++i)
                rows.push_back(field->row(i)->text);
            offered.push_back(rows);
            // The box has OK alone.
            return press(os, d, Dialog::IdOk);
        }
        if (name == ConnectNetDlg::TemplateName) {
            auto& room = static_cast<ConnectNetDlg&>(d);
            const auto choose = [&](Stand& stand) {
                const std::size_t before = offered.size();
                press(os, d, ConnectNetDlg::IdChoose);
                pumpUntil(4000, [&] { return offered.size() > before && !game.app().messageWaiting(); },
                          {&stand});
            };
            bobCalls(bob, port);
            pumpUntil(4000, [&] { return room.players().size() == 2; }, {&bob});
            choose(bob);
            bob.peer->leave(0);
            pumpUntil(4000, [&] { return room.players().size() == 1; }, {&bob});
            choose(bob);
            std::string error;
            auto link = comm::TcpLink::connect(cyd.os, "127.0.0.1", port, error);
            ASSERT_TRUE(link) << error;
            cyd.adopt(std::move(link), "Cyd", false);
            pumpUntil(4000, [&] { return room.players().size() == 2; }, {&cyd});
            choose(cyd);
            return press(os, d, Dialog::IdCancel);
        }
        press(os, d, Dialog::IdOk);
    };
    EXPECT_FALSE(game.hostNetworkGame());
    ASSERT_EQ(offered.size(), 3u);
    const Lines expected[] = {{"Ann", "Bob"}, {"Ann", "(nobody)"}, {"Ann", "Cyd"}};
    const char* when[] = {"Bob waiting", "Bob gone", "Cyd waiting"};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(when[i]);
        EXPECT_EQ(offered[i], expected[i]);
    }
}

// The host saves the network battle with his Save button and opens it again from the File menu: the battle
// comes back without the other machine, every leader played here and none by the computer, and the
// commentary's first line says so before anything else. Before, the guest's side passed to this player
// without a word.
TEST_F(NetPlayer, ANetworkBattleOpenedAgainAloneSaysBothSidesArePlayedHere) {
    Stand guest;
    const std::uint16_t port = freePort();
    std::filesystem::create_directories(VaelApp::savedGamesDirectory());
    Lines asked;
    bool saving = true;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) return hostAs(d, port);
        if (name == ConnectNetDlg::TemplateName) {
            bobCalls(guest, port);
            return press(os, d, Dialog::IdOk);
        }
        if (name == LoadSaveDlg::TemplateName) {
            d.setItemText(LoadSaveDlg::IdFileName, "evening");
            if (!saving) return press(os, d, Dialog::IdOk);
            d.setItemText(LoadSaveDlg::IdDescription, "Ann and Bob at the ford");
            return press(os, d, Dialog::IdOk);
        }
        if (const auto* box = dynamic_cast<InformationDlg*>(&d)) asked = box->lines();
        press(os, d, Dialog::IdOk);
    };
    const GuestGoesOn going(game, guest);
    ASSERT_TRUE(game.hostNetworkGame());
    ASSERT_TRUE(game.app().battleRunning());
    clickToolbarButton(2);
    const std::filesystem::path saved = VaelApp::savedGamesDirectory() / "evening.vel";
    pumpUntil(4000, [&] { return std::filesystem::exists(saved) && game.app().modalDepth() == 0; }, {&guest});
    ASSERT_TRUE(std::filesystem::exists(saved));
    saving = false;
    chooseFromMenu(0, 0, {&guest});
    pumpUntil(4000, [&] { return game.app().net().peer() == nullptr && game.app().modalDepth() == 0; }, {&guest});
    EXPECT_EQ(asked.empty() ? std::string() : asked.front(), VaelGame::OpenQuestion);
    ASSERT_EQ(game.app().net().peer(), nullptr) << "the battle opened is played alone";
    VaelLogicalLayer& layer = game.app().logicalLayer();
    for (const bool visitor : {false, true})
        for (const std::string& name : leadersOf(visitor)) {
            SCOPED_TRACE(name);
            Leader* leader = layer.findLeaderByName(name);
            ASSERT_NE(leader, nullptr);
            EXPECT_TRUE(layer.isLocalLeader(leader));
            EXPECT_FALSE(layer.isComputerLeader(leader));
        }
    const auto& lines = game.app().commentary().lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], commentaryRuns("\\BBoth sides are played here:\\b neither the computer nor another "
                                       "machine gives orders in this battle."));
    EXPECT_EQ(lines[1], commentaryRuns("\\BVaelmoric the Bold\\b is now active."));
}

// The guest's Save button: the battle is saved where its game control is, on the host. The guest is told so
// in the status bar, as other refused orders are, and no Save Game dialog opens. Before, nothing at all.
TEST_F(NetPlayer, TheGuestsSaveButtonSaysInTheStatusBarThatOnlyTheHostSaves) {
    HostStand host;
    Lines shown;
    joinAsBob(host, [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        press(os, d, Dialog::IdCancel);
    });
    shown.clear();
    const std::string before = status(2);
    clickToolbarButton(2);
    pumpUntil(400, [&] { return status(2) != before; }, {&host});
    EXPECT_EQ(status(2), "Only Ann can save this battle: it is played on the host's machine.");
    EXPECT_EQ(shown, Lines{});
    EXPECT_TRUE(game.app().inBattle());
}

// A line said while Player Chat is closed is told in the status bar with the keys that open the chat; one
// said while it stands open goes to its list alone. Before, a closed chat took the line without a sign.
TEST_F(NetPlayer, AChatLineThatComesWhilePlayerChatIsClosedIsToldInTheStatusBar) {
    HostStand host;
    NetChatDlg* chat = nullptr;
    joinAsBob(host, [&](Dialog& d, const std::string& name) {
        if (name == NetChatDlg::TemplateName) return void(chat = static_cast<NetChatDlg*>(&d));
        press(os, d, Dialog::IdCancel);
    });
    host.say("ChatMessage", "Ann: hold the ford");
    pumpUntil(4000, [&] { return !status(2).empty(); }, {&host});
    EXPECT_EQ(status(2), "Player Chat (Ctrl + T): Ann: hold the ford");
    game.app().setStatusText("", 2);
    postKey(os, 'T', platform::ModControl);
    pumpUntil(400, [&] { return chat != nullptr; }, {&host});
    ASSERT_NE(chat, nullptr);
    host.say("ChatMessage", "Ann: the ridge is ours");
    DialogItemWindow* lines = chat->item(NetChatDlg::IdLines);
    pumpUntil(4000, [&] { return lines->rowCount() == 2; }, {&host});
    EXPECT_EQ(lines->rowCount(), 2);
    EXPECT_EQ(status(2), "");
}

// File, Open Game on the guest: the list of saved games first; cancelled, the battle goes on with no
// question. Once a saved game is chosen the guest is asked whether to leave the battle; Cancel plays on,
// the game chosen unread. Before, he was asked first, and a cancelled list then kept him in the battle he
// had agreed to leave.
TEST_F(NetPlayer, TheGuestsOpenGameAsksOnlyOnceASavedGameIsChosen) {
    HostStand host;
    std::filesystem::create_directories(VaelApp::savedGamesDirectory());
    // Not a saved game at all: it is never read, the battle being kept.
    std::ofstream(VaelApp::savedGamesDirectory() / "evening.vel") << "not a saved game";
    Lines shown, asked;
    int lists = 0;
    joinAsBob(host, [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == LoadSaveDlg::TemplateName) {
            if (++lists == 2) {
                d.setItemText(LoadSaveDlg::IdFileName, "evening");
                return press(os, d, Dialog::IdOk);
            }
        } else if (const auto* box = dynamic_cast<InformationDlg*>(&d)) {
            asked = box->lines();
        }
        press(os, d, Dialog::IdCancel);
    });
    shown.clear();
    GameControl* const none = game.app().gameControl();
    const auto openGame = [&] {
        // The File menu: Open Game, Start Game, Preferences, a separator, Exit.
        chooseFromMenu(0, 0, {&host});
        const std::size_t before = shown.size();
        pumpUntil(4000, [&] { return shown.size() > before && game.app().modalDepth() == 0; }, {&host});
    };
    openGame();
    EXPECT_EQ(shown, Lines{LoadSaveDlg::TemplateName});
    EXPECT_TRUE(game.app().inBattle());
    openGame();
    EXPECT_EQ(shown,
              (Lines{LoadSaveDlg::TemplateName, LoadSaveDlg::TemplateName, InformationDlg::TemplateName}));
    EXPECT_EQ(asked, (Lines{VaelGame::OpenQuestion, "Ann wins the battle by default."}));
    EXPECT_TRUE(game.app().inBattle());
    EXPECT_EQ(game.app().gameControl(), none);
    ASSERT_NE(game.app().net().peer(), nullptr);
    EXPECT_TRUE(game.app().net().peer()->isOpen());
}

// The host's battle opens laid out as the guest's: when its first question comes (the elite initiative of
// its leader), the map window is there already, active and maximized over the whole client area, and the
// bar shows the battle's every menu. Before, the question came while the map window was being made: a
// small "Landscape View" window under it and only the frame's File, Window and Help menus until answered.
TEST_F(NetPlayer, TheHostsFirstQuestionComesOverTheWholeMapAndEveryMenu) {
    Stand guest;
    const std::uint16_t port = freePort();
    bool asked = false, maximized = false, active = false;
    Lines titles;
    platform::Rect map{}, area{};
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) {
            press(os, d, ++starts == 1 ? StartGameDlg::IdMultiplayer : StartGameDlg::IdExit);
        } else if (name == TempNetDlg::TemplateName) {
            press(os, d, TempNetDlg::IdServer);
        } else if (name == StartServerDlg::TemplateName) {
            hostAs(d, port);
        } else if (name == ConnectNetDlg::TemplateName) {
            bobCalls(guest, port);
            press(os, d, Dialog::IdOk);
        } else if (!asked && (name == EliteInitiativeDlg::TemplateName ||
                              name == VaelEliteInitiativeDlg::TemplateName)) {
            asked = true;
            VaelMainWindow& frame = game.frame();
            if (VaelMapWindow* w = mapWindow(game.app())) {
                maximized = w->isMaximized();
                active = frame.mdiGetActive() == w->hwnd();
                map = WindowManager::instance().outerOnScreen(w->hwnd());
            }
            area = WindowManager::instance().clientOnScreen(frame.clientWindow());
            if (const Menu* bar = frame.shownMenu())
                for (std::size_t i = 0; bar->handle() && i < bar->handle()->count(); ++i)
                    titles.push_back(bar->handle()->entry(i).text);
            press(os, d, Dialog::IdOk);
        } else {
            press(os, d, Dialog::IdOk);
        }
    };
    {
        // From the start dialog's Multiplayer, as the player goes: the road runs in the start dialog's
        // message, so that what it sends waits in the queue behind it.
        const GuestGoesOn going(game, guest);
        game.app().sendNamedEmpty(msg::ShowMainDlg);
    }
    pumpUntil(4000, [&] { return asked; }, {&guest});
    ASSERT_TRUE(asked) << "the host was asked no elite initiative";
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(game.app().battleRunning());
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(active);
    EXPECT_EQ((std::tuple{map.x, map.y, map.width, map.height}),
              (std::tuple{area.x, area.y, area.width, area.height}));
    EXPECT_EQ(titles, (Lines{"&File", "&Game", "&Leader", "&Unit", "&View", "&Window", "&Help"}));
}

// Bob leaves while the host's player is asked the elite initiative: the question is answered for him once
// the loss is told, as the battle it asked about is over, and the commentary says nothing of his leaders
// being "permanently inactive" in a battle that ended. Before, the question stayed until the player
// answered it, and the line spoke of a battle going on without Bob.
TEST_F(NetPlayer, TheHostAskedTheEliteInitiativeWhenTheGuestLeavesIsAskedNoMore) {
    Stand guest;
    const std::uint16_t port = freePort();
    Lines met;
    game.app().net().waitStep = [&] {
        guest.pump();
        if (!game.app().messageWaiting()) ::usleep(300);
        game.app().pumpMessage();
        return true;
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartServerDlg::TemplateName) return hostAs(d, port);
        if (name == ConnectNetDlg::TemplateName) {
            bobCalls(guest, port);
            return press(os, d, Dialog::IdOk);
        }
        if (name == EliteInitiativeDlg::TemplateName || name == VaelEliteInitiativeDlg::TemplateName) {
            if (!met.empty()) return press(os, d, Dialog::IdOk);
            return otherLeavesWhileAsked(guest, d, met, Dialog::IdOk);
        }
        if (const auto* box = dynamic_cast<InformationDlg*>(&d)) {
            met.push_back("told " + (box->lines().empty() ? std::string() : box->lines().front()));
            return press(os, d, Dialog::IdOk);
        }
        if (name == EndOfGameDlg::TemplateName) {
            met.push_back("end");
            return press(os, d, EndOfGameDlg::IdClose);
        }
        press(os, d, Dialog::IdOk);
    };
    ASSERT_TRUE(game.hostNetworkGame());
    pumpUntil(4000, [&] { return met.size() >= 4; }, {&guest});
    game.app().net().waitStep = nullptr;
    EXPECT_EQ(met, (Lines{"asked", "told Bob left the battle.", "answered for him", "end"}));
    for (const CommentaryLine& line : game.app().commentary().lines()) {
        std::string text;
        for (const auto& run : line)
            text += run.text;
        EXPECT_EQ(text.find("permanently inactive"), std::string::npos) << text;
    }
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// How the other machine goes away in the middle of the battle.
enum class Gone { Left, Killed, Silent };

// The host's player, with no box open, loses the guest: by File, Exit there (its word of leaving), by its
// process killed (the line closes without a word) or by its machine stopped past the limit (nothing comes
// for 30 seconds). He is told in a box that is on top and stays on top while the screen settles, before the
// battle's end shows; once answered it is gone, and the next game, begun from the start dialog that
// follows, shows nothing of it. Before, the end of the game opened first, then the start dialog and the
// next game ran under a box that surfaced a game later.
TEST_F(NetPlayer, TheHostWithNoBoxOpenIsToldOfTheLostGuestFirstAndTheNextGameShowsNothingOfIt) {
    struct Row {
        Gone how;
        const char* name;
        Lines box;
    };
    const std::vector<Row> rows{
        {Gone::Left, "left", {"Bob left the battle.", "The battle ends, won by default by Ann."}},
        {Gone::Killed,
         "killed",
         {"The connection to Bob was lost:", "the other machine closed it without a word.",
          "The battle ends, won by default by Ann."}},
        {Gone::Silent,
         "silent",
         {"The connection to Bob was lost:",
          "nothing came from the other machine for 30 seconds, not even its sign of life.",
          "The battle ends, won by default by Ann."}},
    };
    std::vector<std::unique_ptr<Stand>> guests;
    for (std::size_t i = 0; i < rows.size(); ++i)
        guests.push_back(std::make_unique<Stand>());
    std::size_t row = 0;
    std::uint16_t port = 0;
    // What the host's player met, in order, each with what was to be seen of it.
    Lines met;
    std::vector<Lines> boxes;
    const auto pumpAll = [&] {
        for (auto& g : guests)
            g->pump();
        game.app().pumpMessage();
    };
    game.app().net().waitStep = [&] {
        for (auto& g : guests)
            g->pump();
        if (!game.app().messageWaiting()) ::usleep(300);
        game.app().pumpMessage();
        return true;
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) {
            // Nothing of the game before stands under it: it is the only dialog open.
            met.push_back("start, " + std::to_string(game.app().modalDepth()) + " open under it");
            if (row < rows.size()) return press(os, d, StartGameDlg::IdMultiplayer);
            return press(os, d, StartGameDlg::IdExit);
        }
        if (name == TempNetDlg::TemplateName) return press(os, d, TempNetDlg::IdServer);
        if (name == StartServerDlg::TemplateName) {
            port = freePort();
            return hostAs(d, port);
        }
        if (name == ConnectNetDlg::TemplateName) {
            // Bob calls and logs on (the connection of the game before is no sign that he has).
            std::string error;
            auto link = comm::TcpLink::connect(guests[row]->os, "127.0.0.1", port, error);
            EXPECT_TRUE(link) << error;
            guests[row]->adopt(std::move(link), "Bob", false);
            const auto& room = static_cast<ConnectNetDlg&>(d);
            pumpUntil(4000, [&] { return room.players().size() == 2; }, {guests[row].get()});
            return press(os, d, Dialog::IdOk);
        }
        if (name == InformationDlg::TemplateName) {
            boxes.push_back(static_cast<InformationDlg&>(d).lines());
            // On top where the player looks, and still so once everything under it has had its turn.
            const auto onTop = [&] {
                const platform::Rect r = WindowManager::instance().outerOnScreen(d.hwnd());
                return WindowManager::instance().windowAt(r.x + r.width / 2, r.y + r.height / 2) == d.hwnd();
            };
            const bool first = onTop();
            for (int i = 0; i < 40; ++i) {
                pumpAll();
                os.advance(5);
            }
            met.push_back(std::string("box") + (first ? " on top" : " under") +
                          (onTop() ? ", settled on top" : ", covered"));
            return press(os, d, Dialog::IdOk);
        }
        if (name == EndOfGameDlg::TemplateName) {
            met.push_back("end, " + std::to_string(game.app().modalDepth()) + " open under it");
            return press(os, d, EndOfGameDlg::IdClose);
        }
        press(os, d, Dialog::IdOk);
    };
    // The first game from the start dialog, as the player goes.
    game.app().sendNamedEmpty(msg::ShowMainDlg);
    while (row < rows.size()) {
        const Row& r = rows[row];
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(game.app().battleRunning());
        ASSERT_EQ(game.app().modalDepth(), 0) << "a box is open in the battle";
        met.clear();
        boxes.clear();
        Stand& guest = *guests[row];
        ++row;
        switch (r.how) {
        case Gone::Left:
            guest.peer->leave();
            break;
        case Gone::Killed:
            // Everything the host sent read first: a line closed over unread bytes is broken off instead.
            for (int i = 0; i < 20; ++i)
                guest.pump(), ::usleep(1000);
            guest.peer.reset();
            break;
        case Gone::Silent:
            os.advance(comm::NetPeer::SilenceLimit + 1000);
            break;
        }
        // The game's own timers go on meanwhile (the end of the battle closes the battle on one), far
        // short of the next guest's silence limit.
        for (int i = 0; i < 2000 && met.size() < 3; ++i) {
            pumpAll();
            os.advance(5);
        }
        EXPECT_EQ(met,
                  (Lines{"box on top, settled on top", "end, 0 open under it", "start, 0 open under it"}));
        EXPECT_EQ(boxes, (std::vector<Lines>{r.box}));
    }
    game.app().net().waitStep = nullptr;
}

// A guest in the waiting room whose host goes before the battle begins hears why, in a box, once the room
// has closed: the host's process killed, the host an older program (the reason was only in the trace) or
// a listener that never says a word (the room closed at 30 seconds). Before, he was back at the start
// without a word.
TEST_F(NetPlayer, AGuestWhoseHostGoesFromTheWaitingRoomIsToldWhy) {
    struct Row {
        const char* name;
        Lines box;
    };
    const std::vector<Row> rows{
        {"killed",
         {"The connection to Ann was lost before the battle began:",
          "the other machine closed it without a word."}},
        {"older",
         {"The host at 127.0.0.1 cannot be joined:",
          "the other program is version 0.1 (protocol 1), this one is version 0.1 (protocol 4)."}},
        {"silent",
         {"The connection to the host at 127.0.0.1 was lost before the battle began:",
          "nothing came from the other machine for 30 seconds, not even its sign of life."}},
        // The host's player presses Cancel: he left, by name, and nothing was lost.
        {"left", {"Ann left the waiting room."}},
        // The guest bears the host's name: it finds so in the host's greeting and goes.
        {"namesake", {"The host at 127.0.0.1 cannot be joined:", "both players are named Ann."}},
        // The host turns the guest's greeting away: its reason in the same words.
        {"turned away", {"Ann cannot be joined:", "both players are named Bob."}},
        // The host's player rejects him from the room: a refusal, not a line that failed.
        {"rejected", {"Ann rejected you: you will not play in this battle."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string how = row.name;
        platform::HeadlessPlatform hostOs;
        comm::TcpListener listener(hostOs);
        std::string error;
        ASSERT_TRUE(listener.listen(0, error)) << error;
        std::unique_ptr<comm::TcpLink> held;
        std::unique_ptr<comm::NetPeer> host;
        listener.onAccept = [&](std::unique_ptr<comm::TcpLink> link) {
            // The silent one takes the call and says nothing; the others greet, the older one as protocol 1.
            if (how == "silent") return void(held = std::move(link));
            host = std::make_unique<comm::NetPeer>(
                std::move(link), comm::Greeting{std::uint16_t(how == "older" ? 1 : comm::ProtocolVersion),
                                                VaelVersion, "Ann", 1});
            if (how == "turned away")
                host->onGreeted = [&](const comm::Greeting&) {
                    host->refuse("refused the connection: both players are named Bob");
                };
            host->start();
        };
        const auto pumpHost = [&] {
            platform::Event e;
            while (hostOs.pollEvent(e))
                if (e.kind == platform::EventKind::SocketReady) hostOs.serviceSocket(e);
        };
        Lines shown;
        Lines box;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartClientDlg::TemplateName) {
                d.setItemText(StartClientDlg::IdName, how == "namesake" ? "Ann" : "Bob");
                d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
                d.setItemText(StartClientDlg::IdPort, std::to_string(listener.port()));
                press(os, d, Dialog::IdOk);
            } else if (name == ConnectNetDlg::TemplateName) {
                auto& room = static_cast<ConnectNetDlg&>(d);
                const bool greets = how == "killed" || how == "left" || how == "rejected";
                // The host takes the call (and greets, but for the silent one); then it goes.
                const auto met = [&] { return room.players().size() == 2 && host->greeted(); };
                for (int i = 0; i < 2000 && !held && !(host && (!greets || met())); ++i) {
                    pumpHost();
                    game.app().pumpMessage();
                    ::usleep(500);
                }
                if (how == "killed") {
                    ASSERT_EQ(room.players(), (Lines{"Bob", "Ann"}));
                    host.reset();
                } else if (how == "left") {
                    ASSERT_EQ(room.players(), (Lines{"Bob", "Ann"}));
                    host->leave(0);
                } else if (how == "rejected") {
                    ASSERT_EQ(room.players(), (Lines{"Bob", "Ann"}));
                    host->refuse("the host rejected Bob");
                } else if (how == "turned away") {
                    // The guest's greeting is read there, and turned away.
                    for (int i = 0; i < 2000 && host->isOpen(); ++i)
                        pumpHost(), ::usleep(500);
                } else if (how == "silent") {
                    ASSERT_TRUE(held);
                    os.advance(comm::NetPeer::SilenceLimit + 1000);
                }
            } else if (name == InformationDlg::TemplateName) {
                box = static_cast<InformationDlg&>(d).lines();
                press(os, d, Dialog::IdOk);
            } else {
                press(os, d, Dialog::IdCancel);
            }
        };
        EXPECT_FALSE(game.joinNetworkGame());
        EXPECT_EQ(shown, (Lines{StartClientDlg::TemplateName, ConnectNetDlg::TemplateName,
                                InformationDlg::TemplateName}));
        EXPECT_EQ(box, row.box);
        EXPECT_EQ(game.app().modalDepth(), 0);
        EXPECT_EQ(game.app().net().peer(), nullptr);
    }
}

// The guest's File, Exit asks what leaving costs him: he saves nothing, so not what has not been saved, but
// the battle, which the host then wins. Cancel plays on.
TEST_F(NetPlayer, TheGuestIsAskedWhetherToLeaveTheBattleTheHostThenWins) {
    EXPECT_EQ(guestAskedOnLeaving([&] {
                  game.app().postMessage(WinApp::mainWindowHandle(), MessageCommand, WindowsMainWindow::Exit,
                                         0);
              }),
              (Lines{VaelGame::ExitQuestion, "Ann wins the battle by default."}));
}

// The frame's close box (the window manager's close request) asks the guest as File, Exit does. Before, it
// left the battle unasked.
TEST_F(NetPlayer, TheGuestsCloseBoxAsksWhatHisExitAsks) {
    EXPECT_EQ(guestAskedOnLeaving([&] {
                  platform::Event close;
                  close.kind = platform::EventKind::CloseRequest;
                  os.postEvent(close);
              }),
              (Lines{VaelGame::ExitQuestion, "Ann wins the battle by default."}));
}

// The player asked to leave the battle and has not answered when the other machine goes: the battle's end
// answers the question No for him before the end is shown, so that it stands neither over the end nor over
// what follows as a question about a battle that is over. Before, it stayed open behind them, into the next
// game.
TEST_F(NetPlayer, AQuestionToLeaveStillOpenWhenTheOtherMachineGoesIsAnsweredNo) {
    HostStand host;
    Lines met;
    joinAsBob(host, [&](Dialog& d, const std::string& name) {
        auto* box = dynamic_cast<InformationDlg*>(&d);
        if (box && !box->lines().empty() && box->lines().front() == VaelGame::ExitQuestion) {
            return otherLeavesWhileAsked(host, d, met, Dialog::IdCancel);
        }
        if (box) {
            met.push_back("told " + (box->lines().empty() ? std::string() : box->lines().front()));
            return press(os, d, Dialog::IdOk);
        }
        if (name == EndOfGameDlg::TemplateName) {
            met.push_back("end, " + std::to_string(game.app().modalDepth()) + " open under it");
            return press(os, d, EndOfGameDlg::IdClose);
        }
        press(os, d, Dialog::IdOk);
    });
    game.app().postMessage(WinApp::mainWindowHandle(), MessageCommand, WindowsMainWindow::Exit, 0);
    pumpUntil(8000, [&] { return met.size() >= 4; }, {&host});
    EXPECT_EQ(met, (Lines{"asked", "told Ann left the battle.", "end, 0 open under it", "answered for him"}));
}

// The player who sits on the question the close box asked: he answers once the game's timer has ticked
// well past the moment the ended battle closes, and looks first whether the battlefield still shows.
struct Thinker {
    static inline Dialog* question = nullptr;
    static inline platform::HeadlessPlatform* os = nullptr;
    static inline VaelGame* game = nullptr;
    static inline int ticks = 0;
    static inline bool battleShown = false;
    static inline std::int16_t answer = Dialog::IdOk;
    static ContainerBase* onTick(Component*, BusMessage, ContainerBase*) {
        if (!question || ++ticks < 40) return nullptr;
        battleShown = game->app().inBattle();
        press(*os, *std::exchange(question, nullptr), answer);
        return nullptr;
    }
};

// The close box pressed once the end of the battle has been seen, while the battlefield still shows: the
// question it asks stands while the player thinks, over the battlefield; OK ends the game, and Cancel lets
// the battle close into the start dialog. Before, the battle closed under the question a moment later and
// the start dialog opened inside it: the question was gone unanswered, and the close box had done nothing.
class CloseAfterTheEnd : public NetPlayer {
protected:
    // What the player met, the host having left, when he answers the question at once or after a while.
    Lines play(bool thinks, std::int16_t answer) {
        Probe player("Thinker");
        player.setup = [](Probe& p) { p.addTimer(Thinker::onTick, 1); };
        player.attach(game.app().logicalLayer());
        Thinker::os = &os, Thinker::game = &game;
        Thinker::ticks = 0, Thinker::battleShown = false, Thinker::answer = answer, Thinker::question = nullptr;
        HostStand host;
        Lines met;
        joinAsBob(host, [&](Dialog& d, const std::string& name) {
            if (name == EndOfGameDlg::TemplateName) {
                met.push_back("end");
                press(os, d, EndOfGameDlg::IdClose);
                platform::Event close;
                close.kind = platform::EventKind::CloseRequest;
                return os.postEvent(close);
            }
            if (name == StartGameDlg::TemplateName) {
                met.push_back("start dialog");
                return press(os, d, StartGameDlg::IdExit);
            }
            auto* box = dynamic_cast<InformationDlg*>(&d);
            met.push_back(box && !box->lines().empty() ? box->lines().front() : name);
            if (thinks && met.back() == VaelGame::ExitQuestion) {
                Thinker::question = &d;
                return;
            }
            // A notice offers OK alone: only a question is answered by its Cancel.
            press(os, d, d.item(answer) ? answer : Dialog::IdOk);
        });
        host.peer->leave();
        pumpUntil(8000, [&] { return !met.empty() && met.back() == "end" && !game.app().modalDepth(); },
                  {&host});
        EXPECT_EQ(game.app().run(), 1);
        EXPECT_EQ(Thinker::battleShown, thinks) << "the battlefield under the question";
        EXPECT_EQ(Thinker::question, nullptr) << "the question never answered";
        Thinker::question = nullptr;
        player.detach();
        return met;
    }
};

TEST_F(CloseAfterTheEnd, OkAtOnceEndsTheGame) {
    EXPECT_EQ(play(false, Dialog::IdOk), (Lines{"Ann left the battle.", "end", VaelGame::ExitQuestion}));
}

TEST_F(CloseAfterTheEnd, OkAfterAWhileEndsTheGame) {
    EXPECT_EQ(play(true, Dialog::IdOk), (Lines{"Ann left the battle.", "end", VaelGame::ExitQuestion}));
}

TEST_F(CloseAfterTheEnd, CancelAfterAWhileLetsTheBattleCloseIntoTheStartDialog) {
    EXPECT_EQ(play(true, Dialog::IdCancel),
              (Lines{"Ann left the battle.", "end", VaelGame::ExitQuestion, "start dialog"}));
}

// The host asks its question (the elite initiative) of both machines: the guest answers at once, and then
// waits while the host's player sits on the same question. After three seconds of it (not before) the
// guest's status line says so, and the host's next word unsays it. Before, the guest owed nothing and said
// nothing. While the wait lasts the notice keeps the second line as the guest's pointer passes over the map
// (a leader's hex, the hex below, then out onto the menu bar): the first line tells the hex under it. Before,
// the first hex pointed at took the line for good.
TEST_F(NetPlayer, TheGuestSaysItWaitsWhileTheHostsPlayerSitsOnAQuestion) {
    HostStand host;
    joinAsBob(host, [&](Dialog& d, const std::string&) { press(os, d, Dialog::IdOk); });
    VaelNetComponent& net = game.app().net();
    Container<short> turn(0);
    std::string payload, error;
    ASSERT_TRUE(comm::encodeMessage(
        BusMessage(RegisteredMessage::getId("EliteInitiative"), BusMessage::Query), &turn, payload, error))
        << error;
    ASSERT_TRUE(host.peer->sendBatch({payload}, error)) << error;
    const auto answered = [&] {
        for (const Lines& b : host.batches)
            if (!b.empty() && b.front().rfind("NetAnswer", 0) == 0) return true;
        return false;
    };
    pumpUntil(4000, answered, {&host});
    ASSERT_TRUE(answered()) << "the guest never answered";
    const std::uint32_t at = os.tickCount();
    net.lookAtWaiting(at + 2999);
    EXPECT_EQ(net.waitingText(), "");
    net.lookAtWaiting(at + 3000);
    EXPECT_EQ(net.waitingText(), "Waiting for Ann...");
    // And by the keep-alive's own look, on the status line.
    net.lookAtWaiting(at);
    os.advance(3500);
    pumpUntil(400, [&] { return status(2) == "Waiting for Ann..."; }, {&host});
    EXPECT_EQ(status(2), "Waiting for Ann...");
    VaelLogicalLayer& layer = game.app().logicalLayer();
    const auto hexOf = [&](unsigned short number) {
        const Unit* unit = layer.findUnit(number);
        return unit ? static_cast<std::int16_t>(unit->getHex()) : std::int16_t(-1);
    };
    std::int16_t hostsHex = -1;
    for (Leader* leader : each(layer.getHomeLeaders()))
        if (hostsHex < 0) hostsHex = hexOf(static_cast<unsigned short>(leader->getUnitNum()));
    const platform::Rect outer = WindowManager::instance().outerOnScreen(game.frame().hwnd());
    const Point onMenuBar(static_cast<std::int16_t>(outer.x + outer.width - 40),
                          static_cast<std::int16_t>(outer.y + MenuTracker::BarHeight / 2));
    const struct {
        const char* what;
        std::int16_t hex; // -1: the menu bar
        bool named;       // the first line names the unit there
    } points[] = {{"the host's leader", hostsHex, true},
                  {"the hex below him", static_cast<std::int16_t>(hostsHex + 1), false},
                  {"the menu bar", -1, false}};
    for (const auto& p : points) {
        SCOPED_TRACE(p.what);
        if (p.hex >= 0) {
            const std::optional<Point> at = screenPointOf(game.app(), p.hex);
            ASSERT_TRUE(at) << "hex " << p.hex << " is not on the screen";
            pointAt(os, *at);
            pumpUntil(p.named ? 400 : 50, [&] { return p.named && !status(1).empty(); }, {&host});
            if (p.named) EXPECT_FALSE(status(1).empty()) << "the hex under the pointer was not told";
        } else {
            pointAt(os, onMenuBar);
            pumpUntil(400, [&] { return status(1).empty(); }, {&host});
            EXPECT_EQ(status(1), "");
        }
        EXPECT_EQ(status(2), "Waiting for Ann...");
        pointAt(os, Point(-1, -1));
        pumpUntil(400, [&] { return status(1).empty(); }, {&host});
    }
    host.say("AddCommentary", "The elite have chosen.");
    pumpUntil(4000, [&] { return net.waitingText().empty(); }, {&host});
    EXPECT_EQ(net.waitingText(), "");
    EXPECT_EQ(status(2), "");
}

// A network battle over, the next battle, against the computer, has nobody to talk to: Player Chat's keys
// open nothing in it, and no network play is left running.
TEST_F(NetPlayer, ABattleAgainstTheComputerAfterANetworkGameHasNoPlayerChat) {
    Stand guest;
    const std::uint16_t port = freePort();
    int starts = 0;
    Lines shown;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartServerDlg::TemplateName) return hostAs(d, port);
        if (name == ConnectNetDlg::TemplateName) {
            bobCalls(guest, port);
            return press(os, d, Dialog::IdOk);
        }
        if (name == StartGameDlg::TemplateName)
            return press(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        press(os, d, Dialog::IdOk);
    };
    {
        const GuestGoesOn going(game, guest);
        ASSERT_TRUE(game.hostNetworkGame());
    }
    guest.peer->leave();
    for (int i = 0; i < 2000 && starts == 0; ++i) {
        game.app().pumpMessage();
        os.advance(5);
    }
    ASSERT_EQ(starts, 1) << "the network battle never ended";
    ASSERT_TRUE(game.app().battleRunning());
    EXPECT_FALSE(game.app().net().playing());
    shown.clear();
    postKey(os, 'T', platform::ModControl);
    pumpUntil(50, [] { return false; }, {});
    EXPECT_EQ(game.chatWindow(), nullptr);
    EXPECT_EQ(shown, Lines{});
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// One message of the other machine as it is written to the wire.
std::string wired(const char* name, std::uint8_t mode, const ContainerBase* data = nullptr) {
    std::string payload, error;
    EXPECT_TRUE(comm::encodeMessage(BusMessage(RegisteredMessage::getId(name), mode), data, payload, error))
        << error;
    return payload;
}

void sendAll(Stand& stand, const std::vector<std::string>& batch) {
    std::string error;
    EXPECT_TRUE(stand.peer->sendBatch(batch, error)) << error;
}

// The number of the home side's first leader, played by the host.
unsigned short hostsLeader(VaelLogicalLayer& layer) {
    for (Leader* leader : each(layer.getHomeLeaders()))
        return static_cast<unsigned short>(leader->getUnitNum());
    ADD_FAILURE() << "the battle has no home leader";
    return 0;
}

// Whether a batch from the from-th on holds a line with part in it.
bool heardLike(const Stand& stand, const std::string& part, std::size_t from = 0) {
    for (std::size_t i = from; i < stand.batches.size(); ++i)
        for (const std::string& l : stand.batches[i])
            if (l.find(part) != std::string::npos) return true;
    return false;
}

// The host's player closes the window while the battle's first question (the elite initiative) stands.
// Asked, he is told what leaving costs: the guest, named, wins by default (as the guest is told of the
// host), and what has not been saved is lost. OK leaves at once: the guest hears the leave and nothing of
// the battle after the question, no leader made active, and the game ends. Before, the host's question
// named no winner, and OK played one more activation, sent to the guest ("Melagor is now active."), before
// the host left.
TEST_F(NetPlayer, TheHostWhoLeavesUnderTheEliteQuestionIsToldTheGuestWinsAndStepsNothingMore) {
    Stand guest;
    const std::uint16_t port = freePort();
    std::vector<Lines> asked;
    bool closed = false;
    std::size_t heardBeforeLeaving = 0;
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName)
            return press(os, d, ++starts == 1 ? StartGameDlg::IdMultiplayer : StartGameDlg::IdExit);
        if (name == TempNetDlg::TemplateName) return press(os, d, TempNetDlg::IdServer);
        if (name == StartServerDlg::TemplateName) return hostAs(d, port);
        if (name == ConnectNetDlg::TemplateName) {
            bobCalls(guest, port);
            return press(os, d, Dialog::IdOk);
        }
        if (!closed &&
            (name == EliteInitiativeDlg::TemplateName || name == VaelEliteInitiativeDlg::TemplateName)) {
            // Left standing: the close box is pressed over it.
            closed = true;
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            return os.postEvent(close);
        }
        if (const auto* box = dynamic_cast<InformationDlg*>(&d)) {
            asked.push_back(box->lines());
            // Everything the battle sent before the question reaches the guest first.
            for (int i = 0; i < 200; ++i)
                guest.pump(), ::usleep(200);
            heardBeforeLeaving = guest.batches.size();
            return press(os, d, Dialog::IdOk);
        }
        press(os, d, Dialog::IdOk);
    };
    const GuestGoesOn going(game, guest);
    game.app().sendNamedEmpty(msg::ShowMainDlg);
    pumpUntil(8000, [&] { return !asked.empty() && !guest.lost.empty(); }, {&guest});
    ASSERT_TRUE(closed) << "the host was asked no elite initiative";
    EXPECT_EQ(asked, (std::vector<Lines>{
                         {VaelGame::ExitQuestion, "Bob wins the battle by default.", VaelGame::ExitWarning}}));
    EXPECT_EQ(guest.lost, "Ann left the battle.");
    ASSERT_TRUE(guest.peer);
    EXPECT_TRUE(guest.peer->left());
    // Nothing of the battle came after the question was answered.
    const std::vector<Lines> after(guest.batches.begin() + static_cast<std::ptrdiff_t>(heardBeforeLeaving),
                                   guest.batches.end());
    EXPECT_EQ(after, std::vector<Lines>{});
    EXPECT_TRUE(heardLike(guest, "EliteInitiative"));
    EXPECT_FALSE(heardLike(guest, "ActivateLeader"));
    EXPECT_FALSE(heardLike(guest, "is now active."));
    // The close agreed to ends the game.
    EXPECT_EQ(game.app().run(), 1);
}

// A guest let go by its host for its own silence lost no fight: its end shows the picture of a battle
// whose connection was lost, not the defeat of its army ("The Indian army is broken"); a guest whose host
// left wins by default and is shown its victory. Before, the guest let go was shown its army broken.
TEST_F(NetPlayer, AGuestLetGoForItsSilenceIsShownTheConnectionLostNotItsArmyBroken) {
    std::unique_ptr<PictureArchive> bitmaps = PictureArchive::open("Dialog Bitmaps");
    ASSERT_TRUE(bitmaps);
    struct Row {
        const char* name;
        bool silent;
        EndOfGameDlg::Outcome outcome;
        const char* picture;
        Lines box;
    };
    const std::vector<Row> rows{
        {"let go for its silence",
         true,
         EndOfGameDlg::Outcome::ConnectionLost,
         "Connection lost",
         {"The connection to Ann was lost:",
          "the other machine gave up waiting: nothing came from your machine for 30 seconds.",
          "The battle ends, won by default by Ann."}},
        {"the host left",
         false,
         EndOfGameDlg::Outcome::Won,
         "Won",
         {"Ann left the battle.", "The battle ends, won by default by Bob."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HostStand host;
        Lines box;
        std::optional<EndOfGameDlg::Outcome> outcome;
        std::uint32_t nation = 0;
        bool picture = false, brokenArmy = true;
        joinAsBob(host, [&](Dialog& d, const std::string& name) {
            if (const auto* told = dynamic_cast<InformationDlg*>(&d)) {
                box = told->lines();
                return press(os, d, Dialog::IdOk);
            }
            if (name == EndOfGameDlg::TemplateName) {
                auto& end = static_cast<EndOfGameDlg&>(d);
                outcome = end.outcome();
                nation = end.nation();
                // The dialog shows the picture named, and not the one of the army's defeat.
                const auto shows = [&](const char* pictureName) {
                    const Picture p = bitmaps->drawable(pictureName, EndOfGameDlg::pictureGroup(end.nation()));
                    if (!p.exists() || d.size() != Dim(p.width(), p.height())) return false;
                    const auto* pixels = static_cast<const std::uint8_t*>(p.surface.pixels);
                    for (std::int32_t y : {p.height() / 8, p.height() / 2})
                        if (!std::equal(pixels + y * p.surface.pitch, pixels + y * p.surface.pitch + p.width(),
                                        d.bits() + y * d.stride()))
                            return false;
                    return true;
                };
                picture = shows(row.picture);
                brokenArmy = shows("Lost");
                return press(os, d, EndOfGameDlg::IdClose);
            }
            press(os, d, Dialog::IdOk);
        });
        if (row.silent)
            host.peer->refuse(comm::NetPeer::silenceRefusal());
        else
            host.peer->leave();
        pumpUntil(8000, [&] { return outcome.has_value() && !game.app().modalDepth(); }, {&host});
        ASSERT_TRUE(outcome.has_value()) << "no end was shown";
        EXPECT_EQ(box, row.box);
        EXPECT_EQ(*outcome, row.outcome);
        EXPECT_EQ(nation, game.app().logicalLayer().getVisitorNation());
        EXPECT_TRUE(picture) << "the end does not show the picture " << row.picture;
        EXPECT_FALSE(brokenArmy) << "the end shows the army broken";
    }
}

// The host's last word before a leader's orders (the question that opens them) is no activation: the guest
// that answered the host's elite initiative still waits for it, and says so after three seconds of
// silence. Before, that word ended the wait, and a host that stopped right after it (its activation not yet
// sent) was waited for in silence until the line was lost.
TEST_F(NetPlayer, TheGuestStillSaysItWaitsWhenTheHostsWordBeforeTheActivationIsItsLast) {
    HostStand host;
    joinAsBob(host, [&](Dialog& d, const std::string&) { press(os, d, Dialog::IdOk); });
    VaelNetComponent& net = game.app().net();
    Container<short> turn(0);
    sendAll(host, {wired("EliteInitiative", BusMessage::Query, &turn)});
    pumpUntil(4000, [&] { return heardLike(host, "NetAnswer"); }, {&host});
    ASSERT_TRUE(heardLike(host, "NetAnswer")) << "the guest never answered";
    sendAll(host, {wired("BeginLeaderOrdersPhase", BusMessage::Query)});
    // Delivered here: the word has come, and the guest says nothing back.
    const std::size_t batches = host.batches.size();
    pumpUntil(400, [] { return false; }, {&host});
    ASSERT_TRUE(net.peer() && net.peer()->isOpen()) << "the word was refused";
    EXPECT_EQ(host.batches.size(), batches);
    const std::uint32_t at = os.tickCount();
    net.lookAtWaiting(at + 2999);
    EXPECT_EQ(net.waitingText(), "");
    net.lookAtWaiting(at + 3000);
    EXPECT_EQ(net.waitingText(), "Waiting for Ann...");
    EXPECT_EQ(status(2), "Waiting for Ann...");
    // The activation is the host's next step: the wait for it ends there.
    Container<unsigned short> number(hostsLeader(game.app().logicalLayer()));
    const Container<BattleStateStruct> state(BattleStateStruct{VaelNetComponent::captureState(game.app().logicalLayer())});
    sendAll(host, {wired("BattleState", BusMessage::Send, &state), wired("ActivateLeader", BusMessage::Send, &number)});
    pumpUntil(4000, [&] { return net.waitingText().empty(); }, {&host});
    EXPECT_EQ(net.waitingText(), "");
    EXPECT_EQ(status(2), "");
}

// The host begins the battle, or a turn, and stands still before its first activation: the guest waits on
// the host for that activation and says so after three seconds, as it does once an activation has come.
// Before, the beginning ended the wait, and the guest waited in silence until the line was lost.
TEST_F(NetPlayer, TheGuestSaysItWaitsWhenTheHostStandsStillBeforeItsFirstActivation) {
    HostStand host;
    joinAsBob(host, [&](Dialog& d, const std::string&) { press(os, d, Dialog::IdOk); });
    VaelNetComponent& net = game.app().net();
    const auto waitsAfter = [&](const char* what) {
        SCOPED_TRACE(what);
        pumpUntil(400, [] { return false; }, {&host});
        ASSERT_TRUE(net.peer() && net.peer()->isOpen()) << "refused";
        saysItWaitsOnAnnAfterThreeSeconds(net);
        EXPECT_EQ(status(2), "Waiting for Ann...");
    };
    std::string begin, error;
    const Container<short> fresh(0);
    ASSERT_TRUE(comm::encodeMessage(BusMessage(BEGIN_GAME, BusMessage::Send), &fresh, begin, error)) << error;
    sendAll(host, {begin});
    waitsAfter("the battle begun");
    // Its question answered, the guest waits on as before; the activation, of the host's leader, is the
    // host's player's to play.
    Container<short> turn(0);
    sendAll(host, {wired("EliteInitiative", BusMessage::Query, &turn)});
    pumpUntil(4000, [&] { return heardLike(host, "NetAnswer"); }, {&host});
    ASSERT_TRUE(heardLike(host, "NetAnswer")) << "the guest never answered";
    waitsAfter("the question answered");
    Container<unsigned short> number(hostsLeader(game.app().logicalLayer()));
    const Container<BattleStateStruct> state(BattleStateStruct{VaelNetComponent::captureState(game.app().logicalLayer())});
    sendAll(host, {wired("BattleState", BusMessage::Send, &state), wired("ActivateLeader", BusMessage::Send, &number)});
    waitsAfter("the host's leader active");
}

// At a turn's end the guest's overview stands until its player has seen it, and the host waits on him:
// the guest says nothing of waiting meanwhile, however long he looks; once he has, he waits on the host's
// next word and says so after three seconds. Before, the guest said "Waiting for Ann..." over its own
// overview, as the host said "Waiting for Bob...".
TEST_F(NetPlayer, AtATurnsEndOnlyTheMachineThatWaitsSaysSo) {
    HostStand host;
    std::string overOverview = "not shown";
    std::string statusOverOverview;
    VaelNetComponent& net = game.app().net();
    joinAsBob(host, [&](Dialog& d, const std::string& name) {
        if (name == EndTurnDlg::TemplateName) {
            // The player looks at his overview for a while.
            const std::uint32_t at = os.tickCount();
            net.lookAtWaiting(at);
            net.lookAtWaiting(at + 10000);
            overOverview = net.waitingText();
            statusOverOverview = status(2);
        }
        press(os, d, Dialog::IdOk);
    });
    VaelLogicalLayer& layer = game.app().logicalLayer();
    // The battle begins and the host's leader acts; then the turn ends, with the state.
    std::string begin, error;
    const Container<short> fresh(0);
    ASSERT_TRUE(comm::encodeMessage(BusMessage(BEGIN_GAME, BusMessage::Send), &fresh, begin, error)) << error;
    Container<short> turn(0);
    sendAll(host, {begin, wired("EliteInitiative", BusMessage::Query, &turn)});
    pumpUntil(4000, [&] { return heardLike(host, "NetAnswer"); }, {&host});
    Container<unsigned short> number(hostsLeader(layer));
    const Container<BattleStateStruct> before(BattleStateStruct{VaelNetComponent::captureState(layer)});
    sendAll(host, {wired("BattleState", BusMessage::Send, &before), wired("ActivateLeader", BusMessage::Send, &number)});
    const std::size_t checkedIn = host.batches.size();
    pumpUntil(400, [] { return false; }, {&host});
    EndOfGameResults results;
    results.homeNation = layer.getHomeNation();
    results.visitorNation = layer.getVisitorNation();
    results.homeName = "Macedonian";
    results.visitorName = "Indian";
    // The turn's end the host tells holds the battle's own limits, as the guest counts them.
    results.homeTQLimit = layer.getHomeTQPoints();
    results.visitorTQLimit = layer.getVisitorTQPoints();
    const Container<EndOfGameResults> told(results);
    const Container<BattleStateStruct> state(BattleStateStruct{VaelNetComponent::captureState(layer)});
    sendAll(host, {wired("BattleState", BusMessage::Send, &state), wired("EndOfTurn", BusMessage::Send, &told)});
    pumpUntil(4000, [&] { return heardLike(host, "SynchronizeGame", checkedIn); }, {&host});
    ASSERT_TRUE(heardLike(host, "SynchronizeGame", checkedIn)) << "the guest's player never saw the turn's end";
    ASSERT_TRUE(net.peer() && net.peer()->isOpen());
    EXPECT_EQ(overOverview, "");
    EXPECT_EQ(statusOverOverview, "");
    // Seen: the host's next word is owed now.
    saysItWaitsOnAnnAfterThreeSeconds(net);
}

} // namespace
} // namespace vael::test
