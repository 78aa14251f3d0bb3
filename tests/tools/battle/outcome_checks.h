#pragma once
// What the battle tests say of an outcome when it is not what they expected, the check they all make of its
// tallies, and the run of every plan a battle names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "battle_runner.h"
#include "game/flow/scenario_file.h"

namespace vael::battle {

inline std::string describe(const BattleOutcome& outcome) {
    std::ostringstream text;
    printOutcome(outcome, text);
    return text.str() + outcome.message;
}

// No tally of a side's losses is ever below nothing.
inline void expectNoNegativeTally(const BattleOutcome& outcome) {
    for (const SideLosses* side : {&outcome.home, &outcome.visitor}) {
        SCOPED_TRACE(side->name);
        EXPECT_GE(side->lostTQ, 0) << describe(outcome);
        EXPECT_GE(side->routedTQ, 0) << describe(outcome);
        EXPECT_GE(side->routing, 0) << describe(outcome);
        EXPECT_GE(side->eliminated, 0) << describe(outcome);
    }
}

// With the game's display layers attached the battle ends within the caps with no failed check and no
// tally below nothing, and says the same, in as many tasks, when played again.
inline void expectDisplayedBattleEndsAndRepeats(BattleOptions options) {
    options.display = true;
    // A whole battle takes under 3,000 messages; a display object that never finishes its command keeps the
    // layers ticking for ever, and is caught here in a minute rather than at the test's time-out.
    options.taskCap = 50'000;
    const BattleOutcome first = playBattle(options);
    ASSERT_EQ(first.status, BattleStatus::Ended) << "seed " << options.seed << ": " << describe(first);
    EXPECT_FALSE(first.commentary.empty());
    for (const std::string& check : first.failedChecks)
        ADD_FAILURE() << "failed check: " << check;
    expectNoNegativeTally(first);
    const BattleOutcome second = playBattle(options);
    EXPECT_EQ(second.commentary, first.commentary);
    EXPECT_EQ(describe(second), describe(first));
    EXPECT_EQ(second.tasks, first.tasks);
}

inline std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A scenario of the build's data set, found as the program finds it (the forge writes lower case names).
inline ScenarioFile readScenario(const std::string& name) {
    std::ifstream in(std::filesystem::path(VAEL_BUILD_DATA_DIR) / lower(name), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    ScenarioFile scenario;
    EXPECT_TRUE(scenario.read(bytes.data(), bytes.size(), name)) << scenario.error();
    return scenario;
}

// Every plan script the scenario names, two for each side, is drawn by one of the two values of the
// preference "Last A/I Type" over seeds 1 to `seeds` (the seeds vary the draw among plans of one kind): it
// compiles and its first `turns` turns run without an interpreter error box or a failed check.
inline void expectEveryPlanRuns(const char* scenarioName, std::uint32_t seeds, std::int32_t turns) {
    const ScenarioFile scenario = readScenario(scenarioName);
    std::set<std::string> named, drawn;
    for (const auto* scripts : {&scenario.homeScripts, &scenario.visitorScripts})
        for (const std::string& name : *scripts)
            named.insert(lower(name));
    ASSERT_EQ(named.size(), 4u) << "two plans a side";
    for (std::uint32_t type : {0u, 1u})
        for (std::uint32_t seed = 1; seed <= seeds; ++seed) {
            SCOPED_TRACE("Last A/I Type " + std::to_string(type) + ", seed " + std::to_string(seed));
            BattleOptions options;
            options.dataDir = VAEL_BUILD_DATA_DIR;
            options.scenario = scenarioName;
            options.seed = seed;
            options.lastAIType = type;
            options.turnCap = turns;
            const BattleOutcome outcome = playBattle(options);
            EXPECT_NE(outcome.status, BattleStatus::LoadFailed) << describe(outcome);
            EXPECT_GE(outcome.activations, 2) << describe(outcome);
            ASSERT_EQ(outcome.plans.size(), 2u) << "one plan for each side";
            for (const std::string& plan : outcome.plans)
                drawn.insert(lower(plan));
            for (const std::string& box : outcome.messageBoxes)
                ADD_FAILURE() << "a message box: " << box << " (plans " << outcome.plans[0] << ", "
                              << outcome.plans[1] << ")";
            for (const std::string& check : outcome.failedChecks)
                ADD_FAILURE() << "a failed check: " << check;
        }
    EXPECT_EQ(drawn, named);
}

} // namespace vael::battle
