// The army details' columns: the name column grows to the longest name, up to a widest; a name longer
// than that is cut short before the TQ column, which keeps its figures clear of it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ui/window_message.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"

namespace vael::test {
namespace {

using dialog_helpers::pixelsX;
using dialog_helpers::pixelsY;

// The dialog's pixels of a row's band in the columns [left, right) that `span` gives of the dialog, as it
// shows the rows given.
using Span = std::function<std::pair<std::int32_t, std::int32_t>(const ArmyDetailsDlg&)>;
std::vector<std::uint8_t> band(VaelGame& game, platform::HeadlessPlatform& os,
                               const std::vector<ArmyDetailsRow>& rows, std::size_t row, const Span& span) {
    std::vector<std::uint8_t> pixels;
    ArmyDetailsDlg details("Indian", rows, [&](Dialog& d, const std::string&) {
        d.dialogProc(MessagePaint, 0, 0);
        const auto [left, right] = span(static_cast<ArmyDetailsDlg&>(d));
        const auto y0 =
            pixelsY(ArmyDetailsDlg::FirstRow + static_cast<std::int32_t>(row) * ArmyDetailsDlg::RowPitch);
        const auto y1 =
            pixelsY(ArmyDetailsDlg::FirstRow + static_cast<std::int32_t>(row + 1) * ArmyDetailsDlg::RowPitch);
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = left; x < right; ++x)
                pixels.push_back(d.bits()[y * d.stride() + x]);
        clickOn(os, d, ArmyDetailsDlg::IdClose);
    });
    details.attach(game.app());
    details.create(ArmyDetailsDlg::TemplateName, Dialog::Modal);
    return pixels;
}

// Rows with a long name, a name longer than the widest column, and a short one; each compared with the
// dialog showing the row with no name (and the row again below it, which lays the columns out alike), so
// that only what the name wrote differs. The name column grows to
// the long name, so that its end is written; a name past the widest column is cut short before the TQ
// column.
TEST(ArmyDetailsColumns, ALongNameStopsShortOfTheTQColumn) {
    TempDir dir("armycols");
    DataHome home(dir.path().string());
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    const ArmyDetailsRow longRow{"Elephant of the Line of the Eastern Host 12", "6", "0", "", "6", ""};
    const ArmyDetailsRow tooLong{std::string(120, 'W'), "6", "0", "", "6", ""};
    const ArmyDetailsRow shortRow{"Longbowmen 1", "5", "2", "", "5", ""};
    const auto gapAndTQ = [](const ArmyDetailsDlg& d) {
        return std::pair<std::int32_t, std::int32_t>{d.columnX(1) - ArmyDetailsDlg::ColumnGap, d.columnX(2)};
    };
    const struct {
        const char* what;
        std::vector<ArmyDetailsRow> rows;
        Span span;
        bool written;
    } cases[] = {
        {"the gap before the TQ column and the column itself", {longRow}, gapAndTQ, false},
        {"the long name's start is written",
         {longRow},
         [](const ArmyDetailsDlg& d) {
             return std::pair<std::int32_t, std::int32_t>{d.columnX(0), d.columnX(0) + 20};
         },
         true},
        {"the long name's end is written: the column grew",
         {longRow},
         [](const ArmyDetailsDlg& d) {
             return std::pair<std::int32_t, std::int32_t>{d.columnX(1) - 3 * ArmyDetailsDlg::ColumnGap - 20,
                                                          d.columnX(1) - 2 * ArmyDetailsDlg::ColumnGap};
         },
         true},
        {"a name past the widest column stops before the gap", {tooLong}, gapAndTQ, false},
        {"a short name ends well before the gap",
         {shortRow},
         [](const ArmyDetailsDlg& d) {
             return std::pair<std::int32_t, std::int32_t>{d.columnX(1) - ArmyDetailsDlg::ColumnGap,
                                                          d.columnX(1)};
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The row again below keeps the columns where the name puts them when the first row's is blanked.
        const std::vector<ArmyDetailsRow> shown{c.rows[0], c.rows[0]};
        std::vector<ArmyDetailsRow> blank = shown;
        blank[0][0] = "";
        EXPECT_EQ(band(game, os, shown, 0, c.span) != band(game, os, blank, 0, c.span), c.written);
    }
    // The column of a name past the widest is the widest, within a template unit's pixels.
    std::int32_t width = 0;
    ArmyDetailsDlg details("Indian", {tooLong}, [&](Dialog& d, const std::string&) {
        const auto& shown = static_cast<ArmyDetailsDlg&>(d);
        width = shown.columnX(1) - shown.columnX(0);
        clickOn(os, d, ArmyDetailsDlg::IdClose);
    });
    details.attach(game.app());
    details.create(ArmyDetailsDlg::TemplateName, Dialog::Modal);
    EXPECT_GE(width, ArmyDetailsDlg::MaxNameWidth);
    EXPECT_LT(width, ArmyDetailsDlg::MaxNameWidth + 2);
}

} // namespace
} // namespace vael::test
