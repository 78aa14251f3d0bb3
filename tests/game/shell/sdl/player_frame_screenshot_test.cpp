// What a player meets of the frame itself in the game's real window under Xvfb, played as he plays it:
// the tool bar's Start Game in the middle of a battle asks first and the File menu's Open Game once a
// saved game is chosen, the window given another size by the window manager lays the frame out anew, and
// the unit's details name its leader and tell that it moved. Screenshots of what he saw go to the build
// folder as "player_<what>.png".
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "battle_window.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/map/vael_map_window.h"
#include "game/net/net_dialogs.h"
#include "game/rules/combat/combat.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "game/shell/view_unit_dialog.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "player_script.h"
#include "support/ui/dialog_clicks.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

// The game in the real window with a script of steps; the dialogs along a battle's way are taken with
// their OK, but for the questions, which are the test's to answer.
struct ScriptedGame : BattleWindow {
    explicit ScriptedGame(const std::string& name) : BattleWindow(name) {
        if (!ready()) return;
        script = std::make_unique<PlayerScript>(*watched, *game);
        script->answer = [this](Dialog& d, const std::string& shown) {
            if (alongTheWay(shown) && shown != InformationDlg::TemplateName)
                clickOn(*watched, d, Dialog::IdOk);
        };
        watched->idle = [this] { script->idle(); };
        // A tick of its own wakes the script where nothing else would (a dialog with no timer running).
        ticker = platform->startTimer(50);
    }
    ~ScriptedGame() {
        if (platform && ticker) platform->stopTimer(ticker);
    }
    VaelApp& app() { return game->app(); }
    const std::string& status(std::int16_t line) { return game->frame().statusBar()->text(line); }

    // The road from the start dialog (or from Start Game) into a battle with the home side to the player.
    void intoBattle(bool fromStartDialog = true) {
        PlayerScript& s = *script;
        if (fromStartDialog) {
            s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
            s.step(
                "Start Battle", [&s] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdStartBattle); },
                s.opened(ScenarioDlg::TemplateName));
        }
        s.step(
            "the scenario's OK", [&s] { s.click(ScenarioDlg::TemplateName, Dialog::IdOk); },
            s.opened(IntroDlg::TemplateName));
        s.step(
            "the home side to the player",
            [&s] {
                s.click(IntroDlg::TemplateName, IntroDlg::IdHomePlayer);
                s.click(IntroDlg::TemplateName, Dialog::IdOk);
            },
            [this] { return playersOrders(app()); });
    }
    // A click on the first unit of his that shows on the map; the step waits for it selected.
    void clickAUnitOfHis(Combat*& unit) {
        script->step(
            "a unit of his clicked",
            [this, &unit] {
                for (Combat* c : orderable(app()))
                    if (!unit && screenPointOf(app(), static_cast<std::int16_t>(c->getHex()))) unit = c;
                if (unit) clickAt(*watched, *screenPointOf(app(), static_cast<std::int16_t>(unit->getHex())));
            },
            [&unit] { return unit && unit->isSelected(); });
    }
    // A click in the middle of a button of the tool bar, counted from the left.
    void clickToolbarButton(std::size_t which) {
        auto* bar = dynamic_cast<VaelToolbar*>(game->frame().toolbar());
        Item<Button*>* b = nullptr;
        bar->buttons().firstItem(b);
        for (std::size_t i = 0; b && i < which; ++i)
            b = b->next;
        if (!b) return script->faults.push_back("no tool-bar button " + std::to_string(which));
        auto* button = reinterpret_cast<Tile*>(b->value);
        const platform::Rect client = WindowManager::instance().clientOnScreen(bar->hwnd());
        clickAt(*watched, Point(static_cast<std::int16_t>(client.x + button->x() + button->width() / 2),
                                static_cast<std::int16_t>(client.y + button->y() + button->height() / 2)));
    }
    void playedThrough() {
        EXPECT_EQ(game->run(), 0);
        EXPECT_EQ(script->faults, std::vector<std::string>{});
    }

    std::unique_ptr<PlayerScript> script;
    std::uint32_t ticker = 0;
};

