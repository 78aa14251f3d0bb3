// The network dialogs in the game's real window under Xvfb, each shown over the frame and saved as
// "net_<template>.png" in the build folder for people to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "game/net/net_dialogs.h"
#include "game/shell/vael_game.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

TEST(NetDialogsWindow, EachNetworkDialogIsShownOverTheFrame) {
    TempDir dir("net-dialogs-window");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto platform = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(platform) << error;
    VaelGame game(*platform, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
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

} // namespace
} // namespace vael::test
