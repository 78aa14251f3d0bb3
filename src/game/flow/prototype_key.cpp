#include "game/flow/prototype_key.h"

#include <string>

#include "game/rules/combat/combat_unit_data.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/units/nation.h"

namespace vael {

namespace {

constexpr PrototypeKey key(std::int16_t k) {
    return PrototypeKey{k, nullptr};
}
constexpr PrototypeKey refuse(const char* message) {
    return PrototypeKey{-1, message};
}

PrototypeKey leaderKey(const VaelUnitData& r) {
    switch (r.nation) {
    case Macedonian:
        return key(r.name.find("Vaelmoric") != std::string::npos ? 0 : 4);
    case Persian:
    case Scythian:
        return key(r.name == "Tezhar III" ? 7 : 5);
    case Indian:
        return key(35);
    case Greek:
    case Danubian:
        return key(6);
    }
    return refuse("That leader is not put in yet.");
}

PrototypeKey lightCavalryKey(std::uint32_t nation, std::uint32_t type) {
    switch (nation) {
    case Macedonian:
        if (type == 6) return key(16);
        if (type == 7) return key(19);
        return refuse("That Light Cav missile type not in yet");
    case Persian:
    case Scythian:
        if (type == 6) return key(26);
        if (type == 7) return key(25);
        return refuse("That Light Cav missile type not in yet");
    case Indian:
        return type == 7 ? key(39) : refuse("Only Indian Light Cav (Javelin) are allowed");
    case Greek:
        return type == 7 ? key(34) : refuse("Only Greek Cavalry (Javelin) are allowed");
    }
    return refuse("Invalid nation in Light Cav");
}

PrototypeKey lightInfantryKey(std::uint32_t nation, std::uint32_t type, bool twoHexes) {
    switch (nation) {
    case Macedonian:
        return key(20);
    case Persian:
        if (twoHexes) return key(43);
        if (type == 1) return key(15);
        if (type == 4) return key(14);
        return refuse("Unrecognized missile type in Persian LI");
    case Indian:
        if (type == 1) return key(36);
        if (type == 4) return key(37);
        return refuse("Unrecognized missile type in Indian LI");
    case Greek:
        return type == 4 ? key(21) : refuse("Unrecognized missile type in Greek Peltast");
    case Danubian:
        return key(32);
    }
    return refuse("That nation's LI is not in yet.");
}

PrototypeKey skirmisherKey(const MissileCapableUnitData& r) {
    if (r.nation == Macedonian) {
        if (r.missileType == 1) return key(10);
        if (r.missileType == 3) return key(29);
        if (r.missileType == 4) return key(r.name.find("Ag") != std::string::npos ? 42 : 2);
        return refuse("Unrecognized missile type");
    }
    if (r.nation == Persian) {
        if (r.missileType == 1) return key(15);
        if (r.missileType == 3) return key(30);
        if (r.missileType == 4) return key(13);
        return refuse("Unrecognized missile type");
    }
    return refuse("Unrecognized nation");
}

PrototypeKey peltastKey(const MissileCapableUnitData& r) {
    if (r.nation == Macedonian)
        return r.missileType == 4 ? key(20) : refuse("Unrecognized missile type in Macedonian Peltast");
    if (r.nation == Greek)
        return r.missileType == 4 ? key(21) : refuse("Unrecognized missile type in Greek Peltast");
    return refuse("Unrecognized nation in Peltast");
}

} // namespace

void remapLightCavalryMissiles(std::uint8_t kind, VaelUnitData& record) {
    auto* missile = dynamic_cast<MissileCapableUnitData*>(&record);
    if (kind != 3 || !missile) return;
    if (missile->missileType == 1) missile->missileType = 6;
    if (missile->missileType == 4) missile->missileType = 7;
}

PrototypeKey choosePrototypeKey(std::uint8_t kind, const VaelUnitData& record) {
    const std::uint32_t nation = record.nation;
    if (kind == 0) return leaderKey(record);
    const auto* combat = dynamic_cast<const CombatUnitData*>(&record);
    const auto* missile = dynamic_cast<const MissileCapableUnitData*>(&record);
    const auto* cavalry = dynamic_cast<const HeavyCavUnitData*>(&record);
    const bool twoHexes = combat && combat->doubleSized;
    const std::uint32_t type = missile ? missile->missileType : 0;
    switch (kind) {
    case 1:
    case 17:
        return nation == Macedonian ? key(38) : refuse("Oxybele's only belong to the Macedonians");
    case 2: {
        const bool cataphract = cavalry && cavalry->cataphract;
        if (nation == Macedonian) return key(cataphract ? 44 : 8);
        if (nation == Persian) return key(cataphract ? 41 : 12);
        if (nation == Scythian) return key(12);
        return refuse("That nation's HC is not available.");
    }
    case 3:
        return lightCavalryKey(nation, type);
    case 4:
        if (nation == Persian) return key(22);
        if (nation == Indian) return key(23);
        return refuse("That nation's Chariot is not in yet.");
    case 5:
        if (nation == Persian) return key(24);
        if (nation == Indian) return key(40);
        return refuse("That nation's Elephant is not in yet.");
    case 6:
    case 14:
        if (nation == Macedonian || nation == Persian || nation == Greek) return key(twoHexes ? 18 : 31);
        return refuse("That nation's hoplites are not in");
    case 7:
        return lightInfantryKey(nation, type, twoHexes);
    case 8:
        if (nation == Persian) return key(11);
        if (nation == Danubian) return key(33);
        return refuse("That nation's MI is not in yet.");
    case 9:
        if (nation == Macedonian) return key(9);
        if (nation == Persian || nation == Scythian) return key(27);
        if (nation == Indian) return key(28);
        return refuse("That nation's Lancer is not available.");
    case 10:
        return missile ? skirmisherKey(*missile) : refuse("Unrecognized nation");
    case 15:
        return nation == Macedonian ? key(3) : refuse("That nation's Hypaspist is not available.");
    case 18:
        return missile ? peltastKey(*missile) : refuse("Unrecognized nation in Peltast");
    case 19:
        return nation == Macedonian ? key(17) : refuse("A Phalanx must be a Macedonian");
    }
    return refuse("Undefined unit in VLL::readUnits(...)");
}

} // namespace vael
