// Saved games forged to pass their own check: one byte of a real late save changed and the check made
// again over it. A display object's facing past every direction (the high bytes of its u32) once crashed
// the displayed battle on its first ticks, and a unit's record turned routing behind game control's counts
// played on to a count below nothing. Each is refused with its reason, by the game's Load Game and by the
// tool; the file unchanged still loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "battle_runner.h"
#include "game/flow/saved_game.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"

namespace vael::battle {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The demonstration battle's seed 90 saved at its 135th activation.
Bytes lateSave(const test::TempDir& dir, bool display) {
    const auto saved = dir / (display ? "display.vel" : "headless.vel");
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 90;
    options.display = display;
    options.saveAt = 135;
    options.saveFile = saved.string();
    options.keepCommentary = false;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_GE(outcome.activations, 135) << "the battle ended before its save";
    std::ifstream in(saved, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file with one byte changed (or, with high, the little-endian word there) and its check made again
// over it.
Bytes crafted(Bytes file, std::size_t at, std::uint8_t value, int high = -1) {
    std::string error;
    EXPECT_TRUE(unsealSavedGame(file, error)) << error;
    EXPECT_LT(at + 1, file.size());
    if (at + 1 < file.size()) {
        file[at] = value;
        if (high >= 0) file[at + 1] = static_cast<std::uint8_t>(high);
    }
    sealSavedGame(file);
    return file;
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Case {
    std::size_t at;
    std::uint8_t value;
    int high = -1; // the byte after it too, when not -1
};

// Loads each crafted file in the game (with its display) over the battle of the whole file, and with the
// tool.
void expectRefused(const test::TempDir& dir, const Bytes& whole, bool display, const std::vector<Case>& cases,
                   const std::string& reason) {
    const auto path = dir / "crafted.vel";
    {
        platform::HeadlessPlatform os;
        VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, display ? VaelApp::Views::Shown : VaelApp::Views::None);
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        test::FailedChecks checks;
        // The whole file first: each refused one leaves that battle running, and it loads again after them.
        writeBytes(path, whole);
        std::string error;
        ASSERT_TRUE(app.loadGame(path.string(), error)) << error;
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << "byte " << c.at << " made " << int(c.value) << " " << c.high);
            writeBytes(path, crafted(whole, c.at, c.value, c.high));
            EXPECT_FALSE(app.loadGame(path.string(), error));
            EXPECT_EQ(error, reason);
            EXPECT_TRUE(app.battleRunning());
        }
        writeBytes(path, whole);
        EXPECT_TRUE(app.loadGame(path.string(), error)) << error;
        EXPECT_EQ(checks.count(), 0u);
    }
    // The tool, one game of its own at a time.
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "the tool, byte " << c.at << " made " << int(c.value) << " " << c.high);
        writeBytes(path, crafted(whole, c.at, c.value, c.high));
        BattleOptions options;
        options.dataDir = VAEL_BUILD_DATA_DIR;
        options.scenario = "GHATMAR.SCN";
        options.seed = 90;
        options.display = display;
        options.loadFile = path.string();
        options.keepCommentary = false;
        const BattleOutcome outcome = playBattle(options);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_EQ(outcome.message, "cannot load the saved game " + path.string() + ": " + reason);
    }
}

TEST(CraftedSaves, ADisplayObjectsFacingPastEveryDirectionIsRefusedWithItsReason) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = lateSave(dir, true);
    // Each byte is one of the three high bytes of an object's facing, 0 in the file.
    const std::vector<Case> cases = {{9074, 1},  {9207, 1},   {9208, 1},    {9209, 1},
                                     {37418, 1}, {102528, 1}, {9208, 0x80}};
    for (const Case& c : cases)
        ASSERT_EQ(whole.at(c.at), 0) << "byte " << c.at << " is no high byte of a facing";
    expectRefused(dir, whole, true, cases,
                  "the saved game's display part holds a unit shown as no battle shows it: its facing is no "
                  "direction");
}

