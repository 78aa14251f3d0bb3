// The game assembled on the headless platform with the forged data: battles from their start to the
// end-of-game dialog, saving and loading, the autosave, bad saved games, and the preferences in effect.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <tuple>
#include <typeinfo>

#include "battle_doubles.h"
#include "framework/core/registered_message.h"
#include "framework/display/application_palette.h"
#include "framework/display/palette_animator.h"
#include "framework/display/physical_layer.h"
#include "game/figures/display_catalogue.h"
#include "game/figures/p_archer.h"
#include "game/figures/p_lancer.h"
#include "game/figures/p_leader.h"
#include "game/figures/p_mounted_javelinist.h"
#include "game/figures/p_phalanx.h"
#include "game/figures/projectile_images.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_physical_layer.h"
#include "game/map/vael_sprite.h"
#include "game/rules/combat/clash_chart.h"
#include "game/shell/layer_viewports.h"
#include "game/shell/vael_app.h"
#include "game/shell/vael_toolbar.h"
#include "game/sound/vael_sound_manager.h"
#include "platform/headless/headless_audio_output.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/file_bytes.h"
#include "support/linked_data.h"
#include "support/shell/run_until.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Root = platform::Settings::Root;
constexpr const char* Demonstration = "GHATMAR.SCN";

// The saved games go to a directory of the test's own.
class ShellTest : public ::testing::Test {
protected:
    ShellTest() { VaelApp::writeInstallSettings(os.settings(), VAEL_BUILD_DATA_DIR); }
    // Runs the game's messages until done() or nothing is left to do; false when it stopped short.
    static bool runUntil(VaelApp& app, const std::function<bool()>& done, long cap = 3'000'000) {
        return test::runUntil(app, done, cap);
    }

    TempDir dir{"shell"};
    platform::HeadlessPlatform os;
    DataHome home{dir.path().string()};
};

TEST_F(ShellTest, WithBothSidesToTheComputerTheBattleRunsToTheEndOfGameDialogAndCloses) {
    std::srand(3);
    // A whole battle: the animations end at once (the display layers' own battles are the battle tool's).
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(app.logicalLayer());
    std::vector<std::pair<std::uint32_t, bool>> shown;
    std::string titleShown;
    int closed = 0;
    app.endOfGameDialog = [&](std::uint32_t nation, bool won) { shown.emplace_back(nation, won); };
    app.onBattleClosed = [&] { ++closed; };
    app.onTitle = [&](const std::string& title) { titleShown = title; };
    std::string error;
    ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error)) << error;
    const std::uint32_t home = app.logicalLayer().getHomeNation();
    EXPECT_EQ(titleShown, "The Fords of Ghatmar");
    ASSERT_TRUE(runUntil(app, [&] { return !shown.empty(); }));
    GameControl* control = app.gameControl();
    ASSERT_NE(control, nullptr);
    // The computer played both sides: this machine's is the home side.
    EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, bool>>{{home, control->getWinner() == home}}));
    EXPECT_NE(control->getWinner(), 0u);
    EXPECT_EQ(app.caption(), "The Fords of Ghatmar - Turn " + std::to_string(control->getTurn() + 1));
    ASSERT_TRUE(runUntil(app, [&] { return closed == 1; }));
    EXPECT_FALSE(app.battleRunning());
    EXPECT_TRUE(app.logicalLayer().getLeaders().isEmpty());
    EXPECT_EQ(shown.size(), 1u);
}

// The end picture is that of the side the player here plays, the side of his leaders' nation: a nation of
// neither side's (a scenario from elsewhere) is the home side's, and the home side's win is his.
TEST_F(ShellTest, TheEndPictureIsOfTheSideOfThePlayersLeaders) {
    const struct Row {
        const char* what;
        std::uint32_t nation; // given to the player's leaders; 0 leaves them as they are
        bool visitorPicture;
    } rows[] = {
        {"the home nation", 0, false}, {"a nation of neither side", 5, false}, {"the visitor's", 3, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::srand(3);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        std::vector<std::pair<std::uint32_t, bool>> shown;
        app.endOfGameDialog = [&](std::uint32_t nation, bool won) { shown.emplace_back(nation, won); };
        std::string error;
        ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, false, true, error)) << error;
        VaelLogicalLayer& layer = app.logicalLayer();
        ASSERT_EQ(layer.getHomeNation(), 1u);
        ASSERT_EQ(layer.getVisitorNation(), 3u);
        for (Leader* leader : each(layer.getLocalLeaders()))
            if (!layer.isComputerLeader(leader) && row.nation) leader->setNation(row.nation);
        Container<short> homeWon(1);
        layer.sendNamed("GameEnded", &homeWon);
        ASSERT_TRUE(runUntil(app, [&] { return !shown.empty(); }));
        EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, bool>>{
                             {row.visitorPicture ? 3u : 1u, !row.visitorPicture}}));
    }
}

