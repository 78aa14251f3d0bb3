// The game as the program runs it, on the headless platform with the forged data, driven by scripted
// clicks on its dialogs: from the start dialog into a battle and out again, and a battle saved, left and
// loaded by a new start of the game.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "battle_doubles.h"
#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/clash_chart.h"
#include "game/rules/leader.h"
#include "game/shell/combat_results_dlg.h"
#include "game/shell/game_overview_dlg.h"
#include "game/shell/information_dlg.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A press and a release in the middle of a dialog's control, as the player's mouse gives them.
void click(platform::HeadlessPlatform& os, Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                client.x + b.x + b.w / 2, client.y + b.y + b.h / 2);
}

// The dialogs a battle shows on its way, each taken with its OK: messages, the turns' overviews, the rout
// levels and the elite initiative.
bool alongTheWay(const std::string& name) {
    for (const char* way : {InformationDlg::TemplateName, EndTurnDlg::TemplateName, ArmyRoutDlg::TemplateName,
                            EliteInitiativeDlg::TemplateName, VaelEliteInitiativeDlg::TemplateName,
                            OverallCombatResultsDlg::TemplateName})
        if (name == way) return true;
    return false;
}

class GameTest : public ::testing::Test {
protected:
    GameTest() {
        const char* data = std::getenv("XDG_DATA_HOME");
        if (data) previousData_ = data, hadData_ = true;
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    }
    ~GameTest() override {
        if (hadData_)
            setenv("XDG_DATA_HOME", previousData_.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    TempDir dir{"game"};

private:
    std::string previousData_;
    bool hadData_ = false;
};

TEST_F(GameTest, FromTheStartDialogABattleOfTheComputerOnBothSidesRunsToItsEndAndBackToTheStart) {
    std::srand(3);
    platform::HeadlessPlatform os;
    // A whole battle: the animations end at once (the display layers' own battles are the battle tool's).
    VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(game.app().logicalLayer());
    ASSERT_TRUE(game.ready());
    EXPECT_EQ((std::pair{os.width(), os.height()}), (std::pair{1024, 768}));
    std::vector<std::string> shown;
    int starts = 0;
    std::vector<std::uint32_t> ends;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        // A plan script of the computer may report an error of its own on the way; the battle goes on.
        if (alongTheWay(name)) return click(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName)
            click(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        else if (name == ScenarioDlg::TemplateName)
            click(os, d, Dialog::IdOk);
        else if (name == IntroDlg::TemplateName)
            click(os, d, IntroDlg::IdHomeComputer), click(os, d, Dialog::IdOk);
        else if (name == EndOfGameDlg::TemplateName)
            ends.push_back(dynamic_cast<EndOfGameDlg&>(d).nation()), click(os, d, EndOfGameDlg::IdClose);
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown,
              (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "EndOfGameDlg", "StartGame"}));
    // The computer plays both sides: the end shows the home side's picture, the Macedonians'.
    EXPECT_EQ(ends, std::vector<std::uint32_t>{1});
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_FALSE(game.app().battleRunning());
    EXPECT_EQ(game.app().caption().rfind("The Fords of Ghatmar - Turn ", 0), 0u) << game.app().caption();
}

// The player's side: each of his leaders is finished through the menu command, as the leader menu gives
// it, and the battle is saved as his leader of the third turn is activated.
struct Player {
    platform::HeadlessPlatform* os = nullptr;
    VaelGame* game = nullptr;
    bool saveAtTurnThree = false;
    bool saved = false;
    Bytes stateAtSave;
    std::int16_t turnAtSave = -1;
    Bytes stateAtResume;
    std::int16_t turnAtResume = -1;
};
Player* player = nullptr;

ContainerBase* humanActivated(Component*, BusMessage, ContainerBase*) {
    VaelApp& app = player->game->app();
    GameControl* control = app.gameControl();
    const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
    if (!leader || leader->isComputerControlled()) return nullptr;
    if (player->saveAtTurnThree && !player->saved && control->getTurn() >= 2) {
        player->saved = true;
        player->stateAtSave = saveLayerPart(app.logicalLayer());
        player->turnAtSave = control->getTurn();
        app.postMessage(WinApp::mainWindowHandle(), MessageCommand,
                        RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
        return nullptr;
    }
    app.postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
    return nullptr;
}

ContainerBase* resumed(Component* target, BusMessage event, ContainerBase* data) {
    if (player->stateAtResume.empty()) {
        player->stateAtResume = saveLayerPart(player->game->app().logicalLayer());
        player->turnAtResume = player->game->app().gameControl()->getTurn();
    }
    // The resumed leader is his: he finishes him as any other.
    return humanActivated(target, event, data);
}

TEST_F(GameTest, APlayersBattleSavedAndLeftIsLoadedByANewStartToTheSameState) {
    FailedChecks checks;
    Player first;
    player = &first;
    {
        std::srand(8);
        platform::HeadlessPlatform os;
        VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        battle::InstantAnimations instant;
        instant.attach(game.app().logicalLayer());
        first.os = &os, first.game = &game, first.saveAtTurnThree = true;
        Probe probe("Player");
        probe.setup = [](Probe& p) { p.connectNamed("ActivateLeader", humanActivated); };
        probe.attach(game.app().logicalLayer());
        std::vector<std::string> shown;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (alongTheWay(name)) return click(os, d, Dialog::IdOk);
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName) {
                click(os, d, StartGameDlg::IdStartBattle);
            } else if (name == ScenarioDlg::TemplateName) {
                click(os, d, Dialog::IdOk);
            } else if (name == IntroDlg::TemplateName) {
                click(os, d, IntroDlg::IdHomePlayer), click(os, d, Dialog::IdOk); // the home side is his
            } else if (name == LoadSaveDlg::TemplateName) {
                click(os, d, LoadSaveDlg::IdFileName);
                postText(os, "third turn");
                click(os, d, Dialog::IdOk);
                // Then the game is left by the window's close button.
                platform::Event close;
                close.kind = platform::EventKind::CloseRequest;
                os.postEvent(close);
            }
        };
        EXPECT_EQ(game.run(), 0);
        EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
        ASSERT_TRUE(first.saved);
    }
    const auto file = dir / "vael" / "third turn.vel";
    ASSERT_TRUE(std::filesystem::exists(file));