// A figure's picture index past its group (0x7FFF, the first past the group's eight, and 0x8000) once
// loaded without a word and left the unit standing without its figures. The first figure record of the
// display part is found by its picture's name, "Standing" (u16 length 8), whose index follows it.
TEST(CraftedSaves, AFiguresPictureIndexPastItsGroupIsRefusedWithItsReason) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = lateSave(dir, true);
    Bytes plain = whole;
    std::string error;
    ASSERT_TRUE(unsealSavedGame(plain, error)) << error;
    const std::size_t table =
        plain.at(4) | plain.at(5) << 8 | plain.at(6) << 16 | std::size_t(plain.at(7)) << 24;
    const std::string name("\x08\0Standing", 10);
    // A leader's record begins with the name of his stand, "Standing" too, and his hex after it: a standing
    // figure faces one of the eight directions, its picture one of "Standing"'s eight.
    std::size_t index = 0;
    for (auto at = plain.begin() + static_cast<std::ptrdiff_t>(table); index == 0; ++at) {
        at = std::search(at, plain.end(), name.begin(), name.end());
        ASSERT_NE(at, plain.end());
        const std::size_t after = static_cast<std::size_t>(at - plain.begin()) + name.size();
        if (plain.at(after + 1) == 0 && plain.at(after) < 8) index = after;
    }
    expectRefused(
        dir, whole, true, {{index, 0xFF, 0x7F}, {index, 8, 0}, {index, 0x00, 0x80}},
        "the saved game's display part holds a unit shown as no battle shows it: a figure's picture is "
        "past the pictures of its group");
}

TEST(CraftedSaves, AUnitRoutingBehindGameControlsCountsIsRefusedWithBothCounts) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = lateSave(dir, false);
    // Byte 607 is the routing flag of a Macedonian unit standing in good order, whose troop quality is 1.
    ASSERT_EQ(whole.at(607), 0);
    expectRefused(dir, whole, false, {{607, 1}},
                  "the saved game counts 0 routing (0) on the home side, where its units rout 1 (1)");
}

// A commander's fall ends the battle, so a running battle never has one fallen: his out-of-play flag set
// once had the computer give orders to Vaelmoric gone from the field (a failed check at his first move),
// and gave the other side's commander a replacement nobody takes. Both late saves, headless and with the
// display, hold the leaders' records at the same places: Vaelmoric's, unit 0, begins with his hex at byte
// 1751 and ends in the out-of-play flag at 1759; Tezhar III's, unit 28, three records (of 26 bytes) on.
TEST(CraftedSaves, ACommanderFallenInABattleStillRunningIsRefusedWithHisName) {
    test::TempDir dir("crafted-saves");
    for (const bool display : {false, true}) {
        SCOPED_TRACE(display ? "with the display" : "headless");
        const Bytes whole = lateSave(dir, display);
        // The flag is 0 after a hex of the map, the second hex of nobody (-1) and a facing below 8.
        for (const std::size_t at : {1751u, 1829u}) {
            ASSERT_EQ(whole.at(at + 2), 0xFF);
            ASSERT_EQ(whole.at(at + 3), 0xFF);
            ASSERT_LT(whole.at(at + 4), 8);
            ASSERT_EQ(whole.at(at + 8), 0);
            ASSERT_EQ(whole.at(at + 9), 0);
        }
        expectRefused(
            dir, whole, display, {{1759, 1}, {1760, 0x80}},
            "the saved game has the commander Vaelmoric the Bold (unit 0) fallen, whose fall ends the "
            "battle");
        // Loaded out of play, an ordinary leader has a soldier from the ranks in his place: so has this one.
        expectRefused(
            dir, whole, display, {{1837, 1}},
            "the saved game has the commander Tezhar III(R) (unit 28) fallen, whose fall ends the battle");
    }
    // An ordinary leader out of play is one whose replacement commands: Aristhon's record, the one after
    // Vaelmoric's, so set still loads, and the battle plays to its end.
    const auto path = dir / "replaced.vel";
    writeBytes(path, crafted(lateSave(dir, false), 1785, 1));
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 90;
    options.loadFile = path.string();
    options.keepCommentary = false;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
}

} // namespace
} // namespace vael::battle
