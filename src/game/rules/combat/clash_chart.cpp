#include "game/rules/combat/clash_chart.h"

#include <cmath>
#include <initializer_list>

#include "framework/core/debug_stream.h"
#include "game/rules/roll.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr std::uint32_t typeCount = 16;
constexpr int columnCount = 13;

// [defender type][attacker type]
constexpr std::int32_t superiority[typeCount][typeCount] = {
    {0, 0, 0, 0, 2, 0, 2, 2, 2, 2, 2, 2, 2, 2, 0, 0}, // PH
    {0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 0, 2, 0, 0, 0}, // LG
    {0, 1, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 0, 0, 0}, // HI
    {1, 1, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 0, 0, 0}, // MI
    {1, 1, 0, 0, 0, 2, 2, 2, 0, 0, 0, 0, 2, 0, 0, 0}, // BI
    {1, 1, 1, 0, 1, 0, 0, 0, 2, 2, 2, 2, 2, 0, 0, 0}, // LP
    {1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}, // LI
    {1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 0}, // SK
    {0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0, 0, 1, 1, 0}, // HC
    {0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 1, 0, 0, 1, 1, 0}, // RC
    {0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0, 0, 1, 1, 0}, // BC
    {0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 1, 1, 0}, // LN
    {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 0}, // LC
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // EL
    {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0}, // CH
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // AT
};

