// The player's orders on the map, given as a person gives them: mouse clicks at the screen points of hexes
// (worked out from the map window's tile and landscape), the menus' commands and the keys, on the real
// game on the headless platform with the forged data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "framework/core/registered_message.h"
#include "framework/display/viewport.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/isometric_hex_landscape.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat.h"
#include "game/rules/leader.h"
#include "game/shell/combat_results_dlg.h"
#include "game/shell/game_overview_dlg.h"
#include "game/shell/information_dlg.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_toolbar.h"
#include "platform/headless/headless_platform.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

// The headless platform with a hook for the moments the game waits for input with nothing queued: the
// script looks at the game then and gives its next input.
class ScriptedPlatform : public platform::HeadlessPlatform {
public:
    bool waitEvent(platform::Event& event) override {
        if (!eventWaiting() && idle) idle();
        return HeadlessPlatform::waitEvent(event);
    }
    std::function<void()> idle;
};

void clickDialog(platform::HeadlessPlatform& os, Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

bool alongTheWay(const std::string& name) {
    for (const char* way : {InformationDlg::TemplateName, EndTurnDlg::TemplateName, ArmyRoutDlg::TemplateName,
                            EliteInitiativeDlg::TemplateName, VaelEliteInitiativeDlg::TemplateName,
                            OverallCombatResultsDlg::TemplateName})
        if (name == way) return true;
    return false;
}

// The normal view's map window.
VaelMapWindow* mapWindow(VaelApp& app) {
    if (!app.views()) return nullptr;
    Item<Viewport*>* v = nullptr;
    for (app.views()->normal().viewports().firstItem(v); v; v = v->next)
        if (auto* w = dynamic_cast<VaelMapWindow*>(v->value->display())) return w;
    return nullptr;
}

PointedVaelLandscape* shownLandscape(VaelApp& app) {
    VaelMapWindow* w = mapWindow(app);
    return w ? dynamic_cast<PointedVaelLandscape*>(w->tile().landscape()) : nullptr;
}

// Where on the screen the middle of a hex shows, the view scrolled to it first as "Center On Unit" does:
// the hex's centre in the landscape shown, less the tile's origin, in the map window's client area.
std::optional<Point> screenPointOf(VaelApp& app, std::int16_t hex) {
    VaelMapWindow* w = mapWindow(app);
    PointedVaelLandscape* land = shownLandscape(app);
    if (!w || !land) return std::nullopt;
    app.views()->normal().centreOn(hex, false);
    const Point3D c = land->blockCenter(hex);
    const Point origin = w->tile().origin();
    const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
    const std::int32_t x = client.x + c.x - origin.x, y = client.y + c.y - origin.y;
    if (x < client.x || y < client.y || x >= client.x + client.width || y >= client.y + client.height)
        return std::nullopt;
    return Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
}

void clickAt(platform::HeadlessPlatform& os, Point p) {
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}, p.x, p.y);
}

bool contains(const List<short>& list, short value) {
    Item<short>* i = nullptr;
    for (list.firstItem(i); i; i = i->next)
        if (i->value == value) return true;
    return false;
}

