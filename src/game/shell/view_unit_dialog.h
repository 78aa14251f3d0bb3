#pragma once
// The unit overview the unit menu's "View Details..." puts up for the selected unit.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/ui/dialog.h"
#include "framework/ui/win_app.h"
#include "game/shell/game_dialogs.h"

namespace vael {

class Leader;
class VaelLogicalLayer;
class VaelUnit;

// The leader who commands the unit: the one of its side whose leader number is the unit's, as the rules
// find him for the command range; null when none has it (his own record was taken off the field).
const Leader* commandingLeader(const VaelLogicalLayer& layer, const VaelUnit& unit);

// The overview's lines, a label and its value each: name, type, nation, leader, then for a fighting unit
// TQ, hits and size, facing, missiles left (a missile unit only), and whether it moved (spent movement
// points this activation, as the rules count a move for its volley and its charge, or was used this turn),
// is disordered (has cohesion hits) or routs; for a leader his initiative and command range in their place.
using UnitDetailsLine = std::pair<std::string, std::string>;
std::vector<UnitDetailsLine> unitDetailsLines(VaelUnit& unit, const std::string& nationName,
                                              const std::string& leaderName);

// "ViewUnit": modal over one unit, its lines written on the background in two columns; OK (and Return)
// close it with 1, Escape with 0; there is no help to give, so its button is greyed.
class ViewUnitDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "ViewUnit";
    static constexpr std::int16_t IdHelp = 9;
    // Template units of the two columns and of the first line and the line pitch.
    static constexpr std::int16_t LabelColumn = 10, ValueColumn = 80, FirstLine = 8, LinePitch = 11;
    ViewUnitDlg(VaelUnit& unit, std::vector<UnitDetailsLine> lines, DialogShown shown = {});
    VaelUnit& unit() const { return unit_; }
    const std::vector<UnitDetailsLine>& lines() const { return lines_; }
    void onInitDialog() override;
    void drawBackground() override;

private:
    VaelUnit& unit_;
    std::vector<UnitDetailsLine> lines_;
    DialogShown shown_;
};

// Puts the overview up modally over the application; answers what it closed with.
std::int16_t showUnitOverview(WinApp& app, VaelUnit& unit, const std::vector<UnitDetailsLine>& lines,
                              const DialogShown& shown);

} // namespace vael
