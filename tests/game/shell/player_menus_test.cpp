// What a player meets of the menus and the close boxes, played by clicks and keys on the game on the
// headless platform with the forged data: an item chosen over the start dialog acts at once and once, a
// box that opens closes the menu, Escape closes it while the computer gives his orders, and a close box
// never makes a choice for the player.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/container.h"
#include "framework/core/list_walk.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/menu.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_menu.h"
#include "framework/ui/toolbar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/map/vael_map_window.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/leader_almost_done_dialog.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/toolbar_points.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

// The scripted platform that keeps the screen boxes of every picture shown, while asked to.
class RecordingPlatform : public ScriptedPlatform {
public:
    void present(const platform::Surface& picture, std::int32_t x, std::int32_t y,
                 const platform::Rect* boxes, std::int32_t count) override {
        ScriptedPlatform::present(picture, x, y, boxes, count);
        if (!recording) return;
        std::vector<std::uint32_t> screen;
        for (std::int32_t row = 0; row < height(); ++row)
            for (std::int32_t column = 0; column < width(); ++column)
                screen.push_back(pixel(column, row));
        seen.push_back(std::move(screen));
    }
    bool recording = false;
    std::vector<std::vector<std::uint32_t>> seen; // the whole screen after each picture shown
};

class PlayerMenus : public ::testing::Test {
protected:
    TempDir dir{"playermenus"};
    DataHome home{dir.path().string()};
    RecordingPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};

    const MenuTracker* menus() { return game.frame().menuTracker(); }
    void clickOnFrame(const Box& b) {
        const platform::Rect outer = WindowManager::instance().outerOnScreen(game.frame().hwnd());
        postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                    outer.x + b.x + b.w / 2, outer.y + b.y + b.h / 2);
    }
    // A click on a title of the frame's menu bar, and one on an entry of its open pull-down.
    void clickTitle(std::size_t title) { clickOnFrame(menus()->titleBox(title)); }
    void clickEntry(std::size_t entry) { clickOnFrame(menus()->entryBox(0, entry)); }
    void leave() {
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os.postEvent(close);
    }
    Point toolbarButton(std::size_t which) { return test::toolbarButton(game, which); }
    // A key as the keyboard gives it: the press, its letter typed, the release.
    void typeKey(char letter) {
        platform::Event e;
        e.kind = platform::EventKind::KeyDown, e.key = std::toupper(letter);
        os.postEvent(e);
        postText(os, std::string(1, letter));
        e.kind = platform::EventKind::KeyUp;
        os.postEvent(e);
    }
    // A letter held with modifiers as the keyboard gives it: with Alt alone its letter is typed too (the
    // platform drops it), with Ctrl nothing is.
    void chord(char letter, std::uint16_t modifiers) {
        platform::Event e;
        e.kind = platform::EventKind::KeyDown, e.key = std::toupper(letter), e.modifiers = modifiers;
        os.postEvent(e);
        if (!(modifiers & platform::ModControl)) postText(os, std::string(1, letter));
        e.kind = platform::EventKind::KeyUp;
        os.postEvent(e);
    }
    // The dialog of the game whose window is the last of those standing beside it, of that kind.
    template <class D> D* standing() {
        Item<WindowHandle>* it = nullptr;
        for (game.app().modelessDialogs().firstItem(it); it; it = it->next)
            if (const WindowManager::Record* r = WindowManager::instance().find(it->value))
                if (auto* d = dynamic_cast<D*>(r->window)) return d;
        return nullptr;
    }
    // The way into a battle with the sides given to the player or the computer; every other dialog along
    // it is taken by its OK, a second start dialog by Exit.
    std::vector<std::string> play(bool homePlayer, bool visitorPlayer) {
        std::vector<std::string> shown;
        int starts = 0;
        game.onDialog = [&, homePlayer, visitorPlayer](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName)
                return clickOn(os, d, ++starts > 1 ? StartGameDlg::IdExit : StartGameDlg::IdStartBattle);
            if (name == IntroDlg::TemplateName) {
                clickOn(os, d, homePlayer ? IntroDlg::IdHomePlayer : IntroDlg::IdHomeComputer);
                clickOn(os, d, visitorPlayer ? IntroDlg::IdVisitorPlayer : IntroDlg::IdVisitorComputer);
            }
            if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
        };
        EXPECT_EQ(game.run(), 0);
        game.onDialog = nullptr;
        return shown;
    }
};

// The tool bar's Save Game and Game Overview act on a battle: greyed on the start screen, where they would
// do nothing, and offered once a battle is open.
TEST_F(PlayerMenus, TheToolBarOffersSaveAndOverviewOnlyInABattle) {
    ASSERT_TRUE(game.ready());
    const auto offered = [&] {
        std::vector<std::string> tips;
        const auto* bar = dynamic_cast<const Toolbar*>(game.frame().toolbar());
        if (!bar) return tips;
        Item<Button*>* it = nullptr;
        for (bar->buttons().firstItem(it); it; it = it->next)
            if (it->value->isEnabled()) tips.push_back(it->value->toolTipText());
        return tips;
    };
    using Tips = std::vector<std::string>;
    Tips atStart, inBattle;
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) {
            if (++starts == 1) atStart = offered();
            return clickOn(os, d, starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        }
        if (name == IntroDlg::TemplateName) clickOn(os, d, IntroDlg::IdHomePlayer);
        if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
    };
    os.idle = [&] {
        if (!inBattle.empty() || !playersOrders(game.app())) return;
        inBattle = offered();
        leave();
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(atStart, (Tips{"Start Game", "Open Game"}));
    EXPECT_EQ(inBattle, (Tips{"Start Game", "Open Game", "Save Game", "Game Overview"}));
}

