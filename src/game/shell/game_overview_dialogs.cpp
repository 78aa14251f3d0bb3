#include "game/shell/game_overview_dialogs.h"

#include <algorithm>

#include "framework/core/list_walk.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/font.h"
#include "framework/ui/text_tile.h"
#include "framework/ui/win_app.h"
#include "game/rules/combat/combat.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/dialog_helpers.h"

namespace vael {

using dialog_helpers::closedByButton;
using dialog_helpers::fitted;
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
      rows_(std::move(rows)), shown_(std::move(shown)) {
    layOut();
}

void ArmyDetailsDlg::layOut() {
    shown_rows_.clear();
    if (rows_.size() <= MaxRows) {
        shown_rows_ = rows_;
        return;
    }
    const auto count = [](const char* before, std::size_t n, const char* after) {
        return ArmyDetailsRow{before + std::to_string(n) + after, "", "", "", "", ""};
    };
    if (first_ > 0) shown_rows_.push_back(count("... ", first_, " above"));
    const std::size_t room = MaxRows - shown_rows_.size();
    const std::size_t left = rows_.size() - first_;
    const std::size_t written = left <= room ? left : room - 1;
    shown_rows_.insert(shown_rows_.end(), rows_.begin() + static_cast<std::ptrdiff_t>(first_),
                       rows_.begin() + static_cast<std::ptrdiff_t>(first_ + written));
    if (written < left) shown_rows_.push_back(count("... and ", left - written, " more"));
}

std::ptrdiff_t ArmyDetailsDlg::lastFirst() const {
    // The last page begins where the rows below fit under the count of those above.
    return rows_.size() <= MaxRows ? 0 : static_cast<std::ptrdiff_t>(rows_.size() - (MaxRows - 1));
}

void ArmyDetailsDlg::scrollTo(std::ptrdiff_t first) {
    const auto to = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(first, 0, lastFirst()));
    if (DialogItemWindow* bar = item(IdScrollBar); bar && bar->position() != static_cast<std::int32_t>(to))
        bar->setPosition(static_cast<std::int32_t>(to));
    if (to == first_) return;
    first_ = to;
    layOut();
    if (isOpen()) Dialog::dialogProc(MessagePaint, 0, 0);
}

std::int16_t ArmyDetailsDlg::columnX(std::size_t column) const {
    return pixelsX(Columns[column] + (column > 0 ? widened_ : 0));
}

void ArmyDetailsDlg::adjustTemplate(DialogTemplate& details) {
    // The name column grows to the longest name; the columns right of it, their headings and the buttons
    // move over by as much.
    DialogFont font(TextTile::DefaultFont);
    std::int32_t widest = 0;
    for (const ArmyDetailsRow& row : rows_)
        widest = std::max<std::int32_t>(widest, font.textWidth(row[0]));
    // Twice the gap: a whole name stands as clear of the figures as the others' figures of each other.
    const std::int32_t wanted = std::min<std::int32_t>(widest + 2 * ColumnGap, MaxNameWidth);
    widened_ = 0;
    while (pixelsX(Columns[1] + widened_) - pixelsX(Columns[0]) < wanted)
        ++widened_;
    for (DialogItem& it : details.items)
        if (it.x >= Columns[1]) it.x = static_cast<std::int16_t>(it.x + widened_);
    std::int16_t barRoom = 0;
    if (rows_.size() > MaxRows) {
        // The bar stands right of the last column, as tall as the rows.
        DialogItem bar;
        bar.style = style::Child | style::Visible | style::ScrollVertical;
        bar.controlClass = ClassScrollBar;
        bar.id = IdScrollBar;
        bar.x = static_cast<std::int16_t>(details.cx + widened_ - 2);
        bar.y = FirstRow;
        bar.cx = ScrollBarWidth;
        bar.cy = static_cast<std::int16_t>(MaxRows * RowPitch);
        barRoom = ScrollBarWidth;
        details.items.push_back(bar);
    }
    // The buttons keep to the right edge, past the bar.
    for (DialogItem& it : details.items)
        if (it.controlClass == ClassButton) it.x = static_cast<std::int16_t>(it.x + barRoom);
    details.cx = static_cast<std::int16_t>(details.cx + widened_ + barRoom);
}

