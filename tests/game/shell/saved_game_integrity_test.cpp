// Damaged saved games are refused, never taken: a file with any bit changed is refused with a reason or
// plays exactly the battle that was saved; a game saved before the whole-file check is held to its offsets
// and to a player for every side; a save past the file-size limit fails with a message; and a folder where
// a file is read is refused by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "battle_doubles.h"
#include "battle_runner.h"
#include "forged_battle_data.h"
#include "framework/sound/wave_file.h"
#include "game/ai/ai_program.h"
#include "game/figures/display_catalogue.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/shell/campaign.h"
#include "game/shell/program_entry.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/file_bytes.h"
#include "support/linked_data.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* Demonstration = "GHATMAR.SCN";
constexpr std::size_t CheckSize = 8;

battle::BattleOptions demonstration(std::uint32_t seed) {
    battle::BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = Demonstration;
    options.seed = seed;
    return options;
}

std::uint32_t u32At(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

class SavedGameIntegrity : public ::testing::Test {
protected:
    SavedGameIntegrity() { VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR); }

    // The demonstration battle with seed 7 played on the display layers and saved at its seventy-second
    // activation of seventy-eight: the display part holds scars, debris and fallen figures by then.
    // Made once for the tests that use it.
    Bytes lateDisplaySave(const std::filesystem::path& file) {
        static Bytes made;
        if (!made.empty()) return writeBytes(file, made), made;
        battle::BattleOptions options = demonstration(7);
        options.display = true;
        options.saveAt = 72;
        options.saveFile = file.string();
        options.keepCommentary = false;
        const battle::BattleOutcome outcome = battle::playBattle(options);
        EXPECT_EQ(outcome.status, battle::BattleStatus::Ended) << outcome.message;
        return made = readBytes(file);
    }

    // The demonstration battle saved by the battle tool at its sixth activation with seed 7.
    void expectPlanNameRefused(const std::string& name, const std::string& file, const std::string& expected);
    Bytes sixthActivationSave(const std::filesystem::path& file) {
        battle::BattleOptions options = demonstration(7);
        options.saveAt = 6;
        options.saveFile = file.string();
        EXPECT_EQ(battle::playBattle(options).status, battle::BattleStatus::Ended);
        return readBytes(file);
    }

    TempDir dir{"saved-integrity"};
    platform::HeadlessPlatform os;
    DataHome home{dir.path().string()};
};

TEST_F(SavedGameIntegrity, EveryBitOfASampleOfALateSaveIsRefusedWithAReasonOrPlaysExactlyTheSavedBattle) {
    const auto saved = dir / "late.vel";
    const Bytes good = lateDisplaySave(saved);
    ASSERT_GT(good.size(), 10000u);
    battle::BattleOptions resume = demonstration(7);
    resume.display = true;
    resume.loadFile = saved.string();
    const battle::BattleOutcome expected = battle::playBattle(resume);
    ASSERT_EQ(expected.status, battle::BattleStatus::Ended) << expected.message;
    ASSERT_GT(expected.commentary.size(), 20u);

    // The header and the scenario's record whole, bytes spread over the battle's part and the display's,
    // the check's tag (one byte of it: a changed tag leaves a file without the check, played to its end
    // below) and its sum.
    std::vector<std::size_t> sample;
    for (std::size_t at = 0; at < 32; ++at)
        sample.push_back(at);
    for (std::size_t k = 0; k < 40; ++k)
        sample.push_back(32 + k * (good.size() - CheckSize - 32) / 40);
    sample.push_back(good.size() - CheckSize);
    for (std::size_t at = good.size() - 4; at < good.size(); ++at)
        sample.push_back(at);

    // Each file is tried by the game's loader first; the battle tool plays those it takes. (One game at a
    // time: the tool's is made after the loader's has gone.)
    std::vector<std::pair<std::size_t, int>> taken;
    FailedChecks checks;
    {
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        for (const std::size_t at : sample)
            for (int bit = 0; bit < 8; ++bit) {
                SCOPED_TRACE("byte " + std::to_string(at) + " bit " + std::to_string(bit));
                Bytes flipped = good;
                flipped[at] ^= static_cast<std::uint8_t>(1u << bit);
                writeBytes(dir / "flipped.vel", flipped);
                std::string error;
                if (app.loadGame((dir / "flipped.vel").string(), error))
                    taken.emplace_back(at, bit);
                else
                    EXPECT_NE(error, "");
            }
    }
    for (const auto& [at, bit] : taken) {
        SCOPED_TRACE("byte " + std::to_string(at) + " bit " + std::to_string(bit) + " taken");
        Bytes flipped = good;
        flipped[at] ^= static_cast<std::uint8_t>(1u << bit);
        writeBytes(dir / "flipped.vel", flipped);
        resume.loadFile = (dir / "flipped.vel").string();
        const battle::BattleOutcome outcome = battle::playBattle(resume);
        if (outcome.status == battle::BattleStatus::LoadFailed) {
            EXPECT_NE(outcome.message, "");
            continue;
        }
        EXPECT_EQ(outcome.status, expected.status) << outcome.message;
        EXPECT_EQ(outcome.commentary, expected.commentary);
        EXPECT_EQ(outcome.winner, expected.winner);
        EXPECT_EQ(outcome.turns, expected.turns);
        EXPECT_EQ(outcome.home.lostTQ, expected.home.lostTQ);
        EXPECT_EQ(outcome.visitor.lostTQ, expected.visitor.lostTQ);
    }
    // Not even a flip of the check's tag is taken: the mark near the file's start asks for the check, which
    // the file no longer ends in.
    EXPECT_EQ(taken.size(), 0u);
    EXPECT_EQ(checks.count(), 0u);
}

