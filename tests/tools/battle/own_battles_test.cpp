// Battles of the tests' own, played by the battle runner as the tool plays them: a battle that once hung,
// and the stress run of random armies of every kind the game can field on a few maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

#include "battle_runner.h"
#include "outcome_checks.h"
#include "random_armies.h"
#include "support/forged_battle.h"
#include "support/temp_dir.h"

namespace vael::battle {
namespace {

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One data set for the whole program: the build's, without its battles, with the tests' maps beside
// the demonstration map.
const std::filesystem::path& ownData() {
    static const std::unique_ptr<test::TempDir> dir = [] {
        auto made = std::make_unique<test::TempDir>("own-battles");
        test::linkDataWithoutBattles(VAEL_BUILD_DATA_DIR, made->path());
        for (const char* map : {"plain.map", "fords.map"}) {
            const std::string error = test::forgeMap(
                made->path(),
                readText(std::filesystem::path(VAEL_BATTLE_TEST_DATA) / (map + std::string(".txt"))), map);
            EXPECT_EQ(error, "") << map;
        }
        return made;
    }();
    return dir->path();
}

std::string plain(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'B' || line[i + 1] == 'b'))
            ++i;
        else
            out += line[i];
    return out;
}

// The battle of tests/tools/battle/data/rampage.scn.txt (its comment tells what happens): the turn of
// the two rampages ends and the battle goes on to its end.
TEST(OwnBattle, ARampageThatTakesTheLastCombatAwayBeforeTheShockPhaseLetsTheBattleGoOn) {
    const std::string error = test::forgeScenario(
        ownData(), readText(std::filesystem::path(VAEL_BATTLE_TEST_DATA) / "rampage.scn.txt"), "rampage.scn");
    ASSERT_EQ(error, "");
    BattleOptions options;
    options.dataDir = ownData().string();
    options.scenario = "rampage.scn";
    options.seed = 50;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << describe(outcome);
    EXPECT_EQ(outcome.failedChecks, std::vector<std::string>{});
    std::vector<std::string> lines;
    std::transform(outcome.commentary.begin(), outcome.commentary.end(), std::back_inserter(lines), plain);
    const std::vector<std::string> rampages = {"Bowmen 5 fires arrows at Elephant 1 for 2 cohesion hits.",
                                               "Elephant 1 is rampaging!", "Elephant 10 is rampaging!"};
    const auto at = std::search(lines.begin(), lines.end(), rampages.begin(), rampages.end());
    ASSERT_NE(at, lines.end()) << "the two rampages did not come";
    EXPECT_NE(std::find(at, lines.end(), "** Turn #5 **"), lines.end()) << "no fifth turn after them";
    EXPECT_NE(std::find(lines.begin(), at, "** Turn #4 **"), at) << "they came before the fourth turn";
    EXPECT_EQ(std::find(lines.begin(), at, "** Turn #5 **"), at) << "they came after the fourth turn";
    expectNoNegativeTally(outcome);
}

// The kinds drawn are those the game can field today; the catalogue's rows name every display type a
// scenario can ask for. Hoplites of one hex are shown as type 31, so type 1 is no row's; the leaders'
// types (0, 4 to 7, 35) are chosen by the leaders' nations and names, not by these rows.
TEST(StressArmies, TheRowsNameEveryDisplayTypeOfAFightingUnit) {
    const std::vector<std::int16_t> types = stress::displayTypes(stress::catalogueRows());
    const std::set<std::int16_t> named(types.begin(), types.end());
    std::set<std::int16_t> expected;
    for (std::int16_t id = 0; id <= 44; ++id)
        expected.insert(id);
    for (std::int16_t id : {0, 1, 4, 5, 6, 7, 35})
        expected.erase(id);
    EXPECT_EQ(named, expected);
    EXPECT_EQ(types.size(), stress::catalogueRows().size());
}

TEST(StressArmies, BothSidesDrawFromTheFieldedKindsOnly) {
    const std::vector<stress::KindRow> rows = stress::fieldedRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), stress::isHomeRow));
    EXPECT_FALSE(std::all_of(rows.begin(), rows.end(), stress::isHomeRow));
    // The demonstration's own kinds are always fielded.
    std::set<std::string> names;
    for (const stress::KindRow& row : rows)
        names.insert(row.name);
    for (const char* kind : {"Taxis", "Companions", "Bowmen", "Elephant", "Longbowmen", "Ford Riders"})
        EXPECT_TRUE(names.count(kind)) << kind;
}

