#include "game/flow/unit_prototypes.h"

#include <memory>

#include "framework/core/hex_codes.h"
#include "game/rules/elephant.h"
#include "game/rules/heavy_cav.h"
#include "game/rules/heavy_infantry.h"
#include "game/rules/logical_layer.h"
#include "game/rules/missile_kinds.h"
#include "game/rules/vaelmoric.h"

namespace vael {

namespace {

// A prototype stands nowhere: it only makes units.
template <class Record> Record nowhere() {
    Record record;
    record.hex = noHex;
    record.facing = NorthEast;
    record.TQ = record.size = 1;
    return record;
}

template <> LeaderUnitData nowhere<LeaderUnitData>() {
    LeaderUnitData record;
    record.hex = noHex;
    record.facing = NorthEast;
    return record;
}

struct Registration {
    std::int16_t key;
    Unit* (*make)();
};

const Registration registrations[] = {
    {0, []() -> Unit* { return new Vaelmoric(nowhere<LeaderUnitData>(), "Vaelmoric"); }},
    {1, []() -> Unit* { return new Hoplite(nowhere<CombatUnitData>(), "Hoplite"); }},
    {4, []() -> Unit* { return new Leader(nowhere<LeaderUnitData>(), "Leader"); }},
    {8, []() -> Unit* { return new HeavyCav(nowhere<HeavyCavUnitData>(), "HeavyCav"); }},
    {10, []() -> Unit* { return new Skirmisher(nowhere<MissileCapableUnitData>(), "Skirmisher"); }},
    {17, []() -> Unit* { return new Phalanx(nowhere<CombatUnitData>(), "Phalanx"); }},
    {36, []() -> Unit* { return new LightInfantry(nowhere<MissileCapableUnitData>(), "LightInfantry"); }},
    {39, []() -> Unit* { return new LightCav(nowhere<MissileCapableUnitData>(), "LightCav"); }},
    {40, []() -> Unit* { return new Elephant(nowhere<ElephantUnitData>(), "Elephant"); }},
    {35, []() -> Unit* { return new Leader(nowhere<LeaderUnitData>(), "Leader"); }},
};

} // namespace

const std::vector<std::int16_t>& prototypeKeys() {
    static const std::vector<std::int16_t> keys = [] {
        std::vector<std::int16_t> list;
        for (const Registration& r : registrations)
            list.push_back(r.key);
        return list;
    }();
    return keys;
}

void registerUnitPrototypes(LogicalLayer& layer) {
    for (const Registration& r : registrations)
        layer.addPrototype(r.key, r.make());
}

} // namespace vael
