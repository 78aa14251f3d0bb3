#pragma once
// What the reports game control counts (routs, rallies, falls and sealed losses) have told of the battle on
// this machine, its own and the other machine's alike, so that a report from the other machine is judged
// against the battle before it counts. The acting machine rightly reports the other side's losses, so a
// report is never judged by the side that sent it: it is refused when this battle cannot hold it (a unit
// it does not field, points other than the unit's, a rally or a fall of a side with nobody routing), and a
// second word of a fall already heard is news to nobody. A report the sending machine's battle cannot have
// made is refused as well: a rout of a unit of a kind whose every unit is routing or fallen, a leader's fall
// told again with neither his replacement's sealed loss nor the other machine's state between, a commander's
// fall told twice, a fall or a sealed loss of a unit of a kind none of which is routing.
// What no check at its arrival can tell (a living leader's fall, a rally of a unit that routed) is held to
// what comes after it: a fall to the sender's next state, which shows the unit out of play, and every
// report to the next turn's end, whose counts, where they differ, name the report that made them differ.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/container.h"
#include "game/flow/battle_tallies.h"
#include "game/flow/end_of_game_results.h"
#include "game/rules/combat/combat_records.h"

namespace vael {

class Leader;
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
    // A report from the other machine that judge took: noted, and kept until what comes after it bears it
    // out (its falls the sender's next state, all of it the next turn's end).
    void take(BusMessage event, const ContainerBase* data, VaelLogicalLayer& layer);
    // The units' state from the other machine has been applied: marks the leaders told fallen before it as
    // standing there as their replacements (or gone for good), so that a replacement's fall may be told in
    // turn. Returns why a fall the other machine told before the state is not in it (the unit or leader
    // still in play), naming that report; empty when every one is.
    std::string markStateCame(VaelLogicalLayer& layer);
    // After the whole batch whose state came first: why the routs and rallies the other machine told before
    // that state leave another number of units of their kind routing than the state shows, naming the last
    // of that kind; empty when each kind stands as told.
    std::string routsNotShown(VaelLogicalLayer& layer);
    // The turn's end (or the battle's) was borne out: the reports before it are the battle's.
    void turnBorneOut() { taken_.clear(); }
    // Why the other machine's word of a turn's end, or of the battle's (end), cannot be this battle's: its
    // counts are not what the reports told here (the losses under way counted in, at the end), or the
    // end names a winner the battle's losses do not make. Empty when it can. turnsMayDecide: the battle
    // can also be ended by its turns, whose winner this machine does not count.
    std::string judgeResults(const EndOfGameResults& told, VaelLogicalLayer& layer, bool end,
                             bool turnsMayDecide) const;
    // Whether the home side wins the battle as the reports told here have decided it by the rules (a side
    // over its limit, the losses under way counted in, or a fallen commander); empty while they have not.
    std::optional<bool> decidedHomeWins(VaelLogicalLayer& layer) const;

private:
    const BattleTallies::Side& sideOf(std::uint32_t nation, VaelLogicalLayer& layer) const;
    std::string judgeRout(bool routed, const UnitRoutData& r, VaelLogicalLayer& layer) const;
    Verdict judgeFall(bool eliminated, const EliminateUnitData& r, VaelLogicalLayer& layer, std::string& why) const;
    std::string judgeLeaderFall(bool eliminated, const std::string& name, const EliminateUnitData& r,
                                const Leader& leader) const;
    std::string judgeCombatFall(bool eliminated, const EliminateUnitData& r, VaelLogicalLayer& layer) const;
    // A count of the results: what it is, what the results give, and where this machine counts it.
    struct Tally {
        const char* what;
        std::int32_t told;
        std::int16_t BattleTallies::Side::*count;
        bool home;
    };
    // The report of the other machine that alone makes the counts of the results differ, by what it added;
    // empty when none does.
    std::string blame(const std::string& results, const BattleTallies& counted, const std::vector<Tally>& tallies) const;
    // The tallies as game control counts them at the battle's end: the losses under way (sealed or due)
    // counted in.
    BattleTallies countedAtEnd(VaelLogicalLayer& layer) const;
    // Whether the home side wins by these counts' limits (both over, the smaller excess wins, an even one
    // against the home side); empty with nobody over.
    static std::optional<bool> homeWinsByLimits(const BattleTallies& counted, VaelLogicalLayer& layer);

    // The reports' ids for this battle: routed, rallied, eliminated, sealed.
    std::int32_t routed_ = -1, rallied_ = -1, eliminated_ = -1, sealed_ = -1;
    // What the reports heard told, counted as game control counts them.
    BattleTallies told_;
    // The units told routing (and neither rallied nor fallen since), by what a report names of them:
    // nation, kind and worth.
    using Kind = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    std::map<Kind, std::int32_t> routingOf_;
    // The leaders told fallen: whether the other machine's state has come since, and whether a loss of his
    // replacement has been sealed since (the replacement struck in turn, his fall on its way).
    struct LeaderFall {
        bool stateSince = false;
        bool sealedSince = false;
    };
    std::map<std::uint16_t, LeaderFall> leaderFalls_;
    // The other machine's reports taken since its last turn's end was borne out: what each said and what it
    // changed of the tallies.
    struct Taken {
        std::string what;
        BattleTallies::Side homeBy, visitorBy;
    };
    std::vector<Taken> taken_;
    // The falls the other machine told since its last state, which its next state must show.
    struct Unshown {
        std::string what;
        std::uint16_t unit;
    };
    std::vector<Unshown> unshown_;
    // The kinds the other machine told routed or rallied since its last state, with its last such report.
    std::map<Kind, std::string> routsUnshown_;
};

} // namespace vael
