// Two copies of the program on one X display: one hosts a battle from the start dialog's Multiplayer and
// one joins it, the home leaders played on the host and the visitor's on the guest. Each player finishes
// every leader of his as it comes up; at the first activation of the second turn each program saves its
// window ("net_game_host.png", "net_game_guest.png" in the build folder) and writes where every unit
// stands, and the two must tell the same battle.
//
// The test program plays both parts: run plainly it starts itself twice, once for each machine.
#include <gtest/gtest.h>

#include <SDL.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/comm/tcp_link.h"
#include "framework/core/debug_stream.h"
#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_dialogs.h"
#include "game/net/vael_net_component.h"
#include "game/rules/combat/combat.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/combat_results_dlg.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dlg.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "support/bus_recorder.h"
#include "support/temp_dir.h"
#include "x11_grab.h"

extern char** environ;

namespace vael::test {
namespace {

namespace fs = std::filesystem;

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// One machine of the game: what it is, and what the test sees of it.
struct Side {
    bool host = false;
    std::uint16_t port = 0;
    fs::path work; // where the side leaves its word for the other process
    platform::SdlPlatform* os = nullptr;
    VaelGame* game = nullptr;
    int turnsBegun = 0;
    bool shot = false;
    bool firstShot = false;
    bool closing = false;
};
Side side;

void post(platform::EventKind kind, int x, int y) {
    platform::Event e;
    e.kind = kind, e.button = platform::ButtonLeft, e.x = x, e.y = y;
    side.os->postEvent(e);
}

void click(Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    post(platform::EventKind::ButtonDown, client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
    post(platform::EventKind::ButtonUp, client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

void closeProgram() {
    if (std::exchange(side.closing, true)) return;
    platform::Event close;
    close.kind = platform::EventKind::CloseRequest;
    side.os->postEvent(close);
}

// Every unit as "name hex facing in-play", in the order the battle's state travels.
std::string unitsSeen(VaelLogicalLayer& layer) {
    std::vector<std::string> names;
    for (Combat* u : each(layer.getHomeUnits()))
        names.push_back(u->getName());
    for (Combat* u : each(layer.getVisitorUnits()))
        names.push_back(u->getName());
    for (Leader* l : each(layer.getLeaders()))
        names.push_back(l->getName());
    const std::vector<VaelNetComponent::UnitSight> sights = VaelNetComponent::sightOf(layer);
    std::ostringstream out;
    for (std::size_t i = 0; i < sights.size() && i < names.size(); ++i)
        out << names[i] << ' ' << sights[i].hex << ' ' << sights[i].facing << ' ' << sights[i].inPlay << '\n';
    return out.str();
}

ContainerBase* beginTurn(Component*, BusMessage, ContainerBase*) {
    ++side.turnsBegun;
    return nullptr;
}

// The part of the window where the battlefield shows whatever else is open: under the tool bar, left of the
// overview map and above the commentary.
constexpr int MapLeft = 0, MapTop = 60, MapRight = 850, MapBottom = 540;

// The map area of a grab, a pixel (0xRRGGBB, four bytes) a row from the top, as the other process reads it.
void writeMapArea(const Grab& picture, const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    for (int y = MapTop; y < MapBottom && y < picture.height; ++y)
        for (int x = MapLeft; x < MapRight && x < picture.width; ++x) {
            const std::uint32_t p = picture.rgb[std::size_t(y) * picture.width + x];
            out.write(reinterpret_cast<const char*>(&p), sizeof p);
        }
}

// The player finishes his leaders at once; the first activation of the first turn and that of the second
// turn are the moments both machines are looked at.
ContainerBase* activateLeader(Component*, BusMessage, ContainerBase* data) {
    unsigned short number = 0;
    if (!Container<unsigned short>::fromMessage(data, number)) return nullptr;
    VaelLogicalLayer& layer = side.game->app().logicalLayer();
    if (!side.firstShot) {
        side.firstShot = true;
        const std::string who = side.host ? "host" : "guest";
        const Grab picture = grabWindow(side.os->window());
        EXPECT_TRUE(writePng(picture, fs::path(VAEL_BUILD_DIR) / ("net_game_" + who + "_first.png")));
        writeMapArea(picture, side.work / (who + ".first"));
    }
    if (side.turnsBegun >= 2 && !side.shot) {
        side.shot = true;
        const std::string who = side.host ? "host" : "guest";
        const Grab picture = grabWindow(side.os->window());
        EXPECT_EQ((std::pair{picture.width, picture.height}), (std::pair{1024, 768}));
        EXPECT_TRUE(writePng(picture, fs::path(VAEL_BUILD_DIR) / ("net_game_" + who + ".png")));
        std::ofstream(side.work / (who + ".units")) << unitsSeen(layer);
        // The guest leaves first: the host sees it go and ends its game, then closes.
        if (!side.host) closeProgram();
        return nullptr;
    }
    Leader* leader = layer.findLeader(number);
    if (leader && layer.isLocalLeader(leader) && !leader->isComputerControlled())
        side.game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
    return nullptr;
}

ContainerBase* gameEnded(Component*, BusMessage, ContainerBase*) {
    closeProgram();
    return nullptr;
}

void answer(Dialog& d, const std::string& name) {
    // What each machine was asked, for its log when something fails.
    std::cerr << (side.host ? "host" : "guest") << " dialog " << name << std::endl;
    if (name == StartGameDlg::TemplateName) return click(d, StartGameDlg::IdMultiplayer);
    if (name == TempNetDlg::TemplateName)
        return click(d, side.host ? TempNetDlg::IdServer : TempNetDlg::IdClient);
    if (name == StartServerDlg::TemplateName) {
        d.setItemText(StartServerDlg::IdName, "Ann");
        d.setItemText(StartServerDlg::IdPort, std::to_string(side.port));
        return click(d, Dialog::IdOk);
    }
    if (name == StartClientDlg::TemplateName) {
        d.setItemText(StartClientDlg::IdName, "Bob");
        d.setItemText(StartClientDlg::IdServer, "127.0.0.1");
        d.setItemText(StartClientDlg::IdPort, std::to_string(side.port));
        return click(d, Dialog::IdOk);
    }
    if (name == ConnectNetDlg::TemplateName) {
        if (!side.host) return; // the guest's room closes when the host begins
        // The host listens now: the other process may call. The battle begins once it has logged on.
        std::ofstream(side.work / "listening") << side.port << '\n';
        auto& room = static_cast<ConnectNetDlg&>(d);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (room.players().size() < 2 && std::chrono::steady_clock::now() < until) {
            side.game->app().pumpMessage();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(room.players(), (std::vector<std::string>{"Ann", "Bob"}));
        return click(d, Dialog::IdOk);
    }
    // The battle's own questions and notices (the elite initiative, the results, a player who left) are
    // taken as they stand.
    click(d, Dialog::IdOk);
}

// One machine's part, when this program was started as one.
TEST(NetGameWindows, OneMachine) {
    const std::string role = env("VAEL_NET_ROLE");
    if (role.empty()) GTEST_SKIP() << "run by TwoProgramsShowTheSameBattle";
    side.host = role == "host";
    side.port = static_cast<std::uint16_t>(std::stoi(env("VAEL_NET_PORT")));
    side.work = env("VAEL_NET_WORK");
    // Each machine keeps its own trace: both programs would write the one file otherwise.
    const std::string trace = (side.work / (role + ".trace")).string();
    debugStream().rdbuf()->open(trace.c_str());
    TempDir dir(side.host ? "net-game-host" : "net-game-guest");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto platform = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(platform) << error;
    side.os = platform.get();
    std::srand(side.host ? 4 : 5);
    VaelGame vael(*platform, VAEL_BUILD_DATA_DIR);
    side.game = &vael;
    ASSERT_TRUE(vael.ready());
    // Side by side on the screen: a window under another would be taken black.
    SDL_SetWindowPosition(side.os->window(), side.host ? 0 : 1060, 0);
    Probe probe("Player");
    probe.setup = [](Probe& p) {
        p.connectNamed("ActivateLeader", activateLeader);
        p.connectNamed("BeginTurn", beginTurn);
        p.connectNamed("GameEnded", gameEnded);
    };
    probe.attach(vael.app().logicalLayer());
    vael.onDialog = answer;
    vael.run();
    probe.detach();
    EXPECT_TRUE(side.shot) << role << " never reached the second turn";
    side.game = nullptr, side.os = nullptr;
}

pid_t startMachine(const char* role, std::uint16_t port, const fs::path& work, const fs::path& log) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> args = {self, "--gtest_filter=NetGameWindows.OneMachine"};
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e)
        vars.push_back(*e);
    vars.push_back(std::string("VAEL_NET_ROLE=") + role);
    vars.push_back("VAEL_NET_PORT=" + std::to_string(port));
    vars.push_back("VAEL_NET_WORK=" + work.string());
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Ends a machine that is still running after the time given, and tells how it ended.
std::string finish(pid_t pid, std::chrono::steady_clock::time_point until) {
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return "killed after the time allowed";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "exited " + std::to_string(status);
}

TEST(NetGameWindows, TwoProgramsShowTheSameBattle) {
    if (!env("VAEL_NET_ROLE").empty()) GTEST_SKIP();
    TempDir work("net-game");
    // A port free a moment ago.
    std::uint16_t port = 0;
    {
        platform::HeadlessPlatform probe(work / "probe.ini");
        comm::TcpListener listener(probe);
        std::string error;
        ASSERT_TRUE(listener.listen(0, error)) << error;
        port = listener.port();
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(240);
    const pid_t host = startMachine("host", port, work.path(), work / "host.log");
    ASSERT_GT(host, 0);
    while (!fs::exists(work / "listening") && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const pid_t guest =
        fs::exists(work / "listening") ? startMachine("guest", port, work.path(), work / "guest.log") : -1;
    const std::string guestEnd = guest > 0 ? finish(guest, until) : "never started";
    const std::string hostEnd = finish(host, until);
    EXPECT_EQ(hostEnd, "") << contents(work / "host.log");
    EXPECT_EQ(guestEnd, "") << contents(work / "guest.log");
    const std::string hostUnits = contents(work / "host.units"), guestUnits = contents(work / "guest.units");
    EXPECT_GT(hostUnits.size(), 100u);
    EXPECT_EQ(guestUnits, hostUnits);
    for (const char* png :
         {"net_game_host.png", "net_game_guest.png", "net_game_host_first.png", "net_game_guest_first.png"})
        EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / png)) << png;

    // At the first activation nothing has moved yet: both machines show the whole battlefield, the same,
    // with no black block where the map was not drawn.
    const auto pixels = [&](const char* who) {
        const std::string bytes = contents(work / (std::string(who) + ".first"));
        std::vector<std::uint32_t> p(bytes.size() / 4);
        std::memcpy(p.data(), bytes.data(), p.size() * 4);
        return p;
    };
    const std::vector<std::uint32_t> hostMap = pixels("host"), guestMap = pixels("guest");
    constexpr int width = MapRight - MapLeft, height = MapBottom - MapTop;
    ASSERT_EQ(hostMap.size(), std::size_t(width) * height);
    ASSERT_EQ(guestMap.size(), hostMap.size());
    const auto blackBlocks = [&](const std::vector<std::uint32_t>& map) {
        int blocks = 0;
        for (int by = 0; by + 16 <= height; by += 16)
            for (int bx = 0; bx + 16 <= width; bx += 16) {
                bool black = true;
                for (int y = by; y < by + 16 && black; ++y)
                    for (int x = bx; x < bx + 16 && black; ++x)
                        black = (map[std::size_t(y) * width + x] & 0xFFFFFF) == 0;
                blocks += black;
            }
        return blocks;
    };
    EXPECT_EQ(blackBlocks(hostMap), 0) << "the host's map is not drawn whole";
    EXPECT_EQ(blackBlocks(guestMap), 0) << "the guest's map is not drawn whole";
    // Block by block, as a player would compare them: the river's colours and the flags move on their own,
    // a block of ground or of soldiers stays its colour.
    int blocks = 0, alike = 0;
    for (int by = 0; by + 16 <= height; by += 16)
        for (int bx = 0; bx + 16 <= width; bx += 16) {
            int sum[2][3] = {};
            for (int y = by; y < by + 16; ++y)
                for (int x = bx; x < bx + 16; ++x)
                    for (int m = 0; m < 2; ++m) {
                        const std::uint32_t p = (m ? guestMap : hostMap)[std::size_t(y) * width + x];
                        sum[m][0] += p >> 16 & 0xFF, sum[m][1] += p >> 8 & 0xFF, sum[m][2] += p & 0xFF;
                    }
            int far = 0;
            for (int c = 0; c < 3; ++c)
                far = std::max(far, std::abs(sum[0][c] - sum[1][c]) / 256);
            ++blocks;
            alike += far <= 24;
        }
    EXPECT_GE(alike * 100, blocks * 95)
        << alike << " of " << blocks << " blocks alike: the two machines show different battlefields";
}

} // namespace
} // namespace vael::test
