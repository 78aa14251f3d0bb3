#include "game/net/report_ledger.h"

#include <algorithm>

#include "framework/core/list_walk.h"
#include "framework/core/registered_message.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr std::uint32_t LeaderType = 0xFFFFFFFF;

std::string quoted(const char* name) {
    return std::string("\"") + name + "\"";
}

} // namespace

void ReportLedger::clear() {
    routed_ = RegisteredMessage::getId(msg::UnitRouted);
    rallied_ = RegisteredMessage::getId(msg::UnitRallied);
    eliminated_ = RegisteredMessage::getId(msg::UnitEliminated);
    sealed_ = RegisteredMessage::getId(msg::UnitLossSealed);
    told_ = BattleTallies{};
    routingOf_.clear();
    leaderFalls_.clear();
}

void ReportLedger::stateApplied() {
    for (auto& [number, stateSince] : leaderFalls_)
        stateSince = true;
}

const BattleTallies::Side& ReportLedger::sideOf(std::uint32_t nation, VaelLogicalLayer& layer) const {
    return layer.onVisitorSide(nation) ? told_.visitor : told_.home;
}

void ReportLedger::note(BusMessage event, const ContainerBase* data, VaelLogicalLayer& layer) {
    const std::int32_t id = event.id();
    if (id == routed_ || id == rallied_) {
        const auto* box = dynamic_cast<const Container<UnitRoutData>*>(data);
        if (!box) return;
        const UnitRoutData& r = *box->valuePtr();
        const bool home = !layer.onVisitorSide(r.nation);
        id == routed_ ? told_.routed(r, home) : told_.rallied(r, home);
        if (neverCountsAsRouting(r.unitType)) return;
        std::int32_t& routing = routingOf_[Kind{r.nation, r.unitType, r.value}];
        routing = id == routed_ ? routing + 1 : std::max(routing - 1, 0);
        return;
    }
    if (id != eliminated_ && id != sealed_) return;
    const auto* box = dynamic_cast<const Container<EliminateUnitData>*>(data);
    if (!box) return;
    const EliminateUnitData& r = *box->valuePtr();
    if (id == sealed_) return told_.lossSealed(r);
    told_.forgetSealed(r.unitNumber);
    if (r.unitType == LeaderType) {
        leaderFalls_[r.unitNumber] = false;
    } else if (!told_.hasFallen(r.unitNumber) && !neverCountsAsRouting(r.unitType)) {
        std::int32_t& routing = routingOf_[Kind{r.nation, r.unitType, r.points}];
        routing = std::max(routing - 1, 0);
    }
    told_.eliminated(r, !layer.onVisitorSide(r.nation));
}

ReportLedger::Verdict ReportLedger::judge(BusMessage event, const ContainerBase* data,
                                          VaelLogicalLayer& layer, std::string& why) const {
    const std::int32_t id = event.id();
    const bool routed = id == routed_;
    if (routed || id == rallied_) {
        const auto* box = dynamic_cast<const Container<UnitRoutData>*>(data);
        if (!box) return Verdict::Take;
        const UnitRoutData& r = *box->valuePtr();
        const char* name = routed ? msg::UnitRouted : msg::UnitRallied;
        // The report names no unit, only what it is: some unit of the battle that has not fallen is that.
        std::int32_t fielded = 0;
        for (Combat* unit : each(layer.getUnits()))
            if (unit->getNation() == r.nation && unit->getUnitType() == r.unitType &&
                unit->pointValue() == static_cast<std::int32_t>(r.value) &&
                !told_.hasFallen(static_cast<std::uint16_t>(unit->getUnitNum())))
                ++fielded;
        const std::string what = "nation " + std::to_string(r.nation) + ", kind " + std::to_string(r.unitType) +
                                 " and worth " + std::to_string(r.value);
        const auto kind = routingOf_.find(Kind{r.nation, r.unitType, r.value});
        const std::int32_t routing = kind == routingOf_.end() ? 0 : kind->second;
        if (fielded == 0)
            why = quoted(name) + " names no unit of this battle of " + what;
        else if (neverCountsAsRouting(r.unitType))
            return Verdict::Take;
        else if (routed && routing >= fielded)
            // A unit routs once until it rallies or falls: a rout beyond the units of its kind still
            // standing is a rout the sending machine's battle did not make.
            why = quoted(name) + " routs a unit of " + what + ", every one of which is routing already";
        else if (!routed && (sideOf(r.nation, layer).routing <= 0 || sideOf(r.nation, layer).routedTQ < r.value))
            why = quoted(name) + " rallies a unit of a side whose routing does not hold it";
        else if (!routed && routing <= 0)
            why = quoted(name) + " rallies a unit of " + what + ", none of which is routing";
        return why.empty() ? Verdict::Take : Verdict::Refuse;
    }
    const bool eliminated = id == eliminated_;
    if (!eliminated && id != sealed_) return Verdict::Take;
    const auto* box = dynamic_cast<const Container<EliminateUnitData>*>(data);
    if (!box) return Verdict::Take;
    const EliminateUnitData& r = *box->valuePtr();
    const std::string name = quoted(eliminated ? msg::UnitEliminated : msg::UnitLossSealed);
    const std::string unit = "unit " + std::to_string(r.unitNumber);
    VaelUnit* found = layer.findUnit(r.unitNumber);
    const auto* leader = dynamic_cast<const Leader*>(found);
    auto* combat = dynamic_cast<Combat*>(found);
    if (!leader && !combat) {
        why = name + " names " + unit + ", which this battle does not field";
        return Verdict::Refuse;
    }
    const std::uint32_t type = leader ? LeaderType : combat->getUnitType();
    const std::int32_t worth = leader ? leader->fallPoints() : combat->pointValue();
    if (found->getNation() != r.nation || type != r.unitType) {
        why = name + " names " + unit + " as of another nation or kind";
        return Verdict::Refuse;
    }
    if (worth != static_cast<std::int32_t>(r.points)) {
        why = name + " gives " + std::to_string(r.points) + " points for " + unit + ", worth " +
              std::to_string(worth);
        return Verdict::Refuse;
    }
    // Both machines may tell the same fall (each its own rules' word of it, one of them a step late): it
    // is counted once, on the first word.
    if (combat && told_.hasFallen(r.unitNumber)) return Verdict::Drop;
    if (leader) {
        // A leader falls once; his replacement, who takes his number, may fall in turn once the other
        // machine's state has shown him in command here.
        // A commander has none: his fall is told once. (The state may show a fall before its word comes.)
        const auto fell = leaderFalls_.find(r.unitNumber);
        if (fell != leaderFalls_.end() && (!fell->second || Leader::isCommanderName(leader->getName()))) {
            why = name + " tells the fall of leader " + std::to_string(r.unitNumber) + ", told already";
            return Verdict::Refuse;
        }
        return Verdict::Take;
    }
    // A loss is sealed for a unit that is fleeing to its end: its side's routing holds it, as it holds
    // its fall.
    if (combat && !neverCountsAsRouting(type)) {
        const BattleTallies::Side& side = sideOf(r.nation, layer);
        if (side.routing <= 0 || side.routedTQ < worth) {
            why = eliminated ? name + " takes " + unit + " off its side's routing, which does not hold it"
                             : name + " seals the loss of " + unit + ", which its side's routing does not hold";
            return Verdict::Refuse;
        }
    }
    return Verdict::Take;
}

