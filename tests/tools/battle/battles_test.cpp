// Our battles beyond the demonstration, played by the battle runner: together they put every display type
// of the catalogue that a unit record's key can choose on the field, every plan of theirs runs, and each plays to its end over the seeds CTest
// gives it, headless and with the display layers.
#include <gtest/gtest.h>

#include <iterator>
#include <set>

#include "battle_runner.h"
#include "game/flow/prototype_key.h"
#include "game/flow/scenario_file.h"
#include "outcome_checks.h"

namespace vael::battle {
namespace {

const char* const ourBattles[] = {"ARDHUN.SCN", "KORVATH.SCN", "THRENMOOR.SCN", "VELMESK.SCN"};

// The prototype key of every unit record of the data set's battles, as the scenario reader chooses it.
TEST(OurBattles, PutEveryDisplayTypeIdAKeyChoosesOnTheField) {
    std::set<int> keys, maps;
    std::set<std::string> mapFiles;
    std::vector<std::string> all(std::begin(ourBattles), std::end(ourBattles));
    all.push_back("GHATMAR.SCN");
    for (const std::string& name : all) {
        SCOPED_TRACE(name);
        const ScenarioFile scenario = readScenario(name);
        mapFiles.insert(lower(scenario.mapFileName));
        std::set<std::string> groups;
        for (const Group& g : scenario.groups)
            groups.insert(g.name);
        EXPECT_EQ(groups.size(), 6u);
        for (const ScenarioFile::UnitRecord& unit : scenario.units) {
            remapLightCavalryMissiles(unit.kind, *unit.data);
            const PrototypeKey key = choosePrototypeKey(unit.kind, *unit.data);
            EXPECT_GE(key.key, 0) << unit.data->name << ": " << (key.message ? key.message : "");
            keys.insert(key.key);
        }
    }
    // No record's key chooses the catalogue's first hoplite id: one-hex hoplites of either record kind
    // are made under 31, which shows them alike. The figure tests show id 1 instead.
    const int chosenByNoKey = 1;
    EXPECT_EQ(keys.count(chosenByNoKey), 0u) << "id " << chosenByNoKey << " is chosen by a key now";
    std::set<int> catalogue;
    for (int id = 0; id <= 44; ++id)
        if (id != chosenByNoKey) catalogue.insert(id);
    EXPECT_EQ(keys, catalogue);
    EXPECT_EQ(mapFiles.size(), all.size()) << "each battle on its own map";
}

class OurBattle : public testing::TestWithParam<const char*> {};

// Both plans of each side are drawn (by the two values of "Last A/I Type" and the seeds), compile, and
// run their first turns without an interpreter error box or a failed check.
TEST_P(OurBattle, EveryPlanRunsItsFirstTurnsWithoutAnInterpreterError) {
    expectEveryPlanRuns(GetParam(), 2, 2);
}

INSTANTIATE_TEST_SUITE_P(Plans, OurBattle, testing::ValuesIn(ourBattles));

// One battle and seed; the odd seeds play the plans of one kind, the even ones the other's, so that every
// plan is played to the end somewhere.
struct BattleSeed {
    const char* scenario;
    std::uint32_t seed;
};

std::vector<BattleSeed> battleSeeds(std::uint32_t last) {
    std::vector<BattleSeed> all;
    for (const char* scenario : ourBattles)
        for (std::uint32_t seed = 1; seed <= last; ++seed)
            all.push_back({scenario, seed});
    return all;
}

std::string nameOf(const testing::TestParamInfo<BattleSeed>& info) {
    std::string name = lower(info.param.scenario);
    name = name.substr(0, name.find('.'));
    return name + "_" + std::to_string(info.param.seed);
}

BattleOptions optionsOf(const BattleSeed& p) {
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = p.scenario;
    options.seed = p.seed;
    options.lastAIType = lastAITypeDrawing(planKindOfSeed(p.seed));
    options.turnCap = 40;
    return options;
}

class OurBattleSeed : public testing::TestWithParam<BattleSeed> {};

TEST_P(OurBattleSeed, EndsWithinTheCapsWithNoNegativeTally) {
    const BattleOutcome outcome = playBattle(optionsOf(GetParam()));
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << "seed " << GetParam().seed << ": " << describe(outcome);
    EXPECT_FALSE(outcome.winner.empty()) << describe(outcome);
    for (const std::string& check : outcome.failedChecks)
        ADD_FAILURE() << "failed check: " << check;
    expectNoNegativeTally(outcome);
}

INSTANTIATE_TEST_SUITE_P(OurSeeds, OurBattleSeed, testing::ValuesIn(battleSeeds(50)), nameOf);

// With the game's display layers the display objects of every kind play their animations and give every
// reply; each battle ends within the caps and says the same when played again.
class OurDisplayedBattle : public testing::TestWithParam<BattleSeed> {};

TEST_P(OurDisplayedBattle, EndsWithinTheCapsAndRepeatsExactly) {
    expectDisplayedBattleEndsAndRepeats(optionsOf(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(OurDisplaySeeds, OurDisplayedBattle, testing::ValuesIn(battleSeeds(5)), nameOf);

} // namespace
} // namespace vael::battle
