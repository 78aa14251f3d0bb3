// Whole battles of the demonstration scenario played by the battle runner, as the tool plays them: the
// computer on both sides, every random number from the seed, no window.
#include "battle_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "support/temp_dir.h"

namespace vael::battle {
namespace {

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

BattleOptions demonstration(std::uint32_t seed) {
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = seed;
    return options;
}

std::string describe(const BattleOutcome& outcome) {
    std::ostringstream text;
    printOutcome(outcome, text);
    return text.str() + outcome.message;
}

TEST(Battle, AScenarioThatCannotBeReadIsReportedByNameAndNothingIsPlayed) {
    test::TempDir dir("battle-missing");
    std::ofstream(dir / "cut.scn", std::ios::binary) << "VAEL";
    for (const char* name : {"nosuch.scn", "cut.scn"}) {
        SCOPED_TRACE(name);
        BattleOptions options = demonstration(1);
        options.dataDir = dir.path().string();
        options.scenario = name;
        std::ostringstream out;
        const BattleOutcome outcome = playBattle(options, &out);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_NE(outcome.message.find(name), std::string::npos) << outcome.message;
        EXPECT_EQ(outcome.message.find("Abort?"), std::string::npos) << outcome.message;
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(outcome.activations, 0);
    }
}

// A battle that cannot go on, or goes on past its caps, stops and says why; it never hangs.
TEST(Battle, ABattleThatDoesNotEndStopsAtItsCapsAndSaysWhy) {
    BattleOptions options = demonstration(5);
    options.taskCap = 1;
    options.turnCap = 1;
    const BattleOutcome outcome = playBattle(options);
    ASSERT_NE(outcome.status, BattleStatus::Ended) << describe(outcome);
    EXPECT_NE(outcome.status, BattleStatus::LoadFailed);
    EXPECT_LE(outcome.tasks, 2);
    EXPECT_LE(outcome.turns, 2);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_GE(outcome.activations, 1);
    EXPECT_EQ(outcome.home.name, "Macedonian");
    EXPECT_EQ(outcome.visitor.name, "Indian");
    EXPECT_EQ(outcome.home.tqLimit, 70);
    EXPECT_EQ(outcome.visitor.tqLimit, 60);
}

TEST(Battle, TheSameSeedGivesTheSameCommentaryTwice) {
    for (std::uint32_t seed : {1u, 77u}) {
        SCOPED_TRACE(seed);
        BattleOptions options = demonstration(seed);
        options.turnCap = 3;
        const BattleOutcome first = playBattle(options);
        const BattleOutcome second = playBattle(options);
        ASSERT_FALSE(first.commentary.empty());
        EXPECT_EQ(first.commentary, second.commentary);
        EXPECT_EQ(describe(first), describe(second));
    }
}

TEST(Battle, TheCommentaryIsPrintedAsItComes) {
    BattleOptions options = demonstration(2);
    options.turnCap = 2;
    std::ostringstream out;
    const BattleOutcome outcome = playBattle(options, &out);
    std::string expected;
    for (const std::string& line : outcome.commentary)
        expected += line + "\n";
    EXPECT_EQ(out.str(), expected);
}

// Each seed plays to the end of the game within the caps; a battle that hangs, stalls or runs past them
// fails under its seed's name. CTest runs the seeds in shards side by side (tests/CMakeLists.txt).
class SeededBattle : public testing::TestWithParam<std::uint32_t> {};

TEST_P(SeededBattle, EndsWithinTheCaps) {
    BattleOptions options = demonstration(GetParam());
    options.turnCap = 40;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << describe(outcome);
    EXPECT_FALSE(outcome.commentary.empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, SeededBattle, testing::Range(1u, 101u));

// Saved at an activation and loaded, the battle goes on as the unbroken one did; saved again at once, the
// file is the same, byte for byte.
TEST(Battle, ABattleSavedAtAnActivationGoesOnAsTheUnbrokenOne) {
    test::TempDir dir("battle-saved");
    const std::string saved = (dir / "at.sav").string(), again = (dir / "again.sav").string();
    for (std::int32_t at : {1, 3}) {
        SCOPED_TRACE(at);
        BattleOptions unbroken = demonstration(11);
        unbroken.turnCap = 3;
        unbroken.saveAt = at;
        unbroken.saveFile = saved;
        const BattleOutcome whole = playBattle(unbroken);
        if (whole.activations < at) continue; // the battle never came so far
        ASSERT_NE(whole.status, BattleStatus::SaveFailed) << whole.message;

        BattleOptions resumed = demonstration(11);
        resumed.turnCap = 3;
        resumed.loadFile = saved;
        resumed.saveAt = 0;
        resumed.saveFile = again;
        const BattleOutcome rest = playBattle(resumed);
        ASSERT_NE(rest.status, BattleStatus::LoadFailed) << rest.message;
        EXPECT_EQ(readBytes(again), readBytes(saved));
        const std::vector<std::string> after(whole.commentary.begin() +
                                                 static_cast<std::ptrdiff_t>(whole.commentaryAtSave),
                                             whole.commentary.end());
        EXPECT_EQ(rest.commentary, after);
        EXPECT_EQ(rest.status, whole.status);
        EXPECT_EQ(describe(rest), describe(whole));
    }
}

TEST(Battle, ASaveThatCannotBeWrittenStopsTheBattleAndSaysWhere) {
    BattleOptions options = demonstration(3);
    options.saveAt = 1;
    options.saveFile = "/nonexistent-folder/at.sav";
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::SaveFailed);
    EXPECT_NE(outcome.message.find("/nonexistent-folder/at.sav"), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.activations, 1);
}

TEST(Battle, ASavedGameCutShortIsRefusedWithItsReason) {
    test::TempDir dir("battle-cut");
    const std::string saved = (dir / "at.sav").string();
    BattleOptions unbroken = demonstration(4);
    unbroken.turnCap = 1;
    unbroken.saveAt = 1;
    unbroken.saveFile = saved;
    playBattle(unbroken);
    std::vector<std::uint8_t> bytes = readBytes(saved);
    ASSERT_GT(bytes.size(), 40u);
    for (std::size_t size : {std::size_t{0}, std::size_t{11}, bytes.size() - 1}) {
        SCOPED_TRACE(size);
        std::ofstream(dir / "cut.sav", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
        BattleOptions resumed = demonstration(4);
        resumed.loadFile = (dir / "cut.sav").string();
        const BattleOutcome outcome = playBattle(resumed);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_NE(outcome.message.find("cut.sav"), std::string::npos) << outcome.message;
        EXPECT_TRUE(outcome.commentary.empty());
    }
}

} // namespace
} // namespace vael::battle
