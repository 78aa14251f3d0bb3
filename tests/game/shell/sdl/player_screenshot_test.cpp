// What a player meets in the game's real window under Xvfb, played as he plays it: clicks on the dialogs,
// the menus and the map, the keys. A saved game loaded in a fresh game shows the battle as it stood; a
// dialog opened over another takes the mouse; the end of a battle shows its overview; File, Exit and the
// frame's close box in the middle of a battle ask first; the preferences hold the sound's volume.
// Screenshots of what he saw go to the build folder as "player_<what>.png".
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/list_walk.h"
#include "framework/core/registered_message.h"
#include "framework/ui/font.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/text_tile.h"
#include "framework/ui/window_manager.h"
#include "game/figures/flag.h"
#include "game/figures/vael_physical_object.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/map/vael_sprite.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/clicking_player.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/forged_battle_data.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/view_unit_dialog.h"
#include "game/shell/way_dialogs.h"
#include "game/sound/vael_sound_manager.h"
#include "grab_png.h"
#include "platform/sdl/x11_readback.h"
#include "player_script.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

// Each test's game in the real window, with its own data home and settings.
class PlayerWindow : public ::testing::Test {
protected:
    // The dialogs kept are those along the way the test answers itself.
    GameWindow& open(const std::string& name, std::set<std::string> keep = {},
                     const std::string& data = VAEL_BUILD_DATA_DIR) {
        dir_ = std::make_unique<TempDir>(name);
        home_ = std::make_unique<DataHome>(dir_->path().string());
        window_ = std::make_unique<GameWindow>(dir_->path(), data);
        window_->keep = std::move(keep);
        return *window_;
    }

private:
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<DataHome> home_;
    std::unique_ptr<GameWindow> window_;
};

// A click on the first unit the player may order that shows on the map; the step waits for it selected.
void clickAUnitOfHis(GameWindow& w, Combat*& unit) {
    w.script->step(
        "a unit of his clicked",
        [&w, &unit] {
            for (Combat* c : orderable(w.app()))
                if (!unit && screenPointOf(w.app(), static_cast<std::int16_t>(c->getHex()))) unit = c;
            if (unit) clickAt(*w.watched, *screenPointOf(w.app(), static_cast<std::int16_t>(unit->getHex())));
        },
        [&unit] { return unit && unit->isSelected(); });
}

// The game run until the script is done and left, with no step waited for in vain.
void playedThrough(GameWindow& w) {
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(w.script->faults, std::vector<std::string>{});
}

// A screenshot that was never taken is a fault of its own, not an empty file.
void writeShot(const Grab& grab, const std::string& name) {
    EXPECT_GT(grab.width, 0) << name << " was not taken";
    if (grab.width > 0) {
        EXPECT_TRUE(writePng(grab, fs::path(VAEL_BUILD_DIR) / name)) << name;
    }
}

