// What a new player met in the game's dialogs, played by clicks, keys and the wheel on the game on the
// headless platform with the forged data: the close box of every dialog, the rout levels a choice gives,
// the army details' long lists and names, a field typed past its width, the combat results' long lines,
// the campaign left after a battle won, a save name too long, and the menus over the start dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/core/list_walk.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_item.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/system_font.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/net/net_dialogs.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "platform/whole_file.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

// A click at a point of the dialog's client area.
void clickAt(platform::Platform& os, Dialog& dialog, std::int32_t x, std::int32_t y) {
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}, client.x + x,
                client.y + y);
}

// The game on the headless platform, whose idle moments (the game waiting with nothing queued) the test
// may take for its next step.
class PlayerDialogs : public ::testing::Test {
protected:
    TempDir dir{"playerdlgs"};
    DataHome home{dir.path().string()};
    ScriptedPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};

    void pump() {
        for (int i = 0; i < 200 && game.app().messageWaiting(); ++i)
            game.app().pumpMessage();
    }
    // The mouse wheel turned over a point of the dialog's client area.
    void wheel(Dialog& d, std::int32_t x, std::int32_t y, std::int32_t notches) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        platform::Event e;
        e.kind = platform::EventKind::Wheel, e.x = client.x + x, e.y = client.y + y, e.wheel = notches;
        os.postEvent(e);
    }
    // A click on a title of the frame's menu bar.
    void clickTitle(std::size_t title) {
        const MenuTracker* menus = game.frame().menuTracker();
        ASSERT_NE(menus, nullptr);
        const platform::Rect outer = WindowManager::instance().outerOnScreen(game.frame().hwnd());
        const Box b = menus->titleBox(title);
        postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                    outer.x + b.x + b.w / 2, outer.y + b.y + b.h / 2);
    }
};

// The close box of Campaign Results (which has no button) goes on as Return does: the campaign's map
// follows. Its close box is Cancel, which asks before the battle won is given up.
TEST_F(PlayerDialogs, TheCloseBoxClosesCampaignResultsAndTheMapFollows) {
    ASSERT_TRUE(game.ready());
    Campaign& campaign = game.app().campaign();
    ASSERT_TRUE(campaign.begin());
    campaign.battleBegins();
    campaign.battleEnded(true);
    std::vector<std::string> shown, told;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == CampaignResultsDlg::TemplateName || name == CampaignMapDlg::TemplateName) {
            clickCloseBox(os, d.hwnd());
        } else if (name == InformationDlg::TemplateName) {
            told = dynamic_cast<InformationDlg&>(d).lines();
            clickOn(os, d, Dialog::IdOk);
        } else if (name == StartGameDlg::TemplateName) {
            clickOn(os, d, StartGameDlg::IdExit);
        }
    };
    game.app().onBattleClosed();
    EXPECT_EQ(shown,
              (std::vector<std::string>{"CampaignResults", "CampaignMap", "VaelMessageBox", "StartGame"}));
    EXPECT_EQ(told, (std::vector<std::string>{"Leave the campaign?", "The battles fought in it are lost."}));
    EXPECT_FALSE(campaign.active());
}

// Cancel on the campaign's map after a battle won asks first; the player who says Cancel is shown the map
// again with the campaign as it stood, and goes on to its next battle.
TEST_F(PlayerDialogs, CancelOnTheCampaignMapAfterABattleWonAsksAndCanGoBack) {
    ASSERT_TRUE(game.ready());
    Campaign& campaign = game.app().campaign();
    ASSERT_TRUE(campaign.begin());
    campaign.battleBegins();
    campaign.battleEnded(true);
    std::vector<std::string> shown;
    std::vector<std::size_t> battlesOnTheMap;
    int asked = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == CampaignResultsDlg::TemplateName) {
            postKey(os, platform::KeyReturn);
        } else if (name == CampaignMapDlg::TemplateName) {
            battlesOnTheMap.push_back(campaign.state().battles.size());
            clickOn(os, d, Dialog::IdCancel);
        } else if (name == InformationDlg::TemplateName) {
            clickOn(os, d, ++asked == 1 ? Dialog::IdCancel : Dialog::IdOk);
        } else if (name == StartGameDlg::TemplateName) {
            clickOn(os, d, StartGameDlg::IdExit);
        }
    };
    game.app().onBattleClosed();
    EXPECT_EQ(shown, (std::vector<std::string>{"CampaignResults", "CampaignMap", "VaelMessageBox",
                                               "CampaignMap", "VaelMessageBox", "StartGame"}));
    EXPECT_EQ(battlesOnTheMap, (std::vector<std::size_t>{1, 1}));
    EXPECT_FALSE(campaign.active());
}

