#include "game/shell/side_dialogs.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "framework/ui/dialog_item.h"
#include "game/shell/dialog_helpers.h"

namespace vael {

using dialog_helpers::closedByButton;

namespace {

std::uint16_t bounded(std::int32_t level, std::uint16_t total) {
    return static_cast<std::uint16_t>(std::clamp<std::int32_t>(level, 1, std::max<std::int32_t>(total, 1)));
}

} // namespace

// The rout levels.

std::pair<std::uint16_t, std::uint16_t> ArmyRoutDlg::levels(const ArmyRoutRequest& r, Level level) {
    const std::int32_t home = r.homeTQPoints, visitor = r.visitorTQPoints;
    switch (level) {
    case Normal:
        return {r.homeTQPoints, r.visitorTQPoints};
    case Custom:
        return {bounded(r.homeTotal / 2, r.homeTotal), bounded(r.visitorTotal / 2, r.visitorTotal)};
    case Easy:
    case Hard: {
        // More points before a side routs is easier for it.
        const std::int32_t sign = (level == Easy) == (r.flag != 0) ? 1 : -1;
        return {bounded(home + sign * home / 4, r.homeTotal),
                bounded(visitor - sign * visitor / 4, r.visitorTotal)};
    }
    }
    return {r.homeTQPoints, r.visitorTQPoints};
}

ArmyRoutDlg::ArmyRoutDlg(const ArmyRoutRequest& request, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), request_(request),
      shown_(std::move(shown)) {}

void ArmyRoutDlg::onInitDialog() {
    centre();
    selectRadio(IdEasy, Normal);
    // There is no help file to open.
    enableItem(IdHelp, 0);
    const auto [home, visitor] = levels(request_, Custom);
    customHome_ = std::to_string(home), customVisitor_ = std::to_string(visitor);
    for (auto [label, side, total] :
         {std::tuple{IdHomeLabel, request_.homeName, request_.homeTotal},
          std::tuple{IdVisitorLabel, request_.visitorName, request_.visitorTotal}})
        setItemText(label, side + " (1 to " + std::to_string(std::max<std::uint16_t>(total, 1)) + ")");
    showLevels();
    if (shown_) shown_(*this, TemplateName);
}

ArmyRoutDlg::Level ArmyRoutDlg::chosenLevel() {
    const std::int16_t chosen = radioSelection(IdEasy);
    return chosen >= Easy && chosen <= Custom ? static_cast<Level>(chosen) : Normal;
}

void ArmyRoutDlg::showLevels() {
    const Level level = chosenLevel();
    const bool custom = level == Custom;
    // What the player typed under Custom comes back when he chooses it again.
    if (customShown_ && !custom)
        customHome_ = getItemText(IdHomeLevel), customVisitor_ = getItemText(IdVisitorLevel);
    if (custom) {
        setItemText(IdHomeLevel, customHome_);
        setItemText(IdVisitorLevel, customVisitor_);
    } else {
        // The levels the battle will use, greyed: the player sees what his choice gives.
        const auto [home, visitor] = levels(request_, level);
        setItemText(IdHomeLevel, std::to_string(home));
        setItemText(IdVisitorLevel, std::to_string(visitor));
    }
    customShown_ = custom;
    enableItem(IdHomeLevel, custom ? 1 : 0);
    enableItem(IdVisitorLevel, custom ? 1 : 0);
}

std::optional<std::uint16_t> ArmyRoutDlg::typedLevel(std::int16_t id, const std::string& side,
                                                     std::uint16_t total) {
    const std::string text = getItemText(id);
    const std::int32_t most = std::max<std::int32_t>(total, 1);
    const bool digits = !text.empty() && text.size() <= 5 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && std::stol(text) >= 1 && std::stol(text) <= most)
        return static_cast<std::uint16_t>(std::stol(text));
    dialog_helpers::tell("The " + side + " army's level must be a number from 1 to " + std::to_string(most) +
                             ".",
                         "Army Rout Level");
    return std::nullopt;
}

void ArmyRoutDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        const Level level = chosenLevel();
        if (level == Custom) {
            const auto home = typedLevel(IdHomeLevel, request_.homeName, request_.homeTotal);
            if (!home) return;
            const auto visitor = typedLevel(IdVisitorLevel, request_.visitorName, request_.visitorTotal);
            if (!visitor) return;
            home_ = *home, visitor_ = *visitor;
        } else {
            std::tie(home_, visitor_) = levels(request_, level);
        }
        close(1);
    } else if (id != IdCancel) {
        // Escape, with no Cancel to stand for, makes no choice for the player.
        Dialog::onCommand(id, notification);
        if (isOpen() && id >= IdEasy && id <= IdCustom) showLevels();
    }
}

// The elite initiative.

EliteInitiativeDlg::EliteInitiativeDlg(std::vector<std::string> leaders, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      leaders_(std::move(leaders)), shown_(std::move(shown)) {}

void EliteInitiativeDlg::onInitDialog() {
    centre();
    enableItem(IdHelp, 0);
    if (DialogItemWindow* list = item(IdList)) {
        list->clearRows();
        for (const std::string& name : leaders_)
            list->addRow(name);
        if (!leaders_.empty()) list->select(0);
        drawItem(*list);
        // The choice is the list's: Down moves it at once, and Return still presses OK.
        setFocus(list);
    }
    if (shown_) shown_(*this, TemplateName);
}

void EliteInitiativeDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    DialogItemWindow* list = item(IdList);
    if (id == IdOk || (id == IdList && notification == ListDoubleClicked)) {
        const std::int32_t at = list ? list->selection() : -1;
        chosen_ = at >= 0 && at < static_cast<std::int32_t>(leaders_.size()) ? leaders_[std::size_t(at)] : "";
        close(1);
    } else if (id != IdCancel) {
        // Escape, with no Cancel to stand for, leaves the first move to nobody: the list stays.
        Dialog::onCommand(id, notification);
    }
}

VaelEliteInitiativeDlg::VaelEliteInitiativeDlg(DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), shown_(std::move(shown)) {
    // No is the player's choice not to take the initiative, not a way out of the question: nothing but a
    // button answers it, as nothing but OK answers the list of leaders that Yes leads to.
    answeredByButtonsOnly();
}

void VaelEliteInitiativeDlg::onInitDialog() {
    centre();
    enableItem(IdHelp, 0);
    if (shown_) shown_(*this, TemplateName);
}

void VaelEliteInitiativeDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (!closedByButton(*this, id, IdYes, 1) && !closedByButton(*this, id, IdNo, 0))
        Dialog::onCommand(id, notification);
}

} // namespace vael