// How many pixels of two grabs of one size differ outside the boxes left out, with the box round them.
struct Difference {
    std::size_t pixels = 0;
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
// Whether a colour is one the water takes as it moves: two pictures taken apart show it in other frames.
bool waterColour(std::uint32_t rgb) {
    for (std::int16_t frame = 0; frame < VaelApp::WaterFrames; ++frame)
        for (std::int16_t i = 0; i <= VaelApp::WaterLast - VaelApp::WaterFirst; ++i) {
            const PaletteEntry c = VaelApp::waterColour(frame, i);
            if (rgb == (std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue)) return true;
        }
    return false;
}

Difference differ(const Grab& a, const Grab& b, const std::vector<Box>& leftOut = {}) {
    Difference d;
    if (a.width != b.width || a.height != b.height) return d.pixels = std::size_t(-1), d;
    const auto out = [&leftOut](int x, int y) {
        return std::any_of(leftOut.begin(), leftOut.end(), [x, y](const Box& box) {
            return x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
        });
    };
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (const std::uint32_t pa = a.rgb[std::size_t(y) * a.width + x], pb = b.rgb[std::size_t(y) * a.width + x];
                pa != pb && !out(x, y) && !(waterColour(pa) && waterColour(pb))) {
                ++d.pixels;
                d.left = std::min(d.left, x), d.right = std::max(d.right, x);
                d.top = std::min(d.top, y), d.bottom = std::max(d.bottom, y);
            }
    return d;
}

// What the map shows of one unit or leader in one view: the hex its display object stands on and its
// facing, how many of its figures lie fallen and how many are gone, its flag (none, put away or shown; its
// hex and place; raised; waiting to be put away at the end of the turn) and where each figure stands.
struct Shown {
    int hex = -1, facing = 0, fallen = 0, gone = 0;
    int flag = 0, flagHex = -1, flagX = 0, flagY = 0, raised = 0, stale = 0;
    std::vector<std::pair<int, int>> figures;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    out << "hex " << s.hex << " facing " << s.facing << " fallen " << s.fallen << " gone " << s.gone
        << " flag "
        << (s.flag == 0   ? "none"
            : s.flag == 1 ? "put away"
                          : "shown")
        << " at " << s.flagHex << " (" << s.flagX << ", " << s.flagY << ") raised " << s.raised << " stale "
        << s.stale << " figures";
    for (const auto& [x, y] : s.figures)
        out << " (" << x << ", " << y << ")";
    return out;
}

// Every unit and leader of the battle with the display object that shows it in a view.
template <class Visit> void eachObject(VaelApp& app, VaelPhysicalLayer& layer, Visit visit) {
    std::vector<VaelUnit*> units;
    for (Combat* unit : each(app.logicalLayer().getUnits()))
        units.push_back(unit);
    for (Leader* leader : each(app.logicalLayer().getLeaders()))
        units.push_back(leader);
    for (VaelUnit* unit : units)
        visit(*unit, dynamic_cast<VaelPhysicalObject*>(
                         layer.componentAt(layer.objectId(static_cast<std::uint16_t>(unit->getUnitNum())))));
}

// What a view shows of every unit and leader, by name. A view is looked at while it is on screen: the one
// that is not steps only once a second and may still be playing what came before.
std::map<std::string, Shown> shownObjects(VaelApp& app, VaelPhysicalLayer& layer) {
    std::map<std::string, Shown> shown;
    eachObject(app, layer, [&](VaelUnit& unit, VaelPhysicalObject* object) {
        Shown& s = shown[unit.getName()];
        if (!object) return;
        s.hex = object->region(), s.facing = object->facing();
        for (std::int16_t i = 0; i < static_cast<std::int16_t>(object->spriteCount()); ++i) {
            VaelSprite* figure = object->figure(i);
            s.gone += figure ? 0 : 1;
            s.fallen += figure && object->fallenState(i) ? 1 : 0;
            if (figure && !object->fallenState(i))
                s.figures.emplace_back(figure->location().x, figure->location().y);
        }
        if (Flag* flag = object->flag()) {
            s.flag = flag->isHidden() ? 1 : 2;
            s.flagHex = flag->region(), s.flagX = flag->location().x, s.flagY = flag->location().y;
        }
        s.raised = object->flagRaised(), s.stale = object->flagStale();
    });
    return shown;
}

// The units in play whose display object stands off the unit's hex in a view (a unit of two hexes may be
// drawn from either), or turned another way than the rules have it.
std::vector<std::string> misplacedObjects(VaelApp& app) {
    std::vector<std::string> misplaced;
    for (VaelPhysicalLayer* layer : {&app.views()->normal(), &app.views()->reversed()})
        eachObject(app, *layer, [&](VaelUnit& unit, VaelPhysicalObject* object) {
            if (unit.isOutOfPlay()) return;
            const auto hex = static_cast<std::int16_t>(unit.getHex());
            if (!object || (object->region() != hex &&
                            (!unit.isDoubleSized() || object->region() != unit.getSecondHex())))
                misplaced.push_back(unit.getName() + " shown at " +
                                    std::to_string(object ? object->region() : -1) + " in view " +
                                    std::to_string(layer->layerId()) + ", on " + std::to_string(hex) +
                                    " by the rules");
        });
    return misplaced;
}

// The boxes of the map window that wave while the battle stands still: the raised flags of the leader
// taken up and the flag each leader of his waves. Their pictures run from a random frame on, so that two
// games show them in another phase at any moment; everything else must be alike to the pixel.
std::vector<Box> wavingBoxes(VaelApp& app, VaelPhysicalLayer& layer) {
    std::vector<Box> boxes;
    VaelMapWindow* map = shownMapWindow(app);
    if (!map || !Flag::isAnimated()) return boxes;
    const int zoom = map->tile().zoomIndex();
    const Point origin = map->tile().origin();
    eachObject(app, layer, [&](VaelUnit&, VaelPhysicalObject* object) {
        if (!object || !object->flagRaised()) return;
        Box box;
        if (Flag* flag = object->flag())
            box = flag->boundsAt(zoom);
        else if (VaelSprite* leader = object->figure(0))
            box = leader->boundsAt(zoom);
        if (box.w > 0 && box.h > 0) boxes.push_back(box - origin);
    });
    return boxes;
}

// One view of a game's battle as the player sees it: the map window's picture (what the commentary covers
// left black), the whole window as the screen shows it, what every display object shows and the boxes
// that wave.
struct ViewSeen {
    Grab map, window;
    std::map<std::string, Shown> shown;
    std::vector<Box> waving;
};

ViewSeen lookAt(GameWindow& w, VaelPhysicalLayer& layer) {
    return {grabMap(w.sdl->window(), w.app()), grabWindow(w.sdl->window()), shownObjects(w.app(), layer),
            wavingBoxes(w.app(), layer)};
}

// The steps that look at the battle in the normal view, turn the view round and look again; the player's
// mouse is off the map so that no outline or name stands over it.
void lookAtBothViews(GameWindow& w, ViewSeen& normal, ViewSeen& reversed) {
    PlayerScript& s = *w.script;
    s.step(
        "the mouse off the map", [&] { s.moveMouse(2, 2); }, [&] { return playersOrders(w.app()); });
    s.pause();
    s.step("the map", [&] {
        normal = lookAt(w, w.app().views()->normal());
        w.app().postMessage(WinApp::mainWindowHandle(), MessageCommand, VaelMapWindow::ReverseView, 0);
    });
    s.step("the reversed view", {}, [&] { return playersOrders(w.app()); });
    s.pause();
    s.step("the reversed map", [&] { reversed = lookAt(w, w.app().views()->reversed()); });
}

// The objects that show something else in one game than in the other, each with both.
std::vector<std::string> differentlyShown(const std::map<std::string, Shown>& a,
                                          const std::map<std::string, Shown>& b) {
    std::vector<std::string> differ;
    for (const auto& [name, shown] : a) {
        const auto other = b.find(name);
        std::ostringstream line;
        line << name << ": " << shown << " before, ";
        if (other == b.end())
            line << "missing after";
        else if (other->second == shown)
            continue;
        else
            line << other->second << " after";
        differ.push_back(line.str());
    }
    if (b.size() != a.size())
        differ.push_back("a count of " + std::to_string(b.size()) + " objects after, " +
                         std::to_string(a.size()) + " before");
    return differ;
}

// The battle of the tests where the armies meet at once: after a turn of shots, charges and moves the
// player saves as the second turn's first leader is taken up, and looks at the map in both views. A fresh
// game loads the file from the start dialog and shows the map as it was: every display object on its
// unit's hex, turned its way, the same figures fallen and gone, the flags where they stood and as they
// stood, to the pixel but for the flags that wave.
TEST_F(PlayerWindow, ALoadedGameShowsTheBattleAsItStoodWhenSaved) {
    TempDir dir("player-loaded");
    DataHome home(dir.path().string());
    const std::string data = forgedBattleData(dir, "skirmish.scn.txt", "skirmish.scn");
    ViewSeen before[2], loaded[2]; // the normal view, the reversed one
    std::vector<std::string> misplacedBefore, misplaced;
    int losses = 0, moved = 0;
    {
        std::srand(8);
        GameWindow w(dir / "first", data);
        ASSERT_TRUE(w.ready());
        ClickingPlayer player;
        player.os = w.watched.get(), player.game = w.game.get();
        player.fire = true, player.shock = true;
        bool saving = false;
        std::map<std::uint32_t, std::uint32_t> startHex; // where the scenario set each unit down
        player.saveAt = [&](int turn) { return turn >= 1 && (saving = true); };
        // The road in and the save are the clicking player's; the script takes over once the file is there.
        w.game->onDialog = [&](Dialog& d, const std::string& name) {
            if (alongTheWay(name)) clickOn(*w.watched, d, Dialog::IdOk);
            if (name == StartGameDlg::TemplateName) clickOn(*w.watched, d, StartGameDlg::IdStartBattle);
            if (name == ScenarioDlg::TemplateName) clickOn(*w.watched, d, Dialog::IdOk);
            if (name == IntroDlg::TemplateName)
                clickOn(*w.watched, d, IntroDlg::IdHomePlayer), clickOn(*w.watched, d, Dialog::IdOk);
            if (name == LoadSaveDlg::TemplateName) {
                clickOn(*w.watched, d, LoadSaveDlg::IdFileName);
                postText(*w.watched, "before");
                clickOn(*w.watched, d, Dialog::IdOk);
            }
        };
        const fs::path file = dir / "vael" / "before.vel";
        w.watched->idle = [&] {
            if (startHex.empty() && w.app().battleRunning())
                for (Combat* unit : each(w.app().logicalLayer().getUnits()))
                    startHex[unit->getUnitNum()] = unit->getHex();
            if (!saving) return player.idle();
            // Once he has asked for the save he waits for it.
            if (fs::exists(file) && w.app().modalDepth() == 0) w.script->idle();
        };
        lookAtBothViews(w, before[0], before[1]);
        w.script->step("the battle's count", [&] {
            misplacedBefore = misplacedObjects(w.app());
            for (Combat* unit : each(w.app().logicalLayer().getUnits())) {
                losses += unit->isOutOfPlay() || unit->getCohesionHits() > 0 ? 1 : 0;
                moved += unit->getHex() != startHex[unit->getUnitNum()] ? 1 : 0;
            }
        });
        playedThrough(w);
        EXPECT_EQ(player.faults, std::vector<std::string>{});
        // Shots and charges were given before the save: the battle has losses and moves to show.
        EXPECT_GE(player.volleys + player.charges, 1);
        EXPECT_GE(player.moves, 2);
        EXPECT_GE(losses, 1);
        EXPECT_GE(moved, 2);
        ASSERT_TRUE(fs::exists(file));
    }
    ASSERT_GT(before[0].map.width, 600);
    writeShot(before[0].window, "player_before_save.png");
    writeShot(before[1].window, "player_before_save_reversed.png");
    // The uninterrupted game is the measure: it must show every unit where the rules have it.
    EXPECT_EQ(misplacedBefore, std::vector<std::string>{});

    GameWindow w(dir / "second", data);
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    s.step("the start dialog", {}, [&] { return s.open(StartGameDlg::TemplateName) != nullptr; });
    s.step(
        "Load Saved Game", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdLoadGame); },
        [&] { return s.open(LoadSaveDlg::TemplateName) != nullptr; });
    s.step(
        "the saved game chosen",
        [&] {
            Dialog* d = s.open(LoadSaveDlg::TemplateName);
            DialogItemWindow* list = d->item(LoadSaveDlg::IdList);
            for (std::int32_t i = 0; i < list->rowCount(); ++i)
                if (list->row(i)->text == "before.vel") list->select(i);
            d->command(LoadSaveDlg::IdList, ListSelectionChanged);
            s.click(LoadSaveDlg::TemplateName, Dialog::IdOk);
        },
        [&] { return playersOrders(w.app()); });
    lookAtBothViews(w, loaded[0], loaded[1]);
    s.step("the loaded battle's count", [&] { misplaced = misplacedObjects(w.app()); });
    playedThrough(w);
    ASSERT_GT(loaded[0].map.width, 600);
    writeShot(loaded[0].window, "player_loaded_game.png");
    writeShot(loaded[1].window, "player_loaded_game_reversed.png");
    EXPECT_EQ(misplaced, std::vector<std::string>{});
    for (int view : {0, 1}) {
        SCOPED_TRACE(view ? "the reversed view" : "the normal view");
        EXPECT_EQ(differentlyShown(before[view].shown, loaded[view].shown), std::vector<std::string>{});
        // The same flags wave in both games, each in a phase of its own: those boxes are left out.
        EXPECT_EQ(before[view].waving.size(), loaded[view].waving.size());
        std::vector<Box> waving = before[view].waving;
        waving.insert(waving.end(), loaded[view].waving.begin(), loaded[view].waving.end());
        const Difference d = differ(before[view].map, loaded[view].map, waving);
        EXPECT_EQ(d.pixels, 0u) << "between x " << d.left << " to " << d.right << ", y " << d.top << " to "
                                << d.bottom;
    }
}