std::string ReportLedger::judgeResults(const EndOfGameResults& told, VaelLogicalLayer& layer, bool end,
                                       bool turnsMayDecide) const {
    const std::string name = quoted(end ? msg::EndOfGame : msg::EndOfTurn);
    BattleTallies counted = told_;
    if (end) {
        // What the host's game control counts as it ends the battle: the losses under way, sealed or due,
        // whose eliminations the end cuts off. A loss both due and sealed is counted once, as there: a
        // leader, unlike a unit, is not known as fallen by the count, and would be counted again.
        for (const EliminateUnitData& record : GameControl::lossesDue(layer)) {
            counted.forgetSealed(record.unitNumber);
            counted.eliminated(record, !layer.onVisitorSide(record.nation));
        }
        for (const EliminateUnitData& record : counted.takeSealed())
            counted.eliminated(record, !layer.onVisitorSide(record.nation));
    }
    struct Count {
        const char* what;
        std::int32_t told, here;
    };
    auto mismatch = [&name](const Count& c) {
        return name + " gives " + std::to_string(c.told) + " for " + c.what + ", not what this battle counts";
    };
    // The limits are the battle's own from its start.
    for (const Count& c : {Count{"the home side's troop quality limit", told.homeTQLimit, layer.getHomeTQPoints()},
                           Count{"the visitor side's troop quality limit", told.visitorTQLimit,
                                 layer.getVisitorTQPoints()}})
        if (c.told != c.here) return mismatch(c);
    // The winner is judged by this machine's own counts: the rules' winner of these losses (a side over its
    // limit loses; both over, the smaller excess wins, an even one against the home side), or, with nobody
    // over, the other side of a fallen commander (or anybody, where the turns may decide).
    if (end && told.winner != 0) {
        const std::int32_t homeOver = counted.home.lostTQ - layer.getHomeTQPoints();
        const std::int32_t visitorOver = counted.visitor.lostTQ - layer.getVisitorTQPoints();
        std::uint32_t winner = 0;
        if (homeOver >= 0 && visitorOver >= 0)
            winner = homeOver < visitorOver ? told.homeNation : told.visitorNation;
        else if (visitorOver >= 0)
            winner = told.homeNation;
        else if (homeOver >= 0)
            winner = told.visitorNation;
        bool borneOut = winner != 0 ? told.winner == winner : turnsMayDecide;
        for (Leader* leader : each(layer.getLeaders()))
            borneOut = borneOut ||
                       (winner == 0 && Leader::isCommanderName(leader->getName()) && leader->isEliminated() &&
                        told.winner == (layer.onVisitorSide(leader->getNation()) ? told.homeNation : told.visitorNation));
        if (!borneOut) return name + " names a winner that the battle's losses do not make";
    }
    for (const Count& c : {Count{"the home side's troop quality lost", told.homeLostTQ, counted.home.lostTQ},
                           Count{"the visitor side's troop quality lost", told.visitorLostTQ, counted.visitor.lostTQ},
                           Count{"the home side's troop quality routed", told.homeRoutedTQ, counted.home.routedTQ},
                           Count{"the visitor side's troop quality routed", told.visitorRoutedTQ,
                                 counted.visitor.routedTQ},
                           Count{"the home side's units routing", told.homeRouting, counted.home.routing},
                           Count{"the visitor side's units routing", told.visitorRouting, counted.visitor.routing},
                           Count{"the home side's units eliminated", told.homeEliminated, counted.home.eliminated},
                           Count{"the visitor side's units eliminated", told.visitorEliminated,
                                 counted.visitor.eliminated}})
        if (c.told != c.here) return mismatch(c);
    return {};
}

} // namespace vael