// Help, About... chosen by the mouse over the start dialog shows About at once, the start dialog still up
// under it, with no other input given; so do its keys (the title clicked, Down, Return).
TEST_F(PlayerMenus, AnItemChosenOverTheStartDialogActsAtOnce) {
    ASSERT_TRUE(game.ready());
    for (const bool byKeys : {false, true}) {
        SCOPED_TRACE(byKeys ? "by the keys of the open menu" : "by the mouse");
        Dialog* start = nullptr;
        WindowHandle startWindow = 0;
        const auto startOpen = [&] { return startWindow && WindowManager::instance().exists(startWindow); };
        bool startUnderAbout = false;
        int step = 0, idleAfterChoice = -1;
        std::vector<std::string> shown;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName) start = &d, startWindow = d.hwnd();
            if (name != AboutDlg::TemplateName) return;
            startUnderAbout = startOpen();
            clickOn(os, d, Dialog::IdOk);
        };
        os.idle = [&] {
            if (!startOpen()) return;
            if (step == 0) {
                clickTitle(2);
            } else if (step == 1) {
                if (byKeys) {
                    postKey(os, platform::KeyDown);
                    postKey(os, platform::KeyReturn);
                } else {
                    clickEntry(0);
                }
            } else if (shown.size() >= 2 || ++idleAfterChoice > 20) {
                // Seen at once, or never: the player gives up and leaves.
                clickOn(os, *start, StartGameDlg::IdExit);
                startWindow = 0;
            }
            ++step;
        };
        EXPECT_EQ(game.run(), 0);
        EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "AboutDlg"}));
        EXPECT_TRUE(startUnderAbout);
        EXPECT_EQ(idleAfterChoice, -1) << "the player waited for About";
    }
}

// File, Open Game... over the start dialog opens one Load Game; cancelled, the start dialog is back and
// nothing more opens. The player who sees nothing happen clicks Load Saved Game, as he did before.
TEST_F(PlayerMenus, OpenGameFromTheMenuOpensOneLoadGame) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    Dialog* start = nullptr;
    WindowHandle startWindow = 0;
    int starts = 0, step = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            start = &d, startWindow = d.hwnd();
            step = 0;
            if (++starts > 1) return clickOn(os, d, StartGameDlg::IdExit);
        }
        if (name == LoadSaveDlg::TemplateName) clickOn(os, d, Dialog::IdCancel);
    };
    os.idle = [&] {
        if (starts != 1 || !startWindow || !WindowManager::instance().exists(startWindow)) return;
        if (step == 0) clickTitle(0);
        if (step == 1) clickEntry(0);
        if (step == 2) clickOn(os, *start, StartGameDlg::IdLoadGame);
        ++step;
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg", "StartGame"}));
}

// On the start screen the tool bar's Start Game and Open Game open what File's items of those names open
// there (the scenario's choice, Load Game), each showing its tip while the pointer rests on it.
TEST_F(PlayerMenus, TheStartScreensToolBarOpensWhatItsMenuItemsOpen) {
    ASSERT_TRUE(game.ready());
    const struct {
        std::size_t button;
        const char* tip;
        const char* opens;
    } cases[] = {{0, " Start Game ", ScenarioDlg::TemplateName},
                 {1, " Open Game ", LoadSaveDlg::TemplateName}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opens);
        std::vector<std::string> shown;
        std::string tip = "<none shown>";
        Dialog* start = nullptr;
        int starts = 0, step = 0, waited = 0;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName) {
                start = &d, step = 0;
                if (++starts > 1) clickOn(os, d, StartGameDlg::IdExit);
                return;
            }
            if (d.item(Dialog::IdCancel)) clickOn(os, d, Dialog::IdCancel);
        };
        os.idle = [&] {
            if (starts != 1 || !start) return;
            const auto* bar = dynamic_cast<WindowsToolbar*>(game.frame().toolbar());
            if (step == 0) {
                pointAt(os, toolbarButton(c.button));
            } else if (step == 1) {
                // The pointer rests on the button until the tip shows, or the player gives up waiting.
                if (!bar->tipWindow() && ++waited < 400) return;
                if (bar->tipWindow()) tip = bar->tipWindow()->shownText();
                clickAt(os, toolbarButton(c.button));
            } else if (++waited > 800) {
                // Nothing opened: the player leaves.
                clickOn(os, *start, StartGameDlg::IdExit);
                start = nullptr;
            }
            ++step;
        };
        EXPECT_EQ(game.run(), 0);
        EXPECT_EQ(tip, c.tip);
        EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", c.opens, "StartGame"}));
    }
}

