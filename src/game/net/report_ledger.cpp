#include "game/net/report_ledger.h"

#include <algorithm>

#include "framework/core/list_walk.h"
#include "framework/core/registered_message.h"
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
        return;
    }
    if (id != eliminated_) return;
    if (const auto* box = dynamic_cast<const Container<EliminateUnitData>*>(data))
        told_.eliminated(*box->valuePtr(), !layer.onVisitorSide(box->valuePtr()->nation));
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
        bool fielded = false;
        for (Combat* unit : each(layer.getUnits()))
            fielded = fielded || (unit->getNation() == r.nation && unit->getUnitType() == r.unitType &&
                                  unit->pointValue() == static_cast<std::int32_t>(r.value) &&
                                  !told_.hasFallen(static_cast<std::uint16_t>(unit->getUnitNum())));
        if (!fielded)
            why = quoted(name) + " names no unit of this battle of nation " + std::to_string(r.nation) +
                  ", kind " + std::to_string(r.unitType) + " and worth " + std::to_string(r.value);
        else if (!routed && !neverCountsAsRouting(r.unitType) &&
                 (sideOf(r.nation, layer).routing <= 0 || sideOf(r.nation, layer).routedTQ < r.value))
            why = quoted(name) + " rallies a unit of a side whose routing does not hold it";
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
    if (eliminated && combat && !neverCountsAsRouting(type)) {
        const BattleTallies::Side& side = sideOf(r.nation, layer);
        if (side.routing <= 0 || side.routedTQ < worth) {
            why = name + " takes " + unit + " off its side's routing, which does not hold it";
            return Verdict::Refuse;
        }
    }
    return Verdict::Take;
}

} // namespace vael
