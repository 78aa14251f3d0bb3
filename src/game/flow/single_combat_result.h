#pragma once
// The outcome of one shock battle as the players are shown it: who fought from which hexes, the hits each
// took, what each has left and who routed. The first four lists name every unit present when the battle
// began; the rest only those that took part in the exchange of hits.
#include <string>

#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

struct SingleCombatResult {
    List<std::string> attackerNames, defenderNames;
    List<short> attackerHexes, defenderHexes;
    List<short> attackerHits, defenderHits;
    List<short> attackerTotals, defenderTotals;
    List<short> attackerMargins, defenderMargins;
    List<short> attackerRouted, defenderRouted;
    List<short> attackerExtra, defenderExtra;
};

VAEL_TYPE_NAME(SingleCombatResult, "SingleCombatResult");

} // namespace vael
