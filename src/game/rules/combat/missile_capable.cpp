// The missile-armed fighting unit: its supply, the search for targets in range and sight, and its saved
// state. The fire order and the resolution of a volley are in missile_fire.cpp.
#include "game/rules/combat/missile_capable.h"

#include "framework/core/debug_stream.h"
#include "framework/core/super_string.h"
#include "game/rules/landscape/vael_logical_landscape.h"

namespace vael {

namespace {

constexpr std::uint16_t ranges[9] = {0, 4, 5, 2, 1, 1, 3, 1, 7};
constexpr std::uint16_t supplies[9] = {0, 10, 10, 10, 3, 10, 10, 3, 99};

bool onChart(std::uint32_t missileType) {
    return missileType >= 1 && missileType <= 8;
}

} // namespace

MissileCapable::MissileCapable(const MissileCapableUnitData& record, const char* name)
    : Combat(record, name), missileType_(record.missileType),
      // A type off the table gives a unit that can neither reach nor carry anything.
      range_(onChart(record.missileType) ? ranges[record.missileType] : 0),
      missileSupply_(onChart(record.missileType) ? supplies[record.missileType] : 0),
      missilesLeft_(missileSupply_) {}

List<short> MissileCapable::reachInFront() const {
    List<short> reach;
    if (!landscape_ || hex_ == offMap) return reach;
    List<DIRECTION> directions;
    if (unitType_ == 15) {
        for (DIRECTION d : {North, NorthEast, SouthEast, South, SouthWest, NorthWest})
            directions.append(d);
    } else {
        const auto [first, second] = sidesOf(Sides::Step, facing_);
        if (!first) return reach;
        directions.append(static_cast<DIRECTION>(first));
        directions.append(static_cast<DIRECTION>(second));
    }
    landscape_->floodFill(reach, directions, static_cast<std::int16_t>(hex_),
                          static_cast<std::int16_t>(range_), 1, VaelLogicalLandscape::unitStepCost);
    return reach;
}

MissileCapable::Sight MissileCapable::sightTowards(std::int16_t far) const {
    Sight sight;
    const std::int16_t own = heightLevel(static_cast<std::int16_t>(hex_));
    const std::int16_t farLevel = heightLevel(far);
    for (short h : landscape_->hexLine(static_cast<std::int16_t>(hex_), far)) {
        // The unit does not block its own sight.
        if (h == static_cast<short>(hex_) || (doubleSized_ && h == secondHex_)) continue;
        const std::int16_t level = heightLevel(h);
        if (level > own && level > farLevel) {
            sight.blocked = true;
            return sight;
        }
        if (landscape_->firstOccupant(h)) {
            sight.stop = h;
            return sight;
        }
    }
    return sight;
}

List<short> MissileCapable::findTargets() {
    List<short> targets;
    List<short> reach = reachInFront();
    ListIterator<short> found(reach);
    for (short far = 0; found.next(far);) {
        const Sight sight = sightTowards(far);
        if (sight.blocked || sight.stop < 0) continue;
        const VaelUnit* first = landscape_->firstOccupant(sight.stop);
        if (first->isOtherNation(nation_) && !targets.contains(sight.stop)) targets.append(sight.stop);
    }
    return targets;
}

std::string MissileCapable::whyNoTargetAt(std::int16_t hex) const {
    const VaelUnit* enemy = landscape_ && hex_ != offMap ? landscape_->firstOccupant(hex) : nullptr;
    if (!enemy || !enemy->isOtherNation(nation_)) return "There is no enemy there for " + getName() + " to shoot at.";
    const std::string hexes = std::to_string(range_) + (range_ == 1 ? " hex" : " hexes");
    if (landscape_->hexDistance(static_cast<std::int16_t>(hex_), hex) > range_)
        return enemy->getName() + " is beyond " + getName() + "'s range (" + hexes + ").";
    if (!reachInFront().contains(hex))
        return enemy->getName() + " is not in front of " + getName() + ": it shoots only across its front.";
    const Sight sight = sightTowards(hex);
    if (sight.blocked) return "Higher ground hides " + enemy->getName() + " from " + getName() + ".";
    if (sight.stop >= 0 && sight.stop != hex)
        return landscape_->firstOccupant(sight.stop)->getName() + " stands between " + getName() + " and " +
               enemy->getName() + ".";
    return "";
}

const List<short>& MissileCapable::rebuildTargets() {
    targetHexes_ = findTargets();
    return targetHexes_;
}

std::int16_t MissileCapable::canFireAt(std::int16_t hex) {
    return rebuildTargets().contains(hex) ? 1 : 0;
}

std::int16_t MissileCapable::fireAtHex(std::int16_t hex) {
    // An empty quiver fires nothing, whoever gives the order.
    if (!missilesLeft_ || !canFireAt(hex)) return 0;
    return fireAt(hex) ? 1 : 0;
}

std::int16_t MissileCapable::Query(std::int16_t code) {
    switch (code) {
    case 6:
        return static_cast<std::int16_t>(missileType_);
    case 7:
        return static_cast<std::int16_t>(range_);
    case 8:
        return static_cast<std::int16_t>(missilesLeft_);
    default:
        return Combat::Query(code);
    }
}

void MissileCapable::prepareToRout() {
    if (missileType_ >= 1 && missileType_ <= 4) missilesLeft_ = 0;
    Combat::prepareToRout();
}

std::int16_t MissileCapable::beginOrdersPhase() {
    firedThisActivation_ = 0;
    return Combat::beginOrdersPhase();
}

void MissileCapable::write(SuperString& file) const {
    Combat::write(file);
    file << static_cast<std::int16_t>(missilesLeft_) << firedThisActivation_ << choosingTarget_;
}

bool MissileCapable::read(SuperString& file) {
    if (!Combat::read(file)) return false;
    std::int16_t left = 0, fired = 0, choosing = 0;
    file >> left >> fired >> choosing;
    const auto isFlag = [](std::int16_t v) { return v == 0 || v == 1; };
    if (file.failed() || left < 0 || left > static_cast<std::int16_t>(missileSupply_) || !isFlag(fired) ||
        !isFlag(choosing)) {
        debugStream() << getName() << ": saved missile state cut short or holding " << left << " volleys"
                      << std::endl;
        if (file.failed()) return false;
        if (left < 0 || left > static_cast<std::int16_t>(missileSupply_))
            return refuseRead(file, "with " + std::to_string(left) + " volleys left, where it carries 0 to " +
                                        std::to_string(missileSupply_));
        return refuseRead(file, "marked " + std::to_string(isFlag(fired) ? choosing : fired) + " for whether it " +
                                    (isFlag(fired) ? "is choosing a target" : "fired this activation") +
                                    ", where only 0 or 1 can be");
    }
    missilesLeft_ = static_cast<std::uint16_t>(left);
    firedThisActivation_ = fired;
    choosingTarget_ = 0;
    if (choosing) beginChoosingTarget();
    return true;
}

} // namespace vael