// [defender type][position][attacker type], counted from 1
constexpr std::int32_t columns[typeCount][3][typeCount] = {
    {{7, 5, 6, 5, 5, 4, 4, 1, 5, 5, 5, 4, 3, 6, 8, 0},
     {12, 12, 11, 10, 10, 9, 9, 6, 10, 10, 10, 9, 8, 13, 13, 0},
     {13, 13, 12, 12, 12, 10, 10, 7, 11, 11, 11, 11, 9, 13, 13, 0}},
    {{7, 7, 6, 7, 6, 5, 5, 2, 7, 7, 7, 4, 4, 7, 7, 0},
     {12, 9, 11, 9, 8, 9, 9, 5, 9, 9, 9, 8, 7, 13, 11, 0},
     {13, 11, 12, 11, 10, 11, 11, 7, 10, 10, 10, 10, 9, 13, 13, 0}},
    {{8, 6, 7, 6, 7, 5, 5, 2, 6, 6, 6, 5, 4, 7, 9, 0},
     {11, 11, 10, 10, 9, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0},
     {13, 12, 12, 12, 11, 10, 10, 7, 11, 11, 11, 11, 9, 13, 13, 0}},
    {{9, 8, 8, 7, 8, 6, 6, 3, 7, 7, 7, 6, 5, 9, 10, 0},
     {11, 11, 10, 10, 10, 9, 9, 5, 8, 8, 8, 7, 6, 13, 13, 0},
     {12, 12, 12, 12, 13, 11, 11, 7, 10, 10, 10, 9, 7, 13, 13, 0}},
    {{9, 6, 7, 6, 7, 7, 7, 1, 5, 5, 5, 4, 3, 6, 10, 0},
     {11, 12, 11, 10, 10, 9, 9, 6, 10, 10, 10, 9, 8, 13, 13, 0},
     {12, 13, 12, 12, 13, 10, 10, 7, 11, 11, 11, 11, 9, 13, 13, 0}},
    {{10, 8, 9, 8, 10, 7, 7, 5, 8, 8, 8, 7, 6, 11, 11, 0},
     {10, 9, 9, 8, 10, 7, 7, 5, 8, 8, 8, 7, 6, 13, 12, 0},
     {12, 12, 11, 10, 12, 9, 9, 6, 10, 8, 8, 8, 6, 13, 13, 0}},
    {{10, 8, 9, 8, 10, 7, 7, 5, 8, 8, 8, 7, 6, 11, 11, 0},
     {10, 9, 9, 8, 10, 7, 7, 5, 8, 8, 8, 7, 6, 13, 12, 0},
     {12, 12, 11, 10, 12, 9, 9, 6, 10, 8, 8, 8, 6, 13, 13, 0}},
    {{13, 11, 12, 11, 12, 10, 10, 7, 11, 11, 11, 10, 9, 13, 13, 0},
     {13, 12, 12, 11, 13, 10, 10, 7, 11, 11, 11, 10, 9, 13, 13, 0},
     {13, 12, 12, 11, 13, 10, 10, 7, 11, 11, 11, 11, 9, 13, 13, 0}},
    {{9, 7, 8, 7, 7, 6, 6, 3, 7, 7, 7, 6, 5, 11, 11, 0},
     {10, 9, 9, 8, 9, 7, 7, 4, 8, 8, 8, 7, 6, 13, 12, 0},
     {11, 11, 10, 9, 11, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0}},
    {{9, 7, 8, 7, 7, 6, 6, 3, 7, 7, 7, 6, 5, 11, 11, 0},
     {10, 9, 9, 8, 9, 7, 7, 4, 8, 8, 8, 7, 6, 13, 12, 0},
     {11, 11, 10, 9, 11, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0}},
    {{9, 7, 8, 7, 7, 6, 6, 3, 7, 7, 7, 6, 5, 11, 11, 0},
     {10, 9, 9, 8, 9, 7, 7, 4, 8, 8, 8, 7, 6, 13, 12, 0},
     {11, 11, 10, 9, 11, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0}},
    {{11, 9, 10, 9, 9, 8, 8, 5, 9, 9, 9, 8, 7, 11, 13, 0},
     {11, 10, 10, 9, 10, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0},
     {12, 11, 11, 10, 11, 9, 9, 6, 10, 10, 10, 9, 8, 13, 13, 0}},
    {{11, 10, 10, 9, 10, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0},
     {11, 11, 10, 10, 11, 8, 8, 5, 9, 9, 9, 8, 7, 13, 13, 0},
     {12, 12, 11, 11, 12, 9, 9, 6, 10, 10, 10, 9, 8, 13, 13, 0}},
    {{4, 3, 3, 3, 1, 1, 1, 1, 0, 0, 0, 0, 0, 7, 8, 0},
     {9, 8, 8, 7, 5, 6, 6, 3, 7, 7, 7, 6, 5, 7, 11, 0},
     {12, 11, 11, 11, 7, 9, 9, 6, 10, 10, 10, 10, 8, 7, 13, 0}},
    {{5, 6, 4, 3, 3, 2, 2, 1, 3, 3, 3, 2, 1, 8, 7, 0},
     {13, 13, 12, 11, 11, 10, 10, 7, 3, 3, 3, 9, 9, 13, 13, 0},
     {13, 13, 12, 13, 13, 10, 10, 7, 3, 3, 3, 9, 9, 13, 13, 0}},
    {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

// [die][column]
constexpr std::int16_t defenderHitTable[10][columnCount] = {
    {1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, {1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3},
    {1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3}, {1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3},
    {2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 4, 3}, {2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4},
    {2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 4, 4, 4}, {2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4},
    {2, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4}, {2, 2, 2, 2, 3, 4, 4, 4, 4, 4, 4, 4, 6},
};

constexpr std::int16_t attackerHitTable[10][columnCount] = {
    {6, 5, 4, 4, 3, 3, 3, 3, 3, 3, 3, 2, 2}, {6, 4, 4, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2},
    {5, 4, 4, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2}, {5, 4, 4, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2},
    {5, 4, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 1}, {4, 4, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 1},
    {4, 4, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1}, {4, 4, 3, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1},
    {4, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1}, {3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1},
};

std::int16_t autoHit = 0;

const char* truth(std::int16_t flag) {
    return flag ? "True" : "False";
}

bool isOneOf(std::uint32_t type, std::initializer_list<std::uint32_t> types) {
    for (std::uint32_t t : types)
        if (t == type) return true;
    return false;
}

// Weapons superiority of the defender does not hold against some mounted attackers.
bool defenseSuperiorityCancelled(std::uint32_t attackerType, std::int16_t attackerCataphract,
                                 std::uint32_t defenderType, std::int16_t defenderMissileCapable) {
    if (isOneOf(defenderType, {LG, HI}) && attackerCataphract && attackerType == HC) return true;
    if (!defenderMissileCapable) return false;
    return (isOneOf(defenderType, {LG, HI}) && isOneOf(attackerType, {HC, BC})) ||
           (isOneOf(defenderType, {LG, HI, MI}) && attackerType == RC) ||
           (isOneOf(defenderType, {LG, HI, MI, LP, LI}) && attackerType == LC);
}

} // namespace

std::int32_t weaponsSuperiority(std::uint32_t attackerType, std::uint32_t defenderType) {
    if (attackerType >= typeCount || defenderType >= typeCount) return 0;
    return superiority[defenderType][attackerType];
}

std::int16_t isAttackSuperior(std::uint32_t attackerType, std::uint32_t defenderType) {
    return weaponsSuperiority(attackerType, defenderType) == 1;
}

std::int32_t baseColumn(std::uint32_t attackerType, std::uint32_t defenderType, std::int16_t position) {
    if (attackerType >= typeCount || defenderType >= typeCount || position < 0 || position > 2) return 0;
    return columns[defenderType][position][attackerType];
}

std::int32_t sizeRatioShift(std::int32_t attackerSize, std::int32_t defenderSize) {
    // Scenario data could hold a side of no size; there is no ratio to take then.
    if (attackerSize <= 0 || defenderSize <= 0) return 0;
    if (defenderSize > attackerSize)
        return 1 - static_cast<std::int32_t>(std::ceil(static_cast<double>(defenderSize) / attackerSize));
    if (attackerSize > defenderSize) return attackerSize / defenderSize - 1;
    return 0;
}

ClashResult clashChart(std::int32_t attackerSize, std::uint32_t attackerType, std::int16_t attackerCataphract,
                       std::int16_t position, std::int32_t defenderSize, std::uint32_t defenderType,
                       std::int16_t defenderCataphract, std::int16_t defenderMissileCapable,
                       std::int16_t noAttackSuperior, std::int32_t terrainShift) {
    auto& trace = debugStream();
    ClashResult result;
    trace << "AType == " << attackerType << ", DType == " << defenderType << std::endl;
    if (position == FlankAttack || position == RearAttack) {
        result.attackSuperior = 1;
        trace << "Attack superior due to positioning (see above for positioning)" << std::endl;
    }
    if ((defenderType == SK && position == FlankAttack) ||
        (defenderType == EL && isOneOf(attackerType, {HC, RC, BC, LN, LC})) || noAttackSuperior)
        result.attackSuperior = 0;
    trace << "AttackSuperior == " << truth(result.attackSuperior) << std::endl
          << "DefenseSuperior == " << truth(result.defenseSuperior) << std::endl
          << "(AttackSuperior may be false due to unitype and rule exceptions)" << std::endl;

    if (!result.attackSuperior) {
        const std::int32_t weapons = weaponsSuperiority(attackerType, defenderType);
        if (weapons == 1) result.attackSuperior = 1;
        if (weapons == 2)
            result.defenseSuperior = !defenseSuperiorityCancelled(attackerType, attackerCataphract,
                                                                  defenderType, defenderMissileCapable);
        trace << "AttackSuperior == " << truth(result.attackSuperior) << std::endl
              << "DefenseSuperior == " << truth(result.defenseSuperior) << std::endl
              << "(Attack Superior may have changed due to weapons superiority)" << std::endl
              << "(Defense Superiority just got set)" << std::endl;
    }

    const std::int32_t shift = sizeRatioShift(attackerSize, defenderSize);
    trace << "Size Ratio Shift == " << shift << std::endl;
    std::int32_t column = baseColumn(attackerType, defenderType, position) - 1;
    trace << "base column in the clash chart == " << column << std::endl
          << "(Remember that this is based on the first column being #0)" << std::endl;
    column += shift;
    trace << "column after ratio shift == " << column << std::endl;
    if (defenderType == PH && position == FrontAttack) {
        column -= 3;
        trace
            << "Moving the column 3 to the left since defender is a phanlanx and is being frontally attacked."
            << std::endl;
    }
    if (attackerCataphract) {
        column += 2;
        trace << "Moving the column 2 to the right since a cataphracted HC is involved in offense."
              << std::endl;
    }
    if (defenderCataphract) {
        column -= 2;
        trace << "Moving the column 2 to the left since a cataphracted HC is involved in defense"
              << std::endl;
    }
    column += terrainShift;
    trace << "column (after terrain column shift) == " << column << std::endl;
    if (column < 0) column = 0;
    if (column > columnCount - 1) column = columnCount - 1;
    trace << "column (after checking the range of the columns) == " << column << std::endl;

    const int die = Roll::d10();
    trace << "Rolling for combat.  The raw dieroll == " << die << std::endl;
    result.defenderHits = defenderHitTable[die][column];
    result.attackerHits = attackerHitTable[die][column];
    if (result.attackSuperior) result.defenderHits = static_cast<std::int16_t>(result.defenderHits * 2);
    if (result.defenseSuperior) result.attackerHits = static_cast<std::int16_t>(result.attackerHits * 3);
    return result;
}

void setMissileAutoHit(std::int16_t value) {
    autoHit = value;
}

std::int16_t missileAutoHit() {
    return autoHit;
}

} // namespace vael
