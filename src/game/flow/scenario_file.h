#pragma once
// The contents of a scenario file, read whole and checked before anything of the battle is built from
// them: the groups, the title, the map file's name, the two sides, the nation substitutions, each side's
// plan scripts and the unit and leader records. A file that is cut short, holds a name longer than the
// game keeps, a nation or direction no side can have, or a record of an unknown kind is refused with a
// message naming the file, so that a bad file never turns into a half-built battle.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/rules/leaders/group.h"
#include "game/rules/units/vael_unit_data.h"

namespace vael {

class ScenarioFile {
public:
    // The longest map file name and plan script name the layer keeps.
    static constexpr std::size_t maxMapFileName = 29;
    static constexpr std::size_t maxScriptFileName = 127;

    struct Side {
        std::uint32_t nation = 0; // a NATION value, 1 to 6
        std::uint8_t routDirection = 0;
        std::uint8_t tqPoints = 0;
    };
    struct UnitRecord {
        std::uint8_t kind = 0;
        std::unique_ptr<VaelUnitData> data;
    };

    // Reads the bytes of the file named fileName (the name is only used in messages). Answers false on a
    // malformed file and leaves error() telling why; the contents are then empty. recordReported() tells
    // whether a unit record's own reader has already reported what was wrong with it.
    bool read(const std::uint8_t* bytes, std::size_t size, const std::string& fileName);
    const std::string& error() const { return error_; }
    bool recordReported() const { return recordReported_; }

    // The record that follows each kind byte, or null for a kind no unit has.
    static std::unique_ptr<VaelUnitData> makeRecord(std::uint8_t kind);
    // The bytes of a record of that kind after its name, or 0 for a kind no unit has.
    static std::size_t fixedRecordBytes(std::uint8_t kind);

    std::vector<Group> groups;
    std::string title;
    std::string mapFileName;
    Side home, visitor;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> substitutions; // (from, to) NATION values
    std::vector<std::string> homeScripts, visitorScripts;
    std::vector<UnitRecord> units;

private:
    bool refuse(const std::string& fileName, const std::string& why);
    void clear();

    std::string error_;
    bool recordReported_ = false;
};

} // namespace vael