// The road into a battle of the player's home side, its dialogs answered by the test's step.
class PlayerRoad : public PlayerDialogs {
protected:
    void leave() {
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os.postEvent(close);
    }
    // Each dialog's name, and the step of the test for those of the road it does not take itself.
    std::vector<std::string> travel(const std::function<void(Dialog&, const std::string&)>& step) {
        std::vector<std::string> shown;
        int starts = 0;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName && ++starts > 1)
                return clickOn(os, d, StartGameDlg::IdExit);
            step(d, name);
        };
        EXPECT_EQ(game.run(), 0);
        game.onDialog = nullptr;
        return shown;
    }
};

// Leader Control has neither Cancel nor Close: it offers no close box that would choose for the player,
// and its OK goes on with the sides as chosen.
TEST_F(PlayerRoad, LeaderControlOffersNoCloseBoxAndItsOKTakesTheSides) {
    ASSERT_TRUE(game.ready());
    bool homeIsPlayers = false, closeBox = true;
    const std::vector<std::string> shown = travel([&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) return clickOn(os, d, StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName) {
            closeBox = WindowManager::instance().closeBoxOnScreen(d.hwnd()).width > 0;
            clickOn(os, d, IntroDlg::IdHomePlayer);
            return clickOn(os, d, Dialog::IdOk);
        }
        if (name == ArmyRoutDlg::TemplateName) {
            // The battle begins with the sides as chosen: the home side the player's.
            for (Leader* leader : each(game.app().logicalLayer().getHomeLeaders()))
                homeIsPlayers = homeIsPlayers || !leader->isComputerControlled();
            clickOn(os, d, Dialog::IdOk);
            return leave();
        }
        clickOn(os, d, Dialog::IdOk);
    });
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 4),
              (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "ArmyRoutDlg"}));
    EXPECT_FALSE(closeBox);
    EXPECT_TRUE(homeIsPlayers);
}

// Load Game's close box is its Cancel: the start dialog comes back. Were the dialog still open once the
// game waits again, the close box would have done nothing; the player then takes its Cancel.
TEST_F(PlayerRoad, TheCloseBoxOfLoadGameTakesThePlayerBackToTheStart) {
    ASSERT_TRUE(game.ready());
    WindowHandle load = 0;
    bool leftOpen = false;
    os.idle = [&] {
        if (!load || !WindowManager::instance().exists(load)) return;
        leftOpen = true;
        clickOn(os, *dynamic_cast<Dialog*>(WindowManager::instance().find(load)->window), Dialog::IdCancel);
        load = 0;
    };
    const std::vector<std::string> shown = travel([&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) return clickOn(os, d, StartGameDlg::IdLoadGame);
        if (name == LoadSaveDlg::TemplateName) {
            load = d.hwnd();
            return clickCloseBox(os, d.hwnd());
        }
        clickOn(os, d, Dialog::IdOk);
    });
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg", "StartGame"}));
}

