// Saved games forged to pass their own check: one byte of a real late save changed and the check made
// again over it. A display object's facing past every direction (the high bytes of its u32) once crashed
// the displayed battle on its first ticks, and a unit's record turned routing behind game control's counts
// played on to a count below nothing. Each is refused with its reason, by the game's Load Game and by the
// tool; the file unchanged still loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

// The demonstration battle's seed 90 saved at its 135th activation (or another seed and activation).
Bytes lateSave(const test::TempDir& dir, bool display, std::uint32_t seed = 90, std::int32_t at = 135) {
    const auto saved = dir / (display ? "display.vel" : "headless.vel");
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = seed;
    options.display = display;
    options.saveAt = at;
    options.saveFile = saved.string();
    options.keepCommentary = false;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_GE(outcome.activations, at) << "the battle ended before its save";
    std::ifstream in(saved, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file with one byte changed (or, with high, the little-endian word there; with more, the bytes after
// that too) and its check made again over it.
Bytes crafted(Bytes file, std::size_t at, std::uint8_t value, int high = -1,
              const std::vector<std::uint8_t>& more = {}) {
    std::string error;
    EXPECT_TRUE(unsealSavedGame(file, error)) << error;
    EXPECT_LT(at + 1 + more.size(), file.size());
    if (at + 1 + more.size() < file.size()) {
        file[at] = value;
        if (high >= 0) file[at + 1] = static_cast<std::uint8_t>(high);
        std::copy(more.begin(), more.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 2));
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
    std::vector<std::uint8_t> more = {}; // and these after both
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
            writeBytes(path, crafted(whole, c.at, c.value, c.high, c.more));
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
        writeBytes(path, crafted(whole, c.at, c.value, c.high, c.more));
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

// Each crafted file loads in the game over the battle of the whole file.
void expectLoads(const test::TempDir& dir, const Bytes& whole, bool display, const std::vector<Case>& cases) {
    const auto path = dir / "crafted.vel";
    platform::HeadlessPlatform os;
    VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, display ? VaelApp::Views::Shown : VaelApp::Views::None);
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    test::FailedChecks checks;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "byte " << c.at << " made " << int(c.value) << " " << c.high);
        writeBytes(path, crafted(whole, c.at, c.value, c.high, c.more));
        std::string error;
        EXPECT_TRUE(app.loadGame(path.string(), error)) << error;
    }
    EXPECT_EQ(checks.count(), 0u);
}

std::uint16_t word(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

// Where a record begins: its tag's first place in the file.
std::size_t recordAt(const Bytes& file, const char (&tag)[5]) {
    const auto at = std::search(file.begin(), file.end(), tag, tag + 4);
    EXPECT_NE(at, file.end()) << tag << " is not in the file";
    EXPECT_EQ(std::search(at + 1, file.end(), tag, tag + 4), file.end()) << tag << " is in the file twice";
    return static_cast<std::size_t>(at - file.begin());
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
    // Vaelmoric's, so set still loads with game control counting his fall (one more of the home side's units
    // eliminated, his 20 points more of its troop quality lost: game control's words 12 and 6), and the
    // battle plays to its end. Counted short of his fall, the file is refused.
    const auto path = dir / "replaced.vel";
    const Bytes headless = lateSave(dir, false);
    const std::size_t block = recordAt(headless, "VSTA") - 32, lostTQ = block + 12, eliminated = block + 24;
    const Bytes uncounted = crafted(headless, 1785, 1);
    const int lost = word(headless, lostTQ) + 20, fallen = word(headless, eliminated) + 1;
    ASSERT_EQ(word(headless, lostTQ), 31);
    expectRefused(dir, headless, false, {{1785, 1}},
                  "the saved game counts 31 troop quality lost on the home side, where its fallen units are worth 51");
    writeBytes(path, crafted(crafted(uncounted, lostTQ, static_cast<std::uint8_t>(lost), lost >> 8), eliminated,
                             static_cast<std::uint8_t>(fallen), fallen >> 8));
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 90;
    options.loadFile = path.string();
    options.keepCommentary = false;
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
}

// Game control's block is the 16 words before the running state's tag: the levels at which each side
// routs are its words 4 and 5, the units each side has lost its words 12 and 13. In the demonstration
// battle the home side's 25 units are worth 217, the visitors' 25 units 114 (the battle's own levels are
// 70 and 60): a side's level is 1 to its worth, as the Custom level lets it be chosen.
TEST(CraftedSaves, GameControlsCountsPastWhatTheSidesHoldAreRefusedWithTheirReasons) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = lateSave(dir, false);
    const std::size_t block = recordAt(whole, "VSTA") - 32;
    const std::size_t homeLimit = block + 8, visitorLimit = block + 10, homeLost = block + 24;
    ASSERT_EQ(word(whole, homeLimit), 70);
    ASSERT_EQ(word(whole, visitorLimit), 60);
    {
        SCOPED_TRACE("the home side's units eliminated");
        ASSERT_EQ(word(whole, homeLost), 7);
        expectRefused(dir, whole, false, {{homeLost, 253, 0}},
                      "the saved game counts 253 units eliminated on the home side, where 7 of its 25 units and its "
                      "leaders have fallen");
        expectRefused(dir, whole, false, {{homeLost, 8, 0}},
                      "the saved game counts 8 units eliminated on the home side, where 7 of its 25 units and its "
                      "leaders have fallen");
        // Below the fallen the side would hold out past the losses that break it.
        expectRefused(dir, whole, false, {{homeLost, 6, 0}},
                      "the saved game counts 6 units eliminated on the home side, where 7 of its 25 units and its "
                      "leaders have fallen");
        expectRefused(dir, whole, false, {{homeLost, 0, 0}},
                      "the saved game counts 0 units eliminated on the home side, where 7 of its 25 units and its "
                      "leaders have fallen");
    }
    {
        SCOPED_TRACE("the home side's troop quality lost");
        const std::size_t homeLostTQ = block + 12;
        const std::uint16_t worth = word(whole, homeLostTQ);
        ASSERT_GT(worth, 1);
        const auto refusal = [&](int lost) {
            return "the saved game counts " + std::to_string(lost) +
                   " troop quality lost on the home side, where its fallen units are worth " + std::to_string(worth);
        };
        expectRefused(dir, whole, false, {{homeLostTQ, static_cast<std::uint8_t>(worth - 1), (worth - 1) >> 8}},
                      refusal(worth - 1));
        expectRefused(dir, whole, false, {{homeLostTQ, 0, 0}}, refusal(0));
        expectRefused(dir, whole, false, {{homeLostTQ, static_cast<std::uint8_t>(worth + 1), (worth + 1) >> 8}},
                      refusal(worth + 1));
    }
    {
        SCOPED_TRACE("the home side's rout level");
        expectRefused(dir, whole, false, {{homeLimit, 0, 0}},
                      "the saved game has the home side rout at 0 troop quality lost, where its level is 1 to 217");
        expectRefused(dir, whole, false, {{homeLimit, 218, 0}},
                      "the saved game has the home side rout at 218 troop quality lost, where its level is 1 to 217");
        expectLoads(dir, whole, false, {{homeLimit, 1, 0}, {homeLimit, 217, 0}});
    }
    {
        SCOPED_TRACE("the visitor side's rout level");
        expectRefused(dir, whole, false, {{visitorLimit, 316 & 0xFF, 316 >> 8}},
                      "the saved game has the visitor side rout at 316 troop quality lost, where its level is 1 to 114");
        expectRefused(dir, whole, false, {{visitorLimit, 115, 0}},
                      "the saved game has the visitor side rout at 115 troop quality lost, where its level is 1 to 114");
        expectRefused(dir, whole, false, {{visitorLimit, 0, 0}},
                      "the saved game has the visitor side rout at 0 troop quality lost, where its level is 1 to 114");
        expectLoads(dir, whole, false, {{visitorLimit, 1, 0}, {visitorLimit, 114, 0}});
    }
}

// A unit advances after combat inside one step of the battle: a unit's running state that has it
// advancing (the word after its three lists of hexes) once stalled the battle at turn 13, its hits held
// short of a rout for good.
TEST(CraftedSaves, AUnitAdvancingInItsRunningStateIsRefusedWithItsName) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = lateSave(dir, false);
    // The first record of the running state is the Taxis of Havrel's, unit 3, which fights: nine words and
    // three lists of hexes, then whether it advances.
    std::size_t at = recordAt(whole, "VSTA") + 10 + 18;
    for (int list = 0; list < 3; ++list)
        at += 2 + 2 * std::size_t{word(whole, at)};
    ASSERT_EQ(word(whole, at), 0);
    ASSERT_LE(word(whole, at + 2), 1) << "no flag of whether it turned after it";
    expectRefused(dir, whole, false, {{at, 1, 0}}, "the saved game has Taxis of Havrel (unit 3) marked 1 for advancing after combat, which a unit does only within a step no save is taken in");
}

