// Letters beyond ASCII as a player types and reads them, in the real window under Xvfb: a saved game named
// and described with accented, Nordic and Greek letters, typed a character at a time as the keyboard gives
// them (with a slip taken back by Backspace), is written under its name in UTF-8 and listed as typed
// (player_utf8_save.png); a saved game named so that will not load is refused in a box that names it
// whole (player_message_box_letters.png). Both pictures go to the build folder for people to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "battle_window.h"
#include "framework/core/registered_message.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/saved_game_header.h"
#include "grab_png.h"
#include "save_and_list.h"
#include "support/ui/test_win_app.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

// What the keyboard gives for each key: one character of UTF-8 at a time.
void typeKeys(platform::Platform& os, const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        postText(os, text.substr(i, length));
        i += length;
    }
}

TEST(PlayerLetters, ASaveNamedWithAccentsIsWrittenInUtf8AndListedAsTyped) {
    BattleWindow w("player-letters");
    ASSERT_TRUE(w.ready());
    // "Kärnten ÆØÅ save" and "Ω am Fluss", by their UTF-8 bytes as written by hand.
    const std::string fileName = "K\xC3\xA4rnten \xC3\x86\xC3\x98\xC3\x85 save.vel";
    const std::string description = "\xCE\xA9 am Fluss";
    const std::filesystem::path saved = VaelApp::savedGamesDirectory() / fileName;
    const SavedAndListed seen = saveThenList(w, saved, [&](Dialog& d) {
        w.click(d, LoadSaveDlg::IdFileName);
        // A slip: the Greek letter typed in place of the last "e" goes again with one Backspace, whole.
        typeKeys(*w.watched, "K\xC3\xA4rnten \xC3\x86\xC3\x98\xC3\x85 sav\xCE\xA9");
        postKey(*w.watched, platform::KeyBackspace);
        typeKeys(*w.watched, "e");
        w.click(d, LoadSaveDlg::IdDescription);
        typeKeys(*w.watched, description);
    });
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(VaelApp::savedGamesDirectory()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Autosave.vel", fileName}));
    ASSERT_TRUE(std::filesystem::exists(saved));
    std::ifstream in(saved, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::string said;
    ASSERT_TRUE(readSavedDescription(bytes, said));
    EXPECT_EQ(said, description);
    ASSERT_TRUE(seen.listSeen);
    EXPECT_EQ(seen.rows, (std::vector<std::string>{"Autosave.vel", fileName + " - " + description}));
    EXPECT_TRUE(writePng(seen.picture, std::filesystem::path(VAEL_BUILD_DIR) / "player_utf8_save.png"));
}

TEST(PlayerLetters, ARefusedSaveIsNamedWholeInTheBox) {
    BattleWindow w("player-letters-box");
    ASSERT_TRUE(w.ready());
    // "Schlacht_bei_Kärnten_Überfall.vel": not a saved game at all.
    const std::string fileName = "Schlacht_bei_K\xC3\xA4rnten_\xC3\x9C" "berfall.vel";
    std::filesystem::create_directories(VaelApp::savedGamesDirectory());
    std::ofstream(VaelApp::savedGamesDirectory() / fileName, std::ios::binary) << "not a battle";
    Dialog* told = nullptr;
    std::vector<std::string> rows;
    Grab picture;
    int starts = 0;
    w.watched->idle = [&] {
        if (told && rows.empty()) {
            picture = grabWindow(w.platform->window());
            rows = static_cast<InformationDlg*>(told)->rows();
            w.click(*told, Dialog::IdOk);
        }
    };
    w.game->onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName)
            return w.click(d, ++starts == 1 ? StartGameDlg::IdLoadGame : StartGameDlg::IdExit);
        if (name == InformationDlg::TemplateName) {
            told = &d;
            return;
        }
        if (name != LoadSaveDlg::TemplateName) return;
        if (told) return w.click(d, Dialog::IdCancel);
        DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
        ASSERT_NE(list, nullptr);
        list->select(list->findExact(fileName));
        d.command(LoadSaveDlg::IdList, ListSelectionChanged);
        w.click(d, Dialog::IdOk);
    };
    w.game->run();
    ASSERT_NE(told, nullptr);
    ASSERT_FALSE(rows.empty());
    std::string shown;
    for (const std::string& row : rows)
        shown += row + "\n";
    EXPECT_NE(shown.find("K\xC3\xA4rnten_\xC3\x9C"), std::string::npos) << shown;
    EXPECT_TRUE(writePng(picture, std::filesystem::path(VAEL_BUILD_DIR) / "player_message_box_letters.png"));
}

} // namespace
} // namespace vael::test
