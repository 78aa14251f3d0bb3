// The game in its real window under Xvfb: the frame opens at 1024 by 768 as the X server measures it, a
// battle is started by clicks on the dialogs, the player's first leader is played and finished, and the
// window is saved as "game_first_activation.png" in the build folder for people to look at.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>

#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/leader.h"
#include "game/shell/combat_results_dlg.h"
#include "game/shell/game_overview_dlg.h"
#include "game/shell/information_dlg.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "platform/sdl/sdl_platform.h"
#include "support/bus_recorder.h"
#include "support/temp_dir.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

platform::SdlPlatform* os = nullptr;
VaelGame* game = nullptr;
int humanActivations = 0;
bool shot = false;
Grab picture;

void post(platform::EventKind kind, int x, int y) {
    platform::Event e;
    e.kind = kind, e.button = platform::ButtonLeft, e.x = x, e.y = y;
    os->postEvent(e);
}

void click(Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr);
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    post(platform::EventKind::ButtonDown, client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
    post(platform::EventKind::ButtonUp, client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

// The player finishes his first leader through the leader menu's command; when the next leader comes up
// the window is taken and the game closed as by its close button.
ContainerBase* activated(Component*, BusMessage, ContainerBase*) {
    GameControl* control = game->app().gameControl();
    const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
    if (leader && !leader->isComputerControlled() && ++humanActivations == 1) {
        game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
        return nullptr;
    }
    if (humanActivations >= 1 && !shot) {
        shot = true;
        picture = grabWindow(os->window());
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os->postEvent(close);
    }
    return nullptr;
}

bool writePng(const Grab& grab, const std::filesystem::path& file) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, grab.width, grab.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < grab.height; ++y)
        for (int x = 0; x < grab.width; ++x)
            reinterpret_cast<std::uint32_t*>(data + y * stride)[x] =
                grab.rgb[std::size_t(y) * grab.width + x];
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

TEST(GameWindow, OpensAtItsSizeAndShowsTheBattleAfterThePlayersFirstActivation) {
    TempDir dir("game-window");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto platform = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(platform) << error;
    os = platform.get();
    std::srand(4);
    VaelGame vael(*platform, VAEL_BUILD_DATA_DIR);
    game = &vael;
    ASSERT_TRUE(vael.ready());
    const Grab opened = grabWindow(platform->window());
    EXPECT_EQ((std::pair{opened.width, opened.height}), (std::pair{1024, 768}));
    Probe probe("Player");
    probe.setup = [](Probe& p) { p.connectNamed("ActivateLeader", activated); };
    probe.attach(vael.app().logicalLayer());
    vael.onDialog = [](Dialog& d, const std::string& name) {
        for (const char* way : {InformationDlg::TemplateName, EndTurnDlg::TemplateName,
                                ArmyRoutDlg::TemplateName, EliteInitiativeDlg::TemplateName,
                                VaelEliteInitiativeDlg::TemplateName, OverallCombatResultsDlg::TemplateName})
            if (name == way) click(d, Dialog::IdOk);
        if (name == StartGameDlg::TemplateName) click(d, StartGameDlg::IdStartBattle);
        if (name == ScenarioDlg::TemplateName) click(d, Dialog::IdOk);
        if (name == IntroDlg::TemplateName) click(d, IntroDlg::IdHomePlayer), click(d, Dialog::IdOk);
    };
    EXPECT_EQ(vael.run(), 0);
    ASSERT_TRUE(shot);
    ASSERT_EQ((std::pair{picture.width, picture.height}), (std::pair{1024, 768}));
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "game_first_activation.png"));
    game = nullptr, os = nullptr;
}

} // namespace
} // namespace vael::test
