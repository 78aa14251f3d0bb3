#pragma once
// What the reports game control counts (routs, rallies, falls and sealed losses) have told of the battle on
// this machine, its own and the other machine's alike, so that a report from the other machine is judged
// against the battle before it counts. The acting machine rightly reports the other side's losses, so a
// report is never judged by the side that sent it: it is refused when this battle cannot hold it (a unit
// it does not field, points other than the unit's, a rally or a fall of a side with nobody routing), and a
// second word of a fall already heard is news to nobody.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"
#include "game/flow/battle_tallies.h"

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

private:
    const BattleTallies::Side& sideOf(std::uint32_t nation, VaelLogicalLayer& layer) const;

    // The reports' ids for this battle: routed, rallied, eliminated, sealed.
    std::int32_t routed_ = -1, rallied_ = -1, eliminated_ = -1, sealed_ = -1;
    // What the reports heard told, counted as game control counts them.
    BattleTallies told_;
};

} // namespace vael
