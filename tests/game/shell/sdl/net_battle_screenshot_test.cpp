// Two copies of the program on one X display fight two network battles to their end: one hosts the tests'
// short skirmish (the armies meet at once and break at their first loss) from the start dialog's Multiplayer
// and one joins it. At every activation of his own leaders each player, by the mouse and keys, has a unit
// with missiles shoot, a unit with an enemy near charge and a unit move, then finishes the leader. Every
// other box is answered as it stands; the elite initiative's question is answered Yes.
//
// The first battle has the default sides, the home leaders played on the host and the visitor's on the guest.
// Its first volley of each side is saved as its window ("net_battle_host_fired.png",
// "net_battle_guest_fired.png"), and its end as both windows ("net_battle_host_end.png",
// "net_battle_guest_end.png" in the build folder). The two commentaries, each line as its window holds it,
// must be the same, each side must have fired and charged, and neither machine's trace may show a unit
// acting after its leader's orders were over: the game's own network play holds both to one order.
//
// The second battle follows from the start dialog both programs come back to. The host's Choose... gives
// Vaelmoric the Bold, the leader with the elite initiative, to the guest: the guest's player must be asked
// the question and the host wait for his answer, and the first activation must name its player. The sides
// are shared (the guest leads Vaelmoric and the visitor's three), the players only move, and Vaelmoric falls
// as the orders of the guest's first move end, which gives the battle to the visitor's side: each end picture shows the side
// its player fights with, the host's lost and the guest's won, and comes as soon as the battle has
// ended, the host's player holding his picture open until the guest's shows ("net_battle_host_end2.png",
// "net_battle_guest_end2.png").
//
// The test program plays both parts: run plainly it starts itself twice, once for each machine.
#include <gtest/gtest.h>

#include <SDL.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/comm/tcp_link.h"
#include "framework/core/debug_stream.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_dialogs.h"
#include "game/net/vael_net_component.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/forged_battle_data.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "support/bus_recorder.h"
#include "support/temp_dir.h"
#include "two_programs.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* OneMachine = "NetBattleWindows.OneMachine";

// One machine of the battle, and what the test sees of it.
struct Side {
    bool host = false;
    std::uint16_t port = 0;
    fs::path work; // where the side leaves its word for the test
    platform::SdlPlatform* os = nullptr;
    VaelGame* game = nullptr;
    ClickingPlayer player;
    int looks = 0;
    bool firedShot = false;
    bool ended = false;
    bool closing = false;
    // Battles whose end picture this side has closed; the host's waiting room of the battle under way.
    int battles = 0;
    ConnectNetDlg* room = nullptr;
    // Whether the guest's commander has fallen in the second battle.
    bool fell = false;
    // The end picture open, looked at once the screen has settled under it; the host's wait for the
    // guest's picture (in looks).
    Dialog* endBox = nullptr;
    int endLooks = 0;
    std::chrono::steady_clock::time_point endSeen;
};
Side side;

std::string who() {
    return side.host ? "host" : "guest";
}

void click(Dialog& dialog, std::int16_t id) {
    clickItem(*side.os, dialog, id);
}

// The commentary as its window holds it, a line to a row, the bold marks left out.
std::string commentaryShown() {
    std::string text;
    for (const CommentaryLine& line : side.game->app().commentary().lines()) {
        for (const CommentaryRun& run : line)
            text += run.text;
        text += '\n';
    }
    return text;
}

void shoot(const std::string& what) {
    EXPECT_TRUE(writePng(grabWindow(side.os->window()),
                         fs::path(VAEL_BUILD_DIR) / ("net_battle_" + who() + "_" + what + ".png")));
}

// A leader of this machine activated anew is taken up by the player, even when he is the one taken up last
// (momentum, or the only leader left).
ContainerBase* activateLeader(Component*, BusMessage, ContainerBase*) {
    side.player.handled = {-1, -1, -1};
    return nullptr;
}

// The second battle ends at the first move of the guest's first leader, Vaelmoric the Bold, the home side's
// commander, who falls as his orders end (the walk and all it set off played out): his fall, played on the
// guest as its state shows it to the host, gives the battle to the visitor's side, the guest's, and the
// host's side loses it.
ContainerBase* ordersEnded(Component* target, BusMessage, ContainerBase*) {
    if (side.host || side.battles != 1 || std::exchange(side.fell, true)) return nullptr;
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target->getBus());
    if (Leader* commander = layer ? layer->findLeaderByName("Vaelmoric the Bold") : nullptr)
        commander->eliminate();
    return nullptr;
}

ContainerBase* gameEnded(Component*, BusMessage, ContainerBase*) {
    side.ended = true;
    return nullptr;
}

