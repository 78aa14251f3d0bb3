// The player's orders on the map, given as a person gives them: mouse clicks at the screen points of hexes
// (worked out from the map window's tile and landscape), the menus' commands and the keys, on the real
// game on the headless platform with the forged data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <tuple>

#include "framework/core/registered_message.h"
#include "framework/display/viewport.h"
#include "framework/ui/button.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/isometric_hex_landscape.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/forged_battle_data.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "game/shell/way_dialogs.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/forged_battle.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

class OrdersTest : public ::testing::Test {
protected:
    TempDir dir{"orders"};
    DataHome home{dir.path().string()};
};

using Bytes = std::vector<std::uint8_t>;

// The dialogs of the road in, and those a battle shows on its way.
DialogShown answering(ScriptedPlatform& os, std::vector<std::string>& shown, bool load) {
    return [&os, &shown, load](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            const bool first = std::count(shown.begin(), shown.end(), name) == 1;
            clickOn(os, d,
                    !first ? StartGameDlg::IdExit
                    : load ? StartGameDlg::IdLoadGame
                           : StartGameDlg::IdStartBattle);
        } else if (name == ScenarioDlg::TemplateName) {
            clickOn(os, d, Dialog::IdOk);
        } else if (name == IntroDlg::TemplateName) {
            clickOn(os, d, IntroDlg::IdHomePlayer), clickOn(os, d, Dialog::IdOk);
        } else if (name == EndOfGameDlg::TemplateName) {
            clickOn(os, d, EndOfGameDlg::IdClose);
        } else if (name == LoadSaveDlg::TemplateName && !load) {
            clickOn(os, d, LoadSaveDlg::IdFileName);
            postText(os, "by clicks");
            clickOn(os, d, Dialog::IdOk);
        } else if (name == LoadSaveDlg::TemplateName) {
            DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
            for (std::int32_t i = 0; i < list->rowCount(); ++i)
                if (list->row(i)->text == "by clicks.vel") list->select(i);
            d.command(LoadSaveDlg::IdList, ListSelectionChanged);
            clickOn(os, d, Dialog::IdOk);
        }
    };
}

void leave(ScriptedPlatform& os) {
    platform::Event close;
    close.kind = platform::EventKind::CloseRequest;
    os.postEvent(close);
}

// The dice are seeded before the game is made, so that every start draws the same.
struct Seeded {
    explicit Seeded(unsigned seed) { std::srand(seed); }
};

