// The unit overview on the headless platform with the forged data: the unit menu's view of a unit puts
// it up over that unit, and OK, Return and Escape close it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "game/shell/view_unit_dlg.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/rules/test_units.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

TEST(UnitOverview,
     TheUnitsViewPutsItUpOverThatUnitOKReturnAndEscapeCloseItAndNoneDanglesAfterTheGameUnderASan) {
    TempDir dir{"viewunit"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    TestCombat unit(UnitSetup(7, 412));
    {
        VaelGame game{os, VAEL_BUILD_DATA_DIR};
        ASSERT_TRUE(game.ready());
        const struct {
            const char* what;
            std::function<void(Dialog&)> answer;
            std::int16_t closed;
        } rows[] = {
            {"OK", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1},
            {"Return", [&](Dialog&) { postKey(os, platform::KeyReturn); }, 1},
            {"Escape", [&](Dialog&) { postKey(os, platform::KeyEscape); }, 0},
        };
        for (const auto& r : rows) {
            SCOPED_TRACE(r.what);
            std::vector<std::string> shown;
            VaelUnit* over = nullptr;
            bool helpEnabled = true;
            std::int16_t closed = -1;
            game.onDialog = [&](Dialog& d, const std::string& name) {
                shown.push_back(name);
                over = &static_cast<ViewUnitDlg&>(d).unit();
                helpEnabled = d.item(ViewUnitDlg::IdHelp)->isEnabled();
                r.answer(d);
            };
            EXPECT_EQ(unit.viewDetails(), 0);
            EXPECT_EQ(shown, std::vector<std::string>{"ViewUnit"});
            EXPECT_EQ(over, &unit);
            EXPECT_FALSE(helpEnabled);
            // What the dialog closed with, asked directly.
            shown.clear();
            closed = showUnitOverview(game.app(), unit, game.onDialog);
            EXPECT_EQ(closed, r.closed);
            EXPECT_EQ(shown, std::vector<std::string>{"ViewUnit"});
        }
    }
    // Gone with the game, the overview is no longer there to show; a view left behind would reach the
    // freed game, which only the address sanitizer sees.
    EXPECT_EQ(unit.viewDetails(), 0);
}

} // namespace
} // namespace vael::test
