#pragma once
// The game's application object: it assembles the game on a platform. It reads the preferences, owns the
// logical layer with the unit prototypes, the sound manager, the commentary, the image index with the
// display objects' prototypes and shared artwork, and the two views' display layers; it finds the data, and
// runs the road of a battle: the scenario, who plays which side, the game's start, saving, loading, the
// autosave and the end. The program and the battle tool both start from it, so that the tests drive the setup
// a player runs.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/command_records.h"
#include "framework/display/palette_entry.h"
#include "framework/ui/win_app.h"
#include "game/flow/saved_game.h"
#include "game/net/vael_net_component.h"
#include "game/rules/scenario_records.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/preferences.h"
#include "game/shell/saved_game_header.h"

namespace vael {

class Campaign;
class GameControl;
class ImageIndex;
class LeaderAlmostDoneDlg;
class PaletteAnimator;
class SoundGroupService;
namespace platform {
class AudioOutput;
class FileOutput;
} // namespace platform
class VaelLogicalLayer;
class VaelPhysicalLayers;
class VaelNetComponent;
class VaelSoundManager;

class VaelApp : public WinApp {
public:
    // The product key under the vendor's key in the settings.
    static constexpr const char* ProductKey = "Vaelmoric";
    static constexpr const char* AutosaveName = "Autosave.vel";
    // The progress of the loading of a scenario's images.
    static constexpr const char* PreloadTemplate = "PreloadDlg";
    static constexpr std::uint32_t CustomScenario = 10;
    static constexpr std::int16_t WaterFirst = 202, WaterLast = 210, WaterFrames = 4;
    // The colour of the water's entry i (0 to 8) in animation frame f: the shades move on two a frame.
    static PaletteEntry waterColour(std::int16_t frame, std::int16_t i);

    // What an installer would write on first start: the data directory and the palette file. While the
    // environment's VAEL_DATA names a data directory, no "Path" is written, so that it is the one played.
    static void writeInstallSettings(platform::Settings& settings, const std::string& dataDirectory);
    // The saved games' directory: $XDG_DATA_HOME/vael, else ~/.local/share/vael.
    static std::filesystem::path savedGamesDirectory();
    // Every folder whose files a game started with these settings may read: the settings' "Path", VAEL_DATA
    // and fallbackData, each that is set (the first of them is played, the others stand in for what it
    // lacks).
    static std::vector<std::filesystem::path> dataFolders(const platform::Settings& settings,
                                                          const std::string& fallbackData);

    // The data directory comes from "Path" in the settings, else VAEL_DATA, else fallbackData. With an
    // audio output (not owned; it outlives the application) the game is heard, else it is silent. Without
    // views (a tool that answers the animations itself) no display layer, prototype or artwork is made.
    enum class Views { Shown, None };
    VaelApp(platform::Platform& platform, const std::string& fallbackData,
            platform::AudioOutput* audio = nullptr, Views views = Views::Shown);
    ~VaelApp() override;
    VaelApp(const VaelApp&) = delete;
    VaelApp& operator=(const VaelApp&) = delete;

    // Data.
    std::string& dataPath(std::int16_t kind = 0) override;
    // The installation's directory for a kind of data, else the second one (what a CD held: the data the
    // build wrote). Kind 4 is always the installation's.
    const std::string& getDirectory(std::int16_t kind) const;
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override;
    // Reads "oiffile.hed" of the data directory and keeps its archives; false when there is none.
    bool readImageIndex();
    bool hasImageIndex() const { return imageIndex_ != nullptr; }
    void routeMouseEvent(Display* display, std::int16_t kind, const Point& point) override;

    // Preferences: stored at once and put into effect.
    const Preferences& preferences() const { return preferences_; }
    void setPreferences(const Preferences& preferences);
    // The sound heard at that volume at once, the preferences untouched (while the player tries it out).
    void previewVolume(std::uint32_t volume);
    // The cheat of the preferences dialog: not stored, in effect until changed.
    std::int16_t missileAutoHit() const { return missileAutoHit_; }
    void setMissileAutoHit(std::int16_t value);