// One start of the game as these tests give it: the dice seeded alike, the game on the headless platform
// with the data given, the road in answered by clicks (to a new battle, or to the saved game loaded), and
// the home side's player by clicks, who leaves the game once his unit has arrived.
struct Session {
    Session(const std::string& data, bool load) : game(os, data) {
        game.onDialog = answering(os, shown, load);
        player.os = &os, player.game = &game;
        player.arrived = [this] {
            leave(os);
            return true;
        };
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The player saves the game as the second turn's first leader is taken up and leaves it once that
    // leader's unit has arrived: `atSave` holds the layer as saved, `afterMove` as it stood on the arrival;
    // `onSave` (given the turn) and `onArrival` are told first at those moments.
    void saveInTheSecondTurn(Bytes& atSave, Bytes& afterMove, std::function<void(int)> onSave = {},
                             std::function<void()> onArrival = {}) {
        player.saveAt = [this, &atSave, onSave](int turn) {
            if (turn < 1) return false;
            saved = true;
            if (onSave) onSave(turn);
            atSave = saveLayerPart(game.app().logicalLayer());
            return true;
        };
        player.arrived = [this, &afterMove, onArrival] {
            if (!saved) return false;
            afterMove = saveLayerPart(game.app().logicalLayer());
            if (onArrival) onArrival();
            leave(os);
            return true;
        };
        os.idle = [this] { player.idle(); };
    }

    // The loaded game played on to the arrival of the first unit moved, when the player leaves it:
    // `atResume` holds the layer as the battle first stands in the running game, `afterMove` as it stood on
    // the arrival; `onResume` and `onArrival` are told at those moments.
    void playOn(Bytes& atResume, Bytes& afterMove, std::function<void()> onResume = {},
                std::function<void()> onArrival = {}) {
        player.arrived = [this, &afterMove, onArrival] {
            afterMove = saveLayerPart(game.app().logicalLayer());
            if (onArrival) onArrival();
            leave(os);
            return true;
        };
        os.idle = [this, &atResume, onResume] {
            VaelApp& app = game.app();
            if (atResume.empty() && app.battleRunning() && app.gameControl()) {
                atResume = saveLayerPart(app.logicalLayer());
                if (onResume) onResume();
            }
            player.idle();
        };
    }

    Seeded seeded{8};
    ScriptedPlatform os;
    VaelGame game;
    std::vector<std::string> shown; // the road's dialogs, in the order they came up
    ClickingPlayer player;
    bool saved = false; // the player has given the order to save
};

Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A saved game's layer part: from the offset its header keeps in bytes 8 to 11 to the display's part
// (whose table's offset bytes 4 to 7 keep), or the end of the file; empty when the file is no longer
// than its header or the offset lies past its end.
Bytes savedLayerPart(const Bytes& file) {
    if (file.size() <= 12) return {};
    const std::size_t at = file[8] | file[9] << 8 | file[10] << 16 | std::size_t(file[11]) << 24;
    if (at >= file.size()) return {};
    const std::size_t table = file[4] | file[5] << 8 | file[6] << 16 | std::size_t(file[7]) << 24;
    const std::size_t end = table > at && table <= file.size() ? table : file.size();
    return Bytes(file.begin() + std::ptrdiff_t(at), file.begin() + std::ptrdiff_t(end));
}

TEST_F(OrdersTest, ClicksOnTheMapSelectAndMoveForTwoTurnsAndALoadedGamePlaysOnToTheSameState) {
    FailedChecks checks;
    Bytes afterMoveFirst, atSave, atResume;
    std::vector<std::string> trailFirst;
    int turnAtSave = -1;
    {
        Session first(VAEL_BUILD_DATA_DIR, false);
        ASSERT_TRUE(first.game.ready());
        const ClickingPlayer& player = first.player;
        // The second turn's first leader: saved as he is taken up, then played on to his unit's arrival.
        first.saveInTheSecondTurn(
            atSave, afterMoveFirst, [&](int turn) { turnAtSave = turn; },
            [&] {
                std::string error;
                EXPECT_TRUE(first.game.app().saveGame((dir / "first.vel").string(), error)) << error;
            });
        EXPECT_EQ(first.game.run(), 0);
        EXPECT_EQ(first.shown,
                  (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
        EXPECT_EQ(player.faults, std::vector<std::string>{});
        ASSERT_TRUE(first.saved);
        EXPECT_EQ(turnAtSave, 1);
        // Every leader of his in the first turn moved a unit, and the saved leader of the second one.
        EXPECT_GE(player.moves, 2);
        trailFirst = player.trail;
        ASSERT_FALSE(afterMoveFirst.empty());
        EXPECT_NE(afterMoveFirst, atSave);
    }
    const auto file = dir / "vael" / "by clicks.vel";
    ASSERT_TRUE(std::filesystem::exists(file));

    Session loaded(VAEL_BUILD_DATA_DIR, true);
    ASSERT_TRUE(loaded.game.ready());
    const ClickingPlayer& player = loaded.player;
    Bytes afterMoveSecond;
    loaded.playOn(atResume, afterMoveSecond, {}, [&] {
        std::string error;
        EXPECT_TRUE(loaded.game.app().saveGame((dir / "second.vel").string(), error)) << error;
    });
    EXPECT_EQ(loaded.game.run(), 0);
    EXPECT_EQ(loaded.shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg"}));
    EXPECT_EQ(player.faults, std::vector<std::string>{});
    // The battle resumes as the file holds it and the same clicks bring it to the same state.
    const Bytes part = savedLayerPart(readBytes(file));
    ASSERT_FALSE(part.empty()) << "no layer part in " << file;
    EXPECT_EQ(atResume, part);
    EXPECT_EQ(player.moves, 1);

    // The same clicks make the same move: the last move of the first run is the loaded game's only one,
    // and the unit stands where it stood then.
    ASSERT_EQ(player.trail.size(), 1u);
    ASSERT_FALSE(trailFirst.empty());
    EXPECT_EQ(player.trail[0], trailFirst.back());
    // Byte for byte: the units, leaders and game control, and the saved game up to its display part (the
    // loaded battle's figures started afresh: their pictures' timing is their own).
    EXPECT_EQ(afterMoveSecond, afterMoveFirst);
    const Bytes firstFile = readBytes(dir / "first.vel"), secondFile = readBytes(dir / "second.vel");
    ASSERT_GT(firstFile.size(), 12u);
    const auto upToDisplay = [](const Bytes& file) {
        const Bytes part = savedLayerPart(file);
        const std::size_t at = file[8] | file[9] << 8 | file[10] << 16 | std::size_t(file[11]) << 24;
        Bytes head(file.begin() + 8, file.begin() + std::ptrdiff_t(at));
        head.insert(head.end(), part.begin(), part.end());
        return head;
    };
    EXPECT_EQ(upToDisplay(secondFile), upToDisplay(firstFile));
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

// The home side's leaders by clicks where the armies meet at once: each activation has a unit with
// missiles shoot (its click, the missile key, a click on a lit enemy), a unit with an enemy in reach charge
// it, another move, and the leader finished by the menu's command, for two turns; the second turn's first
// leader is saved as he is taken up. Loaded again, the same clicks bring the battle to the same state.
TEST_F(OrdersTest, FireAndShockByClicksAndTheMissileKeyForTwoTurnsAndALoadedGamePlaysOnToTheSameState) {
    FailedChecks checks;
    const std::string data = forgedBattleData(dir, "skirmish.scn.txt", "skirmish.scn");
    Bytes afterFirst, atSave, atResume, afterSecond;
    std::vector<std::string> trailFirst, combatsFirst, chargersFirst;
    std::size_t trailAtSave = 0;
    {
        Session first(data, false);
        ASSERT_TRUE(first.game.ready());
        ClickingPlayer& player = first.player;
        player.fire = true, player.shock = true;
        first.saveInTheSecondTurn(atSave, afterFirst, [&](int) {
            trailAtSave = player.trail.size();
            // The dice are no part of a saved game: both runs go on from the same seed here.
            std::srand(29);
        });
        EXPECT_EQ(first.game.run(), 0);
        EXPECT_EQ(first.shown,
                  (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
        EXPECT_EQ(player.faults, std::vector<std::string>{});
        ASSERT_TRUE(first.saved);
        // Shots, charges and moves in the first turn, and the rules fought the charges.
        EXPECT_GE(player.volleys, 1);
        EXPECT_GE(player.charges, 1);
        EXPECT_GE(player.moves, 2);
        EXPECT_FALSE(player.combats.empty());
        trailFirst = player.trail;
        combatsFirst = player.combats;
        chargersFirst = player.chargers;
        ASSERT_FALSE(afterFirst.empty());
    }
    // Every unit sent to charge fought among the attackers of a combat.
    for (const std::string& name : chargersFirst) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(std::any_of(combatsFirst.begin(), combatsFirst.end(),
                                [&](const std::string& c) { return c.find(name + ";") < c.find('>'); }));
    }
    const auto file = dir / "vael" / "by clicks.vel";
    ASSERT_TRUE(std::filesystem::exists(file));

    Session loaded(data, true);
    ASSERT_TRUE(loaded.game.ready());
    ClickingPlayer& player = loaded.player;
    player.fire = true, player.shock = true;
    loaded.playOn(atResume, afterSecond, [] { std::srand(29); });
    EXPECT_EQ(loaded.game.run(), 0);
    EXPECT_EQ(loaded.shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg"}));
    EXPECT_EQ(player.faults, std::vector<std::string>{});
    // The battle resumes exactly as it was saved, and with the same dice the same first order follows.
    const Bytes part = savedLayerPart(readBytes(file));
    ASSERT_FALSE(part.empty()) << "no layer part in " << file;
    EXPECT_EQ(atSave, part);
    EXPECT_EQ(atResume, atSave);
    ASSERT_FALSE(player.trail.empty());
    ASSERT_LT(trailAtSave, trailFirst.size());
    EXPECT_EQ(player.trail.front(), trailFirst[trailAtSave]);
    // Later orders may go another way: the figures and sounds draw on the same dice as the rules, and a
    // loaded battle's figures start afresh.
    EXPECT_FALSE(afterSecond.empty());
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

// A point of the frame's menu bar or of an open pull-down, on the screen.
Point onFrame(VaelMainWindow& frame, const Box& box) {
    const platform::Rect outer = WindowManager::instance().outerOnScreen(frame.hwnd());
    return Point(static_cast<std::int16_t>(outer.x + box.x + box.w / 2),
                 static_cast<std::int16_t>(outer.y + box.y + box.h / 2));
}

// The orders as a person gives them through the frame: the arrow keys scroll the map; the Leader menu's
// "Center On Leader" brings the view back to him; a bowman picked by a click is set to shoot by the Unit
// menu's "Missile Volley" and taken back by its key, Ctrl+M; the File menu's "Preferences..." turns
// "missiles always hit" on for the rules at once; the tool bar's third button saves the game; the Leader
// menu's "Finish Leader" ends the leader's orders. The menus are worked by clicks on their titles and
// entries, as the resource lays them out (File, Game, Leader, Unit, ...; the Leader menu's third entry and
// the Unit menu's third are the commands).
TEST_F(OrdersTest, TheMenusTheToolBarAndTheKeysGiveTheOrdersToTheRules) {
    FailedChecks checks;
    const std::string data = forgedBattleData(dir, "skirmish.scn.txt", "skirmish.scn");
    Session s(data, false);
    ASSERT_TRUE(s.game.ready());
    const DialogShown road = answering(s.os, s.shown, false);
    bool preferencesShown = false;
    s.game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name != PreferencesDlg::TemplateName) return road(d, name);
        preferencesShown = true;
        clickOn(s.os, d, PreferencesDlg::IdMissilesHit);
        clickOn(s.os, d, Dialog::IdOk);
    };
    VaelApp& app = s.game.app();
    VaelMainWindow& frame = s.game.frame();
    int stage = 0, waited = 0;
    Point origin0, scrolled;
    MissileCapable* bowman = nullptr;
    std::int16_t autoHitBefore = -1;
    std::tuple<int, int, int> finishing{-1, -1, -1};
    std::vector<int> reached;
    const auto open = [&](std::size_t title) {
        clickAt(s.os, onFrame(frame, frame.menuTracker()->titleBox(title)));
    };
    const auto choose = [&](std::size_t entry) {
        clickAt(s.os, onFrame(frame, frame.menuTracker()->entryBox(0, entry)));
    };
    s.os.idle = [&] {
        GameControl* control = app.battleRunning() ? app.gameControl() : nullptr;
        if (!control || !mapWindow(app)) return;
        const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
        const std::tuple<int, int, int> key{control->getTurn(), control->getActiveLeader(),
                                            control->getMomentumTries()};
        const auto finishGrayed = [&] {
            Menu* menu = mapWindow(app)->menu();
            return menu && (menu->isGrayed(224) || menu->isDisabled(224));
        };
        if (stage == 12) {
            if (key == finishing && leader && leader->isOrdersPhaseActive()) {
                if (++waited > 400) stage = 14, leave(s.os);
                return;
            }
            waited = 0;
            reached.push_back(12);
            stage = 13;
        }
        if (stage == 13 || stage == 15) {
            // On to the first computer leader: his leaders' "Finish Leader" is not the player's to choose.
            if (leader && leader->isComputerControlled() && app.notWaiting() == 0) {
                if (finishGrayed()) reached.push_back(13);
                stage = 14;
                leave(s.os);
            } else if (leader && !leader->isComputerControlled() && leader->isOrdersPhaseActive()) {
                if (stage == 13) {
                    open(2);
                    stage = 15;
                } else {
                    choose(2);
                    stage = 13;
                }
            } else if (++waited > 2000) {
                stage = 14;
                leave(s.os);
            }
            return;
        }
        if (!leader || leader->isComputerControlled() || !leader->isOrdersPhaseActive() || stage > 12) return;
        if (stage == 0) {
            EXPECT_FALSE(finishGrayed());
        }
        VaelLandscapeTile& tile = mapWindow(app)->tile();
        const MenuTracker* tracker = frame.menuTracker();
        ASSERT_NE(tracker, nullptr);
        switch (stage) {
        case 0:
            origin0 = tile.origin();
            for (int i = 0; i < 3; ++i)
                postKey(s.os, platform::KeyRight);
            stage = 1;
            return;
        case 1:
            scrolled = tile.origin();
            if (scrolled != origin0) reached.push_back(1);
            open(2);
            stage = 2;
            return;
        case 2:
            EXPECT_EQ(tracker->openTitle(), 2);
            choose(0);
            stage = 3;
            return;
        case 3: {
            if (tile.origin() == origin0) reached.push_back(3);
            Item<Combat*>* u = nullptr;
            for (app.logicalLayer().getUnits().firstItem(u); u && !bowman; u = u->next)
                if (u->value->getName() == "Ridge Bowmen 1") bowman = dynamic_cast<MissileCapable*>(u->value);
            ASSERT_NE(bowman, nullptr);
            const auto at = screenPointOf(app, static_cast<std::int16_t>(bowman->getHex()));
            ASSERT_TRUE(at);
            clickAt(s.os, *at);
            stage = 4;
            return;
        }
        case 4:
            ASSERT_TRUE(bowman->isSelected());
            EXPECT_FALSE(bowman->isChoosingTarget());
            open(3);
            stage = 5;
            return;
        case 5:
            EXPECT_EQ(tracker->openTitle(), 3);
            choose(2);
            stage = 6;
            return;
        case 6: {
            if (bowman->isChoosingTarget() && !bowman->getTargetHexes().isEmpty()) reached.push_back(6);
            short target = -1;
            bowman->getTargetHexes().first(target);
            if (target >= 0) {
                EXPECT_TRUE(shownLandscape(app)->blockCopy(target).highlight());
            }
            pressMissileKey(s.os);
            stage = 7;
            return;
        }
        case 7:
            if (!bowman->isChoosingTarget()) reached.push_back(7);
            autoHitBefore = app.missileAutoHit();
            open(0);
            stage = 8;
            return;
        case 8:
            EXPECT_EQ(tracker->openTitle(), 0);
            choose(2);
            stage = 9;
            return;
        case 9: {
            if (app.missileAutoHit() == autoHitBefore && ++waited < 400) return;
            waited = 0;
            if (app.missileAutoHit() == 1 - autoHitBefore && missileAutoHit() == 1 - autoHitBefore)
                reached.push_back(9);
            const auto* bar = dynamic_cast<VaelToolbar*>(frame.toolbar());
            ASSERT_NE(bar, nullptr);
            std::int32_t x = 0;
            Button* save = nullptr;
            Item<Button*>* b = nullptr;
            int index = 0;
            for (bar->buttons().firstItem(b); b; b = b->next, ++index) {
                if (index == 2) {
                    save = b->value;
                    break;
                }
                x += b->value->imageSize().w;
            }
            ASSERT_NE(save, nullptr);
            const platform::Rect client = WindowManager::instance().clientOnScreen(bar->hwnd());
            clickAt(s.os, Point(static_cast<std::int16_t>(client.x + x + save->imageSize().w / 2),
                                static_cast<std::int16_t>(client.y + bar->barHeight() / 2)));
            stage = 10;
            return;
        }
        case 10:
            if (!std::filesystem::exists(dir / "vael" / "by clicks.vel") && ++waited < 400) return;
            waited = 0;
            if (std::filesystem::exists(dir / "vael" / "by clicks.vel")) reached.push_back(10);
            open(2);
            stage = 11;
            return;
        case 11:
            EXPECT_EQ(tracker->openTitle(), 2);
            finishing = key;
            choose(2);
            stage = 12;
            return;
        }
    };
    EXPECT_EQ(s.game.run(), 0);
    EXPECT_EQ(stage, 14);
    EXPECT_TRUE(preferencesShown);
    EXPECT_EQ(s.shown, (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
    // 1 keys scrolled, 3 centred on the leader, 6 aiming, 7 aim taken back, 9 preference in the rules,
    // 10 saved, 12 leader finished, 13 "Finish Leader" grayed while a computer leader plays.
    EXPECT_EQ(reached, (std::vector<int>{1, 3, 6, 7, 9, 10, 12, 13}));
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

// The maximized map's close box sits on the menu bar. The battle cannot go on without its map: the box
// puts the map away as an icon, as a battle's place on the frame always did, and a double click on the icon
// brings it back, where the player goes on with his orders by clicks.
TEST_F(OrdersTest, TheMapsCloseBoxOnTheMenuBarKeepsTheMapForTheBattle) {
    FailedChecks checks;
    Session s(VAEL_BUILD_DATA_DIR, false);
    ASSERT_TRUE(s.game.ready());
    int stage = 0, drags = 0;
    VaelMapWindow* map = nullptr;
    s.os.idle = [&] {
        VaelApp& app = s.game.app();
        GameControl* control = app.battleRunning() ? app.gameControl() : nullptr;
        const Leader* leader = control ? control->leaderAt(control->getActiveLeader()).leader : nullptr;
        const bool orders = leader && !leader->isComputerControlled() && leader->isOrdersPhaseActive();
        VaelMainWindow& frame = s.game.frame();
        if (stage == 0 && orders && mapWindow(app)) {
            map = mapWindow(app);
            ASSERT_EQ(frame.maximizedChild(), static_cast<WindowsChildWindow*>(map));
            clickAt(s.os, onFrame(frame, frame.barControlBox(1)));
            stage = 1;
            return;
        }
        if (stage == 1) {
            // Still the battle's map, now an icon; the icon's double click restores it. The icon lies in the
            // row along the bottom, where the commentary floats: the player moves it up by its caption first.
            if (mapWindow(app) != map || !map->isIconic()) {
                ADD_FAILURE() << "the close box took the map away";
                stage = 9;
                return leave(s.os);
            }
            WindowManager& manager = WindowManager::instance();
            const platform::Rect icon = manager.outerOnScreen(map->hwnd());
            const std::int32_t x = icon.x + icon.width / 2, y = icon.y + icon.height / 2;
            const auto post = [&](platform::EventKind kind, std::int32_t px, std::int32_t py) {
                platform::Event e;
                e.kind = kind, e.button = platform::ButtonLeft, e.x = px, e.y = py;
                s.os.postEvent(e);
            };
            if (manager.windowAt(x, y) != map->hwnd()) {
                if (++drags > 2) {
                    ADD_FAILURE() << "the icon stays covered";
                    stage = 9;
                    return leave(s.os);
                }
                const WindowHandle covering = manager.windowAt(x, y);
                ASSERT_TRUE(dynamic_cast<CommentaryWindow*>(manager.find(covering)->window));
                const platform::Rect whole = manager.outerOnScreen(covering);
                const std::int32_t cx = whole.x + 40, cy = whole.y + WindowManager::Border + 3;
                post(platform::EventKind::ButtonDown, cx, cy);
                post(platform::EventKind::MouseMove, cx, cy - 300);
                post(platform::EventKind::ButtonUp, cx, cy - 300);
                return;
            }
            post(platform::EventKind::ButtonDown, x, y);
            post(platform::EventKind::ButtonUp, x, y);
            post(platform::EventKind::DoubleClick, x, y);
            post(platform::EventKind::ButtonUp, x, y);
            stage = 2;
            return;
        }
        if (stage == 2) {
            EXPECT_FALSE(map->isIconic());
            stage = 3;
        }
        if (stage == 3) s.player.idle();
    };
    EXPECT_EQ(s.game.run(), 0);
    EXPECT_EQ(stage, 3);
    EXPECT_EQ(s.player.faults, std::vector<std::string>{});
    EXPECT_EQ(s.player.moves, 1);
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

// A click on open ground names the hex there by its number, in both views and at every zoom, as the rules
// know hexes; the landscape's own answer is the index of its block (block 247 for hex 1212 in the normal
// view at half size), which a move order must never see. Nothing there answers -1.
TEST_F(OrdersTest, AClickOnOpenGroundSelectsTheHexByItsNumberInBothViews) {
    Session s(VAEL_BUILD_DATA_DIR, false);
    ASSERT_TRUE(s.game.ready());
    bool checked = false;
    s.os.idle = [&] {
        VaelApp& app = s.game.app();
        if (checked || !app.battleRunning() || !app.views()) return;
        checked = true;
        for (VaelPhysicalLayer* layer : {&app.views()->normal(), &app.views()->reversed()})
            for (std::uint16_t zoom : {0, 1, 2})
                for (short hex : {1212, 1313, 1614, 1110}) {
                    SCOPED_TRACE("view " + std::to_string(layer->layerId()) + " zoom " +
                                 std::to_string(zoom) + " hex " + std::to_string(hex));
                    const Point3D c = layer->zoomLandscape(zoom)->blockCenter(hex);
                    EXPECT_EQ(layer->regionAtPoint(PointInfo{Point(c.x, c.y), zoom}), hex);
                }
        EXPECT_EQ(app.views()->normal().regionAtPoint(PointInfo{Point(-400, -400), 1}), -1);
        leave(s.os);
    };
    EXPECT_EQ(s.game.run(), 0);
    EXPECT_TRUE(checked);
}

// Clicks a person may give on the map: open ground and the river, past the map's edge, the overview, an
// enemy unit, his own unit twice, and a hex and his unit again while the figures walk. The game neither
// fails a check nor stalls: the leader is finished, the computer's leaders play theirs and the player's
// next leader comes up.
TEST_F(OrdersTest, NoClickStopsTheGameOrFailsACheck) {
    FailedChecks checks;
    Session s(VAEL_BUILD_DATA_DIR, false);
    ASSERT_TRUE(s.game.ready());
    int stage = 0;
    // (turn, leader, momentum count): a leader who wins momentum comes up again in the same turn.
    std::tuple<int, int, int> first{-1, -1, -1}, finished{-1, -1, -1};
    int nextTurn = -1;
    s.os.idle = [&] {
        VaelApp& app = s.game.app();
        if (!app.battleRunning() || !app.gameControl() || !mapWindow(app)) return;
        GameControl* control = app.gameControl();
        const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
        if (!leader || leader->isComputerControlled() || !leader->isOrdersPhaseActive()) return;
        const std::tuple<int, int, int> key{control->getTurn(), control->getActiveLeader(),
                                            control->getMomentumTries()};
        if (stage == 0) {
            first = key;
            const platform::Rect client = WindowManager::instance().clientOnScreen(mapWindow(app)->hwnd());
            // A grid over the map window: the battlefield, the river and its overview.
            for (int y = client.y + 7; y < client.y + client.height; y += 97)
                for (int x = client.x + 3; x < client.x + client.width; x += 131)
                    clickAt(s.os, Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)));
            // Past the map's last hex, within the window.
            clickAt(s.os, Point(static_cast<std::int16_t>(client.x + client.width - 2),
                                static_cast<std::int16_t>(client.y + client.height - 2)));
            stage = 1;
            return;
        }
        if (stage == 1) {
            // An enemy unit, then one of his own twice.
            Combat *enemy = nullptr, *own = nullptr;
            Item<Combat*>* u = nullptr;
            for (app.logicalLayer().getUnits().firstItem(u); u; u = u->next) {
                if (!enemy && u->value->getNation() != leader->getNation()) enemy = u->value;
                if (!own && u->value->getPotentialToBeOrdered()) own = u->value;
            }
            ASSERT_NE(enemy, nullptr);
            ASSERT_NE(own, nullptr);
            if (const auto at = screenPointOf(app, static_cast<std::int16_t>(enemy->getHex())))
                clickAt(s.os, *at);
            if (const auto at = screenPointOf(app, static_cast<std::int16_t>(own->getHex()))) {
                clickAt(s.os, *at);
                clickAt(s.os, *at);
                // Picked again, sent on, and clicked at while it walks.
                clickAt(s.os, *at);
                short onward = -1;
                Item<short>* m = nullptr;
                for (own->getValidMoves().firstItem(m); m && onward < 0; m = m->next)
                    if (m->value != static_cast<short>(own->getHex())) onward = m->value;
                if (const auto to = onward >= 0 ? screenPointOf(app, onward) : std::nullopt) {
                    clickAt(s.os, *to);
                    clickAt(s.os, *to);
                    clickAt(s.os, *at);
                }
            }
            stage = 2;
            return;
        }
        if (stage == 2) {
            stage = 3;
            app.postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
            return;
        }
        if (stage == 3 && key != first && control->getTurn() > std::get<0>(first)) {
            nextTurn = control->getTurn();
            stage = 4;
            leave(s.os);
        } else if (stage == 3 && key != first && key != finished) {
            // His other leaders of the turn are finished as they come up.
            finished = key;
            app.postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
        }
    };
    EXPECT_EQ(s.game.run(), 0);
    EXPECT_EQ(stage, 4);
    EXPECT_EQ(nextTurn, std::get<0>(first) + 1);
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

// The commentary floats above the map and the menu bar holds the maximized map's controls: clicks there,
// on the bars and on an opened pull-down's way out take nothing from the orders. The player then picks
// his unit and moves it by clicks on the map as ever, and the leader is finished.
TEST_F(OrdersTest, ClicksOnTheCommentaryTheMenuBarAndTheBarsLeaveTheOrdersToTheMap) {
    FailedChecks checks;
    Session s(VAEL_BUILD_DATA_DIR, false);
    ASSERT_TRUE(s.game.ready());
    int stage = 0;
    bool commentaryFound = false, restored = false;
    s.os.idle = [&] {
        VaelApp& app = s.game.app();
        GameControl* control = app.gameControl();
        const Leader* leader =
            app.battleRunning() && control ? control->leaderAt(control->getActiveLeader()).leader : nullptr;
        const bool orders = leader && !leader->isComputerControlled() && leader->isOrdersPhaseActive();
        if (stage == 0 && orders && mapWindow(app)) {
            WindowManager& manager = WindowManager::instance();
            VaelMainWindow& frame = s.game.frame();
            const platform::Rect outer = manager.outerOnScreen(frame.hwnd());
            for (WindowHandle h : manager.childrenOf(frame.hwnd())) {
                const WindowManager::Record* r = manager.find(h);
                if (!r || !dynamic_cast<CommentaryWindow*>(r->window)) continue;
                commentaryFound = true;
                const platform::Rect client = manager.clientOnScreen(h);
                const platform::Rect whole = manager.outerOnScreen(h);
                clickAt(s.os, Point(static_cast<std::int16_t>(client.x + client.width / 2),
                                    static_cast<std::int16_t>(client.y + client.height / 2)));
                // Its caption: taken and let go where it was.
                clickAt(s.os, Point(static_cast<std::int16_t>(whole.x + 40),
                                    static_cast<std::int16_t>(whole.y + WindowManager::Border + 3)));
            }
            for (auto* bar : {dynamic_cast<WindowsWindow*>(frame.toolbar()),
                              dynamic_cast<WindowsWindow*>(frame.statusBar())}) {
                if (!bar || !bar->hwnd()) continue;
                const platform::Rect at = manager.clientOnScreen(bar->hwnd());
                clickAt(s.os, Point(static_cast<std::int16_t>(at.x + at.width - 5),
                                    static_cast<std::int16_t>(at.y + at.height / 2)));
            }
            // The menu bar past its last title, then a pull-down opened and left by a click on the map.
            clickAt(s.os, Point(static_cast<std::int16_t>(outer.x + outer.width / 2 + 100),
                                static_cast<std::int16_t>(outer.y + 5)));
            if (const MenuTracker* tracker = frame.menuTracker()) {
                const Box title = tracker->titleBox(2);
                clickAt(s.os, Point(static_cast<std::int16_t>(outer.x + title.x + title.w / 2),
                                    static_cast<std::int16_t>(outer.y + title.y + title.h / 2)));
                const platform::Rect map = manager.clientOnScreen(mapWindow(app)->hwnd());
                clickAt(s.os, Point(static_cast<std::int16_t>(map.x + map.width - 30),
                                    static_cast<std::int16_t>(map.y + map.height / 3)));
            }
            // The maximized map's restore box on the bar: the map shows in a window of its own.
            if (frame.maximizedChild()) {
                restored = true;
                const Box box = frame.barControlBox(0);
                clickAt(s.os, Point(static_cast<std::int16_t>(outer.x + box.x + box.w / 2),
                                    static_cast<std::int16_t>(outer.y + box.y + box.h / 2)));
            }
            stage = 1;
            return;
        }
        if (stage == 1) {
            EXPECT_FALSE(s.game.frame().menuTracker() && s.game.frame().menuTracker()->isOpen());
            EXPECT_EQ(s.game.frame().maximizedChild(), nullptr);
            stage = 2;
        }
        if (stage == 2) s.player.idle();
    };
    EXPECT_EQ(s.game.run(), 0);
    EXPECT_TRUE(commentaryFound);
    EXPECT_TRUE(restored);
    EXPECT_EQ(stage, 2);
    EXPECT_EQ(s.player.faults, std::vector<std::string>{});
    EXPECT_EQ(s.player.moves, 1);
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

} // namespace
} // namespace vael::test
