#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/read_file.h"
#include "game/flow/data_files.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/prototype_key.h"
#include "game/flow/scenario_builder.h"
#include "game/flow/scenario_file.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/scenario_records.h"
#include "game/rules/units/nation.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG3";

// The string-table entry of each nation's name, by NATION value.
std::uint16_t nationNameString(std::uint32_t nation) {
    static constexpr std::uint16_t ids[7] = {0, 32, 33, 35, 31, 34, 36};
    return nation >= 1 && nation <= 6 ? ids[nation] : 0;
}

std::string nationName(std::uint32_t nation, const char* invalidText) {
    Application* app = Application::instance();
    const std::uint16_t id = nationNameString(nation);
    Assertion::check(id != 0, invalidText, sourceFile, __LINE__);
    return id && app ? app->loadString(id) : std::string();
}

std::string directoryOf(std::int16_t kind) {
    Application* app = Application::instance();
    return app ? app->dataPath(kind) : std::string();
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::string error;
    return readFileBytes(path, bytes, error, file_limits::Data);
}

short takeShortReply(ContainerBase* reply) {
    const auto held = owned(reply);
    short value = 0;
    takeAnswer(held.get(), value, sourceFile, __LINE__);
    return value;
}

std::int32_t takeProvince(ContainerBase* reply) {
    const auto held = owned(reply);
    PROVINCE value{};
    takeAnswer(held.get(), value, sourceFile, __LINE__);
    return value;
}

} // namespace

