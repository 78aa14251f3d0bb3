#include "game/shell/leader_cheat_dialog.h"

#include <algorithm>

#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_item.h"
#include "framework/ui/win_app.h"

namespace vael {

std::string LeaderCheatDlg::rowText(const LeaderUnitInfo& leader, bool gone) {
    return gone ? leader.name + " (gone)" : leader.name;
}

LeaderCheatDlg::LeaderCheatDlg(const DynArray<LeaderUnitInfo>& leaders, const DynArray<short>& gone,
                               std::int16_t count, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), shown_(std::move(shown)) {
    // The arrays grow on a read past their end, so the copies are read only as far as they hold; a count
    // beyond them lists no leader that is not there.
    DynArray<LeaderUnitInfo> records(leaders);
    DynArray<short> flags(gone);
    const std::int16_t rows = std::min<std::int16_t>(std::max<std::int16_t>(count, 0), records.size());
    for (std::int16_t i = 0; i < rows; ++i)
        rows_.push_back(rowText(records[i], i < flags.size() && flags[i] != 0));
}

void LeaderCheatDlg::onInitDialog() {
    centre();
    enableItem(IdHelp, 0);
    if (DialogItemWindow* list = item(IdList)) {
        list->clearRows();
        for (const std::string& row : rows_)
            list->addRow(row);
        drawItem(*list);
    }
    if (shown_) shown_(*this, TemplateName);
}

void LeaderCheatDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk || (id == IdList && notification == ListDoubleClicked)) {
        const DialogItemWindow* list = item(IdList);
        const std::int32_t at = list ? list->selection() : -1;
        const auto* box = dynamic_cast<DialogButton*>(controlOf(IdMomentum));
        choice_.ok = true;
        choice_.leader = at >= 0 && at < static_cast<std::int32_t>(rows_.size())
                             ? static_cast<std::int16_t>(at)
                             : GameControl::NoLeader;
        choice_.momentum = box && box->getCheck() != 0;
        close(1);
    } else {
        Dialog::onCommand(id, notification);
    }
}

GameControl::LeaderOrderChoice askLeaderOrder(WinApp& app, const DynArray<LeaderUnitInfo>& leaders,
                                              const DynArray<short>& gone, std::int16_t count,
                                              const DialogShown& shown) {
    LeaderCheatDlg ask(leaders, gone, count, shown);
    ask.attach(app);
    if (ask.create(LeaderCheatDlg::TemplateName, Dialog::Modal) != 1) return {};
    return ask.choice();
}

} // namespace vael
