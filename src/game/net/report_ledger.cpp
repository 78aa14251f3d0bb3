#include "game/net/report_ledger.h"

#include <algorithm>
#include <utility>

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

std::string kindOf(std::uint32_t nation, std::uint32_t kind, std::uint32_t worth) {
    return "nation " + std::to_string(nation) + ", kind " + std::to_string(kind) + " and worth " +
           std::to_string(worth);
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
    taken_.clear();
    unshown_.clear();
    routsUnshown_.clear();
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
    if (id == sealed_) {
        if (const auto fell = leaderFalls_.find(r.unitNumber); r.unitType == LeaderType && fell != leaderFalls_.end())
            fell->second.sealedSince = true;
        return told_.lossSealed(r);
    }
    told_.forgetSealed(r.unitNumber);
    if (r.unitType == LeaderType) {
        leaderFalls_[r.unitNumber] = LeaderFall{};
    } else if (!told_.hasFallen(r.unitNumber) && !neverCountsAsRouting(r.unitType)) {
        std::int32_t& routing = routingOf_[Kind{r.nation, r.unitType, r.points}];
        routing = std::max(routing - 1, 0);
    }
    told_.eliminated(r, !layer.onVisitorSide(r.nation));
}

ReportLedger::Verdict ReportLedger::judge(BusMessage event, const ContainerBase* data,
                                          VaelLogicalLayer& layer, std::string& why) const {
    const std::int32_t id = event.id();
    if (id == routed_ || id == rallied_) {
        const auto* box = dynamic_cast<const Container<UnitRoutData>*>(data);
        if (!box) return Verdict::Take;
        why = judgeRout(id == routed_, *box->valuePtr(), layer);
        return why.empty() ? Verdict::Take : Verdict::Refuse;
    }
    if (id != eliminated_ && id != sealed_) return Verdict::Take;
    const auto* box = dynamic_cast<const Container<EliminateUnitData>*>(data);
    if (!box) return Verdict::Take;
    return judgeFall(id == eliminated_, *box->valuePtr(), layer, why);
}

std::string ReportLedger::judgeRout(bool routed, const UnitRoutData& r, VaelLogicalLayer& layer) const {
    const std::string name = quoted(routed ? msg::UnitRouted : msg::UnitRallied);
    // The report names no unit, only what it is: some unit of the battle that has not fallen is that.
    std::int32_t fielded = 0;
    for (Combat* unit : each(layer.getUnits()))
        if (unit->getNation() == r.nation && unit->getUnitType() == r.unitType &&
            unit->pointValue() == static_cast<std::int32_t>(r.value) &&
            !told_.hasFallen(static_cast<std::uint16_t>(unit->getUnitNum())))
            ++fielded;
    const std::string what = kindOf(r.nation, r.unitType, r.value);
    const auto kind = routingOf_.find(Kind{r.nation, r.unitType, r.value});
    const std::int32_t routing = kind == routingOf_.end() ? 0 : kind->second;
    if (fielded == 0) return name + " names no unit of this battle of " + what;
    if (neverCountsAsRouting(r.unitType)) return {};
    // A unit routs once until it rallies or falls: a rout beyond the units of its kind still standing is a
    // rout the sending machine's battle did not make.
    if (routed && routing >= fielded) return name + " routs a unit of " + what + ", every one of which is routing already";
    if (routed) return {};
    if (sideOf(r.nation, layer).routing <= 0 || sideOf(r.nation, layer).routedTQ < r.value)
        return name + " rallies a unit of a side whose routing does not hold it";
    if (routing <= 0) return name + " rallies a unit of " + what + ", none of which is routing";
    return {};
}

