// The army details' columns: a name too long for its column is cut short before the TQ column, which
// keeps its figures clear of it.
#include <gtest/gtest.h>

#include <string>
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

// The dialog's pixels of a row's band in the columns [left, right), as it shows the rows given.
std::vector<std::uint8_t> band(VaelGame& game, platform::HeadlessPlatform& os, const std::vector<ArmyDetailsRow>& rows,
                               std::size_t row, std::int32_t left, std::int32_t right) {
    std::vector<std::uint8_t> pixels;
    ArmyDetailsDlg details("Indian", rows, [&](Dialog& d, const std::string&) {
        d.dialogProc(MessagePaint, 0, 0);
        const auto y0 = pixelsY(ArmyDetailsDlg::FirstRow + static_cast<std::int32_t>(row) * ArmyDetailsDlg::RowPitch);
        const auto y1 = pixelsY(ArmyDetailsDlg::FirstRow + static_cast<std::int32_t>(row + 1) * ArmyDetailsDlg::RowPitch);
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = left; x < right; ++x)
                pixels.push_back(d.bits()[y * d.stride() + x]);
        clickOn(os, d, ArmyDetailsDlg::IdClose);
    });
    details.attach(game.app());
    details.create(ArmyDetailsDlg::TemplateName, Dialog::Modal);
    return pixels;
}

// Two rows, a long name over a short one; each compared with the dialog showing the row with no name, so
// that only what the name wrote differs.
TEST(ArmyDetailsColumns, ALongNameStopsShortOfTheTQColumn) {
    TempDir dir("armycols");
    DataHome home(dir.path().string());
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    const ArmyDetailsRow longRow{"Elephant of the Line of the Eastern Host 12", "6", "0", "", "6", ""};
    const ArmyDetailsRow shortRow{"Longbowmen 1", "5", "2", "", "5", ""};
    const std::int32_t tq = pixelsX(ArmyDetailsDlg::Columns[1]), name = pixelsX(ArmyDetailsDlg::Columns[0]);
    const struct {
        const char* what;
        std::vector<ArmyDetailsRow> rows;
        std::int32_t left, right;
        bool written;
    } cases[] = {
        {"the gap before the TQ column and the column itself", {longRow}, tq - ArmyDetailsDlg::ColumnGap,
         pixelsX(ArmyDetailsDlg::Columns[2]), false},
        {"the long name's start is written", {longRow}, name, name + 20, true},
        {"a short name ends well before the gap", {shortRow}, tq - ArmyDetailsDlg::ColumnGap, tq, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ArmyDetailsRow> blank = c.rows;
        blank[0][0] = "";
        EXPECT_EQ(band(game, os, c.rows, 0, c.left, c.right) != band(game, os, blank, 0, c.left, c.right), c.written);
    }
}

} // namespace
} // namespace vael::test