    // The battle.
    VaelLogicalLayer& logicalLayer() { return *layer_; }
    // The display layers of view 0 and view 4; null without views.
    VaelPhysicalLayers* views() { return views_.get(); }
    // The battle's map as its windows show it: the map's own name (its overview picture's) and its size in
    // hexes (rows, columns); the file name and no size when the map cannot be read.
    MapInfoStruct mapInfo();
    // Whether either view has a map window open.
    bool mapWindowsOpen();
    GameControl* gameControl() const;
    CommentaryDlg& commentary() { return commentary_; }
    VaelSoundManager& soundManager() { return *sound_; }
    std::uint32_t getScenario() const { return scenario_.index; }
    const std::string& scenarioFile() const { return scenario_.fileName; }
    bool battleRunning() const;
    // Between two machines, what this machine shows of the battle (and the pause after a combat, whose end
    // checks it in) is played out before the other machine's next word is read, so that each takes that
    // word at the same point of its own battle however fast the two displays play. Turned off, the words
    // are read whatever the display still plays (nothing more is to be shown).
    bool wordsWaitForTheDisplay() const;
    void setWordsWaitForTheDisplay(bool wait);
    // A battle this machine takes part in: its own, or one it joined, which another machine runs.
    bool inBattle() const;
    const std::string& caption() const { return caption_; }
    // The main window takes the battle's title from here (once per scenario loaded).
    std::function<void(const std::string&)> onTitle;
    // The main window's caption is told here.
    std::function<void(const std::string&)> onCaption;
    // The end-of-game dialog (this machine's nation, won); unset, the game's own picture dialog shows.
    std::function<void(std::uint32_t nation, bool won)> endOfGameDialog;
    // Told of each dialog the application itself opens (the message box, the end of the game).
    DialogShown onDialog;
    // Boxes with OK alone are the game's own message box once the main window is there; the others, and
    // every box before it, are the platform's.
    std::int32_t messageBox(const std::string& text, const std::string& title, std::uint16_t style) override;
    // Once a battle has ended the status bar tells nothing more of its units and hexes: under the picture
    // of its end it stays empty, wherever the pointer goes.
    void setStatusText(const std::string& text, std::int16_t pane) override;
    // The second line's notice while this machine waits on the other player.
    std::string statusNotice(std::int16_t pane) const override;
    // Told when a battle has ended and been closed.
    std::function<void()> onBattleClosed;
    // The question whether to leave the battle, while it stands: a battle that ends without the player
    // (the other machine lost) answers it No for him before its end is shown, so that it never stands
    // over what comes after as a question about a battle that is over.
    void setLeaveQuestion(Dialog* question) { leaveQuestion_ = question; }
    // Told when a battle is loaded and about to begin, before game control hears of it: its first question
    // may come at once, and the battle's windows are to be under it.
    std::function<void()> onBattleBeginning;
    // Where saved games are written through; none: the system's own calls.
    platform::FileOutput* saveOutput = nullptr;

