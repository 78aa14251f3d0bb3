// The saved games' list offers only what a game can be read from: a FIFO, a folder and a link to nothing
// named *.vel are left out, a link to a saved game is listed, and a name typed for one of the others is
// told as what it is. Before, all three were listed and the FIFO was answered "There is no saved game".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

TEST(LoadGameList, OnlyWhatAGameCanBeReadFromIsListedAndTheRestIsToldAsWhatItIs) {
    TempDir dir{"load-game-list"};
    DataHome home{dir.path().string()};
    const auto saves = dir / "vael";
    std::filesystem::create_directories(saves / "folder.vel");
    std::ofstream(saves / "kept.vel") << "x";
    ASSERT_EQ(::mkfifo((saves / "fifo.vel").c_str(), 0600), 0);
    std::filesystem::create_symlink("nowhere.vel", saves / "dangling.vel");
    std::filesystem::create_symlink("kept.vel", saves / "linked.vel");
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    std::vector<std::string> listed, said;
    const struct {
        const char* typed;
        const char* told;
    } rows[] = {{"fifo", "fifo.vel is a FIFO, not a saved game."},
                {"folder.vel", "folder.vel is a folder, not a saved game."},
                {"dangling", "dangling.vel is a link to nothing, not a saved game."},
                {"absent", "There is no saved game absent.vel."}};
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == InformationDlg::TemplateName) {
            said.push_back(d.textTile(InformationDlg::IdLine1)->text());
            return d.command(Dialog::IdOk, 0);
        }
        DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
        for (std::int32_t i = 0; i < list->rowCount(); ++i)
            listed.push_back(list->row(i)->text);
        for (const auto& row : rows) {
            d.item(LoadSaveDlg::IdFileName)->setText(row.typed);
            d.command(Dialog::IdOk, 0);
            EXPECT_TRUE(d.isOpen()) << row.typed;
        }
        d.command(Dialog::IdCancel, 0);
    };
    EXPECT_FALSE(game.chooseAndLoadGame());
    EXPECT_EQ(listed, (std::vector<std::string>{"kept.vel", "linked.vel"}));
    ASSERT_EQ(said.size(), std::size(rows));
    for (std::size_t i = 0; i < said.size(); ++i) {
        SCOPED_TRACE(rows[i].typed);
        EXPECT_EQ(said[i], rows[i].told);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(saves / "fifo.vel"));
}

} // namespace
} // namespace vael::test
