#pragma once
// The dialogs that bring two machines into one battle: the choice to host or to join, the host's name and
// port, the guest's name, host and port, the waiting room where players log on and talk, the choice of who
// plays each leader, and the chat during the battle. Each closes with the answer its caller reads.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ui/dialog.h"

namespace vael {

// Told when a dialog has been built (the tests drive the dialogs from here).
using NetDialogShown = std::function<void(Dialog& dialog, const std::string& templateName)>;

// A port typed into a dialog: 1 to 65535, else nothing.
bool parsePort(const std::string& text, std::uint16_t& port);

// "TEMPNETDLG": closes with IdServer or IdClient.
class TempNetDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "TEMPNETDLG";
    static constexpr std::int16_t IdServer = 10, IdClient = 11;
    explicit TempNetDlg(NetDialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    NetDialogShown shown_;
};

// "STARTSERVER": the host's name and port (5000 unless changed); "Next ->" (1) with a port that is no
// port says so and stays.
class StartServerDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "STARTSERVER";
    static constexpr std::int16_t IdName = 101, IdPort = 103;
    explicit StartServerDlg(std::string name, NetDialogShown shown = {});
    // The port shown at first in place of the template's: the one the player typed before.
    void offer(std::uint16_t port) {
        port_ = port;
        offered_ = true;
    }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    const std::string& name() const { return name_; }
    std::uint16_t port() const { return port_; }

private:
    std::string name_;
    std::uint16_t port_ = 5000;
    bool offered_ = false;
    NetDialogShown shown_;
};

// "STARTCLIENT": the guest's name, the host to join and its port.
class StartClientDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "STARTCLIENT";
    static constexpr std::int16_t IdName = 101, IdServer = 102, IdPort = 103;
    explicit StartClientDlg(std::string name, NetDialogShown shown = {});
    // The host and port shown at first in place of none and 5000: those the player typed before.
    void offer(std::string server, std::uint16_t port) {
        server_ = std::move(server);
        port_ = port;
    }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    const std::string& name() const { return name_; }
    const std::string& server() const { return server_; }
    std::uint16_t port() const { return port_; }

private:
    std::string name_, server_;
    std::uint16_t port_ = 5000;
    NetDialogShown shown_;
};

// "CONNECTNETDLG": the players logged on, the messages, and on the host the buttons to choose the leaders,
// reject a player and begin (OK, once another player has logged on). The guest's closes when the host
// begins the battle (close from outside) or with Cancel.
class ConnectNetDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "CONNECTNETDLG";
    static constexpr std::int16_t IdPlayers = 101, IdChoose = 102, IdScenario = 103, IdServerName = 104,
                                  IdReject = 105, IdMessages = 106, IdMessage = 107, IdSend = 108,
                                  IdYourName = 110;
    ConnectNetDlg(std::string yourName, std::string serverName, std::string scenarioName, bool host,
                  NetDialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

    // The battle's title, which the guest learns from the host once they have met.
    void setScenarioName(const std::string& title);
    const std::string& scenarioName() const { return scenarioName_; }
    void addPlayer(const std::string& name);
    void removePlayer(const std::string& name);
    // The message shows below those before it in the messages field, which scrolls to it.
    void addMessage(const std::string& line);
    const std::vector<std::string>& players() const { return players_; }
    const std::vector<std::string>& messages() const { return messages_; }

    std::function<void(const std::string& text)> onSend;
    std::function<void()> onChoose;
    std::function<void(const std::string& player)> onReject;

private:
    void refresh();
    std::string yourName_, serverName_, scenarioName_;
    bool host_;
    std::vector<std::string> players_, messages_;
    NetDialogShown shown_;
};

// "NETCHOOSELEADERS": a row for each leader (at most 20) with the player who plays him; OK takes the
// choices.
class NetChooseLeadersDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "NETCHOOSELEADERS";
    static constexpr std::int16_t IdFirstChoice = 301, IdFirstName = 321, MaxLeaders = 20;
    // The leaders of the left column; the right column holds the rest.
    static constexpr std::int16_t Column = 10;
    // choices[i]: the index into players of the one who plays leaders[i] until changed.
    NetChooseLeadersDlg(std::vector<std::string> leaders, std::vector<std::string> players,
                        std::vector<std::int32_t> choices, NetDialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    const std::vector<std::int32_t>& choices() const { return choices_; }

protected:
    // With no more leaders than the left column holds, the players' names take the right column's room.
    void adjustTemplate(DialogTemplate& box) override;

private:
    std::vector<std::string> leaders_, players_;
    std::vector<std::int32_t> choices_;
    NetDialogShown shown_;
};

// "NETCHAT": the lines said so far, a line to say, the tone and whether a line that comes is announced
// with a beep.
class NetChatDlg : public Dialog {
public:
    static constexpr const char* TemplateName = "NETCHAT";
    static constexpr std::int16_t IdNotify = 10, IdLines = 102, IdFriendly = 101, IdHostile = 105,
                                  IdCustom = 106, IdMessage = 107, IdSend = 108;
    explicit NetChatDlg(std::vector<std::string> lines, NetDialogShown shown = {});
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void addLine(const std::string& line);
    bool notifies() const { return notify_; }

    std::function<void(const std::string& text)> onSend;

private:
    std::vector<std::string> lines_;
    bool notify_ = false;
    NetDialogShown shown_;
};

} // namespace vael
