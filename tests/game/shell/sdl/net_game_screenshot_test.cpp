// Two copies of the program on one X display: one hosts a battle from the start dialog's Multiplayer and
// one joins it, the home leaders played on the host and the visitor's on the guest. At his first leader's
// orders each player moves a unit by the mouse (a click on it, a click on a lit hex) and saves his window
// ("net_game_host_moved.png", "net_game_guest_moved.png"); the other program must then show that unit's
// figures on the new hex ("net_game_guest_saw_move.png", "net_game_host_saw_move.png"). Having seen it,
// each opens Player Chat by its keys, says a line, and waits for the other's line there. No message box may
// open on either side. Every later leader is finished at once; at the first activation of the second turn
// each program saves its window ("net_game_host.png", "net_game_guest.png" in the build folder) and writes
// where every unit stands, and the two must tell the same battle.
//
// The test program plays both parts: run plainly it starts itself twice, once for each machine.
//
// The guest's machine stops (its process stopped by the test) twice: at its first leader's orders, for
// less than the limit on silence, while the host waits on it: the host's status line names the guest
// ("net_game_waiting.png"), and the battle goes on once the guest's process goes on; and after the guest
// has been asked whether to leave and said no, for longer than the limit: the host tells the loss in a box,
// and the guest, woken, hears why.
//
// The host then hosts a second game, which a second guest joins and leaves by File, Exit at once, while the
// host's player has no box open. Each loss box of the host is looked at once the screen has settled
// ("net_game_lost.png", "net_game_lost_idle.png"): it must be on top, gone once answered, and the second
// game must run under no box of the first. Before the first game, a guest joins a program of an older
// protocol (played by the test) and must be told why it is sent back ("net_game_guest_refused.png").
#include <gtest/gtest.h>

#include <SDL.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/comm/net_peer.h"
#include "framework/comm/tcp_link.h"
#include "framework/core/debug_stream.h"
#include "framework/ui/main_window.h"
#include "framework/ui/menu.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"
#include "game/figures/vael_physical_object.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_physical_layer.h"
#include "game/map/vael_sprite.h"
#include "game/net/net_dialogs.h"
#include "game/net/vael_net_component.h"
#include "game/rules/combat/combat.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "framework/core/version.h"
#include "grab_png.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "support/bus_recorder.h"
#include "support/temp_dir.h"
#include "two_programs.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* OneMachine = "NetGameWindows.OneMachine";

// One machine of the game: what it is, and what the test sees of it.
struct Side {
    bool host = false;
    std::string role; // host, guest, guest2 (the second game's guest) or refused (the older host's caller)
    std::uint16_t port = 0;
    fs::path work; // where the side leaves its word for the other process
    platform::SdlPlatform* os = nullptr;
    VaelGame* game = nullptr;
    int turnsBegun = 0;
    bool shot = false;
    bool firstShot = false;
    bool closing = false;
    // The first orders are the clicking player's; the leaders after him are finished at once.
    ClickingPlayer player;
    bool playing = true;
    // The other side's move as it wrote it, and how far this side has looked for it: 0 not yet shown here,
    // 1 shown and the view centred on it, 2 written down.
    std::string theirs;
    int seen = 0;
    std::chrono::steady_clock::time_point centred;
    // The chat: 0 not begun, 1 its keys pressed, 2 this side's line sent, 3 the other's line come.
    int chat = 0;
    NetChatDlg* chatWindow = nullptr;
    bool closeAfterChat = false;
    // The guest leaves as a player does, by File, Exit: 1 chosen, 2 asked and cancelled (the window is then
    // closed).
    int leaving = 0;
    int looks = 0;
    // The guest's machine stopped by the test (see "The guest's machine stopped" below).
    bool actingTold = false;  // the guest: its first leader's orders begun, told to the test
    bool waitingSeen = false; // the host: its status line named the guest, and was saved
    bool stayTold = false;    // the guest: asked whether to leave, it said no and stays, told to the test
    // The host's games begun, and a box that tells a loss (the host's, or the refused guest's), looked at
    // once the screen has settled.
    int games = 0;
    Dialog* lossBox = nullptr;
    WindowHandle lossShown = 0;
    int lossLooks = 0;
    int lossesSeen = 0;
    bool refusedTold = false;
};
Side side;

std::string who() {
    return side.role;
}
std::string other() {
    return side.host ? "guest" : "host";
}

// Whatever message box opens is written down for the test to find.
void noteBox(const std::string& text) {
    std::ofstream(side.work / (who() + ".boxes"), std::ios::app) << text << '\n';
}

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