std::uint16_t ScenarioBuilder::scriptKindOfLine(const std::string& firstLine) {
    std::string line = firstLine.substr(0, 49);
    if (const auto end = line.find('\n'); end != std::string::npos) line.erase(end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return !line.empty() && line.back() == '1';
}

void ScenarioBuilder::failLoad(const std::string& why, bool alreadyReported) {
    debugStream() << why << std::endl;
    if (!alreadyReported) Assertion::fail(why, sourceFile, __LINE__);
    layer_.CloseGame();
}

bool ScenarioBuilder::load(const ScenarioInfoStruct& info) {
    // The units of a battle still loaded stand on its map, which the new battle replaces: they go with it.
    layer_.CloseGame();
    layer_.loadedScenario_ = info;
    layer_.campaign_ = info.campaign;
    const std::string directory = directoryOf(9);
    const std::string path = findDataFile(directory, info.fileName);
    std::vector<std::uint8_t> bytes;
    if (path.empty() || !readWholeFile(path, bytes)) {
        // A FIFO or a folder in its place is told as what it is.
        std::filesystem::path other;
        const std::string problem = path.empty() ? notAFile(directory, info.fileName, &other) : std::string();
        failLoad(problem.empty() ? "The scenario file " + directory + "/" + info.fileName + " cannot be read"
                                 : "The scenario file " + other.string() + " " + problem,
                 false);
        return false;
    }
    ScenarioFile file;
    if (!file.read(bytes.data(), bytes.size(), path)) {
        failLoad(file.error(), file.recordReported());
        return false;
    }
    layer_.scenarioName_ = info.name;
    return build(file, directory, info);
}

bool ScenarioBuilder::build(ScenarioFile& file, const std::string& directory,
                            const ScenarioInfoStruct& info) {
    for (const Group& group : file.groups)
        layer_.groups_.adopt(std::make_unique<Group>(group));

    std::snprintf(layer_.mapFileName_, sizeof layer_.mapFileName_, "%s", file.mapFileName.c_str());
    layer_.setLandscape(nullptr);
    layer_.vaelLandscape_ = nullptr;
    const std::string mapPath = findDataFile(directory, file.mapFileName);
    // A map that is not there is still named by where it was looked for, so that every message says which.
    const std::string mapName = mapPath.empty() ? directory + "/" + file.mapFileName : mapPath;
    auto* landscape = new VaelLogicalLandscape(mapName.c_str());
    layer_.setLandscape(landscape);
    landscape->onVisitorSide = [layer = &layer_](std::uint32_t nation) {
        return layer->onVisitorSide(nation);
    };
    if (mapPath.empty() || !landscape->loadError().empty() || landscape->regionCount() == 0) {
        // A folder or a FIFO in the map's place is that, not a map that is not there.
        const std::string other = mapPath.empty() ? notAFile(directory, file.mapFileName) : std::string();
        failLoad("The map file " + directory + "/" + file.mapFileName + " of the scenario " + info.fileName +
                     " cannot be used: " +
                     (!other.empty()                   ? "it " + other
                      : mapPath.empty()                ? std::string("there is no such file")
                      : landscape->loadError().empty() ? std::string("it holds no map")
                                                       : landscape->loadError()),
                 false);
        return false;
    }
    layer_.vaelLandscape_ = landscape;
    landscape->attach(layer_);
    layer_.hexOffset_ = static_cast<std::int16_t>(landscape->getHexOffset());

    if (layer_.titleSink_) layer_.titleSink_(file.title);
    debugStream() << "Playing " << file.title << std::endl;

    Container<MapInfoStruct> mapInfo(MapInfoStruct{layer_.scenarioName_, landscape->getSize()});
    layer_.sendNamed(msg::MapInfo, &mapInfo);
    Container<LandscapeDefinition> definition(
        LandscapeDefinition{static_cast<std::uint16_t>(info.scenario), landscape->getSize(),
                            landscape->regionCount(), landscape->getLandscapeStyle()});
    layer_.send(BEGIN_LANDSCAPE, &definition);
    Container<List<LogicalRegion>> regions;
    for (std::int16_t i = 0; i < landscape->regionCount(); ++i)
        if (const LogicalRegion* region = landscape->regionAtIndex(i)) regions.valuePtr()->append(*region);
    layer_.send(CREATE_REGION, &regions);
    layer_.sendEmpty(END_LANDSCAPE);

    layer_.homeNation_ = file.home.nation;
    layer_.homeRoutDirection_ = file.home.routDirection;
    layer_.homeTQPoints_ = file.home.tqPoints;
    layer_.visitorNation_ = file.visitor.nation;
    layer_.visitorRoutDirection_ = file.visitor.routDirection;
    layer_.visitorTQPoints_ = file.visitor.tqPoints;
    Container<NATION> home(static_cast<NATION>(layer_.homeNation_)),
        visitor(static_cast<NATION>(layer_.visitorNation_));
    layer_.sendNamed(msg::HomeTeam, &home);
    layer_.sendNamed(msg::VisitorTeam, &visitor);
    Container<short> homeTQ(static_cast<short>(layer_.homeTQPoints_)),
        visitorTQ(static_cast<short>(layer_.visitorTQPoints_));
    layer_.sendNamed(msg::HomeTQPoints, &homeTQ);
    layer_.sendNamed(msg::VisitorTQPoints, &visitorTQ);

    substituteFrom_.clear(), substituteTo_.clear();
    for (const auto& [from, to] : file.substitutions)
        substituteFrom_.push_back(from), substituteTo_.push_back(to);

    readScripts(file);
    readUnits(file, layer_.campaign_);

    for (Combat* unit : each(layer_.allUnits_.links()))
        if (Group* group = layer_.findGroup(unit->getLeaderId())) group->addUnit(unit);
    layer_.homeUnitCount_ = static_cast<std::uint16_t>(layer_.homeUnits_.count());
    layer_.visitorUnitCount_ = static_cast<std::uint16_t>(layer_.visitorUnits_.count());
    Container<short> homeCount(static_cast<short>(layer_.homeUnitCount_)),
        visitorCount(static_cast<short>(layer_.visitorUnitCount_));
    layer_.sendNamed(msg::NumHomeUnits, &homeCount);
    layer_.sendNamed(msg::NumVisitorUnits, &visitorCount);

    TeamInfoStruct team;
    for (auto [leaders, names] : {std::pair{&layer_.homeLeaders_, &team.homeLeaders},
                                  {&layer_.visitorLeaders_, &team.visitorLeaders}})
        for (Leader* leader : each(*leaders)) {
            names->append(leader->getName());
            Group* group = layer_.findGroup(leader->getLeaderId());
            leader->setGroup(group);
            if (group) group->setLeader(leader);
        }
    team.homeNation = layer_.homeNation_;
    team.homeName = nationName(layer_.homeNation_, "Invalid home nation");
    team.visitorNation = layer_.visitorNation_;
    team.visitorName = nationName(layer_.visitorNation_, "Invalid visiting nation");
    Container<TeamInfoStruct> loaded(team);
    layer_.sendNamed(msg::ScenarioLoaded, &loaded);
    substituteFrom_.clear(), substituteTo_.clear();
    return true;
}

void ScenarioBuilder::readScripts(const ScenarioFile& file) {
    layer_.homeScriptCount_ = static_cast<std::uint8_t>(file.homeScripts.size());
    layer_.visitorScriptCount_ = static_cast<std::uint8_t>(file.visitorScripts.size());
    debugStream() << "Number of home A/I file names: " << int(layer_.homeScriptCount_) << std::endl
                  << "Number of visitor A/I file name: " << int(layer_.visitorScriptCount_) << std::endl;
    const std::string directory = directoryOf(0);
    layer_.homeScriptKinds_.clear(), layer_.visitorScriptKinds_.clear();
    for (bool visitor : {false, true}) {
        const std::vector<std::string>& names = visitor ? file.visitorScripts : file.homeScripts;
        for (std::size_t i = 0; i < names.size(); ++i) {
            debugStream() << "A/I File Name: " << names[i] << std::endl;
            (visitor ? layer_.visitorScripts_ : layer_.homeScripts_)[static_cast<std::int16_t>(i)] = names[i];
            std::string line;
            const std::string path = findDataFile(directory, names[i]);
            std::vector<std::uint8_t> start;
            if (std::string unread; !path.empty() && readFileStart(path, 49, start, unread))
                for (std::uint8_t c : start) {
                    if (c == '\n') break;
                    line += static_cast<char>(c);
                }
            (visitor ? layer_.visitorScriptKinds_ : layer_.homeScriptKinds_)
                .push_back(scriptKindOfLine(line));
        }
    }
}

std::uint32_t ScenarioBuilder::substituted(std::uint32_t nation) const {
    for (std::size_t i = 0; i < substituteFrom_.size(); ++i)
        if (substituteFrom_[i] == nation) return substituteTo_[i];
    return nation;
}

void ScenarioBuilder::readUnits(ScenarioFile& file, std::uint16_t campaign) {
    short infantryGarrison = 0, cavalryGarrison = 0;
    bool helpPersians = false, hurtPersians = false;
    if (campaign) {
        Container<UNIT_TYPE> infantry(INFANTRY_GARRISON), cavalry(CAVALRY_GARRISON);
        infantryGarrison = takeShortReply(layer_.sendNowNamed(msg::GarrisonLevel, &infantry));
        cavalryGarrison = takeShortReply(layer_.sendNowNamed(msg::GarrisonLevel, &cavalry));
        const std::int32_t province = takeProvince(layer_.sendNowNamedEmpty(msg::GetProvince));
        const std::int32_t lastProvince = takeProvince(layer_.sendNowNamedEmpty(msg::GetLastProvince));
        helpPersians = province == 4 && lastProvince == 1;
        hurtPersians = province == 4 && lastProvince == 2;
        debugStream() << "The infantry garrison level is " << infantryGarrison << std::endl
                      << "The cavalry garrison level is " << cavalryGarrison << std::endl
                      << "The current province is " << province << std::endl
                      << "The previous province was " << lastProvince << std::endl
                      << "Help Persians?: " << helpPersians << std::endl
                      << "Hurt Persians?: " << hurtPersians << std::endl;
    }
    int persianCount = 0;
    for (ScenarioFile::UnitRecord& unit : file.units) {
        VaelUnitData& record = *unit.data;
        record.hex = static_cast<std::uint16_t>(record.hex - static_cast<std::uint16_t>(layer_.hexOffset_));
        record.landscape = layer_.vaelLandscape_;
        if (unit.kind == 0) {
            auto& leaderRecord = static_cast<LeaderUnitData&>(record);
            if (helpPersians && record.nation == Persian) {
                ++leaderRecord.shockPrecedence, ++leaderRecord.commandRange, ++leaderRecord.initiative;
            }
        }
        remapLightCavalryMissiles(unit.kind, record);
        const PrototypeKey key = choosePrototypeKey(unit.kind, record);
        if (key.key < 0) {
            Assertion::fail(std::string(key.message) + " (" + record.name + " is left out)", sourceFile,
                            __LINE__);
            continue;
        }
        if (unit.kind == 0) {
            if (Leader* leader = createLeader(static_cast<std::uint16_t>(key.key),
                                              static_cast<LeaderUnitData&>(record), record.name))
                leader->setRoutDirection(static_cast<DIRECTION>(layer_.onVisitorSide(leader->getNation())
                                                                    ? layer_.visitorRoutDirection_
                                                                    : layer_.homeRoutDirection_));
            continue;
        }
        if (campaign) {
            const bool cavalry = unit.kind >= 2 && unit.kind <= 5;
            short& garrison = cavalry ? cavalryGarrison : infantryGarrison;
            const bool infantry = (unit.kind >= 6 && unit.kind <= 10) || unit.kind == 14 || unit.kind == 15 ||
                                  unit.kind == 18 || unit.kind == 19;
            if ((cavalry || infantry) && garrison > 0 && record.nation == Macedonian) {
                --garrison;
                continue;
            }
            if (hurtPersians && record.nation == Persian && (persianCount = (persianCount + 1) % 5) == 0)
                continue;
        }
        if (VaelUnit* made = createUnit(static_cast<std::uint16_t>(key.key), record, record.name))
            made->setRoutDirection(static_cast<DIRECTION>(layer_.onVisitorSide(made->getNation())
                                                              ? layer_.visitorRoutDirection_
                                                              : layer_.homeRoutDirection_));
    }
}

bool ScenarioBuilder::placeOnMap(VaelUnit* unit, const std::string& name) {
    const auto hex = static_cast<std::int16_t>(unit->getHex());
    const bool twoHexes = unit->isDoubleSized();
    if (!layer_.vaelLandscape_ || !layer_.vaelLandscape_->isValidHex(hex) ||
        (twoHexes && !layer_.vaelLandscape_->isValidHex(unit->getSecondHex()))) {
        Assertion::fail(name + " would stand off the map (hex " + std::to_string(hex) +
                            (twoHexes ? " and " + std::to_string(unit->getSecondHex()) : std::string()) +
                            ") and is left out",
                        sourceFile, __LINE__);
        return false;
    }
    unit->attach(layer_);
    layer_.vaelLandscape_->addToRegion(unit, hex);
    if (twoHexes) layer_.vaelLandscape_->addToRegion(unit, unit->getSecondHex());
    unit->setNation(substituted(unit->getNation()));
    return true;
}

std::unique_ptr<VaelUnit> ScenarioBuilder::makeUnit(std::uint16_t key, const VaelUnitData& record,
                                                    const std::string& name, bool leader) {
    const_cast<VaelUnitData&>(record).unitNumber = layer_.unitCounter_;
    auto* prototypeUnit = dynamic_cast<VaelUnit*>(layer_.prototype(static_cast<std::int16_t>(key)));
    std::unique_ptr<VaelUnit> made(prototypeUnit ? prototypeUnit->create(record, name.c_str()) : nullptr);
    // A prototype of the wrong family for the record's kind cannot make it either.
    if (made && (leader ? !dynamic_cast<Leader*>(made.get()) : !dynamic_cast<Combat*>(made.get())))
        made.reset();
    if (!made) {
        Assertion::fail(std::string("No ") + (leader ? "leader" : "unit") + " can be made under key " +
                            std::to_string(key) + ": " + name + " is left out",
                        sourceFile, __LINE__);
        return nullptr;
    }
    if (!placeOnMap(made.get(), name)) return nullptr;
    return made;
}

void ScenarioBuilder::announceCreated(std::uint16_t key, const VaelUnit& unit, std::uint16_t hex) {
    Container<LogicalCommandInfo> created(
        LogicalCommandInfo(layer_.unitCounter_,
                           new Container<LOCreateInfo>(LOCreateInfo{
                               key, static_cast<std::uint32_t>(unit.getFacing()), unit.getNation()}),
                           hex));
    dropAnswer(layer_.query(LOGICAL_UNIT_CREATED, &created));
    ++layer_.unitCounter_;
}

VaelUnit* ScenarioBuilder::createUnit(std::uint16_t key, const VaelUnitData& record,
                                      const std::string& name) {
    std::unique_ptr<VaelUnit> made = makeUnit(key, record, name, false);
    if (!made) return nullptr;
    Combat* unit = layer_.allUnits_.adopt(std::unique_ptr<Combat>(static_cast<Combat*>(made.release())));
    (layer_.onVisitorSide(unit->getNation()) ? layer_.visitorUnits_ : layer_.homeUnits_).append(unit);
    announceCreated(key, *unit, record.hex);
    return unit;
}

Leader* ScenarioBuilder::createLeader(std::uint16_t key, const LeaderUnitData& record,
                                      const std::string& name) {
    std::unique_ptr<VaelUnit> made = makeUnit(key, record, name, true);
    if (!made) return nullptr;
    Leader* leader = layer_.allLeaders_.adopt(std::unique_ptr<Leader>(static_cast<Leader*>(made.release())));
    (layer_.onVisitorSide(leader->getNation()) ? layer_.visitorLeaders_ : layer_.homeLeaders_).append(leader);
    const LeaderUnitInfo info{leader->getName(), record.initiative, leader->getNation(), leader};
    Container<LeaderUnitInfo> announced(info);
    layer_.sendNamed(msg::CreateLeader, &announced);
    layer_.leaderRecords_.append(info);
    announceCreated(key, *leader, record.hex);
    return leader;
}

} // namespace vael
