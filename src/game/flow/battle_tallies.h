#pragma once
// The sides' tallies of a battle, as the reports of routs, rallies, falls and sealed losses make them: troop
// quality lost and routed, units routing and eliminated. Game control keeps the battle's; a machine of a
// network game without game control keeps its own by the same rules, so that both count alike.
#include <cstdint>
#include <vector>

#include "game/rules/combat/combat_records.h"

namespace vael {

class BattleTallies {
public:
    struct Side {
        std::int16_t lostTQ = 0;
        std::int16_t routedTQ = 0;
        std::int16_t routing = 0;
        std::int16_t eliminated = 0;
    };
    Side home, visitor;

    Side& side(bool homeSide) { return homeSide ? home : visitor; }
    const Side& side(bool homeSide) const { return homeSide ? home : visitor; }
    void routed(const UnitRoutData& record, bool homeSide);
    void rallied(const UnitRoutData& record, bool homeSide);
    // A fall counted; false when the unit's fall was counted already. Both machines of a network game may
    // tell a fighting unit's fall (each its own rules' word, one of them a step late), and it falls once; a
    // leader's replacement takes his number and may fall in turn.
    bool eliminated(const EliminateUnitData& record, bool homeSide);
    bool hasFallen(std::uint16_t unitNumber) const;
    // A loss sealed, its fall still to come; a fall counted takes it back (forgetSealed).
    void lossSealed(const EliminateUnitData& record);
    void forgetSealed(std::uint16_t unitNumber);
    // The losses sealed and never carried out, handed over once to be counted as falls.
    std::vector<EliminateUnitData> takeSealed();

private:
    std::vector<EliminateUnitData> sealed_;
    // The fighting units whose fall is counted, by unit number.
    std::vector<std::uint16_t> fallen_;
};

} // namespace vael