// The landscape block's offset (the file's first word) moved to anywhere else in the file is refused, where
// it once read a display object's bytes as scars. Each file is checked again after its change, so that the
// display part's own checks are what see it.
TEST_F(SavedGameIntegrity, ALandscapeBlockOffsetMovedElsewhereInTheFileIsRefusedUnderAMatchingCheck) {
    Bytes good = lateDisplaySave(dir / "late.vel");
    ASSERT_GT(good.size(), 10000u);
    good.resize(good.size() - CheckSize);
    const std::uint32_t block = u32At(good, 0);
    ASSERT_GT(block, u32At(good, 4));
    ASSERT_LT(block, good.size());

    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::Shown);
    std::string error;
    Bytes resealed = good;
    sealSavedGame(resealed);
    writeBytes(dir / "checked.vel", resealed);
    ASSERT_TRUE(app.loadGame((dir / "checked.vel").string(), error)) << error;
    FailedChecks checks;
    int tried = 0;
    // Moves by one byte to 128 KB, each a load of the whole battle with its display.
    for (const int bit : {0, 3, 6, 9, 12, 15, 16}) {
        const std::uint32_t moved = block ^ (1u << bit);
        // Past the end the block was always refused.
        if (moved + 10 > good.size()) continue;
        SCOPED_TRACE("bit " + std::to_string(bit) + ": the block at " + std::to_string(moved));
        ++tried;
        Bytes flipped = good;
        flipped[static_cast<std::size_t>(bit / 8)] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        sealSavedGame(flipped);
        writeBytes(dir / "moved.vel", flipped);
        EXPECT_FALSE(app.loadGame((dir / "moved.vel").string(), error));
        EXPECT_EQ(error, "the saved game's display part is cut short");
    }
    EXPECT_GE(tried, 6);
    EXPECT_EQ(checks.count(), 0u);
}

// The sixth activation's save: the six leaders the computer plays end at byte 1904 and byte 1905 says which
// sides it plays (7: both, each with a plan of its own). Each file is checked again after its change.
TEST_F(SavedGameIntegrity, AFileThatGivesASidesLeadersToTheComputerButNoPlanIsRefused) {
    Bytes good = sixthActivationSave(dir / "sixth.vel");
    good.resize(good.size() - CheckSize);
    ASSERT_EQ(good[1905], 7);

    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    const struct {
        std::uint8_t flags;
        std::string error;
    } rows[] = {
        {6,
         "the saved game gives the home side's leaders to the computer but no plan to play them by: nobody "
         "would play it"},
        {5, "the saved game gives the visitor side's leaders to the computer but no plan to play them by: "
            "nobody would play it"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flags);
        Bytes flipped = good;
        flipped[1905] = row.flags;
        sealSavedGame(flipped);
        writeBytes(dir / "nobody.vel", flipped);
        std::string error;
        EXPECT_FALSE(app.loadGame((dir / "nobody.vel").string(), error));
        EXPECT_EQ(error, row.error);
        EXPECT_FALSE(app.battleRunning());
    }
    // Both sides with their plans: taken.
    sealSavedGame(good);
    writeBytes(dir / "both.vel", good);
    std::string error;
    EXPECT_TRUE(app.loadGame((dir / "both.vel").string(), error)) << error;
}