// The battle after the activation given, with the activations counted by a probe on the battle's bus.
struct Stopper {
    explicit Stopper(VaelApp& app) {
        probe.setup = [this](Probe& p) {
            p.connectNamed("ActivateLeader",
                           [](Component* target, BusMessage, ContainerBase*) -> ContainerBase* {
                               ++static_cast<Probe*>(target)->connectCount;
                               return nullptr;
                           });
        };
        probe.attach(app.logicalLayer());
        base = probe.connectCount;
    }
    int activations() const { return probe.connectCount - base; }
    Probe probe{"Activations"};
    int base = 0;
};

// The battle saved as its third leader is activated, and the state of its layer then.
struct Snapshot {
    VaelApp* app = nullptr;
    std::string file;
    int activations = 0;
    Bytes part;
    std::int16_t turn = -1;
    void take() {
        part = saveLayerPart(app->logicalLayer());
        turn = app->gameControl()->getTurn();
    }
};
Snapshot* snapshot = nullptr;

ContainerBase* saveAtThird(Component*, BusMessage, ContainerBase*) {
    if (++snapshot->activations != 3) return nullptr;
    std::string error;
    EXPECT_TRUE(snapshot->app->saveGame(snapshot->file, error)) << error;
    snapshot->take();
    return nullptr;
}

ContainerBase* resumed(Component*, BusMessage, ContainerBase*) {
    if (snapshot->turn < 0) snapshot->take();
    return nullptr;
}

TEST_F(ShellTest, ASavedBattleLoadsIntoAFreshGameToTheSameStateAndHeaderBytes) {
    const auto file = dir / "battle.vel";
    Snapshot saved;
    saved.file = file.string();
    snapshot = &saved;
    {
        std::srand(11);
        VaelApp app(os, VAEL_BUILD_DATA_DIR);
        saved.app = &app;
        app.endOfGameDialog = [](std::uint32_t, bool) {};
        Probe probe("Saver");
        probe.setup = [](Probe& p) { p.connectNamed("ActivateLeader", saveAtThird); };
        probe.attach(app.logicalLayer());
        std::string error;
        ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error)) << error;
        ASSERT_TRUE(runUntil(app, [&] { return saved.turn >= 0; }));
    }
    const Bytes bytes = readBytes(file);
    // The layer's part begins after the header (16), the two closed views (4), the scenario (6 + 11) and
    // the mark of a checked save (6). The first two words are where the display's parts follow the layer's:
    // the landscape's block and the display layers' table, both past the layer's part.
    const Bytes head{43,  0,   0,   0,   20,  0,   0,   0,   0,   0,   0,   0,   10,  0,   0,   0, 11, 0,
                     'G', 'H', 'A', 'T', 'M', 'A', 'R', '.', 'S', 'C', 'N', 'V', 'C', 'H', 'K', 0, 0};
    ASSERT_GT(bytes.size(), head.size() + 8);
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 8 + std::ptrdiff_t(head.size())), head);
    const std::size_t block = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::size_t(bytes[3]) << 24;
    const std::size_t table = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | std::size_t(bytes[7]) << 24;
    EXPECT_GT(table, 43u);
    EXPECT_GT(block, table);
    EXPECT_LT(block, bytes.size());

    Snapshot loaded;
    snapshot = &loaded;
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    loaded.app = &app;
    Probe probe("Resumer");
    probe.setup = [](Probe& p) { p.connectNamed("ResumeActiveLeader", resumed); };
    probe.attach(app.logicalLayer());
    std::string error;
    ASSERT_TRUE(app.loadGame(file.string(), error)) << error;
    EXPECT_TRUE(app.battleRunning());
    EXPECT_EQ(app.scenarioFile(), Demonstration);
    EXPECT_EQ(loaded.turn, saved.turn);
    EXPECT_EQ(loaded.part, saved.part);
    snapshot = nullptr;
}

