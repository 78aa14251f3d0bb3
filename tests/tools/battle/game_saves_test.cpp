// Saved games the game itself wrote, loaded into the battle tool. A campaign battle saved by the game, its
// map window open and its home side the player's, once stood still in the tool: with the display only the
// display's timers ticked, headless it was refused for the map views it had to open; and the tool wrote
// the battle's autosave into the player's own folder over his. The tool plays only what the computer plays
// on both sides and refuses the rest with its reason, in both modes, and writes none of the player's files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "battle_runner.h"
#include "framework/ui/dialog.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/elephant.h"
#include "game/shell/campaign.h"
#include "game/shell/vael_app.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"

namespace vael::battle {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The campaign's first battle as the game begins it, the home side the player's, with its display, saved as
// the player's Save Game saves it once the battle has begun.
void saveCampaignBattle(const std::filesystem::path& file) {
    platform::HeadlessPlatform os;
    VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::Shown);
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    std::string error;
    ASSERT_TRUE(app.campaign().begin());
    ASSERT_TRUE(app.startCampaignBattle(false, error)) << error;
    // The battle goes on until game control has set the sides' levels and Save Game would save it.
    const auto ready = [&app] {
        const GameControl* control = app.gameControl();
        return control && control->getSideTQLimit(0) > 0 && control->getSideTQLimit(1) > 0 &&
               app.saveWaitsFor().empty();
    };
    for (long tasks = 0; tasks < 3'000 && !ready(); ++tasks) {
        if (app.queuedTasks() > 0) {
            app.dispatchOne();
            continue;
        }
        if (!app.waitMessage()) break;
        app.pumpMessage();
    }
    ASSERT_TRUE(ready()) << (app.gameControl() ? app.gameControl()->getSideTQLimit(0) : -1) << " "
                         << (app.gameControl() ? app.gameControl()->getSideTQLimit(1) : -1) << " "
                         << app.saveWaitsFor();
    ASSERT_TRUE(app.saveGame(file.string(), error)) << error;
}

// Sets an environment variable for the life of the test, and puts back what was there.
struct Environment {
    Environment(const char* name, const std::string& value) : name(name) {
        if (const char* was = std::getenv(name)) previous = was, had = true;
        setenv(name, value.c_str(), 1);
    }
    ~Environment() { had ? setenv(name, previous.c_str(), 1) : unsetenv(name); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    const char* name;
    std::string previous;
    bool had = false;
};

TEST(GameSaves, ACampaignBattleTheGameSavedIsRefusedInBothModesAndThePlayersFilesStayAsTheyWere) {
    test::TempDir dir("game-saves");
    const auto saved = dir / "campaign.vel";
    const test::DataHome data((dir / "data").string());
    const Environment config("XDG_CONFIG_HOME", (dir / "config").string());
    saveCampaignBattle(saved);
    // The player's own autosave and settings, put there after the game wrote its own.
    const auto autosave = dir / "data" / "vael" / VaelApp::AutosaveName;
    const auto settings = dir / "config" / "vael" / "settings.ini";
    const std::string precious = "the player's own autosave\n";
    const std::string kept = "[User\\SOFTWARE\\Tamblor\\Vaelmoric]\n\"Volume\"=dword:00000021\n";
    writeText(autosave, precious);
    writeText(settings, kept);
    for (const bool display : {false, true}) {
        SCOPED_TRACE(display ? "with the display" : "headless");
        BattleOptions options;
        options.dataDir = VAEL_BUILD_DATA_DIR;
        options.scenario = "GHATMAR.SCN";
        options.display = display;
        options.loadFile = saved.string();
        options.keepCommentary = false;
        const BattleOutcome outcome = playBattle(options);
        EXPECT_EQ(outcome.status, BattleStatus::LoadFailed) << outcome.message;
        EXPECT_EQ(outcome.message,
                  "cannot load the saved game " + saved.string() +
                      ": the home side is the player's, and the battle tool plays only battles "
                      "the computer plays on both sides");
        const Bytes autosaveNow = readBytes(autosave);
        EXPECT_EQ(std::string(autosaveNow.begin(), autosaveNow.end()), precious);
        const Bytes settingsNow = readBytes(settings);
        EXPECT_EQ(std::string(settingsNow.begin(), settingsNow.end()), kept);
    }
}

// Between two machines the rules may end a beast's rampage as it is shown (the other machine's word came
// first): the beast is out of play, its fall counted, while the display still plays the rampage and owes
// its end. Saved so and loaded, the reply owed names a beast already gone: it is not made to rampage again,
// to fall a second time when the reply comes. Seed 42 of the demonstration battle saved with the display at
// its 31st activation shows the rampage of unit 36.
TEST(RampageSaves, ABeastOutOfPlayWhoseRampageTheDisplayStillOwesIsNotMadeToRampageAgain) {
    test::TempDir dir("rampage-saves");
    const auto shown = dir / "shown.vel", gone = dir / "gone.vel";
    BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 42;
    options.lastAIType = lastAITypeDrawing(planKindOfSeed(42));
    options.display = true;
    options.saveAt = 31;
    options.saveFile = shown.string();
    options.keepCommentary = false;
    ASSERT_EQ(playBattle(options).status, BattleStatus::Ended);
    {
        platform::HeadlessPlatform os;
        VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::Shown);
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        std::string error;
        ASSERT_TRUE(app.loadGame(shown.string(), error)) << error;
        auto* beast = dynamic_cast<Elephant*>(app.logicalLayer().findUnit(36));
        ASSERT_NE(beast, nullptr);
        ASSERT_TRUE(beast->isRampaging());
        ASSERT_TRUE(app.views()->shownViewOwesAReply());
        beast->endRampageAsShown();
        while (app.queuedTasks() > 0)
            app.dispatchOne();
        ASSERT_TRUE(beast->isOutOfPlay());
        ASSERT_TRUE(app.views()->shownViewOwesAReply());
        ASSERT_TRUE(app.saveGame(gone.string(), error)) << error;
    }
    for (const bool display : {false, true}) {
        SCOPED_TRACE(display ? "with the display" : "headless");
        platform::HeadlessPlatform os;
        VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, display ? VaelApp::Views::Shown : VaelApp::Views::None);
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        std::string error;
        ASSERT_TRUE(app.loadGame(gone.string(), error)) << error;
        // As the battle resumes, before anything of it goes on: the beast waits for no end of a rampage.
        auto* beast = dynamic_cast<Elephant*>(app.logicalLayer().findUnit(36));
        ASSERT_NE(beast, nullptr);
        EXPECT_TRUE(beast->isOutOfPlay());
        EXPECT_FALSE(beast->isRampaging());
    }
}

} // namespace
} // namespace vael::battle