// A screenshot that was never taken is a fault of its own, not an empty file.
void writeShot(const Grab& grab, const std::string& name) {
    EXPECT_GT(grab.width, 0) << name << " was not taken";
    if (grab.width > 0) {
        EXPECT_TRUE(writePng(grab, fs::path(VAEL_BUILD_DIR) / name)) << name;
    }
}

// Where a window stands on the screen, as the window manager has it.
platform::Rect onScreen(WindowHandle window) {
    return WindowManager::instance().outerOnScreen(window);
}

// What the frame shows at one size: the whole window, the boxes of the bars, the client area, the map
// window's client area with its tile and overview, and the commentary window.
struct FrameSeen {
    Grab shot;
    platform::Rect outer, toolbar, statusBar, client, map, commentary;
    Dim tile;
    Box overview;
    bool overviewShown = false;
};

std::string text(const platform::Rect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

// A step's action that makes the window width x height (a fault where it is not on an X display), and the
// wait that follows it until the window has that size.
std::function<void()> resizeTo(ScriptedGame& w, int width, int height) {
    return [&w, width, height] {
        if (!resizeWindow(w.platform->window(), width, height))
            w.script->faults.push_back("the window is not on an X display");
    };
}
std::function<bool()> sizedTo(ScriptedGame& w, int width, int height) {
    return [&w, width, height] {
        const platform::Rect outer = onScreen(w.game->frame().hwnd());
        return outer.width == width && outer.height == height;
    };
}

// The tool bar's Start Game in the middle of a battle asks first: Cancel plays on as if nothing had been
// chosen; OK leads to the choice of scenario, and the new battle shows alone: the status bar no longer
// names the old battle's unit, the commentary holds only the new battle's first line, one map is open.
TEST(PlayerFrame, StartGameInTheMiddleOfABattleAsksFirst) {
    ScriptedGame w("player-start-asks");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Combat* unit = nullptr;
    GameControl* before = nullptr;
    bool sameBattle = false;
    std::vector<std::string> asked;
    std::string unitName, statusAfterCancel, statusAfter[3];
    std::vector<std::string> commentary;
    std::size_t maps = 0;
    Grab shot;
    w.intoBattle();
    w.clickAUnitOfHis(unit);
    s.step(
        "Start Game on the tool bar",
        [&] {
            before = w.app().gameControl();
            unitName = unit->getName();
            w.clickToolbarButton(0);
        },
        s.opened(InformationDlg::TemplateName));
    s.pause();
    s.step(
        "Cancel",
        [&] {
            asked = static_cast<InformationDlg*>(s.open(InformationDlg::TemplateName))->lines();
            shot = grabWindow(w.platform->window());
            s.click(InformationDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(InformationDlg::TemplateName); });
    s.pause();
    s.step("the battle goes on", [&] {
        statusAfterCancel = w.status(1);
        sameBattle = w.app().gameControl() == before && unit->isSelected();
    });
    s.step(
        "Start Game again", [&] { w.clickToolbarButton(0); }, s.opened(InformationDlg::TemplateName));
    s.step(
        "OK", [&] { s.click(InformationDlg::TemplateName, Dialog::IdOk); },
        s.opened(ScenarioDlg::TemplateName));
    w.intoBattle(false);
    s.pause();
    s.step("the new battle looked at", [&] {
        for (std::int16_t line = 1; line <= 2; ++line)
            statusAfter[line] = w.status(line);
        for (const CommentaryLine& line : w.app().commentary().lines()) {
            std::string text;
            for (const CommentaryRun& run : line)
                text += run.text;
            commentary.push_back(text);
        }
        for (WindowsChildWindow* child : w.game->frame().children())
            maps += dynamic_cast<VaelMapWindow*>(child) ? 1 : 0;
    });
    w.playedThrough();
    EXPECT_EQ(asked, (std::vector<std::string>{VaelGame::StartQuestion, VaelGame::ExitWarning}));
    // Cancelled, the battle is the same and its unit still selected; the first unit of the first leader is
    // the first of the Companions' six horse.
    EXPECT_TRUE(sameBattle);
    EXPECT_EQ(unitName, "Companion Ile 1");
    EXPECT_EQ(statusAfterCancel, "Companion Ile 1 (HC)");
    EXPECT_EQ(statusAfter[1], VaelMainWindow::Title);
    EXPECT_EQ(statusAfter[2], "");
    EXPECT_EQ(commentary, std::vector<std::string>{"Vaelmoric the Bold is now active."});
    EXPECT_EQ(maps, 1u);
    writeShot(shot, "player_start_game_asks.png");
}

// The File menu's Open Game in the middle of a battle shows the saved games first: cancelled, the battle
// goes on with no question. Once a saved game is chosen the player is asked whether to leave the battle;
// Cancel plays on, the game chosen unread.
TEST(PlayerFrame, OpenGameInTheMiddleOfABattleAsksOnceAGameIsChosen) {
    ScriptedGame w("player-open-asks");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    // Not a saved game at all: it is never read, the battle being kept.
    fs::create_directories(VaelApp::savedGamesDirectory());
    std::ofstream(VaelApp::savedGamesDirectory() / "evening.vel") << "not a saved game";
    GameControl* before = nullptr;
    bool sameAfterCancel = false;
    std::vector<std::string> asked;
    w.intoBattle();
    // The File menu: Open Game, Start Game, Preferences, a separator, Exit.
    s.fromMenu(0, "the File menu", 0, "Open Game...", s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "no saved game after all",
        [&] {
            before = w.app().gameControl();
            s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(LoadSaveDlg::TemplateName) && playersOrders(w.app()); });
    s.pause();
    s.step("the battle goes on", [&] { sameAfterCancel = w.app().gameControl() == before; });
    s.fromMenu(0, "the File menu again", 0, "Open Game... again", s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "a saved game chosen",
        [&] {
            s.open(LoadSaveDlg::TemplateName)->setItemText(LoadSaveDlg::IdFileName, "evening");
            s.click(LoadSaveDlg::TemplateName, Dialog::IdOk);
        },
        s.opened(InformationDlg::TemplateName));
    s.step(
        "Cancel",
        [&] {
            asked = static_cast<InformationDlg*>(s.open(InformationDlg::TemplateName))->lines();
            s.click(InformationDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(InformationDlg::TemplateName) && playersOrders(w.app()); });
    w.playedThrough();
    EXPECT_EQ(asked, (std::vector<std::string>{VaelGame::OpenQuestion, VaelGame::ExitWarning}));
    EXPECT_TRUE(sameAfterCancel);
    EXPECT_EQ(w.app().gameControl(), before);
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(LoadSaveDlg::TemplateName)), 2);
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(InformationDlg::TemplateName)), 1);
}