// Army Rout Level shows the levels of the choice made: The Fords of Ghatmar's own 70 and 60 under Normal,
// greyed; a quarter less for the player's side and a quarter more for the computer's under Hard (70 - 17,
// 60 + 15); and under Custom half of each army's total (216 and 114 points), open to change.
TEST_F(PlayerRoad, ArmyRoutLevelShowsTheLevelsOfTheChoiceMade) {
    ASSERT_TRUE(game.ready());
    const struct {
        const char* what;
        std::int16_t click; // 0: as the dialog opens
        std::vector<std::string> shown;
    } rows[] = {
        {"as it opens, Normal", 0, {"70", "60", "closed"}},
        {"Custom", ArmyRoutDlg::IdCustom, {"108", "57", "open"}},
        {"Hard", ArmyRoutDlg::IdHard, {"53", "75", "closed"}},
        {"Normal again", ArmyRoutDlg::IdNormal, {"70", "60", "closed"}},
    };
    std::vector<std::vector<std::string>> seen;
    std::pair<std::uint16_t, std::uint16_t> taken;
    travel([&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) return clickOn(os, d, StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName) {
            clickOn(os, d, IntroDlg::IdHomePlayer);
            return clickOn(os, d, Dialog::IdOk);
        }
        if (name == ArmyRoutDlg::TemplateName) {
            for (const auto& r : rows) {
                if (r.click) clickOn(os, d, r.click);
                pump();
                seen.push_back({d.getItemText(ArmyRoutDlg::IdHomeLevel),
                                d.getItemText(ArmyRoutDlg::IdVisitorLevel),
                                d.item(ArmyRoutDlg::IdHomeLevel)->isEnabled() &&
                                        d.item(ArmyRoutDlg::IdVisitorLevel)->isEnabled()
                                    ? "open"
                                    : "closed"});
            }
            clickOn(os, d, Dialog::IdOk);
            pump();
            auto& rout = dynamic_cast<ArmyRoutDlg&>(d);
            taken = {rout.homeLevel(), rout.visitorLevel()};
            return leave();
        }
        clickOn(os, d, Dialog::IdOk);
    });
    ASSERT_EQ(seen.size(), std::size(rows));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        EXPECT_EQ(seen[i], rows[i].shown);
    }
    // What Normal showed is what the battle takes.
    EXPECT_EQ(taken, (std::pair<std::uint16_t, std::uint16_t>{70, 60}));
}

// The close box of the other dialogs: Cancel or Close where there is one, else Escape's answer in a dialog
// with a system menu, else the default button.
TEST_F(PlayerDialogs, TheCloseBoxActsAsCancelOrCloseElseAsTheDefaultButton) {
    ASSERT_TRUE(game.ready());
    Campaign& campaign = game.app().campaign();
    ASSERT_TRUE(campaign.begin());
    const auto closedBy = [&](Dialog& d, const char* name) {
        d.attach(game.app());
        return d.create(name, Dialog::Modal);
    };
    const auto closing = [&](Dialog& d, const std::string&) { clickCloseBox(os, d.hwnd()); };
    {
        SCOPED_TRACE("About: its Close, the default OK");
        AboutDlg about("The Iron Vigils of Vaelmoric, version 1", closing);
        EXPECT_EQ(closedBy(about, AboutDlg::TemplateName), Dialog::IdOk);
    }
    {
        SCOPED_TRACE("Campaign Game: its Cancel");
        CampaignMapDlg map(campaign, closing);
        EXPECT_EQ(closedBy(map, CampaignMapDlg::TemplateName), 0);
    }
    {
        SCOPED_TRACE("Multiplayer: no Cancel, a system menu: as Escape, not its default Start Client");
        std::string caption;
        TempNetDlg role([&](Dialog& d, const std::string& name) {
            caption = d.caption() ? d.caption() : "";
            closing(d, name);
        });
        EXPECT_EQ(closedBy(role, TempNetDlg::TemplateName), Dialog::IdCancel);
        EXPECT_EQ(caption, "Vaelmoric") << "titled by the game's name";
    }
    {
        SCOPED_TRACE("a message box: its Cancel");
        InformationDlg box(0, "Leave the battle?", closing);
        box.attach(game.app());
        EXPECT_EQ(box.show(), InformationDlg::IdCancel);
    }
}

// Player Chat stands beside the battle without stopping it; its close box closes it.
TEST_F(PlayerDialogs, TheCloseBoxClosesPlayerChat) {
    ASSERT_TRUE(game.ready());
    NetChatDlg chat({"Keldrian: well met"});
    chat.attach(game.app());
    chat.create(NetChatDlg::TemplateName, Dialog::Modeless);
    pump();
    ASSERT_TRUE(chat.isOpen());
    clickCloseBox(os, chat.hwnd());
    pump();
    EXPECT_FALSE(chat.isOpen());
}

