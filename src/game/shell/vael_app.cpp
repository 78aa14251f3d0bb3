#include "game/shell/vael_app.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/data_file_report.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/printable.h"
#include "framework/core/read_file.h"
#include "framework/core/registered_message.h"
#include "framework/display/image_index.h"
#include "framework/display/palette_animator.h"
#include "framework/ui/dialog.h"
#include "framework/ui/main_window.h"
#include "game/ai/vael_ai.h"
#include "game/figures/display_prototypes.h"
#include "game/figures/vael_physical_object.h"
#include "game/flow/commentary_text.h"
#include "game/flow/data_files.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/side_control.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/map_message_names.h"
#include "game/map/queued_under_way.h"
#include "game/map/vael_physical_layer.h"
#include "game/net/vael_net_component.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"
#include "game/shell/campaign.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/layer_viewports.h"
#include "game/shell/leader_almost_done_dialog.h"
#include "game/shell/shell_message_names.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "game/sound/sound_group_service.h"
#include "game/sound/vael_sound_manager.h"
#include "platform/whole_file.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELAPP";
using Root = platform::Settings::Root;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The progress of the loading of a scenario's images: text, no buttons.
class PreloadDlg : public Dialog {
public:
    PreloadDlg() : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", "") {}
};

} // namespace

// The application's ears on the battle's bus: the messages the logical layer sends for the shell.
class VaelApp::Listener : public Component {
public:
    explicit Listener(VaelApp& app) : Component("Vael Shell"), app_(app) {}
    void connectHandlers() override {
        connectNamed(msg::ChangeMainCaption, onCaption);
        connectNamed(msg::AutoSaveGame, onAutoSave);
        connectNamed(msg::GameEnded, onGameEnded);
        connectNamed(msg::ShowFinishLeader, onShowFinishLeader);
    }
    void closeSoon() { addTimer(onCloseTimer, 10); }

private:
    static VaelApp& app(Component* target) { return static_cast<Listener*>(target)->app_; }
    static ContainerBase* onCaption(Component* target, BusMessage, ContainerBase* data) {
        callWithPayload<std::string>(data, sourceFile, __LINE__,
                                     [&](const std::string& text) { app(target).changeCaption(text); });
        return nullptr;
    }
    static ContainerBase* onAutoSave(Component* target, BusMessage, ContainerBase* data) {
        callWithPayload<std::string>(data, sourceFile, __LINE__,
                                     [&](const std::string& why) { app(target).autoSave(why); });
        return nullptr;
    }
    static ContainerBase* onGameEnded(Component* target, BusMessage, ContainerBase* data) {
        callWithPayload<short>(data, sourceFile, __LINE__,
                               [&](short homeWon) { app(target).gameEnded(homeWon); });
        return nullptr;
    }
    // The Finish Leader prompt's "Don't show this again" stored its answer itself: the preferences kept
    // here show it, and the next OK of Preferences writes it as it stands rather than what was kept before.
    static ContainerBase* onShowFinishLeader(Component* target, BusMessage, ContainerBase* data) {
        callWithPayload<short>(data, sourceFile, __LINE__,
                               [&](short show) { app(target).preferences_.finishLeader = show ? 1 : 0; });
        return nullptr;
    }
    // The battle is closed once the message that ended it has been handled by everyone.
    static ContainerBase* onCloseTimer(Component* target, BusMessage, ContainerBase*) {
        // A box the player opened over the ended battle (the question the close box asks) is answered
        // first: closed under it, the battle would bring the start dialog up inside that box, and its
        // answer, to end the game, would be lost.
        if (app(target).modalDepth() > 0) return nullptr;
        target->killTimer(onCloseTimer);
        app(target).closeBattle();
        if (app(target).onBattleClosed) app(target).onBattleClosed();
        return nullptr;
    }
    VaelApp& app_;
};

void VaelApp::writeInstallSettings(platform::Settings& settings, const std::string& dataDirectory) {
    const std::string key = std::string("SOFTWARE\\Tamblor\\") + ProductKey;
    // Each default is stored whatever became of the other: a store that cannot reach its file still holds
    // both in memory, and the game plays on with them.
    // VAEL_DATA is the game's data while it is set and no "Path" was chosen: the installer's default
    // written now would hide it at this start and every later one.
    const std::string fromEnvironment = environment("VAEL_DATA");
    const bool path =
        !fromEnvironment.empty() || settings.writeDefaultText(Root::Machine, key, "Path", dataDirectory);
    const bool palette = settings.writeDefaultText(Root::Machine, key, "Palette", "VAEL.PAL");
    if (!path || !palette)
        debugStream() << "The settings will not be kept: " << settings.writeError() << std::endl;
    // Nothing of the game can be read from a folder that is not there: it is told by its own name, before
    // the first file of it (the palette) is missed.
    const std::string data = settings.readText(Root::Machine, key, "Path").value_or(fromEnvironment);
    if (std::error_code ignored; !data.empty() && !std::filesystem::is_directory(data, ignored)) {
        const auto status = std::filesystem::status(data, ignored);
        Assertion::fail("The data folder " + data +
                            (status.type() == std::filesystem::file_type::regular   ? " is a file, not a folder"
                             : std::filesystem::exists(status)                      ? " is not a folder"
                                                                                    : " is not there"),
                        sourceFile, __LINE__);
    }
}

std::vector<std::filesystem::path> VaelApp::dataFolders(const platform::Settings& settings,
                                                        const std::string& fallbackData) {
    std::vector<std::filesystem::path> folders;
    const std::string key = std::string("SOFTWARE\\Tamblor\\") + ProductKey;
    for (const std::string& folder :
         {settings.readText(Root::Machine, key, "Path").value_or(""), environment("VAEL_DATA"), fallbackData})
        if (!folder.empty()) folders.emplace_back(folder);
    return folders;
}

std::filesystem::path VaelApp::savedGamesDirectory() {
    const std::string data = environment("XDG_DATA_HOME");
    if (!data.empty()) return std::filesystem::path(data) / "vael";
    return std::filesystem::path(environment("HOME")) / ".local" / "share" / "vael";
}

