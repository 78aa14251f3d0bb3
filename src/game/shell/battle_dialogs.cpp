#include "game/shell/battle_dialogs.h"

#include <algorithm>

#include "framework/core/list_walk.h"
#include "framework/ui/dialog_item.h"
#include "framework/ui/font.h"
#include "framework/ui/text_tile.h"
#include "game/rules/combat/combat.h"
#include "game/shell/dialog_helpers.h"

namespace vael {

using dialog_helpers::fitted;
using dialog_helpers::pixelsX;
using dialog_helpers::pixelsY;
using dialog_helpers::valuesOf;
using dialog_helpers::write;

namespace {

std::string at(const std::vector<short>& values, std::size_t i) {
    return i < values.size() ? std::to_string(values[i]) : std::string();
}

bool routed(const std::vector<short>& values, std::size_t i) {
    return i < values.size() && values[i] != 0;
}

} // namespace

// One battle's results.

std::vector<ShowCombatResultsDlg::Row> ShowCombatResultsDlg::rowsOf(const SingleCombatResult& r) {
    std::vector<Row> rows{{"", "Unit", "Hex", "Hits", "Total", ""}};
    const auto add = [&rows](const char* side, const List<std::string>& names, const List<short>& hexes,
                             const List<short>& hits, const List<short>& totals, const List<short>& routs) {
        const std::vector<short> h = valuesOf(hexes), n = valuesOf(hits), t = valuesOf(totals),
                                 o = valuesOf(routs);
        std::size_t i = 0;
        for (const std::string& name : each(names)) {
            rows.push_back({side, name, at(h, i), at(n, i), at(t, i), routed(o, i) ? "Routed" : ""});
            ++i;
        }
    };
    add("Attacker", r.attackerNames, r.attackerHexes, r.attackerHits, r.attackerTotals, r.attackerRouted);
    add("Defender", r.defenderNames, r.defenderHexes, r.defenderHits, r.defenderTotals, r.defenderRouted);
    if (rows.size() > MaxRows) {
        const std::size_t hidden = rows.size() - (MaxRows - 1);
        rows.resize(MaxRows - 1);
        rows.push_back({"", "... and " + std::to_string(hidden) + " more", "", "", "", ""});
    }
    return rows;
}

ShowCombatResultsDlg::ShowCombatResultsDlg(const SingleCombatResult& result, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), rows_(rowsOf(result)),
      shown_(std::move(shown)) {}

void ShowCombatResultsDlg::onInitDialog() {
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void ShowCombatResultsDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClose)
        close(1);
    else
        Dialog::onCommand(id, notification);
}

void ShowCombatResultsDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    static constexpr std::int32_t columns[] = {6, 56, 170, 206, 236, 268};
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const Row& row = rows_[r];
        const std::string* cells[] = {&row.side, &row.name, &row.hex, &row.hits, &row.total, &row.result};
        const auto y = pixelsY(6 + static_cast<std::int32_t>(r) * 11);
        for (std::size_t c = 0; c < std::size(columns); ++c)
            write(*this, font, pixelsX(columns[c]), y, *cells[c]);
    }
}

// Every battle of the step.

std::vector<std::string> BattleDetailsDlg::linesOf(const List<SingleCombatResult>& results) {
    std::vector<std::string> lines;
    const auto units = [&lines](const char* side, const List<std::string>& names, const List<short>& hexes,
                                const List<short>& hits, const List<short>& margins,
                                const List<short>& routs) {
        const std::vector<short> h = valuesOf(hexes), n = valuesOf(hits), m = valuesOf(margins),
                                 o = valuesOf(routs);
        std::size_t i = 0;
        for (const std::string& name : each(names)) {
            std::string line = std::string("  ") + side + " " + name;
            if (i < h.size()) line += " at " + std::to_string(h[i]);
            line += ": " + (i < n.size() ? std::to_string(n[i]) : std::string("0")) +
                    (i < n.size() && n[i] == 1 ? " hit" : " hits");
            if (i < m.size()) line += ", margin " + std::to_string(m[i]);
            if (routed(o, i)) line += ", routed";
            lines.push_back(line);
            ++i;
        }
    };
    int battle = 0;
    for (const SingleCombatResult& r : each(results)) {
        lines.push_back("Battle " + std::to_string(++battle));
        units("Attacker", r.attackerNames, r.attackerHexes, r.attackerHits, r.attackerMargins,
              r.attackerRouted);
        units("Defender", r.defenderNames, r.defenderHexes, r.defenderHits, r.defenderMargins,
              r.defenderRouted);
    }
    if (lines.empty()) lines.push_back("No battle was fought.");
    if (lines.size() > MaxLines) {
        const std::size_t hidden = lines.size() - (MaxLines - 1);
        lines.resize(MaxLines - 1);
        lines.push_back("... and " + std::to_string(hidden) + " more lines");
    }
    return lines;
}

BattleDetailsDlg::BattleDetailsDlg(const List<SingleCombatResult>& results, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), lines_(linesOf(results)),
      shown_(std::move(shown)) {}

void BattleDetailsDlg::onInitDialog() {
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void BattleDetailsDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClose)
        close(1);
    else
        Dialog::onCommand(id, notification);
}

void BattleDetailsDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        write(*this, font, pixelsX(6), pixelsY(6 + static_cast<std::int32_t>(i) * 10), lines_[i]);
}