// The display's record of what it had under way: its tag, version and length, then view 0's length and
// part, which begins with the clock (4 bytes), the tick's rate, slot and time counted (a word each), the
// count of the objects the tick steps and their places. The demonstration battle's seed 7 saved at its
// 5th activation had its tick stepping 19 objects, the 16th first.
TEST(CraftedSaves, ADisplayRecordThatWouldStallTheBattleIsRefusedWithItsReason) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = lateSave(dir, true, 7, 5);
    const std::size_t view = recordAt(whole, "VDSA") + 14;
    const std::size_t count = view + 10, first = view + 12;
    ASSERT_EQ(word(whole, count), 19);
    ASSERT_EQ(word(whole, first), 15);
    const std::string prefix = "the saved game's record of what the display had under way ";
    {
        SCOPED_TRACE("another object stepped than the one under way");
        expectRefused(dir, whole, true, {{first, 0, 0}, {first, 14, 0}, {first, 16, 0}},
                      prefix + "has the object of unit 15 playing, which its view's tick does not step");
    }
    {
        SCOPED_TRACE("no object stepped");
        // The count made 0 and the 19 places taken out, the view's and the record's lengths made shorter.
        Bytes none = whole;
        std::string error;
        ASSERT_TRUE(unsealSavedGame(none, error)) << error;
        none.erase(none.begin() + static_cast<std::ptrdiff_t>(first),
                   none.begin() + static_cast<std::ptrdiff_t>(first + 38));
        none[count] = 0;
        const std::size_t record = view - 14;
        for (const std::size_t length : {record + 6, view - 4}) {
            const std::uint32_t was =
                none[length] | none[length + 1] << 8 | none[length + 2] << 16 | std::uint32_t(none[length + 3]) << 24;
            for (int k = 0; k < 4; ++k)
                none[length + k] = static_cast<std::uint8_t>((was - 38) >> (8 * k));
        }
        sealSavedGame(none);
        const auto path = dir / "none-stepped.vel";
        writeBytes(path, none);
        platform::HeadlessPlatform os;
        VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::Shown);
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        EXPECT_FALSE(app.loadGame(path.string(), error));
        // The first object playing in the view's order is unit 15's.
        EXPECT_EQ(error, prefix + "has the object of unit 15 playing, which its view's tick does not step");
    }
    {
        SCOPED_TRACE("the display's clock past what it can reach");
        expectRefused(dir, whole, true, {{view, 0xFF, 0xFF, {0xFF, 0x7F}}},
                      prefix + "has the display's clock at 2147483647, past the 1073741823 it can reach with a "
                               "battle still to show");
        expectRefused(dir, whole, true, {{view, 0x00, 0x00, {0x00, 0x40}}},
                      prefix + "has the display's clock at 1073741824, past the 1073741823 it can reach with a "
                               "battle still to show");
        expectLoads(dir, whole, true, {{view, 0xFF, 0xFF, {0xFF, 0x3F}}});
    }
}

