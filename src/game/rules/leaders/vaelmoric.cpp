#include "game/rules/leaders/vaelmoric.h"

#include "game/rules/leaders/leader_records.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

// The commanders leave play unreplaced, their side losing twice their initiative in points.
void eliminateCommander(Leader& commander, std::uint32_t nation) {
    Container<EliminateUnitData> score(
        EliminateUnitData{nation, commander.fallPoints(), 0xFFFFFFFF, commander.getUnitNum()});
    commander.sendNamed(msg::UnitEliminated, &score);
}

template <class Kind> VaelUnit* createKind(const VaelUnitData& record, const char* name) {
    const auto* leaderRecord = dynamic_cast<const LeaderUnitData*>(&record);
    return leaderRecord ? new Kind(*leaderRecord, name) : nullptr;
}

} // namespace

VaelUnit* Vaelmoric::create(const VaelUnitData& record, const char* name) {
    return createKind<Vaelmoric>(record, name);
}

void Vaelmoric::eliminate() {
    eliminateCommander(*this, nation_);
    VaelUnit::disconnectHandlers();
    endBattleIfCommander();
}

VaelUnit* Tezhar::create(const VaelUnitData& record, const char* name) {
    return createKind<Tezhar>(record, name);
}

void Tezhar::eliminate() {
    eliminateCommander(*this, nation_);
    VaelUnit::disconnectHandlers();
    endBattleIfCommander();
}

} // namespace vael
