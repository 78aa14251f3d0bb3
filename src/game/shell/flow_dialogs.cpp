#include "game/shell/flow_dialogs.h"

#include "framework/ui/dialog_control.h"
#include "game/shell/dialog_helpers.h"

namespace vael {

using dialog_helpers::checked;
using dialog_helpers::closedByButton;

// Momentum.

MomentumDlg::MomentumDlg(DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), shown_(std::move(shown)) {}

void MomentumDlg::onInitDialog() {
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void MomentumDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (!closedByButton(*this, id, IdYes, 1) && !closedByButton(*this, id, IdNo, 0))
        Dialog::onCommand(id, notification);
}

// The initiative's result.

std::string InitiativeResultsDlg::lineOf(const std::string& leader, bool succeeded) {
    return leader +
           (succeeded ? " attempted momentum and was successful!" : " attempted momentum and failed.");
}

InitiativeResultsDlg::InitiativeResultsDlg(const std::string& leader, bool succeeded, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      line_(lineOf(leader, succeeded)), shown_(std::move(shown)) {}

void InitiativeResultsDlg::onInitDialog() {
    centre();
    setItemText(IdText, line_);
    // The box of the template has no label of its own; the text beside it is its label.
    setItemText(IdNeverShowText, "Never show this again");
    if (shown_) shown_(*this, TemplateName);
}

void InitiativeResultsDlg::close(std::int16_t value) {
    if (isOpen()) neverShow_ = checked(*this, IdNeverShow);
    Dialog::close(value);
}

// A volley's result.

std::pair<std::string, std::string> MissileResultsDlg::linesOf(const std::string& target, std::int16_t hits) {
    if (hits <= 0) return {target + " is missed.  It suffers", "no cohesion hits."};
    return {target + " is hit.  It suffers",
            hits == 1 ? std::string("1 cohesion hit.") : std::to_string(hits) + " cohesion hits."};
}

MissileResultsDlg::MissileResultsDlg(const std::string& target, std::int16_t hits, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      lines_(linesOf(target, hits)), shown_(std::move(shown)) {}

void MissileResultsDlg::onInitDialog() {
    centre();
    setItemText(IdFirst, lines_.first);
    setItemText(IdSecond, lines_.second);
    if (shown_) shown_(*this, TemplateName);
}

void MissileResultsDlg::close(std::int16_t value) {
    if (isOpen()) neverShow_ = checked(*this, IdNeverShow);
    Dialog::close(value);
}

// A rally's result.

std::vector<std::string> RallyDlg::linesOf(const RallyResult& r) {
    std::string last;
    if (!r.rallied)
        last = "It failed and is now terminally routing!";
    else if (r.recovered == 1)
        last = "It rallied and recovers 1 cohesion hit.";
    else
        last = "It rallied and recovers " + std::to_string(r.recovered) + " cohesion hits.";
    return {r.unit + " attempted to rally.", "The die roll was " + std::to_string(r.roll) + ".", last};
}

RallyDlg::RallyDlg(const RallyResult& result, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), lines_(linesOf(result)),
      shown_(std::move(shown)) {}

void RallyDlg::onInitDialog() {
    centre();
    // There is no help file to open.
    enableItem(IdHelp, 0);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        setItemText(static_cast<std::int16_t>(IdLine1 + i), lines_[i]);
    if (shown_) shown_(*this, TemplateName);
}

// Orderly withdrawal.

std::pair<std::string, std::string> OWDlg::linesOf(const std::string& unit, const std::string& approacher) {
    // Two lines, so that long names fit the template's width.
    return {unit + " may withdraw", "before " + approacher + ".  Withdraw?"};
}

OWDlg::OWDlg(const std::string& unit, const std::string& approacher, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      lines_(linesOf(unit, approacher)), shown_(std::move(shown)) {}

void OWDlg::onInitDialog() {
    centre();
    enableItem(IdHelp, 0);
    setItemText(IdFirst, lines_.first);
    setItemText(IdSecond, lines_.second);
    if (shown_) shown_(*this, TemplateName);
}

void OWDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (!closedByButton(*this, id, IdYes, 1) && !closedByButton(*this, id, IdNo, 0))
        Dialog::onCommand(id, notification);
}

// The end of a leader's orders.

EndOrdersDlg::EndOrdersDlg(DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), shown_(std::move(shown)) {}

void EndOrdersDlg::onInitDialog() {
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void EndOrdersDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (!closedByButton(*this, id, IdYes, 1) && !closedByButton(*this, id, IdNo, 0))
        Dialog::onCommand(id, notification);
}

void EndOrdersDlg::close(std::int16_t value) {
    if (isOpen()) neverAsk_ = checked(*this, IdNeverAsk);
    Dialog::close(value);
}

} // namespace vael