VaelApp::VaelApp(platform::Platform& platform, const std::string& fallbackData, platform::AudioOutput* audio,
                 Views views)
    // With no "Path" chosen (VAEL_DATA does not become one) the palette, the first file read, is read from
    // the folder the game then plays.
    : WinApp(ProductKey, "", "", platform,
             chooseDataDirectory("", environment("VAEL_DATA").empty() ? nullptr : std::getenv("VAEL_DATA"),
                                 fallbackData)),
      audio_(audio) {
    const std::string fromSettings = WinApp::dataPath();
    const std::string fromEnvironment = environment("VAEL_DATA");
    installDirectory_ = chooseDataDirectory(
        fromSettings, fromEnvironment.empty() ? nullptr : fromEnvironment.c_str(), fallbackData);
    secondDirectory_ = fallbackData;
    WinApp::dataPath() = installDirectory_;
    preferences_ = Preferences::read(platform.settings(), settingsKey());

    registerToolbarCommands();
    sound_ = makeSoundManager();
    VaelSoundManager::setInstance(sound_.get());
    // The groups of an audible game are serviced from a thread of their own.
    if (audio_) soundService_ = std::make_unique<SoundGroupService>(*sound_);

    layer_ = std::make_unique<VaelLogicalLayer>();
    registerUnitPrototypes(*layer_);
    layer_->setTitleSink([this](const std::string& title) {
        title_ = title;
        if (onTitle) onTitle(title);
    });
    layer_->attach(*this);
    SideControlServices& services = layer_->getSideControlServices();
    services.makeOpponent = makeVaelAI;
    services.readLastAIType = [this] { return preferences_.lastAIType; };
    services.writeLastAIType = [this](std::uint32_t type) {
        Preferences changed = preferences_;
        changed.lastAIType = type > 1 ? 0 : type;
        setPreferences(changed);
    };
    campaign_ = std::make_unique<Campaign>();
    campaign_->attach(*layer_);
    if (std::string why; !campaign_->load(installDirectory_, why)) {
        debugStream() << "No campaign: " << why << std::endl;
        // A folder or a FIFO in its place is told as what it is: the file is not missing.
        std::filesystem::path other;
        if (const std::string problem = notAFile(installDirectory_, CampaignDefinition::FileName, &other);
            !problem.empty())
            reportUnusableDataFile(other.string(), problem, "the game goes on without its campaign");
        else if (!findFileNoCase(installDirectory_, CampaignDefinition::FileName))
            reportMissingDataFile(installDirectory_ + "/" + CampaignDefinition::FileName,
                                  "the game goes on without its campaign");
    }
    listener_ = std::make_unique<Listener>(*this);
    listener_->attach(*layer_);
    commentary_.attach(*layer_);
    if (views == Views::Shown) makeViews();
    // A leader's combats wait for what his orders set going to end on the display shown here.
    layer_->setDisplayOwes([this] { return views_ && views_->shownViewOwesAReply(); });
    net_ = std::make_unique<VaelNetComponent>();
    net_->setLayer(layer_.get());
    net_->attach(*layer_);
    net_->setShowing([this] { return wordsWaitForTheDisplay(); });
    Leader::setFinishPrompt([this](Leader&) { showFinishPrompt(); });
    paletteAnimator_ = std::make_unique<PaletteAnimator>(getPalette(), WaterFrames, WaterFirst, WaterLast);
    for (std::int16_t f = 0; f < WaterFrames; ++f)
        for (std::int16_t i = 0; i <= WaterLast - WaterFirst; ++i)
            paletteAnimator_->setEntry(f, static_cast<std::int16_t>(WaterFirst + i), waterColour(f, i));
    paletteAnimator_->attach(*this);
    applyPreferences(nullptr);
}

VaelApp::~VaelApp() {
    Leader::setFinishPrompt(nullptr);
    if (layer_) layer_->setDisplayOwes(nullptr);
    finishPrompt_.reset();
    if (layer_) layer_->CloseGame();
    if (net_) net_->detach();
    net_.reset();
    deleteViews();
    listener_.reset();
    campaign_.reset();
    commentary_.detach();
    layer_.reset();
    imageIndex_.reset();
    paletteAnimator_.reset();
    soundService_.reset();
    if (VaelSoundManager::instance() == sound_.get()) VaelSoundManager::setInstance(nullptr);
    sound_.reset();
}

std::unique_ptr<VaelSoundManager> VaelApp::makeSoundManager() {
    if (audio_) return std::make_unique<VaelSoundManager>(*audio_, installDirectory_);
    return std::make_unique<VaelSoundManager>();
}

PaletteEntry VaelApp::waterColour(std::int16_t frame, std::int16_t i) {
    const int count = WaterLast - WaterFirst + 1;
    const int shade = (i + 2 * frame) % count;
    return PaletteEntry{static_cast<std::uint8_t>(25 + 6 * shade), static_cast<std::uint8_t>(60 + 10 * shade),
                        static_cast<std::uint8_t>(130 + 9 * shade), PC_RESERVED};
}

void VaelApp::sendSparseTrees() {
    Container<short> sparse(static_cast<short>(preferences_.sparseTrees));
    sendNamed(msg::ToggleSparseLandscape, &sparse);
}

void VaelApp::startPaletteAnimation() {
    sendNamedEmpty(msg::StartPaletteAnimation);
    // The animation starts paused; the water moves from the battle's start unless the window is an icon
    // then, and the frame suspends and resumes it as it is iconised and shown again.
    auto* frame = dynamic_cast<WindowsMainWindow*>(getMainWindow());
    if (!frame || !frame->isIconic()) sendNamedEmpty(msg::ResumePaletteAnimation);
}

// Data.

std::string& VaelApp::dataPath(std::int16_t) {
    return WinApp::dataPath();
}

const std::string& VaelApp::getDirectory(std::int16_t kind) const {
    if (kind == 4 || secondDirectory_.empty()) return installDirectory_;
    return installDirectory_.empty() ? secondDirectory_ : installDirectory_;
}

void VaelApp::findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) {
    findIndexedDataFile(library, cursor, end, installDirectory_,
                        secondDirectory_ == installDirectory_ ? std::string() : secondDirectory_);
}

bool VaelApp::readImageIndex() {
    auto index = std::make_unique<ImageIndex>();
    if (!index->read(installDirectory_)) return false;
    imageIndex_ = std::move(index);
    return true;
}

void VaelApp::makeViews() {
    if (!readImageIndex()) debugStream() << "No image index in " << installDirectory_ << std::endl;
    VaelPhysicalObject::setPreloadDirectory(getDirectory(4));
    // The shared pictures are only looked up through the index; without it the units play unseen.
    if (imageIndex_) VaelPhysicalObject::loadSharedArtwork();
    DisplayCatalogue catalogue;
    std::optional<std::filesystem::path> file;
    bool inDataFolder = false;
    for (const std::string* dir : {&installDirectory_, &secondDirectory_})
        if (!file && !dir->empty()) {
            file = findFileNoCase(*dir, DisplayCatalogue::FileName);
            inDataFolder = file && dir == &installDirectory_;
        }
    if (!file || !catalogue.load(file->string())) {
        debugStream() << "No display catalogue: "
                      << (file ? catalogue.error() : std::string(DisplayCatalogue::FileName) + " not found")
                      << "; every unit is shown without artwork" << std::endl;
        // Read and refused, it is told as a damaged data file: nothing else stands in for it.
        if (file) {
            std::error_code error;
            const bool empty = std::filesystem::file_size(*file, error) == 0 && !error;
            reportUnusableDataFile(file->string(), empty ? "is empty" : "is damaged: " + catalogue.error(),
                                   "every unit is shown without its artwork");
        }
    }
    if (!inDataFolder) {
        const std::string instead = file ? "the game takes " + file->string() + " in its place"
                                         : std::string("the game goes on without the units' artwork");
        // A FIFO or a folder in its place is told as what it is: the file is not missing.
        std::filesystem::path other;
        if (const std::string problem = notAFile(installDirectory_, DisplayCatalogue::FileName, &other);
            !problem.empty())
            reportUnusableDataFile(other.string(), problem, instead);
        else
            reportMissingDataFile(installDirectory_ + "/" + DisplayCatalogue::FileName, instead);
    }
    // Before any unit exists: each one's display objects are cloned from these.
    registerDisplayPrototypes(catalogue, imageIndex_ != nullptr);
    views_ = std::make_unique<VaelPhysicalLayers>(*this);
    sharedArtwork_ = true;
    for (VaelPhysicalLayer* view : {&views_->normal(), &views_->reversed()})
        view->setWalkEndsInOrder([this] { return layer_ && layer_->isPlayedOnTwoMachines(); });
    // The map windows of both views are saved and restored with the game.
    auto map = [this] { return mapInfo(); };
    viewports0_ = std::make_unique<LayerViewports>(views_->normal(), map);
    viewports4_ = std::make_unique<LayerViewports>(views_->reversed(), map);
    setViewportLayers(viewports0_.get(), viewports4_.get());
}

