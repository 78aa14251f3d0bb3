#pragma once
// What the reports game control counts (routs, rallies, falls and sealed losses) have told of the battle on
// this machine, its own and the other machine's alike, so that a report from the other machine is judged
// against the battle before it counts. The acting machine rightly reports the other side's losses, so a
// report is never judged by the side that sent it: it is refused when this battle cannot hold it (a unit
// it does not field, points other than the unit's, a rally or a fall of a side with nobody routing), and a
// second word of a fall already heard is news to nobody. A report the sending machine's battle cannot have
// made is refused as well: a rout of a unit of a kind whose every unit is routing or fallen, a leader's fall
// told again before his replacement came, a sealed loss of a unit that is not routing.
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"
#include "game/flow/battle_tallies.h"
#include "game/flow/end_of_game_results.h"

namespace vael {

class VaelLogicalLayer;

class ReportLedger {
public:
    // A new battle: nothing told yet. The names of the reports are looked up here, once a battle.
    void clear();
    // A report heard on this machine's bus: counted here as game control counts it.
    void note(BusMessage event, const ContainerBase* data, VaelLogicalLayer& layer);

    enum class Verdict { Take, Drop, Refuse };
    // A report from the other machine: taken (and then noted), dropped as a fall already heard, or
    // refused with the reason in why. A message that is not a report is taken.
    Verdict judge(BusMessage event, const ContainerBase* data, VaelLogicalLayer& layer,
                  std::string& why) const;
    // The units' state from the other machine has been applied: a leader told fallen before it stands
    // there as his replacement (or gone for good), so that his replacement's fall may be told in turn.
    void stateApplied();
    // Why the other machine's word of a turn's end, or of the battle's (end), cannot be this battle's: its
    // counts are not what the reports told here (the losses under way counted in, at the end), or the
    // end names a winner the battle's losses do not make. Empty when it can. turnsMayDecide: the battle
    // can also be ended by its turns, whose winner this machine does not count.
    std::string judgeResults(const EndOfGameResults& told, VaelLogicalLayer& layer, bool end,
                             bool turnsMayDecide) const;

private:
    const BattleTallies::Side& sideOf(std::uint32_t nation, VaelLogicalLayer& layer) const;

    // The reports' ids for this battle: routed, rallied, eliminated, sealed.
    std::int32_t routed_ = -1, rallied_ = -1, eliminated_ = -1, sealed_ = -1;
    // What the reports heard told, counted as game control counts them.
    BattleTallies told_;
    // The units told routing (and neither rallied nor fallen since), by what a report names of them:
    // nation, kind and worth.
    using Kind = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    std::map<Kind, std::int32_t> routingOf_;
    // The leaders told fallen, with whether the other machine's state has come since.
    std::map<std::uint16_t, bool> leaderFalls_;
};

} // namespace vael
