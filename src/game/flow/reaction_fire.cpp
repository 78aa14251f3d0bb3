// The reactions of the enemies beside a hex a unit has just entered: missile troops whose zone of
// control it entered loose a volley at it, and units whose flank a charger struck may turn to face it.
#include <algorithm>
#include <string>

#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

// The hexes beside a hex, in the order of the region's neighbour table.
List<short> besideHex(const VaelLogicalLandscape& map, std::int16_t hex) {
    List<short> out;
    for (std::int32_t d = 1; d < LogicalRegion::slots; ++d) {
        const std::uint16_t id = map.neighbourId(hex, d);
        if (id != LogicalRegion::none && static_cast<std::int16_t>(id) != hex)
            out.append(static_cast<short>(id));
    }
    return out;
}

// A missile type off the table has no verb to tell of its volley.
const char* volleyVerb(std::uint32_t missileType) {
    return missileType >= 1 && missileType <= 8 ? MissileCapable::verbOf(missileType) : "";
}

// How readily a kind of unit turns about; false for kinds that cannot turn to face a charge at all.
bool refaceModifier(std::uint32_t type, int& modifier) {
    switch (type) {
    case HI:
        modifier = 1;
        return true;
    case MI:
    case HC:
    case EL:
        modifier = 0;
        return true;
    case LP:
    case LI:
    case LN:
        modifier = -1;
        return true;
    case LC:
        modifier = -2;
        return true;
    case SK:
        modifier = -3;
        return true;
    case CH:
        modifier = 99;
        return true;
    default:
        return false;
    }
}

} // namespace

void VaelLogicalLayer::EntryReactionFire(std::int16_t hex) {
    if (stoodDown_ || !vaelLandscape_ || !vaelLandscape_->isValidHex(hex)) return;
    const VaelUnit* entering = vaelLandscape_->firstOccupant(hex);
    // A unit whose elimination is decided (a chariot broken on the way in, a terminal rout) draws no fire.
    if (!entering || entering->isEliminationDue()) return;
    auto* target = dynamic_cast<Combat*>(const_cast<VaelUnit*>(entering));
    const List<short> around = besideHex(*vaelLandscape_, hex);
    for (short beside : each(around)) {
        const VaelUnit* first = vaelLandscape_->firstOccupant(beside);
        if (!first || !first->isOtherNation(entering->getNation()) || !first->isHexInZOC(hex)) continue;
        auto* shooter = dynamic_cast<MissileCapable*>(const_cast<VaelUnit*>(first));
        if (!shooter || !shooter->isMissileCapable()) continue;
        if (shooter->isRouting() || shooter->getMissilesLeft() == 0) return;
        if (!target) continue;
        const auto* cavalry = target->getUnitType() == HC ? dynamic_cast<const HeavyCav*>(target) : nullptr;
        const std::int16_t hits =
            MissileCapable::missileChart(shooter->getMissileType(), 1, target->getUnitType(), 0, 0, 0,
                                         cavalry ? cavalry->isCataphract() : 0)
                .result;
        Container<MissileFireStruct> order(
            MissileFireStruct{static_cast<std::uint16_t>(hex), shooter->getUnitNum()});
        sendNamed(msg::DoMissileFire, &order);
        debugStream() << shooter->getName() << " reaction fired " << target->getName() << " and caused "
                      << hits << " cohesion hits" << std::endl;
        // The verb brings its own spaces; a shooter of a type without one is only named beside his target.
        const std::string verb = volleyVerb(shooter->getMissileType());
        Container<std::string> line("\\B" + shooter->getName() + "\\b" + (verb.empty() ? " " : verb) +
                                    target->getName() + " for " + std::to_string(hits) + " cohesion hit" +
                                    (hits == 1 ? "" : "s") + ".");
        sendNamed(msg::AddCommentary, &line);
        if (hits != 0) target->tqHit(hits, 2);
    }
}

void VaelLogicalLayer::AttemptRefaceFromCharge(RefaceFromChargeStruct record) {
    auto& trace = debugStream();
    const auto chargerHex = static_cast<std::int16_t>(record.hex);
    if (!vaelLandscape_ || !vaelLandscape_->isValidHex(chargerHex)) return;
    const VaelUnit* charger = vaelLandscape_->firstOccupant(chargerHex);
    if (!charger) return;
    const std::uint32_t nation = charger->getNation();
    const List<short> chargerNeighbours = besideHex(*vaelLandscape_, chargerHex);
    for (short beside : each(chargerNeighbours)) {
        auto* unit = dynamic_cast<Combat*>(const_cast<VaelUnit*>(vaelLandscape_->firstOccupant(beside)));
        if (!unit || !unit->isOtherNation(nation) || unit->isDoubleSized() ||
            !unit->isInFlankHexes(chargerHex))
            continue;
        const auto here = static_cast<std::int16_t>(unit->getHex());
        // A unit held by another enemy's zone of control cannot spare the turn.
        bool engaged = false;
        const List<short> unitNeighbours = besideHex(*vaelLandscape_, here);
        for (short next : each(unitNeighbours)) {
            if (next == chargerHex) continue;
            const VaelUnit* other = vaelLandscape_->firstOccupant(next);
            if (other && other->getNation() == nation && other->isHexInZOC(here)) engaged = true;
        }
        if (engaged) continue;
        int modifier = 0;
        if (!refaceModifier(unit->getUnitType(), modifier)) return;
        trace << "Now for refacing after charge" << std::endl
              << "Die roll modifier due to unit type: " << modifier << std::endl;
        modifier += record.spent >= 5 ? -2 : record.spent >= 3 ? -1 : 0;
        trace << "Total roll modifier: " << modifier << std::endl;
        int roll = Roll::d10() + modifier;
        trace << "Total die roll with modifier: " << roll << std::endl;
        if (roll < 0) roll = 0;
        if (!unit->tqCheck(static_cast<std::int16_t>(std::min(roll, 0x7FFF))).passed) {
            trace << "Refacing unsuccessful" << std::endl;
            return;
        }
        trace << "Refacing successful!" << std::endl;
        record.unused = unit->getUnitNum();
        unit->RefaceFromCharge(chargerHex);
    }
}

} // namespace vael