void VaelApp::deleteViews() {
    // The last layer to go takes the prototypes with it, which still hold their artwork. The walking data
    // the display objects made for themselves goes with the shared artwork, loaded or not.
    setViewportLayers(nullptr, nullptr);
    viewports0_.reset();
    viewports4_.reset();
    views_.reset();
    if (std::exchange(sharedArtwork_, false)) VaelPhysicalObject::freeSharedArtwork();
}

void VaelApp::preloadSprites() {
    if (!views_ || VaelPhysicalLayer::preloadTypes(scenario_.index).empty()) return;
    // The progress shows once there is a window to show it over.
    std::unique_ptr<Dialog> progress;
    if (mainWindowHandle() != 0) {
        progress = std::make_unique<PreloadDlg>();
        progress->attach(*this);
        progress->create(PreloadTemplate, Dialog::Modeless);
        if (onDialog) onDialog(*progress, PreloadTemplate);
    }
    views_->normal().preloadScenarioSprites(scenario_.index, progress.get());
    if (progress && progress->isOpen()) progress->close(0);
}

MapInfoStruct VaelApp::mapInfo() {
    const std::string name = layer_->getMapFileName();
    for (std::int16_t kind : {std::int16_t{9}, std::int16_t{0}}) {
        const auto path = findFileNoCase(dataPath(kind), name);
        LogicalMapFile map;
        if (path && map.readFile(path->string()))
            // As the scenario's "MapInfo" gives it: hex columns, then rows.
            return MapInfoStruct{map.name(), Point(map.width(), map.height())};
    }
    debugStream() << "No map " << name << " to measure the map window by" << std::endl;
    return MapInfoStruct{name, Point(0, 0)};
}

bool VaelApp::mapWindowsOpen() {
    return views_ && (!views_->normal().viewports().isEmpty() || !views_->reversed().viewports().isEmpty());
}

void VaelApp::routeMouseEvent(Display* display, std::int16_t kind, const Point& point) {
    if (display) display->routeMouseEvent(kind, point);
}

// Preferences.

void VaelApp::setPreferences(const Preferences& preferences) {
    const Preferences before = preferences_;
    preferences_ = preferences;
    if (!preferences_.write(platform().settings(), settingsKey()))
        debugStream() << "Cannot store the preferences in " << platform().settings().file().string()
                      << std::endl;
    applyPreferences(&before);
}

void VaelApp::setMissileAutoHit(std::int16_t value) {
    missileAutoHit_ = value ? 1 : 0;
    ::vael::setMissileAutoHit(missileAutoHit_);
}

void VaelApp::applyPreferences(const Preferences* before) {
    Leader::setShowFinishLeader(static_cast<std::uint16_t>(preferences_.finishLeader));
    layer_->setShowOCR(static_cast<std::uint16_t>(preferences_.overallCombatResults));
    if (GameControl* control = gameControl())
        control->setAutoSave(static_cast<std::int16_t>(preferences_.autoSave));
    ::vael::setMissileAutoHit(missileAutoHit_);
    // The battle map's two views play or skip their walks and combats by these, from the start on.
    if (!before || before->movementAnimation != preferences_.movementAnimation) {
        Container<short> walking(static_cast<short>(preferences_.movementAnimation));
        sendNamed(msg::ToggleWalkingAnimation, &walking);
    }
    if (!before || before->combatAnimation != preferences_.combatAnimation) {
        Container<short> combat(static_cast<short>(preferences_.combatAnimation));
        sendNamed(msg::ToggleCombatAnimation, &combat);
    }
    if (before && before->sparseTrees != preferences_.sparseTrees) sendSparseTrees();
    if (!before || before->sound != preferences_.sound || before->ambientSound != preferences_.ambientSound ||
        before->volume != preferences_.volume)
        applySoundPreferences();
}

void VaelApp::applySoundPreferences() {
    sound_->setSoundEnabled(preferences_.sound != 0);
    sound_->setAmbientEnabled(preferences_.ambientSound != 0);
    sound_->setVolume(static_cast<int>(preferences_.volume));
}

void VaelApp::previewVolume(std::uint32_t volume) {
    sound_->setVolume(static_cast<int>(std::min(volume, Preferences::MaxVolume)));
}

void VaelApp::showFinishPrompt() {
    if (finishPrompt_ && finishPrompt_->isOpen()) return;
    finishPrompt_ = std::make_unique<LeaderAlmostDoneDlg>();
    finishPrompt_->attach(*this);
    finishPrompt_->create(LeaderAlmostDoneDlg::TemplateName, Dialog::Modeless);
}

// The battle.

GameControl* VaelApp::gameControl() const {
    return layer_->getGameControl();
}

bool VaelApp::battleRunning() const {
    return gameControl() != nullptr;
}

bool VaelApp::inBattle() const {
    return battleRunning() || (net_ && net_->playing() && !layer_->getLeaders().isEmpty());
}

void VaelApp::changeCaption(const std::string& text) {
    caption_ = text;
    if (onCaption) onCaption(text);
}

void VaelApp::closeBattle() {
    if (!battleRunning() && layer_->getLeaders().isEmpty()) return;
    discardBattle();
}

void VaelApp::discardBattle() {
    // What the battle has still queued (a display object's late reply to a leader) is handled while the
    // battle is there: queued behind "CloseGame", a handler that queries would run the close from inside
    // itself and go on in a leader already deleted.
    drainQueue();
    sendNamedEmpty(msg::CloseGame);
    drainQueue();
    layer_->CloseGame();
    ++battleSerial_;
    Roll::setShownApart(false);
    finishPrompt_.reset();
    ending_ = false;
    campaign_->battleClosed();
    // What the status bar told of the battle (the unit last selected) would stand over the next one.
    showNoBattleStatus();
}

