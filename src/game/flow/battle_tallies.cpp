#include "game/flow/battle_tallies.h"

#include <algorithm>
#include <utility>

#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr std::uint32_t LeaderType = 0xFFFFFFFF;

} // namespace

void BattleTallies::routed(const UnitRoutData& record, bool homeSide) {
    if (neverCountsAsRouting(record.unitType)) return;
    Side& s = side(homeSide);
    s.routedTQ = static_cast<std::int16_t>(s.routedTQ + record.value);
    ++s.routing;
}

void BattleTallies::rallied(const UnitRoutData& record, bool homeSide) {
    // The kinds that never count as routing are not taken off the count when they rally either: an
    // elephant still rampaging when the next activation rallies it would drive the count below nothing.
    if (neverCountsAsRouting(record.unitType)) return;
    // Never below nothing, whatever a report from elsewhere says.
    Side& s = side(homeSide);
    s.routedTQ = static_cast<std::int16_t>(std::max(s.routedTQ - record.value, 0));
    s.routing = static_cast<std::int16_t>(std::max(s.routing - 1, 0));
}

bool BattleTallies::eliminated(const EliminateUnitData& record, bool homeSide) {
    if (record.unitType != LeaderType) {
        if (hasFallen(record.unitNumber)) return false;
        fallen_.push_back(record.unitNumber);
    }
    Side& s = side(homeSide);
    // Held at the most a count can hold: a count that large (a saved game made so) must not turn into a
    // loss below nothing, which would keep its side from ever being beaten.
    s.lostTQ = static_cast<std::int16_t>(std::min(s.lostTQ + record.points, 32767));
    if (!neverCountsAsRouting(record.unitType) && record.unitType != LeaderType) {
        s.routedTQ = static_cast<std::int16_t>(std::max(s.routedTQ - record.points, 0));
        s.routing = static_cast<std::int16_t>(std::max(s.routing - 1, 0));
    }
    if (s.eliminated < 32767) ++s.eliminated;
    return true;
}

bool BattleTallies::hasFallen(std::uint16_t unitNumber) const {
    return std::find(fallen_.begin(), fallen_.end(), unitNumber) != fallen_.end();
}

void BattleTallies::lossSealed(const EliminateUnitData& record) {
    forgetSealed(record.unitNumber);
    sealed_.push_back(record);
}

void BattleTallies::forgetSealed(std::uint16_t unitNumber) {
    std::erase_if(sealed_, [&](const EliminateUnitData& s) { return s.unitNumber == unitNumber; });
}

std::vector<EliminateUnitData> BattleTallies::takeSealed() {
    return std::exchange(sealed_, {});
}

} // namespace vael