// The details of a unit, as Unit, View Details... shows them while it is selected: read, then closed.
void viewDetails(ScriptedGame& w, std::vector<UnitDetailsLine>& lines, Grab* shot = nullptr) {
    PlayerScript& s = *w.script;
    // The Unit menu: Rally, Restore Cohesion, Missile Volley, a separator, the two rotations, About Face,
    // a separator, Center On Unit, View Details.
    s.fromMenu(3, "the Unit menu", 9, "View Details...", s.opened(ViewUnitDlg::TemplateName));
    s.pause();
    s.step(
        "the details looked at",
        [&s, &w, &lines, shot] {
            lines = static_cast<ViewUnitDlg*>(s.open(ViewUnitDlg::TemplateName))->lines();
            if (shot) *shot = grabWindow(w.platform->window());
            s.click(ViewUnitDlg::TemplateName, Dialog::IdOk);
        },
        [&s] { return s.closed(ViewUnitDlg::TemplateName); });
}

// The value of a line of the details, by its label.
std::string detail(const std::vector<UnitDetailsLine>& lines, const std::string& label) {
    for (const auto& [name, value] : lines)
        if (name == label) return value;
    return "(no line " + label + ")";
}

// The details of the first Companion horse: his group's leader is Vaelmoric the Bold, who stands at the
// Companions' head in the scenario (his own group number is theirs). Before the move "Moved" says No;
// once the unit has walked to a hex of its lit moves, still selected, Yes.
TEST(PlayerFrame, UnitDetailsNameTheLeaderAndTellTheMove) {
    ScriptedGame w("player-details-moved");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Combat* unit = nullptr;
    short destination = -1;
    std::vector<UnitDetailsLine> before, after;
    Grab shot;
    w.intoBattle();
    w.clickAUnitOfHis(unit);
    viewDetails(w, before);
    s.step(
        "a lit hex clicked",
        [&] {
            const short here = static_cast<short>(unit->getHex());
            Item<short>* m = nullptr;
            for (unit->getValidMoves().firstItem(m); m && destination < 0; m = m->next)
                if (m->value != here && !contains(unit->getBlockedMoves(), m->value) &&
                    !contains(unit->getAttackHexes(), m->value) &&
                    ClickingPlayer::clickable(w.app(), m->value))
                    destination = m->value;
            if (destination >= 0) clickAt(*w.watched, *screenPointOf(w.app(), destination));
        },
        [&] {
            return destination >= 0 && unit->getHex() == static_cast<std::uint32_t>(destination) &&
                   playersOrders(w.app());
        });
    // The walk is played in both views; once its end has come back to the rules (they no longer wait for
    // it), the unit stands still and selected, its move over.
    s.step("the move's end taken by the rules", {},
           [&] { return unit->getHasMoved() == 0 && unit->isSelected(); });
    viewDetails(w, after, &shot);
    w.playedThrough();
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(detail(before, "Name"), "Companion Ile 1");
    EXPECT_EQ(detail(before, "Leader"), "Vaelmoric the Bold");
    EXPECT_EQ(detail(before, "Moved"), "No");
    EXPECT_EQ(detail(after, "Leader"), "Vaelmoric the Bold");
    EXPECT_EQ(detail(after, "Moved"), "Yes");
    writeShot(shot, "player_unit_details_moved.png");
}