// The fields of the stress run: the demonstration map, the open plain and the deep river of the tests.
const stress::Field fields[] = {
    {"ghatmar.map", 11, 2, 20, 27, 4, 17},
    {"plain.map", 11, 4, 18, 25, 3, 16},
    {"fords.map", 12, 5, 18, 25, 3, 16},
};

// Twice the demonstration's armies: 25 units a side there.
constexpr int unitsPerSide = 50;

TEST(StressArmies, ADrawnBattleFillsBothSidesInsideTheirZones) {
    const std::string text = stress::randomBattle(7, fields[0], stress::catalogueRows(), unitsPerSide);
    std::istringstream lines(text);
    int home = 0, visitor = 0, leaders = 0;
    std::set<int> hexes;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        int nation = 0, value = 0, group = 0, hex = 0, facing = 0;
        words >> word;
        if (!(words >> nation >> value >> group >> hex >> facing)) continue;
        EXPECT_TRUE(hexes.insert(hex).second) << "two on " << hex;
        const int column = hex / 100, row = hex % 100;
        EXPECT_GE(row, 4) << line;
        EXPECT_LE(row, 17) << line;
        if (word == "leader") {
            ++leaders;
            continue;
        }
        const bool homeUnit = nation == 2 || nation == 0 || nation == 4;
        (homeUnit ? home : visitor) += 1;
        EXPECT_EQ(facing, homeUnit ? 3 : 7) << line;
        EXPECT_TRUE(homeUnit ? column >= 2 && column <= 11 : column >= 20 && column <= 27) << line;
        EXPECT_EQ(group >= 4, !homeUnit) << line;
    }
    EXPECT_EQ(home, unitsPerSide);
    EXPECT_EQ(visitor, unitsPerSide);
    EXPECT_EQ(leaders, 6);
    EXPECT_EQ(stress::randomBattle(7, fields[0], stress::catalogueRows(), unitsPerSide), text);
    EXPECT_NE(stress::randomBattle(8, fields[0], stress::catalogueRows(), unitsPerSide), text);
}

// Each seed draws both armies and plays them to the end or the turn cap, headless; a battle that stalls,
// runs past the message cap, fails a check or leaves a tally below nothing fails under the field's name
// and its seed (a sanitizer's report names them in the test's own name). CTest runs the seeds in shards.
class StressBattle : public testing::TestWithParam<std::tuple<int, std::uint32_t>> {};

TEST_P(StressBattle, EndsOrReachesItsTurnCap) {
    const auto [field, seed] = GetParam();
    static const std::vector<stress::KindRow> rows = stress::fieldedRows();
    const std::string name = "stress-" + std::to_string(field) + "-" + std::to_string(seed) + ".scn";
    const std::string text = stress::randomBattle(seed, fields[field], rows, unitsPerSide);
    ASSERT_EQ(test::forgeScenario(ownData(), text, name), "");
    BattleOptions options;
    options.dataDir = ownData().string();
    options.scenario = name;
    options.seed = seed;
    options.turnCap = 30;
    options.taskCap = 400'000;
    const BattleOutcome outcome = playBattle(options);
    // In the test's XML report (--gtest_output=xml): how the battles went, to see that the armies meet.
    RecordProperty("outcome", describe(outcome));
    EXPECT_TRUE(outcome.status == BattleStatus::Ended || outcome.status == BattleStatus::TurnCap)
        << describe(outcome) << "\n"
        << text;
    EXPECT_EQ(outcome.failedChecks, std::vector<std::string>{});
    expectNoNegativeTally(outcome);
    std::filesystem::remove(ownData() / name);
}

INSTANTIATE_TEST_SUITE_P(Stress, StressBattle,
                         testing::Combine(testing::Range(0, 3), testing::Range(1u, 33u)),
                         [](const testing::TestParamInfo<std::tuple<int, std::uint32_t>>& info) {
                             const std::string map = fields[std::get<0>(info.param)].map;
                             return map.substr(0, map.find('.')) + "_seed_" +
                                    std::to_string(std::get<1>(info.param));
                         });

} // namespace
} // namespace vael::battle
