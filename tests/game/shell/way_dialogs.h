#pragma once
// The dialogs a battle shows on its way, which a test playing the battle takes each with its OK: messages,
// the turns' overviews, the rout levels and the elite initiative.
#include <string>

#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/side_dialogs.h"

namespace vael::test {

inline bool alongTheWay(const std::string& name) {
    for (const char* way : {InformationDlg::TemplateName, EndTurnDlg::TemplateName, ArmyRoutDlg::TemplateName,
                            EliteInitiativeDlg::TemplateName, VaelEliteInitiativeDlg::TemplateName,
                            OverallCombatResultsDlg::TemplateName})
        if (name == way) return true;
    return false;
}

} // namespace vael::test