// The pointer rests on a tool bar button until its tip shows, then goes straight onto the start dialog: over
// its caption, over the top of its face, or (the window shrunk to 640 x 480 meanwhile, which brings the
// dialog over the bar, its caption under the pointer) a pixel along onto the caption. The tip goes. Before,
// a move onto the dialog was the dialog's alone, and the tip stayed drawn over it.
TEST_F(PlayerMenus, AToolTipGoesWhenThePointerLeavesTheBarForTheStartDialog) {
    ASSERT_TRUE(game.ready());
    enum Onto { Caption, Face, ShrunkCaption };
    for (const Onto onto : {Caption, Face, ShrunkCaption}) {
        SCOPED_TRACE(onto == Caption ? "onto the caption"
                     : onto == Face  ? "onto the face"
                                     : "shrunk under it");
        Dialog* start = nullptr;
        int step = 0, waited = 0;
        bool tipShown = false, tipAfter = true, onDialog = false;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (name == StartGameDlg::TemplateName) start = &d, step = 0, waited = 0;
        };
        const auto resize = [&](int width, int height) {
            platform::Event e;
            e.kind = platform::EventKind::Resize, e.x = width, e.y = height;
            os.postEvent(e);
        };
        os.idle = [&] {
            if (!start) return;
            const auto* bar = dynamic_cast<WindowsToolbar*>(game.frame().toolbar());
            const platform::Rect outer = WindowManager::instance().outerOnScreen(start->hwnd());
            const platform::Rect client = WindowManager::instance().clientOnScreen(start->hwnd());
            const Point button = toolbarButton(0);
            if (step == 0) {
                resize(1024, 768);
            } else if (step == 1) {
                pointAt(os, button);
            } else if (step == 2) {
                // The pointer rests on the button until the tip shows, or the player gives up waiting.
                if (!bar->tipWindow() && ++waited < 400) return;
                tipShown = bar->tipWindow() != nullptr;
                if (onto == ShrunkCaption) resize(640, 480);
            } else if (step == 3) {
                const Point to =
                    onto == Caption ? Point(static_cast<std::int16_t>(outer.x + outer.width / 2),
                                            static_cast<std::int16_t>(outer.y + WindowManager::Border +
                                                                      WindowManager::CaptionHeight / 2))
                    : onto == Face  ? Point(static_cast<std::int16_t>(client.x + client.width / 2),
                                            static_cast<std::int16_t>(client.y + 4))
                                    : Point(static_cast<std::int16_t>(button.x + 1), button.y);
                onDialog = WindowManager::instance().windowAt(to.x, to.y) == start->hwnd();
                pointAt(os, to);
                waited = 0;
            } else if (step == 4) {
                // A moment for the tip to go.
                if (++waited < 20) return;
                tipAfter = bar->tipWindow() != nullptr;
                // The dialog's foot back in the window, where its Exit is.
                resize(1024, 768);
            } else if (step == 5) {
                clickOn(os, *start, StartGameDlg::IdExit);
                start = nullptr;
            }
            ++step;
        };
        EXPECT_EQ(game.run(), 0);
        EXPECT_TRUE(tipShown) << "no tip showed on the button";
        EXPECT_TRUE(onDialog) << "the point is not on the dialog";
        EXPECT_FALSE(tipAfter) << "the tip stayed over the dialog";
    }
}

// In File, opened over the start dialog, the letter O (the key and the letter it types) chooses Open
// Game...: Load Game opens, with nothing typed into its File Name (the letter was the menu's).
TEST_F(PlayerMenus, AnOpenMenuChoosesItsEntryByTheLetterTypingNothing) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    std::string field = "<not looked at>";
    WindowHandle load = 0;
    Dialog* start = nullptr;
    int starts = 0, step = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            start = &d;
            if (++starts > 1) clickOn(os, d, StartGameDlg::IdExit);
        }
        if (name == LoadSaveDlg::TemplateName) load = d.hwnd();
    };
    os.idle = [&] {
        if (load && WindowManager::instance().exists(load)) {
            auto* d = dynamic_cast<Dialog*>(WindowManager::instance().find(load)->window);
            field = d->item(LoadSaveDlg::IdFileName)->text();
            clickOn(os, *d, Dialog::IdCancel);
            load = 0;
            return;
        }
        if (starts != 1 || !start) return;
        if (step == 0) clickTitle(0);
        if (step == 1 && menus()->openTitle() == 0) typeKey('o');
        if (step > 1 && step < 100) return void(++step);
        if (step == 100) {
            // Nothing opened: the player leaves.
            clickOn(os, *start, StartGameDlg::IdExit);
            start = nullptr;
        }
        ++step;
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg", "StartGame"}));
    EXPECT_EQ(field, "");
}

// "Don't show this again" ticked in the Finish Leader prompt is what Preferences shows next: its "Finish
// Leader Dialog" box unticked, and its OK keeps the 0 the prompt wrote.
TEST_F(PlayerMenus, PreferencesShowsTheFinishLeaderPromptTurnedOffByItsOwnBox) {
    ASSERT_TRUE(game.ready());
    ClickingPlayer player;
    player.os = &os;
    player.game = &game;
    player.arrived = [&] {
        player.handled = {-1, -1, -1};
        return true;
    };
    int stage = 0, waited = 0;
    int shownTicked = -1;
    std::optional<std::uint32_t> kept;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, stage > 0 ? StartGameDlg::IdExit : StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName) {
            clickOn(os, d, IntroDlg::IdHomePlayer);
            clickOn(os, d, IntroDlg::IdVisitorComputer);
        }
        if (name == PreferencesDlg::TemplateName) {
            const auto* box = dynamic_cast<DialogButton*>(d.controlOf(PreferencesDlg::IdFinishLeader));
            shownTicked = box ? box->getCheck() : -1;
            stage = 4;
        }
        if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
    };
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == 0) {
            if (auto* d = standing<LeaderAlmostDoneDlg>(); d && playersOrders(app)) {
                stage = 1;
                clickOn(os, *d, LeaderAlmostDoneDlg::IdDontShowAgain);
                return clickCloseBox(os, d->hwnd());
            }
            return player.idle();
        }
        if (stage == 1 && !standing<LeaderAlmostDoneDlg>()) {
            stage = 2;
            return clickTitle(0);
        }
        if (stage == 2 && menus()->openTitle() == 0) {
            stage = 3;
            return clickEntry(2);
        }
        if (stage == 4 && app.modalDepth() == 0) {
            kept = os.settings().readNumber(platform::Settings::Root::User,
                                            LeaderAlmostDoneDlg::PreferencesKey, "Finish Leader");
            stage = 5;
            return leave();
        }
        if (stage < 4 && ++waited > 200000) {
            ADD_FAILURE() << "stuck at stage " << stage;
            stage = 5;
            leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(player.faults, std::vector<std::string>{});
    EXPECT_EQ(shownTicked, 0);
    EXPECT_EQ(kept, std::optional<std::uint32_t>(0));
}

