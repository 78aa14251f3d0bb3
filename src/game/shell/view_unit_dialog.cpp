#include "game/shell/view_unit_dialog.h"

#include "framework/core/direction.h"
#include "framework/core/list_walk.h"
#include "framework/ui/font.h"
#include "framework/ui/text_tile.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

const char* facingName(DIRECTION facing) {
    static const char* const names[9] = {"",      "North",      "North-east", "East",      "South-east",
                                         "South", "South-west", "West",       "North-west"};
    const auto i = static_cast<std::int32_t>(facing);
    return i >= 0 && i <= 8 ? names[i] : "";
}

std::string yesNo(bool on) {
    return on ? "Yes" : "No";
}

} // namespace

const Leader* commandingLeader(const VaelLogicalLayer& layer, const VaelUnit& unit) {
    // A unit's leader number is its group's, which its leader carries too; his unit number is another.
    const List<Leader*>& side =
        layer.onVisitorSide(unit.getNation()) ? layer.getVisitorLeaders() : layer.getHomeLeaders();
    for (Leader* leader : each(side))
        if (leader->getLeaderId() == unit.getLeaderId()) return leader;
    return nullptr;
}

std::vector<UnitDetailsLine> unitDetailsLines(VaelUnit& unit, const std::string& nationName,
                                              const std::string& leaderName) {
    std::vector<UnitDetailsLine> lines;
    lines.emplace_back("Name", unit.getName());
    auto* combat = dynamic_cast<Combat*>(&unit);
    auto* leader = dynamic_cast<Leader*>(&unit);
    lines.emplace_back("Type", combat ? VaelLogicalLandscape::unitTypeCode(combat->getUnitType())
                                      : std::string(leader ? "Leader" : ""));
    lines.emplace_back("Nation", nationName);
    // A leader commands; he has no leader of his own to name.
    if (!leader) lines.emplace_back("Leader", leaderName);
    if (combat) {
        lines.emplace_back("TQ", std::to_string(combat->getTroopQuality()));
        lines.emplace_back("Hits", std::to_string(combat->getCohesionHits()));
        lines.emplace_back("Size", std::to_string(combat->getSize()));
    }
    if (leader) {
        lines.emplace_back("Initiative", std::to_string(leader->getInitiative()));
        lines.emplace_back("Command range", std::to_string(leader->getCommandRange()));
    }
    lines.emplace_back("Facing", facingName(unit.getFacing()));
    if (auto* missile = dynamic_cast<MissileCapable*>(&unit))
        lines.emplace_back("Missiles left", std::to_string(missile->getMissilesLeft()) + " of " +
                                                std::to_string(missile->getMissileSupply()));
    // The rules' own mark of a finished walk is cleared again once the walk has been played on the map.
    lines.emplace_back("Moved", yesNo(unit.hasSpentMovement() != 0 || unit.getUsedThisTurn() != 0));
    if (combat) {
        lines.emplace_back("Disordered", yesNo(combat->getCohesionHits() > 0));
        lines.emplace_back("Routing", yesNo(combat->isRouting() != 0));
    }
    return lines;
}

ViewUnitDlg::ViewUnitDlg(VaelUnit& unit, std::vector<UnitDetailsLine> lines, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), unit_(unit),
      lines_(std::move(lines)), shown_(std::move(shown)) {}

void ViewUnitDlg::onInitDialog() {
    centre();
    enableItem(IdHelp, 0);
    if (shown_) shown_(*this, TemplateName);
}

void ViewUnitDlg::drawBackground() {
    Dialog::drawBackground();
    // Template units to pixels, as the template is laid out.
    const auto x = [](std::int32_t units) { return static_cast<std::int16_t>(units * 7 / 4); };
    const auto y = [](std::int32_t units) { return static_cast<std::int16_t>(units * 13 / 8); };
    DialogFont font(TextTile::DefaultFont);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto top = static_cast<std::int16_t>(y(FirstLine + static_cast<std::int32_t>(i) * LinePitch) +
                                                   font.ascent());
        font.drawText(*this, Point(x(LabelColumn), top), lines_[i].first, 3);
        font.drawText(*this, Point(x(ValueColumn), top), lines_[i].second, 3);
    }
}

std::int16_t showUnitOverview(WinApp& app, VaelUnit& unit, const std::vector<UnitDetailsLine>& lines,
                              const DialogShown& shown) {
    ViewUnitDlg overview(unit, lines, shown);
    overview.attach(app);
    return overview.create(ViewUnitDlg::TemplateName, Dialog::Modal);
}

} // namespace vael
