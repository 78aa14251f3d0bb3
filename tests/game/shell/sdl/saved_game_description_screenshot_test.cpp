// A saved game's description as the player gives and finds it, in the real window under Xvfb: a battle
// begun by clicks, saved through the Save Game command with a name and a description typed into its
// dialog, then File > Open Game, whose list shows the game with its description. The load dialog is saved
// as "saved_game_load_list.png" in the build folder for people to look at. A game damaged on the disk after
// it was saved is refused when the player opens it, with the reason in a box ("saved_game_damaged.png").
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "battle_window.h"
#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/shell/clicking_player.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/saved_game_header.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "save_and_list.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

TEST(SavedGameDescription, IsTypedWhenSavingAndShownInTheLoadList) {
    BattleWindow w("saved-description");
    ASSERT_TRUE(w.ready());
    const std::filesystem::path saved = VaelApp::savedGamesDirectory() / "fords.vel";
    const auto type = [&w](const std::string& text) {
        platform::Event e;
        e.kind = platform::EventKind::Text, e.text = text;
        w.platform->postEvent(e);
    };
    // The player's first activation saves, with a name and a description typed into Save Game's dialog.
    const SavedAndListed seen = saveThenList(w, saved, [&](Dialog& d) {
        w.click(d, LoadSaveDlg::IdFileName);
        type("fords");
        w.click(d, LoadSaveDlg::IdDescription);
        type("Before the fords");
    });
    ASSERT_TRUE(std::filesystem::exists(saved));
    std::string description;
    std::ifstream in(saved, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_TRUE(readSavedDescription(bytes, description));
    EXPECT_EQ(description, "Before the fords");
    ASSERT_TRUE(seen.listSeen);
    // The autosave of his activation stands beside it, without a description.
    EXPECT_EQ(seen.rows, (std::vector<std::string>{"Autosave.vel", "fords.vel - Before the fords"}));
    EXPECT_TRUE(writePng(seen.picture, std::filesystem::path(VAEL_BUILD_DIR) / "saved_game_load_list.png"));
}

TEST(SavedGameDescription, AGameDamagedOnTheDiskIsRefusedWithTheReasonWhenThePlayerOpensIt) {
    BattleWindow w("saved-damaged");
    ASSERT_TRUE(w.ready());
    const std::filesystem::path saved = VaelApp::savedGamesDirectory() / "damaged.vel";
    w.player.saveAt = [](int) { return true; };
    bool openAsked = false;
    Dialog* told = nullptr;
    std::vector<std::string> lines;
    Grab picture;
    // Once his save is on the disk one bit of it turns, and he opens it through File > Open Game.
    w.watched->idle = [&] {
        if (told && lines.empty()) {
            picture = grabWindow(w.platform->window());
            lines = static_cast<InformationDlg*>(told)->lines();
            w.click(*told, Dialog::IdOk);
            w.leave();
            return;
        }
        if (!openAsked && std::filesystem::exists(saved)) {
            openAsked = true;
            std::fstream file(saved, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(1000);
            const char byte = static_cast<char>(file.get() ^ 0x10);
            file.seekp(1000);
            file.put(byte);
            file.close();
            w.game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                      RegisteredMessage::getId("FileOpenGame"), 0);
            return;
        }
        if (!openAsked) w.player.idle();
    };
    w.game->onDialog = [&](Dialog& d, const std::string& name) {
        if (name == InformationDlg::TemplateName && openAsked) {
            // Asked first whether to leave the battle he is in, he says yes.
            const auto& asked = static_cast<InformationDlg&>(d).lines();
            if (!asked.empty() && asked.front() == "Leave the battle and open a saved game?")
                return w.click(d, Dialog::IdOk);
            told = &d;
            return;
        }
        if (w.intoBattle(d, name) || name != LoadSaveDlg::TemplateName) return;
        if (!openAsked) {
            w.click(d, LoadSaveDlg::IdFileName);
            platform::Event e;
            e.kind = platform::EventKind::Text, e.text = "damaged";
            w.platform->postEvent(e);
            w.click(d, Dialog::IdOk);
            return;
        }
        DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
        for (std::int32_t i = 0; list && list->row(i); ++i)
            if (list->row(i)->text == "damaged.vel") list->select(i);
        d.command(LoadSaveDlg::IdList, ListSelectionChanged);
        w.click(d, Dialog::IdOk);
    };
    EXPECT_EQ(w.game->run(), 0);
    ASSERT_TRUE(openAsked);
    EXPECT_EQ(lines, (std::vector<std::string>{"Cannot load damaged.vel:",
                                               "the saved game is damaged: its check does not match"}));
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "saved_game_damaged.png"));
}

} // namespace
} // namespace vael::test