    Player second;
    player = &second;
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(game.app().logicalLayer());
    second.os = &os, second.game = &game;
    Probe probe("Player");
    probe.setup = [](Probe& p) {
        p.connectNamed("ResumeActiveLeader", resumed);
        p.connectNamed("ActivateLeader", humanActivated);
    };
    probe.attach(game.app().logicalLayer());
    std::vector<std::string> shown;
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) return click(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            click(os, d, ++starts == 1 ? StartGameDlg::IdLoadGame : StartGameDlg::IdExit);
        } else if (name == EndOfGameDlg::TemplateName) {
            click(os, d, EndOfGameDlg::IdClose);
        } else if (name == LoadSaveDlg::TemplateName) {
            // The game he saved, and the autosave of his last activation.
            DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
            ASSERT_EQ(list->rowCount(), 2);
            EXPECT_EQ(list->row(0)->text, "Autosave.vel");
            EXPECT_EQ(list->row(1)->text, "third turn.vel");
            list->select(1);
            d.command(LoadSaveDlg::IdList, ListSelectionChanged);
            click(os, d, Dialog::IdOk);
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], "StartGame");
    EXPECT_EQ(shown[1], "LoadSaveDlg");
    // The battle resumes exactly as the file holds it: the layer's part from the offset the header gives.
    const Bytes bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }();
    ASSERT_GT(bytes.size(), 12u);
    const std::size_t at = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | std::size_t(bytes[11]) << 24;
    ASSERT_LT(at, bytes.size());
    EXPECT_EQ(second.stateAtResume, Bytes(bytes.begin() + std::ptrdiff_t(at), bytes.end()));
    EXPECT_EQ(second.turnAtResume, first.turnAtSave);
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
    player = nullptr;
}

TEST_F(GameTest, ThePreferencesDialogsOKStoresTheSwitchesAndPutsThemIntoEffectAndCancelLeavesThem) {
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    bool ok = true;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        ASSERT_EQ(name, PreferencesDlg::TemplateName);
        // Sounds and the autosave off, missiles always hitting on; the debugging cheats are not offered.
        for (std::int16_t id :
             {PreferencesDlg::IdSounds, PreferencesDlg::IdAutoSave, PreferencesDlg::IdMissilesHit})
            click(os, d, id);
        EXPECT_FALSE(d.item(13)->isEnabled());
        click(os, d, ok ? Dialog::IdOk : Dialog::IdCancel);
    };
    const Preferences before = game.app().preferences();
    ok = false;
    game.editPreferences();
    EXPECT_EQ(game.app().preferences(), before);
    EXPECT_EQ(game.app().missileAutoHit(), 0);
    ok = true;
    game.editPreferences();
    Preferences expected = before;
    expected.sound = 0, expected.autoSave = 0;
    EXPECT_EQ(game.app().preferences(), expected);
    EXPECT_EQ(game.app().missileAutoHit(), 1);
    EXPECT_EQ(missileAutoHit(), 1);
    const std::string key = "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences";
    EXPECT_EQ(os.settings().readNumber(platform::Settings::Root::User, key, "Sound"), 0u);
    EXPECT_EQ(os.settings().readNumber(platform::Settings::Root::User, key, "Auto Save"), 0u);
    game.app().setMissileAutoHit(0);
}

TEST_F(GameTest, TheSavedGamesDialogListsDeletesAndRefusesToLoadAGameThatIsNotThere) {
    const auto saves = dir / "vael";
    std::filesystem::create_directories(saves);
    for (const char* name : {"b.vel", "a.VEL", "notes.txt"})
        std::ofstream(saves / name) << "x";
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    std::vector<std::vector<std::string>> listed;
    auto rows = [](Dialog& d) {
        std::vector<std::string> names;
        DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
        for (std::int32_t i = 0; i < list->rowCount(); ++i)
            names.push_back(list->row(i)->text);
        return names;
    };
    std::vector<std::string> said;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == InformationDlg::TemplateName) {
            said.push_back(d.textTile(InformationDlg::IdLine1)->text() + "|" + d.caption());
            return d.command(Dialog::IdOk, 0);
        }
        listed.push_back(rows(d));
        d.item(LoadSaveDlg::IdList)->select(1); // "b.vel"
        d.command(LoadSaveDlg::IdDelete, 0);
        listed.push_back(rows(d));
        d.item(LoadSaveDlg::IdFileName)->setText("c");
        d.command(Dialog::IdOk, 0); // no such game: said, and the dialog stays
        EXPECT_TRUE(d.isOpen());
        d.command(Dialog::IdCancel, 0);
    };
    EXPECT_FALSE(game.chooseAndLoadGame());
    EXPECT_EQ(listed, (std::vector<std::vector<std::string>>{{"a.VEL", "b.vel"}, {"a.VEL"}}));
    EXPECT_FALSE(std::filesystem::exists(saves / "b.vel"));
    EXPECT_TRUE(std::filesystem::exists(saves / "notes.txt"));
    EXPECT_EQ(said, std::vector<std::string>{"There is no saved game c.vel.|Load Game"});
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_FALSE(game.app().battleRunning());
}

} // namespace
} // namespace vael::test
