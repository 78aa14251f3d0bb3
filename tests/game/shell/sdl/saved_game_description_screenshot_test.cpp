// A saved game's description as the player gives and finds it, in the real window under Xvfb: a battle
// begun by clicks, saved through the Save Game command with a name and a description typed into its
// dialog, then File > Open Game, whose list shows the game with its description. The load dialog is saved
// as "saved_game_load_list.png" in the build folder for people to look at. A game damaged on the disk after
// it was saved is refused when the player opens it, with the reason in a box ("saved_game_damaged.png").
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "battle_window.h"
#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/flow/saved_game.h"
#include "game/shell/clicking_player.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/saved_game_header.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "save_and_list.h"
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

// A battle begun by clicks and saved by the player as `name`.vel; once his save is on the disk it is changed
// (change), and he opens it through File > Open Game, leaving the battle he is in. The lines of the box that
// told him why it was refused, and the window as the box stood.
std::vector<std::string> refusalOfReopening(const char* state, const std::string& name,
                                            const std::function<void(const std::filesystem::path&)>& change,
                                            Grab& picture) {
    BattleWindow w(state);
    EXPECT_TRUE(w.ready());
    if (!w.ready()) return {};
    const std::filesystem::path saved = VaelApp::savedGamesDirectory() / (name + ".vel");
    w.player.saveAt = [](int) { return true; };
    bool openAsked = false;
    Dialog* told = nullptr;
    std::vector<std::string> lines;
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
            change(saved);
            w.game->app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                      RegisteredMessage::getId("FileOpenGame"), 0);
            return;
        }
        if (!openAsked) w.player.idle();
    };
    w.game->onDialog = [&](Dialog& d, const std::string& dialog) {
        if (dialog == InformationDlg::TemplateName && openAsked) {
            // Asked first whether to leave the battle he is in, he says yes.
            const auto& asked = static_cast<InformationDlg&>(d).lines();
            if (!asked.empty() && asked.front() == "Leave the battle and open a saved game?")
                return w.click(d, Dialog::IdOk);
            told = &d;
            return;
        }
        if (w.intoBattle(d, dialog) || dialog != LoadSaveDlg::TemplateName) return;
        if (!openAsked) {
            w.click(d, LoadSaveDlg::IdFileName);
            platform::Event e;
            e.kind = platform::EventKind::Text, e.text = name;
            w.platform->postEvent(e);
            w.click(d, Dialog::IdOk);
            return;
        }
        DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
        for (std::int32_t i = 0; list && list->row(i); ++i)
            if (list->row(i)->text == name + ".vel") list->select(i);
        d.command(LoadSaveDlg::IdList, ListSelectionChanged);
        w.click(d, Dialog::IdOk);
    };
    // No system box came: the game ends as the player ends it.
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_TRUE(openAsked);
    return lines;
}

TEST(SavedGameDescription, AGameDamagedOnTheDiskIsRefusedWithTheReasonWhenThePlayerOpensIt) {
    Grab picture;
    // One bit of his save turns on the disk.
    const std::vector<std::string> lines = refusalOfReopening(
        "saved-damaged", "damaged",
        [](const auto& saved) {
            std::fstream file(saved, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(1000);
            const char byte = static_cast<char>(file.get() ^ 0x10);
            file.seekp(1000);
            file.put(byte);
        },
        picture);
    EXPECT_EQ(lines, (std::vector<std::string>{"Cannot load damaged.vel:",
                                               "the saved game is damaged: its check does not match"}));
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "saved_game_damaged.png"));
}

// A save naming as its battle a data file that is no battle (the map of another battle, its name in place
// of the battle's, the file sealed again) once brought up the internal-failure box, whose Yes ended the game.
// The player opening it is told in the game's own box, as the battle tool tells it, and plays on.
TEST(SavedGameDescription, ASaveNamingAMapAsItsBattleIsRefusedInTheGamesOwnBox) {
    Grab picture;
    const std::vector<std::string> lines = refusalOfReopening(
        "saved-map", "map",
        [](const auto& saved) {
            std::vector<std::uint8_t> bytes;
            {
                std::ifstream in(saved, std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            std::string error;
            EXPECT_TRUE(unsealSavedGame(bytes, error)) << error;
            const std::string battle = "GHATMAR.SCN", map = "korvath.map";
            const auto at = std::search(bytes.begin(), bytes.end(), battle.begin(), battle.end());
            EXPECT_NE(at, bytes.end());
            if (at != bytes.end()) std::copy(map.begin(), map.end(), at);
            sealSavedGame(bytes);
            std::ofstream(saved, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        },
        picture);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Cannot load map.vel:",
                                        "cannot load the battle korvath.map"}));
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "saved_game_map_as_battle.png"));
}

} // namespace
} // namespace vael::test
