// What the rules and the computer opponent's scripts ask a unit about itself and its surroundings.
#include <string>

#include "framework/core/debug_stream.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

std::int16_t VaelUnit::Query(std::int16_t code) {
    switch (code) {
    case 4:
        return static_cast<std::int16_t>(movementAllowance_);
    case 5:
        return static_cast<std::int16_t>(movementLeft_);
    case 10:
        return static_cast<std::int16_t>(hex_);
    case 11:
        return secondHex_;
    case 12:
        return static_cast<std::int16_t>(facing_);
    case 13:
        return static_cast<std::int16_t>(nation_);
    case 20:
        return isMissileCapable() ? 1 : 0;
    default:
        debugStream() << "Bad parameter in Query: " << code << std::endl;
        return -1;
    }
}

std::int16_t VaelUnit::FindLeader() {
    Container<unsigned short> leader(leaderId_);
    const std::int16_t leaderHex = takeShort(queryNamed(msg::FindLeader, &leader), -1);
    // No leader of that number: there is no distance to tell.
    if (leaderHex < 0 || !landscape_) return -1;
    return landscape_->hexDistance(static_cast<std::int16_t>(hex_), leaderHex);
}

std::int16_t VaelUnit::UnitInCommandRange() {
    Container<UnitInCommandRangeStruct> asked(UnitInCommandRangeStruct{leaderId_, hex_});
    return takeShort(queryNamed(msg::UnitInCommandRange, &asked), 0);
}

std::int16_t VaelUnit::nearestEnemyHex() {
    if (!landscape_ || !landscape_->isValidHex(static_cast<std::int16_t>(hex_))) return -1;
    const auto start = static_cast<std::int16_t>(hex_);
    // The rings grow until one holds an enemy or the map has no hex left that far out.
    for (std::int16_t radius = 1; radius < 1000; ++radius) {
        List<short> ring;
        landscape_->hexesAtExactCost(ring, start, radius, VaelLogicalLandscape::unitStepCost);
        ring.removeAll(start);
        if (doubleSized_) ring.removeAll(secondHex_);
        if (ring.isEmpty()) break;
        ListIterator<short> hexes(ring);
        for (short h = 0; hexes.next(h);) {
            ListIterator<const VaelUnit*> it(landscape_->unitsInHex(h));
            for (const VaelUnit* u = nullptr; it.next(u);)
                if (u->isOtherNation(nation_)) return h;
        }
    }
    return -1;
}

std::int16_t VaelUnit::enemyWithin(std::int16_t radius) {
    if (!landscape_ || !landscape_->isValidHex(static_cast<std::int16_t>(hex_))) return 0;
    List<short> near;
    landscape_->hexesWithinCost(near, static_cast<std::int16_t>(hex_), radius,
                                VaelLogicalLandscape::unitStepCost);
    ListIterator<short> hexes(near);
    for (short h = 0; hexes.next(h);) {
        const VaelUnit* first = landscape_->firstOccupant(h);
        if (first && first->isOtherNation(nation_)) return 1;
    }
    return 0;
}

std::int16_t VaelUnit::canMoveTo(std::int16_t hex) {
    validMoves_ = GetValidMovement();
    return validMoves_.contains(hex) && !blockedMoves_.contains(hex);
}

} // namespace vael