// The save runs in a child, whose file-size limit is below the game's size: the program started as the
// game starts goes on, with the reason, the old file and nothing else beside it.
TEST_F(SavedGameIntegrity, ASavePastTheFileSizeLimitFailsWithAMessageAndTheProgramGoesOn) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(app.logicalLayer());
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    std::string error;
    ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error)) << error;
    const auto saves = dir / "saves";
    std::filesystem::create_directories(saves);
    const auto file = saves / "battle.vel";
    ASSERT_TRUE(app.saveGame(file.string(), error)) << error;
    ASSERT_GT(readBytes(file).size(), 1024u);
    const Bytes old{'a', 'n', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 's', 'a', 'v', 'e'};
    writeBytes(file, old);

    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        ignoreFileSizeSignal();
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string why;
        const bool saved = app.saveGame(file.string(), why);
        const std::string said = (saved ? "saved" : "refused: ") + why;
        const bool told = ::write(report[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(told ? 0 : 2);
    }
    ::close(report[1]);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(said, "refused: cannot write " + file.string() + ": File too large");
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(namesIn(saves), std::vector<std::string>{"battle.vel"});
}

TEST_F(SavedGameIntegrity, ABattleThatNamesNoPlanForASideGivenToTheComputerDoesNotBeginAndSaysSo) {
    const std::string data = forgedBattleData(dir, "no_visitor_plan.scn.txt", "NOPLAN.SCN");
    platform::HeadlessPlatform own;
    VaelApp::writeInstallSettings(own.settings(), data);
    VaelApp app(own, data, nullptr, VaelApp::Views::None);
    std::string error;
    EXPECT_FALSE(app.startBattle("NOPLAN.SCN", VaelApp::CustomScenario, true, true, error));
    EXPECT_EQ(error, "the battle names no plan for the visitor side");
    EXPECT_FALSE(app.battleRunning());
    // Given to a person, the side needs no plan.
    EXPECT_TRUE(app.startBattle("NOPLAN.SCN", VaelApp::CustomScenario, true, false, error)) << error;

    // A saved game whose visitor plan is named by nothing (byte 1906 on: its length and name, 14 bytes).
    Bytes bytes = sixthActivationSave(dir / "sixth.vel");
    bytes.resize(bytes.size() - CheckSize);
    ASSERT_EQ(std::string(bytes.begin() + 1908, bytes.begin() + 1922), "GHATMAR_V1.pln");
    bytes[1906] = 0;
    bytes.erase(bytes.begin() + 1908, bytes.begin() + 1922);
    sealSavedGame(bytes);
    writeBytes(dir / "unnamed.vel", bytes);
    VaelApp loader(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    EXPECT_FALSE(loader.loadGame((dir / "unnamed.vel").string(), error));
    EXPECT_EQ(error, "the battle names no plan for the visitor side");
    EXPECT_FALSE(loader.battleRunning());
}

// The sixth activation's save with its visitor plan's name (GHATMAR_V1.pln) replaced by name, written as
// file: the game's load and the battle tool's are both refused with expected.
void SavedGameIntegrity::expectPlanNameRefused(const std::string& name, const std::string& file,
                                               const std::string& expected) {
    Bytes bytes = sixthActivationSave(dir / "sixth.vel");
    bytes.resize(bytes.size() - CheckSize);
    ASSERT_EQ(std::string(bytes.begin() + 1908, bytes.begin() + 1922), "GHATMAR_V1.pln");
    bytes[1906] = static_cast<std::uint8_t>(name.size());
    bytes[1907] = static_cast<std::uint8_t>(name.size() >> 8);
    bytes.erase(bytes.begin() + 1908, bytes.begin() + 1922);
    bytes.insert(bytes.begin() + 1908, name.begin(), name.end());
    sealSavedGame(bytes);
    const auto path = dir / file;
    writeBytes(path, bytes);
    VaelApp loader(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    std::string error;
    EXPECT_FALSE(loader.loadGame(path.string(), error));
    EXPECT_EQ(error, expected);
    battle::BattleOptions options = demonstration(7);
    options.loadFile = path.string();
    const battle::BattleOutcome outcome = battle::playBattle(options);
    EXPECT_EQ(outcome.status, battle::BattleStatus::LoadFailed);
    EXPECT_EQ(outcome.message, "cannot load the saved game " + path.string() + ": " + expected);
}

// A saved game whose visitor plan's name holds a terminal's escape sequences and control bytes: the plan
// does not open, and the refusal shows those bytes as \xHH, in the game's message and the battle tool's.
TEST_F(SavedGameIntegrity, ControlBytesOfAPlanNameFromAFileAreShownEscapedInTheRefusal) {
    expectPlanNameRefused("\x1B[2J\x1B[31m\a\rv1.pln", "escaped.vel",
                          "the plan " + std::string(VAEL_BUILD_DATA_DIR) +
                              "/\\x1B[2J\\x1B[31m\\x07\\x0Dv1.pln would not open");
}

// A plan's name of two thousand bytes is quoted as far as a box shows it (64 bytes of the name, escapes
// whole) and said to go on, whether the name opens nothing or is refused as no name of the plans' folder.
TEST_F(SavedGameIntegrity, APlanNameOfThousandsOfBytesIsCutInTheRefusal) {
    {
        SCOPED_TRACE("a name that opens nothing");
        std::string shown;
        for (int k = 0; k < 16; ++k)
            shown += "\\x01";
        expectPlanNameRefused(std::string(2000, '\x01'), "long.vel",
                              "the plan " + std::string(VAEL_BUILD_DATA_DIR) + "/" + shown + "... would not open");
    }
    SCOPED_TRACE("a name with a way up");
    expectPlanNameRefused("../" + std::string(1997, 'a'), "up.vel",
                          "the saved game names the plan \"../" + std::string(61, 'a') +
                              "...\", which is not a file name in the folder of plans");
}

// A plan name whose bytes are no UTF-8 (written in another encoding) is told by those bytes, each as \xHH, as
// a control byte is: a terminal would show each as the same unknown sign and the player could not find it.
// The letter in UTF-8 is kept as it is.
TEST_F(SavedGameIntegrity, BytesOfAPlanNameThatAreNoUtf8AreShownEscapedInTheRefusal) {
    expectPlanNameRefused("g\xFF\xFFtmar_v2\xC3\xA9.pln", "latin.vel",
                          "the plan " + std::string(VAEL_BUILD_DATA_DIR) +
                              "/g\\xFF\\xFFtmar_v2\xC3\xA9.pln would not open");
}

// A plan named by a saved game is looked for in the data folder's plans alone: a name with a folder in it,
// a way up, or an absolute path is refused before any file is opened, in the game and in the battle tool.
// The sixth activation's save names the visitor's plan at byte 1906 (u16 length, then the name) and the
// home plan right after it. Each file is checked again after its change.
TEST_F(SavedGameIntegrity, APlanNamedByASaveIsAFileNameOfThePlansFolderOrTheSaveIsRefused) {
    Bytes good = sixthActivationSave(dir / "sixth.vel");
    good.resize(good.size() - CheckSize);
    ASSERT_EQ(good[1906], 14);
    ASSERT_EQ(std::string(good.begin() + 1908, good.begin() + 1922), "GHATMAR_V1.pln");
    ASSERT_EQ(good[1922], 14);
    ASSERT_EQ(std::string(good.begin() + 1924, good.begin() + 1938), "Ghatmar_H1.PLN");
    const auto named = [&](std::size_t at, const std::string& name) {
        Bytes bytes = good;
        bytes[at] = static_cast<std::uint8_t>(name.size());
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at + 2),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + 16));
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at + 2), name.begin(), name.end());
        sealSavedGame(bytes);
        return bytes;
    };
    const struct {
        const char* what;
        std::size_t at;
        std::string name;
    } rows[] = {
        {"a way up to the password file", 1906, "../../../../../../etc/passwd"},
        {"an absolute path", 1906, "/etc/passwd"},
        {"a folder of the data", 1906, "plans/GHATMAR_V1.pln"},
        {"a way up written the other way", 1906, "..\\GHATMAR_V1.pln"},
        {"the folder above", 1906, ".."},
        {"the home plan a way up", 1922, "../GHATMAR_H1.pln"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // The battle tool's game ends the process's application: each row has a game of its own.
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        const auto file = dir / "named.vel";
        writeBytes(file, named(row.at, row.name));
        const std::string expected =
            "the saved game names the plan \"" + row.name + "\", which is not a file name in the folder of plans";
        std::string error;
        EXPECT_FALSE(app.loadGame(file.string(), error));
        EXPECT_EQ(error, expected);
        EXPECT_FALSE(app.battleRunning());
        battle::BattleOptions options = demonstration(7);
        options.loadFile = file.string();
        const battle::BattleOutcome outcome = battle::playBattle(options);
        EXPECT_EQ(outcome.status, battle::BattleStatus::LoadFailed);
        EXPECT_EQ(outcome.message, "cannot load the saved game " + file.string() + ": " + expected);
    }
    // A plain name of another plan of the folder is taken.
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    writeBytes(dir / "other.vel", named(1906, "GHATMAR_V2.pln"));
    std::string error;
    EXPECT_TRUE(app.loadGame((dir / "other.vel").string(), error)) << error;
}