// Each army's cohesion.

std::vector<CohesionRow> cohesionRows(const List<Combat*>& units) {
    std::vector<CohesionRow> rows;
    for (Combat* unit : each(units))
        rows.push_back({unit->getName(), static_cast<std::int16_t>(unit->getTroopQuality()),
                        static_cast<std::int16_t>(unit->getCohesionHits()), unit->isRouting() != 0});
    return rows;
}

std::int32_t CohesionOverviewDlg::barLength(const CohesionRow& row, std::int32_t width) {
    if (row.TQ <= 0 || width <= 0) return 0;
    const std::int32_t left =
        std::clamp<std::int32_t>(row.TQ - std::max<std::int32_t>(row.hits, 0), 0, row.TQ);
    return left * width / row.TQ;
}

CohesionOverviewDlg::CohesionOverviewDlg(std::vector<CohesionRow> home, std::vector<CohesionRow> visitor,
                                         DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""),
      Dialog("Dialog Bitmaps", "Intro", ""), sides_{std::move(home), std::move(visitor)},
      shown_(std::move(shown)) {}

std::int32_t CohesionOverviewDlg::first(std::int16_t scrollId) const {
    const DialogItemWindow* bar = item(scrollId);
    return bar ? bar->position() : 0;
}

std::int32_t CohesionOverviewDlg::homeFirst() const {
    return first(IdHomeScroll);
}

std::int32_t CohesionOverviewDlg::visitorFirst() const {
    return first(IdVisitorScroll);
}

std::vector<CohesionRow> CohesionOverviewDlg::shown(int side) const {
    const std::vector<CohesionRow>& rows = sides_[side == 0 ? 0 : 1];
    const auto from = static_cast<std::size_t>(std::max(0, side == 0 ? homeFirst() : visitorFirst()));
    std::vector<CohesionRow> boxes;
    for (std::size_t i = from; i < rows.size() && boxes.size() < std::size_t(BoxesPerSide); ++i)
        boxes.push_back(rows[i]);
    return boxes;
}

void CohesionOverviewDlg::onInitDialog() {
    centre();
    for (int side = 0; side < 2; ++side)
        if (DialogItemWindow* bar = item(side == 0 ? IdHomeScroll : IdVisitorScroll)) {
            bar->setRange(
                0, std::max<std::int32_t>(0, static_cast<std::int32_t>(sides_[side].size()) - BoxesPerSide));
            bar->setPosition(0);
            bar->enable(sides_[side].size() > std::size_t(BoxesPerSide));
        }
    // The boxes are drawn with the units inside them, under the dialog's own painting of its controls.
    for (const auto& w : items())
        if (w->controlClass() == ClassBorShade) w->show(false);
    if (shown_) shown_(*this, TemplateName);
}

void CohesionOverviewDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdClose)
        close(1);
    else
        Dialog::onCommand(id, notification);
}

std::intptr_t CohesionOverviewDlg::dialogProc(std::uint32_t message, std::uintptr_t wParam,
                                              std::intptr_t lParam) {
    const std::intptr_t answer = Dialog::dialogProc(message, wParam, lParam);
    // A click on a scroll bar moves it without telling the dialog: the boxes follow it here.
    if (isOpen() && (homeFirst() != drawnFirst_[0] || visitorFirst() != drawnFirst_[1]))
        Dialog::dialogProc(MessagePaint, 0, 0);
    return answer;
}

void CohesionOverviewDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    std::vector<DialogItemWindow*> boxes;
    for (const auto& w : items())
        if (w->controlClass() == ClassBorShade) boxes.push_back(w.get());
    for (int side = 0; side < 2; ++side) {
        drawnFirst_[side] = side == 0 ? homeFirst() : visitorFirst();
        const std::vector<CohesionRow> rows = shown(side);
        for (std::size_t i = 0; i < std::size_t(BoxesPerSide); ++i) {
            const std::size_t at = std::size_t(side) * BoxesPerSide + i;
            if (at >= boxes.size()) break;
            DialogItemWindow& box = *boxes[at];
            box.show(true);
            box.draw(*this, false);
            box.show(false);
            if (i >= rows.size()) continue;
            const CohesionRow& row = rows[i];
            const Box b = box.box();
            const auto x = [&b](std::int32_t units) {
                return static_cast<std::int16_t>(b.x + pixelsX(units));
            };
            const auto y = static_cast<std::int16_t>(b.y + 4);
            write(*this, font, x(2), y, fitted(font, row.name, pixelsX(49)));
            write(*this, font, x(53), y, std::to_string(row.TQ));
            write(*this, font, x(73), y, std::to_string(row.hits));
            if (row.routing) write(*this, font, x(2), static_cast<std::int16_t>(y + pixelsY(12)), "Routing");
            // The bar of cohesion left, green on a dark red of what has been lost.
            const Box bar(x(4), static_cast<std::int16_t>(b.y + b.h - pixelsY(14)),
                          static_cast<std::int16_t>(b.w - pixelsX(8)), pixelsY(7));
            fillRect(bar, 128, 0, 0);
            const std::int32_t left = barLength(row, bar.w);
            if (left > 0) fillRect(Box(bar.x, bar.y, static_cast<std::int16_t>(left), bar.h), 0, 160, 0);
            frameRect(bar, 0, 0, 0);
        }
    }
}

} // namespace vael
