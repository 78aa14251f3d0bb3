// What the game says when it refuses an order, played as the player meets it on the headless platform: a
// click on a unit of his that may not be ordered now, the missile key for a unit that cannot shoot, the
// save dialog's OK with a name it cannot take. Each refusal is told, in the status bar or in a box, and
// nothing of the battle changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/list_walk.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader.h"
#include "framework/core/registered_message.h"
#include "game/shell/clicking_player.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/vael_toolbar.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/view_unit_dialog.h"
#include "game/shell/way_dialogs.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using dialog_helpers::valuesOf;

// The demonstration battle started by clicks with the home side to the player; `atOrders` is told, each
// time the game waits with his leader at his orders and nothing moving, until it answers false, when the
// player leaves the game.
class RefusalsTest : public ::testing::Test {
protected:
    void play(std::function<bool()> atOrders) {
        // The dice are seeded before the game is made, so that every run draws the same.
        std::srand(8);
        VaelGame game(os, VAEL_BUILD_DATA_DIR);
        this->game = &game;
        ASSERT_TRUE(game.ready());
        int starts = 0;
        bool going = true;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (alongTheWay(name)) {
                // The whole first line, however many rows the box wraps it into; the question the close box
                // asks as the test leaves the battle is the test's, not the game's telling.
                if (const auto* box = dynamic_cast<InformationDlg*>(&d);
                    box && !box->lines().empty() && (going || box->lines().front() != VaelGame::ExitQuestion))
                    told.push_back(box->lines().front() + "|" + d.caption());
                return clickOn(os, d, Dialog::IdOk);
            }
            if (name == StartGameDlg::TemplateName)
                clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
            else if (name == ScenarioDlg::TemplateName) {
                if (!scenario.empty()) {
                    DialogItemWindow* list = d.item(ScenarioDlg::IdList);
                    list->select(list->findExact(scenario));
                    d.command(ScenarioDlg::IdList, ListSelectionChanged);
                }
                clickOn(os, d, Dialog::IdOk);
            }
            else if (name == IntroDlg::TemplateName)
                clickOn(os, d, IntroDlg::IdHomePlayer), clickOn(os, d, Dialog::IdOk);
            else if (onDialog)
                onDialog(d, name);
        };
        int idle = 0;
        os.idle = [&] {
            if (!going) return;
            if (++idle > 200000) {
                ADD_FAILURE() << "the player never came to his orders";
                going = false;
            } else if (playersOrders(game.app())) {
                going = atOrders();
            }
            if (!going) {
                platform::Event close;
                close.kind = platform::EventKind::CloseRequest;
                os.postEvent(close);
            }
        };
        game.run();
        this->game = nullptr;
    }

    VaelApp& app() { return game->app(); }
    std::string status(int pane) { return game->frame().statusBar()->text(pane); }
    Combat* unitNamed(const std::string& name) { return app().logicalLayer().findCombatUnitByName(name); }
    // Stands a one-hex unit on another hex, facing as given, as a scenario could have set it.
    void place(Combat& unit, std::int16_t hex, DIRECTION facing) {
        VaelLogicalLandscape* land = app().logicalLayer().getVaelLandscape();
        land->removeFromRegion(&unit, static_cast<std::int16_t>(unit.getHex()));
        unit.setFacing(facing);
        unit.setHex(static_cast<std::uint16_t>(hex));
        land->addToRegion(&unit, hex);
        unit.rebuildZOC();
    }
    void click(std::int16_t hex) {
        const auto at = screenPointOf(app(), hex);
        ASSERT_TRUE(at) << "hex " << hex << " is not on the screen";
        clickAt(os, *at);
    }

    FailedChecks checks;
    TempDir dir{"refusals"};
    DataHome home{dir.path().string()};
    ScriptedPlatform os;
    VaelGame* game = nullptr;
    DialogShown onDialog;
    std::string scenario; // the battle's title in Choose Scenario; the first when empty
    std::vector<std::string> told; // message boxes: first line, then caption
};

