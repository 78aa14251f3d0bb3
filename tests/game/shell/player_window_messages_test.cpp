// What the battle's window does of itself and at a right click, played on the headless platform with the
// forged data: the water's colours move while the battle shows and stand still while the window is an
// icon; a right click on the map offers the leader's orders, whose choice acts and which Escape or a click
// beside it closes; the trees open sparse when the preference says so; the frame's close box asks before
// a battle is left, and on the start screen ends the game. And the saved games' list shows a game named in
// Latin-1 by its letters, and still opens it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/message_names.h"
#include "framework/core/registered_message.h"
#include "framework/display/logical_palette.h"
#include "framework/display/palette_animator.h"
#include "framework/display/realised_palette.h"
#include "framework/ui/main_window.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/window_manager.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/shell/clicking_player.h"
#include "game/shell/flow_dialogs.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/preferences.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/shell_message_names.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/way_dialogs.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

// The clicks from the start dialog into the demonstration battle with the home side the player's; the
// second start dialog (the battle left) is left too.
std::function<void(Dialog&, const std::string&)> intoBattle(platform::Platform& os, int& starts) {
    return [&os, &starts](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
        if (name == StartGameDlg::TemplateName)
            clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        else if (name == ScenarioDlg::TemplateName)
            clickOn(os, d, Dialog::IdOk);
        else if (name == IntroDlg::TemplateName)
            clickOn(os, d, IntroDlg::IdHomePlayer), clickOn(os, d, Dialog::IdOk);
    };
}

// The demonstration battle with the home side the player's; once he may give his first orders the test's
// step is taken at each idle moment until it leaves the game.
class BattleWindowMessages : public ::testing::Test {
protected:
    BattleWindowMessages() {
        game.onDialog = intoBattle(os, starts);
    }
    void leave() {
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os.postEvent(close);
    }
    void post(platform::EventKind kind) {
        platform::Event e;
        e.kind = kind;
        os.postEvent(e);
    }
    // The colours shown by the water's palette entries, 202 to 210.
    std::vector<std::uint32_t> water() {
        std::vector<std::uint32_t> colours;
        const RealisedPalette* shown = game.app().getPalette()->handle();
        for (std::size_t i = 202; i <= 210; ++i) {
            const PaletteEntry& e = shown->entries[i];
            colours.push_back(std::uint32_t(e.red) << 16 | std::uint32_t(e.green) << 8 | e.blue);
        }
        return colours;
    }

    TempDir dir{"windowmessages"};
    DataHome home{dir.path().string()};
    int seeded = (std::srand(8), 0);
    ScriptedPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
    int starts = 0;
};