// A press on the close box and a release off it leaves the dialog open, as with a button.
TEST_F(PlayerDialogs, AReleaseOffTheCloseBoxLeavesTheDialogOpen) {
    ASSERT_TRUE(game.ready());
    NetChatDlg chat({});
    chat.attach(game.app());
    chat.create(NetChatDlg::TemplateName, Dialog::Modeless);
    pump();
    const platform::Rect box = WindowManager::instance().closeBoxOnScreen(chat.hwnd());
    postButtons(os, {platform::EventKind::ButtonDown}, box.x + 2, box.y + 2);
    postButtons(os, {platform::EventKind::ButtonUp}, box.x - 30, box.y + 2);
    pump();
    EXPECT_TRUE(chat.isOpen());
    chat.close(0);
}

// Thirty rows, more than fit: the wheel, the scroll bar's arrow and its thumb move through them, and every
// name shows whole, so that names that differ only at their end are told apart.
std::vector<ArmyDetailsRow> manyRows() {
    std::vector<ArmyDetailsRow> rows;
    for (int i = 1; i <= 30; ++i)
        rows.push_back({"Scythed Chariots of Khurven " + std::to_string(i), "6", "0", "", "10", ""});
    return rows;
}

TEST_F(PlayerDialogs, ArmyDetailsScrollByWheelAndScrollBar) {
    ASSERT_TRUE(game.ready());
    ArmyDetailsDlg details("Persian", manyRows());
    details.attach(game.app());
    details.create(ArmyDetailsDlg::TemplateName, Dialog::Modeless);
    pump();
    DialogItemWindow* bar = details.item(ArmyDetailsDlg::IdScrollBar);
    ASSERT_NE(bar, nullptr);
    const Box b = bar->box();
    // 30 rows, 24 lines: the last page begins at row 30 - 23 = 7, under the count of those above.
    const struct {
        const char* what;
        std::function<void()> act;
        std::size_t first;
    } steps[] = {
        {"a notch toward the player: three rows down", [&] { wheel(details, 20, 100, -1); }, 3},
        {"the bar's lower arrow: one more", [&] { clickAt(os, details, b.x + b.w / 2, b.y + b.h - 3); }, 4},
        {"five notches toward the player: to the last page", [&] { wheel(details, 20, 100, -5); }, 7},
        {"a notch away: three up", [&] { wheel(details, 20, 100, 1); }, 4},
        {"the bar's upper arrow: one up", [&] { clickAt(os, details, b.x + b.w / 2, b.y + 3); }, 3},
        {"the wheel over the scroll bar too", [&] { wheel(details, b.x + 2, b.y + b.h / 2, 1); }, 0},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        pump();
        EXPECT_EQ(details.firstRow(), s.first);
        EXPECT_EQ(bar->position(), static_cast<std::int32_t>(s.first));
    }
    // The thumb dragged to the bottom shows the last row.
    const Box thumb = bar->barThumb();
    const platform::Rect client = WindowManager::instance().clientOnScreen(details.hwnd());
    postButtons(os, {platform::EventKind::ButtonDown}, client.x + thumb.x + thumb.w / 2,
                client.y + thumb.y + 2);
    postButtons(os, {platform::EventKind::MouseMove}, client.x + thumb.x + thumb.w / 2,
                client.y + b.y + b.h + 40);
    postButtons(os, {platform::EventKind::ButtonUp}, client.x + thumb.x + thumb.w / 2,
                client.y + b.y + b.h + 40);
    pump();
    EXPECT_EQ(details.firstRow(), 7u);
    EXPECT_EQ(details.shownRows().back()[0], "Scythed Chariots of Khurven 30");
    details.close(0);
}

// Names that differ only in their last figure show differently; the figures of the TQ column beside the
// longest name are still written clear of it.
TEST_F(PlayerDialogs, ArmyDetailsShowEveryNameWhole) {
    ASSERT_TRUE(game.ready());
    const auto nameBand = [&](const std::string& name) {
        std::vector<std::uint8_t> pixels;
        ArmyDetailsDlg details("Persian", {{name, "6", "0", "", "10", ""}});
        details.attach(game.app());
        details.create(ArmyDetailsDlg::TemplateName, Dialog::Modeless);
        details.dialogProc(MessagePaint, 0, 0);
        const auto y0 = dialog_helpers::pixelsY(ArmyDetailsDlg::FirstRow);
        const auto y1 = dialog_helpers::pixelsY(ArmyDetailsDlg::FirstRow + ArmyDetailsDlg::RowPitch);
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = details.columnX(0); x < details.columnX(1); ++x)
                pixels.push_back(details.bits()[y * details.stride() + x]);
        details.close(0);
        return pixels;
    };
    EXPECT_NE(nameBand("Elephant of the Lions of Ushtavan 5"),
              nameBand("Elephant of the Lions of Ushtavan 6"));
}

