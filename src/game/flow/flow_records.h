#pragma once
// The payloads that pass between the logical layer and the application when a battle is set up: the
// request to load a scenario, the two sides it answers with, the leaders it announces, and the campaign's
// answers that thin out a campaign battle's armies.
#include <cstdint>
#include <string>

#include "framework/core/list.h"
#include "framework/core/type_name.h"
#include "game/rules/units/unit_type.h"

namespace vael {

class Leader;
class VaelUnit;

// "LoadScenario".
struct ScenarioInfoStruct {
    std::uint32_t scenario = 0; // 0 to 9 the fixed battles, 10 a battle of one's own
    std::string name;
    std::string fileName;
    std::uint16_t campaign = 0; // non-zero for a battle of a campaign
};

// "ScenarioLoaded" and "LeaderControl": each side's nation, its name and its leaders' names.
struct TeamInfoStruct {
    std::uint32_t homeNation = 0;
    std::string homeName;
    List<std::string> homeLeaders;
    std::uint32_t visitorNation = 0;
    std::string visitorName;
    List<std::string> visitorLeaders;
};

// "CreateLeader", and the layer's list of leaders for the turn sequence.
struct LeaderUnitInfo {
    std::string name;
    std::uint16_t initiative = 0;
    std::uint32_t nation = 0;
    Leader* leader = nullptr; // not owned
    // The turn sequence's own: the weight left to the leader (0 once his player has left, and he is then
    // never activated again), and whether he may roll for momentum in his activation.
    std::int16_t currentInitiative = 0;
    std::int16_t momentumAllowed = 0;

    bool operator==(const LeaderUnitInfo&) const = default;
};

// The garrison asked for with "GarrisonLevel": the campaign reads the unit type box as 0 for its infantry
// and 1 for its cavalry, not as the type code of a kind of unit.
inline constexpr UNIT_TYPE INFANTRY_GARRISON = static_cast<UNIT_TYPE>(0),
                           CAVALRY_GARRISON = static_cast<UNIT_TYPE>(1);
// A province of the campaign's map, as "GetProvince" and "GetLastProvince" answer it.
enum PROVINCE : std::int32_t {};

VAEL_TYPE_NAME(ScenarioInfoStruct, "ScenarioInfoStruct");
VAEL_TYPE_NAME(TeamInfoStruct, "TeamInfoStruct");
VAEL_TYPE_NAME(LeaderUnitInfo, "LeaderUnitInfo");
VAEL_TYPE_NAME(PROVINCE, "PROVINCE");
// "NearestLeader" names the unit it asks about without leave to change it.
VAEL_TYPE_NAME(const VaelUnit, "const VaelUnit");

} // namespace vael
