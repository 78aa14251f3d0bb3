#include "game/net/net_dialogs.h"

#include <algorithm>

#include "framework/comm/net_frame.h"
#include "framework/core/application.h"
#include "framework/core/printable.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/dialog_item.h"
#include "framework/ui/text_wrap.h"
#include "game/net/net_chat.h"

namespace vael {

namespace {

void tell(const std::string& text, const std::string& title) {
    if (Application* app = Application::instance()) app->messageBox(text, title, 0);
}

constexpr const char* BadPort = "The port must be a number from 1 to 65535.";

// The other machine refuses a greeting whose name is longer than a greeting carries, blank, or holding a
// control character: the player hears it here, where the name can still be put right.
bool nameFits(const std::string& name, const std::string& title) {
    if (comm::playerNameProblem(name).empty()) return true;
    // The limit is the greeting's bytes, which a player cannot see: he is told it in letters, with what an
    // accented letter costs, and what his name counts as where it is not its letters.
    if (name.size() > comm::MaxPlayerName)
        tell("Your name has " + lettersPastLimit(name, "a name", comm::MaxPlayerName), title);
    else if (name.find_first_not_of(' ') == std::string::npos)
        tell("Type your name.", title);
    else
        tell("Your name may not hold a control character.", title);
    return false;
}

} // namespace

bool parsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const long value = std::stol(text);
    if (value < 1 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

TempNetDlg::TempNetDlg(NetDialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), shown_(std::move(shown)) {}

void TempNetDlg::onInitDialog() {
    centre();
    if (shown_) shown_(*this, TemplateName);
}

void TempNetDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdServer || id == IdClient || id == IdCancel)
        close(static_cast<std::int16_t>(id));
    else
        Dialog::onCommand(id, notification);
}

StartServerDlg::StartServerDlg(std::string name, NetDialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), name_(std::move(name)),
      shown_(std::move(shown)) {}

void StartServerDlg::onInitDialog() {
    centre();
    setItemText(IdName, name_);
    if (offered_) setItemText(IdPort, std::to_string(port_));
    if (shown_) shown_(*this, TemplateName);
}

void StartServerDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        std::uint16_t port = 0;
        if (!parsePort(getItemText(IdPort), port)) return tell(BadPort, "ServerInformation");
        if (!nameFits(getItemText(IdName), "ServerInformation")) return;
        name_ = getItemText(IdName);
        port_ = port;
        close(IdOk);
    } else {
        Dialog::onCommand(id, notification);
    }
}

StartClientDlg::StartClientDlg(std::string name, NetDialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), name_(std::move(name)),
      shown_(std::move(shown)) {}

void StartClientDlg::onInitDialog() {
    centre();
    setItemText(IdName, name_);
    setItemText(IdServer, server_);
    // The host listens on 5000 unless told otherwise; a guest offered port 1 would knock on no door.
    setItemText(IdPort, std::to_string(port_));
    if (shown_) shown_(*this, TemplateName);
}

void StartClientDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        std::uint16_t port = 0;
        if (!parsePort(getItemText(IdPort), port)) return tell(BadPort, "Client Information");
        if (getItemText(IdServer).empty())
            return tell("Type the name of the host to join.", "Client Information");
        if (!nameFits(getItemText(IdName), "Client Information")) return;
        name_ = getItemText(IdName);
        server_ = getItemText(IdServer);
        port_ = port;
        close(IdOk);
    } else {
        Dialog::onCommand(id, notification);
    }
}

ConnectNetDlg::ConnectNetDlg(std::string yourName, std::string serverName, std::string scenarioName,
                             bool host, NetDialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      yourName_(std::move(yourName)), serverName_(std::move(serverName)),
      scenarioName_(std::move(scenarioName)), host_(host), shown_(std::move(shown)) {}

void ConnectNetDlg::onInitDialog() {
    centre();
    setItemText(IdYourName, yourName_);
    setItemText(IdServerName, serverName_);
    setItemText(IdScenario, scenarioName_);
    // Only the host chooses, rejects and begins; a guest waits for the host.
    for (std::int16_t id : {IdChoose, IdReject, static_cast<std::int16_t>(IdOk)})
        enableItem(id, host_ ? 1 : 0);
    refresh();
    if (shown_) shown_(*this, TemplateName);
}

void ConnectNetDlg::refresh() {
    if (DialogItemWindow* list = item(IdPlayers)) {
        list->clearRows();
        for (const std::string& p : players_)
            list->addRow(p);
        // A player who logs on while the room is open shows at once, not at the next repaint.
        drawItem(*list);
    }
    // The whole conversation, newest at the bottom and in view: a line that comes never hides the ones
    // before it.
    std::string all;
    for (const std::string& line : messages_)
        all += (all.empty() ? "" : "\n") + line;
    setItemText(IdMessages, all);
}

void ConnectNetDlg::setScenarioName(const std::string& title) {
    scenarioName_ = title;
    if (isOpen()) setItemText(IdScenario, scenarioName_);
}

void ConnectNetDlg::addPlayer(const std::string& name) {
    players_.push_back(name);
    if (isOpen()) refresh();
}

void ConnectNetDlg::removePlayer(const std::string& name) {
    std::erase(players_, name);
    if (isOpen()) refresh();
}

void ConnectNetDlg::addMessage(const std::string& line) {
    // One message, one row of the field, whatever the other machine put in it.
    keepChatLine(messages_, printable(line));
    if (isOpen()) refresh();
}

void ConnectNetDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    switch (id) {
    case IdSend: {
        const std::string text = getItemText(IdMessage);
        if (text.empty()) return;
        setItemText(IdMessage, "");
        if (onSend) onSend(text);
        return;
    }
    case IdChoose:
        if (onChoose) onChoose();
        return;
    case IdReject: {
        const std::string player = listSelectionText(IdPlayers, -1);
        // The host's own row is the one a host cannot send away: he is told how to leave instead.
        if (host_ && player == yourName_)
            return tell("You cannot reject yourself: Cancel leaves the waiting room.", "Connecting Other Players");
        if (!player.empty() && onReject) onReject(player);
        return;
    }
    case IdOk:
        if (!host_) return;
        if (players_.size() < 2)
            return tell("No other player has logged on yet.", "Connecting Other Players");
        close(IdOk);
        return;
    default:
        Dialog::onCommand(id, notification);
    }
}

