#include "game/shell/combat_results_dialog.h"

#include <algorithm>

#include "framework/core/list_walk.h"
#include "framework/ui/dialog_item.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/system_font.h"
#include "game/shell/dialog_helpers.h"
#include "game/shell/shell_message_names.h"

namespace vael {

using dialog_helpers::closedByButton;
using dialog_helpers::pixelsX;
using dialog_helpers::valuesOf;

namespace {

void addLines(std::vector<std::string>& lines, const List<std::string>& names, const List<short>& hitList,
              const List<short>& routedList) {
    const std::vector<short> hits = valuesOf(hitList), routed = valuesOf(routedList);
    std::size_t i = 0;
    for (const std::string& name : each(names)) {
        // The lists run side by side; a shorter one counts as no hits and no rout.
        const short h = i < hits.size() ? hits[i] : short(0);
        const bool rout = i < routed.size() && routed[i] != 0;
        lines.push_back(name + ": " +
                        (rout     ? std::string("routed")
                         : h == 1 ? std::string("1 hit")
                                  : std::to_string(h) + " hits"));
        ++i;
    }
}

} // namespace

std::vector<std::string> OverallCombatResultsDlg::linesOf(const List<SingleCombatResult>& results) {
    std::vector<std::string> lines;
    for (const SingleCombatResult& r : each(results)) {
        addLines(lines, r.attackerNames, r.attackerHits, r.attackerRouted);
        addLines(lines, r.defenderNames, r.defenderHits, r.defenderRouted);
    }
    return lines;
}

OverallCombatResultsDlg::OverallCombatResultsDlg(const List<SingleCombatResult>& results, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), lines_(linesOf(results)),
      shown_(std::move(shown)) {}

OverallCombatResultsDlg::~OverallCombatResultsDlg() {
    silent_ = true;
    if (isOpen()) close(0);
}

void OverallCombatResultsDlg::adjustTemplate(DialogTemplate& results) {
    auto list = std::find_if(results.items.begin(), results.items.end(),
                             [](const DialogItem& it) { return it.signedId() == IdList; });
    if (list == results.items.end()) return;
    // The list grows until its longest line shows whole beside the scroll bar, and the dialog with it;
    // the Close button keeps to the right edge.
    std::int32_t widest = 0;
    for (const std::string& line : lines_)
        widest = std::max(widest, systemTextWidth(line, false));
    const std::int32_t wanted =
        std::min<std::int32_t>(widest + 2 * 2 + 2 + DialogItemWindow::ScrollWidth, MaxListWidth);
    std::int16_t grown = 0;
    while (pixelsX(list->cx + grown) < wanted)
        ++grown;
    if (grown == 0) return;
    const std::int16_t right = static_cast<std::int16_t>(list->x + list->cx);
    list->cx = static_cast<std::int16_t>(list->cx + grown);
    for (DialogItem& it : results.items)
        if (it.controlClass == ClassButton && it.x < right) it.x = static_cast<std::int16_t>(it.x + grown);
    results.cx = static_cast<std::int16_t>(results.cx + grown);
}

void OverallCombatResultsDlg::onInitDialog() {
    centre();
    if (getBus()) connectNamed(msg::CloseGame, &OverallCombatResultsDlg::onCloseGame);
    if (DialogItemWindow* list = item(IdList)) {
        list->clearRows();
        for (const std::string& line : lines_)
            list->addRow(line);
        drawItem(*list);
    }
    if (shown_) shown_(*this, TemplateName);
}

void OverallCombatResultsDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (!closedByButton(*this, id, IdClose, 1)) Dialog::onCommand(id, notification);
}

void OverallCombatResultsDlg::close(std::int16_t value) {
    if (!isOpen()) return;
    if (getBus()) disconnectNamed(msg::CloseGame, &OverallCombatResultsDlg::onCloseGame);
    Dialog::close(value);
    if (!silent_ && getBus()) sendNamedEmpty(msg::DoneViewingCombatResults);
}

ContainerBase* OverallCombatResultsDlg::onCloseGame(Component* target, BusMessage, ContainerBase*) {
    if (auto* dialog = dynamic_cast<OverallCombatResultsDlg*>(target)) {
        dialog->silent_ = true;
        dialog->close(0);
    }
    return nullptr;
}

} // namespace vael