void VaelApp::showNoBattleStatus() {
    setStatusText(VaelMainWindow::Title, 1);
    setStatusText("", 2);
}

bool VaelApp::startCampaignBattle(bool homeComputer, std::string& error) {
    closeBattle();
    const CampaignProvince* province = campaign_->province();
    if (!campaign_->active() || !province || campaign_->state().outcome != CampaignState::Going)
        return error = "there is no campaign battle to fight", false;
    campaign_->battleBegins();
    if (startBattle(province->scenario, CustomScenario, homeComputer, true, error, 1)) return true;
    campaign_->battleClosed();
    return false;
}

bool VaelApp::startBattle(const std::string& scenarioFile, std::uint32_t index, bool homeComputer,
                          bool visitorComputer, std::string& error, std::uint16_t campaign) {
    closeBattle();
    commentary_.clear();
    title_.clear();
    scenario_ = SavedScenario{index > CustomScenario ? CustomScenario : index, scenarioFile};
    if (!layer_->LoadScenario(ScenarioInfoStruct{scenario_.index, scenarioFile, scenarioFile, campaign})) {
        error = "cannot load the battle " + scenarioFile;
        discardBattle();
        return false;
    }
    preloadSprites();
    layer_->getSideControlServices().introDialog = [homeComputer, visitorComputer] {
        return std::pair<bool, bool>{homeComputer, visitorComputer};
    };
    TeamInfoStruct team;
    team.homeNation = layer_->getHomeNation(), team.visitorNation = layer_->getVisitorNation();
    team.homeName = GameControl::nationName(team.homeNation);
    team.visitorName = GameControl::nationName(team.visitorNation);
    for (Leader* leader : each(layer_->getHomeLeaders()))
        team.homeLeaders.append(leader->getName());
    for (Leader* leader : each(layer_->getVisitorLeaders()))
        team.visitorLeaders.append(leader->getName());
    LeaderControl(*layer_, team);
    if (campaign && homeComputer) giveHomeToComputer();
    if (!plansReady(error)) {
        discardBattle();
        return false;
    }
    layer_->CreateGameControl(scenario_.index);
    beginGame(false);
    return true;
}

bool VaelApp::plansReady(std::string& error) const {
    // A side whose plan cannot be played would stand idle to the turn cap: such a battle is not begun.
    for (const bool visitor : {false, true})
        if (ComputerOpponent* opponent = layer_->getOpponent(visitor)) {
            const std::string failure = opponent->planFailure();
            if (!failure.empty()) {
                debugStream() << "The battle cannot begin: " << failure << std::endl;
                return error = failure, false;
            }
        }
    return true;
}

bool VaelApp::wordsWaitForTheDisplay() const {
    return wordsWait_ && views_ && layer_ && layer_->isPlayedOnTwoMachines() &&
           (views_->shownViewBusy() || combatPauseUnderWay(*layer_));
}

void VaelApp::setWordsWaitForTheDisplay(bool wait) {
    wordsWait_ = wait;
    if (net_ && !wait) net_->lookedForWork();
}

bool VaelApp::lookingForEvents() {
    // As the sockets are looked at: once what the platform queued has been taken.
    if (!net_ || !net_->wordsHeldForTheDisplay() || platform().eventWaiting()) return false;
    net_->lookedForWork();
    return !net_->wordsHeldForTheDisplay();
}

bool VaelApp::startNetworkBattle(const std::string& scenarioFile, std::uint32_t index, bool homeHere,
                                 bool computerHere, std::string& error) {
    return startNetworkBattle(scenarioFile, index, std::vector<std::string>{}, homeHere ? 1 : 2, computerHere,
                              error);
}

bool VaelApp::startNetworkBattle(const std::string& scenarioFile, std::uint32_t index,
                                 const std::vector<std::string>& leadersHere, bool computerHere,
                                 std::string& error) {
    return startNetworkBattle(scenarioFile, index, leadersHere, 0, computerHere, error);
}

bool VaelApp::startNetworkBattle(const std::string& scenarioFile, std::uint32_t index,
                                 const std::vector<std::string>& leadersHere, int sideHere, bool computerHere,
                                 std::string& error) {
    closeBattle();
    commentary_.clear();
    title_.clear();
    scenario_ = SavedScenario{index > CustomScenario ? CustomScenario : index, scenarioFile};
    net_->setTurnsMayDecide(GameControl::turnsMayDecide(scenario_.index));
    if (!layer_->LoadScenario(ScenarioInfoStruct{scenario_.index, scenarioFile, scenarioFile, 0})) {
        error = "cannot load the battle " + scenarioFile;
        discardBattle();
        return false;
    }
    // Each machine's display plays at its own pace, apart from the battle's rules and dice.
    layer_->setPlayedOnTwoMachines(true);
    Roll::setShownApart(true);
    preloadSprites();
    // Only the leaders played here are named: the others are the other machine's.
    TeamInfoStruct team;
    team.homeNation = layer_->getHomeNation(), team.visitorNation = layer_->getVisitorNation();
    team.homeName = GameControl::nationName(team.homeNation);
    team.visitorName = GameControl::nationName(team.visitorNation);
    const auto here = [&](Leader* leader, bool home) {
        if (sideHere) return (sideHere == 1) == home;
        return std::find(leadersHere.begin(), leadersHere.end(), leader->getName()) != leadersHere.end();
    };
    for (Leader* leader : each(layer_->getHomeLeaders()))
        if (here(leader, true)) team.homeLeaders.append(leader->getName());
    for (Leader* leader : each(layer_->getVisitorLeaders()))
        if (here(leader, false)) team.visitorLeaders.append(leader->getName());
    LeaderControl(*layer_, team);
    if (computerHere) {
        if (!team.homeLeaders.isEmpty()) giveLocalSideToComputer(*layer_, false);
        if (!team.visitorLeaders.isEmpty()) giveLocalSideToComputer(*layer_, true);
    }
    if (!plansReady(error)) {
        discardBattle();
        return false;
    }
    if (!net_->isHost()) return true;
    net_->scenarioLoaded(scenario_.index, 2);
    if (!gameControl()) {
        error = "the battle " + scenarioFile + " has no game control";
        layer_->CloseGame();
        return false;
    }
    beginGame(false);
    return true;
}

// A campaign battle gives home to the player; the battle tool and the tests let the computer play it too.
void VaelApp::giveHomeToComputer() {
    for (Leader* leader : each(layer_->getHomeLeaders())) {
        leader->setComputerControlled();
        layer_->addComputerLeader(leader);
    }
    std::uint32_t type = preferences_.lastAIType;
    const std::size_t plan = choosePlan(layer_->getScriptKinds(false), type, Roll::rand);
    DynArray<std::string>& names = layer_->getScriptNames(false);
    const std::string name =
        plan < layer_->getScriptKinds(false).size() ? names[static_cast<std::int32_t>(plan)] : std::string();
    layer_->setHomePlanName(name);
    createOpponent(*layer_, false, name);
    // The elite initiative is the player's question, and no leader is his now.
    disconnectEliteInitiative(*layer_);
    registerEliteInitiative(*layer_);
}

