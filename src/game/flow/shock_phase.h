#pragma once
// The shock phase of one logical layer: the attacks declared while a leader gives orders, gathered into
// combats with their arrows on the map, fought in sets that the view can show at once, and the count of
// routs, animations and advances that must all report before the phase goes on. The layer owns one and
// hands it the messages of the phase; the units and leaders it fights with are the layer's.
#include <cstdint>

#include "framework/core/list.h"
#include "game/flow/shock_records.h"
#include "game/rules/combat/combat_struct.h"

namespace vael {

class Combat;
class VaelLogicalLayer;
struct CombatNameStruct;

class ShockPhase {
public:
    explicit ShockPhase(VaelLogicalLayer& layer) : layer_(layer) {}
    ShockPhase(const ShockPhase&) = delete;
    ShockPhase& operator=(const ShockPhase&) = delete;

    void AddCombatants(const CombatNameStruct& declared);
    void performShock();
    void performNextCombatGroup();
    // Resolves one battle; started is 0 for the first of a set and then the previous battle's answer.
    std::uint16_t resolveShockBattle(const CombatStruct& combat, std::int16_t started);
    std::uint16_t willCombatFit(const List<CombatStruct>& combats);
    void combatCenterOnRegion(const List<CombatStruct>& combats);
    void RoutingDone(short value);
    void advanceUnits();
    void UnitAdvanced(short unitNumber);
    void SomeCombatDone();
    // The hex a winner moves into when a defender left hex; -1 when it cannot go.
    std::int16_t advanceAfterCombat(std::int16_t hex, const Combat* attacker);

    std::int16_t getBattleCount() const { return battleCount_; }
    const List<short>& getUnitsRouting() const { return unitsRouting_; }
    const List<CombatAdvance>& getAdvances() const { return advances_; }
    const List<short>& getUnitsAdvancing() const { return unitsAdvancing_; }
    const List<List<CombatStruct>>& getCombatGroups() const { return combatGroups_; }
    std::uint16_t getWontFit() const { return wontFit_; }

    // What the battles of the phase report as they are fought.
    std::int16_t nextBattleNumber() { return battleCount_ = static_cast<std::int16_t>(battleCount_ + 1); }
    void addRouting(short value);
    void addAdvance(const CombatAdvance& advance) { advances_.append(advance); }

private:
    // Fights a set of battles; the phase goes on only once the last of them is listed, however soon the
    // first ones report their end (a battle ended before its blow, a display with nothing else to play).
    void resolveAll(List<CombatStruct>& battles);
    // Every listed battle and rout has ended: the victors advance, or the set is over.
    void routingEnded();

    VaelLogicalLayer& layer_;
    bool resolving_ = false;
    // Routs whose end was reported while the battles were fought, before their battle listed them: a rout
    // shown at once (a beast's rampage handed to the display between two machines) ends within the blow
    // that breaks the unit.
    List<short> endedUnlisted_;
    List<List<CombatStruct>> combatGroups_;
    std::uint16_t wontFit_ = 0;
    std::int16_t battleCount_ = 0;
    List<short> unitsRouting_;
    List<CombatAdvance> advances_;
    List<short> unitsAdvancing_;
};

} // namespace vael