std::vector<Bytes>* resumedParts = nullptr;
VaelApp* resumedApp = nullptr;
ContainerBase* noteResumed(Component*, BusMessage, ContainerBase*) {
    resumedParts->push_back(saveLayerPart(resumedApp->logicalLayer()));
    return nullptr;
}

// The layer's part of a saved game: from the offset the header's third word gives to the display's part,
// whose table's offset the second word gives (the end of the file when there is none).
Bytes layerPartOf(const Bytes& file) {
    const std::size_t at = file[8] | file[9] << 8 | file[10] << 16 | std::size_t(file[11]) << 24;
    const std::size_t table = file[4] | file[5] << 8 | file[6] << 16 | std::size_t(file[7]) << 24;
    const std::size_t end = table > at && table <= file.size() ? table : file.size();
    return Bytes(file.begin() + std::ptrdiff_t(at), file.begin() + std::ptrdiff_t(end));
}

TEST_F(ShellTest, ABadSavedGameIsRefusedWithItsReasonAndTheBattleGoesOnFromWhereItWas) {
    std::srand(5);
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    app.endOfGameDialog = [](std::uint32_t, bool) {};
    std::vector<Bytes> resumed;
    resumedParts = &resumed, resumedApp = &app;
    Probe probe("Resumptions");
    probe.setup = [](Probe& p) { p.connectNamed("ResumeActiveLeader", noteResumed); };
    probe.attach(app.logicalLayer());
    std::string error;
    ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, true, true, error)) << error;
    Stopper stop(app);
    ASSERT_TRUE(runUntil(app, [&] { return stop.activations() >= 2; }));
    const auto good = dir / "good.vel";
    ASSERT_TRUE(app.saveGame(good.string(), error)) << error;
    // Each file is checked again after its change, so that its parts' own checks are what see it.
    Bytes saved = readBytes(good);
    saved.resize(saved.size() - 8);

    Bytes otherBattle = saved;
    otherBattle[26] = 'X'; // "XHATMAR.SCN"
    Bytes inAFolder = saved;
    inAFolder[27] = '/'; // "G/ATMAR.SCN"
    // The normal view's count of map windows (u16 at offset 16): more than a view holds is refused.
    Bytes manyViews = saved;
    manyViews[17] = 1; // 0x0100
    Bytes oneTooMany = saved;
    oneTooMany[16] = LayerViewports::MostWindows + 1;
    Bytes cutPart(saved.begin(), saved.end() - 10);
    const struct {
        const char* what;
        Bytes bytes;
        std::string error;
        std::size_t checks; // the failed checks the attempt reports
    } rows[] = {
        {"empty", {}, "the saved game has no header", 0},
        // A battle the data folder lacks is the file's fault: refused as it is, no check of the data failed.
        {"another battle", otherBattle,
         "the saved game names the battle \"XHATMAR.SCN\", which the scenario folder " VAEL_BUILD_DATA_DIR
         " does not hold",
         0},
        {"a battle in a folder", inAFolder,
         "the saved game names the battle \"G/ATMAR.SCN\", which is not a file name of the scenario folder", 0},
        {"256 map views", manyViews, "the saved game has 256 map views to open in one view", 0},
        {"33 map views", oneTooMany, "the saved game has 33 map views to open in one view", 0},
        {"the layer's part cut", cutPart, "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        FailedChecks checks;
        // Where the battle stands now, as the game saves it.
        const auto now = dir / "now.vel";
        ASSERT_TRUE(app.saveGame(now.string(), error)) << error;
        const std::size_t resumptions = resumed.size();
        const auto file = dir / "bad.vel";
        Bytes bytes = row.bytes;
        if (!bytes.empty()) sealSavedGame(bytes);
        writeBytes(file, bytes);
        error.clear();
        EXPECT_FALSE(app.loadGame(file.string(), error));
        if (row.error.empty())
            EXPECT_FALSE(error.empty());
        else
            EXPECT_EQ(error, row.error);
        EXPECT_EQ(checks.count(), row.checks);
        ASSERT_TRUE(app.battleRunning());
        // Refused before the battle was touched, or the battle was put back as it stood and resumed.
        if (resumed.size() == resumptions) {
            EXPECT_EQ(saveLayerPart(app.logicalLayer()), layerPartOf(readBytes(now)));
        } else {
            ASSERT_EQ(resumed.size(), resumptions + 1);
            EXPECT_EQ(resumed.back(), layerPartOf(readBytes(now)));
        }
    }
    const Bytes before = saveLayerPart(app.logicalLayer());
    error.clear();
    EXPECT_FALSE(app.loadGame((dir / "nosuch.vel").string(), error));
    EXPECT_EQ(error, "cannot open " + (dir / "nosuch.vel").string() + ": No such file or directory");
    EXPECT_EQ(saveLayerPart(app.logicalLayer()), before);
    resumedParts = nullptr, resumedApp = nullptr;
}

