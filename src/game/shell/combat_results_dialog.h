#pragma once
// The results of the combats a leader fought, shown beside the battle while it pauses: a line for each
// unit with its hits or its rout. Closing it tells the logical layer, which then goes on with the turn;
// a battle closed under it takes it away without that word. The list and the dialog are widened until the
// longest line shows whole.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/list.h"
#include "framework/ui/dialog.h"
#include "game/flow/single_combat_result.h"
#include "game/shell/game_dialogs.h"

namespace vael {

class OverallCombatResultsDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "OverallCombatResults";
    // Its caption, as the player knows it.
    static constexpr const char* Title = "Overall Combat Results";
    static constexpr std::int16_t IdList = 101, IdClose = 1;
    // The list's lines: each combat's attackers, then its defenders, as "name: routed", "name: 1 hit" or
    // "name: N hits".
    static std::vector<std::string> linesOf(const List<SingleCombatResult>& results);

    OverallCombatResultsDlg(const List<SingleCombatResult>& results, DialogShown shown = {});
    // Taken away without telling the layer.
    ~OverallCombatResultsDlg() override;
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    // Closing by the player (Close, Escape) sends "DoneViewingCombatResults" once.
    void close(std::int16_t value) override;
    // The widest the list grows to show its longest line, in pixels.
    static constexpr std::int32_t MaxListWidth = 480;

protected:
    void adjustTemplate(DialogTemplate& results) override;

private:
    static ContainerBase* onCloseGame(Component* target, BusMessage event, ContainerBase* data);
    std::vector<std::string> lines_;
    DialogShown shown_;
    bool silent_ = false;
};

} // namespace vael