// Under the Victory picture the status bar is empty, and stays so wherever the pointer goes over the map:
// what it told of the hex under the pointer before the battle ended is gone.
TEST_F(PlayerMenus, TheStatusBarIsEmptyUnderTheVictoryPicture) {
    ASSERT_TRUE(game.ready());
    StatusBar* bar = game.frame().statusBar();
    ASSERT_NE(bar, nullptr);
    const auto texts = [&] { return std::pair{bar->text(1), bar->text(2)}; };
    using Texts = std::pair<std::string, std::string>;
    int stage = 0, waited = 0;
    Texts beforeTheEnd, underThePicture{"<never>", ""}, afterAMove{"<never>", ""};
    bool won = false;
    std::vector<Point> hexes;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == 0 && playersOrders(app)) {
            // The pointer over a unit of his tells its hex.
            for (Combat* c : orderable(app))
                if (const auto at = screenPointOf(app, static_cast<std::int16_t>(c->getHex())))
                    hexes.push_back(*at);
            if (hexes.empty()) return;
            stage = 1;
            pointAt(os, hexes.front());
        } else if (stage == 1 && (!texts().first.empty() || ++waited > 100)) {
            stage = 2;
            beforeTheEnd = texts();
            static Container<short> homeWon(1);
            app.sendNamed("GameEnded", &homeWon);
        } else if (auto* end = standing<EndOfGameDlg>(); end && stage == 3) {
            // The pointer goes over the map beside the picture, onto the hexes he pointed at before.
            for (const Point& p : hexes)
                if (WindowManager::instance().windowAt(p.x, p.y) != end->hwnd()) pointAt(os, p);
            stage = 4;
        } else if (end && stage >= 4 && ++stage == 8) {
            afterAMove = texts();
            clickOn(os, *end, EndOfGameDlg::IdClose);
        }
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, stage > 0 ? StartGameDlg::IdExit : StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName) {
            clickOn(os, d, IntroDlg::IdHomePlayer);
            clickOn(os, d, IntroDlg::IdVisitorComputer);
        }
        if (name == EndOfGameDlg::TemplateName) {
            won = dynamic_cast<EndOfGameDlg&>(d).won();
            underThePicture = texts();
            stage = 3;
            return;
        }
        if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_NE(beforeTheEnd.first, "") << "the hex under the pointer was never told";
    EXPECT_TRUE(won);
    EXPECT_EQ(underThePicture, (Texts{"", ""}));
    EXPECT_EQ(afterAMove, (Texts{"", ""}));
}

// The close box of Finish Leader puts the prompt away and nothing else: the leader goes on giving his
// orders, as the prompt says he may. The player gives orders to his units until the prompt shows.
TEST_F(PlayerMenus, TheCloseBoxOfFinishLeaderLeavesTheLeaderGivingOrders) {
    ASSERT_TRUE(game.ready());
    ClickingPlayer player;
    player.os = &os;
    player.game = &game;
    const Leader* leader = nullptr;
    WindowHandle prompt = 0;
    bool stopped = false, promptClosed = false, stillGivingOrders = false;
    int looks = 0;
    player.arrived = [&] {
        // Taken up again for his next order until the prompt shows.
        player.handled = {-1, -1, -1};
        return true;
    };
    os.idle = [&] {
        VaelApp& app = game.app();
        if (!stopped) {
            if (auto* d = standing<LeaderAlmostDoneDlg>(); d && playersOrders(app)) {
                stopped = true;
                prompt = d->hwnd();
                leader = ClickingPlayer::activeLeader(app);
                return clickCloseBox(os, prompt);
            }
            return player.idle();
        }
        if (++looks != 5) return; // the game settles after the click
        promptClosed = !WindowManager::instance().exists(prompt);
        stillGivingOrders =
            leader && leader == ClickingPlayer::activeLeader(app) && leader->isOrdersPhaseActive();
        leave();
    };
    play(true, false);
    EXPECT_EQ(player.faults, std::vector<std::string>{});
    ASSERT_TRUE(stopped) << "the prompt never showed";
    EXPECT_TRUE(promptClosed);
    EXPECT_TRUE(stillGivingOrders);
}

