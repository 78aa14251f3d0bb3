#include "game/flow/scenario_file.h"

#include "framework/core/assertion.h"
#include "framework/core/super_string.h"
#include "game/rules/combat/combat_unit_data.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/leaders/leader_unit_data.h"
#include "game/rules/units/nation.h"

namespace vael {

namespace {

enum class RecordClass { None, Leader, Combat, Missile, HeavyCav, Elephant };

RecordClass recordClassOf(std::uint8_t kind) {
    switch (kind) {
    case 0:
        return RecordClass::Leader;
    case 1:
    case 3:
    case 4:
    case 7:
    case 8:
    case 10:
    case 17:
    case 18:
        return RecordClass::Missile;
    case 2:
        return RecordClass::HeavyCav;
    case 5:
        return RecordClass::Elephant;
    case 6:
    case 9:
    case 14:
    case 15:
    case 19:
        return RecordClass::Combat;
    default:
        return RecordClass::None;
    }
}

template <class Record> std::unique_ptr<VaelUnitData> loaded(SuperString& stream) {
    auto record = std::make_unique<Record>();
    if (!record->Load(stream)) return nullptr;
    return record;
}

// A string of a u8 length; false when the stream ends first.
bool readText(SuperString& stream, std::string& out) {
    std::uint8_t length = 0;
    stream >> length;
    if (stream.failed() || stream.remaining() < length) return false;
    out.assign(length, '\0');
    if (length) stream.read(out.data(), length);
    return true;
}

} // namespace

std::size_t ScenarioFile::fixedRecordBytes(std::uint8_t kind) {
    // After the name: nation 1, value 2, group 2, hex 2, facing 1; a fighting unit adds 2 + 2 + 1, a
    // missile unit 1 + 2 + 2 more, heavy cavalry 1, an elephant 1 after the missile unit's, a leader 4 x 2.
    switch (recordClassOf(kind)) {
    case RecordClass::Leader:
        return 16;
    case RecordClass::Combat:
        return 13;
    case RecordClass::Missile:
        return 18;
    case RecordClass::HeavyCav:
        return 14;
    case RecordClass::Elephant:
        return 19;
    case RecordClass::None:
        break;
    }
    return 0;
}

std::unique_ptr<VaelUnitData> ScenarioFile::makeRecord(std::uint8_t kind) {
    switch (recordClassOf(kind)) {
    case RecordClass::Leader:
        return std::make_unique<LeaderUnitData>();
    case RecordClass::Combat:
        return std::make_unique<CombatUnitData>();
    case RecordClass::Missile:
        return std::make_unique<MissileCapableUnitData>();
    case RecordClass::HeavyCav:
        return std::make_unique<HeavyCavUnitData>();
    case RecordClass::Elephant:
        return std::make_unique<ElephantUnitData>();
    case RecordClass::None:
        break;
    }
    return nullptr;
}

void ScenarioFile::clear() {
    groups.clear();
    title.clear();
    mapFileName.clear();
    home = visitor = Side{};
    substitutions.clear();
    homeScripts.clear();
    visitorScripts.clear();
    units.clear();
}

bool ScenarioFile::refuse(const std::string& fileName, const std::string& why) {
    clear();
    error_ = "The scenario file " + fileName + " cannot be played: " + why;
    return false;
}

bool ScenarioFile::read(const std::uint8_t* bytes, std::size_t size, const std::string& fileName) {
    clear();
    error_.clear();
    recordReported_ = false;
    if (size > 0x7FFFFFFF) return refuse(fileName, "it is too large");
    SuperString stream;
    if (size) stream.write(bytes, static_cast<std::int32_t>(size));
    const auto cutShort = [&](const std::string& where) {
        return refuse(fileName, "it ends inside " + where + " (" + std::to_string(size) + " bytes)");
    };

    std::uint16_t groupCount = 0;
    stream >> groupCount;
    if (stream.failed()) return cutShort("the group count");
    for (std::uint16_t i = 0; i < groupCount; ++i) {
        Group group;
        if (!group.read(stream)) return cutShort("group record " + std::to_string(i + 1));
        groups.push_back(std::move(group));
    }
    std::uint16_t skipped = 0;
    stream >> skipped;
    if (stream.failed()) return cutShort("the two bytes after the groups");
    if (!readText(stream, title)) return cutShort("the title");
    if (!readText(stream, mapFileName)) return cutShort("the map file name");
    if (mapFileName.size() > maxMapFileName)
        return refuse(fileName, "its map file name has " + std::to_string(mapFileName.size()) +
                                    " characters; at most " + std::to_string(maxMapFileName) + " are kept");
    std::string unused;
    if (!readText(stream, unused)) return cutShort("the text after the map file name");

    for (auto [side, which] : {std::pair<Side*, const char*>{&home, "home"}, {&visitor, "visitor"}}) {
        std::uint8_t code = 0;
        stream >> code >> side->routDirection >> side->tqPoints;
        if (stream.failed()) return cutShort(std::string("the ") + which + " side");
        side->nation = VaelUnitData::nationOfCode(code);
        if (side->nation == NoNation)
            return refuse(fileName, std::string("Invalid nation passed in (") + which + " side, code " +
                                        std::to_string(code) + ")");
        if (side->routDirection > 8)
            return refuse(fileName, std::string("the ") + which + " side routs toward " +
                                        std::to_string(side->routDirection) + ", which is no direction");
    }
    if (home.nation == visitor.nation)
        return refuse(fileName, "both sides are of one nation, so the home side would have no units");

    std::uint8_t substitutionCount = 0;
    stream >> substitutionCount;
    if (stream.failed()) return cutShort("the substitution count");
    for (int i = 0; i < substitutionCount; ++i) {
        std::uint8_t from = 0, to = 0;
        stream >> from >> to;
        if (stream.failed()) return cutShort("substitution " + std::to_string(i + 1));
        const std::uint32_t fromNation = VaelUnitData::nationOfCode(from),
                            toNation = VaelUnitData::nationOfCode(to);
        if (!fromNation || !toNation)
            return refuse(fileName, "Invalid nation passed in (substitution " + std::to_string(i + 1) + ")");
        substitutions.emplace_back(fromNation, toNation);
    }

    std::uint8_t homeCount = 0, visitorCount = 0;
    stream >> homeCount >> visitorCount;
    if (stream.failed()) return cutShort("the script counts");
    for (auto [names, count, which] :
         {std::tuple<std::vector<std::string>*, int, const char*>{&homeScripts, homeCount, "home"},
          {&visitorScripts, visitorCount, "visitor"}}) {
        for (int i = 0; i < count; ++i) {
            std::string name;
            if (!readText(stream, name))
                return cutShort(std::string("the name of ") + which + " script " + std::to_string(i + 1));
            if (name.size() > maxScriptFileName)
                return refuse(fileName, std::string("the name of ") + which + " script " +
                                            std::to_string(i + 1) + " is longer than " +
                                            std::to_string(maxScriptFileName) + " characters");
            names->push_back(std::move(name));
        }
    }

    while (stream.remaining() > 0) {
        const std::int32_t at = stream.readPosition();
        const std::string which =
            "unit record " + std::to_string(units.size() + 1) + " (at byte " + std::to_string(at) + ")";
        std::uint8_t kind = 0, nameLength = 0;
        stream >> kind;
        const std::size_t fixed = fixedRecordBytes(kind);
        if (fixed == 0)
            return refuse(fileName, "Undefined unit in VLL::readUnits(...): " + which + " is of kind " +
                                        std::to_string(kind));
        if (stream.peek(&nameLength, stream.readPosition(), 1) != 1 ||
            static_cast<std::size_t>(stream.remaining()) < 1u + nameLength + fixed)
            return cutShort(which);
        std::unique_ptr<VaelUnitData> record;
        // The record's own checks know its bytes only: their reports name the file and the record.
        const Assertion::Context context("the scenario file " + fileName + ", " + which);
        switch (recordClassOf(kind)) {
        case RecordClass::Leader:
            record = loaded<LeaderUnitData>(stream);
            break;
        case RecordClass::Combat:
            record = loaded<CombatUnitData>(stream);
            break;
        case RecordClass::Missile:
            record = loaded<MissileCapableUnitData>(stream);
            break;
        case RecordClass::HeavyCav:
            record = loaded<HeavyCavUnitData>(stream);
            break;
        case RecordClass::Elephant:
            record = loaded<ElephantUnitData>(stream);
            break;
        case RecordClass::None:
            break;
        }
        if (!record) {
            recordReported_ = true;
            return refuse(fileName, which + " holds a value no unit can have");
        }
        units.push_back(UnitRecord{kind, std::move(record)});
    }
    return true;
}

} // namespace vael
