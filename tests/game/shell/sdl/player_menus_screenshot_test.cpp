// The frame's menus over the start dialog in the game's real window under Xvfb, used as a new player uses
// them: Help, About... chosen by the mouse shows About at once over the start dialog, with no key pressed
// (player_start_about.png in the build folder), and File, Open Game... opens one Load Game; the tool bar's
// Open Game shows its tip and opens Load Game there too (player_start_toolbar.png); an open menu shows
// its letters underlined and chooses an entry by its letter (player_menu_letters.png); a hidden overview
// stays hidden when the view is turned.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "framework/ui/menu_tracker.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
#include "game/map/vael_map_window.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/toolbar_points.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "player_script.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

// The black ink of About's lines, counted in the box where About stands.
int inkIn(const Grab& shot, const platform::Rect& r) {
    int ink = 0;
    for (int y = std::max(0, r.y); y < std::min(shot.height, r.y + r.height); ++y)
        for (int x = std::max(0, r.x); x < std::min(shot.width, r.x + r.width); ++x)
            ink += (shot.rgb[std::size_t(y) * shot.width + x] & 0xFFFFFF) == 0;
    return ink;
}

TEST(PlayerMenus, HelpAboutChosenByTheMouseOverTheStartDialogShowsAboutAtOnce) {
    FolderGameWindow w("menus_about");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    platform::Rect about{};
    bool startUnder = false;
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.fromMenu(2, "the Help menu", 0, "About... chosen", s.opened(AboutDlg::TemplateName));
    s.pause();
    s.step("About looked at", [&] {
        startUnder = s.open(StartGameDlg::TemplateName) != nullptr;
        about = WindowManager::instance().outerOnScreen(s.open(AboutDlg::TemplateName)->hwnd());
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "About's button", [&] { s.click(AboutDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(AboutDlg::TemplateName); });
    s.step(
        "File, Open Game...", [&] { s.openMenu(0); }, [&] { return s.menuOpen(0); });
    s.step(
        "Open Game chosen", [&] { s.chooseEntry(0); }, s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "Load Game cancelled", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.pause();
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_TRUE(startUnder);
    EXPECT_EQ(s.names, (std::vector<std::string>{"StartGame", "AboutDlg", "LoadSaveDlg", "StartGame"}));
    ASSERT_GT(shot.width, 0) << "player_start_about.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_start_about.png"));
    // About's lines are on the screen where it stands.
    EXPECT_GT(inkIn(shot, about), 50);
}

TEST(PlayerMenus, TheStartScreensToolBarOpenGameShowsItsTipAndOpensLoadGame) {
    FolderGameWindow w("menus_toolbar");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    const auto* bar = dynamic_cast<WindowsToolbar*>(w.game->frame().toolbar());
    ASSERT_NE(bar, nullptr);
    std::string tip;
    Grab shot;
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "the pointer resting on Open Game",
        [&] {
            const Point at = toolbarButton(*w.game, 1);
            s.moveMouse(at.x, at.y);
        },
        [&] { return bar->tipWindow() != nullptr; });
    s.step(
        "Open Game clicked",
        [&] {
            tip = bar->tipWindow() ? bar->tipWindow()->shownText() : "";
            clickAt(*w.watched, toolbarButton(*w.game, 1));
        },
        s.opened(LoadSaveDlg::TemplateName));
    s.pause();
    s.step("Load Game looked at", [&] { shot = grabWindow(w.sdl->window()); });
    s.step(
        "Load Game cancelled", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_EQ(tip, " Open Game ");
    EXPECT_EQ(s.names, (std::vector<std::string>{"StartGame", "LoadSaveDlg", "StartGame"}));
    ASSERT_GT(shot.width, 0) << "player_start_toolbar.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_start_toolbar.png"));
}