// The demonstration battle with the display, saved once it has handled step messages, where the game's Save
// Game would save it: in the middle of the computer's orders, with replies the display still owes.
Bytes stepSave(const test::TempDir& dir, std::uint32_t seed, long long step) {
    const auto saved = dir / "step.vel";
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = seed;
    // The plans the tool's command line draws for the seed.
    options.lastAIType = lastAITypeDrawing(planKindOfSeed(seed));
    options.display = true;
    options.saveAtStep = step;
    options.saveFile = saved.string();
    options.keepCommentary = false;
    EXPECT_EQ(playBattle(options).status, BattleStatus::Ended);
    std::ifstream in(saved, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where the bytes first stand in the display's record of what it had under way.
std::size_t underWayAt(const Bytes& file, const std::string& bytes) {
    const auto from = file.begin() + static_cast<std::ptrdiff_t>(recordAt(file, "VDSA"));
    const auto at = std::search(from, file.end(), bytes.begin(), bytes.end());
    EXPECT_NE(at, file.end()) << bytes << " is not in the record";
    return static_cast<std::size_t>(at - file.begin());
}

// The display's record keeps the replies it owes the rules by name, each with its box: a reply whose name
// the game does not know (one letter changed, the file sealed again), or owed to a unit the battle does not
// have, once loaded and left the battle waiting for ever, in the game and in the tool, with the display and
// without. Both readers of the record (the display's, and the one that answers at once without it) refuse
// the same bytes with the same words. Seed 3 saved at message 250 owes unit 0's "MovementDone" (its
// "MoveReturnStruct" box: the kind, 4 bytes, then the unit); seed 21 saved at message 900 owes unit 26's
// "ReturnFromMissileFire" (its "MissileDebrisStruct": the hex, 2 bytes, the missile, 4, then the unit).
// Each name is written after its length (4 bytes), each box after its type's name and that name's length.
TEST(CraftedSaves, ADisplayRecordOwingAReplyNobodyHearsIsRefusedWithTheRecordAndTheValue) {
    test::TempDir dir("crafted-saves");
    const std::string prefix = "the saved game's record of what the display had under way ";
    const auto named = [](const std::string& name) {
        return std::string(1, char(name.size())) + std::string(3, '\0') + name;
    };
    const auto boxed = [](const std::string& type) {
        return std::string(1, char(type.size())) + '\0' + type;
    };
    const struct {
        std::uint32_t seed;
        long long step;
        std::string reply, box;
        std::size_t unitInBox; // the unit's place in the box, after the type's name
        std::uint16_t unit;
        int command; // the owed command's place in its object's queue
    } rows[] = {{3, 250, "MovementDone", "MoveReturnStruct", 4, 0, 2},
                {21, 900, "ReturnFromMissileFire", "MissileDebrisStruct", 6, 26, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        const Bytes file = stepSave(dir, row.seed, row.step);
        const std::size_t reply = underWayAt(file, named(row.reply)) + 4;
        const std::size_t unit = underWayAt(file, boxed(row.box)) + 2 + row.box.size() + row.unitInBox;
        ASSERT_EQ(word(file, unit), row.unit);
        // The name's last letter made "f".
        const std::string changed = row.reply.substr(0, row.reply.size() - 1) + "f";
        for (const bool display : {false, true}) {
            SCOPED_TRACE(display ? "with the display" : "headless");
            expectRefused(dir, file, display, {{reply + row.reply.size() - 1, 'f'}},
                          prefix + "holds a unit shown as no battle shows it: its queued command " +
                              std::to_string(row.command) + " owes the reply \"" + changed +
                              "\", which the game does not know");
            expectRefused(dir, file, display, {{unit, 0xFF, 0x7F}},
                          prefix + "owes \"" + row.reply +
                              "\" to unit 32767, which the battle does not have");
        }
    }
}

// The computer's orders saved while the moves he ordered were still shown wait for their ends, which only
// the display's record brings: the same save without that record (cut off, the file sealed again) would have
// nobody end them, and is refused, by the display's reader and by the one without it, in the game and the
// tool. The record there, it loads.
TEST(CraftedSaves, OrdersUnderWayWithoutTheDisplaysRecordOfTheirMovesAreRefused) {
    test::TempDir dir("crafted-saves");
    const Bytes whole = stepSave(dir, 3, 250);
    Bytes cut = whole;
    const std::size_t record = recordAt(cut, "VDSA");
    std::string error;
    ASSERT_TRUE(unsealSavedGame(cut, error)) << error;
    ASSERT_LT(record, cut.size());
    cut.resize(record);
    sealSavedGame(cut);
    const auto path = dir / "cut.vel";
    const std::string reason =
        "the saved game holds Vaelmoric the Bold's orders under way but not the display's record of the "
        "moves they wait for: nobody would end them";
    for (const bool display : {false, true}) {
        SCOPED_TRACE(display ? "with the display" : "headless");
        platform::HeadlessPlatform os;
        VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, display ? VaelApp::Views::Shown : VaelApp::Views::None);
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        writeBytes(path, cut);
        EXPECT_FALSE(app.loadGame(path.string(), error));
        EXPECT_EQ(error, reason);
        writeBytes(path, whole);
        EXPECT_TRUE(app.loadGame(path.string(), error)) << error;
        writeBytes(path, cut);
        BattleOptions options;
        options.dataDir = VAEL_BUILD_DATA_DIR;
        options.scenario = "GHATMAR.SCN";
        options.display = display;
        options.loadFile = path.string();
        options.keepCommentary = false;
        const BattleOutcome outcome = playBattle(options);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_EQ(outcome.message, "cannot load the saved game " + path.string() + ": " + reason);
    }
}

// A save the tool took in the middle of an activation names in its description the seed and the numbers
// drawn since, which the loaded battle draws again. A description with a count no activation reaches
// (a file of somebody else's, or edited by hand) once had the load draw for ever: it is not taken for the
// tool's dice, and the battle loads and plays to its end.
TEST(CraftedSaves, ADiceCountNoActivationReachesIsNotDrawnAgain) {
    test::TempDir dir("crafted-saves");
    const auto path = dir / "dice.vel";
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 7;
    options.saveAtStep = 20;
    options.saveFile = path.string();
    options.keepCommentary = false;
    ASSERT_EQ(playBattle(options).status, BattleStatus::Ended);
    std::ifstream in(path, std::ios::binary);
    Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string error;
    ASSERT_TRUE(unsealSavedGame(file, error)) << error;
    // "vael-battle dice SEED COUNT": the seed and the count, in place, become seed 0 and a count of nines
    // (at least eight of them: past the 16,777,216 an activation is allowed).
    const std::string said = "vael-battle dice ";
    const auto at = std::search(file.begin(), file.end(), said.begin(), said.end());
    ASSERT_NE(at, file.end()) << "the save holds no dice";
    const auto numbers = at + static_cast<std::ptrdiff_t>(said.size());
    const auto end = std::find_if(numbers, file.end(), [](std::uint8_t c) { return c != ' ' && !std::isdigit(c); });
    const auto length = end - numbers;
    ASSERT_GE(length, 10) << "too few digits to write a count past the limit";
    numbers[0] = '0';
    numbers[1] = ' ';
    std::fill(numbers + 2, end, static_cast<std::uint8_t>('9'));
    sealSavedGame(file);
    writeBytes(path, file);
    options.saveAtStep = -1;
    options.saveFile.clear();
    options.loadFile = path.string();
    const BattleOutcome outcome = playBattle(options);
    EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
}

} // namespace
} // namespace vael::battle
