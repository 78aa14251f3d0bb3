#include "game/shell/game_overview_dlg.h"

#include "framework/core/list_walk.h"
#include "framework/ui/font.h"
#include "framework/ui/text_tile.h"
#include "game/rules/combat.h"
#include "game/rules/leader.h"
#include "game/shell/dialog_helpers.h"

namespace vael {

using dialog_helpers::pixelsX;
using dialog_helpers::pixelsY;
using dialog_helpers::write;

namespace {

std::string yes(bool on) {
    return on ? "Yes" : "";
}

} // namespace

// The army details.

std::vector<ArmyDetailsRow> armyDetailsRows(const List<Leader*>& leaders, const List<Combat*>& units) {
    std::vector<ArmyDetailsRow> rows;
    for (Leader* leader : each(leaders))
        rows.push_back({leader->getName(), "", "", yes(leader->isEliminated() != 0),
                        std::to_string(leader->pointValue()), ""});
    for (Combat* unit : each(units))
        rows.push_back({unit->getName(), std::to_string(unit->getTroopQuality()),
                        std::to_string(unit->getCohesionHits()), yes(unit->isOutOfPlay() != 0),
                        std::to_string(unit->pointValue()), yes(unit->isRouting() != 0)});
    return rows;
}

ArmyDetailsDlg::ArmyDetailsDlg(const std::string& sideName, std::vector<ArmyDetailsRow> rows,
                               DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), sideName_(sideName),
      shown_rows_(std::move(rows)), shown_(std::move(shown)) {
    if (shown_rows_.size() > MaxRows) {
        const std::size_t hidden = shown_rows_.size() - (MaxRows - 1);
        shown_rows_.resize(MaxRows - 1);
        shown_rows_.push_back({"... and " + std::to_string(hidden) + " more", "", "", "", "", ""});
    }
}

void ArmyDetailsDlg::onInitDialog() {
    centre();
    if (!sideName_.empty()) setCaption(sideName_ + " Army Details");
    // There is no help file to open.
    enableItem(IdHelp, 0);
    if (shown_) shown_(*this, TemplateName);
}

void ArmyDetailsDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClose)
        close(1);
    else
        Dialog::onCommand(id, notification);
}

void ArmyDetailsDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    for (std::size_t r = 0; r < shown_rows_.size(); ++r) {
        const auto y = pixelsY(FirstRow + static_cast<std::int32_t>(r) * RowPitch);
        for (std::size_t c = 0; c < shown_rows_[r].size(); ++c)
            write(*this, font, pixelsX(Columns[c]), y, shown_rows_[r][c]);
    }
}

// The turn's overview.

std::vector<EndTurnDlg::Line> EndTurnDlg::linesOf(const EndOfGameResults& r) {
    const auto n = [](std::int16_t v) { return std::to_string(v); };
    return {
        {"", r.homeName, r.visitorName},
        {"TQ lost", n(r.homeLostTQ), n(r.visitorLostTQ)},
        {"Rout limit", n(r.homeTQLimit), n(r.visitorTQLimit)},
        {"Units routing", n(r.homeRouting), n(r.visitorRouting)},
        {"TQ routing", n(r.homeRoutedTQ), n(r.visitorRoutedTQ)},
        {"Units eliminated", n(r.homeEliminated), n(r.visitorEliminated)},
        {"Units at the start", n(r.homeUnits), n(r.visitorUnits)},
    };
}

EndTurnDlg::EndTurnDlg(const EndOfGameResults& results, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), results_(results),
      shown_(std::move(shown)) {}

void EndTurnDlg::onInitDialog() {
    centre();
    if (!armyDetails) enableItem(IdHomeDetails, 0), enableItem(IdVisitorDetails, 0);
    if (shown_) shown_(*this, TemplateName);
}

void EndTurnDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if ((id == IdHomeDetails || id == IdVisitorDetails) && armyDetails)
        armyDetails(id == IdHomeDetails ? 1 : 0);
    else
        Dialog::onCommand(id, notification);
}

void EndTurnDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    // Each side's figures stand above its details button.
    const std::vector<Line> lines = linesOf(results_);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto y = pixelsY(6 + static_cast<std::int32_t>(i) * 15);
        write(*this, font, pixelsX(6), y, lines[i].label);
        write(*this, font, pixelsX(177), y, lines[i].home);
        write(*this, font, pixelsX(241), y, lines[i].visitor);
    }
}

} // namespace vael