FrameSeen lookAtFrame(ScriptedGame& w) {
    FrameSeen seen;
    VaelMainWindow& frame = w.game->frame();
    seen.shot = grabWindow(w.platform->window());
    seen.outer = onScreen(frame.hwnd());
    seen.toolbar = onScreen(dynamic_cast<WindowsToolbar*>(frame.toolbar())->hwnd());
    seen.statusBar = onScreen(dynamic_cast<WindowsStatusBar*>(frame.statusBar())->hwnd());
    seen.client = WindowManager::instance().clientOnScreen(frame.clientWindow());
    if (VaelMapWindow* map = shownMapWindow(w.app())) {
        seen.map = WindowManager::instance().clientOnScreen(map->hwnd());
        seen.tile = Dim(map->tile().width(), map->tile().height());
        OverviewMap& overview = map->tile().overview();
        seen.overview = Box(overview.x(), overview.y(), overview.width(), overview.height());
        seen.overviewShown = map->tile().overviewShown() != 0 && overview.picture() != nullptr;
    }
    for (WindowHandle h : WindowManager::instance().childrenOf(frame.hwnd()))
        if (auto* r = WindowManager::instance().find(h); r && dynamic_cast<CommentaryWindow*>(r->window))
            seen.commentary = onScreen(h);
    return seen;
}

// The columns of the status bar's art at its left and right ends, row by row: the same at any width.
std::vector<std::uint32_t> barEnds(const Grab& shot, const platform::Rect& bar) {
    std::vector<std::uint32_t> ends;
    for (int y = bar.y; y < bar.y + bar.height && y < shot.height; ++y)
        for (int x : {0, 1, 2, 3, bar.width - 4, bar.width - 3, bar.width - 2, bar.width - 1})
            if (x >= 0 && x < shot.width) ends.push_back(shot.rgb[std::size_t(y) * shot.width + x]);
    return ends;
}

