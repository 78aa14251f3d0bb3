#pragma once
// The test switch that lets the tester pick who goes next: the leaders in a list, those gone this turn
// marked, and a box that makes the active leader's momentum roll succeed.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/dyn_array.h"
#include "framework/ui/dialog.h"
#include "framework/ui/win_app.h"
#include "game/flow/game_control.h"
#include "game/shell/game_dialogs.h"

namespace vael {

// "LeaderCheatDlg": a row per leader of the battle, in the turn sequence's order, so a row's index is the
// leader's index there. OK (and a double click on a row) gives the chosen index (NoLeader when no row is
// chosen) and the momentum box; Cancel and Escape give nothing, and the turn goes on as it would.
class LeaderCheatDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "LeaderCheatDlg";
    static constexpr std::int16_t IdHelp = 9, IdList = 10, IdMomentum = 11;
    // The row's text: the leader's name, with "(gone)" after those that went this turn.
    static std::string rowText(const LeaderUnitInfo& leader, bool gone);

    LeaderCheatDlg(const DynArray<LeaderUnitInfo>& leaders, const DynArray<short>& gone, std::int16_t count,
                   DialogShown shown = {});
    const GameControl::LeaderOrderChoice& choice() const { return choice_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    std::vector<std::string> rows_;
    DialogShown shown_;
    GameControl::LeaderOrderChoice choice_;
};

// Puts the dialog up modally over the application and answers what the turn sequence asks.
GameControl::LeaderOrderChoice askLeaderOrder(WinApp& app, const DynArray<LeaderUnitInfo>& leaders,
                                              const DynArray<short>& gone, std::int16_t count,
                                              const DialogShown& shown);

} // namespace vael
