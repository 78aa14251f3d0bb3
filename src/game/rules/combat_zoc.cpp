// The hexes around a fighting unit: the zone of control it exerts and its front, rear and flank hexes.
#include "framework/core/debug_stream.h"
#include "game/rules/combat.h"
#include "game/rules/vael_logical_landscape.h"

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

void Combat::rebuildZOC() {
    zocHexes_ = zocFromHex(hex_ == offMap ? std::int16_t(-1) : static_cast<std::int16_t>(hex_));
}

namespace {

List<DIRECTION> twoDirections(std::pair<std::int32_t, std::int32_t> sides) {
    List<DIRECTION> out;
    out.append(static_cast<DIRECTION>(sides.first));
    out.append(static_cast<DIRECTION>(sides.second));
    return out;
}

} // namespace

void Combat::buildFrontHexes() {
    frontHexes_.clear();
    if (!landscape_ || hex_ == offMap || !sidesOf(Sides::Front, facing_).first) return;
    landscape_->floodFill(frontHexes_, twoDirections(sidesOf(Sides::Front, facing_)), static_cast<std::int16_t>(hex_),
                          1, 1, VaelLogicalLandscape::unitStepCost);
    frontHexes_.removeAll(static_cast<short>(hex_));
    if (doubleSized_) frontHexes_.removeAll(secondHex_);
}

void Combat::buildRearHexes() {
    rearHexes_.clear();
    if (!landscape_ || hex_ == offMap || !sidesOf(Sides::Rear, facing_).first) return;
    landscape_->floodFill(rearHexes_, twoDirections(sidesOf(Sides::Rear, facing_)), static_cast<std::int16_t>(hex_),
                          1, 1, VaelLogicalLandscape::unitStepCost);
    rearHexes_.removeAll(static_cast<short>(hex_));
    if (doubleSized_) rearHexes_.removeAll(secondHex_);
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