TEST_F(ShellTest, AHumanLeadersActivationIsAutosavedExactlyWhileTheAutosaveIsOn) {
    for (const std::uint32_t autoSave : {1u, 0u}) {
        SCOPED_TRACE(autoSave);
        std::filesystem::remove_all(dir / "vael");
        std::srand(2);
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        battle::InstantAnimations instant;
        instant.attach(app.logicalLayer());
        Preferences p = app.preferences();
        p.autoSave = autoSave;
        app.setPreferences(p);
        std::string error;
        // The player takes the home side; the game waits for his orders once his leader is active.
        ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, false, true, error)) << error;
        runUntil(
            app, [] { return false; }, 200'000);
        const auto autosave = dir / "vael" / VaelApp::AutosaveName;
        EXPECT_EQ(std::filesystem::exists(autosave), autoSave == 1);
        if (autoSave) {
            VaelApp again(os, VAEL_BUILD_DATA_DIR);
            EXPECT_TRUE(again.loadGame(autosave.string(), error)) << error;
        }
    }
}

TEST_F(ShellTest, PreferencesAreStoredAndTakeEffectAtOnce) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    std::vector<short> sparse;
    static std::vector<short>* heard = nullptr;
    heard = &sparse;
    Probe probe("Landscape");
    probe.setup = [](Probe& p) {
        p.connectNamed("ToggleSparseLandscape",
                       [](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
                           short v = -1;
                           Container<short>::fromMessage(data, v);
                           heard->push_back(v);
                           return nullptr;
                       });
    };
    probe.attach(app);
    Preferences p = app.preferences();
    p.volume = 40;
    app.setPreferences(p); // the trees unchanged: nothing said
    p.sparseTrees = 1;
    app.setPreferences(p);
    app.drainQueue();
    EXPECT_EQ(sparse, std::vector<short>{1});
    EXPECT_EQ(os.settings().readNumber(Root::User, "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences", "Volume"),
              40u);
    EXPECT_EQ(
        os.settings().readNumber(Root::User, "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences", "Sparse Trees"),
        1u);
    // The sound preferences reach the sound manager.
    EXPECT_EQ((std::tuple{app.soundManager().soundEnabled(), app.soundManager().ambientEnabled(),
                          app.soundManager().volume()}),
              (std::tuple{true, true, 40}));
    p.sound = 0, p.ambientSound = 0, p.volume = 0;
    app.setPreferences(p);
    EXPECT_EQ((std::tuple{app.soundManager().soundEnabled(), app.soundManager().ambientEnabled(),
                          app.soundManager().volume()}),
              (std::tuple{false, false, 0}));
    app.setMissileAutoHit(1);
    EXPECT_EQ(missileAutoHit(), 1);
    app.setMissileAutoHit(0);
    EXPECT_EQ(missileAutoHit(), 0);
    heard = nullptr;
}