NetChooseLeadersDlg::NetChooseLeadersDlg(std::vector<std::string> leaders, std::vector<std::string> players,
                                         std::vector<std::int32_t> choices, NetDialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""),
      leaders_(std::move(leaders)), players_(std::move(players)), choices_(std::move(choices)),
      shown_(std::move(shown)) {
    if (leaders_.size() > MaxLeaders) leaders_.resize(MaxLeaders);
    choices_.resize(leaders_.size(), 0);
}

void NetChooseLeadersDlg::adjustTemplate(DialogTemplate& box) {
    if (leaders_.size() > static_cast<std::size_t>(Column)) return;
    // The right column stands empty: a player's name (a long one, of letters wider than a plain "a") shows
    // whole as far as the column's right edge, rather than cut at the template's narrow field.
    const auto inColumn = [](const DialogItem& it, std::int16_t first) {
        return it.signedId() >= first && it.signedId() < first + Column;
    };
    std::int32_t right = 0;
    for (const DialogItem& it : box.items)
        if (inColumn(it, IdFirstChoice + Column)) right = std::max<std::int32_t>(right, it.x + it.cx);
    for (DialogItem& it : box.items)
        if (inColumn(it, IdFirstChoice) && right > it.x + it.cx)
            it.cx = static_cast<std::int16_t>(right - it.x);
}

void NetChooseLeadersDlg::onInitDialog() {
    centre();
    for (std::int16_t i = 0; i < MaxLeaders; ++i) {
        const bool used = static_cast<std::size_t>(i) < leaders_.size();
        showItem(static_cast<std::int16_t>(IdFirstName + i), used);
        showItem(static_cast<std::int16_t>(IdFirstChoice + i), used);
        if (!used) continue;
        setItemText(static_cast<std::int16_t>(IdFirstName + i), leaders_[static_cast<std::size_t>(i)]);
        if (DialogItemWindow* combo = item(static_cast<std::int16_t>(IdFirstChoice + i))) {
            combo->clearRows();
            for (const std::string& p : players_)
                combo->addRow(p);
            combo->select(choices_[static_cast<std::size_t>(i)]);
        }
    }
    if (shown_) shown_(*this, TemplateName);
}

void NetChooseLeadersDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdOk) {
        for (std::size_t i = 0; i < leaders_.size(); ++i) {
            const std::int32_t chosen = listSelectionIndex(static_cast<std::int16_t>(IdFirstChoice + i));
            if (chosen >= 0 && static_cast<std::size_t>(chosen) < players_.size()) choices_[i] = chosen;
        }
        close(IdOk);
    } else {
        Dialog::onCommand(id, notification);
    }
}

NetChatDlg::NetChatDlg(std::vector<std::string> lines, NetDialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), lines_(std::move(lines)),
      shown_(std::move(shown)) {}

void NetChatDlg::onInitDialog() {
    centre();
    if (DialogItemWindow* list = item(IdLines))
        for (const std::string& line : lines_)
            list->addRow(line);
    selectRadio(IdFriendly, 0);
    if (shown_) shown_(*this, TemplateName);
}

void NetChatDlg::addLine(const std::string& line) {
    const bool dropped = keepChatLine(lines_, line);
    if (DialogItemWindow* list = item(IdLines)) {
        if (dropped) {
            list->clearRows();
            for (const std::string& kept : lines_)
                list->addRow(kept);
        } else {
            list->addRow(line);
        }
        list->select(list->rowCount() - 1);
        // A line comes while the window stands open beside the battle: shown now, not at its next paint.
        if (isOpen()) drawItem(*list);
    }
    if (notify_)
        if (Application* app = Application::instance()) app->beep();
}

void NetChatDlg::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == IdSend) {
        const std::string text = getItemText(IdMessage);
        if (text.empty()) return;
        setItemText(IdMessage, "");
        if (onSend) onSend(text);
        return;
    }
    if (id == IdNotify) {
        Dialog::onCommand(id, notification);
        if (auto* box = dynamic_cast<DialogButton*>(controlOf(IdNotify))) notify_ = box->getCheck() != 0;
        return;
    }
    Dialog::onCommand(id, notification);
}

} // namespace vael