// The frame's menu bar: a click on a title, then on an entry of its pull-down (separators count).
void openMenu(platform::Platform& os, VaelMainWindow& frame, std::size_t title) {
    const platform::Rect outer = WindowManager::instance().outerOnScreen(frame.hwnd());
    const Box box = frame.menuTracker()->titleBox(title);
    clickAt(os, Point(static_cast<std::int16_t>(outer.x + box.x + box.w / 2),
                      static_cast<std::int16_t>(outer.y + box.y + box.h / 2)));
}
void chooseEntry(platform::Platform& os, VaelMainWindow& frame, std::size_t entry) {
    const platform::Rect outer = WindowManager::instance().outerOnScreen(frame.hwnd());
    const Box box = frame.menuTracker()->entryBox(0, entry);
    clickAt(os, Point(static_cast<std::int16_t>(outer.x + box.x + box.w / 2),
                      static_cast<std::int16_t>(outer.y + box.y + box.h / 2)));
}

// In the Pass of Korvath the player waits (finishing his other leaders) for the leader of the
// bolt-thrower. A unit of his side beyond that leader's command range, clicked, is told out of command;
// the bolt-thrower moves two hexes, is let go by a click on its own hex, and a click on it again says that
// it has moved. Before, both clicks did nothing at all.
TEST_F(RefusalsTest, AClickOnHisUnitThatMayNotBeOrderedSaysWhyInTheStatusBar) {
    scenario = "The Pass of Korvath";
    enum Stage { Waiting, Finishing, Outside, Picked, Moved, LetGo, Again, Done } stage = Waiting;
    MissileCapable* bolt = nullptr;
    Combat* outsider = nullptr;
    // The units are gone with the game: what the checks need is kept while it runs.
    std::string outsiderName, outsiderSaid, movedSaid, movedDescribed;
    bool stillSelected = true;
    play([&] {
        VaelMainWindow& frame = game->frame();
        bolt = dynamic_cast<MissileCapable*>(unitNamed("Bolt-thrower of the Pass 1"));
        if (!bolt) return false;
        const std::vector<Combat*> mine = orderable(app());
        switch (stage) {
        case Waiting:
            if (std::find(mine.begin(), mine.end(), bolt) == mine.end()) {
                openMenu(os, frame, 2);
                stage = Finishing;
                return true;
            }
            for (Combat* c : each(app().logicalLayer().getUnits()))
                if (!outsider && c->getNation() == bolt->getNation() && !c->hasSpentMovement() &&
                    !c->isOutOfPlay() && std::find(mine.begin(), mine.end(), c) == mine.end() &&
                    screenPointOf(app(), static_cast<std::int16_t>(c->getHex())))
                    outsider = c;
            if (!outsider) return false;
            click(static_cast<std::int16_t>(outsider->getHex()));
            stage = Outside;
            return true;
        case Finishing:
            chooseEntry(os, frame, 2); // Finish Leader
            stage = Waiting;
            return true;
        case Outside:
            outsiderName = outsider->getName();
            outsiderSaid = status(2);
            click(static_cast<std::int16_t>(bolt->getHex()));
            stage = Picked;
            return true;
        case Picked: {
            if (!bolt->isSelected()) return false;
            // Two hexes on, so that its whole allowance is spent.
            short to = -1;
            for (short h : bolt->getValidMoves())
                if (app().logicalLayer().getVaelLandscape()->hexDistance(static_cast<std::int16_t>(bolt->getHex()), h) == 2)
                    to = h;
            if (to < 0) return false;
            click(to);
            stage = Moved;
            return true;
        }
        case Moved:
            if (!bolt->hasSpentMovement()) return false;
            click(static_cast<std::int16_t>(bolt->getHex()));
            stage = LetGo;
            return true;
        case LetGo:
            if (bolt->isSelected()) return false;
            click(static_cast<std::int16_t>(bolt->getHex()));
            stage = Again;
            return true;
        case Again:
            stillSelected = bolt->isSelected();
            movedDescribed = status(1);
            movedSaid = status(2);
            stage = Done;
            return false;
        case Done:
            return false;
        }
        return false;
    });
    ASSERT_EQ(stage, Done);
    EXPECT_EQ(outsiderSaid,
              outsiderName + " is out of command: it stands beyond the command range of the leader giving orders.");
    EXPECT_FALSE(stillSelected);
    EXPECT_EQ(movedDescribed.rfind("Bolt-thrower of the Pass 1 (AT) ", 0), 0u) << movedDescribed;
    EXPECT_EQ(movedSaid, "Bolt-thrower of the Pass 1 has already moved this turn.");
    EXPECT_EQ(checks.count(), 0u);
}

