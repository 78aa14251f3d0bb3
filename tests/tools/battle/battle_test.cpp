// Whole battles of the demonstration scenario played by the battle runner, as the tool plays them: the
// computer on both sides, every random number from the seed, no window.
#include "battle_runner.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "game/flow/scenario_file.h"
#include "outcome_checks.h"
#include "support/linked_data.h"
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

// The battle as `vael-battle --seed N` plays it: the odd seeds with the plans of kind 0, the even ones with
// those of kind 1.
BattleOptions asTheToolPlays(BattleOptions options) {
    options.lastAIType = lastAITypeDrawing(planKindOfSeed(options.seed));
    return options;
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

// A scenario whose map is missing or cut short names the map file, in the battle's message and in the
// map reader's own.
TEST(Battle, AMissingOrCutMapIsReportedByItsFileName) {
    test::TempDir dir("battle-map");
    test::LinkedData missing(dir / "missing", VAEL_BUILD_DATA_DIR), cut(dir / "cut", VAEL_BUILD_DATA_DIR);
    missing.remove("ghatmar.map");
    cut.write("ghatmar.map", "G");
    const struct {
        const test::LinkedData& data;
        std::string ends;
    } rows[] = {
        {missing, "The map file " + missing.path() +
                      "/ghatmar.map of the scenario GHATMAR.SCN cannot be used: "
                      "there is no such file"},
        {cut, "The map file " + cut.path() +
                  "/ghatmar.map of the scenario GHATMAR.SCN cannot be used: Map file \"" + cut.path() +
                  "/ghatmar.map\" is too short to hold a map header"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.data.path());
        BattleOptions options = demonstration(1);
        options.dataDir = row.data.path();
        const BattleOutcome outcome = playBattle(options);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        ASSERT_GE(outcome.message.size(), row.ends.size()) << outcome.message;
        EXPECT_EQ(outcome.message.substr(outcome.message.size() - row.ends.size()), row.ends);
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

// A cap of turns plays the battle to the end of its last turn and nothing of the next: no turn is announced
// past it, headless or with the display.
TEST(Battle, ACapOfTurnsPlaysNothingOfTheTurnAfterIt) {
    for (const bool display : {false, true})
        for (const std::int32_t cap : {1, 2}) {
            SCOPED_TRACE(std::string(display ? "display" : "headless") + ", cap " + std::to_string(cap));
            BattleOptions options = demonstration(1);
            options.display = display;
            options.turnCap = cap;
            const BattleOutcome outcome = playBattle(options);
            EXPECT_EQ(outcome.status, BattleStatus::TurnCap) << describe(outcome);
            EXPECT_EQ(outcome.turns, cap);
            EXPECT_EQ(outcome.message, cap == 1 ? "the battle did not end within 1 turn"
                                                : "the battle did not end within 2 turns");
            std::vector<std::string> turns;
            for (const std::string& line : outcome.commentary)
                if (line.find("** Turn #") != std::string::npos) turns.push_back(line);
            EXPECT_EQ(turns, cap == 1 ? std::vector<std::string>{}
                                      : std::vector<std::string>{"\\B** Turn #2 **\\b"});
        }
}

// A caller that comes and never says who it is keeps the host no longer than the whole wait. The clock the
// tool measures the wait by is the test's: each look moves it on by 20 s, the caller comes at the second
// look, and from the fifth look (80 s) the wait is over. The last wait for the network is of what was left
// of the minute (nothing: one millisecond); a whole minute of its own would hold the host until 140 s.
TEST(Battle, ACallerThatNeverGreetsKeepsTheHostNoLongerThanTheWait) {
    BattleOptions options = demonstration(3);
    options.hostPort = 0;
    std::ostringstream notice;
    options.portNotice = &notice;
    int looks = 0, caller = -1;
    const auto start = std::chrono::steady_clock::now();
    auto lastLook = start;
    std::chrono::steady_clock::duration longestRealWait{};
    options.clock = [&] {
        const auto real = std::chrono::steady_clock::now();
        longestRealWait = std::max(longestRealWait, real - lastLook);
        lastLook = real;
        if (looks == 1) {
            int port = 0;
            std::istringstream(notice.str().substr(notice.str().rfind(' ') + 1)) >> port;
            caller = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            EXPECT_EQ(::connect(caller, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << port;
        }
        return start + std::chrono::seconds(20) * looks++;
    };
    const BattleOutcome outcome = playBattle(options);
    ::close(caller);
    EXPECT_EQ(outcome.status, BattleStatus::Disconnected);
    EXPECT_EQ(outcome.message, "the other machine did not greet");
    EXPECT_EQ(looks, 6); // the deadline; a look at 20, 40, 60 (not yet over) and 80 s; the last
    EXPECT_LT(longestRealWait, std::chrono::seconds(30)) << "a wait of its own after the caller came";
}

// With the display, a battle stands still once nothing of the rules has moved for the whole wait (600,000
// ms of the game's clock) while no display object owes a reply; any move starts the wait afresh.
TEST(Battle, ABattleOnTheDisplayStandsStillOnlyAfterTheWholeWaitWithNoReplyOwed) {
    const StandStill::Mark first{3, 2, 1, 1};
    struct Row {
        const char* what;
        StandStill::Mark second; // told at 1,000 + elapsed
        std::uint32_t elapsed;
        bool owed;
        bool stalled;
    } rows[] = {
        {"a moment short of the wait", first, 599999, false, false},
        {"the whole wait", first, 600000, false, true},
        {"the whole wait, a reply owed", first, 600000, true, false},
        {"a line said at the end of the wait", {4, 2, 1, 1}, 600000, false, false},
        {"a leader activated", {3, 3, 1, 1}, 600000, false, false},
        {"a turn begun", {3, 2, 2, 1}, 600000, false, false},
        {"game control's turn moved", {3, 2, 1, 2}, 600000, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandStill still;
        int asked = 0;
        const auto owed = [&] { return ++asked, row.owed; };
        EXPECT_FALSE(still.stalled(first, 1000, owed));
        EXPECT_EQ(still.stalled(row.second, 1000 + row.elapsed, owed), row.stalled);
        // The display is asked only once the rules have stood still for the whole wait.
        EXPECT_EQ(asked, row.second == first && row.elapsed >= StandStill::WaitMs ? 1 : 0);
    }
    // The clock's count wraps: the wait is measured across it.
    StandStill still;
    EXPECT_FALSE(still.stalled(first, 0xFFFFFF00u, [] { return false; }));
    EXPECT_FALSE(still.stalled(first, 600000u - 0x101u, [] { return false; }));
    EXPECT_TRUE(still.stalled(first, 600000u - 0x100u, [] { return false; }));
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

// The tool streams the lines out and keeps none of them, the same lines as a run that keeps them.
TEST(Battle, CommentaryNotKeptIsStreamedAndCountedTheSame) {
    BattleOptions options = demonstration(2);
    options.turnCap = 2;
    std::ostringstream kept, streamed;
    const BattleOutcome keeping = playBattle(options, &kept);
    options.keepCommentary = false;
    const BattleOutcome streaming = playBattle(options, &streamed);
    ASSERT_GT(keeping.commentary.size(), 1u);
    EXPECT_EQ(keeping.commentaryLines, keeping.commentary.size());
    EXPECT_TRUE(streaming.commentary.empty());
    EXPECT_EQ(streaming.commentaryLines, keeping.commentary.size());
    EXPECT_EQ(streamed.str(), kept.str());
    EXPECT_EQ(describe(streaming), describe(keeping));
}

// Each seed plays to the end of the game within the caps and leaves no tally below nothing; a battle that
// hangs, stalls or runs past them fails under its seed's name. CTest runs the seeds in shards side by side
// (tests/CMakeLists.txt).
class SeededBattle : public testing::TestWithParam<std::uint32_t> {};

TEST_P(SeededBattle, EndsWithinTheCaps) {
    BattleOptions options = asTheToolPlays(demonstration(GetParam()));
    options.turnCap = 40;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << describe(outcome);
    EXPECT_FALSE(outcome.commentary.empty());
    expectNoNegativeTally(outcome);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SeededBattle, testing::Range(1u, 101u));

// Every plan script the demonstration scenario names, for each side, is drawn by one of the two values of
// the preference "Last A/I Type" (the seeds vary the draw among plans of one kind): it compiles and its
// first turns run without a single interpreter error box or failed check.
TEST(Battle, EveryPlanOfTheDemonstrationRunsItsFirstTurnsWithoutAnInterpreterError) {
    expectEveryPlanRuns("GHATMAR.SCN", 4, 3);
}

// With the game's display layers attached the display objects play every animation and give every reply
// (the application's map stand-in answers none). Each seed plays to the end of the game within the caps with
// no failed check, says the same twice, and leaves no tally of its outcome below nothing. The display draws
// dice of its own, so a seed's battle may go otherwise than without it. CTest runs the seeds in shards.
class DisplayedBattle : public testing::TestWithParam<std::uint32_t> {};

TEST_P(DisplayedBattle, EndsWithinTheCapsAndRepeatsExactly) {
    BattleOptions options = asTheToolPlays(demonstration(GetParam()));
    options.turnCap = 40;
    expectDisplayedBattleEndsAndRepeats(options);
}

INSTANTIATE_TEST_SUITE_P(DisplaySeeds, DisplayedBattle, testing::Range(1u, 21u));

// The commentary's bold marks "\\B" and "\\b" out of a text, which is then compared as plain lines: how
// the tool shows bold on a terminal is no change to what happened in the battle.
std::vector<std::string> plainLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::string plain;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'B' || line[i + 1] == 'b')) {
                ++i;
                continue;
            }
            plain += line[i];
        }
        lines.push_back(plain);
    }
    return lines;
}

// Where two battles' texts first part: empty when they are the same.
std::string firstDifference(const std::vector<std::string>& golden, const std::vector<std::string>& now) {
    const std::size_t common = std::min(golden.size(), now.size());
    for (std::size_t i = 0; i <= common; ++i) {
        const bool goldenEnds = i == golden.size(), nowEnds = i == now.size();
        if (goldenEnds && nowEnds) return {};
        if (!goldenEnds && !nowEnds && golden[i] == now[i]) continue;
        return "first difference at line " + std::to_string(i + 1) +
               ":\n  golden: " + (goldenEnds ? std::string("(the end)") : golden[i]) +
               "\n  now:    " + (nowEnds ? std::string("(the end)") : now[i]);
    }
    return {};
}

// The outcome counts a side's eliminated units in words that agree with the count: one unit, none or
// several units (before, "1 units eliminated").
TEST(Battle, TheOutcomeSaysOneUnitAndSeveralUnits) {
    const struct {
        std::int16_t eliminated;
        const char* says;
    } rows[] = {{0, "0 units eliminated"}, {1, "1 unit eliminated"}, {2, "2 units eliminated"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.says);
        BattleOutcome outcome;
        outcome.winner = "Rajavan";
        outcome.turns = 3;
        outcome.home = {"Rajavan", 12, 40, 6, 1, r.eliminated};
        outcome.visitor = {"Keldrian", 0, 30, 0, 0, 0};
        std::ostringstream text;
        printOutcome(outcome, text);
        EXPECT_EQ(text.str(), std::string("Outcome: Rajavan won after 3 turns\n"
                                          "Rajavan: lost 12 of 40 troop quality, ") +
                                  r.says +
                                  ", 1 routing (6)\n"
                                  "Keldrian: lost 0 of 30 troop quality, 0 units eliminated, 0 routing (0)\n");
    }
}

TEST(GoldenText, MarksAreRemovedAndTheFirstDifferenceIsNamed) {
    EXPECT_EQ(plainLines("\\BMelagor\\b is now active.\nA \\Bx\\b\\\\ \\n\\\nlast\\B"),
              (std::vector<std::string>{"Melagor is now active.", "A x\\\\ \\n\\", "last"}));
    const std::vector<std::string> golden = {"a", "b", "c"};
    const struct {
        std::vector<std::string> now;
        const char* expected;
    } rows[] = {
        {{"a", "b", "c"}, ""},
        {{"a", "B", "c"}, "first difference at line 2:\n  golden: b\n  now:    B"},
        {{"a", "b"}, "first difference at line 3:\n  golden: c\n  now:    (the end)"},
        {{"a", "b", "c", "d"}, "first difference at line 4:\n  golden: (the end)\n  now:    d"},
        {{"x", "b", "c"}, "first difference at line 1:\n  golden: a\n  now:    x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(firstDifference(golden, row.now), row.expected);
    }
}

// The scenario and seed a golden file names: "seed-N.txt" is the demonstration battle's, "NAME-seed-N.txt"
// the battle of NAME.SCN; null when the name is neither.
std::optional<std::pair<std::string, std::uint32_t>> goldenBattle(const std::string& fileName) {
    std::smatch m;
    if (!std::regex_match(fileName, m, std::regex("(?:([a-z]+)-)?seed-([0-9]+)\\.txt"))) return std::nullopt;
    std::string scenario = m[1].matched ? m[1].str() : std::string("ghatmar");
    std::transform(scenario.begin(), scenario.end(), scenario.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    return std::make_pair(scenario + ".SCN", static_cast<std::uint32_t>(std::stoul(m[2].str())));
}

TEST(GoldenText, TheFileNamesTheBattleAndTheSeed) {
    using Named = std::optional<std::pair<std::string, std::uint32_t>>;
    EXPECT_EQ(goldenBattle("seed-7.txt"), Named(std::make_pair("GHATMAR.SCN", 7u)));
    EXPECT_EQ(goldenBattle("korvath-seed-12.txt"), Named(std::make_pair("KORVATH.SCN", 12u)));
    for (const char* other :
         {"seed-.txt", "Korvath-seed-1.txt", "korvath-seed-1.txt.orig", "seed-1.text", "-seed-1.txt"})
        EXPECT_EQ(goldenBattle(other), std::nullopt) << other;
}

// The commentary and outcome of a few seeded battles of each scenario, kept under
// tests/tools/battle/golden/ as the tool printed them; scripts/renew-goldens writes them anew after a
// deliberate change of the rules.
TEST(Battle, SeededBattlesSayWhatTheGoldenCommentarySays) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(VAEL_GOLDEN_DIR))
        if (goldenBattle(entry.path().filename().string())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no golden battles in " << VAEL_GOLDEN_DIR;
    std::set<std::string> scenarios;
    for (const std::filesystem::path& file : files) {
        const auto [scenario, seed] = *goldenBattle(file.filename().string());
        scenarios.insert(scenario);
        const std::string name = file.stem().string();
        SCOPED_TRACE(name);
        std::ifstream in(file, std::ios::binary);
        const std::string golden{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::ostringstream now;
        BattleOptions options = demonstration(seed);
        options.scenario = scenario;
        const BattleOutcome outcome = playBattle(asTheToolPlays(options), &now);
        printOutcome(outcome, now);
        const std::string difference = firstDifference(plainLines(golden), plainLines(now.str()));
        EXPECT_EQ(difference, "") << scenario << " seed " << seed << ": " << difference;
    }
    EXPECT_EQ(scenarios, (std::set<std::string>{"ARDHUN.SCN", "GHATMAR.SCN", "KORVATH.SCN", "THRENMOOR.SCN",
                                                "VELMESK.SCN"}));
}

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
        ASSERT_GE(whole.activations, at) << "the battle ended before the activation it was to be saved at";
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

// A battle saved without the display comes back on it with every block put on its unit's hex at once. At
// Korvath, seed 3547, saved at its 84th activation, a block stands at the map's edge facing off it from
// where the scenario set it down: its front rows were once put off the map, and the game loaded and saved
// again at once (as the autosave after a load does) wrote a file that no load would take.
TEST(Battle, ABattleSavedWithoutTheDisplayLoadedOnItAndSavedAgainLoadsAgain) {
    test::TempDir dir("battle-onto-the-display");
    const std::string headless = (dir / "headless.sav").string(), shown = (dir / "shown.sav").string();
    BattleOptions saving = asTheToolPlays(demonstration(3547));
    saving.scenario = "KORVATH.SCN";
    saving.saveAt = 84;
    saving.saveFile = headless;
    saving.keepCommentary = false;
    const BattleOutcome whole = playBattle(saving);
    ASSERT_GE(whole.activations, 84) << describe(whole);
    ASSERT_NE(whole.status, BattleStatus::SaveFailed) << whole.message;

    // Saved in its tenth turn: the loaded battles stop after the next.
    BattleOptions loading = asTheToolPlays(demonstration(3547));
    loading.scenario = "KORVATH.SCN";
    loading.display = true;
    loading.turnCap = 11;
    loading.keepCommentary = false;
    loading.loadFile = headless;
    loading.saveAt = 0;
    loading.saveFile = shown;
    const BattleOutcome onTheDisplay = playBattle(loading);
    ASSERT_NE(onTheDisplay.status, BattleStatus::LoadFailed) << onTheDisplay.message;
    ASSERT_NE(onTheDisplay.status, BattleStatus::SaveFailed) << onTheDisplay.message;

    loading.loadFile = shown;
    loading.saveAt = -1;
    loading.saveFile.clear();
    const BattleOutcome again = playBattle(loading);
    EXPECT_NE(again.status, BattleStatus::LoadFailed) << again.message;
    EXPECT_EQ(again.turns, onTheDisplay.turns);
}

// A battle saved with the display while an elephant's rampage is shown, loaded without it, ends the rampage
// at once and the beast falls; loaded and saved again at once, the beast whose fall was on its way is kept
// as rampaging, and the battle loaded from that file goes on as the first load did. At Ghatmar, seed 2447,
// the 68th activation comes as Elephant of the Line 4 begins its rampage: the second file once had him
// stand in play again, rally and rout anew.
TEST(Battle, ARampageEndedUnshownAndSavedAgainAtOnceEndsAgainInTheBattleLoadedFromIt) {
    test::TempDir dir("battle-rampage-again");
    const std::string shown = (dir / "shown.sav").string(), again = (dir / "again.sav").string();
    BattleOptions saving = asTheToolPlays(demonstration(2447));
    saving.display = true;
    saving.saveAt = 68;
    saving.saveFile = shown;
    saving.turnCap = 7;
    const BattleOutcome whole = playBattle(saving);
    ASSERT_GE(whole.activations, 68) << describe(whole);
    ASSERT_NE(whole.status, BattleStatus::SaveFailed) << whole.message;
    ASSERT_GE(whole.commentaryAtSave, 2u);
    const std::string& told = whole.commentary[whole.commentaryAtSave - 2];
    ASSERT_NE(told.find("Elephant of the Line 4"), std::string::npos) << told;
    ASSERT_NE(told.find("is rampaging!"), std::string::npos) << told;

    // Saved in its seventh turn: the loaded battles stop after the ninth.
    BattleOptions loading = asTheToolPlays(demonstration(2447));
    loading.turnCap = 9;
    loading.loadFile = shown;
    const BattleOutcome first = playBattle(loading);
    ASSERT_NE(first.status, BattleStatus::LoadFailed) << first.message;
    loading.saveAt = 0;
    loading.saveFile = again;
    const BattleOutcome saved = playBattle(loading);
    ASSERT_NE(saved.status, BattleStatus::SaveFailed) << saved.message;
    EXPECT_EQ(saved.commentary, first.commentary);

    loading.loadFile = again;
    loading.saveAt = -1;
    loading.saveFile.clear();
    const BattleOutcome second = playBattle(loading);
    ASSERT_NE(second.status, BattleStatus::LoadFailed) << second.message;
    EXPECT_EQ(second.commentary, first.commentary);
    EXPECT_EQ(describe(second), describe(first));
    for (const std::string& line : second.commentary)
        EXPECT_EQ(line.find("Elephant of the Line 4"), std::string::npos) << line;
}

// The odd seeds play the plans of kind 0 and the even ones those of kind 1, drawn by the preference "Last
// A/I Type" of the other kind; the demonstration's plans of kind 0 are the second of each side.
TEST(Battle, TheSeedDrawsThePlansOfItsKind) {
    const struct Row {
        std::uint32_t seed, kind, lastAIType;
        std::vector<std::string> plans;
    } rows[] = {
        {1, 0, 1, {"ghatmar_v2.pln", "ghatmar_h2.pln"}},
        {2, 1, 0, {"GHATMAR_V1.pln", "Ghatmar_H1.PLN"}},
        {3, 0, 1, {"ghatmar_v2.pln", "ghatmar_h2.pln"}},
        {0xFFFFFFFFu, 0, 1, {"ghatmar_v2.pln", "ghatmar_h2.pln"}},
        {0xFFFFFFFEu, 1, 0, {"GHATMAR_V1.pln", "Ghatmar_H1.PLN"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("seed " + std::to_string(row.seed));
        EXPECT_EQ(planKindOfSeed(row.seed), row.kind);
        EXPECT_EQ(lastAITypeDrawing(row.kind), row.lastAIType);
        BattleOptions options = asTheToolPlays(demonstration(row.seed));
        options.turnCap = 1;
        EXPECT_EQ(playBattle(options).plans, row.plans);
    }
}

// A loaded battle plays on with the plans it was saved with, whatever kind its seed or the options would
// draw: saved with the plans of kind 0 at seed 2, it is loaded with the preference that draws kind 1.
TEST(Battle, ALoadedBattlePlaysOnWithThePlansItWasSavedWith) {
    test::TempDir dir("battle-plans");
    const std::string saved = (dir / "kind0.sav").string();
    BattleOptions saving = demonstration(2);
    saving.lastAIType = lastAITypeDrawing(0);
    saving.turnCap = 2;
    saving.saveAt = 2;
    saving.saveFile = saved;
    const BattleOutcome whole = playBattle(saving);
    ASSERT_EQ(whole.plans, (std::vector<std::string>{"ghatmar_v2.pln", "ghatmar_h2.pln"}));
    ASSERT_GE(whole.activations, 2) << describe(whole);
    BattleOptions loading = asTheToolPlays(demonstration(2));
    ASSERT_EQ(loading.lastAIType, lastAITypeDrawing(1));
    loading.turnCap = 2;
    loading.loadFile = saved;
    const BattleOutcome rest = playBattle(loading);
    ASSERT_NE(rest.status, BattleStatus::LoadFailed) << rest.message;
    EXPECT_EQ(rest.plans, whole.plans);
    const std::vector<std::string> after(whole.commentary.begin() +
                                             static_cast<std::ptrdiff_t>(whole.commentaryAtSave),
                                         whole.commentary.end());
    EXPECT_EQ(rest.commentary, after);
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

// A save asked for past the battle's end is not made, and the battle says so: the Fords of Velmesk with seed
// 4 ends after its 73rd activation, which is the last it can be saved at.
TEST(Battle, ASaveAskedForPastTheEndFailsAndSaysHowFarTheBattleWent) {
    test::TempDir dir("battle-past");
    for (const std::int32_t at : {73, 74, 95}) {
        SCOPED_TRACE(at);
        const std::filesystem::path file = dir / ("at-" + std::to_string(at) + ".sav");
        BattleOptions options;
        options.dataDir = VAEL_BUILD_DATA_DIR;
        options.scenario = "VELMESK.SCN";
        options.seed = 4;
        options.saveAt = at;
        options.saveFile = file.string();
        const BattleOutcome outcome = playBattle(options);
        EXPECT_EQ(outcome.activations, 73);
        EXPECT_EQ(outcome.winner, "Macedonian");
        if (at == 73) {
            EXPECT_EQ(outcome.status, BattleStatus::Ended) << describe(outcome);
            EXPECT_TRUE(std::filesystem::exists(file));
        } else {
            EXPECT_EQ(outcome.status, BattleStatus::NotSaved);
            EXPECT_EQ(outcome.message, "the battle ended after 73 activations; nothing was saved");
            EXPECT_FALSE(std::filesystem::exists(file));
        }
    }
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
