// Our battles in the game's real window under Xvfb: the player picks one in Choose Scenario by the mouse
// (the dialog is saved as "player_choose_scenario.png" once it shows his pick) and that battle begins;
// and the first turn of each battle, both sides waiting for their players, is saved as
// "battle_first_turn_<name>.png" in the build folder for people to look at.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

void post(platform::Platform& os, platform::EventKind kind, int x, int y) {
    platform::Event e;
    e.kind = kind, e.button = platform::ButtonLeft, e.x = x, e.y = y;
    os.postEvent(e);
}

void clickAt(platform::Platform& os, const Dialog& dialog, int x, int y) {
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    post(os, platform::EventKind::ButtonDown, client.x + x, client.y + y);
    post(os, platform::EventKind::ButtonUp, client.x + x, client.y + y);
}

// Whatever the X server has not yet been shown is taken after a pause for it.
Grab settledGrab(platform::SdlPlatform& sdl) {
    platform::Event e;
    for (int i = 0; i < 10; ++i) {
        while (sdl.pollEvent(e)) {
        }
        SDL_Delay(5);
    }
    return grabWindow(sdl.window());
}

std::size_t colours(const Grab& grab) {
    return std::set<std::uint32_t>(grab.rgb.begin(), grab.rgb.end()).size();
}

TEST(ChooseScenario, ThePlayerPicksABattleByMouseAndThatBattleBegins) {
    TempDir dir("choose-scenario");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto sdl = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(sdl) << error;
    std::srand(4);
    WatchedPlatform watched(*sdl);
    VaelGame vael(watched, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(vael.ready());
    ScenarioDlg* choosing = nullptr;
    std::vector<std::string> listed;
    std::string shownWhenPicked;
    bool shot = false, closing = false;
    Grab picture;
    vael.onDialog = [&](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) clickItem(*sdl, d, Dialog::IdOk);
        if (name == StartGameDlg::TemplateName) clickItem(*sdl, d, StartGameDlg::IdStartBattle);
        if (name == IntroDlg::TemplateName)
            clickItem(*sdl, d, IntroDlg::IdHomePlayer), clickItem(*sdl, d, Dialog::IdOk);
        if (name != ScenarioDlg::TemplateName) return;
        choosing = dynamic_cast<ScenarioDlg*>(&d);
        DialogItemWindow* list = d.item(ScenarioDlg::IdList);
        ASSERT_TRUE(choosing && list);
        for (std::int32_t i = 0; i < list->rowCount(); ++i)
            listed.push_back(list->row(i)->text);
        // The third row, as the player sees it: the rows start inside the list's frame.
        const std::int32_t row = list->findExact("The Pass of Korvath");
        ASSERT_EQ(row, 2);
        const Box b = list->box();
        clickAt(*sdl, d, b.x + b.w / 3,
                b.y + 2 + (row - list->topRow()) * DialogItemWindow::RowHeight +
                    DialogItemWindow::RowHeight / 2);
    };
    // Once the dialog shows the battle he clicked, it is taken and OK pressed; once that battle runs, the
    // game is closed as by its close button.
    watched.idle = [&] {
        if (choosing && !shot && choosing->chosen() && choosing->chosenIndex() == 2) {
            shot = true;
            shownWhenPicked = choosing->chosen()->fileName;
            picture = settledGrab(*sdl);
            clickItem(*sdl, *choosing, Dialog::IdOk);
            choosing = nullptr;
        }
        if (shot && !closing && vael.app().battleRunning()) {
            closing = true;
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            sdl->postEvent(close);
        }
    };
    EXPECT_EQ(vael.run(), 0);
    EXPECT_EQ(listed,
              (std::vector<std::string>{"The Fords of Ghatmar", "The Fords of Velmesk", "The Pass of Korvath",
                                        "The Plain of Threnmoor", "The Woods of Ardhun"}));
    ASSERT_TRUE(shot);
    EXPECT_EQ(shownWhenPicked, "korvath.scn");
    EXPECT_TRUE(closing) << "the battle did not begin";
    // The battle begun is the file its variant names.
    EXPECT_EQ(vael.app().logicalLayer().getScenarioName(), "KORVATH.SCN");
    EXPECT_GT(colours(picture), 20u);
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "player_choose_scenario.png"));
}

VaelMapWindow* mapWindowOf(VaelGame& game) {
    for (VaelPhysicalLayer* layer : {&game.app().views()->normal(), &game.app().views()->reversed()}) {
        Item<Viewport*>* it = nullptr;
        if (layer->viewports().firstItem(it) && it) return dynamic_cast<VaelMapWindow*>(it->value->display());
    }
    return nullptr;
}

// Each battle begun with both sides to players, so that nothing moves, its map window open at half size
// on the middle of the field.
TEST(OurBattles, EachBattlesFirstTurnIsTakenFromTheWindow) {
    TempDir dir("battle-first-turn");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    for (const char* name : {"ARDHUN.SCN", "KORVATH.SCN", "THRENMOOR.SCN", "VELMESK.SCN"}) {
        SCOPED_TRACE(name);
        std::string error;
        auto sdl = platform::SdlPlatform::create(dir / "settings.ini", error);
        ASSERT_TRUE(sdl) << error;
        std::srand(4);
        VaelGame game(*sdl, VAEL_BUILD_DATA_DIR);
        ASSERT_TRUE(game.ready());
        game.onDialog = [](Dialog& d, const std::string&) { d.close(Dialog::IdOk); };
        // The game opens the map window as the battle begins.
        ASSERT_TRUE(game.app().startBattle(name, VaelApp::CustomScenario, false, false, error)) << error;
        VaelMapWindow* window = mapWindowOf(game);
        ASSERT_NE(window, nullptr);
        Container<short> middle(1510);
        delete game.app().queryNamed("Center On Region", &middle);
        window->onCommand(VaelMapWindow::Normal, 0);
        window->tile().paint();
        WindowManager& wm = WindowManager::instance();
        wm.repaint(wm.outerOnScreen(WinApp::mainWindowHandle()));
        const Grab shot = settledGrab(*sdl);
        EXPECT_GT(colours(shot), 20u);
        std::string file = name;
        file = file.substr(0, file.find('.'));
        for (char& c : file)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(
            writePng(shot, std::filesystem::path(VAEL_BUILD_DIR) / ("battle_first_turn_" + file + ".png")));
    }
}

} // namespace
} // namespace vael::test
