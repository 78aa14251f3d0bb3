// Keys and questions in the game's real window under Xvfb, used as a new player uses them. Return on the
// start dialog presses the button drawn in the double frame (player_return_default.png); the map's pop-up
// greys the orders while the computer gives his own (player_popup_withheld.png); saving over a game saved
// before asks first, and No leaves it as it was (player_save_replace_asks.png). Each picture is taken once
// the screen has settled, in the build folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/container.h"
#include "framework/core/registered_message.h"
#include "framework/ui/menu.h"
#include "framework/ui/menu_tracker.h"
#include "game/rules/leaders/leader.h"
#include "game/flow/game_control.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_menu.h"
#include "framework/ui/window_manager.h"
#include "game/map/vael_map_window.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/vael_app.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_toolbar.h"
#include "grab_png.h"
#include "player_script.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

std::uint32_t at(const Grab& shot, int x, int y) {
    return shot.rgb[std::size_t(y) * shot.width + x] & 0xFFFFFF;
}

// The button's box on the screen, from the dialog's client area.
platform::Rect onScreen(const Dialog& d, std::int16_t id) {
    const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
    const Box b = d.item(id)->box();
    return {client.x + b.x, client.y + b.y, b.w, b.h};
}

// Whether the two black frames stand around the box, every pixel of both.
bool framed(const Grab& shot, const platform::Rect& r) {
    for (int ring = 0; ring < 2; ++ring) {
        const int left = r.x + ring, top = r.y + ring, right = r.x + r.width - 1 - ring,
                  bottom = r.y + r.height - 1 - ring;
        for (int x = left; x <= right; ++x)
            if (at(shot, x, top) != 0 || at(shot, x, bottom) != 0) return false;
        for (int y = top; y <= bottom; ++y)
            if (at(shot, left, y) != 0 || at(shot, right, y) != 0) return false;
    }
    return true;
}

// The start dialog as it opens: the focus on Start Campaign, its first button, which Return presses and
// which the double frame stands around; Tab takes the focus, the frame and Return on to Start Battle.
TEST(PlayerKeys, ReturnOnTheStartDialogPressesTheButtonDrawnAsDefault) {
    FolderGameWindow w("keys_return");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot, tabbed;
    std::vector<std::int16_t> framedFirst, framedTabbed;
    const std::vector<std::int16_t> buttons{StartGameDlg::IdCampaign, StartGameDlg::IdStartBattle,
                                            StartGameDlg::IdLoadGame, StartGameDlg::IdMultiplayer,
                                            StartGameDlg::IdExit};
    const auto framedButtons = [&](const Grab& g) {
        std::vector<std::int16_t> found;
        if (Dialog* start = s.open(StartGameDlg::TemplateName))
            for (std::int16_t id : buttons)
                if (framed(g, onScreen(*start, id))) found.push_back(id);
        return found;
    };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.pause();
    s.step("the start dialog looked at", [&] {
        shot = grabWindow(w.sdl->window());
        framedFirst = framedButtons(shot);
    });
    s.step(
        "Return", [&] { postKey(*w.watched, platform::KeyReturn); }, s.opened(CampaignMapDlg::TemplateName));
    s.step(
        "the campaign's map left", [&] { s.click(CampaignMapDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.pause();
    s.step("Tab", [&] { postKey(*w.watched, platform::KeyTab); });
    s.pause();
    s.step("the start dialog looked at again", [&] {
        tabbed = grabWindow(w.sdl->window());
        framedTabbed = framedButtons(tabbed);
    });
    s.step(
        "Return again", [&] { postKey(*w.watched, platform::KeyReturn); }, s.opened(ScenarioDlg::TemplateName));
    s.step(
        "the scenario's Cancel", [&] { s.click(ScenarioDlg::TemplateName, Dialog::IdCancel); },
        s.opened(StartGameDlg::TemplateName));
    s.step("the start dialog's Exit", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdExit); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_GT(shot.width, 0) << "player_return_default.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_return_default.png"));
    EXPECT_EQ(framedFirst, std::vector<std::int16_t>{StartGameDlg::IdCampaign});
    EXPECT_EQ(framedTabbed, std::vector<std::int16_t>{StartGameDlg::IdStartBattle});
    EXPECT_EQ(s.names,
              (std::vector<std::string>{"StartGame", "CampaignMap", "StartGame", "Scenario", "StartGame"}));
}

// The road into a battle with both sides given to the computer, up to a leader of his giving his orders.
void toTheComputersOrders(GameWindow& w) {
    PlayerScript& s = *w.script;
    VaelApp& app = w.app();
    const auto computersOrders = [&app] {
        Item<WindowHandle>* it = nullptr;
        for (app.modelessDialogs().firstItem(it); it; it = it->next)
            if (const WindowManager::Record* r = WindowManager::instance().find(it->value))
                if (dynamic_cast<AILeaderGoingDlg*>(r->window)) return app.modalDepth() == 0;
        return false;
    };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "Start Battle", [&s] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdStartBattle); },
        s.opened(ScenarioDlg::TemplateName));
    s.step(
        "the scenario's OK", [&s] { s.click(ScenarioDlg::TemplateName, Dialog::IdOk); },
        s.opened(IntroDlg::TemplateName));
    s.step(
        "both sides to the computer",
        [&s] {
            s.click(IntroDlg::TemplateName, IntroDlg::IdHomeComputer);
            s.click(IntroDlg::TemplateName, Dialog::IdOk);
        },
        computersOrders);
}