// A unit of the player's out of command takes no order, but its details can still be read: after the click
// that says why, Unit, View Details... shows that unit; a click on an empty hex takes the offer back.
// Before, the item stayed greyed and nothing opened.
TEST_F(RefusalsTest, AUnitOutOfCommandStillShowsItsDetails) {
    scenario = "The Pass of Korvath";
    enum Stage { Waiting, Finishing, Outside, Menu, Viewing, Elsewhere, MenuAgain, Done } stage = Waiting;
    Combat* outsider = nullptr;
    std::string outsiderName, shownName;
    std::vector<std::string> shown;
    std::int32_t offeredAfterEmpty = 0;
    onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == ViewUnitDlg::TemplateName) shownName = static_cast<ViewUnitDlg&>(d).unit().getName();
        clickOn(os, d, Dialog::IdOk);
    };
    play([&] {
        VaelMainWindow& frame = game->frame();
        VaelLogicalLandscape* land = app().logicalLayer().getVaelLandscape();
        Combat* bolt = unitNamed("Bolt-thrower of the Pass 1");
        if (!bolt) return false;
        const std::vector<Combat*> mine = orderable(app());
        switch (stage) {
        case Waiting:
            if (std::find(mine.begin(), mine.end(), bolt) == mine.end()) {
                openMenu(os, frame, 2);
                stage = Finishing;
                return true;
            }
            for (Combat* c : each(app().logicalLayer().getUnits()))
                if (!outsider && c->getNation() == bolt->getNation() && !c->hasSpentMovement() &&
                    !c->isOutOfPlay() && std::find(mine.begin(), mine.end(), c) == mine.end() &&
                    screenPointOf(app(), static_cast<std::int16_t>(c->getHex())))
                    outsider = c;
            if (!outsider) return false;
            outsiderName = outsider->getName();
            click(static_cast<std::int16_t>(outsider->getHex()));
            stage = Outside;
            return true;
        case Finishing:
            chooseEntry(os, frame, 2); // Finish Leader
            stage = Waiting;
            return true;
        case Outside:
            openMenu(os, frame, 3); // Unit
            stage = Menu;
            return true;
        case Menu:
            chooseEntry(os, frame, 9); // View Details...
            stage = Viewing;
            return true;
        case Viewing: {
            // An empty hex beside the outsider: the offer goes.
            const auto at = static_cast<std::int16_t>(outsider->getHex());
            std::int16_t empty = -1;
            for (std::int16_t step : {1, -1, 100, -100, 101, -99, 99, -101})
                if (empty < 0 && !land->firstOccupant(static_cast<std::int16_t>(at + step)) &&
                    screenPointOf(app(), static_cast<std::int16_t>(at + step)))
                    empty = static_cast<std::int16_t>(at + step);
            if (empty < 0) return false;
            click(empty);
            stage = Elsewhere;
            return true;
        }
        case Elsewhere:
            offeredAfterEmpty = land->detailsOffered();
            shown.clear();
            openMenu(os, frame, 3);
            stage = MenuAgain;
            return true;
        case MenuAgain:
            chooseEntry(os, frame, 9);
            stage = Done;
            return true;
        case Done:
            return false;
        }
        return false;
    });
    ASSERT_EQ(stage, Done);
    EXPECT_EQ(shownName, outsiderName);
    EXPECT_EQ(offeredAfterEmpty, -1);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::string(ViewUnitDlg::TemplateName)), 0)
        << "the offer outlived the next click";
    EXPECT_EQ(checks.count(), 0u);
}

