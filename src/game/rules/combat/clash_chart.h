#pragma once
// The shock combat tables: who has the better weapons, which column of the clash chart a meeting of two
// unit types starts in, and the hits each side takes on that column for a ten-sided die. Game flow forms
// the combats and hands the chart the two sides; the chart answers the hits, to be applied through the
// troop-quality rules.
#include <cstdint>

namespace vael {

// Attack positions, as the defender sees the attacker.
enum : std::int16_t { FrontAttack = 0, FlankAttack = 1, RearAttack = 2 };

struct ClashResult {
    std::int16_t attackerHits = 0;
    std::int16_t attackSuperior = 0;
    std::int16_t defenderHits = 0;
    std::int16_t defenseSuperior = 0;
};

// Sizes are the total sizes of the two sides, types those of the leading attacker and the defender. Draws
// one ten-sided die.
ClashResult clashChart(std::int32_t attackerSize, std::uint32_t attackerType, std::int16_t attackerCataphract,
                       std::int16_t position, std::int32_t defenderSize, std::uint32_t defenderType,
                       std::int16_t defenderCataphract, std::int16_t defenderMissileCapable,
                       std::int16_t noAttackSuperior, std::int32_t terrainShift);

// The column of the chart counted from 1, as stored (0 for a type or position outside the tables).
std::int32_t baseColumn(std::uint32_t attackerType, std::uint32_t defenderType, std::int16_t position);
std::int16_t isAttackSuperior(std::uint32_t attackerType, std::uint32_t defenderType);
// The weapons-superiority entry: 0 no effect, 1 the attacker is superior, 2 the defender is.
std::int32_t weaponsSuperiority(std::uint32_t attackerType, std::uint32_t defenderType);

// The column shift of the ratio of the two sides' sizes; 0 when either side has no size.
std::int32_t sizeRatioShift(std::int32_t attackerSize, std::int32_t defenderSize);

// The missile chart's switch; it has no effect on shock.
void setMissileAutoHit(std::int16_t value);
std::int16_t missileAutoHit();

} // namespace vael