void VaelApp::beginGame(bool resumed) {
    GameControl* control = gameControl();
    const std::string title = title_.empty() ? layer_->getScenarioName() : title_;
    control->setCaptionSource([title] { return title; });
    control->setAutoSave(static_cast<std::int16_t>(preferences_.autoSave));
    control->setResumeDisplay([this] {
        if (views_) views_->finishTickUnderWay();
    });
    if (onBattleBeginning) onBattleBeginning();
    Container<short> resume(resumed ? 1 : 0);
    listener_->send(BEGIN_GAME, &resume);
}

bool VaelApp::savedGameBytes(std::vector<std::uint8_t>& bytes, std::string& error,
                             const std::string& description) {
    if (!battleRunning()) return error = "there is no battle to save", false;
    bytes = writeSavedHeader(*view0_, *view4_, scenario_, description);
    // Every file written ends in its check: the mark near its start says so, where no cut can reach.
    markCheckedSave(bytes);
    // A campaign battle carries the campaign between the scenario and the layer's part.
    if (campaign_->inBattle()) {
        const std::vector<std::uint8_t> record = writeCampaignRecord(campaign_->state());
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    if (!appendLayerPart(*layer_, bytes)) return error = "the battle is too large to save", false;
    // The display's part follows the battle's, so that a loaded game shows every figure where it stood;
    // it is added before the file is written, so that the file is never rewritten in place.
    // Saved as it resumes, before the replies the loaded display owed are answered, the game is saved as it
    // was loaded: the figures where the battle sets them down, and the record of those replies.
    if (!repliesOwedRecord_.empty()) {
        bytes.insert(bytes.end(), repliesOwedRecord_.begin(), repliesOwedRecord_.end());
        return true;
    }
    if (views_ && !views_->saveGameBytes(bytes)) return error = "the battle's display cannot be saved", false;
    return true;
}

bool VaelApp::saveGame(const std::string& fileName, std::string& error, const std::string& description) {
    std::vector<std::uint8_t> bytes;
    if (!savedGameBytes(bytes, error, description)) return false;
    // The check goes last, over every byte before it, whoever added them.
    sealSavedGame(bytes);
    // The old file stays as it was until the new one is whole on the disk.
    return platform::writeWholeFile(fileName, bytes, error, saveOutput);
}

void VaelApp::letMapComeToRest() {
    playOnWhile([this] { return views_ && views_->shownViewBusy(); }, SaveWaitMs);
}

void VaelApp::playOnWhile(const std::function<bool()>& busy, std::int32_t limitMs) {
    const std::uint32_t start = tickCount();
    while (battleRunning() && busy() && static_cast<std::int32_t>(tickCount() - start) < limitMs) {
        // With nothing to run the wait sleeps until the next event or timer's tick, as the game's own loop
        // does, rather than spin a core for as long as it lasts (and on the headless platform only a wait
        // moves the clock). Where nothing will ever come (no timer runs, no socket is watched) the battle is
        // as much at rest as it will get.
        if (queuedTasks() == 0 && !messageWaiting() && !waitMessage()) break;
        if (!pumpMessage()) break;
        if (queuedTasks() != 0) runOneTask();
    }
}

std::string VaelApp::saveWaitsFor() const {
    GameControl* control = gameControl();
    if (!battleRunning() || !control) return {};
    const LeaderUnitInfo* active = control->activeLeaderInfo();
    Leader* leader = active ? active->leader : nullptr;
    // Another machine's leader gives his orders there, as he always has.
    if (leader && !layer_->isLocalLeader(leader)) return {};
    if (leader && layer_->isComputerLeader(leader)) {
        ComputerOrders orders;
        for (const bool visitor : {false, true})
            if (ComputerOpponent* opponent = layer_->getOpponent(visitor);
                opponent && opponent->ordersUnderWay(orders) && orders.leader == leader->getUnitNum()) {
                // His orders wait for the ends of what the display plays: a file without its record of them
                // would have them wait for ever.
                if (std::string why = opponent->ordersUncarried(); !why.empty() || !views_ ||
                                                                   views_->underWayCarried())
                    return why;
                return "the display plays for " + leader->getName() + "'s orders what a saved game cannot keep";
            }
    } else if (leader && leader->isOrdersPhaseActive()) {
        // The player's orders wait for him; what an order of his set going is still on its way.
        if (queuedTasks() == 0) return {};
        return leader->getName() + "'s last order is still being carried out";
    }
    // The pause after the combats, their results seen, is carried; the combats themselves are not.
    if (leader && combatPauseUnderWay(*layer_) && queuedTasks() == 0) return {};
    return "the battle is between two leaders' orders: the combats and what follows them are under way";
}

bool VaelApp::awaitSaveableMoment(std::string& why) {
    why = saveWaitsFor();
    if (why.empty()) return true;
    // The player reading his own box is no fault of the battle's: the save waits on him, unhurried, and
    // tells him what it waits for. Only the wait after the box is counted.
    for (std::string box; !why.empty() && playersBox && !(box = playersBox()).empty();) {
        setStatusText(SaveWaitsForBoxStatus + box, 2);
        playOnWhile([&] { return playersBox() == box; }, std::numeric_limits<std::int32_t>::max());
        if (!battleRunning()) return why = "the battle was ending", false;
        // Nothing more will come to close it.
        if (playersBox() == box) return false;
        why = saveWaitsFor();
    }
    if (why.empty()) return true;
    setStatusText("Save Game waits until the battle can be saved: " + why, 2);
    playOnWhile([&] { return !(why = saveWaitsFor()).empty(); }, SaveRulesWaitMs);
    if (!battleRunning()) why = "the battle was ending";
    return why.empty();
}

bool VaelApp::loadGame(const std::string& fileName, std::string& error) {
    // A file that names as its battle a file that is none (a plan, a map) is refused in the game's own
    // words, never with the internal-failure box whose Yes ends the game: the failed checks met on the way
    // are held, and asked as ever (Yes ending the game) only once the file has loaded.
    std::vector<std::pair<std::string, std::string>> held;
    AssertionPrompt asking =
        Assertion::setPrompt([&held](const std::string& text, const std::string& caption) {
            held.emplace_back(text, caption);
            return false;
        });
    bool loaded = false;
    try {
        loaded = readAndLoad(fileName, error);
    } catch (...) {
        Assertion::setPrompt(std::move(asking));
        throw;
    }
    Assertion::setPrompt(asking);
    if (loaded) {
        for (const auto& [text, caption] : held)
            if (!asking || asking(text, caption))
                throw Assertion(text.substr(0, text.rfind("  Abort?")), caption, 0);
        return true;
    }
    // A refusal may quote the file's own bytes (a plan's or a battle's name): they are shown, not obeyed,
    // and a byte that begins no character is shown as its value, as a plan's name is.
    error = printable(error, LoneBytes::Escaped);
    return false;
}

bool VaelApp::readAndLoad(const std::string& fileName, std::string& error) {
    std::vector<std::uint8_t> bytes;
    SavedCheck check = SavedCheck::Absent;
    if (!readFileBytes(fileName, bytes, error, file_limits::SavedGame) ||
        !unsealSavedGame(bytes, error, &check))
        return false;
    if (check != SavedCheck::Matched && savedCheckMark(bytes))
        return error =
                   "the saved game is cut short or damaged: it was saved with a check it no longer ends in",
               false;
    SavedScenario scenario;
    if (!readSavedScenario(bytes, scenario, error)) return false;
    CampaignState campaign;
    bool inCampaign = false;
    if (!readSavedCampaign(bytes, campaign_->definition(), campaign, inCampaign, error)) return false;
    // The battle a file names is looked for among the data folder's scenarios and nowhere else; one that
    // is not there is the file's fault, refused as any other, not a failed check of the game's own data.
    const std::string said =
        "the saved game names the battle \"" + printableCut(scenario.fileName, QuotedNameBytes) + "\", which ";
    if (!plainFileName(scenario.fileName)) return error = said + "is not a file name of the scenario folder", false;
    if (vael::findDataFile(dataPath(9), scenario.fileName).empty()) {
        std::filesystem::path other;
        const std::string problem = notAFile(dataPath(9), scenario.fileName, &other);
        return error = problem.empty() ? said + "the scenario folder " + dataPath(9) + " does not hold"
                                       : "The scenario file " + other.string() + " " + problem,
               false;
    }
    // The battle's part is tried over a battle of its own first, so that a file that does not fit leaves
    // the running one untouched. A campaign battle stands as its campaign's state makes it, which only the
    // restore sets up.
    if (!inCampaign &&
        !checkLayerPart(ScenarioInfoStruct{scenario.index, scenario.fileName, scenario.fileName, 0}, bytes,
                        error, check))
        return false;
    // What the file holds past its header can only be read over its battle: the battle running is kept
    // aside, to be put back when the file turns out bad.
    std::vector<std::uint8_t> running;
    if (std::string unsaved; battleRunning() && !savedGameBytes(running, unsaved)) running.clear();
    const bool campaignWas = campaign_->active();
    const CampaignState campaignBefore = campaign_->state();
    if (restore(bytes, scenario, error, check)) return true;
    SavedScenario before;
    std::string again;
    if (!running.empty() && readSavedScenario(running, before, again)) {
        restore(running, before, again, SavedCheck::Matched);
    } else if (campaignWas) {
        // Between two battles of a campaign nothing runs to put back but the campaign.
        campaign_->resume(campaignBefore);
    }
    return false;
}

bool VaelApp::restoreBattle(const std::vector<std::uint8_t>& bytes, const SavedScenario& scenario,
                            std::string& error, SavedCheck check, std::vector<VaelNetComponent::UnitSight>& started) {
    CampaignState campaign;
    bool inCampaign = false;
    if (!readSavedCampaign(bytes, campaign_->definition(), campaign, inCampaign, error)) return false;
    closeBattle();
    commentary_.clear();
    title_.clear();
    scenario_ = scenario;
    // The campaign answers the layer as it did when the battle began, so that the same units stand.
    if (inCampaign) {
        campaign_->resume(campaign);
        campaign_->battleBegins();
    } else {
        campaign_->abandon();
    }
    if (!layer_->LoadScenario(ScenarioInfoStruct{scenario.index, scenario.fileName, scenario.fileName,
                                                 static_cast<std::uint16_t>(inCampaign ? 1 : 0)})) {
        discardBattle();
        return error = "cannot load the battle " + scenario.fileName + " the game was saved over", false;
    }
    preloadSprites();
    layer_->CreateGameControl(scenario.index);
    // The map windows come back once the units they show exist. The sides are known first: a battle the
    // battle tool cannot play is refused for that, whatever else it would open.
    started = VaelNetComponent::sightOf(*layer_);
    if (!loadLayerPart(*layer_, bytes, error, check) || !(error = sideLeftToThePlayer()).empty() ||
        !readSavedViewports(bytes, *view0_, *view4_, error) || !plansReady(error)) {
        discardBattle();
        return false;
    }
    return true;
}

bool VaelApp::restoreDisplay(const std::vector<std::uint8_t>& bytes,
                             const std::vector<VaelNetComponent::UnitSight>& started, std::vector<std::uint16_t>& shown,
                             std::vector<LogicalCommandInfo>& answers, bool& underWayRead, std::string& error) {
    underWayRead = false;
    // The display objects were made where the scenario sets the units down: the display's part puts each
    // back as it was saved. A game saved without that part has them put on their units' hexes, turned
    // their way, the fallen taken off; a part there but cut short is refused with the rest.
    if (views_ && views_->loadGameBytes(bytes)) {
        underWayRead = views_->underWayLoaded();
        std::vector<LogicalCommandInfo> owed;
        views_->forEachReplyOwed([&](const LogicalCommandInfo& command) { owed.push_back(command); });
        if (const std::string why = replyOwedToNobody(owed); !why.empty()) {
            discardBattle();
            return error = "the saved game's record of what the display had under way " + why, false;
        }
        shown = awaitRepliesOwed(owed);
        return true;
    }
    if (views_) {
        if (savedDisplayPart(bytes)) {
            discardBattle();
            if (!views_->underWayProblem().empty())
                return error = "the saved game's record of what the display had under way " +
                               views_->underWayProblem(),
                       false;
            const std::string& why = views_->loadProblem();
            return error =
                       why.empty()
                           ? "the saved game's display part is cut short"
                           : "the saved game's display part holds a unit shown as no battle shows it: " + why,
                   false;
        }
        VaelNetComponent::showChanges(*layer_, started);
        // The figures stand as a display part would put them: read back from one written now, so that the
        // battle plays on as it does loaded from the same game saved again at once, with nothing of their
        // setting down left playing.
        std::vector<std::uint8_t> shownNow(8, 0);
        if (views_->saveGameBytes(shownNow)) views_->loadGameBytes(shownNow);
    }
    // What the saved display still owed, nothing here plays: without the display every command is answered
    // as it is given, and so are these, once the battle goes on, as by a display that plays nothing. A game
    // saved without the display as it resumed keeps that record after its own part.
    std::size_t recordAt = 0;
    repliesOwedRecord_.clear();
    // The boxes the commands carry are read by the types the display registers when it is made.
    VaelPhysicalObject::registerUnderWayTypes();
    std::string refused;
    underWayRead = repliesOwedIn(bytes, answers, &recordAt, refused);
    if (underWayRead) refused = replyOwedToNobody(answers);
    // A record the display would refuse is refused here too, with the same words: answered as it stands,
    // what it owes would reach nobody and the battle would wait for ever.
    if (!refused.empty()) {
        discardBattle();
        return error = "the saved game's record of what the display had under way " + refused, false;
    }
    if (underWayRead && !answers.empty()) {
        const std::optional<ComputerOrders>& orders = layer_->resumedComputerOrders();
        debugStream() << "Resumed owing the display's " << answers.size() << " replies"
                      << (orders && !orders->moving.empty() ? " inside the computer's orders" : "")
                      << ": answered at once\n";
        repliesOwedRecord_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(recordAt), bytes.end());
    }
    shown = awaitRepliesOwed(answers);
    return true;
}