// File, Exit: in the battle he joined the guest is asked first, as the host would be.
void leave() {
    if (side.leaving != 0) return;
    side.leaving = 1;
    side.game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand, WindowsMainWindow::Exit, 0);
}

// ---- The guest's machine stopped ----
// The guest tells the test, by a file, when its first leader's orders begin (the host then waits on it) and
// when it has said no to leaving (its battle still runs); the test stops its process at each. The host
// saves its window once its status line says whom it waits for.

void tellActing(VaelLogicalLayer& layer, unsigned short number) {
    if (side.host || side.actingTold) return;
    Leader* leader = layer.findLeader(number);
    if (!leader || !layer.isLocalLeader(leader)) return;
    side.actingTold = true;
    std::ofstream(side.work / "guest.acting") << number << '\n';
}

void lookForTheWait() {
    if (!side.host || side.waitingSeen) return;
    const std::string waiting = side.game->app().net().waitingText();
    if (waiting.empty()) return;
    StatusBar* bar = side.game->frame().statusBar();
    const std::string line = bar ? bar->text(2) : std::string("(no status bar)");
    // Drawn before it is grabbed.
    side.game->app().pumpMessage();
    side.waitingSeen = true;
    EXPECT_TRUE(writePng(grabWindow(side.os->window()), fs::path(VAEL_BUILD_DIR) / "net_game_waiting.png"));
    std::ofstream(side.work / "host.waiting") << waiting << '\n' << line << '\n';
}

// The guest stays in the battle after saying no to leaving, its next leader's orders left open (as a
// player who thinks leaves them), until its machine is stopped and woken: its battle then ends, as the
// host has gone on without it.
bool stayAfterNo() {
    if (side.host || side.leaving != 2) return false;
    if (!std::exchange(side.stayTold, true)) std::ofstream(side.work / "guest.stays") << "stays\n";
    return true;
}
// A box that tells a loss: the host's, or the refused guest's. It is left open for the player to look at.
bool isLossBox(const std::string& text) {
    const bool lost = text.find(" was lost") != std::string::npos ||
                      text.find(" left the battle") != std::string::npos ||
                      text.find(" cannot be joined") != std::string::npos;
    return lost && (side.host || side.role == "refused");
}
// Once the screen has settled under it (a few looks), the box is saved as the player sees it, whether it is
// on top where it stands is written down, and it is answered. True while it holds the player's attention.
bool lookAtTheLoss() {
    if (!side.lossBox) return false;
    if (++side.lossLooks < 8) return true;
    Dialog& box = *side.lossBox;
    side.lossBox = nullptr;
    side.lossLooks = 0;
    ++side.lossesSeen;
    const std::string picture = side.role == "refused" ? "net_game_guest_refused.png"
                                : side.lossesSeen == 1 ? "net_game_lost.png"
                                                       : "net_game_lost_idle.png";
    EXPECT_TRUE(writePng(grabWindow(side.os->window()), fs::path(VAEL_BUILD_DIR) / picture));
    WindowManager& manager = WindowManager::instance();
    const platform::Rect r = manager.outerOnScreen(box.hwnd());
    std::ofstream(side.work / (who() + ".loss" + std::to_string(side.lossesSeen)))
        << "on top " << (manager.windowAt(r.x + r.width / 2, r.y + r.height / 2) == box.hwnd()) << '\n';
    side.lossShown = box.hwnd();
    if (side.role == "refused") side.refusedTold = true;
    click(box, Dialog::IdOk);
    return true;
}
// ---- end of the guest's machine stopped ----

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
    // The second game's guest leaves as soon as the battle moves, the host's player at his orders.
    if (side.role == "guest2") {
        leave();
        return nullptr;
    }
    // The host's second game: whatever of the first is still open stands under its battle.
    if (side.host && side.games == 2 && side.lossesSeen == 1) {
        std::ofstream(side.work / "host.second", std::ios::app)
            << "open " << side.game->app().modalDepth() << '\n';
    }
    tellActing(layer, number);
    if (!side.firstShot) {
        side.firstShot = true;
        const std::string who = side.host ? "host" : "guest";
        const Grab picture = grabWindow(side.os->window());
        // The host's first picture is taken over its first question, before this (lookAtFirstLayout).
        EXPECT_TRUE(
            writePng(picture, fs::path(VAEL_BUILD_DIR) /
                                  ("net_game_" + who + (side.host ? "_first_orders.png" : "_first.png"))));
        writeMapArea(picture, side.work / (who + ".first"));
    }
    if (side.turnsBegun >= 2 && !side.shot) {
        side.shot = true;
        const std::string who = side.host ? "host" : "guest";
        const Grab picture = grabWindow(side.os->window());
        EXPECT_EQ((std::pair{picture.width, picture.height}), (std::pair{1024, 768}));
        EXPECT_TRUE(writePng(picture, fs::path(VAEL_BUILD_DIR) / ("net_game_" + who + ".png")));
        std::ofstream(side.work / (who + ".units")) << unitsSeen(layer);
        // The guest leaves first, once the players have talked: the host sees it go and ends its game, then
        // closes.
        if (!side.host) {
            if (side.chat == 3)
                leave();
            else
                side.closeAfterChat = true;
        }
        return nullptr;
    }
    Leader* leader = layer.findLeader(number);
    if (leader && layer.isLocalLeader(leader) && !leader->isComputerControlled() && !side.playing &&
        !side.stayTold)
        side.game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
    return nullptr;
}