// Leader Control, Army Rout Level and Elite Initiative hold the battle until the player has chosen and have
// no Cancel: they show no close box, so that nothing but their OK takes the choice, and Escape chooses
// nothing. Elite Initiative's question is answered by its Yes or its No alone: its No, though it bears
// Cancel's id, is a choice, not a way back (before, its close box and Escape declined the initiative).
// About (which asks nothing) keeps its close box as its Close.
TEST_F(PlayerMenus, ABoxThatHoldsAChoiceWithNoWayBackShowsNoCloseBox) {
    ASSERT_TRUE(game.ready());
    ArmyRoutRequest request;
    request.homeName = "Rajavan", request.visitorName = "Keldrian";
    request.homeTQPoints = 70, request.visitorTQPoints = 60, request.homeTotal = 216,
    request.visitorTotal = 114;
    const struct {
        const char* name;
        const char* templateName;
        std::function<std::unique_ptr<Dialog>(DialogShown)> make;
        bool closeBox;
        std::int16_t result; // by the close box where there is one, else by OK
    } rows[] = {
        {"Leader Control", IntroDlg::TemplateName,
         [](DialogShown s) { return std::make_unique<IntroDlg>("Rajavan", "Keldrian", s); }, false, 1},
        {"Army Rout Level", ArmyRoutDlg::TemplateName,
         [&](DialogShown s) { return std::make_unique<ArmyRoutDlg>(request, s); }, false, 1},
        {"Elite Initiative, the leader who goes first", EliteInitiativeDlg::TemplateName,
         [](DialogShown s) {
             return std::make_unique<EliteInitiativeDlg>(std::vector<std::string>{"Vaelmoric", "Orthane"}, s);
         },
         false, 1},
        {"Elite Initiative, the question: its Yes", VaelEliteInitiativeDlg::TemplateName,
         [](DialogShown s) { return std::make_unique<VaelEliteInitiativeDlg>(s); }, false,
         VaelEliteInitiativeDlg::IdYes},
        {"About: its Close", AboutDlg::TemplateName,
         [](DialogShown s) { return std::make_unique<AboutDlg>("The Iron Vigils, version 1", s); }, true,
         Dialog::IdOk},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool shown = false, offered = false;
        std::unique_ptr<Dialog> d = row.make([&](Dialog& open, const std::string&) {
            shown = true;
            offered = WindowManager::instance().closeBoxOnScreen(open.hwnd()).width > 0;
            if (offered) return clickCloseBox(os, open.hwnd());
            // Escape first: it leaves the box standing for the OK after it.
            postKey(os, platform::KeyEscape);
            clickOn(os, open, Dialog::IdOk);
        });
        d->attach(game.app());
        EXPECT_EQ(d->create(row.templateName, Dialog::Modal), row.result);
        EXPECT_TRUE(shown);
        EXPECT_EQ(offered, row.closeBox);
    }
}

// While the computer gives a leader's orders (his notice standing beside the battle) the player opens the
// Unit menu: Rotate Clockwise, an order that is not his to give, takes no click (the menu stays open) and
// is withheld from the keys and the tool bar too; Escape closes the menu.
TEST_F(PlayerMenus, EscapeClosesAnOpenMenuWhileTheComputerGivesOrders) {
    ASSERT_TRUE(game.ready());
    int stage = 0, waited = 0;
    bool opened = false, openAfterRotate = false, withheld = false, openAfterEscape = true;
    os.idle = [&] {
        const bool computers = standing<AILeaderGoingDlg>() && game.app().modalDepth() == 0;
        if (stage == 0 && computers) {
            stage = 1;
            clickTitle(3);
        } else if (stage == 1 && (menus()->openTitle() == 3 || ++waited > 100)) {
            stage = 2;
            opened = menus()->openTitle() == 3;
            withheld = game.frame().withheld && game.frame().withheld(221);
            if (opened) clickEntry(5);
        } else if (stage == 2) {
            stage = 3;
            openAfterRotate = menus()->openTitle() == 3;
            postKey(os, platform::KeyEscape);
        } else if (stage == 3) {
            stage = 4;
            openAfterEscape = menus()->isOpen();
            leave();
        }
    };
    play(false, false);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(withheld);
    EXPECT_TRUE(openAfterRotate);
    EXPECT_FALSE(openAfterEscape);
}

// While the computer gives a leader's orders, the map's pop-up (the Leader menu at the pointer) greys Group
// Move and Finish Leader as the bar does, though the rules have them lit: a click on either chooses nothing
// and the pop-up stays; Escape closes it. Before, the click chose them and the command was dropped unsaid.
TEST_F(PlayerMenus, TheMapsPopUpWithholdsTheOrdersWhileTheComputerGivesThem) {
    ASSERT_TRUE(game.ready());
    int stage = 0, waited = 0;
    bool opened = false, litByTheRules = false, openAfterGroupMove = false, openAfterFinish = false,
         openAfterEscape = true;
    const auto popupEntry = [&](std::size_t entry) {
        const Box b = game.frame().popupTracker()->entryBox(0, entry);
        pointAndClickAt(
            os, Point(static_cast<std::int16_t>(b.x + b.w / 2), static_cast<std::int16_t>(b.y + b.h / 2)));
    };
    os.idle = [&] {
        VaelMainWindow& frame = game.frame();
        const bool computers = standing<AILeaderGoingDlg>() && game.app().modalDepth() == 0;
        Menu* leader = mapWindow(game.app()) && mapWindow(game.app())->menu()
                           ? mapWindow(game.app())->menu()->findPopup("Leader")
                           : nullptr;
        const auto lit = [&](std::size_t entry) {
            return !(leader->handle()->entry(entry).flags & (SystemMenu::Grayed | SystemMenu::Disabled));
        };
        if (stage == 0 && computers && leader && leader->handle()) {
            // Group Move and Finish Leader lit, as the rules and the tool bar light them for a leader at his
            // orders: only their being withheld greys them.
            for (std::uint16_t order : {212, 224}) {
                Container<BusMessage> item{BusMessage(order)};
                game.app().send(ENABLE_MENU_ITEM, &item);
            }
            litByTheRules = lit(1) && lit(2);
            const platform::Rect client =
                WindowManager::instance().clientOnScreen(mapWindow(game.app())->hwnd());
            rightClickAt(os, Point(static_cast<std::int16_t>(client.x + client.width / 2),
                                   static_cast<std::int16_t>(client.y + client.height / 2)));
            stage = 1;
        } else if (stage == 1 && (frame.popupOpen() || ++waited > 100)) {
            opened = frame.popupOpen();
            if (!opened) return leave();
            popupEntry(1); // Group Move
            stage = 2;
        } else if (stage == 2) {
            openAfterGroupMove = frame.popupOpen();
            if (openAfterGroupMove) popupEntry(2); // Finish Leader
            stage = 3;
        } else if (stage == 3) {
            openAfterFinish = frame.popupOpen();
            pressKey(os, platform::KeyEscape);
            stage = 4;
        } else if (stage == 4) {
            openAfterEscape = frame.popupOpen();
            stage = 5;
            leave();
        }
    };
    play(false, false);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(litByTheRules);
    EXPECT_TRUE(openAfterGroupMove);
    EXPECT_TRUE(openAfterFinish);
    EXPECT_FALSE(openAfterEscape);
}