ReportLedger::Verdict ReportLedger::judgeFall(bool eliminated, const EliminateUnitData& r, VaelLogicalLayer& layer,
                                              std::string& why) const {
    const std::string name = quoted(eliminated ? msg::UnitEliminated : msg::UnitLossSealed);
    const std::string unit = "unit " + std::to_string(r.unitNumber);
    VaelUnit* found = layer.findUnit(r.unitNumber);
    const auto* leader = dynamic_cast<const Leader*>(found);
    auto* combat = dynamic_cast<Combat*>(found);
    if (!leader && !combat)
        why = name + " names " + unit + ", which this battle does not field";
    else if (found->getNation() != r.nation || (leader ? LeaderType : combat->getUnitType()) != r.unitType)
        why = name + " names " + unit + " as of another nation or kind";
    else if (const std::int32_t worth = leader ? leader->fallPoints() : combat->pointValue();
             worth != static_cast<std::int32_t>(r.points))
        why = name + " gives " + std::to_string(r.points) + " points for " + unit + ", worth " + std::to_string(worth);
    // Both machines may tell the same fall (each its own rules' word of it, one of them a step late): it
    // is counted once, on the first word.
    else if (combat && told_.hasFallen(r.unitNumber))
        return Verdict::Drop;
    else
        why = leader ? judgeLeaderFall(eliminated, name, r, *leader) : judgeCombatFall(eliminated, r, layer);
    return why.empty() ? Verdict::Take : Verdict::Refuse;
}

std::string ReportLedger::judgeLeaderFall(bool eliminated, const std::string& name, const EliminateUnitData& r,
                                          const Leader& leader) const {
    // A leader falls once; his replacement, who takes his number, may fall in turn: struck, his loss is
    // sealed before his fall is told, as every leader's is, and that may come within the very activation
    // his predecessor fell in. A fall told again with no such seal between is the same fall told twice,
    // unless the other machine's state has shown the replacement in command here since (the state may show
    // a fall before its word comes). A commander has none: his fall is told once.
    const auto fell = leaderFalls_.find(r.unitNumber);
    if (fell == leaderFalls_.end()) return {};
    if (Leader::isCommanderName(leader.getName()) ||
        (eliminated && !fell->second.stateSince && !fell->second.sealedSince))
        return name + " tells the fall of leader " + std::to_string(r.unitNumber) + ", told already";
    return {};
}

std::string ReportLedger::judgeCombatFall(bool eliminated, const EliminateUnitData& r, VaelLogicalLayer& layer) const {
    if (neverCountsAsRouting(r.unitType)) return {};
    const std::string name = quoted(eliminated ? msg::UnitEliminated : msg::UnitLossSealed);
    const std::string unit = "unit " + std::to_string(r.unitNumber);
    // A loss is sealed for a unit that is fleeing to its end: its side's routing holds it, as it holds its
    // fall, and so does the routing of its kind.
    const BattleTallies::Side& side = sideOf(r.nation, layer);
    if (side.routing <= 0 || side.routedTQ < static_cast<std::int32_t>(r.points))
        return eliminated ? name + " takes " + unit + " off its side's routing, which does not hold it"
                          : name + " seals the loss of " + unit + ", which its side's routing does not hold";
    const auto kind = routingOf_.find(Kind{r.nation, r.unitType, r.points});
    if (kind == routingOf_.end() || kind->second <= 0)
        return name + (eliminated ? " takes " : " seals the loss of ") + unit + ", a unit of " +
               kindOf(r.nation, r.unitType, r.points) + ", none of which is routing";
    return {};
}