// The battle tool plays a loaded battle up to its cap of turns: a save at or past the cap (its turn counter,
// counted from 0, the third of game control's sixteen values, which end where the running state begins)
// is refused as one it cannot play. The cap's last turn still loads and plays.
TEST_F(SavedGameIntegrity, TheBattleToolRefusesASaveAtOrPastItsTurnCap) {
    Bytes good = sixthActivationSave(dir / "sixth.vel");
    good.resize(good.size() - CheckSize);
    const Bytes tag{'V', 'S', 'T', 'A'};
    const auto running = static_cast<std::size_t>(std::find_end(good.begin(), good.end(), tag.begin(), tag.end()) -
                                                  good.begin());
    const std::size_t turnAt = running - 32 + 2 * 2;
    ASSERT_EQ(good[turnAt] | good[turnAt + 1] << 8, 0);
    const struct {
        std::uint16_t turn;
        std::int32_t cap;
        bool loads;
    } rows[] = {{271, 40, false}, {40, 40, false}, {39, 40, true}, {0, 1, true}, {1, 1, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE("turn " + std::to_string(row.turn) + " cap " + std::to_string(row.cap));
        Bytes bytes = good;
        bytes[turnAt] = static_cast<std::uint8_t>(row.turn), bytes[turnAt + 1] = static_cast<std::uint8_t>(row.turn >> 8);
        sealSavedGame(bytes);
        const auto file = dir / "turn.vel";
        writeBytes(file, bytes);
        battle::BattleOptions options = demonstration(7);
        options.loadFile = file.string();
        options.turnCap = row.cap;
        const battle::BattleOutcome outcome = battle::playBattle(options);
        if (row.loads) {
            EXPECT_NE(outcome.status, battle::BattleStatus::LoadFailed) << outcome.message;
        } else {
            EXPECT_EQ(outcome.status, battle::BattleStatus::LoadFailed);
            EXPECT_EQ(outcome.message, "cannot load the saved game " + file.string() + ": it is at turn " +
                                           std::to_string(row.turn + 1) + ", past the cap of " +
                                           std::to_string(row.cap) + (row.cap == 1 ? " turn" : " turns"));
        }
    }
}

// A game saved where its plans were whole, loaded where they are not: the loaded battle does not begin.
TEST_F(SavedGameIntegrity, ALoadedBattleWhosePlanWillNotOpenOrCompileIsRefusedAndSaysWhichAndWhy) {
    const auto saved = dir / "sixth.vel";
    sixthActivationSave(saved);
    LinkedData broken(dir / "broken", VAEL_BUILD_DATA_DIR), missing(dir / "missing", VAEL_BUILD_DATA_DIR),
        fifo(dir / "fifo", VAEL_BUILD_DATA_DIR);
    broken.write("ghatmar_v1.pln", "' no brackets\nHold\n;\n");
    missing.remove("ghatmar_h1.pln");
    // Named "Ghatmar_H1.PLN" by the battle: found without regard to case, and told as what it is.
    fifo.remove("ghatmar_h1.pln");
    ASSERT_EQ(::mkfifo((fifo.path() + "/ghatmar_h1.pln").c_str(), 0600), 0);
    const struct {
        const char* what;
        const LinkedData& data;
        std::string error;
    } rows[] = {
        {"the visitor's plan broken", broken,
         "the plan " + broken.path() + "/ghatmar_v1.pln does not compile: line 3: Missing open bracket"},
        {"the home plan missing", missing, "the plan " + missing.path() + "/Ghatmar_H1.PLN would not open"},
        {"the home plan a FIFO", fifo, "the plan " + fifo.path() + "/ghatmar_h1.pln is not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        platform::HeadlessPlatform own;
        VaelApp::writeInstallSettings(own.settings(), row.data.path());
        VaelApp app(own, row.data.path(), nullptr, VaelApp::Views::None);
        std::string error;
        EXPECT_FALSE(app.loadGame(saved.string(), error));
        EXPECT_EQ(error, row.error);
        EXPECT_FALSE(app.battleRunning());
    }
}

TEST_F(SavedGameIntegrity, AFolderWhereAFileIsReadIsRefusedByNameByEveryReader) {
    const auto folder = dir / "folder.vel";
    std::filesystem::create_directories(folder);
    const std::string path = folder.string();
    std::string error;

    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    EXPECT_FALSE(app.loadGame(path, error));
    EXPECT_EQ(error, path + " is a folder, not a file");

    CampaignDefinition campaign;
    error.clear();
    EXPECT_FALSE(readCampaignFile(path, campaign, error));
    EXPECT_EQ(error, path + " is a folder, not a file");

    LogicalMapFile map;
    EXPECT_FALSE(map.readFile(path));
    EXPECT_NE(map.error().find("is a folder, not a file"), std::string::npos) << map.error();

    DisplayCatalogue catalogue;
    EXPECT_FALSE(catalogue.load(path));
    EXPECT_EQ(catalogue.error(), path + " is a folder, not a file");

    error.clear();
    EXPECT_FALSE(WaveFile::read(folder, error).has_value());
    EXPECT_EQ(error, path + ": is a folder, not a file");

    AIProgram program;
    EXPECT_EQ(program.load(path), 0);
}

// What is not a regular file, where a reader takes a file from outside: a FIFO nobody writes to, read as
// a file, would hold the program for ever; a device like /dev/zero never ends. Each reader refuses them by
// name, before reading a byte; and a file far larger than the reader could hold, a sparse gigabyte.
TEST_F(SavedGameIntegrity, AFifoADeviceOrAGigabyteWhereAFileIsReadIsRefusedByNameByEveryReader) {
    const auto fifo = dir / "fifo.vel", huge = dir / "huge.vel";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    writeBytes(huge, Bytes{});
    ASSERT_EQ(::truncate(huge.c_str(), std::int64_t(1) << 30), 0);
    for (const std::string& path : {fifo.string(), std::string("/dev/zero"), huge.string()}) {
        SCOPED_TRACE(path);
        const std::string why = path == huge.string() ? " is too large: 1073741824 bytes, where at most "
                                                      : " is not a regular file";
        const auto says = [&](const std::string& error) { return error.rfind(path + why, 0) == 0; };
        std::string error;
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        EXPECT_FALSE(app.loadGame(path, error));
        EXPECT_TRUE(says(error)) << error;

        CampaignDefinition campaign;
        error.clear();
        EXPECT_FALSE(readCampaignFile(path, campaign, error));
        EXPECT_TRUE(says(error)) << error;

        // These two name the file in a form of their own, with what the reader found after it.
        const auto tells = [&](const std::string& error) {
            return error.find(path) != std::string::npos && error.find(why.substr(1)) != std::string::npos;
        };
        LogicalMapFile map;
        EXPECT_FALSE(map.readFile(path));
        EXPECT_TRUE(tells(map.error())) << map.error();

        DisplayCatalogue catalogue;
        EXPECT_FALSE(catalogue.load(path));
        EXPECT_TRUE(says(catalogue.error())) << catalogue.error();

        error.clear();
        EXPECT_FALSE(WaveFile::read(path, error).has_value());
        EXPECT_TRUE(tells(error)) << error;

        AIProgram program;
        EXPECT_EQ(program.load(path), 0);
    }
}

} // namespace
} // namespace vael::test