// Both sides to the computer: while he gives a leader's orders, a right click on the map opens the Leader
// menu there with Group Move and Finish Leader in grey, as the bar has them, and Center On Leader in black.
TEST(PlayerKeys, TheMapsPopUpGreysTheOrdersWhileTheComputerGivesThem) {
    FolderGameWindow w("keys_popup");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    VaelApp& app = w.app();
    Grab shot;
    std::vector<platform::Rect> entries;
    toTheComputersOrders(w);
    s.step(
        "a right click on the map",
        [&] {
            VaelMapWindow* map = shownMapWindow(app);
            if (!map) return;
            // Group Move and Finish Leader lit, as the rules and the tool bar light them for a leader at
            // his orders: only their being withheld greys them.
            for (std::uint16_t order : {212, 224}) {
                Container<BusMessage> item{BusMessage(order)};
                app.send(ENABLE_MENU_ITEM, &item);
            }
            const platform::Rect r = WindowManager::instance().clientOnScreen(map->hwnd());
            rightClickAt(*w.watched, Point(static_cast<std::int16_t>(r.x + r.width / 3),
                                           static_cast<std::int16_t>(r.y + r.height / 2)));
        },
        [&] { return w.game->frame().popupOpen(); });
    s.pause();
    s.step("the pop-up looked at", [&] {
        const MenuTracker* popup = w.game->frame().popupTracker();
        if (!popup) return;
        for (std::size_t i = 0; i < 3; ++i) {
            const Box b = popup->entryBox(0, i);
            entries.push_back({b.x, b.y, b.w, b.h});
        }
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "Escape", [&] { postKey(*w.watched, platform::KeyEscape); },
        [&] { return !w.game->frame().popupOpen(); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_GT(shot.width, 0) << "player_popup_withheld.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_popup_withheld.png"));
    ASSERT_EQ(entries.size(), 3u);
    // The ink of each entry's label: black where it may be chosen, only grey where it is withheld (a lit
    // entry is white on blue, and no withheld one is lit).
    const auto ink = [&](const platform::Rect& r) {
        int black = 0, grey = 0;
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x) {
                const std::uint32_t c = at(shot, x, y);
                const int red = c >> 16, green = (c >> 8) & 0xFF, blue = c & 0xFF;
                black += red < 60 && green < 60 && blue < 60;
                grey += red > 90 && red < 170 && std::abs(red - green) < 20 && std::abs(red - blue) < 20;
            }
        return std::pair{black, grey};
    };
    for (std::size_t i : {1u, 2u}) {
        SCOPED_TRACE(i == 1 ? "Group Move" : "Finish Leader");
        const auto [black, grey] = ink(entries[i]);
        EXPECT_EQ(black, 0);
        EXPECT_GT(grey, 20);
    }
}

// Save Game chosen while the computer gives his orders: from the OK the status bar says the save waits
// (player_save_waiting_status.png), and once the file is written it says so (player_save_written_status.png).
// Before, the status bar stood empty through the first seconds and said nothing when the file was written.
TEST(PlayerKeys, AWaitingSaveIsToldInTheStatusBarFromItsOKToItsEnd) {
    FolderGameWindow w("keys_save_wait");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    VaelApp& app = w.app();
    const fs::path saved = VaelApp::savedGamesDirectory() / "waited.vel";
    const auto status = [&] { return w.game->frame().statusBar()->text(2); };
    bool asked = false;
    std::string during, after;
    Grab duringShot, afterShot;
    // The wait plays the battle on in a loop of its own: the status bar is looked at as it looks for input.
    w.watched->polled = [&] {
        if (asked && duringShot.width == 0 && status().rfind("Save Game waits", 0) == 0 && !fs::exists(saved))
            during = status(), duringShot = grabWindow(w.sdl->window());
    };
    toTheComputersOrders(w);
    s.step(
        "Save",
        [&] {
            app.postMessage(WinApp::mainWindowHandle(), MessageCommand,
                            RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
        },
        s.opened(LoadSaveDlg::TemplateName));
    s.step(
        "named and OK",
        [&] {
            s.click(LoadSaveDlg::TemplateName, LoadSaveDlg::IdFileName);
            postText(*w.watched, "waited");
            s.click(LoadSaveDlg::TemplateName, Dialog::IdOk);
            asked = true;
        },
        [&] { return s.closed(LoadSaveDlg::TemplateName) && fs::exists(saved) && app.modalDepth() == 0; });
    s.pause();
    s.step("the status bar looked at", [&] { after = status(), afterShot = grabWindow(w.sdl->window()); });
    EXPECT_EQ(w.game->run(), 0);
    w.watched->polled = {};
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(saved));
    EXPECT_EQ(during.rfind("Save Game waits", 0), 0u) << during;
    EXPECT_EQ(after, std::string(VaelGame::SavedStatus) + "waited.vel");
    ASSERT_GT(duringShot.width, 0) << "player_save_waiting_status.png was not taken";
    ASSERT_GT(afterShot.width, 0) << "player_save_written_status.png was not taken";
    EXPECT_TRUE(writePng(duringShot, fs::path(VAEL_BUILD_DIR) / "player_save_waiting_status.png"));
    EXPECT_TRUE(writePng(afterShot, fs::path(VAEL_BUILD_DIR) / "player_save_written_status.png"));
}