// Dialogs opened over others, each closed by a click on its button: the scenario's "Details..." over the
// choice of scenario, "Army Details" over the game's overview. While the upper one is up, a click on the
// one beneath does nothing.
TEST_F(PlayerWindow, TheDialogOpenedLastTakesTheMouse) {
    // The overview and the message box are this test's to close; the other dialogs on the way are taken.
    GameWindow& w = open("player-dialogs", {EndTurnDlg::TemplateName, InformationDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    s.step("the start dialog", {}, [&] { return s.open(StartGameDlg::TemplateName) != nullptr; });
    s.step(
        "Start Battle", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdStartBattle); },
        [&] { return s.open(ScenarioDlg::TemplateName) != nullptr; });
    s.step(
        "Details...", [&] { s.click(ScenarioDlg::TemplateName, ScenarioDlg::IdDetails); },
        [&] { return s.open(InformationDlg::TemplateName) != nullptr; });
    // A click on the choice's own Details beneath is not taken while the details are up.
    s.step("a click on the dialog beneath",
           [&] { s.click(ScenarioDlg::TemplateName, ScenarioDlg::IdDetails); });
    s.pause();
    s.step(
        "the details' OK", [&] { s.click(InformationDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(InformationDlg::TemplateName) && s.open(ScenarioDlg::TemplateName); });
    s.step(
        "the scenario's OK", [&] { s.click(ScenarioDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.open(IntroDlg::TemplateName) != nullptr; });
    s.step(
        "the home side to the player",
        [&] {
            s.click(IntroDlg::TemplateName, IntroDlg::IdHomePlayer);
            s.click(IntroDlg::TemplateName, Dialog::IdOk);
        },
        [&] { return playersOrders(w.app()); });
    s.fromMenu(1, "the Game menu", 0, "Game Overview...", s.opened(EndTurnDlg::TemplateName));
    s.step(
        "Army Details", [&] { s.click(EndTurnDlg::TemplateName, EndTurnDlg::IdHomeDetails); },
        [&] { return s.open(ArmyDetailsDlg::TemplateName) != nullptr; });
    s.step(
        "the details' Close", [&] { s.click(ArmyDetailsDlg::TemplateName, ArmyDetailsDlg::IdClose); },
        [&] { return s.closed(ArmyDetailsDlg::TemplateName) && s.open(EndTurnDlg::TemplateName); });
    s.step(
        "the overview's OK", [&] { s.click(EndTurnDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(EndTurnDlg::TemplateName); });
    playedThrough(w);
    // The click on the choice beneath opened no second message box.
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(InformationDlg::TemplateName)), 1);
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(ArmyDetailsDlg::TemplateName)), 1);
}