// A box that opens beside the battle (the combats' results, as the rules open it) closes the menu the
// player had open, so that the pull-down stands over nothing.
TEST_F(PlayerMenus, ABoxThatOpensClosesAnOpenMenu) {
    ASSERT_TRUE(game.ready());
    int stage = 0, waited = 0;
    bool opened = false, openOverTheBox = true;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == 0 && playersOrders(app)) {
            stage = 1;
            clickTitle(2);
        } else if (stage == 1 && (menus()->openTitle() == 2 || ++waited > 100)) {
            stage = 2;
            opened = menus()->openTitle() == 2;
            List<SingleCombatResult> results;
            SingleCombatResult r;
            r.attackerNames.append("Horse of Orthane");
            r.attackerHits.append(1);
            r.attackerRouted.append(0);
            r.defenderNames.append("Spears of Keldrian");
            r.defenderHits.append(2);
            r.defenderRouted.append(0);
            results.append(r);
            app.logicalLayer().getDialogs().overallCombatResults(app.logicalLayer(), results);
            openOverTheBox = menus()->isOpen();
            leave();
        }
    };
    play(true, false);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(openOverTheBox);
}

// The screen's pixels in a box, as the headless platform composed them.
std::vector<std::uint32_t> pixelsIn(const platform::HeadlessPlatform& os, const platform::Rect& r) {
    std::vector<std::uint32_t> pixels;
    for (std::int32_t y = r.y; y < r.y + r.height; ++y)
        for (std::int32_t x = r.x; x < r.x + r.width; ++x)
            pixels.push_back(x >= 0 && y >= 0 && x < os.width() && y < os.height() ? os.pixel(x, y) : 0u);
    return pixels;
}

// A box that closes leaves nothing of its picture: where it stood shows again what it covered, pixel for
// pixel, with no other window drawn over the place. Tried with one box and with a box over a box.
TEST_F(PlayerMenus, AClosedBoxLeavesNothingOfItsPicture) {
    ASSERT_TRUE(game.ready());
    const auto pump = [&] {
        for (int i = 0; i < 200 && game.app().messageWaiting(); ++i)
            game.app().pumpMessage();
    };
    pump();
    AboutDlg under("The Iron Vigils, version 1", nullptr);
    under.attach(game.app());
    for (const bool overAnother : {false, true}) {
        SCOPED_TRACE(overAnother ? "a box closed over another" : "a box closed over the frame");
        if (overAnother) {
            under.create(AboutDlg::TemplateName, Dialog::Modeless);
            pump();
        }
        const platform::Rect screen{0, 0, os.width(), os.height()};
        const std::vector<std::uint32_t> before = pixelsIn(os, screen);
        OverallCombatResultsDlg box(List<SingleCombatResult>{}, nullptr);
        box.attach(game.app());
        box.create(OverallCombatResultsDlg::TemplateName, Dialog::Modeless);
        pump();
        EXPECT_NE(pixelsIn(os, screen), before) << "the box never showed";
        box.close(0);
        pump();
        EXPECT_EQ(pixelsIn(os, screen), before);
        if (overAnother) under.close(0);
    }
}

