// The hexes around a fighting unit: the zone of control it exerts and its front, rear and flank hexes.
#include "framework/core/debug_stream.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"

namespace vael {

List<short> Combat::zocFromHex(std::int16_t hex) {
    List<short> zone;
    if (routing_ || !landscape_ || hex < 0) return zone;
    const auto [first, second] = sidesOf(Sides::Front, facing_);
    const std::int16_t secondOfHex = doubleSized_ ? rightFlankHex(hex) : std::int16_t(-1);
    for (std::int32_t side : {second, first}) {
        for (std::int16_t from : {hex, secondOfHex}) {
            if (from < 0) continue;
            const std::int16_t n = neighbour(from, side);
            if (n < 0 || zone.contains(n)) continue;
            if (stepCost(from, n) != -1) zone.append(n);
        }
    }
    return zone;
}

List<short> Combat::hexesAround(std::int16_t hex) const {
    List<short> around;
    if (landscape_ && hex >= 0)
        landscape_->hexesAtExactCost(around, hex, 1, VaelLogicalLandscape::unitStepCost);
    return around;
}

void Combat::rebuildZOC() {
    zocHexes_ = zocFromHex(hex_ == offMap ? std::int16_t(-1) : static_cast<std::int16_t>(hex_));
}

void Combat::fillBeside(List<short>& hexes, Sides side) {
    hexes.clear();
    const auto [first, second] = sidesOf(side, facing_);
    if (!landscape_ || hex_ == offMap || !first) return;
    List<DIRECTION> directions;
    directions.append(static_cast<DIRECTION>(first));
    directions.append(static_cast<DIRECTION>(second));
    landscape_->floodFill(hexes, directions, static_cast<std::int16_t>(hex_), 1, 1,
                          VaelLogicalLandscape::unitStepCost);
    hexes.removeAll(static_cast<short>(hex_));
    if (doubleSized_) hexes.removeAll(secondHex_);
}

void Combat::buildFrontHexes() {
    fillBeside(frontHexes_, Sides::Front);
}

void Combat::buildRearHexes() {
    fillBeside(rearHexes_, Sides::Rear);
}

void Combat::buildFlankHexes() {
    flankHexes_.clear();
    if (!landscape_ || hex_ == offMap || !sidesOf(Sides::Front, facing_).first) return;
    const std::int16_t left = neighbour(static_cast<std::int16_t>(hex_), rotateAnticlockwise(facing_, 2));
    if (left >= 0) flankHexes_.append(left);
    const std::int16_t from = doubleSized_ && secondHex_ >= 0 ? secondHex_ : static_cast<std::int16_t>(hex_);
    const std::int16_t right = neighbour(from, rotateClockwise(facing_, 2));
    if (right >= 0) flankHexes_.append(right);
}

List<short> Combat::hexWedge(std::int16_t depth, DIRECTION facing) {
    if (depth == 0 || facing == NoDirection || hex_ == offMap) return List<short>();
    return arcHexes(static_cast<std::int16_t>(hex_), depth, facing);
}

void Combat::updateSurroundings() {
    buildFrontHexes();
    rebuildZOC();
    buildRearHexes();
    buildFlankHexes();
}

} // namespace vael
