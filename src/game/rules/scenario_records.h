#pragma once
// The payloads with which a battle's map and units are announced when a scenario loads. The map display
// and the unit display objects read them, so they live at the top of the rules, which both read, rather
// than with the scenario reader in the game flow.
#include <cstdint>
#include <string>

#include "framework/core/geometry.h"
#include "framework/core/landscape_definition.h"
#include "framework/core/type_name.h"

namespace vael {

// "MapInfo": the battle's name and its map's size in hexes.
struct MapInfoStruct {
    std::string name;
    Point size{0, 0};

    bool operator==(const MapInfoStruct&) const = default;
};

// The data of LOGICAL_UNIT_CREATED: the prototype key the unit was made from, its facing and its side.
struct LOCreateInfo {
    std::uint16_t key = 0;
    std::uint32_t facing = 0;
    std::uint32_t nation = 0;

    bool operator==(const LOCreateInfo&) const = default;
};

VAEL_TYPE_NAME(MapInfoStruct, "MapInfoStruct");
VAEL_TYPE_NAME(LOCreateInfo, "LOCreateInfo");

} // namespace vael
