#pragma once
// Builds a battle on a logical layer from its scenario file: the map and its regions, the two sides and
// their plan scripts, the groups, and every unit and leader made from its prototype, placed and
// announced as the display and the rules expect. The battle it builds belongs to the layer; the builder
// lives for one load (or one unit made) and keeps only the scenario's nation substitutions meanwhile.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vael {

class Leader;
class ScenarioFile;
class VaelLogicalLayer;
class VaelUnit;
struct LeaderUnitData;
struct ScenarioInfoStruct;
struct VaelUnitData;

class ScenarioBuilder {
public:
    explicit ScenarioBuilder(VaelLogicalLayer& layer) : layer_(layer) {}
    ScenarioBuilder(const ScenarioBuilder&) = delete;
    ScenarioBuilder& operator=(const ScenarioBuilder&) = delete;

    // Reads the scenario and builds the battle; on a bad file the battle is closed, the reason reported
    // once, no "ScenarioLoaded" is sent and the answer is false.
    bool load(const ScenarioInfoStruct& info);

    // Makes a unit or leader from the prototype of a key, places it and announces it; null (with the
    // unit reported and left out) when there is no such prototype or the unit would stand off the map.
    VaelUnit* createUnit(std::uint16_t key, const VaelUnitData& record, const std::string& name);
    Leader* createLeader(std::uint16_t key, const LeaderUnitData& record, const std::string& name);

    // The kind of a plan script from its first line: 1 when the line ends in "1".
    static std::uint16_t scriptKindOfLine(const std::string& firstLine);

private:
    bool build(ScenarioFile& file, const std::string& directory, const ScenarioInfoStruct& info);
    void readScripts(const ScenarioFile& file);
    void readUnits(ScenarioFile& file, std::uint16_t campaign);
    bool placeOnMap(VaelUnit* unit, const std::string& name);
    std::unique_ptr<VaelUnit> makeUnit(std::uint16_t key, const VaelUnitData& record, const std::string& name,
                                       bool leader);
    void announceCreated(std::uint16_t key, const VaelUnit& unit, std::uint16_t hex);
    std::uint32_t substituted(std::uint32_t nation) const;
    void failLoad(const std::string& why, bool alreadyReported);

    VaelLogicalLayer& layer_;
    std::vector<std::uint32_t> substituteFrom_, substituteTo_;
};

} // namespace vael
