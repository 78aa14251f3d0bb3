#pragma once
// What the Xvfb tests of a battle begin with: the game in the real window with its data home in a fresh
// folder and the runtime's random numbers seeded, a clicking player for the home side, and the clicks on
// the dialogs that lead from the start dialog into the battle with the home side to him.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "framework/ui/dialog.h"
#include "game/shell/clicking_player.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "watched_platform.h"

namespace vael::test {

struct BattleWindow {
    explicit BattleWindow(const std::string& name, unsigned seed = 4) : dir(name) {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        std::string error;
        platform = platform::SdlPlatform::create(dir / "settings.ini", error);
        EXPECT_TRUE(platform) << error;
        if (!platform) return;
        std::srand(seed);
        watched = std::make_unique<WatchedPlatform>(*platform);
        game = std::make_unique<VaelGame>(*watched, VAEL_BUILD_DATA_DIR);
        player.os = watched.get(), player.game = game.get();
    }
    bool ready() const { return game && game->ready(); }

    // A click on a control of the dialog, which must have it.
    void click(Dialog& dialog, std::int16_t id) {
        ASSERT_NE(dialog.item(id), nullptr);
        clickItem(*platform, dialog, id);
    }
    // Answers a dialog on the way into the battle; false for any other.
    bool intoBattle(Dialog& d, const std::string& name) {
        if (alongTheWay(name))
            click(d, Dialog::IdOk);
        else if (name == StartGameDlg::TemplateName)
            click(d, StartGameDlg::IdStartBattle);
        else if (name == ScenarioDlg::TemplateName)
            click(d, Dialog::IdOk);
        else if (name == IntroDlg::TemplateName)
            click(d, IntroDlg::IdHomePlayer), click(d, Dialog::IdOk);
        else
            return false;
        return true;
    }
    // The game left as by the window's close box (from the idle moments, not from within a dialog's
    // showing): in a battle, the question it asks is answered by leaving.
    void leave() {
        if (!leaving) {
            leaving = true;
            game->onDialog = [this, before = game->onDialog](Dialog& d, const std::string& name) {
                const auto* question = dynamic_cast<InformationDlg*>(&d);
                if (question && !question->lines().empty() &&
                    question->lines().front() == VaelGame::ExitQuestion)
                    return click(d, Dialog::IdOk);
                if (before) before(d, name);
            };
        }
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        platform->postEvent(close);
    }

    TempDir dir;
    std::unique_ptr<platform::SdlPlatform> platform;
    std::unique_ptr<WatchedPlatform> watched;
    std::unique_ptr<VaelGame> game;
    ClickingPlayer player;
    bool leaving = false;
};

} // namespace vael::test
