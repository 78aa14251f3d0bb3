// Saves loaded in the other mode than they were taken in. A computer leader's orders saved with the display
// wait for the ends of the moves it still played, which only the display's record of them brings: loaded
// without the display, or from a file without that record, they once waited for ever ("the battle stalled").
// Without the display the record's replies are answered at once and the battle plays to its end; a file
// without the record is refused with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "battle_runner.h"
#include "framework/core/list_walk.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"

namespace vael::battle {
namespace {

using Bytes = std::vector<std::uint8_t>;

BattleOptions demonstration(bool display) {
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 7;
    options.display = display;
    options.keepCommentary = false;
    return options;
}

Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

BattleOutcome load(const std::filesystem::path& file, bool display) {
    BattleOptions options = demonstration(display);
    options.loadFile = file.string();
    return playBattle(options);
}

// The demonstration battle's seed 7 saved at its 60th message, at the first moment from there that can be.
std::filesystem::path savedAtStep60(const test::TempDir& dir, const char* name, bool display) {
    const auto saved = dir / name;
    BattleOptions options = demonstration(display);
    options.saveAtStep = 60;
    options.saveFile = saved.string();
    const BattleOutcome taken = playBattle(options);
    EXPECT_EQ(taken.status, BattleStatus::Ended) << taken.message;
    EXPECT_GE(taken.savedAtStep, 60);
    return saved;
}

// Every leader of the loaded battle has taken up what he was loaded in (his orders, or the pause after his
// combats) and forgotten it, so that a later save of his activation does not hold it again.
void expectNoLeaderResuming(VaelLogicalLayer& layer) {
    for (const Leader* leader : each(layer.getLeaders())) {
        SCOPED_TRACE(leader->getName());
        EXPECT_FALSE(leader->resumesComputerOrders());
        EXPECT_FALSE(leader->resumesPauseAfterCombats());
    }
}

// The demonstration battle's seed 7 saved with the display at its 60th message is saved at the first moment
// from there that can be, inside Surendal's orders, while the moves he ordered play.
TEST(OtherModeSaves, AComputerLeadersOrdersSavedWithTheDisplayNeedItsRecord) {
    test::TempDir dir("other-mode-saves");
    const auto saved = savedAtStep60(dir, "orders.vel", true);
    {
        SCOPED_TRACE("with the display and its record");
        const BattleOutcome outcome = load(saved, true);
        EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
    }
    {
        SCOPED_TRACE("without the display");
        const BattleOutcome outcome = load(saved, false);
        EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
        EXPECT_FALSE(outcome.winner.empty());
    }
    // The display's record of what it had under way is the file's last: cut off and the file sealed again,
    // the rest is whole.
    Bytes bytes = readBytes(saved);
    std::string error;
    ASSERT_TRUE(unsealSavedGame(bytes, error)) << error;
    const char tag[] = "VDSA";
    const auto record = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
    ASSERT_NE(record, bytes.end());
    bytes.erase(record, bytes.end());
    sealSavedGame(bytes);
    const auto cut = dir / "unrecorded.vel";
    writeBytes(cut, bytes);
    {
        SCOPED_TRACE("with the display, without its record");
        const BattleOutcome outcome = load(cut, true);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_EQ(outcome.message, "cannot load the saved game " + cut.string() +
                                       ": the saved game holds Surendal's orders under way but not the "
                                       "display's record of the moves they wait for: nobody would end them");
    }
    {
        SCOPED_TRACE("without the display or its record");
        const BattleOutcome outcome = load(cut, false);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_EQ(outcome.message, "cannot load the saved game " + cut.string() +
                                       ": the saved game holds Surendal's orders under way but not the "
                                       "display's record of the moves they wait for: nobody would end them");
    }
}

// Ghatmar 638686, with the display or without; from a file when one is named, saving again at once into again.
BattleOutcome deepBattle(bool display, const std::filesystem::path& from = {},
                         const std::filesystem::path& again = {}) {
    BattleOptions options = demonstration(display);
    options.seed = 638686;
    options.loadFile = from.string();
    if (!again.empty()) options.saveAt = 0, options.saveFile = again.string();
    return playBattle(options);
}

void expectEndedAs(const BattleOutcome& outcome, const BattleOutcome& first) {
    ASSERT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
    EXPECT_EQ(outcome.winner, first.winner);
    EXPECT_EQ(outcome.turns, first.turns);
    EXPECT_EQ(outcome.activations, first.activations);
}

// A save taken with the display deep in a computer leader's orders loads without it and plays to its end;
// saved again at once, with the display or without it, the file keeps the replies still owed and ends the
// same loaded without the display, and loaded with it, it plays to its end too.
TEST(OtherModeSaves, AComputerLeadersOrdersSavedWithTheDisplayResumeWithoutIt) {
    test::TempDir dir("other-mode-saves");
    const auto saved = dir / "deep.vel", again = dir / "again.vel", shownAgain = dir / "shown-again.vel";
    BattleOptions taking = demonstration(true);
    taking.seed = 638686;
    taking.saveAtStep = 800;
    taking.saveFile = saved.string();
    const BattleOutcome taken = playBattle(taking);
    ASSERT_EQ(taken.status, BattleStatus::Ended) << taken.message;
    const BattleOutcome loaded = deepBattle(false, saved);
    {
        SCOPED_TRACE("loaded without the display");
        ASSERT_EQ(loaded.status, BattleStatus::Ended) << loaded.message;
        EXPECT_FALSE(loaded.winner.empty());
    }
    EXPECT_EQ(deepBattle(false, saved, again).status, BattleStatus::Ended);
    {
        SCOPED_TRACE("saved again at once without the display and loaded");
        expectEndedAs(deepBattle(false, again), loaded);
    }
    {
        SCOPED_TRACE("saved again at once without the display, loaded with it and saved again at once");
        const BattleOutcome outcome = deepBattle(true, again, shownAgain);
        EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
    }
    {
        SCOPED_TRACE("saved again at once with the display and loaded without it");
        expectEndedAs(deepBattle(false, shownAgain), loaded);
    }
}

std::uint16_t word(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

void putWord(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

// Surendal's orders under way, as the game's running-state record holds them once the save above is loaded:
// one leader (a count of 1 and his unit number), his own orders (six words, a facing of four bytes and his
// command hexes counted), then the computer's: five words, a count of four bytes, whether the box was shown,
// two units, and the units moving counted. The loaded leader has taken them up, and forgotten them as loaded.
TEST(OtherModeSaves, AComputerLeadersOrdersInTheRunningStateAreReadWholeOrRefusedWithTheirReason) {
    test::TempDir dir("other-mode-saves");
    const auto saved = savedAtStep60(dir, "orders.vel", true);
    platform::HeadlessPlatform os;
    VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::Shown);
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    test::FailedChecks checks;
    std::string error;
    ASSERT_TRUE(app.loadGame(saved.string(), error)) << error;
    VaelLogicalLayer& layer = app.logicalLayer();
    expectNoLeaderResuming(layer);
    const Leader* surendal = layer.findLeaderByName("Surendal");
    ASSERT_NE(surendal, nullptr);
    const Bytes record = runningStateRecord(layer);
    const std::uint8_t under[] = {1, 0, static_cast<std::uint8_t>(surendal->getUnitNum()),
                                  static_cast<std::uint8_t>(surendal->getUnitNum() >> 8)};
    // The orders are where those bytes begin what reads on to the record's end: the three lists of units
    // and messages, then the word of the pause after the combats (0).
    const auto computerOf = [&](std::size_t at) { return at + 22 + 2 * std::size_t{word(record, at + 20)}; };
    const auto endsThere = [&](std::size_t at) {
        std::size_t next = computerOf(at) + 20;
        for (int list = 0; list < 3 && next + 2 <= record.size(); ++list)
            next += 2 + 2 * std::size_t{word(record, next)};
        return next + 2 == record.size() && word(record, next) == 0;
    };
    std::vector<std::size_t> places;
    for (auto at = record.begin(); (at = std::search(at, record.end(), under, under + 4)) != record.end(); ++at)
        if (static_cast<std::size_t>(at - record.begin()) + 22 <= record.size() &&
            endsThere(static_cast<std::size_t>(at - record.begin())))
            places.push_back(static_cast<std::size_t>(at - record.begin()));
    ASSERT_EQ(places.size(), 1u);
    const std::size_t countAt = places[0];
    const std::size_t computerAt = computerOf(countAt);
    const std::size_t boxAt = computerAt + 14, movingAt = computerAt + 20;
    ASSERT_EQ(word(record, boxAt), 0);
    const auto read = [&](const Bytes& bytes) {
        std::string why;
        return readRunningStateRecord(layer, bytes, why) ? std::string() : why;
    };
    {
        SCOPED_TRACE("the box shown");
        Bytes shown = record;
        putWord(shown, boxAt, 1);
        EXPECT_EQ(read(shown), "");
        ASSERT_TRUE(layer.resumedComputerOrders().has_value());
        EXPECT_EQ(layer.resumedComputerOrders()->boxShown, 1);
        EXPECT_EQ(runningStateRecord(layer), shown);
        EXPECT_EQ(read(record), "");
        EXPECT_EQ(runningStateRecord(layer), record);
    }
    const struct {
        const char* what;
        std::size_t at;
        std::uint16_t value;
        std::string refusal;
    } rows[] = {
        {"two leaders", countAt, 2,
         "the saved game has 2 computer leaders giving orders at once, where one at most can"},
        {"units moving past the record", movingAt, 0xFFFF,
         "the saved game has Surendal's computer orders count 65535 units moving, more than the record holds"},
        {"the box shown twice", boxAt, 2,
         "the saved game holds a count or a flag of Surendal's computer orders that no orders reach"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes bytes = record;
        putWord(bytes, row.at, row.value);
        EXPECT_EQ(read(bytes), row.refusal);
    }
    EXPECT_EQ(checks.count(), 0u);
}

// Saved without the display, a battle is saved in the pause after a leader's combats: loaded, the leader
// waits that pause out again and forgets it, so that a later save of his activation does not hold it again.
TEST(OtherModeSaves, ALeaderLoadedInThePauseAfterHisCombatsForgetsItOnceResumed) {
    test::TempDir dir("other-mode-saves");
    const auto saved = savedAtStep60(dir, "pause.vel", false);
    Bytes bytes = readBytes(saved);
    std::string error;
    ASSERT_TRUE(unsealSavedGame(bytes, error)) << error;
    const char tag[] = "VSTA";
    const auto record = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
    ASSERT_NE(record, bytes.end());
    ASSERT_EQ(word(bytes, static_cast<std::size_t>(record - bytes.begin()) + 4), 4) << "no pause held";
    platform::HeadlessPlatform os;
    VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    ASSERT_TRUE(app.loadGame(saved.string(), error)) << error;
    expectNoLeaderResuming(app.logicalLayer());
}

// A battle saved without the display (in the pause after a leader's combats) and loaded with it plays on as
// the same game saved again at once and loaded does, its figures set down as the display part would put
// them: their setting down once played on after the load and moved the battle's replies, and Ardhun's seed
// 598330 saved at its 15th message went another way loaded plainly than saved again first.
TEST(OtherModeSaves, ASaveTakenWithoutTheDisplayLoadsWithItAsItLoadsSavedAgainAtOnce) {
    test::TempDir dir("other-mode-saves");
    const auto first = dir / "headless.vel", again = dir / "again.vel";
    BattleOptions options = demonstration(false);
    options.scenario = "ARDHUN.SCN";
    options.seed = 598330;
    options.saveAtStep = 15;
    options.saveFile = first.string();
    ASSERT_EQ(playBattle(options).status, BattleStatus::Ended);
    BattleOptions loaded = options;
    loaded.saveAtStep = -1;
    loaded.saveFile.clear();
    loaded.display = true;
    loaded.keepCommentary = true;
    loaded.loadFile = first.string();
    const BattleOutcome plain = playBattle(loaded);
    ASSERT_EQ(plain.status, BattleStatus::Ended) << plain.message;
    loaded.saveAt = 0;
    loaded.saveFile = again.string();
    const BattleOutcome saving = playBattle(loaded);
    loaded.saveAt = -1;
    loaded.saveFile.clear();
    loaded.loadFile = again.string();
    const BattleOutcome reloaded = playBattle(loaded);
    for (const BattleOutcome* other : {&saving, &reloaded}) {
        SCOPED_TRACE(other == &saving ? "saved again as it resumed" : "loaded from the file saved again");
        EXPECT_EQ(other->status, BattleStatus::Ended) << other->message;
        EXPECT_EQ(other->commentary, plain.commentary);
        EXPECT_EQ(other->winner, plain.winner);
        EXPECT_EQ(other->turns, plain.turns);
    }
}

} // namespace
} // namespace vael::battle