// The unit's display object on this machine's normal view, and how many of its figures stand on the hex
// (a figure stands where its lowest drawn point is), of how many.
std::pair<int, int> figuresOn(VaelApp& app, std::uint16_t unit, short hex) {
    VaelPhysicalLayer& layer = app.views()->normal();
    VaelMapWindow* map = mapWindow(app);
    auto* object = dynamic_cast<VaelPhysicalObject*>(layer.componentAt(layer.objectId(unit)));
    if (!map || !object) return {0, 0};
    const int zoom = map->tile().zoomIndex();
    PointedVaelLandscape* land = layer.zoomLandscape(zoom);
    int on = 0, all = 0;
    for (std::int16_t f = 0; f < static_cast<std::int16_t>(object->spriteCount()); ++f) {
        VaelSprite* figure = object->figure(f);
        if (!figure || object->fallenState(f)) continue;
        ++all;
        const Box b = figure->boundsAt(zoom);
        std::optional<Point> feet;
        for (int y = b.y + b.h - 1; y >= b.y && !feet; --y)
            for (int x = b.x; x < b.x + b.w && !feet; ++x)
                if (figure->hitTestAt(Point(std::int16_t(x), std::int16_t(y)), zoom))
                    feet = Point(std::int16_t(x), std::int16_t(y));
        const std::int16_t block = feet && land ? land->blockAtPoint(*feet) : -1;
        on += block >= 0 && static_cast<short>(land->blockToHex(block)) == hex;
    }
    return {on, all};
}

// The other side's move, once it is shown here: the unit on its new hex in the rules and on the map, no
// figure walking; the view is centred on it and, a moment later, the window saved and what it shows written.
void lookForTheirMove() {
    if (side.seen == 2) return;
    VaelApp& app = side.game->app();
    if (side.theirs.empty()) {
        std::ifstream in(side.work / (other() + ".moved"));
        std::string line;
        if (!std::getline(in, line) || line.empty()) return;
        side.theirs = line;
    }
    std::istringstream move(side.theirs);
    unsigned unit = 0;
    short hex = -1;
    move >> unit >> hex;
    VaelUnit* moved = app.logicalLayer().findUnit(static_cast<std::uint16_t>(unit));
    if (!moved || !app.views()) return;
    if (side.seen == 0) {
        const auto [on, all] = figuresOn(app, static_cast<std::uint16_t>(unit), hex);
        if (moved->getHex() != static_cast<std::uint32_t>(hex) || on == 0 ||
            app.views()->normal().movingObjects().count() != 0)
            return;
        screenPointOf(app, hex);
        side.centred = std::chrono::steady_clock::now();
        side.seen = 1;
        return;
    }
    if (std::chrono::steady_clock::now() - side.centred < std::chrono::milliseconds(800)) return;
    side.seen = 2;
    const auto [on, all] = figuresOn(app, static_cast<std::uint16_t>(unit), hex);
    EXPECT_TRUE(writePng(grabWindow(side.os->window()),
                         fs::path(VAEL_BUILD_DIR) / ("net_game_" + who() + "_saw_move.png")));
    VaelPhysicalLayer& view = app.views()->normal();
    auto* object = dynamic_cast<VaelPhysicalObject*>(view.componentAt(view.objectId(std::uint16_t(unit))));
    std::ofstream(side.work / (who() + ".saw"))
        << unit << ' ' << hex << ' ' << moved->getHex() << ' ' << (object ? object->region() : -1) << ' '
        << on << ' ' << all << '\n';
}

