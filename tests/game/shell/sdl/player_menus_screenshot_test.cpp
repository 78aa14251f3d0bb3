// The frame's menus over the start dialog in the game's real window under Xvfb, used as a new player uses
// them: Help, About... chosen by the mouse shows About at once over the start dialog, with no key pressed
// (player_start_about.png in the build folder), and File, Open Game... opens one Load Game.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/ui/window_manager.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "player_script.h"

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

} // namespace
} // namespace vael::test