// The battle tool plays for tests and sweeps with the computer on both sides: a side of a game saved by
// the player (or in network play, which comes back with every leader played here) would wait for orders
// nobody gives, and the battle would stand still. Empty when the computer plays every leader, or in the game.
std::string VaelApp::sideLeftToThePlayer() const {
    if (!computerSidesOnly_) return {};
    // As the activations tell a computer's leader; one out of play gives no orders.
    for (Leader* leader : each(layer_->getLeaders()))
        if (!layer_->isComputerLeader(leader) && !leader->isComputerControlled() && !leader->isOutOfPlay())
            return std::string("the ") + (layer_->onVisitorSide(leader->getNation()) ? "visitor" : "home") +
                   " side is the player's, and the battle tool plays only battles the computer plays on both "
                   "sides";
    return {};
}

// A reply owed to a unit the battle does not have reaches nobody: the battle would wait for it for ever.
// Empty when every reply owed names a unit there is (or none, as a shock combat's and a turn's do).
std::string VaelApp::replyOwedToNobody(const std::vector<LogicalCommandInfo>& owed) const {
    for (const LogicalCommandInfo& command : owed) {
        const std::int32_t id = command.replyEvent.id();
        const std::string name = id > 0 && id <= 0xFFFF
                                     ? RegisteredMessage::nameOf(static_cast<std::uint16_t>(id))
                                     : std::string();
        std::int32_t unit = -1;
        MoveReturnStruct done;
        MissileDebrisStruct debris;
        short number = 0;
        if (name == msg::MovementDone && Container<MoveReturnStruct>::fromMessage(command.extra.get(), done))
            unit = done.unitNumber;
        else if (name == msg::ReturnFromMissileFire &&
                 Container<MissileDebrisStruct>::fromMessage(command.extra.get(), debris))
            unit = debris.unitNumber;
        else if ((name == msg::DoneRampaging || name == msg::RoutingDone || name == msg::OWMovementDone ||
                  name == msg::AdvancingDone || name == msg::GroupMovementDone) &&
                 Container<short>::fromMessage(command.extra.get(), number))
            // A shock combat's end is owed under its own number, below nought.
            unit = number;
        if (unit >= 0 && !layer_->findUnit(static_cast<std::uint16_t>(unit)))
            return "owes \"" + name + "\" to unit " + std::to_string(unit) +
                   ", which the battle does not have";
    }
    return {};
}