// A field typed past its width scrolls its text: the caret stays inside the field, nothing is drawn outside
// it, and Home brings the start back.
TEST_F(PlayerDialogs, ALongTextFieldKeepsItsCaretInside) {
    ASSERT_TRUE(game.ready());
    LoadSaveDlg save(dir.path().string(), true);
    save.attach(game.app());
    save.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
    pump();
    clickOn(os, save, LoadSaveDlg::IdFileName);
    pump();
    DialogItemWindow* field = save.item(LoadSaveDlg::IdFileName);
    const Box f = field->box();
    const auto outside = [&] {
        std::vector<std::uint8_t> pixels;
        for (std::int32_t y = 0; y < save.height(); ++y)
            for (std::int32_t x = 0; x < save.width(); ++x)
                if (x < f.x || y < f.y || x >= f.x + f.w || y >= f.y + f.h)
                    pixels.push_back(save.bits()[y * save.stride() + x]);
        return pixels;
    };
    // Where the caret stands: the column of the field's inside that is black all the way down the row.
    const auto caretColumn = [&] {
        const std::uint8_t black = Display::matchColour(0, 0, 0);
        const std::int32_t rowTop = f.y + 2 + (f.h - 4 - DialogItemWindow::RowHeight) / 2;
        for (std::int32_t x = f.x + 2; x < f.x + f.w - 2; ++x) {
            bool full = true;
            for (std::int32_t y = rowTop; y < rowTop + DialogItemWindow::RowHeight && full; ++y)
                full = save.bits()[y * save.stride() + x] == black;
            if (full) return x - f.x;
        }
        return -1;
    };
    const std::vector<std::uint8_t> before = outside();
    postText(os, std::string(60, 'w'));
    pump();
    EXPECT_EQ(outside(), before);
    EXPECT_GT(field->textScrolled(), 0);
    // The caret stands on the last column inside the field's frame and its white inset.
    EXPECT_EQ(caretColumn(), f.w - 2 - 1);
    postKey(os, platform::KeyHome);
    pump();
    EXPECT_EQ(field->textScrolled(), 0);
    EXPECT_EQ(caretColumn(), 2 + 2);
    EXPECT_EQ(outside(), before);
    save.close(0);
}