TEST_F(ShellTest, WithAnAudioOutputTheGameIsHeardAtTheVolumeOfItsPreferences) {
    platform::HeadlessAudioOutput audio;
    {
        VaelApp app(os, VAEL_BUILD_DATA_DIR, &audio);
        EXPECT_EQ(VaelSoundManager::instance(), &app.soundManager());
        Preferences p = app.preferences();
        p.volume = 50;
        app.setPreferences(p);
        // 50 of the preferences' 100 is 64 of the output's 128.
        EXPECT_EQ(audio.volume, 64);
        app.soundManager().playCheer();
        EXPECT_FALSE(audio.plays().empty());
        p.sound = 0;
        app.setPreferences(p);
        const std::size_t heard = audio.plays().size();
        app.soundManager().playCheer();
        EXPECT_EQ(audio.plays().size(), heard);
    }
    EXPECT_EQ(VaelSoundManager::instance(), nullptr);
}

TEST_F(ShellTest, TheMenuCommandsArriveUnderTheirFixedIds) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    const std::pair<std::uint16_t, const char*> ids[] = {
        {209, "LeaderCenterOnLeader"}, {212, "LeaderGroupMove"},  {213, "RallyUnit"},
        {214, "RestoreCohesion"},      {219, "MissleVolley"},     {220, "RotateLeft"},
        {221, "RotateRight"},          {222, "UnitCenterOnUnit"}, {224, "LeaderFinishLeader"},
        {225, "UnitViewDetails"},      {228, "FileOpenGame"},     {229, "GameOverview"},
        {230, "FilePreferences"},      {235, "UnitAboutFace"},    {249, "FileStartGame"},
    };
    for (const auto& [id, name] : ids) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RegisteredMessage::getId(name), id);
    }
}

TEST_F(ShellTest, TheDataDirectoryComesFromTheSettingsAndKindFourIsAlwaysTheInstallations) {
    os.settings().writeText(Root::Machine, "SOFTWARE\\Tamblor\\Vaelmoric", "Path", dir.path().string());
    FailedChecks checks;
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    // The application reads the index as it starts; there is none in an empty directory (nor the map file
    // the display layers' landscapes then look their pictures up in).
    EXPECT_FALSE(app.hasImageIndex());
    ASSERT_FALSE(checks.texts.empty());
    EXPECT_EQ(checks.texts.front().rfind("Can't find " + (dir.path() / "oiffile.hed").string(), 0), 0u)
        << checks.texts.front();
    const std::size_t atStart = checks.texts.size();
    EXPECT_EQ(app.dataPath(9), dir.path().string());
    EXPECT_EQ(app.getDirectory(4), dir.path().string());
    EXPECT_FALSE(app.readImageIndex());
    EXPECT_EQ(checks.texts.size(), atStart + 1);
}

