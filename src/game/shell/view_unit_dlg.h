#pragma once
// The unit overview the unit menu's "View Details..." puts up for the selected unit.
#include <cstdint>
#include <string>

#include "framework/ui/dialog.h"
#include "framework/ui/win_app.h"
#include "game/shell/game_dialogs.h"

namespace vael {

class VaelUnit;

// "ViewUnit": modal over one unit; OK (and Return) close it with 1, Escape with 0; there is no help to
// give, so its button is greyed.
class ViewUnitDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "ViewUnit";
    static constexpr std::int16_t IdHelp = 9;
    explicit ViewUnitDlg(VaelUnit& unit, DialogShown shown = {});
    VaelUnit& unit() const { return unit_; }
    void onInitDialog() override;

private:
    VaelUnit& unit_;
    DialogShown shown_;
};

// Puts the overview up modally over the application; answers what it closed with.
std::int16_t showUnitOverview(WinApp& app, VaelUnit& unit, const DialogShown& shown);

} // namespace vael