// The water takes a new frame every 200 milliseconds while the battle shows; made an icon, the window
// shows no water and the colours stand as they were; shown again, they move again.
TEST_F(BattleWindowMessages, TheWaterMovesWhileTheBattleShowsAndStandsWhileTheWindowIsAnIcon) {
    ASSERT_TRUE(game.ready());
    int stage = 0;
    std::uint32_t since = 0;
    std::vector<std::uint32_t> last;
    // For each stage, how many times the colours changed over the second it lasted.
    std::array<int, 3> changes{};
    std::array<bool, 3> iconic{};
    const auto watch = [&](int which) {
        const std::vector<std::uint32_t> now = water();
        if (now != last) ++changes[which], last = now;
        iconic[which] = game.frame().isIconic();
    };
    os.idle = [&] {
        if (stage == 0 && playersOrders(game.app())) {
            stage = 1, since = os.tickCount(), last = water();
        } else if (stage == 1) {
            watch(0);
            if (os.tickCount() - since >= 1000) post(platform::EventKind::Minimized), stage = 2;
        } else if (stage == 2) {
            stage = 3, since = os.tickCount(), last = water();
        } else if (stage == 3) {
            watch(1);
            if (os.tickCount() - since >= 1000) post(platform::EventKind::Restored), stage = 4;
        } else if (stage == 4) {
            stage = 5, since = os.tickCount(), last = water();
        } else if (stage == 5) {
            watch(2);
            if (os.tickCount() - since >= 1000) stage = 6, leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(stage, 6);
    EXPECT_EQ(iconic, (std::array<bool, 3>{false, true, false}));
    // Four frames in a cycle, a new one each 200 ms: in a second at least four changes of colour.
    EXPECT_GE(changes[0], 4);
    EXPECT_EQ(changes[1], 0);
    EXPECT_GE(changes[2], 4);
    ASSERT_NE(game.app().paletteAnimator(), nullptr);
    EXPECT_EQ(game.app().paletteAnimator()->paused(), 0);
}

// A box that holds the game (Help, About...) does not hold the water's state with it: made an icon while
// the box is open, the window's water stands; shown again with the box still open, it moves; and a box
// opened while the window is an icon leaves it moving once the window shows again.
TEST_F(BattleWindowMessages, TheWaterFollowsTheWindowWhileABoxIsOpen) {
    ASSERT_TRUE(game.ready());
    Dialog* about = nullptr;
    const auto onWay = game.onDialog;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == AboutDlg::TemplateName)
            about = &d;
        else
            onWay(d, name);
    };
    const auto openAbout = [&] {
        platform::Event e;
        e.kind = platform::EventKind::Posted;
        e.posted = {game.frame().hwnd(), MessageCommand, RegisteredMessage::getId(msg::HelpAbout), 0};
        os.postEvent(e);
    };
    // What is done at the start of each stage, and whether the window is an icon and About open in it.
    const struct {
        const char* what;
        std::function<void()> action;
        bool iconic, boxOpen;
    } stages[] = {
        {"About opened over the battle", openAbout, false, true},
        {"the window made an icon under About", [&] { post(platform::EventKind::Minimized); }, true, true},
        {"shown again under About", [&] { post(platform::EventKind::Restored); }, false, true},
        {"About closed", [&] { clickOn(os, *about, Dialog::IdOk), about = nullptr; }, false, false},
        {"the window made an icon", [&] { post(platform::EventKind::Minimized); }, true, false},
        {"About opened over the icon", openAbout, true, true},
        {"shown again under About", [&] { post(platform::EventKind::Restored); }, false, true},
    };
    constexpr std::size_t count = std::size(stages);
    std::size_t stage = 0;
    bool started = false, acted = false, settled = false;
    std::uint32_t since = 0;
    std::vector<std::uint32_t> last;
    std::array<int, count> changes{};
    std::array<bool, count> iconic{}, boxOpen{};
    os.idle = [&] {
        if (!started) {
            if (!playersOrders(game.app())) return;
            started = true;
        }
        if (stage == count) return;
        if (!settled) {
            // The stage's action, then a moment for it to take effect before the water is watched.
            if (!acted) stages[stage].action(), acted = true, since = os.tickCount();
            if (os.tickCount() - since > 5000) {
                // What the stage waited for never came: the game is left, and the stage named below.
                ADD_FAILURE() << "waited in vain: " << stages[stage].what;
                stage = count;
                if (about) clickOn(os, *about, Dialog::IdOk), about = nullptr;
                return leave();
            }
            if (os.tickCount() - since < 100 || (stages[stage].boxOpen && !about)) return;
            settled = true, since = os.tickCount(), last = water();
            return;
        }
        const std::vector<std::uint32_t> now = water();
        if (now != last) ++changes[stage], last = now;
        iconic[stage] = game.frame().isIconic(), boxOpen[stage] = about != nullptr;
        if (os.tickCount() - since < 1000) return;
        settled = false, acted = false;
        if (++stage == count) {
            if (about) clickOn(os, *about, Dialog::IdOk), about = nullptr;
            leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(stage, count);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(stages[i].what);
        EXPECT_EQ(iconic[i], stages[i].iconic);
        EXPECT_EQ(boxOpen[i], stages[i].boxOpen);
        // A new frame each 200 ms while the water shows: at least four in the second watched.
        if (stages[i].iconic)
            EXPECT_EQ(changes[i], 0);
        else
            EXPECT_GE(changes[i], 4);
    }
}

// The turn's overview that the end of a turn opens, and the Elite Initiative question after it, hold the
// battle but not its water: the colours move under both, stand while the window is an icon under the
// overview, and move again once it shows. The player finishes each of his leaders from the menu; the
// computer plays his own.
TEST_F(BattleWindowMessages, TheWaterMovesUnderTheTurnsOverviewAndTheEliteQuestionAfterIt) {
    ASSERT_TRUE(game.ready());
    Dialog* box = nullptr;
    std::string boxName;
    int overviews = 0;
    const auto onWay = game.onDialog;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == EndTurnDlg::TemplateName && ++overviews == 1)
            box = &d, boxName = name;
        else if (name == VaelEliteInitiativeDlg::TemplateName && overviews == 1)
            box = &d, boxName = name;
        else if (name == MomentumDlg::TemplateName)
            clickOn(os, d, MomentumDlg::IdNo);
        else
            onWay(d, name);
    };
    const auto finishLeader = [&] {
        platform::Event e;
        e.kind = platform::EventKind::Posted;
        e.posted = {game.frame().hwnd(), MessageCommand, RegisteredMessage::getId(msg::LeaderFinishLeader),
                    0};
        os.postEvent(e);
    };
    // What is done at the start of each stage, which box it waits for, and whether the window is an icon.
    const struct {
        const char* what;
        std::function<void()> action;
        const char* box;
        bool iconic;
    } stages[] = {
        {"the turn's overview", [] {}, EndTurnDlg::TemplateName, false},
        {"the window made an icon under it", [&] { post(platform::EventKind::Minimized); },
         EndTurnDlg::TemplateName, true},
        {"shown again under it", [&] { post(platform::EventKind::Restored); }, EndTurnDlg::TemplateName,
         false},
        {"the Elite Initiative question after it", [&] { clickOn(os, *box, Dialog::IdOk), box = nullptr; },
         VaelEliteInitiativeDlg::TemplateName, false},
    };
    constexpr std::size_t count = std::size(stages);
    std::size_t stage = 0;
    bool acted = false, settled = false;
    std::uint32_t since = 0, began = 0;
    const Leader* finished = nullptr;
    std::vector<std::uint32_t> last;
    std::array<int, count> changes{};
    std::array<bool, count> iconic{};
    std::array<std::string, count> under;
    const auto leaveAll = [&] {
        stage = count;
        if (box)
            clickOn(os, *box,
                    boxName == EndTurnDlg::TemplateName ? Dialog::IdOk : VaelEliteInitiativeDlg::IdNo),
                box = nullptr;
        leave();
    };
    os.idle = [&] {
        if (stage == count) return;
        if (!began) began = os.tickCount();
        if (os.tickCount() - began > 600000) {
            ADD_FAILURE() << "waited in vain: " << stages[stage].what;
            return leaveAll();
        }
        // The player's part of the turn: each of his leaders finished as soon as he may give orders.
        if (!box && stage == 0) {
            if (!playersOrders(game.app())) return;
            GameControl* control = game.app().gameControl();
            const Leader* active = control->leaderAt(control->getActiveLeader()).leader;
            if (active != finished) finished = active, finishLeader();
            return;
        }
        if (!settled) {
            if (!acted) stages[stage].action(), acted = true, since = os.tickCount();
            if (os.tickCount() - since < 100 || !box || boxName != stages[stage].box) return;
            settled = true, since = os.tickCount(), last = water();
            return;
        }
        const std::vector<std::uint32_t> now = water();
        if (now != last) ++changes[stage], last = now;
        iconic[stage] = game.frame().isIconic(), under[stage] = box ? boxName : "";
        if (os.tickCount() - since < 1000) return;
        settled = false, acted = false;
        if (++stage == count) leaveAll();
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(stage, count);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(stages[i].what);
        EXPECT_EQ((std::pair{iconic[i], under[i]}),
                  (std::pair{stages[i].iconic, std::string(stages[i].box)}));
        // A new frame each 200 ms while the water shows: at least four in the second watched.
        if (stages[i].iconic)
            EXPECT_EQ(changes[i], 0);
        else
            EXPECT_GE(changes[i], 4);
    }
}