// What the units waited for from the display, the display still plays: they wait for it again. The
// elephants whose rampage it still shows are told.
std::vector<std::uint16_t> VaelApp::awaitRepliesOwed(std::vector<LogicalCommandInfo>& owed) {
    std::vector<std::uint16_t> shown;
    const auto movementDone = static_cast<std::int32_t>(RegisteredMessage::getId(msg::MovementDone));
    const auto doneRampaging = static_cast<std::int32_t>(RegisteredMessage::getId(msg::DoneRampaging));
    const auto volleyOver = static_cast<std::int32_t>(RegisteredMessage::getId(msg::ReturnFromMissileFire));
    std::vector<MissileCapable*> volleys;
    // The ends of the moves are heard in the order the units began them: a computer leader's orders
    // under way began before the moves he ordered, and hear their ends before those units do.
    std::vector<VaelUnit*> waiting;
    for (const LogicalCommandInfo& command : owed) {
        MoveReturnStruct done;
        short beast = 0;
        if (command.replyEvent.id() == movementDone &&
            Container<MoveReturnStruct>::fromMessage(command.extra.get(), done)) {
            if (VaelUnit* unit = layer_->findUnit(done.unitNumber)) waiting.push_back(unit);
        } else if (MissileDebrisStruct debris; command.replyEvent.id() == volleyOver &&
                   Container<MissileDebrisStruct>::fromMessage(command.extra.get(), debris)) {
            if (auto* archer = dynamic_cast<MissileCapable*>(layer_->findUnit(debris.unitNumber)))
                volleys.push_back(archer);
        } else if (command.replyEvent.id() == doneRampaging &&
                   Container<short>::fromMessage(command.extra.get(), beast)) {
            // A beast whose rampage ended in the rules as it was shown (between two machines) is gone.
            if (auto* elephant =
                    dynamic_cast<Elephant*>(layer_->findUnit(static_cast<std::uint16_t>(beast)));
                elephant && !elephant->isOutOfPlay()) {
                elephant->resumeRampage();
                shown.push_back(elephant->getUnitNum());
            }
        }
    }
    const std::optional<ComputerOrders>& orders = layer_->resumedComputerOrders();
    const auto ordered = [&](const VaelUnit* unit) {
        return orders && std::find(orders->moving.begin(), orders->moving.end(),
                                   static_cast<std::int16_t>(unit->getUnitNum())) != orders->moving.end();
    };
    for (VaelUnit* unit : waiting)
        if (!ordered(unit)) unit->awaitMovementDone();
    if (orders) {
        for (const bool visitor : {false, true})
            if (ComputerOpponent* opponent = layer_->getOpponent(visitor)) opponent->hearMovesOf(*orders);
        for (std::int16_t number : orders->moving)
            for (VaelUnit* unit : waiting)
                if (unit->getUnitNum() == static_cast<std::uint16_t>(number)) unit->awaitMovementDone();
    }
    // A volley the computer's orders loosed and still wait for is worked out when it lands, by the unit
    // that loosed it (a reaction's volley was worked out as it was loosed).
    for (MissileCapable* archer : volleys)
        if (ordered(archer)) archer->awaitVolley();
    // The replies come in the order the units began to wait: the moves of units outside the orders, those
    // the orders made in their order, then the rest as the display held them.
    const auto rank = [&](const LogicalCommandInfo& command) -> std::size_t {
        MoveReturnStruct done;
        if (command.replyEvent.id() != movementDone ||
            !Container<MoveReturnStruct>::fromMessage(command.extra.get(), done))
            return SIZE_MAX;
        if (!orders) return 0;
        const auto at = std::find(orders->moving.begin(), orders->moving.end(),
                                  static_cast<std::int16_t>(done.unitNumber));
        return at == orders->moving.end() ? 0 : 1 + static_cast<std::size_t>(at - orders->moving.begin());
    };
    std::stable_sort(owed.begin(), owed.end(),
                     [&](const LogicalCommandInfo& a, const LogicalCommandInfo& b) { return rank(a) < rank(b); });
    return shown;
}

