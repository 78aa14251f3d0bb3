// What a new player met on the battle map, played by clicks and keys on the game on the headless platform
// with the forged data: the map's close box puts it away as an icon he can see and reach, and the target
// hexes lit for a volley show lit though the enemy's figures stand on them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "framework/core/list_walk.h"
#include "framework/display/bitmap.h"
#include "framework/display/logical_palette.h"
#include "framework/ui/window_manager.h"
#include "game/map/vael_landscape_tile.h"
#include "game/map/vael_sprite.h"
#include "game/shell/clicking_player.h"
#include "game/shell/scripted_platform.h"
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
    PlayerMap() {
        game.onDialog = [this](Dialog& d, const std::string& name) {
            if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
            if (name == StartGameDlg::TemplateName)
                clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
            else if (name == ScenarioDlg::TemplateName)
                clickOn(os, d, Dialog::IdOk);
            else if (name == IntroDlg::TemplateName)
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
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
    ClickingPlayer player;
    int starts = 0;
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
    // Every sprite of the view, from the grid of screen cells it is filed in.
    std::set<Sprite*> sprites;
    VaelPhysicalLayer& view = app.views()->normal();
    for (std::int16_t row = 0; view.gridCell(0, row); ++row)
        for (std::int16_t column = 0; const List<Sprite*>* cell = view.gridCell(column, row); ++column)
            for (Sprite* sprite : each(*cell))
                sprites.insert(sprite);
    for (Sprite* sprite : sprites) {
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
            // figures stand on its hex (an enemy still walking there is shot at, and the next volley looked at).
            if (hex >= 0 && shownLandscape(app)->blockCopy(hex).highlight() && figuresOn(app, os, hex).shown > 0) {
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

} // namespace
} // namespace vael::test