// The window given another size by the window manager, smaller and larger than the game's own 1024 by
// 768, then so small that nothing fits, then back: the tool bar along the top, the status bar along the
// bottom, each the window's width; the battle map fills what lies between them, its overview in its
// top-right corner; the commentary stands in the map area's bottom-left corner, never over the status bar,
// and is back where it was once the window is.
TEST(PlayerFrame, TheFrameLaysItselfOutAtEverySizeOfTheWindow) {
    ScriptedGame w("player-resized");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    // The last but one leaves 2 rows between the bars, the last is the size the window opened with.
    const std::vector<std::pair<int, int>> sizes{{800, 600}, {1150, 880}, {200, 90}, {1024, 768}};
    FrameSeen first;
    std::vector<FrameSeen> seen(sizes.size());
    w.intoBattle();
    s.step(
        "the mouse off the map", [&] { s.moveMouse(2, 2); }, [&] { return playersOrders(w.app()); });
    s.pause();
    s.step("the window as it opened", [&] { first = lookAtFrame(w); });
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        // Named, not bound: the lambdas below copy them, and clang refuses to capture a binding.
        const int width = sizes[i].first, height = sizes[i].second;
        const std::string name = std::to_string(width) + "x" + std::to_string(height);
        s.step("the window made " + name, resizeTo(w, width, height), sizedTo(w, width, height));
        s.pause(std::chrono::milliseconds(1200));
        s.step("the frame at " + name, [&w, &seen, i] { seen[i] = lookAtFrame(w); });
    }
    // The player puts the commentary 100 rows higher by its caption; made smaller again, the window keeps
    // it where he put it, as far from the map area's bottom edge.
    platform::Rect put;
    FrameSeen smallAgain;
    s.step(
        "the commentary dragged up by its caption",
        [&] {
            put = seen.back().commentary;
            const int x = put.x + 60, y = put.y + WindowManager::Border + WindowManager::CaptionHeight / 2;
            postButtons(*w.watched, {platform::EventKind::ButtonDown}, x, y);
            s.moveMouse(x, y - 100);
            postButtons(*w.watched, {platform::EventKind::ButtonUp}, x, y - 100);
        },
        [&] { return seen.back().commentary.y - 100 == lookAtFrame(w).commentary.y; });
    s.step(
        "the window made 800x600 again", [&] { resizeWindow(w.platform->window(), 800, 600); },
        [&] { return onScreen(w.game->frame().hwnd()).width == 800; });
    s.pause();
    s.step("the frame at 800x600 again", [&] { smallAgain = lookAtFrame(w); });
    w.playedThrough();
    // Between the bars at 800 by 600: from row 48 down to row 560.
    EXPECT_EQ(smallAgain.commentary.x, CommentaryWindow::Margin) << text(smallAgain.commentary);
    EXPECT_EQ(smallAgain.commentary.y + smallAgain.commentary.height, 560 - CommentaryWindow::Margin - 100)
        << text(smallAgain.commentary);
    ASSERT_EQ(first.shot.width, 1024);
    const int menu = MenuTracker::BarHeight, tools = first.toolbar.height, status = first.statusBar.height;
    EXPECT_EQ(status, 40) << "the status bar's art is 40 rows high";
    EXPECT_EQ(first.commentary.x, first.client.x + CommentaryWindow::Margin) << text(first.commentary);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto [width, height] = sizes[i];
        const FrameSeen& f = seen[i];
        SCOPED_TRACE(testing::Message() << "at " << width << "x" << height);
        EXPECT_EQ(f.shot.width, width);
        EXPECT_EQ(f.shot.height, height);
        EXPECT_EQ(f.toolbar, (platform::Rect{0, menu, width, tools})) << text(f.toolbar);
        EXPECT_EQ(f.statusBar, (platform::Rect{0, height - status, width, status})) << text(f.statusBar);
        const platform::Rect between{0, menu + tools, width, height - menu - tools - status};
        EXPECT_EQ(f.client, between) << text(f.client);
        EXPECT_EQ(f.map, between) << text(f.map);
        EXPECT_EQ(f.tile,
                  Dim(static_cast<std::int16_t>(between.width), static_cast<std::int16_t>(between.height)));
        // The commentary inside the map area: off the status bar.
        EXPECT_GE(f.commentary.x, between.x) << text(f.commentary);
        EXPECT_GE(f.commentary.y, between.y) << text(f.commentary);
        EXPECT_LE(f.commentary.x + f.commentary.width, between.x + between.width) << text(f.commentary);
        EXPECT_LE(f.commentary.y + f.commentary.height, between.y + between.height) << text(f.commentary);
        // The status bar's ends are drawn where the bar now stands, as they were at the first size.
        EXPECT_EQ(barEnds(f.shot, f.statusBar), barEnds(first.shot, first.statusBar));
        if (between.height < 2 * first.commentary.height) continue; // the one where nothing fits
        // The overview whole in the tile, against its right edge as at the first size.
        EXPECT_TRUE(f.overviewShown);
        EXPECT_EQ(f.tile.w - (f.overview.x + f.overview.w),
                  first.tile.w - (first.overview.x + first.overview.w));
        EXPECT_EQ(f.overview.y, first.overview.y);
        EXPECT_LE(f.overview.y + f.overview.h, f.tile.h);
        // The commentary at its size, 8 from the map area's left and bottom edges.
        EXPECT_EQ(f.commentary.width, first.commentary.width);
        EXPECT_EQ(f.commentary.height, first.commentary.height);
        EXPECT_EQ(f.commentary.x, between.x + CommentaryWindow::Margin) << text(f.commentary);
        EXPECT_EQ(f.commentary.y + f.commentary.height, between.y + between.height - CommentaryWindow::Margin)
            << text(f.commentary);
    }
    // Back at the first size, the frame is as it was.
    EXPECT_EQ(seen.back().commentary, first.commentary);
    EXPECT_EQ(seen.back().overview, first.overview);
    writeShot(seen[0].shot, "player_resized_small.png");
    writeShot(seen[1].shot, "player_resized_large.png");
    writeShot(seen[2].shot, "player_resized_tiny.png");
}

