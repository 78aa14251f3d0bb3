#pragma once
// The game as the program runs it on a platform: the application object, the frame with its menus, tool
// bar and status bar, the battle's windows, and the road from the start dialog into a battle and back.
// The program's main() only chooses the platform; the tests run the same on the headless one.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "game/flow/end_of_game_results.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/vael_app.h"

namespace vael {

namespace comm {
class NetPeer;
class TcpListener;
} // namespace comm

class AILeaderNotice;
class ConnectNetDlg;
class CommentaryWindow;
class NetChat;
class NetChatDlg;
class VaelMapWindow;
class OverallCombatResultsDlg;
class VaelMainWindow;
class VaelToolbar;
class WindowsStatusBar;

class VaelGame {
public:
    static constexpr std::int32_t FrameWidth = 1024, FrameHeight = 768;
    // What File, Exit, Start Game and Open Game ask in the middle of a battle; OK leaves, Cancel plays on.
    static constexpr const char* ExitQuestion = "Leave the battle and end the game?";
    static constexpr const char* StartQuestion = "Leave the battle and start another?";
    static constexpr const char* OpenQuestion = "Leave the battle and open a saved game?";
    static constexpr const char* ExitWarning = "What has not been saved is lost.";
    // And in a battle of a campaign, which the battle takes with it.
    static constexpr const char* CampaignBattleWarning =
        "The campaign ends with it: the battles fought in it are lost.";
    // Cancel on the campaign's map once a battle of it has been fought.
    static constexpr const char* LeaveCampaignQuestion = "Leave the campaign?";
    static constexpr const char* LeaveCampaignWarning = "The battles fought in it are lost.";
    // The status bar from Save Game's OK to the file written, each followed by the file's name.
    static constexpr const char* SavingStatus = "Save Game waits for the battle to come to rest, then saves ";
    static constexpr const char* SavedStatus = "The battle is saved: ";
    static constexpr const char* NotSavedStatus = "Nothing was saved: ";
    // Save, Open or Start Game chosen while a save waits.
    static constexpr const char* SaveWaitingRefusal = "Wait until Save Game has written ";

    // Installs the display's palette, pictures and font, makes the application and the frame.
    // With an audio output (not owned) the game is heard; without views the battle is not shown (the tests
    // of the road through whole battles answer the animations themselves).
    VaelGame(platform::Platform& platform, const std::string& fallbackData,
             platform::AudioOutput* audio = nullptr, VaelApp::Views views = VaelApp::Views::Shown);
    ~VaelGame();
    VaelGame(const VaelGame&) = delete;
    VaelGame& operator=(const VaelGame&) = delete;

    // False when the frame could not be opened.
    bool ready() const;
    // Shows the start dialog and runs the game until the player leaves it; the program's exit status.
    int run();

    VaelApp& app() { return *app_; }
    VaelMainWindow& frame() { return *frame_; }
    // Told of each dialog of the road as it opens.
    DialogShown onDialog;