// A battle saved as "Kärnten", then saved again under the same name: "Replace the saved game Kärnten.vel?"
// stands over the Save Game dialog; its No leaves the file as the first save wrote it and the dialog open.
TEST(PlayerKeys, SavingOverAGameSavedBeforeAsksFirst) {
    FolderGameWindow w("keys_replace");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    const fs::path saved = VaelApp::savedGamesDirectory() / "Kärnten.vel";
    std::string first, afterNo;
    std::vector<std::string> asked;
    Grab shot;
    const auto bytesOf = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const auto save = [&] {
        w.app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                            RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
    };
    const auto named = [&] {
        s.click(LoadSaveDlg::TemplateName, LoadSaveDlg::IdFileName);
        postText(*w.watched, "Kärnten");
        s.click(LoadSaveDlg::TemplateName, Dialog::IdOk);
    };
    startBattle(w);
    s.step("Save", save, s.opened(LoadSaveDlg::TemplateName));
    s.step("named and OK", named, [&] { return s.closed(LoadSaveDlg::TemplateName) && fs::exists(saved); });
    s.step(
        "Save again", [&] { first = bytesOf(saved), save(); }, s.opened(LoadSaveDlg::TemplateName));
    s.step("the same name and OK", named, s.opened(InformationDlg::YesNoTemplateName));
    s.pause();
    s.step("the question looked at", [&] {
        if (auto* box = dynamic_cast<InformationDlg*>(s.open(InformationDlg::YesNoTemplateName)))
            asked = box->lines();
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "No", [&] { s.click(InformationDlg::YesNoTemplateName, Dialog::IdCancel); },
        [&] { return s.closed(InformationDlg::YesNoTemplateName) && s.open(LoadSaveDlg::TemplateName); });
    s.step(
        "Save Game's Cancel",
        [&] {
            afterNo = bytesOf(saved);
            s.click(LoadSaveDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(LoadSaveDlg::TemplateName); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_GT(shot.width, 0) << "player_save_replace_asks.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_save_replace_asks.png"));
    EXPECT_EQ(asked, std::vector<std::string>{"Replace the saved game Kärnten.vel?"});
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(afterNo, first);
    EXPECT_EQ(bytesOf(saved), first);
}

// With the Leader menu open at the player's first orders, Alt+F goes over to the File menu: File stands open
// (player_menu_chord.png) and Leader chose nothing, the leader still the one giving orders.
TEST(PlayerKeys, AltFFromTheOpenLeaderMenuOpensFile) {
    FolderGameWindow w("keys_chord");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    const Leader* leader = nullptr;
    bool stillGivingOrders = false;
    Grab shot;
    const auto active = [&w] {
        GameControl* control = w.app().gameControl();
        return control ? control->leaderAt(control->getActiveLeader()).leader : nullptr;
    };
    startBattle(w);
    s.step(
        "the Leader menu",
        [&] {
            leader = active();
            s.openMenu(2);
        },
        [&] { return s.menuOpen(2); });
    s.step(
        "Alt+F", [&] { postKey(*w.watched, 'F', platform::ModAlt); }, [&] { return s.menuOpen(0); });
    s.pause();
    s.step("File looked at", [&] {
        stillGivingOrders = leader && active() == leader && leader->isOrdersPhaseActive();
        shot = grabWindow(w.sdl->window());
    });
    s.step(
        "Escape", [&] { postKey(*w.watched, platform::KeyEscape); },
        [&] { return !w.game->frame().menuTracker()->isOpen(); });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    ASSERT_GT(shot.width, 0) << "player_menu_chord.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_menu_chord.png"));
    EXPECT_TRUE(stillGivingOrders);
}

} // namespace
} // namespace vael::test
