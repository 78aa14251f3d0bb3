// A saved game's description as the player gives and finds it, in the real window under Xvfb: a battle
// begun by clicks, saved through the Save Game command with a name and a description typed into its
// dialog, then File > Open Game, whose list shows the game with its description. The load dialog is saved
// as "saved_game_load_list.png" in the build folder for people to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/shell/clicking_player.h"
#include "game/shell/saved_game_header.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

platform::Platform* os = nullptr;

void click(Dialog& dialog, std::int16_t id) {
    ASSERT_NE(dialog.item(id), nullptr);
    clickItem(*os, dialog, id);
}

void type(const std::string& text) {
    platform::Event e;
    e.kind = platform::EventKind::Text, e.text = text;
    os->postEvent(e);
}

TEST(SavedGameDescription, IsTypedWhenSavingAndShownInTheLoadList) {
    TempDir dir("saved-description");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto platform = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(platform) << error;
    os = platform.get();
    std::srand(4);
    WatchedPlatform watched(*platform);
    VaelGame vael(watched, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(vael.ready());
    const std::filesystem::path saved = VaelApp::savedGamesDirectory() / "fords.vel";
    ClickingPlayer player;
    player.os = &watched, player.game = &vael;
    player.saveAt = [](int) { return true; };
    bool openAsked = false, listSeen = false;
    Dialog* loading = nullptr;
    std::vector<std::string> rows;
    Grab picture;
    // The player's first activation saves; once the file is there he opens File > Open Game; once its list
    // is drawn the window is taken, and he cancels and leaves.
    watched.idle = [&] {
        if (loading && !listSeen) {
            listSeen = true;
            picture = grabWindow(platform->window());
            if (DialogItemWindow* list = loading->item(LoadSaveDlg::IdList))
                for (std::int32_t i = 0; list->row(i); ++i)
                    rows.push_back(list->row(i)->text);
            click(*loading, Dialog::IdCancel);
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            platform->postEvent(close);
            return;
        }
        if (!openAsked && std::filesystem::exists(saved)) {
            openAsked = true;
            vael.app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                   RegisteredMessage::getId("FileOpenGame"), 0);
            return;
        }
        if (!openAsked) player.idle();
    };
    vael.onDialog = [&](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) click(d, Dialog::IdOk);
        if (name == StartGameDlg::TemplateName) click(d, StartGameDlg::IdStartBattle);
        if (name == ScenarioDlg::TemplateName) click(d, Dialog::IdOk);
        if (name == IntroDlg::TemplateName) click(d, IntroDlg::IdHomePlayer), click(d, Dialog::IdOk);
        if (name == LoadSaveDlg::TemplateName && !openAsked) {
            click(d, LoadSaveDlg::IdFileName);
            type("fords");
            click(d, LoadSaveDlg::IdDescription);
            type("Before the fords");
            click(d, Dialog::IdOk);
        } else if (name == LoadSaveDlg::TemplateName) {
            loading = &d;
        }
    };
    EXPECT_EQ(vael.run(), 0);
    ASSERT_TRUE(std::filesystem::exists(saved));
    std::string description;
    std::ifstream in(saved, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_TRUE(readSavedDescription(bytes, description));
    EXPECT_EQ(description, "Before the fords");
    ASSERT_TRUE(listSeen);
    // The autosave of his activation stands beside it, without a description.
    EXPECT_EQ(rows, (std::vector<std::string>{"Autosave.vel", "fords.vel - Before the fords"}));
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "saved_game_load_list.png"));
    os = nullptr;
}

} // namespace
} // namespace vael::test
