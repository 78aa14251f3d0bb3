// What a new player met on the battle map, played by clicks and keys on the game on the headless platform
// with the forged data: the map's close box puts it away as an icon he can see and reach, and the target
// hexes lit for a volley show lit though the enemy's figures stand on them; a unit shows selected exactly
// while it takes orders, a click on the overview only moves the view, Escape and the right button leave
// the choice of a target, the Movement animation preference holds, and an ally says whose orders it takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/list_walk.h"
#include "framework/display/bitmap.h"
#include "framework/display/logical_palette.h"
#include "framework/ui/menu.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/window_manager.h"
#include "framework/ui/window_message.h"
#include "game/map/vael_display_object.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_sprite.h"
#include "game/shell/clicking_player.h"
#include "game/shell/figure_points.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/preferences.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/shell_message_names.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/way_dialogs.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"

namespace vael::test {
namespace {

// The demonstration battle with the home side the player's, its road answered by clicks; once the player
// may give his first orders the test's step is taken at each idle moment until it leaves the game.
class PlayerMap : public ::testing::Test {
protected:
    // The settings the player left from an earlier game, stored before the game starts.
    using Stored = std::function<void(platform::Settings&)>;
    explicit PlayerMap(Stored stored = nullptr) : stored_(((stored ? stored(os.settings()) : void()), 0)) {
        game.onDialog = [this](Dialog& d, const std::string& name) {
            if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
            if (name == StartGameDlg::TemplateName)
                clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
            else if (name == ScenarioDlg::TemplateName) {
                if (!scenario.empty()) {
                    DialogItemWindow* list = d.item(ScenarioDlg::IdList);
                    list->select(list->findExact(scenario));
                    d.command(ScenarioDlg::IdList, ListSelectionChanged);
                }
                clickOn(os, d, Dialog::IdOk);
            } else if (name == IntroDlg::TemplateName)
                clickOn(os, d, IntroDlg::IdHomePlayer), clickOn(os, d, Dialog::IdOk);
        };
        player.os = &os, player.game = &game;
    }
    bool ordersOpen() {
        VaelApp& app = game.app();
        GameControl* control = app.battleRunning() ? app.gameControl() : nullptr;
        const Leader* leader = control ? control->leaderAt(control->getActiveLeader()).leader : nullptr;
        return leader && !leader->isComputerControlled() && leader->isOrdersPhaseActive() && mapWindow(app);
    }
    std::string status(int pane) { return game.frame().statusBar()->text(pane); }
    // Where a hex shows on the screen, the view scrolled to it; the test fails on a hex out of sight.
    Point pointOf(std::int16_t hex) {
        const auto at = screenPointOf(game.app(), hex);
        if (!at) ADD_FAILURE() << "hex " << hex << " is not on the screen";
        return at ? *at : Point();
    }
    // Whether the outline that marks the selected unit (and the hex it would move to) shows on a hex.
    bool outlined(short hex) {
        PointedVaelLandscape* land = shownLandscape(game.app());
        return land && land->blockCopy(hex).isOverlayVisible(2, 1) != 0;
    }
    Combat* unitNamed(const std::string& name) {
        return game.app().logicalLayer().findCombatUnitByName(name);
    }
    // Stands a one-hex unit on another hex, facing as given, as a scenario could have set it.
    void place(Combat& unit, std::int16_t hex, DIRECTION facing) {
        VaelLogicalLandscape* land = game.app().logicalLayer().getVaelLandscape();
        land->removeFromRegion(&unit, static_cast<std::int16_t>(unit.getHex()));
        unit.setFacing(facing);
        unit.setHex(static_cast<std::uint16_t>(hex));
        land->addToRegion(&unit, hex);
        unit.rebuildZOC();
    }
    bool volleyChecked() {
        VaelMapWindow* map = mapWindow(game.app());
        return map && map->menu() && map->menu()->isChecked(219);
    }
    void leave() {
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os.postEvent(close);
    }