void ReportLedger::take(BusMessage event, const ContainerBase* data, VaelLogicalLayer& layer) {
    const BattleTallies before = told_;
    note(event, data, layer);
    std::string what = "\"" + RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id())) + "\"";
    if (const auto* fall = dynamic_cast<const Container<EliminateUnitData>*>(data)) {
        what += " of unit " + std::to_string(fall->valuePtr()->unitNumber);
        if (event.id() == eliminated_) unshown_.push_back(Unshown{what, fall->valuePtr()->unitNumber});
    } else if (const auto* rout = dynamic_cast<const Container<UnitRoutData>*>(data)) {
        const UnitRoutData& r = *rout->valuePtr();
        what += " of a unit of " + kindOf(r.nation, r.unitType, r.value);
        if (!neverCountsAsRouting(r.unitType)) routsUnshown_[Kind{r.nation, r.unitType, r.value}] = what;
    }
    auto by = [](const BattleTallies::Side& after, const BattleTallies::Side& was) {
        return BattleTallies::Side{static_cast<std::int16_t>(after.lostTQ - was.lostTQ),
                                   static_cast<std::int16_t>(after.routedTQ - was.routedTQ),
                                   static_cast<std::int16_t>(after.routing - was.routing),
                                   static_cast<std::int16_t>(after.eliminated - was.eliminated)};
    };
    taken_.push_back(Taken{what, by(told_.home, before.home), by(told_.visitor, before.visitor)});
}

std::string ReportLedger::routsNotShown(VaelLogicalLayer& layer) {
    // The state is the sending machine's battle after every report before it: of each kind it told routed or
    // rallied, as many units stand routing as the reports leave.
    const std::map<Kind, std::string> told = std::exchange(routsUnshown_, {});
    for (const auto& [kind, what] : told) {
        std::int32_t shown = 0;
        for (Combat* unit : each(layer.getUnits()))
            if (Kind{unit->getNation(), unit->getUnitType(), static_cast<std::uint32_t>(unit->pointValue())} == kind &&
                !unit->isOutOfPlay() && unit->isRouting())
                ++shown;
        const auto counted = routingOf_.find(kind);
        if (shown != (counted == routingOf_.end() ? 0 : counted->second))
            return what + " is not borne out by the state that came after it, in which " + std::to_string(shown) +
                   " of them are routing";
    }
    return {};
}

std::string ReportLedger::markStateCame(VaelLogicalLayer& layer) {
    for (auto& [number, fall] : leaderFalls_)
        fall.stateSince = true;
    // The state is the sending machine's battle after the falls it told: each unit it told fallen is out of
    // play there (a leader stands as his replacement, out of play as the one who fell).
    const std::vector<Unshown> told = std::exchange(unshown_, {});
    for (const Unshown& fall : told)
        if (VaelUnit* unit = layer.findUnit(fall.unit); unit && !unit->isOutOfPlay())
            return fall.what + " told a fall that the state which came after it does not show";
    return {};
}

std::string ReportLedger::blame(const std::string& results, const BattleTallies& counted,
                                const std::vector<Tally>& tallies) const {
    // Only a report whose own change makes up every difference there is: then the end counts everything this
    // machine counted but that report.
    for (auto report = taken_.rbegin(); report != taken_.rend(); ++report) {
        const Tally* first = nullptr;
        bool all = true;
        for (const Tally& t : tallies) {
            const std::int32_t here = counted.side(t.home).*t.count;
            const std::int32_t by = (t.home ? report->homeBy : report->visitorBy).*t.count;
            all = all && here - by == t.told;
            if (!first && here != t.told) first = &t;
        }
        if (all && first)
            return report->what + ", taken from the other machine, is not borne out by " + results + ", which gives " +
                   std::to_string(first->told) + " for " + first->what;
    }
    return {};
}

BattleTallies ReportLedger::countedAtEnd(VaelLogicalLayer& layer) const {
    // What the host's game control counts as it ends the battle: the losses under way, sealed or due,
    // whose eliminations the end cuts off. A loss both due and sealed is counted once, as there: a leader,
    // unlike a unit, is not known as fallen by the count, and would be counted again.
    BattleTallies counted = told_;
    for (const EliminateUnitData& record : GameControl::lossesDue(layer)) {
        counted.forgetSealed(record.unitNumber);
        counted.eliminated(record, !layer.onVisitorSide(record.nation));
    }
    for (const EliminateUnitData& record : counted.takeSealed())
        counted.eliminated(record, !layer.onVisitorSide(record.nation));
    return counted;
}

