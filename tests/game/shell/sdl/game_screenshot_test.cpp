// The game in its real window under Xvfb: the frame opens at 1024 by 768 as the X server measures it, a
// battle is started by clicks on the dialogs, the player's first leader is played by clicks on the map (a
// unit picked, its moves lit, a lit hex clicked and walked to), and the window is saved as
// "game_first_activation.png" in the build folder for people to look at.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "battle_window.h"
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/scenario_records.h"
#include "game/shell/clicking_player.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "support/bus_recorder.h"
#include "support/temp_dir.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

TEST(GameWindow, OpensAtItsSizeAndShowsTheBattleAfterThePlayersFirstActivation) {
    BattleWindow w("game-window");
    ASSERT_TRUE(w.ready());
    const Grab opened = grabWindow(w.platform->window());
    EXPECT_EQ((std::pair{opened.width, opened.height}), (std::pair{1024, 768}));
    // Once his unit has walked to the hex he clicked, the window is taken with the unit still selected, and
    // the game closed as by its close button. The rules have the unit there before its figures have walked
    // the way: the window is looked at, as a person looks, until they stand in the hex (the red of their
    // tunics fills it above its middle, where an empty hex shows only grass and the selection's yellow
    // outline) and stand still, or for long enough that they never will.
    bool shot = false, arrived = false;
    Grab picture;
    int red = 0, before = -1, x0 = 0, y0 = 0;
    std::chrono::steady_clock::time_point arrivedAt, lookedAt;
    const auto redAtHex = [&](const Grab& g) {
        int n = 0;
        for (int y = std::max(y0 - 40, 0); y < std::min(y0 + 10, g.height); ++y)
            for (int x = std::max(x0 - 30, 0); x < std::min(x0 + 30, g.width); ++x) {
                const std::uint32_t p = g.rgb[std::size_t(y) * std::size_t(g.width) + std::size_t(x)];
                n += (p >> 16 & 0xFF) > 150 && (p >> 8 & 0xFF) < 90 && (p & 0xFF) < 90;
            }
        return n;
    };
    w.player.arrived = [&] {
        arrived = true;
        arrivedAt = std::chrono::steady_clock::now();
        VaelMapWindow* map = mapWindow(w.game->app());
        PointedVaelLandscape* land = shownLandscape(w.game->app());
        if (map && land && w.player.unit) {
            const platform::Rect client = WindowManager::instance().clientOnScreen(map->hwnd());
            const Point3D c = land->blockCenter(static_cast<std::int16_t>(w.player.unit->getHex()));
            const Point origin = map->tile().origin();
            x0 = client.x + c.x - origin.x, y0 = client.y + c.y - origin.y;
        }
        return true;
    };
    w.watched->idle = [&] {
        if (!arrived) return w.player.idle();
        const auto now = std::chrono::steady_clock::now();
        if (shot || now - lookedAt < std::chrono::milliseconds(200)) return;
        lookedAt = now;
        picture = grabWindow(w.platform->window());
        before = std::exchange(red, redAtHex(picture));
        if ((red <= 60 || red != before) && now - arrivedAt < std::chrono::seconds(20)) return;
        shot = true;
        w.leave();
    };
    w.game->onDialog = [&w](Dialog& d, const std::string& name) { w.intoBattle(d, name); };
    EXPECT_EQ(w.game->run(), 0);
    ASSERT_TRUE(shot);
    EXPECT_EQ(w.player.faults, std::vector<std::string>{});
    EXPECT_EQ(w.player.moves, 1);
    ASSERT_EQ((std::pair{picture.width, picture.height}), (std::pair{1024, 768}));
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "game_first_activation.png"));
    EXPECT_GT(red, 60) << "no figures of the unit on its hex at (" << x0 << ", " << y0 << ")";
}

// The demonstration battle in the program's map window, as the program draws it on each zoom of both views:
// the map window's client area (with the overview in its corner) on the X server, saved as
// "map_<view>_<zoom>.png" in the build folder, and the same area of the headless platform after the same
// steps, pixel for pixel. Both sides wait for their player, so nothing moves between the two.
struct MapShot {
    std::string name;
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    // 1 where the map window itself shows, 0 where a window of the battle floats over it.
    std::vector<std::uint8_t> onMap;
};

VaelMapWindow* mapWindowOf(VaelGame& game) {
    for (VaelPhysicalLayer* layer : {&game.app().views()->normal(), &game.app().views()->reversed()}) {
        Item<Viewport*>* it = nullptr;
        if (layer->viewports().firstItem(it) && it) return dynamic_cast<VaelMapWindow*>(it->value->display());
    }
    return nullptr;
}