    TempDir dir{"playermap"};
    DataHome home{dir.path().string()};
    // The dice are seeded before the game is made, so that every run draws the same.
    int seeded = (std::srand(8), 0);
    ScriptedPlatform os;
    int stored_;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
    ClickingPlayer player;
    int starts = 0;
    std::string scenario; // the battle's title in Choose Scenario; the first when empty
};

// The map's close box puts it away as an icon; the commentary floats over the bottom left of the map area,
// where the icons start their row, so the icon goes along the row to the first place the commentary leaves
// open: whole in sight, and a click there is the icon's.
TEST_F(PlayerMap, TheMapsIconLiesWhereThePlayerSeesAndReachesIt) {
    ASSERT_TRUE(game.ready());
    int stage = 0;
    bool iconic = false;
    platform::Rect icon{}, area{}, commentary{};
    std::vector<bool> iconsOwn; // at the icon's corners and middle, whether the window there is the icon
    os.idle = [&] {
        VaelMainWindow& frame = game.frame();
        WindowManager& manager = WindowManager::instance();
        if (stage == 0 && ordersOpen()) {
            const platform::Rect outer = manager.outerOnScreen(frame.hwnd());
            const Box close = frame.barControlBox(1);
            clickAt(os, Point(static_cast<std::int16_t>(outer.x + close.x + close.w / 2),
                              static_cast<std::int16_t>(outer.y + close.y + close.h / 2)));
            stage = 1;
        } else if (stage == 1) {
            VaelMapWindow* map = mapWindow(game.app());
            iconic = map && map->isIconic();
            icon = map ? manager.outerOnScreen(map->hwnd()) : platform::Rect{};
            area = manager.clientOnScreen(frame.clientWindow());
            for (WindowHandle h : manager.childrenOf(frame.hwnd()))
                if (dynamic_cast<CommentaryWindow*>(manager.find(h)->window))
                    commentary = manager.outerOnScreen(h);
            for (auto [x, y] :
                 {std::pair{0, 0}, std::pair{31, 0}, std::pair{0, 31}, std::pair{31, 31}, std::pair{16, 16}})
                iconsOwn.push_back(map && manager.windowAt(icon.x + x, icon.y + y) == map->hwnd());
            stage = 2;
            leave();
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(stage, 2);
    ASSERT_TRUE(iconic);
    ASSERT_GT(commentary.width, 0);
    SCOPED_TRACE("icon at " + std::to_string(icon.x - area.x) + "," + std::to_string(icon.y - area.y));
    // The bottom row: 32-pixel icons 8 apart, 4 in from the left; the commentary reaches from 8 pixels in
    // to its right edge, so the first place clear of it is the first of 4, 44, 84, ... at or past that edge.
    const std::int32_t clear = commentary.x + commentary.width - area.x;
    EXPECT_EQ(icon.x - area.x, 4 + (clear - 4 + 39) / 40 * 40);
    EXPECT_EQ(icon.y - area.y, area.height - 40);
    EXPECT_EQ((std::pair{icon.width, icon.height}), (std::pair{32, 32}));
    EXPECT_EQ(iconsOwn, std::vector<bool>(5, true));
}

// The frame made smaller than 800 by 600: the commentary takes at most 35 hundredths of the map area's
// height, so that the map stays the larger part; at 800 by 600 and above it keeps its size (150 rows and
// its caption and borders, 174 in all), 8 rows above the area's bottom edge.
TEST_F(PlayerMap, TheCommentaryLeavesASmallFramesMapTheLargerPart) {
    ASSERT_TRUE(game.ready());
    struct Row {
        std::int32_t width, height, areaHeight, commentary;
    };
    // The area is the frame less the menu bar, the tool bar and the status bar (88 rows in all). 35
    // hundredths of 498 rows are 174.3, of 497 are 173.95.
    const std::vector<Row> rows{{1024, 768, 680, 174}, {800, 600, 512, 174}, {800, 586, 498, 174},
                                {800, 585, 497, 173},  {700, 500, 412, 144}, {640, 200, 112, 39},
                                {640, 156, 68, 24},    {1024, 768, 680, 174}};
    std::size_t at = 0;
    bool asked = false;
    std::vector<std::pair<platform::Rect, platform::Rect>> seen; // the area and the commentary at each row
    os.idle = [&] {
        if (!ordersOpen()) return;
        if (at == rows.size()) return leave();
        if (!asked) {
            platform::Event e;
            e.kind = platform::EventKind::Resize, e.x = rows[at].width, e.y = rows[at].height;
            os.postEvent(e);
            asked = true;
            return;
        }
        WindowManager& manager = WindowManager::instance();
        VaelMainWindow& frame = game.frame();
        platform::Rect commentary{};
        for (WindowHandle h : manager.childrenOf(frame.hwnd()))
            if (dynamic_cast<CommentaryWindow*>(manager.find(h)->window))
                commentary = manager.outerOnScreen(h);
        seen.emplace_back(manager.clientOnScreen(frame.clientWindow()), commentary);
        ++at, asked = false;
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(seen.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(testing::Message() << "frame " << r.width << "x" << r.height);
        const auto& [area, commentary] = seen[i];
        EXPECT_EQ(area.height, r.areaHeight);
        EXPECT_EQ(commentary.height, r.commentary);
        EXPECT_EQ(commentary.y + commentary.height, area.y + area.height - CommentaryWindow::Margin);
        EXPECT_EQ(commentary.x, area.x + CommentaryWindow::Margin);
    }
}

// How the figures standing on a hex show on the screen: of their own pixels (those a figure gives whatever
// lies under it) that show on the map, how many show the figure's colour drawn plain or lit, and how many
// there are.
struct FiguresSeen {
    int plain = 0, lit = 0, shown = 0;
};

FiguresSeen figuresOn(VaelApp& app, const platform::HeadlessPlatform& os, short hex) {
    FiguresSeen seen;
    VaelMapWindow* w = mapWindow(app);
    const LogicalPalette* palette = app.getPalette();
    if (!w || !palette) return seen;
    const int zoom = w->tile().zoomIndex();
    const Point origin = w->tile().origin();
    const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
    const auto rgb = [&](std::uint8_t index) {
        const RgbQuad& c = palette->colours()[index];
        return std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue;
    };
    for (Sprite* sprite : viewSprites(app.views()->normal())) {
        auto* figure = dynamic_cast<VaelSprite*>(sprite);
        Bitmap* frame = figure ? figure->levelFrame(zoom) : nullptr;
        if (!frame || figure->isHidden() || figure->region() != static_cast<std::uint16_t>(hex)) continue;
        // The frame drawn plain on two grounds: where both show the same colour it is the figure's own.
        Bitmap one(frame->size(), PixelOpaque), two(frame->size(), PixelOpaque);
        std::fill(one.bits(), one.bits() + one.stride() * one.height(), 1);
        std::fill(two.bits(), two.bits() + two.stride() * two.height(), 2);
        one.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
        two.drawWholeBitmap(frame->hotSpot(), *frame, DrawPlain);
        const Point corner = figure->position(zoom) - frame->hotSpot() - origin;
        for (std::int32_t y = 0; y < frame->height(); ++y)
            for (std::int32_t x = 0; x < frame->width(); ++x) {
                const std::uint8_t v = one.bits()[y * one.stride() + x];
                const std::int32_t sx = client.x + corner.x + x, sy = client.y + corner.y + y;
                if (v != two.bits()[y * two.stride() + x] || sx < client.x || sy < client.y ||
                    sx >= client.x + client.width || sy >= client.y + client.height ||
                    WindowManager::instance().windowAt(sx, sy) != w->hwnd())
                    continue;
                ++seen.shown;
                const std::uint32_t at = os.pixel(sx, sy);
                seen.plain += at == rgb(v);
                seen.lit += at == rgb(palette->lightRemap()[v]);
            }
    }
    return seen;
}

// The player sets a bowman to shoot: the enemy's hexes in reach are lit, and so are the figures standing
// on them, which would otherwise hide most of the hex; the bowman's own figures stay plain.
// The commentary window's own keys and the wheel, as its window hears them: each arrow a row, each page key
// a page less a row, Home and End the ends, a notch of the wheel away from the player three rows back and
// toward him three on. A key held with Alt, or another key, is not the commentary's: it answers 0 and stays.
TEST_F(PlayerMap, TheCommentaryScrollsByItsKeysAndTheWheel) {
    ASSERT_TRUE(game.ready());
    struct Row {
        const char* what;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::ptrdiff_t moved; // from the top before it; Home and End are written as the ends
        bool taken = true;
    };
    constexpr std::ptrdiff_t first = -1000, last = 1000;
    const std::vector<Row> rows{
        {"Home", MessageKeyDown, platform::KeyHome, 0, first},
        {"Down", MessageKeyDown, platform::KeyDown, 0, 1},
        {"Page Down", MessageKeyDown, platform::KeyPageDown, 0, 0}, // a page: filled in below
        {"Up", MessageKeyDown, platform::KeyUp, 0, -1},
        {"Page Up", MessageKeyDown, platform::KeyPageUp, 0, 0},
        {"End", MessageKeyDown, platform::KeyEnd, 0, last},
        {"a notch away from the player", MessageMouseWheel, 1, 0, -3},
        {"two notches away", MessageMouseWheel, 2, 0, -6},
        {"a notch toward him", MessageMouseWheel, static_cast<std::uintptr_t>(-1), 0, 3},
        {"Alt+Up", MessageKeyDown, platform::KeyUp, platform::ModAlt, 0, false},
        {"Left", MessageKeyDown, platform::KeyLeft, 0, 0, false},
    };
    std::vector<std::string> seen;
    os.idle = [&] {
        if (!ordersOpen()) return;
        CommentaryWindow* window = nullptr;
        WindowManager& manager = WindowManager::instance();
        for (WindowHandle h : manager.childrenOf(game.frame().hwnd()))
            if (auto* c = dynamic_cast<CommentaryWindow*>(manager.find(h)->window)) window = c;
        if (!window) return leave();
        for (int i = 0; i < 60; ++i)
            game.app().commentary().addLine("line " + std::to_string(i));
        const CommentaryScroll& scroll = window->scroll();
        const auto page = static_cast<std::ptrdiff_t>(scroll.shown()) - 1;
        const auto lastTop = static_cast<std::ptrdiff_t>(scroll.lastTop());
        for (const Row& r : rows) {
            const auto before = static_cast<std::ptrdiff_t>(scroll.top());
            std::ptrdiff_t moved = r.moved;
            if (std::string(r.what) == "Page Down") moved = page;
            if (std::string(r.what) == "Page Up") moved = -page;
            const std::ptrdiff_t expected = moved == first ? 0 : moved == last ? lastTop : before + moved;
            const std::intptr_t answer = window->windowProc(r.message, r.wParam, r.lParam);
            const auto after = static_cast<std::ptrdiff_t>(scroll.top());
            if ((answer != 0) != r.taken || after != expected)
                seen.push_back(std::string(r.what) + ": from " + std::to_string(before) + " to " +
                               std::to_string(after) + ", answered " + std::to_string(answer) +
                               ", expected " + std::to_string(expected));
        }
        seen.push_back("page " + std::to_string(page) + (lastTop > 2 * page ? ", room" : ", no room"));
        leave();
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().substr(seen.back().size() - 6), ", room") << seen.back();
    seen.pop_back();
    EXPECT_EQ(seen, std::vector<std::string>{});
}

TEST_F(PlayerMap, TheTargetsFiguresAreLitWithTheirHex) {
    ASSERT_TRUE(game.ready());
    player.fire = true;
    short target = -1;
    FiguresSeen onTarget, onShooter;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (target >= 0) {
            onTarget = figuresOn(app, os, target);
            onShooter = figuresOn(app, os, static_cast<short>(player.unit->getHex()));
            return leave();
        }
        if (player.step == ClickingPlayer::Step::Targeting) {
            auto* shooter = dynamic_cast<MissileCapable*>(player.unit);
            const short hex =
                shooter ? ClickingPlayer::enemyHexIn(app, shooter->getTargetHexes(), *player.unit) : -1;
            // Looked at once the view, centred on it to find it, has been drawn again, and once the target's
            // figures stand on its hex (an enemy still walking there is shot at, and the next volley looked
            // at).
            if (hex >= 0 && shownLandscape(app)->blockCopy(hex).highlight() &&
                figuresOn(app, os, hex).shown > 0) {
                target = hex;
                return;
            }
        }
        player.idle();
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_GE(target, 0) << "no volley was aimed";
    SCOPED_TRACE("target " + std::to_string(target));
    // Some of a figure is covered by the ground and the figures in front of it (an eighth here); the rest
    // shows lit on the target and plain on the shooter.
    EXPECT_GT(onTarget.shown, 100);
    EXPECT_GE(onTarget.lit * 5, onTarget.shown * 4) << onTarget.lit << " lit of " << onTarget.shown;
    EXPECT_GT(onShooter.shown, 100);
    EXPECT_GE(onShooter.plain * 5, onShooter.shown * 4) << onShooter.plain << " plain of " << onShooter.shown;
}

// The nearest empty hex out of a selected unit's reach whose middle shows the hex itself, or -1.
short emptyHexOutOfReach(VaelApp& app, const Combat& unit) {
    const VaelLogicalLandscape* land = app.logicalLayer().getVaelLandscape();
    short best = -1;
    int nearest = 1000;
    for (std::int16_t i = 0; land && i < land->regionCount(); ++i) {
        const short hex = land->idOf(i);
        const int distance = land->hexDistance(static_cast<std::int16_t>(unit.getHex()), hex);
        if (distance >= nearest || distance < 2 || land->firstOccupant(hex) ||
            contains(unit.getValidMoves(), hex) || contains(unit.getAttackHexes(), hex) ||
            !ClickingPlayer::clickable(app, hex))
            continue;
        nearest = distance;
        best = hex;
    }
    return best;
}

// A hex the unit may move to other than its own, clear of others' figures, or -1.
short hexWithinReach(VaelApp& app, const Combat& unit) {
    for (short hex : each(unit.getValidMoves()))
        if (hex != static_cast<short>(unit.getHex()) && hex != unit.getSecondHex() &&
            !contains(unit.getBlockedMoves(), hex) && !contains(unit.getAttackHexes(), hex) &&
            (!unit.isDoubleSized() || contains(unit.getValidMoves(), unit.rightFlankHex(hex))) &&
            ClickingPlayer::clickable(app, hex))
            return hex;
    return -1;
}

// The player picks a unit and clicks an empty hex beyond its reach: the unit stays selected in the rules
// and on the map alike (its outline on its hex, its moves lit, its name in the status bar) and the status
// bar says why nothing moved; a click within reach then moves it. Before, the outline and the status went
// as though the click had let the unit go, and the next click within reach moved it all the same.
TEST_F(PlayerMap, AClickOutOfReachKeepsTheUnitSelectedOnTheMapAsInTheRulesAndSaysWhy) {
    ASSERT_TRUE(game.ready());
    enum Stage { Picking, Refusing, Refused, Moving, Done } stage = Picking;
    Combat* unit = nullptr;
    short far = -1, near = -1, from = -1;
    std::string name, pane1, pane2;
    bool selected = false, outline = false, lit = false, moved = false;
    int waited = 0;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == Done || !playersOrders(app)) return;
        switch (stage) {
        case Picking:
            for (Combat* c : orderable(app))
                if (!unit && !dynamic_cast<MissileCapable*>(c)) unit = c;
            if (!unit) return leave();
            name = unit->getName();
            pointAndClickAt(os, pointOf(static_cast<std::int16_t>(unit->getHex())));
            stage = Refusing;
            return;
        case Refusing:
            far = unit->isSelected() ? emptyHexOutOfReach(app, *unit) : -1;
            near = unit->isSelected() ? hexWithinReach(app, *unit) : -1;
            if (far < 0 || near < 0) {
                stage = Done;
                return leave();
            }
            pointAndClickAt(os, pointOf(far));
            stage = Refused;
            return;
        case Refused:
            selected = unit->isSelected() != 0;
            outline = outlined(static_cast<short>(unit->getHex()));
            lit = shownLandscape(app)->blockCopy(near).highlight() != 0;
            pane1 = status(1), pane2 = status(2);
            from = static_cast<short>(unit->getHex());
            pointAndClickAt(os, pointOf(near));
            stage = Moving;
            return;
        case Moving:
            moved = unit->getHex() != static_cast<std::uint32_t>(from);
            if (!moved && ++waited < 50) return;
            stage = Done;
            return leave();
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_GE(far, 0) << "no unit of his with an empty hex beyond its reach on the screen";
    SCOPED_TRACE(name + ", clicked at " + std::to_string(far) + ", then at " + std::to_string(near));
    EXPECT_TRUE(selected) << "the rules let the unit go";
    EXPECT_TRUE(outline) << "the map shows no outline on the unit";
    EXPECT_TRUE(lit) << "the unit's moves are no longer lit";
    EXPECT_EQ(pane1.rfind(name + " (", 0), 0u) << pane1;
    EXPECT_EQ(pane2, name + " cannot reach that hex.");
    EXPECT_TRUE(moved) << "a unit the map shows selected took no order";
}

// The player clicks the body of one of his unit's figures, which stands up into the hex behind the unit's:
// the unit is picked (selected in the rules, its outline on its hex, its name in the status bar), not the
// hex whose ground lies under the click. Before, only a click on the figures' feet picked the unit. At the
// other two zooms the map's point selection answers the unit's hex for such a point as well.
TEST_F(PlayerMap, AClickOnAFiguresBodyPicksItsUnit) {
    ASSERT_TRUE(game.ready());
    enum Stage { Centring, Clicking, Looking, Done } stage = Centring;
    const std::uint16_t zooms[] = {VaelMapWindow::Normal, VaelMapWindow::ZoomIn, VaelMapWindow::ZoomOut};
    std::size_t zoom = 0;
    Combat* unit = nullptr;
    std::vector<Combat*> candidates;
    bool listed = false;
    std::optional<Point> at;
    std::string name, pane1;
    bool selected = false, outline = false;
    // Of every unit of his with such a point on the screen, at each zoom: the zoom, the unit's hex and the
    // hex the map's point selection answers there.
    std::vector<std::tuple<std::uint16_t, short, short>> picked;
    const auto nextUnit = [&] {
        stage = Centring;
        if (!candidates.empty()) return;
        listed = false;
        if (++zoom == std::size(zooms)) stage = Done, leave();
    };
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == Done || !playersOrders(app)) return;
        VaelMapWindow* w = mapWindow(app);
        switch (stage) {
        case Centring:
            if (!listed) {
                candidates = orderable(app);
                listed = true;
                w->onCommand(zooms[zoom], 0);
            }
            if (candidates.empty()) return nextUnit();
            unit = candidates.back();
            candidates.pop_back();
            // Centred on it, the screen is drawn anew before it is looked at.
            pointOf(static_cast<std::int16_t>(unit->getHex()));
            stage = Clicking;
            return;
        case Clicking: {
            const std::optional<Point> found = figureBodyPoint(
                app, [&](std::int32_t x, std::int32_t y) { return std::optional(os.pixel(x, y)); }, *unit);
            if (!found) return nextUnit();
            const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
            const Point onMap =
                *found - Point(static_cast<std::int16_t>(client.x), static_cast<std::int16_t>(client.y)) +
                w->tile().origin();
            picked.emplace_back(zooms[zoom], static_cast<short>(unit->getHex()),
                                app.views()->normal().regionAtPoint(PointInfo{onMap, w->tile().zoomIndex()}));
            if (zoom == 0 && !at) {
                at = found;
                name = unit->getName();
                pointAndClickAt(os, *at);
                stage = Looking;
                return;
            }
            return nextUnit();
        }
        case Looking:
            selected = unit->isSelected() != 0;
            outline = outlined(static_cast<short>(unit->getHex()));
            pane1 = status(1);
            // Taken back before the next unit is looked at.
            pointAndClickAt(os, *at);
            return nextUnit();
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_TRUE(at) << "no figure of his stands up into another hex on the screen";
    SCOPED_TRACE(name + ", clicked at " + std::to_string(at->x) + "," + std::to_string(at->y));
    EXPECT_TRUE(selected) << "the click picked the hex behind";
    EXPECT_TRUE(outline);
    EXPECT_EQ(pane1.rfind(name + " (", 0), 0u) << pane1;
    for (const std::uint16_t z : zooms)
        EXPECT_GT(
            std::count_if(picked.begin(), picked.end(), [z](const auto& p) { return std::get<0>(p) == z; }),
            0)
            << "no figure's body on the screen at zoom command " << z;
    for (const auto& [z, hex, answered] : picked) {
        SCOPED_TRACE("zoom command " + std::to_string(z) + ", the unit on " + std::to_string(hex));
        EXPECT_EQ(answered, hex);
    }
}

// The pointer leaves a hex straight for the menu bar, or out of the window (onto its title bar): the status
// bar forgets the hex it told.
TEST_F(PlayerMap, TheStatusBarForgetsTheHexWhenThePointerLeavesTheMapForTheMenuBarOrTheTitleBar) {
    ASSERT_TRUE(game.ready());
    const platform::Rect outer = WindowManager::instance().outerOnScreen(game.frame().hwnd());
    const Point onBar(static_cast<std::int16_t>(outer.x + outer.width - 40),
                      static_cast<std::int16_t>(outer.y + MenuTracker::BarHeight / 2));
    const struct {
        const char* what;
        Point to;
    } rows[] = {{"the menu bar", onBar}, {"out of the window", Point(-1, -1)}};
    std::size_t row = 0;
    bool onHex = false;
    Point hex;
    std::vector<std::string> over, after;
    os.idle = [&] {
        if (row == std::size(rows) || !playersOrders(game.app())) return;
        if (!onHex) {
            if (over.empty())
                hex = pointOf(static_cast<std::int16_t>(orderable(game.app()).front()->getHex()));
            pointAt(os, hex);
            onHex = true;
            return;
        }
        if (over.size() == after.size()) {
            over.push_back(status(2));
            pointAt(os, rows[row].to);
            return;
        }
        after.push_back(status(1) + "|" + status(2));
        onHex = false;
        if (++row == std::size(rows)) leave();
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(after.size(), std::size(rows));
    EXPECT_EQ(WindowManager::instance().windowAt(onBar.x, onBar.y), game.frame().hwnd());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].what);
        EXPECT_NE(over[i].find("Hex: "), std::string::npos) << over[i];
        EXPECT_EQ(after[i], "|");
    }
}

// A box that holds the battle (Help, About...) holds the map too: the pointer resting in the map's left
// band under it scrolls nothing; with the box closed, the same band scrolls the map.
TEST_F(PlayerMap, TheMapDoesNotScrollAtItsEdgeUnderAModalBox) {
    ASSERT_TRUE(game.ready());
    Dialog* about = nullptr;
    const auto onWay = game.onDialog;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == AboutDlg::TemplateName)
            about = &d;
        else
            onWay(d, name);
    };
    enum Stage { Opening, Resting, Closing, Scrolling, Done } stage = Opening;
    std::uint32_t since = 0;
    bool pointed = false, onMap = false;
    Point band, before, underBox, after;
    os.idle = [&] {
        VaelApp& app = game.app();
        VaelMapWindow* w = mapWindow(app);
        switch (stage) {
        case Opening: {
            if (!playersOrders(app) || !w) return;
            pointOf(static_cast<std::int16_t>(orderable(app).front()->getHex()));
            const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
            band = Point(static_cast<std::int16_t>(client.x + 5),
                         static_cast<std::int16_t>(client.y + client.height / 3));
            onMap = WindowManager::instance().windowAt(band.x, band.y) == w->hwnd();
            before = w->tile().originCell();
            platform::Event e;
            e.kind = platform::EventKind::Posted;
            e.posted = {game.frame().hwnd(), MessageCommand, RegisteredMessage::getId(msg::HelpAbout), 0};
            os.postEvent(e);
            stage = Resting;
            return;
        }
        case Resting:
            if (!about) return;
            if (!pointed) {
                pointAt(os, band);
                since = os.tickCount(), pointed = true;
                return;
            }
            if (os.tickCount() - since < 1000) return;
            underBox = w->tile().originCell();
            clickOn(os, *about, Dialog::IdOk), about = nullptr;
            stage = Closing;
            return;
        case Closing:
            if (!playersOrders(app)) return;
            pointAt(os, Point(static_cast<std::int16_t>(band.x + 200), band.y));
            pointAt(os, band);
            since = os.tickCount();
            stage = Scrolling;
            return;
        case Scrolling:
            if (os.tickCount() - since < 1000) return;
            after = w->tile().originCell();
            pointAt(os, Point(static_cast<std::int16_t>(band.x + 200), band.y));
            stage = Done;
            return leave();
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_EQ(stage, Done);
    EXPECT_TRUE(onMap) << "the band is not the map's";
    EXPECT_EQ(underBox, before) << "scrolled under About";
    EXPECT_LT(after.x, before.x) << "the band scrolls nothing even without a box: the test proves nothing";
}

// Where a span of the given length starting at `at` stands once held inside [start, start + length).
int clampedInto(int at, int start, int length, int span) {
    return std::max(start, std::min(at, start + length - span));
}

// The view framed nearly fills the overview, so most clicks land in the thumb: the point of the thumb's
// middle row (on the overview's map) that moves it farthest across when the thumb is centred there, on the
// screen and in the overview's own pixels.
std::optional<std::pair<Point, Point>> overviewClickPoint(VaelApp& app) {
    VaelMapWindow* w = mapWindow(app);
    if (!w || !w->tile().overviewShown()) return std::nullopt;
    VaelOverviewMap& overview = w->tile().overview();
    const Bitmap* picture = overview.picture();
    const Box track = overview.getTrack(), thumb = overview.getThumb();
    const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
    const Point corner = w->tile().origin() + overview.origin();
    std::optional<std::pair<Point, Point>> best;
    int farthest = 0;
    for (std::int16_t y = static_cast<std::int16_t>(thumb.y + thumb.h / 2), x = thumb.x;
         x < thumb.x + thumb.w; ++x) {
        const Point p(x, y);
        const int moved = std::abs(clampedInto(x - thumb.w / 2, track.x, track.w, thumb.w) - thumb.x) +
                          std::abs(clampedInto(y - thumb.h / 2, track.y, track.h, thumb.h) - thumb.y);
        if (moved <= farthest || !track.contains(p) || !picture ||
            !picture->isOpaqueAt(p - picture->hotSpot()))
            continue;
        const std::int32_t sx = client.x + corner.x + x, sy = client.y + corner.y + y;
        if (WindowManager::instance().windowAt(sx, sy) != w->hwnd()) continue;
        farthest = moved;
        best = std::pair{Point(static_cast<std::int16_t>(sx), static_cast<std::int16_t>(sy)), p};
    }
    return best;
}

// With a unit selected, a single click on the overview's map centres the view there, in the thumb as
// elsewhere: the thumb stands round the point clicked and the map shows what it frames. The pointer and
// the click touch nothing under the overview: the unit's outline stays and the status bar tells no hex.
// Before, a click in the thumb left the view where it was, and the pointer passing over the overview was
// taken as passing over the hexes under it, which told their numbers and took the outline off the unit.
TEST_F(PlayerMap, AClickOnTheOverviewCentresTheViewAndLeavesTheSelection) {
    ASSERT_TRUE(game.ready());
    enum Stage { Picking, Clicking, Looking, Done } stage = Picking;
    Combat* unit = nullptr;
    std::optional<std::pair<Point, Point>> at;
    Point cellBefore, cellAfter, viewAfter;
    Box thumbAfter, track;
    bool selected = false, outline = false;
    std::string pane2;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == Done || !playersOrders(app)) return;
        VaelMapWindow* w = mapWindow(app);
        switch (stage) {
        case Picking:
            for (Combat* c : orderable(app))
                if (!unit) unit = c;
            if (!unit) return leave();
            pointAndClickAt(os, pointOf(static_cast<std::int16_t>(unit->getHex())));
            stage = Clicking;
            return;
        case Clicking:
            at = unit->isSelected() ? overviewClickPoint(app) : std::nullopt;
            if (!at) {
                stage = Done;
                return leave();
            }
            cellBefore = w->tile().originCell();
            track = w->tile().overview().getTrack();
            pointAndClickAt(os, at->first);
            stage = Looking;
            return;
        case Looking:
            selected = unit->isSelected() != 0;
            outline = outlined(static_cast<short>(unit->getHex()));
            pane2 = status(2);
            cellAfter = w->tile().originCell();
            viewAfter = w->tile().overview().getView().topLeft();
            thumbAfter = w->tile().overview().getThumb();
            stage = Done;
            return leave();
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_TRUE(at) << "no selected unit, or no point of the overview to click";
    const Point p = at->second;
    SCOPED_TRACE("overview point " + std::to_string(p.x) + "," + std::to_string(p.y));
    // The thumb is centred on the point, its halves truncated, as far as the track lets it go; the view it
    // frames then puts it back in whole cells, a pixel short at most.
    EXPECT_NEAR(thumbAfter.x, clampedInto(p.x - thumbAfter.w / 2, track.x, track.w, thumbAfter.w), 1);
    EXPECT_NEAR(thumbAfter.y, clampedInto(p.y - thumbAfter.h / 2, track.y, track.h, thumbAfter.h), 1);
    EXPECT_NE(cellAfter, cellBefore) << "the view did not move";
    EXPECT_EQ(cellAfter, viewAfter) << "the map does not show what the thumb frames";
    EXPECT_TRUE(selected) << "the click let the unit go";
    EXPECT_TRUE(outline) << "the unit's outline went";
    EXPECT_EQ(pane2.find("Hex:"), std::string::npos) << pane2;
}

// The player moves a unit to the farthest hex in its reach; the places its first figure is seen at, one
// look at every idle moment, from the click until it stands still on its new hex. A walk shows it at many
// places along the way; a move without one at its start and its end only.
struct MoveSeen {
    std::string name;
    short from = -1, to = -1;
    bool arrived = false;
    std::set<std::pair<int, int>> places;
};

MoveSeen seeMove(ScriptedPlatform& os, VaelGame& game, const std::function<void()>& leave) {
    enum Stage { Picking, Choosing, Watching, Done } stage = Picking;
    MoveSeen seen;
    Combat* unit = nullptr;
    int still = 0;
    os.idle = [&] {
        VaelApp& app = game.app();
        VaelPhysicalLayer& view = app.views()->normal();
        const auto firstFigure = [&]() -> VaelSprite* {
            const short id = unit ? view.objectId(static_cast<std::uint16_t>(unit->getUnitNum())) : -1;
            PhysicalObject* object = nullptr;
            for (PhysicalObject* o : each(view.objects()))
                if (o->getId() == id) object = o;
            return object && object->spriteCount() > 0 ? dynamic_cast<VaelSprite*>(object->sprite(0))
                                                       : nullptr;
        };
        if (stage == Watching) {
            if (VaelSprite* figure = firstFigure()) {
                const Point at = figure->position(0);
                seen.places.insert({at.x, at.y});
            }
            seen.arrived = unit->getHex() == static_cast<std::uint32_t>(seen.to);
            // Looked at a while longer once nothing moves, for figures that may still be on their way.
            if (seen.arrived && view.movingObjects().count() == 0 && ++still > 20) {
                stage = Done;
                leave();
            }
            return;
        }
        if (stage == Done || !playersOrders(app)) return;
        switch (stage) {
        case Picking:
            for (Combat* c : orderable(app))
                if (!unit && !c->isDoubleSized() && !dynamic_cast<MissileCapable*>(c)) unit = c;
            if (!unit) return leave();
            seen.name = unit->getName();
            seen.from = static_cast<short>(unit->getHex());
            pointAndClickAt(os, *screenPointOf(app, seen.from));
            stage = Choosing;
            return;
        case Choosing: {
            const VaelLogicalLandscape* land = app.logicalLayer().getVaelLandscape();
            int farthest = 0;
            for (short hex : each(unit->getValidMoves()))
                if (!contains(unit->getBlockedMoves(), hex) && !contains(unit->getAttackHexes(), hex) &&
                    ClickingPlayer::clickable(app, hex) && land->hexDistance(seen.from, hex) > farthest)
                    farthest = land->hexDistance(seen.from, hex), seen.to = hex;
            if (seen.to < 0 || !unit->isSelected()) {
                stage = Done;
                return leave();
            }
            pointAndClickAt(os, *screenPointOf(app, seen.to));
            stage = Watching;
            return;
        }
        default:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    return seen;
}

// The player switched Movement animation off in an earlier game: units reach their hexes at once, no
// figure walks the hexes between. Before, nothing told the map of the preference and every move walked.
class PlayerMapMovesUnanimated : public PlayerMap {
protected:
    PlayerMapMovesUnanimated()
        : PlayerMap([](platform::Settings& settings) {
              Preferences off;
              off.movementAnimation = 0;
              off.write(settings, "SOFTWARE\\Tamblor\\Vaelmoric");
          }) {}
};

TEST_F(PlayerMapMovesUnanimated, AUnitsMoveDrawsNoWalk) {
    ASSERT_TRUE(game.ready());
    ASSERT_EQ(game.app().preferences().movementAnimation, 0u);
    const MoveSeen seen = seeMove(os, game, [this] { leave(); });
    ASSERT_GE(seen.to, 0) << "no unit of his to move";
    SCOPED_TRACE(seen.name + " from " + std::to_string(seen.from) + " to " + std::to_string(seen.to));
    EXPECT_TRUE(seen.arrived);
    EXPECT_LE(seen.places.size(), 2u) << "the figure walked";
}

// The same move with the preference on, as the game starts by default: the figure is seen on its way.
TEST_F(PlayerMap, AUnitsMoveWalksWithMovementAnimationOn) {
    ASSERT_TRUE(game.ready());
    const MoveSeen seen = seeMove(os, game, [this] { leave(); });
    ASSERT_GE(seen.to, 0) << "no unit of his to move";
    SCOPED_TRACE(seen.name + " from " + std::to_string(seen.from) + " to " + std::to_string(seen.to));
    EXPECT_TRUE(seen.arrived);
    EXPECT_GE(seen.places.size(), 5u) << "the figure did not walk";
}

// A bowman aims (the missile key), then the player thinks better of it: Escape leaves the choice of target,
// and so, the key pressed again, does the right button on the map. Each time the command is no longer
// checked, the unit stays selected and its moves are lit again. Before, neither left it, and each click
// after answered that there was no enemy there.
class PlayerMapVolley : public PlayerMap {
public:
    using PlayerMap::place;
    using PlayerMap::pointOf;
};

// A bowman of his stood on 1312 facing north-east, with an enemy in front of it within its reach when
// `inReach`, else with none within its range; null when the battle has no such pair.
MissileCapable* bowmanFacing(PlayerMapVolley& t, VaelApp& app, bool inReach, short& enemyHex) {
    MissileCapable* bow = nullptr;
    for (Combat* c : orderable(app))
        if (auto* m = dynamic_cast<MissileCapable*>(c); !bow && m && m->getMissilesLeft() > 0) bow = m;
    if (!bow) return nullptr;
    Combat* enemy = nullptr;
    for (Combat* c : each(app.logicalLayer().getUnits()))
        if (!enemy && c->getNation() != bow->getNation() && !c->isOutOfPlay() && !c->isDoubleSized())
            enemy = c;
    if (!enemy) return nullptr;
    t.place(*bow, 1312, NorthEast);
    const VaelLogicalLandscape* land = app.logicalLayer().getVaelLandscape();
    enemyHex = -1;
    for (std::int16_t i = 0; i < land->regionCount() && enemyHex < 0; ++i) {
        const short hex = land->idOf(i);
        const int distance = land->hexDistance(1312, hex);
        if (land->firstOccupant(hex) || distance < 2 ||
            (inReach ? distance > bow->getRange() : distance <= bow->getRange() + 2))
            continue;
        t.place(*enemy, hex, West);
        const bool target = contains(bow->findTargets(), hex);
        if (inReach ? target : !target) enemyHex = hex;
    }
    return enemyHex < 0 ? nullptr : bow;
}

TEST_F(PlayerMapVolley, EscapeAndTheRightButtonLeaveTheChoiceOfTarget) {
    ASSERT_TRUE(game.ready());
    enum Stage { Placing, Keyed, Escaping, Escaped, Righting, Righted, Done } stage = Placing;
    MissileCapable* bow = nullptr;
    short enemyHex = -1, move = -1;
    bool aimed = false, aimedAgain = false;
    std::vector<bool> choosing, checked, selected, lit;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == Done || !playersOrders(app)) return;
        const auto look = [&] {
            choosing.push_back(bow->isChoosingTarget() != 0);
            checked.push_back(volleyChecked());
            selected.push_back(bow->isSelected() != 0);
            move = hexWithinReach(app, *bow);
            lit.push_back(move >= 0 && shownLandscape(app)->blockCopy(move).highlight());
        };
        switch (stage) {
        case Placing:
            bow = bowmanFacing(*this, app, true, enemyHex);
            if (!bow) {
                stage = Done;
                return leave();
            }
            pointAndClickAt(os, pointOf(1312));
            stage = Keyed;
            return;
        case Keyed:
            if (!bow->isSelected()) return;
            pressMissileKey(os);
            stage = Escaping;
            return;
        case Escaping:
            aimed = bow->isChoosingTarget() != 0 && volleyChecked();
            pressKey(os, platform::KeyEscape);
            stage = Escaped;
            return;
        case Escaped:
            look();
            pressMissileKey(os);
            stage = Righting;
            return;
        case Righting:
            aimedAgain = bow->isChoosingTarget() != 0;
            rightClickAt(os, pointOf(enemyHex));
            stage = Righted;
            return;
        case Righted:
            look();
            stage = Done;
            return leave();
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_GE(enemyHex, 0) << "no bowman and enemy to set up";
    ASSERT_TRUE(aimed) << "the missile key did not start the choice of target";
    ASSERT_TRUE(aimedAgain);
    // After Escape, then after the right button.
    EXPECT_EQ(choosing, (std::vector<bool>{false, false}));
    EXPECT_EQ(checked, (std::vector<bool>{false, false}));
    EXPECT_EQ(selected, (std::vector<bool>{true, true}));
    EXPECT_EQ(lit, (std::vector<bool>{true, true}));
}

// With no enemy within its range the missile key says so and leaves the bowman as it was: no choice of
// target, the command not checked, and a click within its reach moves it. Before, the map stayed waiting
// for a target and answered every click that there was no enemy there.
TEST_F(PlayerMapVolley, TheKeyWithNoEnemyInRangeSaysWhyAndLeavesTheMapToMoves) {
    ASSERT_TRUE(game.ready());
    enum Stage { Placing, Keyed, Told, Moving, Done } stage = Placing;
    MissileCapable* bow = nullptr;
    short enemyHex = -1, move = -1;
    std::string name, told;
    bool choosing = true, checked = true, moved = false;
    int waited = 0;
    os.idle = [&] {
        VaelApp& app = game.app();
        if (stage == Done || (stage != Moving && !playersOrders(app))) return;
        switch (stage) {
        case Placing:
            bow = bowmanFacing(*this, app, false, enemyHex);
            if (!bow) {
                stage = Done;
                return leave();
            }
            name = bow->getName();
            pointAndClickAt(os, pointOf(1312));
            stage = Keyed;
            return;
        case Keyed:
            if (!bow->isSelected()) return;
            pressMissileKey(os);
            stage = Told;
            return;
        case Told:
            told = status(2);
            choosing = bow->isChoosingTarget() != 0;
            checked = volleyChecked();
            move = hexWithinReach(app, *bow);
            if (move < 0) {
                stage = Done;
                return leave();
            }
            pointAndClickAt(os, pointOf(move));
            stage = Moving;
            return;
        case Moving:
            moved = bow->getHex() == static_cast<std::uint32_t>(move);
            if (!moved && ++waited < 50) return;
            stage = Done;
            return leave();
        case Done:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_GE(enemyHex, 0) << "no bowman and enemy to set up";
    ASSERT_GE(move, 0);
    EXPECT_EQ(told, name + " has no enemy within range (4 hexes).");
    EXPECT_FALSE(choosing);
    EXPECT_FALSE(checked);
    EXPECT_TRUE(moved) << "a click within reach after the refused key did not move the bowman";
}

// A leader orders only his own nation's troops. Our battles make their allies their side's nation, but a
// scenario file from elsewhere may field a second nation on one side as it is; the test makes one of the
// player's other leaders and his troops such a nation (the Greeks, code 0, in the Plain of Threnmoor).
// Clicked while a Macedonian leader gives orders, such an ally says whose orders it waits for and is not
// taken. Before, its figures showed in the status bar with no reason why it would not be ordered. A unit of
// a leader of the other side whom the computer does not play (the other machine's, in network play; here
// the test makes one of the player's leaders the visitor's nation) is told as the enemy's: it never
// answers to the leader giving orders. Before, it read as if it could ("... answers to Melagor, not to
// Surendal."). The test's own leader of the other side is the player's, whom the computer does not play.
class AnotherLeadersUnit : public PlayerMap {
protected:
    // One of the player's other home leaders and his troops made the nation given; a unit of his clicked.
    void pointAtOneOfHis(bool enemy) {
        scenario = "The Plain of Threnmoor";
        ASSERT_TRUE(game.ready());
        enum Stage { Picking, Looking, Done } stage = Picking;
        Combat* ally = nullptr;
        std::string expected, said;
        bool taken = true;
        os.idle = [&] {
            VaelApp& app = game.app();
            if (stage == Done || !playersOrders(app)) return;
            GameControl* control = app.gameControl();
            const Leader* active = control->leaderAt(control->getActiveLeader()).leader;
            switch (stage) {
            case Picking:
                for (Combat* c : each(app.logicalLayer().getUnits())) {
                    if (ally || c->isOutOfPlay() || c->isLeader() ||
                        !screenPointOf(app, static_cast<std::int16_t>(c->getHex())))
                        continue;
                    for (Leader* own : each(app.logicalLayer().getHomeLeaders()))
                        if (!ally && own != active && own->getLeaderId() == c->getLeaderId() &&
                            !own->isComputerControlled()) {
                            constexpr std::uint32_t Greek = 0;
                            const std::uint32_t nation =
                                enemy ? app.logicalLayer().getVisitorNation() : Greek;
                            ASSERT_NE(active->getNation(), nation);
                            own->setNation(nation);
                            for (Combat* his : each(app.logicalLayer().getUnits()))
                                if (his->getLeaderId() == own->getLeaderId()) his->setNation(nation);
                            ally = c;
                            expected = enemy ? c->getName() + " is of the enemy's army, under " +
                                                   own->getName() + "."
                                             : c->getName() + " answers to " + own->getName() + ", not to " +
                                                   active->getName() + ".";
                        }
                }
                if (!ally) {
                    stage = Done;
                    return leave();
                }
                pointAndClickAt(os, pointOf(static_cast<std::int16_t>(ally->getHex())));
                stage = Looking;
                return;
            case Looking:
                said = status(2);
                taken = ally->isSelected() != 0;
                stage = Done;
                return leave();
            case Done:
                return;
            }
        };
        EXPECT_EQ(game.run(), 0);
        ASSERT_NE(ally, nullptr) << "no unit of another leader of his on the screen";
        EXPECT_EQ(said, expected);
        EXPECT_FALSE(taken);
    }
};

TEST_F(AnotherLeadersUnit, AnAllyOfAnotherNationSaysWhoseOrdersItTakes) {
    pointAtOneOfHis(false);
}

TEST_F(AnotherLeadersUnit, AUnitOfTheOtherSidesLeaderIsToldAsTheEnemys) {
    pointAtOneOfHis(true);
}

} // namespace
} // namespace vael::test
