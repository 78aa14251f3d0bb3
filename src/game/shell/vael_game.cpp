#include "game/shell/vael_game.h"

#include <filesystem>
#include <system_error>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/display/application_palette.h"
#include "framework/display/window_pictures.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_font.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/phase_handlers.h"
#include "game/flow/side_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/rules/leader.h"
#include "game/rules/logical_map_file.h"
#include "game/rules/scenario_records.h"
#include "game/rules/vael_unit.h"
#include "game/shell/combat_results_dlg.h"
#include "game/shell/game_overview_dlg.h"
#include "game/shell/leader_cheat_dlg.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "game/shell/view_unit_dlg.h"

namespace vael {

// The menu commands and tool-bar buttons of the game, and the start dialog's message.
class VaelGame::Commands : public Component {
public:
    explicit Commands(VaelGame& game) : Component("Vael Commands"), game_(game) {}
    void connectHandlers() override {
        connectNamed("ShowMainDlg", onShowMain);
        connectNamed("FileStartGame", onStartGame);
        connectNamed("FileOpenGame", onOpenGame);
        connectNamed(VaelToolbar::SaveCommand, onSaveGame);
        connectNamed("FilePreferences", onPreferences);
    }

private:
    static VaelGame& game(Component* target) { return static_cast<Commands*>(target)->game_; }
    static ContainerBase* onShowMain(Component* target, BusMessage, ContainerBase*) {
        game(target).showMainDialog();
        return nullptr;
    }
    static ContainerBase* onStartGame(Component* target, BusMessage, ContainerBase*) {
        game(target).chooseAndStartBattle();
        return nullptr;
    }
    static ContainerBase* onOpenGame(Component* target, BusMessage, ContainerBase*) {
        game(target).chooseAndLoadGame();
        return nullptr;
    }
    static ContainerBase* onSaveGame(Component* target, BusMessage, ContainerBase*) {
        game(target).chooseAndSaveGame();
        return nullptr;
    }
    static ContainerBase* onPreferences(Component* target, BusMessage, ContainerBase*) {
        game(target).editPreferences();
        return nullptr;
    }
    VaelGame& game_;
};

VaelGame::VaelGame(platform::Platform& platform, const std::string& fallbackData,
                   platform::AudioOutput* audio, VaelApp::Views views) {
    installApplicationPalette();
    installWindowPictures();
    installSystemFont();
    VaelApp::writeInstallSettings(platform.settings(), fallbackData);
    app_ = std::make_unique<VaelApp>(platform, fallbackData, audio, views);
    // The frame's size is its client area's; the menu bar above it makes up the platform's window.
    frame_ = std::make_unique<VaelMainWindow>(Dim(FrameWidth, FrameHeight - MenuTracker::BarHeight));
    if (!frame_->hwnd()) return;
    frame_->attach(*app_);
    statusBar_ = std::make_unique<WindowsStatusBar>("Vael Status Bar", frame_->hwnd(), Point(20, 11), 2,
                                                    "Vael Status Bar");
    statusBar_->attach(*app_);
    frame_->setStatusBar(statusBar_.get());
    toolbar_ = std::make_unique<VaelToolbar>(frame_->hwnd());
    toolbar_->attach(*app_);
    frame_->setToolbar(toolbar_.get());
    commands_ = std::make_unique<Commands>(*this);
    commands_->attach(*app_);
    app_->onDialog = [this](Dialog& dialog, const std::string& name) {
        if (onDialog) onDialog(dialog, name);
    };
    // The turn's overview is the player's to close, with each army's details behind it.
    PhaseDialogs phases = app_->logicalLayer().getPhaseDialogs();
    phases.gameOverview = [this](const EndOfGameResults& results) { showGameOverview(results); };
    // There is no video to play: the dialog shows its frame and closes at the end of the empty clip.
    phases.video = [this](const std::string& file) {
        VideoDlg video(file, onDialog);
        video.attach(*app_);
        video.create(VideoDlg::TemplateName, Dialog::Modal);
    };
    phases.scenario = [this] { return app_->getScenario(); };
    app_->logicalLayer().setPhaseDialogs(std::move(phases));
    // Who plays the sides is asked of the player here; the layer has no dialogs of its own.
    SideControlServices& sides = app_->logicalLayer().getSideControlServices();
    sides.armyRoutDialog =
        [this](const ArmyRoutRequest& request) -> std::optional<std::pair<std::uint16_t, std::uint16_t>> {
        ArmyRoutDlg rout(request, onDialog);
        rout.attach(*app_);
        if (rout.create(ArmyRoutDlg::TemplateName, Dialog::Modal) != 1) return std::nullopt;
        return std::pair{rout.homeLevel(), rout.visitorLevel()};
    };
    sides.eliteInitDialog = [this](const List<Leader*>& leaders) {
        std::vector<std::string> names;
        for (Leader* leader : each(leaders))
            names.push_back(leader->getName());
        EliteInitiativeDlg choose(names, onDialog);
        choose.attach(*app_);
        return choose.create(EliteInitiativeDlg::TemplateName, Dialog::Modal) == 1 ? choose.chosen()
                                                                                   : std::string();
    };
    sides.vaelEliteInitDialog = [this]() -> std::int32_t {
        VaelEliteInitiativeDlg ask(onDialog);
        ask.attach(*app_);
        return ask.create(VaelEliteInitiativeDlg::TemplateName, Dialog::Modal);
    };
    // The leader-order test switch asks the tester who goes next.
    app_->logicalLayer().setLeaderOrderDialog(
        [this](const DynArray<LeaderUnitInfo>& leaders, const DynArray<short>& gone, std::int16_t count) {
            return askLeaderOrder(*app_, leaders, gone, count, onDialog);
        });
    // The unit menu's "View Details..." shows the unit's overview.
    VaelUnit::setDetailsView([this](VaelUnit& unit) { showUnitOverview(*app_, unit, onDialog); });
    // The combats' results stand beside the battle until the player closes them.
    GameFlowDialogs flow = app_->logicalLayer().getDialogs();
    flow.overallCombatResults = [this](VaelLogicalLayer& layer, const List<SingleCombatResult>& results) {
        combatResults_ = std::make_unique<OverallCombatResultsDlg>(results, onDialog);
        combatResults_->attach(layer);
        combatResults_->create(OverallCombatResultsDlg::TemplateName, Dialog::Modeless);
    };
    app_->logicalLayer().setDialogs(std::move(flow));
    // A computer leader's orders come with a notice that stays until he has finished. It asks nothing of
    // the player, so the road's dialogs are told nothing of it.
    aiNotice_ = std::make_unique<AILeaderNotice>();
    aiNotice_->attach(app_->logicalLayer());
    app_->onTitle = [this](const std::string& title) { frame_->setBattleTitle(title); };
    app_->onCaption = [this](const std::string& caption) { frame_->setCaption(caption); };
    app_->onBattleClosed = [this] {
        closeBattleWindows();
        app_->sendNamedEmpty("ShowMainDlg");
    };
    app_->setStatusText(VaelMainWindow::Title, 1);
}

VaelGame::~VaelGame() {
    VaelUnit::setDetailsView({});
    aiNotice_.reset();
    combatResults_.reset();
    closeBattleWindows();
    if (app_) app_->closeBattle();
    commands_.reset();
    if (frame_) frame_->setToolbar(nullptr), frame_->setStatusBar(nullptr);
    toolbar_.reset();
    statusBar_.reset();
    frame_.reset();
    app_.reset();
}

bool VaelGame::ready() const {
    return frame_ && frame_->hwnd();
}

int VaelGame::run() {
    if (!ready()) return 1;
    app_->sendNamedEmpty("ShowMainDlg");
    return app_->run() == 1 ? 0 : 1;
}

void VaelGame::failed(const std::string& what, const std::string& why) {
    debugStream() << what << ": " << why << std::endl;
    app_->messageBox(what + ":\n" + why, VaelMainWindow::Title, 0x30);
}

void VaelGame::showMainDialog() {
    for (;;) {
        StartGameDlg start(onDialog);
        start.attach(*app_);
        const std::int16_t choice = start.create(StartGameDlg::TemplateName, Dialog::Modal);
        if (choice == StartGameDlg::IdStartBattle && chooseAndStartBattle()) return;
        if (choice == StartGameDlg::IdLoadGame && chooseAndLoadGame()) return;
        if (choice == StartGameDlg::IdExit || choice == 0) {
            app_->postQuitMessage();
            return;
        }
    }
}

bool VaelGame::chooseAndStartBattle() {
    const std::vector<ScenarioChoice> scenarios = findScenarios(app_->dataPath(9));
    if (scenarios.empty()) {
        failed("No battle to fight", "there is no scenario in " + app_->dataPath(9));
        return false;
    }
    const ScenarioChoice& scenario = scenarios.front();
    ScenarioDlg choose(scenario, onDialog);
    choose.attach(*app_);
    if (choose.create(ScenarioDlg::TemplateName, Dialog::Modal) != Dialog::IdOk) return false;
    IntroDlg sides(scenario.homeName, scenario.visitorName, onDialog);
    sides.attach(*app_);
    if (sides.create(IntroDlg::TemplateName, Dialog::Modal) != 1) return false;
    closeBattleWindows();
    std::string error;
    if (!app_->startBattle(scenario.fileName, VaelApp::CustomScenario, sides.homeComputer(),
                           sides.visitorComputer(), error)) {
        failed("Cannot start the battle", error);
        return false;
    }
    openBattleWindows();
    return true;
}

bool VaelGame::chooseAndLoadGame() {
    const std::filesystem::path dir = VaelApp::savedGamesDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    LoadSaveDlg choose(dir.string(), false, onDialog);
    choose.attach(*app_);
    if (choose.create(LoadSaveDlg::TemplateName, Dialog::Modal) != 1) return false;
    std::string error;
    const bool wasRunning = app_->battleRunning();
    if (!app_->loadGame(choose.chosen(), error)) {
        failed("Cannot load " + std::filesystem::path(choose.chosen()).filename().string(), error);
        return wasRunning && app_->battleRunning();
    }
    closeBattleWindows();
    openBattleWindows();
    return true;
}

void VaelGame::chooseAndSaveGame() {
    if (!app_->battleRunning()) return;
    const std::filesystem::path dir = VaelApp::savedGamesDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    LoadSaveDlg choose(dir.string(), true, onDialog);
    choose.attach(*app_);
    if (choose.create(LoadSaveDlg::TemplateName, Dialog::Modal) != 1) return;
    std::string error;
    if (!app_->saveGame(choose.chosen(), error))
        failed("Cannot save " + std::filesystem::path(choose.chosen()).filename().string(), error);
}

void VaelGame::editPreferences() {
    PreferencesDlg edit(app_->preferences(), app_->missileAutoHit(), onDialog);
    edit.attach(*app_);
    if (edit.create(PreferencesDlg::TemplateName, Dialog::Modal) != 1) return;
    app_->setMissileAutoHit(edit.missileAutoHit());
    app_->setPreferences(edit.preferences());
}

void VaelGame::showGameOverview(const EndOfGameResults& results) {
    EndTurnDlg overview(results, onDialog);
    overview.armyDetails = [this, &results](std::int16_t side) {
        VaelLogicalLayer& layer = app_->logicalLayer();
        const bool home = side == 1;
        ArmyDetailsDlg details(home ? results.homeName : results.visitorName,
                               armyDetailsRows(home ? layer.getHomeLeaders() : layer.getVisitorLeaders(),
                                               home ? layer.getHomeUnits() : layer.getVisitorUnits()),
                               onDialog);
        details.attach(*app_);
        details.create(ArmyDetailsDlg::TemplateName, Dialog::Modal);
    };
    overview.attach(*app_);
    overview.create(EndTurnDlg::TemplateName, Dialog::Modal);
}

void VaelGame::openBattleWindows() {
    // The normal view's layer opens its map window, maximized, on the battle's map; the layers own their
    // windows and close them with the battle.
    Container<MapInfoStruct> map(battleMap());
    app_->send(MAP_OPEN, &map);
    commentaryWindow_ = std::make_unique<CommentaryWindow>(app_->commentary());
    commentaryWindow_->attach(*app_);
    commentaryWindow_->createInFrame();
    commentaryWindow_->refresh();
    app_->startPaletteAnimation();
}

MapInfoStruct VaelGame::battleMap() {
    // The map window keeps its view inside the battle's map, which it measures in hexes (rows, columns),
    // and finds the overview's picture under the map's own name; a map that cannot be read leaves a view
    // that does not scroll, never a failed battle.
    const std::string name = app_->logicalLayer().getMapFileName();
    for (std::int16_t kind : {std::int16_t{9}, std::int16_t{0}}) {
        const auto path = findFileNoCase(app_->dataPath(kind), name);
        LogicalMapFile map;
        if (path && map.readFile(path->string()))
            return MapInfoStruct{map.name(), Point(map.height(), map.width())};
    }
    debugStream() << "No map " << name << " to measure the map window by" << std::endl;
    return MapInfoStruct{name, Point(0, 0)};
}

void VaelGame::closeBattleWindows() {
    commentaryWindow_.reset();
}

} // namespace vael
