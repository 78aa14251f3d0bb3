// The network dialogs in the game's real window under Xvfb, each shown over the frame and saved as
// "net_<template>.png" in the build folder for people to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "framework/ui/window_manager.h"
#include "game/net/net_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

// The game in the real window, with its settings and data home in a folder of its own.
class NetDialogsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        std::string error;
        platform = platform::SdlPlatform::create(dir / "settings.ini", error);
        ASSERT_TRUE(platform) << error;
        game = std::make_unique<VaelGame>(*platform, VAEL_BUILD_DATA_DIR);
        ASSERT_TRUE(game->ready());
    }
    void TearDown() override {
        game.reset();
        platform.reset();
    }
    TempDir dir{"net-dialogs-window"};
    std::unique_ptr<platform::SdlPlatform> platform;
    std::unique_ptr<VaelGame> game;
};

TEST_F(NetDialogsWindow, EachNetworkDialogIsShownOverTheFrame) {
    VaelGame& game = *this->game;
    const std::vector<std::pair<std::string, std::function<std::unique_ptr<Dialog>()>>> dialogs = {
        {TempNetDlg::TemplateName, [] { return std::make_unique<TempNetDlg>(); }},
        {StartServerDlg::TemplateName, [] { return std::make_unique<StartServerDlg>("Ann"); }},
        {StartClientDlg::TemplateName, [] { return std::make_unique<StartClientDlg>("Bob"); }},
        {ConnectNetDlg::TemplateName,
         [] {
             auto room = std::make_unique<ConnectNetDlg>("Ann", "Ann", "The Fords of Ghatmar", true);
             room->addPlayer("Ann");
             room->addPlayer("Bob");
             // More lines than the field shows: the newest in view, the bar to scroll to the others.
             for (const char* line :
                  {"Bob has logged on.", "Bob: hello", "Ann: hello Bob", "Bob: which battle is it?",
                   "Ann: the fords, as last time", "Bob: then I keep the elephants",
                   "Ann: and I the ridge; a long line of talk to be broken into two rows of the field",
                   "Bob: ready when you are"})
                 room->addMessage(line);
             return room;
         }},
        {NetChooseLeadersDlg::TemplateName,
         [] {
             return std::make_unique<NetChooseLeadersDlg>(
                 std::vector<std::string>{"Vaelmoric", "Keldrian", "Tezhar III", "Rajavan", "Surendal"},
                 std::vector<std::string>{"Ann", "Bob"}, std::vector<std::int32_t>{0, 0, 1, 1, 1});
         }},
        {NetChatDlg::TemplateName,
         [] {
             return std::make_unique<NetChatDlg>(
                 std::vector<std::string>{"Ann: the river is mine", "Bob: we shall see", "Ann: good luck"});
         }},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        std::unique_ptr<Dialog> dialog = make();
        dialog->attach(game.app());
        dialog->create(name, Dialog::Modeless);
        ASSERT_TRUE(dialog->isOpen());
        // Long enough for the frame and the dialog to be drawn and shown.
        for (int i = 0; i < 200; ++i)
            if (game.app().messageWaiting()) game.app().pumpMessage();
        const Grab shot = grabWindow(platform->window());
        ASSERT_EQ((std::pair{shot.width, shot.height}), (std::pair{1024, 768}));
        EXPECT_TRUE(writePng(shot, std::filesystem::path(VAEL_BUILD_DIR) / ("net_" + name + ".png")));
        dialog->close(Dialog::IdCancel);
        for (int i = 0; i < 50; ++i)
            if (game.app().messageWaiting()) game.app().pumpMessage();
        dialog->detach();
    }
}

// A player's name of fifteen letters, umlauts, "@" and "€" among them, shows whole in Choose Leaders when
// the right column stands empty: the ink of the name in its field is as wide as the font writes the name.
// Before, the field kept its template width and cut the name's last letters ("net_choose_leaders_name.png").
TEST_F(NetDialogsWindow, ALongPlayersNameShowsWholeInChooseLeaders) {
    VaelGame& game = *this->game;
    const std::string name = "J\xC3\xBCrgen@M\xC3\xBCller\xC3\xA4\xE2\x82\xAC"; // Jürgen@Müllerä€
    NetChooseLeadersDlg pick({"Vaelmoric", "Keldrian", "Tezhar III"}, {name, "Bob"}, {0, 0, 1});
    pick.attach(game.app());
    pick.create(NetChooseLeadersDlg::TemplateName, Dialog::Modeless);
    for (int i = 0; i < 200; ++i)
        if (game.app().messageWaiting()) game.app().pumpMessage();
    const Grab shot = grabWindow(platform->window());
    ASSERT_EQ((std::pair{shot.width, shot.height}), (std::pair{1024, 768}));
    EXPECT_TRUE(writePng(shot, std::filesystem::path(VAEL_BUILD_DIR) / "net_choose_leaders_name.png"));
    // The field's white face between its frame and its arrow; the name's ink on it.
    const platform::Rect client = WindowManager::instance().clientOnScreen(pick.hwnd());
    const Box field = pick.item(NetChooseLeadersDlg::IdFirstChoice)->shownBox();
    const std::uint32_t white =
        shot.rgb[std::size_t(client.y + field.y + 2) * shot.width + client.x + field.x + 1];
    std::int32_t first = -1, last = -1;
    for (std::int32_t x = field.x + 1; x < field.x + field.w - DialogItemWindow::ScrollWidth - 1; ++x)
        for (std::int32_t y = field.y + 1; y < field.y + DialogItemWindow::RowHeight + 1; ++y)
            if (shot.rgb[std::size_t(client.y + y) * shot.width + client.x + x] != white) {
                if (first < 0) first = x;
                last = x;
            }
    ASSERT_GE(first, 0) << "no name in the field";
    EXPECT_GE(last - first + 1, platform->textWidth(name, false) - 2);
    pick.close(0);
}

} // namespace
} // namespace vael::test