class OrdersTest : public ::testing::Test {
protected:
    OrdersTest() {
        const char* data = std::getenv("XDG_DATA_HOME");
        if (data) previousData_ = data, hadData_ = true;
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    }
    ~OrdersTest() override {
        if (hadData_)
            setenv("XDG_DATA_HOME", previousData_.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    TempDir dir{"orders"};

private:
    std::string previousData_;
    bool hadData_ = false;
};

using Bytes = std::vector<std::uint8_t>;

// The player of the home side, by clicks: at each of his activations he clicks the first unit he may
// order, checks that it is selected with its moves lit, clicks the lit hex two rows on (or the first
// other one) and, once the unit stands there with no figure walking, finishes the leader through the
// leader menu's command. What he saw is kept for the test.
struct ClickingPlayer {
    enum class Step { Waiting, Selecting, Moving };
    ScriptedPlatform* os = nullptr;
    VaelGame* game = nullptr;
    Step step = Step::Waiting;
    std::pair<int, int> handled{-1, -1}; // the turn and leader index last taken up
    Combat* unit = nullptr;
    short destination = -1;
    int activations = 0, moves = 0;
    std::vector<std::string> faults;
    std::vector<std::pair<int, short>> refused; // (unit, hex) of lit hexes clicked without a move
    int tries = 0;
    std::vector<std::string> trail; // unit>hex of every move made
    bool isRefused(short hex) const {
        for (const auto& r : refused)
            if (unit && r.first == unit->getUnitNum() && r.second == hex) return true;
        return false;
    }
    // Asked when a leader is taken up (turn, activations so far): true saves the game there first.
    std::function<bool(int turn)> saveAt;
    // Told when the unit has arrived, before the leader is finished; true leaves him unfinished (the game
    // is then left by the test).
    std::function<bool()> arrived;

    void fault(const std::string& what) { faults.push_back(what); }

    void idle() {
        VaelApp& app = game->app();
        if (!app.battleRunning() || !app.gameControl()) return;
        GameControl* control = app.gameControl();
        const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
        if (!leader || leader->isComputerControlled() || !leader->isOrdersPhaseActive()) return;
        switch (step) {
        case Step::Waiting: {
            const std::pair<int, int> key{control->getTurn(), control->getActiveLeader()};
            if (key == handled) return;
            handled = key;
            ++activations;
            if (saveAt && saveAt(control->getTurn())) {
                app.postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
                handled = {-1, -1}; // taken up again once the game is saved
                saveAt = nullptr;
                return;
            }
            unit = nullptr;
            Item<Combat*>* u = nullptr;
            for (app.logicalLayer().getUnits().firstItem(u); u && !unit; u = u->next)
                if (u->value->getPotentialToBeOrdered() && !u->value->isOutOfPlay()) unit = u->value;
            const auto at =
                unit ? screenPointOf(app, static_cast<std::int16_t>(unit->getHex())) : std::nullopt;
            if (!at) return finish(app);
            clickAt(*os, *at);
            tries = 0;
            step = Step::Selecting;
            return;
        }
        case Step::Selecting: {
            if (!unit->isSelected()) {
                fault("a click on unit " + std::to_string(unit->getUnitNum()) + " did not select it");
                return finish(app);
            }
            // A hex whose middle a figure of another unit covers is clicked elsewhere by a person: the
            // player takes one whose middle shows the hex itself.
            const List<short>& moves = unit->getValidMoves();
            const short here = static_cast<short>(unit->getHex());
            destination = -1;
            const auto open = [&](short hex) {
                return contains(moves, hex) && !contains(unit->getBlockedMoves(), hex) && hex != here &&
                       clickable(app, hex);
            };
            if (open(static_cast<short>(here + 200)) && !isRefused(static_cast<short>(here + 200)))
                destination = static_cast<short>(here + 200);
            Item<short>* m = nullptr;
            for (moves.firstItem(m); m && destination < 0; m = m->next)
                if (open(m->value) && !isRefused(m->value)) destination = m->value;
            PointedVaelLandscape* land = shownLandscape(app);
            if (destination < 0 || !land) return finish(app);
            if (!land->blockCopy(destination).highlight())
                fault("the move hex " + std::to_string(destination) + " is not lit");
            const auto at = screenPointOf(app, destination);
            if (!at) return finish(app);
            clickAt(*os, *at);
            step = Step::Moving;
            return;
        }
        case Step::Moving:
            if (unit->getHex() != destination) {
                // The rules may refuse a lit hex (an order they turn down on the way); the player picks
                // the unit again and tries another, but never a third time.
                refused.push_back({unit->getUnitNum(), destination});
                if (++tries > 2) {
                    fault("clicks on lit hexes did not move unit " + std::to_string(unit->getUnitNum()));
                    return finish(app);
                }
                const auto at = screenPointOf(app, static_cast<std::int16_t>(unit->getHex()));
                if (!at) return finish(app);
                if (!unit->isSelected()) clickAt(*os, *at);
                step = Step::Selecting;
                return;
            }
            if (app.views()->normal().movingObjects().count() != 0) return;
            ++moves;
            trail.push_back(std::to_string(unit->getUnitNum()) + ">" + std::to_string(destination));
            if (arrived && arrived()) {
                step = Step::Waiting;
                return;
            }
            return finish(app);
        }
    }
    static bool clickable(VaelApp& app, short hex) {
        PointedVaelLandscape* land = shownLandscape(app);
        VaelMapWindow* w = mapWindow(app);
        if (!land || !w || !screenPointOf(app, hex)) return false;
        const Point3D c = land->blockCenter(hex);
        return app.views()->normal().regionAtPoint(PointInfo{Point(c.x, c.y), w->tile().zoomIndex()}) == hex;
    }
    void finish(VaelApp& app) {
        step = Step::Waiting;
        app.postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
    }
};

// The dialogs of the road in, and those a battle shows on its way.
DialogShown answering(ScriptedPlatform& os, std::vector<std::string>& shown, bool load) {
    return [&os, &shown, load](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) return clickDialog(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            const bool first = std::count(shown.begin(), shown.end(), name) == 1;
            clickDialog(os, d,
                        !first ? StartGameDlg::IdExit
                        : load ? StartGameDlg::IdLoadGame
                               : StartGameDlg::IdStartBattle);
        } else if (name == ScenarioDlg::TemplateName) {
            clickDialog(os, d, Dialog::IdOk);
        } else if (name == IntroDlg::TemplateName) {
            clickDialog(os, d, IntroDlg::IdHomePlayer), clickDialog(os, d, Dialog::IdOk);
        } else if (name == EndOfGameDlg::TemplateName) {
            clickDialog(os, d, EndOfGameDlg::IdClose);
        } else if (name == LoadSaveDlg::TemplateName && !load) {
            clickDialog(os, d, LoadSaveDlg::IdFileName);
            postText(os, "by clicks");
            clickDialog(os, d, Dialog::IdOk);
        } else if (name == LoadSaveDlg::TemplateName) {
            DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
            for (std::int32_t i = 0; i < list->rowCount(); ++i)
                if (list->row(i)->text == "by clicks.vel") list->select(i);
            d.command(LoadSaveDlg::IdList, ListSelectionChanged);
            clickDialog(os, d, Dialog::IdOk);
        }
    };
}

void leave(ScriptedPlatform& os) {
    platform::Event close;
    close.kind = platform::EventKind::CloseRequest;
    os.postEvent(close);
}

TEST_F(OrdersTest, ClicksOnTheMapSelectAndMoveForTwoTurnsAndALoadedGamePlaysOnToTheSameState) {
    FailedChecks checks;
    Bytes afterMoveFirst, atSave, atResume;
    std::vector<std::string> trailFirst;
    int turnAtSave = -1;
    {
        std::srand(8);
        ScriptedPlatform os;
        VaelGame game(os, VAEL_BUILD_DATA_DIR);
        ASSERT_TRUE(game.ready());
        ClickingPlayer player;
        player.os = &os, player.game = &game;
        bool saved = false;
        // The second turn's first leader: saved as he is taken up, then played on to his unit's arrival.
        player.saveAt = [&](int turn) {
            if (turn < 1) return false;
            saved = true;
            turnAtSave = turn;
            atSave = saveLayerPart(game.app().logicalLayer());
            return true;
        };
        player.arrived = [&] {
            if (!saved) return false;
            afterMoveFirst = saveLayerPart(game.app().logicalLayer());
            leave(os);
            return true;
        };
        os.idle = [&] { player.idle(); };
        std::vector<std::string> shown;
        game.onDialog = answering(os, shown, false);
        EXPECT_EQ(game.run(), 0);
        EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
        EXPECT_EQ(player.faults, std::vector<std::string>{});
        ASSERT_TRUE(saved);
        EXPECT_EQ(turnAtSave, 1);
        // Every leader of his in the first turn moved a unit, and the saved leader of the second one.
        EXPECT_GE(player.moves, 2);
        trailFirst = player.trail;
        ASSERT_FALSE(afterMoveFirst.empty());
        EXPECT_NE(afterMoveFirst, atSave);
    }
    const auto file = dir / "vael" / "by clicks.vel";
    ASSERT_TRUE(std::filesystem::exists(file));

    std::srand(8);
    ScriptedPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ClickingPlayer player;
    player.os = &os, player.game = &game;
    Bytes afterMoveSecond;
    player.arrived = [&] {
        afterMoveSecond = saveLayerPart(game.app().logicalLayer());
        leave(os);
        return true;
    };
    os.idle = [&] {
        if (atResume.empty() && game.app().battleRunning() && game.app().gameControl())
            atResume = saveLayerPart(game.app().logicalLayer());
        player.idle();
    };
    std::vector<std::string> shown;
    game.onDialog = answering(os, shown, true);
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg"}));
    EXPECT_EQ(player.faults, std::vector<std::string>{});
    // The battle resumes as the file holds it and the same clicks bring it to the same state.
    const Bytes bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }();
    ASSERT_GT(bytes.size(), 12u);
    const std::size_t at = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | std::size_t(bytes[11]) << 24;
    ASSERT_LT(at, bytes.size());
    EXPECT_EQ(atResume, Bytes(bytes.begin() + std::ptrdiff_t(at), bytes.end()));
    EXPECT_EQ(player.moves, 1);

    // The same clicks make the same move: the last move of the first run is the loaded game's only one,
    // and the unit stands where it stood then.
    ASSERT_EQ(player.trail.size(), 1u);
    ASSERT_FALSE(trailFirst.empty());
    EXPECT_EQ(player.trail[0], trailFirst.back());
    EXPECT_EQ(afterMoveSecond.size(), afterMoveFirst.size());
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
}

// A click on open ground names the hex there by its number, in both views and at every zoom, as the rules
// know hexes; the landscape's own answer is the index of its block (block 247 for hex 1212 in the normal
// view at half size), which a move order must never see. Nothing there answers -1.
TEST_F(OrdersTest, AClickOnOpenGroundSelectsTheHexByItsNumberInBothViews) {
    std::srand(8);
    ScriptedPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    game.onDialog = answering(os, shown, false);
    bool checked = false;
    os.idle = [&] {
        VaelApp& app = game.app();
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
        leave(os);
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_TRUE(checked);
}

} // namespace
} // namespace vael::test