// The first start's defaults on a machine whose settings cannot be written: a file where the settings'
// folder should be. Each default is held in memory whatever became of the other, and the game starts on
// them, without a failed check (the palette's name reaching the palette reader empty).
TEST_F(ShellTest, AFailedFirstStoreOfTheSettingsLeavesEveryDefaultInPlaceAndTheGameStarts) {
    std::ofstream(dir / "config") << "a file where a folder should be";
    platform::HeadlessPlatform unwritable(dir / "config" / "vael" / "settings.ini");
    VaelApp::writeInstallSettings(unwritable.settings(), VAEL_BUILD_DATA_DIR);
    const std::string key = "SOFTWARE\\Tamblor\\Vaelmoric";
    EXPECT_EQ(unwritable.settings().readText(Root::Machine, key, "Path"), std::string(VAEL_BUILD_DATA_DIR));
    EXPECT_EQ(unwritable.settings().readText(Root::Machine, key, "Palette"), std::string("VAEL.PAL"));
    EXPECT_NE(unwritable.settings().writeError(), "");
    FailedChecks checks;
    VaelApp app(unwritable, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    EXPECT_EQ(checks.count(), 0u) << checks.texts.front();
    EXPECT_EQ(app.dataPath(9), VAEL_BUILD_DATA_DIR);
}

// VAEL_DATA for the length of a case, put back as it was after it.
struct DataEnvironment {
    explicit DataEnvironment(const std::string& path) {
        if (const char* data = std::getenv("VAEL_DATA")) previous = data, had = true;
        setenv("VAEL_DATA", path.c_str(), 1);
    }
    ~DataEnvironment() { had ? setenv("VAEL_DATA", previous.c_str(), 1) : unsetenv("VAEL_DATA"); }
    DataEnvironment(const DataEnvironment&) = delete;
    DataEnvironment& operator=(const DataEnvironment&) = delete;
    std::string previous;
    bool had = false;
};

// A first start with VAEL_DATA set plays the data it names, and writes no "Path" that would hide it: the
// next start without it takes the build's data. A "Path" the settings hold comes before VAEL_DATA, and a
// VAEL_DATA naming no folder is told by name, as such a "Path" is. The palette, the first file the program
// reads, comes from that data too, not from the folder the program was started in.
TEST_F(ShellTest, VaelDataIsTheDataOfAFirstStartAndIsNotWrittenAsThePath) {
    const std::string key = "SOFTWARE\\Tamblor\\Vaelmoric";
    const LinkedData copy(dir / "copy vael", VAEL_BUILD_DATA_DIR);
    const auto file = dir / "first" / "settings.ini";
    {
        const DataEnvironment data(copy.path());
        platform::HeadlessPlatform first(file);
        VaelApp::writeInstallSettings(first.settings(), VAEL_BUILD_DATA_DIR);
        EXPECT_EQ(first.settings().readText(Root::Machine, key, "Path"), std::nullopt);
        EXPECT_EQ(first.settings().readText(Root::Machine, key, "Palette"), std::string("VAEL.PAL"));
        FailedChecks checks;
        installApplicationPalette();
        {
            VaelApp app(first, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
            EXPECT_EQ(checks.texts, std::vector<std::string>{});
            EXPECT_NE(app.getPalette(), nullptr);
            EXPECT_EQ(app.dataPath(9), copy.path());
        }
        WinApp::setPaletteMaker(nullptr, nullptr);
    }
    {
        platform::HeadlessPlatform later(file);
        VaelApp::writeInstallSettings(later.settings(), VAEL_BUILD_DATA_DIR);
        EXPECT_EQ(later.settings().readText(Root::Machine, key, "Path"), std::string(VAEL_BUILD_DATA_DIR));
        // Chosen once, the Path stays the game's data whatever VAEL_DATA says.
        const DataEnvironment data(copy.path());
        VaelApp::writeInstallSettings(later.settings(), VAEL_BUILD_DATA_DIR);
        VaelApp app(later, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        EXPECT_EQ(app.dataPath(9), VAEL_BUILD_DATA_DIR);
    }
    const DataEnvironment nowhere((dir / "nowhere").string());
    platform::HeadlessPlatform fresh(dir / "fresh" / "settings.ini");
    FailedChecks checks;
    VaelApp::writeInstallSettings(fresh.settings(), VAEL_BUILD_DATA_DIR);
    EXPECT_EQ(checks.texts, std::vector<std::string>{"The data folder " + (dir / "nowhere").string() +
                                                     " is not there  Abort?"});
}

// The application assembles the battle's display: the prototypes of the display classes, one per type id,
// before any unit; the two views' layers known to the sprites; and all of it gone with the application.
TEST_F(ShellTest, TheTwoViewsLayersAndTheDisplayPrototypesLiveAsLongAsTheApplication) {
    {
        VaelApp app(os, VAEL_BUILD_DATA_DIR);
        ASSERT_NE(app.views(), nullptr);
        EXPECT_TRUE(app.hasImageIndex());
        EXPECT_EQ(PhysicalLayer::liveLayers(), 2);
        EXPECT_EQ(VaelSprite::physicalLayer(0), &app.views()->normal());
        EXPECT_EQ(VaelSprite::physicalLayer(1), &app.views()->reversed());
        EXPECT_EQ(app.views()->normal().layerId(), 0);
        EXPECT_EQ(app.views()->reversed().layerId(), 4);
        // The catalogue's classes, with their archives at three sizes.
        const struct {
            std::uint16_t id;
            const std::type_info& made;
            const char* archive;
        } rows[] = {{0, typeid(PLeader), "Vaelmoric"},
                    {10, typeid(PArcher), "Macedonian Archers"},
                    {36, typeid(PArcher), "Indian Archers"},
                    {39, typeid(PMountedJavelinist), "Indian Light Cavalry"},
                    {17, typeid(PPhalanx), "Macedonian Phalanx"},
                    {44, typeid(PLancer), "Macedonian Cataphracts"}};
        for (const auto& r : rows) {
            SCOPED_TRACE(r.id);
            auto* prototype = dynamic_cast<VaelPhysicalObject*>(PhysicalLayer::prototype(r.id));
            ASSERT_NE(prototype, nullptr);
            EXPECT_EQ(typeid(*prototype), r.made);
            EXPECT_EQ(prototype->normalSizeArtwork()->name(), r.archive);
            EXPECT_EQ(prototype->quarterSizeArtwork()->name(), std::string(r.archive) + " (Quarter size)");
            // The archive is found through the image index: its pictures are there.
            EXPECT_GT(prototype->normalSizeArtwork()->groupCount(), 0);
        }
        ASSERT_NE(PhysicalLayer::prototype(DisplayCatalogue::TypeIdCount - 1), nullptr);
        EXPECT_EQ(PhysicalLayer::prototype(DisplayCatalogue::TypeIdCount), nullptr);
        // The projectiles and the flags are loaded with the shared artwork.
        EXPECT_NE(projectileImageSet(0, 0), nullptr);
        EXPECT_NE(projectileImageSet(4, 2), nullptr);
    }
    EXPECT_EQ(PhysicalLayer::liveLayers(), 0);
    EXPECT_EQ(PhysicalLayer::prototype(0), nullptr);
    EXPECT_EQ(VaelSprite::physicalLayer(0), nullptr);
    EXPECT_EQ(VaelSprite::physicalLayer(1), nullptr);
    EXPECT_EQ(projectileImageSet(0, 0), nullptr);
}

TEST_F(ShellTest, WithoutViewsNoLayerPrototypeOrArtworkIsMade) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    EXPECT_EQ(app.views(), nullptr);
    EXPECT_FALSE(app.hasImageIndex());
    EXPECT_EQ(PhysicalLayer::liveLayers(), 0);
    EXPECT_EQ(PhysicalLayer::prototype(0), nullptr);
    EXPECT_EQ(projectileImageSet(0, 0), nullptr);
}

// Every unit and leader of the demonstration battle gets its display object in both views as the scenario
// loads, and closing the battle takes them all away again.
TEST_F(ShellTest, EachUnitOfTheBattleIsShownInBothViewsUntilTheBattleCloses) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    std::string error;
    ASSERT_TRUE(app.startBattle(Demonstration, VaelApp::CustomScenario, false, true, error)) << error;
    const int units = app.logicalLayer().getUnits().count() + app.logicalLayer().getLeaders().count();
    ASSERT_GT(units, 0);
    EXPECT_EQ(app.views()->normal().objects().count(), units);
    EXPECT_EQ(app.views()->reversed().objects().count(), units);
    app.closeBattle();
    EXPECT_EQ(app.views()->normal().objects().count(), 0);
    EXPECT_EQ(app.views()->reversed().objects().count(), 0);
}

TEST_F(ShellTest, TheWatersFourFramesMoveItsShadesOnTwoAFrame) {
    VaelApp app(os, VAEL_BUILD_DATA_DIR);
    PaletteAnimator* water = app.paletteAnimator();
    ASSERT_NE(water, nullptr);
    const struct {
        std::int16_t frame, index;
        PaletteEntry colour;
    } rows[] = {
        {0, 202, {25, 60, 130, PC_RESERVED}},  // shade 0
        {0, 210, {73, 140, 202, PC_RESERVED}}, // shade 8, the last
        {1, 202, {37, 80, 148, PC_RESERVED}},  // shade 2
        {1, 209, {25, 60, 130, PC_RESERVED}},  // shade 9 wraps to 0
        {3, 210, {55, 110, 175, PC_RESERVED}}, // shade 14 is 5
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.frame) + " " + std::to_string(row.index));
        EXPECT_EQ(water->entry(row.frame, row.index), row.colour);
    }
}

} // namespace
} // namespace vael::test