// The player leaves a battle by File, Start Game... while the computer gives a leader's orders: over the
// questions of the next battle (Leader Control among them) nothing says any more that the old battle's
// leader gives his orders, and once the next battle stands the old notice is gone.
TEST_F(PlayerMenus, TheNoticeOfALeftBattleIsGoneOverTheNextBattlesQuestions) {
    ASSERT_TRUE(game.ready());
    int starts = 0, intros = 0, stage = 0;
    WindowHandle notice = 0;
    std::vector<bool> noticeShownAt; // at the second Leader Control, then in the next battle
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, ++starts > 1 ? StartGameDlg::IdExit : StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName && ++intros == 2)
            noticeShownAt.push_back(notice && WindowManager::instance().shown(notice));
        if (name == IntroDlg::TemplateName) {
            clickOn(os, d, IntroDlg::IdHomeComputer);
            clickOn(os, d, IntroDlg::IdVisitorComputer);
        }
        if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
    };
    os.idle = [&] {
        if (auto* open = standing<AILeaderGoingDlg>(); stage == 0 && open && game.app().modalDepth() == 0) {
            notice = open->hwnd();
            stage = 1;
            clickTitle(0);
        } else if (stage == 1 && menus()->openTitle() == 0) {
            stage = 2;
            clickEntry(1);
        } else if (stage == 2 && intros == 2 && game.app().battleRunning() && game.app().modalDepth() == 0) {
            stage = 3;
            noticeShownAt.push_back(WindowManager::instance().exists(notice) &&
                                    WindowManager::instance().shown(notice));
            leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(stage, 3);
    EXPECT_EQ(noticeShownAt, (std::vector<bool>{false, false}));
}

// The combats' results open centred: at no moment on the way does the screen change anywhere but where the
// box stands, as it did when its frame was drawn at the top left before it was placed.
TEST_F(PlayerMenus, ABoxIsFirstShownWhereItStands) {
    ASSERT_TRUE(game.ready());
    for (int i = 0; i < 200 && game.app().messageWaiting(); ++i)
        game.app().pumpMessage();
    std::vector<std::uint32_t> before;
    for (std::int32_t y = 0; y < os.height(); ++y)
        for (std::int32_t x = 0; x < os.width(); ++x)
            before.push_back(os.pixel(x, y));
    OverallCombatResultsDlg box(List<SingleCombatResult>{}, nullptr);
    box.attach(game.app());
    os.recording = true;
    box.create(OverallCombatResultsDlg::TemplateName, Dialog::Modeless);
    os.recording = false;
    const platform::Rect stands = WindowManager::instance().outerOnScreen(box.hwnd());
    ASSERT_GT(stands.x, 0);
    ASSERT_FALSE(os.seen.empty());
    for (std::size_t k = 0; k < os.seen.size(); ++k) {
        int changed = 0;
        for (std::int32_t y = 0; y < os.height(); ++y)
            for (std::int32_t x = 0; x < os.width(); ++x) {
                const bool inside = x >= stands.x && x < stands.x + stands.width && y >= stands.y &&
                                    y < stands.y + stands.height;
                const std::size_t at = std::size_t(y) * os.width() + x;
                changed += !inside && os.seen[k][at] != before[at];
            }
        EXPECT_EQ(changed, 0) << "pixels off the box changed at picture " << k + 1 << " of "
                              << os.seen.size();
    }
    box.close(0);
}

// The titles of a battle's menu bar, in their order.
enum BattleTitle { FileTitle, GameTitle, LeaderTitle, UnitTitle, ViewTitle };

// The player's chords, each played on a game of its own.
class PlayerChords : public PlayerMenus {
protected:
    // With the Leader menu open at the player's first orders, Alt and the letter: the title then open, and
    // whether the leader still gives his orders.
    std::pair<int, bool> altInTheOpenLeaderMenu(char letter) {
        ClickingPlayer player;
        player.os = &os;
        player.game = &game;
        const Leader* leader = nullptr;
        int stage = 0, looks = 0, open = -1;
        bool stillGivingOrders = false;
        os.idle = [&] {
            VaelApp& app = game.app();
            if (stage < 3 && ++looks > 200000) {
                ADD_FAILURE() << "stuck at stage " << stage;
                stage = 3;
                return leave();
            }
            if (stage == 0) {
                if (!playersOrders(app)) return player.idle();
                leader = ClickingPlayer::activeLeader(app);
                stage = 1;
                return clickTitle(LeaderTitle);
            }
            if (stage == 1 && menus()->openTitle() == LeaderTitle) {
                stage = 2;
                return chord(letter, platform::ModAlt);
            }
            if (stage == 2) {
                stage = 3;
                open = menus()->openTitle();
                stillGivingOrders =
                    leader && leader == ClickingPlayer::activeLeader(app) && leader->isOrdersPhaseActive();
                postKey(os, platform::KeyEscape);
                return leave();
            }
        };
        play(true, false);
        EXPECT_EQ(player.faults, std::vector<std::string>{});
        return {open, stillGivingOrders};
    }

    // With File open on the start screen, Ctrl and the letter: the boxes shown, and the title open after.
    std::pair<std::vector<std::string>, int> ctrlInTheOpenFileMenu(char letter) {
        std::vector<std::string> shown;
        Dialog* start = nullptr;
        int stage = 0, open = -1;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName) start = &d;
            // Whatever else came is taken back, so that the game ends at the test's Exit.
            else if (d.item(Dialog::IdCancel)) clickOn(os, d, Dialog::IdCancel);
            else if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
        };
        os.idle = [&] {
            if (!start) return;
            if (stage == 0) {
                stage = 1;
                return clickTitle(FileTitle);
            }
            if (stage == 1) {
                if (menus()->openTitle() != FileTitle) return;
                stage = 2;
                return chord(letter, platform::ModControl);
            }
            // The game waits again: the chord and whatever it chose have had their turn.
            if (stage != 2) return;
            stage = 3;
            open = menus()->openTitle();
            postKey(os, platform::KeyEscape);
            clickOn(os, *start, StartGameDlg::IdExit);
        };
        EXPECT_EQ(game.run(), 0);
        return {shown, open};
    }

    struct OverABox {
        int open = -1;
        bool boxStands = false, stillGivingOrders = false, finishedByI = false;
    };
    // Alt and the letter over a box beside the battle: the Finish Leader prompt, with the keys once the
    // leader has no more orders to give, or the notice while the computer gives his; over the prompt,
    // Escape and then Alt+I after it.
    OverABox altOverABox(bool prompt, char letter) {
        ClickingPlayer player;
        player.os = &os;
        player.game = &game;
        // Taken up again for his next order until the prompt shows.
        player.arrived = [&] {
            player.handled = {-1, -1, -1};
            return true;
        };
        const Leader* leader = nullptr;
        WindowHandle box = 0;
        int stage = 0, looks = 0, waited = 0;
        OverABox seen;
        os.idle = [&] {
            VaelApp& app = game.app();
            if (stage < 3 && ++looks > 300000) {
                ADD_FAILURE() << "stuck at stage " << stage;
                stage = 3;
                return leave();
            }
            if (stage == 0) {
                Dialog* d = nullptr;
                if (prompt) {
                    d = standing<LeaderAlmostDoneDlg>();
                    if (!d || !playersOrders(app)) return player.idle();
                } else {
                    d = standing<AILeaderGoingDlg>();
                    if (!d || app.modalDepth() != 0) return;
                }
                box = d->hwnd();
                leader = ClickingPlayer::activeLeader(app);
                stage = 1;
                return chord(letter, platform::ModAlt);
            }
            if (stage == 1) {
                stage = 2;
                seen.open = menus()->openTitle();
                seen.boxStands = WindowManager::instance().exists(box);
                seen.stillGivingOrders = leader && leader == ClickingPlayer::activeLeader(app);
                postKey(os, platform::KeyEscape);
                if (prompt) chord('i', platform::ModAlt);
                return;
            }
            if (stage == 2) {
                // Alt+I has its time to press the button and end the leader's orders.
                const bool gone = !WindowManager::instance().exists(box);
                const bool ended = leader != ClickingPlayer::activeLeader(app) || !leader->isOrdersPhaseActive();
                if (prompt && !(gone && ended) && ++waited < 1000) return;
                stage = 3;
                seen.finishedByI = gone && ended;
                return leave();
            }
        };
        play(prompt, false);
        EXPECT_EQ(player.faults, std::vector<std::string>{});
        return seen;
    }
};