// Starts the battle with both sides to players, its map window opened as the program opens it, and takes
// the window at full, half and quarter size in the normal view, then in the reversed one.
template <class Read> std::vector<MapShot> mapShots(platform::Platform& os, Read read) {
    std::vector<MapShot> shots;
    std::srand(4);
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    EXPECT_TRUE(game.ready());
    // The players' choices before the battle (rout levels, elite initiative) are taken as they stand.
    game.onDialog = [](Dialog& d, const std::string&) { d.close(Dialog::IdOk); };
    std::string error;
    // The game opens the map window as the battle begins.
    EXPECT_TRUE(game.app().startBattle("GHATMAR.SCN", VaelApp::CustomScenario, false, false, error)) << error;
    VaelMapWindow* window = mapWindowOf(game);
    if (!window) return ADD_FAILURE() << "no map window", shots;
    // The middle of the battlefield, between the two armies, in the middle of the view; every zoom and
    // the turn of the view keep it there.
    Container<short> middle(1510);
    delete game.app().queryNamed("Center On Region", &middle);
    const struct {
        const char* name;
        std::uint16_t command;
    } zooms[] = {{"full", VaelMapWindow::ZoomIn},
                 {"half", VaelMapWindow::Normal},
                 {"quarter", VaelMapWindow::ZoomOut}};
    for (const char* view : {"normal", "reversed"}) {
        if (std::string(view) == "reversed") window->onCommand(VaelMapWindow::ReverseView, 0);
        for (const auto& zoom : zooms) {
            window->onCommand(zoom.command, 0);
            window->tile().paint();
            WindowManager& wm = WindowManager::instance();
            wm.repaint(wm.outerOnScreen(WinApp::mainWindowHandle()));
            const platform::Rect client = wm.clientOnScreen(window->hwnd());
            MapShot shot{std::string("map_") + view + "_" + zoom.name, client.width, client.height, {}, {}};
            read(client, shot.rgb);
            for (int y = 0; y < client.height; ++y)
                for (int x = 0; x < client.width; ++x)
                    shot.onMap.push_back(wm.windowAt(client.x + x, client.y + y) == window->hwnd());
            shots.push_back(std::move(shot));
        }
    }
    return shots;
}

TEST(MapWindow, EachZoomOfBothViewsShowsTheBattleAsTheHeadlessPlatformDrawsIt) {
    TempDir dir("map-window");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    std::vector<MapShot> shown;
    {
        auto sdl = platform::SdlPlatform::create(dir / "settings.ini", error);
        ASSERT_TRUE(sdl) << error;
        shown = mapShots(*sdl, [&](const platform::Rect& r, std::vector<std::uint32_t>& rgb) {
            // Whatever the X server has not yet been shown is taken after a pause for it.
            platform::Event e;
            for (int i = 0; i < 10; ++i) {
                while (sdl->pollEvent(e)) {
                }
                SDL_Delay(5);
            }
            const Grab whole = grabWindow(sdl->window());
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x)
                    rgb.push_back(x < whole.width && y < whole.height
                                      ? whole.rgb[std::size_t(y) * whole.width + x]
                                      : 0xFF000000u);
        });
    }
    platform::HeadlessPlatform headless(dir / "headless.ini");
    const std::vector<MapShot> drawn =
        mapShots(headless, [&](const platform::Rect& r, std::vector<std::uint32_t>& rgb) {
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x)
                    rgb.push_back(headless.pixel(x, y));
        });
    ASSERT_EQ(shown.size(), 6u);
    ASSERT_EQ(drawn.size(), 6u);
    for (std::size_t k = 0; k < shown.size(); ++k) {
        SCOPED_TRACE(shown[k].name);
        ASSERT_GT(shown[k].width, 600);
        ASSERT_GT(shown[k].height, 400);
        Grab png{shown[k].width, shown[k].height, shown[k].rgb};
        EXPECT_TRUE(writePng(png, std::filesystem::path(VAEL_BUILD_DIR) / (shown[k].name + ".png")));
        ASSERT_EQ((std::pair{drawn[k].width, drawn[k].height}), (std::pair{shown[k].width, shown[k].height}));
        std::size_t differ = 0, first = shown[k].rgb.size();
        // The map itself: the commentary floats over its corner, its text in the platform's own font.
        ASSERT_TRUE(shown[k].onMap == drawn[k].onMap) << "other windows over the map";
        for (std::size_t i = 0; i < shown[k].rgb.size(); ++i)
            if (shown[k].onMap[i] && shown[k].rgb[i] != drawn[k].rgb[i]) ++differ, first = std::min(first, i);
        EXPECT_EQ(differ, 0u) << "first at x " << (first % shown[k].width) << " y "
                              << (first / shown[k].width);
        // Not one colour: the battlefield is there.
        std::set<std::uint32_t> colours(shown[k].rgb.begin(), shown[k].rgb.end());
        EXPECT_GT(colours.size(), 20u);
    }
}

} // namespace
} // namespace vael::test
