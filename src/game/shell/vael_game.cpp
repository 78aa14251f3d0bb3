#include "game/shell/vael_game.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <utility>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/printable.h"
#include "framework/core/registered_message.h"
#include "framework/display/application_palette.h"
#include "framework/display/window_pictures.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/display.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/system_font.h"
#include "framework/ui/system_menu.h"
#include "framework/ui/win_app.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/leader_activation.h"
#include "game/flow/phase_handlers.h"
#include "game/flow/side_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/net/net_chat.h"
#include "game/net/net_dialogs.h"
#include "game/net/vael_net_component.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/scenario_records.h"
#include "game/rules/units/vael_unit.h"
#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/leader_cheat_dialog.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/shell_message_names.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "framework/core/version.h"
#include "game/shell/view_unit_dialog.h"

namespace vael {

namespace {

// What the machine that joined a network battle is told when it would save: the host, named, saves it.
std::string guestSaveRefusal(const std::string& host) {
    return "Only " + (host.empty() ? std::string("the host") : host) +
           " can save this battle: it is played on the host's machine.";
}

// What a player of a network battle is told when he would leave it: the other player, named, wins what he
// leaves (unnamed, by the part he plays).
std::string leaveWarning(const std::string& other, const char* otherPart) {
    const std::string winner = other.empty() ? otherPart : other;
    return winner + " wins the battle by default.";
}

// A network battle still fought against the other machine: leaving it hands that machine the battle.
bool foughtWithOther(VaelNetComponent& net) {
    return net.playing() && !net.battleOver() && net.peer() && net.peer()->isOpen();
}

} // namespace

// The menu commands and tool-bar buttons of the game, and the start dialog's message.
class VaelGame::Commands : public Component {
public:
    explicit Commands(VaelGame& game) : Component("Vael Commands"), game_(game) {}
    void connectHandlers() override {
        connectNamed(msg::ShowMainDlg, onShowMain);
        connectNamed(msg::FileStartGame, onStartGame);
        connectNamed(msg::FileOpenGame, onOpenGame);
        connectNamed(VaelToolbar::SaveCommand, onSaveGame);
        connectNamed(msg::FilePreferences, onPreferences);
        connectNamed(msg::HelpAbout, onAbout);
        // Named under its menu item's id before any battle window builds its menu, so that the item, its
        // keys and a send by name all come here.
        RegisteredMessage::registerWithId(PlayerChatCommand, msg::WindowPlayerChat);
        connectNamed(msg::WindowPlayerChat, onChat);
    }

private:
    static VaelGame& game(Component* target) { return static_cast<Commands*>(target)->game_; }
    static ContainerBase* onShowMain(Component* target, BusMessage, ContainerBase*) {
        game(target).showMainDialog();
        return nullptr;
    }
    // The menu's and the tool bar's Start Game and Open Game would replace a running battle: a slip of
    // the mouse must not cost it.
    // Chosen from the menu while the start dialog stands, they are its own buttons.
    static ContainerBase* onStartGame(Component* target, BusMessage, ContainerBase*) {
        if (StartGameDlg* start = game(target).start_) {
            start->close(StartGameDlg::IdStartBattle);
            return nullptr;
        }
        if (game(target).saveStillWaits()) return nullptr;
        if (!game(target).mayLeaveBattle(StartQuestion)) return nullptr;
        // The battle being left no longer says who gives its orders over the next battle's questions;
        // kept after all, it says so again.
        if (game(target).aiNotice_) game(target).aiNotice_->setHidden(true);
        game(target).chooseAndStartBattle();
        if (game(target).aiNotice_) game(target).aiNotice_->setHidden(false);
        return nullptr;
    }
    // Open Game asks once the saved game is chosen (chooseAndLoadGame): cancelling the choice keeps the
    // battle without a question.
    static ContainerBase* onOpenGame(Component* target, BusMessage, ContainerBase*) {
        if (StartGameDlg* start = game(target).start_) {
            start->close(StartGameDlg::IdLoadGame);
            return nullptr;
        }
        if (game(target).saveStillWaits()) return nullptr;
        game(target).chooseAndLoadGame();
        return nullptr;
    }
    static ContainerBase* onSaveGame(Component* target, BusMessage, ContainerBase*) {
        if (game(target).saveStillWaits()) return nullptr;
        game(target).chooseAndSaveGame();
        return nullptr;
    }
    static ContainerBase* onPreferences(Component* target, BusMessage, ContainerBase*) {
        game(target).editPreferences();
        return nullptr;
    }
    static ContainerBase* onAbout(Component* target, BusMessage, ContainerBase*) {
        game(target).showAbout();
        return nullptr;
    }
    static ContainerBase* onChat(Component* target, BusMessage, ContainerBase*) {
        game(target).showChat();
        return nullptr;
    }
    VaelGame& game_;
};

// The palette, the window pictures and the system font are hooked into the framework for the whole
// process. A game puts back what it found when it goes, so that whatever comes after it in the process
// (another game, a bare application reading another data directory) starts as it would have without it.
class VaelGame::DisplayHooks {
public:
    DisplayHooks()
        : make_(WinApp::paletteMaker()), destroy_(WinApp::paletteDestroyer()),
          opener_(PictureArchive::setOpener(nullptr)), matcher_(Display::setColourMatcher(nullptr)),
          remap_(DialogControl::setDisabledRemap(nullptr)), drawer_(MenuTracker::setTextDrawer(nullptr)),
          writer_(WindowsStatusBar::setTextWriter(nullptr)), tracker_(SystemMenu::setTracker(&framePopup)) {
        installApplicationPalette();
        installWindowPictures();
        installSystemFont();
    }
    ~DisplayHooks() {
        WinApp::setPaletteMaker(make_, destroy_);
        PictureArchive::setOpener(opener_);
        Display::setColourMatcher(matcher_);
        DialogControl::setDisabledRemap(remap_);
        MenuTracker::setTextDrawer(drawer_);
        WindowsStatusBar::setTextWriter(writer_);
        SystemMenu::setTracker(std::move(tracker_));
    }
    DisplayHooks(const DisplayHooks&) = delete;
    DisplayHooks& operator=(const DisplayHooks&) = delete;

private:
    WinApp::PaletteMaker make_;
    WinApp::PaletteDestroyer destroy_;
    PictureArchive::Opener opener_;
    Display::ColourMatcher matcher_;
    DialogControl::RemapSource remap_;
    MenuTracker::TextDrawer drawer_;
    WindowsStatusBar::TextWriter writer_;
    SystemMenu::Tracker tracker_;