std::optional<bool> ReportLedger::homeWinsByLimits(const BattleTallies& counted, VaelLogicalLayer& layer) {
    const std::int32_t homeOver = counted.home.lostTQ - layer.getHomeTQPoints();
    const std::int32_t visitorOver = counted.visitor.lostTQ - layer.getVisitorTQPoints();
    if (homeOver >= 0 && visitorOver >= 0) return homeOver < visitorOver;
    if (visitorOver >= 0) return true;
    if (homeOver >= 0) return false;
    return std::nullopt;
}

std::optional<bool> ReportLedger::decidedHomeWins(VaelLogicalLayer& layer) const {
    // A battle without limits (none has been set for it) breaks nobody by them.
    if (layer.getHomeTQPoints() > 0 && layer.getVisitorTQPoints() > 0)
        if (std::optional<bool> homeWins = homeWinsByLimits(countedAtEnd(layer), layer)) return homeWins;
    for (Leader* leader : each(layer.getLeaders()))
        if (Leader::isCommanderName(leader->getName()) && leader->isEliminated())
            return layer.onVisitorSide(leader->getNation());
    return std::nullopt;
}

std::string ReportLedger::judgeResults(const EndOfGameResults& told, VaelLogicalLayer& layer, bool end,
                                       bool turnsMayDecide) const {
    const std::string name = quoted(end ? msg::EndOfGame : msg::EndOfTurn);
    const BattleTallies counted = end ? countedAtEnd(layer) : told_;
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
    using Side = BattleTallies::Side;
    const std::vector<Tally> tallies = {
        {"the home side's troop quality lost", told.homeLostTQ, &Side::lostTQ, true},
        {"the visitor side's troop quality lost", told.visitorLostTQ, &Side::lostTQ, false},
        {"the home side's troop quality routed", told.homeRoutedTQ, &Side::routedTQ, true},
        {"the visitor side's troop quality routed", told.visitorRoutedTQ, &Side::routedTQ, false},
        {"the home side's units routing", told.homeRouting, &Side::routing, true},
        {"the visitor side's units routing", told.visitorRouting, &Side::routing, false},
        {"the home side's units eliminated", told.homeEliminated, &Side::eliminated, true},
        {"the visitor side's units eliminated", told.visitorEliminated, &Side::eliminated, false}};
    // The rules end a battle with a winner (a side over its limit, its turns run out, a commander's fall):
    // an end won by nobody is no end of theirs.
    if (end && told.winner == 0) return name + " names no winner, where the battle's rules end it with one";
    // Where the counts differ by what one report of the other machine added here, that report is what the
    // end does not bear out, whichever word of it is refused.
    if (std::string why = blame(name, counted, tallies); !why.empty()) return why;
    // The winner is judged by this machine's own counts: the rules' winner of these losses (a side over its
    // limit loses; both over, the smaller excess wins, an even one against the home side), or, with nobody
    // over, the other side of a fallen commander (or anybody, where the turns may decide).
    std::uint32_t winner = 0;
    if (const std::optional<bool> homeWins = homeWinsByLimits(counted, layer))
        winner = *homeWins ? told.homeNation : told.visitorNation;
    bool borneOut = winner != 0 ? told.winner == winner : turnsMayDecide;
    for (Leader* leader : each(layer.getLeaders()))
        borneOut = borneOut ||
                   (winner == 0 && Leader::isCommanderName(leader->getName()) && leader->isEliminated() &&
                    told.winner == (layer.onVisitorSide(leader->getNation()) ? told.homeNation : told.visitorNation));
    if (end && !borneOut) return name + " names a winner that the battle's losses do not make";
    for (const Tally& t : tallies)
        if (const std::int32_t here = counted.side(t.home).*t.count; t.told != here)
            return mismatch(Count{t.what, t.told, here});
    return {};
}

} // namespace vael