// The list cuts a saved game's long name at its edge: the pointer resting on that row shows the whole row in
// a tip under it, inside the dialog; on a row the list shows whole, or off the list, no tip, and the dialog
// looks as it did.
TEST_F(PlayerDialogs, ThePointerOnACutSaveRowShowsItWhole) {
    ASSERT_TRUE(game.ready());
    const std::string saves = (dir.path() / "saves").string();
    std::filesystem::create_directories(saves);
    const std::string longName = "Vaelmoric the Bold holds the ford of Threnmoor against the elephants.vel";
    for (const std::string& name : {std::string("Ardhun.vel"), longName})
        std::ofstream(saves + "/" + name) << "not a game";
    LoadSaveDlg load(saves, false);
    load.attach(game.app());
    load.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
    pump();
    const DialogItemWindow* list = load.item(LoadSaveDlg::IdList);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 2);
    ASSERT_EQ(list->row(1)->text, longName);
    const Box b = list->box();
    const auto pixels = [&] {
        return std::vector<std::uint8_t>(load.bits(), load.bits() + load.stride() * load.height());
    };
    const auto moveTo = [&](std::int32_t x, std::int32_t y) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(load.hwnd());
        platform::Event e;
        e.kind = platform::EventKind::MouseMove, e.x = client.x + x, e.y = client.y + y;
        os.postEvent(e);
        pump();
    };
    const std::vector<std::uint8_t> before = pixels();
    struct Case {
        const char* where;
        std::int32_t x, y;
        std::string tip;
    };
    // The rows are 14 high from 1 below the list's top edge.
    const std::int32_t row1 = b.y + 1 + DialogItemWindow::RowHeight;
    for (const Case& c :
         {Case{"the short row", b.x + 20, b.y + 1 + 7, ""},
          Case{"the cut row's top", b.x + 20, row1, longName}, Case{"above the list", b.x + 20, b.y - 2, ""},
          Case{"the cut row's foot", b.x + b.w - 3, row1 + DialogItemWindow::RowHeight - 1, longName},
          Case{"under the rows", b.x + 20, row1 + DialogItemWindow::RowHeight, ""}}) {
        SCOPED_TRACE(c.where);
        moveTo(c.x, c.y);
        EXPECT_EQ(load.tipText(), c.tip);
        if (c.tip.empty()) {
            EXPECT_EQ(pixels(), before);
            continue;
        }
        // Under the row, inside the dialog, 4 pixels from its sides at least; the name is wider than the
        // dialog, so it takes two rows at least.
        const Box t = load.tipBox();
        EXPECT_EQ(t.y, row1 + DialogItemWindow::RowHeight + 1);
        EXPECT_GE(t.x, 4);
        EXPECT_LE(t.x + t.w, load.width() - 4);
        EXPECT_GE(t.h, 2 * DialogItemWindow::RowHeight + 2);
        EXPECT_EQ((t.h - 2) % DialogItemWindow::RowHeight, 0);
        // Its paper inside a black frame (the headless platform writes no letters), over the dialog.
        int framed = 0, pale = 0;
        const std::uint8_t black = Display::matchColour(0, 0, 0), paper = Display::matchColour(255, 255, 225);
        for (std::int32_t y = t.y; y < t.y + t.h; ++y)
            for (std::int32_t x = t.x; x < t.x + t.w; ++x) {
                const std::uint8_t p = load.bits()[y * load.stride() + x];
                const bool edge = x == t.x || y == t.y || x == t.x + t.w - 1 || y == t.y + t.h - 1;
                framed += edge && p == black, pale += !edge && p == paper;
            }
        EXPECT_EQ(framed, 2 * (t.w + t.h) - 4);
        EXPECT_EQ(pale, (t.w - 2) * (t.h - 2));
        EXPECT_NE(pixels(), before);
    }
    load.close(0);
}

// The cut row the list's last in sight: no room under it inside the dialog, so the tip stands over it. The
// wheel bringing a row that fits under the pointer takes the tip away.
TEST_F(PlayerDialogs, TheTipOfTheLastRowInSightStandsOverIt) {
    ASSERT_TRUE(game.ready());
    const std::string saves = (dir.path() / "saves").string();
    std::filesystem::create_directories(saves);
    LoadSaveDlg probe(saves, false);
    probe.attach(game.app());
    probe.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
    const std::int32_t shown = probe.item(LoadSaveDlg::IdList)->visibleRows();
    probe.close(0);
    ASSERT_GT(shown, 3);
    // Short names before the long one, and one more after it, so that the list scrolls by one.
    const std::string longName =
        "Ardhun 99 Vaelmoric the Bold holds the ford of Threnmoor against the elephants.vel";
    for (std::int32_t i = 0; i < shown - 1; ++i)
        std::ofstream(saves + "/Ardhun " + (i < 10 ? "0" : "") + std::to_string(i) + ".vel") << "not a game";
    std::ofstream(saves + "/" + longName) << "not a game";
    std::ofstream(saves + "/Threnmoor.vel") << "not a game";
    LoadSaveDlg load(saves, false);
    load.attach(game.app());
    load.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
    pump();
    const DialogItemWindow* list = load.item(LoadSaveDlg::IdList);
    ASSERT_EQ(list->rowCount(), shown + 1);
    ASSERT_EQ(list->row(shown - 1)->text, longName);
    const Box b = list->box();
    const std::int32_t rowTop = b.y + 1 + (shown - 1) * DialogItemWindow::RowHeight;
    const platform::Rect client = WindowManager::instance().clientOnScreen(load.hwnd());
    platform::Event move;
    move.kind = platform::EventKind::MouseMove, move.x = client.x + b.x + 20, move.y = client.y + rowTop + 3;
    os.postEvent(move);
    pump();
    EXPECT_EQ(load.tipText(), longName);
    EXPECT_EQ(load.tipBox().y + load.tipBox().h, rowTop - 1);
    wheel(load, b.x + 20, rowTop + 3, -1);
    pump();
    EXPECT_EQ(list->topRow(), 1);
    EXPECT_EQ(load.tipText(), "");
    load.close(0);
}

