// The unit overview on the headless platform with the forged data: the unit menu's view of a unit puts
// it up over that unit, and OK, Return and Escape close it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "game/shell/view_unit_dlg.h"
#include "platform/headless/headless_platform.h"
#include "support/rules/test_units.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

void clickOn(platform::HeadlessPlatform& os, Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

// The game's saved settings go to the test's own place for as long as it runs, never the tester's.
struct DataHome {
    explicit DataHome(const std::string& path) {
        if (const char* data = std::getenv("XDG_DATA_HOME")) previous = data, had = true;
        setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~DataHome() { had ? setenv("XDG_DATA_HOME", previous.c_str(), 1) : unsetenv("XDG_DATA_HOME"); }
    std::string previous;
    bool had = false;
};

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
