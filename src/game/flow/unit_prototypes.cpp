#include "game/flow/unit_prototypes.h"

#include <memory>

#include "framework/core/hex_codes.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/heavy_infantry.h"
#include "game/rules/combat/missile_kinds.h"
#include "game/rules/leaders/vaelmoric.h"
#include "game/rules/logical_layer.h"

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

template <class Kind, class Record> Unit* make(const char* name) {
    return new Kind(nowhere<Record>(), name);
}

// The ten keys the demonstration battle was first played with come first, in their order; then every
// other display type id of the catalogue, so that any unit a scenario's key table chooses can be made.
const Registration registrations[] = {
    {0, [] { return make<Vaelmoric, LeaderUnitData>("Vaelmoric"); }},
    {1, [] { return make<Hoplite, CombatUnitData>("Hoplite"); }},
    {4, [] { return make<Leader, LeaderUnitData>("Leader"); }},
    {8, [] { return make<HeavyCav, HeavyCavUnitData>("HeavyCav"); }},
    {10, [] { return make<Skirmisher, MissileCapableUnitData>("Skirmisher"); }},
    {17, [] { return make<Phalanx, CombatUnitData>("Phalanx"); }},
    {36, [] { return make<LightInfantry, MissileCapableUnitData>("LightInfantry"); }},
    {39, [] { return make<LightCav, MissileCapableUnitData>("LightCav"); }},
    {40, [] { return make<Elephant, ElephantUnitData>("Elephant"); }},
    {35, [] { return make<Leader, LeaderUnitData>("Leader"); }},
    {2, [] { return make<Skirmisher, MissileCapableUnitData>("Skirmisher"); }},
    {3, [] { return make<Hypaspist, CombatUnitData>("Hypaspist"); }},
    {5, [] { return make<Leader, LeaderUnitData>("Leader"); }},
    {6, [] { return make<Leader, LeaderUnitData>("Leader"); }},
    {7, [] { return make<Tezhar, LeaderUnitData>("Tezhar"); }},
    {9, [] { return make<Lancer, CombatUnitData>("Lancer"); }},
    {11, [] { return make<MediumInfantry, MissileCapableUnitData>("MediumInfantry"); }},
    {12, [] { return make<HeavyCav, HeavyCavUnitData>("HeavyCav"); }},
    {13, [] { return make<Skirmisher, MissileCapableUnitData>("Skirmisher"); }},
    {14, [] { return make<LightInfantry, MissileCapableUnitData>("LightInfantry"); }},
    // Archers of the Persian line: a light-infantry record and a skirmisher record both choose this key.
    {15, [] { return make<LightInfantry, MissileCapableUnitData>("LightInfantry"); }},
    {16, [] { return make<LightCav, MissileCapableUnitData>("LightCav"); }},
    {18, [] { return make<Hoplite, CombatUnitData>("Hoplite"); }},
    {19, [] { return make<LightCav, MissileCapableUnitData>("LightCav"); }},
    {20, [] { return make<Peltast, MissileCapableUnitData>("Peltast"); }},
    {21, [] { return make<Peltast, MissileCapableUnitData>("Peltast"); }},
    {22, [] { return make<Chariot, MissileCapableUnitData>("Chariot"); }},
    {23, [] { return make<Chariot, MissileCapableUnitData>("Chariot"); }},
    {24, [] { return make<Elephant, ElephantUnitData>("Elephant"); }},
    {25, [] { return make<LightCav, MissileCapableUnitData>("LightCav"); }},
    {26, [] { return make<LightCav, MissileCapableUnitData>("LightCav"); }},
    {27, [] { return make<Lancer, CombatUnitData>("Lancer"); }},
    {28, [] { return make<Lancer, CombatUnitData>("Lancer"); }},
    {29, [] { return make<Skirmisher, MissileCapableUnitData>("Skirmisher"); }},
    {30, [] { return make<Skirmisher, MissileCapableUnitData>("Skirmisher"); }},
    {31, [] { return make<Hoplite, CombatUnitData>("Hoplite"); }},
    {32, [] { return make<LightInfantry, MissileCapableUnitData>("LightInfantry"); }},
    {33, [] { return make<MediumInfantry, MissileCapableUnitData>("MediumInfantry"); }},
    {34, [] { return make<LightCav, MissileCapableUnitData>("LightCav"); }},
    {37, [] { return make<LightInfantry, MissileCapableUnitData>("LightInfantry"); }},
    {38, [] { return make<Oxybele, MissileCapableUnitData>("Oxybele"); }},
    {41, [] { return make<HeavyCav, HeavyCavUnitData>("HeavyCav"); }},
    {42, [] { return make<Skirmisher, MissileCapableUnitData>("Skirmisher"); }},
    // The cardaces stand two hexes wide; the record's flag says so, the kind is light infantry's.
    {43, [] { return make<LightInfantry, MissileCapableUnitData>("LightInfantry"); }},
    {44, [] { return make<HeavyCav, HeavyCavUnitData>("HeavyCav"); }},
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