// A name longer than a file name may be is refused with the reason, the dialog kept open for a shorter one;
// the name is not written out twice.
TEST_F(PlayerDialogs, ASaveNameTooLongIsRefusedAndTheDialogStays) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> told;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        ASSERT_EQ(name, InformationDlg::TemplateName);
        told = dynamic_cast<InformationDlg&>(d).lines();
        clickOn(os, d, Dialog::IdOk);
        // Refused, the player gives up.
        postKey(os, platform::KeyEscape);
    };
    const std::string k251(251, 'k'), k252(252, 'k'), k300(300, 'k'), k32(32, 'k');
    std::string accented = "a"; // 1 + 127 × 2 bytes and ".vel": 259 bytes of 128 letters
    for (int i = 0; i < 127; ++i)
        accented += "\xC3\xA9";
    const std::string fifteen = accented.substr(0, 31); // "a" and 15 "é": the 32nd byte is inside the 16th
    const std::string longestAccented = accented.substr(0, 251); // "a" and 125 "é": 251 bytes
    const struct {
        const char* what;
        std::string name;
        bool typed; // else put in the field whole, as a name chosen from the list is
        std::string told;
    } rows[] = {
        {"251 letters and \".vel\": 255 bytes", k251, true, ""},
        {"126 letters of 251 bytes and \".vel\"", longestAccented, false, ""},
        {"252 letters", k252, true,
         "The name \"" + k32 +
             "...\" has 252 letters: a saved game's name can have at most 251, an accented letter counting "
             "as two (a letter of another script as three or four)."},
        {"300 letters", k300, true,
         "The name \"" + k32 +
             "...\" has 300 letters: a saved game's name can have at most 251, an accented letter counting "
             "as two (a letter of another script as three or four)."},
        {"accented letters, quoted up to a whole one", accented, false,
         "The name \"" + fifteen +
             "...\" has 128 letters, which count as 255: a saved game's name can have at most 251, an "
             "accented letter counting as two (a letter of another script as three or four)."},
        {"a name typed with its \".vel\", its letters counted without it", k252 + ".vel", true,
         "The name \"" + k32 +
             "...\" has 252 letters: a saved game's name can have at most 251, an accented letter counting "
             "as two (a letter of another script as three or four)."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        told.clear();
        LoadSaveDlg save(dir.path().string(), true, [&](Dialog& d, const std::string&) {
            if (r.typed) {
                clickOn(os, d, LoadSaveDlg::IdFileName);
                postText(os, r.name);
            } else {
                d.setItemText(LoadSaveDlg::IdFileName, r.name);
            }
            clickOn(os, d, Dialog::IdOk);
        });
        save.attach(game.app());
        EXPECT_EQ(save.create(LoadSaveDlg::TemplateName, Dialog::Modal), r.told.empty() ? 1 : 0);
        if (!r.told.empty()) {
            EXPECT_EQ(told, std::vector<std::string>{r.told});
        } else {
            EXPECT_TRUE(told.empty());
            EXPECT_EQ(save.chosen().size(), dir.path().string().size() + 1 + 255);
            // What the box takes is written, through the save's own way of writing a file.
            std::string error;
            EXPECT_TRUE(platform::writeWholeFile(save.chosen(), {'v', 'e', 'l'}, error)) << error;
            EXPECT_TRUE(std::filesystem::is_regular_file(save.chosen()));
        }
    }
}