bool ArmyDetailsDlg::takeDialogMessage(const WindowMessage& message) {
    // The keys scroll only while no dialog stands over this one.
    WindowHandle over = 0;
    const bool topmost = !winApp() || !winApp()->modelessDialogs().last(over) || over == hwnd();
    if (message.message == MessageKeyDown && !(message.lParam & platform::ModAlt) && isOpen() && topmost) {
        const auto page = static_cast<std::ptrdiff_t>(MaxRows - 2);
        const auto at = static_cast<std::ptrdiff_t>(first_);
        switch (message.wParam) {
        case platform::KeyUp:
            return scrollTo(at - 1), true;
        case platform::KeyDown:
            return scrollTo(at + 1), true;
        case platform::KeyPageUp:
            return scrollTo(at - page), true;
        case platform::KeyPageDown:
            return scrollTo(at + page), true;
        case platform::KeyHome:
            return scrollTo(0), true;
        case platform::KeyEnd:
            return scrollTo(static_cast<std::ptrdiff_t>(rows_.size())), true;
        default:
            break;
        }
    }
    return Dialog::takeDialogMessage(message);
}

std::intptr_t ArmyDetailsDlg::dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    // The wheel anywhere over the dialog scrolls the rows; at their end it goes on as over any dialog (one
    // taller than the window slides to show its foot).
    if (message == MessageMouseWheel) {
        const auto notches = static_cast<std::ptrdiff_t>(static_cast<std::intptr_t>(wParam));
        const std::size_t was = first_;
        scrollTo(static_cast<std::ptrdiff_t>(first_) - notches * WheelRows);
        return first_ == was ? Dialog::dialogProc(message, wParam, lParam) : 0;
    }
    // A click on the count of the rows above or below turns a page that way.
    const DialogItemWindow* bar = item(IdScrollBar);
    if (message == MessageButtonDown && (wParam & 0xFF) == platform::ButtonLeft && !shown_rows_.empty() &&
        !(bar && bar->contains(pointOf(lParam)))) {
        const std::int32_t y = pointY(lParam);
        const auto lineAt = [](std::size_t r) {
            return pixelsY(FirstRow + static_cast<std::int32_t>(r) * RowPitch);
        };
        const auto page = static_cast<std::ptrdiff_t>(MaxRows - 2);
        const std::size_t last = shown_rows_.size() - 1;
        if (first_ > 0 && y >= lineAt(0) && y < lineAt(1)) {
            scrollTo(static_cast<std::ptrdiff_t>(first_) - page);
            return 0;
        }
        if (shown_rows_[last][0].rfind("... and ", 0) == 0 && rows_.size() > MaxRows && y >= lineAt(last) &&
            y < lineAt(last + 1)) {
            scrollTo(static_cast<std::ptrdiff_t>(first_) + page);
            return 0;
        }
    }
    const std::intptr_t answer = Dialog::dialogProc(message, wParam, lParam);
    // The scroll bar's thumb dragged or stepped moves the rows with it.
    if (const DialogItemWindow* moved = isOpen() ? item(IdScrollBar) : nullptr;
        moved && moved->position() != static_cast<std::int32_t>(first_))
        scrollTo(moved->position());
    return answer;
}

void ArmyDetailsDlg::onInitDialog() {
    centre();
    if (DialogItemWindow* bar = item(IdScrollBar)) {
        bar->setRange(0, static_cast<std::int32_t>(lastFirst()));
        bar->setPosition(static_cast<std::int32_t>(first_));
    }
    if (!sideName_.empty()) setCaption(sideName_ + " Army Details");
    // There is no help file to open.
    enableItem(IdHelp, 0);
    if (shown_) shown_(*this, TemplateName);
}

void ArmyDetailsDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (!closedByButton(*this, id, IdClose, 1)) Dialog::onCommand(id, notification);
}

void ArmyDetailsDlg::drawBackground() {
    Dialog::drawBackground();
    DialogFont font(TextTile::DefaultFont);
    for (std::size_t r = 0; r < shown_rows_.size(); ++r) {
        const auto y = pixelsY(FirstRow + static_cast<std::int32_t>(r) * RowPitch);
        for (std::size_t c = 0; c < shown_rows_[r].size(); ++c) {
            const std::string& text = shown_rows_[r][c];
            // A long name would run on under the next column's figures: it is cut short before them.
            const bool last = c + 1 == shown_rows_[r].size();
            write(*this, font, columnX(c), y,
                  last ? text : fitted(font, text, columnX(c + 1) - columnX(c) - ColumnGap));
        }
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