// Bowmen with the enemy's riders at their back: the missile key says none is in front of them and leaves
// the map to moves; turned twice clockwise by the Unit menu to face the riders, the key lights them and no
// old reason is left beside them. Before, the reason of the first try stood in the status bar over the lit
// target, as though the volley were still refused in every facing.
TEST_F(RefusalsTest, TheVolleysReasonGivesWayOnceTheBowmenFaceTheEnemy) {
    enum Stage { Placing, Keyed, Told, TurnedOnce, TurningAgain, Turned, Lit, Done } stage = Placing;
    MissileCapable* bow = nullptr;
    Combat* riders = nullptr;
    std::vector<std::string> said;
    std::vector<short> targets;
    std::string name; // the bowmen's, kept while the game runs
    bool choosing = false, waited = true;
    play([&] {
        VaelMainWindow& frame = game->frame();
        switch (stage) {
        case Placing:
            for (Combat* c : orderable(app()))
                if (!bow) bow = dynamic_cast<MissileCapable*>(c);
            riders = unitNamed("Riders of the Fords 1");
            if (!bow || !riders) return false;
            // The riders one hex south: behind the corner the bowmen face (north-east).
            place(*bow, 1312, NorthEast);
            place(*riders, 1313, West);
            click(1312);
            stage = Keyed;
            return true;
        case Keyed:
            if (!bow->isSelected()) return false;
            pressMissileKey(os);
            stage = Told;
            return true;
        case Told:
            said.push_back(status(2));
            waited = bow->isChoosingTarget() != 0;
            openMenu(os, frame, 3);
            stage = TurnedOnce;
            return true;
        case TurnedOnce:
            chooseEntry(os, frame, 5); // Rotate Clockwise
            stage = TurningAgain;
            return true;
        case TurningAgain:
            openMenu(os, frame, 3);
            stage = Turned;
            return true;
        case Turned:
            chooseEntry(os, frame, 5);
            stage = Lit;
            return true;
        case Lit:
            if (bow->getFacing() != SouthEast) return false;
            pressMissileKey(os);
            stage = Done;
            return true;
        case Done:
            name = bow->getName();
            choosing = bow->isChoosingTarget() != 0;
            targets = valuesOf(bow->getTargetHexes());
            said.push_back(status(2));
            return false;
        }
        return false;
    });
    ASSERT_EQ(stage, Done);
    EXPECT_EQ(said, (std::vector<std::string>{name + " has no enemy within range (4 hexes) in front of it.",
                                              "TQ: 5  Hits: 0  Size: 2"}));
    EXPECT_FALSE(waited) << "the key with no target in front waits for one";
    EXPECT_EQ(targets, std::vector<short>{1313});
    EXPECT_TRUE(choosing);
    EXPECT_EQ(checks.count(), 0u);
}

// Save Game, from the tool bar's command in the middle of the battle: OK with no name, with a name in a
// folder, and with the ending alone (".vel", ".VEL"), each says why in a box and keeps the dialog open for
// another name; the name then typed saves. Before, the first two refusals were silent, and ".vel" was
// written as a hidden file.
TEST_F(RefusalsTest, SaveGameSaysWhyItRefusesAnEmptyNameOrANameInAFolder) {
    std::vector<bool> openAfter;
    bool saving = true;
    onDialog = [&](Dialog& d, const std::string& name) {
        if (name != LoadSaveDlg::TemplateName) return;
        for (const char* typed : {"", "nosuch/game", ".", "..", ".vel", ".VEL"}) {
            d.item(LoadSaveDlg::IdFileName)->setText(typed);
            d.command(Dialog::IdOk, 0); // the box that says why is answered before this returns
            openAfter.push_back(d.isOpen());
        }
        d.item(LoadSaveDlg::IdFileName)->setText("kept");
        d.command(Dialog::IdOk, 0);
    };
    play([&] {
        if (!saving) return false;
        saving = false;
        app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                          RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
        return true;
    });
    const std::string folder = VaelApp::savedGamesDirectory().string();
    EXPECT_EQ(told,
              (std::vector<std::string>{
                  "Type a name for the saved game to write.|Save Game",
                  "A saved game's name cannot name a folder (nosuch/game): saved games are kept in " +
                      folder + ".|Save Game",
                  "\".\" cannot name a saved game.|Save Game", "\"..\" cannot name a saved game.|Save Game",
                  "Type a name before \".vel\": a saved game named \".vel\" alone would be a hidden "
                  "file.|Save Game",
                  "Type a name before \".VEL\": a saved game named \".VEL\" alone would be a hidden "
                  "file.|Save Game"}));
    EXPECT_EQ(openAfter, (std::vector<bool>{true, true, true, true, true, true}));
    EXPECT_TRUE(std::filesystem::is_regular_file(VaelApp::savedGamesDirectory() / "kept.vel"));
    EXPECT_FALSE(std::filesystem::exists(VaelApp::savedGamesDirectory() / "nosuch"));
    EXPECT_FALSE(std::filesystem::exists(VaelApp::savedGamesDirectory() / ".vel"));
    EXPECT_FALSE(std::filesystem::exists(VaelApp::savedGamesDirectory() / ".VEL"));
}

} // namespace
} // namespace vael::test
