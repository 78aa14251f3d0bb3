#pragma once
// One shock battle, from the charge to the queued advances, one step to a method: the units already
// routing are cut down, the charge may break either side, the main units and their leaders are found, the
// clash chart's hits are shared out, the players and the display are told, and the winners step forward.
// It works on the layer's units and leaders and the phase's queues, and lives only as long as the battle.
#include <cstdint>
#include <map>
#include <string>

#include "framework/core/list.h"
#include "game/flow/single_combat_result.h"
#include "game/rules/combat/combat_struct.h"

namespace vael {

class Combat;
class DebugStream;
class ShockPhase;
class VaelLogicalLayer;

class ShockBattle {
public:
    ShockBattle(VaelLogicalLayer& layer, ShockPhase& phase, const CombatStruct& combat, std::int16_t started);
    ShockBattle(const ShockBattle&) = delete;
    ShockBattle& operator=(const ShockBattle&) = delete;

    // 1 when the battle was fought to the clash; the number started so far when it ended before it.
    std::uint16_t resolve();

private:
    using Tally = std::map<std::uint16_t, std::int16_t>;
    struct Side {
        List<Combat*> units;
        Tally battleHits, routed;
        List<Combat*> chargeRouted;
    };

    void say(const std::string& line);
    void sendNumber(const char* message, short value);
    // The battle ends before the clash: the phase counts it done, as no animation will report it.
    std::uint16_t endedEarly();

    void introduce();
    bool cutDownTheRouting();
    void chargeTest(Combat* unit, int die, Side& side);
    void charge();
    bool someSideBroke();
    void chooseMainUnits();
    void leaderCasualties();
    void clash();
    void share(Combat* unit, std::int16_t hits, std::int16_t other, Side& side, bool attacking);
    void report();
    void advance();

    VaelLogicalLayer& layer_;
    ShockPhase& phase_;
    const CombatStruct& combat_;
    const std::int16_t started_;
    short number_ = 0;
    DebugStream& trace_;
    Side attack_, defence_;
    SingleCombatResult result_;
    std::int32_t attackerSize_ = 0, defenderSize_ = 0;
    Combat* firstDefender_ = nullptr;
    std::uint32_t attackerNation_ = 0, defenderNation_ = 0;
    Combat* mainAttacker_ = nullptr;
    Combat* mainDefender_ = nullptr;
    std::int16_t position_ = 0;
};

} // namespace vael