// Player Chat by its keys once the other's move is seen: this side's line, then the other's awaited.
void talk() {
    if (side.seen != 2 || side.chat == 3) return;
    if (side.chat == 0) {
        side.chat = 1;
        for (platform::EventKind kind : {platform::EventKind::KeyDown, platform::EventKind::KeyUp}) {
            platform::Event e;
            e.kind = kind, e.key = 'T', e.modifiers = platform::ModControl;
            side.os->postEvent(e);
        }
        return;
    }
    if (side.chat != 2 || !side.chatWindow) return;
    DialogItemWindow* lines = side.chatWindow->item(NetChatDlg::IdLines);
    const std::string theirName = side.host ? "Bob: " : "Ann: ";
    bool come = false;
    for (std::int32_t i = 0; lines && i < lines->rowCount(); ++i)
        come = come || lines->row(i)->text.rfind(theirName, 0) == 0;
    if (!come) return;
    side.chat = 3;
    std::ofstream out(side.work / (who() + ".chat"));
    for (std::int32_t i = 0; i < lines->rowCount(); ++i)
        out << lines->row(i)->text << '\n';
    if (side.closeAfterChat) leave();
}

// ---- The host's first battle picture ----
// The host's battle opens with its first question (the elite initiative of its leader). Over that question
// the window must already be laid out as the guest's: the map window maximized over the whole client area
// and the battle's every menu on the bar. A few looks after the question has opened (so that what it
// covers has been shown), the window is saved as "net_game_host_first.png" and what it shows is written
// down for the test, then the question is answered.
struct FirstLayout {
    Dialog* question = nullptr;
    int looks = 0;
    bool written = false;
};
FirstLayout firstLayout;

bool isFirstQuestion(const std::string& name) {
    return side.host && !firstLayout.written && !firstLayout.question &&
           (name == EliteInitiativeDlg::TemplateName || name == VaelEliteInitiativeDlg::TemplateName);
}

// Looked at while the question is open; true while it holds the player's attention.
bool lookAtFirstLayout() {
    if (!firstLayout.question) return false;
    if (++firstLayout.looks < 8) return true;
    Dialog& question = *firstLayout.question;
    firstLayout.question = nullptr;
    firstLayout.written = true;
    VaelGame& game = *side.game;
    const Grab picture = grabWindow(side.os->window());
    EXPECT_TRUE(writePng(picture, fs::path(VAEL_BUILD_DIR) / "net_game_host_first.png"));
    std::ofstream out(side.work / "host.firstLayout");
    WindowManager& manager = WindowManager::instance();
    VaelMapWindow* map = mapWindow(game.app());
    const platform::Rect client = manager.clientOnScreen(game.frame().clientWindow());
    const platform::Rect mapBox = map ? manager.outerOnScreen(map->hwnd()) : platform::Rect{};
    out << "maximized " << (map && map->isMaximized()) << '\n'
        << "active " << (map && game.frame().mdiGetActive() == map->hwnd()) << '\n'
        << "whole "
        << (mapBox.x == client.x && mapBox.y == client.y && mapBox.width == client.width &&
            mapBox.height == client.height)
        << '\n';
    out << "titles";
    if (const Menu* shown = game.frame().shownMenu(); shown && shown->handle())
        for (std::size_t i = 0; i < shown->handle()->count(); ++i)
            out << ' ' << shown->handle()->entry(i).text;
    out << '\n';
    // The bar as the player sees it: the ink of each title's label, in the picture.
    out << "inked";
    const platform::Rect frame = manager.outerOnScreen(game.frame().hwnd());
    const platform::Rect window = manager.outerOnScreen(WinApp::mainWindowHandle());
    const Menu* bar = game.frame().shownMenu();
    const std::size_t titles =
        bar && bar->handle() && game.frame().menuTracker() ? bar->handle()->count() : 0;
    for (std::size_t i = 0; i < titles; ++i) {
        const Box title = game.frame().menuTracker()->titleBox(i);
        int ink = 0;
        for (int y = title.y; y < title.y + title.h; ++y)
            for (int x = title.x; x < title.x + title.w; ++x) {
                const int px = frame.x - window.x + x, py = frame.y - window.y + y;
                if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) continue;
                const std::uint32_t p = picture.rgb[std::size_t(py) * picture.width + px];
                ink += ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) < 192;
            }
        out << ' ' << ink;
    }
    out << '\n';
    // The battlefield around the question, to be matched with the first orders' picture (nothing moves in
    // between): the map area, and the question's box in the window.
    writeMapArea(picture, side.work / "host.question");
    const platform::Rect asked = manager.outerOnScreen(question.hwnd());
    out << "asked " << asked.x - window.x << ' ' << asked.y - window.y << ' ' << asked.width << ' '
        << asked.height << '\n';
    click(question, Dialog::IdOk);
    return true;
}
// ---- end of the host's first battle picture ----

void idle();
ContainerBase* onTick(Component*, BusMessage, ContainerBase*) {
    idle();
    return nullptr;
}