    // Loads the scenario, gives each side to the computer or to the player here, and begins the game.
    // False with the reason (the battle closed) when the scenario cannot be loaded. A battle of a
    // campaign (non-zero campaign flag) gives the visitor to the computer and home to the player, unless
    // homeComputer asks the computer to play it too.
    bool startBattle(const std::string& scenarioFile, std::uint32_t index, bool homeComputer,
                     bool visitorComputer, std::string& error, std::uint16_t campaign = 0);
    // A battle of a network game, once the network component has its peer: loads the scenario, plays the
    // home or the visitor side here (given to the computer when asked) and leaves the other side to the
    // other machine. The host then creates game control and begins the game; the other machine waits for
    // the host's messages.
    bool startNetworkBattle(const std::string& scenarioFile, std::uint32_t index, bool homeHere,
                            bool computerHere, std::string& error);
    // The same with the leaders played here named one by one.
    bool startNetworkBattle(const std::string& scenarioFile, std::uint32_t index,
                            const std::vector<std::string>& leadersHere, bool computerHere,
                            std::string& error);
    VaelNetComponent& net() { return *net_; }
    // The campaign, its definition read from the data directory at start.
    Campaign& campaign() { return *campaign_; }
    // Fights the battle for the campaign's current province; false with the reason.
    bool startCampaignBattle(bool homeComputer, std::string& error);
    // Saves the battle to the file, with the player's description in its header; false with the reason
    // (naming the file and the cause), the file left as it was.
    bool saveGame(const std::string& fileName, std::string& error, const std::string& description = {});
    // What saveGame writes, before its closing check; false, with why, when the battle cannot be saved.
    bool savedGameBytes(std::vector<std::uint8_t>& bytes, std::string& error,
                        const std::string& description = {});
    // Lets the map on screen play to its end what it still plays (a rout walking off the field, figures
    // falling) before the player's save is written: a game loaded from the file could never play the
    // rest. The window stays alive meanwhile; after SaveWaitMs the save goes ahead regardless.
    void letMapComeToRest();
    static constexpr std::int32_t SaveWaitMs = 5000;
    // What of the battle a saved game could not carry at this moment (an order still being carried out, a
    // combat being fought): empty when a save now resumes as the battle goes on. A leader's orders can be
    // carried between two of them; what lies between two leaders' orders cannot.
    std::string saveWaitsFor() const;
    // Plays the battle on until saveWaitsFor has nothing to wait for, saying in the status bar what the save
    // waits for; false, with why, when that moment has not come within SaveRulesWaitMs of the game's clock
    // (or the battle ended meanwhile). While the battle waits on a box of the player's own (playersBox) the
    // save waits as long as he takes, the status bar naming the box; the limit counts from its close.
    bool awaitSaveableMoment(std::string& why);
    static constexpr std::int32_t SaveRulesWaitMs = 120000;
    // The title of the box that holds the battle until the player closes it (the combats' results), empty
    // while none does; the game sets it.
    std::function<std::string()> playersBox;
    static constexpr const char* SaveWaitsForBoxStatus = "Save Game waits until you close ";
    // Runs the battle's messages and tasks while busy() holds, the battle runs and limitMs of the game's
    // clock have not passed, or until nothing moves any more.
    void playOnWhile(const std::function<bool()>& busy, std::int32_t limitMs);
    // Loads the scenario the file was saved over, restores the battle and resumes it; false with the
    // reason and no battle running when the file cannot be read.
    bool loadGame(const std::string& fileName, std::string& error);
    // Ends the battle at once (the player's choice, or the game's end).
    void closeBattle();
    // Changes each time a battle closes: a battle told by it is the same while it stays.
    std::uint32_t battleSerial() const { return battleSerial_; }
    // The status bar's lines as they stand with no battle: the game's title, nothing below it.
    void showNoBattleStatus();

    // The water of the palette (entries 202 to 210) runs through its four frames from now on.
    void startPaletteAnimation();
    // Tells the battle's landscapes the sparse-trees preference, as each battle opens: its trees are planted
    // with the battlefield, and they show as the preference says from the start.
    void sendSparseTrees();
    PaletteAnimator* paletteAnimator() { return paletteAnimator_.get(); }

    // The map views' layers; until the battle map arrives they have no windows.
    void setViewportLayers(ViewportLayer* view0, ViewportLayer* view4);

