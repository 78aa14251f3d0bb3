// The unit overview on the headless platform with the forged data: the unit menu's view of a unit puts
// it up over that unit, and OK, Return and Escape close it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "game/shell/view_unit_dialog.h"
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
            closed = showUnitOverview(game.app(), unit, {}, game.onDialog);
            EXPECT_EQ(closed, r.closed);
            EXPECT_EQ(shown, std::vector<std::string>{"ViewUnit"});
        }
    }
    // Gone with the game, the overview is no longer there to show; a view left behind would reach the
    // freed game, which only the address sanitizer sees.
    EXPECT_EQ(unit.viewDetails(), 0);
}

// The overview's lines for each kind of unit, as the player reads them: a fighting unit with its state,
// a missile unit with its missiles, a leader with his ratings in the place of a leader's name.
TEST(UnitOverview, EachKindOfUnitIsDescribedLineByLine) {
    using Lines = std::vector<UnitDetailsLine>;
    TestCombat fresh(UnitSetup(7, 412));
    EXPECT_EQ(unitDetailsLines(fresh, "Sarvane", "Vaelmoric the Bold"),
              (Lines{{"Name", "Unit 7"},
                     {"Type", "HI"},
                     {"Nation", "Sarvane"},
                     {"Leader", "Vaelmoric the Bold"},
                     {"TQ", "5"},
                     {"Hits", "0"},
                     {"Size", "8"},
                     {"Facing", "North-east"},
                     {"Moved", "No"},
                     {"Disordered", "No"},
                     {"Routing", "No"}}));
    // One cohesion hit is enough to call the unit disordered; none is not.
    TestCombat shaken(UnitSetup(8, 413, nullptr, 1, 0));
    shaken.cohesionHits_ = 1;
    const Lines lines = unitDetailsLines(shaken, "Sarvane", "");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1], (UnitDetailsLine{"Type", "PH"}));
    EXPECT_EQ(lines[5], (UnitDetailsLine{"Hits", "1"}));
    EXPECT_EQ(lines[9], (UnitDetailsLine{"Disordered", "Yes"}));

    TestMissileUnit bowmen(UnitSetup(9, 414, nullptr, 2, 7, 0, 1));
    bowmen.missilesLeft_ = 3;
    const Lines missile = unitDetailsLines(bowmen, "Ostrel", "Keldrian");
    ASSERT_EQ(missile.size(), 12u);
    EXPECT_EQ(missile[1], (UnitDetailsLine{"Type", "SK"}));
    // Missile type 1 carries ten volleys.
    EXPECT_EQ(missile[8], (UnitDetailsLine{"Missiles left", "3 of 10"}));

    TestLeader leader(UnitSetup(2, 415));
    EXPECT_EQ(unitDetailsLines(leader, "Sarvane", "ignored"), (Lines{{"Name", "Unit 2"},
                                                                     {"Type", "Leader"},
                                                                     {"Nation", "Sarvane"},
                                                                     {"Initiative", "3"},
                                                                     {"Command range", "4"},
                                                                     {"Facing", "North-east"},
                                                                     {"Moved", "No"}}));
}

} // namespace
} // namespace vael::test
