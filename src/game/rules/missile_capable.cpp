#include "game/rules/missile_capable.h"

namespace vael {

namespace {
constexpr std::uint16_t ranges[9] = {0, 4, 5, 2, 1, 1, 3, 1, 7};
constexpr std::uint16_t supplies[9] = {0, 10, 10, 10, 3, 10, 10, 3, 99};

// Range and full supply of a missile type 1 to 8; 0 for any other type.
std::uint16_t rangeOf(std::uint32_t missileType) {
    return missileType <= 8 ? ranges[missileType] : 0;
}

std::uint16_t supplyOf(std::uint32_t missileType) {
    return missileType <= 8 ? supplies[missileType] : 0;
}

} // namespace

MissileCapable::MissileCapable(const MissileCapableUnitData& record, const char* name)
    : Combat(record, name), missileType_(record.missileType), range_(rangeOf(record.missileType)),
      missileSupply_(supplyOf(record.missileType)), missilesLeft_(missileSupply_) {}

} // namespace vael
