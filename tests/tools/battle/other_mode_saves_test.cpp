// Saves loaded in the other mode than they were taken in. A computer leader's orders saved with the display
// wait for the ends of the moves it still played, which only the display's record of them brings: loaded
// without the display, or from a file without that record, they once waited for ever ("the battle stalled").
// Such a file is refused with its reason; with the display and its record it plays to its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "battle_runner.h"
#include "game/flow/saved_game.h"
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

// The demonstration battle's seed 7 saved with the display at its 60th message is saved at the first moment
// from there that can be, inside Surendal's orders, while the moves he ordered play.
TEST(OtherModeSaves, AComputerLeadersOrdersSavedWithTheDisplayNeedItAndItsRecord) {
    test::TempDir dir("other-mode-saves");
    const auto saved = dir / "orders.vel";
    BattleOptions options = demonstration(true);
    options.saveAtStep = 60;
    options.saveFile = saved.string();
    const BattleOutcome taken = playBattle(options);
    ASSERT_EQ(taken.status, BattleStatus::Ended) << taken.message;
    ASSERT_GE(taken.savedAtStep, 60);
    {
        SCOPED_TRACE("with the display and its record");
        const BattleOutcome outcome = load(saved, true);
        EXPECT_EQ(outcome.status, BattleStatus::Ended) << outcome.message;
    }
    {
        SCOPED_TRACE("without the display");
        const BattleOutcome outcome = load(saved, false);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed);
        EXPECT_EQ(outcome.message, "cannot load the saved game " + saved.string() +
                                       ": the saved game was taken with the display in the middle of "
                                       "Surendal's orders, which wait for moves only the display ends: it loads "
                                       "with the display alone");
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
    }
}

} // namespace
} // namespace vael::battle