void idle() {
    // As a person looks before his next click: only once what he did last has been taken.
    // The question is open in the middle of the battle's first step, whose followers stay queued.
    if (side.game && !side.closing && !side.os->eventWaiting() && lookAtFirstLayout()) return;
    if (side.game && !side.closing && !side.os->eventWaiting() && lookAtTheLoss()) return;
    if (!side.game || side.closing || side.os->eventWaiting() || side.game->app().queuedTasks() != 0) return;
    lookForTheWait();
    if (stayAfterNo()) return;
    if (side.leaving == 2) return closeProgram();
    // A step of the player at every fourth look: what a click set going (the display's answer to a
    // selection, a walk's first step) has come round by then.
    if (side.playing && ++side.looks % 4 == 0) {
        side.player.idle();
        // One unit moved (or none that could be): the clicking player's part is done.
        if (side.player.activations >= 1 && side.player.step == ClickingPlayer::Step::Waiting) {
            side.playing = false;
            // For the log when the move is missed.
            std::cerr << who() << " player: " << side.player.moves << " moves";
            for (const std::string& fault : side.player.faults)
                std::cerr << "; " << fault;
            std::cerr << std::endl;
        }
    }
    lookForTheirMove();
    talk();
}

ContainerBase* gameEnded(Component*, BusMessage, ContainerBase*) {
    // The host plays a second game after the first; the second guest goes back to its start dialog.
    if ((side.host && side.games == 1) || side.role == "guest2") return nullptr;
    closeProgram();
    return nullptr;
}