void idle() {
    // As a person looks before his next click: only once what he did last has been taken.
    if (!side.game || side.closing || side.os->eventWaiting() || side.game->app().queuedTasks() != 0) return;
    if (side.ended) return;
    if (++side.looks % 4 != 0) return;
    if (side.looks % 200 == 0) {
        const Leader* leader = ClickingPlayer::activeLeader(side.game->app());
        std::cerr << who() << " looks " << side.looks << " step " << int(side.player.step) << " activations "
                  << side.player.activations << " leader " << (leader ? leader->getName() : "-") << " orders "
                  << (leader && leader->isOrdersPhaseActive()) << " modal " << side.game->app().modalDepth()
                  << " status " << side.game->app().net().waitingText() << std::endl;
    }
    side.player.idle();
    if (!side.firedShot && side.player.volleys > 0) {
        side.firedShot = true;
        shoot("fired");
    }
}

// The battle under way as a file's suffix: "" for the first, "2" for the second.
std::string battleSuffix() {
    return side.battles == 0 ? "" : std::to_string(side.battles + 1);
}

// The end picture as the player sees it, once a few looks have let it be painted: saved with the battle as
// each machine told it, and closed. The host's player holds his second picture open until the guest's shows
// (neither waits on the other's Close), for at most 15 seconds. True while it holds the player's attention.
bool lookAtTheEnd() {
    if (!side.endBox) return false;
    if (++side.endLooks < 8) return true;
    Dialog& box = *side.endBox;
    const std::string suffix = battleSuffix();
    if (side.endLooks == 8) {
        shoot("end" + suffix);
        std::ofstream(side.work / (who() + ".commentary" + suffix)) << commentaryShown();
        const auto& end = static_cast<EndOfGameDlg&>(box);
        std::ofstream(side.work / (who() + ".end" + suffix))
            << end.nation() << ' ' << EndOfGameDlg::pictureName(end.outcome()) << '\n';
        side.endSeen = std::chrono::steady_clock::now();
    }
    if (side.host && !suffix.empty()) {
        const bool seen = fs::exists(side.work / ("guest.end" + suffix));
        if (!seen && std::chrono::steady_clock::now() - side.endSeen < std::chrono::seconds(15)) return true;
        std::ofstream(side.work / ("host.sawguest" + suffix)) << seen << '\n';
    }
    side.endBox = nullptr;
    side.endLooks = 0;
    ++side.battles;
    click(box, EndOfGameDlg::IdClose);
    return true;
}

ContainerBase* onTick(Component*, BusMessage, ContainerBase*) {
    if (lookAtTheEnd()) return nullptr;
    idle();
    return nullptr;
}

// The lines of a machine's trace that show a unit acting after its leader's orders, as the battle tool's
// pairs are checked.
std::string actsAfterOrders(const fs::path& trace) {
    const std::string command = std::string("awk -f '") + VAEL_ORDER_CHECK + "' '" + trace.string() + "' 2>&1";
    std::string found;
    if (FILE* out = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, out)) > 0;)
            found.append(chunk, n);
        ::pclose(out);
    }
    return found;
}

// Waits for a file the other program writes, for at most the time given; true once it is there.
bool awaitFile(const fs::path& file, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(file);
}

