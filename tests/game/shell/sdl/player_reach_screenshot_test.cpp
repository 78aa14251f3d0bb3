// What a player of any keyboard reaches in the game's real window under Xvfb, the keys coming as SDL gives
// them from the display: AltGr types the third letters of a German layout into File Name ("@" and the euro)
// while the left Alt's letter still chooses and types nothing (player_altgr_typed.png); Alt+N in Start
// Server, whose Name and Next share the letter, reaches the Name field and begins no hosting
// (player_start_server_keys.png); a click on the body of a figure picks the unit whose figure it is
// (player_figure_click.png). Each picture is taken once the screen has settled, in the build folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/display/bitmap.h"
#include "framework/display/logical_palette.h"
#include "framework/ui/window_manager.h"
#include "game/map/vael_sprite.h"
#include "game/net/net_dialogs.h"
#include "game/shell/figure_points.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "player_script.h"
#include "support/sdl_keys.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

// The display's keyboard turned German, where AltGr is the right Alt; whether the X server took it.
bool germanKeyboard() {
    return std::system("command -v setxkbmap >/dev/null 2>&1 && setxkbmap de >/dev/null 2>&1") == 0;
}

// AltGr+Q and AltGr+E of a German keyboard, as SDL tells them (the right Alt without Ctrl), type "@" and the
// euro into File Name; the left Alt and D, which Delete and Description share, types no "d" there.
TEST(PlayerReach, AltGrTypesTheThirdLettersOfAGermanKeyboardIntoFileName) {
    const bool german = germanKeyboard();
    FolderGameWindow w("reach_altgr");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    std::string typed, afterAlt;
    const auto field = [&] {
        Dialog* d = s.open(LoadSaveDlg::TemplateName);
        return d ? d->getItemText(LoadSaveDlg::IdFileName) : std::string("(no Load Game)");
    };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "Load Saved Game", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdLoadGame); },
        s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "AltGr+Q and AltGr+E",
        [&] {
            pushKey(SDLK_q, KMOD_RALT, "@");
            pushKey(SDLK_e, KMOD_RALT, "\xE2\x82\xAC");
        },
        [&] { return field() == "@\xE2\x82\xAC"; });
    s.pause();
    s.step("the field looked at", [&] {
        typed = field();
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "the left Alt and D, then back to File Name",
        [&] {
            pushKey(SDLK_d, KMOD_LALT, "d");
            pushKey(SDLK_f, KMOD_LALT, "f");
        },
        [&] {
            Dialog* d = s.open(LoadSaveDlg::TemplateName);
            return d && d->focus() && d->focus()->id() == LoadSaveDlg::IdFileName;
        });
    s.step("the fields after the left Alt", [&] {
        afterAlt = field();
        if (Dialog* d = s.open(LoadSaveDlg::TemplateName))
            afterAlt += "|" + d->getItemText(LoadSaveDlg::IdDescription);
    });
    s.step(
        "Load Game cancelled", [&] { s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    std::printf("the display's keyboard %s German\n", german ? "was made" : "could not be made");
    EXPECT_EQ(typed, "@\xE2\x82\xAC");
    EXPECT_EQ(afterAlt, "@\xE2\x82\xAC|") << "the left Alt's letters were typed";
    ASSERT_GT(shot.width, 0) << "player_altgr_typed.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_altgr_typed.png"));
}

