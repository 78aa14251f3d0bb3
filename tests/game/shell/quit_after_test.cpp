// --quit-after: the game asked to end after its time, whatever box stands. In a battle the question whether
// to leave it is not asked (before, the close request asked it and the program waited for ever); the
// system's boxes, which hold the program's one thread in the toolkit, end with the program and the status
// it would have ended with.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/list_walk.h"
#include "game/shell/clicking_player.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/quit_after.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"

namespace vael::test {
namespace {

using namespace std::chrono_literals;

// The box stands longer than any test waits: only the watch ends it.
void aBoxNobodyAnswers() {
    std::this_thread::sleep_for(60s);
}

TEST(QuitAfterDeathTest, TheTimeComingUnderASystemBoxEndsTheProgramWithItsStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* what;
        int status;
    } rows[] = {{"the settings will not be kept: the game would have gone on", 0},
                {"already running: the program would have ended refused", 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EXIT(
            {
                QuitAfter quit(100);
                quit.during(r.status, aBoxNobodyAnswers);
                std::_Exit(99);
            },
            ::testing::ExitedWithCode(r.status), "");
    }
}

// A box asked for once the time has come is not shown; one asked for before it is, and so is every box of a
// program without the option.
TEST(QuitAfter, ABoxIsShownOnlyBeforeTheTimeHasCome) {
    const struct {
        const char* what;
        std::int64_t milliseconds;
        bool shown;
    } rows[] = {{"the time come", 0, false}, {"a minute to go", 60'000, true}, {"no option", -1, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        QuitAfter quit(r.milliseconds);
        std::this_thread::sleep_for(200ms);
        bool shown = false;
        EXPECT_EQ(quit.during(0, [&] { shown = true; }), r.shown);
        EXPECT_EQ(shown, r.shown);
    }
}

class QuitAfterInGame : public ::testing::Test {
protected:
    TempDir dir{"quitafter"};
    DataHome home{dir.path().string()};
    ScriptedPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
};

// The game's time counts on the game's clock from its start, and asks once: a tick a millisecond before it
// asks nothing, the tick at it asks, the ticks after it ask no more.
TEST_F(QuitAfterInGame, TheGameIsAskedToEndOnceAtItsTime) {
    ASSERT_TRUE(game.ready());
    QuitAfter quit(500);
    quit.gameStarts(game.app());
    const struct {
        const char* what;
        std::uint32_t advance;
        bool asks;
    } rows[] = {{"499 ms", 499, false}, {"500 ms", 1, true}, {"a second", 500, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        os.advance(r.advance);
        EXPECT_EQ(quit.tick(game.app()), r.asks);
    }
}

// The time coming in a battle, while the player gives his first orders, ends the game without the
// question whether to leave the battle; before, the question came and the program waited on it.
TEST_F(QuitAfterInGame, InABattleTheGameEndsWithoutTheQuestion) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> afterTheTime;
    QuitAfter quit(0);
    bool asked = false;
    int looks = 0, starts = 0;
    ClickingPlayer player;
    player.os = &os;
    player.game = &game;
    os.idle = [&] {
        if (++looks > 200000) {
            ADD_FAILURE() << "the game never ended";
            platform::Event end;
            end.kind = platform::EventKind::Quit;
            return os.postEvent(end);
        }
        // After the time the player does nothing more: a game still waiting on him has nothing to wait for.
        if (asked) return;
        if (!playersOrders(game.app())) return player.idle();
        asked = true;
        quit.gameStarts(game.app());
        quit.tick(game.app());
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        // A box after the time (the question) is answered as by a player gone from the machine: never,
        // until the test gives up on the game.
        if (asked) return afterTheTime.push_back(name);
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        if (name == IntroDlg::TemplateName) clickOn(os, d, IntroDlg::IdHomePlayer);
        if (d.item(Dialog::IdOk)) clickOn(os, d, Dialog::IdOk);
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_TRUE(asked) << "the player never came to his orders";
    EXPECT_EQ(afterTheTime, std::vector<std::string>{});
}

} // namespace
} // namespace vael::test
