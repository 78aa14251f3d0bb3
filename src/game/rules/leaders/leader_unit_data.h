#pragma once
// The scenario's record of a leader: the unit's record and the leader's four ratings.
#include <cstdint>

#include "game/rules/units/vael_unit_data.h"

namespace vael {

class SuperString;

struct LeaderUnitData : VaelUnitData {
    std::uint16_t commandRange = 0;
    std::uint16_t initiative = 0;
    std::uint16_t shockPrecedence = 0;
    std::uint16_t duelRating = 0;

    // The unit's part of the record, then the leader's ratings. A record cut short is reported and
    // answers false; the record then holds what it held before.
    bool Load(SuperString& file);
    // The four ratings as the scenario stores them after the unit's part: shock precedence, command
    // range, initiative, duel rating (not the order in which the record keeps them).
    void loadRatings(SuperString& file);
};

} // namespace vael