// File opened over the start dialog shows each label's letter underlined; O, pressed as the keyboard gives
// it, opens Load Game with nothing typed into its File Name.
TEST(PlayerMenus, AnOpenMenuUnderlinesItsLettersAndChoosesByThem) {
    FolderGameWindow w("menus_letters");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    Box open, onScreen;
    std::string field = "<not looked at>";
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "File opened", [&] { s.openMenu(0); }, [&] { return s.menuOpen(0); });
    s.pause();
    s.step("File looked at", [&] {
        shot = grabWindow(w.sdl->window());
        open = w.game->frame().menuTracker()->entryBox(0, 0);
        const platform::Rect outer = WindowManager::instance().outerOnScreen(w.game->frame().hwnd());
        onScreen = Box(static_cast<std::int16_t>(outer.x + open.x),
                       static_cast<std::int16_t>(outer.y + open.y), open.w, open.h);
    });
    s.step(
        "O pressed",
        [&] {
            platform::Event e;
            e.kind = platform::EventKind::KeyDown, e.key = 'O';
            w.watched->postEvent(e);
            postText(*w.watched, "o");
            e.kind = platform::EventKind::KeyUp;
            w.watched->postEvent(e);
        },
        s.opened(LoadSaveDlg::TemplateName));
    s.step("File Name looked at",
           [&] { field = s.open(LoadSaveDlg::TemplateName)->item(LoadSaveDlg::IdFileName)->text(); });
    s.step(
        "Load Game cancelled", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_EQ(s.names, (std::vector<std::string>{"StartGame", "LoadSaveDlg", "StartGame"}));
    EXPECT_EQ(field, "");
    ASSERT_GT(shot.width, 0) << "player_menu_letters.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_menu_letters.png"));
    // Under the O of "Open Game..." a black line as wide as the letter; the row below it is the menu's grey.
    const auto black = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < shot.width && y < shot.height &&
               (shot.rgb[std::size_t(y) * shot.width + x] & 0xFFFFFF) == 0;
    };
    const int left = onScreen.x + MenuTracker::CheckRoom, row = onScreen.y + 2 + MenuTracker::UnderlineDrop;
    int under = 0, below = 0;
    for (int x = left; x < left + 6; ++x)
        under += black(x, row), below += black(x, row + 1);
    EXPECT_EQ((std::pair{under, below}), (std::pair{6, 0}));
}

// The map's top-right corner in a picture of the map, as large as the overview that stands there when shown.
std::vector<std::uint32_t> cornerOf(const Grab& map, const Dim& size) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < std::min<int>(size.h, map.height); ++y)
        for (int x = std::max(0, map.width - size.w); x < map.width; ++x)
            pixels.push_back(map.rgb[std::size_t(y) * map.width + x] & 0xFFFFFF);
    return pixels;
}

// View, Hide Overview, then Reverse View: the turned map shows no overview, as the menu goes on saying
// (Hide Overview greyed, Show Overview offered); its corner is what Show Overview and Hide Overview again
// leave there. Show Overview brings it back with the turned side's picture.
TEST(PlayerMenus, AHiddenOverviewStaysHiddenWhenTheViewIsTurned) {
    FolderGameWindow w("menus_overview");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    const auto command = [&](std::uint16_t id) {
        w.app().postMessage(WinApp::mainWindowHandle(), MessageCommand, id, 0);
    };
    Grab turned, again;
    Dim size;
    using State = std::tuple<bool, bool, bool>;
    State hidden{}, shown{};
    bool shownTurned = false;
    const auto state = [&] {
        VaelMapWindow* map = shownMapWindow(w.app());
        const Menu* menu = map ? map->menu() : nullptr;
        if (!menu) return State{};
        return State{map->tile().overviewShown() != 0, menu->isEnabled(VaelMapWindow::HideOverview),
                     menu->isEnabled(VaelMapWindow::ShowOverview)};
    };
    startBattle(w);
    s.step(
        "the mouse off the map", [&] { s.moveMouse(2, 2); }, [&] { return playersOrders(w.app()); });
    s.step("View, Hide Overview", [&] {
        const Bitmap* picture = shownMapWindow(w.app())->tile().overview().picture();
        if (picture) size = picture->size();
        command(VaelMapWindow::HideOverview);
    });
    s.pause();
    s.step("View, Reverse View", [&] { command(VaelMapWindow::ReverseView); });
    s.step("the reversed view", {}, [&] { return playersOrders(w.app()); });
    s.pause();
    s.step("the turned map looked at", [&] {
        turned = grabMap(w.sdl->window(), w.app());
        hidden = state();
        command(VaelMapWindow::ShowOverview);
    });
    s.pause();
    s.step("the overview shown again", [&] {
        shown = state();
        shownTurned = shownMapWindow(w.app())->tile().overview().reversed();
        command(VaelMapWindow::HideOverview);
    });
    s.pause();
    s.step("and hidden again", [&] { again = grabMap(w.sdl->window(), w.app()); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_EQ(hidden, (State{false, false, true}));
    EXPECT_EQ(shown, (State{true, true, false}));
    EXPECT_TRUE(shownTurned);
    ASSERT_GT(size.w, 0);
    ASSERT_GT(turned.width, size.w);
    EXPECT_TRUE(cornerOf(turned, size) == cornerOf(again, size))
        << "the hidden overview shows on the turned map";
}

} // namespace
} // namespace vael::test
