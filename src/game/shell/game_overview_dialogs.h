#pragma once
// The turn's overview and the army details behind it. Neither template has texts of its own for the
// figures, so both dialogs write them onto their background in the template's columns.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/ui/dialog.h"
#include "game/flow/end_of_game_results.h"
#include "game/shell/game_dialogs.h"

namespace vael {

class Combat;
class Leader;

// A line of the army details: name, TQ, hits, eliminated, points, routing, as shown.
using ArmyDetailsRow = std::array<std::string, 6>;
// The leaders first, then the combat units, in list order. Leaders have no TQ or hits of their own.
std::vector<ArmyDetailsRow> armyDetailsRows(const List<Leader*>& leaders, const List<Combat*>& units);

// "ArmyDetailsDlg": one side's leaders and units under the template's headings. The name column is
// widened (and the dialog with it) until the longest name shows whole, up to MaxNameWidth. More rows than
// fit scroll: the first line then counts the rows above, the last the rows below, and a scroll bar stands
// right of the columns; the bar, the mouse wheel, the arrow and page keys, Home and End, and a click on
// either count move through the list.
class ArmyDetailsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "ArmyDetailsDlg";
    static constexpr std::int16_t IdClose = 1, IdHelp = 9;
    // Template units of the columns (x) and of the first row and the row pitch (y).
    static constexpr std::int16_t Columns[6] = {6, 70, 94, 118, 144, 166};
    static constexpr std::int16_t FirstRow = 18, RowPitch = 10, LastRowEnd = 264;
    // Pixels kept clear between a column's text and the next column.
    static constexpr std::int16_t ColumnGap = 4;
    static constexpr std::size_t MaxRows = (LastRowEnd - FirstRow) / RowPitch;
    // The scroll bar's id and width (template units), and the widest name column in pixels.
    static constexpr std::int16_t IdScrollBar = 20, ScrollBarWidth = 10, MaxNameWidth = 320;

    ArmyDetailsDlg(const std::string& sideName, std::vector<ArmyDetailsRow> rows, DialogShown shown = {});
    // The lines as they are written: all rows when they fit, else "... N above" while the list is scrolled
    // down, as many rows as the rest leaves room for, and "... and N more" while rows remain below.
    const std::vector<ArmyDetailsRow>& shownRows() const { return shown_rows_; }
    // The first row shown, and the list moved to the row given, held between the top and the last page.
    std::size_t firstRow() const { return first_; }
    void scrollTo(std::ptrdiff_t first);
    // Where a column starts, in dialog pixels, once the name column is widened.
    std::int16_t columnX(std::size_t column) const;
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;
    bool takeDialogMessage(const WindowMessage& message) override;
    std::intptr_t dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

protected:
    void adjustTemplate(DialogTemplate& details) override;

private:
    void layOut();
    // The first row of the last page.
    std::ptrdiff_t lastFirst() const;

    std::string sideName_;
    // How many template units the name column was widened by.
    std::int16_t widened_ = 0;
    std::vector<ArmyDetailsRow> rows_;
    std::vector<ArmyDetailsRow> shown_rows_;
    std::size_t first_ = 0;
    DialogShown shown_;
};

// "GameOverviewDlg": the two sides' losses against their rout limits at the end of a turn. "&Army
// Details" opens the home side's details, "Army &Details" the visitor's (side 1 and side 0 as the army
// details are asked for); OK closes it.
class EndTurnDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "GameOverviewDlg";
    static constexpr std::int16_t IdHomeDetails = 101, IdVisitorDetails = 102;
    // The figures' lines: a label and the home and visitor values.
    struct Line {
        std::string label, home, visitor;
        bool operator==(const Line&) const = default;
    };
    static std::vector<Line> linesOf(const EndOfGameResults& results);

    EndTurnDlg(const EndOfGameResults& results, DialogShown shown = {});
    // Told the side (1 home, 0 visitor) whose details the player asked for; greyed buttons without it.
    std::function<void(std::int16_t side)> armyDetails;
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void drawBackground() override;

private:
    EndOfGameResults results_;
    DialogShown shown_;
};

} // namespace vael
