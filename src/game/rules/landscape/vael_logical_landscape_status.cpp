// What the logical map shows the player: the description of the hex under the mouse in the status bar,
// and the message box that refuses a unit outside the active group.
#include <string>

#include "framework/core/application.h"
#include "framework/core/message_box.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/leader.h"

namespace vael {

namespace {

// String-table entries of the hex description and of the refusal box.
enum StringId : std::uint16_t {
    NotEnoughOrders1 = 112,
    NotEnoughOrders2 = 113,
    NotEnoughOrders3 = 114,
    TroopQualityLabel = 115,
    HitsLabel = 116,
    SizeLabel = 117,
    InitiativeLabel = 118,
    CommandRangeLabel = 119,
    RangeLabel = 120,
    HexLabel = 121,
    EmptyHexText = 122,
};

} // namespace

const char* VaelLogicalLandscape::unitTypeCode(std::uint32_t unitType) {
    static const char* const codes[16] = {"PH", "LG", "HI", "MI", "BI", "LP", "LI", "SK",
                                          "HC", "RC", "BC", "LN", "LC", "EL", "CH", "AT"};
    return unitType < 16 ? codes[unitType] : "";
}

const char* VaelLogicalLandscape::missileName(std::uint32_t missileType) {
    static const char* const names[9] = {"",       "Archer", "Archer", "Slinger", "Jav",
                                         "Archer", "Archer", "Jav",    "Oxybeles"};
    return missileType < 9 ? names[missileType] : "";
}

void VaelLogicalLandscape::describeHex(std::int16_t hex) {
    Application* app = Application::instance();
    if (!app) return;
    std::string pane1;
    std::string pane2;
    const VaelUnit* unit = firstOccupant(hex);
    if (!unit) {
        pane1 = app->loadString(EmptyHexText);
    } else if (const auto* leader = unit->isLeader() ? dynamic_cast<const Leader*>(unit) : nullptr) {
        pane1 = leader->getName() + " " + app->loadString(InitiativeLabel) + " " +
                std::to_string(leader->getInitiative()) + "   " + app->loadString(CommandRangeLabel) + " " +
                std::to_string(leader->getCommandRange());
    } else if (const auto* combat = unit->isCombatUnit() ? dynamic_cast<const Combat*>(unit) : nullptr) {
        pane1 = combat->getName() + " (" + unitTypeCode(combat->getUnitType()) + ") " +
                app->loadString(TroopQualityLabel) + " " + std::to_string(combat->getTroopQuality()) + "  " +
                app->loadString(HitsLabel) + " " + std::to_string(combat->getCohesionHits()) + "  " +
                app->loadString(SizeLabel) + " " + std::to_string(combat->getSize());
    }
    if (const auto* missile =
            unit && unit->isMissileCapable() ? dynamic_cast<const MissileCapable*>(unit) : nullptr) {
        pane2 = std::string(missileName(missile->getMissileType())) + "(" +
                std::to_string(missile->getMissilesLeft()) + "/" +
                std::to_string(missile->getMissileSupply()) + "); " + app->loadString(RangeLabel) + " " +
                std::to_string(missile->getRange()) + "  ";
    }
    pane2 += app->loadString(HexLabel) + " " + std::to_string(hex + hexOffset_);
    app->setStatusText(pane1, 1);
    // A wait told there (the other player's) is what the player most needs to know while it lasts.
    const std::string notice = app->statusNotice(2);
    app->setStatusText(notice.empty() ? pane2 : notice, 2);
}

void VaelLogicalLandscape::showRefusal(std::int16_t hex, const std::string& why) {
    if (why.empty()) return;
    describeHex(hex);
    if (Application* app = Application::instance()) app->setStatusText(why, 2);
}

void VaelLogicalLandscape::showNotEnoughOrders() {
    Application* app = Application::instance();
    if (!app) return;
    app->messageBox(app->loadString(NotEnoughOrders1) + "\n" + app->loadString(NotEnoughOrders2) + "\n" +
                        app->loadString(NotEnoughOrders3),
                    "", MessageBoxOk);
}

} // namespace vael