    // The battle tool keeps the message names of one process numbered alike from battle to battle.
    void keepMessageNames() { clearRegistryOnDestruction_ = false; }
    // The battle tool plays for tests and sweeps: it writes none of the player's files, the autosave of the
    // battle the player left among them.
    void keepNoAutosave() { autosaves_ = false; }
    // Nor does it play a side of the player's: a saved game that leaves one to him is refused.
    void playComputerSidesOnly() { computerSidesOnly_ = true; }

protected:
    bool lookingForEvents() override;
    // The one place the sound manager is made: the audible one replaces the silent one here.
    virtual std::unique_ptr<VaelSoundManager> makeSoundManager();

private:
    // False, naming the plan and why, when a computer side's plan did not compile.
    bool plansReady(std::string& error) const;
    class Listener;
    void applyPreferences(const Preferences* before);
    // The sound preferences ("Sound", "Ambient Sound", "Volume") go to the sound manager through here.
    void applySoundPreferences();
    void showFinishPrompt();
    bool autoSave(const std::string& why);
    void gameEnded(bool homeWon);
    void changeCaption(const std::string& text);
    void beginGame(bool resumed);
    void giveHomeToComputer();
    bool readAndLoad(const std::string& fileName, std::string& error);
    bool restore(const std::vector<std::uint8_t>& bytes, const SavedScenario& scenario, std::string& error,
                 SavedCheck check);
    // The steps of a restore: the battle's part, the display's (without the display, the replies it still
    // owed, answered once the battle goes on), the waits for those replies, and the computer's orders that
    // would wait for ever.
    bool restoreBattle(const std::vector<std::uint8_t>& bytes, const SavedScenario& scenario, std::string& error,
                       SavedCheck check, std::vector<VaelNetComponent::UnitSight>& started);
    bool restoreDisplay(const std::vector<std::uint8_t>& bytes, const std::vector<VaelNetComponent::UnitSight>& started,
                        std::vector<std::uint16_t>& shown, std::vector<LogicalCommandInfo>& answers, bool& underWayRead,
                        std::string& error);
    // Has the units wait again for the replies owed and puts them in the order those waits began.
    std::vector<std::uint16_t> awaitRepliesOwed(std::vector<LogicalCommandInfo>& owed);
    std::string ordersLeftWaiting(bool underWayRead) const;
    std::string replyOwedToNobody(const std::vector<LogicalCommandInfo>& owed) const;
    std::string sideLeftToThePlayer() const;
    // Closes the battle, loaded whole or in part, on both sides.
    void discardBattle();
    // Loads the images of the scenario's display types before it starts, with the progress shown.
    void preloadSprites();
    // The image index, the shared artwork, one display prototype per type id and the two views' layers.
    void makeViews();
    void deleteViews();
    // sideHere 1: the home side here, 2: the visitor side, 0: the leaders named.
    bool startNetworkBattle(const std::string& scenarioFile, std::uint32_t index,
                            const std::vector<std::string>& leadersHere, int sideHere, bool computerHere,
                            std::string& error);

    // Without the display, the loaded record of the replies it owed, from the load until they are answered.
    std::vector<std::uint8_t> repliesOwedRecord_;
    std::string installDirectory_, secondDirectory_;
    Preferences preferences_;
    std::int16_t missileAutoHit_ = 0;
    SavedScenario scenario_;
    std::string caption_;
    std::string title_; // the battle's title, from its scenario file
    platform::AudioOutput* audio_ = nullptr;
    std::unique_ptr<VaelSoundManager> sound_;
    std::unique_ptr<SoundGroupService> soundService_;
    std::unique_ptr<VaelLogicalLayer> layer_;
    std::unique_ptr<Campaign> campaign_;
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<VaelNetComponent> net_;
    CommentaryDlg commentary_;
    std::unique_ptr<LeaderAlmostDoneDlg> finishPrompt_;
    std::unique_ptr<ImageIndex> imageIndex_;
    std::unique_ptr<PaletteAnimator> paletteAnimator_;
    std::unique_ptr<VaelPhysicalLayers> views_;
    std::unique_ptr<ViewportLayer> viewports0_, viewports4_;
    bool sharedArtwork_ = false;
    bool wordsWait_ = true;
    // The player hears of a failing autosave once, not at every activation; a save that works again lets
    // the next failure be told.
    bool autosaveFailureTold_ = false;
    bool autosaves_ = true;
    bool computerSidesOnly_ = false;
    ClosedViewportLayer closedView0_, closedView4_;
    ViewportLayer* view0_ = &closedView0_;
    ViewportLayer* view4_ = &closedView4_;
    bool ending_ = false;
    Dialog* leaveQuestion_ = nullptr;
    std::uint32_t battleSerial_ = 0;
};

} // namespace vael