    // The road, as the start dialog, the menus and the tool bar take it.
    void showMainDialog();
    bool chooseAndStartBattle();
    // The saved game the player chooses, loaded; in a battle he is asked first whether to leave it, once
    // he has chosen.
    bool chooseAndLoadGame();
    // Multiplayer: host a battle or join one, through the network dialogs.
    bool playNetworkGame();
    bool hostNetworkGame();
    bool joinNetworkGame();
    // Saves the battle where its game control is; the machine that joined a network battle is told in the
    // status bar that the host saves it.
    void chooseAndSaveGame();
    // While a save waits for a moment it can carry: true, the player told in the status bar to wait.
    bool saveStillWaits();
    // A save chosen is not yet written: the battle plays on meanwhile.
    bool saveWaits() const { return !waitingSave_.empty(); }
    void editPreferences();
    // Help -> About...: the title from the string table and the version, until the player closes it.
    void showAbout();
    // The campaign: a new one from its first province, the map before each of its battles, the results
    // after each. False when no battle was begun.
    bool startCampaign();
    bool continueCampaign();
    void showCampaignResults();
    // A battle of one's own, named in the custom scenario dialog.
    bool chooseCustomBattle();
    // The turn's overview, modal, with the army details it opens.
    void showGameOverview(const EndOfGameResults& results);
    // Window, Player Chat... during a network battle: the "Player Chat" window beside the battle, with
    // every line said so far (brought to the front when it is open already); nothing in any other game.
    static constexpr std::uint16_t PlayerChatCommand = 252;
    void showChat();
    NetChatDlg* chatWindow() { return chatWindow_.get(); }

private:
    class Commands;
    class DisplayHooks;
    void openBattleWindows();
    void closeBattleWindows();
    // The chat goes on into the network battle just begun: its menu item is offered and the lines that
    // come reach the chat window.
    void chatInBattle();
    void answerQuestionsOnLoss();
    // A battle that is no network battle begins, or a network battle has closed: network play ends.
    void endNetworkPlay();
    void failed(const std::string& what, const std::string& why);
    // Between two battles of a campaign with a battle of it fought and more to fight: leaving loses it.
    bool campaignAtStake();
    // True when no battle runs, or when the player, asked the question, chooses to leave it.
    bool mayLeaveBattle(const char* question);
    // The question asked with OK and Cancel, the warnings below it; true when the player answers OK.
    bool mayLeave(const char* question, const std::vector<std::string>& warnings);
    // The variant of the scenario the player chooses when it has two or more, the scenario itself when it
    // has none (or, onlyNamingIt, when its list does not name it); empty when he cancels, or when the file
    // is no battle the game can play, which he is told.
    std::string chooseVariant(const std::string& scenarioFile, bool onlyNamingIt = false);
    bool startChosenBattle(const std::string& scenarioFile, const std::string& homeName,
                           const std::string& visitorName);
    // The battle the player takes in the Choose Scenario dialog; none when he cancels or there is none.
    std::optional<ScenarioChoice> chooseScenario();
    // The steps of hosting a network battle. The leaders of the scenario as first given (the home side's to
    // the host); false, the player told, when it does not load.
    bool readLeaders(const std::string& scenarioFile, std::vector<std::string>& leaders,
                     std::vector<std::int32_t>& choices);
    // The host's waiting room, until he begins or leaves it; true when a guest who greeted is there to play.
    bool waitForTheGuest(comm::TcpListener& listener, ConnectNetDlg& room, const std::string& host,
                         const std::string& title, const std::vector<std::string>& leaders,
                         std::vector<std::int32_t>& choices);
    void hearCallers(comm::TcpListener& listener, std::vector<std::unique_ptr<comm::NetPeer>>& callers,
                     ConnectNetDlg& room, const std::string& host, const std::string& title);
    // Choose gives out the leaders; Reject sends the other player away, named in rejected.
    void wireRoomButtons(ConnectNetDlg& room, const std::string& host,
                         const std::vector<std::string>& leaders, std::vector<std::int32_t>& choices,
                         std::string& rejected);
    bool beginHostedBattle(const std::string& host, const std::string& scenarioFile,
                           const std::vector<std::string>& leaders, const std::vector<std::int32_t>& choices);

    // First made and last gone: the application's palette is destroyed through the hooks.
    std::unique_ptr<DisplayHooks> hooks_;
    std::unique_ptr<VaelApp> app_;
    std::unique_ptr<VaelMainWindow> frame_;
    std::unique_ptr<WindowsStatusBar> statusBar_;
    std::unique_ptr<VaelToolbar> toolbar_;
    std::unique_ptr<CommentaryWindow> commentaryWindow_;
    std::unique_ptr<Commands> commands_;
    // The start dialog while it stands: the menu's Start Game and Open Game choose its buttons.
    StartGameDlg* start_ = nullptr;
    // The campaign's map asks whether to leave the campaign: a close asked for meanwhile is answered by it.
    bool leavingCampaignAsked_ = false;
    // The file a save waits to write, while it waits.
    std::string waitingSave_;
    std::unique_ptr<OverallCombatResultsDlg> combatResults_;
    std::unique_ptr<AILeaderNotice> aiNotice_;
    std::unique_ptr<NetChat> chat_;
    // The host's game control hears who plays which leader before the battle begins, so that its first
    // activation names the player, whichever machine's answer came first.
    std::vector<std::pair<std::string, std::vector<std::string>>> playersToTell_;
    // What the player last typed into "Client Information", offered again when he comes back to it (a
    // failed connection sends him back to the start dialog).
    struct JoinedLast {
        std::string name, server;
        std::uint16_t port = 0;
    };
    std::optional<JoinedLast> joinedLast_;
    // And what he last typed into "ServerInformation" (a port already taken sends him back too).
    struct HostedLast {
        std::string name;
        std::uint16_t port = 0;
    };
    std::optional<HostedLast> hostedLast_;
    std::unique_ptr<NetChatDlg> chatWindow_;
    // The elite initiative question while it stands: the other machine's loss ends the battle it asks about.
    Dialog* eliteQuestion_ = nullptr;
};

} // namespace vael