void answer(Dialog& d, const std::string& name) {
    // What each machine was asked, for its log when something fails.
    std::cerr << (side.host ? "host" : "guest") << " dialog " << name << std::endl;
    if (name == InformationDlg::TemplateName) {
        std::string text;
        for (std::int16_t id = InformationDlg::IdLine1; d.textTile(id); ++id)
            text += d.textTile(id)->text() + " ";
        if (side.leaving == 1 && text.find(VaelGame::ExitQuestion) != std::string::npos) {
            std::ofstream(side.work / (who() + ".asked")) << text << '\n';
            side.leaving = 2;
            // The second game's guest leaves; the first says no, and stays.
            return click(d, side.role == "guest2" ? Dialog::IdOk : Dialog::IdCancel);
        }
        // The program closed by its close box in a battle asks as File, Exit does: it is left.
        if (side.closing && text.find(VaelGame::ExitQuestion) != std::string::npos)
            return click(d, Dialog::IdOk);
        noteBox(text);
        if (isLossBox(text)) {
            std::ofstream(side.work / (who() + ".losses"), std::ios::app)
                << "open under it " << side.game->app().modalDepth() << '\n';
            side.lossBox = &d; // answered once looked at (lookAtTheLoss)
            return;
        }
    }
    if (name == EndOfGameDlg::TemplateName && side.host)
        std::ofstream(side.work / "host.ends", std::ios::app)
            << "box gone " << !WindowManager::instance().exists(side.lossShown) << '\n';
    if (name == NetChatDlg::TemplateName) {
        side.chatWindow = static_cast<NetChatDlg*>(&d);
        d.setItemText(NetChatDlg::IdMessage, side.host ? "hold the ford" : "the ridge is ours");
        click(d, NetChatDlg::IdSend);
        side.chat = 2;
        return;
    }
    if (isFirstQuestion(name)) {
        firstLayout.question = &d; // answered once looked at (lookAtFirstLayout)
        return;
    }
    if (name == StartGameDlg::TemplateName) {
        // Back at the start: the host hosts again once, the others are done.
        if ((side.host && side.games == 2) ||
            (!side.host && side.role != "guest" && (side.leaving || side.refusedTold)))
            return click(d, StartGameDlg::IdExit);
        return click(d, StartGameDlg::IdMultiplayer);
    }
    if (takeTheRoadIn(d, name, side.host, side.port, click)) return;
    if (name == ConnectNetDlg::TemplateName) {
        if (!side.host) return; // the guest's room closes when the host begins
        // The host listens now: the other process may call. The battle begins once it has logged on.
        ++side.games;
        std::ofstream(side.work / (side.games == 1 ? "listening" : "listening2")) << side.port << '\n';
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
    side.role = role;
    // Only the first game's players move a unit by the mouse.
    side.playing = role == "host" || role == "guest";
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
    side.player.os = side.os, side.player.game = &vael;
    // A person clicks a unit where the unit itself shows: not a hex that a figure in front of it covers.
    side.player.movable = [&vael](Combat& c) {
        return ClickingPlayer::clickable(vael.app(), static_cast<short>(c.getHex()));
    };
    // Where the unit stands once it has walked: the window as this player sees it, and the move for the
    // other program to look for.
    side.player.arrived = [] {
        EXPECT_TRUE(writePng(grabWindow(side.os->window()),
                             fs::path(VAEL_BUILD_DIR) / ("net_game_" + who() + "_moved.png")));
        std::ofstream(side.work / (who() + ".moved"))
            << side.player.unit->getUnitNum() << ' ' << side.player.destination << '\n';
        return false;
    };
    ASSERT_TRUE(vael.ready());
    // Side by side on the screen: a window under another would be taken black.
    SDL_SetWindowPosition(side.os->window(), side.host ? 0 : 1060, 0);
    Probe probe("Player");
    probe.setup = [](Probe& p) {
        p.connectNamed("ActivateLeader", activateLeader);
        p.connectNamed("BeginTurn", beginTurn);
        p.connectNamed("GameEnded", gameEnded);
        // The player looks at the screen at every other tick of the game's timer (the sockets are the
        // platform's own, so no platform stands between the game and it).
        p.addTimer(onTick, 2);
    };
    probe.attach(vael.app().logicalLayer());
    vael.onDialog = answer;
    vael.run();
    probe.detach();
    if (role == "host" || role == "guest") {
        EXPECT_TRUE(side.shot) << role << " never reached the second turn";
    }
    EXPECT_EQ(side.player.faults, std::vector<std::string>{});
    side.game = nullptr, side.os = nullptr;
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
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(330);
    // ---- A guest sent back by an older host ----
    // The older program is played here: it greets with the protocol before this one.
    std::string refusedEnd = "never started";
    {
        platform::HeadlessPlatform os(work / "older.ini");
        comm::TcpListener older(os);
        std::string error;
        ASSERT_TRUE(older.listen(0, error)) << error;
        std::unique_ptr<comm::NetPeer> peer;
        older.onAccept = [&](std::unique_ptr<comm::TcpLink> link) {
            peer = std::make_unique<comm::NetPeer>(std::move(link), comm::Greeting{1, VaelVersion, "Ann", 1});
            peer->start();
        };
        const pid_t refused = startMachine(OneMachine, "refused", older.port(), work.path(), work / "refused.log");
        ASSERT_GT(refused, 0);
        const auto by = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        siginfo_t info{};
        while ((::waitid(P_PID, static_cast<id_t>(refused), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                info.si_pid != refused) &&
               std::chrono::steady_clock::now() < by) {
            platform::Event e;
            while (os.pollEvent(e))
                if (e.kind == platform::EventKind::SocketReady) os.serviceSocket(e);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        refusedEnd = finish(refused, by);
    }
    // ---- end of a guest sent back by an older host ----
    const pid_t host = startMachine(OneMachine, "host", port, work.path(), work / "host.log");
    ASSERT_GT(host, 0);
    while (!fs::exists(work / "listening") && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const pid_t guest =
        fs::exists(work / "listening") ? startMachine(OneMachine, "guest", port, work.path(), work / "guest.log") : -1;
    // ---- The guest's machine stopped ----
    const auto appears = [&](const char* file, std::chrono::seconds within) {
        const auto by = std::min(until, std::chrono::steady_clock::now() + within);
        while (!fs::exists(work / file) && std::chrono::steady_clock::now() < by)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return fs::exists(work / file);
    };
    std::chrono::steady_clock::duration shortStop{}, hostLeftAfter{};
    bool hostTold = false;
    if (guest > 0 && appears("guest.acting", std::chrono::seconds(150))) {
        // Stopped for less than the limit: the host says it waits, and then both go on.
        const auto stopped = std::chrono::steady_clock::now();
        ::kill(guest, SIGSTOP);
        appears("host.waiting", std::chrono::seconds(12));
        std::this_thread::sleep_for(std::chrono::seconds(1));
        shortStop = std::chrono::steady_clock::now() - stopped;
        ::kill(guest, SIGCONT);
    }
    if (guest > 0 && appears("guest.stays", std::chrono::seconds(200))) {
        // Stopped for longer than the limit: the host tells the loss and ends its game on its own.
        const auto stopped = std::chrono::steady_clock::now();
        ::kill(guest, SIGSTOP);
        // The host goes on to a second game: what is timed is how soon its player saw the loss.
        while (!fs::exists(work / "host.loss1") &&
               std::chrono::steady_clock::now() - stopped < std::chrono::seconds(75))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        hostLeftAfter = std::chrono::steady_clock::now() - stopped;
        hostTold = contents(work / "host.boxes")
                       .find("The connection to Bob was lost: nothing came from the "
                             "other machine for 30 seconds") != std::string::npos;
        ::kill(guest, SIGCONT);
    }
    // ---- end of the guest's machine stopped ----
    const std::string guestEnd = guest > 0 ? finish(guest, until) : "never started";
    // ---- The second game ----
    const pid_t guest2 = appears("listening2", std::chrono::seconds(60))
                             ? startMachine(OneMachine, "guest2", port, work.path(), work / "guest2.log")
                             : -1;
    const std::string guest2End = guest2 > 0 ? finish(guest2, until) : "never started";
    // ---- end of the second game ----
    const std::string hostEnd = finish(host, until);
    EXPECT_EQ(hostEnd, "") << contents(work / "host.log");
    EXPECT_EQ(guestEnd, "") << contents(work / "guest.log");
    EXPECT_EQ(guest2End, "") << contents(work / "guest2.log");
    EXPECT_EQ(refusedEnd, "") << contents(work / "refused.log");
    const std::string hostUnits = contents(work / "host.units"), guestUnits = contents(work / "guest.units");
    EXPECT_GT(hostUnits.size(), 100u);
    EXPECT_EQ(guestUnits, hostUnits);
    for (const char* png :
         {"net_game_host.png", "net_game_guest.png", "net_game_host_first.png", "net_game_guest_first.png",
          "net_game_host_first_orders.png", "net_game_host_moved.png", "net_game_guest_saw_move.png",
          "net_game_guest_moved.png", "net_game_host_saw_move.png"})
        EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / png)) << png;

    // Each player moved a unit by the mouse with no box in his way, and the other program showed that unit
    // on its new hex, in its rules and with every standing figure of it there.
    for (const std::string mover : {"host", "guest"}) {
        SCOPED_TRACE(mover + " moved");
        const std::string seer = mover == "host" ? "guest" : "host";
        std::istringstream moved(contents(work / (mover + ".moved"))), saw(contents(work / (seer + ".saw")));
        unsigned unit = 0, sawUnit = 0;
        int hex = -1, sawHex = -1, ruled = -1, shown = -1, on = -1, all = -1;
        ASSERT_TRUE(moved >> unit >> hex) << mover << " moved no unit";
        ASSERT_TRUE(saw >> sawUnit >> sawHex >> ruled >> shown >> on >> all)
            << seer << " never showed the move";
        EXPECT_EQ(sawUnit, unit);
        EXPECT_EQ(sawHex, hex);
        EXPECT_EQ(ruled, hex) << "the rules' hex there";
        EXPECT_EQ(shown, hex) << "the display object's hex there";
        // A figure's lowest point (a horse's hoof, a shield's rim) may reach into the row in front.
        EXPECT_GT(all, 0);
        EXPECT_GE(on * 2, all) << on << " of " << all << " figures on the new hex";
    }
    // Leaving the battle he joined, the guest was asked first.
    const std::string asked = contents(work / "guest.asked");
    EXPECT_EQ(asked.rfind(std::string(VaelGame::ExitQuestion) + " Ann wins the battle by default. ", 0), 0u)
        << asked;
    // ---- The guest's machine stopped ----
    // The short stop: the host's status line named the guest within a few seconds, and the battle went on
    // (both reached the second turn, above).
    EXPECT_LT(shortStop, std::chrono::seconds(20)) << "the host never said that it waited";
    EXPECT_EQ(contents(work / "host.waiting"), "Waiting for Bob...\nWaiting for Bob...\n");
    EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / "net_game_waiting.png"));
    // The long stop: the host told the loss at once in a box, the only box of its first game, within the
    // limit and a little; the guest, woken, was told why.
    EXPECT_TRUE(hostTold) << contents(work / "host.boxes");
    EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / "net_game_lost.png"));
    EXPECT_LT(hostLeftAfter, std::chrono::seconds(45));
    EXPECT_EQ(
        contents(work / "host.boxes"),
        "The connection to Bob was lost: nothing came from the other machine for 30 seconds, not even its "
        "sign of life. The battle ends, won by default by Ann. \n"
        // Two lines, and the box's third row empty.
        "Bob left the battle. The battle ends, won by default by Ann.  \n");
    EXPECT_EQ(contents(work / "guest.boxes"), "The connection to Ann was lost: the other machine gave up "
                                              "waiting: nothing came from your machine for "
                                              "30 seconds. The battle ends, won by default by Ann. \n");
    // ---- end of the guest's machine stopped ----
    // ---- The second game, and each loss as the host's player saw it ----
    // Each loss box came with no other box open, stood on top once the screen had settled (and was saved
    // then), and was gone when the battle's end showed. The second game ran under nothing of the first, and
    // its guest, leaving, was asked what leaving costs him.
    EXPECT_EQ(contents(work / "host.losses"), "open under it 0\nopen under it 0\n");
    EXPECT_EQ(contents(work / "host.loss1"), "on top 1\n");
    EXPECT_EQ(contents(work / "host.loss2"), "on top 1\n");
    EXPECT_EQ(contents(work / "host.ends"), "box gone 1\nbox gone 1\n");
    {
        const std::string second = contents(work / "host.second");
        EXPECT_FALSE(second.empty()) << "the host's second battle never moved";
        std::istringstream lines(second);
        for (std::string line; std::getline(lines, line);)
            EXPECT_EQ(line, "open 0");
    }
    EXPECT_EQ(contents(work / "guest2.asked")
                  .rfind(std::string(VaelGame::ExitQuestion) + " Ann wins the battle by default. ", 0),
              0u)
        << contents(work / "guest2.asked");
    EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / "net_game_lost_idle.png"));
    // The guest sent back by the older host was told why, in a box on top.
    EXPECT_EQ(
        contents(work / "refused.boxes"),
        "The host at 127.0.0.1 cannot be joined: the other program is version 0.1 (protocol 1), this one "
        "is version 0.1 (protocol 4). \n");
    EXPECT_EQ(contents(work / "refused.loss1"), "on top 1\n");
    EXPECT_TRUE(fs::exists(fs::path(VAEL_BUILD_DIR) / "net_game_guest_refused.png"));
    // ---- end of the second game ----
    // Each heard the other in Player Chat during the battle.
    EXPECT_NE(contents(work / "host.chat").find("Bob: the ridge is ours\n"), std::string::npos)
        << contents(work / "host.chat");
    EXPECT_NE(contents(work / "guest.chat").find("Ann: hold the ford\n"), std::string::npos)
        << contents(work / "guest.chat");

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

    // ---- The host's first battle picture ----
    // Over its first question the host showed the whole map, maximized and active, and the battle's every
    // menu, each title inked on the bar; around the question the battlefield showed as at the first
    // orders, block by block.
    {
        std::istringstream layout(contents(work / "host.firstLayout"));
        std::map<std::string, std::string> said;
        for (std::string line; std::getline(layout, line);) {
            const std::size_t blank = line.find(' ');
            said[line.substr(0, blank)] = blank == std::string::npos ? "" : line.substr(blank + 1);
        }
        ASSERT_FALSE(said.empty()) << "the host's first question was never looked at";
        EXPECT_EQ(said["maximized"], "1");
        EXPECT_EQ(said["active"], "1");
        EXPECT_EQ(said["whole"], "1");
        EXPECT_EQ(said["titles"], "&File &Game &Leader &Unit &View &Window &Help");
        std::istringstream inked(said["inked"]);
        int titles = 0;
        for (int ink = 0; inked >> ink; ++titles)
            EXPECT_GT(ink, 0) << "title " << titles << " shows no label";
        EXPECT_EQ(titles, 7);
        int ax = 0, ay = 0, aw = 0, ah = 0;
        ASSERT_TRUE(std::istringstream(said["asked"]) >> ax >> ay >> aw >> ah) << said["asked"];
        const std::string bytes = contents(work / "host.question");
        std::vector<std::uint32_t> asked(bytes.size() / 4);
        std::memcpy(asked.data(), bytes.data(), asked.size() * 4);
        ASSERT_EQ(asked.size(), hostMap.size());
        int around = 0, same = 0;
        for (int by = 0; by + 16 <= height; by += 16)
            for (int bx = 0; bx + 16 <= width; bx += 16) {
                const int x = MapLeft + bx, y = MapTop + by;
                if (x + 16 > ax && x < ax + aw && y + 16 > ay && y < ay + ah) continue;
                ++around;
                int far = 0;
                for (int c = 0; c < 3; ++c) {
                    int sum[2] = {};
                    for (int yy = by; yy < by + 16; ++yy)
                        for (int xx = bx; xx < bx + 16; ++xx)
                            for (int m = 0; m < 2; ++m)
                                sum[m] +=
                                    (m ? asked : hostMap)[std::size_t(yy) * width + xx] >> (8 * c) & 0xFF;
                    far = std::max(far, std::abs(sum[0] - sum[1]) / 256);
                }
                same += far <= 24;
            }
        EXPECT_GT(around, 1000);
        EXPECT_GE(same * 100, around * 95)
            << same << " of " << around << " blocks around the question as at the first orders";
    }
    // ---- end of the host's first battle picture ----
}

} // namespace
} // namespace vael::test
