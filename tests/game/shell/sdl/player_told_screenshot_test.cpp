// What the game tells a player in the real window under Xvfb, played as he meets it: a click on a unit of
// his that has moved says so in the status bar, and the end of a battle by rout is told in the commentary,
// its long line wrapped inside the window. Screenshots go to the build folder as "player_told_<what>.png".
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/core/list_walk.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "player_script.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

void writeShot(const Grab& grab, const std::string& name) {
    EXPECT_GT(grab.width, 0) << name << " was not taken";
    if (grab.width > 0) {
        EXPECT_TRUE(writePng(grab, fs::path(VAEL_BUILD_DIR) / name)) << name;
    }
}

// Rows of the box [x, x + w) x [y, y + h) of the grab holding the text's black ink.
std::vector<int> inkedRows(const Grab& shot, int x, int y, int w, int h) {
    std::vector<int> rows;
    for (int row = y; row < y + h && row < shot.height; ++row)
        for (int col = x; col < x + w && col < shot.width; ++col)
            if ((shot.rgb[std::size_t(row) * shot.width + col] & 0xFFFFFF) == 0) {
                rows.push_back(row);
                break;
            }
    return rows;
}

// A unit of his moved two rows on, let go by a click on its own hex and clicked again: the status bar's
// second line says it has moved this turn. Before, that click gave no answer at all.
TEST(PlayerTold, AClickOnHisUnitThatHasMovedSaysSoInTheStatusBar) {
    FolderGameWindow w("player-told-moved");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Combat* unit = nullptr;
    short to = -1;
    std::string said;
    Grab shot;
    startBattle(w);
    s.step(
        "a unit of his clicked",
        [&] {
            ClickingPlayer finder;
            unit = finder.firstOrderable(w.app(), [&](Combat& c) {
                return screenPointOf(w.app(), static_cast<std::int16_t>(c.getHex())).has_value();
            });
            if (unit) clickAt(*w.watched, *screenPointOf(w.app(), static_cast<std::int16_t>(unit->getHex())));
        },
        [&] { return unit && unit->isSelected(); });
    s.step(
        "a lit hex clicked",
        [&] {
            for (short h : unit->getValidMoves())
                if (to < 0 && h != static_cast<short>(unit->getHex()) && screenPointOf(w.app(), h)) to = h;
            if (to >= 0) clickAt(*w.watched, *screenPointOf(w.app(), to));
        },
        [&] { return to >= 0 && unit->getHex() == static_cast<std::uint16_t>(to) && playersOrders(w.app()); });
    s.step(
        "its own hex clicked", [&] { clickAt(*w.watched, *screenPointOf(w.app(), to)); },
        [&] { return !unit->isSelected(); });
    s.step(
        "clicked again", [&] { clickAt(*w.watched, *screenPointOf(w.app(), to)); },
        [&] { return !w.game->frame().statusBar()->text(2).empty(); });
    s.pause();
    s.step("the status bar looked at", [&] {
        said = w.game->frame().statusBar()->text(2);
        shot = grabWindow(w.sdl->window());
    });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_NE(unit, nullptr);
    writeShot(shot, "player_told_moved.png");
    EXPECT_NE(said.find(" has already moved this turn."), std::string::npos) << said;
    // The second line's ink is on the screen, in the bar's lower half.
    ASSERT_GT(shot.height, 40);
    const std::vector<int> rows = inkedRows(shot, 0, shot.height - 20, 600, 20);
    EXPECT_FALSE(rows.empty()) << "no second line in the status bar";
}