    // A window's pop-up (the battle map's right click) is chosen from in the frame, over every window.
    static std::uint16_t framePopup(const SystemMenu& menu, const Point& at) {
        WinApp* app = winApp();
        auto* frame = app ? dynamic_cast<WindowsMainWindow*>(app->getMainWindow()) : nullptr;
        return frame ? frame->trackPopup(menu, at) : 0;
    }
};

VaelGame::VaelGame(platform::Platform& platform, const std::string& fallbackData,
                   platform::AudioOutput* audio, VaelApp::Views views)
    : hooks_(std::make_unique<DisplayHooks>()) {
    VaelApp::writeInstallSettings(platform.settings(), fallbackData);
    app_ = std::make_unique<VaelApp>(platform, fallbackData, audio, views);
    // The frame's size is its client area's; the menu bar above it makes up the platform's window.
    frame_ = std::make_unique<VaelMainWindow>(Dim(FrameWidth, FrameHeight - MenuTracker::BarHeight));
    if (!frame_->hwnd()) return;
    frame_->attach(*app_);
    statusBar_ = std::make_unique<WindowsStatusBar>("Vael Status Bar", frame_->hwnd(), Point(20, 6), 2,
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
        eliteQuestion_ = &choose;
        const bool chosen = choose.create(EliteInitiativeDlg::TemplateName, Dialog::Modal) == 1;
        eliteQuestion_ = nullptr;
        return chosen ? choose.chosen() : std::string();
    };
    sides.vaelEliteInitDialog = [this]() -> std::int32_t {
        VaelEliteInitiativeDlg ask(onDialog);
        ask.attach(*app_);
        eliteQuestion_ = &ask;
        const std::int32_t answer = ask.create(VaelEliteInitiativeDlg::TemplateName, Dialog::Modal);
        eliteQuestion_ = nullptr;
        return answer;
    };
    // The leader-order test switch asks the tester who goes next.
    app_->logicalLayer().setLeaderOrderDialog(
        [this](const DynArray<LeaderUnitInfo>& leaders, const DynArray<short>& gone, std::int16_t count) {
            return askLeaderOrder(*app_, leaders, gone, count, onDialog);
        });
    // The unit menu's "View Details..." shows the unit's overview.
    VaelUnit::setDetailsView([this](VaelUnit& unit) {
        const Leader* leader = commandingLeader(app_->logicalLayer(), unit);
        showUnitOverview(*app_, unit,
                         unitDetailsLines(unit, GameControl::nationName(unit.getNation()),
                                          leader ? leader->getName() : std::string()),
                         onDialog);
    });
    // The combats' results stand beside the battle until the player closes them.
    GameFlowDialogs flow = app_->logicalLayer().getDialogs();
    flow.overallCombatResults = [this](VaelLogicalLayer& layer, const List<SingleCombatResult>& results) {
        combatResults_ = std::make_unique<OverallCombatResultsDlg>(results, onDialog);
        combatResults_->attach(layer);
        combatResults_->create(OverallCombatResultsDlg::TemplateName, Dialog::Modeless);
    };
    app_->logicalLayer().setDialogs(std::move(flow));
    app_->playersBox = [this] {
        return combatResults_ && combatResults_->isOpen() ? std::string(OverallCombatResultsDlg::Title)
                                                          : std::string();
    };
    // A computer leader's orders come with a notice that stays until he has finished. It asks nothing of
    // the player, so the road's dialogs are told nothing of it.
    aiNotice_ = std::make_unique<AILeaderNotice>();
    aiNotice_->attach(app_->logicalLayer());
    // A battle is not left by a slip on the File menu or the frame's close box: the player is asked first.
    // Agreed to over a question the battle's step holds open (the elite initiative), the close waits for
    // that step to unwind: a network battle is left at once instead, so that the step plays and sends
    // nothing more meanwhile.
    frame_->confirmExit = [this] {
        // Between the battles of a campaign (its map, its results) what is lost is the campaign: asked
        // here, once, the answer stands for the map or the results that the close takes down after it.
        if (campaignAtStake()) {
            if (leavingCampaignAsked_) return false;
            return mayLeave(LeaveCampaignQuestion, {LeaveCampaignWarning});
        }
        if (!mayLeaveBattle(ExitQuestion)) return false;
        if (app_->inBattle() && app_->net().playing()) app_->net().leaveBattle();
        return true;
    };
    // While the computer gives a leader's orders his unit may stand selected with its items lit by the
    // rules, but the orders are not the player's to give: greyed, and refused by the keys and the bar.
    frame_->withheld = [this](std::uint16_t id) {
        static constexpr std::uint16_t orders[] = {212, 213, 214, 219, 220, 221, 224, 235};
        if (std::find(std::begin(orders), std::end(orders), id) == std::end(orders)) return false;
        GameControl* control = app_->battleRunning() ? app_->gameControl() : nullptr;
        const LeaderUnitInfo* active = control ? control->activeLeaderInfo() : nullptr;
        const Leader* leader = active ? active->leader : nullptr;
        return leader && leader->isComputerControlled();
    };
    frame_->onClientPlaced = [this](const Box& area) {
        if (commentaryWindow_) commentaryWindow_->followArea(area);
    };
    // The battle's windows are laid out before game control begins: its first question (the elite
    // initiative) comes over the whole map and the battle's menus, not over a frame half set up.
    app_->onBattleBeginning = [this] {
        if (chat_)
            for (const auto& [player, leaders] : std::exchange(playersToTell_, {}))
                chat_->announceLeaders(player, leaders);
        openBattleWindows();
    };
    app_->onTitle = [this](const std::string& title) { frame_->setBattleTitle(title); };
    app_->onCaption = [this](const std::string& caption) { frame_->setCaption(caption); };
    app_->onBattleClosed = [this] {
        closeBattleWindows();
        endNetworkPlay();
        // After a battle of a campaign its results, then its next battle unless the player leaves it.
        if (app_->campaign().resultsPending()) {
            showCampaignResults();
            if (continueCampaign()) return;
        }
        // Left by the frame's close: the game ends once this has unwound, with no start dialog before.
        if (frame_->closeAgreed()) return;
        app_->sendNamedEmpty(msg::ShowMainDlg);
    };
    app_->showNoBattleStatus();
}

VaelGame::~VaelGame() {
    VaelUnit::setDetailsView({});
    aiNotice_.reset();
    chatWindow_.reset();
    if (chat_) chat_->detach();
    chat_.reset();
    combatResults_.reset();
    closeBattleWindows();
    if (app_) app_->closeBattle();
    commands_.reset();
    if (frame_) {
        frame_->setToolbar(nullptr), frame_->setStatusBar(nullptr), frame_->withheld = nullptr;
        frame_->confirmExit = nullptr;
    }
    toolbar_.reset();
    statusBar_.reset();
    frame_.reset();
    app_.reset();
    hooks_.reset();
}

bool VaelGame::ready() const {
    return frame_ && frame_->hwnd();
}

int VaelGame::run() {
    if (!ready()) return 1;
    app_->sendNamedEmpty(msg::ShowMainDlg);
    return app_->run() == 1 ? 0 : 1;
}

void VaelGame::failed(const std::string& what, const std::string& why) {
    debugStream() << what << ": " << why << std::endl;
    // Names and reasons may quote a file's bytes: its control bytes, and bytes that begin no character, are
    // shown as their values, not passed to the box.
    app_->messageBox(printable(what, LoneBytes::Escaped) + ":\n" + printable(why, LoneBytes::Escaped),
                     VaelMainWindow::Title, 0x30);
}

bool VaelGame::mayLeaveBattle(const char* question) {
    // The player who joined a battle leaves it as the one who hosts it does: asked first, though what he
    // stands to lose is the battle, not what he has not saved (he saves nothing).
    if (!app_->inBattle()) return true;
    VaelNetComponent& net = app_->net();
    if (!app_->battleRunning()) return mayLeave(question, {leaveWarning(net.otherPlayer(), "The host")});
    // The host both hands the battle to the guest and loses what it has not saved.
    if (foughtWithOther(net))
        return mayLeave(question, {leaveWarning(net.otherPlayer(), "The other player"), ExitWarning});
    // A campaign lives in the battle it is fighting: nothing keeps it once the battle is left, but a save.
    if (app_->campaign().inBattle()) return mayLeave(question, {ExitWarning, CampaignBattleWarning});
    return mayLeave(question, {ExitWarning});
}

bool VaelGame::mayLeave(const char* question, const std::vector<std::string>& warnings) {
    InformationDlg ask(0, question, onDialog);
    for (const std::string& warning : warnings)
        ask.addLine(warning);

    ask.attach(*app_);
    app_->setLeaveQuestion(&ask);
    const bool leave = ask.show(VaelMainWindow::Title) == InformationDlg::IdOk;
    app_->setLeaveQuestion(nullptr);
    return leave;
}

void VaelGame::showMainDialog() {
    for (;;) {
        // A close agreed to on the way here ends the game as it unwinds: no start dialog stands before it.
        if (frame_->closeAgreed()) return;
        // Whatever a battle or a button under the pointer left in the status bar, the start dialog shows
        // the game's title there, as at the program's start.
        app_->showNoBattleStatus();
        StartGameDlg start(onDialog);
        start.attach(*app_);
        // The start dialog stands for the whole screen: the frame's menus stay the player's.
        start.leaveMenuBar(true);
        start_ = &start;
        const std::int16_t choice = start.create(StartGameDlg::TemplateName, Dialog::Modal);
        start_ = nullptr;
        if (choice == StartGameDlg::IdStartBattle && chooseAndStartBattle()) return;
        if (choice == StartGameDlg::IdCampaign && startCampaign()) return;
        if (choice == StartGameDlg::IdLoadGame && chooseAndLoadGame()) return;
        if (choice == StartGameDlg::IdMultiplayer && playNetworkGame()) return;
        if (choice == StartGameDlg::IdExit || choice == 0) {
            app_->postQuitMessage();
            return;
        }
    }
}

std::optional<ScenarioChoice> VaelGame::chooseScenario() {
    const std::vector<ScenarioChoice> scenarios = findScenarios(app_->dataPath(9));
    if (scenarios.empty()) return std::nullopt;
    ScenarioDlg choose(scenarios, onDialog);
    choose.attach(*app_);
    if (choose.create(ScenarioDlg::TemplateName, Dialog::Modal) != Dialog::IdOk || !choose.chosen())
        return std::nullopt;
    return *choose.chosen();
}

bool VaelGame::chooseAndStartBattle() {
    // With no battle of the data set to offer, the player names one of his own.
    if (findScenarios(app_->dataPath(9)).empty()) return chooseCustomBattle();
    const std::optional<ScenarioChoice> scenario = chooseScenario();
    if (!scenario) return false;
    const std::string file = chooseVariant(scenario->fileName);
    if (file.empty()) return false;
    return startChosenBattle(file, scenario->homeName, scenario->visitorName);
}

std::string VaelGame::chooseVariant(const std::string& scenarioFile, bool onlyNamingIt) {
    const std::string directory = app_->dataPath(9);
    std::vector<ScenarioVariant> variants;
    std::string error;
    if (!readVariants(directory, scenarioFile, variants, error)) {
        // A bad list of variants costs the choice, not the battle.
        failed("The variants of " + scenarioFile + " cannot be read", error);
        return scenarioFile;
    }
    // A list found by the chosen file's stem is another file's when it does not name this one: a battle
    // copied under another name ("ghatmar.scx") is played as chosen, not as the battle its list offers.
    const auto chosen = findFileNoCase(directory, scenarioFile);
    if (onlyNamingIt && std::none_of(variants.begin(), variants.end(), [&](const ScenarioVariant& v) {
            return chosen && findFileNoCase(directory, v.fileName) == chosen;
        }))
        return scenarioFile;
    std::string variant;
    if (variants.size() < 2) {
        // One variant is no choice.
        variant = variants.empty() ? scenarioFile : variants.front().fileName;
    } else {
        VariantDlg choose(variants, onDialog);
        choose.attach(*app_);
        if (choose.create(VariantDlg::TemplateName, Dialog::Modal) != 1 || !choose.chosenVariant()) return "";
        variant = choose.chosenVariant()->fileName;
    }
    // The file the list names is refused here, in the game's box, rather than where the battle loads, which
    // asks whether to end the game.
    std::string why;
    if (CustomScenarioDlg::findScenario(directory, variant, why).empty()) {
        failed("The battle " + variant + " cannot be played", why);
        return "";
    }
    // Named as the list names it: the saved game keeps the name.
    return variant;
}

bool VaelGame::startChosenBattle(const std::string& scenarioFile, const std::string& homeName,
                                 const std::string& visitorName) {
    IntroDlg sides(homeName, visitorName, onDialog);
    // Reached from Start Game in a battle, the question asked was whether to leave it: that battle is
    // still there to go back to until the new one begins.
    sides.allowGoingBack(app_->inBattle());
    sides.attach(*app_);
    if (sides.create(IntroDlg::TemplateName, Dialog::Modal) != 1) return false;
    closeBattleWindows();
    app_->campaign().abandon();
    // A network battle left for this one is closed first, so that the other machine hears this one leave.
    app_->closeBattle();
    endNetworkPlay();
    std::string error;
    if (!app_->startBattle(scenarioFile, VaelApp::CustomScenario, sides.homeComputer(),
                           sides.visitorComputer(), error)) {
        failed("Cannot start the battle", error);
        return false;
    }
    openBattleWindows();
    return true;
}

bool VaelGame::chooseCustomBattle() {
    CustomScenarioDlg name(app_->dataPath(9), onDialog);
    name.attach(*app_);
    if (name.create(CustomScenarioDlg::TemplateName, Dialog::Modal) != 1) return false;
    const std::string file = chooseVariant(name.chosen(), true);
    if (file.empty()) return false;
    // The sides' names are those of the file played, whatever its name.
    std::string home = "Home", visitor = "Visitor";
    if (const auto found = findFileNoCase(app_->dataPath(9), file))
        if (const auto scenario = describeScenario(app_->dataPath(9), *found))
            home = scenario->homeName, visitor = scenario->visitorName;
    return startChosenBattle(file, home, visitor);
}

bool VaelGame::startCampaign() {
    Campaign& campaign = app_->campaign();
    std::string error;
    if (!campaign.hasDefinition() && !campaign.load(app_->dataPath(), error)) {
        failed("There is no campaign to play", error);
        return false;
    }
    campaign.begin();
    if (continueCampaign()) return true;
    campaign.abandon();
    return false;
}

bool VaelGame::continueCampaign() {
    Campaign& campaign = app_->campaign();
    while (campaign.active() && campaign.state().outcome == CampaignState::Going) {
        // Left by the frame's close over the results: the game ends with no map shown before.
        if (frame_->closeAgreed()) break;
        CampaignMapDlg map(campaign, onDialog);
        map.attach(*app_);
        if (map.create(CampaignMapDlg::TemplateName, Dialog::Modal) != CampaignMapDlg::IdBattle) {
            // Battles already fought are not given up by a slip of the mouse. Taken down by the frame's
            // close, the player has been asked already: asked again, the same close would answer it.
            if (!frame_->closeAgreed() && campaignAtStake()) {
                leavingCampaignAsked_ = true;
                const bool leave = mayLeave(LeaveCampaignQuestion, {LeaveCampaignWarning});
                leavingCampaignAsked_ = false;
                if (!leave) continue;
            }
            campaign.abandon();
            return false;
        }
        closeBattleWindows();
        // Begun from the start dialog or after a battle of it: no battle runs to be left.
        endNetworkPlay();
        std::string error;
        if (app_->startCampaignBattle(false, error)) {
            openBattleWindows();
            return true;
        }
        failed("Cannot start the campaign's battle", error);
    }
    // A campaign at its end is over: the next one starts afresh.
    campaign.abandon();
    return false;
}

bool VaelGame::campaignAtStake() {
    if (app_->inBattle()) return false;
    const Campaign& campaign = app_->campaign();
    return campaign.active() && campaign.state().outcome == CampaignState::Going &&
           !campaign.state().battles.empty();
}

void VaelGame::showCampaignResults() {
    Campaign& campaign = app_->campaign();
    campaign.resultsSeen();
    CampaignResultsDlg results(campaign.definition(), campaign.state(), onDialog);
    results.attach(*app_);
    results.create(CampaignResultsDlg::TemplateName, Dialog::Modal);
}

bool VaelGame::chooseAndLoadGame() {
    const std::filesystem::path dir = VaelApp::savedGamesDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    LoadSaveDlg choose(dir.string(), false, onDialog);
    choose.attach(*app_);
    if (choose.create(LoadSaveDlg::TemplateName, Dialog::Modal) != 1) return false;
    // Asked only now, the question is the whole choice: OK leaves the battle for the game chosen, Cancel
    // plays on.
    if (!mayLeaveBattle(OpenQuestion)) return false;
    std::string error;
    const bool wasRunning = app_->battleRunning();
    if (!app_->loadGame(choose.chosen(), error)) {
        failed("Cannot load " + std::filesystem::path(choose.chosen()).filename().string(), error);
        return wasRunning && app_->battleRunning();
    }
    closeBattleWindows();
    endNetworkPlay();
    openBattleWindows();
    return true;
}

void VaelGame::chooseAndSaveGame() {
    if (!app_->battleRunning()) {
        // The machine that joined a network battle has no game control to save: the host's holds the
        // battle. Refused as the other orders are, in the status bar.
        if (app_->inBattle()) app_->setStatusText(guestSaveRefusal(app_->net().otherPlayer()), 2);
        return;
    }
    const std::filesystem::path dir = VaelApp::savedGamesDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    LoadSaveDlg choose(dir.string(), true, onDialog);
    choose.attach(*app_);
    if (choose.create(LoadSaveDlg::TemplateName, Dialog::Modal) != 1) return;
    const std::string name = std::filesystem::path(choose.chosen()).filename().string();
    std::string error;
    // The battle plays on while the save waits, its menus and tool bar live: what would open, start or
    // save another battle is refused until this one is written (saveStillWaits), and a battle that ends or
    // is left meanwhile is not written under the name given for it.
    waitingSave_ = name;
    const std::uint32_t battle = app_->battleSerial();
    app_->setStatusText(SavingStatus + name, 2);
    app_->letMapComeToRest();
    // A save taken where the battle's state cannot be carried would resume another battle: it waits for
    // the moment it can, or is not written at all.
    bool carried = app_->awaitSaveableMoment(error);
    if (carried && app_->battleSerial() != battle) carried = false, error = "another battle took its place";
    waitingSave_.clear();
    if (!carried) {
        app_->setStatusText(NotSavedStatus + name, 2);
        failed("Cannot save " + name, "the battle could not be saved while " + error);
        return;
    }
    if (!app_->saveGame(choose.chosen(), error, choose.description())) {
        app_->setStatusText(NotSavedStatus + name, 2);
        failed("Cannot save " + name, error);
        return;
    }
    app_->setStatusText(SavedStatus + name, 2);
}

bool VaelGame::saveStillWaits() {
    if (waitingSave_.empty()) return false;
    app_->setStatusText(SaveWaitingRefusal + waitingSave_, 2);
    return true;
}

void VaelGame::editPreferences() {
    PreferencesDlg edit(app_->preferences(), app_->missileAutoHit(), onDialog);
    edit.volumeChanged = [this](std::uint32_t volume) { app_->previewVolume(volume); };
    edit.attach(*app_);
    if (edit.create(PreferencesDlg::TemplateName, Dialog::Modal) != 1) {
        // Cancelled: the volume tried out goes back to the one kept.
        app_->previewVolume(app_->preferences().volume);
        return;
    }
    app_->setMissileAutoHit(edit.missileAutoHit());
    app_->setPreferences(edit.preferences());
}

void VaelGame::showAbout() {
    const std::string title = app_->loadString(AboutDlg::TitleString);
    AboutDlg about(AboutDlg::lineOf(title.empty() ? VaelMainWindow::Title : title, VaelVersion), onDialog);
    about.attach(*app_);
    about.create(AboutDlg::TemplateName, Dialog::Modal);
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
    // The normal view's layer opens its map window, maximized, on the battle's map, unless a saved game
    // has put its own back; the layers own their windows and close them with the battle. Asked rather than
    // sent: the window is whole, maximized and active when this returns, whatever is queued behind it (the
    // beginning of the battle, with its first question) comes after; sent, the question could come while
    // the window was being made, over a small window and the frame's own menus.
    if (!app_->mapWindowsOpen()) {
        Container<MapInfoStruct> map(app_->mapInfo());
        std::unique_ptr<ContainerBase> none(app_->query(MAP_OPEN, &map));
    }
    // Opened once for the battle, as it begins; the road's own call after the start only shows it anew.
    if (!commentaryWindow_) {
        commentaryWindow_ = std::make_unique<CommentaryWindow>(app_->commentary());
        commentaryWindow_->attach(*app_);
        commentaryWindow_->createInFrame();
    }
    commentaryWindow_->refresh();
    if (toolbar_) toolbar_->setBattleOpen(true);
    app_->sendSparseTrees();
    app_->startPaletteAnimation();
}

void VaelGame::closeBattleWindows() {
    if (aiNotice_) aiNotice_->close();
    chatWindow_.reset();
    commentaryWindow_.reset();
    if (toolbar_) toolbar_->setBattleOpen(false);
}

void VaelGame::endNetworkPlay() {
    // Once the battle before is closed (the other machine told that this one left it): its connection, its
    // chat and its other player reach no battle after it.
    chatWindow_.reset();
    if (chat_) chat_->detach();
    chat_.reset();
    app_->net().onLost = nullptr;
    app_->net().setPeer(nullptr, false);
}

void VaelGame::answerQuestionsOnLoss() {
    // The other machine gone, the battle is over: a question of who goes first in it is answered for the
    // player (nobody, no) rather than left for him to answer about a battle that has ended. The first one
    // comes as the battle begins.
    app_->net().onLost = [this](const std::string&, bool) {
        if (eliteQuestion_ && eliteQuestion_->isOpen()) eliteQuestion_->close(0);
    };
}

void VaelGame::chatInBattle() {
    if (!chat_) return;
    chat_->onLine = [this](const std::string& line) {
        if (chatWindow_ && chatWindow_->isOpen()) return chatWindow_->addLine(line);
        // Nobody looks at the chat: the line is told where the game's other notices are, with the keys
        // that open it, else the player would never know he was spoken to.
        if (!line.starts_with(chat_->playerName() + ": "))
            app_->setStatusText("Player Chat (Ctrl + T): " + line, 2);
    };
    Container<BusMessage> item{BusMessage(PlayerChatCommand)};
    app_->send(ENABLE_MENU_ITEM, &item);
}

void VaelGame::showChat() {
    // The machine that joined has no game control: its battle is the one its map windows show.
    if (!chat_ || !app_->net().playing() || !app_->mapWindowsOpen()) return;
    if (chatWindow_ && chatWindow_->isOpen()) {
        WindowManager::instance().setActive(chatWindow_->hwnd(), true);
        return;
    }
    chatWindow_ = std::make_unique<NetChatDlg>(chat_->lines(), onDialog);
    chatWindow_->onSend = [this](const std::string& text) { chat_->say(text); };
    chatWindow_->attach(*app_);
    chatWindow_->create(NetChatDlg::TemplateName, Dialog::Modeless);
}

} // namespace vael