// The frame's close box, or Alt+F4, in the middle of a battle (the window manager's close request) asks what
// File, Exit asks: Cancel plays on, OK ends the game. Asked over a box that holds the battle (Elite
// Initiative, the leader to go first, at its start), Cancel leaves that box standing to be answered, rather
// than closing it as if the player had; a second request while the question stands asks nothing more.
// Before, the request ended the game at once.
TEST_F(BattleWindowMessages, ACloseRequestInTheBattleAsksWhetherToLeaveIt) {
    ASSERT_TRUE(game.ready());
    using Lines = std::vector<std::string>;
    std::vector<Lines> asked;
    std::vector<bool> eliteUnder, runningUnder;
    Dialog* elite = nullptr;
    WindowHandle eliteWindow = 0;
    bool eliteStood = false;
    int stage = 0;
    std::uint32_t began = 0;
    const auto standing = [](WindowHandle w) { return w && WindowManager::instance().exists(w); };
    const auto onWay = game.onDialog;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == EliteInitiativeDlg::TemplateName && !eliteWindow) {
            // The battle's first question: the window's close box is pressed while it stands.
            elite = &d, eliteWindow = d.hwnd();
            return leave();
        }
        if (name != InformationDlg::TemplateName) return onWay(d, name);
        asked.push_back(static_cast<InformationDlg&>(d).lines());
        eliteUnder.push_back(standing(eliteWindow));
        runningUnder.push_back(game.app().battleRunning());
        // The first question is asked for twice over: the second request finds it standing.
        if (asked.size() == 1) leave();
        clickOn(os, d, asked.size() == 1 ? Dialog::IdCancel : Dialog::IdOk);
    };
    os.idle = [&] {
        if (!began) began = os.tickCount();
        if (os.tickCount() - began > 600000) {
            // What the stage waited for never came: the game is ended, the stage named below.
            began = os.tickCount();
            return post(platform::EventKind::Quit);
        }
        if (stage == 0 && asked.size() == 1 && game.app().modalDepth() == 1) {
            // The question was answered Cancel: the list still stands, and its OK answers it.
            stage = 1;
            eliteStood = standing(eliteWindow);
            if (eliteStood) clickOn(os, *elite, Dialog::IdOk);
        } else if (stage == 1 && playersOrders(game.app())) {
            stage = 2;
            leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_NE(eliteWindow, 0u) << "the Elite Initiative list never showed";
    EXPECT_EQ(stage, 2);
    EXPECT_TRUE(eliteStood);
    const Lines question{VaelGame::ExitQuestion, VaelGame::ExitWarning};
    EXPECT_EQ(asked, (std::vector<Lines>{question, question}));
    EXPECT_EQ(eliteUnder, (std::vector<bool>{true, false}));
    EXPECT_EQ(runningUnder, (std::vector<bool>{true, true}));
}

// On the start screen there is no battle to lose: the close box ends the game as File, Exit and the start
// dialog's Exit do, asking nothing; Escape is the start dialog's Exit.
TEST(StartScreenClose, TheCloseBoxAndEscapeOnTheStartScreenEndTheGameAskingNothing) {
    const struct {
        const char* what;
        std::function<void(platform::Platform&)> leave;
    } ways[] = {
        {"the close box",
         [](platform::Platform& os) {
             platform::Event close;
             close.kind = platform::EventKind::CloseRequest;
             os.postEvent(close);
         }},
        {"Escape", [](platform::Platform& os) { postKey(os, platform::KeyEscape); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        TempDir here{"startclose"};
        DataHome data{here.path().string()};
        ScriptedPlatform machine;
        VaelGame game{machine, VAEL_BUILD_DATA_DIR};
        ASSERT_TRUE(game.ready());
        std::vector<std::string> shown;
        game.onDialog = [&](Dialog&, const std::string& name) {
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName) way.leave(machine);
        };
        EXPECT_EQ(game.run(), 0);
        EXPECT_EQ(shown, std::vector<std::string>{StartGameDlg::TemplateName});
    }
}

// A right click on the map opens the "Leader" pull-down where the pointer is; choosing Center On Leader
// there brings the view back to the leader; Escape closes it, as does a click beside it, choosing nothing.
TEST_F(BattleWindowMessages, ARightClickOnTheMapOffersTheLeadersOrders) {
    ASSERT_TRUE(game.ready());
    int stage = 0;
    Point clicked, scrolledTo, centred;
    std::vector<std::string> offered;
    Point openedAt;
    bool closedByEscape = false, closedByClick = false, escapeMovedNothing = false;
    const auto popupLabels = [&] {
        std::vector<std::string> labels;
        const MenuTracker* popup = game.frame().popupTracker();
        VaelMapWindow* map = mapWindow(game.app());
        Menu* leader = map && map->menu() ? map->menu()->findPopup("Leader") : nullptr;
        if (!popup || !leader || !leader->handle()) return labels;
        for (std::size_t i = 0; i < leader->handle()->count(); ++i)
            labels.push_back(MenuTracker::shownText(leader->handle()->entry(i).text));
        return labels;
    };
    const auto origin = [&] { return mapWindow(game.app())->tile().origin(); };
    const auto mapPoint = [&] {
        const platform::Rect client = WindowManager::instance().clientOnScreen(mapWindow(game.app())->hwnd());
        return Point(static_cast<std::int16_t>(client.x + client.width / 2),
                     static_cast<std::int16_t>(client.y + client.height / 3));
    };
    // A stage that waits ten seconds of the game's clock for what it expects has failed: the game is left.
    int waiting = -1;
    std::uint32_t waitingSince = 0;
    os.idle = [&] {
        VaelMainWindow& frame = game.frame();
        if (stage != waiting) waiting = stage, waitingSince = os.tickCount();
        if (stage > 0 && stage < 7 && os.tickCount() - waitingSince > 10000) {
            stage = -stage;
            leave();
            return;
        }
        if (stage == 0 && playersOrders(game.app())) {
            // The view is taken away from the leader first.
            mapWindow(game.app())->tile().scrollByCellsClamped(Dim(6, 6));
            scrolledTo = origin();
            clicked = mapPoint();
            rightClickAt(os, clicked);
            stage = 1;
        } else if (stage == 1 && frame.popupOpen()) {
            offered = popupLabels();
            const Box first = frame.popupTracker()->entryBox(0, 0);
            openedAt = Point(frame.popupTracker()->levelBox(0).x, frame.popupTracker()->levelBox(0).y);
            pointAndClickAt(os, Point(static_cast<std::int16_t>(first.x + first.w / 2),
                                      static_cast<std::int16_t>(first.y + first.h / 2)));
            stage = 2;
        } else if (stage == 2 && !frame.popupOpen()) {
            centred = origin();
            rightClickAt(os, clicked);
            stage = 3;
        } else if (stage == 3 && frame.popupOpen()) {
            pressKey(os, platform::KeyEscape);
            stage = 4;
        } else if (stage == 4) {
            closedByEscape = !frame.popupOpen();
            escapeMovedNothing = origin() == centred;
            rightClickAt(os, clicked);
            stage = 5;
        } else if (stage == 5 && frame.popupOpen()) {
            // Beside it: well left of where it opened.
            clickAt(os, Point(static_cast<std::int16_t>(clicked.x - 200), clicked.y));
            stage = 6;
        } else if (stage == 6) {
            closedByClick = !frame.popupOpen();
            stage = 7;
            leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(stage, 7);
    EXPECT_EQ(offered, (std::vector<std::string>{"Center On Leader", "Group Move", "Finish Leader"}));
    EXPECT_EQ(openedAt, clicked);
    EXPECT_NE(centred, scrolledTo);
    EXPECT_TRUE(closedByEscape);
    EXPECT_TRUE(escapeMovedNothing);
    EXPECT_TRUE(closedByClick);
}

// With "Sparse Trees" set the battle opens with the trees that a sparse landscape leaves out hidden, every
// one of them, without the setting changing first; with it cleared every tree shows.
TEST(SparseTrees, ANewBattleWithSparseTreesTickedOpensSparse) {
    for (const bool sparse : {true, false}) {
        SCOPED_TRACE(sparse ? "ticked" : "unticked");
        TempDir here{"sparsetrees"};
        DataHome data{here.path().string()};
        std::srand(8);
        ScriptedPlatform machine;
        machine.settings().writeNumber(platform::Settings::Root::User,
                                       Preferences::keyOf("SOFTWARE\\Tamblor\\Vaelmoric"), "Sparse Trees",
                                       sparse ? 1 : 0);
        VaelGame battle{machine, VAEL_BUILD_DATA_DIR};
        ASSERT_TRUE(battle.ready());
        int begun = 0;
        battle.onDialog = intoBattle(machine, begun);
        int optional = 0, hidden = 0;
        bool seen = false;
        machine.idle = [&] {
            if (seen || !playersOrders(battle.app())) return;
            seen = true;
            const PointedVaelLandscape* quarter = battle.app().views()->normal().zoomLandscape(2);
            Item<Sprite*>* item = nullptr;
            for (quarter->optionalSprites().firstItem(item); item; item = item->next)
                ++optional, hidden += item->value->isHidden() ? 1 : 0;
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            machine.postEvent(close);
        };
        EXPECT_EQ(battle.run(), 0);
        ASSERT_TRUE(seen);
        ASSERT_GT(optional, 0);
        EXPECT_EQ(hidden, sparse ? optional : 0);
    }
}

// A game loaded in the middle of a leader's orders says whose they are: the commentary of the battle saved
// is not kept, and without the line nothing would tell who is active.
TEST_F(BattleWindowMessages, ALoadedGameSaysWhoIsActive) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> before, after;
    // A line as read: its bold runs between stars.
    const auto read = [](const CommentaryLine& line) {
        std::string text;
        for (const CommentaryRun& run : line)
            text += run.bold ? "*" + run.text + "*" : run.text;
        return text;
    };
    bool loaded = false;
    std::string error;
    os.idle = [&] {
        if (loaded || !playersOrders(game.app())) return;
        loaded = true;
        for (const CommentaryLine& line : game.app().commentary().lines())
            before.push_back(read(line));
        const std::string file = (dir.path() / "orders.vel").string();
        if (game.app().saveGame(file, error, "") && game.app().loadGame(file, error))
            for (const CommentaryLine& line : game.app().commentary().lines())
                after.push_back(read(line));
        leave();
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(error, "");
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.back(), "*Vaelmoric the Bold* is now active.");
    EXPECT_EQ(after, (std::vector<std::string>{"*Vaelmoric the Bold* is now active."}));
}

// A game saved under a Latin-1 name before names were kept in UTF-8: listed by its letters, and opened by
// its own bytes when chosen.
TEST_F(BattleWindowMessages, AGameSavedUnderALatin1NameIsListedByItsLettersAndStillOpens) {
    ASSERT_TRUE(game.ready());
    const std::filesystem::path folder = dir.path() / "saves";
    std::filesystem::create_directories(folder);
    const std::string old = "K\344rnten \306\330\305 save.vel"; // "Kärnten ÆØÅ save.vel" in Latin-1
    std::ofstream(folder / old, std::ios::binary) << "a game";
    LoadSaveDlg load(folder.string(), false);
    load.attach(game.app());
    load.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
    DialogItemWindow* list = load.item(LoadSaveDlg::IdList);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 1);
    const std::string shown = "K\xC3\xA4rnten \xC3\x86\xC3\x98\xC3\x85 save.vel";
    EXPECT_EQ(list->row(0)->text, shown);
    list->select(0);
    load.command(LoadSaveDlg::IdList, ListSelectionChanged);
    EXPECT_EQ(load.getItemText(LoadSaveDlg::IdFileName), shown);
    load.command(Dialog::IdOk, 0);
    EXPECT_EQ(load.chosen(), (folder / old).string());
}

// Two games whose names show the same letters: "é.vel" in UTF-8 and in Latin-1. The name typed is the UTF-8
// one, and it opens and replaces that one only; the Latin-1 one is chosen from the list by its own row.
TEST_F(BattleWindowMessages, ATypedNameIsTheGameOfItsOwnBytesWhenALatin1TwinIsListedToo) {
    ASSERT_TRUE(game.ready());
    const std::filesystem::path folder = dir.path() / "twins";
    std::filesystem::create_directories(folder);
    const std::string utf8 = "\xC3\xA9.vel", latin1 = "\xE9.vel";
    std::ofstream(folder / utf8, std::ios::binary) << "utf-8";
    std::ofstream(folder / latin1, std::ios::binary) << "latin-1";
    for (const bool saving : {false, true}) {
        SCOPED_TRACE(saving ? "saving" : "loading");
        // Saving over a game asks first: the question names the UTF-8 game, and Yes takes it.
        std::vector<std::string> asked;
        LoadSaveDlg box(folder.string(), saving, [&](Dialog& d, const std::string& name) {
            if (name != InformationDlg::YesNoTemplateName) return;
            asked = dynamic_cast<InformationDlg&>(d).lines();
            clickOn(os, d, Dialog::IdOk);
        });
        box.attach(game.app());
        box.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
        box.setItemText(LoadSaveDlg::IdFileName, "\xC3\xA9");
        box.command(Dialog::IdOk, 0);
        EXPECT_EQ(box.chosen(), (folder / utf8).string());
        EXPECT_EQ(asked, saving ? std::vector<std::string>{"Replace the saved game \xC3\xA9.vel?"}
                                : std::vector<std::string>{});
    }
    // Chosen from the list, the Latin-1 game is its own (rows in byte order: "\xC3..." before "\xE9...").
    LoadSaveDlg load(folder.string(), false);
    load.attach(game.app());
    load.create(LoadSaveDlg::TemplateName, Dialog::Modeless);
    DialogItemWindow* list = load.item(LoadSaveDlg::IdList);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 2);
    list->select(1);
    load.command(LoadSaveDlg::IdList, ListSelectionChanged);
    load.command(Dialog::IdOk, 0);
    EXPECT_EQ(load.chosen(), (folder / latin1).string());
}

} // namespace
} // namespace vael::test