// The combat results' list is as wide as its longest line, so that a long name and its hits show whole.
TEST_F(PlayerDialogs, OverallCombatResultsShowALongLineWhole) {
    ASSERT_TRUE(game.ready());
    List<SingleCombatResult> results;
    SingleCombatResult r;
    r.attackerNames.append("Scythed Chariots of Khurven 3");
    r.attackerHits.append(2);
    r.attackerRouted.append(0);
    r.defenderNames.append("Peltasts of Corvenne 1");
    r.defenderHits.append(1);
    r.defenderRouted.append(0);
    results.append(r);
    OverallCombatResultsDlg shown(results);
    shown.create(OverallCombatResultsDlg::TemplateName, Dialog::Modeless);
    const DialogItemWindow* list = shown.item(OverallCombatResultsDlg::IdList);
    ASSERT_NE(list, nullptr);
    // The row's text starts 2 pixels into the list's inside, which is a pixel in from its frame and leaves
    // room for the scroll bar.
    const std::int32_t room = list->box().w - 2 - 2 - DialogItemWindow::ScrollWidth;
    EXPECT_GE(room, systemTextWidth("Scythed Chariots of Khurven 3: 2 hits", false));
    // The Close button keeps to the list's right edge (within the rounding of template units to pixels).
    const Box close = shown.item(OverallCombatResultsDlg::IdClose)->box();
    EXPECT_NEAR(close.x + close.w, list->box().x + list->box().w, 2);
    shown.close(0);
}

// On the start dialog the frame's File, Window and Help menus open; Escape closes the menu and leaves the
// start dialog up; Help, About... shows About over it.
TEST_F(PlayerDialogs, TheStartDialogLeavesTheMenusToThePlayer) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    std::vector<int> opened;
    Dialog* start = nullptr;
    int step = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == AboutDlg::TemplateName) return clickOn(os, d, Dialog::IdOk);
        if (name == StartGameDlg::TemplateName) start = &d;
    };
    // Each idle moment the start dialog waits for the player: a title clicked, what opened noted, Escape.
    os.idle = [&] {
        if (!start || !start->isOpen()) return;
        const MenuTracker* menus = game.frame().menuTracker();
        if (step < 6) {
            if (step % 2 == 0) {
                clickTitle(static_cast<std::size_t>(step / 2));
            } else {
                opened.push_back(menus->openTitle());
                postKey(os, platform::KeyEscape);
            }
        } else if (step == 6) {
            opened.push_back(menus->openTitle());
            // Help, About..., by the keys of the open menu.
            clickTitle(2);
            postKey(os, platform::KeyDown);
            postKey(os, platform::KeyReturn);
        } else {
            clickOn(os, *start, StartGameDlg::IdExit);
            start = nullptr;
        }
        ++step;
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(opened, (std::vector<int>{0, 1, 2, -1}));
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "AboutDlg"}));
}

// The battle ends while the player has the Leader menu open: the Defeat box opens over no menu, and one
// Escape closes the box alone, back to the start dialog.
TEST_F(PlayerRoad, TheDefeatBoxOpensOverNoMenuAndKeepsEscapeToItself) {
    ASSERT_TRUE(game.ready());
    int stage = 0, waited = 0;
    int openUnderTheBox = -2;
    bool menuOpened = false;
    // At his orders the player opens the Leader menu; with it open, the rules end the battle.
    os.idle = [&] {
        VaelApp& app = game.app();
        GameControl* control = app.battleRunning() ? app.gameControl() : nullptr;
        const Leader* leader = control ? control->leaderAt(control->getActiveLeader()).leader : nullptr;
        if (stage == 0 && leader && !leader->isComputerControlled() && leader->isOrdersPhaseActive()) {
            stage = 1;
            clickTitle(2);
        } else if (stage == 1 && (game.frame().menuTracker()->openTitle() == 2 || ++waited > 100)) {
            stage = 2;
            menuOpened = game.frame().menuTracker()->openTitle() == 2;
            static Container<short> lost(0);
            app.sendNamed("GameEnded", &lost);
        }
    };
    const std::vector<std::string> shown = travel([&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) return clickOn(os, d, StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName) {
            clickOn(os, d, IntroDlg::IdHomePlayer);
            return clickOn(os, d, Dialog::IdOk);
        }
        if (name == EndOfGameDlg::TemplateName) {
            openUnderTheBox = game.frame().menuTracker()->openTitle();
            return postKey(os, platform::KeyEscape);
        }
        clickOn(os, d, Dialog::IdOk);
    });
    EXPECT_TRUE(menuOpened);
    EXPECT_EQ(openUnderTheBox, -1);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(shown.end() - 2, shown.end()),
              (std::vector<std::string>{"EndOfGameDlg", "StartGame"}));
}

} // namespace
} // namespace vael::test
