// The Multiplayer road of the start dialog: a machine hosts a battle or joins one. The host names itself
// and its port, waits in the "Connecting Other Players" dialog until the other player has logged on,
// chooses who plays each leader and begins; the guest names itself and the host, waits in the same
// dialog for the host's word and then plays the leaders the host gave it.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_chat.h"
#include "game/net/net_dialogs.h"
#include "game/net/vael_net_component.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/vael_game.h"
#include "framework/core/version.h"

namespace vael {

namespace {

std::string systemUser() {
    const char* user = std::getenv("USER");
    return user && *user ? user : "Player";
}

NetDialogShown netShown(const DialogShown& shown) {
    if (!shown) return {};
    return [shown](Dialog& dialog, const std::string& name) { shown(dialog, name); };
}

// The line that tells the waiting room that the other player left it by Cancel (his word of leaving came
// before the line closed), and not as a machine that went without a word.
std::string leftRoomText(const std::string& player) {
    static constexpr std::string_view nobody = "The other player";
    return (player.empty() ? std::string(nobody) : player) + " left the waiting room.";
}

// The host's own Reject, whose refusal reaches the guest as the reason it goes.
std::string rejectionText(const std::string& player) {
    return "the host rejected " + player;
}

// The line that tells the host's room that the other player's connection went without his word of leaving:
// whose it was, and why in the system's words after it, as the battle tells its loss. The bare reason named
// nobody and began in the middle of a sentence.
std::string roomLostText(const std::string& player, std::string why) {
    static constexpr std::string_view lostPrefix = "the connection was lost: ";
    if (why.ends_with('.')) why.pop_back();
    if (why.starts_with(lostPrefix)) why.erase(0, lostPrefix.size());
    return "The connection to " + (player.empty() ? std::string("the other player") : player) +
           " was lost: " + why + ".";
}

// What the guest is told when its waiting room closes under it: whose connection went and why, as the
// reason was given (the host's program too old, the host gone, or silent; the host's own check of this
// machine's greeting, such as a name the host's player bears too). A host that never greeted is known by
// the address the player typed.
std::string roomLossText(const std::string& player, const std::string& you, const std::string& server,
                         std::string why) {
    static constexpr std::string_view lostPrefix = "the connection was lost: ";
    static constexpr std::string_view refusedPrefix = "refused the connection: ";
    static constexpr std::string_view refusedTherePrefix =
        "the other machine refused: refused the connection: ";
    if (why.ends_with('.')) why.pop_back();
    if (why.starts_with(refusedTherePrefix)) why.erase(0, refusedTherePrefix.size() - refusedPrefix.size());
    if (why.starts_with(refusedPrefix))
        return (player.empty() ? "The host at " + server : player) + " cannot be joined:\n" +
               why.substr(refusedPrefix.size()) + ".";
    if (why.starts_with(lostPrefix)) why.erase(0, lostPrefix.size());
    // The host's player sent this one away: his choice, told as his, not as a line that failed.
    if (!player.empty() && why == "the other machine refused: " + rejectionText(you))
        return player + " rejected you: you will not play in this battle.";
    return "The connection to " + (player.empty() ? "the host at " + server : player) +
           " was lost before the battle began:\n" + why + ".";
}

} // namespace

bool VaelGame::playNetworkGame() {
    TempNetDlg choose(netShown(onDialog));
    choose.attach(*app_);
    const std::int16_t answer = choose.create(TempNetDlg::TemplateName, Dialog::Modal);
    if (answer == TempNetDlg::IdServer) return hostNetworkGame();
    if (answer == TempNetDlg::IdClient) return joinNetworkGame();
    return false;
}

bool VaelGame::hostNetworkGame() {
    StartServerDlg server(hostedLast_ ? hostedLast_->name : systemUser(), netShown(onDialog));
    if (hostedLast_) server.offer(hostedLast_->port);
    server.attach(*app_);
    if (server.create(StartServerDlg::TemplateName, Dialog::Modal) != Dialog::IdOk) return false;
    hostedLast_ = HostedLast{server.name(), server.port()};
    if (findScenarios(app_->dataPath(9)).empty()) {
        failed("No battle to fight", "there is no scenario in " + app_->dataPath(9));
        return false;
    }
    const std::optional<ScenarioChoice> chosen = chooseScenario();
    if (!chosen) return false;
    const ScenarioChoice scenario = *chosen;
    std::vector<std::string> leaders;
    std::vector<std::int32_t> choices;
    if (!readLeaders(scenario.fileName, leaders, choices)) return false;
    comm::TcpListener listener(app_->platform());
    std::string error;
    if (!listener.listen(server.port(), error)) {
        failed("Cannot host a battle", error);
        return false;
    }
    chat_ = std::make_unique<NetChat>();
    chat_->setPlayerName(server.name());
    chat_->attach(app_->logicalLayer());
    // The room names the server as the guest's does, by the address a caller reaches it at: this machine.
    // It stands, as the server's dialog does, until the battle has begun.
    const std::string here = comm::TcpListener::machineName();
    ConnectNetDlg room(server.name(), here.empty() ? "this machine" : here, scenario.title, true,
                       netShown(onDialog));
    room.addPlayer(server.name());
    if (!waitForTheGuest(listener, room, server.name(), scenario.title, leaders, choices)) return false;
    return beginHostedBattle(server.name(), scenario.fileName, leaders, choices);
}

// The scenario's leaders, the home side's to the host and the visitor's to the guest until changed. A
// battle that does not load here is told before anybody is asked to join it.
bool VaelGame::readLeaders(const std::string& scenarioFile, std::vector<std::string>& leaders,
                           std::vector<std::int32_t>& choices) {
    VaelLogicalLayer probe("Leader list");
    registerUnitPrototypes(probe);
    if (!probe.LoadScenario(ScenarioInfoStruct{VaelApp::CustomScenario, scenarioFile, scenarioFile, 0})) {
        failed("Cannot host a battle", "the battle " + scenarioFile + " cannot be loaded");
        return false;
    }
    for (Leader* leader : each(probe.getHomeLeaders()))
        leaders.push_back(leader->getName()), choices.push_back(0);
    for (Leader* leader : each(probe.getVisitorLeaders()))
        leaders.push_back(leader->getName()), choices.push_back(1);
    return true;
}

bool VaelGame::waitForTheGuest(comm::TcpListener& listener, ConnectNetDlg& room, const std::string& host,
                               const std::string& title, const std::vector<std::string>& leaders,
                               std::vector<std::int32_t>& choices) {
    VaelNetComponent& net = app_->net();
    std::vector<std::unique_ptr<comm::NetPeer>> callers;
    hearCallers(listener, callers, room, host, title);
    // The player the host's Reject sent away: his going is the host's refusal, not a lost line.
    std::string rejected;
    net.onLost = [&](const std::string& why, bool) {
        if (!net.otherPlayer().empty()) room.removePlayer(net.otherPlayer());
        if (net.peer() && net.peer()->left())
            room.addMessage(leftRoomText(net.otherPlayer()));
        else if (!rejected.empty() && rejected == net.otherPlayer())
            room.addMessage("You rejected " + rejected + ".");
        else
            room.addMessage(roomLostText(net.otherPlayer(), why));
    };
    chat_->onLine = [&room](const std::string& line) { room.addMessage(line); };
    room.onSend = [this](const std::string& text) { chat_->say(text); };
    wireRoomButtons(room, host, leaders, choices, rejected);
    room.attach(*app_);
    // Pumped: the other player's chat comes on the bus while the room is open.
    const bool begin = room.create(ConnectNetDlg::TemplateName, Dialog::Pumped) == Dialog::IdOk;
    // The room goes with this call: a line that comes later must not reach it, nor a Reject the player
    // it names here.
    chat_->onLine = nullptr;
    room.onReject = nullptr;
    listener.close();
    // Those left never greeted: each is turned away at once, so that a crowd of them keeps nobody waiting.
    for (auto& caller : callers)
        if (caller && caller->isOpen()) caller->turnAway("the battle has its players already");
    callers.clear();
    net.onLost = nullptr;
    if (!begin || !net.peer() || !net.peer()->greeted()) {
        // The player who waits with us hears that we left, not that our machine went without a word.
        net.leave();
        net.setPeer(nullptr, false);
        chat_->detach();
        chat_.reset();
        return false;
    }
    return true;
}

// Callers who have not greeted yet: the first to greet takes the other player's place, so that a
// connection that never says who it is keeps nobody out.
void VaelGame::hearCallers(comm::TcpListener& listener, std::vector<std::unique_ptr<comm::NetPeer>>& callers,
                           ConnectNetDlg& room, const std::string& host, const std::string& title) {
    const comm::Greeting mine{comm::ProtocolVersion, VaelVersion, host, 1};
    const auto adopt = [this, &callers, &room, title](comm::NetPeer* caller, const comm::Greeting& theirs) {
        VaelNetComponent& net = app_->net();
        if (net.peer() && net.peer()->isOpen()) {
            caller->refuse("the battle has its players already");
            return;
        }
        for (auto& held : callers)
            if (held.get() == caller) {
                net.setPeer(std::move(held), true);
                break;
            }
        net.setOtherPlayer(theirs.player);
        room.addPlayer(theirs.player);
        room.addMessage(theirs.player + " has logged on.");
        chat_->tellBattleTitle(title);
    };
    listener.onAccept = [&callers, mine, adopt](std::unique_ptr<comm::TcpLink> link) {
        std::erase_if(callers, [](const std::unique_ptr<comm::NetPeer>& c) { return !c || !c->isOpen(); });
        auto caller = std::make_unique<comm::NetPeer>(std::move(link), mine);
        comm::NetPeer* at = caller.get();
        caller->onGreeted = [adopt, at](const comm::Greeting& theirs) { adopt(at, theirs); };
        callers.push_back(std::move(caller));
        at->start();
    };
}

void VaelGame::wireRoomButtons(ConnectNetDlg& room, const std::string& host,
                               const std::vector<std::string>& leaders, std::vector<std::int32_t>& choices,
                               std::string& rejected) {
    room.onChoose = [this, &room, host, &leaders, &choices] {
        VaelNetComponent& net = app_->net();
        // The other player's place is offered by the name the room still shows: one who has left is
        // nobody's, though his name stays with the line until the next caller greets.
        const bool here = !net.otherPlayer().empty() &&
                          std::ranges::find(room.players(), net.otherPlayer()) != room.players().end();
        std::vector<std::string> players = {host, here ? net.otherPlayer() : "(nobody)"};
        NetChooseLeadersDlg pick(leaders, players, choices, netShown(onDialog));
        pick.attach(*app_);
        if (pick.create(NetChooseLeadersDlg::TemplateName, Dialog::Modal) == Dialog::IdOk)
            choices = pick.choices();
    };
    room.onReject = [this, host, &rejected](const std::string& player) {
        VaelNetComponent& net = app_->net();
        if (player == host || !net.peer()) return;
        rejected = player;
        net.peer()->refuse(rejectionText(player));
    };
}

bool VaelGame::beginHostedBattle(const std::string& host, const std::string& scenarioFile,
                                 const std::vector<std::string>& leaders,
                                 const std::vector<std::int32_t>& choices) {
    VaelNetComponent& net = app_->net();
    std::vector<std::string> mine, theirs;
    for (std::size_t i = 0; i < leaders.size(); ++i)
        (choices[i] == 0 ? mine : theirs).push_back(leaders[i]);
    chat_->startBattle(scenarioFile, theirs);
    closeBattleWindows();
    answerQuestionsOnLoss();
    // The guest's own word of its leaders comes after the battle has begun, and can come after its answer
    // to the first question: the host knows them, having given them.
    playersToTell_ = {{host, mine}, {net.otherPlayer(), theirs}};
    std::string error;
    if (!app_->startNetworkBattle(scenarioFile, VaelApp::CustomScenario, mine, false, error)) {
        playersToTell_.clear();
        // The guest has been told to begin: it hears why nothing comes.
        if (net.peer() && net.peer()->isOpen())
            net.peer()->refuse("the host cannot start the battle: " + error);
        net.setPeer(nullptr, false);
        failed("Cannot start the battle", error);
        return false;
    }
    openBattleWindows();
    chatInBattle();
    return true;
}

bool VaelGame::joinNetworkGame() {
    StartClientDlg client(joinedLast_ ? joinedLast_->name : systemUser(), netShown(onDialog));
    if (joinedLast_) client.offer(joinedLast_->server, joinedLast_->port);
    client.attach(*app_);
    if (client.create(StartClientDlg::TemplateName, Dialog::Modal) != Dialog::IdOk) return false;
    joinedLast_ = JoinedLast{client.name(), client.server(), client.port()};
    std::string error;
    auto link = comm::TcpLink::connect(app_->platform(), client.server(), client.port(), error);
    if (!link) {
        failed("Cannot join the battle", error);
        return false;
    }
    VaelNetComponent& net = app_->net();
    net.setPeer(std::make_unique<comm::NetPeer>(
                    std::move(link), comm::Greeting{comm::ProtocolVersion, VaelVersion, client.name(), 0}),
                false);
    chat_ = std::make_unique<NetChat>();
    chat_->setPlayerName(client.name());
    chat_->attach(app_->logicalLayer());
    ConnectNetDlg room(client.name(), client.server(), "", false, netShown(onDialog));
    room.addPlayer(client.name());
    chat_->onBattleTitle = [&room](const std::string& title) { room.setScenarioName(title); };
    net.peer()->onGreeted = [&](const comm::Greeting& theirs) {
        net.setOtherPlayer(theirs.player);
        room.addPlayer(theirs.player);
        room.addMessage("Waiting for " + theirs.player + " to begin the battle...");
    };
    std::string scenarioFile;
    std::vector<std::string> leaders;
    bool told = false;
    chat_->onStart = [&](const std::string& file, const std::vector<std::string>& mine) {
        scenarioFile = file;
        leaders = mine;
        told = true;
        // The host's battle begins as soon as it has said so and asks this machine as it goes: what it sends
        // after its word waits (the network component holds it) until the battle here is loaded to take it.
        room.close(Dialog::IdOk);
    };
    std::string lostWhy;
    bool hostLeft = false;
    net.onLost = [&](const std::string& why, bool) {
        hostLeft = net.peer() && net.peer()->left();
        room.addMessage(hostLeft ? leftRoomText(net.otherPlayer()) : why);
        lostWhy = why;
        if (!told) room.close(Dialog::IdCancel);
    };
    chat_->onLine = [&room](const std::string& line) { room.addMessage(line); };
    room.onSend = [this](const std::string& text) { chat_->say(text); };
    net.peer()->start();
    room.attach(*app_);
    // Pumped: the host's word to begin, and the chat, come on the bus while the room is open.
    room.create(ConnectNetDlg::TemplateName, Dialog::Pumped);
    chat_->onLine = nullptr;
    net.onLost = nullptr;
    chat_->onStart = nullptr;
    chat_->onBattleTitle = nullptr;
    if (!told || !net.peer() || !net.peer()->isOpen()) {
        const std::string player = net.otherPlayer();
        // Our Cancel: the host hears that we left.
        net.leave();
        net.setPeer(nullptr, false);
        chat_->detach();
        chat_.reset();
        // The room is gone with the reason in it: the player hears it where he looks, as the battle's loss
        // is told, before he is back at the start.
        if (hostLeft)
            app_->messageBox(leftRoomText(player), "Network Game", 0);
        else if (!lostWhy.empty())
            app_->messageBox(roomLossText(player, client.name(), client.server(), lostWhy), "Network Game",
                             0);
        return false;
    }
    closeBattleWindows();
    answerQuestionsOnLoss();
    if (!app_->startNetworkBattle(scenarioFile, VaelApp::CustomScenario, leaders, false, error)) {
        failed("Cannot start the battle", error);
        net.peer()->refuse("the battle " + scenarioFile + " cannot be started here");
        return false;
    }
    chat_->announceLeaders(leaders);
    openBattleWindows();
    chatInBattle();
    net.releaseDeliveries();
    return true;
}

} // namespace vael