// With the Leader menu open at the player's first orders, Alt and the letter of File or Game goes over to
// that menu and chooses nothing in Leader: the leader is still the one giving orders (before, Alt+F chose
// Finish Leader and the next leader came, Alt+G gambled on Group Move).
TEST_F(PlayerChords, AltFInTheOpenLeaderMenuOpensFile) {
    SCOPED_TRACE("Leader open, Alt+F");
    ASSERT_TRUE(game.ready());
    EXPECT_EQ(altInTheOpenLeaderMenu('f'), (std::pair{int(FileTitle), true}));
}
TEST_F(PlayerChords, AltGInTheOpenLeaderMenuOpensGame) {
    SCOPED_TRACE("Leader open, Alt+G");
    ASSERT_TRUE(game.ready());
    EXPECT_EQ(altInTheOpenLeaderMenu('g'), (std::pair{int(GameTitle), true}));
}

// With File open on the start screen, Ctrl+X and Ctrl+P (chords no accelerator answers) choose nothing:
// File stays open, the game goes on and no Preferences box comes (before, Ctrl+X ended the game and Ctrl+P
// opened Preferences); Escape closes File and the start dialog's Exit ends the game.
TEST_F(PlayerChords, CtrlXInTheOpenFileMenuChoosesNothing) {
    SCOPED_TRACE("File open, Ctrl+X");
    ASSERT_TRUE(game.ready());
    EXPECT_EQ(ctrlInTheOpenFileMenu('x'),
              (std::pair{std::vector<std::string>{StartGameDlg::TemplateName}, int(FileTitle)}));
}
TEST_F(PlayerChords, CtrlPInTheOpenFileMenuChoosesNothing) {
    SCOPED_TRACE("File open, Ctrl+P");
    ASSERT_TRUE(game.ready());
    EXPECT_EQ(ctrlInTheOpenFileMenu('p'),
              (std::pair{std::vector<std::string>{StartGameDlg::TemplateName}, int(FileTitle)}));
}

// Alt+F opens File wherever the frame shows its bar: over the Finish Leader prompt, which has the keys
// (before, Alt+F pressed the prompt's "Finish" and the activation ended, the combats the player meant to
// designate lost), and while the computer's notice stands (before, the notice took Alt+F and Alt+V). The
// box stays. The prompt's button is reached by Alt+I, a letter no title bears.
TEST_F(PlayerChords, AltFOverTheFinishLeaderPromptOpensFile) {
    SCOPED_TRACE("the prompt, Alt+F, then Alt+I");
    ASSERT_TRUE(game.ready());
    const OverABox seen = altOverABox(true, 'f');
    EXPECT_EQ(seen.open, FileTitle);
    EXPECT_TRUE(seen.boxStands);
    EXPECT_TRUE(seen.stillGivingOrders);
    EXPECT_TRUE(seen.finishedByI);
}
TEST_F(PlayerChords, AltFWhileTheComputerGivesOrdersOpensFile) {
    SCOPED_TRACE("the computer's notice, Alt+F");
    ASSERT_TRUE(game.ready());
    const OverABox seen = altOverABox(false, 'f');
    EXPECT_EQ(seen.open, FileTitle);
    EXPECT_TRUE(seen.boxStands);
    EXPECT_TRUE(seen.stillGivingOrders);
}
TEST_F(PlayerChords, AltVWhileTheComputerGivesOrdersOpensView) {
    SCOPED_TRACE("the computer's notice, Alt+V");
    ASSERT_TRUE(game.ready());
    const OverABox seen = altOverABox(false, 'v');
    EXPECT_EQ(seen.open, ViewTitle);
    EXPECT_TRUE(seen.boxStands);
}

// The prompt's button bears a letter of its own: none of the battle's titles has it after its '&'.
TEST_F(PlayerChords, TheFinishLeaderPromptsLetterIsNoTitles) {
    ASSERT_TRUE(game.ready());
    LeaderAlmostDoneDlg prompt;
    prompt.attach(game.app());
    prompt.create(LeaderAlmostDoneDlg::TemplateName, Dialog::Modeless);
    const DialogControl* finish = prompt.controlOf(LeaderAlmostDoneDlg::IdFinishLeader);
    ASSERT_NE(finish, nullptr);
    const char letter = mnemonicOf(finish->label());
    SCOPED_TRACE(std::string("the prompt's letter ") + letter);
    EXPECT_EQ(letter, 'I');
    for (const char* title : {"&File", "&Game", "&Leader", "&Unit", "&View", "&Window", "&Help"})
        EXPECT_NE(mnemonicOf(title), letter) << title;
}

} // namespace
} // namespace vael::test