// A computer leader's orders saved while the moves he ordered were still shown wait for their ends, which
// only the display's record of them brings (played by the display, or answered at once without it): a file
// that lacks the record would have nobody end them, and the battle would stand still. Empty when nothing waits so.
std::string VaelApp::ordersLeftWaiting(bool underWayRead) const {
    const std::optional<ComputerOrders>& orders = layer_->resumedComputerOrders();
    if (!orders || orders->moving.empty()) return {};
    const Leader* leader = layer_->findLeader(orders->leader);
    const std::string who = leader ? leader->getName() : "the computer's leader";
    if (!underWayRead)
        return "the saved game holds " + who +
               "'s orders under way but not the display's record of the moves they wait for: nobody would end them";
    return {};
}

bool VaelApp::restore(const std::vector<std::uint8_t>& bytes, const SavedScenario& scenario,
                      std::string& error, SavedCheck check) {
    std::vector<VaelNetComponent::UnitSight> started;
    std::vector<std::uint16_t> shown;
    std::vector<LogicalCommandInfo> answers;
    bool underWayRead = false;
    if (!restoreBattle(bytes, scenario, error, check, started) ||
        !restoreDisplay(bytes, started, shown, answers, underWayRead, error))
        return false;
    if (error = ordersLeftWaiting(underWayRead); !error.empty()) {
        discardBattle();
        return false;
    }
    // A beast the file has rampaging is bound to leave play again, its loss sealed once game control counts
    // again; one whose rampage nothing shows now ends it at once, before anything else goes on.
    if (GameControl* control = gameControl())
        control->setResumeRules([this, shown] {
            for (VaelUnit* unit : layer_->allUnits())
                if (auto* beast = dynamic_cast<Elephant*>(unit); beast && beast->isRampaging()) {
                    beast->condemn();
                    if (std::find(shown.begin(), shown.end(), beast->getUnitNum()) == shown.end())
                        beast->endRampageUnshown();
                }
        });
    // A battle saved in network play keeps no word of the other machine and comes back with every leader
    // played here: the player is told first that the side the other player had is his now.
    if (layer_->getComputerLeaders().isEmpty())
        commentary_.addLine("\\BBoth sides are played here:\\b neither the computer nor another machine gives "
                            "orders in this battle.");
    const std::size_t told = commentary_.lines().size();
    beginGame(true);
    for (const LogicalCommandInfo& answer : answers)
        listener_->send(answer.replyEvent, answer.extra.get());
    repliesOwedRecord_.clear();
    // The commentary of the battle saved is not kept: a game that goes on in the middle of a leader's
    // orders says at least whose they are.
    if (GameControl* control = gameControl(); control && commentary_.lines().size() == told) {
        if (const LeaderUnitInfo* active = control->activeLeaderInfo())
            commentary_.addLine("\\B" + commentaryText(active->name) +
                                "\\b is now active.");
    }
    return true;
}

bool VaelApp::autoSave(const std::string& why) {
    if (!autosaves_) return false;
    std::error_code failed;
    const std::filesystem::path dir = savedGamesDirectory();
    std::filesystem::create_directories(dir, failed);
    const std::string file = (dir / AutosaveName).string();
    std::string error;
    if (!failed && saveGame(file, error)) {
        debugStream() << "Autosaved: " << why << std::endl;
        autosaveFailureTold_ = false;
        return true;
    }
    if (failed) error = "cannot write " + file + ": " + failed.message();
    debugStream() << "The autosave failed: " << error << std::endl;
    // The player relies on it to go back to his last activation: he is told where it failed and why.
    if (!std::exchange(autosaveFailureTold_, true))
        commentary_.addLine("\\BThe autosave failed:\\b " + commentaryText(error));
    return false;
}

void VaelApp::gameEnded(bool homeWon) {
    if (ending_) return;
    ending_ = true;
    if (Dialog* question = std::exchange(leaveQuestion_, nullptr); question && question->isOpen())
        question->close(Dialog::IdCancel);
    WinApp::setStatusText("", 1);
    WinApp::setStatusText("", 2);
    // This machine's side: the one played here, the home side when the computer plays both.
    bool homeHere = true;
    for (Leader* leader : each(layer_->getLocalLeaders()))
        if (!layer_->isComputerLeader(leader)) {
            homeHere = !layer_->onVisitorSide(leader->getNation());
            break;
        }
    // Between machines the player may lead some of each side: his is the side he fights with.
    if (layer_->isPlayedOnTwoMachines())
        if (const std::optional<bool> visitor = layer_->visitorSideHere()) homeHere = !*visitor;
    const std::uint32_t nation = homeHere ? layer_->getHomeNation() : layer_->getVisitorNation();
    const bool won = homeHere == homeWon;
    // The end's box holds the queue until its player closes it: what is queued behind the end (the host's
    // word of it to the other machine, whose own picture waits on it) goes first.
    if (net_->playing()) drainQueue();
    if (endOfGameDialog) {
        endOfGameDialog(nation, won);
    } else {
        // Let go by the other machine for this one's silence, the side played here lost no fight: the end
        // says the connection was lost, not that its army broke.
        const auto outcome = won                                   ? EndOfGameDlg::Outcome::Won
                             : net_->playing() && net_->droppedHere() ? EndOfGameDlg::Outcome::ConnectionLost
                                                                      : EndOfGameDlg::Outcome::Lost;
        EndOfGameDlg end(nation, outcome, onDialog);
        // "Overview" shows the battle's last tallies in the turn's overview, over the dialog.
        const PhaseDialogs& phases = layer_->getPhaseDialogs();
        if (GameControl* control = gameControl(); control && phases.gameOverview) {
            const EndOfGameResults results =
                control->results(homeWon ? layer_->getHomeNation() : layer_->getVisitorNation());
            end.overview = [show = phases.gameOverview, results] { show(results); };
        }
        end.attach(*this);
        end.create(EndOfGameDlg::TemplateName, Dialog::Modal);
    }
    listener_->closeSoon();
}

void VaelApp::setStatusText(const std::string& text, std::int16_t pane) {
    if (ending_ && !text.empty()) return;
    WinApp::setStatusText(text, pane);
}

std::string VaelApp::statusNotice(std::int16_t pane) const {
    return pane == 2 && net_ ? net_->waitingText() : std::string();
}

std::int32_t VaelApp::messageBox(const std::string& text, const std::string& title, std::uint16_t style) {
    if ((style & 0x0F) != 0 || mainWindowHandle() == 0) return WinApp::messageBox(text, title, style);
    const std::vector<std::string> lines = InformationDlg::splitLines(text);
    InformationDlg box(0, lines.front(), onDialog);
    for (std::size_t i = 1; i < lines.size(); ++i)
        box.addLine(lines[i]);
    // A box of OK alone is a notice: it offers no Cancel, which would take back nothing.
    box.okAlone();
    box.attach(*this);
    return box.show(title);
}

void VaelApp::setViewportLayers(ViewportLayer* view0, ViewportLayer* view4) {
    view0_ = view0 ? view0 : &closedView0_;
    view4_ = view4 ? view4 : &closedView4_;
}

} // namespace vael