// Start Server's Name and Next share N: Alt+N takes the focus to the Name field and presses nothing, the
// box stays and no hosting begins; a second Alt+N goes on to Next, a third back to Name.
TEST(PlayerReach, AltNInStartServerReachesTheNameFieldAndPressesNothing) {
    FolderGameWindow w("reach_server");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    std::vector<int> focus;
    const auto focused = [&]() -> int {
        Dialog* d = s.open(StartServerDlg::TemplateName);
        return d && d->focus() ? d->focus()->id() : -1;
    };
    const auto altN = [&] { pushKey(SDLK_n, KMOD_LALT, "n"); };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "Multiplayer", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdMultiplayer); },
        s.opened(TempNetDlg::TemplateName));
    s.step(
        "Start Server", [&] { s.click(TempNetDlg::TemplateName, TempNetDlg::IdServer); },
        s.opened(StartServerDlg::TemplateName));
    s.pause();
    s.step("the focus as it opens", [&] { focus.push_back(focused()); });
    s.step("Alt+N", altN, [&] { return focused() == StartServerDlg::IdName; });
    s.pause();
    s.step("the box looked at", [&] {
        focus.push_back(focused());
        shot = grabWindow(w.sdl->window());
    });
    s.step("Alt+N again", altN, [&] { return focused() == Dialog::IdOk; });
    s.step("Alt+N once more", altN, [&] { return focused() == StartServerDlg::IdName; });
    s.step("the focus after three", [&] { focus.push_back(focused()); });
    s.step(
        "Start Server cancelled", [&] { s.click(StartServerDlg::TemplateName, Dialog::IdCancel); },
        [&] { return s.closed(StartServerDlg::TemplateName); });
    s.pause();
    s.step("the start dialog's Exit", [&] {
        if (s.open(TempNetDlg::TemplateName)) s.click(TempNetDlg::TemplateName, Dialog::IdCancel);
        if (s.open(StartGameDlg::TemplateName)) s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit);
    });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_EQ(focus, (std::vector<int>{Dialog::IdOk, StartServerDlg::IdName, StartServerDlg::IdName}));
    // Next was never pressed: no waiting room opened.
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(ConnectNetDlg::TemplateName)), 0);
    ASSERT_GT(shot.width, 0) << "player_start_server_keys.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_start_server_keys.png"));
}

// The player clicks the body of one of his unit's figures, which stands up into the hex behind the unit's:
// the unit is picked and shows selected (its outline on its hex), not the hex whose ground lies there.
TEST(PlayerReach, AClickOnAFiguresBodyPicksItsUnit) {
    FolderGameWindow w("reach_figure");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    startBattle(w);
    Grab shot;
    std::vector<Combat*> candidates;
    Combat* unit = nullptr;
    std::optional<Point> at;
    bool centred = false;
    s.step(
        "a figure's body found", [&] { candidates = orderable(w.app()); },
        [&] {
            if (!centred) {
                if (candidates.empty()) return true;
                unit = candidates.back();
                candidates.pop_back();
                screenPointOf(w.app(), static_cast<std::int16_t>(unit->getHex()));
                centred = true;
                return false;
            }
            // A look at the screen once it shows the unit in the middle.
            SDL_Delay(300);
            at = figureBodyPoint(
                w.app(),
                [shot = grabWindow(w.sdl->window())](std::int32_t x,
                                                     std::int32_t y) -> std::optional<std::uint32_t> {
                    if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) return std::nullopt;
                    return shot.rgb[std::size_t(y) * shot.width + x] & 0xFFFFFF;
                },
                *unit);
            centred = false;
            return at.has_value() || candidates.empty();
        });
    s.step(
        "the click on it",
        [&] {
            if (at) pointAndClickAt(*w.watched, *at);
        },
        [&] { return !at || unit->isSelected(); });
    s.pause();
    s.step("the map looked at", [&] { shot = grabWindow(w.sdl->window()); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_TRUE(at) << "no figure of his stands up into another hex on the screen";
    EXPECT_TRUE(unit->isSelected());
    ASSERT_GT(shot.width, 0) << "player_figure_click.png was not taken";
    // The point clicked, marked by a small cross of white beside the figure it hit.
    const int cx = at->x, cy = at->y;
    for (int d = 4; d <= 8; ++d)
        for (const std::pair<int, int>& p :
             {std::pair{cx + d, cy}, std::pair{cx - d, cy}, std::pair{cx, cy + d}, std::pair{cx, cy - d}})
            if (p.first >= 0 && p.second >= 0 && p.first < shot.width && p.second < shot.height)
                shot.rgb[std::size_t(p.second) * shot.width + p.first] = 0xFFFFFF;
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_figure_click.png"));
}

} // namespace
} // namespace vael::test