// The home army has more rows than the army details hold: a click on the last line's count turns a page,
// End brings the last row into view under the count of those above, and Home goes back to the top.
TEST_F(PlayerWindow, ArmyDetailsScrollToEveryUnit) {
    GameWindow& w = open("player-army-details", {EndTurnDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    std::vector<ArmyDetailsRow> top, paged, up, home;
    std::size_t pagedFirst = 0;
    Grab shot;
    startBattle(w);
    s.fromMenu(1, "the Game menu", 0, "Game Overview...", s.opened(EndTurnDlg::TemplateName));
    s.step(
        "Army Details", [&] { s.click(EndTurnDlg::TemplateName, EndTurnDlg::IdHomeDetails); },
        [&] { return s.open(ArmyDetailsDlg::TemplateName) != nullptr; });
    s.pause();
    const auto details = [&] { return static_cast<ArmyDetailsDlg*>(s.open(ArmyDetailsDlg::TemplateName)); };
    s.step(
        "a click on the count of the rows below",
        [&] {
            ArmyDetailsDlg* d = details();
            top = d->shownRows();
            const platform::Rect client = WindowManager::instance().clientOnScreen(d->hwnd());
            const auto last = static_cast<std::int32_t>(top.size() - 1);
            const std::int32_t y =
                dialog_helpers::pixelsY(ArmyDetailsDlg::FirstRow + last * ArmyDetailsDlg::RowPitch) + 4;
            clickAt(*w.watched, Point(static_cast<std::int16_t>(client.x + dialog_helpers::pixelsX(12)),
                                      static_cast<std::int16_t>(client.y + y)));
        },
        [&] { return details()->firstRow() > 0; });
    s.pause();
    s.step(
        "the Up key",
        [&] {
            paged = details()->shownRows();
            pagedFirst = details()->firstRow();
            shot = grabWindow(w.sdl->window());
            postKey(*w.watched, platform::KeyUp);
        },
        [&] { return details()->firstRow() == pagedFirst - 1; });
    s.step(
        "Home",
        [&] {
            up = details()->shownRows();
            postKey(*w.watched, platform::KeyHome);
        },
        [&] { return details()->firstRow() == 0; });
    s.step(
        "the details' Close",
        [&] {
            home = details()->shownRows();
            s.click(ArmyDetailsDlg::TemplateName, ArmyDetailsDlg::IdClose);
        },
        [&] { return s.closed(ArmyDetailsDlg::TemplateName); });
    s.step(
        "the overview's OK", [&] { s.click(EndTurnDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(EndTurnDlg::TemplateName); });
    playedThrough(w);
    // The battle's home army has 28 rows: 23 and the count of 5 more fill the 24 lines.
    ASSERT_EQ(top.size(), ArmyDetailsDlg::MaxRows) << "the home army fits: nothing to scroll";
    EXPECT_EQ(top.back()[0], "... and 5 more");
    // A page of 22 would pass the last page, which begins at row 5: the count of 5 above, rows 5 to 27.
    EXPECT_EQ(pagedFirst, 5u);
    ASSERT_EQ(paged.size(), ArmyDetailsDlg::MaxRows);
    EXPECT_EQ(paged.front()[0], "... 5 above");
    EXPECT_EQ(paged[1], top[5]);
    EXPECT_EQ(paged.back()[0].rfind("... ", 0), std::string::npos) << "the last row is still not shown";
    // One row up: 4 above, rows 4 to 25, and 2 more.
    ASSERT_EQ(up.size(), ArmyDetailsDlg::MaxRows);
    EXPECT_EQ(up.front()[0], "... 4 above");
    EXPECT_EQ(up[1], top[4]);
    EXPECT_EQ(up.back()[0], "... and 2 more");
    EXPECT_EQ(up[22], paged[21]);
    EXPECT_EQ(home, top);
    writeShot(shot, "player_army_details_scrolled.png");
}

// The Plain of Threnmoor's home army has 33 rows, more than the details hold: the wheel turned toward the
// player brings the last of them into view, and its name shows whole beside the scroll bar.
TEST_F(PlayerWindow, ArmyDetailsShowTheLastUnitOfThrenmoorWhole) {
    GameWindow& w = open("player-army-details-last", {EndTurnDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    std::vector<ArmyDetailsRow> shown;
    std::string lastUnit;
    std::int32_t nameRoom = 0, nameWidth = 0;
    bool bar = false;
    Grab shot;
    s.step("the start dialog", {}, [&] { return s.open(StartGameDlg::TemplateName) != nullptr; });
    s.step(
        "Start Battle", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdStartBattle); },
        [&] { return s.open(ScenarioDlg::TemplateName) != nullptr; });
    s.step(
        "The Plain of Threnmoor chosen",
        [&] {
            Dialog* d = s.open(ScenarioDlg::TemplateName);
            DialogItemWindow* list = d->item(ScenarioDlg::IdList);
            for (std::int32_t i = 0; i < list->rowCount(); ++i)
                if (list->row(i)->text.find("Threnmoor") != std::string::npos) list->select(i);
            d->command(ScenarioDlg::IdList, ListSelectionChanged);
            s.click(ScenarioDlg::TemplateName, Dialog::IdOk);
        },
        [&] { return s.open(IntroDlg::TemplateName) != nullptr; });
    // Both sides to the player: no computer's turn stands between him and the menus.
    s.step(
        "both sides to the player",
        [&] {
            s.click(IntroDlg::TemplateName, IntroDlg::IdHomePlayer);
            s.click(IntroDlg::TemplateName, IntroDlg::IdVisitorPlayer);
            s.click(IntroDlg::TemplateName, Dialog::IdOk);
        },
        [&] { return playersOrders(w.app()); });
    s.fromMenu(1, "the Game menu", 0, "Game Overview...", s.opened(EndTurnDlg::TemplateName));
    s.step(
        "Army Details", [&] { s.click(EndTurnDlg::TemplateName, EndTurnDlg::IdHomeDetails); },
        [&] { return s.open(ArmyDetailsDlg::TemplateName) != nullptr; });
    s.pause();
    const auto details = [&] { return static_cast<ArmyDetailsDlg*>(s.open(ArmyDetailsDlg::TemplateName)); };
    s.step(
        "the wheel turned toward the player",
        [&] {
            const platform::Rect client = WindowManager::instance().clientOnScreen(details()->hwnd());
            platform::Event e;
            e.kind = platform::EventKind::Wheel, e.x = client.x + 40, e.y = client.y + client.height / 2;
            e.wheel = -5;
            w.watched->postEvent(e);
        },
        [&] { return details()->shownRows().back()[0].rfind("... ", 0) == std::string::npos; });
    s.pause();
    s.step(
        "the details' Close",
        [&] {
            ArmyDetailsDlg* d = details();
            shot = grabWindow(w.sdl->window());
            shown = d->shownRows();
            for (Combat* unit : each(w.app().logicalLayer().getHomeUnits()))
                lastUnit = unit->getName();
            DialogFont font(TextTile::DefaultFont);
            nameWidth = font.textWidth(lastUnit);
            nameRoom = d->columnX(1) - d->columnX(0) - ArmyDetailsDlg::ColumnGap;
            bar = d->item(ArmyDetailsDlg::IdScrollBar) != nullptr;
            s.click(ArmyDetailsDlg::TemplateName, ArmyDetailsDlg::IdClose);
        },
        [&] { return s.closed(ArmyDetailsDlg::TemplateName); });
    s.step(
        "the overview's OK", [&] { s.click(EndTurnDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(EndTurnDlg::TemplateName); });
    playedThrough(w);
    EXPECT_TRUE(bar);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back()[0], lastUnit);
    EXPECT_EQ(shown.front()[0], "... 10 above");
    EXPECT_LE(nameWidth, nameRoom) << lastUnit << " is cut";
    writeShot(shot, "player_army_details_last_unit.png");
}

// A campaign begun from the start dialog and its first battle won, up to its results: the steps.
void enterACampaignBattle(GameWindow& w) {
    PlayerScript& s = *w.script;
    s.step("the start dialog", {}, [&] { return s.open(StartGameDlg::TemplateName) != nullptr; });
    s.step(
        "Start Campaign", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdCampaign); },
        [&] { return s.open(CampaignMapDlg::TemplateName) != nullptr; });
    s.step(
        "Battle", [&] { s.click(CampaignMapDlg::TemplateName, CampaignMapDlg::IdBattle); },
        [&] { return w.app().battleRunning() && shownMapWindow(w.app()) && w.app().modalDepth() == 0; });
}

void winACampaignBattle(GameWindow& w) {
    PlayerScript& s = *w.script;
    enterACampaignBattle(w);
    s.step(
        "the battle won",
        [&] {
            Container<short> homeWon(1);
            w.app().logicalLayer().sendNamed(msg::GameEnded, &homeWon);
        },
        [&] { return s.open(EndOfGameDlg::TemplateName) != nullptr; });
    s.step(
        "Close", [&] { s.click(EndOfGameDlg::TemplateName, EndOfGameDlg::IdClose); },
        [&] { return s.open(CampaignResultsDlg::TemplateName) != nullptr; });
}

// After a battle of the campaign won, Campaign Results has no button: its close box goes on, and the
// campaign's map shows where the campaign goes next.
TEST_F(PlayerWindow, TheCloseBoxOfCampaignResultsShowsTheCampaignMap) {
    GameWindow& w = open("player-campaign-close");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Grab shot;
    winACampaignBattle(w);
    s.pause();
    s.step(
        "the results' close box",
        [&] { clickCloseBox(*w.watched, s.open(CampaignResultsDlg::TemplateName)->hwnd()); },
        [&] { return s.closed(CampaignResultsDlg::TemplateName) && s.open(CampaignMapDlg::TemplateName); });
    s.pause();
    s.step(
        "the map's Cancel",
        [&] {
            shot = grabWindow(w.sdl->window());
            s.click(CampaignMapDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.open(StartGameDlg::TemplateName) != nullptr; });
    playedThrough(w);
    EXPECT_EQ(w.app().campaign().active(), false);
    writeShot(shot, "player_campaign_results_closed.png");
}

// The window manager's close request (its close box, or Alt+F4, which it turns into the same request)
// between two battles of a campaign asks once whether to leave the campaign, over the map (onMap) or over
// Campaign Results: Cancel leaves the box where it stood, OK ends the game. Before, the request closed the
// map, the question asked after it was answered by the same request, and the map came back, for ever.
void closeBetweenCampaignBattles(GameWindow& w, bool onMap) {
    const std::string under = onMap ? CampaignMapDlg::TemplateName : CampaignResultsDlg::TemplateName;
    PlayerScript& s = *w.script;
    // Shown again and again, the map is the old loop: the test ends rather than spin with it.
    const DialogShown answer = s.answer;
    s.answer = [&s, answer](Dialog& d, const std::string& name) {
        if (std::count(s.names.begin(), s.names.end(), std::string(CampaignMapDlg::TemplateName)) > 10) {
            ADD_FAILURE() << "the campaign's map came back over and over";
            std::_Exit(1);
        }
        answer(d, name);
    };
    std::vector<std::string> asked;
    platform::Rect box{};
    Grab shot;
    const auto closeRequest = [&] { EXPECT_TRUE(requestClose(w.sdl->window())); };
    winACampaignBattle(w);
    if (onMap)
        s.step(
            "the results' close box",
            [&] { clickCloseBox(*w.watched, s.open(CampaignResultsDlg::TemplateName)->hwnd()); },
            [&] { return s.closed(CampaignResultsDlg::TemplateName) && s.open(CampaignMapDlg::TemplateName); });
    s.pause();
    s.step("the close request", closeRequest, s.opened(InformationDlg::TemplateName));
    s.pause();
    s.step(
        "the question looked at, then Cancel",
        [&] {
            Dialog* question = s.open(InformationDlg::TemplateName);
            asked = static_cast<InformationDlg*>(question)->lines();
            box = WindowManager::instance().outerOnScreen(question->hwnd());
            shot = grabWindow(w.sdl->window());
            s.click(InformationDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(InformationDlg::TemplateName); });
    s.pause();
    s.step("the box back", {}, [&] { return s.open(under) != nullptr && w.app().modalDepth() > 0; });
    s.step("the close request again", closeRequest, s.opened(InformationDlg::TemplateName));
    // OK leaves: the game ends by itself, with no step left to leave it.
    s.step(
        "OK", [&] { s.click(InformationDlg::TemplateName, Dialog::IdOk); }, [] { return false; });
    playedThrough(w);
    EXPECT_EQ(asked,
              (std::vector<std::string>{VaelGame::LeaveCampaignQuestion, VaelGame::LeaveCampaignWarning}));
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(InformationDlg::TemplateName)), 2);
    // The map of the campaign's start, and the one after the battle when the request came over it.
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(CampaignMapDlg::TemplateName)),
              onMap ? 2 : 1);
    EXPECT_EQ(s.names.back(), InformationDlg::TemplateName) << "nothing opened after the question's OK";
    EXPECT_FALSE(w.app().campaign().active());
    EXPECT_EQ(s.done.size(), onMap ? 13u : 12u) << "the steps up to the second close request";
    // The question stands over the box, which shows round it.
    ASSERT_GT(box.width, 0);
    std::set<std::uint32_t> colours;
    for (int y = box.y; y < box.y + box.height && y < shot.height; ++y)
        for (int x = box.x; x < box.x + box.width && x < shot.width; ++x)
            colours.insert(shot.rgb[std::size_t(y) * shot.width + x]);
    EXPECT_GE(colours.size(), 4u);
    writeShot(shot, onMap ? "player_campaign_map_leave_question.png" : "player_campaign_results_leave_question.png");
}

