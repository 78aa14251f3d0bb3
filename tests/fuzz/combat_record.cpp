// Arbitrary bytes as a fighting unit's scenario record (the first byte picks its class) followed by a
// fighting unit's saved state (the first byte also picks a kind with or without missiles): a record that is
// read has a positive troop quality and size and a known missile type; a state that is read leaves no
// more hits than the troop quality, no more volleys than the supply and attack hexes on the map, and the
// unit only on the map's hexes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "framework/core/super_string.h"
#include "game/rules/combat/heavy_infantry.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/combat/missile_kinds.h"
#include "support/rules/record_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    VaelLogicalLandscape* map = test::recordFuzzMap();
    if (size == 0) return 0;
    SuperString file;
    if (size > 1) file.write(data + 1, static_cast<std::int32_t>(size - 1));

    std::unique_ptr<CombatUnitData> record;
    switch (data[0] % 4) {
    case 0:
        record = std::make_unique<CombatUnitData>();
        break;
    case 1:
        record = std::make_unique<HeavyCavUnitData>();
        break;
    case 2:
        record = std::make_unique<MissileCapableUnitData>();
        break;
    default:
        record = std::make_unique<ElephantUnitData>();
        break;
    }
    bool loaded = false;
    if (auto* elephant = dynamic_cast<ElephantUnitData*>(record.get()))
        loaded = elephant->Load(file);
    else if (auto* missile = dynamic_cast<MissileCapableUnitData*>(record.get()))
        loaded = missile->Load(file);
    else if (auto* cavalry = dynamic_cast<HeavyCavUnitData*>(record.get()))
        loaded = cavalry->Load(file);
    else
        loaded = record->Load(file);
    if (loaded && (record->TQ <= 0 || record->size <= 0)) std::abort();
    if (auto* missile = dynamic_cast<MissileCapableUnitData*>(record.get()); loaded && missile) {
        const std::uint32_t t = missile->missileType;
        if (t != 1 && t != 3 && t != 4 && t != 8) std::abort();
    }
    file.clearFailure();

    CombatUnitData own;
    own.name = "Fuzz";
    own.unitNumber = 1;
    own.hex = 505;
    own.nation = 1;
    own.facing = East;
    own.movementAllowance = 6;
    own.TQ = 5;
    own.size = 4;
    own.doubleSized = static_cast<std::int16_t>(data[0] / 4 % 2);
    own.landscape = map;
    // Every other input is read as the saved state of a missile-armed unit, whose volleys never exceed
    // its supply.
    MissileCapableUnitData ownMissile;
    static_cast<CombatUnitData&>(ownMissile) = own;
    ownMissile.missileType = 1 + data[0] / 8 % 8;
    std::unique_ptr<Combat> made;
    if (data[0] / 64 % 2)
        made = std::make_unique<LightInfantry>(ownMissile, "Fuzz");
    else
        made = std::make_unique<Hoplite>(own, "Fuzz");
    Combat& unit = *made;
    map->addToRegion(&unit, 505);
    if (unit.getSecondHex() >= 0) map->addToRegion(&unit, unit.getSecondHex());
    if (unit.read(file)) {
        if (unit.getCohesionHits() > unit.getTroopQuality()) std::abort();
        if (auto* missile = dynamic_cast<MissileCapable*>(&unit);
            missile && missile->getMissilesLeft() > missile->getMissileSupply())
            std::abort();
        ListIterator<short> it(const_cast<List<short>&>(unit.getAttackHexes()));
        for (short h = 0; it.next(h);)
            if (!map->isValidHex(h)) std::abort();
    }
    test::removeFromHexesOrAbort(*map, unit);
    test::abortIfAnyHexHoldsAUnit(*map);
    return 0;
}