void answer(Dialog& d, const std::string& name) {
    std::cerr << who() << " dialog " << name << std::endl;
    if (name == StartGameDlg::TemplateName) {
        side.ended = false;
        // The second battle's orders are moves only: what it tells is its beginning and its end.
        if (side.battles > 0) side.player.fire = side.player.shock = false;
        return click(d, side.battles >= 2 ? StartGameDlg::IdExit : StartGameDlg::IdMultiplayer);
    }
    // The guest calls the second battle's host once it listens again.
    if (name == StartClientDlg::TemplateName && side.battles > 0)
        awaitFile(side.work / ("listening" + battleSuffix()), std::chrono::seconds(60));
    if (takeTheRoadIn(d, name, side.host, side.port, click)) return;
    if (name == ConnectNetDlg::TemplateName) {
        if (!side.host) return; // the guest's room closes when the host begins
        std::ofstream(side.work / ("listening" + battleSuffix())) << side.port << '\n';
        auto& room = static_cast<ConnectNetDlg&>(d);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (room.players().size() < 2 && std::chrono::steady_clock::now() < until) {
            side.game->app().pumpMessage();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (side.battles == 0) return click(d, Dialog::IdOk);
        // The second battle: Choose... first, whose OK is followed by the room's.
        side.room = &room;
        return click(d, ConnectNetDlg::IdChoose);
    }
    if (name == NetChooseLeadersDlg::TemplateName) {
        // Vaelmoric the Bold, whose elite initiative it is, to the other player (the second of the two).
        for (std::int16_t i = 0; i < NetChooseLeadersDlg::MaxLeaders; ++i) {
            const auto id = static_cast<std::int16_t>(NetChooseLeadersDlg::IdFirstName + i);
            const std::string leader = d.textTile(id) ? d.textTile(id)->text() : d.getItemText(id);
            if (leader.starts_with("Vaelmoric"))
                if (DialogItemWindow* combo =
                        d.item(static_cast<std::int16_t>(NetChooseLeadersDlg::IdFirstChoice + i)))
                    combo->select(1);
        }
        click(d, Dialog::IdOk);
        if (side.room) click(*side.room, Dialog::IdOk);
        side.room = nullptr;
        return;
    }
    if (name == EliteInitiativeDlg::TemplateName || name == VaelEliteInitiativeDlg::TemplateName) {
        // Who was asked, in which battle: the host waits for the player who holds the leader.
        std::ofstream(side.work / (who() + ".asked" + battleSuffix()), std::ios::app) << name << '\n';
        return click(d, name == VaelEliteInitiativeDlg::TemplateName ? VaelEliteInitiativeDlg::IdYes
                                                                     : Dialog::IdOk);
    }
    if (name == EndOfGameDlg::TemplateName) {
        // Looked at once it is painted (lookAtTheEnd).
        side.ended = true;
        side.endBox = &d;
        side.endLooks = 0;
        return;
    }
    // The battle's other questions and notices (the results) are taken as they stand.
    click(d, Dialog::IdOk);
}

// One machine's part, when this program was started as one.
TEST(NetBattleWindows, OneMachine) {
    const std::string role = env("VAEL_NET_ROLE");
    if (role.empty()) GTEST_SKIP() << "run by TwoProgramsFightOneBattleToItsEnd";
    side.host = role == "host";
    side.port = static_cast<std::uint16_t>(std::stoi(env("VAEL_NET_PORT")));
    side.work = env("VAEL_NET_WORK");
    const std::string trace = (side.work / (role + ".trace")).string();
    debugStream().rdbuf()->open(trace.c_str());
    TempDir dir(side.host ? "net-battle-host" : "net-battle-guest");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    // Both machines hold the same battle: the skirmish, forged alike on each.
    const std::string data = forgedBattleData(dir, "short_skirmish.scn.txt", "skirmish.scn");
    std::string error;
    auto platform = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(platform) << error;
    side.os = platform.get();
    std::srand(side.host ? 4 : 5);
    VaelGame vael(*platform, data);
    side.game = &vael;
    side.player.os = side.os, side.player.game = &vael;
    side.player.fire = true, side.player.shock = true;
    side.player.movable = [&vael](Combat& c) {
        return ClickingPlayer::clickable(vael.app(), static_cast<short>(c.getHex()));
    };
    ASSERT_TRUE(vael.ready());
    // Side by side on the screen: a window under another would be taken black.
    SDL_SetWindowPosition(side.os->window(), side.host ? 0 : 1060, 0);
    Probe probe("Player");
    probe.setup = [](Probe& p) {
        p.connectNamed("ActivateLeader", activateLeader);
        p.connectNamed("GameEnded", gameEnded);
        p.connectNamed("CanAttemptMomentum", ordersEnded);
        p.addTimer(onTick, 2);
    };
    probe.attach(vael.app().logicalLayer());
    vael.onDialog = answer;
    vael.run();
    probe.detach();
    std::ofstream(side.work / (role + ".played"))
        << side.player.volleys << ' ' << side.player.charges << ' ' << side.player.combats.size() << ' '
        << side.player.moves << '\n';
    // A click that left its unit unselected only sends the player on to his next order (it happens now and
    // then in a network battle, and is written to the log); any other fault he met is the game's.
    std::vector<std::string> faults;
    for (const std::string& fault : side.player.faults)
        if (!fault.ends_with("did not select it"))
            faults.push_back(fault);
        else
            std::cerr << who() << " player: " << fault << std::endl;
    EXPECT_EQ(faults, std::vector<std::string>{});
    side.game = nullptr, side.os = nullptr;
}

TEST(NetBattleWindows, TwoProgramsFightOneBattleToItsEnd) {
    if (!env("VAEL_NET_ROLE").empty()) GTEST_SKIP();
    TempDir work("net-battle");
    std::uint16_t port = 0;
    {
        platform::HeadlessPlatform probe(work / "probe.ini");
        comm::TcpListener listener(probe);
        std::string error;
        ASSERT_TRUE(listener.listen(0, error)) << error;
        port = listener.port();
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(560);
    const pid_t host = startMachine(OneMachine, "host", port, work.path(), work / "host.log");
    ASSERT_GT(host, 0);
    while (!fs::exists(work / "listening") && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const pid_t guest = fs::exists(work / "listening")
                            ? startMachine(OneMachine, "guest", port, work.path(), work / "guest.log")
                            : -1;
    const std::string guestEnd = guest > 0 ? finish(guest, until) : "never started";
    const std::string hostEnd = finish(host, until);
    // A machine that did not end is told with the last of its trace, which goes with the test's folder.
    const auto traceEnd = [&work](const char* role) {
        const std::string trace = contents(work / (std::string(role) + ".trace"));
        std::size_t at = trace.size();
        for (int lines = 0; lines < 60 && at > 0; ++lines)
            at = trace.rfind('\n', at - 1);
        return trace.substr(at == std::string::npos ? 0 : at);
    };
    EXPECT_EQ(hostEnd, "") << contents(work / "host.log") << traceEnd("host");
    EXPECT_EQ(guestEnd, "") << contents(work / "guest.log") << traceEnd("guest");
    const std::string hostSaid = contents(work / "host.commentary"),
                      guestSaid = contents(work / "guest.commentary");
    EXPECT_GT(hostSaid.size(), 500u) << "the host's battle never ended";
    EXPECT_EQ(guestSaid, hostSaid);
    // Both battles hold to one order of events on both machines: no unit moves, fires, routs or rallies
    // after its leader's orders are over and before the battle's next step opens.
    for (const char* role : {"host", "guest"}) {
        SCOPED_TRACE(role);
        EXPECT_EQ(actsAfterOrders(work / (std::string(role) + ".trace")), "");
    }
    // Orders on both sides: each player shot and moved by the mouse; the host's horse, in reach of the enemy
    // at once, charged, and the shock combat was fought (the guest's mounted men throw javelins instead).
    for (const char* role : {"host", "guest"}) {
        SCOPED_TRACE(role);
        int volleys = 0, charges = 0, combats = 0, moves = 0;
        ASSERT_TRUE(std::istringstream(contents(work / (std::string(role) + ".played"))) >> volleys >>
                    charges >> combats >> moves);
        EXPECT_GE(volleys, 1);
        EXPECT_GE(moves, 1);
        // The host's rules fight the battle's combats; the guest is shown them.
        if (std::string(role) == "host") {
            EXPECT_GE(charges, 1);
            EXPECT_GE(combats, 1);
        }
    }
    for (const char* png :
         {"net_battle_host_fired.png", "net_battle_guest_fired.png", "net_battle_host_end.png",
          "net_battle_guest_end.png", "net_battle_host_end2.png", "net_battle_guest_end2.png"})
        EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / png)) << png;
    // The first battle: the host leads Vaelmoric the Bold and is asked; the guest never is.
    EXPECT_TRUE(contents(work / "host.asked").starts_with("EliteInitDlg\n")) << contents(work / "host.asked");
    EXPECT_EQ(contents(work / "guest.asked"), "");
    // The second: Vaelmoric is the guest's, whose player is asked the first question; the host asks nothing
    // of its own player and waits for the guest's answer.
    EXPECT_TRUE(contents(work / "guest.asked2").starts_with("EliteInitDlg\n"))
        << contents(work / "guest.asked2");
    EXPECT_EQ(contents(work / "host.asked2"), "");
    const std::string hostSaid2 = contents(work / "host.commentary2"),
                      guestSaid2 = contents(work / "guest.commentary2");
    EXPECT_EQ(guestSaid2, hostSaid2);
    // Nobody refused a frame of the other: the guest took the first question with its battle loaded.
    EXPECT_EQ(hostSaid2.find("was lost"), std::string::npos) << hostSaid2;
    // The first activation names its player, as the default sides' does.
    std::istringstream lines(hostSaid2);
    std::string first;
    for (std::string line; first.empty() && std::getline(lines, line);)
        if (line.ends_with(" is now active.")) first = line;
    EXPECT_EQ(first, "Vaelmoric the Bold (Bob) is now active.") << hostSaid2;
    // Shared sides: the host leads two home leaders, the guest Vaelmoric and the visitor's three. Each end
    // picture is of the side its player fights with, the home side's lost and the visitor's won, and the
    // guest's came while the host's still stood.
    std::string hostNation, hostOutcome, guestNation, guestOutcome;
    std::istringstream(contents(work / "host.end2")) >> hostNation >> hostOutcome;
    std::istringstream(contents(work / "guest.end2")) >> guestNation >> guestOutcome;
    // The skirmish's home side is the Macedonians (nation 1), the visitor's the Indians (3).
    EXPECT_EQ(hostNation, "1");
    EXPECT_EQ(guestNation, "3");
    EXPECT_EQ(hostOutcome, "Lost");
    EXPECT_EQ(guestOutcome, "Won");
    EXPECT_EQ(contents(work / "host.sawguest2"), "1\n") << "the guest's end waited on the host's Close";
}

} // namespace
} // namespace vael::test