// The window manager's close request in a battle of a campaign asks whether to leave it saying that the
// campaign ends with it (player_campaign_battle_leave_question.png); OK ends the game. Before, it asked as
// in a battle fought alone.
TEST_F(PlayerWindow, TheCloseRequestInACampaignBattleSaysTheCampaignEndsWithIt) {
    GameWindow& w = open("player-campaign-battle-close", {InformationDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    std::vector<std::string> asked;
    Grab shot;
    enterACampaignBattle(w);
    s.pause();
    s.step(
        "the close request", [&] { EXPECT_TRUE(requestClose(w.sdl->window())); },
        s.opened(InformationDlg::TemplateName));
    s.pause();
    // OK leaves: the game ends by itself, with no step left to leave it.
    s.step(
        "the question looked at, then OK",
        [&] {
            asked = static_cast<InformationDlg*>(s.open(InformationDlg::TemplateName))->lines();
            shot = grabWindow(w.sdl->window());
            s.click(InformationDlg::TemplateName, Dialog::IdOk);
        },
        [] { return false; });
    playedThrough(w);
    EXPECT_EQ(asked, (std::vector<std::string>{VaelGame::ExitQuestion, VaelGame::ExitWarning,
                                               VaelGame::CampaignBattleWarning}));
    writeShot(shot, "player_campaign_battle_leave_question.png");
}

TEST_F(PlayerWindow, AltF4OnTheCampaignMapAsksOnceWhetherToLeaveTheCampaign) {
    GameWindow& w = open("player-campaign-alt-f4", {InformationDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    closeBetweenCampaignBattles(w, true);
}

TEST_F(PlayerWindow, TheFramesCloseBoxOverCampaignResultsAsksOnceWhetherToLeaveTheCampaign) {
    GameWindow& w = open("player-campaign-close-box", {InformationDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    closeBetweenCampaignBattles(w, false);
}

// The end of a battle: its picture's "Overview" shows the battle's last tallies, by a click and by Alt+O,
// and "Close" leaves the battle for the start dialog.
TEST_F(PlayerWindow, TheEndOfTheBattleShowsItsOverviewByMouseAndByAltO) {
    GameWindow& w = open("player-end", {EndTurnDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    startBattle(w);
    s.step(
        "the battle's end",
        [&] {
            // As game control ends it: the home side has won.
            Container<short> homeWon(1);
            w.app().logicalLayer().sendNamed(msg::GameEnded, &homeWon);
        },
        [&] { return s.open(EndOfGameDlg::TemplateName) != nullptr; });
    s.step(
        "Overview", [&] { s.click(EndOfGameDlg::TemplateName, EndOfGameDlg::IdOverview); },
        [&] { return s.open(EndTurnDlg::TemplateName) != nullptr; });
    s.step(
        "the overview's OK", [&] { s.click(EndTurnDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(EndTurnDlg::TemplateName) && s.open(EndOfGameDlg::TemplateName); });
    s.step(
        "Alt+O", [&] { postKey(*w.watched, 'O', platform::ModAlt); },
        [&] { return s.open(EndTurnDlg::TemplateName) != nullptr; });
    s.step(
        "the overview's OK again", [&] { s.click(EndTurnDlg::TemplateName, Dialog::IdOk); },
        [&] { return s.closed(EndTurnDlg::TemplateName) && s.open(EndOfGameDlg::TemplateName); });
    s.step(
        "Close", [&] { s.click(EndOfGameDlg::TemplateName, EndOfGameDlg::IdClose); },
        [&] { return !w.app().battleRunning() && s.open(StartGameDlg::TemplateName); });
    playedThrough(w);
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(EndTurnDlg::TemplateName)), 2);
}

// File, Exit in the middle of a battle asks first: Cancel plays on, OK leaves the game.
TEST_F(PlayerWindow, FileExitInTheMiddleOfABattleAsksWhetherToLeave) {
    GameWindow& w = open("player-exit", {InformationDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    std::vector<std::string> asked;
    startBattle(w);
    // The File menu: Open Game, Start Game, Preferences, a separator, Exit.
    s.fromMenu(0, "the File menu", 4, "Exit", s.opened(InformationDlg::TemplateName));
    s.step(
        "Cancel",
        [&] {
            asked = static_cast<InformationDlg*>(s.open(InformationDlg::TemplateName))->lines();
            s.click(InformationDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(InformationDlg::TemplateName); });
    s.pause();
    s.step("the battle goes on", {}, [&] { return w.app().battleRunning() && w.sdl->windowOpen(); });
    s.fromMenu(0, "the File menu again", 4, "Exit again", s.opened(InformationDlg::TemplateName));
    // OK leaves: the game ends by itself, with no step left to leave it.
    s.step(
        "OK", [&] { s.click(InformationDlg::TemplateName, Dialog::IdOk); }, [] { return false; });
    playedThrough(w);
    EXPECT_EQ(asked, (std::vector<std::string>{VaelGame::ExitQuestion, VaelGame::ExitWarning}));
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(InformationDlg::TemplateName)), 2);
    EXPECT_EQ(s.done.size(), 11u) << "the steps up to the second Exit";
}

// The frame's close box in the middle of a battle, as the window manager asks for it (a press on the box of
// its frame or Alt+F4 sends the window WM_DELETE_WINDOW), asks what File, Exit asks: Cancel plays on, OK
// leaves the game. Before, the request ended the game at once, the battle lost unasked.
TEST_F(PlayerWindow, TheFramesCloseBoxInTheMiddleOfABattleAsksWhetherToLeave) {
    GameWindow& w = open("player-close", {InformationDlg::TemplateName});
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    std::vector<std::string> asked;
    platform::Rect box{};
    Grab shot;
    const auto closeRequest = [&] { EXPECT_TRUE(requestClose(w.sdl->window())); };
    startBattle(w);
    s.step("the window manager's close request", closeRequest, s.opened(InformationDlg::TemplateName));
    s.pause();
    s.step(
        "the question looked at, then Cancel",
        [&] {
            Dialog* question = s.open(InformationDlg::TemplateName);
            asked = static_cast<InformationDlg*>(question)->lines();
            box = WindowManager::instance().outerOnScreen(question->hwnd());
            shot = grabWindow(w.sdl->window());
            s.click(InformationDlg::TemplateName, Dialog::IdCancel);
        },
        [&] { return s.closed(InformationDlg::TemplateName); });
    s.pause();
    s.step("the battle goes on", {}, [&] { return w.app().battleRunning() && playersOrders(w.app()); });
    s.step("the close request again", closeRequest, s.opened(InformationDlg::TemplateName));
    // OK leaves: the game ends by itself, with no step left to leave it.
    s.step(
        "OK", [&] { s.click(InformationDlg::TemplateName, Dialog::IdOk); }, [] { return false; });
    playedThrough(w);
    EXPECT_EQ(asked, (std::vector<std::string>{VaelGame::ExitQuestion, VaelGame::ExitWarning}));
    EXPECT_EQ(std::count(s.names.begin(), s.names.end(), std::string(InformationDlg::TemplateName)), 2);
    EXPECT_EQ(s.done.size(), 10u) << "the steps up to the second close request";
    // The picture shows the question over the battle: its box holds its parchment, its text and buttons.
    ASSERT_GT(shot.width, 0);
    ASSERT_GT(box.width, 0);
    std::set<std::uint32_t> colours;
    for (int y = box.y; y < box.y + box.height && y < shot.height; ++y)
        for (int x = box.x; x < box.x + box.width && x < shot.width; ++x)
            colours.insert(shot.rgb[std::size_t(y) * shot.width + x]);
    EXPECT_GE(colours.size(), 4u);
    writeShot(shot, "player_close_question.png");
}

// File, Preferences: the sound's volume bar sets the volume at once and is kept with the preferences; the
// music's box and volume (the game plays no music) are shown as kept but cannot be changed.
TEST_F(PlayerWindow, PreferencesSetTheSoundVolumeAtOnceAndShowTheMusicDisabled) {
    GameWindow& w = open("player-preferences");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    const Preferences kept = w.app().preferences();
    bool musicEnabled = true, musicVolumeEnabled = true;
    int heard = -1, heardAfterCancel = -1;
    Grab shot;
    const auto clickBar = [&](bool right) {
        Dialog* d = s.open(PreferencesDlg::TemplateName);
        if (!d) return;
        const platform::Rect client = WindowManager::instance().clientOnScreen(d->hwnd());
        const Box b = d->item(PreferencesDlg::IdVolume)->box();
        postButtons(*w.watched, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                    client.x + b.x + (right ? b.w - 3 : 3), client.y + b.y + b.h / 2);
    };
    startBattle(w);
    s.fromMenu(0, "the File menu", 2, "Preferences...", s.opened(PreferencesDlg::TemplateName));
    s.step(
        "the volume down three steps",
        [&] {
            Dialog* d = s.open(PreferencesDlg::TemplateName);
            musicEnabled = d->item(PreferencesDlg::IdMusic)->isEnabled();
            musicVolumeEnabled = d->item(PreferencesDlg::IdMusicVolume)->isEnabled();
            for (int i = 0; i < 3; ++i)
                clickBar(false);
        },
        [&] { return w.app().soundManager().volume() == 70; });
    s.pause();
    s.step(
        "the dialog looked at",
        [&] {
            heard = w.app().soundManager().volume();
            shot = grabWindow(w.sdl->window());
            s.click(PreferencesDlg::TemplateName, Dialog::IdOk);
        },
        [&] { return s.closed(PreferencesDlg::TemplateName); });
    // Tried out and cancelled, the volume goes back to the one kept.
    s.fromMenu(0, "the File menu again", 2, "Preferences... again", s.opened(PreferencesDlg::TemplateName));
    s.step(
        "the volume up one step", [&] { clickBar(true); },
        [&] { return w.app().soundManager().volume() == 80; });
    s.step(
        "Cancel", [&] { s.click(PreferencesDlg::TemplateName, Dialog::IdCancel); },
        [&] { return s.closed(PreferencesDlg::TemplateName); });
    s.step("the volume kept", [&] { heardAfterCancel = w.app().soundManager().volume(); });
    playedThrough(w);
    EXPECT_FALSE(musicEnabled);
    EXPECT_FALSE(musicVolumeEnabled);
    EXPECT_EQ(kept.volume, 100u);
    EXPECT_EQ(heard, 70);
    EXPECT_EQ(heardAfterCancel, 70);
    EXPECT_EQ(w.app().preferences().volume, 70u);
    // Kept in the settings, the music's values as they were.
    const Preferences read = Preferences::read(w.sdl->settings(), w.app().settingsKey());
    EXPECT_EQ(read.volume, 70u);
    EXPECT_EQ(read.music, kept.music);
    EXPECT_EQ(read.musicVolume, kept.musicVolume);
    writeShot(shot, "player_preferences.png");
}

// Unit, View Details... for a unit picked by a click: the overview names it and tells its state.
TEST_F(PlayerWindow, UnitViewDetailsShowsTheUnitsDetails) {
    GameWindow& w = open("player-details");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Combat* unit = nullptr;
    std::vector<UnitDetailsLine> lines;
    Grab shot;
    startBattle(w);
    clickAUnitOfHis(w, unit);
    // The Unit menu: Rally, Restore Cohesion, Missile Volley, a separator, the two rotations, About Face,
    // a separator, Center On Unit, View Details.
    s.fromMenu(3, "the Unit menu", 9, "View Details...", s.opened(ViewUnitDlg::TemplateName));
    s.pause();
    s.step(
        "the details looked at",
        [&] {
            lines = static_cast<ViewUnitDlg*>(s.open(ViewUnitDlg::TemplateName))->lines();
            shot = grabWindow(w.sdl->window());
            s.click(ViewUnitDlg::TemplateName, Dialog::IdOk);
        },
        [&] { return s.closed(ViewUnitDlg::TemplateName); });
    playedThrough(w);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], (UnitDetailsLine{"Name", unit->getName()}));
    EXPECT_EQ(lines[2].first, "Nation");
    EXPECT_FALSE(lines[2].second.empty());
    EXPECT_EQ(lines[3].first, "Leader");
    EXPECT_EQ(lines[3].second, "Vaelmoric the Bold") << "the Companions' leader";
    writeShot(shot, "player_unit_details.png");
}

// A point on the screen where a figure of the unit's display object is drawn (its highest such point over
// another hex than the unit's own when `elsewhere`), within the map window and under no other window.
std::optional<Point> figurePoint(VaelApp& app, Combat& unit, bool elsewhere, short* hexThere = nullptr) {
    VaelPhysicalLayer& layer = app.views()->normal();
    VaelMapWindow* map = mapWindow(app);
    if (!map || !screenPointOf(app, static_cast<std::int16_t>(unit.getHex()))) return std::nullopt;
    const int zoom = map->tile().zoomIndex();
    PointedVaelLandscape* land = layer.zoomLandscape(zoom);
    const platform::Rect client = WindowManager::instance().clientOnScreen(map->hwnd());
    const Point origin = map->tile().origin();
    auto* object = dynamic_cast<VaelPhysicalObject*>(
        layer.componentAt(layer.objectId(static_cast<std::uint16_t>(unit.getUnitNum()))));
    for (std::int16_t f = 0; object && f < 64; ++f) {
        VaelSprite* figure = object->figure(f);
        if (!figure) continue;
        const Box b = figure->boundsAt(zoom);
        for (int y = b.y; y < b.y + b.h; ++y)
            for (int x = b.x; x < b.x + b.w; ++x) {
                const Point p(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
                if (!figure->hitTestAt(p, zoom)) continue;
                const std::int16_t block = land->blockAtPoint(p);
                const short hex = block < 0 ? -1 : static_cast<short>(land->blockToHex(block));
                const int sx = client.x + x - origin.x, sy = client.y + y - origin.y;
                if ((elsewhere && hex == static_cast<short>(unit.getHex())) ||
                    WindowManager::instance().windowAt(sx, sy) != map->hwnd())
                    continue;
                if (hexThere) *hexThere = hex;
                return Point(static_cast<std::int16_t>(sx), static_cast<std::int16_t>(sy));
            }
    }
    return std::nullopt;
}

// A click on a soldier's body, which stands above his hex and covers the hex behind it, picks the soldier's
// unit, not the hex behind.
TEST_F(PlayerWindow, AClickOnAFiguresBodyPicksItsUnit) {
    GameWindow& w = open("player-figure");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Combat* unit = nullptr;
    std::optional<Point> body;
    short behind = -1;
    startBattle(w);
    s.step(
        "a soldier's head picked out",
        [&] {
            for (Combat* c : orderable(w.app()))
                if (!body && (body = figurePoint(w.app(), *c, true, &behind))) unit = c;
            if (body) clickAt(*w.watched, *body);
        },
        [&] { return unit && unit->isSelected(); });
    playedThrough(w);
    ASSERT_TRUE(body) << "no figure stands over another hex";
    EXPECT_NE(behind, -1);
}

// The status bar's two lines stand inside its sunken well: the bar's art is 40 rows high, the well's fill
// runs from row 4 and its white lower rim lies on row 35. A selected unit's second line ("TQ: ..") has the
// tail of its Q below the line, the lowest ink the bar ever shows.
TEST_F(PlayerWindow, TheStatusBarsSecondLineStandsInsideItsWell) {
    GameWindow& w = open("player-status-bar");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Combat* unit = nullptr;
    std::string second;
    Grab shot;
    startBattle(w);
    clickAUnitOfHis(w, unit);
    s.pause();
    s.step("the status bar looked at", [&] {
        second = w.game->frame().statusBar()->text(2);
        shot = grabWindow(w.sdl->window());
    });
    playedThrough(w);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(second.rfind("TQ: ", 0), 0u) << second;
    ASSERT_GT(shot.height, 40);
    writeShot(shot, "player_status_bar.png");
    // The bar's own rows, top first: which hold the text's black ink left of the panes.
    const int top = shot.height - 40;
    const auto inked = [&](int row) {
        for (int x = 0; x < 400; ++x)
            if ((shot.rgb[std::size_t(top + row) * shot.width + x] & 0xFFFFFF) == 0) return true;
        return false;
    };
    int first = -1, last = -1;
    for (int row = 0; row < 40; ++row)
        if (inked(row)) last = row, first = first < 0 ? row : first;
    EXPECT_GE(first, 4) << "the first line stands above the well";
    // The second line is there: ink in the well's lower half.
    EXPECT_GE(last, 20);
    EXPECT_LE(last, 34) << "the second line runs onto the well's rim";
}

// A leader standing on the map's top-right hex, where the overview panel covers the view's corner:
// the Leader menu's "Center On Leader" brings him out from under the panel, the view passing the map's
// edge as far as it must.
TEST_F(PlayerWindow, CenterOnLeaderBringsHimOutFromUnderTheOverview) {
    GameWindow& w = open("player-leader-corner");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    Leader* leader = nullptr;
    short corner = -1;
    Point shown;
    Dim tile, panel;
    Grab shot;
    startBattle(w);
    s.step("the leader set on the top-right hex", [&] {
        GameControl* control = w.app().gameControl();
        leader = control ? control->leaderAt(control->getActiveLeader()).leader : nullptr;
        PointedVaelLandscape* land = shownLandscape(w.app());
        int best = -(1 << 30);
        for (short hex = 0; land && hex < 10000; ++hex)
            if (land->hexHasBlock(hex)) {
                const Point3D c = land->blockCenter(hex);
                if (c.x - c.y > best) best = c.x - c.y, corner = hex;
            }
        if (leader && corner >= 0) leader->setHex(static_cast<std::uint16_t>(corner));
    });
    s.fromMenu(2, "the Leader menu", 0, "Center On Leader");
    s.pause();
    s.step("the view looked at", [&] {
        VaelMapWindow* map = mapWindow(w.app());
        const Point3D c = shownLandscape(w.app())->blockCenter(corner);
        const Point origin = map->tile().origin();
        shown = Point(static_cast<std::int16_t>(c.x - origin.x), static_cast<std::int16_t>(c.y - origin.y));
        tile = Dim(map->tile().width(), map->tile().height());
        const Bitmap* picture = map->tile().overview().picture();
        panel = picture ? picture->size() : Dim();
        shot = grabWindow(w.sdl->window());
    });
    playedThrough(w);
    ASSERT_NE(leader, nullptr);
    ASSERT_GE(corner, 0);
    ASSERT_GT(panel.w, 0) << "no overview is shown";
    SCOPED_TRACE(testing::Message() << "the leader's hex centre at " << shown.x << "," << shown.y
                                    << " in a tile of " << tile.w << "x" << tile.h << ", the panel "
                                    << panel.w << "x" << panel.h);
    EXPECT_TRUE(shown.x >= 0 && shown.y >= 0 && shown.x < tile.w && shown.y < tile.h) << "off the view";
    EXPECT_TRUE(shown.x < tile.w - panel.w || shown.y >= panel.h) << "under the overview";
    writeShot(shot, "player_leader_by_overview.png");
}

// The player's volley from start to end: a bowman picked by a click, the missile key, the menu's command
// checked and the enemies in reach lit; a click on a lit enemy's figure shoots, and the volley's line comes
// in the commentary. Where no enemy is in reach, the status bar says why.
TEST_F(PlayerWindow, APlayersVolleyFromTheMissileKeyToTheClickOnTheTarget) {
    TempDir dir("player-volley");
    DataHome home(dir.path().string());
    const std::string data = forgedBattleData(dir, "skirmish.scn.txt", "skirmish.scn");
    std::srand(8);
    GameWindow w(dir.path(), data);
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    MissileCapable* bowman = nullptr;
    Combat* target = nullptr;
    bool checked = false, unlit = false;
    std::size_t linesBefore = 0;
    Grab shot;
    startBattle(w);
    s.step(
        "a bowman with an enemy in reach clicked",
        [&] {
            for (Combat* c : orderable(w.app())) {
                auto* m = dynamic_cast<MissileCapable*>(c);
                if (bowman || !m || m->getMissilesLeft() == 0 || m->getFiredThisActivation()) continue;
                const List<short> reach = m->findTargets();
                for (Combat* enemy : each(w.app().logicalLayer().getUnits()))
                    if (!target && enemy->getNation() != c->getNation() && !enemy->isOutOfPlay() &&
                        contains(reach, static_cast<short>(enemy->getHex())) &&
                        figurePoint(w.app(), *enemy, false))
                        target = enemy, bowman = m;
            }
            if (bowman)
                clickAt(*w.watched, *screenPointOf(w.app(), static_cast<std::int16_t>(bowman->getHex())));
        },
        [&] { return bowman && bowman->isSelected(); });
    s.step(
        "the missile key", [&] { pressMissileKey(*w.watched); },
        [&] { return bowman->isChoosingTarget() != 0; });
    s.pause();
    s.step(
        "the targets looked at",
        [&] {
            VaelMapWindow* map = mapWindow(w.app());
            checked = map && map->menu() && map->menu()->isChecked(219);
            for (short hex : bowman->getTargetHexes())
                unlit = unlit || !shownLandscape(w.app())->blockCopy(hex).highlight();
            shot = grabWindow(w.sdl->window());
            linesBefore = w.app().commentary().lines().size();
            // The enemy's own figure is clicked, as a person aims at a man, not at the ground.
            const auto at = figurePoint(w.app(), *target, false);
            if (at) clickAt(*w.watched, *at);
        },
        [&] {
            const auto& lines = w.app().commentary().lines();
            for (std::size_t k = linesBefore; k < lines.size(); ++k)
                if (!lines[k].empty() && lines[k].front().text == bowman->getName()) return true;
            return false;
        });
    playedThrough(w);
    ASSERT_NE(bowman, nullptr) << "no bowman of his has an enemy in reach";
    EXPECT_TRUE(checked) << "Missile Volley is not checked while the bowman chooses his target";
    EXPECT_FALSE(unlit) << "a target hex is not lit";
    EXPECT_NE(bowman->getFiredThisActivation(), 0);
    writeShot(shot, "player_volley.png");
}

// With no enemy in reach the missile key says why in the status bar and leaves the map to moves: the
// command is not checked and the bowman waits for no target.
TEST_F(PlayerWindow, AVolleyWithNoEnemyInReachSaysWhyAndLeavesTheMapToMoves) {
    GameWindow& w = open("player-no-volley");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    MissileCapable* bowman = nullptr;
    std::string told, reason;
    bool checked = true, choosing = true;
    startBattle(w);
    s.step(
        "a bowman clicked",
        [&] {
            for (Combat* c : orderable(w.app()))
                if (auto* m = dynamic_cast<MissileCapable*>(c);
                    !bowman && m && m->getMissilesLeft() > 0 && m->findTargets().isEmpty())
                    bowman = m;
            if (bowman)
                clickAt(*w.watched, *screenPointOf(w.app(), static_cast<std::int16_t>(bowman->getHex())));
        },
        [&] { return bowman && bowman->isSelected(); });
    s.step(
        "the missile key",
        [&] {
            reason = bowman->getName() + " has no enemy within range (" + std::to_string(bowman->getRange()) +
                     " hexes).";
            pressMissileKey(*w.watched);
        },
        [&] { return w.game->frame().statusBar()->text(2) == reason; });
    s.step("the status bar and the menu read", [&] {
        told = w.game->frame().statusBar()->text(2);
        VaelMapWindow* map = mapWindow(w.app());
        checked = map && map->menu() && map->menu()->isChecked(219);
        choosing = bowman->isChoosingTarget() != 0;
    });
    playedThrough(w);
    ASSERT_NE(bowman, nullptr) << "every bowman of his has an enemy in reach";
    EXPECT_EQ(told, reason);
    EXPECT_FALSE(checked);
    EXPECT_FALSE(choosing);
}

} // namespace
} // namespace vael::test
