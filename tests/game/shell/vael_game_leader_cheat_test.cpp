// The leader-order test dialog on the headless platform with the forged data: the rows it lists, and the
// index and momentum box that OK, a double click, Cancel and Escape give the turn sequence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "framework/ui/dialog_control.h"
#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/shell/leader_cheat_dialog.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

LeaderUnitInfo leader(const char* name) {
    LeaderUnitInfo info;
    info.name = name;
    return info;
}

class LeaderCheat : public ::testing::Test {
protected:
    LeaderCheat() {
        leaders[0] = leader("Vaelmoric"), leaders[1] = leader("Keldrian"), leaders[2] = leader("Orsath");
        gone[0] = 0, gone[1] = 1, gone[2] = 0;
    }
    TempDir dir{"leadercheat"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
    // Grown a step of three at a time, the arrays hold exactly the three leaders.
    DynArray<LeaderUnitInfo> leaders{3};
    DynArray<short> gone{3};
};

std::vector<std::string> rowsOf(Dialog& d) {
    std::vector<std::string> rows;
    for (std::int32_t i = 0; i < d.item(LeaderCheatDlg::IdList)->rowCount(); ++i)
        rows.push_back(d.item(LeaderCheatDlg::IdList)->row(i)->text);
    return rows;
}

TEST_F(LeaderCheat, OKGivesTheChosenRowsIndexAndTheMomentumBoxCancelAndEscapeGiveNothing) {
    ASSERT_TRUE(game.ready());
    const std::int16_t list = LeaderCheatDlg::IdList, box = LeaderCheatDlg::IdMomentum;
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
        bool ok;
        std::int16_t index;
        bool momentum;
    } rows[] = {
        {"OK at once: no row, box clear", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1, true, -1,
         false},
        {"the first row", [&](Dialog& d) { d.item(list)->select(0), clickOn(os, d, Dialog::IdOk); }, 1, true,
         0, false},
        {"the last row", [&](Dialog& d) { d.item(list)->select(2), clickOn(os, d, Dialog::IdOk); }, 1, true,
         2, false},
        {"the box alone", [&](Dialog& d) { clickOn(os, d, box), clickOn(os, d, Dialog::IdOk); }, 1, true, -1,
         true},
        {"the box clicked twice is clear again",
         [&](Dialog& d) { clickOn(os, d, box), clickOn(os, d, box), clickOn(os, d, Dialog::IdOk); }, 1, true,
         -1, false},
        {"a gone leader and the box",
         [&](Dialog& d) { d.item(list)->select(1), clickOn(os, d, box), clickOn(os, d, Dialog::IdOk); }, 1,
         true, 1, true},
        {"double click", [&](Dialog& d) { d.item(list)->select(2), d.command(list, ListDoubleClicked); }, 1,
         true, 2, false},
        {"Return", [&](Dialog& d) { d.item(list)->select(1), postKey(os, platform::KeyReturn); }, 1, true, 1,
         false},
        {"Cancel",
         [&](Dialog& d) { d.item(list)->select(1), clickOn(os, d, box), clickOn(os, d, Dialog::IdCancel); },
         0, false, -1, false},
        {"Escape", [&](Dialog& d) { d.item(list)->select(1), postKey(os, platform::KeyEscape); }, 0, false,
         -1, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> listed;
        bool helpEnabled = true;
        LeaderCheatDlg ask(leaders, gone, 3, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "LeaderCheatDlg");
            listed = rowsOf(d);
            helpEnabled = d.item(LeaderCheatDlg::IdHelp)->isEnabled();
            r.answer(d);
        });
        ask.attach(game.app());
        EXPECT_EQ(ask.create(LeaderCheatDlg::TemplateName, Dialog::Modal), r.closed);
        EXPECT_EQ(ask.choice().ok, r.ok);
        EXPECT_EQ(ask.choice().leader, r.index);
        EXPECT_EQ(ask.choice().momentum, r.momentum);
        EXPECT_EQ(listed, (std::vector<std::string>{"Vaelmoric", "Keldrian (gone)", "Orsath"}));
        EXPECT_FALSE(helpEnabled);
    }
}

TEST_F(LeaderCheat, ACountShortOfOrBeyondTheArraysListsOnlyTheLeadersThere) {
    ASSERT_TRUE(game.ready());
    const struct {
        std::int16_t count;
        std::vector<std::string> rows;
    } cases[] = {
        {-1, {}},
        {0, {}},
        {2, {"Vaelmoric", "Keldrian (gone)"}},
        {3, {"Vaelmoric", "Keldrian (gone)", "Orsath"}},
        {4, {"Vaelmoric", "Keldrian (gone)", "Orsath"}},
        {32767, {"Vaelmoric", "Keldrian (gone)", "Orsath"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        std::vector<std::string> listed;
        // A row chosen past the list is no leader.
        LeaderCheatDlg ask(leaders, gone, c.count, [&](Dialog& d, const std::string&) {
            listed = rowsOf(d);
            d.item(LeaderCheatDlg::IdList)->select(2);
            clickOn(os, d, Dialog::IdOk);
        });
        ask.attach(game.app());
        EXPECT_EQ(ask.create(LeaderCheatDlg::TemplateName, Dialog::Modal), 1);
        EXPECT_EQ(listed, c.rows);
        EXPECT_EQ(ask.choice().leader, c.rows.size() == 3 ? 2 : GameControl::NoLeader);
    }
}

TEST_F(LeaderCheat, TheProgramsLeaderOrderServiceIsTheDialog) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        d.item(LeaderCheatDlg::IdList)->select(0);
        clickOn(os, d, LeaderCheatDlg::IdMomentum);
        clickOn(os, d, Dialog::IdOk);
    };
    const GameControl::LeaderOrderChoice choice = askLeaderOrder(game.app(), leaders, gone, 3, game.onDialog);
    EXPECT_TRUE(choice.ok);
    EXPECT_EQ(choice.leader, 0);
    EXPECT_TRUE(choice.momentum);
    EXPECT_EQ(shown, std::vector<std::string>{"LeaderCheatDlg"});
}

} // namespace
} // namespace vael::test
