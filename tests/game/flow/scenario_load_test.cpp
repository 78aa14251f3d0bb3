#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "framework/core/bus_event.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/landscape/map_file_builder.h"
#include "game/rules/units/unit_payloads.h"
#include "support/failed_checks.h"
#include "support/flow/flow_listener.h"
#include "support/flow/game_flow_recorder.h"
#include "support/flow/scenario_bytes.h"
#include "support/flow/test_shell.h"
#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

using Lines = std::vector<std::string>;
using test::Bytes;
using test::unit;
using test::writeFile;

// Two groups; Macedonians at home against Persians, with Indians fighting as Persians; a leader, a
// phalanx, hoplites and light cavalry that no prototype makes, heavy cavalry, an Indian leader and heavy
// cavalry off the map. The map's hex offset is 1000.
std::vector<std::uint8_t> fixtureScenario() {
    Bytes s;
    s.u16(2).u16(1).u16(3).u8('V').u8('a').u8('n').u16(2).u16(4).u8('R').u8('e').u8('a').u8('r');
    s.u16(0).text("Test Fight").text("small.map").text("ignored");
    s.u8(2).u8(7).u8(30).u8(1).u8(3).u8(20); // home Macedonian, visitor Persian
    s.u8(1).u8(3).u8(1);                     // Indian becomes Persian
    s.u8(2).u8(1).text("Plan_A.PLN").text("plan_b.pln").text("plan_c.pln");
    unit(s, 0, "Vaelmoric the Bold", 2, 9, 1, 1101, 3).u16(2).u16(4).u16(5).u16(3);
    unit(s, 19, "Taxis", 2, 6, 1, 1202, 3).u16(8).u16(7).u8(1);
    unit(s, 6, "Hoplites", 2, 6, 1, 1300, 3).u16(6).u16(6).u8(0);
    unit(s, 3, "Slingers on Horse", 2, 12, 2, 1305, 3).u16(3).u16(5).u8(0).u8(2).u16(0).u16(0);
    unit(s, 2, "Companions", 2, 12, 2, 1401, 3).u16(5).u16(7).u8(0).u8(0);
    unit(s, 0, "Rajan", 3, 8, 2, 1504, 7).u16(1).u16(3).u16(4).u16(2);
    unit(s, 2, "Lost Horse", 2, 12, 2, 1909, 3).u16(5).u16(7).u8(0).u8(0);
    return s.b;
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ScenarioLoad : public ::testing::Test {
protected:
    void SetUp() override {
        MapFileBuilder map(6, 6);
        map.setHexOffset(1000);
        writeFile(dir / "Small.MAP", map.bytes());
        writeFile(dir / "fight.scn", fixtureScenario());
        writeText(dir / "plan_a.pln", "PLAN Hold 1\nmore\n");
        writeText(dir / "plan_c.pln", "PLAN Rush 1\r\n");
        shell.adopt(layer);
        // Every key the key table chooses has a prototype in the game; one is taken away here so that a
        // unit the layer cannot make is still met.
        layer.addPrototype(31, nullptr);
        listener.attach(layer);
        above.attach(shell);
    }

    bool load(const std::string& file = "fight.scn", std::uint16_t campaign = 0) {
        return layer.LoadScenario(ScenarioInfoStruct{3, "Toy Battle", file, campaign});
    }
    Combat* unitNumbered(std::uint16_t n) { return layer.findCombatUnit(n); }

    test::TempDir dir{"flow-scenario-load"};
    test::TestShell shell{dir.path().string()};
    VaelLogicalLayer layer;
    test::FlowListener listener{&layer};
    test::FlowListener above; // on the application's bus
    test::FailedChecks checks;
};

TEST_F(ScenarioLoad, AnnouncesTheBattleInOrder) {
    // As the application asks for a battle.
    Container<ScenarioInfoStruct> request(ScenarioInfoStruct{3, "Toy Battle", "FIGHT.SCN", 0});
    above.sendNamed("LoadScenario", &request);
    EXPECT_EQ(
        listener.log,
        (Lines{"MapInfo Toy Battle 6x6", "BEGIN_LANDSCAPE 3 6x6 36 0", "CREATE_REGION 36 0..505",
               "END_LANDSCAPE", "HomeTeam 1", "VisitorTeam 2", "HomeTQPoints 30", "VisitorTQPoints 20",
               "CreateLeader Vaelmoric the Bold initiative 5 nation 1 at 0",
               "LOGICAL_UNIT_CREATED 0 key 0 facing 3 nation 1 hex 101 at 0",
               "LOGICAL_UNIT_CREATED 1 key 17 facing 3 nation 1 hex 202 at 1",
               "LOGICAL_UNIT_CREATED 2 key 8 facing 3 nation 1 hex 401 at 2",
               "CreateLeader Rajan initiative 4 nation 2 at 3",
               "LOGICAL_UNIT_CREATED 3 key 35 facing 7 nation 2 hex 504 at 3", "NumHomeUnits 2",
               "NumVisitorUnits 0", "ScenarioLoaded 1 Macedonian [Vaelmoric the Bold] 2 Persian [Rajan]"}));
    // The side messages stay on the layer; the rest reach the application's bus.
    EXPECT_EQ(above.names(),
              (Lines{"MapInfo", "BEGIN_LANDSCAPE", "CREATE_REGION", "END_LANDSCAPE", "LOGICAL_UNIT_CREATED",
                     "LOGICAL_UNIT_CREATED", "LOGICAL_UNIT_CREATED", "LOGICAL_UNIT_CREATED", "NumHomeUnits",
                     "NumVisitorUnits", "ScenarioLoaded"}));
    EXPECT_EQ(shell.mainWindowTitles, Lines{"Test Fight"});
}

// The battle loaded; what the rules and the other components ask of the layer.
class LoadedBattle : public ScenarioLoad {
protected:
    void SetUp() override {
        ScenarioLoad::SetUp();
        ASSERT_TRUE(load());
    }
    template <class T> ContainerBase* ask(const char* name, const T& value) {
        Container<T> box(value);
        return above.sendNowNamed(name, &box);
    }
    template <class T> static T answer(ContainerBase* reply) {
        T value{};
        EXPECT_TRUE(Container<T>::fromMessage(reply, value));
        delete reply;
        return value;
    }
};

TEST_F(LoadedBattle, PlacesUnitsAndLeadersOnTheirSidesAndGroups) {
    EXPECT_EQ(test::occupantsOf(*layer.getVaelLandscape()), "101:0 401:2 202:1 203:1 504:3");
    EXPECT_EQ(test::values(layer.getUnitCounter(), layer.getHexOffset(), layer.getMapFileName(),
                           layer.getScenarioName(), layer.getHomeUnitCount(), layer.getVisitorUnitCount()),
              "4 1000 small.map Toy Battle 2 0");
    EXPECT_EQ(test::toVector(layer.getHomeUnits()), (std::vector<Combat*>{unitNumbered(1), unitNumbered(2)}));
    EXPECT_TRUE(layer.getVisitorUnits().isEmpty());
    Leader* chief = layer.findLeader(0);
    Leader* rajan = layer.findLeader(3);
    ASSERT_TRUE(chief && rajan);
    EXPECT_EQ(test::toVector(layer.getHomeLeaders()), std::vector<Leader*>{chief});
    EXPECT_EQ(test::toVector(layer.getVisitorLeaders()), std::vector<Leader*>{rajan});
    EXPECT_EQ(rajan->getNation(), 2u); // an Indian who fights as a Persian
    for (VaelUnit* unit : std::initializer_list<VaelUnit*>{chief, unitNumbered(1), unitNumbered(2), rajan}) {
        SCOPED_TRACE(unit->getName());
        EXPECT_EQ(unit->getRoutDirection(), unit == rajan ? East : West);
        EXPECT_EQ(unit->getBus(), &layer);
    }
    Group* van = layer.findGroup(1);
    Group* rear = layer.findGroup(2);
    ASSERT_TRUE(van && rear);
    EXPECT_EQ(rear->name, "Rear");
    EXPECT_EQ(van->leader, chief);
    EXPECT_EQ(chief->getGroup(), van);
    EXPECT_EQ(test::toVector(van->units), std::vector<VaelUnit*>{unitNumbered(1)});
    EXPECT_EQ(rear->leader, rajan);
    EXPECT_EQ(test::toVector(rear->units), std::vector<VaelUnit*>{unitNumbered(2)});
    EXPECT_EQ(test::toVector(layer.getLeaderRecords()),
              (std::vector<LeaderUnitInfo>{{"Vaelmoric the Bold", 5, 1, chief}, {"Rajan", 4, 2, rajan}}));
}

// Saved games and the state passed between machines are written in this order: home units, visitor units
// (none here), then every leader in the order the file gave them.
TEST_F(LoadedBattle, AllUnitsListsHomeUnitsThenVisitorUnitsThenLeaders) {
    Leader* chief = layer.findLeader(0);
    Leader* rajan = layer.findLeader(3);
    ASSERT_TRUE(chief && rajan);
    EXPECT_EQ(layer.allUnits(), (std::vector<VaelUnit*>{unitNumbered(1), unitNumbered(2), chief, rajan}));
}

TEST_F(LoadedBattle, ReportsAndSkipsUnitsItCannotMake) {
    EXPECT_EQ(checks.texts,
              (Lines{"No unit can be made under key 31: Hoplites is left out  Abort?",
                     "That Light Cav missile type not in yet (Slingers on Horse is left out)  Abort?",
                     "Lost Horse would stand off the map (hex 909) and is left out  Abort?"}));
    EXPECT_EQ(layer.findCombatUnitByName("Hoplites"), nullptr);
    EXPECT_EQ(layer.findCombatUnitByName("Companions"), unitNumbered(2));
}

TEST_F(LoadedBattle, ReadsEachPlanScriptsKindFromItsFirstLine) {
    EXPECT_EQ(layer.getScriptCount(false), 2);
    EXPECT_EQ(layer.getScriptCount(true), 1);
    EXPECT_EQ(layer.getScriptNames(false)[1], "plan_b.pln");
    EXPECT_EQ(layer.getScriptKinds(false), (std::vector<std::uint16_t>{1, 0})); // plan_b.pln is missing
    EXPECT_EQ(layer.getScriptKinds(true), std::vector<std::uint16_t>{1});
}

TEST(ScriptKind, IsOneWhenTheFirstLinesLastCharacterIsOne) {
    const std::pair<std::string, std::uint16_t> rows[] = {
        {"", 0},
        {"1", 1},
        {"PLAN 1", 1},
        {"PLAN 10", 0},
        {"PLAN 1\r", 1},
        {"PLAN 0", 0},
        {"1 PLAN", 0},
        {std::string(48, 'x') + "1", 1},
        {std::string(48, 'x') + "1" + "0", 1}, // only 49 characters are read
        {std::string(49, 'x') + "1", 0},
    };
    for (const auto& [line, kind] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(VaelLogicalLayer::scriptKindOfLine(line), kind);
    }
}

TEST_F(LoadedBattle, ASecondLoadOrCloseGameLeavesNothingOfTheBattle_SanitizerSeesNoStaleMap) {
    ASSERT_TRUE(load()); // replaces the battle still loaded
    ASSERT_NE(layer.findLeader(0), nullptr);
    EXPECT_EQ(layer.findLeader(0)->getLandscape(), layer.getVaelLandscape());
    EXPECT_EQ(layer.getGroups().count() + layer.getLeaders().count() + layer.getUnitCounter(), 2 + 2 + 4);
    EXPECT_EQ(test::occupantsOf(*layer.getVaelLandscape()), "101:0 401:2 202:1 203:1 504:3");
    above.sendNamedEmpty("CloseGame");
    EXPECT_EQ(layer.getLandscape(), nullptr);
    EXPECT_EQ(layer.getVaelLandscape(), nullptr);
    EXPECT_TRUE(layer.getGroups().isEmpty() && layer.getUnits().isEmpty() && layer.getLeaders().isEmpty());
    EXPECT_TRUE(layer.getHomeUnits().isEmpty() && layer.getVisitorLeaders().isEmpty());
    EXPECT_TRUE(layer.getLeaderRecords().isEmpty());
    EXPECT_EQ(layer.getUnitCounter(), 0);
    EXPECT_EQ(layer.getHexOffset(), -1);
    EXPECT_EQ(layer.getHomeNation() + layer.getVisitorNation() + layer.getHomeTQPoints(), 0u);
    EXPECT_EQ(layer.getScenarioName(), "");
    EXPECT_STREQ(layer.getMapFileName(), "");

    listener.log.clear();
    ASSERT_TRUE(load());
    EXPECT_EQ(listener.log.back(), "ScenarioLoaded 1 Macedonian [Vaelmoric the Bold] 2 Persian [Rajan]");
    EXPECT_EQ(layer.findLeader(3)->getName(), "Rajan");
    EXPECT_EQ(layer.getGroups().count(), 2);
    EXPECT_EQ(test::occupantsOf(*layer.getVaelLandscape()), "101:0 401:2 202:1 203:1 504:3");
}

TEST_F(ScenarioLoad, ABadFileIsReportedOnceAndLeavesNothing) {
    struct Row {
        const char* label;
        std::function<void()> spoil;
        std::string report;
    };
    const std::vector<std::uint8_t> good = fixtureScenario();
    const Row rows[] = {
        {"cut inside a record",
         [&] { writeFile(dir / "fight.scn", std::vector<std::uint8_t>(good.begin(), good.end() - 3)); },
         "cannot be played: it ends inside unit record 7"},
        {"no such file", [&] { std::filesystem::remove(dir / "fight.scn"); }, "fight.scn cannot be read"},
        {"a FIFO for the file",
         [&] {
             std::filesystem::remove(dir / "fight.scn");
             ::mkfifo((dir / "fight.scn").c_str(), 0644);
         },
         "The scenario file " + (dir / "fight.scn").string() + " is not a regular file"},
        {"a folder for the file",
         [&] {
             std::filesystem::remove(dir / "fight.scn");
             std::filesystem::create_directory(dir / "fight.scn");
         },
         "The scenario file " + (dir / "fight.scn").string() + " is a folder, not a file"},
        {"no map", [&] { std::filesystem::remove(dir / "Small.MAP"); },
         "small.map of the scenario fight.scn"},
        {"a map that is no map", [&] { writeText(dir / "Small.MAP", "map"); }, "small.map of the scenario"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_TRUE(load());
        above.sendNamedEmpty("CloseGame");
        row.spoil();
        listener.log.clear();
        const int loads = listener.loaded;
        test::FailedChecks reports;
        EXPECT_FALSE(load());
        ASSERT_EQ(reports.count(), 1u);
        EXPECT_NE(reports.texts[0].find(row.report), std::string::npos) << reports.texts[0];
        EXPECT_TRUE(listener.log.empty()); // the map is read before anything is announced
        EXPECT_EQ(listener.loaded, loads);
        EXPECT_EQ(layer.getLandscape(), nullptr);
        EXPECT_TRUE(layer.getGroups().isEmpty() && layer.getLeaders().isEmpty() &&
                    layer.getUnits().isEmpty());
        std::filesystem::remove_all(dir / "fight.scn");
        writeFile(dir / "fight.scn", good);
        MapFileBuilder map(6, 6);
        writeFile(dir / "Small.MAP", map.bytes());
    }
}

// The campaign's answers: the garrison level of every kind, the battle's province 4 and the one the
// visitors came from.
struct Campaign : test::GameFlowRecorder {
    Campaign(short garrison, std::int32_t last)
        : GameFlowRecorder({"GarrisonLevel", "GetProvince", "GetLastProvince"}, "Campaign") {
        answer("GarrisonLevel", garrison), answer("GetProvince", PROVINCE{4});
        answer("GetLastProvince", PROVINCE{last});
    }
};

TEST_F(ScenarioLoad, ACampaignBattleLeavesOutTheGarrisons) {
    Campaign campaign(1, 2);
    campaign.attach(layer);
    ASSERT_TRUE(load("fight.scn", 1));
    EXPECT_EQ(layer.getCampaign(), 1);
    // The first Macedonian foot (the phalanx) and horse (the companions) stay in garrison; leaders never do.
    EXPECT_EQ(test::occupantsOf(*layer.getVaelLandscape()), "101:0 504:1");
    EXPECT_TRUE(layer.getUnits().isEmpty());
}

// Persians at home with eleven troops of horse in a row and their leader; Macedonians visiting.
std::vector<std::uint8_t> persianScenario() {
    Bytes s;
    s.u16(1).u16(1).u16(0).u16(0).text("Persian Horse").text("wide.map").text("");
    s.u8(1).u8(3).u8(30).u8(2).u8(7).u8(20).u8(0).u8(0).u8(0);
    for (int i = 1; i <= 11; ++i)
        unit(s, 2, "Horse " + std::to_string(i), 1, 12, 1, 1001 + 100 * i, 7).u16(5).u16(6).u8(0).u8(0);
    unit(s, 0, "Arsakes", 1, 8, 1, 1003, 7).u16(2).u16(3).u16(4).u16(1);
    return s.b;
}

TEST_F(ScenarioLoad, APersianCampaignBattleAfterALossOrAVictory) {
    MapFileBuilder map(12, 4);
    map.setHexOffset(1000);
    writeFile(dir / "wide.map", map.bytes());
    writeFile(dir / "persians.scn", persianScenario());
    // Prototypes of a Persian leader and Persian heavy cavalry, standing nowhere.
    LeaderUnitData leader;
    HeavyCavUnitData horse;
    leader.hex = horse.hex = 0xFFFF, leader.facing = horse.facing = East, horse.TQ = horse.size = 1;
    layer.addPrototype(5, new Leader(leader, "Leader")),
        layer.addPrototype(12, new HeavyCav(horse, "HeavyCav"));
    struct Row {
        std::int32_t lastProvince;
        const char* occupants;
        std::uint16_t shock, range, initiative;
    };
    const Row rows[] = {
        // Coming from province 2 every fifth Persian unit in file order stays away; leaders all come.
        {2, "101:0 201:1 301:2 401:3 601:4 701:5 801:6 901:7 1101:8 3:9", 2, 3, 4},
        // From province 1 the Persian leaders gain a point in each of their first three ratings.
        {1, "101:0 201:1 301:2 401:3 501:4 601:5 701:6 801:7 901:8 1001:9 1101:10 3:11", 3, 4, 5},
        {3, "101:0 201:1 301:2 401:3 501:4 601:5 701:6 801:7 901:8 1001:9 1101:10 3:11", 2, 3, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lastProvince);
        Campaign campaign(0, row.lastProvince);
        campaign.attach(layer);
        ASSERT_TRUE(load("persians.scn", 1));
        EXPECT_EQ(test::occupantsOf(*layer.getVaelLandscape()), row.occupants);
        Leader* arsakes = layer.findLeaderByName("Arsakes");
        ASSERT_NE(arsakes, nullptr);
        EXPECT_EQ(arsakes->getShockPrecedence(), row.shock);
        EXPECT_EQ(arsakes->getCommandRange(), row.range);
        EXPECT_EQ(arsakes->getInitiative(), row.initiative);
        EXPECT_EQ(arsakes->getDuelRating(), 1);
        campaign.detach();
    }
}

TEST_F(LoadedBattle, QuestionsAboutUnitsAndLeadersAnswerTheOneAskedForOrNone) {
    EXPECT_EQ(answer<short>(ask("FindLeader", static_cast<unsigned short>(2))),
              504); // the group's leader's hex
    EXPECT_EQ(answer<short>(ask("FindLeader", static_cast<unsigned short>(1))), 101);
    EXPECT_EQ(answer<short>(ask("FindLeader", static_cast<unsigned short>(9))), -1);
    VaelLogicalLandscape* map = layer.getVaelLandscape();
    EXPECT_EQ(unitNumbered(1)->FindLeader(), map->hexDistance(202, 101)); // Vaelmoric leads the van
    EXPECT_EQ(unitNumbered(2)->FindLeader(), map->hexDistance(401, 504)); // Rajan the rear
    EXPECT_EQ(answer<VaelUnit*>(ask("GetUnitByNum", short(2))), unitNumbered(2));
    EXPECT_EQ(answer<VaelUnit*>(ask("GetUnitByNum", short(3))), layer.findLeader(3));
    EXPECT_EQ(answer<VaelUnit*>(ask("GetUnitByNum", short(99))), nullptr);
    // Only for a member of a group.
    EXPECT_EQ(answer<short>(ask<const VaelUnit*>("NearestLeader", unitNumbered(1))),
              layer.findLeader(0)->getId());
    delete ask<const VaelUnit*>("NearestLeader", unitNumbered(2)); // in the rear: Rajan's id
    EXPECT_EQ(ask<const VaelUnit*>("NearestLeader", layer.findLeader(0)), nullptr);
}

TEST_F(LoadedBattle, InZOCAsksOnlyTheOtherSidesUnits) {
    Combat* taxis = unitNumbered(1);
    int inZone = 0;
    for (std::int16_t i = 0; i < layer.getVaelLandscape()->regionCount(); ++i) {
        const std::int16_t hex = layer.getVaelLandscape()->idOf(i);
        SCOPED_TRACE(hex);
        const bool expected = taxis->isHexInZOC(hex) || unitNumbered(2)->isHexInZOC(hex);
        inZone += expected;
        EXPECT_EQ(answer<short>(ask("InZOC", ZOCStructure{static_cast<std::uint16_t>(hex), 2})), expected);
        EXPECT_EQ(answer<short>(ask("InZOC", ZOCStructure{static_cast<std::uint16_t>(hex), 1})), 0);
    }
    EXPECT_GT(inZone, 0);
}

TEST_F(LoadedBattle, AUnitsEliminationLeavesItsGroupAndALeadersChangesNothing) {
    Group* rear = layer.findGroup(2);
    delete ask("UnitEliminated", EliminateUnitData{1, 7, 0xFFFFFFFF, 3}); // Rajan's record
    EXPECT_EQ(rear->leader, layer.findLeader(3));
    EXPECT_EQ(rear->units.count(), 1);
    EXPECT_EQ(checks.count(), 3u); // the three units left out while loading, and nothing since
    delete ask("UnitEliminated", EliminateUnitData{1, 7, 8, 2});
    EXPECT_TRUE(rear->units.isEmpty());
    EXPECT_EQ(checks.count(), 3u);
    delete ask("UnitEliminated", short(2)); // not the record the units send
    EXPECT_EQ(checks.texts.back(), "Bad data passed in bus message to function  Abort?");
    EXPECT_NE(checks.captions.back().find("VAELLOGI"), std::string::npos) << checks.captions.back();
}

TEST_F(LoadedBattle, RemoveFromCombatTakesTheUnitOutOfTheFirstCombatOnly) {
    CombatStruct combat; // the taxis against the companions, on 401 and again on 402
    combat.attackers.append(unitNumbered(1)), combat.defenders.append(unitNumbered(2));
    for (std::uint16_t hex : {401, 402})
        combat.hex = hex, layer.combats().append(combat);
    test::GameFlowRecorder arrows({"RemoveBattleArrow"});
    arrows.attach(layer);
    delete ask("RemoveFromCombat", short(1));
    ASSERT_EQ(layer.combats().count(), 1);
    CombatStruct left;
    layer.combats().first(left);
    EXPECT_EQ(left.hex, 402);
    EXPECT_EQ(left.attackers.count(), 1);
    // 202 and 203 are both two columns from 401: the arrow leaves the second hex, with no direction.
    EXPECT_EQ(arrows.log, Lines{"RemoveBattleArrow 203>401 d0"});
}

TEST_F(LoadedBattle, CarriesOutOrdersAndSwitches) {
    Combat* companions = unitNumbered(2);
    delete ask("TQHit", TQHitInfo{2, 2, 0});
    EXPECT_EQ(companions->getCohesionHits(), 2);
    delete ask("ShowOCR", static_cast<unsigned short>(1));
    EXPECT_EQ(layer.getShowOCR(), 1);
    delete ask("SetDeadCheat", static_cast<unsigned short>(1));
    EXPECT_EQ(Leader::deadCheat(), 1);
    delete ask("SetDeadCheat", static_cast<unsigned short>(0));
    delete ask("UnitMovementDone", short(0));
    EXPECT_EQ(answer<Group*>(above.sendNowNamedEmpty("ActiveGroup")), nullptr);
    EXPECT_EQ(shell.canTerminate(), 1);
    EXPECT_EQ(RegisteredMessage::getId("GameOverview"), 229);
}

TEST_F(LoadedBattle, FallenLeadersRecordsJoinTheirSideAndAreFreedWithTheBattle_SanitizerSeesTheFree) {
    LeaderUnitData fallen;
    fallen.nation = 1;
    fallen.hex = 101;
    fallen.facing = East;
    delete ask<Leader*>("AddBogusLeader", new Leader(fallen, "Fallen"));
    EXPECT_EQ(layer.getHomeLeaders().count(), 2);
    EXPECT_EQ(layer.getLeaders().count(), 2); // not among the leaders in play
    above.sendNamedEmpty("CloseGame");
    EXPECT_TRUE(layer.getHomeLeaders().isEmpty());
}

} // namespace
} // namespace vael
