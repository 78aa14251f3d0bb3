#pragma once
// The state of the battle as every machine is shown it: at the end of each turn, at the end of the game,
// and when asked for. The tallies are game control's; the winner is set only at the end of the game.
#include <cstdint>
#include <string>

#include "framework/core/type_name.h"

namespace vael {

struct EndOfGameResults {
    std::uint32_t winner = 0; // a NATION; 0 while the game goes on or when nobody won
    std::uint32_t homeNation = 0;
    std::uint32_t visitorNation = 0;
    std::string homeName;
    std::string visitorName;
    std::int16_t homeLostTQ = 0;
    std::int16_t visitorLostTQ = 0;
    std::int16_t homeTQLimit = 0;
    std::int16_t visitorTQLimit = 0;
    std::int16_t homeRoutedTQ = 0;
    std::int16_t visitorRoutedTQ = 0;
    std::int16_t homeRouting = 0;
    std::int16_t visitorRouting = 0;
    std::int16_t homeEliminated = 0;
    std::int16_t visitorEliminated = 0;
    std::int16_t homeUnits = 0;
    std::int16_t visitorUnits = 0;

    bool operator==(const EndOfGameResults&) const = default;
};

VAEL_TYPE_NAME(EndOfGameResults, "EndOfGameResults");

} // namespace vael