// The battle ends with the visitors past their rout limit, as game control ends it: the commentary's last
// line tells who routed and who won, and it is wrapped over two rows inside the commentary window, whose
// left part the end-of-battle dialog leaves in sight. Before, the end was not told, and a line longer than
// the window ran off its right edge.
TEST(PlayerTold, TheEndOfABattleByRoutIsToldInTheCommentaryWrappedInsideItsWindow) {
    FolderGameWindow w("player-told-end");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    std::string last;
    Grab shot;
    platform::Rect commentary{}, dialog{};
    std::size_t lines = 0;
    startBattle(w);
    s.step(
        "the visitors rout",
        [&] {
            Container<short> visitors(1);
            w.app().logicalLayer().sendNamed(msg::AutomaticWin, &visitors);
        },
        s.opened(EndOfGameDlg::TemplateName));
    s.pause();
    s.step("the commentary looked at", [&] {
        lines = w.app().commentary().lines().size();
        for (const CommentaryRun& run : w.app().commentary().lines().back())
            last += run.text;
        dialog = WindowManager::instance().outerOnScreen(s.open(EndOfGameDlg::TemplateName)->hwnd());
        // The commentary floats over the bottom left corner of the frame's map area.
        VaelMainWindow& frame = w.game->frame();
        const platform::Rect area = WindowManager::instance().clientOnScreen(frame.clientWindow());
        const WindowHandle window = WindowManager::instance().windowAt(
            area.x + CommentaryWindow::Margin + 20, area.y + area.height - CommentaryWindow::Margin - 20);
        commentary = WindowManager::instance().clientOnScreen(window);
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "Close", [&] { s.click(EndOfGameDlg::TemplateName, EndOfGameDlg::IdClose); },
        s.opened(StartGameDlg::TemplateName));
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    writeShot(shot, "player_told_end.png");
    EXPECT_EQ(last,
              "The Indian army has lost 1000 TQ points, its rout limit is 60: it routs from the field. The Macedonian "
              "army wins the battle.");
    ASSERT_GT(commentary.width, 0);
    // The rows of text left of the dialog, which stands over the window's right part: the line of the
    // leader's activation, then the end of the battle on two rows.
    const int right = std::min(commentary.x + commentary.width, dialog.x);
    const std::vector<int> inked = inkedRows(shot, commentary.x, commentary.y, right - commentary.x, commentary.height);
    int rows = 0;
    for (std::size_t i = 0; i < inked.size(); ++i)
        rows += i == 0 || inked[i] > inked[i - 1] + 1;
    EXPECT_EQ(lines, 2u);
    EXPECT_EQ(rows, 3) << "the end of the battle is not on two rows of its own";
}

// Save Game by the tool bar's third button, and OK with the name left empty: a box says why, over the save
// dialog, which stays open once the box is closed. Before, OK did nothing and said nothing.
TEST(PlayerTold, SaveGameWithNoNameSaysWhyAndStaysOpen) {
    FolderGameWindow w("player-told-save");
    ASSERT_TRUE(w.ready());
    w.keep = {InformationDlg::TemplateName};
    PlayerScript& s = *w.script;
    std::string said;
    Grab shot;
    startBattle(w);
    s.step(
        "the tool bar's Save Game",
        [&] {
            auto* bar = dynamic_cast<VaelToolbar*>(w.game->frame().toolbar());
            Item<Button*>* b = nullptr;
            bar->buttons().firstItem(b);
            for (int i = 0; b && i < 2; ++i)
                b = b->next;
            if (!b) return s.faults.push_back("no third tool-bar button");
            auto* button = reinterpret_cast<Tile*>(b->value);
            const platform::Rect client = WindowManager::instance().clientOnScreen(bar->hwnd());
            clickAt(*w.watched, Point(static_cast<std::int16_t>(client.x + button->x() + button->width() / 2),
                                      static_cast<std::int16_t>(client.y + button->y() + button->height() / 2)));
        },
        s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "OK with no name", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdOk); },
        s.opened(InformationDlg::TemplateName));
    s.pause();
    s.step("the box read", [&] {
        said = s.open(InformationDlg::TemplateName)->textTile(InformationDlg::IdLine1)->text();
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "the box's OK", [&] { s.click(InformationDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(InformationDlg::TemplateName) && s.open(LoadSaveDlg::TemplateName); });
    s.step(
        "Cancel", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel); },
        [&] { return s.closed(LoadSaveDlg::TemplateName); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    writeShot(shot, "player_told_save.png");
    EXPECT_EQ(said, "Type a name for the saved game to write.");
}

} // namespace
} // namespace vael::test