// The pixels of a box of the window's shot, rows top first; none where the box leaves the shot.
std::vector<std::uint32_t> pixelsOf(const Grab& shot, const platform::Rect& r) {
    std::vector<std::uint32_t> out;
    if (r.x < 0 || r.y < 0 || r.x + r.width > shot.width || r.y + r.height > shot.height) return out;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            out.push_back(shot.rgb[std::size_t(y) * shot.width + x] & 0xFFFFFF);
    return out;
}

// A box left open while the window shrinks under it: About, opened over the start dialog in a window of
// 1280 x 1024, stands wholly inside the window made 640 x 480 (below the menu bar), showing there every
// pixel it showed in the large window, its caption and its button among them; the start dialog, too large
// for that window, stands at its top-left corner. The window made large again shows About where it stood
// before. The small window is left as player_small_window_box.png.
TEST(PlayerFrame, ABoxOpenWhileTheWindowShrinksStaysWhollyInsideIt) {
    ScriptedGame w("player-small-box");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    platform::Rect large, small, grown, start;
    Grab largeShot, smallShot;
    const auto resized = [&w](int width, int height) { return resizeTo(w, width, height); };
    const auto sized = [&w](int width, int height) { return sizedTo(w, width, height); };
    const auto about = [&s] { return onScreen(s.open(AboutDlg::TemplateName)->hwnd()); };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    // Moved to the screen's corner first: the X server reads back only a window that lies on its screen.
    s.step("the window moved to the corner", [&w] { SDL_SetWindowPosition(w.platform->window(), 0, 0); });
    s.step("the window made 1280x1024", resized(1280, 1024), sized(1280, 1024));
    s.pause();
    s.fromMenu(2, "the Help menu", 0, "About... chosen", s.opened(AboutDlg::TemplateName));
    s.pause();
    s.step("About in the large window", [&] {
        large = about();
        largeShot = grabWindow(w.platform->window());
    });
    s.step("the window made 640x480", resized(640, 480), sized(640, 480));
    s.pause(std::chrono::milliseconds(1200));
    s.step("About in the small window", [&] {
        small = about();
        start = onScreen(s.open(StartGameDlg::TemplateName)->hwnd());
        smallShot = grabWindow(w.platform->window());
    });
    s.step("the window made 1280x1024 again", resized(1280, 1024), sized(1280, 1024));
    s.pause();
    s.step("About in the large window again", [&] { grown = about(); });
    s.step(
        "About's button", [&] { s.click(AboutDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(AboutDlg::TemplateName); });
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    w.playedThrough();
    const int menu = MenuTracker::BarHeight;
    ASSERT_GT(small.width, 0);
    EXPECT_GE(small.x, 0) << text(small);
    EXPECT_GE(small.y, menu) << text(small);
    EXPECT_LE(small.x + small.width, 640) << text(small);
    EXPECT_LE(small.y + small.height, 480) << text(small);
    EXPECT_GT(large.y + large.height, 480) << "About stood beyond the small window's edge: " << text(large);
    EXPECT_EQ(grown, large);
    EXPECT_EQ((std::pair{start.x, start.y}), (std::pair{0, menu})) << text(start);
    ASSERT_EQ((std::pair{smallShot.width, smallShot.height}), (std::pair{640, 480}));
    const std::vector<std::uint32_t> seen = pixelsOf(smallShot, small);
    EXPECT_FALSE(seen.empty());
    EXPECT_TRUE(seen == pixelsOf(largeShot, large)) << "About shows in the small window as in the large one";
    writeShot(smallShot, "player_small_window_box.png");
}

// The start dialog is a box like the others: brought back in a window of 640 x 480 by a start-screen box
// cancelled there (Multiplayer's), it stands at the window's top-left corner; the window made 1024 x 768
// again puts it back where it stood before, not left in the corner over the tool bar's Start Game and Open
// Game. The grown window is left as player_start_dialog_regrown.png.
TEST(PlayerFrame, TheStartDialogGoesBackToItsPlaceWhenTheWindowGrowsAgain) {
    ScriptedGame w("player-start-regrown");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    platform::Rect before, small, regrown;
    Grab shot;
    const auto resized = [&w](int width, int height) { return resizeTo(w, width, height); };
    const auto sized = [&w](int width, int height) { return sizedTo(w, width, height); };
    const auto start = [&s] { return onScreen(s.open(StartGameDlg::TemplateName)->hwnd()); };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    // Moved to the screen's corner first: the X server reads back only a window that lies on its screen.
    s.step("the window moved to the corner", [&w] { SDL_SetWindowPosition(w.platform->window(), 0, 0); });
    s.step("the window made 1024x768", resized(1024, 768), sized(1024, 768));
    s.pause();
    s.step("the start dialog in the large window", [&] { before = start(); });
    s.step("the window made 640x480", resized(640, 480), sized(640, 480));
    s.pause();
    s.step(
        "Multiplayer", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdMultiplayer); },
        s.opened(TempNetDlg::TemplateName));
    s.step(
        "Escape", [&] { postKey(*w.watched, platform::KeyEscape); },
        [&] { return s.closed(TempNetDlg::TemplateName) && s.open(StartGameDlg::TemplateName); });
    s.pause();
    s.step("the start dialog in the small window", [&] { small = start(); });
    s.step("the window made 1024x768 again", resized(1024, 768), sized(1024, 768));
    s.pause(std::chrono::milliseconds(1200));
    s.step("the start dialog in the large window again", [&] {
        regrown = start();
        shot = grabWindow(w.platform->window());
    });
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    w.playedThrough();
    ASSERT_GT(before.width, 0);
    EXPECT_EQ((std::pair{small.x, small.y}), (std::pair{0, int(MenuTracker::BarHeight)})) << text(small);
    EXPECT_EQ(regrown, before) << text(regrown) << " against " << text(before);
    ASSERT_EQ((std::pair{shot.width, shot.height}), (std::pair{1024, 768}));
    writeShot(shot, "player_start_dialog_regrown.png");
}

} // namespace
} // namespace vael::test
